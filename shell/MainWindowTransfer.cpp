// Transfer and the remaining window actions: the FTP dialog, the newer-version check, the tip
// of the day (from the menu and at start), commenting selected lines, sorting the navigation
// tree and the about box.
#include "shell/MainWindow.h"

#include "controls/TipOfTheDay.h"
#include "controls/TreeNT.h"
#include "editor/SyntaxEdit.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include "shell/AboutBox.h"
#include "shell/FtpDialog.h"
#include "shell/NewVersionDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

namespace {

// A menu of the window by name, made at the end of the menu bar when no group made it yet.
QMenu *MenuOrNew(TfrmQuillmarMain &Window, std::map<QString, QMenu *> &Menus, const QString &Name,
                 const QString &Caption)
{
    if (QMenu *m = Window.Menu(Name))
        return m;
    QMenu *m = Window.menuBar()->addMenu(Caption);
    m->setObjectName(Name);
    Menus[Name] = m;
    return m;
}

} // namespace

void TfrmQuillmarMain::CreateTransferActions()
{
    FFtpDialog = new TfrmFTP(*this);
    FNewVersionDialog = new TfrmNewVersion(*this);
    FAboutBox = new TfrmAbout(this);
    FAboutBox->OnOpenLink = [this](const QString &Link) {
        QString error;
        if (LaunchBrowser)
            LaunchBrowser(QString(), Link, error);
    };
    TipOfTheDayDlg1 = std::make_unique<TTipOfTheDayDlg>();

    QMenu *file = MenuOrNew(*this, FMenus, QStringLiteral("File1"), QStringLiteral("&File"));
    QAction *ftp = AddAction(file, QStringLiteral("FTPAction"), QStringLiteral("&FTP"), QKeySequence(),
                             [this] { FTPActionExecute(); });
    ftp->setToolTip(QStringLiteral("FTP - load/save from/to remote server"));
    ftp->setStatusTip(ftp->toolTip());

    QMenu *edit = MenuOrNew(*this, FMenus, QStringLiteral("Edit1"), QStringLiteral("&Edit"));
    AddAction(edit, QStringLiteral("CommentselectedLines1"), QStringLiteral("Comment selected &lines (//)"),
              QKeySequence(), [this] { CommentselectedLines1Click(); });
    AddAction(edit, QStringLiteral("Uncommentselectedlines1"), QStringLiteral("&Uncomment selected lines"),
              QKeySequence(), [this] { Uncommentselectedlines1Click(); });

    QMenu *help = MenuOrNew(*this, FMenus, QStringLiteral("Help1"), QStringLiteral("&Help"));
    AddAction(help, QStringLiteral("ShowTipofDay1"), QStringLiteral("&Show Tip of Day"), QKeySequence(),
              [this] { ShowTipofDay1Click(); });
    AddAction(help, QStringLiteral("Checkfornewerversion1"), QStringLiteral("Check for newer version"), QKeySequence(),
              [this] { Checkfornewerversion1Click(); });
    // The about item belongs to the help group; it is made here only when that group has not.
    if (!Action(QStringLiteral("AboutQuillmar1")))
        AddAction(help, QStringLiteral("AboutQuillmar1"), QStringLiteral("&About Quillmar"), QKeySequence(),
                  [this] { ShowAboutBox(); });

    if (QAction *sorted = Action(QStringLiteral("Alphasort1")))
        connect(sorted, &QAction::triggered, this, GuardedSlot([this] { Guarded([this] { Alphasort1Click(); }); }));
}

void TfrmQuillmarMain::FTPActionExecute()
{
    TfrmFTP &dialog = *FFtpDialog;
    dialog.exec();
    // Whatever the outcome, the fields as the user left them are kept (the password never).
    Settings.FtpHost = ToWideString(dialog.HostNameEdit->text());
    Settings.FtpUser = ToWideString(dialog.UserNameEdit->text());
    Settings.FtpDir = ToWideString(dialog.HostDirEdit->text());
    Settings.FtpFile = ToWideString(dialog.HostFileEdit->text());
    Settings.FtpPort = ToWideString(dialog.PortEdit->text());
    Settings.FtpBinary = dialog.BinaryCheckBox->isChecked();
    Settings.FtpPassive = dialog.PassiveCheckBox->isChecked();
    ScheduleRefresh();
}

void TfrmQuillmarMain::Checkfornewerversion1Click()
{
    FNewVersionDialog->exec();
}

void TfrmQuillmarMain::ShowTipofDay1Click()
{
    TipOfTheDayDlg1->SetShowOnStartup(Settings.ShowTOD);
    TipOfTheDayDlg1->SetStartTip(Settings.TODIndex);
    std::vector<WideString> tips;
    tips.reserve(std::size(Tips));
    for (const char *t : Tips)
        tips.push_back(ToWideString(QString::fromUtf8(t)));
    TipOfTheDayDlg1->SetTips(std::move(tips));
    TipOfTheDayDlg1->Execute(this);
    Settings.TODIndex = TipOfTheDayDlg1->GetStartTip();
    Settings.ShowTOD = TipOfTheDayDlg1->GetShowOnStartup();
}

void TfrmQuillmarMain::myIdle()
{
    if (FIdleDone)
        return;
    FIdleDone = true;
    if (Settings.ShowTOD)
        ShowTipofDay1Click();
}

void TfrmQuillmarMain::CommentselectedLines1Click()
{
    if (TSyntaxEdit *editor = ActiveEditor())
        editor->CommentSelectedLines();
    ScheduleRefresh();
}

void TfrmQuillmarMain::Uncommentselectedlines1Click()
{
    if (TSyntaxEdit *editor = ActiveEditor())
        editor->UncommentSelectedLines();
    ScheduleRefresh();
}

void TfrmQuillmarMain::Alphasort1Click()
{
    // The action is checkable: the trigger has inverted the check already. Unchecking keeps the
    // order as it is.
    QAction *sorted = Action(QStringLiteral("Alphasort1"));
    if (!sorted || !sorted->isChecked())
        return;
    NavTree->Items().BeginUpdate();
    NavTree->AlphaSort();
    NavTree->Items().EndUpdate();
}

void TfrmQuillmarMain::ShowAboutBox()
{
    FAboutBox->exec();
}
