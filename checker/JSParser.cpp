// Parser object, driving protocol, findings store and token fetch.
#include "checker/JSParser.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <optional>

#include "checker/CheckerLists.h"
#include "checker/Findings.h"
#include "checker/JSModel.h"
#include "platform/Classes.h"

namespace {

// Lines of the pseudo-lines (totals and summary); they sort after every real finding.
constexpr int32_t kTotalsBase = 15000;
constexpr TCheckLine kInlineTotalsLine = 15500;
constexpr TCheckLine kSummaryLine = 16000;
constexpr size_t kKeyLength = 11;
constexpr size_t kShownLength = 200;

AnsiString Digits(int64_t Value, int Width)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, Value);
    AnsiString s(buf, res.ptr);
    if (static_cast<int>(s.size()) < Width)
        s.insert(0, Width - s.size(), '0');
    return s;
}

bool IsLiteralOrIdent(int C)
{
    return C >= tkInteger && C <= tkIdentifier;
}
// "+", "++" and "--" are not in this list: after an operator they are legal prefix operators.
// A "/" or "/=" right after an operator starts a regular expression ("a" + /b/.source), so it is no
// operator out of place.
bool IsArithmeticAfter(int C)
{
    return C == '%' || C == '*' || C == tkMulAssign || C == tkModAssign || C == tkAddAssign || C == tkSubAssign;
}
bool IsArithmeticBefore(int C)
{
    return C == '%' || C == '*' || C == '+' || C == '-' || C == '/' || (C >= tkMulAssign && C <= tkSubAssign);
}
bool IsDomWord(int C)
{
    return C == tkIdentifier || (C >= tkWindow && C <= tkDOM4) || C == tkWrite || C == tkWriteln;
}

} // namespace

TJSParser::TJSParser(TCheckerLists &Lists, IParserHost *Host) : FLists(Lists), FHost(Host), FLexer(this)
{
    FFunctions = &FLists.Functions;
}

TJSParser::~TJSParser() = default;

// ---- driving protocol

void TJSParser::ClearSource()
{
    FLexer.ClearSource();
}

void TJSParser::AddSourceLine(const AnsiString &Text)
{
    FLexer.AddLine(Text);
}

void TJSParser::LoadSourceFromStream(TStream &Stream)
{
    std::string bytes;
    Stream.SetPosition(0);
    char buf[65536];
    for (;;) {
        int64_t n = Stream.Read(buf, sizeof buf);
        if (n <= 0)
            break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    FLexer.LoadSource(bytes);
}

void TJSParser::SetStartLine(TCheckLine Line)
{
    FLexer.SetLine(Line);
}

bool TJSParser::SetIncludeStart(int32_t K)
{
    const std::optional<TCheckLine> line = TCheckLine::InInclude(K, 1);
    if (!line) {
        // reported once a check: every later include is past the limit as well
        if (!FIncludeLimitReported)
            AddFinding(fdTooManyIncludes, std::to_string(K), -1);
        FIncludeLimitReported = true;
        return false;
    }
    SetStartLine(*line);
    return true;
}

void TJSParser::InitMessages(TStrings *Items)
{
    FItems = Items;
    FMessages.clear();
    FMessages.reserve(100);
}

void TJSParser::ResetCounts()
{
    // anonymous functions are numbered through the whole check, not per section
    FAnonymousCount = 0;
    FIncludeLimitReported = false;
    // a new check fills the lists afresh
    FNewRecordKeys.clear();
    FFirstNewRecord.clear();
    FNewRecordsSeen = 0;
    FSemiTotal = 0;
    FSemiPiece = 0;
    FErrors = FWarnings = FHints = 0;
}

void TJSParser::ResetInlineTotals()
{
    FTokensInline = 0;
    FSemiInline = 0;
}

// The summary total keeps counting: every missing semicolon enters it once, whatever piece it is in.
void TJSParser::ResetSectionCounts()
{
    FSemiPiece = 0;
}

void TJSParser::ResetState()
{
    FBraceDepth = 0;
    FStall = 0;
    FSemiPiece = 0;
    FGoOn = true;
    FLexer.Rewind();
    FFunctionIndex = 0;
    FTerminated = false;
    FNoSemicolonNeeded = false;
}

TJSFunction *TJSParser::CurrentFunction() const
{
    return FFunctionIndex > 0 && FFunctions ? FFunctions->At(FFunctionIndex - 1) : nullptr;
}

void TJSParser::SetOptions(bool JSON, bool Deprecated, bool ECMA, bool SemiColon, bool RepeatDec, bool Summary,
                           bool WarnNoVar, bool NoWarnings)
{
    FJSON = JSON;
    FDeprecated = Deprecated;
    FECMA = ECMA;
    FSemiColon = SemiColon;
    FRepeatDec = RepeatDec;
    FSummary = Summary;
    FWarnNoVar = WarnNoVar;
    FNoWarnings = NoWarnings;
}

void TJSParser::Parse(int32_t SectionCode, TRecordList<TJSFunction> &Functions, bool JSON, bool Deprecated, bool ECMA,
                      bool SemiColon, bool RepeatDec, bool Summary, bool WarnNoVar, bool NoWarnings, TStrings *Items)
{
    FItems = Items;
    SetOptions(JSON, Deprecated, ECMA, SemiColon, RepeatDec, Summary, WarnNoVar, NoWarnings);
    FSectionCode = SectionCode;
    FFunctions = &Functions;
    FStartLine = FLexer.GetLine();

    FPeekPending = false;
    FTokensPiece = 0;
    FArgumentsCount = 0;
    FFunctionDepth = 0;
    FIfDepth = 0;
    FLoopDepth = 0;
    FSwitchDepth = 0;
    FPrevCode = 0;
    FPrevLine = FStartLine;
    FLexer.Rewind();
    FOpenFunctions.clear();
    FGoOn = true;
    FAborted = false;
    FDepth = 0;
    FCurrentNode = nullptr;
    FFunctionIndex = 0;
    FParentIndex = -1;
    FFunctionStartDepth = FBraceDepth;
    FTerminated = false;
    FNoSemicolonNeeded = false;
    FPendingTarget.clear();
    FOpenTarget.clear();
    FWithObject.clear();
    FElseFlag = false;
    FMarkup = true;
    FInObjectLiteral = false;
    FCur = Token();
    FCur.Line = FStartLine;
    FLastReference.clear();

    PeekToken();
    while (PeekToken() != tkEnd && FGoOn) {
        const uint64_t start = FConsumed;
        if (!ParseSourceElement()) {
            if (PeekToken() == tkElse && FIfDepth < 0) {
                AddFinding(fdElseWithoutAnIf, FLook.Line);
                NextToken();
            } else if (FBraceDepth < 0) {
                AddFinding(fdExtraClosingBlockSymbolFound, Look().Line);
                NextToken();
                FBraceDepth = 0;
            } else if (FErrors == 0) {
                AddFinding(fdUnrecognisedSymbolFound, Look().Line);
            }
            Recover(true);
        }
        if (FConsumed != start)
            FStall = 0;
        else if (PeekToken() != tkEnd)
            ++FStall;
        if (FStall > 0)
            FGoOn = false;
    }
    if (!FGoOn && !FAborted && PeekToken() != tkEnd)
        AddFinding(fdParsingStoppedCorrectPreviousError, -1);
    if (FBraceDepth > 0 && !FAborted)
        AddFinding(fdUnclosedBlocks, std::to_string(FBraceDepth), -1);

    if (FSummary) {
        if (SectionCode == scInline) {
            FTokensInline += FTokensPiece;
        } else {
            AnsiString head;
            int64_t lines = FLexer.GetLine() - FStartLine;
            TCheckLine line;
            if (SectionCode >= 0) {
                head = "Javascript section#" + std::to_string(SectionCode) + " had ";
                line = kTotalsBase + SectionCode;
            } else if (SectionCode >= -99) {
                head = "Javascript file had ";
                ++lines;
                line = kTotalsBase - 1;
            } else {
                head = "Javascript include file#" + std::to_string(FStartLine.Include()) + " had ";
                ++lines;
                line = kTotalsBase;
            }
            AnsiString text = head + std::to_string(lines) + " lines, " + std::to_string(FTokensPiece) + " tokens";
            if (FSemiPiece > 0)
                text += ", " + std::to_string(FSemiPiece) + " missing semicolons";
            AddMessage(text, sevPlain, 0, line);
        }
    }
    if (SectionCode >= 0)
        ResetState();
}

// ---- findings store

void TJSParser::AddMessage(const std::string &Text, int Severity, int Code, TCheckLine Line)
{
    if (FNoWarnings && (Severity == sevHint || Severity == sevWarning))
        return;
    const TCheckLine at = Line == kCurrentLine ? FLexer.GetLine() : Line;
    const int32_t line = at.Line();
    TFindingRecord record;
    record.Code = Code;
    record.Severity = Severity;
    record.Text = Text;
    AnsiString suffix;
    if (Severity != sevPlain) {
        record.Location = at;
        if (at.IsInclude()) {
            record.File = FHost ? FHost->GetIncludeName(at.Include() - 1) : AnsiString();
            suffix = " of Include; " + record.File;
        }
    }
    AnsiString stored;
    switch (Severity) {
    case sevHint:
        stored = "Hint on line " + std::to_string(line) + suffix + ", " + Text;
        ++FHints;
        break;
    case sevWarning:
        stored = "Warning on line " + std::to_string(line) + suffix + ", " + Text;
        ++FWarnings;
        break;
    case sevError:
        stored = "Syntax error on line " + std::to_string(line) + suffix + ", " + Text;
        ++FErrors;
        break;
    default:
        stored = Text;
        record.Code = 0;
        break;
    }
    // Real findings carry their code wherever they are; only the totals and summary lines go without one,
    // and those sort after every real finding.
    if (Severity == sevPlain) {
        FMessages.push_back({"1" + Digits(line, kKeyLength - 1), stored, std::move(record)});
        return;
    }
    StoreMessage(stored, line, std::move(record));
}

void TJSParser::StoreMessage(const AnsiString &Text, int32_t Line, TFindingRecord Record)
{
    AnsiString prefix = "(" + Digits(std::clamp(Record.Code, 0, 255), 3) + ") ";
    FMessages.push_back({"0" + Digits(std::max<int32_t>(Line, 0), kKeyLength - 1), prefix + Text, std::move(Record)});
}

void TJSParser::ShowMessages(TStrings *Items, std::vector<TFindingRecord> *Records)
{
    if (FSummary && FTokensInline > 0) {
        AnsiString text = "Inline code had " + std::to_string(FTokensInline) + " tokens";
        if (FSemiInline > 0)
            text += ", " + std::to_string(FSemiInline) + " missing semicolons";
        AddMessage(text, sevPlain, 0, kInlineTotalsLine);
    }
    std::stable_sort(FMessages.begin(), FMessages.end(),
                     [](const TStoredFinding &A, const TStoredFinding &B) { return A.Key < B.Key; });
    if (!Items)
        return;
    if (Records)
        Records->reserve(Records->size() + FMessages.size());
    for (TStoredFinding &m : FMessages) {
        Items->Add(m.Shown.size() > kShownLength ? m.Shown.substr(0, kShownLength) : m.Shown);
        if (Records) // the list's records are the only ones read from here on
            Records->push_back(std::move(m.Record));
    }
}

void TJSParser::AddSummary()
{
    if (!FSummary)
        return;
    if (FSemiTotal <= 0 && FErrors <= 0 && FWarnings <= 0 && FHints <= 0)
        return;
    AnsiString text = "Summary: ";
    bool first = true;
    auto part = [&](int N, const char *What) {
        if (N <= 0)
            return;
        if (!first)
            text += ", ";
        text += std::to_string(N) + What;
        first = false;
    };
    part(FSemiTotal, " missing semicolons");
    part(FErrors, " syntax errors");
    part(FWarnings, " warnings");
    part(FHints, " hints.");
    AddMessage(text, sevPlain, 0, kSummaryLine);
}

// ---- token fetch

void TJSParser::Abort()
{
    if (FAborted)
        return;
    AddFinding(fdNestingTooDeepRestOf, -1);
    FAborted = true;
    FGoOn = false;
    FLook = Token();
    FLook.Line = FLexer.GetLine();
    FPeekPending = true;
}

TJSParser::Token TJSParser::Fetch()
{
    Token t;
    if (FAborted) {
        t.Line = FLexer.GetLine();
        return t;
    }
    TJSLexToken lt;
    TCheckLine line;
    do {
        FLexer.GetToken(line, lt, FJSON, FMarkup, FECMA);
    } while (lt.Code == tkServerOpen || lt.Code == tkServerClose);
    t.Code = lt.Code;
    t.Text = std::move(lt.Text);
    t.ThisText = std::move(lt.ThisText);
    t.Line = lt.Line;
    t.Call = lt.CallFlag;
    t.Err = lt.ErrorFlag;

    bool reported = false;
    if (!t.Err && t.Code != tkEnd && FPrevCode != 0 && t.Line == FPrevLine) {
        // in an object literal "get name" and "set name" begin an accessor
        const bool accessor = FPrevAccessorWord && FInObjectLiteral;
        if (IsLiteralOrIdent(t.Code) && IsLiteralOrIdent(FPrevCode) && !accessor) {
            AddFinding(fdMissingSymbolOrOperatorBetween, t.Line);
            reported = true;
        } else if (IsArithmeticAfter(t.Code) && IsArithmeticBefore(FPrevCode)) {
            AddFinding(fdMissingIdentifierOrLiteralBetween, t.Line);
            reported = true;
        } else if (IsDomWord(t.Code) && IsDomWord(FPrevCode) && !accessor) {
            AddFinding(fdMissingBetweenDomElementsOr, t.Line);
            reported = true;
        } else if (t.Code == '=' && (FPrevCode == '!' || FPrevCode == '<' || FPrevCode == '>')) {
            AddFinding(fdInvalidSpaceBetweenComparisonSymbols, t.Line);
            reported = true;
        }
    }
    if (!reported && t.Code == tkString)
        ScanStringForNames(t.Text, t.Line);
    FPrevCode = t.Code;
    FPrevLine = t.Line;
    FPrevAccessorWord = t.Code == tkIdentifier && (t.Text == "get" || t.Text == "set");
    if (t.Code == '}')
        --FBraceDepth;
    else if (t.Code == tkIf)
        ++FIfDepth;
    else if (t.Code == tkElse)
        --FIfDepth;
    return t;
}

int TJSParser::NextToken()
{
    if (FPeekPending) {
        FCur = std::move(FLook);
        FPeekPending = false;
        if (FAborted) { // keep the end token in view
            FLook = FCur;
            FPeekPending = true;
        }
    } else {
        FCur = Fetch();
    }
    if (FCur.Code != tkEnd) {
        ++FConsumed;
        ++FTokensPiece;
    }
    if (FCur.Code == tkIdentifier && FCur.Text == "arguments") {
        ++FArgumentsCount;
        FArgumentsLine = FCur.Line;
    }
    return FCur.Code;
}

int TJSParser::PeekToken()
{
    if (!FPeekPending) {
        FLook = Fetch();
        FPeekPending = true;
    }
    return FLook.Code;
}

const TJSParser::Token &TJSParser::Look()
{
    PeekToken();
    return FLook;
}

void TJSParser::CheckSemicolon()
{
    if (FTerminated) {
        FTerminated = false;
        return;
    }
    int n = PeekToken();
    if (n == ';') {
        NextToken();
        return;
    }
    if (FNoSemicolonNeeded) {
        FNoSemicolonNeeded = false;
        return;
    }
    if (n == '}' || n == tkEnd || FLook.Line > FCur.Line) {
        // Reported where the statement ends, which is the line before the next token in the usual layout.
        if (FSemiColon)
            AddFinding(fdMissingSemicolon, FCur.Line);
        ++FSemiTotal;
        ++FSemiPiece;
        if (FSectionCode == scInline)
            ++FSemiInline;
    }
}

void TJSParser::Recover(bool SkipParen)
{
    const TCheckLine line = Look().Line;
    for (;;) {
        int n = PeekToken();
        if (n == ')' || n == ';' || n == tkEnd || FLook.Line != line)
            break;
        NextToken();
    }
    if (SkipParen && PeekToken() == ')')
        NextToken();
}

void TJSParser::SkipToSemicolon()
{
    for (;;) {
        int n = NextToken();
        if (n == ';' || n == tkEnd)
            break;
    }
}

void TJSParser::SkipLineTo(int A, int B, int C)
{
    const TCheckLine line = FCur.Line;
    for (;;) {
        int n = PeekToken();
        if (n == A || n == B || n == C || n == tkEnd || FLook.Line != line)
            break;
        NextToken();
    }
}
