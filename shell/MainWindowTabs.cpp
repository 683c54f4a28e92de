// Editor tabs: making a tab with its editor and record, opening files with their share modes,
// the new-file skeleton, the tab lookups, the tab switch and the keys of editors and lists.
#include "shell/MainWindow.h"

#include "controls/FileDialogs.h"
#include "editor/SyntaxEditorStrings.h"
#include <QFileDialog>
#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/SyntaxEdit.h"
#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "platform/SysUtils.h"
#include "shell/NavTreeAdapter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Canonical absolute form of a path when the file exists, else its absolute form.
WideString CanonicalPath(const WideString &Path)
{
    const QFileInfo info(ToQString(Path));
    const QString canonical = info.canonicalFilePath();
    return ToWideString(canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical);
}

bool IsPathName(const WideString &Name)
{
    return !Name.empty() && Name[0] == u'/';
}

// True when another holder (another copy of the program) keeps a lock on the file that a
// deny-write or exclusive opening takes.
bool LockedByOther(const AnsiString &Path)
{
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lk {};
    lk.l_type = F_WRLCK;
    lk.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_OFD_GETLK, &lk) == 0 && lk.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

bool OnNetworkFileSystem(const WideString &Path)
{
    const QStorageInfo storage(QFileInfo(ToQString(Path)).absolutePath());
    return storage.isValid() && IsNetworkFileSystem(storage.fileSystemType().toStdString());
}

// Restores the cursor and brings the window to the front on every way out of an opening.
class TOpenCursorScope {
public:
    explicit TOpenCursorScope(QWidget *Window) : FWindow(Window) { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TOpenCursorScope()
    {
        QApplication::restoreOverrideCursor();
        if (FWindow && FWindow->isVisible()) {
            FWindow->raise();
            FWindow->activateWindow();
        }
    }
    TOpenCursorScope(const TOpenCursorScope &) = delete;
    TOpenCursorScope &operator=(const TOpenCursorScope &) = delete;

private:
    QWidget *FWindow;
};

} // namespace

// ============================================================================ tab access

int TfrmQuillmarMain::TabCount() const
{
    return PageControl1->count();
}

TEditorTab *TfrmQuillmarMain::Tab(int Index) const
{
    return dynamic_cast<TEditorTab *>(PageControl1->widget(Index));
}

int TfrmQuillmarMain::ActiveIndex() const
{
    return PageControl1->currentIndex();
}

TEditorTab *TfrmQuillmarMain::ActiveTab() const
{
    return Tab(ActiveIndex());
}

TSyntaxEdit *TfrmQuillmarMain::ActiveEditor() const
{
    TEditorTab *tab = ActiveTab();
    return tab ? tab->Editor : nullptr;
}

void TfrmQuillmarMain::SetActivePage(int Index)
{
    if (Index < 0 || Index >= TabCount())
        return;
    FProgramTabChange = true;
    PageControl1->setCurrentIndex(Index);
    FProgramTabChange = false;
    // The program's switch runs no handler, but the status bar and the View menu speak of the
    // tab shown.
    if (TSyntaxEdit *editor = ActiveEditor()) {
        ShowActiveTabStatus();
        ShowHighlighterOf(*editor);
    }
}

QString TfrmQuillmarMain::TabCaption(int Index) const
{
    return PageControl1->tabText(Index);
}

void TfrmQuillmarMain::SetTabCaption(int Index, const QString &Caption)
{
    if (PageControl1->tabText(Index) != Caption)
        PageControl1->setTabText(Index, Caption);
}

WideString TfrmQuillmarMain::DisplayName(int Index) const
{
    QString caption = TabCaption(Index);
    if (caption.endsWith(QLatin1Char('*')))
        caption.chop(1);
    if (const TEditorTab *tab = Tab(Index);
        tab && !tab->Record->FetchFailure.empty() && caption.endsWith(NotLoadedMark))
        caption.chop(NotLoadedMark.size());
    return ToWideString(caption.replace(QStringLiteral("&&"), QStringLiteral("&")));
}

// ============================================================================ making tabs

void TfrmQuillmarMain::ApplyEditorSettings(TSyntaxEdit &Editor)
{
    const TSettings &s = Settings;
    Editor.SetColor(TColor(s.EditBackground));
    Editor.SetGutterColor(TColor(s.Gutter));
    Editor.SetGutterWidth(40);
    Editor.BookMarkOptions().SetLeftMargin(0);
    Editor.SetMaxRightChar(400);
    TColors mark(TColor(s.Marked), clWindowText);
    Editor.SetMarkColor(mark);
    QFont numbers = Editor.font();
    numbers.setPointSize(8);
    Editor.SetLineNumberFont(numbers);
    Editor.SetMaxUndo(s.UndoCount);
    Editor.SetScrollBarMode(sbmRegular);
    Editor.SetTabSize(s.TabSize);

    TSyntaxEditOptions o = Editor.Options();
    o |= eoInserting | eoLineNumbers | eoReadOnlySelection | eoShowCursorWhileReadOnly | eoWantTabs;
    o &= ~TSyntaxEditOptions(eoAutoIndent | eoAutoUnindent | eoCursorThroughTabs | eoGroupUndo | eoHideSelection |
                             eoScrollPastEOL | eoSmartTabs | eoUndoAfterSave | eoUseTabs);
    if (!s.TabsAsSpaces)
        o |= eoUseTabs;
    if (s.AutoIndent)
        o |= eoAutoIndent;
    if (s.AutoUnindent)
        o |= eoAutoUnindent;
    if (s.CursorThruTabs)
        o |= eoCursorThroughTabs;
    if (s.ShowControl)
        o |= eoShowControlChars;
    if (s.GroupUndo)
        o |= eoGroupUndo;
    if (s.UndoAfterSave)
        o |= eoUndoAfterSave;
    Editor.SetOptions(o);
}

TSyntaxHighlighter *TfrmQuillmarMain::ChosenHighlighter()
{
    if (Settings.BothHighlight) {
        FHTMLHighlighter->SetJavaScriptHighLighter(FJavaScriptHighlighter.get());
        return FHTMLHighlighter.get();
    }
    if (Settings.HTMLHighlight)
        return FHTMLHighlighter.get();
    if (Settings.JavaHighlight)
        return FJavaScriptHighlighter.get();
    return nullptr;
}

TEditorTab *TfrmQuillmarMain::NewEditorTab(const WideString &FileName, const WideString &ParentName, bool IsInclude)
{
    auto *tab = new TEditorTab(PageControl1);
    const QString caption = ToQString(DoubleAmpersands(ToWideString(QFileInfo(ToQString(FileName)).fileName())));
    FProgramTabChange = true;
    const int index = PageControl1->addTab(tab, caption.isEmpty() ? ToQString(FileName) : caption);
    PageControl1->setCurrentIndex(index);
    FProgramTabChange = false;

    auto *editor = new TSyntaxEdit(tab);
    tab->Editor = editor;
    tab->layout()->addWidget(editor);
    editor->show(); // now, not when the layout's queued show comes round: an open may paint it at once
    editor->SetScrollBars(ssBoth);
    editor->setToolTip(QString());

    tab->Record = std::make_unique<TTarnFile>(this, FileName, ParentName);
    SaveResultsInto(*tab->Record, IsInclude);

    ApplyEditorSettings(*editor);
    editor->SetHighLighter(ChosenHighlighter());
    editor->OnCaretChange = [this, editor](TSyntaxEditCore &, int X, int Y) {
        NewSyntaxEditCaretChange(*editor, X, Y);
        ScheduleRefresh();
    };
    editor->OnChange = [this](TSyntaxEditCore &) { ScheduleRefresh(); };
    editor->OnReplaceText = [this](TSyntaxEditCore &, const WideString &Search, const WideString &, int, int, int,
                                   TReplaceAction &Action) { SyntaxEditReplaceText(Search, Action); };
    editor->OnSettingChange = [this](TSyntaxEditCore &) { ScheduleRefresh(); };
    editor->installEventFilter(this);
    editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(editor, &QWidget::customContextMenuRequested, this, GuardedSlot([this, editor](const QPoint &At) {
        if (QMenu *popup = Menu(QStringLiteral("PopupMenuActivePage")))
            popup->popup(editor->mapToGlobal(At));
    }));
    editor->ClearAll(false, false);
    editor->SetModified(false);
    return tab;
}

void TfrmQuillmarMain::SaveResultsInto(TTarnFile &Record, bool EmptyTree)
{
    if (EmptyTree)
        Record.SaveTree(*ScratchTree, nullptr);
    else
        Record.SaveTree(*NavTree, FShownRecords);
    Record.SetMessageLines(ErrorList->Items());
    Record.MessageRecords.clear();
    for (int i = 0; i < ErrorList->Items().Count(); ++i) {
        const auto *finding = std::any_cast<TFindingRecord>(&ErrorList->ItemData(i));
        Record.MessageRecords.push_back(finding ? *finding : TFindingRecord());
    }
}

void TfrmQuillmarMain::MakeResultsLive(TEditorTab &Tab)
{
    if (FLiveTab != &Tab)
        KeepLiveResults(); // another tab's results leave the lists
    Tab.Record->SetLive(*NavTree, ErrorList->Items(), FShownRecords);
    FLiveTab = &Tab;
}

void TfrmQuillmarMain::KeepLiveResults()
{
    if (TEditorTab *tab = FLiveTab.data()) {
        FLiveTab.clear();
        tab->Record->EndLive();
        SaveResultsInto(*tab->Record, false);
    }
}

void TfrmQuillmarMain::ShowResultsOf(const TTarnFile &Record)
{
    if (FLiveTab && FLiveTab->Record.get() == &Record)
        return; // shown already
    KeepLiveResults();
    FShownRecords = Record.RestoreTree(*NavTree);
    TStrings &items = ErrorList->Items();
    items.BeginUpdate();
    items.Clear();
    items.AddStrings(Record.GetMessageLines());
    for (int i = 0; i < items.Count() && i < static_cast<int>(Record.MessageRecords.size()); ++i)
        ErrorList->SetItemData(i, Record.MessageRecords[static_cast<size_t>(i)]);
    items.EndUpdate();
}

// ============================================================================ opening

uint16_t TfrmQuillmarMain::ShareModeFor(const WideString &Path) const
{
    if (!OnNetworkFileSystem(Path))
        return fmShareDenyNone;
    uint16_t share = fmShareDenyNone;
    if (Settings.ShareNone)
        share = fmShareDenyNone;
    if (Settings.ShareRead)
        share = fmShareDenyWrite;
    if (Settings.ShareExclusive)
        share = fmShareExclusive;
    return share;
}

namespace {

enum class TLoadOutcome { Loaded, ReadOnly, Refused };

// Loads Path into Editor with the share mode. A file another copy of the program holds is
// shown read-only, as a deny-write opening that finds the file held is.
TLoadOutcome LoadWithShareMode(TSyntaxEdit &Editor, const WideString &Path, uint16_t Share)
{
    const AnsiString local = ToLocalPath(ToQString(Path));
    if (::access(local.c_str(), R_OK) != 0) {
        const int err = errno;
        throw EFOpenError("Cannot open file \"" + local + "\". " + std::strerror(err));
    }
    // A file the user may not write is only read: holding it deny-write would need write access.
    if (::access(local.c_str(), W_OK) != 0)
        Share = fmShareDenyNone;
    if (LockedByOther(local)) {
        if (Share == fmShareExclusive)
            return TLoadOutcome::Refused;
        Editor.LoadFromFile(Path, fmShareDenyNone);
        return TLoadOutcome::ReadOnly;
    }
    if (Editor.LoadFromFile(Path, Share))
        return TLoadOutcome::Loaded;
    return Share == fmShareDenyWrite ? TLoadOutcome::ReadOnly : TLoadOutcome::Refused;
}

void InUseMessage(const WideString &Path)
{
    MessageDlg(Path + u" is currently in use.\r\n" + u" It wil be opened as a READ ONLY file.", TMsgDlgType::mtWarning,
               mbOK);
}

void ExclusiveMessage(const WideString &Path)
{
    MessageDlg(Path + u" is currently opened exclusively\r\n" + u" by another user. Please try again later.",
               TMsgDlgType::mtWarning, mbOK);
}

} // namespace

void TfrmQuillmarMain::OpenFile(const WideString &APath, bool CheckOnOpen, bool IsInclude, const WideString &ParentName)
{
    const WideString Path = CanonicalPath(APath);
    if (!QFileInfo(ToQString(Path)).isFile()) {
        MissingFileName = APath;
        raise();
        QTimer::singleShot(0, this, GuardedSlot([this] {
            if (!MissingFileName.empty())
                MessageDlg(u"File '" + MissingFileName + u"' does not exist", TMsgDlgType::mtError, mbOK);
        }));
        return;
    }
    TOpenCursorScope cursor(this);
    KeepLiveResults();
    if (!IsInclude) {
        NavTree->Items().Clear();
        NavTree->Items().Add(nullptr, WideString(u"Not Quillmar'ed!"));
        FShownRecords.reset();
    }
    ErrorList->Items().Clear();

    TEditorTab *tab = NewEditorTab(Path, ParentName, IsInclude);
    TSyntaxEdit &editor = *tab->Editor;
    TLoadOutcome outcome;
    editor.BeginUpdate();
    try {
        outcome = LoadWithShareMode(editor, Path, ShareModeFor(Path));
    } catch (...) {
        editor.EndUpdate();
        RemoveTab(PageControl1->indexOf(tab));
        throw;
    }
    if (outcome == TLoadOutcome::Refused) {
        editor.EndUpdate();
        ExclusiveMessage(Path);
        RemoveTab(PageControl1->indexOf(tab));
        return;
    }
    if (outcome == TLoadOutcome::ReadOnly)
        InUseMessage(Path);
    editor.SetFileName(Path);
    editor.EndUpdate();
    editor.SetModified(false);
    tab->Record->UpdateFileAge();

    const bool readOnly =
        outcome == TLoadOutcome::ReadOnly || ::access(ToLocalPath(ToQString(Path)).c_str(), W_OK) != 0;
    TSyntaxEditOptions o = editor.Options();
    editor.SetOptions(readOnly ? (o | eoReadOnly) : (o & ~TSyntaxEditOptions(eoReadOnly)));
    editor.setFocus();

    if (!IsInclude) {
        ShownFileName = Path;
        AddToReopen(Path);
    }
    HighlightForFile(editor, Path);
    SetStatusPanel(2, ToQString(editor.FileName()));
    if (Settings.CheckOpen && CheckOnOpen) {
        // The user sees the file while it is checked: the new tab is laid out and painted first.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        if (isVisible())
            PageControl1->repaint();
        CheckSyntaxActionExecute();
    }
}

void TfrmQuillmarMain::FileOpenActionExecute()
{
    TEOpenDialog dialog(this);
    dialog.SetOptions(ofAllowMultiSelect | ofFileMustExist);
    dialog.SetFilter("htm, html (*.htm, *.html)|*.htm; *.html|Javascript (*.js)|*.js|ASP (*.asp, *.aspx)|*.asp; "
                     "*.aspx|PHP (*.php, *.php3, *.php4)|*.php; *.php3; *.php4|Flash ActiveScript *.as|*.as|ASP.NET "
                     "VB (*.*.vb)|*.vb|ASP.NET C# (*.*.cs)|*.cs|CSS (*.css)|*.css|WSF (*.wsf)|*.wsf|SVG "
                     "(*.svg)|*.svg|All files (*.*)|*.*");
    for (const QString &file : ChooseFiles(dialog)) {
        const WideString name = ToWideString(file);
        if (FileAlreadyOpen(name))
            continue;
        try {
            OpenFile(name, true, false, WideString());
        } catch (const std::exception &e) {
            throw Exception("Error opening " + ToLocalPath(file) + " - " + e.what());
        }
    }
}

void TfrmQuillmarMain::DropFiles(const QStringList &Files)
{
    for (const QString &file : Files) {
        const WideString name = ToWideString(file);
        if (FileAlreadyOpen(name))
            continue;
        try {
            OpenFile(name, false, false, WideString());
        } catch (const std::exception &e) {
            throw Exception("Error opening " + ToLocalPath(file) + " - " + e.what());
        }
    }
}

// ============================================================================ new file

void TfrmQuillmarMain::FileNewActionExecute()
{
    ++FNewFileCount;
    KeepLiveResults();
    NavTree->Items().Clear();
    NavTree->Items().Add(nullptr, WideString(u"New File"));
    FShownRecords.reset();
    ErrorList->Items().Clear();
    const std::string number = std::to_string(FNewFileCount);
    TEditorTab *tab = NewEditorTab(u"newfile" + WideString(number.begin(), number.end()), WideString(), false);
    TSyntaxEdit &editor = *tab->Editor;
    ShownFileName = u"new";
    editor.setFocus();
    SetStatusPanel(0, QStringLiteral("Ln 1 Col 1"));
    SetStatusPanel(2, QString());

    const WideString S = Settings.XHTML ? u" /" : u"";
    if (Settings.NFIncHTML) {
        WideString t;
        if (Settings.XHTML)
            t += u"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"\r\n"
                 u"\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n";
        t += u"<html>\r\n<head>\r\n<title>Your title here</title>\r\n";
        t += u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"" + S + u">\r\n";
        t += u"<meta name = \"GENERATOR\" Content = \"Quillmar " + ToWideString(QuillmarVersionTag()) + u"\"" + S + u">\r\n";
        t += u"</head>\r\n<body>\r\n<!-- Insert HTML here -->\r\n\r\n";
        t += u"</body>\r\n</html>\r\n";
        editor.SetSelText(t);
        editor.SetCaretXY({0, std::max(0, editor.CaretY() - 3)});
    }
    if (Settings.NFIncJava) {
        if (Settings.NFIncHTML) {
            if (Settings.JSHead)
                editor.SetCaretXY({0, std::max(0, editor.CaretY() - 3)});
            else if (Settings.JSAfterBody)
                editor.SetCaretXY({0, editor.CaretY() + 2});
        }
        editor.SetSelText(u"<script type = \"text/javascript\" language = \"Javascript\">\r\n<!-- Hide from older "
                          u"browsers;\r\n\r\n// end hide -->\r\n</script>\r\n");
        editor.SetCaretXY({editor.CaretX(), std::max(0, editor.CaretY() - 3)});
    }
    editor.SetModified(false);
    editor.ClearUndo();
}

// ============================================================================ lookups

int TfrmQuillmarMain::FileName2Tab(const WideString &Name) const
{
    // Paths name the same file when their canonical forms are equal; other names (new files,
    // fetched includes) are compared as they are.
    const WideString wanted = IsPathName(Name) ? CanonicalPath(Name) : Name;
    for (int i = 0; i < TabCount(); ++i) {
        const WideString &have = Tab(i)->Editor->FileName();
        if (have == wanted || (have.empty() && Tab(i)->Record->FileName == wanted))
            return i;
    }
    return -1;
}

bool TfrmQuillmarMain::FileAlreadyOpen(const WideString &Name)
{
    if (FileName2Tab(Name) < 0)
        return false;
    MessageDlg(u"File: " + Name +
                   u" is already open! Quillmar does not allow the same file to be opened more than once.",
               TMsgDlgType::mtWarning, mbOK);
    return true;
}

bool TfrmQuillmarMain::httpInclAlreadyOpen(const WideString &Name) const
{
    return FileName2Tab(Name) >= 0;
}

bool TfrmQuillmarMain::ViewThisFile(const WideString &Name)
{
    const int index = FileName2Tab(Name);
    if (index < 0)
        return false;
    SetActivePage(index);
    return true;
}

void TfrmQuillmarMain::GotoLineAndMark(TSyntaxEdit &Editor, int Line)
{
    const int visible = Editor.VisibleLineCount();
    const int top = Editor.GetTopLine();
    if (Editor.LineCount() > visible && (Line < top - 1 || Line > top + visible - 2)) {
        int newTop = std::max(0, Line - visible / 2);
        if (newTop > Editor.LineCount())
            newTop = Editor.LineCount() - 1;
        Editor.SetTopLine(newTop);
    }
    Editor.SetMarkLine(Line);
}

// ============================================================================ tab switch and keys

void TfrmQuillmarMain::PageControl1Change()
{
    const int index = ActiveIndex();
    TEditorTab *tab = Tab(index);
    if (!tab)
        return;
    TSyntaxEdit &editor = *tab->Editor;
    TTarnFile &record = *tab->Record;
    editor.setFocus();
    ShowActiveTabStatus();

    // With ShowTree on, the results shown are expanded through Expand all, so that action and
    // Collapse all follow the tree the user sees.
    if (record.ParentName.empty() || record.Checked) {
        if (ShownFileName.empty() || ShownFileName != editor.FileName()) {
            ShowResultsOf(record);
            ShownFileName = editor.FileName();
            if (Settings.ShowTree)
                TreeViewExpandActionExecute();
        }
    } else {
        const int parent = FileName2Tab(record.ParentName);
        if (parent >= 0 && ShownFileName != record.ParentName) {
            ShowResultsOf(*Tab(parent)->Record);
            ShownFileName = record.ParentName;
            if (Settings.ShowTree)
                TreeViewExpandActionExecute();
        }
    }

    ShowHighlighterOf(editor);
    ReloadIfChangedOnDisk(index);
}

bool TfrmQuillmarMain::ReloadIfChangedOnDisk(int Index)
{
    TEditorTab *tab = Tab(Index);
    if (!tab)
        return true;
    TSyntaxEdit &editor = *tab->Editor;
    TTarnFile &record = *tab->Record;
    if (!record.ChangedOnDisk() || editor.HasOption(eoReadOnly))
        return true;
    const int answer = MessageDlg(u"This file has been changed by another application! OK to Re-load this file now?",
                                  TMsgDlgType::mtWarning, mbOKCancel);
    if (answer == mrOk) {
        const WideString path = editor.FileName();
        editor.BeginUpdate();
        TLoadOutcome outcome;
        try {
            outcome = LoadWithShareMode(editor, path, ShareModeFor(path));
        } catch (...) {
            editor.EndUpdate();
            record.UpdateFileAge();
            throw;
        }
        if (outcome == TLoadOutcome::Refused) {
            editor.EndUpdate();
            ExclusiveMessage(path);
            SetActivePage(Index);
            FileCloseActionExecute();
            return false;
        }
        if (outcome == TLoadOutcome::ReadOnly) {
            InUseMessage(path);
            editor.SetOptions(editor.Options() | eoReadOnly);
        }
        editor.SetModified(false);
        editor.ClearUndo();
        const QString caption = TabCaption(Index);
        if (caption.endsWith(QLatin1Char('*')))
            SetTabCaption(Index, caption.left(caption.size() - 1));
        editor.EndUpdate();
    }
    record.UpdateFileAge();
    return true;
}

void TfrmQuillmarMain::SelectNextTab()
{
    if (TabCount() == 0)
        return;
    // As a click on the next tab: the tab-switch handler runs.
    PageControl1->setCurrentIndex((ActiveIndex() + 1) % TabCount());
}

void TfrmQuillmarMain::SelectPreviousTab()
{
    if (TabCount() == 0)
        return;
    PageControl1->setCurrentIndex((ActiveIndex() + TabCount() - 1) % TabCount());
}

bool TfrmQuillmarMain::NewSyntaxEditKeyDown(uint16_t Key, TShiftState Shift)
{
    if (Key == VK_TAB && Shift == ssCtrl) {
        SelectNextTab();
        return true;
    }
    if (Key == VK_TAB && Shift == (ssCtrl | ssShift)) {
        SelectPreviousTab();
        return true;
    }
    if (Key == 'D' && Shift == ssCtrl)
        CheckSyntaxActionExecute();
    return false;
}

void TfrmQuillmarMain::NewSyntaxEditCaretChange(TSyntaxEdit &Editor, int X, int Y)
{
    // An editor in the background (an include being opened, a load into another tab) does not
    // speak for the tab the user sees.
    if (&Editor == ActiveEditor())
        SetStatusPanel(0, QStringLiteral("Ln %1 Col %2").arg(Y + 1).arg(X + 1));
    Editor.SetMarkLine(-1);
}

void TfrmQuillmarMain::ShowActiveTabStatus()
{
    TSyntaxEdit *editor = ActiveEditor();
    if (!editor)
        return;
    SetStatusPanel(0, QStringLiteral("Ln %1 Col %2").arg(editor->CaretY() + 1).arg(editor->CaretX() + 1));
    SetStatusPanel(2, ToQString(editor->FileName()));
}

QAction *TfrmQuillmarMain::WindowFirstAction(uint16_t Key, TShiftState Shift) const
{
    for (const auto &[name, action] : FActions) {
        if (!action->property(WindowFirstProperty).toBool() || !action->isEnabled() || action->shortcut().isEmpty())
            continue;
        const QKeyCombination keys = action->shortcut()[0];
        const int modifiers = keys.keyboardModifiers().toInt();
        if (QtKeyEventToVirtualKey(int(keys.key()), modifiers, 0, false) == Key &&
            QtModifiersToShift(modifiers) == Shift)
            return action;
    }
    return nullptr;
}

bool TfrmQuillmarMain::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::ToolTip && ErrorList && Watched == ErrorList->viewport()) {
        Guarded([&] { ShowFindingHint(Event); });
        return true;
    }
    if (Event->type() != QEvent::KeyPress && Event->type() != QEvent::ShortcutOverride)
        return QMainWindow::eventFilter(Watched, Event);
    auto *key = static_cast<QKeyEvent *>(Event);
    const uint16_t vk = QtKeyEventToVirtualKey(key->key(), key->modifiers(), key->nativeScanCode(), false);
    const TShiftState shift = QtModifiersToShift(key->modifiers());
    if (Event->type() == QEvent::ShortcutOverride) {
        // A key the editor binds goes to the editor, not to a window shortcut of the same keys,
        // unless the window's command must win (File > New on Ctrl+N).
        if (auto *editor = qobject_cast<TSyntaxEdit *>(Watched))
            if (vk && editor->KeyToCommand(vk, shift) != ecNone && !WindowFirstAction(vk, shift)) {
                Event->accept();
                return true;
            }
        return QMainWindow::eventFilter(Watched, Event);
    }
    if (Watched == NavTree || Watched == ErrorList || qobject_cast<TSyntaxEdit *>(Watched)) {
        bool taken = false;
        Guarded([&] { taken = NewSyntaxEditKeyDown(vk, shift); });
        ScheduleRefresh();
        // A tab step is made once: the tab widgets around would step again with the same key.
        if (taken)
            return true;
    }
    return QMainWindow::eventFilter(Watched, Event);
}
