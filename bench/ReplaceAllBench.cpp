// Replace all over a minified script: 1 MB on one line with about 20,000 matches, paired against the same
// text split into lines of about 80 characters (the same characters and the same matches, a line break
// after a ';' once a line passes 80), which is the work a user expects it to cost. Literal and regular
// expression rows; each pair loads both editors untimed, then times Replace all on the long line and on
// the short lines back to back. Prints the medians with their ranges and the median of the paired ratios
// (long line / short lines) with its range. The texts after both replacements are compared once.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "editor/SyntaxEditCore.h"
#include "editor/SyntaxEditorStrings.h"
#include "bench/BenchSupport.h"

namespace {

constexpr size_t kTargetChars = 1u << 20;
constexpr int kPairs = 9;

// Statements of a minified script; about every 55th character starts a match of "count".
std::vector<WideString> MakeStatements()
{
    std::mt19937 rng(7);
    const char16_t *names[] = {u"a", u"b", u"x1", u"item", u"len", u"tmp", u"node", u"idx"};
    std::vector<WideString> out;
    size_t size = 0;
    int k = 0;
    while (size < kTargetChars) {
        WideString s;
        const auto name = [&] { return WideString(names[rng() % 8]); };
        switch (k++ % 3) {
        case 0: s = u"var " + name() + u"=count+" + name() + u"*2"; break;
        case 1: s = name() + u"[" + name() + u"]=" + name() + u"(" + name() + u",2)"; break;
        default: s = u"if(" + name() + u">3){" + name() + u"++}"; break;
        }
        s += u';';
        size += s.size();
        out.push_back(std::move(s));
    }
    return out;
}

struct TTexts {
    std::vector<WideString> Long; // one line
    std::vector<WideString> Short; // lines of about 80 characters
};

TTexts MakeTexts()
{
    TTexts t;
    t.Long.emplace_back();
    WideString line;
    for (const WideString &s : MakeStatements()) {
        t.Long.front() += s;
        line += s;
        if (line.size() >= 80) {
            t.Short.push_back(std::move(line));
            line.clear();
        }
    }
    if (!line.empty())
        t.Short.push_back(std::move(line));
    return t;
}

void Load(TSyntaxEditCore &e, const std::vector<WideString> &lines)
{
    e.ClearAll(true, false);
    e.Lines().BeginUpdate();
    e.Lines().Clear();
    for (const WideString &l : lines)
        e.Lines().Add(l);
    e.Lines().EndUpdate();
    e.ClearUndo();
    e.SetCaretXY({0, 0});
}

WideString Joined(TSyntaxEditCore &e)
{
    WideString all;
    for (int i = 0; i < e.LineCount(); ++i)
        all += e.LineText(i);
    return all;
}

void Row(const char *what, const TTexts &texts, const WideString &search, const WideString &replace, int options)
{
    TSyntaxEditCore longLine, shortLines;
    longLine.SetFontMetrics(8, 16);
    longLine.Resize(1000, 800);
    shortLines.SetFontMetrics(8, 16);
    shortLines.Resize(1000, 800);
    const int all = soReplace | soReplaceAll | soEntireScope | soMatchCase | options;
    int longCount = 0, shortCount = 0;
    const bench::TPairs p = bench::Paired([&] { longCount = longLine.SearchReplace(search, replace, all); },
                                          [&] { shortCount = shortLines.SearchReplace(search, replace, all); },
                                          kPairs, [&] {
                                              Load(longLine, texts.Long);
                                              Load(shortLines, texts.Short);
                                          });
    const bool same = longCount == shortCount && Joined(longLine) == Joined(shortLines);
    std::printf("%-28s %6d matches  long line %8.1f ms (%.1f-%.1f)  short lines %7.1f ms (%.1f-%.1f)  "
                "ratio %.2fx (%.2f-%.2f)%s\n",
                what, longCount, p.Ours * 1e3, p.OursLow * 1e3, p.OursHigh * 1e3, p.Theirs * 1e3,
                p.TheirsLow * 1e3, p.TheirsHigh * 1e3, p.Ratio, p.RatioLow, p.RatioHigh,
                same ? "" : "  TEXTS DIFFER");
}

} // namespace

int main()
{
    const TTexts texts = MakeTexts();
    std::printf("Replace all, %zu characters: one line against %zu lines, medians of %d pairs\n",
                texts.Long.front().size(), texts.Short.size(), kPairs);
    Row("literal count -> total", texts, u"count", u"total", 0);
    Row("literal count -> n", texts, u"count", u"n", 0);
    Row("regex c[a-z]+t -> sum", texts, u"c[a-z]+t", u"sum", soRegularExpression);
    return 0;
}
