#pragma once
// The file checker: runs one syntax check of a page or script file. It resets the parser and its lists,
// chooses the mode by the file's extension (.js file, HTML page, page with server-side code), feeds the
// document line by line through the HTML line processing or straight to the parser, works through the
// includes and the server-side code, runs the cross-reference pass and writes the findings, a closing line
// and the time the check took into the findings list. One instance lives as long as the main window.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "checker/CheckerHost.h"
#include "checker/CheckerLists.h"
#include "checker/ExactIndex.h"
#include "checker/FindingRecord.h"
#include "checker/MessageSink.h"
#include "checker/NamedList.h"
#include "checker/NavTree.h"
#include "checker/ParserHost.h"
#include "text/ZSStrUtils.h"
#include "platform/Classes.h"
#include "platform/StringList.h"

class TJSParser;
class TJSFunction;
class TJSVariable;

// The settings of the "Parser" section, as a check run takes them.
struct TCheckOptions {
    bool NoWarnings = false;
    bool WarnJSFuncNotCalled = false;
    bool WarnNoVar = false;
    bool Summary = false;
    bool OpenIncludes = false;
    bool Embedsvg = false;
    bool RepeatDec = false;
    bool SemiColon = false;
    bool ECMA = false;
    bool Deprecated = false;
    bool TreeGlobals = true;
    bool TreeLocals = true;
    bool JSON = false;
};

// A tag carried over lines longer than this is dropped with one finding.
constexpr size_t kMaxPendingTag = 64 * 1024;
// An include file larger than this is not read.
constexpr int64_t kMaxIncludeBytes = 64LL * 1024 * 1024;

// Resolves an include source as written in a page ("/" or "\\" separators) against the folder of the
// document DocumentPath: a relative path and one with a leading separator both start in that folder.
// Canonical when the file exists. Each ".." climbs one folder and stops at "/", as a browser
// resolves a relative address at the top of a site; AboveTop, when given, tells whether Src
// climbed further up than there are folders. Any other name made of dots is a plain name.
AnsiString ResolveIncludePath(const AnsiString &Src, const AnsiString &DocumentPath, bool *AboveTop = nullptr);

// A UTF-8 byte-order mark at the start of a file is no text of it.
AnsiString StripByteOrderMark(AnsiString Line);
// Line Index of a document as the checker reads it: 8-bit, without a byte-order mark on the first line.
AnsiString DocumentLine(const TWideStrings &Lines, int Index);
// Adds every line of a document to the parser's source, as DocumentLine reads them.
void AddDocumentSource(TJSParser &Parser, const TWideStrings &Lines);

class THTMLJSFileChecker : public IParserHost {
public:
    explicit THTMLJSFileChecker(IIncludeHost *Main);
    ~THTMLJSFileChecker() override;
    THTMLJSFileChecker(const THTMLJSFileChecker &) = delete;
    THTMLJSFileChecker &operator=(const THTMLJSFileChecker &) = delete;

    // One check run. Includes and ServerIncludes are the document's include lists (cleared and filled by
    // the run; entry N-1 of Includes always names include number N); FileName is its display name. Findings,
    // when given, receives the record of each line written into ResultsBox, in the same order.
    void CheckFile(const ICheckDocument &Editor, TStrings *ResultsBox, INavTreeNodes *Tree,
                   const TCheckOptions &Options, TStrings *Includes, TStrings *ServerIncludes,
                   const AnsiString &FileName, std::vector<TFindingRecord> *Findings = nullptr);

    // Empties the tree and starts a new record arena (also used by the main window).
    void ClearTree(INavTreeNodes *Tree) { FNav.ClearTree(Tree); }
    // The records of the tree the last run filled; the shell keeps them with the tab's saved tree.
    std::shared_ptr<TNavRecArena> TreeRecords() const { return FNav.Records(); }
    TNavTreeBuilder &Nav() { return FNav; }

    static AnsiString TabsToSpaces(const AnsiString &Line);

    // ---- parser host
    AnsiString GetIncludeName(int Index) override;
    TNavNode AddFunctionNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, int Kind) override;
    void AddVariableNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, int Kind) override;
    void AddDynamicHTMLName(const AnsiString &Name, TCheckLine Line) override;
    void MarkDerived(const AnsiString &Name) override { FNav.MarkDerived(Name); }

    // Parses text fetched for include N (http includes); the host may call it, the checker does.
    void ParseIncludeLines(int32_t N, const std::vector<AnsiString> &Lines);

    // ---- read access for tests and the shell
    TJSParser &Parser() { return *FParser; }
    TCheckerLists &Lists() { return FLists; }
    const TLineList &HTMLNames() const { return FHTMLNames; }
    const TLineList &EventHandlers() const { return FEventHandlers; }
    const TLineList &EventTexts() const { return FEventTexts; }
    const TZSStringList &Forms() const { return FForms; }
    const TZSStringList &Objects() const { return FObjects; }
    int SectionCount() const { return FSectionCount; }
    int IncludeCount() const { return FIncludeCount; }
    // Script tags met by the last run (sections, src includes and ignored sections alike).
    int ScriptTagCount() const { return FScriptTags; }

    // ---- tag checks (public for the tests)
    struct TBracketCounts {
        int OpenParen = 0, CloseParen = 0, OpenCurly = 0, CloseCurly = 0, DoubleQuotes = 0;
    };
    static TBracketCounts CountBrackets(const AnsiString &Tag);
    bool ReadAttributeValue(size_t Pos, const AnsiString &Tag, AnsiString &Value, bool Report, TCheckLine Line);
    void GetNameAndId(const AnsiString &Tag, AnsiString &Name, TCheckLine Line, AnsiString &Id);
    void CheckTag(const AnsiString &Tag, TCheckLine Line);
    void CheckAttributeSyntax(const AnsiString &Tag, TCheckLine Line);

private:
    friend class TCrossReference;

    // ---- run steps
    void ResetRun(const TCheckOptions &Options);
    void RunParse(int32_t SectionCode);
    void ResetParserForServerPass();
    void ClearSymbolLists();
    TCheckLine FeedIncludeLines(int32_t N, const std::vector<AnsiString> &Lines);
    void RunQueuedEmbeds();
    void StartIncludeFile();
    void RunServerIncludes();
    void RunServerCode();
    void AddMessage(const AnsiString &Text, int Severity, int Code, TCheckLine Line);
    void AddFinding(TFinding F, TCheckLine Line);
    void AddFinding(TFinding F, const AnsiString &Name, TCheckLine Line);
    void AddFinding(TFinding F, const AnsiString &First, const AnsiString &Second, TCheckLine Line);
    bool ReadLines(const AnsiString &Path, std::vector<AnsiString> &Lines);
    void ReportUnreadInclude(const AnsiString &Path, TCheckLine Line);
    AnsiString EditorLine(int Index) const;
    void FeedLine(const AnsiString &Line, TCheckLine Index);

    // ---- HTML line processing
    void ProcessLine(TCheckLine i);
    bool OpenSection(const AnsiString &tag, bool open, TCheckLine i);
    bool FindSectionEnd(const AnsiString &tag, bool OpenNow, TCheckLine i, size_t &CloseInTag);
    void ProcessPageTag(const AnsiString &tag, TCheckLine i);
    AnsiString NextTag(bool &Continued, TCheckLine i);
    void HandOn(const AnsiString &Text, TCheckLine Line);
    void ScanServerBlocks(AnsiString Text, TCheckLine Line);
    void AppendServerCode(AnsiString Text, TCheckLine Line);
    void WriteServer(const AnsiString &Text);
    void ProcessEventAttributes(AnsiString Tag, TCheckLine Line);
    void DeclareScriptEventParams(AnsiString Tag, TCheckLine i);
    void ProcessForm(const AnsiString &Tag, TCheckLine i);
    void ProcessObjectTag(const AnsiString &Tag, TCheckLine i);
    void AddHTMLName(const AnsiString &Name, const AnsiString &Tag, TCheckLine FirstLine, bool Radio);

    // ---- includes
    bool NextIncludeNumber(int32_t &N, TCheckLine Line);
    void NoteInclude(int32_t N, const AnsiString &Name);
    // Open: the main window opens the file in a tab (and says whether it holds unsaved changes).
    AnsiString ResolvePath(const AnsiString &Path, bool &Changed, TCheckLine Line, bool Open);
    bool ProcessScriptSrc(AnsiString Tag, TCheckLine i);
    void ProcessProjectFiles(const AnsiString &FileName, TCheckLine LineCount);
    void AddServerInclude(const AnsiString &Path, TCheckLine i);
    void FindServerInclude(const AnsiString &Text, TCheckLine i);

    // ---- cross-reference pass
    void CrossReference();

    IIncludeHost *FMain;
    std::unique_ptr<TJSParser> FParser;
    TCheckerLists FLists;
    TNavTreeBuilder FNav;

    // Options of the run.
    TCheckOptions FOpt;

    // State of the run.
    bool FInScript = false, FInInclude = false, FIgnoreSection = false, FJSMode = false, FTagSelfClosed = false,
         FInComment = false, FASPMode = false, FServerJScript = false, FNoServerCode = true, FTagLineFree = true,
         FServerPass = false, FServerScript = false, FServerCodeMark = false, FSectionOpenedOnLine = false;
    int FSectionCount = 0, FOpenForms = 0, FUnnamedForms = 0, FScriptTags = 0;
    int32_t FIncludeCount = 0, FTagLines = 0, FServerLines = 0;
    TCheckLine FCommentLine, FServerFirstLine, FServerStartLine, FServerLastLine, FTagLine;
    size_t FScanPos = 0;
    AnsiString FCurrentLine, FPendingTag, FFormName, FFileName;
    bool FPendingTagDropped = false;
    bool FContinued = false; // the last line ended inside a tag

    const ICheckDocument *FEditor = nullptr;
    WideString FEditorFileName;
    TStrings *FResultsBox = nullptr;
    TStrings *FIncludes = nullptr;
    TStrings *FServerIncludes = nullptr;
    TStringList FOwnIncludes, FOwnServerIncludes; // used when the caller hands no lists

    // Lists the parser does not share.
    TZSStringList FObjects; // OBJECT and APPLET names and ids
    TLineList FHTMLNames; // NAME/ID values
    TLineList FEventHandlers; // leading name of each handler
    TLineList FEventTexts; // "event handler-text"
    TZSStringList FForms; // FORM names and ids
    TZSStringList FBuiltInMembers;
    TExactIndex FFormIndex, FObjectIndex; // name lookups in the lists above
    struct TQueuedInclude {
        AnsiString Path;
        int32_t N = 0;
        TCheckLine Line; // 0-based line of the tag that queued it
    };
    std::vector<TQueuedInclude> FEmbeds;
    std::vector<TQueuedInclude> FServerIncludeQueue;
    struct TServerStream {
        int32_t N = 0;
        TCheckLine FirstLine;
        bool HasFirstLine = false;
        std::string Code;
    };
    std::vector<TServerStream> FIncludeStreams;
    std::string FServerCode;
    std::string *FServerStream = &FServerCode; // the current server stream
};
