#include "controls/FileDialogs.h"
#include "controls/FileFilter.h"
#include "platform/FileDialogDates.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include "platform/SysUtils.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QWidget>
#include <algorithm>
#include <exception>

QString ToQtNameFilter(const AnsiString &Description, const std::vector<AnsiString> &Patterns)
{
    QStringList patterns;
    for (const AnsiString &p : Patterns) {
        // Qt separates the patterns of one filter by blanks.
        QString q = AnsiToQString(p);
        q.replace(QLatin1Char(' '), QLatin1Char('?'));
        patterns << q;
    }
    if (patterns.isEmpty())
        patterns << QStringLiteral("*");
    QString description = AnsiToQString(Description).trimmed();
    if (description.isEmpty())
        description = patterns.join(QLatin1Char(' '));
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QStringList ToQtNameFilters(const AnsiString &Filter)
{
    QStringList result;
    for (const TFileFilterItem &item : ParseFileFilter(Filter))
        result << ToQtNameFilter(item.Description, item.Patterns);
    return result;
}

// ---- TEOpenDialog

TEOpenDialog::TEOpenDialog(QObject *Owner) : TEOpenDialog(Owner, false)
{
}

TEOpenDialog::TEOpenDialog(QObject *Owner, bool AutoExtentionDefault)
    : QObject(Owner), FAutoExtention(AutoExtentionDefault)
{
}

TEOpenDialog::~TEOpenDialog() = default;

AnsiString TEOpenDialog::FileName() const
{
    if (FDialog) {
        const QStringList selected = FDialog->selectedFiles();
        return selected.isEmpty() ? AnsiString() : ToLocalPath(selected.first());
    }
    return FFileName;
}

void TEOpenDialog::SetFileName(const AnsiString &Value)
{
    FFileName = Value;
    if (FDialog) {
        if (auto *edit = FDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            edit->setText(FromLocalPath(Value));
    }
}

AnsiString TEOpenDialog::GetEditSpec() const
{
    if (!FDialog)
        return {};
    if (auto *edit = FDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        return ToLocalPath(edit->text());
    return {};
}

AnsiString TEOpenDialog::FilterExtension() const
{
    return ::FilterExtension(FFilter, FFilterIndex, FDefaultExt);
}

void TEOpenDialog::DoTypeChange()
{
    if (FDialog) {
        // Start from what the user typed, whatever the dialog did to it meanwhile; a filter
        // without an extension leaves that name alone.
        const AnsiString typed = FTypedNameValid ? ToLocalPath(FTypedName) : GetEditSpec();
        FTypedNameValid = false;
        const AnsiString wanted = FAutoExtention ? FollowExtension(typed, FilterExtension()) : typed;
        if (wanted != GetEditSpec())
            SetFileName(wanted);
    } else if (FAutoExtention && !FFileName.empty()) {
        SetFileName(FollowExtension(FFileName, FilterExtension()));
    }
    if (OnTypeChange)
        OnTypeChange(*this);
}

void TEOpenDialog::FilterChosen()
{
    if (!FDialog)
        return;
    // The signal carries the shown text, which hides the patterns; the index is what counts.
    if (auto *combo = FDialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))) {
        if (combo->currentIndex() >= 0)
            FFilterIndex = combo->currentIndex() + 1;
    }
    // A failure goes on to the application's error boundary, which shows it.
    DoTypeChange();
}

bool TEOpenDialog::Execute()
{
    DoTypeChange();
    return RunDialog(false);
}

bool TEOpenDialog::RunDialog(bool Save)
{
    auto *parentWidget = qobject_cast<QWidget *>(parent());
    auto dialog = std::make_unique<QFileDialog>(parentWidget, AnsiToQString(FTitle));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::HideNameFilterDetails, true);
    dialog->setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (Save)
        dialog->setFileMode(QFileDialog::AnyFile);
    else if (FOptions & ofAllowMultiSelect)
        dialog->setFileMode(QFileDialog::ExistingFiles);
    else if (FOptions & ofFileMustExist)
        dialog->setFileMode(QFileDialog::ExistingFile);
    else
        dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !(FOptions & ofOverwritePrompt));
    WidenDateColumn(*dialog);

    const QStringList filters = ToQtNameFilters(FFilter);
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
        const int index = std::clamp(FFilterIndex, 1, static_cast<int>(filters.size())) - 1;
        dialog->selectNameFilter(filters.at(index));
    }
    QString suffix = AnsiToQString(FDefaultExt);
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    dialog->setDefaultSuffix(suffix);

    const QString name = FromLocalPath(FFileName);
    const QFileInfo info(name);
    if (!name.isEmpty() && info.isAbsolute())
        dialog->setDirectory(info.absolutePath());
    else if (!FInitialDir.empty())
        dialog->setDirectory(FromLocalPath(FInitialDir));
    if (!name.isEmpty())
        dialog->selectFile(info.isAbsolute() ? info.fileName() : name);

    if (auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))) {
        // The combo reports the new index before the dialog reacts to it.
        QObject::connect(combo, &QComboBox::currentIndexChanged, dialog.get(), GuardedSlot([this](int) {
            FTypedName.clear();
            FTypedNameValid = false;
            if (FDialog) {
                if (auto *edit = FDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
                    FTypedName = edit->text();
                    FTypedNameValid = true;
                }
            }
        }));
    }
    QObject::connect(dialog.get(), &QFileDialog::filterSelected, this,
                     GuardedSlot([this](const QString &) { FilterChosen(); }));

    FDialog = dialog.get();
    FTypedNameValid = false;
    const bool accepted = dialog->exec() == QDialog::Accepted;
    FDialog = nullptr;
    if (!accepted)
        return false;

    FFiles.Clear();
    const QStringList chosen = dialog->selectedFiles();
    for (const QString &f : chosen)
        FFiles.Add(ToLocalPath(f));
    if (!chosen.isEmpty())
        FFileName = ToLocalPath(chosen.first());
    if (auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))) {
        if (!filters.isEmpty() && combo->currentIndex() >= 0)
            FFilterIndex = combo->currentIndex() + 1;
    }
    return true;
}

// ---- TESaveDialog

TESaveDialog::TESaveDialog(QObject *Owner) : TEOpenDialog(Owner, true)
{
}

bool TESaveDialog::Execute()
{
    return RunDialog(true);
}
