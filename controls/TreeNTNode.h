#pragma once
// One node of the tree control: caption, caller's data pointer, image indexes, own colour
// and font, check mark and the ordered list of children. No widget code: the node core is
// used headless by the script checker and drawn by the view through TTreeNTModel.
#include "controls/TreeNodeList.h"
#include "platform/Graphics.h"
#include "platform/Types.h"
#include <functional>
#include <memory>
#include <vector>

class TStream;
class TTreeNTNodes;
class TCustomTreeNT;

// A node's own font (and the control's font): height in pixels (negative: character
// height), pitch 0 default / 1 variable / 2 fixed, style bits 1 bold 2 italic 4 underline
// 8 strike-out. Every change runs OnChange.
class TNodeFont {
public:
    enum : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

    int32_t GetHeight() const { return FHeight; }
    const WideString &GetName() const { return FName; }
    uint8_t GetPitch() const { return FPitch; }
    uint8_t GetStyle() const { return FStyle; }
    TColor GetColor() const { return FColor; }
    void SetHeight(int32_t Value);
    void SetName(const WideString &Value);
    void SetPitch(uint8_t Value);
    void SetStyle(uint8_t Value);
    void SetColor(TColor Value);
    // Copies the five attributes; runs OnChange once when anything differed.
    void Assign(const TNodeFont &Source);
    bool SameAs(const TNodeFont &Other) const;

    std::function<void()> OnChange;

private:
    void Changed();

    int32_t FHeight = 0; // 0: the default size
    WideString FName;
    uint8_t FPitch = 0;
    uint8_t FStyle = 0;
    TColor FColor = clWindowText;
};

// A rectangle in the view's client coordinates (all zero when the node is not shown).
struct TNodeRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TNodeRect &) const = default;
};

// Check glyph numbers (state image indexes).
enum TCheckGlyph : int32_t {
    cgNone = 0,
    cgUnchecked = 1,
    cgChecked = 2,
    cgUncheckedDisabled = 3,
    cgCheckedDisabled = 4,
    cgRadioOff = 5,
    cgRadioOn = 6,
    cgRadioOffDisabled = 7,
    cgRadioOnDisabled = 8,
};

// Check kinds of a node's children.
enum TCheckType : uint8_t { ctNone = 0, ctCheckBox = 1, ctThreeState = 2, ctRadioButton = 3 };
// Check states.
enum TCheckState : uint8_t { csUnchecked = 0, csChecked = 1, csPartly = 3 };

// Item state bits asked through GetItemState.
enum TNodeItemState {
    isCut = 1,
    isDropHilited = 3,
    isExpanded = 4,
    isExpandedOnce = 5,
    isExpandPartial = 6,
    isFocused = 7,
    isSelected = 12
};

class TTreeNTNode {
public:
    explicit TTreeNTNode(TTreeNTNodes *AOwner);
    virtual ~TTreeNTNode();
    TTreeNTNode(const TTreeNTNode &) = delete;
    TTreeNTNode &operator=(const TTreeNTNode &) = delete;

    // Copies the node's own attributes (not its children) from Source.
    virtual void Assign(const TTreeNTNode &Source);

    // Destroys the node (and its subtree) unless it is already being destroyed.
    void Free();

    TTreeNTNodes *GetOwner() const { return FOwner; }
    TCustomTreeNT *GetTreeView() const;

    const WideString &GetText() const { return FText; }
    void SetText(const WideString &S);
    void SetText(const AnsiString &S);
    void *GetData() const { return FData; }
    void SetData(void *Value);

    // The parent, or none for a top-level node.
    TTreeNTNode *GetParent() const;
    TTreeNTNode *GetLastChild() const { return FChildren ? FChildren->Last() : nullptr; }
    TTreeNTNode *GetFirstChild() const { return FChildren ? FChildren->First() : nullptr; }
    int GetCount() const { return FChildren ? FChildren->Count() : 0; }
    TTreeNTNode *GetItem(int Index) const;
    int GetIndex() const;
    int GetLevel() const;
    int GetAbsoluteIndex() const;
    TTreeNTNode *GetNextSibling() const;
    TTreeNTNode *GetPrevSibling() const;
    TTreeNTNode *GetNext() const;
    TTreeNTNode *GetPrev() const;
    bool IsVisible() const;
    TTreeNTNode *GetNextVisible() const;
    TTreeNTNode *GetPrevVisible() const;
    TTreeNTNode *GetNextSelected() const;
    bool HasAsParent(const TTreeNTNode *Node) const;

    bool GetSelected() const { return FInSelection; }
    // The item's selected look (what the view paints).
    bool GetStateSelected() const { return FStateSelected; }
    void SetSelected(bool Value);
    bool GetFocused() const;
    void SetFocused(bool Value);
    bool GetExpanded() const { return FExpanded; }
    void SetExpanded(bool Value);
    void Expand(bool Recursive);
    void Collapse(bool Recursive);
    bool GetHasChildren() const { return FHasChildren; }
    void SetHasChildren(bool Value);
    bool GetDropTarget() const;
    void SetDropTarget(bool Value);
    bool GetItemState(int Which) const;
    // The node's row, or only its label, in the view; zero without a view.
    TNodeRect DisplayRect(bool TextOnly) const;
    bool IsDeleting() const { return FDeleting; }
    bool IsInTree() const { return FInTree; }
    // Non-zero while the node belongs to a tree (its item in the tree's own item store).
    uintptr_t GetItemId() const { return FItemId; }

    int32_t GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t Value);
    int32_t GetSelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int32_t Value);
    int32_t GetOverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int32_t Value);
    int32_t GetStateIndex() const { return FStateIndex; }
    void SetStateIndex(int32_t Value);
    int32_t GetIntegralHeight() const { return FItemId ? FIntegralHeight : 0; }
    void SetIntegralHeight(int32_t Value);

    bool GetParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TColor GetColor() const;
    TColor GetOwnColor() const { return FColor; }
    void SetColor(TColor Value);
    bool GetParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    bool HasOwnFont() const { return FFont != nullptr; }
    TNodeFont &GetFont();

    uint8_t GetCheckState() const { return FCheckState; }
    void SetCheckState(uint8_t S);
    uint8_t GetCheckType() const { return FCheckType; }
    void SetCheckType(uint8_t T);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool B);
    void ToggleCheck();
    void UpdateParentCheck();

    bool AlphaSort();
    bool CustomSort(const TTreeNodeListCompare &Compare, intptr_t Data);
    void DeleteChildren();

    const TTreeNodeList *GetChildren() const { return FChildren.get(); }

    // Binary form: this node's record, then its subtree.
    virtual void ReadData(TStream &Stream, std::vector<uint8_t> &Buffer);
    virtual void WriteData(TStream &Stream, std::vector<uint8_t> &Buffer);
    // Text form: one line per node, indented with tabs by level.
    void WriteText(TStream &Stream, int Level);

private:
    friend class TTreeNTNodes;
    friend class TCustomTreeNT;
    friend class TTreeNTStreamReader;
    friend class TTreeNTSnapshotCodec;

    void SetGlyph(int32_t Glyph);
    void ApplyCheckState(uint8_t S);
    void Resort();
    void Changed();
    void DestroySubtree();
    void ExpandOne(bool Expand);
    void ExpandTree(bool Expand, bool Recursive);
    void ApplyRecord(const uint8_t *Record, int Size, bool &Selected, bool &Expanded, int32_t &ChildCount);
    int FillRecord(uint8_t *Record) const;

    TTreeNTNodes *FOwner;
    WideString FText;
    void *FData = nullptr;
    uintptr_t FItemId = 0;
    std::unique_ptr<TNodeFont> FFont;
    TTreeNTNode *FParent = nullptr;
    bool FExpanded = false;
    bool FParentColor = true;
    bool FParentFont = true;
    int32_t FImageIndex = -1;
    int32_t FSelectedIndex = -1;
    int32_t FOverlayIndex = -1;
    int32_t FStateIndex = -1;
    bool FDeleting = false;
    TColor FColor = 0;
    bool FInTree = false;
    std::unique_ptr<TTreeNodeList> FChildren;
    uint8_t FCheckState = 0;
    uint8_t FCheckType = 0;
    bool FEnabled = true;
    // Item state: child flag, focus and selection look, expanded once, row height.
    bool FHasChildren = false;
    bool FFocused = false;
    bool FInSelection = false;
    bool FStateSelected = false;
    bool FExpandedOnce = false;
    int32_t FIntegralHeight = 1;
    // Position caches: sibling index and flat index, checked before use.
    mutable int FSiblingIndex = -1;
    mutable int FFlatIndex = -1;
};
