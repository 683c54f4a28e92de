#include "print/PrintForm.h"
#include "platform/QtConvert.h"
#include "print/ZvPrinter.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {
// The dialog's layout was made for a smaller dialog font than the desktop's: positions and
// sizes grow by a fifth so every text fits.
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
    setFixedSize(S(398), S(250));

    Label1 = new QLabel(QStringLiteral("File name:"), this);
    Label1->move(S(30), S(8));
    LabelFileName = new QLabel(this);
    LabelFileName->setGeometry(S(80), S(8), S(310), S(16));

    RadioGroupOrientation = new QGroupBox(QStringLiteral(" Orientation "), this);
    RadioGroupOrientation->setGeometry(S(10), S(32), S(103), S(55));
    RadioPortrait = new QRadioButton(QStringLiteral("Portrait"), RadioGroupOrientation);
    RadioPortrait->setGeometry(S(8), S(14), S(90), S(16));
    RadioLandscape = new QRadioButton(QStringLiteral("Landscape"), RadioGroupOrientation);
    RadioLandscape->setGeometry(S(8), S(32), S(90), S(16));
    FOrientationButtons = new QButtonGroup(this);
    FOrientationButtons->addButton(RadioPortrait, 0);
    FOrientationButtons->addButton(RadioLandscape, 1);
    RadioPortrait->setChecked(true);
    connect(FOrientationButtons, &QButtonGroup::idClicked, this, [this](int) { RadioGroupOrientationClick(); });

    Shape1 = new QFrame(this);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setStyleSheet(QStringLiteral("background: white; border: 1px solid black;"));
    Shape1->setGeometry(S(136), S(38), S(30), S(49));

    GroupBox1 = new QGroupBox(QStringLiteral(" Margins in mm "), this);
    GroupBox1->setGeometry(S(220), S(32), S(165), S(133));
    const char *names[4] = {"Top", "Bottom", "Left", "Right"};
    QLineEdit **edits[4] = {&EditTop, &EditBottom, &EditLeft, &EditRight};
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(QString::fromLatin1(names[i]), GroupBox1);
        label->setGeometry(S(12), S(20 + i * 27), S(60), S(20));
        *edits[i] = new QLineEdit(QStringLiteral("10"), GroupBox1);
        (*edits[i])->setGeometry(S(80), S(18 + i * 27), S(60), S(22));
    }

    GroupBox2 = new QGroupBox(QStringLiteral(" Font "), this);
    GroupBox2->setGeometry(S(10), S(92), S(206), S(73));
    LabelFontName = new QLabel(GroupBox2);
    LabelFontName->setGeometry(S(8), S(16), S(110), S(16));
    LabelFontSize = new QLabel(GroupBox2);
    LabelFontSize->setGeometry(S(8), S(32), S(110), S(16));
    ButtonFont = new QPushButton(QStringLiteral("Select font"), GroupBox2);
    ButtonFont->setGeometry(S(118), S(16), S(72), S(24));
    CheckBoxMonospace = new QCheckBox(QStringLiteral("Monospaced fonts (recommended)"), GroupBox2);
    CheckBoxMonospace->setGeometry(S(4), S(50), S(200), S(18));
    CheckBoxMonospace->setChecked(true);

    CheckBoxLineNos = new QCheckBox(QStringLiteral("Line numbering"), this);
    CheckBoxLineNos->setGeometry(S(10), S(172), S(150), S(18));
    CheckBoxLineNos->setChecked(true);
    CheckBoxWordWrap = new QCheckBox(QStringLiteral("Word wrap"), this);
    CheckBoxWordWrap->setGeometry(S(10), S(192), S(150), S(18));
    CheckBoxWordWrap->setChecked(true);

    SelectPrt = new QPushButton(QStringLiteral("Select printer..."), this);
    SelectPrt->setGeometry(S(220), S(172), S(165), S(26));
    BitBtn2 = new QPushButton(QStringLiteral("Print"), this);
    BitBtn2->setGeometry(S(10), S(216), S(100), S(26));
    BitBtn2->setDefault(true);
    ButtonPreview = new QPushButton(QStringLiteral("Preview"), this);
    ButtonPreview->setGeometry(S(148), S(216), S(100), S(26));
    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setGeometry(S(285), S(216), S(100), S(26));

    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(1); });
    connect(ButtonPreview, &QPushButton::clicked, this, [this] { done(4); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(2); });
    connect(ButtonFont, &QPushButton::clicked, this, [this] { ButtonFontClick(); });
    connect(CheckBoxMonospace, &QCheckBox::clicked, this, [this] { CheckBoxMonospaceClick(); });
    connect(SelectPrt, &QPushButton::clicked, this, [this] { SelectPrtClick(); });

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
    const QRect g = RadioGroupOrientation->geometry();
    const int left = g.left() + g.width() + S(28);
    if (OrientationIndex() == 0)
        Shape1->setGeometry(left, g.top() + S(6), S(30), S(49));
    else
        Shape1->setGeometry(left, g.top() + S(16), S(49), S(30));
}

void TfrmPrint::SelectPrtClick()
{
    if (RunPrinterDialog)
        RunPrinterDialog();
}
