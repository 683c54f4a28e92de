#pragma once
// The colours of the three web colour pickers: the 216 web-safe colours, the 140 named web
// colours and the 16 standard colours, the grids they are drawn in and the hit test that maps
// a point of a grid back to its colour. No widget here: the picker windows (ColorPickers.h)
// draw these grids and ask these hit tests.
#include "platform/Graphics.h"
#include "platform/Types.h"
#include <optional>

class QImage;

// A named colour as the pickers list it: its name and its stored value "$RRGGBB".
struct TNamedWebColor {
    const char16_t *Name;
    const char *Value;
};

// The 140 named colours in their order, and the 16 standard colours (names in lower case).
extern const TNamedWebColor WebNamedColors[140];
extern const TNamedWebColor Std16Colors[16];
// Whether a swatch's name is written in white (on a dark colour) rather than black.
bool WebNameIsWhiteText(int Index);
bool Std16IsWhiteText(int Index);

// "#RRGGBB" (upper-case hexadecimal) of a colour value 0x00BBGGRR, and back; an unreadable
// text gives nothing.
WideString ColorToWebText(TColor Color);
std::optional<TColor> WebTextToColor(const WideString &Text);
// The colour value of a stored "$RRGGBB".
TColor StoredValueToColor(const char *Value);

// The three grids.
enum class TWebGrid { WebSafe, WebNames, Std16 };

// What a point of a grid picks: the swatch's index, its colour and its text ("#RRGGBB"), and
// its name for the named grids (empty for the web-safe one).
struct TWebPick {
    int Index = 0;
    TColor Color = 0;
    WideString Text;
    WideString Name;
};

struct TWebGridLayout {
    int Width, Height; // of the grid's bitmap
    int Count; // swatches
    int Rows; // swatches per column (the index runs down a column first)
    int CellWidth, CellHeight;
};
const TWebGridLayout &GridLayout(TWebGrid Grid);

// The swatch at a point of the grid's bitmap. Points outside the bitmap (the mouse dragged
// off it) pick nothing; inside it, column and row are each kept within the grid, so the
// margins right of and below the last swatches belong to them rather than to the next row.
std::optional<TWebPick> GridColorAt(TWebGrid Grid, int X, int Y);
// The swatch with index I, with the rectangle it is drawn in (right and bottom exclusive).
TWebPick GridSwatch(TWebGrid Grid, int I);
void GridSwatchRect(TWebGrid Grid, int I, int &Left, int &Top, int &Right, int &Bottom);

// The grid drawn into a bitmap: white, then every swatch in its colour, the named grids with
// their names clipped to the swatch in black or white.
QImage RenderWebGrid(TWebGrid Grid);
