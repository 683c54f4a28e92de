#include "controls/FileDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const AnsiString DialogSaveFilter = "HTML *.htm;*.html|*.htm;*.html;|Javascript *.js|*.js|ASP *.asp *.aspx|*.asp;*.aspx|"
                              "PHP *.php; *.php3; *.php4|*.php;*.php3;*.php4|Flash ActiveScript *.as|*.as|"
                              "ASP.NET VB *.*.vb|*.*.vb|ASP.NET C# *.*.cs|*.*.cs|CSS *.css|*.css|WSF (*.wsf)|*.wsf|"
                              "SVG (*.svg)|*.svg|All files *.*|*.*";

QLineEdit *nameEdit(QFileDialog *d)
{
    return d ? d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
}

QComboBox *typeCombo(QFileDialog *d)
{
    return d ? d->findChild<QComboBox *>(QStringLiteral("fileTypeCombo")) : nullptr;
}

// Picks row Target of the file-type box as its pop-up list does: the index changes first,
// then the box reports the activation.
void chooseType(QFileDialog *d, int Target)
{
    QComboBox *combo = typeCombo(d);
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(Target);
    emit combo->activated(Target);
    emit combo->textActivated(combo->itemText(Target));
}

// One step down the file-type box from the keyboard.
void typeStepDown(QFileDialog *d)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(typeCombo(d), &press);
}

// Runs Body once the modal dialog of Dialog is up, then closes it with Accept.
template <class Body>
bool runWith(TEOpenDialog &Dialog, Body body, bool Accept = false)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        body();
        if (Dialog.Dialog()) {
            if (Accept)
                static_cast<QDialog *>(Dialog.Dialog())->accept();
            else
                Dialog.Dialog()->reject();
        }
    });
    const bool result = Dialog.Execute();
    EXPECT_TRUE(ran);
    return result;
}

} // namespace

TEST(FileDialogs, NameFilterConversion)
{
    const QStringList f = ToQtNameFilters(DialogSaveFilter);
    ASSERT_EQ(f.size(), 11);
    EXPECT_EQ(f[0], "HTML *.htm;*.html (*.htm *.html)");
    EXPECT_EQ(f[3], "PHP *.php; *.php3; *.php4 (*.php *.php3 *.php4)");
    EXPECT_EQ(f[8], "WSF (*.wsf) (*.wsf)");
    EXPECT_EQ(f[10], "All files *.* (*.*)");
    EXPECT_EQ(ToQtNameFilters("Nothing"), QStringList{"Nothing (*)"});
}

TEST(FileDialogs, OpenDialogAppliesFilterExtensionBeforeShowing)
{
    QTemporaryDir dir;
    const AnsiString folder = dir.path().toStdString();
    struct Case {
        bool autoExt;
        int filterIndex;
        const char *expectedName;
    };
    for (const Case &c : {Case{true, 2, "page.js"}, Case{true, 11, "page.txt"}, Case{false, 2, "page.txt"},
                          Case{true, 8, "page.css"}}) {
        TEOpenDialog d;
        d.SetFilter(DialogSaveFilter);
        d.SetFilterIndex(c.filterIndex);
        d.SetAutoExtention(c.autoExt);
        d.SetFileName(folder + "/page.txt");
        int typeChanges = 0;
        d.OnTypeChange = [&](TEOpenDialog &) { ++typeChanges; };
        QString shown;
        EXPECT_FALSE(runWith(d, [&] { shown = nameEdit(d.Dialog()) ? nameEdit(d.Dialog())->text() : "?"; }));
        EXPECT_EQ(shown.toStdString(), c.expectedName);
        EXPECT_EQ(d.FileName(), folder + "/" + c.expectedName);
        EXPECT_EQ(typeChanges, 1);
    }
}

TEST(FileDialogs, SaveDialogNameFollowsChosenType)
{
    QTemporaryDir dir;
    const AnsiString folder = dir.path().toStdString();
    TESaveDialog d;
    EXPECT_TRUE(d.AutoExtention());
    d.SetFilter(DialogSaveFilter);
    d.SetFilterIndex(2);
    d.SetFileName(folder + "/page.txt");

    struct Step {
        int type; // 0-based row of the type box
        const char *typed; // typed into the edit box first, or null
        const char *expected;
    };
    const Step steps[] = {
        {-1, nullptr, "page.txt"}, // shown as stored: no change before showing
        {0, nullptr, "page.htm"},     {10, nullptr, "page.htm"}, // all files: no extension, typed name stays
        {7, nullptr, "page.css"},     {5, nullptr, "page.css"}, // *.*.vb has no usable extension
        {1, "notes", "notes.js"},     {2, "my.page.html", "my.page.asp"},
        {-2, nullptr, "my.page.php"}, // keyboard: one step down
    };
    std::vector<std::string> seen;
    int lastIndex = 0;
    const bool ok = runWith(
        d,
        [&] {
            QLineEdit *edit = nameEdit(d.Dialog());
            ASSERT_NE(edit, nullptr);
            for (const Step &s : steps) {
                if (s.typed)
                    edit->setText(s.typed);
                if (s.type >= 0)
                    chooseType(d.Dialog(), s.type);
                else if (s.type == -2)
                    typeStepDown(d.Dialog());
                seen.push_back(edit->text().toStdString());
                EXPECT_EQ(d.GetEditSpec(), s.expected);
            }
            lastIndex = d.FilterIndex();
        },
        true);
    ASSERT_TRUE(ok);
    ASSERT_EQ(seen.size(), std::size(steps));
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], steps[i].expected) << "step " << i;
    EXPECT_EQ(lastIndex, 4);
    EXPECT_EQ(d.FilterIndex(), 4);
    EXPECT_EQ(d.FileName(), folder + "/my.page.php");
    ASSERT_EQ(d.Files().Count(), 1);
    EXPECT_EQ(d.Files()[0], folder + "/my.page.php");
}

TEST(FileDialogs, SaveDialogWithoutAutoExtentionKeepsTypedName)
{
    QTemporaryDir dir;
    TESaveDialog d;
    d.SetAutoExtention(false);
    d.SetFilter(DialogSaveFilter);
    d.SetFilterIndex(1);
    d.SetFileName(dir.path().toStdString() + "/page.txt");
    int typeChanges = 0;
    d.OnTypeChange = [&](TEOpenDialog &) { ++typeChanges; };
    std::vector<std::string> seen;
    runWith(d, [&] {
        for (int type : {1, 7, 10}) {
            chooseType(d.Dialog(), type);
            seen.push_back(d.GetEditSpec());
        }
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"page.txt", "page.txt", "page.txt"}));
    EXPECT_EQ(typeChanges, 3);
    EXPECT_EQ(d.GetEditSpec(), ""); // closed
}

TEST(FileDialogs, OpenDialogReturnsEveryChosenFile)
{
    QTemporaryDir dir;
    for (const char *n : {"one.htm", "two.js"})
        QFile(dir.filePath(n)).open(QIODevice::WriteOnly);
    TEOpenDialog d;
    d.SetFilter("All files (*.*)|*.*");
    d.SetOptions(ofAllowMultiSelect | ofFileMustExist);
    d.SetInitialDir(dir.path().toStdString());
    ASSERT_TRUE(runWith(
        d, [&] { nameEdit(d.Dialog())->setText("\"one.htm\" \"two.js\""); }, true));
    ASSERT_EQ(d.Files().Count(), 2);
    EXPECT_EQ(d.Files()[0], dir.filePath("one.htm").toStdString());
    EXPECT_EQ(d.Files()[1], dir.filePath("two.js").toStdString());
    EXPECT_EQ(d.FileName(), d.Files()[0]);
}
