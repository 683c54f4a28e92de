// A script holding vertical tabs and form feeds (inside strings and comments, as minified libraries
// have them) and ending lines with CR, LF and CR LF is checked on the lines the editor shows: only
// the one real error is found, on its own line, whether the script is the document or an include
// read from disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/checker/CheckerTestSupport.h"

using namespace checktest;

TEST(CheckerLineBreaks, VerticalTabsAndFormFeedsStayInTheirLine)
{
    const std::string script = std::string(QUILLMAR_FIXTURES) + "/checker/controlchars.js";
    TCheckOptions options;
    options.SemiColon = true;
    options.OpenIncludes = true;

    // The script opened in an editor: the lines the editor's file reading gives.
    TRun run;
    TTestDocument doc(script, "");
    ASSERT_TRUE(doc.Mutable().LoadFromFile(script));
    EXPECT_EQ(doc.Mutable().Count(), 3);
    run.Host.DocumentPath = script;
    run.Checker.CheckFile(doc, &run.Items, &run.Tree, options, &run.Includes, &run.ServerIncludes, script);
    EXPECT_EQ(Findings(run.Items), "(153) Syntax error on line 3, add or subtract fail\n<timing>\n");

    // The same script included by a page and read from disk by the checker.
    const std::string folder = std::filesystem::path(script).parent_path().string();
    TRun page;
    const std::string found = page.Check(folder + "/page-with-controlchars.html",
                                         "<html>\n<script type=\"text/javascript\" src=\"controlchars.js\"></script>\n"
                                         "</html>\n",
                                         options);
    EXPECT_NE(found.find("Syntax error on line 3"), std::string::npos) << found;
    EXPECT_EQ(found.find("Syntax error on line 1"), std::string::npos) << found;
    EXPECT_EQ(found.find("Syntax error on line 2"), std::string::npos) << found;
}
