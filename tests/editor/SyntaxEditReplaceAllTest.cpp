// Replace all writes each line once; the same Replace all answered "all" at its first prompt goes
// match by match. Both must leave the same text, count, caret, selection and undo records, and undo
// and redo must walk both through the same texts and carets.
#include "EditorTestUtil.h"
#include <gtest/gtest.h>
#include <cstdio>

namespace {

struct TReplaceAllCase {
    const char *Name;
    std::vector<WideString> Lines;
    TTextPoint Caret, BlockBegin, BlockEnd;
    WideString Search, Replace;
    int Options;
};

void Load(TSyntaxEditCore &e, const TReplaceAllCase &c, bool grouped)
{
    e.Lines().BeginUpdate();
    for (const WideString &l : c.Lines)
        e.Lines().Add(l);
    e.Lines().EndUpdate();
    e.SetModified(false);
    TSyntaxEditOptions options = e.Options();
    if (grouped)
        options |= eoGroupUndo;
    else
        options &= ~TSyntaxEditOptions(eoGroupUndo);
    e.SetOptions(options);
    e.SetCaretXY(c.Caret);
    e.SetBlockBegin(c.BlockBegin);
    e.SetBlockEnd(c.BlockEnd);
    e.ClearUndo();
}

std::string Hex(const WideString &s)
{
    std::string out;
    char buf[8];
    for (WideChar ch : s) {
        if (ch >= 0x20 && ch < 0x7F) {
            out += char(ch);
        } else {
            std::snprintf(buf, sizeof buf, "<%04X>", unsigned(ch));
            out += buf;
        }
    }
    return out;
}

std::string State(const TSyntaxEditCore &e)
{
    std::string out;
    for (int i = 0; i < e.LineCount(); ++i)
        out += (i ? "|" : "") + Hex(e.Lines().Get(i));
    return out + " caret " + Pt(e.GetCaretXY()) + " block " + Pt(e.BlockBegin()) + "-" + Pt(e.BlockEnd()) +
           (e.GetModified() ? " modified" : "");
}

std::string Record(const TUndoRecord &r)
{
    return std::to_string(r.Kind) + " [" + Hex(r.BeforeText) + "] [" + Hex(r.AfterText) + "] " + Pt(r.CaretBefore) +
           Pt(r.BlockBeginBefore) + Pt(r.BlockEndBefore) + " -> " + Pt(r.CaretAfter) + Pt(r.BlockBeginAfter) +
           Pt(r.BlockEndAfter) + " at " + Pt(r.EditAt) + Pt(r.EditAtLast) + " flag " + std::to_string(r.Flag) +
           " blanks " + std::to_string(r.Blanks) + Pt(r.BlanksAt) + " joined " + std::to_string(r.Joined) +
           std::to_string(r.JoinedNext);
}

// What a Replace all leaves, step by step: its result, then each undo to the start, then each redo.
std::vector<std::string> Walk(TSyntaxEditCore &e, const TReplaceAllCase &c, bool oneByOne)
{
    if (oneByOne)
        e.OnReplaceText = [](TSyntaxEditCore &, const WideString &, const WideString &, int, int, int,
                             TReplaceAction &action) { action = raReplaceAll; };
    std::vector<std::string> out;
    const int count = e.SearchReplace(c.Search, c.Replace, c.Options | soReplaceAll | (oneByOne ? soPrompt : 0));
    out.push_back("count " + std::to_string(count) + ": " + State(e));
    for (int i = 0; i < e.UndoList().Count(); ++i)
        out.push_back("record " + Record(e.UndoList().Item(i)));
    while (e.CanUndo()) {
        e.Undo();
        out.push_back("undo: " + State(e));
    }
    while (e.CanRedo()) {
        e.Redo();
        out.push_back("redo: " + State(e));
    }
    return out;
}

TEST(EditorReplaceAll, EachLineAtOnceAsMatchByMatch)
{
    const int X = soRegularExpression, WW = soWholeWord, C = soMatchCase, SEL = soSelectedOnly, ALL = soEntireScope;
    const WideString pair = u"\U0001F600", high(1, char16_t(0xD83D)), low(1, char16_t(0xDE00));
    const std::vector<TReplaceAllCase> cases = {
        {"longer replacements", {u"ab ab ab", u"x ab"}, {0, 0}, {0, 0}, {0, 0}, u"ab", u"xyz", ALL},
        {"empty replacements, adjacent matches", {u"aaaa;aXa"}, {0, 0}, {0, 0}, {0, 0}, u"a", u"", ALL},
        {"regular expression, matches of several lengths",
         {u"a1 b22 c333", u"", u"4444"},
         {0, 0},
         {0, 0},
         {0, 0},
         u"[0-9]+",
         u"#",
         X | ALL},
        {"matches at the line's start and end", {u"abXab", u"ab"}, {0, 0}, {0, 0}, {0, 0}, u"ab", u"Q", ALL},
        {"replacement with a line break", {u"a,b,c", u"d,e"}, {0, 0}, {0, 0}, {0, 0}, u",", u"\r\n", ALL},
        {"replacement ending in a line break", {u"a,b,c"}, {0, 0}, {0, 0}, {0, 0}, u",", u";\r\n", ALL},
        {"matches after a surrogate pair", {u"a" + pair + u"b a" + pair + u"b"}, {0, 0}, {0, 0}, {0, 0}, u"a", u"cc",
         ALL},
        {"matches next to a pair", {pair + u"b" + pair + u"b"}, {0, 0}, {0, 0}, {0, 0}, u"b", u"", ALL},
        {"a pair as the replacement", {u"x-y-z"}, {0, 0}, {0, 0}, {0, 0}, u"-", pair, ALL},
        {"deleting between lone halves joins them",
         {u"a" + high + u"b" + low + u"a" + high + u"b" + low},
         {0, 0},
         {0, 0},
         {0, 0},
         u"b",
         u"",
         ALL},
        {"lone halves as replacement", {u"a.b.c" + low}, {0, 0}, {0, 0}, {0, 0}, u".", high, ALL},
        {"lone halves elsewhere in the line", {high + u"xaxbx" + low + u"x"}, {0, 0}, {0, 0}, {0, 0}, u"a", u"ZZ", ALL},
        {"whole words only", {u"ab abc ab-ab", u"cab ab"}, {0, 0}, {0, 0}, {0, 0}, u"ab", u"z", WW | ALL},
        {"case differs between matches", {u"AB ab Ab aB"}, {0, 0}, {0, 0}, {0, 0}, u"ab", u"x", ALL},
        {"matching case", {u"AB ab Ab aB"}, {0, 0}, {0, 0}, {0, 0}, u"ab", u"x", C | ALL},
        {"selected only, within one line", {u"ab ab ab ab"}, {3, 0}, {3, 0}, {8, 0}, u"ab", u"xyz", SEL | ALL},
        {"selected only, over lines", {u"ab ab", u"ab ab", u"ab ab"}, {2, 0}, {2, 0}, {4, 2}, u"ab", u"-", SEL | ALL},
        {"from the caret", {u"ab ab ab", u"ab"}, {4, 0}, {4, 0}, {4, 0}, u"ab", u"xyz", 0},
        {"tabs before and inside the matches", {u"\tab\tab x\tab", u"a\tb"}, {0, 0}, {0, 0}, {0, 0}, u"ab", u"a\tbc",
         ALL},
        {"tabs in regular expression matches", {u"a\t\tb a\tb"}, {0, 0}, {0, 0}, {0, 0}, u"a\t+b", u"\t", X | ALL},
        {"wide characters", {u"\u4E2Dab\u4E2Dab \u4E2D"}, {0, 0}, {0, 0}, {0, 0}, u"ab", u"\u4E2D", ALL},
        {"the caret's line has trailing blanks", {u"x  ", u"ab ab"}, {3, 0}, {3, 0}, {3, 0}, u"ab", u"c", 0},
        {"a selection that is the first match", {u"ab ab"}, {2, 0}, {0, 0}, {2, 0}, u"ab", u"c", ALL},
        {"no match", {u"abc"}, {1, 0}, {1, 0}, {1, 0}, u"zz", u"y", ALL},
    };
    for (const TReplaceAllCase &c : cases) {
        for (const bool grouped : {false, true}) {
            TSyntaxEditCore atOnce, oneByOne;
            Load(atOnce, c, grouped);
            Load(oneByOne, c, grouped);
            const std::vector<std::string> got = Walk(atOnce, c, false), want = Walk(oneByOne, c, true);
            EXPECT_EQ(got, want) << c.Name << (grouped ? " (grouped undo)" : "");
        }
    }
}

TEST(EditorReplaceAll, ALongLineAsShortLines)
{
    // The same statements on one line and on lines of their own: the same count and, joined, the
    // same text; one undo takes back the last replacement on both.
    WideString longLine;
    std::vector<WideString> shortLines;
    for (int i = 0; i < 3000; ++i) {
        const WideString s = u"v" + WideString(static_cast<size_t>(i % 7), u'x') + u"=count+" + (i % 3 ? u"\t" : u"") + u";";
        longLine += s;
        shortLines.push_back(s);
    }
    const TReplaceAllCase oneLine{"", {longLine}, {0, 0}, {0, 0}, {0, 0}, u"count", u"n", soEntireScope};
    TReplaceAllCase lines = oneLine;
    lines.Lines = shortLines;
    TSyntaxEditCore a, b;
    Load(a, oneLine, false);
    Load(b, lines, false);
    EXPECT_EQ(a.SearchReplace(u"count", u"total", soReplaceAll | soEntireScope), 3000);
    EXPECT_EQ(b.SearchReplace(u"count", u"total", soReplaceAll | soEntireScope), 3000);
    WideString joined;
    for (int i = 0; i < b.LineCount(); ++i)
        joined += b.Lines().Get(i);
    ASSERT_EQ(a.LineCount(), 1);
    EXPECT_EQ(a.Lines().Get(0), joined);
    a.Undo();
    b.Undo();
    const WideString undone = a.Lines().Get(0);
    EXPECT_EQ(undone.substr(undone.size() - shortLines.back().size()), shortLines.back());
    EXPECT_EQ(b.Lines().Get(b.LineCount() - 1), shortLines.back());
}

} // namespace
