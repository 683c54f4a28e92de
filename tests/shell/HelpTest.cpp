// The window's help as a user meets it: the help file beside the program, F1 on the window's
// parts and dialogs, Help > Contents, and a missing help file.
#include "MainWindowSupport.h"

#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "platform/HelpWindow.h"
#include "platform/HtmlHelp.h"
#include "shell/FindDialog.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
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
