// The rules behind the window's actions (which are enabled, Save As names) as tables, and the
// actions that reach outside: reloading a file changed by another program, viewing in a browser.
#include "tests/shell/MainWindowSupport.h"

#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "shell/ActionStates.h"
#include "shell/SaveAsRules.h"

#include <QAction>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace mwtest;

TEST(ActionStates, RulesForTabStates)
{
    auto on = [](const TActionStates &s, const char *Name) {
        auto it = s.Enabled.find(Name);
        return it == s.Enabled.end() ? -1 : int(it->second);
    };
    TActionStateInput none;
    TActionStates s = ComputeActionStates(none);
    EXPECT_TRUE(s.ClearAll);
    for (const char *n : {"FileNewAction", "FileOpenAction", "ActionProjNew", "ActionProjOpen"})
        EXPECT_EQ(on(s, n), 1) << n;
    for (const char *n : {"FileSaveAction", "FileCloseAction", "EditCopyAction", "EditPasteAction", "CheckSyntaxAction",
                          "TreeViewExpandAction", "Nexteditortab1", "ViewInBrowserAction", "SearchReplaceAction"})
        EXPECT_EQ(on(s, n), 0) << n;

    struct Case {
        const char *Label;
        TActionStateInput In;
        std::vector<std::pair<const char *, int>> Expect;
        const char16_t *Mode;
        const char16_t *Undo;
    };
    auto with = [](auto F) {
        TActionStateInput in;
        in.TabCount = 1;
        F(in);
        return in;
    };
    const std::vector<Case> cases = {
        {"plain tab",
         with([](auto &) {}),
         {{"FileSaveAction", 0},
          {"EditCopyAction", 0},
          {"EditCutAction", 0},
          {"EditPasteAction", 0},
          {"Nexteditortab1", 0},
          {"TreeViewExpandAction", 1},
          {"TreeViewCollapseAction", 0},
          {"ViewInBrowserAction", 0},
          {"SearchReplaceAction", 1},
          {"HTML1", 1},
          {"CheckSyntaxAction", 1}},
         u"Insert",
         u""},
        {"typed text",
         with([](auto &i) {
             i.Modified = true;
             i.CanUndo = true;
             i.UndoKind = 1;
         }),
         {{"FileSaveAction", 1}, {"FileSaveAllAction", 1}, {"EditUndoAction", 1}, {"EditRedoAction", 0}},
         u"Insert",
         u"Undo text insertion"},
        {"commented lines, kind with its group bit",
         with([](auto &i) {
             i.CanUndo = true;
             i.UndoKind = 11 + 128;
             i.Inserting = false;
         }),
         {{"EditUndoAction", 1}},
         u"Overwrite",
         u"Undo // comment"},
        {"selection and clipboard",
         with([](auto &i) {
             i.SelAvail = true;
             i.ClipboardHasText = true;
             i.TabCount = 2;
             i.TreeExpanded = true;
         }),
         {{"EditCopyAction", 1},
          {"EditCutAction", 1},
          {"EditPasteAction", 1},
          {"EncHTMLEncAction", 1},
          {"CommentselectedLines1", 1},
          {"Nexteditortab1", 1},
          {"TreeViewExpandAction", 0},
          {"TreeViewCollapseAction", 1}},
         u"Insert",
         u""},
        {"read only",
         with([](auto &i) {
             i.ReadOnly = true;
             i.SelAvail = true;
             i.ClipboardHasText = true;
             i.NoBrowser = false;
         }),
         {{"EditCopyAction", 1},
          {"EditCutAction", 0},
          {"EditPasteAction", 0},
          {"SearchReplaceAction", 0},
          {"Javascript1", 0},
          {"HTML1", 0},
          {"ViewInBrowserAction", 1}},
         u"Read only",
         u""},
        {"projects",
         with([](auto &i) {
             i.ProjectCount = 1;
             i.ProjectJSFileSelected = true;
         }),
         {{"ActionProjClose", 1}, {"ActionProjNew", 0}, {"ActionProjSetJSParent", 1}},
         u"Insert",
         u""},
    };
    for (const Case &c : cases) {
        const TActionStates r = ComputeActionStates(c.In);
        EXPECT_FALSE(r.ClearAll) << c.Label;
        for (const auto &[name, value] : c.Expect)
            EXPECT_EQ(on(r, name), value) << c.Label << ": " << name;
        EXPECT_EQ(r.EditMode, c.Mode) << c.Label;
        EXPECT_EQ(r.UndoHint, c.Undo) << c.Label;
    }
}

TEST(SaveAsRules, FiltersAndExtensions)
{
    struct Case {
        const char *Name;
        int Filter;
        const char *Result;
        bool Confirm;
    } cases[] = {
        {"/d/page", 1, "/d/page.html", false},
        {"/d/page", 2, "/d/page.js", false},
        {"/d/page", 8, "/d/page", false},
        {"/d/page.txt", 1, "/d/page.txt", true},
        {"/d/page.htm", 1, "/d/page.htm", false},
        {"/d/page.HTML", 1, "/d/page.HTML", false},
        {"/d/page.js", 2, "/d/page.js", false},
        {"/d/page.json", 2, "/d/page.json", true},
        {"/d/page.aspx", 3, "/d/page.aspx", false},
        {"/d/page.php4", 4, "/d/page.php4", false},
        {"/d/page.wsf", 9, "/d/page.wsf", false},
        {"/d/page.xml", 10, "/d/page.xml", true},
        {"/d/page.anything", 11, "/d/page.anything", false},
        {"/d.dir/page", 1, "/d.dir/page.html", false},
    };
    for (const Case &c : cases) {
        const TSaveAsName r = DecideSaveAsName(QString::fromLatin1(c.Name), c.Filter);
        EXPECT_EQ(r.Name.toStdString(), c.Result) << c.Name << " " << c.Filter;
        EXPECT_EQ(r.Confirm, c.Confirm) << c.Name << " " << c.Filter;
    }
    struct Ext {
        const char *Ext;
        int Filter;
    } exts[] = {{".htm", 1}, {".html", 1}, {".js", 2},  {".aspx", 3}, {".php", 4}, {".as", 5}, {".vb", 6},
                {".cs", 7},  {".css", 8},  {".wsf", 9}, {".svg", 10}, {".txt", 0}, {"", 0}};
    for (const Ext &e : exts)
        EXPECT_EQ(SaveAsFilterForExtension(QString::fromLatin1(e.Ext)), e.Filter) << e.Ext;
}

TEST(FileActions, SaveAsProposesNamesAndRefusesANameOpenElsewhere)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    const QString js = f.Put(QStringLiteral("page.js"), "var a;\r\n");
    f.Window->OpenFile(W(js), true, false, WideString());
    f.Window->FileNewActionExecute();
    f.Window->ActiveEditor()->KeyPress(u'x');
    // A new tab proposes its caption with ".htm" and the HTML filter.
    f.Window->FileSaveAsActionExecute();
    EXPECT_EQ(f.DialogFileNames.back(), QStringLiteral("newfile1.htm"));
    EXPECT_EQ(f.DialogFilters.back(), 1);
    // A name another tab holds is refused and nothing is written.
    f.Answers.push_back({{js}, 2});
    f.Window->FileSaveAsActionExecute();
    EXPECT_EQ(f.PromptTexts().back(),
              "File: " + js.toStdString() + " is already open! Quillmar does not allow you to \"Save As\" this name.");
    EXPECT_EQ(ReadBytes(js), "var a;\r\n");
    // An extension that does not fit asks; No writes nothing, Yes saves and renames the tab.
    f.Prompts->Answer(mrNo);
    f.Answers.push_back({{f.File(QStringLiteral("notes.txt"))}, 1});
    f.Window->FileSaveAsActionExecute();
    EXPECT_FALSE(QFileInfo::exists(f.File(QStringLiteral("notes.txt"))));
    f.Prompts->Answer(mrYes);
    f.Answers.push_back({{f.File(QStringLiteral("notes.txt"))}, 1});
    f.Window->FileSaveAsActionExecute();
    EXPECT_EQ(ReadBytes(f.File(QStringLiteral("notes.txt"))), "x\n");
    EXPECT_EQ(f.Window->TabCaption(1), QStringLiteral("notes.txt"));
    EXPECT_EQ(f.Window->StatusPanel(2), f.File(QStringLiteral("notes.txt")));
    // The JavaScript file preselects filter 2.
    f.Window->SetActivePage(0);
    f.Window->FileSaveAsActionExecute();
    EXPECT_EQ(f.DialogFilters.back(), 2);
}

TEST(FileActions, ExternalChangeIsOfferedOncePerActivation)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    const QString a = f.Put(QStringLiteral("a.js"), "var a;\n");
    f.Window->OpenFile(W(a), true, false, WideString());
    struct timespec stamps[3] = {{0, UTIME_NOW}, {1000, 0}, {2000, 0}};
    WriteBytes(a, "var b;\n");
    ::utimensat(AT_FDCWD, a.toLocal8Bit().constData(), stamps, 0);
    // Not active again yet: nothing is asked.
    f.Window->RefreshActionStates();
    EXPECT_TRUE(f.PromptTexts().empty());
    f.Window->RecheckDisk = true;
    f.Prompts->Answer(mrCancel);
    f.Window->RefreshActionStates();
    ASSERT_EQ(f.PromptTexts().size(), 1u);
    EXPECT_EQ(f.PromptTexts()[0], "This file has been changed by another application! OK to Re-load this file now?");
    EXPECT_FALSE(f.Window->RecheckDisk);
    f.Window->RecheckDisk = true;
    f.Window->RefreshActionStates();
    EXPECT_EQ(f.PromptTexts().size(), 1u); // the same change is not asked about again
    EXPECT_EQ(f.Editor(0).LineText(0), u"var a;");

    ::utimensat(AT_FDCWD, a.toLocal8Bit().constData(), stamps + 1, 0);
    f.Window->RecheckDisk = true;
    f.Prompts->Answer(mrOk);
    f.Window->RefreshActionStates();
    EXPECT_EQ(f.PromptTexts().size(), 2u);
    EXPECT_EQ(f.Editor(0).LineText(0), u"var b;");
    EXPECT_FALSE(f.Editor(0).GetModified());
    EXPECT_FALSE(f.Editor(0).CanUndo());
}

TEST(FileActions, RefreshMarksModifiedTabsAndShowsTheEditMode)
{
    TWindowFixture f;
    f.Window->FileNewActionExecute();
    f.Window->RefreshActionStates();
    EXPECT_EQ(f.Window->StatusPanel(1), QStringLiteral("Insert"));
    EXPECT_FALSE(f.Window->Action(QStringLiteral("FileSaveAction"))->isEnabled());
    f.Window->ActiveEditor()->KeyPress(u'a');
    f.Window->RefreshActionStates();
    EXPECT_EQ(f.Window->TabCaption(0), QStringLiteral("newfile1*"));
    EXPECT_TRUE(f.Window->Action(QStringLiteral("FileSaveAction"))->isEnabled());
    f.Window->ActiveEditor()->Undo();
    f.Window->RefreshActionStates();
    EXPECT_EQ(f.Window->TabCaption(0), QStringLiteral("newfile1"));
    f.Window->FileCloseActionExecute();
    f.Window->RefreshActionStates();
    EXPECT_FALSE(f.Window->Action(QStringLiteral("CheckSyntaxAction"))->isEnabled());
    EXPECT_EQ(f.Window->StatusPanel(0), QString());
    EXPECT_EQ(f.Window->NavTree->Items().GetCount(), 0);
}

TEST(FileActions, ViewInBrowserStartsTheChosenBrowserOnTheSavedFile)
{
    TWindowFixture f;
    TSettings &s = f.Window->Settings;
    s.CheckOpen = false;
    std::vector<std::pair<QString, QString>> started;
    f.Window->LaunchBrowser = [&](const QString &Browser, const QString &Target, QString &) {
        started.push_back({Browser, Target});
        return true;
    };
    const QString page = f.Put(QStringLiteral("page.html"), "<p>x</p>\n");
    f.Window->OpenFile(W(page), true, false, WideString());
    s.NoBrowser = false;
    s.DefaultBrowser = true;
    f.Window->ViewInBrowserActionExecute();
    s.DefaultBrowser = false;
    s.OtherBrowser = true;
    s.OtherBrowserName = u"firefox";
    f.Window->ViewInBrowserActionExecute();
    s.ViewFile = false;
    s.Server = u"http://localhost/site/";
    f.Window->ViewInBrowserActionExecute();
    ASSERT_EQ(started.size(), 3u);
    EXPECT_EQ(started[0], std::make_pair(QString(), page));
    EXPECT_EQ(started[1], std::make_pair(QStringLiteral("firefox"), page));
    EXPECT_EQ(started[2], std::make_pair(QStringLiteral("firefox"), QStringLiteral("http://localhost/site/page.html")));

    // A modified page asks first; Cancel starts nothing.
    f.Window->ActiveEditor()->KeyPress(u'y');
    f.Prompts->Answer(mrCancel);
    f.Window->ViewInBrowserActionExecute();
    EXPECT_EQ(f.PromptTexts().back(),
              "Document " + page.toStdString() + " has changed,\r\ndo you want to save before viewing in Browser?");
    EXPECT_EQ(started.size(), 3u);

    // A new tab goes through Save As first; cancelling it ends the action silently.
    f.Window->FileNewActionExecute();
    f.Prompts->Clear();
    f.Window->ViewInBrowserActionExecute();
    EXPECT_EQ(started.size(), 3u);
    EXPECT_TRUE(f.PromptTexts().empty());

    // The launcher's failure reaches the user as an error.
    f.Window->SetActivePage(0);
    f.Window->FileSaveActionExecute();
    f.Window->LaunchBrowser = [](const QString &, const QString &, QString &Error) {
        Error = QStringLiteral("The specified file was not found.");
        return false;
    };
    EXPECT_THROW(f.Window->ViewInBrowserActionExecute(), Exception);
    QString error;
    EXPECT_FALSE(StartBrowser(QStringLiteral("no-such-browser-anywhere"), page, error));
    EXPECT_EQ(error, QStringLiteral("The specified file was not found."));
}
