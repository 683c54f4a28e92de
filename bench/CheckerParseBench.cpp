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

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

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
    return Median(times);
}

// Runs a node script that prints the median milliseconds of its parses; negative when node fails.
double NodeMedian(const char *Script, const std::string &File, const QString &NodePath)
{
    QProcess node;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Debian's node modules live in /usr/share/nodejs; the npm ones in the bench folder.
    env.insert("NODE_PATH", NodePath.isEmpty() ? QString("/usr/share/nodejs") : NodePath + ":/usr/share/nodejs");
    node.setProcessEnvironment(env);
    node.start("node", {"-e", Script, QString::fromStdString(File), QString::number(kRuns)});
    if (!node.waitForFinished(300000) || node.exitCode() != 0) {
        std::fprintf(stderr, "%s\n", node.readAllStandardError().constData());
        return -1;
    }
    return node.readAllStandardOutput().trimmed().toDouble();
}

const char *const kAcorn = R"(
const acorn = require('acorn'); const fs = require('fs');
const src = fs.readFileSync(process.argv[1], 'latin1'); const runs = +process.argv[2];
const t = [];
for (let i = 0; i < runs; i++) { const s = process.hrtime.bigint(); acorn.parse(src, {ecmaVersion: 5});
  t.push(Number(process.hrtime.bigint() - s) / 1e6); }
t.sort((a, b) => a - b); console.log(t[t.length >> 1]);
)";

const char *const kJshint = R"(
const { JSHINT } = require('jshint'); const fs = require('fs');
const src = fs.readFileSync(process.argv[1], 'latin1'); const runs = +process.argv[2];
const t = [];
for (let i = 0; i < runs; i++) { const s = process.hrtime.bigint(); JSHINT(src, {es3: true, maxerr: 100000});
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
    const char *home = std::getenv("QUILLMAR_BENCH_NODE");
    const QString nodePath = home ? QString::fromUtf8(home) + "/node_modules" : QString();
    const double acorn = NodeMedian(kAcorn, file, nodePath);
    const double jshint = NodeMedian(kJshint, file, nodePath);

    std::printf("checker parse of %s (%zu lines, %d functions), median of %d runs\n", file.c_str(), lines.size(),
                functions, kRuns);
    std::printf("  quillmar checker  %8.2f ms\n", ours);
    if (acorn > 0) std::printf("  acorn (node)      %8.2f ms   ratio %.2f\n", acorn, ours / acorn);
    else std::printf("  acorn (node)      not available\n");
    if (jshint > 0) std::printf("  jshint es3 (node) %8.2f ms   ratio %.2f\n", jshint, ours / jshint);
    else std::printf("  jshint (node)     not available\n");
    return 0;
}
