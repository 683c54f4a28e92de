#include "HighlighterTestSupport.h"
#include "tests/CaseNames.h"
#include "editor/JavaScriptHighlighter.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>

namespace {

constexpr int32_t C = jtComment, D = jtDirective, I = jtIdentifier, K = jtKey, N = jtNumber, S = jtSpace, Q = jtString,
                  Y = jtSymbol, X = jtInvalid;

class JavaScriptGolden : public ::testing::TestWithParam<LineCase> {};

TEST_P(JavaScriptGolden, TokensAndRange)
{
    const LineCase &c = GetParam();
    TJavaScriptHighlighter h;
    h.SetRange(c.RangeIn);
    EXPECT_EQ(ScanLine(h, W(c.Line)), c.Tokens) << c.Line;
    EXPECT_EQ(h.GetRange(), c.RangeOut) << c.Line;
}

const LineCase GoldenCases[] = {
    {"statement", 6, "if (a == 1) x = 0x1Fu;",
     Expect({{K, "if"},
             {S, " "},
             {Y, "("},
             {I, "a"},
             {S, " "},
             {Y, "=="},
             {S, " "},
             {N, "1"},
             {Y, ")"},
             {S, " "},
             {I, "x"},
             {S, " "},
             {Y, "="},
             {S, " "},
             {N, "0x1Fu"},
             {Y, ";"}}),
     6},
    {"words are case-sensitive; browser objects are reserved", 6,
     "If IF if document alert ifx synchronizedXYZ synchronized",
     Expect({{I, "If"},
             {S, " "},
             {I, "IF"},
             {S, " "},
             {K, "if"},
             {S, " "},
             {K, "document"},
             {S, " "},
             {K, "alert"},
             {S, " "},
             {I, "ifx"},
             {S, " "},
             {I, "synchronizedXYZ"},
             {S, " "},
             {K, "synchronized"}}),
     6},
    {"numbers: dot is the separator, exponent signs end a number", 6, "1..2 1.5 1e+5 1,5",
     Expect({{N, "1"},
             {Y, "."},
             {Y, "."},
             {N, "2"},
             {S, " "},
             {N, "1.5"},
             {S, " "},
             {N, "1e"},
             {Y, "+"},
             {N, "5"},
             {S, " "},
             {N, "1"},
             {Y, ","},
             {N, "5"}}),
     6},
    {"longest symbol forms", 6, "a===b>>>=c<<=d...e->f::g!=h&&i||j|=k",
     Expect({{I, "a"}, {Y, "=="},  {Y, "="}, {I, "b"},  {Y, ">>"}, {Y, ">="}, {I, "c"}, {Y, "<<="},
             {I, "d"}, {Y, "..."}, {I, "e"}, {Y, "->"}, {I, "f"},  {Y, "::"}, {I, "g"}, {Y, "!="},
             {I, "h"}, {Y, "&&"},  {I, "i"}, {Y, "||"}, {I, "j"},  {Y, "|="}, {I, "k"}}),
     6},
    {"strings with escapes", 6, R"("a\"b" 'c\'d' "e\\" 'f)",
     Expect({{Q, R"("a\"b")"}, {S, " "}, {Q, R"('c\'d')"}, {S, " "}, {Q, R"("e\\")"}, {S, " "}, {Q, "'f"}}), 6},
    {"a regular expression is one string token: quotes and # inside change nothing", 6,
     "s = x.replace(/[\"'#/]+\\//g, \"\");",
     Expect({{I, "s"},
             {S, " "},
             {Y, "="},
             {S, " "},
             {I, "x"},
             {Y, "."},
             {I, "replace"},
             {Y, "("},
             {Q, "/[\"'#/]+\\//g"},
             {Y, ","},
             {S, " "},
             {Q, "\"\""},
             {Y, ")"},
             {Y, ";"}}),
     6},
    {"after an operand a slash divides", 6, "a = b / c / d; e = (f) / 2 /g; h = length / 2;",
     Expect({{I, "a"}, {S, " "}, {Y, "="}, {S, " "}, {I, "b"}, {S, " "}, {Y, "/"}, {S, " "}, {I, "c"},
             {S, " "}, {Y, "/"}, {S, " "}, {I, "d"}, {Y, ";"}, {S, " "}, {I, "e"}, {S, " "}, {Y, "="},
             {S, " "}, {Y, "("}, {I, "f"}, {Y, ")"}, {S, " "}, {Y, "/"}, {S, " "}, {N, "2"}, {S, " "},
             {Y, "/"}, {I, "g"}, {Y, ";"}, {S, " "}, {I, "h"}, {S, " "}, {Y, "="}, {S, " "}, {K, "length"},
             {S, " "}, {Y, "/"}, {S, " "}, {N, "2"}, {Y, ";"}}),
     6},
    {"after return a slash starts an expression; an unclosed one is a division", 6, "return /'/.test(q) / 'x",
     Expect({{K, "return"},
             {S, " "},
             {Q, "/'/"},
             {Y, "."},
             {I, "test"},
             {Y, "("},
             {I, "q"},
             {Y, ")"},
             {S, " "},
             {Y, "/"},
             {S, " "},
             {Q, "'x"}}),
     6},
    {"three double quotes open the string at the third", 6, R"("""abc" x)",
     Expect({{Q, R"("""abc")"}, {S, " "}, {I, "x"}}), 6},
    {"two single quotes are an empty string", 6, "''+''", Expect({{Q, "''"}, {Y, "+"}, {Q, "''"}}), 6},
    {"line comment hides a comment end", 6, "x // not */ closed", Expect({{I, "x"}, {S, " "}, {C, "// not */ closed"}}),
     6},
    {"block comment left open", 6, "x = 1; /* open",
     Expect({{I, "x"}, {S, " "}, {Y, "="}, {S, " "}, {N, "1"}, {Y, ";"}, {S, " "}, {C, "/* open"}}), 1},
    {"block comment closed on one line", 6, "/**/x/*/y*/", Expect({{C, "/**/"}, {I, "x"}, {C, "/*/y*/"}}), 6},
    {"continued comment ends and code follows", 1, "still */ y /",
     Expect({{C, "still */"}, {S, " "}, {I, "y"}, {S, " "}, {Y, "/"}}), 6},
    {"continued comment runs through the line", 1, "  no end here", Expect({{C, "  no end here"}}), 1},
    {"empty line inside a comment keeps the range", 1, "", {}, 1},
    {"html comment opener", 6, "<!-- x", Expect({{C, "<!-- x"}}), 6},
    {"bang after less", 6, "<!x<=y<<z", Expect({{X, "<!"}, {I, "x"}, {Y, "<="}, {I, "y"}, {Y, "<<"}, {I, "z"}}), 6},
    {"directive", 6, "#include <a>", Expect({{D, "#include <a>"}}), 6},
    {"invalid characters", 6, "$@`\\x", Expect({{X, "$"}, {X, "@"}, {X, "`"}, {X, "\\"}, {I, "x"}}), 6},
    {"blanks only", 6, " \t  ", Expect({{S, " \t  "}}), 6},
    {"empty line", 6, "", {}, 6},
    {"characters beyond Latin-1 count as one unit each", 6, "s=\"é日本\";café",
     Expect({{I, "s"}, {Y, "="}, {Q, "\"é日本\""}, {Y, ";"}, {I, "caf"}, {X, "é"}}), 6},
    {"a character outside the basic plane is one token", 6, "a😀b", Expect({{I, "a"}, {X, "😀"}, {I, "b"}}), 6},
    {"unknown range value is the default", 12345, "/", Expect({{Y, "/"}}), 6},
};

INSTANTIATE_TEST_SUITE_P(Lines, JavaScriptGolden, ::testing::ValuesIn(GoldenCases),
                         [](const auto &info) { return CaseNameOf(info.param.Name); });

TEST(JavaScriptHighlighter, EmbeddedNulDoesNotEndTheLine)
{
    TJavaScriptHighlighter h;
    const WideString line{u'a', u'\0', u'b'};
    EXPECT_EQ(ScanLine(h, line), (std::vector<Tok>{{I, 0, 1}, {S, 1, 1}, {I, 2, 1}}));
}

TEST(JavaScriptHighlighter, CommentAcrossThreeLines)
{
    TJavaScriptHighlighter h;
    h.ResetRange();
    const WideString lines[] = {u"a /* one", u"two", u"three */ b"};
    EXPECT_EQ(ScanLine(h, lines[0]).back(), (Tok{C, 2, 6}));
    EXPECT_EQ(h.GetRange(), jrComment);
    EXPECT_EQ(ScanLine(h, lines[1]), (std::vector<Tok>{{C, 0, 3}}));
    EXPECT_EQ(h.GetRange(), jrComment);
    EXPECT_EQ(ScanLine(h, lines[2]), (std::vector<Tok>{{C, 0, 8}, {S, 8, 1}, {I, 9, 1}}));
    EXPECT_EQ(h.GetRange(), jrNormal);
}

TEST(JavaScriptHighlighter, SetLineVariants)
{
    TJavaScriptHighlighter h;
    // Nothing happens before a line is given.
    EXPECT_TRUE(h.GetEol());
    h.Next();
    EXPECT_EQ(h.GetToken(), u"");
    TTokenInfo info;
    info.Kind = 99;
    h.GetTokenInfo(info);
    EXPECT_EQ(info.Kind, 99);

    // With the flag set, Next scans the line again from its start.
    const WideString line = u"ab cd";
    h.SetLine(line.data(), int(line.size()), true);
    EXPECT_EQ(h.GetTokenKind(), jtIdentifier);
    h.Next();
    EXPECT_EQ(h.GetToken(), u"ab");
    EXPECT_EQ(h.GetTokenPos(), 0);
    h.Next();
    h.Next();
    EXPECT_EQ(h.GetToken(), u"cd");
    EXPECT_EQ(h.GetTokenPos(), 3);

    // The first token is scanned in the current range, the range afterwards is the default.
    const WideString rest = u"x */ y /* z";
    h.SetRange(jrComment);
    h.SetLineNoRange(rest);
    EXPECT_EQ(h.GetTokenKind(), jtComment);
    EXPECT_EQ(h.GetToken(), u"x */");
    EXPECT_EQ(h.GetRange(), jrNormal);
}

TEST(JavaScriptHighlighter, TokenRecordCarriesColours)
{
    TJavaScriptHighlighter h;
    h.KeyAttributes().SetForeground(0x0000FF);
    h.KeyAttributes().SetBackground(0x00FF00);
    const WideString line = u"  var";
    h.SetLine(line);
    h.Next();
    TTokenInfo info;
    h.GetTokenInfo(info);
    EXPECT_EQ(info.Token, line.data() + 2);
    EXPECT_EQ(info.Kind, jtKey);
    EXPECT_EQ(info.Start, 2);
    EXPECT_EQ(info.Length, 3);
    EXPECT_EQ(info.Foreground, 0x0000FFu);
    EXPECT_EQ(info.Background, 0x00FF00u);
    EXPECT_EQ(info.Style, hfsBold);
    // The space attribute's text is drawn in the window colour, resolved to RGB.
    h.SetLine(line);
    h.GetTokenInfo(info);
    EXPECT_EQ(info.Kind, jtSpace);
    EXPECT_EQ(info.Foreground, 0xFFFFFFu);
    // The end of the line leaves the colours alone.
    h.Next();
    h.Next();
    ASSERT_TRUE(h.GetEol());
    info.Foreground = 0x123456;
    h.GetTokenInfo(info);
    EXPECT_EQ(info.Kind, jtEol);
    EXPECT_EQ(info.Foreground, 0x123456u);
}

TEST(JavaScriptHighlighter, FixedAnswersAndAttributes)
{
    TJavaScriptHighlighter h;
    EXPECT_EQ(h.GetLanguageName(), "Javascript");
    EXPECT_EQ(h.GetCapability(), 0);
    EXPECT_EQ(h.GetDefaultFilter(), "Javascript files (*.js, *.htm, *.html)|*.js;*.htm;*.html");
    EXPECT_EQ(h.GetRange(), 6);
    ASSERT_EQ(h.GetAttribCount(), 10);
    const char *names[] = {"assembler",     "comment", "preprocessor", "identifier", "illegal char",
                           "reserved word", "number",  "space",        "String",     "symbol"};
    for (int i = 0; i < 10; ++i) {
        ASSERT_NE(h.GetAttribute(i), nullptr);
        EXPECT_EQ(h.GetAttribute(i)->Name(), names[i]);
        const TColor fg = i == 7 ? HighlightWindowColor : HighlightWindowTextColor;
        EXPECT_EQ(h.GetAttribute(i)->Foreground(), fg) << i;
        EXPECT_EQ(h.GetAttribute(i)->Background(), HighlightWindowColor) << i;
        EXPECT_EQ(h.GetAttribute(i)->Style(), i == 1 ? hfsItalic : i == 5 ? hfsBold : 0) << i;
    }
    EXPECT_EQ(h.GetAttribute(-1), nullptr);
    EXPECT_EQ(h.GetAttribute(10), nullptr);
    const auto ident = h.GetIdentChars();
    EXPECT_EQ(ident.count(), 63u);
    EXPECT_TRUE(ident.test('_') && ident.test('0') && ident.test('z') && ident.test('Z'));
    EXPECT_FALSE(ident.test('$') || ident.test(0xE9));
}

TEST(JavaScriptHighlighter, ReservedWordTable)
{
    const char *all[] = {"if",
                         "do",
                         "in",
                         "NaN",
                         "case",
                         "Date",
                         "char",
                         "find",
                         "name",
                         "java",
                         "catch",
                         "for",
                         "break",
                         "var",
                         "callee",
                         "eval",
                         "else",
                         "new",
                         "home",
                         "Math",
                         "int",
                         "self",
                         "final",
                         "false",
                         "bool",
                         "package",
                         "long",
                         "void",
                         "open",
                         "top",
                         "escape",
                         "byte",
                         "delete",
                         "blur",
                         "caller",
                         "class",
                         "float",
                         "close",
                         "this",
                         "isNaN",
                         "Object",
                         "watch",
                         "goto",
                         "alert",
                         "while",
                         "null",
                         "with",
                         "closed",
                         "double",
                         "try",
                         "Array",
                         "true",
                         "frames",
                         "public",
                         "focus",
                         "Boolean",
                         "Packages",
                         "boolean",
                         "length",
                         "stop",
                         "const",
                         "default",
                         "native",
                         "static",
                         "Number",
                         "opener",
                         "RegExp",
                         "parent",
                         "write",
                         "menubar",
                         "print",
                         "super",
                         "short",
                         "confirm",
                         "scroll",
                         "finally",
                         "moveBy",
                         "switch",
                         "valueOf",
                         "throw",
                         "interface",
                         "toolbar",
                         "netscape",
                         "abstract",
                         "String",
                         "unescape",
                         "typeof",
                         "window",
                         "moveTo",
                         "import",
                         "location",
                         "unwatch",
                         "private",
                         "extends",
                         "isFinite",
                         "return",
                         "document",
                         "prompt",
                         "status",
                         "writeln",
                         "continue",
                         "throws",
                         "Function",
                         "parseInt",
                         "function",
                         "Infinity",
                         "scrollBy",
                         "protected",
                         "instanceof",
                         "resizeBy",
                         "history",
                         "locationbar",
                         "scrollTo",
                         "parseFloat",
                         "resizeTo",
                         "arguments",
                         "innerHeight",
                         "transient",
                         "scrollbars",
                         "toString",
                         "statusbar",
                         "personalbar",
                         "innerWidth",
                         "pageXOffset",
                         "pageYOffset",
                         "implements",
                         "Enumerator",
                         "outerHeight",
                         "ActiveXObject",
                         "clearInterval",
                         "outerWidth",
                         "clearTimeout",
                         "routeEvent",
                         "setInterval",
                         "setTimeout",
                         "prototype",
                         "releaseEvents",
                         "synchronized",
                         "constructor",
                         "captureEvents",
                         "defaultStatus"};
    ASSERT_EQ(std::size(all), 141u);
    int previous = 0;
    std::map<int, int> perHash;
    for (const char *k : all) {
        const auto *b = reinterpret_cast<const unsigned char *>(k);
        const int len = int(std::strlen(k));
        const int hash = TJavaScriptHighlighter::KeywordHash(b, len);
        EXPECT_TRUE(TJavaScriptHighlighter::IsKeyword(b, len)) << k;
        EXPECT_GE(hash, previous) << k; // the list is in hash order
        EXPECT_LE(hash, 181) << k;
        previous = hash;
        ++perHash[hash];
    }
    for (const auto &[hash, count] : perHash)
        EXPECT_LE(count, 4) << hash;
    EXPECT_EQ(TJavaScriptHighlighter::KeywordHash(reinterpret_cast<const unsigned char *>("ifx"), 3), 42);
    EXPECT_EQ(perHash[42], 2); // "for" and "break"
    for (const char *w : {"Var", "VAR", "vars", "documen", "ifx", "_if", "if0"})
        EXPECT_FALSE(TJavaScriptHighlighter::IsKeyword(reinterpret_cast<const unsigned char *>(w), int(std::strlen(w))))
            << w;
}

TEST(JavaScriptHighlighter, PackagedLibraryScansCleanly)
{
    // Plain and minified jQuery as Debian ships it (libjs-jquery).
    for (const char *path : {"/usr/share/javascript/jquery/jquery.js", "/usr/share/javascript/jquery/jquery.min.js"}) {
        const std::vector<WideString> lines = ReadLines(path);
        if (lines.empty())
            GTEST_SKIP() << path << " is missing (Debian package libjs-jquery)";
        TJavaScriptHighlighter h;
        const std::vector<int32_t> ranges = CheckScanInvariants(h, lines, path);
        EXPECT_EQ(ranges.back(), jrNormal) << path;
    }
}

} // namespace
