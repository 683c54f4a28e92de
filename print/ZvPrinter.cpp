#include "print/ZvPrinter.h"
#include "platform/QtConvert.h"
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

int32_t ZvQualityResolution(TZvPrintQuality Quality)
{
    switch (Quality) {
    case zvDraft: return 150;
    case zvLow: return 300;
    case zvHigh: return 1200;
    case zvMedium: break;
    }
    return 600;
}

QPrinter &ZvGlobalPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

// ---- TZvPrinter

TZvPrinter::TZvPrinter(QPrinter *Printer) : FPrinter(Printer ? Printer : &ZvGlobalPrinter())
{
    ResetCache();
}

TZvPrinter::~TZvPrinter()
{
    if (FPainter && FPainter->isActive())
        FPainter->end();
}

void TZvPrinter::SetTitle(const WideString &Title)
{
    if (Title != FTitle)
        FTitle = Title;
}

void TZvPrinter::SetDuplex(TZvDuplexType Value)
{
    FDuplex = Value;
}

void TZvPrinter::SetPrintColor(TZvPrintColor Value)
{
    FPrintColor = Value;
}

bool TZvPrinter::PrinterInstalled() const
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void TZvPrinter::ResetCache()
{
    FGeometryRead = false;
    FOffX = FOffY = -1;
}

void TZvPrinter::ReadGeometry()
{
    if (FGeometryRead)
        return;
    const int res = FPrinter->resolution() > 0 ? FPrinter->resolution() : 600;
    const QPageLayout layout = FPrinter->pageLayout();
    const QRect full = layout.fullRectPixels(res);
    const QRect paint = layout.paintRectPixels(res);
    FResX = FResY = res;
    FPhysW = full.width();
    FPhysH = full.height();
    FPageW = paint.width();
    FPageH = paint.height();
    FOffX = paint.left();
    FOffY = paint.top();
    FGeometryRead = true;
}

int32_t TZvPrinter::PixelsPerInchX()
{
    ReadGeometry();
    return FResX;
}

int32_t TZvPrinter::PixelsPerInchY()
{
    ReadGeometry();
    return FResY;
}

int32_t TZvPrinter::PageWidthPixels()
{
    ReadGeometry();
    return FPageW;
}

int32_t TZvPrinter::PageHeightPixels()
{
    ReadGeometry();
    return FPageH;
}

int32_t TZvPrinter::PhysicalWidthPixels()
{
    ReadGeometry();
    return FPhysW;
}

int32_t TZvPrinter::PhysicalHeightPixels()
{
    ReadGeometry();
    return FPhysH;
}

int32_t TZvPrinter::PhysicalOffsetX()
{
    ReadGeometry();
    return FOffX;
}

int32_t TZvPrinter::PhysicalOffsetY()
{
    ReadGeometry();
    return FOffY;
}

QPointF TZvPrinter::PhysicalOffsetInches()
{
    ReadGeometry();
    return QPointF(double(FOffX) / FResX, double(FOffY) / FResY);
}

Extended TZvPrinter::PhysicalWidthInches()
{
    ReadGeometry();
    return Extended(FPhysW) / FResX;
}

Extended TZvPrinter::PhysicalHeightInches()
{
    ReadGeometry();
    return Extended(FPhysH) / FResY;
}

TZvValue &TZvPrinter::PrintableWidth()
{
    ReadGeometry();
    FShared.SetAsInches(Extended(FPageW) / FResX);
    return FShared;
}

TZvValue &TZvPrinter::PrintableHeight()
{
    ReadGeometry();
    FShared.SetAsInches(Extended(FPageH) / FResY);
    return FShared;
}

TZvValue &TZvPrinter::PhysicalWidth()
{
    FShared.SetAsInches(PhysicalWidthInches());
    return FShared;
}

TZvValue &TZvPrinter::PhysicalHeight()
{
    FShared.SetAsInches(PhysicalHeightInches());
    return FShared;
}

std::array<Extended, 4> TZvPrinter::PrinterMarginsInches()
{
    ReadGeometry();
    const Extended left = Extended(FOffX) / FResX, top = Extended(FOffY) / FResY;
    const Extended right = Extended(FPhysW) / FResX - Extended(FPageW) / FResX - left;
    const Extended bottom = Extended(FPhysH) / FResY - Extended(FPageH) / FResY - top;
    return {left, top, right, bottom};
}

TZvValueRect &TZvPrinter::PrinterMargins()
{
    const auto m = PrinterMarginsInches();
    FSharedRect.Left.SetAsInches(m[0]);
    FSharedRect.Top.SetAsInches(m[1]);
    FSharedRect.Right.SetAsInches(m[2]);
    FSharedRect.Bottom.SetAsInches(m[3]);
    return FSharedRect;
}

TZvOrientation TZvPrinter::Orientation() const
{
    if (FPrinting)
        return FOrientation;
    return FPrinter->pageLayout().orientation() == QPageLayout::Landscape ? zvLandscape : zvPortrait;
}

void TZvPrinter::SetSheetOrientation(TZvOrientation Value)
{
    FSheetOrientation = Value;
    FPrinter->setPageOrientation(Value == zvLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    ResetCache();
}

void TZvPrinter::SetOrientation(TZvOrientation Value)
{
    FOrientation = Value;
    if (!FPrinting)
        SetSheetOrientation(Value);
}

bool TZvPrinter::Aborted() const
{
    return FPrinter->printerState() == QPrinter::Aborted;
}

void TZvPrinter::Abort()
{
    if (FPrinting)
        FPrinter->abort();
}

void TZvPrinter::Assign(const TZvPrinter &Source)
{
    FPagesPerSheet = Source.FPagesPerSheet;
    FPrintColor = Source.FPrintColor;
}

void TZvPrinter::ApplySettings()
{
    ResetCache();
    FPrinter->setDuplex(FDuplex == zvSimplex      ? QPrinter::DuplexNone
                        : FDuplex == zvHorzDuplex ? QPrinter::DuplexShortSide
                                                  : QPrinter::DuplexLongSide);
    // Line-art dithering is a way of printing in black and white: the colour mode is the nearest
    // that Qt offers. The other dither types are left to the printer's driver.
    const bool grey = FPrintColor == zvMonochrome || FDitherType == zvLineArt;
    FPrinter->setColorMode(grey ? QPrinter::GrayScale : QPrinter::Color);
    FPrinter->setResolution(ZvQualityResolution(FPrintQuality));
    FPrinter->setFullPage(false);
}

bool TZvPrinter::BeginDoc()
{
    if (FPrinting)
        return false;
    ApplySettings();
    if (FPrintDialog && FShowPrintDialog && FPrintDialog->exec() != QDialog::Accepted)
        return false;
    if (!FOutputFileName.isEmpty()) {
        FPrinter->setOutputFormat(QPrinter::PdfFormat);
        FPrinter->setOutputFileName(FOutputFileName);
        // A PDF page has no unprintable border.
        FPrinter->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    } else if (FPrinter->outputFormat() == QPrinter::PdfFormat && FPrinter->outputFileName().isEmpty()) {
        throw EZvPrintError("No printer is set up, and no file was chosen to print into.");
    }

    FTurnedForTwoUp = FPagesPerSheet == zvTwoPage;
    TZvOrientation sheet = FOrientation;
    if (FTurnedForTwoUp)
        sheet = FOrientation == zvPortrait ? zvLandscape : zvPortrait;
    SetSheetOrientation(sheet);
    ReadGeometry();
    Extended scale = 1;
    if (FPagesPerSheet == zvTwoPage)
        scale = Extended(std::min(FPhysH, FPhysW)) / std::max(FPhysH, FPhysW);
    else if (FPagesPerSheet == zvFourPage)
        scale = 0.5L;
    FPageCounter = 0;
    FPrinter->setDocName(ToQString(FTitle));

    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(FPrinter)) {
        const QString target = FPrinter->outputFileName();
        FTurnedForTwoUp = false;
        SetSheetOrientation(FOrientation);
        if (!target.isEmpty())
            throw EZvPrintError("Cannot print into \"" + target.toStdString() + "\": the file cannot be written.");
        throw EZvPrintError("The printer \"" + FPrinter->printerName().toStdString() + "\" cannot start printing.");
    }
    FPainter = std::move(painter);
    FPrinting = true;
    FSheets.assign(1, sheet);
    ResetCache();
    ReadGeometry();
    FCanvas.Attach(FPainter.get(), FResX, FResY, FOffX, FOffY, FPrintColor, scale);
    FCanvas.SetActive(true);
    SetPageOrigin();
    return true;
}

void TZvPrinter::NextPage(TZvOrientation NextOrientation)
{
    if (!FPrinting)
        return;
    ++FPageCounter;
    const bool newSheet = FPagesPerSheet == zvOnePage || (FPagesPerSheet == zvTwoPage && FPageCounter % 2 == 0) ||
                          (FPagesPerSheet == zvFourPage && FPageCounter % 4 == 0);
    if (newSheet) {
        if (NextOrientation != FOrientation) {
            // The next page turns the paper: the new sheet gets the page's orientation (turned
            // once more for two pages a sheet).
            FOrientation = NextOrientation;
            TZvOrientation sheet = FOrientation;
            if (FTurnedForTwoUp)
                sheet = FOrientation == zvPortrait ? zvLandscape : zvPortrait;
            SetSheetOrientation(sheet);
        }
        FPrinter->newPage();
        FSheets.push_back(FSheetOrientation);
        ResetCache();
        ReadGeometry();
    }
    SetPageOrigin();
}

void TZvPrinter::SetPageOrigin()
{
    FCanvas.Refresh();
    const int32_t W = FPhysW, H = FPhysH;
    int32_t dx = 0, dy = 0;
    const int32_t k = FPageCounter;
    if (FPagesPerSheet == zvTwoPage) {
        if (k % 2 == 1) {
            if (FSheetOrientation == zvLandscape)
                dx = W / 2;
            else
                dy = H / 2;
        }
    } else if (FPagesPerSheet == zvFourPage) {
        switch (k % 4) {
        case 1: dx = W / 2; break;
        case 2: dy = H / 2; break;
        case 3:
            dx = W / 2;
            dy = H / 2;
            break;
        default: break;
        }
    }
    FCanvas.SetOrigin(dx, dy);
}

void TZvPrinter::EndDoc()
{
    if (!FPrinting)
        return;
    FCanvas.SetActive(false);
    FCanvas.Attach(nullptr, FResX, FResY, FOffX, FOffY, FPrintColor, FCanvas.Scale());
    if (FPainter->isActive())
        FPainter->end();
    FPainter.reset();
    FTurnedForTwoUp = false;
    SetSheetOrientation(FOrientation);
    FPrinting = false;
}
