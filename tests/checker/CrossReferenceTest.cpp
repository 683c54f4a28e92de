// The cross-reference pass beyond the golden pages: what .js mode leaves out, constructor members in the
// tree, and a second run over what the server-side pass leaves.
#include <gtest/gtest.h>

#include "tests/checker/CheckerTestSupport.h"

using namespace checktest;

TEST(CrossReference, FunctionsNeverCalledOnlyOnPages)
{
    const std::string script = "function used() { return 1; }\nfunction unused() { return 2; }\nused();\n";
    struct Case {
        const char *File;
        bool Warn;
        bool Expect46;
    } cases[] = {
        {"/a/x.js", true, false},
        {"/a/x.html", true, true},
        {"/a/x.html", false, false},
    };
    for (const Case &c : cases) {
        TRun run;
        TCheckOptions o;
        o.WarnJSFuncNotCalled = c.Warn;
        const std::string text = std::string(c.File).find(".js") != std::string::npos
                                     ? script
                                     : "<script type=\"text/javascript\">\n" + script + "</script>\n";
        const std::string findings = run.Check(c.File, text, o);
        EXPECT_EQ(findings.find("(046) Warning on line ") != std::string::npos, c.Expect46) << c.File << findings;
        EXPECT_EQ(findings.find("\"used\" not called"), std::string::npos);
    }
}

TEST(CrossReference, ConstructorsMarkedInTheTree)
{
    const std::string script = "function Box(v) {\n"
                               "    this.v = v;\n"
                               "}\n"
                               "function show() {\n"
                               "    this.shown = 1;\n"
                               "    return this.v;\n"
                               "}\n"
                               "Box.prototype.show = show;\n"
                               "function Box2() {\n"
                               "    this.s = show();\n"
                               "}\n"
                               "var b = new Box(1);\n"
                               "var c = new Box2();\n";
    for (bool locals : {true, false}) {
        TRun run;
        TCheckOptions o;
        o.TreeLocals = locals;
        EXPECT_EQ(run.Check("/a/box.js", script, o), "No errors detected\n<timing>\n");
        // Both constructors are marked; show, bound to Box2 as an object method, stays a function node.
        EXPECT_EQ(run.TreeDump(), "Global variables [4] 11\n"
                                  "  b [5] 11\n"
                                  "  c [5] 12\n"
                                  "Javascript functions [3] 0\n"
                                  "  Constructor-Box(v) [19] 0\n"
                                  "  show() [7] 3\n"
                                  "  Constructor-Box2() [19] 8\n")
            << locals;
    }
}

// A prototype member assigned to a plain function is a doubtful constructor (warning 55), not a reference to
// a missing one; read, or assigned to a name that is no function, it is still looked up.
TEST(CrossReference, AssignedPrototypePathsAreNoReferences)
{
    struct Case {
        const char *Script;
        const char *Findings;
    } cases[] = {
        {"function F() { return 1; }\nF.prototype.k = 3;\n",
         "(055) Warning on line 2, function \"F\" is not strictly a \"constructor\"\n<timing>\n"},
        {"function F() { return 1; }\nF.prototype.k += 3;\n",
         "(055) Warning on line 2, function \"F\" is not strictly a \"constructor\"\n<timing>\n"},
        {"function G() { this.k = 1; }\nG.prototype.k = 3;\nvar g = new G();\n", "No errors detected\n<timing>\n"},
        {"H.prototype.k = 3;\n", "(179) Syntax error on line 1, constructor or instance \"H\" not found\n<timing>\n"},
    };
    for (const Case &c : cases) {
        TRun run;
        EXPECT_EQ(run.Check("/a/p.js", c.Script, TCheckOptions()), c.Findings) << c.Script;
    }
}
