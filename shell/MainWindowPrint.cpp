// File > Print: the active tab's text through the print options dialog, printed or previewed.
#include "editor/SyntaxEdit.h"
#include "editor/SyntaxEditorStrings.h"
#include "platform/QtConvert.h"
#include "print/PrintAction.h"
#include "shell/MainWindow.h"
#include <QAction>
#include <QMenu>

void TfrmQuillmarMain::CreatePrintActions()
{
    QMenu *file = Menu(QStringLiteral("File1"));
    QAction *print = AddAction(nullptr, QStringLiteral("PrintAction"), QStringLiteral("&Print..."),
                               QKeySequence(QStringLiteral("Ctrl+P")), [this] { PrintActionExecute(); });
    if (!file)
        return;
    // Above the separator that stands before Exit.
    const QList<QAction *> actions = file->actions();
    QAction *before = nullptr;
    for (qsizetype i = 0; i < actions.size(); ++i)
        if (actions[i] == Action(QStringLiteral("Exit1")))
            before = i > 0 && actions[i - 1]->isSeparator() ? actions[i - 1] : actions[i];
    file->insertAction(before, print);
    file->insertSeparator(print);
}

TPrintAction &TfrmQuillmarMain::Printing()
{
    if (!FPrintAction)
        FPrintAction = std::make_unique<TPrintAction>(this);
    return *FPrintAction;
}

void TfrmQuillmarMain::PrintActionExecute()
{
    TSyntaxEdit *editor = ActiveEditor();
    if (!editor)
        return;
    TPrintDocument document;
    document.Caption = ToWideString(TabCaption(ActiveIndex()));
    document.MainCaption = ToWideString(windowTitle());
    document.LineCount = editor->Lines().GetCount();
    document.Line = [editor](int Index) { return editor->Lines().Get(Index); };
    Printing().Execute(document);
}
