#include "print/ZvCanvas.h"
#include "print/ZvPages.h"
#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <algorithm>

TZvCanvas::TZvCanvas()
{
    FFont.SetName(u"Arial");
    FFont.SetColor(clBlack);
    FFont.SetSize(12);
    FFont.SetPixelsPerInch(ScreenPixelsPerInch());
    FBrush.SetStyle(bsClear);
}

TZvCanvas::~TZvCanvas() = default;

void TZvCanvas::TextOut(Extended x, Extended y, const WideString &Text, uint8_t AUnits)
{
    TextOutAngle(x, y, Text, AUnits, 0);
}

void TZvCanvas::TextOutAngle(Extended x, Extended y, const WideString &Text, uint8_t AUnits, Extended Angle)
{
    // Positions first: a position out of range records nothing.
    const int32_t left = ZvRound(ConvertUnits(AUnits, zvuHundredthMM, x));
    const int32_t top = ZvRound(ConvertUnits(AUnits, zvuHundredthMM, y));
    auto object = std::make_unique<TZvTextObject>();
    object->Font = FontToRecord(FFont);
    object->PageNumber = FPage ? FPage->PageNumber() : 0;
    object->SetAngle(Angle);
    object->Brush = BrushToRecord(FBrush);
    object->Left = left;
    object->Top = top;
    object->Alignment = 0;
    object->Text = Text;
    TZvBaseObject &added = AddObject(false, std::move(object));
    FPenY = added.Top;
    FPenX = added.Left + TextWidth(Text).Value();
}

TZvBaseObject &TZvCanvas::AddObject(bool Insert, std::unique_ptr<TZvBaseObject> Object)
{
    if (!FPage)
        throw Exception("The page canvas has no page to draw on.");
    Object->OffsetBy(FOriginX, FOriginY);
    Object->PageNumber = FPage->PageNumber();
    Object->Clip = Clip;
    for (int i = 0; i < 4; ++i)
        Object->ClipRect[i] = ClipRect[i];
    TZvBaseObject &added = Insert ? FPage->InsertObject(0, std::move(Object)) : FPage->AddObject(std::move(Object));
    FLastObject = &added;
    if (OnChange)
        OnChange();
    return added;
}

TZvValue &TZvCanvas::TextWidth(const WideString &Text)
{
    if (!FMeasure)
        FMeasure = std::make_unique<TZvValueSize>();
    const int ppi = ScreenPixelsPerInch();
    const QFontMetrics fm(FFont.ToQFont(ppi));
    const int px = fm.horizontalAdvance(QString(reinterpret_cast<const QChar *>(Text.data()), qsizetype(Text.size())));
    FMeasure->Width().SetAsInches(Extended(px) / ppi);
    return FMeasure->Width();
}

// ---- rich text

const TZvRtfRange *TZvRtfInformation::FindPage(int32_t PageNumber) const
{
    const TZvRtfRange *found = nullptr;
    for (const auto &r : Ranges)
        if (r.PageNumber == PageNumber)
            found = &r;
    return found;
}

void TZvRtfInformation::Clear()
{
    while (!Ranges.empty())
        Ranges.pop_back();
    if (OnClear)
        OnClear();
}

void RenderRichRange(QPainter &Canvas, int32_t r, const QTextDocument &Document, int32_t First, Extended PageHeight,
                     Extended PageWidth, const Extended Margins[4], int32_t Last)
{
    const int32_t w = ZvRound(r * PageWidth), h = ZvRound(r * PageHeight);
    const QRect target(QPoint(ZvRound(r * Margins[0]), ZvRound(r * Margins[1])),
                       QPoint(w - ZvRound(r * Margins[2]) - 1, h - ZvRound(r * Margins[3]) - 1));
    if (target.width() <= 0 || target.height() <= 0)
        return;
    // The range as a document of its own, laid out to the target's width.
    QTextDocument part;
    {
        QTextCursor source(const_cast<QTextDocument *>(&Document));
        const int end = Document.characterCount() - 1;
        source.setPosition(std::clamp(First, 0, end));
        source.setPosition(std::clamp(Last, 0, end), QTextCursor::KeepAnchor);
        QTextCursor(&part).insertFragment(source.selection());
    }
    part.setTextWidth(target.width());
    Canvas.save();
    Canvas.translate(target.topLeft());
    Canvas.setClipRect(QRect(QPoint(0, 0), target.size()));
    part.drawContents(&Canvas, QRectF(QPointF(0, 0), QSizeF(target.size())));
    Canvas.restore();
}
