#include "checker/HTMLJSFileChecker.h"

#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <utility>

#include "checker/Findings.h"
#include "checker/JSModel.h"
#include "checker/JSParser.h"
#include "text/WideStrings.h"
#include "platform/CodePage.h"
#include "platform/ScopeGuard.h"
#include "platform/SysUtils.h"

namespace {

// "%6.3f" of Seconds, independent of the locale.
AnsiString FormatSeconds(double Seconds)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, Seconds, std::chars_format::fixed, 3);
    AnsiString s(buf, r.ptr);
    if (s.size() < 6)
        s.insert(0, 6 - s.size(), ' ');
    return s;
}

class TStringStream final : public TMemoryStream {
public:
    explicit TStringStream(const std::string &Text)
    {
        if (!Text.empty())
            Write(Text.data(), static_cast<int64_t>(Text.size()));
        Seek(0, soBeginning);
    }
};

} // namespace

AnsiString StripByteOrderMark(AnsiString Line)
{
    if (Line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        Line.erase(0, 3);
    return Line;
}

AnsiString DocumentLine(const TWideStrings &Lines, int Index)
{
    const TWideLine w = Lines[Index];
    if (Index == 0 && !w.empty() && w[0] == 0xFEFF)
        return WideToAnsi(w.data() + 1, w.size() - 1);
    AnsiString s = WideToAnsi(w.data(), w.size());
    if (Index == 0)
        return StripByteOrderMark(std::move(s));
    return s;
}

void AddDocumentSource(TJSParser &Parser, const TWideStrings &Lines)
{
    // A script of many megabytes: its bytes go into the source once, without growing it again and
    // without a string per line.
    const int count = Lines.Count();
    size_t bytes = 0;
    for (int i = 0; i < count; ++i)
        bytes += Lines[i].size() + 1;
    Parser.ReserveSource(bytes);
    for (int i = 0; i < count; ++i) {
        if (i == 0) {
            Parser.AddSourceLine(DocumentLine(Lines, 0)); // without its byte-order mark
            continue;
        }
        const TWideLine line = Lines[i];
        Parser.AddSourceLine(line.data(), line.size());
    }
}

THTMLJSFileChecker::THTMLJSFileChecker(IIncludeHost *Main)
    : FMain(Main), FParser(std::make_unique<TJSParser>(FLists, this))
{
}

THTMLJSFileChecker::~THTMLJSFileChecker()
{
    // The parser refers to the lists; it goes first.
    FParser.reset();
}

AnsiString THTMLJSFileChecker::TabsToSpaces(const AnsiString &Line)
{
    AnsiString s = Line;
    ReplaceChar(s, '\t', ' ');
    return s;
}

void THTMLJSFileChecker::AddMessage(const AnsiString &Text, int Severity, int Code, TCheckLine Line)
{
    FParser->AddMessage(Text, Severity, Code, Line);
}

void THTMLJSFileChecker::AddFinding(TFinding F, TCheckLine Line)
{
    FParser->AddFinding(F, Line);
}
void THTMLJSFileChecker::AddFinding(TFinding F, const AnsiString &Name, TCheckLine Line)
{
    FParser->AddFinding(F, Name, Line);
}
void THTMLJSFileChecker::AddFinding(TFinding F, const AnsiString &First, const AnsiString &Second, TCheckLine Line)
{
    FParser->AddFinding(F, First, Second, Line);
}

void THTMLJSFileChecker::RunParse(int32_t SectionCode)
{
    FParser->Parse(SectionCode, FLists.Functions, FOpt.JSON, FOpt.Deprecated, FOpt.ECMA, FOpt.SemiColon, FOpt.RepeatDec,
                   FOpt.Summary, FOpt.WarnNoVar, FOpt.NoWarnings, FResultsBox);
}

AnsiString THTMLJSFileChecker::EditorLine(int Index) const
{
    if (!FEditor)
        return AnsiString();
    const TWideStrings &lines = FEditor->Lines();
    if (Index < 0 || Index >= lines.Count())
        return AnsiString();
    return DocumentLine(lines, Index);
}

// ---- parser host

AnsiString THTMLJSFileChecker::GetIncludeName(int Index)
{
    if (FIncludes && Index >= 0 && Index < FIncludes->Count())
        return FIncludes->Strings(Index);
    return "unknown Include file";
}

TNavNode THTMLJSFileChecker::AddFunctionNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, int Kind)
{
    return FNav.AddFunctionNode(Name, Line, Parent, static_cast<uint8_t>(Kind), FInInclude);
}

void THTMLJSFileChecker::AddVariableNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, int Kind)
{
    FNav.AddVariableNode(Name, Line, Parent, static_cast<uint8_t>(Kind), FInInclude, FServerPass);
}

void THTMLJSFileChecker::AddDynamicHTMLName(const AnsiString &Name, TCheckLine Line)
{
    FNav.AddDynamicHTMLName(Name, Line);
}

// ---- files

bool THTMLJSFileChecker::ReadLines(const AnsiString &Path, std::vector<AnsiString> &Lines)
{
    Lines.clear();
    if (Path.empty())
        return false;
    std::error_code ec;
    const std::filesystem::path p(AnsiToWide(Path));
    if (!std::filesystem::is_regular_file(p, ec))
        return false;
    const auto size = std::filesystem::file_size(p, ec);
    if (ec || size > static_cast<uintmax_t>(kMaxIncludeBytes))
        return false;
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return false;
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    // Lines end where the editor ends them: at CR LF, LF or a lone CR; VT and FF stay in the line.
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        Lines.emplace_back(bytes, start, end - start);
        if (start == 0)
            Lines.back() = StripByteOrderMark(std::move(Lines.back()));
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return true;
}

// A missing include file is reported as such; one that exists but cannot be read is not loaded.
void THTMLJSFileChecker::ReportUnreadInclude(const AnsiString &Path, TCheckLine Line)
{
    std::error_code ec;
    if (!Path.empty() && std::filesystem::exists(std::filesystem::path(AnsiToWide(Path)), ec))
        AddFinding(fdIncludeUnreadable, Path, Line);
    else
        AddFinding(fdIncludeMissing, Path, Line);
}

// ---- the run

void THTMLJSFileChecker::ClearSymbolLists()
{
    FLists.ClearAll();
    FHTMLNames.Clear();
    FEventHandlers.Clear();
    FEventTexts.Clear();
    FForms.Clear();
    FObjects.Clear();
    FFormIndex.Reset();
    FObjectIndex.Reset();
    FBuiltInMembers.Clear();
}

void THTMLJSFileChecker::ResetRun(const TCheckOptions &Options)
{
    FOpt = Options;
    FServerCodeMark = false;
    FEmbeds.clear();
    FServerIncludeQueue.clear();

    FParser->ClearSource();
    FParser->ResetState();
    FParser->ResetInlineTotals();
    FParser->ResetCounts();
    FParser->InitMessages(FResultsBox);
    // The options hold from the first finding of the run on, also for those raised before any parse.
    FParser->SetOptions(FOpt.JSON, FOpt.Deprecated, FOpt.ECMA, FOpt.SemiColon, FOpt.RepeatDec, FOpt.Summary,
                        FOpt.WarnNoVar, FOpt.NoWarnings);

    ClearSymbolLists();
    FNav.SetOptions(FOpt.TreeGlobals, FOpt.TreeLocals);

    FInScript = FInInclude = FIgnoreSection = FServerJScript = FServerPass = FServerScript = FInComment = false;
    FTagSelfClosed = FSectionOpenedOnLine = false;
    FNoServerCode = FTagLineFree = true;
    FServerLastLine = 0;

    FServerCode.clear();
    FServerStream = &FServerCode;
    FIncludeStreams.clear();
    FTagLines = FServerLines = 0;
    FServerFirstLine = FServerStartLine = 0;
    FSectionCount = FIncludeCount = FOpenForms = FUnnamedForms = FScriptTags = 0;
    FCommentLine = FTagLine = 0;
    FScanPos = 0;
    FPendingTag.clear();
    FPendingTagDropped = false;
    FContinued = false;
    FFormName.clear();
    FCurrentLine.clear();
    FJSMode = false;
}

void THTMLJSFileChecker::CheckFile(const ICheckDocument &Editor, TStrings *ResultsBox, INavTreeNodes *Tree,
                                   const TCheckOptions &Options, TStrings *Includes, TStrings *ServerIncludes,
                                   const AnsiString &FileName, std::vector<TFindingRecord> *Findings)
{
    if (Findings)
        Findings->clear();
    const auto started = std::chrono::steady_clock::now();
    FResultsBox = ResultsBox;
    FIncludes = Includes ? Includes : &FOwnIncludes;
    FServerIncludes = ServerIncludes ? ServerIncludes : &FOwnServerIncludes;
    FEditor = &Editor;
    FEditorFileName = Editor.FileName();
    FFileName = FileName;

    ResetRun(Options);
    if (FResultsBox)
        FResultsBox->Clear();
    FNav.ClearTree(Tree);
    // Include number N names entry N-1 of the list: the list is rebuilt with the numbering.
    FIncludes->Clear();
    FServerIncludes->Clear();

    const AnsiString editorName = WideToAnsi(FEditorFileName);
    const AnsiString ext = ExtractFileExt(editorName);
    FASPMode = PosNoCase(".asp", ext) == 1;
    const TWideStrings &lines = Editor.Lines();
    const int lineCount = lines.Count();

    if (LowerCase(ext) != ".js") {
        for (int i = 0; i < lineCount; ++i)
            FeedLine(DocumentLine(lines, i), i);
    } else {
        FNav.AddRootNode("Javascript functions", 0, nkSectionRoot);
        FJSMode = true;
        FInScript = true;
        FParser->ClearSource();
        FParser->SetStartLine(1);
        AddDocumentSource(*FParser, lines);
        RunParse(scJSFile);
        TCheckProject project;
        if (FMain && FMain->CurrentProject(project) && project.JSParent == editorName)
            ProcessProjectFiles(editorName, lineCount);
    }

    // End checks. A self-closed src tag as the page's last tag has closed its section itself.
    if (FTagSelfClosed)
        FInInclude = FInScript = FTagSelfClosed = false;
    if (!FJSMode) {
        if (FInScript || FInInclude || FIgnoreSection)
            AddFinding(fdScriptTagMissing, lineCount);
        if (FOpenForms != 0)
            AddFinding(fdFormTagMissing, lineCount);
    }
    if (FInComment)
        AddFinding(fdHtmlCommentTagNeverClosed, FCommentLine + 1);
    // The page's last section ends with the page: queued embeds start outside any section.
    FInScript = FIgnoreSection = FInInclude = false;

    RunQueuedEmbeds();

    for (int j = 0; j < FEventTexts.Count(); ++j)
        FNav.AddEventNode(FEventTexts.Name(j), FEventTexts.Line(j));

    FServerStartLine = FServerFirstLine;
    RunServerIncludes();

    CrossReference();

    RunServerCode();
    if (FServerCodeMark)
        CrossReference();

    FParser->AddSummary();
    // The list hears of its lines in one batch: a large script has tens of thousands of findings.
    if (FResultsBox)
        FResultsBox->BeginUpdate();
    TScopeGuard endUpdate([this] {
        if (FResultsBox)
            FResultsBox->EndUpdate();
    });
    FParser->ShowMessages(FResultsBox, Findings);
    if (FResultsBox) {
        // The closing lines are plain lines: records without a code or a place.
        auto addPlain = [&](const AnsiString &Text) {
            FResultsBox->Add(Text);
            if (Findings) {
                TFindingRecord plain;
                plain.Text = Text;
                Findings->push_back(std::move(plain));
            }
        };
        if (FResultsBox->Count() == 0)
            addPlain("No errors detected");
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        addPlain("Checking took " + FormatSeconds(static_cast<double>(ms.count()) / 1000.0) + " seconds");
    }
    FInInclude = FServerPass = false;
}

void THTMLJSFileChecker::FeedLine(const AnsiString &Line, TCheckLine Index)
{
    FCurrentLine = Line;
    ProcessLine(Index);
}

// An included file starts outside any tag or comment the text before it left open.
void THTMLJSFileChecker::StartIncludeFile()
{
    FInComment = false;
    FContinued = false;
    FPendingTag.clear();
    FPendingTagDropped = false;
    FTagLines = 0;
}

// Runs the lines of include N through the page processing as lines of that include (0-based, as page lines
// are fed); the line after its last.
TCheckLine THTMLJSFileChecker::FeedIncludeLines(int32_t N, const std::vector<AnsiString> &Lines)
{
    TCheckLine line = *TCheckLine::InInclude(N, 0);
    for (const AnsiString &text : Lines) {
        FeedLine(text, line);
        ++line;
    }
    return line;
}

void THTMLJSFileChecker::RunQueuedEmbeds()
{
    // Entries may be queued while the queue runs (an SVG that embeds another): walk by index.
    for (size_t j = 0; j < FEmbeds.size(); ++j) {
        const TQueuedInclude entry = FEmbeds[j];
        std::vector<AnsiString> lines;
        if (!ReadLines(entry.Path, lines)) {
            ReportUnreadInclude(entry.Path, entry.Line + 1);
            continue;
        }
        if (!FParser->SetIncludeStart(entry.N))
            continue;
        StartIncludeFile();
        const TCheckLine end = FeedIncludeLines(entry.N, lines);
        if (FInScript)
            AddFinding(fdScriptTagMissing, end);
        FInScript = FInInclude = FIgnoreSection = false;
    }
}

void THTMLJSFileChecker::RunServerIncludes()
{
    for (size_t j = 0; j < FServerIncludeQueue.size(); ++j) {
        const TQueuedInclude entry = FServerIncludeQueue[j];
        std::vector<AnsiString> lines;
        if (!ReadLines(entry.Path, lines)) {
            ReportUnreadInclude(entry.Path, entry.Line + 1);
            continue;
        }
        if (!FParser->SetIncludeStart(entry.N))
            continue;
        StartIncludeFile();
        FIncludeStreams.push_back(TServerStream{entry.N, 0, false, {}});
        const size_t streamIndex = FIncludeStreams.size() - 1;
        FServerStream = &FIncludeStreams[streamIndex].Code;
        FNoServerCode = true;
        FServerLines = 0;
        // What the page left in the parser (the last handler's code) is no part of the include.
        FParser->ClearSource();
        FServerLastLine = *TCheckLine::InInclude(entry.N, 0);
        FeedIncludeLines(entry.N, lines);
        FIncludeStreams[streamIndex].FirstLine = FServerFirstLine;
        FIncludeStreams[streamIndex].HasFirstLine = !FNoServerCode;
        FServerStream = &FServerCode;
        RunParse(scInclude);
    }
}

void THTMLJSFileChecker::ResetParserForServerPass()
{
    // The counts of the summary stay those of the whole run.
    FParser->ClearSource();
    FParser->ResetState();
}

void THTMLJSFileChecker::RunServerCode()
{
    // The server-side code is a program of its own: the page's symbols go before its first parse, also when
    // only server include files hold server code (or the second cross-reference pass repeats the page's).
    bool cleared = false;
    if (!FServerCode.empty()) {
        FServerCodeMark = true;
        FServerCode += " \n";
        ResetParserForServerPass();
        ClearSymbolLists();
        cleared = true;
        FServerPass = true;
        FNav.AddRootNode("Server-side inline", FServerStartLine - 1, nkSectionRoot);
        FParser->SetStartLine(FServerStartLine);
        TStringStream stream(FServerCode);
        FParser->LoadSourceFromStream(stream);
        RunParse(scInline);
    }
    for (TServerStream &s : FIncludeStreams) {
        if (s.Code.empty() || !s.HasFirstLine)
            continue;
        FServerFirstLine = s.FirstLine;
        FServerCodeMark = true;
        s.Code += " \n";
        ResetParserForServerPass();
        if (!cleared)
            ClearSymbolLists();
        cleared = true;
        FServerPass = true;
        FParser->SetStartLine(FServerFirstLine);
        TStringStream stream(s.Code);
        FParser->LoadSourceFromStream(stream);
        RunParse(scInline);
    }
}

void THTMLJSFileChecker::ParseIncludeLines(int32_t N, const std::vector<AnsiString> &Lines)
{
    FParser->ClearSource();
    if (!FParser->SetIncludeStart(N))
        return;
    for (const AnsiString &line : Lines)
        FParser->AddSourceLine(line);
    const bool wasInInclude = FInInclude;
    FInInclude = true;
    RunParse(scInclude);
    FParser->ResetSectionCounts();
    FInInclude = wasInInclude;
}
