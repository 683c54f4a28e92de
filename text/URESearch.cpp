#include "text/URESearch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "text/UnicodeData.h"
#include "text/UnitScan.h"
#include "text/WideTextCodec.h"
#include "platform/CodePage.h"

namespace {

constexpr uint32_t kMaxCode = 0x10FFFF;
// Limits that keep a hostile or careless pattern from exhausting memory or time while compiling.
constexpr int kMaxRepeat = 1000; // n and m of {n,m}
constexpr size_t kMaxNodes = 20000; // expression nodes after repetitions are spelt out
constexpr size_t kMaxPositions = 2000;
constexpr size_t kMaxStates = 3000;
constexpr int kMaxDepth = 200; // nested groups

const char *const kErrorTexts[] = {
    "",
    "Unexpected end of pattern.",
    "Character class not closed, ']' is missing.",
    "Unbalanced group expression, ')' is missing.",
    "A character property is invalid",
    "Invalid repeation range.",
    "Repeation range not closed, '}' is missing.",
    "Expression is too complex.",
};
enum TErrorCode {
    ecEndOfPattern = 1,
    ecClassNotClosed,
    ecUnbalancedGroup,
    ecProperty,
    ecRange,
    ecRangeNotClosed,
    ecTooComplex
};

struct TParseError {
    int Code;
};

// ---- sets of code points as sorted, disjoint, non-adjacent ranges

using TRanges = std::vector<std::pair<uint32_t, uint32_t>>;

void Normalize(TRanges &r)
{
    std::sort(r.begin(), r.end());
    TRanges out;
    for (const auto &x : r) {
        if (!out.empty() && x.first <= out.back().second + 1)
            out.back().second = std::max(out.back().second, x.second);
        else
            out.push_back(x);
    }
    r.swap(out);
}

bool Contains(const TRanges &r, uint32_t c)
{
    auto it = std::upper_bound(r.begin(), r.end(), c, [](uint32_t v, const auto &x) { return v < x.first; });
    return it != r.begin() && c <= std::prev(it)->second;
}

TRanges Complement(const TRanges &r)
{
    TRanges out;
    uint32_t next = 0;
    for (const auto &x : r) {
        if (x.first > next)
            out.emplace_back(next, x.first - 1);
        next = x.second + 1;
    }
    if (next <= kMaxCode && (r.empty() || r.back().second < kMaxCode))
        out.emplace_back(next, kMaxCode);
    return out;
}

inline bool IsLineSeparator(uint32_t c)
{
    return c == 10 || c == 13 || c == 0x2028 || c == 0x2029;
}

// Table property of each \p number 1..32.
constexpr std::array<int, 33> kPropertyOf = {-1, 0,  1,  3,  5,  6,  7,  8,  9,  12, 14, 15, 16, 17, 18, 20, 21,
                                             22, 23, 24, 25, 26, 27, 28, 29, 30, 32, 33, 34, 35, 36, 37, 38};

// Lower-case forms of the Basic Multilingual Plane, worked out once for case-blind matching.
const std::vector<uint32_t> &LowerTable()
{
    static const std::vector<uint32_t> table = [] {
        std::vector<uint32_t> t(0x10000);
        for (uint32_t c = 0; c < 0x10000; ++c)
            t[c] = UnicodeToLower(c);
        return t;
    }();
    return table;
}

inline uint32_t Lower(uint32_t c)
{
    return c < 0x10000 ? LowerTable()[c] : UnicodeToLower(c);
}

// ---- dynamic bit sets over positions

struct TBits {
    std::vector<uint64_t> w;
    explicit TBits(size_t n = 0) : w((n + 63) / 64, 0) {}
    void Set(size_t i) { w[i / 64] |= uint64_t(1) << (i % 64); }
    bool Test(size_t i) const { return (w[i / 64] >> (i % 64)) & 1; }
    void Or(const TBits &o)
    {
        for (size_t i = 0; i < w.size(); ++i)
            w[i] |= o.w[i];
    }
    bool Any() const
    {
        for (uint64_t x : w)
            if (x)
                return true;
        return false;
    }
    template <class F>
    void ForEach(F f) const
    {
        for (size_t i = 0; i < w.size(); ++i)
            for (uint64_t x = w[i]; x; x &= x - 1)
                f(i * 64 + size_t(__builtin_ctzll(x)));
    }
    bool operator==(const TBits &o) const { return w == o.w; }
};

struct TBitsHash {
    size_t operator()(const TBits &b) const
    {
        size_t h = 1469598103934665603ull;
        for (uint64_t x : b.w)
            h = (h ^ x) * 1099511628211ull;
        return h;
    }
};

// ---- expression tree

enum TNodeKind : uint8_t {
    nkSymbol,
    nkLineStart,
    nkLineEnd,
    nkEmpty,
    nkConcat,
    nkAlternation,
    nkStar,
    nkPlus,
    nkOptional
};

struct TNode {
    TNodeKind Kind;
    int A = -1, B = -1; // operands
    int Symbol = -1; // for nkSymbol
};

class TParser {
public:
    TParser(const WideChar *p, int n, bool ignoreCase) : P(p), N(n), IgnoreCase(ignoreCase) {}

    std::vector<TNode> Nodes;
    std::vector<TRanges> Symbols;

    int Parse()
    {
        const int root = ParseAlternation(0);
        if (Pos < N) // a ')' without its '('
            throw TParseError{ecUnbalancedGroup};
        return root;
    }

private:
    const WideChar *P;
    int N;
    int Pos = 0;
    bool IgnoreCase;
    std::map<TRanges, int> FSymbolIndex;

    int Add(TNodeKind kind, int a = -1, int b = -1, int symbol = -1)
    {
        if (Nodes.size() >= kMaxNodes)
            throw TParseError{ecTooComplex};
        Nodes.push_back({kind, a, b, symbol});
        return int(Nodes.size()) - 1;
    }

    int AddSymbol(TRanges set)
    {
        Normalize(set);
        auto it = FSymbolIndex.find(set);
        int index;
        if (it == FSymbolIndex.end()) {
            index = int(Symbols.size());
            Symbols.push_back(set);
            FSymbolIndex.emplace(std::move(set), index);
        } else {
            index = it->second;
        }
        return Add(nkSymbol, -1, -1, index);
    }

    // Copies the nodes First..Last (one subtree, built in one stretch) and returns the copy of Last.
    int Clone(int first, int last)
    {
        const int offset = int(Nodes.size()) - first;
        for (int i = first; i <= last; ++i) {
            TNode n = Nodes[size_t(i)];
            if (n.A >= first)
                n.A += offset;
            if (n.B >= first)
                n.B += offset;
            if (Nodes.size() >= kMaxNodes)
                throw TParseError{ecTooComplex};
            Nodes.push_back(n);
        }
        return last + offset;
    }

    int ParseAlternation(int depth)
    {
        int left = ParseConcatenation(depth);
        while (Pos < N && P[Pos] == '|') {
            ++Pos;
            const int right = ParseConcatenation(depth);
            left = Add(nkAlternation, left, right);
        }
        return left;
    }

    int ParseConcatenation(int depth)
    {
        int result = -1;
        while (Pos < N && P[Pos] != '|' && P[Pos] != ')') {
            const int item = ParseRepetition(depth);
            result = result < 0 ? item : Add(nkConcat, result, item);
        }
        return result < 0 ? Add(nkEmpty) : result;
    }

    int ParseRepetition(int depth)
    {
        const int first = int(Nodes.size());
        int item = ParseAtom(depth);
        while (Pos < N) {
            const WideChar c = P[Pos];
            if (c == '*') {
                ++Pos;
                item = Add(nkStar, item);
            } else if (c == '+') {
                ++Pos;
                item = Add(nkPlus, item);
            } else if (c == '?') {
                ++Pos;
                item = Add(nkOptional, item);
            } else if (c == '{') {
                ++Pos;
                int lo = 0, hi = 0;
                bool open = false;
                ParseCounts(lo, hi, open);
                item = Repeat(first, item, lo, hi, open);
            } else {
                break;
            }
        }
        return item;
    }

    int Number()
    {
        int v = 0;
        while (Pos < N && P[Pos] >= '0' && P[Pos] <= '9') {
            v = std::min(v * 10 + (P[Pos] - '0'), kMaxRepeat + 1);
            ++Pos;
        }
        return v;
    }

    void SkipBlanks()
    {
        while (Pos < N && P[Pos] == ' ')
            ++Pos;
    }

    // After '{': n, optional blanks, then '}' or ',' m '}'.
    void ParseCounts(int &lo, int &hi, bool &open)
    {
        lo = Number();
        SkipBlanks();
        if (Pos >= N)
            throw TParseError{ecRangeNotClosed};
        if (P[Pos] == '}') {
            ++Pos;
            hi = lo;
        } else if (P[Pos] == ',') {
            ++Pos;
            SkipBlanks();
            const bool hasMax = Pos < N && P[Pos] >= '0' && P[Pos] <= '9';
            hi = hasMax ? Number() : 0;
            open = !hasMax;
            SkipBlanks();
            if (Pos >= N)
                throw TParseError{ecRangeNotClosed};
            if (P[Pos] != '}')
                throw TParseError{ecRange};
            ++Pos;
            if (hasMax && hi < lo)
                throw TParseError{ecRange};
        } else {
            throw TParseError{ecRange};
        }
        if (lo > kMaxRepeat || hi > kMaxRepeat)
            throw TParseError{ecTooComplex};
    }

    // The item (nodes First..Item) repeated Lo to Hi times, or Lo or more times when Open.
    int Repeat(int first, int item, int lo, int hi, bool open)
    {
        if (open) {
            if (lo == 0)
                return Add(nkStar, item);
            int result = item;
            for (int i = 1; i < lo; ++i)
                result = Add(nkConcat, result, Clone(first, item));
            // The last copy repeats: x{3,} = x x x+.
            if (lo == 1)
                return Add(nkPlus, item);
            const int tail = Add(nkStar, Clone(first, item));
            return Add(nkConcat, result, tail);
        }
        if (hi == 0)
            return Add(nkEmpty); // x{0} and x{0,0} match the empty text
        int result = -1;
        for (int i = 0; i < lo; ++i) {
            const int copy = i == 0 ? item : Clone(first, item);
            result = result < 0 ? copy : Add(nkConcat, result, copy);
        }
        for (int i = lo; i < hi; ++i) {
            const int copy = (i == 0) ? item : Clone(first, item);
            const int optional = Add(nkOptional, copy);
            result = result < 0 ? optional : Add(nkConcat, result, optional);
        }
        return result;
    }

    // One character of the pattern, a surrogate pair read as one code point.
    uint32_t ReadChar()
    {
        uint32_t c = P[Pos++];
        if (IsHighSurrogate(c) && Pos < N && IsLowSurrogate(P[Pos]))
            c = 0x10000 + ((c & 0x3FF) << 10) + (uint32_t(P[Pos++]) & 0x3FF);
        return c;
    }

    // After a backslash and one of x X u U: up to four hexadecimal digits, else the letter itself.
    uint32_t HexEscape(WideChar letter)
    {
        uint32_t v = 0;
        int digits = 0;
        while (digits < 4 && Pos < N) {
            const WideChar d = P[Pos];
            int x = -1;
            if (d >= '0' && d <= '9')
                x = d - '0';
            else if (d >= 'a' && d <= 'f')
                x = d - 'a' + 10;
            else if (d >= 'A' && d <= 'F')
                x = d - 'A' + 10;
            if (x < 0)
                break;
            v = v * 16 + uint32_t(x);
            ++digits;
            ++Pos;
        }
        return digits ? v : letter;
    }

    // A high surrogate written as an escape or a character joins a low surrogate that follows the same way.
    uint32_t JoinSurrogate(uint32_t c)
    {
        if (!IsHighSurrogate(c) || Pos >= N)
            return c;
        if (IsLowSurrogate(P[Pos]))
            return 0x10000 + ((c & 0x3FF) << 10) + (uint32_t(P[Pos++]) & 0x3FF);
        if (P[Pos] == '\\' && Pos + 1 < N) {
            const WideChar l = P[Pos + 1];
            if (l == 'x' || l == 'X' || l == 'u' || l == 'U') {
                const int save = Pos;
                Pos += 2;
                const uint32_t low = HexEscape(l);
                if (IsLowSurrogate(low) && Pos - save == 6)
                    return 0x10000 + ((c & 0x3FF) << 10) + (low & 0x3FF);
                Pos = save;
            }
        }
        return c;
    }

    // The character of an escape (the backslash already read); \b is the backspace.
    uint32_t EscapedChar()
    {
        if (Pos >= N)
            throw TParseError{ecEndOfPattern};
        const WideChar c = P[Pos];
        switch (c) {
        case 'a': ++Pos; return 7;
        case 'b': ++Pos; return 8;
        case 'f': ++Pos; return 12;
        case 'n': ++Pos; return 10;
        case 'r': ++Pos; return 13;
        case 't': ++Pos; return 9;
        case 'v': ++Pos; return 11;
        case 'x':
        case 'X':
        case 'u':
        case 'U': ++Pos; return JoinSurrogate(HexEscape(c));
        default: return JoinSurrogate(ReadChar());
        }
    }

    // "n,n,...": \p numbers 1..32 as a mask, bit n - 1 for number n.
    uint32_t PropertyList()
    {
        uint32_t mask = 0;
        bool any = false;
        while (Pos < N && P[Pos] >= '0' && P[Pos] <= '9') {
            const int n = Number();
            if (n < 1 || n > 32)
                throw TParseError{ecProperty};
            mask |= uint32_t(1) << (n - 1);
            any = true;
            if (Pos + 1 < N && P[Pos] == ',' && P[Pos + 1] >= '0' && P[Pos + 1] <= '9')
                ++Pos;
            else
                break;
        }
        if (!any)
            throw TParseError{ecProperty};
        return mask;
    }

    static void AddProperties(TRanges &set, uint32_t mask)
    {
        const TUnicodeTypeTable &t = UnicodeTypeTable();
        for (int n = 1; n <= 32; ++n) {
            if (!(mask & (uint32_t(1) << (n - 1))))
                continue;
            size_t first, last;
            t.PropertyRanges(kPropertyOf[size_t(n)], first, last);
            for (size_t i = first; i + 1 < last; i += 2)
                set.emplace_back(t.Ranges[i], std::min(t.Ranges[i + 1], kMaxCode));
        }
    }

    // With case ignored the text is read in lower case, so a set also holds the lower-case forms of its
    // members.
    void AddLowerForms(TRanges &set) const
    {
        if (!IgnoreCase)
            return;
        Normalize(set);
        const TUnicodeCaseTable &c = UnicodeCaseTable();
        TRanges extra;
        for (int i = 0; i < c.Total; ++i) {
            const uint32_t code = c.Triples[size_t(i) * 3];
            if (Contains(set, code)) {
                const uint32_t lower = Lower(code);
                if (lower != code)
                    extra.emplace_back(lower, lower);
            }
        }
        set.insert(set.end(), extra.begin(), extra.end());
    }

    int ClassSymbol(TRanges set, bool negated)
    {
        AddLowerForms(set);
        Normalize(set);
        return AddSymbol(negated ? Complement(set) : set);
    }

    bool NamedClass(TRanges &ranges, uint32_t &mask)
    {
        static const std::map<std::u16string, uint32_t> masks = {
            {u"alnum", 0x3E07},   {u"alpha", 0x3E03}, {u"cntrl", 0x80},     {u"digit", 0x4},
            {u"graph", 0x1C3E0F}, {u"lower", 0x400},  {u"print", 0x1C3E1F}, {u"punct", 0x3C000},
            {u"space", 0x70},     {u"upper", 0x200},  {u"xdigit", 0},
        };
        int end = Pos + 1;
        while (end < N && P[end] >= 'a' && P[end] <= 'z')
            ++end;
        if (end >= N || P[end] != ':')
            return false;
        const std::u16string name(P + Pos + 1, P + end);
        auto it = masks.find(name);
        if (it == masks.end())
            return false;
        mask |= it->second;
        if (name == u"space")
            for (uint32_t c : {0x9u, 0xAu, 0xCu, 0xDu, 0xFEFFu})
                ranges.emplace_back(c, c);
        if (name == u"xdigit") {
            ranges.emplace_back('0', '9');
            ranges.emplace_back('A', 'F');
            ranges.emplace_back('a', 'f');
        }
        Pos = end + 1;
        return true;
    }

    // One member bound inside brackets, or false when it was a property escape (already applied).
    bool ClassChar(uint32_t &c, uint32_t &mask)
    {
        if (P[Pos] != '\\') {
            c = ReadChar();
            c = JoinSurrogate(c);
            return true;
        }
        ++Pos;
        if (Pos >= N)
            throw TParseError{ecEndOfPattern};
        if (P[Pos] == 'p' || P[Pos] == 'P') {
            const bool negated = P[Pos] == 'P';
            ++Pos;
            const uint32_t list = PropertyList();
            mask = negated ? ~list : list;
            return false;
        }
        c = EscapedChar();
        return true;
    }

    int ParseClass()
    {
        ++Pos; // '['
        bool negated = false;
        if (Pos < N && P[Pos] == '^') {
            negated = true;
            ++Pos;
        }
        TRanges ranges;
        uint32_t mask = 0;
        if (Pos < N && P[Pos] == ']') {
            ranges.emplace_back(']', ']');
            ++Pos;
        }
        for (;;) {
            if (Pos >= N)
                throw TParseError{ecClassNotClosed};
            if (P[Pos] == ']') {
                ++Pos;
                break;
            }
            if (P[Pos] == ':' && NamedClass(ranges, mask))
                continue;
            uint32_t lo;
            if (!ClassChar(lo, mask))
                continue;
            uint32_t hi = lo;
            if (Pos + 1 < N && P[Pos] == '-' && P[Pos + 1] != ']') {
                ++Pos;
                uint32_t bound;
                if (ClassChar(bound, mask)) {
                    hi = bound;
                    if (hi < lo)
                        std::swap(lo, hi);
                } else {
                    ranges.emplace_back('-', '-'); // "a-\p1": the dash stands for itself
                }
            }
            ranges.emplace_back(lo, hi);
        }
        AddProperties(ranges, mask);
        return ClassSymbol(std::move(ranges), negated);
    }

    int ParseAtom(int depth)
    {
        const WideChar c = P[Pos];
        switch (c) {
        case '(': {
            if (depth >= kMaxDepth)
                throw TParseError{ecTooComplex};
            ++Pos;
            const int inner = ParseAlternation(depth + 1);
            if (Pos >= N || P[Pos] != ')')
                throw TParseError{ecUnbalancedGroup};
            ++Pos;
            return inner;
        }
        case '[': return ParseClass();
        case '.': ++Pos; return AddSymbol(Complement({{10, 10}, {13, 13}, {0x2028, 0x2029}}));
        case '^': ++Pos; return Add(nkLineStart);
        case '$': ++Pos; return Add(nkLineEnd);
        case '\\': {
            ++Pos;
            if (Pos >= N)
                throw TParseError{ecEndOfPattern};
            if (P[Pos] == 'p' || P[Pos] == 'P') {
                const bool negated = P[Pos] == 'P';
                ++Pos;
                TRanges set;
                AddProperties(set, PropertyList());
                return ClassSymbol(std::move(set), negated);
            }
            return Literal(EscapedChar());
        }
        default:
            // '*', '+', '?' or '{' with nothing before them stand for themselves.
            return Literal(ReadChar());
        }
    }

    int Literal(uint32_t c)
    {
        if (IgnoreCase)
            c = Lower(c);
        return AddSymbol({{c, c}});
    }
};

} // namespace

// ---- the automaton

struct TURESearch::TAutomaton {
    bool IgnoreCase = false;
    int Columns = 0; // character classes + line start + line end + both
    int LineStartColumn = 0, LineEndColumn = 0, EmptyLineColumn = 0;
    std::vector<uint32_t> IntervalStart; // character classes by interval
    std::vector<int> IntervalClass;
    std::array<int, 256> LatinClass{};
    std::array<uint8_t, 256> LatinStart{}; // whether a match may begin with the character (or it is a break)
    std::array<int, 256> LatinColumn{}; // column of each character as read (lowered when ignoring case)
    std::array<uint8_t, 256> LatinStays{}; // the start state reads the character back into itself
    // For the searching automaton: stops where the start state may be left for good, so that the
    // characters it reads back into itself, alone or as a pair, are passed over sixteen at a time;
    // not used when it would stop too often at characters that begin nothing.
    TPairScanner Leaves;
    bool HasLeaves = false;
    // For the sweep of the searching automaton: state * 256 + character below 256 gives the next
    // state, with kSweepStop added when that state ends the sweep (dead or accepting); a line break
    // gives kSweepSlow and is read the long way.
    static constexpr uint16_t kSweepStop = 0x4000, kSweepSlow = 0x8000;
    std::vector<uint16_t> SweepNext;
    int LineStartState = 0; // the start state after a line start
    std::vector<int> Next; // state * Columns + column; state 0 is dead
    std::vector<uint8_t> Accepting;
    int Start = 1;

    int ClassOf(uint32_t c) const
    {
        if (c < 256)
            return LatinClass[c];
        auto it = std::upper_bound(IntervalStart.begin(), IntervalStart.end(), c);
        return IntervalClass[size_t(it - IntervalStart.begin()) - 1];
    }
    int Step(int state, int column) const { return Next[size_t(state) * size_t(Columns) + size_t(column)]; }
    // The first position from I on whose character the start state does not read back into itself.
    int SkipStays(const WideChar *Text, int I, int Length) const
    {
        while (I < Length && Text[I] < 256 && LatinStays[Text[I]])
            ++I;
        return I;
    }
    // A position from I on at which the searching automaton, in its start state, may leave it for
    // good: the first character that leaves it, unless the character after that leads straight
    // back (those two are passed over as well).
    int SkipToLeave(const WideChar *Text, int I, int Length, bool Blocks) const
    {
        if (!HasLeaves || !Blocks)
            return SkipStays(Text, I, Length);
        for (;;) {
            if (Length - I < 17)
                return SkipStays(Text, I, Length);
            I += int(Leaves.FindInBlocks(Text + I, size_t(Length - I)));
            if (Text[I] >= 256 || !LatinStays[Text[I]])
                return I;
            ++I; // one that stays, inside a range widened to keep the ranges few
        }
    }
};

namespace {

// Positions of the classic follow-position construction: every symbol and anchor leaf of the tree,
// then the end marker, with the positions a match may begin at and those that may follow each one.
struct TPositions {
    std::vector<int> Symbol; // symbol index, or -1 line start, -2 line end, -3 end marker
    size_t End = 0; // the end marker
    TBits Start;
    std::vector<TBits> Follow;
    size_t Count() const { return Symbol.size(); }
};

// False when the expression has no position at all (nothing but empty groups).
bool FollowPositions(const TParser &parser, int root, TPositions &out)
{
    const std::vector<TNode> &nodes = parser.Nodes;
    std::vector<int> positionOf(nodes.size(), -1);
    for (size_t i = 0; i < nodes.size(); ++i) {
        const TNode &n = nodes[i];
        if (n.Kind == nkSymbol || n.Kind == nkLineStart || n.Kind == nkLineEnd) {
            positionOf[i] = int(out.Symbol.size());
            out.Symbol.push_back(n.Kind == nkSymbol ? n.Symbol : n.Kind == nkLineStart ? -1 : -2);
        }
    }
    if (out.Symbol.empty())
        return false;
    if (out.Symbol.size() + 1 > kMaxPositions)
        throw TParseError{ecTooComplex};
    out.End = out.Symbol.size();
    out.Symbol.push_back(-3);
    const size_t npos = out.Count();

    // Nullable, first and last positions of each node (children come before their parents), and the
    // positions that may follow each position.
    std::vector<uint8_t> nullable(nodes.size());
    std::vector<TBits> first(nodes.size(), TBits(npos)), last(nodes.size(), TBits(npos));
    std::vector<TBits> &follow = out.Follow;
    follow.assign(npos, TBits(npos));
    for (size_t i = 0; i < nodes.size(); ++i) {
        const TNode &n = nodes[i];
        switch (n.Kind) {
        case nkSymbol:
        case nkLineStart:
        case nkLineEnd:
            nullable[i] = 0;
            first[i].Set(size_t(positionOf[i]));
            last[i].Set(size_t(positionOf[i]));
            break;
        case nkEmpty: nullable[i] = 1; break;
        case nkConcat: {
            const size_t x = size_t(n.A), y = size_t(n.B);
            nullable[i] = nullable[x] && nullable[y];
            first[i] = first[x];
            if (nullable[x])
                first[i].Or(first[y]);
            last[i] = last[y];
            if (nullable[y])
                last[i].Or(last[x]);
            last[x].ForEach([&](size_t p) { follow[p].Or(first[y]); });
            break;
        }
        case nkAlternation: {
            const size_t x = size_t(n.A), y = size_t(n.B);
            nullable[i] = nullable[x] || nullable[y];
            first[i] = first[x];
            first[i].Or(first[y]);
            last[i] = last[x];
            last[i].Or(last[y]);
            break;
        }
        case nkStar:
        case nkPlus:
        case nkOptional: {
            const size_t x = size_t(n.A);
            nullable[i] = n.Kind == nkPlus ? nullable[x] : 1;
            first[i] = first[x];
            last[i] = last[x];
            if (n.Kind != nkOptional)
                last[x].ForEach([&](size_t p) { follow[p].Or(first[x]); });
            break;
        }
        }
    }
    // The end marker follows the whole expression.
    out.Start = first[size_t(root)];
    if (nullable[size_t(root)])
        out.Start.Set(out.End);
    last[size_t(root)].ForEach([&](size_t p) { follow[p].Set(out.End); });
    return true;
}

// Splits the alphabet into classes of characters accepted by exactly the same symbols, fills the
// automaton's class lookup and columns, and returns the symbols of each class.
std::vector<TBits> CharacterClasses(const std::vector<TRanges> &symbols, TURESearch::TAutomaton &a)
{
    std::vector<uint32_t> bounds = {0};
    for (const TRanges &s : symbols)
        for (const auto &r : s) {
            bounds.push_back(r.first);
            if (r.second < kMaxCode)
                bounds.push_back(r.second + 1);
        }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    std::unordered_map<TBits, int, TBitsHash> classOfSignature;
    std::vector<TBits> classSymbols;
    for (uint32_t b : bounds) {
        TBits sig(symbols.size());
        for (size_t s = 0; s < symbols.size(); ++s)
            if (Contains(symbols[s], b))
                sig.Set(s);
        auto it = classOfSignature.find(sig);
        int cls;
        if (it == classOfSignature.end()) {
            cls = int(classSymbols.size());
            classSymbols.push_back(sig);
            classOfSignature.emplace(sig, cls);
        } else {
            cls = it->second;
        }
        if (!a.IntervalClass.empty() && a.IntervalClass.back() == cls)
            continue;
        a.IntervalStart.push_back(b);
        a.IntervalClass.push_back(cls);
    }
    for (uint32_t c = 0; c < 256; ++c) {
        auto it = std::upper_bound(a.IntervalStart.begin(), a.IntervalStart.end(), c);
        a.LatinClass[c] = a.IntervalClass[size_t(it - a.IntervalStart.begin()) - 1];
    }
    const int classes = int(classSymbols.size());
    a.LineStartColumn = classes;
    a.LineEndColumn = classes + 1;
    a.EmptyLineColumn = classes + 2;
    a.Columns = classes + 3;
    return classSymbols;
}

// The positions Set leads to on reading a line start or end (Anchors): anchor positions are passed
// through to what follows them, as often as anchors follow anchors; other positions stay as they are.
TBits AnchorStep(const TBits &Set, const TBits &Anchors, const std::vector<TBits> &Follow)
{
    TBits result(Set.w.size() * 64), done(Set.w.size() * 64);
    std::vector<size_t> work;
    Set.ForEach([&](size_t p) {
        if (Anchors.Test(p))
            work.push_back(p);
        else
            result.Set(p);
    });
    while (!work.empty()) {
        const size_t p = work.back();
        work.pop_back();
        if (done.Test(p))
            continue;
        done.Set(p);
        Follow[p].ForEach([&](size_t q) {
            if (Anchors.Test(q))
                work.push_back(q);
            else
                result.Set(q);
        });
    }
    return result;
}

// Subset construction. The line start and line end are read as characters of their own between the
// real ones; positions that do not wait for them stay as they are. On an empty line both hold at once,
// in either order. With Search every state also holds the start positions.
void BuildStates(const TPositions &pos, const std::vector<TBits> &classSymbols, bool search, TURESearch::TAutomaton &a)
{
    const size_t npos = pos.Count();
    const int classes = int(classSymbols.size());
    // Positions accepting each class, and the anchor positions.
    std::vector<TBits> classPositions(static_cast<size_t>(classes), TBits(npos));
    TBits lineStarts(npos), lineEnds(npos);
    for (size_t p = 0; p < npos; ++p) {
        const int s = pos.Symbol[p];
        if (s >= 0) {
            for (int k = 0; k < classes; ++k)
                if (classSymbols[size_t(k)].Test(size_t(s)))
                    classPositions[size_t(k)].Set(p);
        } else if (s == -1) {
            lineStarts.Set(p);
        } else if (s == -2) {
            lineEnds.Set(p);
        }
    }
    TBits bothAnchors = lineStarts;
    bothAnchors.Or(lineEnds);
    const TBits *anchorKinds[3] = {&lineStarts, &lineEnds, &bothAnchors};

    std::vector<TBits> states;
    std::unordered_map<TBits, int, TBitsHash> stateIndex;
    auto intern = [&](const TBits &set) {
        auto it = stateIndex.find(set);
        if (it != stateIndex.end())
            return it->second;
        if (states.size() >= kMaxStates)
            throw TParseError{ecTooComplex};
        const int id = int(states.size());
        states.push_back(set);
        stateIndex.emplace(set, id);
        return id;
    };
    intern(TBits(npos)); // 0: dead, every column leading back to it
    a.Next.assign(size_t(a.Columns), 0);
    a.Start = intern(pos.Start);
    for (size_t s = 1; s < states.size(); ++s) {
        const TBits set = states[s];
        std::vector<int> row(size_t(a.Columns), 0);
        for (int k = 0; k < classes; ++k) {
            TBits next(npos);
            bool any = false;
            for (size_t w = 0; w < set.w.size(); ++w)
                for (uint64_t x = set.w[w] & classPositions[size_t(k)].w[w]; x; x &= x - 1) {
                    next.Or(pos.Follow[w * 64 + size_t(__builtin_ctzll(x))]);
                    any = true;
                }
            if (search) {
                next.Or(pos.Start);
                any = true;
            }
            row[size_t(k)] = any ? intern(next) : 0;
        }
        for (int anchor = 0; anchor < 3; ++anchor) {
            const TBits result = AnchorStep(set, *anchorKinds[anchor], pos.Follow);
            row[size_t(classes + anchor)] = result.Any() ? intern(result) : 0;
        }
        a.Next.insert(a.Next.end(), row.begin(), row.end());
    }
    a.Accepting.resize(states.size());
    for (size_t s = 0; s < states.size(); ++s)
        a.Accepting[s] = states[s].Test(pos.End) ? 1 : 0;
}

// The ranges of a set of characters below U+00FF, joined across the smallest gaps until Room remain;
// TakenIn counts the characters the joins added.
TPairScanner::TRanges Ranges(const std::array<bool, 256> &set, size_t room, int &takenIn)
{
    std::vector<std::pair<int, int>> r;
    for (int c = 0; c < 255; ++c)
        if (set[size_t(c)]) {
            if (!r.empty() && r.back().second == c - 1)
                r.back().second = c;
            else
                r.emplace_back(c, c);
        }
    while (r.size() > room) {
        size_t best = 1;
        for (size_t k = 2; k < r.size(); ++k)
            if (r[k].first - r[k - 1].second < r[best].first - r[best - 1].second)
                best = k;
        takenIn += r[best].first - r[best - 1].second - 1;
        r[best - 1].second = r[best].second;
        r.erase(r.begin() + std::ptrdiff_t(best));
    }
    TPairScanner::TRanges out;
    for (const auto &[first, last] : r)
        out.emplace_back(uint8_t(first), uint8_t(last));
    return out;
}

// The scanner of a searching automaton. A character that leaves the start state for a state that
// neither accepts nor ends the search, and from which every character of a set leads straight back,
// stops the scan only when the character after it is not of that set; any other character that
// leaves the start state always stops it (line breaks among them). False when the ranges would take
// in more than a handful of characters that begin nothing.
bool LeavingScanner(const TURESearch::TAutomaton &a, TPairScanner &scanner)
{
    constexpr int kMaxTakenIn = 8;
    std::array<bool, 256> always{}, first{}, second{};
    second[10] = second[13] = true; // a break after the first character is read the long way
    for (uint32_t c = 0; c < 255; ++c) {
        if (a.LatinStays[c])
            continue;
        const int next = IsLineSeparator(c) ? 0 : a.Step(a.Start, a.LatinColumn[c]);
        if (next == 0 || a.Accepting[size_t(next)]) {
            always[c] = true;
            continue;
        }
        first[c] = true;
        for (uint32_t d = 0; d < 255; ++d)
            if (!IsLineSeparator(d) && a.Step(next, a.LatinColumn[d]) != a.Start)
                second[d] = true;
    }
    int takenIn = 0;
    const TPairScanner::TRanges alwaysRanges = Ranges(always, TPairScanner::kAlways, takenIn);
    const TPairScanner::TRanges firstRanges = Ranges(first, TPairScanner::kFirst, takenIn);
    return takenIn <= kMaxTakenIn && scanner.Set(alwaysRanges, firstRanges, Ranges(second, TPairScanner::kSecond, takenIn));
}

// The direct table of the searching automaton's sweep (states < kMaxStates fit beside the flags).
void FillSweepTable(TURESearch::TAutomaton &a)
{
    static_assert(kMaxStates < TURESearch::TAutomaton::kSweepStop);
    const size_t states = a.Accepting.size();
    a.SweepNext.assign(states * 256, 0);
    for (size_t state = 0; state < states; ++state)
        for (uint32_t c = 0; c < 256; ++c) {
            uint16_t &e = a.SweepNext[state * 256 + c];
            if (c == 10 || c == 13) {
                e = TURESearch::TAutomaton::kSweepSlow;
                continue;
            }
            const int next = state == 0 ? 0 : a.Step(int(state), a.LatinColumn[c]);
            e = uint16_t(next);
            if (next == 0 || a.Accepting[size_t(next)])
                e |= TURESearch::TAutomaton::kSweepStop;
        }
}

// The tables for characters below 256 that let a run read them one table step each.
void FillLatinTables(TURESearch::TAutomaton &a)
{
    for (uint32_t c = 0; c < 256; ++c) {
        a.LatinColumn[c] = a.ClassOf(a.IgnoreCase ? Lower(c) : c);
        a.LatinStart[c] = IsLineSeparator(c) || a.Step(a.Start, a.LatinColumn[c]) != 0;
        a.LatinStays[c] =
            !IsLineSeparator(c) && !a.Accepting[size_t(a.Start)] && a.Step(a.Start, a.LatinColumn[c]) == a.Start;
    }
}

// The automaton of the pattern; with Search, one that also starts a new match at every character, whose
// accepting states tell where the earliest match of a text ends. Null for an expression without any item.
std::unique_ptr<TURESearch::TAutomaton> Build(const TParser &parser, int root, bool ignoreCase, bool search)
{
    TPositions positions;
    if (!FollowPositions(parser, root, positions))
        return nullptr;
    auto a = std::make_unique<TURESearch::TAutomaton>();
    a->IgnoreCase = ignoreCase;
    const std::vector<TBits> classSymbols = CharacterClasses(parser.Symbols, *a);
    BuildStates(positions, classSymbols, search, *a);
    FillLatinTables(*a);
    if (search) {
        FillSweepTable(*a);
        a->HasLeaves = LeavingScanner(*a, a->Leaves);
    }
    a->LineStartState = a->Step(a->Start, a->LineStartColumn);
    return a;
}

AnsiString ErrorMessage(const WideChar *pattern, int length, int code)
{
    // Exception texts are UTF-8: the pattern may hold any character the user typed.
    std::string utf8(size_t(length) * 3, '\0');
    utf8.resize(WideToUtf8Block(pattern, size_t(length), reinterpret_cast<uint8_t *>(utf8.data())));
    return "Error in regular expression: " + utf8 + "\r" + kErrorTexts[code];
}

} // namespace

TURESearch::TURESearch(TObject *AOwner) : TSearchEngine(AOwner)
{
}

TURESearch::~TURESearch() = default;

void TURESearch::Clear()
{
    FAutomaton.reset();
    FSearchAutomaton.reset();
    TSearchEngine::Clear();
}

int TURESearch::StateCount() const
{
    return FAutomaton ? int(FAutomaton->Accepting.size()) : 0;
}

void TURESearch::FindPrepare(const WideChar *Pattern, int Length, unsigned Flags)
{
    if (!Pattern || Length <= 0)
        return;
    FAutomaton.reset();
    FSearchAutomaton.reset();
    const bool ignoreCase = !(Flags & sfMatchCase);
    try {
        TParser parser(Pattern, Length, ignoreCase);
        const int root = parser.Parse();
        FAutomaton = Build(parser, root, ignoreCase, false);
        // Lets a text without any match be passed over in one sweep; a pattern whose searching
        // automaton grows too large is matched without it.
        try {
            if (FAutomaton)
                FSearchAutomaton = Build(parser, root, ignoreCase, true);
        } catch (const TParseError &) {
            FSearchAutomaton.reset();
        }
    } catch (const TParseError &e) {
        // A parse or first build error: nothing was compiled.
        throw ESearchError(ErrorMessage(Pattern, Length, e.Code));
    }
    if (!FAutomaton)
        throw ESearchError("Expression is empty.");
}

namespace {

inline uint32_t CodeAt(const WideChar *Text, int Length, int i, int &units)
{
    uint32_t c = Text[i];
    units = 1;
    if (IsHighSurrogate(c) && i + 1 < Length && IsLowSurrogate(Text[i + 1])) {
        c = 0x10000 + ((c & 0x3FF) << 10) + (uint32_t(Text[i + 1]) & 0x3FF);
        units = 2;
    }
    return c;
}

inline bool LineStartAt(const WideChar *Text, int Length, int i)
{
    if (i == 0)
        return true;
    const WideChar p = Text[i - 1];
    if (p == 13)
        return i >= Length || Text[i] != 10; // between CR and LF is inside one break
    return IsLineSeparator(p);
}

} // namespace

// Pairs (state, position) from which a run already went on without reaching an accepting state.
// The automaton is deterministic, so any later run that arrives at such a pair cannot accept after
// it either: it stops there with what it has. Runs from successive start positions therefore visit
// each pair at most once, which keeps a search linear in the text for a fixed pattern, however late
// its attempts fail (a*b over a long line of a's).
class TDeadEnds {
public:
    // Runs shorter than this cost little: they are not recorded.
    static constexpr int kShortRun = 64;

    bool Has(int Pos, int State) const
    {
        const size_t at = size_t(Pos - FBase);
        if (Pos < FBase || at >= FFirst.size() || FFirst[at] == 0)
            return false;
        return FFirst[at] == State || (!FMore.empty() && FMore.count(Key(Pos, State)) != 0);
    }
    // Positions a failed run passed in the start state, reading characters back into it.
    bool HasStartAt(int Pos) const
    {
        auto it = FStartRanges.upper_bound(Pos);
        if (it == FStartRanges.begin())
            return false;
        --it;
        return Pos < it->second;
    }
    // A run visits the pairs it records; when it fails they all become dead ends.
    void Visit(int Pos, int State) { FVisited.emplace_back(Pos, State); }
    void VisitStart(int From, int To) { FVisitedStart.emplace_back(From, To); }
    // The run that started at RunStart failed. Later runs start further on, so what lies before
    // RunStart is never asked for again and is dropped: the memory stays within the longest run.
    void Failed(int RunStart)
    {
        if (RunStart > FBase && !FFirst.empty()) {
            const size_t drop = std::min(size_t(RunStart - FBase), FFirst.size());
            if (drop * 2 >= FFirst.size()) {
                FFirst.erase(FFirst.begin(), FFirst.begin() + std::ptrdiff_t(drop));
                FBase += int(drop);
            }
        }
        for (const auto &[pos, state] : FVisited) {
            if (FFirst.empty())
                FBase = pos;
            if (pos < FBase)
                continue;
            const size_t at = size_t(pos - FBase);
            if (at >= FFirst.size())
                FFirst.resize(std::max(at + 1, FFirst.size() * 2), 0);
            if (FFirst[at] == 0)
                FFirst[at] = uint16_t(state);
            else if (FFirst[at] != state)
                FMore.insert(Key(pos, state));
        }
        FVisited.clear();
        for (const auto &[from, to] : FVisitedStart)
            FStartRanges.emplace(from, to);
        FVisitedStart.clear();
    }
    void Succeeded()
    {
        FVisited.clear();
        FVisitedStart.clear();
    }

private:
    static uint64_t Key(int Pos, int State) { return (uint64_t(uint32_t(Pos)) << 32) | uint32_t(State); }

    int FBase = 0;
    std::vector<uint16_t> FFirst; // by position - FBase: one dead state, 0 for none (states < kMaxStates)
    std::unordered_set<uint64_t> FMore;
    std::vector<std::pair<int, int>> FVisited;
    std::map<int, int> FStartRanges; // from -> to (exclusive); never overlapping
    std::vector<std::pair<int, int>> FVisitedStart;
};

namespace {

// Reads the character at I the long way: a line break, a character from U+0100 on, or the end of the
// text, with the line end and line start around a break. LineEndAccepts tells whether the state
// before the character accepted once the line end was read. False when the run ends there (the dead
// state, or the text end); otherwise I and State are after the character.
bool LongStep(const TURESearch::TAutomaton &a, const WideChar *Text, int Length, int &I, int &State,
              bool &LineEndAccepts)
{
    LineEndAccepts = false;
    int u = 1;
    const uint32_t c = I < Length ? CodeAt(Text, Length, I, u) : 0;
    if (I == Length || IsLineSeparator(c)) {
        State = a.Step(State, LineStartAt(Text, Length, I) ? a.EmptyLineColumn : a.LineEndColumn);
        if (State == 0)
            return false;
        LineEndAccepts = a.Accepting[size_t(State)] != 0;
    }
    if (I == Length)
        return false;
    State = a.Step(State, a.ClassOf(a.IgnoreCase ? Lower(c) : c));
    if (State == 0)
        return false;
    I += u;
    if (IsLineSeparator(c) && !(c == 13 && I < Length && Text[I] == 10))
        State = a.Step(State, a.LineStartColumn);
    return State != 0;
}

// The state at position S before its character is read: the start state, past the line start when
// one is there.
int StartStateAt(const TURESearch::TAutomaton &a, const WideChar *Text, int Length, int s)
{
    if (!LineStartAt(Text, Length, s))
        return a.Start;
    int u = 1;
    const uint32_t first = s < Length ? CodeAt(Text, Length, s, u) : 0;
    return a.Step(a.Start, (s == Length || IsLineSeparator(first)) ? a.EmptyLineColumn : a.LineStartColumn);
}

// Runs the automaton from position S to the dead state, the text end or a dead end of an earlier
// run; returns the last accepting point reached, or -1. Steps counts the characters read.
int Run(const TURESearch::TAutomaton &a, const WideChar *Text, int Length, int s, TDeadEnds &Dead, int64_t &Steps)
{
    int state = StartStateAt(a, Text, Length, s);
    int lastEnd = (state && a.Accepting[size_t(state)]) ? s : -1;
    // Whether the run reached a pair that an earlier run left without accepting.
    auto deadEnd = [&](int i) {
        if (Dead.Has(i, state))
            return true;
        if (i - s >= TDeadEnds::kShortRun)
            Dead.Visit(i, state);
        return false;
    };
    const int64_t stepsBefore = Steps;
    int i = s;
    auto finish = [&] {
        Steps = stepsBefore + (i - s) + 1;
        if (lastEnd < 0)
            Dead.Failed(s);
        else
            Dead.Succeeded();
        return lastEnd;
    };
    while (state != 0) {
        // Characters below 256 other than line breaks: one table step each.
        while (i < Length && Text[i] < 256 && Text[i] != 10 && Text[i] != 13) {
            if (state == a.Start && a.LatinStays[Text[i]]) {
                // Nothing begun yet, and these characters begin nothing.
                if (Dead.HasStartAt(i))
                    return finish();
                const int from = i;
                i = a.SkipStays(Text, i, Length);
                Dead.VisitStart(from, i);
                continue;
            }
            if (deadEnd(i))
                return finish();
            state = a.Step(state, a.LatinColumn[Text[i]]);
            ++i;
            if (state == 0)
                break;
            if (a.Accepting[size_t(state)])
                lastEnd = i;
        }
        if (state == 0 || deadEnd(i))
            break;
        const int at = i;
        bool lineEndAccepts = false;
        const bool goesOn = LongStep(a, Text, Length, i, state, lineEndAccepts);
        if (lineEndAccepts)
            lastEnd = at;
        if (!goesOn)
            break;
        if (a.Accepting[size_t(state)])
            lastEnd = i;
    }
    return finish();
}

// Whether a match of the searching automaton ends anywhere in the text from From on: one sweep that
// stops at the first accepting point, reading the characters below 256 straight through the sweep
// table and passing over those that begin nothing a block at a time.
bool MatchEnds(const TURESearch::TAutomaton &a, const WideChar *Text, int Length, int From, bool Blocks,
               int64_t &Steps)
{
    using TA = TURESearch::TAutomaton;
    int i = From;
    auto done = [&](bool found) {
        Steps += (i - From) + 1;
        return found;
    };
    // Most lines begin with a character that is no line break.
    int state = (i == 0 && i < Length && !IsLineSeparator(Text[0])) ? a.LineStartState
                                                                   : StartStateAt(a, Text, Length, i);
    if (state == 0 || a.Accepting[size_t(state)])
        return done(state != 0);
    const uint16_t *table = a.SweepNext.data();
    for (;;) {
        while (i < Length && Text[i] < 256) {
            if (state == a.Start) {
                i = a.SkipToLeave(Text, i, Length, Blocks);
                if (i == Length || Text[i] >= 256)
                    break;
            }
            const uint16_t e = table[size_t(state) * 256 + Text[i]];
            if (e & TA::kSweepSlow)
                break;
            ++i;
            state = e & ~TA::kSweepStop;
            if (e & TA::kSweepStop)
                return done(state != 0);
        }
        if (i == Length && i > 0 && !IsLineSeparator(Text[i - 1])) {
            // The end of a line that holds no break: only the line end is left to read.
            state = a.Step(state, a.LineEndColumn);
            return done(state != 0 && a.Accepting[size_t(state)]);
        }
        bool lineEndAccepts = false;
        const bool goesOn = LongStep(a, Text, Length, i, state, lineEndAccepts);
        if (lineEndAccepts || (goesOn && a.Accepting[size_t(state)]))
            return done(true);
        if (!goesOn)
            return done(false);
    }
}

} // namespace

bool TURESearch::Find(const WideChar *Text, int Length, int From, int &Start, int &Stop, TDeadEnds &Dead) const
{
    if (!FAutomaton || !Text || Length < 0 || From < 0 || From > Length)
        return false;
    const TAutomaton &a = *FAutomaton;
    // No match ends anywhere: done in one sweep.
    if (FSearchAutomaton && !MatchEnds(*FSearchAutomaton, Text, Length, From, FBlockScan, FSteps))
        return false;
    const bool startAccepts = a.Accepting[size_t(a.Start)] != 0;
    for (int s = From; s <= Length;) {
        if (!startAccepts && s < Length && !LineStartAt(Text, Length, s)) {
            // Step over characters that cannot begin a match. A line break stops the run, so every
            // position passed over lies inside a line.
            while (s < Length && Text[s] < 256 && !a.LatinStart[Text[s]])
                ++s;
        }
        int units = 1;
        const uint32_t first = s < Length ? CodeAt(Text, Length, s, units) : 0;
        if (!startAccepts && s < Length && !IsLineSeparator(first) && !LineStartAt(Text, Length, s) &&
            a.Step(a.Start, a.ClassOf(a.IgnoreCase ? Lower(first) : first)) == 0) {
            s += units;
            continue;
        }
        const int end = Run(a, Text, Length, s, Dead, FSteps);
        if (end >= 0) {
            Start = s;
            Stop = end;
            return true;
        }
        if (s == Length)
            break;
        s += units;
    }
    return false;
}

bool TURESearch::FindFirst(const WideChar *Text, int Length, int &Start, int &Stop)
{
    ClearResults();
    FSteps = 0;
    TDeadEnds dead;
    if (!Find(Text, Length, 0, Start, Stop, dead))
        return false;
    AddResult(Start, Stop);
    return true;
}

bool TURESearch::FindAll(const WideChar *Text, int Length)
{
    ClearResults();
    FSteps = 0;
    TDeadEnds dead; // shared by the searches of one text: a dead end stays one
    int from = 0, start = 0, stop = 0;
    while (from <= Length && Find(Text, Length, from, start, stop, dead)) {
        AddResult(start, stop);
        if (stop > start) {
            from = stop;
        } else {
            if (stop >= Length)
                break;
            from = stop + ((IsHighSurrogate(Text[stop]) && stop + 1 < Length && IsLowSurrogate(Text[stop + 1])) ? 2 : 1);
        }
    }
    return Count() > 0;
}
