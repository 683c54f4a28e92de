#pragma once
// Printing an editor's text: the print options dialog, then the text laid out on a preview's
// pages and either printed or previewed (after a preview the dialog comes back).
#include "platform/Types.h"
#include <QWidget>
#include <functional>
#include <memory>

class QDialog;
class QPrinter;
class TfrmPrint;
class TZvPreview;

struct TPrintDocument {
    WideString Caption; // the tab's caption ("*" marks unsaved changes)
    WideString MainCaption; // the main window's caption, printed in the footer
    int LineCount = 0;
    std::function<WideString(int Index)> Line;
};

class TPrintAction {
public:
    // Owner: the window the dialogs belong to. Printer: the device (not owned); null uses the
    // program's printer.
    explicit TPrintAction(QWidget *Owner = nullptr, QPrinter *Printer = nullptr);
    ~TPrintAction();

    // The print options dialog, made once and kept with its settings between runs.
    TfrmPrint &PrintDialog();
    void Execute(const TPrintDocument &Document);
    // Lays the document out on the preview with the dialog's settings; false (after telling the
    // user why) when the text cannot be laid out.
    bool FillPreview(TZvPreview &Preview, const TPrintDocument &Document);

    // Shows a dialog modally and returns its result; tests replace it.
    std::function<int(QDialog &Dialog)> RunModal;

private:
    QWidget *FOwner;
    QPrinter *FPrinter;
    std::unique_ptr<TfrmPrint> FPrintDialog;
};

// The tab caption without a trailing "*".
WideString PrintName(const WideString &Caption);
