#pragma once
// Makes a form a target for files dragged from the desktop's file manager: the component
// watches its owner form's drag-and-drop events, collects the dropped local names (files,
// and on request folders and what lies inside them) and reports the drop through two events.
// At most one such component may sit on a form.
#include "platform/StringList.h"
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>

class QMimeData;
class TQzFormDropFiles;

enum TQzDropFilesOption : uint8_t {
    dfoIncFolders = 0, // list dropped folders (and, when recursing, the folders inside)
    dfoIncFiles = 1, // list files
    dfoRecurseFolders = 2, // look inside dropped folders, at any depth
};

// A set of TQzDropFilesOption held in one byte, bit n for option n.
class TQzDropFilesOptions {
public:
    constexpr TQzDropFilesOptions() = default;
    constexpr TQzDropFilesOptions(std::initializer_list<TQzDropFilesOption> Options)
    {
        for (TQzDropFilesOption o : Options)
            FBits = static_cast<uint8_t>(FBits | (1u << o));
    }
    static constexpr TQzDropFilesOptions FromBits(uint8_t Bits)
    {
        TQzDropFilesOptions o;
        o.FBits = static_cast<uint8_t>(Bits & 7u);
        return o;
    }
    constexpr bool Contains(TQzDropFilesOption Option) const { return (FBits >> Option) & 1u; }
    constexpr uint8_t Bits() const { return FBits; }
    constexpr bool operator==(const TQzDropFilesOptions &) const = default;

private:
    uint8_t FBits = 0;
};

using TQzDropNotify = std::function<void(TQzFormDropFiles &Sender)>;

// Does the work of a drop: holds the options, the events and the names of the last drop.
class TQzAbstractDropFilesHelper {
public:
    // Folders nested deeper than this below a dropped folder are not entered.
    static constexpr int MaxFolderDepth = 256;

    explicit TQzAbstractDropFilesHelper(TQzFormDropFiles &Owner);
    virtual ~TQzAbstractDropFilesHelper();

    // The window that receives the drops, or null.
    virtual QWidget *WindowHandle() const { return TargetControl(); }
    virtual QWidget *TargetControl() const = 0;
    virtual void DoDropFiles();
    virtual void DoBeforeDrop();

    // Clears the list and adds every path of a drop, in the order given.
    void ReadDroppedFiles(const QStringList &Paths, QPoint Point);
    void AcceptFiles(bool Accept);

    bool ForegroundOnDrop = false;
    TQzDropNotify OnDropFiles;
    TQzDropNotify OnBeforeDrop;
    QPoint DropPoint;
    TStringList Files; // UTF-8 paths of the last drop
    TQzDropFilesOptions Options{dfoIncFolders, dfoIncFiles};

protected:
    TQzFormDropFiles &FOwner;

private:
    void AddPath(const AnsiString &Path, int Depth, bool Linked);
    void AddEntry(const AnsiString &Path, bool Folder);
};

class TQzFormDropFilesHelper final : public TQzAbstractDropFilesHelper {
public:
    using TQzAbstractDropFilesHelper::TQzAbstractDropFilesHelper;
    // The owning component's form.
    QWidget *TargetControl() const override;
};

class TQzFormDropFiles : public QObject {
public:
    // AOwner must be a form (a top-level widget) without a drop-files component yet;
    // otherwise Exception is thrown and nothing is attached. The form owns the component.
    explicit TQzFormDropFiles(QWidget *AOwner);
    ~TQzFormDropFiles() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool ForegroundOnDrop() const { return FHelper->ForegroundOnDrop; }
    void SetForegroundOnDrop(bool Value) { FHelper->ForegroundOnDrop = Value; }
    TQzDropFilesOptions Options() const { return FHelper->Options; }
    void SetOptions(TQzDropFilesOptions Value) { FHelper->Options = Value; }
    const TQzDropNotify &OnBeforeDrop() const { return FHelper->OnBeforeDrop; }
    void SetOnBeforeDrop(TQzDropNotify Value) { FHelper->OnBeforeDrop = std::move(Value); }
    const TQzDropNotify &OnDropFiles() const { return FHelper->OnDropFiles; }
    void SetOnDropFiles(TQzDropNotify Value) { FHelper->OnDropFiles = std::move(Value); }

    // Names of the last drop; an index outside 0..Count()-1 throws EStringListError.
    int Count() const { return FHelper->Files.Count(); }
    const AnsiString &Files(int Index) const { return FHelper->Files.Strings(Index); }
    // Where the last drop landed, in the form's coordinates.
    QPoint DropPoint() const { return FHelper->DropPoint; }

    // The form, or null once it is gone.
    QWidget *FormHandle() const { return FForm.data(); }

    // A drop made by the program: Paths (local paths, UTF-8 or as QString) land at Point.
    // Runs like a drop from the file manager; false when the component is disabled or the
    // drop failed (the failure went to OnError).
    bool DropPaths(const QStringList &Paths, QPoint Point);

    // Where a failure during a drop goes (the events' own exceptions included); without a
    // handler it goes on to the caller, or for a real drop to the application's error boundary,
    // which shows it to the user.
    std::function<void(const std::exception &)> OnError;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    static QWidget *CheckedOwner(QWidget *AOwner);
    static QStringList LocalPaths(const QMimeData *Data);
    bool HandleDrop(const QStringList &Paths, QPoint Point);

    bool FEnabled = true;
    bool FFormAcceptedDrops = false; // the form's own setting, put back on destruction
    QPointer<QWidget> FForm;
    std::unique_ptr<TQzAbstractDropFilesHelper> FHelper;
};
