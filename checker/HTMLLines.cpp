// HTML line processing of the file checker: cuts each page line into tags, carries tags and comments over
// line ends, opens and closes script sections, collects their lines for the parser, parses the code of
// event-handler attributes, records forms and objects, and collects the server-side code of ASP pages.
#include "checker/HTMLJSFileChecker.h"

#include <algorithm>
#include <memory>


#include "checker/Findings.h"
#include "checker/JSModel.h"
#include "checker/JSParser.h"
#include "checker/NameTables.h"
#include "checker/TextScan.h"
#include "platform/SysUtils.h"

namespace {

const char *const EventAttributes[] = {
    "onblur",
    "onchange",
    "onclick",
    "ondblclick",
    "onfocus",
    "onkeydown",
    "onkeypress",
    "onkeyup",
    "onload",
    "onmousedown",
    "onmouseEnter",
    "onmousemove",
    "onmouseout",
    "onmouseover",
    "onmouseup",
    "onreset",
    "onselect",
    "onsubmit",
    "onunload",
    "onzoom",
    "onAbort",
    "onActivate",
    "onAfterPrint",
    "onAfterUpdate",
    "onBeforeCopy",
    "onBeforeCut",
    "onBeforeDeactivate",
    "onBeforeEditFocus",
    "onBeforePaste",
    "onBeforePrint",
    "onBeforeUnload",
    "onBeforeUpdate",
    "onBounce",
    "onContextMenu",
    "onControlSelect",
    "onCopy",
    "onCut",
    "onDataAvailable",
    "onDatasetChanged",
    "onDatasetComplete",
    "onDeactivate",
    "onDragdrop",
    "onDragEnter",
    "onDragOver",
    "onDragStart",
    "onDragLeave",
    "onDrag",
    "onDrop",
    "onErrorUpdate",
    "onError",
    "onEvent",
    "onFilterChange",
    "onFinish",
    "onHelp",
    "onLoseCapture",
    "onMove",
    "onPaste",
    "onPropertyChange",
    "onReadyStateChange",
    "onResize",
    "onResizeEnd",
    "onResizeStart",
    "onRowEnter",
    "onRowExit",
    "onScroll",
    "onSelectionChange",
    "onSelectStart",
    "onStart",
    "onStop",
    "javascript:",
};
constexpr int kEventAttributeCount = static_cast<int>(sizeof EventAttributes / sizeof EventAttributes[0]);
static_assert(kEventAttributeCount == 70);

using textscan::FindAttribute;
using textscan::FindNoCase;
using textscan::IsBlank;
using textscan::IsQuote;
using textscan::StartsNoCase;

bool Contains(const AnsiString &S, const char *P)
{
    return textscan::ContainsNoCase(S, P);
}

// In page text a "<" opens a tag only before a letter, "/", "!" or "?" (and "<%" opens server code);
// anything else, such as the "<" of "i < n" in a listing, is text. "< input" stays the tag it was meant
// to be, so that its name is kept and the blank before "input" is reported.
bool OpensTag(const AnsiString &Line, size_t Pos)
{
    if (Pos + 1 >= Line.size())
        return false;
    const char c = Line[Pos + 1];
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '/' || c == '!' || c == '?' || c == '%')
        return true;
    return Line.size() >= Pos + 8 && PosNoCase("< input ", Line.substr(Pos, 8)) == 1;
}

} // namespace

// The text of an open section goes to the server stream (runat=server) or to the parser.
void THTMLJSFileChecker::HandOn(const AnsiString &Text, TCheckLine Line)
{
    if (FIgnoreSection || FInInclude)
        return; // an ignored or included section's body is not checked
    if (FServerScript)
        AppendServerCode(Text, Line);
    else
        FParser->AddSourceLine(Text);
}

AnsiString THTMLJSFileChecker::NextTag(bool &Continued, TCheckLine i)
{
    const bool sectionOpen = FInScript || FInInclude || FIgnoreSection;
    FCurrentLine = TabsToSpaces(FCurrentLine);
    if (Continued && !sectionOpen) {
        FCurrentLine = FPendingTag + " \n" + FCurrentLine;
        ++FTagLines;
    }
    Continued = false;
    AnsiString &line = FCurrentLine;
    const size_t len = line.size();

    // First scan: the first "<" outside quotes that opens a tag (the last character is never examined).
    bool dq = false, sq = false;
    size_t s = AnsiString::npos;
    size_t pos = 0;
    for (; pos + 1 < len; ++pos) {
        const char c = line[pos];
        if (c == '"' && !sq)
            dq = !dq;
        else if (c == '\'' && !dq)
            sq = !sq;
        else if (c == '<' && !dq && !sq && OpensTag(line, pos)) {
            s = pos;
            size_t arrow = line.find("->");
            if (arrow != AnsiString::npos && arrow < pos)
                FInComment = false;
            break;
        }
    }
    if (s == AnsiString::npos) {
        if (len >= 2 && line[len - 2] == '-' && !sectionOpen)
            FInComment = false;
        FScanPos = len + 1;
        return AnsiString();
    }

    if (!sectionOpen) {
        const size_t bang = line.find("!-");
        const size_t comment = FindNoCase(line, "comment>");
        if (bang == s + 1 || (bang != s + 1 && comment == s + 1)) {
            if (FInComment)
                AddFinding(fdNestedHtmlCommentTagFound, i + 1);
            FInComment = true;
            FCommentLine = i;
            if (FASPMode)
                FindServerInclude(line, i);
        }
        if (FindNoCase(line, "/comment>") == s + 1)
            FInComment = false;
    }

    // Second scan: the ">" that ends the tag, outside quotes and server code.
    dq = sq = false;
    bool server = false;
    size_t e = AnsiString::npos;
    for (pos = s; pos < len; ++pos) {
        const char c = line[pos];
        if (server) {
            if (c == '%' && pos + 1 < len && line[pos + 1] == '>') {
                server = false;
                if ((dq || sq) && pos + 2 < len)
                    ++pos; // skip the ">" as well
            }
            continue;
        }
        if (c == '"' && !sq)
            dq = !dq;
        else if (c == '\'' && !dq)
            sq = !sq;
        else if (!dq && !sq) {
            if (c == '<' && pos + 1 < len && line[pos + 1] == '%') {
                server = true;
                ++pos;
            } else if (c == '>') {
                e = pos;
                break;
            }
        }
    }

    if (e == AnsiString::npos && (len == 0 || line[len - 1] != '>') && !FInComment) {
        if (line.size() > kMaxPendingTag) {
            // A "<" that is never closed must not make the carried text grow without bound.
            if (!FPendingTagDropped)
                AddFinding(fdTagNotClosedWithin, std::to_string(kMaxPendingTag), FTagLine + 1);
            FPendingTagDropped = true;
            FPendingTag.clear();
            FTagLines = 0;
            FTagLineFree = true;
            FScanPos = len + 1;
            return AnsiString();
        }
        Continued = true;
        FPendingTag = line;
        if (FTagLineFree) {
            FTagLine = i;
            FTagLineFree = false;
        }
        FScanPos = len + 1;
        return AnsiString();
    }

    if (FTagLines == 0)
        FTagLine = i;
    AnsiString tag;
    if (e != AnsiString::npos) {
        if (e > 0 && line[e - 1] == '-' && !sectionOpen)
            FInComment = false;
        if (e != s && !FInComment) {
            if (line.size() >= s + 8 && PosNoCase("< input ", line.substr(s, 8)) == 1)
                AddFinding(fdSpaceBetweenAndInputCauses, i + 1);
            tag = Trim(line.substr(s + 1, e - s - 1));
        }
    }
    if (sectionOpen) {
        FScanPos = len + 1;
    } else {
        const size_t cut = e == AnsiString::npos ? len : e + 1;
        line.erase(0, cut);
        FScanPos = 0;
        FPendingTag.clear();
        FPendingTagDropped = false;
    }
    return tag;
}

void THTMLJSFileChecker::ProcessLine(TCheckLine i)
{
    FScanPos = 0;
    FSectionOpenedOnLine = false;
    const bool sectionOpenAtStart = FInScript || FInInclude || FIgnoreSection;

    if (FCurrentLine.empty()) {
        if (sectionOpenAtStart) {
            HandOn(AnsiString(), i + 1);
        } else if (FServerJScript && FContinued) {
            AnsiString tag = NextTag(FContinued, i);
            (void)tag;
        }
        return;
    }

    size_t guardLen = AnsiString::npos, guardPos = AnsiString::npos;
    while (FScanPos < FCurrentLine.size()) {
        // Every pass takes something off the line or moves the scan position.
        if (FCurrentLine.size() == guardLen && FScanPos == guardPos)
            break;
        guardLen = FCurrentLine.size();
        guardPos = FScanPos;

        if (FTagSelfClosed) {
            FInInclude = FInScript = FTagSelfClosed = false;
        }
        const bool open = FInScript || FInInclude || FIgnoreSection;
        AnsiString tag;
        if (!open) {
            tag = NextTag(FContinued, i);
            if (FContinued)
                continue;
        }
        if (FServerJScript)
            ScanServerBlocks(tag, FTagLine + 1);
        if (!open && !tag.empty() && tag[0] == '!') {
            size_t gt = tag.find('>');
            tag = gt == AnsiString::npos ? AnsiString() : tag.substr(gt + 1);
        }

        bool opens = false;
        if (FASPMode && Contains(tag, "@") && Contains(tag, "language") && Contains(tag, "=") &&
            Contains(tag, "jscript")) {
            FServerJScript = true;
        } else {
            if (FServerJScript && !open)
                AppendServerCode(tag, FTagLine + 1);
            opens = StartsNoCase(tag, "script") || StartsNoCase(tag, "defanged_script") ||
                    StartsNoCase(tag, "embed ") ||
                    (open && (StartsNoCase(FCurrentLine, "<script") || StartsNoCase(FCurrentLine, "<defanged_script") ||
                              StartsNoCase(FCurrentLine, "<embed ")));
        }

        if (opens && !OpenSection(tag, open, i))
            return;

        // Closing tags.
        const bool openNow = FInScript || FInInclude || FIgnoreSection;
        size_t closeInTag = AnsiString::npos;
        const bool closing = FindSectionEnd(tag, openNow, i, closeInTag);

        if (closing && !FInComment) {
            if (closeInTag == 0 && FServerScript)
                --FServerLines;
            if (openNow) {
                tag.clear();
                if (!FInInclude && !FIgnoreSection)
                    RunParse(FSectionCount);
                FServerScript = FInScript = FInInclude = FIgnoreSection = false;
                FParser->ClearSource();
            } else {
                AddFinding(fdScriptTagFoundWithoutPreceding, i + 1);
            }
        }

        if (FInScript || FInInclude || FIgnoreSection) {
            if (!FSectionOpenedOnLine || !IsBlank(FCurrentLine))
                HandOn(FCurrentLine, i + 1);
            return;
        }

        if (!tag.empty())
            ProcessPageTag(tag, i);
        FTagLines = 0;
    }
}

// A <script> or <embed> tag: the section it opens (checked, included or ignored). False when it stands
// inside an open section, which ends the line's processing.
bool THTMLJSFileChecker::OpenSection(const AnsiString &tag, bool open, TCheckLine i)
{
    if (open) {
        AddFinding(fdScriptOrEmbedTagFound, i + 1);
        // the line is dropped, but the section's later lines keep their numbers
        HandOn(AnsiString(), i + 1);
        return false;
    }
    const bool embed = StartsNoCase(tag, "embed ");
    if (!embed)
        ++FScriptTags;
    // "type" and "language" are attributes: the word inside a src ("prototype.js") is none
    AnsiString type, language;
    const bool typed = FindAttribute(tag, "type", nullptr, &type) != AnsiString::npos ||
                       FindAttribute(tag, "language", nullptr, &language) != AnsiString::npos;
    const AnsiString kinds = type + " " + language;
    const bool javascript = Contains(kinds, "javascript") || Contains(kinds, "jscript") ||
                            Contains(kinds, "ecmascript") || Contains(kinds, "image/svg+xml");
    // A script tag that names no language at all is JavaScript.
    if ((typed || embed) && !javascript) {
        if (embed)
            AddFinding(fdEmbedTagFoundWithoutType, i + 1);
        else
            AddFinding(fdScriptTagFoundWithoutType, i + 1);
        // An embed element has no body to skip, nor has a self-closed script tag.
        FIgnoreSection = !embed && !(!tag.empty() && tag.back() == '/');
    } else {
        if (Contains(tag, "src") || Contains(tag, "xlink:href")) {
            FInInclude = ProcessScriptSrc(tag, i);
            // an embed element has no content and no closing tag, "/>" or not
            FTagSelfClosed = embed || (!tag.empty() && tag.back() == '/');
        }
        FServerScript = Contains(tag, "runat") && Contains(tag, "server");
        if (!FInInclude) {
            DeclareScriptEventParams(tag, i);
            FInScript = true;
            FParser->ClearSource();
            FSectionOpenedOnLine = true;
            // Code right after the opening tag belongs to this line.
            FParser->SetStartLine(IsBlank(FCurrentLine) ? i + 2 : i + 1);
            ++FSectionCount;
            FNav.AddRootNode("Javascript section#" + std::to_string(FSectionCount), i, nkSectionRoot);
        }
    }
    return true;
}

// Whether tag or the line of an open section closes the section; CloseInTag gets where.
bool THTMLJSFileChecker::FindSectionEnd(const AnsiString &tag, bool OpenNow, TCheckLine i, size_t &CloseInTag)
{
    bool closing = false;
    CloseInTag = AnsiString::npos;
    for (const char *name : {"/script", "/defanged_script"}) {
        size_t p = FindNoCase(tag, name);
        if (p == AnsiString::npos)
            continue;
        size_t after = p + std::char_traits<char>::length(name);
        if (after >= tag.size() || tag[after] == ' ') {
            closing = true;
            CloseInTag = p;
        }
        break;
    }
    if (!closing && OpenNow) {
        size_t p = AnsiString::npos, formLen = 0;
        for (const char *form : {"</script>", "< /script>", "</defanged_script>", "< /defanged_script>"}) {
            p = FindNoCase(FCurrentLine, form);
            if (p != AnsiString::npos) {
                formLen = std::char_traits<char>::length(form);
                break;
            }
        }
        if (p != AnsiString::npos) {
            bool dropBefore = false;
            size_t slashes = FCurrentLine.find("//");
            if (slashes != AnsiString::npos && slashes < p) {
                dropBefore = true;
                closing = true;
            } else {
                size_t q = FCurrentLine.find('"');
                if (q == AnsiString::npos || q >= p)
                    q = FCurrentLine.find('\'');
                if (q != AnsiString::npos && q < p) {
                    size_t partner = FCurrentLine.find(FCurrentLine[q], q + 1);
                    if (partner == AnsiString::npos) {
                        AddFinding(fdMissingClosingQuote, i + 1);
                        FScanPos = FCurrentLine.size();
                    } else if (partner > p) {
                        FScanPos = partner;
                    } else {
                        closing = true;
                    }
                } else {
                    closing = true;
                }
            }
            if (closing) {
                HandOn(dropBefore ? AnsiString() : FCurrentLine.substr(0, p), i + 1);
                FCurrentLine.erase(0, p + formLen);
                FScanPos = 0;
                CloseInTag = p; // at the line's start it keeps the server line count in step
            }
        }
    }
    return closing;
}

// A tag outside the script sections: forms, attribute syntax, names and ids, events, objects.
void THTMLJSFileChecker::ProcessPageTag(const AnsiString &tag, TCheckLine i)
{
    if (StartsNoCase(tag, "form"))
        ProcessForm(tag, i);
    if (StartsNoCase(tag, "/form")) {
        if (FOpenForms < 1)
            AddFinding(fdFormTagFoundWithoutPreceding, i + 1);
        else
            --FOpenForms;
    }
    CheckAttributeSyntax(tag, i + 1);
    const AnsiString head = tag.substr(0, 5);
    if (!Contains(head, "form"))
        CheckTag(tag, i + 1);
    ProcessEventAttributes(tag, i + 1);
    if (StartsNoCase(tag, "object") || StartsNoCase(tag, "applet"))
        ProcessObjectTag(tag, i);
}

void THTMLJSFileChecker::ProcessForm(const AnsiString &Tag, TCheckLine i)
{
    ++FOpenForms;
    AnsiString name, id;
    GetNameAndId(Tag, name, i + 1, id);
    if (!name.empty())
        FFormName = name;
    else if (!id.empty())
        FFormName = id;
    else
        FFormName = "unnamed Form" + std::to_string(++FUnnamedForms);
    auto addForm = [&](const AnsiString &n) {
        AnsiString reduced;
        HTMLNameOf(n, false, reduced, FParser.get());
        if (reduced.empty())
            AddFinding(fdFormNameIsDomName, n, i + 1);
        if (FFormIndex.IndexOf(FForms, n) < 0) {
            FForms.Add(n);
            FNav.AddNamedObjectNode(n, i + 1, nkForm, FOpenForms);
        } else {
            AddFinding(fdDuplicateFormName, n, i + 1);
        }
    };
    addForm(FFormName);
    if (!name.empty() && !id.empty() && name != id)
        addForm(id);
}

void THTMLJSFileChecker::ProcessObjectTag(const AnsiString &Tag, TCheckLine i)
{
    AnsiString name, id;
    GetNameAndId(Tag, name, i + 1, id);
    auto add = [&](const AnsiString &n) {
        if (FObjectIndex.IndexOf(FObjects, n) < 0)
            FObjects.Add(n);
        else
            AddFinding(fdDuplicateObjectName, n, i + 1);
    };
    if (!name.empty())
        add(name);
    if (!id.empty() && id != name)
        add(id);
}

void THTMLJSFileChecker::ScanServerBlocks(AnsiString Text, TCheckLine Line)
{
    for (;;) {
        const size_t open = Text.find("<%");
        const size_t close = Text.find("%>");
        if (open == AnsiString::npos || close == AnsiString::npos || open >= close)
            return;
        if (Text.find('\n') < open)
            ++Line;
        FTagLines = 0;
        AppendServerCode(Text.substr(open + 1, close - open), Line);
        Text.erase(0, close + 2);
    }
}

void THTMLJSFileChecker::WriteServer(const AnsiString &Text)
{
    FServerStream->append(Text);
}

void THTMLJSFileChecker::AppendServerCode(AnsiString Text, TCheckLine Line)
{
    if (!FServerScript && (Text.size() < 2 || Text.front() != '%' || Text.back() != '%'))
        return;
    if (FNoServerCode) {
        FServerFirstLine = FServerScript ? Line - 1 : Line;
        FNoServerCode = false;
    } else {
        // lines of another file than the stream's first one leave no gap to fill
        const int64_t d =
            Line.Include() == FServerFirstLine.Include() ? (Line - FServerFirstLine) - FServerLines : 0;
        if (d > 0 && d < 10000000) {
            FServerLines += static_cast<int32_t>(d);
            for (int64_t k = 0; k < d - 1; ++k)
                WriteServer(" \n");
        }
    }
    if (!FServerScript) {
        Text = Text.substr(1, Text.size() - 2);
        const size_t first = Text.find_first_not_of(' ');
        if (first != AnsiString::npos && Text[first] == '=') {
            const size_t last = Text.find_last_not_of(' ');
            if (Text[last] == ';')
                Text.insert(last, ")");
            else
                Text += ");";
            Text = "Response.Write(" + Text.substr(first + 1);
        }
    }
    if ((Line != FServerLastLine && Line != FServerFirstLine) || FServerScript)
        WriteServer("\n" + Text);
    else
        WriteServer(Text);
    FServerLines += FServerScript ? 1 : FTagLines;
    FTagLineFree = true;
    FServerLastLine = Line;
}

void THTMLJSFileChecker::ProcessEventAttributes(AnsiString Tag, TCheckLine Line)
{
    if (Tag.empty())
        return;
    if (FASPMode && Tag.front() == '%' && Tag.back() == '%')
        return;
    int next = 0;
    while (next < kEventAttributeCount) {
        int entry = -1;
        size_t p = AnsiString::npos;
        for (int k = next; k < kEventAttributeCount; ++k) {
            p = FindNoCase(Tag, EventAttributes[k]);
            if (p != AnsiString::npos) {
                entry = k;
                break;
            }
        }
        if (entry < 0)
            return;
        next = entry + 1;
        const bool url = entry == kEventAttributeCount - 1;
        const AnsiString entryName = EventAttributes[entry];
        char quote = 0;
        if (url) {
            for (size_t b = p; b >= 2; --b) {
                if (IsQuote(Tag[b - 1])) {
                    quote = Tag[b - 1];
                    break;
                }
            }
        }
        size_t pos = p + entryName.size();
        while (pos < Tag.size() && Tag[pos] == ' ')
            ++pos;
        if (!url) {
            if (pos >= Tag.size() || Tag[pos] != '=') {
                Tag.erase(p, std::min(Tag.size(), pos + 1) - p);
                continue;
            }
        }
        bool empty = false;
        size_t emptyEnd = 0;
        while (pos < Tag.size() && (Tag[pos] == '=' || Tag[pos] == ' ' || Tag[pos] == '\n' || IsQuote(Tag[pos]))) {
            if (IsQuote(Tag[pos])) {
                if (!quote) {
                    quote = Tag[pos];
                } else if (Tag[pos] == quote) {
                    empty = true;
                    emptyEnd = pos + 1;
                    break;
                }
            }
            ++pos;
        }
        size_t valueEnd; // one past the value, closing quote included
        AnsiString leading, handler;
        if (empty) {
            valueEnd = emptyEnd;
        } else {
            size_t n = pos;
            while (n < Tag.size() && Tag[n] != ' ' && Tag[n] != '>' && Tag[n] != '(' && (quote == 0 || Tag[n] != quote))
                ++n;
            leading = Tag.substr(pos, n - pos);
            size_t end = pos;
            char inner = 0;
            while (end < Tag.size()) {
                const char c = Tag[end];
                if (inner) {
                    if (c == inner)
                        inner = 0;
                } else if (quote && c == quote) {
                    break;
                } else if (IsQuote(c)) {
                    inner = c;
                } else if (!quote && (c == '>' || c == ' ')) {
                    // A quoted value ends at its quote only: "a > b" is code, not the end of the tag.
                    break;
                }
                ++end;
            }
            handler = Tag.substr(pos, end - pos);
            valueEnd = end < Tag.size() && quote && Tag[end] == quote ? end + 1 : end;
        }
        Tag.erase(p, valueEnd - p);
        if (!url) {
            size_t js = FindNoCase(handler, "javascript:");
            if (js != AnsiString::npos)
                handler.erase(js, 11);
        }
        if (!empty && !handler.empty() && !(handler.size() == 1 && IsQuote(handler[0]))) {
            FParser->ClearSource();
            FParser->SetStartLine(Line);
            FParser->AddSourceLine(handler);
            RunParse(scInline);
            // A handler's unbalanced braces are its own: the next piece starts level.
            FParser->ResetState();
            FEventHandlers.Add(leading, Line);
            if (handler.size() > 40)
                handler = handler.substr(0, 40) + "...";
            FEventTexts.Add(entryName + " " + handler, Line);
        }
        if (url)
            return;
    }
}

void THTMLJSFileChecker::DeclareScriptEventParams(AnsiString Tag, TCheckLine i)
{
    size_t ev = FindNoCase(Tag, " event");
    if (ev == AnsiString::npos)
        return;
    Tag.erase(0, ev + 6);
    const size_t open = Tag.find('(');
    const size_t close = Tag.find(')');
    if (open == AnsiString::npos || close == AnsiString::npos || open > close)
        return;
    AnsiString names = Tag.substr(open + 1, close - open - 1);
    size_t start = 0;
    while (start <= names.size()) {
        size_t comma = names.find(',', start);
        if (comma == AnsiString::npos)
            comma = names.size();
        AnsiString name;
        for (size_t k = start; k < comma; ++k)
            if (names[k] != ' ')
                name += names[k];
        const auto &globals = FLists.GlobalVars;
        if (!name.empty() && std::none_of(globals.begin(), globals.end(), [&](const auto &G) {
                return SameText(G.Name, name); // any spelling of the name declares it already
            })) {
            FLists.GlobalVars.Add(name, std::make_unique<TJSVariable>(-1, vkDeclared, i, AnsiString()));
            AddVariableNode(name, i + 1, nullptr, nkGlobalVar);
        }
        start = comma + 1;
    }
}
