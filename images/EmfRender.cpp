#include "images/EmfRender.h"
#include "images/EmfRecords.h"
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
// The header's description (UTF-16 characters) and pixel format (bytes): where their offset and
// length are kept, and the end of the pixel format's fields, which older headers lack.
constexpr size_t kEmfDescriptionLengthAt = 60, kEmfDescriptionAt = 64;
constexpr size_t kEmfPixelFormatLengthAt = 88, kEmfPixelFormatAt = 92, kEmfPixelFormatEnd = 100;

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

// A part of the header record (the description, the pixel format) given by an offset and a
// length (in units of UnitBytes bytes): absent when either is 0, else it must lie within the
// header record whole.
// The converter measures a description whose length is 0 by looking for its end past the
// offset, which may be far past the file; so an absent part's fields are zeroed in the copy.
bool EmfHeaderPartFits(std::vector<uint8_t> &Header, size_t OffsetAt, size_t LengthAt, uint64_t UnitBytes)
{
    const uint64_t offset = LeU32(Header.data() + OffsetAt), length = LeU32(Header.data() + LengthAt) * UnitBytes;
    if (offset == 0 || length == 0) {
        PutLe32(Header.data() + OffsetAt, 0);
        PutLe32(Header.data() + LengthAt, 0);
        return true;
    }
    return offset + length <= Header.size();
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
    std::vector<uint8_t> header(Data.begin(), Data.begin() + std::ptrdiff_t(headerSize));
    if (!EmfHeaderPartFits(header, kEmfDescriptionAt, kEmfDescriptionLengthAt, 2))
        return fail("a header whose description reaches past it");
    if (headerSize >= kEmfPixelFormatEnd && !EmfHeaderPartFits(header, kEmfPixelFormatAt, kEmfPixelFormatLengthAt, 1))
        return fail("a header whose pixel format reaches past it");

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
        if (const char *bad = CheckEmfRecord(type, Data.data() + at, size))
            return fail(bad);
        if (EmfCreatesObject(type)) {
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
    out.insert(out.end(), header.begin(), header.end());
    // A fresh device context draws with a white brush and a black pen until the file selects others.
    EmfAppend32(out, {kEmfSelectObject, 12, kEmfStockWhiteBrush});
    EmfAppend32(out, {kEmfSelectObject, 12, kEmfStockBlackPen});
    records += 2;
    if (const char *bad = AppendEmfRecordsForConverter(out, Data.data() + headerSize, at - headerSize))
        return fail(bad);
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
    return RenderPreparedEmf(Prepared.data(), Prepared.size(), Size);
}

QImage RenderPreparedEmf(uint8_t *Prepared, size_t Length, QSize Size)
{
    if (Length == 0 || Size.width() <= 0 || Size.height() <= 0)
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
        emf2svg(reinterpret_cast<char *>(Prepared), Length, &svg.Text, &svg.Length, &options);
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
