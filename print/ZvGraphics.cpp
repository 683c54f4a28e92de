#include "print/ZvGraphics.h"
#include "platform/QtConvert.h"
#include <QBrush>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QPen>
#include <QScreen>
#include <cmath>

namespace {
int GScreenPixelsPerInch = 0;
}

int ScreenPixelsPerInch()
{
    if (GScreenPixelsPerInch <= 0) {
        int ppi = 96;
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            if (QScreen *screen = QGuiApplication::primaryScreen())
                ppi = int(std::lround(screen->logicalDotsPerInchY()));
        GScreenPixelsPerInch = ppi > 0 ? ppi : 96;
    }
    return GScreenPixelsPerInch;
}

void SetScreenPixelsPerInch(int PixelsPerInch)
{
    GScreenPixelsPerInch = PixelsPerInch;
}

// ---- TFont

TFont::TFont() : FName(u"Arial"), FPixelsPerInch(ScreenPixelsPerInch())
{
}

void TFont::Changed()
{
    if (OnChange)
        OnChange();
}

void TFont::SetName(const WideString &Name)
{
    if (Name == FName)
        return;
    FName = Name;
    Changed();
}

void TFont::SetSize(int32_t Size)
{
    if (Size == FSize)
        return;
    FSize = Size;
    Changed();
}

int32_t TFont::Height() const
{
    return -int32_t(std::lround(double(FSize) * FPixelsPerInch / 72.0));
}

void TFont::SetHeight(int32_t Height)
{
    SetSize(int32_t(std::lround(-double(Height) * 72.0 / FPixelsPerInch)));
}

void TFont::SetColor(TColor Color)
{
    if (Color == FColor)
        return;
    FColor = Color;
    Changed();
}

void TFont::SetStyle(TFontStyles Style)
{
    if (Style == FStyle)
        return;
    FStyle = Style;
    Changed();
}

void TFont::Assign(const TFont &Source)
{
    if (&Source == this)
        return;
    FName = Source.FName;
    FSize = Source.FSize;
    FColor = Source.FColor;
    FStyle = Source.FStyle;
    FFixedPitch = Source.FFixedPitch;
    Changed();
}

QFont TFont::ToQFont(double Resolution, double Scale) const
{
    // A font without a family name would be stored broken in a recorded page: the default
    // family stands in for it.
    QFont f;
    if (!FName.empty())
        f.setFamily(ToQString(FName));
    // A size below 1 point is read as a height in points, as font dialogs hand it out.
    const double points = FSize >= 1 ? double(FSize) : double(-FSize);
    const long px = std::lround(points * Resolution / 72.0 * Scale);
    f.setPixelSize(int(px < 1 ? 1 : px));
    f.setBold((FStyle & fsBold) != 0);
    f.setItalic((FStyle & fsItalic) != 0);
    f.setUnderline((FStyle & fsUnderline) != 0);
    f.setStrikeOut((FStyle & fsStrikeOut) != 0);
    if (FFixedPitch)
        f.setStyleHint(QFont::TypeWriter);
    return f;
}

void TFont::AssignQFont(const QFont &Font)
{
    FName = ToWideString(Font.family());
    if (Font.pointSizeF() > 0)
        FSize = int32_t(std::lround(Font.pointSizeF()));
    else if (Font.pixelSize() > 0)
        FSize = int32_t(std::lround(Font.pixelSize() * 72.0 / FPixelsPerInch));
    FStyle = (Font.bold() ? unsigned(fsBold) : 0u) | (Font.italic() ? unsigned(fsItalic) : 0u) |
             (Font.underline() ? unsigned(fsUnderline) : 0u) | (Font.strikeOut() ? unsigned(fsStrikeOut) : 0u);
    FFixedPitch = Font.fixedPitch();
    Changed();
}

// ---- TPen

void TPen::Changed()
{
    if (OnChange)
        OnChange();
}

void TPen::SetColor(TColor Color)
{
    if (Color == FColor)
        return;
    FColor = Color;
    Changed();
}

void TPen::SetStyle(TPenStyle Style)
{
    if (Style == FStyle)
        return;
    FStyle = Style;
    Changed();
}

void TPen::SetWidth(int32_t Width)
{
    if (Width == FWidth)
        return;
    FWidth = Width;
    Changed();
}

void TPen::SetMode(TPenMode Mode)
{
    if (Mode == FMode)
        return;
    FMode = Mode;
    Changed();
}

void TPen::Assign(const TPen &Source)
{
    if (&Source == this)
        return;
    FColor = Source.FColor;
    FStyle = Source.FStyle;
    FWidth = Source.FWidth;
    FMode = Source.FMode;
    Changed();
}

// ---- TBrush

void TBrush::Changed()
{
    if (OnChange)
        OnChange();
}

void TBrush::SetColor(TColor Color)
{
    if (Color == FColor)
        return;
    FColor = Color;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Style)
{
    if (Style == FStyle)
        return;
    FStyle = Style;
    Changed();
}

void TBrush::Assign(const TBrush &Source)
{
    if (&Source == this)
        return;
    FColor = Source.FColor;
    FStyle = Source.FStyle;
    Changed();
}

// ---- conversions

QColor ZvColor(TColor Color)
{
    return ColorToQColor(Color, QGuiApplication::palette());
}

Qt::PenStyle ZvPenStyle(TPenStyle Style)
{
    switch (Style) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

QPen ZvPen(TColor Color, TPenStyle Style, double WidthPixels, bool Geometric)
{
    QPen pen(ZvColor(Color));
    pen.setStyle(ZvPenStyle(Style));
    if (Geometric) {
        pen.setWidthF(WidthPixels);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
    } else {
        pen.setCosmetic(true);
        pen.setWidthF(WidthPixels <= 1 ? 1.0 : WidthPixels);
    }
    return pen;
}

QBrush ZvBrush(TColor Color, TBrushStyle Style)
{
    Qt::BrushStyle s = Qt::SolidPattern;
    switch (Style) {
    case bsClear: return QBrush(Qt::NoBrush);
    case bsHorizontal: s = Qt::HorPattern; break;
    case bsVertical: s = Qt::VerPattern; break;
    case bsFDiagonal: s = Qt::FDiagPattern; break;
    case bsBDiagonal: s = Qt::BDiagPattern; break;
    case bsCross: s = Qt::CrossPattern; break;
    case bsDiagCross: s = Qt::DiagCrossPattern; break;
    default: break;
    }
    return QBrush(ZvColor(Color), s);
}
