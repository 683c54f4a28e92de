// The thumbnail image control and its arithmetic, shown offscreen.
#include "ImageTestSupport.h"
#include "images/QtPictures.h"
#include "images/ThumbImage.h"
#include "images/ThumbMisc.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace imgtest;

namespace {

TEST(ThumbMisc, RoundUpAndScaleToFit)
{
    EXPECT_EQ(RoundUp(2.1L), 3);
    EXPECT_EQ(RoundUp(-2.1L), -3);
    EXPECT_EQ(RoundUp(2.0L), 2);
    EXPECT_EQ(RoundUp(0.0L), 0);
    EXPECT_THROW(RoundUp(3e10L), EImageRangeError);
    struct Case {
        QPoint Size, Box, Result;
    };
    const Case cases[] = {{{0, 50}, {100, 100}, {0, 0}},
                          {{200, 100}, {100, 100}, {100, 50}},
                          {{50, 50}, {100, 100}, {100, 100}},
                          {{100, 400}, {100, 100}, {25, 100}}};
    for (const Case &c : cases)
        EXPECT_EQ(ScaleToFit(c.Size, c.Box), c.Result) << c.Size.x() << "x" << c.Size.y();
}

// A 24-bit picture whose every pixel is distinct: (x, y) has colour (x, y, 7).
std::string WriteBmp(const QTemporaryDir &Dir, const char *Name, int W, int H)
{
    QImage img(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            img.setPixel(x, y, qRgb(x, y, 7));
    const QString path = Dir.filePath(Name);
    img.save(path, "BMP");
    return path.toStdString();
}

TEST(ThumbImage, TurnsMapEveryPixel)
{
    QTemporaryDir dir;
    const std::string path = WriteBmp(dir, "p.bmp", 3, 2);
    struct Case {
        Tangle From, To;
        int W, H;
        // where source pixel (x, y) lands, for W0 = 3, H0 = 2
        QPoint (*Where)(int, int);
    };
    const Case cases[] = {
        {AT0, AT90, 2, 3, [](int x, int y) { return QPoint(1 - y, x); }},
        {AT0, AT180, 3, 2, [](int x, int y) { return QPoint(2 - x, 1 - y); }},
        {AT0, AT270, 2, 3, [](int x, int y) { return QPoint(y, 2 - x); }},
    };
    for (const Case &c : cases) {
        tThumbimage t;
        t.LoadImage(path);
        t.SetAngle(c.To);
        EXPECT_EQ(t.Angle(), c.To);
        EXPECT_TRUE(t.Modified());
        const TGraphic *g = t.Picture().Graphic();
        ASSERT_EQ(g->GetWidth(), c.W);
        ASSERT_EQ(g->GetHeight(), c.H);
        const auto &b = dynamic_cast<const TBitmap &>(*g);
        for (int x = 0; x < 3; ++x)
            for (int y = 0; y < 2; ++y) {
                const QPoint p = c.Where(x, y);
                EXPECT_EQ(b.GetPixel(p.x(), p.y()), RGBToColor(uint8_t(x), uint8_t(y), 7)) << int(c.To);
            }
    }
    // From AT90 back to AT0 is one counter-clockwise turn; AT270 to AT90 a half turn. Loading
    // resets the angle but not the modified state.
    tThumbimage t;
    t.LoadImage(path);
    int turns = 0;
    t.OnTurned = [&] { ++turns; };
    t.SetAngle(AT90);
    t.SetAngle(AT0);
    EXPECT_EQ(turns, 2);
    EXPECT_FALSE(t.Modified());
    EXPECT_EQ(dynamic_cast<const TBitmap &>(*t.Picture().Graphic()).GetPixel(2, 1), RGBToColor(2, 1, 7));
    t.SetAngle(AT270);
    turns = 0;
    t.SetAngle(AT90);
    EXPECT_EQ(turns, 0); // the half turn sends no quarter-turn notice
    t.LoadImage(path);
    EXPECT_EQ(t.Angle(), AT0);
    EXPECT_TRUE(t.Modified());
}

TEST(ThumbImage, CancelledTurnChangesNothing)
{
    QTemporaryDir dir;
    const std::string path = WriteBmp(dir, "p.bmp", 4, 3);
    tThumbimage t;
    t.LoadImage(path);
    int calls = 0;
    t.OnRotate = [&](tThumbimage &, uint8_t, bool &Cancel) { Cancel = ++calls == 5; };
    t.SetAngle(AT90);
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(t.Angle(), AT0);
    EXPECT_FALSE(t.Modified());
    EXPECT_EQ(t.Picture().Width(), 4);
}

TEST(ThumbImage, PicturesThatCannotTurn)
{
    QTemporaryDir dir;
    // An enhanced metafile header with a 1/100 mm frame of 2540 x 1270: 96 x 48 pixels.
    Bytes emf(88, 0);
    auto put32 = [&](size_t At, uint32_t V) {
        for (int i = 0; i < 4; ++i)
            emf[At + size_t(i)] = uint8_t(V >> (8 * i));
    };
    put32(0, 1);
    put32(4, 88);
    put32(32, 2540);
    put32(36, 1270);
    put32(40, 0x464D4520u);
    const std::string emfPath = dir.filePath("m.emf").toStdString();
    WriteFile(emfPath, emf);
    QImage ico(16, 16, QImage::Format_ARGB32);
    ico.fill(Qt::red);
    const QString icoPath = dir.filePath("i.ico");
    ASSERT_TRUE(ico.save(icoPath, "ICO"));
    for (const std::string &p : {emfPath, icoPath.toStdString(), std::string()}) {
        tThumbimage t;
        if (!p.empty())
            t.LoadImage(p);
        t.SetAngle(AT90);
        EXPECT_EQ(t.Angle(), AT0) << p;
        EXPECT_FALSE(t.Modified()) << p;
    }
    tThumbimage m;
    m.LoadImage(emfPath);
    EXPECT_EQ(m.Picture().Width(), 96);
    EXPECT_EQ(m.Picture().Height(), 48);
}

TEST(ThumbImage, ShrinkToFitAndExtensions)
{
    QTemporaryDir dir;
    const std::string big = WriteBmp(dir, "big.bmp", 200, 100);
    tThumbimage t;
    t.LoadImage(big);
    t.ShrinkToFit(100, 100);
    EXPECT_EQ(t.Picture().Width(), 100);
    EXPECT_EQ(t.Picture().Height(), 50);
    EXPECT_TRUE(t.Modified());

    const std::string small = WriteBmp(dir, "small.bmp", 20, 10);
    tThumbimage s;
    s.LoadImage(small);
    s.ShrinkToFit(100, 100);
    EXPECT_EQ(s.Picture().Width(), 20);
    EXPECT_FALSE(s.Modified());

    // Only the last extension counts, in any case.
    Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20, 1, 2, 3, 4, 5, 6};
    for (const char *name : {"photo.TGA", "photo.tga", "photo.Tga"}) {
        const std::string p = dir.filePath(name).toStdString();
        WriteFile(p, tga);
        tThumbimage x;
        x.LoadImage(p);
        EXPECT_EQ(x.Picture().Width(), 2) << name;
    }
    const std::string bak = dir.filePath("photo.tga.bak").toStdString();
    WriteFile(bak, tga);
    tThumbimage y;
    EXPECT_THROW(y.LoadImage(bak), EInvalidGraphic);
}

} // namespace
