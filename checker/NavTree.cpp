#include "checker/NavTree.h"

AnsiString NameBeforeParen(const AnsiString &Text)
{
    size_t p = Text.find('(');
    return p == AnsiString::npos ? Text : Text.substr(0, p);
}

TNavTreeBuilder::TNavTreeBuilder() : FArena(std::make_shared<TNavRecArena>())
{
}

TNavNodeRec *TNavTreeBuilder::Rec(TNavNode Node) const
{
    return Node && FTree && FArena ? FArena->Find(FTree->GetData(Node)) : nullptr;
}

void TNavTreeBuilder::ClearTree(INavTreeNodes *Tree)
{
    FTree = Tree;
    if (FTree) {
        FTree->BeginUpdate();
        const int n = FTree->GetCount();
        for (int i = 0; i < n; ++i)
            if (TNavNode node = FTree->GetNodeFromIndex(i))
                FTree->SetData(node, nullptr);
        FTree->Clear();
        FTree->EndUpdate();
    }
    FArena = std::make_shared<TNavRecArena>();
    FFunctionIndexValid = false;
    FHTMLPending = FEventsPending = FPageGlobalsPending = FIncludeGlobalsPending = FDynamicPending = true;
    FCurrentFunction = FHTMLGroup = FPageGlobals = FIncludeGlobals = FCurrentForm = FCurrentInclude = FDynamicGroup =
        FEventsGroup = FCurrentSection = nullptr;
}

TNavNode TNavTreeBuilder::NewNode(TNavNode Anchor, bool AsChild, const AnsiString &Text, TCheckLine Line, uint8_t Kind)
{
    if (!FTree)
        return nullptr;
    FFunctionIndexValid = false;
    TNavNodeRec *rec = FArena->New(Text, Line, Kind);
    return AsChild ? FTree->AddChildObject(Anchor, Text, rec) : FTree->AddObject(Anchor, Text, rec);
}

TNavNode TNavTreeBuilder::Group(TNavNode &Ref, bool &Pending, const AnsiString &Text, TCheckLine Line, uint8_t Kind)
{
    if (Pending || !Ref) {
        Ref = NewNode(nullptr, false, Text, Line, Kind);
        Pending = false;
    }
    return Ref;
}

void TNavTreeBuilder::AddRootNode(const AnsiString &Name, TCheckLine Line, uint8_t Kind)
{
    TNavNode node = NewNode(nullptr, false, Name, Line, Kind);
    if (Kind == nkSectionRoot)
        FCurrentSection = node;
    if (Kind == nkIncludeRoot) {
        FCurrentInclude = node;
        // Each include gets its own global variables group.
        FIncludeGlobals = nullptr;
        FIncludeGlobalsPending = true;
    }
}

TNavNode TNavTreeBuilder::AddFunctionNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, uint8_t Kind,
                                          bool InInclude)
{
    if (!FTree)
        return nullptr;
    AnsiString text = Name;
    TNavNode anchor;
    if (Kind == nkNestedFunction) {
        if (!FTreeLocals)
            return nullptr;
        anchor = Parent ? Parent : FCurrentFunction;
    } else {
        if (!text.empty() && text[0] == '(')
            text = "function" + text;
        if (Parent) {
            TNavNode last = FTree->GetLastChild(Parent);
            TNavNodeRec *r = Rec(last);
            if (r && r->Kind == nkLocalVar && r->Line == Line && NameBeforeParen(r->Name) == NameBeforeParen(text))
                DeleteNode(last);
            anchor = Parent;
        } else {
            anchor = InInclude ? FCurrentInclude : FCurrentSection;
        }
    }
    TNavNode node = NewNode(anchor, true, text, Line, Kind);
    FCurrentFunction = node;
    return node;
}

void TNavTreeBuilder::AddVariableNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, uint8_t Kind,
                                      bool InInclude, bool ServerPass)
{
    if (!FTree)
        return;
    if (Kind == nkGlobalVar || Kind == nkTypedGlobalVar) {
        if (!FTreeGlobals)
            return;
        if (ServerPass) {
            NewNode(FCurrentSection, true, Name, Line - 1, Kind);
            return;
        }
        TNavNode group;
        if (InInclude) {
            if (FIncludeGlobalsPending || !FIncludeGlobals) {
                FIncludeGlobals = NewNode(FCurrentInclude, true, "Global variables", Line - 1, nkGlobalsGroup);
                FIncludeGlobalsPending = false;
            }
            group = FIncludeGlobals;
        } else {
            if (FPageGlobalsPending || !FPageGlobals) {
                TNavNodeRec *rec = FArena->New("Global variables", Line - 1, nkGlobalsGroup);
                FFunctionIndexValid = false;
                FPageGlobals = FTree->AddFirstObject(nullptr, "Global variables", rec);
                FPageGlobalsPending = false;
            }
            group = FPageGlobals;
        }
        if (group)
            NewNode(group, true, Name, Line - 1, Kind);
        return;
    }
    if (Kind == nkLocalVar) {
        if (!FTreeLocals)
            return;
        if (Parent) {
            TNavNodeRec *r = Rec(FTree->GetLastChild(Parent));
            if (r && r->Kind == nkFunction && r->Name.compare(0, Name.size() + 1, Name + "(") == 0)
                return;
        }
        TNavNode anchor = Parent ? Parent : FCurrentFunction;
        if (anchor)
            NewNode(anchor, true, Name, Line - 1, Kind);
    }
}

void TNavTreeBuilder::AddNamedObjectNode(const AnsiString &Name, TCheckLine Line, uint8_t Kind, int OpenForms)
{
    if (!FTree)
        return;
    TNavNode group = Group(FHTMLGroup, FHTMLPending, "HTML Named objects", Line - 1, nkHTMLGroup);
    if (Kind == nkForm) {
        FCurrentForm = NewNode(group, true, Name, Line - 1, Kind);
    } else {
        NewNode(OpenForms > 0 && FCurrentForm ? FCurrentForm : group, true, Name, Line - 1, Kind);
    }
}

void TNavTreeBuilder::AddDynamicHTMLName(const AnsiString &Name, TCheckLine Line)
{
    if (!FTree)
        return;
    TNavNode group = Group(FDynamicGroup, FDynamicPending, "Dynamic HTML Names", Line - 1, nkDynamicGroup);
    NewNode(group, true, Name, Line - 1, nkDynamicName);
}

void TNavTreeBuilder::AddEventNode(const AnsiString &Text, TCheckLine Line)
{
    if (!FTree)
        return;
    TNavNode group = Group(FEventsGroup, FEventsPending, "Events", Line - 1, nkEventsGroup);
    NewNode(group, true, Text, Line - 1, nkEvent);
}

void TNavTreeBuilder::AddConstructorMember(const AnsiString &Name, TCheckLine Line, const AnsiString &Ctor, uint8_t Kind)
{
    if (!FTree || !FTreeLocals)
        return;
    const AnsiString head = "Constructor-" + Ctor + "(";
    // Collect first: adding children changes the flat indexes.
    std::vector<TNavNode> ctors;
    const int n = FTree->GetCount();
    for (int i = 0; i < n; ++i) {
        TNavNode node = FTree->GetNodeFromIndex(i);
        TNavNodeRec *r = Rec(node);
        if (r && r->Kind == nkConstructor && r->Name.compare(0, head.size(), head) == 0)
            ctors.push_back(node);
    }
    for (TNavNode node : ctors)
        NewNode(node, true, Name, Line - 1, Kind);
}

TNavNode TNavTreeBuilder::FindTreeNode(const AnsiString &Name, uint8_t Kind)
{
    if (!FTree)
        return nullptr;
    const int n = FTree->GetCount();
    for (int i = 0; i < n; ++i) {
        TNavNode node = FTree->GetNodeFromIndex(i);
        TNavNodeRec *r = Rec(node);
        if (r && (Kind == nkAnyKind || r->Kind == Kind) && NameBeforeParen(r->Name) == Name)
            return node;
    }
    return nullptr;
}

void TNavTreeBuilder::Forget(TNavNode Node)
{
    for (TNavNode *ref : {&FCurrentFunction, &FHTMLGroup, &FPageGlobals, &FIncludeGlobals, &FCurrentForm,
                          &FCurrentInclude, &FDynamicGroup, &FEventsGroup, &FCurrentSection}) {
        if (*ref == Node)
            *ref = nullptr;
    }
}

void TNavTreeBuilder::DeleteNode(TNavNode Node)
{
    // Children go with the node: forget any reference into the subtree first.
    FFunctionIndexValid = false;
    const int n = FTree->GetCount();
    for (int i = 0; i < n; ++i) {
        TNavNode node = FTree->GetNodeFromIndex(i);
        for (TNavNode p = node; p; p = FTree->GetParent(p)) {
            if (p == Node) {
                Forget(node);
                FTree->SetData(node, nullptr);
                break;
            }
        }
    }
    FTree->Delete(Node);
}

void TNavTreeBuilder::DeleteTreeNode(const AnsiString &Name, uint8_t Kind)
{
    if (!FTree)
        return;
    FTree->BeginUpdate();
    const int n = FTree->GetCount();
    for (int i = 0; i < n; ++i) {
        TNavNode node = FTree->GetNodeFromIndex(i);
        TNavNodeRec *r = Rec(node);
        if (!r || (Kind != nkAnyKind && r->Kind != Kind) || r->Name != Name)
            continue;
        TNavNode parent = FTree->GetParent(node);
        DeleteNode(node);
        if (parent && FTree->GetChildCount(parent) == 0) {
            if (parent == FPageGlobals)
                FPageGlobalsPending = true;
            if (parent == FIncludeGlobals)
                FIncludeGlobalsPending = true;
            DeleteNode(parent);
        }
        break;
    }
    FTree->EndUpdate();
}

void TNavTreeBuilder::MarkConstructor(const AnsiString &Name)
{
    if (!FTree)
        return;
    // A check marks constructors one after another with no node added or removed in between: the
    // function nodes are indexed by name once, in document order, and each mark takes the first left.
    if (!FFunctionIndexValid) {
        FFunctionsByName.clear();
        const int n = FTree->GetCount();
        for (int i = 0; i < n; ++i) {
            TNavNode node = FTree->GetNodeFromIndex(i);
            TNavNodeRec *r = Rec(node);
            const size_t paren = r ? r->Name.find('(') : AnsiString::npos;
            if (r && r->Kind == nkFunction && paren != AnsiString::npos)
                FFunctionsByName[r->Name.substr(0, paren)].push_back(node);
        }
        FFunctionIndexValid = true;
    }
    auto it = FFunctionsByName.find(Name);
    if (it == FFunctionsByName.end())
        return;
    while (!it->second.empty()) {
        TNavNode node = it->second.front();
        it->second.pop_front();
        TNavNodeRec *r = Rec(node);
        if (!r || r->Kind != nkFunction)
            continue;
        r->Name = "Constructor-" + r->Name;
        r->Kind = nkConstructor;
        FTree->SetText(node, r->Name);
        return;
    }
}

void TNavTreeBuilder::MarkDerived(const AnsiString &Name)
{
    TNavNode node = FindTreeNode(Name, nkAnyKind);
    TNavNodeRec *r = Rec(node);
    static const AnsiString tail = " [derived]";
    if (!r || (r->Name.size() >= tail.size() && r->Name.compare(r->Name.size() - tail.size(), tail.size(), tail) == 0))
        return;
    r->Name += tail;
    FTree->SetText(node, r->Name);
}
