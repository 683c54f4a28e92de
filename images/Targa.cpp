#include "images/Targa.h"

#include "images/PaddedReader.h"

#include <algorithm>
#include <cstring>

int TgaColorDepth = 0;

namespace {

struct TTargaHeader {
    uint8_t IdLength, ColorMapType, ImageType;
    uint16_t MapStart, MapLength;
    uint8_t MapEntrySize;
    uint16_t Width, Height;
    uint8_t Depth, Descriptor;
};

struct TEntry {
    uint8_t R, G, B; // 6-bit components
};

uint8_t GrayLevel(unsigned R, unsigned G, unsigned B)
{
    return uint8_t((32 * R + 64 * G + 12 * B) / 108);
}

class TTargaReader {
public:
    TTargaReader(TStream &Stream, int ColorDepth) : FIn(Stream), FMode(ColorDepth) {}
    void Run(TBitmap &Bitmap);

private:
    bool ReadHeader();
    void ReadUnit(uint8_t *Out);
    void ReadRow(uint8_t *Row);

    TPaddedReader FIn;
    int FMode;
    TTargaHeader H{};
    TEntry FTable[256]{};
    bool FRle = false;
    int FOutBytes = 1; // output bytes of one unit (a pixel, or a byte of 8 pixels at depth 1)
    // Run-length state carried from one row to the next.
    int FPacketLeft = 0;
    bool FPacketIsRun = false;
    uint8_t FRunValue[3]{};
};

bool TTargaReader::ReadHeader()
{
    uint8_t b[18];
    FIn.Read(b, 18);
    H.IdLength = b[0];
    H.ColorMapType = b[1];
    H.ImageType = b[2];
    H.MapStart = uint16_t(b[3] | (b[4] << 8));
    H.MapLength = uint16_t(b[5] | (b[6] << 8));
    H.MapEntrySize = b[7];
    H.Width = uint16_t(b[12] | (b[13] << 8));
    H.Height = uint16_t(b[14] | (b[15] << 8));
    H.Depth = b[16];
    H.Descriptor = b[17];
    const uint8_t t = H.ImageType;
    if (!(t == 1 || t == 2 || t == 3 || t == 9 || t == 10 || t == 11))
        return false;
    const uint8_t d = H.Depth;
    if (!(d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32))
        return false;
    FIn.Skip(H.IdLength);
    for (TEntry &e : FTable)
        e = {0, 0, 0};
    if (H.ColorMapType != 0) {
        if (int(H.MapStart) + int(H.MapLength) > 256 && H.MapLength > 0 &&
            (H.MapEntrySize == 16 || H.MapEntrySize == 24))
            throw EImageRangeError("Colour map index out of range");
        for (int i = H.MapStart; i < H.MapStart + H.MapLength; ++i) {
            if (H.MapEntrySize == 16) {
                const uint16_t w = FIn.Word();
                FTable[i] = {uint8_t(((w >> 10) & 0x1F) * 2), uint8_t(((w >> 5) & 0x1F) * 2), uint8_t((w & 0x1F) * 2)};
            } else if (H.MapEntrySize == 24) {
                const uint8_t bl = FIn.Byte(), gr = FIn.Byte(), rd = FIn.Byte();
                FTable[i] = {uint8_t(rd >> 2), uint8_t(gr >> 2), uint8_t(bl >> 2)};
            }
        }
        // Maps of other entry sizes are skipped whole, so the pixels start where they should.
        if (H.MapEntrySize != 16 && H.MapEntrySize != 24)
            FIn.Skip(int64_t(H.MapLength) * ((H.MapEntrySize + 7) / 8));
    }
    if (H.Depth == 8 && H.ColorMapType == 0)
        for (int i = 0; i < 256; ++i) {
            const uint8_t v = uint8_t(i * 63 / 255);
            FTable[i] = {v, v, v};
        }
    if (H.Depth == 1) {
        FTable[0] = {0, 0, 0};
        FTable[1] = {63, 63, 63};
    }
    FRle = t >= 9;
    return true;
}

// One source unit converted into FOutBytes output bytes.
inline void TTargaReader::ReadUnit(uint8_t *Out)
{
    switch (H.Depth) {
    case 1: Out[0] = FIn.Byte(); break;
    case 8: {
        const uint8_t i = FIn.Byte();
        if (FMode == 2) {
            Out[0] = uint8_t(FTable[i].B * 4 + 3);
            Out[1] = uint8_t(FTable[i].G * 4 + 3);
            Out[2] = uint8_t(FTable[i].R * 4 + 3);
        } else {
            Out[0] = i;
        }
        break;
    }
    case 16: {
        const uint16_t w = FIn.Word();
        const uint8_t b = uint8_t((w & 0x1F) << 3), g = uint8_t(((w >> 5) & 0x1F) << 3),
                      r = uint8_t(((w >> 10) & 0x1F) << 3);
        if (FMode == 1) {
            Out[0] = GrayLevel(r, g, b);
        } else {
            Out[0] = b;
            Out[1] = g;
            Out[2] = r;
        }
        break;
    }
    case 24:
    case 32: {
        uint8_t px[4];
        FIn.Read(px, H.Depth / 8);
        if (FMode == 1) {
            Out[0] = GrayLevel(px[2], px[1], px[0]);
        } else {
            Out[0] = px[0];
            Out[1] = px[1];
            Out[2] = px[2];
        }
        break;
    }
    default: break; // 4 bits: no conversion, the row stays blank
    }
}

void TTargaReader::ReadRow(uint8_t *Row)
{
    const int units = H.Depth == 1 ? (H.Width + 7) / 8 : H.Width;
    if (H.Depth == 4)
        return;
    // Units whose stored bytes are already the output bytes are read in one move.
    const bool asStored = (H.Depth == 24 && FMode != 1) || H.Depth == 1 || (H.Depth == 8 && FMode != 2);
    if (!FRle) {
        if (asStored) {
            FIn.Read(Row, size_t(units) * size_t(FOutBytes));
            return;
        }
        for (int u = 0; u < units; ++u)
            ReadUnit(Row + size_t(u) * size_t(FOutBytes));
        return;
    }
    // Packets may run on past the end of a row; what is left carries into the next one.
    int u = 0;
    while (u < units) {
        if (FPacketLeft == 0) {
            const uint8_t h = FIn.Byte();
            FPacketLeft = (h & 0x7F) + 1;
            FPacketIsRun = (h & 0x80) != 0;
            if (FPacketIsRun)
                ReadUnit(FRunValue);
        }
        const int n = std::min(FPacketLeft, units - u);
        uint8_t *out = Row + size_t(u) * size_t(FOutBytes);
        if (FPacketIsRun && FOutBytes == 1) {
            std::memset(out, FRunValue[0], size_t(n));
        } else if (FPacketIsRun) {
            for (int k = 0; k < n; ++k, out += FOutBytes)
                for (int c = 0; c < FOutBytes; ++c)
                    out[c] = FRunValue[c];
        } else if (asStored) {
            FIn.Read(out, size_t(n) * size_t(FOutBytes));
        } else {
            for (int k = 0; k < n; ++k, out += FOutBytes)
                ReadUnit(out);
        }
        FPacketLeft -= n;
        u += n;
    }
}

void TTargaReader::Run(TBitmap &Bitmap)
{
    if (!ReadHeader())
        throw EInvalidGraphic("Not a valid Targa file");
    const int w = H.Width, h = H.Height;
    CheckImageSize(w, h);
    const int d = H.Depth;
    const bool trueColour = d == 16 || d == 24 || d == 32;

    // Palette-display support: true-colour bitmaps carry a 3-3-2 colour cube.
    if ((FMode == 0 && trueColour) || (FMode == 2 && (trueColour || d == 1)))
        for (int r = 0; r < 8; ++r)
            for (int g = 0; g < 8; ++g)
                for (int b = 0; b < 4; ++b)
                    FTable[r * 32 + g * 4 + b] = {uint8_t(8 * r + 7), uint8_t(8 * g + 7), uint8_t(16 * b + 15)};
    if (FMode == 1 && trueColour)
        for (int i = 0; i < 256; ++i) {
            const uint8_t v = uint8_t(i * 63 / 255);
            FTable[i] = {v, v, v};
        }

    TPixelFormat fmt;
    TPalette pal;
    if (FMode == 2) {
        fmt = pf24bit;
    } else if (FMode == 1) {
        fmt = pf8bit;
    } else {
        fmt = d == 1 ? pf1bit : d == 8 ? pf8bit : pf24bit;
    }
    if (fmt == pf1bit && FMode == 0) {
        pal = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else {
        for (const TEntry &e : FTable)
            pal.push_back({uint8_t(e.R * 4), uint8_t(e.G * 4), uint8_t(e.B * 4), 0});
    }
    FOutBytes = (fmt == pf24bit && d != 1) ? 3 : 1;

    TBitmap result;
    result.SetPixelFormat(fmt);
    result.SetPalette(pal);
    result.SetSize(w, h);

    // Black-and-white pixels widened to 8 or 24 bits go through a packed row first; every other
    // row is decoded straight into the bitmap, which starts out black.
    const bool widen = d == 1 && FMode != 0;
    const int each = FMode == 1 ? 1 : 3;
    std::vector<uint8_t> packed(widen ? size_t((w + 7) / 8) + 8 : 0, 0);
    const int pixelBytes = widen ? each : FOutBytes;
    const size_t rowBytes = fmt == pf1bit ? size_t((w + 7) / 8) : size_t(w) * size_t(pixelBytes);
    const bool topFirst = (H.Descriptor & 0x20) != 0;
    // Right-to-left rows are turned round; black-and-white rows stay as stored at every output
    // depth (a 1-bit bitmap cannot be turned round by bytes, and the widened ones must match it).
    const bool mirror = (H.Descriptor & 0x10) != 0 && d != 1;
    for (int i = 0; i < h; ++i) {
        // Once the file has ended, every row decodes alike: the first such row stands for the rest.
        const bool steady = FIn.Exhausted() && FPacketLeft == 0;
        uint8_t *dest = result.ScanLine(topFirst ? i : h - 1 - i);
        if (widen) {
            std::fill(packed.begin(), packed.end(), 0);
            ReadRow(packed.data());
            for (int x = 0; x < w; ++x) {
                const bool on = (packed[size_t(x >> 3)] & (0x80 >> (x & 7))) != 0;
                for (int c = 0; c < each; ++c)
                    dest[size_t(x) * size_t(each) + size_t(c)] = FMode == 1 ? (on ? 1 : 0) : (on ? 255 : 0);
            }
        } else {
            ReadRow(dest);
        }
        if (mirror)
            for (int a = 0, b = w - 1; a < b; ++a, --b)
                for (int c = 0; c < pixelBytes; ++c)
                    std::swap(dest[a * pixelBytes + c], dest[b * pixelBytes + c]);
        if (steady) {
            // A black row leaves the rest as the bitmap already is; no work past the data.
            if (std::any_of(dest, dest + rowBytes, [](uint8_t v) { return v != 0; }))
                for (int k = i + 1; k < h; ++k)
                    std::copy(dest, dest + rowBytes, result.ScanLine(topFirst ? k : h - 1 - k));
            break;
        }
    }
    Bitmap.KeepingCallbacks([&] { Bitmap = std::move(result); });
    Bitmap.Changed();
}

} // namespace

void TargaToBitmap(TStream &Stream, TBitmap &Bitmap, int ColorDepth)
{
    GuardPictureMemory([&] { TTargaReader(Stream, ColorDepth).Run(Bitmap); });
}

void TargaToBitmap(const AnsiString &FileName, TBitmap &Bitmap)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    TargaToBitmap(stream, Bitmap, TgaColorDepth);
}
