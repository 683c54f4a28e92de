// Colouring every line of a 100,000-line HTML page (script blocks handed to the JavaScript
// highlighter) and of minified and plain jQuery, against Pygments' lexer producing the tokens of
// the same text. Pygments runs in one Python process started once and times its own lexing
// (no interpreter start-up, no output); each pair of runs times ours and then theirs, and the
// median ratio of the pairs (ours / Pygments) is printed with its spread.
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "text/WideStrings.h"
#include "bench/BenchSupport.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// Pygments in a Python process started once: every line written to it lexes the whole text
// and answers with the seconds that took and the number of tokens.
class TPygments {
public:
    TPygments(const char *lexer, const std::string &file)
    {
        static const char *script = "import sys, time\n"
                                    "from pygments.lexers import get_lexer_by_name\n"
                                    "lexer = get_lexer_by_name(sys.argv[1])\n"
                                    "text = open(sys.argv[2], encoding='utf-8', errors='replace').read()\n"
                                    "for _ in sys.stdin:\n"
                                    "    t = time.perf_counter()\n"
                                    "    n = sum(1 for _ in lexer.get_tokens(text))\n"
                                    "    print(time.perf_counter() - t, n, flush=True)\n";
        FProcess.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(script),
                                                   QString::fromUtf8(lexer), QString::fromStdString(file)});
        FReady = FProcess.waitForStarted(10000);
    }
    ~TPygments()
    {
        FProcess.closeWriteChannel();
        if (!FProcess.waitForFinished(10000))
            FProcess.kill();
    }
    // Seconds of one lexing run, or a negative number when Pygments cannot run.
    double Run()
    {
        if (!FReady)
            return -1;
        FProcess.write("\n");
        while (!FProcess.canReadLine())
            if (!FProcess.waitForReadyRead(120000))
                return FReady = false, -1;
        const QList<QByteArray> parts = FProcess.readLine().trimmed().split(' ');
        bool ok = false;
        const double seconds = parts.value(0).toDouble(&ok);
        return ok ? seconds : -1;
    }

private:
    QProcess FProcess;
    bool FReady = false;
};

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The lines as the editor's line store splits them.
std::vector<WideString> SplitLines(const QByteArray &utf8)
{
    TWideStringList list;
    list.SetTextStr(QString::fromUtf8(utf8).toStdU16String());
    std::vector<WideString> lines;
    lines.reserve(static_cast<size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    return lines;
}

// A page of at least 100,000 lines made of the packaged documentation pages, one after the
// other; a small page of our own with a script block when none is installed.
QByteArray MakeLargePage()
{
    QByteArray parts;
    for (const char *path : {"/usr/share/doc/bzip2/manual.html", "/usr/share/doc/libjs-underscore/index.html",
                             "/usr/share/gtk-doc/html/libtasn1/libtasn1-libtasn1.html",
                             "/usr/share/gtk-doc/html/libtasn1/api-index-full.html"})
        parts += ReadFile(QString::fromUtf8(path));
    if (parts.isEmpty())
        parts = "<!DOCTYPE html>\n<html><head><title>T</title>\n"
                "<script type=\"text/javascript\">\nfunction f(a) { /* sum */\n"
                "  return a + 1; // one\n}\n</script></head>\n"
                "<body bgcolor=#ffffff><p class=\"x\">Text &amp; more text</p>\n"
                "<a href=\"http://example.org/\">link</a><!-- note -->\n</body></html>\n";
    QByteArray page;
    while (page.count('\n') < 100000)
        page += parts;
    return page;
}

// Colours every line the way the painter does and returns the number of tokens.
size_t ColourAll(TSyntaxHighlighter &h, const std::vector<WideString> &lines)
{
    size_t tokens = 0;
    h.ResetRange();
    h.SetRange(h.GetRange());
    TTokenInfo info;
    for (const WideString &line : lines) {
        h.SetLine(line.data(), int(line.size()), false);
        while (!h.GetEol()) {
            h.GetTokenInfo(info);
            ++tokens;
            h.Next();
        }
        h.GetRange();
    }
    return tokens;
}

void Compare(const char *what, const char *lexer, TSyntaxHighlighter &h, const QByteArray &data,
             const std::string &file)
{
    const std::vector<WideString> lines = SplitLines(data);
    size_t tokens = 0;
    TPygments pygments(lexer, file);
    if (pygments.Run() < 0) { // the first run also warms Pygments up
        const double ours = bench::BestSeconds([&] { tokens = ColourAll(h, lines); }, 5);
        std::printf("%-22s ours %8.1f ms (%zu lines, %zu tokens); Pygments (python3-pygments) is not available\n", what,
                    ours * 1000, lines.size(), tokens);
        return;
    }
    ColourAll(h, lines);
    std::vector<double> ours, theirs, ratios;
    for (int pair = 0; pair < 7; ++pair) {
        const auto t0 = std::chrono::steady_clock::now();
        tokens = ColourAll(h, lines);
        ours.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        theirs.push_back(pygments.Run());
        ratios.push_back(ours.back() / theirs.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("%-22s ours %8.1f ms   Pygments %8.1f ms   ratio %.4f (pairs %.4f..%.4f)   (%zu lines, %zu tokens)\n",
                what, bench::Median(ours) * 1000, bench::Median(theirs) * 1000, bench::Median(ratios), ratios.front(),
                ratios.back(), lines.size(), tokens);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QByteArray page = MakeLargePage();
    const std::string pageFile = dir.filePath("page.html").toStdString();
    QFile out(QString::fromStdString(pageFile));
    if (!out.open(QIODevice::WriteOnly) || out.write(page) != page.size()) {
        std::fprintf(stderr, "cannot write %s\n", pageFile.c_str());
        return 1;
    }
    out.close();

    THTMLHighlighter html;
    TJavaScriptHighlighter js;
    html.SetJavaScriptHighLighter(&js);
    Compare("100,000-line page", "html", html, page, pageFile);

    const struct {
        const char *What;
        const char *Path;
    } scripts[] = {{"minified jquery", "/usr/share/javascript/jquery/jquery.min.js"},
                   {"plain jquery", "/usr/share/javascript/jquery/jquery.js"}};
    for (const auto &s : scripts) {
        const QByteArray text = ReadFile(QString::fromUtf8(s.Path));
        if (text.isEmpty()) {
            std::printf("%s is missing (Debian package libjs-jquery)\n", s.Path);
            continue;
        }
        TJavaScriptHighlighter alone;
        Compare(s.What, "javascript", alone, text, s.Path);
    }
    return 0;
}
