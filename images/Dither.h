#pragma once
// Dithering engines: each maps the pixels of a true-colour row, one at a time, to palette
// indexes through a colour lookup, spreading the colour error over pixels not yet processed.
// Rows run left to right, then right to left, and so on; the caller takes the pixel at Column,
// calls Dither, stores the index at that column, repeats while 0 <= Column < Width, then
// calls NextLine.
#include "images/DIB.h"

class TDitherEngine {
public:
    TDitherEngine(int Width, TColorLookup &Lookup) : FLookup(&Lookup), FWidth(Width) {}
    virtual ~TDitherEngine() = default;
    // Nearest colour (no diffusion).
    virtual uint8_t Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B);
    virtual void NextLine();
    // Steps over a pixel that is not mapped (no lookup, no error spread).
    virtual void Skip() { NextColumn(); }
    int Column() const { return FColumn; }
    int Direction() const { return FDirection; }
    int Width() const { return FWidth; }

protected:
    void NextColumn() { FColumn += FDirection; }
    TColorLookup *FLookup;
    int FWidth;
    int FDirection = 1;
    int FColumn = 0;
};

class TFloydSteinbergDitherer : public TDitherEngine {
public:
    TFloydSteinbergDitherer(int Width, TColorLookup &Lookup);
    uint8_t Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
    void NextLine() override;
    void Skip() override
    {
        NextColumn();
        FPos += FDirection;
    }

private:
    std::vector<int32_t> FErrors[3]; // Width + 2 cells a channel
    int FPos = 0;
    int32_t FCurrent[3]{}, FBelow[3]{}, FBelowPrev[3]{};
};

// Engines with an error matrix over up to four rows: Stucki, Sierra, Jarvis-Judice-Ninke,
// Burkes and Stevenson-Arce.
struct TDitherMatrixEntry {
    int Row; // 0 the current row, 1 the next, ...
    int Offset; // pixels along the scan direction
    int Weight;
};

class TMatrixDitherer : public TDitherEngine {
public:
    TMatrixDitherer(int Width, TColorLookup &Lookup, int Rows, int Margin, int Divisor,
                    std::vector<TDitherMatrixEntry> Matrix);
    uint8_t Dither(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t &R, uint8_t &G, uint8_t &B) override;
    void NextLine() override;
    void Skip() override
    {
        NextColumn();
        FPos += FDirection;
    }
    int Divisor() const { return FDivisor; }

private:
    int FRows, FMargin, FDivisor;
    std::vector<TDitherMatrixEntry> FMatrix;
    std::vector<std::vector<int32_t>> FErrors[3]; // [channel][row][cell]
    int FPos = 0;
};

class TStuckiDitherer : public TMatrixDitherer {
public:
    TStuckiDitherer(int Width, TColorLookup &Lookup);
};
class TSierraDitherer : public TMatrixDitherer {
public:
    TSierraDitherer(int Width, TColorLookup &Lookup);
};
class TJaJuNiDitherer : public TMatrixDitherer {
public:
    TJaJuNiDitherer(int Width, TColorLookup &Lookup);
};
class TBurkesDitherer : public TMatrixDitherer {
public:
    TBurkesDitherer(int Width, TColorLookup &Lookup);
};
class TSteveArcheDitherer : public TMatrixDitherer {
public:
    TSteveArcheDitherer(int Width, TColorLookup &Lookup);
};

// The engine of a dither mode: 0 nearest colour, 1 Floyd-Steinberg, 2 Stucki, 3 Sierra,
// 4 Jarvis-Judice-Ninke, 5 Stevenson-Arce, 6 Burkes; nullptr for any other mode.
std::unique_ptr<TDitherEngine> CreateDitherEngine(int Mode, int Width, TColorLookup &Lookup);
