#pragma once
// Fakes and dumps for driving the file checker without a window: a document, an include host that
// records what it is asked, and a text dump of the navigation tree.
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "checker/CheckerHost.h"
#include "checker/HTMLJSFileChecker.h"
#include "checker/NavTree.h"
#include "checker/NavTreeMemory.h"
#include "text/WideStrings.h"
#include "platform/CodePage.h"

namespace checktest {

inline void FillLines(TWideStringList &Lines, const std::string &Text)
{
    Lines.Clear();
    size_t start = 0;
    while (start <= Text.size()) {
        size_t end = Text.find('\n', start);
        if (end == std::string::npos) {
            if (start < Text.size())
                Lines.Add(AnsiToWide(Text.substr(start)));
            break;
        }
        Lines.Add(AnsiToWide(Text.substr(start, end - start)));
        start = end + 1;
    }
}

class TTestDocument final : public ICheckDocument {
public:
    TTestDocument(const std::string &FileName, const std::string &Text) : FName(AnsiToWide(FileName))
    {
        FillLines(FLines, Text);
    }
    const TWideStrings &Lines() const override { return FLines; }
    WideString FileName() const override { return FName; }
    TWideStringList &Mutable() { return FLines; }

private:
    TWideStringList FLines;
    WideString FName;
};

// One line per node: two blanks per level, the text, then "[kind] line" from its record.
inline std::string DumpTree(INavTreeNodes &Tree)
{
    std::string out;
    const int n = Tree.GetCount();
    for (int i = 0; i < n; ++i) {
        TNavNode node = Tree.GetNodeFromIndex(i);
        int depth = 0;
        for (TNavNode p = Tree.GetParent(node); p; p = Tree.GetParent(p))
            ++depth;
        out += std::string(static_cast<size_t>(depth) * 2, ' ') + Tree.GetText(node);
        if (auto *rec = static_cast<TNavNodeRec *>(Tree.GetData(node)))
            out += " [" + std::to_string(rec->Kind) + "] " + ToText(rec->Line);
        out += "\n";
    }
    return out;
}

// The findings list as one text; the timing line is checked and replaced by "<timing>".
inline std::string Findings(const TStrings &Items)
{
    static const std::regex timing(R"(Checking took [ 0-9]{2,}\.[0-9]{3} seconds)");
    std::string out;
    for (int i = 0; i < Items.Count(); ++i) {
        const std::string &s = Items[i];
        if (i == Items.Count() - 1) {
            out += std::regex_match(s, timing) && s.size() >= std::string("Checking took  0.000 seconds").size()
                       ? "<timing>\n"
                       : "<bad timing line: " + s + ">\n";
        } else {
            out += s + "\n";
        }
    }
    return out;
}

class TFakeIncludeHost final : public IIncludeHost {
public:
    std::vector<std::string> Calls;
    std::string DocumentPath; // what paths resolve against
    std::map<std::string, bool> Unsaved; // resolved path -> unsaved changes
    std::map<std::string, std::vector<std::string>> Http; // URL -> lines
    bool HasProject = false;
    TCheckProject Project;
    std::vector<std::pair<std::string, std::unique_ptr<TWideStringList>>> Tabs;

    void AddTab(const std::string &Path, const std::string &Text)
    {
        auto lines = std::make_unique<TWideStringList>();
        FillLines(*lines, Text);
        Tabs.emplace_back(Path, std::move(lines));
    }

    bool OpenIncludeFile(const AnsiString &Path, AnsiString &Resolved, TCheckLine LineIndex) override
    {
        Resolved = ResolveIncludePath(Path, DocumentPath);
        Calls.push_back("OpenIncludeFile(" + Path + ", " + ToText(LineIndex) + ")");
        auto it = Unsaved.find(Resolved);
        return it != Unsaved.end() && it->second;
    }
    bool LoadHttpIncl(const AnsiString &URL, TCheckLine LineIndex, int32_t N, const AnsiString &FileName,
                      std::vector<AnsiString> &Lines, AnsiString &Error) override
    {
        Calls.push_back("loadHttpIncl(" + URL + ", " + ToText(LineIndex) + ", " + std::to_string(N) + ", " +
                        FileName + ")");
        auto it = Http.find(URL);
        if (it == Http.end()) {
            Error = "Include '" + URL + "' not loaded, http error 404 Not Found";
            return false;
        }
        Lines.assign(it->second.begin(), it->second.end());
        return true;
    }
    int FileName2Tab(const AnsiString &Path) override
    {
        Calls.push_back("FileName2Tab(" + Path + ")");
        for (size_t i = 0; i < Tabs.size(); ++i)
            if (Tabs[i].first == Path)
                return static_cast<int>(i);
        return -1;
    }
    const TWideStrings *TabLines(int Index) override
    {
        return Index >= 0 && Index < static_cast<int>(Tabs.size()) ? Tabs[static_cast<size_t>(Index)].second.get()
                                                                   : nullptr;
    }
    bool CurrentProject(TCheckProject &P) override
    {
        if (HasProject)
            P = Project;
        return HasProject;
    }
};

// A checker with its list, tree and include lists, run on one document.
struct TRun {
    TFakeIncludeHost Host;
    THTMLJSFileChecker Checker{&Host};
    TStringList Items, Includes, ServerIncludes;
    TNavTreeMemory Tree;

    std::string Check(const std::string &FileName, const std::string &Text, const TCheckOptions &Options)
    {
        TTestDocument doc(FileName, Text);
        Host.DocumentPath = FileName;
        Checker.CheckFile(doc, &Items, &Tree, Options, &Includes, &ServerIncludes, FileName);
        return Findings(Items);
    }
    std::string TreeDump() { return DumpTree(Tree); }
};

inline std::string ReadFixture(const std::string &Name)
{
    std::string path = std::string(QUILLMAR_FIXTURES) + "/checker/" + Name;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::string();
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    std::fclose(f);
    return s;
}

} // namespace checktest
