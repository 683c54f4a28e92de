#pragma once
// The pieces every block of a GIF file builds on: the unit's exception and stream helpers, the
// block base class, the colour tables and the file header (signature, logical screen, global
// colour table).
#include "images/Graphic.h"

#include <array>
#include <functional>

QUILLMAR_EXCEPTION(GIFException, EInvalidGraphic);

[[noreturn]] void GIFError(const AnsiString &Message);
// Runs a check of the picture budget so that its refusal ("Image too large ...") is a GIFException.
void GIFCheckBudget(const std::function<void()> &Check);

enum TGIFVersion : uint8_t { gvUnknown = 0, gv87a = 1, gv89a = 2 };

// Reads exactly Count bytes; fewer raise "Premature end of data".
void ReadCheck(TStream &Stream, void *Buffer, int64_t Count);
// One byte; false at the end of the stream.
bool TryReadByte(TStream &Stream, uint8_t &Value);
uint8_t ReadByte(TStream &Stream);
void WriteByte(TStream &Stream, uint8_t Value);
// Lines as data sub-blocks (at most 255 bytes each) and a zero terminator.
void WriteStrings(TStream &Stream, const std::vector<AnsiString> &Strings);
// Sub-blocks up to the terminator (or the end), each one line cut at its first zero byte.
void ReadStrings(TStream &Stream, std::vector<AnsiString> &Strings);
// 0 for 0 colours, else the least B >= 1 with 2^B >= N.
int ColorsToBits(int N);

class TGIFImage;
class TGIFHeader;
class TGIFSubImage;

class TGIFItem {
public:
    explicit TGIFItem(TGIFImage *Image) : FImage(Image) {}
    virtual ~TGIFItem() = default;
    TGIFItem(const TGIFItem &) = delete;
    TGIFItem &operator=(const TGIFItem &) = delete;

    virtual TGIFVersion GetVersion() const { return gv87a; }
    // Passes a reading problem on to the image's warning event.
    virtual void Warning(uint8_t Severity, const AnsiString &Message);
    virtual void SaveToStream(TStream &Stream) = 0;
    virtual void LoadFromStream(TStream &Stream) = 0;
    void SaveToFile(const AnsiString &FileName);
    void LoadFromFile(const AnsiString &FileName);
    TGIFImage *Image() const { return FImage; }

protected:
    TGIFImage *FImage;
};

struct TGIFHistogramEntry {
    int32_t Count;
    int32_t Index;
};

// A colour table of at most 256 entries (red, green, blue as in the file).
class TGIFColorMap {
public:
    using TEntry = std::array<uint8_t, 3>;
    virtual ~TGIFColorMap() = default;

    void Clear();
    void SetCapacity(int N);
    // "Color table overflow" past 256 entries.
    int Add(TColor Color);
    int AddUnique(TColor Color);
    int IndexOf(TColor Color) const;
    // "Invalid color index".
    void Delete(int Index);
    // A bad index warns "Invalid color index" and answers entry 0 ("Color table is empty" when none).
    TColor Colors(int Index);
    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }
    bool Optimized() const { return FOptimized; }
    int BitsPerPixel() const { return ColorsToBits(FCount); }
    const TEntry &Entry(int Index) const { return FEntries[size_t(Index)]; }
    // Written padded with black entries to a power of two; nothing when empty.
    void SaveToStream(TStream &Stream) const;
    void LoadFromStream(TStream &Stream, int Count);
    void ImportPalette(const TPalette &Palette);
    TPalette ExportPalette() const;
    void Assign(const TGIFColorMap &Source);
    // Sorts the entries by how many pixels use them and drops unused ones; false for <= 1 entry.
    bool DoOptimize();

    virtual void Warning(uint8_t Severity, const AnsiString &Message) = 0;
    virtual void BuildHistogram(std::array<TGIFHistogramEntry, 256> &Histogram) = 0;
    virtual void MapImages(const std::array<uint8_t, 256> &Map) = 0;
    virtual bool Optimize() = 0;
    virtual void Changed() = 0;

protected:
    std::vector<TEntry> FEntries;
    int FCapacity = 0;
    int FCount = 0;
    bool FOptimized = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
public:
    explicit TGIFGlobalColorMap(TGIFHeader &Header) : FHeader(&Header) {}
    void Warning(uint8_t Severity, const AnsiString &Message) override;
    void BuildHistogram(std::array<TGIFHistogramEntry, 256> &Histogram) override;
    void MapImages(const std::array<uint8_t, 256> &Map) override;
    bool Optimize() override;
    void Changed() override;

private:
    TGIFHeader *FHeader;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(TGIFSubImage &SubImage) : FSubImage(&SubImage) {}
    void Warning(uint8_t Severity, const AnsiString &Message) override;
    void BuildHistogram(std::array<TGIFHistogramEntry, 256> &Histogram) override;
    void MapImages(const std::array<uint8_t, 256> &Map) override;
    bool Optimize() override { return DoOptimize(); }
    void Changed() override;

private:
    TGIFSubImage *FSubImage;
};

class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage *Image);
    void Clear();
    void Assign(const TGIFHeader &Source);
    TGIFVersion GetVersion() const override;
    void SaveToStream(TStream &Stream) override;
    void LoadFromStream(TStream &Stream) override;
    // Recomputes the packed flags from the colour tables (before writing); answers them.
    uint8_t Prepare();
    TColor BackgroundColor() { return ColorMap.Colors(BackgroundColorIndex); }
    int BitsPerPixel() const { return ColorMap.BitsPerPixel(); }
    int ColorResolution() const { return ColorMap.BitsPerPixel() - 1; }

    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t Flags = 0;
    uint8_t BackgroundColorIndex = 0;
    uint8_t AspectRatio = 0;
    TGIFGlobalColorMap ColorMap;
};
