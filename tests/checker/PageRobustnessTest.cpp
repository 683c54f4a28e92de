// Untrusted pages: mutated fixture pages (bytes flipped, cut, duplicated, stray "<", quotes and "<%") check
// without a crash or a hang, and every run ends with its timing line.
#include <gtest/gtest.h>

#include <random>

#include "tests/checker/CheckerTestSupport.h"
#include "tests/checker/CountingDocument.h"

using namespace checktest;

TEST(PageRobustness, MutatedPagesAlwaysFinish)
{
    const char *fixtures[] = {"page.html", "handlers.html", "asp.asp", "svg.xhtml", "tags.htm", "objects.html"};
    const char inserts[] = {'<', '>', '"', '\'', '%', '\n', '{', '}', '(', ')', '=', '/', '\\', '[', ']', '\0', '\x80'};
    std::mt19937 random(20261210);
    int runs = 0;
    for (const char *name : fixtures) {
        const std::string original = ReadFixture(name);
        ASSERT_FALSE(original.empty()) << name;
        for (int round = 0; round < 150; ++round) {
            std::string text = original;
            const int edits = 1 + static_cast<int>(random() % 12);
            for (int e = 0; e < edits && !text.empty(); ++e) {
                const size_t at = random() % text.size();
                switch (random() % 4) {
                case 0: text[at] = inserts[random() % sizeof inserts]; break;
                case 1: text.insert(at, 1, inserts[random() % sizeof inserts]); break;
                case 2: text.erase(at, random() % 40); break;
                default: text.insert(at, text.substr(at, random() % 200)); break;
                }
            }
            TRun run;
            TCheckOptions o;
            o.Summary = o.SemiColon = o.WarnJSFuncNotCalled = o.OpenIncludes = o.Embedsvg = (round % 2) == 0;
            const std::string file = std::string(QUILLMAR_FIXTURES) + "/checker/" + name + (round % 3 ? "" : ".asp");
            TCountingDocument doc(file, text);
            const std::string findings = CheckCounting(run, doc, file, o);
            // However broken the page, the run reads it a bounded number of times.
            ASSERT_LE(doc.CharactersRead(), 4 * doc.Size() + 64) << name << " round " << round;
            ASSERT_GE(findings.size(), 9u);
            EXPECT_EQ(findings.substr(findings.size() - 9), "<timing>\n") << name << " round " << round;
            ++runs;
        }
    }
    EXPECT_EQ(runs, 900);
}
