#include "checker/JSModel.h"

#include <memory>

#include "checker/Findings.h"

#include "checker/JSParser.h"

// ---- TJSVariable

TJSVariable::TJSVariable(int32_t Number, uint8_t Kind, TCheckLine DeclLine, const AnsiString &Text)
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
    if (!FMembers)
        FMembers = std::make_unique<TZSStringList>();
    else if (HasMember(Name))
        return;
    FMembers->Add(Name);
}

bool TJSVariable::HasMember(const AnsiString &Name) const
{
    return FMembers && IndexOfExact(*FMembers, Name) >= 0;
}

const TZSStringList &TJSVariable::Members() const
{
    static const TZSStringList none;
    return FMembers ? *FMembers : none;
}

// ---- TJSFunctionCall

TJSFunctionCall::TJSFunctionCall(const AnsiString &CallerName, TCheckLine Line) : FLine(Line), FCallerName(CallerName)
{
}

void TJSFunctionCall::AddArgument(const AnsiString &Text, int32_t Number)
{
    FArguments.push_back({Text, Number});
}

int32_t TJSFunctionCall::GetArgument(int Index, AnsiString &Text) const
{
    if (Index < 0 || Index >= ArgumentCount())
        return -1;
    Text = FArguments[Index].Text;
    return FArguments[Index].Number;
}

// ---- TJSFunction

TJSFunction::TJSFunction(TJSParser *Parser, int32_t ParentIndex, uint8_t Kind, TCheckLine Line, const AnsiString &Name)
    : FName(Name), FParser(Parser), FLine(Line), FKind(Kind), FParentIndex(ParentIndex)
{
}

void TJSFunction::AddParameter(const AnsiString &Name, TCheckLine Line, bool Replace)
{
    if (!FParameters.Contains(Name))
        FParameters.Add(Name, std::make_unique<TJSVariable>(-1, vkDeclared, Line, Name));
    else if (Replace && FParser)
        FParser->AddFinding(fdDuplicateParameter, Name, Line);
}

void TJSFunction::SetParameters(const AnsiString &Text, TCheckLine Line, bool Replace)
{
    if (Replace)
        FParameters.Clear();
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

void TJSFunction::AddLocalVar(const AnsiString &Name, TCheckLine Line, int TokenCode, const AnsiString &TypeText,
                              bool Report)
{
    const TJSVariable *existing = FLocals.Find(Name);
    if (!existing) {
        bool typed = (TokenCode >= 196 && TokenCode <= 201) || TypeText.rfind("window.", 0) == 0 ||
                     TypeText.rfind("document.", 0) == 0;
        FLocals.Add(Name, std::make_unique<TJSVariable>(-1, typed ? vkTyped : vkDeclared, Line,
                                                        typed ? TypeText : AnsiString()));
        return;
    }
    const int32_t first = existing->GetDeclLine().Line();
    if (Report && FParser && FParser->OptRepeatDec() && !FParser->InElse())
        FParser->AddFinding(fdLocalAlreadyDeclared, Name, std::to_string(first), Line);
}

void TJSFunction::AddLabel(const AnsiString &Name, TCheckLine Line)
{
    if (FLabels.Contains(Name)) {
        if (FParser)
            FParser->AddFinding(fdLabelAlreadyDeclared, Name, Line);
        return;
    }
    FLabels.Add(Name, Line);
}

void TJSFunction::AddLabelRef(const AnsiString &Name, TCheckLine Line)
{
    FLabelRefs.Add(Name, Line);
}

bool TJSFunction::AddHtmlObject(const AnsiString &Name, TCheckLine Line)
{
    // an assigned path is offered as the assignment's target after its member chain was read: once only
    if (FHtmlObjects.EndsWith(Name, Line))
        return false;
    FHtmlObjects.Add(Name, Line);
    return true;
}

void TJSFunction::AddReference(const AnsiString &Name, TCheckLine Line)
{
    if (!FReferences.EndsWith(Name, Line))
        FReferences.Add(Name, Line);
}

void TJSFunction::AddCall(const AnsiString &CalledName, TCheckLine Line)
{
    FCalls.Add(CalledName, std::make_unique<TJSFunctionCall>(FName, Line));
}

TJSFunctionCall *TJSFunction::LastCall() const
{
    return FCalls.Last();
}

AnsiString TJSFunction::LastCallName() const
{
    return FCalls.Empty() ? AnsiString() : FCalls.Back().Name;
}

void TJSFunction::AddCallArgument(const AnsiString &CalledName, const AnsiString &Text, int32_t Number)
{
    if (TJSFunctionCall *call = FCalls.Find(CalledName))
        call->AddArgument(Text, Number);
}

void TJSFunction::AddEmbeddedFunction(const AnsiString &Name, TCheckLine Line)
{
    if (Name.empty())
        return;
    if (FEmbedded.Contains(Name)) {
        if (FParser)
            FParser->AddFinding(fdDuplicateEmbeddedFunction, Name, Line);
        return;
    }
    FEmbedded.Add(Name, Line);
}

void TJSFunction::CheckLocals()
{
    if (!FParser)
        return;
    for (const auto &local : FLocals)
        if (IsParameter(local.Name))
            FParser->AddFinding(fdLocalSameAsParameter, local.Name, local.Value->GetDeclLine());
}

void TJSFunction::CheckLabels()
{
    if (!FParser)
        return;
    for (const auto &ref : FLabelRefs)
        if (!FLabels.Contains(ref.Name))
            FParser->AddFinding(fdLabelNotFound, ref.Name, ref.Value);
}

bool TJSFunction::IsParameter(const AnsiString &Name) const
{
    return FParameters.Contains(Name);
}
bool TJSFunction::IsLocalVar(const AnsiString &Name) const
{
    return FLocals.Contains(Name);
}
bool TJSFunction::HasEmbeddedFunction(const AnsiString &Name) const
{
    return FEmbedded.Contains(Name);
}
bool TJSFunction::HasCall(const AnsiString &Name) const
{
    return FCalls.Contains(Name);
}

AnsiString TJSFunction::GetLocalVarType(const AnsiString &Name) const
{
    const TJSVariable *v = FLocals.Find(Name);
    return v && v->GetKind() == vkTyped ? v->GetText() : AnsiString();
}

void TJSFunction::SetLocalVarType(const AnsiString &Name, const AnsiString &Text)
{
    if (TJSVariable *v = FLocals.Find(Name))
        v->SetType(Text);
}

int32_t TJSFunction::GetParameterInfo(const AnsiString &Name, AnsiString &Text) const
{
    const TJSVariable *v = FParameters.Find(Name);
    if (!v)
        return -1;
    Text = v->GetText();
    return v->GetValue();
}

void TJSFunction::SetParameterType(int Index, int32_t Number, const AnsiString &Text)
{
    if (TJSVariable *v = FParameters.At(Index)) {
        v->SetType(Text);
        v->SetValue(Number);
    }
}

std::optional<TCheckLine> TJSFunction::NextHtmlObject(AnsiString &Name)
{
    if (FHtmlCursor >= FHtmlObjects.Count())
        return std::nullopt;
    Name = FHtmlObjects.Name(FHtmlCursor);
    return FHtmlObjects.Line(FHtmlCursor++);
}

std::optional<TCheckLine> TJSFunction::NextLocalVar(AnsiString &Name)
{
    if (FLocalCursor >= FLocals.Count())
        return std::nullopt;
    Name = FLocals.Name(FLocalCursor);
    return FLocals.At(FLocalCursor++)->GetDeclLine();
}

std::optional<TCheckLine> TJSFunction::NextReference(AnsiString &Name)
{
    if (FReferenceCursor >= FReferences.Count())
        return std::nullopt;
    Name = FReferences.Name(FReferenceCursor);
    return FReferences.Line(FReferenceCursor++);
}

std::optional<TCheckLine> TJSFunction::NextCall(AnsiString &Name)
{
    if (FCallCursor >= FCalls.Count())
        return std::nullopt;
    Name = FCalls.Name(FCallCursor);
    return FCalls.At(FCallCursor++)->GetLine();
}
