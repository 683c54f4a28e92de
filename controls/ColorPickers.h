#pragma once
// The three web colour pickers the HTML colour inserts use: 216 web-safe colours, 140 named
// colours, 16 standard colours. Each component owns its picker window for its whole life, so
// what the user left in it (comparison slots, last pick, Hex or Name) is there again at the
// next Execute. Execute shows the window modally; OK fills ColorText (and for the web-safe
// picker ColorValue) and returns true; Cancel or closing returns false and changes nothing.
#include "controls/WebColors.h"
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QLineEdit;
class QPushButton;
class QRadioButton;

// A plain filled rectangle (the pickers' previews and slots).
class TColorShape : public QFrame {
public:
    explicit TColorShape(QWidget *Parent);
    TColor BrushColor() const { return FColor; }
    void SetBrushColor(TColor Color);

private:
    TColor FColor = clWhite;
};

// The grid bitmap; reports mouse moves and button releases in bitmap coordinates.
class TColorGridImage : public QLabel {
public:
    TColorGridImage(TWebGrid Grid, QWidget *Parent);
    TWebGrid Grid() const { return FGrid; }
    std::function<void(int X, int Y)> OnMove;
    std::function<void(int X, int Y)> OnRelease;

protected:
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;

private:
    TWebGrid FGrid;
};

// What the three windows share: the grid, OK and Cancel, a tool window kept on top.
class TColorPickerForm : public QDialog {
public:
    TColorPickerForm(TWebGrid Grid, const QString &Caption, QSize Client, QWidget *Parent);
    TColorGridImage *Image1 = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    // The hit test of the grid (none outside it).
    virtual std::optional<TWebPick> ColorAt(int X, int Y);

protected:
    virtual void ImageMouseMove(int X, int Y) = 0;
    virtual void ImageMouseUp(int X, int Y) = 0;
};

// "Websafe Colors": a preview of the swatch under the mouse and three comparison slots; a
// click puts the swatch into the slot whose radio button is checked.
class TwebsafeF : public TColorPickerForm {
public:
    explicit TwebsafeF(QWidget *Parent);
    QLabel *Label1 = nullptr; // text of the swatch under the mouse
    TColorShape *Shape4 = nullptr;
    QRadioButton *RadioButton[3] = {};
    TColorShape *Shape[3] = {};
    QLineEdit *Edit[3] = {};
    // The slot whose radio button is checked (0 to 2).
    int CheckedSlot() const;

protected:
    void ImageMouseMove(int X, int Y) override;
    void ImageMouseUp(int X, int Y) override;
};

// "Web Named Colors" and "Standard 16 colors": the swatch under the mouse and the last one
// clicked, each with its "#RRGGBB" and name; the result is either of the two texts.
class TNamedColorsForm : public TColorPickerForm {
public:
    TNamedColorsForm(TWebGrid Grid, QWidget *Parent);
    TColorShape *Shape4 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblWebName = nullptr;
    TColorShape *Shape1 = nullptr;
    QLabel *LabelSel = nullptr;
    QLabel *LabelWN = nullptr;
    QRadioButton *RadioButtonHex = nullptr;
    QRadioButton *RadioButtonName = nullptr;
    std::optional<TWebPick> ColorAt(int X, int Y) override;

protected:
    void ImageMouseMove(int X, int Y) override;
    void ImageMouseUp(int X, int Y) override;
};

class TwebNamesF : public TNamedColorsForm {
public:
    explicit TwebNamesF(QWidget *Parent);
};

class TStd16ColF : public TNamedColorsForm {
public:
    explicit TStd16ColF(QWidget *Parent);
};

class TkivWebSafe {
public:
    explicit TkivWebSafe(QWidget *Owner = nullptr);
    ~TkivWebSafe();
    bool Execute();
    WideString ColorText;
    TColor ColorValue = 0;
    TwebsafeF &Form() { return *FForm; }

private:
    // Owned; the owner widget may have destroyed it first.
    QPointer<TwebsafeF> FForm;
};

class TkivWebNames {
public:
    explicit TkivWebNames(QWidget *Owner = nullptr);
    ~TkivWebNames();
    bool Execute();
    WideString ColorText;
    TwebNamesF &Form() { return *FForm; }

private:
    // Owned; the owner widget may have destroyed it first.
    QPointer<TwebNamesF> FForm;
};

class TkivStd16Col {
public:
    explicit TkivStd16Col(QWidget *Owner = nullptr);
    ~TkivStd16Col();
    bool Execute();
    WideString ColorText;
    TStd16ColF &Form() { return *FForm; }

private:
    // Owned; the owner widget may have destroyed it first.
    QPointer<TStd16ColF> FForm;
};
