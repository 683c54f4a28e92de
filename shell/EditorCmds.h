#pragma once
// The tool window that lists the active editor's key commands: command and key, one row each.
#include <QWidget>

#include <functional>

class QTreeWidget;
class TKeyStroke;
class TKeyStrokes;

// Splits a key binding's display text ("ecUndo - Ctrl+Z") into the command ("Undo") and the key
// ("Ctrl+Z", at most 100 characters). A text without "-" gives itself, less its first two
// characters, as both.
void SplitCommandDisplayText(const QString &Text, QString &Command, QString &Key);

class TfrmEditorCmds : public QWidget {
public:
    explicit TfrmEditorCmds(QWidget *Parent = nullptr);
    QTreeWidget *ListViewEditorCmds = nullptr;
    // Lists every binding, in the collection's order, when the list is still empty. WindowCommand
    // names what the window does on a binding's keys when the window takes them before the editor
    // (empty when the editor gets them); that row then shows the window's command, so the list
    // says what each key does here.
    void Fill(TKeyStrokes &Keys, const std::function<QString(const TKeyStroke &)> &WindowCommand = {});
};
