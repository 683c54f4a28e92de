// The command processor: (state, command, argument) -> (text, caret, selection, undo record,
// change event), for every command number, the selecting twins and user commands.
#include "EditorTestUtil.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

using Act = std::function<void(TSyntaxEditCore &)>;

struct CommandCase {
    std::string name;
    std::string lines;
    Act pre; // state set-up after filling (may be null)
    TEditorCommand command;
    WideChar ch;
    std::string text; // lines afterwards
    TTextPoint caret; // caret afterwards
    std::string selection; // "" none, else "(x,y)-(x,y)" as block begin - block end
    int undoKind; // kind of the record added, 0 none
    bool changed; // OnChange fired
    Act check = nullptr; // further checks
};

Act Caret(int x, int y)
{
    return [=](TSyntaxEditCore &e) {
        e.SetCaretXY({x, y});
        e.SetBlockBegin(e.GetCaretXY());
    };
}
Act Select(int x1, int y1, int x2, int y2)
{
    return [=](TSyntaxEditCore &e) {
        e.SetCaretXY({x2, y2});
        e.SetBlockBegin({x1, y1});
        e.SetBlockEnd({x2, y2});
    };
}
Act With(TSyntaxEditOptions add, TSyntaxEditOptions remove, Act then)
{
    return [=](TSyntaxEditCore &e) {
        e.SetOptions((e.Options() | add) & ~remove);
        if (then)
            then(e);
    };
}
Act Then(Act a, Act b)
{
    return [=](TSyntaxEditCore &e) {
        a(e);
        b(e);
    };
}
Act Top(int line)
{
    return [=](TSyntaxEditCore &e) { e.SetTopLine(line); };
}

std::string Lines(int n, const std::string &line = "x")
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (i ? "|" : "") + line;
    return s;
}

TEST(EditorCommands, ProcessorTable)
{
    const std::string w200(200, 'w');
    const std::string hundred = Lines(100);
    const TSyntaxEditOptions SPE = eoScrollPastEOL, INS = eoInserting;
    std::vector<CommandCase> cases = {
        // caret moves
        {"left to the end of the previous line", "abc|def", With(0, SPE, Caret(0, 1)), ecLeft, 0, "abc|def", {3, 0}, "", 8, false},
        {"left at column 0 in virtual space mode", "abc|def", Caret(0, 1), ecLeft, 0, "abc|def", {0, 1}, "", 0, false},
        {"select left", "abc", Caret(2, 0), ecSelectLeft, 0, "abc", {1, 0}, "(2,0)-(1,0)", 8, false},
        {"right to the next line", "abc|def", With(0, SPE, Caret(3, 0)), ecRight, 0, "abc|def", {0, 1}, "", 8, false},
        {"right at the end of the last line", "abc|def", With(0, SPE, Caret(3, 1)), ecRight, 0, "abc|def", {3, 1}, "", 0, false},
        {"right steps over a tab without cursor-through-tabs", "\tx", With(0, eoCursorThroughTabs, Caret(0, 0)), ecRight, 0,
         "\tx", {8, 0}, "", 8, false},
        {"select right", "abc", Caret(1, 0), ecSelectRight, 0, "abc", {2, 0}, "(1,0)-(2,0)", 8, false},
        {"down keeps the wanted column", "abcdefgh|ab|abcdefgh", With(0, SPE, Then(Caret(7, 0), [](TSyntaxEditCore &e) { e.RunCommand(ecDown); })),
         ecDown, 0, "abcdefgh|ab|abcdefgh", {7, 2}, "", 8, false},
        {"up", "abc|def", Caret(2, 1), ecUp, 0, "abc|def", {2, 0}, "", 8, false},
        {"select up anchors at the wanted column of the line left", "0123456789|0123456789",
         Then(Caret(8, 1), [](TSyntaxEditCore &e) { e.SetCaretX(5); }), ecSelectUp, 0, "0123456789|0123456789", {8, 0},
         "(8,1)-(8,0)", 8, false},
        {"select down", "abc|def", Caret(1, 0), ecSelectDown, 0, "abc|def", {1, 1}, "(1,0)-(1,1)", 8, false},
        {"word right", "foo bar", Caret(0, 0), ecWordRight, 0, "foo bar", {4, 0}, "", 8, false},
        {"word left", "foo bar", Caret(6, 0), ecWordLeft, 0, "foo bar", {4, 0}, "", 8, false},
        {"select word right", "foo bar", Caret(0, 0), ecSelectWordRight, 0, "foo bar", {4, 0}, "(0,0)-(4,0)", 8, false},
        {"select word left", "foo bar", Caret(6, 0), ecSelectWordLeft, 0, "foo bar", {4, 0}, "(6,0)-(4,0)", 8, false},
        {"line start", "abc", Caret(2, 0), ecLineStart, 0, "abc", {0, 0}, "", 8, false},
        {"select line start", "abc", Caret(2, 0), ecSelectLineStart, 0, "abc", {0, 0}, "(2,0)-(0,0)", 8, false},
        {"line end drops trailing blanks", "ab  |x", [](TSyntaxEditCore &e) {
             e.SetOptions(e.Options() | eoKeepTrailingBlanks); e.Lines().Put(0, u"ab  ");
             e.SetOptions(e.Options() & ~eoKeepTrailingBlanks); }, ecLineEnd, 0, "ab|x", {2, 0}, "", 8, false},
        {"select line end", "abc", Caret(1, 0), ecSelectLineEnd, 0, "abc", {3, 0}, "(1,0)-(3,0)", 8, false},
        {"page down", hundred, Caret(0, 0), ecPageDown, 0, hundred, {0, 20}, "", 8, false,
         [](TSyntaxEditCore &e) { EXPECT_EQ(e.GetTopLine(), 21); }},
        {"select page down", hundred, Caret(0, 0), ecSelectPageDown, 0, hundred, {0, 20}, "(0,0)-(0,20)", 8, false},
        {"page up", hundred, Then(Top(41), Caret(0, 50)), ecPageUp, 0, hundred, {0, 30}, "", 8, false,
         [](TSyntaxEditCore &e) { EXPECT_EQ(e.GetTopLine(), 21); }},
        {"select page up", hundred, Then(Top(41), Caret(0, 50)), ecSelectPageUp, 0, hundred, {0, 30}, "(0,50)-(0,30)", 8, false},
        {"page left", w200, Caret(100, 0), ecPageLeft, 0, w200, {54, 0}, "", 8, false},
        {"page right", w200, Caret(0, 0), ecPageRight, 0, w200, {46, 0}, "", 8, false},
        {"select page right", w200, Caret(0, 0), ecSelectPageRight, 0, w200, {46, 0}, "(0,0)-(46,0)", 8, false},
        {"select page left", w200, Caret(100, 0), ecSelectPageLeft, 0, w200, {54, 0}, "(100,0)-(54,0)", 8, false},
        {"page top", hundred, Then(Top(11), Caret(0, 15)), ecPageTop, 0, hundred, {0, 10}, "", 8, false},
        {"select page top", hundred, Then(Top(11), Caret(0, 15)), ecSelectPageTop, 0, hundred, {0, 10}, "(0,15)-(0,10)", 8, false},
        {"page bottom", hundred, Then(Top(11), Caret(0, 15)), ecPageBottom, 0, hundred, {0, 29}, "", 8, false},
        {"select page bottom", hundred, Then(Top(11), Caret(0, 15)), ecSelectPageBottom, 0, hundred, {0, 29}, "(0,15)-(0,29)", 8, false},
        {"editor top", "ab|cd", Caret(2, 1), ecEditorTop, 0, "ab|cd", {0, 0}, "", 8, false},
        {"select editor top", "ab|cd", Caret(2, 1), ecSelectEditorTop, 0, "ab|cd", {0, 0}, "(2,1)-(0,0)", 8, false},
        {"editor bottom is the end of the last line", "a|b|\tcd", Caret(0, 0), ecEditorBottom, 0, "a|b|\tcd", {10, 2}, "", 8, false},
        {"select editor bottom", "a|bc", Caret(0, 0), ecSelectEditorBottom, 0, "a|bc", {2, 1}, "(0,0)-(2,1)", 8, false},
        {"goto without a position does nothing", "ab|cd", Caret(0, 0), ecGoto, 0, "ab|cd", {0, 0}, "", 0, false},
        {"select all", "ab|cd", Caret(1, 0), ecSelectAll, 0, "ab|cd", {2, 1}, "(0,0)-(2,1)", 8, false},
        // backspace
        {"backspace", "abc", Caret(2, 0), ecDeleteLastChar, 0, "ac", {1, 0}, "", 3, true},
        {"backspace at the very start", "abc", Caret(0, 0), ecDeleteLastChar, 0, "abc", {0, 0}, "", 0, true},
        {"backspace past the line end only steps back", "abc", Caret(6, 0), ecDeleteLastChar, 0, "abc", {5, 0}, "", 8, false},
        {"backspace joins lines", "ab|cd", Caret(0, 1), ecDeleteLastChar, 0, "abcd", {2, 0}, "", 3, true},
        {"backspace unindents", "  if|    x", Caret(4, 1), ecDeleteLastChar, 0, "  if|  x", {2, 1}, "", 3, true},
        {"backspace inside a leading tab", "\tx", Caret(3, 0), ecDeleteLastChar, 0, "x", {0, 0}, "", 3, true},
        {"backspace after a tab deletes the tab", "a\tx", With(0, eoAutoUnindent, Caret(8, 0)), ecDeleteLastChar, 0, "ax", {1, 0}, "", 3, true},
        {"backspace a selection", "abcd", Select(1, 0, 3, 0), ecDeleteLastChar, 0, "ad", {1, 0}, "", 3, true},
        // delete
        {"delete", "abc", Caret(1, 0), ecDeleteChar, 0, "ac", {1, 0}, "", 2, true},
        {"delete at the end joins the next line", "ab|cd", Caret(2, 0), ecDeleteChar, 0, "abcd", {2, 0}, "", 2, true},
        {"delete past the end pads before joining", "ab|cd", Caret(4, 0), ecDeleteChar, 0, "ab  cd", {4, 0}, "", 2, true},
        {"delete at the end of the last line", "ab", Caret(2, 0), ecDeleteChar, 0, "ab", {2, 0}, "", 0, true},
        {"delete a selection", "abcd", Select(3, 0, 1, 0), ecDeleteChar, 0, "ad", {1, 0}, "", 2, true},
        {"delete word", "foo bar", Caret(0, 0), ecDeleteWord, 0, "bar", {0, 0}, "", 2, true},
        {"delete word with nothing to delete", "foo", Caret(3, 0), ecDeleteWord, 0, "foo", {3, 0}, "", 0, false},
        {"delete last word", "foo bar", Caret(7, 0), ecDeleteLastWord, 0, "foo ", {4, 0}, "", 2, true},
        {"delete to line start", "abcdef", Caret(3, 0), ecDeleteBOL, 0, "def", {0, 0}, "", 2, true},
        {"delete to line end", "abcdef", Caret(3, 0), ecDeleteEOL, 0, "abc", {3, 0}, "", 2, true},
        {"delete to line end at the end", "abc", Caret(3, 0), ecDeleteEOL, 0, "abc", {3, 0}, "", 0, true},
        {"delete line", "a|b|c", Caret(1, 1), ecDeleteLine, 0, "a|c", {0, 1}, "", 4, true},
        {"delete the last line", "a|b", Caret(1, 1), ecDeleteLine, 0, "a", {0, 0}, "", 4, true},
        {"clear all", "a|b", Caret(1, 1), ecClearAll, 0, "", {0, 0}, "", 2, true},
        // line breaks
        {"line break indents", "  abc", Caret(4, 0), ecLineBreak, 0, "  ab|  c", {2, 1}, "", 1, true},
        {"line break without auto indent", "  abc", With(0, eoAutoIndent, Caret(4, 0)), ecLineBreak, 0, "  ab|c", {0, 1}, "", 1, true},
        {"line break in overwrite mode moves down", "a|b", With(0, INS, Caret(1, 0)), ecLineBreak, 0, "a|b", {0, 1}, "", 8, true},
        {"line break over a selection", "ab cd", Select(3, 0, 4, 0), ecLineBreak, 0, "ab|d", {0, 1}, "", 5, true},
        {"insert line keeps the caret", "abc", Caret(1, 0), ecInsertLine, 0, "a|bc", {1, 0}, "", 1, true},
        // typing
        {"type", "ac", Caret(1, 0), ecChar, u'b', "abc", {2, 0}, "", 1, true},
        {"control characters are ignored", "ac", Caret(1, 0), ecChar, 1, "ac", {1, 0}, "", 0, false},
        {"delete character is ignored", "ac", Caret(1, 0), ecChar, 127, "ac", {1, 0}, "", 0, false},
        {"read-only ignores typing", "ac", With(eoReadOnly, 0, Caret(1, 0)), ecChar, u'b', "ac", {1, 0}, "", 0, false},
        {"typing past the end pads", "ab", Caret(5, 0), ecChar, u'x', "ab   x", {6, 0}, "", 1, true},
        {"typing inside a tab", "\tab", Caret(3, 0), ecChar, u'x', "   x\tab", {4, 0}, "", 1, true},
        {"tab inserts TabSize blanks", "ab", With(0, eoSmartTabs, Caret(1, 0)), ecChar, u'\t', "a        b", {9, 0}, "", 1, true},
        {"tab character with use-tabs", "ab", With(eoUseTabs, eoSmartTabs, Caret(1, 0)), ecChar, u'\t', "a\tb", {8, 0}, "", 1, true},
        {"smart tab", "    foo bar|x", Caret(0, 1), ecChar, u'\t', "    foo bar|    x", {4, 1}, "", 1, true},
        {"overwrite", "abc", With(0, INS, Caret(1, 0)), ecChar, u'X', "aXc", {2, 0}, "", 9, true},
        {"overwrite at the end of a line of MaxRightChar appends", "abcde",
         With(0, INS, Then([](TSyntaxEditCore &e) { e.SetMaxRightChar(5); }, Caret(5, 0))), ecChar, u'X', "abcdeX", {6, 0}, "", 9, true},
        {"overwrite past MaxRightChar appends too", "abcdefg",
         With(0, INS, Then([](TSyntaxEditCore &e) { e.SetMaxRightChar(5); }, Caret(7, 0))), ecChar, u'X', "abcdefgX", {8, 0}, "", 9, true},
        {"overwrite tab moves to the tab stop", "ab", With(eoKeepTrailingBlanks, INS, Caret(1, 0)), ecChar, u'\t', "ab      ", {8, 0}, "", 8, false},
        {"typing over a selection", "abcd", Select(1, 0, 3, 0), ecChar, u'X', "aXd", {2, 0}, "", 5, true},
        {"smart tab with a selection keeps it", "    foo|x", Select(1, 1, 0, 1), ecChar, u'\t', "    foo|    x", {4, 1}, "(4,1)-(5,1)", 1, true},
        // clipboard and undo
        {"cut", "abcd", Select(1, 0, 3, 0), ecCut, 0, "ad", {1, 0}, "", 2, true,
         [](TSyntaxEditCore &e) { e.SetBlockBegin({0, 0}); e.SetBlockEnd({2, 0}); e.RunCommand(ecPaste); EXPECT_EQ(Joined(e), "bc"); }},
        {"cut without a selection", "abcd", Caret(1, 0), ecCut, 0, "abcd", {1, 0}, "", 0, false},
        {"copy", "abcd", Select(1, 0, 3, 0), ecCopy, 0, "abcd", {3, 0}, "(1,0)-(3,0)", 0, false,
         [](TSyntaxEditCore &e) { e.SetCaretXY({0, 0}); e.SetBlockBegin({0, 0}); e.RunCommand(ecPaste); EXPECT_EQ(Joined(e), "bcabcd"); }},
        {"paste", "ab", Then(Select(0, 0, 1, 0), Then([](TSyntaxEditCore &e) { e.RunCommand(ecCopy); }, Caret(2, 0))),
         ecPaste, 0, "aba", {3, 0}, "", 5, true},
        {"undo", "ab", Then(Caret(2, 0), [](TSyntaxEditCore &e) { e.RunEditorCommand(ecChar, u'x', nullptr); }), ecUndo, 0,
         "ab", {2, 0}, "", 0, false, [](TSyntaxEditCore &e) { EXPECT_TRUE(e.CanRedo()); }},
        {"redo", "ab", Then(Caret(2, 0), [](TSyntaxEditCore &e) { e.RunEditorCommand(ecChar, u'x', nullptr); e.Undo(); }),
         ecRedo, 0, "abx", {3, 0}, "", 0, false},
        // scrolling and modes
        {"scroll up keeps the caret on the page", hundred, Then(Top(11), Caret(0, 29)), ecScrollUp, 0, hundred, {0, 28}, "", 8, false,
         [](TSyntaxEditCore &e) { EXPECT_EQ(e.GetTopLine(), 10); }},
        {"scroll down keeps the caret on the page", hundred, Caret(0, 0), ecScrollDown, 0, hundred, {0, 1}, "", 8, false,
         [](TSyntaxEditCore &e) { EXPECT_EQ(e.GetTopLine(), 2); }},
        {"scroll left", w200, Caret(0, 0), ecScrollLeft, 0, w200, {1, 0}, "", 8, false,
         [](TSyntaxEditCore &e) { EXPECT_EQ(e.LeftOffset(), -8); }},
        {"scroll right", w200, Then(Caret(55, 0), [](TSyntaxEditCore &e) { e.SetLeftOffset(-80); }), ecScrollRight, 0, w200,
         {54, 0}, "", 8, false, [](TSyntaxEditCore &e) { EXPECT_EQ(e.LeftOffset(), -72); }},
        {"insert mode", "a", With(0, INS, nullptr), ecInsertMode, 0, "a", {0, 0}, "", 0, false,
         [](TSyntaxEditCore &e) { EXPECT_TRUE(e.HasOption(eoInserting)); }},
        {"overwrite mode", "a", nullptr, ecOverwriteMode, 0, "a", {0, 0}, "", 0, false,
         [](TSyntaxEditCore &e) { EXPECT_FALSE(e.HasOption(eoInserting)); }},
        {"toggle mode", "a", nullptr, ecToggleMode, 0, "a", {0, 0}, "", 0, false,
         [](TSyntaxEditCore &e) { EXPECT_FALSE(e.HasOption(eoInserting)); e.RunCommand(ecToggleMode); EXPECT_TRUE(e.HasOption(eoInserting)); }},
        {"block indent", "ab|cd", Select(0, 0, 0, 1), ecBlockIndent, 0, "  ab|cd", {0, 1}, "(2,0)-(0,1)", 10, true},
        {"block unindent", "   ab|cd", Select(0, 0, 1, 1), ecBlockUnindent, 0, " ab|cd", {1, 1}, "(1,0)-(1,1)", 10, true},
        {"block indent read-only", "ab", With(eoReadOnly, 0, Select(0, 0, 1, 0)), ecBlockIndent, 0, "ab", {1, 0}, "(0,0)-(1,0)", 0, false},
        {"delete command is only for handlers", "ab", Caret(1, 0), ecDelete, 0, "ab", {1, 0}, "", 0, false},
        // bookmarks
        {"goto marker", "a|b|cd", Then(Caret(0, 0), [](TSyntaxEditCore &e) { e.SetBookmark(3, 1, 2); }), ecGotoMarker0 + 3, 0,
         "a|b|cd", {1, 2}, "", 0, false},
        {"goto an unset marker stays", "a|b|cd", Caret(1, 1), ecGotoMarker9, 0, "a|b|cd", {1, 1}, "", 0, false},
        {"toggle marker sets it at the caret", "a|bc", Caret(1, 1), ecToggleMarker0 + 3, 0, "a|bc", {1, 1}, "", 0, false,
         [](TSyntaxEditCore &e) { EXPECT_TRUE(e.Bookmark(3).IsSet); EXPECT_EQ(e.Bookmark(3).Y, 1); }},
        {"toggle marker on its line removes it", "a|bc", Then(Caret(1, 1), [](TSyntaxEditCore &e) { e.SetBookmark(3, 0, 1); }),
         ecToggleMarker0 + 3, 0, "a|bc", {1, 1}, "", 0, false, [](TSyntaxEditCore &e) { EXPECT_FALSE(e.Bookmark(3).IsSet); }},
        {"toggle marker elsewhere moves it", "a|bc", Then(Caret(1, 1), [](TSyntaxEditCore &e) { e.SetBookmark(3, 0, 0); }),
         ecToggleMarker0 + 3, 0, "a|bc", {1, 1}, "", 0, false, [](TSyntaxEditCore &e) { EXPECT_EQ(e.Bookmark(3).Y, 1); }},
        {"markers off", "a|bc", Then(Caret(1, 1), [](TSyntaxEditCore &e) { e.BookMarkOptions().SetEnableKeys(false); }),
         ecToggleMarker0, 0, "a|bc", {1, 1}, "", 0, false, [](TSyntaxEditCore &e) { EXPECT_FALSE(e.Bookmark(0).IsSet); }},
        // numbers without a command
        {"command 0", "ab", Caret(1, 0), ecNone, 0, "ab", {1, 0}, "", 0, false},
        {"command 500", "ab", Caret(1, 0), 500, 0, "ab", {1, 0}, "", 0, false},
        {"user command", "ab", Caret(1, 0), ecUserFirst + 4, u'q', "ab", {1, 0}, "", 0, false},
    };
    for (const CommandCase &c : cases) {
        TSyntaxEditCore e;
        Fill(e, c.lines);
        e.SetFontMetrics(8, 16);
        e.Resize(400, 320);
        e.ClearUndo();
        if (c.pre)
            c.pre(e);
        int changes = 0, settings = 0;
        e.OnChange = [&](TSyntaxEditCore &) { ++changes; };
        e.OnSettingChange = [&](TSyntaxEditCore &) { ++settings; };
        int userCommand = 0;
        e.OnProcessUserCommand = [&](TEditorCommand &cmd, WideChar &, void *) { userCommand = cmd; };
        e.RunEditorCommand(c.command, c.ch, nullptr);
        EXPECT_EQ(Joined(e), c.text) << c.name;
        EXPECT_EQ(Pt(e.GetCaretXY()), Pt(c.caret)) << c.name;
        const std::string sel = e.SelAvail() ? Pt(e.BlockBegin()) + "-" + Pt(e.BlockEnd()) : "";
        EXPECT_EQ(sel, c.selection) << c.name;
        const int kind = e.CanUndo() ? e.PeekUndoKind() : 0;
        if (c.command != ecUndo && c.command != ecRedo) {
            EXPECT_EQ(kind, c.undoKind) << c.name;
        }
        EXPECT_EQ(changes > 0, c.changed) << c.name;
        if (c.command >= ecInsertMode && c.command <= ecToggleMode) {
            EXPECT_EQ(settings, 1) << c.name;
        }
        if (c.command > 1000) {
            EXPECT_EQ(userCommand, c.command) << c.name;
        }
        if (c.check)
            c.check(e);
    }
}

TEST(EditorCommands, EveryTextCommandUndoesAndRedoesExactly)
{
    // Each command on a small document, then undo (the text is back) and redo (as after).
    struct Case {
        std::string lines;
        Act pre;
        TEditorCommand command;
        WideChar ch;
    } cases[] = {
        {"abc|def", Caret(2, 0), ecDeleteLastChar, 0},
        {"abc|def", Caret(0, 1), ecDeleteLastChar, 0},
        {"  if|    x", Caret(4, 1), ecDeleteLastChar, 0},
        {"ab|cd", Caret(4, 0), ecDeleteChar, 0},
        {"abc|def", Select(1, 0, 2, 1), ecDeleteChar, 0},
        {"foo bar|x", Caret(0, 0), ecDeleteWord, 0},
        {"foo bar|x", Caret(7, 0), ecDeleteLastWord, 0},
        {"abcdef", Caret(3, 0), ecDeleteBOL, 0},
        {"abcdef", Caret(3, 0), ecDeleteEOL, 0},
        {"a|b|c", Caret(1, 1), ecDeleteLine, 0},
        {"a|b|c", Caret(1, 2), ecDeleteLine, 0},
        {"only", Caret(1, 0), ecDeleteLine, 0},
        {"a\tb|c", Caret(1, 1), ecClearAll, 0},
        {"  abc|x", Caret(4, 0), ecLineBreak, 0},
        {"ab  cd", Select(4, 0, 5, 0), ecLineBreak, 0},
        {"abc", Caret(1, 0), ecInsertLine, 0},
        {"ac", Caret(1, 0), ecChar, u'b'},
        {"\tab", Caret(3, 0), ecChar, u'x'},
        {"ab", Caret(5, 0), ecChar, u'x'},
        {"abc", With(0, eoInserting, Caret(1, 0)), ecChar, u'X'},
        {"a\tc", With(0, eoInserting, Caret(1, 0)), ecChar, u'X'},
        {"abc", With(0, eoInserting, Caret(3, 0)), ecChar, u'X'},
        {"abcd|ef", Select(1, 0, 1, 1), ecChar, u'X'},
        {"    foo|x", Select(0, 1, 1, 1), ecChar, u'\t'},
        {"abcd", Select(1, 0, 3, 0), ecCut, 0},
        {"ab|\tcd|ef", Select(1, 0, 1, 2), ecBlockIndent, 0},
        {"   ab|\tcd|ef", Select(0, 0, 0, 2), ecBlockUnindent, 0},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        e.SetOptions(e.Options() & ~eoGroupUndo);
        Fill(e, c.lines);
        e.Resize(400, 320);
        if (c.pre)
            c.pre(e);
        e.ClearUndo();
        const std::string before = Joined(e);
        e.RunEditorCommand(c.command, c.ch, nullptr);
        const std::string after = Joined(e);
        const TTextPoint caretAfter = e.GetCaretXY();
        const AnsiString name = EditorCommandToText(c.command) + " on " + c.lines;
        ASSERT_TRUE(e.CanUndo()) << name;
        while (e.CanUndo())
            e.Undo();
        EXPECT_EQ(Joined(e), before) << name;
        while (e.CanRedo())
            e.Redo();
        EXPECT_EQ(Joined(e), after) << name;
        EXPECT_EQ(Pt(e.GetCaretXY()), Pt(caretAfter)) << name;
        EXPECT_FALSE(e.GetModified() && before == after) << name;
    }
}

TEST(EditorCommands, ProcessCommandHandlerMayChangeTheCommand)
{
    TSyntaxEditCore e;
    Fill(e, "abc");
    e.SetCaretXY({1, 0});
    e.OnProcessCommand = [](TEditorCommand &cmd, WideChar &ch, void *) {
        if (cmd == ecLeft)
            cmd = ecRight;
        if (cmd == ecChar)
            ch = u'Z';
    };
    e.RunCommand(ecLeft);
    EXPECT_EQ(e.CaretX(), 2);
    e.RunEditorCommand(ecChar, u'q', nullptr);
    EXPECT_EQ(Joined(e), "abZc");
    TTextPoint target{0, 0};
    e.RunEditorCommand(ecSelectGoto, 0, &target);
    EXPECT_EQ(Pt(e.BlockBegin()), "(3,0)");
    EXPECT_EQ(Pt(e.BlockEnd()), "(0,0)");
}

TEST(EditorCommands, KeysDispatchAndSwallowTheCharacter)
{
    TSyntaxEditCore e;
    Fill(e, "ab");
    e.SetCaretXY({2, 0});
    // An unbound key: the character it produces is typed.
    EXPECT_FALSE(e.KeyDown(VK_F1 + 4, 0));
    e.KeyPress(u'c');
    e.KeyUp();
    EXPECT_EQ(Joined(e), "abc");
    // Ctrl+Z undoes and the character that follows is swallowed.
    EXPECT_TRUE(e.KeyDown('Z', ssCtrl));
    e.KeyPress(u'z');
    e.KeyUp();
    EXPECT_EQ(Joined(e), "ab");
    EXPECT_TRUE(e.KeyDown('Z', ssCtrl | ssShift));
    e.KeyUp();
    EXPECT_EQ(Joined(e), "abc");
    // Input-method text is typed: it replaces the selection and can be undone.
    e.SetBlockBegin({0, 0});
    e.SetBlockEnd({3, 0});
    e.InsertImeText(u"\u65e5\u672c");
    EXPECT_EQ(e.Lines().Get(0), u"\u65e5\u672c");
    e.Undo();
    EXPECT_EQ(Joined(e), "abc");
    // Keys rolled over: the next letter goes down while Enter is still held; it is typed.
    e.SetCaretXY({3, 0});
    e.SetBlockBegin(e.GetCaretXY());
    EXPECT_TRUE(e.KeyDown(VK_RETURN, 0));
    EXPECT_FALSE(e.KeyDown('D', 0));
    e.KeyPress(u'd');
    e.KeyUp();
    e.KeyUp();
    EXPECT_EQ(Joined(e), "abc|d");
}

TEST(EditorCommands, WheelScrollsLinesOrPages)
{
    TSyntaxEditCore e;
    Fill(e, Lines(200));
    e.SetFontMetrics(8, 16);
    e.Resize(400, 320);
    e.WheelScroll(-120, false, 3);
    EXPECT_EQ(e.GetTopLine(), 4);
    e.WheelScroll(-240, true, 3);
    EXPECT_EQ(e.GetTopLine(), 44);
    e.WheelScroll(120, false, 3);
    EXPECT_EQ(e.GetTopLine(), 41);
}

} // namespace
