#include "images/ColorReduction.h"

#include "images/Dither.h"

#include <algorithm>

struct TColorQuantizer::TNode {
    bool IsLeaf = false;
    int64_t PixelCount = 0, RedSum = 0, GreenSum = 0, BlueSum = 0;
    TNode *Children[8] = {};
    TNode *Next = nullptr;
};

TColorQuantizer::TColorQuantizer(int MaxColors, int ColorBits)
    : FMaxColors(std::max(MaxColors, 1)), FColorBits(std::clamp(ColorBits, 1, 8))
{
}

TColorQuantizer::~TColorQuantizer()
{
    // Depth first with an explicit stack.
    std::vector<TNode *> stack;
    if (FTree)
        stack.push_back(FTree);
    while (!stack.empty()) {
        TNode *n = stack.back();
        stack.pop_back();
        for (TNode *c : n->Children)
            if (c)
                stack.push_back(c);
        delete n;
    }
}

void TColorQuantizer::AddColor(uint8_t R, uint8_t G, uint8_t B)
{
    TNode **ref = &FTree;
    for (int level = 0;; ++level) {
        if (!*ref) {
            auto *n = new TNode;
            n->IsLeaf = level == FColorBits;
            if (n->IsLeaf) {
                ++FLeafCount;
            } else {
                n->Next = FReducible[level];
                FReducible[level] = n;
            }
            *ref = n;
        }
        TNode *n = *ref;
        if (n->IsLeaf) {
            ++n->PixelCount;
            n->RedSum += R;
            n->GreenSum += G;
            n->BlueSum += B;
            return;
        }
        const int shift = 7 - level;
        const int mask = 0x80 >> level;
        const int index = (((R & mask) >> shift) << 2) | (((G & mask) >> shift) << 1) | ((B & mask) >> shift);
        ref = &n->Children[index];
    }
}

void TColorQuantizer::ReduceTree()
{
    int level = FColorBits - 1;
    while (level > 0 && !FReducible[level])
        --level;
    TNode *n = FReducible[level];
    if (!n)
        return;
    FReducible[level] = n->Next;
    int children = 0;
    for (TNode *&c : n->Children)
        if (c) {
            n->RedSum += c->RedSum;
            n->GreenSum += c->GreenSum;
            n->BlueSum += c->BlueSum;
            n->PixelCount += c->PixelCount;
            // A child is a leaf here: the deepest reducible level is merged first.
            std::vector<TNode *> stack = {c};
            while (!stack.empty()) {
                TNode *d = stack.back();
                stack.pop_back();
                for (TNode *g : d->Children)
                    if (g)
                        stack.push_back(g);
                delete d;
            }
            c = nullptr;
            ++children;
        }
    n->IsLeaf = true;
    FLeafCount -= children - 1;
}

bool TColorQuantizer::ProcessImage(TBitmap &Bitmap)
{
    TDIBReader reader(Bitmap, pf24bit);
    for (int y = 0; y < Bitmap.GetHeight(); ++y) {
        const uint8_t *row = reader.ScanLine(y);
        for (int x = 0; x < Bitmap.GetWidth(); ++x) {
            AddColor(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
            while (FLeafCount > FMaxColors)
                ReduceTree();
        }
    }
    return true;
}

TPalette TColorQuantizer::GetColorTable() const
{
    TPalette table;
    std::vector<const TNode *> stack;
    if (FTree)
        stack.push_back(FTree);
    while (!stack.empty()) {
        const TNode *n = stack.back();
        stack.pop_back();
        if (n->IsLeaf) {
            if (n->PixelCount == 0)
                table.push_back({0, 0, 0, 0});
            else
                table.push_back({uint8_t(n->RedSum / n->PixelCount), uint8_t(n->GreenSum / n->PixelCount),
                                 uint8_t(n->BlueSum / n->PixelCount), 0});
            continue;
        }
        for (int i = 7; i >= 0; --i)
            if (n->Children[i])
                stack.push_back(n->Children[i]);
    }
    return table;
}

TPalette DefaultSystemPalette()
{
    static const uint8_t c[20][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                                     {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                                     {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                                     {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                                     {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    TPalette p;
    for (const auto &e : c)
        p.push_back({e[0], e[1], e[2], 0});
    return p;
}

TPalette CreateGrayScalePalette()
{
    TPalette p;
    for (int i = 0; i < 256; ++i)
        p.push_back({uint8_t(i), uint8_t(i), uint8_t(i), PC_NOCOLLAPSE});
    return p;
}

TPalette CreateGray4Palette()
{
    TPalette p;
    for (int v : {0, 128, 192, 255})
        p.push_back({uint8_t(v), uint8_t(v), uint8_t(v), PC_NOCOLLAPSE});
    return p;
}

TPalette CreateMonochromePalette()
{
    return {{0, 0, 0, PC_NOCOLLAPSE}, {255, 255, 255, PC_NOCOLLAPSE}};
}

TPalette CreateHalftonePalette()
{
    TPalette sys = DefaultSystemPalette();
    TPalette p(sys.begin(), sys.begin() + 10);
    for (const TPaletteEntry &e : CreateSafePalette())
        p.push_back(e);
    for (int i = 1; i <= 20; ++i) {
        const uint8_t v = uint8_t(i * 255 / 21);
        p.push_back({v, v, v, 0});
    }
    p.insert(p.end(), sys.begin() + 10, sys.end());
    return p;
}

TPalette CreateOptimizedPaletteForBitmap(TBitmap &Bitmap, int Colors, int ColorBits, bool Windows)
{
    TPalette result;
    int start = 0;
    if (Windows) {
        const TPalette sys = DefaultSystemPalette();
        result.assign(256, TPaletteEntry{0, 0, 0, 0});
        for (int i = 0; i < 10; ++i) {
            result[size_t(i)] = sys[size_t(i)];
            result[size_t(246 + i)] = sys[size_t(10 + i)];
        }
        Colors = 236;
        start = 10;
    } else {
        result.assign(size_t(std::clamp(Colors, 1, 256)), TPaletteEntry{0, 0, 0, 0});
    }
    TColorQuantizer q(Colors, ColorBits);
    q.ProcessImage(Bitmap);
    const TPalette table = q.GetColorTable();
    for (int i = 0; i < Colors && i < int(table.size()); ++i)
        result[size_t(start + i)] = table[size_t(i)];
    return result;
}

TBitmap ReduceColors(const TBitmap &Bitmap, int Reduction, int DitherMode, const TPalette &Palette, int ReductionBits)
{
    TBitmap result;
    if (Reduction == 0) {
        result = Bitmap;
        result.SetPixelFormat(pf24bit);
        return result;
    }
    TBitmap source(Bitmap);
    source.OnChange = nullptr;
    source.SetPixelFormat(pf24bit);
    TPalette palette;
    std::unique_ptr<TColorLookup> lookup;
    switch (Reduction) {
    case 1: palette = DefaultSystemPalette(); break;
    case 2: palette = CreateHalftonePalette(); break;
    case 3: palette = CreateGray4Palette(); break;
    case 4:
        palette = CreateMonochromePalette();
        lookup = std::make_unique<TMonochromeLookup>(palette);
        break;
    case 5:
        palette = CreateGrayScalePalette();
        lookup = std::make_unique<TGrayScaleLookup>(palette);
        break;
    case 6:
        palette = CreateSafePalette();
        lookup = std::make_unique<TNetscapeColorLookup>(palette);
        break;
    case 7: palette = CreateOptimizedPaletteForBitmap(source, 1 << std::clamp(ReductionBits, 1, 8), 8, false); break;
    case 8: palette = CreateOptimizedPaletteForBitmap(source, 256, 8, true); break;
    case 9: palette = Palette; break;
    default: return result;
    }
    if (!lookup)
        lookup = std::make_unique<TFastColorLookup>(palette);
    if (lookup->Colors == 0)
        return result;
    std::unique_ptr<TDitherEngine> engine = CreateDitherEngine(DitherMode, source.GetWidth(), *lookup);
    if (!engine)
        return result;
    {
        TDIBWriter writer(result, pf8bit, source.GetWidth(), source.GetHeight(), palette);
        for (int y = 0; y < source.GetHeight(); ++y) {
            const uint8_t *src = source.ScanLine(y);
            uint8_t *dest = writer.ScanLine(y);
            while (engine->Column() >= 0 && engine->Column() < source.GetWidth()) {
                const int x = engine->Column();
                uint8_t r, g, b;
                dest[x] = engine->Dither(src[x * 3 + 2], src[x * 3 + 1], src[x * 3], r, g, b);
            }
            engine->NextLine();
        }
    }
    return result;
}
