#pragma once
// The tool window that lists the active editor's key commands: command and key, one row each.
#include <QWidget>

class QTreeWidget;
class TKeyStrokes;

// Splits a key binding's display text ("ecUndo - Ctrl+Z") into the command ("Undo") and the key
// ("Ctrl+Z", at most 100 characters). A text without "-" gives itself, less its first two
// characters, as both.
void SplitCommandDisplayText(const QString &Text, QString &Command, QString &Key);

class TfrmEditorCmds : public QWidget {
public:
    explicit TfrmEditorCmds(QWidget *Parent = nullptr);
    QTreeWidget *ListViewEditorCmds = nullptr;
    // Lists every binding, in the collection's order, when the list is still empty.
    void Fill(TKeyStrokes &Keys);
};
