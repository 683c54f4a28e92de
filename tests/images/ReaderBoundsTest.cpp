// Crafted picture files that ask for far more than their data holds: each reader refuses them with
// its message, or reads them with work bounded by the data (bytes taken in, not time) and pixel
// memory bounded by the picture budget.
#include "ImageTestSupport.h"
#include "images/GIFImage.h"
#include "images/PNGImage.h"
#include "images/PaddedReader.h"
#include "images/Pcx.h"
#include "images/Targa.h"

#include <gtest/gtest.h>

#include <new>

using namespace imgtest;

namespace {

Bytes BoundsPcxHeader(uint8_t Bits, uint8_t Planes, int W, int H, int BPL)
{
    Bytes f = {10, 5, 1, Bits};
    Put16(f, 0);
    Put16(f, 0);
    Put16(f, unsigned(W - 1));
    Put16(f, unsigned(H - 1));
    f.resize(65, 0);
    f.push_back(Planes);
    Put16(f, unsigned(BPL));
    f.resize(128, 0);
    return f;
}

// A GIF of Frames frames of FW x FH on a W x H screen, each frame's data a clear and an end code
// (14 bytes a frame).
Bytes BoundsGif(int W, int H, int Frames, int FW, int FH, int Left = 0, int Top = 0)
{
    Bytes f = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(f, unsigned(W));
    Put16(f, unsigned(H));
    f.insert(f.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255});
    for (int i = 0; i < Frames; ++i) {
        f.push_back(',');
        Put16(f, unsigned(Left));
        Put16(f, unsigned(Top));
        Put16(f, unsigned(FW));
        Put16(f, unsigned(FH));
        f.insert(f.end(), {0, 2, 1, 0x2C, 0});
    }
    f.push_back(';');
    return f;
}

enum class BoundsKind { Targa, Pcx, Gif };

void BoundsRead(BoundsKind Kind, const Bytes &File)
{
    TMemoryStream s;
    s.WriteBuffer(File.data(), int64_t(File.size()));
    s.SetPosition(0);
    if (Kind == BoundsKind::Targa) {
        TBitmap b;
        TargaToBitmap(s, b, 0);
    } else if (Kind == BoundsKind::Pcx) {
        TBitmap b;
        PcxToBitmap(s, b, 0);
    } else {
        TGIFImage g;
        g.LoadFromStream(s);
    }
}

TEST(PictureBounds, CraftedFilesCostWhatTheirDataHolds)
{
    Bytes rleTga = TgaHeader(10, 24, 8000, 8000, 0x20);
    for (int i = 0; i < 100; ++i)
        rleTga.insert(rleTga.end(), {0xFF, uint8_t(i), 2, 3}); // runs of 128 pixels, then the file ends
    Bytes monoTga = TgaHeader(3, 1, 65535, 1024, 0);
    monoTga.insert(monoTga.end(), 200, 0xA5);
    Bytes pcx256 = BoundsPcxHeader(8, 1, 8000, 8000, 8000);
    for (int i = 0; i < 60; ++i)
        pcx256.insert(pcx256.end(), {0xFF, uint8_t(i)}); // runs of 63 bytes
    // Two planes of 8 bits is no layout the reader knows: blank rows, and nothing to decode.
    const Bytes oddPlanes = BoundsPcxHeader(8, 2, 65535, 1024, 65535);
    Bytes planar = BoundsPcxHeader(1, 4, 8000, 8000, 1000);
    planar.insert(planar.end(), 300, 0xC1);

    struct Case {
        const char *Name;
        BoundsKind Kind;
        Bytes File;
        const char *Refusal;   // nullptr: the file loads
        int64_t MaxWork;       // bytes taken in, zeros past the end included
        int64_t MaxPixelBytes; // pixel memory live at once
    };
    const int64_t budget = kMaxImagePixels;
    const Case cases[] = {
        {"targa rle 8000x8000", BoundsKind::Targa, rleTga, nullptr, int64_t(rleTga.size()) + 3 * 8000 * 4,
         8000LL * 8000 * 3},
        {"targa 1-bit 65535x1024", BoundsKind::Targa, monoTga, nullptr, int64_t(monoTga.size()) + 3 * 8192,
         65536LL * 1024 / 8},
        {"pcx 256 colours 8000x8000", BoundsKind::Pcx, pcx256, nullptr, int64_t(pcx256.size()) + 3 * 8000,
         8000LL * 8000},
        {"pcx unknown planes, 128 bytes", BoundsKind::Pcx, oddPlanes, nullptr, 8192, 3 * budget + 4 * 65536},
        {"pcx four planes 8000x8000", BoundsKind::Pcx, planar, nullptr, int64_t(planar.size()) + 3 * 4000,
         8000LL * 8000},
        {"gif 1000 frames larger than their data", BoundsKind::Gif, BoundsGif(2000, 2000, 1000, 1950, 1950),
         "Image is larger than its data", 0, budget},
        {"gif 3000 frames past the budget together", BoundsKind::Gif, BoundsGif(400, 400, 3000, 400, 400),
         "Image too large", 0, budget + 2 * 400 * 400},
        {"gif screen 65535x65535", BoundsKind::Gif, BoundsGif(65535, 65535, 2, 10, 10), "Image too large", 0, 0},
        {"gif frame far out on an empty screen", BoundsKind::Gif, BoundsGif(0, 0, 2, 100, 100, 60000, 60000),
         "Image too large", 0, 0},
    };
    for (const Case &c : cases) {
        PaddedReaderWork = 0;
        const int64_t liveBefore = TPixelMemory::Live();
        TPixelMemory::ResetPeak();
        std::string refusal;
        try {
            BoundsRead(c.Kind, c.File);
        } catch (const EInvalidGraphic &E) {
            refusal = E.what();
        }
        if (c.Refusal) {
            EXPECT_EQ(refusal.rfind(c.Refusal, 0), 0u) << c.Name << ": " << refusal;
        } else {
            EXPECT_EQ(refusal, "") << c.Name;
        }
        if (c.Kind != BoundsKind::Gif) {
            EXPECT_LE(PaddedReaderWork, c.MaxWork) << c.Name;
        }
        // (a reader may hold a one-pixel bitmap beside the picture for a moment)
        EXPECT_LE(TPixelMemory::Peak() - liveBefore, c.MaxPixelBytes + 64) << c.Name;
        EXPECT_EQ(TPixelMemory::Live(), liveBefore) << c.Name;
    }
}

TEST(PictureBounds, CutFilesStayBlackPastTheirData)
{
    // The rows past the data are left as the bitmap starts out, not decoded.
    Bytes tga = TgaHeader(2, 24, 5, 4, 0x20);
    tga.insert(tga.end(), {1, 2, 3, 4, 5, 6});
    TMemoryStream s;
    s.WriteBuffer(tga.data(), int64_t(tga.size()));
    s.SetPosition(0);
    TBitmap b;
    TargaToBitmap(s, b, 0);
    EXPECT_EQ(b.GetPixel(0, 0), RGBToColor(3, 2, 1));
    EXPECT_EQ(b.GetPixel(1, 0), RGBToColor(6, 5, 4));
    for (int y = 1; y < 4; ++y)
        EXPECT_EQ(b.GetPixel(4, y), clBlack);
}

// A stream whose reading runs out of memory, as a reader's allocation would.
class TStarvedStream : public TMemoryStream {
public:
    int64_t Read(void *, int64_t) override { throw std::bad_alloc(); }
};

TEST(PictureBounds, RunningOutOfMemoryIsTheReadersError)
{
    for (int kind = 0; kind < 4; ++kind) {
        TStarvedStream s;
        s.SetSize(200);
        try {
            if (kind == 0) {
                TBitmap b;
                TargaToBitmap(s, b, 0);
            } else if (kind == 1) {
                TBitmap b;
                PcxToBitmap(s, b, 0);
            } else if (kind == 2) {
                TGIFImage g;
                g.LoadFromStream(s);
            } else {
                TPNGImage p;
                p.LoadFromStream(s);
            }
            ADD_FAILURE() << "reader " << kind << " did not fail";
        } catch (const EInvalidGraphic &E) {
            EXPECT_STREQ(E.what(), "Not enough memory to read the picture") << kind;
        }
    }
}

} // namespace
