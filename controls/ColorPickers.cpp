#include "controls/ColorPickers.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

namespace {

QColor ToColor(TColor C)
{
    return QColor(int(C & 0xFF), int((C >> 8) & 0xFF), int((C >> 16) & 0xFF));
}

QLabel *MakeLabel(QWidget *Parent, const QString &Text, int X, int Y, int W = 140, int H = 16)
{
    auto *Label = new QLabel(Text, Parent);
    Label->setGeometry(X, Y, W, H);
    return Label;
}

// Centred on the window that asks, or on the screen when there is none.
void CentreOn(QWidget &Form, QWidget *Owner)
{
    QWidget *Main = Owner ? Owner->window() : nullptr;
    const QRect Area = Main ? Main->frameGeometry()
                            : QRect(QPoint(0, 0), Form.screen() ? Form.screen()->availableSize() : QSize(800, 600));
    Form.move(Area.center() - QPoint(Form.width() / 2, Form.height() / 2));
}

} // namespace

TColorShape::TColorShape(QWidget *Parent) : QFrame(Parent)
{
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    SetBrushColor(clWhite);
}

void TColorShape::SetBrushColor(TColor Color)
{
    FColor = Color;
    QPalette P = palette();
    P.setColor(QPalette::Window, ToColor(Color));
    setPalette(P);
}

TColorGridImage::TColorGridImage(TWebGrid Grid, QWidget *Parent) : QLabel(Parent), FGrid(Grid)
{
    // The grid is drawn once; the image is sized to it.
    setPixmap(QPixmap::fromImage(RenderWebGrid(Grid)));
    resize(GridLayout(Grid).Width, GridLayout(Grid).Height);
    setMouseTracking(true);
}

void TColorGridImage::mouseMoveEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        if (OnMove)
            OnMove(Event->position().toPoint().x(), Event->position().toPoint().y());
    });
}

void TColorGridImage::mouseReleaseEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        if (OnRelease)
            OnRelease(Event->position().toPoint().x(), Event->position().toPoint().y());
    });
}

TColorPickerForm::TColorPickerForm(TWebGrid Grid, const QString &Caption, QSize Client, QWidget *Parent)
    : QDialog(Parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(Caption);
    setFixedSize(Client);
    Image1 = new TColorGridImage(Grid, this);
    Image1->move(8, 8);
    Image1->OnMove = [this](int X, int Y) { ImageMouseMove(X, Y); };
    Image1->OnRelease = [this](int X, int Y) { ImageMouseUp(X, Y); };
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<TWebPick> TColorPickerForm::ColorAt(int X, int Y)
{
    return GridColorAt(Image1->Grid(), X, Y);
}

// ---- web-safe ----

TwebsafeF::TwebsafeF(QWidget *Parent)
    : TColorPickerForm(TWebGrid::WebSafe, QStringLiteral("Websafe Colors"), QSize(464, 422), Parent)
{
    const int X = 216;
    MakeLabel(this, QStringLiteral("Hex value"), X, 12, 60);
    Label1 = MakeLabel(this, QStringLiteral("Color"), X + 64, 12, 100);
    Shape4 = new TColorShape(this);
    Shape4->setGeometry(X, 34, 232, 44);
    MakeLabel(this, QStringLiteral("Place up to 3 selections here for"), X, 96, 240);
    MakeLabel(this, QStringLiteral("comparison. The selected color will"), X, 112, 240);
    MakeLabel(this, QStringLiteral("be copied when you click OK."), X, 128, 240);
    for (int I = 0; I < 3; ++I) {
        const int Left = X + I * 80;
        RadioButton[I] = new QRadioButton(this);
        RadioButton[I]->setGeometry(Left, 156, 72, 18);
        Shape[I] = new TColorShape(this);
        Shape[I]->setGeometry(Left, 178, 72, 72);
        Edit[I] = new QLineEdit(QStringLiteral("#000000"), this);
        Edit[I]->setFrame(false);
        Edit[I]->setGeometry(Left, 254, 72, 20);
    }
    RadioButton[0]->setChecked(true);
    OKBtn->setGeometry(X + 72, 384, 75, 25);
    CancelBtn->setGeometry(X + 156, 384, 75, 25);
}

int TwebsafeF::CheckedSlot() const
{
    return RadioButton[0]->isChecked() ? 0 : RadioButton[1]->isChecked() ? 1 : 2;
}

void TwebsafeF::ImageMouseMove(int X, int Y)
{
    if (const auto Pick = ColorAt(X, Y)) {
        Label1->setText(ToQString(Pick->Text));
        Shape4->SetBrushColor(Pick->Color);
    }
}

void TwebsafeF::ImageMouseUp(int X, int Y)
{
    if (const auto Pick = ColorAt(X, Y)) {
        const int Slot = CheckedSlot();
        Shape[Slot]->SetBrushColor(Pick->Color);
        Edit[Slot]->setText(ToQString(Pick->Text));
    }
}

// ---- named colours ----

TNamedColorsForm::TNamedColorsForm(TWebGrid Grid, QWidget *Parent)
    : TColorPickerForm(
          Grid, Grid == TWebGrid::WebNames ? QStringLiteral("Web Named Colors") : QStringLiteral("Standard 16 colors"),
          Grid == TWebGrid::WebNames ? QSize(572, 579) : QSize(444, 249), Parent)
{
    // The web names put their controls under the grid, the 16 colours beside it.
    const bool Below = Grid == TWebGrid::WebNames;
    const int X = Below ? 8 : 240, Y = Below ? 468 : 8;
    const int Column = 128, ShapeWidth = Below ? 96 : 72;
    MakeLabel(this, QStringLiteral("Color mouse is over"), X, Y, Column - 4);
    Shape4 = new TColorShape(this);
    Shape4->setGeometry(X, Y + 18, ShapeWidth, 36);
    Label2 = MakeLabel(this, QStringLiteral("Hex value"), X, Y + 58, Column - 4);
    lblWebName = MakeLabel(this, QString(), X, Y + 76, Column - 4);
    MakeLabel(this, QStringLiteral("Selected"), X + Column, Y, Column - 4);
    Shape1 = new TColorShape(this);
    Shape1->setGeometry(X + Column, Y + 18, ShapeWidth, 36);
    LabelSel = MakeLabel(this, QStringLiteral("Hex value"), X + Column, Y + 58, Column - 4);
    LabelWN = MakeLabel(this, QStringLiteral("Color name"), X + Column, Y + 76, Column - 4);
    auto *Group = new QGroupBox(QStringLiteral(" Value as "), this);
    Group->setGeometry(Below ? X + 256 : X, Below ? Y : Y + 100, 120, 64);
    RadioButtonHex = new QRadioButton(QStringLiteral("Hex"), Group);
    RadioButtonHex->setGeometry(10, 20, 100, 18);
    RadioButtonHex->setChecked(true);
    RadioButtonName = new QRadioButton(QStringLiteral("Name"), Group);
    RadioButtonName->setGeometry(10, 40, 100, 18);
    if (Below) {
        MakeLabel(this, QStringLiteral("NOTE, these colors are not supported by W3C standards."), X, Y + 94, 400);
        OKBtn->setGeometry(480, Y, 80, 25);
        CancelBtn->setGeometry(480, Y + 32, 80, 25);
    } else {
        OKBtn->setGeometry(444 - 8 - 75, 210, 75, 25);
        CancelBtn->setGeometry(444 - 8 - 75 - 84, 210, 75, 25);
    }
}

std::optional<TWebPick> TNamedColorsForm::ColorAt(int X, int Y)
{
    auto Pick = TColorPickerForm::ColorAt(X, Y);
    if (Pick)
        lblWebName->setText(ToQString(Pick->Name));
    return Pick;
}

void TNamedColorsForm::ImageMouseMove(int X, int Y)
{
    if (const auto Pick = ColorAt(X, Y)) {
        Label2->setText(ToQString(Pick->Text));
        Shape4->SetBrushColor(Pick->Color);
    }
}

void TNamedColorsForm::ImageMouseUp(int X, int Y)
{
    if (const auto Pick = ColorAt(X, Y)) {
        LabelSel->setText(ToQString(Pick->Text));
        Shape1->SetBrushColor(Pick->Color);
        LabelWN->setText(ToQString(Pick->Name));
    }
}

TwebNamesF::TwebNamesF(QWidget *Parent) : TNamedColorsForm(TWebGrid::WebNames, Parent)
{
}

TStd16ColF::TStd16ColF(QWidget *Parent) : TNamedColorsForm(TWebGrid::Std16, Parent)
{
}

// ---- components ----

namespace {

template <class Form>
bool RunPicker(Form &F, QWidget *Owner)
{
    CentreOn(F, Owner);
    return F.exec() == QDialog::Accepted;
}

WideString NamedResult(TNamedColorsForm &F)
{
    return ToWideString((F.RadioButtonHex->isChecked() ? F.LabelSel : F.LabelWN)->text());
}

} // namespace

TkivWebSafe::TkivWebSafe(QWidget *Owner) : FForm(new TwebsafeF(Owner))
{
}
TkivWebSafe::~TkivWebSafe()
{
    delete FForm.data();
}

bool TkivWebSafe::Execute()
{
    if (!FForm || !RunPicker(*FForm, FForm->parentWidget()))
        return false;
    const int Slot = FForm->CheckedSlot();
    ColorValue = FForm->Shape[Slot]->BrushColor();
    ColorText = ToWideString(FForm->Edit[Slot]->text());
    return true;
}

TkivWebNames::TkivWebNames(QWidget *Owner) : FForm(new TwebNamesF(Owner))
{
}
TkivWebNames::~TkivWebNames()
{
    delete FForm.data();
}

bool TkivWebNames::Execute()
{
    if (!FForm || !RunPicker(*FForm, FForm->parentWidget()))
        return false;
    ColorText = NamedResult(*FForm);
    return true;
}

TkivStd16Col::TkivStd16Col(QWidget *Owner) : FForm(new TStd16ColF(Owner))
{
}
TkivStd16Col::~TkivStd16Col()
{
    delete FForm.data();
}

bool TkivStd16Col::Execute()
{
    if (!FForm || !RunPicker(*FForm, FForm->parentWidget()))
        return false;
    ColorText = NamedResult(*FForm);
    return true;
}
