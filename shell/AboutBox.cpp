#include "shell/AboutBox.h"
#include "shell/CenterOnParent.h"
#include "platform/GuardedApplication.h"
#include "shell/Version.h"

#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <sys/sysinfo.h>

QString KilobytesText(uint64_t Bytes)
{
    // "#,###": thousands separated by commas whatever the user's locale; zero shows no digits.
    const uint64_t kb = Bytes >> 10;
    QString digits = kb ? QString::number(kb) : QString();
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits + QStringLiteral(" KB");
}

QString BuildDateText(int Day, int Month, int Year)
{
    return QStringLiteral("%1/%2/%3").arg(Day).arg(Month).arg(Year);
}

QString ProgramBuildDate()
{
    // __DATE__ is "Mmm dd yyyy", the day padded with a space.
    const QDate d = QDate::fromString(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
    return d.isValid() ? BuildDateText(d.day(), d.month(), d.year()) : QString::fromLatin1(__DATE__);
}

uint64_t AvailablePhysicalMemory()
{
    struct sysinfo info {};
    if (sysinfo(&info) != 0)
        return 0;
    // Free memory plus the buffers the kernel gives back on demand.
    return (static_cast<uint64_t>(info.freeram) + info.bufferram) * info.mem_unit;
}

TfrmAbout::TfrmAbout(QWidget *Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quillmar ") + QuillmarVersionTag());
    setMinimumWidth(340);
    auto *top = new QVBoxLayout(this);
    auto *name = new QLabel(QStringLiteral("Quillmar ") + QuillmarVersionTag() + QStringLiteral("\nJavascript Authoring Tool"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    top->addWidget(name);

    auto *facts = new QGridLayout;
    facts->addWidget(new QLabel(QStringLiteral("Build date")), 0, 0);
    BuildDate = new QLabel;
    BuildDate->setObjectName(QStringLiteral("BuildDate"));
    facts->addWidget(BuildDate, 0, 1);
    facts->addWidget(new QLabel(QStringLiteral("Available Memory")), 1, 0);
    PhysMem = new QLabel;
    PhysMem->setObjectName(QStringLiteral("PhysMem"));
    facts->addWidget(PhysMem, 1, 1);
    top->addLayout(facts);

    auto *support = new QGroupBox(QStringLiteral(" Support "));
    auto *supportLayout = new QHBoxLayout(support);
    // A link on purpose: rich text, the address in it escaped.
    EmailLabel = new QLabel(
        QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(QString::fromLatin1(SupportAddress).toHtmlEscaped()));
    EmailLabel->setTextFormat(Qt::RichText);
    EmailLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    EmailLabel->setCursor(Qt::PointingHandCursor);
    connect(EmailLabel, &QLabel::linkActivated, this, GuardedSlot([this](const QString &) { EmailLabelClick(); }));
    supportLayout->addWidget(EmailLabel);
    top->addWidget(support);

    auto *buttons = new QHBoxLayout;
    OKButton = new QPushButton(QStringLiteral("OK"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, GuardedSlot([this] { accept(); }));
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addStretch(1);
    top->addLayout(buttons);
    FormActivate();
}

void TfrmAbout::showEvent(QShowEvent *Event)
{
    RunGuarded([&] {
        QDialog::showEvent(Event);
        FormActivate();
        CenterOnParent(*this);
    });
}

void TfrmAbout::FormActivate()
{
    BuildDate->setText(ProgramBuildDate());
    PhysMem->setText(KilobytesText(AvailablePhysicalMemory()));
}

void TfrmAbout::EmailLabelClick()
{
    if (OnOpenLink)
        OnOpenLink(QStringLiteral("mailto:") + QLatin1String(SupportAddress));
}
