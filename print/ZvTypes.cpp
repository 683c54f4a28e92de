#include "print/ZvTypes.h"
#include "print/ZvPrinter.h"
#include <QFontMetrics>
#include <QPen>
#include <cfenv>
#include <cmath>
#include <limits>

int32_t ZvRound(Extended x)
{
    // nearbyint rounds in the current mode, which is to-nearest-even unless someone changed it.
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const Extended r = std::nearbyint(x);
    if (saved != FE_TONEAREST)
        std::fesetround(saved);
    if (!(r >= Extended(std::numeric_limits<int32_t>::min()) && r <= Extended(std::numeric_limits<int32_t>::max())))
        throw ERangeError("Range check error");
    return int32_t(r);
}

Extended ConvertUnits(uint8_t From, uint8_t To, Extended x)
{
    if (From == To)
        return x;
    Extended v;
    switch (From) {
    case zvuPixels: v = x * 100 * 25.4L / 96; break;
    case zvuMillimetres: v = x * 100; break;
    case zvuCentimetres: v = x * 1000; break;
    case zvuInches: v = x * 100 * 25.4L; break;
    case zvuTwips: v = x / 1440 * 25.4L * 100; break;
    default: v = x; break;
    }
    switch (To) {
    case zvuPixels: return v / 100 / 25.4L * 96;
    case zvuMillimetres: return v / 100;
    case zvuCentimetres: return v / 1000;
    case zvuInches: return v / 100 / 25.4L;
    case zvuTwips: return v / 100 / 25.4L * 1440;
    default: return v;
    }
}

TZvRealSize ConvertSize(uint8_t From, uint8_t To, TZvRealSize Size)
{
    return {ConvertUnits(From, To, Size.Height), ConvertUnits(From, To, Size.Width)};
}

std::array<Extended, 8> ConvertPoints(uint8_t From, uint8_t To, const std::array<Extended, 8> &Points)
{
    std::array<Extended, 8> r{};
    for (size_t i = 0; i < 8; ++i)
        r[i] = ConvertUnits(From, To, Points[i]);
    return r;
}

int32_t ZvPixels(int32_t Hundredths, int32_t Resolution)
{
    return ZvRound(ConvertUnits(zvuHundredthMM, zvuInches, Hundredths) * Resolution);
}

// ---- TZvValue

void TZvValue::SetValue(int32_t Value)
{
    if (Value == FValue)
        return;
    FValue = Value;
    if (OnChange)
        OnChange();
}

void TZvValue::SetAsPixels(int32_t Resolution, int32_t Pixels)
{
    int32_t product;
    if (__builtin_mul_overflow(Pixels, int32_t(2540), &product))
        throw EIntOverflow("Integer overflow");
    if (Resolution == 0)
        throw EZeroDivide("Division by zero");
    SetValue(ZvRound(Extended(product) / Resolution));
}

void TZvValue::SetAsMillimetres(Extended Millimetres)
{
    SetValue(ZvRound(Millimetres * 100));
}

void TZvValue::SetAsInches(Extended Inches)
{
    SetValue(ZvRound(Inches * 100 * 25.4L));
}

int32_t TZvValue::AsPixels(int32_t Resolution) const
{
    return ZvRound(Extended(FValue) / 2540 * Resolution);
}

// ---- sizes and rectangles

TZvCustomValueSize::TZvCustomValueSize()
{
    auto changed = [this] {
        if (OnChange)
            OnChange();
    };
    FHeight = std::make_unique<TZvValue>(0, changed);
    FWidth = std::make_unique<TZvValue>(0, changed);
}

void TZvCustomValueSize::Assign(const TZvCustomValueSize &Other)
{
    FHeight->Assign(*Other.FHeight);
    FWidth->Assign(*Other.FWidth);
}

TZvValueRect::TZvValueRect(int32_t L, int32_t T, int32_t R, int32_t B, const TZvNotify &OnChange)
    : Left(L, OnChange), Top(T, OnChange), Right(R, OnChange), Bottom(B, OnChange)
{
}

void TZvValueRect::Assign(const TZvValueRect &Other)
{
    Left.Assign(Other.Left);
    Top.Assign(Other.Top);
    Right.Assign(Other.Right);
    Bottom.Assign(Other.Bottom);
}

void TZvValueRect::SetOnChange(const TZvNotify &OnChange)
{
    Left.OnChange = Top.OnChange = Right.OnChange = Bottom.OnChange = OnChange;
}

// ---- TZvMargins

TZvMargins::TZvMargins()
{
    FUser.Left.SetValue(2000);
    FUser.Top.SetValue(2000);
    FUser.Right.SetValue(2000);
    FUser.Bottom.SetValue(2000);
    FUser.SetOnChange([this] { Changed(); });
    FPen.SetColor(zvSilver);
    FPen.SetStyle(psDot);
    FPrinterMarginPen.Assign(FPen);
    FPen.OnChange = [this] { Changed(); };
    FPrinterMarginPen.OnChange = [this] { Changed(); };
}

void TZvMargins::Changed()
{
    if (OnChange)
        OnChange();
}

std::array<Extended, 4> TZvMargins::AsInches() const
{
    return {FUser.Left.AsInches(), FUser.Top.AsInches(), FUser.Right.AsInches(), FUser.Bottom.AsInches()};
}

TZvValueRect &TZvMargins::PrinterMargins()
{
    if (FPrinter) {
        const std::array<Extended, 4> m = FPrinter->PrinterMarginsInches();
        FPrinterRect.Left.SetAsInches(m[0]);
        FPrinterRect.Top.SetAsInches(m[1]);
        FPrinterRect.Right.SetAsInches(m[2]);
        FPrinterRect.Bottom.SetAsInches(m[3]);
    }
    return FPrinterRect;
}

void TZvMargins::SetClipMargins(bool Value)
{
    if (Value == FClipMargins)
        return;
    FClipMargins = Value;
    Changed();
}

void TZvMargins::SetShowPrinterMargins(bool Value)
{
    if (Value == FShowPrinterMargins || !FPrinter)
        return;
    FShowPrinterMargins = Value;
    Changed();
}

void TZvMargins::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    FVisible = Value;
    Changed();
}

void TZvMargins::Assign(const TZvMargins &Other)
{
    if (&Other == this)
        return;
    // One change event at the end, not one per member.
    TZvNotify saved = std::move(OnChange);
    OnChange = nullptr;
    FUser.Assign(Other.FUser);
    FPrinterRect.Assign(Other.FPrinterRect);
    FPen.Assign(Other.FPen);
    FPrinterMarginPen.Assign(Other.FPrinterMarginPen);
    FShowPrinterMargins = Other.FShowPrinterMargins;
    FVisible = Other.FVisible;
    OnChange = std::move(saved);
    Changed();
}

// ---- captions, header and footer

TZvHeaderFooterCaption::TZvHeaderFooterCaption()
{
    FFont.SetName(u"Arial");
    FFont.SetSize(12);
    FFont.OnChange = [this] { Changed(); };
}

void TZvHeaderFooterCaption::Changed()
{
    if (OnChange)
        OnChange();
}

void TZvHeaderFooterCaption::SetCaption(const WideString &Caption)
{
    if (Caption == FCaption)
        return;
    FCaption = Caption;
    Changed();
}

void TZvHeaderFooterCaption::Assign(const TZvHeaderFooterCaption &Other)
{
    if (&Other == this)
        return;
    FCaption = Other.FCaption;
    FFont.Assign(Other.FFont); // reports the change
}

TZvHeaderFooter::TZvHeaderFooter()
{
    for (auto &c : FCaptions) {
        c = std::make_unique<TZvHeaderFooterCaption>();
        c->OnChange = [this] { Changed(); };
    }
    FPen.OnChange = [this] { Changed(); };
}

void TZvHeaderFooter::Changed()
{
    if (OnChange)
        OnChange();
}

void TZvHeaderFooter::SetShowLine(bool Value)
{
    if (Value == FShowLine)
        return;
    FShowLine = Value;
    Changed();
}

void TZvHeaderFooter::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    FVisible = Value;
    Changed();
}

void TZvHeaderFooter::Assign(const TZvHeaderFooter &Other)
{
    if (&Other == this)
        return;
    TZvNotify saved = std::move(OnChange);
    OnChange = nullptr;
    for (size_t i = 0; i < 3; ++i)
        FCaptions[i]->Assign(*Other.FCaptions[i]);
    FPageHeight = Other.FPageHeight;
    FPageWidth = Other.FPageWidth;
    FPen.Assign(Other.FPen);
    FShowLine = Other.FShowLine;
    FVisible = Other.FVisible;
    OnChange = std::move(saved);
    Changed();
}

const TFont &TZvHeaderFooter::LargestFont() const
{
    const TFont *f = &FCaptions[0]->Font();
    if (FCaptions[1]->Font().Size() > f->Size())
        f = &FCaptions[1]->Font();
    if (FCaptions[2]->Font().Size() > f->Size())
        f = &FCaptions[2]->Font();
    return *f;
}

TZvValue &TZvHeaderFooter::Height()
{
    if (!FVisible) {
        FHeight.SetValue(0);
        return FHeight;
    }
    const int ppi = ScreenPixelsPerInch();
    const QFontMetrics fm(LargestFont().ToQFont(ppi));
    FHeight.SetAsPixels(ppi, fm.height());
    return FHeight;
}

WideString TZvHeaderFooter::ReplaceFields(const WideString &Text, int32_t PageNumber) const
{
    return FReplaceFields ? FReplaceFields(Text, PageNumber) : Text;
}

// ---- records

TZvFontRecord FontToRecord(const TFont &Font, Extended Angle)
{
    TZvFontRecord r;
    r.Angle = Angle;
    r.Color = Font.Color();
    r.Name = Font.Name();
    r.Size = Font.Size();
    r.Style = Font.Style();
    return r;
}

TZvBrushRecord BrushToRecord(const TBrush &Brush)
{
    return {Brush.Color(), Brush.Style()};
}

TZvPenRecord PenToRecord(const TPen &Pen)
{
    return {Pen.Color(), Pen.Style(), Pen.Width(), Pen.Mode()};
}

void RecordToFont(const TZvFontRecord &Record, TFont &Font)
{
    Font.SetSize(Record.Size);
    Font.SetColor(Record.Color);
    Font.SetName(Record.Name);
    Font.SetStyle(Record.Style);
}

void RecordToBrush(const TZvBrushRecord &Record, TBrush &Brush)
{
    Brush.SetColor(Record.Color);
    Brush.SetStyle(Record.Style);
}

void RecordToPen(const TZvPenRecord &Record, TPen &Pen)
{
    Pen.SetColor(Record.Color);
    Pen.SetStyle(Record.Style);
    Pen.SetWidth(Record.Width);
    Pen.SetMode(Record.Mode);
}

QPen GeometricPen(const TZvPenRecord &Pen, int32_t Resolution)
{
    (void)Resolution; // screen pens are sized in screen points, whatever the surface
    if (Pen.Width <= 1)
        return ZvPen(Pen.Color, Pen.Style, 1, false);
    const Extended s = Extended(ScreenPixelsPerInch()) / 72;
    int32_t width = ZvRound(Pen.Width * s / 4);
    if (Pen.Style != psSolid && width < s)
        width = ZvRound(s + 0.5L);
    return ZvPen(Pen.Color, Pen.Style, width, true);
}

QPen GeometricPen(const TPen &Pen, int32_t Resolution)
{
    return GeometricPen(PenToRecord(Pen), Resolution);
}

std::pair<int32_t, int32_t> PaperSizeHundredths(TZvPaperSize Size)
{
    switch (Size) {
    case TZvPaperSize::A3: return {42000, 29700};
    case TZvPaperSize::A4: return {29700, 21000};
    case TZvPaperSize::A5: return {21000, 14850};
    case TZvPaperSize::A6: return {14850, 10500};
    case TZvPaperSize::B5: return {25000, 17600};
    case TZvPaperSize::C5: return {16300, 22900};
    case TZvPaperSize::Legal: return {35560, 21590};
    case TZvPaperSize::Letter: return {27940, 21590};
    default: return {0, 0};
    }
}

TZvRealSize PaperSizeInches(TZvPaperSize Size)
{
    const auto [h, w] = PaperSizeHundredths(Size);
    return {ConvertUnits(zvuHundredthMM, zvuInches, h), ConvertUnits(zvuHundredthMM, zvuInches, w)};
}
