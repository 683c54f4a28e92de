// The check run against the real navigation tree control and findings list box (offscreen) gives the
// same findings and tree as against the in-memory tree.
#include <gtest/gtest.h>

#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "shell/NavTreeAdapter.h"
#include "tests/checker/CheckerTestSupport.h"

using namespace checktest;

TEST(CheckerOnControls, SameFindingsAndTreeAsInMemory)
{
    struct Case {
        const char *Fixture;
        const char *FileName;
    } cases[] = {
        {"shapes.js", "/site/shapes.js"},
        {"page.html", "/site/page.html"},
    };
    TCheckOptions o;
    o.Summary = true;
    o.SemiColon = true;
    o.WarnJSFuncNotCalled = true;
    for (const Case &c : cases) {
        const std::string text = ReadFixture(c.Fixture);
        ASSERT_FALSE(text.empty()) << c.Fixture;
        TRun memory;
        const std::string expectedFindings = memory.Check(c.FileName, text, o);
        const std::string expectedTree = memory.TreeDump();

        TTreeNT tree;
        TTextListBox box;
        TNavTreeAdapter nodes(tree.Items());
        TFakeIncludeHost host;
        THTMLJSFileChecker checker(&host);
        TTestDocument doc(c.FileName, text);
        TStringList includes, serverIncludes;
        // Twice: the second run clears what the first left in the controls.
        for (int round = 0; round < 2; ++round) {
            checker.CheckFile(doc, &box.Items(), &nodes, o, &includes, &serverIncludes, c.FileName);
            EXPECT_EQ(Findings(box.Items()), expectedFindings) << c.Fixture;
            EXPECT_EQ(DumpTree(nodes), expectedTree) << c.Fixture;
        }
        checker.ClearTree(&nodes);
        EXPECT_EQ(tree.Items().GetCount(), 0);
    }
}
