// The window's help: the help hook made with the window (and its check for the help file),
// F1 through the help contexts of the window's parts and dialogs, and Help > Contents.
#include "shell/MainWindow.h"

#include "controls/DebugLog.h"
#include "controls/HHFuncs.h"
#include "controls/TreeNT.h"
#include "controls/TextListBox.h"
#include "help/HelpContexts.h"
#include "platform/HelpContext.h"
#include "platform/HelpWindow.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/DirectoryTab.h"
#include "shell/NewVersionDialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>

void TfrmQuillmarMain::CreateHelpHook(const TMainWindowSetup &Setup)
{
    if (!HHLibraryLoaded())
        InstallHelpWindow();
    InstallHelpKey();
    const QString file = Setup.HelpFile.isEmpty()
                             ? QCoreApplication::applicationDirPath() + QStringLiteral("/Quillmar.chm")
                             : Setup.HelpFile;
    FHelpFile = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    if (!QFileInfo::exists(FHelpFile))
        ShowMessage(u"Help file not found\r" + ToWideString(FHelpFile));
    FHelpHook = std::make_unique<THookHelpSystem>(ToLocalPath(FHelpFile), AnsiString(), 0);
}

void TfrmQuillmarMain::CreateHelpActions()
{
    if (QMenu *help = Menu(QStringLiteral("Help1"))) {
        QAction *first = help->actions().value(0);
        QAction *contents = AddAction(nullptr, QStringLiteral("HelpContentsAction"),
                                      QStringLiteral("&Contents && overview"), QKeySequence(),
                                      [this] { HelpContentsActionExecute(); });
        help->insertAction(first, contents);
        if (first)
            help->insertSeparator(first);
    }

    // The window's parts; every other place of the window reads the contents topic.
    SetHelpContext(this, IDH_CONTENTS);
    SetHelpContext(PageControl1, IDH_EDITOR);
    SetHelpContext(NavTree, IDH_CHECK);
    SetHelpContext(PageControl2, IDH_CHECK);
    SetHelpContext(TreeNTProjects, IDH_PROJECTS);
    SetHelpContext(TabSheetFiles, IDH_DIRECTORY);
    SetHelpContext(TreeNTFiles, IDH_DIRECTORY);

    // Dialogs and tool windows, also those made later (print, preview, tip of the day).
    static const struct {
        const char *Name;
        int Context;
    } windows[] = {
        {"SyntaxFindDialog", IDH_FIND},   {"frmOptions", IDH_OPTIONS},     {"frmViewOptions", IDH_VIEWER_OPTIONS},
        {"frmMessageBox", IDH_MESSAGE_BOX}, {"frmTables", IDH_TABLES},     {"frmLists", IDH_LISTS},
        {"frmAnchors", IDH_ANCHORS},      {"frmImage", IDH_IMAGE},         {"frmFTP", IDH_FTP},
        {"frmNewVersion", IDH_NEW_VERSION}, {"frmPrint", IDH_PRINT},       {"frmPreview", IDH_PREVIEW},
        {"frmAsciRef", IDH_ASCII},        {"frmBuiltinRef", IDH_BUILTIN},  {"frmCodeTree", IDH_CODE_TREE},
        {"frmEditorCmds", IDH_EDITOR_CMDS}, {"TipOfTheDayForm", IDH_TIP},  {"frmAbout", IDH_ABOUT},
    };
    for (const auto &w : windows)
        SetHelpContextOfWindow(w.Name, w.Context);
}

void TfrmQuillmarMain::HelpContentsActionExecute()
{
    ApplicationHelpContext(IDH_CONTENTS);
}

TDebugLogSystem TfrmQuillmarMain::DebugLogSystem(const QStringList &Arguments)
{
    TDebugLogSystem sys;
    sys.ModulePath = ToLocalPath(QCoreApplication::applicationFilePath());
    sys.ModuleDir = ToLocalPath(QCoreApplication::applicationDirPath());
    sys.ModuleName = ToLocalPath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    sys.RunDir = Arguments.isEmpty() ? sys.ModuleDir : ToLocalPath(QFileInfo(Arguments[0]).absolutePath());
    sys.ExeVersion = ParseFileVersion(QuillmarVersion).Text;
    for (const QString &a : Arguments)
        sys.Arguments.push_back(ToLocalPath(a));
    const TFileVersion chm = GetFileVersion(HelpLibraryPath());
    sys.HHInstalled = true;
    sys.HHVerStr = chm.Text;
    sys.HHFriendlyVerStr = "chmlib " + chm.Text;
    sys.IEInstalled = true;
    sys.IEVerStr = ParseFileVersion(qVersion()).Text;
    sys.IEFriendlyVerStr = std::string("Qt text browser ") + qVersion();
    return sys;
}
