#include "print/PrintForm.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include "print/ZvPrinter.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QScreen>

namespace {
// The orientation picture was drawn for a smaller dialog font than the desktop's: its sizes grow
// by a fifth.
int S(int v)
{
    return (v * 6 + 2) / 5;
}
} // namespace

TfrmPrint::TfrmPrint(QWidget *Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("Print, preview and options"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // Qt's layouts place everything, so that no text runs into another at any font size; the
    // dialog takes the size its contents need.
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto *nameRow = new QHBoxLayout;
    Label1 = new QLabel(QStringLiteral("File name:"), this);
    LabelFileName = new QLabel(this);
    LabelFileName->setTextFormat(Qt::PlainText);
    nameRow->addWidget(Label1);
    nameRow->addWidget(LabelFileName, 1);
    layout->addLayout(nameRow);

    auto *grid = new QGridLayout;
    auto *orientationRow = new QHBoxLayout;
    RadioGroupOrientation = new QGroupBox(QStringLiteral(" Orientation "), this);
    auto *radios = new QVBoxLayout(RadioGroupOrientation);
    RadioPortrait = new QRadioButton(QStringLiteral("Portrait"), RadioGroupOrientation);
    RadioLandscape = new QRadioButton(QStringLiteral("Landscape"), RadioGroupOrientation);
    radios->addWidget(RadioPortrait);
    radios->addWidget(RadioLandscape);
    FOrientationButtons = new QButtonGroup(this);
    FOrientationButtons->addButton(RadioPortrait, 0);
    FOrientationButtons->addButton(RadioLandscape, 1);
    RadioPortrait->setChecked(true);
    connect(FOrientationButtons, &QButtonGroup::idClicked, this,
            GuardedSlot([this](int) { RadioGroupOrientationClick(); }));
    orientationRow->addWidget(RadioGroupOrientation);
    // The sheet of paper turns inside a frame of its own, large enough for either way.
    FShapeFrame = new QWidget(this);
    FShapeFrame->setFixedSize(S(52), S(56));
    Shape1 = new QFrame(FShapeFrame);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setStyleSheet(QStringLiteral("background: white; border: 1px solid black;"));
    orientationRow->addWidget(FShapeFrame, 0, Qt::AlignCenter);
    orientationRow->addStretch(1);
    grid->addLayout(orientationRow, 0, 0);

    GroupBox1 = new QGroupBox(QStringLiteral(" Margins in mm "), this);
    auto *margins = new QFormLayout(GroupBox1);
    const char *names[4] = {"Top", "Bottom", "Left", "Right"};
    QLineEdit **edits[4] = {&EditTop, &EditBottom, &EditLeft, &EditRight};
    for (int i = 0; i < 4; ++i) {
        *edits[i] = new QLineEdit(QStringLiteral("10"), GroupBox1);
        (*edits[i])->setMaximumWidth((*edits[i])->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
        margins->addRow(QString::fromLatin1(names[i]), *edits[i]);
    }
    grid->addWidget(GroupBox1, 0, 1, 2, 1);

    GroupBox2 = new QGroupBox(QStringLiteral(" Font "), this);
    auto *font = new QGridLayout(GroupBox2);
    LabelFontName = new QLabel(GroupBox2);
    LabelFontName->setTextFormat(Qt::PlainText); // a name from the settings file
    LabelFontSize = new QLabel(GroupBox2);
    ButtonFont = new QPushButton(QStringLiteral("Select font"), GroupBox2);
    CheckBoxMonospace = new QCheckBox(QStringLiteral("Monospaced fonts (recommended)"), GroupBox2);
    CheckBoxMonospace->setChecked(true);
    font->addWidget(LabelFontName, 0, 0);
    font->addWidget(LabelFontSize, 1, 0);
    font->addWidget(ButtonFont, 0, 1, 2, 1, Qt::AlignVCenter);
    font->addWidget(CheckBoxMonospace, 2, 0, 1, 2);
    font->setColumnStretch(0, 1);
    grid->addWidget(GroupBox2, 1, 0);

    auto *checks = new QVBoxLayout;
    CheckBoxLineNos = new QCheckBox(QStringLiteral("Line numbering"), this);
    CheckBoxLineNos->setChecked(true);
    CheckBoxWordWrap = new QCheckBox(QStringLiteral("Word wrap"), this);
    CheckBoxWordWrap->setChecked(true);
    checks->addWidget(CheckBoxLineNos);
    checks->addWidget(CheckBoxWordWrap);
    grid->addLayout(checks, 2, 0);
    SelectPrt = new QPushButton(QStringLiteral("Select printer..."), this);
    grid->addWidget(SelectPrt, 2, 1, Qt::AlignTop);
    layout->addLayout(grid);

    auto *buttons = new QHBoxLayout;
    BitBtn2 = new QPushButton(QStringLiteral("Print"), this);
    BitBtn2->setDefault(true);
    ButtonPreview = new QPushButton(QStringLiteral("Preview"), this);
    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(BitBtn2);
    buttons->addStretch(1);
    buttons->addWidget(ButtonPreview);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    layout->addLayout(buttons);
    RadioGroupOrientationClick();

    connect(BitBtn2, &QPushButton::clicked, this, GuardedSlot([this] { done(1); }));
    connect(ButtonPreview, &QPushButton::clicked, this, GuardedSlot([this] { done(4); }));
    connect(BitBtn1, &QPushButton::clicked, this, GuardedSlot([this] { done(2); }));
    connect(ButtonFont, &QPushButton::clicked, this, GuardedSlot([this] { ButtonFontClick(); }));
    connect(CheckBoxMonospace, &QCheckBox::clicked, this, GuardedSlot([this] { CheckBoxMonospaceClick(); }));
    connect(SelectPrt, &QPushButton::clicked, this, GuardedSlot([this] { SelectPrtClick(); }));

    FDialogFont.SetName(u"Courier New");
    FDialogFont.SetPixelsPerInch(ScreenPixelsPerInch());
    FDialogFont.SetHeight(-13);
    FDialogFont.SetFixedPitch(true);
    FFontOptions = QFontDialog::MonospacedFonts;
    RunFontDialog = [this](const QFont &Initial, QFontDialog::FontDialogOptions Options, QFont &Chosen) {
        bool ok = false;
        Chosen = QFontDialog::getFont(&ok, Initial, this, QString(), Options | QFontDialog::DontUseNativeDialog);
        return ok;
    };
    RunPrinterDialog = [this] {
        QPrintDialog dialog(&ZvGlobalPrinter(), this);
        dialog.exec();
    };
    FormCreate();
}

TfrmPrint::~TfrmPrint() = default;

void TfrmPrint::FormCreate()
{
    FFont = std::make_unique<TFont>();
    FFont->Assign(FDialogFont);
    ShowFontLabels();
}

void TfrmPrint::ShowFontLabels()
{
    LabelFontName->setText(ToQString(FFont->Name()));
    LabelFontSize->setText(QStringLiteral("Size: ") + QString::number(FFont->Size()));
}

void TfrmPrint::ButtonFontClick()
{
    QFont chosen;
    const QFont initial = FDialogFont.ToQFont(ScreenPixelsPerInch());
    QFont start(initial.family());
    start.setPointSize(std::max(1, int(FDialogFont.Size())));
    start.setBold(initial.bold());
    start.setItalic(initial.italic());
    if (!RunFontDialog || !RunFontDialog(start, FFontOptions, chosen))
        return;
    FDialogFont.AssignQFont(chosen);
    FFont->Assign(FDialogFont);
    ShowFontLabels();
}

void TfrmPrint::CheckBoxMonospaceClick()
{
    FFontOptions.setFlag(QFontDialog::MonospacedFonts, CheckBoxMonospace->isChecked());
}

int TfrmPrint::OrientationIndex() const
{
    return RadioLandscape->isChecked() ? 1 : 0;
}

void TfrmPrint::SetOrientationIndex(int Index)
{
    (Index == 1 ? RadioLandscape : RadioPortrait)->setChecked(true);
    RadioGroupOrientationClick();
}

void TfrmPrint::RadioGroupOrientationClick()
{
    const int frame = FShapeFrame->width();
    if (OrientationIndex() == 0)
        Shape1->setGeometry((frame - S(30)) / 2, S(3), S(30), S(49));
    else
        Shape1->setGeometry((frame - S(49)) / 2, S(13), S(49), S(30));
}

void TfrmPrint::SelectPrtClick()
{
    if (RunPrinterDialog)
        RunPrinterDialog();
}
