#pragma once
// Lengths of the print library: integer hundredths of a millimetre with a change event,
// converted to pixels, millimetres, inches and twips at the edges; page margins; the data of
// headers and footers; paper sizes; the small records drawing objects keep their font, brush
// and pen in.
#include "platform/Exception.h"
#include "print/ZvGraphics.h"
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QPainter;
class QRegion;
class TZvPrinter;

QUILLMAR_EXCEPTION(ERangeError, Exception);
QUILLMAR_EXCEPTION(EIntOverflow, Exception);
QUILLMAR_EXCEPTION(EZeroDivide, Exception);

using Extended = long double;

// Unit codes.
enum : uint8_t {
    zvuHundredthMM = 0,
    zvuPixels = 1,
    zvuMillimetres = 2,
    zvuCentimetres = 3,
    zvuInches = 4,
    zvuTwips = 5
};

enum TZvOrientation : uint8_t { zvPortrait, zvLandscape };
enum TZvPagesPerSheet : uint8_t { zvOnePage, zvTwoPage, zvFourPage };
enum class TZvPaperSize : uint8_t { A3, A4, A5, A6, B5, C5, Legal, Letter, Custom };

// Nearest integer, halves to the even neighbour; ERangeError "Range check error" outside 32 bits.
int32_t ZvRound(Extended x);

Extended ConvertUnits(uint8_t From, uint8_t To, Extended x);
struct TZvRealSize {
    Extended Height = 0, Width = 0;
};
TZvRealSize ConvertSize(uint8_t From, uint8_t To, TZvRealSize Size);
std::array<Extended, 8> ConvertPoints(uint8_t From, uint8_t To, const std::array<Extended, 8> &Points);

class TZvValue {
public:
    TZvValue() = default;
    TZvValue(int32_t Value, TZvNotify OnChange) : OnChange(std::move(OnChange)), FValue(Value) {}
    TZvValue(const TZvValue &) = delete;
    TZvValue &operator=(const TZvValue &) = delete;

    int32_t Value() const { return FValue; }
    void SetValue(int32_t Value);
    // round(Pixels * 2540 / Resolution); EIntOverflow when the product overflows, EZeroDivide
    // for a resolution of 0.
    void SetAsPixels(int32_t Resolution, int32_t Pixels);
    void SetAsMillimetres(Extended Millimetres);
    void SetAsInches(Extended Inches);
    int32_t AsPixels(int32_t Resolution) const;
    Extended AsMillimetres() const { return Extended(FValue) / 100; }
    Extended AsInches() const { return Extended(FValue) / 100 / 25.4L; }
    void Assign(const TZvValue &Other) { SetValue(Other.FValue); }

    TZvNotify OnChange;

private:
    int32_t FValue = 0;
};

class TZvCustomValueSize {
public:
    TZvCustomValueSize();
    TZvCustomValueSize(const TZvCustomValueSize &) = delete;
    TZvCustomValueSize &operator=(const TZvCustomValueSize &) = delete;
    TZvValue &Height() { return *FHeight; }
    TZvValue &Width() { return *FWidth; }
    const TZvValue &Height() const { return *FHeight; }
    const TZvValue &Width() const { return *FWidth; }
    void Assign(const TZvCustomValueSize &Other);

    TZvNotify OnChange;

private:
    std::unique_ptr<TZvValue> FHeight, FWidth;
};

class TZvValueSize : public TZvCustomValueSize {};

class TZvValueRect {
public:
    TZvValueRect() = default;
    TZvValueRect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, const TZvNotify &OnChange);
    TZvValueRect(const TZvValueRect &) = delete;
    TZvValueRect &operator=(const TZvValueRect &) = delete;
    TZvValue Left, Top, Right, Bottom;
    void Assign(const TZvValueRect &Other);
    void SetOnChange(const TZvNotify &OnChange);
};

class TZvMargins {
public:
    TZvMargins();
    TZvMargins(const TZvMargins &) = delete;
    TZvMargins &operator=(const TZvMargins &) = delete;

    TZvValue &Left() { return FUser.Left; }
    TZvValue &Top() { return FUser.Top; }
    TZvValue &Right() { return FUser.Right; }
    TZvValue &Bottom() { return FUser.Bottom; }
    const TZvValue &Left() const { return FUser.Left; }
    const TZvValue &Top() const { return FUser.Top; }
    const TZvValue &Right() const { return FUser.Right; }
    const TZvValue &Bottom() const { return FUser.Bottom; }
    // Left, top, right, bottom in inches.
    std::array<Extended, 4> AsInches() const;
    // Refreshed from the linked printer's device margins first, when a printer is linked.
    TZvValueRect &PrinterMargins();

    TPen &Pen() { return FPen; }
    TPen &PrinterMarginPen() { return FPrinterMarginPen; }
    void SetPrinterMarginPen(const TPen &Pen) { FPrinterMarginPen.Assign(Pen); }
    bool ClipMargins() const { return FClipMargins; }
    void SetClipMargins(bool Value);
    bool ShowPrinterMargins() const { return FShowPrinterMargins; }
    void SetShowPrinterMargins(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TZvPrinter *Printer() const { return FPrinter; }
    void SetPrinter(TZvPrinter *Printer) { FPrinter = Printer; }
    void Assign(const TZvMargins &Other);

    TZvNotify OnChange;

private:
    void Changed();
    TZvValueRect FUser;
    TZvValueRect FPrinterRect;
    TPen FPen, FPrinterMarginPen;
    bool FClipMargins = false, FShowPrinterMargins = false, FVisible = false;
    TZvPrinter *FPrinter = nullptr;
};

class TZvHeaderFooterCaption {
public:
    TZvHeaderFooterCaption();
    const WideString &Caption() const { return FCaption; }
    void SetCaption(const WideString &Caption);
    TFont &Font() { return FFont; }
    const TFont &Font() const { return FFont; }
    void SetFont(const TFont &Font) { FFont.Assign(Font); }
    void Assign(const TZvHeaderFooterCaption &Other);

    TZvNotify OnChange;

private:
    void Changed();
    WideString FCaption;
    TFont FFont;
};

// Replaces the fields of a caption for a page number.
using TZvFieldReplacer = std::function<WideString(const WideString &Text, int32_t PageNumber)>;

class TZvHeaderFooter {
public:
    TZvHeaderFooter();
    virtual ~TZvHeaderFooter() = default;
    TZvHeaderFooter(const TZvHeaderFooter &) = delete;
    TZvHeaderFooter &operator=(const TZvHeaderFooter &) = delete;

    TZvHeaderFooterCaption &Captions(int Index) { return *FCaptions.at(size_t(Index)); }
    const TZvHeaderFooterCaption &Captions(int Index) const { return *FCaptions.at(size_t(Index)); }
    TZvHeaderFooterCaption &CaptionLeft() { return Captions(0); }
    TZvHeaderFooterCaption &CaptionCenter() { return Captions(1); }
    TZvHeaderFooterCaption &CaptionRight() { return Captions(2); }
    TPen &Pen() { return FPen; }
    bool ShowLine() const { return FShowLine; }
    void SetShowLine(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Assign(const TZvHeaderFooter &Other);
    const TFont &LargestFont() const;
    // The height of one line of the largest caption font (0 when not visible); the same object
    // on every call.
    TZvValue &Height();

    // Page size in inches the next drawing uses.
    void SetPageSize(Extended HeightInches, Extended WidthInches)
    {
        FPageHeight = HeightInches;
        FPageWidth = WidthInches;
    }
    Extended PageHeightInches() const { return FPageHeight; }
    Extended PageWidthInches() const { return FPageWidth; }

    void SetMargins(TZvMargins *Margins) { FMargins = Margins; }
    TZvMargins *Margins() const { return FMargins; }
    void SetFieldReplacer(TZvFieldReplacer Replacer) { FReplaceFields = std::move(Replacer); }
    WideString ReplaceFields(const WideString &Text, int32_t PageNumber) const;

    // Region: the clip in pixels, or null for none.
    virtual void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region, int32_t PageNumber) = 0;
    virtual void PrintOn(TZvPrinter &Printer, int32_t PageNumber) = 0;

    TZvNotify OnChange;

protected:
    void Changed();
    std::array<std::unique_ptr<TZvHeaderFooterCaption>, 3> FCaptions;
    TPen FPen;
    bool FShowLine = true, FVisible = false;
    TZvValue FHeight;
    Extended FPageHeight = 0, FPageWidth = 0;
    TZvMargins *FMargins = nullptr;
    TZvFieldReplacer FReplaceFields;
};

struct TZvFontRecord {
    Extended Angle = 0;
    TColor Color = clBlack;
    WideString Name;
    int32_t Size = 0;
    TFontStyles Style = 0;
    bool operator==(const TZvFontRecord &) const = default;
};
struct TZvBrushRecord {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    bool operator==(const TZvBrushRecord &) const = default;
};
struct TZvPenRecord {
    TColor Color = clBlack;
    TPenStyle Style = psSolid;
    int32_t Width = 1;
    TPenMode Mode = pmCopy;
    bool operator==(const TZvPenRecord &) const = default;
};

TZvFontRecord FontToRecord(const TFont &Font, Extended Angle = 0);
TZvBrushRecord BrushToRecord(const TBrush &Brush);
TZvPenRecord PenToRecord(const TPen &Pen);
void RecordToFont(const TZvFontRecord &Record, TFont &Font);
void RecordToBrush(const TZvBrushRecord &Record, TBrush &Brush);
void RecordToPen(const TZvPenRecord &Record, TPen &Pen);

// The pen a wide pen draws with on the screen: one cosmetic pixel for a width of 1 or less;
// else a geometric pen round(width * s / 4) pixels wide (s = screen pixels per point), at least
// round(s + 0.5) for a broken line. System colours are resolved to RGB first.
QPen GeometricPen(const TPen &Pen, int32_t Resolution);
QPen GeometricPen(const TZvPenRecord &Pen, int32_t Resolution);

// Height then width in inches.
TZvRealSize PaperSizeInches(TZvPaperSize Size);
// Height then width in 1/100 mm (Custom gives 0, 0).
std::pair<int32_t, int32_t> PaperSizeHundredths(TZvPaperSize Size);

// Pixel position of a length in 1/100 mm on a surface of `Resolution` pixels per inch.
int32_t ZvPixels(int32_t Hundredths, int32_t Resolution);

constexpr const char *ZvLibraryVersion = "3.00";
