// GIF files made by ImageMagick and gifsicle, read by us and by giflib (giftext -r dumps every
// frame's colour indexes as stored); damaged files; the LZW decoder's limits.
#include "ImageTestSupport.h"
#include "images/GIFImage.h"

#include <gtest/gtest.h>

using namespace imgtest;

namespace {

std::string MakeSource(const QTemporaryDir &Dir, const char *Name, int W, int H, int Colours, uint32_t Seed)
{
    QImage img(W, H, QImage::Format_RGB32);
    const Bytes n = Noise(size_t(W * H), Seed);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int c = ((x / 3 + y / 2) * 7 + n[size_t(y * W + x)] % 3) % Colours;
            img.setPixel(x, y, qRgb((c * 37) % 256, (c * 91) % 256, (c * 53 + Seed) % 256));
        }
    const QString p = Dir.filePath(QString("%1.png").arg(Name));
    img.save(p, "PNG");
    return p.toStdString();
}

// Every frame's indexes in file row order (interlaced frames in their pass order), as giflib reads them.
Bytes OurRawPixels(const TGIFImage &G)
{
    Bytes out;
    for (int f = 0; f < G.Count(); ++f) {
        TGIFSubImage &s = G.Frame(f);
        const int w = s.Width(), h = s.Height();
        std::vector<int> rows;
        if (s.Interlaced()) {
            for (int start : {0, 4, 2, 1})
                for (int y = start; y < h; y += (start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2))
                    rows.push_back(y);
        } else {
            for (int y = 0; y < h; ++y)
                rows.push_back(y);
        }
        for (int y : rows)
            for (int x = 0; x < w; ++x)
                out.push_back(s.Pixels(x, y));
    }
    return out;
}

struct GifCase {
    const char *Name;
    std::vector<std::string> Tool; // program and arguments; "%in" and "%out" stand for the files
    int Colours;
    int Frames;
};

class GifMatrix : public ::testing::TestWithParam<GifCase> {};

TEST_P(GifMatrix, ReadsWhatGiflibReads)
{
    const GifCase &c = GetParam();
    QTemporaryDir dir;
    QStringList sources;
    for (int i = 0; i < c.Frames; ++i)
        sources << QString::fromStdString(
            MakeSource(dir, ("src" + std::to_string(i)).c_str(), 23, 17, c.Colours, uint32_t(i * 7 + c.Colours)));
    const QString out = dir.filePath("t.gif");
    QStringList args;
    for (size_t i = 1; i < c.Tool.size(); ++i) {
        const QString a = QString::fromStdString(c.Tool[i]);
        if (a == "%in")
            args << sources;
        else if (a == "%out")
            args << out;
        else
            args << a;
    }
    int rc = -1;
    RunTool(c.Tool[0], args, &rc);
    ASSERT_EQ(rc, 0) << c.Name;
    if (c.Tool[0] == "gifsicle") { // gifsicle takes GIF input: make it from the first source first
        ASSERT_TRUE(true);
    }
    TGIFImage ours;
    std::vector<AnsiString> warnings;
    ours.OnWarning = [&](TGraphic &, uint8_t, const AnsiString &M) { warnings.push_back(M); };
    ours.LoadFromFile(out.toStdString());
    EXPECT_TRUE(warnings.empty()) << c.Name << ": " << (warnings.empty() ? "" : warnings[0]);
    const QByteArray raw = RunTool("giftext", {"-r", out}, &rc);
    ASSERT_EQ(rc, 0);
    const Bytes theirs(raw.begin(), raw.end());
    EXPECT_EQ(ours.Count(), c.Frames) << c.Name;
    const Bytes mine = OurRawPixels(ours);
    ASSERT_EQ(mine.size(), theirs.size()) << c.Name;
    EXPECT_TRUE(mine == theirs) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Files, GifMatrix,
    ::testing::Values(GifCase{"still256", {"convert", "%in", "%out"}, 200, 1},
                      GifCase{"interlaced", {"convert", "%in", "-interlace", "GIF", "%out"}, 60, 1},
                      GifCase{"two_colours", {"convert", "%in", "%out"}, 2, 1},
                      GifCase{"five_colours", {"convert", "%in", "%out"}, 5, 1},
                      GifCase{"seventeen_colours", {"convert", "%in", "%out"}, 17, 1},
                      GifCase{"transparent", {"convert", "%in", "-transparent", "black", "%out"}, 30, 1},
                      GifCase{"animated_local_maps", {"convert", "-delay", "7", "%in", "-loop", "2", "%out"}, 40, 6},
                      GifCase{"many_frames", {"convert", "-delay", "3", "%in", "%out"}, 9, 30}),
    [](const auto &Info) { return std::string(Info.param.Name); });

TEST(GIFRead, GifsicleOutputsAgree)
{
    QTemporaryDir dir;
    QStringList frames;
    for (int i = 0; i < 5; ++i) {
        const std::string png = MakeSource(dir, ("f" + std::to_string(i)).c_str(), 31, 19, 70 + i * 20, uint32_t(i));
        const QString gif = dir.filePath(QString("f%1.gif").arg(i));
        RunTool("convert", {QString::fromStdString(png), gif});
        frames << gif;
    }
    struct Variant {
        const char *Name;
        QStringList Options;
    };
    const Variant variants[] = {{"plain", {}},
                                {"interlaced", {"--interlace"}},
                                {"optimised", {"-O3"}},
                                {"loop disposal", {"--loopcount=3", "--disposal=background", "--delay=5"}}};
    for (const Variant &v : variants) {
        const QString out = dir.filePath("g.gif");
        int rc = -1;
        RunTool("gifsicle", QStringList(v.Options) << frames << "-o" << out, &rc);
        ASSERT_EQ(rc, 0) << v.Name;
        TGIFImage ours;
        ours.LoadFromFile(out.toStdString());
        const QByteArray raw = RunTool("giftext", {"-r", out}, &rc);
        EXPECT_EQ(ours.Count(), 5) << v.Name;
        const Bytes mine = OurRawPixels(ours);
        EXPECT_TRUE(mine == Bytes(raw.begin(), raw.end())) << v.Name;
    }
}

TEST(GIFRead, DamagedFilesKeepWhatWasRead)
{
    QTemporaryDir dir;
    QStringList sources;
    for (int i = 0; i < 4; ++i)
        sources << QString::fromStdString(MakeSource(dir, ("s" + std::to_string(i)).c_str(), 40, 30, 100, uint32_t(i)));
    const QString out = dir.filePath("a.gif");
    RunTool("convert", QStringList() << "-delay"
                                     << "5" << sources << out);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    // Every cut point: either an error of the reader or a picture with the frames read so far.
    for (int cut = 0; cut < all.size(); cut += 7) {
        TMemoryStream s;
        s.WriteBuffer(all.constData(), cut);
        s.SetPosition(0);
        TGIFImage g;
        try {
            g.LoadFromStream(s);
            EXPECT_LE(g.Count(), 4);
            for (int i = 0; i < g.Count(); ++i)
                (void)g.Frame(i).RenderImage(true);
        } catch (const EInvalidGraphic &) {
            EXPECT_EQ(s.GetPosition(), 0) << "a failed load rewinds the stream";
        }
    }
    // Data that ends inside a frame keeps its rows and warns.
    TMemoryStream s;
    s.WriteBuffer(all.constData(), all.size() / 2);
    s.SetPosition(0);
    TGIFImage g;
    std::vector<AnsiString> warnings;
    g.OnWarning = [&](TGraphic &, uint8_t, const AnsiString &M) { warnings.push_back(M); };
    g.LoadFromStream(s);
    EXPECT_GE(g.Count(), 1);
    EXPECT_FALSE(warnings.empty());
}

Bytes GifWith(const Bytes &ImageData, int W, int H, uint8_t Flags = 0)
{
    Bytes f = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(f, unsigned(W));
    Put16(f, unsigned(H));
    f.insert(f.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255});
    f.push_back(',');
    Put16(f, 0);
    Put16(f, 0);
    Put16(f, unsigned(W));
    Put16(f, unsigned(H));
    f.push_back(Flags);
    f.insert(f.end(), ImageData.begin(), ImageData.end());
    f.push_back(';');
    return f;
}

std::unique_ptr<TGIFImage> Load(const Bytes &F, std::vector<AnsiString> *Warnings = nullptr)
{
    TMemoryStream s;
    s.WriteBuffer(F.data(), int64_t(F.size()));
    s.SetPosition(0);
    auto g = std::make_unique<TGIFImage>();
    if (Warnings)
        g->OnWarning = [Warnings](TGraphic &, uint8_t, const AnsiString &M) { Warnings->push_back(M); };
    g->LoadFromStream(s);
    return g;
}

TEST(GIFRead, LzwEdgeCases)
{
    // Code size 2: clear 4, end 5. Codes 1, 0, 7 (not yet in the table: "0" + "0"), then the
    // table reaches 8 and the end code 5 takes 4 bits; packed from the low end: 0xC1 0x0B.
    {
        const auto g = Load(GifWith({2, 2, 0xC1, 0x0B, 0}, 4, 1));
        ASSERT_EQ(g->Count(), 1);
        const uint8_t expected[4] = {1, 0, 0, 0};
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(g->Frame(0).Pixels(x, 0), expected[x]) << x;
    }
    // An end code before the last pixel: the rest keeps 0 and the next block is still read.
    {
        Bytes f = GifWith({2, 1, 0x29, 0}, 4, 1); // codes 1, 5
        const auto g = Load(f);
        EXPECT_EQ(g->Frame(0).Pixels(0, 0), 1);
        EXPECT_EQ(g->Frame(0).Pixels(3, 0), 0);
    }
    // Frames whose data ends without an end code are followed by the next frame.
    {
        Bytes f = GifWith({2, 1, 0x01, 0}, 2, 1); // one code (1), no end code
        f.pop_back();
        f.insert(f.end(), {',', 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x81, 0x0B, 0, ';'});
        const auto g = Load(f);
        EXPECT_EQ(g->Count(), 2);
    }
    // Frames of no pixels (their size and the screen's are 0): what is written reads back to a
    // picture that writes the same bytes, and is empty only when the first was.
    {
        const Bytes screen = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
        const Bytes pause = {'!', 0xF9, 4, 0, 50, 0, 0, 0};
        const Bytes none = {',', 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 0x05, 0};
        const Bytes real = {',', 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x81, 0x0B, 0};
        const std::vector<std::vector<Bytes>> bodies = {
            {none}, {pause, none}, {pause, none, real}, {none, real}, {none, pause}};
        for (const std::vector<Bytes> &body : bodies) {
            Bytes f = screen;
            for (const Bytes &part : body)
                f.insert(f.end(), part.begin(), part.end());
            f.push_back(';');
            const auto g = Load(f);
            TMemoryStream once;
            g->SaveToStream(once);
            const auto back = Load(Bytes(once.Memory(), once.Memory() + once.GetSize()));
            EXPECT_EQ(back->GetEmpty(), g->GetEmpty()) << body.size();
            TMemoryStream twice;
            back->SaveToStream(twice);
            EXPECT_EQ(twice.Bytes(), once.Bytes()) << body.size();
        }
    }
    // A frame of 60000 x 60000 pixels in a file of a few bytes is refused before any allocation.
    EXPECT_THROW(Load(GifWith({2, 2, 0x81, 0x0B, 0}, 60000, 60000)), GIFException);
    // A code size above 11 and a cycle in the table are errors; a sub-block longer than the file warns.
    EXPECT_THROW(Load(GifWith({12, 1, 0, 0}, 2, 2)), GIFException);
    std::vector<AnsiString> warnings;
    const auto g = Load(GifWith({2, 20, 0x81}, 4, 4), &warnings);
    EXPECT_EQ(g->Count(), 1);
    EXPECT_NE(std::find(warnings.begin(), warnings.end(), "Premature end of data"), warnings.end());
    // Interlaced frames of 1, 2, 3 and 5 rows decode every row once.
    for (int h : {1, 2, 3, 5}) {
        Bytes codes;
        // Literal codes only with a clear before the table would widen the codes: 3-bit codes
        // of value (row + 1) & 3, one pixel a row.
        std::vector<int> seq = {4};
        for (int r = 0; r < h; ++r)
            seq.push_back(r % 2 == 0 ? 1 : 2);
        seq.push_back(5);
        uint32_t acc = 0;
        int bits = 0, size = 3, next = 6;
        for (size_t i = 0; i < seq.size(); ++i) {
            acc |= uint32_t(seq[i]) << bits;
            bits += size;
            if (i >= 2 && seq[i] != 5 && ++next == 8)
                size = 4;
            while (bits >= 8) {
                codes.push_back(uint8_t(acc));
                acc >>= 8;
                bits -= 8;
            }
        }
        if (bits)
            codes.push_back(uint8_t(acc));
        Bytes data = {2, uint8_t(codes.size())};
        data.insert(data.end(), codes.begin(), codes.end());
        data.push_back(0);
        const auto gi = Load(GifWith(data, 1, h, 0x40));
        const int order[5][5] = {{0}, {0, 1}, {0, 2, 1}, {}, {0, 4, 2, 1, 3}};
        for (int k = 0; k < h; ++k)
            EXPECT_EQ(gi->Frame(0).Pixels(0, order[h - 1][k]), k % 2 == 0 ? 1 : 2) << "height " << h << " row " << k;
    }
}

TEST(GIFRead, HeaderAndBlocks)
{
    // A lower-case signature, any version, a four-byte prefix; zero bytes between blocks;
    // an unknown block byte ends reading with a warning.
    Bytes f = GifWith({2, 2, 0x81, 0x0B, 0}, 4, 1);
    f[0] = 'g';
    f[3] = 'x';
    f.insert(f.begin(), {1, 2, 3, 4});
    f.insert(f.end() - 1, {0, 0, 0x50});
    std::vector<AnsiString> warnings;
    const auto g = Load(f, &warnings);
    EXPECT_EQ(g->Count(), 1);
    EXPECT_NE(std::find(warnings.begin(), warnings.end(), "Unknown GIF block type"), warnings.end());
    // A descriptor of width 0 takes the logical screen and warns.
    Bytes z = GifWith({2, 2, 0x81, 0x0B, 0}, 4, 1);
    z[24] = 0; // the frame's width
    warnings.clear();
    const auto g2 = Load(z, &warnings);
    EXPECT_EQ(g2->Frame(0).Width(), 4);
    EXPECT_NE(std::find(warnings.begin(), warnings.end(), "Image exceeds Logical Screen size"), warnings.end());
    Bytes bad = f;
    bad[4] = 'X';
    bad[5] = 'Y';
    EXPECT_THROW(Load(Bytes(bad.begin() + 4, bad.end())), GIFException);
}

} // namespace
