// The Options menu: every item opens the options dialog on its own page; after OK the settings
// reach every open editor, both highlighters, the trees and the findings list at once. Also the
// browser choice offered when a page is viewed.
#include "shell/MainWindow.h"

#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "editor/SyntaxEdit.h"
#include "platform/Graphics.h"
#include "platform/QtConvert.h"
#include "shell/OptionsDialog.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

namespace {

void SetBackground(QWidget *Widget, int Colour)
{
    if (!Widget)
        return;
    QPalette p = Widget->palette();
    const QColor c = ColorToQColor(TColor(Colour), Widget->palette());
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Text, c.lightness() < 128 ? Qt::white : Qt::black);
    Widget->setPalette(p);
}

} // namespace

void TfrmQuillmarMain::CreateOptionsActions()
{
    BrowserEnvironment = TBrowserEnvironment::System();
    QMenu *options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("Options2"));
    FMenus[QStringLiteral("Options2")] = options;
    const struct {
        const char *Name, *Caption;
    } items[] = {
        {"errorsandWarnings1", "&Errors and Warnings"},
        {"GeneralEditor1", "&General Editing"},
        {"Javascriptcolours1", "&Javascript colors"},
        {"HTMLcolours1", "&HTML colors"},
        {"Appcolours1", "&App. colors"},
        {"Fileassociations1", "&File associations"},
        {"Startup1", "&Startup"},
    };
    int tag = 0;
    for (const auto &item : items) {
        const int page = tag++;
        QAction *a = AddAction(options, QString::fromLatin1(item.Name), QString::fromLatin1(item.Caption),
                               QKeySequence(), [this, page] { Options1Click(page); });
        a->setData(page);
    }

    // The browser choice at view time offers every browser the options dialog lists.
    ChooseBrowser = [this](const std::vector<WideString> &, WideString &Chosen, bool &Selected) {
        TfrmViewOptions dialog(this);
        dialog.Fill(OptionsDialog().BrowserNames());
        if (dialog.exec() != QDialog::Accepted)
            return false;
        Selected = dialog.ChosenBrowser(Chosen);
        return true;
    };
}

TfrmOptions &TfrmQuillmarMain::OptionsDialog()
{
    if (!FOptionsDialog) {
        FOptionsDialog = new TfrmOptions(BrowserEnvironment, this);
        // The user's browsers are part of the list from the start, for the choice at view time.
        FOptionsDialog->LoadFrom(Settings);
    }
    return *FOptionsDialog;
}

void TfrmQuillmarMain::Options1Click(int Tag)
{
    TfrmOptions &dialog = OptionsDialog();
    // The controls show the settings as they are now: edits left by a cancelled showing are gone.
    dialog.LoadFrom(Settings);
    std::vector<WideString> open;
    for (int i = 0; i < TabCount(); ++i)
        if (!Tab(i)->Editor->FileName().empty())
            open.push_back(Tab(i)->Editor->FileName());
    dialog.SetOpenFiles(open);
    dialog.ReadAssociations();
    dialog.PageControl1->setCurrentIndex(Tag);
    const int result = RunOptionsDialog ? RunOptionsDialog(dialog) : dialog.exec();
    if (result != QDialog::Accepted)
        return;
    dialog.SaveTo(Settings);
    ApplyOptions();
}

void TfrmQuillmarMain::ApplyOptions()
{
    const TSettings &s = Settings;
    for (int i = TabCount() - 1; i >= 0; --i) {
        TSyntaxEdit &e = *Tab(i)->Editor;
        e.SetColor(TColor(s.EditBackground));
        e.SetGutterColor(TColor(s.Gutter));
        TColors mark = e.MarkColor();
        mark.SetBackground(TColor(s.Marked));
        e.SetMarkColor(mark);
        e.SetMaxUndo(s.UndoCount);
        e.SetTabSize(s.TabSize);
        TSyntaxEditOptions o = e.Options();
        const std::pair<TSyntaxEditOptions, bool> bits[] = {
            {eoAutoIndent, s.AutoIndent},
            {eoAutoUnindent, s.AutoUnindent},
            {eoCursorThroughTabs, s.CursorThruTabs},
            {eoShowControlChars, s.ShowControl},
            {eoGroupUndo, s.GroupUndo},
            {eoUndoAfterSave, s.UndoAfterSave},
            {eoUseTabs, !s.TabsAsSpaces},
        };
        for (const auto &[bit, on] : bits)
            o = on ? (o | bit) : (o & ~bit);
        e.SetOptions(o);
    }
    // The panes take their colours also when no tab is open.
    for (TTreeNT *tree : {NavTree, TreeNTProjects, TreeNTFiles}) {
        SetBackground(tree, s.TreeView);
        tree->SetColor(TColor(s.TreeView));
    }
    SetBackground(ErrorList, s.Errors);
    ApplyHighlighterColours();
    for (int i = 0; i < TabCount(); ++i)
        Tab(i)->Editor->Invalidate();
}
