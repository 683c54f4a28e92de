#pragma once
// The symbol model the parser fills while it checks a script: function scopes, call sites and variables.
// The file checker keeps the objects in its lists until the next check and walks them afterwards.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "checker/NamedList.h"
#include "text/ZSStrUtils.h"
#include "platform/StringList.h"

class TJSParser;
class TJSFunction;

// Variable kinds.
enum : uint8_t { vkDeclared = 2, vkArgument = 4, vkTyped = 6, vkActiveX = 8 };

class TJSVariable {
public:
    TJSVariable(int32_t Number, uint8_t Kind, TCheckLine DeclLine, const AnsiString &Text);

    TCheckLine GetDeclLine() const { return FDeclLine; }
    uint8_t GetKind() const { return FKind; }
    void SetKind(uint8_t Kind) { FKind = Kind; }
    int32_t GetValue() const { return FNumber; }
    void SetValue(int32_t Number) { FNumber = Number; }
    const AnsiString &GetText() const { return FText; }
    void SetType(const AnsiString &Text);
    void AddMember(const AnsiString &Name);
    bool HasMember(const AnsiString &Name) const;
    const TZSStringList &Members() const;

private:
    TCheckLine FDeclLine;
    int32_t FNumber;
    uint8_t FKind;
    AnsiString FText;
    std::unique_ptr<TZSStringList> FMembers; // made with the first member: most variables have none
};

// An argument of a call: its text and the result code its expression gave.
struct TCallArgument {
    AnsiString Text;
    int32_t Number = 0;
};

class TJSFunctionCall {
public:
    TJSFunctionCall(const AnsiString &CallerName, TCheckLine Line);

    TCheckLine GetLine() const { return FLine; }
    void AddArgument(const AnsiString &Text, int32_t Number);
    // Text and number of argument Index; -1 when Index is outside.
    int32_t GetArgument(int Index, AnsiString &Text) const;
    int ArgumentCount() const { return static_cast<int>(FArguments.size()); }
    const AnsiString &GetCallerName() const { return FCallerName; }

private:
    TCheckLine FLine;
    AnsiString FCallerName;
    std::vector<TCallArgument> FArguments;
};

class TJSFunction {
public:
    TJSFunction(TJSParser *Parser, int32_t ParentIndex, uint8_t Kind, TCheckLine Line, const AnsiString &Name);
    TJSFunction(const TJSFunction &) = delete;
    TJSFunction &operator=(const TJSFunction &) = delete;

    const AnsiString &Name() const { return FName; }

    void SetParameters(const AnsiString &Text, TCheckLine Line, bool Replace);
    void AddLocalVar(const AnsiString &Name, TCheckLine Line, int TokenCode, const AnsiString &TypeText, bool Report);
    void AddLabel(const AnsiString &Name, TCheckLine Line);
    void AddLabelRef(const AnsiString &Name, TCheckLine Line);
    // False when the same path was recorded on the same line already.
    bool AddHtmlObject(const AnsiString &Name, TCheckLine Line);
    void AddReference(const AnsiString &Name, TCheckLine Line);
    void AddCall(const AnsiString &CalledName, TCheckLine Line);
    AnsiString LastCallName() const;
    TJSFunctionCall *LastCall() const;
    void AddCallArgument(const AnsiString &CalledName, const AnsiString &Text, int32_t Number);
    void AddEmbeddedFunction(const AnsiString &Name, TCheckLine Line);
    void CheckLocals();
    void CheckLabels();

    bool IsParameter(const AnsiString &Name) const;
    bool IsLocalVar(const AnsiString &Name) const;
    bool HasEmbeddedFunction(const AnsiString &Name) const;
    bool HasCall(const AnsiString &Name) const;
    TCheckLine GetLine() const { return FLine; }
    uint8_t GetKind() const { return FKind; }
    void SetKind1() { FKind = 1; }
    void SetKind2() { FKind = 2; }
    int32_t GetParentIndex() const { return FParentIndex; }
    int ParameterCount() const { return FParameters.Count(); }
    int32_t GetLinkIndex() const { return FLinkIndex; }
    void SetLinkIndex(int32_t Index) { FLinkIndex = Index; }
    int32_t GetIndex2() const { return FIndex2; }
    void SetIndex2(int32_t Index) { FIndex2 = Index; }
    void SetUsed() { FUsed = true; }
    bool IsUsed() const { return FUsed; }
    int32_t GetReturnInfo(AnsiString &Name) const
    {
        Name = FReturnName;
        return FReturnCode;
    }
    void SetReturnInfo(const AnsiString &Name, int32_t Code)
    {
        FReturnName = Name;
        FReturnCode = Code;
    }

    AnsiString GetLocalVarType(const AnsiString &Name) const;
    void SetLocalVarType(const AnsiString &Name, const AnsiString &Text);
    int32_t GetParameterInfo(const AnsiString &Name, AnsiString &Text) const;
    void SetParameterType(int Index, int32_t Number, const AnsiString &Text);

    void ResetCursors() { FHtmlCursor = FLocalCursor = FReferenceCursor = FCallCursor = 0; }
    void ResetLocalCursor() { FLocalCursor = 0; }
    void ResetReferenceCursor() { FReferenceCursor = 0; }
    // Next entry's name and line, advancing the cursor; none at the end.
    std::optional<TCheckLine> NextHtmlObject(AnsiString &Name);
    std::optional<TCheckLine> NextLocalVar(AnsiString &Name);
    std::optional<TCheckLine> NextReference(AnsiString &Name);
    std::optional<TCheckLine> NextCall(AnsiString &Name);

    // Read access for the cross-reference pass and the tests.
    const TRecordList<TJSVariable> &Parameters() const { return FParameters; }
    const TRecordList<TJSVariable> &Locals() const { return FLocals; }
    const TLineList &Labels() const { return FLabels; }
    const TLineList &LabelRefs() const { return FLabelRefs; }
    const TLineList &HtmlObjects() const { return FHtmlObjects; }
    const TLineList &References() const { return FReferences; }
    const TRecordList<TJSFunctionCall> &Calls() const { return FCalls; }
    const TLineList &EmbeddedFunctions() const { return FEmbedded; }

private:
    void AddParameter(const AnsiString &Name, TCheckLine Line, bool Replace);

    AnsiString FName;
    TJSParser *FParser;
    TCheckLine FLine;
    uint8_t FKind;
    TRecordList<TJSVariable> FParameters;
    TLineList FHtmlObjects; // paths of HTML objects referred to
    TRecordList<TJSVariable> FLocals;
    TLineList FLabels;
    TLineList FLabelRefs; // labels named by "break" and "continue"
    TLineList FReferences; // other names referred to
    TRecordList<TJSFunctionCall> FCalls; // under the name called
    TLineList FEmbedded; // functions declared inside
    int FHtmlCursor = 0, FLocalCursor = 0, FReferenceCursor = 0, FCallCursor = 0;
    int32_t FLinkIndex = -1;
    int32_t FParentIndex;
    int32_t FIndex2 = -1;
    int32_t FReturnCode = 0;
    AnsiString FReturnName;
    bool FUsed = false;
};
