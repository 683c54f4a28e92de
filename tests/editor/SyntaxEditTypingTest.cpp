// Typing characters one at a time, in insert and overwrite mode: every character, of one cell
// or two, a surrogate pair or a combining mark, stands after the one typed before it and leaves
// the caret after itself; undo and redo give back each text and caret.
#include "EditorTestUtil.h"
#include "editor/SyntaxEdit.h"
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A text typed one character at a time, and the cells it spans.
struct TypingText {
    const char *Name;
    const char *Utf8;
    int Characters; // characters as the column map counts them (a pair is one)
    int Cells;
};

const TypingText TypingTexts[] = {
    {"Latin", "abc", 3, 3},
    {"Hangul syllables", "\uD55C\uAE00", 2, 4},
    {"ideographs", "\u4E2D\u6587\u5B57", 3, 6},
    {"full-width forms", "\uFF21\uFF22", 2, 4},
    {"kana between Latin", "a\u3042b", 3, 4},
    {"wide astral pairs", "\U0001F600\U0001F680", 2, 4},
    {"narrow astral pairs", "\U0001D400\U0001D401", 2, 2},
    {"combining mark", "e\u0301x", 3, 3},
};

// Types each UTF-16 unit of the text as its own key press.
void TypeUnits(TSyntaxEditCore &e, const WideString &text)
{
    for (WideChar c : text) {
        e.KeyPress(c);
        e.KeyUp();
    }
}

TEST(EditorTyping, EachCharacterLeavesTheCaretAfterItself)
{
    struct Context {
        const char *Name;
        bool Overwrite;
        const char *Line; // "." stands for one character per typed character, to be overwritten
        int Caret;
        const char *Before, *After; // the line after typing is Before + typed + After
        int UndoneCaret; // caret when all is undone
    } contexts[] = {
        {"insert between", false, "<>", 1, "<", ">", 1},
        {"insert at the end", false, "<", 1, "<", "", 1},
        {"insert past the end", false, "<", 3, "<  ", "", 3},
        {"overwrite between", true, "<.>", 1, "<", ">", 1},
        {"overwrite at the end", true, "<", 1, "<", "", 1},
        // The first character went in with the blanks before it, at the line's end.
        {"overwrite past the end", true, "<", 3, "<  ", "", 1},
    };
    for (const Context &c : contexts)
        for (const TypingText &t : TypingTexts) {
            const std::string what = std::string(c.Name) + ", " + t.Name;
            TRecordingEditor e;
            e.SetOptions(c.Overwrite ? e.Options() & ~TSyntaxEditOptions(eoInserting) : e.Options() | eoInserting);
            std::string line = c.Line;
            if (const size_t dot = line.find('.'); dot != std::string::npos)
                line.replace(dot, 1, std::string(static_cast<size_t>(t.Characters), '.'));
            Fill(e, line);
            e.SetCaretXY({c.Caret, 0});
            TypeUnits(e, W(t.Utf8));
            const std::string typed = std::string(c.Before) + t.Utf8 + c.After;
            EXPECT_EQ(Joined(e), typed) << what;
            const int after = static_cast<int>(std::string(c.Before).size()) + t.Cells;
            EXPECT_EQ(Pt(e.GetCaretXY()), Pt({after, 0})) << what;
            EXPECT_FALSE(e.SelAvail()) << what;
            // Each character is one step of undo; all of them give the line back, and redo types it again.
            int steps = 0;
            while (e.CanUndo() && steps < 20) {
                e.Undo();
                ++steps;
            }
            EXPECT_EQ(Joined(e), line) << what;
            EXPECT_EQ(Pt(e.GetCaretXY()), Pt({c.UndoneCaret, 0})) << what;
            while (e.CanRedo())
                e.Redo();
            EXPECT_EQ(Joined(e), typed) << what;
            EXPECT_EQ(Pt(e.GetCaretXY()), Pt({after, 0})) << what;
        }
}

// A character typed over a selection replaces it and stands before the caret; overwriting a wide
// character or a pair takes it whole; typed inside a tab, it goes before the tab after blanks.
TEST(EditorTyping, OverSelectionsWideCharactersAndInsideTabs)
{
    struct Case {
        const char *Name;
        bool Overwrite;
        const char *Line;
        TTextPoint From, To; // selection (equal: none, the caret at From)
        const char *Typed;
        const char *Text;
        int Caret;
    } cases[] = {
        {"wide over a selection", false, "<xy>", {1, 0}, {3, 0}, "\uD55C", "<\uD55C>", 3},
        {"wide over a selection, overwrite mode", true, "<xy>", {1, 0}, {3, 0}, "\u4E2D", "<\u4E2D>", 3},
        {"pair over a selection", false, "<xy>", {1, 0}, {3, 0}, "\U0001F600", "<\U0001F600>", 3},
        {"narrow over a wide one", true, "<\u4E2D\u6587>", {1, 0}, {1, 0}, "ab", "<ab>", 3},
        {"wide over a wide one", true, "<\u4E2D\u6587>", {1, 0}, {1, 0}, "\uD55C\uAE00", "<\uD55C\uAE00>", 5},
        {"pair over a pair", true, "<\U0001F600\U0001F680>", {1, 0}, {1, 0}, "\U0001D400", "<\U0001D400\U0001F680>", 2},
        {"wide over a pair", true, "<\U0001D400.>", {1, 0}, {1, 0}, "\uFF21", "<\uFF21.>", 3},
        {"wide inside a tab", false, "\tx", {3, 0}, {3, 0}, "\u4E2D", "   \u4E2D\tx", 5},
        {"pair inside a tab", false, "\tx", {3, 0}, {3, 0}, "\U0001F600", "   \U0001F600\tx", 5},
    };
    for (const Case &c : cases) {
        TRecordingEditor e;
        e.SetOptions(c.Overwrite ? e.Options() & ~TSyntaxEditOptions(eoInserting) : e.Options() | eoInserting);
        Fill(e, c.Line);
        e.SetCaretXY(c.To);
        e.SetBlockBegin(c.From);
        e.SetBlockEnd(c.To);
        TypeUnits(e, W(c.Typed));
        EXPECT_EQ(Joined(e), c.Text) << c.Name;
        EXPECT_EQ(Pt(e.GetCaretXY()), Pt({c.Caret, 0})) << c.Name;
        while (e.CanUndo())
            e.Undo();
        EXPECT_EQ(Joined(e), c.Line) << c.Name;
    }
}

// The same texts typed into the editor window as a user does: by key presses carrying each
// character's text, sent to the focused widget, and by an input method committing one character at
// a time after showing its composition; in insert mode and, after the Insert key, in overwrite mode.
struct TypingWindow {
    std::unique_ptr<TSyntaxEdit> E = std::make_unique<TSyntaxEdit>();
    explicit TypingWindow(const std::string &line)
    {
        E->resize(480, 200);
        E->show();
        Fill(*E, line);
        E->setFocus();
        QApplication::processEvents();
    }
};

void SendTypingKey(int key, const QString &text = QString())
{
    QWidget *focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(focus, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(focus, &release);
}

// One key per character: its text, and the key code a keyboard layout gives it (the character's
// upper-case code point).
void TypeCharacterKeys(const QString &text)
{
    for (int i = 0; i < text.size();) {
        const int n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, n);
        SendTypingKey(static_cast<int>(character.toUpper().toUcs4().value(0)), character);
        i += n;
    }
}

void CommitEachCharacter(const QString &text)
{
    for (int i = 0; i < text.size();) {
        const int n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QInputMethodEvent composing(text.mid(i, n), {});
        QApplication::sendEvent(focus, &composing);
        QInputMethodEvent commit;
        commit.setCommitString(text.mid(i, n));
        QApplication::sendEvent(focus, &commit);
        i += n;
    }
}

TEST(EditorTyping, KeysAndInputMethodCommitsInTheWindow)
{
    for (const bool overwrite : {false, true})
        for (const bool byCommits : {false, true})
            for (const TypingText &t : TypingTexts) {
                const std::string what = std::string(overwrite ? "overwrite" : "insert") +
                                         (byCommits ? ", commits, " : ", keys, ") + t.Name;
                const std::string line =
                    "<" + (overwrite ? std::string(static_cast<size_t>(t.Characters), '.') : std::string()) + ">";
                TypingWindow w(line);
                ASSERT_EQ(QApplication::focusWidget(), w.E.get());
                if (overwrite)
                    SendTypingKey(Qt::Key_Insert);
                EXPECT_EQ(w.E->HasOption(eoInserting), !overwrite) << what;
                w.E->SetCaretXY({1, 0});
                const QString typed = QString::fromUtf8(t.Utf8);
                if (byCommits)
                    CommitEachCharacter(typed);
                else
                    TypeCharacterKeys(typed);
                EXPECT_EQ(Joined(*w.E), "<" + std::string(t.Utf8) + ">") << what;
                EXPECT_EQ(Pt(w.E->GetCaretXY()), Pt({1 + t.Cells, 0})) << what;
                // The caret is drawn where the arrow keys put it after the last character.
                QApplication::processEvents();
                const QRect drawn = w.E->CaretRect();
                SendTypingKey(Qt::Key_Home);
                for (int i = 0; i <= t.Characters; ++i)
                    SendTypingKey(Qt::Key_Right);
                QApplication::processEvents();
                EXPECT_EQ(Pt(w.E->GetCaretXY()), Pt({1 + t.Cells, 0})) << what;
                EXPECT_EQ(drawn, w.E->CaretRect()) << what;
            }
}

// A commit of several characters goes in at once, in its order, over the selection.
TEST(EditorTyping, ACommitOfSeveralCharactersKeepsItsOrder)
{
    TypingWindow w("<xy>");
    w.E->SetCaretXY({3, 0});
    w.E->SetBlockBegin({1, 0});
    w.E->SetBlockEnd({3, 0});
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("\u4E2D\u6587\U0001F600"));
    QApplication::sendEvent(QApplication::focusWidget(), &commit);
    EXPECT_EQ(Joined(*w.E), "<\u4E2D\u6587\U0001F600>");
    EXPECT_EQ(Pt(w.E->GetCaretXY()), "(7,0)");
    EXPECT_FALSE(w.E->SelAvail());
}

} // namespace
