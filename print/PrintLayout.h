#pragma once
// Laying an editor's text out on pages: line numbers, tabs, word wrap into pieces that fit the
// printable width, and the pieces written line by line onto the preview's pages.
#include "print/ZvTypes.h"
#include <functional>
#include <vector>

class TZvPreview;

QUILLMAR_EXCEPTION(EPrintLayoutError, Exception);

// Width of a text in printer pixels.
using TWidthMeasure = std::function<int32_t(const WideString &Text)>;

struct TWrapSettings {
    int32_t WrapWidth = 0; // printer pixels; a piece fits when it is narrower
    bool LineNumbers = false; // continuation pieces are indented by five blanks
    int32_t NumberReserve = 0; // width of "9999 ", kept free on continuation lines
};

// Number of characters at the start of Text that fit with `Reserve` added: the longest prefix
// whose width plus Reserve is below the wrap width (Text's length when all of it fits).
size_t FittingLength(const WideString &Text, int32_t Reserve, int32_t WrapWidth, const TWidthMeasure &Measure);

// Where the word wrap breaks Text for a column limit of M characters: the number of characters
// of the first piece, or 0 when it makes no break. A line breaks after the last blank, tab, "-",
// ".", "=" or ">" before the limit (or after the next one past it when there was none), never
// inside quotes.
size_t FirstWordBreak(const WideString &Text, size_t M);

// Appends the pieces of one line. Every piece, as printed (a continuation with its five-blank
// indent when lines are numbered), is narrower than the wrap width and holds at least one
// character of the line; together they hold every character of the line once, in order. Only
// blanks at a wrap may be left out, and no continuation starts with a blank. Raises
// EPrintLayoutError when not one character fits the width.
void WrapLine(const WideString &Text, const TWrapSettings &Settings, const TWidthMeasure &Measure,
              std::vector<WideString> &Pieces);

// The text of line Index (from 0) as printed: numbered "%4d %s" when asked, tabs as two blanks.
WideString PrintedLine(const WideString &Line, int Index, bool LineNumbers);

struct TTextLayoutOptions {
    bool LineNumbers = true;
    bool WordWrap = true;
    // Font size in points (what the line height comes from).
    int32_t FontSize = 10;
};

// Writes the lines onto the preview's pages (new pages as they fill) with the preview canvas's
// font, between the preview's margins; without word wrap a line is cut at the right margin. A
// text's width is the wider of the preview's and the printer's. Raises EPrintLayoutError when
// the font leaves no room for a line or a character.
void LayOutText(TZvPreview &Preview, int LineCount, const std::function<WideString(int)> &Line,
                const TTextLayoutOptions &Options);
