// Valid code on a large scale: every .js file of the Debian script libraries under /usr/share/javascript
// that acorn (ECMAScript 5) parses is checked as a .js file, and every page of two documentation sets
// (the jQuery UI demos and the Python documentation, made by Sphinx) as a page. Prints the syntax-error
// findings of the valid files by code, the files whose parse raised any (the target is none), and the
// page findings 172, 156 and 151 (the target is none). `make bench` installs the packages
// (scripts/bench-deps/checker.txt) and acorn.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "checker/HTMLJSFileChecker.h"
#include "checker/NavTreeMemory.h"
#include "platform/CodePage.h"
#include "text/WideStrings.h"

namespace fs = std::filesystem;

namespace {

class TFileDocument final : public ICheckDocument {
public:
    explicit TFileDocument(const std::string &Path) : FName(AnsiToWide(Path))
    {
        std::ifstream in(Path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (size_t start = 0; start < bytes.size();) {
            size_t end = bytes.find('\n', start);
            if (end == std::string::npos)
                end = bytes.size();
            size_t stop = end;
            if (stop > start && bytes[stop - 1] == '\r')
                --stop;
            FLines.Add(AnsiToWide(bytes.data() + start, stop - start));
            start = end + 1;
        }
    }
    const TWideStrings &Lines() const override { return FLines; }
    WideString FileName() const override { return FName; }

private:
    TWideStringList FLines;
    WideString FName;
};

std::vector<std::string> FilesUnder(const std::string &Root, const std::string &Extension)
{
    std::set<std::string> found;
    std::error_code ec;
    if (!fs::exists(Root, ec))
        return {};
    for (auto it = fs::recursive_directory_iterator(
             Root, fs::directory_options::follow_directory_symlink | fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        if (it->path().extension() != Extension || !it->is_regular_file(ec))
            continue;
        const fs::path canonical = fs::canonical(it->path(), ec);
        if (!ec)
            found.insert(canonical.string());
    }
    return {found.begin(), found.end()};
}

// The files of List that acorn parses as ECMAScript 5; empty when node or acorn is missing.
std::set<std::string> AcornAccepts(const std::vector<std::string> &List, bool &Available)
{
    const fs::path listFile = fs::temp_directory_path() / "quillmar-corpus-files.txt";
    const fs::path outFile = fs::temp_directory_path() / "quillmar-corpus-es5.txt";
    {
        std::ofstream out(listFile);
        for (const auto &f : List)
            out << f << "\n";
    }
    static const char *const script = R"(
const acorn = require('acorn'); const fs = require('fs');
const files = fs.readFileSync(process.argv[1], 'utf8').split('\n').filter(Boolean);
for (const f of files) { try { acorn.parse(fs.readFileSync(f, 'latin1'), {ecmaVersion: 5}); console.log(f); } catch (e) {} }
)";
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        env.emplace_back(*e);
    env.push_back("NODE_PATH=" + bench::NodePath().toStdString());
    Available = bench::RunProgram({"node", "-e", script, listFile.string()}, outFile.string(), &env) == 0;
    std::set<std::string> accepted;
    std::ifstream in(outFile);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            accepted.insert(line);
    fs::remove(listFile);
    fs::remove(outFile);
    return accepted;
}

// The findings lines of one check run.
std::vector<std::string> Check(THTMLJSFileChecker &Checker, const std::string &Path)
{
    TFileDocument doc(Path);
    TStringList items, includes, serverIncludes;
    TNavTreeMemory tree;
    TCheckOptions o;
    Checker.CheckFile(doc, &items, &tree, o, &includes, &serverIncludes, Path);
    Checker.ClearTree(nullptr);
    std::vector<std::string> lines;
    for (int i = 0; i < items.Count(); ++i)
        lines.push_back(items[i]);
    return lines;
}

int CodeOf(const std::string &Line)
{
    return Line.size() > 5 && Line[0] == '(' && Line[4] == ')' ? std::stoi(Line.substr(1, 3)) : -1;
}

// Codes of the cross-reference pass: names the file uses but does not declare (the page, its includes
// and the language's and browser's own names are all the checker knows).
bool IsCrossReferenceCode(int Code)
{
    return Code >= 177 && Code <= 191;
}

} // namespace

int main()
{
    const auto t0 = std::chrono::steady_clock::now();
    const std::vector<std::string> scripts = FilesUnder("/usr/share/javascript", ".js");
    bool acorn = false;
    const std::set<std::string> valid = AcornAccepts(scripts, acorn);
    if (!acorn) {
        std::printf("checker corpus: node with acorn not available (make bench installs it), skipped\n");
        return 0;
    }
    THTMLJSFileChecker checker(nullptr);
    std::map<int, int> byCode;
    std::map<std::string, std::vector<std::string>> parseErrors; // file -> findings
    std::map<std::string, int> crossReferenceFiles;
    int findings = 0;
    for (const std::string &file : valid) {
        for (const std::string &line : Check(checker, file)) {
            if (line.find("Syntax error") == std::string::npos)
                continue;
            const int code = CodeOf(line);
            ++byCode[code];
            ++findings;
            if (IsCrossReferenceCode(code))
                ++crossReferenceFiles[file];
            else
                parseErrors[file].push_back(line);
        }
    }
    const double scriptSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("checker corpus: %zu .js files under /usr/share/javascript, %zu of them valid ECMAScript 5 (acorn); "
                "checked in %.1f s\n",
                scripts.size(), valid.size(), scriptSeconds);
    int parseTotal = 0;
    for (const auto &[file, lines] : parseErrors)
        parseTotal += static_cast<int>(lines.size());
    std::printf("  syntax errors of the lexer and parser in valid files: %d (target 0)\n", parseTotal);
    for (const auto &[file, lines] : parseErrors)
        for (const auto &l : lines)
            std::printf("    %s: %s\n", file.c_str(), l.c_str());
    std::printf("  names used but not declared in the file (cross-reference findings, codes 177-191): %d in %zu "
                "files\n",
                findings - parseTotal, crossReferenceFiles.size());
    std::printf("    they name what other files or the module loader provide (define, require, module, exports,\n"
                "    jQuery, ...) or members set outside their constructor; a check knows the file, its includes\n"
                "    and the built-in names only. By code:");
    for (const auto &[code, count] : byCode)
        if (IsCrossReferenceCode(code))
            std::printf(" %03d:%d", code, count);
    std::printf("\n");

    const auto t1 = std::chrono::steady_clock::now();
    std::vector<std::string> pages = FilesUnder("/usr/share/doc/libjs-jquery-ui-docs", ".html");
    const size_t jqueryUiPages = pages.size();
    for (const auto &p : FilesUnder("/usr/share/doc/python3-doc/html", ".html"))
        pages.push_back(p);
    std::map<int, std::vector<std::string>> pageFindings;
    for (const std::string &page : pages)
        for (const std::string &line : Check(checker, page))
            if (const int code = CodeOf(line); code == 172 || code == 156 || code == 151)
                pageFindings[code].push_back(page + ": " + line);
    const double pageSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
    std::printf("checker pages: %zu pages (%zu jQuery UI demos, %zu of the Python documentation) checked in %.1f s\n",
                pages.size(), jqueryUiPages, pages.size() - jqueryUiPages, pageSeconds);
    for (int code : {172, 156, 151}) {
        std::printf("  finding %03d: %zu (target 0)\n", code, pageFindings[code].size());
        for (const auto &l : pageFindings[code])
            std::printf("    %s\n", l.c_str());
    }
    return 0;
}
