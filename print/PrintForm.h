#pragma once
// The print options dialog "Print, preview and options": orientation, margins, font, line
// numbering and word wrap. It closes with 1 (Print), 4 (Preview) or 2 (Cancel).
#include "print/ZvGraphics.h"
#include <QDialog>
#include <QFontDialog>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QFrame;

class TfrmPrint : public QDialog {
public:
    explicit TfrmPrint(QWidget *Parent = nullptr);
    ~TfrmPrint() override;

    QLabel *Label1 = nullptr;
    QLabel *LabelFileName = nullptr;
    QGroupBox *RadioGroupOrientation = nullptr;
    QRadioButton *RadioPortrait = nullptr;
    QRadioButton *RadioLandscape = nullptr;
    QFrame *Shape1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLineEdit *EditTop = nullptr, *EditBottom = nullptr, *EditLeft = nullptr, *EditRight = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLabel *LabelFontName = nullptr, *LabelFontSize = nullptr;
    QPushButton *ButtonFont = nullptr;
    QCheckBox *CheckBoxMonospace = nullptr;
    QCheckBox *CheckBoxLineNos = nullptr;
    QCheckBox *CheckBoxWordWrap = nullptr;
    QPushButton *SelectPrt = nullptr;
    QPushButton *BitBtn2 = nullptr; // Print
    QPushButton *ButtonPreview = nullptr;
    QPushButton *BitBtn1 = nullptr; // Cancel

    // The font dialog's font and options.
    TFont &FontDialogFont() { return FDialogFont; }
    QFontDialog::FontDialogOptions FontDialogOptions() const { return FFontOptions; }
    int OrientationIndex() const;
    void SetOrientationIndex(int Index);

    // Runs the font dialog (a hook tests replace: it gets the font and options and returns the
    // chosen font, or false for Cancel).
    std::function<bool(const QFont &Initial, QFontDialog::FontDialogOptions Options, QFont &Chosen)> RunFontDialog;
    // Runs the printer dialog.
    std::function<void()> RunPrinterDialog;

    void FormCreate();
    void ButtonFontClick();
    void CheckBoxMonospaceClick();
    void RadioGroupOrientationClick();
    void SelectPrtClick();

private:
    void ShowFontLabels();
    TFont FDialogFont;
    std::unique_ptr<TFont> FFont; // mirrors the last chosen font for the labels
    QFontDialog::FontDialogOptions FFontOptions;
    QButtonGroup *FOrientationButtons = nullptr;
    QWidget *FShapeFrame = nullptr; // holds Shape1
};
