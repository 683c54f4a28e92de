#pragma once
// The tree control as a widget: a QTreeView over TTreeNTModel, painting through
// TTreeNTDelegate, with the input handling of clicks, keys, check glyphs, context menus,
// dragging, auto-expanding and auto-scrolling. The logic lives in TCustomTreeNT.
#include "controls/CustomTreeNT.h"
#include "platform/HelpContext.h"
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QRubberBand>
#include <QTreeView>

#include <QMenu>
class QLabel;
class QTimer;
class QVariantAnimation;
class TTreeNTModel;
class TTreeNTDelegate;

// Tooltip text for a node text: texts of 80 or more characters are cut to 76 and "...".
WideString TreeNTTipText(const WideString &Text);

// Interval progression of the automatic scrolling: 300 ms at the start, then 50 ms, then
// three quarters of the previous interval at each tick; below 2 ms a tick scrolls by pages.
// The timer itself never runs faster than MinInterval.
class TTreeAutoScroll {
public:
    static constexpr int StartInterval = 300;
    static constexpr int MinInterval = 10;
    void Start() { FInterval = StartInterval; }
    // One tick: returns true when it scrolls by pages.
    bool Tick();
    int Interval() const { return FInterval; }
    int TimerInterval() const { return FInterval < MinInterval ? MinInterval : FInterval; }

private:
    int FInterval = StartInterval;
};

class TTreeNT : public QTreeView, public TCustomTreeNT, public IHelpKeyTarget {
    Q_OBJECT
public:
    explicit TTreeNT(QWidget *Parent = nullptr);
    ~TTreeNT() override;

    using QTreeView::edit;
    TTreeNTModel *Model() const { return FModel; }
    TTreeNTDelegate *Delegate() const { return FDelegate; }

    void SetOptions(TTreeOptions Value) override;
    int ControlHelpContext() const override;
    bool HelpKey() override { return HelpRequest(); }
    TTreeNTNode *MoveCaretByKey(int Key) override;
    int PageRows() const override;
    void ScrollAt(int X, int Y) override;
    TNodeRect NodeDisplayRect(const TTreeNTNode *Node, bool TextOnly) const override;
    void NodeDeleted(TTreeNTNode *Node) override;
    void UserExpanded(TTreeNTNode *Node, bool Expand) override;
    // Expands or collapses Node as the user's action, with the single-expand rule.
    void UserExpand(TTreeNTNode *Node, bool Expand);
    void scrollTo(const QModelIndex &Index, ScrollHint Hint = EnsureVisible) override;

    int GetIndent() const { return indentation(); }
    void SetIndent(int Value);
    // The set height, else the first node's row height, else 0.
    int GetItemHeight() const;
    int ItemHeightSetting() const { return FItemHeight; }
    void SetItemHeight(int Value);
    // Node images by index (ImageIndex, SelectedIndex, OverlayIndex); empty for none.
    const QList<QIcon> &GetImages() const { return FImages; }
    void SetImages(const QList<QIcon> &Images);

    TTreeNTNode *GetNodeAt(int X, int Y) const;
    // Hit-test bits: 0 above, 1 below, 2 nowhere, 3 on item, 4 button, 5 icon, 6 indent,
    // 7 label, 8 right of label, 9 state glyph, 10 left, 11 right.
    uint16_t GetHitTestInfoAt(int X, int Y) const;
    TTreeNTNode *GetTopItem() const;
    void SetTopItem(TTreeNTNode *Node);
    QRect NodeRect(const TTreeNTNode *Node, bool TextOnly) const;
    bool IsEditing() const;
    bool IsDragging() const { return FDragging; }
    // State images by StateIndex (index 0 is never shown); empty: the check glyphs.
    const QList<QIcon> &GetStateImages() const { return FStateImages; }
    void SetStateImages(const QList<QIcon> &Images);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // The node under the mouse while toHotTrack is set (drawn underlined in the link colour).
    TTreeNTNode *GetHotNode() const { return FHotNode; }
    // The insert mark: a line above (or, After, below) Node's row, none for no mark.
    void SetInsertMark(TTreeNTNode *Node, bool After);
    TTreeNTNode *GetInsertMark() const { return FInsertMark; }
    bool GetInsertMarkAfter() const { return FInsertMarkAfter; }
    TColor GetInsertMarkColor() const { return FInsertMarkColor; }
    void SetInsertMarkColor(TColor Value);
    // While dragging: the picture of the dragged node that follows the mouse, and its hot
    // spot (the picture's point under the mouse).
    QPixmap GetDragImage() const;
    static QPoint DragImageHotSpot() { return QPoint(2, 2); }
    QLabel *DragImageWidget() const { return FDragImage; }
    // Scrolling a node into view glides over ScrollTime milliseconds (none while it is 0).
    bool IsScrollAnimating() const;

    // The menu shown on a right click when OnGetPopupMenu gives none.
    QMenu *GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu *Menu) { FPopupMenu = Menu; }

    // Events of the widget.
    std::function<void(TTreeNT *, TTreeNTNode *, bool &)> OnEditing;
    std::function<void(TTreeNT *, TTreeNTNode *, WideString &)> OnEdited;
    std::function<void(TTreeNT *, TTreeNTNode *, WideString &)> OnHint;
    std::function<void(TTreeNT *, TTreeNTNode *, bool &)> OnSingleExpanded;
    std::function<void(TTreeNT *, TTreeNTNode *, bool &, QMenu *&)> OnGetPopupMenu;
    std::function<void(TTreeNT *)> OnBeforePaint;
    std::function<void(TTreeNT *)> OnAfterPaint;
    std::function<void(TTreeNT *, TTreeNTNode *, const QRect &, uint16_t, bool &)> OnBeforeItemPaint;
    std::function<void(TTreeNT *, TTreeNTNode *, const QRect &, uint16_t)> OnAfterItemPaint;
    // Key before the tree handles it: Key is the virtual key code; setting it to 0 consumes it.
    std::function<void(TTreeNT *, int &Key, Qt::KeyboardModifiers)> OnKeyDown;
    std::function<void(TTreeNT *, TTreeNTNode *)> OnClick;
    std::function<void(TTreeNT *, TTreeNTNode *)> OnDblClick;
    std::function<void(TTreeNT *, TTreeNTNode *)> OnStartDrag;
    std::function<void(TTreeNT *, TTreeNTNode *, TTreeNTNode *, bool &)> OnDragOver;
    std::function<void(TTreeNT *, TTreeNTNode *, TTreeNTNode *)> OnDragDrop;

    // Drag support used by the widget's own drag handling and by tests.
    void DragStart(TTreeNTNode *Node);
    void DragMoveTo(const QPoint &Pos);
    void DragFinish(bool Dropped);
    void AutoExpandTimerFired();
    void AutoScrollTimerFired();
    bool AutoScrollActive() const;
    const TTreeAutoScroll &AutoScroll() const { return FAutoScroll; }
    // Rubber band of the multi-selection, in viewport coordinates.
    void BandStart(const QPoint &Pos, bool Ctrl);
    void BandMoveTo(const QPoint &Pos);
    void BandEnd();
    bool BandActive() const { return FBandActive; }

protected:
    void paintEvent(QPaintEvent *Event) override;
    void drawBranches(QPainter *Painter, const QRect &Rect, const QModelIndex &Index) const override;
    void updateGeometries() override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void contextMenuEvent(QContextMenuEvent *Event) override;
    void focusInEvent(QFocusEvent *Event) override;
    void focusOutEvent(QFocusEvent *Event) override;
    void leaveEvent(QEvent *Event) override;
    void currentChanged(const QModelIndex &Current, const QModelIndex &Previous) override;
    bool edit(const QModelIndex &Index, EditTrigger Trigger, QEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void SyncFromCore();
    QModelIndex RowIndexAt(int X, int Y) const;
    void OnViewExpanded(const QModelIndex &Index, bool Expand);
    void ApplyOptions();
    void BandSelect();
    QPoint ContentOffset() const;

    TTreeNTModel *FModel = nullptr;
    TTreeNTDelegate *FDelegate = nullptr;
    int FSyncing = 0;
    int FItemHeight = 0;
    TTreeNTNode *FPressedNode = nullptr;
    int32_t FPressedGlyph = 0; // its glyph before the pressed look
    TTreeNTNode *FDragNode = nullptr;
    QPoint FPressPos;
    bool FDragPending = false;
    bool FDragging = false;
    QTimer *FAutoExpandTimer = nullptr;
    QTimer *FAutoScrollTimer = nullptr;
    TTreeAutoScroll FAutoScroll;
    int FScrollDirections = 0; // 1 left, 2 up, 4 right, 8 down
    QList<QIcon> FImages;
    QPointer<QMenu> FPopupMenu;
    bool FBandActive = false;
    bool FBandCtrl = false;
    QPoint FBandStart; // in content coordinates (scrolling moves it)
    QRect FBandRect;
    std::vector<TTreeNTNode *> FBanded;
    QRubberBand *FBandShape = nullptr;
    QList<QIcon> FStateImages;
    TBorderStyle FBorderStyle = bsSingle;
    TTreeNTNode *FHotNode = nullptr;
    TTreeNTNode *FInsertMark = nullptr;
    bool FInsertMarkAfter = false;
    TColor FInsertMarkColor = clWindowText;
    QLabel *FDragImage = nullptr;
    QVariantAnimation *FScrollAnimation = nullptr;
    bool FFitting = false;
};
