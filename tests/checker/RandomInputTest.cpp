// Untrusted pages: token soup and byte noise, fed as every kind of piece, must end in findings and never
// crash or hang. The fuzz target explores further; this keeps a fixed sample in every test run.
#include <gtest/gtest.h>

#include <random>

#include "CheckerTestUtil.h"

namespace {

const char *const kVocabulary[] = {
    "var",    "function", "if",         "else",   "for",  "while",  "do",      "switch",   "case",   "default",
    "break",  "continue", "return",     "with",   "try",  "catch",  "finally", "throw",    "new",    "delete",
    "typeof", "void",     "in",         "this",   "null", "true",   "window",  "document", "status", "alert",
    "open",   "eval",     "setTimeout", "escape", "all",  "frames", "event",   "close",    "method", "inherits",
    "x",      "y1",       "$",          "_a",     "0",    "12",     "1.5e3",   "0x1F",     "'s'",    "\"d\"",
    "'\\x4'", "/re/g",    "(",          ")",      "{",    "}",      "[",       "]",        ";",      ",",
    ":",      "?",        ".",          "=",      "==",   "===",    "!",       "!=",       "<",      ">",
    "<=",     "<<",       ">>>=",       "+",      "++",   "-",      "--",      "*",        "/",      "%",
    "&&",     "||",       "&",          "|",      "^",    "~",      "+=",      "<!--",     "-->",    "<%",
    "%>",     "#'a'",     "//c",        "/*",     "*/",   "\n",     "\n",      "\n",       "\\",     "'",
    "\"",     "#!",
};

std::string Soup(std::mt19937 &Rng, int Tokens)
{
    std::uniform_int_distribution<size_t> pick(0, std::size(kVocabulary) - 1);
    std::string s;
    for (int i = 0; i < Tokens; ++i) {
        s += kVocabulary[pick(Rng)];
        s += ' ';
    }
    return s;
}

std::string Noise(std::mt19937 &Rng, int Bytes)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s;
    for (int i = 0; i < Bytes; ++i)
        s += static_cast<char>(byte(Rng));
    return s;
}

TEST(RandomInput, TokenSoupAndByteNoiseEndInFindings)
{
    std::mt19937 rng(20261210);
    for (int round = 0; round < 2000; ++round) {
        CheckRun run;
        CheckOptions o;
        o.JSON = round & 1;
        o.ECMA = round & 2;
        o.Deprecated = round & 4;
        o.Summary = true;
        const std::string text = (round % 5 == 4) ? Noise(rng, 400) : Soup(rng, 300);
        o.SectionCode = 0;
        run.Piece(text, o);
        o.SectionCode = scInline;
        run.Piece(text, o);
        o.SectionCode = scInclude;
        o.StartLine = *TCheckLine::InInclude(1, 1);
        run.Piece(text, o);
        auto lines = run.Finish();
        // the totals lines of the section and the include are always there, after every real finding
        ASSERT_GE(lines.size(), 2u) << round;
        EXPECT_EQ(lines.back().find("(0"), std::string::npos) << round;
    }
}

} // namespace
