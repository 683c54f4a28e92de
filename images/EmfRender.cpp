#include "images/EmfRender.h"

#include <QByteArray>
#include <QPainter>
#include <QSvgRenderer>
#include <emf2svg.h>

#include <algorithm>
#include <cstdlib>

namespace {

uint32_t EmfU32(const uint8_t *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void EmfPut32(std::vector<uint8_t> &Out, size_t At, uint32_t V)
{
    for (int i = 0; i < 4; ++i)
        Out[At + size_t(i)] = uint8_t(V >> (8 * i));
}
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
    default:
        return false;
    }
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
    if (Data.size() < kEmfMinHeader || EmfU32(Data.data()) != kEmfHeader || EmfU32(Data.data() + 40) != kEmfSignature)
        return fail("not an enhanced metafile");
    const uint32_t headerSize = EmfU32(Data.data() + 4);
    if (headerSize < kEmfMinHeader || headerSize % 4 != 0 || headerSize > Data.size())
        return fail("an enhanced metafile header of a wrong size");

    size_t at = headerSize;
    uint32_t records = 1;
    uint64_t handles = uint16_t(Data[56] | (Data[57] << 8));
    bool ended = false;
    while (at < Data.size()) {
        if (Data.size() - at < 8)
            return fail("a record cut short by the end of the file");
        const uint32_t type = EmfU32(Data.data() + at);
        const uint32_t size = EmfU32(Data.data() + at + 4);
        if (size < 8 || size % 4 != 0 || size > Data.size() - at)
            return fail(size > Data.size() - at ? "a record cut short by the end of the file"
                                                : "a record of a wrong size");
        if (type == kEmfHeader)
            return fail("a second header record");
        if (EmfCreatesObject(type)) {
            if (size < 12)
                return fail("a record shorter than its parameters");
            const uint32_t slot = EmfU32(Data.data() + at + 8);
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
    EmfPut32(out, 48, uint32_t(out.size()));
    EmfPut32(out, 52, records);
    out[56] = uint8_t(handles);
    out[57] = uint8_t(handles >> 8);
    return out;
}

QImage RenderEmf(const std::vector<uint8_t> &Data, QSize Size)
{
    if (Data.empty() || Size.width() <= 0 || Size.height() <= 0)
        return QImage();
    std::vector<uint8_t> prepared = PrepareEmf(Data);
    if (prepared.empty())
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
    const int ok = emf2svg(reinterpret_cast<char *>(prepared.data()), prepared.size(), &svg.Text, &svg.Length,
                           &options);
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
