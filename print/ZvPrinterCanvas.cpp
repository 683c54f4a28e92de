#include "print/ZvPrinter.h"
#include "images/Graphic.h"
#include "platform/QtConvert.h"
#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>
#include <cmath>

TZvPrinterCanvas::TZvPrinterCanvas() = default;
TZvPrinterCanvas::~TZvPrinterCanvas() = default;

void TZvPrinterCanvas::Attach(QPainter *Painter, int32_t ResX, int32_t ResY, int32_t OffsetX, int32_t OffsetY,
                              TZvPrintColor Color, Extended Scale)
{
    FPainter = Painter;
    FResX = ResX > 0 ? ResX : 600;
    FResY = ResY > 0 ? ResY : 600;
    FOffsetX = OffsetX;
    FOffsetY = OffsetY;
    FPrintColor = Color;
    FScale = Scale;
}

void TZvPrinterCanvas::SetActive(bool Value)
{
    FActive = Value;
    if (Value)
        SetOrigin(FOriginX, FOriginY);
}

void TZvPrinterCanvas::Refresh()
{
    SetActive(true);
}

void TZvPrinterCanvas::SetOrigin(int32_t OriginX, int32_t OriginY)
{
    FOriginX = OriginX;
    FOriginY = OriginY;
    if (!FPainter)
        return;
    // Coordinates count from the paper's corner; a sub-page of a shared sheet moves by its
    // place on the sheet. Clips and pictures go through the same transform as everything else.
    FPainter->setClipping(false);
    FPainter->resetTransform();
    FPainter->translate(-FOffsetX + OriginX, -FOffsetY + OriginY);
}

QRect TZvPrinterCanvas::DeviceRect(Extended Left, Extended Top, Extended Right, Extended Bottom) const
{
    const int32_t l = DeviceX(Left), t = DeviceY(Top), r = DeviceX(Right), b = DeviceY(Bottom);
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

void TZvPrinterCanvas::SetClip(const std::optional<QRectF> &Inches)
{
    if (!Drawing())
        return;
    if (!Inches) {
        FPainter->setClipping(false);
        return;
    }
    FPainter->setClipRect(DeviceRect(Inches->left(), Inches->top(), Inches->right(), Inches->bottom()));
}

TZvRealSize TZvPrinterCanvas::TextExtent(const WideString &Text) const
{
    // Measured at the printed size, given back in the page's own inches so positions worked
    // out from it stay in the same units as everything else.
    const QFontMetricsF fm(FFont.ToQFont(FResY, FScale));
    const Extended w = fm.horizontalAdvance(ToQString(Text));
    const Extended h = fm.height();
    return {h / (FResY * FScale), w / (FResX * FScale)};
}

QPen TZvPrinterCanvas::DevicePen() const
{
    // A pen's width counts in quarter points; thin pens and system colours stay one pixel.
    const Extended w = Extended(FPen.Width()) * FScale;
    const int32_t width = ZvRound(Extended(FPen.Width()) * (Extended(FResY) / 72) / 4 * FScale);
    if (w <= 1 || IsSystemColor(FPen.Color()) || width < 0)
        return ZvPen(FPen.Color(), FPen.Style(), 1, false);
    return ZvPen(FPen.Color(), FPen.Style(), width, true);
}

void TZvPrinterCanvas::SetupPen()
{
    if (!FPainter)
        return;
    FDevicePen = DevicePen();
    FPainter->setPen(FDevicePen);
}

void TZvPrinterCanvas::MoveTo(Extended x, Extended y)
{
    FPosition = QPointF(double(x), double(y));
}

void TZvPrinterCanvas::LineTo(Extended x, Extended y)
{
    if (Drawing()) {
        SetupPen();
        FPainter->drawLine(Dev(FPosition.x(), FPosition.y()), Dev(x, y));
    }
    FPosition = QPointF(double(x), double(y));
}

void TZvPrinterCanvas::Rectangle(Extended Left, Extended Top, Extended Right, Extended Bottom)
{
    if (!Drawing())
        return;
    SetupPen();
    FPainter->setBrush(ZvBrush(FBrush.Color(), FBrush.Style()));
    FPainter->drawRect(DeviceRect(Left, Top, Right, Bottom));
}

void TZvPrinterCanvas::Ellipse(Extended Left, Extended Top, Extended Right, Extended Bottom)
{
    if (!Drawing())
        return;
    SetupPen();
    FPainter->setBrush(ZvBrush(FBrush.Color(), FBrush.Style()));
    FPainter->drawEllipse(DeviceRect(Left, Top, Right, Bottom));
}

void TZvPrinterCanvas::FillRect(Extended Left, Extended Top, Extended Right, Extended Bottom)
{
    if (!Drawing())
        return;
    FPainter->fillRect(DeviceRect(Left, Top, Right, Bottom), ZvBrush(FBrush.Color(), FBrush.Style()));
}

void TZvPrinterCanvas::RoundRect(Extended Left, Extended Top, Extended Right, Extended Bottom, Extended CornerW,
                                 Extended CornerH)
{
    if (!Drawing())
        return;
    SetupPen();
    FPainter->setBrush(ZvBrush(FBrush.Color(), FBrush.Style()));
    FPainter->drawRoundedRect(DeviceRect(Left, Top, Right, Bottom), DeviceX(CornerW) / 2.0, DeviceY(CornerH) / 2.0);
}

namespace {
// Angle in degrees (counter-clockwise from 3 o'clock) of a point seen from an ellipse's centre.
double EllipseAngle(const QRectF &r, QPointF p)
{
    const double rx = r.width() / 2, ry = r.height() / 2;
    if (rx <= 0 || ry <= 0)
        return 0;
    const QPointF c = r.center();
    return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / M_PI;
}
} // namespace

void TZvPrinterCanvas::ArcLike(int Kind, const std::array<Extended, 8> &P)
{
    if (!Drawing())
        return;
    SetupPen();
    FPainter->setBrush(ZvBrush(FBrush.Color(), FBrush.Style()));
    const QRectF r = DeviceRect(P[0], P[1], P[2], P[3]);
    const double a0 = EllipseAngle(r, Dev(P[4], P[5]));
    double span = EllipseAngle(r, Dev(P[6], P[7])) - a0;
    // Arcs run counter-clockwise from the start radial to the end radial; equal radials make
    // the whole ellipse.
    while (span <= 0)
        span += 360;
    const int a = int(std::lround(a0 * 16)), s = int(std::lround(span * 16));
    if (Kind == 0)
        FPainter->drawArc(r, a, s);
    else if (Kind == 1)
        FPainter->drawChord(r, a, s);
    else
        FPainter->drawPie(r, a, s);
}

void TZvPrinterCanvas::Arc(const std::array<Extended, 8> &P)
{
    ArcLike(0, P);
}
void TZvPrinterCanvas::Chord(const std::array<Extended, 8> &P)
{
    ArcLike(1, P);
}
void TZvPrinterCanvas::Pie(const std::array<Extended, 8> &P)
{
    ArcLike(2, P);
}

void TZvPrinterCanvas::Frame3D(Extended Left, Extended Top, Extended Right, Extended Bottom)
{
    if (!Drawing())
        return;
    QRect r = DeviceRect(Left, Top, Right, Bottom);
    const int width = std::max(1, int(ZvRound(Extended(FResX) / 100 * 1.6L)));
    const QColor light(255, 255, 255), dark(0x88, 0x88, 0x88);
    for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
        FPainter->fillRect(QRect(r.left(), r.top(), r.width(), 1), light);
        FPainter->fillRect(QRect(r.left(), r.top(), 1, r.height()), light);
        FPainter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), dark);
        FPainter->fillRect(QRect(r.right(), r.top(), 1, r.height()), dark);
        r.adjust(1, 1, -1, -1);
    }
}

void TZvPrinterCanvas::DrawPoly(int Kind, const std::vector<QPointF> &PointsInches)
{
    if (!Drawing() || PointsInches.empty())
        return;
    SetupPen();
    QPolygonF poly;
    if (Kind == 19 || Kind == 20)
        poly << Dev(FPosition.x(), FPosition.y());
    for (const QPointF &p : PointsInches)
        poly << Dev(p.x(), p.y());
    switch (Kind) {
    case 7:
        FPainter->setBrush(ZvBrush(FBrush.Color(), FBrush.Style()));
        FPainter->drawPolygon(poly);
        break;
    case 8:
    case 19: FPainter->drawPolyline(poly); break;
    case 13:
    case 20: {
        QPainterPath path(poly.first());
        for (qsizetype i = 1; i + 2 < poly.size(); i += 3)
            path.cubicTo(poly[i], poly[i + 1], poly[i + 2]);
        FPainter->setBrush(Qt::NoBrush);
        FPainter->drawPath(path);
        break;
    }
    default: return;
    }
    if (Kind == 19 || Kind == 20)
        FPosition = PointsInches.back();
}

void TZvPrinterCanvas::StretchDrawBitmap(const QRectF &Inches, const QImage &Bitmap)
{
    if (!FPainter || Bitmap.isNull())
        return;
    const QRect r = DeviceRect(Inches.left(), Inches.top(), Inches.right(), Inches.bottom());
    ZvDrawWithCopyMode(*FPainter, QRect(r.left(), r.top(), r.width() + 1, r.height() + 1), CopyMode,
                       ZvBrush(FBrush.Color(), bsSolid).color(),
                       [&](QPainter &P, const QRect &R) { P.drawImage(R, Bitmap); });
}

void TZvPrinterCanvas::DrawMetafile(const QRectF &Inches, const QPicture &Metafile)
{
    if (!FPainter || Metafile.isNull())
        return;
    const QRect r = DeviceRect(Inches.left(), Inches.top(), Inches.right(), Inches.bottom());
    const QRect src = Metafile.boundingRect();
    if (src.width() <= 0 || src.height() <= 0)
        return;
    FPainter->save();
    FPainter->translate(r.left(), r.top());
    FPainter->scale(double(r.width() + 1) / src.width(), double(r.height() + 1) / src.height());
    FPainter->translate(-src.left(), -src.top());
    FPainter->drawPicture(0, 0, Metafile);
    FPainter->restore();
}

void TZvPrinterCanvas::DrawGraphic(const QRectF &Inches, TGraphic &Graphic)
{
    if (!FPainter || Graphic.GetEmpty())
        return;
    FBrush.SetColor(clWhite);
    FBrush.SetStyle(bsSolid);
    const QRect r = DeviceRect(Inches.left(), Inches.top(), Inches.right(), Inches.bottom());
    ZvDrawWithCopyMode(*FPainter, QRect(r.left(), r.top(), r.width() + 1, r.height() + 1), CopyMode, Qt::white,
                       [&](QPainter &P, const QRect &R) { Graphic.Draw(P, R); });
}

void TZvPrinterCanvas::TextOut(int Alignment, const WideString &Text, Extended x, Extended y)
{
    if (!Drawing())
        return;
    const QString text = ToQString(Text);
    // The font at the printed size: scale times its nominal size, worked out afresh every call.
    const QFont font = FFont.ToQFont(FResY, FScale);
    const QFontMetricsF fm(font);
    const double w = fm.horizontalAdvance(text), h = fm.height();
    QPointF p = Dev(x, y);
    FPainter->save();
    FPainter->setFont(font);
    if (TextAngle != 0) {
        FPainter->translate(p);
        FPainter->rotate(-double(TextAngle));
        p = QPointF(0, 0);
    }
    QRectF rect(p, QSizeF(w, h));
    if (Alignment == 1)
        rect.translate(-w, 0);
    else if (Alignment == 2)
        rect.translate(-std::trunc(w / 2), 0);
    FPainter->setPen(Qt::NoPen);
    const QPointF baseline(rect.left(), rect.top() + fm.ascent());
    if (FBrush.Color() != clWhite && FBrush.Style() != bsClear) {
        if (TextAngle != 0) {
            QPainterPath outline;
            outline.addText(baseline, font, text);
            FPainter->fillPath(outline, ZvBrush(FBrush.Color(), FBrush.Style()));
        } else {
            FPainter->fillRect(rect, ZvBrush(FBrush.Color(), FBrush.Style()));
        }
    }
    const QColor colour = ZvColor(FFont.Color());
    if (colour == QColor(0, 0, 0)) {
        FPainter->setPen(colour);
        FPainter->drawText(baseline, text);
    } else {
        // Coloured text prints as filled outlines.
        QPainterPath outline;
        outline.addText(baseline, font, text);
        FPainter->fillPath(outline, colour);
    }
    FPainter->restore();
}

void TZvPrinterCanvas::TextBox(const QRectF &Inches, int HorzAlign, const WideString &Text, uint32_t Flags,
                               int VertAlign)
{
    if (!Drawing())
        return;
    const QRect r = DeviceRect(Inches.left(), Inches.top(), Inches.right(), Inches.bottom());
    SetupPen();
    FPainter->setBrush(ZvBrush(FBrush.Color(), FBrush.Style()));
    FPainter->drawRect(r);
    int flags = Qt::TextExpandTabs;
    flags |= HorzAlign == 2 ? Qt::AlignHCenter : HorzAlign == 1 ? Qt::AlignRight : Qt::AlignLeft;
    if (Flags & 16)
        flags |= Qt::TextWordWrap;
    if (VertAlign == 1)
        flags |= Qt::AlignVCenter | Qt::TextSingleLine;
    else if (VertAlign == 2)
        flags |= Qt::AlignBottom | Qt::TextSingleLine;
    else
        flags |= Qt::AlignTop;
    FPainter->save();
    FPainter->setFont(FFont.ToQFont(FResY, FScale));
    FPainter->setPen(ZvColor(FFont.Color()));
    FPainter->drawText(r, flags, ToQString(Text));
    FPainter->restore();
}
