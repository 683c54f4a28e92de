// Check syntax of a page whose script comes from an http:// address: the include is fetched by
// the window's HTTP client from a local server, shown in a read-only include tab and checked; a
// missing one, or one that does not arrive in time, becomes a finding with the reason.
#include "tests/shell/LocalWebSite.h"

#include "controls/TextListBox.h"
#include "editor/SyntaxEdit.h"
#include "editor/SyntaxEditorStrings.h"
#include "net/HttpProt.h"
#include "platform/ScopeGuard.h"
#include "tests/net/NetTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

using namespace mwtest;

TEST(CheckSyntax, HttpIncludesAreFetchedShownAndChecked)
{
    TWindowFixture f;
    TLocalWebSite site(f, {{QStringLiteral("lib.js"), "function helper(x) {\r\n  return x + ;\r\n}\r\n"}});
    ASSERT_TRUE(site.Ready());
    const std::string base = site.Base();
    const QString page =
        f.Put(QStringLiteral("page.html"), "<html>\r\n<head>\r\n"
                                           "<script type=\"text/javascript\" src=\"" +
                                               base +
                                               "/lib.js\"></script>\r\n"
                                               "<script type=\"text/javascript\" src=\"" +
                                               base +
                                               "/missing.js\"></script>\r\n"
                                               "</head>\r\n<body onload=\"helper(1)\"></body>\r\n</html>\r\n");
    f.Window->Settings.OpenIncludes = true;
    f.Window->OpenFile(W(page), true, false, WideString());

    TfrmQuillmarMain &w = *f.Window;
    std::string findings;
    for (int i = 0; i < w.ErrorList->Items().Count(); ++i)
        findings += w.ErrorList->Items().Strings(i) + "\n";

    // The fetched script: its own read-only tab named after the document, checked as include 1.
    int tab = -1;
    for (int i = 0; i < w.TabCount(); ++i)
        if (w.TabCaption(i) == QStringLiteral("http:~ lib.js"))
            tab = i;
    ASSERT_GE(tab, 0) << findings;
    EXPECT_EQ(Narrow(w.Tab(tab)->Editor->FileName()), base + "/lib.js");
    EXPECT_TRUE(w.Tab(tab)->Editor->Options() & eoReadOnly);
    EXPECT_FALSE(w.Tab(tab)->Editor->GetModified());
    EXPECT_NE(findings.find("on line 2 of Include; " + base + "/lib.js"), std::string::npos) << findings;
    // The page stays the active tab.
    EXPECT_EQ(w.ActiveTab()->Editor->FileName(), W(page));
    // The missing script is reported with the server's reason.
    EXPECT_NE(findings.find("Include '" + base + "/missing.js' not loaded, http error File not found"),
              std::string::npos)
        << findings;
}

// A server that answers an include a byte at a time, slower than any document should come, never
// lets the idle time-out end the fetch: the fetch's whole time does, and the finding says so.
TEST(CheckSyntax, AnIncludeThatDripsEndsWithATimeOutFinding)
{
    const int keptLimit = WebFetchTimeLimitMs;
    TScopeGuard restore([keptLimit] { WebFetchTimeLimitMs = keptLimit; });
    WebFetchTimeLimitMs = 1500;
    nettest::TestPeer drip(nettest::DripHttpDocument);
    TWindowFixture f;
    const std::string url = "http://127.0.0.1:" + drip.PortText() + "/slow.js";
    const QString page =
        f.Put(QStringLiteral("slow.html"), "<html>\r\n<head>\r\n<script type=\"text/javascript\" src=\"" + url +
                                               "\"></script>\r\n</head>\r\n<body></body>\r\n</html>\r\n");
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.OpenIncludes = true;
    w.OpenFile(W(page), true, false, WideString());

    std::string findings;
    for (int i = 0; i < w.ErrorList->Items().Count(); ++i)
        findings += w.ErrorList->Items().Strings(i) + "\n";
    EXPECT_NE(findings.find("Include '" + url + "' not loaded, http error Request timed out after 1500 ms"),
              std::string::npos)
        << findings;
    EXPECT_EQ(drip.Accepted(), 1);
    // The page is checked and stays the active tab.
    EXPECT_EQ(w.ActiveTab()->Editor->FileName(), W(page));
}

// An include the server answers with 404 opens as a read-only tab marked in its caption as not
// loaded. Its text (the server's error page) is never checked as the script: every later check
// fetches it again, and once the server has it, the tab shows the script and loses the mark.
TEST(CheckSyntax, AnIncludeThatFailedIsFetchedAgainNeverTakenFromItsTab)
{
    const std::string errorPage = "<html><body><h1>404 Not Found</h1><p>No late.js here.</p></body></html>\r\n";
    const std::string script = "function late(x) {\r\n  return x + ;\r\n}\r\n";
    std::atomic<bool> arrived{false};
    // Each answer in one piece, so the error page comes with its header.
    nettest::TestPeer server([&](int Fd) {
        nettest::ReadRequestHead(Fd);
        const bool found = arrived;
        const std::string &body = found ? script : errorPage;
        const std::string answer = std::string(found ? "HTTP/1.0 200 OK" : "HTTP/1.0 404 Not Found") +
                                   "\r\nContent-Type: " + (found ? "text/javascript" : "text/html") +
                                   "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        nettest::WriteAll(Fd, answer.data(), answer.size());
    });
    TWindowFixture f;
    const std::string url = "http://127.0.0.1:" + server.PortText() + "/late.js";
    const QString page =
        f.Put(QStringLiteral("late.html"), "<html>\r\n<head>\r\n<script type=\"text/javascript\" src=\"" + url +
                                               "\"></script>\r\n</head>\r\n<body onload=\"late(1)\"></body>\r\n"
                                               "</html>\r\n");
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.OpenIncludes = true;
    w.Settings.CheckOpen = false;
    w.OpenFile(W(page), false, false, WideString());
    w.show();
    QApplication::setActiveWindow(&w);
    QApplication::processEvents();
    const int tabs = w.TabCount();

    // Ctrl+D in the page's editor; the findings it leaves.
    auto check = [&w] {
        w.ActiveEditor()->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::ControlModifier);
        QApplication::processEvents();
        std::string findings;
        for (int i = 0; i < w.ErrorList->Items().Count(); ++i)
            findings += w.ErrorList->Items().Strings(i) + "\n";
        return findings;
    };
    // The include's tab; the test stops when there is none.
    auto includeTab = [&w, &url, tabs] {
        EXPECT_EQ(w.TabCount(), tabs + 1);
        const int tab = w.FileName2Tab(AnsiToWide(url));
        EXPECT_GE(tab, 0);
        return tab;
    };

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        const std::string findings = check();
        EXPECT_EQ(server.Accepted(), round);
        EXPECT_NE(findings.find("Include '" + url + "' not loaded, http error Not Found"), std::string::npos)
            << findings;
        // Nothing of the error page is reported as a fault of the script.
        EXPECT_EQ(findings.find("of Include; "), std::string::npos) << findings;
        const int tab = includeTab();
        if (tab < 0)
            return;
        EXPECT_EQ(w.TabCaption(tab).toStdString(), "http:~ late.js (not loaded)");
        EXPECT_EQ(Narrow(w.DisplayName(tab)), "http:~ late.js");
        EXPECT_EQ(Narrow(w.Tab(tab)->Editor->Lines().GetTextStr()), errorPage);
        EXPECT_TRUE(w.Tab(tab)->Editor->Options() & eoReadOnly);
        EXPECT_EQ(w.ActiveTab()->Editor->FileName(), W(page));
    }

    arrived = true;
    for (int round = 3; round <= 4; ++round) {
        SCOPED_TRACE(round);
        const std::string findings = check();
        // Fetched once, the script is taken from its tab while the tab is open.
        EXPECT_EQ(server.Accepted(), 3);
        EXPECT_EQ(findings.find(" not loaded"), std::string::npos) << findings;
        EXPECT_NE(findings.find("on line 2 of Include; " + url), std::string::npos) << findings;
        const int tab = includeTab();
        if (tab < 0)
            return;
        EXPECT_EQ(w.TabCaption(tab).toStdString(), "http:~ late.js");
        EXPECT_EQ(Narrow(w.Tab(tab)->Editor->Lines().GetTextStr()), script);
        EXPECT_FALSE(w.Tab(tab)->Editor->GetModified());
        EXPECT_TRUE(w.Tab(tab)->Editor->Options() & eoReadOnly);
        EXPECT_EQ(w.ActiveTab()->Editor->FileName(), W(page));
    }
    w.hide();
}
