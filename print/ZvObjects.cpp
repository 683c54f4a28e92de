#include "print/ZvObjects.h"
#include "platform/QtConvert.h"
#include "print/ZvPrinter.h"
#include "images/Bitmap.h"
#include "images/Graphic.h"
#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>
#include <cmath>

namespace {

QFont RecordFont(const TZvFontRecord &Record, int32_t Resolution)
{
    TFont f;
    RecordToFont(Record, f);
    return f.ToQFont(Resolution);
}

int32_t Px(int32_t Hundredths, int32_t Resolution)
{
    return ZvPixels(Hundredths, Resolution);
}

Extended In(int32_t Hundredths)
{
    return ConvertUnits(zvuHundredthMM, zvuInches, Hundredths);
}

// Screen painting state kept apart per object: every object draws inside save/restore.
struct TPainterScope {
    QPainter &P;
    explicit TPainterScope(QPainter &Painter) : P(Painter) { P.save(); }
    ~TPainterScope() { P.restore(); }
};

void SetPrinterRecords(TZvPrinterCanvas &C, const TZvBaseObject &O)
{
    RecordToFont(O.Font, C.Font());
    RecordToBrush(O.Brush, C.Brush());
    RecordToPen(O.Pen, C.Pen());
}

} // namespace

std::unique_ptr<TZvBaseObject> CloneObject(const TZvBaseObject &Source)
{
    auto o = Source.Create();
    o->Assign(Source);
    return o;
}

std::unique_ptr<TZvBaseObject> CreateObjectOfKind(int32_t Kind)
{
    switch (Kind) {
    case zvkText: return std::make_unique<TZvTextObject>();
    case zvkTextBox: return std::make_unique<TZvTextBoxObject>();
    case zvkGraphic: return std::make_unique<TZvGraphicObject>();
    case zvkLine: return std::make_unique<TZvLineObject>();
    case zvkEllipse: return std::make_unique<TZvEllipseShape>();
    case zvkRectangle: return std::make_unique<TZvRectangleShape>();
    case zvkRoundRect: return std::make_unique<TZvRoundRectShape>();
    case zvkArc: return std::make_unique<TZvArcShape>();
    case zvkChord: return std::make_unique<TZvChordShape>();
    case zvkPie: return std::make_unique<TZvPieShape>();
    default: return nullptr;
    }
}

// ---- base

void TZvBaseObject::Assign(const TZvBaseObject &Source)
{
    Kind = Source.Kind;
    Left = Source.Left;
    Top = Source.Top;
    Right = Source.Right;
    Bottom = Source.Bottom;
    PageNumber = Source.PageNumber;
    Visible = Source.Visible;
    Clip = Source.Clip;
    for (int i = 0; i < 4; ++i)
        ClipRect[i] = Source.ClipRect[i];
    Brush = Source.Brush;
    Font = Source.Font;
    Pen = Source.Pen;
}

void TZvBaseObject::OffsetBy(Extended dxInches, Extended dyInches)
{
    const int32_t dx = ZvRound(ConvertUnits(zvuInches, zvuHundredthMM, dxInches));
    const int32_t dy = ZvRound(ConvertUnits(zvuInches, zvuHundredthMM, dyInches));
    Left += dx;
    Right += dx;
    Top += dy;
    Bottom += dy;
}

QRect TZvBaseObject::PixelBounds(int32_t Resolution) const
{
    const int32_t l = Px(Left, Resolution), t = Px(Top, Resolution), r = Px(Right, Resolution),
                  b = Px(Bottom, Resolution);
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

QRectF TZvBaseObject::InchBounds() const
{
    return QRectF(QPointF(double(In(Left)), double(In(Top))), QPointF(double(In(Right)), double(In(Bottom))));
}

void TZvBaseObject::ClipStep(QPainter &Canvas, int32_t Resolution, const QRegion *Region) const
{
    if (Clip) {
        QRegion r(QRect(QPoint(Px(ClipRect[0], Resolution), Px(ClipRect[1], Resolution)),
                        QPoint(Px(ClipRect[2], Resolution) - 1, Px(ClipRect[3], Resolution) - 1)));
        if (Region)
            r &= *Region;
        Canvas.setClipRegion(r);
    } else if (Region) {
        Canvas.setClipRegion(*Region);
    }
}

void TZvBaseObject::PrintClipStep(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) const
{
    std::optional<QRectF> clip = PageClip;
    if (Clip) {
        const QRectF own(QPointF(double(In(ClipRect[0])), double(In(ClipRect[1]))),
                         QPointF(double(In(ClipRect[2])), double(In(ClipRect[3]))));
        clip = PageClip ? own.intersected(*PageClip) : own;
    }
    Printer.Canvas().SetClip(clip);
}

// ---- text

void TZvTextObject::SetAngle(Extended Degrees)
{
    if (Degrees == Font.Angle)
        return;
    Font.Angle = Degrees;
    Changed();
}

void TZvTextObject::Assign(const TZvBaseObject &Source)
{
    TZvBaseObject::Assign(Source);
    if (auto *t = dynamic_cast<const TZvTextObject *>(&Source)) {
        Alignment = t->Alignment;
        Text = t->Text;
    }
}

void TZvTextObject::Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region)
{
    TPainterScope scope(Canvas);
    const QFont font = RecordFont(Font, Resolution);
    const QFontMetricsF fm(font);
    const QString text = ToQString(Text);
    ClipStep(Canvas, Resolution, Region);
    Canvas.setFont(font);
    QPointF p(Px(Left, Resolution), Px(Top, Resolution));
    if (Font.Angle != 0) {
        Canvas.translate(p);
        Canvas.rotate(-double(Font.Angle));
        p = QPointF(0, 0);
    }
    const double w = fm.horizontalAdvance(text);
    if (Alignment == 1)
        p.rx() -= w;
    else if (Alignment == 2)
        p.rx() -= std::trunc(w / 2);
    if (Brush.Style != bsClear)
        Canvas.fillRect(QRectF(p, QSizeF(w, fm.height())), ZvBrush(Brush.Color, Brush.Style));
    Canvas.setPen(ZvColor(Font.Color));
    Canvas.drawText(QPointF(p.x(), p.y() + fm.ascent()), text);
}

void TZvTextObject::Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip)
{
    if (!Visible)
        return;
    PrintClipStep(Printer, PageClip);
    TZvPrinterCanvas &c = Printer.Canvas();
    c.TextAngle = Font.Angle;
    RecordToFont(Font, c.Font());
    RecordToBrush(Brush, c.Brush());
    c.TextOut(Alignment, Text, In(Left), In(Top));
    c.TextAngle = 0;
}

// ---- text box

void TZvTextBoxObject::Assign(const TZvBaseObject &Source)
{
    TZvTextObject::Assign(Source);
    if (auto *t = dynamic_cast<const TZvTextBoxObject *>(&Source)) {
        BoxAlignment = t->BoxAlignment;
        VertLayout = t->VertLayout;
        WordWrap = t->WordWrap;
    }
}

void TZvTextBoxObject::Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region)
{
    TPainterScope scope(Canvas);
    ClipStep(Canvas, Resolution, Region);
    const QRect r = PixelBounds(Resolution);
    Canvas.setPen(GeometricPen(Pen, Resolution));
    Canvas.setBrush(ZvBrush(Brush.Color, Brush.Style));
    Canvas.drawRect(r);
    int flags = Qt::TextExpandTabs;
    flags |= BoxAlignment == 2 ? Qt::AlignHCenter : BoxAlignment == 1 ? Qt::AlignRight : Qt::AlignLeft;
    if (WordWrap)
        flags |= Qt::TextWordWrap;
    if (VertLayout == 1)
        flags |= Qt::AlignVCenter | Qt::TextSingleLine;
    else if (VertLayout == 2)
        flags |= Qt::AlignBottom | Qt::TextSingleLine;
    else
        flags |= Qt::AlignTop;
    Canvas.setFont(RecordFont(Font, Resolution));
    Canvas.setPen(ZvColor(Font.Color));
    Canvas.drawText(r, flags, ToQString(Text));
}

void TZvTextBoxObject::Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip)
{
    if (!Visible)
        return;
    PrintClipStep(Printer, PageClip);
    TZvPrinterCanvas &c = Printer.Canvas();
    SetPrinterRecords(c, *this);
    c.TextBox(InchBounds(), BoxAlignment, Text, WordWrap ? 16u : 0u, VertLayout);
}

// ---- graphic

TZvGraphicObject::~TZvGraphicObject() = default;

void TZvGraphicObject::SetPicture(std::unique_ptr<TGraphic> Picture)
{
    FPicture = std::move(Picture);
    Changed();
}

void TZvGraphicObject::SetBitmap(const QImage &Image)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->FromImage(Image);
    SetPicture(std::move(bitmap));
}

int32_t TZvGraphicObject::PictureType() const
{
    if (!FPicture)
        return zvpBitmap;
    const std::string name = FPicture->ClassName();
    if (name == "TBitmap")
        return zvpBitmap;
    if (name == "TJPEGImage")
        return zvpJpeg;
    if (name == "TIcon")
        return zvpIcon;
    if (name == "TMetafile")
        return zvpMetafile;
    return zvpRegistered;
}

void TZvGraphicObject::Assign(const TZvBaseObject &Source)
{
    TZvBaseObject::Assign(Source);
    if (auto *g = dynamic_cast<const TZvGraphicObject *>(&Source)) {
        CopyMode = g->CopyMode;
        MetafileAsBitmap = g->MetafileAsBitmap;
        SecondFlag = g->SecondFlag;
        FPicture = g->FPicture ? g->FPicture->Clone() : nullptr;
    }
}

void TZvGraphicObject::Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region)
{
    if (!FPicture || FPicture->GetEmpty())
        return;
    TPainterScope scope(Canvas);
    ClipStep(Canvas, Resolution, Region);
    const QRect b = PixelBounds(Resolution);
    if (MetafileAsBitmap && PictureType() == zvpMetafile) {
        // The metafile played into a bitmap of the bounds' size, and that bitmap stretched.
        QImage bitmap(std::max(1, b.width()), std::max(1, b.height()), QImage::Format_RGB888);
        bitmap.fill(Qt::white);
        QPainter p(&bitmap);
        FPicture->Draw(p, QRect(QPoint(0, 0), bitmap.size()));
        p.end();
        ZvDrawWithCopyMode(Canvas, b, CopyMode, Qt::white, [&](QPainter &P, const QRect &R) { P.drawImage(R, bitmap); });
        return;
    }
    // The pattern is the white ground the printer canvas draws pictures on, too.
    ZvDrawWithCopyMode(Canvas, b, CopyMode, Qt::white, [&](QPainter &P, const QRect &R) { FPicture->Draw(P, R); });
}

void TZvGraphicObject::Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip)
{
    if (!Visible || !FPicture || FPicture->GetEmpty())
        return;
    PrintClipStep(Printer, PageClip);
    TZvPrinterCanvas &c = Printer.Canvas();
    c.CopyMode = CopyMode;
    c.DrawGraphic(InchBounds(), *FPicture);
}

// ---- line

void TZvLineObject::Assign(const TZvBaseObject &Source)
{
    TZvBaseObject::Assign(Source);
    if (auto *l = dynamic_cast<const TZvLineObject *>(&Source))
        LineValue = l->LineValue;
}

void TZvLineObject::Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region)
{
    TPainterScope scope(Canvas);
    ClipStep(Canvas, Resolution, Region);
    Canvas.setPen(GeometricPen(Pen, Resolution));
    Canvas.drawLine(QPoint(Px(Left, Resolution), Px(Top, Resolution)),
                    QPoint(Px(Right, Resolution), Px(Bottom, Resolution)));
}

void TZvLineObject::Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip)
{
    if (!Visible)
        return;
    PrintClipStep(Printer, PageClip);
    TZvPrinterCanvas &c = Printer.Canvas();
    RecordToPen(Pen, c.Pen());
    c.MoveTo(In(Left), In(Top));
    c.LineTo(In(Right), In(Bottom));
}

// ---- shapes

void TZvEllipseShape::Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region)
{
    TPainterScope scope(Canvas);
    ClipStep(Canvas, Resolution, Region);
    Canvas.setPen(GeometricPen(Pen, Resolution));
    Canvas.setBrush(ZvBrush(Brush.Color, Brush.Style));
    Canvas.drawEllipse(PixelBounds(Resolution));
}

void TZvEllipseShape::Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip)
{
    if (!Visible)
        return;
    PrintClipStep(Printer, PageClip);
    SetPrinterRecords(Printer.Canvas(), *this);
    Printer.Canvas().Ellipse(In(Left), In(Top), In(Right), In(Bottom));
}

void TZvRectangleShape::Assign(const TZvBaseObject &Source)
{
    TZvSimpleShape::Assign(Source);
    if (auto *r = dynamic_cast<const TZvRectangleShape *>(&Source))
        Style = r->Style;
}

void TZvRectangleShape::Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region)
{
    TPainterScope scope(Canvas);
    ClipStep(Canvas, Resolution, Region);
    const QRect r = PixelBounds(Resolution);
    const QBrush brush = ZvBrush(Brush.Color, Brush.Style);
    if (Style == 1) {
        Canvas.fillRect(r, brush);
    } else if (Style == 2) {
        QRect f = r;
        for (int i = 0; i < 10 && f.width() > 0 && f.height() > 0; ++i) {
            Canvas.fillRect(QRect(f.left(), f.top(), f.width(), 1), QColor(255, 255, 255));
            Canvas.fillRect(QRect(f.left(), f.top(), 1, f.height()), QColor(255, 255, 255));
            Canvas.fillRect(QRect(f.left(), f.bottom(), f.width(), 1), QColor(0x88, 0x88, 0x88));
            Canvas.fillRect(QRect(f.right(), f.top(), 1, f.height()), QColor(0x88, 0x88, 0x88));
            f.adjust(1, 1, -1, -1);
        }
        Canvas.setPen(ZvPen(Pen.Color, psSolid, 1, false));
        Canvas.setBrush(Qt::NoBrush);
        Canvas.drawRect(r);
    } else {
        Canvas.setPen(GeometricPen(Pen, Resolution));
        Canvas.setBrush(brush);
        Canvas.drawPolygon(QPolygon(r));
    }
}

void TZvRectangleShape::Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip)
{
    if (!Visible)
        return;
    PrintClipStep(Printer, PageClip);
    TZvPrinterCanvas &c = Printer.Canvas();
    SetPrinterRecords(c, *this);
    if (Style == 1)
        c.FillRect(In(Left), In(Top), In(Right), In(Bottom));
    else if (Style == 2)
        c.Frame3D(In(Left), In(Top), In(Right), In(Bottom));
    else
        c.Rectangle(In(Left), In(Top), In(Right), In(Bottom));
}

void TZvRoundRectShape::Assign(const TZvBaseObject &Source)
{
    TZvSimpleShape::Assign(Source);
    if (auto *r = dynamic_cast<const TZvRoundRectShape *>(&Source)) {
        CornerWidth = r->CornerWidth;
        CornerHeight = r->CornerHeight;
    }
}

void TZvRoundRectShape::Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region)
{
    TPainterScope scope(Canvas);
    ClipStep(Canvas, Resolution, Region);
    Canvas.setPen(GeometricPen(Pen, Resolution));
    Canvas.setBrush(ZvBrush(Brush.Color, Brush.Style));
    Canvas.drawRoundedRect(PixelBounds(Resolution), Px(CornerWidth, Resolution) / 2.0,
                           Px(CornerHeight, Resolution) / 2.0);
}

void TZvRoundRectShape::Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip)
{
    if (!Visible)
        return;
    PrintClipStep(Printer, PageClip);
    SetPrinterRecords(Printer.Canvas(), *this);
    Printer.Canvas().RoundRect(In(Left), In(Top), In(Right), In(Bottom), In(CornerWidth), In(CornerHeight));
}

void TZvComplexShape::Assign(const TZvBaseObject &Source)
{
    TZvSimpleShape::Assign(Source);
    if (auto *c = dynamic_cast<const TZvComplexShape *>(&Source)) {
        StartX = c->StartX;
        StartY = c->StartY;
        EndX = c->EndX;
        EndY = c->EndY;
    }
}

void TZvComplexShape::Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region)
{
    TPainterScope scope(Canvas);
    ClipStep(Canvas, Resolution, Region);
    Canvas.setPen(GeometricPen(Pen, Resolution));
    Canvas.setBrush(ZvBrush(Brush.Color, Brush.Style));
    const QRectF r = PixelBounds(Resolution);
    auto angle = [&](int32_t x, int32_t y) {
        const double rx = r.width() / 2, ry = r.height() / 2;
        if (rx <= 0 || ry <= 0)
            return 0.0;
        return std::atan2(-(Px(y, Resolution) - r.center().y()) / ry, (Px(x, Resolution) - r.center().x()) / rx) *
               180.0 / M_PI;
    };
    const double a0 = angle(StartX, StartY);
    double span = angle(EndX, EndY) - a0;
    while (span <= 0)
        span += 360;
    const int a = int(std::lround(a0 * 16)), s = int(std::lround(span * 16));
    if (Kind == zvkArc)
        Canvas.drawArc(r, a, s);
    else if (Kind == zvkChord)
        Canvas.drawChord(r, a, s);
    else
        Canvas.drawPie(r, a, s);
}

void TZvComplexShape::Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip)
{
    if (!Visible)
        return;
    PrintClipStep(Printer, PageClip);
    SetPrinterRecords(Printer.Canvas(), *this);
    const auto p = ConvertPoints(zvuHundredthMM, zvuInches,
                                 {Extended(Left), Extended(Top), Extended(Right), Extended(Bottom), Extended(StartX),
                                  Extended(StartY), Extended(EndX), Extended(EndY)});
    if (Kind == zvkArc)
        Printer.Canvas().Arc(p);
    else if (Kind == zvkChord)
        Printer.Canvas().Chord(p);
    else
        Printer.Canvas().Pie(p);
}
