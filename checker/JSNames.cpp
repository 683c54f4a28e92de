// Name rules of the parser and the recording of what it learns into the model and the shared lists.
#include <algorithm>
#include <unordered_set>
#include <vector>

#include "checker/CheckerLists.h"
#include "checker/Findings.h"
#include "checker/JSModel.h"
#include "checker/JSParser.h"
#include "checker/NameTables.h"

namespace {

bool IsNameChar(unsigned char C)
{
    return C == '$' || C == '_' || (C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

bool Contains(const AnsiString &S, const char *Part)
{
    return S.find(Part) != AnsiString::npos;
}

bool EndsWith(const AnsiString &S, const AnsiString &Tail)
{
    return S.size() >= Tail.size() && S.compare(S.size() - Tail.size(), Tail.size(), Tail) == 0;
}

char Lower(char C)
{
    return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + 32) : C;
}

size_t FindNoCase(const AnsiString &Text, const char *Needle)
{
    const size_t n = std::char_traits<char>::length(Needle);
    for (size_t i = 0; i + n <= Text.size(); ++i) {
        size_t k = 0;
        while (k < n && Lower(Text[i + k]) == Lower(Needle[k]))
            ++k;
        if (k == n)
            return i;
    }
    return AnsiString::npos;
}

// Text that can name something: literals, parenthesised and other texts are not recorded.
bool LooksLikeName(const AnsiString &S)
{
    if (S.empty())
        return false;
    unsigned char c = static_cast<unsigned char>(S[0]);
    return c == '$' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

// ---- name rules

bool TJSParser::IsPredefinedGlobal(const AnsiString &Name) const
{
    if (!FWithObject.empty())
        return false;
    return IsPredefinedGlobalName(Name);
}

bool TJSParser::HasMemberSuffix(const AnsiString &Name)
{
    // A suffix counts at its first occurrence when no letter, digit or "_" follows it (letters without case).
    // Suffixes beginning with "." can only count as a whole ".member" of the name, so those are looked up by
    // member; the few others are searched.
    struct Tables {
        std::unordered_set<std::string> Dotted;
        std::vector<std::string> Others;
    };
    static const Tables tables = [] {
        Tables t;
        for (const char *suffix : MemberSuffixes) {
            std::string l(suffix);
            for (char &c : l)
                c = Lower(c);
            if (l[0] == '.')
                t.Dotted.insert(l);
            else
                t.Others.push_back(l);
        }
        return t;
    }();
    auto nameChar = [](unsigned char c) { return c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); };
    AnsiString name(Name);
    for (char &c : name)
        c = Lower(c);
    for (size_t p = name.find('.'); p != AnsiString::npos; p = name.find('.', p + 1)) {
        size_t q = p + 1;
        while (q < name.size() && nameChar(static_cast<unsigned char>(name[q])))
            ++q;
        const AnsiString member = name.substr(p, q - p);
        if (tables.Dotted.count(member) && name.find(member) == p)
            return true;
    }
    for (const std::string &suffix : tables.Others) {
        size_t p = name.find(suffix);
        if (p == AnsiString::npos)
            continue;
        size_t end = p + suffix.size();
        if (end >= name.size() || !nameChar(static_cast<unsigned char>(name[end])))
            return true;
    }
    return false;
}

bool TJSParser::IsWholeWordIn(const AnsiString &Word, const AnsiString &Text)
{
    if (Word.empty())
        return false;
    size_t p = Text.find(Word);
    if (p == AnsiString::npos)
        return false;
    const size_t end = p + Word.size();
    const bool follows = end < Text.size();
    const bool afterOk = follows && !IsNameChar(static_cast<unsigned char>(Text[end]));
    const bool beforeOk = p > 0 && !IsNameChar(static_cast<unsigned char>(Text[p - 1]));
    if (p == 0 && Word.back() != '.' && afterOk)
        return true;
    if (!follows && Word.front() != '.' && beforeOk)
        return true;
    if (Word.back() == '.' && beforeOk)
        return true;
    if (Word.front() == '.' && (afterOk || !follows))
        return true;
    return false;
}

int TJSParser::ClassifyPath(const AnsiString &Text)
{
    if (Contains(Text, ".") && !Contains(Text, ".prototype.") && !Contains(Text, "this.")) {
        AnsiString html;
        HTMLNameOf(Text, false, html, nullptr);
        if (html.empty())
            return 0;
    }
    if (IsWholeWordIn(".arguments", Text))
        return 7;
    static const char *const kMarkers[] = {".value",     "window.",   "self.",      "prototype.", ".prototype",
                                           ".style",     ".disabled", ".innerText", ".outerText", ".innerHTML",
                                           ".outerHTML", ".src",      ".all",       ".checked",   "Math."};
    static const char *const kObjects[] = {"document", "images", "Array",    "String", "Object", "Option", "RegExp",
                                           "Number",   "Image",  "Function", "File",   "Layer",  "Date"};
    bool marked = false;
    for (const char *m : kMarkers)
        if (IsWholeWordIn(m, Text)) {
            marked = true;
            break;
        }
    bool object = std::find_if(std::begin(kObjects), std::end(kObjects), [&](const char *o) { return Text == o; }) !=
                  std::end(kObjects);
    if (!marked && !object)
        return 2;
    if (IsWholeWordIn(".length", Text) && !Contains(Text, ".value"))
        return 2;
    if (Contains(Text, ".prototype"))
        return 5;
    if (Contains(Text, ".value") && !Contains(Text, ".valueOf"))
        return 1;
    if (Contains(Text, ".innerText") || Contains(Text, ".outerText") || Contains(Text, ".innerHTML") ||
        Contains(Text, ".outerHTML"))
        return 1;
    if (Contains(Text, ".style") || Contains(Text, ".disabled") || Contains(Text, ".checked"))
        return 1;
    if (!Contains(Text, "."))
        return 4;
    if (!Contains(Text, "document."))
        return 3;
    return 2;
}

bool TJSParser::IsEventProperty(const AnsiString &Text)
{
    for (const char *e : EventProperties)
        if (EndsWith(Text, e))
            return true;
    return false;
}

bool TJSParser::IsComplexName(const AnsiString &Text)
{
    if (Text.empty())
        return true;
    auto letter = [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    unsigned char first = static_cast<unsigned char>(Text[0]);
    if (!(first == '$' || first == '_' || letter(first)))
        return true;
    for (size_t i = 1; i < Text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(Text[i]);
        if (!(c == '$' || c == '.' || c == '_' || letter(c) || (c >= '0' && c <= '9')))
            return true;
    }
    return false;
}

// ---- recording

int32_t TJSParser::Scope() const
{
    return FFunctionIndex > 0 ? FFunctionIndex - 1 : -1;
}

AnsiString TJSParser::AnonymousName()
{
    // Numbered through the whole check and never reusing a name already in the function list, so that
    // functions of different sections stay apart.
    for (;;) {
        AnsiString name = "Anonymous function" + std::to_string(++FAnonymousCount);
        if (!FFunctions || !FFunctions->Contains(name))
            return name;
    }
}

void TJSParser::RecordWithObject(const AnsiString &Text, TCheckLine Line)
{
    (void)Text;
    if (!FWithObject.empty())
        FLists.WithObjects.Add(FWithObject, Line);
}

void TJSParser::AddPrototypeInstance(TPrototypeKind Kind, const AnsiString &Object, const AnsiString &Member,
                                     TCheckLine Line)
{
    FLists.PrototypeInstances.Add(TPrototypeRecord{Kind, Object, Scope(), Member, Line});
}

void TJSParser::AddPrototypePath(const AnsiString &Name, TCheckLine Line)
{
    // Only a name that goes through a prototype says something of a constructor.
    const size_t proto = Name.find(".prototype");
    if (proto == AnsiString::npos)
        return;
    const size_t after = proto + 10;
    const AnsiString member = after < Name.size() && Name[after] == '.' ? Name.substr(after + 1) : AnsiString();
    FLists.PrototypeInstances.Add(TPrototypeRecord{pkPath, Name.substr(0, proto), -1, member, Line});
}

TJSFunctionCall *TJSParser::RecordCall(const AnsiString &Name, TCheckLine Line)
{
    AnsiString name = Name.substr(0, Name.find('('));
    if (name.empty() || !LooksLikeName(name))
        return nullptr;
    if (HasMemberSuffix(name) || name == "Array" || name == "String" || name == "Function" || name == "File" ||
        name == "Date" || FLists.GlobalVars.Contains(name))
        return nullptr;
    size_t p = name.find("window.");
    if (p != AnsiString::npos)
        name.erase(p, 7);
    else if ((p = name.find("self.")) != AnsiString::npos)
        name.erase(p, 5);
    TJSFunctionCall *call;
    if (TJSFunction *fn = CurrentFunction()) {
        fn->AddCall(name, Line);
        call = fn->LastCall();
    } else {
        FLists.Calls.push_back({name, std::make_unique<TJSFunctionCall>(AnsiString(), Line)});
        call = FLists.Calls.back().Call.get();
    }
    RecordWithObject(name, Line);
    return call;
}

void TJSParser::AddCallArguments(TJSFunctionCall *Call, const std::vector<std::pair<AnsiString, int>> &Arguments)
{
    if (!Call)
        return;
    for (const auto &a : Arguments)
        Call->AddArgument(a.first, a.second);
}

void TJSParser::RecordHtmlObject(const AnsiString &Path, TCheckLine Line)
{
    if (TJSFunction *fn = CurrentFunction()) {
        AnsiString html;
        HTMLNameOf(Path, false, html, nullptr);
        const AnsiString head = html.substr(0, html.find('.'));
        if (fn->IsParameter(head) || fn->IsLocalVar(head))
            return;
        if (!fn->AddHtmlObject(Path, Line))
            return;
        // under the function that refers to it, not under the previous such node
        if (FHost)
            FHost->AddFunctionNode("HTML obj- " + Path, Line - 1, FCurrentNode, nkNestedFunction);
    } else if (!FLists.GlobalHTMLRefs.EndsWith(Path, Line)) {
        FLists.GlobalHTMLRefs.Add(Path, Line);
    }
}

void TJSParser::RecordReference(const AnsiString &Name, int ResultCode)
{
    if (!LooksLikeName(Name))
        return;
    const TCheckLine line = FCur.Line;
    // the same path may be offered twice in a row (as a member chain and as an operand): record it once
    if (Name == FLastReference && line == FLastReferenceLine)
        return;
    FLastReference = Name;
    FLastReferenceLine = line;
    const int cls = ClassifyPath(Name);
    TJSFunction *fn = CurrentFunction();
    if (cls == 1) {
        RecordHtmlObject(Name, line);
    } else if (ResultCode == erIdentifier || cls == 2) {
        RecordWithObject(Name, line);
        if (fn)
            fn->AddReference(Name, line);
        else if (!FLists.GlobalRefs.EndsWith(Name, line))
            FLists.GlobalRefs.Add(Name, line);
    }
    if (cls == 7 && fn) {
        const AnsiString owner = Name.substr(0, Name.find(".arguments"));
        // only a function's own arguments can be read this way; an object's "arguments" member is no concern
        if (!owner.empty() && owner != fn->Name() && FFunctions->Contains(owner))
            AddFinding(fdArgumentsOfOtherFunction, owner, line);
    }
    size_t dot = Name.find('.');
    if (dot == AnsiString::npos)
        return;
    AnsiString object = Name.substr(0, dot);
    AnsiString member = Name.substr(dot + 1);
    if ((object == "window" || object == "document") && member.find('.') != AnsiString::npos) {
        size_t d2 = member.find('.');
        object = member.substr(0, d2);
        member = member.substr(d2 + 1);
    }
    if (object == "this" && member.find('.') == AnsiString::npos)
        return;
    AnsiString reduced;
    HTMLNameOf(member, false, reduced, nullptr);
    if (!reduced.empty())
        AddPrototypeInstance(pkPossible, object, reduced, line);
}

void TJSParser::RecordAssignmentTarget(const AnsiString &Target, int Op, int RhsCode, const AnsiString &RhsText,
                                       TCheckLine Line)
{
    (void)Op;
    if (!LooksLikeName(Target))
        return;
    TJSFunction *fn = CurrentFunction();
    const int cls = ClassifyPath(Target);
    if (cls == 1)
        RecordHtmlObject(Target, Line);

    AnsiString path = Target;
    if ((cls == 2 || cls == 3) && path.rfind("document.all", 0) != 0) {
        for (bool again = true; again;) {
            again = false;
            if (path.rfind("window.", 0) == 0) {
                path.erase(0, 7);
                again = true;
            }
            if (path.rfind("document.", 0) == 0) {
                path.erase(0, 9);
                again = true;
            }
        }
    }
    const size_t dot = path.find('.');
    if (dot != AnsiString::npos) {
        AnsiString object = path.substr(0, dot);
        AnsiString member = path.substr(dot + 1);
        AnsiString type;
        const TJSVariable *global = FLists.GlobalVars.Find(object);
        if (fn && fn->IsLocalVar(object))
            type = fn->GetLocalVarType(object);
        else if (global)
            type = global->GetText();
        if (Contains(type, "document.") || Contains(type, "window.")) {
            path = member;
            const size_t d = path.find('.');
            object = d == AnsiString::npos ? path : path.substr(0, d);
            member = d == AnsiString::npos ? AnsiString() : path.substr(d + 1);
        }
        const AnsiString last = path.substr(path.rfind('.') + 1);
        if ((last == "id" || last == "name") && RhsCode == erString && RhsText.size() >= 2) {
            const AnsiString value = RhsText.substr(1, RhsText.size() - 2);
            if (!value.empty() && !FLists.DynamicNames.Contains(value)) {
                FLists.DynamicNames.Add(value, Line);
                if (FHost)
                    FHost->AddDynamicHTMLName(value, Line);
            }
        }
        size_t proto = path.find(".prototype.");
        if (proto != AnsiString::npos) {
            const AnsiString ctor = path.substr(0, proto);
            const AnsiString m = path.substr(proto + 11);
            AddPrototypeInstance(pkInstance, ctor, m, Line);
            if (IsBuiltInObject(ctor) && FHost)
                FHost->MarkDerived(ctor);
        } else if ((last == "id" || last == "name") && dot != AnsiString::npos && !member.empty()) {
            AddPrototypeInstance(pkInstance, object, last, Line);
        }
    } else if (fn && path.find_first_of("[(") == AnsiString::npos) {
        // A plain name assigned inside a function without a declaration becomes an implicit global (an
        // element "m[k]" of an object is no variable of its own).
        bool declared = false;
        for (TJSFunction *f = fn; f && !declared;) {
            declared = f->IsParameter(path) || f->IsLocalVar(path);
            int parent = f->GetParentIndex();
            f = parent != FFunctionIndex - 1 ? FFunctions->At(parent) : nullptr;
            if (f == fn)
                break;
        }
        if (!declared && !FLists.GlobalVars.Contains(path)) {
            if (IsPredefinedGlobal(path))
                AddFinding(fdAvoidIdentifierName, path, Line);
            const bool typed = RhsCode >= tkWindow && RhsCode <= tkDOM4;
            FLists.GlobalVars.Add(path, std::make_unique<TJSVariable>(-1, typed ? vkTyped : vkDeclared, Line,
                                                                      typed ? RhsText : AnsiString()));
            if (FHost)
                FHost->AddVariableNode(path, Line, nullptr, nkGlobalVar);
            DeclareLocal(path, Line, RhsCode, RhsText, false);
            if (FWarnNoVar)
                AddFinding(fdUseVarInFunction, path, Line);
        }
    } else if (IsPredefinedGlobal(path) && !FLists.GlobalVars.Contains(path)) {
        AddFinding(fdAvoidIdentifierName, path, Line);
    }

    // The right side's type passes to the target.
    if (Target.find('.') == AnsiString::npos) {
        AnsiString type;
        if (RhsCode == tkWindow || RhsCode == tkDocument || (RhsCode >= tkDOM1 && RhsCode <= tkDOM4))
            type = RhsText;
        else if (RhsCode == erThis && RhsText == "this")
            type = "__self_";
        if (!type.empty()) {
            if (fn && fn->IsLocalVar(Target))
                fn->SetLocalVarType(Target, type);
            else if (TJSVariable *global = FLists.GlobalVars.Find(Target))
                global->SetType(type);
        }
        if (RhsCode == erIdentifier)
            PropagateNewRecord(RhsText, Target, Line);
    }
    if (RhsText.find('.') != AnsiString::npos && RhsCode == erIdentifier)
        RecordReference(RhsText, RhsCode);
}

void TJSParser::AddNewRecord(const AnsiString &Variable, const AnsiString &Constructor, TCheckLine Line)
{
    if (Variable.empty() || Constructor.empty() || Contains(Constructor, "parent."))
        return;
    const int32_t scope = FFunctionIndex > 0 ? FFunctionIndex - 1 : -2;
    SyncNewRecords();
    if (!FNewRecordKeys.insert(Variable + '\0' + Constructor + '\0' + std::to_string(scope)).second)
        return;
    FLists.NewRecords.push_back({Variable, Constructor, scope, Line});
    FFirstNewRecord.emplace(Variable + '\0' + std::to_string(scope), static_cast<int>(FLists.NewRecords.size()) - 1);
    FNewRecordsSeen = FLists.NewRecords.size();
}

void TJSParser::SyncNewRecords()
{
    const std::vector<TNewRecord> &records = FLists.NewRecords;
    if (records.size() == FNewRecordsSeen)
        return;
    // the list changed under the indexes (a new check): index it afresh
    FNewRecordKeys.clear();
    FFirstNewRecord.clear();
    for (size_t i = 0; i < records.size(); ++i) {
        const TNewRecord &r = records[i];
        const AnsiString scope = std::to_string(r.Scope);
        FNewRecordKeys.insert(r.Variable + '\0' + r.Constructor + '\0' + scope);
        FFirstNewRecord.emplace(r.Variable + '\0' + scope, static_cast<int>(i));
    }
    FNewRecordsSeen = records.size();
}

int TJSParser::FirstNewRecord(const AnsiString &Variable, int32_t Scope)
{
    SyncNewRecords();
    auto it = FFirstNewRecord.find(Variable + '\0' + std::to_string(Scope));
    return it == FFirstNewRecord.end() ? -1 : it->second;
}

void TJSParser::PropagateNewRecord(const AnsiString &Source, const AnsiString &Target, TCheckLine Line)
{
    if (Source.empty() || Target.empty() || Contains(Source, ".") || Contains(Target, "."))
        return;
    const int i = FirstNewRecord(Source, FFunctionIndex > 0 ? FFunctionIndex - 1 : -2);
    if (i < 0)
        return;
    const AnsiString constructor = FLists.NewRecords[static_cast<size_t>(i)].Constructor; // a copy: the list grows
    AddNewRecord(Target, constructor, Line);
}

void TJSParser::ScanStringForNames(const AnsiString &Text, TCheckLine Line)
{
    if (Text.size() < 4)
        return;
    for (const char *word : {"name", "id"}) {
        size_t offset = 0;
        while (offset < Text.size()) {
            const AnsiString rest = Text.substr(offset);
            int p = FindWord(word, rest, false);
            if (p < 0)
                break;
            size_t at = offset + static_cast<size_t>(p) - 1;
            size_t after = at + std::char_traits<char>::length(word);
            const AnsiString before = Text.substr(offset, at - offset);
            if (FindNoCase(before, "META") != AnsiString::npos || FindNoCase(before, "param") != AnsiString::npos) {
                offset = after;
                continue;
            }
            size_t i = after;
            while (i < Text.size() && (Text[i] == ' ' || Text[i] == '\t'))
                ++i;
            if (i >= Text.size() || Text[i] != '=') {
                offset = after;
                continue;
            }
            ++i;
            while (i < Text.size() && (Text[i] == ' ' || Text[i] == '\t' || Text[i] == '"' || Text[i] == '\''))
                ++i;
            size_t s = i;
            while (i < Text.size()) {
                unsigned char c = static_cast<unsigned char>(Text[i]);
                if (!(c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
                    break;
                ++i;
            }
            if (i > s) {
                const AnsiString name = Text.substr(s, i - s);
                if (!FLists.DynamicNames.Contains(name)) {
                    FLists.DynamicNames.Add(name, Line);
                    if (FHost)
                        FHost->AddDynamicHTMLName(name, Line);
                }
            }
            offset = std::max(i, after);
        }
    }
}
