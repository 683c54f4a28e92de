// The GIF file's building blocks: sub-block strings, colour tables, the header's flags, extensions
// (loop, comment, unknown application data) and the frame's bounds, written and read back.
#include "ImageTestSupport.h"
#include "images/GIFImage.h"

#include <gtest/gtest.h>

using namespace imgtest;

namespace {

Bytes StreamBytes(TMemoryStream &S)
{
    return Bytes(S.Memory(), S.Memory() + S.GetSize());
}

TEST(GIFStructure, SubBlockStrings)
{
    TMemoryStream s;
    WriteStrings(s, {"ab", ""});
    EXPECT_EQ(StreamBytes(s), (Bytes{2, 'a', 'b', 0}));
    TMemoryStream t;
    const AnsiString line(300, 'x');
    WriteStrings(t, {line});
    const Bytes b = StreamBytes(t);
    ASSERT_EQ(b.size(), 1 + 255 + 1 + 45 + 1u);
    EXPECT_EQ(b[0], 255);
    EXPECT_EQ(b[256], 45);
    t.SetPosition(0);
    std::vector<AnsiString> back;
    ReadStrings(t, back);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].size(), 255u);
    EXPECT_EQ(back[1].size(), 45u);
    // A zero inside a sub-block cuts its line; the end of the stream ends quietly.
    TMemoryStream u;
    const Bytes cut = {3, 'a', 0, 'b'};
    u.WriteBuffer(cut.data(), 4);
    u.SetPosition(0);
    ReadStrings(u, back);
    EXPECT_EQ(back, (std::vector<AnsiString>{"a"}));
    struct Case {
        int N, Bits;
    };
    for (const Case c : {Case{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {129, 8}, {256, 8}})
        EXPECT_EQ(ColorsToBits(c.N), c.Bits) << c.N;
}

TEST(GIFStructure, ColourTables)
{
    TGIFImage img;
    TGIFColorMap &m = img.Header.ColorMap;
    struct Cap {
        int Ask, Got;
    };
    for (const Cap c : {Cap{5, 16}, {17, 32}, {200, 224}, {250, 256}}) {
        m.Clear();
        m.SetCapacity(c.Ask);
        EXPECT_EQ(m.Capacity(), c.Got) << c.Ask;
    }
    m.Clear();
    for (int i = 0; i < 256; ++i)
        m.Add(RGBToColor(uint8_t(i), 0, 0));
    EXPECT_THROW(m.Add(clWhite), GIFException);
    EXPECT_EQ(m.Count(), 256);
    // The same colour twice: the higher index unless the table is sorted by use.
    m.Clear();
    m.Add(clWhite);
    m.Add(clBlack);
    m.Add(clWhite);
    EXPECT_EQ(m.IndexOf(clWhite), 2);
    EXPECT_THROW(m.Delete(3), GIFException);
    std::vector<AnsiString> warnings;
    img.OnWarning = [&](TGraphic &, uint8_t, const AnsiString &M) { warnings.push_back(M); };
    EXPECT_EQ(m.Colors(7), clWhite); // a bad index warns and answers entry 0
    EXPECT_EQ(warnings, (std::vector<AnsiString>{"Invalid color index"}));
    // Written padded to a power of two: 3 colours as 4 entries, 1 as 2, none as nothing.
    for (const auto &[count, bytes] : {std::pair{3, 12}, std::pair{1, 6}, std::pair{0, 0}}) {
        m.Clear();
        for (int i = 0; i < count; ++i)
            m.Add(RGBToColor(1, 2, uint8_t(i + 3)));
        TMemoryStream s;
        m.SaveToStream(s);
        EXPECT_EQ(s.GetSize(), bytes) << count;
    }
    // An empty global table: flags without bit 7 and no table; 87a without an aspect ratio.
    m.Clear();
    EXPECT_EQ(img.Header.Prepare() & 0x80, 0);
    EXPECT_EQ(img.Header.GetVersion(), gv87a);
    img.Header.AspectRatio = 49;
    EXPECT_EQ(img.Header.GetVersion(), gv89a);
}

TEST(GIFStructure, HeaderTableSizes)
{
    struct Case {
        uint8_t Flags;
        int Entries;
    };
    for (const Case c : {Case{0x80, 2}, {0x87, 256}, {0x07, 0}}) {
        Bytes f = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, c.Flags, 0, 0};
        f.resize(f.size() + size_t(c.Entries) * 3, 9);
        f.push_back(';');
        TMemoryStream s;
        s.WriteBuffer(f.data(), int64_t(f.size()));
        s.SetPosition(0);
        TGIFImage g;
        g.LoadFromStream(s);
        EXPECT_EQ(g.Header.ColorMap.Count(), c.Entries) << int(c.Flags);
        EXPECT_EQ(g.Count(), 0);
    }
}

TEST(GIFStructure, ExtensionsRoundTrip)
{
    // Frame 0 carries a loop extension, a comment of two lines, an unknown application block and
    // an "ANIMEXTS1.0" loop; all come back as they were.
    TGIFImage img;
    img.Header.Width = 2;
    img.Header.Height = 1;
    img.Header.ColorMap.Add(clBlack);
    img.Header.ColorMap.Add(clWhite);
    auto frame = std::make_unique<TGIFSubImage>(&img);
    TGIFSubImage *f = frame.get();
    auto *loop = static_cast<TGIFAppExtNSLoop *>(f->Extensions.Add(std::make_unique<TGIFAppExtNSLoop>(f)));
    loop->Loops = 7;
    auto *comment = static_cast<TGIFCommentExtension *>(f->Extensions.Add(std::make_unique<TGIFCommentExtension>(f)));
    comment->Text = {"first line", AnsiString(300, 'c')};
    auto *unknown =
        static_cast<TGIFUnknownAppExtension *>(f->Extensions.Add(std::make_unique<TGIFUnknownAppExtension>(f)));
    std::memcpy(unknown->Identifier.data(), "QUILLMARxyz", 11);
    unknown->Blocks = {TGIFBlock{{1, 2, 3}}, TGIFBlock{{4}}};
    auto *anim = static_cast<TGIFAppExtNSLoop *>(f->Extensions.Add(std::make_unique<TGIFAppExtNSLoop>(f)));
    std::memcpy(anim->Identifier.data(), "ANIMEXTS1.0", 11);
    anim->Loops = 2;
    anim->BufferSize = 4096;
    f->SetBounds(0, 0, 2, 1);
    f->Data = {0, 1};
    img.Add(std::move(frame));
    TMemoryStream s;
    img.SaveToStream(s);
    const Bytes bytes = StreamBytes(s);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{'G', 'I', 'F', '8', '9', 'a'}));
    // A loop extension without buffer size: 3, 1, the count, 0.
    const Bytes ns = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 7, 0, 0};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), ns.begin(), ns.end()), bytes.end());
    s.SetPosition(0);
    TGIFImage back;
    back.LoadFromStream(s);
    ASSERT_EQ(back.Count(), 1);
    TGIFExtensionList &e = back.Frame(0).Extensions;
    ASSERT_EQ(e.Count(), 4);
    EXPECT_EQ(dynamic_cast<TGIFAppExtNSLoop &>(e[0]).Loops, 7);
    EXPECT_EQ(dynamic_cast<TGIFCommentExtension &>(e[1]).Text.size(), 3u); // 300 bytes: two sub-blocks
    auto &u = dynamic_cast<TGIFUnknownAppExtension &>(e[2]);
    EXPECT_EQ(u.Identifier, unknown->Identifier);
    ASSERT_EQ(u.Blocks.size(), 2u);
    EXPECT_EQ(u.Blocks[0].Data, (std::vector<uint8_t>{1, 2, 3}));
    auto &a = dynamic_cast<TGIFAppExtNSLoop &>(e[3]);
    EXPECT_EQ(a.Loops, 2);
    EXPECT_EQ(a.BufferSize, 4096u);
    EXPECT_EQ(back.Frame(0).Pixels(1, 0), 1);
}

Bytes AppExtension(uint8_t BlockSize, const Bytes &Data)
{
    Bytes f = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255, '!', 0xFF, BlockSize};
    f.insert(f.end(), Data.begin(), Data.end());
    f.insert(f.end(), {',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, ';'});
    return f;
}

TEST(GIFStructure, ApplicationExtensionsOfEverySize)
{
    struct Case {
        const char *Name;
        Bytes File;
        bool Loads;
        bool Unknown;
    };
    Bytes id = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    Bytes loopShort = id;
    loopShort.insert(loopShort.end(), {2, 1, 5, 0}); // identifying byte 1 with one byte left
    Bytes twelve = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', '2', '3', 'x', 2, 9, 9, 0};
    Bytes ten = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', '2', 1, 5, 0};
    const Case cases[] = {
        {"loop too short", AppExtension(11, loopShort), false, false},
        {"twelve bytes", AppExtension(12, twelve), true, true},
        {"ten bytes", AppExtension(10, ten), true, true},
        {"nine bytes", AppExtension(9, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 0}), false, false},
    };
    for (const Case &c : cases) {
        TMemoryStream s;
        s.WriteBuffer(c.File.data(), int64_t(c.File.size()));
        s.SetPosition(0);
        TGIFImage g;
        if (!c.Loads) {
            EXPECT_THROW(g.LoadFromStream(s), GIFException) << c.Name;
            continue;
        }
        g.LoadFromStream(s);
        ASSERT_EQ(g.Count(), 1) << c.Name;
        ASSERT_EQ(g.Frame(0).Extensions.Count(), 1) << c.Name;
        EXPECT_NE(dynamic_cast<TGIFUnknownAppExtension *>(&g.Frame(0).Extensions[0]), nullptr) << c.Name;
        EXPECT_EQ(g.Frame(0).Width(), 1) << c.Name;
    }
}

TEST(GIFStructure, FrameBoundsAndPixels)
{
    TGIFImage img;
    std::vector<AnsiString> warnings;
    img.OnWarning = [&](TGraphic &, uint8_t, const AnsiString &M) { warnings.push_back(M); };
    auto f = std::make_unique<TGIFSubImage>(&img);
    TGIFSubImage *frame = f.get();
    img.Add(std::move(f));
    frame->SetBounds(0, 0, 10, 5); // an image of width 0 only takes the size
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(img.GetWidth(), 10);
    frame->SetBounds(5, 0, 10, 5); // wider than the screen: widens it with two warnings
    EXPECT_EQ(warnings, (std::vector<AnsiString>{"Image width too small for contained frames",
                                                 "Image exceeds Logical Screen size"}));
    EXPECT_EQ(img.GetWidth(), 15);
    EXPECT_THROW(frame->Pixels(10, 0), GIFException);
    EXPECT_THROW(img.SetWidth(12), GIFException);
    EXPECT_EQ(img.GetWidth(), 15);
    // Changing only the width zeroes the pixels.
    frame->Data.assign(50, 3);
    frame->SetBounds(5, 0, 9, 5);
    EXPECT_EQ(frame->Data, std::vector<uint8_t>(45, 0));
    // Cropping a wholly transparent frame empties it.
    auto *gce = static_cast<TGIFGraphicControlExtension *>(
        frame->Extensions.Add(std::make_unique<TGIFGraphicControlExtension>(frame)));
    gce->SetTransparent(true);
    gce->TransparentColorIndex = 0;
    frame->Crop();
    EXPECT_TRUE(frame->Empty());
    TGIFImage none;
    EXPECT_TRUE(none.GetPalette().empty());
}

} // namespace
