#include "images/Bitmap.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <unordered_map>

int PixelFormatBits(TPixelFormat Format)
{
    switch (Format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf32bit: return 32;
    default: return 24;
    }
}

int64_t BytesPerScanline(int64_t PixelsPerLine, int64_t BitsPerPixel, int64_t Alignment)
{
    return ((PixelsPerLine * BitsPerPixel + Alignment - 1) & ~(Alignment - 1)) / 8;
}

int NearestPaletteIndex(const TPalette &Palette, uint8_t R, uint8_t G, uint8_t B)
{
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < Palette.size(); ++i) {
        const TPaletteEntry &e = Palette[i];
        const int d = std::abs(int(e.peRed) - R) + std::abs(int(e.peGreen) - G) + std::abs(int(e.peBlue) - B);
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
            if (d == 0)
                break;
        }
    }
    return best;
}

TPalette MonochromePalette()
{
    return {{0, 0, 0, 0}, {255, 255, 255, 0}};
}

TPalette Standard16Palette()
{
    static const uint8_t c[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                     {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                     {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                     {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    TPalette p;
    for (const auto &e : c)
        p.push_back({e[0], e[1], e[2], 0});
    return p;
}

static TPalette WebSafePalette()
{
    TPalette p;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.push_back({uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51), 0});
    return p;
}

void TBitmap::Clear()
{
    FWidth = FHeight = 0;
    FStride = 0;
    FBits.clear();
    FBits.shrink_to_fit();
}

void TBitmap::SetSize(int Width, int Height)
{
    if (Width == FWidth && Height == FHeight)
        return;
    CheckImageSize(Width, Height);
    const int64_t stride = BytesPerScanline(Width, BitsPerPixel(), 32);
    TPixelBytes bits(size_t(stride * Height));
    const int64_t keep = std::min(stride, BytesPerScanline(std::min(Width, FWidth), BitsPerPixel(), 8));
    for (int y = 0; y < std::min(Height, FHeight); ++y)
        std::memcpy(bits.data() + y * stride, FBits.data() + y * FStride, size_t(keep));
    FWidth = Width;
    FHeight = Height;
    FStride = stride;
    FBits = std::move(bits);
    Changed();
}

uint8_t *TBitmap::ScanLine(int Row)
{
    if (Row < 0 || Row >= FHeight)
        throw EInvalidGraphicOperation("Scan line index out of range");
    return FBits.data() + int64_t(Row) * FStride;
}

const uint8_t *TBitmap::ScanLine(int Row) const
{
    if (Row < 0 || Row >= FHeight)
        throw EInvalidGraphicOperation("Scan line index out of range");
    return FBits.data() + int64_t(Row) * FStride;
}

uint32_t TBitmap::GetPixelValue(int X, int Y) const
{
    if (X < 0 || X >= FWidth || Y < 0 || Y >= FHeight)
        return 0;
    const uint8_t *row = FBits.data() + int64_t(Y) * FStride;
    switch (FPixelFormat) {
    case pf1bit: return (row[X >> 3] >> (7 - (X & 7))) & 1;
    case pf4bit: return (X & 1) ? (row[X >> 1] & 0x0F) : (row[X >> 1] >> 4);
    case pf8bit: return row[X];
    case pf15bit:
    case pf16bit: {
        const unsigned w = row[X * 2] | (row[X * 2 + 1] << 8);
        const int sh = FPixelFormat == pf16bit ? 11 : 10;
        const unsigned gm = FPixelFormat == pf16bit ? 0x3F : 0x1F;
        const unsigned r = (w >> sh) & 0x1F, g = (w >> 5) & gm, b = w & 0x1F;
        return RGBToColor(uint8_t(r * 255 / 31), uint8_t(g * 255 / gm), uint8_t(b * 255 / 31));
    }
    case pf32bit: return RGBToColor(row[X * 4 + 2], row[X * 4 + 1], row[X * 4]);
    default: return RGBToColor(row[X * 3 + 2], row[X * 3 + 1], row[X * 3]);
    }
}

void TBitmap::SetPixelValue(int X, int Y, uint32_t Value)
{
    if (X < 0 || X >= FWidth || Y < 0 || Y >= FHeight)
        return;
    uint8_t *row = FBits.data() + int64_t(Y) * FStride;
    switch (FPixelFormat) {
    case pf1bit: {
        const uint8_t bit = uint8_t(0x80 >> (X & 7));
        row[X >> 3] = (Value & 1) ? (row[X >> 3] | bit) : (row[X >> 3] & ~bit);
        break;
    }
    case pf4bit:
        if (X & 1)
            row[X >> 1] = uint8_t((row[X >> 1] & 0xF0) | (Value & 0x0F));
        else
            row[X >> 1] = uint8_t((row[X >> 1] & 0x0F) | ((Value & 0x0F) << 4));
        break;
    case pf8bit: row[X] = uint8_t(Value); break;
    case pf15bit:
    case pf16bit: {
        const unsigned r = (Value & 0xFF) >> 3, b = ((Value >> 16) & 0xFF) >> 3;
        const unsigned w = FPixelFormat == pf16bit ? (r << 11) | ((((Value >> 8) & 0xFF) >> 2) << 5) | b
                                                   : (r << 10) | ((((Value >> 8) & 0xFF) >> 3) << 5) | b;
        row[X * 2] = uint8_t(w);
        row[X * 2 + 1] = uint8_t(w >> 8);
        break;
    }
    case pf32bit:
        row[X * 4] = uint8_t(Value >> 16);
        row[X * 4 + 1] = uint8_t(Value >> 8);
        row[X * 4 + 2] = uint8_t(Value);
        row[X * 4 + 3] = 0;
        break;
    default:
        row[X * 3] = uint8_t(Value >> 16);
        row[X * 3 + 1] = uint8_t(Value >> 8);
        row[X * 3 + 2] = uint8_t(Value);
        break;
    }
}

static bool IsIndexed(TPixelFormat F)
{
    return F == pf1bit || F == pf4bit || F == pf8bit;
}

TColor TBitmap::GetPixel(int X, int Y) const
{
    const uint32_t v = GetPixelValue(X, Y);
    if (!IsIndexed(FPixelFormat))
        return v;
    if (v >= FPalette.size())
        return clBlack;
    const TPaletteEntry &e = FPalette[v];
    return RGBToColor(e.peRed, e.peGreen, e.peBlue);
}

void TBitmap::SetPixel(int X, int Y, TColor Color)
{
    if (IsIndexed(FPixelFormat))
        SetPixelValue(
            X, Y, uint32_t(NearestPaletteIndex(FPalette, uint8_t(Color), uint8_t(Color >> 8), uint8_t(Color >> 16))));
    else
        SetPixelValue(X, Y, Color & 0xFFFFFF);
}

void TBitmap::SetPalette(const TPalette &Value)
{
    if (Value == FPalette)
        return;
    FPalette = Value;
    if (FPalette.size() > 256)
        FPalette.resize(256);
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    if (Value == pfDevice || Value == pfCustom)
        Value = pf24bit;
    if (Value == FPixelFormat)
        return;
    TBitmap old(*this);
    FPixelFormat = Value;
    if (IsIndexed(Value) && FPalette.empty())
        FPalette = Value == pf1bit ? MonochromePalette() : Value == pf4bit ? Standard16Palette() : WebSafePalette();
    const size_t maxEntries = size_t(1) << PixelFormatBits(Value);
    if (IsIndexed(Value) && FPalette.size() > maxEntries)
        FPalette.resize(maxEntries);
    FStride = BytesPerScanline(FWidth, BitsPerPixel(), 32);
    FBits = TPixelBytes(size_t(FStride * FHeight));
    std::unordered_map<TColor, uint32_t> cache;
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x) {
            const TColor c = old.GetPixel(x, y);
            if (IsIndexed(Value)) {
                if (IsIndexed(old.FPixelFormat) && old.FPalette == FPalette) {
                    SetPixelValue(x, y, old.GetPixelValue(x, y));
                    continue;
                }
                auto it = cache.find(c);
                if (it == cache.end())
                    it = cache.emplace(c, NearestPaletteIndex(FPalette, uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)))
                             .first;
                SetPixelValue(x, y, it->second);
            } else {
                SetPixelValue(x, y, c);
            }
        }
    Changed();
}

static QList<QRgb> ColorTable(const TPalette &Palette, size_t Entries)
{
    QList<QRgb> table;
    for (size_t i = 0; i < Entries; ++i) {
        if (i < Palette.size())
            table.append(qRgb(Palette[i].peRed, Palette[i].peGreen, Palette[i].peBlue));
        else
            table.append(qRgb(0, 0, 0));
    }
    return table;
}

QImage TBitmap::NativeImage() const
{
    if (GetEmpty())
        return QImage();
    switch (FPixelFormat) {
    case pf1bit: {
        QImage img(FBits.data(), FWidth, FHeight, qsizetype(FStride), QImage::Format_Mono);
        img.setColorTable(ColorTable(FPalette, 2));
        return img;
    }
    case pf8bit: {
        QImage img(FBits.data(), FWidth, FHeight, qsizetype(FStride), QImage::Format_Indexed8);
        img.setColorTable(ColorTable(FPalette, 256));
        return img;
    }
    case pf4bit: {
        QImage img(FWidth, FHeight, QImage::Format_Indexed8);
        img.setColorTable(ColorTable(FPalette, 16));
        for (int y = 0; y < FHeight; ++y) {
            uchar *d = img.scanLine(y);
            const uint8_t *s = FBits.data() + int64_t(y) * FStride;
            for (int x = 0; x < FWidth; ++x)
                d[x] = (x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4);
        }
        return img;
    }
    case pf15bit:
    case pf16bit: {
        QImage img(FWidth, FHeight, QImage::Format_RGB32);
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x) {
                const TColor c = GetPixelValue(x, y);
                img.setPixel(x, y, qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
            }
        return img;
    }
    case pf32bit: return QImage(FBits.data(), FWidth, FHeight, qsizetype(FStride), QImage::Format_RGB32);
    default: return QImage(FBits.data(), FWidth, FHeight, qsizetype(FStride), QImage::Format_BGR888);
    }
}

QImage TBitmap::ToImage() const
{
    QImage img = NativeImage().convertToFormat(QImage::Format_ARGB32);
    if (FTransparent && !img.isNull()) {
        const QRgb key = qRgb(TransparentColor & 0xFF, (TransparentColor >> 8) & 0xFF, (TransparentColor >> 16) & 0xFF);
        for (int y = 0; y < img.height(); ++y) {
            QRgb *p = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if ((p[x] | 0xFF000000u) == key)
                    p[x] = 0;
        }
    }
    return img;
}

void TBitmap::Draw(QPainter &Painter, const QRect &Rect)
{
    if (GetEmpty())
        return;
    if (FTransparent)
        Painter.drawImage(Rect, ToImage());
    else
        Painter.drawImage(Rect, NativeImage());
}

void TBitmap::AssignGraphic(const TGraphic &Source)
{
    if (auto *b = dynamic_cast<const TBitmap *>(&Source)) {
        Assign(*b);
        return;
    }
    const QImage img = Source.ToImage();
    QImage target(img.size(), QImage::Format_RGB32);
    if (!img.isNull()) {
        target.fill(Qt::white);
        QPainter p(&target);
        p.drawImage(0, 0, img);
    }
    FromImage(target.isNull() ? QImage() : target);
    FPalette = Source.GetPalette();
    Changed();
}

void TBitmap::FromImage(const QImage &Image)
{
    TBitmap result;
    if (Image.isNull()) {
        *this = std::move(result);
        return;
    }
    CheckImageSize(Image.width(), Image.height());
    if (Image.format() == QImage::Format_Indexed8 || Image.format() == QImage::Format_Mono ||
        Image.format() == QImage::Format_MonoLSB) {
        const QImage src = Image.convertToFormat(QImage::Format_Indexed8);
        const QList<QRgb> table = src.colorTable();
        const TPixelFormat fmt = table.size() <= 2 ? pf1bit : table.size() <= 16 ? pf4bit : pf8bit;
        result.FPixelFormat = fmt;
        result.SetSize(src.width(), src.height());
        TPalette pal;
        for (QRgb c : table)
            pal.push_back({uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c)), 0});
        result.FPalette = pal;
        for (int y = 0; y < src.height(); ++y) {
            const uchar *s = src.constScanLine(y);
            for (int x = 0; x < src.width(); ++x)
                result.SetPixelValue(x, y, s[x]);
        }
    } else if (Image.hasAlphaChannel()) {
        const QImage src = Image.convertToFormat(QImage::Format_ARGB32);
        result.FPixelFormat = pf32bit;
        result.SetSize(src.width(), src.height());
        for (int y = 0; y < src.height(); ++y)
            std::memcpy(result.ScanLine(y), src.constScanLine(y), size_t(src.width()) * 4);
    } else {
        const QImage src = Image.convertToFormat(QImage::Format_BGR888);
        result.FPixelFormat = pf24bit;
        result.SetSize(src.width(), src.height());
        for (int y = 0; y < src.height(); ++y)
            std::memcpy(result.ScanLine(y), src.constScanLine(y), size_t(src.width()) * 3);
    }
    result.OnProgress = OnProgress;
    result.OnWarning = OnWarning;
    result.OnChange = OnChange;
    *this = std::move(result);
    Changed();
}

void TBitmap::LoadFromStream(TStream &Stream)
{
    QByteArray data = ReadRestOfStream(Stream);
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "bmp");
    const QSize size = reader.size();
    if (size.isValid())
        CheckImageSize(size.width(), size.height());
    QImage img;
    if (!reader.read(&img))
        throw EInvalidGraphic("Bitmap image is not valid");
    FromImage(img);
}

void TBitmap::SaveToStream(TStream &Stream)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(NativeImage()))
        throw EInvalidGraphicOperation("Bitmap could not be written");
    Stream.WriteBuffer(data.constData(), data.size());
}
