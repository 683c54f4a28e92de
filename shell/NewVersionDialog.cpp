#include "shell/NewVersionDialog.h"
#include "shell/CenterOnParent.h"

#include "platform/Classes.h"
#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "platform/ScopeGuard.h"
#include "net/Connectivity.h"
#include "shell/FtpDialog.h"
#include "shell/MainWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

QString VersionFromBody(const std::string &Body)
{
    QString version;
    for (size_t i = 0; i < std::min<size_t>(4, Body.size()); ++i) {
        const char c = Body[i];
        if (c == '.' || (c >= '0' && c <= '9'))
            version += QLatin1Char(c);
    }
    return version;
}

bool IsNewerVersion(const QString &Version, const QString &Own)
{
    const QStringList a = Version.split(QLatin1Char('.'));
    const QStringList b = Own.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        const qulonglong x = i < a.size() ? a[i].toULongLong() : 0;
        const qulonglong y = i < b.size() ? b[i].toULongLong() : 0;
        if (x != y)
            return x > y;
    }
    return false;
}

QString DownloadLink(const QString &Folder, const QString &Version)
{
    QString digits = Version;
    digits.remove(QLatin1Char('.'));
    return Folder + QStringLiteral("Quillmar") + digits + QStringLiteral(".zip");
}

TfrmNewVersion::TfrmNewVersion(TfrmQuillmarMain &Main) : QDialog(&Main), FMain(Main)
{
    setObjectName(QStringLiteral("frmNewVersion"));
    setWindowTitle(QStringLiteral("Check Quillmar website for a newer version"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    resize(399, 209);
    auto *top = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("You need to have an Internet connection to use this feature"));
    top->addWidget(Label1);
    auto *buttons = new QHBoxLayout;
    ButtonChkVers = new QPushButton(QStringLiteral("Check now"));
    BitBtn1 = new QPushButton(QStringLiteral("Close"));
    ButtonChkVers->setAutoDefault(false);
    BitBtn1->setAutoDefault(false);
    buttons->addWidget(ButtonChkVers);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    top->addLayout(buttons);
    DisplayMemo = new QPlainTextEdit;
    DisplayMemo->setReadOnly(true);
    DisplayMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    DisplayMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DisplayMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    top->addWidget(DisplayMemo, 1);
    connect(ButtonChkVers, &QPushButton::clicked, this,
            GuardedSlot([this] { TfrmQuillmarMain::Guarded([this] { ButtonChkVersClick(); }); }));
    connect(BitBtn1, &QPushButton::clicked, this, GuardedSlot([this] { reject(); }));

    HttpCli1.LocalAddr = "0.0.0.0";
    HttpCli1.ProxyPort = "80";
    HttpCli1.Agent = "Mozilla/3.0 (compatible)";
    HttpCli1.Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    HttpCli1.NoCache = false;
    HttpCli1.ContentTypePost = "application/x-www-form-urlencoded";
    HttpCli1.SetMultiThreaded(false);
    HttpCli1.SocksLevel = "5";
    HttpCli1.SocksAuthentication = socksNoAuthentication;
    // The version text is a few bytes, kept in memory: more than this is no version file.
    HttpCli1.MaxDocumentBytes = 64 * 1024;
}

void TfrmNewVersion::showEvent(QShowEvent *Event)
{
    RunGuarded([&] {
        QDialog::showEvent(Event);
        CenterOnParent(*this);
        FormShow();
    });
}

void TfrmNewVersion::FormShow()
{
    DisplayMemo->clear();
}

bool TfrmNewVersion::Conn2Internet()
{
    return InternetConnectedState(UrlHost(ToQString(FMain.Settings.VersionURL).toStdString()));
}

void TfrmNewVersion::AddDisplayLine(const QString &Text)
{
    AddLogLine(*DisplayMemo, Text);
}

QStringList TfrmNewVersion::LogLines() const
{
    return DisplayMemo->toPlainText().split(QLatin1Char('\n'));
}

void TfrmNewVersion::ButtonChkVersClick()
{
    if (!Conn2Internet()) {
        // Nothing can be dialled here: the box only tells the user to connect and try again.
        MessageDlg(u"You are not currently connected to the internet, try again when connected.",
                   TMsgDlgType::mtInformation, mbOK);
        return;
    }
    const QString address = ToQString(FMain.Settings.VersionURL);
    AddDisplayLine(QStringLiteral("Connecting to ") + address + QStringLiteral(" to detect latest version available"));
    TMemoryStream stream;
    bool fetched = false;
    {
        // The wait runs the event loop: a second click meanwhile would start a request inside
        // this one on the same client.
        ButtonChkVers->setEnabled(false);
        TScopeGuard release([this] {
            HttpCli1.ReceiveStream = nullptr;
            ButtonChkVers->setEnabled(true);
        });
        HttpCli1.URL = address.toStdString();
        // The user waits for the answer: a server that drips it must not hold the dialog.
        HttpCli1.TotalTimeoutMs = WebFetchTimeLimitMs;
        HttpCli1.ReceiveStream = &stream;
        try {
            HttpCli1.Get();
            fetched = true;
            AddDisplayLine(QStringLiteral("Received %1 bytes").arg(stream.GetSize()));
        } catch (const EHttpException &) {
            AddDisplayLine(QStringLiteral("Failed : %1 ").arg(HttpCli1.StatusCode()) +
                           AnsiToQString(HttpCli1.ReasonText()));
        } catch (const std::exception &e) {
            AddDisplayLine(QStringLiteral("Failed : ") + QString::fromUtf8(e.what()));
        }
    }
    // Nothing of a failed request is read: an error page says nothing about versions.
    QString version;
    if (fetched) {
        std::string head(4, '\0');
        stream.SetPosition(0);
        head.resize(static_cast<size_t>(std::max<int64_t>(0, stream.Read(head.data(), 4))));
        version = VersionFromBody(head);
    }
    if (version.isEmpty()) {
        AddDisplayLine(QStringLiteral("Failed to retrieve latest version number"));
        return;
    }
    AddDisplayLine(QStringLiteral("The latest version available is ") + version);
    if (!IsNewerVersion(version, QString::fromLatin1(QuillmarVersion))) {
        AddDisplayLine(QStringLiteral("You have the latest version"));
        return;
    }
    if (MessageDlg(u"There is a newer version, " + ToWideString(version) + u" available. Download now?",
                   TMsgDlgType::mtConfirmation, mbYesNoCancel) != mrYes)
        return;
    const QString link = DownloadLink(ToQString(FMain.Settings.DownloadURL), version);
    QString error;
    if (!FMain.LaunchBrowser || !FMain.LaunchBrowser(QString(), link, error))
        AddDisplayLine(QStringLiteral("Failed to open browser"));
}
