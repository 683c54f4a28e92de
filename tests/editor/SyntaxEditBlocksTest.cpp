// Block indent and unindent, line comments, and files loaded and saved through the editor.
#include "EditorTestUtil.h"
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <fstream>
#include <functional>

namespace {

TEST(EditorBlocks, IndentAndUnindentByDisplayColumns)
{
    struct Case {
        std::string name;
        std::string lines;
        TTextPoint begin, end;
        bool indent;
        int indentSize;
        std::string text;
        std::string selection;
    } cases[] = {
        {"a block ending at column 0 stops above",
         "a|b|c|d|e|f",
         {0, 0},
         {0, 5},
         true,
         2,
         "  a|  b|  c|  d|  e|f",
         "(2,0)-(0,5)"},
        {"tabs become the blanks they showed", "  \tx|y", {0, 0}, {9, 0}, true, 2, "          x|y", "(10,0)-(11,0)"},
        {"one blank with an indent of two", " x|y", {0, 0}, {2, 0}, false, 2, "x|y", "(0,0)-(1,0)"},
        {"a tab unindents to six blanks", "\tx|y", {0, 0}, {9, 0}, false, 2, "      x|y", "(6,0)-(7,0)"},
        {"other white space is text and stays",
         "\xC2\xA0x|  y",
         {0, 0},
         {3, 1},
         false,
         2,
         "\xC2\xA0x|y",
         "(0,0)-(1,1)"},
        {"the selection may run backwards", "ab|cd", {2, 1}, {1, 0}, true, 4, "    ab|    cd", "(6,1)-(5,0)"},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        e.SetOptions(e.Options() | eoKeepTrailingBlanks);
        Fill(e, c.lines);
        e.SetIndentSize(c.indentSize);
        e.SetCaretXY(c.end);
        e.SetBlockBegin(c.begin);
        e.SetBlockEnd(c.end);
        if (c.indent)
            e.BlockIndent();
        else
            e.BlockUnindent();
        EXPECT_EQ(Joined(e), c.text) << c.name;
        EXPECT_EQ(Pt(e.BlockBegin()) + "-" + Pt(e.BlockEnd()), c.selection) << c.name;
        ASSERT_TRUE(e.CanUndo()) << c.name;
        EXPECT_EQ(e.PeekUndoKind(), ukIndent);
        e.Undo();
        EXPECT_EQ(Joined(e), c.lines) << c.name;
        EXPECT_EQ(Pt(e.BlockBegin()), Pt(c.begin)) << c.name;
        e.Redo();
        EXPECT_EQ(Joined(e), c.text) << c.name;
    }
}

TEST(EditorBlocks, CommentAndUncommentLines)
{
    struct Case {
        std::string name;
        std::string lines;
        TTextPoint begin, end;
        bool comment;
        std::string text;
        bool recorded;
    } cases[] = {
        {"comment a block", "a|b|c", {0, 0}, {0, 2}, true, "//a|//b|c", true},
        {"comment the caret line without a selection", "a|b", {0, 1}, {0, 1}, true, "a|//b", true},
        {"uncomment", "  //a|b//c|//d|\t// e", {0, 0}, {4, 3}, false, "  a|b//c|d|\t e", true},
        {"nothing to uncomment adds no record", "a|b//c", {0, 0}, {2, 1}, false, "a|b//c", false},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        e.SetOptions(e.Options() | eoKeepTrailingBlanks);
        Fill(e, c.lines);
        e.SetCaretXY(c.end);
        e.SetBlockBegin(c.begin);
        e.SetBlockEnd(c.end);
        if (c.comment)
            e.CommentSelectedLines();
        else
            e.UncommentSelectedLines();
        EXPECT_EQ(Joined(e), c.text) << c.name;
        EXPECT_EQ(e.CanUndo(), c.recorded) << c.name;
        if (c.recorded) {
            EXPECT_EQ(e.PeekUndoKind(), ukComment);
            e.Undo();
            EXPECT_EQ(Joined(e), c.lines) << c.name;
            e.Redo();
            EXPECT_EQ(Joined(e), c.text) << c.name;
        }
    }
}

TEST(EditorBlocks, ClipboardKeepsUnicodeText)
{
    TSyntaxEditCore e;
    Fill(e, "\xCE\xB1\xCE\xB2\xCE\xB3 \xE2\x82\xAC|x");
    e.SelectAll();
    e.CutToClipboard();
    EXPECT_EQ(Joined(e), "");
    e.PasteFromClipboard();
    EXPECT_EQ(Joined(e), "\xCE\xB1\xCE\xB2\xCE\xB3 \xE2\x82\xAC|x");
    e.Undo();
    e.Redo();
    EXPECT_EQ(Joined(e), "\xCE\xB1\xCE\xB2\xCE\xB3 \xE2\x82\xAC|x");
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(EditorFiles, LoadAndSaveHoldTheFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = QDir(dir.path()).filePath("page.htm").toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        out << "<p>\r\nhello\r\n";
    }
    const WideString name = W(path);
    TSyntaxEditCore a;
    EXPECT_TRUE(a.LoadFromFile(name, fmShareDenyWrite));
    EXPECT_EQ(Joined(a), "<p>|hello");
    EXPECT_TRUE(a.FileHeld());
    EXPECT_EQ(a.FileName(), name);
    EXPECT_FALSE(a.GetModified());

    // A second holder gets the text, without holding the file: read-only for the caller.
    TSyntaxEditCore b;
    EXPECT_FALSE(b.LoadFromFile(name, fmShareDenyWrite));
    EXPECT_EQ(Joined(b), "<p>|hello");
    EXPECT_FALSE(b.FileHeld());
    EXPECT_EQ(b.FileName(), name);

    // Saving keeps the file held.
    a.SetCaretXY({5, 1});
    a.SetSelText(W(" world"));
    EXPECT_TRUE(a.GetModified());
    EXPECT_TRUE(a.SaveToFile(name));
    EXPECT_FALSE(a.GetModified());
    EXPECT_TRUE(a.FileHeld());
    EXPECT_EQ(ReadFile(path), "<p>\r\nhello world\r\n");
    TSyntaxEditCore c;
    EXPECT_FALSE(c.LoadFromFile(name, fmShareDenyWrite));
    EXPECT_EQ(Joined(c), "<p>|hello world");

    // Loaded with deny-none nothing is held, and a save does not take the file.
    TSyntaxEditCore d;
    EXPECT_TRUE(d.LoadFromFile(name, fmShareDenyNone));
    EXPECT_FALSE(d.FileHeld());
    const std::string other = QDir(dir.path()).filePath("copy.htm").toStdString();
    EXPECT_TRUE(d.SaveToFile(W(other)));
    EXPECT_FALSE(d.FileHeld());
    EXPECT_EQ(d.FileName(), W(other));
    EXPECT_EQ(ReadFile(other), "<p>\r\nhello world\r\n");

    // A missing file loads nothing and keeps the name.
    TSyntaxEditCore m;
    EXPECT_FALSE(m.LoadFromFile(W(path + ".none"), fmShareDenyNone));
    EXPECT_TRUE(m.FileName().empty());
}

TEST(EditorFiles, ReleasedFileCanBeHeldByTheNext)
{
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath("a.js").toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        out << "x";
    }
    auto a = std::make_unique<TSyntaxEditCore>();
    EXPECT_TRUE(a->LoadFromFile(W(path), fmShareDenyWrite));
    a.reset();
    TSyntaxEditCore b;
    EXPECT_TRUE(b.LoadFromFile(W(path), fmShareDenyWrite));
    EXPECT_TRUE(b.FileHeld());
}

} // namespace
