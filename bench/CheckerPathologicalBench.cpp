// Pathological inputs of the checker, each at growing sizes so that the times show linear growth: a script
// of N global "var" lines (up to 1,000,000), a function of N local "var" lines, N functions each called
// once, and one line holding an array literal of N elements. Prints the time of each size and its growth
// over the size before (4x the input should take about 4x the time).
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "checker/HTMLJSFileChecker.h"
#include "checker/NavTreeMemory.h"
#include "platform/CodePage.h"
#include "text/WideStrings.h"

namespace {

class TLinesDocument final : public ICheckDocument {
public:
    TLinesDocument(const std::vector<std::string> &Lines, const char *Name) : FName(AnsiToWide(Name))
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

double CheckSeconds(const std::vector<std::string> &Lines, int &Findings)
{
    const TLinesDocument doc(Lines, Lines.empty() || Lines[0].rfind("<html", 0) != 0 ? "pathological.js"
                                                                                     : "pathological.html");
    THTMLJSFileChecker checker(nullptr);
    TStringList items, includes, serverIncludes;
    TNavTreeMemory tree;
    TCheckOptions o;
    const auto t0 = std::chrono::steady_clock::now();
    checker.CheckFile(doc, &items, &tree, o, &includes, &serverIncludes, WideToAnsi(doc.FileName()));
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    Findings = items.Count();
    return s;
}

void Row(const char *Name, const std::vector<int> &Sizes, const std::function<std::vector<std::string>(int)> &Make)
{
    double previous = 0;
    int previousSize = 0;
    for (int n : Sizes) {
        const std::vector<std::string> lines = Make(n);
        int findings = 0;
        const double s = CheckSeconds(lines, findings);
        std::printf("  %-34s N=%8d  %8.3f s", Name, n, s);
        if (previous > 0)
            std::printf("   growth %.2f for %.0fx the input", s / previous, double(n) / double(previousSize));
        std::printf("   (%d findings lines)\n", findings);
        previous = s;
        previousSize = n;
    }
}

} // namespace

int main()
{
    std::printf("checker, pathological inputs (one check run each)\n");
    Row("global var lines", {15625, 62500, 250000, 1000000}, [](int n) {
        std::vector<std::string> lines;
        lines.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            lines.push_back("var v" + std::to_string(i) + " = " + std::to_string(i) + ";");
        return lines;
    });
    Row("local var lines in one function", {15625, 62500, 250000}, [](int n) {
        std::vector<std::string> lines{"function f() {"};
        for (int i = 0; i < n; ++i)
            lines.push_back("  var v" + std::to_string(i) + " = " + std::to_string(i) + ";");
        lines.push_back("}");
        lines.push_back("f();");
        return lines;
    });
    Row("functions, each called", {3906, 15625, 62500}, [](int n) {
        std::vector<std::string> lines;
        for (int i = 0; i < n; ++i)
            lines.push_back("function f" + std::to_string(i) + "(a) { return a + 1; }");
        for (int i = 0; i < n; ++i)
            lines.push_back("f" + std::to_string(i) + "(" + std::to_string(i) + ");");
        return lines;
    });
    Row("named form fields on a page", {5000, 20000, 80000}, [](int n) {
        std::vector<std::string> lines{"<html><body><form name=\"f\">"};
        for (int i = 0; i < n; ++i)
            lines.push_back("<input type=\"text\" name=\"in" + std::to_string(i) + "\" onchange=\"g(this.value)\">");
        lines.push_back("</form><script type=\"text/javascript\">function g(v) { return v; }</script></body></html>");
        return lines;
    });
    Row("array literal on one line", {62500, 250000, 1000000}, [](int n) {
        std::string line = "var a = [";
        for (int i = 0; i < n; ++i)
            line += std::to_string(i % 10) + ",";
        line += "0];";
        return std::vector<std::string>{line};
    });
    return 0;
}
