#include "images/MetafileDib.h"
#include "images/Graphic.h"
#include "images/LittleEndian.h"

namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kJpeg = 4, kPng = 5 };

constexpr const char *kPastTable = "a bitmap whose pixels index past its colour table";

// Whether the depth can index more entries than the colour table holds.
bool TableIsShort(const TMetafileDib &Dib)
{
    return Dib.Bits <= 8 && Dib.Colours < (uint64_t(1) << Dib.Bits);
}

// Every index of the uncompressed rows (their first Width pixels) against the colour table.
const char *CheckRowIndexes(const TMetafileDib &Dib, const uint8_t *Bits, uint64_t Stride)
{
    const int64_t rows = Dib.Height < 0 ? -Dib.Height : Dib.Height;
    for (int64_t y = 0; y < rows; ++y) {
        const uint8_t *row = Bits + uint64_t(y) * Stride;
        for (int64_t x = 0; x < Dib.Width; ++x) {
            unsigned index;
            if (Dib.Bits == 8)
                index = row[x];
            else if (Dib.Bits == 4)
                index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
            else
                index = (row[x / 8] >> (7 - x % 8)) & 0x01;
            if (index >= Dib.Colours)
                return kPastTable;
        }
    }
    return nullptr;
}

// Every index a run-length stream (8 or 4 bits a pixel) draws, against the colour table: the runs'
// indexes and the literal ones; a literal run or a move that reaches past the data is refused too.
const char *CheckRunIndexes(const TMetafileDib &Dib, const uint8_t *Data, uint64_t Size)
{
    const bool four = Dib.Compression == kRle4;
    auto outside = [&](unsigned Index) { return Index >= Dib.Colours; };
    uint64_t i = 0;
    while (i + 2 <= Size) {
        const unsigned count = Data[i], value = Data[i + 1];
        i += 2;
        if (count > 0) { // a run of count pixels of one index (two alternating ones at 4 bits)
            if (four ? outside(value >> 4) || (count > 1 && outside(value & 0x0F)) : outside(value))
                return kPastTable;
            continue;
        }
        if (value == 0) // end of a row
            continue;
        if (value == 1) // end of the bitmap
            return nullptr;
        const uint64_t bytes = value == 2 ? 2 : four ? (value + 1) / 2 : value; // a move, or literal pixels
        if (bytes > Size - i)
            return "a compressed bitmap whose runs reach past its data";
        if (value != 2)
            for (unsigned k = 0; k < value; ++k) {
                const unsigned index = four ? (Data[i + k / 2] >> (k % 2 ? 0 : 4)) & 0x0F : Data[i + k];
                if (outside(index))
                    return kPastTable;
            }
        i += bytes + (value != 2 && bytes % 2 ? 1 : 0); // literal pixels end on a 16-bit boundary
    }
    return nullptr;
}

} // namespace

const char *ReadMetafileDib(const uint8_t *Bmi, size_t Avail, const TMetafileDibRules &Rules, TMetafileDib &Dib)
{
    if (Avail < 12)
        return "a bitmap record without its bitmap header";
    Dib = {};
    Dib.HeaderSize = LeU32(Bmi);
    unsigned planes = 0;
    if (Dib.HeaderSize == 12) {
        Dib.Width = LeU16(Bmi + 4);
        Dib.Height = LeU16(Bmi + 6);
        planes = LeU16(Bmi + 8);
        Dib.Bits = LeU16(Bmi + 10);
        Dib.Colours = Dib.Bits <= 8 ? uint64_t(1) << Dib.Bits : 0;
        Dib.TableBytes = Dib.Colours * (Rules.PaletteIndexes ? 2 : 3);
    } else if (Dib.HeaderSize >= 40 && Dib.HeaderSize <= Avail) {
        Dib.Width = int32_t(LeU32(Bmi + 4));
        Dib.Height = int32_t(LeU32(Bmi + 8));
        planes = LeU16(Bmi + 12);
        Dib.Bits = LeU16(Bmi + 14);
        Dib.Compression = LeU32(Bmi + 16);
        Dib.SizeImage = LeU32(Bmi + 20);
        const uint32_t used = LeU32(Bmi + 32);
        Dib.Colours = used ? used : (Dib.Bits <= 8 ? uint64_t(1) << Dib.Bits : 0);
        Dib.TableBytes = Dib.Colours * (Rules.PaletteIndexes ? 2 : 4);
        if (Dib.Compression == kBitFields && Dib.HeaderSize == 40)
            Dib.TableBytes += 12; // the three colour masks
    } else {
        return "a bitmap header of unknown size";
    }
    if (planes != 1)
        return "a bitmap of other than one plane";
    const bool embedded = Rules.Embedded && (Dib.Compression == kJpeg || Dib.Compression == kPng);
    if (!embedded) {
        const unsigned b = Dib.Bits;
        if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
            return "a bitmap of unknown depth";
        const uint32_t c = Dib.Compression;
        if ((c == kRle8 || c == kRle4) && !Rules.RunLength)
            return "a run-length compressed bitmap, which the player cannot draw";
        if (c > kBitFields || (c == kRle8 && b != 8) || (c == kRle4 && b != 4) || (c == kBitFields && b != 16 && b != 32))
            return "a bitmap of unknown compression";
    }
    const int64_t rows = Dib.Height < 0 && Rules.TopDown ? -Dib.Height : Dib.Height;
    if (Dib.Width <= 0 || rows <= 0)
        return "a bitmap of negative or no size";
    if (Dib.Width > kMaxImageSide || rows > kMaxImageSide || Dib.Width * rows > kMaxImagePixels)
        return "a bitmap larger than a picture may be";
    if (Dib.HeaderSize + Dib.TableBytes > Avail)
        return "a bitmap whose colours reach past its record";
    return nullptr;
}

const char *CheckMetafileDibPixels(const TMetafileDib &Dib, const uint8_t *Bits, size_t Avail)
{
    switch (Dib.Compression) {
    case kRle8:
    case kRle4:
        if (Dib.SizeImage == 0 || Dib.SizeImage > Avail)
            return "a compressed bitmap larger than its data";
        return TableIsShort(Dib) ? CheckRunIndexes(Dib, Bits, Dib.SizeImage) : nullptr;
    case kRgb:
    case kBitFields: {
        const uint64_t rows = uint64_t(Dib.Height < 0 ? -Dib.Height : Dib.Height);
        const uint64_t stride = ((uint64_t(Dib.Width) * Dib.Bits + 31) / 32) * 4;
        if (stride * rows > Avail)
            return "a bitmap larger than its data";
        return TableIsShort(Dib) ? CheckRowIndexes(Dib, Bits, stride) : nullptr;
    }
    default: return nullptr; // a picture file of its own, passed on whole
    }
}
