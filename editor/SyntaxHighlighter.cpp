#include "editor/SyntaxHighlighter.h"

#include "platform/StringList.h"
#include "platform/SysUtils.h"
#include <algorithm>

// ---- TWindowList

void TWindowList::AddEditor(ISyntaxHighlighterClient *Editor)
{
    if (!Editor || std::find(FItems.begin(), FItems.end(), Editor) != FItems.end())
        return;
    FItems.push_back(Editor);
}

void TWindowList::RemoveEditor(ISyntaxHighlighterClient *Editor)
{
    auto it = std::find(FItems.begin(), FItems.end(), Editor);
    if (it != FItems.end())
        FItems.erase(it);
}

void TWindowList::InvalidateAll() const
{
    // A copy, so an editor that leaves the list while repainting does not upset the loop.
    const std::vector<ISyntaxHighlighterClient *> items = FItems;
    for (ISyntaxHighlighterClient *e : items)
        e->Invalidate();
}

ISyntaxHighlighterClient *TWindowList::Items(int Index) const
{
    return Index >= 0 && Index < Count() ? FItems[size_t(Index)] : nullptr;
}

// ---- THighlightLine

void THighlightLine::Assign(const WideChar *Text, int Length, int From, int Horizon)
{
    if (!Text || Length < 0)
        Length = 0;
    FText = Text;
    FLength = Length;
    FAssigned = true;
    From = std::clamp(From, 0, Length);
    FConvertedFrom = FConverted = From;
    FHorizon = std::max(From, Horizon);
    FSawEnd = Horizon > Length;
    if (FBytes.size() < size_t(Length) + 1)
        FBytes.resize(size_t(Length) + 1);
    FBytes[size_t(Length)] = 0;
}

unsigned char THighlightLine::Fetch(int Index) const
{
    if (Index < 0)
        return 0;
    if (Index >= FLength) {
        FSawEnd = true;
        return 0;
    }
    // Forwards in pieces of 4 K characters (a scan reads on, byte after byte); backwards (a
    // look at the characters before a checkpoint) as far as asked.
    constexpr int Piece = 4096;
    unsigned char *out = FBytes.data();
    auto convert = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const WideChar c = FText[i];
            out[i] = c >= 0x100 ? 0x80 : c == 0 ? 0x01 : (unsigned char)c;
        }
    };
    if (Index < FConvertedFrom) {
        convert(Index, FConvertedFrom);
        FConvertedFrom = Index;
    } else {
        const int to = std::min(FLength, std::max(Index + 1, FConverted + Piece));
        convert(FConverted, to);
        FConverted = to;
    }
    return out[Index];
}

// ---- TSyntaxHighlighter

TSyntaxHighlighter::TSyntaxHighlighter() = default;

TSyntaxHighlighter::~TSyntaxHighlighter()
{
    const std::vector<TSyntaxHighlighter *> others = FFreeNotifies;
    FFreeNotifies.clear();
    for (TSyntaxHighlighter *o : others) {
        auto &theirs = o->FFreeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        o->Notification(this);
    }
    for (int i = FWindowList.Count() - 1; i >= 0; --i)
        FWindowList.Items(i)->HighlighterDestroyed(this);
}

TSyntaxHighlighter::TIdentChars TSyntaxHighlighter::GetIdentChars() const
{
    TIdentChars set;
    for (int c = 33; c <= 255; ++c)
        set.set(size_t(c));
    return set;
}

bool TSyntaxHighlighter::SaveCheckpoint(THighlightCheckpoint &) const
{
    return false;
}

bool TSyntaxHighlighter::ResumeLine(const WideChar *, int, const THighlightCheckpoint &)
{
    return false;
}

uint8_t TSyntaxHighlighter::GetCapability() const
{
    return 0;
}

AnsiString TSyntaxHighlighter::GetDefaultFilter() const
{
    return FDefaultFilter;
}

void TSyntaxHighlighter::SetDefaultFilter(const AnsiString &Value)
{
    if (Value != FDefaultFilter)
        FDefaultFilter = Value;
}

void TSyntaxHighlighter::AssignAttributes(const TSyntaxHighlighter &Source)
{
    for (int i = 0; i < Source.GetAttribCount(); ++i) {
        const THighlightAttributes *src = Source.GetAttribute(i);
        if (!src)
            continue;
        for (int j = 0; j < GetAttribCount(); ++j) {
            THighlightAttributes *dst = GetAttribute(j);
            if (dst && SameText(dst->Name(), src->Name()))
                dst->Assign(*src);
        }
    }
    FWindowList.InvalidateAll();
}

bool TSyntaxHighlighter::UseUserSettings(int)
{
    return false;
}

void TSyntaxHighlighter::EnumUserSettings(TStrings &List)
{
    List.Clear();
}

void TSyntaxHighlighter::FreeNotification(TSyntaxHighlighter *Other)
{
    if (!Other || Other == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), Other) == FFreeNotifies.end())
        FFreeNotifies.push_back(Other);
    auto &theirs = Other->FFreeNotifies;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
}

void TSyntaxHighlighter::RemoveFreeNotification(TSyntaxHighlighter *Other)
{
    if (!Other)
        return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), Other), FFreeNotifies.end());
    auto &theirs = Other->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TSyntaxHighlighter::Notification(TSyntaxHighlighter *)
{
}

void TSyntaxHighlighter::WatchAttribute(THighlightAttributes &Attributes)
{
    Attributes.OnChange = [this](THighlightAttributes *) { FWindowList.InvalidateAll(); };
}

void TSyntaxHighlighter::FillColors(TTokenInfo &Info, const THighlightAttributes &Attributes)
{
    Info.Background = ResolveHighlightColor(Attributes.Background());
    Info.Foreground = ResolveHighlightColor(Attributes.Foreground());
    Info.Style = Attributes.Style();
}
