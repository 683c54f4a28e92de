// Colouring every line of a 100,000-line HTML page (script blocks handed to the JavaScript
// highlighter) and of minified jQuery, timed against pygmentize producing tokens for the
// same files in the same run (plain jQuery as well). Prints one ratio per file
// (ours / pygmentize, as every benchmark here prints it; the aim is 0.1 or less).
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "text/WideStrings.h"
#include "bench/BenchSupport.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>


namespace {

// Runs pygmentize writing its token stream to /dev/null; false when it cannot run or fails.
bool RunPygmentize(const char *lexer, const std::string &input)
{
    return bench::RunProgram({"pygmentize", "-l", lexer, "-f", "raw", "-o", "/dev/null", input}) == 0;
}

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
    for (const char *path : {"/usr/share/doc/bzip2/manual.html",
                             "/usr/share/doc/libjs-underscore/index.html",
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
    const double ours = bench::BestSeconds([&] { tokens = ColourAll(h, lines); }, 5);
    if (!RunPygmentize(lexer, file)) {
        std::printf("%-22s ours %8.1f ms (%zu lines, %zu tokens); pygmentize is not available\n",
                    what, ours * 1000, lines.size(), tokens);
        return;
    }
    const double theirs = bench::BestSeconds([&] { RunPygmentize(lexer, file); }, 2);
    std::printf("%-22s ours %8.1f ms   pygmentize %8.1f ms   ratio %.4f   (%zu lines, %zu tokens)\n",
                what, ours * 1000, theirs * 1000, ours / theirs, lines.size(), tokens);
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
