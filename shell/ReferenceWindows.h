#pragma once
// The three reference tool windows: the ASCII table, the names the checker knows, and the tree of script
// fragments that can be pasted into the active editor. They are made once with the main window, live
// until it goes, and are shown without blocking it.
#include "platform/Types.h"

#include <QWidget>

#include <functional>

class QAction;
class QTreeWidget;
class TTreeNT;

class TfrmAsciRef : public QWidget {
public:
    // CopyText puts a text on the clipboard.
    TfrmAsciRef(QWidget *Parent, std::function<void(const WideString &)> CopyText);
    QTreeWidget *ListView = nullptr;
    void CopyAscicode1Click();
    void CopyHexcode1Click();

private:
    std::function<void(const WideString &)> FCopyText;
};

class TfrmBuiltinRef : public QWidget {
public:
    explicit TfrmBuiltinRef(QWidget *Parent);
    QTreeWidget *ListView = nullptr;
};

class TfrmCodeTree : public QWidget {
public:
    // Paste replaces the active editor's selection with a text (nothing when no editor is open).
    TfrmCodeTree(QWidget *Parent, std::function<void(const WideString &)> Paste);
    TTreeNT *TreeNTCode = nullptr;
    QAction *ExpandAll1 = nullptr;
    QAction *CollapseAll1 = nullptr;
    QAction *PasteintoEditor1 = nullptr;
    void ExpandAll1Click();
    void CollapseAll1Click();
    void PasteintoEditor1Click();

private:
    std::function<void(const WideString &)> FPaste;
};

// Shows a reference window beside the main window: flush with its right edge (5 pixels in), its top
// TopOffset below the main window's top, as high as Height; brought to the front when already shown.
void ShowReferenceWindow(QWidget &Window, const QWidget &Main, int TopOffset, int Height);
