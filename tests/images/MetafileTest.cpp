// Metafiles in the picture preview: a WMF made here (a red rectangle over the left half of a white
// one) is played into pixels, at its own size and stretched; a damaged one falls back to the drawn
// placeholder. Crafted WMFs whose records lie about sizes are refused before the player sees them,
// and a play over its time or memory is stopped. EMFs made here (rectangle, ellipse, polygon and
// text with stock brushes and pens) are drawn through their SVG, also in the real image dialog.
#include "images/Graphic.h"
#include "images/ImageDialog.h"
#include "images/QtPictures.h"
#include "images/EmfRender.h"
#include "images/MetafilePlay.h"
#include "images/ThumbImage.h"
#include "images/WmfRender.h"
#include "MetafileTestSupport.h"
#include <QDir>
#include <QThread>
#include <QThreadPool>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <emf2svg.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace mftest;

namespace {

QString Write(const QTemporaryDir &Dir, const char *Name, const std::vector<uint8_t> &Bytes)
{
    const QString path = Dir.filePath(QString::fromLatin1(Name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char *>(Bytes.data()), qint64(Bytes.size()));
    return path;
}

bool Near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 && std::abs(a.blue() - b.blue()) < 8;
}

} // namespace

TEST(Metafile, AWmfIsPlayedIntoThePreviewAtEverySize)
{
    QTemporaryDir dir;
    TPicture picture;
    picture.LoadFromFile(Write(dir, "halves.wmf", TwoColourWmf()).toStdString());
    ASSERT_EQ(picture.Width(), 100);
    ASSERT_EQ(picture.Height(), 50);

    const QImage own = picture.Graphic()->ToImage();
    ASSERT_EQ(own.size(), QSize(100, 50));
    EXPECT_TRUE(Near(own.pixelColor(20, 25), Qt::red)) << own.pixelColor(20, 25).name().toStdString();
    EXPECT_TRUE(Near(own.pixelColor(80, 25), Qt::white)) << own.pixelColor(80, 25).name().toStdString();

    // Stretched into a preview box twice the size, at an offset, over a blue ground.
    QImage box(260, 140, QImage::Format_RGB32);
    box.fill(Qt::blue);
    QPainter p(&box);
    picture.Graphic()->Draw(p, QRect(30, 20, 200, 100));
    p.end();
    EXPECT_TRUE(Near(box.pixelColor(60, 70), Qt::red));
    EXPECT_TRUE(Near(box.pixelColor(200, 70), Qt::white));
    EXPECT_TRUE(Near(box.pixelColor(10, 10), Qt::blue)) << "nothing is drawn outside the box";
    // No placeholder: its diagonal would cross the white half.
    EXPECT_TRUE(Near(box.pixelColor(180, 70), Qt::white));
}

TEST(Metafile, AWmfThePlayerRefusesShowsThePlaceholder)
{
    std::vector<uint8_t> bytes = TwoColourWmf();
    // Keep the placeable header, break the standard one (type and header size).
    for (size_t i = 22; i < 26; ++i)
        bytes[i] = 0xFF;
    QTemporaryDir dir;
    TPicture picture;
    picture.LoadFromFile(Write(dir, "broken.wmf", bytes).toStdString());
    QImage box(100, 50, QImage::Format_RGB32);
    box.fill(Qt::blue);
    QPainter p(&box);
    picture.Graphic()->Draw(p, box.rect());
    p.end();
    EXPECT_TRUE(Near(box.pixelColor(50, 5), Qt::white)) << "the placeholder's white ground";
}

TEST(Metafile, TheImageDialogPreviewsAWmfWithItsSize)
{
    QTemporaryDir dir;
    TfrmImage form;
    form.show();
    ASSERT_TRUE(form.LoadFile(Write(dir, "halves.wmf", TwoColourWmf())));
    EXPECT_EQ(form.EditWidth->text(), QStringLiteral("100"));
    EXPECT_EQ(form.EditHeight->text(), QStringLiteral("50"));
    const QImage shot = form.tThumbimage1->grab().toImage();
    if (const char *out = std::getenv("QUILLMAR_SCREENSHOT_DIR"))
        form.grab().save(QString::fromLocal8Bit(out) + QStringLiteral("/image-dialog-wmf.png"));
    int red = 0, white = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            red += Near(c, Qt::red);
            white += Near(c, Qt::white);
        }
    EXPECT_GT(red, 500) << "the red half is drawn, not a placeholder";
    EXPECT_GT(white, 500);
}


namespace {

// A record of function Fn with 16-bit parameters followed by raw bytes (a bitmap).
void AppendMetafileRecord(TWmfWriter &W, int Fn, std::initializer_list<int> Params, const std::vector<uint8_t> &Tail)
{
    W.W32(uint32_t(3 + Params.size() + Tail.size() / 2));
    W.W16(Fn);
    for (int p : Params)
        W.W16(p);
    W.Bytes.insert(W.Bytes.end(), Tail.begin(), Tail.end());
}

// A 24-bit bottom-up DIB whose header says HeaderW x HeaderH and which carries rows for DataW x
// DataH pixels of Colour (a header that claims more than its rows is a lie the check must see).
std::vector<uint8_t> MetafileDib(int HeaderW, int HeaderH, int DataW, int DataH, QRgb Colour, int Bits = 24)
{
    TWmfWriter d;
    d.W32(40);
    d.W32(uint32_t(HeaderW));
    d.W32(uint32_t(HeaderH));
    d.W16(1);
    d.W16(Bits);
    for (int i = 0; i < 6; ++i)
        d.W32(0);
    const int stride = ((DataW * 24 + 31) / 32) * 4;
    for (int y = 0; y < DataH; ++y) {
        for (int x = 0; x < DataW; ++x) {
            d.Bytes.push_back(uint8_t(qBlue(Colour)));
            d.Bytes.push_back(uint8_t(qGreen(Colour)));
            d.Bytes.push_back(uint8_t(qRed(Colour)));
        }
        for (int x = DataW * 3; x < stride; ++x)
            d.Bytes.push_back(0);
    }
    return d.Bytes;
}

constexpr int kRop = 0x0020, kRopHigh = 0x00CC; // SRCCOPY, low word first

// A 64 x 64 placeable file with one DIBBITBLT of a 4 x 4 bitmap drawn at height -6 and width -1,
// the record that holds libwmf's interpolation for minutes. Its header is true (the largest
// record is the blit's), so nothing but the record itself gives the file away.
std::vector<uint8_t> NegativeBlitWmf()
{
    TWmfWriter body;
    AppendMetafileRecord(body, 0x0940, {kRop, kRopHigh, 0, 0, -6, -1, 0, 0}, MetafileDib(4, 4, 4, 4, qRgb(0, 0, 255)));
    const uint32_t blitWords = uint32_t(body.Bytes.size() / 2);
    body.Record(0x0000, {});
    return PlaceableWmf(body, 64, 64, 0, blitWords);
}

// The two-colour picture with Extra's records added before its end.
std::vector<uint8_t> TwoColourWmfWith(const std::function<void(TWmfWriter &)> &Extra)
{
    TWmfWriter body = TwoColourRecords();
    Extra(body);
    body.Record(0x0000, {});
    return PlaceableWmf(body, 100, 50, 2, 64);
}

// Whether a preview box shows the placeholder of a picture that cannot be shown: its white ground
// (away from the diagonals and the text) and no colour of the picture anywhere.
bool ShowsMetafilePlaceholder(const QImage &Shot, const QRect &Box)
{
    if (!Near(Shot.pixelColor(Box.left() + Box.width() / 2, Box.top() + Box.height() / 8), Qt::white))
        return false;
    for (int y = Box.top(); y <= Box.bottom(); ++y)
        for (int x = Box.left(); x <= Box.right(); ++x) {
            const QColor c = Shot.pixelColor(x, y);
            if (Near(c, Qt::blue) || Near(c, Qt::red))
                return false;
        }
    return true;
}

// Loads File (written as Name) as a picture and draws it into Box; true when it is a metafile,
// with the outcome of its play in Outcome.
bool DrawMetafile(const QTemporaryDir &Dir, const char *Name, const std::vector<uint8_t> &File, QImage &Box,
                  TMetafilePlayOutcome &Outcome)
{
    TPicture picture;
    picture.LoadFromFile(Write(Dir, Name, File).toStdString());
    QPainter p(&Box);
    picture.Graphic()->Draw(p, Box.rect());
    p.end();
    const auto *metafile = dynamic_cast<TMetafile *>(picture.Graphic());
    if (metafile)
        Outcome = metafile->LastPlay();
    return metafile != nullptr;
}

// Loads File as a picture, draws it into a preview box and expects the play refused and the
// box showing the placeholder of a picture that cannot be shown.
void ExpectPreviewRefused(const QTemporaryDir &Dir, const char *Name, const std::vector<uint8_t> &File)
{
    QImage box(192, 96, QImage::Format_RGB32);
    box.fill(Qt::blue);
    TMetafilePlayOutcome outcome{};
    ASSERT_TRUE(DrawMetafile(Dir, Name, File, box, outcome));
    EXPECT_EQ(outcome, TMetafilePlayOutcome::Refused);
    EXPECT_TRUE(ShowsMetafilePlaceholder(box, box.rect()));
}

// Loads File as a picture, draws it on a transparent image of Size and expects it drawn.
QImage ExpectPreviewDrawn(const QTemporaryDir &Dir, const char *Name, const std::vector<uint8_t> &File, QSize Size)
{
    QImage image(Size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    TMetafilePlayOutcome outcome{};
    EXPECT_TRUE(DrawMetafile(Dir, Name, File, image, outcome));
    EXPECT_EQ(outcome, TMetafilePlayOutcome::Drawn);
    return image;
}

} // namespace

TEST(Metafile, TheRecordCheckRefusesRecordsWhoseSizesDoNotFit)
{
    const QRgb blue = qRgb(0, 0, 255);
    struct Case {
        const char *Name;
        std::vector<uint8_t> File;
        const char *Reason; // a word of the reason given
    };
    const Case cases[] = {
        {"a bitmap drawn at height -6 and width -1", NegativeBlitWmf(), "negative"},
        {"a stretched bitmap drawn wider than the frame",
         TwoColourWmfWith([&](TWmfWriter &b) {
             AppendMetafileRecord(b, 0x0F43, {kRop, kRopHigh, 0, 4, 4, 0, 0, 50, 5000, 0, 0},
                                  MetafileDib(4, 4, 4, 4, blue));
         }),
         "frame"},
        {"a bitmap header that claims 1000 x 1000 over 4 x 4 rows",
         TwoColourWmfWith([&](TWmfWriter &b) {
             AppendMetafileRecord(b, 0x0B41, {kRop, kRopHigh, 4, 4, 0, 0, 50, 50, 0, 50},
                                  MetafileDib(1000, 1000, 4, 4, blue));
         }),
         "data"},
        {"a bitmap past the picture budget",
         TwoColourWmfWith([&](TWmfWriter &b) {
             AppendMetafileRecord(b, 0x0940, {kRop, kRopHigh, 0, 0, 4, 4, 0, 0}, MetafileDib(60000, 60000, 4, 4, blue));
         }),
         "larger than a picture"},
        {"a source rectangle past the bitmap",
         TwoColourWmfWith([&](TWmfWriter &b) {
             AppendMetafileRecord(b, 0x0F43, {kRop, kRopHigh, 0, 4, 4, 0, 3, 50, 50, 0, 50},
                                  MetafileDib(4, 4, 4, 4, blue));
         }),
         "source"},
        {"a bitmap of 7 bits a pixel",
         TwoColourWmfWith([&](TWmfWriter &b) {
             AppendMetafileRecord(b, 0x0940, {kRop, kRopHigh, 0, 0, 4, 4, 0, 0}, MetafileDib(4, 4, 4, 4, blue, 7));
         }),
         "depth"},
        {"a polygon of 1000 points in a record of 3",
         TwoColourWmfWith([](TWmfWriter &b) { b.Record(0x0324, {1000, 0, 0, 10, 0, 10, 10}); }), "point list"},
        {"a poly-polygon whose counts pass its record",
         TwoColourWmfWith([](TWmfWriter &b) { b.Record(0x0538, {2, 3, 300, 0, 0, 10, 0, 10, 10}); }), "point list"},
        {"a text of 200 characters in a record of 4",
         TwoColourWmfWith([](TWmfWriter &b) { b.Record(0x0521, {200, 0x6948, 0, 0}); }), "text"},
        {"an empty window", TwoColourWmfWith([](TWmfWriter &b) { b.Record(0x020C, {0, 100}); }), "empty window"},
        {"a pen record without its fields", TwoColourWmfWith([](TWmfWriter &b) { b.Record(0x02FA, {0, 1}); }),
         "shorter than its parameters"},
        {"an object selected past the table", TwoColourWmfWith([](TWmfWriter &b) { b.Record(0x012D, {40}); }),
         "object index"},
        {"a record shorter than its own header",
         TwoColourWmfWith([](TWmfWriter &b) {
             b.W32(2);
             b.W16(0x0103);
         }),
         "own header"},
        {"a record that runs past the end of the file",
         TwoColourWmfWith([](TWmfWriter &b) {
             b.W32(5000);
             b.W16(0x041B);
         }),
         "cut short"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        std::string why;
        EXPECT_TRUE(PrepareWmf(c.File, &why).empty());
        EXPECT_NE(why.find(c.Reason), std::string::npos) << why;
        EXPECT_TRUE(RenderWmf(c.File, QSize(100, 50)).isNull());
    }
}

TEST(Metafile, TheCheckedCopyCarriesTheRecordsTrueCounts)
{
    // A header that asks the player for a 4 GB record buffer and no objects, and no end record.
    TWmfWriter body = TwoColourRecords();
    const std::vector<uint8_t> lying = PlaceableWmf(body, 100, 50, 0, 0x7FFFFFFF);
    std::string why;
    const std::vector<uint8_t> copy = PrepareWmf(lying, &why);
    ASSERT_FALSE(copy.empty()) << why;
    ASSERT_EQ(copy.size(), lying.size() + 6) << "an end record is added";
    EXPECT_EQ(std::vector<uint8_t>(copy.end() - 6, copy.end()), (std::vector<uint8_t>{3, 0, 0, 0, 0, 0}));
    auto u16 = [&](size_t at) { return uint32_t(copy[at] | (copy[at + 1] << 8)); };
    EXPECT_EQ(u16(28) | (u16(30) << 16), uint32_t((copy.size() - 22) / 2)) << "size in words";
    EXPECT_EQ(u16(32), 3u) << "one object slot for each object made";
    EXPECT_EQ(u16(34) | (u16(36) << 16), 8u) << "the largest record, the pen's 8 words";

    // Drawn as the honest file is, in the preview.
    QTemporaryDir dir;
    TPicture picture;
    picture.LoadFromFile(Write(dir, "lying.wmf", lying).toStdString());
    const QImage own = picture.Graphic()->ToImage();
    EXPECT_TRUE(Near(own.pixelColor(20, 25), Qt::red));
    EXPECT_TRUE(Near(own.pixelColor(80, 25), Qt::white));

    // A sound bitmap record passes the check and is drawn: blue over the right half.
    TPicture withBitmap;
    withBitmap.LoadFromFile(Write(dir, "bitmap.wmf", TwoColourWmfWith([](TWmfWriter &b) {
                                          AppendMetafileRecord(b, 0x0F43,
                                                               {kRop, kRopHigh, 0, 4, 4, 0, 0, 50, 50, 0, 50},
                                                               MetafileDib(4, 4, 4, 4, qRgb(0, 0, 255)));
                                      })).toStdString());
    const QImage drawn = withBitmap.Graphic()->ToImage();
    EXPECT_TRUE(Near(drawn.pixelColor(20, 25), Qt::red));
    EXPECT_TRUE(Near(drawn.pixelColor(80, 25), Qt::blue)) << drawn.pixelColor(80, 25).name().toStdString();
}

TEST(Metafile, ACraftedWmfShowsAsOneThatCannotBeShownAtEverySize)
{
    QTemporaryDir dir;
    TPicture picture;
    picture.LoadFromFile(Write(dir, "blit.wmf", NegativeBlitWmf()).toStdString());
    auto *metafile = dynamic_cast<TMetafile *>(picture.Graphic());
    ASSERT_NE(metafile, nullptr);
    EXPECT_EQ(picture.Width(), 64);
    for (const QSize size : {QSize(100, 100), QSize(200, 200), QSize(64, 64)}) {
        SCOPED_TRACE(size.width());
        QImage box(size, QImage::Format_RGB32);
        box.fill(Qt::blue);
        QPainter p(&box);
        metafile->Draw(p, box.rect());
        p.end();
        EXPECT_EQ(metafile->LastPlay(), TMetafilePlayOutcome::Refused);
        EXPECT_TRUE(ShowsMetafilePlaceholder(box, box.rect()));
    }
    EXPECT_TRUE(MetafileChildProcesses().isEmpty());
}

TEST(Metafile, APlayOverItsBudgetIsStoppedAndLeavesNoProcessBehind)
{
    const std::vector<uint8_t> file = TwoColourWmf();
    TMetafilePlayLimits smallMemory;
    smallMemory.MemoryBytes = 1 << 20;
    TMetafilePlayLimits shortTime;
    shortTime.CpuMilliseconds = 1;
    shortTime.WallMilliseconds = 1;
    struct Case {
        const char *Name;
        TMetafilePlayLimits Limits;
        QSize Size;
    };
    // 3000 x 3000 pixels need 36 MB of the player; 4096 x 4096 take it far more than a millisecond.
    const Case cases[] = {{"1 MB of memory", smallMemory, QSize(3000, 3000)},
                          {"a millisecond", shortTime, QSize(4096, 4096)}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TMetafilePlayOutcome outcome = TMetafilePlayOutcome::Drawn;
        EXPECT_TRUE(PlayMetafile(file, false, c.Size, &outcome, c.Limits).isNull());
        EXPECT_NE(outcome, TMetafilePlayOutcome::Drawn);
        if (c.Limits.WallMilliseconds == 1) {
            EXPECT_EQ(outcome, TMetafilePlayOutcome::OverTime);
        }
        EXPECT_TRUE(MetafileChildProcesses().isEmpty()) << MetafileChildProcesses().join(' ').toStdString();
        // Within the usual budget the same play draws.
        const QImage image = PlayMetafile(file, false, QSize(200, 100), &outcome);
        EXPECT_EQ(outcome, TMetafilePlayOutcome::Drawn);
        ASSERT_EQ(image.size(), QSize(200, 100));
        EXPECT_TRUE(Near(image.pixelColor(40, 50), Qt::red));
    }
}

namespace {

// An enhanced metafile built record by record, its logical units the pixels of a 96-dpi device.
struct TEmfWriter {
    std::vector<uint8_t> Body;
    uint32_t Count = 0;
    static void Put32(std::vector<uint8_t> &B, uint32_t V)
    {
        for (int i = 0; i < 4; ++i)
            B.push_back(uint8_t(V >> (8 * i)));
    }
    void Record(uint32_t Type, std::initializer_list<uint32_t> Params) { Record(Type, std::vector<uint32_t>(Params)); }
    void Record(uint32_t Type, const std::vector<uint32_t> &Params)
    {
        Put32(Body, Type);
        Put32(Body, uint32_t(8 + 4 * Params.size()));
        for (uint32_t p : Params)
            Put32(Body, p);
        ++Count;
    }
    void SelectStock(uint32_t Object) { Record(37, {0x80000000u | Object}); }
    // POLYGON16 of the points (x, y, x, y, ...).
    void Polygon16(std::initializer_list<int> Xy)
    {
        const uint32_t points = uint32_t(Xy.size() / 2);
        Put32(Body, 86);
        Put32(Body, 8 + 16 + 4 + points * 4);
        for (int i = 0; i < 4; ++i)
            Put32(Body, 0); // bounds, unused by the players
        Put32(Body, points);
        for (int v : Xy) {
            Body.push_back(uint8_t(v));
            Body.push_back(uint8_t(v >> 8));
        }
        ++Count;
    }
    // EXTCREATEFONTINDIRECTW into slot Slot: a bold sans face of Height pixels.
    void Font(uint32_t Slot, int Height)
    {
        Put32(Body, 82);
        Put32(Body, 8 + 4 + 92);
        Put32(Body, Slot);
        Put32(Body, uint32_t(-Height));
        for (uint32_t v : {0u, 0u, 0u, 700u})
            Put32(Body, v); // width, escapement, orientation, weight
        Put32(Body, 0);     // italic, underline, strike-out, charset
        Put32(Body, 0);     // precisions, quality, pitch and family
        const char16_t face[32] = u"DejaVu Sans";
        for (char16_t ch : face) {
            Body.push_back(uint8_t(ch));
            Body.push_back(uint8_t(ch >> 8));
        }
        ++Count;
    }
    // EXTTEXTOUTW of Text with its reference point at (X, Y).
    void Text(int X, int Y, const std::u16string &Text)
    {
        const uint32_t chars = uint32_t(Text.size());
        const uint32_t stringAt = 8 + 28 + 40;
        const uint32_t stringBytes = ((chars * 2 + 3) / 4) * 4;
        Put32(Body, 84);
        Put32(Body, stringAt + stringBytes + chars * 4);
        for (uint32_t v : {0u, 0u, 0u, 0u, 1u, 0u, 0u})
            Put32(Body, v); // bounds, graphics mode, scales
        Put32(Body, uint32_t(X));
        Put32(Body, uint32_t(Y));
        Put32(Body, chars);
        Put32(Body, stringAt);
        Put32(Body, 0); // options
        for (int i = 0; i < 4; ++i)
            Put32(Body, 0);
        Put32(Body, stringAt + stringBytes); // the advances
        for (char16_t ch : Text) {
            Body.push_back(uint8_t(ch));
            Body.push_back(uint8_t(ch >> 8));
        }
        Body.resize(Body.size() + (stringBytes - chars * 2), 0);
        for (uint32_t i = 0; i < chars; ++i)
            Put32(Body, 14);
        ++Count;
    }
    // STRETCHDIBITS of Dib (a 40-byte header and its rows, MetafileDib) drawn at (X, Y), W x H.
    void StretchDib(int X, int Y, int W, int H, const std::vector<uint8_t> &Dib)
    {
        StretchDib(X, Y, W, H, std::vector<uint8_t>(Dib.begin(), Dib.begin() + 40),
                   std::vector<uint8_t>(Dib.begin() + 40, Dib.end()));
    }
    // The same for a bitmap header Bmi (with its colour table) and its Bits.
    void StretchDib(int X, int Y, int W, int H, const std::vector<uint8_t> &Bmi, const std::vector<uint8_t> &Bits)
    {
        const int32_t srcW = int32_t(Bmi[4] | (Bmi[5] << 8)), srcH = int32_t(Bmi[8] | (Bmi[9] << 8));
        const uint32_t bmiSize = uint32_t(Bmi.size()), bitsSize = uint32_t(Bits.size());
        const uint32_t padding = (4 - (bmiSize + bitsSize) % 4) % 4;
        Put32(Body, 81);
        Put32(Body, 80 + bmiSize + bitsSize + padding);
        for (int i = 0; i < 4; ++i)
            Put32(Body, 0); // bounds
        for (int32_t v : {X, Y, 0, 0, srcW, srcH})
            Put32(Body, uint32_t(v));
        for (uint32_t v : {80u, bmiSize, 80u + bmiSize, bitsSize, 0u, 0x00CC0020u})
            Put32(Body, v); // header and bits, RGB colours, SRCCOPY
        Put32(Body, uint32_t(W));
        Put32(Body, uint32_t(H));
        Body.insert(Body.end(), Bmi.begin(), Bmi.end());
        Body.insert(Body.end(), Bits.begin(), Bits.end());
        Body.resize(Body.size() + padding, 0);
        ++Count;
    }
    // A record of Type, Fixed bytes long before its bitmaps, whose every bitmap field group (the
    // offsets and sizes of a bitmap's header and bits, at the offsets in At) names a copy of Bmi
    // and Bits placed after the fixed part; its other fields are 0 but for the object slot Slot,
    // which a brush or pen record fills.
    void BitmapRecord(uint32_t Type, uint32_t Fixed, std::initializer_list<uint32_t> At, const std::vector<uint8_t> &Bmi,
                      const std::vector<uint8_t> &Bits, uint32_t Slot = 0)
    {
        std::vector<uint8_t> r(Fixed, 0);
        r[8] = uint8_t(Slot);
        for (uint32_t at : At) {
            const uint32_t bmiAt = uint32_t(r.size());
            r.insert(r.end(), Bmi.begin(), Bmi.end());
            const uint32_t bitsAt = uint32_t(r.size());
            r.insert(r.end(), Bits.begin(), Bits.end());
            std::vector<uint8_t> fields;
            for (uint32_t v : {bmiAt, uint32_t(Bmi.size()), bitsAt, uint32_t(Bits.size())})
                Put32(fields, v);
            std::copy(fields.begin(), fields.end(), r.begin() + at);
        }
        r.resize((r.size() + 3) / 4 * 4, 0);
        std::vector<uint8_t> head;
        Put32(head, Type);
        Put32(head, uint32_t(r.size()));
        std::copy(head.begin(), head.end(), r.begin());
        Body.insert(Body.end(), r.begin(), r.end());
        ++Count;
    }
    // The file: header (W x H pixels, a 96-dpi reference device), the records, an end record.
    std::vector<uint8_t> File(int W, int H, bool WithEnd = true) const
    {
        std::vector<uint8_t> body = Body;
        uint32_t count = Count + 1;
        if (WithEnd) {
            for (uint32_t v : {14u, 20u, 0u, 16u, 20u})
                Put32(body, v);
            ++count;
        }
        std::vector<uint8_t> f;
        Put32(f, 1);
        Put32(f, 88);
        for (int v : {0, 0, W - 1, H - 1})
            Put32(f, uint32_t(v));
        for (int v : {0, 0, W * 2540 / 96, H * 2540 / 96})
            Put32(f, uint32_t(v));
        Put32(f, 0x464D4520u);
        Put32(f, 0x10000);
        Put32(f, uint32_t(88 + body.size()));
        Put32(f, count);
        Put32(f, 2); // handles, reserved
        Put32(f, 0);
        Put32(f, 0);
        Put32(f, 0);
        for (int v : {960, 480, 254, 127})
            Put32(f, uint32_t(v));
        f.insert(f.end(), body.begin(), body.end());
        return f;
    }
};

constexpr uint32_t kEmfRectangle = 43, kEmfEllipse = 42;

// A record's parameters: Head, Zeros words of 0 (a structure of no interest), then Tail.
std::vector<uint32_t> WithZeroWords(std::initializer_list<uint32_t> Head, size_t Zeros,
                                    std::initializer_list<uint32_t> Tail)
{
    std::vector<uint32_t> words(Head);
    words.resize(words.size() + Zeros, 0);
    words.insert(words.end(), Tail);
    return words;
}

// 192 x 96 pixels: a rectangle before any brush is chosen (white inside a black frame), a black
// ellipse without outline, a grey triangle and the bold text "Hi"; First's records, when given,
// come before them.
std::vector<uint8_t> ShapesEmfWith(const std::function<void(TEmfWriter &)> &First, bool WithEnd = true)
{
    TEmfWriter w;
    if (First)
        First(w);
    w.Record(kEmfRectangle, {10, 10, 90, 50});
    w.SelectStock(4); // BLACK_BRUSH
    w.SelectStock(8); // NULL_PEN
    w.Record(kEmfEllipse, {100, 10, 180, 50});
    w.SelectStock(2); // GRAY_BRUSH
    w.Polygon16({10, 90, 70, 90, 40, 60});
    w.Font(1, 30);
    w.Record(37, {1});
    w.Text(110, 58, u"Hi");
    return w.File(192, 96, WithEnd);
}

// The same with Bitmap, when given, drawn first at (150, 60), 40 x 30.
std::vector<uint8_t> ShapesEmf(bool WithEnd = true, const std::vector<uint8_t> &Bitmap = {})
{
    return ShapesEmfWith(
        [&](TEmfWriter &w) {
            if (!Bitmap.empty())
                w.StretchDib(150, 60, 40, 30, Bitmap);
        },
        WithEnd);
}

int DarkPixels(const QImage &Image, const QRect &Area)
{
    int dark = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x) {
            const QColor c = Image.pixelColor(x, y);
            dark += c.alpha() > 128 && c.lightness() < 80;
        }
    return dark;
}

} // namespace

TEST(Metafile, AnEmfIsDrawnAtTheSizeAskedWithAWhiteBrushUntilOneIsChosen)
{
    QTemporaryDir dir;
    struct Case {
        const char *Name;
        std::vector<uint8_t> File;
    };
    const Case cases[] = {{"with its end record", ShapesEmf()},
                          {"without an end record", ShapesEmf(false)},
                          {"with a bitmap", ShapesEmf(true, MetafileDib(4, 4, 4, 4, qRgb(0, 0, 255)))},
                          // Large enough for Qt to scale it down on its thread pool.
                          {"with a large bitmap", ShapesEmf(true, MetafileDib(512, 512, 512, 512, qRgb(0, 0, 255)))}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TPicture picture;
        picture.LoadFromFile(Write(dir, "shapes.emf", c.File).toStdString());
        ASSERT_EQ(picture.Width(), 192);
        ASSERT_EQ(picture.Height(), 96);
        for (const int scale : {1, 2}) {
            SCOPED_TRACE(scale);
            // Qt's global thread pool holds an idle thread, as it does once the program has scaled
            // a picture: the play must not hand its scaling to a thread its process lacks.
            QThreadPool::globalInstance()->start([] {});
            while (QThreadPool::globalInstance()->activeThreadCount() > 0)
                QThread::yieldCurrentThread();
            QImage image(192 * scale, 96 * scale, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter p(&image);
            picture.Graphic()->Draw(p, image.rect());
            p.end();
            auto at = [&](int x, int y) { return image.pixelColor(x * scale, y * scale); };
            EXPECT_EQ(dynamic_cast<TMetafile *>(picture.Graphic())->LastPlay(), TMetafilePlayOutcome::Drawn);
            EXPECT_TRUE(Near(at(50, 30), Qt::white) && at(50, 30).alpha() == 255)
                << "the default brush is white: " << at(50, 30).name(QColor::HexArgb).toStdString();
            int frame = 255; // the darkest pixel across the rectangle's left edge (a smoothed 1-pixel line)
            for (int x = 8 * scale; x <= 12 * scale; ++x)
                if (image.pixelColor(x, 30 * scale).alpha() > 200)
                    frame = std::min(frame, image.pixelColor(x, 30 * scale).lightness());
            EXPECT_LT(frame, 128) << "the default pen is black";
            EXPECT_EQ(at(95, 5).alpha(), 0) << "nothing is drawn outside the shapes";
            EXPECT_TRUE(Near(at(140, 30), Qt::black)) << "the stock black brush";
            EXPECT_TRUE(Near(at(40, 82), QColor(128, 128, 128))) << at(40, 82).name().toStdString();
            EXPECT_EQ(at(20, 65).alpha(), 0) << "outside the triangle";
            if (const char *out = std::getenv("QUILLMAR_SCREENSHOT_DIR"))
                image.save(QString::fromLocal8Bit(out) + QStringLiteral("/emf-shapes-%1.png").arg(scale));
            EXPECT_GT(DarkPixels(image, QRect(105 * scale, 55 * scale, 80 * scale, 40 * scale)), 20 * scale * scale)
                << "the text";
            EXPECT_EQ(DarkPixels(image, QRect(100 * scale, 55 * scale, 5 * scale, 40 * scale)), 0);
            if (c.File.size() > ShapesEmf().size()) {
                EXPECT_TRUE(Near(at(170, 75), Qt::blue)) << at(170, 75).name().toStdString();
            }
        }
    }
}

TEST(Metafile, AnEmfTheConverterRefusesShowsThePlaceholder)
{
    std::vector<uint8_t> misaligned = ShapesEmf();
    misaligned[88 + 4] = 26; // the first record's size, not a multiple of four
    std::vector<uint8_t> pastEnd = ShapesEmf();
    pastEnd[88 + 4] = 0xF0;
    pastEnd[88 + 5] = 0xFF;
    std::vector<uint8_t> secondHeader = ShapesEmf();
    secondHeader[88] = 1;
    struct Case {
        const char *Name;
        std::vector<uint8_t> File;
    };
    const Case cases[] = {
        {"a record of a wrong size", misaligned},
        {"a record cut short", pastEnd},
        {"a second header", secondHeader},
        {"a bitmap header that claims 1000 x 1000 over 4 x 4 rows",
         ShapesEmf(true, MetafileDib(1000, 1000, 4, 4, qRgb(0, 0, 255)))},
        {"a bitmap past the picture budget", ShapesEmf(true, MetafileDib(60000, 60000, 4, 4, qRgb(0, 0, 255)))},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_TRUE(PrepareEmf(c.File).empty());
        ExpectPreviewRefused(dir, "bad.emf", c.File);
    }
}

namespace {

// A bitmap header of W x H pixels at Bits a pixel, with Used as its used-colour count (0: as many
// as the depth can index) and Table's colours after it, however many Used says.
std::vector<uint8_t> IndexedBmi(int W, int H, int Bits, uint32_t Used, const std::vector<QRgb> &Table,
                                uint32_t Compression = 0, uint32_t SizeImage = 0)
{
    std::vector<uint8_t> b;
    for (uint32_t v : {40u, uint32_t(W), uint32_t(H), 1u | (uint32_t(Bits) << 16), Compression, SizeImage, 0u, 0u,
                       Used, 0u})
        TEmfWriter::Put32(b, v);
    for (QRgb c : Table)
        TEmfWriter::Put32(b, c & 0xFFFFFFu); // blue, green, red, 0
    return b;
}

// 8-bit rows of W x H pixels, all of colour Index.
std::vector<uint8_t> IndexRows(int W, int H, uint8_t Index)
{
    return std::vector<uint8_t>(size_t((W + 3) / 4 * 4 * H), Index);
}

const std::vector<QRgb> kFourColours = {qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 0)};

// The shapes with one STRETCHDIBITS of Bmi and Bits drawn at (150, 60), 40 x 30.
std::vector<uint8_t> ShapesEmfWithDib(const std::vector<uint8_t> &Bmi, const std::vector<uint8_t> &Bits)
{
    return ShapesEmfWith([&](TEmfWriter &w) { w.StretchDib(150, 60, 40, 30, Bmi, Bits); });
}

// The shapes with one record of Type (Fixed bytes before its bitmaps, their field groups at At)
// carrying Bmi and Bits; Slot is the object slot a brush or pen fills.
std::vector<uint8_t> ShapesEmfWithBitmapRecord(uint32_t Type, uint32_t Fixed, std::initializer_list<uint32_t> At,
                                               const std::vector<uint8_t> &Bmi, const std::vector<uint8_t> &Bits,
                                               uint32_t Slot = 0)
{
    return ShapesEmfWith([&](TEmfWriter &w) { w.BitmapRecord(Type, Fixed, At, Bmi, Bits, Slot); });
}

// The two-colour WMF with a STRETCHDIB of Bmi and Bits over its right half.
std::vector<uint8_t> PackedDibWmf(const std::vector<uint8_t> &Bmi, const std::vector<uint8_t> &Bits)
{
    std::vector<uint8_t> packed = Bmi;
    packed.insert(packed.end(), Bits.begin(), Bits.end());
    packed.resize((packed.size() + 1) / 2 * 2, 0);
    return TwoColourWmfWith([&](TWmfWriter &b) {
        AppendMetafileRecord(b, 0x0F43, {kRop, kRopHigh, 0, int(Bmi[8]), int(Bmi[4]), 0, 0, 50, 50, 0, 50}, packed);
    });
}

// File with its header record grown to HeaderSize bytes (Tail, then zeros, after the first 88)
// and the header's 32-bit fields at the offsets given set.
std::vector<uint8_t> WithEmfHeader(std::vector<uint8_t> File, uint32_t HeaderSize,
                                   std::initializer_list<std::pair<size_t, uint32_t>> Fields,
                                   std::vector<uint8_t> Tail = {})
{
    Tail.resize(HeaderSize - 88, 0);
    File.insert(File.begin() + 88, Tail.begin(), Tail.end());
    auto put = [&](size_t At, uint32_t V) {
        for (int i = 0; i < 4; ++i)
            File[At + size_t(i)] = uint8_t(V >> (8 * i));
    };
    put(4, HeaderSize);
    put(48, uint32_t(File.size()));
    for (const auto &[at, value] : Fields)
        put(at, value);
    return File;
}

uint32_t EmfField(const std::vector<uint8_t> &File, size_t At)
{
    return uint32_t(File[At] | (File[At + 1] << 8) | (File[At + 2] << 16) | (uint32_t(File[At + 3]) << 24));
}

// The header's description: its length in characters at 60, its offset at 64; the pixel format:
// its length in bytes at 88, its offset at 92.
constexpr size_t kDescLength = 60, kDescAt = 64, kPixelFormatLength = 88, kPixelFormatAt = 92;

} // namespace

// The converter trusts the header's description and pixel format and a bitmap's colour table: a
// description of no length whose offset points past an 88-byte header is measured by looking for
// its end past the file, and an 8-bit bitmap without its colour table, or with 4 colours and
// pixels of index 255, is looked up past its record. The check refuses these files (and such a
// bitmap in every record that carries one), so the preview shows them as ones that cannot be shown.
TEST(Metafile, TheEmfCheckRefusesHeaderPartsAndBitmapsThatReachPastTheirRecord)
{
    const std::vector<uint8_t> noTable = IndexedBmi(4, 4, 8, 0, {});
    const std::vector<uint8_t> fourColours = IndexedBmi(4, 4, 8, 4, kFourColours);
    const std::vector<uint8_t> index255 = IndexRows(4, 4, 255);
    std::vector<uint8_t> someHigh = IndexRows(4, 4, 1);
    someHigh[13] = 200; // one pixel of the fourth row
    // Run-length rows of 4 pixels: a run of index 2, a run of index 200, a literal run 1, 9, 0.
    std::vector<uint8_t> fourBitRows(16, 0x12);
    fourBitRows[5] = 0x1F;
    struct Case {
        const char *Name;
        std::vector<uint8_t> File;
        const char *Reason; // a word of the reason given
    };
    const Case cases[] = {
        {"a description of no length past the 88-byte header",
         WithEmfHeader(ShapesEmf(), 88, {{kDescLength, 4}, {kDescAt, 128}}), "description"},
        {"a description that runs past the header's end",
         WithEmfHeader(ShapesEmf(), 100, {{kDescLength, 8}, {kDescAt, 88}}), "description"},
        {"a pixel format past the header", WithEmfHeader(ShapesEmf(), 100, {{kPixelFormatLength, 40}, {kPixelFormatAt, 100}}),
         "pixel format"},
        {"a pixel format longer than the header",
         WithEmfHeader(ShapesEmf(), 108, {{kPixelFormatLength, 0x7FFFFFFF}, {kPixelFormatAt, 100}}), "pixel format"},
        {"an 8-bit bitmap without its colour table", ShapesEmfWithDib(noTable, index255), "colours reach past"},
        {"an 8-bit bitmap of 4 colours indexed up to 255", ShapesEmfWithDib(fourColours, index255), "index past"},
        {"an 8-bit bitmap of 4 colours with one pixel of index 200", ShapesEmfWithDib(fourColours, someHigh),
         "index past"},
        {"a bitmap that counts 300 colours and holds 4",
         ShapesEmfWithDib(IndexedBmi(4, 4, 8, 300, kFourColours), IndexRows(4, 4, 1)), "colours reach past"},
        {"a 4-bit bitmap of 2 colours with a pixel of index 15",
         ShapesEmfWithDib(IndexedBmi(8, 4, 4, 2, {qRgb(0, 0, 255), 0}), fourBitRows), "index past"},
        {"a 1-bit bitmap without its colour table",
         ShapesEmfWithDib(IndexedBmi(32, 1, 1, 0, {}), std::vector<uint8_t>(4, 0xFF)), "colours reach past"},
        {"a 16-bit bitmap with colour masks and no room for them",
         ShapesEmfWithDib(IndexedBmi(2, 2, 16, 0, {}, 3), std::vector<uint8_t>(8, 0xFF)), "colours reach past"},
        // The converter fails a whole file with one, after a decoding that runs past rows' ends.
        {"a sound run-length bitmap", ShapesEmfWithDib(IndexedBmi(4, 2, 8, 4, kFourColours, 1, 6), {4, 2, 0, 0, 0, 1}),
         "run-length"},
        {"a BITBLT's bitmap of 4 colours indexed up to 255",
         ShapesEmfWithBitmapRecord(76, 100, {84}, fourColours, index255), "index past"},
        {"a STRETCHBLT's bitmap without its colour table",
         ShapesEmfWithBitmapRecord(77, 108, {84}, noTable, index255), "colours reach past"},
        {"a MASKBLT's mask of 4 colours indexed up to 255",
         ShapesEmfWithBitmapRecord(78, 128, {112}, fourColours, index255), "index past"},
        {"a PLGBLT's source without its colour table", ShapesEmfWithBitmapRecord(79, 140, {96}, noTable, index255),
         "colours reach past"},
        {"a SETDIBITSTODEVICE's bitmap of 4 colours indexed up to 255",
         ShapesEmfWithBitmapRecord(80, 76, {48}, fourColours, index255), "index past"},
        {"an ALPHABLEND's bitmap without its colour table",
         ShapesEmfWithBitmapRecord(114, 108, {84}, noTable, index255), "colours reach past"},
        {"a TRANSPARENTBLT's bitmap of 4 colours indexed up to 255",
         ShapesEmfWithBitmapRecord(116, 108, {84}, fourColours, index255), "index past"},
        {"a pattern brush's bitmap without its colour table",
         ShapesEmfWithBitmapRecord(94, 32, {16}, noTable, index255, 2), "colours reach past"},
        {"a mono brush's 1-bit bitmap without its colour table",
         ShapesEmfWithBitmapRecord(93, 32, {16}, IndexedBmi(8, 8, 1, 0, {}), std::vector<uint8_t>(32, 0xAA), 2),
         "colours reach past"},
        {"a pattern pen's bitmap of 4 colours indexed up to 255",
         ShapesEmfWithBitmapRecord(95, 52, {12}, fourColours, index255, 2), "index past"},
        {"a pattern brush whose bitmap is given no bytes, its header read all the same",
         ShapesEmfWith([&](TEmfWriter &w) {
             const size_t at = w.Body.size();
             w.BitmapRecord(94, 32, {16}, noTable, index255, 2);
             std::fill_n(w.Body.begin() + std::ptrdiff_t(at + 20), 4, 0); // cbBmi
         }),
         "bitmap header"},
        {"a MASKBLT of 100 bytes, short of its mask's fields", ShapesEmfWithBitmapRecord(78, 100, {}, {}, {}),
         "shorter than its parameters"},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        std::string why;
        EXPECT_TRUE(PrepareEmf(c.File, &why).empty());
        EXPECT_NE(why.find(c.Reason), std::string::npos) << why;
        ExpectPreviewRefused(dir, "bad.emf", c.File);
    }

    // The WMF player's bitmaps are checked alike, its run-length rows (which it draws) too: a
    // STRETCHDIB of 4 colours indexed up to 255, or 4 x 2 pixels of run-length rows of 4 colours
    // with a run of index 200, a literal index 9, or a literal run past the data.
    const std::vector<uint8_t> rleRun = {4, 2, 0, 0, 4, 200, 0, 0, 0, 1};
    const std::vector<uint8_t> rleLiteral = {4, 2, 0, 0, 0, 3, 1, 9, 0, 0, 0, 0, 0, 1};
    const std::vector<uint8_t> rleCut = {4, 2, 0, 0, 0, 200, 1, 1};
    const Case wmfCases[] = {
        {"a WMF bitmap of 4 colours indexed up to 255", PackedDibWmf(fourColours, index255), "index past"},
        {"a WMF run-length bitmap with a run of index 200",
         PackedDibWmf(IndexedBmi(4, 2, 8, 4, kFourColours, 1, uint32_t(rleRun.size())), rleRun), "index past"},
        {"a WMF run-length bitmap with a literal index 9",
         PackedDibWmf(IndexedBmi(4, 2, 8, 4, kFourColours, 1, uint32_t(rleLiteral.size())), rleLiteral),
         "index past"},
        {"a WMF run-length bitmap whose literal run passes its data",
         PackedDibWmf(IndexedBmi(4, 2, 8, 4, kFourColours, 1, uint32_t(rleCut.size())), rleCut), "runs reach past"},
    };
    for (const Case &c : wmfCases) {
        SCOPED_TRACE(c.Name);
        std::string why;
        EXPECT_TRUE(PrepareWmf(c.File, &why).empty());
        EXPECT_NE(why.find(c.Reason), std::string::npos) << why;
    }
}

// Every record is checked against its size: a record shorter than its fixed fields (a font record
// without its whole face description, the fuzz target's find) or one whose counts of points,
// characters, advances, palette entries, rectangles or vertices reach past it would have the
// converter read past the record, and for a file's last records past the file.
TEST(Metafile, TheEmfCheckRefusesRecordsShorterThanTheirFieldsOrCounts)
{
    struct Case {
        const char *Name;
        std::function<void(TEmfWriter &)> Record;
        const char *Reason;
    };
    const Case cases[] = {
        {"a font record of 52 bytes", [](TEmfWriter &w) { w.Record(82, {1, 0, 0, 0, 0, 700, 0, 0, 0, 0, 0}); },
         "shorter than its parameters"},
        {"a pen record without its colour", [](TEmfWriter &w) { w.Record(38, {1, 0, 1, 1}); },
         "shorter than its parameters"},
        {"a 16-bit polygon of 1000 points in a record of 1",
         [](TEmfWriter &w) { w.Record(86, {0, 0, 0, 0, 1000, 0x000A000A}); }, "counts"},
        {"a polyline of 3 points in a record of 1", [](TEmfWriter &w) { w.Record(4, {0, 0, 0, 0, 3, 10, 10}); },
         "counts"},
        {"a poly-polygon whose counts add up past its points",
         [](TEmfWriter &w) { w.Record(91, {0, 0, 0, 0, 2, 3, 3, 300, 0x000A000A, 0x00140014, 0x0000001E}); },
         "counts"},
        {"a text of 500 characters in a record of 2",
         [](TEmfWriter &w) {
             w.Record(84, {0, 0, 0, 0, 1, 0, 0, 110, 58, 500, 76, 0, 0, 0, 0, 0, 80, 0x00690048, 14});
         },
         "counts"},
        {"a text whose advances lie past the record",
         [](TEmfWriter &w) {
             w.Record(84, {0, 0, 0, 0, 1, 0, 0, 110, 58, 2, 76, 0, 0, 0, 0, 0, 2000, 0x00690048, 14, 14});
         },
         "counts"},
        {"an end record of 300 palette entries in a record of 0", [](TEmfWriter &w) { w.Record(14, {300, 16, 20}); },
         "counts"},
        {"a palette of 256 entries in a record of 1", [](TEmfWriter &w) { w.Record(49, {1, 0x01000300, 0}); },
         "counts"},
        {"a gradient rectangle naming vertex 5 of 2",
         [](TEmfWriter &w) { w.Record(118, {0, 0, 0, 0, 2, 1, 0, 0, 0, 0, 0, 10, 10, 0, 0, 0, 5}); }, "counts"},
        {"a region of 100 rectangles that holds 1",
         [](TEmfWriter &w) { w.Record(71, {0, 0, 10, 10, 48, 0, 32, 1, 100, 16, 0, 0, 10, 10, 0, 0, 10, 10}); },
         "counts"},
        {"a comment of 1000 bytes that holds 4", [](TEmfWriter &w) { w.Record(70, {1000, 0x41414141}); }, "counts"},
        {"a pen of 50 dash lengths that holds none",
         [](TEmfWriter &w) { w.Record(95, {1, 0, 0, 0, 0, 0x10000, 1, 0, 0, 0, 50}); }, "counts"},
        {"a colour space without its colour space", [](TEmfWriter &w) { w.Record(99, {1, 0, 0}); },
         "shorter than its parameters"},
        {"a wide colour space without its flags and profile size",
         [](TEmfWriter &w) { w.Record(122, WithZeroWords({1}, 82, {})); }, "shorter than its parameters"},
        {"a wide colour space of a 4096-byte profile that holds 8",
         [](TEmfWriter &w) { w.Record(122, WithZeroWords({1}, 147, {1, 4096, 0x41414141, 0x41414141})); },
         "counts"},
        {"a colour match of a 1000-byte name that holds 4",
         [](TEmfWriter &w) { w.Record(121, {1, 0, 1000, 0, 0x00410041}); }, "counts"},
        {"a colour match whose profile data lies past its name",
         [](TEmfWriter &w) { w.Record(121, {1, 0, 4, 600, 0x00410041, 0x41414141}); }, "counts"},
        {"a narrow profile of a 260-byte name that holds 4",
         [](TEmfWriter &w) { w.Record(112, {0, 260, 0, 0x00414141}); }, "counts"},
        {"a wide profile of 5000 data bytes that holds 4",
         [](TEmfWriter &w) { w.Record(113, {0, 0, 5000, 0x41414141}); }, "counts"},
        {"a wide profile without its sizes", [](TEmfWriter &w) { w.Record(113, {0}); }, "shorter than its parameters"},
        {"a named escape of a 100-byte driver name that holds none", [](TEmfWriter &w) { w.Record(110, {1, 100, 0}); },
         "counts"},
        {"100 linked font identifiers in a record of 1", [](TEmfWriter &w) { w.Record(119, {100, 1, 2, 0, 0}); },
         "counts"},
        {"a font mapping without its font", [](TEmfWriter &w) { w.Record(109, {}); }, "shorter than its parameters"},
        {"a palette correction without its entries", [](TEmfWriter &w) { w.Record(111, {1}); },
         "shorter than its parameters"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        std::string why;
        EXPECT_TRUE(PrepareEmf(ShapesEmfWith(c.Record), &why).empty());
        EXPECT_NE(why.find(c.Reason), std::string::npos) << why;
    }

    // Their sound forms pass.
    const std::function<void(TEmfWriter &)> sound[] = {
        [](TEmfWriter &w) { w.Record(91, {0, 0, 0, 0, 2, 3, 2, 1, 0x000A000A, 0x00140014, 0x0000001E}); },
        [](TEmfWriter &w) { w.Record(118, {0, 0, 0, 0, 2, 1, 0, 0, 0, 0, 0, 10, 10, 0, 0, 0, 1}); },
        [](TEmfWriter &w) { w.Record(71, {0, 0, 10, 10, 48, 0, 32, 1, 1, 16, 0, 0, 10, 10, 0, 0, 10, 10}); },
        [](TEmfWriter &w) { w.Record(49, {1, 0x00010300, 0x00FF0000}); },
        [](TEmfWriter &w) { w.Record(14, {1, 16, 0x00FF0000, 24}); },
    };
    for (const auto &record : sound) {
        std::string why;
        EXPECT_FALSE(PrepareEmf(ShapesEmfWith(record), &why).empty()) << why;
    }
}

// The converter passes over colour-space, colour-profile, escape, font-mapping and OpenGL records
// and record types the format does not define: whole and sound, they pass the check and the rest
// of the file is drawn.
TEST(Metafile, TheEmfCheckPassesSoundRecordsTheConverterPassesOver)
{
    struct Case {
        const char *Name;
        uint32_t Type;
        std::vector<uint32_t> Params;
    };
    const Case cases[] = {
        {"a colour space", 99, WithZeroWords({1}, 82, {})},
        {"a wide colour space with an 8-byte profile", 122, WithZeroWords({1}, 147, {1, 8, 0x41414141, 0x41414141})},
        {"a wide colour space without a profile", 122, WithZeroWords({1}, 147, {0, 0})},
        {"a colour match with a name and data", 121, {1, 0, 4, 4, 0x00410041, 0x41414141}},
        {"a narrow profile with a name and data", 112, {0, 4, 4, 0x00414141, 0x41414141}},
        {"a narrow profile naming none", 112, {0, 0, 0}},
        {"a wide profile with a name", 113, {0, 4, 0, 0x00000041}},
        {"a colour space chosen", 100, {1}},
        {"a colour space deleted", 101, {1}},
        {"an OpenGL record", 102, {4, 0x47474747}},
        {"a bounded OpenGL record", 103, {0, 0, 9, 9, 4, 0x47474747}},
        {"a pixel format", 104, WithZeroWords({0x00010028}, 9, {})},
        {"a drawing escape", 105, {1, 4, 0x45454545}},
        {"a named escape", 110, {1, 4, 4, 0x00720064, 0x45454545}},
        {"a font mapping", 109, {1, 2}},
        {"a palette correction", 111, {1, 0, 1, 0}},
        {"a colour-management mode", 98, {2}},
        {"a layout", 115, {1}},
        {"one linked font identifier", 119, {1, 5, 6, 0, 0}},
        {"a record of type 0", 0, {7, 0x100000, 3}},
        {"a record of the unused type 69", 69, {7, 0x100000, 3}},
        {"a record of the unused type 107", 107, {7, 0x100000, 3}},
        {"a record of the reserved type 117", 117, {7, 0x100000, 3}},
        {"a record of type 123, past the known ones", 123, {7, 0x100000, 3}},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<uint8_t> file = ShapesEmfWith([&](TEmfWriter &w) { w.Record(c.Type, c.Params); });
        std::string why;
        EXPECT_FALSE(PrepareEmf(file, &why).empty()) << why;
        const QImage image = ExpectPreviewDrawn(dir, "passed-over.emf", file, QSize(192, 96));
        EXPECT_TRUE(Near(image.pixelColor(140, 30), Qt::black)) << "the black ellipse";
    }
}

// What the converter reads safely passes: a description or pixel format within the header, an
// empty description whatever its offset (left out of the converter's copy), and bitmaps whose
// short colour tables cover every pixel's index, which are drawn in their colours.
TEST(Metafile, TheEmfCheckPassesSoundHeaderPartsAndShortColourTablesThatCoverEveryPixel)
{
    struct Case {
        const char *Name;
        std::vector<uint8_t> File;
        uint32_t DescAt, DescLength, PixelFormatAt; // in the converter's copy
        bool Blue; // the bitmap at (150, 60), 40 x 30, is drawn blue
    };
    const std::vector<uint8_t> hi = {'H', 0, 'i', 0, 0, 0, 0, 0};
    const Case cases[] = {
        {"a description of no length whose offset points past the 88-byte header",
         WithEmfHeader(ShapesEmf(), 88, {{kDescLength, 0}, {kDescAt, 128}}), 0, 0, 0, false},
        {"a description at no offset", WithEmfHeader(ShapesEmf(), 88, {{kDescLength, 4}, {kDescAt, 0}}), 0, 0, 0,
         false},
        {"a description and pixel format within the header",
         WithEmfHeader(ShapesEmf(), 148, {{kDescLength, 4}, {kDescAt, 108}, {kPixelFormatLength, 40}, {kPixelFormatAt, 108}},
                       std::vector<uint8_t>(20, 0)),
         108, 4, 108, false},
        {"a description ending at the header's end", WithEmfHeader(ShapesEmf(), 96, {{kDescLength, 4}, {kDescAt, 88}}, hi),
         88, 4, 0, false},
        {"an 8-bit bitmap of 4 colours indexed below 4",
         ShapesEmfWithDib(IndexedBmi(4, 4, 8, 4, kFourColours), IndexRows(4, 4, 0)), 0, 0, 0, true},
        {"an 8-bit bitmap of 256 colours indexed up to 255",
         ShapesEmfWithDib(IndexedBmi(4, 4, 8, 0, std::vector<QRgb>(256, qRgb(0, 0, 255))), IndexRows(4, 4, 255)), 0, 0,
         0, true},
        {"a 4-bit bitmap of 2 colours indexed below 2",
         ShapesEmfWithDib(IndexedBmi(8, 4, 4, 2, {qRgb(0, 0, 255), 0}), std::vector<uint8_t>(16, 0x00)), 0, 0, 0,
         true},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        std::string why;
        const std::vector<uint8_t> copy = PrepareEmf(c.File, &why);
        ASSERT_FALSE(copy.empty()) << why;
        EXPECT_EQ(EmfField(copy, kDescAt), c.DescAt);
        EXPECT_EQ(EmfField(copy, kDescLength), c.DescLength);
        if (EmfField(copy, 4) >= 100) {
            EXPECT_EQ(EmfField(copy, kPixelFormatAt), c.PixelFormatAt);
        }
        const QImage image = ExpectPreviewDrawn(dir, "sound.emf", c.File, QSize(192, 96));
        EXPECT_TRUE(Near(image.pixelColor(140, 30), Qt::black)) << "the black ellipse";
        if (c.Blue) {
            EXPECT_TRUE(Near(image.pixelColor(170, 75), Qt::blue)) << image.pixelColor(170, 75).name().toStdString();
        }
    }

    // So does a WMF's bitmap of 4 colours indexed below 4, drawn blue over the right half, and one
    // of run-length rows whose runs and literals index below 4.
    TPicture wmf;
    wmf.LoadFromFile(Write(dir, "four.wmf", PackedDibWmf(IndexedBmi(4, 4, 8, 4, kFourColours), IndexRows(4, 4, 0)))
                         .toStdString());
    const QImage drawn = wmf.Graphic()->ToImage();
    EXPECT_TRUE(Near(drawn.pixelColor(80, 25), Qt::blue)) << drawn.pixelColor(80, 25).name().toStdString();
    const std::vector<uint8_t> rle = {4, 2, 0, 0, 0, 3, 1, 3, 0, 0, 0, 0, 0, 1};
    std::string why;
    EXPECT_FALSE(PrepareWmf(PackedDibWmf(IndexedBmi(4, 2, 8, 4, kFourColours, 1, uint32_t(rle.size())), rle), &why).empty())
        << why;
}

namespace {

// A pattern brush record of Type (CREATEMONOBRUSH 93, CREATEDIBPATTERNBRUSHPT 94) filling object
// slot Slot with the bitmap header Bmi and its Bits: the header first, as writers put it, or the
// bits first.
void PatternBrush(TEmfWriter &W, uint32_t Type, uint32_t Slot, const std::vector<uint8_t> &Bmi,
                  const std::vector<uint8_t> &Bits, bool BitsFirst = false)
{
    if (!BitsFirst) {
        W.BitmapRecord(Type, 32, {16}, Bmi, Bits, Slot);
        return;
    }
    const uint32_t bmiAt = 32 + uint32_t(Bits.size()), size = bmiAt + uint32_t(Bmi.size());
    ASSERT_EQ(size % 4, 0u);
    for (uint32_t v : {Type, size, Slot, 0u, bmiAt, uint32_t(Bmi.size()), 32u, uint32_t(Bits.size())})
        TEmfWriter::Put32(W.Body, v);
    W.Body.insert(W.Body.end(), Bits.begin(), Bits.end());
    W.Body.insert(W.Body.end(), Bmi.begin(), Bmi.end());
    ++W.Count;
}

// Rows of a one-bit bitmap 8 pixels wide, a byte each (padded to 4).
std::vector<uint8_t> OneBitRows(std::initializer_list<uint8_t> Rows)
{
    std::vector<uint8_t> bits;
    for (uint8_t row : Rows)
        bits.insert(bits.end(), {row, 0, 0, 0});
    return bits;
}

// A 64 x 32 picture whose Brushes fill slots 1 and 2: the first brush fills the left half, the
// second the right half, without an outline.
std::vector<uint8_t> TwoBrushEmf(const std::function<void(TEmfWriter &)> &Brushes)
{
    TEmfWriter w;
    Brushes(w);
    w.SelectStock(8); // NULL_PEN
    w.Record(37, {1});
    w.Record(kEmfRectangle, {0, 0, 32, 32});
    w.Record(37, {2});
    w.Record(kEmfRectangle, {32, 0, 64, 32});
    return w.File(64, 32);
}

// The pattern brushes of a checked copy, walked along its record chain (which must end at the
// header's count of bytes after the header's count of records): each one's bits size, and whether
// the converter's copy of it, the bits size in bytes from the bitmap header on, lies within it.
struct TCopiedBrush {
    uint32_t BitsSize;
    bool Within;
};
std::vector<TCopiedBrush> CopiedBrushes(const std::vector<uint8_t> &Copy)
{
    std::vector<TCopiedBrush> brushes;
    size_t at = EmfField(Copy, 4);
    uint32_t records = 1;
    while (at + 8 <= Copy.size()) {
        const uint32_t type = EmfField(Copy, at), size = EmfField(Copy, at + 4);
        if (size < 8 || size > Copy.size() - at)
            break;
        if (type == 93 || type == 94)
            brushes.push_back(
                {EmfField(Copy, at + 28), uint64_t(EmfField(Copy, at + 16)) + EmfField(Copy, at + 28) <= size});
        at += size;
        ++records;
    }
    EXPECT_EQ(at, Copy.size()) << "the record chain ends at the copy's end";
    EXPECT_EQ(EmfField(Copy, 48), Copy.size()) << "the header's count of bytes";
    EXPECT_EQ(EmfField(Copy, 52), records) << "the header's count of records";
    return brushes;
}

// The checked copy Copy converted to SVG by libemf2svg in this process, from memory whose last
// byte before a page that cannot be read is the copy's last: a read past the copy faults here
// instead of going unseen. Empty when the converter fails.
std::string ConvertAgainstGuardPage(const std::vector<uint8_t> &Copy, QSize Size)
{
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const size_t pages = (Copy.size() + page - 1) / page;
    void *map = ::mmap(nullptr, (pages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED)
        return {};
    auto *base = static_cast<uint8_t *>(map);
    std::string svg;
    if (::mprotect(base + pages * page, page, PROT_NONE) == 0) {
        uint8_t *copy = base + pages * page - Copy.size();
        std::memcpy(copy, Copy.data(), Copy.size());
        generatorOptions options{};
        char noPrefix[] = "";
        options.nameSpace = noPrefix;
        options.svgDelimiter = true;
        options.imgWidth = Size.width();
        options.imgHeight = Size.height();
        char *text = nullptr;
        size_t length = 0;
        if (emf2svg(reinterpret_cast<char *>(copy), Copy.size(), &text, &length, &options) && text)
            svg.assign(text, length);
        std::free(text);
    }
    ::munmap(map, (pages + 1) * page);
    return svg;
}

// The PNG pictures an SVG of the converter embeds, in order: a pattern brush's bitmap is one.
std::vector<QImage> EmbeddedPictures(const std::string &Svg)
{
    static const std::string key = "data:image/png;base64,";
    std::vector<QImage> pictures;
    for (size_t at = Svg.find(key); at != std::string::npos; at = Svg.find(key, at)) {
        at += key.size();
        const size_t end = Svg.find('"', at);
        const QByteArray png = QByteArray::fromBase64(QByteArray::fromStdString(Svg.substr(at, end - at)));
        pictures.push_back(QImage::fromData(png, "PNG"));
    }
    return pictures;
}

} // namespace

// The converter keeps a copy of each pattern brush's bitmap, as many bytes as the bits hold taken
// from the bitmap header on (not from the bits), and reads it past the record when the bits come
// before the header: a 16 x 16 24-bit brush whose header follows its 768 bytes of bits has about
// 700 bytes read past the record, and past the file when it is near its end (the same for a mono
// brush). Such brushes are refused, and so are a brush without a bitmap (the converter fails the
// file) and brushes whose padding to one bits size (below) would grow the file past its budget.
TEST(Metafile, TheEmfCheckRefusesPatternBrushesWhoseCopyReachesPastTheirRecord)
{
    const std::vector<uint8_t> rgb16 = MetafileDib(16, 16, 16, 16, qRgb(0, 0, 255));
    const std::vector<uint8_t> rgb16Bmi(rgb16.begin(), rgb16.begin() + 40), rgb16Bits(rgb16.begin() + 40, rgb16.end());
    const std::vector<uint8_t> mono32Bmi = IndexedBmi(32, 32, 1, 2, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const std::vector<uint8_t> mono32Bits(128, 0xAA);
    const std::vector<uint8_t> mono8Bmi = IndexedBmi(8, 8, 1, 2, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const std::vector<uint8_t> mono8Bits(32, 0xAA);
    const std::vector<uint8_t> rgb1024 = MetafileDib(1024, 1024, 1024, 1024, qRgb(0, 0, 255));
    struct Case {
        const char *Name;
        std::function<void(TEmfWriter &)> Brushes; // into slots 1 and 2
        const char *Reason;
    };
    const Case cases[] = {
        // The brush is the file's last record before its end, as in the file that faulted.
        {"a 16 x 16 24-bit pattern brush whose bits come first",
         [&](TEmfWriter &w) {
             PatternBrush(w, 94, 2, rgb16Bmi, rgb16Bits);
             PatternBrush(w, 94, 1, rgb16Bmi, rgb16Bits, true);
         },
         "reaches past its record"},
        {"a 32 x 32 mono brush whose bits come first",
         [&](TEmfWriter &w) {
             PatternBrush(w, 93, 2, mono32Bmi, mono32Bits);
             PatternBrush(w, 93, 1, mono32Bmi, mono32Bits, true);
         },
         "reaches past its record"},
        {"a pattern brush without a bitmap, its bits size 4000",
         [&](TEmfWriter &w) {
             PatternBrush(w, 94, 2, mono8Bmi, mono8Bits);
             w.Record(94, {1, 0, 0, 0, 0, 4000});
         },
         "without its bitmap"},
        {"22 one-bit 8 x 8 brushes padded to a 1024 x 1024 brush's 3 MiB of bits, 66 MiB in all",
         [&](TEmfWriter &w) {
             w.BitmapRecord(94, 32, {16}, std::vector<uint8_t>(rgb1024.begin(), rgb1024.begin() + 40),
                            std::vector<uint8_t>(rgb1024.begin() + 40, rgb1024.end()), 1);
             for (uint32_t slot = 2; slot < 24; ++slot)
                 PatternBrush(w, 94, slot, mono8Bmi, mono8Bits);
         },
         "too large"},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<uint8_t> file = TwoBrushEmf(c.Brushes);
        std::string why;
        EXPECT_TRUE(PrepareEmf(file, &why).empty());
        EXPECT_NE(why.find(c.Reason), std::string::npos) << why;
        ExpectPreviewRefused(dir, "brushes.emf", file);
    }

    // The same brushes with their header first pass.
    for (uint32_t type : {93u, 94u}) {
        const std::vector<uint8_t> &bmi = type == 93 ? mono32Bmi : rgb16Bmi;
        const std::vector<uint8_t> &bits = type == 93 ? mono32Bits : rgb16Bits;
        std::string why;
        EXPECT_FALSE(PrepareEmf(TwoBrushEmf([&](TEmfWriter &w) {
                                    PatternBrush(w, type, 2, bmi, bits);
                                    PatternBrush(w, type, 1, bmi, bits);
                                }),
                                &why)
                         .empty())
            << type << ": " << why;
    }
}

// The converter looks each new pattern brush up among the copies it keeps by comparing as many
// bytes as the new brush's bits hold against each copy, so a brush of more bits than an earlier
// one's had it read past that copy. The converter's copy of a sound file carries every pattern
// brush with the file's largest bits size (the bits padded with zeros, which no row reaches): it
// converts in this process without a read past the copy, each brush's picture keeps its own size
// and colours, and the preview draws the file.
TEST(Metafile, PatternBrushesOfDifferentBitsSizesAreDrawnFromOneBitsSize)
{
    const std::vector<uint8_t> blueRed2 = IndexedBmi(8, 2, 1, 2, {qRgb(0, 0, 255), qRgb(255, 0, 0)});
    const std::vector<uint8_t> greenYellow8 = IndexedBmi(8, 8, 1, 2, {qRgb(0, 255, 0), qRgb(255, 255, 0)});
    const std::vector<uint8_t> blackWhite8 = IndexedBmi(8, 8, 1, 2, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const std::vector<uint8_t> columns2 = OneBitRows({0xF0, 0xF0});
    const std::vector<uint8_t> halves8 = OneBitRows({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    // A 24-bit 8 x 8 brush, magenta over its top four rows and cyan below, and a blue 16 x 16 one.
    std::vector<uint8_t> rgb8 = MetafileDib(8, 8, 8, 8, qRgb(0, 255, 255));
    for (size_t i = 40 + 4 * 24; i < rgb8.size(); i += 3) { // bottom-up: the last four rows are the top
        rgb8[i] = 255;
        rgb8[i + 1] = 0;
        rgb8[i + 2] = 255;
    }
    const std::vector<uint8_t> rgb8Bmi(rgb8.begin(), rgb8.begin() + 40), rgb8Bits(rgb8.begin() + 40, rgb8.end());
    const std::vector<uint8_t> rgb16 = MetafileDib(16, 16, 16, 16, qRgb(0, 0, 255));
    const std::vector<uint8_t> rgb16Bmi(rgb16.begin(), rgb16.begin() + 40), rgb16Bits(rgb16.begin() + 40, rgb16.end());
    // A brush's picture in the converter's SVG: its size, and its top-left and bottom-right
    // colours where the converter draws the brush's own (it draws one-bit brushes black).
    struct TBrushPicture {
        QSize Size;
        QColor Top, Bottom;
    };
    struct Case {
        const char *Name;
        std::function<void(TEmfWriter &)> Brushes;
        uint32_t BitsSize; // the largest brush's, every brush's in the copy
        TBrushPicture Pictures[2];
    };
    const Case cases[] = {
        {"an 8 x 2 one-bit pattern brush of 8 bytes, then an 8 x 8 one of 32",
         [&](TEmfWriter &w) {
             PatternBrush(w, 94, 1, blueRed2, columns2);
             PatternBrush(w, 94, 2, greenYellow8, halves8);
         },
         32,
         {{QSize(8, 2), {}, {}}, {QSize(8, 8), {}, {}}}},
        {"an 8 x 8 one-bit mono brush of 32 bytes, then an 8 x 8 24-bit pattern brush of 192",
         [&](TEmfWriter &w) {
             PatternBrush(w, 93, 1, blackWhite8, halves8);
             PatternBrush(w, 94, 2, rgb8Bmi, rgb8Bits);
         },
         192,
         {{QSize(8, 8), {}, {}}, {QSize(8, 8), Qt::magenta, Qt::cyan}}},
        {"an 8 x 8 24-bit pattern brush of 192 bytes, then a 16 x 16 one of 768",
         [&](TEmfWriter &w) {
             PatternBrush(w, 94, 1, rgb8Bmi, rgb8Bits);
             PatternBrush(w, 94, 2, rgb16Bmi, rgb16Bits);
         },
         768,
         {{QSize(8, 8), Qt::magenta, Qt::cyan}, {QSize(16, 16), Qt::blue, Qt::blue}}},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<uint8_t> file = TwoBrushEmf(c.Brushes);
        std::string why;
        const std::vector<uint8_t> copy = PrepareEmf(file, &why);
        ASSERT_FALSE(copy.empty()) << why;
        const std::vector<TCopiedBrush> brushes = CopiedBrushes(copy);
        ASSERT_EQ(brushes.size(), 2u);
        for (const TCopiedBrush &b : brushes) {
            EXPECT_EQ(b.BitsSize, c.BitsSize);
            EXPECT_TRUE(b.Within);
        }

        const std::vector<QImage> pictures = EmbeddedPictures(ConvertAgainstGuardPage(copy, QSize(64, 32)));
        ASSERT_EQ(pictures.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            const TBrushPicture &want = c.Pictures[i];
            const QImage &seen = pictures[i];
            EXPECT_EQ(seen.size(), want.Size);
            if (want.Top.isValid()) {
                EXPECT_TRUE(Near(seen.pixelColor(0, 0), want.Top)) << seen.pixelColor(0, 0).name().toStdString();
                const QColor bottom = seen.pixelColor(seen.width() - 1, seen.height() - 1);
                EXPECT_TRUE(Near(bottom, want.Bottom)) << bottom.name().toStdString();
            }
        }

        ExpectPreviewDrawn(dir, "brushes.emf", file, QSize(64, 32));
    }
}

// A 200 x 200 file whose every record passes the check but which keeps a player busy for
// seconds: a black rectangle over the whole picture, 100,000 times.
std::vector<uint8_t> BusyWmf()
{
    TWmfWriter body;
    body.Record(0x020C, {200, 200});            // SETWINDOWEXT
    body.Record(0x02FC, {0, 0x0000, 0x0000, 0}); // solid black brush (object 0)
    body.Record(0x012D, {0});
    for (int i = 0; i < 100000; ++i)
        body.Record(0x041B, {200, 200, 0, 0});
    body.Record(0x0000, {});
    return PlaceableWmf(body, 200, 200, 1, 7);
}

TEST(Metafile, TheImageDialogPreviewsEachMetafileOrShowsItCannot)
{
    struct Case {
        const char *Name;
        const char *File;
        std::vector<uint8_t> Bytes;
        const char *Width;
        const char *Height;
        TMetafilePlayOutcome Outcome;
    };
    const Case cases[] = {
        {"an EMF", "shapes.emf", ShapesEmf(), "192", "96", TMetafilePlayOutcome::Drawn},
        {"a WMF with a bitmap drawn at a negative size", "blit.wmf", NegativeBlitWmf(), "64", "64",
         TMetafilePlayOutcome::Refused},
        {"an EMF whose 8-bit bitmap indexes past its 4 colours", "colours.emf",
         ShapesEmfWithDib(IndexedBmi(4, 4, 8, 4, kFourColours), IndexRows(4, 4, 255)), "192", "96",
         TMetafilePlayOutcome::Refused},
        {"a WMF that keeps the player busy for seconds", "busy.wmf", BusyWmf(), "200", "200",
         TMetafilePlayOutcome::OverTime},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TfrmImage form;
        form.show();
        ASSERT_TRUE(form.LoadFile(Write(dir, c.File, c.Bytes)));
        EXPECT_EQ(form.Label7->text(), QString());
        EXPECT_EQ(form.EditWidth->text(), QLatin1String(c.Width));
        EXPECT_EQ(form.EditHeight->text(), QLatin1String(c.Height));
        const QImage shot = form.tThumbimage1->grab().toImage();
        auto *metafile = dynamic_cast<TMetafile *>(form.tThumbimage1->Picture().Graphic());
        ASSERT_NE(metafile, nullptr);
        EXPECT_EQ(metafile->LastPlay(), c.Outcome);
        if (c.Outcome == TMetafilePlayOutcome::Drawn) {
            EXPECT_GT(DarkPixels(shot, shot.rect()), 1000) << "the black ellipse and the text";
        } else {
            int white = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    white += Near(shot.pixelColor(x, y), Qt::white);
            EXPECT_GT(white, 64 * 64 / 2) << "the placeholder's white ground";
            EXPECT_LT(DarkPixels(shot, shot.rect()), 400) << "no picture, only the placeholder's lines and text";
        }
        EXPECT_TRUE(MetafileChildProcesses().isEmpty()) << "no play goes on behind the dialog";
        if (const char *out = std::getenv("QUILLMAR_SCREENSHOT_DIR"))
            form.grab().save(QString::fromLocal8Bit(out) + QStringLiteral("/image-dialog-") +
                             QString::fromLatin1(c.File) + QStringLiteral(".png"));
    }
}
