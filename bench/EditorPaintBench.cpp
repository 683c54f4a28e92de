// Times painting of the editor widget: a screenful at the end of a 100,000-line page (first
// paint, which scans the highlighter ranges of every line above, and again), a screenful of
// one 500 KB line, a keystroke typed in the middle of that line up to its repaint, keystrokes
// in script lines of 0.5 to 8 MB, and the paint at the end of a 20 MB page after an edit at
// its top.
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/SyntaxEdit.h"
#include "editor/SyntaxEditorStrings.h"
#include "bench/PairedTimer.h"
#include <QApplication>
#include <algorithm>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double PaintMs(TSyntaxEdit &e)
{
    QImage image(e.TextWindow()->size(), QImage::Format_ARGB32_Premultiplied);
    const auto t0 = Clock::now();
    {
        QPainter p(&image);
        e.PaintTo(p, image.rect());
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void Report(const char *what, double ms, bool aim)
{
    if (aim)
        std::printf("%-60s %8.2f ms  (aim 16 ms: %s)\n", what, ms, ms <= 16.0 ? "met" : "missed");
    else
        std::printf("%-60s %8.2f ms\n", what, ms);
}
} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    THTMLHighlighter html;
    TJavaScriptHighlighter js;
    html.SetJavaScriptHighLighter(&js);
    {
        TSyntaxEdit e;
        e.resize(1000, 800);
        e.SetHighLighter(&html);
        WideString page;
        for (int i = 0; i < 100000 / 10; ++i)
            page += u"<div class=\"row\"><a href=\"x.htm\">link</a> text &amp; more</div>\r\n"
                    u"<script type=\"text/javascript\">\r\nfunction f(a) {\r\n  return a + 1; // add\r\n}\r\n"
                    u"</script>\r\n<!-- a comment\r\n  over lines -->\r\n<p>para</p>\r\n<br>\r\n";
        e.Lines().SetTextStr(page);
        e.SetTopLine(e.LineCount());
        Report("100,000-line page, screen at the end, first paint", PaintMs(e), false);
        Report("100,000-line page, screen at the end, again", PaintMs(e), true);
    }
    {
        TSyntaxEdit e;
        e.resize(1000, 800);
        e.SetHighLighter(&html);
        WideString line;
        while (line.size() < 500 * 1024)
            line += u"<span class=\"a\">some text</span> <b>bold</b> &nbsp; ";
        e.Lines().SetTextStr(line);
        Report("500 KB single line, first paint", PaintMs(e), false);
        Report("500 KB single line, again", PaintMs(e), true);
        e.SetCaretXY({static_cast<int>(line.size() / 2), 0});
        PaintMs(e);
        const auto t0 = Clock::now();
        e.RunEditorCommand(ecChar, u'x', nullptr);
        const double typed = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        const double paint = PaintMs(e);
        Report("500 KB line, a character typed in the middle, to repaint", typed + paint, true);
    }
    {
        // Minified scripts on one line of 0.5, 1, 2 and 8 MB, coloured by the script
        // highlighter, the caret at the start, in the middle or at the end: the cost of a
        // keystroke with its repaint must not grow with the line. The rounds take one keystroke
        // in every cell in turn, so each cell meets the same machine load; the ratio of the
        // 8 MB cell to the 0.5 MB cell is taken per round.
        const double sizes[] = {0.5, 1, 2, 8};
        const char *const places[] = {"start", "middle", "end"};
        struct TCell {
            std::unique_ptr<TSyntaxEdit> E;
            std::vector<double> Ms;
        };
        std::vector<TCell> cells;
        for (double mb : sizes)
            for (int place = 0; place < 3; ++place) {
                TCell c{std::make_unique<TSyntaxEdit>(), {}};
                c.E->resize(1000, 800);
                c.E->SetHighLighter(&js);
                WideString line;
                while (line.size() < static_cast<size_t>(mb * 1024 * 1024))
                    line += u"function(a,b){var c=a.length/2;if(c>b){return \"x\"+a[c]}else{b=/[a-z]+/g.exec(a)}};";
                c.E->Lines().SetTextStr(line);
                PaintMs(*c.E);
                c.E->SetCaretXY({place == 0 ? 0 : place == 1 ? static_cast<int>(line.size() / 2)
                                                             : static_cast<int>(line.size()),
                                 0});
                PaintMs(*c.E);
                cells.push_back(std::move(c));
            }
        const int rounds = 41;
        for (int round = 0; round < rounds + 3; ++round)
            for (TCell &c : cells) {
                const auto t0 = Clock::now();
                c.E->RunEditorCommand(ecChar, u'x', nullptr);
                const double typed = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                const double ms = typed + PaintMs(*c.E);
                if (round >= 3) // the first rounds warm up
                    c.Ms.push_back(ms);
            }
        std::printf("Keystroke with repaint in one script line, ms: median (quartiles), %d rounds\n", rounds);
        std::printf("  %-8s", "");
        for (const char *place : places)
            std::printf("  %-22s", place);
        std::printf("\n");
        for (size_t i = 0; i < std::size(sizes); ++i) {
            std::printf("  %4.1f MB ", sizes[i]);
            for (int place = 0; place < 3; ++place) {
                const std::vector<double> &ms = cells[i * 3 + static_cast<size_t>(place)].Ms;
                std::printf("  %6.2f (%5.2f-%6.2f)    ", bench::Quantile(ms, 0.5), bench::Quantile(ms, 0.25),
                            bench::Quantile(ms, 0.75));
            }
            std::printf("\n");
        }
        for (int place = 0; place < 3; ++place) {
            std::vector<double> ratios;
            const std::vector<double> &small = cells[static_cast<size_t>(place)].Ms;
            const std::vector<double> &large = cells[9 + static_cast<size_t>(place)].Ms;
            for (size_t r = 0; r < small.size(); ++r)
                ratios.push_back(large[r] / small[r]);
            std::printf("  8 MB / 0.5 MB at the %-6s: %.2f (quartiles %.2f-%.2f)\n", places[place],
                        bench::Quantile(ratios, 0.5), bench::Quantile(ratios, 0.25), bench::Quantile(ratios, 0.75));
        }
        std::vector<double> all2;
        for (int place = 0; place < 3; ++place)
            for (double ms : cells[6 + static_cast<size_t>(place)].Ms)
                all2.push_back(ms);
        Report("2 MB single script line, keystroke with repaint (median)", bench::Quantile(all2, 0.5), true);
        Report("2 MB single script line, keystroke with repaint (worst)", *std::max_element(all2.begin(), all2.end()),
               false);
    }
    {
        // The same with lines after the long one: their colours start in the state the long
        // line ends in, which a keystroke near its start must not rescan to its end for. And a
        // long line that starts with a tab (its column map has more than one column per
        // character to follow), and a long line inside a script block of a page.
        auto keystrokes = [&](const char *label, const WideString &text, TSyntaxHighlighter &h, int y) {
            TSyntaxEdit e;
            e.resize(1000, 800);
            e.SetHighLighter(&h);
            e.Lines().SetTextStr(text);
            PaintMs(e);
            e.SetCaretXY({10, y});
            PaintMs(e);
            std::vector<double> ms;
            for (int i = 0; i < 44; ++i) {
                const auto t0 = Clock::now();
                e.RunEditorCommand(ecChar, u'x', nullptr);
                const double typed = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                const double all = typed + PaintMs(e);
                if (i >= 3)
                    ms.push_back(all);
            }
            std::printf("%-60s %8.2f ms  (quartiles %.2f-%.2f)\n", label, bench::Quantile(ms, 0.5),
                        bench::Quantile(ms, 0.25), bench::Quantile(ms, 0.75));
        };
        for (double mb : {2.0, 8.0}) {
            WideString line;
            while (line.size() < static_cast<size_t>(mb * 1024 * 1024))
                line += u"function(a,b){var c=a.length/2;if(c>b){return \"x\"+a[c]}else{b=/[a-z]+/g.exec(a)}};";
            char label[96];
            std::snprintf(label, sizeof label, "%.0f MB script line and lines after it, keystroke near its start", mb);
            keystrokes(label, line + u"\r\nvar after = 1; /* c */\r\nmore('x');\r\n", js, 0);
            std::snprintf(label, sizeof label, "%.0f MB script line after a tab, keystroke near its start", mb);
            keystrokes(label, u"\t" + line, js, 0);
            std::snprintf(label, sizeof label, "%.0f MB script line inside a page, keystroke near its start", mb);
            keystrokes(label, u"<p>x</p>\r\n<script>\r\n" + line + u"\r\n</script>\r\n<p>y</p>\r\n", html, 2);
        }
    }
    {
        // A 20 MB page: after an edit at the top, the paint at the end rescans the colouring
        // state only until it meets the state stored before.
        TSyntaxEdit e;
        e.resize(1000, 800);
        e.SetHighLighter(&html);
        WideString page;
        const WideString block =
            u"<div class=\"row\"><a href=\"x.htm\">link</a> text &amp; more</div>\r\n"
            u"<script type=\"text/javascript\">\r\nfunction f(a) {\r\n  return a + 1; // add\r\n}\r\n"
            u"</script>\r\n<!-- a comment\r\n  over lines -->\r\n<p>para</p>\r\n<br>\r\n";
        while (page.size() < 20 * 1024 * 1024)
            page += block;
        e.Lines().SetTextStr(page);
        e.SetTopLine(e.LineCount());
        Report("20 MB page, screen at the end, first paint", PaintMs(e), false);
        e.SetTopLine(1);
        PaintMs(e);
        e.SetCaretXY({5, 0});
        e.RunEditorCommand(ecChar, u'x', nullptr);
        PaintMs(e);
        e.SetTopLine(e.LineCount());
        Report("20 MB page, edit at the top, then paint at the end", PaintMs(e), true);
    }
    return 0;
}
