#include "print/ZvPreview.h"
#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "platform/ScopeGuard.h"
#include <QCoreApplication>
#include <QCursor>
#include <QPixmap>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

QEvent::Type ZvNotifyEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

namespace {

WideString ReplaceAll(WideString Text, const WideString &Token, const WideString &By)
{
    // Each occurrence is looked for again from the start, as a replacement never brings the
    // token back (the values hold no braces).
    for (size_t at = Text.find(Token); at != WideString::npos; at = Text.find(Token))
        Text.replace(at, Token.size(), By);
    return Text;
}

WideString Wide(const QString &s)
{
    return ToWideString(s);
}

} // namespace

WideString ZvReplaceFields(const WideString &Text, int32_t PageNumber, int32_t PageCount, const QDateTime &Now)
{
    static const char *const Months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = Now.date();
    const QString date = QStringLiteral("%1-%2-%3")
                             .arg(d.day(), 2, 10, QLatin1Char('0'))
                             .arg(QLatin1String(Months[std::clamp(d.month(), 1, 12) - 1]))
                             .arg(d.year(), 4, 10, QLatin1Char('0'));
    const QTime t = Now.time();
    const QString time =
        QStringLiteral("%1:%2").arg(t.hour(), 2, 10, QLatin1Char('0')).arg(t.minute(), 2, 10, QLatin1Char('0'));
    WideString s = ReplaceAll(Text, u"{DATE}", Wide(date));
    s = ReplaceAll(s, u"{TIME}", Wide(time));
    s = ReplaceAll(s, u"{PAGE}", Wide(QString::number(PageNumber)));
    return ReplaceAll(s, u"{NUMPAGES}", Wide(QString::number(PageCount)));
}

// The zoom cursors are pictures of our own, bundled with the print library; a static library's
// resources are registered by hand.
static void InitZoomCursors()
{
    Q_INIT_RESOURCE(ZoomCursors);
}

QCursor ZvPreviewCursor(int Kind)
{
    if (Kind != 1 && Kind != 2)
        return QCursor(Qt::ArrowCursor);
    static const bool registered = (InitZoomCursors(), true);
    (void)registered;
    // The hot spot is the middle of the magnifier's lens.
    return QCursor(QPixmap(Kind == 1 ? QStringLiteral(":/cursors/zoomin.png") : QStringLiteral(":/cursors/zoomout.png")),
                   ZvZoomCursorHotSpot, ZvZoomCursorHotSpot);
}

// ---- paper image

TZvPaperImage::TZvPaperImage(TZvPreview *Preview) : QWidget(nullptr), FPreview(Preview)
{
    setMouseTracking(true);
    setAcceptDrops(true);
}

QRect TZvPaperImage::PageRect() const
{
    return QRect(QPoint(Gutter, Gutter), QPoint(width() - Gutter - 1, height() - Gutter - 1));
}

bool TZvPaperImage::InPage(int x, int y) const
{
    return Gutter < x && x < width() - Gutter && Gutter < y && y < height() - Gutter;
}

void TZvPaperImage::paintEvent(QPaintEvent *)
{
    RunGuarded([&] {
        QPainter p(this);
        const QRect page = PageRect();
        p.fillRect(page, Qt::white);
        if (Page && ShowContent) {
            const QPicture &metafile = Page->GetMetafile();
            const QSize size = Page->MetafileSize();
            if (size.width() > 0 && size.height() > 0) {
                p.save();
                p.setRenderHint(QPainter::Antialiasing);
                p.setRenderHint(QPainter::TextAntialiasing);
                p.translate(page.topLeft());
                p.scale(double(page.width() + 1) / size.width(), double(page.height() + 1) / size.height());
                p.drawPicture(0, 0, metafile);
                p.restore();
            }
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 0));
        p.drawRect(page);
        if (Shadow && Shadow->Visible() && Shadow->Width() > 0) {
            const int w = Shadow->Width();
            const QColor c = ZvColor(Shadow->Color());
            p.fillRect(QRect(QPoint(page.right() + 1, page.top() + w), QPoint(page.right() + w, page.bottom() + w)), c);
            p.fillRect(QRect(QPoint(page.left() + w, page.bottom() + 1), QPoint(page.right() + w, page.bottom() + w)),
                       c);
        }
        auto frame = [&](const TPen &Pen, int32_t l, int32_t t, int32_t r, int32_t b) {
            const double z = Zoom / 100.0;
            const int left = page.left() + int(std::lround(z * TZvValue(l, nullptr).AsPixels(96))) - 1;
            const int top = page.top() + int(std::lround(z * TZvValue(t, nullptr).AsPixels(96))) - 1;
            const int right = page.right() + 1 - int(std::lround(z * TZvValue(r, nullptr).AsPixels(96)));
            const int bottom = page.bottom() + 1 - int(std::lround(z * TZvValue(b, nullptr).AsPixels(96)));
            p.setPen(ZvPen(Pen.Color(), Pen.Style(), 1, false));
            p.setBrush(Qt::NoBrush);
            const QPoint pts[5] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
            p.drawPolyline(pts, 5);
        };
        if (Margins && Margins->Visible())
            frame(Margins->Pen(), Margins->Left().Value(), Margins->Top().Value(), Margins->Right().Value(),
                  Margins->Bottom().Value());
        if (Margins && Margins->ShowPrinterMargins()) {
            TZvValueRect &pm = Margins->PrinterMargins();
            frame(Margins->PrinterMarginPen(), pm.Left.Value(), pm.Top.Value(), pm.Right.Value(), pm.Bottom.Value());
        }
    });
}

bool TZvPaperImage::ToPage(const QPoint &Point)
{
    if (!InPage(Point.x(), Point.y()))
        return false;
    const double z = Zoom / 100.0;
    MouseX.SetAsInches((Point.x() - Gutter) / z / 96);
    MouseY.SetAsInches((Point.y() - Gutter) / z / 96);
    return true;
}

void TZvPaperImage::mousePressEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        QWidget::mousePressEvent(Event);
        if (FPreview->OnPageMouseDown && ToPage(Event->position().toPoint()))
            FPreview->OnPageMouseDown(Event->button(), Event->modifiers(), MouseX, MouseY);
    });
}

void TZvPaperImage::mouseMoveEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        QWidget::mouseMoveEvent(Event);
        if (FPreview->OnPageMouseMove && ToPage(Event->position().toPoint()))
            FPreview->OnPageMouseMove(Event->modifiers(), MouseX, MouseY);
    });
}

void TZvPaperImage::mouseReleaseEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        QWidget::mouseReleaseEvent(Event);
        if (FPreview->OnPageMouseUp && ToPage(Event->position().toPoint()))
            FPreview->OnPageMouseUp(Event->button(), Event->modifiers(), MouseX, MouseY);
    });
}

void TZvPaperImage::dragEnterEvent(QDragEnterEvent *Event)
{
    RunGuarded([&] {
        dragMoveEvent(Event);
    });
}

void TZvPaperImage::dragMoveEvent(QDragMoveEvent *Event)
{
    RunGuarded([&] {
        bool accept = false;
        if (FPreview->OnPageDragOver && ToPage(Event->position().toPoint()))
            FPreview->OnPageDragOver(Event->source(), MouseX, MouseY, Event->type(), accept);
        Event->setAccepted(accept);
    });
}

void TZvPaperImage::dropEvent(QDropEvent *Event)
{
    RunGuarded([&] {
        if (FPreview->OnPageDragDrop && ToPage(Event->position().toPoint())) {
            FPreview->OnPageDragDrop(Event->source(), MouseX, MouseY);
            Event->acceptProposedAction();
        }
    });
}

// ---- preview

TZvPreview::TZvPreview(QWidget *Parent, QPrinter *Printer) : QScrollArea(Parent)
{
    FUpdateCount = 1; // nothing is laid out before the control is complete
    FPrinter = std::make_unique<TZvPrinter>(Printer);
    FPages = std::make_unique<TZvPageList>();
    FCanvas = std::make_unique<TZvCanvas>();
    FHeader = std::make_unique<TZvHeader>();
    FFooter = std::make_unique<TZvFooter>();
    FMargins = std::make_unique<TZvMargins>();
    FShadow = std::make_unique<TZvShadow>();
    FPaper = new TZvPaperImage(this);

    FHeader->OnChange = [this] { AllPagesChanged(); };
    FFooter->OnChange = [this] { AllPagesChanged(); };
    FMargins->OnChange = [this] { AllPagesChanged(); };
    FPages->OnChange = [this] { PaperChanged(); };
    FPages->OnPageOrientationChanged = [this](TZvPage &Page, int32_t Number, TZvOrientation O) {
        if (OnChangePageOrientation)
            OnChangePageOrientation(Page, Number, O);
    };
    FPrinter->OnChange = [this] {
        PostToLinked(zvmPageChanged);
        if (OnChangePrinter)
            OnChangePrinter();
    };
    FCanvas->OnChange = [this] {
        if (OnCanvasChange)
            OnCanvasChange();
    };
    FMargins->SetPrinter(FPrinter.get());
    FPaper->Shadow = FShadow.get();
    FPaper->Margins = FMargins.get();
    FShadow->OnChange = [this] { FPaper->update(); };
    FPages->Header = FHeader.get();
    FPages->Footer = FFooter.get();
    FPages->Margins = FMargins.get();
    for (TZvHeaderFooter *hf :
         {static_cast<TZvHeaderFooter *>(FHeader.get()), static_cast<TZvHeaderFooter *>(FFooter.get())}) {
        hf->SetMargins(FMargins.get());
        hf->SetFieldReplacer([this](const WideString &Text, int32_t Page) { return ReplaceFields(Text, Page); });
    }

    setFrameShape(QFrame::StyledPanel);
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    setWidget(FPaper);
    resize(234, 304);
    SetColor(FColor);

    FPages->AddPage();
    FCurrentPage = 1;
    FCanvas->SetPage(FPages->Pages(1));
    FCanvas->Units = zvuMillimetres;
    FPaper->Gutter = FGutter;
    FUpdateCount = 0;
    UpdatePaper();
}

TZvPreview::~TZvPreview() = default;

std::string TZvPreview::About() const
{
    std::string about = "TZvPreview v";
    about.append(ZvLibraryVersion);
    return about;
}

void TZvPreview::PostToLinked(int Message, bool Always)
{
    if (FUpdateCount > 0 && !Always)
        return;
    for (const auto &target : LinkedControls)
        if (target && target->isWidgetType())
            QCoreApplication::postEvent(target.data(), new TZvNotifyMessage(Message));
}

bool TZvPreview::event(QEvent *Event)
{
    if (Event->type() == ZvNotifyEventType()) {
        // The resolution the library measures text with: the one given, or 600 to measure
        // as a printer does.
        const auto *m = static_cast<TZvNotifyMessage *>(Event);
        RunGuarded([&] {
            if (m->Message == zvmSetScreenResolution && m->WParam > 0)
                SetScreenPixelsPerInch(m->WParam);
            else if (m->Message == zvmSetPrinterResolution)
                SetScreenPixelsPerInch(600);
        });
        return true;
    }
    return QScrollArea::event(Event);
}

void TZvPreview::resizeEvent(QResizeEvent *Event)
{
    RunGuarded([&] {
        QScrollArea::resizeEvent(Event);
        UpdatePaper();
    });
}

void TZvPreview::SetColor(TColor Value)
{
    FColor = Value;
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, ZvColor(Value));
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    viewport()->update();
}

void TZvPreview::SetGutter(int32_t Value)
{
    if (Value == FGutter)
        return;
    FGutter = Value;
    FPaper->Gutter = Value;
    UpdatePaper();
}

void TZvPreview::SetMinZoom(int32_t Value)
{
    if (Value != FMinZoom)
        FMinZoom = std::min(Value, FMaxZoom);
}

void TZvPreview::SetMaxZoom(int32_t Value)
{
    if (Value != FMaxZoom)
        FMaxZoom = std::max(Value, FMinZoom);
}

void TZvPreview::SetZoom(int32_t Value)
{
    Value = std::clamp(Value, FMinZoom, FMaxZoom);
    if (Value < 5)
        Value = 5;
    if (Value == FZoom)
        return;
    const int32_t old = FZoom;
    if (OnZoom)
        OnZoom(old, Value);
    FZoom = Value;
    UpdatePaper();
}

void TZvPreview::SetOrientation(TZvOrientation Value)
{
    if (Value == FOrientation)
        return;
    const TZvPaperSize keep = FPaperSize;
    TScopeGuard after([&] {
        FPaperSize = keep;
        PostToLinked(zvmOrientation);
        if (OnChangeOrientation)
            OnChangeOrientation();
    });
    FOrientation = Value;
    FPages->SetOrientation(Value);
    UpdatePaper();
}

void TZvPreview::SetPagesPerSheet(TZvPagesPerSheet Value)
{
    if (Value == FPagesPerSheet)
        return;
    FPagesPerSheet = Value;
    PostToLinked(zvmPagesPerSheet);
}

void TZvPreview::SetPaperSize(TZvPaperSize Value)
{
    if (Value == TZvPaperSize::Custom) {
        FPaperSize = Value;
        if (OnPageSizeChange)
            OnPageSizeChange();
        return;
    }
    if (Value == FPaperSize)
        return;
    TScopeGuard after([&] {
        FPaperSize = Value;
        if (OnPageSizeChange)
            OnPageSizeChange();
    });
    FPages->SetPaperSize(Value);
}

void TZvPreview::PaperChanged()
{
    FPaperSize = TZvPaperSize::Custom;
    UpdatePaper();
}

void TZvPreview::AllPagesChanged()
{
    FPages->MarkAllOutOfDate();
    UpdatePaper();
}

void TZvPreview::SetCoordsRelativeTo(TZvCoordsRelative Value)
{
    if (Value == FCoordsRelativeTo)
        return;
    FCoordsRelativeTo = Value;
    switch (Value) {
    case fromPage: FCanvas->SetOrigin(0, 0); break;
    case fromPrinterMargins: {
        const auto m = FPrinter->PrinterMarginsInches();
        FCanvas->SetOrigin(m[0], m[1]);
        break;
    }
    case fromUserMargins: FCanvas->SetOrigin(FMargins->Left().AsInches(), FMargins->Top().AsInches()); break;
    case fromHeaderLine:
        FCanvas->SetOrigin(FMargins->Left().AsInches(), FMargins->Top().AsInches() + FHeader->Height().AsInches());
        break;
    }
}

TZvValue &TZvPreview::AvailablePageHeight()
{
    FAvailable.OnChange = nullptr;
    FAvailable.SetValue(PaperHeight() - (FMargins->Top().Value() + FMargins->Bottom().Value()) -
                        (FHeader->Height().Value() + FFooter->Height().Value()));
    return FAvailable;
}

TZvValue &TZvPreview::AvailablePageWidth()
{
    FAvailable.OnChange = nullptr;
    FAvailable.SetValue(PaperWidth() - (FMargins->Left().Value() + FMargins->Right().Value()));
    return FAvailable;
}

TZvPage &TZvPreview::NewPage()
{
    TZvPage &page = FPages->AddPage();
    FCanvas->SetPage(&page);
    if (FUpdateCount == 0)
        LastPage();
    FCurrentPage = PageCount();
    if (OnNewPage)
        OnNewPage();
    PostToLinked(zvmNewPage);
    return page;
}

void TZvPreview::Clear()
{
    FCurrentPage = 1;
    for (int32_t n = PageCount(); n >= 1; --n) {
        if (n == 1)
            FPages->Pages(1)->Clear();
        else
            FPages->DeletePage(n);
    }
    FCanvas->SetPage(FPages->Pages(1));
    UpdatePaper();
    if (OnClear)
        OnClear();
    PostToLinked(zvmClear);
}

void TZvPreview::BeginUpdate()
{
    ++FUpdateCount;
    FRecordedPageCount = PageCount();
    FPaper->ShowContent = false;
    PostToLinked(zvmBeginUpdate, true);
}

void TZvPreview::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount == 0) {
        FPaper->ShowContent = true;
        UpdatePaper();
        PostToLinked(zvmEndUpdate, true);
    }
    if (PageCount() != FRecordedPageCount)
        PageChangeNotification();
}

void TZvPreview::PageChangeNotification()
{
    if (OnPageChange)
        OnPageChange(FCurrentPage);
    PostToLinked(zvmPageChanged);
}

void TZvPreview::Assign(TZvPreview &Other)
{
    if (&Other == this)
        return;
    // Counts as updating while it copies, so nothing is laid out half-copied.
    ++FUpdateCount;
    TScopeGuard settle([this] { --FUpdateCount; });
    FHeader->Assign(*Other.FHeader);
    FFooter->Assign(*Other.FFooter);
    FMargins->Assign(*Other.FMargins);
    FPrinter->Assign(*Other.FPrinter);
    FShadow->Assign(*Other.FShadow);
    FPages->PaperSize().Width().SetValue(Other.PaperWidth());
    FPages->PaperSize().Height().SetValue(Other.PaperHeight());
    FPages->Assign(*Other.FPages);
    FPaperSize = Other.FPaperSize;
    FOrientation = Other.FOrientation;
    FPagesPerSheet = Other.FPagesPerSheet;
    FCurrentPage = std::clamp(Other.FCurrentPage, 1, PageCount());
    FCanvas->SetPage(FPages->Pages(FCurrentPage));
}

void TZvPreview::GotoPage(int32_t Number)
{
    if (Number == FCurrentPage)
        return;
    // Page numbers outside the pages there are change nothing; -1 only redraws.
    if (Number != -1 && (Number < 1 || Number > PageCount()))
        return;
    if (OnPageChanging)
        OnPageChanging(FCurrentPage);
    if (Number != -1)
        FCurrentPage = Number;
    FCanvas->SetPage(FPages->Pages(FCurrentPage));
    UpdatePaper();
    PageChangeNotification();
}

void TZvPreview::FirstPage()
{
    if (FCurrentPage > 1)
        GotoPage(1);
}

void TZvPreview::LastPage()
{
    if (FCurrentPage < PageCount())
        GotoPage(PageCount());
}

void TZvPreview::NextPage()
{
    if (FCurrentPage < PageCount())
        GotoPage(FCurrentPage + 1);
}

void TZvPreview::PrevPage()
{
    if (FCurrentPage >= 2)
        GotoPage(FCurrentPage - 1);
}

void TZvPreview::SetCursorKind(int Kind)
{
    FCursorKind = Kind;
    setCursor(ZvPreviewCursor(Kind));
}

void TZvPreview::ZoomIn()
{
    if (underMouse())
        SetCursorKind(1);
    const auto [h, v] = ScrollPercent();
    SetZoom(ZoomStyle == zvFixedZoom ? FZoom + ZoomIncrement : FZoom + FZoom / 2);
    ScrollToPercent(h, v);
}

void TZvPreview::ZoomOut()
{
    if (underMouse())
        SetCursorKind(2);
    const auto [h, v] = ScrollPercent();
    SetZoom(ZoomStyle == zvFixedZoom ? FZoom - ZoomIncrement : FZoom - FZoom / 2);
    ScrollToPercent(h, v);
}

void TZvPreview::FitWidth()
{
    const auto [h, v] = ScrollPercent();
    const float ratio = float(viewport()->width() - 2 * FGutter) / float(std::max(1, FPaper->width()));
    const int32_t z = int32_t(std::lround(ratio * float(FZoom)));
    SetZoom((z / 4) * 4 + 4);
    ScrollToPercent(h, v);
}

void TZvPreview::ZoomToFit()
{
    const auto [h, v] = ScrollPercent();
    const float rw = float(viewport()->width() - 2 * FGutter) / float(std::max(1, FPaper->width()));
    const float rh = float(viewport()->height() - 2 * FGutter) / float(std::max(1, FPaper->height()));
    const int32_t zw = int32_t(std::lround(rw * float(FZoom)));
    const int32_t zh = int32_t(std::lround(rh * float(FZoom)));
    const int32_t z = std::min(zw, zh);
    SetZoom((z / 4) * 4 + 4);
    ScrollToPercent(h, v);
}

std::pair<double, double> TZvPreview::ScrollPercent() const
{
    auto percent = [](const QScrollBar *bar) {
        if (bar->maximum() <= 0 || bar->value() <= 0)
            return 0.0;
        return double(bar->value()) / bar->maximum() * 100;
    };
    return {percent(horizontalScrollBar()), percent(verticalScrollBar())};
}

void TZvPreview::ScrollToPercent(double Horizontal, double Vertical)
{
    horizontalScrollBar()->setValue(int(std::lround(horizontalScrollBar()->maximum() * Horizontal / 100)));
    verticalScrollBar()->setValue(int(std::lround(verticalScrollBar()->maximum() * Vertical / 100)));
}

WideString TZvPreview::ReplaceFields(const WideString &Text, int32_t PageNumber) const
{
    if (Text.find(u'{') == WideString::npos)
        return Text;
    return ZvReplaceFields(Text, PageNumber, PageCount(), QDateTime::currentDateTime());
}

void TZvPreview::UpdatePaper()
{
    if (FUpdateCount > 0)
        return;
    TZvPage *page = GetPage(FCurrentPage);
    const bool rendered = page && page->Refresh();
    FPaper->Page = page;
    FPaper->Zoom = FZoom;
    const Extended wIn = page ? page->Size().Width().AsInches() : TZvValue(PaperWidth(), nullptr).AsInches();
    const Extended hIn = page ? page->Size().Height().AsInches() : TZvValue(PaperHeight(), nullptr).AsInches();
    const int32_t w = ZvRound(wIn * 96 * FZoom / 100), h = ZvRound(hIn * 96 * FZoom / 100);
    FPaper->resize(w + 2 * FGutter, h + 2 * FGutter);
    FPaper->update();
    viewport()->update();
    if (rendered)
        PostToLinked(zvmPaperRendered);
}

bool TZvPreview::Print()
{
    return PrintRange(1, PageCount());
}

bool TZvPreview::PrintRange(int32_t First, int32_t Last)
{
    First = std::max(First, 1);
    Last = std::min(Last, PageCount());
    if (First > Last)
        return false;
    std::vector<int32_t> order;
    for (int32_t n = First; n <= Last; ++n)
        order.push_back(n);
    if (ReversePrintOrder)
        std::reverse(order.begin(), order.end());

    FPrinter->SetPagesPerSheet(PagesOrientation() == 2 ? zvOnePage : FPagesPerSheet);
    FPrinter->SetOrientation(GetPage(order.front())->Orientation());
    if (BeforePrint)
        BeforePrint();
    if (FPrinter->Printing())
        return false;
    try {
        if (!FPrinter->BeginDoc())
            return false;
    } catch (const EZvPrintError &e) {
        ShowError(AnsiToWide(e.Message()));
        return false;
    }

    // Collated copies print the whole range again for each copy (1, 2, 1, 2); otherwise each
    // page comes out as many times as there are copies (1, 1, 2, 2).
    const int32_t copies = std::max(PrintCopies(), 0);
    const int32_t passes = PrintCollate ? copies : (copies > 0 ? 1 : 0);
    const int32_t each = PrintCollate ? 1 : copies;
    std::vector<int32_t> sequence;
    for (int32_t pass = 0; pass < passes; ++pass)
        for (int32_t n : order)
            for (int32_t k = 0; k < each; ++k)
                sequence.push_back(n);

    bool aborted = false;
    TScopeGuard finish([&] {
        FPrinter->EndDoc();
        if (aborted) {
            if (OnAbortPrint)
                OnAbortPrint();
        } else if (AfterPrint) {
            AfterPrint();
        }
    });
    const int32_t total = int32_t(sequence.size());
    for (size_t i = 0; i < sequence.size(); ++i) {
        TZvPage &page = *GetPage(sequence[i]);
        if (BeforePrintPage)
            BeforePrintPage(page);
        if (OnPrintPage)
            OnPrintPage(page);
        page.Print(*FPrinter);
        if (AfterPrintPage)
            AfterPrintPage(page);
        if (i + 1 < sequence.size())
            FPrinter->NextPage(GetPage(sequence[i + 1])->Orientation());
        QCoreApplication::processEvents();
        if (FPrinter->Aborted()) {
            aborted = true;
            break;
        }
        if (OnPrintProgress)
            OnPrintProgress(int32_t(i + 1), total);
    }
    return !aborted;
}
