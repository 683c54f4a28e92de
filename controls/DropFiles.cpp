#include "controls/DropFiles.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace {

// Entry names of a folder without "." and "..", sorted by their bytes so a drop lists the
// same order every time. An unreadable folder has none.
std::vector<AnsiString> folderEntries(const AnsiString &Dir)
{
    std::vector<AnsiString> names;
    DIR *d = opendir(Dir.c_str());
    if (!d)
        return names;
    while (const dirent *e = readdir(d)) {
        const AnsiString name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

// ---- TQzAbstractDropFilesHelper

TQzAbstractDropFilesHelper::TQzAbstractDropFilesHelper(TQzFormDropFiles &Owner) : FOwner(Owner)
{
}

TQzAbstractDropFilesHelper::~TQzAbstractDropFilesHelper()
{
    Files.Clear();
}

void TQzAbstractDropFilesHelper::DoBeforeDrop()
{
    if (OnBeforeDrop)
        OnBeforeDrop(FOwner);
}

void TQzAbstractDropFilesHelper::DoDropFiles()
{
    if (ForegroundOnDrop) {
        if (QWidget *w = WindowHandle()) {
            w->raise();
            w->activateWindow();
        }
    }
    if (OnDropFiles)
        OnDropFiles(FOwner);
}

void TQzAbstractDropFilesHelper::AcceptFiles(bool Accept)
{
    if (QWidget *w = WindowHandle())
        w->setAcceptDrops(Accept);
}

void TQzAbstractDropFilesHelper::ReadDroppedFiles(const QStringList &Paths, QPoint Point)
{
    Files.Clear();
    for (const QString &p : Paths) {
        if (!p.isEmpty())
            AddPath(ToLocalPath(p), 0, false);
    }
    DropPoint = Point;
}

void TQzAbstractDropFilesHelper::AddPath(const AnsiString &Path, int Depth, bool Linked)
{
    struct stat st {};
    if (stat(Path.c_str(), &st) != 0)
        return; // gone, or a link to nowhere
    if (S_ISDIR(st.st_mode)) {
        AddEntry(Path, true);
        // A linked folder inside a dropped one is listed but not entered: links may lead
        // back up the tree.
        if (!Options.Contains(dfoRecurseFolders) || Linked || Depth >= MaxFolderDepth)
            return;
        const AnsiString dir = Path.back() == '/' ? Path : Path + '/';
        for (const AnsiString &name : folderEntries(dir)) {
            const AnsiString child = dir + name;
            struct stat lst {};
            if (lstat(child.c_str(), &lst) != 0)
                continue;
            AddPath(child, Depth + 1, S_ISLNK(lst.st_mode));
        }
    } else if (S_ISREG(st.st_mode)) {
        AddEntry(Path, false);
    }
    // Pipes, devices and sockets are not files to open.
}

void TQzAbstractDropFilesHelper::AddEntry(const AnsiString &Path, bool Folder)
{
    if (Options.Contains(Folder ? dfoIncFolders : dfoIncFiles))
        Files.Add(Path);
}

// ---- TQzFormDropFilesHelper

QWidget *TQzFormDropFilesHelper::TargetControl() const
{
    return FOwner.FormHandle();
}

// ---- TQzFormDropFiles

QWidget *TQzFormDropFiles::CheckedOwner(QWidget *AOwner)
{
    if (!AOwner || !AOwner->isWindow())
        throw Exception("TQzFormDropFiles owner must be a form");
    for (QObject *child : AOwner->children()) {
        if (dynamic_cast<TQzFormDropFiles *>(child))
            throw Exception(
                "Only one TQzFormDropFiles component is permitted on a form: " + QStringToAnsi(child->objectName()) +
                " is already present on " + QStringToAnsi(AOwner->objectName()));
    }
    return AOwner;
}

TQzFormDropFiles::TQzFormDropFiles(QWidget *AOwner)
    : QObject(CheckedOwner(AOwner)), FForm(AOwner), FHelper(std::make_unique<TQzFormDropFilesHelper>(*this))
{
    FFormAcceptedDrops = AOwner->acceptDrops();
    AOwner->installEventFilter(this);
    FHelper->AcceptFiles(FEnabled);
}

TQzFormDropFiles::~TQzFormDropFiles()
{
    if (QWidget *form = FForm.data()) {
        form->removeEventFilter(this);
        form->setAcceptDrops(FFormAcceptedDrops);
    }
}

void TQzFormDropFiles::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    FHelper->AcceptFiles(Value);
}

QStringList TQzFormDropFiles::LocalPaths(const QMimeData *Data)
{
    QStringList paths;
    if (!Data || !Data->hasUrls())
        return paths;
    for (const QUrl &url : Data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    }
    return paths;
}

bool TQzFormDropFiles::HandleDrop(const QStringList &Paths, QPoint Point)
{
    if (!FEnabled)
        return false;
    // Without OnError a failure goes on to the caller (for a real drop, the error boundary).
    try {
        FHelper->DoBeforeDrop();
        FHelper->ReadDroppedFiles(Paths, Point);
        FHelper->DoDropFiles();
        return true;
    } catch (const std::exception &e) {
        if (!OnError)
            throw;
        OnError(e);
    }
    return false;
}

bool TQzFormDropFiles::DropPaths(const QStringList &Paths, QPoint Point)
{
    return HandleDrop(Paths, Point);
}

bool TQzFormDropFiles::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched != FForm.data())
        return false;
    switch (Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *e = static_cast<QDragMoveEvent *>(Event);
        if (FEnabled && !LocalPaths(e->mimeData()).isEmpty()) {
            e->acceptProposedAction();
            return true;
        }
        return false;
    }
    case QEvent::Drop: {
        auto *e = static_cast<QDropEvent *>(Event);
        const QStringList paths = LocalPaths(e->mimeData());
        if (!FEnabled || paths.isEmpty())
            return false;
        e->acceptProposedAction();
        // A failure without OnError is shown here: it must not unwind through Qt's drop handling.
        RunGuarded([&] { HandleDrop(paths, e->position().toPoint()); });
        return true;
    }
    default: return false;
    }
}
