// The main window's creation, first showing, close query and destruction, its layout and the
// settings wiring.
#include "shell/MainWindow.h"

#include "controls/DropFiles.h"
#include "controls/HHFuncs.h"
#include "controls/FileDialogs.h"
#include "controls/TextListBox.h"
#include "controls/TipOfTheDay.h"
#include "controls/TreeNT.h"
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/SyntaxEdit.h"
#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "platform/SysUtils.h"
#include "print/PrintAction.h"

#include <QAction>
#include <QDateTime>
#include <QLocale>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPalette>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace {

TColor ToBGR(const QColor &c)
{
    return TColor(c.red()) | (TColor(c.green()) << 8) | (TColor(c.blue()) << 16);
}

// System colours (top bit set) as the palette has them.
TColor ResolveSystemColour(TColor c)
{
    const QPalette p = QApplication::palette();
    switch (c & 0xFFu) {
    case 5: return ToBGR(p.color(QPalette::Base)); // window
    case 8: return ToBGR(p.color(QPalette::Text)); // window text
    case 13: return ToBGR(p.color(QPalette::Highlight)); // highlight
    case 14: return ToBGR(p.color(QPalette::HighlightedText)); // highlight text
    case 15: return ToBGR(p.color(QPalette::Button)); // button face
    case 18: return ToBGR(p.color(QPalette::ButtonText)); // button text
    case 23: return ToBGR(p.color(QPalette::ToolTipText)); // info text
    case 24: return ToBGR(p.color(QPalette::ToolTipBase)); // info background
    default: return ToBGR(p.color(QPalette::Window));
    }
}

QColor ToQColor(int Colour)
{
    TColor c = TColor(Colour);
    if (c & 0x80000000u)
        c = ResolveSystemColour(c);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

void SetWidgetBackground(QWidget *Widget, int Colour)
{
    QPalette p = Widget->palette();
    p.setColor(QPalette::Base, ToQColor(Colour));
    // Keep the text readable on whatever background the settings give.
    p.setColor(QPalette::Text, ToQColor(Colour).lightness() < 128 ? Qt::white : Qt::black);
    Widget->setPalette(p);
}

void Paint(THighlightAttributes &A, int FG, int BG, int Style)
{
    A.SetForeground(TColor(FG));
    A.SetBackground(TColor(BG));
    A.SetStyle(IntToStyle(Style));
}

} // namespace

bool StartBrowser(const QString &Browser, const QString &Target, QString &Error)
{
    const QUrl url = Target.contains(QLatin1String("://")) ? QUrl(Target) : QUrl::fromLocalFile(Target);
    if (Browser.isEmpty()) {
        if (QDesktopServices::openUrl(url))
            return true;
        Error = QStringLiteral("There is no application associated with the given filename extension.");
        return false;
    }
    const QString program = QFileInfo(Browser).isAbsolute() ? Browser : QStandardPaths::findExecutable(Browser);
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        Error = QStringLiteral("The specified file was not found.");
        return false;
    }
    // An argument vector, never a shell line.
    if (QProcess::startDetached(program, {Target}))
        return true;
    Error = QStringLiteral("The operating system denied access to the specified file.");
    return false;
}

THighlightFontStyles IntToStyle(int N)
{
    return THighlightFontStyles(N & TSettings::StyleBits);
}

int StyleToInt(THighlightFontStyles Style)
{
    return int(Style) & TSettings::StyleBits;
}

void ReadStyleChecks(const QListWidget &CheckList, THighlightFontStyles &Style)
{
    for (int i = 0; i < 4 && i < CheckList.count(); ++i) {
        const auto bit = THighlightFontStyles(1u << i);
        if (CheckList.item(i)->checkState() == Qt::Checked)
            Style = THighlightFontStyles(Style | bit);
        else
            Style = THighlightFontStyles(Style & ~bit);
    }
}

WideString DoubleAmpersands(const WideString &Text)
{
    WideString r;
    r.reserve(Text.size());
    for (char16_t c : Text) {
        r += c;
        if (c == u'&')
            r += c;
    }
    return r;
}

int LastDotPos(const WideString &Text)
{
    const size_t p = Text.rfind(u'.');
    return p == WideString::npos ? 0 : int(p) + 1;
}

TEditorTab::TEditorTab(QWidget *Parent) : QWidget(Parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

TEditorTab::~TEditorTab() = default;

// ============================================================================ creation

TfrmQuillmarMain::TfrmQuillmarMain(TMainWindowSetup Setup, QWidget *Parent) : QMainWindow(Parent)
{
    setObjectName(QStringLiteral("TfrmQuillmarMain"));
    setWindowTitle(Setup.Caption);
    RunFileDialog = [](TEOpenDialog &Dialog, QStringList &Chosen) {
        if (!Dialog.Execute())
            return false;
        for (int i = 0; i < Dialog.Files().Count(); ++i)
            Chosen << FromLocalPath(Dialog.Files().Strings(i));
        if (Chosen.isEmpty() && !Dialog.FileName().empty())
            Chosen << FromLocalPath(Dialog.FileName());
        return !Chosen.isEmpty();
    };

    LaunchBrowser = StartBrowser;
    CreateHelpHook(Setup);
    ReadSettings(Setup);

    SetHighlightColorResolver(ResolveSystemColour);
    FJavaScriptHighlighter = std::make_unique<TJavaScriptHighlighter>();
    FHTMLHighlighter = std::make_unique<THTMLHighlighter>();

    BuildLayout();
    CreateActions();
    BuildReopenMenus();
    ApplyHighlighterColours();
    FScriptChecker = std::make_unique<THTMLJSFileChecker>(this);

    QzFormDropFiles1 = new TQzFormDropFiles(this);
    QzFormDropFiles1->SetOptions({dfoIncFiles});
    QzFormDropFiles1->SetForegroundOnDrop(false);
    QzFormDropFiles1->SetOnDropFiles([this](TQzFormDropFiles &Sender) {
        QStringList files;
        for (int i = 0; i < Sender.Count(); ++i)
            files << FromLocalPath(Sender.Files(i));
        DropFiles(files);
    });
    QzFormDropFiles1->OnError = [](const std::exception &) { ShowCurrentException(); };

    ApplyPlacement();
    WatchApplicationState();
}

void TfrmQuillmarMain::ReadSettings(const TMainWindowSetup &Setup)
{
    FSettingsFile = Setup.SettingsFile;
    if (FSettingsFile.empty()) {
        const TSettingsLocation location = LocateSettingsFile(TSettingsEnvironment::System());
        FSettingsFile = location.FileName;
        FRunsFromNetwork = location.RunsFromNetwork;
    }
    if (Setup.SeedSettings && !QFileInfo::exists(FromLocalPath(FSettingsFile))) {
        QFile seed(FromLocalPath(FSettingsFile));
        if (seed.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            seed.write(ShippedSettingsText());
    }
    Settings.Load(FSettingsFile);
}

void TfrmQuillmarMain::BuildLayout()
{
    FSplitterBottom = new QSplitter(Qt::Vertical, this);
    FSplitterMain = new QSplitter(Qt::Horizontal, FSplitterBottom);
    FSplitterMain->setChildrenCollapsible(false);
    FSplitterMain->setHandleWidth(2);
    FSplitterBottom->setHandleWidth(3);
    FSplitterBottom->setChildrenCollapsible(false);

    PageControlNav = new QTabWidget(FSplitterMain);
    PageControlNav->setObjectName(QStringLiteral("PageControlNav"));
    PageControlNav->setTabPosition(QTabWidget::South);

    NavTree = new TTreeNT(PageControlNav);
    NavTree->setObjectName(QStringLiteral("NavTree"));
    NavTree->SetIndent(12);
    NavTree->SetItemHeight(16);
    NavTree->SetOptions(NavTree->GetOptions() | toReadOnly | toToolTips);
    NavTree->Items().Add(nullptr, WideString(u"Not Quillmar'ed!"));
    SetWidgetBackground(NavTree, Settings.TreeView);
    NavTree->SetColor(TColor(Settings.TreeView));
    PageControlNav->addTab(NavTree, QStringLiteral("Nav"));

    TreeNTProjects = new TTreeNT(PageControlNav);
    TreeNTProjects->setObjectName(QStringLiteral("TreeNTProjects"));
    TreeNTProjects->Items().Add(nullptr, WideString(u"No projects open"));
    SetWidgetBackground(TreeNTProjects, Settings.TreeView);
    TreeNTProjects->SetColor(TColor(Settings.TreeView));
    PageControlNav->addTab(TreeNTProjects, QStringLiteral("Proj"));

    TreeNTFiles = new TTreeNT(PageControlNav);
    TreeNTFiles->setObjectName(QStringLiteral("TreeNTFiles"));
    TreeNTFiles->Items().Add(nullptr, WideString(u"Select a root directory"));
    SetWidgetBackground(TreeNTFiles, Settings.TreeView);
    TreeNTFiles->SetColor(TColor(Settings.TreeView));
    PageControlNav->addTab(TreeNTFiles, QStringLiteral("Dir"));

    ScratchTree = new TTreeNT(this);
    ScratchTree->setObjectName(QStringLiteral("ScratchTree"));
    ScratchTree->hide();

    PageControl1 = new QTabWidget(FSplitterMain);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);
    PageControl1->tabBar()->setUsesScrollButtons(true);
    PageControl1->tabBar()->setMouseTracking(true); // hot tracking
    connect(PageControl1, &QTabWidget::currentChanged, this, GuardedSlot([this](int) {
        if (!FProgramTabChange && !FDestroying)
            Guarded([this] { PageControl1Change(); });
    }));

    PageControl2 = new QTabWidget(FSplitterBottom);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    ErrorList = new TTextListBox(PageControl2);
    ErrorList->setObjectName(QStringLiteral("ErrorList"));
    SetWidgetBackground(ErrorList, Settings.Errors);
    ErrorList->viewport()->installEventFilter(this);
    PageControl2->addTab(ErrorList, QStringLiteral("Errors"));

    NavTree->installEventFilter(this);
    ErrorList->installEventFilter(this);

    FSplitterMain->setStretchFactor(1, 1);
    FSplitterBottom->setStretchFactor(0, 1);
    // The sizes come from the settings once the window has its size (FitPanes).
    connect(FSplitterMain, &QSplitter::splitterMoved, this,
            GuardedSlot([this] { Settings.NavWidth = FSplitterMain->sizes().value(0); }));
    connect(FSplitterBottom, &QSplitter::splitterMoved, this,
            GuardedSlot([this] { Settings.ErrorHeight = FSplitterBottom->sizes().value(1); }));
    setCentralWidget(FSplitterBottom);

    static const int widths[3] = {110, 90, 0};
    for (int i = 0; i < 3; ++i) {
        FPanels[i] = new QLabel(this);
        FPanels[i]->setTextFormat(Qt::PlainText); // file names and URLs, shown as they stand
        FPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (widths[i])
            FPanels[i]->setMinimumWidth(widths[i]);
        statusBar()->addWidget(FPanels[i], widths[i] ? 0 : 1);
    }
}

void TfrmQuillmarMain::CreateActions()
{
    // Each group adds its menu and actions; the order of the calls is the order of the menus.
    CreateFileActions();
    CreatePrintActions();
    CreateEditActions();
    CreateInsertJSActions();
    CreateInsertHTMLActions();
    CreateCheckActions();
    CreateProjectActions();
    CreateDirectoryTab();
    CreateToolsActions();
    CreateTransferActions();
    CreateOptionsActions();
    CreateHelpActions();
    CreateToolBar();
}

void TfrmQuillmarMain::ApplyHighlighterColours()
{
    const TSettings &s = Settings;
    TJavaScriptHighlighter &js = *FJavaScriptHighlighter;
    Paint(js.CommentAttributes(), s.Javascript.CommentFG, s.Javascript.CommentBG, s.Javascript.CommentStyle);
    Paint(js.NumberAttributes(), s.Javascript.NumbersFG, s.Javascript.NumbersBG, s.Javascript.NumbersStyle);
    Paint(js.StringAttributes(), s.Javascript.StringsFG, s.Javascript.StringsBG, s.Javascript.StringsStyle);
    Paint(js.KeyAttributes(), s.Javascript.KeywordsFG, s.Javascript.KeywordsBG, s.Javascript.KeywordsStyle);
    for (THighlightAttributes *a : {&js.AsmAttributes(), &js.DirecAttributes(), &js.InvalidAttributes(),
                                    &js.SpaceAttributes(), &js.IdentifierAttributes(), &js.SymbolAttributes()})
        a->SetBackground(TColor(s.EditBackground));

    THTMLHighlighter &html = *FHTMLHighlighter;
    Paint(html.CommentAttributes(), s.HTML.CommentFG, s.HTML.CommentBG, s.HTML.CommentStyle);
    Paint(html.NumberAttributes(), s.HTML.NumbersFG, s.HTML.NumberBG, s.HTML.NumbersStyle);
    Paint(html.StringAttributes(), s.HTML.StringsFG, s.HTML.StringsBG, s.HTML.StringsStyle);
    Paint(html.KeyAttributes(), s.HTML.TagsFG, s.HTML.TagsBG, s.HTML.TagsStyle);
    Paint(html.ScriptAttributes(), s.HTML.ScriptFG, s.HTML.ScriptBG, s.HTML.ScriptStyle);
    Paint(html.NameAttributes(), s.HTML.NamesFG, s.HTML.NamesBG, s.HTML.NamesStyle);
    for (THighlightAttributes *a : {&html.DocTypeAttributes(), &html.SpaceAttributes(), &html.ParamAttributes(),
                                    &html.IdentifierAttributes(), &html.SymbolAttributes(), &html.URLAttributes()})
        a->SetBackground(TColor(s.EditBackground));
}

QRect FitIntoScreen(const QRect &Bounds, const QRect &Available, const QMargins &Frame)
{
    if (Available.isEmpty())
        return Bounds;
    // The frame goes with the window: it is the whole framed window that must be seen.
    const QRect outer = Bounds.marginsAdded(Frame);
    const int width = std::min(outer.width(), Available.width());
    const int height = std::min(outer.height(), Available.height());
    const int left = std::clamp(outer.left(), Available.left(), Available.left() + Available.width() - width);
    const int top = std::clamp(outer.top(), Available.top(), Available.top() + Available.height() - height);
    const QRect inner = QRect(left, top, width, height).marginsRemoved(Frame);
    return QRect(inner.topLeft(), QSize(std::max(inner.width(), 1), std::max(inner.height(), 1)));
}

void TfrmQuillmarMain::ApplyPlacement()
{
    // The screen the saved bounds lie on (a window kept on a second screen goes back there), else
    // the primary one.
    const QRect saved = Settings.WState == u"Max"
                            ? QRect(Settings.rsLeft, Settings.rsTop, Settings.rsWidth, Settings.rsHeight)
                            : QRect(Settings.Left, Settings.Top, Settings.Width, Settings.Height);
    QScreen *screen = QGuiApplication::screenAt(saved.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
    const TWindowPlacement placement =
        PlaceMainWindow(Settings, TBoundsRect{avail.left(), avail.top(), avail.width(), avail.height()});
    // Bounds saved on a larger screen, or at another scale factor, would open partly out of reach:
    // they are fitted into the screen, moved first and made smaller only where they must.
    const QRect placed(placement.Bounds.Left, placement.Bounds.Top, placement.Bounds.Width, placement.Bounds.Height);
    setGeometry(FitIntoScreen(placed, avail));
    if (placement.Maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrmQuillmarMain::NoteBounds()
{
    if (isMaximized() || isMinimized() || isFullScreen() || !isVisible())
        return;
    QScreen *s = screen();
    const QRect avail = s ? s->availableGeometry() : QRect();
    const QRect g = geometry();
    NoteNormalBounds(Settings, TBoundsRect{g.left(), g.top(), g.width(), g.height()}, avail.width(), avail.height());
}

void TfrmQuillmarMain::FitPanes()
{
    // The window's layout has sized the outer splitter by now; the inner one spans its width.
    auto least = [](const QWidget *w) { return w->minimumSizeHint().expandedTo(w->minimumSize()); };
    TPaneRoom room;
    room.Width = FSplitterBottom->width() - FSplitterMain->handleWidth();
    room.Height = FSplitterBottom->height() - FSplitterBottom->handleWidth();
    room.NavMinimum = least(PageControlNav).width();
    room.ErrorMinimum = std::max(room.ErrorMinimum, least(PageControl2).height());
    room.EditorWidth = std::max(room.EditorWidth, least(PageControl1).width());
    room.EditorHeight = std::max(room.EditorHeight, least(FSplitterMain).height());
    const TPaneSizes sizes = FitPaneSizes(Settings, room);
    FSplitterMain->setSizes({sizes.NavWidth, room.Width - sizes.NavWidth});
    FSplitterBottom->setSizes({room.Height - sizes.ErrorHeight, sizes.ErrorHeight});
}

void TfrmQuillmarMain::resizeEvent(QResizeEvent *Event)
{
    RunGuarded([&] {
        QMainWindow::resizeEvent(Event);
        FitPanes();
        NoteBounds();
    });
}

void TfrmQuillmarMain::moveEvent(QMoveEvent *Event)
{
    RunGuarded([&] {
        QMainWindow::moveEvent(Event);
        NoteBounds();
    });
}

// ============================================================================ actions

QMenu *TfrmQuillmarMain::Menu(const QString &Name) const
{
    auto it = FMenus.find(Name);
    return it == FMenus.end() ? nullptr : it->second;
}

QAction *TfrmQuillmarMain::Action(const QString &Name) const
{
    auto it = FActions.find(Name);
    return it == FActions.end() ? nullptr : it->second;
}

QAction *TfrmQuillmarMain::AddAction(QMenu *AMenu, const QString &Name, const QString &Caption,
                                     const QKeySequence &Shortcut, std::function<void()> Handler)
{
    auto *action = new QAction(Caption, this);
    action->setObjectName(Name);
    if (!Shortcut.isEmpty()) {
        action->setShortcut(Shortcut);
        // The window's own shortcuts; keys an editor binds itself reach the editor first (see
        // eventFilter), so no command runs twice.
        action->setShortcutContext(Qt::WindowShortcut);
    }
    connect(action, &QAction::triggered, this, GuardedSlot([this, Handler = std::move(Handler)] {
        Guarded(Handler);
        ScheduleRefresh();
    }));
    if (AMenu)
        AMenu->addAction(action);
    addAction(action);
    FActions[Name] = action;
    return action;
}

void TfrmQuillmarMain::SetWindowFirst(QAction &Action)
{
    Action.setProperty(WindowFirstProperty, true);
}

QString TfrmQuillmarMain::StatusPanel(int Index) const
{
    return Index >= 0 && Index < 3 ? FPanels[Index]->text() : QString();
}

void TfrmQuillmarMain::SetStatusPanel(int Index, const QString &Text)
{
    if (Index >= 0 && Index < 3 && FPanels[Index]->text() != Text)
        FPanels[Index]->setText(Text);
}

QStringList TfrmQuillmarMain::ChooseFiles(TEOpenDialog &Dialog)
{
    QStringList chosen;
    if (!RunFileDialog || !RunFileDialog(Dialog, chosen))
        return {};
    return chosen;
}

// ============================================================================ first showing

void TfrmQuillmarMain::showEvent(QShowEvent *Event)
{
    RunGuarded([&] {
        QMainWindow::showEvent(Event);
        // Now that the frame may be known, the framed window is kept inside its screen too.
        if (!Event->spontaneous() && !FFrameFitted && !isMaximized() && !isFullScreen())
            if (QScreen *s = screen()) {
                FFrameFitted = true;
                const QRect g = geometry();
                const QRect f = frameGeometry();
                const QMargins frame(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
                                     f.bottom() - g.bottom());
                const QRect fitted = FitIntoScreen(g, s->availableGeometry(), frame);
                if (fitted != g)
                    setGeometry(fitted);
            }
        if (!Event->spontaneous() && TabCount() == 0)
            Guarded([this] { FirstShow(); });
    });
}

void TfrmQuillmarMain::FirstShow()
{
    if (TabCount() != 0)
        return;
    FFirstShown = true;
    if (Settings.NewFile)
        FileNewActionExecute();
    if (Settings.StartOpen) {
        auto &list = Settings.StartOpenList;
        for (size_t i = 0; i < list.size();) {
            const WideString entry = list[i];
            if (FileExists(ToLocalPath(ToQString(entry)))) {
                OpenFile(entry, true, false, WideString());
                ++i;
            } else {
                MessageDlg(u"File: " + entry +
                               u" no longer exists. This entry will be removed from the Start open list.",
                           TMsgDlgType::mtWarning, mbOK);
                list.erase(list.begin() + std::ptrdiff_t(i));
            }
        }
    }
    if (TabCount() > 0)
        if (TSyntaxEdit *last = Tab(TabCount() - 1)->Editor)
            last->setFocus();
}

// ============================================================================ close and destroy

bool TfrmQuillmarMain::SaveChangedTabOnClose(TEditorTab &Tab)
{
    if (!Tab.Editor->GetModified())
        return true;
    const int answer = AskToSaveChanges(Tab);
    if (answer == mrCancel)
        return false;
    if (answer == mrYes) {
        bool saved = false;
        Guarded([&] { saved = SaveTab(Tab); });
        // A save that did not happen (Save As cancelled, overwrite declined, write error) keeps the
        // tab and its text, and the window.
        if (!saved || Tab.Editor->GetModified())
            return false;
    }
    return true;
}

void TfrmQuillmarMain::closeEvent(QCloseEvent *Event)
{
    RunGuarded([&] {
        TFileWalk walk(*this);
        for (int i = TabCount() - 1; i >= 0; --i) {
            TEditorTab *tab = Tab(i);
            SetActivePage(i);
            ShowResultsOf(*tab->Record);
            if (!SaveChangedTabOnClose(*tab)) {
                Event->ignore();
                return;
            }
            FScriptChecker->ClearTree(nullptr);
            NavTree->Items().Clear();
            FShownRecords.reset();
            FProgramTabChange = true;
            delete tab;
            FProgramTabChange = false;
        }
        // The window is hidden once the close goes through: its place is taken now.
        NoteWindowState();
        Event->accept();
    });
}

TfrmQuillmarMain::~TfrmQuillmarMain()
{
    FDestroying = true;
    // The hook goes first; it closes the help windows.
    FHelpHook.reset();
    // Tabs still open (a window destroyed without closing) go first, while the highlighters
    // and the checker they use are still there.
    FProgramTabChange = true;
    while (TabCount() > 0)
        delete Tab(TabCount() - 1);
    NavTree->Items().Clear();
    FShownRecords.reset();
    WriteSettings();
    FScriptChecker.reset();
    TraceLines << QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd hh:mm:ss")) +
                      QStringLiteral(" trace #99");
    SaveTraceLog();
    // The panes go now, while this window's members still exist: a tree, list or tab bar that is being
    // destroyed still reports changes (selection, current tab) to its handlers here, which would
    // otherwise reach a window that is only a QWidget any more. FDestroying keeps those handlers idle.
    delete takeCentralWidget();
    delete ScratchTree;
}

void TfrmQuillmarMain::NoteWindowState()
{
    if (!isVisible())
        return;
    Settings.WState = isMaximized() ? u"Max" : u"Normal";
    const QRect g = geometry();
    Settings.Left = g.left();
    Settings.Top = g.top();
    Settings.Width = g.width();
    Settings.Height = g.height();
    // What the panes show, not what was asked for: the next start shows the same.
    Settings.NavWidth = FSplitterMain->sizes().value(0);
    Settings.ErrorHeight = FSplitterBottom->sizes().value(1);
}

void TfrmQuillmarMain::WriteSettings()
{
    NoteWindowState();
    try {
        Settings.Save(FSettingsFile);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "Quillmar: %s\n", e.what());
    }
}
