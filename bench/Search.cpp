// Literal and regular-expression search over a 50 MB text, line by line as the editor searches, timed
// against grep counting the matching lines of the same file in the same run. Prints ratios (ours / grep).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

long CountLines(TSearchEngine &engine, const TWideStrings &lines)
{
    long count = 0;
    int s, e;
    for (int i = 0; i < lines.Count(); ++i)
        if (engine.FindFirst(lines[i], s, e))
            ++count;
    return count;
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
    std::printf("text: %zu bytes, %d lines\n", text.size(), lines.Count());

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
        long ours = 0, theirs = 0;
        const double t = bench::BestSeconds([&] { ours = CountLines(*engine, lines); });
        const std::vector<std::string> options =
            c.regex ? std::vector<std::string>{"-E", "-c"} : std::vector<std::string>{"-F", "-i", "-c"};
        const double g = bench::BestSeconds([&] { theirs = Grep(options, c.pattern, file, out); });
        if (theirs < 0) {
            std::fprintf(stderr, "grep is not available\n");
            return 1;
        }
        std::printf("%-34s ours %7.1f ms   grep %7.1f ms   ratio %.2f   lines %ld / %ld%s\n", c.what, t * 1000,
                    g * 1000, t / g, ours, theirs, ours == theirs ? "" : "  (COUNTS DIFFER)");
    }
    return 0;
}
