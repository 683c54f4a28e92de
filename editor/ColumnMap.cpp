#include "editor/ColumnMap.h"
#include "text/UnicodeData.h"
#include <algorithm>
#include <climits>
#include <cstring>

namespace {
constexpr int64_t MaxColumn = INT32_MAX / 2; // absurdly long lines stop growing instead of overflowing

// Characters from here on may be wide or halves of a pair; below it only a tab is irregular.
constexpr WideChar FirstMaybeIrregular = 0x1000;

// The first tab or character from U+1000 on (a wide character, a first half of a pair, or
// another that the caller tests) in [From, To), To when there is none. Four characters are
// tested at a time: a lane of a word is zero exactly when the word's test below finds it.
int NextIrregular(const WideChar *p, int from, int to)
{
    constexpr uint64_t ones = 0x0001000100010001ull, highs = 0x8000800080008000ull;
    auto hasZeroLane = [](uint64_t v) { return ((v - ones) & ~v & highs) != 0; };
    int i = from;
    for (; i + 4 <= to; i += 4) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (hasZeroLane(w ^ 0x0009000900090009ull) || (w & 0xF000F000F000F000ull) != 0)
            break;
    }
    for (; i < to; ++i)
        if (p[i] == u'\t' || p[i] >= FirstMaybeIrregular)
            return i;
    return to;
}

uint32_t PairCode(WideChar high, WideChar low)
{
    return 0x10000 + ((uint32_t(high) - 0xD800) << 10) + (uint32_t(low) - 0xDC00);
}
} // namespace

void TColumnMap::Reset()
{
    FLength = 0;
    FDisplayLength = 0;
    FShifts.clear();
}

bool TColumnMap::IsPairTail(std::u16string_view text, size_t i)
{
    return i > 0 && i < text.size() && IsLowSurrogate(text[i]) && IsHighSurrogate(text[i - 1]);
}

bool TColumnMap::IsWideAt(std::u16string_view text, size_t i)
{
    if (i >= text.size() || text[i] < FirstMaybeIrregular)
        return false;
    if (IsHighSurrogate(text[i]))
        return i + 1 < text.size() && IsLowSurrogate(text[i + 1]) && UnicodeIsWide(PairCode(text[i], text[i + 1]));
    return UnicodeIsWide(text[i]);
}

int TColumnMap::Scan(std::u16string_view text, int from, int to, int tabSize, int64_t &offset,
                     std::vector<TShift> *shifts)
{
    const WideChar *p = text.data();
    const int n = static_cast<int>(text.size());
    int i = from;
    for (;;) {
        i = NextIrregular(p, i, to);
        if (i >= to)
            return to;
        if (p[i] == u'\t') {
            const int64_t column = std::min(MaxColumn, i + offset);
            offset += tabSize - column % tabSize - 1;
            if (shifts)
                shifts->push_back({i + 1, skTab, offset});
            ++i;
        } else if (IsHighSurrogate(p[i]) && i + 1 < n && IsLowSurrogate(p[i + 1])) {
            // The pair is one character; its second half starts where its cells end.
            if (UnicodeIsWide(PairCode(p[i], p[i + 1]))) {
                ++offset;
                if (shifts)
                    shifts->push_back({i + 1, skWide, offset});
            }
            --offset;
            if (shifts)
                shifts->push_back({i + 2, skPair, offset});
            i += 2;
            if (i > to)
                return i;
        } else if (!IsHighSurrogate(p[i]) && !IsLowSurrogate(p[i]) && UnicodeIsWide(p[i])) {
            ++offset;
            if (shifts)
                shifts->push_back({i + 1, skWide, offset});
            ++i;
        } else {
            ++i; // a half alone, or a character of one cell
        }
    }
}

void TColumnMap::SetLengths(int length, int64_t offset)
{
    FLength = length;
    FDisplayLength = static_cast<int>(std::clamp<int64_t>(length + offset, 0, MaxColumn));
}

void TColumnMap::Build(std::u16string_view text, int tabSize)
{
    FTabSize = std::max(1, tabSize);
    FShifts.clear();
    int64_t offset = 0;
    Scan(text, 0, static_cast<int>(text.size()), FTabSize, offset, &FShifts);
    SetLengths(static_cast<int>(text.size()), offset);
}

void TColumnMap::FollowChange(std::u16string_view Text, const TLineChange &Change)
{
    // The shifts of tabs and pairs wholly before the change stay; from there the changed
    // characters are searched; after them the tabs and pairs are those known before, moved
    // (their columns are counted again: a tab's width depends on where it starts).
    auto kept = std::upper_bound(FShifts.begin(), FShifts.end(), Change.Same,
                                 [](int at, const TShift &s) { return at < s.Index; });
    // A wide pair's two shifts go together: the change may have split the pair.
    if (kept != FShifts.begin() && kept != FShifts.end() && kept->Kind == skPair && (kept - 1)->Kind == skWide &&
        (kept - 1)->Start() == kept->Start())
        --kept;
    const std::vector<TShift> after(kept, FShifts.end());
    FShifts.erase(kept, FShifts.end());
    int64_t offset = FShifts.empty() ? 0 : FShifts.back().Offset;
    const int from = std::max(FShifts.empty() ? 0 : FShifts.back().Index, Change.Same - 1);
    const int scanned = Scan(Text, std::max(0, from), Change.NewEnd, FTabSize, offset, &FShifts);
    const int delta = Change.NewEnd - Change.OldEnd;
    for (const TShift &s : after) {
        int at = s.Start();
        if (at < Change.OldEnd)
            continue;
        at += delta;
        if (at < scanned)
            continue;
        switch (s.Kind) {
        case skTab: {
            const int64_t column = std::min(MaxColumn, at + offset);
            offset += FTabSize - column % FTabSize - 1;
            FShifts.push_back({at + 1, skTab, offset});
            break;
        }
        case skWide:
            ++offset;
            FShifts.push_back({at + 1, skWide, offset});
            break;
        case skPair:
            --offset;
            FShifts.push_back({at + 2, skPair, offset});
            break;
        }
    }
    SetLengths(static_cast<int>(Text.size()), offset);
}

int64_t TColumnMap::OffsetAt(int index) const
{
    const auto it = std::upper_bound(FShifts.begin(), FShifts.end(), index,
                                     [](int at, const TShift &s) { return at < s.Index; });
    return it == FShifts.begin() ? 0 : (it - 1)->Offset;
}

int TColumnMap::ColumnToCharIndex(int column) const
{
    if (column <= 0)
        return 0;
    if (column >= FDisplayLength)
        return FLength + (column - FDisplayLength);
    // The last run (from a shift to the next) that starts at or left of the column; in it the
    // columns rise one by one, up to its last character (which may be a wide tab).
    const auto it = std::upper_bound(FShifts.begin(), FShifts.end(), column, [](int col, const TShift &s) {
        return col < std::min(MaxColumn, s.Index + s.Offset);
    });
    const int64_t offset = it == FShifts.begin() ? 0 : (it - 1)->Offset;
    const int runEnd = it == FShifts.end() ? FLength : it->Index;
    return static_cast<int>(std::min<int64_t>(runEnd - 1, column - offset));
}

int TColumnMap::CharIndexToColumn(int index) const
{
    if (index <= 0)
        return 0;
    if (index >= FLength)
        return static_cast<int>(std::min<int64_t>(MaxColumn, int64_t(FDisplayLength) + (index - FLength)));
    return static_cast<int>(std::min(MaxColumn, index + OffsetAt(index)));
}

int TColumnMap::CellCount(int index) const
{
    if (index < 0 || index >= FLength)
        return 1;
    return CharIndexToColumn(index + 1) - CharIndexToColumn(index);
}

int TColumnMap::WideCharacterStart(int column) const
{
    if (column <= 0 || column >= FDisplayLength || FShifts.empty())
        return column;
    // A column inside a wide character lies just before that character's skWide shift starts.
    const auto it = std::upper_bound(FShifts.begin(), FShifts.end(), column, [](int col, const TShift &s) {
        return col < std::min(MaxColumn, s.Index + s.Offset);
    });
    if (it == FShifts.end() || it->Kind != skWide)
        return column;
    const int start = CharIndexToColumn(it->Start());
    return column > start ? start : column;
}

int TColumnMap::ExpandedLength(std::u16string_view text, int tabSize)
{
    if (tabSize < 1)
        tabSize = 1;
    int64_t n = 0;
    for (WideChar c : text)
        n += c == u'\t' ? tabSize : 1;
    return static_cast<int>(std::min<int64_t>(n, MaxColumn));
}

int TColumnMap::DisplayLengthOf(std::u16string_view text, int tabSize)
{
    return ColumnAfter(text, 0, tabSize);
}

int TColumnMap::ColumnAfter(std::u16string_view text, int column, int tabSize)
{
    int64_t offset = column;
    Scan(text, 0, static_cast<int>(text.size()), std::max(1, tabSize), offset, nullptr);
    return static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(text.size()) + offset, 0, MaxColumn));
}
