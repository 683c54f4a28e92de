#pragma once
// The tree control without its widget: options, sorting, events, the caret and multi-selection
// logic of clicks and keys, the change delay, saving and loading. TTreeNT (TreeNT.h) puts a
// QTreeView on top of it; headless users (the script checker, tests) use this class alone.
#include "controls/TreeNTNodes.h"
#include <functional>
#include <memory>
#include <vector>

class QTimer;

enum TSortType { stNone, stData, stText, stBoth };

// Option bits (bit n = option n).
enum TTreeOption : uint32_t {
    toAutoExpand = 1u << 0,
    toAutoScroll = 1u << 1,
    toCheckSupport = 1u << 2,
    toNoEraseBkgnd = 1u << 3,
    toEvenHeight = 1u << 4,
    toFullRowSelect = 1u << 5,
    toHideSelection = 1u << 6,
    toHotTrack = 1u << 7,
    toInfoTip = 1u << 8,
    toLevelSelectConstraint = 1u << 9,
    toMultiSelect = 1u << 10,
    toNoScroll = 1u << 11,
    toReadOnly = 1u << 12,
    toRightClickSelect = 1u << 13,
    toToolTips = 1u << 14,
    toShowButtons = 1u << 15,
    toShowLines = 1u << 16,
    toShowRoot = 1u << 17,
    toSingleExpand = 1u << 18,
    toWantReturn = 1u << 19,
};
using TTreeOptions = uint32_t;
constexpr TTreeOptions DefaultTreeOptions = toAutoExpand | toAutoScroll | toEvenHeight | toHideSelection |
                                            toRightClickSelect | toShowButtons | toShowLines | toShowRoot;

// Virtual key codes the key handling looks at.
enum : int {
    tkBack = 0x08,
    tkReturn = 0x0D,
    tkSpace = 0x20,
    tkPrior = 0x21,
    tkNext = 0x22,
    tkEnd = 0x23,
    tkHome = 0x24,
    tkLeft = 0x25,
    tkUp = 0x26,
    tkRight = 0x27,
    tkDown = 0x28,
    tkMultiply = 0x6A,
    tkAdd = 0x6B,
    tkSubtract = 0x6D,
    tkF1 = 0x70,
};

// Typed characters within this many milliseconds of each other extend the incremental search
// text; after a longer pause the next character starts a new search.
constexpr int TreeSearchTimeout = 1000;

// What the core tells the widget showing it. Structural calls come in pairs around the
// change; inside an update bracket they are folded into one reset.
class TTreeNTListener {
public:
    virtual ~TTreeNTListener() = default;
    // Parent is the hidden root for top-level rows.
    virtual void RowsInserting(TTreeNTNode *Parent, int Row) = 0;
    virtual void RowsInserted() = 0;
    virtual void RowRemoving(TTreeNTNode *Node) = 0;
    virtual void RowRemoved() = 0;
    // Parent none: the whole tree may be reordered.
    virtual void LayoutChanging(TTreeNTNode *Parent) = 0;
    virtual void LayoutChanged(TTreeNTNode *Parent) = 0;
    virtual void ResetBegin() = 0;
    virtual void ResetEnd() = 0;
    virtual void NodeChanged(TTreeNTNode *Node) = 0;
    virtual void ExpandRequest(TTreeNTNode *Node, bool Expand) = 0;
    virtual void CaretChanged(TTreeNTNode *Node) = 0;
    virtual void RedrawSwitch(bool On) = 0;
};

using TTreeNTNodeFactory = std::function<std::unique_ptr<TTreeNTNode>(TTreeNTNodes *)>;

class TCustomTreeNT {
public:
    TCustomTreeNT();
    virtual ~TCustomTreeNT();
    TCustomTreeNT(const TCustomTreeNT &) = delete;
    TCustomTreeNT &operator=(const TCustomTreeNT &) = delete;

    TTreeNTNodes &Items() { return *FItems; }
    const TTreeNTNodes &Items() const { return *FItems; }
    void SetItems(TTreeNTNodes &Source) { FItems->Assign(Source); }

    virtual std::unique_ptr<TTreeNTNode> CreateNode();
    virtual void Change(TTreeNTNode *Node);
    virtual void ScrollAt(int X, int Y);
    // Where the view shows a node; zero without a view.
    virtual TNodeRect NodeDisplayRect(const TTreeNTNode *, bool) const { return {}; }

    TTreeOptions GetOptions() const { return FOptions; }
    bool HasOption(TTreeOption O) const { return (FOptions & O) != 0; }
    virtual void SetOptions(TTreeOptions Value);
    TSortType GetSortType() const { return FSortType; }
    void SetSortType(TSortType Value);
    int GetChangeDelay() const { return FChangeDelay; }
    void SetChangeDelay(int Value);
    int GetScrollTime() const { return FScrollTime; }
    void SetScrollTime(int Value);

    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value);
    TColor GetColorSelected() const { return FColorSelected; }
    void SetColorSelected(TColor Value);
    TColor GetColorUnfocusedSelected() const { return FColorUnfocusedSelected; }
    void SetColorUnfocusedSelected(TColor Value);
    TColor GetColorDropSelected() const { return FColorDropSelected; }
    void SetColorDropSelected(TColor Value);
    TNodeFont &GetFont() { return FFont; }

    bool AlphaSort();
    bool CustomSort(const TTreeNodeListCompare &Compare, intptr_t Data);
    // The comparison used by node sorting when none is given.
    int DefaultCompare(TTreeNTNode *Node1, TTreeNTNode *Node2, intptr_t Data);
    void FullExpand();
    void FullCollapse();

    // The caret (the tree's "selected node").
    TTreeNTNode *GetSelected() const;
    void SetSelected(TTreeNTNode *Node);
    TTreeNTNode *GetRightClickNode() const { return FRightClickNode; }
    void SetRightClickNode(TTreeNTNode *Node) { FRightClickNode = Node; }
    TTreeNTNode *GetDropTarget() const { return FDropTarget; }
    void SetDropTarget(TTreeNTNode *Node);
    TTreeNTNode *GetAnchor() const { return FAnchor; }
    void SetAnchor(TTreeNTNode *Node) { FAnchor = Node; }
    void ClearSelection();

    // Saving and loading: binary form with its signature, or indented text.
    void SaveToStream(TStream &Stream, bool Binary);
    void LoadFromStream(TStream &Stream);

    // Input logic shared by the widget and headless tests.
    // Left button on a node's row (not on the state glyph); Node may be none.
    void ClickSelect(TTreeNTNode *Node, bool Shift, bool Ctrl);
    // A key with the modifiers and the character it types (0 for none); returns true when the
    // key was consumed.
    bool KeyDown(int Key, bool Shift, bool Ctrl, char16_t Char = 0);
    // Moves the caret the way the view would for a navigation key; returns the new caret.
    virtual TTreeNTNode *MoveCaretByKey(int Key);
    // What the tree does with a key nothing else took: caret moves, expanding and collapsing
    // (Left, Right, Backspace, "+", "-", "*") and the incremental search by typed characters.
    // Returns true when the key meant something to the tree.
    bool TreeKey(int Key, char16_t Char);
    // Node was expanded or collapsed by the user (a key, its button, a double click), not by
    // the program: the view applies its single-expand rule.
    virtual void UserExpanded(TTreeNTNode *, bool) {}

    // Incremental search: the text typed so far (empty after a pause of TreeSearchTimeout).
    WideString GetSearchString() const;
    // The clock of the incremental search, in milliseconds (tests set their own).
    void SetSearchClock(std::function<int64_t()> Clock) { FSearchClock = std::move(Clock); }
    // Expands the collapsed ancestors of Node, top down, through their Expand; true when Node
    // is visible afterwards (an OnExpanding handler may refuse).
    bool MakeVisible(TTreeNTNode *Node);
    // Number of rows a page key moves over.
    virtual int PageRows() const { return 10; }

    // What the view reports (selection, expansion, deletion, editing).
    bool SelectionChanging(TTreeNTNode *NewNode);
    void SelectionChanged(TTreeNTNode *OldNode, TTreeNTNode *NewNode);
    bool Expanding(TTreeNTNode *Node, bool Expand);
    void Expanded(TTreeNTNode *Node, bool Expand);
    bool IsExpandingByCode() const { return FExpandingByCode > 0; }
    void ChangeTimerFired();
    bool IsChangePending() const { return FChangePending; }

    void SetListener(TTreeNTListener *Listener) { FListener = Listener; }
    TTreeNTListener *GetListener() const { return FListener; }

    // Events.
    std::function<void(TCustomTreeNT *, TTreeNTNode *, bool &)> OnChanging;
    std::function<void(TCustomTreeNT *, TTreeNTNode *)> OnChange;
    std::function<void(TCustomTreeNT *, TTreeNTNode *, bool &)> OnExpanding;
    std::function<void(TCustomTreeNT *, TTreeNTNode *, bool &)> OnCollapsing;
    std::function<void(TCustomTreeNT *, TTreeNTNode *)> OnExpanded;
    std::function<void(TCustomTreeNT *, TTreeNTNode *)> OnCollapsed;
    std::function<void(TCustomTreeNT *, TTreeNTNode *)> OnDeletion;
    std::function<void(TCustomTreeNT *, TTreeNTNode *)> OnGetImageIndex;
    std::function<void(TCustomTreeNT *, TTreeNTNode *)> OnGetSelectedIndex;
    std::function<void(TCustomTreeNT *, TTreeNTNode *, bool &)> OnChecking;
    std::function<void(TCustomTreeNT *, TTreeNTNode *)> OnChecked;
    std::function<void(TCustomTreeNT *, TTreeNTNode *, TTreeNTNode *, intptr_t, int &)> OnCompare;
    std::function<void(TCustomTreeNT *, TTreeNTNodeFactory &)> OnCreateNode;
    // Text form: a line deeper than one level below its predecessor.
    std::function<void(TCustomTreeNT *, int Line, bool &RaiseError)> OnLevelError;
    std::function<void(TCustomTreeNT *, TTreeNTNode *, int &)> OnGetHelpContext;
    // Opens the help at a context (F1 with OnGetHelpContext); unset: the application's help.
    std::function<void(int)> OnHelp;
    // F1: with OnGetHelpContext, the context of the caret node or its nearest ancestor that has
    // one, else the control's own (ControlHelpContext), opens the help. False without the event.
    bool HelpRequest();
    // The control's help context (its window's or its parents'); none without a window.
    virtual int ControlHelpContext() const { return 0; }

    // Internal hooks of the node core.
    void NodeChanged(TTreeNTNode *Node);
    void ExpandRequest(TTreeNTNode *Node, bool Expand);
    // A node leaves the tree; views forget what they hold of it.
    virtual void NodeDeleted(TTreeNTNode *Node);
    bool BeginStructureChange();
    void EndUpdateBatch();
    void BeginExpandingByCode() { ++FExpandingByCode; }
    void EndExpandingByCode() { --FExpandingByCode; }
    void StopChangeTimer();
    bool IsDestroying() const { return FDestroying; }
    // Puts the caret on Node without events (snapshot restore).
    void RestoreCaret(TTreeNTNode *Node);
    // Node was collapsed: a caret inside its branch moves to it.
    void BranchCollapsed(TTreeNTNode *Node);
    // The caret moves to Node (OnChanging may refuse), showing it first when Show is set.
    void MoveCaret(TTreeNTNode *Node, bool Show);
    bool IncrementalSearch(char16_t C);

private:
    std::unique_ptr<TTreeNTNodes> FItems;
    TTreeNTListener *FListener = nullptr;
    TTreeOptions FOptions = DefaultTreeOptions;
    TSortType FSortType = stNone;
    int FChangeDelay = 0;
    int FScrollTime = 0;
    TColor FColor = clWindow;
    TColor FColorSelected = clHighlight;
    TColor FColorUnfocusedSelected = cl3DLight;
    TColor FColorDropSelected = clBtnFace;
    TNodeFont FFont;
    TTreeNTNode *FSelected = nullptr;
    TTreeNTNode *FRightClickNode = nullptr;
    TTreeNTNode *FDropTarget = nullptr;
    TTreeNTNode *FAnchor = nullptr;
    TTreeNTNode *FChangeNode = nullptr;
    // Nodes an operation still works towards while handlers run; a deleted one becomes none.
    std::vector<TTreeNTNode *> FWatched;
    WideString FSearchString;
    int64_t FSearchTick = 0;
    std::function<int64_t()> FSearchClock;
    bool FChangePending = false;
    std::unique_ptr<QTimer> FChangeTimer;
    int FExpandingByCode = 0;
    bool FResetPending = false;
    bool FRepaintPending = false;
    bool FDestroying = false;
};
