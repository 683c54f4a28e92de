#include "images/EmfRender.h"
#include "images/Graphic.h"
#include "images/LittleEndian.h"

#include <QByteArray>
#include <QPainter>
#include <QSvgRenderer>
#include <emf2svg.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace {

void EmfAppend32(std::vector<uint8_t> &Out, std::initializer_list<uint32_t> Values)
{
    for (uint32_t v : Values)
        for (int i = 0; i < 4; ++i)
            Out.push_back(uint8_t(v >> (8 * i)));
}

constexpr uint32_t kEmfHeader = 1;
constexpr uint32_t kEmfEof = 14;
constexpr uint32_t kEmfSelectObject = 37;
constexpr uint32_t kEmfSignature = 0x464D4520u;
constexpr uint32_t kEmfStockWhiteBrush = 0x80000000u;
constexpr uint32_t kEmfStockBlackPen = 0x80000007u;
constexpr size_t kEmfMinHeader = 88;

// Records whose first field is the object-table slot they fill.
bool EmfCreatesObject(uint32_t Type)
{
    switch (Type) {
    case 38: // CREATEPEN
    case 39: // CREATEBRUSHINDIRECT
    case 49: // CREATEPALETTE
    case 82: // EXTCREATEFONTINDIRECTW
    case 93: // CREATEMONOBRUSH
    case 94: // CREATEDIBPATTERNBRUSHPT
    case 95: // EXTCREATEPEN
        return true;
    default: return false;
    }
}

// Where a bitmap record keeps the offsets and sizes of its bitmap header and bits (from the
// record's start), and how long the record's fixed part is.
struct TEmfBitmapFields {
    uint32_t Type;
    uint32_t At;
    uint32_t MinSize;
};
constexpr TEmfBitmapFields kEmfBitmapRecords[] = {
    {76, 84, 100}, // BITBLT
    {77, 84, 108}, // STRETCHBLT
    {80, 48, 76}, // SETDIBITSTODEVICE
    {81, 48, 80}, // STRETCHDIBITS
    {93, 16, 32}, // CREATEMONOBRUSH
    {94, 16, 32}, // CREATEDIBPATTERNBRUSHPT
};

// A bitmap record's header and bits must lie within the record, and uncompressed bits must
// hold the rows the header claims, within the picture budget.
const char *CheckEmfBitmap(const uint8_t *Record, uint32_t Size, const TEmfBitmapFields &Fields)
{
    if (Size < Fields.MinSize)
        return "a record shorter than its parameters";
    const uint64_t offBmi = LeU32(Record + Fields.At), cbBmi = LeU32(Record + Fields.At + 4);
    const uint64_t offBits = LeU32(Record + Fields.At + 8), cbBits = LeU32(Record + Fields.At + 12);
    if (cbBmi == 0)
        return nullptr; // a raster operation without a source bitmap
    if (offBmi + cbBmi > Size || offBits + cbBits > Size || cbBmi < 12)
        return "a bitmap that reaches past its record";
    const uint8_t *bmi = Record + offBmi;
    if (LeU32(bmi) < 40 || cbBmi < 40)
        return nullptr; // an old core header: the converter reads only its sizes
    const int64_t w = int32_t(LeU32(bmi + 4)), h = int32_t(LeU32(bmi + 8));
    const unsigned bits = unsigned(bmi[14] | (bmi[15] << 8));
    const uint32_t compression = LeU32(bmi + 16);
    const int64_t rows = h < 0 ? -h : h;
    if (w <= 0 || rows == 0)
        return "a bitmap of negative or no size";
    if (w > kMaxImageSide || rows > kMaxImageSide || w * rows > kMaxImagePixels)
        return "a bitmap larger than a picture may be";
    if (compression == 0 || compression == 3) {
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return "a bitmap of unknown depth";
        const uint64_t stride = ((uint64_t(w) * bits + 31) / 32) * 4;
        if (stride * uint64_t(rows) > cbBits)
            return "a bitmap larger than its data";
    }
    return nullptr;
}

// Keeps the converter's output and frees it with the allocator it came from.
struct TEmfSvgText {
    char *Text = nullptr;
    size_t Length = 0;
    ~TEmfSvgText() { std::free(Text); }
};

} // namespace

std::vector<uint8_t> PrepareEmf(const std::vector<uint8_t> &Data, std::string *Why)
{
    auto fail = [&](const char *Text) {
        if (Why)
            *Why = Text;
        return std::vector<uint8_t>();
    };
    if (Data.size() < kEmfMinHeader || LeU32(Data.data()) != kEmfHeader || LeU32(Data.data() + 40) != kEmfSignature)
        return fail("not an enhanced metafile");
    const uint32_t headerSize = LeU32(Data.data() + 4);
    if (headerSize < kEmfMinHeader || headerSize % 4 != 0 || headerSize > Data.size())
        return fail("an enhanced metafile header of a wrong size");

    size_t at = headerSize;
    uint32_t records = 1;
    uint64_t handles = uint16_t(Data[56] | (Data[57] << 8));
    bool ended = false;
    while (at < Data.size()) {
        if (Data.size() - at < 8)
            return fail("a record cut short by the end of the file");
        const uint32_t type = LeU32(Data.data() + at);
        const uint32_t size = LeU32(Data.data() + at + 4);
        if (size < 8 || size % 4 != 0 || size > Data.size() - at)
            return fail(size > Data.size() - at ? "a record cut short by the end of the file"
                                                : "a record of a wrong size");
        if (type == kEmfHeader)
            return fail("a second header record");
        for (const TEmfBitmapFields &fields : kEmfBitmapRecords)
            if (fields.Type == type)
                if (const char *bad = CheckEmfBitmap(Data.data() + at, size, fields))
                    return fail(bad);
        if (EmfCreatesObject(type)) {
            if (size < 12)
                return fail("a record shorter than its parameters");
            const uint32_t slot = LeU32(Data.data() + at + 8);
            if (slot == 0 || slot >= 0xFFFF)
                return fail("an object slot past the object table");
            handles = std::max<uint64_t>(handles, uint64_t(slot) + 1);
        }
        at += size;
        ++records;
        if (type == kEmfEof) {
            ended = true;
            break;
        }
    }

    std::vector<uint8_t> out;
    out.reserve(at + 40);
    out.insert(out.end(), Data.begin(), Data.begin() + std::ptrdiff_t(headerSize));
    // A fresh device context draws with a white brush and a black pen until the file selects others.
    EmfAppend32(out, {kEmfSelectObject, 12, kEmfStockWhiteBrush});
    EmfAppend32(out, {kEmfSelectObject, 12, kEmfStockBlackPen});
    records += 2;
    out.insert(out.end(), Data.begin() + std::ptrdiff_t(headerSize), Data.begin() + std::ptrdiff_t(at));
    if (!ended) {
        EmfAppend32(out, {kEmfEof, 20, 0, 16, 20});
        ++records;
    }
    PutLe32(out.data() + 48, uint32_t(out.size()));
    PutLe32(out.data() + 52, records);
    PutLe16(out.data() + 56, uint16_t(handles));
    return out;
}

QImage RenderEmf(const std::vector<uint8_t> &Data, QSize Size)
{
    return RenderPreparedEmf(PrepareEmf(Data), Size);
}

QImage RenderPreparedEmf(std::vector<uint8_t> Prepared, QSize Size)
{
    if (Prepared.empty() || Size.width() <= 0 || Size.height() <= 0)
        return QImage();

    generatorOptions options{};
    char noPrefix[] = "";
    options.nameSpace = noPrefix;
    options.verbose = false;
    options.emfplus = false; // dual files carry plain records too; those are drawn
    options.svgDelimiter = true;
    options.imgWidth = Size.width();
    options.imgHeight = Size.height();
    TEmfSvgText svg;
    const int ok =
        emf2svg(reinterpret_cast<char *>(Prepared.data()), Prepared.size(), &svg.Text, &svg.Length, &options);
    if (!ok || !svg.Text || svg.Length == 0)
        return QImage();

    QSvgRenderer renderer(QByteArray::fromRawData(svg.Text, qsizetype(svg.Length)));
    if (!renderer.isValid())
        return QImage();
    QImage image(Size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage();
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, Size.width(), Size.height()));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

void ReadyEmfRendering()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // A drawing as the converter writes them: a shape, a text and an embedded 1 x 1 PNG.
        static const char svg[] =
            "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
            "width=\"4\" height=\"4\"><rect x=\"0\" y=\"0\" width=\"2\" height=\"2\" fill=\"#FFFFFF\"/>"
            "<text x=\"0\" y=\"4\" font-size=\"3\">a</text><image width=\"1\" height=\"1\" x=\"3\" y=\"3\" "
            "xlink:href=\"data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8"
            "z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==\"/></svg>";
        QSvgRenderer renderer(QByteArray::fromRawData(svg, sizeof svg - 1));
        QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
    });
}
