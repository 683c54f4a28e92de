#include "images/PNGImage.h"

#include <cmath>
#include <cstring>
#include <zlib.h>

const char *const kPNGInvalidHeader = "Invalid Portable Graphics Network image, it has an invalid file header.";
const char *const kPNGCorrupted = "Can't read the PNG image, it has corrupted data. ";
const char *const kPNGUnknownCritical =
    "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder.";
const char *const kPNGNoIHDR =
    "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk.";
const char *const kPNGNoIDAT = "The current image being loaded has no data and could not be loaded.";
const char *const kPNGUnknownColorType = "Could not read the image because it has an unknown color type.";
const char *const kPNGUnknownInterlace = "The image has an unknown interlace method.";
const char *const kPNGUnknownFilter = "The image could not be loaded because it uses an unknown set of filter types.";
const char *const kPNGNoPalette = "The current image requeries a palette but it is not avaliable.";
const char *const kPNGInvalidPalette = "The current image being loaded has an invalid palette!";

void RaisePNGError(const AnsiString &Text)
{
    throw EPNGImageException("Portable Graphics Network format handler error\r\n\r\n" + Text);
}

TChunkType ChunkType(const char *Letters)
{
    return {Letters[0], Letters[1], Letters[2], Letters[3]};
}

namespace {
uint32_t Be32(const uint8_t *P)
{
    return (uint32_t(P[0]) << 24) | (uint32_t(P[1]) << 16) | (uint32_t(P[2]) << 8) | P[3];
}
void PutBe32(uint8_t *P, uint32_t V)
{
    P[0] = uint8_t(V >> 24);
    P[1] = uint8_t(V >> 16);
    P[2] = uint8_t(V >> 8);
    P[3] = uint8_t(V);
}
uint32_t ChunkCRC(const TChunkType &Type, const uint8_t *Data, size_t Size)
{
    uLong crc = crc32(0, reinterpret_cast<const Bytef *>(Type.data()), 4);
    // (zlib answers 0 for a null buffer, so an empty chunk's data is left out.)
    if (Size > 0)
        crc = crc32(crc, Data, uInt(Size));
    return uint32_t(crc);
}
const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
} // namespace

// ---- TChunk

TChunk::TChunk(TChunkList &Owner, TChunkType Type) : Type(Type), FOwner(&Owner)
{
}

void TChunk::Assign(const TChunk &Source)
{
    Data = Source.Data;
    Type = Source.Type;
}

TPNGImage &TChunk::Image() const
{
    return FOwner->Image();
}

TChunkIHDR *TChunk::Header() const
{
    return FOwner->Count() > 0 ? dynamic_cast<TChunkIHDR *>(FOwner->Item(0)) : nullptr;
}

TChunkGAMA *TChunk::GammaChunk() const
{
    return FOwner->Find<TChunkGAMA>();
}

void TChunk::WriteChunk(TStream &Stream)
{
    uint8_t head[8];
    PutBe32(head, uint32_t(Data.size()));
    std::memcpy(head + 4, Type.data(), 4);
    Stream.WriteBuffer(head, 8);
    Stream.WriteBuffer(Data.data(), int64_t(Data.size()));
    uint8_t crc[4];
    PutBe32(crc, ChunkCRC(Type, Data.data(), Data.size()));
    Stream.WriteBuffer(crc, 4);
}

void TChunk::SaveToStream(TStream &Stream)
{
    // Chunks safe to copy (fourth letter lower case) describe data that may have changed.
    if (Type[3] >= 'a' && Type[3] <= 'z')
        return;
    WriteChunk(Stream);
}

// ---- IHDR

TChunkIHDR::TChunkIHDR(TChunkList &Owner) : TChunk(Owner, ChunkType("IHDR"))
{
    Data.assign(13, 0);
}

uint32_t TChunkIHDR::Width() const
{
    return Be32(Data.data());
}

uint32_t TChunkIHDR::Height() const
{
    return Be32(Data.data() + 4);
}

void TChunkIHDR::SetWidth(uint32_t Value)
{
    PutBe32(Data.data(), Value);
    if (int64_t(Value) != Image().GetWidth())
        Image().SetSize(int(Value), Image().GetHeight());
}

void TChunkIHDR::SetHeight(uint32_t Value)
{
    PutBe32(Data.data() + 4, Value);
    if (int64_t(Value) != Image().GetHeight())
        Image().SetSize(Image().GetWidth(), int(Value));
}

void TChunkIHDR::Decode()
{
    if (Data.size() != 13)
        RaisePNGError(kPNGUnknownColorType);
    const uint32_t w = Width(), h = Height();
    const uint8_t d = BitDepth(), t = ColorType();
    bool ok = w > 0 && h > 0 && w <= 0x7FFFFFFFu && h <= 0x7FFFFFFFu;
    switch (t) {
    case 0: ok = ok && (d == 1 || d == 2 || d == 4 || d == 8 || d == 16); break;
    case 3: ok = ok && (d == 1 || d == 2 || d == 4 || d == 8); break;
    case 2:
    case 4:
    case 6: ok = ok && (d == 8 || d == 16); break;
    default: ok = false;
    }
    if (!ok)
        RaisePNGError(kPNGUnknownColorType);
    CheckImageSize(w, h);
}

void TChunkIHDR::SaveToStream(TStream &Stream)
{
    TPNGImage &img = Image();
    Data.resize(13);
    Data[10] = 0;
    Data[11] = 0;
    // The encoder writes rows straight, so the header never announces interlacing.
    Data[12] = 0;
    PutBe32(Data.data(), uint32_t(img.GetWidth()));
    PutBe32(Data.data() + 4, uint32_t(img.GetHeight()));
    const TPixelFormat f = img.PixelFormat();
    if (f != pf1bit && f != pf4bit && f != pf8bit) {
        img.SetPixelFormat(pf24bit);
        Data[8] = 8;
        Data[9] = 2;
    } else {
        Data[8] = uint8_t(PixelFormatBits(f));
        Data[9] = 3;
    }
    WriteChunk(Stream);
}

// ---- gAMA

TChunkGAMA::TChunkGAMA(TChunkList &Owner) : TChunk(Owner, ChunkType("gAMA"))
{
    Data.assign(4, 0);
    SetGamma(1);
}

uint32_t TChunkGAMA::Gamma() const
{
    return Data.size() >= 4 ? Be32(Data.data()) : 0;
}

void TChunkGAMA::SetGamma(uint32_t Value)
{
    Data.resize(4);
    PutBe32(Data.data(), Value);
}

void TChunkGAMA::Decode()
{
    const uint32_t g = Gamma();
    FHasTables = false;
    if (g == 0)
        return; // a gamma of 0 means nothing; the picture is shown uncorrected
    const double exponent = 1.0 / (double(g) / 100000.0 * 2.2);
    for (int i = 0; i < 256; ++i)
        InverseTable[i] = 0;
    for (int i = 0; i < 256; ++i) {
        const double v = std::nearbyint(std::pow(i / 255.0, exponent) * 255.0);
        const uint8_t t = uint8_t(std::clamp(v, 0.0, 255.0));
        GammaTable[i] = t;
        InverseTable[t] = uint8_t(i);
    }
    FHasTables = true;
}

void TChunkGAMA::Assign(const TChunk &Source)
{
    TChunk::Assign(Source);
    if (auto *g = dynamic_cast<const TChunkGAMA *>(&Source)) {
        std::memcpy(GammaTable, g->GammaTable, 256);
        std::memcpy(InverseTable, g->InverseTable, 256);
        FHasTables = g->FHasTables;
    }
}

// ---- PLTE

TPalette TChunkPLTE::GetPalette()
{
    if (Data.size() % 3 != 0 || Data.empty())
        RaisePNGError(kPNGInvalidPalette);
    TChunkGAMA *gamma = GammaChunk();
    const bool g = gamma && gamma->HasTables();
    const size_t n = std::min<size_t>(Data.size() / 3, 256);
    TPalette pal;
    for (size_t i = 0; i < n; ++i) {
        uint8_t r = Data[i * 3], gr = Data[i * 3 + 1], b = Data[i * 3 + 2];
        if (g) {
            r = gamma->GammaTable[r];
            gr = gamma->GammaTable[gr];
            b = gamma->GammaTable[b];
        }
        pal.push_back({r, gr, b, 0});
    }
    TChunkIHDR *h = Header();
    if (h && h->BitDepth() == 2 && pal.size() < 16) {
        pal.resize(4);
        for (int k = 4; k < 16; ++k)
            pal.push_back(pal[size_t(k % 4)]);
    }
    return pal;
}

void TChunkPLTE::SaveToStream(TStream &Stream)
{
    Data.clear();
    TPNGImage &img = Image();
    TPalette pal = img.Palette();
    const size_t maxEntries = size_t(1) << img.BitsPerPixel();
    if (pal.size() > maxEntries)
        pal.resize(maxEntries);
    if (pal.empty())
        return;
    TChunkGAMA *gamma = GammaChunk();
    const bool g = gamma && gamma->HasTables();
    for (const TPaletteEntry &e : pal) {
        Data.push_back(g ? gamma->InverseTable[e.peRed] : e.peRed);
        Data.push_back(g ? gamma->InverseTable[e.peGreen] : e.peGreen);
        Data.push_back(g ? gamma->InverseTable[e.peBlue] : e.peBlue);
    }
    WriteChunk(Stream);
}

// ---- tRNS

TColor TChunkTRNS::TransparentColor()
{
    TChunkIHDR *h = Header();
    if (!h || h->ColorType() != 2)
        RaisePNGError("Can not get transparency information because the current image color type is not RGB (value 3)");
    if (Data.size() < 6)
        RaisePNGError(kPNGCorrupted);
    const int o = h->BitDepth() == 16 ? 0 : 1;
    return RGBToColor(Data[size_t(o)], Data[size_t(2 + o)], Data[size_t(4 + o)]);
}

void TChunkTRNS::SaveToStream(TStream &Stream)
{
    Data.clear();
    TChunkIHDR *h = Header();
    if (!h || h->ColorType() != 2)
        return;
    const TColor c = Image().TransparentColor;
    Data = {0, uint8_t(c), 0, uint8_t(c >> 8), 0, uint8_t(c >> 16)};
    WriteChunk(Stream);
}

// ---- the list

TChunk *TChunkList::Item(int Index) const
{
    if (Index < 0 || Index >= Count())
        RaisePNGError("The chunk index especified is out of the range.");
    return FItems[size_t(Index)].get();
}

TChunk *TChunkList::Add(std::unique_ptr<TChunk> Chunk)
{
    Chunk->FOwner = this;
    FItems.push_back(std::move(Chunk));
    return FItems.back().get();
}

int TChunkList::IndexOf(const TChunk *Chunk) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == Chunk)
            return int(i);
    return -1;
}

int TChunkList::IndexOfClass(std::type_index Class) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (std::type_index(typeid(*FItems[i])) == Class)
            return int(i);
    return -1;
}

void TChunkList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex < 0 || CurIndex >= Count() || NewIndex < 0 || NewIndex >= Count())
        RaisePNGError("The chunk index especified is out of the range.");
    std::unique_ptr<TChunk> c = std::move(FItems[size_t(CurIndex)]);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, std::move(c));
}

void TChunkList::Remove(TChunk *Chunk)
{
    const int i = IndexOf(Chunk);
    if (i < 0)
        RaisePNGError("The especified chunk is not inside the chunk list containing the method being used. "
                      "The funcion could not be completed.");
    FItems.erase(FItems.begin() + i);
}

void TChunkList::Clear()
{
    while (!FItems.empty())
        FItems.pop_back();
}

TChunk *TChunkList::ReadChunk(TStream &Stream)
{
    const int64_t left = Stream.GetSize() - Stream.GetPosition();
    if (left < 12)
        RaisePNGError(kPNGCorrupted);
    uint8_t head[8];
    Stream.ReadBuffer(head, 8);
    const uint32_t length = Be32(head);
    // Checked before anything is allocated: a length that cannot be right is damage.
    if (length > 0x7FFFFFFFu || int64_t(length) + 4 > left - 8)
        RaisePNGError(kPNGCorrupted);
    const TChunkType type = {char(head[4]), char(head[5]), char(head[6]), char(head[7])};
    const int entry = ChunkClasses().IndexOfType(type);
    if (entry < 0 && (head[4] & 0x20) == 0)
        RaisePNGError(kPNGUnknownCritical);
    std::unique_ptr<TChunk> chunk =
        entry >= 0 ? ChunkClasses().Item(entry).Create(*this) : std::make_unique<TChunk>(*this, type);
    chunk->Type = type;
    chunk->Data.resize(length);
    Stream.ReadBuffer(chunk->Data.data(), length);
    uint8_t crc[4];
    Stream.ReadBuffer(crc, 4);
    if (Be32(crc) != ChunkCRC(type, chunk->Data.data(), chunk->Data.size()))
        RaisePNGError(kPNGCorrupted);
    if (auto *idat = dynamic_cast<TChunkIDAT *>(chunk.get())) {
        if (TChunkIDAT *first = Find<TChunkIDAT>()) {
            first->Data.insert(first->Data.end(), idat->Data.begin(), idat->Data.end());
            return first;
        }
    }
    return Add(std::move(chunk));
}

// ---- registry

void TChunkClasses::Add(TChunkType Type, std::type_index Class, TChunkFactory Create)
{
    FItems.push_back({Type, Class, std::move(Create)});
}

const TChunkClasses::TEntry &TChunkClasses::Item(int Index) const
{
    if (Index < 0 || Index >= Count())
        RaisePNGError("The chunk class index especified is  out of range.");
    return FItems[size_t(Index)];
}

int TChunkClasses::IndexOfType(TChunkType Type) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].Type == Type)
            return int(i);
    return -1;
}

int TChunkClasses::IndexOfClass(std::type_index Class) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].Class == Class)
            return int(i);
    return -1;
}

TChunkClasses &ChunkClasses()
{
    static TChunkClasses *classes = [] {
        auto *c = new TChunkClasses;
        const auto add = [c]<class T>(const char *Type, T *) {
            c->Add(ChunkType(Type), typeid(T), [](TChunkList &L) { return std::make_unique<T>(L); });
        };
        add("IEND", static_cast<TChunkIEND *>(nullptr));
        add("IHDR", static_cast<TChunkIHDR *>(nullptr));
        add("gAMA", static_cast<TChunkGAMA *>(nullptr));
        add("IDAT", static_cast<TChunkIDAT *>(nullptr));
        add("PLTE", static_cast<TChunkPLTE *>(nullptr));
        add("tEXt", static_cast<TChunkTEXT *>(nullptr));
        add("tRNS", static_cast<TChunkTRNS *>(nullptr));
        return c;
    }();
    return *classes;
}

// ---- the image

TPNGImage::TPNGImage() : FChunks(*this)
{
    InitializeChunks();
}

TPNGImage::TPNGImage(const TPNGImage &Other) : TBitmap(Other), FChunks(*this)
{
    AssignPNG(Other);
}

TPNGImage &TPNGImage::operator=(const TPNGImage &Other)
{
    if (this != &Other)
        AssignPNG(Other);
    return *this;
}

void TPNGImage::AssignPNG(const TPNGImage &Source)
{
    if (this == &Source)
        return;
    FChunks.Clear();
    for (int i = 0; i < Source.FChunks.Count(); ++i) {
        const TChunk *c = Source.FChunks.Item(i);
        const int entry = ChunkClasses().IndexOfClass(typeid(*c));
        std::unique_ptr<TChunk> copy =
            entry >= 0 ? ChunkClasses().Item(entry).Create(FChunks) : std::make_unique<TChunk>(FChunks, c->Type);
        copy->Assign(*c);
        FChunks.Add(std::move(copy));
    }
    FFilters = Source.FFilters;
    Interlaced = Source.Interlaced;
    KeepingCallbacks([&] { TBitmap::operator=(Source); });
}

void TPNGImage::InitializeChunks()
{
    FChunks.Clear();
    auto *h = FChunks.AddNew<TChunkIHDR>();
    h->Data = {0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 0, 0, 0};
    FChunks.AddNew<TChunkIDAT>();
    FChunks.AddNew<TChunkIEND>();
    SetPalette({});
}

void TPNGImage::LoadFromStream(TStream &Stream)
{
    GuardPictureMemory([&] {
        InitializeChunks();
        FChunks.Clear();
        uint8_t sig[8] = {};
        if (Stream.Read(sig, 8) != 8 || std::memcmp(sig, kSignature, 8) != 0)
            RaisePNGError(kPNGInvalidHeader);
        const int64_t size = Stream.GetSize();
        while (Stream.GetPosition() < size) {
            TChunk *c = FChunks.ReadChunk(Stream);
            if (dynamic_cast<TChunkIEND *>(c))
                break;
        }
        if (FChunks.Count() == 0 || !dynamic_cast<TChunkIHDR *>(FChunks.Item(0)))
            RaisePNGError(kPNGNoIHDR);
        if (!FChunks.Find<TChunkIDAT>())
            RaisePNGError(kPNGNoIDAT);
        SetTransparent(false);
        for (int i = 0; i < FChunks.Count(); ++i)
            FChunks.Item(i)->Decode();
        TChunkIHDR *h = static_cast<TChunkIHDR *>(FChunks.Item(0));
        if (TChunkTRNS *t = FChunks.Find<TChunkTRNS>(); t && h->ColorType() == 2) {
            TransparentColor = t->TransparentColor();
            SetTransparent(true);
        }
        Interlaced = h->InterlaceMethod() == 1;
        Changed();
    });
}

void TPNGImage::SaveToStream(TStream &Stream)
{
    Stream.WriteBuffer(kSignature, 8);
    if (FChunks.Count() == 0)
        InitializeChunks();
    if (!dynamic_cast<TChunkIHDR *>(FChunks.Item(0))) {
        FChunks.AddNew<TChunkIHDR>();
        FChunks.Move(FChunks.Count() - 1, 0);
    }
    const TPixelFormat f = PixelFormat();
    const bool indexed = f == pf1bit || f == pf4bit || f == pf8bit;
    if (indexed && !FChunks.Find<TChunkPLTE>()) {
        FChunks.AddNew<TChunkPLTE>();
        FChunks.Move(FChunks.Count() - 1, 1);
    }
    if (Transparent()) {
        if (!FChunks.Find<TChunkTRNS>()) {
            FChunks.AddNew<TChunkTRNS>();
            FChunks.Move(FChunks.Count() - 1, 1);
        }
    } else {
        while (TChunkTRNS *t = FChunks.Find<TChunkTRNS>())
            FChunks.Remove(t);
    }
    if (!FChunks.Find<TChunkIEND>())
        FChunks.AddNew<TChunkIEND>();
    if (!FChunks.Find<TChunkIDAT>()) {
        FChunks.AddNew<TChunkIDAT>();
        FChunks.Move(FChunks.Count() - 1, 1);
    }
    if (indexed && Palette().empty()) {
        // A palette image needs colours in the file: a grey ramp stands in for a missing palette.
        TPalette grey;
        const int n = 1 << BitsPerPixel();
        for (int i = 0; i < n; ++i) {
            const uint8_t v = uint8_t(i * 255 / (n - 1));
            grey.push_back({v, v, v, 0});
        }
        SetPalette(grey);
    }
    for (int i = 0; i < FChunks.Count(); ++i)
        FChunks.Item(i)->SaveToStream(Stream);
}

void RegisterPNGFormat()
{
    (void)ChunkClasses();
    TPicture::RegisterFileFormat("PNG", "Portable Graphics Network", [] { return std::make_unique<TPNGImage>(); });
}
