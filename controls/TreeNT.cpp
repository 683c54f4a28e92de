#include "controls/TreeNT.h"
#include "controls/TreeNTDelegate.h"
#include "controls/TreeNTModel.h"
#include "platform/GuardedApplication.h"
#include "platform/ScopeGuard.h"
#include "platform/Graphics.h"
#include "platform/QtConvert.h"
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPainter>
#include <QVariantAnimation>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cmath>

WideString TreeNTTipText(const WideString &Text)
{
    if (Text.size() >= 80)
        return Text.substr(0, 76) + u"...";
    return Text;
}

bool TTreeAutoScroll::Tick()
{
    if (FInterval == StartInterval)
        FInterval = 50;
    if (FInterval < 2)
        return true;
    FInterval = FInterval * 3 / 4;
    return false;
}

namespace {

// Qt keys to the virtual key codes the core's key handling uses.
int VirtualKey(int QtKey)
{
    switch (QtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return tkReturn;
    case Qt::Key_Space: return tkSpace;
    case Qt::Key_PageUp: return tkPrior;
    case Qt::Key_PageDown: return tkNext;
    case Qt::Key_End: return tkEnd;
    case Qt::Key_Home: return tkHome;
    case Qt::Key_Left: return tkLeft;
    case Qt::Key_Up: return tkUp;
    case Qt::Key_Right: return tkRight;
    case Qt::Key_Down: return tkDown;
    case Qt::Key_F1: return tkF1;
    case Qt::Key_Backspace: return tkBack;
    case Qt::Key_Plus: return tkAdd;
    case Qt::Key_Minus: return tkSubtract;
    case Qt::Key_Asterisk: return tkMultiply;
    case Qt::Key_Tab: return 0x09;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    default: break;
    }
    if ((QtKey >= Qt::Key_0 && QtKey <= Qt::Key_9) || (QtKey >= Qt::Key_A && QtKey <= Qt::Key_Z))
        return QtKey;
    if (QtKey >= Qt::Key_F2 && QtKey <= Qt::Key_F24)
        return tkF1 + (QtKey - Qt::Key_F1);
    return QtKey < 0x80 && QtKey > 0x20 ? 0xBA : 0; // punctuation: beyond the digits
}

bool IsCaretKey(int Key)
{
    return Key == tkUp || Key == tkDown || Key == tkPrior || Key == tkNext || Key == tkHome || Key == tkEnd;
}

// Marks the view's own changes made to follow the core, so that they are not taken for the user's.
auto SyncGuard(int &Count)
{
    ++Count;
    return TScopeGuard([&Count] { --Count; });
}

} // namespace

TTreeNT::TTreeNT(QWidget *Parent) : QTreeView(Parent)
{
    FModel = new TTreeNTModel(*this, this);
    FDelegate = new TTreeNTDelegate(*this);
    setModel(FModel);
    setItemDelegate(FDelegate);
    setHeaderHidden(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setUniformRowHeights(false);
    setAutoScroll(false);
    resize(121, 97);
    setFocusPolicy(Qt::StrongFocus);
    // The view asks the model for these from inside Qt: the handlers run behind the error boundary.
    FModel->Edited = [this](TTreeNTNode *Node, WideString &Text) {
        if (OnEdited)
            RunGuarded([&] { OnEdited(this, Node, Text); });
    };
    FModel->TipText = [this](TTreeNTNode *Node) {
        WideString Text = Node->GetText();
        if (HasOption(toInfoTip)) {
            if (!OnHint)
                return QString();
            bool Given = false; // a handler that failed gives no tip
            RunGuarded([&] {
                OnHint(this, Node, Text);
                Given = true;
            });
            return Given ? ToQString(Text) : QString();
        }
        if (!HasOption(toToolTips))
            return QString();
        if (Text.size() >= 80)
            return ToQString(TreeNTTipText(Text));
        // Shorter texts only when they do not fit.
        const QRect Rect = visualRect(FModel->IndexFromNode(Node));
        if (fontMetrics().horizontalAdvance(ToQString(Text)) + FDelegate->LabelOffset() >
            viewport()->width() - Rect.left())
            return ToQString(Text);
        return QString();
    };
    connect(FModel, &TTreeNTModel::expandRequested, this, GuardedSlot([this](const QModelIndex &Index, bool Expand) {
        const auto Guard = SyncGuard(FSyncing);
        setExpanded(Index, Expand);
    }));
    connect(FModel, &TTreeNTModel::caretChanged, this, GuardedSlot([this](const QModelIndex &Index) {
        const auto Guard = SyncGuard(FSyncing);
        setCurrentIndex(Index);
        if (Index.isValid())
            scrollTo(Index);
    }));
    connect(FModel, &TTreeNTModel::redrawSwitched, this, GuardedSlot([this](bool On) {
        viewport()->setUpdatesEnabled(On);
        if (On)
            viewport()->update();
    }));
    connect(FModel, &TTreeNTModel::repaintAll, this, GuardedSlot([this] {
        scheduleDelayedItemsLayout();
        viewport()->update();
    }));
    connect(FModel, &TTreeNTModel::resetDone, this, GuardedSlot([this] { SyncFromCore(); }));
    // Nodes leaving the tree must not stay in the band list.
    connect(FModel, &QAbstractItemModel::rowsAboutToBeRemoved, this, GuardedSlot([this] { BandEnd(); }));
    connect(FModel, &QAbstractItemModel::rowsRemoved, this, GuardedSlot([this] {
        const auto Guard = SyncGuard(FSyncing);
        setCurrentIndex(FModel->IndexFromNode(TCustomTreeNT::GetSelected()));
    }));
    connect(FModel, &QAbstractItemModel::modelAboutToBeReset, this, GuardedSlot([this] { BandEnd(); }));
    connect(this, &QTreeView::expanded, this,
            GuardedSlot([this](const QModelIndex &Index) { OnViewExpanded(Index, true); }));
    connect(this, &QTreeView::collapsed, this,
            GuardedSlot([this](const QModelIndex &Index) { OnViewExpanded(Index, false); }));
    FAutoExpandTimer = new QTimer(this);
    FAutoExpandTimer->setSingleShot(true);
    FAutoExpandTimer->setInterval(1000);
    connect(FAutoExpandTimer, &QTimer::timeout, this, GuardedSlot([this] { AutoExpandTimerFired(); }));
    FAutoScrollTimer = new QTimer(this);
    connect(FAutoScrollTimer, &QTimer::timeout, this, GuardedSlot([this] { AutoScrollTimerFired(); }));
    ApplyOptions();
}

TTreeNT::~TTreeNT()
{
    // The model goes first: the node core below must no longer report to it.
    setModel(nullptr);
    delete FModel;
    FModel = nullptr;
}

// ---- syncing the view with the core ----

void TTreeNT::SyncFromCore()
{
    const auto Guard = SyncGuard(FSyncing);
    const TTreeNodeList &Flat = Items().FlatOrder();
    for (TTreeNTNode *Node : Flat)
        if (Node->GetExpanded())
            setExpanded(FModel->IndexFromNode(Node), true);
    const QModelIndex Caret = FModel->IndexFromNode(TCustomTreeNT::GetSelected());
    setCurrentIndex(Caret);
    viewport()->update();
}

// The view never keeps an expansion of its own: one the code above did not foresee is undone
// and goes through the node instead, with its events.
void TTreeNT::OnViewExpanded(const QModelIndex &Index, bool Expand)
{
    if (FSyncing)
        return;
    TTreeNTNode *Node = FModel->NodeFromIndex(Index);
    {
        const auto Guard = SyncGuard(FSyncing);
        setExpanded(Index, !Expand);
    }
    if (Node)
        UserExpand(Node, Expand);
}

void TTreeNT::UserExpand(TTreeNTNode *Node, bool Expand)
{
    Node->SetExpanded(Expand);
    UserExpanded(Node, Expand);
}

void TTreeNT::UserExpanded(TTreeNTNode *Node, bool Expand)
{
    if (!Expand || !HasOption(toSingleExpand) || !Node->GetExpanded())
        return;
    bool AutoCollapse = true;
    if (OnSingleExpanded)
        OnSingleExpanded(this, Node, AutoCollapse);
    if (!AutoCollapse)
        return;
    const TTreeNTNode *Parent = Node->GetParent() ? Node->GetParent() : Items().GetRoot();
    std::vector<TTreeNTNode *> Open;
    for (int I = 0; I < Parent->GetCount(); ++I)
        if (Parent->GetItem(I) != Node && Parent->GetItem(I)->GetExpanded())
            Open.push_back(Parent->GetItem(I));
    for (TTreeNTNode *Sibling : Open)
        Sibling->Collapse(false);
}

void TTreeNT::scrollTo(const QModelIndex &Index, ScrollHint Hint)
{
    // The view would expand a hidden row's ancestors behind the nodes' backs.
    TTreeNTNode *Node = FModel->NodeFromIndex(Index);
    if (Node && !Node->IsVisible())
        return;
    QScrollBar *Bar = verticalScrollBar();
    const int From = Bar->value();
    if (FScrollAnimation)
        FScrollAnimation->stop();
    QTreeView::scrollTo(Index, Hint);
    const int To = Bar->value();
    if (GetScrollTime() <= 0 || To == From || !isVisible())
        return;
    // Glide from where the view was to where it has to be.
    if (!FScrollAnimation) {
        FScrollAnimation = new QVariantAnimation(this);
        connect(FScrollAnimation, &QVariantAnimation::valueChanged, this,
                GuardedSlot([this](const QVariant &V) { verticalScrollBar()->setValue(V.toInt()); }));
    }
    Bar->setValue(From);
    FScrollAnimation->setDuration(GetScrollTime());
    FScrollAnimation->setStartValue(From);
    FScrollAnimation->setEndValue(To);
    FScrollAnimation->start();
}

bool TTreeNT::IsScrollAnimating() const
{
    return FScrollAnimation && FScrollAnimation->state() == QAbstractAnimation::Running;
}

// Labels are never cut: the column grows to the widest row shown (rows appear and widen as
// branches expand), and the view scrolls sideways instead.
void TTreeNT::updateGeometries()
{
    QTreeView::updateGeometries();
    if (FFitting || !model())
        return;
    FFitting = true;
    const auto Done = TScopeGuard([this] { FFitting = false; });
    const int Wanted = sizeHintForColumn(0);
    if (Wanted > header()->sectionSize(0))
        header()->resizeSection(0, Wanted);
}

void TTreeNT::drawBranches(QPainter *Painter, const QRect &Rect, const QModelIndex &Index) const
{
    FDelegate->PaintBranches(Painter, Rect, Index);
}

void TTreeNT::SetStateImages(const QList<QIcon> &Images)
{
    FStateImages = Images;
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void TTreeNT::SetBorderStyle(TBorderStyle Value)
{
    if (Value == FBorderStyle)
        return;
    FBorderStyle = Value;
    setFrameShape(Value == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
}

void TTreeNT::SetInsertMark(TTreeNTNode *Node, bool After)
{
    if (Node == FInsertMark && After == FInsertMarkAfter)
        return;
    FInsertMark = Node;
    FInsertMarkAfter = After;
    viewport()->update();
}

void TTreeNT::SetInsertMarkColor(TColor Value)
{
    if (Value == FInsertMarkColor)
        return;
    FInsertMarkColor = Value;
    if (FInsertMark)
        viewport()->update();
}

QPixmap TTreeNT::GetDragImage() const
{
    return FDragImage ? FDragImage->pixmap() : QPixmap();
}

void TTreeNT::currentChanged(const QModelIndex &Current, const QModelIndex &Previous)
{
    QTreeView::currentChanged(Current, Previous);
    // Moves of the current row caused by the model's own changes are not the user's.
    if (FSyncing || FModel->InChange())
        return;
    TTreeNTNode *Node = FModel->NodeFromIndex(Current);
    if (Node == TCustomTreeNT::GetSelected())
        return;
    SetSelected(Node);
    if (TCustomTreeNT::GetSelected() != Node) {
        // Refused: the caret stays where the core has it.
        const auto Guard = SyncGuard(FSyncing);
        setCurrentIndex(FModel->IndexFromNode(TCustomTreeNT::GetSelected()));
    }
}

// ---- options and properties ----

void TTreeNT::SetOptions(TTreeOptions Value)
{
    TCustomTreeNT::SetOptions(Value);
    ApplyOptions();
}

void TTreeNT::ApplyOptions()
{
    setRootIsDecorated(HasOption(toShowRoot));
    setItemsExpandable(true);
    setExpandsOnDoubleClick(!HasOption(toFullRowSelect) || HasOption(toSingleExpand));
    setEditTriggers(HasOption(toReadOnly) ? QAbstractItemView::NoEditTriggers
                                          : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setMouseTracking(HasOption(toHotTrack));
    if (!HasOption(toHotTrack))
        FHotNode = nullptr;
    setAllColumnsShowFocus(HasOption(toFullRowSelect));
    const Qt::ScrollBarPolicy Bars = HasOption(toNoScroll) ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    setHorizontalScrollBarPolicy(Bars);
    setVerticalScrollBarPolicy(Bars);
    viewport()->update();
}

void TTreeNT::SetIndent(int Value)
{
    if (Value != indentation())
        setIndentation(Value);
}

int TTreeNT::GetItemHeight() const
{
    if (FItemHeight > 0)
        return FItemHeight;
    if (TTreeNTNode *First = Items().GetFirstNode())
        return visualRect(FModel->IndexFromNode(First)).height();
    return 0;
}

void TTreeNT::SetImages(const QList<QIcon> &Images)
{
    FImages = Images;
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void TTreeNT::SetItemHeight(int Value)
{
    FItemHeight = Value > 0 ? std::min(Value, 127) : 0;
    scheduleDelayedItemsLayout();
}

int TTreeNT::PageRows() const
{
    const int Row = std::max(1, FItemHeight > 0 ? FItemHeight : sizeHintForRow(0));
    return std::max(1, viewport()->height() / Row - 1);
}

// The row at a point, also right of where the column's contents end: the whole width of the
// client area belongs to the row.
QModelIndex TTreeNT::RowIndexAt(int X, int Y) const
{
    const QModelIndex Index = indexAt(QPoint(X, Y));
    if (Index.isValid() || X < 0 || X >= viewport()->width())
        return Index;
    const int ColumnEnd = header()->sectionViewportPosition(0) + header()->sectionSize(0) - 1;
    if (ColumnEnd >= 0 && X > ColumnEnd)
        return indexAt(QPoint(ColumnEnd, Y));
    return Index;
}

TTreeNTNode *TTreeNT::GetNodeAt(int X, int Y) const
{
    return FModel->NodeFromIndex(RowIndexAt(X, Y));
}

uint16_t TTreeNT::GetHitTestInfoAt(int X, int Y) const
{
    uint16_t Bits = 0;
    const QRect Client = viewport()->rect();
    if (Y < 0)
        Bits |= 1u << 0;
    if (Y >= Client.height())
        Bits |= 1u << 1;
    if (X < 0)
        Bits |= 1u << 10;
    if (X >= Client.width())
        Bits |= 1u << 11;
    if (Bits)
        return Bits;
    const QModelIndex Index = RowIndexAt(X, Y);
    TTreeNTNode *Node = FModel->NodeFromIndex(Index);
    if (!Node)
        return 1u << 2;
    const QRect Item = visualRect(Index);
    if (X < Item.left()) {
        // The whole last column left of the item answers for its button.
        const bool Button = !FDelegate->ButtonRect(Item, Index).isEmpty();
        return (Button && X >= Item.left() - indentation()) ? (1u << 4) : (1u << 6);
    }
    if (FDelegate->GlyphWidth() > 0 && FDelegate->GlyphRect(Item).contains(X, Y) && Node->GetStateIndex() > 0)
        return (1u << 3) | (1u << 9);
    const int IconLeft = Item.left() + FDelegate->GlyphWidth();
    if (!FImages.isEmpty() && X >= IconLeft && X < Item.left() + FDelegate->LabelOffset())
        return (1u << 3) | (1u << 5);
    const QRect Label = NodeRect(Node, true);
    if (X < Label.right())
        return (1u << 3) | (1u << 7);
    return 1u << 8;
}

QRect TTreeNT::NodeRect(const TTreeNTNode *Node, bool TextOnly) const
{
    const QModelIndex Index = FModel->IndexFromNode(Node);
    if (!Index.isValid())
        return {};
    QRect Rect = visualRect(Index);
    if (TextOnly) {
        Rect.setLeft(Rect.left() + FDelegate->LabelOffset());
        Rect.setWidth(int(std::ceil(QFontMetricsF(font()).horizontalAdvance(ToQString(Node->GetText())))) + 6);
    }
    return Rect;
}

TNodeRect TTreeNT::NodeDisplayRect(const TTreeNTNode *Node, bool TextOnly) const
{
    const QRect R = NodeRect(Node, TextOnly);
    if (R.isNull())
        return {};
    return TNodeRect{R.left(), R.top(), R.right() + 1, R.bottom() + 1};
}

void TTreeNT::NodeDeleted(TTreeNTNode *Node)
{
    if (FHotNode == Node)
        FHotNode = nullptr;
    if (FInsertMark == Node)
        FInsertMark = nullptr;
    // A glyph pressed or a node dragged may go while the button is still down.
    if (FPressedNode == Node)
        FPressedNode = nullptr;
    if (FDragNode == Node)
        FDragNode = nullptr;
    TCustomTreeNT::NodeDeleted(Node);
}

TTreeNTNode *TTreeNT::GetTopItem() const
{
    return GetNodeAt(1, 1);
}

void TTreeNT::SetTopItem(TTreeNTNode *Node)
{
    const QModelIndex Index = FModel->IndexFromNode(Node);
    if (Index.isValid())
        scrollTo(Index, QAbstractItemView::PositionAtTop);
}

bool TTreeNT::IsEditing() const
{
    return state() == QAbstractItemView::EditingState;
}

bool TTreeNT::edit(const QModelIndex &Index, EditTrigger Trigger, QEvent *Event)
{
    TTreeNTNode *Node = FModel->NodeFromIndex(Index);
    if (Node && Trigger != QAbstractItemView::NoEditTriggers && Trigger != QAbstractItemView::CurrentChanged) {
        if (FDragging || HasOption(toReadOnly))
            return false;
        bool Allow = true;
        if (OnEditing) {
            bool Asked = false; // a handler that failed refuses the edit
            RunGuarded([&] {
                OnEditing(this, Node, Allow);
                Asked = true;
            });
            Allow = Allow && Asked;
        }
        if (!Allow)
            return false;
    }
    return QTreeView::edit(Index, Trigger, Event);
}

// While a label is edited, OnKeyDown sees the editor's keys first; a key it sets to 0 does not
// reach the editor.
bool TTreeNT::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::KeyPress && OnKeyDown && Watched != this && Watched != viewport()) {
        auto *Key = static_cast<QKeyEvent *>(Event);
        int Code = VirtualKey(Key->key());
        RunGuarded([&] { OnKeyDown(this, Code, Key->modifiers()); });
        if (Code == 0)
            return true;
    }
    return QTreeView::eventFilter(Watched, Event);
}

// ---- painting and focus ----

void TTreeNT::paintEvent(QPaintEvent *Event)
{
    RunGuarded([&] {
        if (Items().InRangeOp())
            return;
        if (OnBeforePaint)
            OnBeforePaint(this);
        QTreeView::paintEvent(Event);
        if (FInsertMark && FInsertMark->IsVisible()) {
            const QRect Label = NodeRect(FInsertMark, true);
            const QRect Row = visualRect(FModel->IndexFromNode(FInsertMark));
            const int Y = FInsertMarkAfter ? Row.bottom() : Row.top();
            const int Left = Label.left();
            const int Right = std::max(Left + 8, viewport()->width() - 4);
            QPainter Painter(viewport());
            const QColor Color = ColorToQColor(FInsertMarkColor, palette());
            Painter.fillRect(QRect(Left, Y - 1, Right - Left + 1, 2), Color);
            Painter.fillRect(QRect(Left, Y - 3, 2, 6), Color);
            Painter.fillRect(QRect(Right - 1, Y - 3, 2, 6), Color);
        }
        if (OnAfterPaint)
            OnAfterPaint(this);
    });
}

void TTreeNT::focusInEvent(QFocusEvent *Event)
{
    RunGuarded([&] {
        QTreeView::focusInEvent(Event);
        if (!GetAnchor())
            SetAnchor(TCustomTreeNT::GetSelected());
        viewport()->update();
    });
}

void TTreeNT::focusOutEvent(QFocusEvent *Event)
{
    RunGuarded([&] {
        QTreeView::focusOutEvent(Event);
        viewport()->update();
    });
}

// ---- mouse ----

void TTreeNT::mousePressEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        if (IsEditing())
            return QTreeView::mousePressEvent(Event);
        const QPoint Pos = Event->position().toPoint();
        if (Event->button() == Qt::RightButton) {
            if (FBandActive)
                BandEnd();
            SetRightClickNode(nullptr);
            QTreeView::mousePressEvent(Event);
            return;
        }
        if (Event->button() != Qt::LeftButton)
            return QTreeView::mousePressEvent(Event);
        setFocus(Qt::MouseFocusReason);
        const uint16_t Hit = GetHitTestInfoAt(Pos.x(), Pos.y());
        TTreeNTNode *Node = GetNodeAt(Pos.x(), Pos.y());
        const bool Shift = Event->modifiers() & Qt::ShiftModifier;
        const bool Ctrl = Event->modifiers() & Qt::ControlModifier;
        if (Hit & (1u << 9)) {
            // The state glyph: shown pressed until the button comes up.
            FPressedNode = Node;
            FPressedGlyph = Node->GetStateIndex();
            switch (Node->GetStateIndex()) {
            case cgUnchecked: Node->SetStateIndex(cgUncheckedDisabled); break;
            case cgChecked: Node->SetStateIndex(cgCheckedDisabled); break;
            case cgRadioOff: Node->SetStateIndex(cgRadioOffDisabled); break;
            case cgRadioOn: Node->SetStateIndex(cgRadioOnDisabled); break;
            default: break;
            }
            return;
        }
        if (Hit & (1u << 4)) {
            UserExpand(Node, !Node->GetExpanded());
            return;
        }
        if ((Hit & (1u << 3)) || (HasOption(toFullRowSelect) && Node)) {
            FDragPending = false;
            FDragNode = nullptr;
            ClickSelect(Node, Shift, Ctrl);
            if (Node && dragEnabled()) {
                FDragPending = true;
                FDragNode = Node;
                FPressPos = Pos;
            }
            if (OnClick)
                OnClick(this, Node);
            return;
        }
        if (HasOption(toMultiSelect)) {
            if (!Shift && !Ctrl)
                ClearSelection();
            BandStart(Pos, Ctrl);
        }
        if (OnClick)
            OnClick(this, nullptr);
    });
}

void TTreeNT::mouseMoveEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        const QPoint Pos = Event->position().toPoint();
        if (HasOption(toHotTrack)) {
            TTreeNTNode *Hot = (GetHitTestInfoAt(Pos.x(), Pos.y()) & (1u << 3)) ? GetNodeAt(Pos.x(), Pos.y()) : nullptr;
            if (Hot != FHotNode) {
                FHotNode = Hot;
                viewport()->update();
            }
        }
        if (FDragging) {
            DragMoveTo(Pos);
            return;
        }
        if (FBandActive) {
            if (HasOption(toAutoScroll))
                ScrollAt(Pos.x(), Pos.y());
            BandMoveTo(Pos);
            return;
        }
        if (FDragPending && (Event->buttons() & Qt::LeftButton) &&
            (Pos - FPressPos).manhattanLength() >= QApplication::startDragDistance()) {
            FDragPending = false;
            DragStart(FDragNode);
            DragMoveTo(Pos);
            return;
        }
        if (HasOption(toAutoScroll) && (Event->buttons() & Qt::LeftButton))
            ScrollAt(Pos.x(), Pos.y());
        QTreeView::mouseMoveEvent(Event);
    });
}

void TTreeNT::mouseReleaseEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        FDragPending = false;
        if (FBandActive)
            BandEnd();
        if (FDragging && Event->button() == Qt::LeftButton) {
            DragFinish(true);
            return;
        }
        if (FPressedNode) {
            TTreeNTNode *Node = FPressedNode;
            const int32_t PressedLook = Node->GetStateIndex();
            Node->ToggleCheck();
            // A refused change (OnChecking) leaves the glyph as it was before the press. The
            // handlers may also have deleted the node, which clears FPressedNode.
            if (FPressedNode == Node && Node->GetStateIndex() == PressedLook)
                Node->SetStateIndex(FPressedGlyph);
            FPressedNode = nullptr;
            return;
        }
        FAutoScrollTimer->stop();
        FScrollDirections = 0;
        QTreeView::mouseReleaseEvent(Event);
    });
}

void TTreeNT::mouseDoubleClickEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        const QPoint Pos = Event->position().toPoint();
        TTreeNTNode *Node = GetNodeAt(Pos.x(), Pos.y());
        if (OnDblClick)
            OnDblClick(this, Node);
        const auto Hit = GetHitTestInfoAt(Pos.x(), Pos.y());
        if (HasOption(toFullRowSelect) && !HasOption(toSingleExpand) && (Hit & (1u << 8)) && Node) {
            UserExpand(Node, !Node->GetExpanded());
            return;
        }
        if (Node && (Hit & (1u << 3)) && !(Hit & (1u << 9)))
            UserExpand(Node, !Node->GetExpanded());
    });
}

void TTreeNT::contextMenuEvent(QContextMenuEvent *Event)
{
    RunGuarded([&] {
        TTreeNTNode *Node = GetNodeAt(Event->pos().x(), Event->pos().y());
        if (HasOption(toRightClickSelect)) {
            SetRightClickNode(Node);
            if (Node && !Node->GetSelected())
                ClearSelection();
        }
        QMenu *Menu = nullptr;
        if (OnGetPopupMenu) {
            bool AskParent = true;
            for (TTreeNTNode *Ask = TCustomTreeNT::GetSelected(); Ask && !Menu && AskParent; Ask = Ask->GetParent())
                OnGetPopupMenu(this, Ask, AskParent, Menu);
        }
        if (!Menu)
            Menu = FPopupMenu;
        if (Menu)
            Menu->exec(Event->globalPos());
        else
            QTreeView::contextMenuEvent(Event);
        SetRightClickNode(nullptr);
    });
}

void TTreeNT::leaveEvent(QEvent *Event)
{
    RunGuarded([&] {
        if (FHotNode) {
            FHotNode = nullptr;
            viewport()->update();
        }
        if (!FDragging) {
            FAutoScrollTimer->stop();
            FScrollDirections = 0;
        }
        QTreeView::leaveEvent(Event);
    });
}

// ---- keys ----

TTreeNTNode *TTreeNT::MoveCaretByKey(int Key)
{
    QAbstractItemView::CursorAction Action;
    switch (Key) {
    case tkUp: Action = MoveUp; break;
    case tkDown: Action = MoveDown; break;
    case tkPrior: Action = MovePageUp; break;
    case tkNext: Action = MovePageDown; break;
    case tkHome: Action = MoveHome; break;
    case tkEnd: Action = MoveEnd; break;
    default: return TCustomTreeNT::GetSelected();
    }
    const QModelIndex Target = moveCursor(Action, Qt::NoModifier);
    if (TTreeNTNode *Node = FModel->NodeFromIndex(Target))
        SetSelected(Node);
    return TCustomTreeNT::GetSelected();
}

int TTreeNT::ControlHelpContext() const
{
    return HelpContextOf(this);
}

void TTreeNT::keyPressEvent(QKeyEvent *Event)
{
    RunGuarded([&] {
        if (FDragging && Event->key() == Qt::Key_Escape) {
            DragFinish(false);
            return;
        }
        int Key = VirtualKey(Event->key());
        if (OnKeyDown) {
            OnKeyDown(this, Key, Event->modifiers());
            if (Key == 0)
                return;
        }
        const bool Shift = Event->modifiers() & Qt::ShiftModifier;
        const bool Ctrl = Event->modifiers() & Qt::ControlModifier;
        if (IsCaretKey(Key) && Ctrl) {
            // Ctrl with a caret key scrolls in the view without moving the selection.
            QTreeView::keyPressEvent(Event);
            return;
        }
        if ((Key == tkLeft || Key == tkRight) && Ctrl) {
            horizontalScrollBar()->triggerAction(Key == tkLeft ? QAbstractSlider::SliderSingleStepSub
                                                               : QAbstractSlider::SliderSingleStepAdd);
            return;
        }
        const QString Text = Event->text();
        const char16_t Char = Text.size() == 1 ? char16_t(Text[0].unicode()) : 0;
        const bool Consumed = KeyDown(Key, Shift, Ctrl, Char);
        // Keys that move the caret or expand stay with the tree: the view's own handling would
        // expand branches behind the nodes' backs.
        if (Consumed || IsCaretKey(Key) || Key == tkLeft || Key == tkRight || Key == tkBack || Key == tkAdd ||
            Key == tkSubtract || Key == tkMultiply)
            return;
        QTreeView::keyPressEvent(Event);
    });
}

// ---- dragging, auto-expand and auto-scroll ----

void TTreeNT::DragStart(TTreeNTNode *Node)
{
    FDragging = true;
    FDragNode = Node;
    // The dragged node's glyph, image and label, half transparent, follow the mouse.
    if (const QRect Label = Node ? NodeRect(Node, true) : QRect(); !Label.isEmpty()) {
        const QRect Row = visualRect(FModel->IndexFromNode(Node));
        const QRect Shot(Row.left(), Row.top(), Label.right() - Row.left() + 1, Row.height());
        QPixmap Picture(Shot.size());
        Picture.fill(Qt::transparent);
        {
            QPainter Painter(&Picture);
            Painter.setOpacity(0.6);
            Painter.drawPixmap(0, 0, viewport()->grab(Shot));
        }
        if (!FDragImage) {
            FDragImage = new QLabel(viewport());
            FDragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        FDragImage->setPixmap(Picture);
        FDragImage->resize(Picture.size());
        FDragImage->move(mapFromGlobal(QCursor::pos()) - DragImageHotSpot());
        FDragImage->show();
    }
    if (OnStartDrag)
        OnStartDrag(this, Node);
    FAutoExpandTimer->start();
    viewport()->update();
}

void TTreeNT::DragMoveTo(const QPoint &Pos)
{
    if (HasOption(toAutoScroll))
        ScrollAt(Pos.x(), Pos.y());
    if (FDragImage && FDragImage->isVisible())
        FDragImage->move(Pos - DragImageHotSpot());
    TTreeNTNode *Target = GetNodeAt(Pos.x(), Pos.y());
    if (Target != GetDropTarget()) {
        FAutoExpandTimer->start();
        SetDropTarget(Target);
    }
    if (OnDragOver) {
        bool Accept = true;
        OnDragOver(this, FDragNode, Target, Accept);
        viewport()->setCursor(Accept ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
    }
}

void TTreeNT::DragFinish(bool Dropped)
{
    FAutoExpandTimer->stop();
    FAutoScrollTimer->stop();
    FScrollDirections = 0;
    TTreeNTNode *Target = GetDropTarget();
    TTreeNTNode *Source = FDragNode;
    FDragging = false;
    FDragPending = false;
    FDragNode = nullptr;
    if (FDragImage)
        FDragImage->hide();
    SetDropTarget(nullptr);
    viewport()->unsetCursor();
    if (Dropped && OnDragDrop)
        OnDragDrop(this, Source, Target);
    viewport()->update();
}

void TTreeNT::AutoExpandTimerFired()
{
    FAutoExpandTimer->stop();
    TTreeNTNode *Target = GetDropTarget();
    if (HasOption(toAutoExpand) && Target && Target->GetCount() > 0 && !Target->GetExpanded())
        Target->Expand(false);
}

void TTreeNT::ScrollAt(int X, int Y)
{
    int Margin = FItemHeight > 0 ? FItemHeight / 2 : std::abs(fontInfo().pixelSize());
    if (Margin <= 0)
        Margin = 8;
    const QScrollBar *H = horizontalScrollBar();
    const QScrollBar *V = verticalScrollBar();
    const QRect Client = viewport()->rect();
    int Directions = 0;
    if (X < Margin && H->value() > H->minimum())
        Directions |= 1;
    if (X > Client.width() - Margin && H->value() < H->maximum())
        Directions |= 4;
    if (Y < Margin && V->value() > V->minimum())
        Directions |= 2;
    if (Y > Client.height() - Margin && V->value() < V->maximum())
        Directions |= 8;
    FScrollDirections = Directions;
    if (!Directions) {
        FAutoScrollTimer->stop();
        return;
    }
    if (!FAutoScrollTimer->isActive()) {
        FAutoScroll.Start();
        FAutoScrollTimer->start(FAutoScroll.TimerInterval());
    }
}

bool TTreeNT::AutoScrollActive() const
{
    return FAutoScrollTimer->isActive();
}

void TTreeNT::AutoScrollTimerFired()
{
    const bool Pages = FAutoScroll.Tick();
    QScrollBar *H = horizontalScrollBar();
    QScrollBar *V = verticalScrollBar();
    if (FScrollDirections & 1)
        H->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (FScrollDirections & 4)
        H->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (FScrollDirections & 2)
        V->triggerAction(Pages ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderSingleStepSub);
    if (FScrollDirections & 8)
        V->triggerAction(Pages ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderSingleStepAdd);
    if (H->value() <= H->minimum())
        FScrollDirections &= ~1;
    if (H->value() >= H->maximum())
        FScrollDirections &= ~4;
    if (V->value() <= V->minimum())
        FScrollDirections &= ~2;
    if (V->value() >= V->maximum())
        FScrollDirections &= ~8;
    if (!FScrollDirections) {
        FAutoScrollTimer->stop();
        return;
    }
    FAutoScrollTimer->setInterval(FAutoScroll.TimerInterval());
}

// ---- rubber band ----

QPoint TTreeNT::ContentOffset() const
{
    return QPoint(horizontalScrollBar()->value(), verticalOffset());
}

void TTreeNT::BandStart(const QPoint &Pos, bool Ctrl)
{
    FBandActive = true;
    FBandCtrl = Ctrl;
    FBandStart = Pos + ContentOffset();
    FBandRect = QRect(Pos, QSize());
    FBanded.clear();
    FBanded.reserve(size_t(Items().GetCount()));
    if (!FBandShape)
        FBandShape = new QRubberBand(QRubberBand::Rectangle, viewport());
}

void TTreeNT::BandMoveTo(const QPoint &Pos)
{
    if (!FBandActive)
        return;
    FBandRect = QRect(FBandStart - ContentOffset(), Pos).normalized();
    if (Items().GetCount() > 0)
        BandSelect();
    FBandShape->setGeometry(FBandRect);
    FBandShape->show();
}

void TTreeNT::BandEnd()
{
    FBandActive = false;
    FBanded.clear();
    if (FBandShape)
        FBandShape->hide();
}

// Nodes whose label meets the band join it (selected, or toggled with Ctrl); nodes that
// leave it go back.
void TTreeNT::BandSelect()
{
    TTreeNTNodes &Nodes = Items();
    const TTreeNodeList &Flat = Nodes.FlatOrder();
    TTreeNTNode *From = GetNodeAt(0, 0);
    TTreeNTNode *To = GetNodeAt(viewport()->width() - 1, viewport()->height() - 1);
    const int First = From ? Nodes.FlatIndexOf(From) : 0;
    const int Last = To ? std::min(Flat.Count() - 1, Nodes.FlatIndexOf(To) + 1) : Flat.Count() - 1;
    auto Meets = [&](TTreeNTNode *Node) { return Node->IsVisible() && NodeRect(Node, true).intersects(FBandRect); };
    auto IsBanded = [&](TTreeNTNode *Node) { return std::find(FBanded.begin(), FBanded.end(), Node) != FBanded.end(); };
    bool Changed = false;
    {
        Nodes.SetInRangeOp(true);
        TScopeGuard RangeOp([&Nodes] { Nodes.SetInRangeOp(false); });
        if (FBandCtrl) {
            for (int I = First; I <= Last; ++I) {
                TTreeNTNode *Node = Flat.Get(I);
                if (!IsBanded(Node) && Meets(Node)) {
                    FBanded.push_back(Node);
                    Nodes.Select(Node, 2);
                    Changed = true;
                }
            }
            for (size_t I = FBanded.size(); I-- > 0;)
                if (!Meets(FBanded[I])) {
                    Nodes.Select(FBanded[I], 2);
                    FBanded.erase(FBanded.begin() + std::ptrdiff_t(I));
                    Changed = true;
                }
        } else {
            for (size_t I = FBanded.size(); I-- > 0;)
                if (!Meets(FBanded[I])) {
                    Nodes.Select(FBanded[I], 1);
                    FBanded.erase(FBanded.begin() + std::ptrdiff_t(I));
                    Changed = true;
                }
            for (int I = First; I <= Last; ++I) {
                TTreeNTNode *Node = Flat.Get(I);
                if (!IsBanded(Node) && Meets(Node)) {
                    FBanded.push_back(Node);
                    Nodes.Select(Node, 0);
                    Changed = true;
                }
            }
        }
    }
    if (Changed)
        Change(GetNodeAt(FBandRect.left(), FBandRect.bottom()));
    viewport()->update();
}
