#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "text/URESearch.h"
#include "text/UTBMSearch.h"
#include "text/WideTextCodec.h"
#include "SearchTestSupport.h"

// Characters from U+0100 on in lines long enough for the search to pass over them a block at a
// time: Hangul, CJK, emoji (through their surrogate halves), private use and full-width forms must
// be found wherever they stand, as in a short line.

namespace {

std::string WideSearchHex(WideChar u)
{
    char text[8];
    std::snprintf(text, sizeof text, "U+%04X", unsigned(u));
    return text;
}

std::string WideSearchUtf8(const WideString &s)
{
    std::string out(s.size() * 3, '\0');
    out.resize(WideToUtf8Block(s.data(), s.size(), reinterpret_cast<uint8_t *>(out.data())));
    return out;
}

// FindAll with the block scan on, after checking that it finds what the search reading one
// character at a time finds.
Matches WideSearchFindAll(TURESearch &Engine, std::u16string_view Text)
{
    Engine.SetBlockScan(false);
    Engine.FindAll(Text);
    const Matches plain = Results(Engine);
    Engine.SetBlockScan(true);
    Engine.FindAll(Text);
    const Matches blocks = Results(Engine);
    EXPECT_EQ(blocks, plain) << "block scan and plain reading differ";
    return blocks;
}

} // namespace

TEST(URESearchWide, FindsCharactersFromU0100OnInLongLines)
{
    // The search of Find, Find next and Replace all. Lines of 17 units or more are passed over a block
    // at a time; each text is also searched cut short, below that length, where it is read one by one.
    struct Case {
        const char16_t *Pattern;
        unsigned Flags;
        WideString Text;
        Matches Expected;
        bool Literal; // the literal search must find the same
    };
    const Case cases[] = {
        {u"한국어", sfMatchCase, u"The word 한국어 appears in this line.", {{9, 12}}, true},
        {u"한국어", 0, u"The word 한국어 appears in this line.", {{9, 12}}, true},
        {u"[가-힣]+", sfMatchCase, u"The word 한국어 appears in this line.", {{9, 12}}, false},
        {u"日本語", sfMatchCase, u"Documentation in 日本語 and 日本語 again", {{17, 20}, {25, 28}}, true},
        {u"龍|體", sfMatchCase, u"dragon 龍, body 體, both of them", {{7, 8}, {15, 16}}, false},
        {u"\U0001F600", sfMatchCase, u"a smile \U0001F600 in a long enough line", {{8, 10}}, true},
        {u"\U0001F600+", 0, u"smiles \U0001F600\U0001F600\U0001F600 in a long enough line", {{7, 13}}, false},
        {u"\uE000\uF8FF", sfMatchCase, u"private use \uE000\uF8FF in a long line", {{12, 14}}, true},
        {u"ＡＢ", 0, u"full-width ａｂ and ＡＢ in a line", {{11, 13}, {18, 20}}, true},
        {u"x.y", sfMatchCase, u"the units x\uFFFFy and x\u8000y and x" + WideString(1, 0xD800) + u"y", {{10, 13}, {18, 21}, {26, 29}}, false},
        {u"fo+바", sfMatchCase, u"foo foobar foo바 and fo바 at last", {{11, 15}, {20, 23}}, false},
        {u"[^a-z ]", sfMatchCase, u"only lower case letters and \uFF5E here", {{28, 29}}, false},
        {u"어$", sfMatchCase, u"a line that ends in 한국어", {{22, 23}}, false},
        {u"^한", sfMatchCase, u"한국어 starts this longer line", {{0, 1}}, false},
    };
    for (const Case &c : cases) {
        const WideString pattern(c.Pattern), &text = c.Text;
        SCOPED_TRACE(WideSearchUtf8(pattern) + " in \"" + WideSearchUtf8(text) + "\"");
        ASSERT_GE(text.size(), 17u);
        TURESearch engine(nullptr);
        engine.FindPrepare(pattern, c.Flags);
        EXPECT_EQ(WideSearchFindAll(engine, text), c.Expected);
        int start = -1, stop = -1;
        ASSERT_TRUE(engine.FindFirst(text, start, stop));
        EXPECT_EQ(std::make_pair(start, stop), c.Expected.front());
        // The first match alone, a text short enough to be read one character at a time.
        const WideString shorter = text.substr(size_t(c.Expected.front().first),
                                               size_t(c.Expected.front().second - c.Expected.front().first));
        engine.FindAll(shorter);
        EXPECT_EQ(Results(engine), (Matches{{0, int(shorter.size())}})) << "alone";
        if (c.Literal) {
            EXPECT_EQ(FindAllWith<TUTBMSearch>(pattern, c.Flags, text), c.Expected) << "literal search";
        }
    }
}

TEST(URESearchWide, EveryUnitIsFoundWhereverItStands)
{
    // Each of the 65,536 units, halves of pairs alone included, in every lane of a block and at every
    // alignment of the line in memory. "[^\x00-\x7F]" finds it alone,
    // "q[^\x00-\x7F]" after a q (which the search reads as a pair of characters); where the unit is
    // ASCII or a line separator, the block scan must agree with the plain reading. (The class leaves
    // U+0000 out on purpose: it is where a unit from U+8000 on landed when it was packed as signed.)
    const std::u16string background = u"the quick brown fox jumps over the lazy dog and";
    std::vector<WideChar> store(background.size() + 32);
    TURESearch alone(nullptr), paired(nullptr);
    alone.FindPrepare(u"[^\\x00-\\x7F]", sfMatchCase);
    paired.FindPrepare(u"q[^\\x00-\\x7F]", sfMatchCase);
    const size_t n = 40;
    int found = 0;
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        const WideChar u = WideChar(code);
        const bool separator = u == 0x2028 || u == 0x2029;
        const bool ascii = u < 0x80;
        // Every lane of a block (the scan's blocks start where the search resumes, so the places
        // 1-17 meet each lane), and one place further on.
        for (size_t lane = 1; lane < 19; ++lane) {
            const size_t k = lane < 18 ? lane : 18 + code % 15;
            WideChar *p = store.data() + (code + k) % 16;
            std::copy(background.begin(), background.begin() + std::ptrdiff_t(n), p);
            p[k] = u;
            const std::u16string_view line(p, n);
            const Matches a = WideSearchFindAll(alone, line);
            p[k - 1] = u'q';
            const Matches b = WideSearchFindAll(paired, line);
            if (separator || ascii)
                continue;
            if (a != Matches{{int(k), int(k) + 1}} || b != Matches{{int(k) - 1, int(k) + 1}}) {
                FAIL() << WideSearchHex(u) << " at " << k;
            }
            ++found;
        }
    }
    EXPECT_EQ(found, (65536 - 128 - 2) * 18);
}

TEST(UTBMSearchWide, LiteralSearchFindsEveryUnitWhereverItStands)
{
    // The literal search reads its table for units below U+0100 and compares whole code points
    // otherwise: "q" and each of the 65,536 units (a lone half stays a code point of its own) is
    // found at places across the blocks of a line, and only there.
    const WideString background(40, u'x');
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        const WideChar u = WideChar(code);
        TUTBMSearch engine(nullptr);
        engine.FindPrepare(WideString{u'q', u}, sfMatchCase);
        for (const int k : {1, 7, 15, 16, 17, 30, 39}) {
            WideString line = background;
            line[size_t(k) - 1] = u'q';
            line[size_t(k)] = u;
            engine.FindAll(line);
            if (Results(engine) != Matches{{k - 1, k + 1}}) {
                FAIL() << WideSearchHex(u) << " at " << k << ": " << engine.Count() << " matches";
            }
        }
    }
}
