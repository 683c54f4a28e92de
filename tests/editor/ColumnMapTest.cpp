// The column map against a plain model of the cells: a tab runs to the next tab stop, a wide
// character (an ideograph, a full-width letter, an emoji; a pair counts whole) two cells, any other
// surrogate pair one cell, every other unit (a lone half too) one cell.
#include "editor/ColumnMap.h"
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// The wide characters among the test units: U+4E2D, U+FF21 (full-width A) and the emoji pairs
// U+1F600 and U+1F400 (D83D with DE00 or DC00); the pairs U+10000 and U+10200 (D800 with DC00 or
// DE00), U+2019 and U+FF61 (half-width) are narrow.
bool ModelWide(const WideString &s, size_t i)
{
    return s[i] == 0x4E2D || s[i] == 0xFF21 ||
           (s[i] == 0xD83D && i + 1 < s.size() && (s[i + 1] == 0xDE00 || s[i + 1] == 0xDC00));
}

// Start column of every unit (the second half of a pair starts where its cells end) and the
// display length.
std::vector<int> Starts(const WideString &s, int tab)
{
    std::vector<int> starts;
    int col = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        starts.push_back(col);
        const bool pairHead =
            s[i] >= 0xD800 && s[i] < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000;
        col += s[i] == u'\t' ? tab - col % tab : ModelWide(s, i) ? 2 : 1;
        if (pairHead) {
            starts.push_back(col);
            ++i;
        }
    }
    starts.push_back(col);
    return starts;
}

TEST(ColumnMap, AgreesWithACellModel)
{
    const WideChar units[] = {u'a', u'\t', 0xD83D, 0xDE00, 0xDC00, 0xD800, u' ', 0x4E2D, 0xFF21, 0xFF61, 0x2019};
    std::mt19937 rng(5);
    for (int round = 0; round < 3000; ++round) {
        WideString s;
        const size_t n = rng() % 23;
        for (size_t i = 0; i < n; ++i)
            s += units[rng() % std::size(units)];
        const int tab = 1 + static_cast<int>(rng() % 8);
        const std::vector<int> starts = Starts(s, tab);
        TColumnMap map;
        map.Build(s, tab);
        const int length = starts.back();
        ASSERT_EQ(map.DisplayLength(), length) << round;
        ASSERT_EQ(TColumnMap::DisplayLengthOf(s, tab), length) << round;
        for (size_t i = 0; i <= s.size(); ++i)
            ASSERT_EQ(map.CharIndexToColumn(static_cast<int>(i)), starts[i]) << round << " index " << i;
        for (int col = 0; col < length + 3; ++col) {
            const int k = map.ColumnToCharIndex(col);
            // The unit whose cell holds the column; never the second half of a pair.
            if (col >= length) {
                ASSERT_EQ(k, static_cast<int>(s.size()) + col - length) << round;
                continue;
            }
            ASSERT_LE(starts[static_cast<size_t>(k)], col) << round << " column " << col;
            ASSERT_GT(starts[static_cast<size_t>(k) + 1], col) << round << " column " << col;
            ASSERT_FALSE(TColumnMap::IsPairTail(s, static_cast<size_t>(k))) << round << " column " << col;
            // A caret column inside a wide character goes to its start.
            const bool inside = ModelWide(s, static_cast<size_t>(k)) && col > starts[static_cast<size_t>(k)];
            ASSERT_EQ(map.WideCharacterStart(col), inside ? starts[static_cast<size_t>(k)] : col)
                << round << " column " << col;
            ASSERT_EQ(TColumnMap::IsWideAt(s, static_cast<size_t>(k)), ModelWide(s, static_cast<size_t>(k)))
                << round << " column " << col;
        }
    }
}

} // namespace

// A map that follows changes of its line answers like a map built for the changed line: edits
// that add, remove or split tabs, wide characters and pairs, before, inside and after others.
TEST(ColumnMap, FollowsChangesLikeAFreshBuild)
{
    const WideChar units[] = {u'a', u'\t', 0xD83D, 0xDE00, 0xDC00, u' ', 0x4E2D, u'b', 0xFF21, 0xD800};
    std::mt19937 rng(23);
    for (int round = 0; round < 400; ++round) {
        const int tab = 1 + static_cast<int>(rng() % 8);
        WideString s;
        const size_t n = rng() % 40;
        for (size_t i = 0; i < n; ++i)
            s += units[rng() % std::size(units)];
        TColumnMap map;
        map.Build(s, tab);
        for (int step = 0; step < 20; ++step) {
            const size_t at = rng() % (s.size() + 1);
            const size_t erase = std::min(s.size() - at, static_cast<size_t>(rng() % 4));
            WideString insert;
            for (size_t k = rng() % 4; k > 0; --k)
                insert += units[rng() % std::size(units)];
            WideString changed = s;
            changed.replace(at, erase, insert);
            map.FollowChange(changed, LineChangeOf(s, changed));
            s = changed;
            const std::vector<int> starts = Starts(s, tab);
            const std::string what = "round " + std::to_string(round) + " step " + std::to_string(step);
            ASSERT_EQ(map.Length(), static_cast<int>(s.size())) << what;
            ASSERT_EQ(map.DisplayLength(), starts.back()) << what;
            TColumnMap fresh;
            fresh.Build(s, tab);
            for (int i = 0; i <= static_cast<int>(s.size()) + 2; ++i) {
                ASSERT_EQ(map.CharIndexToColumn(i), fresh.CharIndexToColumn(i)) << what << " index " << i;
                ASSERT_EQ(map.CellCount(i), fresh.CellCount(i)) << what << " index " << i;
            }
            for (int col = 0; col < starts.back() + 3; ++col)
                ASSERT_EQ(map.ColumnToCharIndex(col), fresh.ColumnToCharIndex(col)) << what << " column " << col;
        }
    }
}
