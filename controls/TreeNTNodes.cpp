#include "controls/TreeNTNodes.h"
#include "platform/ScopeGuard.h"
#include "controls/CustomTreeNT.h"
#include "platform/Classes.h"
#include "platform/CodePage.h"
#include <algorithm>
#include <unordered_set>

TTreeNTNodes::TTreeNTNodes(TCustomTreeNT *AOwner) : FOwner(AOwner), FRoot(std::make_unique<TTreeNTNode>(this))
{
    FRoot->FExpanded = true;
}

TTreeNTNodes::~TTreeNTNodes()
{
    Clear();
    FRoot.reset();
}

// ---- insertion ----

TTreeNTNode *TTreeNTNodes::Add(TTreeNTNode *Node, const WideString &S)
{
    return AddObject(Node, S, nullptr);
}

TTreeNTNode *TTreeNTNodes::AddFirst(TTreeNTNode *Node, const WideString &S)
{
    return AddFirstObject(Node, S, nullptr);
}

TTreeNTNode *TTreeNTNodes::AddChild(TTreeNTNode *Parent, const WideString &S)
{
    return AddChildObject(Parent, S, nullptr);
}

TTreeNTNode *TTreeNTNodes::AddObject(TTreeNTNode *Node, const WideString &S, void *Data)
{
    return InternalAddObject(Node ? Node->FParent : nullptr, S, Data, false);
}

TTreeNTNode *TTreeNTNodes::AddFirstObject(TTreeNTNode *Node, const WideString &S, void *Data)
{
    return InternalAddObject(Node ? Node->FParent : nullptr, S, Data, true);
}

TTreeNTNode *TTreeNTNodes::AddChildObject(TTreeNTNode *Parent, const WideString &S, void *Data)
{
    return InternalAddObject(Parent, S, Data, false);
}

TTreeNTNode *TTreeNTNodes::AddObject(TTreeNTNode *Node, const AnsiString &S, void *Data)
{
    return AddObject(Node, AnsiToWide(S), Data);
}

TTreeNTNode *TTreeNTNodes::AddFirstObject(TTreeNTNode *Node, const AnsiString &S, void *Data)
{
    return AddFirstObject(Node, AnsiToWide(S), Data);
}

TTreeNTNode *TTreeNTNodes::AddChildObject(TTreeNTNode *Parent, const AnsiString &S, void *Data)
{
    return AddChildObject(Parent, AnsiToWide(S), Data);
}

TTreeNTNode *TTreeNTNodes::InternalAddObject(TTreeNTNode *Parent, const WideString &S, void *Data, bool First)
{
    if (!Parent)
        Parent = FRoot.get();
    if (Parent->FOwner != this || Parent->FDeleting || (Parent != FRoot.get() && !Parent->FInTree))
        throw ETreeNTError("Unable to insert an item");
    std::unique_ptr<TTreeNTNode> Node = FOwner->CreateNode();
    Node->SetData(Data);
    Node->SetText(S);
    ClearCache();
    FOwner->StopChangeTimer();
    TTreeNTNode *Added = Node.release();
    AttachNode(Added, Parent, First);
    ClearCache();
    FOwner->Change(Added);
    return Added;
}

void TTreeNTNodes::AttachNode(TTreeNTNode *Node, TTreeNTNode *Parent, bool First)
{
    const int Row = First ? 0 : Parent->GetCount();
    const bool Signal = FOwner->BeginStructureChange();
    if (Signal)
        FOwner->GetListener()->RowsInserting(Parent, Row);
    if (!Parent->FChildren)
        Parent->FChildren = std::make_unique<TTreeNodeList>();
    Node->FParent = Parent;
    Node->FInTree = true;
    Node->FItemId = ++FNextItemId;
    if (First)
        Parent->FChildren->Insert(0, Node);
    else
        Parent->FChildren->Add(Node);
    Node->FSiblingIndex = Row;
    ++FNodeCount;
    const bool ParentChanged = Parent != FRoot.get() && !Parent->FHasChildren;
    if (Parent != FRoot.get())
        Parent->FHasChildren = true;
    if (FOwner->HasOption(toCheckSupport)) {
        switch (Parent->FCheckType) {
        case ctCheckBox:
        case ctThreeState: Node->FStateIndex = cgUnchecked; break;
        case ctRadioButton: Node->FStateIndex = cgRadioOff; break;
        default: Node->FStateIndex = cgNone; break;
        }
    }
    if (Signal)
        FOwner->GetListener()->RowsInserted();
    if (ParentChanged)
        RepaintNode(Parent);
}

// ---- deletion ----

void TTreeNTNodes::Delete(TTreeNTNode *Node)
{
    if (!Node || Node == FRoot.get() || Node->FOwner != this)
        return;
    if (!Node->FInTree && FOwner->OnDeletion && !FOwner->IsDestroying())
        FOwner->OnDeletion(FOwner, Node);
    Node->Free();
}

void TTreeNTNodes::ItemDeleted(TTreeNTNode *Node)
{
    Node->FItemId = 0;
    FOwner->StopChangeTimer();
    if (FOwner->OnDeletion && !FOwner->IsDestroying())
        FOwner->OnDeletion(FOwner, Node);
    ClearCache();
}

void TTreeNTNodes::Clear()
{
    if (FRoot->GetCount() == 0)
        return;
    const bool Signal = FOwner->GetListener() && !IsUpdating();
    if (IsUpdating())
        FOwner->BeginStructureChange();
    else if (Signal)
        FOwner->GetListener()->ResetBegin();
    struct Finally {
        TTreeNTNodes &Nodes;
        bool Signal;
        ~Finally()
        {
            Nodes.FClearing = false;
            Nodes.FRoot->FDeleting = false;
            Nodes.ClearCache();
            if (Signal)
                Nodes.FOwner->GetListener()->ResetEnd();
        }
    } Done{*this, Signal};
    FClearing = true;
    FRoot->FDeleting = true;
    while (FRoot->GetCount() > 0) {
        const int Last = FRoot->GetCount() - 1;
        TTreeNTNode *Node = FRoot->FChildren->Get(Last);
        Node->DeleteChildren();
        FRoot->FChildren->Delete(Last);
        delete Node;
    }
    FRoot->FChildren.reset();
}

// ---- update bracket ----

void TTreeNTNodes::BeginUpdate()
{
    if (FUpdateCount == 0 && FOwner->GetListener())
        FOwner->GetListener()->RedrawSwitch(false);
    ++FUpdateCount;
}

void TTreeNTNodes::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount == 0)
        FOwner->EndUpdateBatch();
}

// ---- flat order ----

void TTreeNTNodes::ClearCache()
{
    FFlatCache.reset();
}

const TTreeNodeList &TTreeNTNodes::FlatOrder()
{
    if (!FFlatCache) {
        auto Cache = std::make_unique<TTreeNodeList>();
        Cache->SetCapacity(FNodeCount);
        // Pre-order walk without recursion.
        std::vector<std::pair<const TTreeNTNode *, int>> Stack;
        Stack.emplace_back(FRoot.get(), 0);
        while (!Stack.empty()) {
            auto &[Parent, Next] = Stack.back();
            if (Next >= Parent->GetCount()) {
                Stack.pop_back();
                continue;
            }
            TTreeNTNode *Child = Parent->FChildren->Get(Next++);
            Child->FFlatIndex = Cache->Add(Child);
            if (Child->GetCount() > 0)
                Stack.emplace_back(Child, 0);
        }
        FFlatCache = std::move(Cache);
    }
    return *FFlatCache;
}

int TTreeNTNodes::FlatIndexOf(const TTreeNTNode *Node)
{
    const TTreeNodeList &Flat = FlatOrder();
    if (!Node)
        return -1;
    const int Index = Node->FFlatIndex;
    if (Index >= 0 && Index < Flat.Count() && *(Flat.begin() + Index) == Node)
        return Index;
    return Flat.IndexOf(Node);
}

TTreeNTNode *TTreeNTNodes::GetNodeFromIndex(int Index)
{
    return FlatOrder().Get(Index);
}

TTreeNTNode *TTreeNTNodes::GetNodeFromItem(uintptr_t Item)
{
    if (Item == 0)
        return nullptr;
    for (TTreeNTNode *Node : FlatOrder())
        if (Node->FItemId == Item)
            return Node;
    return nullptr;
}

// ---- selection ----

void TTreeNTNodes::AddToSelection(TTreeNTNode *Node)
{
    if (FSelectionLock == 0 && Node && !Node->FInSelection) {
        FSelection.Add(Node);
        Node->FInSelection = true;
    }
}

void TTreeNTNodes::RemoveFromSelection(TTreeNTNode *Node)
{
    if (FSelectionLock == 0 && Node && Node->FInSelection) {
        FSelection.Remove(Node);
        Node->FInSelection = false;
    }
}

void TTreeNTNodes::DropSelection(TTreeNTNode *Node)
{
    // A destroyed node leaves the list even while it is locked.
    if (Node->FInSelection) {
        FSelection.Remove(Node);
        Node->FInSelection = false;
    }
}

void TTreeNTNodes::ClearSelectionList()
{
    for (TTreeNTNode *Node : FSelection)
        Node->FInSelection = false;
    FSelection.Clear();
}

void TTreeNTNodes::Select(TTreeNTNode *Node, int Mode)
{
    if (!Node || Node->FOwner != this || Node == FRoot.get())
        return;
    bool Allow = true;
    if (FOwner->OnChanging)
        FOwner->OnChanging(FOwner, Node, Allow);
    if (!Allow)
        return;
    const bool Selecting = Mode == 0 || (Mode == 2 && !Node->FInSelection);
    if (Selecting) {
        // Until a first node fixed the level, any level may start the selection.
        if (FOwner->HasOption(toLevelSelectConstraint) && FSelectionLevel >= 0 && Node->GetLevel() != FSelectionLevel)
            return;
        AddToSelection(Node);
    } else {
        RemoveFromSelection(Node);
    }
    if (Node->FStateSelected != Selecting) {
        Node->FStateSelected = Selecting;
        FOwner->NodeChanged(Node);
    }
    if (!FInRangeOp)
        FOwner->Change(Node);
}

void TTreeNTNodes::ToggleRange(TTreeNTNode *From, TTreeNTNode *To)
{
    if (!From || !To || From == To)
        return;
    {
        FInRangeOp = true;
        TScopeGuard RangeOp([this] { FInRangeOp = false; });
        const bool Forward = FlatIndexOf(From) < FlatIndexOf(To);
        TTreeNTNode *Node = Forward ? From->GetNextVisible() : From->GetPrevVisible();
        while (Node && Node != To) {
            Select(Node, 2);
            Node = Forward ? Node->GetNextVisible() : Node->GetPrevVisible();
        }
    }
    FOwner->Change(To);
}

void TTreeNTNodes::SelectRange(TTreeNTNode *From, TTreeNTNode *To, bool Additive)
{
    if (!From)
        From = To;
    if (!To)
        To = From;
    if (!From)
        return;
    TTreeNTNode *Last;
    {
        FInRangeOp = true;
        TScopeGuard RangeOp([this] { FInRangeOp = false; });
        int FromIndex = FlatIndexOf(From);
        int ToIndex = FlatIndexOf(To);
        TTreeNTNode *First = From;
        Last = To;
        if (ToIndex < FromIndex) {
            std::swap(First, Last);
            std::swap(FromIndex, ToIndex);
        }
        std::vector<TTreeNTNode *> Range;
        std::unordered_set<const TTreeNTNode *> InRange;
        for (TTreeNTNode *Node = First; Node; Node = Node->GetNextVisible()) {
            if (FlatIndexOf(Node) > ToIndex)
                break;
            Range.push_back(Node);
            InRange.insert(Node);
            if (Node == Last)
                break;
        }
        std::vector<TTreeNTNode *> Outside;
        if (!Additive)
            for (TTreeNTNode *Node : FSelection)
                if (!InRange.count(Node))
                    Outside.push_back(Node);
        for (TTreeNTNode *Node : Outside)
            Select(Node, 1);
        for (TTreeNTNode *Node : Range)
            if (!Node->FInSelection)
                Select(Node, 0);
    }
    FOwner->Change(Last);
}

void TTreeNTNodes::RepaintNode(TTreeNTNode *Node)
{
    if (IsUpdating())
        return;
    while (Node && Node != FRoot.get() && !Node->IsVisible())
        Node = Node->FParent;
    if (Node && Node != FRoot.get())
        FOwner->NodeChanged(Node);
}

void TTreeNTNodes::SetRootCheckType(uint8_t T)
{
    FRootCheckType = T;
    FRoot->SetCheckType(T);
}

void TTreeNTNodes::Assign(TTreeNTNodes &Source)
{
    if (&Source == this)
        return;
    Clear();
    BeginUpdate();
    TScopeGuard End([this] { EndUpdate(); });
    TMemoryStream Stream;
    Source.WriteData(Stream);
    Stream.SetPosition(0);
    ReadData(Stream);
}

// ---- snapshot ----

TTreeNTSnapshot TTreeNTNodes::Snapshot()
{
    TTreeNTSnapshot Result;
    Result.RootCheckType = FRootCheckType;
    const TTreeNodeList &Flat = FlatOrder();
    Result.Nodes.reserve(Flat.Count());
    for (const TTreeNTNode *Node : Flat) {
        TTreeNTSnapshotNode &S = Result.Nodes.emplace_back();
        S.Text = Node->FText;
        S.Data = Node->FData;
        S.ImageIndex = Node->FImageIndex;
        S.SelectedIndex = Node->FSelectedIndex;
        S.OverlayIndex = Node->FOverlayIndex;
        S.StateIndex = Node->FStateIndex;
        S.IntegralHeight = Node->FIntegralHeight;
        S.CheckState = Node->FCheckState;
        S.CheckType = Node->FCheckType;
        S.Enabled = Node->FEnabled;
        S.Expanded = Node->FExpanded;
        S.Selected = Node->FStateSelected;
        S.HasChildren = Node->FHasChildren;
        S.ParentColor = Node->FParentColor;
        S.ParentFont = Node->FParentFont;
        S.Color = Node->FColor;
        if (Node->FFont)
            S.Font = *Node->FFont;
        S.ChildCount = Node->GetCount();
    }
    for (const TTreeNTNode *Node : FSelection)
        Result.SelectionOrder.push_back(Node->FFlatIndex);
    Result.SelectedIndex = FOwner->GetSelected() ? FlatIndexOf(FOwner->GetSelected()) : -1;
    return Result;
}

void TTreeNTNodes::Restore(const TTreeNTSnapshot &Snapshot)
{
    for (const TTreeNTSnapshotNode &S : Snapshot.Nodes)
        if (S.ChildCount < 0)
            throw ETreeNTError("Invalid tree snapshot");
    BeginUpdate();
    TScopeGuard End([this] { EndUpdate(); });
    Clear();
    ClearSelectionList();
    FRootCheckType = Snapshot.RootCheckType;
    FRoot->FCheckType = Snapshot.RootCheckType;
    std::vector<std::pair<TTreeNTNode *, int32_t>> Stack; // parent, children still to come
    std::vector<TTreeNTNode *> Made;
    Made.reserve(Snapshot.Nodes.size());
    for (const TTreeNTSnapshotNode &S : Snapshot.Nodes) {
        while (!Stack.empty() && Stack.back().second == 0)
            Stack.pop_back();
        TTreeNTNode *Parent = FRoot.get();
        if (!Stack.empty()) {
            Parent = Stack.back().first;
            --Stack.back().second;
        }
        std::unique_ptr<TTreeNTNode> Owned = FOwner->CreateNode();
        TTreeNTNode *Node = Owned.get();
        Node->FText = S.Text;
        Node->FData = S.Data;
        Node->FImageIndex = S.ImageIndex;
        Node->FSelectedIndex = S.SelectedIndex;
        Node->FOverlayIndex = S.OverlayIndex;
        Node->FIntegralHeight = S.IntegralHeight;
        Node->FCheckState = S.CheckState;
        Node->FCheckType = S.CheckType;
        Node->FEnabled = S.Enabled;
        Node->FParentColor = S.ParentColor;
        Node->FColor = S.Color;
        if (S.Font && !S.ParentFont) {
            Node->GetFont().Assign(*S.Font);
        }
        Node->FParentFont = S.ParentFont;
        AttachNode(Owned.release(), Parent, false);
        Node->FStateIndex = S.StateIndex;
        Node->FHasChildren = S.HasChildren || S.ChildCount > 0;
        Node->FStateSelected = S.Selected;
        Made.push_back(Node);
        if (S.ChildCount > 0)
            Stack.emplace_back(Node, S.ChildCount);
    }
    // Expanded states last, once the children exist.
    for (size_t I = 0; I < Made.size(); ++I)
        Made[I]->FExpanded = Snapshot.Nodes[I].Expanded;
    for (int32_t Index : Snapshot.SelectionOrder)
        if (Index >= 0 && size_t(Index) < Made.size())
            AddToSelection(Made[size_t(Index)]);
    ClearCache();
    TTreeNTNode *Caret = nullptr;
    if (Snapshot.SelectedIndex >= 0 && size_t(Snapshot.SelectedIndex) < Made.size())
        Caret = Made[size_t(Snapshot.SelectedIndex)];
    FOwner->RestoreCaret(Caret);
}
