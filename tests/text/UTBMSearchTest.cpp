#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "text/UTBMSearch.h"
#include "SearchTestSupport.h"
#include "text/UnicodeData.h"
#include "text/WideStrUtils.h"

namespace {

Matches FindAllUTBM(const WideString &pattern, unsigned flags, const WideString &text)
{
    return FindAllWith<TUTBMSearch>(pattern, flags, text);
}

std::vector<uint32_t> CodePoints(const WideString &s)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((uint32_t(s[i]) & 0x3FF) << 10) + (uint32_t(s[i + 1]) & 0x3FF));
            ++i;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// Straightforward reference for the flags without stepping (match case, whole words): tries every start
// from left to right.
Matches NaiveFindAll(const WideString &pattern, unsigned flags, const WideString &text)
{
    const std::vector<uint32_t> p = CodePoints(pattern);
    std::vector<uint32_t> t;
    std::vector<int> offset; // unit index of each text code point, plus the end
    for (size_t i = 0; i < text.size();) {
        offset.push_back(int(i));
        const uint32_t c = CodePoints(text.substr(i, 2)).front();
        t.push_back(c);
        i += c >= 0x10000 ? 2 : 1;
    }
    offset.push_back(int(text.size()));
    auto same = [&](uint32_t pc, uint32_t tc) {
        if (flags & sfMatchCase)
            return pc == tc;
        return tc == UnicodeToLower(pc) || tc == UnicodeToUpper(pc) || tc == UnicodeToTitle(pc);
    };
    Matches out;
    size_t i = 0;
    while (!p.empty() && i + p.size() <= t.size()) {
        bool ok = true;
        for (size_t k = 0; k < p.size() && ok; ++k)
            ok = same(p[k], t[i + k]);
        if (ok && (flags & sfWholeWordOnly) && p.size() > 1) {
            const size_t end = i + p.size();
            ok = (end == t.size() || UnicodeIsWhiteSpace(t[end])) && (i == 0 || UnicodeIsWhiteSpace(t[i - 1]));
        }
        if (ok) {
            out.emplace_back(offset[i], offset[i + p.size()]);
            i += p.size();
        } else {
            ++i;
        }
    }
    return out;
}

} // namespace

TEST(UTBMSearch, NamedCases)
{
    const WideString smile = u"\U0001F600";
    struct Case {
        const char *what;
        WideString pattern;
        unsigned flags;
        WideString text;
        Matches found;
    } cases[] = {
        {"case folded", u"Ab", 0, u"xaB", {{1, 3}}},
        {"match case", u"Ab", sfMatchCase, u"xaB", {}},
        {"compressed blanks meet a tab", u"a  b", sfSpaceCompress, u"xa\tb", {{1, 4}}},
        {"compressed blanks meet several", u"a b", sfSpaceCompress, u"a \t  b", {{0, 6}}},
        {"no blank where the pattern has one", u"a b", sfSpaceCompress, u"ab", {}},
        {"word before a full stop", u"word", sfWholeWordOnly, u"a word.", {}},
        {"word between blanks", u"word", sfWholeWordOnly, u"a word b", {{2, 6}}},
        {"word at both ends", u"word", sfWholeWordOnly, u"word", {{0, 4}}},
        {"a zero ends the text", u"word", sfWholeWordOnly, WideString(u"a word\0x", 8), {{2, 6}}},
        {"word inside a word", u"or", sfWholeWordOnly, u"word or", {{5, 7}}},
        {"one character ignores words", u"o", sfWholeWordOnly, u"wow", {{1, 2}}},
        {"supplementary pair", smile, 0, u"a" + smile + u"b", {{1, 3}}},
        {"no lone surrogate",
         smile,
         0,
         u"a\xD83D"
         u"b",
         {}},
        {"non-overlapping", u"aa", 0, u"aaaa", {{0, 2}, {2, 4}}},
        {"text shorter than pattern", u"abc", 0, u"ab", {}},
        {"marks stepped over", u"ab", sfIgnoreNonSpacing, u"a\u0301\u0300b", {{0, 4}}},
        {"marks in the pattern dropped", u"a\u0301b", sfIgnoreNonSpacing, u"ab", {{0, 2}}},
        {"marks count without the flag", u"ab", 0, u"a\u0301b", {}},
        {"repeated character keeps its last skip", u"abcab", sfMatchCase, u"xxabcabcab", {{2, 7}}},
        {"title case", u"\u01C6x", 0, u"\u01C5X", {{0, 2}}},
        {"empty text", u"a", 0, u"", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FindAllUTBM(c.pattern, c.flags, c.text), c.found) << c.what;

    TUTBMSearch engine(nullptr);
    int s = -1, e = -1;
    EXPECT_FALSE(engine.FindFirst(u"abc", s, e)); // nothing compiled
    engine.FindPrepare(u"b", 0);
    engine.FindPrepare(u"", 0); // an empty pattern keeps the compiled one
    ASSERT_TRUE(engine.FindFirst(u"abc", s, e));
    EXPECT_EQ(std::make_pair(s, e), std::make_pair(1, 2));
    EXPECT_EQ(engine.Count(), 1);
    EXPECT_THROW(engine.GetResult(1, s, e), ESearchError);
    engine.DeleteResult(0);
    EXPECT_EQ(engine.Count(), 0);
    EXPECT_THROW(engine.DeleteResult(0), ESearchError);
}

TEST(UTBMSearch, WholeWordTestStaysInsideTheText)
{
    // The text is a window into a longer buffer: the character after it must not be read.
    const WideString buffer = u"say word!";
    TUTBMSearch engine(nullptr);
    engine.FindPrepare(u"word", sfWholeWordOnly);
    int s, e;
    ASSERT_TRUE(engine.FindFirst(buffer.data(), 8, s, e));
    EXPECT_EQ(std::make_pair(s, e), std::make_pair(4, 8));
    EXPECT_FALSE(engine.FindFirst(buffer.data(), 9, s, e));
}

TEST(UTBMSearch, AgreesWithNaiveSearch)
{
    std::mt19937 rng(11);
    const std::vector<WideString> alphabet = {u"a",      u"b",      u"A",          u"B",          u" ",
                                              u"\u00E9", u"\u00C9", u"\U0001F600", u"\U00010428", u"\U00010400",
                                              u"\u01C5", u"\u01C6", u"\xD83D"};
    const unsigned flagSets[] = {0, sfMatchCase, sfWholeWordOnly, sfMatchCase | sfWholeWordOnly};
    for (int round = 0; round < 3000; ++round) {
        auto make = [&](int maxLen, size_t letters) {
            WideString s;
            const int n = int(rng() % unsigned(maxLen + 1));
            for (int i = 0; i < n; ++i)
                s += alphabet[rng() % letters];
            return s;
        };
        const size_t letters = 2 + rng() % (alphabet.size() - 1);
        const WideString pattern = make(4, letters);
        const WideString text = make(30, letters);
        if (pattern.empty() || (pattern.size() == 1 && pattern[0] == 0xD83D))
            continue;
        for (unsigned flags : flagSets)
            ASSERT_EQ(FindAllUTBM(pattern, flags, text), NaiveFindAll(pattern, flags, text))
                << "round " << round << " flags " << flags;
    }
}

TEST(UTBMSearch, SkipsNeverPassACandidate)
{
    // With stepping over marks and white space the match length varies; the scan must still stop at
    // every place where the comparison would succeed.
    std::mt19937 rng(5);
    const std::vector<WideString> alphabet = {u"a", u"b", u"A", u" ", u"\t", u"\u0301", u"\u0001", u"\U0001F600"};
    for (int round = 0; round < 4000; ++round) {
        auto make = [&](int maxLen) {
            WideString s;
            const int n = int(rng() % unsigned(maxLen + 1));
            for (int i = 0; i < n; ++i)
                s += alphabet[rng() % alphabet.size()];
            return s;
        };
        const WideString pattern = make(5);
        const WideString text = make(25);
        const unsigned flags = rng() % 16;
        TUTBMSearch engine(nullptr);
        engine.FindPrepare(pattern, flags);
        Matches reference;
        const int n = int(text.size());
        for (int from = 0, p = 0; engine.PatternLength() > 0 && p < n;) {
            int s, e;
            if (engine.Match(text.data(), n, p, from, s, e)) {
                reference.emplace_back(s, e);
                from = p = e;
            } else {
                p += (text[size_t(p)] >= 0xD800 && text[size_t(p)] <= 0xDBFF && p + 1 < n) ? 2 : 1;
            }
        }
        // Match accepts any end character that equals the last entry's forms; the scan only tries those.
        ASSERT_EQ(FindAllUTBM(pattern, flags, text), reference) << "round " << round << " flags " << flags;
    }
}
