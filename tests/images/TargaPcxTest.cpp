// Targa and PCX files built byte by byte, decoded by our readers and compared with what
// ImageMagick's convert makes of the same files (after the readers' palette rules).
#include "ImageTestSupport.h"
#include "images/Pcx.h"
#include "images/Targa.h"
#include "images/ThumbImage.h"

#include <gtest/gtest.h>

using namespace imgtest;

namespace {

// ---- Targa files

struct TgaSpec {
    const char *Name;
    uint8_t Type; // 1, 2, 3 (+8 run-length encoded)
    uint8_t Depth;
    uint8_t Descriptor;
    int MapEntrySize; // 0: no colour map
};

// Pixels of a test image in source units, with runs so that run-length packets appear.
Bytes SourcePixels(int W, int H, int BytesPerPixel, uint32_t Seed)
{
    Bytes noise = Noise(size_t(W) * size_t(H) * size_t(BytesPerPixel), Seed);
    for (size_t i = 0; i + 1 < size_t(W * H); ++i)
        if (noise[i * size_t(BytesPerPixel)] % 3 == 0) // repeat the previous pixel
            for (int c = 0; c < BytesPerPixel; ++c)
                noise[(i + 1) * size_t(BytesPerPixel) + size_t(c)] = noise[i * size_t(BytesPerPixel) + size_t(c)];
    return noise;
}

// Run-length packets over the whole pixel sequence: packets run across row ends.
Bytes EncodeTgaRle(const Bytes &Pixels, int BytesPerPixel)
{
    Bytes out;
    const size_t n = Pixels.size() / size_t(BytesPerPixel);
    auto same = [&](size_t a, size_t b) {
        return std::equal(Pixels.begin() + long(a * size_t(BytesPerPixel)),
                          Pixels.begin() + long((a + 1) * size_t(BytesPerPixel)),
                          Pixels.begin() + long(b * size_t(BytesPerPixel)));
    };
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 128 && same(i, i + run))
            ++run;
        if (run >= 2) {
            out.push_back(uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), Pixels.begin() + long(i * size_t(BytesPerPixel)),
                       Pixels.begin() + long((i + 1) * size_t(BytesPerPixel)));
            i += run;
        } else {
            size_t raw = 1;
            while (i + raw < n && raw < 128 && !(i + raw + 1 < n && same(i + raw, i + raw + 1)))
                ++raw;
            out.push_back(uint8_t(raw - 1));
            out.insert(out.end(), Pixels.begin() + long(i * size_t(BytesPerPixel)),
                       Pixels.begin() + long((i + raw) * size_t(BytesPerPixel)));
            i += raw;
        }
    }
    return out;
}

Bytes MakeTga(const TgaSpec &S, int W, int H, const Bytes &Pixels, const Bytes &Map, int MapLength)
{
    Bytes f;
    f.push_back(3); // ID length: three ID bytes follow
    f.push_back(S.MapEntrySize ? 1 : 0);
    f.push_back(S.Type);
    Put16(f, 0);
    Put16(f, unsigned(MapLength));
    f.push_back(uint8_t(S.MapEntrySize));
    Put16(f, 0);
    Put16(f, 0);
    Put16(f, unsigned(W));
    Put16(f, unsigned(H));
    f.push_back(S.Depth);
    f.push_back(S.Descriptor);
    f.insert(f.end(), {'I', 'D', '!'});
    f.insert(f.end(), Map.begin(), Map.end());
    const int bpp = S.Depth / 8;
    if (S.Type >= 9)
        for (uint8_t b : EncodeTgaRle(Pixels, bpp))
            f.push_back(b);
    else
        f.insert(f.end(), Pixels.begin(), Pixels.end());
    return f;
}

// ImageMagick's 8-bit value turned into what our palette rules give for the same file.
uint8_t Expected(const TgaSpec &S, uint8_t IM)
{
    if (S.Depth == 16 || S.MapEntrySize == 16)
        return uint8_t(((IM * 31 + 127) / 255) << 3);
    if (S.MapEntrySize == 24)
        return IM & 0xFC;
    if (S.Type == 3 || S.Type == 11)
        return uint8_t((IM * 63 / 255) * 4);
    return IM;
}

class TargaMatrix : public ::testing::TestWithParam<TgaSpec> {};

TEST_P(TargaMatrix, DecodesAsImageMagickDoes)
{
    const TgaSpec S = GetParam();
    QTemporaryDir dir;
    const int W = 13, H = 7;
    const int bpp = S.Depth / 8;
    Bytes pixels = SourcePixels(W, H, bpp, S.Type * 131 + S.Depth + S.Descriptor);
    Bytes map;
    int mapLength = 0;
    if (S.MapEntrySize) {
        mapLength = 256;
        const Bytes colours = Noise(256 * 3, 77);
        for (int i = 0; i < 256; ++i) {
            if (S.MapEntrySize == 24) {
                map.insert(map.end(), {colours[size_t(i * 3)], colours[size_t(i * 3 + 1)], colours[size_t(i * 3 + 2)]});
            } else {
                const unsigned w = (colours[size_t(i * 3)] >> 3) | ((colours[size_t(i * 3 + 1)] >> 3) << 5) |
                                   ((colours[size_t(i * 3 + 2)] >> 3) << 10);
                Put16(map, w);
            }
        }
    }
    if (S.Depth == 16)
        for (size_t i = 1; i < pixels.size(); i += 2)
            pixels[i] &= 0x7F; // the attribute bit stays clear
    const std::string path = dir.filePath(QString("%1.tga").arg(S.Name)).toStdString();
    WriteFile(path, MakeTga(S, W, H, pixels, map, mapLength));

    TBitmap ours;
    TargaToBitmap(path, ours);
    ASSERT_EQ(ours.GetWidth(), W);
    ASSERT_EQ(ours.GetHeight(), H);
    EXPECT_EQ(ours.PixelFormat(), S.Depth == 8 ? pf8bit : pf24bit);
    int exitCode = -1;
    const Bytes im = ConvertToRGB(path, &exitCode);
    ASSERT_EQ(exitCode, 0);
    ASSERT_EQ(im.size(), size_t(W * H * 3));
    const Bytes got = BitmapRGB(ours);
    for (size_t i = 0; i < im.size(); ++i)
        ASSERT_EQ(int(got[i]), int(Expected(S, im[i])))
            << S.Name << " pixel " << i / 3 % W << "," << i / 3 / W << " channel " << i % 3;
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, TargaMatrix,
    ::testing::Values(TgaSpec{"rgb24_bottom", 2, 24, 0x00, 0}, TgaSpec{"rgb24_top", 2, 24, 0x20, 0},
                      TgaSpec{"rgb24_mirrored", 2, 24, 0x10, 0}, TgaSpec{"rgb24_top_mirrored", 2, 24, 0x30, 0},
                      TgaSpec{"rgb32_alpha", 2, 32, 0x28, 0}, TgaSpec{"rgb16", 2, 16, 0x20, 0},
                      TgaSpec{"map24", 1, 8, 0x20, 24}, TgaSpec{"map16_bottom", 1, 8, 0x00, 16},
                      TgaSpec{"gray8", 3, 8, 0x20, 0}, TgaSpec{"rle_rgb24", 10, 24, 0x00, 0},
                      TgaSpec{"rle_rgb32", 10, 32, 0x28, 0}, TgaSpec{"rle_rgb16_mirrored", 10, 16, 0x30, 0},
                      TgaSpec{"rle_map24", 9, 8, 0x20, 24}, TgaSpec{"rle_gray8", 11, 8, 0x00, 0}),
    [](const auto &Info) { return std::string(Info.param.Name); });

TEST(Targa, OneBitImagesAreBlackAndWhite)
{
    // ImageMagick reads no 1-bit Targa files, so the pixels are checked by hand.
    Bytes f = TgaHeader(3, 1, 10, 2, 0x20);
    f.insert(f.end(), {0xA5, 0x40, 0x0F, 0xC0});
    TMemoryStream s;
    s.WriteBuffer(f.data(), int64_t(f.size()));
    s.SetPosition(0);
    TBitmap b;
    TargaToBitmap(s, b, 0);
    ASSERT_EQ(b.PixelFormat(), pf1bit);
    const char *rows[2] = {"1010010101", "0000111111"};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(b.GetPixel(x, y), rows[y][x] == '1' ? clWhite : clBlack) << x << "," << y;
}

TEST(Targa, OneBitImagesKeepTheirStoredOrderAtEveryDepth)
{
    // In every corner, plain and run-length encoded (counts in bytes), a black-and-white picture's
    // rows follow the top-to-bottom bit; right to left or not, each row shows as stored, and the 8-
    // and 24-bit outputs show the same picture as the 1-bit one.
    const char *stored[2] = {"1010010101", "1111111111"};
    const Bytes plain = {0xA5, 0x40, 0xFF, 0xC0};
    const Bytes rle = {0x01, 0xA5, 0x40, 0x81, 0xFF}; // a raw packet of two bytes, a run of two
    for (uint8_t type : {3, 11})
        for (uint8_t descriptor : {0x00, 0x10, 0x20, 0x30})
            for (int mode = 0; mode < 3; ++mode) {
                Bytes f = TgaHeader(type, 1, 10, 2, descriptor);
                const Bytes &data = type == 3 ? plain : rle;
                f.insert(f.end(), data.begin(), data.end());
                TMemoryStream s;
                s.WriteBuffer(f.data(), int64_t(f.size()));
                s.SetPosition(0);
                TBitmap b;
                TargaToBitmap(s, b, mode);
                ASSERT_EQ(b.GetHeight(), 2);
                for (int y = 0; y < 2; ++y)
                    for (int x = 0; x < 10; ++x) {
                        const TColor c = b.GetPixel(x, y);
                        const bool white = mode == 1 ? b.GetPixelValue(x, y) == 1 : c == clWhite;
                        const char *row = stored[descriptor & 0x20 ? y : 1 - y];
                        EXPECT_EQ(white, row[x] == '1') << "type " << int(type) << " descriptor " << int(descriptor)
                                                        << " mode " << mode << " at " << x << "," << y;
                    }
            }
}

// ImageMagick's reading of a Targa file without -auto-orient: its pixels in the order they are
// stored, whatever the file's origin says (the origin only becomes an orientation tag).
Bytes TgaStoredRGB(const std::string &Path, int *ExitCode)
{
    const QByteArray out = RunTool("convert", {QString::fromStdString(Path), "-depth", "8", "rgb:-"}, ExitCode);
    return Bytes(out.begin(), out.end());
}

// Stored pixels (W x H RGB, first stored row first) placed as a Targa origin says: bit 0x20 clear,
// the first stored row is the bottom one; bit 0x10 set, each row is stored right to left.
Bytes TgaPlaceStored(const Bytes &Stored, int W, int H, uint8_t Descriptor)
{
    Bytes out(Stored.size());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int sy = Descriptor & 0x20 ? y : H - 1 - y;
            const int sx = Descriptor & 0x10 ? W - 1 - x : x;
            for (int c = 0; c < 3; ++c)
                out[size_t((y * W + x) * 3 + c)] = Stored[size_t((sy * W + sx) * 3 + c)];
        }
    return out;
}

// netpbm's reading of a Targa file as RGB triplets, or nothing when it fails. It places rows by the
// top-to-bottom bit but does not turn right-to-left rows round.
Bytes TgaNetpbmRGB(const std::string &Path)
{
    int exitCode = -1;
    const QByteArray ppm = RunTool("tgatoppm", {QString::fromStdString(Path)}, &exitCode);
    if (exitCode != 0 || !ppm.startsWith("P6"))
        return {};
    // "P6", width, height and maximum, each after white space, then one white space byte; samples
    // of one byte scaled from the maximum to 255.
    int fields[3] = {0, 0, 0};
    qsizetype i = 2;
    for (int &f : fields) {
        while (i < ppm.size() && std::isspace(uint8_t(ppm[i])))
            ++i;
        while (i < ppm.size() && std::isdigit(uint8_t(ppm[i])))
            f = f * 10 + (ppm[i++] - '0');
    }
    const int maximum = fields[2];
    if (maximum <= 0 || maximum > 255)
        return {};
    Bytes out;
    for (++i; i < ppm.size(); ++i)
        out.push_back(uint8_t((uint8_t(ppm[i]) * 255 + maximum / 2) / maximum));
    return out;
}

TEST(Targa, FilesImageMagickWritesShowTheRightWayUp)
{
    // Real files in each corner orientation and with none given, plain and run-length encoded, at every
    // depth ImageMagick writes (mapped, grey, 16, 24 and 32 bits), opened as the image dialog opens
    // them. ImageMagick writes the picture's rows top first whatever origin it puts in the header (a
    // picture without an orientation gets bottom-left, so it is stored upside down by the format's
    // rule), and its plain reading gives the stored order back; its oriented reading applies the
    // origin. We check the header's origin, then compare with both readings, and with netpbm's for
    // the left-hand origins.
    QTemporaryDir dir;
    const std::string src = dir.filePath("src.png").toStdString();
    const int W = 23, H = 11;
    int exitCode = -1;
    RunTool("convert", {"-size", "23x11", "gradient:red-blue", "(", "-size", "23x11", "gradient:", "-rotate", "90",
                        "-resize", "23x11!", ")", "-compose", "multiply", "-composite", "-fill", "yellow", "-draw",
                        "point 1,1", "-depth", "8", QString::fromStdString(src)},
            &exitCode);
    ASSERT_EQ(exitCode, 0);
    const Bytes source = TgaStoredRGB(src, &exitCode);
    ASSERT_EQ(source.size(), size_t(W * H * 3));
    struct Orient {
        const char *Name; // nullptr: no -orient given
        uint8_t Origin;   // the descriptor's origin bits we expect ImageMagick to write
    };
    const Orient orients[] = {{"TopLeft", 0x20}, {"BottomLeft", 0x00}, {"TopRight", 0x30},
                              {"BottomRight", 0x10}, {nullptr, 0x00}};
    struct Kind {
        QStringList Args;
        uint8_t Type, Depth;
        int Tolerance;     // mapped and grey files keep six bits of each component, 16-bit ones five
        bool SourceStored; // true colour: the stored pixels are the source's
    };
    const Kind kinds[] = {
        {{"-type", "TrueColor"}, 2, 24, 0, true},
        {{"-type", "TrueColor", "-compress", "RLE"}, 10, 24, 0, true},
        {{"-alpha", "set", "-channel", "A", "-evaluate", "set", "40%", "+channel", "-type", "TrueColorAlpha"},
         2, 32, 0, true},
        {{"-alpha", "set", "-channel", "A", "-evaluate", "set", "40%", "+channel", "-type", "TrueColorAlpha",
          "-compress", "RLE"},
         10, 32, 0, true},
        {{"-type", "TrueColor", "-depth", "5"}, 2, 16, 8, false},
        {{"-type", "TrueColor", "-depth", "5", "-compress", "RLE"}, 10, 16, 8, false},
        {{"-colors", "50", "-type", "Palette"}, 1, 8, 8, false},
        {{"-colors", "50", "-type", "Palette", "-compress", "RLE"}, 9, 8, 8, false},
        {{"-colorspace", "Gray"}, 3, 8, 8, false},
        {{"-colorspace", "Gray", "-compress", "RLE"}, 11, 8, 8, false},
    };
    int n = 0;
    for (const Orient &orient : orients)
        for (const Kind &kind : kinds) {
            const std::string path = dir.filePath(QString("t%1.tga").arg(n++)).toStdString();
            QStringList args = QStringList{QString::fromStdString(src)} + kind.Args;
            if (orient.Name)
                args += QStringList{"-orient", orient.Name};
            RunTool("convert", args + QStringList{QString::fromStdString(path)}, &exitCode);
            ASSERT_EQ(exitCode, 0);
            const std::string what = std::string(orient.Name ? orient.Name : "no orientation") + " " +
                                     kind.Args.join(' ').toStdString();
            QFile file(QString::fromStdString(path));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray header = file.read(18);
            ASSERT_EQ(header.size(), 18);
            ASSERT_EQ(uint8_t(header[2]), kind.Type) << what;
            ASSERT_EQ(uint8_t(header[16]), kind.Depth) << what;
            const uint8_t descriptor = uint8_t(header[17]);
            ASSERT_EQ(descriptor & 0x30, orient.Origin) << what;

            const Bytes stored = TgaStoredRGB(path, &exitCode);
            ASSERT_EQ(exitCode, 0);
            ASSERT_EQ(stored.size(), size_t(W * H * 3));
            if (kind.SourceStored) {
                ASSERT_TRUE(stored == source) << what << ": rows are stored top first, left to right";
            }
            const Bytes placed = TgaPlaceStored(stored, W, H, descriptor);
            const Bytes oriented = ConvertToRGB(path, &exitCode);
            ASSERT_EQ(exitCode, 0);
            ASSERT_TRUE(oriented == placed) << what << ": ImageMagick's oriented reading follows the origin";

            if ((descriptor & 0x10) == 0) {
                const Bytes netpbm = TgaNetpbmRGB(path);
                ASSERT_EQ(netpbm.size(), placed.size()) << what;
                for (size_t i = 0; i < placed.size(); ++i)
                    ASSERT_LE(std::abs(int(netpbm[i]) - int(placed[i])), kind.Tolerance)
                        << what << ": netpbm at byte " << i;
            }

            tThumbimage view;
            view.LoadImage(path);
            const QImage got = view.Picture().Graphic()->ToImage();
            ASSERT_EQ(got.width(), W);
            ASSERT_EQ(got.height(), H);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const QRgb c = got.pixel(x, y);
                    const uint8_t *e = &placed[size_t((y * W + x) * 3)];
                    const int t = kind.Tolerance;
                    ASSERT_LE(std::abs(qRed(c) - e[0]), t) << what << " at " << x << "," << y;
                    ASSERT_LE(std::abs(qGreen(c) - e[1]), t) << what << " at " << x << "," << y;
                    ASSERT_LE(std::abs(qBlue(c) - e[2]), t) << what << " at " << x << "," << y;
                }
        }
}

TEST(Targa, ColourMapEntriesKeepSixBits)
{
    Bytes f = {0, 1, 1, 0, 0, 1, 0, 24, 0, 0, 0, 0};
    Put16(f, 1);
    Put16(f, 1);
    f.insert(f.end(), {8, 0x20, 0x12, 0x34, 0x56, 0});
    TMemoryStream s;
    s.WriteBuffer(f.data(), int64_t(f.size()));
    s.SetPosition(0);
    TBitmap b;
    TargaToBitmap(s, b, 0);
    EXPECT_EQ(b.Palette()[0], (TPaletteEntry{0x54, 0x34, 0x10, 0}));
}

TEST(Targa, OutputDepthSettings)
{
    // A 24-bit pixel reduced to 8 bits becomes its grey level; an 8-bit mapped pixel widened
    // to 24 bits becomes its map colour x 4 + 3.
    Bytes f = TgaHeader(2, 24, 1, 1, 0x20);
    f.insert(f.end(), {30, 60, 90});
    TMemoryStream s;
    s.WriteBuffer(f.data(), int64_t(f.size()));
    s.SetPosition(0);
    TBitmap b;
    TargaToBitmap(s, b, 1);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.GetPixelValue(0, 0), uint32_t((32 * 90 + 64 * 60 + 12 * 30) / 108));

    Bytes g = {0, 1, 1, 0, 0, 1, 0, 24, 0, 0, 0, 0};
    Put16(g, 1);
    Put16(g, 1);
    g.insert(g.end(), {8, 0x20, 0x12, 0x34, 0x56, 0});
    TMemoryStream t;
    t.WriteBuffer(g.data(), int64_t(g.size()));
    t.SetPosition(0);
    TargaToBitmap(t, b, 2);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.GetPixel(0, 0), RGBToColor(0x54 + 3, 0x34 + 3, 0x10 + 3));
}

TEST(Targa, BadFilesGiveClearErrors)
{
    struct Case {
        const char *Name;
        Bytes Data;
        bool Range; // EImageRangeError rather than EInvalidGraphic
    };
    Bytes bigMap = {0, 1, 1, 0x80, 0, 0x81, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0x20};
    std::vector<Case> cases = {
        {"type 0", TgaHeader(0, 24, 2, 2, 0), false},
        {"type 5", TgaHeader(5, 24, 2, 2, 0), false},
        {"depth 12", TgaHeader(2, 12, 2, 2, 0), false},
        {"empty", {}, false},
        {"too large", TgaHeader(2, 24, 65535, 65535, 0), false},
        {"map past 255", bigMap, true},
    };
    for (const Case &c : cases) {
        TMemoryStream s;
        if (!c.Data.empty())
            s.WriteBuffer(c.Data.data(), int64_t(c.Data.size()));
        s.SetPosition(0);
        TBitmap b;
        if (c.Range)
            EXPECT_THROW(TargaToBitmap(s, b, 0), EImageRangeError) << c.Name;
        else
            EXPECT_THROW(TargaToBitmap(s, b, 0), EInvalidGraphic) << c.Name;
    }
}

TEST(Targa, TruncatedDataReadsAsBlack)
{
    Bytes f = TgaHeader(10, 24, 4, 2, 0x20);
    f.insert(f.end(), {0x81, 1, 2, 3}); // a run of two pixels, then the file ends
    TMemoryStream s;
    s.WriteBuffer(f.data(), int64_t(f.size()));
    s.SetPosition(0);
    TBitmap b;
    TargaToBitmap(s, b, 0);
    EXPECT_EQ(b.GetPixel(1, 0), RGBToColor(3, 2, 1));
    EXPECT_EQ(b.GetPixel(3, 1), clBlack);
}

// ---- PCX files

struct PcxSpec {
    const char *Name;
    uint8_t Version;
    uint8_t Bits;
    uint8_t Planes;
};

Bytes EncodePcxRow(const Bytes &Row)
{
    Bytes out;
    size_t i = 0;
    while (i < Row.size()) {
        size_t run = 1;
        while (i + run < Row.size() && run < 63 && Row[i + run] == Row[i])
            ++run;
        if (run > 1 || Row[i] >= 0xC0)
            out.push_back(uint8_t(0xC0 | run));
        out.push_back(Row[i]);
        i += run;
    }
    return out;
}

Bytes MakePcx(const PcxSpec &S, int W, int H, int BPL, const Bytes &Planes /* rows of BPL*planes */,
              const Bytes &HeaderPalette, const Bytes *EndPalette)
{
    Bytes f = {10, S.Version, 1, S.Bits};
    Put16(f, 0);
    Put16(f, 0);
    Put16(f, unsigned(W - 1));
    Put16(f, unsigned(H - 1));
    Put16(f, 72);
    Put16(f, 72);
    f.insert(f.end(), HeaderPalette.begin(), HeaderPalette.end());
    f.push_back(0);
    f.push_back(S.Planes);
    Put16(f, unsigned(BPL));
    Put16(f, 1);
    f.resize(128, 0);
    const size_t rowBytes = size_t(BPL) * S.Planes;
    for (int y = 0; y < H; ++y) {
        Bytes row(Planes.begin() + long(y * rowBytes), Planes.begin() + long((y + 1) * rowBytes));
        for (uint8_t b : EncodePcxRow(row))
            f.push_back(b);
    }
    if (EndPalette) {
        f.push_back(12);
        f.insert(f.end(), EndPalette->begin(), EndPalette->end());
    }
    return f;
}

class PcxMatrix : public ::testing::TestWithParam<PcxSpec> {};

TEST_P(PcxMatrix, DecodesAsImageMagickDoes)
{
    const PcxSpec S = GetParam();
    QTemporaryDir dir;
    const int W = 21, H = 6;
    const int BPL = S.Bits == 1 ? ((W + 15) / 16) * 2 : ((W + 1) / 2) * 2;
    Bytes planes = SourcePixels(BPL * S.Planes, H, 1, S.Bits * 7 + S.Planes);
    Bytes headerPalette = Noise(48, 5);
    Bytes endPalette = Noise(768, 9);
    const std::string path = dir.filePath(QString("%1.pcx").arg(S.Name)).toStdString();
    WriteFile(path, MakePcx(S, W, H, BPL, planes, headerPalette, S.Bits == 8 && S.Planes == 1 ? &endPalette : nullptr));

    TBitmap ours;
    PcxToBitmap(path, ours);
    ASSERT_EQ(ours.GetWidth(), W);
    ASSERT_EQ(ours.GetHeight(), H);
    int exitCode = -1;
    const Bytes im = ConvertToRGB(path, &exitCode);
    ASSERT_EQ(exitCode, 0);
    ASSERT_EQ(im.size(), size_t(W * H * 3));
    const Bytes got = BitmapRGB(ours);
    for (size_t i = 0; i < im.size(); ++i) {
        uint8_t expected = im[i];
        if (S.Bits == 1 && S.Planes == 1)
            expected = uint8_t(255 - im[i]); // ImageMagick draws set bits black; here they are white
        else if (S.Bits == 1 && S.Planes > 1)
            expected = uint8_t(im[i] | 3); // ((v >> 2) + 1) * 4 - 1
        else if (S.Bits == 8 && S.Planes == 1)
            expected = im[i] & 0xFC;
        ASSERT_EQ(int(got[i]), int(expected)) << S.Name << " pixel " << i / 3 % W << "," << i / 3 / W;
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, PcxMatrix,
                         ::testing::Values(PcxSpec{"mono", 5, 1, 1}, PcxSpec{"planes4", 5, 1, 4},
                                           PcxSpec{"colours256", 5, 8, 1}, PcxSpec{"rgb24", 5, 8, 3}),
                         [](const auto &Info) { return std::string(Info.param.Name); });

TBitmap ReadPcx(const Bytes &F)
{
    TMemoryStream s;
    s.WriteBuffer(F.data(), int64_t(F.size()));
    s.SetPosition(0);
    TBitmap b;
    PcxToBitmap(s, b, 0);
    return b;
}

TEST(Pcx, VersionThreeUsesTheBuiltInPalette)
{
    // Four planes, one pixel of value 6 (planes 1 and 2 set), whatever the header palette says.
    const PcxSpec S{"v3", 3, 1, 4};
    Bytes planes = {0x00, 0x00, 0x80, 0x00, 0x80, 0x00, 0x00, 0x00};
    const Bytes f = MakePcx(S, 1, 1, 2, planes, Noise(48, 1), nullptr);
    const TBitmap b = ReadPcx(f);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.GetPixelValue(0, 0), 6u);
    EXPECT_EQ(b.GetPixel(0, 0), RGBToColor(131, 131, 3));
}

TEST(Pcx, VersionTwoScalesSmallComponents)
{
    const PcxSpec S{"v2", 2, 8, 1};
    Bytes end(768, 0);
    end[0] = 3;
    end[1] = 2;
    end[2] = 1;
    Bytes f = MakePcx(S, 2, 1, 2, Bytes{0, 0}, Bytes(48, 0), &end);
    f[f.size() - 769] = 0; // the marker is not checked
    const TBitmap b = ReadPcx(f);
    EXPECT_EQ(b.Palette()[0], (TPaletteEntry{252, 168, 84, 0})); // (255, 170, 85) kept to 6 bits
}

TEST(Pcx, BadFilesGiveClearErrors)
{
    Bytes good = MakePcx(PcxSpec{"g", 5, 8, 1}, 2, 2, 2, Bytes(4, 1), Bytes(48, 0), nullptr);
    struct Case {
        const char *Name;
        size_t Offset;
        uint8_t Value;
        const char *Text;
    };
    const Case cases[] = {
        {"manufacturer", 0, 11, "Not a PCX file, or header read error."},
        {"bits", 3, 2, "Not a valid PCX file!"},
        {"bytes per line 0", 66, 0, "Not a valid PCX file!"},
        {"planes 0", 65, 0, "Not a valid PCX file!"},
    };
    for (const Case &c : cases) {
        Bytes f = good;
        f[c.Offset] = c.Value;
        if (c.Offset == 66)
            f[67] = 0;
        try {
            ReadPcx(f);
            ADD_FAILURE() << c.Name;
        } catch (const EInvalidGraphic &E) {
            EXPECT_STREQ(E.what(), c.Text) << c.Name;
        }
    }
    Bytes inverted = good;
    inverted[8] = 0;
    inverted[4] = 5; // X max below X min
    EXPECT_THROW(ReadPcx(inverted), EImageRangeError);
    Bytes huge = good;
    huge[8] = huge[9] = huge[10] = huge[11] = 0xFF;
    EXPECT_THROW(ReadPcx(huge), EInvalidGraphic);
}

TEST(Pcx, ShortFilesAndOverlongRunsStayInsideTheirBuffers)
{
    // A 256-colour file too short for an end palette, and runs that cross the row end.
    Bytes f = MakePcx(PcxSpec{"s", 5, 8, 1}, 3, 3, 4, Bytes(12, 0), Bytes(48, 0), nullptr);
    f.resize(128);
    f.insert(f.end(), {0xFF, 0x07, 0xFF, 0x09}); // 63 pixels of 7, then 63 of 9
    const TBitmap b = ReadPcx(f);
    EXPECT_EQ(b.GetPixelValue(0, 0), 7u);
    EXPECT_EQ(b.GetPixelValue(2, 2), 7u); // the first run fills all three rows
}

TEST(PictureReaders, MutatedFilesNeverCrash)
{
    // Valid files with bytes flipped and cut: every reader either decodes or throws its errors.
    const TgaSpec t{"m", 10, 24, 0x20, 0};
    const Bytes tga = MakeTga(t, 9, 9, SourcePixels(9, 9, 3, 3), {}, 0);
    const Bytes pcx = MakePcx(PcxSpec{"m", 5, 1, 4}, 9, 9, 2, SourcePixels(8, 9, 1, 4), Noise(48, 2), nullptr);
    for (int round = 0; round < 400; ++round) {
        for (int kind = 0; kind < 2; ++kind) {
            Bytes f = kind == 0 ? tga : pcx;
            const Bytes r = Noise(8, uint32_t(round * 2 + kind));
            for (int k = 0; k < 3; ++k)
                f[r[size_t(k)] % f.size()] = r[size_t(k + 3)];
            if (round % 5 == 0)
                f.resize(r[6] % f.size());
            TMemoryStream s;
            if (!f.empty())
                s.WriteBuffer(f.data(), int64_t(f.size()));
            s.SetPosition(0);
            TBitmap b;
            try {
                if (kind == 0)
                    TargaToBitmap(s, b, round % 3);
                else
                    PcxToBitmap(s, b, round % 3);
            } catch (const Exception &) {
            }
        }
    }
}

} // namespace

namespace {

TEST(PictureReaders, CutFilesDecodeAsIfPaddedWithZeros)
{
    // A file that ends early reads as if zeros followed; the rows after the end are made once and
    // copied, so a tiny file claiming a large picture is cheap. Compared with the same file padded.
    struct Case {
        const char *Name;
        Bytes File;
        bool Pcx;
        size_t Padding;
    };
    Bytes tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(tga, 300);
    Put16(tga, 200);
    tga.insert(tga.end(),
               {24, 0x20, 0x85, 9, 8, 7, 0x02, 1, 2, 3, 4, 5, 6, 7, 8}); // a run, then a raw packet cut short
    Bytes pcx = {10, 5, 1, 8};
    Put16(pcx, 0);
    Put16(pcx, 0);
    Put16(pcx, 299);
    Put16(pcx, 199);
    pcx.resize(65, 0);
    pcx.push_back(3);
    Put16(pcx, 300);
    pcx.resize(128, 0);
    pcx.insert(pcx.end(), {0xC5, 200, 17, 0xC9}); // a run cut before its value
    const Case cases[] = {{"targa", tga, false, 300 * 200 * 4}, {"pcx", pcx, true, 300 * 200 * 3 + 10}};
    for (const Case &c : cases)
        for (int mode : {0, 2}) {
            TBitmap cut, padded;
            for (int k = 0; k < 2; ++k) {
                Bytes f = c.File;
                if (k == 1)
                    f.resize(f.size() + c.Padding, 0);
                TMemoryStream s;
                s.WriteBuffer(f.data(), int64_t(f.size()));
                s.SetPosition(0);
                if (c.Pcx)
                    PcxToBitmap(s, k ? padded : cut, mode);
                else
                    TargaToBitmap(s, k ? padded : cut, mode);
            }
            ASSERT_EQ(cut.GetHeight(), 200);
            EXPECT_TRUE(BitmapRGB(cut) == BitmapRGB(padded)) << c.Name << " mode " << mode;
        }
}

} // namespace
