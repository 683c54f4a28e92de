// Lengths, unit conversions and their rounding; margins; header and footer data.
#include "print/ZvTypes.h"
#include <QFontMetrics>
#include <QPen>
#include <gtest/gtest.h>

TEST(ZvTypes, ConvertUnitsTable)
{
    struct Case {
        uint8_t From, To;
        Extended x, Expected;
    } cases[] = {
        {zvuInches, zvuTwips, 1, 1440},
        {zvuTwips, zvuMillimetres, 1440, 25.4L},
        {zvuPixels, zvuMillimetres, 96, 25.4L},
        {zvuMillimetres, zvuHundredthMM, 10, 1000},
        {zvuCentimetres, zvuMillimetres, 2.5L, 25},
        {zvuHundredthMM, zvuInches, 2540, 1},
        {zvuInches, zvuPixels, 2, 192},
        {zvuMillimetres, zvuMillimetres, 7.25L, 7.25L},
        {9, zvuMillimetres, 500, 5}, // an unknown code counts as 1/100 mm
    };
    for (const Case &c : cases)
        EXPECT_NEAR(double(ConvertUnits(c.From, c.To, c.x)), double(c.Expected), 1e-9)
            << int(c.From) << " -> " << int(c.To) << " of " << double(c.x);
}

TEST(ZvTypes, RoundingGoesToTheEvenNeighbourAndChecksTheRange)
{
    struct Case {
        Extended x;
        int32_t Expected;
    } cases[] = {{0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0}, {-1.5L, -2}, {2.4999L, 2}, {2.5001L, 3}};
    for (const Case &c : cases)
        EXPECT_EQ(ZvRound(c.x), c.Expected) << double(c.x);
    EXPECT_EQ(ZvRound(2147483647.0L), 2147483647);
    EXPECT_THROW(ZvRound(2147483647.5001L), ERangeError);
    EXPECT_THROW(ZvRound(-2147483649.0L), ERangeError);
}

TEST(ZvTypes, ValueSettersConvertAndFireOnlyOnARealChange)
{
    int fired = 0;
    TZvValue v(0, [&] { ++fired; });
    struct Case {
        std::function<void(TZvValue &)> Set;
        int32_t Expected;
    } cases[] = {
        {[](TZvValue &x) { x.SetAsMillimetres(10); }, 1000}, {[](TZvValue &x) { x.SetAsInches(1); }, 2540},
        {[](TZvValue &x) { x.SetAsPixels(5080, 1); }, 0}, // 0.5 goes to 0
        {[](TZvValue &x) { x.SetAsPixels(5080, 3); }, 2}, // 1.5 goes to 2
        {[](TZvValue &x) { x.SetAsPixels(96, 96); }, 2540},  {[](TZvValue &x) { x.SetAsPixels(600, -300); }, -1270},
    };
    for (const Case &c : cases) {
        c.Set(v);
        EXPECT_EQ(v.Value(), c.Expected);
    }
    EXPECT_EQ(fired, 6);
    v.SetValue(-1270);
    v.SetAsMillimetres(-12.7L);
    EXPECT_EQ(fired, 6) << "an equal value fires nothing";

    TZvValue p(2540, nullptr);
    EXPECT_EQ(p.AsPixels(96), 96);
    p.SetValue(1);
    EXPECT_EQ(p.AsPixels(96), 0);
    p.SetValue(2500);
    EXPECT_DOUBLE_EQ(double(p.AsMillimetres()), 25);
    EXPECT_NEAR(double(p.AsInches()), 25 / 25.4, 1e-12);

    // Failures store nothing.
    TZvValue f(7, nullptr);
    EXPECT_THROW(f.SetAsPixels(96, 1000000), EIntOverflow);
    EXPECT_THROW(f.SetAsPixels(0, 1), EZeroDivide);
    EXPECT_THROW(f.SetAsInches(1e9L), ERangeError);
    EXPECT_EQ(f.Value(), 7);
}

TEST(ZvTypes, SizesAndRectanglesReportEveryMemberChange)
{
    int fired = 0;
    TZvValueSize s;
    s.OnChange = [&] { ++fired; };
    s.Height().SetValue(5);
    s.Width().SetValue(6);
    s.Width().SetValue(6);
    EXPECT_EQ(fired, 2);
    TZvValueSize t;
    t.Assign(s);
    EXPECT_EQ(t.Height().Value(), 5);
    EXPECT_EQ(t.Width().Value(), 6);

    int rect = 0;
    TZvValueRect r(1, 2, 3, 4, [&] { ++rect; });
    TZvValueRect q;
    q.Assign(r);
    EXPECT_EQ(q.Bottom.Value(), 4);
    r.Right.SetValue(30);
    EXPECT_EQ(rect, 1);
}

TEST(ZvTypes, MarginsDefaultsAndAssign)
{
    TZvMargins m;
    EXPECT_EQ(m.Left().Value(), 2000);
    EXPECT_EQ(m.Bottom().Value(), 2000);
    EXPECT_EQ(m.Pen().Color(), zvSilver);
    EXPECT_EQ(m.Pen().Style(), psDot);
    EXPECT_TRUE(m.PrinterMarginPen() == m.Pen());
    int fired = 0;
    m.OnChange = [&] { ++fired; };
    m.Top().SetAsMillimetres(10);
    m.Pen().SetColor(zvRed);
    m.SetShowPrinterMargins(true); // no printer linked: nothing changes
    EXPECT_FALSE(m.ShowPrinterMargins());
    EXPECT_EQ(fired, 2);
    const auto inches = m.AsInches();
    EXPECT_NEAR(double(inches[1]), 10 / 25.4, 1e-12);

    TZvMargins other;
    other.Left().SetValue(1234);
    other.SetVisible(true);
    other.SetClipMargins(true);
    m.SetClipMargins(false);
    fired = 0;
    m.Assign(other);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(m.Left().Value(), 1234);
    EXPECT_EQ(m.Top().Value(), 2000);
    EXPECT_TRUE(m.Visible());
    EXPECT_FALSE(m.ClipMargins()) << "clipping is not copied";
    EXPECT_EQ(m.Pen().Color(), zvSilver);
}

namespace {
class TTestHeader : public TZvHeaderFooter {
public:
    void Draw(QPainter &, int32_t, const QRegion *, int32_t) override {}
    void PrintOn(TZvPrinter &, int32_t) override {}
};
} // namespace

TEST(ZvTypes, HeaderHeightFollowsTheLargestCaptionFont)
{
    TTestHeader h;
    h.Captions(0).Font().SetSize(10);
    h.Captions(1).Font().SetSize(14);
    h.Captions(2).Font().SetSize(14);
    h.Captions(1).Font().SetName(u"Liberation Mono");
    EXPECT_EQ(&h.LargestFont(), &h.Captions(1).Font()) << "equal sizes keep the earlier caption";
    EXPECT_EQ(h.Height().Value(), 0) << "an invisible header has no height";
    h.SetVisible(true);
    const int ppi = ScreenPixelsPerInch();
    const int px = QFontMetrics(h.Captions(1).Font().ToQFont(ppi)).height();
    EXPECT_EQ(h.Height().Value(), ZvRound(Extended(px) * 2540 / ppi));
    EXPECT_EQ(&h.Height(), &h.Height());

    int fired = 0;
    h.OnChange = [&] { ++fired; };
    h.CaptionLeft().SetCaption(u"x");
    h.CaptionLeft().SetCaption(u"x");
    h.Pen().SetWidth(3);
    h.SetShowLine(false);
    EXPECT_EQ(fired, 3);
    TTestHeader copy;
    copy.Assign(h);
    EXPECT_EQ(copy.CaptionLeft().Caption(), u"x");
    EXPECT_EQ(copy.CaptionCenter().Font().Size(), 14);
    EXPECT_FALSE(copy.ShowLine());
    EXPECT_TRUE(copy.Visible());
}

TEST(ZvTypes, PaperSizesAndRecords)
{
    EXPECT_EQ(PaperSizeHundredths(TZvPaperSize::A4), std::make_pair(29700, 21000));
    EXPECT_EQ(PaperSizeHundredths(TZvPaperSize::C5), std::make_pair(16300, 22900));
    const TZvRealSize letter = PaperSizeInches(TZvPaperSize::Letter);
    EXPECT_NEAR(double(letter.Height), 11, 1e-9);
    EXPECT_NEAR(double(letter.Width), 8.5, 1e-9);

    TFont f;
    f.SetName(u"Liberation Serif");
    f.SetSize(9);
    f.SetStyle(fsBold | fsUnderline);
    f.SetColor(zvRed);
    const TZvFontRecord r = FontToRecord(f, 30);
    TFont g;
    RecordToFont(r, g);
    EXPECT_EQ(FontToRecord(g, 30), r);
    TPen p;
    p.SetWidth(8);
    p.SetStyle(psDash);
    TPen q;
    RecordToPen(PenToRecord(p), q);
    EXPECT_TRUE(q == p);
}

TEST(ZvTypes, WidePensOnTheScreenCountQuarterPoints)
{
    SetScreenPixelsPerInch(96);
    struct Case {
        int32_t Width;
        TPenStyle Style;
        bool Geometric;
        double Pixels;
    } cases[] = {
        {1, psSolid, false, 1},
        {8, psSolid, true, 3}, // round(8 x 96/72 / 4) = round(2.67)
        {2, psDash, true, 2}, // round(0.67) = 1 is below s = 1.33: round(1.83) = 2
        {2, psSolid, true, 1},
    };
    for (const Case &c : cases) {
        TZvPenRecord pen;
        pen.Width = c.Width;
        pen.Style = c.Style;
        const QPen q = GeometricPen(pen, 96);
        EXPECT_EQ(!q.isCosmetic(), c.Geometric) << c.Width;
        EXPECT_DOUBLE_EQ(q.widthF(), c.Pixels) << c.Width;
    }
}
