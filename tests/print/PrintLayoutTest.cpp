// Wrapping an editor line into pieces that fit the printed width, and laying lines out on pages.
#include "print/PrintLayout.h"
#include "print/ZvPreview.h"
#include <QPrinter>
#include <gtest/gtest.h>
#include <cstring>
#include <random>

namespace {

// Ten pixels a character: a piece of n characters fits a wrap width of 205 when n <= 20.
const TWidthMeasure Tens = [](const WideString &s) { return int32_t(s.size()) * 10; };

std::vector<WideString> Wrap(const WideString &Text, int32_t Width, bool Numbers = false, int32_t Reserve = 0)
{
    TWrapSettings s;
    s.WrapWidth = Width;
    s.LineNumbers = Numbers;
    s.NumberReserve = Reserve;
    std::vector<WideString> pieces;
    WrapLine(Text, s, Tens, pieces);
    return pieces;
}

WideString W(const char *s)
{
    return WideString(s, s + std::strlen(s));
}

} // namespace

TEST(PrintLayout, WrapTable)
{
    using V = std::vector<WideString>;
    const WideString xs(50, u'x');
    struct Case {
        const char *Name;
        WideString Text;
        V Expected;
    } cases[] = {
        {"fits", W("short line"), {W("short line")}},
        {"exactly below the width", WideString(20, u'a'), {WideString(20, u'a')}},
        {"breaks after the last blank",
         W("aaaa bbbb cccc dddd eeee ffff"),
         {W("aaaa bbbb cccc dddd "), W("eeee ffff")}},
        {"breaks after = and >", W("a=bbbbbbbbbb>ccccccccccccc"), {W("a=bbbbbbbbbb>"), W("ccccccccccccc")}},
        // No break character at all: cut ten characters before the fitting length.
        {"forced cut",
         xs,
         {WideString(9, u'x'), WideString(9, u'x'), WideString(9, u'x'), WideString(9, u'x'), WideString(14, u'x')}},
        // The forced cut goes before the last ",", " ", "." or "=" within the fitting length (a
        // comma is no break character of the word wrap).
        {"forced before a comma",
         W("aaaaaaaaaaaa,bbbbbbbbbbbbbbbbbbbbb"),
         {W("aaaaaaaaaaaa"), W(",bbbbbbbb"), W("bbbbbbbbbbbbb")}},
        // Blanks inside quotes do not break: the word wrap breaks before the quote; when the
        // only break left would leave the last character alone, the forced cut applies.
        {"quotes", W("say \"aaaa bbbb cccc dddd eeee\" x"), {W("say "), W("\"aaaa bbbb cccc"), W("dddd eeee\" x")}},
        // A continuation never starts with the blanks of its wrap.
        {"blanks at the wrap", W("aaaa bbbb cccc dddd    eeee"), {W("aaaa bbbb cccc dddd "), W("eeee")}},
        {"quotes then a word", W("\"aaaa bbbb cccc dddd eeee\" xyz"), {W("\"aaaa bbbb cccc dddd eeee\" "), W("xyz")}},
        {"quoted without breaks",
         W("\"aaaaaaaaaaaaaaaaaaaaaaaaaaaa\""),
         {W("\"aaaaaaaa"), W("aaaaaaaaa"), W("aaaaaaaaaaa\"")}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Wrap(c.Text, 205), c.Expected) << c.Name;
}

TEST(PrintLayout, NumberedLinesAndTabs)
{
    EXPECT_EQ(PrintedLine(u"<p>", 6, true), u"   7 <p>");
    EXPECT_EQ(PrintedLine(u"\tx\t", 0, false), u"  x  ");
    EXPECT_EQ(PrintedLine(u"x", 12344, true), u"12345 x");
    // Continuation pieces stand behind five blanks; the numbers' room is kept free on them.
    const auto pieces =
        Wrap(PrintedLine(u"aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk", 6, true), 255, true, 50);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0], u"   7 aaaa bbbb cccc dddd ");
    EXPECT_EQ(pieces[1], u"     eeee ffff gggg hhhh ");
    EXPECT_EQ(pieces[2], u"     iiii jjjj kkkk");
}

TEST(PrintLayout, EveryPieceMakesProgressAndNothingFittingStops)
{
    // One character fits: every piece holds one character.
    const auto pieces = Wrap(u"abcdef", 15);
    EXPECT_EQ(pieces, (std::vector<WideString>{u"a", u"b", u"c", u"d", u"e", u"f"}));
    EXPECT_THROW(Wrap(u"abc", 10), EPrintLayoutError);
    EXPECT_THROW(Wrap(u"abc defghijk", 60, true, 60), EPrintLayoutError)
        << "the reserve leaves no room on continuations";

    // Random lines: the pieces always give back the line, but for the blanks at each wrap.
    std::mt19937 rng(7);
    const char16_t alphabet[] = u"ab ,.=-\"'>x\t";
    for (int n = 0; n < 300; ++n) {
        WideString text;
        const int len = int(rng() % 200);
        for (int i = 0; i < len; ++i)
            text += alphabet[rng() % 12];
        const int32_t width = 25 + int32_t(rng() % 300);
        std::vector<WideString> out;
        TWrapSettings s;
        s.WrapWidth = width;
        WrapLine(text, s, Tens, out);
        EXPECT_EQ(out.size() == 1 && out[0].empty(), text.empty());
        size_t pos = 0;
        auto skipBlanks = [&] {
            while (pos < text.size() && text[pos] == u' ')
                ++pos;
        };
        for (size_t i = 0; i < out.size(); ++i) {
            const WideString &p = out[i];
            EXPECT_TRUE(!p.empty() || text.empty());
            if (i > 0) {
                EXPECT_NE(p.front(), u' ') << "a continuation starts with a blank";
                skipBlanks();
            }
            EXPECT_EQ(text.substr(pos, p.size()), p);
            pos += p.size();
        }
        skipBlanks();
        EXPECT_EQ(pos, text.size());
    }
}

TEST(PrintLayout, FittingLengthMatchesCuttingOneCharacterAtATime)
{
    std::mt19937 rng(11);
    // Widths that differ per character, as proportional fonts have.
    const TWidthMeasure measure = [](const WideString &s) {
        int32_t w = 0;
        for (char16_t c : s)
            w += 3 + (c % 7);
        return w;
    };
    for (int n = 0; n < 200; ++n) {
        WideString text;
        const int len = int(rng() % 3000);
        for (int i = 0; i < len; ++i)
            text += char16_t(u'a' + rng() % 26);
        const int32_t width = int32_t(rng() % 20000);
        const int32_t reserve = int32_t(rng() % 40);
        size_t linear = text.size();
        while (linear > 0 && !(measure(text.substr(0, linear)) + reserve < width))
            --linear;
        EXPECT_EQ(FittingLength(text, reserve, width, measure), linear) << len << " " << width;
    }
}

namespace {

struct TLaidOut {
    QPrinter Device{QPrinter::HighResolution};
    std::unique_ptr<TZvPreview> Preview;
    TLaidOut()
    {
        Device.setResolution(300);
        Preview = std::make_unique<TZvPreview>(nullptr, &Device);
        Preview->Canvas().Font().SetName(u"Liberation Mono");
        Preview->Canvas().Font().SetSize(10);
        Preview->Header().SetVisible(true);
        Preview->Footer().SetVisible(true);
    }
    void LayOut(int Lines, bool Numbers = true)
    {
        TTextLayoutOptions o;
        o.LineNumbers = Numbers;
        o.FontSize = 10;
        LayOutText(
            *Preview, Lines, [](int i) { return u"line " + WideString(size_t(i % 7), u'x'); }, o);
    }
};

} // namespace

TEST(PrintLayout, ALayoutOfExactlyOnePageLeavesNoEmptyPage)
{
    TLaidOut probe;
    probe.LayOut(500);
    const int perPage = probe.Preview->GetPage(1)->Count();
    ASSERT_GT(perPage, 20);
    EXPECT_EQ(probe.Preview->PageCount(), (500 + perPage - 1) / perPage);

    TLaidOut exact;
    exact.LayOut(perPage);
    EXPECT_EQ(exact.Preview->PageCount(), 1);
    TLaidOut more;
    more.LayOut(perPage + 1);
    EXPECT_EQ(more.Preview->PageCount(), 2);
    EXPECT_EQ(more.Preview->GetPage(2)->Count(), 1);
    // Lines stand one line height apart from below the top margin on, at the left margin.
    TZvPage &page = *exact.Preview->GetPage(1);
    const int32_t step = page.Objects(1)->Top - page.Objects(0)->Top;
    EXPECT_EQ(step, ZvRound(10 * 1.2L / 72 * 2540));
    EXPECT_EQ(page.Objects(0)->Left, exact.Preview->Margins().Left().Value());
    EXPECT_EQ(dynamic_cast<TZvTextObject &>(*page.Objects(6)).Text, u"   7 line xxxxxx");
}

TEST(PrintLayout, WithoutWordWrapALongLineEndsAtTheRightMargin)
{
    TLaidOut laid;
    TTextLayoutOptions o;
    o.LineNumbers = false;
    o.WordWrap = false;
    const WideString longLine = u"start " + WideString(400, u'x') + u" end";
    LayOutText(
        *laid.Preview, 2, [&](int i) { return i == 0 ? longLine : WideString(u"short"); }, o);
    TZvPage &page = *laid.Preview->GetPage(1);
    ASSERT_EQ(page.Count(), 2);
    const WideString printed = dynamic_cast<TZvTextObject &>(*page.Objects(0)).Text;
    ASSERT_GT(printed.size(), 6u);
    EXPECT_LT(printed.size(), longLine.size());
    EXPECT_EQ(printed, longLine.substr(0, printed.size()));
    // What is printed fits between the margins; one more character would not.
    const int32_t resolution = laid.Preview->ZvPrinter().PixelsPerInchX();
    const int32_t width = laid.Preview->AvailablePageWidth().AsPixels(resolution);
    auto measure = [&](const WideString &t) { return laid.Preview->Canvas().TextWidth(t).AsPixels(resolution); };
    EXPECT_LT(measure(printed), width);
    EXPECT_GE(measure(longLine.substr(0, printed.size() + 1)), width);
    EXPECT_EQ(dynamic_cast<TZvTextObject &>(*page.Objects(1)).Text, u"short");
}

TEST(PrintLayout, AFontTooLargeForThePageStops)
{
    TLaidOut big;
    TTextLayoutOptions o;
    o.FontSize = 800;
    EXPECT_THROW(LayOutText(
                     *big.Preview, 3, [](int) { return WideString(u"x"); }, o),
                 EPrintLayoutError);
    EXPECT_FALSE(big.Preview->Updating());
    EXPECT_EQ(big.Preview->GetPage(1)->Count(), 0);
}
