#include "controls/CustomTreeNT.h"

#include "platform/GuardedApplication.h"
#include "platform/HtmlHelp.h"
#include "platform/ScopeGuard.h"
#include "platform/Classes.h"
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr uint8_t Signature[5] = {0x0D, 'T', 'N', 'T', 0x0D};
// No timer of the control runs faster than this.
constexpr int MinTimerInterval = 10;

char16_t FoldCase(char16_t C)
{
    if (C < 0x80)
        return (C >= 'A' && C <= 'Z') ? char16_t(C + 32) : C;
    if ((C >= 0xC0 && C <= 0xDE && C != 0xD7) || (C >= 0x391 && C <= 0x3AB) || (C >= 0x410 && C <= 0x42F))
        return char16_t(C + 32);
    if (C >= 0x400 && C <= 0x40F)
        return char16_t(C + 80);
    if (C >= 0x100 && C <= 0x17F && (C & 1) == 0 && C != 0x130 && C != 0x138)
        return char16_t(C + 1);
    return C;
}

int CompareTextInsensitive(const WideString &A, const WideString &B)
{
    const size_t N = std::min(A.size(), B.size());
    for (size_t I = 0; I < N; ++I) {
        const char16_t CA = FoldCase(A[I]);
        const char16_t CB = FoldCase(B[I]);
        if (CA != CB)
            return CA < CB ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

} // namespace

TCustomTreeNT::TCustomTreeNT() : FItems(std::make_unique<TTreeNTNodes>(this))
{
}

TCustomTreeNT::~TCustomTreeNT()
{
    // Nodes die with the control without OnDeletion: nobody is left to be told.
    FDestroying = true;
    FListener = nullptr;
    StopChangeTimer();
    FItems->Clear();
    FItems.reset();
}

std::unique_ptr<TTreeNTNode> TCustomTreeNT::CreateNode()
{
    TTreeNTNodeFactory Factory = [](TTreeNTNodes *Owner) { return std::make_unique<TTreeNTNode>(Owner); };
    if (OnCreateNode)
        OnCreateNode(this, Factory);
    std::unique_ptr<TTreeNTNode> Node = Factory ? Factory(FItems.get()) : nullptr;
    if (!Node || Node->GetOwner() != FItems.get())
        throw ETreeNTError("Unable to insert an item");
    return Node;
}

// ---- change reports ----

void TCustomTreeNT::Change(TTreeNTNode *Node)
{
    if (FChangeDelay <= 0) {
        if (OnChange)
            OnChange(this, Node);
        return;
    }
    StopChangeTimer();
    FChangeNode = Node;
    FChangePending = true;
    if (!FChangeTimer) {
        FChangeTimer = std::make_unique<QTimer>();
        FChangeTimer->setSingleShot(true);
        QObject::connect(FChangeTimer.get(), &QTimer::timeout, GuardedSlot([this] { ChangeTimerFired(); }));
    }
    FChangeTimer->start(std::max(MinTimerInterval, FChangeDelay));
}

void TCustomTreeNT::ChangeTimerFired()
{
    if (!FChangePending)
        return;
    if (FChangeTimer)
        FChangeTimer->stop();
    FChangePending = false;
    TTreeNTNode *Node = FChangeNode;
    FChangeNode = nullptr;
    if (OnChange)
        OnChange(this, Node);
}

void TCustomTreeNT::StopChangeTimer()
{
    if (FChangeTimer)
        FChangeTimer->stop();
    FChangePending = false;
    FChangeNode = nullptr;
}

void TCustomTreeNT::ScrollAt(int, int)
{
}

// ---- notifications towards the view ----

bool TCustomTreeNT::BeginStructureChange()
{
    // While Clear runs, the listener is inside a reset already.
    if (!FListener || FItems->IsClearing())
        return false;
    if (FItems->IsUpdating()) {
        if (!FResetPending) {
            FResetPending = true;
            FListener->ResetBegin();
        }
        return false;
    }
    return true;
}

void TCustomTreeNT::EndUpdateBatch()
{
    if (!FListener) {
        FResetPending = FRepaintPending = false;
        return;
    }
    if (FResetPending) {
        FResetPending = false;
        FRepaintPending = false;
        FListener->ResetEnd();
    } else if (FRepaintPending) {
        FRepaintPending = false;
        FListener->NodeChanged(nullptr);
    }
    FListener->RedrawSwitch(true);
}

void TCustomTreeNT::NodeChanged(TTreeNTNode *Node)
{
    if (!FListener || (Node && !Node->IsInTree()) || FItems->IsClearing())
        return;
    if (FItems->IsUpdating()) {
        FRepaintPending = true;
        return;
    }
    FListener->NodeChanged(Node);
}

void TCustomTreeNT::ExpandRequest(TTreeNTNode *Node, bool Expand)
{
    if (FListener && !FResetPending && !FItems->IsClearing() && Node->IsInTree())
        FListener->ExpandRequest(Node, Expand);
}

void TCustomTreeNT::NodeDeleted(TTreeNTNode *Node)
{
    // The view puts its current row back on the caret once the rows are gone.
    if (FSelected == Node)
        FSelected = nullptr;
    if (FRightClickNode == Node)
        FRightClickNode = nullptr;
    if (FDropTarget == Node)
        FDropTarget = nullptr;
    if (FAnchor == Node)
        FAnchor = nullptr;
    if (FChangeNode == Node)
        FChangeNode = nullptr;
    for (TTreeNTNode *&Watched : FWatched)
        if (Watched == Node)
            Watched = nullptr;
}

void TCustomTreeNT::BranchCollapsed(TTreeNTNode *Node)
{
    if (FSelected && FSelected->HasAsParent(Node))
        MoveCaret(Node, false);
}

void TCustomTreeNT::RestoreCaret(TTreeNTNode *Node)
{
    FSelected = Node;
    if (FListener && !FResetPending)
        FListener->CaretChanged(Node);
}

// ---- properties ----

void TCustomTreeNT::SetOptions(TTreeOptions Value)
{
    if (Value & toFullRowSelect)
        Value &= ~TTreeOptions(toShowLines);
    if (Value == FOptions)
        return;
    const bool MultiOff = (FOptions & toMultiSelect) && !(Value & toMultiSelect);
    FOptions = Value;
    if (MultiOff)
        ClearSelection();
    NodeChanged(nullptr);
}

void TCustomTreeNT::SetSortType(TSortType Value)
{
    if (FSortType == Value)
        return;
    FSortType = Value;
    if (Value != stNone)
        AlphaSort();
}

void TCustomTreeNT::SetChangeDelay(int Value)
{
    FChangeDelay = std::max(0, Value);
}

void TCustomTreeNT::SetScrollTime(int Value)
{
    if (Value == FScrollTime)
        return;
    FScrollTime = std::max(100, Value);
}

void TCustomTreeNT::SetColor(TColor Value)
{
    if (FColor != Value) {
        FColor = Value;
        NodeChanged(nullptr);
    }
}

void TCustomTreeNT::SetColorSelected(TColor Value)
{
    if (FColorSelected != Value) {
        FColorSelected = Value;
        NodeChanged(nullptr);
    }
}

void TCustomTreeNT::SetColorUnfocusedSelected(TColor Value)
{
    if (FColorUnfocusedSelected != Value) {
        FColorUnfocusedSelected = Value;
        NodeChanged(nullptr);
    }
}

void TCustomTreeNT::SetColorDropSelected(TColor Value)
{
    if (FColorDropSelected != Value) {
        FColorDropSelected = Value;
        NodeChanged(nullptr);
    }
}

// ---- sorting and expanding ----

int TCustomTreeNT::DefaultCompare(TTreeNTNode *Node1, TTreeNTNode *Node2, intptr_t Data)
{
    if (OnCompare) {
        int Result = 0;
        OnCompare(this, Node1, Node2, Data, Result);
        return Result;
    }
    // Data values compare as signed numbers of pointer width (no overflowing difference).
    auto CompareData = [&] {
        const intptr_t A = reinterpret_cast<intptr_t>(Node1->GetData());
        const intptr_t B = reinterpret_cast<intptr_t>(Node2->GetData());
        return A < B ? -1 : (A > B ? 1 : 0);
    };
    switch (FSortType) {
    case stData: return CompareData();
    case stBoth: {
        const int Result = CompareTextInsensitive(Node1->GetText(), Node2->GetText());
        return Result != 0 ? Result : CompareData();
    }
    default: return CompareTextInsensitive(Node1->GetText(), Node2->GetText());
    }
}

bool TCustomTreeNT::AlphaSort()
{
    return CustomSort(nullptr, 0);
}

bool TCustomTreeNT::CustomSort(const TTreeNodeListCompare &Compare, intptr_t Data)
{
    TTreeNTNode *Root = FItems->GetRoot();
    if (Root->GetCount() == 0)
        return true;
    const bool Signal = BeginStructureChange();
    if (Signal)
        FListener->LayoutChanging(nullptr);
    // The per-parent sorts below must not report layout changes of their own.
    TTreeNTListener *Listener = FListener;
    FListener = nullptr;
    TScopeGuard Finish([&] {
        FListener = Listener;
        FItems->ClearCache();
        if (Signal)
            FListener->LayoutChanged(nullptr);
    });
    Root->CustomSort(Compare, Data);
    std::vector<TTreeNTNode *> Parents;
    for (TTreeNTNode *Node : FItems->FlatOrder())
        if (Node->GetCount() > 1)
            Parents.push_back(Node);
    for (TTreeNTNode *Node : Parents)
        Node->CustomSort(Compare, Data);
    return true;
}

void TCustomTreeNT::FullExpand()
{
    TTreeNTNode *Root = FItems->GetRoot();
    for (int I = 0; I < Root->GetCount(); ++I)
        Root->GetItem(I)->Expand(true);
}

void TCustomTreeNT::FullCollapse()
{
    TTreeNTNode *Root = FItems->GetRoot();
    for (int I = 0; I < Root->GetCount(); ++I)
        Root->GetItem(I)->Collapse(true);
}

bool TCustomTreeNT::Expanding(TTreeNTNode *Node, bool Expand)
{
    if (IsExpandingByCode() || !Node)
        return true;
    bool Allow = true;
    if (Expand && OnExpanding)
        OnExpanding(this, Node, Allow);
    else if (!Expand && OnCollapsing)
        OnCollapsing(this, Node, Allow);
    return Allow;
}

void TCustomTreeNT::Expanded(TTreeNTNode *Node, bool Expand)
{
    if (IsExpandingByCode() || !Node)
        return;
    Node->FExpanded = Expand;
    if (Expand)
        Node->FExpandedOnce = true;
    if (Expand && OnExpanded)
        OnExpanded(this, Node);
    else if (!Expand && OnCollapsed)
        OnCollapsed(this, Node);
}

// ---- caret and selection ----

TTreeNTNode *TCustomTreeNT::GetSelected() const
{
    if (HasOption(toRightClickSelect) && FRightClickNode)
        return FRightClickNode;
    return FSelected;
}

void TCustomTreeNT::SetSelected(TTreeNTNode *Node)
{
    MoveCaret(Node, true);
}

bool TCustomTreeNT::MakeVisible(TTreeNTNode *Node)
{
    if (!Node || Node->GetOwner() != FItems.get() || !Node->IsInTree())
        return false;
    // The ancestors are looked up afresh after each expansion: handlers may rebuild branches.
    const size_t Slot = FWatched.size();
    FWatched.push_back(Node);
    TScopeGuard Unwatch([this] { FWatched.pop_back(); });
    for (;;) {
        TTreeNTNode *Top = nullptr;
        for (TTreeNTNode *P = Node->GetParent(); P; P = P->GetParent())
            if (!P->GetExpanded())
                Top = P;
        if (!Top)
            return true;
        Top->Expand(false);
        if (FWatched[Slot] != Node || !Top->GetExpanded())
            return false;
    }
}

void TCustomTreeNT::MoveCaret(TTreeNTNode *Node, bool Show)
{
    if (Node == FSelected || (Node && Node->GetOwner() != FItems.get()))
        return;
    if (!SelectionChanging(Node))
        return;
    if (Node && Show && !Node->IsVisible()) {
        const size_t Slot = FWatched.size();
        FWatched.push_back(Node);
        TScopeGuard Unwatch([this] { FWatched.pop_back(); });
        MakeVisible(Node);
        // A handler of the expansion may have deleted the node or moved the caret there.
        if (FWatched[Slot] != Node || Node == FSelected)
            return;
    }
    TTreeNTNode *Old = FSelected;
    FSelected = Node;
    if (FListener && !FResetPending)
        FListener->CaretChanged(Node);
    SelectionChanged(Old, Node);
}

bool TCustomTreeNT::SelectionChanging(TTreeNTNode *NewNode)
{
    bool Allow = true;
    if (OnChanging)
        OnChanging(this, NewNode, Allow);
    return Allow;
}

void TCustomTreeNT::SelectionChanged(TTreeNTNode *OldNode, TTreeNTNode *NewNode)
{
    if (OldNode) {
        FItems->RemoveFromSelection(OldNode);
        if (OldNode->FStateSelected) {
            OldNode->FStateSelected = false;
            NodeChanged(OldNode);
        }
    }
    if (NewNode) {
        FItems->AddToSelection(NewNode);
        if (!NewNode->FStateSelected) {
            NewNode->FStateSelected = true;
            NodeChanged(NewNode);
        }
    }
    if (!FItems->InRangeOp())
        FItems->SetSelectionLevel(NewNode ? NewNode->GetLevel() : -1);
    Change(NewNode);
}

void TCustomTreeNT::SetDropTarget(TTreeNTNode *Node)
{
    if (FDropTarget == Node)
        return;
    TTreeNTNode *Old = FDropTarget;
    FDropTarget = Node;
    if (Old)
        NodeChanged(Old);
    if (Node)
        NodeChanged(Node);
}

void TCustomTreeNT::ClearSelection()
{
    if (FItems->GetSelectedCount() == 0)
        return;
    FItems->LockSelection();
    TScopeGuard Unlock([this] { FItems->UnlockSelection(); });
    {
        FItems->SetInRangeOp(true);
        TScopeGuard RangeOp([this] { FItems->SetInRangeOp(false); });
        std::vector<TTreeNTNode *> Selected(FItems->GetSelectionList().begin(), FItems->GetSelectionList().end());
        for (TTreeNTNode *Node : Selected)
            FItems->Select(Node, 1);
        FItems->ClearSelectionList();
    }
    Change(nullptr);
}

void TCustomTreeNT::ClickSelect(TTreeNTNode *Node, bool Shift, bool Ctrl)
{
    const bool Plain = !Shift && !Ctrl;
    TTreeNTNode *Old = GetSelected();
    const bool OldWasSelected = Old && Old->GetSelected();
    const bool NodeWasSelected = Node && Node->GetSelected();
    const bool Multi = HasOption(toMultiSelect);
    if (Multi && (!Node || (!NodeWasSelected && Plain)))
        ClearSelection();
    {
        if (!Plain)
            FItems->SetInRangeOp(true);
        TScopeGuard RangeOp([this] { FItems->SetInRangeOp(false); });
        // The button itself moves the caret to the node.
        if (Node)
            SetSelected(Node);
        if (Multi && Node && HasOption(toLevelSelectConstraint))
            FItems->Select(Node, 1);
    }
    if (!Multi || !Node)
        return;
    if (Ctrl && Shift) {
        FItems->SelectRange(Old, Node, true);
    } else if (Ctrl) {
        if (Old && Old != Node)
            FItems->Select(Old, OldWasSelected ? 0 : 1);
        FItems->Select(Node, NodeWasSelected ? 1 : 0);
    } else if (Shift) {
        FItems->SelectRange(FAnchor ? FAnchor : Node, Node, false);
    } else {
        ClearSelection();
        FItems->SetSelectionLevel(-1);
        FItems->Select(Node, 0);
        FAnchor = Node;
        FItems->SetSelectionLevel(Node->GetLevel());
    }
    NodeChanged(Node);
}

TTreeNTNode *TCustomTreeNT::MoveCaretByKey(int Key)
{
    TTreeNTNode *Caret = FSelected;
    TTreeNTNode *Target = Caret;
    auto FirstVisible = [&] { return FItems->GetFirstNode(); };
    auto LastVisible = [&] {
        TTreeNTNode *Node = FItems->GetRoot()->GetLastChild();
        while (Node && Node->GetExpanded() && Node->GetCount() > 0)
            Node = Node->GetLastChild();
        return Node;
    };
    switch (Key) {
    case tkUp: Target = Caret ? Caret->GetPrevVisible() : FirstVisible(); break;
    case tkDown: Target = Caret ? Caret->GetNextVisible() : FirstVisible(); break;
    case tkHome: Target = FirstVisible(); break;
    case tkEnd: Target = LastVisible(); break;
    case tkPrior:
    case tkNext: {
        if (!Caret) {
            Target = FirstVisible();
            break;
        }
        for (int I = 0; I < PageRows(); ++I) {
            TTreeNTNode *Step = Key == tkPrior ? Target->GetPrevVisible() : Target->GetNextVisible();
            if (!Step)
                break;
            Target = Step;
        }
        break;
    }
    default: return Caret;
    }
    if (Target)
        SetSelected(Target);
    return FSelected;
}

namespace {

bool HasKids(const TTreeNTNode *Node)
{
    return Node->GetCount() > 0 || Node->GetHasChildren();
}

int64_t SteadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool StartsWithText(const WideString &Text, const WideString &Prefix)
{
    if (Prefix.size() > Text.size())
        return false;
    for (size_t I = 0; I < Prefix.size(); ++I)
        if (FoldCase(Text[I]) != FoldCase(Prefix[I]))
            return false;
    return true;
}

} // namespace

bool TCustomTreeNT::TreeKey(int Key, char16_t Char)
{
    TTreeNTNode *Caret = FSelected;
    switch (Key) {
    case tkUp:
    case tkDown:
    case tkPrior:
    case tkNext:
    case tkHome:
    case tkEnd: MoveCaretByKey(Key); return true;
    case tkLeft:
        if (Caret && Caret->GetExpanded() && HasKids(Caret)) {
            Caret->Collapse(false);
            UserExpanded(Caret, false);
        } else if (Caret && Caret->GetParent())
            SetSelected(Caret->GetParent());
        return true;
    case tkBack:
        if (Caret && Caret->GetParent())
            SetSelected(Caret->GetParent());
        return true;
    case tkRight:
        if (Caret && !Caret->GetExpanded()) {
            Caret->Expand(false);
            UserExpanded(Caret, true);
        } else if (Caret && Caret->GetCount() > 0)
            SetSelected(Caret->GetFirstChild());
        return true;
    case tkAdd:
    case tkSubtract:
        if (Caret) {
            Caret->SetExpanded(Key == tkAdd);
            UserExpanded(Caret, Key == tkAdd);
        }
        return true;
    case tkMultiply:
        if (Caret)
            Caret->Expand(true);
        return true;
    default: break;
    }
    if (Char >= 0x20 && Char != 0x7F)
        return IncrementalSearch(Char);
    return false;
}

WideString TCustomTreeNT::GetSearchString() const
{
    const int64_t Now = FSearchClock ? FSearchClock() : SteadyMilliseconds();
    return Now - FSearchTick > TreeSearchTimeout ? WideString() : FSearchString;
}

// The caret goes to the next visible node whose text starts with what was typed, the caret's
// own node first once the text is longer than one character; typing one character again and
// again steps through the nodes starting with it. Nothing found leaves the caret.
bool TCustomTreeNT::IncrementalSearch(char16_t C)
{
    const int64_t Now = FSearchClock ? FSearchClock() : SteadyMilliseconds();
    if (Now - FSearchTick > TreeSearchTimeout)
        FSearchString.clear();
    FSearchTick = Now;
    FSearchString += C;
    const bool Repeated = FSearchString.find_first_not_of(FSearchString[0]) == WideString::npos;
    const WideString Prefix = Repeated ? FSearchString.substr(0, 1) : FSearchString;
    TTreeNTNode *First = FItems->GetFirstNode();
    if (!First)
        return true;
    TTreeNTNode *Caret = FSelected && FSelected->IsVisible() ? FSelected : nullptr;
    TTreeNTNode *Node = First;
    if (Caret && !Repeated)
        Node = Caret;
    else if (Caret && Caret->GetNextVisible())
        Node = Caret->GetNextVisible();
    for (int Left = FItems->GetCount(); Left > 0; --Left) {
        if (StartsWithText(Node->GetText(), Prefix)) {
            SetSelected(Node);
            return true;
        }
        Node = Node->GetNextVisible() ? Node->GetNextVisible() : First;
    }
    return true;
}

bool TCustomTreeNT::HelpRequest()
{
    if (!OnGetHelpContext)
        return false;
    int Context = 0;
    for (TTreeNTNode *Node = GetSelected(); Node && Context == 0; Node = Node->GetParent())
        OnGetHelpContext(this, Node, Context);
    if (Context == 0)
        Context = ControlHelpContext();
    if (Context != 0) {
        if (OnHelp)
            OnHelp(Context);
        else
            ApplicationHelpContext(Context);
    }
    return true;
}

bool TCustomTreeNT::KeyDown(int Key, bool Shift, bool Ctrl, char16_t Char)
{
    TTreeNTNode *Selected = GetSelected();
    if (Key == tkReturn && HasOption(toWantReturn)) {
        TTreeNTNode *Next = Selected ? Selected->GetNext() : FItems->GetFirstNode();
        if (Next) {
            ClearSelection();
            SetSelected(Next);
        }
        return true;
    }
    // Space toggles the check mark; without multi-selection only where there is one.
    if (Key == tkSpace && !Ctrl && Selected &&
        (HasOption(toMultiSelect) ||
         (Selected->GetParent() ? Selected->GetParent()->GetCheckType() : FItems->GetRootCheckType()) != ctNone)) {
        Selected->ToggleCheck();
        return true;
    }
    if (Key == tkF1) {
        HelpRequest();
        return true;
    }
    if (!HasOption(toMultiSelect)) {
        FAnchor = Selected;
        return TreeKey(Key, Ctrl ? 0 : Char);
    }
    if (Ctrl || !Selected)
        return TreeKey(Key, Ctrl ? 0 : Char);
    const bool ShiftOnly = Shift && !Ctrl;
    switch (Key) {
    case tkUp:
    case tkDown: {
        TTreeNTNode *Next = Key == tkUp ? Selected->GetPrevVisible() : Selected->GetNextVisible();
        if (ShiftOnly) {
            if (!FAnchor) {
                FAnchor = Next;
                ClearSelection();
            }
            const bool NextWasSelected = Next && Next->GetSelected();
            MoveCaretByKey(Key);
            if (!NextWasSelected)
                FItems->Select(Selected, 0);
        } else {
            if (Next)
                ClearSelection();
            MoveCaretByKey(Key);
            FAnchor = GetSelected();
        }
        return true;
    }
    case tkPrior:
    case tkNext:
    case tkEnd:
    case tkHome: {
        if (ShiftOnly) {
            if (!FAnchor) {
                FAnchor = Selected;
                ClearSelection();
            }
            MoveCaretByKey(Key);
            const int Before = FItems->GetSelectedCount();
            FItems->ToggleRange(Selected, GetSelected());
            if (FItems->GetSelectedCount() > Before)
                FItems->Select(Selected, 0);
        } else {
            if (FItems->GetSelectedCount() > 1)
                ClearSelection();
            MoveCaretByKey(Key);
            FAnchor = GetSelected();
        }
        return true;
    }
    default:
        if (Key <= 48)
            return TreeKey(Key, Char);
        ClearSelection();
        const bool Used = TreeKey(Key, Char);
        FAnchor = Selected;
        return Used;
    }
}

// ---- saving and loading ----

void TCustomTreeNT::SaveToStream(TStream &Stream, bool Binary)
{
    if (Binary) {
        Stream.WriteBuffer(Signature, sizeof Signature);
        FItems->WriteData(Stream);
    } else {
        FItems->WriteText(Stream);
    }
}

void TCustomTreeNT::LoadFromStream(TStream &Stream)
{
    const int64_t Start = Stream.GetPosition();
    uint8_t Head[sizeof Signature] = {};
    const bool HasHead = Stream.GetSize() - Start >= int64_t(sizeof Signature);
    if (HasHead)
        Stream.ReadBuffer(Head, sizeof Head);
    FItems->BeginUpdate();
    TScopeGuard End([this] { FItems->EndUpdate(); });
    FItems->Clear();
    if (HasHead && std::memcmp(Head, Signature, sizeof Signature) == 0) {
        FItems->ReadData(Stream);
    } else {
        Stream.SetPosition(Start);
        FItems->ReadText(Stream);
    }
}
