// Wrapping an editor line into pieces that fit the printed width, and laying lines out on pages.
#include "print/PrintLayout.h"
#include "print/ZvPreview.h"
#include <QChar>
#include <QPrinter>
#include <gtest/gtest.h>
#include <algorithm>
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

WideString Repeat(const WideString &s, int n)
{
    WideString r;
    while (n-- > 0)
        r += s;
    return r;
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
        // The word wrap's only break lies past the width (after the closing quote): the line
        // breaks before the last blank within the width instead of running past the margin,
        // and a word without one is broken at the width.
        {"quotes then a word", W("\"aaaa bbbb cccc dddd eeee\" xyz"), {W("\"aaaa bbbb cccc"), W("dddd eeee\" xyz")}},
        {"a word longer than the line before a break",
         W("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.b c"),
         {WideString(20, u'a'), W("aaaaaaaaaa.b c")}},
        // A cut by length moves back rather than part the two units of a character.
        {"characters of two units",
         Repeat(u"\U0001F600", 15),
         {Repeat(u"\U0001F600", 4), Repeat(u"\U0001F600", 4), Repeat(u"\U0001F600", 7)}},
        {"a long link",
         W("see www.example.org/aaaaaaaaaaaaaaaaaaaaaaaa.html"),
         {W("see www.example."), W("org/aaaaaaaaaaaaaaaa"), W("aaaaaaaa.html")}},
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
    // A remainder that would fit on its own but not behind the five blanks is wrapped again.
    EXPECT_EQ(Wrap(PrintedLine(u"aaaa bbbb cccc dddd " + WideString(23, u'e'), 6, true), 255, true, 50),
              (std::vector<WideString>{u"   7 aaaa bbbb cccc dddd ", u"     " + WideString(9, u'e'),
                                       u"     " + WideString(14, u'e')}));
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
    // What is printed fits between the margins, as the preview shows it and as the printer draws
    // it; one more character would not fit in one of them.
    const int32_t resolution = laid.Preview->ZvPrinter().PixelsPerInchX();
    const int32_t width = laid.Preview->AvailablePageWidth().AsPixels(resolution);
    auto measure = [&](const WideString &t) { return laid.Preview->Canvas().TextWidth(t).AsPixels(resolution); };
    TZvPrinterCanvas paper;
    paper.Attach(nullptr, resolution, resolution, 0, 0, zvColor, 1.0);
    paper.Font().Assign(laid.Preview->Canvas().Font());
    auto onPaper = [&](const WideString &t) { return paper.TextWidth(t) * resolution; };
    EXPECT_LT(measure(printed), width);
    EXPECT_LT(onPaper(printed), width);
    const WideString more = longLine.substr(0, printed.size() + 1);
    EXPECT_TRUE(measure(more) >= width || onPaper(more) > width - 1) << measure(more) << " " << onPaper(more);
    EXPECT_EQ(dynamic_cast<TZvTextObject &>(*page.Objects(1)).Text, u"short");

    // A line of characters of two units each is clipped between characters, never inside one.
    for (const int units : {0, 1}) {
        TLaidOut emoji;
        const WideString line = WideString(size_t(units), u'x') + Repeat(u"\U0001F600", 300);
        LayOutText(
            *emoji.Preview, 1, [&](int) { return line; }, o);
        const WideString clipped = dynamic_cast<TZvTextObject &>(*emoji.Preview->GetPage(1)->Objects(0)).Text;
        ASSERT_GT(clipped.size(), 10u);
        EXPECT_LT(clipped.size(), line.size());
        EXPECT_EQ(clipped, line.substr(0, clipped.size()));
        EXPECT_FALSE(QChar::isHighSurrogate(clipped.back())) << units;
    }
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

namespace {

// Lines as web authors write them: words, words longer than any line, links, quoted texts with and
// without blanks, tags, runs of blanks and tabs.
WideString PrintLayoutRandomLine(std::mt19937 &Rng)
{
    auto pick = [&](int n) { return int(Rng() % unsigned(n)); };
    auto letters = [&](int n) {
        WideString w;
        for (int i = 0; i < n; ++i)
            w += char16_t(u'a' + pick(26));
        return w;
    };
    WideString line;
    const int tokens = pick(14);
    for (int t = 0; t < tokens; ++t) {
        switch (pick(9)) {
        case 0:
            line += letters(30 + pick(150));
            break;
        case 1:
            line += u"https://www." + letters(3 + pick(20)) + u".org/" + letters(pick(60)) + u"/" + letters(pick(40)) +
                    u"?a=" + letters(pick(30)) + u"&b=" + letters(pick(10));
            break;
        case 2: {
            const char16_t q = pick(2) ? u'"' : u'\'';
            line += q;
            for (int w = pick(12); w >= 0; --w)
                line += letters(1 + pick(pick(4) == 0 ? 80 : 8)) + (w ? u" " : u"");
            line += q;
            break;
        }
        case 3:
            line += u"<a href=\"" + letters(1 + pick(90)) + u".html\">";
            break;
        case 4:
            line += u"</" + letters(1 + pick(6)) + u">";
            break;
        case 5:
            line += WideString(size_t(1 + pick(12)), u' ');
            break;
        case 6:
            line += u"\t";
            break;
        case 7:
            // Characters of two UTF-16 units (emoji, rare CJK) and two-cell ones, in a long run.
            for (int i = 12 + pick(80); i > 0; --i)
                line += pick(3) == 0 ? WideString(u"\u4E2D") : pick(2) ? WideString(u"\U0001F600") : WideString(u"\U00020021");
            break;
        default:
            line += letters(1 + pick(9)) + (pick(3) ? u" " : u"") + (pick(4) ? u"" : u"=-.,");
        }
    }
    return line;
}

// Takes the pieces of one printed line from Pieces at Next and checks that they give the line back:
// the first piece as it starts, every other behind the five blanks of a continuation (with line
// numbers); only blanks at a break may be left out. Returns what is wrong, empty when nothing is.
std::string PrintLayoutTakeLine(const WideString &Text, const std::vector<WideString> &Pieces, size_t &Next,
                                bool Numbers)
{
    size_t pos = 0;
    for (bool first = true;; first = false) {
        if (Next >= Pieces.size())
            return "the pieces end inside the line";
        WideString piece = Pieces[Next++];
        if (!first) {
            if (Numbers) {
                if (piece.compare(0, 5, u"     ") != 0)
                    return "a continuation without its indent";
                piece.erase(0, 5);
            }
            while (pos < Text.size() && Text[pos] == u' ')
                ++pos;
        }
        if (piece.empty() && !Text.empty())
            return "an empty piece";
        if (Text.compare(pos, piece.size(), piece) != 0)
            return "a piece that is not the next part of the line";
        if (!piece.empty() && (QChar::isLowSurrogate(piece.front()) || QChar::isHighSurrogate(piece.back())))
            return "a piece that parts the halves of a character";
        pos += piece.size();
        size_t rest = pos;
        while (rest < Text.size() && Text[rest] == u' ')
            ++rest;
        if (rest == Text.size())
            return {};
    }
}

size_t PrintLayoutVisible(const WideString &Text)
{
    return size_t(std::count_if(Text.begin(), Text.end(), [](char16_t c) { return c != u' '; }));
}

} // namespace

TEST(PrintLayout, WrappedPiecesStayWithinTheWidthAndKeepEveryCharacter)
{
    // Widths that differ per character, and indents of blanks narrower than the numbers' room.
    const TWidthMeasure proportional = [](const WideString &s) {
        int32_t w = 0;
        for (char16_t c : s)
            w += c == u' ' ? 4 : 5 + (c % 6);
        return w;
    };
    std::mt19937 rng(56);
    for (int n = 0; n < 600; ++n) {
        TWrapSettings s;
        s.LineNumbers = n % 2 == 0;
        s.WrapWidth = 120 + int32_t(rng() % 900);
        s.NumberReserve = proportional(u"9999 ");
        const WideString text = PrintedLine(PrintLayoutRandomLine(rng), n, s.LineNumbers);
        std::vector<WideString> pieces;
        WrapLine(text, s, proportional, pieces);
        size_t next = 0;
        EXPECT_EQ(PrintLayoutTakeLine(text, pieces, next, s.LineNumbers), "") << n;
        EXPECT_EQ(next, pieces.size()) << n;
        for (const WideString &p : pieces)
            EXPECT_LT(proportional(p), s.WrapWidth) << n << " " << std::string(p.begin(), p.end());
    }
}

TEST(PrintLayout, PagesHoldNoTextPastTheRightMargin)
{
    struct Case {
        const char16_t *Font;
        int32_t Size;
        int32_t LeftMm, RightMm;
    } cases[] = {
        {u"Liberation Mono", 10, 10, 10}, {u"Liberation Mono", 13, 25, 40}, {u"Liberation Sans", 10, 10, 10},
        {u"DejaVu Sans", 11, 15, 60},     {u"Liberation Serif", 9, 5, 5},   {u"DejaVu Sans Mono", 14, 30, 80},
    };
    std::mt19937 rng(2056);
    for (const Case &c : cases)
        for (const bool numbers : {true, false}) {
            const std::string name = std::string(c.Font, c.Font + std::char_traits<char16_t>::length(c.Font)) + " " +
                                     std::to_string(c.Size) + (numbers ? " numbered" : "");
            QPrinter device(QPrinter::HighResolution);
            device.setResolution(600);
            TZvPreview preview(nullptr, &device);
            preview.Canvas().Font().SetName(c.Font);
            preview.Canvas().Font().SetSize(c.Size);
            preview.Margins().Left().SetAsMillimetres(c.LeftMm);
            preview.Margins().Right().SetAsMillimetres(c.RightMm);
            std::vector<WideString> lines;
            for (int i = 0; i < 40; ++i)
                lines.push_back(PrintLayoutRandomLine(rng));
            TTextLayoutOptions o;
            o.LineNumbers = numbers;
            o.FontSize = c.Size;
            LayOutText(preview, int(lines.size()), [&](int i) { return lines[size_t(i)]; }, o);

            // The paper's printable edge, and the widths as the printer draws the text and as
            // the preview shows it.
            const int32_t edge = preview.PaperWidth() - preview.Margins().Right().Value();
            const int32_t resolution = preview.ZvPrinter().PixelsPerInchX();
            TZvPrinterCanvas printed;
            printed.Attach(nullptr, resolution, preview.ZvPrinter().PixelsPerInchY(), 0, 0, zvColor, 1.0);
            printed.Font().Assign(preview.Canvas().Font());
            const int32_t onePixel = ZvRound(2540.0L / resolution) + 1;
            std::vector<WideString> pieces;
            for (int32_t p = 1; p <= preview.PageCount(); ++p) {
                TZvPage &page = *preview.GetPage(p);
                for (int i = 0; i < page.Count(); ++i) {
                    const auto &object = dynamic_cast<TZvTextObject &>(*page.Objects(i));
                    pieces.push_back(object.Text);
                    EXPECT_EQ(object.Left, preview.Margins().Left().Value()) << name;
                    TZvValue paper;
                    paper.SetAsInches(printed.TextWidth(object.Text));
                    EXPECT_LE(object.Left + paper.Value(), edge + onePixel)
                        << name << " printed: " << std::string(object.Text.begin(), object.Text.end());
                    EXPECT_LE(object.Left + preview.Canvas().TextWidth(object.Text).Value(), edge + onePixel)
                        << name << " shown: " << std::string(object.Text.begin(), object.Text.end());
                }
            }
            // Every character of every line is printed once, in order; only blanks at a break go.
            size_t next = 0, visibleLines = 0, visiblePieces = 0;
            for (size_t i = 0; i < lines.size(); ++i) {
                const WideString text = PrintedLine(lines[i], int(i), numbers);
                visibleLines += PrintLayoutVisible(text);
                ASSERT_EQ(PrintLayoutTakeLine(text, pieces, next, numbers), "") << name << " line " << i;
            }
            EXPECT_EQ(next, pieces.size()) << name;
            for (const WideString &p : pieces)
                visiblePieces += PrintLayoutVisible(p);
            EXPECT_EQ(visiblePieces, visibleLines) << name;
        }
}
