// Statement half of the parser: source elements, functions, blocks, object literals and statements.
#include <algorithm>

#include "checker/CheckerLists.h"
#include "checker/Findings.h"
#include "checker/JSModel.h"
#include "checker/JSParser.h"
#include "checker/NameTables.h"
#include "platform/ScopeGuard.h"

namespace {

constexpr int kEmptyBlock = -2; // a block without statements: recognised, but "empty" to the callers

bool IsKeywordOrBrowserWord(int C)
{
    return (C >= tkBreak && C <= tkFalse) || (C >= tkAlert && C <= tkWriteln);
}
bool IsGlobalFunctionWord(int C)
{
    return C >= tkConfirm && C <= tkSetTimeout;
}
bool IsBrowserWord(int C)
{
    return C >= tkAlert && C <= tkWriteln;
}

} // namespace

bool TJSParser::IsDeclaredInScope(const AnsiString &Name) const
{
    if (FLists.GlobalVars.Contains(Name))
        return true;
    for (auto it = FOpenFunctions.rbegin(); it != FOpenFunctions.rend(); ++it) {
        const TJSFunction *fn = FFunctions->At(it->Index);
        if (fn && (fn->IsLocalVar(Name) || fn->IsParameter(Name)))
            return true;
    }
    return false;
}

bool TJSParser::ParseSourceElement()
{
    int r = ParseStatement();
    if (r == -1)
        return ParseFunction(true, AnsiString());
    return true;
}

int TJSParser::ParseStatementList()
{
    int result = kEmptyBlock;
    for (;;) {
        const uint64_t start = FConsumed;
        int r = ParseStatement();
        if (r == -1)
            break;
        if (r != kEmptyBlock)
            result = r;
        if (FBraceDepth < FFunctionStartDepth)
            FFunctionStartDepth = FBraceDepth;
        if (FConsumed == start)
            break;
    }
    return result;
}

int TJSParser::ParseBlock()
{
    if (PeekToken() != '{')
        return -1;
    NextToken();
    ++FBraceDepth;
    int result = kEmptyBlock;
    if (PeekToken() == tkFunction && ParseFunction(true, AnsiString()))
        result = srFunction;
    if (PeekToken() != '}' && PeekToken() != tkEnd) {
        int r = ParseStatementList();
        if (r != kEmptyBlock)
            result = r;
    }
    if (PeekToken() == tkFunction && ParseFunction(true, AnsiString()))
        result = srFunction;
    int n = PeekToken();
    if (n == '}') {
        NextToken();
    } else if (n != tkEnd) {
        if (n == tkElse && FIfDepth < 0)
            AddFinding(fdElseWithoutAnIf, Look().Line);
        else
            AddFinding(fdCloseBraceExpected, Look().Line);
        Recover(false);
    }
    return result;
}

bool TJSParser::ParseFunction(bool Required, const AnsiString &GivenName, bool Expression, bool MemberValue)
{
    // an accessor ("get name() {...}" in an object literal) has its name read already and no keyword
    const bool accessor = FAccessor;
    FAccessor = false;
    if (!accessor) {
        if (PeekToken() != tkFunction)
            return false;
        NextToken();
    }
    const TCheckLine line = FCur.Line;
    FIfDepth = 0;
    const int argumentsBefore = FArgumentsCount;

    AnsiString name;
    int n = accessor ? int('(') : PeekToken();
    if (n == tkIdentifier) {
        NextToken();
        name = FCur.Text;
    } else if (IsKeywordOrBrowserWord(n) || (n >= tkDOM1 && n <= tkDOM4)) {
        NextToken();
        name = FCur.Text;
        AddFinding(fdFunctionNameReserved, name, FCur.Line);
    } else if (n == tkPrompt) {
        NextToken();
        name = "prompt";
    } else if (IsGlobalFunctionWord(n)) {
        // a function of the script that shadows a built-in one
        NextToken();
        name = FCur.Text;
        AddFinding(fdFunctionNameReserved, name, FCur.Line);
    } else if (Required) {
        AddFinding(fdFunctionNameExpected, Look().Line);
        Recover(false);
        return false;
    }
    bool dotted = false;
    while (!name.empty() && PeekToken() == '.') {
        NextToken();
        if (PeekToken() != tkIdentifier && !IsMemberNameToken(PeekToken())) {
            AddFinding(fdIdentifierExpectedAfter, Look().Line);
            break;
        }
        NextToken();
        name += "." + FCur.Text;
        dotted = true;
    }
    if (dotted)
        AddPrototypePath(name, line);
    if (!GivenName.empty())
        name = GivenName;
    if (name.empty())
        name = Expression ? AnonymousName() : AnsiString();

    // Parameter list.
    std::vector<AnsiString> params;
    if (PeekToken() != '(') {
        AddFinding(fdOpenParenExpected, Look().Line);
    } else {
        NextToken();
        if (PeekToken() == ')') {
            NextToken();
        } else {
            for (;;) {
                int p = PeekToken();
                if (p == tkIdentifier || p == tkMethod || IsKeywordOrBrowserWord(p) || (p >= tkDOM1 && p <= tkDOM4) ||
                    IsGlobalFunctionWord(p)) {
                    NextToken();
                    AnsiString pname = FCur.Text;
                    AnsiString html;
                    if (p != tkIdentifier && p != tkMethod) {
                        AddFinding(fdParameterReserved, pname, FCur.Line);
                    } else {
                        HTMLNameOf(pname, false, html, nullptr);
                        if (html.empty())
                            AddFinding(fdParameterReserved, pname, FCur.Line);
                    }
                    params.push_back(pname);
                } else {
                    AddFinding(fdFunctionParameterExpected, Look().Line);
                    SkipLineTo(';', ')', '{');
                    if (PeekToken() == ')')
                        NextToken();
                    break;
                }
                int s = PeekToken();
                if (s == ',') {
                    NextToken();
                    continue;
                }
                if (s == ')') {
                    NextToken();
                    break;
                }
                AddFinding(fdCloseParenExpected, Look().Line);
                SkipLineTo(';', ')', '{');
                if (PeekToken() == ')')
                    NextToken();
                break;
            }
        }
        if (PeekToken() == ';' && !Expression) {
            AddFinding(fdFoundAfterFunctionDefinition, Look().Line);
            NextToken();
        }
    }
    // an anonymous function shows as its parameter list alone (the tree puts "function" in front)
    const bool anonymous = Expression && GivenName.empty() && name.rfind("Anonymous function", 0) == 0;
    AnsiString decl = (anonymous ? AnsiString() : name) + "(";
    for (size_t i = 0; i < params.size(); ++i) {
        if (i)
            decl += ",";
        decl += params[i];
    }
    decl += ")";

    // Registration.
    ++FFunctionDepth;
    if (!Expression && FFunctions->Contains(name))
        AddFinding(fdDuplicateFunction, name, line);
    int parentIndex = -1;
    TNavNode parentNode = nullptr;
    if (!FOpenFunctions.empty()) {
        parentIndex = FOpenFunctions.back().Index;
        parentNode = FOpenFunctions.back().Node;
    }
    if (TJSFunction *parent = FFunctions->At(parentIndex))
        parent->AddEmbeddedFunction(name, line);
    const int index = FFunctions->Add(name, std::make_unique<TJSFunction>(this, parentIndex, 0, line, name));
    TJSFunction *fn = FFunctions->At(index);
    TNavNode node = FHost ? FHost->AddFunctionNode(decl, line - 1, parentNode, nkFunction) : nullptr;
    FCurrentNode = node;
    fn->SetParameters(decl, line, true);
    FLastFunctionName = name;
    FOpenFunctions.push_back({name, index, node});
    if (parentIndex < 0)
        FParentIndex = index;

    int body = -1;
    {
        // the state of the enclosing code comes back when the body ends, however it ends
        TScopeGuard restore([this, functionIndex = FFunctionIndex, startDepth = FFunctionStartDepth, loop = FLoopDepth,
                             switchDepth = FSwitchDepth, target = FPendingTarget, inObject = FInObjectLiteral] {
            FFunctionStartDepth = startDepth;
            FLoopDepth = loop;
            FSwitchDepth = switchDepth;
            FPendingTarget = target;
            FInObjectLiteral = inObject;
            --FFunctionDepth;
            FOpenFunctions.pop_back();
            FParentIndex = FOpenFunctions.empty() ? -1 : FOpenFunctions.back().Index;
            FCurrentNode = FOpenFunctions.empty() ? nullptr : FOpenFunctions.back().Node;
            FFunctionIndex = functionIndex;
        });
        FFunctionIndex = index + 1;
        FLoopDepth = FSwitchDepth = 0;
        FInObjectLiteral = false;
        FPendingTarget.clear();

        FFunctionStartDepth = FBraceDepth + 1;
        if (PeekToken() == '{') {
            body = ParseBlock();
            // a declaration's body followed by ";" is a block followed by ";"; after a function expression the ";"
            // ends the enclosing statement
            if (!Expression && PeekToken() == ';') {
                AddFinding(fdAfterBlockNotStrictEcma, Look().Line);
                NextToken();
            }
        } else {
            AddFinding(fdOpenBraceExpected, Look().Line);
        }
        if (PeekToken() == '.')
            FPendingOwner = name;
    }

    if (body < 0 && !FAborted)
        AddFinding(Expression && !MemberValue ? fdEmptyFunctionExpressionBody : fdEmptyFunctionBody, line);
    if (FArgumentsCount > argumentsBefore && FDeprecated)
        AddFinding(fdTheArgumentsPropertyOfFunctions, FArgumentsLine);
    fn->CheckLocals();
    return true;
}

int TJSParser::ParseObjectLiteral(const AnsiString &Target)
{
    if (PeekToken() != '{')
        return -1;
    TDepthGuard guard(*this);
    NextToken();
    ++FBraceDepth;
    const AnsiString pseudo = "ObjectLiteral" + std::to_string(FFunctions->Count());
    if (!FFunctions->Contains(pseudo))
        FFunctions->Add(pseudo, std::make_unique<TJSFunction>(this, -1, 0, FCur.Line, pseudo));
    TJSFunction *fn = CurrentFunction();
    if (!Target.empty()) {
        AddNewRecord(Target, "Object", FCur.Line);
        if (fn && !IsComplexName(Target) && Target.find('.') == AnsiString::npos && !fn->IsLocalVar(Target) &&
            !fn->IsParameter(Target))
            DeclareLocal(Target, FCur.Line, '{', AnsiString(), false);
    }
    TScopeGuard restoreInObject([this, saved = FInObjectLiteral] { FInObjectLiteral = saved; });
    FInObjectLiteral = true;
    const bool collect = FCollectMembers && FFunctionIndex == 0;
    FCollectMembers = false;
    for (;;) {
        int n = PeekToken();
        if (n == '}' || n == tkEnd)
            break;
        const uint64_t start = FConsumed;
        // Member name: an identifier, any word, a string or a number.
        if (n == tkIdentifier || n == tkString || n == tkInteger || n == tkDecimal || IsMemberNameToken(n)) {
            NextToken();
        } else {
            AddFinding(fdOrExpectedInObjectLiteral, Look().Line);
            SkipLineTo(',', ';', '}');
            if (PeekToken() == ',' || PeekToken() == ';')
                NextToken();
            if (FConsumed == start)
                break;
            continue;
        }
        AnsiString member = FCur.Text;
        // "get name() {...}" and "set name(v) {...}": an accessor of the member that follows
        bool accessor = false;
        if ((member == "get" || member == "set") && n == tkIdentifier) {
            const int k = PeekToken();
            if (k == tkIdentifier || k == tkString || k == tkInteger || k == tkDecimal || IsMemberNameToken(k)) {
                NextToken();
                member = FCur.Text;
                accessor = true;
            }
        }
        const TCheckLine memberLine = FCur.Line;
        if (fn && !member.empty())
            fn->AddLocalVar("this." + member, memberLine, 0, AnsiString(), false);
        if (collect)
            FNames.Add(member);
        if (Target.size() > 10 && Target.compare(Target.size() - 10, 10, ".prototype") == 0)
            AddPrototypePath(Target + "." + member, memberLine);
        int s = PeekToken();
        if (accessor && s == '(') {
            AnsiString fname = member;
            if (Target.size() > 10 && Target.compare(Target.size() - 10, 10, ".prototype") == 0)
                fname = Target.substr(0, Target.size() - 10) + ".prototype." + member;
            FAccessor = true;
            ParseFunction(false, fname, true, true);
            s = PeekToken();
            if (s == ',' || s == ';')
                NextToken();
            else if (s != '}') {
                AddFinding(fdCloseBraceExpectedInObject, Look().Line);
                return srBlock;
            }
            continue;
        }
        if (s == '}' || s == ';' || s == ',') {
            // a member without a value is tolerated before "}" and ";"; before "," it is reported
            if (s == ';' || s == ',')
                NextToken();
            if (s == ',') {
                AddFinding(fdOrExpectedInObjectLiteral, FCur.Line);
            }
            continue;
        }
        if (s != ':') {
            AddFinding(fdOrExpectedInObjectLiteral, Look().Line);
            SkipLineTo(',', ';', '}');
            if (PeekToken() == ',' || PeekToken() == ';')
                NextToken();
            if (FConsumed == start)
                break;
            continue;
        }
        NextToken();
        int v = PeekToken();
        if (v == '{') {
            AnsiString text;
            ParseObjectOperand(Target.empty() ? AnsiString() : Target + "." + member, text);
        } else if (v == tkFunction) {
            AnsiString fname = member;
            if (!Target.empty() && Target.size() > 10 && Target.compare(Target.size() - 10, 10, ".prototype") == 0)
                fname = Target.substr(0, Target.size() - 10) + ".prototype." + member;
            ParseFunction(false, fname, true, true);
            // a call or member access right after the function expression
            AnsiString t = fname;
            int r = 138;
            (void)r;
            while (PeekToken() == '(' || PeekToken() == '.' || PeekToken() == '[') {
                const uint64_t before = FConsumed;
                if (PeekToken() == '(')
                    ParseArguments(t, Look().Line, nullptr);
                else {
                    NextToken();
                    if (FCur.Code == '.') {
                        if (IsMemberNameToken(PeekToken()))
                            NextToken();
                    } else {
                        AnsiString it;
                        ParseExpressionList(false, it);
                        if (PeekToken() == ']')
                            NextToken();
                    }
                }
                if (FConsumed == before)
                    break;
            }
        } else {
            AnsiString text;
            const AnsiString savedTarget = FPendingTarget;
            FPendingTarget = Target.empty() ? AnsiString() : Target + "." + member;
            int r = ParseAssignment(false, text);
            FPendingTarget = savedTarget;
            if (r < 0) {
                AddFinding(fdExpressionExpectedAfterInObject, Look().Line);
                SkipLineTo(',', ';', '}');
            }
        }
        int sep = PeekToken();
        if (sep == ',' || sep == ';') {
            NextToken();
            continue;
        }
        if (sep != '}') {
            AddFinding(fdCloseBraceExpectedInObject, Look().Line);
            return srBlock;
        }
    }
    if (PeekToken() == '}')
        NextToken();
    else if (!FAborted)
        AddFinding(fdCloseBraceExpectedInObject, Look().Line);
    return srBlock;
}

int TJSParser::ParseObjectOperand(const AnsiString &Target, AnsiString &Text)
{
    const int r = ParseObjectLiteral(Target);
    Text.clear();
    if (r < 0)
        return r;
    // an object literal is an operand like any other: "{ a: 1 } instanceof Object", "{ a: 1 }[key]"
    const int n = PeekToken();
    const bool continues = n == '.' || n == '[' || n == '?' || n == '+' || n == '-' || n == '*' || n == '/' ||
                           n == '%' || n == '<' || n == '>' || n == '&' || n == '|' || n == '^' ||
                           (n >= tkEqual && n <= tkOrOr) || (n >= tkShl && n <= tkUShr) || n == tkStrictEqual ||
                           n == tkStrictNotEqual || n == tkInstanceof || (n == tkIn && !FNoIn);
    if (!continues)
        return r;
    FPrimed = true;
    FPrimedCode = srBlock;
    FPrimedText.clear();
    return ParseAssignment(false, Text);
}

// ---- declarations

void TJSParser::DeclareGlobal(const AnsiString &Name, TCheckLine Line, int ValueCode, const AnsiString &ValueText,
                              bool Report)
{
    if (const TJSVariable *v = FLists.GlobalVars.Find(Name)) {
        if (Report && FRepeatDec)
            AddFinding(fdGlobalAlreadyDeclared, Name, std::to_string(v->GetDeclLine().Line()), Line);
        return;
    }
    bool typed = ValueCode >= tkWindow && ValueCode <= tkDOM4;
    FLists.GlobalVars.Add(Name, std::make_unique<TJSVariable>(-1, typed ? vkTyped : vkDeclared, Line,
                                                              typed ? ValueText : AnsiString()));
    if (FHost)
        FHost->AddVariableNode(Name, Line, nullptr, nkGlobalVar);
}

void TJSParser::DeclareLocal(const AnsiString &Name, TCheckLine Line, int ValueCode, const AnsiString &ValueText,
                             bool Report)
{
    TJSFunction *fn = CurrentFunction();
    if (!fn)
        return;
    bool isNew = !fn->IsLocalVar(Name);
    fn->AddLocalVar(Name, Line, ValueCode, ValueText, Report);
    if (isNew && FHost)
        FHost->AddVariableNode(Name, Line, FCurrentNode, nkLocalVar);
}

// ---- statements

int TJSParser::ParseStatement()
{
    TDepthGuard guard(*this);
    int n = PeekToken();
    if (n == tkEnd)
        return -1;
    if (n == '{') {
        int r = ParseBlock();
        if (PeekToken() == ';') {
            AddFinding(fdAfterBlockNotStrictEcma, Look().Line);
            // the ";" ends this statement only: the next statement's own semicolon is still checked
            NextToken();
        } else if (PeekToken() == tkEnd) {
            FTerminated = true;
        }
        return r == kEmptyBlock ? kEmptyBlock : srBlock;
    }
    if (n == tkVar || n == tkConst)
        return ParseVar();
    if (n == tkIdentifier && Look().Text == "Var")
        AddFinding(fdIdentifierNamedVarIsProbably, Look().Line);
    if (IsBrowserWord(n))
        return ParseBrowserStatement(false);
    if (n == tkFunction && FBraceDepth == FFunctionStartDepth) {
        if (ParseFunction(true, AnsiString()))
            return srFunction;
        return -1;
    }
    if (n == tkIf)
        return ParseIf();
    if (n == tkDo || n == tkWhile || n == tkFor) {
        ++FLoopDepth;
        int r = ParseLoop();
        --FLoopDepth;
        return r;
    }
    int r = ParseExpressionStatement();
    if (r != -1)
        return r;

    switch (PeekToken()) {
    case ';': NextToken(); return srEmpty;
    case tkContinue:
    case tkBreak: {
        const bool isBreak = n == tkBreak;
        NextToken();
        const TCheckLine line = FCur.Line;
        // "break label" may also leave a labelled block.
        const bool labelled = isBreak && FLabelDepth > 0 && PeekToken() == tkIdentifier && Look().Line == line;
        if (isBreak ? (FLoopDepth <= 0 && FSwitchDepth <= 0 && !labelled) : FLoopDepth <= 0) {
            if (isBreak)
                AddFinding(fdBreakOnlyInsideALoop, line);
            else
                AddFinding(fdContinueOnlyInsideALoop, line);
        }
        if (PeekToken() == tkIdentifier && Look().Line == line) {
            NextToken();
            if (TJSFunction *fn = CurrentFunction())
                fn->AddLabelRef(FCur.Text, FCur.Line);
            else
                FLists.LabelRefs.Add(FCur.Text, FCur.Line);
        }
        CheckSemicolon();
        return isBreak ? srBreak : srContinue;
    }
    case tkReturn: {
        NextToken();
        const TCheckLine line = FCur.Line;
        int p = PeekToken();
        if (p == ';') {
            NextToken();
            return srReturn;
        }
        if (p == '}' || p == tkEnd || Look().Line > line) {
            // "return" alone before a line break: the value on the next line is not returned
            if (Look().Line > line && p != '}' && p != tkEnd) {
                if (FSemiColon)
                    AddFinding(fdMissingSemicolon, line);
                ++FSemiTotal;
                ++FSemiPiece;
                if (FSectionCode == scInline)
                    ++FSemiInline;
            } else {
                CheckSemicolon();
            }
            return srReturn;
        }
        AnsiString text;
        int rc;
        if (p == '{')
            rc = ParseObjectOperand(AnsiString(), text);
        else
            rc = ParseExpressionList(false, text);
        if (rc < 0) {
            AddFinding(fdReturnExpressionMissingOrInvalid, Look().Line);
            Recover(false);
        }
        if (TJSFunction *last = FFunctions->Last())
            last->SetReturnInfo(rc == erCall ? last->LastCallName() : text, rc);
        CheckSemicolon();
        return srReturn;
    }
    case tkSwitch: {
        ++FSwitchDepth;
        int r2 = ParseSwitch();
        --FSwitchDepth;
        return r2;
    }
    case tkWith: {
        NextToken();
        if (PeekToken() != '(') {
            AddFinding(fdOpenParenExpected, Look().Line);
        } else {
            NextToken();
            const bool markup = FMarkup;
            FMarkup = false;
            AnsiString text;
            int rc = ParseExpressionList(false, text);
            FMarkup = markup;
            if (rc < 0) {
                AddFinding(fdWithExpressionInvalid, Look().Line);
                Recover(false);
            }
            const AnsiString saved = FWithObject;
            if (rc >= 0)
                FWithObject = text;
            if (PeekToken() == ')')
                NextToken();
            else
                AddFinding(fdCloseParenExpected, Look().Line);
            int s = ParseStatement();
            if (s == -1)
                AddFinding(fdInvalidOrNoStatementsIn, Look().Line);
            FWithObject = saved;
        }
        return srWith;
    }
    case tkTry: return ParseTry();
    case tkThrow: {
        NextToken();
        const TCheckLine line = FCur.Line;
        AnsiString text;
        int p = PeekToken();
        const TCheckLine exprLine = Look().Line;
        int rc = p == '{' ? ParseObjectOperand(AnsiString(), text) : ParseExpressionList(false, text);
        if (rc < 0) {
            AddFinding(fdThrowExpressionInvalid, Look().Line);
            Recover(false);
        } else if (FECMA && exprLine > line) {
            AddFinding(fdEcmascriptDoesnTAllowLine, line);
        }
        CheckSemicolon();
        return srThrow;
    }
    default: return -1;
    }
}

int TJSParser::ParseExpressionStatement()
{
    int n = PeekToken();
    bool starts = n == tkIdentifier || n == tkInteger || n == tkDecimal || n == tkString || n == '(' || n == '[' ||
                  n == '!' || n == '~' || n == '-' || n == '+' || n == tkPlusPlus || n == tkMinusMinus || n == '/' ||
                  n == tkDivAssign || n == tkNew || n == tkThis || n == tkTypeof || n == tkDelete || n == tkVoid ||
                  n == tkNull || n == tkUndefined || n == tkTrue || n == tkFalse || n == tkEval || n == tkOpen ||
                  n == tkFunction || (n >= tkWindow && n <= tkDOM4) || IsGlobalFunctionWord(n) || n == tkMethod ||
                  n == tkInherits || n == tkSuper || n == tkClass;
    if (!starts)
        return -1;
    const uint64_t start = FConsumed;
    AnsiString text;
    int r = ParseExpressionList(true, text);
    if (r < 0) {
        if (FConsumed == start)
            return -1;
        // a statement that failed without a finding of its own (such as "();") is reported as the driver
        // reports a statement it cannot recognise
        if (FErrors == 0)
            AddFinding(fdUnrecognisedSymbolFound, Look().Line);
        Recover(false);
        return srExpression;
    }
    if (r == erIdentifier && PeekToken() == ':' && Look().Line == FCur.Line && !IsComplexName(text) &&
        text.find('.') == AnsiString::npos) {
        NextToken();
        const TCheckLine line = FCur.Line;
        if (TJSFunction *fn = CurrentFunction()) {
            fn->AddLabel(text, line);
        } else if (FLists.LabelDefs.Contains(text)) {
            AddFinding(fdGlobalLabelDuplicated, text, line);
        } else {
            FLists.LabelDefs.Add(text, line);
        }
        if (PeekToken() == tkFor || PeekToken() == tkWhile || PeekToken() == tkDo) {
            // the loop itself is parsed by ParseStatement
        }
        ++FLabelDepth;
        int s = ParseStatement();
        --FLabelDepth;
        if (s == -1)
            AddFinding(fdLabelStatementFailOrMissing, Look().Line);
        return srLabelled;
    }
    if (r == erIdentifier)
        RecordReference(text, r);
    CheckSemicolon();
    return srExpression;
}

int TJSParser::ParseBrowserStatement(bool Conditional)
{
    int n = PeekToken();
    if (!IsBrowserWord(n))
        return -1;
    if (n == tkStatus) {
        // "status" and "defaultStatus" are assigned, appended to or named alone
        const AnsiString word = Look().Text;
        NextToken();
        int p = PeekToken();
        // read in an expression ("status && f()"), or a variable of the script with that name: an operand
        const bool operand = IsDeclaredInScope(word) || (p < 128 && p != '{') ||
                             (p >= tkEqual && p <= tkStrictNotEqual) || p == tkInstanceof || p == tkIn || p == tkEnd;
        if (p != '=' && p != tkAddAssign && p != ';' && !operand) {
            AddFinding(fdOrExpectedAfterStatusDefaultstatus, Look().Line);
            Recover(false);
            return tkStatus;
        }
        if (p == '=' || p == tkAddAssign) {
            NextToken();
            AnsiString text;
            if (ParseExpressionList(false, text) < 0) {
                AddFinding(fdInvalidExpressionFollowing, Look().Line);
                Recover(false);
            }
        } else if (p != ';') {
            // a member, index or call of something named "status": the rest is an expression
            FPrimed = true;
            FPrimedCode = tkStatus;
            FPrimedText = word;
            AnsiString text;
            ParseExpressionList(true, text);
        }
        if (!Conditional)
            CheckSemicolon();
        return tkStatus;
    }
    if ((n == tkAlert || n == tkWrite || n == tkWriteln || n == tkDOM4) && !Look().Call) {
        // a browser function must be called (or assigned); look past the word without losing it
        const Token word = FLook;
        NextToken();
        int p = PeekToken();
        if (p == '=') {
            NextToken();
            AnsiString text;
            if (PeekToken() == '{')
                ParseObjectLiteral(word.Text);
            else if (ParseAssignment(false, text) < 0) {
                AddFinding(fdRhsOfAssignmentMissingOr, Look().Line);
                Recover(false);
            }
            if (!Conditional)
                CheckSemicolon();
            return tkAlert;
        }
        if (p != '(' && p != '.') {
            AddFinding(fdOpenParenExpected, Look().Line);
            Recover(false);
            return word.Code;
        }
        FPrimed = true;
        FPrimedCode = word.Code;
        FPrimedText = word.Text;
    }
    AnsiString text;
    FBrowserCall = n == tkAlert || n == tkWrite || n == tkWriteln || n == tkDOM4;
    int r = ParseExpressionList(true, text);
    FBrowserCall = false;
    if (r < 0) {
        Recover(false);
        return n;
    }
    if (r == erIdentifier)
        RecordReference(text, r);
    if (!Conditional)
        CheckSemicolon();
    return r;
}

int TJSParser::ParseVar()
{
    NextToken(); // "var" or "const"
    int count = 0;
    bool warned22 = false;
    for (;;) {
        int n = PeekToken();
        AnsiString name;
        if (n == tkIdentifier) {
            NextToken();
            name = FCur.Text;
        } else if (IsKeywordOrBrowserWord(n) || (n >= tkDOM1 && n <= tkDOM4)) {
            NextToken();
            name = FCur.Text;
            AddFinding(fdVariableNameReserved, name, FCur.Line);
            warned22 = true;
        } else if (IsGlobalFunctionWord(n)) {
            // a global function's name used for a variable: worth a warning, and the name is declared
            NextToken();
            name = FCur.Text;
            AddFinding(fdVariableNameReserved, name, FCur.Line);
            warned22 = true;
        } else {
            break;
        }
        const TCheckLine line = FCur.Line;
        int valueCode = -1;
        AnsiString valueText;
        bool thisAlone = false;
        int p = PeekToken();
        if (p == '=') {
            NextToken();
            const AnsiString savedTarget = FPendingTarget;
            FPendingTarget = name;
            if (PeekToken() == '{') {
                FNames.Clear();
                FCollectMembers = FFunctionIndex == 0;
                valueCode = ParseObjectOperand(name, valueText);
                FCollectMembers = false;
            } else {
                int first = PeekToken();
                valueCode = ParseAssignment(false, valueText);
                thisAlone = first == tkThis && valueText == "this";
                if (valueCode < 0) {
                    AddFinding(fdVarInitialiserExpressionFail, Look().Line);
                    Recover(false);
                } else if (valueCode == tkWindow || valueCode == tkDocument) {
                    valueText = valueCode == tkWindow ? "window" : "document";
                }
            }
            if (valueCode == erIdentifier && !valueText.empty())
                PropagateNewRecord(valueText, name, line);
            FPendingTarget = savedTarget;
        } else if (p >= tkMulAssign && p <= tkSubAssign) {
            AddFinding(fdDeclaredVariableCanOnlyBe, Look().Line);
            Recover(false);
            return srVar;
        } else if (p != ',' && p != ';' && p != '}' && p != tkEnd && Look().Line == FCur.Line) {
            AddFinding(fdInvalidCharacterSAfterVariable, Look().Line);
            SkipLineTo(';', '}', tkEnd);
            return srVar;
        }
        // Every name written here is declared, whatever its class ("var Function = ..." is legal).
        ++count;
        if (ClassifyPath(name) == 2) {
            if (IsPredefinedGlobal(name))
                AddFinding(fdAvoidIdentifierName, name, line);
        }
        if (FFunctionIndex == 0) {
            const bool existed = FLists.GlobalVars.Contains(name);
            DeclareGlobal(name, line, valueCode, valueText, true);
            if (!existed && valueCode == srBlock) {
                TJSVariable *v = FLists.GlobalVars.Find(name);
                for (int i = 0; i < FNames.Count(); ++i)
                    v->AddMember(FNames[i]);
            }
        } else {
            DeclareLocal(name, line, valueCode, valueText, true);
            if (thisAlone)
                CurrentFunction()->SetLocalVarType(name, "__self_");
        }
        FNames.Clear();
        if (PeekToken() != ',')
            break;
        NextToken();
        int q = PeekToken();
        if (q != tkIdentifier && !IsKeywordOrBrowserWord(q) && !(q >= tkDOM1 && q <= tkDOM4) &&
            !IsGlobalFunctionWord(q)) {
            AddFinding(fdIdentifierExpectedAfterComma, Look().Line);
            break;
        }
    }
    if (count == 0 && !warned22) {
        AddFinding(fdNoVariableSDeclaredAfter, Look().Line);
        Recover(false);
        return srVar;
    }
    CheckSemicolon();
    return srVar;
}

int TJSParser::ParseIf()
{
    NextToken(); // "if"
    if (PeekToken() != '(') {
        AddFinding(fdOpenParenExpected, Look().Line);
        SkipToSemicolon();
        return srIf;
    }
    NextToken();
    const bool markup = FMarkup;
    FMarkup = false;
    AnsiString text;
    int r = ParseExpressionList(false, text);
    FMarkup = markup;
    if (r < 0) {
        AddFinding(fdExpressionFailInIf, Look().Line);
        Recover(false);
    } else if (r == erAssignment) {
        AddFinding(fdShouldBeTestForEquality, FCur.Line);
    }
    if (PeekToken() != ')') {
        AddFinding(fdCloseParenExpected, Look().Line);
        SkipToSemicolon();
        return srIf;
    }
    NextToken();
    if (PeekToken() == ';') {
        AddFinding(fdAfterIfExpressionIfNow, Look().Line);
        NextToken();
    }
    int s = ParseStatement();
    if (s < 0 && !FAborted)
        AddFinding(fdEmptyIf, FCur.Line);
    if (PeekToken() == tkElse) {
        NextToken();
        const bool savedElse = FElseFlag;
        FElseFlag = true;
        int e = ParseStatement();
        FElseFlag = savedElse;
        if (e < 0 && !FAborted)
            AddFinding(fdEmptyElse, FCur.Line);
    }
    return srIf;
}

int TJSParser::ParseLoop()
{
    int n = PeekToken();
    if (n == tkFor)
        return ParseFor();
    NextToken();
    AnsiString text;
    if (n == tkDo) {
        if (PeekToken() == ';') {
            AddFinding(fdAfterDo, Look().Line);
            NextToken();
        }
        int body = ParseStatement();
        if (body < 0 || body == srWhile) {
            AddFinding(fdEmptyBlockInDoWhile, FCur.Line);
            if (body == -1)
                Recover(false);
        }
        if (PeekToken() != tkWhile) {
            AddFinding(fdWhileExpected, Look().Line);
            return srDo;
        }
        NextToken();
        if (PeekToken() != '(') {
            AddFinding(fdQuotedParenExpectedAfterWhile, Look().Line);
            return srDo;
        }
        NextToken();
        ParseCondition(text, fdWhileExpressionFail);
        if (PeekToken() != ')') {
            AddFinding(fdCloseParenExpectedAfterExpression, Look().Line);
            return srDo;
        }
        NextToken();
        CheckSemicolon();
        return srDo;
    }
    // while
    if (PeekToken() != '(') {
        AddFinding(fdParenExpectedAfterWhile, Look().Line);
        Recover(false);
        return srWhile;
    }
    NextToken();
    const bool markup = FMarkup;
    FMarkup = false;
    const int r = ParseExpressionList(false, text);
    FMarkup = markup;
    ReportCondition(r, fdWhileConditionFail);
    if (PeekToken() != ')') {
        AddFinding(fdCloseParenExpected, Look().Line);
        Recover(true);
    } else {
        NextToken();
    }
    if (PeekToken() == ';')
        AddFinding(fdAfterWhileExpressionWillOnly, Look().Line);
    int body = ParseStatement();
    if (body < 0 && !FAborted)
        AddFinding(fdWhileEmpty, FCur.Line);
    return srWhile;
}

int TJSParser::ParseFor()
{
    NextToken(); // "for"
    if (PeekToken() != '(') {
        AddFinding(fdParenExpectedAfterFor, Look().Line);
        Recover(false);
        return srFor;
    }
    NextToken();
    const bool markup = FMarkup;
    FMarkup = false;
    int names = 0;
    int n = PeekToken();
    AnsiString text;
    if (n == tkVar) {
        NextToken();
        for (;;) {
            int p = PeekToken();
            if (p != tkIdentifier) {
                if (p >= tkBreak && p <= tkFalse) {
                    AddFinding(fdVariableNameIsAReserved, Look().Line);
                    Recover(false);
                    FMarkup = markup;
                    return srFor;
                }
                if (!IsBrowserWord(p) && !(p >= tkDOM1 && p <= tkDOM4))
                    break;
                // a browser or DOM word is a legal name: it is only worth a warning, as in "var"
                AddFinding(fdVariableNameReserved, Look().Text, Look().Line);
            }
            NextToken();
            const AnsiString name = FCur.Text;
            const TCheckLine line = FCur.Line;
            ++names;
            if (IsPredefinedGlobal(name))
                AddFinding(fdAvoidIdentifierName, name, line);
            if (FFunctionIndex == 0)
                DeclareGlobal(name, line, -1, AnsiString(), true);
            else
                DeclareLocal(name, line, -1, AnsiString(), true);
            if (PeekToken() == '=') {
                NextToken();
                AnsiString value;
                const bool savedNoIn = FNoIn;
                FNoIn = true;
                int r = ParseAssignment(false, value);
                FNoIn = savedNoIn;
                if (r < 0) {
                    AddFinding(fdInvalidInitialiserInFor, Look().Line);
                    Recover(false);
                }
            }
            if (PeekToken() != ',')
                break;
            NextToken();
            int q = PeekToken();
            if (q != tkIdentifier && !IsBrowserWord(q) && !(q >= tkDOM1 && q <= tkDOM4)) {
                AddFinding(fdIdentifierExpectedAfterCommaIn, Look().Line);
                break;
            }
        }
        if (names == 0) {
            AddFinding(fdNoVariableDeclaredAfterVar, Look().Line);
            Recover(false);
            FMarkup = markup;
            return srFor;
        }
    } else if (n != ';') {
        const bool plainStart = n == tkIdentifier;
        const AnsiString firstName = Look().Text;
        const TCheckLine firstLine = Look().Line;
        const bool savedNoIn = FNoIn;
        FNoIn = true;
        FLastAssignTarget.clear();
        int r = ParseExpressionList(false, text);
        FNoIn = savedNoIn;
        if (r < 0) {
            AddFinding(fdInvalidInitialiserInFor, Look().Line);
            Recover(false);
        } else {
            ++names;
            if (plainStart && (text == firstName || FLastAssignTarget == firstName) &&
                firstName.find('.') == AnsiString::npos) {
                if (IsPredefinedGlobal(firstName))
                    AddFinding(fdAvoidIdentifierName, firstName, firstLine);
                if (FFunctionIndex == 0)
                    DeclareGlobal(firstName, firstLine, -1, AnsiString(), false);
                else
                    DeclareLocal(firstName, firstLine, -1, AnsiString(), false);
            }
        }
    }
    int p = PeekToken();
    if (p == ';') {
        NextToken();
        if (PeekToken() != ';') {
            AnsiString cond;
            ParseCondition(cond, fdForContinuationFail);
        }
        if (PeekToken() != ';') {
            AddFinding(fdSemicolonExpectedInFor, Look().Line);
            Recover(false);
        } else {
            NextToken();
        }
        if (PeekToken() != ')') {
            AnsiString update;
            int r = ParseExpressionList(false, update);
            if (r < 0) {
                AddFinding(fdUpdateExpressionFailInFor, Look().Line);
                Recover(false);
            } else if (r != erPrefix && r != erPostfix && r != 300 && r != erAssignment) {
                AnsiString lower = update;
                std::transform(lower.begin(), lower.end(), lower.begin(),
                               [](unsigned char c) { return std::tolower(c); });
                if (lower.find(".movenext") == AnsiString::npos && lower.find(".moveprevious") == AnsiString::npos)
                    AddFinding(fdUpdateExpressionInForMay, FCur.Line);
            }
        }
    } else if (p == tkIn) {
        NextToken();
        if (names != 1)
            AddFinding(fdOnlyOneVariableAllowedIn, FCur.Line);
        AnsiString obj;
        if (ParseExpressionList(false, obj) < 0) {
            AddFinding(fdIdentifierExpectedAfterIn, Look().Line);
            Recover(false);
        }
    } else {
        AddFinding(fdFailedAllIterationParsing, Look().Line);
        Recover(false);
    }
    FMarkup = markup;
    if (PeekToken() != ')') {
        AddFinding(fdCloseParenExpected, Look().Line);
        Recover(true);
    } else {
        NextToken();
    }
    if (PeekToken() == ';') {
        AddFinding(fdAfterForWillOnlyLoop, Look().Line);
        NextToken();
    }
    int body = ParseStatement();
    if (body < 0 && !FAborted)
        AddFinding(fdEmptyForLoopBody, FCur.Line);
    return srFor;
}

int TJSParser::ParseSwitch()
{
    NextToken(); // "switch"
    if (PeekToken() != '(') {
        AddFinding(fdOpenParenExpected, Look().Line);
        Recover(false);
    } else {
        NextToken();
    }
    AnsiString text;
    if (ParseExpressionList(false, text) < 0) {
        AddFinding(fdInvalidExpressionInSpacedParentheses, Look().Line);
        Recover(false);
    }
    if (PeekToken() != ')') {
        AddFinding(fdCloseParenExpected, Look().Line);
        Recover(false);
    } else {
        NextToken();
    }
    bool reported = false;
    if (PeekToken() == '{') {
        NextToken();
        ++FBraceDepth;
    } else {
        AddFinding(fdOpenBraceExpected, Look().Line);
        reported = true;
    }
    bool closed = false;
    for (;;) {
        int n = PeekToken();
        if (n == '}') {
            NextToken();
            closed = true;
            break;
        }
        if (n == tkEnd)
            break;
        const uint64_t start = FConsumed;
        if (n == tkCase) {
            NextToken();
            AnsiString value;
            if (ParseExpressionList(false, value) < 0 && !reported) {
                AddFinding(fdCaseExpressionFail, Look().Line);
                reported = true;
            }
        } else if (n == tkDefault) {
            NextToken();
        } else {
            if (!reported)
                AddFinding(fdParseSwitchFail, Look().Line);
            reported = true;
            break;
        }
        if (PeekToken() != ':') {
            if (!reported)
                AddFinding(fdColonExpectedAfterCase, Look().Line);
            reported = true;
            Recover(false);
        } else {
            NextToken();
        }
        bool failed = false;
        for (;;) {
            int s = PeekToken();
            if (s == '}' || s == tkCase || s == tkDefault || s == tkEnd)
                break;
            const uint64_t before = FConsumed;
            const bool isElse = s == tkElse;
            int r = ParseStatement();
            if (r == srLabelled || r == -1) {
                if (!reported) {
                    if (r == -1 && isElse)
                        AddFinding(fdUseDefaultNotElseIn, Look().Line);
                    else
                        AddFinding(fdCaseActionStatementSFail, Look().Line);
                }
                reported = true;
                failed = true;
                Recover(false);
                break;
            }
            if (FConsumed == before)
                break;
        }
        if (failed) {
            // skip the rest of the switch without further messages
            int depth = 0;
            for (;;) {
                int s = PeekToken();
                if (s == tkEnd)
                    break;
                if (s == '}' && depth == 0)
                    break;
                NextToken();
                if (s == '{')
                    ++depth;
                else if (s == '}')
                    --depth;
            }
        }
        if (FConsumed == start)
            break;
    }
    if (!closed && !reported)
        AddFinding(fdMissingToEndSwitchStatement, Look().Line);
    return srSwitch;
}

int TJSParser::ParseTry()
{
    NextToken(); // "try"
    const TCheckLine tryLine = FCur.Line;
    int r = ParseStatement();
    if (r < 0 && r != -2)
        AddFinding(fdTryBlockParseStatementFail, Look().Line);
    int n = PeekToken();
    if (n != tkCatch && n != tkFinally) {
        AddFinding(fdCatchOrFinallyExpected, Look().Line);
        return srTry;
    }
    int catches = 0;
    bool hadFinally = false;
    TCheckLine lastLine = tryLine;
    for (;;) {
        n = PeekToken();
        if (n == tkCatch) {
            NextToken();
            lastLine = FCur.Line;
            if (hadFinally) {
                AddFinding(fdCatchMustBeBeforeFinally, FCur.Line);
                Recover(false);
                break;
            }
            if (++catches > 1)
                AddFinding(fdOnlyOneCatchPermittedIn, FCur.Line);
            if (PeekToken() != '(') {
                AddFinding(fdOpenParenExpected, Look().Line);
            } else {
                NextToken();
                // a browser word or a built-in function's name is a valid name for the caught value
                const int id = PeekToken();
                if (id != tkIdentifier && !(id >= tkDOM1 && id <= tkDOM4) && !IsGlobalFunctionWord(id)) {
                    AddFinding(fdIdentifierExpected, Look().Line);
                } else {
                    NextToken();
                    const AnsiString name = FCur.Text;
                    const TCheckLine line = FCur.Line;
                    if (IsPredefinedGlobal(name))
                        AddFinding(fdAvoidIdentifierName, name, line);
                    if (TJSFunction *fn = CurrentFunction()) {
                        if (fn->IsParameter(name))
                            AddFinding(fdCatchIdSameAsParameter, line);
                        else if (fn->IsLocalVar(name))
                            AddFinding(fdCatchIdSameAsLocal, line);
                        else
                            DeclareLocal(name, line, -1, AnsiString(), false);
                    } else if (FLists.GlobalVars.Contains(name)) {
                        AddFinding(fdCatchIdSameAsGlobal, line);
                    } else {
                        DeclareGlobal(name, line, -1, AnsiString(), false);
                    }
                    if (PeekToken() == tkIf) {
                        // a conditional catch clause: its condition is skipped
                        NextToken();
                        SkipLineTo(')', ')', ')');
                    }
                }
                if (PeekToken() == ')')
                    NextToken();
                else
                    AddFinding(fdCloseParenExpected, Look().Line);
            }
            int h = ParseStatement();
            if (h < 0)
                AddFinding(fdExceptionStatementFailOrEmpty, FCur.Line);
        } else if (n == tkFinally) {
            NextToken();
            hadFinally = true;
            int f = ParseStatement();
            if (f == -1)
                AddFinding(fdFinallyBlockStatementSFail, tryLine + 1);
        } else {
            break;
        }
    }
    (void)lastLine;
    return srTry;
}

int TJSParser::ParseExpressionList(bool Statement, AnsiString &Text)
{
    int r = ParseAssignment(Statement, Text);
    if (r < 0)
        return r;
    while (PeekToken() == ',') {
        NextToken();
        AnsiString next;
        int r2 = ParseAssignment(false, next);
        if (r2 < 0) {
            AddFinding(fdExpressionExpectedAfterComma, Look().Line);
            return r;
        }
        r = r2;
        Text = std::move(next);
    }
    return r;
}

void TJSParser::ReportCondition(int Result, TFinding Fail)
{
    if (Result < 0) {
        AddFinding(Fail, Look().Line);
        Recover(false);
    } else if (Result == erAssignment) {
        AddFinding(fdShouldProbablyBeTestFor, FCur.Line);
    }
}

void TJSParser::ParseCondition(AnsiString &Text, TFinding Fail)
{
    ReportCondition(ParseExpressionList(false, Text), Fail);
}
