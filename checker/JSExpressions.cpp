// Expression half of the parser: the precedence chain from assignment down to primary expressions.
#include "checker/CheckerLists.h"
#include "checker/Findings.h"
#include "checker/JSModel.h"
#include "checker/JSParser.h"
#include "checker/NameTables.h"

namespace {

bool IsAssignOp(int C)
{
    return C == '=' || C == tkMulAssign || C == tkDivAssign || C == tkModAssign || C == tkAddAssign ||
           C == tkSubAssign || C == tkShlAssign || C == tkShrAssign || C == tkUShrAssign || C == tkAndAssign ||
           C == tkXorAssign || C == tkOrAssign;
}

bool EndsWith(const AnsiString &S, const char *Tail)
{
    size_t n = std::char_traits<char>::length(Tail);
    return S.size() >= n && S.compare(S.size() - n, n, Tail) == 0;
}

struct LevelInfo {
    int Result;
    TFinding Fail;
};

constexpr LevelInfo kLevels[10] = {
    {erLogical, fdLogicalOrFail},
    {erLogical, fdLogicalAndFail},
    {erBitwise, fdBitwiseOrFail},
    {erBitwise, fdBitwiseXorFail},
    {erBitwise, fdBitwiseAndFail},
    {erEquality, fdEqualityOrInFail},
    {erRelational, fdInvalidRelationalExpression},
    {erShift, fdShiftFail},
    {erAdditive, fdAddOrSubtractFail},
    {erMultiplicative, fdMultiplyDivideOrModulusFail},
};

} // namespace

bool TJSParser::IsValueToken(int C) const
{
    return (C >= tkDOM1 && C <= tkDOM3) || C == tkMethod || C == erThis || C == erNull || (C >= erTrue && C <= erNew) ||
           C == erRegExp || C == erArray;
}

bool TJSParser::IsMemberNameToken(int C) const
{
    return C == tkIdentifier || (C >= tkBreak && C <= tkFalse) || (C >= tkAlert && C <= tkWriteln) ||
           C == tkInstanceof || C == tkMethod || C == tkInherits || (C >= tkConfirm && C <= tkSetTimeout);
}

int TJSParser::ParseAssignment(bool Statement, AnsiString &Text)
{
    TDepthGuard guard(*this);
    if (FAborted)
        return -1;
    const TCheckLine line = Look().Line;
    int r = ParseConditional(Text);
    if (r < 0)
        return r;
    int op = PeekToken();
    // "window" and "document" take an assignment only where the script declared a variable of that name.
    const bool declaredWord = (r == tkWindow || r == tkDocument) && IsDeclaredInScope(Text);
    if (!IsAssignOp(op) || (!IsValueToken(r) && !declaredWord))
        return r;
    if (Statement && (r == erNull || r == erTrue || r == erFalse || (r >= erDecimal && r <= erString) || r == erNew ||
                      r == erRegExp || r == erArray))
        AddFinding(fdAssignmentOnlyToAVariable, Look().Line);
    NextToken();
    const AnsiString target = Text;
    FLastAssignTarget = target;
    const AnsiString savedPending = FPendingTarget;
    FPendingTarget = target;
    const bool eventAssignment = IsEventProperty(target);
    AnsiString rhs;
    int rr;
    if (op == '=' && PeekToken() == '{') {
        rr = ParseObjectOperand(target, rhs);
    } else {
        rr = ParseAssignment(false, rhs);
    }
    FPendingTarget = savedPending;
    if (rr < 0) {
        AddFinding(fdRhsOfAssignmentMissingOr, Look().Line);
        Recover(false);
    } else {
        if (eventAssignment && rr == erIdentifier && !rhs.empty())
            RecordCall(rhs, line);
        RecordAssignmentTarget(target, op, rr, rhs, line);
    }
    Text = target;
    return erAssignment;
}

int TJSParser::ParseConditional(AnsiString &Text)
{
    int r = ParseBinary(0, Text);
    if (r < 0 || PeekToken() != '?')
        return r;
    NextToken();
    AnsiString second;
    int r2 = ParseAssignment(false, second);
    if (r2 < 0) {
        AddFinding(fdInvalidStatementAfterQuestion, Look().Line);
        Recover(false);
        return erConditional;
    }
    int p = PeekToken();
    if (p == ';') {
        AddFinding(fdNotValidIn, Look().Line);
        Recover(false);
        return erConditional;
    }
    if (p != ':') {
        AddFinding(fdColonExpected, Look().Line);
        Recover(false);
        return erConditional;
    }
    NextToken();
    AnsiString third;
    if (ParseAssignment(false, third) < 0) {
        AddFinding(fdInvalidStatementAfterColon, Look().Line);
        Recover(false);
    }
    return erConditional;
}

int TJSParser::ParseBinary(int MinLevel, AnsiString &Text)
{
    int r = ParseUnary(Text);
    if (r < 0)
        return r;
    for (;;) {
        int op = PeekToken();
        int level;
        switch (op) {
        case tkOrOr: level = 0; break;
        case tkAndAnd: level = 1; break;
        case '|': level = 2; break;
        case '^': level = 3; break;
        case '&': level = 4; break;
        case tkEqual:
        case tkNotEqual:
        case tkStrictEqual:
        case tkStrictNotEqual:
        case tkInstanceof: level = 5; break;
        case tkIn: level = FNoIn ? -1 : 5; break;
        case '<':
        case '>':
        case tkLessEqual:
        case tkGreaterEqual: level = 6; break;
        case '!': level = Look().Line == FCur.Line ? 6 : -1; break; // only a misplaced "!" on the operand's line
        case tkShl:
        case tkShr:
        case tkUShr: level = 7; break;
        case '+':
        case '-': level = 8; break;
        case '*':
        case '/':
        case '%': level = 9; break;
        default: level = -1; break;
        }
        if (level < MinLevel || level < 0)
            return r;
        if (!Text.empty())
            RecordReference(Text, r);
        NextToken();
        const TCheckLine opLine = FCur.Line;
        AnsiString right;
        TDepthGuard guard(*this);
        int r2 = ParseBinary(level + 1, right);
        if (op == '!') {
            if (r2 >= 0)
                AddFinding(fdIsNotARelationalSymbol, opLine);
        }
        if (r2 < 0) {
            if (level == 6) {
                if (!Look().Err)
                    AddFinding(kLevels[level].Fail, Look().Line);
                Recover(false);
            } else {
                AddFinding(kLevels[level].Fail, Look().Line);
            }
            return kLevels[level].Result;
        }
        r = kLevels[level].Result;
        Text = std::move(right);
    }
}

int TJSParser::ParseUnary(AnsiString &Text)
{
    int n = PeekToken();
    if (n == tkTypeof) {
        TDepthGuard guard(*this);
        NextToken();
        int r = ParseUnary(Text);
        if (r < 0)
            AddFinding(fdExpressionExpectedAfterTypeof, Look().Line);
        else if (r == erAssignment)
            AddFinding(fdShouldProbablyBeTestFor, FCur.Line);
        return erUnary;
    }
    if (n == tkDelete || n == tkVoid || n == '!' || n == '~' || n == '-' || n == '+' || n == tkPlusPlus ||
        n == tkMinusMinus) {
        TDepthGuard guard(*this);
        NextToken();
        int r = ParseUnary(Text);
        if (r < 0)
            AddFinding(fdUnaryExprFail, Look().Line);
        return (n == tkPlusPlus || n == tkMinusMinus) ? erPrefix : erUnary;
    }
    return ParsePostfix(Text);
}

int TJSParser::ParsePostfix(AnsiString &Text)
{
    int r = ParseMember(Text);
    if (r < 0)
        return r;
    int n = PeekToken();
    if (n == tkPlusPlus || n == tkMinusMinus) {
        if (Look().Line == FCur.Line) {
            NextToken();
            return erPostfix;
        }
        if (FSemiColon)
            AddFinding(fdPreferableToHaveExpressionAnd, Look().Line);
    }
    return r;
}

int TJSParser::ParseMember(AnsiString &Text)
{
    int r = PeekToken() == tkNew ? ParseNew(Text) : ParsePrimary(Text);
    if (r < 0)
        return r;
    // a chain that starts at "window", "document" or a DOM word reports its own argument and index errors
    const bool domChain = r >= tkWindow && r <= tkDOM4;
    // the word of a browser statement ("alert(...)", "write(...)", "close(...)") reports its own argument errors
    bool browserCall = FBrowserCall;
    FBrowserCall = false;
    for (;;) {
        int n = PeekToken();
        if (n == '(') {
            const TCheckLine line = Look().Line;
            const bool createElement = EndsWith(Text, ".createElement") || Text == "createElement";
            TJSFunctionCall *call = nullptr;
            if (r != erNew) {
                call = RecordCall(Text, line);
                if ((Text == "open" || EndsWith(Text, ".open")) && !FPendingTarget.empty())
                    FLists.OpenedWindows.Add(FPendingTarget, line);
            }
            AnsiString args = ParseArguments(Text, line, call, domChain, browserCall);
            browserCall = false;
            Text += args;
            r = createElement ? erCreateElement : (r == erSetTimeout ? erSetTimeout : erCall);
            continue;
        }
        browserCall = false;
        if (n == '[') {
            NextToken();
            const bool markup = FMarkup;
            FMarkup = false;
            AnsiString index;
            const AnsiString savedPending = FPendingTarget;
            FPendingTarget.clear();
            int ir = ParseExpressionList(false, index);
            FPendingTarget = savedPending;
            FMarkup = markup;
            if (ir < 0) {
                if (domChain)
                    AddFinding(fdInvalidExpressionInDom, Look().Line);
                else
                    AddFinding(fdInvalidArrayIndexExpression, Look().Line);
                Recover(false);
            } else if (ir == erIdentifier) {
                RecordReference(index, ir);
            }
            if (PeekToken() == ']')
                NextToken();
            else
                AddFinding(fdCloseBracketExpected, Look().Line);
            Text += "[" + index + "]";
            r = erIndex;
            continue;
        }
        if (n == '.') {
            NextToken();
            int m = PeekToken();
            if (m == tkInherits) {
                ParseInherits(Text);
                r = erMember;
                continue;
            }
            if (!IsMemberNameToken(m) && !(m >= tkDOM1 && m <= tkDOM4)) {
                AddFinding(fdIdentifierExpected, Look().Line);
                return r;
            }
            NextToken();
            Text += "." + FCur.Text;
            if (m == tkIdentifier || m == tkDOM1)
                r = erIdentifier;
            else if (m >= tkDOM1 && m <= tkDOM3)
                r = (r == erIdentifier) ? erIdentifier : (r >= tkWindow && r <= tkDOM4) ? m : erMember;
            else
                r = (r == erIdentifier) ? erIdentifier : erMember;
            continue;
        }
        // A name path that is read (not called) is a reference. A prototype member being assigned is a
        // definition: the assignment records it as a prototype instance, and as a reference it would ask
        // for a constructor that a plain function is not.
        if (r == erIdentifier && Text.find('.') != AnsiString::npos &&
            !(IsAssignOp(PeekToken()) && Text.find(".prototype.") != AnsiString::npos))
            RecordReference(Text, r);
        return r;
    }
}

int TJSParser::ParseNew(AnsiString &Text)
{
    TDepthGuard guard(*this);
    NextToken(); // "new"
    const TCheckLine line = FCur.Line;
    AnsiString ctor;
    int r;
    if (PeekToken() == tkNew)
        r = ParseNew(ctor);
    else
        r = ParsePrimary(ctor);
    if (r < 0) {
        AddFinding(fdNewFail, Look().Line);
        Recover(false);
        return erNew;
    }
    for (;;) {
        int n = PeekToken();
        if (n == '.') {
            NextToken();
            int m = PeekToken();
            if (m == tkInherits) {
                ParseInherits(ctor);
                continue;
            }
            if (!IsMemberNameToken(m) && !(m >= tkDOM1 && m <= tkDOM4)) {
                AddFinding(fdIdentifierExpectedAfter, Look().Line);
                break;
            }
            NextToken();
            ctor += m == tkMethod ? AnsiString(".method") : "." + FCur.Text;
            continue;
        }
        if (n == '[') {
            NextToken();
            AnsiString index;
            int ir = ParseExpressionList(false, index);
            if (ir < 0) {
                AddFinding(fdInvalidExpressionAfter, Look().Line);
                Recover(false);
            } else {
                RecordReference(index, ir);
            }
            if (PeekToken() == ']')
                NextToken();
            else
                AddFinding(fdCloseBracketExpected, Look().Line);
            ctor += "[" + index + "]";
            continue;
        }
        break;
    }
    if (ctor == "Math") {
        AddFinding(fdCanTInstantiateAMath, line);
    } else if (!FPendingTarget.empty()) {
        AddNewRecord(FPendingTarget, ctor, line);
    }
    FPendingConstructor = ctor;
    if (PeekToken() == '(')
        ParseArguments(ctor, Look().Line, nullptr);
    Text = ctor;
    return erNew;
}

int TJSParser::ParsePrimary(AnsiString &Text)
{
    if (FPrimed) {
        FPrimed = false;
        Text = FPrimedText;
        return FPrimedCode == tkDOM1 ? erIdentifier : FPrimedCode;
    }
    int n = PeekToken();
    switch (n) {
    case tkAlert:
    case tkConfirm:
    case tkEscape:
    case tkUnescape:
    case tkPrompt:
    case tkParseInt:
    case tkParseFloat:
    case tkIsNaN:
    case tkIsFinite:
    case tkGetterSetter:
    case tkEval:
    case tkOpen:
    case tkStatus:
        NextToken();
        Text = FCur.Text;
        // a built-in function's name that is not called is an ordinary name: a value passed on, tested
        // with "typeof", assigned, or a variable of the script that has the same name
        if (PeekToken() != '(' && n != tkStatus)
            return erIdentifier;
        return n;
    case tkSetTimeout:
        NextToken();
        Text = FCur.Text;
        if (PeekToken() != '(')
            return erIdentifier;
        return erSetTimeout;
    case tkThis:
        NextToken();
        Text = "this";
        return erThis;
    case tkWindow:
    case tkDocument:
    case tkDOM2:
    case tkDOM3:
    case tkDOM4:
    case tkWrite:
    case tkWriteln:
        NextToken();
        Text = FCur.Text;
        // a script variable that happens to carry a browser word's name is a plain identifier
        if (n != tkWindow && n != tkDocument && IsDeclaredInScope(Text))
            return erIdentifier;
        return n;
    case tkIdentifier:
    case tkDOM1:
        NextToken();
        Text = FCur.Text;
        return erIdentifier;
    case tkInteger:
        NextToken();
        Text = FCur.Text;
        return erInteger;
    case tkDecimal:
        NextToken();
        Text = FCur.Text;
        return erDecimal;
    case tkString:
        NextToken();
        Text = "\"" + FCur.Text + "\"";
        return erString;
    case '/':
    case tkDivAssign: {
        NextToken();
        TJSLexToken lt;
        TCheckLine line;
        FLexer.ReadRegExp(line, lt, n == tkDivAssign, FECMA);
        FPrevCode = tkRegExp;
        FPrevLine = lt.Line = FCur.Line;
        Text = "/" + lt.Text + "/";
        return erRegExp;
    }
    case tkNull:
        NextToken();
        Text = "null";
        return erNull;
    case tkUndefined:
        NextToken();
        Text = "undefined";
        return erUndefined;
    case tkTrue:
        NextToken();
        Text = "true";
        return erTrue;
    case tkFalse:
        NextToken();
        Text = "false";
        return erFalse;
    case tkMethod:
        NextToken();
        Text = "method";
        return tkMethod;
    case '[': return ParseArrayLiteral(Text);
    case '(': {
        TDepthGuard guard(*this);
        NextToken();
        const AnsiString savedPending = FPendingTarget;
        const bool savedNoIn = FNoIn;
        FNoIn = false;
        AnsiString inner;
        int r = ParseExpressionList(false, inner);
        FNoIn = savedNoIn;
        FPendingTarget = savedPending;
        if (PeekToken() == ')') {
            NextToken();
        } else {
            if (!Look().Err && !FCur.Err)
                AddFinding(fdCloseParenExpected, Look().Line);
            Recover(true);
        }
        Text = inner;
        // "()" or a list that cannot begin is no operand: the caller reports what it expected
        return r;
    }
    case tkFunction: {
        AnsiString name;
        if (!FPendingTarget.empty() && !IsComplexName(FPendingTarget)) {
            name = FPendingTarget;
            if (name.rfind("Function.", 0) == 0)
                name.erase(0, 9);
        }
        ParseFunction(false, name, true);
        Text = FLastFunctionName;
        return tkFunction;
    }
    case '{':
        ParseObjectLiteral(FPendingTarget);
        Text.clear();
        return srBlock;
    case tkInherits: return ParseInherits(Text);
    default: return -1;
    }
}

AnsiString TJSParser::ParseArguments(const AnsiString &Callee, TCheckLine Line, TJSFunctionCall *Call, bool Dom,
                                     bool Browser)
{
    (void)Callee;
    NextToken(); // "("
    const AnsiString savedPending = FPendingTarget;
    const bool savedNoIn = FNoIn;
    FPendingTarget.clear();
    FNoIn = false;
    std::vector<std::pair<AnsiString, int>> args;
    AnsiString joined;
    if (PeekToken() == ')') {
        NextToken();
    } else {
        for (;;) {
            const uint64_t start = FConsumed;
            AnsiString t;
            int r = PeekToken() == '{' ? ParseObjectOperand(FPendingTarget, t) : ParseAssignment(false, t);
            // with the JSON option a string argument names what the following arguments define
            if (FJSON && r == erString && t.size() >= 2)
                FPendingTarget = t.substr(1, t.size() - 2);
            if (r < 0) {
                if (Browser)
                    AddFinding(fdInvalidExpressionInParentheses, Look().Line);
                else if (Dom)
                    AddFinding(fdInvalidExpressionInDomParameter, Look().Line);
                else
                    AddFinding(fdInvalidParametersInside, Line);
                Recover(true);
                break;
            }
            if (!joined.empty())
                joined += ",";
            joined += t;
            args.emplace_back(t, r);
            int s = PeekToken();
            if (s == ',' || s == ':') {
                NextToken();
                int q = PeekToken();
                if (q == ',' || q == ')') {
                    AddFinding(s == ',' ? fdExpressionExpectedAfterComma : fdExpressionExpectedAfterColon,
                               Look().Line);
                    if (q == ')') {
                        NextToken();
                        break;
                    }
                }
                if (FConsumed == start)
                    break;
                continue;
            }
            if (s == ')') {
                NextToken();
                break;
            }
            if (s == tkEnd)
                break;
            if (!Browser || !Look().Err)
                AddFinding(fdCloseParenExpected, Look().Line);
            Recover(true);
            break;
        }
    }
    FPendingTarget = savedPending;
    FNoIn = savedNoIn;
    if (Call)
        AddCallArguments(Call, args);
    return "(" + joined + ")";
}

int TJSParser::ParseArrayLiteral(AnsiString &Text)
{
    TDepthGuard guard(*this);
    NextToken(); // "["
    Text = "[]";
    if (PeekToken() == ']') {
        NextToken();
        AddFinding(fdEmptyArrayInitialiser, FCur.Line);
        return erArray;
    }
    const AnsiString savedPending = FPendingTarget;
    const bool savedNoIn = FNoIn;
    FPendingTarget.clear();
    FNoIn = false;
    for (int index = 0;; ++index) {
        const uint64_t start = FConsumed;
        // a comma before the closing bracket ends the list; a hole ("[a, , b]") is an element left out
        if (index > 0 && PeekToken() == ']') {
            NextToken();
            break;
        }
        if (PeekToken() == ',') {
            AddFinding(fdInvalidArrayIndexExpression, Look().Line, sevWarning);
            NextToken();
            continue;
        }
        AnsiString t;
        int r = ParseAssignment(false, t);
        // a missing element is reported and the list goes on at its "," or "]"
        if (r < 0)
            AddFinding(fdInvalidArrayIndexExpression, Look().Line, index == 0 ? sevWarning : sevError);
        int s = PeekToken();
        if (s == ',') {
            NextToken();
            continue;
        }
        if (s == ']') {
            NextToken();
            break;
        }
        AddFinding(fdOrExpected, Look().Line);
        Recover(false);
        if (PeekToken() == ']')
            NextToken();
        if (FConsumed == start || true)
            break;
    }
    FPendingTarget = savedPending;
    FNoIn = savedNoIn;
    return erArray;
}

int TJSParser::ParseInherits(AnsiString &Text)
{
    NextToken(); // "inherits"
    const TCheckLine line = FCur.Line;
    const AnsiString owner = Text.empty() ? FPendingOwner : Text;
    if (PeekToken() != '(') {
        AddFinding(fdOpenParenExpected, Look().Line);
        return erMember;
    }
    NextToken();
    if (PeekToken() != tkIdentifier) {
        AddFinding(fdIdentifierExpected, Look().Line);
        Recover(true);
        return erMember;
    }
    NextToken();
    const AnsiString base = FCur.Text;
    if (PeekToken() == ')')
        NextToken();
    else
        AddFinding(fdCloseParenExpected, Look().Line);
    AddNewRecord(owner + ".prototype", base, line);
    Text = owner + ".inherits";
    return erMember;
}
