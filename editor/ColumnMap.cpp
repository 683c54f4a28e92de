#include "editor/ColumnMap.h"
#include <algorithm>
#include <cstring>

void TColumnMap::Reset()
{
    FLength = 0;
    FDisplayLength = 0;
    FHasTabs = false;
    FStarts.clear();
}

namespace {
bool IsHigh(WideChar c)
{
    return c >= 0xD800 && c < 0xDC00;
}
bool IsLow(WideChar c)
{
    return c >= 0xDC00 && c < 0xE000;
}
// Whether the line needs a map: tabs, or surrogate pairs (a pair shares one cell). Four
// characters are tested at a time: a lane of a word is zero exactly when the word's test
// below finds it.
bool Irregular(const WideString &text)
{
    const WideChar *p = text.data();
    const size_t n = text.size();
    size_t i = 0;
    constexpr uint64_t ones = 0x0001000100010001ull, highs = 0x8000800080008000ull;
    auto hasZeroLane = [](uint64_t v) { return ((v - ones) & ~v & highs) != 0; };
    for (; i + 4 <= n; i += 4) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (hasZeroLane(w ^ 0x0009000900090009ull) || hasZeroLane((w & 0xFC00FC00FC00FC00ull) ^ 0xD800D800D800D800ull))
            return true;
    }
    for (; i < n; ++i)
        if (p[i] == u'\t' || IsHigh(p[i]))
            return true;
    return false;
}
} // namespace

bool TColumnMap::IsPairTail(const WideString &text, size_t i)
{
    return i > 0 && i < text.size() && IsLow(text[i]) && IsHigh(text[i - 1]);
}

void TColumnMap::Build(const WideString &text, int tabSize)
{
    if (tabSize < 1)
        tabSize = 1;
    FLength = static_cast<int>(text.size());
    FHasTabs = Irregular(text);
    FStarts.clear();
    if (!FHasTabs) {
        FDisplayLength = FLength;
        return;
    }
    FStarts.resize(text.size() + 1);
    int64_t col = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // The second half of a pair starts where the pair's cell ends: no column falls
        // between the halves.
        if (IsPairTail(text, i)) {
            FStarts[i] = static_cast<int32_t>(col);
            continue;
        }
        FStarts[i] = static_cast<int32_t>(col);
        if (text[i] == u'\t')
            col += tabSize - col % tabSize;
        else if (i + 1 < text.size() && IsHigh(text[i]) && IsLow(text[i + 1]))
            col += 1, FStarts[i + 1] = static_cast<int32_t>(col);
        else
            ++col;
        if (col > INT32_MAX / 2)
            col = INT32_MAX / 2; // absurdly long lines stop growing instead of overflowing
    }
    FStarts[text.size()] = static_cast<int32_t>(col);
    FDisplayLength = static_cast<int>(col);
}

bool TColumnMap::FollowPlainChange(const WideString &Text, int From, int To)
{
    if (FHasTabs || From < 0 || To < From || static_cast<size_t>(To) > Text.size())
        return false;
    for (int i = From; i < To; ++i)
        if (Text[static_cast<size_t>(i)] == u'\t' || IsHigh(Text[static_cast<size_t>(i)]))
            return false;
    FLength = FDisplayLength = static_cast<int>(Text.size());
    return true;
}

int TColumnMap::ColumnToCharIndex(int column) const
{
    if (column <= 0)
        return 0;
    if (column >= FDisplayLength)
        return FLength + (column - FDisplayLength);
    if (!FHasTabs)
        return column;
    // The last character whose start column is at or left of the column.
    auto it = std::upper_bound(FStarts.begin(), FStarts.begin() + FLength, column);
    return static_cast<int>(it - FStarts.begin()) - 1;
}

int TColumnMap::CharIndexToColumn(int index) const
{
    if (index <= 0)
        return 0;
    if (index >= FLength)
        return static_cast<int>(std::min<int64_t>(INT32_MAX / 2, int64_t(FDisplayLength) + (index - FLength)));
    return FHasTabs ? FStarts[static_cast<size_t>(index)] : index;
}

int TColumnMap::CellCount(int index) const
{
    if (index < 0 || index >= FLength || !FHasTabs)
        return 1;
    return FStarts[static_cast<size_t>(index) + 1] - FStarts[static_cast<size_t>(index)];
}

int TColumnMap::ExpandedLength(const WideString &text, int tabSize)
{
    if (tabSize < 1)
        tabSize = 1;
    int64_t n = 0;
    for (WideChar c : text)
        n += c == u'\t' ? tabSize : 1;
    return static_cast<int>(std::min<int64_t>(n, INT32_MAX / 2));
}

int TColumnMap::DisplayLengthOf(const WideString &text, int tabSize)
{
    if (tabSize < 1)
        tabSize = 1;
    if (!Irregular(text))
        return static_cast<int>(text.size());
    int64_t col = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\t')
            col += tabSize - col % tabSize;
        else if (!IsPairTail(text, i))
            ++col;
    }
    return static_cast<int>(std::min<int64_t>(col, INT32_MAX / 2));
}
