// Writing GIF files (LZW and run-length coding, 87a and 89a) checked by giflib, gifsicle and
// ImageMagick; the dithering engines, the octree quantiser and colour reduction.
#include "ImageTestSupport.h"
#include "images/ColorReduction.h"
#include "images/Dither.h"
#include "images/GIFImage.h"

#include <gtest/gtest.h>
#include <set>

using namespace imgtest;

namespace {

std::string MakeGif(const QTemporaryDir &Dir, const char *Name, const QStringList &Extra, int Frames, int Colours)
{
    QStringList args;
    for (int f = 0; f < Frames; ++f) {
        QImage img(37, 21, QImage::Format_RGB32);
        const Bytes n = Noise(37 * 21, uint32_t(f + Colours));
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 37; ++x) {
                const int c = (x / 4 + y / 3 + n[size_t(y * 37 + x)] % 2 + f) % Colours;
                img.setPixel(x, y, qRgb(c * 251 % 256, c * 37 % 256, c * 97 % 256));
            }
        const QString p = Dir.filePath(QString("%1_%2.png").arg(Name).arg(f));
        img.save(p, "PNG");
        args << p;
    }
    const QString out = Dir.filePath(QString("%1.gif").arg(Name));
    RunTool("convert", QStringList(Extra) << args << out);
    return out.toStdString();
}

TEST(GIFWrite, WhatWeWriteReadsTheSameEverywhere)
{
    QTemporaryDir dir;
    struct Case {
        const char *Name;
        QStringList Extra;
        int Frames, Colours;
    };
    const Case cases[] = {{"still", {}, 1, 200},
                          {"interlaced", {"-interlace", "GIF"}, 1, 60},
                          {"two", {}, 1, 2},
                          {"animated", {"-delay", "4", "-loop", "0"}, 5, 30},
                          {"animated_interlaced", {"-delay", "4", "-interlace", "GIF"}, 3, 40}};
    for (const Case &c : cases)
        for (int compression : {0, 1}) {
            const std::string src = MakeGif(dir, c.Name, c.Extra, c.Frames, c.Colours);
            TGIFImage gif;
            gif.LoadFromFile(src);
            gif.CompressionMethod = uint8_t(compression);
            const std::string out = dir.filePath(QString("ours_%1_%2.gif").arg(c.Name).arg(compression)).toStdString();
            gif.SaveToFile(out);
            const std::string label = std::string(c.Name) + (compression ? " run-length" : " LZW");
            int rc = -1;
            const QByteArray before = RunTool("giftext", {"-r", QString::fromStdString(src)}, &rc);
            const QByteArray after = RunTool("giftext", {"-r", QString::fromStdString(out)}, &rc);
            EXPECT_EQ(rc, 0) << label;
            EXPECT_TRUE(before == after) << label;
            RunTool("gifsicle", {"--info", QString::fromStdString(out)}, &rc);
            EXPECT_EQ(rc, 0) << label;
            const QByteArray imBefore = RunTool("convert", {QString::fromStdString(src), "-coalesce", "rgb:-"});
            const QByteArray imAfter = RunTool("convert", {QString::fromStdString(out), "-coalesce", "rgb:-"}, &rc);
            EXPECT_EQ(rc, 0) << label;
            EXPECT_TRUE(imBefore == imAfter) << label;
            TGIFImage back;
            back.LoadFromFile(out);
            ASSERT_EQ(back.Count(), gif.Count()) << label;
            for (int f = 0; f < back.Count(); ++f)
                EXPECT_TRUE(back.Frame(f).Data == gif.Frame(f).Data) << label << " frame " << f;
            // Versions: extensions need 89a, a bare still picture is 87a.
            QFile file(QString::fromStdString(out));
            file.open(QIODevice::ReadOnly);
            const QByteArray sig = file.read(6);
            bool extensions = false;
            for (int f = 0; f < gif.Count(); ++f)
                extensions = extensions || gif.Frame(f).Extensions.Count() > 0;
            EXPECT_EQ(sig, extensions ? QByteArray("GIF89a") : QByteArray("GIF87a")) << label;
        }
}

TEST(GIFWrite, EncoderDetails)
{
    // A 1-bit frame is written with code size 2; a pixel past the table raises.
    TBitmap b;
    b.SetPixelFormat(pf1bit);
    b.SetPalette(MonochromePalette());
    b.SetSize(300, 3);
    for (int x = 0; x < 300; x += 3)
        b.SetPixelValue(x, 1, 1);
    TGIFImage gif;
    gif.AssignBitmap(b);
    TMemoryStream s;
    gif.SaveToStream(s);
    const uint8_t *d = s.Memory();
    // Header 13 + global table 0 + descriptor 10 + local table 2 x 3 = 29: the code size byte.
    EXPECT_EQ(d[29], 2);
    gif.Frame(0).Data[5] = 7;
    TMemoryStream t;
    EXPECT_THROW(gif.SaveToStream(t), GIFException);
    // Sub-blocks hold 255 bytes but the last.
    for (int compression : {0, 1}) {
        gif.Frame(0).Data[5] = 0;
        gif.CompressionMethod = uint8_t(compression);
        TMemoryStream u;
        gif.SaveToStream(u);
        size_t p = 30;
        std::vector<int> blocks;
        while (u.Memory()[p] != 0) {
            blocks.push_back(u.Memory()[p]);
            p += size_t(u.Memory()[p]) + 1;
        }
        ASSERT_FALSE(blocks.empty());
        for (size_t i = 0; i + 1 < blocks.size(); ++i)
            EXPECT_EQ(blocks[i], 255);
    }
}

TEST(Dithering, HandWorkedRowsAndEngineRules)
{
    // A mid grey row through Floyd-Steinberg onto black and white alternates.
    TMonochromeLookup mono;
    TFloydSteinbergDitherer fs(4, mono);
    std::vector<int> out;
    while (fs.Column() >= 0 && fs.Column() < 4) {
        uint8_t r, g, b;
        out.push_back(fs.Dither(128, 128, 128, r, g, b));
    }
    EXPECT_EQ(out, (std::vector<int>{1, 0, 1, 0}));
    // The plain engine runs rows in turn: left to right, then right to left.
    TNetscapeColorLookup web;
    TDitherEngine plain(3, web);
    std::vector<int> columns;
    for (int row = 0; row < 2; ++row) {
        while (plain.Column() >= 0 && plain.Column() < 3) {
            columns.push_back(plain.Column());
            uint8_t r, g, b;
            plain.Dither(0, 0, 0, r, g, b);
        }
        plain.NextLine();
    }
    EXPECT_EQ(columns, (std::vector<int>{0, 1, 2, 2, 1, 0}));
    // Every engine: exact palette colours come out exactly (no error spreads); one pixel wide works.
    for (int mode = 0; mode <= 6; ++mode) {
        for (int width : {1, 5}) {
            std::unique_ptr<TDitherEngine> e = CreateDitherEngine(mode, width, web);
            ASSERT_TRUE(e);
            for (int row = 0; row < 4; ++row) {
                while (e->Column() >= 0 && e->Column() < width) {
                    const int level = (e->Column() + row) % 6;
                    uint8_t r, g, b;
                    const int index = e->Dither(uint8_t(level * 51), 0, 255, r, g, b);
                    ASSERT_EQ(index, level * 36 + 5) << "mode " << mode;
                }
                e->NextLine();
            }
        }
    }
    EXPECT_EQ(CreateDitherEngine(7, 3, web), nullptr);
    // A diffusing engine keeps the average of a flat grey: about half the pixels white.
    for (int mode = 1; mode <= 6; ++mode) {
        std::unique_ptr<TDitherEngine> e = CreateDitherEngine(mode, 16, mono);
        int white = 0;
        for (int row = 0; row < 16; ++row) {
            while (e->Column() >= 0 && e->Column() < 16) {
                uint8_t r, g, b;
                white += e->Dither(128, 128, 128, r, g, b);
            }
            e->NextLine();
        }
        EXPECT_NEAR(white, 128, 20) << "mode " << mode;
    }
}

TEST(ColourReduction, QuantiserAndReductions)
{
    // Fewer colours than asked: the palette holds them exactly.
    TBitmap b;
    b.SetSize(20, 10);
    const TColor colours[5] = {RGBToColor(10, 20, 30), RGBToColor(200, 10, 10), RGBToColor(0, 255, 0), clWhite,
                               clBlack};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            b.SetPixel(x, y, colours[(x + y) % 5]);
    TColorQuantizer q(16, 8);
    TBitmap copy(b);
    q.ProcessImage(copy);
    EXPECT_EQ(q.LeafCount(), 5);
    std::set<TColor> table;
    for (const TPaletteEntry &e : q.GetColorTable())
        table.insert(RGBToColor(e.peRed, e.peGreen, e.peBlue));
    EXPECT_EQ(table, std::set<TColor>(std::begin(colours), std::end(colours)));
    // Reduction to an optimised palette keeps those colours pixel for pixel.
    const TBitmap r7 = ReduceColors(b, 7, 1, {}, 4);
    EXPECT_EQ(r7.PixelFormat(), pf8bit);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(r7.GetPixel(x, y), colours[(x + y) % 5]);
    // Many colours: at most 2^bits leaves at any time; bits are kept to 1..8.
    TBitmap many;
    many.SetSize(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            many.SetPixel(x, y, RGBToColor(uint8_t(x * 4), uint8_t(y * 4), uint8_t((x ^ y) * 4)));
    TColorQuantizer q16(16, 8);
    TBitmap m2(many);
    q16.ProcessImage(m2);
    EXPECT_LE(q16.LeafCount(), 16);
    EXPECT_LE(CreateOptimizedPaletteForBitmap(m2, 16, 8, false).size(), 16u);
    const TPalette windows = CreateOptimizedPaletteForBitmap(m2, 256, 8, true);
    ASSERT_EQ(windows.size(), 256u);
    const TPalette sys = DefaultSystemPalette();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(windows[size_t(i)], sys[size_t(i)]);
        EXPECT_EQ(windows[size_t(246 + i)], sys[size_t(10 + i)]);
    }
    std::set<TColor> used;
    const TBitmap r99 = ReduceColors(many, 7, 0, {}, 99);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            used.insert(r99.GetPixel(x, y));
    EXPECT_LE(used.size(), 256u);
    // Reduction 0 is a 24-bit copy; unknown reductions and modes give an empty bitmap.
    EXPECT_EQ(ReduceColors(b, 0, 3, {}, 8).PixelFormat(), pf24bit);
    EXPECT_TRUE(ReduceColors(b, 10, 0, {}, 8).GetEmpty());
    EXPECT_TRUE(ReduceColors(b, 6, 7, {}, 8).GetEmpty());
    EXPECT_TRUE(ReduceColors(b, 9, 0, {}, 8).GetEmpty());
    // Web-safe and grey reductions map onto their palettes.
    const TBitmap grey = ReduceColors(b, 5, 0, {}, 8);
    EXPECT_EQ(grey.GetPixelValue(1, 0), uint32_t((77 * 200 + 150 * 10 + 29 * 10) >> 8));
    // A true-colour bitmap becomes a GIF frame through the image's reduction (web-safe by default).
    TGIFImage gif;
    gif.AssignBitmap(many);
    EXPECT_LE(gif.Frame(0).ColorMap.Count(), 256);
    gif.ReductionMethod = 0;
    EXPECT_THROW(gif.AssignBitmap(many), GIFException); // over 256 colours: the table overflows
}

} // namespace
