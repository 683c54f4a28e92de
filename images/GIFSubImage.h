#pragma once
// One frame of a GIF image: its image descriptor, local colour table, extensions and pixels
// (one colour index a byte, rows from the top), rendered into a bitmap with a mask of its
// transparent pixels when shown.
#include "images/Bitmap.h"
#include "images/GIFExtensions.h"

#include <QImage>

class QPainter;

class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage *Image);
    ~TGIFSubImage() override;

    void Clear();
    bool Empty() const { return Data.empty() || FWidth == 0 || FHeight == 0; }

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Stores the place and size (16 bits each; EImageRangeError past that); a new size frees the
    // rendering and zeroes the pixels; a frame past the image's edge widens the image, with warnings.
    void SetBounds(int Left, int Top, int Width, int Height);
    QRect BoundsRect() const { return QRect(FLeft, FTop, FWidth, FHeight); }
    // The frame's place scaled from the logical screen into Rect.
    QRect ScaleRect(const QRect &Rect) const;

    bool Interlaced() const { return DescriptorFlags & 0x40; }
    void SetInterlaced(bool Value)
    {
        DescriptorFlags = uint8_t(Value ? DescriptorFlags | 0x40 : DescriptorFlags & ~0x40);
    }
    int BitsPerPixel() const { return ColorMap.BitsPerPixel(); }
    // The local table when it has entries or there is no global one; else the image's table.
    TGIFColorMap &ActiveColorMap();
    TGIFVersion GetVersion() const override;

    void NewImage();
    void FreeImage() { Data.clear(); }
    // "Image is empty" for a frame of no pixels.
    void NeedImage();
    // "Invalid pixel coordinates" outside the frame.
    uint8_t Pixels(int X, int Y) const;
    uint8_t *Scanline(int Y);

    // The frame's palette: its rendering's, else its local table's, else the image's.
    TPalette Palette();
    void SetPalette(const TPalette &Value);
    // The frame drawn into an 8-bit bitmap (dithered onto the web-safe colours when the image
    // asks for dithering); nullptr for an empty frame.
    TBitmap *Bitmap();
    bool HasBitmap() const { return bool(FBitmap); }
    void FreeBitmap();
    // The mask of transparent pixels (one byte a pixel, 1 = transparent), rendering first when needed.
    bool HasMask();
    void FreeMask();
    const std::vector<uint8_t> &Mask() const { return FMask; }
    // The rendering as ARGB; transparent pixels have alpha 0 when Transparent is asked.
    QImage RenderImage(bool Transparent);

    void Draw(QPainter &Painter, const QRect &Rect, bool Tile, bool Transparent);
    void StretchDraw(QPainter &Painter, const QRect &Rect, bool Tile, bool Transparent);

    void LoadFromStream(TStream &Stream) override;
    void SaveToStream(TStream &Stream) override;
    void PrepareDescriptor();
    void Decompress(TStream &Stream);
    void Compress(TStream &Stream);

    void Assign(const TGIFSubImage &Source);
    // The bitmap's pixels become the frame's: indexed formats keep their indexes and palette, other
    // formats are reduced first with the image's reduction settings.
    void AssignBitmap(const TBitmap &Source);
    void Crop();
    void BlankRepeats(TGIFSubImage *Previous);

    // The local table changed: the palette and rendering go.
    void ColorMapChanged();

    uint8_t DescriptorFlags = 0;
    TPixelBytes Data;
    TGIFLocalColorMap ColorMap;
    TGIFExtensionList Extensions;
    bool Transparent = false;
    TGIFGraphicControlExtension *GraphicControlExtension = nullptr;

private:
    void Render();
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    std::unique_ptr<TBitmap> FBitmap;
    std::vector<uint8_t> FMask;
    bool FNeedMask = true;
    TPalette FPalette;
};
