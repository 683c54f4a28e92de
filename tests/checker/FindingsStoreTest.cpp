// Findings store and driver: line format, sort keys, totals and summary lines, include encoding.
#include <gtest/gtest.h>

#include "CheckerTestUtil.h"
#include "platform/Classes.h"

namespace {

using Lines = std::vector<std::string>;

TEST(FindingsStore, FormatsAndSortsByLineKeepingReportOrder)
{
    CheckRun run;
    TJSParser &p = run.Parser;
    p.AddMessage("seven", sevHint, 5, 7);
    p.AddMessage("three", sevError, 74, 3);
    p.AddMessage("five a", sevWarning, 13, 5);
    p.AddMessage("five b", sevHint, 1, 5);
    p.AddMessage("late", sevWarning, 7, 14899);
    p.AddMessage("very late", sevError, 77, 20000);
    EXPECT_EQ(run.Finish(), (Lines{
                                "(074) Syntax error on line 3, three",
                                "(013) Warning on line 5, five a",
                                "(001) Hint on line 5, five b",
                                "(005) Hint on line 7, seven",
                                "(007) Warning on line 14899, late",
                                // real findings keep their code wherever they are
                                "(077) Syntax error on line 20000, very late",
                            }));
}

TEST(FindingsStore, RealFindingsSortBeforeTotalsAndSummaryLines)
{
    CheckRun run;
    CheckOptions o;
    o.Summary = true;
    o.SectionCode = 1;
    o.StartLine = 15990;
    run.Piece("x = 1\ny = 2;", o);
    EXPECT_EQ(run.Finish(), (Lines{
                                "(013) Warning on line 15990, missing semicolon",
                                "Javascript section#1 had 1 lines, 7 tokens, 1 missing semicolons",
                                "Summary: 1 missing semicolons, 1 warnings",
                            }));
}

TEST(FindingsStore, IncludeLinesAreNamedAndSortAmongPageLines)
{
    CheckRun run;
    run.Parser.AddMessage("in include", sevError, 74, *TCheckLine::InInclude(2, 3));
    run.Parser.AddMessage("on page", sevWarning, 13, 3);
    run.Parser.AddMessage("unknown include", sevHint, 1, *TCheckLine::InInclude(5, 10));
    run.Parser.AddMessage("far down an include", sevWarning, 13, *TCheckLine::InInclude(1, 1000002));
    EXPECT_EQ(run.Finish(), (Lines{
                                "(074) Syntax error on line 3 of Include; two.js, in include",
                                "(013) Warning on line 3, on page",
                                "(001) Hint on line 10 of Include; unknown Include file, unknown include",
                                "(013) Warning on line 1000002 of Include; lib.js, far down an include",
                            }));
}

TEST(FindingsStore, IncludeLinesAreBuiltCheckedAndKeptApart)
{
    struct Case {
        int64_t Include, Line;
        bool Valid;
    } cases[] = {
        {1, 0, true},
        {1, 1000002, true}, // far past a million lines
        {2147483647, 2147483647, true},
        {0, 5, false}, // the document itself is no include
        {-1, 5, false},
        {1, -1, false},
        {2147483648LL, 1, false},
        {1, 2147483648LL, false},
    };
    for (const Case &c : cases) {
        const auto l = TCheckLine::InInclude(c.Include, c.Line);
        ASSERT_EQ(l.has_value(), c.Valid) << c.Include << " " << c.Line;
        if (l) {
            EXPECT_EQ(l->Include(), c.Include);
            EXPECT_EQ(l->Line(), c.Line);
            EXPECT_TRUE(l->IsInclude());
        }
    }
    // Lines of two includes never meet, however long the first one is; within one file they count on.
    EXPECT_NE(*TCheckLine::InInclude(1, 1000001), *TCheckLine::InInclude(2, 1));
    EXPECT_EQ(*TCheckLine::InInclude(1, 999999) + 3, *TCheckLine::InInclude(1, 1000002));
    EXPECT_FALSE(TCheckLine(7).IsInclude());
    // The order the cross-reference pass compares in: includes before the page, a later include first.
    EXPECT_LT(*TCheckLine::InInclude(1, 5000000), TCheckLine(0));
    EXPECT_LT(*TCheckLine::InInclude(2, 9), *TCheckLine::InInclude(1, 1));
    EXPECT_LT(*TCheckLine::InInclude(1, 1), *TCheckLine::InInclude(1, 2));
}

TEST(FindingsStore, IncludeNumberBelowOneStopsWithOneFinding)
{
    CheckRun run;
    run.Parser.SetStartLine(4);
    EXPECT_TRUE(run.Parser.SetIncludeStart(7));
    EXPECT_EQ(run.Parser.CurrentLine(), *TCheckLine::InInclude(7, 1));
    EXPECT_TRUE(run.Parser.SetIncludeStart(5000)); // no limit of a line encoding
    EXPECT_EQ(run.Parser.CurrentLine(), *TCheckLine::InInclude(5000, 1));
    EXPECT_FALSE(run.Parser.SetIncludeStart(0));
    EXPECT_EQ(run.Parser.CurrentLine(), *TCheckLine::InInclude(5000, 1)); // unchanged
    EXPECT_FALSE(run.Parser.SetIncludeStart(-1)); // refused without a second finding
    EXPECT_EQ(run.Finish(), (Lines{"(059) Syntax error on line 1 of Include; unknown Include file, too many includes, "
                                   "include #0 not checked"}));
}

TEST(FindingsStore, LongLinesAreCutTo200Characters)
{
    CheckRun run;
    run.Parser.AddMessage(std::string(300, 'x'), sevError, 1, 2);
    auto lines = run.Finish();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 200u);
    EXPECT_EQ(lines[0].substr(0, 30), "(001) Syntax error on line 2, ");
}

TEST(FindingsStore, NoWarningsDropsHintsAndWarningsFromStoreAndCounts)
{
    CheckRun run;
    CheckOptions o;
    o.Summary = true;
    o.NoWarnings = true;
    run.Piece("a = 1\nb = c d;", o);
    EXPECT_EQ(run.Finish(), (Lines{
                                "(077) Syntax error on line 2, missing symbol or operator between identifiers or "
                                "literals (or space in identifier)",
                                "Javascript file had 2 lines, 8 tokens, 1 missing semicolons",
                                "Summary: 1 missing semicolons, 1 syntax errors",
                            }));
}

TEST(FindingsStore, CleanCheckWritesNoSummary)
{
    CheckOptions o;
    o.Summary = true;
    o.SectionCode = 0;
    o.StartLine = 4;
    EXPECT_EQ(CheckScript("", o), (Lines{"Javascript section#0 had 0 lines, 0 tokens"}));
    o.Summary = false;
    EXPECT_EQ(CheckScript("var a = 1;\n", o), Lines{});
}

TEST(FindingsStore, TotalsLinesOfEachKindOfPiece)
{
    CheckRun run;
    CheckOptions o;
    o.Summary = true;
    o.SemiColon = false;
    o.SectionCode = 2;
    o.StartLine = 10;
    run.Piece("a = 1;\nb = 2", o); // section: lines counted without the first
    o.SectionCode = scJSFile;
    o.StartLine = 1;
    run.Piece("c = 3;", o);
    o.SectionCode = scInclude;
    o.StartLine = *TCheckLine::InInclude(1, 1); // include 1, line 1
    run.Piece("d = 4;\ne = 5;", o);
    o.SectionCode = scInline;
    o.StartLine = 30;
    run.Piece("f()", o);
    run.Piece("g();", o);
    EXPECT_EQ(run.Finish(), (Lines{
                                "Javascript file had 1 lines, 4 tokens",
                                "Javascript include file#1 had 2 lines, 8 tokens",
                                "Javascript section#2 had 1 lines, 7 tokens, 1 missing semicolons",
                                "Inline code had 7 tokens, 1 missing semicolons",
                                // each missing semicolon counted once, inline pieces included
                                "Summary: 2 missing semicolons",
                            }));
}

TEST(FindingsStore, StreamPieceKeepsItsLastCharacter)
{
    CheckRun run;
    TMemoryStream stream;
    const std::string text = "var a = 1;\nvar b = a +";
    stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    run.Parser.ClearSource();
    run.Parser.SetStartLine(1);
    run.Parser.LoadSourceFromStream(stream);
    run.Parser.Parse(scJSFile, run.Lists.Functions, false, false, false, true, true, true, false, false, &run.Items);
    // the dangling "+" is seen: the right operand is missing
    EXPECT_EQ(run.Finish(), (Lines{
                                "(153) Syntax error on line 2, add or subtract fail",
                                "(013) Warning on line 2, missing semicolon",
                                "Javascript file had 2 lines, 10 tokens, 1 missing semicolons",
                                "Summary: 1 missing semicolons, 1 syntax errors, 1 warnings",
                            }));
}

} // namespace

#include <set>

#include "checker/Findings.h"

// The table of fixed-text findings holds each text once, with a code that fits the findings line.
TEST(FindingTable, EachTextOnceWithAShownCode)
{
    std::set<std::string> texts;
    for (int f = 0; f < fdCount; ++f) {
        const TFindingText &t = FindingText(static_cast<TFinding>(f));
        EXPECT_TRUE(texts.insert(t.Text).second) << "written twice: " << t.Text;
        EXPECT_GE(t.Code, 1);
        EXPECT_LE(t.Code, 255);
        EXPECT_TRUE(t.Severity == sevHint || t.Severity == sevWarning || t.Severity == sevError) << t.Text;
    }
}
