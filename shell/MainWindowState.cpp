// Keeping actions, tab captions and the status bar in step with the active editor: one coalesced
// zero-time refresh after anything that may change them, never a poll. The clipboard's state is
// cached from its change signal.
#include "shell/MainWindow.h"

#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "editor/SyntaxEdit.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include "shell/ActionStates.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

void TfrmQuillmarMain::WatchApplicationState()
{
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        auto update = [this, clipboard] {
            const QMimeData *data = clipboard->mimeData();
            FClipboardHasText = data && data->hasText();
            ScheduleRefresh();
        };
        connect(clipboard, &QClipboard::dataChanged, this, update);
        update();
    }
    connect(qApp, &QGuiApplication::applicationStateChanged, this, GuardedSlot([this](Qt::ApplicationState State) {
        if (State == Qt::ApplicationActive) {
            RecheckDisk = true;
            ScheduleRefresh();
        }
    }));
    connect(PageControl1, &QTabWidget::currentChanged, this, GuardedSlot([this] { ScheduleRefresh(); }));
}

void TfrmQuillmarMain::ScheduleRefresh()
{
    if (FRefreshPending || FDestroying)
        return;
    FRefreshPending = true;
    QTimer::singleShot(0, this, GuardedSlot([this] {
        FRefreshPending = false;
        Guarded([this] { RefreshActionStates(); });
    }));
}

TActionStateInput TfrmQuillmarMain::ActionStateInput() const
{
    TActionStateInput in;
    in.TabCount = TabCount();
    in.NoBrowser = Settings.NoBrowser;
    in.TreeExpanded = FTreeExpanded;
    in.ClipboardHasText = FClipboardHasText;
    in.ProjectCount = int(Projects.size());
    in.ProjectJSFileSelected = ProjectJSFileSelected();
    if (TSyntaxEdit *e = ActiveEditor()) {
        in.ReadOnly = e->HasOption(eoReadOnly);
        in.Inserting = e->HasOption(eoInserting);
        in.Modified = e->GetModified();
        in.SelAvail = e->SelAvail();
        in.CanUndo = e->CanUndo();
        in.CanRedo = e->CanRedo();
        in.UndoKind = in.CanUndo ? uint8_t(e->PeekUndoKind()) : 0;
        in.RedoKind = in.CanRedo ? uint8_t(e->PeekRedoKind()) : 0;
    }
    return in;
}

void TfrmQuillmarMain::RefreshActionStates()
{
    if (RecheckDisk) {
        if (UserIsAsked()) {
            // A reload question (or a reload that closes the tab) while a question about a tab is up
            // would change what that question's answer acts on: it comes afterwards.
            RunWhenNotAsked();
        } else {
            // A refused reload closes the tab and ends this run; the next one checks again.
            if (TabCount() > 0 && !ReloadIfChangedOnDisk(ActiveIndex()))
                return;
            RecheckDisk = false;
        }
    }
    const TActionStates states = ComputeActionStates(ActionStateInput());
    for (const auto &[name, enabled] : states.Enabled) {
        const QString qname = QString::fromLatin1(name.c_str());
        if (QAction *a = Action(qname))
            a->setEnabled(enabled);
        else if (QMenu *m = Menu(qname))
            m->setEnabled(enabled);
    }
    if (states.ClearAll) {
        for (int i = 0; i < 3; ++i)
            SetStatusPanel(i, QString());
        KeepLiveResults();
        if (NavTree->Items().GetCount() > 0) {
            NavTree->Items().Clear();
            FShownRecords.reset();
        }
        if (ErrorList->Items().Count() > 0)
            ErrorList->Items().Clear();
        return;
    }
    if (QAction *undo = Action(QStringLiteral("EditUndoAction"))) {
        undo->setToolTip(ToQString(states.UndoHint));
        undo->setStatusTip(ToQString(states.UndoHint));
    }
    if (QAction *redo = Action(QStringLiteral("EditRedoAction"))) {
        redo->setToolTip(ToQString(states.RedoHint));
        redo->setStatusTip(ToQString(states.RedoHint));
    }
    SetStatusPanel(1, ToQString(states.EditMode));
    const int index = ActiveIndex();
    const QString caption = TabCaption(index);
    const bool modified = ActiveEditor()->GetModified();
    if (modified && !caption.endsWith(QLatin1Char('*')))
        SetTabCaption(index, caption + QLatin1Char('*'));
    else if (!modified && caption.endsWith(QLatin1Char('*')))
        SetTabCaption(index, caption.left(caption.size() - 1));
}
