#include "print/PreviewForm.h"
#include "platform/GuardedApplication.h"
#include "print/ZvPreview.h"
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TfrmPreview::TfrmPreview(QWidget *Parent, QPrinter *Printer) : QDialog(Parent)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral(" Print Preview"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(603, 533);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ControlBar1 = new QWidget(this);
    auto *bar = new QHBoxLayout(ControlBar1);
    bar->setContentsMargins(2, 0, 2, 0);
    ToolBar1 = new QToolBar(ControlBar1);
    ToolBar1->setIconSize(QSize(16, 16));
    bar->addWidget(ToolBar1);
    Label1 = new QLabel(ControlBar1);
    Label1->setMinimumWidth(120);
    bar->addSpacing(12);
    bar->addWidget(Label1);
    bar->addStretch(1);
    layout->addWidget(ControlBar1);

    auto button = [this](QStyle::StandardPixmap Icon, const QString &Text, const QString &Hint,
                         void (TfrmPreview::*Handler)()) {
        auto *b = new QToolButton(ToolBar1);
        b->setIcon(Icon == QStyle::SP_DialogSaveButton
                       ? QIcon::fromTheme(QStringLiteral("document-print"), style()->standardIcon(Icon))
                       : style()->standardIcon(Icon));
        b->setText(Text);
        b->setToolTip(Hint);
        b->setAutoRaise(true);
        if (Icon == QStyle::SP_CustomBase)
            b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        connect(b, &QToolButton::clicked, this, GuardedSlot([this, Handler] { (this->*Handler)(); }));
        ToolBar1->addWidget(b);
        return b;
    };
    ToolButtonFirst = button(QStyle::SP_MediaSkipBackward, QStringLiteral("First"), QStringLiteral("First page"),
                             &TfrmPreview::ToolButtonFirstClick);
    ToolButtonPrev = button(QStyle::SP_MediaSeekBackward, QStringLiteral("Previous"), QStringLiteral("Previous page"),
                            &TfrmPreview::ToolButtonPrevClick);
    ToolButtonNext = button(QStyle::SP_MediaSeekForward, QStringLiteral("Next"), QStringLiteral("Next page"),
                            &TfrmPreview::ToolButtonNextClick);
    ToolButtonLast = button(QStyle::SP_MediaSkipForward, QStringLiteral("Last"), QStringLiteral("Last page"),
                            &TfrmPreview::ToolButtonLastClick);
    ToolBar1->addSeparator();
    ToolButtonZoomIn = button(QStyle::SP_CustomBase, QStringLiteral("+"), QStringLiteral("Zoom in"),
                              &TfrmPreview::ToolButtonZoomInClick);
    ToolButtonZoomOut = button(QStyle::SP_CustomBase, QStringLiteral("\u2212"), QStringLiteral("Zoom out"),
                               &TfrmPreview::ToolButtonZoomOutClick);
    ToolBar1->addSeparator();
    ToolButtonFitWidth = button(QStyle::SP_CustomBase, QStringLiteral("\u2194"), QStringLiteral("Fit to width"),
                                &TfrmPreview::ToolButtonFitWidthClick);
    ToolButtonToFit = button(QStyle::SP_CustomBase, QStringLiteral("\u25A1"), QStringLiteral("Zoom to fit"),
                             &TfrmPreview::ToolButtonToFitClick);
    ToolBar1->addSeparator();
    ToolButtonPrint = button(QStyle::SP_DialogSaveButton, QStringLiteral("Print"), QStringLiteral("Print"),
                             &TfrmPreview::ToolButtonPrintClick);
    ToolBar1->addSeparator();
    ToolButtonClose = button(QStyle::SP_DialogCloseButton, QStringLiteral("Exit"), QStringLiteral("Exit preview"),
                             &TfrmPreview::ToolButtonCloseClick);

    PrintPreview = new TZvPreview(this, Printer);
    layout->addWidget(PrintPreview, 1);
    PrintPreview->setFrameShape(QFrame::Box);
    PrintPreview->SetCoordsRelativeTo(fromPage);
    PrintPreview->SetGutter(15);
    PrintPreview->SetZoom(40);
    PrintPreview->SetPrintCopies(1);
    PrintPreview->SetTitle(u"<document>");
    PrintPreview->Margins().Pen().SetColor(zvSilver);
    PrintPreview->Margins().Pen().SetStyle(psDot);
    PrintPreview->Margins().PrinterMarginPen().SetColor(zvSilver);
    PrintPreview->Margins().PrinterMarginPen().SetStyle(psDot);
    for (TZvHeaderFooter *hf : {&PrintPreview->Header(), &PrintPreview->Footer()})
        for (int i = 0; i < 3; ++i) {
            hf->Captions(i).Font().SetName(u"Arial");
            hf->Captions(i).Font().SetPixelsPerInch(ScreenPixelsPerInch());
            hf->Captions(i).Font().SetHeight(-16);
        }
    PrintPreview->OnPageChange = [this](int32_t Page) { PrintPreviewPageChange(Page); };
    PrintPreview->OnPageMouseDown = [this](Qt::MouseButton Button, Qt::KeyboardModifiers, TZvValue &, TZvValue &) {
        if (Button == Qt::LeftButton)
            ToolButtonZoomInClick();
        else if (Button == Qt::RightButton)
            ToolButtonZoomOutClick();
    };
    BeforePrintCheck = [this] { return EnsurePrintTarget(this, PrintPreview->ZvPrinter().Device()); };
}

TfrmPreview::~TfrmPreview() = default;

void TfrmPreview::ToolButtonFirstClick()
{
    PrintPreview->FirstPage();
}

void TfrmPreview::ToolButtonPrevClick()
{
    if (PrintPreview->CurrentPage() > 1)
        PrintPreview->PrevPage();
}

void TfrmPreview::ToolButtonNextClick()
{
    if (PrintPreview->CurrentPage() < PrintPreview->PageCount())
        PrintPreview->NextPage();
}

void TfrmPreview::ToolButtonLastClick()
{
    PrintPreview->LastPage();
}
void TfrmPreview::ToolButtonZoomInClick()
{
    PrintPreview->ZoomIn();
}
void TfrmPreview::ToolButtonZoomOutClick()
{
    PrintPreview->ZoomOut();
}
void TfrmPreview::ToolButtonFitWidthClick()
{
    PrintPreview->FitWidth();
}
void TfrmPreview::ToolButtonToFitClick()
{
    PrintPreview->ZoomToFit();
}

void TfrmPreview::ToolButtonPrintClick()
{
    if (BeforePrintCheck && !BeforePrintCheck())
        return;
    PrintPreview->Print();
}

void TfrmPreview::ToolButtonCloseClick()
{
    close();
}

void TfrmPreview::PrintPreviewPageChange(int32_t)
{
    const int32_t current = PrintPreview->CurrentPage(), count = PrintPreview->PageCount();
    QToolButton *nav[4] = {ToolButtonFirst, ToolButtonPrev, ToolButtonNext, ToolButtonLast};
    if (current != 0) {
        Label1->setText(QStringLiteral("Page %1 of %2").arg(current).arg(count));
        for (QToolButton *b : nav)
            b->setEnabled(count > 1);
        if (count > 1) {
            if (current == 1) {
                ToolButtonFirst->setEnabled(false);
                ToolButtonPrev->setEnabled(false);
            }
            if (current == count) {
                ToolButtonNext->setEnabled(false);
                ToolButtonLast->setEnabled(false);
            }
        }
    } else {
        Label1->setText(QStringLiteral("Empty"));
        for (QToolButton *b : nav)
            b->setEnabled(false);
    }
}

void TfrmPreview::FormShow()
{
    PrintPreview->ZoomToFit();
    PrintPreviewPageChange(1);
}

void TfrmPreview::showEvent(QShowEvent *Event)
{
    RunGuarded([&] {
        QDialog::showEvent(Event);
        if (!FShown) {
            FShown = true;
            FormShow();
        }
    });
}

bool EnsurePrintTarget(QWidget *Parent, QPrinter &Device)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty() && Device.outputFormat() == QPrinter::NativeFormat)
        return true;
    if (Device.outputFormat() == QPrinter::PdfFormat && !Device.outputFileName().isEmpty())
        return true;
    const QString file =
        QFileDialog::getSaveFileName(Parent, QStringLiteral("Print to PDF file"), QString(),
                                     QStringLiteral("PDF files (*.pdf)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (file.isEmpty())
        return false;
    Device.setOutputFormat(QPrinter::PdfFormat);
    Device.setOutputFileName(file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ? file : file + ".pdf");
    return true;
}
