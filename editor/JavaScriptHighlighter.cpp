#include "editor/JavaScriptHighlighter.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr unsigned char LF = 10;
constexpr unsigned char CR = 13;

// The routine that scans a token, chosen by its first byte.
enum TScanner : uint8_t {
    scEol,
    scLineBreak,
    scSpace,
    scIdentifier,
    scNumber,
    scDoubleQuote,
    scSingleQuote,
    scDirective,
    scSlash,
    scLess,
    scInvalid,
    scSymbol,
};

constexpr std::array<uint8_t, 256> MakeScannerTable()
{
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        uint8_t s = scSymbol;
        if (c == 0)
            s = scEol;
        else if (c == LF || c == CR)
            s = scLineBreak;
        else if (c <= 32)
            s = scSpace;
        else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
            s = scIdentifier;
        else if (c >= '0' && c <= '9')
            s = scNumber;
        else if (c == '"')
            s = scDoubleQuote;
        else if (c == '\'')
            s = scSingleQuote;
        else if (c == '#')
            s = scDirective;
        else if (c == '/')
            s = scSlash;
        else if (c == '<')
            s = scLess;
        else if (c == '$' || c == '\\' || c == '`' || c == '@' || c >= 127)
            s = scInvalid;
        t[size_t(c)] = s;
    }
    return t;
}
constexpr std::array<uint8_t, 256> ScannerTable = MakeScannerTable();

constexpr bool IsWordChar(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

constexpr std::array<bool, 256> MakeWordTable()
{
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[size_t(c)] = IsWordChar((unsigned char)c);
    return t;
}
constexpr std::array<bool, 256> WordTable = MakeWordTable();

// Characters that continue a number. The decimal separator is always '.'.
constexpr std::array<bool, 256> MakeNumberTable()
{
    std::array<bool, 256> t{};
    for (int c = '0'; c <= '9'; ++c)
        t[size_t(c)] = true;
    for (int c = 'A'; c <= 'F'; ++c)
        t[size_t(c)] = true;
    for (int c = 'a'; c <= 'f'; ++c)
        t[size_t(c)] = true;
    for (unsigned char c : {'L', 'l', 'U', 'u', 'X', 'x', '.'})
        t[c] = true;
    return t;
}
constexpr std::array<bool, 256> NumberTable = MakeNumberTable();

constexpr int MaxKeywordHash = 181;

const char *const Keywords[] = {
    "if",
    "do",
    "in",
    "NaN",
    "case",
    "Date",
    "char",
    "find",
    "name",
    "java",
    "catch",
    "for",
    "break",
    "var",
    "callee",
    "eval",
    "else",
    "new",
    "home",
    "Math",
    "int",
    "self",
    "final",
    "false",
    "bool",
    "package",
    "long",
    "void",
    "open",
    "top",
    "escape",
    "byte",
    "delete",
    "blur",
    "caller",
    "class",
    "float",
    "close",
    "this",
    "isNaN",
    "Object",
    "watch",
    "goto",
    "alert",
    "while",
    "null",
    "with",
    "closed",
    "double",
    "try",
    "Array",
    "true",
    "frames",
    "public",
    "focus",
    "Boolean",
    "Packages",
    "boolean",
    "length",
    "stop",
    "const",
    "default",
    "native",
    "static",
    "Number",
    "opener",
    "RegExp",
    "parent",
    "write",
    "menubar",
    "print",
    "super",
    "short",
    "confirm",
    "scroll",
    "finally",
    "moveBy",
    "switch",
    "valueOf",
    "throw",
    "interface",
    "toolbar",
    "netscape",
    "abstract",
    "String",
    "unescape",
    "typeof",
    "window",
    "moveTo",
    "import",
    "location",
    "unwatch",
    "private",
    "extends",
    "isFinite",
    "return",
    "document",
    "prompt",
    "status",
    "writeln",
    "continue",
    "throws",
    "Function",
    "parseInt",
    "function",
    "Infinity",
    "scrollBy",
    "protected",
    "instanceof",
    "resizeBy",
    "history",
    "locationbar",
    "scrollTo",
    "parseFloat",
    "resizeTo",
    "arguments",
    "innerHeight",
    "transient",
    "scrollbars",
    "toString",
    "statusbar",
    "personalbar",
    "innerWidth",
    "pageXOffset",
    "pageYOffset",
    "implements",
    "Enumerator",
    "outerHeight",
    "ActiveXObject",
    "clearInterval",
    "outerWidth",
    "clearTimeout",
    "routeEvent",
    "setInterval",
    "setTimeout",
    "prototype",
    "releaseEvents",
    "synchronized",
    "constructor",
    "captureEvents",
    "defaultStatus",
};

// Reserved words by hash value.
const std::array<std::vector<std::string_view>, MaxKeywordHash + 1> &KeywordBuckets()
{
    static const auto buckets = [] {
        std::array<std::vector<std::string_view>, MaxKeywordHash + 1> b;
        for (const char *k : Keywords) {
            const std::string_view w(k);
            const int h =
                TJavaScriptHighlighter::KeywordHash(reinterpret_cast<const unsigned char *>(w.data()), int(w.size()));
            if (h >= 0 && h <= MaxKeywordHash)
                b[size_t(h)].push_back(w);
        }
        return b;
    }();
    return buckets;
}

} // namespace

TJavaScriptHighlighter::TJavaScriptHighlighter()
{
    const char *names[10] = {"assembler",     "comment", "preprocessor", "identifier", "illegal char",
                             "reserved word", "number",  "space",        "String",     "symbol"};
    for (size_t i = 0; i < FAttributes.size(); ++i) {
        FAttributes[i] = std::make_unique<THighlightAttributes>(names[i]);
        WatchAttribute(*FAttributes[i]);
    }
    CommentAttributes().SetStyle(hfsItalic);
    KeyAttributes().SetStyle(hfsBold);
    SpaceAttributes().SetForeground(HighlightWindowColor);
    SetDefaultFilter("Javascript files (*.js, *.htm, *.html)|*.js;*.htm;*.html");
    KeywordBuckets();
}

TJavaScriptHighlighter::~TJavaScriptHighlighter() = default;

AnsiString TJavaScriptHighlighter::GetLanguageName() const
{
    return "Javascript";
}

int TJavaScriptHighlighter::GetAttribCount() const
{
    return int(FAttributes.size());
}

THighlightAttributes *TJavaScriptHighlighter::GetAttribute(int Index) const
{
    if (Index < 0 || Index >= GetAttribCount())
        return nullptr;
    return FAttributes[size_t(Index)].get();
}

TSyntaxHighlighter::TIdentChars TJavaScriptHighlighter::GetIdentChars() const
{
    TIdentChars set;
    for (int c = 0; c < 256; ++c)
        if (WordTable[size_t(c)])
            set.set(size_t(c));
    return set;
}

int TJavaScriptHighlighter::KeywordHash(const unsigned char *Word, int Length)
{
    int h = 0;
    for (int i = 0; i < Length; ++i) {
        const unsigned char c = Word[i];
        if (c >= 'A' && c <= 'Z')
            h += c - 'A' + 1;
        else if (c >= 'a' && c <= 'z')
            h += c - 95;
    }
    return h;
}

bool TJavaScriptHighlighter::IsKeyword(const unsigned char *Word, int Length)
{
    const int h = KeywordHash(Word, Length);
    if (h > MaxKeywordHash)
        return false;
    for (std::string_view k : KeywordBuckets()[size_t(h)])
        if (int(k.size()) == Length && std::memcmp(k.data(), Word, size_t(Length)) == 0)
            return true;
    return false;
}

// ---- line and range

void TJavaScriptHighlighter::SetLine(const WideChar *Text, int Length, bool Flag)
{
    FLine.Assign(Text, Length);
    FRun = 0;
    FEolReached = false;
    FRegexAllowed = true;
    Next();
    if (Flag)
        FRun = 0;
}

void TJavaScriptHighlighter::SetLineNoRange(const WideChar *Text, int Length)
{
    FLine.Assign(Text, Length);
    FRun = 0;
    FTokenPos = 0;
    FEolReached = false;
    FRegexAllowed = true;
    Next();
    FRange = jrNormal;
}

int32_t TJavaScriptHighlighter::GetRange()
{
    return FRange;
}

void TJavaScriptHighlighter::SetRange(int32_t Value)
{
    FRange = Value == jrComment ? jrComment : jrNormal;
}

void TJavaScriptHighlighter::ResetRange()
{
    FRange = jrNormal;
}

bool TJavaScriptHighlighter::SaveCheckpoint(THighlightCheckpoint &Point) const
{
    if (GetEol())
        return false;
    Point.Position = FRun;
    Point.Horizon = FLine.Horizon();
    Point.State.fill(0);
    Point.State[0] = FRange;
    Point.State[1] = FRegexAllowed ? 1 : 0;
    return true;
}

bool TJavaScriptHighlighter::ResumeLine(const WideChar *Text, int Length, const THighlightCheckpoint &Point)
{
    if (!Text || Point.Position < 0 || Point.Position > Length)
        return false;
    FLine.Assign(Text, Length, Point.Position, Point.Horizon);
    FRun = Point.Position;
    FEolReached = false;
    SetRange(Point.State[0]);
    FRegexAllowed = Point.State[1] != 0;
    Next();
    return true;
}

bool TJavaScriptHighlighter::GetEol() const
{
    return FTokenKind == jtEol || !FLine.Assigned();
}

int TJavaScriptHighlighter::GetTokenPos() const
{
    return FTokenPos;
}

WideString TJavaScriptHighlighter::GetToken() const
{
    if (!FLine.Assigned() || FRun <= FTokenPos)
        return WideString();
    return WideString(FLine.Text() + FTokenPos, size_t(FRun - FTokenPos));
}

const THighlightAttributes *TJavaScriptHighlighter::AttributeOfKind(int32_t Kind) const
{
    switch (Kind) {
    case jtAsm: return &AsmAttributes();
    case jtComment: return &CommentAttributes();
    case jtDirective: return &DirecAttributes();
    case jtIdentifier: return &IdentifierAttributes();
    case jtKey: return &KeyAttributes();
    case jtNumber: return &NumberAttributes();
    case jtSpace: return &SpaceAttributes();
    case jtString: return &StringAttributes();
    case jtSymbol: return &SymbolAttributes();
    case jtInvalid: return &InvalidAttributes();
    default: return nullptr;
    }
}

void TJavaScriptHighlighter::GetTokenInfo(TTokenInfo &Info)
{
    if (!FLine.Assigned())
        return;
    Info.Token = FLine.Text() ? FLine.Text() + FTokenPos : nullptr;
    Info.Kind = FTokenKind;
    Info.Start = FTokenPos;
    Info.Length = FRun - FTokenPos;
    if (const THighlightAttributes *a = AttributeOfKind(FTokenKind))
        FillColors(Info, *a);
}

void TJavaScriptHighlighter::Next()
{
    if (!FLine.Assigned())
        return;
    FTokenPos = FRun;
    if (FRange == jrComment) {
        ScanCommentContinuation();
        return;
    }
    FRange = jrNormal;
    switch (ScannerTable[FLine[FRun]]) {
    case scEol: ScanEol(); break;
    case scLineBreak: ScanLineBreak(); break;
    case scSpace: ScanSpace(); break;
    case scIdentifier: ScanIdentifier(); break;
    case scNumber: ScanNumber(); break;
    case scDoubleQuote: ScanString('"'); break;
    case scSingleQuote: ScanString('\''); break;
    case scDirective: ScanDirective(); break;
    case scSlash: ScanSlash(); break;
    case scLess: ScanLess(); break;
    case scInvalid: ScanInvalid(); break;
    default: ScanSymbol(); break;
    }
    if (FTokenKind != jtSpace && FTokenKind != jtComment && FTokenKind != jtEol)
        FRegexAllowed = RegexMayFollow();
}

bool TJavaScriptHighlighter::RegexMayFollow() const
{
    const unsigned char *word = FLine.ReadBytes() + FTokenPos;
    const int length = FRun - FTokenPos;
    if (FTokenKind == jtSymbol)
        return !(length == 1 && (word[0] == ')' || word[0] == ']'));
    if (FTokenKind != jtKey)
        return false;
    static const char *const operandWords[] = {"return", "typeof", "in",         "case", "delete", "void",
                                               "throw",  "new",    "instanceof", "else", "do"};
    for (const char *w : operandWords)
        if (static_cast<int>(std::strlen(w)) == length && std::memcmp(w, word, static_cast<size_t>(length)) == 0)
            return true;
    return false;
}

int TJavaScriptHighlighter::RegexLength() const
{
    bool inClass = false;
    for (int i = FRun + 1;; ++i) {
        const unsigned char c = FLine[i];
        if (c == 0 || c == LF || c == CR)
            return 0;
        if (c == '\\') {
            const unsigned char n = FLine[i + 1];
            if (n == 0 || n == LF || n == CR)
                return 0;
            ++i;
        } else if (c == '[') {
            inClass = true;
        } else if (c == ']') {
            inClass = false;
        } else if (c == '/' && !inClass) {
            if (i == FRun + 1)
                return 0; // "//" is a comment
            ++i;
            while (WordTable[FLine[i]])
                ++i; // the flags
            return i - FRun;
        }
    }
}

// ---- scanners

void TJavaScriptHighlighter::ScanEol()
{
    FTokenKind = jtEol;
    FEolReached = true;
}

void TJavaScriptHighlighter::ScanLineBreak()
{
    FTokenKind = jtSpace;
    if (FLine[FRun] == CR && FLine[FRun + 1] == LF)
        FRun += 2;
    else
        ++FRun;
}

void TJavaScriptHighlighter::ScanSpace()
{
    FTokenKind = jtSpace;
    ++FRun;
    for (;;) {
        const unsigned char c = FLine[FRun];
        if (c == 0 || c == LF || c == CR || c > 32)
            break;
        ++FRun;
    }
}

void TJavaScriptHighlighter::ScanIdentifier()
{
    const int start = FRun;
    while (WordTable[FLine[FRun]])
        ++FRun;
    FTokenKind = IsKeyword(FLine.ReadBytes() + start, FRun - start) ? jtKey : jtIdentifier;
}

void TJavaScriptHighlighter::ScanNumber()
{
    FTokenKind = jtNumber;
    ++FRun;
    for (;;) {
        const unsigned char c = FLine[FRun];
        if (!NumberTable[c] || (c == '.' && FLine[FRun + 1] == '.'))
            break;
        ++FRun;
    }
}

void TJavaScriptHighlighter::ScanString(unsigned char Quote)
{
    FTokenKind = jtString;
    if (Quote == '"' && FLine[FRun + 1] == '"' && FLine[FRun + 2] == '"')
        FRun += 2;
    do {
        const unsigned char c = FLine[FRun];
        if (c == 0 || c == LF || c == CR)
            break;
        if (c == '\\') {
            // An escaped quote, an escaped backslash and a line continuation are content.
            const unsigned char n = FLine[FRun + 1];
            if (n == Quote || n == '\\' || (Quote == '"' && n == LF))
                ++FRun;
        }
        ++FRun;
    } while (FLine[FRun] != Quote);
    if (FRun < FLine.Length())
        ++FRun; // the closing quote, or the line break that ended an open string
}

void TJavaScriptHighlighter::RunToLineEnd()
{
    for (;;) {
        const unsigned char c = FLine[FRun];
        if (c == 0 || c == LF || c == CR)
            break;
        ++FRun;
    }
}

void TJavaScriptHighlighter::ScanDirective()
{
    FTokenKind = jtDirective;
    RunToLineEnd();
}

void TJavaScriptHighlighter::ScanCommentBody()
{
    for (;;) {
        const unsigned char c = FLine[FRun];
        if (c == 0 || c == LF || c == CR)
            return;
        if (c == '*' && FLine[FRun + 1] == '/') {
            FRun += 2;
            FRange = jrNormal;
            return;
        }
        ++FRun;
    }
}

void TJavaScriptHighlighter::ScanCommentContinuation()
{
    const unsigned char c = FLine[FRun];
    if (c == 0) {
        ScanEol();
        return;
    }
    if (c == LF || c == CR) {
        ScanLineBreak();
        return;
    }
    FTokenKind = jtComment;
    ScanCommentBody();
}

void TJavaScriptHighlighter::ScanSlash()
{
    const unsigned char n = FLine[FRun + 1];
    if (n == '*') {
        FTokenKind = jtComment;
        FRange = jrComment;
        FRun += 2;
        ScanCommentBody();
    } else if (n == '/') {
        FTokenKind = jtComment;
        FRun += 2;
        RunToLineEnd();
    } else if (const int length = FRegexAllowed ? RegexLength() : 0) {
        // A regular-expression literal reads as a string: quotes and "#" inside it are
        // part of it.
        FTokenKind = jtString;
        FRun += length;
    } else {
        FTokenKind = jtSymbol;
        FRun += n == '=' ? 2 : 1;
    }
}

void TJavaScriptHighlighter::ScanLess()
{
    const unsigned char n = FLine[FRun + 1];
    if (n == '!') {
        if (FLine[FRun + 2] == '-') {
            FTokenKind = jtComment;
            FRun += 3;
            RunToLineEnd();
        } else {
            FTokenKind = jtInvalid;
            FRun += 2;
        }
        return;
    }
    FTokenKind = jtSymbol;
    if (n == '<')
        FRun += FLine[FRun + 2] == '=' ? 3 : 2;
    else
        FRun += n == '=' ? 2 : 1;
}

void TJavaScriptHighlighter::ScanInvalid()
{
    FTokenKind = jtInvalid;
    // A character outside the basic plane is one token, both of its halves.
    const WideChar *t = FLine.Text();
    if (t && FLine[FRun + 1] == 0x80 && t[FRun] >= 0xD800 && t[FRun] <= 0xDBFF && t[FRun + 1] >= 0xDC00 &&
        t[FRun + 1] <= 0xDFFF)
        FRun += 2;
    else
        ++FRun;
}

void TJavaScriptHighlighter::ScanSymbol()
{
    FTokenKind = jtSymbol;
    const unsigned char c = FLine[FRun];
    const unsigned char n = FLine[FRun + 1];
    int len = 1;
    switch (c) {
    case '!':
    case '%':
    case '*':
    case '^':
    case '=': len = n == '=' ? 2 : 1; break;
    case '&': len = n == '&' || n == '=' ? 2 : 1; break;
    case '+': len = n == '+' || n == '=' ? 2 : 1; break;
    case '-': len = n == '-' || n == '=' || n == '>' ? 2 : 1; break;
    case '|': len = n == '|' || n == '=' ? 2 : 1; break;
    case ':': len = n == ':' ? 2 : 1; break;
    case '.': len = n == '.' && FLine[FRun + 2] == '.' ? 3 : 1; break;
    case '>':
        if (n == '>')
            len = FLine[FRun + 2] == '=' ? 3 : 2;
        else
            len = n == '=' ? 2 : 1;
        break;
    default: break;
    }
    FRun += len;
}
