#pragma once
// Display columns of one line. A tab spans the cells up to the next multiple of the tab
// size; a surrogate pair takes one cell (its second half starts where that cell ends, so no
// column falls between the halves); every other character takes one cell. The map converts between display columns and
// character indexes, and is kept per line by the editor until that line changes.
#include "platform/Types.h"
#include <cstdint>
#include <vector>

class TColumnMap {
public:
    // Builds the map for a line; tabSize below 1 counts as 1.
    void Build(const WideString &text, int tabSize);
    void Reset();
    // The line changed into Text, which differs from the mapped one in characters [From, To)
    // only: a map without tabs or pairs stays so, and follows at once, when those characters
    // hold none. False (the map unchanged) when it must be built again.
    bool FollowPlainChange(const WideString &Text, int From, int To);

    int Length() const { return FLength; } // characters in the line
    int DisplayLength() const { return FDisplayLength; } // columns the line spans
    // Index of the character whose cell holds the column; past the end of the line the
    // line length plus the remaining whole columns.
    int ColumnToCharIndex(int column) const;
    // Column where the character at index starts; indexes past the end count one column each.
    int CharIndexToColumn(int index) const;
    // Width in cells of the character at index (1 past the end).
    int CellCount(int index) const;

    // Length of a text with every tab counted as tabSize characters.
    static int ExpandedLength(const WideString &text, int tabSize);
    // Display length of a text without keeping a map.
    static int DisplayLengthOf(const WideString &text, int tabSize);
    // Whether text[i] is the second half of a surrogate pair.
    static bool IsPairTail(const WideString &text, size_t i);

private:
    int FLength = 0;
    int FDisplayLength = 0;
    bool FHasTabs = false; // tabs or surrogate pairs: the starts are kept
    // Start column of each character, plus the display length at the end (only with tabs
    // or pairs).
    std::vector<int32_t> FStarts;
};
