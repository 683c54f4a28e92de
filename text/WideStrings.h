#pragma once
// Lists of UTF-16 lines, each with a pointer-sized object, and the edited-text file format. A line is
// read as a TWideLine: its characters in the list, valid until the list changes.
//
// Reading a file: two leading bytes FF FE or FE FF mark UTF-16 (little- or big-endian); valid UTF-8 that is
// not plain ASCII (or starts with EF BB BF, or is plain ASCII that names UTF-8 as its character set
// near its start, text/DeclaredCharset.h) is UTF-8; anything else is Windows-1252 text. Lines end at CR LF, CR or LF
// only (VT, FF and the Unicode separators are characters of their line); a break at the very end adds no empty line. U+0000 is an ordinary character: the whole text
// is kept. A UTF-16 file with an odd number of bytes loses its last byte (it is not part of any character). Writing: in
// the encoding, with the mark and the line break the file was read with (a new text: Windows-1252, LF, a break after
// the last line too), so a file is saved as it was read.
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "text/WideLine.h"
#include "text/WideStrUtils.h"
#include "platform/Classes.h"
#include "platform/LargeBlock.h"
#include "platform/StringList.h"

// A file larger than this is refused before anything is read: its text would not fit in memory
// (two bytes a character) or in the list's line count.
constexpr int64_t kMaxTextFileBytes = int64_t(1) << 30;
// Raised for a file over kMaxTextFileBytes.
QUILLMAR_EXCEPTION(ETextTooLarge, EReadError);

// How a text file is encoded and how its lines end.
enum TTextEncoding : uint8_t { teAnsi, teUtf8, teUtf16LE, teUtf16BE };
enum TLineBreakStyle : uint8_t { lbCRLF, lbLF, lbCR };

// Locale identifier of the list comparison; the user's default locale.
constexpr uint32_t LOCALE_USER_DEFAULT = 0x0400;

class TWideStringList;

// A line of an array-backed list: its characters and a zero, in a block of their own (Owned), in a
// piece of a text block that a load filled, or the shared empty text. 24 bytes a line besides its
// characters.
struct TWideLineItem {
    const WideChar *Text;
    uint32_t Length;
    bool Owned;
    TObject *Obj;
};
using TWideLineItems = std::vector<TWideLineItem, TLargeAllocator<TWideLineItem>>;

// The lines a load decoded, before they go into a list: their characters one after another in
// Block, each line followed by a zero, and the lines as the items an array-backed list keeps (so
// that it takes them over without a second array; none is Owned).
struct TLoadedText {
    TLargeBlock<WideChar> Block;
    TWideLineItems Lines;
    std::u16string_view Line(size_t k) const { return {Lines[k].Text, Lines[k].Length}; }
};

class TWideStrings {
public:
    TWideStrings();
    virtual ~TWideStrings();
    TWideStrings(const TWideStrings &) = delete;
    TWideStrings &operator=(const TWideStrings &) = delete;

    // ---- storage, supplied by descendants
    virtual TWideLine Get(int Index) const = 0;
    virtual int GetCapacity() const;
    virtual int GetCount() const = 0;
    virtual TObject *GetObject(int Index) const;
    virtual WideString GetTextStr() const;
    virtual void Put(int Index, const WideString &S);
    virtual void PutObject(int Index, TObject *AObject);
    virtual void SetCapacity(int NewCapacity);
    virtual void SetTextStr(const WideString &Text);
    virtual void SetLanguage(uint32_t Language);

    virtual int Add(const WideString &S);
    virtual int AddObject(const WideString &S, TObject *AObject);
    virtual void AddStrings(const TStrings &Strings);
    virtual void AddStrings(const TWideStrings &Strings);
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Exchange(int Index1, int Index2);
    // The text of GetTextStr as a fresh zero-terminated buffer.
    virtual TWideBuffer GetText() const;
    virtual int IndexOf(const WideString &S) const;
    virtual void Insert(int Index, const WideString &S) = 0;
    // Inserts the lines at Index in order / deletes Count lines from Index on. The base does
    // it line by line; an array-backed list moves its items once.
    virtual void InsertStrings(int Index, const std::vector<WideString> &Lines);
    virtual void DeleteRange(int Index, int Count);
    // Loads the file. Unless Mode is fmShareDenyNone, Handle receives the file opened once more with
    // Mode, so the caller keeps it held with that sharing until it resets Handle. False (list unchanged)
    // when the file cannot be opened; a failure while reading raises EReadError (list unchanged).
    virtual bool LoadFromFile(const AnsiString &FileName, std::unique_ptr<TFileStream> &Handle, uint16_t Mode);
    bool LoadFromFile(const AnsiString &FileName);
    // Reads from the stream's position to its end and replaces the lines. The bytes are read once, a
    // block at a time, and never held whole: an 8-bit text is checked for UTF-8 and decoded in the
    // same pass (one that turns out not to be UTF-8 is read once more, as Windows-1252), and the
    // lines' characters go straight into one block that the list keeps. A stream over
    // kMaxTextFileBytes raises ETextTooLarge and a short one EReadError, both with the list
    // unchanged; running out of memory leaves the list empty.
    virtual void LoadFromStream(TStream &Stream);
    virtual void Move(int CurIndex, int NewIndex);
    // Writes the text beside FileName and renames it over the file, keeping the file's permissions; the
    // file is untouched when the save is refused (Saved() false) or fails (exception).
    virtual void SaveToFile(const AnsiString &FileName);
    // Saved() tells whether the text was written.
    virtual void SaveToStream(TStream &Stream);
    // Replaces the lines by the text up to the first zero character.
    virtual void SetText(const WideChar *Text);

    void InsertObject(int Index, const WideString &S, TObject *AObject);
    void Assign(const TWideStrings &Source);
    void Assign(const TStrings &Source);
    void AssignTo(TWideStrings &Dest) const;
    void AssignTo(TStrings &Dest) const;

    void BeginUpdate();
    void EndUpdate();

    // ---- convenience
    int Count() const { return GetCount(); }
    TWideLine Strings(int Index) const { return Get(Index); }
    TWideLine operator[](int Index) const { return Get(Index); }
    TObject *Objects(int Index) const { return GetObject(Index); }

    int UpdateCount() const { return FUpdateCount; }
    uint32_t Language() const { return FLanguage; }
    bool Saved() const { return FSaved; }
    // How the text is written: the encoding, its mark, the line break and whether the last line
    // has one. Loading takes them from the file, so a saved file keeps its form.
    TTextEncoding Encoding() const { return FEncoding; }
    void SetEncoding(TTextEncoding Value) { FEncoding = Value; }
    bool ByteOrderMark() const { return FByteOrderMark; }
    void SetByteOrderMark(bool Value) { FByteOrderMark = Value; }
    TLineBreakStyle LineBreakStyle() const { return FLineBreakStyle; }
    void SetLineBreakStyle(TLineBreakStyle Value) { FLineBreakStyle = Value; }
    bool FinalLineBreak() const { return FFinalLineBreak; }
    void SetFinalLineBreak(bool Value) { FFinalLineBreak = Value; }
    // UTF-16 (little-endian unless the text was read big-endian), or Windows-1252.
    bool SaveUnicode() const { return FEncoding == teUtf16LE || FEncoding == teUtf16BE; }
    void SetSaveUnicode(bool Value)
    {
        if (Value != SaveUnicode()) {
            FEncoding = Value ? teUtf16LE : teAnsi;
            FByteOrderMark = Value;
        }
    }

    // Asked before an ANSI save that would lose characters; clearing Allowed cancels the save.
    // Asked when a Windows-1252 text holds characters the code page cannot store: set Encoding to
    // teUtf8 or teUtf16LE to save in it, leave teAnsi to save nothing. Without a handler the user
    // is asked through the prompter (Yes UTF-8, No UTF-16, Cancel nothing).
    std::function<void(TWideStrings &Sender, TTextEncoding &Encoding)> OnEncodingLoss;

    // Case-insensitive locale comparison of the lists: negative, 0 or positive.
    static int CompareStrings(const WideString &S1, const WideString &S2);

protected:
    // Called when the update count goes 0 -> 1 (true) and 1 -> 0 (false).
    virtual void SetUpdateState(bool Updating);
    // Replaces the lines by the text of the buffer; Length characters, zeros included.
    void SetTextBuffer(const WideChar *Text, size_t Length);
    // Appends the lines of a load (the list is empty then). The base adds them one by one; an
    // array-backed list takes the block over, its lines staying where they are.
    virtual void AddLoadedLines(TLoadedText &Text);
    // Lines about to be added hold at most Characters characters together, counting one zero after
    // each line (a load or SetText tells this before it adds the lines; 0 afterwards). A list may
    // take room for them at once; the base does nothing.
    virtual void ReserveLineText(size_t Characters);
    [[noreturn]] static void ListError(int Index);

private:
    int FUpdateCount = 0;
    uint32_t FLanguage = LOCALE_USER_DEFAULT;
    bool FSaved = false;
    TTextEncoding FEncoding = teAnsi;
    bool FByteOrderMark = false;
    TLineBreakStyle FLineBreakStyle = lbLF;
    bool FFinalLineBreak = true;
};

// Array-backed list.
class TWideStringList : public TWideStrings {
public:
    TWideStringList() = default;
    ~TWideStringList() override;

    TWideLine Get(int Index) const override;
    int GetCapacity() const override;
    int GetCount() const override;
    TObject *GetObject(int Index) const override;
    void Put(int Index, const WideString &S) override;
    void PutObject(int Index, TObject *AObject) override;
    void SetCapacity(int NewCapacity) override;
    void SetLanguage(uint32_t Language) override;

    int Add(const WideString &S) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    void Insert(int Index, const WideString &S) override;
    void InsertStrings(int Index, const std::vector<WideString> &Lines) override;
    void DeleteRange(int Index, int Count) override;

    std::function<void(TWideStringList &Sender)> OnChange;
    std::function<void(TWideStringList &Sender)> OnChanging;

protected:
    void SetUpdateState(bool Updating) override;
    virtual void Changed();
    virtual void Changing();
    void ReserveLineText(size_t Characters) override;
    void AddLoadedLines(TLoadedText &Text) override;

private:
    using TItem = TWideLineItem;
    void CheckIndex(int Index) const;
    void InsertItem(int Index, const WideString &S);
    void Grow();
    // The characters of S in a place of their own: in the open text block while it has room, else in
    // a block of their own.
    TItem Store(std::u16string_view S);
    void Release(const TItem &Item);
    void ReleaseRange(size_t From, size_t To);

    TWideLineItems FList;
    // Text blocks filled by loads; freed once no line lies in them. Lines are added into the last
    // one while FBlockLeft characters of it are free.
    std::vector<TLargeBlock<WideChar>> FBlocks;
    WideChar *FBlockNext = nullptr;
    size_t FBlockLeft = 0;
    size_t FBlockLines = 0;
};
