#pragma once
// Reducing a true-colour bitmap to an 8-bit palette bitmap: a palette made by one of the
// reduction methods (fixed palettes, an octree-quantised palette of the picture, or one given),
// and every pixel mapped onto it by a dithering engine.
#include "images/Bitmap.h"
#include "images/DIB.h"

// An octree colour quantiser: colours are added into a tree of depth ColorBits; while there are
// more leaves than MaxColors the deepest reducible node is merged.
class TColorQuantizer {
public:
    TColorQuantizer(int MaxColors, int ColorBits);
    ~TColorQuantizer();
    TColorQuantizer(const TColorQuantizer &) = delete;
    TColorQuantizer &operator=(const TColorQuantizer &) = delete;
    // Every pixel of a 24-bit bitmap.
    bool ProcessImage(TBitmap &Bitmap);
    void AddColor(uint8_t R, uint8_t G, uint8_t B);
    // One entry per leaf, depth first.
    TPalette GetColorTable() const;
    int LeafCount() const { return FLeafCount; }

private:
    struct TNode;
    void ReduceTree();
    TNode *FTree = nullptr;
    int FLeafCount = 0;
    TNode *FReducible[9] = {};
    int FMaxColors;
    int FColorBits;
};

// Colours entries from the picture (Windows: 236 of them between the 20 static colours).
TPalette CreateOptimizedPaletteForBitmap(TBitmap &Bitmap, int Colors, int ColorBits, bool Windows);
TPalette CreateGrayScalePalette();
TPalette CreateGray4Palette();
TPalette CreateMonochromePalette();
// The 20 static system colours (entries 0..9 and 10..19 of the stock palette).
TPalette DefaultSystemPalette();
// The halftone palette of a palette display: here the 6x6x6 cube, greys and the static colours.
TPalette CreateHalftonePalette();

// Reduction 0 copies as 24 bits; 1 system colours, 2 halftone, 3 four greys, 4 black and white,
// 5 256 greys, 6 web-safe, 7 optimised with 2^ReductionBits colours (bits clamped to 1..8), 8
// optimised 236 plus the system colours, 9 the given palette. DitherMode: 0 nearest, 1 Floyd-
// Steinberg, 2 Stucki, 3 Sierra, 4 Jarvis-Judice-Ninke, 5 Stevenson-Arce, 6 Burkes. An unknown
// reduction, mode or an empty palette gives an empty bitmap.
TBitmap ReduceColors(const TBitmap &Bitmap, int Reduction, int DitherMode, const TPalette &Palette, int ReductionBits);
