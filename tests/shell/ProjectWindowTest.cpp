// Projects as the user meets them in the window: opening one opens its files (the parent script
// last, with the others as its includes, then checked), the tree, the actions that write the file,
// and closing.
#include "tests/shell/MainWindowSupport.h"

#include "controls/TreeNT.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

// The tree's texts, depth first, indented by level.
std::vector<std::string> TreeTexts(TTreeNT &Tree)
{
    std::vector<std::string> out;
    std::function<void(TTreeNTNode *, int)> walk = [&](TTreeNTNode *Node, int Level) {
        for (; Node; Node = Node->GetNextSibling()) {
            out.push_back(std::string(size_t(Level) * 2, ' ') + Narrow(Node->GetText()));
            walk(Node->GetFirstChild(), Level + 1);
        }
    };
    walk(Tree.Items().GetFirstNode(), 0);
    return out;
}

TTreeNTNode *FindNode(TTreeNT &Tree, const QString &Text)
{
    for (int i = 0; i < Tree.Items().GetCount(); ++i)
        if (TTreeNTNode *n = Tree.Items().GetNodeFromIndex(i); n && ToQString(n->GetText()) == Text)
            return n;
    return nullptr;
}

std::vector<QString> TabFiles(TfrmQuillmarMain &W)
{
    std::vector<QString> out;
    for (int i = 0; i < W.TabCount(); ++i)
        out.push_back(QFileInfo(ToQString(W.Tab(i)->Editor->FileName())).fileName());
    return out;
}

bool Trigger(TfrmQuillmarMain &W, const char *Name)
{
    W.RefreshActionStates();
    QAction *a = W.Action(QString::fromLatin1(Name));
    if (!a || !a->isEnabled())
        return false;
    a->trigger();
    return true;
}

} // namespace

TEST(ProjectWindow, OpenOpensFilesParentLastThenChecksAndCloseKeepsThemOnNo)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = true;
    const QString page = f.Put(QStringLiteral("index.html"), "<html><body><script>x = 1;</script></body></html>\r\n");
    const QString main = f.Put(QStringLiteral("main.js"), "function go() { helper(); }\r\n");
    const QString lib = f.Put(QStringLiteral("lib.js"), "function helper() { return 1; }\r\n");
    const QString css = f.Put(QStringLiteral("site.css"), "body { color: red; }\r\n");
    // The parent is listed first among the scripts, yet opens after them.
    const std::string text = "NotFrames\r\n1\r\n" + page.toStdString() + "\r\n2\r\n" + main.toStdString() + "\r\n" +
                             lib.toStdString() + "\r\n1\r\n" + css.toStdString() + "\r\n" + main.toStdString() + "\r\n";
    const QString prj = f.Put(QStringLiteral("site.prj"), text);

    f.Answers.push_back({{prj}});
    ASSERT_TRUE(Trigger(*f.Window, "ActionProjOpen"));
    EXPECT_TRUE(f.PromptTexts().empty());
    EXPECT_EQ(TabFiles(*f.Window), (std::vector<QString>{"index.html", "lib.js", "main.js", "site.css"}));
    TfrmQuillmarMain &w = *f.Window;
    // The parent's tab is in front, lists the other script as its include and was checked; the
    // other script is an include tab of the parent and was not checked on its own.
    EXPECT_EQ(w.ActiveIndex(), 2);
    EXPECT_EQ(w.StatusPanel(2), main);
    const TTarnFile &parent = *w.Tab(2)->Record;
    ASSERT_EQ(parent.Includes.Count(), 1);
    EXPECT_EQ(parent.Includes.Strings(0), lib.toStdString());
    EXPECT_TRUE(parent.Checked);
    EXPECT_EQ(ToQString(w.Tab(1)->Record->ParentName), main);
    EXPECT_FALSE(w.Tab(1)->Record->Checked);
    EXPECT_TRUE(w.Tab(0)->Record->Checked); // pages are checked as they open
    EXPECT_EQ(TreeTexts(*w.TreeNTProjects),
              (std::vector<std::string>{"site.prj", "  HTML Files", "    " + page.toStdString(), "  Javascript Files",
                                        "    " + main.toStdString(), "    " + lib.toStdString(), "  Other Files",
                                        "    " + css.toStdString()}));
    // Only one project at a time.
    w.RefreshActionStates();
    EXPECT_FALSE(w.Action(QStringLiteral("ActionProjOpen"))->isEnabled());
    EXPECT_FALSE(w.Action(QStringLiteral("ActionProjNew"))->isEnabled());
    EXPECT_TRUE(w.Action(QStringLiteral("ActionProjClose"))->isEnabled());
    EXPECT_FALSE(w.Action(QStringLiteral("ActionProjSetJSParent"))->isEnabled());

    // The script parent follows the choice in the tree and is written at once.
    w.TreeNTProjects->SetSelected(FindNode(*w.TreeNTProjects, lib));
    ASSERT_TRUE(Trigger(w, "ActionProjSetJSParent"));
    EXPECT_EQ(w.CurrentProjectObject()->JSParent, lib.toStdString());
    const std::string written = ReadBytes(prj);
    EXPECT_EQ(written.substr(written.size() - lib.size() - 2), lib.toStdString() + "\r\n");
    TCheckProject seen;
    ASSERT_TRUE(w.CurrentProject(seen));
    EXPECT_EQ(seen.JSParent, lib.toStdString());
    EXPECT_EQ(seen.JavascriptFiles.size(), 2u);

    // Frameset: written, shown in the root and as the action's check mark.
    ASSERT_TRUE(Trigger(w, "ActionProjToggle"));
    EXPECT_EQ(ReadBytes(prj).substr(0, 8), "Frames\r\n");
    EXPECT_EQ(Narrow(w.TreeNTProjects->Items().GetFirstNode()->GetText()), "site.prj (Frameset)");
    EXPECT_TRUE(w.Action(QStringLiteral("ActionProjToggle"))->isChecked());

    // Close answered No: the project ends, its files stay open.
    f.Prompts->Answer(mrNo);
    ASSERT_TRUE(Trigger(w, "ActionProjClose"));
    EXPECT_EQ(f.PromptTexts().back(), "Close all files in this project?");
    EXPECT_TRUE(w.Projects.empty());
    EXPECT_EQ(w.TabCount(), 4);
    EXPECT_EQ(TreeTexts(*w.TreeNTProjects), std::vector<std::string>{"No projects open"});
    TCheckProject none;
    EXPECT_FALSE(w.CurrentProject(none));

    // Opened again while its files are open: each is reported once and not opened twice; Close
    // answered Yes closes them all.
    f.Prompts->Clear();
    f.Answers.push_back({{prj}});
    ASSERT_TRUE(Trigger(w, "ActionProjOpen"));
    EXPECT_EQ(f.PromptTexts().size(), 4u);
    EXPECT_EQ(w.TabCount(), 4);
    EXPECT_TRUE(w.CurrentProjectObject()->Frameset);
    f.Prompts->Answer(mrYes);
    ASSERT_TRUE(Trigger(w, "ActionProjClose"));
    EXPECT_EQ(w.TabCount(), 0);
}

TEST(ProjectWindow, NewAddRemoveAndShortFiles)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    TfrmQuillmarMain &w = *f.Window;
    const QString page = f.Put(QStringLiteral("a.HTML"), "<p>a</p>\r\n");
    const QString script = f.Put(QStringLiteral("b.js"), "var b;\r\n");
    const QString prj = f.File(QStringLiteral("p.prj"));

    // A name that does not fit the filter is confirmed first; No makes nothing.
    f.Prompts->Answer(mrNo);
    f.Answers.push_back({{f.File(QStringLiteral("p.txt"))}, 1});
    ASSERT_TRUE(Trigger(w, "ActionProjNew"));
    EXPECT_TRUE(w.Projects.empty());
    EXPECT_FALSE(QFileInfo::exists(f.File(QStringLiteral("p.txt"))));
    f.Answers.push_back({{prj}, 1});
    ASSERT_TRUE(Trigger(w, "ActionProjNew"));
    EXPECT_EQ(ReadBytes(prj), "NotFrames\r\n0\r\n0\r\n0\r\n\r\n");
    EXPECT_EQ(TreeTexts(*w.TreeNTProjects),
              (std::vector<std::string>{"p.prj", "  HTML Files", "  Javascript Files", "  Other Files"}));

    w.OpenFile(W(page), false, false, WideString());
    w.OpenFile(W(script), false, false, WideString());
    ASSERT_TRUE(Trigger(w, "ActionProjAddActiveFile"));
    EXPECT_EQ(ReadBytes(prj), "NotFrames\r\n0\r\n1\r\n" + script.toStdString() + "\r\n0\r\n\r\n");
    ASSERT_TRUE(Trigger(w, "ActionProjAddAll"));
    const std::string both =
        "NotFrames\r\n1\r\n" + page.toStdString() + "\r\n1\r\n" + script.toStdString() + "\r\n0\r\n\r\n";
    EXPECT_EQ(ReadBytes(prj), both);

    // Remove: nothing selected is refused; a group node does nothing; a file asks to close its tab.
    f.Prompts->Clear();
    w.TreeNTProjects->SetSelected(nullptr);
    ASSERT_TRUE(Trigger(w, "ActionProjRemoveFile"));
    EXPECT_EQ(f.PromptTexts(), std::vector<std::string>{"Select a file in the project first!"});
    w.TreeNTProjects->SetSelected(FindNode(*w.TreeNTProjects, QStringLiteral("HTML Files")));
    ASSERT_TRUE(Trigger(w, "ActionProjRemoveFile"));
    EXPECT_EQ(ReadBytes(prj), both);
    w.TreeNTProjects->SetSelected(FindNode(*w.TreeNTProjects, page));
    f.Prompts->Answer(mrYes);
    ASSERT_TRUE(Trigger(w, "ActionProjRemoveFile"));
    EXPECT_EQ(f.PromptTexts().back(), "Close the editor for " + page.toStdString() + "?");
    EXPECT_EQ(TabFiles(w), std::vector<QString>{"b.js"});
    EXPECT_EQ(ReadBytes(prj), "NotFrames\r\n0\r\n1\r\n" + script.toStdString() + "\r\n0\r\n\r\n");

    f.Prompts->Answer(mrYes);
    ASSERT_TRUE(Trigger(w, "ActionProjClose"));
    EXPECT_EQ(w.TabCount(), 0);

    // A project that cannot be read is reported and not kept open.
    f.Prompts->Clear();
    QDir(f.Dir.path()).mkdir(QStringLiteral("folder.prj"));
    f.Answers.push_back({{f.File(QStringLiteral("folder.prj"))}});
    ASSERT_TRUE(Trigger(w, "ActionProjOpen"));
    ASSERT_EQ(f.PromptTexts().size(), 1u);
    EXPECT_NE(f.PromptTexts()[0].find("Cannot open project file"), std::string::npos);
    EXPECT_TRUE(w.Projects.empty());

    // A file cut short loads what it has and says so.
    const QString shortPrj = f.Put(QStringLiteral("short.prj"), "NotFrames\r\n3\r\n" + page.toStdString() + "\r\n");
    f.Prompts->Clear();
    f.Answers.push_back({{shortPrj}});
    ASSERT_TRUE(Trigger(w, "ActionProjOpen"));
    ASSERT_EQ(f.PromptTexts().size(), 1u);
    EXPECT_NE(f.PromptTexts()[0].find("ends early"), std::string::npos);
    EXPECT_EQ(TabFiles(w), std::vector<QString>{"a.HTML"});
    // A click on a file that is not open offers to open it.
    w.FileCloseActionExecute();
    f.Prompts->Clear();
    w.TreeNTProjects->SetSelected(FindNode(*w.TreeNTProjects, page));
    f.Prompts->Answer(mrYes);
    w.TreeNTProjectsClick();
    EXPECT_EQ(f.PromptTexts(),
              std::vector<std::string>{"File: " + page.toStdString() + " not open. Do you want to open it now?"});
    EXPECT_EQ(TabFiles(w), std::vector<QString>{"a.HTML"});
    // With the file open, a click brings its tab to the front without asking.
    w.FileNewActionExecute();
    f.Prompts->Clear();
    w.TreeNTProjectsClick();
    EXPECT_TRUE(f.PromptTexts().empty());
    EXPECT_EQ(w.ActiveIndex(), 0);
}

TEST(ProjectWindow, ClickOnAFileNodeOffersToOpenItThenShowsItsTab)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    TfrmQuillmarMain &w = *f.Window;
    const QString other = f.Put(QStringLiteral("notes.txt"), "n\r\n");
    const QString prj =
        f.Put(QStringLiteral("n.prj"), "NotFrames\r\n0\r\n0\r\n1\r\n" + other.toStdString() + "\r\n\r\n");
    w.resize(900, 600);
    w.show();
    f.Answers.push_back({{prj}});
    ASSERT_TRUE(Trigger(w, "ActionProjOpen"));
    const int tabs = w.TabCount();
    w.FileCloseActionExecute(); // notes.txt, opened with the project
    w.PageControlNav->setCurrentWidget(w.TreeNTProjects);
    QApplication::processEvents();
    TTreeNTNode *node = FindNode(*w.TreeNTProjects, other);
    ASSERT_NE(node, nullptr);
    // The start of the label: a full path is wider than the panel.
    const QRect label = w.TreeNTProjects->NodeRect(node, true);
    const QPoint at(label.left() + 4, label.center().y());
    f.Prompts->Clear();
    f.Prompts->Answer(mrYes);
    QTest::mouseClick(w.TreeNTProjects->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(f.PromptTexts(),
              std::vector<std::string>{"File: " + other.toStdString() + " not open. Do you want to open it now?"});
    ASSERT_EQ(w.TabCount(), tabs);
    // With the file open, a click on its node brings its tab to the front without asking.
    w.SetActivePage(0);
    f.Prompts->Clear();
    QTest::mouseClick(w.TreeNTProjects->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(f.PromptTexts().empty());
    EXPECT_EQ(ToQString(w.ActiveEditor()->FileName()), other);
    EXPECT_EQ(w.StatusPanel(2), other);
}

TEST(ProjectWindow, AnIncludeThatAPagesCheckOpenedIsNotReportedAsAlreadyOpen)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = true;
    f.Window->Settings.OpenIncludes = true;
    const QString lib = f.Put(QStringLiteral("lib.js"), "function helper() { return 1; }\r\n");
    const QString page = f.Put(QStringLiteral("index.html"),
                               "<html><script type=\"text/javascript\" src=\"lib.js\"></script></html>\r\n");
    const QString prj = f.Put(QStringLiteral("site.prj"), "NotFrames\r\n1\r\n" + page.toStdString() + "\r\n1\r\n" +
                                                              lib.toStdString() + "\r\n0\r\n\r\n");
    f.Answers.push_back({{prj}});
    ASSERT_TRUE(Trigger(*f.Window, "ActionProjOpen"));
    // The page's check opened its include before the project came to its scripts.
    EXPECT_TRUE(f.PromptTexts().empty()) << f.PromptTexts().front();
    EXPECT_EQ(TabFiles(*f.Window), (std::vector<QString>{"index.html", "lib.js"}));
}
