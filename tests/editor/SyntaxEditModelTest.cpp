// The editor model without a display: column map, caret, selection, line edits, bookmarks.
#include "EditorTestUtil.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

// ---------------------------------------------------------------- column map

TEST(EditorColumnMap, ConversionsAndSteps)
{
    enum Op { DisplayLen, ColToIndex, IndexToCol, Next, NextStepOver, Prev };
    struct Case {
        const char *text;
        int tab;
        bool throughTabs;
        Op op;
        int arg;
        int expected;
    } cases[] = {
        {"\t", 8, false, DisplayLen, 0, 8},
        {"\t", 8, false, ColToIndex, 5, 0},
        {"\t", 8, false, Next, 0, 8},
        {"\t", 8, true, Next, 0, 1},
        {"\t", 8, true, NextStepOver, 0, 8},
        {"abc\td", 8, false, IndexToCol, 4, 8}, // a tab after three letters is 5 cells wide
        {"abc\td", 8, false, DisplayLen, 0, 9},
        {"abcdefghij", 8, false, ColToIndex, 12, 12},
        {"a\tb", 8, false, IndexToCol, 5, 11}, // past the end one column per index
        {"ab\tc", 4, false, ColToIndex, 3, 2},
        {"ab\tc", 4, false, Prev, 4, 2},
        {"ab\tc", 4, false, Prev, 3, 2},
        {"ab\tc", 4, true, Prev, 3, 2},
        {"ab\tc", 4, true, Prev, 4, 3},
        {"ab\tc", 4, false, Next, 2, 4},
        {"ab", 4, false, Prev, 5, 4},
        {"ab", 4, false, Prev, 0, 0},
        {"", 4, false, Next, 0, 1},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        e.SetOptions(e.Options() | eoKeepTrailingBlanks);
        Fill(e, c.text);
        e.SetTabSize(c.tab);
        e.SetOptions(c.throughTabs ? e.Options() | eoCursorThroughTabs : e.Options() & ~eoCursorThroughTabs);
        int got = -1;
        switch (c.op) {
        case DisplayLen: got = e.LineDisplayLength(0); break;
        case ColToIndex: got = e.ColumnToCharIndex(c.arg, 0); break;
        case IndexToCol: got = e.CharIndexToColumn(c.arg, 0); break;
        case Next: got = e.NextColumn(c.arg, 0, false); break;
        case NextStepOver: got = e.NextColumn(c.arg, 0, true); break;
        case Prev: got = e.PrevColumn(c.arg, 0); break;
        }
        EXPECT_EQ(got, c.expected) << "text '" << c.text << "' op " << c.op << " arg " << c.arg;
    }
}

TEST(EditorColumnMap, CacheFollowsLineInsertsAndDeletesAbove)
{
    TSyntaxEditCore e;
    Fill(e, "ab|\tc|xy");
    EXPECT_EQ(e.CharIndexToColumn(1, 1), 8); // builds the map of "\tc"
    e.Lines().Insert(1, W("pq")); // line 1 is now "pq"
    EXPECT_EQ(e.CharIndexToColumn(1, 1), 1);
    EXPECT_EQ(e.CharIndexToColumn(1, 2), 8);
    e.Lines().Delete(0); // "\tc" moves up to line 1
    EXPECT_EQ(e.CharIndexToColumn(1, 1), 8);
    e.Lines().Put(1, W("zz"));
    EXPECT_EQ(e.CharIndexToColumn(1, 1), 1);
    e.SetTabSize(4);
    e.Lines().Put(1, W("\tq"));
    EXPECT_EQ(e.CharIndexToColumn(1, 1), 4);
}

TEST(EditorColumnMap, SmartTabAndUnindentColumns)
{
    struct Case {
        const char *lines;
        bool unindent;
        int column, line;
        bool skipWord;
        int expected;
    } cases[] = {
        {"    foo bar|x", false, 0, 1, false, 4},    {"    foo bar|x", false, 4, 1, true, 8},
        {"    foo bar|x", false, 20, 1, true, 20}, // no line above reaches the column
        {"ab|    foo bar|x", false, 3, 2, false, 4}, // the nearest line long enough
        {"  if (x)|      y", true, 6, 1, false, 5},  {"  if (x)|      y", true, 3, 1, false, 2},
        {"  if (x)|      y", true, 2, 1, false, 0},  {"  if (x)|      y", true, 0, 1, false, 0},
        {"abc|     |    z", true, 4, 2, false, 0}, // blank line skipped, word runs to the line start
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        e.SetOptions(e.Options() | eoKeepTrailingBlanks);
        Fill(e, c.lines);
        const int got =
            c.unindent ? e.UnindentColumn(c.column, c.line) : e.SmartTabColumn(c.column, c.line, c.skipWord);
        EXPECT_EQ(got, c.expected) << c.lines << " col " << c.column;
    }
}

TEST(EditorWords, NextAndPreviousWordPositions)
{
    struct Case {
        const char *lines;
        TTextPoint caret;
        bool next;
        TTextPoint expected;
    } cases[] = {
        {"foo bar baz", {0, 0}, true, {4, 0}},
        {"foo bar baz", {5, 0}, true, {8, 0}},
        {"foo bar baz", {5, 0}, false, {4, 0}},
        {"foo bar baz", {4, 0}, false, {0, 0}},
        {"foo bar baz", {10, 0}, true, {10, 0}}, // last character, no next line
        {"a.b c", {0, 0}, true, {4, 0}}, // without a highlighter only blanks separate
        {"|  |x", {0, 0}, true, {0, 1}}, // next line of blanks only: its column 0
        {"|  |x", {0, 1}, true, {2, 1}}, // no word left on the line: its end
        {"abc|def", {0, 1}, false, {3, 0}},
        {"abc|   def", {3, 1}, false, {3, 0}}, // only blanks before the caret
        {"x\tfoo", {9, 0}, false, {8, 0}},
        // Characters above 255 count by their Unicode class, not by their low byte.
        {"a\xC4\xA0"
         "b c",
         {0, 0},
         true,
         {4, 0}}, // U+0120 is a letter (low byte is a blank)
        {"a\xE2\x81\xA1"
         "b",
         {0, 0},
         true,
         {2, 0}}, // U+2061 is a format character (low byte 'a')
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        e.SetOptions(e.Options() | eoKeepTrailingBlanks | eoScrollPastEOL);
        Fill(e, c.lines);
        e.SetCaretXY(c.caret);
        TTextPoint p;
        if (c.next)
            e.NextWordPos(p);
        else
            e.PrevWordPos(p);
        EXPECT_EQ(Pt(p), Pt(c.expected)) << c.lines << " from " << Pt(c.caret) << (c.next ? " next" : " prev");
    }
}

// ---------------------------------------------------------------- caret and selection

TEST(EditorCaret, ClampsAndWantedColumn)
{
    const std::string longLine(200, 'x');
    struct Case {
        std::string name;
        std::string lines;
        TSyntaxEditOptions add, remove;
        std::function<void(TSyntaxEditCore &)> act;
        TTextPoint caret;
        int wanted;
    } cases[] = {
        {"down onto a shorter line",
         "abcdef|ab|abcdefgh",
         0,
         eoScrollPastEOL,
         [](TSyntaxEditCore &e) {
             e.SetCaretX(5);
             e.SetCaretY(1);
         },
         {2, 1},
         5},
        {"negative column", "abc", 0, 0, [](TSyntaxEditCore &e) { e.SetCaretX(-3); }, {0, 0}, 0},
        {"past the end without virtual space",
         "abcdef",
         0,
         eoScrollPastEOL,
         [](TSyntaxEditCore &e) { e.SetCaretX(100); },
         {6, 0},
         6},
        {"control chars add one column",
         "abcdef",
         eoShowControlChars,
         eoScrollPastEOL,
         [](TSyntaxEditCore &e) { e.SetCaretX(100); },
         {7, 0},
         7},
        {"virtual space up to MaxRightChar",
         "abc",
         eoScrollPastEOL,
         0,
         [](TSyntaxEditCore &e) { e.SetCaretX(500); },
         {128, 0},
         128},
        {"a line longer than MaxRightChar is reachable",
         longLine,
         eoScrollPastEOL,
         0,
         [](TSyntaxEditCore &e) { e.SetCaretX(500); },
         {200, 0},
         200},
        {"line below the last", "a|b", 0, 0, [](TSyntaxEditCore &e) { e.SetCaretY(7); }, {0, 1}, 0},
        {"caret xy",
         "abc|defgh",
         0,
         eoScrollPastEOL,
         [](TSyntaxEditCore &e) {
             e.SetCaretXY({4, 1});
         },
         {4, 1},
         4},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        Fill(e, c.lines);
        e.SetOptions((e.Options() | c.add) & ~c.remove);
        c.act(e);
        EXPECT_EQ(Pt(e.GetCaretXY()), Pt(c.caret)) << c.name;
        EXPECT_EQ(e.WantedColumn(), c.wanted) << c.name;
    }
}

TEST(EditorCaret, TrailingBlanksGoWhenTheCaretLeavesALine)
{
    for (bool keep : {false, true}) {
        TSyntaxEditCore e;
        e.SetOptions(e.Options() | eoKeepTrailingBlanks);
        Fill(e, "ab  |cd\t|ef");
        if (!keep)
            e.SetOptions(e.Options() & ~eoKeepTrailingBlanks);
        e.SetCaretY(0); // staying on the line changes nothing
        EXPECT_EQ(Joined(e), "ab  |cd\t|ef");
        e.SetCaretY(1);
        e.SetCaretY(2);
        EXPECT_EQ(Joined(e), keep ? "ab  |cd\t|ef" : "ab|cd|ef") << "keep " << keep;
    }
}

TEST(EditorCaret, CaretChangeEventFiresOncePerCompoundMove)
{
    TSyntaxEditCore e;
    Fill(e, "abc|defgh|ij");
    int fired = 0;
    uint32_t lastX = 99, lastY = 99;
    e.OnCaretChange = [&](TSyntaxEditCore &, uint32_t x, uint32_t y) {
        ++fired;
        lastX = x;
        lastY = y;
    };
    e.SetCaretXY({4, 1});
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(lastX, 4u);
    EXPECT_EQ(lastY, 1u);
    e.BeginUpdate();
    e.SetCaretX(1);
    e.SetCaretY(2);
    EXPECT_EQ(fired, 1);
    e.EndUpdate();
    EXPECT_EQ(fired, 2);
}

TEST(EditorSelection, BlockBeginAndEndBounds)
{
    const std::string thirty(30, 'q');
    struct Case {
        std::string lines;
        bool begin;
        TTextPoint in, expected;
    } cases[] = {
        {"abc|de", true, {5, 2}, {5, 2}}, // the line just past the last is accepted
        {"abc|de", true, {50, 9}, {10, 2}}, // X up to MaxRightChar
        {"abc|de", false, {3, 9}, {3, 1}}, // the end stays on the last line
        {"abc|de", false, {-1, -1}, {0, 0}},
        {thirty + "|x", false, {25, 0}, {25, 0}}, // a line longer than MaxRightChar is selectable whole
        {thirty + "|x", false, {40, 0}, {30, 0}},
        {thirty + "|x", true, {40, 0}, {30, 0}},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        Fill(e, c.lines);
        e.SetMaxRightChar(10);
        if (c.begin)
            e.SetBlockBegin(c.in);
        else
            e.SetBlockEnd(c.in);
        EXPECT_EQ(Pt(c.begin ? e.BlockBegin() : e.BlockEnd()), Pt(c.expected)) << c.lines << " " << Pt(c.in);
    }
}

// ---------------------------------------------------------------- line edits

struct EditCase {
    std::string name;
    std::string lines;
    TTextPoint caret, blockBegin, blockEnd;
    std::vector<std::pair<int, int>> marks; // (index, line)
    std::function<void(TSyntaxEditCore &)> act;
    std::string text;
    TTextPoint caretAfter;
    std::vector<int> markLines; // lines of the marks afterwards, in order
    bool selectionAfter;
};

TEST(EditorEdits, InsertDeleteReplaceWithBookmarks)
{
    const std::string twenty(20, 'x');
    EditCase cases[] = {
        {"two pieces inside a line",
         "abc",
         {2, 0},
         {2, 0},
         {2, 0},
         {},
         [](TSyntaxEditCore &e) { e.InsertText(W("x\r\ny")); },
         "abx|yc",
         {1, 1},
         {},
         false},
        {"delete over several lines",
         "l0|l1xx|l2|l3yy|l4|l5",
         {1, 3},
         {2, 1},
         {1, 3},
         {{0, 5}, {1, 2}, {2, 1}},
         [](TSyntaxEditCore &e) { e.DeleteSelection(true); },
         "l0|l13yy|l4|l5",
         {2, 1},
         {3, 1, 1},
         true},
        {"lines longer than MaxRightChar are not cut",
         "ab",
         {1, 0},
         {1, 0},
         {1, 0},
         {{4, 0}},
         [&](TSyntaxEditCore &e) {
             e.SetMaxRightChar(10);
             e.InsertText(W("1\r\n" + twenty + "\r\n2"));
         },
         "a1|" + twenty + "|2b",
         {1, 2},
         {2},
         false},
        {"replace a selection",
         "hello world",
         {5, 0},
         {0, 0},
         {5, 0},
         {},
         [](TSyntaxEditCore &e) { e.ReplaceSelection(W("bye")); },
         "bye world",
         {3, 0},
         {},
         false},
        {"selected text at the caret over two lines",
         "ab",
         {1, 0},
         {1, 0},
         {1, 0},
         {{1, 0}},
         [](TSyntaxEditCore &e) { e.SetSelText(W("X\r\nY")); },
         "aX|Yb",
         {1, 1},
         {1},
         false},
        {"selection reaching past the last line keeps the text before it",
         "abc|def",
         {1, 1},
         {0, 2},
         {1, 1},
         {},
         [](TSyntaxEditCore &e) { e.DeleteSelection(true); },
         "abc|d",
         {1, 1},
         {},
         true},
        {"insert after a tab",
         "\tab",
         {8, 0},
         {8, 0},
         {8, 0},
         {},
         [](TSyntaxEditCore &e) { e.InsertText(W("X")); },
         "\tXab",
         {9, 0},
         {},
         false},
        {"insert with the caret inside a tab",
         "\tab",
         {3, 0},
         {3, 0},
         {3, 0},
         {},
         [](TSyntaxEditCore &e) { e.InsertText(W("Y")); },
         "Y\tab",
         {1, 0},
         {},
         false},
        {"insert past the line end pads",
         "ab",
         {5, 0},
         {5, 0},
         {5, 0},
         {},
         [](TSyntaxEditCore &e) { e.InsertText(W("Z")); },
         "ab   Z",
         {6, 0},
         {},
         false},
        {"trailing break yields an empty last piece",
         "ab|cd",
         {1, 0},
         {1, 0},
         {1, 0},
         {{0, 1}},
         [](TSyntaxEditCore &e) { e.InsertText(W("Q\r\n")); },
         "aQ|b|cd",
         {0, 1},
         {2},
         false},
        {"zero characters are text",
         "ab",
         {1, 0},
         {1, 0},
         {1, 0},
         {},
         [](TSyntaxEditCore &e) { e.InsertText(WideString(u"\u0000z", 2)); },
         std::string("a\0zb", 4),
         {3, 0},
         {},
         false},
        {"select all with tabs in the last line",
         "ab|\t\tx",
         {0, 0},
         {0, 0},
         {0, 0},
         {},
         [](TSyntaxEditCore &e) {
             e.SelectAll();
             e.SetSelText(WideString());
         },
         "",
         {0, 0},
         {},
         false},
    };
    for (const EditCase &c : cases) {
        TSyntaxEditCore e;
        e.SetOptions(e.Options() | eoScrollPastEOL | eoKeepTrailingBlanks);
        Fill(e, c.lines);
        for (auto [index, line] : c.marks)
            e.SetBookmark(index, 0, line);
        e.SetCaretXY(c.caret);
        e.SetBlockBegin(c.blockBegin);
        e.SetBlockEnd(c.blockEnd);
        c.act(e);
        EXPECT_EQ(Joined(e), c.text) << c.name;
        EXPECT_EQ(Pt(e.GetCaretXY()), Pt(c.caretAfter)) << c.name;
        for (size_t i = 0; i < c.markLines.size(); ++i)
            EXPECT_EQ(e.Bookmark(c.marks[i].first).Y, c.markLines[i]) << c.name << " bookmark " << c.marks[i].first;
        if (!c.selectionAfter) {
            EXPECT_FALSE(e.SelAvail()) << c.name;
        }
    }
}

TEST(EditorEdits, SelectedTextOverLinesAndTabs)
{
    struct Case {
        const char *lines;
        TTextPoint a, b;
        const char *expected;
    } cases[] = {
        {"abc|def|ghi", {1, 0}, {2, 2}, "bc\r\ndef\r\ngh"},
        {"abc|def|ghi", {2, 2}, {1, 0}, "bc\r\ndef\r\ngh"}, // either end may be the earlier
        {"a\tb|x", {1, 0}, {9, 0}, "\tb"}, // columns inside and after a tab
        {"abc|de", {1, 0}, {0, 1}, "bc\r\n"},
        {"abc|de", {2, 0}, {2, 0}, ""},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        Fill(e, c.lines);
        e.SetBlockBegin(c.a);
        e.SetBlockEnd(c.b);
        EXPECT_EQ(U8(e.GetSelText()), c.expected) << c.lines << Pt(c.a) << Pt(c.b);
    }
}

TEST(EditorBookmarks, SetClearVetoAndBounds)
{
    TSyntaxEditCore e;
    Fill(e, "a|b|c");
    e.SetBookmark(10, 0, 1); // no such bookmark
    e.SetBookmark(3, 0, 3); // past the last line
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(e.Bookmark(i).IsSet);
    e.SetBookmark(3, 1, 2);
    EXPECT_TRUE(e.Bookmark(3).IsSet);
    bool allow = false;
    e.OnBookmark = [&](TSyntaxEditCore &, int, int, int, bool &allowed) { allowed = allow; };
    e.ClearBookmark(3);
    EXPECT_TRUE(e.Bookmark(3).IsSet); // vetoed
    EXPECT_EQ(e.Bookmark(3).Y, 2);
    allow = true;
    e.ClearBookmark(3);
    EXPECT_FALSE(e.Bookmark(3).IsSet);
    EXPECT_EQ(e.Bookmark(3).Y, -1);
    e.SetBookmark(5, 1, 2);
    e.GotoBookmark(5);
    EXPECT_EQ(Pt(e.GetCaretXY()), "(1,2)");
}

// Showing or hiding the bookmark glyphs and moving them repaint the editor once per change; setting
// a value it already has, or the keys' switch (nothing to see), repaints nothing.
TEST(EditorBookmarks, OptionsRepaintWhenTheyChange)
{
    struct Case {
        const char *Name;
        std::function<void(TBookmarkOptions &)> Change;
        int Repaints;
    } cases[] = {
        {"glyphs hidden", [](TBookmarkOptions &o) { o.SetGlyphsVisible(false); }, 1},
        {"glyphs shown as they are", [](TBookmarkOptions &o) { o.SetGlyphsVisible(true); }, 0},
        {"glyphs moved", [](TBookmarkOptions &o) { o.SetLeftMargin(0); }, 1},
        {"glyphs left where they are", [](TBookmarkOptions &o) { o.SetLeftMargin(2); }, 0},
        {"hidden and shown again", [](TBookmarkOptions &o) { o.SetGlyphsVisible(false); o.SetGlyphsVisible(true); }, 2},
        {"keys switched off", [](TBookmarkOptions &o) { o.SetEnableKeys(false); }, 0},
    };
    for (const Case &c : cases) {
        TRecordingEditor e;
        Fill(e, "a|b");
        e.SetBookmark(1, 0, 1);
        const int before = e.Invalidates;
        c.Change(e.BookMarkOptions());
        EXPECT_EQ(e.Invalidates - before, c.Repaints) << c.Name;
    }
    TRecordingEditor e;
    e.BookMarkOptions().SetLeftMargin(5);
    e.BookMarkOptions().SetGlyphsVisible(false);
    EXPECT_EQ(e.BookMarkOptions().LeftMargin(), 5);
    EXPECT_FALSE(e.BookMarkOptions().GlyphsVisible());
}

TEST(EditorDefaults, FreshControlAndSetters)
{
    TSyntaxEditCore e;
    EXPECT_EQ(e.Options(), 0x19883Fu);
    EXPECT_EQ(e.TabSize(), 8);
    EXPECT_EQ(e.RightMargin(), 80);
    EXPECT_EQ(e.MaxRightChar(), 128);
    EXPECT_EQ(e.GutterWidth(), 30);
    EXPECT_EQ(e.MarkLine(), -1);
    EXPECT_EQ(e.MaxUndo(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(e.Bookmark(i).Y, -1);

    e.SetMaxUndo(-5);
    EXPECT_EQ(e.MaxUndo(), 10);
    e.SetMaxUndo(40000);
    EXPECT_EQ(e.MaxUndo(), 32767);
    e.SetGutterWidth(-1);
    EXPECT_EQ(e.GutterWidth(), 0);
    EXPECT_EQ(e.GutterRight(), -1);
    e.SetCharWidth(9);
    EXPECT_EQ(e.MaxRightChar(), 128);
    EXPECT_EQ(e.MaxRightPixels(), 1152);
    e.SetTabSize(0);
    EXPECT_EQ(e.TabSize(), 1);
    e.SetIndentSize(0);
    EXPECT_EQ(e.IndentSize(), 1);
    e.SetMarkLine(-7);
    EXPECT_EQ(e.MarkLine(), -1);
    // Cell sizes never reach zero, whatever the font or the extra spacing says.
    e.SetExtraLineSpacing(-40);
    e.SetFontMetrics(0, 12);
    EXPECT_EQ(e.CharWidth(), 1);
    EXPECT_EQ(e.LineHeight(), 1);
    e.SetCharWidth(-3);
    EXPECT_EQ(e.CharWidth(), 1);
    e.Resize(300, 200);
    EXPECT_EQ(e.VisibleLineCount(), 200);
}

TEST(EditorDefaults, UpdateBracketNests)
{
    TRecordingEditor e;
    Fill(e, "abc");
    int caretEvents = 0;
    e.OnCaretChange = [&](TSyntaxEditCore &, uint32_t, uint32_t) { ++caretEvents; };
    const int invalidates = e.Invalidates;
    e.BeginUpdate();
    e.BeginUpdate();
    e.SetCaretX(2);
    e.EndUpdate();
    EXPECT_EQ(e.RedrawOn, 0);
    EXPECT_EQ(caretEvents, 0);
    e.EndUpdate();
    EXPECT_EQ(e.RedrawOff, 1);
    EXPECT_EQ(e.RedrawOn, 1);
    EXPECT_EQ(caretEvents, 1);
    EXPECT_EQ(e.Invalidates, invalidates + 1);
    e.EndUpdate(); // at 0 already: refreshes once more
    EXPECT_EQ(caretEvents, 2);
    EXPECT_EQ(e.UpdateCount(), 0);
}

TEST(EditorDefaults, PutOfTheSameTextIsNoChange)
{
    TRecordingEditor e;
    Fill(e, "abc|def");
    const int before = e.RectInvalidates;
    e.Lines().Put(1, W("def"));
    EXPECT_FALSE(e.GetModified());
    EXPECT_EQ(e.RectInvalidates, before);
    e.Lines().Put(1, W("deg"));
    EXPECT_TRUE(e.GetModified());
    EXPECT_GT(e.RectInvalidates, before);
}

} // namespace

namespace {
TEST(EditorLineRuns, InsertAndDeleteRunsOfLines)
{
    TWideStringList list;
    int changes = 0;
    list.OnChange = [&](TWideStringList &) { ++changes; };
    list.Add(u"a");
    list.Add(u"d");
    changes = 0;
    list.InsertStrings(1, {u"b", u"c"});
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Get(2), u"c");
    EXPECT_THROW(list.InsertStrings(5, {u"x"}), EStringListError);
    EXPECT_THROW(list.DeleteRange(3, 2), EStringListError);
    EXPECT_EQ(list.Count(), 4);
    list.DeleteRange(0, 3);
    EXPECT_EQ(changes, 2);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Get(0), u"d");

    // The editor's list keeps the editor's longest line and caret in step.
    TSyntaxEditCore e;
    Fill(e, "ab|" + std::string(300, 'w') + "|cd");
    e.SetCaretXY({1, 2});
    EXPECT_EQ(e.ScrollColumns(), 301);
    e.Lines().DeleteRange(1, 2);
    EXPECT_EQ(e.ScrollColumns(), 129);
    EXPECT_EQ(e.CaretY(), 0);
    e.Lines().InsertStrings(1, {WideString(200, u'q'), u"z"});
    EXPECT_EQ(e.ScrollColumns(), 201);
}
} // namespace
