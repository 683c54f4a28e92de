// The window's help as a user meets it: the help file beside the program, F1 on the window's
// parts and dialogs, Help > Contents, and a missing help file.
#include "MainWindowSupport.h"

#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "platform/HelpWindow.h"
#include "platform/HtmlHelp.h"
#include "platform/ScopeGuard.h"
#include "shell/FindDialog.h"
#include "shell/SingleInstance.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QMenu>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

// The title of the topic the help window shows; empty when no help window is open.
QString ShownTopic()
{
    THelpWindow *help = CurrentHelpWindow();
    return help && help->isVisible() ? help->TopicTitle() : QString();
}

} // namespace

TEST(WindowHelp, F1AndContentsShowTheirTopics)
{
    TWindowFixture f;
    EXPECT_TRUE(f.PromptTexts().empty());
    EXPECT_EQ(f.Window->HelpFileName(), QCoreApplication::applicationDirPath() + QStringLiteral("/Quillmar.chm"));

    QMenu *help = f.Window->Menu(QStringLiteral("Help1"));
    ASSERT_NE(help, nullptr);
    QAction *contents = f.Window->Action(QStringLiteral("HelpContentsAction"));
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(help->actions().value(0), contents);
    EXPECT_EQ(contents->text(), QStringLiteral("&Contents && overview"));
    EXPECT_EQ(ShownTopic(), QString());
    contents->trigger();
    EXPECT_EQ(ShownTopic(), QStringLiteral("Contents and overview"));

    f.Window->FileNewActionExecute();
    const std::pair<QWidget *, const char *> places[] = {
        {&f.Editor(0), "Editor tabs"},
        {f.Window->NavTree, "Checking syntax"},
        {f.Window->ErrorList, "Checking syntax"},
        {f.Window->TreeNTProjects, "Projects"},
        {f.Window->FindDialog().FindTextComboBox, "Find or replace text"},
        {f.Window->statusBar(), "Contents and overview"},
    };
    for (const auto &[widget, title] : places) {
        SCOPED_TRACE(title);
        ASSERT_NE(widget, nullptr);
        QTest::keyClick(widget, Qt::Key_F1);
        EXPECT_EQ(ShownTopic(), QString::fromUtf8(title));
    }
    // F1 leaves the editor's text alone.
    EXPECT_EQ(f.Editor(0).GetModified(), false);

    // Closing the window closes the help and takes the hook away.
    f.Window.reset();
    EXPECT_EQ(CurrentHelpWindow(), nullptr);
    EXPECT_FALSE(ApplicationHelpContext(1000));
}

TEST(WindowHelp, MissingHelpFileIsToldAndTheWindowRunsOn)
{
    TScriptedPrompter prompts;
    TPrompterScope scope(prompts);
    QTemporaryDir dir;
    TMainWindowSetup setup;
    setup.SettingsFile = ToLocalPath(dir.filePath(QStringLiteral("Quillmar.ini")));
    setup.SeedSettings = false;
    setup.HelpFile = dir.filePath(QStringLiteral("sub/../Quillmar.chm"));
    auto window = std::make_unique<TfrmQuillmarMain>(setup);
    const QString expected = dir.filePath(QStringLiteral("Quillmar.chm"));
    EXPECT_EQ(window->HelpFileName(), expected);
    ASSERT_EQ(prompts.Asked().size(), 1u);
    EXPECT_EQ(ToQString(prompts.Asked()[0].Text), QStringLiteral("Help file not found\r") + expected);

    // Help then shows nothing and asks nothing more.
    window->Action(QStringLiteral("HelpContentsAction"))->trigger();
    QTest::keyClick(window->NavTree, Qt::Key_F1);
    EXPECT_EQ(ShownTopic(), QString());
    EXPECT_EQ(prompts.Asked().size(), 1u);
    window->FileNewActionExecute();
    EXPECT_EQ(window->TabCount(), 1);
}

// The program itself: -Debug (any case) starts the debug log in the per-user state folder and is
// not taken for a file to open; without the switch no log and no folder is made.
TEST(WindowHelp, ProgramWritesTheDebugLogWhenSwitchedOn)
{
    QTemporaryDir dir;
    // No tip of the day: its modal box would keep the program from closing at once.
    WriteBytes(dir.filePath(QStringLiteral("Quillmar.ini")), "[Window]\r\nShowTOD=0\r\n");
    auto runProgram = [&](const QStringList &Args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUILLMAR_NO_SPLASH_WAIT"), QStringLiteral("1"));
        env.insert(QStringLiteral("QUILLMAR_SETTINGS_FILE"), dir.filePath(QStringLiteral("Quillmar.ini")));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.start(QStringLiteral(QUILLMAR_BINARY), Args);
        ASSERT_TRUE(program.waitForStarted(10000));
        // Up once its instance socket is there.
        QElapsedTimer timer;
        timer.start();
        while (QDir(dir.path()).entryList({QStringLiteral("quillmar-*.sock")}, QDir::System).isEmpty() &&
               timer.elapsed() < 20000)
            program.waitForFinished(50);
        ASSERT_EQ(program.state(), QProcess::Running);
        program.terminate();
        ASSERT_TRUE(program.waitForFinished(20000));
    };
    const QString log = dir.filePath(QStringLiteral("state/quillmar/HHDebug.txt"));

    runProgram({});
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("state"))));

    runProgram({QStringLiteral("-Debug")});
    const std::string text = ReadBytes(log);
    EXPECT_EQ(text.rfind(std::string(79, '=') + "\nLog File:             \t", 0), 0u) << text;
    EXPECT_NE(text.find("Cmdline Param(s) =  \t-Debug\n"), std::string::npos) << text;
    const std::string create = "   THookHelpSystem.Create(\"" +
                               QFileInfo(QStringLiteral(QUILLMAR_BINARY)).absolutePath().toStdString() + "/Quillmar.chm\",\"\", 0)";
    EXPECT_NE(text.find(create), std::string::npos) << text;
    EXPECT_NE(text.find("   THookHelpSystem.Destroy\n"), std::string::npos) << text;
    // The next run without the switch removes the old log.
    runProgram({});
    EXPECT_FALSE(QFileInfo::exists(log));
}

// A second start with only the switch hands no file over: it brings the first copy forward.
TEST(WindowHelp, DebugSwitchIsNoFileToHandOver)
{
    QTemporaryDir dir;
    // The program's own runtime folder comes back however the test ends.
    TScopeGuard ownRuntime([old = qgetenv("XDG_RUNTIME_DIR")] { qputenv("XDG_RUNTIME_DIR", old); });
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    TSingleInstance first(TSingleInstance::DefaultName());
    int activations = 0;
    QStringList opened;
    first.OnActivate = [&] { ++activations; };
    first.OnOpen = [&](const QString &Path) { opened << Path; };
    ASSERT_TRUE(first.Listen());
    for (const char *arg : {"/DEBUG", "-debug"}) {
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(QUILLMAR_BINARY), {QString::fromLatin1(arg)});
        ASSERT_TRUE(second.waitForStarted(10000));
        QElapsedTimer timer;
        timer.start();
        while (second.state() != QProcess::NotRunning && timer.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            second.waitForFinished(10);
        }
        ASSERT_EQ(second.state(), QProcess::NotRunning);
        EXPECT_EQ(second.exitCode(), 0);
    }
    QElapsedTimer settle;
    settle.start();
    while (activations < 2 && settle.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(activations, 2);
    EXPECT_TRUE(opened.isEmpty()) << opened.join(QLatin1Char(' ')).toStdString();
}
