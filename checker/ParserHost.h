#pragma once
// What the parser needs of the file checker beyond its shared lists: include names for findings and the
// navigation tree. The file checker implements it; tests give a recording fake.
#include "checker/CheckLine.h"
#include "platform/Types.h"

// A node of the navigation tree, opaque to the parser.
using TNavNode = void *;

// Navigation tree node kinds the parser adds.
enum : int { nkGlobalVar = 5, nkFunction = 7, nkLocalVar = 8, nkNestedFunction = 9, nkDynamicName = 18 };

class IParserHost {
public:
    virtual ~IParserHost() = default;
    // Name of include Index (0-based) of the active document.
    virtual AnsiString GetIncludeName(int Index) = 0;
    // Line: 0-based as stored. Returns the new current function node (may be null).
    virtual TNavNode AddFunctionNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, int Kind) = 0;
    // Line: 1-based.
    virtual void AddVariableNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, int Kind) = 0;
    virtual void AddDynamicHTMLName(const AnsiString &Name, TCheckLine Line) = 0;
    // A member added to a built-in constructor: the constructor's tree node gets " [derived]".
    virtual void MarkDerived(const AnsiString &Name) { (void)Name; }
};
