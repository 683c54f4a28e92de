#pragma once
// The side panel's "Dir" page: a root folder chosen with "Select Root" and its folders and files in
// a tree, each folder read when it is expanded and freed when it is collapsed; a double click opens
// a text file in an editor tab.
#include <QHash>
#include <QIcon>
#include <QString>
#include <QWidget>

#include <functional>

class QPushButton;
class TCustomTreeNT;
class TfrmQuillmarMain;
class TTreeNT;
class TTreeNTNode;

// Extensions (lower case, with the dot) of files the editor refuses to open from the tree.
bool IsRefusedExtension(const QString &FileName);

class TDirectoryTab : public QWidget {
public:
    // Fixed images: a plain document, a closed and an open folder.
    enum : int { ImageDocument = 0, ImageFolder = 1, ImageFolderOpen = 2, FixedImages = 3 };

    // Takes Tree into the page; Main opens the files.
    TDirectoryTab(TfrmQuillmarMain &Main, TTreeNT *Tree, QWidget *Parent = nullptr);

    QPushButton *ButtonSelRoot = nullptr;
    TTreeNT *TreeNTFiles = nullptr;
    // Asks for a folder; empty when cancelled. Tests replace it.
    std::function<QString()> BrowseForFolder;

    void ButtonSelRootClick();
    // Replaces the tree with Folder and its first level.
    void SelectRoot(const QString &Folder);
    // Adds the folders of Folder, then its files, under Parent (hidden names skipped); with
    // Placeholders, a folder that holds anything gets an expand button. Nothing for a folder
    // that does not exist.
    void FillFolderNode(const QString &Folder, TTreeNTNode *Parent, bool Placeholders);
    QString DirNodePath(const TTreeNTNode *Node) const;
    // The image for a file, by its extension only; one image per extension for the whole run.
    int FileIcon(const QString &FileName);
    void TreeNTFilesDblClick(TTreeNTNode *Node);
    const QString &RootPath() const { return FRootPath; }
    int CachedExtensions() const { return int(FExtensionImages.size()); }
    // Wide enough for the button and the tree's hint line ("Select a root directory"), so the
    // side panel never cuts them.
    QSize minimumSizeHint() const override;

private:
    void TreeNTFilesExpanding(TTreeNTNode *Node);
    void TreeNTFilesCollapsed(TTreeNTNode *Node);

    TfrmQuillmarMain &FMain;
    QString FRootPath;
    QHash<QString, int> FExtensionImages;
    QList<QIcon> FImages;
    bool FExpanding = false;
    QString FHintText; // the tree's line before a root is chosen
};
