// Real pages nobody here wrote: the HTML pages of a Debian documentation package check without a crash
// or a hang, and the checker meets as many script elements and event-handler attributes on each page as an
// independent HTML parser (htmlparser2 under node) finds.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "tests/checker/CheckerTestSupport.h"
#include "tests/checker/CountingDocument.h"

using namespace checktest;

namespace {

const char *const kDocs = "/usr/share/doc/libjs-jquery-ui-docs";

std::string ReadFile(const std::filesystem::path &P)
{
    std::string s;
    if (std::FILE *f = std::fopen(P.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        std::fclose(f);
    }
    return s;
}

} // namespace

TEST(DebianPages, ScriptsAndHandlersMatchAnIndependentParser)
{
    std::vector<std::string> pages;
    std::error_code ec;
    if (!std::filesystem::is_directory(kDocs, ec))
        GTEST_SKIP() << kDocs << " missing: run scripts/install-deps";
    for (auto it = std::filesystem::recursive_directory_iterator(kDocs, ec); !ec && it != std::filesystem::end(it);
         it.increment(ec)) {
        const auto ext = it->path().extension().string();
        if (it->is_regular_file() && (ext == ".html" || ext == ".htm"))
            pages.push_back(it->path().string());
    }
    ASSERT_GT(pages.size(), 100u);
    // Our own page fixtures add event handlers, which the documentation pages lack.
    for (const char *own : {"page.html", "handlers.html"})
        pages.push_back(std::string(QUILLMAR_FIXTURES) + "/checker/" + own);

    // What the independent parser counts, all pages in one node run.
    std::string command = "NODE_PATH=/usr/share/nodejs node '" + std::string(QUILLMAR_SOURCE_DIR) +
                          "/tests/checker/count_html_elements.js'";
    for (const std::string &p : pages)
        command += " '" + p + "'";
    std::string output;
    if (std::FILE *pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
            output.append(buf, n);
        pclose(pipe);
    }
    std::map<std::string, std::pair<int, int>> expected;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string path;
        int scripts = 0, handlers = 0;
        if (std::getline(fields, path, '\t') && fields >> scripts >> handlers)
            expected[path] = {scripts, handlers};
    }
    ASSERT_EQ(expected.size(), pages.size()) << "node or htmlparser2 missing: run scripts/install-deps";

    TCheckOptions o;
    o.Summary = true;
    o.SemiColon = true;
    o.WarnJSFuncNotCalled = true;
    int totalScripts = 0;
    for (const std::string &p : pages) {
        TRun run;
        TCountingDocument doc(p, ReadFile(p));
        CheckCounting(run, doc, p, o);
        EXPECT_LE(doc.CharactersRead(), 4 * doc.Size() + 64) << p;
        int handlers = 0;
        for (int k = 0; k < run.Checker.EventTexts().Count(); ++k)
            if (run.Checker.EventTexts()[k].rfind("javascript:", 0) != 0)
                ++handlers;
        EXPECT_EQ(run.Checker.ScriptTagCount(), expected[p].first) << p;
        EXPECT_EQ(handlers, expected[p].second) << p;
        totalScripts += run.Checker.ScriptTagCount();
    }
    EXPECT_GT(totalScripts, 200);
}
