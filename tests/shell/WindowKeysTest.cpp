// The main window's keys, tool bar, focus, colouring and status bar as a user meets them: the
// real window offscreen, real key events sent to whichever widget has the keyboard focus.
#include "tests/shell/MainWindowSupport.h"

#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/KeyStrokes.h"
#include "platform/VirtualKeys.h"
#include "shell/EditorCmds.h"
#include "shell/OptionsDialog.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

// A shown, active window with CheckOpen off and the first showing's new file in tab 0.
struct TKeysWindow : TWindowFixture {
    TKeysWindow()
    {
        Window->Settings.CheckOpen = false;
        Window->show();
        QApplication::setActiveWindow(Window.get());
        QApplication::processEvents();
    }
    ~TKeysWindow() { Window->hide(); }

    // Opens files the user way: File > Open answered with Path.
    void OpenByMenu(const QString &Path)
    {
        Answers.push_back({{Path}});
        Window->Action(QStringLiteral("FileOpenAction"))->trigger();
        QApplication::processEvents();
    }

    // Gives Widget the keyboard focus and presses Key on whatever then has it.
    void PressOn(QWidget *Widget, Qt::Key Key, Qt::KeyboardModifiers Modifiers)
    {
        Widget->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        Press(Key, Modifiers);
    }

    void Press(Qt::Key Key, Qt::KeyboardModifiers Modifiers)
    {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Key, Modifiers);
        QApplication::processEvents();
    }
};

bool ShowsBoth(TfrmQuillmarMain &W, const TSyntaxEdit &E)
{
    return E.HighLighter() == &W.HTMLHighlighter1() && W.HTMLHighlighter1().JavaScriptHighLighter() != nullptr;
}

} // namespace

TEST(WindowKeys, CtrlTabStepsOneTabFromEveryControlThatTakesIt)
{
    TKeysWindow f;
    TfrmQuillmarMain &w = *f.Window;
    f.OpenByMenu(f.Put(QStringLiteral("a.js"), "var a;\n"));
    f.OpenByMenu(f.Put(QStringLiteral("b.js"), "var b;\n"));
    ASSERT_EQ(w.TabCount(), 3);
    ASSERT_EQ(w.ActiveIndex(), 2);
    const int navPage = w.PageControlNav->currentIndex();

    const struct {
        const char *Control;
        QWidget *Widget; // null: the active editor
        Qt::KeyboardModifiers Modifiers;
        int From, To;
    } cases[] = {
        {"editor", nullptr, Qt::ControlModifier, 2, 0}, // wraps
        {"editor", nullptr, Qt::ControlModifier, 0, 1},
        {"editor", nullptr, Qt::ControlModifier | Qt::ShiftModifier, 1, 0},
        {"editor", nullptr, Qt::ControlModifier | Qt::ShiftModifier, 0, 2}, // wraps back
        {"navigation tree", w.NavTree, Qt::ControlModifier, 2, 0},
        {"navigation tree", w.NavTree, Qt::ControlModifier | Qt::ShiftModifier, 0, 2},
        {"findings", w.ErrorList, Qt::ControlModifier, 2, 0},
        {"findings", w.ErrorList, Qt::ControlModifier | Qt::ShiftModifier, 0, 2},
        {"tab bar", w.PageControl1->tabBar(), Qt::ControlModifier, 2, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.Control) + (c.Modifiers & Qt::ShiftModifier ? " Ctrl+Shift+Tab" : " Ctrl+Tab"));
        ASSERT_EQ(w.ActiveIndex(), c.From);
        f.PressOn(c.Widget ? c.Widget : w.ActiveEditor(), Qt::Key_Tab, c.Modifiers);
        EXPECT_EQ(w.ActiveIndex(), c.To);
        // The key is not typed into any editor and leaves the side panel's page alone.
        for (int i = 0; i < w.TabCount(); ++i)
            EXPECT_EQ(f.Editor(i).LineText(0).find(u'\t'), WideString::npos) << i;
        EXPECT_EQ(w.PageControlNav->currentIndex(), navPage);
    }
    // The switch is the user's: the new tab's editor has the focus and the status bar its path.
    EXPECT_EQ(QApplication::focusWidget(), w.ActiveEditor());
    EXPECT_EQ(w.StatusPanel(2), ToQString(w.ActiveEditor()->FileName()));

    // Two tabs: one step shows the other tab.
    w.SetActivePage(2);
    w.FileCloseActionExecute();
    ASSERT_EQ(w.TabCount(), 2);
    w.SetActivePage(0);
    f.PressOn(w.ActiveEditor(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w.ActiveIndex(), 1);
    f.Press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.ActiveIndex(), 0);
}

TEST(WindowKeys, CtrlDChecksFromEveryPaneButCtrlKeypad4DoesNot)
{
    TKeysWindow f;
    TfrmQuillmarMain &w = *f.Window;
    f.OpenByMenu(f.Put(QStringLiteral("page.js"), "var a = 1;\n"));
    ASSERT_EQ(w.ActiveIndex(), 1);
    const struct {
        const char *Control;
        QWidget *Widget;
    } panes[] = {
        {"editor", w.ActiveEditor()},
        {"navigation tree", w.NavTree},
        {"findings", w.ErrorList},
        {"project tree", w.TreeNTProjects},
        {"directory tree", w.TreeNTFiles},
        {"tab bar", w.PageControl1->tabBar()},
    };
    TTarnFile &record = *w.Tab(1)->Record;
    for (const auto &p : panes) {
        SCOPED_TRACE(p.Control);
        if (p.Widget == w.TreeNTProjects || p.Widget == w.TreeNTFiles)
            w.PageControlNav->setCurrentWidget(p.Widget);
        record.Checked = false;
        f.PressOn(p.Widget, Qt::Key_4, Qt::ControlModifier | Qt::KeypadModifier);
        EXPECT_FALSE(record.Checked);
        f.PressOn(p.Widget, Qt::Key_D, Qt::ControlModifier);
        EXPECT_TRUE(record.Checked);
        EXPECT_EQ(w.ShownFileName, w.ActiveEditor()->FileName());
    }
    EXPECT_EQ(w.Action(QStringLiteral("CheckSyntaxAction"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    EXPECT_TRUE(f.PromptTexts().empty());
}

TEST(WindowKeys, NewAndOpenGiveTheNewTabTheKeyboard)
{
    TKeysWindow f;
    TfrmQuillmarMain &w = *f.Window;
    ASSERT_EQ(w.TabCount(), 1);
    TSyntaxEdit &first = f.Editor(0);
    f.PressOn(&first, Qt::Key_A, Qt::NoModifier);
    ASSERT_EQ(first.LineCount(), 1);

    // Ctrl+N in an editor is File > New: a second tab, and the first editor gets no blank line.
    f.Press(Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(w.TabCount(), 2);
    EXPECT_EQ(first.LineCount(), 1);
    EXPECT_EQ(Narrow(first.LineText(0)), "a");
    EXPECT_EQ(QApplication::focusWidget(), w.ActiveEditor());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("new"));
    EXPECT_EQ(Narrow(f.Editor(1).LineText(0)), "new");

    // Ctrl+O from the editor, a file chosen: typing goes on in the opened file.
    const QString page = f.Put(QStringLiteral("page.html"), "<p></p>\n");
    f.Answers.push_back({{page}});
    f.Press(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(w.TabCount(), 3);
    ASSERT_EQ(w.ActiveIndex(), 2);
    EXPECT_EQ(QApplication::focusWidget(), w.ActiveEditor());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("xy"));
    EXPECT_EQ(Narrow(f.Editor(2).LineText(0)), "xy<p></p>");
    EXPECT_EQ(Narrow(f.Editor(1).LineText(0)), "new");
}

TEST(WindowColouring, EachFileGetsTheHighlighterItsExtensionCallsFor)
{
    using C = TfrmQuillmarMain::THighlightChoice;
    const struct {
        const char *Name;
        std::optional<C> Choice;
    } names[] = {
        {"/s/a.js", C::Javascript},   {"/s/b.JS", C::Javascript},  {"/s/pic.svg", C::Javascript},
        {"/s/i.htm", C::Both},        {"/s/i.HTML", C::Both},      {"/s/p.asp", C::Both},
        {"/s/p.aspx", C::Both},       {"/s/p.php", C::Both},       {"/s/p.php4", C::Both},
        {"/s/x.shtml", C::Both},      {"/s/x.xhtml", C::Both},     {"/s/s.css", std::nullopt},
        {"/s/readme", std::nullopt},  {"/s.js/readme", std::nullopt}, {"newfile3", std::nullopt},
        {"FTP u@h/x/app.js", C::Javascript},
    };
    for (const auto &n : names)
        EXPECT_EQ(TfrmQuillmarMain::HighlightChoiceFor(W(QString::fromLatin1(n.Name))), n.Choice) << n.Name;

    TKeysWindow f;
    TfrmQuillmarMain &w = *f.Window;
    f.OpenByMenu(f.Put(QStringLiteral("lib.js"), "var a;\n"));
    EXPECT_EQ(w.ActiveEditor()->HighLighter(), &w.JavaScriptHighlighter1());
    EXPECT_TRUE(w.Action(QStringLiteral("JavascriptSyntaxAction"))->isChecked());
    // A page opened while the script's tab is active is coloured as a page.
    f.OpenByMenu(f.Put(QStringLiteral("page.html"), "<script>var b;</script>\n"));
    EXPECT_TRUE(ShowsBoth(w, *w.ActiveEditor()));
    EXPECT_TRUE(w.Action(QStringLiteral("BothSyntaxAction"))->isChecked());
    // The View menu still changes the active tab's choice.
    w.Action(QStringLiteral("JavascriptSyntaxAction"))->trigger();
    EXPECT_EQ(w.ActiveEditor()->HighLighter(), &w.JavaScriptHighlighter1());
    // A file whose extension names no kind keeps the View menu's choice.
    f.OpenByMenu(f.Put(QStringLiteral("style.css"), "p {}\n"));
    EXPECT_EQ(w.ActiveEditor()->HighLighter(), &w.JavaScriptHighlighter1());

    // Saving the script under a page's name colours it as a page.
    w.SetActivePage(1);
    f.Answers.push_back({{f.File(QStringLiteral("lib2.html"))}, 1});
    w.Action(QStringLiteral("FileSaveAsAction"))->trigger();
    ASSERT_EQ(Narrow(w.ActiveEditor()->FileName()), f.File(QStringLiteral("lib2.html")).toStdString());
    EXPECT_TRUE(ShowsBoth(w, *w.ActiveEditor()));
    EXPECT_TRUE(w.Action(QStringLiteral("BothSyntaxAction"))->isChecked());
    EXPECT_TRUE(f.PromptTexts().empty());
}

TEST(WindowStatusBar, CaretAndPathFollowEveryMoveAndSwitch)
{
    TKeysWindow f;
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.OpenIncludes = true;
    const QString lib = f.Put(QStringLiteral("lib.js"), "var a = 1;\nvar b = 2;\nvar = ;\n");
    const QString page = f.Put(QStringLiteral("page.html"),
                               "<html>\n<body>\n<script src=\"lib.js\"></script>\n</body>\n</html>\n");
    f.OpenByMenu(page);
    const int pageTab = w.ActiveIndex();
    // Keys move the caret: Down twice, End.
    f.PressOn(w.ActiveEditor(), Qt::Key_Down, Qt::NoModifier);
    f.Press(Qt::Key_Down, Qt::NoModifier);
    f.Press(Qt::Key_End, Qt::NoModifier);
    EXPECT_EQ(w.StatusPanel(0), QStringLiteral("Ln 3 Col 31"));
    EXPECT_EQ(w.StatusPanel(2), page);

    // The check opens the include in a tab of its own and comes back to the page.
    f.Press(Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(w.TabCount(), 3);
    ASSERT_EQ(w.ActiveIndex(), pageTab);
    EXPECT_EQ(w.StatusPanel(0), QStringLiteral("Ln 3 Col 31"));
    EXPECT_EQ(w.StatusPanel(2), page);

    // A click on the include's syntax error shows the include's tab: its caret and its path.
    int row = -1;
    for (int i = 0; i < w.ErrorList->Items().Count(); ++i)
        if (AnsiToQString(w.ErrorList->Items().Strings(i)).contains(QStringLiteral("of Include; ")))
            row = i;
    ASSERT_GE(row, 0);
    const QRect rect = w.ErrorList->visualRect(w.ErrorList->model()->index(row, 0));
    QTest::mouseClick(w.ErrorList->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QApplication::processEvents();
    ASSERT_EQ(w.ActiveEditor()->FileName(), W(lib));
    EXPECT_EQ(w.StatusPanel(0), QStringLiteral("Ln 1 Col 1"));
    EXPECT_EQ(w.StatusPanel(2), lib);

    // The user's switch back shows the page's caret again.
    f.PressOn(w.ActiveEditor(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(w.ActiveIndex(), pageTab);
    EXPECT_EQ(w.StatusPanel(0), QStringLiteral("Ln 3 Col 31"));
    EXPECT_EQ(w.StatusPanel(2), page);
}

TEST(WindowToolBar, ButtonsAreTheWindowsActionsWithIconsAndTheirStates)
{
    // A theme without these icons: the bundled pictures stand in.
    const QString theme = QIcon::themeName();
    QIcon::setThemeName(QStringLiteral("no-such-theme"));
    TKeysWindow f;
    QIcon::setThemeName(theme);
    TfrmQuillmarMain &w = *f.Window;
    auto *bar = w.findChild<QToolBar *>(QStringLiteral("ToolBar1"));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    QStringList names;
    for (QAction *a : bar->actions())
        if (!a->isSeparator()) {
            names << a->objectName();
            EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
            EXPECT_FALSE(a->icon().pixmap(24, 24).isNull()) << a->objectName().toStdString();
            EXPECT_EQ(w.Action(a->objectName()), a); // the menus' own action, not a copy
        }
    EXPECT_EQ(names, (QStringList{"FileNewAction", "FileOpenAction", "FileSaveAction", "FileSaveAllAction",
                                  "PrintAction", "EditCutAction", "EditCopyAction", "EditPasteAction",
                                  "EditUndoAction", "EditRedoAction", "SearchFindAction", "CheckSyntaxAction",
                                  "ViewInBrowserAction"}));

    auto button = [&](const char *Name) { return bar->widgetForAction(w.Action(QString::fromLatin1(Name))); };
    // An unmodified new file: nothing to save, undo or cut; checking is possible.
    QApplication::processEvents();
    EXPECT_FALSE(button("FileSaveAction")->isEnabled());
    EXPECT_FALSE(button("EditUndoAction")->isEnabled());
    EXPECT_FALSE(button("EditCutAction")->isEnabled());
    EXPECT_TRUE(button("CheckSyntaxAction")->isEnabled());
    // Typing makes it savable and undoable; the Undo button says what it undoes.
    f.PressOn(w.ActiveEditor(), Qt::Key_A, Qt::NoModifier);
    EXPECT_TRUE(button("FileSaveAction")->isEnabled());
    EXPECT_TRUE(button("EditUndoAction")->isEnabled());
    EXPECT_EQ(button("EditUndoAction")->toolTip(), QStringLiteral("Undo text insertion"));
    // A click on the Undo button undoes the typing.
    QTest::mouseClick(button("EditUndoAction"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(Narrow(w.ActiveEditor()->LineText(0)), "");
    // No tab: only New and Open stay.
    f.Prompts->Answer(mrNo);
    w.FileCloseAllActionExecute();
    QApplication::processEvents();
    ASSERT_EQ(w.TabCount(), 0);
    for (QAction *a : bar->actions()) {
        if (a->isSeparator())
            continue;
        const bool always = a->objectName() == QLatin1String("FileNewAction") ||
                            a->objectName() == QLatin1String("FileOpenAction");
        EXPECT_EQ(bar->widgetForAction(a)->isEnabled(), always) << a->objectName().toStdString();
    }
}

TEST(WindowViewerOptions, NoBrowserIsChosenUntilTheUserChoosesOne)
{
    TKeysWindow f;
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.OfferOtherBr = true;
    w.Settings.DefaultBrowser = false;
    w.Settings.UserBrowsers = {u"/opt/first", u"/opt/second"};
    w.Settings.NoBrowser = false;
    QStringList started;
    w.LaunchBrowser = [&](const QString &Browser, const QString &, QString &) {
        started << Browser;
        return true;
    };
    f.OpenByMenu(f.Put(QStringLiteral("page.html"), "<p></p>\n"));
    // The dialog comes up with the list focused; OK by Enter without choosing.
    auto answer = [](bool Choose) {
        QTimer::singleShot(0, [Choose] {
            auto *dialog = dynamic_cast<TfrmViewOptions *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->ListBoxBr->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            ASSERT_EQ(QApplication::focusWidget(), dialog->ListBoxBr);
            if (Choose)
                QTest::keyClick(dialog->ListBoxBr, Qt::Key_Down); // the user steps onto the first
            QTest::keyClick(dialog->ListBoxBr, Qt::Key_Return);
            if (dialog->isVisible())
                dialog->accept();
        });
    };
    answer(false);
    w.ViewInBrowserActionExecute();
    EXPECT_EQ(f.PromptTexts(), (std::vector<std::string>{"No browser selected!"}));
    EXPECT_TRUE(started.isEmpty());
    answer(true);
    w.ViewInBrowserActionExecute();
    EXPECT_EQ(started, QStringList{QStringLiteral("/opt/first")});
}

// After a close, the status bar and the View menu speak of the tab that is shown, never of the one
// that is gone: its caret, its path, its colouring.
TEST(WindowStatusBar, AfterACloseTheBarFollowsTheTabShown)
{
    TKeysWindow f;
    TfrmQuillmarMain &w = *f.Window;
    const auto checkedView = [&w] {
        for (const char *name : {"HTMLSyntaxAction", "JavascriptSyntaxAction", "BothSyntaxAction", "NoSyntaxAction"})
            if (w.Action(QString::fromLatin1(name))->isChecked())
                return std::string(name);
        return std::string();
    };
    // The new file: two short lines, the caret at their end.
    f.PressOn(w.ActiveEditor(), Qt::Key_A, Qt::NoModifier);
    f.Press(Qt::Key_Return, Qt::NoModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("cde"));
    ASSERT_EQ(w.StatusPanel(0), QStringLiteral("Ln 2 Col 4"));
    const std::string newFileView = checkedView();

    // A script with one long line, the caret at its end.
    const QString script = f.Put(QStringLiteral("long.js"), std::string(18798, 'x') + "\n");
    f.OpenByMenu(script);
    f.PressOn(w.ActiveEditor(), Qt::Key_End, Qt::NoModifier);
    ASSERT_EQ(w.StatusPanel(0), QStringLiteral("Ln 1 Col 18799"));
    ASSERT_EQ(checkedView(), "JavascriptSyntaxAction");
    ASSERT_NE(newFileView, "JavascriptSyntaxAction");

    // Ctrl+F4 on the script: the new file is shown, with its own caret and colouring.
    f.Press(Qt::Key_F4, Qt::ControlModifier);
    ASSERT_EQ(w.TabCount(), 1);
    EXPECT_EQ(w.StatusPanel(0), QStringLiteral("Ln 2 Col 4"));
    EXPECT_EQ(w.StatusPanel(2), QString());
    EXPECT_EQ(checkedView(), newFileView);
    // The keyboard goes on in the tab shown.
    EXPECT_EQ(QApplication::focusWidget(), w.ActiveEditor());

    // Closing the first tab shows the last: the script again, at the end of its line.
    f.OpenByMenu(script);
    f.PressOn(w.ActiveEditor(), Qt::Key_End, Qt::NoModifier);
    f.Press(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(w.ActiveIndex(), 0);
    ASSERT_EQ(w.StatusPanel(0), QStringLiteral("Ln 2 Col 4"));
    w.ActiveEditor()->SetModified(false);
    f.Press(Qt::Key_F4, Qt::ControlModifier);
    ASSERT_EQ(w.TabCount(), 1);
    EXPECT_EQ(w.StatusPanel(0), QStringLiteral("Ln 1 Col 18799"));
    EXPECT_EQ(w.StatusPanel(2), script);
    EXPECT_EQ(checkedView(), "JavascriptSyntaxAction");
    EXPECT_EQ(QApplication::focusWidget(), w.ActiveEditor());

    // The last close empties all three panels.
    f.Press(Qt::Key_F4, Qt::ControlModifier);
    ASSERT_EQ(w.TabCount(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w.StatusPanel(i), QString()) << i;
    EXPECT_TRUE(f.PromptTexts().empty());
}

// The editor-commands window says what each key does in this window: every window shortcut whose
// keys the editor binds too is pressed in the editor, and the row of that binding must name what
// ran, the window's menu item or the editor's command.
TEST(WindowKeys, CommandsWindowSaysWhatEachKeyDoesHere)
{
    TKeysWindow f;
    TfrmQuillmarMain &w = *f.Window;
    f.OpenByMenu(f.Put(QStringLiteral("keys.js"), "var a = 1;\nvar b = 2;\n"));
    const int scriptTab = w.ActiveIndex();
    w.Action(QStringLiteral("ShowEditorCmdsAction"))->trigger();
    const QTreeWidget &list = *w.EditorCmds().ListViewEditorCmds;
    TKeyStrokes &strokes = w.ActiveEditor()->Keystrokes();
    ASSERT_EQ(list.topLevelItemCount(), strokes.Count());
    // The list stays filled; the keys are tried in the main window.
    w.EditorCmds().hide();
    QApplication::processEvents();

    // The menu item of an action, as the user finds it: "File > New".
    const auto menuItem = [&w](const QAction *Action) {
        for (const QAction *top : w.menuBar()->actions())
            if (top->menu() && top->menu()->actions().contains(Action))
                return top->menu()->title().remove(QLatin1Char('&')) + QStringLiteral(" > ") +
                       Action->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
        return QString();
    };
    int taken = 0, yielded = 0;
    for (QAction *action : w.findChildren<QAction *>()) {
        if (action->shortcut().isEmpty())
            continue;
        const QKeyCombination keys = action->shortcut()[0];
        const uint16_t vk = QtKeyEventToVirtualKey(int(keys.key()), keys.keyboardModifiers().toInt(), 0, false);
        const TShiftState shift = QtModifiersToShift(keys.keyboardModifiers().toInt());
        const int row = strokes.FindKey(vk, shift);
        if (row < 0)
            continue; // the editor does not bind these keys: nothing of the list to check
        SCOPED_TRACE(action->shortcut().toString().toStdString());
        w.SetActivePage(scriptTab);
        w.ActiveEditor()->SetModified(false);
        // Back in the main window, as after a click into the editor.
        QApplication::setActiveWindow(&w);
        w.ActiveEditor()->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), w.ActiveEditor());
        QSignalSpy ran(action, &QAction::triggered);
        f.Press(keys.key(), keys.keyboardModifiers());
        QString command, key;
        SplitCommandDisplayText(AnsiToQString(strokes.Items(row).DisplayText()), command, key);
        EXPECT_EQ(list.topLevelItem(row)->text(1), key);
        if (ran.count() > 0) {
            ++taken;
            EXPECT_EQ(list.topLevelItem(row)->text(0), menuItem(action));
        } else {
            ++yielded;
            EXPECT_EQ(list.topLevelItem(row)->text(0), command);
        }
    }
    // Both kinds were met: File > New on Ctrl+N, the editor's own Undo on Ctrl+Z.
    EXPECT_GE(taken, 1);
    EXPECT_GE(yielded, 1);
}
