#pragma once
// The printer of the print library: device geometry, print settings, the document cycle and
// one, two or four library pages per sheet of paper, over a QPrinter (a system printer, or a
// PDF file when an output file name is set). TZvPrinterCanvas draws in inches on it.
#include "print/ZvCopyMode.h"
#include "print/ZvTypes.h"
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QPicture>
#include <QString>
#include <memory>
#include <optional>

class QPrinter;
class QPrintDialog;
class TGraphic;

QUILLMAR_EXCEPTION(EZvPrintError, Exception);

enum TZvDitherType : uint8_t { zvNone, zvCourse, zvFine, zvLineArt, zvGrayScale };
enum TZvDuplexType : uint8_t { zvSimplex, zvHorzDuplex, zvVertDuplex };
enum TZvPrintColor : uint8_t { zvColor, zvMonochrome };
enum TZvPrintQuality : uint8_t { zvDraft, zvLow, zvMedium, zvHigh };

// The resolution a document is printed at, in dots per inch: 150 draft, 300 low, 600 medium,
// 1200 high.
int32_t ZvQualityResolution(TZvPrintQuality Quality);

// Raster operations for pictures.
constexpr uint32_t SRCCOPY = ZvRop::SrcCopy;

// The printer the whole program shares (the print dialog's "Select printer..." sets it up).
QPrinter &ZvGlobalPrinter();

class TZvPrinterCanvas {
public:
    TZvPrinterCanvas();
    ~TZvPrinterCanvas();
    TZvPrinterCanvas(const TZvPrinterCanvas &) = delete;
    TZvPrinterCanvas &operator=(const TZvPrinterCanvas &) = delete;

    TFont &Font() { return FFont; }
    TPen &Pen() { return FPen; }
    TBrush &Brush() { return FBrush; }
    // The painter on the printer while a document runs, else null.
    QPainter *Handle() const { return FPainter; }
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    void Refresh();

    uint32_t CopyMode = SRCCOPY;
    Extended TextAngle = 0;
    Extended Scale() const { return FScale; }
    int32_t ResolutionX() const { return FResX; }
    int32_t ResolutionY() const { return FResY; }
    TZvPrintColor PrintColor() const { return FPrintColor; }

    // Device pixels of a length in inches: round(resolution * scale * inches).
    int32_t DeviceX(Extended x) const { return ZvRound(Extended(FResX) * FScale * x); }
    int32_t DeviceY(Extended y) const { return ZvRound(Extended(FResY) * FScale * y); }
    QRect DeviceRect(Extended Left, Extended Top, Extended Right, Extended Bottom) const;

    // Inches (height, width) of the text with the current font at the current scale.
    TZvRealSize TextExtent(const WideString &Text) const;
    Extended TextHeight(const WideString &Text) const { return TextExtent(Text).Height; }
    Extended TextWidth(const WideString &Text) const { return TextExtent(Text).Width; }

    // The clip of the page being printed, in inches (none: no clip).
    void SetClip(const std::optional<QRectF> &Inches);

    // The device pen the canvas pen stands for at the current resolution and scale.
    QPen DevicePen() const;
    void SetupPen();
    void MoveTo(Extended x, Extended y);
    void LineTo(Extended x, Extended y);
    void Rectangle(Extended Left, Extended Top, Extended Right, Extended Bottom);
    void Ellipse(Extended Left, Extended Top, Extended Right, Extended Bottom);
    void FillRect(Extended Left, Extended Top, Extended Right, Extended Bottom);
    void RoundRect(Extended Left, Extended Top, Extended Right, Extended Bottom, Extended CornerW, Extended CornerH);
    void Arc(const std::array<Extended, 8> &P);
    void Chord(const std::array<Extended, 8> &P);
    void Pie(const std::array<Extended, 8> &P);
    void Frame3D(Extended Left, Extended Top, Extended Right, Extended Bottom);
    // Kinds: 7 polygon, 8 polyline, 13 Bezier, 19 polyline from the current position,
    // 20 Bezier from the current position.
    void DrawPoly(int Kind, const std::vector<QPointF> &PointsInches);
    void Polyline(const std::vector<QPointF> &PointsInches) { DrawPoly(8, PointsInches); }
    void StretchDrawBitmap(const QRectF &Inches, const QImage &Bitmap);
    void DrawMetafile(const QRectF &Inches, const QPicture &Metafile);
    // Any picture, stretched into the rectangle on a white ground.
    void DrawGraphic(const QRectF &Inches, TGraphic &Graphic);
    // Alignment: 0 the text starts at x, 1 it ends at x, 2 centred on x; y is the text's top.
    void TextOut(int Alignment, const WideString &Text, Extended x, Extended y);
    // HorzAlign 0 left, 1 right, 2 centre; Flags 16 wraps words; VertAlign 0 top, 1 centre,
    // 2 bottom.
    void TextBox(const QRectF &Inches, int HorzAlign, const WideString &Text, uint32_t Flags, int VertAlign);

    // Set by the printer.
    void Attach(QPainter *Painter, int32_t ResX, int32_t ResY, int32_t OffsetX, int32_t OffsetY, TZvPrintColor Color,
                Extended Scale);
    void SetOrigin(int32_t OriginX, int32_t OriginY);

private:
    QPointF Dev(Extended x, Extended y) const { return QPointF(DeviceX(x), DeviceY(y)); }
    void ArcLike(int Kind, const std::array<Extended, 8> &P);
    bool Drawing() const { return FActive && FPainter; }

    TFont FFont;
    TPen FPen;
    TBrush FBrush;
    QPainter *FPainter = nullptr;
    bool FActive = false;
    int32_t FOffsetX = 0, FOffsetY = 0, FOriginX = 0, FOriginY = 0;
    QPointF FPosition; // inches
    int32_t FResX = 600, FResY = 600;
    TZvPrintColor FPrintColor = zvColor;
    Extended FScale = 0.5L;
    QPen FDevicePen;
};

class TZvPrinter {
public:
    // Printer: the device to print on (not owned); null uses the program's printer.
    explicit TZvPrinter(QPrinter *Printer = nullptr);
    ~TZvPrinter();
    TZvPrinter(const TZvPrinter &) = delete;
    TZvPrinter &operator=(const TZvPrinter &) = delete;

    TZvDitherType DitherType() const { return FDitherType; }
    void SetDitherType(TZvDitherType Value) { FDitherType = Value; }
    TZvDuplexType Duplex() const { return FDuplex; }
    void SetDuplex(TZvDuplexType Value);
    TZvPrintColor PrintColor() const { return FPrintColor; }
    void SetPrintColor(TZvPrintColor Value);
    int32_t PrintCopies() const { return FPrintCopies; }
    void SetPrintCopies(int32_t Value) { FPrintCopies = Value; }
    TZvPrintQuality PrintQuality() const { return FPrintQuality; }
    void SetPrintQuality(TZvPrintQuality Value) { FPrintQuality = Value; }
    bool ReversePrintOrder() const { return FReversePrintOrder; }
    void SetReversePrintOrder(bool Value) { FReversePrintOrder = Value; }
    bool ShowPrintDialog() const { return FShowPrintDialog; }
    void SetShowPrintDialog(bool Value) { FShowPrintDialog = Value; }
    QPrintDialog *PrintDialog() const { return FPrintDialog; }
    void SetPrintDialog(QPrintDialog *Dialog) { FPrintDialog = Dialog; }
    const WideString &Title() const { return FTitle; }
    void SetTitle(const WideString &Title);
    // A PDF file to print into; empty prints on the printer.
    const QString &OutputFileName() const { return FOutputFileName; }
    void SetOutputFileName(const QString &FileName) { FOutputFileName = FileName; }
    TZvPagesPerSheet PagesPerSheet() const { return FPagesPerSheet; }
    void SetPagesPerSheet(TZvPagesPerSheet Value) { FPagesPerSheet = Value; }

    bool PrinterInstalled() const;
    QPrinter &Device() { return *FPrinter; }
    TZvPrinterCanvas &Canvas() { return FCanvas; }

    int32_t PixelsPerInchX();
    int32_t PixelsPerInchY();
    int32_t PageWidthPixels();
    int32_t PageHeightPixels();
    int32_t PhysicalWidthPixels();
    int32_t PhysicalHeightPixels();
    int32_t PhysicalOffsetX();
    int32_t PhysicalOffsetY();
    QPoint PhysicalOffset() { return {PhysicalOffsetX(), PhysicalOffsetY()}; }
    QPointF PhysicalOffsetInches();
    // Inches, returned in one shared value: read it before the next query.
    TZvValue &PrintableWidth();
    TZvValue &PrintableHeight();
    TZvValue &PhysicalWidth();
    TZvValue &PhysicalHeight();
    Extended PhysicalWidthInches();
    Extended PhysicalHeightInches();
    // Left, top, right, bottom in inches, and the same in the shared rectangle.
    std::array<Extended, 4> PrinterMarginsInches();
    TZvValueRect &PrinterMargins();

    TZvOrientation Orientation() const;
    void SetOrientation(TZvOrientation Value);
    bool Aborted() const;
    void Abort();
    void Assign(const TZvPrinter &Source);

    // Starts a document; false when the print dialog was cancelled. A document that cannot
    // start (no printer, an output file that cannot be written) raises EZvPrintError and leaves
    // the printer idle.
    bool BeginDoc();
    void NextPage(TZvOrientation NextOrientation);
    void EndDoc();
    bool Printing() const { return FPrinting; }
    // Sheets begun in the current (or last) document and the orientation of each.
    const std::vector<TZvOrientation> &Sheets() const { return FSheets; }

    TZvNotify OnChange;

private:
    void ResetCache();
    void ReadGeometry();
    void ApplySettings();
    void SetPageOrigin();
    void SetSheetOrientation(TZvOrientation Value);

    QPrinter *FPrinter;
    std::unique_ptr<QPainter> FPainter;
    TZvPrinterCanvas FCanvas;
    TZvDitherType FDitherType = zvGrayScale;
    TZvDuplexType FDuplex = zvSimplex;
    TZvPrintColor FPrintColor = zvColor;
    int32_t FPrintCopies = 1;
    QPrintDialog *FPrintDialog = nullptr;
    TZvPrintQuality FPrintQuality = zvMedium;
    bool FReversePrintOrder = true, FShowPrintDialog = true;
    WideString FTitle = u"<document>";
    QString FOutputFileName;
    TZvOrientation FOrientation = zvPortrait; // of the pages
    TZvOrientation FSheetOrientation = zvPortrait; // of the paper in the device
    bool FTurnedForTwoUp = false;
    int32_t FPageCounter = 0;
    TZvPagesPerSheet FPagesPerSheet = zvOnePage;
    bool FPrinting = false;
    bool FGeometryRead = false;
    int32_t FResX = 0, FResY = 0, FPageW = 0, FPageH = 0, FPhysW = 0, FPhysH = 0, FOffX = -1, FOffY = -1;
    TZvValue FShared;
    TZvValueRect FSharedRect;
    std::vector<TZvOrientation> FSheets;
};
