#pragma once
// What the benchmarks share: timing, and running the reference tools they compare with.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

extern char **environ;

namespace bench {

// Best wall time of Runs calls, in seconds.
inline double BestSeconds(const std::function<void()> &F, int Runs = 3)
{
    double best = 1e30;
    for (int i = 0; i < Runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        F();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

inline double Median(std::vector<double> V)
{
    std::sort(V.begin(), V.end());
    return V.empty() ? 0 : V[V.size() / 2];
}

// Ours and a reference timed in pairs: each pair runs Ours, then Theirs, back to back, so that both
// meet the same machine load; Between, when given, runs untimed before each pair. One untimed run of
// each warms caches first. Times are in seconds; the ratio is ours / theirs per pair.
struct TPairs {
    double Ours = 0, OursLow = 0, OursHigh = 0;
    double Theirs = 0, TheirsLow = 0, TheirsHigh = 0;
    double Ratio = 0, RatioLow = 0, RatioHigh = 0; // median and range of the paired ratios
};

inline TPairs Paired(const std::function<void()> &Ours, const std::function<void()> &Theirs, int Pairs,
                     const std::function<void()> &Between = nullptr)
{
    auto seconds = [](const std::function<void()> &F) {
        const auto t0 = std::chrono::steady_clock::now();
        F();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    if (Between)
        Between();
    Ours();
    Theirs();
    std::vector<double> a, b, ratio;
    for (int i = 0; i < Pairs; ++i) {
        if (Between)
            Between();
        a.push_back(seconds(Ours));
        b.push_back(seconds(Theirs));
        ratio.push_back(a.back() / b.back());
    }
    TPairs r;
    r.Ours = Median(a);
    r.OursLow = *std::min_element(a.begin(), a.end());
    r.OursHigh = *std::max_element(a.begin(), a.end());
    r.Theirs = Median(b);
    r.TheirsLow = *std::min_element(b.begin(), b.end());
    r.TheirsHigh = *std::max_element(b.begin(), b.end());
    r.Ratio = Median(ratio);
    r.RatioLow = *std::min_element(ratio.begin(), ratio.end());
    r.RatioHigh = *std::max_element(ratio.begin(), ratio.end());
    return r;
}

// Runs a program found on PATH with its standard output sent to OutputPath. Env, when given,
// replaces the environment. Returns the exit status, -1 when it could not run or was killed.
inline int RunProgram(std::vector<std::string> Args, const std::string &OutputPath = "/dev/null",
                      std::vector<std::string> *Env = nullptr)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, OutputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char *> argv;
    for (std::string &a : Args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char *> envp;
    if (Env) {
        for (std::string &e : *Env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
    }
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), Env ? envp.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// A node script timing jshint over the file argv[1], argv[2] times; prints the median in ms.
inline const char *const kJshintTimingScript = R"(
const { JSHINT } = require('jshint'); const fs = require('fs');
const src = fs.readFileSync(process.argv[1], 'latin1'); const runs = +process.argv[2];
const t = [];
for (let i = 0; i < runs; i++) { const s = process.hrtime.bigint(); JSHINT(src, {es3: true, maxerr: 100000});
  t.push(Number(process.hrtime.bigint() - s) / 1e6); }
t.sort((a, b) => a - b); console.log(t[t.length >> 1]);
)";

// Module search path of node: the npm modules `make bench` installs, then Debian's.
inline QString NodePath()
{
    const char *home = std::getenv("QUILLMAR_BENCH_NODE");
    return home ? QString::fromUtf8(home) + "/node_modules:/usr/share/nodejs" : QString("/usr/share/nodejs");
}

// Runs a node timing script on File with Runs as its second argument; the number it prints,
// or -1 when node fails.
inline double NodeMedian(const char *Script, const std::string &File, int Runs)
{
    QProcess node;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NODE_PATH", NodePath());
    node.setProcessEnvironment(env);
    node.start("node", {"-e", Script, QString::fromStdString(File), QString::number(Runs)});
    if (!node.waitForFinished(300000) || node.exitCode() != 0)
        return -1;
    return node.readAllStandardOutput().trimmed().toDouble();
}

} // namespace bench
