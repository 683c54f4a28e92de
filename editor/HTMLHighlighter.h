#pragma once
// Colours HTML pages. The scanner knows six start states (text, inside a tag, attribute
// value, declaration, comment, script) and a fixed set of lexical rules, each active in one
// start state; at every position the longest match wins, the lower rule on a tie, and the
// winning rule sets the token kind and may switch the start state. A character no rule
// matches is shown as plain text.
//
// With a JavaScript highlighter linked, a line that lies wholly inside a script block is
// handed over to it, and the range of such a line carries the JavaScript range too
// (JavaScript range x 1000 + 12).
#include "editor/SyntaxHighlighter.h"
#include <array>
#include <memory>

enum THTMLTokenKind : int32_t {
    htEnd = -1, // end of the line
    htUnmatched = 0, // characters no rule matched
    htDocType = 257, // document-type declaration
    htNumberAlt = 258, // never produced
    htText = 259, // text between tags
    htNumber = 260, // numeric character references and numeric attribute values
    htTag = 261, // tag names and tag ends
    htComment = 262, // comments and declarations
    htName = 263, // attribute names and unquoted attribute values
    htScript = 264, // script tag and script text
    htString = 265, // entity references and quoted attribute values
    htSymbol = 266, // '=' inside a tag
    htParam = 269, // other runs inside a tag
    htURL = 272, // URL values
    htSpace = 273, // white space inside tags
};

enum THTMLStartState : int32_t {
    hsText = 2,
    hsTag = 4,
    hsValue = 6,
    hsDeclaration = 8,
    hsComment = 10,
    hsScript = 12,
};

class THTMLHighlighter : public TSyntaxHighlighter {
public:
    THTMLHighlighter();
    ~THTMLHighlighter() override;

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
    int GetTokenEnd() const override;
    void Next() override;
    void SetLine(const WideChar *Text, int Length, bool Flag) override;
    void SetLineNoRange(const WideChar *Text, int Length) override;
    void SetRange(int32_t Value) override;
    void ResetRange() override;
    bool SaveCheckpoint(THighlightCheckpoint &Point) const override;
    bool ResumeLine(const WideChar *Text, int Length, const THighlightCheckpoint &Point) override;

    // Back to the start of the current line: no token, nothing read.
    virtual void ResetScanner();
    // Sets the start state; a value that is not a start state selects the text state.
    virtual void SetStartState(int32_t State);
    int32_t StartState() const { return FStartState; }
    int32_t GetTokenKind() const { return FTokenKind; }
    // True while the rest of the current line belongs to the linked JavaScript highlighter.
    bool Delegating() const { return FDelegating && FJavaScript; }

    // The highlighter that colours script blocks (not owned); nullptr unlinks.
    TSyntaxHighlighter *JavaScriptHighLighter() const { return FJavaScript; }
    void SetJavaScriptHighLighter(TSyntaxHighlighter *Value);

    // The attributes, in GetAttribute order. Setting one copies the given settings.
    THighlightAttributes &IdentifierAttributes() const { return *FAttributes[0]; }
    THighlightAttributes &NumberAttributes() const { return *FAttributes[1]; }
    THighlightAttributes &SpaceAttributes() const { return *FAttributes[2]; }
    THighlightAttributes &StringAttributes() const { return *FAttributes[3]; }
    THighlightAttributes &CommentAttributes() const { return *FAttributes[4]; }
    THighlightAttributes &SymbolAttributes() const { return *FAttributes[5]; }
    THighlightAttributes &KeyAttributes() const { return *FAttributes[6]; }
    THighlightAttributes &UnknownAttributes() const { return *FAttributes[7]; }
    THighlightAttributes &ParamAttributes() const { return *FAttributes[8]; }
    THighlightAttributes &URLAttributes() const { return *FAttributes[9]; }
    THighlightAttributes &DocTypeAttributes() const { return *FAttributes[10]; }
    THighlightAttributes &NameAttributes() const { return *FAttributes[11]; }
    THighlightAttributes &ScriptAttributes() const { return *FAttributes[12]; }
    void SetIdentifierAttributes(const THighlightAttributes &V) { FAttributes[0]->Assign(V); }
    void SetNumberAttributes(const THighlightAttributes &V) { FAttributes[1]->Assign(V); }
    void SetSpaceAttributes(const THighlightAttributes &V) { FAttributes[2]->Assign(V); }
    void SetStringAttributes(const THighlightAttributes &V) { FAttributes[3]->Assign(V); }
    void SetCommentAttributes(const THighlightAttributes &V) { FAttributes[4]->Assign(V); }
    void SetSymbolAttributes(const THighlightAttributes &V) { FAttributes[5]->Assign(V); }
    void SetKeyAttributes(const THighlightAttributes &V) { FAttributes[6]->Assign(V); }
    void SetUnknownAttributes(const THighlightAttributes &V) { FAttributes[7]->Assign(V); }
    void SetParamAttributes(const THighlightAttributes &V) { FAttributes[8]->Assign(V); }
    void SetURLAttributes(const THighlightAttributes &V) { FAttributes[9]->Assign(V); }
    void SetDocTypeAttributes(const THighlightAttributes &V) { FAttributes[10]->Assign(V); }
    void SetNameAttributes(const THighlightAttributes &V) { FAttributes[11]->Assign(V); }
    void SetScriptAttributes(const THighlightAttributes &V) { FAttributes[12]->Assign(V); }

protected:
    void Notification(TSyntaxHighlighter *Destroyed) override;

private:
    struct TMatch {
        int Rule = -1;
        int Length = 0;
        void Offer(int R, int L)
        {
            if (L > Length) {
                Rule = R;
                Length = L;
            }
        }
    };
    TMatch MatchText(int P) const;
    TMatch MatchTag(int P) const;
    TMatch MatchValue(int P) const;
    TMatch MatchDeclaration(int P) const;
    TMatch MatchComment(int P) const;
    TMatch MatchScript(int P) const;
    int NameLength(int P) const;
    int NameCharRun(int P) const;
    bool LettersAt(int P, const char *Lower) const;
    // Whether a line that starts inside a script block (the script scanner in ScriptRange)
    // holds a script tag: a "</script", or a "<script" outside the script's strings, regular
    // expressions and comments. Only such a line is not handed over to the script scanner
    // whole. The check reads the whole line, apart from the token scan.
    bool HasScriptTag(const WideChar *Text, int Length, int32_t ScriptRange);
    // Whether every "<script" of the line lies in a string, regular expression or comment of
    // the script scanned from ScriptRange.
    bool ScriptTagsQuoted(const WideChar *Text, int Length, int32_t ScriptRange);
    void ScanToken();
    void SetToken(int Start, int End, int32_t Kind);
    const THighlightAttributes *AttributeOfKind(int32_t Kind) const;

    std::array<std::unique_ptr<THighlightAttributes>, 13> FAttributes;
    THighlightLine FLine;
    TSyntaxHighlighter *FJavaScript = nullptr;

    int32_t FStartState = hsText;
    int FPosition = 0; // next unread character
    int FCovered = 0; // end of the last token handed out
    int FTokenStart = 0;
    int FTokenEnd = 0;
    int32_t FTokenKind = htUnmatched;
    bool FDelegating = false;
    bool FLineHasScriptTag = false;
    // The script-tag check is made for lines that start inside a script block only, with
    // the script scanner's range at the line's start.
    bool FScriptTagChecked = false;
    int32_t FLineScriptRange = 0;
    // A token found behind characters that no rule matched waits until those characters
    // have been handed out as a token of their own.
    bool FHasPending = false;
    int FPendingStart = 0;
    int FPendingEnd = 0;
    int32_t FPendingKind = 0;
};
