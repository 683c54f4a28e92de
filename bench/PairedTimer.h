#pragma once
// Paired timing against a tool that runs under node: node stays up, loads the file once and warms up as
// we do; then each pair times one run of ours and one run of theirs back to back, so that both sides
// meet the same machine load. The report gives medians and the spread of the per-pair ratios.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include "bench/BenchSupport.h"

namespace bench {

// Node scripts for TNodeTimer: argv[1] is the file; each line on stdin asks for one timed run, answered
// with its milliseconds.
inline const char *const kAcornServer = R"(
const acorn = require('acorn'); const fs = require('fs'); const rl = require('readline');
const src = fs.readFileSync(process.argv[1], 'latin1');
for (let i = 0; i < 5; i++) acorn.parse(src, {ecmaVersion: 5});
rl.createInterface({input: process.stdin}).on('line', () => {
  const s = process.hrtime.bigint(); acorn.parse(src, {ecmaVersion: 5});
  console.log(Number(process.hrtime.bigint() - s) / 1e6); });
)";
inline const char *const kJshintServer = R"(
const { JSHINT } = require('jshint'); const fs = require('fs'); const rl = require('readline');
const src = fs.readFileSync(process.argv[1], 'latin1');
for (let i = 0; i < 3; i++) JSHINT(src, {es3: true, maxerr: 100000});
rl.createInterface({input: process.stdin}).on('line', () => {
  const s = process.hrtime.bigint(); JSHINT(src, {es3: true, maxerr: 100000});
  console.log(Number(process.hrtime.bigint() - s) / 1e6); });
)";

class TNodeTimer {
public:
    TNodeTimer(const char *Script, const std::string &File)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NODE_PATH", NodePath());
        FNode.setProcessEnvironment(env);
        FNode.start("node", {"-e", Script, QString::fromStdString(File)});
        FOk = FNode.waitForStarted(10000);
    }
    ~TNodeTimer()
    {
        FNode.closeWriteChannel();
        if (!FNode.waitForFinished(10000))
            FNode.kill();
    }
    // Milliseconds of one run; -1 when the tool is not available.
    double Once()
    {
        if (!FOk)
            return -1;
        FNode.write("\n");
        while (!FNode.canReadLine())
            if (!FNode.waitForReadyRead(600000)) {
                FOk = false;
                return -1;
            }
        bool ok = false;
        const double ms = FNode.readLine().trimmed().toDouble(&ok);
        if (!ok)
            FOk = false;
        return ok ? ms : -1;
    }

private:
    QProcess FNode;
    bool FOk = false;
};

struct TPairedResult {
    double Ours = 0, Theirs = -1; // medians, ms
    double Ratio = 0, RatioLow = 0, RatioHigh = 0; // median and quartiles of ours/theirs per pair
};

inline double Quantile(std::vector<double> V, double Q)
{
    if (V.empty())
        return 0;
    std::sort(V.begin(), V.end());
    return V[static_cast<size_t>(Q * static_cast<double>(V.size() - 1) + 0.5)];
}

inline double TimeMs(const std::function<void()> &F)
{
    const auto t0 = std::chrono::steady_clock::now();
    F();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Pairs runs of Ours with runs of the node tool; Ours is warmed up first. Prepare, when given, runs
// untimed before each run of Ours (a fresh object, as node's side starts from its parsed source).
inline TPairedResult Paired(const std::function<void()> &Ours, TNodeTimer &Theirs, int Pairs, int WarmUp = 3,
                            const std::function<void()> &Prepare = nullptr)
{
    for (int i = 0; i < WarmUp; ++i) {
        if (Prepare)
            Prepare();
        Ours();
    }
    std::vector<double> ours, theirs, ratios;
    for (int i = 0; i < Pairs; ++i) {
        if (Prepare)
            Prepare();
        ours.push_back(TimeMs(Ours));
        const double t = Theirs.Once();
        if (t > 0) {
            theirs.push_back(t);
            ratios.push_back(ours.back() / t);
        }
    }
    TPairedResult r;
    r.Ours = Quantile(ours, 0.5);
    if (!theirs.empty()) {
        r.Theirs = Quantile(theirs, 0.5);
        r.Ratio = Quantile(ratios, 0.5);
        r.RatioLow = Quantile(ratios, 0.25);
        r.RatioHigh = Quantile(ratios, 0.75);
    }
    return r;
}

inline void PrintPaired(const char *Label, const TPairedResult &R, int Pairs)
{
    if (R.Theirs < 0) {
        std::printf("  %-22s ours %9.2f ms   (tool not available: make bench installs it)\n", Label, R.Ours);
        return;
    }
    std::printf("  %-22s ours %9.2f ms  theirs %9.2f ms  ratio %.3f (quartiles %.3f-%.3f, %d pairs)\n", Label, R.Ours,
                R.Theirs, R.Ratio, R.RatioLow, R.RatioHigh, Pairs);
}

} // namespace bench
