// The checks every HTML tag outside a script section goes through: bracket and quote balance, NAME and ID
// values (recorded as HTML names and tree nodes) and the count of equals signs of form-related tags.
#include "checker/HTMLJSFileChecker.h"

#include "checker/Findings.h"
#include "checker/JSParser.h"
#include "checker/NameTables.h"
#include "checker/TextScan.h"
#include "platform/SysUtils.h"

using textscan::FindAttribute;
using textscan::FindNoCase;
using textscan::IsQuote;

namespace {

bool IsNameChar(char c)
{
    return c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The value after " type=" or " type =", up to a blank, ">" or quote.
AnsiString TypeValue(const AnsiString &Tag)
{
    size_t p = FindNoCase(Tag, " type=");
    size_t skip = 6;
    if (p == AnsiString::npos) {
        p = FindNoCase(Tag, " type =");
        skip = 7;
    }
    if (p == AnsiString::npos)
        return AnsiString();
    p += skip;
    while (p < Tag.size() && (Tag[p] == ' ' || IsQuote(Tag[p])))
        ++p;
    size_t e = Tag.find_first_of(" >\"'", p);
    return Tag.substr(p, e == AnsiString::npos ? AnsiString::npos : e - p);
}

} // namespace

THTMLJSFileChecker::TBracketCounts THTMLJSFileChecker::CountBrackets(const AnsiString &Tag)
{
    TBracketCounts c;
    bool dq = false;
    for (char ch : Tag) {
        if (ch == '"') {
            ++c.DoubleQuotes;
            dq = !dq;
        } else if (!dq) {
            if (ch == '(')
                ++c.OpenParen;
            else if (ch == ')')
                ++c.CloseParen;
            else if (ch == '{')
                ++c.OpenCurly;
            else if (ch == '}')
                ++c.CloseCurly;
        }
    }
    return c;
}

bool THTMLJSFileChecker::ReadAttributeValue(size_t Pos, const AnsiString &Tag, AnsiString &Value, bool Report,
                                            TCheckLine Line)
{
    Value.clear();
    size_t p = Tag.find_first_of("=\"'", Pos);
    if (p == AnsiString::npos || Tag[p] != '=') {
        if (Report)
            AddFinding(fdEqualsExpectedAfterIdOrName, Line - FTagLines);
        return false;
    }
    ++p;
    if (p + 1 < Tag.size() && IsQuote(Tag[p]) && Tag[p + 1] == Tag[p]) {
        Value = Tag.substr(p, 2);
        return true;
    }
    while (p < Tag.size() && (Tag[p] == ' ' || IsQuote(Tag[p])))
        ++p;
    size_t e = Tag.find_first_of(" >\"'", p);
    Value = Tag.substr(p, e == AnsiString::npos ? AnsiString::npos : e - p);
    return true;
}

void THTMLJSFileChecker::GetNameAndId(const AnsiString &Tag, AnsiString &Name, TCheckLine Line, AnsiString &Id)
{
    Name.clear();
    Id.clear();
    // The attributes themselves: "name" or "id" inside another attribute's value does not count.
    bool hasValue = false;
    size_t p = FindAttribute(Tag, "name", &hasValue);
    if (p != AnsiString::npos && hasValue)
        ReadAttributeValue(p, Tag, Name, false, Line);
    p = FindAttribute(Tag, "id", &hasValue);
    if (p != AnsiString::npos && hasValue)
        ReadAttributeValue(p, Tag, Id, false, Line);
    if (!Name.empty() && !Id.empty() && Name != Id)
        AddFinding(fdNameAndIdDiffer, Name, Id, Line);
}

void THTMLJSFileChecker::AddHTMLName(const AnsiString &Name, const AnsiString &Tag, TCheckLine FirstLine, bool Radio)
{
    AnsiString reduced;
    HTMLNameOf(Name, false, reduced, FParser.get());
    if (reduced.empty())
        AddFinding(fdTagNameIsDomName, Name, FirstLine);
    const size_t sp = Tag.find_first_of(" \n");
    const AnsiString tagName = Tag.substr(0, sp);
    AnsiString key = Name;
    if (FOpenForms > 0 && !FFormName.empty()) {
        for (const char *t : {"input", "select", "option", "textarea", "img"}) {
            if (SameText(tagName, t)) {
                key = FFormName + "." + Name;
                break;
            }
        }
    }
    if (!FHTMLNames.Contains(key) || Radio)
        FHTMLNames.Add(key, FirstLine);
    else
        AddFinding(fdHtmlNameDuplicated, Name, FirstLine);
    FNav.AddNamedObjectNode(Name + " " + tagName, FirstLine, nkNamedElement, FOpenForms);
}

void THTMLJSFileChecker::CheckTag(const AnsiString &Tag, TCheckLine Line)
{
    if (FServerJScript && !Tag.empty() && Tag[0] == '%')
        return;
    const TCheckLine first = Line - FTagLines;
    const TBracketCounts c = CountBrackets(Tag);
    if (c.OpenParen != c.CloseParen)
        AddFinding(fdUnmatchedOpeningAndClosingParethesis, first);
    if (c.DoubleQuotes % 2 != 0)
        AddFinding(fdUnevenNumberOfDoubleQuotes, first);
    if (c.OpenCurly != c.CloseCurly)
        AddFinding(fdUnmatchedOpeningAndClosingCurly, first);

    // The value of attribute Word, or empty; false when a META or param tag stops the check.
    auto valueOf = [&](const char *Word, AnsiString &Value) {
        Value.clear();
        const size_t found = FindAttribute(Tag, Word);
        if (found == AnsiString::npos)
            return true;
        const size_t at = found - std::strlen(Word);
        const AnsiString before = Tag.substr(0, at);
        if (textscan::ContainsNoCase(before, "META") || textscan::ContainsNoCase(before, "param"))
            return false;
        const size_t end = at + std::strlen(Word);
        if (end >= Tag.size() || IsNameChar(Tag[end]))
            return true;
        if (at > 0 && IsQuote(Tag[at - 1]) && Tag[end] == Tag[at - 1])
            return true;
        ReadAttributeValue(end, Tag, Value, true, Line);
        return true;
    };

    AnsiString name, id;
    if (!valueOf("NAME", name))
        return;
    const bool radio = SameText(TypeValue(Tag), "radio");
    if (!name.empty())
        AddHTMLName(name, Tag, first, radio);
    if (!valueOf("id", id))
        return;
    if (!id.empty() && id != name)
        AddHTMLName(id, Tag, first, radio);
    if (!name.empty() && !id.empty() && name != id)
        AddFinding(fdNameAndIdDiffer, name, id, Line);
}

void THTMLJSFileChecker::CheckAttributeSyntax(const AnsiString &Tag, TCheckLine Line)
{
    if (Tag.empty())
        return;
    if (FASPMode && Tag.front() == '%' && Tag.back() == '%')
        return;
    if (FindWord("INPUT", Tag, false) < 0 && FindWord("TEXTAREA", Tag, false) < 0 && FindWord("FORM", Tag, false) < 0 &&
        FindWord("DIV", Tag, false) < 0)
        return;
    // The tag without its quoted values and server code.
    AnsiString copy;
    copy.reserve(Tag.size());
    char quote = 0;
    for (char ch : Tag) {
        if (quote) {
            if (ch == quote)
                quote = 0;
        } else if (IsQuote(ch)) {
            quote = ch;
        } else {
            copy += ch;
        }
    }
    for (size_t p = copy.find("<%"); p != AnsiString::npos; p = copy.find("<%", p)) {
        size_t e = copy.find("%>", p + 2);
        copy.erase(p, e == AnsiString::npos ? AnsiString::npos : e + 2 - p);
    }
    int balance = 0;
    for (const char *attr : AttributeNames)
        if (FindWord(attr, copy, true) > 0)
            ++balance;
    for (size_t p = 1; p < copy.size(); ++p)
        if (copy[p] == '=' && copy[p - 1] != '%')
            --balance;
    if (balance != 0)
        AddFinding(fdCheckNumberOfEqualsSymbols, Line);
}
