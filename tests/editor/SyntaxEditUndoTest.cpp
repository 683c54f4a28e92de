// Undo and redo scripts over the editor model: grouping, limits, the saved state, and the
// replay of every kind of record back to the exact text.
#include "EditorTestUtil.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

// A script step: an edit (SetSelText at a position), an undo, a redo, a save.
struct UndoStep {
    char op; // 'i' insert text at (x, y), 'u' undo, 'r' redo, 's' save, 'd' delete range
    int x = 0, y = 0, x2 = 0, y2 = 0;
    std::string text;
};

UndoStep Ins(int x, int y, std::string t)
{
    return {'i', x, y, 0, 0, std::move(t)};
}
UndoStep Del(int x, int y, int x2, int y2)
{
    return {'d', x, y, x2, y2, {}};
}
UndoStep U()
{
    return {'u', 0, 0, 0, 0, {}};
}
UndoStep R()
{
    return {'r', 0, 0, 0, 0, {}};
}
UndoStep Save()
{
    return {'s', 0, 0, 0, 0, {}};
}

void RunSteps(TSyntaxEditCore &e, const std::vector<UndoStep> &steps)
{
    for (const UndoStep &s : steps) {
        switch (s.op) {
        case 'i':
            e.SetCaretXY({s.x, s.y});
            e.SetBlockBegin(e.GetCaretXY());
            e.SetSelText(W(s.text));
            break;
        case 'd':
            e.SetCaretXY({s.x2, s.y2});
            e.SetBlockBegin({s.x, s.y});
            e.SetBlockEnd({s.x2, s.y2});
            e.SetSelText(WideString());
            break;
        case 'u': e.Undo(); break;
        case 'r': e.Redo(); break;
        case 's': e.SetModified(false); break;
        }
    }
}

TEST(EditorUndo, Scripts)
{
    struct Case {
        std::string name;
        std::string lines;
        int maxUndo;
        bool group;
        std::vector<UndoStep> steps;
        std::string text;
        bool modified, canUndo, canRedo;
    } cases[] = {
        {"grouped typing undone at once",
         "",
         10,
         true,
         {Ins(0, 0, "h"), Ins(1, 0, "e"), Ins(2, 0, "l"), Ins(3, 0, "l"), Ins(4, 0, "o"), U()},
         "",
         false,
         false,
         true},
        {"ungrouped typing one per undo",
         "",
         10,
         false,
         {Ins(0, 0, "h"), Ins(1, 0, "e"), Ins(2, 0, "l"), Ins(3, 0, "l"), Ins(4, 0, "o"), U()},
         "hell",
         true,
         true,
         true},
        {"redo after undo", "ab", 10, false, {Ins(1, 0, "X\r\nY"), U(), R()}, "aX|Yb", true, true, false},
        {"deleting lines and undoing it",
         "l0|l1|l2|l3",
         10,
         false,
         {Del(1, 0, 1, 2), U()},
         "l0|l1|l2|l3",
         false,
         false,
         true},
        {"deleting lines, undo, redo",
         "l0|l1|l2|l3",
         10,
         false,
         {Del(1, 0, 1, 2), U(), R()},
         "l2|l3",
         true,
         true,
         false},
        {"MaxUndo 3 keeps the last three",
         "",
         3,
         false,
         {Ins(0, 0, "a"), Ins(1, 0, "b"), Ins(2, 0, "c"), Ins(3, 0, "d"), U(), U(), U(), U()},
         "a",
         true,
         false,
         true},
        {"a new edit drops the redo records",
         "",
         10,
         false,
         {Ins(0, 0, "a"), Ins(1, 0, "b"), Ins(2, 0, "c"), U(), U(), Ins(1, 0, "z")},
         "az",
         true,
         true,
         false},
        {"a full list with redo records keeps the next undo",
         "",
         3,
         false,
         {Ins(0, 0, "a"), Ins(1, 0, "b"), Ins(2, 0, "c"), U(), Ins(2, 0, "d"), U(), U()},
         "a",
         true,
         false,
         true},
        {"undo back to the save",
         "x",
         10,
         false,
         {Ins(1, 0, "a"), Save(), Ins(2, 0, "b"), U()},
         "xa",
         false,
         true,
         true},
        {"undo past the save is modified again",
         "x",
         10,
         false,
         {Ins(1, 0, "a"), Save(), Ins(2, 0, "b"), U(), U()},
         "x",
         true,
         false,
         true},
        {"redo back to the save",
         "x",
         10,
         false,
         {Ins(1, 0, "a"), Save(), Ins(2, 0, "b"), U(), U(), R()},
         "xa",
         false,
         true,
         true},
        {"a save lost off the old end stays modified",
         "",
         2,
         false,
         {Save(), Ins(0, 0, "a"), Ins(1, 0, "b"), Ins(2, 0, "c"), U(), U()},
         "a",
         true,
         false,
         true},
        {"MaxUndo 0 records nothing", "", 0, false, {Ins(0, 0, "a"), U()}, "a", true, false, false},
        {"tabs and several lines",
         "\tab|cd",
         10,
         false,
         {Del(9, 0, 1, 1), Ins(9, 0, "\t1\r\n2\r\n"), U(), U()},
         "\tab|cd",
         false,
         false,
         true},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        e.SetOptions((c.group ? e.Options() | eoGroupUndo : e.Options() & ~eoGroupUndo) | eoScrollPastEOL);
        Fill(e, c.lines);
        e.SetMaxUndo(c.maxUndo);
        RunSteps(e, c.steps);
        EXPECT_EQ(Joined(e), c.text) << c.name;
        EXPECT_EQ(e.GetModified(), c.modified) << c.name;
        EXPECT_EQ(e.CanUndo(), c.canUndo) << c.name;
        EXPECT_EQ(e.CanRedo(), c.canRedo) << c.name;
    }
}

TEST(EditorUndo, RecordsAndReplayRestoreCaretAndSelection)
{
    TSyntaxEditCore e;
    Fill(e, "one two|three");
    e.SetBlockBegin({4, 0});
    e.SetBlockEnd({3, 1});
    e.SetCaretXY({3, 1});
    e.SetSelText(W("X"));
    ASSERT_EQ(Joined(e), "one Xee");
    ASSERT_EQ(e.UndoList().Count(), 1);
    const TUndoRecord &r = e.UndoList().Item(0);
    EXPECT_EQ(r.Kind, ukReplace);
    EXPECT_EQ(U8(r.BeforeText), "two\r\nthr");
    EXPECT_EQ(U8(r.AfterText), "X");
    EXPECT_EQ(Pt(r.CaretBefore), "(3,1)");
    EXPECT_EQ(Pt(r.BlockBeginAfter), "(4,0)");
    EXPECT_EQ(Pt(r.BlockEndAfter), "(5,0)");
    EXPECT_EQ(e.PeekUndoKind(), ukReplace);

    e.Undo();
    EXPECT_EQ(Joined(e), "one two|three");
    EXPECT_EQ(Pt(e.GetCaretXY()), "(3,1)");
    EXPECT_EQ(Pt(e.BlockBegin()), "(4,0)");
    EXPECT_EQ(Pt(e.BlockEnd()), "(3,1)");
    EXPECT_EQ(e.PeekRedoKind(), ukReplace);
    e.Redo();
    EXPECT_EQ(Joined(e), "one Xee");
    EXPECT_EQ(Pt(e.GetCaretXY()), "(5,0)");
    EXPECT_FALSE(e.SelAvail());
}

TEST(EditorUndo, CaretMovesAndSelectAllAreRecorded)
{
    TSyntaxEditCore e;
    Fill(e, "abc|def");
    e.MoveCaretTo({2, 1});
    e.MoveCaretTo({2, 1}); // no move, no record
    e.SelectTo({0, 0});
    e.SelectAll();
    ASSERT_EQ(e.UndoList().Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(e.UndoList().Item(i).Kind, ukCaret);
    EXPECT_EQ(U8(e.GetSelText()), "abc\r\ndef");
    e.SetOptions(e.Options() & ~eoGroupUndo);
    e.Undo();
    EXPECT_EQ(Pt(e.BlockBegin()), "(2,1)");
    EXPECT_EQ(Pt(e.BlockEnd()), "(0,0)");
    e.Undo();
    e.Undo();
    EXPECT_EQ(Pt(e.GetCaretXY()), "(0,0)");
    EXPECT_FALSE(e.GetModified());
}

TEST(EditorUndo, LoadAndSaveClearTheHistory)
{
    TSyntaxEditCore e;
    Fill(e, "abc");
    e.SetCaretXY({3, 0});
    e.SetSelText(W("d"));
    TMemoryStream out;
    e.Lines().SaveToStream(out);
    EXPECT_FALSE(e.GetModified());
    EXPECT_FALSE(e.CanUndo()); // eoUndoAfterSave is off
    e.SetOptions(e.Options() | eoUndoAfterSave);
    e.SetSelText(W("e"));
    e.Lines().SaveToStream(out);
    EXPECT_TRUE(e.CanUndo());
    e.Undo();
    EXPECT_TRUE(e.GetModified()); // the text differs from what was saved

    TMemoryStream in;
    const char bytes[] = "x\r\ny";
    in.WriteBuffer(bytes, 4);
    in.SetPosition(0);
    e.Lines().LoadFromStream(in);
    EXPECT_EQ(Joined(e), "x|y");
    EXPECT_FALSE(e.CanUndo());
    EXPECT_EQ(Pt(e.GetCaretXY()), "(0,0)");
}

} // namespace
