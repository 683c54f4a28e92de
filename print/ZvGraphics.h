#pragma once
// The font, pen and brush objects the print library keeps its drawing settings in. They are
// plain data with a change event; they become QFont / QPen / QBrush only when something is
// drawn, at the resolution of the surface it is drawn on.
#include "platform/Graphics.h"
#include "platform/Types.h"
#include <QColor>
#include <functional>
#include <qnamespace.h>

class QFont;
class QPen;
class QBrush;

using TZvNotify = std::function<void()>;

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// Ordinals are what the object stream stores.
enum TPenStyle : int32_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode : int32_t {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
enum TBrushStyle : int32_t {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

constexpr TColor zvSilver = 0xC0C0C0u;
constexpr TColor zvGray = 0x808080u;
constexpr TColor zvRed = 0x0000FFu;
constexpr TColor zvYellow = 0x00FFFFu;

// Logical pixels per inch of the screen the library measures text with. Starts as the primary
// screen's logical resolution (96 without a screen) and can be set (the preview's resolution
// messages do).
int ScreenPixelsPerInch();
void SetScreenPixelsPerInch(int PixelsPerInch);

class TFont {
public:
    TFont();
    const WideString &Name() const { return FName; }
    void SetName(const WideString &Name);
    // Points.
    int32_t Size() const { return FSize; }
    void SetSize(int32_t Size);
    // Negative: character height in pixels at PixelsPerInch (a font chosen by its height).
    int32_t Height() const;
    void SetHeight(int32_t Height);
    TColor Color() const { return FColor; }
    void SetColor(TColor Color);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Style);
    bool FixedPitch() const { return FFixedPitch; }
    void SetFixedPitch(bool Fixed) { FFixedPitch = Fixed; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int PixelsPerInch) { FPixelsPerInch = PixelsPerInch > 0 ? PixelsPerInch : 96; }
    void Assign(const TFont &Source);

    // The font at `Resolution` pixels per inch, `Scale` times its size (at least one pixel).
    QFont ToQFont(double Resolution, double Scale = 1.0) const;
    void AssignQFont(const QFont &Font);

    TZvNotify OnChange;

private:
    void Changed();
    WideString FName;
    int32_t FSize = 12;
    TColor FColor = clBlack;
    TFontStyles FStyle = 0;
    bool FFixedPitch = false;
    int FPixelsPerInch;
};

class TPen {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor Color);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Style);
    int32_t Width() const { return FWidth; }
    void SetWidth(int32_t Width);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Mode);
    void Assign(const TPen &Source);
    bool operator==(const TPen &o) const
    {
        return FColor == o.FColor && FStyle == o.FStyle && FWidth == o.FWidth && FMode == o.FMode;
    }

    TZvNotify OnChange;

private:
    void Changed();
    TColor FColor = clBlack;
    TPenStyle FStyle = psSolid;
    int32_t FWidth = 1;
    TPenMode FMode = pmCopy;
};

class TBrush {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor Color);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Style);
    void Assign(const TBrush &Source);

    TZvNotify OnChange;

private:
    void Changed();
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

// Plain colours become their RGB value; system colours take the application palette's role.
QColor ZvColor(TColor Color);
Qt::PenStyle ZvPenStyle(TPenStyle Style);
// A cosmetic pen of `WidthPixels` (0 or 1: one device pixel) or a geometric pen with square
// ends and mitred joins.
QPen ZvPen(TColor Color, TPenStyle Style, double WidthPixels, bool Geometric);
QBrush ZvBrush(TColor Color, TBrushStyle Style);
