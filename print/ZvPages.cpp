#include "print/ZvPages.h"
#include "platform/QtConvert.h"
#include "print/ZvPrinter.h"
#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <algorithm>

namespace {

int32_t MarginPx(const TZvMargins *M, int Edge, int32_t r)
{
    if (!M)
        return 0;
    const TZvValue &v = Edge == 0 ? M->Left() : Edge == 1 ? M->Top() : Edge == 2 ? M->Right() : M->Bottom();
    return v.AsPixels(r);
}

// Draws the three captions with their tops at `Top` (or their bottoms on `Bottom` when Top is
// negative) between x0 and x1.
void DrawCaptions(TZvHeaderFooter &HF, QPainter &Canvas, int32_t r, int32_t x0, int32_t x1, int32_t Rule,
                  bool StandOnRule, int32_t PageNumber)
{
    for (int i = 0; i < 3; ++i) {
        const QString text = ToQString(HF.ReplaceFields(HF.Captions(i).Caption(), PageNumber));
        if (text.isEmpty())
            continue;
        const QFont font = HF.Captions(i).Font().ToQFont(r);
        const QFontMetrics fm(font);
        const int tw = fm.horizontalAdvance(text), th = fm.height();
        int x = x0;
        if (i == 1)
            x = (x0 + x1) / 2 - tw / 2;
        else if (i == 2)
            x = x1 - tw;
        const int top = StandOnRule ? Rule - th : Rule;
        Canvas.setFont(font);
        Canvas.setPen(ZvColor(HF.Captions(i).Font().Color()));
        Canvas.drawText(QPoint(x, top + fm.ascent()), text);
    }
}

void PrintCaptions(TZvHeaderFooter &HF, TZvPrinterCanvas &C, Extended x0, Extended x1, Extended Rule, bool StandOnRule,
                   int32_t PageNumber)
{
    for (int i = 0; i < 3; ++i) {
        const WideString text = HF.ReplaceFields(HF.Captions(i).Caption(), PageNumber);
        if (text.empty())
            continue;
        RecordToFont(FontToRecord(HF.Captions(i).Font()), C.Font());
        C.Brush().SetStyle(bsClear);
        const TZvRealSize ext = C.TextExtent(text);
        Extended x = x0;
        if (i == 1)
            x = (x0 + x1) / 2 - ext.Width / 2;
        else if (i == 2)
            x = x1 - ext.Width;
        C.TextOut(0, text, x, StandOnRule ? Rule - ext.Height : Rule);
    }
}

void PrintRule(TZvHeaderFooter &HF, TZvPrinterCanvas &C, Extended x0, Extended x1, Extended y)
{
    if (!HF.ShowLine())
        return;
    C.Pen().Assign(HF.Pen());
    C.MoveTo(x0, y);
    C.LineTo(x1, y);
}

} // namespace

// ---- header and footer

void TZvHeader::Draw(QPainter &Canvas, int32_t r, const QRegion *Region, int32_t PageNumber)
{
    if (!FVisible)
        return;
    Canvas.save();
    const int32_t w = ZvRound(r * FPageWidth);
    const int32_t x0 = MarginPx(FMargins, 0, r), x1 = w - MarginPx(FMargins, 2, r);
    const int32_t y = MarginPx(FMargins, 1, r) + Height().AsPixels(r);
    if (Region)
        Canvas.setClipRegion(*Region);
    Canvas.setBrush(Qt::NoBrush);
    DrawCaptions(*this, Canvas, r, x0, x1, y, true, PageNumber);
    if (FShowLine) {
        Canvas.setPen(GeometricPen(FPen, r));
        Canvas.drawLine(x0, y, x1, y);
    }
    Canvas.restore();
}

void TZvFooter::Draw(QPainter &Canvas, int32_t r, const QRegion *Region, int32_t PageNumber)
{
    if (!FVisible)
        return;
    Canvas.save();
    const int32_t w = ZvRound(r * FPageWidth), h = ZvRound(r * FPageHeight);
    const int32_t x0 = MarginPx(FMargins, 0, r), x1 = w - MarginPx(FMargins, 2, r);
    const int32_t b = h - MarginPx(FMargins, 3, r);
    const int32_t t = b - Height().AsPixels(r);
    if (Region)
        Canvas.setClipRegion(*Region);
    Canvas.setBrush(Qt::NoBrush);
    DrawCaptions(*this, Canvas, r, x0, x1, t, false, PageNumber);
    if (FShowLine) {
        Canvas.setPen(GeometricPen(FPen, r));
        Canvas.drawLine(x0, t, x1, t);
    }
    Canvas.restore();
}

void TZvHeader::PrintOn(TZvPrinter &Printer, int32_t PageNumber)
{
    if (!FVisible)
        return;
    TZvPrinterCanvas &C = Printer.Canvas();
    C.SetClip(std::nullopt);
    const int32_t rx = C.ResolutionX(), ry = C.ResolutionY();
    const Extended y = Extended(MarginPx(FMargins, 1, ry)) / ry + Extended(Height().AsPixels(ry)) / ry;
    const Extended x0 = Extended(MarginPx(FMargins, 0, rx)) / rx;
    const Extended x1 = Extended(ZvRound(rx * FPageWidth) - MarginPx(FMargins, 2, rx)) / rx;
    PrintCaptions(*this, C, x0, x1, y, true, PageNumber);
    PrintRule(*this, C, x0, x1, y);
}

void TZvFooter::PrintOn(TZvPrinter &Printer, int32_t PageNumber)
{
    if (!FVisible)
        return;
    TZvPrinterCanvas &C = Printer.Canvas();
    C.SetClip(std::nullopt);
    const int32_t rx = C.ResolutionX(), ry = C.ResolutionY();
    const Extended bottom = Extended(ZvRound(ry * FPageHeight) - MarginPx(FMargins, 3, ry)) / ry;
    const Extended top = bottom - Extended(Height().AsPixels(ry)) / ry;
    const Extended x0 = Extended(MarginPx(FMargins, 0, rx)) / rx;
    const Extended x1 = Extended(ZvRound(rx * FPageWidth) - MarginPx(FMargins, 2, rx)) / rx;
    PrintCaptions(*this, C, x0, x1, top, false, PageNumber);
    PrintRule(*this, C, x0, x1, top);
}

// ---- page

TZvPage::TZvPage(TZvPageList *Owner) : FOwner(Owner)
{
    FSize.OnChange = [this] { Changed(); };
}

TZvPage::~TZvPage() = default;

TZvBaseObject &TZvPage::AddObject(std::unique_ptr<TZvBaseObject> Object)
{
    return InsertObject(Count(), std::move(Object));
}

TZvBaseObject &TZvPage::InsertObject(int Position, std::unique_ptr<TZvBaseObject> Object)
{
    Position = std::clamp(Position, 0, Count());
    Object->OnChange = [this] { Changed(); };
    TZvBaseObject &ref = *Object;
    FObjects.insert(FObjects.begin() + Position, std::move(Object));
    Changed();
    return ref;
}

void TZvPage::DeleteObject(int Index)
{
    if (Index < 0 || Index >= Count())
        return;
    FObjects.erase(FObjects.begin() + Index);
    Changed();
}

void TZvPage::Clear()
{
    while (!FObjects.empty())
        FObjects.pop_back();
    FMetafile = std::make_unique<QPicture>();
    FMetafileSize = QSize();
    // An emptied page must be drawn again, even one that was empty before.
    Changed();
}

void TZvPage::Assign(const TZvPage &Other)
{
    if (&Other == this)
        return;
    Clear();
    for (const auto &o : Other.FObjects)
        AddObject(CloneObject(*o));
    ShowFooter = Other.ShowFooter;
    ShowHeader = Other.ShowHeader;
    FSize.Assign(Other.FSize);
    Changed();
}

void TZvPage::SetOrientation(TZvOrientation Value)
{
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    const int32_t h = FSize.Height().Value(), w = FSize.Width().Value();
    FSize.Height().SetValue(w);
    FSize.Width().SetValue(h);
    Changed();
    if (FOwner && FOwner->Orientation() != FOrientation && OnOrientationChanged)
        OnOrientationChanged(*this, FPageNumber, FOrientation);
}

const QPicture &TZvPage::GetMetafile()
{
    if (FOutOfDate)
        PaintToMetafile(ScreenPixelsPerInch());
    return *FMetafile;
}

bool TZvPage::Refresh()
{
    const bool was = FOutOfDate;
    if (FOutOfDate)
        PaintToMetafile(ScreenPixelsPerInch());
    return was;
}

void TZvPage::PaintToMetafile(int32_t r)
{
    if (!FOutOfDate || FRendering)
        return;
    FRendering = true;
    struct Done {
        TZvPage &P;
        ~Done()
        {
            P.FOutOfDate = false;
            P.FRendering = false;
        }
    } done{*this};

    const Extended H = FSize.Height().AsInches(), W = FSize.Width().AsInches();
    FMetafile = std::make_unique<QPicture>();
    FMetafileSize = QSize(ZvRound(W * r), ZvRound(H * r));
    QRegion region;
    if (Margins && Margins->ClipMargins())
        region = QRegion(QRect(QPoint(Margins->Left().AsPixels(r), Margins->Top().AsPixels(r)),
                               QPoint(FSize.Width().AsPixels(r) - Margins->Right().AsPixels(r) - 1,
                                      FSize.Height().AsPixels(r) - Margins->Bottom().AsPixels(r) - 1)));
    else
        region = QRegion(0, 0, FSize.Width().AsPixels(r), FSize.Height().AsPixels(r));
    QPainter canvas(FMetafile.get());
    if (ShowHeader && Header) {
        Header->SetPageSize(H, W);
        Header->Draw(canvas, r, &region, FPageNumber);
    }
    if (ShowFooter && Footer) {
        Footer->SetPageSize(H, W);
        Footer->Draw(canvas, r, &region, FPageNumber);
    }
    for (const auto &o : FObjects)
        o->Draw(canvas, r, &region);
    canvas.end();
    FMetafile->setBoundingRect(QRect(QPoint(0, 0), FMetafileSize));
}

void TZvPage::Print(TZvPrinter &Printer)
{
    const Extended H = FSize.Height().AsInches(), W = FSize.Width().AsInches();
    std::optional<QRectF> clip;
    if (Margins && Margins->ClipMargins()) {
        const auto m = Margins->AsInches();
        clip = QRectF(QPointF(double(m[0]), double(m[1])), QPointF(double(W - m[2]), double(H - m[3])));
    }
    for (const auto &o : FObjects)
        o->Print(Printer, clip);
    Printer.Canvas().SetClip(std::nullopt);
    // Header and footer take the size of the page being printed.
    if (Header) {
        Header->SetPageSize(H, W);
        Header->PrintOn(Printer, FPageNumber);
    }
    if (Footer) {
        Footer->SetPageSize(H, W);
        Footer->PrintOn(Printer, FPageNumber);
    }
}

// ---- page list

TZvPageList::TZvPageList()
{
    FPaperSize.OnChange = [this] { PaperChanged(); };
    SetPaperSize(TZvPaperSize::A4);
}

TZvPageList::~TZvPageList() = default;

TZvPage *TZvPageList::Pages(int32_t Number) const
{
    if (Number < 1 || Number > Count())
        return nullptr;
    return FPages[size_t(Number - 1)].get();
}

void TZvPageList::Renumber()
{
    for (size_t i = 0; i < FPages.size(); ++i)
        FPages[i]->FPageNumber = int32_t(i + 1);
}

void TZvPageList::MarkAllOutOfDate()
{
    for (auto &p : FPages)
        p->Changed();
}

TZvPage &TZvPageList::AddPage()
{
    std::unique_ptr<TZvPage> page(new TZvPage(this));
    page->FOrientation = FOrientation;
    page->FSize.Assign(FPaperSize);
    page->Header = Header;
    page->Footer = Footer;
    page->Margins = Margins;
    page->OnOrientationChanged = [this](TZvPage &p, int32_t n, TZvOrientation o) {
        if (OnPageOrientationChanged)
            OnPageOrientationChanged(p, n, o);
    };
    TZvPage &ref = *page;
    FPages.push_back(std::move(page));
    Renumber();
    MarkAllOutOfDate();
    return ref;
}

void TZvPageList::DeletePage(int32_t Number)
{
    if (Number < 1 || Number > Count())
        return;
    FPages.erase(FPages.begin() + (Number - 1));
    Renumber();
    MarkAllOutOfDate();
}

void TZvPageList::Clear()
{
    for (int32_t n = Count(); n >= 1; --n)
        DeletePage(n);
    FPages.clear();
}

void TZvPageList::Assign(const TZvPageList &Other)
{
    if (&Other == this)
        return;
    Clear();
    while (Count() < Other.Count())
        AddPage();
    for (int32_t n = 1; n <= Count(); ++n) {
        Pages(n)->Assign(*Other.Pages(n));
        Pages(n)->FOrientation = Other.Pages(n)->FOrientation;
    }
}

void TZvPageList::SetOrientation(TZvOrientation Value)
{
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    const int32_t h = FPaperSize.Height().Value(), w = FPaperSize.Width().Value();
    const int32_t big = std::max(h, w), small = std::min(h, w);
    const int32_t newW = Value == zvLandscape ? big : small, newH = Value == zvLandscape ? small : big;
    FPaperSize.Width().SetValue(newW);
    FPaperSize.Height().SetValue(newH);
    for (auto &p : FPages) {
        p->FOrientation = Value;
        p->FSize.Width().SetValue(newW);
        p->FSize.Height().SetValue(newH);
    }
    MarkAllOutOfDate();
}

void TZvPageList::SetPaperSize(TZvPaperSize Size)
{
    TZvRealSize s = PaperSizeInches(Size);
    if (FOrientation == zvLandscape)
        std::swap(s.Height, s.Width);
    FPaperSize.Height().SetAsInches(s.Height);
    FPaperSize.Width().SetAsInches(s.Width);
}

void TZvPageList::PaperChanged()
{
    for (auto &p : FPages)
        p->FSize.Assign(FPaperSize);
    if (OnChange)
        OnChange();
}

int TZvPageList::PagesOrientation() const
{
    for (const auto &p : FPages)
        if (p->FOrientation != FOrientation)
            return 2;
    return int(FOrientation);
}

// ---- shadow

void TZvShadow::SetWidth(int32_t Value)
{
    if (Value == FWidth)
        return;
    FWidth = Value;
    Changed();
}

void TZvShadow::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    Changed();
}

void TZvShadow::SetVisible(bool Value)
{
    if (Value == FVisible)
        return;
    FVisible = Value;
    Changed();
}

void TZvShadow::Assign(const TZvShadow &Other)
{
    FWidth = Other.FWidth;
    FColor = Other.FColor;
    FVisible = Other.FVisible;
    Changed();
}
