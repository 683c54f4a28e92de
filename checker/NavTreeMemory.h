#pragma once
// A navigation tree kept in memory alone: the checker's node collection where no tree control is
// attached (tests, benchmarks, checks run without a window). Flat indexes follow document order.
#include <memory>
#include <vector>

#include "checker/CheckerHost.h"

class TNavTreeMemory final : public INavTreeNodes {
public:
    TNavTreeMemory();
    ~TNavTreeMemory() override;

    int GetCount() override;
    TNavNode GetNodeFromIndex(int Index) override;
    void BeginUpdate() override { ++FUpdates; }
    void EndUpdate() override
    {
        if (FUpdates > 0)
            --FUpdates;
    }
    TNavNode AddObject(TNavNode Sibling, const AnsiString &Text, void *Data) override;
    TNavNode AddFirstObject(TNavNode Sibling, const AnsiString &Text, void *Data) override;
    TNavNode AddChildObject(TNavNode Parent, const AnsiString &Text, void *Data) override;
    void Delete(TNavNode Node) override;
    void Clear() override;
    void *GetData(TNavNode Node) override;
    void SetData(TNavNode Node, void *Data) override;
    AnsiString GetText(TNavNode Node) override;
    void SetText(TNavNode Node, const AnsiString &Text) override;
    TNavNode GetParent(TNavNode Node) override;
    TNavNode GetLastChild(TNavNode Node) override;
    int GetChildCount(TNavNode Node) override;
    int UpdateLevel() const { return FUpdates; }

private:
    struct Node {
        AnsiString Text;
        void *Data = nullptr;
        Node *Parent = nullptr;
        std::vector<std::unique_ptr<Node>> Children;
    };
    Node *Insert(Node *Parent, size_t Pos, const AnsiString &Text, void *Data);
    void Flatten();

    Node FRoot;
    std::vector<Node *> FFlat;
    bool FDirty = true;
    int FUpdates = 0;
};
