#pragma once
// The script lexer: turns the bytes of one script piece into tokens for the parser. It works on single
// bytes (the page's 8-bit text), skips blanks, comments and the HTML comment / CDATA markers met inside
// page scripts, counts lines, and reports lexical findings through the sink.
#include <cstdint>
#include <string>
#include <string_view>

#include "checker/CheckLine.h"
#include "checker/JSTokens.h"
#include "checker/MessageSink.h"
#include "platform/LargeBlock.h"
#include "platform/Types.h"

struct TJSLexToken {
    int Code = tkEnd;
    TCheckLine Line; // the line on which the token begins
    bool ErrorFlag = false; // a lexical error was reported while the token was scanned
    bool CallFlag = false; // an identifier followed (after blanks) by "("
    std::string ThisText; // "this" for token 144
    std::string Text; // string contents, identifier or word; empty for numbers and operators
};

class TJSPLexer {
public:
    explicit TJSPLexer(IMessageSink *Sink);

    // Scans the next token. Line receives the current line after it (line feeds passed are counted).
    int GetToken(TCheckLine &Line, TJSLexToken &Tok, bool JSON, bool Markup, bool ECMA);
    // Reads the rest of a regular-expression literal after "/" (or "/=" when AfterAssign) has been
    // taken as a token; returns tkRegExp with the body in Tok.Text.
    int ReadRegExp(TCheckLine &Line, TJSLexToken &Tok, bool AfterAssign, bool ECMA);

    // Source handling. The source always ends with a line feed that is never delivered, so the line
    // count of a piece is that of its lines.
    void ClearSource();
    void Rewind() { FPos = 0; }
    size_t Position() const { return FPos; }
    void AddLine(std::string_view Text);
    // A line of wide characters, converted to the code page as it is added.
    void AddLine(const WideChar *Text, size_t Length);
    // Room for Bytes more bytes of lines, so a whole document is added without growing the source again.
    void ReserveSource(size_t Bytes) { FSource.reserve(FSource.size() + Bytes); }
    // Replaces the source by the given bytes; a line feed is appended when the last one is missing, so
    // the last character is kept.
    void LoadSource(std::string_view Bytes);
    void SetLine(TCheckLine Line) { FLine = Line; }
    TCheckLine GetLine() const { return FLine; }

    // Lookup of a word in the keyword and DOM tables; tkIdentifier when none.
    static int WordCode(std::string_view Word, bool JSON);

private:
    static constexpr int kEnd = -1;

    int Read(); // next byte, kEnd at the end (the position does not move then)
    void StepBack(); // the byte just read is delivered again
    int Peek(size_t Ahead = 0) const;
    void NewLine();
    void Report(const std::string &Text, int Severity, int Code);
    void Report(TFinding F);
    // A finding with values in place of its "%1" and "%2".
    void Report(TFinding F, const std::string &First, const std::string &Second = std::string());
    void ScanString(char Quote, TJSLexToken &Tok);
    // Reads one escape after a backslash; appends what it yields. Returns false at the end of the source.
    bool ScanEscape(const char *What, TCheckLine StartLine, std::string &Out, bool InRegExp, bool ECMA);
    std::string ReadHexDigits(int Count, TFinding Invalid, const char *What, TCheckLine StartLine);
    void ScanNumber(int First, TJSLexToken &Tok);
    bool SkipToLineEnd();
    bool SkipComment(int c, int n, bool Markup);
    int ScanOperator(int c, int n, bool &Skipped);
    void SkipCharacterConstant();
    void ScanWord(TJSLexToken &Tok, bool JSON);
    // Only blanks stand between the start of its line and position Pos.
    bool AtLineStart(size_t Pos) const;

    IMessageSink *FSink;
    // A script of many megabytes is read once from start to end: its bytes lie in a large block.
    std::basic_string<char, std::char_traits<char>, TLargeAllocator<char>> FSource;
    size_t FPos = 0;
    TCheckLine FLine;
    bool FErrorFlag = false;
    bool FHitEnd = false; // a hexadecimal escape ran into the end of the source
};
