// libFuzzer target for the highlighters and their checkpoints inside long lines: the input
// gives a line (repeated to a few thousand characters) and a series of edits. After every edit
// a scan that goes on from the checkpoints, from a place the input picks, must give the tokens
// and the end state of a scan from the line's start.
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/LineChange.h"
#include "editor/ScanCheckpoints.h"
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
struct TToken {
    int32_t Kind, Start, Length;
    bool operator==(const TToken &) const = default;
};

std::vector<TToken> Tokens(TSyntaxHighlighter &H, TLineCheckpoints *Points, const WideString &Line, int From,
                           int32_t &EndRange)
{
    std::vector<TToken> out;
    if (Points)
        Points->Start(H, Line, From);
    else
        H.SetLine(Line, false);
    for (size_t guard = 0; !H.GetEol(); ++guard) {
        if (guard > Line.size() + 2)
            std::abort(); // a scan that does not end
        TTokenInfo info;
        H.GetTokenInfo(info);
        out.push_back({info.Kind, info.Start, info.Length});
        if (Points)
            Points->Note(H);
        H.Next();
    }
    EndRange = H.GetRange();
    if (Points)
        Points->Finished(EndRange);
    return out;
}

// Characters from bytes: most stand for themselves, a few for characters beyond Latin-1.
WideChar CharOf(uint8_t b)
{
    switch (b) {
    case 0xF0: return 0xD83D; // the halves of a pair
    case 0xF1: return 0xDE00;
    case 0xF2: return 0x4E2D;
    default: return b;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size < 4)
        return 0;
    static THTMLHighlighter Html;
    static TJavaScriptHighlighter Js;
    Html.SetJavaScriptHighLighter(&Js);
    // The first byte picks the highlighter and the line's start state, the second the length
    // of the line's piece.
    struct TSetup {
        TSyntaxHighlighter *H;
        int32_t Start;
    };
    const TSetup setups[] = {{&Js, jrNormal},    {&Js, jrComment},   {&Html, hsText},  {&Html, hsTag},
                             {&Html, hsValue},   {&Html, hsComment}, {&Html, hsScript + jrNormal * 1000},
                             {&Html, hsScript + jrComment * 1000}};
    const TSetup &setup = setups[Data[0] % std::size(setups)];
    const size_t pieceLength = std::min<size_t>(Size - 2, 1 + Data[1] % 64);
    WideString piece;
    for (size_t i = 0; i < pieceLength; ++i)
        piece += CharOf(Data[2 + i]);
    WideString line;
    while (line.size() < 6000)
        line += piece;
    TLineCheckpoints points(0, setup.Start);
    int32_t fullEnd = 0, end = 0;
    setup.H->SetRange(setup.Start);
    Tokens(*setup.H, &points, line, 0, end);
    // Then edits of four bytes each: where (two), how many characters go, and one that comes
    // (none for a byte below 8); the place the next scan starts from is taken from the same bytes.
    for (size_t at = 2 + pieceLength; at + 4 <= Size; at += 4) {
        const uint8_t *e = Data + at;
        const size_t n = line.size();
        const size_t where = (size_t(e[0]) << 8 | e[1]) * (n + 1) / 65536;
        const size_t erase = std::min<size_t>(n - where, e[2] % 4);
        WideString changed = line;
        changed.replace(where, erase, e[3] < 8 ? WideString() : WideString(1, CharOf(e[3])));
        points.Changed(LineChangeOf(line, changed));
        line = changed;
        setup.H->SetRange(setup.Start);
        const std::vector<TToken> full = Tokens(*setup.H, nullptr, line, 0, fullEnd);
        const int from = static_cast<int>((size_t(e[1]) << 8 | e[0]) * (line.size() + 1) / 65536);
        setup.H->SetRange(setup.Start);
        const std::vector<TToken> resumed = Tokens(*setup.H, &points, line, from, end);
        bool same = end == fullEnd;
        if (same && !resumed.empty()) {
            size_t k = 0;
            while (k < full.size() && full[k].Start != resumed.front().Start)
                ++k;
            same = resumed.front().Start <= from && full.size() - k == resumed.size() &&
                   std::equal(resumed.begin(), resumed.end(), full.begin() + static_cast<ptrdiff_t>(k));
        }
        if (!same) {
            std::fprintf(stderr, "resumed scan differs from the full scan after edit at %zu (from %d)\n", where, from);
            std::abort();
        }
    }
    return 0;
}
