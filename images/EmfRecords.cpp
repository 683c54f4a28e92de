#include "images/EmfRecords.h"
#include "images/LittleEndian.h"
#include "images/MetafileDib.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr const char *kShort = "a record shorter than its parameters";

// The fewest bytes (type and size included) of each record that has fixed parameters; a record
// whose counts add more is checked further below. A colour space (99, 122) holds its whole
// logical colour space, the file name's 260 characters included (328 bytes, 588 for the wide
// form, which adds flags and its profile's size). Types left out have no parameters (8 bytes), are
// bitmap records (kEmfBitmapRecords) or are none the format defines (0, 69, 107, 117, past 122):
// the converter passes over those by their size.
struct TEmfMinimum {
    uint32_t Type;
    uint32_t Size;
};
// clang-format off
constexpr TEmfMinimum kEmfMinimumSizes[] = {
    {2, 28}, {3, 28}, {4, 28}, {5, 28}, {6, 28}, {7, 32}, {8, 32}, {9, 16}, {10, 16}, {11, 16}, {12, 16},
    {13, 16}, {14, 20}, {15, 20}, {16, 12}, {17, 12}, {18, 12}, {19, 12}, {20, 12}, {21, 12}, {22, 12},
    {23, 32}, {24, 12}, {25, 12}, {26, 16}, {27, 16}, {29, 24}, {30, 24}, {31, 24}, {32, 24}, {34, 12},
    {35, 32}, {36, 36}, {37, 12}, {38, 28}, {39, 24}, {40, 12}, {41, 28}, {42, 24}, {43, 24}, {44, 32},
    {45, 40}, {46, 40}, {47, 40}, {48, 12}, {49, 16}, {50, 20}, {51, 16}, {53, 24}, {54, 16}, {55, 40},
    {56, 28}, {57, 12}, {58, 12}, {62, 24}, {63, 24}, {64, 24}, {67, 12}, {70, 12}, {71, 32}, {72, 40},
    {73, 28}, {74, 28}, {75, 16}, {82, 104}, {83, 76}, {84, 76}, {85, 28}, {86, 28}, {87, 28}, {88, 28},
    {89, 28}, {90, 32}, {91, 32}, {92, 28}, {96, 40}, {97, 40}, {98, 12}, {99, 340}, {100, 12}, {101, 12},
    {102, 12}, {103, 28}, {104, 48}, {105, 16}, {106, 16}, {108, 36}, {109, 16}, {110, 20}, {111, 24},
    {112, 20}, {113, 20}, {115, 12}, {118, 36}, {119, 20}, {120, 16}, {121, 24}, {122, 608},
};
// clang-format on

// Where a bitmap record keeps the offsets and sizes of its bitmaps (the bitmap header's offset and
// size, then the bits', from the record's start: the source's, and a mask's where the record has
// one), and how long the record's fixed part is.
struct TEmfBitmapFields {
    uint32_t Type;
    uint32_t MinSize;
    uint32_t At[2]; // 0 for none
    bool Brush = false; // a pattern brush, whose bitmap the converter also keeps a copy of
};
constexpr TEmfBitmapFields kEmfBitmapRecords[] = {
    {76, 100, {84, 0}}, // BITBLT
    {77, 108, {84, 0}}, // STRETCHBLT
    {78, 128, {84, 112}}, // MASKBLT
    {79, 140, {96, 124}}, // PLGBLT
    {80, 76, {48, 0}}, // SETDIBITSTODEVICE
    {81, 80, {48, 0}}, // STRETCHDIBITS
    {93, 32, {16, 0}, true}, // CREATEMONOBRUSH
    {94, 32, {16, 0}, true}, // CREATEDIBPATTERNBRUSHPT
    {95, 52, {12, 0}}, // EXTCREATEPEN (a pattern pen's bitmap)
    {114, 108, {84, 0}}, // ALPHABLEND
    {116, 108, {84, 0}}, // TRANSPARENTBLT
};

// A bitmap a record carries at the fields at At: its header and bits within the record, and
// checked as every metafile's bitmaps are (images/MetafileDib.h). The converter reads top-down
// rows and passes JPEG and PNG bits on; it reads a colour table as 4-byte colours whatever the
// record's colour usage says, so the table is measured so. It fails a whole file that has a
// run-length compressed bitmap, after decoding it with no regard for the rows' ends (runs past
// a row keep it busy for seconds on end), so such a bitmap is refused: a file that has one cannot
// be drawn either way.
// The converter keeps a copy of each pattern brush (Brush) for its list of images: cbBits bytes
// taken from the bitmap header's offset on, not from the bits', so those bytes must lie within
// the record too. Writers put the header (and its colour table) before the bits, which makes that
// hold; a brush whose bits come first is refused when cbBits bytes from its header run past it.
const char *CheckEmfBitmap(const uint8_t *Record, uint32_t Size, uint32_t At, bool Brush)
{
    const uint64_t offBmi = LeU32(Record + At), cbBmi = LeU32(Record + At + 4);
    const uint64_t offBits = LeU32(Record + At + 8), cbBits = LeU32(Record + At + 12);
    // A raster operation without a source bitmap, or a blt without a mask. The converter reads a
    // bitmap header wherever offBmi points, whatever cbBmi says, so only both at 0 mean none. It
    // fails a whole file that has a pattern brush of none.
    if (offBmi == 0 && cbBmi == 0)
        return Brush ? "a pattern brush without its bitmap" : nullptr;
    if (offBmi + cbBmi > Size || offBits + cbBits > Size || (Brush && offBmi + cbBits > Size))
        return "a bitmap that reaches past its record";
    TMetafileDibRules rules;
    rules.TopDown = true;
    rules.Embedded = true;
    TMetafileDib dib;
    if (const char *bad = ReadMetafileDib(Record + offBmi, size_t(cbBmi), rules, dib))
        return bad;
    return CheckMetafileDibPixels(dib, Record + offBits, size_t(cbBits));
}

// The characters and advances of a text at Text (an EMRTEXT, at TextAt from the record's start),
// of Wide characters, within the record.
bool EmfTextFits(const uint8_t *Record, uint32_t Size, uint32_t TextAt, bool Wide)
{
    const uint64_t chars = LeU32(Record + TextAt + 8), stringAt = LeU32(Record + TextAt + 12);
    const uint32_t options = LeU32(Record + TextAt + 16);
    if (chars == 0)
        return true;
    // The bounding rectangle is left out when ETO_NO_RECT is set; the advances' offset moves up.
    const uint64_t dxAt = LeU32(Record + TextAt + ((options & 0x0100) ? 20 : 36));
    const uint64_t dxBytes = chars * 4 * ((options & 0x2000) ? 2 : 1); // ETO_PDY: x and y advances
    return stringAt + chars * (Wide ? 2 : 1) <= Size && dxAt + dxBytes <= Size;
}

// The regions' data (a 32-byte header, then its rectangles) at DataAt, CountAt giving its size.
bool EmfRegionFits(const uint8_t *Record, uint32_t Size, uint32_t CountAt, uint32_t DataAt, bool MayBeEmpty)
{
    const uint64_t bytes = LeU32(Record + CountAt);
    if (bytes == 0 && MayBeEmpty)
        return true;
    if (bytes < 32 || DataAt + bytes > Size)
        return false;
    return 32 + uint64_t(LeU32(Record + DataAt + 8)) * 16 <= bytes;
}

// A poly-polygon's counts: Polys counts, then Points points of PointBytes each, all within the
// record, the counts adding up to no more than the points.
bool EmfPolyPolyFits(const uint8_t *Record, uint32_t Size, uint64_t PointBytes)
{
    const uint64_t polys = LeU32(Record + 24), points = LeU32(Record + 28);
    if (32 + polys * 4 + points * PointBytes > Size)
        return false;
    uint64_t sum = 0;
    for (uint64_t i = 0; i < polys; ++i)
        sum += LeU32(Record + 32 + 4 * i);
    return sum <= points;
}

// A gradient fill's vertices, then its triangles (3 vertex indexes) or rectangles (2), within the
// record, every index naming a vertex.
bool EmfGradientFits(const uint8_t *Record, uint32_t Size)
{
    const uint64_t vertices = LeU32(Record + 24), shapes = LeU32(Record + 28);
    const uint64_t indexes = LeU32(Record + 32) == 2 ? 3 : 2;
    const uint64_t shapesAt = 36 + vertices * 16;
    if (shapesAt + shapes * indexes * 4 > Size)
        return false;
    for (uint64_t i = 0; i < shapes * indexes; ++i)
        if (LeU32(Record + shapesAt + 4 * i) >= vertices)
            return false;
    return true;
}

// A record's counted parameters (points, characters, palette entries, rectangles, vertices, the
// data of comments and escapes) within its Size.
bool EmfCountsFit(uint32_t Type, const uint8_t *Record, uint32_t Size)
{
    auto u32 = [&](uint32_t At) { return uint64_t(LeU32(Record + At)); };
    switch (Type) {
    case 2: case 3: case 4: case 5: case 6: // POLYBEZIER ... POLYLINETO
        return 28 + u32(24) * 8 <= Size;
    case 85: case 86: case 87: case 88: case 89: // their 16-bit forms
        return 28 + u32(24) * 4 <= Size;
    case 7: case 8: // POLYPOLYLINE, POLYPOLYGON
        return EmfPolyPolyFits(Record, Size, 8);
    case 90: case 91:
        return EmfPolyPolyFits(Record, Size, 4);
    case 56: // POLYDRAW: points and a type byte for each
        return 28 + u32(24) * 9 <= Size;
    case 92:
        return 28 + u32(24) * 5 <= Size;
    case 83: case 84: // EXTTEXTOUTA, EXTTEXTOUTW
        return EmfTextFits(Record, Size, 36, Type == 84);
    case 96: case 97: { // POLYTEXTOUTA, POLYTEXTOUTW
        const uint64_t texts = u32(36);
        if (40 + texts * 40 > Size)
            return false;
        for (uint64_t i = 0; i < texts; ++i)
            if (!EmfTextFits(Record, Size, uint32_t(40 + 40 * i), Type == 97))
                return false;
        return true;
    }
    case 108: { // SMALLTEXTOUT: a rectangle unless ETO_NO_RECT, 8-bit characters with ETO_SMALL_CHARS
        const uint32_t options = LeU32(Record + 20);
        return 36 + ((options & 0x0100) ? 0 : 16) + u32(16) * ((options & 0x0200) ? 1 : 2) <= Size;
    }
    case 49: // CREATEPALETTE
        return 16 + uint64_t(LeU16(Record + 14)) * 4 <= Size;
    case 50: // SETPALETTEENTRIES
        return 20 + u32(16) * 4 <= Size;
    case 14: // EOF: its palette
        return u32(8) == 0 || u32(12) + u32(8) * 4 <= Size;
    case 70: // GDICOMMENT
        return 12 + u32(8) <= Size;
    case 102: // GLSRECORD
        return 12 + u32(8) <= Size;
    case 103: // GLSBOUNDEDRECORD
        return 28 + u32(24) <= Size;
    case 105: case 106: // DRAWESCAPE, EXTESCAPE
        return 16 + u32(12) <= Size;
    case 110: // NAMEDESCAPE: the driver's name, then the escape's data
        return 20 + u32(12) + u32(16) <= Size;
    case 112: case 113: // SETICMPROFILEA, SETICMPROFILEW: the profile's name, then its data
        return 20 + u32(12) + u32(16) <= Size;
    case 121: // COLORMATCHTOTARGETW: the same at the fields after its action and flags
        return 24 + u32(16) + u32(20) <= Size;
    case 122: // CREATECOLORSPACEW: the profile's data after the colour space and its flags
        return 608 + u32(604) <= Size;
    case 119: // SETLINKEDUFIS: 8-byte font identifiers, then 8 reserved bytes
        return 20 + u32(8) * 8 <= Size;
    case 71: // FILLRGN
        return EmfRegionFits(Record, Size, 24, 32, false);
    case 72: // FRAMERGN
        return EmfRegionFits(Record, Size, 24, 40, false);
    case 73: case 74: // INVERTRGN, PAINTRGN
        return EmfRegionFits(Record, Size, 24, 28, false);
    case 75: // EXTSELECTCLIPRGN: no region data resets the clip
        return EmfRegionFits(Record, Size, 8, 16, true);
    case 95: // EXTCREATEPEN: its dash lengths
        return 52 + u32(48) * 4 <= Size;
    case 118: // GRADIENTFILL
        return EmfGradientFits(Record, Size);
    default: return true;
    }
}

// A pattern brush's fields: its bitmap header's offset and size, then its bits', after the type,
// size, object slot and colour usage (32 bytes in all, CheckEmfRecord's least for both records).
constexpr size_t kBrushBmiAt = 16, kBrushBitsAt = 24, kBrushFixed = 32;

// How much padding every pattern brush to the largest one's bits may grow the converter's copy.
constexpr uint64_t kBrushPaddingBudget = uint64_t(64) << 20;

bool IsEmfPatternBrush(uint32_t Type)
{
    return Type == 93 || Type == 94; // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT
}

// The size of the pattern brush at Record rewritten with Bits bytes of bits after its header.
uint64_t PaddedBrushSize(const uint8_t *Record, uint64_t Bits)
{
    return (kBrushFixed + uint64_t(LeU32(Record + kBrushBmiAt + 4)) + Bits + 3) / 4 * 4;
}

} // namespace

const char *CheckEmfRecord(uint32_t Type, const uint8_t *Record, uint32_t Size)
{
    for (const TEmfMinimum &m : kEmfMinimumSizes)
        if (m.Type == Type && Size < m.Size)
            return kShort;
    for (const TEmfBitmapFields &fields : kEmfBitmapRecords) {
        if (fields.Type != Type)
            continue;
        if (Size < fields.MinSize)
            return kShort;
        for (const uint32_t bitmapAt : fields.At)
            if (bitmapAt != 0)
                if (const char *bad = CheckEmfBitmap(Record, Size, bitmapAt, fields.Brush))
                    return bad;
    }
    if (!EmfCountsFit(Type, Record, Size))
        return "a record whose counts reach past it";
    return nullptr;
}

const char *AppendEmfRecordsForConverter(std::vector<uint8_t> &Out, const uint8_t *Records, size_t Length)
{
    auto each = [&](auto &&Visit) {
        for (size_t at = 0; at < Length; at += LeU32(Records + at + 4))
            Visit(Records + at, LeU32(Records + at), LeU32(Records + at + 4));
    };
    uint64_t largest = 0;
    each([&](const uint8_t *Record, uint32_t Type, uint32_t) {
        if (IsEmfPatternBrush(Type))
            largest = std::max<uint64_t>(largest, LeU32(Record + kBrushBitsAt + 4));
    });
    // What the brushes to be padded add, at most (a rewritten brush drops what its record held
    // besides its fields, header and bits).
    uint64_t growth = 0;
    each([&](const uint8_t *Record, uint32_t Type, uint32_t Size) {
        if (IsEmfPatternBrush(Type) && LeU32(Record + kBrushBitsAt + 4) < largest)
            growth += std::max<uint64_t>(PaddedBrushSize(Record, largest), Size) - Size;
    });
    if (growth > kBrushPaddingBudget)
        return "pattern brushes whose bits, padded to the largest brush's, make the file too large";

    Out.reserve(Out.size() + Length + size_t(growth));
    each([&](const uint8_t *Record, uint32_t Type, uint32_t Size) {
        const uint32_t cbBits = IsEmfPatternBrush(Type) ? LeU32(Record + kBrushBitsAt + 4) : 0;
        if (!IsEmfPatternBrush(Type) || cbBits == largest) {
            Out.insert(Out.end(), Record, Record + Size);
            return;
        }
        const uint32_t offBmi = LeU32(Record + kBrushBmiAt), cbBmi = LeU32(Record + kBrushBmiAt + 4);
        const uint32_t offBits = LeU32(Record + kBrushBitsAt);
        const size_t start = Out.size();
        Out.insert(Out.end(), Record, Record + kBrushFixed);
        Out.insert(Out.end(), Record + offBmi, Record + offBmi + cbBmi);
        Out.insert(Out.end(), Record + offBits, Record + offBits + cbBits);
        Out.resize(start + size_t(PaddedBrushSize(Record, largest)), 0);
        uint8_t *brush = Out.data() + start;
        PutLe32(brush + 4, uint32_t(Out.size() - start));
        PutLe32(brush + kBrushBmiAt, uint32_t(kBrushFixed));
        PutLe32(brush + kBrushBitsAt, uint32_t(kBrushFixed + cbBmi));
        PutLe32(brush + kBrushBitsAt + 4, uint32_t(largest));
    });
    return nullptr;
}
