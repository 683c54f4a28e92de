#pragma once
// The drop-down palette of the colour button: a 4 x 5 grid of colours, an "other" cell and an
// "&Other" button that opens the colour dialog with the button's 16 custom colours. Also the
// two-dimensional colour array behind the palette and the custom colours, and the pure rules
// of the palette (cells, keys, placement, hint text, the stored custom-colours text), which
// are tested without a window.
#include "platform/Exception.h"
#include "platform/Graphics.h"
#include "platform/Types.h"
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class QPushButton;

QUILLMAR_EXCEPTION(EColorArrayIndexError, Exception);

// Colours in XSize columns and YSize rows, element (X, Y) from (1, 1); element (X, Y) is the
// linear element (Y - 1) * XSize + X. A new size starts with every element 0.
class TColorArrayClass {
public:
    TColorArrayClass(int XSize, int YSize);
    int XSize() const { return FXSize; }
    int YSize() const { return FYSize; }
    int Count() const { return FXSize * FYSize; }
    void SetXSize(int Value);
    void SetYSize(int Value);
    // Raise EColorArrayIndexError "Array index out of bounds" outside the array.
    TColor Cell(int X, int Y) const;
    void SetCell(int X, int Y, TColor Value);
    TColor CellByIndex(int I) const;
    void SetCellByIndex(int I, TColor Value);
    void Assign(const TColorArrayClass &Source);
    bool IsEqual(const TColorArrayClass *Other) const;

private:
    size_t Offset(int X, int Y) const;
    int FXSize, FYSize;
    std::vector<TColor> FColors;
};

// The palette's 20 default colours (4 x 5).
void FillDefaultPalette(TColorArrayClass &Palette);

// A palette cell: (1..4, 1..5) a palette colour, (any X, 0) the other cell, (-1, -1) none.
struct TPaletteCell {
    int X = -1, Y = -1;
    bool operator==(const TPaletteCell &) const = default;
};
bool IsValidCell(TPaletteCell Cell);

constexpr int PaletteClientWidth = 72;
constexpr int PaletteClientHeight = 121;
constexpr int PaletteCellSize = 18;
constexpr int PaletteOtherTop = 98; // top of the "&Other" button

// The cell's square (the other cell beside the "&Other" button).
QRect PaletteCellRect(TPaletteCell Cell);
// The cell at a client point, none outside every cell.
TPaletteCell PaletteCellAt(QPoint P);
// The arrow keys move the mark: Left and Right wrap within the row (not on the other cell);
// Up and Down wrap through the rows and the other cell (row 0). No mark yet: any key gives (1, 1).
TPaletteCell PaletteKeyMove(TPaletteCell Cell, int QtKey);
// Where the palette drops: below the button (Below, the button's bottom-left on screen), or,
// when it would reach past the bottom of the work area, at Above; its left edge kept inside
// the work area (78 pixels left of the right edge when it would reach past it).
QPoint PalettePlacement(QPoint Below, QPoint Above, QSize Size, const QRect &WorkArea);
// "RGB = %.3d %.3d %.3d" of a colour (system colours resolved by the palette).
WideString PaletteHintText(TColor RGB);
// The 16 custom colours as stored: "$" and eight hexadecimal digits each, by X then Y,
// joined by ","; and read back from such a text (split on its commas; a missing or unreadable
// entry is white).
AnsiString CustomColorsText(const TColorArrayClass &Custom);
void ReadCustomColorsText(const AnsiString &Text, TColorArrayClass &Custom);

class TRUVColorButtonPalette : public QWidget {
public:
    explicit TRUVColorButtonPalette(QWidget *Owner);
    ~TRUVColorButtonPalette() override;

    TColorArrayClass &PaletteColors() { return FPalette; }
    TColorArrayClass &CustomColors() { return FCustom; }
    TColor OtherColor() const { return FOtherColor; }
    void SetOtherColor(TColor Value)
    {
        FOtherColor = Value;
        update();
    }
    bool ShowHints() const { return FShowHints; }
    void SetShowHints(bool Value) { FShowHints = Value; }
    QPushButton *btnOther = nullptr;
    TPaletteCell CurrentCell() const { return FCurrent; }
    // Marks the cell holding V, or makes V the other cell's colour when none does.
    void SetSelectedColor(TColor V);
    void SelectCell(TPaletteCell P);
    TColor CellColor(TPaletteCell P) const;
    bool ClosedByKey() const { return FClosedByKey; }
    // The hint for a cell: PaletteHintText, then OnGetColorHintText may change it.
    WideString GetHintText(TColor Colour, int X, int Y);

    std::function<void(TRUVColorButtonPalette *, bool IsOther, TColor)> OnColorSelected;
    std::function<void(TRUVColorButtonPalette *)> OnPaletteClose;
    std::function<void(QObject *, TColor, int X, int Y, WideString &)> OnGetColorHintText;
    // Runs the colour dialog for "&Other" with the colour and the custom colours; true on OK.
    // Without it the platform's colour dialog runs.
    std::function<bool(TColor &, TColorArrayClass &)> OnRunColorDialog;

    void OtherClick();

protected:
    void paintEvent(QPaintEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void closeEvent(QCloseEvent *Event) override;
    bool event(QEvent *Event) override;

private:
    void DrawCell(QPainter &Painter, TPaletteCell Cell, bool Selected);
    void Choose(TPaletteCell Cell);

    TColorArrayClass FPalette{4, 5};
    TColorArrayClass FCustom{8, 2};
    bool FClosedByKey = false;
    bool FShowHints = true;
    bool FOtherDialogOpen = false;
    bool FClosing = false;
    TColor FOtherColor = clBtnFace;
    TPaletteCell FCurrent;
    QPoint FMouse{-1, -1};
};
