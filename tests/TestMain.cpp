// Shared entry point of every test program: the program's application class on the offscreen
// platform, so widget tests run without a display and under the same error boundary and string
// comparison as the program, then all GoogleTest cases, with a home of their own.
#include "platform/GuardedApplication.h"
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <gmock/gmock.h>
#include <sys/stat.h>

namespace {

// Points HOME and the XDG folders into Home, for this process and every program it starts, so
// what the tests, Qt (the file dialogs' history) or a started copy of the program keep per user
// lands there and never in the user's home. Set before the application exists: Qt reads some of
// them once.
bool UseOwnHome(const QString &Home)
{
    const struct {
        const char *Variable;
        const char *Folder;
    } Folders[] = {
        {"HOME", ""},
        {"XDG_CONFIG_HOME", "/.config"},
        {"XDG_CACHE_HOME", "/.cache"},
        {"XDG_DATA_HOME", "/.local/share"},
        {"XDG_STATE_HOME", "/.local/state"},
        {"XDG_RUNTIME_DIR", "/runtime"},
    };
    for (const auto &F : Folders) {
        const QString Path = Home + QLatin1String(F.Folder);
        const QByteArray Local = QFile::encodeName(Path);
        // Owner only, as a runtime folder must be.
        if (!QDir().mkpath(Path) || ::chmod(Local.constData(), 0700) != 0 ||
            setenv(F.Variable, Local.constData(), 1) != 0)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Removed, with all that was written into it, when the program ends.
    QTemporaryDir Home(QDir::tempPath() + QStringLiteral("/quillmar-test-home-XXXXXX"));
    if (!Home.isValid() || !UseOwnHome(Home.path())) {
        std::fprintf(stderr, "cannot make a home folder for the tests under %s\n", qPrintable(QDir::tempPath()));
        return 1;
    }
    ::testing::InitGoogleMock(&argc, argv);
    TGuardedApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
