// Valid script and ordinary pages, each reduced from a real library or page, check without a false syntax
// error; where the checker has something to say about them it is a warning, and the page's names are found.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CheckerTestUtil.h"
#include "ModelDump.h"
#include "tests/checker/CheckerTestSupport.h"

namespace {

// The findings of a whole check run (the closing timing line dropped), one a line.
std::string RunFindings(checktest::TRun &Run, const std::string &FileName, const std::string &Text)
{
    TCheckOptions o;
    std::string all = Run.Check(FileName, Text, o);
    const size_t timing = all.rfind("<timing>\n");
    if (timing != std::string::npos)
        all.erase(timing);
    return all;
}

struct ScriptCase {
    const char *Name;
    const char *Source;
    const char *Findings; // the whole findings list of a .js check run
};

class ValidScript : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ValidScript, NoFalseSyntaxError)
{
    checktest::TRun run;
    EXPECT_EQ(RunFindings(run, "/tmp/valid.js", GetParam().Source), GetParam().Findings) << GetParam().Source;
}

const char *const kNoErrors = "No errors detected\n";

INSTANTIATE_TEST_SUITE_P(
    Reduced, ValidScript,
    ::testing::Values(
        // built-in function names used other than as a direct call are ordinary names
        ScriptCase{"builtInAsValue", "var pi = parseInt;\nvar n = pi(\"1\");\n", kNoErrors},
        ScriptCase{"builtInTypeof", "if (typeof setTimeout == \"undefined\") { var t = 1; }\n", kNoErrors},
        ScriptCase{"indirectEval", "var g = (0, eval)(\"this\");\n", kNoErrors},
        ScriptCase{"builtInsAssignedToMembers", "var m = {};\nm.later = setTimeout;\nm.run = eval;\n", kNoErrors},
        ScriptCase{"variableNamedLikeBuiltIn", "var escape = false;\nescape = true;\n",
                   "(022) Warning on line 1, variable name \"escape\" is a reserved word or DOM object\n"
                   "(001) Hint on line 1, recommended to avoid an identifier name of \"escape\"\n"},
        ScriptCase{"functionNamedLikeBuiltIn", "function isNaN(v) {\n  return v !== v;\n}\nvar y = isNaN(3);\n",
                   "(022) Warning on line 1, function name \"isNaN\" is a reserved word or DOM property/method\n"},
        ScriptCase{"functionExpressionNamedLikeBuiltIn",
                   "var p = (function (orig) {\n  return function parseInt(s) { return orig(s); };\n}(parseInt));\n",
                   "(022) Warning on line 2, function name \"parseInt\" is a reserved word or DOM property/method\n"},
        ScriptCase{"browserWordAsCatchName", "function g(e) { return e; }\ntry { g(1); } catch (event) { g(event); }\n",
                   kNoErrors},
        // object literals are operands
        ScriptCase{"objectLiteralInstanceof", "var b = { a: 1 } instanceof Object;\n", kNoErrors},
        ScriptCase{"objectLiteralIndexed", "var k = \"a\";\nvar c = { c: { a: 1 }[k] };\n", kNoErrors},
        ScriptCase{"objectLiteralAccessors",
                   "var o = {\n  a: 1,\n  get b () { return this.a; },\n  set b (v) { this.a = v; },\n"
                   "  get: function () { return 2; }\n};\nvar u = o.b;\n",
                   kNoErrors},
        // regular expressions after operators, with escapes of letters
        ScriptCase{"regExpAfterPlus", "var s = \"a\" + /b/.source;\nvar t = \"x\";\nt += /c/.source;\n", kNoErrors},
        ScriptCase{"regExpLetterEscapes", "var r = /\\url\\(\\xg/g;\n", kNoErrors},
        // arrays
        ScriptCase{"arrayTrailingComma", "var a = [1, 2, ];\nvar b = [[1], [2], ];\n", kNoErrors},
        ScriptCase{"arrayHole", "var h = [1, , 2];\n", "(033) Warning on line 1, invalid array index expression\n"},
        // a byte-order mark is no text; vertical tab and form feed inside strings do not end the line
        ScriptCase{"byteOrderMark", "\xEF\xBB\xBFvar bom = 1;\n", kNoErrors},
        ScriptCase{"formFeedInString", "var vt = \"a\vb\";\nvar ff = \"a\fb\";\nvar n = 2 +;\n",
                   "(153) Syntax error on line 3, add or subtract fail\n"},
        // "status" as a parameter of the script read in an expression
        ScriptCase{"statusParameter", "function f(status) {\n  status && f(1);\n}\nf(0);\n",
                   "(022) Warning on line 1, parameter \"status\" is a reserved word or DOM object\n"},
        // an element of a local object is no global variable
        ScriptCase{"indexedLocalAssigned",
                   "function f() {\n  var m = {}, k = \"a\", o = 1;\n  m[k] = o;\n  return m;\n}\nf();\n", kNoErrors}),
    [](const ::testing::TestParamInfo<ScriptCase> &I) { return std::string(I.param.Name); });

TEST(ValidScriptModel, IndexedLocalMakesNoGlobal)
{
    CheckRun run;
    run.Piece("function f() {\n  var m = {}, k = \"a\";\n  m[k] = 1;\n}\nf();\n");
    run.Finish();
    for (int i = 0; i < run.Lists.GlobalVars.Count(); ++i)
        EXPECT_NE(run.Lists.GlobalVars[i], "m[k]");
}

// Pages: the files they name are found where they are.
class ValidPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = std::filesystem::temp_directory_path() / ("quillmar-valid-" + std::to_string(::getpid()));
        std::filesystem::create_directories(FDir);
        std::ofstream(FDir / "prototype.js") << "function p() { return 1; }\n";
        std::ofstream(FDir / "language_data.js") << "var stopwords = [\"a\"];\n";
        std::ofstream(FDir / "pic.svg")
            << "<svg xmlns=\"http://www.w3.org/2000/svg\"><script type=\"text/ecmascript\">\n"
               "var v = 1;\n</script></svg>\n";
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }
    std::string Page() const { return (FDir / "page.html").string(); }

    std::filesystem::path FDir;
};

TEST_F(ValidPage, ScriptSourceNamesAreNoTypes)
{
    checktest::TRun run;
    const std::string findings = RunFindings(run, Page(),
                                             "<html><head>\n"
                                             "<script src=\"prototype.js\"></script>\n"
                                             "<script src=\"language_data.js\"></script>\n"
                                             "<script type=\"text/javascript\">p();</script>\n"
                                             "</head></html>\n");
    EXPECT_EQ(findings, kNoErrors);
    ASSERT_EQ(run.Includes.Count(), 2); // both includes were read and checked
}

TEST_F(ValidPage, ElementsFoundByIdAndByNameAfterQuotedWords)
{
    checktest::TRun run;
    const std::string findings =
        RunFindings(run, Page(),
                    "<html><body>\n"
                    "<div id=\"box\">text</div>\n"
                    "<form name=\"f\"><input title=\"Your name\" name=\"who\" type=\"text\"></form>\n"
                    "<script type=\"text/javascript\">\n"
                    "var a = document.getElementById(\"box\").innerHTML;\n"
                    "var b = document.all(\"box\").innerHTML;\n"
                    "var c = document.f.who.value;\n"
                    "var d = document.getElementById(\"nobox\").innerHTML;\n"
                    "</script>\n"
                    "</body></html>\n");
    // only the element that is not there is reported
    EXPECT_EQ(findings,
              "(183) Syntax error on line 8, HTML object \"document.getElementById(\"nobox\").innerHTML\" not found\n");
}

TEST_F(ValidPage, EmbedWithoutSlashDoesNotSwallowThePage)
{
    checktest::TRun run;
    const std::string findings = RunFindings(run, Page(),
                                             "<html><body>\n"
                                             "<embed src=\"pic.svg\" type=\"image/svg+xml\">\n"
                                             "<p>after the embed</p>\n"
                                             "<script type=\"text/javascript\">\n"
                                             "var x = ;\n"
                                             "</script>\n"
                                             "</body></html>\n");
    // the section after the embed is checked as script, the paragraph before it is not
    EXPECT_EQ(findings, "(113) Syntax error on line 5, var initialiser expression fail\n");
}

TEST_F(ValidPage, OldStyleCommentAroundScript)
{
    checktest::TRun run;
    const std::string findings = RunFindings(run, Page(),
                                             "<html><body>\n"
                                             "<script type=\"text/javascript\">\n"
                                             "<!--\n"
                                             "var a = 1;\n"
                                             "-->\n"
                                             "</script>\n"
                                             "</body></html>\n");
    EXPECT_EQ(findings, "(047) Warning on line 5, possible HTML closing comment tag \"-->\" found within script\n");
}

TEST_F(ValidPage, AssignedHtmlPathRecordedOnce)
{
    checktest::TRun run;
    const std::string findings = RunFindings(run, Page(),
                                             "<html><body>\n"
                                             "<form name=\"f\"><input name=\"who\" type=\"text\"></form>\n"
                                             "<script type=\"text/javascript\">\n"
                                             "function set() {\n"
                                             "  document.f.who.value = \"a\";\n"
                                             "  document.f.who.value = \"b\";\n"
                                             "}\n"
                                             "set();\n"
                                             "</script>\n"
                                             "</body></html>\n");
    EXPECT_EQ(findings, kNoErrors);
    // one node for each assignment, both under the function
    const std::string tree = run.TreeDump();
    EXPECT_NE(
        tree.find(
            "  set() [7] 3\n    HTML obj- document.f.who.value [9] 4\n    HTML obj- document.f.who.value [9] 5\n"),
        std::string::npos)
        << tree;
}

TEST_F(ValidPage, LinesAfterNestedScriptTagKeepTheirNumbers)
{
    checktest::TRun run;
    const std::string findings = RunFindings(run, Page(),
                                             "<html><body>\n"
                                             "<script type=\"text/javascript\">\n"
                                             "var x = 1;\n"
                                             "<script type=\"text/javascript\">\n"
                                             "var y = ;\n"
                                             "</script>\n"
                                             "</body></html>\n");
    EXPECT_EQ(findings,
              "(171) Syntax error on line 4, <script> or <embed> tag found within <script> section, fix and try again\n"
              "(113) Syntax error on line 5, var initialiser expression fail\n");
}

} // namespace
