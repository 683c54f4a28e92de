// Find, replace and search again from the window with the find dialog's choices; the dialog's own
// rules; the highlighter choices; the editor-commands window.
#include "tests/shell/MainWindowSupport.h"

#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/KeyStrokes.h"
#include "editor/SyntaxEditorStrings.h"
#include "shell/EditorCmds.h"
#include "shell/FindDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

// A window with one tab holding Text; the find dialog answers with what Setup chose.
struct TSearchFixture : TWindowFixture {
    explicit TSearchFixture(const WideString &Text)
    {
        Window->FileNewActionExecute();
        Editor().Lines().SetTextStr(Text);
        Editor().SetCaretXY({0, 0});
        Window->RunFindDialog = [this](TSyntaxFindDialog &D) {
            Shown.push_back({D.FindText(), D.SearchRadioButton->isChecked(), D.SelectedRadioButton->isChecked()});
            return Setup ? Setup(D) : int(QDialog::Rejected);
        };
    }
    TSyntaxEdit &Editor() { return *Window->ActiveEditor(); }
    std::string Selected() { return Narrow(Editor().GetSelText()); }
    struct TShown {
        QString FindText;
        bool SearchOnly, Selected;
    };
    std::vector<TShown> Shown;
    std::function<int(TSyntaxFindDialog &)> Setup;
};

// Dialog choices: the find text and the controls a case turns on.
std::function<int(TSyntaxFindDialog &)> Choose(const QString &Find, std::initializer_list<const char *> On,
                                               int Result = QDialog::Accepted, const QString &Replace = QString())
{
    std::vector<std::string> on(On.begin(), On.end());
    return [=](TSyntaxFindDialog &D) {
        D.SetFindText(Find);
        D.NewTextComboBox->setEditText(Replace);
        for (QCheckBox *b : {D.CaseCheckBox, D.WholeWordCheckBox, D.RECheckBox, D.PromptCheckBox, D.CheckBoxReplaceAll})
            b->setChecked(false);
        D.ForwardRadioButton->setChecked(true);
        D.RadioButton5->setChecked(true);
        for (const std::string &n : on) {
            if (n == "case")
                D.CaseCheckBox->setChecked(true);
            if (n == "word")
                D.WholeWordCheckBox->setChecked(true);
            if (n == "re")
                D.RECheckBox->setChecked(true);
            if (n == "prompt")
                D.PromptCheckBox->setChecked(true);
            if (n == "all")
                D.CheckBoxReplaceAll->setChecked(true);
            if (n == "back")
                D.BackwardRadioButton->setChecked(true);
            if (n == "home")
                D.HomeRadioButton->setChecked(true);
            if (n == "global")
                D.GlobalRadioButton->setChecked(true);
        }
        return Result;
    };
}

} // namespace

TEST(SearchActions, FindWithTheDialogsChoices)
{
    struct Case {
        const char *Label;
        TTextPoint Caret;
        QString Find;
        std::initializer_list<const char *> On;
        const char *Selected; // empty: nothing found
        int Line;
    };
    const Case cases[] = {
        {"forward from the caret", {0, 0}, QStringLiteral("total"), {}, "total", 1},
        {"case sensitive skips Total", {0, 0}, QStringLiteral("Total"), {"case"}, "Total", 2},
        {"whole words (blank-delimited) skip totals", {0, 2}, QStringLiteral("total"), {"word", "case"}, "total", 3},
        {"backward: the last match before the caret", {0, 3}, QStringLiteral("total"), {"back"}, "total", 2},
        {"regular expression", {0, 0}, QStringLiteral("t[a-z]+s"), {"re"}, "totals", 2},
        {"from home", {0, 3}, QStringLiteral("var"), {"home"}, "var", 0},
        {"not found", {0, 0}, QStringLiteral("missing"), {}, "", -1},
    };
    for (const Case &c : cases) {
        TSearchFixture f(u"var a;\r\nvar total = 1;\r\nTotal totals\r\nx = total ok\r\n");
        f.Editor().SetCaretXY(c.Caret);
        f.Setup = Choose(c.Find, c.On);
        f.Window->SearchFindActionExecute(0);
        EXPECT_EQ(f.Selected(), c.Selected) << c.Label;
        if (c.Line >= 0) {
            EXPECT_EQ(f.Editor().CaretY(), c.Line) << c.Label;
            EXPECT_TRUE(f.PromptTexts().empty()) << c.Label;
        } else {
            ASSERT_EQ(f.PromptTexts().size(), 1u) << c.Label;
            EXPECT_EQ(f.PromptTexts()[0], "No further occurence of 'missing' found.");
        }
    }
}

TEST(SearchActions, ProposedTextScopeAndSearchAgain)
{
    TSearchFixture f(u"var total = 1;\r\nvar x = total + total;\r\n");
    // The caret inside a word proposes it; Find... opens with "Search only", Replace... with replace.
    f.Editor().SetCaretXY({6, 0});
    f.Window->SearchFindActionExecute(0);
    f.Editor().SetCaretXY({3, 0}); // on the blank after "var": "var" ends there, so it is proposed
    f.Window->SearchFindActionExecute(1);
    ASSERT_EQ(f.Shown.size(), 2u);
    EXPECT_EQ(f.Shown[0].FindText, QStringLiteral("total"));
    EXPECT_TRUE(f.Shown[0].SearchOnly);
    EXPECT_FALSE(f.Shown[0].Selected);
    EXPECT_EQ(f.Shown[1].FindText, QStringLiteral("var"));
    EXPECT_FALSE(f.Shown[1].SearchOnly);
    // A selection proposes itself and the selected scope.
    f.Editor().SetBlockBegin({0, 1});
    f.Editor().SetBlockEnd({7, 1});
    f.Window->SearchFindActionExecute(0);
    EXPECT_EQ(f.Shown[2].FindText, QStringLiteral("var x ="));
    EXPECT_TRUE(f.Shown[2].Selected);

    // After a find in the selected text, search again goes on through the whole text.
    f.Editor().SetBlockBegin({0, 1});
    f.Editor().SetBlockEnd({14, 1});
    f.Setup = [](TSyntaxFindDialog &D) {
        D.SetFindText(QStringLiteral("total"));
        return int(QDialog::Accepted);
    };
    f.Window->SearchFindActionExecute(0);
    EXPECT_EQ(f.Window->FindOptions() & 256, 256);
    EXPECT_EQ(f.Editor().GetCaretXY().Y, 1);
    const int firstX = f.Editor().CaretX();
    f.Window->SearchNextActionExecute();
    EXPECT_EQ(f.Selected(), "total");
    EXPECT_GT(f.Editor().CaretX(), firstX);
    EXPECT_EQ(f.Window->FindOptions() & 256, 256); // the stored word is kept
    f.Window->SearchNextActionExecute();
    EXPECT_EQ(f.PromptTexts().back(), "No further occurence of 'total' found.");

    // Search again with an empty find text opens the dialog.
    TSearchFixture g(u"abc\r\n");
    g.Window->SearchNextActionExecute();
    EXPECT_EQ(g.Shown.size(), 1u);
}

TEST(SearchActions, ReplaceWithScriptedAnswers)
{
    struct Case {
        const char *Label;
        std::vector<int> Answers;
        const char *Result;
    };
    const Case cases[] = {
        {"yes no yes", {mrYes, mrNo, mrYes}, "b a b"},
        {"cancel at the second", {mrYes, mrCancel}, "b a a"},
        {"yes to all", {mrNo, mrYesToAll}, "a b b"},
    };
    for (const Case &c : cases) {
        TSearchFixture f(u"a a a\r\n");
        for (int a : c.Answers)
            f.Prompts->Answer(a);
        f.Setup = Choose(QStringLiteral("a"), {"prompt", "all"}, QDialog::Accepted, QStringLiteral("b"));
        f.Setup = [inner = f.Setup](TSyntaxFindDialog &D) {
            D.ReplaceRadioButton->setChecked(true);
            return inner(D);
        };
        f.Window->SearchFindActionExecute(1);
        EXPECT_EQ(Narrow(f.Editor().LineText(0)), c.Result) << c.Label;
        ASSERT_FALSE(f.Prompts->Asked().empty());
        EXPECT_EQ(f.PromptTexts()[0], "Replace this occurrence of \"a\"") << c.Label;
        EXPECT_EQ(f.Prompts->Asked()[0].Buttons, mbYes | mbNo | mbCancel | mbYesToAll) << c.Label;
    }
    // "Replace all" replaces every match without asking, whatever the check box says.
    TSearchFixture f(u"a a a\r\n");
    f.Setup = Choose(QStringLiteral("a"), {}, TSyntaxFindDialog::ResultReplaceAll, QStringLiteral("c"));
    f.Window->SearchFindActionExecute(1);
    EXPECT_EQ(Narrow(f.Editor().LineText(0)), "c c c");
    EXPECT_TRUE(f.PromptTexts().empty());
}

TEST(FindDialog, OptionWordAndRules)
{
    struct Case {
        TFindChoices Choices;
        int Word;
    } cases[] = {
        {{}, 0},
        {{.Backward = true}, 1},
        {{.FromHome = true, .CaseSensitive = true}, 2 | 8},
        {{.IgnoreNonSpacing = true, .Prompt = true, .RegularExpression = true}, 4 | 16 | 32},
        {{.Replace = true}, 64},
        {{.Replace = true, .ReplaceAll = true}, 64 | 128},
        {{.ReplaceAll = true}, 0}, // replace all only together with replace
        {{.SelectedText = true, .SpaceCompression = true, .WholeWords = true}, 256 | 512 | 1024},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FindOptionWord(c.Choices), c.Word);

    TSyntaxFindDialog d;
    d.Activate();
    // With an empty find text neither OK nor "Replace all" is enabled, whatever the operation.
    for (QRadioButton *op : {d.SearchRadioButton, d.ReplaceRadioButton}) {
        op->click();
        EXPECT_FALSE(d.OKButton->isEnabled());
        EXPECT_FALSE(d.AllButton->isEnabled());
    }
    d.SetFindText(QStringLiteral("x"));
    EXPECT_TRUE(d.OKButton->isEnabled());
    EXPECT_TRUE(d.AllButton->isEnabled());
    EXPECT_TRUE(d.NewTextComboBox->isEnabled());
    d.SearchRadioButton->click();
    EXPECT_FALSE(d.AllButton->isEnabled());
    EXPECT_FALSE(d.PromptCheckBox->isEnabled());
    EXPECT_FALSE(d.NewTextComboBox->isEnabled());
    d.RECheckBox->click();
    for (QWidget *w : {static_cast<QWidget *>(d.CompressCheckBox), static_cast<QWidget *>(d.WholeWordCheckBox),
                       static_cast<QWidget *>(d.ForwardRadioButton), static_cast<QWidget *>(d.BackwardRadioButton)})
        EXPECT_FALSE(w->isEnabled());
    d.RECheckBox->click();
    EXPECT_TRUE(d.WholeWordCheckBox->isEnabled());
    EXPECT_TRUE(d.BackwardRadioButton->isEnabled());

    // The history keeps one entry per text (without regard to case), the latest on top.
    for (const char *t : {"alpha", "beta", "ALPHA", "gamma", "beta"})
        d.AddToHistory(QString::fromLatin1(t));
    QStringList items;
    for (int i = 0; i < d.FindTextComboBox->count(); ++i)
        items << d.FindTextComboBox->itemText(i);
    EXPECT_EQ(items, (QStringList{QStringLiteral("beta"), QStringLiteral("gamma"), QStringLiteral("ALPHA")}));
}

TEST(ViewActions, SharedHighlighterChoicesAndTheCommandsWindow)
{
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.FileNewActionExecute();
    w.FileNewActionExecute();
    TSyntaxEdit &first = f.Editor(0), &second = f.Editor(1);
    ASSERT_EQ(second.HighLighter(), &w.HTMLHighlighter1());
    ASSERT_EQ(w.HTMLHighlighter1().JavaScriptHighLighter(), &w.JavaScriptHighlighter1());
    // HTML for one tab takes the embedded colouring away from both.
    w.ChooseHighlighter(TfrmQuillmarMain::THighlightChoice::HTML);
    EXPECT_EQ(w.HTMLHighlighter1().JavaScriptHighLighter(), nullptr);
    EXPECT_EQ(first.HighLighter(), &w.HTMLHighlighter1());
    EXPECT_TRUE(w.Action(QStringLiteral("HTMLSyntaxAction"))->isChecked());
    w.ChooseHighlighter(TfrmQuillmarMain::THighlightChoice::Javascript);
    EXPECT_EQ(second.HighLighter(), &w.JavaScriptHighlighter1());
    w.ChooseHighlighter(TfrmQuillmarMain::THighlightChoice::None);
    EXPECT_EQ(second.HighLighter(), nullptr);
    w.ChooseHighlighter(TfrmQuillmarMain::THighlightChoice::Both);
    EXPECT_EQ(second.HighLighter(), &w.HTMLHighlighter1());
    EXPECT_EQ(w.HTMLHighlighter1().JavaScriptHighLighter(), &w.JavaScriptHighlighter1());
    EXPECT_TRUE(w.Action(QStringLiteral("BothSyntaxAction"))->isChecked());
    // The tab switch checks the item of the tab's highlighter.
    w.SetActivePage(1);
    w.ChooseHighlighter(TfrmQuillmarMain::THighlightChoice::Javascript);
    w.PageControl1->setCurrentIndex(0);
    EXPECT_TRUE(w.Action(QStringLiteral("BothSyntaxAction"))->isChecked());
    w.PageControl1->setCurrentIndex(1);
    EXPECT_TRUE(w.Action(QStringLiteral("JavascriptSyntaxAction"))->isChecked());

    // The commands window lists every binding of the active editor, once; Ctrl+N, which this window
    // takes for File > New, shows that.
    w.ShowEditorCmdsActionExecute();
    QTreeWidget &list = *w.EditorCmds().ListViewEditorCmds;
    TKeyStrokes &keys = second.Keystrokes();
    ASSERT_EQ(list.topLevelItemCount(), keys.Count());
    for (int i = 0; i < keys.Count(); ++i) {
        QString command, key;
        SplitCommandDisplayText(AnsiToQString(keys.Items(i).DisplayText()), command, key);
        EXPECT_EQ(list.topLevelItem(i)->text(0),
                  key == QLatin1String("Ctrl+N") ? QStringLiteral("File > New") : command);
        EXPECT_EQ(list.topLevelItem(i)->text(1), key);
        EXPECT_FALSE(command.startsWith(QLatin1String("ec")));
    }
    w.ShowEditorCmdsActionExecute();
    EXPECT_EQ(list.topLevelItemCount(), keys.Count());
    w.EditorCmds().hide();
}

TEST(EditorCmds, DisplayTextSplit)
{
    struct Case {
        const char *Text, *Command, *Key;
    } cases[] = {
        {"ecUndo - Ctrl+Z", "Undo", "Ctrl+Z"},
        {"ecSelectAll - Ctrl+A", "SelectAll", "Ctrl+A"},
        {"ecGotoMarker0 - Ctrl+0", "GotoMarker0", "Ctrl+0"},
        {"ecNoDash", "NoDash", "NoDash"},
        {"ec1002 - Shift+Ctrl+-", "1002", "Shift+Ctrl+-"},
    };
    for (const Case &c : cases) {
        QString command, key;
        SplitCommandDisplayText(QString::fromLatin1(c.Text), command, key);
        EXPECT_EQ(command.toStdString(), c.Command) << c.Text;
        EXPECT_EQ(key.toStdString(), c.Key) << c.Text;
    }
    QString command, key;
    SplitCommandDisplayText(QStringLiteral("ecLong - ") + QString(150, QLatin1Char('k')), command, key);
    EXPECT_EQ(key.size(), 100);
}

// Characters from U+8000 on in lines longer than one block of the regular-expression search's scanner:
// Find (Ctrl+F), Search again (F3) and Replace all (Ctrl+R) all go through it. The keys are pressed in
// the shown window's editor; the find dialog answers with the case's choices.
TEST(SearchActions, RegularExpressionsFindWideCharactersInLongLines)
{
    const WideString text = u"The word 한국어 appears in this line.\r\n"
                            u"Full-width ＡＢＣ and 😀 and 體育館 follow the word 한국어 again.\r\n";
    // Presses Key in the editor of F's shown window.
    const auto press = [](TSearchFixture &F, Qt::Key Key, Qt::KeyboardModifiers Modifiers) {
        F.Window->show();
        QApplication::setActiveWindow(F.Window.get());
        F.Editor().setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Key, Modifiers);
        QApplication::processEvents();
    };
    struct Case {
        const char *Label;
        QString Find;
        int Line; // where the first match lies
        const char16_t *Match;
    };
    const Case cases[] = {
        {"Hangul", QStringLiteral("한국어"), 0, u"한국어"},
        {"a class of Hangul", QStringLiteral("[가-힣]+"), 0, u"한국어"},
        {"full-width forms", QStringLiteral("ＡＢ+Ｃ"), 1, u"ＡＢＣ"},
        {"an emoji (a surrogate pair)", QStringLiteral("😀"), 1, u"😀"},
        {"CJK from U+8000", QStringLiteral("體育"), 1, u"體育"},
    };
    for (const Case &c : cases) {
        TSearchFixture f(text);
        f.Setup = Choose(c.Find, {"re"});
        press(f, Qt::Key_F, Qt::ControlModifier);
        ASSERT_EQ(f.Shown.size(), 1u) << c.Label;
        EXPECT_EQ(f.Editor().GetSelText(), WideString(c.Match)) << c.Label;
        EXPECT_EQ(f.Editor().GetBlockStart().Y, c.Line) << c.Label;
        EXPECT_TRUE(f.PromptTexts().empty()) << c.Label;
    }
    // Search again reaches the second line's match; Replace all replaces both.
    TSearchFixture f(text);
    f.Setup = Choose(QStringLiteral("한국어"), {"re"});
    press(f, Qt::Key_F, Qt::ControlModifier);
    press(f, Qt::Key_F3, Qt::NoModifier);
    EXPECT_EQ(f.Editor().GetSelText(), WideString(u"한국어"));
    EXPECT_EQ(f.Editor().GetBlockStart().Y, 1);
    TSearchFixture g(text);
    g.Setup = Choose(QStringLiteral("한국어"), {"re"}, TSyntaxFindDialog::ResultReplaceAll, QStringLiteral("Korean"));
    press(g, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(g.Editor().LineText(0), WideString(u"The word Korean appears in this line."));
    EXPECT_EQ(g.Editor().LineText(1), WideString(u"Full-width ＡＢＣ and 😀 and 體育館 follow the word Korean again."));
}
