// Load and save of a 50 MB text file through TWideStringList, side by side with the same work done by
// iconv(3) in this process: read the file into memory, convert it, split the text into lines (load),
// or convert the lines and write the file (save). Runs are paired (ours, then iconv's, again and
// again); each row prints the medians, the spread (lowest to highest) and the median of the paired
// ratios with their range. The peak memory of a load is measured in a fresh process of this program.
// One argument runs only the rows whose name holds it ("UTF-8", "load").
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include "bench/BenchSupport.h"
#include "editor/SyntaxEditCore.h"
#include "editor/SyntaxEditorStrings.h"
#include "text/WideStrings.h"

namespace {

constexpr size_t kTargetBytes = 50u * 1024 * 1024;
constexpr int kPairs = 7;

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
            w += "\x80\x93\xE9"; // never valid UTF-8, so the file reads as Windows-1252
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

std::string ReadAll(const std::string &name)
{
    std::string bytes;
    FILE *f = std::fopen(name.c_str(), "rb");
    if (!f)
        return bytes;
    std::fseek(f, 0, SEEK_END);
    bytes.resize(size_t(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
        bytes.clear();
    std::fclose(f);
    return bytes;
}

// iconv(3) over a whole buffer into memory; the output has room for the worst case.
std::string Iconv(const char *to, const char *from, const std::string &in)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) {
        std::fprintf(stderr, "iconv cannot convert %s to %s\n", from, to);
        std::exit(1);
    }
    std::string out(in.size() * 2 + 4, '\0');
    char *src = const_cast<char *>(in.data());
    size_t srcLeft = in.size();
    char *dst = out.data();
    size_t dstLeft = out.size();
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == size_t(-1)) {
        std::fprintf(stderr, "iconv failed: %s\n", std::strerror(errno));
        std::exit(1);
    }
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

// The same line rule as the list's: CR LF, CR, LF, VT, FF, U+2028, U+2029; no empty last line.
std::vector<std::u16string> SplitLines(const char16_t *p, size_t n)
{
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c == 10 || c == 11 || c == 12 || c == 13 || c == 0x2028 || c == 0x2029) {
            lines.emplace_back(p + start, i - start);
            if (c == 13 && i + 1 < n && p[i + 1] == 10)
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.emplace_back(p + start, n - start);
    return lines;
}

// The reference load: read, convert with iconv(3), split into lines (kept in Lines, as ours are kept
// in the list, so neither side frees its lines inside the timing).
size_t IconvLoad(const std::string &file, const char *from, std::vector<std::u16string> &Lines)
{
    std::string utf16 = Iconv("UTF-16LE", from, ReadAll(file));
    // A marked file: iconv's UTF-16 reader drops the mark itself.
    Lines = SplitLines(reinterpret_cast<const char16_t *>(utf16.data()), utf16.size() / 2);
    return Lines.size();
}

// The reference save: join the lines with CR LF, convert with iconv(3), write.
void IconvSave(const std::vector<std::u16string> &lines, const char *to, const std::string &file)
{
    std::string utf16;
    for (const auto &l : lines) {
        utf16.append(reinterpret_cast<const char *>(l.data()), l.size() * 2);
        utf16.append("\r\0\n\0", 4);
    }
    const std::string out = Iconv(to, "UTF-16LE", utf16);
    WriteAll(file, out.data(), out.size());
}

// Rows whose name holds this text run alone (the program's one argument), so that one row can be
// measured quickly; null runs them all.
const char *gOnlyRows = nullptr;

// Between, when given, runs untimed before each pair (freeing what the previous runs made).
void Row(const char *what, const std::function<void()> &ours, const std::function<void()> &theirs,
         const std::function<void()> &between = nullptr)
{
    if (gOnlyRows && !std::strstr(what, gOnlyRows))
        return;
    const bench::TPairs p = bench::Paired(ours, theirs, kPairs, between);
    std::printf("%-30s ours %7.1f ms (%6.1f-%6.1f)   iconv(3) %7.1f ms (%6.1f-%6.1f)   ratio %.2f (%.2f-%.2f)\n", what,
                p.Ours * 1000, p.OursLow * 1000, p.OursHigh * 1000, p.Theirs * 1000, p.TheirsLow * 1000,
                p.TheirsHigh * 1000, p.Ratio, p.RatioLow, p.RatioHigh);
}

// This process's peak resident memory in bytes (the high-water mark of its own address space).
long OwnPeak()
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1)
            break;
    std::fclose(f);
    return kb * 1024L;
}

// Peak resident memory, in bytes, of a fresh process of this program doing `what` on the file.
long PeakOfChild(const char *self, const char *what, const std::string &file, const std::string &scratch)
{
    if (bench::RunProgram({self, what, file}, scratch) != 0)
        return -1;
    long peak = -1;
    if (FILE *f = std::fopen(scratch.c_str(), "r")) {
        if (std::fscanf(f, "%ld", &peak) != 1)
            peak = -1;
        std::fclose(f);
    }
    return peak;
}

} // namespace

int main(int argc, char **argv)
{
    // Child modes for the memory measurements.
    if (argc == 3 && std::strcmp(argv[1], "--idle") == 0) {
        std::printf("%ld\n", OwnPeak());
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) {
        TWideStringList list;
        const bool ok = list.LoadFromFile(argv[2]) && list.Count() > 0;
        std::printf("%ld\n", OwnPeak());
        return ok ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--editor") == 0) {
        // Opening the file in the editor, whose line store is such a list, up to its first display.
        TSyntaxEditCore editor;
        const bool ok = editor.LoadFromFile(QString::fromLocal8Bit(argv[2]).toStdU16String(), fmShareDenyNone) && editor.LineCount() > 0;
        editor.SetCaretXY({0, editor.LineCount() - 1});
        std::printf("%ld\n", OwnPeak());
        return ok ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--iconv") == 0) {
        std::vector<std::u16string> lines;
        const bool ok = IconvLoad(argv[2], "WINDOWS-1252", lines) > 0;
        std::printf("%ld\n", OwnPeak());
        return ok ? 0 : 1;
    }
    if (argc == 2)
        gOnlyRows = argv[1];

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const std::string ansiFile = dir.filePath("ansi.txt").toStdString();
    const std::string wideFile = dir.filePath("wide.txt").toStdString();
    const std::string utf8File = dir.filePath("utf8.txt").toStdString();
    const std::string out = dir.filePath("out.txt").toStdString();

    const std::string ansi = MakeAnsiText();
    WriteAll(ansiFile, ansi.data(), ansi.size());
    {
        TWideStringList list;
        list.LoadFromFile(ansiFile);
        list.SetSaveUnicode(true);
        list.SaveToFile(wideFile);
        // The same text as UTF-8 without a mark: its accented letters make it read as UTF-8.
        list.SetEncoding(teUtf8);
        list.SetByteOrderMark(false);
        list.SaveToFile(utf8File);
    }
    std::printf("files: %zu bytes ANSI, UTF-16 twice that, UTF-8 %zu bytes; %d paired runs, median (lowest-highest)\n",
                ansi.size(), size_t(QFileInfo(QString::fromStdString(utf8File)).size()), kPairs);

    // Opening a file loads it into a new list; the previous lists are freed outside the timing.
    std::unique_ptr<TWideStringList> fresh;
    auto load = [&](const std::string &file) { return [&, file] { fresh->LoadFromFile(file); }; };
    std::vector<std::u16string> held;
    auto renew = [&] {
        fresh = std::make_unique<TWideStringList>();
        held = {};
    };
    Row(
        "load ANSI (Windows-1252)", load(ansiFile), [&] { IconvLoad(ansiFile, "WINDOWS-1252", held); }, renew);
    Row(
        "load UTF-8", load(utf8File), [&] { IconvLoad(utf8File, "UTF-8", held); }, renew);
    Row(
        "load UTF-16 (marked)", load(wideFile), [&] { IconvLoad(wideFile, "UTF-16", held); }, renew);
    held = {};

    TWideStringList list;
    list.LoadFromFile(ansiFile);
    std::vector<std::u16string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    Row(
        "save ANSI (Windows-1252)", [&] { list.SaveToFile(out); }, [&] { IconvSave(lines, "WINDOWS-1252", out); });
    list.SetSaveUnicode(true);
    Row(
        "save UTF-16 (marked)", [&] { list.SaveToFile(out); }, [&] { IconvSave(lines, "UTF-16", out); });
    fresh.reset();
    if (gOnlyRows)
        return 0;

    const std::string scratch = dir.filePath("peak.txt").toStdString();
    const long idle = PeakOfChild(argv[0], "--idle", ansiFile, scratch);
    const long ours = PeakOfChild(argv[0], "--load", ansiFile, scratch);
    const long theirs = PeakOfChild(argv[0], "--iconv", ansiFile, scratch);
    const long editor = PeakOfChild(argv[0], "--editor", ansiFile, scratch);
    const double mb = 1024.0 * 1024.0;
    std::printf("peak memory loading the ANSI file: ours %.0f MB (%.2fx the file; %.2fx above an idle process of"
                " %.0f MB), iconv(3) + lines %.0f MB (%.2fx)\n",
                ours / mb, double(ours) / double(ansi.size()), double(ours - idle) / double(ansi.size()), idle / mb,
                theirs / mb, double(theirs) / double(ansi.size()));
    std::printf("peak memory opening it in the editor: %.0f MB (%.2fx the file)\n", editor / mb,
                double(editor) / double(ansi.size()));
    return 0;
}
