// While a check fetches an include over the network the event loop turns: the user's input and a
// close of the window wait, and a hand-over from a later start is opened after the check.
#include "tests/shell/LocalWebSite.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTimer>

#include <QTest>

#include <gtest/gtest.h>

using namespace mwtest;

TEST(CheckSyntax, InputAndHandOversWaitWhileAnIncludeIsFetched)
{
    TWindowFixture f;
    TLocalWebSite site(f, {{QStringLiteral("lib.js"), "function helper(x) {\r\n  return x;\r\n}\r\n"}});
    ASSERT_TRUE(site.Ready());
    const int port = site.Port;
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.CheckOpen = false;
    w.Settings.OpenIncludes = true;
    const QString page =
        f.Put(QStringLiteral("page.html"),
              "<html>\r\n<head>\r\n<script type=\"text/javascript\" src=\"http://127.0.0.1:" + std::to_string(port) +
                  "/lib.js\"></script>\r\n</head>\r\n</html>\r\n");
    const QString later = f.Put(QStringLiteral("later.js"), "var later;\r\n");
    w.OpenFile(W(page), true, false, WideString());
    ASSERT_EQ(w.TabCount(), 1);

    bool fired = false;
    int tabsDuringCheck = -1;
    QTimer::singleShot(0, &w, [&] {
        fired = true;
        // The user types and closes the window, and a later start hands over a file.
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(w.ActiveEditor(), &key);
        EXPECT_FALSE(w.close());
        w.HandOverOpen(later);
        tabsDuringCheck = w.TabCount();
    });
    w.CheckSyntaxActionExecute();
    ASSERT_TRUE(fired);
    EXPECT_EQ(tabsDuringCheck, 1); // nothing opened or closed by them during the check
    EXPECT_EQ(w.TabCount(), 2); // the page and the fetched include
    EXPECT_EQ(w.Tab(0)->Editor->LineText(0), u"<html>");
    EXPECT_FALSE(w.Tab(0)->Editor->GetModified());
    EXPECT_TRUE(w.Tab(0)->Record->Checked);
    // After the check the hand-over is opened.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.FileName2Tab(W(later)) >= 0; }, 10000));
}
