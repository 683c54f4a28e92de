// Files through the editor: what was read is written back in the same form, and characters the
// file's code page cannot hold are never lost without asking.
#include "EditorTestUtil.h"
#include "platform/Prompter.h"
#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

std::string ReadAll(const QString &path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const QString &path, const std::string &bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

TEST(EditorFiles, TypingSavesInTheFormTheFileWasRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char *what;
        std::string before, after; // after typing "中" at the start of the first line
        int prompts;
    } cases[] = {
        {"utf-8 with lf", "caf\xC3\xA9\nx\n",
         "\xE4\xB8\xAD"
         "caf\xC3\xA9\nx\n",
         0},
        {"utf-8 with mark and crlf",
         "\xEF\xBB\xBF"
         "a\r\nb",
         "\xEF\xBB\xBF\xE4\xB8\xAD"
         "a\r\nb",
         0},
        {"utf-16 big-endian", std::string("\xFE\xFF\0a\0\n", 6), std::string("\xFE\xFF\x4E\x2D\0a\0\n", 8), 0},
        {"windows-1252 asks, yes saves utf-8", "caf\xE9\r\n",
         "\xE4\xB8\xAD"
         "caf\xC3\xA9\r\n",
         1},
    };
    TScriptedPrompter prompter;
    IPrompter *old = SetPrompter(&prompter);
    for (const Case &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.what));
        WriteAll(path, c.before);
        TSyntaxEditCore e;
        ASSERT_TRUE(e.LoadFromFile(path.toStdU16String(), 0)) << c.what;
        EXPECT_TRUE(e.SaveToFile(path.toStdU16String()));
        EXPECT_EQ(ReadAll(path), c.before) << c.what << ": saved unchanged";
        e.RunEditorCommand(ecChar, u'\u4E2D', nullptr);
        prompter.Clear();
        prompter.Answer(mrYes);
        e.SaveToFile(path.toStdU16String());
        EXPECT_EQ(ReadAll(path), c.after) << c.what;
        EXPECT_EQ(static_cast<int>(prompter.Asked().size()), c.prompts) << c.what;
    }
    // Cancel writes nothing.
    const QString path = dir.filePath(QStringLiteral("cancel.txt"));
    WriteAll(path, "caf\xE9\r\n");
    TSyntaxEditCore e;
    ASSERT_TRUE(e.LoadFromFile(path.toStdU16String(), 0));
    e.RunEditorCommand(ecChar, u'\u4E2D', nullptr);
    prompter.Clear();
    prompter.Answer(mrCancel);
    e.SaveToFile(path.toStdU16String());
    EXPECT_EQ(ReadAll(path), "caf\xE9\r\n");
    EXPECT_TRUE(e.GetModified());
    SetPrompter(old);
}

// A loaded file's lines lose their trailing blanks and control characters, as typed lines do,
// unless the editor keeps them; a line shortened so still ends in a zero, as every line does.
TEST(EditorFiles, LoadingDropsTrailingBlanksUnlessKept)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("blanks.txt"));
    WriteAll(path, "a  \r\n\tb\t \x0B\r\n  \r\n\r\nc \xC3\xA9\xE3\x80\x80\r\nd");
    struct Case {
        bool keep;
        std::vector<std::string> lines;
    } cases[] = {
        {false, {"a", "\tb", "", "", "c \xC3\xA9", "d"}},
        {true, {"a  ", "\tb\t \x0B", "  ", "", "c \xC3\xA9\xE3\x80\x80", "d"}},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        e.SetOptions(c.keep ? e.Options() | eoKeepTrailingBlanks : e.Options() & ~eoKeepTrailingBlanks);
        ASSERT_TRUE(e.LoadFromFile(path.toStdU16String(), 0));
        std::vector<std::string> lines;
        for (int i = 0; i < e.LineCount(); ++i) {
            const TWideLine line = e.Lines().Get(i);
            EXPECT_EQ(line.c_str()[line.size()], 0) << i;
            lines.push_back(U8(line));
        }
        EXPECT_EQ(lines, c.lines) << c.keep;
    }
}

// A file's lines are edited in place: typing, splitting and joining lines, deleting lines and
// replacing a block over lines; undoing all of it saves the file byte for byte, and redoing it
// gives the edited text again.
TEST(EditorFiles, EditsOfALoadedFileUndoToTheBytesRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string before;
    for (int i = 0; i < 2000; ++i)
        before += "line " + std::to_string(i) + (i % 7 == 0 ? std::string(300, 'x') : std::string("\tend")) + "\r\n";
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    WriteAll(path, before);
    TSyntaxEditCore e;
    e.SetOptions(e.Options() | eoKeepTrailingBlanks);
    ASSERT_TRUE(e.LoadFromFile(path.toStdU16String(), 0));
    ASSERT_EQ(e.LineCount(), 2000);

    e.SetCaretXY({2, 10});
    e.RunEditorCommand(ecChar, u'Q', nullptr);
    e.RunCommand(ecLineBreak);
    e.SetCaretXY({0, 500});
    e.RunCommand(ecDeleteLine);
    e.SetCaretXY({0, 1500});
    e.RunCommand(ecDeleteLastChar); // joins line 1500 to the one above
    e.SetBlockExact({3, 700}, {5, 1200});
    e.SetSelText(W("one\r\ntwo"));
    e.SetCaretXY({4, 0});
    e.RunEditorCommand(ecChar, u'\u4E2D', nullptr);
    const std::string edited = Joined(e);
    EXPECT_EQ(e.LineCount(), 2000 + 1 - 1 - 1 - 500 + 1);
    EXPECT_EQ(U8(e.Lines().Get(10)), "liQ");
    EXPECT_EQ(U8(e.Lines().Get(11)), "ne 10\tend");

    while (e.CanUndo())
        e.Undo();
    while (e.CanRedo())
        e.Redo();
    EXPECT_TRUE(Joined(e) == edited); // the text is too long to print
    while (e.CanUndo())
        e.Undo();
    TScriptedPrompter prompter;
    IPrompter *old = SetPrompter(&prompter);
    EXPECT_TRUE(e.SaveToFile(path.toStdU16String()));
    EXPECT_TRUE(ReadAll(path) == before);
    EXPECT_TRUE(prompter.Asked().empty());
    SetPrompter(old);
}

} // namespace
