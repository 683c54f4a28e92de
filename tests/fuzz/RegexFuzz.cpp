// Fuzz target for the regular-expression search. The input is read as choices: a pattern and a line
// built from pieces that matter to the search (letters, characters from U+0080 to U+FFFF, surrogate
// pairs and lone halves, line separators, long runs that the search passes over a block at a time).
// Every search must give the same matches whether characters are passed over sixteen at a time or
// read one by one, lie inside the line, in order, without overlapping, and FindFirst must give the
// first of them. A pattern made from a grammar both engines read alike, searched with match case in a
// line without line separators or lone halves, must give the matches of glibc's POSIX matcher
// (leftmost-longest, in a UTF-8 locale), mapped back to UTF-16 positions.
// Built with -DQUILLMAR_FUZZ=ON (clang, libFuzzer).
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex.h>
#include <string>
#include <utility>
#include <vector>

#include "text/SearchEngine.h"
#include "text/URESearch.h"
#include "tests/text/SearchTestSupport.h"

namespace {

// The fuzz input, read as a stream of choices; once it runs out every choice is 0.
class TChoices {
public:
    TChoices(const uint8_t *Data, size_t Size) : FData(Data), FSize(Size) {}
    unsigned Next(unsigned Count)
    {
        if (FAt >= FSize || Count == 0)
            return 0;
        return FData[FAt++] % Count;
    }
    bool Done() const { return FAt >= FSize; }

private:
    const uint8_t *FData;
    size_t FSize, FAt = 0;
};

using TMatches = Matches;

void Append(std::u16string &s, uint32_t c)
{
    if (c >= 0x10000) {
        s += char16_t(0xD800 + ((c - 0x10000) >> 10));
        s += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        s += char16_t(c);
    }
}

// Characters of the lines and the literal atoms: ASCII letters, Latin-1 edges, characters from
// U+8000 on, a pair. Those after kPosixChars are left out where glibc reads the line.
const uint32_t kChars[] = {'a',    'b',    'c',    'x',    ' ',    'A',    '0',     '(',     0xE9,    0xFF,
                           0x100,  0x7FFF, 0x8000, 0xD55C, 0xAD6D, 0xC5B4, 0xFF21,  0xFF41,  0xE000,  0xFFFD,
                           0x4E2D, 0x1F600, 0x20AC, '\t',
                           // not for glibc: line separators, lone halves, U+FFFF, U+0000
                           '\n',   '\r',   0x2028, 0x2029, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFF, 0};
constexpr unsigned kPosixChars = 24;
constexpr unsigned kAllChars = sizeof kChars / sizeof kChars[0];

std::u16string MakeLine(TChoices &In, bool Posix)
{
    std::u16string line;
    const unsigned pieces = In.Next(64);
    for (unsigned p = 0; p < pieces && line.size() < 400; ++p) {
        switch (In.Next(4)) {
        case 0: { // a long run of one character, passed over a block at a time
            const uint32_t c = kChars[In.Next(Posix ? kPosixChars : kAllChars)];
            for (unsigned n = 8 + In.Next(48); n > 0; --n)
                Append(line, c);
            break;
        }
        case 1:
            if (!Posix) { // any unit at all
                line += char16_t(In.Next(256) << 8 | In.Next(256));
                break;
            }
            [[fallthrough]];
        default:
            Append(line, kChars[In.Next(Posix ? kPosixChars : kAllChars)]);
        }
    }
    return line;
}

// A pattern of any syntax the engine reads, errors included.
std::u16string MakeRawPattern(TChoices &In)
{
    static const char16_t *const kPieces[] = {
        u"a", u"b", u"x", u".", u"*", u"+", u"?", u"|", u"(", u")", u"[", u"]", u"^", u"$", u"-", u"\\",
        u"{", u"}", u",", u"1", u"2", u"0", u"\\p", u"\\P", u":alpha:", u":space:", u"\\x", u"D55C", u"8000",
        u"FFFF", u"\\t", u"\\n", u"[^", u"한", u"\U0001F600", u"\uFF21", u"\u8000", u"\uFFFF", u"\uE000"};
    std::u16string pattern;
    const unsigned pieces = 1 + In.Next(12);
    for (unsigned p = 0; p < pieces; ++p) {
        if (In.Next(8) == 0)
            pattern += char16_t(In.Next(256) << 8 | In.Next(256));
        else
            pattern += kPieces[In.Next(sizeof kPieces / sizeof kPieces[0])];
    }
    return pattern;
}

// A pattern that both engines read the same way: literals, the dot, bracket lists without ranges
// beyond ASCII, groups, alternation and the repetition operators.
void MakePosixExpression(TChoices &In, int Depth, std::u16string &Out)
{
    const unsigned branches = 1 + In.Next(Depth > 0 ? 3 : 1);
    for (unsigned b = 0; b < branches; ++b) {
        if (b > 0)
            Out += u'|';
        const unsigned items = 1 + In.Next(4);
        for (unsigned i = 0; i < items; ++i) {
            switch (In.Next(Depth > 0 ? 6 : 5)) {
            case 0:
                Out += u'.';
                break;
            case 1: {
                Out += In.Next(3) == 0 ? u"[^" : u"[";
                if (In.Next(3) == 0)
                    Out += u"a-c";
                static const uint32_t kListed[] = {'a', 'b', 'x', 0xE9, 0xFF, 0x100, 0x8000, 0xD55C, 0xFF21, 0xE000, 0x1F600};
                for (unsigned n = 1 + In.Next(3); n > 0; --n)
                    Append(Out, kListed[In.Next(sizeof kListed / sizeof kListed[0])]);
                Out += u']';
                break;
            }
            case 5:
                Out += u'(';
                MakePosixExpression(In, Depth - 1, Out);
                Out += u')';
                break;
            default: {
                const uint32_t c = kChars[In.Next(kPosixChars)];
                if (c == '(')
                    Out += u"\\(";
                else if (c == '\t')
                    Out += u"x";
                else
                    Append(Out, c);
            }
            }
            switch (In.Next(8)) {
            case 0: Out += u'*'; break;
            case 1: Out += u'+'; break;
            case 2: Out += u'?'; break;
            case 3: Out += u"{1,2}"; break;
            default: break;
            }
        }
    }
}

std::string Utf8(const std::u16string &s, std::vector<int> *UnitOfByte = nullptr)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const size_t at = i;
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        const size_t before = out.size();
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
        if (UnitOfByte)
            for (size_t b = before; b < out.size(); ++b)
                UnitOfByte->push_back(int(at));
    }
    if (UnitOfByte)
        UnitOfByte->push_back(int(s.size()));
    return out;
}

TMatches FindAll(TURESearch &Engine, const std::u16string &Line, bool Blocks)
{
    Engine.SetBlockScan(Blocks);
    Engine.FindAll(Line);
    return Results(Engine);
}

// The matches of glibc's matcher, found as FindAll finds them: from left to right, one character on
// after an empty match.
TMatches PosixFindAll(const regex_t &Re, const std::u16string &Line)
{
    std::vector<int> unitOf;
    const std::string text = Utf8(Line, &unitOf);
    std::vector<int> byteOf(Line.size() + 1, -1);
    for (size_t b = 0; b < unitOf.size(); ++b)
        if (byteOf[size_t(unitOf[b])] < 0)
            byteOf[size_t(unitOf[b])] = int(b);
    TMatches out;
    for (int from = 0; from <= int(Line.size());) {
        regmatch_t m;
        const int at = byteOf[size_t(from)];
        if (regexec(&Re, text.c_str() + at, 1, &m, from > 0 ? REG_NOTBOL : 0) != 0)
            break;
        const int s = unitOf[size_t(at + m.rm_so)], e = unitOf[size_t(at + m.rm_eo)];
        out.emplace_back(s, e);
        if (e > s) {
            from = e;
        } else {
            if (e >= int(Line.size()))
                break;
            from = e + ((Line[size_t(e)] >= 0xD800 && Line[size_t(e)] < 0xDC00) ? 2 : 1);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    static const bool utf8Locale = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;
    TChoices in(Data, Size);
    const unsigned mode = in.Next(4);
    const bool posix = mode == 0 && utf8Locale;
    const bool matchCase = posix || in.Next(2) == 0;
    std::u16string pattern;
    if (posix)
        MakePosixExpression(in, 2, pattern);
    else
        pattern = MakeRawPattern(in);
    if (!posix && in.Next(4) == 0)
        pattern = u"^" + pattern + u"$";

    TURESearch engine(nullptr);
    try {
        engine.FindPrepare(pattern, matchCase ? unsigned(sfMatchCase) : 0u);
    } catch (const ESearchError &) {
        return 0;
    }
    regex_t re;
    const bool posixReady =
        posix && regcomp(&re, Utf8(pattern).c_str(), REG_EXTENDED) == 0;
    if (posix && !posixReady)
        return 0;
    for (int lineCount = 0; lineCount < 4 && !in.Done(); ++lineCount) {
        const std::u16string line = MakeLine(in, posix);
        const TMatches blocks = FindAll(engine, line, true);
        const TMatches plain = FindAll(engine, line, false);
        if (blocks != plain)
            std::abort();
        int previous = 0;
        for (const auto &[s, e] : blocks) {
            if (s < previous || e < s || e > int(line.size()))
                std::abort();
            previous = e;
        }
        int s = -1, e = -1;
        const bool first = engine.FindFirst(line, s, e);
        if (first != !blocks.empty() || (first && std::make_pair(s, e) != blocks.front()))
            std::abort();
        if (posixReady && PosixFindAll(re, line) != blocks)
            std::abort();
    }
    if (posixReady)
        regfree(&re);
    return 0;
}
