#pragma once
// Open and save dialogs whose file name can follow the chosen file type: with AutoExtention
// on, picking a filter gives the typed name that filter's extension (FileFilter.h has the
// rule). Both run a QFileDialog with Qt's own widgets, where the filter change and the name
// edit box are reachable.
#include "platform/StringList.h"
#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

enum TOpenOption : unsigned {
    ofOverwritePrompt = 1u << 0, // ask before an existing file is chosen in a save dialog
    ofAllowMultiSelect = 1u << 1, // Files() may hold several names
    ofFileMustExist = 1u << 2, // an open dialog only accepts existing files
};
using TOpenOptions = unsigned;

// Qt name filter for one "description|patterns" entry: the description with the patterns in
// the trailing parentheses Qt reads them from ("*" when the entry has none).
QString ToQtNameFilter(const AnsiString &Description, const std::vector<AnsiString> &Patterns);
// All entries of a "description|pattern;pattern|..." filter as Qt name filters.
QStringList ToQtNameFilters(const AnsiString &Filter);

class TEOpenDialog : public QObject {
public:
    explicit TEOpenDialog(QObject *Owner = nullptr);
    ~TEOpenDialog() override;

    // "description|pattern;pattern|description|pattern" (Windows-1252 text).
    const AnsiString &Filter() const { return FFilter; }
    void SetFilter(const AnsiString &Value) { FFilter = Value; }
    // Counted from 1; after Execute, the filter the user left selected.
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int Value) { FFilterIndex = Value; }
    // Extension (without dot) added to a typed name that has none; also the fallback of the
    // extension rule.
    const AnsiString &DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const AnsiString &Value) { FDefaultExt = Value; }
    // Paths are UTF-8 (see platform/Types.h).
    const AnsiString &InitialDir() const { return FInitialDir; }
    void SetInitialDir(const AnsiString &Value) { FInitialDir = Value; }
    const AnsiString &Title() const { return FTitle; }
    void SetTitle(const AnsiString &Value) { FTitle = Value; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }
    bool AutoExtention() const { return FAutoExtention; }
    void SetAutoExtention(bool Value) { FAutoExtention = Value; }

    // While the dialog is shown: the path it would return now; otherwise the stored name
    // (after a successful Execute, the first chosen file).
    AnsiString FileName() const;
    // Stores Value; while the dialog is shown it also becomes the text of the name edit box.
    void SetFileName(const AnsiString &Value);
    // Every chosen file of the last successful Execute, full paths in the dialog's order.
    const TStrings &Files() const { return FFiles; }
    // While the dialog is shown: the text of its name edit box; otherwise empty.
    AnsiString GetEditSpec() const;
    // The extension the selected filter stands for (FileFilter.h).
    AnsiString FilterExtension() const;

    // Applies the filter's extension to the current name, once before an open dialog shows.
    // Shows the dialog modally; true when the user chose a file.
    virtual bool Execute();

    // After the file type changed (and the name followed it).
    std::function<void(TEOpenDialog &)> OnTypeChange;

    // The dialog while Execute runs (tests and callers that want to look at it), else null.
    QFileDialog *Dialog() const { return FDialog; }

protected:
    TEOpenDialog(QObject *Owner, bool AutoExtentionDefault);
    void DoTypeChange();
    bool RunDialog(bool Save);

private:
    void FilterChosen();

    AnsiString FFilter;
    int FFilterIndex = 1;
    AnsiString FDefaultExt;
    AnsiString FInitialDir;
    AnsiString FTitle;
    TOpenOptions FOptions = 0;
    bool FAutoExtention = false;
    AnsiString FFileName;
    TStringList FFiles;
    QPointer<QFileDialog> FDialog;
    // The edit text just before the file type changed: Qt's save dialog rewrites the name on
    // its own before telling us, so the name the user typed is taken from here.
    QString FTypedName;
    bool FTypedNameValid = false;
};

class TESaveDialog : public TEOpenDialog {
public:
    explicit TESaveDialog(QObject *Owner = nullptr);
    // Shows the save dialog as it is: the stored name keeps its extension until the user
    // changes the file type.
    bool Execute() override;
};
