// Failures reach the user through the program's one error boundary, whichever way the user
// started the work: a path in the message reads the same from a menu entry and from a key.
#include "tests/shell/MainWindowSupport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

using namespace mwtest;

TEST(ErrorBoundary, AUtf8PathReadsTheSameFromTheMenuAndFromAKey)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    f.Window->show();
    QApplication::setActiveWindow(f.Window.get());
    ASSERT_EQ(f.Window->TabCount(), 1); // the new file of the first showing
    // A page too large to open (a sparse file of 3 GB), chosen in the open dialog.
    const QString name = QStringLiteral("Gr\u00FC\u00DFe-\u20AC.html");
    const QString path = f.Put(name, "");
    ASSERT_TRUE(QFile::resize(path, qint64(3) << 30));

    // From the File menu's entry.
    QMenu *file = f.Window->Menu(QStringLiteral("File1"));
    ASSERT_NE(file, nullptr);
    QAction *open = f.Window->Action(QStringLiteral("FileOpenAction"));
    ASSERT_TRUE(file->actions().contains(open));
    f.Answers.push_back({{path}});
    open->trigger();
    ASSERT_EQ(f.PromptTexts().size(), 1u);

    // From the keyboard, typed into the editor.
    TSyntaxEdit &editor = f.Editor(0);
    editor.setFocus();
    f.Answers.push_back({{path}});
    QTest::keyClick(&editor, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(f.PromptTexts().size(), 2u);

    const TPrompt &fromMenu = f.Prompts->Asked()[0];
    const TPrompt &fromKey = f.Prompts->Asked()[1];
    EXPECT_EQ(fromMenu.Kind, TMsgDlgType::mtError);
    EXPECT_EQ(fromKey.Kind, TMsgDlgType::mtError);
    EXPECT_EQ(fromMenu.Text, fromKey.Text);
    // The path is shown as the user named it, not as its bytes read one by one.
    EXPECT_NE(fromMenu.Text.find(W(path)), WideString::npos) << Narrow(fromMenu.Text);
    EXPECT_EQ(f.Window->TabCount(), 1);
    f.Window->hide();
}
