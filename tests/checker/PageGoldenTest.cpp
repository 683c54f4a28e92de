// Pages through the whole check run: each fixture page gives the findings lines and the navigation tree
// stored beside it (<page>.expected). Set QUILLMAR_UPDATE_GOLDEN=1 to rewrite them after a reviewed change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/checker/CheckerTestSupport.h"

using namespace checktest;

namespace {

std::string ReplaceAll(std::string S, const std::string &From, const std::string &To)
{
    for (size_t p = S.find(From); p != std::string::npos; p = S.find(From, p + To.size()))
        S.replace(p, From.size(), To);
    return S;
}

} // namespace

TEST(PageGolden, FindingsAndTreeOfEachFixturePage)
{
    const char *pages[] = {"page.html", "handlers.html", "asp.asp",       "noasp.asp",
                           "svg.xhtml", "tags.htm",      "unclosed.html", "objects.html"};
    const std::string dir = std::string(QUILLMAR_FIXTURES) + "/checker/";
    for (const char *page : pages) {
        TRun run;
        TCheckOptions o;
        o.Summary = true;
        o.SemiColon = true;
        o.WarnJSFuncNotCalled = true;
        o.OpenIncludes = true;
        const std::string text = ReadFixture(page);
        ASSERT_FALSE(text.empty()) << page;
        std::string got = run.Check(dir + page, text, o);
        got += "----\n" + run.TreeDump();
        for (const std::string &call : run.Host.Calls)
            got += "host: " + call + "\n";
        got = ReplaceAll(got, dir, "<fixtures>/");
        const std::string expectedPath = dir + page + ".expected";
        if (std::getenv("QUILLMAR_UPDATE_GOLDEN")) {
            std::ofstream(expectedPath, std::ios::binary) << got;
            continue;
        }
        EXPECT_EQ(got, ReadFixture(std::string(page) + ".expected")) << page;
    }
}
