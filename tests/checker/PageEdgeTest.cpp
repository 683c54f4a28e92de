// Edge cases of the page processing that the golden pages do not show alone: unbounded tags, script types,
// code on the opening tag's line, strings holding a closing tag.
#include <gtest/gtest.h>

#include "tests/checker/CheckerTestSupport.h"
#include "tests/checker/CountingDocument.h"

using namespace checktest;

TEST(PageEdge, ScriptSectionsByTypeAndLine)
{
    struct Case {
        const char *Page;
        const char *Findings;
    } cases[] = {
        // No type and no language: JavaScript, checked on its own line.
        {"<p>\n<script>var a = 1</script>\n", "(013) Warning on line 2, missing semicolon\n<timing>\n"},
        {"<script>\nvar a = 1\n</script>\n", "(013) Warning on line 2, missing semicolon\n<timing>\n"},
        {"<script type=\"text/javascript\">var a = 1\nvar b = 2;\n</script>\n",
         "(013) Warning on line 1, missing semicolon\n<timing>\n"},
        {"<script type=\"module\">\nvar a = 1\n</script>\n",
         "(172) Syntax error on line 1, <script> tag found without \"type=text/Javascript\", ignoring script section\n"
         "<timing>\n"},
        {"<script language=\"vbscript\">\nDim x\n</script>\n",
         "(172) Syntax error on line 1, <script> tag found without \"type=text/Javascript\", ignoring script section\n"
         "<timing>\n"},
        // A self-closed script tag with src opens nothing that later lines could fall into.
        {"<script type=\"text/javascript\" src=\"https://cdn.example/x.js\" />\n<p>\n",
         "(167) Hint on line 1, Include 'https://cdn.example/x.js' not followed, only local files and http:// "
         "includes (with includes opened) are checked\n<timing>\n"},
        {"<script type=\"text/javascript\" src=\"https://cdn.example/x.js\" />\n",
         "(167) Hint on line 1, Include 'https://cdn.example/x.js' not followed, only local files and http:// "
         "includes (with includes opened) are checked\n<timing>\n"},
        // A closing tag inside a string does not close; after the string it does.
        {"<script>\nvar s = \"</script>\"; var t = 1\n</script>\n",
         "(013) Warning on line 2, missing semicolon\n<timing>\n"},
        {"<script>\nvar s = 1 // </script>\n<p>\n", "No errors detected\n<timing>\n"},
    };
    for (const Case &c : cases) {
        TRun run;
        TCheckOptions o;
        o.SemiColon = true;
        EXPECT_EQ(run.Check("/site/p.html", c.Page, o), c.Findings) << c.Page;
    }
}

TEST(PageEdge, AnUnclosedTagIsCappedAndTheRunGoesOn)
{
    std::string page = "<div title=\"never closed\n";
    for (int i = 0; i < 3000; ++i)
        page += std::string(60, 'x') + "\n";
    page += "<script>\nvar z = 1\n</script>\n";
    TRun run;
    TCheckOptions o;
    o.SemiColon = true;
    TCountingDocument doc("/site/big.html", page);
    const std::string findings = CheckCounting(run, doc, "/site/big.html", o);
    // The capped tag is not read again line after line: the run reads each line once.
    EXPECT_LE(doc.CharactersRead(), 2 * doc.Size());
    EXPECT_EQ(findings, "(192) Syntax error on line 1, tag not closed within 65536 characters, rest ignored\n"
                        "(013) Warning on line 3003, missing semicolon\n<timing>\n");
}

TEST(PageEdge, SummaryCountsTheWholeRunWithServerCode)
{
    // A warning of the page's script section and an error of its server-side code both enter the summary.
    const std::string page = "<%@ LANGUAGE=\"JScript\" %>\n"
                             "<script type=\"text/javascript\">\n"
                             "var client = 1\n"
                             "</script>\n"
                             "<% var server = ; %>\n";
    TRun run;
    TCheckOptions o;
    o.SemiColon = true;
    o.Summary = true;
    const std::string findings = run.Check("/site/p.asp", page, o);
    EXPECT_NE(findings.find("(013) Warning on line 3, missing semicolon\n"), std::string::npos) << findings;
    EXPECT_NE(findings.find("Syntax error on line 5"), std::string::npos) << findings;
    EXPECT_NE(findings.find("Summary: 1 missing semicolons, 1 syntax errors, 1 warnings\n"), std::string::npos)
        << findings;
}

TEST(PageEdge, ServerCodeKeepsThePageLinesAfterAServerSection)
{
    // Server-side code after a runat=server section, with and without a gap, is reported on its page line.
    const std::string head = "<%@ LANGUAGE=\"JScript\" %>\n<script language=\"jscript\" runat=\"server\">\n";
    struct Case {
        std::string Page;
        const char *Findings;
    } cases[] = {
        {head + "function f() {\n  return 1;\n}\n</script>\n<p>\n<p>\n<% var a = ; %>\n",
         "(113) Syntax error on line 9, var initialiser expression fail\n<timing>\n"},
        {head + "var b = 1;\n</script>\n<p>\n<% var a = ; %>\n",
         "(113) Syntax error on line 6, var initialiser expression fail\n<timing>\n"},
        {head + "var b = 1;</script>\n<p>\n<% var a = ; %>\n",
         "(113) Syntax error on line 5, var initialiser expression fail\n<timing>\n"},
        {"<%@ LANGUAGE=\"JScript\" %>\n<p>\n<p>\n<% var a = ; %>\n<p><%= a %></p>\n<p>\n<% var c = ; %>\n",
         "(113) Syntax error on line 4, var initialiser expression fail\n"
         "(113) Syntax error on line 7, var initialiser expression fail\n<timing>\n"},
    };
    for (const Case &c : cases) {
        TRun run;
        TCheckOptions o;
        o.SemiColon = true;
        EXPECT_EQ(run.Check("/site/p.asp", c.Page, o), c.Findings) << c.Page;
    }
}

TEST(PageEdge, FormIdsQuotedUnquotedAndAfterAWordIdInAValue)
{
    struct Case {
        const char *Page;
        const char *Findings;
        const char *Tree;
    } cases[] = {
        {"<form name=\"a\" title=\"my id\" id=\"b\"></form>\n",
         "(038) Warning on line 1, Name and Id attributes have different values \"a\" & \"b\"\n<timing>\n",
         "HTML Named objects [10] 0\n  a [11] 0\n  b [11] 0\n"},
        {"<form id=c></form>\n<form id = \"d\"></form>\n", "No errors detected\n<timing>\n",
         "HTML Named objects [10] 0\n  c [11] 0\n  d [11] 1\n"},
    };
    for (const Case &c : cases) {
        TRun run;
        EXPECT_EQ(run.Check("/site/p.html", c.Page, TCheckOptions()), c.Findings) << c.Page;
        EXPECT_EQ(run.TreeDump(), c.Tree) << c.Page;
    }
}

// A "<" opens a tag only before a letter, "/", "!" or "?"; anything else is page text, so a comparison in a
// listing neither swallows the text up to the next ">" nor hides the tags behind it.
TEST(PageEdge, ALessThanBeforeABlankOrADigitIsText)
{
    struct Case {
        const char *Page;
        const char *Findings;
    } cases[] = {
        {"<pre>\n<p>if (i < n) {</p>\n<p>}</p>\n</pre>\n", "No errors detected\n<timing>\n"},
        {"<p>a <3 b</p>\n<p>c <= (d</p>\n", "No errors detected\n<timing>\n"},
        // The tag after the text is still seen: its name and its own faults.
        {"<p>1 < 2 <input name=\"window\"></p>\n",
         "(036) Warning on line 1, tag name/id \"window\" is a DOM property/method\n<timing>\n"},
        // A tag still opens before a letter, "/" and "!", also right after such text.
        {"<p>1 < 2 <b title='('>y</b></p>\n",
         "(168) Syntax error on line 1, unmatched opening and closing parethesis ( )\n<timing>\n"},
        // "< input" is still the tag it was meant to be, with its warning.
        {"< input name=\"a\" >\n", "(049) Warning on line 1, space between < and input causes problems with some "
                                   "browsers\n<timing>\n"},
    };
    for (const Case &c : cases) {
        TRun run;
        EXPECT_EQ(run.Check("/site/p.html", c.Page, TCheckOptions()), c.Findings) << c.Page;
    }
}
