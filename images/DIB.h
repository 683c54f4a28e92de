#pragma once
// Row access to bitmaps for the colour converters, and the colour lookups that map an RGB
// colour to a palette index.
#include "images/Bitmap.h"

#include <array>

// Base of the row accessors: the bitmap they work on (not owned) and its pixel format.
class TDIB {
public:
    TDIB(TBitmap &Bitmap, TPixelFormat PixelFormat) : FBitmap(&Bitmap), FPixelFormat(PixelFormat) {}
    virtual ~TDIB() = default;
    TDIB(const TDIB &) = delete;
    TDIB &operator=(const TDIB &) = delete;
    virtual uint8_t *ScanLine(int Row) = 0;
    TBitmap &Bitmap() { return *FBitmap; }
    TPixelFormat PixelFormat() const { return FPixelFormat; }

protected:
    TBitmap *FBitmap;
    TPixelFormat FPixelFormat;
};

// Reads a bitmap's rows in a given format: the bitmap itself is converted to it first.
class TDIBReader : public TDIB {
public:
    TDIBReader(TBitmap &Bitmap, TPixelFormat PixelFormat);
    uint8_t *ScanLine(int Row) override { return FBitmap->ScanLine(Row); }
};

// Builds an 8-bit (256-entry colour table from Palette, the rest black) or 24-bit bitmap of
// Width x Height and hands it to Bitmap when it is destroyed (or at Finish). Row 0 is the top.
class TDIBWriter : public TDIB {
public:
    // GIFException "Unsupported PixelFormat" / "Invalid image dimensions".
    TDIBWriter(TBitmap &Bitmap, TPixelFormat PixelFormat, int Width, int Height, const TPalette &Palette);
    ~TDIBWriter() override;
    // EInvalidGraphicOperation "Scan line index out of range".
    uint8_t *ScanLine(int Row) override;
    // Hands the rows to the bitmap now (the destructor then does nothing).
    void Finish();
    // Palette entries given (the colour table's "important" count).
    int ColorsImportant() const { return FImportant; }

private:
    void CreateDIB();
    int FWidth, FHeight;
    TPalette FPalette;
    std::unique_ptr<TBitmap> FDIB;
    int FImportant = 0;
};

// Maps colours to palette indexes. Lookup answers the index and sets R, G, B to its colour.
class TColorLookup {
public:
    explicit TColorLookup(const TPalette &) {}
    virtual ~TColorLookup() = default;
    virtual uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) = 0;
    int Colors = 0;
};

// Any palette: the answer of each 5-5-5 colour cell is worked out once (least sum of channel
// differences, lowest index on ties) and kept.
class TFastColorLookup : public TColorLookup {
public:
    explicit TFastColorLookup(const TPalette &Palette);
    uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;

private:
    std::array<TPaletteEntry, 256> FPaletteEntries{};
    std::vector<int16_t> FInverseLookup;
};

// The 216 web-safe colours (6 levels a channel, index r*36 + g*6 + b).
class TNetscapeColorLookup : public TColorLookup {
public:
    explicit TNetscapeColorLookup(const TPalette &Palette = {}) : TColorLookup(Palette) { Colors = 216; }
    uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
};

class TGrayScaleLookup : public TColorLookup {
public:
    explicit TGrayScaleLookup(const TPalette &Palette = {}) : TColorLookup(Palette) { Colors = 256; }
    uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
};

class TMonochromeLookup : public TColorLookup {
public:
    explicit TMonochromeLookup(const TPalette &Palette = {}) : TColorLookup(Palette) { Colors = 2; }
    uint8_t Lookup(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
};

// 216 entries: entry r*36 + g*6 + b = (r*51, g*51, b*51).
TPalette CreateSafePalette();
