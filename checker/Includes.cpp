// Include resolution of the file checker: script src and SVG embed includes, server-side "#include file"
// of ASP pages and the other files of a project. Each include gets the next number N; entry N-1 of the
// document's include list names it, so findings and tree nodes inside it lead back to the right file.
#include "checker/HTMLJSFileChecker.h"

#include <algorithm>
#include <filesystem>

#include "checker/Findings.h"
#include "checker/JSParser.h"
#include "checker/TextScan.h"
#include "text/WideStrings.h"
#include "platform/CodePage.h"
#include "platform/SysUtils.h"

namespace {

// The largest include number a check gives out.
constexpr int64_t kMaxIncludeNumber = INT32_MAX - 1;

using textscan::StartsNoCase;

std::filesystem::path FsPath(const AnsiString &S)
{
    return std::filesystem::path(AnsiToWide(S));
}
AnsiString FromFs(const std::filesystem::path &P)
{
    return WideToAnsi(P.u16string());
}

} // namespace

AnsiString ResolveIncludePath(const AnsiString &Src, const AnsiString &DocumentPath, bool *AboveTop)
{
    if (AboveTop)
        *AboveTop = false;
    AnsiString s = Src;
    ReplaceChar(s, '\\', '/');
    size_t lead = s.find_first_not_of('/');
    s = lead == AnsiString::npos ? AnsiString() : s.substr(lead);
    if (s.empty())
        return AnsiString();
    std::filesystem::path base = FsPath(DocumentPath).parent_path();
    if (AboveTop) {
        std::error_code ec;
        const std::filesystem::path top = std::filesystem::absolute(base, ec).lexically_normal();
        int64_t depth = 0;
        for (const std::filesystem::path &part : top.relative_path())
            if (!part.empty())
                ++depth;
        for (const std::filesystem::path &part : FsPath(s)) {
            if (part == "..")
                --depth;
            else if (!part.empty() && part != ".")
                ++depth;
            if (depth < 0) {
                *AboveTop = true;
                break;
            }
        }
    }
    std::filesystem::path p = (base / FsPath(s)).lexically_normal();
    std::error_code ec;
    if (std::filesystem::exists(p, ec)) {
        std::filesystem::path c = std::filesystem::canonical(p, ec);
        if (!ec)
            return FromFs(c);
    }
    if (p.is_relative()) {
        std::filesystem::path a = std::filesystem::absolute(p, ec);
        if (!ec)
            p = a.lexically_normal();
    }
    return FromFs(p);
}

bool THTMLJSFileChecker::NextIncludeNumber(int32_t &N, TCheckLine Line)
{
    if (static_cast<int64_t>(FIncludeCount) + 1 > kMaxIncludeNumber) {
        if (static_cast<int64_t>(FIncludeCount) == kMaxIncludeNumber) {
            ++FIncludeCount; // report once
            AddFinding(fdTooManyIncludesAndLater, std::to_string(kMaxIncludeNumber + 1), Line + 1);
        }
        return false;
    }
    N = ++FIncludeCount;
    return true;
}

void THTMLJSFileChecker::NoteInclude(int32_t N, const AnsiString &Name)
{
    // Keep entry N-1 of the list for include N, also for duplicates.
    while (FIncludes->Count() < N - 1)
        FIncludes->Add("unknown Include file");
    if (FIncludes->Count() == N - 1)
        FIncludes->Add(Name);
    else
        FIncludes->Put(N - 1, Name);
    FLists.IncludeNames.Add(Name, N);
}

AnsiString THTMLJSFileChecker::ResolvePath(const AnsiString &Path, bool &Changed, TCheckLine Line, bool Open)
{
    Changed = false;
    AnsiString resolved;
    if (Open && FMain) {
        Changed = FMain->OpenIncludeFile(Path, resolved, Line);
        if (resolved.empty())
            resolved = ResolveIncludePath(Path, WideToAnsi(FEditorFileName));
    } else {
        resolved = ResolveIncludePath(Path, WideToAnsi(FEditorFileName));
    }
    return resolved;
}

bool THTMLJSFileChecker::ProcessScriptSrc(AnsiString Tag, TCheckLine i)
{
    const bool embed = StartsNoCase(Tag, "embed ");
    int at = PosNoCase("src", Tag);
    size_t cut = 0;
    if (at > 0) {
        cut = static_cast<size_t>(at) - 1 + 3;
    } else {
        at = PosNoCase("xlink:href", Tag);
        if (at > 0)
            cut = static_cast<size_t>(at) - 1 + 10;
    }
    AnsiString path;
    if (at > 0) {
        Tag.erase(0, cut);
        size_t eq = Tag.find('=');
        if (eq != AnsiString::npos) {
            size_t p = eq + 1;
            while (p < Tag.size() && (Tag[p] == ' ' || Tag[p] == '"' || Tag[p] == '\''))
                ++p;
            size_t end = Tag.find_first_of("\"'>?", p);
            path = Tag.substr(p, end == AnsiString::npos ? AnsiString::npos : end - p);
            if (end == AnsiString::npos && !path.empty() && path.back() == '/')
                path.pop_back(); // "/>" of the tag
            path = Trim(path);
        }
    }
    ReplaceChar(path, '\\', '/');
    if (std::count(path.begin(), path.end(), '/') == 1 && !path.empty() && path[0] == '/')
        path.erase(0, 1);

    // A script is opened in a tab with "open included files"; an SVG document also with the SVG
    // option, which says nothing about scripts.
    const bool open = FOpt.OpenIncludes || (embed && FOpt.Embedsvg);

    // Sources the checker does not follow.
    if (StartsNoCase(path, "https://") || StartsNoCase(path, "//") || (StartsNoCase(path, "http://") && !open)) {
        AddFinding(fdIncludeNotFollowed, path, i + 1);
        return !embed;
    }

    int32_t n = 0;
    if (!NextIncludeNumber(n, i))
        return !embed;
    FNav.AddRootNode("Include#" + std::to_string(n) + " " + path, i, nkIncludeRoot);

    if (StartsNoCase(path, "http://")) {
        FInInclude = true;
        NoteInclude(n, path);
        std::vector<AnsiString> lines;
        AnsiString error;
        if (FMain && FMain->LoadHttpIncl(path, i, n, FFileName, lines, error))
            ParseIncludeLines(n, lines);
        else if (error.empty())
            AddFinding(fdIncludeNotLoaded, path, i + 1);
        else
            AddMessage(error, FindingText(fdIncludeNotLoaded).Severity, FindingText(fdIncludeNotLoaded).Code, i + 1);
        return true;
    }

    bool changed = false;
    const AnsiString resolved = ResolvePath(path, changed, i, open);
    if (changed)
        AddFinding(fdIncludeChangedNotSaved, path, i + 1);
    NoteInclude(n, resolved);
    if (embed) {
        FEmbeds.push_back(TQueuedInclude{resolved, n, i});
        return false;
    }
    std::vector<AnsiString> lines;
    if (ReadLines(resolved, lines)) {
        FParser->ClearSource();
        if (FParser->SetIncludeStart(n)) {
            for (const AnsiString &line : lines)
                FParser->AddSourceLine(line);
            FInInclude = true;
            RunParse(scInclude);
            FParser->ResetSectionCounts();
        }
    } else {
        std::error_code ec;
        if (!resolved.empty() && std::filesystem::exists(FsPath(resolved), ec))
            AddFinding(fdIncludeUnreadable, resolved, i + 1);
        else
            AddFinding(fdIncludeMissing, resolved, i + 1);
    }
    FParser->ClearSource();
    return true;
}

void THTMLJSFileChecker::ProcessProjectFiles(const AnsiString &FileName, TCheckLine LineCount)
{
    TCheckProject project;
    if (!FMain || !FMain->CurrentProject(project))
        return;
    for (const AnsiString &f : project.JavascriptFiles) {
        if (f == FileName)
            continue;
        const int tab = FMain->FileName2Tab(f);
        const TWideStrings *lines = tab >= 0 ? FMain->TabLines(tab) : nullptr;
        if (!lines) {
            AddFinding(fdIncludeNotOpenInEditor, f, LineCount);
            continue;
        }
        int32_t n = 0;
        if (!NextIncludeNumber(n, LineCount - 1))
            return;
        FNav.AddRootNode("Include#" + std::to_string(n) + " " + f, LineCount, nkIncludeRoot);
        NoteInclude(n, f);
        FParser->ClearSource();
        if (!FParser->SetIncludeStart(n))
            continue;
        AddDocumentSource(*FParser, *lines);
        FInInclude = true;
        RunParse(scInclude);
        FParser->ResetSectionCounts();
        FInInclude = false;
    }
}

void THTMLJSFileChecker::FindServerInclude(const AnsiString &Text, TCheckLine i)
{
    int at = PosNoCase("#include file", Text);
    if (at <= 0)
        return;
    size_t p = static_cast<size_t>(at) - 1 + 13;
    while (p < Text.size() && Text[p] == ' ')
        ++p;
    if (p < Text.size() && Text[p] == '=') {
        ++p;
        while (p < Text.size() && (Text[p] == ' ' || Text[p] == '"' || Text[p] == '\''))
            ++p;
    }
    size_t end = Text.find_first_of("\"'>", p);
    AnsiString path = Trim(Text.substr(std::min(p, Text.size()), end == AnsiString::npos ? AnsiString::npos : end - p));
    if (!path.empty())
        AddServerInclude(path, i);
}

void THTMLJSFileChecker::AddServerInclude(const AnsiString &Path, TCheckLine i)
{
    bool changed = false;
    AnsiString resolved;
    if (FOpt.OpenIncludes && FMain) {
        changed = FMain->OpenIncludeFile(Path, resolved, i);
        if (changed)
            AddFinding(fdIncludeChangedNotSaved, Path, i + 1);
    }
    if (resolved.empty())
        resolved = ResolveIncludePath(Path, WideToAnsi(FEditorFileName));
    // A page that includes itself, or a file already included, is not run again.
    if (resolved == ResolveIncludePath(ExtractFileName(WideToAnsi(FEditorFileName)), WideToAnsi(FEditorFileName)))
        return;
    if (IndexOfExact(*FServerIncludes, resolved) >= 0)
        return;
    int32_t n = 0;
    if (!NextIncludeNumber(n, i))
        return;
    FNav.AddRootNode("Include#" + std::to_string(n) + " " + Path, i, nkIncludeRoot);
    FServerIncludes->Add(resolved);
    NoteInclude(n, resolved);
    FServerIncludeQueue.push_back(TQueuedInclude{resolved, n, i});
}
