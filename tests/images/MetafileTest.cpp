// Windows metafiles in the picture preview: a WMF made here (a red rectangle over the left half
// of a white one) is played into pixels, at its own size and stretched; a damaged one falls back
// to the drawn placeholder.
#include "images/Graphic.h"
#include "images/ImageDialog.h"
#include "images/QtPictures.h"
#include "images/ThumbImage.h"
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TWmfWriter {
    std::vector<uint8_t> Bytes;
    void W16(int v)
    {
        Bytes.push_back(uint8_t(v & 0xFF));
        Bytes.push_back(uint8_t((v >> 8) & 0xFF));
    }
    void W32(uint32_t v)
    {
        W16(int(v & 0xFFFF));
        W16(int(v >> 16));
    }
    // A record of function Fn with 16-bit parameters.
    void Record(int Fn, std::initializer_list<int> Params)
    {
        W32(uint32_t(3 + Params.size()));
        W16(Fn);
        for (int p : Params)
            W16(p);
    }
};

// Placeable WMF, 100 x 50 units at 96 units an inch: 100 x 50 pixels.
std::vector<uint8_t> TwoColourWmf()
{
    TWmfWriter body;
    body.Record(0x020B, {0, 0});   // SETWINDOWORG y, x
    body.Record(0x020C, {50, 100}); // SETWINDOWEXT y, x
    body.Record(0x02FA, {5, 0, 0, 0, 0}); // CREATEPENINDIRECT: null pen (object 0)
    body.Record(0x012D, {0});             // SELECTOBJECT 0
    body.Record(0x02FC, {0, 0xFFFF, 0x00FF, 0}); // CREATEBRUSHINDIRECT solid white (object 1)
    body.Record(0x012D, {1});
    body.Record(0x041B, {50, 100, 0, 0}); // RECTANGLE bottom, right, top, left
    body.Record(0x01F0, {1});             // DELETEOBJECT 1
    body.Record(0x02FC, {0, 0x00FF, 0x0000, 0}); // solid red (COLORREF 0x000000FF)
    body.Record(0x012D, {1});
    body.Record(0x041B, {50, 50, 0, 0});
    body.Record(0x0000, {}); // EOF

    TWmfWriter f;
    // Placeable header: key, handle, bounds, units an inch, reserved, checksum.
    f.W32(0x9AC6CDD7u);
    f.W16(0);
    for (int v : {0, 0, 100, 50})
        f.W16(v);
    f.W16(96);
    f.W32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2)
        sum ^= uint16_t(f.Bytes[i] | (f.Bytes[i + 1] << 8));
    f.W16(sum);
    // Standard header: type, header words, version, size in words, objects, largest record, 0.
    f.W16(1);
    f.W16(9);
    f.W16(0x0300);
    f.W32(uint32_t((18 + body.Bytes.size()) / 2));
    f.W16(2);
    f.W32(7);
    f.W16(0);
    f.Bytes.insert(f.Bytes.end(), body.Bytes.begin(), body.Bytes.end());
    return f.Bytes;
}

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
