// The table of finding texts: every text once, and values put in place of "%1" and "%2".
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "checker/Findings.h"

TEST(FindingsTable, EveryTextIsWrittenOnceWithACodeAndASeverity)
{
    std::set<std::string> texts;
    for (int f = 0; f < fdCount; ++f) {
        const TFindingText &t = FindingText(static_cast<TFinding>(f));
        ASSERT_NE(t.Text, nullptr) << f;
        EXPECT_FALSE(std::string(t.Text).empty()) << f;
        EXPECT_TRUE(texts.insert(t.Text).second) << "written twice: " << t.Text;
        EXPECT_GE(t.Code, 1) << t.Text;
        EXPECT_LE(t.Code, 255) << t.Text;
        EXPECT_TRUE(t.Severity == sevHint || t.Severity == sevWarning || t.Severity == sevError) << t.Text;
    }
}

TEST(FindingsTable, ValuesTakeThePlacesOfTheirMarks)
{
    struct Case {
        TFinding F;
        const char *First, *Second, *Expected;
    };
    const Case cases[] = {
        {fdNameAndIdDiffer, "a", "b", "Name and Id attributes have different values \"a\" & \"b\""},
        // a value is put in as it is, even where it looks like a mark
        {fdNameAndIdDiffer, "%2", "%1", "Name and Id attributes have different values \"%2\" & \"%1\""},
        {fdGlobalAlreadyDeclared, "x", "12", "global var \"x\" already declared on line 12"},
        {fdFunctionNotFound, "go", "", "function \"go\" not found"},
        {fdUnknownEscapeSequence, "q", "", "unknown escape sequence \"\\q\", (maybe a correct URL or file path)"},
        // a text without marks stays as it is
        {fdMissingSemicolon, "x", "y", "missing semicolon"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FindingMessage(c.F, c.First, c.Second), c.Expected) << c.Expected;
}
