// Expressions and name rules: snippet -> findings, snippet -> symbol model, and the rules themselves.
#include <gtest/gtest.h>

#include "CheckerTestUtil.h"
#include "ModelDump.h"
#include "checker/JSModel.h"
#include "checker/NameTables.h"
#include "platform/SysUtils.h"

namespace {

using Lines = std::vector<std::string>;

struct ExpressionCase {
    const char *Name;
    const char *Source;
    Lines Findings;
};

class Expressions : public ::testing::TestWithParam<ExpressionCase> {};

TEST_P(Expressions, Findings)
{
    EXPECT_EQ(CheckScript(GetParam().Source), GetParam().Findings) << GetParam().Source;
}

INSTANTIATE_TEST_SUITE_P(
    Snippets, Expressions,
    ::testing::Values(
        ExpressionCase{"typeofAssign",
                       "x = typeof (a = b);",
                       {"(026) Warning on line 1, should probably be test for equality \"==\" not assignment \"=\""}},
        ExpressionCase{"emptyArray", "x = [];", {"(032) Warning on line 1, empty array initialiser"}},
        ExpressionCase{"arrayFirstFails",
                       "x = [ ), 1];",
                       {"(033) Warning on line 1, invalid array index expression",
                        "(163) Syntax error on line 1, \",\" or \"]\" expected"}},
        ExpressionCase{"arrayLaterFails",
                       "x = [1, *];",
                       {"(033) Syntax error on line 1, invalid array index expression",
                        "(163) Syntax error on line 1, \",\" or \"]\" expected"}},
        ExpressionCase{"arrayTrailingComma", "x = [1, ];", {}},
        ExpressionCase{"arrayElementsMissing",
                       "x = [, 1];\ny = [1, , 2];",
                       {"(033) Warning on line 1, invalid array index expression",
                        "(033) Warning on line 2, invalid array index expression"}},
        ExpressionCase{"arrayNoClose",
                       "x = [1 2];",
                       {"(077) Syntax error on line 1, missing symbol or operator between identifiers or literals (or "
                        "space in identifier)",
                        "(163) Syntax error on line 1, \",\" or \"]\" expected"}},
        ExpressionCase{
            "bangRelational", "if (a ! b) c();", {"(081) Syntax error on line 1, \"!\" is not a relational symbol"}},
        ExpressionCase{"alertNoCall", "x = alert;", {}},
        ExpressionCase{
            "argumentsOther",
            "function g() { }\nfunction f() { return g.arguments + opts.arguments; }",
            {"(015) Warning on line 1, empty block \"{...}\" or missing \"{\" in function",
             "(083) Syntax error on line 2, \".arguments\" property only applies to current function name, not g"}},
        ExpressionCase{"parenNoClose", "x = (a + b;", {"(086) Syntax error on line 1, ) expected"}},
        ExpressionCase{"parenEmpty",
                       "x = ();\nif (()) y();",
                       {"(139) Syntax error on line 1, rhs of assignment(=) missing or invalid",
                        "(121) Syntax error on line 2, expression fail in \"if\""}},
        ExpressionCase{"parenEmptyStatement", "();", {"(074) Syntax error on line 1, unrecognised symbol found"}},
        ExpressionCase{"memberNoName", "x = a.;", {"(108) Syntax error on line 1, identifier expected"}},
        ExpressionCase{"argsComma",
                       "f(a, , b);",
                       {"(137) Syntax error on line 1, expression expected after comma",
                        "(164) Syntax error on line 1, invalid parameters inside \"( )\""}},
        ExpressionCase{"argsColonEnd", "f(a: );", {"(137) Syntax error on line 1, expression expected after \":\""}},
        ExpressionCase{
            "assignLiteral",
            "5 = x;",
            {"(138) Syntax error on line 1, assignment(=) only to a variable, object property or defaultStatus"}},
        ExpressionCase{
            "assignNew",
            "new A() = 1;",
            {"(138) Syntax error on line 1, assignment(=) only to a variable, object property or defaultStatus"}},
        ExpressionCase{
            "rhsMissing", "x = ;", {"(139) Syntax error on line 1, rhs of assignment(=) missing or invalid"}},
        ExpressionCase{
            "condSecondFails", "x = a ? ) : b;", {"(141) Syntax error on line 1, invalid statement after ?"}},
        ExpressionCase{"condSemicolon", "x = a ? b ; c;", {"(142) Syntax error on line 1, \";\" not valid in \"? :\""}},
        ExpressionCase{"condNoColon",
                       "x = a ? b c;",
                       {"(077) Syntax error on line 1, missing symbol or operator between identifiers or literals (or "
                        "space in identifier)",
                        "(143) Syntax error on line 1, \":\" expected"}},
        ExpressionCase{"condThirdFails", "x = a ? b : );", {"(144) Syntax error on line 1, invalid statement after :"}},
        ExpressionCase{"orFails", "x = a || );", {"(145) Syntax error on line 1, logical OR fail"}},
        ExpressionCase{"andFails", "x = a && );", {"(146) Syntax error on line 1, logical AND fail"}},
        ExpressionCase{"bitOrFails", "x = a | );", {"(147) Syntax error on line 1, bitwise OR fail"}},
        ExpressionCase{"bitXorFails", "x = a ^ );", {"(148) Syntax error on line 1, bitwise XOR fail"}},
        ExpressionCase{"bitAndFails", "x = a & );", {"(149) Syntax error on line 1, bitwise AND fail"}},
        ExpressionCase{
            "equalityFails", "x = a == );", {"(150) Syntax error on line 1, logical equality or \"in\" fail"}},
        ExpressionCase{
            "relationalFails", "x = a < );", {"(151) Syntax error on line 1, invalid relational expression"}},
        ExpressionCase{"shiftFails", "x = a << );", {"(152) Syntax error on line 1, shift fail"}},
        ExpressionCase{"addFails", "x = a + );", {"(153) Syntax error on line 1, add or subtract fail"}},
        ExpressionCase{"mulFails", "x = a * );", {"(154) Syntax error on line 1, multiply, divide or modulus fail"}},
        ExpressionCase{
            "typeofFails", "x = typeof );", {"(155) Syntax error on line 1, expression expected after \"typeof\""}},
        ExpressionCase{"unaryFails", "x = - );", {"(156) Syntax error on line 1, unary expr fail"}},
        ExpressionCase{"indexNoClose", "x = a[1;", {"(157) Syntax error on line 1, \"]\" expected"}},
        ExpressionCase{"newFails", "x = new );", {"(158) Syntax error on line 1, \"new\" fail"}},
        ExpressionCase{
            "newMath", "x = new Math();", {"(159) Syntax error on line 1, can't instantiate a \"Math\" object"}},
        ExpressionCase{"newIndexFails",
                       "x = new a[)];",
                       {"(160) Syntax error on line 1, invalid expression after \"[\"",
                        "(157) Syntax error on line 1, \"]\" expected"}},
        ExpressionCase{
            "newMemberFails", "x = new a.();", {"(161) Syntax error on line 1, identifier expected after \".\""}},
        ExpressionCase{"setTimeoutNoParen", "setTimeout;", {}},
        ExpressionCase{"argsFail", "f( ] );", {"(164) Syntax error on line 1, invalid parameters inside \"( )\""}},
        ExpressionCase{"domArgFails",
                       "document.write( ] );",
                       {"(165) Syntax error on line 1, invalid expression in DOM parameter"}},
        ExpressionCase{"domIndexFails",
                       "x = document.forms[)];",
                       {"(166) Syntax error on line 1, invalid expression in DOM [ ]",
                        "(157) Syntax error on line 1, \"]\" expected"}},
        ExpressionCase{"indexFails",
                       "x = a[)];",
                       {"(033) Syntax error on line 1, invalid array index expression",
                        "(157) Syntax error on line 1, \"]\" expected"}}),
    [](const ::testing::TestParamInfo<ExpressionCase> &I) { return std::string(I.param.Name); });

struct ModelCase {
    const char *Name;
    const char *Source;
    const char *Findings; // joined lines
    const char *Model;
    const char *Nodes; // joined tree nodes "kind:text@line"
};

class Model : public ::testing::TestWithParam<ModelCase> {};

TEST_P(Model, Dump)
{
    const ModelCase &c = GetParam();
    CheckRun run;
    CheckOptions o;
    o.WarnNoVar = true;
    run.Piece(c.Source, o);
    EXPECT_EQ(Joined(run.Finish()), c.Findings);
    EXPECT_EQ(DumpModel(run.Lists), c.Model);
    EXPECT_EQ(Joined(run.Host.Nodes), c.Nodes);
}

INSTANTIATE_TEST_SUITE_P(
    Snippets, Model,
    ::testing::Values(
        ModelCase{
            "PageScript",
            "var count = 0, opts = { a: 1, b: 2 };\n"
            "function add(x, y) {\n"
            "  var sum = x + y;\n"
            "  total = sum;\n"
            "  report(sum, \"done\");\n"
            "  return sum;\n"
            "}\n"
            "function Shape(w) {\n"
            "  this.w = w;\n"
            "  var me = this;\n"
            "}\n"
            "Shape.prototype.area = function() { return this.w * 2; };\n"
            "var s = new Shape(3);\n"
            "var t = s;\n"
            "add(1, \"two\");\n"
            "window.init();\n"
            "var str = \"abc\".substring(1);\n"
            "document.write('<input name=\"box\">');\n"
            "var w = open(\"x.html\");\n"
            "lbl: for (var i in opts) { if (i) break lbl; }\n"
            "el.id = \"made\";\n"
            "with (document) { write(\"x\"); }\n",
            "(002) Hint on line 4, recommended to use \"var\" when declaring variables in a function, \"total\" "
            "will be treated as global!\n",
            "F ObjectLiteral0 parent=-1 line=1 params=[]\n"
            "F add parent=-1 line=2 params=[x,y] locals=[sum:2,total:2] calls=[report@5(sum:315,\"done\":318)] "
            "refs=[x@3] return=315:sum\n"
            "F Shape parent=-1 line=8 params=[w] locals=[me:6(__self_)] refs=[this.w@9]\n"
            "F Shape.prototype.area parent=-1 line=12 params=[] refs=[this.w@12] return=308:2\n"
            "G: count:2@1 opts:2@1{a,b} total:2@4 s:2@13 t:2@14 str:2@17 w:2@19 i:2@20\n"
            "Calls: add@15(1:317,\"two\":318) init@16() document.write@18(\"<input name=\"box\">\":318) "
            "open@19(\"x.html\":318) write@22(\"x\":318)\n"
            "Refs: el.id@21\n" // an assigned prototype member is no reference
            "Windows: w@19\n"
            "New: opts|Object|-2@1 s|Shape|-2@13 t|Shape|-2@14\n"
            "Proto: Shape.prototypeInst-1\\area@12 el.prototypeInst-1\\id@21\n"
            "Dynamic: box@18 made@21\n"
            "Labels: lbl@20\n"
            "LabelRefs: lbl@20\n"
            "With: document@22\n",
            "5:count@1\n5:opts@1\n7:add(x,y)@1\n8:sum@3\n5:total@4\n8:total@4\n7:Shape(w)@7\n8:me@10\n"
            "7:Shape.prototype.area()@11\n5:s@13\n5:t@14\n5:str@17\n18:box@18\n5:w@19\n5:i@20\n18:made@21\n"},
        ModelCase{"AnonymousBuiltInAndNested",
                  "f(function(a) { return a; });\n"
                  "var r = new ActiveXObject(\"Scripting.FileSystemObject\");\n"
                  "var d = new Date();\n"
                  "function g() {\n"
                  "  h = function() { return 1; };\n"
                  "}\n",
                  "(002) Hint on line 5, recommended to use \"var\" when declaring variables in a function, \"h\" will "
                  "be treated as global!\n",
                  // built-in constructors are not registered as the page's functions
                  "F Anonymous function1 parent=-1 line=1 params=[a] return=315:a\n"
                  "F g parent=-1 line=4 params=[] locals=[h:2] embedded=[h]\n"
                  "F h parent=1 line=5 params=[] return=317:1\n"
                  "G: r:2@2 d:2@3 h:2@5\n"
                  "Calls: f@1(Anonymous function1:138)\n"
                  "New: r|ActiveXObject|-2@2 d|Date|-2@3\n",
                  "7:(a)@0\n5:r@2\n5:d@3\n7:g()@3\n7:h()@4\n5:h@5\n8:h@5\n"},
        ModelCase{"WithBlockHidesPredefinedNames", "var length = 1;\nwith (obj) { var name = 2; }\n",
                  "(001) Hint on line 1, recommended to avoid an identifier name of \"length\"\n",
                  "G: length:2@1 name:2@2\n", "5:length@1\n5:name@2\n"},
        ModelCase{"TypedVariables",
                  "var win = window;\nfunction f() {\n  var doc = document;\n  var me = this;\n  me.x = 1;\n}\n", "",
                  "F f parent=-1 line=2 params=[] locals=[doc:6(document),me:6(__self_)] refs=[me.x@5]\n"
                  "G: win:6(window)@1\n"
                  "Proto: me.possiblePrototypeInst0\\x@5\n",
                  "5:win@1\n7:f()@1\n8:doc@3\n8:me@4\n"}),
    [](const ::testing::TestParamInfo<ModelCase> &I) { return std::string(I.param.Name); });

TEST(Model, JsonStringArgumentNamesTheFollowingLiteral)
{
    CheckRun run;
    CheckOptions o;
    o.JSON = true;
    run.Piece("Class.create(\"Point\", { init: function(x) { this.x = x; } });", o);
    EXPECT_EQ(run.Finish(), Lines{});
    EXPECT_EQ(DumpModel(run.Lists), "F ObjectLiteral0 parent=-1 line=1 params=[]\n"
                                    "F init parent=-1 line=1 params=[x] refs=[this.x@1]\n"
                                    "Calls: Class.create@1(\"Point\":318,:50)\n"
                                    "New: Point|Object|-2@1\n");
}

// Anonymous functions of different sections must not share a name in the page's function list.
TEST(Model, AnonymousFunctionsOfSectionsStayApart)
{
    CheckRun run;
    CheckOptions o;
    o.SectionCode = 0;
    run.Piece("f(function() { return 1; });", o);
    o.SectionCode = 1;
    o.StartLine = 10;
    run.Piece("g(function() { return 2; });", o);
    run.Finish();
    ASSERT_EQ(run.Lists.Functions.Count(), 2);
    EXPECT_EQ(run.Lists.Functions[0], "Anonymous function1");
    EXPECT_EQ(run.Lists.Functions[1], "Anonymous function2");
}

TEST(Model, FunctionsOfALibraryAppearOnceWithTheirParameters)
{
    CheckRun run;
    run.Piece("function a(x) { function b(y, z) { return y; } return b(x, 1); }\n"
              "var o = { m: function(p) { return p; } };\n"
              "function c() { }\n");
    run.Finish();
    std::string names;
    for (int i = 0; i < run.Lists.Functions.Count(); ++i) {
        const TJSFunction *f = run.Lists.Functions.At(i);
        names += run.Lists.Functions[i] + "/" + std::to_string(f->ParameterCount()) + " ";
    }
    EXPECT_EQ(names, "a/1 b/2 ObjectLiteral2/0 m/1 c/0 ");
}

// ---- symbol model operations

struct NullSinkParser {
    TCheckerLists Lists;
    TJSParser Parser{Lists, nullptr};
};

TEST(SymbolModel, ParametersFromDeclarationText)
{
    NullSinkParser p;
    TJSFunction f(&p.Parser, -1, 0, 3, "f");
    f.SetParameters("f( )", 3, true);
    EXPECT_EQ(f.ParameterCount(), 0);
    f.SetParameters("f(a, b ,c)", 3, true);
    EXPECT_EQ(f.ParameterCount(), 3);
    EXPECT_TRUE(f.IsParameter("b"));
    EXPECT_FALSE(f.IsParameter("B"));
    f.SetParameterType(0, 317, "num");
    f.SetParameterType(7, 1, "outside"); // ignored
    AnsiString text;
    EXPECT_EQ(f.GetParameterInfo("a", text), 317);
    EXPECT_EQ(text, "num");
    EXPECT_EQ(f.GetParameterInfo("b", text), -1);
    EXPECT_EQ(f.GetParameterInfo("zz", text), -1);
    f.SetParameters("f(a, a)", 9, true);
    EXPECT_EQ(f.ParameterCount(), 1);
    EXPECT_EQ(p.Parser.ErrorCount(), 1);
    EXPECT_EQ(p.Parser.StoredMessage(0).substr(11), "(070) Syntax error on line 9, duplicate parameter name, \"a\"");
}

TEST(SymbolModel, CursorsCallsAndLabels)
{
    NullSinkParser p;
    TJSFunction f(&p.Parser, -1, 0, 1, "f");
    f.AddLocalVar("a", 2, 0, "", false);
    f.AddLocalVar("w", 3, tkWindow, "window", false);
    f.AddLocalVar("e", 4, 0, "document.forms", false);
    EXPECT_EQ(f.GetLocalVarType("w"), "window");
    EXPECT_EQ(f.GetLocalVarType("e"), "document.forms");
    EXPECT_EQ(f.GetLocalVarType("a"), "");
    AnsiString name;
    EXPECT_EQ(f.NextLocalVar(name), 2);
    EXPECT_EQ(f.NextLocalVar(name), 3);
    EXPECT_EQ(f.NextLocalVar(name), 4);
    EXPECT_EQ(name, "e");
    EXPECT_EQ(f.NextLocalVar(name), std::nullopt);
    f.ResetLocalCursor();
    EXPECT_EQ(f.NextLocalVar(name), 2);

    f.AddCall("g", 5);
    f.AddCall("h", 6);
    f.AddCall("g", 7);
    f.AddCallArgument("g", "x", 315); // the first call of that name
    EXPECT_EQ(f.LastCallName(), "g");
    const TJSFunctionCall *first = f.Calls().At(0);
    EXPECT_EQ(first->ArgumentCount(), 1);
    EXPECT_EQ(first->GetCallerName(), "f");
    EXPECT_EQ(first->GetArgument(1, name), -1);
    EXPECT_EQ(f.NextCall(name), 5);
    EXPECT_TRUE(f.HasCall("h"));

    f.AddReference("r", 8);
    f.AddReference("r", 8);
    f.AddReference("r", 9);
    EXPECT_EQ(f.References().Count(), 2);

    f.AddLabelRef("missing", 10);
    f.AddLabel("here", 11);
    f.AddLabelRef("here", 12);
    f.CheckLabels();
    EXPECT_EQ(p.Parser.StoredMessage(0).substr(11), "(071) Syntax error on line 10, label \"missing\" not found");
    f.AddEmbeddedFunction("", 1);
    EXPECT_EQ(f.EmbeddedFunctions().Count(), 0);
}

TEST(SymbolModel, LocalDeclaredTwiceInIncludeNamesDecodedLine)
{
    CheckRun run;
    CheckOptions o;
    o.SectionCode = scInclude;
    o.StartLine = *TCheckLine::InInclude(1, 1); // include 1, line 1
    run.Piece("function f() {\n  var a;\n  var a;\n}", o);
    EXPECT_EQ(run.Finish(),
              (Lines{"(011) Warning on line 3 of Include; lib.js, local var \"a\" already declared on line 2"}));
}

// ---- name rules

TEST(NameRules, MemberSuffixes)
{
    const std::pair<const char *, bool> cases[] = {
        {"s.substring", true},
        {"s.SUBSTRING", true},
        {"a.valueOf", true},
        {"x.valueX", false},
        {"text.length", true},
        {"myFunc", false},
        {"a.lengthy", false},
        {"Math.max", true},
        {"collapse", true},
        {"obj.join(", true},
        {"obj.joined", false},
        {"a.values.value", false}, // only the first occurrence of a suffix is looked at
        {"x.subs.sub", false},
        {"x.sub.subs", true},
        {"document.", true},
        {"document.x", false},
        {"a.b.toUpperCase()", true},
        {"x.E", true},
        {"x.e2", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TJSParser::HasMemberSuffix(c.first), c.second) << c.first;
}

TEST(NameRules, WholeWords)
{
    struct Case {
        const char *Word, *Text;
        bool Whole;
    };
    const Case cases[] = {
        {".value", "f.value", true},       {".value", "f.valueOf", false},    {".value", "f.value.x", true},
        {"window.", "top.window.x", true}, {"window.", "window.x", false},    {"document", "document", false},
        {"document", "x document", true},  {"Math.", "a+Math.PI", true},      {"name", "name x", true},
        {".all", "document.all", true},    {".all", "document.allow", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TJSParser::IsWholeWordIn(c.Word, c.Text), c.Whole) << c.Word << " in " << c.Text;
}

TEST(NameRules, PathClasses)
{
    NullSinkParser p;
    const std::pair<const char *, int> cases[] = {
        {"document.forms", 0},
        {"f.arguments", 7},
        {"myVar", 2},
        {"document", 4},
        {"Foo.prototype.bar", 5},
        {"myForm.field.value", 1},
        {"box.style.color", 1},
        {"el.innerHTML", 1},
        {"list.value.length", 1},
        {"myForm.elements.length", 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(p.Parser.ClassifyPath(c.first), c.second) << c.first;
}

TEST(NameRules, ComplexNamesAndEventProperties)
{
    EXPECT_FALSE(TJSParser::IsComplexName("a.b$_9"));
    EXPECT_FALSE(TJSParser::IsComplexName("$"));
    EXPECT_TRUE(TJSParser::IsComplexName("a[0]"));
    EXPECT_TRUE(TJSParser::IsComplexName("1a"));
    EXPECT_TRUE(TJSParser::IsComplexName(""));
    EXPECT_TRUE(TJSParser::IsEventProperty("window.onload"));
    EXPECT_FALSE(TJSParser::IsEventProperty("onload"));
    // the name assigned to an event property counts as called
    CheckRun run;
    run.Piece("window.onload = init;");
    run.Finish();
    ASSERT_EQ(run.Lists.Calls.size(), 1u);
    EXPECT_EQ(run.Lists.Calls[0].Name, "init");
}

// ---- name tables

TEST(NameTables, SearchedTablesAreCompleteAndOrdered)
{
    auto byteOrdered = [](const char *const *T, size_t N) {
        for (size_t i = 1; i < N; ++i)
            if (std::string(T[i - 1]) >= std::string(T[i]))
                return std::string(T[i - 1]) + " >= " + T[i];
        return std::string();
    };
    EXPECT_EQ(byteOrdered(DOMNames, kDOMNameCount), "");
    EXPECT_EQ(byteOrdered(PredefinedGlobals, kPredefinedGlobalCount), "");
    for (size_t i = 1; i < kServerNameCount; ++i)
        EXPECT_LT(CompareText(ServerNames[i - 1], ServerNames[i]), 0) << ServerNames[i];
    EXPECT_EQ(sizeof(DOMNames) / sizeof(*DOMNames), 815u);
    EXPECT_EQ(sizeof(PredefinedGlobals) / sizeof(*PredefinedGlobals), 79u);
    EXPECT_EQ(sizeof(ServerNames) / sizeof(*ServerNames), 101u);
    EXPECT_EQ(sizeof(SpecialNames) / sizeof(*SpecialNames), 19u);
    EXPECT_EQ(sizeof(BuiltInObjects) / sizeof(*BuiltInObjects), 18u);
    EXPECT_EQ(sizeof(AttributeNames) / sizeof(*AttributeNames), 58u);
    EXPECT_EQ(sizeof(MemberSuffixes) / sizeof(*MemberSuffixes), 162u);
    EXPECT_EQ(sizeof(EventProperties) / sizeof(*EventProperties), 10u);
    // every entry is found by its own search, and a changed case is not
    for (const char *n : DOMNames)
        EXPECT_TRUE(IsDOMName(n)) << n;
    for (const char *n : PredefinedGlobals)
        EXPECT_TRUE(IsPredefinedGlobalName(n)) << n;
    for (const char *n : ServerNames)
        EXPECT_TRUE(IsServerObjectName(UpperCase(n))) << n;
    for (const char *n : BuiltInObjects)
        EXPECT_TRUE(IsBuiltInObject(n)) << n;
    EXPECT_TRUE(IsPredefinedGlobalName("scrollBy"));
    EXPECT_TRUE(IsPredefinedGlobalName("toString"));
    EXPECT_FALSE(IsDOMName("Document"));
    EXPECT_FALSE(IsDOMName("  "));
    EXPECT_FALSE(IsBuiltInObject("date"));
    EXPECT_TRUE(IsSpecialName("ONBEFOREUNLOAD"));
    EXPECT_FALSE(IsSpecialName("onunload"));
}

TEST(NameTables, HtmlNameOf)
{
    struct Case {
        const char *Text, *Result;
    };
    const Case cases[] = {
        {"document.forms.myForm.elements", "myForm"},
        {"document.all(\"pic\")", "pic"},
        {"x", "x"},
        {"y", "y"},
        {"x.myThing", "x.myThing"},
        {"..myForm.field", "myForm.field"},
        {"document.images[3].src", "images"},
        {"window.document", ""},
        {"a[1].b[c]", "a.b"},
        {"Response.Write", ""},
    };
    for (const Case &c : cases) {
        AnsiString result;
        HTMLNameOf(c.Text, false, result, nullptr);
        EXPECT_EQ(result, c.Result) << c.Text;
    }
    CheckRun run;
    AnsiString result;
    HTMLNameOf("a[1.b", true, result, &run.Parser);
    EXPECT_EQ(run.Finish(), (Lines{"(035) Warning on line 0, HTML Name \"a[1.b\" missing \"]\""}));
}

TEST(NameTables, FindWord)
{
    struct Case {
        const char *Word, *Text;
        bool NoQuoteCheck;
        int Position;
    };
    const Case cases[] = {
        {"id", "id", false, 1},
        {"ID", "<div valid id=3>", false, 12},
        {"id", "<img alt=\"an id here\">", false, -1},
        {"id", "<img alt=\"an id here\">", true, 14},
        {"id", "<img alt='it\"s' id=x>", false, 17},
        {"name", "<a names=1>", false, -1},
        {"name", "<a x='q' name=\"v\">", false, 10},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FindWord(c.Word, c.Text, c.NoQuoteCheck), c.Position) << c.Text;
}

} // namespace
