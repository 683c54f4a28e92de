// Functions reported as never called or undefined: the checker's cross-reference pass next to jshint
// (npm, under node) with its "unused" and "undef" options, on the libraries and pages the other checks
// use. Each library is checked as the script section of a page (functions never called are a page
// finding). Prints, per file, the names both report and the names only one of them reports.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include "bench/BenchSupport.h"
#include "checker/HTMLJSFileChecker.h"
#include "checker/NavTreeMemory.h"
#include "text/WideStrings.h"
#include "platform/CodePage.h"

namespace {

class Document final : public ICheckDocument {
public:
    Document(const std::string &Name, const std::string &Text) : FName(AnsiToWide(Name))
    {
        std::istringstream in(Text);
        for (std::string l; std::getline(in, l);) {
            if (!l.empty() && l.back() == '\r')
                l.pop_back();
            FLines.Add(AnsiToWide(l));
        }
    }
    const TWideStrings &Lines() const override { return FLines; }
    WideString FileName() const override { return FName; }

private:
    TWideStringList FLines;
    WideString FName;
};

std::string ReadFile(const std::string &Path)
{
    std::ifstream in(Path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Names {
    std::set<std::string> Unused, Undefined;
};

Names Ours(const std::string &Path)
{
    const bool page = Path.size() > 5 && Path.compare(Path.size() - 5, 5, ".html") == 0;
    std::string text = ReadFile(Path);
    if (!page)
        text = "<script type=\"text/javascript\">\n" + text + "\n</script>\n";
    Document doc(page ? Path : Path + ".html", text);
    THTMLJSFileChecker checker(nullptr);
    TCheckOptions o;
    o.WarnJSFuncNotCalled = true;
    TStringList items, includes, serverIncludes;
    TNavTreeMemory tree;
    checker.CheckFile(doc, &items, &tree, o, &includes, &serverIncludes, Path);
    static const std::regex unused(R"re(^\(046\).*function "([^"]+)" not called)re");
    static const std::regex undef(R"re(^\((180|182|186)\).*?"([^"]+)" not found)re");
    Names n;
    for (int i = 0; i < items.Count(); ++i) {
        std::smatch m;
        if (std::regex_search(items[i], m, unused))
            n.Unused.insert(m[1]);
        else if (std::regex_search(items[i], m, undef))
            n.Undefined.insert(m[2]);
    }
    return n;
}

const char *const kJshint = R"(
const { JSHINT } = require('jshint'); const fs = require('fs');
let src = fs.readFileSync(process.argv[1], 'latin1');
if (process.argv[1].endsWith('.html')) {
  const parts = []; const re = /<script[^>]*>([\s\S]*?)<\/script>/gi; let m;
  while ((m = re.exec(src))) parts.push(m[1]);
  src = parts.join('\n');
}
JSHINT(src, {es3: false, esversion: 5, unused: 'vars', undef: true, browser: true, maxerr: 100000});
for (const e of JSHINT.errors) {
  if (!e) continue;
  if (e.code === 'W098') console.log('unused\t' + e.a);
  else if (e.code === 'W117') console.log('undef\t' + e.a);
}
)";

Names Jshint(const std::string &Path, bool &Ok)
{
    QProcess node;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NODE_PATH", bench::NodePath());
    node.setProcessEnvironment(env);
    node.start("node", {"-e", kJshint, QString::fromStdString(Path)});
    Names n;
    Ok = node.waitForFinished(300000) && node.exitCode() == 0;
    std::istringstream out(node.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(out, line);) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        (line.compare(0, tab, "unused") == 0 ? n.Unused : n.Undefined).insert(line.substr(tab + 1));
    }
    return n;
}

void Print(const char *What, const std::set<std::string> &A, const std::set<std::string> &B)
{
    std::vector<std::string> both, onlyA, onlyB;
    for (const auto &s : A)
        (B.count(s) ? both : onlyA).push_back(s);
    for (const auto &s : B)
        if (!A.count(s))
            onlyB.push_back(s);
    auto list = [](const std::vector<std::string> &v) {
        std::string s;
        for (size_t i = 0; i < v.size() && i < 12; ++i)
            s += (i ? ", " : "") + v[i];
        if (v.size() > 12)
            s += ", ...";
        return s;
    };
    std::printf("  %-10s both %3zu  checker only %3zu  jshint only %3zu\n", What, both.size(), onlyA.size(),
                onlyB.size());
    if (!onlyA.empty())
        std::printf("    checker only: %s\n", list(onlyA).c_str());
    if (!onlyB.empty())
        std::printf("    jshint only:  %s\n", list(onlyB).c_str());
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        files.push_back(argv[i]);
    if (files.empty())
        files = {"/usr/share/javascript/prototype/prototype.js",
                 "/usr/share/javascript/mootools/mootools-core-nc.js",
                 "/usr/share/javascript/underscore/underscore.js",
                 "/usr/share/javascript/json/json2.js",
                 "/usr/share/javascript/jquery/jquery.js",
                 "/usr/share/doc/libjs-jquery-ui-docs/examples/accordion/default.html",
                 "/usr/share/doc/libjs-jquery-ui-docs/examples/dialog/modal-form.html"};
    std::printf("functions never called / names undefined: checker (46; 180, 182, 186) vs jshint (W098; W117)\n");
    for (const std::string &f : files) {
        if (!std::ifstream(f)) {
            std::printf("%s: not found, skipped\n", f.c_str());
            continue;
        }
        bool ok = false;
        const Names ours = Ours(f);
        const Names theirs = Jshint(f, ok);
        std::printf("%s%s\n", f.c_str(), ok ? "" : "  (jshint not available: make bench installs it)");
        Print("unused", ours.Unused, theirs.Unused);
        Print("undefined", ours.Undefined, theirs.Undefined);
    }
    return 0;
}
