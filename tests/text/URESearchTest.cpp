#include <gtest/gtest.h>

#include <regex.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "text/URESearch.h"
#include "SearchTestSupport.h"

namespace {

Matches FindAllURE(const WideString &pattern, unsigned flags, const WideString &text)
{
    return FindAllWith<TURESearch>(pattern, flags, text);
}

std::string CompileError(const WideString &pattern)
{
    TURESearch engine(nullptr);
    try {
        engine.FindPrepare(pattern, sfMatchCase);
    } catch (const ESearchError &e) {
        EXPECT_EQ(engine.StateCount(), 0);
        return e.what();
    }
    return "";
}

WideString Wide(const std::string &s)
{
    return WideString(s.begin(), s.end());
}

} // namespace

TEST(URESearch, ErrorTexts)
{
    struct Case {
        WideString pattern;
        std::string detail;
    } cases[] = {
        {u"ab\\", "Unexpected end of pattern."},
        {u"[ab", "Character class not closed, ']' is missing."},
        {u"[]", "Character class not closed, ']' is missing."},
        {u"(ab", "Unbalanced group expression, ')' is missing."},
        {u"ab)", "Unbalanced group expression, ')' is missing."},
        {u"\\p33", "A character property is invalid"},
        {u"[\\p1,40]", "A character property is invalid"},
        {u"a{3,2}", "Invalid repeation range."},
        {u"a{2x}", "Invalid repeation range."},
        {u"a{2", "Repeation range not closed, '}' is missing."},
        {u"a{2,", "Repeation range not closed, '}' is missing."},
        {u"(a|b)*a(a|b){15}", "Expression is too complex."},
        {u"a{1001}", "Expression is too complex."},
        {u"((((a{1000}){1000}){1000}){1000})", "Expression is too complex."},
        {WideString(300, u'(') + u"a" + WideString(300, u')'), "Expression is too complex."},
    };
    // The limits end the compile of the huge ones early: their message is the proof.
    for (const auto &c : cases) {
        const std::string expected =
            "Error in regular expression: " + std::string(c.pattern.begin(), c.pattern.end()) + "\r" + c.detail;
        EXPECT_EQ(CompileError(c.pattern), expected);
    }
    EXPECT_EQ(CompileError(u"()"), "Expression is empty.");
    EXPECT_EQ(CompileError(u"(())|()"), "Expression is empty.");
    EXPECT_EQ(CompileError(u"(a|b)*a(a|b){5}"), "");

    // A failed compile leaves nothing behind, and an empty pattern keeps what was compiled.
    TURESearch engine(nullptr);
    int s, e;
    engine.FindPrepare(u"b", sfMatchCase);
    engine.FindPrepare(u"", sfMatchCase);
    EXPECT_TRUE(engine.FindFirst(u"abc", s, e));
    EXPECT_THROW(engine.FindPrepare(u"(", sfMatchCase), ESearchError);
    EXPECT_FALSE(engine.FindFirst(u"abc", s, e));
}

TEST(URESearch, Matches)
{
    const unsigned cs = sfMatchCase;
    struct Case {
        const char *what;
        WideString pattern;
        unsigned flags;
        WideString text;
        Matches found;
    } cases[] = {
        {"counted", u"a{2,3}", cs, u"a aa aaaa", {{2, 4}, {5, 8}}},
        {"exact count", u"a{2}", cs, u"aaaaa", {{0, 2}, {2, 4}}},
        {"at least", u"ba{2,}", cs, u"ba baa baaaa", {{3, 6}, {7, 12}}},
        {"zero count matches empty", u"xa{0}y", cs, u"xy xay", {{0, 2}}},
        {"case ignored", u"ABC", 0, u"xabcx", {{1, 4}}},
        {"case kept", u"ABC", cs, u"xabcx", {}},
        {"case ignored in classes", u"[A-C]+", 0, u"xaBcx", {{1, 4}}},
        {"negated class ignores case too", u"[^a]", 0, u"Ab", {{1, 2}}},
        {"dot stops at CR", u"a.b", cs, u"a\rb a-b", {{4, 7}}},
        {"empty line", u"^$", cs, u"", {{0, 0}}},
        {"end of line", u"b+$", cs, u"abb bb", {{4, 6}}},
        {"start of line", u"^a", cs, u"aa", {{0, 1}}},
        {"line breaks inside the text", u"^b", cs, u"a\r\nb\nb", {{3, 4}, {5, 6}}},
        {"match inside a failed attempt", u"ab", cs, u"aab", {{1, 3}}},
        {"earlier accepting point", u"ab|abcd", cs, u"abcx", {{0, 2}}},
        {"longest of overlapping branches", u"a|ab|abc", cs, u"abc", {{0, 3}}},
        {"overlapping transitions", u"a.c|abd", cs, u"abd axc", {{0, 3}, {4, 7}}},
        {"accepting start does not take a character", u"a*", cs, u"b", {{0, 0}, {1, 1}}},
        {"empty matches move on", u"x*", cs, u"axxb", {{0, 0}, {1, 3}, {3, 3}, {4, 4}}},
        {"properties", u"\\p10+", cs, u"abCDe", {{2, 4}}},
        {"negated properties", u"\\P3+", cs, u"12ab3", {{2, 4}}},
        {"named classes", u"[:digit::upper:]+", cs, u"ab1C2d", {{2, 5}}},
        {"space class", u"a[:space:]b", cs, u"a\tb", {{0, 3}}},
        {"letter class takes every kind of letter", u"[:alpha:]+", cs, u"1Ab\u01C5\u02B0\u05D0-", {{1, 6}}},
        {"alphanumeric class", u"[:alnum:]+", cs, u"-A1\u05D0-", {{1, 4}}},
        {"graphic class", u"[:graph:]+", cs, u" A\u05D0+ ", {{1, 4}}},
        {"printable class", u"[:print:]+", cs, u"-Z\u00BD\u05D0 +-", {{1, 6}}},
        {"xdigit class", u"[:xdigit:]+", cs, u"xyzBEEFg", {{3, 7}}},
        {"bracket first is a member", u"[]a]+", cs, u"x]a]", {{1, 4}}},
        {"reversed range", u"[c-a]+", cs, u"xbay", {{1, 3}}},
        {"escapes", u"\\t\\x41\\u00e9\\.", cs, u"\tA\u00E9.", {{0, 4}}},
        {"hex without digits is the letter", u"\\xz", cs, u"xz", {{0, 2}}},
        {"backspace in a class", u"[\\b]", cs, u"a\bb", {{1, 2}}},
        {"supplementary character", u"\U0001F600+", cs, u"a\U0001F600\U0001F600", {{1, 5}}},
        {"escaped surrogate pair", u"\\xD83D\\xDE00", cs, u"a\U0001F600", {{1, 3}}},
        {"dot takes a whole pair", u"a.b", cs, u"a\U0001F600b", {{0, 4}}},
        {"lone star is literal", u"*a", cs, u"b*a", {{1, 3}}},
        {"alternation of groups", u"(ab|cd)+e", cs, u"xabcdabe", {{1, 8}}},
        // Far into a line, past runs of characters that begin nothing.
        {"match beginning above U+00FF", u"\u20AC[0-9]+", cs, u"abcdefghijklmnopqrstuvwxyz\u20AC12", {{26, 29}}},
        {"line start after U+2028", u"^b", cs, u"aaaaaaaaaaaaaaaaaaaaaaaa\u2028b", {{25, 26}}},
        {"line break right after the first character", u"b$", cs, u"xxxxxxxxxxxxxxxxxxxxb\nxxxxxxxxxxxxxxxxxxxx", {{20, 21}}},
        {"U+00FF case-blind", u"\u0178+", 0, u"xxxxxxxxxxxxxxxxxxxxxxxxx\u00FF\u0178", {{25, 27}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FindAllURE(c.pattern, c.flags, c.text), c.found) << c.what;
}

namespace {

// Random patterns of the syntax this engine and POSIX extended expressions share.
class TPatternMaker {
public:
    explicit TPatternMaker(unsigned seed) : FRng(seed) {}

    std::string Make(int depth = 3)
    {
        FTop = depth;
        return Alternation(depth);
    }

private:
    std::mt19937 FRng;
    int FTop = 0;
    unsigned Pick(unsigned n) { return FRng() % n; }

    std::string Alternation(int depth)
    {
        std::string s = Concatenation(depth);
        while (Pick(5) == 0)
            s += "|" + Concatenation(depth);
        return s;
    }
    std::string Concatenation(int depth)
    {
        std::string s;
        const unsigned n = 1 + Pick(3);
        for (unsigned i = 0; i < n; ++i)
            s += Item(depth);
        return s;
    }
    std::string Item(int depth)
    {
        // Anchors only outside groups: the reference matcher lets an anchor in a repeated group match
        // away from the line start.
        const unsigned kind = Pick(20);
        if (kind == 0 && depth == FTop)
            return "^";
        if (kind == 1 && depth == FTop)
            return "$";
        std::string atom;
        if (kind < 9)
            atom = std::string(1, "abc"[Pick(3)]);
        else if (kind < 11)
            atom = ".";
        else if (kind < 15) {
            static const char *classes[] = {"[ab]", "[^a]", "[a-c]", "[^bc]", "[b]", "[c-d]"};
            atom = classes[Pick(6)];
        } else if (depth > 0) {
            atom = "(" + Alternation(depth - 1) + ")";
        } else {
            atom = "b";
        }
        switch (Pick(10)) {
        case 0: return atom + "*";
        case 1: return atom + "+";
        case 2: return atom + "?";
        case 3: return atom + "{" + std::to_string(1 + Pick(3)) + "}";
        case 4: return atom + "{" + std::to_string(Pick(3)) + "," + std::to_string(2 + Pick(2)) + "}";
        case 5: return atom + "{" + std::to_string(1 + Pick(2)) + ",}";
        default: return atom;
        }
    }
};

} // namespace

TEST(URESearch, AgreesWithPosixMatcher)
{
    TPatternMaker maker(3);
    std::mt19937 rng(9);
    int compared = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::string pattern = maker.Make();
        const bool icase = round % 4 == 3;
        regex_t re;
        if (regcomp(&re, pattern.c_str(), REG_EXTENDED | (icase ? REG_ICASE : 0)) != 0)
            continue;
        TURESearch engine(nullptr);
        try {
            engine.FindPrepare(Wide(pattern), icase ? 0u : unsigned(sfMatchCase));
        } catch (const ESearchError &e) {
            regfree(&re);
            if (std::string(e.what()).find("too complex") != std::string::npos)
                continue;
            FAIL() << pattern << ": " << e.what();
        }
        for (int t = 0; t < 12; ++t) {
            std::string text;
            const unsigned len = rng() % 12;
            for (unsigned i = 0; i < len; ++i)
                text += (icase ? "abcdAB" : "abcd")[rng() % (icase ? 6 : 4)];
            regmatch_t m;
            const bool posix = regexec(&re, text.c_str(), 1, &m, 0) == 0;
            int s = -1, e = -1;
            const bool ours = engine.FindFirst(Wide(text), s, e);
            ASSERT_EQ(ours, posix) << "pattern " << pattern << " text \"" << text << "\"";
            if (posix) {
                ASSERT_EQ(std::make_pair(s, e), std::make_pair(int(m.rm_so), int(m.rm_eo)))
                    << "pattern " << pattern << " text \"" << text << "\"";
            }
            ++compared;
        }
        regfree(&re);
    }
    EXPECT_GT(compared, 10000);
}

TEST(URESearch, LongLinesAgreeWithPosixMatcher)
{
    // Lines long enough to be passed over many characters at a time, with the letters that may begin
    // a match spread through them; every match of a line must be the POSIX matcher's. The patterns
    // cover first letters that lie far apart, many of them with others in between (which the scan
    // over the line has to look at and pass), too many of them, and Latin-1 letters up to U+00FF.
    // Characters from U+0100 on must be read as the '#' they replace: the patterns name neither.
    struct Case {
        const char *Pattern;
        bool IgnoreCase;
    };
    const Case cases[] = {
        {"qu[a-z]+mar|fo+ba[rz]", false},
        {"qu[a-z]+mar|fo+ba[rz]", true},
        {"[0-9]+x|function\\(", false},
        {"[aceg]x|[ikmo]y", false},
        {"[acegikmoqsuwy]z", false},
        {"\xe9t\xe9|\xff+|\xfe", false},
        {"(ab|cd)*e", true},
        {"x?y", false},
    };
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz     ABCFQXYZ0123456789(#\t\xe9\xc9\xfe\xff";
    const char *planted[] = {"quxmar", "foobar", "FOOBAZ", "12x", "function(", "\xe9t\xe9", "abcde", "ix"};
    const WideChar above[] = {0x100, 0x20AC, 0xFFFF, 0x2028};
    auto widen = [](const std::string &text) {
        WideString w;
        for (unsigned char c : text)
            w += WideChar(c);
        return w;
    };
    std::mt19937 rng(23);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Pattern);
        regex_t re;
        ASSERT_EQ(regcomp(&re, c.Pattern, REG_EXTENDED | (c.IgnoreCase ? REG_ICASE : 0)), 0);
        TURESearch engine(nullptr);
        engine.FindPrepare(widen(c.Pattern), c.IgnoreCase ? 0u : unsigned(sfMatchCase));
        for (int round = 0; round < 300; ++round) {
            std::string text;
            const unsigned len = rng() % 200;
            while (text.size() < len)
                text += rng() % 8 == 0 ? planted[rng() % 8] : std::string(1, alphabet[rng() % alphabet.size()]);
            Matches posix;
            for (size_t from = 0; from <= text.size();) {
                regmatch_t m;
                if (regexec(&re, text.c_str() + from, 1, &m, 0) != 0)
                    break;
                posix.emplace_back(int(from + m.rm_so), int(from + m.rm_eo));
                from += size_t(m.rm_eo > m.rm_so ? m.rm_eo : m.rm_eo + 1);
            }
            WideString wide = widen(text);
            engine.FindAll(wide);
            ASSERT_EQ(Results(engine), posix) << "text \"" << text << "\"";
            // U+2028 ends a line: it stands in for '#' only where no pattern looks at line ends.
            int k = 0;
            for (WideChar &ch : wide)
                if (ch == u'#')
                    ch = above[k++ % 4];
            engine.FindAll(wide);
            ASSERT_EQ(Results(engine), posix) << "text \"" << text << "\" with characters above U+00FF";
        }
        regfree(&re);
    }
}

TEST(URESearch, LongLineWithoutMatchIsOneSweep)
{
    // Every place could begin ".*x", and each attempt would read to the end of the line.
    const WideString line(1000000, u'a');
    TURESearch engine(nullptr);
    engine.FindPrepare(u".*x", sfMatchCase);
    EXPECT_FALSE(engine.FindAll(line));
    EXPECT_LE(engine.StepsTaken(), 2 * int64_t(line.size()));

    int s, e;
    ASSERT_TRUE(engine.FindFirst(line + u"x", s, e));
    EXPECT_EQ(std::make_pair(s, e), std::make_pair(0, 1000001));
}

TEST(URESearch, ArbitraryPatternsCompileOrFailCleanly)
{
    // Any text typed into the find box either compiles or gives one of the error messages; searching
    // with what compiled always ends.
    const std::u16string syntax = u"()[]{}|*+?.^$\\-,:0123456789pPxXuUbnab :digit:\U0001F600\xD800";
    std::mt19937 rng(17);
    int compiled = 0;
    for (int round = 0; round < 20000; ++round) {
        WideString pattern;
        const unsigned len = 1 + rng() % 14;
        for (unsigned i = 0; i < len; ++i)
            pattern += syntax[rng() % syntax.size()];
        TURESearch engine(nullptr);
        try {
            engine.FindPrepare(pattern, rng() % 2 ? unsigned(sfMatchCase) : 0u);
        } catch (const ESearchError &e) {
            const std::string message = e.what();
            EXPECT_TRUE(message.rfind("Error in regular expression: ", 0) == 0 || message == "Expression is empty.")
                << message;
            continue;
        }
        ++compiled;
        WideString text;
        for (unsigned i = 0; i < 20; ++i)
            text += syntax[rng() % syntax.size()];
        engine.FindAll(text);
        for (int i = 0; i < engine.Count(); ++i) {
            int s, e;
            engine.GetResult(i, s, e);
            ASSERT_LE(0, s);
            ASSERT_LE(s, e);
            ASSERT_LE(e, int(text.size()));
        }
    }
    EXPECT_GT(compiled, 1000);
}

TEST(URESearch, LateFailuresStayLinear)
{
    // Each attempt from a start reads far before it fails; the work must still grow only linearly
    // with the line, and the matches stay the leftmost-longest ones.
    struct Case {
        const char16_t *Pattern;
        std::function<WideString(int)> Text;
        std::function<std::vector<std::pair<int, int>>(int)> Matches;
    };
    const Case cases[] = {
        {u"a*b", [](int n) { return WideString(size_t(n), u'a') + u"\nb"; },
         [](int n) {
             return std::vector<std::pair<int, int>>{{n + 1, n + 2}};
         }},
        {u"a*b", [](int n) { return WideString(size_t(n), u'a') + u"b"; },
         [](int n) {
             return std::vector<std::pair<int, int>>{{0, n + 1}};
         }},
        {u"(a|b)*c", [](int n) { return WideString(size_t(n), u'a') + WideString(size_t(n), u'b') + u"\rc"; },
         [](int n) {
             return std::vector<std::pair<int, int>>{{2 * n + 1, 2 * n + 2}};
         }},
        {u"x.*y$",
         [](int n) {
             WideString t;
             for (int i = 0; i < n / 2; ++i)
                 t += u"xy";
             return t + u"z";
         },
         [](int) { return std::vector<std::pair<int, int>>{}; }},
        {u"[a-z]+[0-9]", [](int n) { return WideString(size_t(n), u'q') + u" 1"; },
         [](int) { return std::vector<std::pair<int, int>>{}; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.Pattern, c.Pattern + std::char_traits<char16_t>::length(c.Pattern)));
        TURESearch engine(nullptr);
        engine.FindPrepare(c.Pattern, sfMatchCase);
        int64_t previous = 0;
        for (int n : {20000, 40000, 80000}) {
            const WideString text = c.Text(n);
            engine.FindAll(text);
            EXPECT_EQ(Results(engine), c.Matches(n)) << n;
            const int64_t steps = engine.StepsTaken();
            EXPECT_LE(steps, 4 * int64_t(text.size()) + 16) << n;
            if (previous) {
                EXPECT_LE(steps, previous * 22 / 10) << n;
            }
            previous = steps;
        }
    }
}
