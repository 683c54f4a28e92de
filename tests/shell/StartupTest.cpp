// Start-up as a user meets it: a second start hands its file to the running copy and ends.
#include "tests/shell/MainWindowSupport.h"

#include "platform/ScopeGuard.h"
#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace mwtest;

namespace {

// Runs the built program with Args as a second copy while this process serves as the first.
int RunSecondCopy(const QStringList &Args, const QString &RuntimeDir)
{
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), RuntimeDir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QUILLMAR_NO_SPLASH_WAIT"), QStringLiteral("1"));
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(QUILLMAR_BINARY), Args);
    if (!second.waitForStarted(10000))
        return -100;
    QElapsedTimer timer;
    timer.start();
    while (second.state() != QProcess::NotRunning && timer.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        second.waitForFinished(10);
    }
    if (second.state() != QProcess::NotRunning) {
        second.kill();
        second.waitForFinished();
        return -101;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -102;
}

} // namespace

TEST(Startup, SecondCopyHandsItsFileToTheFirstAndEnds)
{
    QTemporaryDir runtime;
    // The program's own runtime folder comes back however the test ends.
    TScopeGuard ownRuntime([old = qgetenv("XDG_RUNTIME_DIR")] { qputenv("XDG_RUNTIME_DIR", old); });
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    TSingleInstance first(TSingleInstance::DefaultName());
    int activations = 0;
    first.OnActivate = [&] { ++activations; };
    first.OnOpen = [&](const QString &Path) { f.Window->HandOverOpen(Path); };
    ASSERT_TRUE(first.Listen());

    // A path of 400 characters arrives whole.
    QString folder = f.Dir.path();
    while (folder.size() < 360) {
        folder += QStringLiteral("/folder-with-a-rather-long-name-%1").arg(folder.size());
        QDir().mkpath(folder);
    }
    const QString path =
        folder + QLatin1Char('/') + QString(400 - folder.size() - 6, QLatin1Char('p')) + QStringLiteral(".html");
    ASSERT_EQ(path.size(), 400);
    WriteBytes(path, "<p>far away</p>\n");
    EXPECT_EQ(RunSecondCopy({path}, runtime.path()), 0);
    ASSERT_EQ(f.Window->TabCount(), 1);
    EXPECT_EQ(f.Window->ActiveEditor()->FileName(), W(path));
    EXPECT_EQ(activations, 1);

    // A file that is open already: its tab becomes active, no second tab.
    const QString other = f.Put(QStringLiteral("other.html"), "<p>other</p>\n");
    f.Window->OpenFile(W(other), true, false, WideString());
    ASSERT_EQ(f.Window->ActiveIndex(), 1);
    EXPECT_EQ(RunSecondCopy({path}, runtime.path()), 0);
    EXPECT_EQ(f.Window->TabCount(), 2);
    EXPECT_EQ(f.Window->ActiveIndex(), 0);
    EXPECT_EQ(f.Window->StatusPanel(2), path);

    // No argument: the first copy only comes to the front. A relative name arrives absolute.
    EXPECT_EQ(RunSecondCopy({}, runtime.path()), 0);
    EXPECT_EQ(activations, 3);
    EXPECT_EQ(f.Window->TabCount(), 2);
    EXPECT_EQ(RunSecondCopy({QStringLiteral("log")}, runtime.path()), 0);
    QCoreApplication::processEvents();
    ASSERT_FALSE(f.PromptTexts().empty());
    EXPECT_EQ(f.PromptTexts().back(),
              "File '" + QDir::current().absoluteFilePath(QStringLiteral("log")).toStdString() + "' does not exist");
}

TEST(Startup, SocketLeftByADeadCopyIsTakenOver)
{
    QTemporaryDir runtime;
    const QString name = runtime.filePath(QStringLiteral("quillmar-test.sock"));
    // A socket file nobody listens on any more.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", name.toLocal8Bit().constData());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ::close(fd);
    EXPECT_FALSE(TSingleInstance::HandOver(name, {}, 500));
    TSingleInstance first(name);
    EXPECT_TRUE(first.Listen());
    // A live first copy is not taken over.
    TSingleInstance second(name);
    EXPECT_FALSE(second.Listen());
}

TEST(Startup, TraceLogOnlyWhenAskedFor)
{
    TWindowFixture f;
    const QString log = f.File(QStringLiteral("Quillmar.log"));
    f.Window->TraceLines << QStringLiteral("first line") << QStringLiteral("2026-01-01 10:00:00 trace #99");
    f.Window->SaveTraceLog({QStringLiteral("quillmar"), QStringLiteral("page.html")});
    EXPECT_FALSE(QFileInfo::exists(log));
    EXPECT_TRUE(f.Window->TraceLines.isEmpty());
    f.Window->TraceLines << QStringLiteral("first line");
    f.Window->SaveTraceLog({QStringLiteral("quillmar"), QStringLiteral("page.html"), QStringLiteral("LOG")});
    EXPECT_EQ(ReadBytes(log), "first line\n");
    EXPECT_TRUE(f.PromptTexts().empty());
}

TEST(Startup, TwoStartsOfTheProgram)
{
    QTemporaryDir dir;
    const QString runtime = dir.filePath(QStringLiteral("run"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString settings = dir.filePath(QStringLiteral("Quillmar.ini"));
    // No tip of the day: a hand-over waits while a modal window is up.
    WriteBytes(settings, "[Window]\nShowTOD=0\n");
    const QString page = QDir(dir.path()).canonicalPath() + QStringLiteral("/page.html");
    WriteBytes(page, "<p>handed over</p>\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QUILLMAR_NO_SPLASH_WAIT"), QStringLiteral("1"));
    env.insert(QStringLiteral("QUILLMAR_SETTINGS_FILE"), settings);

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(QUILLMAR_BINARY), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // The first copy is up once its socket is there.
    QElapsedTimer timer;
    timer.start();
    while (QDir(runtime).entryList({QStringLiteral("quillmar-*.sock")}, QDir::System).isEmpty() &&
           timer.elapsed() < 20000)
        first.waitForFinished(50);
    ASSERT_EQ(first.state(), QProcess::Running);

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(dir.path());
    second.start(QStringLiteral(QUILLMAR_BINARY), {QStringLiteral("page.html")}); // relative to its own folder
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // Ending the session closes the first copy as the user would: the settings name the page.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(20000));
    TSettings written;
    written.Load(ToLocalPath(settings));
    ASSERT_FALSE(written.Reopen.empty()) << ReadBytes(settings);
    EXPECT_EQ(written.Reopen.back(), W(page));
}
