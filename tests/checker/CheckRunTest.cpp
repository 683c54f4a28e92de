// The check run on .js files and empty pages: findings lines, closing lines and the navigation tree under
// the options that shape them.
#include <gtest/gtest.h>

#include "checker/JSParser.h"
#include "tests/checker/CheckerTestSupport.h"

using namespace checktest;

namespace {

TCheckOptions Options(bool TreeGlobals, bool TreeLocals, bool NoWarnings, bool Summary)
{
    TCheckOptions o;
    o.TreeGlobals = TreeGlobals;
    o.TreeLocals = TreeLocals;
    o.NoWarnings = NoWarnings;
    o.Summary = Summary;
    o.SemiColon = true;
    return o;
}

const char *const kShapesWarnings = "(022) Warning on line 5, parameter \"width\" is a reserved word or DOM object\n"
                                    "(022) Warning on line 5, parameter \"height\" is a reserved word or DOM object\n"
                                    "(013) Warning on line 15, missing semicolon\n";

const char *const kShapesSummary = "Javascript file had 21 lines, 88 tokens, 1 missing semicolons\n";

const char *const kShapesFullTree = "Global variables [4] 1\n"
                                    "  count [5] 1\n"
                                    "  names [5] 2\n"
                                    "  s [5] 19\n"
                                    "Javascript functions [3] 0\n"
                                    "  Constructor-Shape(width,height) [19] 4\n"
                                    "    area [8] 5\n"
                                    "    describe(prefix) [7] 7\n"
                                    "  tick() [7] 13\n"
                                    "    local [8] 15\n";

} // namespace

TEST(CheckRun, ScriptFileFindingsAndTreeFollowTheOptions)
{
    struct Case {
        const char *Name;
        TCheckOptions Opt;
        std::string Findings;
        std::string Tree;
    };
    const Case cases[] = {
        {"all on", Options(true, true, false, false), std::string(kShapesWarnings) + "<timing>\n", kShapesFullTree},
        {"summary", Options(true, true, false, true),
         std::string(kShapesWarnings) + kShapesSummary + "Summary: 1 missing semicolons, 3 warnings\n<timing>\n",
         kShapesFullTree},
        {"no warnings", Options(true, true, true, true),
         std::string(kShapesSummary) + "Summary: 1 missing semicolons\n<timing>\n", kShapesFullTree},
        {"no warnings, no summary", Options(true, true, true, false), "No errors detected\n<timing>\n",
         kShapesFullTree},
        {"no globals", Options(false, true, false, false), std::string(kShapesWarnings) + "<timing>\n",
         "Javascript functions [3] 0\n"
         "  Constructor-Shape(width,height) [19] 4\n"
         "    area [8] 5\n"
         "    describe(prefix) [7] 7\n"
         "  tick() [7] 13\n"
         "    local [8] 15\n"},
        {"no locals", Options(true, false, false, false), std::string(kShapesWarnings) + "<timing>\n",
         "Global variables [4] 1\n"
         "  count [5] 1\n"
         "  names [5] 2\n"
         "  s [5] 19\n"
         "Javascript functions [3] 0\n"
         "  Constructor-Shape(width,height) [19] 4\n"
         "    describe(prefix) [7] 7\n"
         "  tick() [7] 13\n"},
    };
    const std::string text = ReadFixture("shapes.js");
    ASSERT_FALSE(text.empty());
    for (const Case &c : cases) {
        TRun run;
        EXPECT_EQ(run.Check("/site/shapes.js", text, c.Opt), c.Findings) << c.Name;
        EXPECT_EQ(run.TreeDump(), c.Tree) << c.Name;
    }
}

TEST(CheckRun, ModeFollowsTheExtensionWithoutCase)
{
    // A .JS file is a script file (functions under one root); .ASPX and .htm are pages, where text outside
    // script sections is not script.
    const std::string text = "function f() { return 1; }\n";
    struct Case {
        const char *File;
        const char *Tree;
        const char *Findings;
    } cases[] = {
        {"/a/UP.JS", "Javascript functions [3] 0\n  f() [7] 0\n", "No errors detected\n<timing>\n"},
        {"/a/page.ASPX", "", "No errors detected\n<timing>\n"},
        {"/a/page.htm", "", "No errors detected\n<timing>\n"},
        {"/a/noext", "", "No errors detected\n<timing>\n"},
    };
    for (const Case &c : cases) {
        TRun run;
        EXPECT_EQ(run.Check(c.File, text, Options(true, true, false, false)), c.Findings) << c.File;
        EXPECT_EQ(run.TreeDump(), c.Tree) << c.File;
    }
}

TEST(CheckRun, EmptyDocumentsAndRepeatedRunsStartClean)
{
    TRun run;
    EXPECT_EQ(run.Check("/a/empty.html", "", Options(true, true, false, true)), "No errors detected\n<timing>\n");
    EXPECT_EQ(run.TreeDump(), "");

    // A run with findings, then a clean one on the same checker: nothing of the first remains.
    EXPECT_NE(run.Check("/a/x.js", "var a = 1\nfunction g() {}\n", Options(true, true, false, false)),
              "No errors detected\n<timing>\n");
    EXPECT_EQ(run.Check("/a/x.js", "var b = 2;\n", Options(true, true, false, false)),
              "No errors detected\n<timing>\n");
    EXPECT_EQ(run.TreeDump(), "Global variables [4] 0\n  b [5] 0\nJavascript functions [3] 0\n");
    EXPECT_EQ(run.Checker.Lists().Functions.Count(), 0);
    EXPECT_EQ(run.Checker.Lists().GlobalVars.Count(), 1);
}

TEST(CheckRun, OptionsHoldFromTheFirstFindingOfTheRun)
{
    // The page raises warning 49 before any script is parsed; NoWarnings of this run must drop it even
    // though the previous run parsed with warnings on.
    TRun run;
    const std::string page = "< input type=\"text\">\n";
    EXPECT_NE(run.Check("/a/p.html", page, Options(true, true, false, false)).find("(049)"), std::string::npos);
    EXPECT_EQ(run.Check("/a/p.html", page, Options(true, true, true, false)), "No errors detected\n<timing>\n");
    EXPECT_EQ(run.Check("/a/p.html", page, Options(true, true, false, false)),
              "(049) Warning on line 1, space between < and input causes problems with some browsers\n<timing>\n");
}

TEST(CheckRun, TimingLineIsLocaleFreeAndLast)
{
    TRun run;
    setlocale(LC_NUMERIC, "de_DE.UTF-8"); // where present, a comma locale must not change the line
    run.Check("/a/x.js", "var a;\n", Options(true, true, false, false));
    setlocale(LC_NUMERIC, "C");
    ASSERT_GE(run.Items.Count(), 2);
    const std::string last = run.Items[run.Items.Count() - 1];
    EXPECT_EQ(last.rfind("Checking took ", 0), 0u);
    EXPECT_NE(last.find('.'), std::string::npos);
    EXPECT_EQ(last.find(','), std::string::npos);
    EXPECT_EQ(run.Items[run.Items.Count() - 2], "No errors detected");
}
