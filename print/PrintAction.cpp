#include "print/PrintAction.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "platform/SysUtils.h"
#include "print/PreviewForm.h"
#include "print/PrintForm.h"
#include "print/PrintLayout.h"
#include "print/ZvPreview.h"
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>

WideString PrintName(const WideString &Caption)
{
    if (!Caption.empty() && Caption.back() == u'*')
        return Caption.substr(0, Caption.size() - 1);
    return Caption;
}

TPrintAction::TPrintAction(QWidget *Owner, QPrinter *Printer) : FOwner(Owner), FPrinter(Printer)
{
    RunModal = [](QDialog &Dialog) { return Dialog.exec(); };
}

TPrintAction::~TPrintAction() = default;

TfrmPrint &TPrintAction::PrintDialog()
{
    if (!FPrintDialog)
        FPrintDialog = std::make_unique<TfrmPrint>(FOwner);
    return *FPrintDialog;
}

bool TPrintAction::FillPreview(TZvPreview &Preview, const TPrintDocument &Document)
{
    TfrmPrint &dialog = PrintDialog();
    const WideString name = PrintName(Document.Caption);
    Preview.ZvPrinter().Canvas().Font().Assign(dialog.FontDialogFont());
    Preview.Canvas().Font().Assign(dialog.FontDialogFont());
    Preview.Canvas().Units = zvuMillimetres;
    Preview.SetOrientation(dialog.OrientationIndex() == 1 ? zvLandscape : zvPortrait);

    // Margins in the order top, bottom, left, right; the first field that is not a number
    // stops the setting (the rest keep the preview's values) and the run goes on.
    const std::pair<QLineEdit *, TZvValue *> margins[4] = {{dialog.EditTop, &Preview.Margins().Top()},
                                                           {dialog.EditBottom, &Preview.Margins().Bottom()},
                                                           {dialog.EditLeft, &Preview.Margins().Left()},
                                                           {dialog.EditRight, &Preview.Margins().Right()}};
    for (const auto &[edit, value] : margins) {
        int mm = 0;
        if (!TryStrToInt(QStringToAnsi(edit->text()), mm)) {
            MessageDlg(u"Non numeric entry in margin details", TMsgDlgType::mtWarning, mbOK);
            break;
        }
        value->SetAsMillimetres(mm);
    }

    Preview.Header().Captions(0).SetCaption(name);
    Preview.Header().Captions(1).SetCaption(u"{DATE} {TIME}");
    Preview.Header().Captions(2).SetCaption(u"Page {PAGE} of {NUMPAGES}");
    Preview.Footer().Captions(1).SetCaption(Document.MainCaption);
    Preview.Header().SetVisible(true);
    Preview.Footer().SetVisible(true);
    Preview.SetTitle(u"Quillmar - " + name);
    Preview.SetGutter(15);

    TTextLayoutOptions options;
    options.LineNumbers = dialog.CheckBoxLineNos->isChecked();
    options.WordWrap = dialog.CheckBoxWordWrap->isChecked();
    options.FontSize = dialog.FontDialogFont().Size();
    try {
        LayOutText(Preview, Document.LineCount, Document.Line, options);
    } catch (const EPrintLayoutError &e) {
        ShowError(AnsiToWide(e.Message()));
        return false;
    }
    Preview.FirstPage();
    return true;
}

void TPrintAction::Execute(const TPrintDocument &Document)
{
    TfrmPrint &dialog = PrintDialog();
    dialog.LabelFileName->setText(ToQString(PrintName(Document.Caption)));
    for (;;) {
        const int result = RunModal(dialog);
        if (result != 1 && result != 4)
            return;
        // One preview window per pass, gone when the pass ends.
        TfrmPreview window(FOwner, FPrinter);
        if (!FillPreview(*window.PrintPreview, Document))
            continue;
        if (result == 1) {
            if (!window.BeforePrintCheck || window.BeforePrintCheck())
                window.PrintPreview->Print();
            return;
        }
        window.setWindowState(Qt::WindowMaximized);
        RunModal(window);
    }
}
