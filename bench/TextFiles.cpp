// Load and save of large text files through TWideStringList, timed against iconv doing the same
// conversion in the same run. Prints one ratio per case (ours / iconv; below 1 means faster).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "text/WideStrings.h"
#include "bench/BenchSupport.h"


namespace {

constexpr size_t kTargetBytes = 50u * 1024 * 1024;

// Runs iconv with stdout redirected to Output; false when it cannot run or fails.
bool RunIconv(const std::string &from, const std::string &to, const std::string &input, const std::string &output)
{
    return bench::RunProgram({"iconv", "-f", from, "-t", to, input}, output) == 0;
}

// Lines of words with some accented letters and Windows-1252 punctuation.
std::string MakeAnsiText()
{
    std::mt19937 rng(42);
    std::vector<std::string> words;
    for (int i = 0; i < 3000; ++i) {
        std::string w;
        const int len = 1 + int(rng() % 9);
        for (int k = 0; k < len; ++k)
            w += char('a' + rng() % 26);
        if (i % 17 == 0)
            w += "\xE9\x80\x93";
        words.push_back(w);
    }
    std::string text;
    text.reserve(kTargetBytes + 200);
    while (text.size() < kTargetBytes) {
        const int n = int(rng() % 15);
        for (int k = 0; k < n; ++k) {
            if (k)
                text += ' ';
            text += words[rng() % words.size()];
        }
        text += "\r\n";
    }
    return text;
}

void WriteAll(const std::string &name, const void *data, size_t size)
{
    FILE *f = std::fopen(name.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size) {
        std::fprintf(stderr, "cannot write %s\n", name.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

void Report(const char *what, double ours, double iconv)
{
    std::printf("%-34s ours %7.1f ms   iconv %7.1f ms   ratio %.2f\n", what, ours * 1000, iconv * 1000, ours / iconv);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const std::string ansiFile = dir.filePath("ansi.txt").toStdString();
    const std::string wideFile = dir.filePath("wide.txt").toStdString();
    const std::string out = dir.filePath("out.txt").toStdString();
    const std::string iconvOut = dir.filePath("iconv.txt").toStdString();

    const std::string ansi = MakeAnsiText();
    WriteAll(ansiFile, ansi.data(), ansi.size());
    {
        TWideStringList list;
        list.LoadFromFile(ansiFile);
        list.SetSaveUnicode(true);
        list.SaveToFile(wideFile);
    }
    if (!RunIconv("WINDOWS-1252", "UTF-16LE", ansiFile, iconvOut)) {
        std::fprintf(stderr, "iconv is not available\n");
        return 1;
    }
    std::printf("files: %zu bytes ANSI, UTF-16 twice that\n", ansi.size());

    // Opening a file loads it into a new list; the previous list is freed outside the timing.
    auto freshLoad = [&](const std::string &file) {
        double best = 1e9;
        for (int i = 0; i < 3; ++i) {
            auto fresh = std::make_unique<TWideStringList>();
            best = std::min(best, bench::BestSeconds([&] { fresh->LoadFromFile(file); }, 1));
        }
        return best;
    };

    const double loadAnsi = freshLoad(ansiFile);
    const double iconvLoadAnsi = bench::BestSeconds([&] { RunIconv("WINDOWS-1252", "UTF-16LE", ansiFile, iconvOut); });
    Report("load ANSI (Windows-1252 -> UTF-16)", loadAnsi, iconvLoadAnsi);

    TWideStringList list;
    list.LoadFromFile(ansiFile);
    const double saveAnsi = bench::BestSeconds([&] { list.SaveToFile(out); });
    const double iconvSaveAnsi = bench::BestSeconds([&] { RunIconv("UTF-16LE", "WINDOWS-1252", iconvOut, out); });
    Report("save ANSI (UTF-16 -> Windows-1252)", saveAnsi, iconvSaveAnsi);

    const double loadWide = freshLoad(wideFile);
    const double iconvLoadWide = bench::BestSeconds([&] { RunIconv("UTF-16", "UTF-16LE", wideFile, iconvOut); });
    Report("load UTF-16 (marked -> UTF-16)", loadWide, iconvLoadWide);

    list.LoadFromFile(wideFile);
    const double saveWide = bench::BestSeconds([&] { list.SaveToFile(out); });
    const double iconvSaveWide = bench::BestSeconds([&] { RunIconv("UTF-16LE", "UTF-16", iconvOut, out); });
    Report("save UTF-16 (UTF-16 -> marked)", saveWide, iconvSaveWide);

    // Reloading over a full list also frees its million lines.
    const double reload = bench::BestSeconds([&] { list.LoadFromFile(ansiFile); });
    Report("reload ANSI over a full list", reload, iconvLoadAnsi);
    return 0;
}
