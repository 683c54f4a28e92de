#pragma once
// PNG pictures: TPNGImage is a bitmap that keeps its file as a list of chunks. Reading decodes
// every chunk into the bitmap (the image data row by row through zlib); writing builds the
// chunks the bitmap needs and writes them in list order.
#include "images/Bitmap.h"

#include <array>
#include <functional>
#include <typeindex>

QUILLMAR_EXCEPTION(EPNGImageException, EInvalidGraphic);

// Raises EPNGImageException "Portable Graphics Network format handler error\r\n\r\n" + Text.
[[noreturn]] void RaisePNGError(const AnsiString &Text);

// Chunk-level texts.
extern const char *const kPNGInvalidHeader; // wrong signature
extern const char *const kPNGCorrupted; // CRC mismatch, impossible length
extern const char *const kPNGUnknownCritical; // unregistered critical chunk
extern const char *const kPNGNoIHDR; // IHDR missing or not first
extern const char *const kPNGNoIDAT; // no image data
extern const char *const kPNGUnknownColorType; // impossible colour type, depth or size
extern const char *const kPNGUnknownInterlace;
extern const char *const kPNGUnknownFilter;
extern const char *const kPNGNoPalette;
extern const char *const kPNGInvalidPalette;

class TPNGImage;
class TChunkList;
class TChunkIHDR;
class TChunkGAMA;

using TChunkType = std::array<char, 4>;
TChunkType ChunkType(const char *Letters);

class TChunk {
public:
    TChunk(TChunkList &Owner, TChunkType Type);
    virtual ~TChunk() = default;
    TChunk(const TChunk &) = delete;
    TChunk &operator=(const TChunk &) = delete;

    // Called after the whole file is read.
    virtual void Decode() {}
    // Takes the other chunk's data and type.
    virtual void Assign(const TChunk &Source);
    // Length, type, data and CRC; nothing for a chunk whose fourth letter is lower case.
    virtual void SaveToStream(TStream &Stream);

    TChunkList &Owner() const { return *FOwner; }
    TPNGImage &Image() const;
    TChunkIHDR *Header() const;
    TChunkGAMA *GammaChunk() const;

    std::vector<uint8_t> Data;
    TChunkType Type;

protected:
    void WriteChunk(TStream &Stream);

private:
    friend class TChunkList;
    TChunkList *FOwner;
};

class TChunkIEND : public TChunk {
public:
    explicit TChunkIEND(TChunkList &Owner) : TChunk(Owner, ChunkType("IEND")) {}
};

class TChunkIHDR : public TChunk {
public:
    explicit TChunkIHDR(TChunkList &Owner);
    uint32_t Width() const;
    uint32_t Height() const;
    uint8_t BitDepth() const { return Data[8]; }
    uint8_t ColorType() const { return Data[9]; }
    uint8_t CompressionMethod() const { return Data[10]; }
    uint8_t FilterMethod() const { return Data[11]; }
    uint8_t InterlaceMethod() const { return Data[12]; }
    // Store the value big-endian; a value unlike the image's resizes the image.
    void SetWidth(uint32_t Value);
    void SetHeight(uint32_t Value);
    void SetBitDepth(uint8_t V) { Data[8] = V; }
    void SetColorType(uint8_t V) { Data[9] = V; }
    void SetInterlaceMethod(uint8_t V) { Data[12] = V; }
    // Checks the size against the picture budget and the depth against the colour type.
    void Decode() override;
    void SaveToStream(TStream &Stream) override;
};

class TChunkGAMA : public TChunk {
public:
    explicit TChunkGAMA(TChunkList &Owner);
    uint32_t Gamma() const;
    void SetGamma(uint32_t Value);
    // Builds both tables; a gamma of 0 leaves the chunk without tables (no correction).
    void Decode() override;
    void Assign(const TChunk &Source) override;
    bool HasTables() const { return FHasTables; }
    uint8_t GammaTable[256]{};
    uint8_t InverseTable[256]{};

private:
    bool FHasTables = false;
};

class TChunkIDAT : public TChunk {
public:
    explicit TChunkIDAT(TChunkList &Owner) : TChunk(Owner, ChunkType("IDAT")) {}
    void Decode() override { DecodeImage(); }
    void SaveToStream(TStream &Stream) override;
    void DecodeImage();
    void EncodeImage();

    // Row bytes of W pixels for the header's colour type and depth.
    int64_t RowBytes(int64_t W) const;
    int FilterDistance() const;
    static uint8_t PaethPredictor(int A, int B, int C);
    // Undoes filter F on Row (previous row Prev, distance D).
    static void Unfilter(uint8_t F, uint8_t *Row, const uint8_t *Prev, int64_t Size, int D);

private:
    void PrepareBitmap();
    void ConvertRow(const uint8_t *Row, int Y, int64_t StartCol, int64_t ColStep, int64_t Pixels);
};

class TChunkPLTE : public TChunk {
public:
    explicit TChunkPLTE(TChunkList &Owner) : TChunk(Owner, ChunkType("PLTE")) {}
    TPalette GetPalette();
    void SaveToStream(TStream &Stream) override;
};

class TChunkTEXT : public TChunk {
public:
    explicit TChunkTEXT(TChunkList &Owner) : TChunk(Owner, ChunkType("tEXt")) { Data = {0, 0}; }
};

class TChunkTRNS : public TChunk {
public:
    explicit TChunkTRNS(TChunkList &Owner) : TChunk(Owner, ChunkType("tRNS")) {}
    // Only for RGB images; the samples reduced to 8 bits as the pixels are.
    TColor TransparentColor();
    void SaveToStream(TStream &Stream) override;
};

class TChunkList {
public:
    explicit TChunkList(TPNGImage &Image) : FImage(&Image) {}
    TPNGImage &Image() const { return *FImage; }
    int Count() const { return int(FItems.size()); }
    // "The chunk index especified is out of the range." for a bad index.
    TChunk *Item(int Index) const;
    TChunk *Add(std::unique_ptr<TChunk> Chunk);
    template <class T>
    T *AddNew()
    {
        return static_cast<T *>(Add(std::make_unique<T>(*this)));
    }
    int IndexOf(const TChunk *Chunk) const;
    // The first chunk of exactly this class; -1 when none.
    int IndexOfClass(std::type_index Class) const;
    template <class T>
    T *Find() const
    {
        const int i = IndexOfClass(typeid(T));
        return i < 0 ? nullptr : static_cast<T *>(FItems[size_t(i)].get());
    }
    void Move(int CurIndex, int NewIndex);
    // Deletes the chunk; a chunk that is not in this list raises EPNGImageException ("The especified
    // chunk is not inside the chunk list ...") and changes nothing.
    void Remove(TChunk *Chunk);
    void Clear();
    TChunk *ReadChunk(TStream &Stream);

private:
    TPNGImage *FImage;
    std::vector<std::unique_ptr<TChunk>> FItems;
};

using TChunkFactory = std::function<std::unique_ptr<TChunk>(TChunkList &)>;

class TChunkClasses {
public:
    struct TEntry {
        TChunkType Type;
        std::type_index Class;
        TChunkFactory Create;
    };
    void Add(TChunkType Type, std::type_index Class, TChunkFactory Create);
    int Count() const { return int(FItems.size()); }
    const TEntry &Item(int Index) const;
    int IndexOfType(TChunkType Type) const;
    int IndexOfClass(std::type_index Class) const;

private:
    std::vector<TEntry> FItems;
};

TChunkClasses &ChunkClasses();

template <class T>
void RegisterChunkClass(const char *Type)
{
    ChunkClasses().Add(ChunkType(Type), typeid(T), [](TChunkList &L) { return std::make_unique<T>(L); });
}

class TPNGImage : public TBitmap {
public:
    TPNGImage();
    TPNGImage(const TPNGImage &Other);
    TPNGImage &operator=(const TPNGImage &Other);

    const char *ClassName() const override { return "TPNGImage"; }
    void LoadFromStream(TStream &Stream) override;
    void SaveToStream(TStream &Stream) override;
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPNGImage>(*this); }
    // From another PNG image: its chunks, filters and interlace flag, then the bitmap.
    void AssignPNG(const TPNGImage &Source);

    // Default IHDR (0 x 0, depth 2, colour type 3), IDAT and IEND; the palette is cleared.
    void InitializeChunks();
    TChunkList &Chunks() { return FChunks; }
    const TChunkList &Chunks() const { return FChunks; }

    // Bit n allows PNG filter type n when writing; bit 0 is always set.
    uint8_t Filters() const { return FFilters; }
    void SetFilters(uint8_t Value) { FFilters = uint8_t(Value | 1); }
    bool Interlaced = false;

private:
    uint8_t FFilters = 27;
    TChunkList FChunks;
};

// Registers the chunk classes and the "PNG" picture format (done once by the picture registry).
void RegisterPNGFormat();
