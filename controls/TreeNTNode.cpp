#include "controls/TreeNTNode.h"
#include "platform/ScopeGuard.h"
#include "controls/CustomTreeNT.h"
#include "controls/TreeNTNodes.h"
#include "platform/CodePage.h"
#include <string>

// ---- TNodeFont ----

void TNodeFont::Changed()
{
    if (OnChange)
        OnChange();
}

void TNodeFont::SetHeight(int32_t Value)
{
    if (FHeight != Value) {
        FHeight = Value;
        Changed();
    }
}

void TNodeFont::SetName(const WideString &Value)
{
    if (FName != Value) {
        FName = Value;
        Changed();
    }
}

void TNodeFont::SetPitch(uint8_t Value)
{
    if (FPitch != Value) {
        FPitch = Value;
        Changed();
    }
}

void TNodeFont::SetStyle(uint8_t Value)
{
    if (FStyle != Value) {
        FStyle = Value;
        Changed();
    }
}

void TNodeFont::SetColor(TColor Value)
{
    if (FColor != Value) {
        FColor = Value;
        Changed();
    }
}

bool TNodeFont::SameAs(const TNodeFont &Other) const
{
    return FHeight == Other.FHeight && FName == Other.FName && FPitch == Other.FPitch && FStyle == Other.FStyle &&
           FColor == Other.FColor;
}

void TNodeFont::Assign(const TNodeFont &Source)
{
    if (SameAs(Source))
        return;
    FHeight = Source.FHeight;
    FName = Source.FName;
    FPitch = Source.FPitch;
    FStyle = Source.FStyle;
    FColor = Source.FColor;
    Changed();
}

// ---- TTreeNTNode ----

TTreeNTNode::TTreeNTNode(TTreeNTNodes *AOwner) : FOwner(AOwner)
{
}

TCustomTreeNT *TTreeNTNode::GetTreeView() const
{
    return FOwner->GetOwner();
}

// A node in the tree is owned by its parent's Children list; destroying it destroys its
// subtree, and each destroyed node is reported once through OnDeletion.
TTreeNTNode::~TTreeNTNode()
{
    FDeleting = true;
    TCustomTreeNT *Tree = GetTreeView();
    FOwner->DropSelection(this);
    if (FInTree)
        Tree->NodeDeleted(this);
    TTreeNTNode *Parent = FParent;
    const bool Detach = Parent && !Parent->FDeleting;
    const bool Signal = Detach && FInTree && Tree->BeginStructureChange();
    if (Signal)
        Tree->GetListener()->RowRemoving(this);
    DestroySubtree();
    bool ParentEmptied = false;
    if (Detach && Parent->FChildren) {
        const int Index = GetIndex();
        if (Index >= 0)
            Parent->FChildren->Delete(Index);
        if (Parent->FChildren->Count() == 0 && Parent != FOwner->GetRoot()) {
            Parent->FExpanded = false;
            Parent->FHasChildren = false;
            ParentEmptied = true;
        }
    }
    if (FInTree) {
        FInTree = false;
        --FOwner->FNodeCount;
        FOwner->ItemDeleted(this);
    }
    if (Signal)
        Tree->GetListener()->RowRemoved();
    if (ParentEmptied) {
        // The view shows the emptied parent collapsed too, so a child added later stays hidden.
        Tree->ExpandRequest(Parent, false);
        Tree->NodeChanged(Parent);
    }
    FData = nullptr;
}

// Deepest nodes first, without recursion: a node is deleted once it has no children left.
// Nodes on the way down are marked as being deleted first, so that their children neither
// detach themselves nor report rows of their own.
void TTreeNTNode::DestroySubtree()
{
    std::vector<TTreeNTNode *> Path{this};
    while (!Path.empty()) {
        TTreeNTNode *Node = Path.back();
        if (Node->GetCount() > 0) {
            // Last to first: the order in which OnDeletion reports the children.
            TTreeNTNode *Child = Node->FChildren->Last();
            if (Child->GetCount() > 0) {
                Child->FDeleting = true;
                Path.push_back(Child);
                continue;
            }
            Node->FChildren->Delete(Node->FChildren->Count() - 1);
            delete Child;
            continue;
        }
        Path.pop_back();
        if (!Path.empty()) {
            TTreeNTNode *Parent = Path.back();
            Parent->FChildren->Delete(Parent->FChildren->Count() - 1);
            delete Node;
        }
    }
}

void TTreeNTNode::Free()
{
    if (!FDeleting && this != FOwner->GetRoot())
        delete this;
}

void TTreeNTNode::Changed()
{
    if (FInTree)
        GetTreeView()->NodeChanged(this);
}

void TTreeNTNode::Resort()
{
    if (FParent == FOwner->GetRoot())
        GetTreeView()->AlphaSort();
    else if (FParent)
        FParent->AlphaSort();
}

void TTreeNTNode::SetText(const WideString &S)
{
    FText = S;
    Changed();
    const TSortType Sort = GetTreeView()->GetSortType();
    if (FInTree && (Sort == stText || Sort == stBoth))
        Resort();
}

void TTreeNTNode::SetText(const AnsiString &S)
{
    SetText(AnsiToWide(S));
}

void TTreeNTNode::SetData(void *Value)
{
    FData = Value;
    TCustomTreeNT *Tree = GetTreeView();
    const TSortType Sort = Tree->GetSortType();
    if (FInTree && !FDeleting && (Sort == stData || Sort == stBoth) && Tree->OnCompare)
        Resort();
}

TTreeNTNode *TTreeNTNode::GetParent() const
{
    return FParent == FOwner->GetRoot() ? nullptr : FParent;
}

TTreeNTNode *TTreeNTNode::GetItem(int Index) const
{
    if (Index >= GetCount())
        throw ETreeNTError("List index out of bounds (" + std::to_string(Index) + ")");
    // A negative index is the list's error; a leaf has no list yet.
    if (!FChildren)
        throw ENodeListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FChildren->Get(Index);
}

int TTreeNTNode::GetIndex() const
{
    if (!FParent || !FParent->FChildren)
        return -1;
    const TTreeNodeList &Siblings = *FParent->FChildren;
    if (FSiblingIndex >= 0 && FSiblingIndex < Siblings.Count() && *(Siblings.begin() + FSiblingIndex) == this)
        return FSiblingIndex;
    FSiblingIndex = Siblings.IndexOf(this);
    return FSiblingIndex;
}

int TTreeNTNode::GetLevel() const
{
    int Level = -1;
    for (const TTreeNTNode *Node = FParent; Node; Node = Node->FParent)
        ++Level;
    return Level;
}

int TTreeNTNode::GetAbsoluteIndex() const
{
    return FOwner->FlatIndexOf(this);
}

TTreeNTNode *TTreeNTNode::GetNextSibling() const
{
    const int Index = GetIndex();
    if (Index < 0 || Index + 1 >= FParent->GetCount())
        return nullptr;
    return FParent->FChildren->Get(Index + 1);
}

TTreeNTNode *TTreeNTNode::GetPrevSibling() const
{
    const int Index = GetIndex();
    if (Index <= 0)
        return nullptr;
    return FParent->FChildren->Get(Index - 1);
}

TTreeNTNode *TTreeNTNode::GetNext() const
{
    if (GetCount() > 0)
        return GetFirstChild();
    for (const TTreeNTNode *Node = this; Node && Node->FParent; Node = Node->FParent)
        if (TTreeNTNode *Next = Node->GetNextSibling())
            return Next;
    return nullptr;
}

TTreeNTNode *TTreeNTNode::GetPrev() const
{
    TTreeNTNode *Node = GetPrevSibling();
    if (!Node)
        return GetParent();
    while (Node->GetCount() > 0)
        Node = Node->GetLastChild();
    return Node;
}

bool TTreeNTNode::IsVisible() const
{
    for (const TTreeNTNode *Node = FParent; Node; Node = Node->FParent)
        if (!Node->FExpanded)
            return false;
    return FParent != nullptr;
}

TTreeNTNode *TTreeNTNode::GetNextVisible() const
{
    if (!IsVisible()) {
        TTreeNTNode *Node = GetNext();
        while (Node && !Node->IsVisible())
            Node = Node->GetNext();
        return Node;
    }
    // From a visible node: into an expanded node's children, else past its subtree.
    if (FExpanded && GetCount() > 0)
        return GetFirstChild();
    for (const TTreeNTNode *Node = this; Node && Node->FParent; Node = Node->FParent)
        if (TTreeNTNode *Next = Node->GetNextSibling())
            return Next;
    return nullptr;
}

TTreeNTNode *TTreeNTNode::GetPrevVisible() const
{
    if (!IsVisible()) {
        TTreeNTNode *Node = GetPrev();
        while (Node && !Node->IsVisible())
            Node = Node->GetPrev();
        return Node;
    }
    TTreeNTNode *Node = GetPrevSibling();
    if (!Node)
        return GetParent();
    while (Node->FExpanded && Node->GetCount() > 0)
        Node = Node->GetLastChild();
    return Node;
}

TTreeNTNode *TTreeNTNode::GetNextSelected() const
{
    const TTreeNodeList &Selection = FOwner->GetSelectionList();
    const int Index = FInSelection ? Selection.IndexOf(this) : -1;
    if (Index < 0 || Index + 1 >= Selection.Count())
        return nullptr;
    return Selection.Get(Index + 1);
}

bool TTreeNTNode::HasAsParent(const TTreeNTNode *Node) const
{
    if (!Node)
        return false;
    for (const TTreeNTNode *P = FParent; P; P = P->FParent)
        if (P == Node)
            return true;
    return false;
}

void TTreeNTNode::SetSelected(bool Value)
{
    FOwner->Select(this, Value ? 0 : 1);
}

bool TTreeNTNode::GetFocused() const
{
    return FFocused;
}

void TTreeNTNode::SetFocused(bool Value)
{
    if (FFocused != Value) {
        FFocused = Value;
        Changed();
    }
}

void TTreeNTNode::SetExpanded(bool Value)
{
    if (Value)
        Expand(false);
    else
        Collapse(false);
}

void TTreeNTNode::ExpandOne(bool Expand)
{
    TCustomTreeNT *Tree = GetTreeView();
    Tree->BeginExpandingByCode();
    TScopeGuard End([Tree] { Tree->EndExpandingByCode(); });
    if (GetCount() == 0 && !FHasChildren)
        return;
    bool Allow = true;
    if (Expand ? bool(Tree->OnExpanding) : bool(Tree->OnCollapsing))
        (Expand ? Tree->OnExpanding : Tree->OnCollapsing)(Tree, this, Allow);
    if (!Allow)
        return;
    if (Expand ? bool(Tree->OnExpanded) : bool(Tree->OnCollapsed))
        (Expand ? Tree->OnExpanded : Tree->OnCollapsed)(Tree, this);
    FExpanded = Expand;
    if (Expand)
        FExpandedOnce = true;
    Tree->ExpandRequest(this, Expand);
    if (!Expand)
        Tree->BranchCollapsed(this);
}

// This node, then with Recursive its whole subtree in pre-order (children are read as the
// events leave them, so a handler may fill or empty a node on the way).
void TTreeNTNode::ExpandTree(bool Expand, bool Recursive)
{
    ExpandOne(Expand);
    if (!Recursive)
        return;
    std::vector<std::pair<TTreeNTNode *, int>> Stack{{this, 0}};
    while (!Stack.empty()) {
        auto &[Node, Next] = Stack.back();
        if (Next >= Node->GetCount()) {
            Stack.pop_back();
            continue;
        }
        TTreeNTNode *Child = Node->FChildren->Get(Next++);
        Child->ExpandOne(Expand);
        Stack.emplace_back(Child, 0);
    }
}

void TTreeNTNode::Expand(bool Recursive)
{
    ExpandTree(true, Recursive);
}

void TTreeNTNode::Collapse(bool Recursive)
{
    ExpandTree(false, Recursive);
}

void TTreeNTNode::SetHasChildren(bool Value)
{
    if (FHasChildren != Value) {
        FHasChildren = Value;
        Changed();
    }
}

bool TTreeNTNode::GetDropTarget() const
{
    return GetTreeView()->GetDropTarget() == this;
}

void TTreeNTNode::SetDropTarget(bool Value)
{
    TCustomTreeNT *Tree = GetTreeView();
    if (Value)
        Tree->SetDropTarget(this);
    else if (Tree->GetDropTarget() == this)
        Tree->SetDropTarget(nullptr);
}

TNodeRect TTreeNTNode::DisplayRect(bool TextOnly) const
{
    return FItemId ? GetTreeView()->NodeDisplayRect(this, TextOnly) : TNodeRect();
}

bool TTreeNTNode::GetItemState(int Which) const
{
    switch (Which) {
    case isDropHilited: return GetDropTarget();
    case isExpanded: return FExpanded;
    case isExpandedOnce: return FExpandedOnce;
    case isFocused: return FFocused;
    case isSelected: return FStateSelected;
    default: return false;
    }
}

void TTreeNTNode::SetImageIndex(int32_t Value)
{
    if (FImageIndex != Value) {
        FImageIndex = Value;
        Changed();
    }
}

void TTreeNTNode::SetSelectedIndex(int32_t Value)
{
    if (FSelectedIndex != Value) {
        FSelectedIndex = Value;
        Changed();
    }
}

void TTreeNTNode::SetOverlayIndex(int32_t Value)
{
    if (FOverlayIndex != Value) {
        FOverlayIndex = Value;
        Changed();
    }
}

void TTreeNTNode::SetStateIndex(int32_t Value)
{
    if (FStateIndex != Value) {
        FStateIndex = Value;
        Changed();
    }
}

void TTreeNTNode::SetIntegralHeight(int32_t Value)
{
    if (FIntegralHeight != Value) {
        FIntegralHeight = Value;
        Changed();
    }
}

void TTreeNTNode::SetParentColor(bool Value)
{
    if (FParentColor != Value) {
        FParentColor = Value;
        Changed();
    }
}

TColor TTreeNTNode::GetColor() const
{
    return FParentColor ? GetTreeView()->GetColor() : FColor;
}

void TTreeNTNode::SetColor(TColor Value)
{
    FColor = Value;
    FParentColor = false;
    Changed();
}

void TTreeNTNode::SetParentFont(bool Value)
{
    if (FParentFont != Value) {
        FParentFont = Value;
        if (Value)
            FFont.reset();
        Changed();
    }
}

TNodeFont &TTreeNTNode::GetFont()
{
    if (!FFont) {
        FFont = std::make_unique<TNodeFont>();
        FFont->Assign(GetTreeView()->GetFont());
        FFont->OnChange = [this] {
            FParentFont = false;
            Changed();
        };
    }
    return *FFont;
}

// ---- check marks ----

void TTreeNTNode::SetGlyph(int32_t Glyph)
{
    if (GetTreeView()->HasOption(toCheckSupport))
        SetStateIndex(Glyph);
}

void TTreeNTNode::SetCheckType(uint8_t T)
{
    if (T == FCheckType)
        return;
    const int Count = GetCount();
    switch (T) {
    case ctNone:
        for (int I = 0; I < Count; ++I) {
            TTreeNTNode *Child = FChildren->Get(I);
            Child->FCheckState = csUnchecked;
            Child->SetGlyph(cgNone);
        }
        break;
    case ctCheckBox:
        for (int I = 0; I < Count; ++I) {
            TTreeNTNode *Child = FChildren->Get(I);
            Child->SetGlyph(1 + (Child->FCheckState != csUnchecked ? 1 : 0) + (Child->FEnabled ? 0 : 2));
        }
        break;
    case ctThreeState:
        FCheckState = csUnchecked;
        for (int I = 0; I < Count; ++I) {
            TTreeNTNode *Child = FChildren->Get(I);
            Child->SetGlyph(Child->FEnabled ? cgUnchecked : cgUncheckedDisabled);
        }
        break;
    case ctRadioButton: {
        TTreeNTNode *FirstEnabled = nullptr;
        for (int I = 0; I < Count; ++I) {
            TTreeNTNode *Child = FChildren->Get(I);
            Child->FCheckState = csUnchecked;
            Child->SetGlyph(Child->FEnabled ? cgRadioOff : cgRadioOffDisabled);
            if (!FirstEnabled && Child->FEnabled)
                FirstEnabled = Child;
        }
        if (FirstEnabled) {
            FirstEnabled->FCheckState = csChecked;
            FirstEnabled->SetGlyph(cgRadioOn);
        }
        break;
    }
    default: break;
    }
    FCheckType = T;
}

void TTreeNTNode::SetCheckState(uint8_t S)
{
    TCustomTreeNT *Tree = GetTreeView();
    if (!FEnabled || !FParent)
        return;
    bool Allow = true;
    if (Tree->OnChecking)
        Tree->OnChecking(Tree, this, Allow);
    if (!Allow)
        return;
    bool UpdateParent = false;
    switch (FParent->FCheckType) {
    case ctCheckBox:
        FCheckState = (S == csChecked || S == csPartly) ? csChecked : csUnchecked;
        SetGlyph(FCheckState == csChecked ? cgChecked : cgUnchecked);
        UpdateParent = true;
        break;
    case ctThreeState:
        FCheckState = S;
        SetGlyph(S == csChecked ? cgChecked : S == csPartly ? cgCheckedDisabled : cgUnchecked);
        if ((FCheckType == ctCheckBox || FCheckType == ctThreeState) && (S == csUnchecked || S == csChecked))
            for (int I = 0; I < GetCount(); ++I)
                FChildren->Get(I)->SetCheckState(S);
        UpdateParent = true;
        break;
    case ctRadioButton:
        if (S == csChecked || S == csPartly) {
            FCheckState = csChecked;
            SetGlyph(cgRadioOn);
            for (int I = 0; I < FParent->GetCount(); ++I) {
                TTreeNTNode *Sibling = FParent->FChildren->Get(I);
                if (Sibling == this)
                    continue;
                Sibling->FCheckState = csUnchecked;
                Sibling->SetGlyph(Sibling->FEnabled ? cgRadioOff : cgRadioOffDisabled);
            }
            if (Tree->OnChecked)
                Tree->OnChecked(Tree, this);
            return;
        }
        break;
    default: break;
    }
    if (UpdateParent && FParent != FOwner->GetRoot() && FParent->FParent &&
        FParent->FParent->FCheckType == ctThreeState)
        FParent->UpdateParentCheck();
    if (Tree->OnChecked)
        Tree->OnChecked(Tree, this);
}

void TTreeNTNode::UpdateParentCheck()
{
    TTreeNTNode *const Root = FOwner->GetRoot();
    for (TTreeNTNode *P = this; P && P != Root;) {
        int Checked = 0;
        const int Count = P->GetCount();
        for (int I = 0; I < Count; ++I) {
            const uint8_t State = P->FChildren->Get(I)->FCheckState;
            if (State == csChecked || State == csPartly)
                ++Checked;
        }
        if (Checked == 0) {
            P->FCheckState = csUnchecked;
            P->SetGlyph(cgUnchecked);
        } else if (Checked == Count) {
            P->FCheckState = csChecked;
            P->SetGlyph(cgChecked);
        } else {
            P->FCheckState = csPartly;
            P->SetGlyph(cgCheckedDisabled);
        }
        TTreeNTNode *Up = P->FParent;
        if (!Up || Up == Root || !Up->FParent || Up->FParent->FCheckType != ctThreeState)
            break;
        P = Up;
    }
}

void TTreeNTNode::SetEnabled(bool B)
{
    if (B == FEnabled)
        return;
    FEnabled = B;
    if (!FParent || FParent->FCheckType == ctNone)
        return;
    int32_t Glyph = FStateIndex;
    if (B) {
        switch (Glyph) {
        case cgUncheckedDisabled: Glyph = cgUnchecked; break;
        case cgCheckedDisabled:
            if (FParent->FCheckType == ctCheckBox)
                Glyph = cgChecked;
            break;
        case cgRadioOffDisabled: Glyph = cgRadioOff; break;
        case cgRadioOnDisabled: Glyph = cgRadioOn; break;
        default: break;
        }
    } else {
        switch (Glyph) {
        case cgUnchecked: Glyph = cgUncheckedDisabled; break;
        case cgChecked: Glyph = cgCheckedDisabled; break;
        case cgRadioOff: Glyph = cgRadioOffDisabled; break;
        case cgRadioOn: Glyph = cgRadioOnDisabled; break;
        default: break;
        }
    }
    SetGlyph(Glyph);
}

void TTreeNTNode::ToggleCheck()
{
    if (!FParent)
        return;
    const uint8_t Kind = FParent->FCheckType;
    if (FEnabled) {
        uint8_t State = FCheckState;
        switch (Kind) {
        case ctCheckBox: State = FCheckState == csUnchecked ? csChecked : csUnchecked; break;
        case ctThreeState:
            State = FCheckState == csUnchecked ? csPartly
                    : FCheckState == csPartly  ? csChecked
                    : FCheckState == csChecked ? csUnchecked
                                               : TCheckState(FCheckState);
            break;
        case ctRadioButton: State = csChecked; break;
        default: break;
        }
        SetCheckState(State);
        return;
    }
    // A disabled node only gets its glyph back after the pressed look.
    switch (Kind) {
    case ctCheckBox: SetGlyph(FCheckState != csUnchecked ? cgChecked : cgUnchecked); break;
    case ctThreeState:
        SetGlyph(FCheckState == csUnchecked ? cgUnchecked : FCheckState == csChecked ? cgChecked : cgCheckedDisabled);
        break;
    case ctRadioButton: SetGlyph(FCheckState != csUnchecked ? cgRadioOn : cgRadioOff); break;
    default: break;
    }
}

// ---- sorting ----

bool TTreeNTNode::AlphaSort()
{
    return CustomSort(nullptr, 0);
}

bool TTreeNTNode::CustomSort(const TTreeNodeListCompare &Compare, intptr_t Data)
{
    if (GetCount() < 2)
        return true;
    TCustomTreeNT *Tree = GetTreeView();
    const bool Signal = Tree->BeginStructureChange();
    if (Signal)
        Tree->GetListener()->LayoutChanging(this);
    if (Compare)
        FChildren->Sort(Compare, Data);
    else
        FChildren->Sort([Tree](TTreeNTNode *A, TTreeNTNode *B, intptr_t D) { return Tree->DefaultCompare(A, B, D); },
                        Data);
    FOwner->ClearCache();
    if (Signal)
        Tree->GetListener()->LayoutChanged(this);
    return true;
}

void TTreeNTNode::DeleteChildren()
{
    if (GetCount() == 0)
        return;
    if (FExpanded) {
        FExpanded = false;
        GetTreeView()->ExpandRequest(this, false);
    }
    while (GetCount() > 0)
        FChildren->Last()->Free();
    FHasChildren = false;
    Changed();
}

void TTreeNTNode::Assign(const TTreeNTNode &Source)
{
    SetText(Source.FText);
    SetData(Source.FData);
    SetImageIndex(Source.FImageIndex);
    SetSelectedIndex(Source.FSelectedIndex);
    SetStateIndex(Source.FStateIndex);
    SetCheckType(Source.FCheckType);
    SetCheckState(Source.FCheckState);
    SetEnabled(Source.FEnabled);
    SetOverlayIndex(Source.FOverlayIndex);
    SetExpanded(Source.FExpanded);
    SetIntegralHeight(Source.FIntegralHeight);
    SetHasChildren(Source.FHasChildren);
    SetParentColor(Source.FParentColor);
    if (!Source.FParentColor)
        SetColor(Source.FColor);
    if (!Source.FParentFont && Source.FFont) {
        GetFont().Assign(*Source.FFont);
        FParentFont = false;
    } else {
        FFont.reset();
        FParentFont = true;
    }
    Changed();
}
