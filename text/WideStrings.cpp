#include "text/WideStrings.h"
#include "platform/Prompter.h"

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

constexpr size_t kLoadBlock = 1 << 20; // bytes read and decoded at a time

// Decodes the bytes after the mark a block at a time: Windows-1252 bytes one character each, UTF-16
// two bytes each in the file's order (an odd last byte belongs to no character and is dropped).
class TBlockDecoder {
public:
    TBlockDecoder(TStream &Stream, int64_t Bytes, bool Unicode, bool SwapBytes, bool Utf8 = false)
        : FStream(Stream), FLeft(Unicode ? Bytes & ~int64_t(1) : Bytes), FOdd(Unicode && (Bytes & 1)),
          FUnicode(Unicode), FSwap(SwapBytes), FUtf8(Utf8)
    {
        FBytes.resize(size_t(std::min<int64_t>(FLeft, int64_t(kLoadBlock))));
        FChars.resize(FUnicode ? FBytes.size() / 2 : FBytes.size() + 4);
    }
    // The next block of characters; empty at the end. Throws EReadError on a short read.
    std::pair<const WideChar *, size_t> Next()
    {
        if (FLeft == 0) {
            if (FOdd) {
                uint8_t odd;
                FStream.ReadBuffer(&odd, 1);
                FOdd = false;
            }
            return {nullptr, 0};
        }
        const size_t part = size_t(std::min<int64_t>(FLeft, int64_t(FBytes.size())));
        FLeft -= int64_t(part);
        if (FUnicode) {
            FStream.ReadBuffer(FChars.data(), int64_t(part));
            if (FSwap)
                SwapBytesBlock(FChars.data(), part / 2); // every character, zeros included
            return {FChars.data(), part / 2};
        }
        FStream.ReadBuffer(FBytes.data(), int64_t(part));
        if (FUtf8)
            return {FChars.data(), FUtf8Decoder.Decode(FBytes.data(), part, FLeft == 0, FChars.data())};
        AnsiToWideBlock(FBytes.data(), part, FChars.data());
        return {FChars.data(), part};
    }

private:
    TStream &FStream;
    int64_t FLeft;
    bool FOdd;
    bool FUnicode, FSwap, FUtf8;
    TUtf8Decoder FUtf8Decoder;
    std::vector<uint8_t> FBytes;
    std::vector<WideChar> FChars;
};

// Splits characters fed in blocks into lines as SetTextStr does: CR LF (also across two blocks), CR
// and LF each end a line; a break at the very end adds no empty line. Without OnLine it only counts
// the lines and measures the longest: it then also reads the bytes of an 8-bit text, whose breaks
// are the same bytes in every encoding (a line's length is then its bytes, at least its characters).
template <class Char>
class TLineSplitter {
public:
    using TLine = std::basic_string<Char>;
    explicit TLineSplitter(std::function<void(const TLine &)> OnLine = nullptr, size_t Longest = 0)
        : FOnLine(std::move(OnLine)), FLongest(Longest)
    {
    }
    void Feed(const Char *p, size_t n)
    {
        size_t i = 0;
        if (FSkipLF && n > 0) {
            FSkipLF = false;
            if (p[0] == 10)
                i = 1;
            if (FStyle < 0)
                FStyle = p[0] == 10 ? lbCRLF : lbCR;
        }
        while (i < n) {
            const size_t run = FindLineBreak(p + i, n - i);
            if (i + run == n) {
                Append(p + i, run); // the line goes on in the next block
                FEndsWithBreak = false;
                return;
            }
            if (FOpen) {
                Append(p + i, run);
                Emit(FPending, FOpenLength);
                FPending.clear();
                FOpen = false;
            } else if (FOnLine) {
                FLine.assign(p + i, run);
                Emit(FLine, run);
            } else {
                Emit(FLine, run);
            }
            i += run;
            if (FStyle < 0 && p[i] == 10)
                FStyle = lbLF;
            if (p[i] == 13) {
                if (i + 1 < n) {
                    if (FStyle < 0)
                        FStyle = p[i + 1] == 10 ? lbCRLF : lbCR;
                    if (p[i + 1] == 10)
                        ++i;
                } else {
                    FSkipLF = true;
                }
            }
            ++i;
            FEndsWithBreak = true;
        }
    }
    // The first CR LF, LF or CR break of the text (-1: none), and whether the text ended
    // with a break.
    int Style() const { return FStyle < 0 && FSkipLF ? lbCR : FStyle; }
    bool EndsWithBreak() const { return FEndsWithBreak; }
    void Finish()
    {
        if (FOpen)
            Emit(FPending, FOpenLength);
        FPending = TLine();
        FOpen = false;
    }
    size_t Lines() const { return FLines; }
    size_t Longest() const { return FLongest; }
    size_t Characters() const { return FCharacters; }

private:
    void Append(const Char *p, size_t n)
    {
        if (!FOpen)
            FOpenLength = 0;
        FOpen = true;
        FOpenLength += n;
        if (!FOnLine)
            return;
        if (FPending.capacity() < FLongest)
            FPending.reserve(FLongest); // one allocation for a line over many blocks
        FPending.append(p, n);
    }
    void Emit(const TLine &line, size_t length)
    {
        ++FLines;
        FCharacters += length;
        FLongest = std::max(FLongest, length);
        if (FOnLine)
            FOnLine(line);
    }

    std::function<void(const TLine &)> FOnLine;
    size_t FLongest;
    TLine FPending, FLine;
    size_t FOpenLength = 0;
    size_t FLines = 0;
    size_t FCharacters = 0;
    bool FOpen = false; // characters after the last break
    bool FSkipLF = false; // the last block ended in CR
    int FStyle = -1;
    bool FEndsWithBreak = false;
};

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
    // An 8-bit file's first bytes are text too (a UTF-8 mark is dropped only when the rest is
    // UTF-8 as well).
    int64_t bodyStart = unicode ? pos + 2 : pos;
    int64_t body = unicode ? n - 2 : n;

    // The text is read twice, a block at a time, and never held whole: first the lines are counted
    // and an 8-bit text is checked for UTF-8, so the list is sized once (a short or unreadable
    // stream fails here, with the list unchanged); then each line goes into the list as soon as its
    // end is read. The first reading of an 8-bit text looks at its bytes only: it decodes nothing.
    size_t lines = 0, longest = 0, characters = 0;
    TUtf8Check check;
    int style = -1;
    bool endsWithBreak = false;
    auto takeCounts = [&](auto &counter) {
        counter.Finish();
        lines = counter.Lines();
        longest = counter.Longest();
        characters = counter.Characters();
        style = counter.Style();
        endsWithBreak = counter.EndsWithBreak();
    };
    Stream.Seek(bodyStart, soBeginning);
    if (unicode) {
        TBlockDecoder decoder(Stream, body, unicode, swap);
        TLineSplitter<WideChar> counter;
        for (auto [p, count] = decoder.Next(); count > 0; std::tie(p, count) = decoder.Next())
            counter.Feed(p, count);
        takeCounts(counter);
    } else {
        std::vector<uint8_t> block(size_t(std::min<int64_t>(body, int64_t(kLoadBlock))));
        TLineSplitter<uint8_t> counter;
        for (int64_t left = body; left > 0;) {
            const size_t part = size_t(std::min<int64_t>(left, int64_t(block.size())));
            Stream.ReadBuffer(block.data(), int64_t(part));
            left -= int64_t(part);
            check.Feed(block.data(), part);
            counter.Feed(block.data(), part);
        }
        takeCounts(counter);
    }
    // Valid UTF-8 that is not plain ASCII (or that carries the mark) is read as UTF-8, and so is
    // plain ASCII that names UTF-8 as its character set, so that what is typed into it later is
    // saved as the page says; any other 8-bit text as Windows-1252. The bytes decide over the
    // declaration: a page that is not plain ASCII is read as what its bytes are.
    const bool utf8 = !unicode && check.Valid() &&
                      (check.NonAscii() || utf8Mark ||
                       FindDeclaredCharset(head, size_t(headCount)) == dcUtf8);
    if (utf8 && utf8Mark) {
        bodyStart += 3;
        body -= 3;
        if (lines > 0 && n == 3)
            lines = 0;
    }
    if (lines > size_t(INT_MAX))
        throw EStringListError("Text has too many lines");

    Stream.Seek(bodyStart, soBeginning);
    Clear();
    // A failure from here on (memory, a file changed under us) leaves no half text behind.
    TScopeGuard emptyOnFailure([this] { Clear(); });
    if (GetCapacity() < int(lines))
        SetCapacity(int(lines));
    // The lines' characters fit in what was counted (UTF-8 decodes to fewer characters than bytes).
    ReserveLineText(characters + lines);
    TScopeGuard endReservation([this] { ReserveLineText(0); });
    TBlockDecoder decoder(Stream, body, unicode, swap, utf8);
    TLineSplitter<WideChar> splitter([this](const WideString &line) { Add(line); }, longest);
    for (auto [p, count] = decoder.Next(); count > 0; std::tie(p, count) = decoder.Next())
        splitter.Feed(p, count);
    splitter.Finish();
    emptyOnFailure.Dismiss();
    FEncoding = unicode ? ((mark == 0xFEFF) ? teUtf16LE : teUtf16BE) : utf8 ? teUtf8 : teAnsi;
    FByteOrderMark = unicode || (utf8 && utf8Mark);
    FLineBreakStyle = style < 0 ? lbLF : TLineBreakStyle(style);
    FFinalLineBreak = endsWithBreak || GetCount() == 0;
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
            // A surrogate pair is encoded whole.
            if (part > 1 && done + part < s.size() && s[done + part - 1] >= 0xD800 && s[done + part - 1] < 0xDC00)
                --part;
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
    TAtomicSave save(FileName);
    SaveToStream(save.Stream());
    if (!FSaved)
        return; // refused: the new bytes are dropped, the file stays as it was
    FSaved = false;
    save.Commit();
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
