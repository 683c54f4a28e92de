// PNG files of every colour type, depth, interlacing and filter, written byte by byte here and
// decoded by our reader and by libpng (netpbm's pngtopam); files we write checked by pngcheck.
#include "ImageTestSupport.h"
#include "images/PNGImage.h"
#include "images/PNGZLib.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace imgtest;

namespace {

void PutBe32(Bytes &B, uint32_t V)
{
    for (int s = 24; s >= 0; s -= 8)
        B.push_back(uint8_t(V >> s));
}

void AddChunk(Bytes &F, const char *Type, const Bytes &Data, bool BadCrc = false)
{
    PutBe32(F, uint32_t(Data.size()));
    Bytes td(Type, Type + 4);
    td.insert(td.end(), Data.begin(), Data.end());
    F.insert(F.end(), td.begin(), td.end());
    PutBe32(F, uint32_t(crc32(0, td.data(), uInt(td.size()))) ^ (BadCrc ? 1u : 0u));
}

struct PngSpec {
    int ColorType, Depth, Interlace;
    bool Gamma, Trns;
};

int Channels(int T)
{
    return T == 2 ? 3 : T == 4 ? 2 : T == 6 ? 4 : 1;
}

int64_t RowBytesOf(const PngSpec &S, int64_t W)
{
    return (W * Channels(S.ColorType) * S.Depth + 7) / 8;
}

uint8_t Paeth(int A, int B, int C)
{
    const int p = A + B - C, pa = std::abs(p - A), pb = std::abs(p - B), pc = std::abs(p - C);
    return uint8_t(pa <= pb && pa <= pc ? A : pb <= pc ? B : C);
}

// Filters Raw (rows of Size bytes) with filter (row number % 5).
void FilterRows(const Bytes &Raw, int64_t Size, int Rows, int Dist, Bytes &Out, int &Counter)
{
    Bytes prev(size_t(Size), 0);
    for (int r = 0; r < Rows; ++r) {
        const uint8_t *x = Raw.data() + r * Size;
        const int f = Counter++ % 5;
        Out.push_back(uint8_t(f));
        for (int64_t i = 0; i < Size; ++i) {
            const int a = i >= Dist ? x[i - Dist] : 0, b = prev[size_t(i)], c = i >= Dist ? prev[size_t(i - Dist)] : 0;
            const int pred = f == 1 ? a : f == 2 ? b : f == 3 ? (a + b) / 2 : f == 4 ? Paeth(a, b, c) : 0;
            Out.push_back(uint8_t(x[i] - pred));
        }
        prev.assign(x, x + Size);
    }
}

// A picture's raw rows (non-interlaced layout) and its PNG file.
Bytes MakePng(const PngSpec &S, int W, int H, const Bytes &Raw, const Bytes &Palette, size_t IdatPiece = 97)
{
    Bytes f = {137, 80, 78, 71, 13, 10, 26, 10};
    Bytes ihdr;
    PutBe32(ihdr, uint32_t(W));
    PutBe32(ihdr, uint32_t(H));
    ihdr.insert(ihdr.end(), {uint8_t(S.Depth), uint8_t(S.ColorType), 0, 0, uint8_t(S.Interlace)});
    AddChunk(f, "IHDR", ihdr);
    AddChunk(f, "tEXt", Bytes{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'});
    if (S.Gamma) {
        Bytes g;
        PutBe32(g, 45455);
        AddChunk(f, "gAMA", g);
    }
    if (S.ColorType == 3)
        AddChunk(f, "PLTE", Palette);
    if (S.Trns) {
        if (S.ColorType == 2)
            AddChunk(f, "tRNS", Bytes{0, 10, 0, 20, 0, 30});
        else if (S.ColorType == 0)
            AddChunk(f, "tRNS", Bytes{0, 1});
        else if (S.ColorType == 3)
            AddChunk(f, "tRNS", Bytes{0, 128, 255});
    }
    const int dist = std::max(1, Channels(S.ColorType) * S.Depth / 8);
    const int64_t R = RowBytesOf(S, W);
    Bytes filtered;
    int counter = 0;
    if (S.Interlace == 0) {
        FilterRows(Raw, R, H, dist, filtered, counter);
    } else {
        const int sr[7] = {0, 0, 4, 0, 2, 0, 1}, sc[7] = {0, 4, 0, 2, 0, 1, 0}, rs[7] = {8, 8, 8, 4, 4, 2, 2},
                  cs[7] = {8, 8, 4, 4, 2, 2, 1};
        const int bpp = Channels(S.ColorType) * S.Depth;
        for (int p = 0; p < 7; ++p) {
            const int pw = (W - sc[p] + cs[p] - 1) / cs[p];
            if (pw <= 0 || sr[p] >= H)
                continue;
            const int64_t pr = RowBytesOf(S, pw);
            Bytes passRaw;
            int rows = 0;
            for (int y = sr[p]; y < H; y += rs[p], ++rows) {
                Bytes row(size_t(pr), 0);
                for (int k = 0; k < pw; ++k) {
                    const int64_t srcBit = int64_t(sc[p] + k * cs[p]) * bpp, dstBit = int64_t(k) * bpp;
                    for (int b = 0; b < bpp; ++b) {
                        const int64_t sb = srcBit + b, db = dstBit + b;
                        const int bit = (Raw[size_t(y * R + sb / 8)] >> (7 - sb % 8)) & 1;
                        row[size_t(db / 8)] |= uint8_t(bit << (7 - db % 8));
                    }
                }
                passRaw.insert(passRaw.end(), row.begin(), row.end());
            }
            FilterRows(passRaw, pr, rows, dist, filtered, counter);
        }
    }
    Bytes z(compressBound(uLong(filtered.size())));
    uLongf zlen = uLongf(z.size());
    compress2(z.data(), &zlen, filtered.data(), uLong(filtered.size()), 6);
    z.resize(zlen);
    for (size_t i = 0; i < z.size(); i += IdatPiece)
        AddChunk(f, "IDAT", Bytes(z.begin() + long(i), z.begin() + long(std::min(z.size(), i + IdatPiece))));
    AddChunk(f, "IEND", {});
    return f;
}

// A portable any-map: its samples as integers, row by row.
struct Pnm {
    int W = 0, H = 0, Channels = 0, MaxVal = 0;
    std::vector<int> Samples;
};

Pnm ParsePnm(const QByteArray &B)
{
    Pnm p;
    size_t pos = 0;
    auto token = [&]() {
        while (pos < size_t(B.size()) && isspace(uint8_t(B[qsizetype(pos)])))
            ++pos;
        std::string t;
        while (pos < size_t(B.size()) && !isspace(uint8_t(B[qsizetype(pos)])))
            t += B[qsizetype(pos++)];
        return t;
    };
    const std::string magic = token();
    p.Channels = magic == "P6" ? 3 : 1;
    p.W = std::stoi(token());
    p.H = std::stoi(token());
    if (magic == "P4") { // bitmap: one bit a pixel, set = black, rows padded to bytes
        p.MaxVal = 1;
        ++pos;
        const int rowBytes = (p.W + 7) / 8;
        for (int y = 0; y < p.H; ++y)
            for (int x = 0; x < p.W; ++x)
                p.Samples.push_back(1 -
                                    ((uint8_t(B[qsizetype(pos + size_t(y * rowBytes + x / 8))]) >> (7 - x % 8)) & 1));
        return p;
    }
    p.MaxVal = std::stoi(token());
    ++pos;
    const int bytes = p.MaxVal > 255 ? 2 : 1;
    for (size_t i = pos; i + size_t(bytes) <= size_t(B.size()); i += size_t(bytes))
        p.Samples.push_back(bytes == 2 ? (uint8_t(B[qsizetype(i)]) << 8) | uint8_t(B[qsizetype(i + 1)])
                                       : uint8_t(B[qsizetype(i)]));
    return p;
}

class PngMatrix : public ::testing::TestWithParam<PngSpec> {};

TEST_P(PngMatrix, DecodesAsLibpngDoes)
{
    const PngSpec S = GetParam();
    const int W = 19, H = 11;
    Bytes raw = Noise(size_t(RowBytesOf(S, W) * H), uint32_t(S.ColorType * 100 + S.Depth * 10 + S.Interlace));
    Bytes palette = Noise(3 * (1 << std::min(S.Depth, 8)), 3);
    if (S.ColorType == 3 && S.Depth == 8)
        palette.resize(3 * 200); // fewer entries than the depth allows...
    if (S.ColorType == 3 && S.Depth == 8)
        for (auto &v : raw)
            v = uint8_t(v % 200); // ...and every index inside them
    QTemporaryDir dir;
    const std::string path = dir.filePath("m.png").toStdString();
    WriteFile(path, MakePng(S, W, H, raw, palette));

    TPNGImage ours;
    ours.LoadFromFile(path);
    ASSERT_EQ(ours.GetWidth(), W);
    ASSERT_EQ(ours.GetHeight(), H);
    EXPECT_EQ(ours.Chunks().Find<TChunkIDAT>() != nullptr, true);
    EXPECT_EQ(ours.Transparent(), S.Trns && S.ColorType == 2);
    int exitCode = -1;
    const Pnm ref = ParsePnm(RunTool("pngtopam", {QString::fromStdString(path)}, &exitCode));
    ASSERT_EQ(exitCode, 0);
    ASSERT_EQ(ref.W, W);
    const Bytes got = BitmapRGB(ours);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c) {
                const int s = ref.Samples[size_t((y * W + x) * ref.Channels + (ref.Channels == 3 ? c : 0))];
                int expected = s;
                if (ref.MaxVal == 65535)
                    expected = s >> 8;
                else if (ref.MaxVal != 255)
                    expected = (s * 255 + ref.MaxVal / 2) / ref.MaxVal;
                ASSERT_EQ(int(got[size_t((y * W + x) * 3 + c)]), expected)
                    << "type " << S.ColorType << " depth " << S.Depth << " interlace " << S.Interlace << " at " << x
                    << "," << y;
            }
}

std::vector<PngSpec> AllSpecs()
{
    std::vector<PngSpec> v;
    const std::pair<int, std::vector<int>> depths[] = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    for (const auto &[type, ds] : depths)
        for (int d : ds)
            for (int il : {0, 1})
                v.push_back({type, d, il, (d + il) % 2 == 0, type != 4 && type != 6 && il == 1});
    return v;
}

INSTANTIATE_TEST_SUITE_P(Every, PngMatrix, ::testing::ValuesIn(AllSpecs()), [](const auto &Info) {
    const PngSpec &s = Info.param;
    return "type" + std::to_string(s.ColorType) + "_depth" + std::to_string(s.Depth) + (s.Interlace ? "_adam7" : "") +
           (s.Gamma ? "_gamma" : "") + (s.Trns ? "_trns" : "");
});

TEST(PNG, WhatWeWritePassesPngcheckAndReadsBackInLibpng)
{
    QTemporaryDir dir;
    struct Case {
        const char *Name;
        TPixelFormat Format;
        bool Transparent;
        uint8_t Filters;
    };
    const Case cases[] = {{"rgb", pf24bit, false, 27}, {"rgb_trns", pf24bit, true, 31}, {"pal8", pf8bit, false, 27},
                          {"pal4", pf4bit, false, 1},  {"pal1", pf1bit, false, 31},     {"rgb32", pf32bit, false, 4}};
    for (const Case &c : cases) {
        TPNGImage img;
        img.SetPixelFormat(pf24bit);
        img.SetSize(77, 41);
        for (int y = 0; y < 41; ++y)
            for (int x = 0; x < 77; ++x)
                img.SetPixel(x, y, (x / 8 + y / 8) % 3 == 0 ? RGBToColor(uint8_t(x * 3), uint8_t(y * 6), 40) : clWhite);
        if (c.Format != pf24bit)
            img.SetPixelFormat(c.Format);
        img.SetFilters(c.Filters);
        img.SetTransparent(c.Transparent);
        img.TransparentColor = clWhite;
        const std::string path = dir.filePath(QString("%1.png").arg(c.Name)).toStdString();
        img.SaveToFile(path);
        int rc = -1;
        const QByteArray check = RunTool("pngcheck", {QString::fromStdString(path)}, &rc);
        EXPECT_EQ(rc, 0) << c.Name << ": " << check.toStdString();
        const Pnm ref = ParsePnm(RunTool("pngtopam", {QString::fromStdString(path)}, &rc));
        ASSERT_EQ(rc, 0);
        TPNGImage back;
        back.LoadFromFile(path);
        EXPECT_EQ(back.Transparent(), c.Transparent) << c.Name;
        const Bytes got = BitmapRGB(back);
        const Bytes written = BitmapRGB(img);
        ASSERT_EQ(ref.W, 77);
        ASSERT_EQ(got.size(), written.size()) << c.Name;
        for (size_t i = 0; i < got.size(); ++i) {
            const int s = ref.Samples[ref.Channels == 3 ? i : i / 3];
            ASSERT_EQ(int(got[i]), ref.MaxVal == 1 ? s * 255 : s) << c.Name << " byte " << i;
            ASSERT_EQ(got[i], written[i]) << c.Name << " byte " << i;
        }
    }
}

Bytes Minimal(int W = 2, int H = 2)
{
    return MakePng({2, 8, 0, false, false}, W, H, Noise(size_t(W * H * 3), 1), {});
}

TEST(PNG, DamagedFilesGiveTheirTexts)
{
    auto replaceChunk = [](Bytes F, const char *Type, const Bytes &NewData) {
        // Rebuilds the file with one chunk's data replaced.
        Bytes out(F.begin(), F.begin() + 8);
        size_t p = 8;
        while (p + 12 <= F.size()) {
            const uint32_t len = (uint32_t(F[p]) << 24) | (F[p + 1] << 16) | (F[p + 2] << 8) | F[p + 3];
            const std::string t(F.begin() + long(p + 4), F.begin() + long(p + 8));
            const Bytes data(F.begin() + long(p + 8), F.begin() + long(p + 8 + len));
            AddChunk(out, t.c_str(), t == Type ? NewData : data);
            p += 12 + len;
        }
        return out;
    };
    Bytes good = Minimal();
    Bytes badSig = good;
    badSig[1] = 'Q';
    Bytes badCrc = good;
    badCrc[8 + 4 + 4 + 13] ^= 1; // IHDR's CRC
    Bytes hugeLength = good;
    hugeLength[8 + 25] = 0x90; // the chunk after IHDR claims more than 2 GB
    Bytes critical = Bytes(good.begin(), good.begin() + 33);
    AddChunk(critical, "QUUX", {1, 2});
    critical.insert(critical.end(), good.begin() + 33, good.end());
    Bytes noIdat(good.begin(), good.begin() + 33);
    AddChunk(noIdat, "IEND", {});
    Bytes ihdrNotFirst(good.begin(), good.begin() + 8);
    AddChunk(ihdrNotFirst, "gAMA", {0, 0, 0xB1, 0x8F});
    ihdrNotFirst.insert(ihdrNotFirst.end(), good.begin() + 8, good.end());
    Bytes ihdr13;
    PutBe32(ihdr13, 2);
    PutBe32(ihdr13, 2);
    Bytes badDepth = ihdr13;
    badDepth.insert(badDepth.end(), {3, 2, 0, 0, 0}); // RGB of depth 3
    Bytes zeroWidth(8, 0);
    zeroWidth[7] = 2;
    zeroWidth.insert(zeroWidth.end(), {8, 2, 0, 0, 0});
    Bytes interlace2 = ihdr13;
    interlace2.insert(interlace2.end(), {8, 2, 0, 0, 2});
    Bytes palNoPlte = ihdr13;
    palNoPlte.insert(palNoPlte.end(), {8, 3, 0, 0, 0});
    Bytes badFilter = {137, 80, 78, 71, 13, 10, 26, 10};
    {
        Bytes ih = ihdr13;
        ih.insert(ih.end(), {8, 0, 0, 0, 0});
        AddChunk(badFilter, "IHDR", ih);
        Bytes rows = {7, 1, 2, 0, 3, 4};
        Bytes z(64);
        uLongf zl = 64;
        compress2(z.data(), &zl, rows.data(), uLong(rows.size()), 6);
        z.resize(zl);
        AddChunk(badFilter, "IDAT", z);
        AddChunk(badFilter, "IEND", {});
    }
    Bytes badZlib = replaceChunk(good, "IDAT", Bytes{0x78, 0x9C, 0xFF, 0xFF, 0xFF});
    struct Case {
        const char *Name;
        Bytes File;
        const char *Text;
    };
    const Case cases[] = {
        {"signature", badSig, kPNGInvalidHeader},
        {"crc", badCrc, kPNGCorrupted},
        {"huge length", hugeLength, kPNGCorrupted},
        {"cut short", Bytes(good.begin(), good.end() - 30), kPNGCorrupted},
        {"critical", critical, kPNGUnknownCritical},
        {"no data", noIdat, kPNGNoIDAT},
        {"IHDR not first", ihdrNotFirst, kPNGNoIHDR},
        {"depth", replaceChunk(good, "IHDR", badDepth), kPNGUnknownColorType},
        {"zero width", replaceChunk(good, "IHDR", zeroWidth), kPNGUnknownColorType},
        {"interlace 2", replaceChunk(good, "IHDR", interlace2), kPNGUnknownInterlace},
        {"palette missing", replaceChunk(good, "IHDR", palNoPlte), kPNGNoPalette},
        {"filter 7", badFilter, kPNGUnknownFilter},
        {"zlib", badZlib, "data error"},
    };
    for (const Case &c : cases) {
        TMemoryStream s;
        s.WriteBuffer(c.File.data(), int64_t(c.File.size()));
        s.SetPosition(0);
        TPNGImage img;
        try {
            img.LoadFromStream(s);
            ADD_FAILURE() << c.Name << " loaded";
        } catch (const EZDecompressionError &E) {
            EXPECT_STREQ(E.what(), c.Text) << c.Name;
        } catch (const EPNGImageException &E) {
            EXPECT_EQ(std::string(E.what()),
                      std::string("Portable Graphics Network format handler error\r\n\r\n") + c.Text)
                << c.Name;
        } catch (const std::exception &E) {
            ADD_FAILURE() << c.Name << ": " << E.what();
        }
    }
}

TEST(PNG, ChunkHandling)
{
    QTemporaryDir dir;
    // Large IDAT chunks (40000 bytes in one) load; the pieces become one IDAT; an unknown
    // ancillary chunk stays in the list; no IEND is needed; tEXt is dropped on saving.
    const int W = 300, H = 200;
    const Bytes raw = Noise(size_t(W * H * 3), 8);
    Bytes one = MakePng({2, 8, 0, false, false}, W, H, raw, {}, 1 << 20);
    Bytes ancillary(one.begin(), one.begin() + 33);
    AddChunk(ancillary, "zzZZ", {9});
    ancillary.insert(ancillary.end(), one.begin() + 33, one.end() - 12); // and no IEND
    TPNGImage img;
    TMemoryStream s;
    s.WriteBuffer(ancillary.data(), int64_t(ancillary.size()));
    s.SetPosition(0);
    img.LoadFromStream(s);
    int idats = 0, unknown = 0, texts = 0;
    for (int i = 0; i < img.Chunks().Count(); ++i) {
        idats += dynamic_cast<TChunkIDAT *>(img.Chunks().Item(i)) != nullptr;
        unknown += img.Chunks().Item(i)->Type == ChunkType("zzZZ");
        texts += dynamic_cast<TChunkTEXT *>(img.Chunks().Item(i)) != nullptr;
    }
    EXPECT_EQ(idats, 1);
    EXPECT_EQ(unknown, 1);
    EXPECT_EQ(texts, 1);
    EXPECT_GT(img.Chunks().Find<TChunkIDAT>()->Data.size(), 40000u);
    EXPECT_EQ(img.GetPixel(5, 7),
              RGBToColor(raw[size_t(7 * W + 5) * 3], raw[size_t(7 * W + 5) * 3 + 1], raw[size_t(7 * W + 5) * 3 + 2]));
    TMemoryStream out;
    img.SaveToStream(out);
    const std::string bytes(reinterpret_cast<const char *>(out.Memory()), size_t(out.GetSize()));
    EXPECT_EQ(bytes.find("tEXt"), std::string::npos);
    EXPECT_NE(bytes.find("zzZZ"), std::string::npos); // fourth letter upper case: kept
    EXPECT_THROW(img.Chunks().Item(99), EPNGImageException);
    EXPECT_THROW(img.Chunks().Move(0, 99), EPNGImageException);
    TPNGImage other;
    EXPECT_THROW(img.Chunks().Remove(other.Chunks().Item(0)), EPNGImageException);
    EXPECT_THROW(ChunkClasses().Item(-1), EPNGImageException);
}

TEST(PNG, GammaTablesAndTheGreyRamp)
{
    struct Case {
        uint32_t Gamma;
        int Index, Expected;
    };
    const Case cases[] = {{45455, 0, 0}, {45455, 128, 128}, {45455, 255, 255}, {100000, 128, 186}};
    for (const Case &c : cases) {
        TPNGImage img;
        auto *g = img.Chunks().AddNew<TChunkGAMA>();
        g->SetGamma(c.Gamma);
        g->Decode();
        EXPECT_EQ(g->GammaTable[c.Index], c.Expected) << c.Gamma;
    }
    for (int i = 0; i < 256; ++i) {
        TPNGImage img;
        auto *g = img.Chunks().AddNew<TChunkGAMA>();
        g->SetGamma(45455);
        g->Decode();
        ASSERT_EQ(g->GammaTable[i], i);
    }
    TPNGImage zero;
    auto *g = zero.Chunks().AddNew<TChunkGAMA>();
    g->SetGamma(0);
    g->Decode();
    EXPECT_FALSE(g->HasTables());
    // A 2-bit palette image with four entries repeats them up to 16.
    Bytes pal = {10, 0, 0, 20, 0, 0, 30, 0, 0, 40, 0, 0};
    const Bytes f = MakePng({3, 2, 0, false, false}, 4, 1, Bytes{0x1B}, pal);
    TMemoryStream s;
    s.WriteBuffer(f.data(), int64_t(f.size()));
    s.SetPosition(0);
    TPNGImage img;
    img.LoadFromStream(s);
    EXPECT_EQ(img.PixelFormat(), pf4bit);
    EXPECT_EQ(img.Palette().size(), 16u);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(img.GetPixel(x, 0), RGBToColor(uint8_t(10 * (x + 1)), 0, 0));
}

TEST(PNG, CompressionStreams)
{
    TMemoryStream packed;
    const Bytes text = Noise(200000, 4);
    {
        TZCompressionStream z(packed, 3);
        z.Write(text.data(), int64_t(text.size()));
        EXPECT_EQ(z.Seek(0, soCurrent), int64_t(text.size()));
        EXPECT_THROW(z.Seek(5, soBeginning), EZCompressionError);
        uint8_t b;
        EXPECT_THROW(z.Read(&b, 1), EZCompressionError);
    }
    packed.SetPosition(0);
    TZDecompressionStream u(packed);
    Bytes back(text.size());
    EXPECT_EQ(u.Read(back.data(), 1000), 1000);
    EXPECT_EQ(u.Seek(5000, soCurrent), 6000);
    EXPECT_EQ(u.Read(back.data() + 6000, int64_t(text.size() - 6000)), int64_t(text.size() - 6000));
    EXPECT_TRUE(std::equal(back.begin() + 6000, back.end(), text.begin() + 6000));
    EXPECT_EQ(u.Seek(0, soBeginning), 0);
    EXPECT_EQ(u.Read(back.data(), 10), 10);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 10, text.begin()));
    EXPECT_THROW(u.Seek(-1, soCurrent), EZDecompressionError);
    EXPECT_THROW(u.Write(back.data(), 1), EZDecompressionError);
    EXPECT_EQ(u.Read(back.data(), 10), 10);
}

} // namespace
