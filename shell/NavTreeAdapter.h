#pragma once
// The script checker's view of the navigation tree control: its node collection through the checker's
// narrow interface.
#include "checker/CheckerHost.h"
#include "controls/TreeNTNode.h"
#include "controls/TreeNTNodes.h"
#include "platform/CodePage.h"

class TNavTreeAdapter final : public INavTreeNodes {
public:
    explicit TNavTreeAdapter(TTreeNTNodes &Nodes) : FNodes(Nodes) {}

    int GetCount() override { return FNodes.GetCount(); }
    TNavNode GetNodeFromIndex(int Index) override
    {
        return Index >= 0 && Index < FNodes.GetCount() ? FNodes.GetNodeFromIndex(Index) : nullptr;
    }
    void BeginUpdate() override { FNodes.BeginUpdate(); }
    void EndUpdate() override { FNodes.EndUpdate(); }
    TNavNode AddObject(TNavNode Sibling, const AnsiString &Text, void *Data) override
    {
        return FNodes.AddObject(N(Sibling), Text, Data);
    }
    TNavNode AddFirstObject(TNavNode Sibling, const AnsiString &Text, void *Data) override
    {
        return FNodes.AddFirstObject(N(Sibling), Text, Data);
    }
    TNavNode AddChildObject(TNavNode Parent, const AnsiString &Text, void *Data) override
    {
        return Parent ? FNodes.AddChildObject(N(Parent), Text, Data) : FNodes.AddObject(nullptr, Text, Data);
    }
    void Delete(TNavNode Node) override
    {
        if (Node)
            FNodes.Delete(N(Node));
    }
    void Clear() override { FNodes.Clear(); }
    void *GetData(TNavNode Node) override { return Node ? N(Node)->GetData() : nullptr; }
    void SetData(TNavNode Node, void *Data) override
    {
        if (Node)
            N(Node)->SetData(Data);
    }
    AnsiString GetText(TNavNode Node) override { return Node ? WideToAnsi(N(Node)->GetText()) : AnsiString(); }
    void SetText(TNavNode Node, const AnsiString &Text) override
    {
        if (Node)
            N(Node)->SetText(Text);
    }
    TNavNode GetParent(TNavNode Node) override { return Node ? N(Node)->GetParent() : nullptr; }
    TNavNode GetLastChild(TNavNode Node) override { return Node ? N(Node)->GetLastChild() : nullptr; }
    int GetChildCount(TNavNode Node) override { return Node ? N(Node)->GetCount() : 0; }

private:
    static TTreeNTNode *N(TNavNode Node) { return static_cast<TTreeNTNode *>(Node); }
    TTreeNTNodes &FNodes;
};
