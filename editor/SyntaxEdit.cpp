#include "editor/SyntaxEdit.h"
#include "editor/SyntaxEditorStrings.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <qdrawutil.h>
#include <QWheelEvent>
#include <cmath>

// ======================================================================= TColors

void TColors::SetBackground(TColor value)
{
    if (value == FBackground)
        return;
    FBackground = value;
    if (OnChange)
        OnChange();
}

void TColors::SetForeground(TColor value)
{
    if (value == FForeground)
        return;
    FForeground = value;
    if (OnChange)
        OnChange();
}

void TColors::Assign(const TColors &source)
{
    FBackground = source.FBackground;
    FForeground = source.FForeground;
}

// ======================================================================= scroll hint

TScrollHintWindow::TScrollHintWindow(QWidget *parent) : QLabel(parent, Qt::ToolTip)
{
    setObjectName(QStringLiteral("Scroll"));
    setMargin(2);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
}

void TScrollHintWindow::ShowHint(const QString &text, const QRect &screenRect, const QColor &background,
                                 const QColor &foreground)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, foreground);
    setPalette(pal);
    setText(text);
    setGeometry(screenRect);
    show();
    repaint();
}

// ======================================================================= scroll-bar look

// Draws the scroll bars in the look of a TScrollBarMode; the parts stay where the application's
// style puts them (and the bars keep its thickness), so only their look changes.
class TScrollBarLook : public QProxyStyle {
public:
    // Based on the application's style, so that the parts stay where they are on the other bars.
    explicit TScrollBarLook(QObject *parent) : QProxyStyle(QApplication::style()->name()) { setParent(parent); }
    TScrollBarMode Mode = sbmRegular;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *p,
                            const QWidget *widget) const override
    {
        const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (control != CC_ScrollBar || Mode == sbmRegular || !bar) {
            QProxyStyle::drawComplexControl(control, option, p, widget);
            return;
        }
        const QPalette &pal = bar->palette;
        // The track: plain in the flat look, lighter than the buttons in the raised one.
        p->fillRect(bar->rect, pal.brush(Mode == sbmFlat ? QPalette::Window : QPalette::Midlight));
        const bool vertical = bar->orientation == Qt::Vertical;
        const struct {
            SubControl Part;
            PrimitiveElement Arrow;
        } parts[] = {
            {SC_ScrollBarSubLine, vertical ? PE_IndicatorArrowUp : PE_IndicatorArrowLeft},
            {SC_ScrollBarAddLine, vertical ? PE_IndicatorArrowDown : PE_IndicatorArrowRight},
            {SC_ScrollBarSlider, PE_CustomBase},
        };
        const bool enabled = bar->state & State_Enabled;
        for (const auto &part : parts) {
            const QRect r = subControlRect(CC_ScrollBar, bar, part.Part, widget);
            if (r.isEmpty() || (part.Part == SC_ScrollBarSlider && (!enabled || bar->minimum == bar->maximum)))
                continue;
            const bool active = bar->activeSubControls & part.Part;
            const bool pressed = active && (bar->state & State_Sunken);
            const bool hot = active && (bar->state & State_MouseOver);
            if (Mode == sbmFlat) {
                // No bevels: a filled box with a thin edge, darker under the mouse and when pressed.
                p->fillRect(r, pal.brush(pressed ? QPalette::Mid : hot ? QPalette::Midlight : QPalette::Button));
                p->setPen(pal.color(QPalette::Mid));
                p->drawRect(r.adjusted(0, 0, -1, -1));
            } else {
                // Raised, and sunk while pressed.
                qDrawShadePanel(p, r, pal, pressed, 2, &pal.brush(QPalette::Button));
            }
            if (part.Arrow != PE_CustomBase) {
                QStyleOption arrow;
                arrow.initFrom(widget);
                arrow.palette = pal;
                arrow.state = enabled ? State_Enabled : State_None;
                const int inset = std::max(2, std::min(r.width(), r.height()) / 4);
                arrow.rect = r.adjusted(inset, inset, -inset, -inset).translated(pressed ? 1 : 0, pressed ? 1 : 0);
                drawPrimitive(part.Arrow, &arrow, p, widget);
            }
        }
    }
};

// ======================================================================= construction

TCustomSyntaxEdit::TCustomSyntaxEdit(QWidget *parent) : QAbstractScrollArea(parent)
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    resize(200, 150);

    FLineNumberFont = QFont(QStringLiteral("Terminal"), 6);
    FLineNumberFont.setStyleHint(QFont::TypeWriter);
    auto repaintAll = [this] { viewport()->update(); };
    FSelectedColor.OnChange = repaintAll;
    FMarkColor.OnChange = [this] {
        if (MarkLine() >= 0)
            InvalidateLine(MarkLine());
    };

    FAutoScrollTimer.setInterval(20);
    connect(&FAutoScrollTimer, &QTimer::timeout, this, GuardedSlot([this] { AutoScrollTick(); }));
    const int flash = QApplication::cursorFlashTime();
    FBlinkTimer.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&FBlinkTimer, &QTimer::timeout, this, GuardedSlot([this] { BlinkCaret(); }));
    SetDoubleClickTime(static_cast<uint32_t>(QApplication::doubleClickInterval()));

    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            GuardedSlot([this](int a) { VerticalAction(a); }));
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            GuardedSlot([this](int a) { HorizontalAction(a); }));
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this, GuardedSlot([this] {
        if (FScrollHint)
            FScrollHint->hide();
    }));

    QFont text(QStringLiteral("Courier New"), 10);
    text.setStyleHint(QFont::TypeWriter);
    text.setFixedPitch(true);
    setFont(text);
    FontChanged();
    Resize(viewport()->width(), viewport()->height());
}

TCustomSyntaxEdit::~TCustomSyntaxEdit()
{
    FAutoScrollTimer.stop();
    FBlinkTimer.stop();
}

QColor TCustomSyntaxEdit::Qc(TColor c) const
{
    return ColorToQColor(c, palette());
}

void TCustomSyntaxEdit::FontChanged()
{
    QFont f = font();
    f.setFixedPitch(true);
    f.setKerning(false);
    const QFontMetricsF fm(f);
    const double advance = fm.horizontalAdvance(QLatin1Char('M'));
    const int cw = std::max(1, static_cast<int>(std::lround(advance)));
    // Every glyph advances exactly one cell, so runs of text stay on the column grid.
    f.setLetterSpacing(QFont::AbsoluteSpacing, cw - advance);
    FPaintFont = f;
    const QFontMetrics im(f);
    FAscent = im.ascent();
    SetFontMetrics(cw, im.height() + std::max(0, im.leading()));
    if (hasFocus())
        CreateEditorCaret();
}

// ======================================================================= properties

void TCustomSyntaxEdit::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    viewport()->update();
}

void TCustomSyntaxEdit::SetGutterColor(TColor value)
{
    if (value == FGutterColor)
        return;
    FGutterColor = value;
    viewport()->update();
}

void TCustomSyntaxEdit::SetMarginColor(TColor value)
{
    if (value == FMarginColor)
        return;
    FMarginColor = value;
    viewport()->update();
}

void TCustomSyntaxEdit::SetMarkColor(const TColors &value)
{
    FMarkColor.Assign(value);
    if (MarkLine() >= 0)
        InvalidateLine(MarkLine());
}

void TCustomSyntaxEdit::SetSelectedColor(const TColors &value)
{
    FSelectedColor.Assign(value);
    viewport()->update();
}

void TCustomSyntaxEdit::SetScrollHintColor(const TColors &value)
{
    FScrollHintColor.Assign(value);
}

void TCustomSyntaxEdit::SetBorderStyle(TBorderStyle value)
{
    if (value == FBorderStyle)
        return;
    FBorderStyle = value;
    setFrameStyle(value == bsSingle ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
}

void TCustomSyntaxEdit::SetScrollBarMode(TScrollBarMode value)
{
    if (value == FScrollBarMode)
        return;
    FScrollBarMode = value;
    ApplyScrollBarMode();
}

void TCustomSyntaxEdit::ApplyScrollBarMode()
{
    // The regular bars are the application style's own.
    if (!FScrollBarLook && FScrollBarMode != sbmRegular)
        FScrollBarLook = new TScrollBarLook(this); // a child made after the bars: they go before it
    if (FScrollBarLook)
        FScrollBarLook->Mode = FScrollBarMode;
    for (QScrollBar *bar : {verticalScrollBar(), horizontalScrollBar()}) {
        bar->setStyle(FScrollBarMode == sbmRegular ? nullptr : FScrollBarLook);
        bar->update();
    }
}

void TCustomSyntaxEdit::SetLineNumberFont(const QFont &value)
{
    FLineNumberFont = value;
    RepaintGutter();
}

void TCustomSyntaxEdit::SetInsertCaret(TCaretType value)
{
    if (value == FInsertCaret)
        return;
    FInsertCaret = value;
    CreateEditorCaret();
}

void TCustomSyntaxEdit::SetOverwriteCaret(TCaretType value)
{
    if (value == FOverwriteCaret)
        return;
    FOverwriteCaret = value;
    CreateEditorCaret();
}

void TCustomSyntaxEdit::SetOptions(TSyntaxEditOptions value)
{
    TSyntaxEditCore::SetOptions(value);
    CreateEditorCaret();
}

void TCustomSyntaxEdit::RepaintGutter()
{
    viewport()->update(QRect(0, 0, std::max(0, GutterRight() + 1), viewport()->height()));
}

// ======================================================================= model hooks

void TCustomSyntaxEdit::ViewInvalidate()
{
    viewport()->update();
}

void TCustomSyntaxEdit::ViewInvalidateRect(const TPixelRect &r)
{
    viewport()->update(QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)));
}

void TCustomSyntaxEdit::ViewScroll(int dx, int dy, const TPixelRect &clip)
{
    const QRect r(QPoint(clip.Left, clip.Top), QPoint(clip.Right - 1, clip.Bottom - 1));
    if (std::abs(dx) >= r.width() || std::abs(dy) >= r.height()) {
        viewport()->update(r);
    } else {
        viewport()->scroll(dx, dy, r);
        // The caret drawn before moved with the pixels: that cell is painted again.
        if (!FDrawnCaret.isNull())
            viewport()->update(FDrawnCaret.translated(dx, dy).adjusted(-2, -2, 2, 2));
    }
    // The gutter's numbers follow a vertical scroll.
    if (dy != 0)
        RepaintGutter();
}

void TCustomSyntaxEdit::ViewUpdateCaret()
{
    // Both the cell the caret leaves and the one it goes to are repainted; a moved caret
    // shows at once and blinks from there.
    const QRect r = CaretRect();
    if (FDrawnCaret != r)
        viewport()->update(FDrawnCaret.adjusted(-2, -2, 2, 2));
    viewport()->update(r.adjusted(-2, -2, 2, 2));
    FDrawnCaret = r;
    if (FCaretShown && !FCaretBlinkOn) {
        FCaretBlinkOn = true;
        FBlinkTimer.start();
    }
}

void TCustomSyntaxEdit::ViewSetRedraw(bool on)
{
    viewport()->setUpdatesEnabled(on);
}

void TCustomSyntaxEdit::ViewProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TCustomSyntaxEdit::ViewScrollBarsChanged()
{
    const TScrollStyle bars = ScrollBars();
    setVerticalScrollBarPolicy(bars == ssVertical || bars == ssBoth ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(bars == ssHorizontal || bars == ssBoth ? Qt::ScrollBarAlwaysOn
                                                                        : Qt::ScrollBarAlwaysOff);
    auto apply = [this](QScrollBar *bar, const TScrollBarInfo &info) {
        const QSignalBlocker block(bar);
        // A bar with nothing to scroll is shown disabled.
        const int page = std::max(1, info.Page);
        const int maximum = std::max(info.Min, info.Max - page + 1);
        bar->setEnabled(info.Max > 0 && maximum > info.Min);
        bar->setRange(info.Min, maximum);
        bar->setPageStep(page);
        bar->setSingleStep(1);
        bar->setValue(info.Pos);
        if (FInScrollAction)
            bar->setSliderPosition(info.Pos);
    };
    apply(verticalScrollBar(), VertScrollInfo());
    apply(horizontalScrollBar(), HorzScrollInfo());
}

bool TCustomSyntaxEdit::ClipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

WideString TCustomSyntaxEdit::ClipboardText()
{
    return ToWideString(QGuiApplication::clipboard()->text());
}

void TCustomSyntaxEdit::SetClipboardText(const WideString &text)
{
    // The text goes as Unicode: characters outside any 8-bit code page survive the trip.
    QGuiApplication::clipboard()->setText(ToQString(text));
}

// ======================================================================= scroll bars

void TCustomSyntaxEdit::VerticalAction(int action)
{
    QScrollBar *bar = verticalScrollBar();
    FInScrollAction = true;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: VScroll(scLineDown, 0); break;
    case QAbstractSlider::SliderSingleStepSub: VScroll(scLineUp, 0); break;
    case QAbstractSlider::SliderPageStepAdd: VScroll(scPageDown, 0); break;
    case QAbstractSlider::SliderPageStepSub: VScroll(scPageUp, 0); break;
    case QAbstractSlider::SliderToMinimum: VScroll(scTop, 0); break;
    case QAbstractSlider::SliderToMaximum: VScroll(scBottom, 0); break;
    case QAbstractSlider::SliderMove: {
        const int pos = bar->sliderPosition();
        VScroll(scThumbTrack, pos);
        if (HasOption(eoShowScrollHint)) {
            if (!FScrollHint)
                FScrollHint = new TScrollHintWindow(this);
            const QString text = QString::number(GetTopLine());
            FScrollHint->setFont(font());
            const QSize size =
                FScrollHint->fontMetrics().boundingRect(QRect(0, 0, 2000, 2000), 0, text).size() + QSize(8, 6);
            const TPixelRect r =
                ScrollHintRect(pos, size.width(), size.height(), style()->pixelMetric(QStyle::PM_ScrollBarExtent));
            const QPoint topLeft = viewport()->mapToGlobal(QPoint(r.Left, r.Top));
            FScrollHint->ShowHint(text, QRect(topLeft, size), Qc(FScrollHintColor.Background()),
                                  Qc(FScrollHintColor.Foreground()));
        }
        break;
    }
    default: break;
    }
    UpdateScrollBars();
    FInScrollAction = false;
}

void TCustomSyntaxEdit::HorizontalAction(int action)
{
    QScrollBar *bar = horizontalScrollBar();
    FInScrollAction = true;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: HScroll(scLineDown, 0); break;
    case QAbstractSlider::SliderSingleStepSub: HScroll(scLineUp, 0); break;
    case QAbstractSlider::SliderPageStepAdd: HScroll(scPageDown, 0); break;
    case QAbstractSlider::SliderPageStepSub: HScroll(scPageUp, 0); break;
    case QAbstractSlider::SliderToMinimum: HScroll(scTop, 0); break;
    case QAbstractSlider::SliderToMaximum: HScroll(scBottom, 0); break;
    case QAbstractSlider::SliderMove: HScroll(scThumbTrack, bar->sliderPosition()); break;
    default: break;
    }
    UpdateScrollBars();
    FInScrollAction = false;
}

// ======================================================================= caret

QRect TCustomSyntaxEdit::CaretRect() const
{
    int x = 0, y = 0;
    CaretPixelPos(x, y);
    const TCaretType shape = HasOption(eoInserting) ? FInsertCaret : FOverwriteCaret;
    const int cw = CharWidth(), lh = LineHeight();
    switch (shape) {
    case ctHorizontalLine: return QRect(x, y + lh - 2, cw, 2);
    case ctHalfBlock: return QRect(x, y + lh - 2 - (lh - 2) / 2, cw, std::max(1, (lh - 2) / 2));
    case ctBlock: return QRect(x, y, cw, std::max(1, lh - 2));
    case ctVerticalLine:
    default: return QRect(x - 1, y, 2, std::max(1, lh - 2));
    }
}

void TCustomSyntaxEdit::CreateEditorCaret()
{
    const bool allowed = !HasOption(eoReadOnly) || HasOption(eoShowCursorWhileReadOnly);
    FCaretShown = allowed && hasFocus();
    FCaretBlinkOn = true;
    if (FCaretShown)
        FBlinkTimer.start();
    else
        FBlinkTimer.stop();
    viewport()->update();
}

void TCustomSyntaxEdit::BlinkCaret()
{
    FCaretBlinkOn = !FCaretBlinkOn;
    viewport()->update(CaretRect().adjusted(-2, -2, 2, 2));
}

// ======================================================================= events

void TCustomSyntaxEdit::paintEvent(QPaintEvent *e)
{
    RunGuarded([&] {
        QPainter p(viewport());
        PaintTo(p, e->rect());
    });
}

void TCustomSyntaxEdit::resizeEvent(QResizeEvent *e)
{
    RunGuarded([&] {
        QAbstractScrollArea::resizeEvent(e);
        Resize(viewport()->width(), viewport()->height());
    });
}

void TCustomSyntaxEdit::changeEvent(QEvent *e)
{
    RunGuarded([&] {
        QAbstractScrollArea::changeEvent(e);
        if (e->type() == QEvent::FontChange)
            FontChanged();
    });
}

void TCustomSyntaxEdit::keyPressEvent(QKeyEvent *e)
{
    static const bool xkb = QGuiApplication::platformName() == QLatin1String("xcb") ||
                            QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    const uint16_t key = QtKeyEventToVirtualKey(e->key(), e->modifiers(), e->nativeScanCode(), xkb);
    const TShiftState shift = QtModifiersToShift(e->modifiers());
    try {
        if (key && KeyDown(key, shift)) {
            e->accept();
            return;
        }
        const QString text = e->text();
        // Ctrl or Alt alone make a key combination, not a character; both together may be the
        // key that types a layout's third-level characters.
        const TShiftState ctrlAlt = shift & (ssCtrl | ssAlt);
        if (text.isEmpty() || ctrlAlt == ssCtrl || ctrlAlt == ssAlt) {
            e->ignore();
            return;
        }
        for (QChar c : text)
            KeyPress(c.unicode());
    } catch (...) {
        // The command did not complete; the user is told why (nothing may unwind through Qt).
        ShowCurrentException();
    }
    e->accept();
}

void TCustomSyntaxEdit::keyReleaseEvent(QKeyEvent *e)
{
    RunGuarded([&] {
        KeyUp();
        QAbstractScrollArea::keyReleaseEvent(e);
    });
}

void TCustomSyntaxEdit::inputMethodEvent(QInputMethodEvent *e)
{
    RunGuarded([&] {
        if (!e->commitString().isEmpty())
            InsertImeText(ToWideString(e->commitString()));
        e->accept();
    });
}

QVariant TCustomSyntaxEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImCursorRectangle)
        return CaretRect();
    if (query == Qt::ImFont)
        return font();
    return QAbstractScrollArea::inputMethodQuery(query);
}

void TCustomSyntaxEdit::focusInEvent(QFocusEvent *e)
{
    RunGuarded([&] {
        QAbstractScrollArea::focusInEvent(e);
        CreateEditorCaret();
        UpdateScrollBars();
        if (HasOption(eoHideSelection) && SelAvail())
            viewport()->update();
    });
}

void TCustomSyntaxEdit::focusOutEvent(QFocusEvent *e)
{
    RunGuarded([&] {
        QAbstractScrollArea::focusOutEvent(e);
        FCaretShown = false;
        FBlinkTimer.stop();
        viewport()->update();
    });
}

bool TCustomSyntaxEdit::focusNextPrevChild(bool next)
{
    if (HasOption(eoWantTabs))
        return false; // Tab is typed into the text
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TCustomSyntaxEdit::mousePressEvent(QMouseEvent *e)
{
    RunGuarded([&] {
        const bool wasFocused = hasFocus();
        const QPoint pos = e->position().toPoint();
        FLastMousePos = pos;
        if (e->button() != Qt::LeftButton) {
            FAutoScrollTimer.stop();
            return;
        }
        if (!wasFocused)
            setFocus(Qt::MouseFocusReason);
        const TMouseDownResult r = MouseDown(true, QtModifiersToShift(e->modifiers()), false, pos.x(), pos.y(),
                                             wasFocused, static_cast<uint32_t>(e->timestamp()));
        FDragPending = r == mdStartDrag;
        if (FDragPending)
            DoStartDrag(); // no drag has entered anywhere yet
        FPressPos = pos;
    });
}

void TCustomSyntaxEdit::mouseDoubleClickEvent(QMouseEvent *e)
{
    RunGuarded([&] {
        if (e->button() != Qt::LeftButton)
            return;
        const QPoint pos = e->position().toPoint();
        MouseDown(true, QtModifiersToShift(e->modifiers()), true, pos.x(), pos.y(), true,
                  static_cast<uint32_t>(e->timestamp()));
        if (pos.x() > GutterRight())
            DblClick();
    });
}

void TCustomSyntaxEdit::mouseMoveEvent(QMouseEvent *e)
{
    RunGuarded([&] {
        const QPoint pos = e->position().toPoint();
        FLastMousePos = pos;
        const bool left = e->buttons() & Qt::LeftButton;
        // The arrow over the gutter and over selected text, the I-beam elsewhere.
        const bool arrow = pos.x() <= GutterRight() || IsPointInSelection(PixelsToTextPos(pos.x(), pos.y()));
        viewport()->setCursor(arrow ? Qt::ArrowCursor : Qt::IBeamCursor);
        if (FDragPending) {
            if (left && (pos - FPressPos).manhattanLength() >= QApplication::startDragDistance())
                StartDrag();
            return;
        }
        const int timer = MouseMove(left, FAutoScrollTimer.isActive(), pos.x(), pos.y());
        if (timer > 0)
            FAutoScrollTimer.start();
        else if (timer < 0)
            FAutoScrollTimer.stop();
        if (left && FAutoScrollTimer.isActive())
            AutoScrollTick();
    });
}

void TCustomSyntaxEdit::mouseReleaseEvent(QMouseEvent *e)
{
    RunGuarded([&] {
        Q_UNUSED(e);
        if (FDragPending) {
            FDragPending = false;
            DragCanceled();
        }
        MouseUp();
        FAutoScrollTimer.stop();
    });
}

void TCustomSyntaxEdit::AutoScrollTick()
{
    AutoScrollStep(FLastMousePos.x(), FLastMousePos.y(), DragTracking());
}

void TCustomSyntaxEdit::wheelEvent(QWheelEvent *e)
{
    RunGuarded([&] {
        const int lines = QApplication::wheelScrollLines();
        // Fine wheels and touchpads report parts of a notch: they add up to whole notches, and a
        // turn the other way starts afresh.
        const int delta = e->angleDelta().y();
        if ((delta < 0) != (FWheelRemainder < 0))
            FWheelRemainder = 0;
        FWheelRemainder += delta;
        const int notches = FWheelRemainder / 120;
        FWheelRemainder -= notches * 120;
        if (notches != 0)
            WheelScroll(notches * 120, e->modifiers() & Qt::ControlModifier, lines);
        e->accept();
    });
}

// The cursors shown while text is dragged: an arrow with a small page, and a plus sign on
// it for a copy. Drawn once.
QPixmap TCustomSyntaxEdit::DragCursor(bool copy)
{
    static QPixmap cursors[2];
    QPixmap &pm = cursors[copy ? 1 : 0];
    if (pm.isNull()) {
        pm = QPixmap(24, 24);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        const QPolygon arrow(
            {QPoint(0, 0), QPoint(0, 14), QPoint(4, 10), QPoint(7, 16), QPoint(9, 15), QPoint(6, 9), QPoint(11, 9)});
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawPolygon(arrow);
        p.drawRect(9, 13, 10, 8);
        p.drawLine(11, 16, 17, 16);
        p.drawLine(11, 18, 15, 18);
        if (copy) {
            p.fillRect(16, 6, 7, 7, Qt::white);
            p.drawRect(16, 6, 7, 7);
            p.drawLine(18, 9, 21, 9);
            p.drawLine(19, 8, 19, 11);
        }
    }
    return pm;
}

TCustomSyntaxEdit *TCustomSyntaxEdit::EditorOf(const QMimeData *data) const
{
    const auto *drag = qobject_cast<const TEditorDragData *>(data);
    return drag ? qobject_cast<TCustomSyntaxEdit *>(drag->Source.data()) : nullptr;
}

void TCustomSyntaxEdit::StartDrag()
{
    FDragPending = false;
    auto *data = new TEditorDragData;
    data->Source = this;
    data->setText(ToQString(GetSelText()));
    DoStartDrag();
    QDrag drag(this);
    drag.setMimeData(data);
    drag.setDragCursor(DragCursor(false), Qt::MoveAction);
    drag.setDragCursor(DragCursor(true), Qt::CopyAction);
    const Qt::DropAction done = drag.exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (done == Qt::IgnoreAction)
        DragCanceled();
}

void TCustomSyntaxEdit::dragEnterEvent(QDragEnterEvent *e)
{
    RunGuarded([&] {
        if (!EditorOf(e->mimeData()) || HasOption(eoReadOnly)) {
            e->ignore();
            return;
        }
        DragEnter();
        setFocus(Qt::OtherFocusReason);
        FAutoScrollTimer.start();
        e->acceptProposedAction();
    });
}

void TCustomSyntaxEdit::dragMoveEvent(QDragMoveEvent *e)
{
    RunGuarded([&] {
        TCustomSyntaxEdit *source = EditorOf(e->mimeData());
        const QPoint pos = e->position().toPoint();
        FLastMousePos = pos;
        const TTextPoint cell = PixelsToTextPos(pos.x(), pos.y());
        if (!source || !DragAccept(source, cell)) {
            e->ignore();
            return;
        }
        SetCaretXY(cell); // the caret follows the mouse without selecting
        const bool copy = IsDragCopy(source != this, QtModifiersToShift(e->modifiers()));
        e->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
        e->accept();
    });
}

void TCustomSyntaxEdit::dragLeaveEvent(QDragLeaveEvent *e)
{
    RunGuarded([&] {
        Q_UNUSED(e);
        DragLeave();
        FAutoScrollTimer.stop();
    });
}

void TCustomSyntaxEdit::dropEvent(QDropEvent *e)
{
    FAutoScrollTimer.stop();
    TCustomSyntaxEdit *source = EditorOf(e->mimeData());
    const QPoint pos = e->position().toPoint();
    const TTextPoint cell = PixelsToTextPos(pos.x(), pos.y());
    if (!source || !DragAccept(source, cell)) {
        DragLeave();
        e->ignore();
        return;
    }
    const bool copy = IsDragCopy(source != this, QtModifiersToShift(e->modifiers()));
    try {
        DragDrop(source, cell, copy);
    } catch (...) {
        // The drop is not made; the user is told why (nothing may unwind through Qt).
        ShowCurrentException();
    }
    // The text was moved here already; the source has nothing left to delete.
    e->setDropAction(Qt::CopyAction);
    e->accept();
}
