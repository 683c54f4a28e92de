#pragma once
// The main window: editor tabs with their document records, the navigation tree and findings
// panes, the status bar, the menus and the settings, which are read when the window is made
// and written when it is destroyed.
//
// The window's code is split by concern, one file per group:
//   MainWindow.cpp          creation, first showing, close query, destruction, layout
//   MainWindowTabs.cpp      tabs, opening files, the new-file skeleton, tab switch, keys
//   MainWindowFile.cpp      file actions (save, save as, close, close all, reopen list)
//   MainWindowCheck.cpp     check syntax, findings and tree navigation, the include host
//   MainWindowHints.cpp     the findings tooltip (texts in MainWindowTexts.cpp)
//   MainWindowProject.cpp   the Projects menu and project tree (the project file: Project.cpp)
//   DirectoryTab.cpp        the side panel's folder browser
//   MainWindowHelp.cpp      the help hook, F1 and the help contexts, Help > Contents
// Further groups (edit, search, view, insert menus, projects, print, transfer) go into files of
// their own in the same way: a member `CreateXxxActions()` declared below, called once from the
// constructor (see CreateActions in MainWindow.cpp), that makes its menu with `Menu()` and its
// actions with `AddAction()`. Every action is found again by its name with `Action()`, so the
// state refresh and the tests never need the group's own pointers.
#include "checker/HTMLJSFileChecker.h"
#include "editor/EditorTypes.h"
#include "editor/SyntaxEditCore.h"
#include "editor/HighlightAttributes.h"
#include "net/HttpProt.h"
#include "platform/GuardedApplication.h"
#include "platform/Types.h"
#include "platform/VirtualKeys.h"
#include "shell/ActionStates.h"
#include "shell/Project.h"
#include "shell/OptionsLogic.h"
#include "shell/Settings.h"
#include "shell/TarnFile.h"
#include "shell/Version.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QMargins>
#include <QRect>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QTimer;
class TDirectoryTab;
class TEOpenDialog;
class TfrmAsciRef;
class TfrmBuiltinRef;
class TfrmCodeTree;
class THTMLHighlighter;
class TJavaScriptHighlighter;
class TPrintAction;
class TQzFormDropFiles;
class TSyntaxEdit;
class TSyntaxHighlighter;
class TTextListBox;
class TSyntaxFindDialog;
class TfrmEditorCmds;
class TInsertTools;
struct TFragmentItem;
class TfrmAbout;
class TfrmFTP;
class TfrmNewVersion;
class TTipOfTheDayDlg;
class TfrmOptions;
class THookHelpSystem;
struct TDebugLogSystem;
class TTreeNT;
class TTreeNTNode;

// One tab sheet of the editor page control: its editor fills it; the record travels with it.
class TEditorTab : public QWidget {
public:
    explicit TEditorTab(QWidget *Parent);
    ~TEditorTab() override;
    TSyntaxEdit *Editor = nullptr;
    std::unique_ptr<TTarnFile> Record;
};

// How the window is set up; the program uses the defaults, tests point the settings elsewhere.
struct TMainWindowSetup {
    // The settings file; empty: the place LocateSettingsFile chooses.
    AnsiString SettingsFile;
    // When the settings file does not exist yet it is started from the shipped settings.
    bool SeedSettings = true;
    // Text for the title bar and prompts.
    QString Caption = QStringLiteral("Quillmar ") + QuillmarVersionTag() + QStringLiteral(", Javascript Authoring Tool");
    // The help file; empty: "Quillmar.chm" in the program's folder.
    QString HelpFile;
};

// The settings the program ships with (colours in particular), written as the settings file
// when there is none yet.
const char *ShippedSettingsText();

// Style bits of a settings key (1 bold, 2 italic, 4 underline, 8 strike-out) and back.
THighlightFontStyles IntToStyle(int N);
int StyleToInt(THighlightFontStyles Style);
// Sets bit i of Style from item i of a four-item check list ("Bold", "Italic", "Underline",
// "Strikeout").
class QListWidget;
void ReadStyleChecks(const QListWidget &CheckList, THighlightFontStyles &Style);

// The program's browser launcher: the desktop's default browser for an empty Browser, else
// that program (a path, or a name found on PATH) with Target as its one argument.
bool StartBrowser(const QString &Browser, const QString &Target, QString &Error);

// Bounds (of the window without its frame) moved, and where they are larger made smaller, so that
// the window with its Frame lies inside Available, the screen's free area.
QRect FitIntoScreen(const QRect &Bounds, const QRect &Available, const QMargins &Frame = QMargins());

// "&" becomes "&&", so a file name shows literally in a tab caption or menu item.
WideString DoubleAmpersands(const WideString &Text);
// Position (from 1) of the last "." of Text, 0 when there is none.
int LastDotPos(const WideString &Text);

class TfrmQuillmarMain : public QMainWindow, public IIncludeHost {
public:
    explicit TfrmQuillmarMain(TMainWindowSetup Setup = TMainWindowSetup(), QWidget *Parent = nullptr);
    ~TfrmQuillmarMain() override;

    // ---- settings
    TSettings Settings;
    const AnsiString &SettingsFileName() const { return FSettingsFile; }
    bool RunsFromNetwork() const { return FRunsFromNetwork; }
    // Writes every setting now (the destructor does it too).
    void WriteSettings();
    // Colours, styles and backgrounds of the two highlighters from the settings.
    void ApplyHighlighterColours();

    // ---- controls
    QTabWidget *PageControl1 = nullptr; // editor tabs
    // The reference tool windows (children of the window, made with it).
    TfrmAsciRef *frmAsciRef = nullptr;
    TfrmBuiltinRef *frmBuiltinRef = nullptr;
    TfrmCodeTree *frmCodeTree = nullptr;
    // Puts a text on the clipboard as Unicode text.
    static void CopyToClipboardUnicode(const WideString &Text);
    QTabWidget *PageControlNav = nullptr; // Nav, Projects, Dir
    QTabWidget *PageControl2 = nullptr; // Errors
    TTreeNT *NavTree = nullptr;
    TTreeNT *ScratchTree = nullptr; // hidden, always empty
    TTreeNT *TreeNTProjects = nullptr;
    TTreeNT *TreeNTFiles = nullptr;
    TTextListBox *ErrorList = nullptr;
    TQzFormDropFiles *QzFormDropFiles1 = nullptr;
    THTMLHighlighter &HTMLHighlighter1() { return *FHTMLHighlighter; }
    TJavaScriptHighlighter &JavaScriptHighlighter1() { return *FJavaScriptHighlighter; }
    THTMLJSFileChecker &ScriptChecker() { return *FScriptChecker; }

    // Status bar panels: 0 caret position, 1 edit mode, 2 file path.
    QString StatusPanel(int Index) const;
    void SetStatusPanel(int Index, const QString &Text);

    // ---- actions
    QMenu *Menu(const QString &Name) const;
    QAction *Action(const QString &Name) const;
    // Makes an action named Name in Menu (null: no menu) whose handler runs behind the error
    // boundary: an exception it lets through is shown through the prompter.
    QAction *AddAction(QMenu *Menu, const QString &Name, const QString &Caption, const QKeySequence &Shortcut,
                       std::function<void()> Handler);
    // Runs Handler behind the program's one error boundary (RunGuarded): an exception becomes an
    // error box.
    static void Guarded(const std::function<void()> &Handler) { RunGuarded(Handler); }
    // An action with this property set true keeps its shortcut when an editor has the focus and
    // binds the same keys itself (SetWindowFirst).
    static constexpr const char *WindowFirstProperty = "quillmarWindowFirst";
    static void SetWindowFirst(QAction &Action);
    // The enabled window-first action whose shortcut is Key with Shift (the editor's own terms for
    // a key), null when an editor gets those keys.
    QAction *WindowFirstAction(uint16_t Key, TShiftState Shift) const;
    // "File > New": the action's menu on the menu bar and its caption, without accelerators.
    QString MenuPath(const QAction &Action) const;

    // Open and save dialogs go through this hook; tests replace it. Chosen receives the chosen
    // files; the dialog's filter index is what the user left selected.
    std::function<bool(TEOpenDialog &Dialog, QStringList &Chosen)> RunFileDialog;

    // ---- tabs (MainWindowTabs.cpp)
    int TabCount() const;
    TEditorTab *Tab(int Index) const;
    int ActiveIndex() const;
    TEditorTab *ActiveTab() const;
    TSyntaxEdit *ActiveEditor() const;
    // Makes tab Index the active page as the program does: the tab-switch handler does not run.
    void SetActivePage(int Index);
    QString TabCaption(int Index) const;
    void SetTabCaption(int Index, const QString &Caption);
    // The name the tab shows, as written: the caption without a trailing "*" (nor the not-loaded
    // mark of a failed fetch) and with its "&&" (doubled for the tab bar) single again.
    WideString DisplayName(int Index) const;
    // Follows the caption of a fetched include's tab whose fetch failed.
    static inline const QString NotLoadedMark = QStringLiteral(" (not loaded)");

    TEditorTab *NewEditorTab(const WideString &FileName, const WideString &ParentName, bool IsInclude);
    void OpenFile(const WideString &Path, bool CheckOnOpen, bool IsInclude, const WideString &ParentName);
    // Applies the settings to an editor (undo limit, tab width, colours, options).
    void ApplyEditorSettings(TSyntaxEdit &Editor);
    // The highlighter the View menu's choice gives a new tab.
    TSyntaxHighlighter *ChosenHighlighter();
    uint16_t ShareModeFor(const WideString &Path) const;
    int FileName2Tab(const WideString &Name) const;
    bool FileAlreadyOpen(const WideString &Name);
    bool httpInclAlreadyOpen(const WideString &Name) const;
    bool ViewThisFile(const WideString &Name);
    void GotoLineAndMark(TSyntaxEdit &Editor, int Line);
    // Tab switch as the user makes it.
    void PageControl1Change();
    void SelectNextTab();
    void SelectPreviousTab();
    // The active tab's caret position and path in the status bar.
    void ShowActiveTabStatus();
    // Offers to reload tab Index when its file changed on disk (reload, read-only or close as
    // opening would); false when the tab was closed.
    bool ReloadIfChangedOnDisk(int Index);
    // Keys of every editor, the tree and the findings: Ctrl+Tab and Ctrl+Shift+Tab step through
    // the tabs and are taken (true: the tab widgets around must not step again); Ctrl+D checks.
    bool NewSyntaxEditKeyDown(uint16_t Key, TShiftState Shift);
    void NewSyntaxEditCaretChange(TSyntaxEdit &Editor, int X, int Y);
    // Shows the tree and findings of a record in NavTree and ErrorList.
    void ShowResultsOf(const TTarnFile &Record);
    // Saves what NavTree and ErrorList show into a record.
    void SaveResultsInto(TTarnFile &Record, bool EmptyTree);
    // Leaves the results NavTree and ErrorList show with Tab: they are copied into its record only when
    // something else is about to be shown (KeepLiveResults), so a check of a large script makes no
    // second copy of its tree and findings unless the user moves to another tab.
    void MakeResultsLive(TEditorTab &Tab);
    // Copies the live results into their tab's record, if the tab still exists, before NavTree or
    // ErrorList change.
    void KeepLiveResults();

    void FileNewActionExecute();
    void FileOpenActionExecute();
    void DropFiles(const QStringList &Files);

    WideString ShownFileName;
    WideString MissingFileName;
    int NewFileCount() const { return FNewFileCount; }

    // ---- file actions (MainWindowFile.cpp)
    void FileSaveActionExecute();
    void FileSaveAsActionExecute();
    // Save and Save As of one tab, whichever tab is active: true once the file holds the text
    // (only then is the tab unmodified). False when the user stopped the save; a failed save throws,
    // leaving the file, the tab's text, name, modified mark and undo history as they were.
    bool SaveTab(TEditorTab &Tab);
    bool SaveTabAs(TEditorTab &Tab);
    // Before a save writes over Name, Tab's own file, that another program changed since the tab
    // last read or wrote it: asks whether to overwrite it (default No). True when the save may go on.
    bool MayOverwrite(TEditorTab &Tab, const WideString &Name);
    // The question of Close and Exit for a modified tab (Yes, No, Cancel), naming its file as written.
    int AskToSaveChanges(TEditorTab &Tab);
    void FileSaveAllActionExecute();
    void FileCloseActionExecute();
    void FileCloseAllActionExecute();
    // Removes tab Index with its tree records and record; Activate: make the tab the rules name
    // active afterwards.
    void RemoveTab(int Index);
    void AddToReopen(const WideString &Path);
    void BuildReopenMenus();
    void ReopenEntryClick(const WideString &Path);
    void ViewInBrowserActionExecute();
    // Starts a browser on Target (a path or an address): the desktop's default browser when
    // Browser is empty, else that program (found on PATH). False with the error text on failure.
    std::function<bool(const QString &Browser, const QString &Target, QString &Error)> LaunchBrowser;
    // Offers the user-defined browsers; false when the choice was cancelled, Selected false when
    // none was chosen.
    std::function<bool(const std::vector<WideString> &Browsers, WideString &Chosen, bool &Selected)> ChooseBrowser;

    // ---- options (MainWindowOptions.cpp)
    // Opens the options dialog on page Tag (TOptionsPage); after OK the settings are applied.
    void Options1Click(int Tag);
    // The settings to every open editor, the highlighters, the trees and the findings list.
    void ApplyOptions();
    TfrmOptions &OptionsDialog();
    // Where the options dialog looks for browsers; tests replace it before the dialog is made.
    TBrowserEnvironment BrowserEnvironment;
    // Shows the options dialog modally; tests replace it. The result is the dialog's.
    std::function<int(TfrmOptions &Dialog)> RunOptionsDialog;

    // ---- printing (MainWindowPrint.cpp)
    void PrintActionExecute();
    TPrintAction &Printing();

    // ---- check syntax and navigation (MainWindowCheck.cpp)
    void CheckSyntaxActionExecute();
    TCheckOptions CheckOptions() const;
    void NewListBoxClick();
    void NewTreeViewClick();
    void TreeViewExpandActionExecute();
    void TreeViewCollapseActionExecute();
    // True after Expand all, false after a check or Collapse all.
    bool TreeExpanded() const { return FTreeExpanded; }
    void NewTreeViewBeforeItemPaint(TTreeNTNode *Node);
    // The name of include Index+1 of the active tab (of its parent for an include tab); false
    // when the parent tab is not open.
    bool IncludeName(int Index, WideString &Name);

    // ---- include host
    // The window's HTTP client: it fetches http:// includes (no events assigned).
    THttpCli HttpCli1;
    bool OpenIncludeFile(const AnsiString &Path, AnsiString &Resolved, TCheckLine LineIndex) override;
    bool LoadHttpIncl(const AnsiString &URL, TCheckLine LineIndex, int32_t N, const AnsiString &FileName,
                      std::vector<AnsiString> &Lines, AnsiString &Error) override;
    int FileName2Tab(const AnsiString &Path) override;
    const TWideStrings *TabLines(int Index) override;
    bool CurrentProject(TCheckProject &Project) override;

    // ---- projects (MainWindowProject.cpp)
    // The open projects; the current one is the last (the actions allow one at a time).
    std::vector<std::unique_ptr<TProject>> Projects;
    TProject *CurrentProjectObject() const;
    // Appends the project, reads it, opens its files and shows its tree.
    void OpenProject(const QString &Name);
    void ActionProjNewExecute();
    void ActionProjOpenExecute();
    void ActionProjCloseExecute();
    void ActionProjAddActiveFileExecute();
    void ActionProjAddAllExecute();
    void ActionProjRemoveFileExecute();
    void ActionProjToggleExecute();
    void ActionProjSetJSParentExecute();
    void TreeNTProjectsClick();
    void TreeNTProjectsBeforeItemPaint(TTreeNTNode *Node) const;
    // A node under "Javascript Files" is selected in the project tree.
    bool ProjectJSFileSelected() const;
    // Tab Index's editor holds the file Name (compared without regard to case).
    bool TabHoldsProjectFile(int Index, const AnsiString &Name) const;

    // ---- directory tab (DirectoryTab.cpp): the side panel's "Dir" page
    TDirectoryTab *TabSheetFiles = nullptr;

    // ---- findings tooltip and tips (MainWindowHints.cpp, MainWindowTexts.cpp)
    // The tooltip of a findings line, empty for none.
    // The explanation of finding Code, empty when it has none.
    static QString FindingHint(int Code);
    static const char *const Tips[25];

    // The window's own start: new file and start-open list (first showing with no tab).
    void FirstShow();

    // ---- edit, search and view (MainWindowEdit.cpp)
    enum class THighlightChoice { HTML, Javascript, Both, None };
    // The colouring a file's name calls for by its extension (.js and .svg JavaScript, pages HTML with
    // embedded JavaScript); none for a name whose extension names no kind.
    static std::optional<THighlightChoice> HighlightChoiceFor(const WideString &FileName);
    // Tag 0 find, 1 replace.
    void SearchFindActionExecute(int Tag);
    void SearchNextActionExecute();
    // The editors' replace prompt: Yes, No, Cancel or Yes to all for one match.
    void SyntaxEditReplaceText(const WideString &Search, TReplaceAction &Action);
    void ChooseHighlighter(THighlightChoice Choice);
    // Gives Editor the colouring of a choice (the HTML highlighter is shared: HTML alone turns
    // the embedded JavaScript off for every tab using it, Both on).
    void SetEditorHighlighter(TSyntaxEdit &Editor, THighlightChoice Choice);
    // Gives Editor the colouring FileName's extension calls for; a name that calls for none
    // leaves it as it is. The View menu follows when Editor is the active one.
    void HighlightForFile(TSyntaxEdit &Editor, const WideString &FileName);
    // Checks the View menu item of Editor's colouring (it becomes the choice for new tabs).
    void ShowHighlighterOf(const TSyntaxEdit &Editor);
    void ShowEditorCmdsActionExecute();
    TSyntaxFindDialog &FindDialog() const { return *FFindDialog; }
    TfrmEditorCmds &EditorCmds() const { return *FEditorCmds; }
    int FindOptions() const { return FFindOptions; }
    // Shows the find dialog modally; tests replace it. The result is the dialog's.
    std::function<int(TSyntaxFindDialog &Dialog)> RunFindDialog;

    // ---- start-up (MainWindowStart.cpp)
    // Lines written to the trace log at exit.
    QStringList TraceLines;
    // Writes the trace log "Quillmar.log" beside the settings when one of Arguments (the program's
    // own by default) is "log" in any case and the program does not run from a network drive;
    // empties the list.
    void SaveTraceLog();
    void SaveTraceLog(const QStringList &Arguments);
    // A second start handed over: come to the front (restored when minimised).
    void ActivateInstance();
    // A second start handed over Path: its tab becomes active when it is open, else it is opened.
    // While the user is being asked something (a prompt or another modal window is up, a check is
    // fetching, a close, save or exit walk runs), it waits, so no answer acts on a tab it did not ask about.
    void HandOverOpen(const QString &Path);
    // True while such work must wait.
    bool UserIsAsked() const;

    // ---- action states and status bar (MainWindowState.cpp)
    // Set on every activation of the program: the next refresh offers reloading a file that
    // changed on disk meanwhile.
    bool RecheckDisk = false;
    // Asks for one refresh of actions, captions and status bar once the event loop is idle.
    void ScheduleRefresh();
    void RefreshActionStates();
    TActionStateInput ActionStateInput() const;

    // ---- JavaScript and HTML insert menus (MainWindowInsertJS.cpp, MainWindowInsertHTML.cpp)
    TInsertTools &InsertTools() const { return *FInsertTools; }
    void functionblock1Click();
    void Messageboxalertconfirmprompt1Click();
    void Table1Click();
    void Lists1Click();
    void Imagenew1Click();
    void AnchorsAHREF1Click();
    void Fontcolor2Click(int Tag);

    // ---- transfer and remaining window actions (MainWindowTransfer.cpp)
    void FTPActionExecute();
    void Checkfornewerversion1Click();
    void ShowTipofDay1Click();
    // The first idle moment after start-up (runs once): the tip of the day when it is wanted.
    void myIdle();
    void CommentselectedLines1Click();
    void Uncommentselectedlines1Click();
    void Alphasort1Click();
    void ShowAboutBox();
    TfrmFTP &FtpDialog() const { return *FFtpDialog; }
    TfrmNewVersion &NewVersionDialog() const { return *FNewVersionDialog; }
    TfrmAbout &AboutBox() const { return *FAboutBox; }
    std::unique_ptr<TTipOfTheDayDlg> TipOfTheDayDlg1;

    // ---- help (MainWindowHelp.cpp)
    // The help file the hook opens (full path).
    const QString &HelpFileName() const { return FHelpFile; }
    THookHelpSystem *HelpHook() const { return FHelpHook.get(); }
    // Help > Contents: the help's contents topic.
    void HelpContentsActionExecute();
    // What the debug log reports about the program started with Arguments (the program first).
    static TDebugLogSystem DebugLogSystem(const QStringList &Arguments);

protected:
    void showEvent(QShowEvent *Event) override;
    void closeEvent(QCloseEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void moveEvent(QMoveEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void ReadSettings(const TMainWindowSetup &Setup);
    void BuildLayout();
    void CreateActions();
    void CreateFileActions();
    void CreateCheckActions();
    void CreateToolBar();
    void CreatePrintActions();
    void CreateEditActions();
    void CreateToolsActions();
    void CreateInsertJSActions();
    void CreateInsertHTMLActions();
    // The active editor when it takes insertions (not read-only), else null.
    TSyntaxEdit *InsertTarget() const;
    void InsertFragment(const std::vector<TFragmentItem> &Items, const char *Name);
    void CreateTransferActions();
    void CreateHelpHook(const TMainWindowSetup &Setup);
    void CreateHelpActions();
    void CreateProjectActions();
    void CreateDirectoryTab();
    void ShowNoProject();
    // Writes the current project and rebuilds its tree.
    void ProjectChanged();
    void CreateOptionsActions();
    void CheckHighlighterItem();
    void ShowParentOfUncheckedInclude();
    void ApplyPlacement();
    void WatchApplicationState();
    void NoteBounds();
    // Sizes the side panel and the findings list from the settings, bounded to the room the window has.
    void FitPanes();
    // Takes the window's bounds and state into the settings while it is shown.
    void NoteWindowState();
    void ShowFindingHint(QEvent *Event);
    bool SaveChangedTabOnClose(TEditorTab &Tab);
    // Runs what waited while the user was asked (hand-overs, the check for files changed on disk)
    // once nothing is asked any more.
    void RunWhenNotAsked();
    // Close all, Save all and the exit walk count themselves here while they run.
    class TFileWalk {
    public:
        explicit TFileWalk(TfrmQuillmarMain &Window) : FWindow(Window) { ++FWindow.FFileWalks; }
        ~TFileWalk() { --FWindow.FFileWalks; }
        TFileWalk(const TFileWalk &) = delete;
        TFileWalk &operator=(const TFileWalk &) = delete;

    private:
        TfrmQuillmarMain &FWindow;
    };
    QStringList ChooseFiles(TEOpenDialog &Dialog);

    AnsiString FSettingsFile;
    QString FHelpFile;
    std::unique_ptr<THookHelpSystem> FHelpHook;
    bool FRunsFromNetwork = false;
    std::unique_ptr<THTMLHighlighter> FHTMLHighlighter;
    std::unique_ptr<TJavaScriptHighlighter> FJavaScriptHighlighter;
    std::unique_ptr<THTMLJSFileChecker> FScriptChecker;
    std::unique_ptr<TPrintAction> FPrintAction;
    // The records of the tree NavTree shows now.
    std::shared_ptr<TNavRecArena> FShownRecords;
    // The tab whose results NavTree and ErrorList show without a copy in its record.
    QPointer<TEditorTab> FLiveTab;
    QSplitter *FSplitterMain = nullptr; // navigation | editors
    QSplitter *FSplitterBottom = nullptr; // above | findings
    QLabel *FPanels[3] = {};
    std::map<QString, QAction *> FActions;
    std::map<QString, QMenu *> FMenus;
    QMenu *FReopenMenu = nullptr;
    QMenu *FTabPopup = nullptr;
    QMenu *FPopupReopen = nullptr;
    int FNewFileCount = 0;
    TSyntaxFindDialog *FFindDialog = nullptr;
    TfrmEditorCmds *FEditorCmds = nullptr;
    TInsertTools *FInsertTools = nullptr;
    TfrmOptions *FOptionsDialog = nullptr;
    int FFindOptions = 0;
    WideString FBrowserPath; // the browser the next view starts
    TEditorTab *FCheckedTab = nullptr; // the tab a running check belongs to
    QStringList FPendingHandOvers; // hand-overs that came in while the user was asked
    QTimer *FWhenNotAsked = nullptr; // polls for the end of that
    int FFileWalks = 0;
    bool FTreeExpanded = false;
    bool FRefreshPending = false;
    bool FClipboardHasText = false;
    bool FProgramTabChange = false; // the program, not the user, changes the active tab
    bool FFirstShown = false;
    bool FFrameFitted = false; // the first showing has fitted the framed window into its screen
    bool FDestroying = false;
    TfrmFTP *FFtpDialog = nullptr;
    TfrmNewVersion *FNewVersionDialog = nullptr;
    TfrmAbout *FAboutBox = nullptr;
    bool FIdleDone = false;
};
