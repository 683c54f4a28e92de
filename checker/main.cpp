// quillmar-check: checks one page or script file from the command line, as the window's "Check syntax"
// does, and prints the findings list. Built from the checker and the layers below it alone, without Qt.
//   quillmar-check [--time] [--repeat N] [--tree] [--no-warnings] [--summary] FILE
// Exit status: 0 when the check ran, 1 when it found errors, 2 when the file could not be read.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "checker/CheckerHost.h"
#include "checker/HTMLJSFileChecker.h"
#include "checker/JSParser.h"
#include "checker/NavTreeMemory.h"
#include "text/WideStrings.h"
#include "platform/CodePage.h"

namespace {

class TFileDocument final : public ICheckDocument {
public:
    // The file is read as the editor reads it (its encoding, and lines ending at CR, LF and CR LF
    // only), so the command line reports what the window reports.
    TFileDocument(const std::string &Name, const std::string &Bytes) : FName(AnsiToWide(Name))
    {
        TMemoryStream stream;
        stream.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
        stream.SetPosition(0);
        FLines.LoadFromStream(stream);
    }
    const TWideStrings &Lines() const override { return FLines; }
    WideString FileName() const override { return FName; }

private:
    TWideStringList FLines;
    WideString FName;
};

} // namespace

int main(int argc, char **argv)
{
    bool time = false, showTree = false;
    int repeat = 1;
    TCheckOptions options;
    options.Summary = false;
    const char *path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--time") == 0)
            time = true;
        else if (std::strcmp(argv[i], "--tree") == 0)
            showTree = true;
        else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--no-warnings") == 0)
            options.NoWarnings = true;
        else if (std::strcmp(argv[i], "--summary") == 0)
            options.Summary = true;
        else
            path = argv[i];
    }
    if (!path) {
        std::fprintf(stderr, "usage: quillmar-check [--time] [--repeat N] [--tree] [--no-warnings] [--summary] FILE\n");
        return 2;
    }
    std::string bytes;
    std::ifstream in(path, std::ios::binary);
    try {
        if (in)
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception &) { // a folder, or a read that failed part way
        in.setstate(std::ios::badbit);
    }
    if (!in || in.bad()) {
        std::fprintf(stderr, "quillmar-check: cannot read %s\n", path);
        return 2;
    }
    TFileDocument doc(path, bytes);
    THTMLJSFileChecker checker(nullptr);
    TStringList items, includes, serverIncludes;
    TNavTreeMemory tree;
    std::vector<double> seconds;
    for (int run = 0; run < repeat; ++run) {
        if (run > 0)
            checker.ClearTree(&tree);
        const auto t0 = std::chrono::steady_clock::now();
        checker.CheckFile(doc, &items, &tree, options, &includes, &serverIncludes, path);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    for (int i = 0; i < items.Count(); ++i)
        std::printf("%s\n", items[i].c_str());
    if (showTree) {
        // the navigation tree, one node a line, indented by depth
        for (int i = 0; i < tree.GetCount(); ++i) {
            TNavNode node = tree.GetNodeFromIndex(i);
            int depth = 0;
            for (TNavNode p = tree.GetParent(node); p; p = tree.GetParent(p))
                ++depth;
            std::printf("%*s%s\n", depth * 2, "", tree.GetText(node).c_str());
        }
    }
    if (time)
        for (double s : seconds)
            std::fprintf(stderr, "%.3f s\n", s);
    return checker.Parser().ErrorCount() > 0 ? 1 : 0;
}
