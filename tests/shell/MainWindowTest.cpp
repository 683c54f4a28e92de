// The main window as a user meets it, offscreen: opening files into tabs, new files, closing with
// unsaved changes, settings kept across starts, tab switches and keys.
#include "tests/shell/MainWindowSupport.h"
#include "tests/UnprivilegedScope.h"

#include "controls/DropFiles.h"
#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "controls/TreeNTNode.h"
#include "controls/TreeNTNodes.h"
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/SyntaxEditorStrings.h"
#include "platform/Classes.h"

#include <QAction>
#include <QListWidget>
#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mwtest;

namespace {

std::string Utf16File(const std::u16string &Text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : Text) {
        bytes += char(c & 0xFF);
        bytes += char(c >> 8);
    }
    return bytes;
}

std::vector<std::string> Lines(const TSyntaxEdit &Editor)
{
    std::vector<std::string> r;
    for (int i = 0; i < Editor.LineCount(); ++i)
        r.push_back(Narrow(Editor.LineText(i)));
    return r;
}

void Type(TSyntaxEdit &Editor, const WideString &Text)
{
    for (char16_t c : Text)
        Editor.KeyPress(c);
}

} // namespace

TEST(MainWindowOpen, PagesOpenIntoTabsWithTheirHighlighterAndSaveBackUnchanged)
{
    TWindowFixture f;
    struct Case {
        const char *Name;
        std::string Bytes;
        const char *FirstLine;
        bool Script; // JavaScript highlighter alone
    } cases[] = {
        {"wide.html", Utf16File(u"<html>\r\n<p>\u00e9t\u00e9 \u4e2d</p>\r\n</html>\r\n"), "<html>", false},
        {"ansi.htm", std::string("<p>caf\xE9</p>\r\n<script>var a = 1;</script>\r\n"), "<p>caf\xC3\xA9</p>", false},
        {"code.js", std::string("function f() {\r\n  return 1;\r\n}\r\n"), "function f() {", true},
        {"Picture.SVG", std::string("<svg></svg>\r\n"), "<svg></svg>", true},
    };
    f.Window->Settings.CheckOpen = false;
    for (const Case &c : cases) {
        const QString path = f.Put(QString::fromLatin1(c.Name), c.Bytes);
        f.Window->OpenFile(W(path), true, false, WideString());
        const int index = f.Window->TabCount() - 1;
        ASSERT_EQ(f.Window->ActiveIndex(), index) << c.Name;
        TSyntaxEdit &editor = f.Editor(index);
        EXPECT_EQ(Lines(editor).at(0), c.FirstLine) << c.Name;
        EXPECT_EQ(f.Window->TabCaption(index), QString::fromLatin1(c.Name));
        EXPECT_EQ(f.Window->StatusPanel(2), path);
        EXPECT_FALSE(editor.HasOption(eoReadOnly)) << c.Name;
        if (c.Script)
            EXPECT_EQ(editor.HighLighter(), &f.Window->JavaScriptHighlighter1()) << c.Name;
        else
            EXPECT_EQ(editor.HighLighter(), &f.Window->HTMLHighlighter1()) << c.Name;
        f.Window->FileSaveActionExecute();
        EXPECT_EQ(ReadBytes(path), c.Bytes) << c.Name;
        EXPECT_FALSE(editor.GetModified());
    }
    EXPECT_TRUE(f.PromptTexts().empty());
    // The reopen list has every file, newest last, and the reopen menu shows them newest first.
    ASSERT_EQ(f.Window->Settings.Reopen.size(), 4u);
    EXPECT_EQ(f.Window->Menu(QStringLiteral("MenuReopen1"))->actions().at(0)->data().toString(), f.File("Picture.SVG"));
}

TEST(MainWindowOpen, SameFileTwiceIsRefusedByCanonicalPath)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    const QString path = f.Put(QStringLiteral("page.html"), "<p>x</p>\n");
    f.Put(QStringLiteral("Page.html"), "<p>y</p>\n");
    QDir(f.Dir.path()).mkdir(QStringLiteral("sub"));
    f.Window->OpenFile(W(path), true, false, WideString());
    const QString viaSub = f.Dir.path() + QStringLiteral("/sub/../page.html");
    EXPECT_TRUE(f.Window->FileAlreadyOpen(W(viaSub)));
    ASSERT_EQ(f.PromptTexts().size(), 1u);
    EXPECT_EQ(f.PromptTexts()[0],
              "File: " + viaSub.toStdString() +
                  " is already open! Quillmar does not allow the same file to be opened more than once.");
    // File names are case-sensitive here: Page.html is another file.
    EXPECT_FALSE(f.Window->FileAlreadyOpen(W(f.File(QStringLiteral("Page.html")))));
    // File Open skips the open one and opens the other.
    f.Answers.push_back({{viaSub, f.File(QStringLiteral("Page.html"))}});
    f.Window->FileOpenActionExecute();
    EXPECT_EQ(f.Window->TabCount(), 2);
}

TEST(MainWindowOpen, ShareModesLocksAndWriteProtection)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    // A local file is opened without a hold, whatever the network settings say.
    f.Window->Settings.ShareExclusive = true;
    const QString free = f.Put(QStringLiteral("free.html"), "<p>free</p>\n");
    EXPECT_EQ(f.Window->ShareModeFor(W(free)), fmShareDenyNone);
    f.Window->OpenFile(W(free), true, false, WideString());
    EXPECT_FALSE(f.Editor(0).FileHeld());

    // Another copy holds the file deny-write: read-only tab with the in-use message.
    const QString held = f.Put(QStringLiteral("held.html"), "<p>held</p>\n");
    {
        TFileStream other(ToLocalPath(held), fmOpenReadWrite | fmShareDenyWrite);
        f.Window->OpenFile(W(held), true, false, WideString());
    }
    ASSERT_EQ(f.Window->TabCount(), 2);
    EXPECT_TRUE(f.Editor(1).HasOption(eoReadOnly));
    EXPECT_EQ(Lines(f.Editor(1)).at(0), "<p>held</p>");
    ASSERT_EQ(f.PromptTexts().size(), 1u);
    EXPECT_EQ(f.PromptTexts()[0],
              held.toStdString() + " is currently in use.\r\n It wil be opened as a READ ONLY file.");
    EXPECT_EQ(f.Prompts->Asked()[0].Kind, TMsgDlgType::mtWarning);

    // A file the user may not write opens read-only without any message, and one the user may not read
    // opens no tab and raises an error that names the file. Opened with an ordinary user's rights: root
    // may write and read anything.
    const QString locked = f.Put(QStringLiteral("system.html"), "<p>system</p>\n");
    ASSERT_EQ(::chmod(locked.toLocal8Bit().constData(), 0444), 0);
    const QString secret = f.Put(QStringLiteral("secret.html"), "x");
    ASSERT_EQ(::chmod(secret.toLocal8Bit().constData(), 0), 0);
    ASSERT_EQ(::chmod(f.Dir.path().toLocal8Bit().constData(), 0755), 0);
    TUnprivilegedScope asUser;
    ASSERT_EQ(asUser.Error(), "");
    ASSERT_EQ(::access(f.Dir.path().toLocal8Bit().constData(), X_OK), 0)
        << "the temporary folder must be one an ordinary user may enter: " << f.Dir.path().toStdString();
    f.Window->OpenFile(W(locked), true, false, WideString());
    ASSERT_EQ(f.Window->TabCount(), 3);
    EXPECT_EQ(f.PromptTexts().size(), 1u);
    EXPECT_TRUE(f.Editor(2).HasOption(eoReadOnly));
    EXPECT_EQ(Lines(f.Editor(2)).at(0), "<p>system</p>");

    try {
        f.Window->OpenFile(W(secret), true, false, WideString());
        ADD_FAILURE() << "opened a file it may not read";
    } catch (const EFOpenError &e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + ToLocalPath(secret) + "\". " + std::strerror(EACCES));
    }
    EXPECT_EQ(f.Window->TabCount(), 3);
}

TEST(MainWindowOpen, MissingFileIsReportedAfterTheCall)
{
    TWindowFixture f;
    f.Window->OpenFile(W(f.File(QStringLiteral("gone.html"))), true, false, WideString());
    EXPECT_EQ(f.Window->TabCount(), 0);
    EXPECT_TRUE(f.PromptTexts().empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(f.PromptTexts().size(), 1u);
    EXPECT_EQ(f.PromptTexts()[0], "File '" + f.File(QStringLiteral("gone.html")).toStdString() + "' does not exist");
    EXPECT_EQ(f.Prompts->Asked()[0].Kind, TMsgDlgType::mtError);
}

TEST(MainWindowNewFile, SkeletonAndCaretForEachChoice)
{
    const std::vector<std::string> html = {
        "<html>",
        "<head>",
        "<title>Your title here</title>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
        "<meta name = \"GENERATOR\" Content = \"Quillmar V1.16\">",
        "</head>",
        "<body>",
        "<!-- Insert HTML here -->",
        "",
        "</body>",
        "</html>",
        "",
    };
    const std::vector<std::string> script = {
        "<script type = \"text/javascript\" language = \"Javascript\">",
        "<!-- Hide from older browsers;",
        "",
        "// end hide -->",
        "</script>",
    };
    auto xhtml = [&] {
        std::vector<std::string> r = {"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"",
                                      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">"};
        for (std::string l : html) {
            if (l.rfind("<meta", 0) == 0)
                l.insert(l.size() - 1, " /");
            r.push_back(l);
        }
        return r;
    }();
    auto with = [&](std::vector<std::string> page, size_t at) {
        page.insert(page.begin() + std::ptrdiff_t(at), script.begin(), script.end());
        return page;
    };
    struct Case {
        bool HTML, Java, XHTML, JSHead, JSAfterBody;
        std::vector<std::string> Text;
        int CaretX, CaretY;
    } cases[] = {
        {false, false, false, true, false, {""}, 0, 0},
        {true, false, false, true, false, html, 0, 8},
        {true, false, true, true, false, xhtml, 0, 10},
        {false, true, false, true, false,
         [&] {
             auto s = script;
             s.push_back("");
             return s;
         }(),
         0, 2},
        {true, true, false, true, false, with(html, 5), 0, 7},
        {true, true, false, false, true, with(html, 10), 0, 12},
        {true, true, false, false, false, with(html, 8), 0, 10},
        {true, true, true, true, false, with(xhtml, 7), 0, 9},
    };
    TWindowFixture f;
    int n = 0;
    for (const Case &c : cases) {
        TSettings &s = f.Window->Settings;
        s.NFIncHTML = c.HTML;
        s.NFIncJava = c.Java;
        s.XHTML = c.XHTML;
        s.JSHead = c.JSHead;
        s.JSAfterBody = c.JSAfterBody;
        f.Window->FileNewActionExecute();
        ++n;
        TSyntaxEdit &e = *f.Window->ActiveEditor();
        const std::string label = "case " + std::to_string(n);
        EXPECT_EQ(Lines(e).size() <= 1 && c.Text.size() == 1 ? std::vector<std::string>{""} : Lines(e), c.Text)
            << label;
        EXPECT_EQ(e.CaretX(), c.CaretX) << label;
        EXPECT_EQ(e.CaretY(), c.CaretY) << label;
        EXPECT_FALSE(e.GetModified()) << label;
        EXPECT_FALSE(e.CanUndo()) << label;
        EXPECT_EQ(f.Window->TabCaption(f.Window->ActiveIndex()), QStringLiteral("newfile%1").arg(n));
    }
    EXPECT_EQ(f.Window->ShownFileName, u"new");
    // The caret's place after the skeleton is what the status bar shows.
    EXPECT_EQ(f.Window->StatusPanel(0), QStringLiteral("Ln 10 Col 1"));
}

TEST(MainWindowClose, QueryWalksFromTheLastTabAndCancelKeepsTheRest)
{
    TWindowFixture f;
    for (int i = 0; i < 3; ++i) {
        f.Window->FileNewActionExecute();
        Type(*f.Window->ActiveEditor(), u"text");
        f.Window->SetTabCaption(i, f.Window->TabCaption(i) + QLatin1Char('*'));
    }
    f.Prompts->Answer(mrNo);
    f.Prompts->Answer(mrCancel);
    EXPECT_FALSE(f.Window->close());
    EXPECT_EQ(f.PromptTexts(), (std::vector<std::string>{"File: newfile3, has changed. Save now?",
                                                         "File: newfile2, has changed. Save now?"}));
    EXPECT_EQ(f.Prompts->Asked()[0].Buttons, mbYesNoCancel);
    ASSERT_EQ(f.Window->TabCount(), 2);
    EXPECT_EQ(f.Window->TabCaption(1), QStringLiteral("newfile2*"));

    // Yes whose Save As is cancelled keeps the tab with its text.
    f.Prompts->Clear();
    f.Prompts->Answer(mrYes);
    EXPECT_FALSE(f.Window->close());
    ASSERT_EQ(f.Window->TabCount(), 2);
    EXPECT_EQ(Lines(f.Editor(1)).at(0), "text");
    EXPECT_EQ(f.DialogFileNames.back(), QStringLiteral("newfile2.htm"));

    // Yes with a name chosen saves; No drops the other; the window closes.
    f.Prompts->Clear();
    f.Prompts->Answer(mrYes);
    f.Prompts->Answer(mrNo);
    f.Answers.push_back({{f.File(QStringLiteral("kept"))}, 1});
    EXPECT_TRUE(f.Window->close());
    EXPECT_EQ(f.Window->TabCount(), 0);
    EXPECT_EQ(ReadBytes(f.File(QStringLiteral("kept.html"))), "text\n");
}

TEST(MainWindowClose, ClosingATabActivatesTheOneBeforeAndShowsItsResults)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    for (const char *name : {"a.js", "b.js", "c.js", "d.js"})
        f.Window->OpenFile(W(f.Put(QString::fromLatin1(name), "var x = 1;\n")), true, false, WideString());
    // Each tab's own findings come back when it becomes active again.
    for (int i = 0; i < 4; ++i) {
        f.Window->SetActivePage(i);
        f.Window->CheckSyntaxActionExecute();
    }
    f.Window->SetActivePage(2);
    f.Window->FileCloseActionExecute(); // closes c.js
    EXPECT_EQ(f.Window->TabCaption(f.Window->ActiveIndex()), QStringLiteral("b.js"));
    EXPECT_EQ(f.Window->StatusPanel(2), f.File(QStringLiteral("b.js")));
    EXPECT_EQ(f.Window->ErrorList->Items().Count(), f.Window->Tab(1)->Record->GetMessageLines().Count());
    f.Window->SetActivePage(0);
    f.Window->FileCloseActionExecute(); // closes a.js: the last tab becomes active
    EXPECT_EQ(f.Window->TabCaption(f.Window->ActiveIndex()), QStringLiteral("d.js"));
    EXPECT_GT(f.Window->ErrorList->Items().Count(), 0);
    f.Window->FileCloseAllActionExecute();
    EXPECT_EQ(f.Window->TabCount(), 0);
    EXPECT_EQ(f.Window->StatusPanel(2), QString());
}

TEST(MainWindowSettings, WrittenAtExitAndReadBackAtTheNextStart)
{
    TWindowFixture f;
    const QString page = f.Put(QStringLiteral("page.html"), "<p>x</p>\n");
    TSettings &s = f.Window->Settings;
    s.CheckOpen = false;
    s.UndoCount = 77;
    s.TabSize = 5;
    s.TabsAsSpaces = false;
    s.AutoIndent = true;
    s.EditBackground = 0x00F0E0D0;
    s.Javascript.KeywordsFG = 0x000080;
    s.Javascript.KeywordsStyle = 3;
    s.HTML.NumberBG = 0x123456;
    s.StartOpenList = {W(page)};
    s.ShowTree = true;
    s.FtpHost = u"files.example.org";
    f.Window->OpenFile(W(page), true, false, WideString());
    f.Restart();
    const TSettings &r = f.Window->Settings;
    EXPECT_EQ(r.CheckOpen, false);
    EXPECT_EQ(r.UndoCount, 77);
    EXPECT_EQ(r.TabSize, 5);
    EXPECT_EQ(r.TabsAsSpaces, false);
    EXPECT_EQ(r.EditBackground, 0x00F0E0D0);
    EXPECT_EQ(r.Javascript.KeywordsStyle, 3);
    EXPECT_EQ(r.HTML.NumberBG, 0x123456);
    EXPECT_EQ(r.StartOpenList, std::vector<WideString>{W(page)});
    EXPECT_EQ(r.Reopen, std::vector<WideString>{W(page)});
    EXPECT_EQ(r.ShowTree, true);
    EXPECT_EQ(r.FtpHost, u"files.example.org");

    // The settings reach the highlighters and every editor the next start makes.
    EXPECT_EQ(f.Window->JavaScriptHighlighter1().KeyAttributes().Foreground(), 0x000080u);
    EXPECT_EQ(f.Window->JavaScriptHighlighter1().KeyAttributes().Style(), hfsBold | hfsItalic);
    EXPECT_EQ(f.Window->HTMLHighlighter1().NumberAttributes().Background(), 0x123456u);
    EXPECT_EQ(f.Window->HTMLHighlighter1().SymbolAttributes().Background(), 0x00F0E0D0u);
    f.Window->FirstShow(); // new file and the start-open list
    ASSERT_EQ(f.Window->TabCount(), 2);
    for (int i = 0; i < 2; ++i) {
        TSyntaxEdit &e = f.Editor(i);
        EXPECT_EQ(e.MaxUndo(), 77);
        EXPECT_EQ(e.TabSize(), 5);
        EXPECT_TRUE(e.HasOption(eoUseTabs));
        EXPECT_TRUE(e.HasOption(eoAutoIndent));
        EXPECT_TRUE(e.HasOption(eoUndoAfterSave));
        EXPECT_FALSE(e.HasOption(eoGroupUndo));
        EXPECT_EQ(e.Color(), 0x00F0E0D0u);
        EXPECT_EQ(e.GutterWidth(), 40);
    }
}

TEST(MainWindowSettings, DefaultsOfAFreshStart)
{
    TWindowFixture f;
    EXPECT_EQ(f.Window->Settings.UndoCount, 1000);
    f.Window->FirstShow();
    ASSERT_EQ(f.Window->TabCount(), 1);
    EXPECT_EQ(f.Editor(0).MaxUndo(), 1000);
    EXPECT_EQ(f.Editor(0).TabSize(), 2);
    EXPECT_FALSE(f.Editor(0).HasOption(eoUseTabs));
}

TEST(MainWindowSettings, ShippedSettingsSeedAFirstStart)
{
    QTemporaryDir dir;
    TScriptedPrompter prompts;
    TPrompterScope scope(prompts);
    TMainWindowSetup setup;
    setup.SettingsFile = ToLocalPath(dir.filePath(QStringLiteral("Quillmar.ini")));
    TfrmQuillmarMain window(setup);
    // Readable colours: the editor's background is not its text colour.
    EXPECT_NE(window.Settings.EditBackground, window.Settings.Javascript.KeywordsFG);
    EXPECT_EQ(window.Settings.EditBackground, 0xFFFFFF);
}

TEST(MainWindowStartOpen, MissingEntriesAreReportedAndRemoved)
{
    TWindowFixture f;
    TSettings &s = f.Window->Settings;
    s.NewFile = false;
    s.CheckOpen = false;
    const QString a = f.Put(QStringLiteral("a.html"), "a\n");
    const QString d = f.Put(QStringLiteral("d.html"), "d\n");
    s.StartOpenList = {W(a), W(f.File(QStringLiteral("b.html"))), W(f.File(QStringLiteral("c.html"))), W(d)};
    f.Window->FirstShow();
    EXPECT_EQ(f.Window->TabCount(), 2);
    EXPECT_EQ(s.StartOpenList, (std::vector<WideString>{W(a), W(d)}));
    ASSERT_EQ(f.PromptTexts().size(), 2u);
    EXPECT_EQ(f.PromptTexts()[1], "File: " + f.File(QStringLiteral("c.html")).toStdString() +
                                      " no longer exists. This entry will be removed from the Start open list.");

    // With NewFile off and nothing to open there is no tab at all.
    TWindowFixture g;
    g.Window->Settings.NewFile = false;
    g.Window->FirstShow();
    EXPECT_EQ(g.Window->TabCount(), 0);
}

TEST(MainWindowReopen, TenNewestEntriesWithAmpersandsShownLiterally)
{
    TWindowFixture f;
    for (int i = 0; i < 11; ++i)
        f.Window->AddToReopen(W(QStringLiteral("/site/p%1.html").arg(i)));
    f.Window->AddToReopen(u"/site/p5.html");
    f.Window->AddToReopen(u"/site/a&b.html");
    const auto &list = f.Window->Settings.Reopen;
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list.front(), u"/site/p2.html"); // p0 dropped at the eleventh, p1 when a&b came
    EXPECT_EQ(list[8], u"/site/p5.html");
    QMenu *menu = f.Window->Menu(QStringLiteral("MenuReopen1"));
    ASSERT_EQ(menu->actions().size(), 10);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("&0 /site/a&&b.html"));
    EXPECT_EQ(menu->actions()[0]->data().toString(), QStringLiteral("/site/a&b.html"));
    EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("&1 /site/p5.html"));
    EXPECT_EQ(f.Window->Menu(QStringLiteral("PopUpReopen"))->actions().size(), 10);

    // An entry whose file is gone goes from the list and both menus.
    f.Window->ReopenEntryClick(u"/site/a&b.html");
    EXPECT_EQ(f.PromptTexts().back(),
              "File: /site/a&b.html no longer exists. This entry will be removed from the Reopen list.");
    EXPECT_EQ(f.Window->Settings.Reopen.size(), 9u);
    EXPECT_EQ(menu->actions().size(), 9);

    // A caption of a file with "&" shows one "&".
    const QString amp = f.Put(QStringLiteral("x&y.html"), "x\n");
    f.Window->Settings.CheckOpen = false;
    f.Window->OpenFile(W(amp), true, false, WideString());
    EXPECT_EQ(f.Window->TabCaption(0), QStringLiteral("x&&y.html"));
    EXPECT_EQ(f.Window->DisplayName(0), u"x&y.html");
}

TEST(MainWindowTabs, SwitchHandlerRunsForTheUserOnly)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    const QString a = f.Put(QStringLiteral("a.js"), "var a;\n");
    const QString b = f.Put(QStringLiteral("b.js"), "var b;\n");
    f.Window->OpenFile(W(a), true, false, WideString());
    f.Window->OpenFile(W(b), true, false, WideString());
    EXPECT_EQ(f.Window->StatusPanel(2), b);
    f.Window->SetActivePage(0);
    EXPECT_EQ(f.Window->ShownFileName, W(b)); // the program's own change runs no handler
    EXPECT_EQ(f.Window->StatusPanel(2), a); // but the status bar names the tab shown
    f.Window->PageControl1->tabBar()->setCurrentIndex(1); // as a click on the tab
    EXPECT_EQ(f.Window->StatusPanel(2), b);
    f.Window->PageControl1->tabBar()->setCurrentIndex(0);
    EXPECT_EQ(f.Window->StatusPanel(2), a);
    EXPECT_EQ(f.Window->ShownFileName, W(a));

    // Ctrl+D checks; Ctrl with the keypad's 4 does not.
    f.Window->NewSyntaxEditKeyDown(uint16_t(VK_NUMPAD0 + 4), ssCtrl);
    EXPECT_FALSE(f.Window->Tab(0)->Record->Checked);
    f.Window->NewSyntaxEditKeyDown('D', ssCtrl);
    EXPECT_TRUE(f.Window->Tab(0)->Record->Checked);

    // Ctrl+Tab on the editor selects the next tab, wrapping.
    f.Window->NewSyntaxEditKeyDown(VK_TAB, ssCtrl);
    EXPECT_EQ(f.Window->ActiveIndex(), 1);
    f.Window->NewSyntaxEditKeyDown(VK_TAB, ssCtrl);
    EXPECT_EQ(f.Window->ActiveIndex(), 0);
    EXPECT_EQ(f.Window->StatusPanel(2), a);
}

TEST(MainWindowTabs, ChangedOnDiskIsOfferedOnceAndReloaded)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    const QString a = f.Put(QStringLiteral("a.js"), "var a;\n");
    const QString b = f.Put(QStringLiteral("b.js"), "var b;\n");
    f.Window->OpenFile(W(a), true, false, WideString());
    f.Window->OpenFile(W(b), true, false, WideString());
    WriteBytes(a, "var changed;\n");
    struct timespec times[2] = {{0, UTIME_NOW}, {1, 0}};
    ::utimensat(AT_FDCWD, a.toLocal8Bit().constData(), times, 0); // a stamp surely different
    f.Prompts->Answer(mrCancel);
    f.Window->PageControl1->tabBar()->setCurrentIndex(0);
    ASSERT_EQ(f.PromptTexts().size(), 1u);
    EXPECT_EQ(f.PromptTexts()[0], "This file has been changed by another application! OK to Re-load this file now?");
    EXPECT_EQ(Lines(f.Editor(0)).at(0), "var a;");
    f.Window->PageControl1->tabBar()->setCurrentIndex(1);
    f.Window->PageControl1->tabBar()->setCurrentIndex(0);
    EXPECT_EQ(f.PromptTexts().size(), 1u); // the same change is not asked about again

    const struct timespec older[2] = {{2, 0}, {2, 0}};
    ::utimensat(AT_FDCWD, a.toLocal8Bit().constData(), older, 0);
    f.Prompts->Answer(mrOk);
    f.Window->PageControl1->tabBar()->setCurrentIndex(1);
    f.Window->PageControl1->tabBar()->setCurrentIndex(0);
    EXPECT_EQ(f.PromptTexts().size(), 2u);
    EXPECT_EQ(Lines(f.Editor(0)).at(0), "var changed;");
    EXPECT_FALSE(f.Editor(0).GetModified());
}

TEST(MainWindowKeys, EditorKeysRunOnceAndWindowShortcutsStillWork)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    f.Window->show();
    QApplication::setActiveWindow(f.Window.get());
    ASSERT_EQ(f.Window->TabCount(), 1); // the new file of the first showing
    int undoAction = 0;
    int saveAllAction = 0;
    // A window action bound to the editor's own undo key, as the Edit menu binds it.
    f.Window->AddAction(nullptr, QStringLiteral("TestUndo"), QStringLiteral("Undo"),
                        QKeySequence(QStringLiteral("Ctrl+Z")), [&] { ++undoAction; });
    f.Window->AddAction(nullptr, QStringLiteral("TestSaveAll"), QStringLiteral("Save all"),
                        QKeySequence(QStringLiteral("Ctrl+Shift+F12")), [&] { ++saveAllAction; });
    TSyntaxEdit &e = f.Editor(0);
    e.setFocus();
    QTest::keyClicks(&e, QStringLiteral("ab"));
    QTest::keyClick(&e, Qt::Key_Return);
    QTest::keyClicks(&e, QStringLiteral("cd"));
    ASSERT_EQ(Lines(e), (std::vector<std::string>{"ab", "cd"}));
    QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(undoAction, 0);
    EXPECT_NE(Lines(e), (std::vector<std::string>{"ab", "cd"})); // undone once by the editor
    const auto afterOne = Lines(e);
    EXPECT_TRUE(afterOne == (std::vector<std::string>{"ab", "c"}) || afterOne == (std::vector<std::string>{"ab", ""}));
    // A key the editor does not bind reaches the window's action.
    QTest::keyClick(&e, Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(saveAllAction, 1);
    f.Window->hide();
}

TEST(MainWindowHints, FindingsTooltipByCode)
{
    struct Case {
        int Code;
        const char *Hint;
    } cases[] = {
        {34, "When checking syntax, Quillmar always reads include files from disk NOT from the editor."},
        {1, "The name is a DOM keyword or similar and best avoided."},
        {192, "In an if condition must follow \"in\" with valid expression."},
        {69, ""}, // an empty entry
        {193, ""},
        {0, ""}, // the plain lines
        {-1, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TfrmQuillmarMain::FindingHint(c.Code).toStdString(), c.Hint) << c.Code;
    EXPECT_STREQ(TfrmQuillmarMain::Tips[13], "You can switch to the next editor tab by pressing CTRL + \"Tab\"");
}

TEST(MainWindowStyles, StyleConversions)
{
    for (int n : {0, 1, 5, 15, 16, 31, -1}) {
        EXPECT_EQ(IntToStyle(n), THighlightFontStyles(n & 15)) << n;
        EXPECT_EQ(StyleToInt(IntToStyle(n)), n & 15) << n;
    }
    QListWidget list;
    for (const char *name : {"Bold", "Italic", "Underline", "Strikeout"}) {
        auto *item = new QListWidgetItem(QString::fromLatin1(name), &list);
        item->setCheckState(Qt::Unchecked);
    }
    list.item(1)->setCheckState(Qt::Checked);
    list.item(3)->setCheckState(Qt::Checked);
    THighlightFontStyles style = hfsBold;
    ReadStyleChecks(list, style);
    EXPECT_EQ(style, hfsItalic | hfsStrikeOut);
    EXPECT_EQ(DoubleAmpersands(u"a&b&&c"), u"a&&b&&&&c");
    EXPECT_EQ(LastDotPos(u"a.b.c"), 4);
    EXPECT_EQ(LastDotPos(u"abc"), 0);
}

TEST(MainWindowOpen, DroppedFilesOpenUncheckedAndOnce)
{
    TWindowFixture f;
    const QString a = f.Put(QStringLiteral("a.html"), "<p>a</p>\n");
    const QString b = f.Put(QStringLiteral("b.js"), "var b;\n");
    f.Window->OpenFile(W(a), false, false, WideString());
    ASSERT_TRUE(f.Window->QzFormDropFiles1->DropPaths({a, b}, QPoint(10, 10)));
    ASSERT_EQ(f.Window->TabCount(), 2);
    EXPECT_EQ(f.Window->TabCaption(1), QStringLiteral("b.js"));
    EXPECT_FALSE(f.Window->Tab(1)->Record->Checked); // dropped files are never checked on opening
    ASSERT_EQ(f.PromptTexts().size(), 1u);
    EXPECT_NE(f.PromptTexts()[0].find("is already open!"), std::string::npos);
}

TEST(MainWindowSettings, WindowBoundsOfAClosedWindowAreKept)
{
    TWindowFixture f;
    f.Window->Settings.NewFile = false;
    f.Window->show();
    f.Window->setGeometry(120, 90, 700, 500);
    QCoreApplication::processEvents();
    const QRect shown = f.Window->geometry();
    EXPECT_TRUE(f.Window->close());
    f.Restart();
    EXPECT_EQ(f.Window->Settings.Width, shown.width());
    EXPECT_EQ(f.Window->Settings.Height, shown.height());
    EXPECT_EQ(f.Window->Settings.Left, shown.left());
    EXPECT_EQ(f.Window->Settings.WState, u"Normal");
}

namespace {

// Nodes of the navigation tree with children: how many there are and how many of them are open.
std::pair<int, int> MainWindowTestOpenBranches(TTreeNT &Tree)
{
    int branches = 0, open = 0;
    for (int i = 0; i < Tree.Items().GetCount(); ++i) {
        TTreeNTNode *node = Tree.Items().GetNodeFromIndex(i);
        if (node->GetHasChildren()) {
            ++branches;
            open += node->GetExpanded() ? 1 : 0;
        }
    }
    return {branches, open};
}

} // namespace

// With ShowTree on, the results a close or a tab switch brings up are expanded through Expand all,
// so after a Collapse all the menu offers "Collapse all" for the expanded tree it shows.
TEST(MainWindowClose, ShowTreeExpandsTheShownTreeAndTheTreeMenuFollows)
{
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.CheckOpen = false;
    w.Settings.ShowTree = true;
    w.Settings.TreeLocals = true;
    for (const char *name : {"a.js", "b.js", "c.js", "d.js"})
        w.OpenFile(W(f.Put(QString::fromLatin1(name), "function f(p) { var x = p; }\nfunction g() { var y; }\n")), true,
                   false, WideString());
    for (int i = 0; i < w.TabCount(); ++i) {
        w.SetActivePage(i);
        w.CheckSyntaxActionExecute();
    }
    QAction &expand = *w.Action(QStringLiteral("TreeViewExpandAction"));
    QAction &collapse = *w.Action(QStringLiteral("TreeViewCollapseAction"));
    // The user's keys and clicks, in the shown window: Ctrl+F4 in the editor, a click on a tab.
    w.show();
    QApplication::setActiveWindow(&w);
    const auto closeByKeys = [&] {
        w.ActiveEditor()->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::ControlModifier);
        QApplication::processEvents();
    };
    const struct {
        const char *Name;
        std::function<void()> Show; // brings another tab's results up
    } cases[] = {
        {"close", closeByKeys},
        {"user's tab switch",
         [&] {
             QTabBar *tabs = w.PageControl1->tabBar();
             QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(0).center());
             QApplication::processEvents();
             ASSERT_EQ(w.ActiveIndex(), 0);
         }},
        {"close of the first tab", closeByKeys},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        collapse.trigger();
        w.RefreshActionStates();
        ASSERT_GT(MainWindowTestOpenBranches(*w.NavTree).first, 0);
        ASSERT_EQ(MainWindowTestOpenBranches(*w.NavTree).second, 0);
        ASSERT_TRUE(expand.isEnabled());
        c.Show();
        w.RefreshActionStates();
        const auto [branches, open] = MainWindowTestOpenBranches(*w.NavTree);
        EXPECT_GT(branches, 0);
        EXPECT_EQ(open, branches);
        EXPECT_TRUE(w.TreeExpanded());
        EXPECT_FALSE(expand.isEnabled());
        EXPECT_TRUE(collapse.isEnabled());
    }
    EXPECT_EQ(w.TabCount(), 2);
    EXPECT_TRUE(f.PromptTexts().empty());
    w.hide();
}

// Saved bounds the screen cannot hold (written on a larger screen, or at another scale factor) open
// inside the screen: moved first, made smaller only where they must; bounds that fit stay as saved.
TEST(MainWindowSettings, RestoredBoundsFitIntoTheScreen)
{
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char *Name;
        const char *WState;
        QRect Saved;
        QRect Expected; // empty: inside the screen, no larger than it in either direction
    } cases[] = {
        {"larger than the screen", "Normal",
         QRect(avail.left() + 100, avail.top() + 100, avail.width() * 7 / 4, avail.height() * 3 / 2), QRect()},
        {"1400 x 900, as saved on a larger screen", "Normal", QRect(avail.left() + 30, avail.top() + 40, 1400, 900),
         QRect()},
        {"running off right and bottom", "Normal",
         QRect(avail.right() - avail.width() / 4, avail.bottom() - avail.height() / 4, avail.width() / 2,
               avail.height() / 2),
         QRect(avail.left() + avail.width() - avail.width() / 2, avail.top() + avail.height() - avail.height() / 2,
               avail.width() / 2, avail.height() / 2)},
        {"fits", "Normal",
         QRect(avail.left() + avail.width() / 8, avail.top() + avail.height() / 8, avail.width() / 2,
               avail.height() / 2),
         QRect(avail.left() + avail.width() / 8, avail.top() + avail.height() / 8, avail.width() / 2,
               avail.height() / 2)},
        {"maximised, larger restore bounds", "Max",
         QRect(avail.left() + 20, avail.top() + 20, avail.width() * 7 / 4, avail.height() * 3 / 2), QRect()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        const QRect s = c.Saved;
        const std::string ini = "[Window]\nWState=" + std::string(c.WState) + "\nLeft=" + std::to_string(s.left()) +
                                "\nTop=" + std::to_string(s.top()) + "\nWidth=" + std::to_string(s.width()) +
                                "\nHeight=" + std::to_string(s.height()) + "\nrsLeft=" + std::to_string(s.left()) +
                                "\nrsTop=" + std::to_string(s.top()) + "\nrsWidth=" + std::to_string(s.width()) +
                                "\nrsHeight=" + std::to_string(s.height()) + "\n[Editor]\nNewFile=0\n";
        TWindowFixture f(ini);
        TfrmQuillmarMain &w = *f.Window;
        const QRect restore = std::string(c.WState) == "Max" ? w.normalGeometry() : w.geometry();
        EXPECT_TRUE(avail.contains(restore))
            << restore.x() << "," << restore.y() << " " << restore.width() << "x" << restore.height();
        if (c.Expected.isEmpty())
            EXPECT_EQ(restore.size(), s.size().boundedTo(avail.size()));
        else
            EXPECT_EQ(restore, c.Expected);
        // Shown, the window with its frame lies inside the screen.
        w.show();
        QApplication::processEvents();
        EXPECT_TRUE(avail.contains(w.frameGeometry()));
        w.hide();
    }
}

TEST(MainWindowSettings, FitIntoScreenMovesBeforeItShrinks)
{
    const QRect screen(0, 0, 800, 600);
    const struct {
        const char *Name;
        QRect Bounds;
        QRect Available;
        QMargins Frame;
        QRect Expected;
    } cases[] = {
        {"inside", {100, 80, 400, 300}, screen, {}, {100, 80, 400, 300}},
        {"larger", {100, 100, 1400, 900}, screen, {}, screen},
        {"larger, with a frame", {100, 100, 1400, 900}, screen, {4, 30, 4, 4}, {4, 30, 792, 566}},
        {"off the left and top", {-500, -40, 300, 200}, screen, {}, {0, 0, 300, 200}},
        {"off the right, framed", {700, 100, 300, 200}, screen, {4, 30, 4, 4}, {496, 100, 300, 200}},
        {"wider only", {50, 50, 1000, 200}, screen, {}, {0, 50, 800, 200}},
        {"second screen", {1800, 100, 1400, 900}, {1920, 0, 1280, 1024}, {}, {1920, 100, 1280, 900}},
        {"top panel", {0, 0, 300, 200}, {0, 28, 800, 572}, {}, {0, 28, 300, 200}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FitIntoScreen(c.Bounds, c.Available, c.Frame), c.Expected) << c.Name;
}
