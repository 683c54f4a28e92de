#include "text/WideStrings.h"
#include "platform/Prompter.h"
#include "text/UnicodeData.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/DeclaredCharset.h"
#include "text/WideTextCodec.h"
#include "platform/AtomicSave.h"
#include "platform/CodePage.h"
#include "platform/LocaleCompare.h"
#include "platform/ScopeGuard.h"

namespace {

// Nested BeginUpdate/EndUpdate that is released on every way out.
auto UpdateBracket(TWideStrings &List)
{
    List.BeginUpdate();
    return TScopeGuard([&List] { List.EndUpdate(); });
}

} // namespace

// ======================================================================== TWideStrings

TWideStrings::TWideStrings() = default;

TWideStrings::~TWideStrings() = default;

void TWideStrings::ListError(int Index)
{
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

int TWideStrings::GetCapacity() const
{
    return GetCount();
}

TObject *TWideStrings::GetObject(int) const
{
    return nullptr;
}

void TWideStrings::PutObject(int, TObject *)
{
}

void TWideStrings::SetCapacity(int)
{
}

void TWideStrings::SetLanguage(uint32_t Language)
{
    FLanguage = Language;
}

void TWideStrings::SetUpdateState(bool)
{
}

void TWideStrings::ReserveLineText(size_t)
{
}

void TWideStrings::BeginUpdate()
{
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TWideStrings::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0)
        SetUpdateState(false);
}

int TWideStrings::Add(const WideString &S)
{
    const int index = GetCount();
    Insert(index, S);
    return index;
}

int TWideStrings::AddObject(const WideString &S, TObject *AObject)
{
    const int index = Add(S);
    PutObject(index, AObject);
    return index;
}

void TWideStrings::InsertObject(int Index, const WideString &S, TObject *AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TWideStrings::Put(int Index, const WideString &S)
{
    TObject *obj = GetObject(Index);
    WideString copy = S; // S may be the very item that is deleted next
    Delete(Index);
    InsertObject(Index, copy, obj);
}

void TWideStrings::AddStrings(const TStrings &Strings)
{
    const auto bracket = UpdateBracket(*this);
    const int n = Strings.Count();
    for (int i = 0; i < n; ++i)
        AddObject(AnsiToWide(Strings.Get(i)), Strings.GetObject(i));
}

void TWideStrings::AddStrings(const TWideStrings &Strings)
{
    const auto bracket = UpdateBracket(*this);
    const int n = Strings.GetCount(); // adding a list to itself copies its original lines once
    for (int i = 0; i < n; ++i) {
        WideString s = Strings.Get(i);
        AddObject(s, Strings.GetObject(i));
    }
}

void TWideStrings::Assign(const TWideStrings &Source)
{
    if (&Source == this)
        return;
    const auto bracket = UpdateBracket(*this);
    Clear();
    AddStrings(Source);
}

void TWideStrings::Assign(const TStrings &Source)
{
    const auto bracket = UpdateBracket(*this);
    Clear();
    AddStrings(Source);
}

void TWideStrings::AssignTo(TWideStrings &Dest) const
{
    Dest.Assign(*this);
}

void TWideStrings::AssignTo(TStrings &Dest) const
{
    Dest.BeginUpdate();
    TScopeGuard endUpdate([&Dest] { Dest.EndUpdate(); });
    Dest.Clear();
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        Dest.AddObject(WideToAnsi(Get(i)), GetObject(i));
}

void TWideStrings::Exchange(int Index1, int Index2)
{
    const auto bracket = UpdateBracket(*this);
    WideString s1 = Get(Index1);
    TObject *o1 = GetObject(Index1);
    WideString s2 = Get(Index2);
    TObject *o2 = GetObject(Index2);
    Put(Index1, s2);
    PutObject(Index1, o2);
    Put(Index2, s1);
    PutObject(Index2, o1);
}

void TWideStrings::InsertStrings(int Index, const std::vector<WideString> &Lines)
{
    if (Index < 0 || Index > GetCount())
        ListError(Index);
    const auto bracket = UpdateBracket(*this);
    for (size_t i = 0; i < Lines.size(); ++i)
        Insert(Index + int(i), Lines[i]);
}

void TWideStrings::DeleteRange(int Index, int Count)
{
    if (Count <= 0)
        return;
    if (Index < 0 || Index > GetCount() || Count > GetCount() - Index)
        ListError(Index < 0 ? Index : Index + Count - 1);
    const auto bracket = UpdateBracket(*this);
    for (int i = Index + Count - 1; i >= Index; --i)
        Delete(i);
}

void TWideStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    const auto bracket = UpdateBracket(*this);
    WideString s = Get(CurIndex);
    TObject *obj = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, obj);
}

int TWideStrings::CompareStrings(const WideString &S1, const WideString &S2)
{
    return LocaleCompareText(S1, S2);
}

int TWideStrings::IndexOf(const WideString &S) const
{
    const int n = GetCount();
    for (int i = 0; i < n; ++i)
        if (CompareStrings(Get(i), S) == 0)
            return i;
    return -1;
}

WideString TWideStrings::GetTextStr() const
{
    const int n = GetCount();
    size_t total = 0;
    for (int i = 0; i < n; ++i)
        total += Get(i).size() + 2;
    WideString text;
    text.resize(total);
    WideChar *p = text.data();
    for (int i = 0; i < n; ++i) {
        const TWideLine s = Get(i);
        if (!s.empty())
            std::memcpy(p, s.data(), s.size() * sizeof(WideChar));
        p += s.size();
        *p++ = 13;
        *p++ = 10;
    }
    return text;
}

TWideBuffer TWideStrings::GetText() const
{
    const WideString text = GetTextStr();
    TWideBuffer buf = StrAllocW(text.size() + 1);
    if (!text.empty())
        std::memcpy(buf.get(), text.data(), text.size() * sizeof(WideChar));
    return buf;
}

void TWideStrings::SetTextStr(const WideString &Text)
{
    SetTextBuffer(Text.data(), Text.size());
}

void TWideStrings::SetText(const WideChar *Text)
{
    SetTextBuffer(Text, Text ? StrLenW(Text) : 0);
}

void TWideStrings::SetTextBuffer(const WideChar *Text, size_t Length)
{
    const auto bracket = UpdateBracket(*this);
    Clear();
    if (Length == 0)
        return;
    // Count the lines first so the array is sized once.
    size_t lines = 0;
    for (size_t i = 0; i < Length;) {
        i += FindLineBreak(Text + i, Length - i);
        ++lines;
        if (i < Length) {
            if (Text[i] == 13 && i + 1 < Length && Text[i + 1] == 10)
                ++i;
            ++i;
        }
    }
    if (lines > size_t(INT_MAX))
        throw EStringListError("Text has too many lines");
    if (GetCapacity() < int(lines))
        SetCapacity(int(lines));
    ReserveLineText(Length + lines);
    TScopeGuard endReservation([this] { ReserveLineText(0); });
    WideString line;
    for (size_t i = 0; i < Length;) {
        const size_t run = FindLineBreak(Text + i, Length - i);
        line.assign(Text + i, run);
        Add(line);
        i += run;
        if (i < Length) {
            if (Text[i] == 13 && i + 1 < Length && Text[i + 1] == 10)
                ++i;
            ++i;
        }
    }
}

namespace {

constexpr size_t kLoadBlock = 1 << 20; // bytes read at a time

// Where the lines of a load stand between its blocks: whether characters follow the last break, a CR
// that ended the last block (an LF may follow it in the next), the first break's kind and whether the
// text so far ends with a break.
struct TSplitState {
    bool Open = false;
    bool SkipLF = false;
    int Style = -1;
    bool EndsWithBreak = false;
    int FinalStyle() const { return Style < 0 && SkipLF ? lbCR : Style; }
};

// Writes the lines of a load into its block: each line's characters, then a zero.
struct TTextWriter {
    TLoadedText &Text;
    size_t Used = 0, LineStart = 0;
    WideChar *At() const { return Text.Block.get() + Used; }
    // After the first block (Read of Total units read): room for the lines the whole text will have
    // if the rest is like it, so that the line array is not grown (and copied) over and over.
    void Expect(int64_t Read, int64_t Total)
    {
        if (Read > 0 && Read < Total)
            Text.Lines.reserve(size_t(double(Text.Lines.size()) * double(Total) / double(Read) * 1.02) + 64);
    }
    void EndLine()
    {
        Text.Block[Used] = 0;
        Text.Lines.push_back(TWideLineItem{Text.Block.get() + LineStart, uint32_t(Used - LineStart), false, nullptr});
        LineStart = ++Used;
    }
};

// Splits a block of an 8-bit text's bytes, or of UTF-16 characters, into lines as SetTextStr does:
// CR LF (also across two blocks), CR and LF each end a line; a break at the very end adds no empty
// line. The breaks are found on the bytes themselves (they are the same bytes in every 8-bit
// encoding we read); Decode(p, n, dst) writes the characters of the n units before a break and
// returns how many it wrote, and AtBreak() is told of each break first.
template <class TUnit, class TDecode, class TAtBreak>
void SplitBlock(const TUnit *p, size_t n, TSplitState &s, TTextWriter &w, TDecode &&Decode, TAtBreak &&AtBreak)
{
    size_t i = 0;
    if (s.SkipLF && n > 0) {
        s.SkipLF = false;
        if (s.Style < 0)
            s.Style = p[0] == 10 ? lbCRLF : lbCR;
        if (p[0] == 10)
            i = 1;
    }
    while (i < n) {
        const size_t run = FindLineBreak(p + i, n - i);
        if (run > 0) {
            w.Used += Decode(p + i, run, w.At());
            s.Open = true;
        }
        i += run;
        if (i == n) {
            s.EndsWithBreak = false; // the line goes on in the next block
            return;
        }
        AtBreak();
        w.EndLine();
        s.Open = false;
        if (s.Style < 0 && p[i] == 10)
            s.Style = lbLF;
        if (p[i] == 13) {
            if (i + 1 < n) {
                if (s.Style < 0)
                    s.Style = p[i + 1] == 10 ? lbCRLF : lbCR;
                if (p[i + 1] == 10)
                    ++i;
            } else {
                s.SkipLF = true;
            }
        }
        ++i;
        s.EndsWithBreak = true;
    }
}

// Reads Bytes bytes of an 8-bit text from Start into Text: as UTF-8 through Reader, or as
// Windows-1252 without one. With a reader it stops at the first block that is not well-formed UTF-8
// and returns false. Throws EReadError on a short read.
bool ReadEightBit(TStream &Stream, int64_t Start, int64_t Bytes, TLoadedText &Text, TSplitState &Split,
                  TUtf8Reader *Reader)
{
    Stream.Seek(Start, soBeginning);
    TTextWriter w{Text};
    std::vector<uint8_t> block(size_t(std::min<int64_t>(Bytes, int64_t(kLoadBlock))));
    auto decode = [Reader](const uint8_t *p, size_t n, WideChar *dst) {
        if (Reader)
            return Reader->Decode(p, n, dst);
        AnsiToWideBlock(p, n, dst);
        return n;
    };
    auto atBreak = [Reader] {
        if (Reader)
            Reader->EndOfSequence();
    };
    for (int64_t left = Bytes; left > 0;) {
        const size_t part = size_t(std::min<int64_t>(left, int64_t(block.size())));
        Stream.ReadBuffer(block.data(), int64_t(part));
        left -= int64_t(part);
        SplitBlock(block.data(), part, Split, w, decode, atBreak);
        if (Reader && !Reader->Valid())
            return false;
        if (left + int64_t(part) == Bytes)
            w.Expect(int64_t(part), Bytes);
    }
    if (Reader)
        Reader->EndOfSequence();
    if (Split.Open)
        w.EndLine();
    return !Reader || Reader->Valid();
}

// Reads a UTF-16 text of Bytes bytes from Start into Text, two bytes a character in the file's
// order; an odd last byte belongs to no character and is dropped (but read).
void ReadUtf16(TStream &Stream, int64_t Start, int64_t Bytes, bool SwapBytes, TLoadedText &Text, TSplitState &Split)
{
    Stream.Seek(Start, soBeginning);
    TTextWriter w{Text};
    std::vector<WideChar> block(size_t(std::min<int64_t>(Bytes / 2, int64_t(kLoadBlock / 2))));
    auto copy = [](const WideChar *p, size_t n, WideChar *dst) {
        std::memcpy(dst, p, n * sizeof(WideChar));
        return n;
    };
    for (int64_t left = Bytes / 2; left > 0;) {
        const size_t part = size_t(std::min<int64_t>(left, int64_t(block.size())));
        Stream.ReadBuffer(block.data(), int64_t(part * sizeof(WideChar)));
        left -= int64_t(part);
        if (SwapBytes)
            SwapBytesBlock(block.data(), part); // every character, zeros included
        SplitBlock(block.data(), part, Split, w, copy, [] {});
        if (left + int64_t(part) == Bytes / 2)
            w.Expect(int64_t(part), Bytes / 2);
    }
    if (Bytes & 1) {
        uint8_t odd;
        Stream.ReadBuffer(&odd, 1);
    }
    if (Split.Open)
        w.EndLine();
}

} // namespace

void TWideStrings::LoadFromStream(TStream &Stream)
{
    const auto bracket = UpdateBracket(*this);
    const int64_t pos = Stream.GetPosition();
    const int64_t size = Stream.GetSize();
    const int64_t n = (pos >= 0 && size > pos) ? size - pos : 0;
    if (n > kMaxTextFileBytes)
        throw ETextTooLarge("The file is too large to open (" + std::to_string(n / (1024 * 1024)) + " MB; at most " +
                            std::to_string(kMaxTextFileBytes / (1024 * 1024)) + " MB can be opened).");
    // The head holds the byte-order mark and, for a page, the character set it names.
    uint8_t head[kCharsetPrescanBytes] = {};
    const int64_t headCount = std::min<int64_t>(n, int64_t(sizeof head));
    Stream.ReadBuffer(head, headCount);
    const uint16_t mark = headCount >= 2 ? uint16_t(head[0] | (head[1] << 8)) : 0;
    const bool unicode = mark == 0xFEFF || mark == 0xFFFE;
    const bool swap = unicode && ((mark == 0xFFFE) != (std::endian::native == std::endian::big));
    const bool utf8Mark = headCount >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF;

    // The lines are read into a text of their own and go into the list only when the whole stream
    // is read, so that a short or unreadable stream leaves the list as it was.
    TLoadedText text;
    TSplitState split;
    bool utf8 = false;
    try {
        // Each line's zero takes the place of its break, which is at least one byte (or character),
        // and no character takes fewer bytes than one: the text fits in as many characters as the
        // file has bytes (UTF-16: characters), and one more for a last line without a break.
        const int64_t body = unicode ? n - 2 : n;
        text.Block = AllocateLargeBlock<WideChar>(size_t(unicode ? body / 2 : body) + 1);
        if (unicode) {
            ReadUtf16(Stream, pos + 2, body, swap, text, split);
        } else {
            // Read as UTF-8 (after its mark) while the bytes are well-formed; a text that is not is
            // read again from its first byte as Windows-1252, the mark's bytes included. Valid UTF-8
            // that is not plain ASCII (or that carries the mark) is taken as UTF-8, and so is plain
            // ASCII that names UTF-8 as its character set, so that what is typed into it later is
            // saved as the page says; plain ASCII reads the same either way. The bytes decide over
            // the declaration: a page that is not plain ASCII is read as what its bytes are.
            TUtf8Reader reader;
            const int skip = utf8Mark ? 3 : 0;
            if (ReadEightBit(Stream, pos + skip, body - skip, text, split, &reader)) {
                utf8 = reader.NonAscii() || utf8Mark || FindDeclaredCharset(head, size_t(headCount)) == dcUtf8;
            } else {
                text.Lines.clear();
                split = TSplitState();
                ReadEightBit(Stream, pos, body, text, split, nullptr);
            }
        }
    } catch (const std::bad_alloc &) {
        Clear(); // the old text goes as well: memory is short
        throw;
    }
    if (text.Lines.size() > size_t(INT_MAX))
        throw EStringListError("Text has too many lines");

    Clear();
    // A failure from here on (memory) leaves no half text behind.
    TScopeGuard emptyOnFailure([this] { Clear(); });
    AddLoadedLines(text);
    emptyOnFailure.Dismiss();
    FEncoding = unicode ? ((mark == 0xFEFF) ? teUtf16LE : teUtf16BE) : utf8 ? teUtf8 : teAnsi;
    FByteOrderMark = unicode || (utf8 && utf8Mark);
    const int style = split.FinalStyle();
    FLineBreakStyle = style < 0 ? lbLF : TLineBreakStyle(style);
    FFinalLineBreak = split.EndsWithBreak || GetCount() == 0;
}

void TWideStrings::AddLoadedLines(TLoadedText &Text)
{
    const size_t lines = Text.Lines.size();
    if (lines == 0)
        return;
    if (GetCapacity() < GetCount() + int(lines))
        SetCapacity(GetCount() + int(lines));
    size_t characters = 0;
    for (const TWideLineItem &line : Text.Lines)
        characters += line.Length + 1;
    ReserveLineText(characters);
    TScopeGuard endReservation([this] { ReserveLineText(0); });
    WideString line;
    for (size_t k = 0; k < lines; ++k) {
        line.assign(Text.Line(k));
        Add(line);
    }
}

void TWideStrings::SaveToStream(TStream &Stream)
{
    FSaved = false;
    const int count = GetCount();

    if (FEncoding == teAnsi) {
        bool lossy = false;
        for (int i = 0; i < count && !lossy; ++i) {
            const TWideLine s = Get(i);
            lossy = !IsAnsiLosslessBlock(s.data(), s.size());
        }
        if (lossy) {
            // Characters the code page cannot hold are never turned into '?' unasked: the text
            // is saved as Unicode, or not at all.
            TTextEncoding choice = teAnsi;
            if (OnEncodingLoss) {
                OnEncodingLoss(*this, choice);
            } else {
                const int answer = MessageDlg(
                    u"The text holds characters that the Windows-1252 code page cannot store. Save it as UTF-8? "
                    u"(No saves it as UTF-16, Cancel does not save it.)",
                    TMsgDlgType::mtConfirmation, mbYesNoCancel, mrYes);
                choice = answer == mrYes ? teUtf8 : answer == mrNo ? teUtf16LE : teAnsi;
            }
            if (choice == teAnsi)
                return;
            FEncoding = choice;
            FByteOrderMark = choice != teUtf8;
        }
    }

    const bool wide = FEncoding == teUtf16LE || FEncoding == teUtf16BE;
    const bool bigEndian = FEncoding == teUtf16BE;
    // Encoded in blocks of about a megabyte, so the whole text never exists twice in memory.
    constexpr size_t kBlock = 1 << 20;
    std::vector<uint8_t> out;
    out.reserve(kBlock + 64);
    auto flush = [&] {
        Stream.WriteBuffer(out.data(), int64_t(out.size()));
        out.clear();
    };
    auto putUnit = [&](WideChar c) {
        out.push_back(uint8_t(bigEndian ? c >> 8 : c));
        out.push_back(uint8_t(bigEndian ? c : c >> 8));
    };
    if (wide && FByteOrderMark)
        putUnit(0xFEFF);
    if (FEncoding == teUtf8 && FByteOrderMark)
        out.insert(out.end(), {0xEF, 0xBB, 0xBF});
    const WideString lineBreak = FLineBreakStyle == lbCRLF ? u"\r\n" : FLineBreakStyle == lbCR ? u"\r" : u"\n";
    for (int i = 0; i < count; ++i) {
        const TWideLine s = Get(i);
        size_t done = 0;
        do {
            const size_t room = kBlock - std::min(out.size(), kBlock);
            const size_t unit = wide ? 2 : FEncoding == teUtf8 ? 3 : 1;
            size_t part = std::min(s.size() - done, std::max<size_t>(room / unit, 1));
            // A surrogate pair is encoded whole: a piece that would end between its halves ends
            // before it, or takes both when the pair is all the piece would hold (near the block's
            // end), since halves encoded apart would each become U+FFFD.
            if (done + part < s.size() && IsHighSurrogate(s[done + part - 1]))
                part += part > 1 ? -1 : 1;
            const size_t at = out.size();
            if (wide) {
                if (!bigEndian && std::endian::native == std::endian::little) {
                    out.resize(at + part * 2);
                    std::memcpy(out.data() + at, s.data() + done, part * 2);
                } else {
                    for (size_t k = 0; k < part; ++k)
                        putUnit(s[done + k]);
                }
            } else if (FEncoding == teUtf8) {
                out.resize(at + part * 3 + 3);
                out.resize(at + WideToUtf8Block(s.data() + done, part, out.data() + at));
            } else {
                out.resize(at + part);
                WideToAnsiBlock(s.data() + done, part, out.data() + at);
            }
            done += part;
            if (out.size() >= kBlock)
                flush();
        } while (done < s.size());
        if (i + 1 < count || FFinalLineBreak) {
            for (WideChar c : lineBreak) {
                if (wide)
                    putUnit(c);
                else
                    out.push_back(uint8_t(c));
            }
        }
    }
    if (!out.empty())
        flush();
    FSaved = true;
}

bool TWideStrings::LoadFromFile(const AnsiString &FileName, std::unique_ptr<TFileStream> &Handle, uint16_t Mode)
{
    Handle.reset();
    {
        std::unique_ptr<TFileStream> stream;
        try {
            stream = std::make_unique<TFileStream>(FileName, Mode);
        } catch (const EStreamError &) {
            return false;
        }
        errno = 0;
        try {
            LoadFromStream(*stream);
        } catch (const ETextTooLarge &e) {
            throw ETextTooLarge("Cannot open file \"" + FileName + "\". " + e.Message());
        } catch (const EReadError &) {
            const int err = errno;
            throw EReadError("Cannot read file \"" + FileName + "\"." +
                             (err ? AnsiString(" ") + std::strerror(err) : ""));
        } catch (const std::bad_alloc &) {
            throw EReadError("Cannot open file \"" + FileName + "\". There is not enough memory for its text.");
        }
    }
    if (Mode != fmShareDenyNone) {
        try {
            Handle = std::make_unique<TFileStream>(FileName, Mode);
        } catch (const EStreamError &) {
            // The text is loaded; the file just cannot be held open any more.
        }
    }
    return true;
}

bool TWideStrings::LoadFromFile(const AnsiString &FileName)
{
    std::unique_ptr<TFileStream> handle;
    return LoadFromFile(FileName, handle, fmOpenRead | fmShareDenyNone);
}

void TWideStrings::SaveToFile(const AnsiString &FileName)
{
    // A save that does not reach the file leaves the list as it was too: an encoding chosen for
    // this save (characters Windows-1252 cannot hold) is taken only with the file.
    const TTextEncoding encoding = FEncoding;
    const bool byteOrderMark = FByteOrderMark;
    TScopeGuard restore([&] {
        FSaved = false;
        FEncoding = encoding;
        FByteOrderMark = byteOrderMark;
    });
    TAtomicSave save(FileName);
    SaveToStream(save.Stream());
    if (!FSaved)
        return; // refused: the new bytes are dropped, the file stays as it was
    FSaved = false;
    save.Commit();
    restore.Dismiss();
    FSaved = true;
}

// ======================================================================== TWideStringList

namespace {
const WideChar kNoText[1] = {0};
} // namespace

TWideStringList::~TWideStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
    ReleaseRange(0, FList.size());
}

void TWideStringList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= int(FList.size()))
        ListError(Index);
}

TWideStringList::TItem TWideStringList::Store(std::u16string_view S)
{
    if (S.empty())
        return TItem{kNoText, 0, false, nullptr};
    if (S.size() >= UINT32_MAX)
        throw EStringListError("Line too long (" + std::to_string(S.size()) + " characters)");
    const size_t need = S.size() + 1;
    WideChar *text;
    bool owned = false;
    if (need <= FBlockLeft) {
        text = FBlockNext;
        FBlockNext += need;
        FBlockLeft -= need;
        ++FBlockLines;
    } else {
        text = new WideChar[need];
        owned = true;
    }
    std::memcpy(text, S.data(), S.size() * sizeof(WideChar));
    text[S.size()] = 0;
    return TItem{text, uint32_t(S.size()), owned, nullptr};
}

void TWideStringList::Release(const TItem &Item)
{
    if (Item.Owned) {
        delete[] Item.Text;
    } else if (Item.Length > 0 && --FBlockLines == 0 && FBlockLeft == 0) {
        FBlocks.clear(); // the last line of the loaded text is gone
        FBlockNext = nullptr;
    }
}

void TWideStringList::ReleaseRange(size_t From, size_t To)
{
    for (size_t i = From; i < To; ++i)
        Release(FList[i]);
}

void TWideStringList::ReserveLineText(size_t Characters)
{
    if (Characters == 0) {
        // The reservation is over: later lines get blocks of their own, so edits never fill
        // the loaded text's block.
        FBlockLeft = 0;
        if (FBlockLines == 0) {
            FBlocks.clear();
            FBlockNext = nullptr;
        }
        return;
    }
    FBlocks.push_back(AllocateLargeBlock<WideChar>(Characters));
    FBlockNext = FBlocks.back().get();
    FBlockLeft = Characters;
}

void TWideStringList::AddLoadedLines(TLoadedText &Text)
{
    if (Text.Lines.empty())
        return;
    Changing();
    size_t inBlock = 0;
    for (TItem &item : Text.Lines) {
        if (item.Length == 0)
            item.Text = kNoText; // nothing of it in the block, which may go before it
        else
            ++inBlock;
    }
    if (FList.empty())
        FList.swap(Text.Lines);
    else
        FList.insert(FList.end(), Text.Lines.begin(), Text.Lines.end());
    // The block is freed with the last of its lines, as a reserved block is.
    if (inBlock > 0) {
        FBlocks.push_back(std::move(Text.Block));
        FBlockLines += inBlock;
    }
    Changed();
}

TWideLine TWideStringList::Get(int Index) const
{
    CheckIndex(Index);
    const TItem &item = FList[size_t(Index)];
    return TWideLine(item.Text, item.Length);
}

TObject *TWideStringList::GetObject(int Index) const
{
    CheckIndex(Index);
    return FList[size_t(Index)].Obj;
}

int TWideStringList::GetCount() const
{
    return int(FList.size());
}

int TWideStringList::GetCapacity() const
{
    return int(FList.capacity());
}

void TWideStringList::SetCapacity(int NewCapacity)
{
    if (NewCapacity < int(FList.size()))
        throw EStringListError("List capacity out of bounds (" + std::to_string(NewCapacity) + ")");
    if (size_t(NewCapacity) > FList.capacity()) {
        FList.reserve(size_t(NewCapacity));
    } else if (size_t(NewCapacity) < FList.capacity()) {
        decltype(FList) smaller;
        smaller.reserve(size_t(NewCapacity));
        smaller.assign(FList.begin(), FList.end());
        FList.swap(smaller);
    }
}

void TWideStringList::SetLanguage(uint32_t Language)
{
    TWideStrings::SetLanguage(Language);
}

void TWideStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange)
        OnChange(*this);
}

void TWideStringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(*this);
}

void TWideStringList::SetUpdateState(bool Updating)
{
    if (Updating)
        Changing();
    else
        Changed();
}

void TWideStringList::Grow()
{
    const size_t cap = FList.capacity();
    const size_t delta = cap > 64 ? cap / 4 : cap > 8 ? 16 : 4;
    FList.reserve(cap + delta);
}

void TWideStringList::InsertItem(int Index, const WideString &S)
{
    Changing();
    if (FList.size() == FList.capacity())
        Grow();
    const TItem item = Store(S);
    FList.insert(FList.begin() + Index, item); // cannot fail: there is room
    Changed();
}

int TWideStringList::Add(const WideString &S)
{
    const int index = int(FList.size());
    InsertItem(index, S);
    return index;
}

void TWideStringList::InsertStrings(int Index, const std::vector<WideString> &Lines)
{
    if (Index < 0 || Index > int(FList.size()))
        ListError(Index);
    if (Lines.empty())
        return;
    Changing();
    FList.reserve(FList.size() + Lines.size());
    std::vector<TItem> items;
    items.reserve(Lines.size());
    {
        TScopeGuard dropOnError([&] {
            for (const TItem &item : items)
                Release(item);
        });
        for (const WideString &s : Lines)
            items.push_back(Store(s));
        dropOnError.Dismiss();
    }
    FList.insert(FList.begin() + Index, items.begin(), items.end());
    Changed();
}

void TWideStringList::DeleteRange(int Index, int Count)
{
    if (Count <= 0)
        return;
    if (Index < 0 || Index > int(FList.size()) || Count > int(FList.size()) - Index)
        ListError(Index < 0 ? Index : Index + Count - 1);
    Changing();
    ReleaseRange(size_t(Index), size_t(Index) + size_t(Count));
    FList.erase(FList.begin() + Index, FList.begin() + Index + Count);
    Changed();
}

void TWideStringList::Insert(int Index, const WideString &S)
{
    if (Index < 0 || Index > int(FList.size()))
        ListError(Index);
    InsertItem(Index, S);
}

void TWideStringList::Put(int Index, const WideString &S)
{
    CheckIndex(Index);
    Changing();
    TItem &item = FList[size_t(Index)];
    TItem stored = Store(S); // S may be this very line: stored before the old text goes
    stored.Obj = item.Obj;
    Release(item);
    item = stored;
    Changed();
}

void TWideStringList::PutObject(int Index, TObject *AObject)
{
    CheckIndex(Index);
    Changing();
    FList[size_t(Index)].Obj = AObject;
    Changed();
}

void TWideStringList::Delete(int Index)
{
    CheckIndex(Index);
    Changing();
    Release(FList[size_t(Index)]);
    FList.erase(FList.begin() + Index);
    Changed();
}

void TWideStringList::Clear()
{
    if (FList.empty())
        return;
    Changing();
    ReleaseRange(0, FList.size());
    decltype(FList)().swap(FList);
    Changed();
}

void TWideStringList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(FList[size_t(Index1)], FList[size_t(Index2)]);
    Changed();
}
