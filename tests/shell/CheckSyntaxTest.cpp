// Check syntax from the main window: the page's tree and findings, include tabs, the way back from
// a finding or a tree node to its line, results that stay with their tab.
#include "tests/shell/MainWindowSupport.h"

#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "controls/TreeNTNode.h"

#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <functional>

using namespace mwtest;

namespace {

std::vector<std::string> Findings(TfrmQuillmarMain &W)
{
    std::vector<std::string> r;
    for (int i = 0; i < W.ErrorList->Items().Count(); ++i)
        r.push_back(W.ErrorList->Items().Strings(i));
    return r;
}

std::string Dump(const std::vector<std::string> &Lines)
{
    std::string r;
    for (const std::string &l : Lines)
        r += l + "\n";
    return r;
}

int FindingIndex(TfrmQuillmarMain &W, const std::string &Part)
{
    const auto f = Findings(W);
    for (size_t i = 0; i < f.size(); ++i)
        if (f[i].find(Part) != std::string::npos)
            return int(i);
    return -1;
}

TTreeNTNode *NodeNamed(TfrmQuillmarMain &W, const std::string &Prefix)
{
    TTreeNTNodes &nodes = W.NavTree->Items();
    for (int i = 0; i < nodes.GetCount(); ++i) {
        TTreeNTNode *n = nodes.GetNodeFromIndex(i);
        if (Narrow(n->GetText()).rfind(Prefix, 0) == 0)
            return n;
    }
    return nullptr;
}

struct TSite {
    explicit TSite(TWindowFixture &F)
    {
        F.Window->Settings.OpenIncludes = true; // the includes open in tabs of their own
        QDir(F.Dir.path()).mkdir(QStringLiteral("lib"));
        Page = F.Put(QStringLiteral("page.html"),
                     "<html>\r\n<head>\r\n"
                     "<script type=\"text/javascript\" src=\"inc1.js\"></script>\r\n"
                     "<script type=\"text/javascript\" src=\"lib/inc2.js\"></script>\r\n"
                     "<script type=\"text/javascript\">\r\n"
                     "function go(n) {\r\n  return helper(n) + other(n);\r\n}\r\n"
                     "</script>\r\n</head>\r\n"
                     "<body onload=\"go(1)\">\r\n<form name=\"f1\"><input type=\"text\" name=\"t1\"></form>\r\n"
                     "</body>\r\n</html>\r\n");
        Inc1 = F.Put(QStringLiteral("inc1.js"), "function helper(x) {\r\n  return x * 2;\r\n}\r\n");
        Inc2 = F.Put(QStringLiteral("lib/inc2.js"), "function other(y) {\r\n  var z = 1;\r\n  return y + ;\r\n}\r\n");
        Other = F.Put(QStringLiteral("other.js"), "function lonely() {\r\n  return 1\r\n}\r\n");
    }
    QString Page, Inc1, Inc2, Other;
};

} // namespace

TEST(CheckSyntax, PageWithIncludesFillsTreeAndFindingsAndLeadsBackToTheLines)
{
    TWindowFixture f;
    TSite site(f);
    f.Window->OpenFile(W(site.Page), true, false, WideString()); // checked on opening
    TfrmQuillmarMain &w = *f.Window;
    // The two includes opened as include tabs of the page; the page stays active.
    ASSERT_EQ(w.TabCount(), 3) << Dump(Findings(w));
    EXPECT_EQ(w.ActiveIndex(), 0);
    EXPECT_EQ(w.TabCaption(1), QStringLiteral("inc1.js"));
    EXPECT_EQ(w.TabCaption(2), QStringLiteral("inc2.js"));
    EXPECT_EQ(w.Tab(2)->Record->ParentName, W(site.Page));
    EXPECT_EQ(w.StatusPanel(2), site.Page);
    const TTarnFile &page = *w.Tab(0)->Record;
    EXPECT_TRUE(page.Checked);
    ASSERT_EQ(page.Includes.Count(), 2);
    EXPECT_EQ(page.Includes.Strings(1), ToLocalPath(site.Inc2));
    EXPECT_EQ(w.ShownFileName, W(site.Page));

    // The tree has the page's function and the includes; the findings name the include's line.
    EXPECT_NE(NodeNamed(w, "go"), nullptr);
    EXPECT_NE(NodeNamed(w, "Include#2"), nullptr);
    const int inInclude2 = FindingIndex(w, "of Include; " + ToLocalPath(site.Inc2));
    ASSERT_GE(inInclude2, 0) << Dump(Findings(w));
    EXPECT_NE(Findings(w)[size_t(inInclude2)].find("on line 3 of Include"), std::string::npos);
    EXPECT_EQ(page.GetMessageLines().Count(), w.ErrorList->Items().Count());

    // A click on that finding activates the include's tab and marks line 3 (editor line 2).
    w.ErrorList->SetItemIndex(inInclude2);
    w.NewListBoxClick();
    EXPECT_EQ(w.ActiveIndex(), 2);
    EXPECT_EQ(w.ActiveEditor()->MarkLine(), 2);

    // A tree click on a function of include 1 goes to its tab and line; the include tab shows its
    // parent's results, so a node of the page brings the page back.
    w.SetActivePage(0);
    TTreeNTNode *helper = NodeNamed(w, "helper");
    ASSERT_NE(helper, nullptr);
    w.NavTree->SetSelected(helper);
    w.NewTreeViewClick();
    EXPECT_EQ(w.ActiveIndex(), 1);
    EXPECT_EQ(w.ActiveEditor()->MarkLine(), 0);
    TTreeNTNode *go = NodeNamed(w, "go");
    w.NavTree->SetSelected(go);
    w.NewTreeViewClick();
    EXPECT_EQ(w.ActiveIndex(), 0);
    EXPECT_EQ(w.ActiveEditor()->MarkLine(), 5);

    // A line whose number does not read, or without a line, does nothing.
    const int before = w.ActiveIndex();
    w.ErrorList->Items().Add("(013) Warning on line x2, broken");
    w.ErrorList->SetItemIndex(w.ErrorList->Items().Count() - 1);
    w.NewListBoxClick();
    w.ErrorList->Items().Add("Checking took 0.001 seconds");
    w.ErrorList->SetItemIndex(w.ErrorList->Items().Count() - 1);
    w.NewListBoxClick();
    EXPECT_EQ(w.ActiveIndex(), before);
}

TEST(CheckSyntax, ResultsStayWithTheirTabAcrossSwitchesAndCloses)
{
    TWindowFixture f;
    TSite site(f);
    TfrmQuillmarMain &w = *f.Window;
    w.OpenFile(W(site.Page), true, false, WideString());
    const auto pageFindings = Findings(w);
    const int pageNodes = w.NavTree->Items().GetCount();
    w.OpenFile(W(site.Other), true, false, WideString());
    const auto otherFindings = Findings(w);
    ASSERT_NE(pageFindings, otherFindings);
    ASSERT_EQ(w.TabCount(), 4);

    // Switching as the user does brings each tab's results back.
    w.PageControl1->setCurrentIndex(0);
    EXPECT_EQ(Findings(w), pageFindings);
    EXPECT_EQ(w.NavTree->Items().GetCount(), pageNodes);
    // An unchecked include tab shows its parent's results.
    w.PageControl1->setCurrentIndex(3);
    EXPECT_EQ(Findings(w), otherFindings);
    w.PageControl1->setCurrentIndex(2);
    EXPECT_EQ(Findings(w), pageFindings);
    // Checked itself, it shows its own; the parent keeps the page's.
    w.CheckSyntaxActionExecute();
    EXPECT_TRUE(w.Tab(2)->Record->Checked);
    const auto includeFindings = Findings(w);
    EXPECT_NE(includeFindings, pageFindings);
    w.PageControl1->setCurrentIndex(0);
    EXPECT_EQ(Findings(w), pageFindings);

    // Closing tabs frees their records once; what the other tabs show still leads to the text.
    std::weak_ptr<TNavRecArena> pageRecords = w.Tab(0)->Record->TreeRecords();
    ASSERT_FALSE(pageRecords.expired());
    w.SetActivePage(3);
    w.FileCloseActionExecute(); // other.js: the tab before, inc2.js, becomes active with its own results
    EXPECT_EQ(w.ActiveIndex(), 2);
    EXPECT_EQ(Findings(w), includeFindings);
    w.SetActivePage(0);
    w.FileCloseActionExecute();
    w.FileCloseAllActionExecute();
    EXPECT_EQ(w.TabCount(), 0);
    EXPECT_TRUE(pageRecords.expired());
}

// A check leaves its tree and findings in the window's lists; whatever next replaces them there (a new
// file, another file opened with or without a check) must not lose them for the checked tab.
TEST(CheckSyntax, ACheckedTabGetsItsResultsBackAfterEveryChangeOfTheLists)
{
    const std::vector<std::pair<const char *, std::function<void(TfrmQuillmarMain &, TSite &)>>> changes = {
        {"new file", [](TfrmQuillmarMain &Win, TSite &) { Win.FileNewActionExecute(); }},
        {"open unchecked", [](TfrmQuillmarMain &Win, TSite &S) { Win.OpenFile(W(S.Inc1), false, false, {}); }},
        {"open checked", [](TfrmQuillmarMain &Win, TSite &S) { Win.OpenFile(W(S.Page), true, false, {}); }},
    };
    for (const auto &[what, change] : changes) {
        TWindowFixture f;
        TSite site(f);
        TfrmQuillmarMain &w = *f.Window;
        w.OpenFile(W(site.Other), true, false, WideString());
        const auto findings = Findings(w);
        std::vector<std::string> nodes;
        for (int i = 0; i < w.NavTree->Items().GetCount(); ++i)
            nodes.push_back(Narrow(w.NavTree->Items().GetNodeFromIndex(i)->GetText()));
        ASSERT_GT(nodes.size(), 1u) << what;

        change(w, site);
        ASSERT_GT(w.TabCount(), 1) << what;
        ASSERT_NE(Findings(w), findings) << what;
        w.PageControl1->setCurrentIndex(0); // as the user switches back
        EXPECT_EQ(Findings(w), findings) << what;
        std::vector<std::string> shown;
        for (int i = 0; i < w.NavTree->Items().GetCount(); ++i)
            shown.push_back(Narrow(w.NavTree->Items().GetNodeFromIndex(i)->GetText()));
        EXPECT_EQ(shown, nodes) << what;
        EXPECT_EQ(w.Tab(0)->Record->GetMessageLines().Count(), int(findings.size())) << what;
    }
}

TEST(CheckSyntax, TreeNodeLinesAndIncludeNames)
{
    TWindowFixture f;
    TSite site(f);
    f.Window->OpenFile(W(site.Page), true, false, WideString());
    WideString name = u"kept";
    EXPECT_TRUE(f.Window->IncludeName(5, name));
    EXPECT_EQ(name, u"unknown Include file");
    f.Window->SetActivePage(2);
    EXPECT_TRUE(f.Window->IncludeName(0, name));
    EXPECT_EQ(name, W(site.Inc1));
}

// The text of a file opened with the check on shows before the check runs, so the user reads it
// while a long check goes on.
TEST(CheckSyntax, AnOpenedFileIsPaintedBeforeItIsChecked)
{
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.CheckOpen = true;
    w.resize(900, 700);
    w.show();
    QCoreApplication::processEvents();
    const QString script = f.Put(QStringLiteral("bad.js"), "var a = ;\nfunction f( { }\n");

    struct TFirstPaint : QObject {
        TfrmQuillmarMain *Window = nullptr;
        int FindingsAtFirstPaint = -1;
        bool eventFilter(QObject *Watched, QEvent *Event) override
        {
            if (Event->type() == QEvent::Paint && FindingsAtFirstPaint < 0 && Window->ActiveEditor() &&
                Watched == Window->ActiveEditor()->TextWindow())
                FindingsAtFirstPaint = Window->ErrorList->Items().Count();
            return false;
        }
    } watch;
    watch.Window = &w;
    qApp->installEventFilter(&watch);
    w.OpenFile(W(script), true, false, WideString());
    qApp->removeEventFilter(&watch);
    EXPECT_EQ(watch.FindingsAtFirstPaint, 0) << "painted only after the check filled the findings";
    EXPECT_GT(w.ErrorList->Items().Count(), 0);
}

// A finding inside an include leads to the include's tab and line by its record, whatever the include's
// path holds: a comma in the path once cut the name short there. The explanation shown on the line comes
// from the record's code as well.
TEST(CheckSyntax, ClickedFindingOfAnIncludeWithACommaInItsPathGoesThere)
{
    TWindowFixture f;
    const QString inc = f.Put(QStringLiteral("lib, old.js"), "function helper(x) {\r\n  var y = 1;\r\n  y z;\r\n}\r\n");
    const QString page = f.Put(QStringLiteral("page.html"),
                               "<html>\r\n<script type=\"text/javascript\" src=\"lib, old.js\"></script>\r\n"
                               "<script type=\"text/javascript\">\r\nhelper(1);\r\n</script>\r\n</html>\r\n");
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.OpenIncludes = true; // the include opens in a tab of its own
    w.OpenFile(W(page), true, false, WideString()); // checked on opening
    w.resize(900, 600);
    w.show();
    ASSERT_EQ(w.TabCount(), 2);
    EXPECT_EQ(w.ActiveIndex(), 0);
    QApplication::processEvents();

    const std::string shown = "(077) Syntax error on line 3 of Include; " + ToLocalPath(inc) + ", missing symbol";
    const int row = FindingIndex(w, shown);
    ASSERT_GE(row, 0) << Dump(Findings(w));
    const QRect rect = w.ErrorList->visualRect(w.ErrorList->model()->index(row, 0));
    ASSERT_TRUE(rect.isValid());
    QTest::mouseClick(w.ErrorList->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(w.ActiveIndex(), 1);
    EXPECT_EQ(w.TabCaption(1), QStringLiteral("lib, old.js"));
    EXPECT_EQ(w.ActiveEditor()->MarkLine(), 2);

    // The tooltip of that line explains finding 77.
    QHelpEvent help(QEvent::ToolTip, rect.center(), w.ErrorList->viewport()->mapToGlobal(rect.center()));
    QApplication::sendEvent(w.ErrorList->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), TfrmQuillmarMain::FindingHint(77));
    EXPECT_FALSE(QToolTip::text().isEmpty());

    // The results go with the page's tab and back: the record comes back with its line.
    w.SetActivePage(0);
    ASSERT_EQ(FindingIndex(w, shown), row);
    w.ErrorList->SetItemIndex(-1);
    QTest::mouseClick(w.ErrorList->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(w.ActiveIndex(), 1);
    EXPECT_EQ(w.ActiveEditor()->MarkLine(), 2);
}
