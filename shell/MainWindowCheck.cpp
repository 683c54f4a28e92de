// Check syntax, the way back from findings and tree nodes to the text, and the main window's side
// of includes (the checker's include host).
#include "shell/MainWindow.h"

#include "editor/SyntaxEditorStrings.h"
#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/SyntaxEdit.h"
#include "net/Connectivity.h"
#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "platform/ScopeGuard.h"
#include "platform/CodePage.h"
#include "platform/SysUtils.h"
#include "shell/NavTreeAdapter.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

namespace {

// The editor's lines and file name, as the checker reads them.
class TEditorDocument final : public ICheckDocument {
public:
    explicit TEditorDocument(const TSyntaxEdit &Editor) : FEditor(Editor) {}
    const TWideStrings &Lines() const override { return FEditor.Lines(); }
    WideString FileName() const override { return FEditor.FileName(); }

private:
    const TSyntaxEdit &FEditor;
};

class TCursorScope {
public:
    TCursorScope() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TCursorScope() { QApplication::restoreOverrideCursor(); }
    TCursorScope(const TCursorScope &) = delete;
    TCursorScope &operator=(const TCursorScope &) = delete;
};

// While a check runs, an include may be fetched over the network and the event loop turns: the
// user's input (and closing the window) waits until the check is done, so nobody closes the tab
// being checked or starts a second check inside the first. The fetch itself ends by its timeout.
class TUserInputBlock : public QObject {
public:
    explicit TUserInputBlock(QWidget *Window) : FWindow(Window) { qApp->installEventFilter(this); }
    ~TUserInputBlock() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        // A box the check itself shows (a warning about an include) is answered as usual.
        if (InModalBox(Watched))
            return false;
        switch (Event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Drop: return true;
        case QEvent::Close:
            if (Watched == FWindow) {
                Event->ignore();
                return true;
            }
            return false;
        default: return false;
        }
    }

private:
    bool InModalBox(QObject *Watched) const
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == FWindow)
            return false;
        if (auto *window = qobject_cast<QWindow *>(Watched))
            return window == modal->windowHandle();
        if (Watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(Watched);
            return widget == modal || modal->isAncestorOf(widget);
        }
        return false;
    }

    QWidget *FWindow;
};

} // namespace

void TfrmQuillmarMain::CreateCheckActions()
{
    QMenu *check = menuBar()->addMenu(QStringLiteral("&Check"));
    check->setObjectName(QStringLiteral("Check1"));
    FMenus[QStringLiteral("Check1")] = check;
    // Ctrl+D checks from wherever the focus is in the window, the editors' own keys included.
    SetWindowFirst(*AddAction(check, QStringLiteral("CheckSyntaxAction"), QStringLiteral("&Check syntax"),
                              QKeySequence(QStringLiteral("Ctrl+D")), [this] { CheckSyntaxActionExecute(); }));
    QMenu *tree = new QMenu(this);
    tree->setObjectName(QStringLiteral("PopupMenuTree"));
    FMenus[QStringLiteral("PopupMenuTree")] = tree;
    AddAction(tree, QStringLiteral("TreeViewExpandAction"), QStringLiteral("&Expand all in tree view"), QKeySequence(),
              [this] { TreeViewExpandActionExecute(); });
    AddAction(tree, QStringLiteral("TreeViewCollapseAction"), QStringLiteral("&Collapse all in tree view"),
              QKeySequence(), [this] { TreeViewCollapseActionExecute(); });
    QAction *sorted =
        AddAction(tree, QStringLiteral("Alphasort1"), QStringLiteral("&Sorted on text"), QKeySequence(), [] {});
    sorted->setCheckable(true);
    NavTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(NavTree, &QWidget::customContextMenuRequested, this,
            GuardedSlot([this, tree](const QPoint &p) { tree->popup(NavTree->viewport()->mapToGlobal(p)); }));

    NavTree->OnClick = [this](TTreeNT *, TTreeNTNode *) { Guarded([this] { NewTreeViewClick(); }); };
    NavTree->OnBeforeItemPaint = [this](TTreeNT *, TTreeNTNode *Node, const QRect &, uint16_t, bool &) {
        NewTreeViewBeforeItemPaint(Node);
    };
    ErrorList->OnClick = [this](TTextListBox &) { Guarded([this] { NewListBoxClick(); }); };
}

TCheckOptions TfrmQuillmarMain::CheckOptions() const
{
    const TSettings &s = Settings;
    TCheckOptions o;
    o.NoWarnings = s.NoWarnings;
    o.WarnJSFuncNotCalled = s.WarnJSFuncNotCalled;
    o.WarnNoVar = s.WarnNoVar;
    o.Summary = s.Summary;
    o.OpenIncludes = s.OpenIncludes;
    o.Embedsvg = s.Embedsvg;
    o.RepeatDec = s.RepeatDec;
    o.SemiColon = s.SemiColon;
    o.ECMA = s.ECMA;
    o.Deprecated = s.Deprecated;
    o.TreeGlobals = s.TreeGlobals;
    o.TreeLocals = s.TreeLocals;
    o.JSON = s.JSON;
    return o;
}

void TfrmQuillmarMain::CheckSyntaxActionExecute()
{
    const int index = ActiveIndex();
    TEditorTab *tab = Tab(index);
    if (!tab)
        return;
    TTarnFile &record = *tab->Record;
    const WideString name = DisplayName(index);
    ShowResultsOf(record);
    {
        TCursorScope cursor;
        TNavTreeAdapter nodes(NavTree->Items());
        TEditorDocument document(*tab->Editor);
        TUserInputBlock block(this);
        FCheckedTab = tab;
        // Hand-overs from later starts that come in meanwhile wait for the end of the check.
        TScopeGuard reset([this] { FCheckedTab = nullptr; });
        std::vector<TFindingRecord> findings;
        FScriptChecker->CheckFile(document, &ErrorList->Items(), &nodes, CheckOptions(), &record.Includes,
                                  &record.ServerIncludes, ToLocalPath(ToQString(name)), &findings);
        for (size_t i = 0; i < findings.size(); ++i)
            ErrorList->SetItemData(static_cast<int>(i), std::move(findings[i]));
        FShownRecords = FScriptChecker->TreeRecords();
        FTreeExpanded = false;
        if (QAction *sorted = Action(QStringLiteral("Alphasort1")); sorted && sorted->isChecked()) {
            NavTree->Items().BeginUpdate();
            NavTree->AlphaSort();
            NavTree->Items().EndUpdate();
        }
        // The tab may have gone while includes were fetched.
        if (PageControl1->indexOf(tab) < 0)
            return;
        MakeResultsLive(*tab);
        record.Checked = true;
        ShownFileName = tab->Editor->FileName();
        if (Settings.ShowTree)
            TreeViewExpandActionExecute();
    }
}

void TfrmQuillmarMain::TreeViewExpandActionExecute()
{
    NavTree->Items().BeginUpdate();
    NavTree->FullExpand();
    NavTree->Items().EndUpdate();
    FTreeExpanded = true;
}

void TfrmQuillmarMain::TreeViewCollapseActionExecute()
{
    NavTree->Items().BeginUpdate();
    NavTree->FullCollapse();
    NavTree->Items().EndUpdate();
    FTreeExpanded = false;
}

void TfrmQuillmarMain::ShowParentOfUncheckedInclude()
{
    TEditorTab *tab = ActiveTab();
    if (!tab || tab->Record->ParentName.empty() || tab->Record->Checked)
        return;
    const int parent = FileName2Tab(tab->Record->ParentName);
    if (parent >= 0)
        SetActivePage(parent);
}

void TfrmQuillmarMain::NewListBoxClick()
{
    // The finding's record says where it lies; a line without one (totals, closing lines) leads nowhere.
    const auto *finding = std::any_cast<TFindingRecord>(&ErrorList->ItemData(ErrorList->ItemIndex()));
    if (!finding || !finding->Location)
        return;
    if (finding->Location->IsInclude()) {
        if (!ViewThisFile(ToWideString(AnsiToQString(finding->File))))
            return;
    } else {
        ShowParentOfUncheckedInclude();
    }
    // Findings count lines from 1, the editor from 0.
    if (TSyntaxEdit *editor = ActiveEditor())
        GotoLineAndMark(*editor, finding->Location->Line() - 1);
}

void TfrmQuillmarMain::NewTreeViewClick()
{
    TTreeNTNode *node = NavTree->GetSelected();
    const TNavNodeRec *rec = node && FShownRecords ? FShownRecords->Find(node->GetData()) : nullptr;
    if (!rec || rec->Kind == 1)
        return;
    if (rec->Line.IsInclude()) {
        WideString name;
        if (!IncludeName(rec->Line.Include() - 1, name) || !ViewThisFile(name))
            return;
    } else {
        ShowParentOfUncheckedInclude();
    }
    // Node lines are 0-based, as the editor counts.
    if (TSyntaxEdit *editor = ActiveEditor())
        GotoLineAndMark(*editor, rec->Line.Line());
}

void TfrmQuillmarMain::NewTreeViewBeforeItemPaint(TTreeNTNode *Node)
{
    const TNavNodeRec *rec = Node && FShownRecords ? FShownRecords->Find(Node->GetData()) : nullptr;
    if (!rec)
        return;
    TColor colour;
    switch (rec->Kind) {
    case 2: colour = 0x008080; break;
    case 3: colour = 0x000080; break;
    case 6:
    case 9:
    case 10:
    case 11:
    case 12: colour = 0xFF0000; break;
    case 13:
    case 14: colour = 0x0000FF; break;
    case 17:
    case 18: colour = 0xFF00FF; break;
    case 19: colour = 0x07857D; break;
    default: return;
    }
    Node->GetFont().SetColor(colour);
}

bool TfrmQuillmarMain::IncludeName(int Index, WideString &Name)
{
    TEditorTab *tab = ActiveTab();
    if (!tab)
        return false;
    const TTarnFile *record = tab->Record.get();
    if (!record->ParentName.empty()) {
        const int parent = FileName2Tab(record->ParentName);
        if (parent < 0)
            return false;
        record = Tab(parent)->Record.get();
    }
    Name = ToWideString(FromLocalPath(record->GetInclude(Index)));
    return true;
}

// ============================================================================ include host

bool TfrmQuillmarMain::OpenIncludeFile(const AnsiString &Path, AnsiString &Resolved, TCheckLine LineIndex)
{
    TEditorTab *caller = FCheckedTab ? FCheckedTab : ActiveTab();
    if (!caller)
        return false;
    bool aboveTop = false;
    Resolved = ResolveIncludePath(Path, ToLocalPath(ToQString(caller->Editor->FileName())), &aboveTop);
    if (aboveTop)
        MessageDlg(u"Insufficient levels in parent file path to make include \"" + AnsiToWide(Path) +
                       u"\" absolute on line " + AnsiToWide(std::to_string(int64_t(LineIndex.Line()) + 1)),
                   TMsgDlgType::mtWarning, mbOK);
    if (!QFileInfo(FromLocalPath(Resolved)).isFile())
        return false;
    const WideString wide = ToWideString(FromLocalPath(Resolved));
    const int open = FileName2Tab(wide);
    if (open >= 0) {
        Tab(open)->Record->Checked = false;
        return Tab(open)->Editor->GetModified();
    }
    OpenFile(wide, false, true, caller->Editor->FileName());
    SetActivePage(PageControl1->indexOf(caller));
    SetStatusPanel(2, ToQString(caller->Editor->FileName()));
    return false;
}

bool TfrmQuillmarMain::LoadHttpIncl(const AnsiString &URL, TCheckLine, int32_t, const AnsiString &,
                                    std::vector<AnsiString> &Lines, AnsiString &Error)
{
    auto SplitLines = [&Lines](const AnsiString &Text) {
        TStringList L;
        L.SetText(Text);
        for (int i = 0; i < L.Count(); ++i)
            Lines.push_back(L[i]);
    };
    const WideString wideUrl = AnsiToWide(URL);
    // An include fetched before is taken from its tab; a tab that holds a failed fetch only shows what
    // came back then, so the include is fetched again.
    if (TEditorTab *open = Tab(FileName2Tab(wideUrl))) {
        open->Record->Checked = false;
        if (open->Record->FetchFailure.empty()) {
            SplitLines(WideToAnsi(open->Editor->Lines().GetTextStr()));
            return true;
        }
    }
    // Hosts of this computer's own networks are always tried; others only with a connection.
    if (!InternetConnectedState(UrlHost(URL))) {
        MessageDlg(u"You are not currently connected to the internet so " + wideUrl +
                       u" can't be loaded, syntax check again when connected.",
                   TMsgDlgType::mtInformation, mbOK);
        Error = "Include '" + URL + "' not loaded, no internet connection, ";
        return false;
    }

    TMemoryStream stream;
    bool fetched = true;
    {
        HttpCli1.URL = URL;
        HttpCli1.ReceiveStream = &stream;
        // The include is kept in memory: a server that sends without end must not fill it, and the
        // check waits for it: one that sends slowly without end must not hold the check.
        HttpCli1.MaxDocumentBytes = int64_t(64) << 20;
        HttpCli1.TotalTimeoutMs = WebFetchTimeLimitMs;
        TScopeGuard release([this] { HttpCli1.ReceiveStream = nullptr; });
        try {
            HttpCli1.Get();
        } catch (const EHttpException &) {
            fetched = false;
            Error = "Include '" + URL + "' not loaded, http error " + HttpCli1.ReasonText();
        }
    }

    // The fetched text (or what came of it) is shown read-only in an include tab of its own; the tab of
    // an earlier failed fetch takes the new answer in place of the old.
    TEditorTab *caller = FCheckedTab ? FCheckedTab : ActiveTab();
    TEditorTab *tab = Tab(FileName2Tab(wideUrl));
    stream.SetPosition(0);
    if (tab && tab == caller) {
        // That tab is the page under check itself: its text stays as the check reads it.
        if (!fetched)
            return false;
        TWideStringList text;
        text.LoadFromStream(stream);
        SplitLines(WideToAnsi(text.GetTextStr()));
        return true;
    }
    if (!tab) {
        const WideString parent = caller ? caller->Editor->FileName() : WideString();
        AnsiString name = URL.substr(0, URL.find_first_of("?#"));
        name = name.substr(name.rfind('/') + 1);
        tab = NewEditorTab(u"http: " + AnsiToWide(name), parent, true);
    }
    TSyntaxEdit &editor = *tab->Editor;
    editor.BeginUpdate();
    editor.Lines().LoadFromStream(stream);
    editor.SetFileName(wideUrl);
    editor.EndUpdate();
    editor.SetModified(false);
    editor.SetHighLighter(FJavaScriptHighlighter.get());
    editor.SetOptions(editor.Options() | eoReadOnly);
    tab->Record->FetchFailure = fetched ? AnsiString() : Error;
    SetStatusPanel(2, ToQString(wideUrl));
    SetTabCaption(PageControl1->indexOf(tab),
                  ToQString(u"http:~ " + AnsiToWide(HttpCli1.DocumentName())) + (fetched ? QString() : NotLoadedMark));
    if (caller)
        SetActivePage(PageControl1->indexOf(caller));
    if (!fetched)
        return false;
    // The checker reads the text as the tab shows it (an encoding mark is honoured there).
    SplitLines(WideToAnsi(editor.Lines().GetTextStr()));
    return true;
}

int TfrmQuillmarMain::FileName2Tab(const AnsiString &Path)
{
    return FileName2Tab(ToWideString(FromLocalPath(Path)));
}

const TWideStrings *TfrmQuillmarMain::TabLines(int Index)
{
    TEditorTab *tab = Tab(Index);
    return tab ? &tab->Editor->Lines() : nullptr;
}
