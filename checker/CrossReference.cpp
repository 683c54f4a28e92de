// The cross-reference pass: what needs the whole page. Binds "new" expressions to constructor functions,
// moves members assigned through "this" or "prototype" into their constructors, marks constructors in the
// navigation tree and reports names that nothing declares, and functions that are never called.
#include "checker/HTMLJSFileChecker.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "checker/ExactIndex.h"
#include "checker/Findings.h"
#include "checker/JSModel.h"
#include "checker/JSParser.h"
#include "checker/NameTables.h"

namespace {

constexpr int kMaxChain = 64; // constructor and parent chains are walked at most this deep

bool Has(const AnsiString &S, const char *P)
{
    return S.find(P) != AnsiString::npos;
}

} // namespace

class TCrossReference {
public:
    explicit TCrossReference(THTMLJSFileChecker &C) : C(C), L(C.FLists) {}
    void Run();

private:
    // ---- lookups
    int FnIndex(const AnsiString &Name) const { return L.Functions.IndexOf(Name); }
    TJSFunction *Fn(int Index) const { return L.Functions.At(Index); }
    TJSFunction *FnNamed(const AnsiString &Name) { return Fn(FnIndex(Name)); }
    TJSVariable *Global(const AnsiString &Name) const
    {
        auto it = FGlobals.find(Name);
        return it == FGlobals.end() ? nullptr : L.GlobalVars.At(it->second);
    }
    bool IsGlobal(const AnsiString &Name) const { return Global(Name) != nullptr; }
    bool IsHTML(const AnsiString &Name) const { return C.FHTMLNames.Contains(Name); }
    bool IsDynamic(const AnsiString &Name) const { return L.DynamicNames.Contains(Name); }
    bool IsForm(const AnsiString &Name) { return FFormIndex.IndexOf(C.FForms, Name) >= 0; }
    bool IsBuiltInMember(const AnsiString &Name) { return FBuiltInMemberIndex.IndexOf(C.FBuiltInMembers, Name) >= 0; }
    bool IsOpenedWindow(const AnsiString &Name) const { return L.OpenedWindows.Contains(Name); }
    AnsiString Reduce(const AnsiString &Name)
    {
        AnsiString r;
        HTMLNameOf(Name, false, r, C.FParser.get());
        return r;
    }
    // The part before the first dot replaced by its type when it is a typed global variable.
    AnsiString TypedPrefix(const AnsiString &Name) const
    {
        const size_t dot = Name.find('.');
        TJSVariable *v = Global(Name.substr(0, dot));
        // "__self_" marks a copy of "this" whose owner is no constructor: the variable is its own type
        if (!v || v->GetKind() != vkTyped || v->GetText().empty() || v->GetText() == "__self_")
            return Name;
        return dot == AnsiString::npos ? v->GetText() : v->GetText() + Name.substr(dot);
    }
    void Msg(TFinding F, TCheckLine Line) { C.AddFinding(F, Line); }
    void Msg(TFinding F, const AnsiString &Name, TCheckLine Line) { C.AddFinding(F, Name, Line); }
    void Msg(TFinding F, const AnsiString &First, const AnsiString &Second, TCheckLine Line)
    {
        C.AddFinding(F, First, Second, Line);
    }
    // The name part of a referenced expression: call arguments and indexes dropped.
    static AnsiString BasePath(const AnsiString &Name)
    {
        // What follows an index is reached dynamically: the path ends before it.
        AnsiString s = Name.substr(0, Name.find_first_of("(["));
        while (!s.empty() && (s.back() == '.' || s.back() == ']'))
            s.pop_back();
        return s;
    }
    // A name of the browser or of the language itself, whose members the page cannot declare.
    static bool IsSystemName(const AnsiString &Name)
    {
        static const char *const extra[] = {"null",       "true",         "false",       "undefined",
                                            "setTimeout", "clearTimeout", "setInterval", "clearInterval",
                                            "parseInt",   "parseFloat",   "escape",      "unescape"};
        for (const char *e : extra)
            if (Name == e)
                return true;
        return IsDOMName(Name) || IsSpecialName(Name) || IsBuiltInObject(Name) || IsPredefinedGlobalName(Name);
    }
    // A local or parameter of a function enclosing function Index (a closure).
    bool IsClosureName(const AnsiString &Name, int Index)
    {
        TJSFunction *f = Fn(Index);
        for (int depth = 0; f && depth < kMaxChain; ++depth) {
            const int parent = f->GetParentIndex();
            f = parent == Index ? nullptr : Fn(parent);
            if (f && (f->IsLocalVar(Name) || f->IsParameter(Name) || f->HasEmbeddedFunction(Name)))
                return true;
        }
        return false;
    }
    void IndexGlobals();
    void AddGlobal(const AnsiString &Name, std::unique_ptr<TJSVariable> V);
    void RemoveGlobal(int Index, bool WithNode);
    void SweepGlobals();
    void IndexNewRecords();
    // Index of the first new-record whose variable is Variable, -1 when none.
    int FirstRecordOf(const AnsiString &Variable) const
    {
        auto it = FRecordsByVariable.find(Variable);
        return it == FRecordsByVariable.end() ? -1 : it->second.front();
    }
    void IndexPrototypeInstances();
    bool CtorHasMember(int K, const AnsiString &Member);
    bool NewRecordMember(const AnsiString &Object, const AnsiString &Member);
    bool IsObjectMemberPath(const AnsiString &Path, int Depth = 0);
    bool IsPrototypeMember(const AnsiString &Path, int Index);
    bool IsInheritedMember(const AnsiString &Name, int Index);
    bool HTMLEntryMatches(const AnsiString &N, TCheckLine &DeclLine);

    void NewRecords();
    void DottedGlobals();
    void PrototypeInstances();
    void Functions();
    void GlobalsSecondPass();
    void GlobalRefs();
    void NewRecordsSecondPass();
    void ObjectMethods();
    void Calls();
    void Labels();
    void GlobalRefsSecondPass();
    void HTMLRefs();
    void FunctionReferences();
    // the steps of FunctionReferences for function f (number fi) and the constructor of its method, if any
    bool KnownHead(TJSFunction *f, int fi, const AnsiString &head);
    void FunctionHtmlObjects(TJSFunction *f, int fi, TJSFunction *ctor);
    void FunctionNames(TJSFunction *f, int fi, TJSFunction *ctor);
    void ObjectMethodMembers(TJSFunction *f, TJSFunction *ctor, const AnsiString &ctorName);
    void FunctionCalls(TJSFunction *f, int fi);
    void Events();
    void NeverCalled();

    THTMLJSFileChecker &C;
    TCheckerLists &L;
    TExactIndex FFormIndex, FBuiltInMemberIndex;
    // Global variables by name: the position of the first in GlobalVars. A removed variable leaves a hole
    // (null record) that the pass sweeps away when the step ends, so that removals stay cheap.
    std::unordered_map<AnsiString, int> FGlobals;
    std::unordered_set<AnsiString> FGlobalDuplicates; // names the list holds more than once
    bool FGlobalHoles = false;
    // The new-records parsed once, after the first step has bound their constructors, and by variable.
    const std::vector<TNewRecord> &FRecords = L.NewRecords;
    std::unordered_map<AnsiString, std::vector<int>> FRecordsByVariable;
    // Prototype-instance records by owner and member: the scopes they were made in.
    std::unordered_map<AnsiString, std::vector<int>> FInstances;
};

void THTMLJSFileChecker::CrossReference()
{
    TCrossReference pass(*this);
    pass.Run();
}

void TCrossReference::Run()
{
    IndexGlobals();
    NewRecords();
    IndexNewRecords();
    DottedGlobals();
    SweepGlobals();
    PrototypeInstances();
    IndexPrototypeInstances();
    Functions();
    GlobalsSecondPass();
    SweepGlobals();
    GlobalRefs();
    NewRecordsSecondPass();
    ObjectMethods();
    Calls();
    Labels();
    GlobalRefsSecondPass();
    HTMLRefs();
    FunctionReferences();
    Events();
    NeverCalled();
}

void TCrossReference::IndexGlobals()
{
    FGlobals.clear();
    FGlobals.reserve(static_cast<size_t>(L.GlobalVars.Count()));
    FGlobalDuplicates.clear();
    for (int i = 0; i < L.GlobalVars.Count(); ++i)
        if (!FGlobals.emplace(L.GlobalVars.Name(i), i).second)
            FGlobalDuplicates.insert(L.GlobalVars.Name(i));
}

void TCrossReference::AddGlobal(const AnsiString &Name, std::unique_ptr<TJSVariable> V)
{
    const int index = L.GlobalVars.Add(Name, std::move(V));
    if (!FGlobals.emplace(Name, index).second)
        FGlobalDuplicates.insert(Name);
}

void TCrossReference::RemoveGlobal(int Index, bool WithNode)
{
    const AnsiString name = L.GlobalVars.Name(Index);
    L.GlobalVars.Value(Index).reset();
    FGlobalHoles = true;
    if (auto it = FGlobals.find(name); it != FGlobals.end() && it->second == Index) {
        FGlobals.erase(it);
        // a later variable of the same name, if the list holds one, is found from now on
        for (int i = Index + 1; FGlobalDuplicates.count(name) && i < L.GlobalVars.Count(); ++i)
            if (L.GlobalVars.At(i) && L.GlobalVars.Name(i) == name) {
                FGlobals.emplace(name, i);
                break;
            }
    }
    if (WithNode)
        C.FNav.DeleteTreeNode(name, nkGlobalVar);
}

void TCrossReference::SweepGlobals()
{
    if (!FGlobalHoles)
        return;
    L.GlobalVars.RemoveIf([](const auto &G) { return !G.Value; });
    FGlobalHoles = false;
    IndexGlobals();
}

void TCrossReference::IndexNewRecords()
{
    FRecordsByVariable.clear();
    for (size_t i = 0; i < FRecords.size(); ++i)
        FRecordsByVariable[FRecords[i].Variable].push_back(static_cast<int>(i));
}

void TCrossReference::IndexPrototypeInstances()
{
    FInstances.clear();
    for (int i = 0; i < L.PrototypeInstances.Count(); ++i) {
        const TPrototypeRecord &rec = L.PrototypeInstances[i];
        if (rec.Kind != pkInstance)
            continue;
        AnsiString key = rec.Object;
        key += '\0';
        key += rec.Member;
        FInstances[key].push_back(rec.Scope);
    }
}

bool TCrossReference::CtorHasMember(int K, const AnsiString &Member)
{
    // The constructor and its base constructors (second index), a bounded walk.
    for (int depth = 0; depth < kMaxChain; ++depth) {
        TJSFunction *k = Fn(K);
        if (!k)
            return false;
        if (k->IsLocalVar(Member))
            return true;
        if (k->GetIndex2() == K)
            return false;
        K = k->GetIndex2();
    }
    return false;
}

// A new-record with variable Object names a constructor (or base) with the local Member.
bool TCrossReference::NewRecordMember(const AnsiString &Object, const AnsiString &Member)
{
    auto it = FRecordsByVariable.find(Object);
    if (it == FRecordsByVariable.end())
        return false;
    for (int i : it->second)
        if (CtorHasMember(FnIndex(FRecords[i].Constructor), Member))
            return true;
    return false;
}

bool TCrossReference::IsObjectMemberPath(const AnsiString &Path, int Depth)
{
    const size_t dot = Path.find('.');
    if (dot == AnsiString::npos || Depth > kMaxChain)
        return false;
    const AnsiString object = Path.substr(0, dot), member = Path.substr(dot + 1);
    // the first record of either spelling
    const int plain = FirstRecordOf(object), withThis = FirstRecordOf("this." + object);
    const int i = plain < 0 ? withThis : withThis < 0 ? plain : std::min(plain, withThis);
    if (i < 0)
        return false;
    if (member.find('.') != AnsiString::npos)
        return IsObjectMemberPath(member, Depth + 1);
    TJSFunction *f = Fn(FRecords[i].Scope);
    return f && f->IsLocalVar("this." + member);
}

bool TCrossReference::IsPrototypeMember(const AnsiString &Path, int Index)
{
    const size_t dot = Path.find('.');
    if (dot == AnsiString::npos)
        return false;
    const AnsiString object = Path.substr(0, dot), member = Path.substr(dot + 1);
    if (FnIndex(object) >= 0)
        return false;
    const AnsiString reduced = Reduce(member);
    if ((IsHTML(object) || IsDynamic(object)) && (IsHTML(reduced) || IsDynamic(reduced)))
        return true;
    AnsiString type;
    if (TJSFunction *f = Fn(Index); f && f->IsLocalVar(object))
        type = f->GetLocalVarType(object);
    auto instanceOf = [&](const AnsiString &Owner) {
        auto it = FInstances.find(Owner + '\0' + member);
        if (it == FInstances.end())
            return false;
        for (int n : it->second)
            if (n == Index || n == -1)
                return true;
        return false;
    };
    return instanceOf(object) || (!type.empty() && type != object && instanceOf(type));
}

bool TCrossReference::IsInheritedMember(const AnsiString &Name, int Index)
{
    const AnsiString bare = Name.rfind("this.", 0) == 0 ? Name.substr(5) : Name;
    TJSFunction *f = Fn(Index);
    for (int depth = 0; f && depth < kMaxChain; ++depth) {
        const int parent = f->GetParentIndex();
        f = parent == Index ? nullptr : Fn(parent);
        if (!f)
            break;
        if (f->HasEmbeddedFunction(bare) || f->IsLocalVar("this." + bare))
            return true;
    }
    return false;
}

// N names an HTML element: equal to an entry, or to one after its "unnamed Form" part, or after N's form part.
bool TCrossReference::HTMLEntryMatches(const AnsiString &N, TCheckLine &DeclLine)
{
    AnsiString afterForm;
    const size_t dot = N.find('.');
    if (dot != AnsiString::npos && IsForm(N.substr(0, dot)))
        afterForm = N.substr(dot + 1);
    for (int i = 0; i < C.FHTMLNames.Count(); ++i) {
        const AnsiString &e = C.FHTMLNames[i];
        bool match = e == N || (!afterForm.empty() && e == afterForm);
        if (!match && Has(e, "unnamed Form")) {
            const size_t d = e.find('.');
            match = d != AnsiString::npos && e.substr(d + 1) == N;
        }
        if (match) {
            DeclLine = C.FHTMLNames.Line(i);
            return true;
        }
    }
    return false;
}

// 1. Each "new C" binds C as a constructor.
void TCrossReference::NewRecords()
{
    for (TNewRecord &r : L.NewRecords) {
        const TCheckLine line = r.Line;
        if (TJSFunction *scope = Fn(r.Scope); r.Scope >= 0 && scope && scope->IsParameter(r.Constructor))
            continue;
        if (r.Constructor == "ActiveXObject")
            if (TJSVariable *v = Global(r.Variable))
                v->SetKind(vkActiveX);
        // Built-in constructors are no functions of the page.
        if (IsBuiltInObject(r.Constructor))
            continue;
        const int k = FnIndex(r.Constructor);
        if (k < 0) {
            Msg(fdNewObjectNotFound, r.Constructor, line);
            continue;
        }
        r.Scope = k;
        Fn(k)->SetKind1();
        C.FNav.MarkConstructor(r.Constructor);
    }
}

// 2. Global variables O.M of a constructor O become its members.
void TCrossReference::DottedGlobals()
{
    for (int i = 0; i < L.GlobalVars.Count(); ++i) {
        const AnsiString name = L.GlobalVars.Name(i);
        const size_t dot = name.find('.');
        TJSFunction *o = dot == AnsiString::npos ? nullptr : FnNamed(name.substr(0, dot));
        if (!o || o->GetKind() != 1)
            continue;
        const AnsiString member = name.substr(dot + 1);
        TJSVariable *v = L.GlobalVars.At(i);
        const TCheckLine line = v->GetDeclLine();
        if (!o->IsLocalVar(member))
            o->AddLocalVar(member, line, 0, AnsiString(), false);
        const AnsiString owner = name.substr(0, dot);
        if (C.FNav.FindTreeNode("Constructor-" + owner, nkConstructor)) {
            if (C.FNav.FindTreeNode(name, nkGlobalVar))
                C.FNav.DeleteTreeNode(name, nkGlobalVar);
            else
                C.FNav.DeleteTreeNode(name, nkAnyKind);
            C.FNav.AddConstructorMember(name, line, owner, nkLocalVar);
        }
        RemoveGlobal(i, false);
    }
}

// 3. Members given through prototypes and prototype instances.
void TCrossReference::PrototypeInstances()
{
    for (int i = 0; i < L.PrototypeInstances.Count(); ++i) {
        const TPrototypeRecord &rec = L.PrototypeInstances[i];
        const TCheckLine line = rec.Line;
        AnsiString typeOfC;
        if (rec.Kind == pkPossible) {
            const AnsiString &o = rec.Object;
            const int n = rec.Scope;
            if (Reduce(rec.Member).empty())
                continue;
            TJSFunction *scope = n >= 0 ? Fn(n) : nullptr;
            const bool known =
                IsGlobal(o) || o == "document" || o == "window" || IsHTML(o) || (scope && scope->IsLocalVar(o));
            if (!known)
                continue;
            L.PrototypeInstances.MakeInstance(i);
            if (TJSVariable *g = Global(o); g && !g->GetText().empty())
                typeOfC = Reduce(g->GetText());
            else if (scope && scope->IsLocalVar(o))
                typeOfC = Reduce(scope->GetLocalVarType(o));
        }
        // The owner as far as its first ".prototype" (a path's owner stops there already).
        AnsiString c = rec.Object.substr(0, rec.Object.find(".prototype"));
        if (IsDOMName(c) && c != "document" && c != "window" && !IsBuiltInObject(c))
            continue;
        int n = -1;
        const AnsiString memberText = rec.Member;
        if (rec.Kind == pkInstance) {
            n = rec.Scope;
            if (const int k = FirstRecordOf(c); k >= 0)
                c = FRecords[k].Constructor;
        }
        if (memberText.empty())
            continue;
        const AnsiString member = "this." + memberText;
        if (IsBuiltInObject(c)) {
            if (!IsBuiltInMember(memberText))
                C.FBuiltInMembers.Add(memberText);
            continue;
        }
        const int ci = FnIndex(c);
        if (ci < 0) {
            TJSFunction *scope = n >= 0 ? Fn(n) : nullptr;
            if (n >= -1) {
                if ((c == "document" || c == "window") && !IsGlobal(memberText)) {
                    AddGlobal(memberText, std::make_unique<TJSVariable>(-1, vkDeclared, line, AnsiString()));
                    C.AddVariableNode(memberText, line, nullptr, nkGlobalVar);
                }
                const AnsiString type = !typeOfC.empty()                ? typeOfC
                                        : scope && scope->IsLocalVar(c) ? scope->GetLocalVarType(c)
                                                                        : AnsiString();
                const bool found = IsHTML(c) || IsForm(c) || IsDynamic(c) || c == "document" || c == "window" ||
                                   IsGlobal(c) || (!type.empty() && IsGlobal(type)) || (scope && scope->IsLocalVar(c));
                if (!found)
                    Msg(fdConstructorOrInstanceNotFound, c, line);
            } else if (!Reduce(c).empty() && !IsGlobal(c)) {
                Msg(fdConstructorOrInstanceNotFound, c, line);
            }
            continue;
        }
        TJSFunction *f = Fn(ci);
        if (f->GetKind() == 1) {
            if (!f->IsLocalVar(member))
                f->AddLocalVar(member, line, 0, AnsiString(), false);
            if (TJSFunction *method = FnNamed(c + ".prototype." + memberText)) {
                for (int k = 0; k < method->Locals().Count(); ++k)
                    if (!f->IsLocalVar(method->Locals()[k]))
                        f->AddLocalVar(method->Locals()[k], line, 0, AnsiString(), false);
            }
        } else {
            Msg(fdNotStrictlyConstructor, c, line);
        }
    }
}

// 4. Functions: names shared with HTML, prototype methods bound to their constructors, "this" types.
void TCrossReference::Functions()
{
    for (int i = 0; i < L.Functions.Count(); ++i) {
        TJSFunction *f = Fn(i);
        if (!f)
            continue;
        const AnsiString &name = L.Functions.Name(i);
        if (IsHTML(name) || IsDynamic(name))
            Msg(fdFunctionNameInHtmlNames, name, f->GetLine());
        const size_t proto = name.find(".prototype.");
        if ((f->GetKind() == 3 || f->GetKind() == 0) && proto != AnsiString::npos) {
            const AnsiString c = name.substr(0, proto), m = name.substr(proto + 11);
            if (!IsBuiltInObject(c)) {
                const int ci = FnIndex(c);
                TJSFunction *ctor = Fn(ci);
                if (!ctor) {
                    Msg(fdConstructorNotFound, c, f->GetLine());
                } else if (ctor->GetKind() == 1) {
                    if (!ctor->IsLocalVar("this." + m))
                        ctor->AddLocalVar("this." + m, f->GetLine(), 0, AnsiString(), false);
                    f->SetLinkIndex(ci);
                    f->SetKind2();
                } else {
                    Msg(fdNotStrictlyConstructor, c, f->GetLine());
                }
            }
        }
        const uint8_t kind = f->GetKind();
        if (kind >= 1 && kind <= 3) {
            AnsiString owner = name;
            if (kind == 2) {
                TJSFunction *k = Fn(f->GetLinkIndex());
                owner = k ? L.Functions.Name(f->GetLinkIndex()) : AnsiString();
            }
            for (int k = 0; k < f->Locals().Count() && !owner.empty(); ++k) {
                const AnsiString local = f->Locals()[k];
                if (f->GetLocalVarType(local) == "__self_")
                    f->SetLocalVarType(local, owner);
            }
        }
    }
}

// 5. Global variables again: members of constructors and of new-record instances.
void TCrossReference::GlobalsSecondPass()
{
    for (int i = 0; i < L.GlobalVars.Count(); ++i) {
        const AnsiString name = L.GlobalVars.Name(i);
        TJSVariable *v = L.GlobalVars.At(i);
        if (!v)
            continue; // removed while the step ran
        const TCheckLine line = v->GetDeclLine();
        const AnsiString n = Reduce(TypedPrefix(name));
        const size_t dot = n.find('.');
        if (dot == AnsiString::npos) {
            TJSFunction *f = n.empty() ? nullptr : FnNamed(n);
            if (f && f->GetLine() == line && name.find('.') == AnsiString::npos) {
                RemoveGlobal(i, true);
                continue;
            }
            continue;
        }
        const AnsiString o = n.substr(0, dot), m = n.substr(dot + 1);
        if (o == "this" || IsHTML(o))
            continue;
        const AnsiString member = "this." + m;
        if (TJSFunction *f = FnNamed(o)) {
            if (f->GetKind() == 1) {
                if (!f->IsLocalVar(member))
                    f->AddLocalVar(member, line, 0, AnsiString(), false);
                RemoveGlobal(i, true);
                continue;
            }
            Msg(fdNotStrictlyConstructor, o, line);
            continue;
        }
        if (const int k = FirstRecordOf(o); k >= 0) {
            if (TJSFunction *ctor = FnNamed(FRecords[k].Constructor)) {
                if (!ctor->IsLocalVar(member))
                    ctor->AddLocalVar(member, line, 0, AnsiString(), false);
            }
            RemoveGlobal(i, true);
            continue;
        }
        if (!(IsGlobal(o) || IsForm(o) || IsHTML(o) || IsDynamic(o)))
            Msg(fdConstructorNotFound, o, line);
    }
}

// 6. Global references O.M to constructors.
void TCrossReference::GlobalRefs()
{
    // References that become constructor members leave the list; the rest are kept in order.
    std::vector<char> moved(static_cast<size_t>(L.GlobalRefs.Count()), 0);
    for (int i = 0; i < L.GlobalRefs.Count(); ++i) {
        const AnsiString n = Reduce(TypedPrefix(L.GlobalRefs.Name(i)));
        const TCheckLine line = L.GlobalRefs.Line(i);
        const size_t dot = n.find('.');
        bool keep = true;
        if (dot != AnsiString::npos && !Has(n, "parent.")) {
            const AnsiString o = n.substr(0, dot), m = n.substr(dot + 1);
            const bool isRecordVariable = FirstRecordOf(o) >= 0;
            if (o != "this" && !IsBuiltInObject(o) && !isRecordVariable) {
                const AnsiString member = "this." + m;
                if (TJSFunction *f = FnNamed(o)) {
                    if (f->GetKind() == 1) {
                        if (!f->IsLocalVar(member))
                            f->AddLocalVar(member, line, 0, AnsiString(), false);
                        keep = false;
                    } else {
                        Msg(fdConstructorNotFound, o, line);
                    }
                } else if (!IsForm(n) && !IsGlobal(o) && !IsPrototypeMember(n, -1) && !IsHTML(n) && !IsHTML(o) &&
                           !IsDynamic(o)) {
                    Msg(fdConstructorNotFound, o, line);
                }
            }
        }
        moved[static_cast<size_t>(i)] = !keep;
    }
    size_t next = 0;
    L.GlobalRefs.RemoveIf([&](const auto &) { return moved[next++] != 0; });
}

// 7. Instances get their constructor's type; constructors' own names and calls are checked.
void TCrossReference::NewRecordsSecondPass()
{
    std::unordered_set<int> done;
    for (const TNewRecord &r : L.NewRecords) {
        const TCheckLine line = r.Line;
        const int k = FnIndex(r.Constructor);
        TJSFunction *ctor = Fn(k);
        if (!ctor)
            continue;
        const size_t proto = r.Variable.find(".prototype");
        if (proto == AnsiString::npos) {
            if (TJSVariable *v = Global(r.Variable)) {
                v->SetType(r.Constructor);
                v->SetValue(erNew);
            }
        } else {
            const AnsiString x = r.Variable.substr(0, proto);
            if (TJSFunction *derived = FnNamed(x))
                derived->SetIndex2(k);
            else
                Msg(fdDerivedConstructorNotFound, x, line);
        }
        if (!done.insert(k).second)
            continue;

        for (int j = 0; j < ctor->References().Count(); ++j) {
            const AnsiString &name = ctor->References()[j];
            const TCheckLine refLine = ctor->References().Line(j);
            if (ctor->IsParameter(name) || IsGlobal(name) || Reduce(name).empty())
                continue;
            if (const int w = FnIndex(name); w >= 0 && w != k) {
                Fn(w)->SetLinkIndex(k);
                Fn(w)->SetKind2();
                continue;
            }
            const size_t dot = name.find('.');
            if (dot == AnsiString::npos) {
                if (!ctor->IsLocalVar(name) && !ctor->IsLocalVar("this." + name) && !ctor->HasEmbeddedFunction(name) &&
                    !IsHTML(name) && !IsDynamic(name))
                    Msg(fdObjectMemberOrParameterNotFound, name, refLine);
            } else {
                const AnsiString head = name.substr(0, dot);
                const bool headKnown = ctor->IsParameter(head) || ctor->IsLocalVar(head) || IsGlobal(head) ||
                                       FnIndex(head) >= 0 || IsHTML(head) || IsForm(head) || Reduce(head).empty();
                if (head == "this") {
                    // What a constructor sets on "this" is its own member.
                    if (!ctor->IsLocalVar(name))
                        ctor->AddLocalVar(name, refLine, 0, AnsiString(), false);
                } else if (!headKnown && !IsObjectMemberPath(name)) {
                    Msg(fdObjectMemberNotFound, name, refLine);
                }
            }
        }
        for (int j = 0; j < ctor->Calls().Count(); ++j) {
            const AnsiString &called = ctor->Calls()[j];
            auto *call = ctor->Calls().At(j);
            const TCheckLine callLine = call ? call->GetLine() : line;
            if (Reduce(called).empty() || called.find_first_of(".[(") != AnsiString::npos)
                continue;
            const int w = FnIndex(called);
            if (w < 0) {
                if (!ctor->IsLocalVar(called) && !ctor->IsParameter(called) && !ctor->HasEmbeddedFunction(called) &&
                    !IsGlobal(called))
                    Msg(fdObjectMethodOrFunctionNotFound, called, callLine);
                continue;
            }
            // Only plain page lines are read from the document; include lines are not the editor's.
            const AnsiString text =
                !callLine.IsInclude() && callLine.Line() >= 1 ? C.EditorLine(callLine.Line() - 1) : AnsiString();
            if (w != k && text.find('=') != AnsiString::npos) {
                Fn(w)->SetLinkIndex(k);
                Fn(w)->SetKind2();
            }
        }
    }
}

// 8. "this." locals of object methods become members of their constructors.
void TCrossReference::ObjectMethods()
{
    for (int i = 0; i < L.Functions.Count(); ++i) {
        TJSFunction *f = Fn(i);
        if (!f || f->GetKind() != 2)
            continue;
        const int k = f->GetLinkIndex();
        TJSFunction *ctor = Fn(k);
        if (!ctor || ctor == f)
            continue;
        for (int j = 0; j < f->Locals().Count(); ++j) {
            const AnsiString local = f->Locals()[j];
            if (local.rfind("this.", 0) != 0 || ctor->IsLocalVar(local))
                continue;
            const auto *v = f->Locals().At(j);
            const TCheckLine line = v ? v->GetDeclLine() : f->GetLine();
            ctor->AddLocalVar(local, line, 0, AnsiString(), false);
            C.FNav.AddConstructorMember(local, line, L.Functions.Name(k), nkLocalVar);
        }
    }
}

// 9. Calls outside functions.
void TCrossReference::Calls()
{
    // every function of a name, in list order, without a scan per call
    std::unordered_map<AnsiString, std::vector<int>> functionsByName;
    for (int k = 0; k < L.Functions.Count(); ++k)
        functionsByName[L.Functions.Name(k)].push_back(k);
    for (const TGlobalCall &c : L.Calls) {
        const TCheckLine line = c.Call ? c.Call->GetLine() : 0;
        const AnsiString n = Reduce(BasePath(c.Name));
        if (n.empty() || Has(n, "parent.") || n.rfind("Anonymous function", 0) == 0)
            continue;
        if (IsSystemName(n.substr(0, n.find('.'))))
            continue;
        bool found = false;
        if (auto named = functionsByName.find(n); named != functionsByName.end()) {
            for (int k : named->second) {
                TJSFunction *f = Fn(k);
                if (!f || f->GetParentIndex() != -1 || f->GetKind() == 1)
                    continue;
                found = true;
                if (f->GetKind() == 2)
                    Msg(fdIsObjectMethod, n, line);
                break;
            }
        }
        for (int k = 0; k < C.FObjects.Count() && !found; ++k)
            found = Has(n, C.FObjects[k].c_str());
        const size_t dot = n.find('.');
        const AnsiString o = dot == AnsiString::npos ? n : n.substr(0, dot);
        if (!found && dot != AnsiString::npos) {
            const AnsiString m = n.substr(dot + 1);
            found = IsBuiltInMember(m) || NewRecordMember(o, "this." + m);
            if (!found)
                if (TJSFunction *f = FnNamed(o))
                    found = f->GetKind() == 1 && f->IsLocalVar("this." + m);
        }
        if (!found) {
            for (const char *method : {".click", ".focus", ".blur", ".select"}) {
                const size_t p = n.find(method);
                if (p == AnsiString::npos)
                    continue;
                const AnsiString before = n.substr(0, p);
                found = IsHTML(before) || IsDynamic(before) || IsOpenedWindow(before);
                break;
            }
        }
        if (!found)
            found = IsGlobal(n) || IsGlobal(o) || IsHTML(n) || IsDynamic(n);
        // A function is an object too: what it carries is set anywhere.
        if (!found && dot != AnsiString::npos)
            found = FnIndex(o) >= 0;
        for (int k = 0; k < C.FHTMLNames.Count() && !found; ++k)
            found = Has(C.FHTMLNames[k], ("." + n).c_str());
        if (!found)
            Msg(fdFunctionOrMethodNotFound, n, line);
    }
}

// 10. Labels named by break and continue outside functions.
void TCrossReference::Labels()
{
    for (const auto &ref : L.LabelRefs)
        if (!L.LabelDefs.Contains(ref.Name))
            Msg(fdGlobalLabelNotFound, ref.Name, ref.Value);
}

// 11. Every name referenced at global level must be declared somewhere.
void TCrossReference::GlobalRefsSecondPass()
{
    for (int i = 0; i < L.GlobalRefs.Count(); ++i) {
        const AnsiString &r = L.GlobalRefs.Name(i);
        const TCheckLine line = L.GlobalRefs.Line(i);
        // "f()" used as a value refers to f.
        AnsiString n = Reduce(BasePath(r));
        const size_t firstDot = n.find('.');
        if (TJSVariable *v = Global(n.substr(0, firstDot)); v && v->GetKind() == vkTyped) {
            if (v->GetText() == "document" || v->GetText() == "window")
                n.clear();
            else
                n = v->GetText() + (firstDot == AnsiString::npos ? AnsiString() : n.substr(firstDot));
        }
        if (n.empty() || Has(n, "parent.") || n == "this.form" || n == "this.blur")
            continue;
        const size_t dot = n.find('.');
        const AnsiString o = dot == AnsiString::npos ? n : n.substr(0, dot);
        const AnsiString m = dot == AnsiString::npos ? AnsiString() : n.substr(dot + 1);
        bool found = IsGlobal(n) || IsHTML(n) || IsDynamic(n) || FnIndex(n) >= 0 || IsForm(n) || IsSystemName(o);
        // A member of a declared global object: its members are not all known.
        if (!found && dot != AnsiString::npos)
            found = IsGlobal(o) || FnIndex(o) >= 0;
        for (int k = 0; k < C.FHTMLNames.Count() && !found; ++k) {
            const AnsiString &e = C.FHTMLNames[k];
            const size_t p = e.find("." + n);
            found = p != AnsiString::npos && (p + 1 + n.size() == e.size() || e[p + 1 + n.size()] == '.');
        }
        for (int k = 0; k < C.FObjects.Count() && !found; ++k)
            found = Has(n, (C.FObjects[k] + ".").c_str());
        if (!found && dot != AnsiString::npos) {
            found = NewRecordMember(o, "this." + m);
            if (!found)
                if (TJSFunction *f = FnNamed(o))
                    found = f->GetKind() == 1 && f->IsLocalVar("this." + m);
        }
        if (!found)
            found = IsPrototypeMember(n, -1) || IsPrototypeMember(r, -1);
        if (!found)
            found = IsBuiltInMember(dot == AnsiString::npos ? n : m);
        if (!found)
            found = n.size() == 9 && n.rfind("RegExp.$", 0) == 0 && n[8] >= '0' && n[8] <= '9';
        if (!found)
            Msg(fdGlobalNameNotFound, n, line);
    }
}

// 12. HTML objects referenced at global level.
void TCrossReference::HTMLRefs()
{
    for (int i = 0; i < L.GlobalHTMLRefs.Count(); ++i) {
        const AnsiString &p = L.GlobalHTMLRefs.Name(i);
        const TCheckLine line = L.GlobalHTMLRefs.Line(i);
        const AnsiString n = Reduce(p);
        if (n.empty())
            continue;
        if (IsForm(n))
            continue;
        TCheckLine declLine;
        bool found = HTMLEntryMatches(n, declLine);
        if (!found && (p.rfind("document.all.", 0) == 0 || Has(p, "this."))) {
            for (int k = 0; k < C.FHTMLNames.Count() && !found; ++k) {
                if (C.FHTMLNames[k].rfind(n, 0) == 0) {
                    found = true;
                    declLine = C.FHTMLNames.Line(k);
                }
            }
        }
        if (found) {
            if (declLine > line && !line.IsInclude() && line.Line() >= 0)
                Msg(fdHtmlObjectBeforeDeclaration, n, std::to_string(declLine.Line()), line);
            continue;
        }
        if (IsGlobal(n) || IsGlobal(n.substr(0, n.find('.'))))
            continue;
        Msg(fdHtmlObjectNotFound, p, line);
    }
}

// 13. Names used inside functions.
bool TCrossReference::KnownHead(TJSFunction *f, int fi, const AnsiString &head)
{
    return f->IsParameter(head) || f->IsLocalVar(head) || IsGlobal(head) || FnIndex(head) >= 0 || IsHTML(head) ||
           IsDynamic(head) || IsForm(head) || f->HasEmbeddedFunction(head) || IsOpenedWindow(head) ||
           IsInheritedMember(head, fi) || IsClosureName(head, fi) || IsSystemName(head);
}

void TCrossReference::FunctionReferences()
{
    for (int fi = 0; fi < L.Functions.Count(); ++fi) {
        TJSFunction *f = Fn(fi);
        if (!f || f->GetKind() == 1)
            continue;
        f->CheckLabels();
        TJSFunction *ctor = f->GetKind() == 2 ? Fn(f->GetLinkIndex()) : nullptr;
        const AnsiString ctorName = ctor ? L.Functions.Name(f->GetLinkIndex()) : AnsiString();
        FunctionHtmlObjects(f, fi, ctor);
        FunctionNames(f, fi, ctor);
        if (ctor)
            ObjectMethodMembers(f, ctor, ctorName);
        FunctionCalls(f, fi);
    }
}

void TCrossReference::FunctionHtmlObjects(TJSFunction *f, int fi, TJSFunction *ctor)
{
    // HTML objects referred to in the function.
    for (int j = 0; j < f->HtmlObjects().Count(); ++j) {
        const AnsiString &r = f->HtmlObjects()[j];
        const TCheckLine line = f->HtmlObjects().Line(j);
        const AnsiString n = Reduce(TypedPrefix(r));
        if (n.empty() || Has(r, "parent."))
            continue;
        bool found = f->IsParameter(n) || IsDynamic(n) || IsForm(n) || f->IsLocalVar(n) || IsGlobal(n);
        TCheckLine decl;
        if (!found)
            found = HTMLEntryMatches(n, decl);
        for (int k = 0; k < C.FHTMLNames.Count() && !found; ++k)
            found = Has(C.FHTMLNames[k], ("." + n).c_str());
        if (!found && C.FHTMLNames.Count() > 0)
            found = Has(r, "document.all.") || Has(r, "document.forms.") || Has(r, "document.all(");
        if (!found && ctor)
            found = ctor->IsLocalVar("this." + n);
        if (!found) {
            const size_t dot = n.find('.');
            if (dot != AnsiString::npos)
                found = KnownHead(f, fi, n.substr(0, dot));
        }
        if (!found)
            found = IsInheritedMember(n, fi);
        if (!found)
            Msg(fdNotInVarsOrHtmlNames, n, line);
    }
}

void TCrossReference::FunctionNames(TJSFunction *f, int fi, TJSFunction *ctor)
{
    // Other names the function refers to.
    for (int j = 0; j < f->References().Count(); ++j) {
        AnsiString name = BasePath(f->References()[j]);
        const TCheckLine line = f->References().Line(j);
        const size_t thisPart = name.rfind("this.");
        if (thisPart != AnsiString::npos && thisPart > 0 && name[thisPart - 1] == '.')
            name = name.substr(thisPart);
        name = TypedPrefix(name);
        if (name.empty() || Reduce(name).empty() || Has(name, "parent."))
            continue;
        const size_t dot = name.find('.');
        const AnsiString head = dot == AnsiString::npos ? name : name.substr(0, dot);
        bool found = f->IsLocalVar(name) || f->IsLocalVar("this." + name) || f->IsParameter(name) || IsGlobal(name) ||
                     IsForm(name) || f->HasEmbeddedFunction(name) || IsHTML(name) || IsDynamic(name) ||
                     FnIndex(name) >= 0 || (ctor && (ctor->IsLocalVar(name) || ctor->IsLocalVar("this." + name)));
        if (!found && head == "this")
            found = f->IsLocalVar(name) || (ctor && ctor->IsLocalVar(name));
        if (!found && head != "this" && dot != AnsiString::npos)
            found = KnownHead(f, fi, head) || NewRecordMember(head, "this." + name.substr(dot + 1));
        for (int k = 0; k < C.FObjects.Count() && !found; ++k)
            found = Has(name, C.FObjects[k].c_str());
        for (int k = 0; k < C.FHTMLNames.Count() && !found; ++k) {
            const AnsiString &e = C.FHTMLNames[k];
            found = e.size() > name.size() && e.compare(e.size() - name.size(), name.size(), name) == 0 &&
                    e[e.size() - name.size() - 1] == '.';
        }
        if (!found)
            found = IsInheritedMember(name, fi) || IsClosureName(head, fi) || IsSystemName(head);
        if (!found && head == "this" && !ctor)
            found = true; // "this" of a plain function: unknown object
        if (!found)
            Msg(fdNameNotFound, name, line);
    }
}

void TCrossReference::ObjectMethodMembers(TJSFunction *f, TJSFunction *ctor, const AnsiString &ctorName)
{
    // Object methods: members they use and set must be their constructor's.
    for (int j = 0; j < f->References().Count(); ++j) {
        const AnsiString &name = f->References()[j];
        if (name.rfind("this.", 0) != 0 || ctor->IsLocalVar(name) || f->IsLocalVar(name))
            continue;
        Msg(fdMemberNotInConstructorOrLocals, name, ctorName, f->References().Line(j));
    }
    for (int j = 0; j < f->Locals().Count(); ++j) {
        const AnsiString &local = f->Locals()[j];
        if (local.rfind("this.", 0) != 0 || ctor->IsLocalVar(local))
            continue;
        const auto *v = f->Locals().At(j);
        Msg(fdNotConstructorProperty, local, ctorName, v ? v->GetDeclLine() : f->GetLine());
    }
}

void TCrossReference::FunctionCalls(TJSFunction *f, int fi)
{
    // Calls made in the function.
    for (int j = 0; j < f->Calls().Count(); ++j) {
        const AnsiString &called = f->Calls()[j];
        if (called.find_first_of(".[(") != AnsiString::npos || Reduce(called).empty())
            continue;
        auto *call = f->Calls().At(j);
        const TCheckLine line = call ? call->GetLine() : f->GetLine();
        TJSFunction *w = FnNamed(called);
        if (!w) {
            if (!f->IsLocalVar(called) && !f->IsParameter(called) && !IsGlobal(called) &&
                !f->HasEmbeddedFunction(called) && !IsInheritedMember(called, fi) && !IsClosureName(called, fi) &&
                !IsSystemName(called))
                Msg(fdFunctionNotFound, called, line);
        } else if (w->GetKind() == 2) {
            Msg(fdIsObjectMethod, called, line);
        }
    }
}

// 14. Handlers that click elements.
void TCrossReference::Events()
{
    for (int i = 0; i < C.FEventHandlers.Count(); ++i) {
        const AnsiString &h = C.FEventHandlers[i];
        const size_t p = h.find(".click");
        if (p == AnsiString::npos)
            continue;
        const AnsiString before = h.substr(0, p);
        bool found = IsHTML(before) || IsDynamic(before);
        if (!found) {
            const size_t v = h.find(".value");
            found = v != AnsiString::npos && IsHTML(h.substr(0, v));
        }
        if (!found) {
            TCheckLine decl;
            found = HTMLEntryMatches(Reduce(before), decl);
        }
        if (!found)
            Msg(fdEventNameNotFound, before, C.FEventHandlers.Line(i));
    }
}

// 15. Functions nothing calls.
void TCrossReference::NeverCalled()
{
    if (!C.FOpt.WarnJSFuncNotCalled || C.FJSMode)
        return;
    std::unordered_set<std::string> called;
    for (int i = 0; i < C.FEventHandlers.Count(); ++i)
        called.insert(C.FEventHandlers[i]);
    for (const TGlobalCall &c : L.Calls)
        called.insert(c.Name);
    for (int i = 0; i < L.Functions.Count(); ++i)
        if (TJSFunction *f = Fn(i))
            for (int j = 0; j < f->Calls().Count(); ++j)
                if (f->Calls()[j] != L.Functions.Name(i))
                    called.insert(f->Calls()[j]);
    for (int i = 0; i < L.Functions.Count(); ++i) {
        TJSFunction *f = Fn(i);
        const AnsiString &name = L.Functions.Name(i);
        if (!f || f->GetParentIndex() != -1 || f->GetKind() != 0 || name.rfind("Anonymous function", 0) == 0)
            continue;
        // The pseudo-function of an object literal is nothing one could call.
        if (name.rfind("ObjectLiteral", 0) == 0)
            continue;
        // A function stored in an object's member is called through that object.
        if (name.find('.') != AnsiString::npos)
            continue;
        if (called.count(name))
            continue;
        Msg(fdFunctionNotCalled, name, f->GetLine());
    }
}
