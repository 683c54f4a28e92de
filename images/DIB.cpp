#include "images/DIB.h"

#include "images/GIFTypes.h"

#include <cstdlib>

TDIBReader::TDIBReader(TBitmap &Bitmap, TPixelFormat PixelFormat) : TDIB(Bitmap, PixelFormat)
{
    Bitmap.SetPixelFormat(PixelFormat);
}

TDIBWriter::TDIBWriter(TBitmap &Bitmap, TPixelFormat PixelFormat, int Width, int Height, const TPalette &Palette)
    : TDIB(Bitmap, PixelFormat), FWidth(Width), FHeight(Height), FPalette(Palette)
{
    if (PixelFormat != pf8bit && PixelFormat != pf24bit)
        GIFError("Unsupported PixelFormat");
    if (Width <= 0 || Height <= 0)
        GIFError("Invalid image dimensions");
}

TDIBWriter::~TDIBWriter()
{
    try {
        Finish();
    } catch (...) {
        // A destructor never throws; the bitmap keeps what it held.
    }
}

void TDIBWriter::CreateDIB()
{
    auto dib = std::make_unique<TBitmap>();
    dib->SetPixelFormat(FPixelFormat);
    if (FPixelFormat == pf8bit) {
        TPalette table(256, TPaletteEntry{0, 0, 0, 0});
        FImportant = int(std::min<size_t>(FPalette.size(), 256));
        for (int i = 0; i < FImportant; ++i)
            table[size_t(i)] = {FPalette[size_t(i)].peRed, FPalette[size_t(i)].peGreen, FPalette[size_t(i)].peBlue, 0};
        dib->SetPalette(table);
    }
    dib->SetSize(FWidth, FHeight);
    FDIB = std::move(dib);
}

uint8_t *TDIBWriter::ScanLine(int Row)
{
    if (!FDIB)
        CreateDIB();
    if (Row < 0 || Row >= FHeight)
        throw EInvalidGraphicOperation("Scan line index out of range");
    return FDIB->ScanLine(Row);
}

void TDIBWriter::Finish()
{
    if (!FDIB)
        return;
    std::unique_ptr<TBitmap> dib = std::move(FDIB);
    FBitmap->KeepingCallbacks([&] { *FBitmap = std::move(*dib); });
    FBitmap->Changed();
}

TFastColorLookup::TFastColorLookup(const TPalette &Palette) : TColorLookup(Palette), FInverseLookup(32768, -1)
{
    Colors = int(std::min<size_t>(Palette.size(), 256));
    for (int i = 0; i < Colors; ++i) {
        const TPaletteEntry &e = Palette[size_t(i)];
        FPaletteEntries[size_t(i)] = e;
        const int cell = (e.peBlue >> 3) * 1024 + (e.peGreen >> 3) * 32 + (e.peRed >> 3);
        if (FInverseLookup[size_t(cell)] == -1)
            FInverseLookup[size_t(cell)] = int16_t(i);
    }
}

uint8_t TFastColorLookup::Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    const int cell = (Blue >> 3) * 1024 + (Green >> 3) * 32 + (Red >> 3);
    int index = FInverseLookup[size_t(cell)];
    if (index < 0) {
        int best = 1 << 30;
        index = 0;
        for (int i = 0; i < Colors; ++i) {
            const TPaletteEntry &e = FPaletteEntries[size_t(i)];
            const int d =
                std::abs(int(e.peRed) - Red) + std::abs(int(e.peGreen) - Green) + std::abs(int(e.peBlue) - Blue);
            if (d < best) {
                best = d;
                index = i;
            }
        }
        FInverseLookup[size_t(cell)] = int16_t(index);
    }
    const TPaletteEntry &e = FPaletteEntries[size_t(index)];
    R = e.peRed;
    G = e.peGreen;
    B = e.peBlue;
    return uint8_t(index);
}

uint8_t TNetscapeColorLookup::Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    const int r = (Red + 3) / 51, g = (Green + 3) / 51, b = (Blue + 3) / 51;
    R = uint8_t(r * 51);
    G = uint8_t(g * 51);
    B = uint8_t(b * 51);
    return uint8_t(r * 36 + g * 6 + b);
}

uint8_t TGrayScaleLookup::Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    const uint8_t v = uint8_t((77 * Red + 150 * Green + 29 * Blue) >> 8);
    R = G = B = v;
    return v;
}

uint8_t TMonochromeLookup::Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    const bool white = 77 * Red + 150 * Green + 29 * Blue >= 32513;
    R = G = B = white ? 255 : 0;
    return white ? 1 : 0;
}

TPalette CreateSafePalette()
{
    TPalette p;
    p.reserve(216);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.push_back({uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51), 0});
    return p;
}
