#include "controls/TipOfTheDay.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include "platform/ScopeGuard.h"
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <memory>

namespace {

TTipOfTheDayForm *CurrentForm = nullptr;

// A small light bulb.
QPixmap BulbPicture()
{
    QPixmap Picture(32, 40);
    Picture.fill(Qt::transparent);
    QPainter P(&Picture);
    P.setRenderHint(QPainter::Antialiasing);
    P.setPen(QPen(QColor(120, 100, 0), 1));
    P.setBrush(QColor(255, 236, 90));
    P.drawEllipse(QRectF(4, 2, 24, 24));
    P.setBrush(QColor(255, 248, 180));
    P.drawEllipse(QRectF(9, 6, 8, 8));
    P.setBrush(QColor(150, 150, 150));
    P.setPen(QColor(90, 90, 90));
    P.drawRect(QRectF(11, 26, 10, 9));
    P.drawLine(11, 29, 21, 29);
    P.drawLine(11, 32, 21, 32);
    return Picture;
}

} // namespace

TTipOfTheDayForm::TTipOfTheDayForm(QWidget *Parent) : QDialog(Parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("TipOfTheDayForm"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    setFixedSize(379, 184);
    auto *Panel = new QFrame(this);
    Panel->setGeometry(8, 8, 363, 128);
    Panel->setFrameShape(QFrame::Panel);
    Panel->setFrameShadow(QFrame::Sunken);
    Panel->setAutoFillBackground(true);
    QPalette Info = Panel->palette();
    Info.setColor(QPalette::Window, Info.color(QPalette::ToolTipBase));
    Info.setColor(QPalette::WindowText, Info.color(QPalette::ToolTipText));
    Panel->setPalette(Info);
    BulbImage = new QLabel(Panel);
    BulbImage->setPixmap(BulbPicture());
    BulbImage->setGeometry(12, 12, 32, 40);
    diduknow = new QLabel(QStringLiteral("Did you know..."), Panel);
    QFont Big = diduknow->font();
    Big.setPointSizeF(Big.pointSizeF() * 1.5);
    Big.setBold(true);
    diduknow->setFont(Big);
    diduknow->setGeometry(52, 10, 300, 28);
    Tip = new QLabel(Panel);
    // Tips speak of tags ("such as <br />"): shown as written, never taken as markup.
    Tip->setTextFormat(Qt::PlainText);
    Tip->setWordWrap(true);
    Tip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Tip->setGeometry(52, 44, 303, 76);
    ShowOnStartup = new QCheckBox(QStringLiteral("Show Tips at Startup"), this);
    ShowOnStartup->setGeometry(8, 148, 150, 20);
    ShowOnStartup->setChecked(true);
    ButtonPrevious = new QPushButton(QStringLiteral("&Previous Tip"), this);
    ButtonPrevious->setGeometry(160, 146, 84, 25);
    NextBtn = new QPushButton(QStringLiteral("&Next Tip"), this);
    NextBtn->setGeometry(248, 146, 64, 25);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(316, 146, 55, 25);
    OKBtn->setDefault(true);
    connect(NextBtn, &QPushButton::clicked, this, GuardedSlot([this] { NextBtnClick(); }));
    connect(ButtonPrevious, &QPushButton::clicked, this, GuardedSlot([this] { ButtonPreviousClick(); }));
    connect(OKBtn, &QPushButton::clicked, this, GuardedSlot([this] { OKBtnClick(); }));
    connect(ShowOnStartup, &QCheckBox::clicked, this, GuardedSlot([this] { ShowOnStartupClick(); }));
}

void TTipOfTheDayForm::showEvent(QShowEvent *Event)
{
    RunGuarded([&] {
        FormShow();
        QDialog::showEvent(Event);
    });
}

void TTipOfTheDayForm::ShowTip()
{
    const bool Valid = CurrentTip >= 0 && CurrentTip <= High();
    Tip->setText(Valid ? ToQString(Tips[size_t(CurrentTip)]) : QString());
}

void TTipOfTheDayForm::FormShow()
{
    setWindowTitle(QStringLiteral("Tip of the day"));
    diduknow->setText(QStringLiteral("Did you know..."));
    const bool Any = High() >= 1;
    ButtonPrevious->setEnabled(Any);
    NextBtn->setEnabled(Any);
    StartTip = Any ? std::clamp(StartTip, 1, High()) : 0;
    CurrentTip = StartTip;
    ShowTip();
    ShowOnStartup->setChecked(ShowFlag);
}

void TTipOfTheDayForm::Step()
{
    if (High() < 1)
        return;
    if (CurrentTip < High()) {
        ++CurrentTip;
    } else {
        CurrentTip = 1;
        StartTip = 1;
    }
}

void TTipOfTheDayForm::NextBtnClick()
{
    Step();
    ShowTip();
    StartTip = std::max(StartTip, CurrentTip);
}

void TTipOfTheDayForm::ButtonPreviousClick()
{
    if (High() < 1)
        return;
    CurrentTip = CurrentTip < 2 ? High() : CurrentTip - 1;
    ShowTip();
}

void TTipOfTheDayForm::OKBtnClick()
{
    Step();
    StartTip = std::max(StartTip, CurrentTip);
    accept();
}

void TTipOfTheDayForm::ShowOnStartupClick()
{
    ShowFlag = ShowOnStartup->isChecked();
}

TTipOfTheDayForm *TTipOfTheDayDlg::ActiveForm()
{
    return CurrentForm;
}

void TTipOfTheDayDlg::Execute(QWidget *Parent)
{
    auto Form = std::make_unique<TTipOfTheDayForm>(Parent);
    CurrentForm = Form.get();
    TScopeGuard Forget([] { CurrentForm = nullptr; });
    Form->Tips = FTips;
    Form->StartTip = FStartTip;
    Form->ShowFlag = FShowOnStartup;
    if (Parent)
        Form->move(Parent->window()->frameGeometry().center() - QPoint(Form->width() / 2, Form->height() / 2));
    Form->exec();
    FStartTip = Form->StartTip;
    FShowOnStartup = Form->ShowFlag;
}
