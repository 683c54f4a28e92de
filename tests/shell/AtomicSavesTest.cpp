// Every save of a file the user owns goes through the one atomic save: when writing fails half-way
// (a full disk) or the new file cannot be made the file's (a failed rename), the old file is left
// exactly as it was, whatever kind of file it is.
#include "tests/shell/MainWindowSupport.h"

#include "images/PNGImage.h"
#include "platform/AtomicSave.h"
#include "platform/IniFile.h"
#include "shell/OptionsLogic.h"
#include "shell/Project.h"
#include "shell/Settings.h"
#include "text/WideStrings.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

using namespace mwtest;

TEST(AtomicSaves, AFailedSaveOfAnyUserFileLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).canonicalPath();
    // Each file in a folder of its own, so that a temporary file left behind shows.
    auto local = [&](const char *Name) {
        const QString name = QLatin1String(Name);
        return ToLocalPath(folder + QLatin1Char('/') + name + QLatin1String(".d/") + name);
    };
    struct Case {
        const char *Name;
        AnsiString Path;
        // Saves new content into Path; false (or an exception) when the save failed.
        std::function<bool()> Save;
    };
    const Case cases[] = {
        {"text", local("page.html"),
         [&] {
             TWideStringList lines;
             lines.Add(u"<p>new text</p>");
             lines.SaveToFile(local("page.html"));
             return true;
         }},
        {"picture", local("logo.png"),
         [&] {
             TPNGImage png;
             png.SetPixelFormat(pf24bit);
             png.SetSize(64, 64);
             png.SaveToFile(local("logo.png"));
             return true;
         }},
        {"project", local("site.prj"),
         [&] {
             TProject project(nullptr, local("site.prj"));
             project.HTMLFiles.push_back("index.html");
             project.SaveToFile();
             return true;
         }},
        {"settings", local("Quillmar.ini"),
         [&] {
             TSettings settings;
             settings.Save(local("Quillmar.ini"));
             return true;
         }},
        {"desktop entry", ToLocalPath(AssociationFile(folder)),
         [&] {
             QString error;
             return WriteAssociations(folder, QStringLiteral("/usr/bin/quillmar"), {}, {true, true}, error);
         }},
    };
    const std::string old = "old content\r\nthat must survive\r\n";
    struct Fault {
        const char *Name;
        TAtomicSave::TStep Step;
        int Err;
    };
    const Fault faults[] = {{"disk full while writing", TAtomicSave::TStep::Write, ENOSPC},
                            {"failed rename", TAtomicSave::TStep::Rename, EIO}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        const QString path = FromLocalPath(c.Path);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        for (const Fault &f : faults) {
            SCOPED_TRACE(f.Name);
            WriteBytes(path, old);
            bool saved = false;
            TAtomicSave::SetFaultHook([&](TAtomicSave::TStep Step, int64_t) { return Step == f.Step ? f.Err : 0; });
            try {
                saved = c.Save();
            } catch (const Exception &) {
            }
            TAtomicSave::SetFaultHook(nullptr);
            EXPECT_FALSE(saved);
            EXPECT_EQ(ReadBytes(path), old);
            EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
                << "no temporary file left behind";
        }
        // Without a fault the same save replaces the content: the fault did reach this save.
        WriteBytes(path, old);
        EXPECT_TRUE(c.Save());
        EXPECT_NE(ReadBytes(path), old);
    }
}
