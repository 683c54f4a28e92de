// Search and replace in the editor: scopes, directions, prompts and replace-all shifts.
#include "EditorTestUtil.h"
#include "text/SearchEngine.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

struct SearchCase {
    std::string name;
    std::string lines;
    TTextPoint caret, blockBegin, blockEnd;
    std::string search, replace;
    int options;
    std::vector<TReplaceAction> answers; // prompt answers in order
    int result;
    std::string text;
    std::string selection; // "(x,y)-(x,y)" or "" for none
};

TEST(EditorSearch, FindAndReplaceTable)
{
    const int F = 0, B = soBackward, S = soEntireScope, R = soReplace, A = soReplaceAll, P = soPrompt;
    const int X = soRegularExpression, WW = soWholeWord, C = soMatchCase, SEL = soSelectedOnly;
    std::vector<SearchCase> cases = {
        {"find after the caret",
         "one two one",
         {0, 0},
         {0, 0},
         {0, 0},
         "one",
         "",
         F,
         {},
         1,
         "one two one",
         "(0,0)-(3,0)"},
        {"find again from the caret",
         "one two one",
         {3, 0},
         {0, 0},
         {3, 0},
         "one",
         "",
         F,
         {},
         1,
         "one two one",
         "(8,0)-(11,0)"},
        {"not found leaves everything", "abc|def", {1, 0}, {1, 0}, {1, 0}, "xyz", "", F, {}, 0, "abc|def", ""},
        {"a match before the caret on its line is not found",
         "one two",
         {1, 0},
         {1, 0},
         {1, 0},
         "one",
         "",
         F,
         {},
         0,
         "one two",
         ""},
        {"backward from the caret", "ab ab ab", {7, 0}, {7, 0}, {7, 0}, "ab", "", B, {}, 1, "ab ab ab", "(3,0)-(5,0)"},
        {"from the start of the scope",
         "ab|cd ab",
         {2, 1},
         {2, 1},
         {2, 1},
         "ab",
         "",
         S,
         {},
         1,
         "ab|cd ab",
         "(0,0)-(2,0)"},
        {"next line", "x|ab", {1, 0}, {1, 0}, {1, 0}, "AB", "", F, {}, 1, "x|ab", "(0,1)-(2,1)"},
        {"match case", "x|ab", {1, 0}, {1, 0}, {1, 0}, "AB", "", C, {}, 0, "x|ab", ""},
        {"whole words",
         "cat concat cat.|cat x",
         {0, 0},
         {0, 0},
         {0, 0},
         "cat",
         "dog",
         A | WW | S,
         {},
         2,
         "dog concat cat.|dog x",
         ""},
        {"replace all, one letter by two",
         "a b a c a",
         {0, 0},
         {0, 0},
         {0, 0},
         "a",
         "xy",
         A | S,
         {},
         3,
         "xy b xy c xy",
         ""},
        {"replace all backwards", "a b a c a", {9, 0}, {9, 0}, {9, 0}, "a", "xy", A | B, {}, 3, "xy b xy c xy", ""},
        {"replace all shrinking", "abc abc abc", {0, 0}, {0, 0}, {0, 0}, "abc", "-", A, {}, 3, "- - -", ""},
        {"regular expression matches longer than the pattern",
         "aa a aaa",
         {0, 0},
         {0, 0},
         {0, 0},
         "a+",
         "b",
         A | X,
         {},
         3,
         "b b b",
         ""},
        {"replace one", "a a a", {0, 0}, {0, 0}, {0, 0}, "a", "b", R, {}, 1, "b a a", ""},
        {"selection only", "a a|a a|a a", {0, 0}, {2, 0}, {1, 2}, "a", "b", A | SEL, {}, 4, "a b|b b|b a", ""},
        {"selection only backwards with a regular expression",
         "a a|a a|a a",
         {0, 0},
         {2, 0},
         {1, 2},
         "a",
         "b",
         A | SEL | X | B,
         {},
         4,
         "a b|b b|b a",
         ""},
        {"selection flag without a selection searches from the caret",
         "a|a",
         {0, 1},
         {0, 1},
         {0, 1},
         "a",
         "b",
         A | SEL,
         {},
         1,
         "a|b",
         ""},
        {"prompt: skip then replace all",
         "a a a a",
         {0, 0},
         {0, 0},
         {0, 0},
         "a",
         "b",
         A | P,
         {raSkip, raReplaceAll},
         4,
         "a b b b",
         ""},
        {"prompt: yes, no, yes",
         "a a a",
         {0, 0},
         {0, 0},
         {0, 0},
         "a",
         "b",
         A | P,
         {raReplace, raSkip, raReplace},
         3,
         "b a b",
         ""},
        {"prompt: cancel",
         "a a a",
         {0, 0},
         {0, 0},
         {0, 0},
         "a",
         "b",
         A | P,
         {raReplace, raCancel},
         2,
         "b a a",
         "(2,0)-(3,0)"},
        {"prompt in single replace: all",
         "a a a",
         {0, 0},
         {0, 0},
         {0, 0},
         "a",
         "b",
         R | P,
         {raReplaceAll},
         3,
         "b b b",
         ""},
        {"replacements with line breaks keep later matches in place",
         "ab ab|b",
         {0, 0},
         {0, 0},
         {0, 0},
         "b",
         "1\r\n2",
         A | S,
         {},
         3,
         "a1|2 a1|2|1|2",
         ""},
        {"selection scope with line-break replacements",
         "ab ab|b b|b",
         {0, 0},
         {0, 0},
         {1, 1},
         "b",
         "1\r\n2",
         A | SEL,
         {},
         3,
         "a1|2 a1|2|1|2 b|b",
         ""},
        {"empty search", "a", {0, 0}, {0, 0}, {0, 0}, "", "b", A, {}, 0, "a", ""},
        {"tabs: columns of the matches", "\tab\tab", {0, 0}, {0, 0}, {0, 0}, "ab", "X", A, {}, 2, "\tX\tX", ""},
    };
    for (const SearchCase &c : cases) {
        TSyntaxEditCore e;
        Fill(e, c.lines);
        e.SetCaretXY(c.caret);
        e.SetBlockBegin(c.blockBegin);
        e.SetBlockEnd(c.blockEnd);
        size_t asked = 0;
        if (!c.answers.empty())
            e.OnReplaceText = [&](TSyntaxEditCore &, const WideString &s, const WideString &r, int, int start, int stop,
                                  TReplaceAction &action) {
                EXPECT_EQ(U8(s), c.search);
                EXPECT_EQ(U8(r), c.replace);
                EXPECT_EQ(stop - start, static_cast<int>(c.search.size()));
                action = asked < c.answers.size() ? c.answers[asked] : raCancel;
                ++asked;
            };
        int changes = 0;
        e.OnChange = [&](TSyntaxEditCore &) { ++changes; };
        EXPECT_EQ(e.SearchReplace(W(c.search), W(c.replace), c.options), c.result) << c.name;
        EXPECT_EQ(Joined(e), c.text) << c.name;
        if (!c.selection.empty() || (c.options & (soReplace | soReplaceAll)) == 0) {
            const std::string sel = e.SelAvail() ? Pt(e.BlockBegin()) + "-" + Pt(e.BlockEnd()) : "";
            EXPECT_EQ(sel, c.selection) << c.name;
        }
        EXPECT_EQ(changes > 0, Joined(e) != c.lines) << c.name;
        if (Joined(e) != c.lines) {
            // Every replacement is undoable back to the original text.
            while (e.CanUndo())
                e.Undo();
            EXPECT_EQ(Joined(e), c.lines) << c.name;
        }
    }
}

TEST(EditorSearch, RegularExpressionErrorsPropagateAndCloseTheBracket)
{
    TSyntaxEditCore e;
    Fill(e, "abc");
    EXPECT_THROW(e.SearchReplace(u"(ab", u"x", soRegularExpression | soReplaceAll), ESearchError);
    EXPECT_EQ(e.UpdateCount(), 0);
    EXPECT_EQ(Joined(e), "abc");
}

} // namespace
