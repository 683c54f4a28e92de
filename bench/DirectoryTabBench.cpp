// The directory page filling one folder of 10,000 entries (9,000 files over a dozen extensions and
// 1,000 folders, half of them holding a file), as a root is chosen. Aim: under 1 s.
#include "controls/TreeNT.h"
#include "shell/DirectoryTab.h"
#include "shell/MainWindow.h"
#include "platform/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

constexpr int Files = 9000;
constexpr int Folders = 1000;

void BM_FillFolderOf10000(benchmark::State &State)
{
    QTemporaryDir dir;
    QDir base(dir.path());
    base.mkdir(QStringLiteral("big"));
    const QString big = dir.filePath(QStringLiteral("big"));
    static const char *const exts[] = {".txt", ".html", ".js", ".css", ".png", ".pdf",
                                       ".xml", ".json", ".c",  ".h",   ".md",  ""};
    for (int i = 0; i < Files; ++i) {
        QFile f(big + QStringLiteral("/file%1%2").arg(i).arg(QLatin1String(exts[i % 12])));
        f.open(QIODevice::WriteOnly);
    }
    for (int i = 0; i < Folders; ++i) {
        const QString folder = big + QStringLiteral("/folder%1").arg(i);
        QDir().mkdir(folder);
        if (i % 2 == 0) {
            QFile f(folder + QStringLiteral("/inside.txt"));
            f.open(QIODevice::WriteOnly);
        }
    }
    TScriptedPrompter prompts;
    TPrompterScope scope(prompts);
    TMainWindowSetup setup;
    setup.SettingsFile = dir.filePath(QStringLiteral("Quillmar.ini")).toStdString();
    setup.SeedSettings = false;
    TfrmQuillmarMain window(setup);
    window.resize(900, 700);
    window.show();
    TDirectoryTab &page = *window.TabSheetFiles;
    window.PageControlNav->setCurrentWidget(&page); // the tree is shown while it fills
    for (auto _ : State) {
        page.SelectRoot(big);
        QApplication::processEvents();
        benchmark::DoNotOptimize(page.TreeNTFiles->Items().GetCount());
    }
    State.SetItemsProcessed(State.iterations() * (Files + Folders));
}
BENCHMARK(BM_FillFolderOf10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
