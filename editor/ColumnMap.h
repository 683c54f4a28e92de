#pragma once
// Display columns of one line. A tab spans the cells up to the next multiple of the tab
// size; a wide character (East Asian Width W or F: ideographs, kana, Hangul, full-width
// forms) takes two cells; a surrogate pair is one character (its second half starts where the
// character's cells end, so no column falls between the halves); every other character takes one cell. The map converts
// between display columns and character indexes, and is kept per line by the editor until that line changes.
//
// Only the tabs, wide characters and pairs are kept: after each of them the difference between a character's
// column and its index changes. So a map is made by a quick search for them, and follows a
// change of its line from the changed characters and the tabs, wide characters and pairs after them.
#include "editor/LineChange.h"
#include "platform/Types.h"
#include <string_view>
#include <cstdint>
#include <vector>

class TColumnMap {
public:
    // Builds the map for a line; tabSize below 1 counts as 1.
    void Build(std::u16string_view text, int tabSize);
    void Reset();
    // The line changed into Text as Change tells (the map was made for the text before).
    void FollowChange(std::u16string_view Text, const TLineChange &Change);

    int Length() const { return FLength; } // characters in the line
    int DisplayLength() const { return FDisplayLength; } // columns the line spans
    // Index of the character whose cell holds the column; past the end of the line the
    // line length plus the remaining whole columns.
    int ColumnToCharIndex(int column) const;
    // Column where the character at index starts; indexes past the end count one column each.
    int CharIndexToColumn(int index) const;
    // Width in cells of the character at index (1 past the end).
    int CellCount(int index) const;
    // The column where the character whose cells hold the column starts, when that character is
    // a wide one (a caret never stands inside it); the column itself otherwise.
    int WideCharacterStart(int column) const;

    // Length of a text with every tab counted as tabSize characters.
    static int ExpandedLength(std::u16string_view text, int tabSize);
    // Display length of a text without keeping a map.
    static int DisplayLengthOf(std::u16string_view text, int tabSize);
    // The column where a text written from the column ends (its tabs measured from there).
    static int ColumnAfter(std::u16string_view text, int column, int tabSize);
    // Whether text[i] is the second half of a surrogate pair.
    static bool IsPairTail(std::u16string_view text, size_t i);
    // Whether the character starting at text[i] (a pair counted whole) takes two cells.
    static bool IsWideAt(std::u16string_view text, size_t i);

private:
    // From Index on, a character's column is its index plus Offset (until the next shift).
    enum TShiftKind : uint8_t {
        skTab, // after a tab at Index - 1
        skPair, // after a pair at Index - 2
        skWide, // after the second cell of a wide character starting at Index - 1 (for a wide
                // pair a skPair shift at Index + 1 follows)
    };
    struct TShift {
        int32_t Index;
        TShiftKind Kind;
        int64_t Offset;
        int Start() const { return Index - (Kind == skPair ? 2 : 1); } // where its character starts
    };
    // Adds the shifts of the tabs and pairs starting in [From, To) of the text, Offset running
    // on; returns where the scan ended (past To when a pair lies across it).
    static int Scan(std::u16string_view text, int from, int to, int tabSize, int64_t &offset,
                    std::vector<TShift> *shifts);
    int64_t OffsetAt(int index) const;
    void SetLengths(int length, int64_t offset);

    int FLength = 0;
    int FDisplayLength = 0;
    int FTabSize = 1;
    std::vector<TShift> FShifts; // by index
};
