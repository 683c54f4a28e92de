#include "images/Dither.h"

#include <algorithm>

namespace {
uint8_t Clamp(int V)
{
    return uint8_t(std::clamp(V, 0, 255));
}
} // namespace

uint8_t TDitherEngine::Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    const uint8_t index = FLookup->Lookup(Red, Green, Blue, R, G, B);
    NextColumn();
    return index;
}

void TDitherEngine::NextLine()
{
    FDirection = -FDirection;
    FColumn = FDirection == 1 ? 0 : FWidth - 1;
}

// ---- Floyd-Steinberg

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int Width, TColorLookup &Lookup) : TDitherEngine(Width, Lookup)
{
    for (auto &e : FErrors)
        e.assign(size_t(Width) + 2, 0);
}

uint8_t TFloydSteinbergDitherer::Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    const uint8_t in[3] = {Red, Green, Blue};
    uint8_t adjusted[3];
    for (int c = 0; c < 3; ++c) {
        const int32_t s = FErrors[c][size_t(FPos)] + FCurrent[c];
        adjusted[c] = Clamp(in[c] + (s + 8) / 16);
    }
    const uint8_t index = TDitherEngine::Dither(adjusted[0], adjusted[1], adjusted[2], R, G, B);
    const uint8_t chosen[3] = {R, G, B};
    for (int c = 0; c < 3; ++c) {
        const int32_t e = int32_t(adjusted[c]) - chosen[c];
        if (e != 0) {
            FErrors[c][size_t(FPos)] = FBelowPrev[c] + 3 * e;
            FBelowPrev[c] = FBelow[c] + 5 * e;
            FBelow[c] = e;
            FCurrent[c] = 7 * e;
        } else {
            FCurrent[c] = 0;
        }
    }
    FPos += FDirection;
    return index;
}

void TFloydSteinbergDitherer::NextLine()
{
    for (int c = 0; c < 3; ++c) {
        if (FPos >= 0 && FPos < int(FErrors[c].size()))
            FErrors[c][size_t(FPos)] = FBelowPrev[c];
        FCurrent[c] = FBelow[c] = FBelowPrev[c] = 0;
    }
    TDitherEngine::NextLine();
    FPos = FDirection == 1 ? 0 : FWidth + 1;
}

// ---- matrix engines

TMatrixDitherer::TMatrixDitherer(int Width, TColorLookup &Lookup, int Rows, int Margin, int Divisor,
                                 std::vector<TDitherMatrixEntry> Matrix)
    : TDitherEngine(Width, Lookup), FRows(Rows), FMargin(Margin), FDivisor(Divisor), FMatrix(std::move(Matrix))
{
    for (auto &rows : FErrors)
        rows.assign(size_t(Rows), std::vector<int32_t>(size_t(Width + 2 * Margin), 0));
    FPos = Margin;
}

uint8_t TMatrixDitherer::Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B)
{
    const uint8_t in[3] = {Red, Green, Blue};
    uint8_t adjusted[3];
    const int rounding = FDivisor / 2;
    for (int c = 0; c < 3; ++c)
        adjusted[c] = Clamp(in[c] + (FErrors[c][0][size_t(FPos)] + rounding) / FDivisor);
    const uint8_t index = TDitherEngine::Dither(adjusted[0], adjusted[1], adjusted[2], R, G, B);
    const uint8_t chosen[3] = {R, G, B};
    const int dir = -FDirection; // TDitherEngine::Dither already stepped the column
    for (int c = 0; c < 3; ++c) {
        const int32_t e = int32_t(adjusted[c]) - chosen[c];
        if (e == 0)
            continue;
        for (const TDitherMatrixEntry &m : FMatrix)
            FErrors[c][size_t(m.Row)][size_t(FPos + m.Offset * -dir)] += e * m.Weight;
    }
    FPos -= dir;
    return index;
}

void TMatrixDitherer::NextLine()
{
    for (auto &rows : FErrors) {
        std::fill(rows[0].begin(), rows[0].end(), 0);
        std::rotate(rows.begin(), rows.begin() + 1, rows.end());
    }
    TDitherEngine::NextLine();
    FPos = FMargin + (FDirection == 1 ? 0 : FWidth - 1);
}

TStuckiDitherer::TStuckiDitherer(int W, TColorLookup &L)
    : TMatrixDitherer(W, L, 3, 2, 42,
                      {{0, 1, 8},
                       {0, 2, 4},
                       {1, -2, 2},
                       {1, -1, 4},
                       {1, 0, 8},
                       {1, 1, 4},
                       {1, 2, 2},
                       {2, -2, 1},
                       {2, -1, 2},
                       {2, 0, 4},
                       {2, 1, 2},
                       {2, 2, 1}})
{
}

TSierraDitherer::TSierraDitherer(int W, TColorLookup &L)
    : TMatrixDitherer(W, L, 3, 2, 32,
                      {{0, 1, 5},
                       {0, 2, 3},
                       {1, -2, 2},
                       {1, -1, 4},
                       {1, 0, 5},
                       {1, 1, 4},
                       {1, 2, 2},
                       {2, -1, 2},
                       {2, 0, 3},
                       {2, 1, 2}})
{
}

TJaJuNiDitherer::TJaJuNiDitherer(int W, TColorLookup &L)
    : TMatrixDitherer(W, L, 3, 2, 48,
                      {{0, 1, 7},
                       {0, 2, 5},
                       {1, -2, 3},
                       {1, -1, 5},
                       {1, 0, 7},
                       {1, 1, 5},
                       {1, 2, 3},
                       {2, -2, 1},
                       {2, -1, 3},
                       {2, 0, 5},
                       {2, 1, 3},
                       {2, 2, 1}})
{
}

TBurkesDitherer::TBurkesDitherer(int W, TColorLookup &L)
    : TMatrixDitherer(W, L, 2, 2, 32, {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}})
{
}

TSteveArcheDitherer::TSteveArcheDitherer(int W, TColorLookup &L)
    : TMatrixDitherer(W, L, 4, 3, 200,
                      {{0, 2, 32},
                       {1, -3, 12},
                       {1, -1, 26},
                       {1, 1, 30},
                       {1, 3, 16},
                       {2, -2, 12},
                       {2, 0, 26},
                       {2, 2, 12},
                       {3, -3, 5},
                       {3, -1, 12},
                       {3, 1, 12},
                       {3, 3, 5}})
{
}

std::unique_ptr<TDitherEngine> CreateDitherEngine(int Mode, int Width, TColorLookup &Lookup)
{
    switch (Mode) {
    case 0: return std::make_unique<TDitherEngine>(Width, Lookup);
    case 1: return std::make_unique<TFloydSteinbergDitherer>(Width, Lookup);
    case 2: return std::make_unique<TStuckiDitherer>(Width, Lookup);
    case 3: return std::make_unique<TSierraDitherer>(Width, Lookup);
    case 4: return std::make_unique<TJaJuNiDitherer>(Width, Lookup);
    case 5: return std::make_unique<TSteveArcheDitherer>(Width, Lookup);
    case 6: return std::make_unique<TBurkesDitherer>(Width, Lookup);
    default: return nullptr;
    }
}
