// Script check of a 5,000+ line library (prototype.js): our parser with its symbol model, timed in the
// same run against acorn (a parser only) and jshint (ES3 mode, a checker) on the same file under node.
// Prints each median time per parse and the ratios (ours / theirs; below 1 means faster).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include "bench/BenchSupport.h"
#include "checker/CheckerLists.h"
#include "checker/JSParser.h"

namespace {

constexpr int kRuns = 30;

struct NullHost : IParserHost {
    AnsiString GetIncludeName(int) override { return "include"; }
    TNavNode AddFunctionNode(const AnsiString &, int32_t, TNavNode, int) override { return nullptr; }
    void AddVariableNode(const AnsiString &, int32_t, TNavNode, int) override {}
    void AddDynamicHTMLName(const AnsiString &, int32_t) override {}
};

// Median milliseconds of one full check (source lines in, model and findings out).
double OurParse(const std::vector<std::string> &Lines, int &Functions)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        TCheckerLists lists;
        NullHost host;
        TJSParser parser(lists, &host);
        TStringList items;
        const auto t0 = std::chrono::steady_clock::now();
        parser.ClearSource();
        parser.ResetState();
        parser.ResetInlineTotals();
        parser.ResetCounts();
        parser.InitMessages(&items);
        parser.SetStartLine(1);
        for (const auto &l : Lines) parser.AddSourceLine(l);
        parser.Parse(scJSFile, lists.Functions, false, false, false, true, true, true, false, false, &items);
        parser.AddSummary();
        parser.ShowMessages(&items);
        const auto t1 = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        Functions = lists.Functions.Count();
    }
    return bench::Median(times);
}

const char *const kAcorn = R"(
const acorn = require('acorn'); const fs = require('fs');
const src = fs.readFileSync(process.argv[1], 'latin1'); const runs = +process.argv[2];
const t = [];
for (let i = 0; i < runs; i++) { const s = process.hrtime.bigint(); acorn.parse(src, {ecmaVersion: 5});
  t.push(Number(process.hrtime.bigint() - s) / 1e6); }
t.sort((a, b) => a - b); console.log(t[t.length >> 1]);
)";

} // namespace

int main(int argc, char **argv)
{
    const std::string file = argc > 1 ? argv[1] : "/usr/share/javascript/prototype/prototype.js";
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::printf("checker parse: %s not found, skipped\n", file.c_str());
        return 0;
    }
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);

    int functions = 0;
    const double ours = OurParse(lines, functions);
    const double acorn = bench::NodeMedian(kAcorn, file, kRuns);
    const double jshint = bench::NodeMedian(bench::kJshintTimingScript, file, kRuns);

    std::printf("checker parse of %s (%zu lines, %d functions), median of %d runs\n", file.c_str(), lines.size(),
                functions, kRuns);
    std::printf("  quillmar checker  %8.2f ms\n", ours);
    if (acorn > 0) std::printf("  acorn (node)      %8.2f ms   ratio %.2f\n", acorn, ours / acorn);
    else std::printf("  acorn (node)      not available\n");
    if (jshint > 0) std::printf("  jshint es3 (node) %8.2f ms   ratio %.2f\n", jshint, ours / jshint);
    else std::printf("  jshint (node)     not available\n");
    return 0;
}
