// The Projects menu, the project tree on the side panel's "Proj" tab, and the project's work with
// the editor tabs (opening its files with the parent script last, closing them, adding open files).
#include "shell/MainWindow.h"

#include "controls/FileDialogs.h"
#include "controls/TreeNT.h"
#include "editor/SyntaxEdit.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/Project.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

#include <set>

namespace {

const WideString HTMLGroup = u"HTML Files";
const WideString JSGroup = u"Javascript Files";
const WideString OtherGroup = u"Other Files";

WideString Wide(const AnsiString &LocalPath)
{
    return ToWideString(FromLocalPath(LocalPath));
}

AnsiString Local(const WideString &Path)
{
    return ToLocalPath(ToQString(Path));
}

bool Contains(const WideString &Text, const WideString &Part)
{
    return Text.find(Part) != WideString::npos;
}

// The colour of a group's nodes, 0 with no colour for any other text.
TColor GroupColour(const WideString &Text)
{
    if (Contains(Text, HTMLGroup))
        return 0xFF0000;
    if (Contains(Text, JSGroup))
        return 0x07857D;
    if (Contains(Text, OtherGroup))
        return 0x0000FF;
    return 0;
}

} // namespace

// ============================================================================ the project and the tabs

TTarnFile *TProject::ParentRecord() const
{
    if (!Main || JSParent.empty())
        return nullptr;
    const int index = Main->FileName2Tab(Wide(JSParent));
    return index < 0 ? nullptr : Main->Tab(index)->Record.get();
}

bool TfrmQuillmarMain::TabHoldsProjectFile(int Index, const AnsiString &Name) const
{
    const WideString &have = Tab(Index)->Editor->FileName();
    if (have.empty())
        return false;
    return SameProjectName(Local(have), Name) || FileName2Tab(Wide(Name)) == Index;
}

void TProject::RemoveFile(const AnsiString &Name)
{
    if (Name.empty())
        return;
    switch (ProjectListOf(Name)) {
    case TProjectList::HTML: RemoveHTMLFile(Name); break;
    case TProjectList::Javascript: RemoveJavascriptFile(Name); break;
    case TProjectList::Other: RemoveOtherFile(Name); break;
    }
    if (!Main)
        return;
    for (int i = 0; i < Main->TabCount(); ++i) {
        if (!Main->TabHoldsProjectFile(i, Name))
            continue;
        if (MessageDlg(u"Close the editor for " + Wide(Name) + u"?", TMsgDlgType::mtConfirmation, mbYesNoCancel) ==
            mrYes) {
            Main->SetActivePage(i);
            Main->FileCloseActionExecute();
            return;
        }
    }
}

void TProject::AddAllOpenFiles()
{
    for (int i = 0; Main && i < Main->TabCount(); ++i) {
        const WideString &name = Main->Tab(i)->Editor->FileName();
        if (!name.empty())
            AddFile(Local(name));
    }
}

void TProject::CloseAllFiles()
{
    for (const std::vector<AnsiString> *list : {&HTMLFiles, &JavascriptFiles, &OtherFiles})
        for (const AnsiString &name : *list)
            for (int i = Main->TabCount() - 1; i >= 0; --i)
                if (i < Main->TabCount() && Main->TabHoldsProjectFile(i, name)) {
                    Main->SetActivePage(i);
                    Main->FileCloseActionExecute();
                }
}

void TProject::OpenAllFiles()
{
    TfrmQuillmarMain &m = *Main;
    std::set<const TEditorTab *> openBefore;
    for (int i = 0; i < m.TabCount(); ++i)
        openBefore.insert(m.Tab(i));
    // A file the user had open is reported; one that this opening brought in already (an include
    // a page's check opened) is only brought to the front: the user did nothing twice.
    auto alreadyOpen = [&m, &openBefore](const AnsiString &Name) {
        const int index = m.FileName2Tab(Wide(Name));
        if (index < 0)
            return false;
        if (openBefore.count(m.Tab(index)))
            return m.FileAlreadyOpen(Wide(Name));
        m.SetActivePage(index);
        return true;
    };
    for (const AnsiString &name : HTMLFiles)
        if (!alreadyOpen(name))
            m.OpenFile(Wide(name), true, false, WideString());
    bool parentFound = false;
    for (const AnsiString &name : JavascriptFiles) {
        if (alreadyOpen(name))
            continue;
        if (JSParent.empty())
            m.OpenFile(Wide(name), true, false, WideString());
        else if (JSParent == name)
            parentFound = true;
        else
            m.OpenFile(Wide(name), false, true, Wide(JSParent));
    }
    if (parentFound) {
        m.OpenFile(Wide(JSParent), false, true, WideString());
        const int index = m.FileName2Tab(Wide(JSParent));
        if (index >= 0 && index == m.ActiveIndex()) {
            TTarnFile &record = *m.Tab(index)->Record;
            for (const AnsiString &name : JavascriptFiles)
                if (name != JSParent)
                    record.AddInclude(name);
            if (m.Settings.CheckOpen)
                m.CheckSyntaxActionExecute();
        }
    }
    for (const AnsiString &name : OtherFiles)
        if (!alreadyOpen(name))
            m.OpenFile(Wide(name), true, false, WideString());
    // The parent's tab comes to the front with its own findings, tree and status, as a tab
    // switch shows them.
    if (!JSParent.empty() && m.ViewThisFile(Wide(JSParent)))
        m.PageControl1Change();
}

void TProject::FillTree(TCustomTreeNT &Tree) const
{
    TTreeNTNodes &items = Tree.Items();
    items.BeginUpdate();
    items.Clear();
    const AnsiString root = DisplayName() + (Frameset ? " (Frameset)" : "");
    TTreeNTNode *top = items.Add(nullptr, Wide(root));
    const std::pair<const WideString *, const std::vector<AnsiString> *> groups[] = {
        {&HTMLGroup, &HTMLFiles}, {&JSGroup, &JavascriptFiles}, {&OtherGroup, &OtherFiles}};
    for (const auto &[caption, list] : groups) {
        TTreeNTNode *group = items.AddChild(top, *caption);
        for (const AnsiString &name : *list)
            items.AddChild(group, Wide(name));
    }
    items.EndUpdate();
    Tree.FullExpand();
}

// ============================================================================ window side

TProject *TfrmQuillmarMain::CurrentProjectObject() const
{
    return Projects.empty() ? nullptr : Projects.back().get();
}

bool TfrmQuillmarMain::CurrentProject(TCheckProject &Project)
{
    const TProject *p = CurrentProjectObject();
    if (!p)
        return false;
    Project.JSParent = p->JSParent;
    Project.JavascriptFiles = p->JavascriptFiles;
    return true;
}

void TfrmQuillmarMain::ShowNoProject()
{
    TreeNTProjects->Items().BeginUpdate();
    TreeNTProjects->Items().Clear();
    TreeNTProjects->Items().Add(nullptr, WideString(u"No projects open"));
    TreeNTProjects->Items().EndUpdate();
}

void TfrmQuillmarMain::ActionProjNewExecute()
{
    TESaveDialog dialog(this);
    dialog.SetFilter("Projects *.prj|*.prj|All files *.*|*.*");
    dialog.SetFilterIndex(1);
    const QStringList chosen = ChooseFiles(dialog);
    if (chosen.isEmpty())
        return;
    const QString name = chosen.first();
    if (dialog.FilterIndex() == 1 && !name.endsWith(QStringLiteral(".prj")) &&
        MessageDlg(u"File extension not same as selected filter.\r\nPlease confirm you wish to save file as " +
                       ToWideString(name),
                   TMsgDlgType::mtWarning, mbYesNo) != mrYes)
        return;
    if (QFileInfo::exists(name) &&
        MessageDlg(u"File: " + ToWideString(name) + u" already exists. Do you want to overwrite it?",
                   TMsgDlgType::mtConfirmation, mbYesNoCancel) != mrYes)
        return;
    Projects.push_back(std::make_unique<TProject>(this, ToLocalPath(name)));
    TProject &p = *Projects.back();
    p.SaveToFile();
    p.FillTree(*TreeNTProjects);
    ScheduleRefresh();
}

void TfrmQuillmarMain::OpenProject(const QString &Name)
{
    Projects.push_back(std::make_unique<TProject>(this, ToLocalPath(Name)));
    TProject &p = *Projects.back();
    ScheduleRefresh();
    TProjectLoad loaded;
    try {
        loaded = p.LoadFromFile();
    } catch (...) {
        // A project that could not be read is not kept: its empty lists would overwrite the
        // file at the next saving action.
        Projects.pop_back();
        throw;
    }
    if (QAction *toggle = Action(QStringLiteral("ActionProjToggle")))
        toggle->setChecked(p.Frameset);
    if (loaded == TProjectLoad::Truncated)
        MessageDlg(u"Project file " + ToWideString(Name) +
                       u" ends early. The files it names up to its end are opened; saving the project writes it whole.",
                   TMsgDlgType::mtWarning, mbOK);
    p.OpenAllFiles();
    p.FillTree(*TreeNTProjects);
}

void TfrmQuillmarMain::ActionProjOpenExecute()
{
    TEOpenDialog dialog(this);
    dialog.SetFilter("Projects .prj|*.prj|All files|*.*");
    dialog.SetOptions(ofFileMustExist);
    const QStringList chosen = ChooseFiles(dialog);
    if (!chosen.isEmpty())
        OpenProject(chosen.first());
}

void TfrmQuillmarMain::ActionProjCloseExecute()
{
    TProject *p = CurrentProjectObject();
    if (!p)
        return;
    if (MessageDlg(u"Close all files in this project?", TMsgDlgType::mtConfirmation, mbYesNoCancel) == mrYes)
        p->CloseAllFiles();
    Projects.pop_back();
    ShowNoProject();
    ScheduleRefresh();
}

void TfrmQuillmarMain::ProjectChanged()
{
    TProject &p = *CurrentProjectObject();
    p.SaveToFile();
    p.FillTree(*TreeNTProjects);
}

void TfrmQuillmarMain::ActionProjAddActiveFileExecute()
{
    TProject *p = CurrentProjectObject();
    TSyntaxEdit *e = ActiveEditor();
    if (!p || !e)
        return;
    p->AddFile(Local(e->FileName()));
    ProjectChanged();
}

void TfrmQuillmarMain::ActionProjAddAllExecute()
{
    TProject *p = CurrentProjectObject();
    if (!p)
        return;
    p->AddAllOpenFiles();
    ProjectChanged();
}

void TfrmQuillmarMain::ActionProjRemoveFileExecute()
{
    TProject *p = CurrentProjectObject();
    if (!p)
        return;
    TTreeNTNode *node = TreeNTProjects->GetSelected();
    if (!node) {
        ShowMessage(u"Select a file in the project first!");
        return;
    }
    if (node->GetLevel() > 1) {
        p->RemoveFile(Local(node->GetText()));
        ProjectChanged();
    }
}

void TfrmQuillmarMain::ActionProjToggleExecute()
{
    TProject *p = CurrentProjectObject();
    if (!p)
        return;
    p->Frameset = !p->Frameset;
    ProjectChanged();
    if (QAction *toggle = Action(QStringLiteral("ActionProjToggle")))
        toggle->setChecked(p->Frameset);
}

void TfrmQuillmarMain::ActionProjSetJSParentExecute()
{
    TProject *p = CurrentProjectObject();
    TTreeNTNode *node = TreeNTProjects->GetSelected();
    if (!p || !node || node->GetText().empty() || !node->GetParent() || node->GetParent()->GetText() != JSGroup)
        return;
    p->JSParent = Local(node->GetText());
    // Written at once, so the choice outlives closing the project.
    p->SaveToFile();
    TreeNTProjects->viewport()->update();
}

void TfrmQuillmarMain::TreeNTProjectsClick()
{
    TTreeNTNode *node = TreeNTProjects->GetSelected();
    if (!node)
        return;
    const WideString name = node->GetText();
    if (!name.empty() && FileName2Tab(name) >= 0) {
        ViewThisFile(name);
        PageControl1Change();
        return;
    }
    if (node->GetLevel() == 2 && MessageDlg(u"File: " + name + u" not open. Do you want to open it now?",
                                            TMsgDlgType::mtConfirmation, mbYesNoCancel) == mrYes)
        OpenFile(name, true, false, WideString());
}

void TfrmQuillmarMain::TreeNTProjectsBeforeItemPaint(TTreeNTNode *Node) const
{
    if (!Node)
        return;
    const int level = Node->GetLevel();
    if (level == 1 && !Node->GetText().empty()) {
        if (const TColor colour = GroupColour(Node->GetText()))
            Node->GetFont().SetColor(colour);
    } else if (level == 2 && Node->GetParent()) {
        const WideString &group = Node->GetParent()->GetText();
        if (const TColor colour = GroupColour(group))
            Node->GetFont().SetColor(colour);
        const TProject *p = CurrentProjectObject();
        const bool parent =
            Contains(group, JSGroup) && p && !p->JSParent.empty() && Local(Node->GetText()) == p->JSParent;
        Node->GetFont().SetStyle(parent ? TNodeFont::fsUnderline : 0);
    }
}

bool TfrmQuillmarMain::ProjectJSFileSelected() const
{
    TTreeNTNode *node = TreeNTProjects->GetSelected();
    return node && node->GetParent() && node->GetParent()->GetText() == JSGroup;
}

void TfrmQuillmarMain::CreateProjectActions()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("&Projects"));
    menu->setObjectName(QStringLiteral("Projects1"));
    FMenus[QStringLiteral("Projects1")] = menu;
    auto *popup = new QMenu(this);
    popup->setObjectName(QStringLiteral("PopupMenuProject"));
    FMenus[QStringLiteral("PopupMenuProject")] = popup;

    const struct {
        const char *Name, *Caption;
        void (TfrmQuillmarMain::*Handler)();
    } actions[] = {
        {"ActionProjNew", "&New", &TfrmQuillmarMain::ActionProjNewExecute},
        {"ActionProjOpen", "&Open", &TfrmQuillmarMain::ActionProjOpenExecute},
        {"ActionProjClose", "&Close", &TfrmQuillmarMain::ActionProjCloseExecute},
        {"ActionProjAddActiveFile", "&Add active file", &TfrmQuillmarMain::ActionProjAddActiveFileExecute},
        {"ActionProjAddAll", "Add a&ll open files", &TfrmQuillmarMain::ActionProjAddAllExecute},
        {"ActionProjRemoveFile", "&Remove file", &TfrmQuillmarMain::ActionProjRemoveFileExecute},
        {"ActionProjToggle", "&Frameset", &TfrmQuillmarMain::ActionProjToggleExecute},
        {"ActionProjSetJSParent", "Set JS file as parent", &TfrmQuillmarMain::ActionProjSetJSParentExecute},
    };
    for (const auto &a : actions) {
        auto handler = a.Handler;
        QAction *action = AddAction(menu, QString::fromLatin1(a.Name), QString::fromLatin1(a.Caption), QKeySequence(),
                                    [this, handler] {
                                        (this->*handler)();
                                        ScheduleRefresh();
                                    });
        popup->addAction(action);
    }
    // Its check mark is set from the project by the handler.
    Action(QStringLiteral("ActionProjToggle"))->setCheckable(true);
    TreeNTProjects->SetPopupMenu(popup);
    TreeNTProjects->OnClick = [this](TTreeNT *, TTreeNTNode *) {
        Guarded([this] { TreeNTProjectsClick(); });
        ScheduleRefresh();
    };
    // "Set JS file as parent" follows the selection, also when the keys move it.
    TreeNTProjects->OnChange = [this](TCustomTreeNT *, TTreeNTNode *) { ScheduleRefresh(); };
    TreeNTProjects->OnBeforeItemPaint = [this](TTreeNT *, TTreeNTNode *Node, const QRect &, uint16_t, bool &) {
        TreeNTProjectsBeforeItemPaint(Node);
    };
}
