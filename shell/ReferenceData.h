#pragma once
// The contents of the reference windows, apart from the widgets that show them: the ASCII table's rows,
// the checker's name tables three to a row, and the fixed tree of script fragments.
#include "platform/Types.h"

#include <array>
#include <vector>

class TTreeNTNodes;

using TReferenceRow = std::array<AnsiString, 3>;

// 256 rows: the decimal code right-aligned in eight characters, two upper-case hex digits, and the
// character (33 to 125), a name in angle brackets (bell, backspace, tab, line feed, carriage return,
// escape, space) or a blank.
std::vector<TReferenceRow> AsciiReferenceRows();

// The heading "*** First section", the browser and DOM names three to a row (the table's placeholder
// entry is not shown), the heading "*** Second section" and the special names three to a row.
// Raises an Exception "sequence err strip- <name>" when the DOM names are out of byte order.
std::vector<TReferenceRow> BuiltinReferenceRows();

// Fills Nodes with the script-fragment tree (295 nodes, four top-level groups); two groups, "Browser
// objects" and its "Window", start expanded.
void FillCodeTree(TTreeNTNodes &Nodes);
