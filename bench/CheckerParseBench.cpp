// Script check of real libraries (prototype.js, jquery.js): our parser with its symbol model, timed in
// pairs against acorn (a parser only) and jshint (ES3 mode, a checker) on the same file under node, both
// sides warm and in one process each. Prints the medians and the ratio per pair with its quartiles.
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
#include "bench/PairedTimer.h"
#include "checker/CheckerLists.h"
#include "checker/JSParser.h"

namespace {

constexpr int kRuns = 41;

struct NullHost : IParserHost {
    AnsiString GetIncludeName(int) override { return "include"; }
    TNavNode AddFunctionNode(const AnsiString &, TCheckLine, TNavNode, int) override { return nullptr; }
    void AddVariableNode(const AnsiString &, TCheckLine, TNavNode, int) override {}
    void AddDynamicHTMLName(const AnsiString &, TCheckLine) override {}
};

// One full parse (source lines in, model and findings out).
void OurParse(const std::vector<std::string> &Lines, int &Functions)
{
    TCheckerLists lists;
    NullHost host;
    TJSParser parser(lists, &host);
    TStringList items;
    parser.ClearSource();
    parser.ResetState();
    parser.ResetInlineTotals();
    parser.ResetCounts();
    parser.InitMessages(&items);
    parser.SetStartLine(1);
    for (const auto &l : Lines)
        parser.AddSourceLine(l);
    parser.Parse(scJSFile, lists.Functions, false, false, false, true, true, true, false, false, &items);
    parser.AddSummary();
    parser.ShowMessages(&items);
    Functions = lists.Functions.Count();
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        files.push_back(argv[i]);
    if (files.empty())
        files = {"/usr/share/javascript/prototype/prototype.js", "/usr/share/javascript/jquery/jquery.js"};
    for (const std::string &file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::printf("checker parse: %s not found, skipped\n", file.c_str());
            continue;
        }
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);)
            lines.push_back(l);
        int functions = 0;
        const auto ours = [&] { OurParse(lines, functions); };
        std::printf("checker parse of %s (%zu lines), warm runs in pairs; ratio = ours / theirs, below 1 is faster\n",
                    file.c_str(), lines.size());
        {
            bench::TNodeTimer acorn(bench::kAcornServer, file);
            bench::PrintPaired("vs acorn (ES5 parse)", bench::Paired(ours, acorn, kRuns), kRuns);
        }
        {
            bench::TNodeTimer jshint(bench::kJshintServer, file);
            bench::PrintPaired("vs jshint (ES3 check)", bench::Paired(ours, jshint, kRuns), kRuns);
        }
        std::vector<double> alone;
        for (int i = 0; i < kRuns; ++i)
            alone.push_back(bench::TimeMs(ours));
        std::printf("  ours alone, %d runs back to back: median %.2f ms (%d functions in the model)\n", kRuns,
                    bench::Quantile(alone, 0.5), functions);
    }
    return 0;
}
