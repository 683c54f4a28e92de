#pragma once
// The script checker-parser. The file checker feeds it one piece of script at a time (a script section of
// a page, a whole .js file, an include, the code of an event handler, server-side code) and asks it to
// parse each piece; the parser fills the symbol model and the shared lists, grows the navigation tree
// through the host, and stores findings, which it finally sorts and appends to the findings list.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "checker/CheckerLists.h"
#include "checker/FindingRecord.h"
#include "checker/JSLexer.h"
#include "checker/MessageSink.h"
#include "checker/NamedList.h"
#include "checker/ParserHost.h"
#include "text/ZSStrUtils.h"
#include "platform/StringList.h"

class TJSFunction;
class TJSFunctionCall;
class TStream;

// Section codes of Parse.
enum : int32_t {
    scJSFile = -1, // -1 to -99: a whole .js file
    scInclude = -999999, // any other negative value: an include file
    scInline = -99000000, // event-handler code or server-side code
};

// Statement results.
enum : int {
    srBlock = 50,
    srVar = 51,
    srEmpty = 52,
    srExpression = 53,
    srIf = 54,
    srWhile = 55,
    srFor = 56,
    srContinue = 58,
    srBreak = 59,
    srReturn = 60,
    srWith = 61,
    srTry = 62,
    srThrow = 63,
    srDo = 64,
    srSwitch = 65,
    srLabelled = 66,
    srFunction = 138,
};

// Expression results (other codes pass on the token's).
enum : int {
    erCreateElement = 206,
    erAssignment = 301,
    erConditional = 302,
    erLogical = 303,
    erBitwise = 304,
    erEquality = 305,
    erRelational = 306,
    erShift = 307,
    erMultiplicative = 308,
    erAdditive = 309,
    erThis = 310,
    erNull = 311,
    erUndefined = 312,
    erTrue = 313,
    erFalse = 314,
    erIdentifier = 315,
    erDecimal = 316,
    erInteger = 317,
    erString = 318,
    erCall = 319,
    erMember = 320,
    erIndex = 321,
    erNew = 322,
    erPrefix = 326,
    erPostfix = 327,
    erUnary = 328,
    erRegExp = 329,
    erArray = 330,
    erSetTimeout = 341,
};

// The deepest nesting of statements and expressions a piece may have; deeper input gets one finding.
constexpr int kMaxParseDepth = 200;

class TJSParser : public IMessageSink {
public:
    TJSParser(TCheckerLists &Lists, IParserHost *Host);
    ~TJSParser() override;
    TJSParser(const TJSParser &) = delete;
    TJSParser &operator=(const TJSParser &) = delete;

    // ---- driving protocol
    void ClearSource();
    void AddSourceLine(const AnsiString &Text);
    void AddSourceLine(const WideChar *Text, size_t Length) { FLexer.AddLine(Text, Length); }
    void ReserveSource(size_t Bytes) { FLexer.ReserveSource(Bytes); }
    void LoadSourceFromStream(TStream &Stream);
    void SetStartLine(TCheckLine Line);
    // Starts include piece K at its line 1; false (with one finding) when K is no include number.
    bool SetIncludeStart(int32_t K);
    void InitMessages(TStrings *Items);
    void ResetCounts();
    void ResetInlineTotals();
    void ResetSectionCounts();
    void ResetState();
    void Parse(int32_t SectionCode, TRecordList<TJSFunction> &Functions, bool JSON, bool Deprecated, bool ECMA, bool SemiColon,
               bool RepeatDec, bool Summary, bool WarnNoVar, bool NoWarnings, TStrings *Items);
    // Sets the options of the next findings without parsing (a run sets them before its first piece).
    void SetOptions(bool JSON, bool Deprecated, bool ECMA, bool SemiColon, bool RepeatDec, bool Summary, bool WarnNoVar,
                    bool NoWarnings);
    void AddMessage(const std::string &Text, int Severity, int Code, TCheckLine Line) override;
    // Sorts the findings and appends their lines to Items and, line for line, their records to Records
    // (moved there: the stored findings keep their lines only).
    void ShowMessages(TStrings *Items, std::vector<TFindingRecord> *Records = nullptr);
    void AddSummary();

    // ---- read access
    TCheckLine CurrentLine() const { return FLexer.GetLine(); }
    bool OptRepeatDec() const { return FRepeatDec; }
    bool InElse() const { return FElseFlag; }
    int ErrorCount() const { return FErrors; }
    int WarningCount() const { return FWarnings; }
    int HintCount() const { return FHints; }
    int MessageCount() const { return static_cast<int>(FMessages.size()); }
    // The stored line: its sort key and the line as shown.
    AnsiString StoredMessage(int Index) const { return FMessages[Index].Key + FMessages[Index].Shown; }
    TJSPLexer &Lexer() { return FLexer; }

private:
    struct Token {
        int Code = tkEnd;
        AnsiString Text;
        AnsiString ThisText;
        TCheckLine Line;
        bool Call = false;
        bool Err = false;
    };

    // ---- findings store
    void StoreMessage(const AnsiString &Text, int32_t Line, TFindingRecord Record);

    // ---- token fetch
    Token Fetch();
    int NextToken();
    int PeekToken();
    const Token &Look();
    void CheckSemicolon();
    void Recover(bool SkipParen);
    void SkipToSemicolon();
    void SkipLineTo(int A, int B, int C);
    void Abort();
    bool Aborted() const { return FAborted; }

    // ---- statements
    bool ParseSourceElement();
    // MemberValue: the value of an object-literal member, which reports an empty body as a declaration does.
    bool ParseFunction(bool Required, const AnsiString &Name, bool Expression = false, bool MemberValue = false);
    int ParseBlock();
    int ParseStatementList();
    int ParseObjectLiteral(const AnsiString &Target);
    // An object literal with whatever operators, members or indexes follow it.
    int ParseObjectOperand(const AnsiString &Target, AnsiString &Text);
    int ParseStatement();
    int ParseVar();
    int ParseIf();
    int ParseLoop();
    int ParseFor();
    int ParseSwitch();
    int ParseTry();
    int ParseBrowserStatement(bool Conditional);
    int ParseExpressionList(bool Statement, AnsiString &Text);
    // A loop condition: a failed parse is reported as Fail and recovered from; an assignment where a test
    // is expected gets warning 26.
    void ParseCondition(AnsiString &Text, TFinding Fail);
    void ReportCondition(int Result, TFinding Fail);
    int ParseExpressionStatement();
    void DeclareGlobal(const AnsiString &Name, TCheckLine Line, int ValueCode, const AnsiString &ValueText, bool Report);
    void DeclareLocal(const AnsiString &Name, TCheckLine Line, int ValueCode, const AnsiString &ValueText, bool Report);
    TJSFunction *CurrentFunction() const;
    // A variable or parameter of that name is visible here (open functions, then globals).
    bool IsDeclaredInScope(const AnsiString &Name) const;

    // ---- expressions
    int ParseAssignment(bool Statement, AnsiString &Text);
    int ParseConditional(AnsiString &Text);
    int ParseBinary(int Level, AnsiString &Text);
    int ParseUnary(AnsiString &Text);
    int ParsePostfix(AnsiString &Text);
    int ParseMember(AnsiString &Text);
    int ParseNew(AnsiString &Text);
    int ParsePrimary(AnsiString &Text);
    // Parses "( ... )"; returns the argument texts in parentheses.
    // Browser: the call of a statement that begins with "alert", "write", "writeln" or a browser function word.
    AnsiString ParseArguments(const AnsiString &Callee, TCheckLine Line, TJSFunctionCall *Call, bool Dom = false,
                              bool Browser = false);
    int ParseArrayLiteral(AnsiString &Text);
    int ParseInherits(AnsiString &Text);
    bool IsValueToken(int Code) const;
    bool IsMemberNameToken(int Code) const;

    // ---- name rules and recording
    // Records a call; returns the call made (null when the name is not recorded).
    TJSFunctionCall *RecordCall(const AnsiString &Name, TCheckLine Line);
    void AddCallArguments(TJSFunctionCall *Call, const std::vector<std::pair<AnsiString, int>> &Arguments);
    void RecordHtmlObject(const AnsiString &Path, TCheckLine Line);
    void RecordReference(const AnsiString &Name, int ResultCode);
    void RecordAssignmentTarget(const AnsiString &Target, int Op, int RhsCode, const AnsiString &RhsText, TCheckLine Line);
    void AddNewRecord(const AnsiString &Variable, const AnsiString &Constructor, TCheckLine Line);
    void PropagateNewRecord(const AnsiString &Source, const AnsiString &Target, TCheckLine Line);
    void RecordWithObject(const AnsiString &Text, TCheckLine Line);
    void ScanStringForNames(const AnsiString &Text, TCheckLine Line);
    // A prototype record made in the current scope; a dotted name that goes through a prototype.
    void AddPrototypeInstance(TPrototypeKind Kind, const AnsiString &Object, const AnsiString &Member, TCheckLine Line);
    void AddPrototypePath(const AnsiString &Name, TCheckLine Line);
    AnsiString AnonymousName();
    // The function being parsed (its index), -1 at top level.
    int32_t Scope() const;

public:
    // Name rules, public for the tests and the later passes.
    bool IsPredefinedGlobal(const AnsiString &Name) const;
    static bool HasMemberSuffix(const AnsiString &Name);
    static bool IsWholeWordIn(const AnsiString &Word, const AnsiString &Text);
    int ClassifyPath(const AnsiString &Text);
    static bool IsEventProperty(const AnsiString &Text);
    static bool IsComplexName(const AnsiString &Text);

private:
    friend class TDepthGuard;

    TCheckerLists &FLists;
    IParserHost *FHost;
    TJSPLexer FLexer;
    // The functions being parsed, innermost last.
    struct TOpenFunction {
        AnsiString Name;
        int Index = -1; // in the function list
        TNavNode Node = nullptr; // its tree node
    };
    std::vector<TOpenFunction> FOpenFunctions;
    TZSStringList FNames; // member names of an object literal given to a global "var"
    TRecordList<TJSFunction> *FFunctions = nullptr;
    // The new-records made (variable, constructor and scope), and the first of each variable and scope, as
    // its position in NewRecords; NewRecordsSeen is the list's length when they were last brought up to
    // date (another length: the list was refilled, they are made afresh).
    std::unordered_set<AnsiString> FNewRecordKeys;
    std::unordered_map<AnsiString, int> FFirstNewRecord;
    size_t FNewRecordsSeen = 0;
    void SyncNewRecords();
    int FirstNewRecord(const AnsiString &Variable, int32_t Scope);

    struct TStoredFinding {
        AnsiString Key; // sorts real findings by line, then the totals and the summary
        AnsiString Shown; // the line as the list shows it
        TFindingRecord Record;
    };
    std::vector<TStoredFinding> FMessages;
    TStrings *FItems = nullptr;

    int32_t FSectionCode = 0;
    TCheckLine FStartLine;
    bool FNoWarnings = false, FWarnNoVar = false, FSummary = false, FRepeatDec = false, FSemiColon = false,
         FECMA = false, FDeprecated = false, FJSON = false;

    int FErrors = 0, FWarnings = 0, FHints = 0;
    int FSemiTotal = 0, FSemiPiece = 0, FSemiInline = 0;
    int FTokensPiece = 0, FTokensInline = 0;
    int FArgumentsCount = 0;
    TCheckLine FArgumentsLine;

    int FBraceDepth = 0, FFunctionStartDepth = 0, FIfDepth = 0, FLoopDepth = 0, FSwitchDepth = 0;
    int FFunctionDepth = 0;
    int FFunctionIndex = 0; // index + 1 of the function being parsed, 0 at top level
    int FParentIndex = -1;
    int FStall = 0;
    bool FGoOn = true;
    bool FAborted = false;
    int FDepth = 0;
    int FAnonymousCount = 0;
    bool FIncludeLimitReported = false;
    uint64_t FConsumed = 0; // tokens consumed since creation: proves loops advance

    Token FCur, FLook;
    bool FPeekPending = false;
    int FPrevCode = 0;
    TCheckLine FPrevLine;
    bool FPrevAccessorWord = false; // the previous token was "get" or "set"
    bool FMarkup = true;

    TNavNode FCurrentNode = nullptr;
    AnsiString FPendingTarget; // the name being declared or assigned
    AnsiString FOpenTarget; // target of "open" results
    AnsiString FPendingOwner; // function name noted by "." after a function body
    AnsiString FPendingConstructor; // constructor of the last "new"
    AnsiString FLastFunctionName; // name under which the last function was registered
    AnsiString FLastReference; // last path recorded as a reference, with its line
    TCheckLine FLastReferenceLine;
    AnsiString FWithObject;
    bool FElseFlag = false;
    bool FTerminated = false;
    bool FNoSemicolonNeeded = false;
    bool FInObjectLiteral = false;
    bool FCollectMembers = false;
    bool FEventAssignment = false;
    bool FNoIn = false; // "in" is no operator (the initialiser of a "for" header)
    AnsiString FLastAssignTarget; // left side of the last assignment parsed
    int FLabelDepth = 0; // labelled statements open: "break label" may leave any of them
    bool FPrimed = false; // a primary already consumed by the statement parser
    bool FBrowserCall = false; // the next member chain is the call of a browser statement's word
    bool FAccessor = false; // the next function is an accessor of an object literal
    int FPrimedCode = 0;
    AnsiString FPrimedText;
};

// Counts the nesting of statements and expressions; past the cap the piece is abandoned with one finding.
class TDepthGuard {
public:
    explicit TDepthGuard(TJSParser &P) : FP(P)
    {
        if (++FP.FDepth > kMaxParseDepth)
            FP.Abort();
    }
    ~TDepthGuard() { --FP.FDepth; }
    TDepthGuard(const TDepthGuard &) = delete;
    TDepthGuard &operator=(const TDepthGuard &) = delete;

private:
    TJSParser &FP;
};
