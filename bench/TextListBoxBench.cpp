// Filling the findings list: 10,000 lines added one by one, as a check does, then one layout
// pass of the shown list. Target: under 100 ms for the whole fill.
#include "controls/TextListBox.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<AnsiString> findingsLines(int n)
{
    static const char *const texts[] = {
        "'counter' is not declared with var",
        "Missing semicolon",
        "Function 'updateTable' is never called",
        "Unexpected token ')' after argument list, expected an expression before the closing bracket",
        "Deprecated attribute 'language' in script tag",
    };
    std::vector<AnsiString> lines;
    lines.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const char *kind = i % 3 == 0 ? "Warning on line " : i % 3 == 1 ? "Hint on line " : "Syntax error on line ";
        lines.push_back("(" + std::to_string(100 + i % 900) + ") " + kind + std::to_string(i + 1) + ", " +
                        texts[i % 5]);
    }
    return lines;
}

void BM_AddFindings(benchmark::State &state)
{
    const auto lines = findingsLines(static_cast<int>(state.range(0)));
    TTextListBox box;
    box.resize(600, 300);
    box.show();
    for (auto _ : state) {
        box.Items().Clear();
        for (const AnsiString &l : lines)
            box.Items().Add(l);
        QApplication::processEvents();
        benchmark::DoNotOptimize(box.MaxWidth());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddFindings)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_AddTabbedFindings(benchmark::State &state)
{
    auto lines = findingsLines(static_cast<int>(state.range(0)));
    for (auto &l : lines)
        l.insert(l.find(')') + 1, "\t");
    TTextListBox box;
    box.SetTabWidth(16);
    box.resize(600, 300);
    box.show();
    for (auto _ : state) {
        box.Items().Clear();
        for (const AnsiString &l : lines)
            box.Items().Add(l);
        QApplication::processEvents();
        benchmark::DoNotOptimize(box.MaxWidth());
    }
}
BENCHMARK(BM_AddTabbedFindings)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
