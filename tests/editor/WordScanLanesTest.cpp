// The editor's searches that test four characters at a time in one 64-bit word (the column map's
// search for tabs and wide characters, the HTML highlighter's search for '<') against a plain
// reading of one character at a time: every unit of 0x0000-0xFFFF, lone surrogate halves included,
// in each lane of the words and in the tail read one by one.
#include "editor/ColumnMap.h"
#include "editor/HTMLHighlighter.h"
#include "text/UnicodeData.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string WordScanLanesHex(uint32_t u)
{
    char text[12];
    std::snprintf(text, sizeof text, "U+%04X", unsigned(u));
    return text;
}

} // namespace

TEST(WordScanLanes, ColumnsOfEveryUnitInEveryLane)
{
    // A line of thirteen letters (three words and a unit after them) with the unit in place of one
    // letter: its cells are those of a tab up to the next stop, two for a wide character, one for
    // anything else (a half of a pair alone among them).
    constexpr int kTab = 4;
    constexpr size_t kLength = 13;
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        const WideChar u = WideChar(code);
        const bool half = code >= 0xD800 && code < 0xE000;
        for (size_t k = 0; k < kLength; ++k) {
            WideString line(kLength, u'a');
            line[k] = u;
            const int cells = u == u'\t' ? kTab - int(k) % kTab : (!half && UnicodeIsWide(code)) ? 2 : 1;
            const int expected = int(kLength) - 1 + cells;
            TColumnMap map;
            map.Build(line, kTab);
            if (TColumnMap::DisplayLengthOf(line, kTab) != expected || map.DisplayLength() != expected ||
                map.CharIndexToColumn(int(k) + 1) != int(k) + cells) {
                FAIL() << WordScanLanesHex(code) << " at " << k << ": display length "
                       << TColumnMap::DisplayLengthOf(line, kTab) << ", expected " << expected;
            }
        }
    }
}

TEST(WordScanLanes, ScriptEndTagBesideEveryUnitInEveryLane)
{
    // A line inside a script block (no script scanner linked) that holds "</script>" ends the block,
    // whatever unit stands in any lane before the tag and wherever the tag's '<' falls in a word.
    THTMLHighlighter highlighter;
    constexpr int32_t kInScript = 12, kAfterScript = 2;
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        for (size_t k = 0; k < 5; ++k) {
            const size_t tagAt = k + 1 + (code + k) % 9;
            WideString line(24, u'x');
            line[k] = WideChar(code);
            line.replace(tagAt, 9, u"</script>");
            highlighter.SetRange(kInScript);
            highlighter.SetLine(line, false);
            while (!highlighter.GetEol())
                highlighter.Next();
            if (highlighter.GetRange() != kAfterScript) {
                FAIL() << WordScanLanesHex(code) << " at " << k << ", tag at " << tagAt << ": range "
                       << highlighter.GetRange();
            }
        }
    }
}
