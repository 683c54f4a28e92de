#pragma once
// The base of every highlighter: turns one line at a time into coloured tokens for the
// editor's painter, and carries the scanner state from one line to the next as an opaque
// 32-bit range value that the editor keeps at the start of every line.
//
// How an editor drives a highlighter:
//   1. SetRange(range stored for the line); for line 0 the stored value comes from
//      ResetRange followed by GetRange.
//   2. SetLine(text, length, false): the first token is scanned on return. The text must
//      stay unchanged until the next SetLine.
//   3. While !GetEol(): GetTokenInfo(record), paint the record's characters, Next().
//   4. GetRange() is the range at the start of the following line; continue with step 2.
// Token start and length count UTF-16 units of the line handed to SetLine.
#include "editor/HighlightAttributes.h"
#include "platform/Types.h"
#include "text/WideLine.h"
#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

class TStrings;
class TSyntaxHighlighter;

// What a highlighter needs of an editor that uses it. The editor registers itself in the
// highlighter's WindowList when it starts using it and removes itself when it stops.
class ISyntaxHighlighterClient {
public:
    virtual ~ISyntaxHighlighterClient() = default;
    // A colour or style changed: repaint the text.
    virtual void Invalidate() = 0;
    // The highlighter is being destroyed: forget it, do not call it any more.
    virtual void HighlighterDestroyed(TSyntaxHighlighter *Highlighter) = 0;
};

// The editors currently using one highlighter, each listed once.
class TWindowList {
public:
    void AddEditor(ISyntaxHighlighterClient *Editor);
    void RemoveEditor(ISyntaxHighlighterClient *Editor);
    // Asks every listed editor, first to last, to repaint itself.
    void InvalidateAll() const;
    int Count() const { return int(FItems.size()); }
    ISyntaxHighlighterClient *Items(int Index) const;

private:
    std::vector<ISyntaxHighlighterClient *> FItems;
};

// One token as the painter receives it.
struct TTokenInfo {
    const WideChar *Token = nullptr; // first character of the token inside the line
    int32_t Kind = 0; // the highlighter's own numbering
    int32_t Start = 0; // 0-based index in the line, in UTF-16 units
    int32_t Length = 0; // in UTF-16 units
    TColor Background = 0; // 0x00BBGGRR, system colours resolved
    TColor Foreground = 0;
    THighlightFontStyles Style = 0;
};

// The 8-bit view a scanner works on: one byte per UTF-16 unit of the line, so positions in
// the view are positions in the line. Latin-1 characters keep their code; every other
// character reads as 0x80 (a letter-like byte of the upper half); a NUL inside the line
// reads as 0x01 so that it never ends the scan. The byte after the last one is 0.
//
// The view also tells how far into the line a scan has read (its horizon): the tokens
// scanned so far depend on no character at or beyond it, so they stay as they are after an
// edit there.
class THighlightLine {
public:
    // A scan that goes on from From (a checkpoint) starts with the horizon the scan up to
    // From had reached.
    void Assign(const WideChar *Text, int Length, int From = 0, int Horizon = 0);
    const WideChar *Text() const { return FText; }
    int Length() const { return FLength; }
    // The byte at Index, 0 outside the line. Bytes are made from the text as far as they are
    // read, so a scan that stops early in a long line (or starts late) never converts the rest.
    unsigned char operator[](int Index) const
    {
        if (Index >= FConvertedFrom && Index < FConverted)
            return FBytes[size_t(Index)];
        return Fetch(Index);
    }
    // The byte at Index without converting or reading ahead on the scan's behalf: for checks
    // of the whole line that are not part of the token scan.
    unsigned char Peek(int Index) const
    {
        if (Index < 0 || Index >= FLength)
            return 0;
        const WideChar c = FText[Index];
        return c >= 0x100 ? 0x80 : c == 0 ? 0x01 : (unsigned char)c;
    }
    // All Length() + 1 bytes.
    const unsigned char *Bytes() const
    {
        if (FLength > 0) {
            Fetch(0);
            Fetch(FLength - 1);
        }
        FSawEnd = true;
        return FBytes.data();
    }
    // The bytes as far as they were read through operator[] (a token just scanned).
    const unsigned char *ReadBytes() const { return FBytes.data(); }
    bool Assigned() const { return FAssigned; }
    // Characters [0, Horizon()) may have been read; Length() + 1 once the scan may depend on
    // where the line ends. Scanners compare positions with Length() at most EndMargin
    // characters beyond one they read, so reads that came that close to the end count as
    // having met it.
    static constexpr int EndMargin = 16;
    int Horizon() const
    {
        const int read = std::max(FHorizon, FConverted + EndMargin);
        return FSawEnd || read >= FLength ? FLength + 1 : read;
    }

private:
    unsigned char Fetch(int Index) const;

    const WideChar *FText = nullptr;
    int FLength = 0;
    bool FAssigned = false;
    int FHorizon = 0;
    mutable bool FSawEnd = false;
    // Bytes [FConvertedFrom, FConverted) are made.
    mutable int FConvertedFrom = 0;
    mutable int FConverted = 0;
    mutable std::vector<unsigned char> FBytes{0};
};

// A highlighter's state between two tokens of a line: a scan can go on from here without
// the characters before Position. The scan that led here read characters [0, Horizon) of
// the line, so the checkpoint holds while those and the line's start state stay the same.
// State is the highlighter's own; positions in it count from Position.
struct THighlightCheckpoint {
    int32_t Position = 0;
    int32_t Horizon = 0;
    std::array<int32_t, 16> State{};
};

class TSyntaxHighlighter {
public:
    using TIdentChars = std::bitset<256>;

    TSyntaxHighlighter();
    virtual ~TSyntaxHighlighter();
    TSyntaxHighlighter(const TSyntaxHighlighter &) = delete;
    TSyntaxHighlighter &operator=(const TSyntaxHighlighter &) = delete;

    // Characters that form words (the editor's word selection). Base: codes 33 to 255.
    virtual TIdentChars GetIdentChars() const;
    virtual AnsiString GetLanguageName() const = 0;
    virtual int GetAttribCount() const = 0;
    // Nullptr for an index out of range.
    virtual THighlightAttributes *GetAttribute(int Index) const = 0;
    // Bit 0: import of another environment's colours; bit 1: storage of the colours in a registry.
    // We have neither (the colours live in the settings file), so the answer is 0.
    virtual uint8_t GetCapability() const;
    virtual AnsiString GetDefaultFilter() const;
    virtual void SetDefaultFilter(const AnsiString &Value);
    // Copies every attribute of Source onto this highlighter's attribute of the same name
    // (ignoring case), then repaints all editors.
    virtual void AssignAttributes(const TSyntaxHighlighter &Source);

    virtual bool GetEol() const = 0;
    virtual int32_t GetRange() = 0;
    virtual WideString GetToken() const = 0;
    virtual void GetTokenInfo(TTokenInfo &Info) = 0;
    virtual int GetTokenPos() const = 0;
    // Where the current token ends (its position plus its length).
    virtual int GetTokenEnd() const { return GetTokenPos() + static_cast<int>(GetToken().size()); }
    virtual void Next() = 0;
    // Starts a line in the current range and scans its first token. With Flag set, the
    // following Next scans the line again from its start.
    virtual void SetLine(const WideChar *Text, int Length, bool Flag) = 0;
    void SetLine(const WideString &Text, bool Flag = false) { SetLine(Text.data(), int(Text.size()), Flag); }
    void SetLine(WideString &&, bool = false) = delete; // the text must outlive the scan
    // A line of the editor's list, scanned in place (the list must not change during the scan).
    void SetLine(const TWideLine &Text, bool Flag = false) { SetLine(Text.data(), int(Text.size()), Flag); }
    // Starts a line, scans its first token, then returns to the default range.
    virtual void SetLineNoRange(const WideChar *Text, int Length) = 0;
    void SetLineNoRange(const WideString &Text) { SetLineNoRange(Text.data(), int(Text.size())); }
    void SetLineNoRange(WideString &&) = delete;
    void SetLineNoRange(const TWideLine &Text) { SetLineNoRange(Text.data(), int(Text.size())); }
    // Checkpoints inside long lines. SaveCheckpoint keeps the state after the current token
    // (false at the end of the line, or when the highlighter has none); ResumeLine starts a
    // line at a checkpoint taken on the same line, with the token after it current. The text
    // must have the checkpoint's horizon unchanged and the line the same start state; ResumeLine
    // answers false, changing nothing, when it cannot go on from the checkpoint.
    virtual bool SaveCheckpoint(THighlightCheckpoint &Point) const;
    virtual bool ResumeLine(const WideChar *Text, int Length, const THighlightCheckpoint &Point);
    // A value the highlighter does not know is taken as its default start state.
    virtual void SetRange(int32_t Value) = 0;
    virtual void ResetRange() = 0;
    // Import of another development environment's colours; none is installed here.
    virtual bool UseUserSettings(int Index);
    virtual void EnumUserSettings(TStrings &List);

    TWindowList &WindowList() { return FWindowList; }
    const TWindowList &WindowList() const { return FWindowList; }

    // Both highlighters are told (Notification) when the other one is destroyed.
    void FreeNotification(TSyntaxHighlighter *Other);
    void RemoveFreeNotification(TSyntaxHighlighter *Other);

protected:
    virtual void Notification(TSyntaxHighlighter *Destroyed);
    // Makes a change of the attribute repaint every editor of this highlighter.
    void WatchAttribute(THighlightAttributes &Attributes);
    // Fills the colour and style fields of a token record from an attribute.
    static void FillColors(TTokenInfo &Info, const THighlightAttributes &Attributes);

private:
    TWindowList FWindowList;
    AnsiString FDefaultFilter;
    std::vector<TSyntaxHighlighter *> FFreeNotifies;
};
