// Scans of long lines that go on from checkpoints give the tokens and the end state of a
// scan from the line's start, before and after edits anywhere in the line, including edits
// that change the state of everything after them.
#include "HighlighterTestSupport.h"
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/LineChange.h"
#include "editor/ScanCheckpoints.h"
#include <gtest/gtest.h>
#include <random>

namespace {

struct TScan {
    std::vector<Tok> Tokens;
    int32_t EndRange = 0;
};

TScan FullScan(TSyntaxHighlighter &H, int32_t Start, const WideString &Text)
{
    H.SetRange(Start);
    TScan s;
    s.Tokens = ScanLine(H, Text);
    s.EndRange = H.GetRange();
    return s;
}

// The tokens from the one the scan resumes with, when it goes on through the checkpoints
// from the last one at or before From; new checkpoints are noted on the way.
TScan ResumedScan(TSyntaxHighlighter &H, TLineCheckpoints &Points, int32_t Start, const WideString &Text, int From)
{
    H.SetRange(Start);
    Points.Start(H, Text, From);
    TScan s;
    for (size_t guard = 0; !H.GetEol() && guard <= Text.size() + 2; ++guard) {
        TTokenInfo info;
        H.GetTokenInfo(info);
        s.Tokens.push_back({info.Kind, info.Start, info.Length});
        Points.Note(H);
        H.Next();
    }
    s.EndRange = H.GetRange();
    Points.Finished(s.EndRange);
    return s;
}

// Like ResumedScan, but stops where the line's end range becomes known without scanning on
// (the scan met the state the scan before the edit had there); Stop tells where.
TScan ScanUntilEndKnown(TSyntaxHighlighter &H, TLineCheckpoints &Points, int32_t Start, const WideString &Text, int From,
                        int &Stop)
{
    H.SetRange(Start);
    Points.Start(H, Text, From);
    TScan s;
    Stop = static_cast<int>(Text.size());
    while (!H.GetEol()) {
        TTokenInfo info;
        H.GetTokenInfo(info);
        s.Tokens.push_back({info.Kind, info.Start, info.Length});
        Points.Note(H);
        if (Points.EndKnown()) {
            Stop = info.Start + info.Length;
            s.EndRange = Points.EndRange();
            return s;
        }
        H.Next();
    }
    s.EndRange = H.GetRange();
    Points.Finished(s.EndRange);
    return s;
}

// The scanned tokens are those of the full scan from the first of them on, as far as they go.
void ExpectPrefixOfFullScan(const TScan &Full, const TScan &Part, const std::string &What)
{
    EXPECT_EQ(Part.EndRange, Full.EndRange) << What;
    if (Part.Tokens.empty())
        return;
    auto at = std::find(Full.Tokens.begin(), Full.Tokens.end(), Part.Tokens.front());
    ASSERT_NE(at, Full.Tokens.end()) << What;
    ASSERT_LE(Part.Tokens.size(), static_cast<size_t>(Full.Tokens.end() - at)) << What;
    for (size_t i = 0; i < Part.Tokens.size(); ++i)
        ASSERT_EQ(Part.Tokens[i], at[static_cast<ptrdiff_t>(i)]) << What << ", token " << i;
}

// The resumed scan must start at a token of the full scan, at or before From, and agree with
// it from there to the end of the line.
void ExpectSameAsFullScan(const TScan &Full, const TScan &Resumed, int From, const std::string &What)
{
    EXPECT_EQ(Resumed.EndRange, Full.EndRange) << What;
    if (Resumed.Tokens.empty())
        return; // resumed at the line's end: nothing left to colour
    const int first = Resumed.Tokens.front().Start;
    EXPECT_LE(first, std::max(0, From)) << What;
    auto at = std::find_if(Full.Tokens.begin(), Full.Tokens.end(), [&](const Tok &t) { return t.Start == first; });
    ASSERT_NE(at, Full.Tokens.end()) << What << ": resumed at " << first << ", no token of the full scan starts there";
    const std::vector<Tok> tail(at, Full.Tokens.end());
    ASSERT_EQ(tail.size(), Resumed.Tokens.size()) << What;
    for (size_t i = 0; i < tail.size(); ++i)
        ASSERT_EQ(tail[i], Resumed.Tokens[i]) << What << ", token " << i;
}

WideString Repeat(const char *Piece, size_t Length)
{
    const WideString p = W(Piece);
    WideString s;
    while (s.size() < Length)
        s += p;
    return s;
}

// A highlighter set-up and a long line for it.
struct TSetup {
    const char *Name;
    bool Html;
    int32_t Start;
    const char *Piece;
};

const TSetup Setups[] = {
    {"script", false, jrNormal,
     "function(a,b){var c=a.length/2;if(c>b){return \"x\"+a[c]}else{b=/[a-z]+/g.exec(a)}}\t"},
    {"script inside a comment", false, jrComment, "a=b/c; x = 'it''s'; /* c */ if (a<b) { y = /re/ }"},
    {"page", true, hsText,
     "<div class=\"row\" id=x width=50%><a href='y.htm'>link</a> &amp; &#169; <!-- c --> <b>t</b></div>"},
    {"page line inside a script block", true, hsScript + jrNormal * 1000,
     "var s = 'a<b'; if (x < 3) { document.write(\"<p>\"); } /* c */ r = /x/g;"},
    {"page line inside a script block, quoted script tag", true, hsScript + jrNormal * 1000,
     "document.write(\"<script src=x><\\/script>\"); var a = b / 2;"},
};

struct TEdit {
    const char *Name;
    double At; // fraction of the line
    int Erase;
    const char *Insert;
};

const TEdit Edits[] = {
    {"comment opened at the start", 0.0, 0, "/*"},
    {"comment closed at the end", 1.0, 0, "*/"},
    {"string opened in the middle", 0.5, 0, "\""},
    {"single quote in the middle", 0.5, 0, "'"},
    {"slash at the end", 1.0, 0, "/"},
    {"slash in the middle", 0.5, 0, "/"},
    {"HTML comment opened at the start", 0.0, 0, "<!--"},
    {"HTML comment closed at the end", 1.0, 0, "-->"},
    {"script end tag in the middle", 0.5, 0, "</script>"},
    {"script tag in the middle", 0.5, 0, "<script>"},
    {"letter in the middle", 0.5, 0, "x"},
    {"character taken out in the middle", 0.5, 1, ""},
    {"characters taken out at the start", 0.0, 5, ""},
    {"last character taken out", 1.0, 1, ""},
};

TEST(ScanCheckpoints, ResumedScansMatchFullScansAfterEdits)
{
    THTMLHighlighter html;
    TJavaScriptHighlighter js;
    html.SetJavaScriptHighLighter(&js);
    for (const TSetup &setup : Setups) {
        TSyntaxHighlighter &h = setup.Html ? static_cast<TSyntaxHighlighter &>(html) : js;
        const WideString line = Repeat(setup.Piece, 20000);
        const int n = static_cast<int>(line.size());
        for (const TEdit &edit : Edits) {
            const std::string what = std::string(setup.Name) + ", " + edit.Name;
            TLineCheckpoints points(0, setup.Start);
            // A scan through the whole line leaves checkpoints along it, and later scans
            // start from them.
            ExpectSameAsFullScan(FullScan(h, setup.Start, line), ResumedScan(h, points, setup.Start, line, 0), 0,
                                 what + " (first scan)");
            ASSERT_GE(points.Points().size(), size_t(5)) << what;
            const TScan before = ResumedScan(h, points, setup.Start, line, n);
            EXPECT_GT(before.Tokens.front().Start, n / 2) << what;
            ExpectSameAsFullScan(FullScan(h, setup.Start, line), before, n, what + " (unchanged)");

            const int at = std::min(n - edit.Erase, static_cast<int>(edit.At * n));
            WideString changed = line;
            changed.replace(static_cast<size_t>(at), static_cast<size_t>(edit.Erase), W(edit.Insert));
            points.Changed(LineChangeOf(line, changed));
            const TScan full = FullScan(h, setup.Start, changed);
            const int m = static_cast<int>(changed.size());
            for (int from : {0, at / 2, std::max(0, at - 1), at + 3000, m})
                ExpectSameAsFullScan(full, ResumedScan(h, points, setup.Start, changed, from), from,
                                     what + ", resumed from " + std::to_string(from));
        }
    }
}

// After an edit, a scan from before it stops where it meets the state the scan before the
// edit had at the same place, and knows the line's end state from there; an edit that changes
// the state of all that follows is scanned to the end.
TEST(ScanCheckpoints, ScansAfterAnEditStopWhereTheStateIsAsBefore)
{
    THTMLHighlighter html;
    TJavaScriptHighlighter js;
    html.SetJavaScriptHighLighter(&js);
    struct Case {
        size_t Setup;
        const char *Insert;
        bool Meets; // the scan meets the old state soon after the edit
    };
    const Case cases[] = {
        {0, "x", true},  {0, "/*", false}, {1, "(", true},   {2, "x", true},
        {2, "<!--", true}, {2, "<script>", false}, {3, "q", true}, {3, "//", false}, {4, " ", true},
    };
    for (const Case &c : cases) {
        const TSetup &setup = Setups[c.Setup];
        TSyntaxHighlighter &h = setup.Html ? static_cast<TSyntaxHighlighter &>(html) : js;
        const std::string what = std::string(setup.Name) + ", " + c.Insert;
        const WideString line = Repeat(setup.Piece, 40000);
        TLineCheckpoints points(0, setup.Start);
        ResumedScan(h, points, setup.Start, line, 0);
        ASSERT_TRUE(points.EndKnown()) << what;
        const size_t piece = W(setup.Piece).size();
        const int at = static_cast<int>(line.size() / 3 / piece * piece); // where a piece starts
        WideString changed = line;
        changed.insert(static_cast<size_t>(at), W(c.Insert));
        points.Changed(LineChangeOf(line, changed));
        EXPECT_FALSE(points.EndKnown()) << what;
        const TScan full = FullScan(h, setup.Start, changed);
        int stop = 0;
        ExpectPrefixOfFullScan(full, ScanUntilEndKnown(h, points, setup.Start, changed, at, stop), what);
        if (c.Meets)
            EXPECT_LT(stop, at + 4 * TLineCheckpoints::Spacing) << what;
        else
            EXPECT_EQ(stop, static_cast<int>(changed.size())) << what;
        EXPECT_TRUE(points.EndKnown()) << what;
        // The checkpoints met again hold: scans from them agree with the full scan.
        for (int from : {at + 5 * TLineCheckpoints::Spacing, static_cast<int>(changed.size())})
            ExpectSameAsFullScan(full, ResumedScan(h, points, setup.Start, changed, from), from,
                                 what + ", resumed from " + std::to_string(from));
    }
}

// Tokens that the line's end cuts short (a run of text, a quoted value without its closing
// quote, a name) grow or change when characters come at the end: checkpoints after them go.
TEST(ScanCheckpoints, TokensCutByTheLineEndChangeWithIt)
{
    THTMLHighlighter html;
    TJavaScriptHighlighter js;
    struct Case {
        const char *Name;
        TSyntaxHighlighter *H;
        int32_t Start;
        const char *Piece;
        const char *Appended;
    };
    const Case cases[] = {
        {"text", &html, hsText, "\xC3\xBF", "A"},
        {"quoted value", &html, hsValue, "'ab cd ", "'"},
        {"name", &js, jrNormal, "ab", "c"},
        {"comment", &html, hsComment, "ab-", "->"},
    };
    for (const Case &c : cases) {
        const WideString line = Repeat(c.Piece, 6000);
        TLineCheckpoints points(0, c.Start);
        ResumedScan(*c.H, points, c.Start, line, 0);
        const WideString changed = line + W(c.Appended);
        points.Changed(LineChangeOf(line, changed));
        const int n = static_cast<int>(changed.size());
        ExpectSameAsFullScan(FullScan(*c.H, c.Start, changed), ResumedScan(*c.H, points, c.Start, changed, n), n,
                             c.Name);
    }
}

// Random edits and scans from random places, the checkpoints kept across them.
TEST(ScanCheckpoints, RandomEditsKeepResumedScansExact)
{
    THTMLHighlighter html;
    TJavaScriptHighlighter js;
    html.SetJavaScriptHighLighter(&js);
    const char *const inserts[] = {"/*", "*/", "\"", "'", "/", "<", ">", "<!--", "-->", "</script>", "<script>",
                                   "x", " ", "=", "\\", "&", "#", "//", "\t", "\xF0\x9F\x98\x80"};
    std::mt19937 rng(22);
    for (const TSetup &setup : Setups) {
        TSyntaxHighlighter &h = setup.Html ? static_cast<TSyntaxHighlighter &>(html) : js;
        WideString line = Repeat(setup.Piece, 12000);
        TLineCheckpoints points(0, setup.Start);
        for (int step = 0; step < 300; ++step) {
            const int n = static_cast<int>(line.size());
            const int at = static_cast<int>(rng() % static_cast<unsigned>(n + 1));
            const int erase = std::min(n - at, static_cast<int>(rng() % 3));
            WideString changed = line;
            changed.replace(static_cast<size_t>(at), static_cast<size_t>(erase), W(inserts[rng() % std::size(inserts)]));
            points.Changed(LineChangeOf(line, changed));
            line = changed;
            const int m = static_cast<int>(line.size());
            const int from = static_cast<int>(rng() % static_cast<unsigned>(m + 1));
            const std::string what = std::string(setup.Name) + ", step " + std::to_string(step);
            if (rng() % 3 == 0) {
                // Edits pile up between scans that stop where they meet the old state.
                int stop = 0;
                ExpectPrefixOfFullScan(FullScan(h, setup.Start, line),
                                       ScanUntilEndKnown(h, points, setup.Start, line, from, stop), what);
            } else {
                ExpectSameAsFullScan(FullScan(h, setup.Start, line), ResumedScan(h, points, setup.Start, line, from),
                                     from, what);
            }
            if (HasFailure())
                return;
        }
    }
}

} // namespace
