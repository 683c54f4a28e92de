#pragma once
// The print preview window: a tool bar (first, previous, next, last page, zoom in and out, fit
// to width, zoom to fit, print, exit), the page label, and the preview control.
#include <QDialog>

class QLabel;
class QPrinter;
class QToolBar;
class QToolButton;
class TZvPreview;

class TfrmPreview : public QDialog {
public:
    // Printer: the device the preview prints on (not owned); null uses the program's printer.
    explicit TfrmPreview(QWidget *Parent = nullptr, QPrinter *Printer = nullptr);
    ~TfrmPreview() override;

    QWidget *ControlBar1 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QLabel *Label1 = nullptr;
    QToolButton *ToolButtonFirst = nullptr, *ToolButtonPrev = nullptr, *ToolButtonNext = nullptr,
                *ToolButtonLast = nullptr, *ToolButtonZoomIn = nullptr, *ToolButtonZoomOut = nullptr,
                *ToolButtonFitWidth = nullptr, *ToolButtonToFit = nullptr, *ToolButtonPrint = nullptr,
                *ToolButtonClose = nullptr;
    TZvPreview *PrintPreview = nullptr;

    void ToolButtonFirstClick();
    void ToolButtonPrevClick();
    void ToolButtonNextClick();
    void ToolButtonLastClick();
    void ToolButtonZoomInClick();
    void ToolButtonZoomOutClick();
    void ToolButtonFitWidthClick();
    void ToolButtonToFitClick();
    void ToolButtonPrintClick();
    void ToolButtonCloseClick();
    void PrintPreviewPageChange(int32_t PageNumber);
    void FormShow();

    // Called before printing from the window; false cancels (the program asks for a PDF file
    // when no printer is set up).
    std::function<bool()> BeforePrintCheck;

protected:
    void showEvent(QShowEvent *Event) override;

private:
    bool FShown = false;
};

// True when there is somewhere to print: a printer, or a PDF file chosen now (asked for when
// no printer is set up and the device has no file yet).
bool EnsurePrintTarget(QWidget *Parent, QPrinter &Device);
