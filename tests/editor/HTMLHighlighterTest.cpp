#include "HighlighterTestSupport.h"
#include "tests/CaseNames.h"
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"

#include <gtest/gtest.h>
#include <QString>
#include <memory>

namespace {

constexpr int32_t U = htUnmatched, DT = htDocType, T = htText, N = htNumber, K = htTag, C = htComment, NM = htName,
                  SC = htScript, ST = htString, SY = htSymbol, P = htParam, URL = htURL, SP = htSpace;

class HTMLGolden : public ::testing::TestWithParam<LineCase> {};

TEST_P(HTMLGolden, TokensAndRange)
{
    const LineCase &c = GetParam();
    THTMLHighlighter h;
    h.SetRange(c.RangeIn);
    EXPECT_EQ(ScanLine(h, W(c.Line)), c.Tokens) << c.Name << ": " << c.Line;
    EXPECT_EQ(h.GetRange(), c.RangeOut) << c.Name << ": " << c.Line;
}

const LineCase GoldenCases[] = {
    {"tags, attribute, entities", 2, "<p class=\"x\">Hi &amp; bye &#169;</p>",
     Expect({{K, "<p"},
             {SP, " "},
             {NM, "class"},
             {SY, "="},
             {ST, "\"x\""},
             {K, ">"},
             {T, "Hi "},
             {ST, "&amp;"},
             {T, " bye "},
             {N, "&#169;"},
             {K, "</p>"}}),
     2},
    {"script tag with attributes opens a script block", 2, "<script language=\"javascript\">",
     Expect({{SC, "<script"}, {SC, " language=\"javascript\">"}}), 12},
    {"script tag without attributes opens a script block too", 2, "<SCRIPT>", Expect({{SC, "<SCRIPT"}, {SC, ">"}}), 12},
    {"a longer tag name is a plain tag", 2, "<scripts>", Expect({{K, "<scripts>"}}), 2},
    {"script line without a linked highlighter", 12, "var x = '<b>';", Expect({{SC, "var x = '<b>';"}}), 12},
    {"empty line inside a script block", 12, "", {}, 12},
    {"script block ends at the first end tag", 12, "x();</script></body>",
     Expect({{SC, "x();</script>"}, {K, "</body>"}}), 2},
    {"script block on one line", 2, "<script src=a.js></script><p>",
     Expect({{SC, "<script"}, {SC, " src=a.js></script>"}, {K, "<p>"}}), 2},
    {"document type", 2, "<!DOCTYPE html>", Expect({{C, "<!"}, {DT, "DOCTYPE html"}, {C, ">"}}), 2},
    {"doctype needs a character after the word", 2, "<!doctype>", Expect({{C, "<!"}, {C, "doctype"}, {C, ">"}}), 2},
    {"other declaration", 2, "<!ELEMENT x>", Expect({{C, "<!"}, {C, "ELEMENT x"}, {C, ">"}}), 2},
    {"a greater-than alone does not end a comment", 2, "<!-- a -- > b", Expect({{C, "<!--"}, {C, " a -- > b"}}), 10},
    {"comment ends at the first -->", 2, "<!-- a -> b --> c -->",
     Expect({{C, "<!--"}, {C, " a -> b "}, {C, "-->"}, {T, " c -->"}}), 2},
    {"comment left open", 2, "<!-- open", Expect({{C, "<!--"}, {C, " open"}}), 10},
    {"comment continued", 10, "still --> after", Expect({{C, "still "}, {C, "-->"}, {T, " after"}}), 2},
    {"declaration continued", 8, "x>", Expect({{C, "x"}, {C, ">"}}), 2},
    {"greater-than right after the equals sign", 2, "<a href=>x",
     Expect({{K, "<a"}, {SP, " "}, {NM, "href"}, {SY, "="}, {U, ">"}, {NM, "x"}}), 4},
    {"unquoted URL with a four-letter scheme runs to the tag end", 2, "<a href=http://x.org/a b>",
     Expect({{K, "<a"}, {SP, " "}, {NM, "href"}, {SY, "="}, {URL, "http://x.org/a b"}, {K, ">"}}), 2},
    {"unquoted three-letter scheme is a plain value", 2, "<a href=ftp://x/a b>",
     Expect({{K, "<a"}, {SP, " "}, {NM, "href"}, {SY, "="}, {NM, "ftp://x/a"}, {SP, " "}, {NM, "b"}, {K, ">"}}), 2},
    {"quoted three-letter scheme is a URL", 2, "<a href=\"ftp://x/a b\">",
     Expect({{K, "<a"}, {SP, " "}, {NM, "href"}, {SY, "="}, {URL, "\"ftp://x/a b\""}, {K, ">"}}), 2},
    {"value forms", 2, "<td w=10px h=\"50%\" c=#ff0000 d='w' e=\"\" f=\"open",
     Expect({{K, "<td"}, {SP, " "},      {NM, "w"},   {SY, "="},     {N, "10px"}, {SP, " "},      {NM, "h"},
             {SY, "="},  {N, "\"50%\""}, {SP, " "},   {NM, "c"},     {SY, "="},   {N, "#ff0000"}, {SP, " "},
             {NM, "d"},  {SY, "="},      {ST, "'w'"}, {SP, " "},     {NM, "e"},   {SY, "="},      {ST, "\"\""},
             {SP, " "},  {NM, "f"},      {SY, "="},   {ST, "\"open"}}),
     4},
    {"more value forms", 4, "a= 1 b=\"#0f\" c=\"10px\" d=50%x e='x",
     Expect({{NM, "a"},      {SY, "="},    {SP, " "}, {N, "1"},  {SP, " "},       {NM, "b"}, {SY, "="},
             {N, "\"#0f\""}, {SP, " "},    {NM, "c"}, {SY, "="}, {N, "\"10px\""}, {SP, " "}, {NM, "d"},
             {SY, "="},      {NM, "50%x"}, {SP, " "}, {NM, "e"}, {SY, "="},       {NM, "'x"}}),
     4},
    {"namespaced tag and number value", 2, "<ns:x a=1>",
     Expect({{K, "<ns:x"}, {SP, " "}, {NM, "a"}, {SY, "="}, {N, "1"}, {K, ">"}}), 2},
    {"other runs inside a tag", 2, "<a b.c=d/>",
     Expect({{K, "<a"}, {SP, " "}, {P, "b.c"}, {SY, "="}, {NM, "d/"}, {K, ">"}}), 2},
    {"escapes inside a name", 2, "<a\\>b>", Expect({{K, "<a\\>b>"}}), 2},
    {"ampersand without a reference", 2, "&#;x &", Expect({{U, "&"}, {T, "#;x "}, {U, "&"}}), 2},
    {"less-than signs that start no tag go with the text", 2, "a << b", Expect({{T, "a "}, {T, "<< b"}}), 2},
    {"less-than signs before a tag go with the tag", 2, "<<b>", Expect({{K, "<<b>"}}), 2},
    {"lone less-than at the end", 2, "x <", Expect({{T, "x "}, {U, "<"}}), 2},
    {"less-than before a blank or a digit is text", 2, "if (i < n || j <2) {",
     Expect({{T, "if (i "}, {T, "< n || j "}, {T, "<2) {"}}), 2},
    {"less-than before an underscore is text", 2, "<_x a=1>", Expect({{T, "<_x a=1>"}}), 2},
    {"less-than before a letter past ASCII is text", 2, "1 <é 2", Expect({{T, "1 "}, {T, "<é 2"}}), 2},
    {"end-tag opener before a non-letter is text", 2, "</_x>", Expect({{T, "</_x>"}}), 2},
    {"lone quote after the equals sign at the end", 4, "a=\"", Expect({{NM, "a"}, {SY, "="}, {U, "\""}}), 2},
    {"quote and greater-than after the equals sign", 2, "<a href=\">",
     Expect({{K, "<a"}, {SP, " "}, {NM, "href"}, {SY, "="}, {U, "\">"}}), 2},
    {"unfinished open tag", 2, "<img src=\"a.png\"",
     Expect({{K, "<img"}, {SP, " "}, {NM, "src"}, {SY, "="}, {ST, "\"a.png\""}}), 4},
    {"characters beyond Latin-1", 2, "<p title=日本>é😀",
     Expect({{K, "<p"}, {SP, " "}, {NM, "title"}, {SY, "="}, {NM, "日本"}, {K, ">"}, {T, "é😀"}}), 2},
    {"value state at the line start", 6, "  \"x\"", Expect({{SP, "  "}, {ST, "\"x\""}}), 4},
    {"twin of a start state", 7, "x", Expect({{NM, "x"}}), 4},
    {"unknown range value", 99, "<b>", Expect({{K, "<b>"}}), 2},
    {"negative range value", -988, "<b>", Expect({{K, "<b>"}}), 2},
    {"script range without a linked highlighter", 1012, "x", Expect({{SC, "x"}}), 12},
};

INSTANTIATE_TEST_SUITE_P(Lines, HTMLGolden, ::testing::ValuesIn(GoldenCases),
                         [](const auto &info) { return CaseNameOf(info.param.Name); });

TEST(HTMLHighlighter, EmbeddedNulAndEmptyLine)
{
    THTMLHighlighter h;
    const WideString line{u'a', u'\0', u'<', u'b', u'>'};
    EXPECT_EQ(ScanLine(h, line), (std::vector<Tok>{{T, 0, 2}, {K, 2, 3}}));
    EXPECT_TRUE(ScanLine(h, WideString()).empty());
    EXPECT_EQ(h.GetRange(), hsText);
}

// A page with a script block, scanned line after line with the JavaScript highlighter linked.
struct ScriptLine {
    const char *Line;
    std::vector<Tok> Tokens;
    int32_t RangeOut;
};

constexpr int32_t JK = jtKey, JI = jtIdentifier, JS = jtSpace, JY = jtSymbol, JN = jtNumber, JC = jtComment,
                  JQ = jtString;

const std::vector<ScriptLine> &ScriptPage()
{
    static const std::vector<ScriptLine> page = {
        {"<p>Hi</p>", Expect({{K, "<p>"}, {T, "Hi"}, {K, "</p>"}}), 2},
        {"<script type=\"text/javascript\">", Expect({{SC, "<script"}, {SC, " type=\"text/javascript\">"}}), 6012},
        {"var a = 1; /* open",
         Expect({{JK, "var"},
                 {JS, " "},
                 {JI, "a"},
                 {JS, " "},
                 {JY, "="},
                 {JS, " "},
                 {JN, "1"},
                 {JY, ";"},
                 {JS, " "},
                 {JC, "/* open"}}),
         1012},
        {"still comment", Expect({{JC, "still comment"}}), 1012},
        {"", {}, 1012},
        {"end */ s = \"x\";",
         Expect({{JC, "end */"}, {JS, " "}, {JI, "s"}, {JS, " "}, {JY, "="}, {JS, " "}, {JQ, "\"x\""}, {JY, ";"}}),
         6012},
        {"// <b>x</b>", Expect({{JC, "// <b>x</b>"}}), 6012},
        // "<script" in a string or a regular expression of the script opens no tag.
        {"document.write(\"<script>\");",
         Expect({{JK, "document"}, {JY, "."}, {JK, "write"}, {JY, "("}, {JQ, "\"<script>\""}, {JY, ")"}, {JY, ";"}}),
         6012},
        {"r = /<script/i;", Expect({{JI, "r"}, {JS, " "}, {JY, "="}, {JS, " "}, {JQ, "/<script/i"}, {JY, ";"}}), 6012},
        {"x = \"a\"; y = '<script>' + \"<b>\";",
         Expect({{JI, "x"},
                 {JS, " "},
                 {JY, "="},
                 {JS, " "},
                 {JQ, "\"a\""},
                 {JY, ";"},
                 {JS, " "},
                 {JI, "y"},
                 {JS, " "},
                 {JY, "="},
                 {JS, " "},
                 {JQ, "'<script>'"},
                 {JS, " "},
                 {JY, "+"},
                 {JS, " "},
                 {JQ, "\"<b>\""},
                 {JY, ";"}}),
         6012},
        {"</script></body>", Expect({{SC, "</script>"}, {K, "</body>"}}), 2},
        {"<b>x</b>", Expect({{K, "<b>"}, {T, "x"}, {K, "</b>"}}), 2},
    };
    return page;
}

TEST(HTMLHighlighter, ScriptBlockHandedToJavaScript)
{
    THTMLHighlighter h;
    TJavaScriptHighlighter js;
    h.SetJavaScriptHighLighter(&js);
    h.ResetRange();
    std::vector<WideString> lines;
    for (const ScriptLine &l : ScriptPage())
        lines.push_back(W(l.Line));
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(ScanLine(h, lines[i]), ScriptPage()[i].Tokens) << ScriptPage()[i].Line;
        EXPECT_EQ(h.GetRange(), ScriptPage()[i].RangeOut) << ScriptPage()[i].Line;
    }
    // Scanning for ranges only (never asking for a token record) and starting a line from
    // its stored range both give the same ranges.
    int32_t range = (h.ResetRange(), h.GetRange());
    for (size_t i = 0; i < lines.size(); ++i) {
        h.SetRange(range);
        h.SetLine(lines[i]);
        while (!h.GetEol())
            h.Next();
        range = h.GetRange();
        EXPECT_EQ(range, ScriptPage()[i].RangeOut) << ScriptPage()[i].Line;
        h.SetRange(i == 0 ? hsText : ScriptPage()[i - 1].RangeOut);
        EXPECT_EQ(ScanLine(h, lines[i]), ScriptPage()[i].Tokens) << ScriptPage()[i].Line;
    }
}

TEST(HTMLHighlighter, DelegationEndsWithItsLine)
{
    THTMLHighlighter h;
    TJavaScriptHighlighter js;
    h.SetJavaScriptHighLighter(&js);
    const WideString script = u"x = 1;";
    const WideString tag = u"<b>";
    h.SetRange(6012);
    ScanLine(h, script);
    EXPECT_TRUE(h.Delegating());
    // No GetRange after the last line of a text: the next paint starts elsewhere.
    h.SetRange(hsText);
    EXPECT_EQ(ScanLine(h, tag), (std::vector<Tok>{{K, 0, 3}}));
    h.SetRange(6012);
    h.SetLine(script);
    EXPECT_TRUE(h.Delegating());
    h.SetLine(tag); // a new line without a new range: the script block goes on
    EXPECT_TRUE(h.Delegating());
    EXPECT_EQ(h.GetToken(), u"<");
}

TEST(HTMLHighlighter, LinkFollowsTheLifetimeOfTheJavaScriptHighlighter)
{
    auto h = std::make_unique<THTMLHighlighter>();
    auto js = std::make_unique<TJavaScriptHighlighter>();
    h->SetJavaScriptHighLighter(js.get());
    EXPECT_EQ(h->JavaScriptHighLighter(), js.get());
    js.reset();
    EXPECT_EQ(h->JavaScriptHighLighter(), nullptr);
    h->SetRange(6012);
    EXPECT_EQ(h->GetRange(), 12);
    EXPECT_EQ(ScanLine(*h, u"x = 1;"), (std::vector<Tok>{{SC, 0, 6}}));

    // The other order: the HTML highlighter goes first and the link is dropped with it.
    js = std::make_unique<TJavaScriptHighlighter>();
    h->SetJavaScriptHighLighter(js.get());
    h.reset();
    js.reset();

    // Another HTML highlighter cannot be linked: lines would be handed back and forth.
    THTMLHighlighter a, b;
    a.SetJavaScriptHighLighter(&b);
    EXPECT_EQ(a.JavaScriptHighLighter(), nullptr);
    a.SetJavaScriptHighLighter(&a);
    EXPECT_EQ(a.JavaScriptHighLighter(), nullptr);
}

TEST(HTMLHighlighter, TokenRecordAndAttributes)
{
    THTMLHighlighter h;
    EXPECT_EQ(h.GetLanguageName(), "HTML");
    EXPECT_EQ(h.GetCapability(), 0);
    EXPECT_EQ(h.GetDefaultFilter(), "HTML files (*.htm, *.html)|*.htm;*.html");
    ASSERT_EQ(h.GetAttribCount(), 13);
    const char *names[] = {"identifier", "number",    "space", "string",  "comment", "symbol", "keyword",
                           "unknown",    "parameter", "URL",   "doctype", "name",    "script"};
    for (int i = 0; i < 13; ++i) {
        ASSERT_NE(h.GetAttribute(i), nullptr);
        EXPECT_EQ(h.GetAttribute(i)->Name(), names[i]);
        EXPECT_EQ(h.GetAttribute(i)->Foreground(), HighlightWindowTextColor);
        EXPECT_EQ(h.GetAttribute(i)->Style(), 0);
    }
    EXPECT_EQ(h.GetAttribute(13), nullptr);
    EXPECT_EQ(h.GetIdentChars().count(), 63u);

    // Each kind is coloured by its attribute.
    const std::pair<const char *, THighlightAttributes *> cases[] = {
        {"<b>", &h.KeyAttributes()},     {"x", &h.IdentifierAttributes()}, {"&amp;", &h.StringAttributes()},
        {"&#1;", &h.NumberAttributes()}, {"<!--", &h.CommentAttributes()}, {"<script", &h.ScriptAttributes()},
    };
    TColor colour = 0x010101;
    for (const auto &[text, attr] : cases) {
        attr->SetForeground(colour);
        const WideString line = W(text);
        h.ResetRange();
        h.SetLine(line);
        TTokenInfo info;
        h.GetTokenInfo(info);
        EXPECT_EQ(info.Foreground, colour) << text;
        EXPECT_EQ(info.Background, 0xFFFFFFu) << text;
        EXPECT_EQ(info.Token, line.data());
        colour += 0x010101;
    }
    // Setting an attribute property copies the settings.
    THighlightAttributes bold("other");
    bold.SetStyle(hfsBold);
    h.SetKeyAttributes(bold);
    EXPECT_EQ(h.KeyAttributes().Style(), hfsBold);
    EXPECT_NE(&h.KeyAttributes(), &bold);
}

std::vector<std::string> PackagedPages()
{
    // HTML documentation as Debian ships it (bzip2-doc, libtasn1-doc), and a page with
    // script blocks (libjs-underscore).
    std::vector<std::string> pages = {"/usr/share/doc/bzip2/manual.html", "/usr/share/doc/libjs-underscore/index.html"};
    for (const char *name : {"index.html", "ch01.html", "libtasn1-libtasn1.html", "api-index-full.html",
                             "api-index-1-6.html", "api-index-2-0.html", "deprecated-api-index.html"})
        pages.push_back(std::string("/usr/share/gtk-doc/html/libtasn1/") + name);
    return pages;
}

TEST(HTMLHighlighter, PackagedPagesScanCleanly)
{
    THTMLHighlighter plain, linked;
    TJavaScriptHighlighter js;
    linked.SetJavaScriptHighLighter(&js);
    int scanned = 0;
    for (const std::string &path : PackagedPages()) {
        const std::vector<WideString> lines = ReadLines(path.c_str());
        if (lines.empty())
            continue;
        ++scanned;
        for (THTMLHighlighter *h : {&plain, &linked}) {
            const std::vector<int32_t> ranges = CheckScanInvariants(*h, lines, path.c_str());
            EXPECT_EQ(ranges.back(), hsText) << path; // every page ends outside any tag
        }
    }
    if (scanned == 0)
        GTEST_SKIP() << "no packaged HTML documentation (Debian packages bzip2-doc, libtasn1-doc)";
}

TEST(HTMLHighlighter, ScriptBlockColoursLikeTheJavaScriptHighlighter)
{
    const std::vector<WideString> script = ReadLines("/usr/share/javascript/jquery/jquery.js");
    if (script.empty())
        GTEST_SKIP() << "jquery.js is missing (Debian package libjs-jquery)";
    // What the JavaScript highlighter makes of the library on its own.
    TJavaScriptHighlighter alone;
    alone.ResetRange();
    std::vector<std::vector<Tok>> expected;
    std::vector<int32_t> expectedRanges;
    for (const WideString &line : script) {
        expected.push_back(ScanLine(alone, line));
        expectedRanges.push_back(alone.GetRange());
    }

    std::vector<WideString> page = {u"<html><body>", u"<script type=\"text/javascript\">"};
    page.insert(page.end(), script.begin(), script.end());
    page.push_back(u"</script>");
    page.push_back(u"</body></html>");
    THTMLHighlighter h;
    TJavaScriptHighlighter js;
    h.SetJavaScriptHighLighter(&js);
    const std::vector<int32_t> ranges = CheckScanInvariants(h, page, "page with jquery.js");
    EXPECT_EQ(ranges.back(), hsText);

    h.SetRange(ranges[2]);
    int compared = 0, mismatches = 0;
    for (size_t i = 0; i < script.size() && mismatches < 5; ++i) {
        const std::vector<Tok> tokens = ScanLine(h, script[i]);
        const std::u16string lower = QString::fromStdU16String(script[i]).toLower().toStdU16String();
        if (lower.find(u"<script") != std::u16string::npos || lower.find(u"</script") != std::u16string::npos) {
            h.SetRange(ranges[i + 3]); // a line with a script tag is the HTML scanner's own
            continue;
        }
        ++compared;
        if (tokens != expected[i] || h.GetRange() != expectedRanges[i] * 1000 + hsScript) {
            ADD_FAILURE() << "jquery.js line " << i + 1 << " differs inside the script block";
            ++mismatches;
        }
    }
    EXPECT_GT(compared, 10000);
}

TEST(HTMLHighlighter, ArbitraryLinesKeepTheInvariants)
{
    // Lines drawn from the characters the rules care about, in a fixed pseudo-random order.
    using namespace std::string_literals;
    const std::u16string alphabet = u"<>/!-=\"'&#;: \t\\aSsCcRrIiPpTt019%xX.\u00e9\u65e5\0\r\n"s;
    ASSERT_EQ(alphabet.back(), u'\n');
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    std::vector<WideString> lines;
    for (int i = 0; i < 3000; ++i) {
        WideString line;
        const uint32_t length = next() % 40;
        for (uint32_t k = 0; k < length; ++k)
            line += alphabet[next() % alphabet.size()];
        if (i % 7 == 0)
            line = u"<script a=1>" + line;
        if (i % 11 == 0)
            line += u"</script>";
        lines.push_back(line);
    }
    THTMLHighlighter h;
    CheckScanInvariants(h, lines, "arbitrary lines");
    TJavaScriptHighlighter js;
    h.SetJavaScriptHighLighter(&js);
    CheckScanInvariants(h, lines, "arbitrary lines, script blocks handed over");
    CheckScanInvariants(js, lines, "arbitrary lines as JavaScript");
}

} // namespace
