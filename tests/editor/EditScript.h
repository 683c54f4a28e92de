#pragma once
// Random edit scripts for the editor model: a script is a list of steps (editor commands and
// direct operations, drops from a second editor among them) played on two editors. Whatever a
// script does, undoing everything must give each editor's original text back exactly, and
// redoing everything the text it had at the head of its history. Used by the replay test and
// by the edit-operations fuzz target, so no test framework here.
#include "editor/EditorCommands.h"
#include "editor/SyntaxEditCore.h"
#include "editor/SyntaxEditorStrings.h"
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <cstdio>
#include <string>
#include <vector>

namespace EditScript {

// One step: an editor command, or (Op >= opFirst) an operation called directly. X and Y are
// a cell for drops and caret moves, N picks a variant.
struct Step {
    int Op = 0;
    WideChar Ch = u' ';
    int X = 0, Y = 0, N = 0;
};

enum {
    opFirst = 2000,
    opComment = opFirst,
    opUncomment,
    opReplaceAll, // "a" by "xy", or by nothing; or a regular expression
    opSelText, // the selection replaced by a text with a line break, or by nothing
    opDropMove, // inside the editor
    opDropCopy,
    opDropFromOther, // the other editor's selection dropped here (moved or copied)
    opOtherSelect, // a selection in the other editor
    opMoveCaret, // MoveCaretTo a cell (like a jump to a bookmark)
    opSelectTo,
    opSetBlock, // SetBlockBegin and SetBlockEnd as a program sets them (from up to one line past the last)
    opJump, // the caret set without a record, as a jump to a bookmark does
    opUndo,
    opRedo,
    opLast
};

inline const TEditorCommand Commands[] = {ecLeft,
                                          ecRight,
                                          ecUp,
                                          ecDown,
                                          ecWordLeft,
                                          ecWordRight,
                                          ecLineStart,
                                          ecLineEnd,
                                          ecPageUp,
                                          ecPageDown,
                                          ecEditorTop,
                                          ecEditorBottom,
                                          ecSelectLeft,
                                          ecSelectRight,
                                          ecSelectUp,
                                          ecSelectDown,
                                          ecSelectWordRight,
                                          ecSelectLineEnd,
                                          ecSelectAll,
                                          ecDeleteLastChar,
                                          ecDeleteChar,
                                          ecDeleteWord,
                                          ecDeleteLastWord,
                                          ecDeleteBOL,
                                          ecDeleteEOL,
                                          ecDeleteLine,
                                          ecLineBreak,
                                          ecInsertLine,
                                          ecChar,
                                          ecChar,
                                          ecChar,
                                          ecChar,
                                          ecCut,
                                          ecCopy,
                                          ecPaste,
                                          ecBlockIndent,
                                          ecBlockUnindent,
                                          ecToggleMode,
                                          ecScrollDown,
                                          ecScrollRight,
                                          ecSelectEditorBottom,
                                          ecClearAll};

// Characters typed by ecChar steps: letters, blanks, a tab, a non-Latin letter and a
// character outside the basic plane (a surrogate pair typed as its two halves).
inline const char16_t Chars[] = u"ab \t\u00e9\u4e2d;\xD83D\xDE00";

inline std::string U8(const WideString &w)
{
    std::string out;
    for (size_t i = 0; i < w.size(); ++i) {
        uint32_t c = w[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (w[++i] - 0xDC00);
        if (c < 0x80)
            out += static_cast<char>(c);
        else if (c < 0x800)
            out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        else if (c < 0x10000)
            out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        else
            out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                    static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    return out;
}

// The text with "|" between lines and "~" for a tab, so blanks at line ends stay visible.
inline std::string Text(const TSyntaxEditCore &e)
{
    std::string out;
    for (int i = 0; i < e.LineCount(); ++i) {
        out += i ? "|" : "";
        for (char c : EditScript::U8(e.Lines().Get(i)))
            out += c == '\t' ? '~' : c;
    }
    return out;
}

inline std::string Name(const Step &s)
{
    static const char *names[] = {"(comment)",    "(uncomment)", "(replace all)",     "(set text)",
                                  "(drop move)",  "(drop copy)", "(drop from other)", "(other select)",
                                  "(move caret)", "(select to)", "(set block)",       "(jump)",
                                  "(undo)",       "(redo)"};
    std::string name = s.Op >= opFirst ? names[s.Op - opFirst] : EditorCommandToText(s.Op);
    if (s.Op == ecChar)
        name += "'" + U8(WideString(1, s.Ch)) + "'";
    if (s.Op >= opFirst)
        name += "{" + std::to_string(s.X) + "," + std::to_string(s.Y) + "," + std::to_string(s.N) + "}";
    return name;
}

inline bool IsSurrogate(WideChar c)
{
    return c >= 0xD800 && c < 0xE000;
}

// Plays one step on e, with o as the other editor.
inline void Apply(TSyntaxEditCore &e, TSyntaxEditCore &o, const Step &s)
{
    switch (s.Op) {
    case opComment: e.CommentSelectedLines(); break;
    case opUncomment: e.UncommentSelectedLines(); break;
    case opReplaceAll:
        if (s.N % 4 < 2) // literal
            e.SearchReplace(u"a", s.N % 2 ? u"" : u"xy", soReplaceAll | soEntireScope);
        else // a regular expression whose matches may end next to, or between, halves of a pair
            e.SearchReplace(s.N % 8 < 4 ? u"x." : u"[b\xD83D]", s.N % 8 < 4 ? u"" : u"q",
                            soReplaceAll | soEntireScope | soRegularExpression);
        break;
    case opSelText: e.SetSelText(s.N % 2 ? WideString() : WideString(u"p\r\nq")); break;
    case opDropMove:
    case opDropCopy:
        if (e.SelAvail() && e.DragAccept(&e, {s.X, s.Y}))
            e.DragDrop(&e, {s.X, s.Y}, s.Op == opDropCopy);
        break;
    case opDropFromOther:
        if (o.SelAvail() && e.DragAccept(&o, {s.X, s.Y}))
            e.DragDrop(&o, {s.X, s.Y}, s.N % 2 != 0);
        break;
    case opOtherSelect:
        o.MoveCaretTo({s.X, s.Y % std::max(1, o.LineCount())});
        o.SelectTo({s.N % 12, (s.Y + s.N) % std::max(1, o.LineCount())});
        break;
    case opMoveCaret: e.MoveCaretTo({s.X, s.Y}); break;
    case opSelectTo: e.SelectTo({s.X, s.Y}); break;
    case opSetBlock:
        e.SetBlockBegin({s.X, std::min(s.Y, e.LineCount())});
        e.SetBlockEnd({s.N % 12, (s.N / 2) % 8});
        break;
    case opJump:
        e.SetBookmark(s.N % 10, s.X, std::min(s.Y, std::max(0, e.LineCount() - 1)));
        e.GotoBookmark(s.N % 10);
        break;
    case opUndo: (s.N % 2 ? o : e).Undo(); break;
    case opRedo: (s.N % 2 ? o : e).Redo(); break;
    default:
        e.RunEditorCommand(static_cast<TEditorCommand>(s.Op), s.Ch, nullptr);
        // The first half of U+1F600 is followed by its second half, as a key press gives
        // them; the second half alone is typed as it is.
        if (s.Op == ecChar && s.Ch == 0xD83D)
            e.RunEditorCommand(ecChar, 0xDE00, nullptr);
        break;
    }
}

inline void Start(TSyntaxEditCore &e, const WideString &text, TSyntaxEditOptions options)
{
    e.SetOptions(options);
    e.SetMaxUndo(TUndoList::MaxCountLimit);
    e.Lines().SetTextStr(text);
    e.SetModified(false);
    e.Resize(200, 100);
}

// Whether some line holds half of a surrogate pair.
inline bool HasLoneSurrogate(const TSyntaxEditCore &e)
{
    for (int y = 0; y < e.LineCount(); ++y) {
        const WideString &s = e.Lines().Get(y);
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] >= 0xD800 && s[i] < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
                ++i;
            else if (IsSurrogate(s[i]))
                return true;
        }
    }
    return false;
}

// Whether the caret stands inside a character's cells: between the two cells of a wide
// character (a pair among them). A tab's cells may hold the caret.
inline bool CaretInsideCharacter(TSyntaxEditCore &e)
{
    const int y = e.CaretY(), x = e.CaretX();
    if (y < 0 || y >= e.LineCount() || x >= e.LineDisplayLength(y))
        return false;
    const int i = e.ColumnToCharIndex(x, y);
    const WideString &line = e.Lines().Get(y);
    return i < static_cast<int>(line.size()) && line[static_cast<size_t>(i)] != u'\t' &&
           e.CharIndexToColumn(i, y) != x;
}

// Whether a step typed a character that the editor keeps (a lone second half is dropped), and
// which: the first half of U+1F600 is typed with its second half.
inline bool TypedCharacter(const Step &s, WideString &typed)
{
    if (s.Op != ecChar || s.Ch == u'\t' || (s.Ch >= 0xDC00 && s.Ch < 0xE000))
        return false;
    typed = s.Ch == 0xD83D ? WideString(u"\xD83D\xDE00") : WideString(1, s.Ch);
    return true;
}

// Whether the typed text stands just before the caret, whatever its width.
inline bool TypedBeforeCaret(TSyntaxEditCore &e, const WideString &typed)
{
    if (e.CaretY() < 0 || e.CaretY() >= e.LineCount())
        return false;
    const WideString &line = e.Lines().Get(e.CaretY());
    const size_t k = static_cast<size_t>(e.ColumnToCharIndex(e.CaretX(), e.CaretY()));
    return k >= typed.size() && k <= line.size() && line.compare(k - typed.size(), typed.size(), typed) == 0;
}

struct Outcome {
    bool Exact = true; // texts restored exactly, pairs whole, the caret never inside a character
    bool TextExact = true; // texts restored exactly, pairs whole
    bool CaretOutside = true; // the caret never inside a character, and after each typed one
    std::string Report;
};

// Plays steps[0..n) on two fresh editors holding text and otherText; then undoes all of each
// editor's history, redoes all of it and undoes it again.
inline Outcome Play(const WideString &text, const WideString &otherText, TSyntaxEditOptions options,
                    const std::vector<Step> &steps, size_t n, bool trace = false)
{
    TSyntaxEditCore e, o;
    Start(e, text, options);
    Start(o, otherText, options);
    const std::string original[2] = {Text(e), Text(o)};
    std::string head[2] = {original[0], original[1]};
    // Edits never split a pair: checked where the texts start without lone halves (with them,
    // an edit may join or part halves that were apart).
    const bool startWhole = !HasLoneSurrogate(e) && !HasLoneSurrogate(o);
    bool pairsWhole = true;
    std::string caretInside;
    TSyntaxEditCore *eds[2] = {&e, &o};
    // Copying and pasting the whole text doubles it: a script stops growing it past a size
    // where each step would only take longer, not test more.
    auto size = [](const TSyntaxEditCore &ed) {
        size_t chars = 0;
        for (int y = 0; y < ed.LineCount(); ++y)
            chars += ed.Lines().Get(y).size() + 2;
        return chars;
    };
    for (size_t k = 0; k < n && size(e) + size(o) < 20000; ++k) {
        WideString typed;
        const bool typing = TypedCharacter(steps[k], typed);
        const std::string before = typing ? Text(e) : std::string();
        Apply(e, o, steps[k]);
        // A character typed (and kept) stands before the caret, in insert and in overwrite mode.
        if (typing && caretInside.empty() && Text(e) != before && !TypedBeforeCaret(e, typed))
            caretInside = "editor: the caret (" + std::to_string(e.CaretX()) + "," + std::to_string(e.CaretY()) +
                          ") does not stand after the character typed in step " + std::to_string(k + 1) + "\n";
        for (int i = 0; i < 2; ++i)
            if (!eds[i]->CanRedo())
                head[i] = Text(*eds[i]);
        pairsWhole = pairsWhole && (!startWhole || (!HasLoneSurrogate(e) && !HasLoneSurrogate(o)));
        for (int i = 0; i < 2; ++i)
            if (caretInside.empty() && CaretInsideCharacter(*eds[i]))
                caretInside = std::string(i ? "other" : "editor") + ": the caret (" +
                              std::to_string(eds[i]->CaretX()) + "," + std::to_string(eds[i]->CaretY()) +
                              ") stands inside a character after step " + std::to_string(k + 1) + "\n";
        if (trace)
            std::printf("  %-24s [%s] caret (%d,%d) sel (%d,%d)-(%d,%d) other [%s]\n", Name(steps[k]).c_str(),
                        Text(e).c_str(), e.CaretX(), e.CaretY(), e.BlockBegin().X, e.BlockBegin().Y, e.BlockEnd().X,
                        e.BlockEnd().Y, Text(o).c_str());
    }
    if (trace)
        for (int r = 0; r < e.UndoList().Count(); ++r) {
            const TUndoRecord &u = e.UndoList().Item(r);
            std::printf("  rec %d kind %d%s%s%s before [%s] after [%s] cb (%d,%d) bb (%d,%d) be (%d,%d) ca (%d,%d) "
                        "ba (%d,%d) bea (%d,%d) at (%d,%d) edit (%d,%d) last (%d,%d)\n",
                        r, u.Kind,
                        u.Blanks == bcTrimmed  ? " trim"
                        : u.Blanks == bcPadded ? " pad"
                                               : "",
                        u.Joined ? " joined" : "", u.JoinedNext ? " joined-next" : "", U8(u.BeforeText).c_str(),
                        U8(u.AfterText).c_str(), u.CaretBefore.X, u.CaretBefore.Y, u.BlockBeginBefore.X,
                        u.BlockBeginBefore.Y, u.BlockEndBefore.X, u.BlockEndBefore.Y, u.CaretAfter.X, u.CaretAfter.Y,
                        u.BlockBeginAfter.X, u.BlockBeginAfter.Y, u.BlockEndAfter.X, u.BlockEndAfter.Y, u.BlanksAt.X,
                        u.BlanksAt.Y, u.EditAt.X, u.EditAt.Y, u.EditAtLast.X, u.EditAtLast.Y);
        }
    Outcome out;
    for (int i = 0; i < 2; ++i) {
        TSyntaxEditCore &ed = *eds[i];
        const std::string edited = Text(ed);
        while (ed.CanUndo()) {
            ed.Undo();
            if (trace)
                std::printf("  undo -> [%s] caret (%d,%d)\n", Text(ed).c_str(), ed.CaretX(), ed.CaretY());
        }
        const std::string undone = Text(ed);
        while (ed.CanRedo())
            ed.Redo();
        const std::string redone = Text(ed);
        while (ed.CanUndo())
            ed.Undo();
        const std::string again = Text(ed);
        const bool exact = undone == original[i] && redone == head[i] && again == original[i];
        out.TextExact = out.TextExact && exact;
        if (!exact)
            out.Report += std::string(i ? "other" : "editor") + ": original [" + original[i] + "] edited [" + edited +
                          "] undone [" + undone + "] head [" + head[i] + "] redone [" + redone + "] undone again [" +
                          again + "]\n";
    }
    if (!pairsWhole) {
        out.TextExact = false;
        out.Report += "a surrogate pair was split\n";
    }
    if (!caretInside.empty()) {
        out.CaretOutside = false;
        out.Report += caretInside;
    }
    out.Exact = out.TextExact && out.CaretOutside;
    return out;
}

// Shortens a failing script for its report: cuts it after the first failing step, drops runs
// of steps and then single steps, then characters of either text, as long as it still fails.
inline void Minimise(WideString &text, WideString &otherText, TSyntaxEditOptions options, std::vector<Step> &steps)
{
    // A script that misplaces text keeps doing so; one that only leaves the caret inside a
    // character keeps doing that.
    const bool textFault = [&] {
        const Outcome out = Play(text, otherText, options, steps, steps.size());
        return !out.TextExact;
    }();
    auto fails = [&](const WideString &t, const WideString &u, const std::vector<Step> &s) {
        const Outcome out = Play(t, u, options, s, s.size());
        return textFault ? !out.TextExact : !out.CaretOutside;
    };
    size_t n = 1;
    while (n < steps.size() && !fails(text, otherText, {steps.begin(), steps.begin() + static_cast<long>(n)}))
        ++n;
    steps.resize(n);
    for (size_t run = steps.size() / 2; run >= 1; run /= 2)
        for (size_t i = 0; i + run <= steps.size();) {
            std::vector<Step> shorter = steps;
            shorter.erase(shorter.begin() + static_cast<long>(i), shorter.begin() + static_cast<long>(i + run));
            if (fails(text, otherText, shorter))
                steps = shorter;
            else
                ++i;
        }
    for (WideString *t : {&text, &otherText})
        for (size_t i = 0; i < t->size();) {
            // A line break goes whole.
            const size_t len = t->compare(i, 2, u"\r\n") == 0 ? 2 : 1;
            WideString shorter = *t;
            shorter.erase(i, len);
            if (fails(t == &text ? shorter : text, t == &text ? otherText : shorter, steps))
                *t = shorter;
            else
                i += len;
        }
}

// A script as a row for the replay test's table of known scripts (name, text, options, steps,
// other text); the name is left to whoever adds the row.
inline std::string Row(const WideString &text, const WideString &otherText, TSyntaxEditOptions options,
                       const std::vector<Step> &steps)
{
    static const char *ops[] = {"opComment",  "opUncomment", "opReplaceAll",    "opSelText",   "opDropMove",
                                "opDropCopy", "opDropFromOther", "opOtherSelect", "opMoveCaret", "opSelectTo",
                                "opSetBlock", "opJump",      "opUndo",          "opRedo"};
    auto literal = [](const WideString &w) {
        std::string out = "u\"";
        char buf[8];
        bool afterEscape = false;
        for (WideChar c : w) {
            const bool plain = c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\';
            // A hexadecimal escape runs on over hexadecimal digits: the literal is parted there.
            if (afterEscape && plain && std::isxdigit(static_cast<int>(c)))
                out += "\" u\"";
            afterEscape = false;
            if (c == u'\r' || c == u'\n' || c == u'\t') {
                out += c == u'\r' ? "\\r" : c == u'\n' ? "\\n" : "\\t";
            } else if (plain) {
                out += static_cast<char>(c);
            } else {
                std::snprintf(buf, sizeof buf, "\\x%04X", static_cast<unsigned>(c));
                out += buf;
                afterEscape = true;
            }
        }
        return out + "\"";
    };
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%x", static_cast<unsigned>(options));
    std::string row = "{\"?\", " + literal(text) + ", " + buf + ", {";
    for (size_t k = 0; k < steps.size(); ++k) {
        const Step &s = steps[k];
        row += k ? ", {" : "{";
        row += s.Op >= opFirst ? std::string("ES::") + ops[s.Op - opFirst] : EditorCommandToText(s.Op);
        if (s.Op == ecChar) {
            std::snprintf(buf, sizeof buf, ", 0x%04X", static_cast<unsigned>(s.Ch));
            row += buf;
        } else if (s.Op >= opFirst && s.Op != opUndo && s.Op != opRedo) {
            row += ", 0, " + std::to_string(s.X) + ", " + std::to_string(s.Y) + ", " + std::to_string(s.N);
        } else if (s.Op == opUndo || s.Op == opRedo) {
            row += s.N % 2 ? ", 0, 0, 0, 1" : "";
        }
        row += "}";
    }
    return row + "}, " + literal(otherText) + "}";
}

// Reads a script from bytes (for the fuzz target): 5 bytes a step.
inline std::vector<Step> Decode(const uint8_t *data, size_t size)
{
    std::vector<Step> steps;
    for (size_t i = 0; i + 5 <= size && steps.size() < 200; i += 5) {
        Step s;
        const uint8_t kind = data[i];
        if (kind < 160)
            s.Op = Commands[kind % std::size(Commands)];
        else
            s.Op = opFirst + (kind - 160) % (opLast - opFirst);
        s.Ch = Chars[data[i + 1] % (std::size(Chars) - 1)];
        s.X = data[i + 2] % 20;
        s.Y = data[i + 3] % 8;
        s.N = data[i + 4];
        steps.push_back(s);
    }
    return steps;
}

} // namespace EditScript
