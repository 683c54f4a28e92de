#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"

#include <cstring>
#include <limits>

namespace {

constexpr unsigned char LF = 10;
constexpr unsigned char CR = 13;

enum : uint8_t {
    cfNameStart = 1, // A-Z, _, a-z and the letter-like bytes 0x80-0xA5
    cfNameChar = 2, // a name start, '-' or a digit
    cfEscaped = 4, // may follow a backslash inside a name
    cfSpace = 8, // tab, LF, CR, blank
    cfDigit = 16,
    cfHex = 32,
    cfLetter = 64, // A-Z, a-z
};

constexpr std::array<uint8_t, 256> MakeClasses()
{
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        uint8_t f = 0;
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (letter)
            f |= cfLetter;
        if (digit)
            f |= cfDigit;
        if (digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))
            f |= cfHex;
        if (letter || c == '_' || (c >= 0x80 && c <= 0xA5))
            f |= cfNameStart | cfNameChar;
        if (c == '-' || digit)
            f |= cfNameChar;
        if ((c >= 0x20 && c <= 0x7E) || (c >= 0x80 && c <= 0xA5))
            f |= cfEscaped;
        if (c == 9 || c == LF || c == CR || c == ' ')
            f |= cfSpace;
        t[size_t(c)] = f;
    }
    return t;
}
constexpr std::array<uint8_t, 256> Classes = MakeClasses();

inline bool Has(unsigned char c, uint8_t f)
{
    return (Classes[c] & f) != 0;
}

// What each rule produces: its token kind and the start state it switches to (0: none).
struct TRuleAction {
    int32_t Kind;
    int32_t NewState;
};
constexpr TRuleAction RuleActions[37] = {
    {htText, 0}, // 0  text
    {htNumber, 0}, // 1  &#169;
    {htString, 0}, // 2  &amp;
    {htScript, hsScript}, // 3  <script
    {htTag, 0}, // 4  <name>
    {htComment, hsDeclaration}, // 5  <!
    {htComment, hsComment}, // 6  <!--
    {htTag, hsTag}, // 7  <name
    {htTag, hsTag}, // 8  <ns:name
    {htTag, hsText}, // 9  </name>
    {htTag, hsText}, // 10 </ns:name>
    {htSpace, 0}, // 11 blanks in a tag
    {htName, 0}, // 12 attribute name
    {htSymbol, hsValue}, // 13 =
    {htTag, hsText}, // 14 >
    {htParam, 0}, // 15 other run in a tag
    {htSpace, 0}, // 16 blanks before a value
    {htNumber, hsTag}, // 17 10 or 50%
    {htNumber, hsTag}, // 18 "10" or "50%"
    {htNumber, hsTag}, // 19 #ff0000
    {htNumber, hsTag}, // 20 "#ff0000"
    {htNumber, hsTag}, // 21 10px
    {htNumber, hsTag}, // 22 "10px"
    {htURL, hsTag}, // 23 http://...
    {htURL, hsTag}, // 24 "ftp://..."
    {htString, hsTag}, // 25 "" or ''
    {htString, hsTag}, // 26 'single'
    {htString, hsTag}, // 27 "double"
    {htName, hsTag}, // 28 unquoted value
    {htDocType, 0}, // 29 doctype ...
    {htComment, 0}, // 30 declaration text
    {htComment, hsText}, // 31 > ending a declaration
    {htComment, 0}, // 32 comment text
    {htComment, hsText}, // 33 > ending a comment
    {htScript, hsText}, // 34 script text ending in </script>
    {htScript, 0}, // 35 script text
    {htEnd, 0}, // 36 end of the line
};
constexpr int RuleText = 0;
constexpr int RuleScriptText = 35;
constexpr int RuleEnd = 36;

} // namespace

THTMLHighlighter::THTMLHighlighter()
{
    const char *names[13] = {"identifier", "number",    "space", "string",  "comment", "symbol", "keyword",
                             "unknown",    "parameter", "URL",   "doctype", "name",    "script"};
    for (size_t i = 0; i < FAttributes.size(); ++i) {
        FAttributes[i] = std::make_unique<THighlightAttributes>(names[i]);
        WatchAttribute(*FAttributes[i]);
    }
    SetDefaultFilter("HTML files (*.htm, *.html)|*.htm;*.html");
    ResetRange();
}

THTMLHighlighter::~THTMLHighlighter()
{
    SetJavaScriptHighLighter(nullptr);
}

AnsiString THTMLHighlighter::GetLanguageName() const
{
    return "HTML";
}

int THTMLHighlighter::GetAttribCount() const
{
    return int(FAttributes.size());
}

THighlightAttributes *THTMLHighlighter::GetAttribute(int Index) const
{
    if (Index < 0 || Index >= GetAttribCount())
        return nullptr;
    return FAttributes[size_t(Index)].get();
}

TSyntaxHighlighter::TIdentChars THTMLHighlighter::GetIdentChars() const
{
    TIdentChars set;
    for (int c = 0; c < 256; ++c)
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
            set.set(size_t(c));
    return set;
}

// ---- link to the JavaScript highlighter

void THTMLHighlighter::SetJavaScriptHighLighter(TSyntaxHighlighter *Value)
{
    // Another HTML highlighter would hand script lines back and forth without end.
    if (dynamic_cast<THTMLHighlighter *>(Value))
        return;
    if (Value == FJavaScript)
        return;
    if (FJavaScript)
        RemoveFreeNotification(FJavaScript);
    FJavaScript = Value;
    FDelegating = false;
    if (FJavaScript)
        FreeNotification(FJavaScript);
}

void THTMLHighlighter::Notification(TSyntaxHighlighter *Destroyed)
{
    if (Destroyed == FJavaScript) {
        FJavaScript = nullptr;
        FDelegating = false;
    }
}

// ---- range

void THTMLHighlighter::SetStartState(int32_t State)
{
    // The odd twins of the start states (after a line feed) scan alike.
    FStartState = State >= hsText && State <= hsScript + 1 ? (State & ~1) : hsText;
}

int32_t THTMLHighlighter::GetRange()
{
    if (FStartState == hsScript && FJavaScript) {
        const int64_t r = int64_t(FJavaScript->GetRange()) * 1000 + hsScript;
        if (r >= 0 && r <= std::numeric_limits<int32_t>::max())
            return int32_t(r);
    }
    return FStartState;
}

void THTMLHighlighter::SetRange(int32_t Value)
{
    FDelegating = false;
    SetStartState(Value >= 0 ? Value % 1000 : hsText);
    if (FStartState == hsScript && FJavaScript)
        FJavaScript->SetRange(Value / 1000);
}

void THTMLHighlighter::ResetRange()
{
    FStartState = hsText;
    FDelegating = false;
}

// ---- line

namespace {
unsigned char ByteOf(const WideChar *Text, int Length, int Index)
{
    if (Index < 0 || Index >= Length)
        return 0;
    const WideChar c = Text[Index];
    return c >= 0x100 ? 0x80 : c == 0 ? 0x01 : (unsigned char)c;
}

bool LettersAtRaw(const WideChar *Text, int Length, int P, const char *Pattern)
{
    for (int i = 0; Pattern[i]; ++i) {
        const unsigned char b = ByteOf(Text, Length, P + i);
        const unsigned char c = (unsigned char)Pattern[i];
        if (c >= 'a' && c <= 'z' ? (b | 0x20) != c : b != c)
            return false;
    }
    return true;
}

// The index of the first '<' at or after From, Length when there is none. Four characters
// are tested at a time.
int FindLess(const WideChar *Text, int Length, int From)
{
    constexpr uint64_t ones = 0x0001000100010001ull, highs = 0x8000800080008000ull;
    int i = From;
    for (; i + 4 <= Length; i += 4) {
        uint64_t w;
        std::memcpy(&w, Text + i, 8);
        w ^= 0x003C003C003C003Cull;
        if (((w - ones) & ~w & highs) != 0)
            break;
    }
    for (; i < Length; ++i)
        if (Text[i] == u'<')
            return i;
    return Length;
}
} // namespace

bool THTMLHighlighter::HasScriptTag(const WideChar *Text, int Length, int32_t ScriptRange)
{
    bool open = false;
    for (int i = FindLess(Text, Length, 0); i < Length; i = FindLess(Text, Length, i + 1)) {
        if (LettersAtRaw(Text, Length, i, "</script"))
            return true;
        if (LettersAtRaw(Text, Length, i, "<script"))
            open = true;
    }
    return open && !ScriptTagsQuoted(Text, Length, ScriptRange);
}

bool THTMLHighlighter::ScriptTagsQuoted(const WideChar *Text, int Length, int32_t ScriptRange)
{
    // Inside a script block, "<script" in a string, a regular expression or a comment of
    // the script (document.write("<script ...")) opens no tag: the line stays script.
    if (!FJavaScript)
        return false;
    const int n = Length;
    const int32_t range = FJavaScript->GetRange();
    FJavaScript->SetRange(ScriptRange);
    FJavaScript->SetLine(Text, n, false);
    bool quoted = true;
    int from = 0;
    while (quoted && !FJavaScript->GetEol()) {
        TTokenInfo token;
        FJavaScript->GetTokenInfo(token);
        const bool inside = token.Kind == jtString || token.Kind == jtComment;
        for (int i = from; i < token.Start + token.Length && quoted; ++i)
            if (Text[i] == u'<' && LettersAtRaw(Text, n, i, "<script") && (!inside || i + 7 > token.Start + token.Length))
                quoted = false;
        from = token.Start + token.Length;
        FJavaScript->Next();
    }
    for (int i = from; i < n && quoted; ++i)
        if (Text[i] == u'<' && LettersAtRaw(Text, n, i, "<script"))
            quoted = false;
    FJavaScript->SetRange(range);
    return quoted;
}

void THTMLHighlighter::ResetScanner()
{
    FPosition = 0;
    FCovered = 0;
    FTokenStart = 0;
    FTokenEnd = 0;
    FTokenKind = htUnmatched;
    FHasPending = false;
}

void THTMLHighlighter::SetLine(const WideChar *Text, int Length, bool)
{
    FLine.Assign(Text, Length);
    // Whether the line holds a script tag matters only to a line that starts inside a script
    // block (it is handed over to the script scanner whole when it holds none).
    FScriptTagChecked = FStartState == hsScript;
    FLineScriptRange = FJavaScript ? FJavaScript->GetRange() : 0;
    FLineHasScriptTag = FScriptTagChecked && HasScriptTag(FLine.Text(), FLine.Length(), FLineScriptRange);
    FDelegating = false;
    // The script part of a line that starts outside a script block, or that holds a script
    // tag, begins in the JavaScript highlighter's default range; a line wholly inside a
    // block goes on in the range the previous line left.
    if (FJavaScript && (FStartState != hsScript || FLineHasScriptTag))
        FJavaScript->ResetRange();
    ResetScanner();
    ScanToken();
}

void THTMLHighlighter::SetLineNoRange(const WideChar *Text, int Length)
{
    SetLine(Text, Length, false);
    FStartState = hsText;
}

// Checkpoint state: positions count from the checkpoint's position.
namespace {
enum : size_t {
    cpStartState,
    cpPosition,
    cpCovered,
    cpPending,
    cpPendingStart,
    cpPendingEnd,
    cpPendingKind,
    cpFlags,
    cpLineScriptRange,
    cpScriptRange,
    cpScriptState, // the script scanner's own state while it has the line, two values
};
enum : int32_t { cfChecked = 1, cfHasTag = 2, cfDelegating = 4 };
} // namespace

bool THTMLHighlighter::SaveCheckpoint(THighlightCheckpoint &Point) const
{
    if (!FLine.Assigned() || GetEol())
        return false;
    Point.State.fill(0);
    if (Delegating()) {
        THighlightCheckpoint script;
        if (!FJavaScript->SaveCheckpoint(script))
            return false;
        Point.Position = script.Position;
        Point.Horizon = std::max(script.Horizon, FLine.Horizon());
        Point.State[cpScriptState] = script.State[0];
        Point.State[cpScriptState + 1] = script.State[1];
    } else {
        Point.Position = FCovered;
        Point.Horizon = FLine.Horizon();
    }
    auto &s = Point.State;
    s[cpStartState] = FStartState;
    // While the script scanner has the line, this scanner stands at the line's end.
    s[cpPosition] = Delegating() ? 0 : FPosition - Point.Position;
    s[cpCovered] = Delegating() ? 0 : FCovered - Point.Position;
    s[cpPending] = FHasPending ? 1 : 0;
    s[cpPendingStart] = FHasPending ? FPendingStart - Point.Position : 0;
    s[cpPendingEnd] = FHasPending ? FPendingEnd - Point.Position : 0;
    s[cpPendingKind] = FHasPending ? FPendingKind : 0;
    s[cpFlags] = (FScriptTagChecked ? cfChecked : 0) | (FLineHasScriptTag ? cfHasTag : 0) |
                 (Delegating() ? cfDelegating : 0);
    s[cpLineScriptRange] = FScriptTagChecked ? FLineScriptRange : 0;
    s[cpScriptRange] = FJavaScript && !Delegating() ? FJavaScript->GetRange() : 0;
    return true;
}

bool THTMLHighlighter::ResumeLine(const WideChar *Text, int Length, const THighlightCheckpoint &Point)
{
    const auto &s = Point.State;
    const bool delegating = (s[cpFlags] & cfDelegating) != 0;
    if (!Text || Point.Position < 0 || Point.Position > Length || (delegating && !FJavaScript))
        return false;
    const bool checked = (s[cpFlags] & cfChecked) != 0;
    const bool hasTag = (s[cpFlags] & cfHasTag) != 0;
    // The script-tag check depends on the whole line: made again, it must come out the same.
    if (checked && HasScriptTag(Text, Length, s[cpLineScriptRange]) != hasTag)
        return false;
    FLine.Assign(Text, Length, Point.Position, Point.Horizon);
    FScriptTagChecked = checked;
    FLineHasScriptTag = hasTag;
    FLineScriptRange = s[cpLineScriptRange];
    FStartState = s[cpStartState];
    FPosition = Point.Position + s[cpPosition];
    FCovered = Point.Position + s[cpCovered];
    FHasPending = s[cpPending] != 0;
    FPendingStart = Point.Position + s[cpPendingStart];
    FPendingEnd = Point.Position + s[cpPendingEnd];
    FPendingKind = s[cpPendingKind];
    FTokenStart = FTokenEnd = FCovered;
    FTokenKind = htUnmatched;
    FDelegating = delegating;
    if (delegating) {
        FPosition = Length;
        SetToken(0, Length, htScript);
        THighlightCheckpoint script;
        script.Position = Point.Position;
        script.Horizon = Point.Horizon;
        script.State[0] = s[cpScriptState];
        script.State[1] = s[cpScriptState + 1];
        return FJavaScript->ResumeLine(Text, Length, script);
    }
    if (FJavaScript)
        FJavaScript->SetRange(s[cpScriptRange]);
    ScanToken();
    return true;
}

bool THTMLHighlighter::GetEol() const
{
    if (Delegating())
        return FJavaScript->GetEol();
    return FTokenKind == htEnd;
}

WideString THTMLHighlighter::GetToken() const
{
    if (Delegating())
        return FJavaScript->GetToken();
    if (!FLine.Text() || FTokenEnd <= FTokenStart)
        return WideString();
    return WideString(FLine.Text() + FTokenStart, size_t(FTokenEnd - FTokenStart));
}

int THTMLHighlighter::GetTokenEnd() const
{
    if (Delegating())
        return FJavaScript->GetTokenEnd();
    return FTokenEnd;
}

int THTMLHighlighter::GetTokenPos() const
{
    if (Delegating())
        return FJavaScript->GetTokenPos();
    return FTokenStart;
}

const THighlightAttributes *THTMLHighlighter::AttributeOfKind(int32_t Kind) const
{
    switch (Kind) {
    case htUnmatched:
    case htText: return &IdentifierAttributes();
    case htDocType: return &DocTypeAttributes();
    case htNumberAlt:
    case htNumber: return &NumberAttributes();
    case htTag: return &KeyAttributes();
    case htComment: return &CommentAttributes();
    case htName: return &NameAttributes();
    case htScript: return &ScriptAttributes();
    case htString: return &StringAttributes();
    case htSymbol: return &SymbolAttributes();
    case 267:
    case 268:
    case 270:
    case 271: return &UnknownAttributes();
    case htParam: return &ParamAttributes();
    case htURL: return &URLAttributes();
    case htSpace: return &SpaceAttributes();
    default: return nullptr;
    }
}

void THTMLHighlighter::GetTokenInfo(TTokenInfo &Info)
{
    if (Delegating()) {
        FJavaScript->GetTokenInfo(Info);
        return;
    }
    if (!FLine.Assigned())
        return;
    Info.Token = FLine.Text() ? FLine.Text() + FTokenStart : nullptr;
    Info.Kind = FTokenKind;
    Info.Start = FTokenStart;
    Info.Length = FTokenEnd - FTokenStart;
    if (const THighlightAttributes *a = AttributeOfKind(FTokenKind))
        FillColors(Info, *a);
}

void THTMLHighlighter::Next()
{
    if (Delegating())
        FJavaScript->Next();
    else if (FLine.Assigned())
        ScanToken();
}

void THTMLHighlighter::SetToken(int Start, int End, int32_t Kind)
{
    FTokenStart = Start;
    FTokenEnd = End;
    FTokenKind = Kind;
    FCovered = End;
}

void THTMLHighlighter::ScanToken()
{
    if (FHasPending) {
        FHasPending = false;
        SetToken(FPendingStart, FPendingEnd, FPendingKind);
        return;
    }
    const int n = FLine.Length();
    if (FPosition == 0 && n > 0 && FStartState == hsScript && FJavaScript && !FLineHasScriptTag &&
        FLine[0] != LF) {
        // A line wholly inside a script block (no script tag in it, so the script rule takes
        // it to its end or to its first line feed): the JavaScript highlighter takes it over,
        // starting in the range the block has reached.
        FPosition = n;
        SetToken(0, n, htScript);
        FDelegating = true;
        FJavaScript->SetLine(FLine.Text(), n, false);
        return;
    }
    for (;;) {
        const int p = FPosition;
        TMatch m;
        if (p >= n) {
            m.Rule = RuleEnd;
        } else {
            switch (FStartState) {
            case hsTag: m = MatchTag(p); break;
            case hsValue: m = MatchValue(p); break;
            case hsDeclaration: m = MatchDeclaration(p); break;
            case hsComment: m = MatchComment(p); break;
            case hsScript: m = MatchScript(p); break;
            default: m = MatchText(p); break;
            }
        }
        if (m.Rule < 0) {
            // No rule matches: the character is skipped. The last character of the line
            // becomes a token of its own, together with any skipped before it, and the
            // next line starts in the text state.
            if (p + 1 >= n) {
                FPosition = n;
                FStartState = hsText;
                SetToken(FCovered, n, htUnmatched);
                return;
            }
            FPosition = p + 1;
            continue;
        }
        FPosition = m.Rule == RuleEnd ? n : p + m.Length;
        const TRuleAction &action = RuleActions[m.Rule];
        if (action.NewState)
            FStartState = action.NewState;

        int start = p;
        // A '<' that started no tag is shown with the text or tag that follows it.
        if (m.Rule == RuleText && start > FCovered && FLine[start - 1] == '<')
            --start;
        if (FLine[start] == '<')
            while (start > FCovered && FLine[start - 1] == '<')
                --start;
        if (start > FCovered) {
            // Characters no rule matched come first, as plain text.
            FHasPending = true;
            FPendingStart = start;
            FPendingEnd = FPosition;
            FPendingKind = action.Kind;
            SetToken(FCovered, start, htUnmatched);
            return;
        }
        SetToken(start, FPosition, action.Kind);
        return;
    }
}

// ---- rules

bool THTMLHighlighter::LettersAt(int P, const char *Pattern) const
{
    for (int i = 0; Pattern[i]; ++i) {
        const unsigned char b = FLine[P + i];
        const unsigned char c = (unsigned char)Pattern[i];
        if (c >= 'a' && c <= 'z' ? (b | 0x20) != c : b != c)
            return false;
    }
    return true;
}

int THTMLHighlighter::NameCharRun(int P) const
{
    int i = P;
    for (;;) {
        const unsigned char b = FLine[i];
        if (Has(b, cfNameChar))
            ++i;
        else if (b == '\\' && Has(FLine[i + 1], cfEscaped))
            i += 2;
        else
            return i - P;
    }
}

int THTMLHighlighter::NameLength(int P) const
{
    const unsigned char b = FLine[P];
    if (Has(b, cfNameStart))
        return 1 + NameCharRun(P + 1);
    if (b == '\\' && Has(FLine[P + 1], cfEscaped))
        return 2 + NameCharRun(P + 2);
    return 0;
}

THTMLHighlighter::TMatch THTMLHighlighter::MatchText(int P) const
{
    TMatch m;
    const int n = FLine.Length();
    const unsigned char c = FLine[P];
    if (c != '&' && c != '<') {
        int i = P + 1;
        while (i < n && FLine[i] != '&' && FLine[i] != '<')
            ++i;
        m.Offer(0, i - P);
        return m;
    }
    if (c == '&') {
        if (FLine[P + 1] == '#') {
            int i = P + 2;
            while (Has(FLine[i], cfDigit))
                ++i;
            if (i > P + 2)
                m.Offer(1, i - P + (FLine[i] == ';' ? 1 : 0));
        } else {
            int i = P + 1;
            while (Has(FLine[i], cfLetter))
                ++i;
            if (i > P + 1)
                m.Offer(2, i - P + (FLine[i] == ';' ? 1 : 0));
        }
        return m;
    }
    // '<': it opens a tag only before an ASCII letter (or "/" and one, or "!"); before anything else,
    // such as the blank of "i < n" or a letter past ASCII, it is text.
    const auto tagNameAt = [this](int Q) { return Has(FLine[Q], cfLetter) ? NameLength(Q) : 0; };
    const bool script = LettersAt(P + 1, "script");
    if (script)
        m.Offer(3, 7);
    const int k = tagNameAt(P + 1);
    const unsigned char after = FLine[P + 1 + k];
    // "<script>" opens a script block like "<script" with attributes does.
    if (k > 0 && after == '>' && !(script && k == 6))
        m.Offer(4, k + 2);
    if (FLine[P + 1] == '!') {
        m.Offer(5, 2);
        if (FLine[P + 2] == '-' && FLine[P + 3] == '-')
            m.Offer(6, 4);
    }
    if (k > 0) {
        m.Offer(7, k + 1);
        if (after == ':') {
            const int k2 = NameLength(P + 2 + k);
            if (k2 > 0)
                m.Offer(8, k + 2 + k2);
        }
    }
    if (FLine[P + 1] == '/') {
        const int k1 = tagNameAt(P + 2);
        if (k1 > 0) {
            const unsigned char next = FLine[P + 2 + k1];
            m.Offer(9, 2 + k1 + (next == '>' ? 1 : 0));
            if (next == ':') {
                const int k2 = NameLength(P + 3 + k1);
                if (k2 > 0 && FLine[P + 3 + k1 + k2] == '>')
                    m.Offer(10, k1 + k2 + 4);
            }
        }
    }
    return m;
}

THTMLHighlighter::TMatch THTMLHighlighter::MatchTag(int P) const
{
    TMatch m;
    const unsigned char c = FLine[P];
    if (Has(c, cfSpace)) {
        int i = P + 1;
        while (Has(FLine[i], cfSpace))
            ++i;
        m.Offer(11, i - P);
        return m;
    }
    const int k = NameLength(P);
    if (k > 0)
        m.Offer(12, k);
    if (c == '=')
        m.Offer(13, 1);
    else if (c == '>')
        m.Offer(14, 1);
    else {
        const int n = FLine.Length();
        int i = P + 1;
        while (i < n) {
            const unsigned char b = FLine[i];
            if (b == '=' || b == '>' || Has(b, cfSpace))
                break;
            ++i;
        }
        m.Offer(15, i - P);
    }
    return m;
}

THTMLHighlighter::TMatch THTMLHighlighter::MatchValue(int P) const
{
    TMatch m;
    const int n = FLine.Length();
    const unsigned char c = FLine[P];
    const unsigned char c1 = FLine[P + 1];
    if (Has(c, cfSpace)) {
        int i = P + 1;
        while (Has(FLine[i], cfSpace))
            ++i;
        m.Offer(16, i - P);
        return m;
    }
    // Runs up to (not including) a character of the stop set or the end of the line.
    auto runUntil = [&](int From, unsigned char s1, unsigned char s2) {
        int i = From;
        while (i < n && FLine[i] != s1 && FLine[i] != s2)
            ++i;
        return i - From;
    };
    auto countOf = [&](int From, uint8_t Flag) {
        int i = From;
        while (Has(FLine[i], Flag))
            ++i;
        return i - From;
    };
    const bool digit = Has(c, cfDigit);
    const bool quoteDigit = c == '"' && Has(c1, cfDigit);
    if (digit) {
        const int d = countOf(P, cfDigit);
        m.Offer(17, d + (FLine[P + d] == '%' ? 1 : 0));
    }
    if (quoteDigit) {
        int q = P + 1 + countOf(P + 1, cfDigit);
        if (FLine[q] == '%')
            ++q;
        if (FLine[q] == '"')
            m.Offer(18, q + 1 - P);
    }
    if (c == '#') {
        const int h = countOf(P + 1, cfHex);
        if (h > 0)
            m.Offer(19, 1 + h);
    }
    if (c == '"' && c1 == '#') {
        const int h = countOf(P + 2, cfHex);
        if (h > 0 && FLine[P + 2 + h] == '"')
            m.Offer(20, h + 3);
    }
    if (digit) {
        const int l = NameCharRun(P + 1);
        if (l > 0)
            m.Offer(21, 1 + l);
    }
    if (quoteDigit) {
        const int l = NameCharRun(P + 2);
        if (l > 0 && FLine[P + 2 + l] == '"')
            m.Offer(22, l + 3);
    }
    if (Has(c, cfLetter)) {
        const int s = countOf(P, cfLetter);
        if (s >= 4 && s <= 6 && LettersAt(P + s, "://")) {
            const int r = runUntil(P + s + 3, '"', '>');
            if (r > 0)
                m.Offer(23, s + 3 + r);
        }
    }
    if (c == '"' && Has(c1, cfLetter)) {
        const int s = countOf(P + 1, cfLetter);
        if (s >= 3 && s <= 6 && LettersAt(P + 1 + s, "://")) {
            const int r = runUntil(P + 1 + s + 3, '"', '>');
            if (r > 0) {
                const int len = 1 + s + 3 + r;
                m.Offer(24, len + (FLine[P + len] == '"' ? 1 : 0));
            }
        }
    }
    if ((c == '"' && c1 == '"') || (c == '\'' && c1 == '\''))
        m.Offer(25, 2);
    if (c == '\'') {
        const int r = runUntil(P + 1, '\'', '>');
        if (r > 0 && FLine[P + 1 + r] == '\'')
            m.Offer(26, r + 2);
    }
    if (c == '"') {
        const int r = runUntil(P + 1, '"', '>');
        if (r > 0)
            m.Offer(27, 1 + r + (FLine[P + 1 + r] == '"' ? 1 : 0));
    }
    if (c != '"' && c != '>') {
        int i = P + 1;
        while (i < n) {
            const unsigned char b = FLine[i];
            if (b == '"' || b == '>' || Has(b, cfSpace))
                break;
            ++i;
        }
        m.Offer(28, i - P);
    }
    return m;
}

THTMLHighlighter::TMatch THTMLHighlighter::MatchDeclaration(int P) const
{
    TMatch m;
    const int n = FLine.Length();
    if (FLine[P] == '>') {
        m.Offer(31, 1);
        return m;
    }
    int i = P + 1;
    while (i < n && FLine[i] != '>')
        ++i;
    if (i - P > 7 && LettersAt(P, "doctype"))
        m.Offer(29, i - P);
    m.Offer(30, i - P);
    return m;
}

THTMLHighlighter::TMatch THTMLHighlighter::MatchComment(int P) const
{
    // A comment ends at "-->": a ">" alone (as in "a -> b") is part of it.
    TMatch m;
    const int n = FLine.Length();
    auto endsHere = [&](int i) { return i + 2 < n && FLine[i] == '-' && FLine[i + 1] == '-' && FLine[i + 2] == '>'; };
    if (endsHere(P)) {
        m.Offer(33, 3);
        return m;
    }
    int i = P + 1;
    while (i < n && !endsHere(i))
        ++i;
    m.Offer(32, i - P);
    return m;
}

THTMLHighlighter::TMatch THTMLHighlighter::MatchScript(int P) const
{
    TMatch m;
    const int n = FLine.Length();
    if (FLine[P] == LF)
        return m;
    int end = P + 1;
    while (end < n && FLine[end] != LF)
        ++end;
    // The block ends at the first "</script>"; what follows it is scanned as text again.
    for (int i = P; i + 9 <= end; ++i)
        if (FLine[i] == '<' && LettersAt(i, "</script>")) {
            m.Offer(34, i + 9 - P);
            return m;
        }
    m.Offer(RuleScriptText, end - P);
    return m;
}
