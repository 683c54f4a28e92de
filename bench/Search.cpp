// Literal and regular-expression search over a 50 MB text, line by line as the editor searches (each
// line searched where the list keeps it), paired against two references:
// - grep run on the same file, counting the matching lines (-F -i for the literal rows, -E for the
//   regular expressions). Its start-up and the reading of the file are a few milliseconds against the
//   hundred it spends on 50 MB, so the whole process is timed;
// - for the regular expressions, glibc's regcomp/regexec in this process over the same lines (held as
//   8-bit strings, converted once outside the timing), asked for the match's place as we are.
// Runs are paired and interleaved (ours, then theirs, again and again); each row prints the medians and
// the median of the paired ratios (ours / theirs) with its range. Which lines match, and where, is
// compared with regexec once before the timing.
#include <regex.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "text/URESearch.h"
#include "text/UTBMSearch.h"
#include "text/WideStrings.h"
#include "bench/BenchSupport.h"

namespace {

constexpr size_t kTargetBytes = 50u * 1024 * 1024;
constexpr int kPairs = 9;

// Runs grep with the given options on the file; returns its count of matching lines, -1 on failure.
long Grep(const std::vector<std::string> &options, const std::string &pattern, const std::string &file,
          const std::string &output)
{
    std::vector<std::string> args = {"grep"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("-e");
    args.push_back(pattern);
    args.push_back(file);
    std::vector<std::string> env = {"LC_ALL=C", "PATH=/usr/bin:/bin"};
    const int status = bench::RunProgram(args, output, &env);
    if (status < 0 || status > 1) // 1: no line matched
        return -1;
    FILE *f = std::fopen(output.c_str(), "r");
    long count = -1;
    if (f) {
        if (std::fscanf(f, "%ld", &count) != 1)
            count = -1;
        std::fclose(f);
    }
    return count;
}

std::string MakeText()
{
    std::mt19937 rng(42);
    std::vector<std::string> words;
    for (int i = 0; i < 5000; ++i) {
        std::string w;
        const int len = 1 + int(rng() % 10);
        for (int k = 0; k < len; ++k)
            w += char('a' + rng() % 26);
        words.push_back(w);
    }
    const char *specials[] = {"Quillmar", "QUILLMAR", "quillmar", "fooobar", "foobaz", "quill", "function("};
    std::string text;
    text.reserve(kTargetBytes + 200);
    while (text.size() < kTargetBytes) {
        const int n = int(rng() % 14);
        for (int k = 0; k < n; ++k) {
            if (k)
                text += ' ';
            text += rng() % 400 == 0 ? specials[rng() % 7] : words[rng() % words.size()];
        }
        text += "\r\n";
    }
    return text;
}

// A match: line, start, stop.
struct TFound {
    int Line, Start, Stop;
    bool operator==(const TFound &) const = default;
};

long CountLines(TSearchEngine &engine, const TWideStrings &lines, std::vector<TFound> *found = nullptr)
{
    long count = 0;
    int s, e;
    for (int i = 0; i < lines.Count(); ++i)
        if (engine.FindFirst(lines[i], s, e)) {
            ++count;
            if (found)
                found->push_back({i, s, e});
        }
    return count;
}

long CountLines(const regex_t &re, const std::vector<std::string> &lines, std::vector<TFound> *found = nullptr)
{
    long count = 0;
    regmatch_t m;
    for (size_t i = 0; i < lines.size(); ++i)
        if (regexec(&re, lines[i].c_str(), 1, &m, 0) == 0) {
            ++count;
            if (found)
                found->push_back({int(i), int(m.rm_so), int(m.rm_eo)});
        }
    return count;
}

void PrintRow(const char *reference, const bench::TPairs &p)
{
    std::printf("  vs %-9s ours %7.1f ms   %-7s %7.1f ms   ratio %.2f (%.2f-%.2f, %d pairs)\n", reference,
                p.Ours * 1000, reference, p.Theirs * 1000, p.Ratio, p.RatioLow, p.RatioHigh, kPairs);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const std::string file = dir.filePath("text.txt").toStdString();
    const std::string out = dir.filePath("grep.out").toStdString();
    const std::string text = MakeText();
    if (FILE *f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    TWideStringList lines;
    lines.LoadFromFile(file);
    std::vector<std::string> narrow; // the same lines for regexec (the text is ASCII)
    narrow.reserve(size_t(lines.Count()));
    for (int i = 0; i < lines.Count(); ++i) {
        const TWideLine l = lines[i];
        narrow.emplace_back(l.begin(), l.end());
    }
    std::printf("text: %zu bytes, %d lines; medians of %d paired runs, ratio ours / theirs (lowest-highest)\n",
                text.size(), lines.Count(), kPairs);

    struct Case {
        const char *what;
        bool regex;
        std::string pattern;
    } cases[] = {
        {"literal, case-insensitive", false, "quillmar"},
        {"literal, case-insensitive, short", false, "fun"},
        {"regular expression", true, "qu[a-z]+mar|fo+ba[rz]"},
        {"regular expression, class run", true, "[0-9]+x|function\\("},
    };
    for (const auto &c : cases) {
        std::unique_ptr<TSearchEngine> engine;
        if (c.regex)
            engine = std::make_unique<TURESearch>(nullptr);
        else
            engine = std::make_unique<TUTBMSearch>(nullptr);
        engine->FindPrepare(WideString(c.pattern.begin(), c.pattern.end()), c.regex ? unsigned(sfMatchCase) : 0u);
        std::vector<TFound> ours;
        const long oursCount = CountLines(*engine, lines, &ours);
        const std::vector<std::string> options =
            c.regex ? std::vector<std::string>{"-E", "-c"} : std::vector<std::string>{"-F", "-i", "-c"};
        const long grepCount = Grep(options, c.pattern, file, out);
        if (grepCount < 0) {
            std::fprintf(stderr, "grep is not available\n");
            return 1;
        }
        std::printf("%s: %s   lines %ld, grep %ld%s\n", c.what, c.pattern.c_str(), oursCount, grepCount,
                    oursCount == grepCount ? "" : "  (COUNTS DIFFER)");
        PrintRow("grep", bench::Paired([&] { CountLines(*engine, lines); }, [&] { Grep(options, c.pattern, file, out); },
                                       kPairs));
        if (!c.regex)
            continue;
        regex_t re;
        if (regcomp(&re, c.pattern.c_str(), REG_EXTENDED) != 0) {
            std::fprintf(stderr, "regcomp refuses %s\n", c.pattern.c_str());
            return 1;
        }
        std::vector<TFound> theirs;
        CountLines(re, narrow, &theirs);
        if (theirs != ours)
            std::printf("  (MATCHES DIFFER FROM regexec: %zu against %zu)\n", ours.size(), theirs.size());
        PrintRow("regexec", bench::Paired([&] { CountLines(*engine, lines); }, [&] { CountLines(re, narrow); }, kPairs));
        regfree(&re);
    }
    return 0;
}
