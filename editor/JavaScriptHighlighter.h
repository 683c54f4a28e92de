#pragma once
// Colours JavaScript: whole .js files, and the lines inside script blocks of HTML pages when
// the HTML highlighter hands them over. A hand-written scanner: the first character of a
// token picks its routine; words are looked up in a hashed table of reserved words.
#include "editor/SyntaxHighlighter.h"
#include <array>
#include <memory>

// Token kinds (the Kind of a token record).
enum TJavaScriptTokenKind : int32_t {
    jtAsm = 257, // never produced; its attribute exists all the same
    jtComment = 258,
    jtDirective = 259,
    jtIdentifier = 260,
    jtKey = 261,
    jtEol = 262,
    jtNumber = 263,
    jtSpace = 264,
    jtString = 265,
    jtSymbol = 266,
    jtInvalid = 267,
};

// Range values.
enum TJavaScriptRange : int32_t {
    jrComment = 1, // inside a /* */ comment that continues past the end of the line
    jrNormal = 6,
};

class TJavaScriptHighlighter : public TSyntaxHighlighter {
public:
    TJavaScriptHighlighter();
    ~TJavaScriptHighlighter() override;

    using TSyntaxHighlighter::SetLine;
    using TSyntaxHighlighter::SetLineNoRange;

    AnsiString GetLanguageName() const override;
    int GetAttribCount() const override;
    THighlightAttributes *GetAttribute(int Index) const override;
    TIdentChars GetIdentChars() const override;

    bool GetEol() const override;
    int32_t GetRange() override;
    WideString GetToken() const override;
    void GetTokenInfo(TTokenInfo &Info) override;
    int GetTokenPos() const override;
    int GetTokenEnd() const override { return FRun; }
    void Next() override;
    void SetLine(const WideChar *Text, int Length, bool Flag) override;
    void SetLineNoRange(const WideChar *Text, int Length) override;
    void SetRange(int32_t Value) override;
    void ResetRange() override;
    bool SaveCheckpoint(THighlightCheckpoint &Point) const override;
    bool ResumeLine(const WideChar *Text, int Length, const THighlightCheckpoint &Point) override;

    int32_t GetTokenKind() const { return FTokenKind; }

    // The attributes, in GetAttribute order. Setting one copies the given settings.
    THighlightAttributes &AsmAttributes() const { return *FAttributes[0]; }
    THighlightAttributes &CommentAttributes() const { return *FAttributes[1]; }
    THighlightAttributes &DirecAttributes() const { return *FAttributes[2]; }
    THighlightAttributes &IdentifierAttributes() const { return *FAttributes[3]; }
    THighlightAttributes &InvalidAttributes() const { return *FAttributes[4]; }
    THighlightAttributes &KeyAttributes() const { return *FAttributes[5]; }
    THighlightAttributes &NumberAttributes() const { return *FAttributes[6]; }
    THighlightAttributes &SpaceAttributes() const { return *FAttributes[7]; }
    THighlightAttributes &StringAttributes() const { return *FAttributes[8]; }
    THighlightAttributes &SymbolAttributes() const { return *FAttributes[9]; }
    void SetAsmAttributes(const THighlightAttributes &V) { FAttributes[0]->Assign(V); }
    void SetCommentAttributes(const THighlightAttributes &V) { FAttributes[1]->Assign(V); }
    void SetDirecAttributes(const THighlightAttributes &V) { FAttributes[2]->Assign(V); }
    void SetIdentifierAttributes(const THighlightAttributes &V) { FAttributes[3]->Assign(V); }
    void SetInvalidAttributes(const THighlightAttributes &V) { FAttributes[4]->Assign(V); }
    void SetKeyAttributes(const THighlightAttributes &V) { FAttributes[5]->Assign(V); }
    void SetNumberAttributes(const THighlightAttributes &V) { FAttributes[6]->Assign(V); }
    void SetSpaceAttributes(const THighlightAttributes &V) { FAttributes[7]->Assign(V); }
    void SetStringAttributes(const THighlightAttributes &V) { FAttributes[8]->Assign(V); }
    void SetSymbolAttributes(const THighlightAttributes &V) { FAttributes[9]->Assign(V); }

    // The reserved-word hash: letters A-Z count 1-26, a-z 2-27, digits and '_' nothing.
    static int KeywordHash(const unsigned char *Word, int Length);
    static bool IsKeyword(const unsigned char *Word, int Length);

private:
    void ScanEol();
    void ScanLineBreak();
    void ScanSpace();
    void ScanIdentifier();
    void ScanNumber();
    void ScanString(unsigned char Quote);
    void ScanDirective();
    void ScanSlash();
    // The length of a regular-expression literal starting at FRun (its flags included), 0
    // when none closes on the line.
    int RegexLength() const;
    // Whether the token just scanned lets a regular expression follow (an operand may come).
    bool RegexMayFollow() const;
    void ScanLess();
    void ScanInvalid();
    void ScanSymbol();
    void ScanCommentBody();
    void ScanCommentContinuation();
    void RunToLineEnd();
    const THighlightAttributes *AttributeOfKind(int32_t Kind) const;

    std::array<std::unique_ptr<THighlightAttributes>, 10> FAttributes;
    THighlightLine FLine;
    int FRun = 0;
    int FTokenPos = 0;
    int32_t FTokenKind = jtEol;
    bool FEolReached = false;
    int32_t FRange = jrNormal;
    bool FRegexAllowed = true; // a "/" here starts a regular expression, not a division
};
