#include "shell/ReferenceData.h"

#include "checker/NameTables.h"
#include "controls/TreeNTNode.h"
#include "controls/TreeNTNodes.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

#include <cstring>
#include <initializer_list>

namespace {

struct TCodeGroup {
    int Level;
    const char *Name;
    std::initializer_list<const char *> Leaves;
};

// Each group's leaves in their order, then its subgroups (the next groups one level deeper).
const TCodeGroup CodeGroups[] = {
    {0, "Browser objects", {}},
    {1,
     "Window",
     {"window.defaultStatus", "window.frames[]", "window.length", "window.name", "window.opener", "window.parent",
      "window.self", "window.status", "window.top", "window.alert()", "window.blur(0", "window.clearTimeout()",
      "window.close()", "window.confirm()", "window.focus()", "window.open(\"\",\"\")", "window.prompt(\"\",\"\")",
      "window.scroll()", "window.setTimeout()"}},
    {2,
     "Document",
     {"document.alinkColor", "document.anchors[]", "document.bgColor", "document.cookie", "document.embeds",
      "document.fgColor", "document.forms[]", "document.lastModified", "document.linkColor", "document.links[]",
      "document.location", "document.referrer", "document.title", "document.vlinkColor", "document.clear",
      "document.close()", "document.open()", "document.write(\"\")", "document.writeln(\"\")"}},
    {3,
     "Form",
     {"document.form.action", "document.form.elements[]", "document.form.encoding", "document.form.length",
      "document.form.method", "document.form.reset()", "document.form.submit()", "document.form.target"}},
    {3, "Image", {"border", "complete", "height", "hspace", "lowsrc", "name", "src", "vspace", "width"}},
    {3,
     "Link",
     {"document.link.hash", "document.link.host", "document.link.hostname", "document.link.href",
      "document.link.pathname", "document.link.port", "document.link.protocol", "document.link.search",
      "document.link.search"}},
    {2, "History", {"history.length", "history.back()", "history.forward()", "history.go()"}},
    {2,
     "Location",
     {"location.hash", "location.host", "location.hostname", "location.href", "location.pathname", "location.port",
      "location.protocol", "location.search", "location.reload()", "location.replace()"}},
    {2,
     "Frame",
     {"frame.frames", "frame.name", "frame.length", "frame.parent", "frame.self", "frame.window", "frame.blur()",
      "frame.clearTimeout()", "frame.focus()", "frame.setTimeout()"}},
    {2,
     "Navigator",
     {"navigator.appCodename", "navigator.appName", "navigator.appVersion", "navigator.javaEnabled()",
      "navigator.mimeTypes", "navigator.plugins", "navigator.userAgent"}},
    {3,
     "Plugins",
     {"navigator.plugins.description", "navigator.plugins.filename", "navigator.plugins.length",
      "navigator.plugins.name"}},
    {0, "Built-in Objects", {}},
    {1,
     "Array",
     {"concat()", "join()", "pop()", "push()", "reverse()", "shift()", "slice()", "sort()", "splice()", "toSource()",
      "toString()", "unshift()"}},
    {1,
     "Date",
     {"getDate()", "getDay()", "getMinutes()", "getMonth()", "getSeconds()", "getTime()", "getTimezoneOffset()",
      "getYear()", "parse(\"\")", "setDate()", "setHours()", "setMinutes()", "setMonth()", "setSeconds()", "setTime()",
      "setYear()", "toGMTString()", "toLocaleString()", "UTC()"}},
    {1, "Math", {"Math.E",        "Math.LN2",     "Math.LN10",   "Math.LOG2E",  "Math.LOG10E",
                 "Math.PI",       "Math.SQRT1_2", "Math.SQRT2",  "Math.abs()",  "Math.acos()",
                 "Math.asin()",   "Math.atan()",  "Math.ceil()", "Math.cos()",  "Math.exp()",
                 "Math.floor()",  "Math.log()",   "Math.max()",  "Math.min()",  "Math.pow()",
                 "Math.random()", "Math.round()", "Math.sin()",  "Math.sqrt()", "Math.tan()"}},
    {1, "Boolean", {"toSource()", "toString()", "valueOf()"}},
    {1,
     "Number",
     {"Number.MAX_VALUE", "Number.MIN_VALUE", "Number.NaN", "Number.NEGATIVE_INFINITY", "Number.POSITIVE_INFINITY",
      "toExponent()", "toFixed()", "toPrecision()", "toString()"}},
    {1, "String", {"length",  "anchor(\"\")",  "big()",        "blink()",   "bold()",    "charAt()",
                   "fixed()", "fontcolor()",   "fontsize()",   "indexOf()", "italics()", "lastIndexOf()",
                   "link()",  "small()",       "split()",      "strike()",  "sub()",     "substring()",
                   "sup()",   "toLowerCase()", "toUpperCase()"}},
    {1, "Global", {"escape()", "eval()", "isFinite()", "isNaN()", "parseFloat()", "parseInt()", "unescape()"}},
    {1,
     "RegExp",
     {"compile()", "exec()", "match()", "test()", "global", "ignoreCase", "lastIndex", "multiline", "source"}},
    {0,
     "Core events",
     {"onBlur()", "onChange()", "onClick()", "onDblclick()", "onFocus()", "onKeydown()", "onKeypress()", "onKeyup()",
      "onLoad()", "onMousedown()", "onMouseEnter()", "onMousemove()", "onMouseout()", "onMouseover()", "onMouseup()",
      "onReset()", "onSelect()", "onSubmit()", "onUnload()"}},
    {0,
     "Extended Events",
     {"onAbort()",
      "onActivate()",
      "onAfterPrint()",
      "onAfterUpdate()",
      "onBeforeCopy()",
      "onBeforeCut()",
      "onBeforeDeactivate()",
      "onBeforeEditFocus()",
      "onBeforePaste()",
      "onBeforePrint()",
      "onBeforeUnload()",
      "onBeforeUpdate()",
      "onBounce()",
      "onContextMenu()",
      "onControlSelect()",
      "onCopy()",
      "onCut()",
      "onDataAvailable()",
      "onDatasetChanged()",
      "onDatasetComplete()",
      "onDeactivate()",
      "onDragDrop()",
      "onDragEnter()",
      "onDragOver()",
      "onDragStart()",
      "onDragLeave()",
      "onDrag()",
      "onDrop()",
      "onErrorUpdate()",
      "onError()",
      "onEvent()",
      "onFilterChange()",
      "onFinish()",
      "onHelp()",
      "onLoseCapture()",
      "onMove()",
      "onPaste()",
      "onPropertyChange()",
      "onReadyStateChange()",
      "onResize()",
      "onResizeEnd()",
      "onResizeStart()",
      "onRowEnter()",
      "onRowExit()",
      "onScroll()",
      "onSelectionChange()",
      "onSelectStart()",
      "onStart()",
      "onStop()",
      "javascript:"}},
};

void AddNamesThreeToARow(std::vector<TReferenceRow> &Rows, const char *const *Names, size_t Count)
{
    for (size_t i = 0; i < Count; i += 3) {
        TReferenceRow row;
        for (size_t k = 0; k < 3 && i + k < Count; ++k)
            row[k] = Names[i + k];
        Rows.push_back(row);
    }
}

} // namespace

std::vector<TReferenceRow> AsciiReferenceRows()
{
    std::vector<TReferenceRow> rows;
    rows.reserve(256);
    static const char Hex[] = "0123456789ABCDEF";
    for (int code = 0; code < 256; ++code) {
        TReferenceRow row;
        const std::string decimal = std::to_string(code);
        row[0] = std::string(8 - decimal.size(), ' ') + decimal;
        row[1] = {Hex[code >> 4], Hex[code & 15]};
        switch (code) {
        case 7: row[2] = "<bell>"; break;
        case 8: row[2] = "<backspace>"; break;
        case 9: row[2] = "<tab>"; break;
        case 10: row[2] = "<line feed>"; break;
        case 13: row[2] = "<carriage return>"; break;
        case 27: row[2] = "<escape>"; break;
        case 32: row[2] = "<space>"; break;
        default: row[2] = code >= 33 && code <= 125 ? AnsiString(1, char(code)) : AnsiString(" ");
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<TReferenceRow> BuiltinReferenceRows()
{
    for (size_t i = 0; i + 1 < kDOMNameCount; ++i)
        if (std::strcmp(DOMNames[i], DOMNames[i + 1]) >= 0)
            throw Exception(AnsiString("sequence err strip- ") + DOMNames[i]);
    std::vector<TReferenceRow> rows;
    rows.push_back({"*** First section", "is Case sensitive!", ""});
    AddNamesThreeToARow(rows, DOMNames, kDOMNameCount);
    rows.push_back({"*** Second section", "is Case insensitive!", ""});
    AddNamesThreeToARow(rows, SpecialNames, kSpecialNameCount);
    return rows;
}

void FillCodeTree(TTreeNTNodes &Nodes)
{
    Nodes.BeginUpdate();
    std::vector<TTreeNTNode *> parents; // parents[k]: the last group of level k
    for (const TCodeGroup &g : CodeGroups) {
        parents.resize(size_t(g.Level));
        TTreeNTNode *parent = g.Level ? parents.back() : nullptr;
        TTreeNTNode *group = Nodes.AddChild(parent, AnsiToWide(g.Name));
        for (const char *leaf : g.Leaves)
            Nodes.AddChild(group, AnsiToWide(leaf));
        parents.push_back(group);
    }
    // Two groups start open: the browser objects and their window object.
    if (TTreeNTNode *first = Nodes.GetFirstNode()) {
        first->SetExpanded(true);
        for (TTreeNTNode *child = first->GetFirstChild(); child; child = child->GetNextSibling())
            if (child->GetText() == u"Window")
                child->SetExpanded(true);
    }
    Nodes.EndUpdate();
}
