#include "images/GIFSubImage.h"

#include "images/ColorReduction.h"
#include "images/DIB.h"
#include "images/Dither.h"
#include "images/GIFImage.h"

#include <QPainter>
#include <cstring>

namespace {
using TEntry3 = TGIFColorMap::TEntry;

int MulDiv(int A, int B, int C)
{
    if (C == 0)
        return -1;
    const int64_t p = int64_t(A) * B;
    return int((p + (p >= 0 ? C / 2 : -C / 2)) / C);
}
} // namespace

TGIFSubImage::TGIFSubImage(TGIFImage *Image) : TGIFItem(Image), ColorMap(*this), Extensions(*this)
{
}

TGIFSubImage::~TGIFSubImage()
{
    Extensions.Clear();
}

void TGIFSubImage::Clear()
{
    Extensions.Clear();
    ColorMap.Clear();
    Data.clear();
    FHeight = 0;
    FWidth = 0;
    Transparent = false;
    GraphicControlExtension = nullptr;
    FBitmap.reset();
    FreeMask();
    FPalette.clear();
}

void TGIFSubImage::SetBounds(int Left, int Top, int Width, int Height)
{
    for (int v : {Left, Top, Width, Height})
        if (v < 0 || v > 65535)
            throw EImageRangeError("Range check error");
    const bool resized = Width != FWidth || Height != FHeight;
    FLeft = Left;
    FTop = Top;
    FWidth = Width;
    FHeight = Height;
    if (resized) {
        FBitmap.reset();
        FreeMask();
        NewImage();
    }
    if (!FImage)
        return;
    bool warned = false;
    if (Left + Width > FImage->Header.Width) {
        if (FImage->Header.Width > 0) {
            Warning(1, "Image width too small for contained frames");
            warned = true;
        }
        FImage->Header.Width = uint16_t(std::min(Left + Width, 65535));
    }
    if (Top + Height > FImage->Header.Height) {
        if (FImage->Header.Height > 0) {
            Warning(1, "Image height too small for contained frames");
            warned = true;
        }
        FImage->Header.Height = uint16_t(std::min(Top + Height, 65535));
    }
    if (warned)
        Warning(1, "Image exceeds Logical Screen size");
}

QRect TGIFSubImage::ScaleRect(const QRect &Rect) const
{
    const int iw = FImage && FImage->GetWidth() > 0 ? FImage->GetWidth() : std::max(FWidth, 1);
    const int ih = FImage && FImage->GetHeight() > 0 ? FImage->GetHeight() : std::max(FHeight, 1);
    const int left = Rect.left() + MulDiv(FLeft, Rect.width(), iw);
    const int top = Rect.top() + MulDiv(FTop, Rect.height(), ih);
    const int right = Rect.left() + MulDiv(FLeft + FWidth, Rect.width(), iw);
    const int bottom = Rect.top() + MulDiv(FTop + FHeight, Rect.height(), ih);
    return QRect(left, top, right - left, bottom - top);
}

TGIFColorMap &TGIFSubImage::ActiveColorMap()
{
    if (ColorMap.Count() > 0 || !FImage || FImage->Header.ColorMap.Count() == 0)
        return ColorMap;
    return FImage->Header.ColorMap;
}

TGIFVersion TGIFSubImage::GetVersion() const
{
    TGIFVersion v = ColorMap.Optimized() ? gv89a : gv87a;
    for (int i = 0; i < Extensions.Count(); ++i)
        v = std::max(v, Extensions[i].GetVersion());
    return v;
}

void TGIFSubImage::NewImage()
{
    Data.clear();
    if (int64_t(FWidth) * FHeight > 0) {
        CheckImageSize(FWidth, FHeight);
        Data = TPixelBytes(size_t(FWidth) * size_t(FHeight));
    }
}

void TGIFSubImage::NeedImage()
{
    if (Data.empty())
        NewImage();
    if (Data.empty())
        GIFError("Image is empty");
}

uint8_t TGIFSubImage::Pixels(int X, int Y) const
{
    if (X < 0 || X >= FWidth || Y < 0 || Y >= FHeight || Data.empty())
        GIFError("Invalid pixel coordinates");
    return Data[size_t(Y) * size_t(FWidth) + size_t(X)];
}

uint8_t *TGIFSubImage::Scanline(int Y)
{
    NeedImage();
    if (Y < 0 || Y >= FHeight)
        GIFError("Invalid pixel coordinates");
    return Data.data() + size_t(Y) * size_t(FWidth);
}

TPalette TGIFSubImage::Palette()
{
    if (FBitmap && !FBitmap->Palette().empty())
        return FBitmap->Palette();
    if (!FPalette.empty())
        return FPalette;
    if (FImage && FImage->UseDither()) {
        FPalette = CreateSafePalette();
        return FPalette;
    }
    if (ColorMap.Count() == 0)
        return FImage ? FImage->GetPalette() : TPalette{};
    FPalette = ColorMap.ExportPalette();
    return FPalette;
}

void TGIFSubImage::SetPalette(const TPalette &Value)
{
    if (Value == FPalette)
        return;
    FPalette = Value;
    if (FBitmap && FBitmap->Palette() != Value) {
        FBitmap.reset();
        if (FImage) {
            FImage->PaletteModified = true;
            FImage->Changed();
        }
    }
}

void TGIFSubImage::FreeBitmap()
{
    FBitmap.reset();
}

void TGIFSubImage::FreeMask()
{
    FMask.clear();
    FNeedMask = true;
}

void TGIFSubImage::ColorMapChanged()
{
    FPalette.clear();
    FBitmap.reset();
    FreeMask();
}

TBitmap *TGIFSubImage::Bitmap()
{
    if (!FBitmap && !Empty())
        Render();
    return FBitmap.get();
}

bool TGIFSubImage::HasMask()
{
    if (FNeedMask && Transparent) {
        FBitmap.reset();
        Render();
    }
    return !FMask.empty();
}

void TGIFSubImage::Render()
{
    if (Empty())
        return;
    TGIFImage *img = FImage;
    if (img)
        img->Progress(psStarting, 0, false, QRect(), "Rendering...");
    bool ok = false;
    struct TEnd {
        TGIFSubImage *S;
        bool &Ok;
        ~TEnd()
        {
            if (S->FImage)
                S->FImage->Progress(psEnding, Ok ? 100 : 0, S->FImage->PaletteModified, QRect(), "Rendering...");
        }
    } end{this, ok};
    const bool buildMask = FNeedMask && Transparent && GraphicControlExtension;
    FNeedMask = false;
    const uint8_t key = GraphicControlExtension ? GraphicControlExtension->TransparentColorIndex : 0;
    std::vector<uint8_t> mask;
    bool anyTransparent = false;
    if (buildMask)
        mask.assign(Data.size(), 0);
    auto bitmap = std::make_unique<TBitmap>();
    const bool dither = img && img->UseDither();
    {
        TDIBWriter writer(*bitmap, pf8bit, FWidth, FHeight, dither ? CreateSafePalette() : Palette());
        if (!dither) {
            for (int y = 0; y < FHeight; ++y) {
                const uint8_t *src = Data.data() + size_t(y) * size_t(FWidth);
                std::memcpy(writer.ScanLine(y), src, size_t(FWidth));
                if (buildMask)
                    for (int x = 0; x < FWidth; ++x)
                        if (src[x] == key) {
                            mask[size_t(y) * size_t(FWidth) + size_t(x)] = 1;
                            anyTransparent = true;
                        }
                if (img && y % 32 == 31)
                    img->Progress(psRunning, uint8_t(MulDiv(y, 100, FHeight)), false, QRect(), "Rendering...");
            }
        } else {
            TGIFColorMap &map = ActiveColorMap();
            TNetscapeColorLookup lookup;
            TFloydSteinbergDitherer ditherer(FWidth, lookup);
            // Transparent pixels keep the web-safe index of the transparent colour.
            uint8_t fill = 0;
            if (buildMask && map.Count() > 0) {
                const TColor c = map.Colors(key);
                uint8_t r, g, b;
                fill = lookup.Lookup(uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), r, g, b);
            }
            for (int y = 0; y < FHeight; ++y) {
                uint8_t *dest = writer.ScanLine(y);
                const uint8_t *src = Data.data() + size_t(y) * size_t(FWidth);
                if (buildMask)
                    std::memset(dest, fill, size_t(FWidth));
                while (ditherer.Column() >= 0 && ditherer.Column() < FWidth) {
                    const int x = ditherer.Column();
                    if (buildMask && src[x] == key) {
                        mask[size_t(y) * size_t(FWidth) + size_t(x)] = 1;
                        anyTransparent = true;
                        ditherer.Skip();
                        continue;
                    }
                    const TEntry3 e =
                        map.Count() > 0 ? map.Entry(std::min<int>(src[x], map.Count() - 1)) : TEntry3{0, 0, 0};
                    uint8_t r, g, b;
                    dest[x] = ditherer.Dither(e[0], e[1], e[2], r, g, b);
                }
                ditherer.NextLine();
                if (img && y % 32 == 31)
                    img->Progress(psRunning, uint8_t(MulDiv(y, 100, FHeight)), false, QRect(), "Rendering...");
            }
        }
    }
    FBitmap = std::move(bitmap);
    if (anyTransparent)
        FMask = std::move(mask);
    ok = true;
    if (img && img->PaletteModified)
        img->Changed();
}

QImage TGIFSubImage::RenderImage(bool TransparentPixels)
{
    TBitmap *b = Bitmap();
    if (!b)
        return QImage();
    QImage img = b->NativeImage().convertToFormat(QImage::Format_ARGB32);
    if (TransparentPixels && Transparent && HasMask()) {
        for (int y = 0; y < FHeight; ++y) {
            QRgb *p = reinterpret_cast<QRgb *>(img.scanLine(y));
            const uint8_t *m = FMask.data() + size_t(y) * size_t(FWidth);
            for (int x = 0; x < FWidth; ++x)
                if (m[x])
                    p[x] = 0;
        }
    }
    return img;
}

void TGIFSubImage::Draw(QPainter &Painter, const QRect &Rect, bool Tile, bool TransparentPixels)
{
    StretchDraw(Painter, Tile ? Rect : ScaleRect(Rect), Tile, TransparentPixels);
}

void TGIFSubImage::StretchDraw(QPainter &Painter, const QRect &Rect, bool Tile, bool TransparentPixels)
{
    const QImage img = RenderImage(TransparentPixels);
    if (img.isNull())
        return;
    if (!Tile) {
        Painter.drawImage(Rect, img);
        return;
    }
    const int stepX = FImage && FImage->GetWidth() > 0 ? FImage->GetWidth() : FWidth;
    const int stepY = FImage && FImage->GetHeight() > 0 ? FImage->GetHeight() : FHeight;
    for (int y = Rect.top() + FTop; y < Rect.bottom() + 1; y += stepY)
        for (int x = Rect.left() + FLeft; x < Rect.right() + 1; x += stepX)
            Painter.drawImage(x, y, img);
}

// ---- reading and writing

// The bytes of image data in the sub-blocks from the stream's position (the code size byte) to the
// terminator or the end of the stream; the position is kept.
static int64_t FrameDataBytes(TStream &Stream)
{
    const int64_t start = Stream.GetPosition(), size = Stream.GetSize();
    int64_t pos = start + 1, bytes = 0;
    uint8_t length = 0;
    while (pos < size) {
        Stream.SetPosition(pos);
        if (!TryReadByte(Stream, length) || length == 0)
            break;
        bytes += std::min<int64_t>(length, size - pos - 1);
        pos += 1 + length;
    }
    Stream.SetPosition(start);
    return bytes;
}

void TGIFSubImage::LoadFromStream(TStream &Stream)
{
    Clear();
    Extensions.LoadFromStream(Stream);
    uint8_t b = 0;
    if (!TryReadByte(Stream, b))
        return;
    Stream.Seek(-1, soCurrent);
    if (b == ';' || b == 0)
        return; // extensions without a picture
    uint8_t d[10];
    ReadCheck(Stream, d, 10);
    int left = d[1] | (d[2] << 8), top = d[3] | (d[4] << 8), w = d[5] | (d[6] << 8), h = d[7] | (d[8] << 8);
    DescriptorFlags = d[9];
    if (w == 0 || h == 0) {
        w = FImage ? FImage->Header.Width : 0;
        h = FImage ? FImage->Header.Height : 0;
        Warning(1, "Image exceeds Logical Screen size");
    }
    if (DescriptorFlags & 0x80)
        ColorMap.LoadFromStream(Stream, 2 << (DescriptorFlags & 7));
    // One byte of image data yields at most a few thousand pixels (a 12-bit code stands for at most
    // 4096 of them): a frame far larger than its own data cannot be real, and is refused before
    // anything is allocated for it. Then the frame must fit the picture's budget with the others.
    if (int64_t(w) * h > (FrameDataBytes(Stream) + 16) * 11000)
        GIFError("Image is larger than its data");
    if (FImage)
        FImage->ChargeFrame(left, top, w, h);
    FLeft = left;
    FTop = top;
    SetBounds(left, top, w, h);
    Decompress(Stream);
    if (RenderOnLoad)
        Bitmap();
}

void TGIFSubImage::PrepareDescriptor()
{
    if (ColorMap.Count() == 0)
        DescriptorFlags &= 0x58;
    else
        DescriptorFlags =
            uint8_t(((BitsPerPixel() - 1) & 7) | 0x80 | (ColorMap.Optimized() ? 0x20 : 0) | (DescriptorFlags & 0x40));
}

void TGIFSubImage::SaveToStream(TStream &Stream)
{
    Extensions.SaveToStream(Stream);
    if (Empty())
        return;
    PrepareDescriptor();
    const uint8_t d[10] = {',',
                           uint8_t(FLeft),
                           uint8_t(FLeft >> 8),
                           uint8_t(FTop),
                           uint8_t(FTop >> 8),
                           uint8_t(FWidth),
                           uint8_t(FWidth >> 8),
                           uint8_t(FHeight),
                           uint8_t(FHeight >> 8),
                           DescriptorFlags};
    Stream.WriteBuffer(d, 10);
    ColorMap.SaveToStream(Stream);
    Compress(Stream);
}

// ---- LZW decoding

namespace {
class TLZWDecoder {
public:
    TLZWDecoder(TStream &Stream, TGIFSubImage &Frame) : FStream(Stream), FFrame(Frame) {}

    // Decodes into Out (Count pixels, rows Width long, interlaced or not).
    void Run(uint8_t *Out, int Width, int Height, bool Interlaced);

private:
    int ReadCode();
    int NextLZW();
    int NextCode()
    {
        if (FSp > 0)
            return FStack[--FSp];
        return NextLZW();
    }
    void SkipBlocks();

    TStream &FStream;
    TGIFSubImage &FFrame;
    uint16_t FPrefix[4096]{};
    uint8_t FSuffix[4096]{};
    uint8_t FStack[8192]{};
    int FSp = 0;
    uint8_t FBuf[260]{};
    int FCurBit = 0, FLastBit = 0, FLastByte = 2;
    int FMinCodeSize = 0, FCodeSize = 0, FClearCode = 0, FEOICode = 0, FMaxCode = 0, FNextFree = 0;
    int FFirstCode = 0, FOldCode = 0;
    bool FFirstCall = true, FZeroBlock = false, FEnded = false;
};

int TLZWDecoder::ReadCode()
{
    if (FFirstCall) {
        FFirstCall = false;
        return FClearCode;
    }
    if (FCurBit + FCodeSize > FLastBit) {
        if (FZeroBlock) {
            if (FCurBit >= FLastBit)
                FFrame.Warning(1, "Decoder bit buffer under-run");
            return -1;
        }
        FBuf[0] = FBuf[FLastByte - 2];
        FBuf[1] = FBuf[FLastByte - 1];
        uint8_t length = 0;
        if (!TryReadByte(FStream, length))
            return -1;
        int n = length;
        if (n == 0) {
            FZeroBlock = true;
        } else {
            const int64_t left = FStream.GetSize() - FStream.GetPosition();
            if (left < n) {
                FFrame.Warning(1, "Premature end of data");
                n = int(std::max<int64_t>(left, 0));
            }
            ReadCheck(FStream, FBuf + 2, n);
        }
        FLastByte = 2 + n;
        FCurBit = FCurBit - FLastBit + 16;
        FLastBit = FLastByte * 8;
        if (FCurBit + FCodeSize > FLastBit) {
            if (FZeroBlock && FCurBit >= FLastBit)
                FFrame.Warning(1, "Decoder bit buffer under-run");
            if (FZeroBlock || n == 0)
                return -1;
            return ReadCode(); // a block too short for the code: take the next one too
        }
    }
    const int first = FCurBit >> 3;
    uint32_t bits = FBuf[first];
    if (first + 1 < FLastByte)
        bits |= uint32_t(FBuf[first + 1]) << 8;
    if (first + 2 < FLastByte)
        bits |= uint32_t(FBuf[first + 2]) << 16;
    const int code = int((bits >> (FCurBit & 7)) & ((1u << FCodeSize) - 1));
    FCurBit += FCodeSize;
    return code;
}

int TLZWDecoder::NextLZW()
{
    int code = ReadCode();
    if (code < 0)
        return code;
    if (code == FClearCode) {
        FCodeSize = FMinCodeSize + 1;
        FMaxCode = FClearCode * 2;
        FNextFree = FClearCode + 2;
        FSp = 0;
        do {
            code = ReadCode();
        } while (code == FClearCode);
        if (code < 0)
            return code;
        if (code == FEOICode) {
            FEnded = true;
            return -2;
        }
        FFirstCode = FOldCode = code;
        // A first code that is no colour means damaged data; its low byte stands in.
        return code & 0xFF;
    }
    if (code == FEOICode) {
        FEnded = true;
        return -2;
    }
    const int inCode = code;
    if (code >= FNextFree) {
        FStack[FSp++] = uint8_t(FFirstCode);
        code = FOldCode;
    }
    // A chain longer than the table holds codes can only be a cycle of damaged data.
    int steps = 0;
    while (code >= FClearCode) {
        if (code >= 4096 || FPrefix[code] == code || ++steps > 4096 || FSp >= 8190)
            GIFError("Circular decoder table entry");
        FStack[FSp++] = FSuffix[code];
        code = FPrefix[code];
    }
    FFirstCode = code & 0xFF;
    FStack[FSp++] = uint8_t(FFirstCode);
    if (FNextFree <= 4095) {
        FPrefix[FNextFree] = uint16_t(FOldCode);
        FSuffix[FNextFree] = uint8_t(FFirstCode);
        ++FNextFree;
        if (FNextFree >= FMaxCode && FMaxCode <= 4095) {
            FMaxCode *= 2;
            ++FCodeSize;
        }
    }
    FOldCode = inCode;
    return FStack[--FSp];
}

void TLZWDecoder::SkipBlocks()
{
    if (FZeroBlock)
        return;
    uint8_t length = 0;
    while (TryReadByte(FStream, length) && length != 0)
        FStream.Seek(length, soCurrent);
    FZeroBlock = true;
}

void TLZWDecoder::Run(uint8_t *Out, int Width, int Height, bool Interlaced)
{
    uint8_t size = 0;
    if (!TryReadByte(FStream, size))
        return;
    if (size > 11)
        GIFError("Invalid LZW code size");
    FMinCodeSize = size;
    FCodeSize = size + 1;
    FClearCode = 1 << size;
    FEOICode = FClearCode + 1;
    FMaxCode = FClearCode * 2;
    FNextFree = FClearCode + 2;
    for (int i = 0; i < 4096; ++i) {
        FPrefix[i] = 0;
        FSuffix[i] = i < FClearCode ? uint8_t(i) : 0;
    }
    // The stream ends up just after the frame's terminator, whatever the data held.
    struct TSkip {
        TLZWDecoder *D;
        ~TSkip()
        {
            try {
                D->SkipBlocks();
            } catch (...) {
            }
        }
    } skip{this};
    const auto row = [&](uint8_t *Dest) {
        for (int x = 0; x < Width; ++x) {
            const int c = NextCode();
            if (c < 0)
                return false;
            Dest[x] = uint8_t(c);
        }
        return true;
    };
    if (!Interlaced) {
        for (int y = 0; y < Height; ++y)
            if (!row(Out + size_t(y) * size_t(Width)))
                return;
    } else {
        int r = 0, pass = 0, step = 8;
        for (int i = 0; i < Height; ++i) {
            if (!row(Out + size_t(r) * size_t(Width)))
                return;
            r += step;
            while (r >= Height && pass < 4) {
                if (pass > 0)
                    step /= 2;
                ++pass;
                r = step / 2;
            }
            if (r >= Height)
                return;
        }
    }
    if (!FEnded)
        NextCode(); // normally the end code, which the data ends with
}
} // namespace

void TGIFSubImage::Decompress(TStream &Stream)
{
    const uint8_t fill = Transparent && GraphicControlExtension ? GraphicControlExtension->TransparentColorIndex : 0;
    if (Data.size() != size_t(FWidth) * size_t(FHeight))
        NewImage();
    std::fill(Data.begin(), Data.end(), fill);
    auto decoder = std::make_unique<TLZWDecoder>(Stream, *this);
    decoder->Run(Data.data(), FWidth, FHeight, Interlaced());
}

// ---- conversions and the optimiser's pixel work

void TGIFSubImage::Assign(const TGIFSubImage &Source)
{
    if (&Source == this)
        return;
    Clear();
    if (Source.Empty())
        return;
    DescriptorFlags = Source.DescriptorFlags;
    FLeft = Source.FLeft;
    FTop = Source.FTop;
    FWidth = Source.FWidth;
    FHeight = Source.FHeight;
    Transparent = Source.Transparent;
    Data = Source.Data;
    ColorMap.Assign(Source.ColorMap);
    if (Source.Extensions.Count() > 0) {
        TMemoryStream s;
        const_cast<TGIFExtensionList &>(Source.Extensions).SaveToStream(s);
        WriteByte(s, ',');
        s.SetPosition(0);
        Extensions.LoadFromStream(s);
    }
}

void TGIFSubImage::AssignBitmap(const TBitmap &Source)
{
    Clear();
    if (Source.GetEmpty())
        return;
    TBitmap work;
    const TPixelFormat f = Source.PixelFormat();
    if (f == pf1bit || f == pf4bit || f == pf8bit)
        work = Source;
    else
        work = ReduceColors(Source, FImage ? FImage->ReductionMethod : 6, FImage ? FImage->DitherMethod : 0, {},
                            FImage ? FImage->ReductionBitCount : 8);
    SetBounds(FLeft, FTop, work.GetWidth(), work.GetHeight());
    NeedImage();
    if (FImage)
        FImage->Progress(psStarting, 0, false, QRect(), "Converting...");
    const TPixelFormat wf = work.PixelFormat();
    if (wf == pf1bit || wf == pf4bit || wf == pf8bit) {
        ColorMap.ImportPalette(work.Palette());
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x)
                Data[size_t(y) * size_t(FWidth) + size_t(x)] = uint8_t(work.GetPixelValue(x, y));
    } else {
        // True colour kept as it is (reduction 0): every colour goes into the table.
        ColorMap.Clear();
        TColor cache[8];
        int cached = 0, next = 0;
        uint8_t cacheIndex[8]{};
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x) {
                const TColor c = work.GetPixel(x, y);
                int found = -1;
                for (int k = 0; k < cached; ++k) {
                    const int slot = (next - 1 - k + 8) % 8;
                    if (cache[slot] == c) {
                        found = cacheIndex[slot];
                        break;
                    }
                }
                if (found < 0) {
                    found = ColorMap.AddUnique(c);
                    cache[next] = c;
                    cacheIndex[next] = uint8_t(found);
                    next = (next + 1) % 8;
                    cached = std::min(cached + 1, 8);
                }
                Data[size_t(y) * size_t(FWidth) + size_t(x)] = uint8_t(found);
            }
    }
    if (FImage)
        FImage->Progress(psEnding, 100, false, QRect(), "Converting...");
    if (Source.Transparent() && ColorMap.Count() > 0 && ColorMap.Count() < 256) {
        const int index = ColorMap.Add(clBlack);
        bool any = false;
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x)
                if ((Source.GetPixel(x, y) & 0xFFFFFF) == (Source.TransparentColor & 0xFFFFFF)) {
                    Data[size_t(y) * size_t(FWidth) + size_t(x)] = uint8_t(index);
                    any = true;
                }
        if (any) {
            auto gce = std::make_unique<TGIFGraphicControlExtension>(this);
            TGIFGraphicControlExtension *g = gce.get();
            Extensions.Add(std::move(gce));
            g->SetTransparent(true);
            g->TransparentColorIndex = uint8_t(index);
        } else {
            ColorMap.Delete(index);
        }
    }
}

void TGIFSubImage::Crop()
{
    if (Empty() || !Transparent || !GraphicControlExtension)
        return;
    const uint8_t t = GraphicControlExtension->TransparentColorIndex;
    int x0 = FWidth, x1 = -1, y0 = FHeight, y1 = -1;
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x)
            if (Data[size_t(y) * size_t(FWidth) + size_t(x)] != t) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    if (x1 < 0) {
        const int left = FLeft, top = FTop;
        Data.clear();
        FWidth = FHeight = 0;
        FLeft = left;
        FTop = top;
        FBitmap.reset();
        FreeMask();
        return;
    }
    const int w = x1 - x0 + 1, h = y1 - y0 + 1;
    TPixelBytes cropped(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(cropped.data() + size_t(y) * size_t(w), Data.data() + size_t(y + y0) * size_t(FWidth) + size_t(x0),
                    size_t(w));
    Data = std::move(cropped);
    FLeft += x0;
    FTop += y0;
    FWidth = w;
    FHeight = h;
    FBitmap.reset();
    FreeMask();
}

void TGIFSubImage::BlankRepeats(TGIFSubImage *Previous)
{
    if (!Previous || Empty() || Previous->Empty())
        return;
    if (Previous->GraphicControlExtension && (Previous->GraphicControlExtension->Disposal() == diRestoreBackground ||
                                              Previous->GraphicControlExtension->Disposal() == diRestorePrevious))
        return;
    const QRect common = BoundsRect().intersected(Previous->BoundsRect());
    if (common.isEmpty())
        return;
    int index = -1;
    bool made = false;
    if (Transparent && GraphicControlExtension) {
        index = GraphicControlExtension->TransparentColorIndex;
    }
    TGIFColorMap &mine = ActiveColorMap();
    TGIFColorMap &theirs = Previous->ActiveColorMap();
    const int prevKey = Previous->Transparent && Previous->GraphicControlExtension
                            ? Previous->GraphicControlExtension->TransparentColorIndex
                            : -1;
    for (int y = common.top(); y <= common.bottom(); ++y)
        for (int x = common.left(); x <= common.right(); ++x) {
            uint8_t &p = Data[size_t(y - FTop) * size_t(FWidth) + size_t(x - FLeft)];
            const uint8_t q =
                Previous->Data[size_t(y - Previous->FTop) * size_t(Previous->FWidth) + size_t(x - Previous->FLeft)];
            if ((index >= 0 && p == index) || q == prevKey)
                continue;
            const bool same = &mine == &theirs
                                  ? p == q
                                  : (p < mine.Count() && q < theirs.Count() && mine.Entry(p) == theirs.Entry(q));
            if (!same)
                continue;
            if (index < 0) {
                const bool room = (ColorMap.Count() > 0 && ColorMap.Count() < 256) ||
                                  (ColorMap.Count() == 0 && FImage && FImage->Header.ColorMap.Count() > 0 &&
                                   FImage->Header.ColorMap.Count() < 256);
                if (!room)
                    return;
                index = ColorMap.Count() > 0 ? ColorMap.Add(clBlack) : FImage->Header.ColorMap.Add(clBlack);
                made = true;
            }
            p = uint8_t(index);
        }
    if (made) {
        if (!GraphicControlExtension)
            Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(this));
        GraphicControlExtension->SetTransparent(true);
        GraphicControlExtension->TransparentColorIndex = uint8_t(index);
    }
    FBitmap.reset();
    FreeMask();
}
