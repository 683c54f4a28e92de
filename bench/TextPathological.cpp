// Absurd inputs for the text layer: regular expressions whose attempts fail late over lines of
// 50,000 to 200,000 characters, and a file of one 200 MB line loaded, searched and saved. Prints the
// time of each size and the growth from one size to the next (2.0 is linear for a doubled input).
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "bench/BenchSupport.h"
#include "text/URESearch.h"
#include "text/UTBMSearch.h"
#include "text/WideStrings.h"

namespace {

struct TRegexCase {
    const char *Name;
    const char16_t *Pattern;
    std::function<WideString(int)> Line;
};

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

} // namespace

int main()
{
    const TRegexCase cases[] = {
        {"a*b, no b on the line", u"a*b", [](int n) { return WideString(size_t(n), u'a') + u"\nb"; }},
        {"a*b, b at the end", u"a*b", [](int n) { return WideString(size_t(n), u'a') + u"b"; }},
        {"(a|b)*c over a's and b's", u"(a|b)*c",
         [](int n) { return WideString(size_t(n), u'a') + WideString(size_t(n), u'b'); }},
        {"x.*y$ over xyxy...z", u"x.*y$",
         [](int n) {
             WideString t;
             for (int i = 0; i < n / 2; ++i)
                 t += u"xy";
             return t + u"z";
         }},
        {"[a-z]+[0-9] over letters", u"[a-z]+[0-9]", [](int n) { return WideString(size_t(n), u'q') + u" 1"; }},
        {".*x over a line without x", u".*x", [](int n) { return WideString(size_t(n), u'a'); }},
    };
    std::printf("Regular-expression search (FindAll), leftmost-longest\n");
    std::printf("%-30s %12s %12s %12s %8s %8s\n", "case", "50,000", "100,000", "200,000", "growth", "growth");
    for (const TRegexCase &c : cases) {
        TURESearch engine(nullptr);
        engine.FindPrepare(c.Pattern, sfMatchCase);
        double t[3];
        int i = 0;
        for (int n : {50000, 100000, 200000}) {
            const WideString line = c.Line(n);
            t[i++] = bench::BestSeconds([&] { engine.FindAll(line); });
        }
        std::printf("%-30s %9.2f ms %9.2f ms %9.2f ms %8.2f %8.2f\n", c.Name, t[0] * 1000, t[1] * 1000, t[2] * 1000,
                    t[1] / t[0], t[2] / t[1]);
    }

    // One line of 200 MB (ANSI): load, search, save.
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const std::string file = dir.filePath("one-line.txt").toStdString();
    const std::string saved = dir.filePath("saved.txt").toStdString();
    {
        std::string line(200u * 1000 * 1000, 'a');
        for (size_t i = 0; i < line.size(); i += 61)
            line[i] = char('b' + i % 20);
        line.replace(line.size() - 6, 6, "needle");
        FILE *f = std::fopen(file.c_str(), "wb");
        if (!f || std::fwrite(line.data(), 1, line.size(), f) != line.size())
            return 1;
        std::fclose(f);
    }
    std::printf("\nOne line of 200,000,000 characters\n");
    TWideStringList list;
    const double load = bench::BestSeconds([&] { list.LoadFromFile(file); }, 1);
    std::printf("%-30s %9.2f ms  (%d line)\n", "load", load * 1000, list.Count());
    if (list.Count() != 1)
        return 1;
    const WideString &line = list[0];
    TUTBMSearch literal(nullptr);
    literal.FindPrepare(u"needle", sfMatchCase);
    int s = 0, e = 0;
    const double findLiteral = bench::BestSeconds([&] { literal.FindFirst(line.data(), int(line.size()), s, e); }, 1);
    std::printf("%-30s %9.2f ms  (at %d)\n", "literal search", findLiteral * 1000, s);
    TURESearch regex(nullptr);
    regex.FindPrepare(u"ne+dle$", sfMatchCase);
    const double findRegex = bench::BestSeconds([&] { regex.FindFirst(line.data(), int(line.size()), s, e); }, 1);
    std::printf("%-30s %9.2f ms  (at %d)\n", "regex search ne+dle$", findRegex * 1000, s);
    const double save = bench::BestSeconds([&] { list.SaveToFile(saved); }, 1);
    std::printf("%-30s %9.2f ms\n", "save", save * 1000);
    std::printf("%-30s %9.0f MB\n", "peak memory", PeakMegabytes());
    return 0;
}
