#include "images/WmfRender.h"
#include "images/LittleEndian.h"
#include "images/MetafileDib.h"
#include "platform/ScopeGuard.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>

// The gd picture the player draws into is the caller's to free (libwmf's own gd, linked
// statically; its header would bring gd's whole interface, one declaration is enough).
extern "C" void gdImageDestroy(void *Image);

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// ---- the record check

constexpr size_t kWmfPlaceableSize = 22;
constexpr size_t kWmfHeaderSize = 18;
constexpr size_t kWmfRecordsAt = kWmfPlaceableSize + kWmfHeaderSize;


// The records that are checked, by function number.
enum : uint16_t {
    kWmfEof = 0x0000,
    kWmfSelectObject = 0x012D,
    kWmfDeleteObject = 0x01F0,
    kWmfSelectPalette = 0x0234,
    kWmfSetWindowExt = 0x020C,
    kWmfSetViewportExt = 0x020E,
    kWmfScaleWindowExt = 0x0410,
    kWmfScaleViewportExt = 0x0412,
    kWmfPolygon = 0x0324,
    kWmfPolyline = 0x0325,
    kWmfPolyPolygon = 0x0538,
    kWmfTextOut = 0x0521,
    kWmfExtTextOut = 0x0A32,
    kWmfCreatePalette = 0x00F7,
    kWmfSetPalEntries = 0x0037,
    kWmfAnimatePalette = 0x0436,
    kWmfEscape = 0x0626,
    kWmfBitBlt = 0x0922,
    kWmfStretchBlt = 0x0B23,
    kWmfDibBitBlt = 0x0940,
    kWmfDibStretchBlt = 0x0B41,
    kWmfStretchDib = 0x0F43,
    kWmfSetDibToDev = 0x0D33,
    kWmfDibCreatePatternBrush = 0x0142,
    kWmfCreatePatternBrush = 0x01F9,
};

// The fewest parameter words each record that has fixed parameters needs; a shorter record
// would have the player read another record's words as its own.
struct TWmfMinimum {
    uint16_t Function;
    uint16_t Words;
};
// clang-format off
constexpr TWmfMinimum kWmfMinimumWords[] = {
    {0x0102, 1}, {0x0103, 1}, {0x0104, 1}, {0x0106, 1}, {0x0107, 1}, {0x0108, 1}, {0x0127, 1},
    {0x012A, 1}, {0x012B, 1}, {0x012C, 1}, {0x012D, 1}, {0x012E, 1}, {0x01F0, 1}, {0x0234, 1},
    {0x0201, 2}, {0x0209, 2}, {0x020A, 2}, {0x020B, 2}, {0x020C, 2}, {0x020D, 2}, {0x020E, 2},
    {0x020F, 2}, {0x0211, 2}, {0x0213, 2}, {0x0214, 2}, {0x0220, 2}, {0x0228, 2}, {0x0231, 2},
    {0x0410, 4}, {0x0412, 4}, {0x0415, 4}, {0x0416, 4}, {0x0418, 4}, {0x041B, 4}, {0x041F, 4},
    {0x0429, 4}, {0x0419, 5}, {0x0548, 5}, {0x061C, 6}, {0x061D, 6}, {0x0817, 8}, {0x081A, 8},
    {0x0830, 8}, {0x02FA, 5}, {0x02FC, 4}, {0x02FB, 9}, {0x06FF, 10},
    {kWmfPolygon, 1}, {kWmfPolyline, 1}, {kWmfPolyPolygon, 1}, {kWmfTextOut, 1}, {kWmfExtTextOut, 4},
    {kWmfCreatePalette, 2}, {kWmfSetPalEntries, 2}, {kWmfAnimatePalette, 2}, {kWmfEscape, 2},
    {kWmfSetDibToDev, 9}, {kWmfDibCreatePatternBrush, 2},
};
// clang-format on

// Records that make an object (a slot in the player's object table).
bool WmfCreatesObject(uint16_t Function)
{
    switch (Function) {
    case 0x00F7:
    case 0x0142:
    case 0x01F9:
    case 0x02FA:
    case 0x02FB:
    case 0x02FC:
    case 0x06FF: return true;
    default: return false;
    }
}

struct TWmfWalk {
    const uint8_t *Params = nullptr; // the record's parameter words
    size_t Words = 0; // how many there are
    std::string *Why = nullptr;

    int16_t S(size_t i) const { return int16_t(LeU16(Params + 2 * i)); }
    uint16_t U(size_t i) const { return LeU16(Params + 2 * i); }
    bool Fail(const char *Text) const
    {
        if (Why)
            *Why = Text;
        return false;
    }
};

// A device-independent bitmap at Bytes (Avail bytes to the record's end), its colour table and
// rows following its header: checked as every metafile's bitmaps are (images/MetafileDib.h), the
// player reading run-length rows but neither top-down rows nor embedded pictures. Width and Height
// answer its size.
bool CheckWmfDib(const TWmfWalk &W, const uint8_t *Bytes, size_t Avail, bool PaletteIndexes, int64_t &Width,
                 int64_t &Height)
{
    TMetafileDibRules rules;
    rules.PaletteIndexes = PaletteIndexes;
    rules.RunLength = true;
    TMetafileDib dib;
    const char *bad = ReadMetafileDib(Bytes, Avail, rules, dib);
    if (!bad) {
        const uint64_t pixelsAt = dib.HeaderSize + dib.TableBytes;
        bad = CheckMetafileDibPixels(dib, Bytes + pixelsAt, Avail - pixelsAt);
    }
    if (bad)
        return W.Fail(bad);
    Width = dib.Width;
    Height = dib.Height;
    return true;
}

// An old-style device-dependent bitmap (BITMAP16) at Bytes: its rows must lie within the record.
bool CheckWmfBitmap16(const TWmfWalk &W, const uint8_t *Bytes, size_t Avail, int64_t &Width, int64_t &Height)
{
    if (Avail < 10)
        return W.Fail("a bitmap record without its bitmap header");
    const int64_t w = int16_t(LeU16(Bytes + 2)), h = int16_t(LeU16(Bytes + 4));
    const int64_t rowBytes = int16_t(LeU16(Bytes + 6));
    if (w <= 0 || h <= 0 || rowBytes <= 0)
        return W.Fail("a bitmap of negative or no size");
    if (uint64_t(rowBytes) * uint64_t(h) > Avail - 10)
        return W.Fail("a bitmap larger than its data");
    Width = w;
    Height = h;
    return true;
}

struct TWmfFrame {
    int64_t Width;
    int64_t Height;
};

// The extents of a drawn bitmap: neither negative nor empty (the player's interpolation runs
// for minutes over those), within the picture's frame, and a source rectangle within the bitmap.
bool CheckWmfBlt(const TWmfWalk &W, const TWmfFrame &Frame, int64_t DestW, int64_t DestH, int64_t SrcX, int64_t SrcY,
                 int64_t SrcW, int64_t SrcH, int64_t BitmapW, int64_t BitmapH)
{
    if (DestW <= 0 || DestH <= 0 || SrcW <= 0 || SrcH <= 0)
        return W.Fail("a bitmap drawn at a negative or empty size");
    if (DestW > Frame.Width || DestH > Frame.Height)
        return W.Fail("a bitmap drawn larger than the picture's frame");
    if (BitmapW > 0 && (SrcX < 0 || SrcY < 0 || SrcX + SrcW > BitmapW || SrcY + SrcH > BitmapH))
        return W.Fail("a bitmap's source rectangle outside the bitmap");
    return true;
}

bool CheckWmfRecord(const TWmfWalk &W, uint16_t Function, size_t RecordWords, TWmfFrame &Frame)
{
    for (const TWmfMinimum &m : kWmfMinimumWords)
        if (m.Function == Function && W.Words < m.Words)
            return W.Fail("a record shorter than its parameters");
    const size_t p = W.Words;
    const uint8_t *bytes = W.Params;
    const size_t avail = 2 * p;
    // A bitmap record carries its bitmap unless it is just its parameters long.
    const bool withBitmap = RecordWords != size_t(Function >> 8) + 3;
    int64_t bw = 0, bh = 0;
    // The bitmap a blt record carries after its Fixed parameter words: a DIB, or a BITMAP16.
    auto carriedBitmap = [&](size_t Fixed, bool Dib) {
        return Dib ? CheckWmfDib(W, bytes + 2 * Fixed, avail - 2 * Fixed, false, bw, bh)
                   : CheckWmfBitmap16(W, bytes + 2 * Fixed, avail - 2 * Fixed, bw, bh);
    };
    switch (Function) {
    case kWmfSetWindowExt:
    case kWmfSetViewportExt:
        if (W.S(0) == 0 || W.S(1) == 0)
            return W.Fail("an empty window or viewport");
        if (Function == kWmfSetWindowExt)
            Frame = {std::abs(int(W.S(1))), std::abs(int(W.S(0)))};
        return true;
    case kWmfScaleWindowExt:
    case kWmfScaleViewportExt:
        if (W.S(0) == 0 || W.S(2) == 0 || W.S(1) == 0 || W.S(3) == 0)
            return W.Fail("an empty window or viewport");
        return true;
    case kWmfPolygon:
    case kWmfPolyline:
        if (W.S(0) < 0 || 1 + 2 * size_t(W.S(0)) > p)
            return W.Fail("a point list longer than its record");
        return true;
    case kWmfPolyPolygon: {
        const int n = W.S(0);
        if (n < 0 || 1 + size_t(n) > p)
            return W.Fail("a point list longer than its record");
        size_t points = 0;
        for (int i = 0; i < n; ++i) {
            if (W.S(1 + size_t(i)) < 0)
                return W.Fail("a point list of negative length");
            points += size_t(W.S(1 + size_t(i)));
        }
        if (1 + size_t(n) + 2 * points > p)
            return W.Fail("a point list longer than its record");
        return true;
    }
    case kWmfTextOut:
        if (W.S(0) < 0 || 1 + (size_t(W.S(0)) + 1) / 2 + 2 > p)
            return W.Fail("a text longer than its record");
        return true;
    case kWmfExtTextOut: {
        const size_t rect = (W.U(3) & 0x0006) ? 4 : 0;
        if (W.S(2) < 0 || 4 + rect + (size_t(W.S(2)) + 1) / 2 > p)
            return W.Fail("a text longer than its record");
        return true;
    }
    case kWmfCreatePalette:
    case kWmfSetPalEntries:
    case kWmfAnimatePalette:
        if (2 + 2 * size_t(W.U(1)) > p)
            return W.Fail("a palette longer than its record");
        return true;
    case kWmfEscape:
        if (2 + (size_t(W.U(1)) + 1) / 2 > p)
            return W.Fail("an escape longer than its record");
        return true;
    case kWmfDibBitBlt:
    case kWmfBitBlt: {
        // RasterOp(2), YSrc, XSrc, [Reserved], Height, Width, YDest, XDest, [bitmap]
        const size_t fixed = withBitmap ? 8 : 9;
        if (p < fixed)
            return W.Fail("a record shorter than its parameters");
        const size_t o = withBitmap ? 4 : 5;
        const int64_t h = W.S(o), w = W.S(o + 1);
        if (withBitmap && !carriedBitmap(fixed, Function == kWmfDibBitBlt))
            return false;
        return CheckWmfBlt(W, Frame, w, h, W.S(3), W.S(2), w, h, bw, bh);
    }
    case kWmfDibStretchBlt:
    case kWmfStretchBlt: {
        // RasterOp(2), SrcHeight, SrcWidth, YSrc, XSrc, [Reserved], DestHeight, DestWidth, YDest, XDest
        const size_t fixed = withBitmap ? 10 : 11;
        if (p < fixed)
            return W.Fail("a record shorter than its parameters");
        const size_t o = withBitmap ? 6 : 7;
        if (withBitmap && !carriedBitmap(fixed, Function == kWmfDibStretchBlt))
            return false;
        return CheckWmfBlt(W, Frame, W.S(o + 1), W.S(o), W.S(5), W.S(4), W.S(3), W.S(2), bw, bh);
    }
    case kWmfStretchDib: {
        // RasterOp(2), ColorUsage, SrcHeight, SrcWidth, YSrc, XSrc, DestHeight, DestWidth, YDest, XDest, DIB
        const size_t fixed = 11;
        if (p < fixed)
            return W.Fail("a record shorter than its parameters");
        if (!CheckWmfDib(W, bytes + 2 * fixed, avail - 2 * fixed, W.U(2) == 1, bw, bh))
            return false;
        return CheckWmfBlt(W, Frame, W.S(8), W.S(7), W.S(6), W.S(5), W.S(4), W.S(3), bw, bh);
    }
    case kWmfSetDibToDev: {
        // ColorUsage, ScanCount, StartScan, YDib, XDib, Height, Width, YDest, XDest, DIB
        const size_t fixed = 9;
        if (!CheckWmfDib(W, bytes + 2 * fixed, avail - 2 * fixed, W.U(0) == 1, bw, bh))
            return false;
        if (W.U(1) > bh || W.U(2) > bh)
            return W.Fail("a bitmap's scan lines outside the bitmap");
        return CheckWmfBlt(W, Frame, W.S(6), W.S(5), W.S(4), W.S(3), W.S(6), W.S(5), bw, bh);
    }
    case kWmfDibCreatePatternBrush: {
        // Style, ColorUsage, then a BITMAP16 for the pattern style, else a DIB.
        const bool ok = W.U(0) == 3 ? CheckWmfBitmap16(W, bytes + 4, avail - 4, bw, bh)
                                    : CheckWmfDib(W, bytes + 4, avail - 4, W.U(1) == 1, bw, bh);
        return ok;
    }
    case kWmfCreatePatternBrush:
        // A BITMAP16 header, 18 reserved bytes, then the pattern's rows.
        if (avail < 28)
            return W.Fail("a record shorter than its parameters");
        if (W.S(1) <= 0 || W.S(2) <= 0 || W.S(3) <= 0 || uint64_t(W.S(3)) * uint64_t(W.S(2)) > avail - 28)
            return W.Fail("a bitmap larger than its data");
        return true;
    default: return true;
    }
}

} // namespace

std::vector<uint8_t> PrepareWmf(const std::vector<uint8_t> &Data, std::string *Why)
{
    auto fail = [&](const char *Text) {
        if (Why)
            *Why = Text;
        return std::vector<uint8_t>();
    };
    if (Data.size() < kWmfRecordsAt || LeU32(Data.data()) != 0x9AC6CDD7u)
        return fail("not a placeable metafile");
    const uint8_t *header = Data.data() + kWmfPlaceableSize;
    const uint16_t type = LeU16(header), headerWords = LeU16(header + 2), version = LeU16(header + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        return fail("a metafile header of unknown type or version");
    const int64_t bboxW = std::abs(int(int16_t(LeU16(Data.data() + 10))) - int(int16_t(LeU16(Data.data() + 6))));
    const int64_t bboxH = std::abs(int(int16_t(LeU16(Data.data() + 12))) - int(int16_t(LeU16(Data.data() + 8))));
    TWmfFrame frame{std::max<int64_t>(bboxW, 1), std::max<int64_t>(bboxH, 1)};

    TWmfWalk walk;
    walk.Why = Why;
    size_t at = kWmfRecordsAt;
    size_t largest = 3;
    size_t objects = 0;
    int maxIndex = -1;
    bool ended = false;
    while (at < Data.size()) {
        if (Data.size() - at < 6)
            return fail("a record cut short by the end of the file");
        const uint32_t words = LeU32(Data.data() + at);
        const uint16_t function = LeU16(Data.data() + at + 4);
        if (words < 3 || uint64_t(words) * 2 > Data.size() - at)
            return fail(words < 3 ? "a record shorter than its own header"
                                  : "a record cut short by the end of the file");
        walk.Params = Data.data() + at + 6;
        walk.Words = words - 3;
        largest = std::max<size_t>(largest, words);
        at += size_t(words) * 2;
        if (function == kWmfEof) {
            ended = true;
            break;
        }
        if (!CheckWmfRecord(walk, function, words, frame))
            return {};
        if (WmfCreatesObject(function))
            ++objects;
        if (function == kWmfSelectObject || function == kWmfDeleteObject || function == kWmfSelectPalette)
            maxIndex = std::max(maxIndex, int(walk.U(0)));
    }
    const size_t tableSize = std::max<size_t>(LeU16(header + 10), objects);
    if (maxIndex >= 0 && size_t(maxIndex) >= tableSize)
        return fail("an object index past the object table");
    if (tableSize > 0xFFFF)
        return fail("more objects than a metafile may hold");

    std::vector<uint8_t> out(Data.begin(), Data.begin() + std::ptrdiff_t(at));
    if (!ended) {
        const uint8_t eof[6] = {3, 0, 0, 0, 0, 0};
        out.insert(out.end(), eof, eof + 6);
    }
    uint8_t *h = out.data() + kWmfPlaceableSize;
    PutLe32(h + 6, uint32_t((out.size() - kWmfPlaceableSize) / 2));
    PutLe16(h + 10, uint16_t(tableSize));
    PutLe32(h + 12, uint32_t(largest));
    return out;
}

QImage RenderWmf(const std::vector<uint8_t> &Data, QSize Size)
{
    return RenderPreparedWmf(PrepareWmf(Data), Size);
}

QImage RenderPreparedWmf(std::vector<uint8_t> Prepared, QSize Size)
{
    if (Prepared.empty() || Size.width() <= 0 || Size.height() <= 0)
        return QImage();

    wmfAPI *api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    // Quiet: a damaged metafile falls back to the placeholder instead of printing on stderr.
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return QImage();
    }
    // Everything the player allocates but the gd picture is freed with the API.
    TScopeGuard destroy([&] { wmf_api_destroy(api); });

    // The player is given our checked copy.
    auto *bytes = Prepared.data();
    if (wmf_mem_open(api, bytes, long(Prepared.size())) != wmf_E_None)
        return QImage();
    TScopeGuard close([&] { wmf_mem_close(api); });
    wmfD_Rect bbox{};
    if (wmf_scan(api, 0, &bbox) != wmf_E_None)
        return QImage();

    wmf_gd_t *gd = WMF_GD_GetData(api);
    gd->type = wmf_gd_image;
    gd->bbox = bbox;
    gd->width = unsigned(Size.width());
    gd->height = unsigned(Size.height());
    if (wmf_play(api, 0, &bbox) != wmf_E_None || !gd->gd_image)
        return QImage();
    TScopeGuard freeImage([&] { gdImageDestroy(gd->gd_image); });
    const int *pixels = wmf_gd_image_pixels(gd->gd_image);
    if (!pixels)
        return QImage();

    // gd's true-colour pixels: 7 bits of transparency (0 opaque, 127 clear) over RGB.
    QImage image(Size, QImage::Format_ARGB32);
    for (int y = 0; y < Size.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < Size.width(); ++x) {
            const uint32_t p = uint32_t(*pixels++);
            const int alpha = 255 - int(((p >> 24) & 0x7F) * 255 / 127);
            row[x] = qRgba(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF), alpha);
        }
    }
    return image;
}
