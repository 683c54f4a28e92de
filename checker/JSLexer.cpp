#include "checker/JSLexer.h"

#include <array>
#include <climits>
#include <unordered_map>

#include "checker/Findings.h"
#include "checker/MessageSink.h"
#include "platform/CodePage.h"

namespace {

bool IsBlank(int C)
{
    return (C >= 7 && C <= 13) || C == ' ';
}
bool IsDigit(int C)
{
    return C >= '0' && C <= '9';
}
bool IsHexDigit(int C)
{
    return IsDigit(C) || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}
bool IsIdentStart(int C)
{
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '$' || C == '_';
}
bool IsIdentChar(int C)
{
    return IsIdentStart(C) || IsDigit(C);
}

struct WordEntry {
    const char *Word;
    int Code;
};

// Keywords and predefined words, then the four DOM word lists in the order they are tried: a word in two
// lists takes the first, and keywords win over every list ("open").
constexpr WordEntry kKeywords[] = {
    {"break", 133},
    {"continue", 134},
    {"delete", 135},
    {"else", 136},
    {"for", 137},
    {"function", 138},
    {"if", 139},
    {"in", 140},
    {"new", 141},
    {"open", 142},
    {"return", 143},
    {"this", 144},
    {"typeof", 145},
    {"var", 146},
    {"void", 147},
    {"while", 148},
    {"with", 149},
    {"case", 150},
    {"catch", 151},
    {"class", 152},
    {"const", 153},
    {"debugger", 154},
    {"default", 155},
    {"do", 156},
    {"enum", 157},
    {"export", 158},
    {"extends", 159},
    {"finally", 160},
    {"import", 161},
    {"super", 162},
    {"switch", 163},
    {"throw", 164},
    {"try", 165},
    {"eval", 166},
    {"null", 167},
    {"undefined", 168},
    {"true", 169},
    {"false", 170},
    {"alert", 195},
    {"window", 196},
    {"document", 197},
    {"defaultStatus", 202},
    {"status", 202},
    {"write", 203},
    {"writeln", 204},
    {"instanceof", 207},
    {"confirm", 332},
    {"escape", 333},
    {"unescape", 334},
    {"prompt", 335},
    {"parseInt", 336},
    {"parseFloat", 337},
    {"isNaN", 338},
    {"isFinite", 339},
    {"__defineGetter__", 340},
    {"__defineSetter__", 340},
    {"setTimeout", 341},
};

constexpr const char *kDOM198[] = {"color",      "all",       "disabled",       "keyCode",     "isComponentInstalled",
                                   "alinkColor", "bgColor",   "borderColor",    "location",    "cookie",
                                   "fgColor",    "linkColor", "getElementById", "title",       "URL",
                                   "style",      "href",      "button",         "useMap",      "onhelp",
                                   "onerror",    "onstop",    "onkeypress",     "ondragstart", "vlinkColor",
                                   "returnValue"};
constexpr const char *kDOM199[] = {"frames",   "history", "navigator", "anchors",  "forms",  "links",    "layers",
                                   "elements", "self",    "button",    "checkbox", "hidden", "parent",   "password",
                                   "radio",    "reset",   "select",    "submit",   "text",   "textarea", "option"};
constexpr const char *kDOM200[] = {"lastModified", "external",        "all",           "event",
                                   "Math",         "location",        "menuArguments", "dialogArguments",
                                   "srcElement",   "parentElement",   "parentNode",    "body",
                                   "accessKey",    "canHaveChildren", "closed",        "referrer"};
constexpr const char *kDOM201[] = {"close",
                                   "showHelp",
                                   "clearTimeout",
                                   "clearInterval",
                                   "setInterval",
                                   "routeEvent",
                                   "showModalDialog",
                                   "showModelessDialog",
                                   "go",
                                   "back",
                                   "forward",
                                   "addEventListener",
                                   "isComponentInstalled",
                                   "addReadRequest",
                                   "clearRequest",
                                   "doReadRequest",
                                   "getAttribute",
                                   "setAttribute",
                                   "deleteCell",
                                   "insertCell",
                                   "appendChild",
                                   "createElement",
                                   "releaseCapture",
                                   "createTextNode",
                                   "reload",
                                   "open"};

const std::unordered_map<std::string_view, int> &WordTable()
{
    static const std::unordered_map<std::string_view, int> table = [] {
        std::unordered_map<std::string_view, int> t;
        for (const auto &e : kKeywords)
            t.emplace(e.Word, e.Code);
        // emplace keeps the first entry, so earlier lists win.
        for (const char *w : kDOM198)
            t.emplace(w, 198);
        for (const char *w : kDOM199)
            t.emplace(w, 199);
        for (const char *w : kDOM200)
            t.emplace(w, 200);
        for (const char *w : kDOM201)
            t.emplace(w, 201);
        return t;
    }();
    return table;
}

} // namespace

TJSPLexer::TJSPLexer(IMessageSink *Sink) : FSink(Sink)
{
}

int TJSPLexer::WordCode(std::string_view Word, bool JSON)
{
    // "method" and "inherits" come right after the keywords, so they win over the DOM lists.
    if (Word == "method")
        return JSON ? tkMethod : tkIdentifier;
    if (Word == "inherits")
        return JSON ? tkInherits : tkIdentifier;
    const auto &t = WordTable();
    auto it = t.find(Word);
    return it == t.end() ? tkIdentifier : it->second;
}

void TJSPLexer::ClearSource()
{
    FSource.clear();
    FPos = 0;
}

void TJSPLexer::AddLine(std::string_view Text)
{
    FSource.append(Text);
    FSource.push_back('\n');
}

void TJSPLexer::AddLine(const WideChar *Text, size_t Length)
{
    const size_t at = FSource.size();
    FSource.resize(at + Length + 1);
    CodePage::WideToAnsiInto(FSource.data() + at, Text, Length);
    FSource.back() = '\n';
}

void TJSPLexer::LoadSource(std::string_view Bytes)
{
    FSource.assign(Bytes);
    FPos = 0;
    if (!FSource.empty() && FSource.back() != '\n')
        FSource.push_back('\n');
}

// The last byte of the source (the closing line feed) is never delivered: the line count of a piece is
// the count of its lines.
int TJSPLexer::Read()
{
    if (FPos + 1 >= FSource.size())
        return kEnd;
    return static_cast<unsigned char>(FSource[FPos++]);
}

void TJSPLexer::StepBack()
{
    if (FPos > 0)
        --FPos;
}

int TJSPLexer::Peek(size_t Ahead) const
{
    size_t p = FPos + Ahead;
    if (p + 1 >= FSource.size())
        return kEnd;
    return static_cast<unsigned char>(FSource[p]);
}

void TJSPLexer::NewLine()
{
    if (FLine.Line() < INT32_MAX)
        ++FLine;
}

void TJSPLexer::Report(const std::string &Text, int Severity, int Code)
{
    if (Severity == sevError)
        FErrorFlag = true;
    if (FSink)
        FSink->AddMessage(Text, Severity, Code, FLine);
}

void TJSPLexer::Report(TFinding F)
{
    const TFindingText &t = FindingText(F);
    Report(t.Text, t.Severity, t.Code);
}

void TJSPLexer::Report(TFinding F, const std::string &First, const std::string &Second)
{
    const TFindingText &t = FindingText(F);
    Report(FindingMessage(F, First, Second), t.Severity, t.Code);
}

bool TJSPLexer::AtLineStart(size_t Pos) const
{
    while (Pos > 0) {
        const char c = FSource[Pos - 1];
        if (c == '\n')
            return true;
        if (!IsBlank(static_cast<unsigned char>(c)))
            return false;
        --Pos;
    }
    return true;
}

bool TJSPLexer::SkipToLineEnd()
{
    for (;;) {
        int c = Peek();
        if (c == kEnd || c == '\n')
            return c != kEnd;
        ++FPos;
    }
}

std::string TJSPLexer::ReadHexDigits(int Count, TFinding Invalid, const char *What, TCheckLine StartLine)
{
    std::string digits;
    for (int i = 0; i < Count; ++i) {
        int c = Peek();
        if (c == kEnd) {
            Report(fdMissingClosingQuoteFor, What, std::to_string(StartLine.Line()));
            FHitEnd = true;
            return digits;
        }
        if (!IsHexDigit(c)) {
            // The offending character is left in place: a quote or line feed here still ends the literal.
            Report(Invalid);
            return digits;
        }
        digits += static_cast<char>(c);
        ++FPos;
    }
    return digits;
}

bool TJSPLexer::ScanEscape(const char *What, TCheckLine StartLine, std::string &Out, bool InRegExp, bool ECMA)
{
    int c = Read();
    if (c == kEnd) {
        Report(fdUnterminated, What);
        return false;
    }
    if (InRegExp) {
        // Regular expressions keep their escapes. "\\x" and "\\u" without their hexadecimal digits match
        // the letter itself ("/\\url\\(/"), so only complete forms are read as such.
        auto hexFollows = [&](size_t Count) {
            for (size_t k = 0; k < Count; ++k)
                if (FPos + k >= FSource.size() || !IsHexDigit(static_cast<unsigned char>(FSource[FPos + k])))
                    return false;
            return true;
        };
        if (c == 'x' && hexFollows(2)) {
            Out += "\\x";
            Out += ReadHexDigits(2, fdHexDigitsAfterX, What, StartLine);
        } else if (c == 'u' && hexFollows(4)) {
            Out += "\\u";
            Out += ReadHexDigits(4, fdHexDigitsAfterU, What, StartLine);
        } else if (c == 'c' && ECMA && Peek() == '\n') {
            Out += "\\c";
        } else {
            Out += '\\';
            Out += static_cast<char>(c);
        }
        return true;
    }
    switch (c) {
    case 'n': Out += '\n'; return true;
    case 't': Out += '\t'; return true;
    case 'v': Out += '\v'; return true;
    case 'b': Out += '\b'; return true;
    case 'r': Out += '\r'; return true;
    case 'f': Out += '\f'; return true;
    case '\\':
    case '\'':
    case '"':
    case '/':
    case '.':
    case '*':
    case '+':
    case '?':
    case '|':
    case '(':
    case ')':
    case '[':
    case ']':
    case '{':
    case '}':
    case ':':
    case ';':
    case '=':
    case 'B':
    case 'D':
    case 'S':
    case 'W':
    case 'd':
    case 's':
    case 'w': Out += static_cast<char>(c); return true;
    case 'x':
        FHitEnd = false;
        ReadHexDigits(2, fdHexDigitsAfterX, What, StartLine);
        Out += 'x';
        return !FHitEnd; // at the end the missing quote is reported already
    case 'u':
        FHitEnd = false;
        ReadHexDigits(4, fdHexDigitsAfterU, What, StartLine);
        Out += 'u';
        return !FHitEnd;
    case 'c': {
        int d = Peek();
        if (d == kEnd) {
            Report(fdMissingClosingQuoteFor, "control character escape code", std::to_string(StartLine.Line()));
            return false;
        }
        if (d < 'A' || d > 'Z') {
            Report(fdCUsedWithInvalidFollowing);
            return true; // the character stays for the literal
        }
        ++FPos;
        Out += static_cast<char>(d - 'A');
        return true;
    }
    default: break;
    }
    if (c >= '0' && c <= '7') {
        int maxDigits = c == '0' ? 4 : 3;
        int value = c - '0';
        for (int n = 1; n < maxDigits; ++n) {
            int d = Peek();
            if (d < '0' || d > '7')
                break;
            ++FPos;
            value = value * 8 + (d - '0');
        }
        if (value > 255) {
            Report(fdOctalValueBiggerThan);
            value = 0;
        }
        Out += static_cast<char>(value);
        return true;
    }
    if (c == '\n') { // a backslash before a line feed continues the literal (callers handle strings)
        NewLine();
        return true;
    }
    Report(fdUnknownEscapeSequence, std::string(1, static_cast<char>(c)));
    Out += static_cast<char>(c);
    return true;
}

void TJSPLexer::ScanString(char Quote, TJSLexToken &Tok)
{
    const TCheckLine start = FLine;
    std::string out;
    for (;;) {
        int c = Read();
        if (c == kEnd) {
            Report(fdMissingClosingQuoteFor, "string", std::to_string(start.Line()));
            break;
        }
        if (c == Quote)
            break;
        if (c == '\n') {
            Report(fdMissingStringConstantClosingQuote);
            NewLine();
            out.clear();
            break;
        }
        if (c == '\\') {
            if (Peek() == '\n') {
                ++FPos;
                NewLine();
                continue;
            }
            if (!ScanEscape("string", start, out, false, false))
                break;
            continue;
        }
        out += static_cast<char>(c);
    }
    Tok.Text = std::move(out);
}

void TJSPLexer::ScanNumber(int First, TJSLexToken &Tok)
{
    // The decimal separator is always ".", whatever the user's locale says.
    bool decimal = false;
    int c = First;
    if (c != '.') {
        while (IsDigit(Peek()))
            ++FPos;
        if (Peek() == '.') {
            ++FPos;
            decimal = true;
        }
    } else {
        decimal = true;
    }
    if (decimal)
        while (IsDigit(Peek()))
            ++FPos;
    int e = Peek();
    if (e == 'e' || e == 'E') {
        ++FPos;
        decimal = true;
        int s = Peek();
        if (s == '+' || s == '-')
            ++FPos;
        if (!IsDigit(Peek()))
            Report(fdInvalidExponentPartInA);
        while (IsDigit(Peek()))
            ++FPos;
    }
    Tok.Code = decimal ? tkDecimal : tkInteger;
}

int TJSPLexer::GetToken(TCheckLine &Line, TJSLexToken &Tok, bool JSON, bool Markup, bool ECMA)
{
    (void)ECMA;
    Tok.Text.clear();
    Tok.ThisText.clear();
    Tok.CallFlag = false;
    FErrorFlag = false;
    for (;;) {
        int c = Read();
        if (c == kEnd) {
            Tok.Code = tkEnd;
            Tok.Line = FLine;
            break;
        }
        if (c == '\n') {
            NewLine();
            continue;
        }
        if (IsBlank(c))
            continue;
        Tok.Line = FLine;
        int n = Peek();

        if (SkipComment(c, n, Markup))
            continue;
        if (c == '"' || c == '\'') {
            ScanString(static_cast<char>(c), Tok);
            Tok.Code = tkString;
            break;
        }

        // Operators of two to four characters.
        bool skipped = false;
        if (const int code = ScanOperator(c, n, skipped)) {
            Tok.Code = code;
            break;
        }
        if (skipped)
            continue;

        if (c == '#' && n == '\'') {
            // A character constant "#'c'" is checked and dropped.
            SkipCharacterConstant();
            continue;
        }
        if (c == '0' && n != '.' && n != 'e' && n != 'E') {
            const size_t start = FPos - 1;
            if (n == 'x' || n == 'X') {
                ++FPos;
                while (IsHexDigit(Peek()))
                    ++FPos;
            } else {
                while (IsDigit(Peek()))
                    ++FPos;
            }
            Tok.Code = tkInteger;
            Tok.Text.assign(FSource.data() + start, FPos - start); // the literal as written, for call argument texts
            break;
        }
        if (IsDigit(c) || (c == '.' && IsDigit(n))) {
            const size_t start = FPos - 1;
            ScanNumber(c, Tok);
            Tok.Text.assign(FSource.data() + start, FPos - start);
            break;
        }
        if (IsIdentStart(c)) {
            ScanWord(Tok, JSON);
            break;
        }
        if (c == 0 || c >= 128) {
            // Such a byte would read like the end or like a token code: report it and go on.
            Report(fdInvalidCharacterCode, std::to_string(c));
            continue;
        }
        Tok.Code = c;
        break;
    }
    Tok.ErrorFlag = FErrorFlag;
    Line = FLine;
    return Tok.Code;
}

// Comments and markup a script may hold; true when something was skipped (c is the character read, n
// the one after it).
bool TJSPLexer::SkipComment(int c, int n, bool Markup)
{
    if (c == '/' && n == '*') {
        ++FPos;
        for (;;) {
            int d = Read();
            if (d == kEnd)
                break;
            if (d == '\n')
                NewLine();
            else if (d == '*' && Peek() == '/') {
                ++FPos;
                break;
            }
        }
        return true;
    }
    if (Markup && c == ']' && n == ']' && Peek(1) == '>') {
        FPos += 2;
        return true;
    }
    if ((c == '/' && n == '/') || (c == '#' && n == '!')) {
        SkipToLineEnd();
        return true;
    }
    if (Markup && c == '<' && n == '!') {
        if (FSource.compare(FPos - 1, 9, "<![CDATA[") == 0 && FPos + 8 < FSource.size()) {
            FPos += 8;
            return true;
        }
        SkipToLineEnd();
        return true;
    }
    return false;
}

// The code of the operator of two to four characters that starts with c, n; 0 for a single character.
// Skipped: the rest of the line was a comment ("-->" first on its line).
int TJSPLexer::ScanOperator(int c, int n, bool &Skipped)
{
    int code = 0;
    auto take = [&](int Code, int Extra) {
        FPos += Extra;
        code = Code;
    };
    switch (c) {
    case '=':
        if (n == '=')
            take(Peek(1) == '=' ? tkStrictEqual : tkEqual, Peek(1) == '=' ? 2 : 1);
        break;
    case '!':
        if (n == '=')
            take(Peek(1) == '=' ? tkStrictNotEqual : tkNotEqual, Peek(1) == '=' ? 2 : 1);
        break;
    case '<':
        if (n == '=')
            take(tkLessEqual, 1);
        else if (n == '<')
            take(Peek(1) == '=' ? tkShlAssign : tkShl, Peek(1) == '=' ? 2 : 1);
        else if (n == '%')
            take(tkServerOpen, Peek(1) == '=' ? 2 : 1);
        break;
    case '>':
        if (n == '=')
            take(tkGreaterEqual, 1);
        else if (n == '>') {
            int n2 = Peek(1);
            if (n2 == '=')
                take(tkShrAssign, 2);
            else if (n2 == '>')
                take(Peek(2) == '=' ? tkUShrAssign : tkUShr, Peek(2) == '=' ? 3 : 2);
            else
                take(tkShr, 1);
        }
        break;
    case '&':
        if (n == '&')
            take(tkAndAnd, 1);
        else if (n == '=')
            take(tkAndAssign, 1);
        break;
    case '|':
        if (n == '|')
            take(tkOrOr, 1);
        else if (n == '=')
            take(tkOrAssign, 1);
        break;
    case '+':
        if (n == '+')
            take(tkPlusPlus, 1);
        else if (n == '=')
            take(tkAddAssign, 1);
        break;
    case '-':
        if (n == '-') {
            if (Peek(1) == '>' && AtLineStart(FPos - 1)) {
                // "-->" first on its line closes an old-style "<!--" around a script: the line is a comment
                Report(fdPossibleHtmlClosingCommentTag);
                SkipToLineEnd();
                Skipped = true;
                return 0;
            }
            take(tkMinusMinus, 1);
            if (Peek() == '>')
                Report(fdPossibleHtmlClosingCommentTag);
        } else if (n == '=')
            take(tkSubAssign, 1);
        break;
    case '*':
        if (n == '=')
            take(tkMulAssign, 1);
        break;
    case '/':
        if (n == '=')
            take(tkDivAssign, 1);
        break;
    case '%':
        if (n == '=')
            take(tkModAssign, 1);
        else if (n == '>')
            take(tkServerClose, 1);
        break;
    case '^':
        if (n == '=')
            take(tkXorAssign, 1);
        break;
    default: break;
    }
    return code;
}

// A character constant "#'c'" after its "#": checked and dropped.
void TJSPLexer::SkipCharacterConstant()
{
    ++FPos;
    std::string dummy;
    int d = Read();
    bool ok = true;
    if (d == '\\')
        ok = ScanEscape("string", FLine, dummy, false, false);
    else if (d == kEnd || d == '\n') {
        if (d == '\n')
            StepBack();
        ok = false;
    }
    if (ok && Peek() == '\'')
        ++FPos;
    else
        Report(fdInvalidCharacterConstant);
}

// An identifier or keyword whose first character was read; notes whether "(" follows it.
void TJSPLexer::ScanWord(TJSLexToken &Tok, bool JSON)
{
    size_t start = FPos - 1;
    while (IsIdentChar(Peek()))
        ++FPos;
    Tok.Text.assign(FSource.data() + start, FPos - start);
    for (size_t p = FPos; p + 1 < FSource.size(); ++p) {
        int b = static_cast<unsigned char>(FSource[p]);
        if (IsBlank(b))
            continue;
        Tok.CallFlag = b == '(';
        break;
    }
    Tok.Code = WordCode(Tok.Text, JSON);
    if (Tok.Code == tkThis)
        Tok.ThisText = "this";
}

int TJSPLexer::ReadRegExp(TCheckLine &Line, TJSLexToken &Tok, bool AfterAssign, bool ECMA)
{
    const TCheckLine start = FLine;
    FErrorFlag = false;
    std::string body = AfterAssign ? "=" : "";
    bool inClass = false;
    for (;;) {
        int c = Read();
        if (c == kEnd) {
            Report(fdMissingClosingQuoteFor, "regular expression", std::to_string(start.Line()));
            break;
        }
        if (c == '\n') {
            // A literal never spans lines; the line feed is left to be counted by the next token.
            StepBack();
            Report(fdMissingRegularExpressionConstantClosing);
            break;
        }
        if (c == '\\') {
            if (Peek() == '\n' || Peek() == kEnd)
                continue;
            ScanEscape("regular expression", start, body, true, ECMA);
            continue;
        }
        if (c == '[')
            inClass = true;
        else if (c == ']')
            inClass = false;
        else if (c == '/' && !inClass)
            break;
        body += static_cast<char>(c);
    }
    for (int f = Peek(); f == 'g' || f == 'i' || f == 'm'; f = Peek())
        ++FPos;
    Tok.Code = tkRegExp;
    Tok.Text = std::move(body);
    Tok.ThisText.clear();
    Tok.CallFlag = false;
    Tok.ErrorFlag = FErrorFlag;
    Line = FLine;
    return tkRegExp;
}
