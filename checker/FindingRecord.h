#pragma once
// One line of the findings list as the program reads it: what the finding is and where it lies. The list
// shows each finding as a line of text; the way back to the text, and the explanation shown for a code, read
// this record, never the shown text.
#include <optional>
#include <string>

#include "checker/CheckLine.h"

struct TFindingRecord {
    int Code = 0; // the finding's number; 0 for the totals, the summary and the closing lines
    int Severity = 3; // 0 hint, 1 warning, 2 syntax error, 3 plain line
    std::optional<TCheckLine> Location; // 1-based line in the document or an include; none for plain lines
    std::string File; // the include's name for a line inside an include (as the list names it)
    std::string Text; // the finding's own text, without its line
};
