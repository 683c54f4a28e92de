#pragma once
// The node collection of the tree control: owns the hidden root, inserts, deletes and
// clears nodes, batches updates, keeps the multi-selection list and the flat depth-first
// order for index access, and reads and writes the whole tree.
#include "controls/TreeNTNode.h"
#include <memory>
#include <optional>
#include <vector>

// One node of a tree snapshot; children follow their parent (pre-order).
struct TTreeNTSnapshotNode {
    WideString Text;
    void *Data = nullptr;
    int32_t ImageIndex = -1;
    int32_t SelectedIndex = -1;
    int32_t OverlayIndex = -1;
    int32_t StateIndex = -1;
    int32_t IntegralHeight = 1;
    uint8_t CheckState = 0;
    uint8_t CheckType = 0;
    bool Enabled = true;
    bool Expanded = false;
    bool Selected = false;
    bool HasChildren = false;
    bool ParentColor = true;
    bool ParentFont = true;
    TColor Color = 0;
    std::optional<TNodeFont> Font;
    int32_t ChildCount = 0;
};

// A tree kept in memory as it stands, data pointers at full width.
struct TTreeNTSnapshot {
    uint8_t RootCheckType = 0;
    std::vector<TTreeNTSnapshotNode> Nodes;
    int32_t SelectedIndex = -1; // flat index of the control's selected node
    std::vector<int32_t> SelectionOrder; // flat indexes of the selection list, in order
};

class TTreeNTNodes {
public:
    explicit TTreeNTNodes(TCustomTreeNT *AOwner);
    ~TTreeNTNodes();
    TTreeNTNodes(const TTreeNTNodes &) = delete;
    TTreeNTNodes &operator=(const TTreeNTNodes &) = delete;

    TCustomTreeNT *GetOwner() const { return FOwner; }
    TTreeNTNode *GetRoot() const { return FRoot.get(); }

    int GetCount() const { return FNodeCount; }
    TTreeNTNode *GetNodeFromIndex(int Index);
    TTreeNTNode *GetFirstNode() const { return FRoot->GetFirstChild(); }
    // The node shown by an item handle (GetItemId); none for 0 or an unknown handle.
    TTreeNTNode *GetNodeFromItem(uintptr_t Item);

    TTreeNTNode *Add(TTreeNTNode *Node, const WideString &S);
    TTreeNTNode *AddFirst(TTreeNTNode *Node, const WideString &S);
    TTreeNTNode *AddChild(TTreeNTNode *Parent, const WideString &S);
    TTreeNTNode *AddObject(TTreeNTNode *Node, const WideString &S, void *Data);
    TTreeNTNode *AddFirstObject(TTreeNTNode *Node, const WideString &S, void *Data);
    TTreeNTNode *AddChildObject(TTreeNTNode *Parent, const WideString &S, void *Data);
    TTreeNTNode *AddObject(TTreeNTNode *Node, const AnsiString &S, void *Data);
    TTreeNTNode *AddFirstObject(TTreeNTNode *Node, const AnsiString &S, void *Data);
    TTreeNTNode *AddChildObject(TTreeNTNode *Parent, const AnsiString &S, void *Data);
    void Delete(TTreeNTNode *Node);
    void Clear();
    bool IsClearing() const { return FClearing; }

    void BeginUpdate();
    void EndUpdate();
    bool IsUpdating() const { return FUpdateCount > 0; }
    int GetUpdateCount() const { return FUpdateCount; }

    // Selection list (multi-selection), in the order the nodes were selected.
    TTreeNTNode *GetFirstSelected() const { return FSelection.First(); }
    int GetSelectedCount() const { return FSelection.Count(); }
    TTreeNTNode *GetSelection(int Index) const { return FSelection.Get(Index); }
    const TTreeNodeList &GetSelectionList() const { return FSelection; }
    void Select(TTreeNTNode *Node, int Mode);
    void SelectRange(TTreeNTNode *From, TTreeNTNode *To, bool Additive);
    void ToggleRange(TTreeNTNode *From, TTreeNTNode *To);
    void AddToSelection(TTreeNTNode *Node);
    // Empties the selection list without touching the nodes' selected look.
    void ClearSelectionList();
    void RemoveFromSelection(TTreeNTNode *Node);
    void LockSelection() { ++FSelectionLock; }
    void UnlockSelection()
    {
        if (FSelectionLock > 0)
            --FSelectionLock;
    }
    bool InRangeOp() const { return FInRangeOp; }
    void SetInRangeOp(bool Value) { FInRangeOp = Value; }
    int GetSelectionLevel() const { return FSelectionLevel; }
    void SetSelectionLevel(int Value) { FSelectionLevel = Value; }

    void RepaintNode(TTreeNTNode *Node);
    void ClearCache();
    uint8_t GetRootCheckType() const { return FRootCheckType; }
    void SetRootCheckType(uint8_t T);

    // Copies another collection through the binary form.
    void Assign(TTreeNTNodes &Source);

    // Binary form of the whole collection (no signature).
    void ReadData(TStream &Stream);
    void WriteData(TStream &Stream);
    // Text form of the whole collection.
    void ReadText(TStream &Stream);
    void WriteText(TStream &Stream);

    // In-memory copy of the tree with full-width data pointers, and its restoration
    // (one update bracket, no per-node events).
    TTreeNTSnapshot Snapshot();
    void Restore(const TTreeNTSnapshot &Snapshot);

    // Flat depth-first order, built on demand.
    const TTreeNodeList &FlatOrder();
    int FlatIndexOf(const TTreeNTNode *Node);

private:
    friend class TTreeNTNode;
    friend class TTreeNTStreamReader;

    TTreeNTNode *InternalAddObject(TTreeNTNode *Parent, const WideString &S, void *Data, bool First);
    void AttachNode(TTreeNTNode *Node, TTreeNTNode *Parent, bool First);
    void ItemDeleted(TTreeNTNode *Node);
    void DropSelection(TTreeNTNode *Node);
    void ReadTextBuffer(const uint8_t *Text, size_t Length);

    TCustomTreeNT *FOwner;
    int FUpdateCount = 0;
    bool FInRangeOp = false;
    bool FClearing = false;
    std::unique_ptr<TTreeNTNode> FRoot;
    std::unique_ptr<TTreeNodeList> FFlatCache;
    TTreeNodeList FSelection;
    int FSelectionLock = 0;
    uint8_t FRootCheckType = 0;
    int FSelectionLevel = -1;
    int FNodeCount = 0;
    uintptr_t FNextItemId = 0;
};
