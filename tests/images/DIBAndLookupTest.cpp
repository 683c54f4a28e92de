// Colour lookups, the DIB writer and the bitmap's pixel formats.
#include "images/DIB.h"
#include "images/GIFTypes.h"

#include <gtest/gtest.h>

namespace {

struct LookupCase {
    const char *Name;
    int Kind; // 0 web-safe, 1 grey, 2 monochrome
    uint8_t R, G, B;
    int Index;
    uint8_t OutR, OutG, OutB;
};

TEST(ColorLookup, ArithmeticLookups)
{
    const LookupCase cases[] = {
        {"white web", 0, 255, 255, 255, 215, 255, 255, 255}, {"levels 0 1 5", 0, 47, 48, 255, 11, 0, 51, 255},
        {"red grey", 1, 255, 0, 0, 76, 76, 76, 76},          {"blue grey", 1, 0, 0, 255, 28, 28, 28, 28},
        {"dark mono", 2, 127, 127, 127, 0, 0, 0, 0},         {"light mono", 2, 128, 128, 128, 1, 255, 255, 255},
    };
    TNetscapeColorLookup web;
    TGrayScaleLookup grey;
    TMonochromeLookup mono;
    TColorLookup *lookups[] = {&web, &grey, &mono};
    EXPECT_EQ(web.Colors, 216);
    EXPECT_EQ(grey.Colors, 256);
    EXPECT_EQ(mono.Colors, 2);
    for (const LookupCase &c : cases) {
        uint8_t r = 1, g = 1, b = 1;
        EXPECT_EQ(lookups[c.Kind]->Lookup(c.R, c.G, c.B, r, g, b), c.Index) << c.Name;
        EXPECT_EQ(r, c.OutR) << c.Name;
        EXPECT_EQ(g, c.OutG) << c.Name;
        EXPECT_EQ(b, c.OutB) << c.Name;
    }
}

TEST(ColorLookup, FastLookupKeepsTheFirstAnswerOfACell)
{
    const TPalette pal = {{10, 10, 10, 0}, {200, 0, 0, 0}, {10, 10, 10, 0}, {0, 0, 250, 0}};
    TFastColorLookup fast(pal);
    EXPECT_EQ(fast.Colors, 4);
    uint8_t r, g, b;
    EXPECT_EQ(fast.Lookup(10, 10, 10, r, g, b), 0); // two identical entries: the lower index
    EXPECT_EQ(fast.Lookup(190, 5, 5, r, g, b), 1);
    EXPECT_EQ(r, 200);
    // The cell of (255, 0, 0) is answered once by a search; a later colour of the same
    // 5-5-5 cell gets that answer without a new search.
    EXPECT_EQ(fast.Lookup(0, 0, 255, r, g, b), 3);
    EXPECT_EQ(fast.Lookup(7, 7, 255, r, g, b), 3);
    TFastColorLookup none(TPalette{});
    EXPECT_EQ(none.Colors, 0);
}

TEST(DIBWriter, BuildsPaddedTablesAndChecksRows)
{
    TBitmap target;
    const TPalette pal(16, TPaletteEntry{1, 2, 3, 0});
    {
        TDIBWriter w(target, pf8bit, 3, 2, pal);
        w.ScanLine(0)[0] = 5;
        w.ScanLine(1)[2] = 7;
        EXPECT_THROW(w.ScanLine(2), EInvalidGraphicOperation);
        EXPECT_THROW(w.ScanLine(-1), EInvalidGraphicOperation);
        EXPECT_EQ(w.ColorsImportant(), 16);
    }
    EXPECT_EQ(target.PixelFormat(), pf8bit);
    ASSERT_EQ(target.Palette().size(), 256u);
    EXPECT_EQ(target.Palette()[15], (TPaletteEntry{1, 2, 3, 0}));
    EXPECT_EQ(target.Palette()[16], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(target.GetPixelValue(0, 0), 5u);
    EXPECT_EQ(target.GetPixelValue(2, 1), 7u);

    EXPECT_THROW(TDIBWriter(target, pf4bit, 1, 1, {}), GIFException);
    EXPECT_THROW(TDIBWriter(target, pf8bit, 0, 1, {}), GIFException);
    EXPECT_EQ(BytesPerScanline(3, 8, 32), 4);
    EXPECT_EQ(BytesPerScanline(3, 24, 32), 12);
}

TEST(Bitmap, PixelFormatsRoundTripColours)
{
    // Every format keeps what it can show: indexed formats keep their palette colours.
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(5, 3);
    const TColor colours[] = {clBlack, clWhite, RGBToColor(255, 0, 0), RGBToColor(0, 0, 255), RGBToColor(0, 255, 0)};
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 3; ++y)
            b.SetPixel(x, y, colours[(x + y) % 5]);
    for (TPixelFormat f : {pf32bit, pf8bit, pf4bit, pf24bit}) {
        TBitmap c(b);
        if (f == pf8bit || f == pf4bit)
            c.SetPalette(Standard16Palette());
        c.SetPixelFormat(f);
        for (int x = 0; x < 5; ++x)
            for (int y = 0; y < 3; ++y)
                EXPECT_EQ(c.GetPixel(x, y), colours[(x + y) % 5]) << int(f) << " " << x << "," << y;
    }
    TBitmap m(b);
    m.SetPixelFormat(pf1bit);
    EXPECT_EQ(m.GetPixel(1, 0), clWhite);
    EXPECT_EQ(m.GetPixel(0, 0), clBlack);
    EXPECT_THROW(b.ScanLine(3), EInvalidGraphicOperation);
    EXPECT_THROW(b.SetSize(70000, 1), EInvalidGraphic);
    EXPECT_THROW(b.SetSize(10000, 10000), EInvalidGraphic);

    // Transparent pixels lose their alpha when drawn.
    b.SetTransparent(true);
    b.TransparentColor = clWhite;
    const QImage img = b.ToImage();
    EXPECT_EQ(qAlpha(img.pixel(1, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 255);
}

} // namespace
