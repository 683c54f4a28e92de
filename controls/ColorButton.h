#pragma once
// A push button showing a colour swatch and a drop-down arrow. A click on the arrow (or
// anywhere, unless CycleColors is set) drops down the palette (ColorButtonPalette.h); with
// CycleColors a click left of the arrow steps to the next palette colour. The options dialog
// carries one per editor colour.
#include "controls/ColorButtonPalette.h"
#include <QPointer>
#include <QPushButton>
#include <functional>

class TruvColorButton : public QPushButton {
public:
    explicit TruvColorButton(QWidget *Parent = nullptr);
    ~TruvColorButton() override;

    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value);
    // 0: Color is not in the palette; else its linear position 1..20.
    int GetColorIndex() const { return FColorIndex; }
    void SetColorIndex(int I);
    TColorArrayClass &PaletteColors() { return FPaletteColors; }
    void SetPaletteColors(const TColorArrayClass &Value) { FPaletteColors.Assign(Value); }
    TColorArrayClass &CustomColors() { return FCustomColors; }
    void SetCustomColors(const TColorArrayClass &Value) { FCustomColors.Assign(Value); }
    TColor GetOtherColor() const { return FOtherColor; }
    void SetOtherColor(TColor Value) { FOtherColor = Value; }
    WideString GetOtherBtnCaption() const { return FOtherBtnCaption; }
    void SetOtherBtnCaption(const WideString &Value) { FOtherBtnCaption = Value; }
    bool GetCycleColors() const { return FCycleColors; }
    void SetCycleColors(bool Value) { FCycleColors = Value; }
    bool GetShowColorHints() const { return FShowColorHints; }
    void SetShowColorHints(bool Value) { FShowColorHints = Value; }
    bool GetFlat() const { return FFlat; }
    void SetFlat(bool Value);
    // Where the custom colours are kept between runs; empty keeps them nowhere.
    WideString GetCustomColorsKey() const { return FCustomColorsKey; }
    void SetCustomColorsKey(const WideString &Value) { FCustomColorsKey = Value; }
    static WideString GetVersion() { return u"TruvColorButton v2.60"; }

    // The default palette, white custom colours, OtherColor the button face.
    virtual void InitColors();
    // The name the custom colours are stored under: the parent's name, ".", the button's.
    virtual WideString GetColorsValueName() const;
    virtual void SaveCustomColors();
    virtual void LoadCustomColors();
    virtual void ColorChanged();

    bool IsDroppedDown() const { return FPalette != nullptr; }
    TRUVColorButtonPalette *Palette() const { return FPalette; }
    // The button's click: cycles or drops the palette down, by where the mouse was.
    void Click();

    std::function<void(TruvColorButton *)> OnColorChange;
    std::function<void(QObject *, TColor, int X, int Y, WideString &)> OnGetColorHintText;
    // Passed on to each palette (tests run their own colour dialog).
    std::function<bool(TColor &, TColorArrayClass &)> OnRunColorDialog;

protected:
    void paintEvent(QPaintEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void enterEvent(QEnterEvent *Event) override;
    void leaveEvent(QEvent *Event) override;

private:
    void PaletteColorSelected(bool IsOther, TColor Value);
    void PaletteClosed();
    QString StoreFile() const;

    TColor FColor = 0;
    int FColorIndex = 0;
    TColorArrayClass FPaletteColors{4, 5};
    TColorArrayClass FCustomColors{8, 2};
    TColor FOtherColor = clBtnFace;
    WideString FOtherBtnCaption = u"&Other";
    bool FCycleColors = false;
    bool FShowColorHints = true;
    bool FFlat = false;
    WideString FCustomColorsKey;
    WideString FValueName;
    bool FCustomLoaded = false;
    bool FMouseInside = false;
    int FClickX = -1; // where the last click was, in client coordinates
    QPointer<TRUVColorButtonPalette> FPalette;
};
