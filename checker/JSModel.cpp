#include "checker/JSModel.h"

#include "checker/JSParser.h"
#include "checker/ListUtils.h"

namespace {

template <class T>
void FreeObjects(TStrings &List)
{
    for (int i = 0; i < List.Count(); ++i) {
        delete static_cast<T *>(List.Objects(i));
        List.PutObject(i, nullptr);
    }
    List.Clear();
}

} // namespace

// ---- TJSVariable

TJSVariable::TJSVariable(int32_t Number, uint8_t Kind, int32_t DeclLine, const AnsiString &Text)
    : FDeclLine(DeclLine), FNumber(Number), FKind(Kind), FText(Text)
{
}

void TJSVariable::SetType(const AnsiString &Text)
{
    FText = Text;
    FKind = vkTyped;
}

void TJSVariable::AddMember(const AnsiString &Name)
{
    if (!HasMember(Name))
        FMembers.Add(Name);
}

bool TJSVariable::HasMember(const AnsiString &Name) const
{
    return IndexOfExact(FMembers, Name) >= 0;
}

// ---- TJSFunctionCall

TJSFunctionCall::TJSFunctionCall(void *Owner, const AnsiString &CallerName, int32_t Line)
    : FOwner(Owner), FLine(Line), FCallerName(CallerName)
{
}

TJSFunctionCall::~TJSFunctionCall()
{
    FreeObjects<TJSVariable>(FArguments);
}

void TJSFunctionCall::AddArgument(const AnsiString &Text, int32_t Number)
{
    FArguments.AddObject(Text, new TJSVariable(Number, vkArgument, -1, Text));
}

int32_t TJSFunctionCall::GetArgument(int Index, AnsiString &Text) const
{
    if (Index < 0 || Index >= FArguments.Count())
        return -1;
    Text = FArguments[Index];
    return static_cast<const TJSVariable *>(FArguments.Objects(Index))->GetValue();
}

// ---- TJSFunction

TJSFunction::TJSFunction(TJSParser *Parser, int32_t ParentIndex, uint8_t Kind, int32_t Line, const AnsiString &Name)
    : FName(Name), FParser(Parser), FLine(Line), FKind(Kind), FParentIndex(ParentIndex)
{
}

TJSFunction::~TJSFunction()
{
    FreeObjects<TJSVariable>(FParameters);
    FreeObjects<TJSVariable>(FLocals);
    FreeObjects<TJSFunctionCall>(FCalls);
}

void TJSFunction::AddParameter(const AnsiString &Name, int32_t Line, bool Replace)
{
    if (FParameterIndex.IndexOf(FParameters, Name) < 0)
        FParameters.AddObject(Name, new TJSVariable(-1, vkDeclared, Line, Name));
    else if (Replace && FParser)
        FParser->AddMessage("duplicate parameter name, \"" + Name + "\"", sevError, 70, Line);
}

void TJSFunction::SetParameters(const AnsiString &Text, int32_t Line, bool Replace)
{
    if (Replace) {
        FreeObjects<TJSVariable>(FParameters);
        FParameterIndex.Reset();
    }
    if (Text.find("()") != AnsiString::npos || Text.find("( )") != AnsiString::npos)
        return;
    size_t open = Text.find('(');
    if (open == AnsiString::npos)
        return;
    AnsiString current;
    for (size_t i = open + 1; i < Text.size(); ++i) {
        char c = Text[i];
        if (c == ' ' || (c >= 7 && c <= 13))
            continue;
        if (c == ')')
            continue;
        if (c == ',') {
            if (!current.empty())
                AddParameter(current, Line, Replace);
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.empty())
        AddParameter(current, Line, Replace);
}

void TJSFunction::AddLocalVar(const AnsiString &Name, int32_t Line, int TokenCode, const AnsiString &TypeText,
                              bool Report)
{
    int i = FLocalIndex.IndexOf(FLocals, Name);
    if (i < 0) {
        bool typed = (TokenCode >= 196 && TokenCode <= 201) || TypeText.rfind("window.", 0) == 0 ||
                     TypeText.rfind("document.", 0) == 0;
        FLocals.AddObject(
            Name, new TJSVariable(-1, typed ? vkTyped : vkDeclared, Line, typed ? TypeText : AnsiString()));
        return;
    }
    int32_t first = DisplayLine(static_cast<TJSVariable *>(FLocals.Objects(i))->GetDeclLine());
    if (Report && FParser && FParser->OptRepeatDec() && !FParser->InElse())
        FParser->AddMessage("local var \"" + Name + "\" already declared on line " + std::to_string(first), sevWarning,
                            11, Line);
}

void TJSFunction::AddLabel(const AnsiString &Name, int32_t Line)
{
    if (FLabelIndex.IndexOf(FLabels, Name) >= 0) {
        if (FParser)
            FParser->AddMessage("label \"" + Name + "\" already declared", sevError, 68, Line);
        return;
    }
    FLabels.AddObject(Name, LineObject(Line));
}

void TJSFunction::AddLabelRef(const AnsiString &Name, int32_t Line)
{
    FLabelRefs.AddObject(Name, LineObject(Line));
}

bool TJSFunction::AddHtmlObject(const AnsiString &Name, int32_t Line)
{
    // an assigned path is offered as the assignment's target after its member chain was read: once only
    for (int i = FHtmlObjects.Count() - 1; i >= 0 && ObjectLine(FHtmlObjects.Objects(i)) == Line; --i)
        if (FHtmlObjects[i] == Name)
            return false;
    FHtmlObjects.AddObject(Name, LineObject(Line));
    return true;
}

void TJSFunction::AddReference(const AnsiString &Name, int32_t Line)
{
    // entries of one line are appended together, so only the tail can hold the same name and line
    for (int i = FReferences.Count() - 1; i >= 0 && ObjectLine(FReferences.Objects(i)) == Line; --i)
        if (FReferences[i] == Name)
            return;
    FReferences.AddObject(Name, LineObject(Line));
}

void TJSFunction::AddCall(const AnsiString &CalledName, int32_t Line)
{
    FCalls.AddObject(CalledName, new TJSFunctionCall(this, FName, Line));
}

TJSFunctionCall *TJSFunction::LastCall() const
{
    return FCalls.Count() ? static_cast<TJSFunctionCall *>(FCalls.Objects(FCalls.Count() - 1)) : nullptr;
}

AnsiString TJSFunction::LastCallName() const
{
    return FCalls.Count() ? FCalls[FCalls.Count() - 1] : AnsiString();
}

void TJSFunction::AddCallArgument(const AnsiString &CalledName, const AnsiString &Text, int32_t Number)
{
    int i = FCallIndex.IndexOf(FCalls, CalledName);
    if (i >= 0)
        static_cast<TJSFunctionCall *>(FCalls.Objects(i))->AddArgument(Text, Number);
}

void TJSFunction::AddEmbeddedFunction(const AnsiString &Name, int32_t Line)
{
    if (Name.empty())
        return;
    if (FEmbeddedIndex.IndexOf(FEmbedded, Name) >= 0) {
        if (FParser)
            FParser->AddMessage("possible duplicate embedded function \"" + Name + "\"", sevWarning, 56, Line);
        return;
    }
    FEmbedded.AddObject(Name, LineObject(Line));
}

void TJSFunction::CheckLocals()
{
    if (!FParser)
        return;
    for (int i = 0; i < FLocals.Count(); ++i)
        if (IsParameter(FLocals[i]))
            FParser->AddMessage("local var \"" + FLocals[i] + "\" same name as a function parameter", sevWarning, 12,
                                static_cast<TJSVariable *>(FLocals.Objects(i))->GetDeclLine());
}

void TJSFunction::CheckLabels()
{
    if (!FParser)
        return;
    for (int i = 0; i < FLabelRefs.Count(); ++i)
        if (FLabelIndex.IndexOf(FLabels, FLabelRefs[i]) < 0)
            FParser->AddMessage("label \"" + FLabelRefs[i] + "\" not found", sevError, 71,
                                ObjectLine(FLabelRefs.Objects(i)));
}

bool TJSFunction::IsParameter(const AnsiString &Name) const
{
    return FParameterIndex.IndexOf(FParameters, Name) >= 0;
}
bool TJSFunction::IsLocalVar(const AnsiString &Name) const
{
    return FLocalIndex.IndexOf(FLocals, Name) >= 0;
}
bool TJSFunction::HasEmbeddedFunction(const AnsiString &Name) const
{
    return FEmbeddedIndex.IndexOf(FEmbedded, Name) >= 0;
}
bool TJSFunction::HasCall(const AnsiString &Name) const
{
    return FCallIndex.IndexOf(FCalls, Name) >= 0;
}

AnsiString TJSFunction::GetLocalVarType(const AnsiString &Name) const
{
    int i = FLocalIndex.IndexOf(FLocals, Name);
    if (i < 0)
        return {};
    auto *v = static_cast<const TJSVariable *>(FLocals.Objects(i));
    return v->GetKind() == vkTyped ? v->GetText() : AnsiString();
}

void TJSFunction::SetLocalVarType(const AnsiString &Name, const AnsiString &Text)
{
    int i = FLocalIndex.IndexOf(FLocals, Name);
    if (i >= 0)
        static_cast<TJSVariable *>(FLocals.Objects(i))->SetType(Text);
}

int32_t TJSFunction::GetParameterInfo(const AnsiString &Name, AnsiString &Text) const
{
    int i = FParameterIndex.IndexOf(FParameters, Name);
    if (i < 0)
        return -1;
    auto *v = static_cast<const TJSVariable *>(FParameters.Objects(i));
    Text = v->GetText();
    return v->GetValue();
}

void TJSFunction::SetParameterType(int Index, int32_t Number, const AnsiString &Text)
{
    if (Index < 0 || Index >= FParameters.Count())
        return;
    auto *v = static_cast<TJSVariable *>(FParameters.Objects(Index));
    v->SetType(Text);
    v->SetValue(Number);
}

int32_t TJSFunction::NextHtmlObject(AnsiString &Name)
{
    if (FHtmlCursor >= FHtmlObjects.Count())
        return -1;
    Name = FHtmlObjects[FHtmlCursor];
    return ObjectLine(FHtmlObjects.Objects(FHtmlCursor++));
}

int32_t TJSFunction::NextLocalVar(AnsiString &Name)
{
    if (FLocalCursor >= FLocals.Count())
        return -1;
    Name = FLocals[FLocalCursor];
    return static_cast<TJSVariable *>(FLocals.Objects(FLocalCursor++))->GetDeclLine();
}

int32_t TJSFunction::NextReference(AnsiString &Name)
{
    if (FReferenceCursor >= FReferences.Count())
        return -1;
    Name = FReferences[FReferenceCursor];
    return ObjectLine(FReferences.Objects(FReferenceCursor++));
}

int32_t TJSFunction::NextCall(AnsiString &Name)
{
    if (FCallCursor >= FCalls.Count())
        return -1;
    Name = FCalls[FCallCursor];
    return static_cast<TJSFunctionCall *>(FCalls.Objects(FCallCursor++))->GetLine();
}
