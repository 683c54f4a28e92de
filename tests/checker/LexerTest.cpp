// The lexer: source snippets to tokens (code, text, line, flags) and to its findings.
#include <gtest/gtest.h>

#include "checker/JSLexer.h"
#include "checker/MessageSink.h"

namespace {

struct RecordingSink : IMessageSink {
    std::string Log;
    void AddMessage(const std::string &Text, int Severity, int Code, TCheckLine Line) override
    {
        Log += std::to_string(Code) + "/" + std::to_string(Severity) + "@" + ToText(Line) + " " + Text + "\n";
    }
};

// Each token as code[:text]@line, with !E for the error flag and !C for the call flag.
std::string Lex(const std::string &Source, bool JSON = false, bool Markup = true, std::string *Findings = nullptr,
                bool Raw = false)
{
    RecordingSink sink;
    TJSPLexer lexer(&sink);
    if (Raw)
        lexer.LoadSource(Source);
    else {
        size_t start = 0;
        for (;;) {
            size_t nl = Source.find('\n', start);
            lexer.AddLine(Source.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
            if (nl == std::string::npos)
                break;
            start = nl + 1;
        }
    }
    lexer.SetLine(1);
    std::string out;
    TJSLexToken tok;
    TCheckLine line = 0;
    for (int guard = 0; guard < 1000; ++guard) {
        int code = lexer.GetToken(line, tok, JSON, Markup, false);
        if (code == tkEnd)
            break;
        if (!out.empty())
            out += " ";
        out += std::to_string(code);
        if (!tok.Text.empty()) {
            out += ":";
            for (unsigned char ch : tok.Text) {
                if (ch < 32 || ch >= 127) {
                    static const char *hex = "0123456789ABCDEF";
                    out += "\\x";
                    out += hex[ch >> 4];
                    out += hex[ch & 15];
                } else {
                    out += static_cast<char>(ch);
                }
            }
        }
        out += "@" + ToText(tok.Line);
        if (tok.ErrorFlag)
            out += "!E";
        if (tok.CallFlag)
            out += "!C";
    }
    if (Findings)
        *Findings = sink.Log;
    return out;
}

struct TokenCase {
    const char *Name;
    const char *Source;
    const char *Tokens;
    const char *Findings;
};

class LexerTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(LexerTokens, ScansSnippet)
{
    const TokenCase &c = GetParam();
    std::string findings;
    EXPECT_EQ(Lex(c.Source, false, true, &findings), c.Tokens);
    EXPECT_EQ(findings, c.Findings);
}

INSTANTIATE_TEST_SUITE_P(
    Snippets, LexerTokens,
    ::testing::Values(
        TokenCase{"Words", "status defaultStatus open method inherits this",
                  "202:status@1 202:defaultStatus@1 142:open@1 132:method@1 132:inherits@1 144:this@1", ""},
        TokenCase{"DomListsFirstWins", "all location button isComponentInstalled frames event close alert",
                  "198:all@1 198:location@1 198:button@1 198:isComponentInstalled@1 199:frames@1 200:event@1 "
                  "201:close@1 195:alert@1",
                  ""},
        TokenCase{"GlobalFunctionWords",
                  "confirm escape unescape prompt parseInt parseFloat isNaN isFinite "
                  "__defineGetter__ __defineSetter__ setTimeout instanceof",
                  "332:confirm@1 333:escape@1 334:unescape@1 335:prompt@1 336:parseInt@1 337:parseFloat@1 "
                  "338:isNaN@1 339:isFinite@1 340:__defineGetter__@1 340:__defineSetter__@1 341:setTimeout@1 "
                  "207:instanceof@1",
                  ""},
        TokenCase{"Operators", "== === != !== <= >= && || ++ -- *= /= %= += -= &= ^= |= <<= << >> >>> >>= >>>=",
                  "171@1 193@1 172@1 194@1 173@1 174@1 175@1 176@1 177@1 178@1 179@1 180@1 181@1 182@1 183@1 "
                  "184@1 185@1 186@1 187@1 188@1 189@1 190@1 191@1 192@1",
                  ""},
        TokenCase{"ServerMarkers", "<% x %> <%= y", "250@1 132:x@1 251@1 250@1 132:y@1", ""},
        TokenCase{"HtmlCloseCommentWarns", "a-->b", "132:a@1 178@1 62@1 132:b@1",
                  "47/1@1 possible HTML closing comment tag \"-->\" found within script\n"},
        TokenCase{"CharacterConstantDropped", "x = #'a';", "132:x@1 61@1 59@1", ""},
        TokenCase{"CharacterConstantUnclosed", "x = #'ab", "132:x@1 61@1 132:b@1!E",
                  "60/2@1 invalid #'?' character constant\n"},
        TokenCase{"DecimalPointIsAlwaysDot", "f(1,5) g(1.5)",
                  "132:f@1!C 40@1 129:1@1 44@1 129:5@1 41@1 132:g@1!C 40@1 130:1.5@1 41@1", ""},
        TokenCase{"Numbers", "0 017 0x1F 1.5 .5 1e3 2E-4 7.",
                  "129:0@1 129:017@1 129:0x1F@1 130:1.5@1 130:.5@1 "
                  "130:1e3@1 130:2E-4@1 130:7.@1",
                  ""},
        TokenCase{"BadExponent", "1e+;", "130:1e+@1!E 59@1", "61/2@1 invalid exponent part in a decimal literal\n"},
        TokenCase{"StringEscapes", "'a\\tb' \"q\\\"\\x41\\u0042\\101\\cB\"", "131:a\\x09b@1 131:q\"xuA\\x01@1", ""},
        TokenCase{"UnknownEscapeHint", "'c:\\temp\\zip'", "131:c:\\x09empzip@1",
                  "10/0@1 unknown escape sequence \"\\z\", (maybe a correct URL or file path)\n"},
        TokenCase{"BadHexEscapesKeepClosingQuote", "'\\x4' '\\u12' x", "131:x@1!E 131:u@1!E 132:x@1",
                  "62/2@1 \\x used with invalid hex digit in following 2 chars\n"
                  "63/2@1 \\u used with invalid hex digit in following 4 chars\n"},
        TokenCase{"ControlAndOctalErrors", "'\\c1' '\\400'", "131:1@1!E 131:\\x00@1!E",
                  "64/2@1 \\c used with invalid following char, only A - Z\n65/2@1 \\octal value bigger than 0377\n"},
        TokenCase{"StringEndsAtLineFeed", "x = 'abc\ny", "132:x@1 61@1 131@1!E 132:y@2",
                  "67/2@1 missing string constant closing quote\n"},
        TokenCase{"StringContinuedByBackslash", "'ab\\\ncd' z", "131:abcd@1 132:z@2", ""},
        TokenCase{"StringEndsAtSourceEnd", "\n'abc", "131:abc@2!E",
                  "67/2@2 missing closing quote for string constant which began on line 2\n"},
        TokenCase{"SourceEndsAfterBackslash", "'abc\\", "131:abc@1!E", "66/2@1 unterminated string\n"},
        TokenCase{"SourceEndsInHexEscape", "'\\x", "131:x@1!E",
                  "67/2@1 missing closing quote for string constant which began on line 1\n"},
        TokenCase{"SourceEndsInControlEscape", "'\\c", "131@1!E",
                  "67/2@1 missing closing quote for control character escape code constant which began on line 1\n"},
        TokenCase{"Comments", "/* a\n b */ x // c\n y #! shell\nz", "132:x@2 132:y@3 132:z@4", ""},
        TokenCase{"HtmlCommentOpenerSkipped", "<!-- hide\nx", "132:x@2", ""},
        TokenCase{"CDataMarkerSkipped", "<![CDATA[ x ]]> y", "132:x@1 132:y@1", ""},
        TokenCase{"CallFlagAcrossBlanksAndLines", "f (1) g\n(2) h",
                  "132:f@1!C 40@1 129:1@1 41@1 132:g@1!C 40@2 "
                  "129:2@2 41@2 132:h@2",
                  ""}),
    [](const ::testing::TestParamInfo<TokenCase> &I) { return std::string(I.param.Name); });

TEST(Lexer, StrayBytesAreReportedAndScanningGoesOn)
{
    std::string findings;
    EXPECT_EQ(Lex(std::string("a \x80 b \0 c\nd", 11), false, true, &findings), "132:a@1 132:b@1!E 132:c@1!E 132:d@2");
    EXPECT_EQ(findings, "69/2@1 invalid character (code 128) outside a string or comment\n"
                        "69/2@1 invalid character (code 0) outside a string or comment\n");
    // inside strings such bytes are text
    EXPECT_EQ(Lex(std::string("'\x80\0' x", 6)), "131:\\x80\\x00@1 132:x@1");
}

TEST(Lexer, MarkupOptionDecidesHtmlCommentOpener)
{
    EXPECT_EQ(Lex("a <!-- b", false, false), "132:a@1 60@1 33@1 178@1 132:b@1");
    EXPECT_EQ(Lex("a <!-- b", false, true), "132:a@1");
    EXPECT_EQ(Lex("x]]>", false, false), "132:x@1 93@1 93@1 62@1");
}

TEST(Lexer, JsonOptionMakesMethodAndInheritsKeywords)
{
    EXPECT_EQ(Lex("method inherits", true), "252:method@1 253:inherits@1");
}

TEST(Lexer, StreamSourceKeepsItsLastCharacterAndLineCount)
{
    // no closing line feed: the last character must still be read
    EXPECT_EQ(Lex("x=1", false, true, nullptr, true), "132:x@1 61@1 129:1@1");
    EXPECT_EQ(Lex("x=1\ny=2\n", false, true, nullptr, true), "132:x@1 61@1 129:1@1 132:y@2 61@2 129:2@2");
    RecordingSink sink;
    TJSPLexer lexer(&sink);
    lexer.LoadSource("a\nb");
    lexer.SetLine(1);
    TJSLexToken tok;
    TCheckLine line = 0;
    while (lexer.GetToken(line, tok, false, true, false) != tkEnd) {
    }
    EXPECT_EQ(line, 2); // the appended line feed is not counted as a further line
}

TEST(Lexer, RegularExpressionBodies)
{
    struct Case {
        const char *Source; // after the opening "/"
        bool AfterAssign;
        const char *Body;
        const char *Next;
    };
    const Case cases[] = {
        {"ga+/g;", false, "ga+", ";"}, // body starting with a flag letter is read whole
        {"[/]x/i)", false, "[/]x", ")"}, // "/" inside a class does not end it
        {"a\\/b/gim.x", false, "a\\/b", "."}, // escaped "/"
        {" b/", true, "= b", ""}, // after "/=" the "=" belongs to the body
        {"\\d+\\x4/", false, "\\d+\\x4", ""},
    };
    for (const Case &c : cases) {
        RecordingSink sink;
        TJSPLexer lexer(&sink);
        lexer.AddLine(c.Source);
        lexer.SetLine(1);
        TJSLexToken tok;
        TCheckLine line = 0;
        EXPECT_EQ(lexer.ReadRegExp(line, tok, c.AfterAssign, false), tkRegExp);
        EXPECT_EQ(tok.Text, c.Body) << c.Source;
        int next = lexer.GetToken(line, tok, false, true, false);
        EXPECT_EQ(next == tkEnd ? std::string() : std::string(1, static_cast<char>(next)), c.Next) << c.Source;
    }
    // an unclosed literal stops at the line end, reports, and leaves the next line alone
    RecordingSink sink;
    TJSPLexer lexer(&sink);
    lexer.AddLine("abc");
    lexer.AddLine("x");
    lexer.SetLine(1);
    TJSLexToken tok;
    TCheckLine line = 0;
    lexer.ReadRegExp(line, tok, false, false);
    EXPECT_TRUE(tok.ErrorFlag);
    EXPECT_EQ(lexer.GetToken(line, tok, false, true, false), tkIdentifier);
    EXPECT_EQ(tok.Line, 2);
    EXPECT_EQ(sink.Log, "67/2@1 missing regular expression constant closing quote\n");
}

} // namespace
