#pragma once
// TBitmap: a device-independent bitmap in memory with the pixel formats the picture readers
// and writers work in. Rows are stored top row first, each padded to a multiple of 4 bytes:
//   pf1bit   8 pixels a byte, leftmost in the most significant bit, palette indexes
//   pf4bit   2 pixels a byte, leftmost in the high nibble, palette indexes
//   pf8bit   1 byte a pixel, palette index
//   pf24bit  3 bytes a pixel in the order blue, green, red
//   pf32bit  4 bytes a pixel: blue, green, red and a byte that is not used
// The palette is kept as given (an index past its end shows black). The bitmap turns into a
// QImage to draw; that image shares the rows where Qt has a matching format.
#include "images/Graphic.h"

#include <QImage>

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Bits of one pixel in a format (0 for pfDevice/pfCustom, which are kept as 24 bits here).
int PixelFormatBits(TPixelFormat Format);
// ((PixelsPerLine * BitsPerPixel + Alignment - 1) and not (Alignment - 1)) div 8.
int64_t BytesPerScanline(int64_t PixelsPerLine, int64_t BitsPerPixel, int64_t Alignment);

class TBitmap : public TGraphic {
public:
    TBitmap() = default;
    TBitmap(const TBitmap &Other) = default;
    TBitmap &operator=(const TBitmap &Other) = default;
    // Moving hands the rows over; a reader's finished picture never copies its pixels.
    TBitmap(TBitmap &&Other) noexcept = default;
    TBitmap &operator=(TBitmap &&Other) noexcept = default;

    const char *ClassName() const override { return "TBitmap"; }
    bool GetEmpty() const override { return FWidth == 0 || FHeight == 0; }
    int GetWidth() const override { return FWidth; }
    int GetHeight() const override { return FHeight; }
    void SetWidth(int Value) override { SetSize(Value, FHeight); }
    void SetHeight(int Value) override { SetSize(FWidth, Value); }
    // Keeps the pixels of the part both sizes share; new pixels are 0. Checked against the
    // picture budget.
    void SetSize(int Width, int Height);

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // Converts the pixels. To an indexed format they are mapped onto the palette (nearest
    // colour); a bitmap without palette gets black and white (1 bit), the 16 standard colours
    // (4 bits) or the 216 web-safe colours (8 bits) first.
    void SetPixelFormat(TPixelFormat Value);
    int BitsPerPixel() const { return PixelFormatBits(FPixelFormat); }

    TPalette GetPalette() const override { return FPalette; }
    const TPalette &Palette() const { return FPalette; }
    void SetPalette(const TPalette &Value);

    bool IgnorePalette = false;
    // The colour drawn as transparent when Transparent() is set (0x00BBGGRR).
    TColor TransparentColor = clBlack;

    int64_t BytesPerLine() const { return FStride; }
    // Row Row's first byte; EInvalidGraphicOperation "Scan line index out of range".
    uint8_t *ScanLine(int Row);
    const uint8_t *ScanLine(int Row) const;

    // Pixel access through colours (as a canvas's Pixels does): indexed formats answer the
    // palette colour, and setting finds the nearest palette entry.
    TColor GetPixel(int X, int Y) const;
    void SetPixel(int X, int Y, TColor Color);
    // The raw value of a pixel: the index for indexed formats, the 0x00BBGGRR colour otherwise.
    uint32_t GetPixelValue(int X, int Y) const;
    void SetPixelValue(int X, int Y, uint32_t Value);

    void Assign(const TBitmap &Source) { *this = Source; }
    // Any picture becomes a bitmap: a TBitmap is copied, others are drawn onto a 24-bit one.
    void AssignGraphic(const TGraphic &Source);
    // Takes a QImage: indexed images keep their indexes and palette, others become 24 bits
    // (32 bits when the image has an alpha channel).
    void FromImage(const QImage &Image);
    // The rows as a QImage (shares memory for 1, 8, 24 and 32 bits without transparency).
    QImage NativeImage() const;

    void Draw(QPainter &Painter, const QRect &Rect) override;
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TBitmap>(*this); }
    // BMP files, through Qt's reader and writer.
    void LoadFromStream(TStream &Stream) override;
    void SaveToStream(TStream &Stream) override;

    void Clear();

private:
    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pf24bit;
    int64_t FStride = 0;
    TPalette FPalette;
    TPixelBytes FBits;
};

// The nearest palette entry by the sum of channel differences (lowest index on ties).
int NearestPaletteIndex(const TPalette &Palette, uint8_t R, uint8_t G, uint8_t B);
// Standard palettes.
TPalette MonochromePalette();
TPalette Standard16Palette();
