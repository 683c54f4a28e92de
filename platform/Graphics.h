#pragma once
// Colour values as the program stores them: 0x00BBGGRR, red in the low byte, or a system
// colour with the top bit set whose low byte names the system colour. They stay integers in
// logic code and become QColor only where a widget draws.
#include <cstdint>

class QColor;
class QPalette;

using TColor = uint32_t;

constexpr TColor clSystemColor = 0x80000000u;
constexpr TColor clBtnFace = 0x8000000Fu;
constexpr TColor clBtnShadow = 0x80000010u;
constexpr TColor clHighlight = 0x8000000Du;
constexpr TColor clHighlightText = 0x8000000Eu;
constexpr TColor clWindow = 0x80000005u;
constexpr TColor clWindowText = 0x80000008u;
constexpr TColor cl3DLight = 0x80000016u;
constexpr TColor clBlack = 0x000000u;
constexpr TColor clWhite = 0xFFFFFFu;

// The border a control draws around itself.
enum TBorderStyle : uint8_t { bsNone, bsSingle };

constexpr TColor RGBToColor(uint8_t R, uint8_t G, uint8_t B)
{
    return TColor(R) | (TColor(G) << 8) | (TColor(B) << 16);
}

constexpr bool IsSystemColor(TColor C)
{
    return (C & clSystemColor) != 0;
}

// Plain colours map directly; system colours map to the matching role of the palette
// (window, text, highlight, button face, ...); an unknown system colour is black.
QColor ColorToQColor(TColor C, const QPalette &Palette);
// The plain 0x00BBGGRR value of a QColor (alpha dropped).
TColor QColorToColor(const QColor &C);
