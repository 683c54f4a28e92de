#pragma once
// The preview control: owns the pages, the page canvas, the printer, header, footer, margins
// and shadow; shows the current page as paper on a grey ground at a zoom, and prints a range
// of pages.
#include "print/ZvCanvas.h"
#include "print/ZvPages.h"
#include "print/ZvPrinter.h"
#include <QCursor>
#include <QDateTime>
#include <QEvent>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <memory>
#include <vector>

class QPrinter;
class TStream;
class TZvPreview;

enum TZvZoomStyle : uint8_t { zvFixedZoom, zvVariableZoom };
enum TZvCoordsRelative : uint8_t { fromPage, fromPrinterMargins, fromUserMargins, fromHeaderLine };

// Notifications posted to linked controls (a QEvent of type ZvNotifyEventType carrying the code).
enum : int {
    zvmPaperRendered = 0x1B70,
    zvmSetScreenResolution = 0x1B71,
    zvmSetPrinterResolution = 0x1B72,
    zvmNewPage = 0x1B73,
    zvmPagesPerSheet = 0x1B74,
    zvmOrientation = 0x1B75,
    zvmPageChanged = 0x1B76,
    zvmBeginUpdate = 0x1B77,
    zvmEndUpdate = 0x1B78,
    zvmClear = 0x1B79
};
QEvent::Type ZvNotifyEventType();
// The preview's cursors by kind: 0 the arrow, 1 zooming in, 2 zooming out (magnifiers with "+" and
// "-", hot spot in the middle of the lens).
QCursor ZvPreviewCursor(int Kind);
constexpr int ZvZoomCursorHotSpot = 12;

class TZvNotifyMessage : public QEvent {
public:
    explicit TZvNotifyMessage(int Message, int WParam = 0)
        : QEvent(ZvNotifyEventType()), Message(Message), WParam(WParam)
    {
    }
    int Message;
    int WParam;
};

// "{DATE}" (dd-mmm-yyyy), "{TIME}" (hh:nn), "{PAGE}" and "{NUMPAGES}" replaced, in that order.
WideString ZvReplaceFields(const WideString &Text, int32_t PageNumber, int32_t PageCount, const QDateTime &Now);

// The paper inside the preview: the current page scaled to the zoom, with frame, shadow and
// margin lines.
class TZvPaperImage : public QWidget {
public:
    explicit TZvPaperImage(TZvPreview *Preview);
    int32_t Gutter = 30;
    TZvMargins *Margins = nullptr;
    TZvShadow *Shadow = nullptr;
    TZvPage *Page = nullptr;
    int32_t Zoom = 20;
    bool ShowContent = true;
    TZvValue MouseX, MouseY;

    QRect PageRect() const;
    bool InPage(int x, int y) const;

protected:
    void paintEvent(QPaintEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void dragEnterEvent(QDragEnterEvent *Event) override;
    void dragMoveEvent(QDragMoveEvent *Event) override;
    void dropEvent(QDropEvent *Event) override;

private:
    // Converts a point to page inches in MouseX/MouseY; false outside the page.
    bool ToPage(const QPoint &Point);
    TZvPreview *FPreview;
};

class TZvPreview : public QScrollArea {
public:
    // Printer: the device to print on (not owned); null uses the program's printer.
    explicit TZvPreview(QWidget *Parent = nullptr, QPrinter *Printer = nullptr);
    ~TZvPreview() override;

    // ---- parts
    TZvCanvas &Canvas() { return *FCanvas; }
    TZvPrinter &ZvPrinter() { return *FPrinter; }
    TZvHeaderFooter &Header() { return *FHeader; }
    TZvHeaderFooter &Footer() { return *FFooter; }
    TZvMargins &Margins() { return *FMargins; }
    TZvShadow &Shadow() { return *FShadow; }
    TZvPageList &PageList() { return *FPages; }
    TZvPaperImage &PaperImage() { return *FPaper; }
    std::vector<QPointer<QObject>> LinkedControls;

    // ---- properties
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int32_t Gutter() const { return FGutter; }
    void SetGutter(int32_t Value);
    int32_t MinZoom() const { return FMinZoom; }
    void SetMinZoom(int32_t Value);
    int32_t MaxZoom() const { return FMaxZoom; }
    void SetMaxZoom(int32_t Value);
    int32_t Zoom() const { return FZoom; }
    void SetZoom(int32_t Value);
    int32_t ZoomIncrement = 10;
    TZvZoomStyle ZoomStyle = zvFixedZoom;
    TZvOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TZvOrientation Value);
    TZvPagesPerSheet PagesPerSheet() const { return FPagesPerSheet; }
    void SetPagesPerSheet(TZvPagesPerSheet Value);
    TZvPaperSize PaperSize() const { return FPaperSize; }
    void SetPaperSize(TZvPaperSize Value);
    TZvCoordsRelative CoordsRelativeTo() const { return FCoordsRelativeTo; }
    void SetCoordsRelativeTo(TZvCoordsRelative Value);
    bool PrintCollate = false;
    int32_t PrintCopies() const { return FPrinter->PrintCopies(); }
    void SetPrintCopies(int32_t Value) { FPrinter->SetPrintCopies(Value); }
    bool ReversePrintOrder = false;
    const WideString &Title() const { return FPrinter->Title(); }
    void SetTitle(const WideString &Value) { FPrinter->SetTitle(Value); }
    std::string About() const;

    // ---- pages
    int32_t PageCount() const { return FPages->Count(); }
    // Null outside 1..PageCount.
    TZvPage *GetPage(int32_t Number) const { return FPages->Pages(Number); }
    int32_t CurrentPage() const { return FCurrentPage; }
    int PagesOrientation() const { return FPages->PagesOrientation(); }
    int32_t PaperHeight() const { return FPages->PaperSize().Height().Value(); }
    int32_t PaperWidth() const { return FPages->PaperSize().Width().Value(); }
    TZvValue &AvailablePageHeight();
    TZvValue &AvailablePageWidth();

    virtual TZvPage &NewPage();
    virtual void Clear();
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }
    virtual void Assign(TZvPreview &Other);

    void GotoPage(int32_t Number);
    void FirstPage();
    void LastPage();
    void NextPage();
    void PrevPage();

    void ZoomIn();
    void ZoomOut();
    void FitWidth();
    void ZoomToFit();
    std::pair<double, double> ScrollPercent() const;
    void ScrollToPercent(double Horizontal, double Vertical);
    // 0 the arrow, 1 the zoom-in cursor, 2 the zoom-out cursor.
    void SetCursorKind(int Kind);
    int CursorKind() const { return FCursorKind; }

    WideString ReplaceFields(const WideString &Text, int32_t PageNumber) const;
    // Prints all pages / pages First..Last (clamped to the pages there are). Returns whether a
    // document was printed; a printer that cannot start is reported through the prompter.
    bool Print();
    bool PrintRange(int32_t First, int32_t Last);
    void UpdatePaper();

    // ---- events
    TZvNotify AfterPrint, BeforePrint, OnAbortPrint, OnCanvasChange, OnChangeMargins, OnChangeOrientation,
        OnChangePrinter, OnClear, OnDeletePage, OnNewPage, OnPageSizeChange;
    std::function<void(TZvPage &Page)> BeforePrintPage, OnPrintPage, AfterPrintPage;
    std::function<void(int32_t Printed, int32_t Total)> OnPrintProgress;
    std::function<void(int32_t PageNumber)> OnPageChange, OnPageChanging;
    std::function<void(int32_t OldZoom, int32_t NewZoom)> OnZoom;
    std::function<void(TZvPage &Page, int32_t PageNumber, TZvOrientation Orientation)> OnChangePageOrientation;
    std::function<void(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, TZvValue &X, TZvValue &Y)> OnPageMouseDown,
        OnPageMouseUp;
    std::function<void(Qt::KeyboardModifiers Shift, TZvValue &X, TZvValue &Y)> OnPageMouseMove;
    std::function<void(QObject *Source, TZvValue &X, TZvValue &Y)> OnPageDragDrop;
    std::function<void(QObject *Source, TZvValue &X, TZvValue &Y, QEvent::Type State, bool &Accept)> OnPageDragOver;
    // Carried for programs that use them; nothing in the control raises them.
    std::function<void(QWidget *&RichEdit)> OnNeedRichEdit;
    std::function<void(Extended Percent)> OnLoadProgress, OnSaveProgress;
    std::function<void(Extended FileVersion, bool &LoadFile)> BeforeLoad;
    std::function<void(TStream &FileStream)> BeforeReadStream, BeforeWriteStream;

protected:
    void resizeEvent(QResizeEvent *Event) override;
    bool event(QEvent *Event) override;

private:
    void PostToLinked(int Message, bool Always = false);
    void PageChangeNotification();
    void PaperChanged();
    void AllPagesChanged();

    std::unique_ptr<TZvPrinter> FPrinter;
    std::unique_ptr<TZvHeader> FHeader;
    std::unique_ptr<TZvFooter> FFooter;
    std::unique_ptr<TZvMargins> FMargins;
    std::unique_ptr<TZvShadow> FShadow;
    std::unique_ptr<TZvPageList> FPages;
    std::unique_ptr<TZvCanvas> FCanvas;
    TZvPaperImage *FPaper = nullptr;
    TColor FColor = 0x808080u;
    int32_t FGutter = 30, FMinZoom = 10, FMaxZoom = 200, FZoom = 20;
    TZvOrientation FOrientation = zvPortrait;
    TZvPagesPerSheet FPagesPerSheet = zvOnePage;
    TZvPaperSize FPaperSize = TZvPaperSize::A4;
    TZvCoordsRelative FCoordsRelativeTo = fromPage;
    int32_t FCurrentPage = 1;
    int FUpdateCount = 0;
    int32_t FRecordedPageCount = 0;
    int FCursorKind = 0;
    TZvValue FAvailable;
};
