#include "images/GIFTypes.h"

#include "images/GIFExtensions.h"
#include "images/GIFImage.h"
#include "images/GIFSubImage.h"
#include "platform/AtomicSave.h"

#include <algorithm>
#include <cstring>
#include <functional>

void GIFError(const AnsiString &Message)
{
    throw GIFException(Message);
}

void ReadCheck(TStream &Stream, void *Buffer, int64_t Count)
{
    if (Count > 0 && Stream.Read(Buffer, Count) != Count)
        GIFError("Premature end of data");
}

bool TryReadByte(TStream &Stream, uint8_t &Value)
{
    return Stream.Read(&Value, 1) == 1;
}

uint8_t ReadByte(TStream &Stream)
{
    uint8_t b = 0;
    Stream.Read(&b, 1);
    return b;
}

void WriteByte(TStream &Stream, uint8_t Value)
{
    Stream.WriteBuffer(&Value, 1);
}

void WriteStrings(TStream &Stream, const std::vector<AnsiString> &Strings)
{
    for (const AnsiString &s : Strings)
        for (size_t at = 0; at < s.size(); at += 255) {
            const size_t n = std::min<size_t>(255, s.size() - at);
            WriteByte(Stream, uint8_t(n));
            Stream.WriteBuffer(s.data() + at, int64_t(n));
        }
    WriteByte(Stream, 0);
}

void ReadStrings(TStream &Stream, std::vector<AnsiString> &Strings)
{
    Strings.clear();
    uint8_t size = 0;
    while (TryReadByte(Stream, size) && size != 0) {
        char buffer[256];
        ReadCheck(Stream, buffer, size);
        Strings.emplace_back(buffer, strnlen(buffer, size));
    }
}

int ColorsToBits(int N)
{
    if (N <= 0)
        return 0;
    int b = 1;
    while ((1 << b) < N)
        ++b;
    return b;
}

// ---- TGIFItem

void TGIFItem::Warning(uint8_t Severity, const AnsiString &Message)
{
    if (FImage)
        FImage->Warning(this, Severity, Message);
}

void TGIFItem::SaveToFile(const AnsiString &FileName)
{
    TAtomicSave::SaveFile(FileName, [this](TStream &File) { SaveToStream(File); });
}

void TGIFItem::LoadFromFile(const AnsiString &FileName)
{
    TFileStream s(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(s);
}

// ---- TGIFColorMap

void TGIFColorMap::Clear()
{
    FEntries.clear();
    FCapacity = 0;
    FCount = 0;
    FOptimized = false;
}

void TGIFColorMap::SetCapacity(int N)
{
    if (N < FCapacity)
        return;
    FCapacity = N <= 16 ? 16 : std::min(256, (N + 31) / 32 * 32);
    FEntries.resize(size_t(FCapacity), TEntry{0, 0, 0});
}

int TGIFColorMap::Add(TColor Color)
{
    if (FCount > 255)
        GIFError("Color table overflow");
    if (FCount >= FCapacity)
        SetCapacity(FCount + 1);
    FEntries[size_t(FCount)] = {uint8_t(Color), uint8_t(Color >> 8), uint8_t(Color >> 16)};
    ++FCount;
    FOptimized = false;
    Changed();
    return FCount - 1;
}

int TGIFColorMap::AddUnique(TColor Color)
{
    const int i = IndexOf(Color);
    return i >= 0 ? i : Add(Color);
}

int TGIFColorMap::IndexOf(TColor Color) const
{
    const TEntry e = {uint8_t(Color), uint8_t(Color >> 8), uint8_t(Color >> 16)};
    if (FOptimized) {
        for (int i = 0; i < FCount; ++i)
            if (FEntries[size_t(i)] == e)
                return i;
    } else {
        for (int i = FCount - 1; i >= 0; --i)
            if (FEntries[size_t(i)] == e)
                return i;
    }
    return -1;
}

void TGIFColorMap::Delete(int Index)
{
    if (Index < 0 || Index >= FCount)
        GIFError("Invalid color index");
    FEntries.erase(FEntries.begin() + Index);
    FEntries.push_back({0, 0, 0});
    --FCount;
    FOptimized = false;
    Changed();
}

TColor TGIFColorMap::Colors(int Index)
{
    if (Index < 0 || Index >= FCount) {
        Warning(1, "Invalid color index");
        if (FCount == 0)
            GIFError("Color table is empty");
        Index = 0;
    }
    const TEntry &e = FEntries[size_t(Index)];
    return RGBToColor(e[0], e[1], e[2]);
}

void TGIFColorMap::SaveToStream(TStream &Stream) const
{
    if (FCount == 0)
        return;
    for (int i = 0; i < FCount; ++i)
        Stream.WriteBuffer(FEntries[size_t(i)].data(), 3);
    const uint8_t zero[3] = {0, 0, 0};
    for (int i = FCount; i < (1 << BitsPerPixel()); ++i)
        Stream.WriteBuffer(zero, 3);
}

void TGIFColorMap::LoadFromStream(TStream &Stream, int Count)
{
    Clear();
    SetCapacity(Count);
    ReadCheck(Stream, FEntries.data(), int64_t(Count) * 3);
    FCount = Count;
}

void TGIFColorMap::ImportPalette(const TPalette &Palette)
{
    Clear();
    if (Palette.empty())
        return;
    const int n = int(std::min<size_t>(Palette.size(), 256));
    SetCapacity(n);
    for (int i = 0; i < n; ++i)
        FEntries[size_t(i)] = {Palette[size_t(i)].peRed, Palette[size_t(i)].peGreen, Palette[size_t(i)].peBlue};
    FCount = n;
    Changed();
}

TPalette TGIFColorMap::ExportPalette() const
{
    TPalette p;
    for (int i = 0; i < FCount; ++i)
        p.push_back({FEntries[size_t(i)][0], FEntries[size_t(i)][1], FEntries[size_t(i)][2], PC_NOCOLLAPSE});
    return p;
}

void TGIFColorMap::Assign(const TGIFColorMap &Source)
{
    if (&Source == this)
        return;
    Clear();
    FCapacity = Source.FCapacity;
    FCount = Source.FCount;
    FOptimized = Source.FOptimized;
    FEntries = Source.FEntries;
    FEntries.resize(size_t(FCapacity), TEntry{0, 0, 0});
    Changed();
}

bool TGIFColorMap::DoOptimize()
{
    if (FCount <= 1)
        return false;
    FOptimized = true;
    std::array<TGIFHistogramEntry, 256> h{};
    BuildHistogram(h);
    // Quicksort by decreasing count, pivot in the middle (the order of equal counts is the sort's).
    std::function<void(int, int)> sort = [&](int Lo, int Hi) {
        int i = Lo, j = Hi;
        const int pivot = h[size_t((Lo + Hi) / 2)].Count;
        do {
            while (h[size_t(i)].Count > pivot)
                ++i;
            while (h[size_t(j)].Count < pivot)
                --j;
            if (i <= j) {
                std::swap(h[size_t(i)], h[size_t(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (Lo < j)
            sort(Lo, j);
        if (i < Hi)
            sort(i, Hi);
    };
    sort(0, FCount - 1);
    bool moved = false;
    for (int i = 0; i < FCount; ++i)
        moved = moved || h[size_t(i)].Index != i;
    if (!moved)
        return true;
    std::array<uint8_t, 256> map{};
    for (int i = 0; i < 256; ++i)
        map[size_t(i)] = uint8_t(i);
    for (int i = 0; i < FCount; ++i)
        map[size_t(h[size_t(i)].Index)] = uint8_t(i);
    MapImages(map);
    const std::vector<TEntry> old = FEntries;
    for (int i = 0; i < FCount; ++i)
        FEntries[map[size_t(i)]] = old[size_t(i)];
    for (int i = 0; i < FCount; ++i)
        if (h[size_t(i)].Count == 0) {
            FCount = i;
            break;
        }
    Changed();
    return true;
}

// ---- the two owners' tables

void TGIFGlobalColorMap::Warning(uint8_t Severity, const AnsiString &Message)
{
    if (FHeader->Image())
        FHeader->Image()->Warning(FHeader, Severity, Message);
}

void TGIFGlobalColorMap::BuildHistogram(std::array<TGIFHistogramEntry, 256> &H)
{
    for (int i = 0; i < 256; ++i)
        H[size_t(i)] = {0, i};
    TGIFImage *img = FHeader->Image();
    if (!img)
        return;
    for (int f = 0; f < img->Count(); ++f) {
        TGIFSubImage &s = img->Frame(f);
        if (&s.ActiveColorMap() != this)
            continue;
        for (uint8_t p : s.Data)
            ++H[p].Count;
    }
}

void TGIFGlobalColorMap::MapImages(const std::array<uint8_t, 256> &Map)
{
    TGIFImage *img = FHeader->Image();
    if (!img)
        return;
    for (int f = 0; f < img->Count(); ++f) {
        TGIFSubImage &s = img->Frame(f);
        if (&s.ActiveColorMap() != this)
            continue;
        for (uint8_t &p : s.Data)
            p = Map[p];
        if (s.Transparent && s.GraphicControlExtension)
            s.GraphicControlExtension->TransparentColorIndex = Map[s.GraphicControlExtension->TransparentColorIndex];
    }
}

bool TGIFGlobalColorMap::Optimize()
{
    TGIFImage *img = FHeader->Image();
    if (!img || img->Count() == 0)
        return false;
    return DoOptimize();
}

void TGIFGlobalColorMap::Changed()
{
    if (FHeader->Image())
        FHeader->Image()->Changed();
}

void TGIFLocalColorMap::Warning(uint8_t Severity, const AnsiString &Message)
{
    if (FSubImage->Image())
        FSubImage->Image()->Warning(FSubImage, Severity, Message);
}

void TGIFLocalColorMap::BuildHistogram(std::array<TGIFHistogramEntry, 256> &H)
{
    for (int i = 0; i < 256; ++i)
        H[size_t(i)] = {0, i};
    for (uint8_t p : FSubImage->Data)
        ++H[p].Count;
}

void TGIFLocalColorMap::MapImages(const std::array<uint8_t, 256> &Map)
{
    for (uint8_t &p : FSubImage->Data)
        p = Map[p];
    if (FSubImage->Transparent && FSubImage->GraphicControlExtension)
        FSubImage->GraphicControlExtension->TransparentColorIndex =
            Map[FSubImage->GraphicControlExtension->TransparentColorIndex];
}

void TGIFLocalColorMap::Changed()
{
    FSubImage->ColorMapChanged();
}

// ---- TGIFHeader

TGIFHeader::TGIFHeader(TGIFImage *Image) : TGIFItem(Image), ColorMap(*this)
{
    Clear();
}

void TGIFHeader::Clear()
{
    ColorMap.Clear();
    Width = Height = 0;
    Flags = BackgroundColorIndex = AspectRatio = 0;
}

void TGIFHeader::Assign(const TGIFHeader &Source)
{
    ColorMap.Assign(Source.ColorMap);
    Width = Source.Width;
    Height = Source.Height;
    Flags = Source.Flags;
    BackgroundColorIndex = Source.BackgroundColorIndex;
    AspectRatio = Source.AspectRatio;
}

TGIFVersion TGIFHeader::GetVersion() const
{
    return ColorMap.Optimized() || AspectRatio != 0 ? gv89a : gv87a;
}

uint8_t TGIFHeader::Prepare()
{
    uint8_t f = 0;
    if (ColorMap.Count() > 0) {
        f |= 0x80;
        if (ColorMap.Optimized())
            f |= 0x08;
    }
    const int resolution = FImage ? FImage->MaxColorResolution() : ColorResolution();
    f |= uint8_t((std::max(resolution, 0) << 4) & 0x70);
    const int bits = ColorMap.Count() > 0 ? ColorMap.BitsPerPixel() : (FImage ? FImage->MaxBitsPerPixel() : 0);
    f |= uint8_t((bits - 1) & 7);
    Flags = f;
    return f;
}

void GIFCheckBudget(const std::function<void()> &Check)
{
    try {
        Check();
    } catch (const GIFException &) {
        throw;
    } catch (const EInvalidGraphic &E) {
        GIFError(E.what());
    }
}

void TGIFHeader::LoadFromStream(TStream &Stream)
{
    const int64_t start = Stream.GetPosition();
    char sig[6];
    ReadCheck(Stream, sig, 6);
    auto isGif = [&] {
        return toupper(uint8_t(sig[0])) == 'G' && toupper(uint8_t(sig[1])) == 'I' && toupper(uint8_t(sig[2])) == 'F';
    };
    if (!isGif()) {
        // A stream may carry a four-byte prefix in front of the signature.
        Stream.SetPosition(start);
        Stream.Seek(4, soCurrent);
        ReadCheck(Stream, sig, 6);
        if (!isGif())
            GIFError("Invalid GIF signature");
    }
    uint8_t d[7];
    ReadCheck(Stream, d, 7);
    Width = uint16_t(d[0] | (d[1] << 8));
    Height = uint16_t(d[2] | (d[3] << 8));
    Flags = d[4];
    BackgroundColorIndex = d[5];
    AspectRatio = d[6];
    // A logical screen past the picture budget could never be composed: refused now, not when drawn.
    GIFCheckBudget([&] { CheckImageSize(Width, Height); });
    if (Flags & 0x80)
        ColorMap.LoadFromStream(Stream, 2 << (Flags & 7));
    else
        ColorMap.Clear();
}

void TGIFHeader::SaveToStream(TStream &Stream)
{
    const TGIFVersion v = FImage ? FImage->RequiredVersion() : GetVersion();
    if (v == gvUnknown)
        GIFError("Unsupported GIF version");
    static const char versions[] = "87a89a";
    Stream.WriteBuffer("GIF", 3);
    Stream.WriteBuffer(versions + (v == gv87a ? 0 : 3), 3);
    Prepare();
    const uint8_t d[7] = {uint8_t(Width), uint8_t(Width >> 8),  uint8_t(Height), uint8_t(Height >> 8),
                          Flags,          BackgroundColorIndex, AspectRatio};
    Stream.WriteBuffer(d, 7);
    if (Flags & 0x80)
        ColorMap.SaveToStream(Stream);
}
