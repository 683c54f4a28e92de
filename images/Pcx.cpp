#include "images/Pcx.h"

#include "images/PaddedReader.h"

#include <algorithm>
#include <cstring>

int PcxColorDepth = 0;

namespace {

struct TEntry {
    uint8_t R, G, B; // 6-bit components
};

const TEntry kBuiltIn16[16] = {{0, 0, 0},   {0, 0, 32},   {0, 32, 0},   {0, 32, 32}, {32, 0, 0}, {32, 0, 32},
                               {32, 32, 0}, {42, 42, 42}, {21, 21, 21}, {0, 0, 63},  {0, 63, 0}, {0, 63, 63},
                               {63, 0, 0},  {63, 0, 63},  {63, 63, 0},  {63, 63, 63}};

uint8_t GrayLevel(unsigned R, unsigned G, unsigned B)
{
    return uint8_t((32 * R + 64 * G + 12 * B) / 108);
}

class TPcxReader {
public:
    TPcxReader(TStream &Stream, int ColorDepth) : FStream(Stream), FIn(Stream), FMode(ColorDepth)
    {
        FStart = Stream.GetPosition();
        FIn.SetStart(FStart);
    }
    void Run(TBitmap &Bitmap);

private:
    void ReadHeader();
    TEntry PaletteEntry(const uint8_t *RGB) const;
    void Setup(TBitmap &B);
    void ReadRow();

    TStream &FStream;
    TPaddedReader FIn;
    int FMode;
    int64_t FStart = 0;
    uint8_t FVersion = 0, FBits = 0, FPlanes = 0;
    int FWidth = 0, FHeight = 0, FBPL = 0;
    TEntry FTable[256]{};
    std::vector<uint8_t> FRow;
    // A run that goes on past the end of a row carries into the next one.
    int FRunLeft = 0;
    uint8_t FRunValue = 0;
};

TEntry TPcxReader::PaletteEntry(const uint8_t *RGB) const
{
    uint8_t c[3] = {RGB[0], RGB[1], RGB[2]};
    if (FVersion == 2)
        for (uint8_t &v : c)
            if (v < 4)
                v = uint8_t(v * 85);
    return {uint8_t(c[0] >> 2), uint8_t(c[1] >> 2), uint8_t(c[2] >> 2)};
}

void TPcxReader::ReadHeader()
{
    uint8_t h[128];
    FIn.Read(h, 128);
    if (h[0] != 10)
        throw EInvalidGraphic("Not a PCX file, or header read error.");
    FVersion = h[1];
    FBits = h[3];
    const auto word = [&](int off) { return int(h[off] | (h[off + 1] << 8)); };
    const int xmin = word(4), ymin = word(6), xmax = word(8), ymax = word(10);
    for (int i = 0; i < 16; ++i)
        FTable[i] = PaletteEntry(h + 16 + i * 3);
    FPlanes = h[65];
    FBPL = word(66);
    if (!(FBits == 1 || FBits == 4 || FBits == 8 || FBits == 16 || FBits == 24 || FBits == 32) || FBPL == 0 ||
        FPlanes == 0)
        throw EInvalidGraphic("Not a valid PCX file!");
    if (xmax < xmin || ymax < ymin)
        throw EImageRangeError("Range check error");
    FWidth = xmax - xmin + 1;
    FHeight = ymax - ymin + 1;
    // A row of planes may not be absurdly longer than the pixels it carries.
    if (int64_t(FBPL) * FPlanes > 4 * int64_t(kMaxImageSide) + 64)
        throw EImageRangeError("Range check error");
}

void TPcxReader::Setup(TBitmap &B)
{
    TPalette pal;
    if (FBits == 1 && FPlanes == 1) {
        B.SetPixelFormat(FMode == 0 ? pf1bit : FMode == 1 ? pf8bit : pf24bit);
        pal = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (FBits == 1) {
        B.SetPixelFormat(FMode == 2 ? pf24bit : pf8bit);
        B.IgnorePalette = false;
        for (int i = 0; i < 16; ++i)
            pal.push_back({uint8_t((FTable[i].R + 1) * 4 - 1), uint8_t((FTable[i].G + 1) * 4 - 1),
                           uint8_t((FTable[i].B + 1) * 4 - 1), 0});
    } else if (FBits == 8 && FPlanes == 1) {
        B.SetPixelFormat(FMode == 2 ? pf24bit : pf8bit);
        for (const TEntry &e : FTable)
            pal.push_back({uint8_t(e.R * 4), uint8_t(e.G * 4), uint8_t(e.B * 4), 0});
    } else if (FBits == 8 && FPlanes == 3) {
        if (FMode == 1) {
            B.SetPixelFormat(pf8bit);
            for (int i = 0; i < 256; ++i) {
                const uint8_t v = uint8_t(i * 63 / 255);
                FTable[i] = {v, v, v};
            }
        } else {
            B.SetPixelFormat(pf24bit);
            for (int r = 0; r < 8; ++r)
                for (int g = 0; g < 8; ++g)
                    for (int b = 0; b < 4; ++b)
                        FTable[r * 32 + g * 4 + b] = {uint8_t(8 * r + 7), uint8_t(8 * g + 7), uint8_t(16 * b + 15)};
        }
        if (FMode != 0)
            B.IgnorePalette = true;
        for (const TEntry &e : FTable)
            pal.push_back({uint8_t(e.R * 4), uint8_t(e.G * 4), uint8_t(e.B * 4), 0});
    } else {
        return;
    }
    B.SetPalette(pal);
}

void TPcxReader::ReadRow()
{
    const int total = FBPL * FPlanes;
    const bool packed1 = FBits == 1 && !(FPlanes == 1 && FMode == 0);
    int pos = 0, plane = 0, pixel = 0;
    const int limit = int(FRow.size());
    for (int n = 0; n < total; ++n) {
        uint8_t v;
        if (FRunLeft > 0) {
            v = FRunValue;
            --FRunLeft;
        } else {
            const uint8_t b = FIn.Byte();
            if (b >= 0xC0) {
                FRunLeft = b & 0x3F;
                FRunValue = FIn.Byte();
                if (FRunLeft == 0) { // an empty run gives no byte
                    --n;
                    continue;
                }
                v = FRunValue;
                --FRunLeft;
            } else {
                v = b;
            }
        }
        if (packed1) {
            // Planes past the eighth add nothing to a pixel's byte.
            for (int bit = 7; bit >= 0; --bit, ++pixel)
                if (pixel < limit && plane < 8)
                    FRow[size_t(pixel)] = uint8_t(FRow[size_t(pixel)] + (((v >> bit) & 1) << plane));
            if (pixel >= FBPL * 8) {
                pixel = 0;
                ++plane;
            }
        } else if (pos < limit) {
            FRow[size_t(pos++)] = v;
        }
    }
}

void TPcxReader::Run(TBitmap &Bitmap)
{
    ReadHeader();
    CheckImageSize(FWidth, FHeight);
    TBitmap result;
    result.SetSize(1, 1);
    Setup(result);
    if (FVersion == 3)
        for (int i = 0; i < 16; ++i)
            FTable[i] = kBuiltIn16[i];
    if (FBits == 1 && FPlanes == 1) {
        FTable[0] = {0, 0, 0};
        FTable[1] = {63, 63, 63};
    } else if (FBits == 8 && FPlanes == 1) {
        // The 256-colour palette is the last 768 bytes (after the marker byte, which is not
        // checked); a file too short to hold one keeps the header's colours.
        const int64_t size = FStream.GetSize();
        const int64_t resume = FStart + FIn.Position();
        if (size - FStart >= 128 + 769) {
            FStream.SetPosition(size - 768);
            uint8_t p[768];
            FStream.ReadBuffer(p, 768);
            for (int i = 0; i < 256; ++i)
                FTable[i] = PaletteEntry(p + i * 3);
            FIn.SeekStream(resume);
        }
    } else if (FBits == 8 && FPlanes == 3) {
        for (int i = 0; i < 256; ++i) {
            const uint8_t v = uint8_t(i * 63 / 255);
            FTable[i] = {v, v, v};
        }
    }
    Setup(result);
    result.SetSize(FWidth, FHeight);

    const int64_t planeBytes = int64_t(FBPL) * FPlanes;
    FRow.assign(size_t(std::max<int64_t>({int64_t(FWidth) * 4, planeBytes, int64_t(FBPL) * 8}) + 20), 0);
    // Other layouts have no decoding: their rows stay blank, and their data is not read at all.
    const bool known = (FBits == 1) || (FBits == 8 && (FPlanes == 1 || FPlanes == 3));
    const size_t lineBytes = size_t(result.BytesPerLine());
    for (int y = 0; known && y < FHeight; ++y) {
        // Once the file has ended, every row decodes alike: the first such row stands for the rest.
        const bool steady = FIn.Exhausted() && FRunLeft == 0;
        if (FBits != 8)
            std::fill(FRow.begin(), FRow.end(), 0);
        ReadRow();
        uint8_t *dest = result.ScanLine(y);
        if (FBits == 8 && FPlanes == 3) {
            if (FMode == 1) {
                for (int x = 0; x < FWidth; ++x)
                    dest[x] = GrayLevel(FRow[size_t(x)], FRow[size_t(FBPL + x)], FRow[size_t(2 * FBPL + x)]);
            } else {
                for (int x = 0; x < FWidth; ++x) {
                    dest[x * 3] = FRow[size_t(2 * FBPL + x)];
                    dest[x * 3 + 1] = FRow[size_t(FBPL + x)];
                    dest[x * 3 + 2] = FRow[size_t(x)];
                }
            }
        } else if (FMode == 2) {
            // Indexes to colours: each entry's component x 4 + 3 (black and white for 1 bit).
            for (int x = 0; x < FWidth; ++x) {
                const uint8_t i = FRow[size_t(x)];
                const TEntry e = (FBits == 1 && FPlanes == 1) ? (i ? TEntry{63, 63, 63} : TEntry{0, 0, 0}) : FTable[i];
                dest[x * 3] = uint8_t(e.B * 4 + 3);
                dest[x * 3 + 1] = uint8_t(e.G * 4 + 3);
                dest[x * 3 + 2] = uint8_t(e.R * 4 + 3);
            }
        } else if (FBits == 1 && FPlanes == 1 && FMode == 0) {
            std::copy_n(FRow.data(), std::min<size_t>(size_t(FBPL), lineBytes), dest);
        } else {
            std::copy_n(FRow.data(), std::min<size_t>(size_t(FWidth), lineBytes), dest);
        }
        if (steady) {
            // A black row leaves the rest as the bitmap already is; no work past the data.
            if (std::any_of(dest, dest + lineBytes, [](uint8_t v) { return v != 0; }))
                for (int r = y + 1; r < FHeight; ++r)
                    std::memcpy(result.ScanLine(r), dest, lineBytes);
            break;
        }
    }
    Bitmap.KeepingCallbacks([&] { Bitmap = std::move(result); });
    Bitmap.Changed();
}

} // namespace

void PcxToBitmap(TStream &Stream, TBitmap &Bitmap, int ColorDepth)
{
    GuardPictureMemory([&] { TPcxReader(Stream, ColorDepth).Run(Bitmap); });
}

void PcxToBitmap(const AnsiString &FileName, TBitmap &Bitmap)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    PcxToBitmap(stream, Bitmap, PcxColorDepth);
}
