#pragma once
// Small value types shared by the editor control: text positions, the option set, caret
// shapes and the kinds of undo records.
#include "platform/Graphics.h"
#include "platform/Types.h"
#include <cstdint>

// A position in the text: X is a display column (a tab spans several columns), Y a line
// index, both from 0. Positions order line first, then column.
struct TTextPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TTextPoint &, const TTextPoint &) = default;
};

inline bool PointLess(const TTextPoint &a, const TTextPoint &b)
{
    return a.Y < b.Y || (a.Y == b.Y && a.X < b.X);
}
inline TTextPoint MinPoint(const TTextPoint &a, const TTextPoint &b)
{
    return PointLess(b, a) ? b : a;
}
inline TTextPoint MaxPoint(const TTextPoint &a, const TTextPoint &b)
{
    return PointLess(a, b) ? b : a;
}

enum TSyntaxEditOption : uint32_t {
    eoAutoIndent = 1u << 0,
    eoAutoUnindent = 1u << 1,
    eoCursorThroughTabs = 1u << 2,
    eoGroupUndo = 1u << 3,
    eoHideSelection = 1u << 4,
    eoInserting = 1u << 5,
    eoKeepTrailingBlanks = 1u << 6,
    eoLineNumbers = 1u << 7,
    eoOptimalFill = 1u << 8,
    eoReadOnly = 1u << 9,
    eoReadOnlySelection = 1u << 10,
    eoScrollPastEOL = 1u << 11,
    eoShowControlChars = 1u << 12,
    eoShowCursorWhileReadOnly = 1u << 13,
    eoShowScrollHint = 1u << 14,
    eoSmartTabs = 1u << 15,
    eoTripleClicks = 1u << 16,
    eoUndoAfterSave = 1u << 17,
    eoUseTabs = 1u << 18,
    eoUseSyntaxHighlighting = 1u << 19,
    eoWantTabs = 1u << 20,
};
using TSyntaxEditOptions = uint32_t;
constexpr TSyntaxEditOptions DefaultSyntaxEditOptions = 0x19883F;

enum TCaretType : uint8_t { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };
enum TScrollBarMode : uint8_t { sbmRegular, sbmFlat, sbm3D };
enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

enum TUndoKind : uint8_t {
    ukNone = 0,
    ukInsert = 1,
    ukDelete = 2,
    ukBackspace = 3,
    ukLineDelete = 4,
    ukReplace = 5,
    ukMove = 6,
    ukCopy = 7,
    ukCaret = 8,
    ukOverwrite = 9,
    ukIndent = 10,
    ukComment = 11,
};

// Colours are platform/Graphics.h's 0x00BBGGRR values; the system colours the editor uses
// beyond the ones named there.
constexpr TColor clAppWorkSpace = 0x8000000Cu;
constexpr TColor clBtnHighlight = 0x80000014u;
constexpr TColor clInfoText = 0x80000017u;
constexpr TColor clSilver = 0xC0C0C0u;
