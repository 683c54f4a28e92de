// The directory page: lazy folder filling, icons from the desktop's file types, opening files.
#include "shell/DirectoryTab.h"

#include "controls/TreeNT.h"
#include "platform/Exception.h"
#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>
#include <QStyle>

namespace {

QString LowerExtension(const QString &FileName)
{
    const QString name = QFileInfo(FileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

// A folder holds an entry whose name does not begin with ".".
bool HoldsVisibleEntry(const QString &Folder)
{
    QDirIterator it(Folder, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    return it.hasNext();
}

class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};

} // namespace

bool IsRefusedExtension(const QString &FileName)
{
    static const QStringList refused = {".exe", ".msi", ".com", ".tgz", ".sys", ".doc", ".gz",  ".xls",
                                        ".zip", ".jar", ".dcu", ".ico", ".dll", ".mdb", ".bmp", ".hlp",
                                        ".gif", ".cnt", ".png", ".chm", ".jpg", ".pdf", ".mp3", ".avi"};
    return refused.contains(LowerExtension(FileName));
}

TDirectoryTab::TDirectoryTab(TfrmQuillmarMain &Main, TTreeNT *Tree, QWidget *Parent)
    : QWidget(Parent), TreeNTFiles(Tree), FMain(Main)
{
    setObjectName(QStringLiteral("TabSheetFiles"));
    ButtonSelRoot = new QPushButton(QStringLiteral("Select Root"), this);
    ButtonSelRoot->setObjectName(QStringLiteral("ButtonSelRoot"));
    // A layout keeps the button as wide as its text needs at any font size.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(ButtonSelRoot, 0, Qt::AlignHCenter);
    layout->addWidget(TreeNTFiles, 1);
    TreeNTFiles->show();
    if (const TTreeNTNode *hint = TreeNTFiles->Items().GetFirstNode())
        FHintText = ToQString(hint->GetText());

    QStyle *style = QApplication::style();
    FImages = {QIcon::fromTheme(QStringLiteral("text-x-generic"), style->standardIcon(QStyle::SP_FileIcon)),
               QIcon::fromTheme(QStringLiteral("folder"), style->standardIcon(QStyle::SP_DirClosedIcon)),
               QIcon::fromTheme(QStringLiteral("folder-open"), style->standardIcon(QStyle::SP_DirOpenIcon))};
    TreeNTFiles->SetImages(FImages);

    BrowseForFolder = [this] { return QFileDialog::getExistingDirectory(this, QStringLiteral("Select a folder")); };
    connect(ButtonSelRoot, &QPushButton::clicked, this,
            GuardedSlot([this] { TfrmQuillmarMain::Guarded([this] { ButtonSelRootClick(); }); }));
    TreeNTFiles->OnExpanding = [this](TCustomTreeNT *, TTreeNTNode *Node, bool &) { TreeNTFilesExpanding(Node); };
    TreeNTFiles->OnCollapsed = [this](TCustomTreeNT *, TTreeNTNode *Node) { TreeNTFilesCollapsed(Node); };
    TreeNTFiles->OnDblClick = [this](TTreeNT *, TTreeNTNode *Node) {
        TfrmQuillmarMain::Guarded([this, Node] { TreeNTFilesDblClick(Node); });
    };
}

QSize TDirectoryTab::minimumSizeHint() const
{
    QSize size = QWidget::minimumSizeHint();
    if (!FHintText.isEmpty()) {
        // The line's indent, image, text and their gaps, the tree's frame and a vertical scroll bar.
        const int line = TreeNTFiles->indentation() + TreeNTFiles->iconSize().width() + 16 +
                         TreeNTFiles->fontMetrics().horizontalAdvance(FHintText);
        size.setWidth(std::max(size.width(), line + 2 * TreeNTFiles->frameWidth() +
                                                 TreeNTFiles->style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
    }
    return size;
}

void TDirectoryTab::ButtonSelRootClick()
{
    const QString folder = BrowseForFolder ? BrowseForFolder() : QString();
    if (!folder.isEmpty())
        SelectRoot(folder);
}

void TDirectoryTab::SelectRoot(const QString &Folder)
{
    TWaitCursor wait;
    TTreeNTNodes &items = TreeNTFiles->Items();
    items.BeginUpdate();
    items.Clear();
    TTreeNTNode *root = items.Add(nullptr, ToWideString(Folder));
    root->SetImageIndex(ImageFolder);
    root->SetSelectedIndex(ImageFolderOpen);
    FRootPath = Folder;
    while (FRootPath.size() > 1 && FRootPath.endsWith(QLatin1Char('/')))
        FRootPath.chop(1);
    FillFolderNode(FRootPath, root, true);
    items.EndUpdate();
    root->Expand(false);
}

void TDirectoryTab::FillFolderNode(const QString &Folder, TTreeNTNode *Parent, bool Placeholders)
{
    QDir dir(Folder);
    if (!dir.exists())
        return;
    TTreeNTNodes &items = TreeNTFiles->Items();
    // Hidden (dot) names are left out; names sort without regard to case.
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase | QDir::LocaleAware;
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, order);
    for (const QFileInfo &info : entries) {
        if (!info.isDir())
            continue;
        TTreeNTNode *node = items.AddChild(Parent, ToWideString(info.fileName()));
        node->SetImageIndex(ImageFolder);
        node->SetSelectedIndex(ImageFolderOpen);
        if (Placeholders && HoldsVisibleEntry(info.filePath()))
            node->SetHasChildren(true);
    }
    for (const QFileInfo &info : entries) {
        if (info.isDir())
            continue;
        TTreeNTNode *node = items.AddChild(Parent, ToWideString(info.fileName()));
        const int image = FileIcon(info.fileName());
        node->SetImageIndex(image);
        node->SetSelectedIndex(image);
    }
}

int TDirectoryTab::FileIcon(const QString &FileName)
{
    const QString ext = LowerExtension(FileName);
    if (ext.isEmpty())
        return ImageDocument;
    auto found = FExtensionImages.constFind(ext);
    if (found != FExtensionImages.constEnd())
        return found.value();
    // The desktop's type for the extension alone; the file's content is never read.
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x") + ext, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    int image = ImageDocument;
    if (!icon.isNull()) {
        image = int(FImages.size());
        FImages.append(icon);
        TreeNTFiles->SetImages(FImages);
    }
    FExtensionImages.insert(ext, image);
    return image;
}

QString TDirectoryTab::DirNodePath(const TTreeNTNode *Node) const
{
    if (!Node)
        return QString();
    if (!Node->GetParent())
        return ToQString(Node->GetText());
    QStringList parts;
    const TTreeNTNode *n = Node;
    for (; n->GetParent(); n = n->GetParent())
        parts.prepend(ToQString(n->GetText()));
    QString path = ToQString(n->GetText()) + QLatin1Char('/') + parts.join(QLatin1Char('/'));
    while (path.contains(QStringLiteral("//")))
        path.replace(QStringLiteral("//"), QStringLiteral("/"));
    return path;
}

void TDirectoryTab::TreeNTFilesExpanding(TTreeNTNode *Node)
{
    if (!Node || !Node->GetParent())
        return; // the root holds its first level already
    TWaitCursor wait;
    FExpanding = true;
    TTreeNTNodes &items = TreeNTFiles->Items();
    items.BeginUpdate();
    if (Node->GetCount() > 0)
        Node->DeleteChildren();
    FillFolderNode(DirNodePath(Node), Node, true);
    items.EndUpdate();
    FExpanding = false;
}

void TDirectoryTab::TreeNTFilesCollapsed(TTreeNTNode *Node)
{
    if (FExpanding || !Node || !Node->GetParent())
        return;
    // Collapsing frees what was read; the next expansion reads the folder again.
    TTreeNTNodes &items = TreeNTFiles->Items();
    items.BeginUpdate();
    Node->DeleteChildren();
    if (HoldsVisibleEntry(DirNodePath(Node)))
        Node->SetHasChildren(true);
    items.EndUpdate();
}

void TDirectoryTab::TreeNTFilesDblClick(TTreeNTNode *Node)
{
    if (!Node)
        Node = TreeNTFiles->GetSelected();
    if (!Node || Node->GetImageIndex() == ImageFolder)
        return;
    const QString path = DirNodePath(Node);
    if (IsRefusedExtension(path)) {
        ShowMessage(u"Can only edit files that are plain text");
        return;
    }
    const WideString name = ToWideString(path);
    if (FMain.FileAlreadyOpen(name))
        return;
    try {
        FMain.OpenFile(name, true, false, WideString());
    } catch (const std::exception &e) {
        throw Exception("Error opening " + ToLocalPath(path) + " - " + e.what());
    }
}

// ============================================================================ the window's page

void TfrmQuillmarMain::CreateDirectoryTab()
{
    const int index = PageControlNav->indexOf(TreeNTFiles);
    const QString caption = PageControlNav->tabText(index);
    PageControlNav->removeTab(index);
    TabSheetFiles = new TDirectoryTab(*this, TreeNTFiles, PageControlNav);
    PageControlNav->insertTab(index, TabSheetFiles, caption);
}
