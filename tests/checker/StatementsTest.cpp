// Statement parsing: snippet -> findings, one row per finding a statement can raise.
#include <gtest/gtest.h>

#include "CheckerTestUtil.h"

namespace {

using Lines = std::vector<std::string>;

struct StatementCase {
    const char *Name;
    const char *Source;
    Lines Findings;
};

class Statements : public ::testing::TestWithParam<StatementCase> {};

TEST_P(Statements, Findings)
{
    EXPECT_EQ(CheckScript(GetParam().Source), GetParam().Findings) << GetParam().Source;
}

INSTANTIATE_TEST_SUITE_P(
    Snippets, Statements,
    ::testing::Values(
        StatementCase{"twoIdents",
                      "a = b c;",
                      {"(077) Syntax error on line 1, missing symbol or operator between identifiers or literals (or "
                       "space in identifier)"}},
        StatementCase{"twoIdentsLines", "a = b\nc;", {"(013) Warning on line 1, missing semicolon"}},
        StatementCase{
            "missingSemiBeforeBrace", "function f() {\n  a = b }", {"(013) Warning on line 2, missing semicolon"}},
        StatementCase{
            "continueOutside", "continue;\nx = 1;", {"(092) Syntax error on line 1, \"continue\" only inside a loop"}},
        StatementCase{
            "breakOutside", "break;", {"(093) Syntax error on line 1, \"break\" only inside a loop or switch"}},
        StatementCase{"labelTwice",
                      "lbl: x = 1;\nlbl: y = 2;",
                      {"(090) Syntax error on line 2, global label \"lbl\" duplicated"}},
        StatementCase{"catchTwice",
                      "try { a(); } catch (e) { } catch (f) { }",
                      {"(109) Warning on line 1, exception statement fail or empty",
                       "(111) Syntax error on line 1, only one \"catch\" permitted in Javascript",
                       "(109) Warning on line 1, exception statement fail or empty"}},
        StatementCase{"forInTwo",
                      "for (var a, b in c) { }",
                      {"(135) Syntax error on line 1, only one variable allowed in \"for .. in\"",
                       "(030) Warning on line 1, empty \"for\" loop body"}},
        StatementCase{
            "nestedFunction", "function outer() {\n  function inner() { return 1; }\n  return inner();\n}", {}},
        StatementCase{"dupFunction",
                      "function f() { return 1; }\nfunction f() { return 2; }",
                      {"(014) Warning on line 2, duplicate function - \"f\".  Browsers will use the last one without "
                       "reporting any error!"}},
        StatementCase{"emptyFunction",
                      "function f() {}",
                      {"(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function"}},
        StatementCase{"emptyMemberAndExpressionFunctions",
                      "o = { m: function() {} };\nf = function() {};",
                      {"(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function",
                       "(015) Warning on line 2, empty block \"{...}\" in function"}},
        StatementCase{
            "elseNoIf", "}\nelse x = 1;", {"(073) Syntax error on line 1, extra closing block symbol \"}\" found"}},
        StatementCase{"extraBrace",
                      "x = 1;\n}\ny = 2;",
                      {"(073) Syntax error on line 2, extra closing block symbol \"}\" found"}},
        StatementCase{"unclosed",
                      "function f() {\n  if (a) {\n    b();\n",
                      {"(076) Syntax error on line 3, on previous lines 2 opening block symbol \"{\" found without "
                       "matching \"}\""}},
        StatementCase{"ifAssign",
                      "if (a = 1) b();",
                      {"(026) Warning on line 1, should be test for equality \"==\" not assignment \"=\""}},
        StatementCase{"ifSemicolon",
                      "if (a);\nb();",
                      {"(024) Warning on line 1, \";\" after \"if (expression)\", \"if\" now redundant"}},
        StatementCase{
            "doEmpty",
            "do ; while (a);",
            {"(124) Syntax error on line 1, \";\" after \"do\"",
             "(027) Warning on line 1, \";\" after \"while (expression)\", will only loop expression instructions",
             "(025) Warning on line 1, empty block in \"do . . while\"",
             "(125) Syntax error on line 1, \"while\" expected"}},
        StatementCase{
            "whileSemi",
            "while (a);",
            {"(027) Warning on line 1, \";\" after \"while (expression)\", will only loop expression instructions"}},
        StatementCase{"forSemi",
                      "for (i = 0; i < 3; i++);",
                      {"(029) Warning on line 1, \";\" after \"for\", will only loop instructions inside ( )",
                       "(030) Warning on line 1, empty \"for\" loop body"}},
        StatementCase{"forUpdate",
                      "for (i = 0; i < 3; i + 1) { x(); }",
                      {"(048) Warning on line 1, update expression in \"for\" may not change anything"}},
        StatementCase{"emptyIfElse",
                      "if (a) {} else {}",
                      {"(050) Warning on line 1, empty block or missing statement in \"if\"",
                       "(051) Warning on line 1, empty block or missing statement in \"else\""}},
        StatementCase{"semiAfterBlock",
                      "if (a) { b(); };",
                      {"(057) Warning on line 1, \";\" after block not strict ECMA, (but IE allows it!)"}},
        StatementCase{"semiAfterBlockThenMissingSemi",
                      "if (a) { b(); };\nx = 1\ny = 2;",
                      {"(057) Warning on line 1, \";\" after block not strict ECMA, (but IE allows it!)",
                       "(013) Warning on line 2, missing semicolon"}},
        StatementCase{"semiAfterFunctionBody",
                      "function f() { b(); };\nx = function() { b(); };",
                      {"(057) Warning on line 1, \";\" after block not strict ECMA, (but IE allows it!)"}},
        StatementCase{"varKeyword",
                      "var delete = 1;",
                      {"(022) Warning on line 1, variable name \"delete\" is a reserved word or DOM object"}},
        StatementCase{"varDom",
                      "var location = 1;",
                      {"(022) Warning on line 1, variable name \"location\" is a reserved word or DOM object",
                       "(001) Hint on line 1, recommended to avoid an identifier name of \"location\""}},
        StatementCase{"varPredef",
                      "var length = 1;",
                      {"(001) Hint on line 1, recommended to avoid an identifier name of \"length\""}},
        StatementCase{"varNothing", "var ;", {"(118) Syntax error on line 1, no variable(s) declared after \"var\""}},
        StatementCase{
            "varCompound",
            "var a += 1;",
            {"(114) Syntax error on line 1, declared variable can only be initialised by assignment (\"=\")"}},
        StatementCase{"varJunk",
                      "var a b;",
                      {"(077) Syntax error on line 1, missing symbol or operator between identifiers or literals (or "
                       "space in identifier)",
                       "(115) Syntax error on line 1, invalid character(s) after variable name"}},
        StatementCase{"varComma", "var a, ;", {"(117) Syntax error on line 1, identifier expected after comma"}},
        StatementCase{"varFail", "var a = );", {"(113) Syntax error on line 1, var initialiser expression fail"}},
        StatementCase{"returnNone",
                      "function f() { return ) }",
                      {"(054) Warning on line 1, return expression missing or invalid",
                       "(123) Syntax error on line 1, } expected"}},
        StatementCase{"throwFail", "throw ;", {"(097) Syntax error on line 1, \"throw\" expression invalid"}},
        StatementCase{"throwEcma", "throw\n  new Error(\"x\");", {}},
        StatementCase{"withFail", "with () { }", {"(095) Syntax error on line 1, \"with\" expression invalid"}},
        StatementCase{"statusBad",
                      "status 5;",
                      {"(119) Syntax error on line 1, \"=\" or \"+=\" expected after status/defaultStatus"}},
        StatementCase{"statusGood", "status = \"x\";\nstatus += \"y\";\nwindow.status = \"z\";\nstatus.x = 1;", {}},
        StatementCase{"alertNoParen", "alert;", {"(082) Syntax error on line 1, ( expected"}},
        StatementCase{"alertArgumentFails",
                      "alert( ] );\nwrite(1, ] );",
                      {"(098) Syntax error on line 1, invalid expression in \"( )\"",
                       "(098) Syntax error on line 2, invalid expression in \"( )\""}},
        StatementCase{"browserFunctionArgumentFails",
                      "close( ] );\nself.close( ] );",
                      {"(098) Syntax error on line 1, invalid expression in \"( )\"",
                       "(165) Syntax error on line 2, invalid expression in DOM parameter"}},
        StatementCase{"switchNoParen",
                      "switch a { }",
                      {"(082) Syntax error on line 1, ( expected",
                       "(098) Syntax error on line 1, invalid expression in \"(  )\"",
                       "(086) Syntax error on line 1, ) expected", "(099) Syntax error on line 1, { expected"}},
        StatementCase{"switchElse",
                      "switch (a) { case 1: x(); else: y(); }",
                      {"(103) Syntax error on line 1, use \"default\" not \"else\" in switch"}},
        StatementCase{"switchLabel",
                      "switch (a) { case 1: lbl: x(); }",
                      {"(102) Syntax error on line 1, \"case\" action statement(s) fail"}},
        StatementCase{"switchOpen",
                      "switch (a) { case 1: x();",
                      {"(105) Syntax error on line 1, \"}\" missing to end switch statement",
                       "(076) Syntax error on line 1, on previous lines 1 opening block symbol \"{\" found without "
                       "matching \"}\""}},
        StatementCase{
            "switchCaseFail", "switch (a) { case : x(); }", {"(100) Syntax error on line 1, \"case\" expression fail"}},
        StatementCase{"switchNoColon",
                      "switch (a) { case 1 x(); }",
                      {"(077) Syntax error on line 1, missing symbol or operator between identifiers or literals (or "
                       "space in identifier)",
                       "(101) Syntax error on line 1, \":\" expected after case expression"}},
        StatementCase{"switchBad", "switch (a) { x(); }", {"(104) Syntax error on line 1, parse switch fail"}},
        StatementCase{
            "tryNoCatch", "try { a(); }\nx = 1;", {"(107) Syntax error on line 2, \"catch\" or \"finally expected\""}},
        StatementCase{"catchAfterFinally",
                      "try { a(); } finally { b(); } catch (e) { }",
                      {"(112) Syntax error on line 1, \"catch\" must be before \"finally\""}},
        StatementCase{
            "catchNoId",
            "try { a(); } catch (1) { }",
            {"(108) Syntax error on line 1, identifier expected", "(086) Syntax error on line 1, ) expected"}},
        StatementCase{"catchParam",
                      "function f(e) { try { a(); } catch (e) { } }",
                      {"(018) Warning on line 1, catch Id same name as a function parameter",
                       "(109) Warning on line 1, exception statement fail or empty"}},
        StatementCase{"catchLocal",
                      "function f() { var e; try { a(); } catch (e) { } }",
                      {"(019) Warning on line 1, catch Id same name as a local variable",
                       "(109) Warning on line 1, exception statement fail or empty"}},
        StatementCase{"catchGlobal",
                      "var e;\ntry { a(); } catch (e) { }",
                      {"(020) Warning on line 2, catch Id same name as a global variable",
                       "(109) Warning on line 2, exception statement fail or empty"}},
        StatementCase{"doNoWhile", "do { a(); } x();", {"(125) Syntax error on line 1, \"while\" expected"}},
        StatementCase{
            "doNoParen", "do { a(); } while a;", {"(126) Syntax error on line 1, \"(\" expected after \"while\""}},
        StatementCase{"doFail", "do { a(); } while ();", {"(127) Syntax error on line 1, \"while\" expression fail"}},
        StatementCase{
            "doNoClose", "do { a(); } while (a;", {"(128) Syntax error on line 1, ) expected after expression"}},
        StatementCase{"whileNoParen", "while a { }", {"(129) Syntax error on line 1, ( expected after \"while\""}},
        StatementCase{
            "whileFail",
            "while () { }",
            {"(130) Syntax error on line 1, \"while\" (expression) fail", "(028) Warning on line 1, \"while\" empty"}},
        StatementCase{"forNoParen", "for i { }", {"(129) Syntax error on line 1, \"(\" expected after \"for\""}},
        StatementCase{"forKeyword",
                      "for (var if = 0;;) { }",
                      {"(116) Syntax error on line 1, variable name is a reserved word or DOM object"}},
        StatementCase{"forBadInit",
                      "for (var i = ); ; ) { }",
                      {"(131) Syntax error on line 1, invalid initialiser in \"for\"",
                       "(136) Syntax error on line 1, failed all iteration parsing",
                       "(029) Warning on line 1, \";\" after \"for\", will only loop instructions inside ( )"}},
        StatementCase{
            "forNoVar", "for (var ; ;) { }", {"(118) Syntax error on line 1, no variable declared after \"var\""}},
        StatementCase{"forComma",
                      "for (var i, 5;;) { }",
                      {"(130) Syntax error on line 1, identifier expected after comma in \"for\"",
                       "(136) Syntax error on line 1, failed all iteration parsing",
                       "(086) Syntax error on line 1, ) expected",
                       "(029) Warning on line 1, \";\" after \"for\", will only loop instructions inside ( )"}},
        StatementCase{"forCond",
                      "for (;);) { }",
                      {"(132) Syntax error on line 1, continuation expression fail in \"for\"",
                       "(122) Syntax error on line 1, ; expected in \"for\"",
                       "(029) Warning on line 1, \";\" after \"for\", will only loop instructions inside ( )",
                       "(030) Warning on line 1, empty \"for\" loop body"}},
        StatementCase{"forNoSemi",
                      "for (i = 0) { }",
                      {"(136) Syntax error on line 1, failed all iteration parsing",
                       "(030) Warning on line 1, empty \"for\" loop body"}},
        StatementCase{"forUpdateFail",
                      "for (;; ]) { }",
                      {"(133) Syntax error on line 1, update expression fail in \"for\"",
                       "(030) Warning on line 1, empty \"for\" loop body"}},
        StatementCase{"forInFail",
                      "for (x in ) { }",
                      {"(134) Syntax error on line 1, identifier expected after \"in\"",
                       "(030) Warning on line 1, empty \"for\" loop body"}},
        StatementCase{"varName",
                      "Var x = 1;",
                      {"(021) Warning on line 1, Identifier named \"Var\" is probably meant to be keyword \"var\"",
                       "(077) Syntax error on line 1, missing symbol or operator between identifiers or literals (or "
                       "space in identifier)"}},
        StatementCase{"funcNoName", "function () { }", {"(085) Syntax error on line 1, function name expected"}},
        StatementCase{"funcDotted",
                      "function a.b.() { }",
                      {"(161) Syntax error on line 1, identifier expected after \".\"",
                       "(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function"}},
        StatementCase{"funcBadParam",
                      "function f(1) { }",
                      {"(084) Syntax error on line 1, function parameter expected",
                       "(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function"}},
        StatementCase{"funcBadClose",
                      "function f(a b) { }",
                      {"(077) Syntax error on line 1, missing symbol or operator between identifiers or literals (or "
                       "space in identifier)",
                       "(086) Syntax error on line 1, ) expected",
                       "(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function"}},
        StatementCase{"funcSemi",
                      "function f(a); { }",
                      {"(087) Syntax error on line 1, \";\" found after function definition",
                       "(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function"}},
        StatementCase{"funcReserved",
                      "function delete(a) { }",
                      {"(022) Warning on line 1, function name \"delete\" is a reserved word or DOM property/method",
                       "(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function"}},
        StatementCase{"paramDom",
                      "function f(event, x) { }",
                      {"(022) Warning on line 1, parameter \"event\" is a reserved word or DOM object",
                       "(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function"}},
        StatementCase{"objNoColon",
                      "x = { a 1 };",
                      {"(077) Syntax error on line 1, missing symbol or operator between identifiers or literals (or "
                       "space in identifier)",
                       "(088) Syntax error on line 1, \":\" or \"}\" expected in object literal"}},
        StatementCase{"objNoClose",
                      "x = { a: 1 ;",
                      {"(089) Syntax error on line 1, } expected to complete object literal",
                       "(013) Warning on line 1, missing semicolon",
                       "(076) Syntax error on line 1, on previous lines 1 opening block symbol \"{\" found without "
                       "matching \"}\""}},
        StatementCase{"objBadValue",
                      "x = { a: ) };",
                      {"(190) Syntax error on line 1, expression expected after : in object literal"}},
        StatementCase{
            "caseOnlyInSwitch", "x = 1;\nelse y = 2;", {"(072) Syntax error on line 2, \"else\" without an \"if\""}},
        StatementCase{"functionBodyMissing",
                      "function f() x = 1;",
                      {"(099) Syntax error on line 1, { expected",
                       "(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function"}},
        StatementCase{
            "statusNoValue", "status = ;", {"(120) Syntax error on line 1, invalid expression following \"=\""}},
        StatementCase{"withNoStatement",
                      "with (a) )",
                      {"(096) Syntax error on line 1, invalid or no statements in \"with\" block"}},
        StatementCase{
            "labelNoStatement", "lbl: )", {"(091) Syntax error on line 1, \"label\" statement fail or missing \";\""}},
        StatementCase{"finallyFails",
                      "try { a(); } finally )",
                      {"(110) Syntax error on line 2, \"finally\" block statement(s) fail"}},
        StatementCase{"tryFails",
                      "try ) catch (e) { }",
                      {"(106) Syntax error on line 1, \"try\" block parse statement fail",
                       "(107) Syntax error on line 1, \"catch\" or \"finally expected\""}},
        StatementCase{"deprecated", "function f() { return arguments.length; }", {}}),
    [](const ::testing::TestParamInfo<StatementCase> &I) { return std::string(I.param.Name); });

struct OptionCase {
    const char *Name;
    const char *Source;
    CheckOptions Options;
    Lines Findings;
};

CheckOptions With(bool CheckOptions::*Flag, bool Value = true)
{
    CheckOptions o;
    o.*Flag = Value;
    return o;
}

class StatementOptions : public ::testing::TestWithParam<OptionCase> {};

TEST_P(StatementOptions, Findings)
{
    EXPECT_EQ(CheckScript(GetParam().Source, GetParam().Options), GetParam().Findings) << GetParam().Source;
}

INSTANTIATE_TEST_SUITE_P(
    Options, StatementOptions,
    ::testing::Values(
        OptionCase{"DeprecatedArguments",
                   "function f() {\n  return arguments.length;\n}",
                   With(&CheckOptions::Deprecated),
                   {"(016) Warning on line 2, the \"arguments\" property of functions is deprecated"}},
        OptionCase{"NoDeprecatedOption",
                   "function f() { return arguments.length; }",
                   With(&CheckOptions::Deprecated, false),
                   {}},
        OptionCase{
            "ThrowLineBreakEcma",
            "throw\n  new Error(\"x\");",
            With(&CheckOptions::ECMA),
            {"(017) Warning on line 1, ECMAScript doesn't allow line terminators between \"throw\" and expression"}},
        OptionCase{"GlobalRedeclared",
                   "var a = 1;\nvar a = 2;",
                   With(&CheckOptions::RepeatDec),
                   {"(023) Warning on line 2, global var \"a\" already declared on line 1"}},
        OptionCase{"GlobalRedeclaredQuiet", "var a = 1;\nvar a = 2;", With(&CheckOptions::RepeatDec, false), {}},
        OptionCase{"LocalRedeclared",
                   "function f() {\n  var b = 1;\n  var b = 2;\n}",
                   With(&CheckOptions::RepeatDec),
                   {"(011) Warning on line 3, local var \"b\" already declared on line 2"}},
        OptionCase{"LocalRedeclaredInElseIsQuiet",
                   "function f(a) {\n  var b = 1;\n  if (a) x(); else var b = 2;\n}",
                   With(&CheckOptions::RepeatDec),
                   {}},
        OptionCase{"SemicolonsCountedWithoutWarning", "a = 1\nb = 2", With(&CheckOptions::SemiColon, false), {}},
        OptionCase{"PostfixOnNextLine",
                   "a = b\n++c;",
                   With(&CheckOptions::SemiColon),
                   {"(013) Warning on line 1, missing semicolon",
                    "(031) Warning on line 2, preferable to have expression and ++ or -- on same line"}},
        OptionCase{"ReturnBeforeLineBreak",
                   "function f() {\n  return\n  1;\n}",
                   With(&CheckOptions::SemiColon),
                   {"(013) Warning on line 2, missing semicolon"}}),
    [](const ::testing::TestParamInfo<OptionCase> &I) { return std::string(I.param.Name); });

TEST(Statements, ModelFindingsOfFunctions)
{
    EXPECT_EQ(CheckScript("function f(a, b, a) { }"),
              (Lines{"(070) Syntax error on line 1, duplicate parameter name, \"a\"",
                     "(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function"}));
    EXPECT_EQ(CheckScript("function f(a) {\n  var a = 1;\n}"),
              (Lines{"(012) Warning on line 2, local var \"a\" same name as a function parameter"}));
    EXPECT_EQ(CheckScript("function f() {\n  a: x();\n  a: y();\n}"),
              (Lines{"(068) Syntax error on line 3, label \"a\" already declared"}));
    EXPECT_EQ(
        CheckScript("function o() {\n  function i() { return 1; }\n  function i() { return 2; }\n  return i();\n}"),
        (Lines{"(014) Warning on line 3, duplicate function - \"i\".  Browsers will use the last one without "
               "reporting any error!",
               "(056) Warning on line 3, possible duplicate embedded function \"i\""}));
}

// A parser checks one document after another over the same lists; each check sees only its own names.
TEST(Statements, NextCheckLooksUpItsOwnFunctions)
{
    CheckRun run;
    run.Piece("function p() { return 1; }\nfunction q() { return 2; }\nfunction r() { return 3; }");
    EXPECT_EQ(run.Finish(), Lines{});
    run.Lists.ClearAll();
    run.Parser.ClearSource();
    run.Parser.ResetState();
    run.Parser.ResetInlineTotals();
    run.Parser.ResetCounts();
    run.Items.Clear();
    run.Parser.InitMessages(&run.Items);
    run.Piece("a = function() { return 1; };\nb = function() { return 2; };\nc = function() { return 3; };\n"
              "function a() { return 4; }\nfunction p() { return 5; }");
    EXPECT_EQ(run.Finish(),
              (Lines{"(014) Warning on line 4, duplicate function - \"a\".  Browsers will use the last one "
                     "without reporting any error!"}));
}

TEST(Statements, NestedFunctionIsEmbeddedAndNodedUnderItsOuterFunction)
{
    CheckRun run;
    run.Piece("function outer(a) {\n  function inner(b) { return b; }\n  return inner(a);\n}");
    EXPECT_EQ(run.Finish(), Lines{});
    ASSERT_EQ(run.Lists.Functions.Count(), 2);
    EXPECT_EQ(run.Host.Nodes, (std::vector<std::string>{"7:outer(a)@0", "7:inner(b)@1"}));
}

// Deep or endless nesting ends with one finding instead of exhausting the stack.
TEST(Statements, NestingDepthIsCapped)
{
    const std::string deep[] = {
        std::string(100000, '(') + "a",
        "x = " + std::string(100000, '[') + "1",
        std::string(100000, '{'),
        "a = " + std::string(100000, '!') + "b;",
        "a = " + std::string(100000, '-') + "b;",
        [] {
            std::string s;
            for (int i = 0; i < 20000; ++i)
                s += "if (a) ";
            return s + "b();";
        }(),
        [] {
            std::string s;
            for (int i = 0; i < 20000; ++i)
                s += "x = function() {";
            return s;
        }(),
        [] {
            std::string s;
            for (int i = 0; i < 20000; ++i)
                s += "a = ";
            return s + "1;";
        }(),
        [] {
            std::string s;
            for (int i = 0; i < 20000; ++i)
                s += "a ? ";
            return s + "1;";
        }(),
        [] {
            std::string s;
            for (int i = 0; i < 20000; ++i)
                s += "new ";
            return s + "A;";
        }(),
        [] {
            std::string s;
            for (int i = 0; i < 20000; ++i)
                s += "{a:";
            return "x = " + s + "1;";
        }(),
    };
    for (const std::string &src : deep) {
        auto lines = CheckScript(src);
        int capped = 0;
        for (const auto &l : lines)
            if (l.find("(094) Syntax error on line 1, nesting too deep") == 0)
                ++capped;
        EXPECT_EQ(capped, 1) << src.substr(0, 40);
    }
    // ordinary nesting stays well below the cap
    std::string ok;
    for (int i = 0; i < 50; ++i)
        ok += "if (a) { ";
    ok += "b();";
    for (int i = 0; i < 50; ++i)
        ok += " }";
    EXPECT_EQ(CheckScript(ok), Lines{});
}

TEST(Statements, LongFlatInputIsParsedWithoutRecursion)
{
    std::string chain = "a";
    for (int i = 0; i < 50000; ++i)
        chain += ".b";
    EXPECT_EQ(CheckScript(chain + ";"), Lines{});
    std::string sum = "x = 1";
    for (int i = 0; i < 50000; ++i)
        sum += " + 1";
    EXPECT_EQ(CheckScript(sum + ";"), Lines{});
}

} // namespace
