#pragma once
// Helpers for moving text in and out of a line list: splitting a text at its line breaks,
// and inserting or deleting a run of lines in one step.
#include "platform/Types.h"
#include <vector>

class TWideStrings;

namespace TextLines {
// Splits a text at CR LF, CR and LF. A text with n breaks gives
// n + 1 pieces (a trailing break gives a last empty piece); zero characters are kept.
std::vector<WideString> Split(const WideString &text);
// Splits as the line list reads text: a break at the very end adds no empty line.
std::vector<WideString> SplitLines(const WideString &text);
// Inserts pieces[from..to) at index, in order.
void InsertRange(TWideStrings &list, int index, const std::vector<WideString> &pieces, int from, int to);
// Deletes count lines from index on (nothing for count <= 0).
void DeleteRange(TWideStrings &list, int index, int count);
// Where a text inserted at column/line-free coordinates ends: the line offset and the
// character count of its last piece.
void Extent(const WideString &text, int &lines, int &lastLength);
} // namespace TextLines
