#include "shell/WebUtil.h"

#include "platform/CodePage.h"
#include "platform/SysUtils.h"

namespace {

const char HexDigits[] = "0123456789ABCDEF";

const char *const EntityNames[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

bool IsUnreserved(unsigned char b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '!' || b == '\'' ||
           b == '(' || b == ')' || b == '*' || b == '-' || b == '.' || b == '_' || b == '~';
}

void AppendEscaped(AnsiString &Out, unsigned char b)
{
    Out += '%';
    Out += HexDigits[b >> 4];
    Out += HexDigits[b & 15];
}

// One code point of a UTF-16 text at I (a lone surrogate stands for itself); I moves past it.
char32_t NextCodePoint(const WideString &Text, size_t &I)
{
    const char16_t c = Text[I++];
    if (c >= 0xD800 && c <= 0xDBFF && I < Text.size() && Text[I] >= 0xDC00 && Text[I] <= 0xDFFF)
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(Text[I++]) - 0xDC00);
    return c;
}

AnsiString Utf8Of(char32_t cp)
{
    AnsiString s;
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
    return s;
}

void AppendCodePoint(WideString &Out, char32_t cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        Out += char16_t(0xD800 + (cp >> 10));
        Out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
        Out += char16_t(cp);
    }
}

// The Windows-1252 byte of a code point, or -1.
int AnsiByteOf(char32_t cp)
{
    return cp > 0xFFFF ? -1 : CodePage::WideCharToAnsi(char16_t(cp));
}

// The entity of a character that markup gives a meaning of its own, null for any other.
const char *MarkupEntity(char32_t c)
{
    switch (c) {
    case '"': return "&quot;";
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    default: return nullptr;
    }
}

// Pass one of the HTML encoding for one byte.
void AppendHTMLByte(AnsiString &Out, unsigned char b)
{
    if (const char *entity = MarkupEntity(b)) {
        Out += entity;
        return;
    }
    if (b >= 160) {
        Out += '&';
        Out += EntityNames[b - 160];
        Out += ';';
    } else {
        Out += char(b);
    }
}

// Passes two and three of the HTML encoding, in one linear scan: a blank followed by a blank becomes
// &nbsp; (so a run keeps only its last blank), CR LF becomes <br>.
AnsiString BlanksAndBreaks(const AnsiString &Text)
{
    AnsiString out;
    out.reserve(Text.size() + Text.size() / 8);
    for (size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == ' ' && i + 1 < Text.size() && Text[i + 1] == ' ') {
            out += "&nbsp;";
        } else if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') {
            out += "<br>";
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

bool IsLineBreak(char32_t c)
{
    return c == '\r' || c == '\n';
}

// The JavaScript literal of a text given as code points; Outside tells which code points must be
// written as \u escapes (those the result's character set cannot carry).
template <typename Emit, typename Outside>
void BuildJSLiteral(const std::u32string &Text, Emit emit, Outside outside, char32_t Quote = U'\'')
{
    auto hex4 = [&](unsigned v) {
        emit(U'\\');
        emit(U'u');
        for (int shift = 12; shift >= 0; shift -= 4)
            emit(char32_t(HexDigits[(v >> shift) & 15]));
    };
    emit(Quote);
    for (size_t i = 0; i < Text.size(); ++i) {
        const char32_t c = Text[i];
        // Characters with a one-letter escape of their own.
        const char32_t named = c == '\\' || c == '\'' || c == '"' ? c
                               : c == '\r'                           ? U'r'
                               : c == '\n'                           ? U'n'
                               : c == '\t'                           ? U't'
                                                                    : 0;
        if (named) {
            emit(U'\\');
            emit(named);
        } else if (c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029) {
            hex4(unsigned(c));
        } else if (outside(c)) {
            if (c >= 0x10000) {
                hex4(0xD800 + ((c - 0x10000) >> 10));
                hex4(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                hex4(unsigned(c));
            }
        } else {
            emit(c);
        }
        // A line break that more text follows ends the literal's line: the break itself stays in the
        // value (escaped above), and the literal goes on after "' +" on the next line.
        if (IsLineBreak(c)) {
            const bool pair = c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n';
            if (pair)
                continue; // the LF of this pair ends the line
            if (i + 1 < Text.size()) {
                emit(Quote);
                emit(U' ');
                emit(U'+');
                if (c == '\n' && i > 0 && Text[i - 1] == '\r')
                    emit(U'\r');
                emit(c);
                emit(Quote);
            }
        }
    }
    emit(Quote);
}

std::u32string CodePointsOfBytes(const AnsiString &Text)
{
    std::u32string r;
    r.reserve(Text.size());
    for (unsigned char b : Text)
        r += char32_t(b);
    return r;
}

} // namespace

const char *HTMLEntityName(unsigned char Byte)
{
    return Byte >= 160 ? EntityNames[Byte - 160] : "";
}

int HexDigitValue(char C)
{
    const int value = HexDigitOf(static_cast<unsigned char>(C));
    if (value >= 0)
        return value;
    throw EURLDecode("Invalid HEX digits in string passed to URLDecode.");
}

AnsiString URLEncode(const AnsiString &Text)
{
    AnsiString out;
    out.reserve(Text.size() * 3);
    for (unsigned char b : Text) {
        if (IsUnreserved(b))
            out += char(b);
        else
            AppendEscaped(out, b);
    }
    return out;
}

AnsiString URLDecode(const AnsiString &Text)
{
    AnsiString out;
    out.reserve(Text.size());
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '%') {
            out += Text[i];
            continue;
        }
        if (i + 2 >= Text.size())
            throw EURLDecode("Invalid URL-encoded string passed to URLDecode.");
        out += char(HexDigitValue(Text[i + 1]) * 16 + HexDigitValue(Text[i + 2]));
        i += 2;
    }
    return out;
}

AnsiString HTMLEncode(const AnsiString &Text)
{
    AnsiString pass1;
    pass1.reserve(Text.size() + Text.size() / 4);
    for (unsigned char b : Text)
        AppendHTMLByte(pass1, b);
    return BlanksAndBreaks(pass1);
}

AnsiString EscapeJSString(const AnsiString &Text)
{
    // Every byte is a Windows-1252 character; none needs a \u escape except the controls.
    AnsiString out;
    out.reserve(Text.size() * 2 + 2);
    BuildJSLiteral(
        CodePointsOfBytes(Text), [&](char32_t c) { out += char(c); }, [](char32_t) { return false; });
    return out;
}

WideString URLEncodeWide(const WideString &Text)
{
    AnsiString out;
    out.reserve(Text.size() * 3);
    for (size_t i = 0; i < Text.size();) {
        const char32_t cp = NextCodePoint(Text, i);
        const int b = AnsiByteOf(cp);
        if (b >= 0) {
            if (IsUnreserved(static_cast<unsigned char>(b)))
                out += char(b);
            else
                AppendEscaped(out, static_cast<unsigned char>(b));
        } else {
            for (unsigned char u : Utf8Of(cp))
                AppendEscaped(out, u);
        }
    }
    return AnsiToWide(out); // ASCII only
}

WideString URLDecodeWide(const WideString &Text)
{
    // Decoding needs the bytes the escapes stand for; a character outside the code page cannot come
    // from an escape, so it is kept as it stands.
    AnsiString bytes;
    WideString out;
    auto flush = [&] {
        // Multi-byte UTF-8 sequences of characters outside the code page become that character.
        for (size_t i = 0; i < bytes.size();) {
            const unsigned char b = static_cast<unsigned char>(bytes[i]);
            int n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
            if (n && i + n <= bytes.size()) {
                char32_t cp = b & (0x7F >> n);
                bool ok = true;
                for (int k = 1; k < n && ok; ++k) {
                    const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
                    ok = (t & 0xC0) == 0x80;
                    cp = (cp << 6) | (t & 0x3F);
                }
                const bool shortest = (n == 2 && cp >= 0x80) || (n == 3 && cp >= 0x800) || (n == 4 && cp >= 0x10000);
                if (ok && shortest && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF) && AnsiByteOf(cp) < 0) {
                    AppendCodePoint(out, cp);
                    i += n;
                    continue;
                }
            }
            out += CodePage::AnsiCharToWide(b);
            ++i;
        }
        bytes.clear();
    };
    for (size_t i = 0; i < Text.size(); ++i) {
        const char16_t c = Text[i];
        if (c != u'%') {
            const int b = CodePage::WideCharToAnsi(c);
            if (b >= 0) {
                bytes += char(b);
            } else {
                flush();
                out += c;
            }
            continue;
        }
        if (i + 2 >= Text.size())
            throw EURLDecode("Invalid URL-encoded string passed to URLDecode.");
        auto digit = [](char16_t d) { return HexDigitValue(d < 0x80 ? char(d) : 'x'); };
        bytes += char(digit(Text[i + 1]) * 16 + digit(Text[i + 2]));
        i += 2;
    }
    flush();
    return out;
}

WideString HTMLEncodeWide(const WideString &Text)
{
    AnsiString pass1;
    pass1.reserve(Text.size() + Text.size() / 4);
    for (size_t i = 0; i < Text.size();) {
        const char32_t cp = NextCodePoint(Text, i);
        const int b = AnsiByteOf(cp);
        if (b >= 0) {
            AppendHTMLByte(pass1, static_cast<unsigned char>(b));
        } else {
            pass1 += "&#";
            pass1 += std::to_string(static_cast<unsigned long>(cp));
            pass1 += ';';
        }
    }
    return AnsiToWide(BlanksAndBreaks(pass1));
}

WideString EscapeJSStringWide(const WideString &Text)
{
    return EscapeJSStringWide(Text, u'\'');
}

WideString EscapeJSStringWide(const WideString &Text, char16_t Quote)
{
    std::u32string cps;
    cps.reserve(Text.size());
    for (size_t i = 0; i < Text.size();)
        cps += NextCodePoint(Text, i);
    WideString out;
    out.reserve(Text.size() * 2 + 2);
    BuildJSLiteral(
        cps, [&](char32_t c) { AppendCodePoint(out, c); },
        [](char32_t c) { return AnsiByteOf(c) < 0 || (c >= 0xD800 && c <= 0xDFFF); }, Quote);
    return out;
}

WideString HTMLEscape(const WideString &Text)
{
    WideString out;
    out.reserve(Text.size() + Text.size() / 8);
    for (char16_t c : Text) {
        if (const char *entity = MarkupEntity(c))
            out.append(entity, entity + std::char_traits<char>::length(entity));
        else
            out += c;
    }
    return out;
}
