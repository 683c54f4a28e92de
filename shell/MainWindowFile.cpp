// The File menu: new, open, save, save as, save all, close, close all, the reopen list, exit.
#include "shell/MainWindow.h"

#include "controls/FileDialogs.h"
#include "editor/SyntaxEditorStrings.h"
#include <QFileDialog>
#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "editor/SyntaxEdit.h"
#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "platform/ScopeGuard.h"
#include "platform/SysUtils.h"
#include "shell/NavTreeAdapter.h"
#include "shell/SaveAsRules.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTabWidget>

namespace {

QString WithoutStar(QString Caption)
{
    if (Caption.endsWith(QLatin1Char('*')))
        Caption.chop(1);
    return Caption;
}

} // namespace

void TfrmQuillmarMain::CreateFileActions()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    FMenus[QStringLiteral("File1")] = file;
    // Ctrl+N is New also in an editor, whose own binding of the keys (insert a line) yields.
    SetWindowFirst(*AddAction(file, QStringLiteral("FileNewAction"), QStringLiteral("&New"),
                              QKeySequence(QStringLiteral("Ctrl+N")), [this] { FileNewActionExecute(); }));
    AddAction(file, QStringLiteral("FileOpenAction"), QStringLiteral("&Open..."),
              QKeySequence(QStringLiteral("Ctrl+O")), [this] { FileOpenActionExecute(); });
    FReopenMenu = file->addMenu(QStringLiteral("&Reopen"));
    FReopenMenu->setObjectName(QStringLiteral("MenuReopen1"));
    FMenus[QStringLiteral("MenuReopen1")] = FReopenMenu;
    AddAction(file, QStringLiteral("FileSaveAction"), QStringLiteral("&Save"), QKeySequence(QStringLiteral("Ctrl+S")),
              [this] { FileSaveActionExecute(); });
    AddAction(file, QStringLiteral("FileSaveAsAction"), QStringLiteral("Save &As..."), QKeySequence(),
              [this] { FileSaveAsActionExecute(); });
    AddAction(file, QStringLiteral("FileSaveAllAction"), QStringLiteral("Save A&ll"), QKeySequence(),
              [this] { FileSaveAllActionExecute(); });
    AddAction(file, QStringLiteral("FileCloseAction"), QStringLiteral("&Close"),
              QKeySequence(QStringLiteral("Ctrl+F4")), [this] { FileCloseActionExecute(); });
    AddAction(file, QStringLiteral("FileCloseAllAction"), QStringLiteral("Close all"), QKeySequence(),
              [this] { FileCloseAllActionExecute(); });
    file->addSeparator();
    AddAction(file, QStringLiteral("ViewInBrowserAction"), QStringLiteral("View in Browser"),
              QKeySequence(QStringLiteral("Ctrl+Alt+V")), [this] { ViewInBrowserActionExecute(); });
    file->addSeparator();
    AddAction(file, QStringLiteral("Exit1"), QStringLiteral("&Exit"), QKeySequence(), [this] { close(); });

    // The tab pop-up menu carries its own reopen list.
    FTabPopup = new QMenu(this);
    FTabPopup->setObjectName(QStringLiteral("PopupMenuActivePage"));
    FMenus[QStringLiteral("PopupMenuActivePage")] = FTabPopup;
    FPopupReopen = FTabPopup->addMenu(QStringLiteral("Reopen"));
    FPopupReopen->setObjectName(QStringLiteral("PopUpReopen"));
    FMenus[QStringLiteral("PopUpReopen")] = FPopupReopen;
}

// ============================================================================ save

void TfrmQuillmarMain::FileSaveActionExecute()
{
    if (TEditorTab *tab = ActiveTab())
        SaveTab(*tab);
}

bool TfrmQuillmarMain::SaveTab(TEditorTab &Tab)
{
    TSyntaxEdit &editor = *Tab.Editor;
    const WideString name = editor.FileName();
    if (name.empty() || !QFileInfo(ToQString(name)).isFile())
        return SaveTabAs(Tab);
    if (!MayOverwrite(Tab, name))
        return false;
    editor.SaveToFile(name);
    // A save the user refused (characters the file's encoding cannot hold) keeps the text modified.
    if (!editor.Lines().Saved())
        return false;
    editor.SetModified(false);
    if (!Settings.UndoAfterSave)
        editor.ClearUndo();
    Tab.Record->UpdateFileAge();
    const int index = PageControl1->indexOf(&Tab);
    SetTabCaption(index, WithoutStar(TabCaption(index)));
    return true;
}

bool TfrmQuillmarMain::MayOverwrite(TEditorTab &Tab, const WideString &Name)
{
    // Only the tab's own file has a stamp to compare; another file is the replace question's.
    if (FileName2Tab(Name) != PageControl1->indexOf(&Tab) || !Tab.Record->ChangedOnDisk())
        return true;
    return MessageDlg(u"File: " + Name +
                          u" has been changed by another application since Quillmar last read or saved it. "
                          u"Do you want to overwrite it?",
                      TMsgDlgType::mtWarning, mbYesNo, mrNo) == mrYes;
}

void TfrmQuillmarMain::FileSaveAsActionExecute()
{
    if (TEditorTab *tab = ActiveTab())
        SaveTabAs(*tab);
}

bool TfrmQuillmarMain::SaveTabAs(TEditorTab &Tab)
{
    TSyntaxEdit &editor = *Tab.Editor;
    TESaveDialog dialog(this);
    dialog.SetFilter("HTML *.htm;*.html|*.htm;*.html;|Javascript *.js|*.js|ASP *.asp *.aspx|*.asp;*.aspx|PHP *.php; "
                     "*.php3; *.php4|*.php;*.php3;*.php4|Flash ActiveScript *.as|*.as|ASP.NET VB *.*.vb|*.*.vb|ASP.NET "
                     "C# *.*.cs|*.*.cs|CSS *.css|*.css|WSF (*.wsf)|*.wsf|SVG (*.svg)|*.svg|All files *.*|*.*");
    dialog.SetAutoExtention(true);
    const QString current = ToQString(editor.FileName());
    if (!current.isEmpty()) {
        dialog.SetFileName(ToLocalPath(current));
        if (const int filter = SaveAsFilterForExtension(QStringLiteral(".") + QFileInfo(current).suffix().toLower()))
            dialog.SetFilterIndex(filter);
    } else {
        dialog.SetFilterIndex(1);
        dialog.SetFileName(ToLocalPath(ToQString(DisplayName(PageControl1->indexOf(&Tab))) + QStringLiteral(".htm")));
    }
    const QStringList chosen = ChooseFiles(dialog);
    if (chosen.isEmpty())
        return false;
    const TSaveAsName decided = DecideSaveAsName(chosen.first(), dialog.FilterIndex());
    const QString name = decided.Name;
    const WideString wide = ToWideString(name);
    if (decided.Confirm &&
        MessageDlg(u"File extension not same as selected filter.\r\nPlease confirm you wish to save file as " + wide,
                   TMsgDlgType::mtWarning, mbYesNo) != mrYes)
        return false;
    const int other = FileName2Tab(wide);
    if (other >= 0 && other != PageControl1->indexOf(&Tab)) {
        MessageDlg(u"File: " + wide + u" is already open! Quillmar does not allow you to \"Save As\" this name.",
                   TMsgDlgType::mtWarning, mbOK);
        return false;
    }
    // The file dialog does not ask (it cannot know the name an added extension makes): an existing
    // file is replaced only when the user says so, its own file too.
    if (const QFileInfo target(name); target.exists() && !target.isDir() &&
                                      MessageDlg(wide + u" already exists. Do you want to replace it?",
                                                 TMsgDlgType::mtConfirmation, mbYesNo, mrNo) != mrYes)
        return false;
    if (!MayOverwrite(Tab, wide))
        return false;
    const WideString before = editor.FileName();
    editor.SetFileName(wide);
    {
        // A save that does not happen keeps the tab's old name.
        TScopeGuard keepName([&] { editor.SetFileName(before); });
        editor.SaveToFile(wide);
        if (!editor.Lines().Saved())
            return false;
        keepName.Dismiss();
    }
    editor.SetModified(false);
    if (!Settings.UndoAfterSave)
        editor.ClearUndo();
    Tab.Record->FileName = wide;
    Tab.Record->FetchFailure.clear();
    Tab.Record->UpdateFileAge();
    SetTabCaption(PageControl1->indexOf(&Tab), ToQString(DoubleAmpersands(ToWideString(QFileInfo(name).fileName()))));
    SetStatusPanel(2, name);
    AddToReopen(wide);
    // A new kind of name brings its colouring; the same kind keeps what the user chose for it.
    if (HighlightChoiceFor(wide) != HighlightChoiceFor(before))
        HighlightForFile(editor, wide);
    return true;
}

void TfrmQuillmarMain::FileSaveAllActionExecute()
{
    TFileWalk walk(*this);
    const int active = ActiveIndex();
    for (int i = TabCount() - 1; i >= 0; --i) {
        SetActivePage(i);
        if (!Tab(i)->Editor->GetModified())
            continue;
        // A save that fails is reported and the others are still saved.
        try {
            SaveTab(*Tab(i));
        } catch (...) {
            ShowCurrentException();
        }
    }
    SetActivePage(active);
}

// ============================================================================ close

void TfrmQuillmarMain::RemoveTab(int Index)
{
    TEditorTab *tab = Tab(Index);
    if (!tab)
        return;
    ShowResultsOf(*tab->Record);
    TNavTreeAdapter nodes(NavTree->Items());
    FScriptChecker->ClearTree(&nodes);
    FShownRecords.reset();
    const WideString name = tab->Editor->FileName();
    if (!tab->Record->ParentName.empty()) {
        const int parent = FileName2Tab(tab->Record->ParentName);
        if (parent >= 0)
            Tab(parent)->Record->RemoveInclude(ToLocalPath(ToQString(name)));
    }
    // Keys typed after closing the tab being edited go on in the tab then shown, not nowhere.
    const bool hadFocus = tab->isAncestorOf(QApplication::focusWidget());
    FProgramTabChange = true;
    delete tab;
    FProgramTabChange = false;
    // The tab before the closed one becomes active; closing the first activates the last. The
    // status bar and the View menu then speak of that tab, not of the one that is gone.
    if (TabCount() > 0) {
        SetActivePage(Index > 0 ? Index - 1 : TabCount() - 1);
        if (hadFocus)
            ActiveEditor()->setFocus();
    }
}

int TfrmQuillmarMain::AskToSaveChanges(TEditorTab &Tab)
{
    return MessageDlg(u"File: " + DisplayName(PageControl1->indexOf(&Tab)) + u", has changed. Save now?",
                      TMsgDlgType::mtConfirmation, mbYesNoCancel);
}

void TfrmQuillmarMain::FileCloseActionExecute()
{
    QPointer<TEditorTab> tab = ActiveTab();
    if (!tab)
        return;
    bool remove = true;
    if (tab->Editor->GetModified()) {
        const int answer = AskToSaveChanges(*tab);
        if (answer == mrCancel)
            remove = false;
        else if (answer == mrYes)
            // The answer is for the tab asked about. A save that did not happen (Save As cancelled,
            // an overwrite declined) keeps the tab with its text; a failed one ends here with its error.
            remove = SaveTab(*tab) && tab && !tab->Editor->GetModified();
    }
    if (remove && tab)
        RemoveTab(PageControl1->indexOf(tab));
    if (TabCount() == 0) {
        SetStatusPanel(2, QString());
        return;
    }
    TEditorTab *now = ActiveTab();
    const TTarnFile &record = *now->Record;
    // An include tab checked by itself shows its own results, as the tab switch does.
    if (!record.ParentName.empty() && !record.Checked) {
        const int parent = FileName2Tab(record.ParentName);
        if (parent >= 0)
            ShowResultsOf(*Tab(parent)->Record);
    } else {
        ShowResultsOf(record);
    }
    // Through the action, so Expand all and Collapse all follow the tree shown.
    if (Settings.ShowTree)
        TreeViewExpandActionExecute();
    ShowActiveTabStatus();
}

void TfrmQuillmarMain::FileCloseAllActionExecute()
{
    TFileWalk walk(*this);
    for (int i = TabCount() - 1; i >= 0; --i) {
        if (i >= TabCount())
            continue;
        SetActivePage(i);
        FileCloseActionExecute();
    }
}

// ============================================================================ reopen list

void TfrmQuillmarMain::AddToReopen(const WideString &Path)
{
    auto &list = Settings.Reopen;
    for (auto it = list.begin(); it != list.end(); ++it)
        if (SameText(ToLocalPath(ToQString(*it)), ToLocalPath(ToQString(Path)))) {
            list.erase(it);
            break;
        }
    if (list.size() >= 10)
        list.erase(list.begin());
    list.push_back(Path);
    BuildReopenMenus();
}

void TfrmQuillmarMain::BuildReopenMenus()
{
    const auto &list = Settings.Reopen;
    for (QMenu *menu : {FReopenMenu, FPopupReopen}) {
        if (!menu)
            continue;
        menu->clear();
        menu->setEnabled(!list.empty());
        const bool popup = menu == FPopupReopen;
        // Newest first; the whole path travels in the action's data.
        for (size_t i = 0; i < list.size(); ++i) {
            const WideString &path = list[list.size() - 1 - i];
            QAction *a = menu->addAction(QStringLiteral("&%1 ").arg(i) + ToQString(DoubleAmpersands(path)));
            a->setObjectName((popup ? QStringLiteral("PReopen%1") : QStringLiteral("Reopen%1")).arg(i + 1));
            a->setData(ToQString(path));
            connect(a, &QAction::triggered, this, GuardedSlot([this, a] {
                const WideString p = ToWideString(a->data().toString());
                Guarded([this, p] { ReopenEntryClick(p); });
            }));
        }
    }
}

void TfrmQuillmarMain::ReopenEntryClick(const WideString &Path)
{
    if (QFileInfo(ToQString(Path)).isFile()) {
        if (!FileAlreadyOpen(Path))
            OpenFile(Path, true, false, WideString());
        return;
    }
    MessageDlg(u"File: " + Path + u" no longer exists. This entry will be removed from the Reopen list.",
               TMsgDlgType::mtWarning, mbOK);
    auto &list = Settings.Reopen;
    for (auto it = list.begin(); it != list.end(); ++it)
        if (*it == Path) {
            list.erase(it);
            break;
        }
    BuildReopenMenus();
}

// ============================================================================ browser preview

void TfrmQuillmarMain::ViewInBrowserActionExecute()
{
    TEditorTab *tab = ActiveTab();
    if (!tab)
        return;
    TSyntaxEdit &editor = *tab->Editor;
    bool useDefault = Settings.DefaultBrowser;
    bool useOther = Settings.OtherBrowser;
    if (useOther)
        FBrowserPath = Settings.OtherBrowserName;
    if (Settings.OfferOtherBr) {
        WideString chosen;
        bool selected = false;
        if (!ChooseBrowser || !ChooseBrowser(Settings.UserBrowsers, chosen, selected))
            return;
        if (!selected) {
            MessageDlg(u"No browser selected!", TMsgDlgType::mtInformation, mbOK);
            return;
        }
        FBrowserPath = chosen;
        useOther = true;
    }
    // Save As cancelled: nothing to show, and no second dialog from the save below.
    if (editor.FileName().empty() && !SaveTabAs(*tab))
        return;
    // A save asked for that did not happen (declined, or failed with its error) shows nothing:
    // the browser would show the file as it was, not the text in the tab.
    if (Settings.AutoSaveOnView && !SaveTab(*tab))
        return;
    if (editor.GetModified()) {
        const int answer = MessageDlg(u"Document " + editor.FileName() + u" has changed,\r\n" +
                                          u"do you want to save before viewing in Browser?",
                                      TMsgDlgType::mtConfirmation, mbYesNoCancel);
        if (answer == mrCancel)
            return;
        if (answer == mrYes && !SaveTab(*tab))
            return;
    }
    WideString name = editor.FileName();
    if (name.empty())
        return;
    if (!QFileInfo(ToQString(name)).isFile()) {
        MessageDlg(u"File \"" + name + u"\" not found (new), must Save before viewing", TMsgDlgType::mtConfirmation,
                   mbOK);
        return;
    }
    if (!Settings.ViewFile)
        name = Settings.Server + ToWideString(QFileInfo(ToQString(name)).fileName());
    QString error;
    bool started = true;
    if (useDefault)
        started = LaunchBrowser(QString(), ToQString(name), error);
    else if (useOther)
        started = LaunchBrowser(ToQString(FBrowserPath), ToQString(name), error);
    if (!started && !error.isEmpty())
        throw Exception(ToLocalPath(error));
}
