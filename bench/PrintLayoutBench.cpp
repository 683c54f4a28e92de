// Laying text out into printed pages: numbered, word-wrapped lines measured with the printing
// font, written onto a preview's pages. Two inputs: a 10,000-line page and a 200,000-character
// single line (minified script). Aims: under 2 s and under 1 s.
#include "BenchSupport.h"
#include "print/PrintLayout.h"
#include "print/ZvPreview.h"
#include <QApplication>
#include <QPrinter>
#include <cstdio>
#include <random>

namespace {

std::vector<WideString> LongPage()
{
    std::mt19937 rng(3);
    std::vector<WideString> lines;
    for (int i = 0; i < 10000; ++i) {
        std::string s(size_t(rng() % 4) * 2, '\t');
        const int words = int(rng() % (i % 25 == 0 ? 60 : 12));
        for (int w = 0; w < words; ++w)
            s += (w % 5 == 0 ? "<span class=\"x\">" : "word") + std::to_string(rng() % 1000) + " ";
        lines.emplace_back(s.begin(), s.end());
    }
    return lines;
}

WideString MinifiedLine()
{
    std::string s;
    std::mt19937 rng(5);
    while (s.size() < 200000)
        s += "function f" + std::to_string(rng() % 100000) + "(a,b){return a+b*" + std::to_string(rng() % 97) + "}";
    s.resize(200000);
    return WideString(s.begin(), s.end());
}

double LayOut(const std::vector<WideString> &Lines, int &Pages)
{
    return bench::BestSeconds(
        [&] {
            QPrinter device(QPrinter::HighResolution);
            device.setResolution(600);
            TZvPreview preview(nullptr, &device);
            preview.Canvas().Font().SetName(u"Liberation Mono");
            preview.Canvas().Font().SetSize(10);
            preview.Header().SetVisible(true);
            preview.Footer().SetVisible(true);
            TTextLayoutOptions o;
            o.FontSize = 10;
            LayOutText(
                preview, int(Lines.size()), [&](int i) { return Lines[size_t(i)]; }, o);
            Pages = preview.PageCount();
        },
        3);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int pages = 0;
    const auto page = LongPage();
    const double t1 = LayOut(page, pages);
    std::printf("print layout, 10,000-line page:           %6.3f s (%d pages; aim under 2 s)\n", t1, pages);
    const std::vector<WideString> one{MinifiedLine()};
    const double t2 = LayOut(one, pages);
    std::printf("print layout, 200,000-character line:     %6.3f s (%d pages; aim under 1 s)\n", t2, pages);
    return 0;
}
