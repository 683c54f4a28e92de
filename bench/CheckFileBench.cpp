// Whole check runs through the file checker with findings list and navigation tree filled: a .js library
// (prototype.js) timed in the same run against jshint (npm, under node) on the same file; jquery.js
// concatenated 1, 2, 4, ... 64 times, to show that the check grows linearly (the time of each doubling)
// and how it compares with jshint at each size, in warm paired runs; and a generated page of 5,000 lines
// with 200 script sections and 1,000 event handlers. Ratios are ours / theirs; below 1 means faster.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include "bench/BenchSupport.h"
#include "bench/PairedTimer.h"
#include "checker/HTMLJSFileChecker.h"
#include "checker/NavTreeMemory.h"
#include "text/WideStrings.h"
#include "platform/CodePage.h"

namespace {

constexpr int kRuns = 20;

class Document final : public ICheckDocument {
public:
    Document(const std::string &Name, const std::vector<std::string> &Lines) : FName(AnsiToWide(Name))
    {
        for (const auto &l : Lines)
            FLines.Add(AnsiToWide(l));
    }
    const TWideStrings &Lines() const override { return FLines; }
    WideString FileName() const override { return FName; }

private:
    TWideStringList FLines;
    WideString FName;
};

double CheckRuns(const std::string &Name, const std::vector<std::string> &Lines, int &Findings, int &Nodes)
{
    Document doc(Name, Lines);
    THTMLJSFileChecker checker(nullptr);
    TCheckOptions o;
    o.Summary = true;
    o.SemiColon = true;
    o.WarnJSFuncNotCalled = true;
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        TStringList items, includes, serverIncludes;
        TNavTreeMemory tree;
        const auto t0 = std::chrono::steady_clock::now();
        checker.CheckFile(doc, &items, &tree, o, &includes, &serverIncludes, Name);
        const auto t1 = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        Findings = items.Count();
        Nodes = tree.GetCount();
        checker.ClearTree(nullptr);
    }
    return bench::Median(times);
}

// One check run of Lines as the .js file Name.
// What one check run fills: made fresh, and freed, outside the timing.
struct TRunState {
    THTMLJSFileChecker Checker{nullptr};
    TStringList Items, Includes, ServerIncludes;
    TNavTreeMemory Tree;
    void Check(const Document &Doc, const std::string &Name)
    {
        TCheckOptions o;
        Checker.CheckFile(Doc, &Items, &Tree, o, &Includes, &ServerIncludes, Name);
    }
};

// jquery.js concatenated 1x to 64x: the time of each size, its growth per doubling, and jshint's.
void Scaling(const std::string &File)
{
    std::ifstream in(File, std::ios::binary);
    if (!in) {
        std::printf("check scaling: %s not found, skipped\n", File.c_str());
        return;
    }
    const std::string once((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("check run of %s concatenated 1x to 64x (warm paired runs against jshint es3)\n", File.c_str());
    const std::filesystem::path tmp = std::filesystem::temp_directory_path() / "quillmar-check-scaling.js";
    double previous = 0, first = 0;
    std::string text = once;
    for (int factor = 1; factor <= 64; factor *= 2) {
        if (factor > 1)
            text += text;
        {
            std::ofstream out(tmp, std::ios::binary);
            out << text;
        }
        std::vector<std::string> lines;
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        const Document doc(tmp.string(), lines);
        // a fresh checker, list and tree for each run, made and freed outside the timing
        std::unique_ptr<TRunState> state;
        const int pairs = factor <= 4 ? 21 : factor <= 16 ? 7 : 3;
        bench::TNodeTimer jshint(bench::kJshintServer, tmp.string());
        const bench::TPairedResult r = bench::Paired([&] { state->Check(doc, tmp.string()); }, jshint, pairs,
                                                     factor <= 4    ? 5
                                                     : factor <= 16 ? 2
                                                                    : 1,
                                                     [&] {
                                                         state.reset();
                                                         state = std::make_unique<TRunState>();
                                                     });
        char label[64];
        std::snprintf(label, sizeof label, "%2dx (%zu lines)", factor, lines.size());
        bench::PrintPaired(label, r, pairs);
        if (previous > 0)
            std::printf("  %22s growth from %dx: %.2f (aim: at most 2.3)\n", "", factor / 2, r.Ours / previous);
        if (r.Theirs > 0)
            std::printf("  %22s jshint / ours: %.1f (aim: at least 5)\n", "", r.Theirs / r.Ours);
        previous = r.Ours;
        if (factor == 1)
            first = r.Ours;
    }
    if (first > 0)
        std::printf("  1x to 64x: %.1f times the time for 64 times the input, %.2f per doubling on average "
                    "(aim: at most 2.3)\n",
                    previous / first, std::pow(previous / first, 1.0 / 6.0));
    std::filesystem::remove(tmp);
}

std::vector<std::string> GeneratedPage()
{
    std::vector<std::string> page{"<!DOCTYPE html>", "<html><head><title>generated</title></head>", "<body>"};
    int handlers = 0;
    for (int section = 0; section < 200; ++section) {
        page.push_back("<script type=\"text/javascript\">");
        page.push_back("var v" + std::to_string(section) + " = " + std::to_string(section) + ";");
        page.push_back("function f" + std::to_string(section) + "(a, b) {");
        for (int k = 0; k < 8; ++k)
            page.push_back("    var x" + std::to_string(k) + " = a * " + std::to_string(k) + " + b;");
        page.push_back("    return a + b;");
        page.push_back("}");
        page.push_back("</script>");
        page.push_back("<form name=\"form" + std::to_string(section) + "\">");
        for (int k = 0; k < 5; ++k, ++handlers)
            page.push_back("<input type=\"text\" name=\"in" + std::to_string(handlers) + "\" onchange=\"f" +
                           std::to_string(section) + "(this.value, " + std::to_string(k) + ");\">");
        page.push_back("</form>");
    }
    while (page.size() < 4998)
        page.push_back("<p class=\"text\">Some text of the page, <b>bold</b> and <i>italic</i>.</p>");
    page.push_back("</body>");
    page.push_back("</html>");
    return page;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string file = argc > 1 ? argv[1] : "/usr/share/javascript/prototype/prototype.js";
    std::ifstream in(file, std::ios::binary);
    if (in) {
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) {
            if (!l.empty() && l.back() == '\r')
                l.pop_back();
            lines.push_back(l);
        }
        int findings = 0, nodes = 0;
        const double ours = CheckRuns(file, lines, findings, nodes);
        const double jshint = bench::NodeMedian(bench::kJshintTimingScript, file, kRuns);
        std::printf("check run of %s (%zu lines; %d findings lines, %d tree nodes), median of %d runs\n", file.c_str(),
                    lines.size(), findings, nodes, kRuns);
        std::printf("  quillmar CheckFile %8.2f ms\n", ours);
        if (jshint > 0)
            std::printf("  jshint es3 (node)  %8.2f ms   ratio %.2f\n", jshint, ours / jshint);
        else
            std::printf("  jshint (node)      not available (make bench installs it)\n");
    } else {
        std::printf("check run: %s not found, skipped\n", file.c_str());
    }

    Scaling("/usr/share/javascript/jquery/jquery.js");

    const std::vector<std::string> page = GeneratedPage();
    int findings = 0, nodes = 0;
    const double ms = CheckRuns("generated.html", page, findings, nodes);
    std::printf("check run of a generated page (%zu lines, 200 script sections, 1000 handlers; %d findings lines, "
                "%d tree nodes): median %.2f ms (aim: under 100 ms)\n",
                page.size(), findings, nodes, ms);
    return 0;
}
