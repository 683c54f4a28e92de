// The FTP dialog on the real main window against pyftpdlib on loopback (load, edit, save back,
// and loads and saves that fail), the newer-version check against a local HTTP server, the tip
// of the day, line comments, the tree sort toggle and the about box.
#include "tests/shell/MainWindowSupport.h"
#include "tests/net/ServerProcess.h"

#include "controls/TipOfTheDay.h"
#include "controls/TreeNT.h"
#include "editor/SyntaxEdit.h"
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/SyntaxEditorStrings.h"
#include "shell/AboutBox.h"
#include "shell/FtpDialog.h"
#include "shell/NewVersionDialog.h"
#include "net/HttpProt.h"
#include "platform/ScopeGuard.h"
#include "tests/net/NetworkStateSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

std::vector<std::string> EditorLines(const TSyntaxEdit &E)
{
    std::vector<std::string> r;
    for (int i = 0; i < E.Lines().Count(); ++i)
        r.push_back(Narrow(E.Lines()[i]));
    return r;
}

bool LogHas(const QStringList &Log, const QString &Part)
{
    for (const QString &l : Log)
        if (l.contains(Part))
            return true;
    return false;
}

// pyftpdlib on a free loopback port, user "quill" with password "secret", writable root.
struct TFtpServer {
    QTemporaryDir Root;
    int Port = nettest::UnusedPort();
    std::unique_ptr<nettest::ServerProcess> Process;
    TFtpServer()
    {
        Process = std::make_unique<nettest::ServerProcess>("/usr/bin/python3",
                                                           QStringList{"-m", "pyftpdlib", "-i", "127.0.0.1", "-p",
                                                                       QString::number(Port), "-d", Root.path(), "-u",
                                                                       "quill", "-P", "secret", "-w"},
                                                           Port);
    }
    QString Path(const QString &Name) const { return Root.filePath(Name); }
};

// Points the window's FTP dialog at a server (the password is typed, as the user must).
void Aim(TfrmFTP &D, int Port, const QString &File, const QString &Dir = QStringLiteral("/"),
         const QString &Password = QStringLiteral("secret"))
{
    D.HostNameEdit->setText(QStringLiteral("127.0.0.1"));
    D.PortEdit->setText(QString::number(Port));
    D.UserNameEdit->setText(QStringLiteral("quill"));
    D.PasswordEdit->setText(Password);
    D.HostDirEdit->setText(Dir);
    D.HostFileEdit->setText(File);
}

} // namespace

TEST(FtpDialog, PagesLoadIntoTabsAndSaveBackByteForByte)
{
    TFtpServer server;
    ASSERT_TRUE(server.Process->Ready());
    const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("<\0p\0>\0\xE9\0\x14\x20\r\0\n\0", 14);
    const struct {
        const char *Name;
        std::string Bytes;
        bool Passive, LoadBinary, SaveBinary;
        std::vector<std::string> Shown;
        std::string Saved; // after typing "X" at the start
    } cases[] = {
        {"page.html",
         "<p>caf\xC3\xA9 \xE2\x82\xAC</p>\r\n<b>x</b>\r\n",
         true,
         true,
         true,
         {"<p>caf\xC3\xA9 \xE2\x82\xAC</p>", "<b>x</b>"},
         "X<p>caf\xC3\xA9 \xE2\x82\xAC</p>\r\n<b>x</b>\r\n"},
        {"wide.htm",
         utf16,
         false,
         true,
         true,
         {"<p>\xC3\xA9\xE2\x80\x94"},
         std::string("\xFF\xFE", 2) + std::string("X\0<\0p\0>\0\xE9\0\x14\x20\r\0\n\0", 16)},
        {"code.JS", "var a = 1;\n", true, true, true, {"var a = 1;"}, "Xvar a = 1;\n"},
        // ASCII mode: the server stores its own line breaks (LF here); UTF-16 text still goes
        // in binary, as ASCII mode would cut its characters apart.
        {"ascii.htm", "<i>a</i>\r\n", false, false, false, {"<i>a</i>"}, "X<i>a</i>\n"},
        {"wide2.htm",
         utf16,
         true,
         true,
         false,
         {"<p>\xC3\xA9\xE2\x80\x94"},
         std::string("\xFF\xFE", 2) + std::string("X\0<\0p\0>\0\xE9\0\x14\x20\r\0\n\0", 16)},
    };
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        WriteBytes(server.Path(QString::fromLatin1(c.Name)), c.Bytes);
        w.FileNewActionExecute();
        TfrmFTP &d = w.FtpDialog();
        Aim(d, server.Port, QString::fromLatin1(c.Name));
        d.PassiveCheckBox->setChecked(c.Passive);
        d.BinaryCheckBox->setChecked(c.LoadBinary);
        d.ClearButtonClick();
        w.ChooseHighlighter(TfrmQuillmarMain::THighlightChoice::None); // what the tab showed before
        d.LoadButtonClick();
        TSyntaxEdit &e = *w.ActiveEditor();
        EXPECT_EQ(EditorLines(e), c.Shown) << d.LogLines().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(Narrow(e.FileName()), std::string("FTP quill@127.0.0.1/") + c.Name);
        EXPECT_EQ(w.DisplayName(w.ActiveIndex()), W(QString::fromLatin1(c.Name)));
        EXPECT_EQ(w.StatusPanel(2), ToQString(e.FileName()));
        EXPECT_FALSE(e.GetModified());
        EXPECT_TRUE(LogHas(d.LogLines(), QStringLiteral("Request 6 Done.")));
        // A .js name in any case gets the JavaScript highlighter, a page HTML with embedded JavaScript.
        if (QString::fromLatin1(c.Name).endsWith(QLatin1String(".JS"))) {
            EXPECT_EQ(e.HighLighter(), static_cast<TSyntaxHighlighter *>(&w.JavaScriptHighlighter1()));
        } else {
            EXPECT_EQ(e.HighLighter(), static_cast<TSyntaxHighlighter *>(&w.HTMLHighlighter1()));
            EXPECT_NE(w.HTMLHighlighter1().JavaScriptHighLighter(), nullptr);
        }

        e.SetCaretXY(TTextPoint{0, 0});
        e.SetSelText(u"X");
        ASSERT_TRUE(e.GetModified());
        d.BinaryCheckBox->setChecked(c.SaveBinary);
        d.SaveButtonClick();
        EXPECT_EQ(ReadBytes(server.Path(QString::fromLatin1(c.Name))), c.Saved)
            << d.LogLines().join(QLatin1Char('\n')).toStdString();
        EXPECT_FALSE(e.GetModified());
        EXPECT_TRUE(LogHas(d.LogLines(), QStringLiteral("Request 18 Done.")));
        EXPECT_TRUE(LogHas(d.LogLines(), QStringLiteral("No error")));
    }
    EXPECT_TRUE(f.PromptTexts().empty());
}

TEST(FtpDialog, FailedLoadsAndSavesLeaveTheTabAsItWasAndSayWhy)
{
    TFtpServer server;
    ASSERT_TRUE(server.Process->Ready());
    // A server that accepts and never says a word.
    nettest::TestPeer silent([](int Fd) {
        ::usleep(2500 * 1000);
        (void)Fd;
    });
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    const QString local = f.Put(QStringLiteral("mine.html"), "<p>mine</p>\r\n");
    w.OpenFile(W(local), false, false, WideString());
    TSyntaxEdit &e = *w.ActiveEditor();
    e.SetSelText(u"edited ");
    const auto before = EditorLines(e);
    const WideString caption = w.DisplayName(w.ActiveIndex());

    const struct {
        const char *Case;
        int Port;
        QString File, Password;
        int Timeout;
        const char *Why;
    } loads[] = {
        {"missing file", server.Port, QStringLiteral("nothere.html"), QStringLiteral("secret"), 15, "550"},
        // The server answers a wrong password after a pause of its own.
        {"wrong password", server.Port, QStringLiteral("page.html"), QStringLiteral("wrong"), 15, "530"},
        {"silent server", silent.Port(), QStringLiteral("page.html"), QStringLiteral("secret"), 1, "426 Timeout"},
        {"nobody listening", nettest::UnusedPort(), QStringLiteral("page.html"), QStringLiteral("secret"), 15, ""},
        {"larger than a tab holds", server.Port, QStringLiteral("big.html"), QStringLiteral("secret"), 15, ""},
    };
    WriteBytes(server.Path(QStringLiteral("big.html")), std::string(300000, 'x'));
    TfrmFTP &d = w.FtpDialog();
    for (const auto &c : loads) {
        SCOPED_TRACE(c.Case);
        d.FtpClient1.Timeout = c.Timeout;
        const bool big = c.File == QLatin1String("big.html");
        d.MaxLoadBytes = big ? 100000 : kMaxTextFileBytes;
        f.Prompts->Clear();
        f.Prompts->Answer(mrYes); // overwrite the active tab
        Aim(d, c.Port, c.File, QStringLiteral("/"), c.Password);
        d.ClearButtonClick();
        d.LoadButtonClick();
        EXPECT_EQ(f.PromptTexts(),
                  std::vector<std::string>{"Do you want to overwrite the file mine.html with this remote "
                                           "file?"});
        EXPECT_EQ(EditorLines(e), before);
        EXPECT_EQ(e.FileName(), W(local));
        EXPECT_TRUE(e.GetModified());
        EXPECT_EQ(w.DisplayName(w.ActiveIndex()), caption);
        const QString log = d.LogLines().join(QLatin1Char('\n'));
        EXPECT_TRUE(log.contains(QStringLiteral("Load failed, the editor tab is unchanged: ") + QLatin1String(c.Why)))
            << log.toStdString();
        EXPECT_EQ(log.contains(QStringLiteral("The remote file is larger than an editor tab can hold")), big);
    }

    // A save into a folder that does not exist fails and the tab stays modified.
    Aim(d, server.Port, QStringLiteral("out.html"), QStringLiteral("/no/such/folder/"));
    d.SaveButtonClick();
    EXPECT_TRUE(e.GetModified()) << d.LogLines().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(QFile::exists(server.Path(QStringLiteral("out.html"))));
    EXPECT_TRUE(LogHas(d.LogLines(), QStringLiteral("Save failed, the editor tab is still modified: 550")))
        << d.LogLines().join(QLatin1Char('\n')).toStdString();
}

TEST(FtpDialog, TheTargetTabIsCheckedBeforeAnythingIsFetched)
{
    // Each case is refused before the network is touched (the dialog points at a closed port, and
    // an accepted one would log a failed load).
    const struct {
        const char *Case;
        bool ModifiedNewFile; // the active tab is a new file with typing in it
        int SameFileTab; // -1 none, 0 the active tab, 1 another tab holds the remote file
        int Answer;
        std::vector<std::string> Prompts;
        bool Fetches;
    } cases[] = {
        {"untouched new file", false, -1, mrNone, {}, true},
        {"new file with typing, No",
         true,
         -1,
         mrNo,
         {"Do you want to overwrite the file newfile1 with this remote file?"},
         false},
        {"new file with typing, Yes",
         true,
         -1,
         mrYes,
         {"Do you want to overwrite the file newfile1 with this remote file?"},
         true},
        {"same file in the active tab, Cancel",
         false,
         0,
         mrCancel,
         {"Overwrite the active editor tab with the same remote file?"},
         false},
        {"same file in another tab",
         false,
         1,
         mrOk,
         {"Remote File: FTP quill@127.0.0.1/page.html is already open! Quillmar does not allow the same file to be "
          "opened more than once."},
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Case);
        TWindowFixture f;
        TfrmQuillmarMain &w = *f.Window;
        TfrmFTP &d = w.FtpDialog();
        Aim(d, nettest::UnusedPort(), QStringLiteral("page.html"));
        d.FtpClient1.Timeout = 1;
        w.FileNewActionExecute();
        if (c.SameFileTab == 1) {
            w.FileNewActionExecute();
            w.ActiveEditor()->SetFileName(d.RemoteName());
            w.SetTabCaption(w.ActiveIndex(), QStringLiteral("page.html"));
            w.SetActivePage(0);
        }
        TSyntaxEdit &e = *w.ActiveEditor();
        if (c.SameFileTab == 0) {
            e.SetFileName(d.RemoteName());
            w.SetTabCaption(w.ActiveIndex(), QStringLiteral("page.html"));
        }
        if (c.ModifiedNewFile)
            e.SetSelText(u"typed");
        const auto before = EditorLines(e);
        if (c.Answer != mrNone)
            f.Prompts->Answer(c.Answer);
        d.LoadButtonClick();
        EXPECT_EQ(f.PromptTexts(), c.Prompts);
        EXPECT_EQ(LogHas(d.LogLines(), QStringLiteral("Load failed")), c.Fetches);
        EXPECT_EQ(EditorLines(e), before);
    }
}

TEST(FtpDialog, WithoutInternetOnlyServersBeyondTheOwnNetworksAreRefused)
{
    TFtpServer server;
    ASSERT_TRUE(server.Process->Ready());
    WriteBytes(server.Path(QStringLiteral("page.html")), "<p>served</p>\r\n");
    // Only loopback and a local network without a default route are up.
    TNetworkStateScope offline([] { return nettest::OfflineState(); }, nettest::FakeLookup);
    const struct {
        const char *Host;
        bool Refused;
    } cases[] = {
        {"127.0.0.1", false},
        {"localhost", false},
        {"ftp.far.example", true},
        {"198.51.100.7", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Host);
        TWindowFixture f;
        TfrmFTP &d = f.Window->FtpDialog();
        f.Window->FileNewActionExecute();
        Aim(d, server.Port, QStringLiteral("page.html"));
        d.HostNameEdit->setText(QString::fromLatin1(c.Host));
        d.FtpClient1.Timeout = 2;
        const auto before = EditorLines(*f.Window->ActiveEditor());
        d.LoadButtonClick();
        const auto &asked = f.Prompts->Asked();
        if (c.Refused) {
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(Narrow(asked[0].Text), "You are not currently connected to the intenet, try again when "
                                             "connected.");
            EXPECT_EQ(asked[0].Buttons, mbOK); // nothing to dial: no answer that would do nothing
            EXPECT_FALSE(LogHas(d.LogLines(), QStringLiteral("Request")));
            EXPECT_EQ(EditorLines(*f.Window->ActiveEditor()), before);
        } else {
            EXPECT_TRUE(asked.empty());
            EXPECT_EQ(EditorLines(*f.Window->ActiveEditor()), std::vector<std::string>{"<p>served</p>"})
                << d.LogLines().join(QLatin1Char('\n')).toStdString();
        }
    }
}

TEST(FtpDialog, TheActionKeepsTheEditedFieldsButNeverThePassword)
{
    TWindowFixture f;
    f.Window->FileNewActionExecute();
    f.Window->RefreshActionStates();
    ASSERT_TRUE(f.Window->Action(QStringLiteral("FTPAction"))->isEnabled());
    WhenModal([](QWidget &W) {
        auto &d = dynamic_cast<TfrmFTP &>(W);
        EXPECT_TRUE(d.PasswordEdit->text().isEmpty());
        EXPECT_EQ(d.HostNameEdit->text(), QStringLiteral("ftp.example.com"));
        d.HostNameEdit->setText(QStringLiteral("ftp.quillmar.test"));
        d.UserNameEdit->setText(QStringLiteral("ann"));
        d.HostDirEdit->setText(QStringLiteral("/www/"));
        d.HostFileEdit->setText(QStringLiteral("index.html"));
        d.PortEdit->setText(QStringLiteral("2121"));
        d.BinaryCheckBox->setChecked(true);
        d.PassiveCheckBox->setChecked(false);
        d.PasswordEdit->setText(QStringLiteral("topsecret"));
        // The log names the system's own network stack, not a sockets library of another system.
        EXPECT_TRUE(LogHas(d.LogLines(), QStringLiteral("Network stack: Linux ")));
        EXPECT_TRUE(LogHas(d.LogLines(), QSysInfo::kernelVersion().section(QLatin1Char('.'), 0, 1)));
        EXPECT_FALSE(LogHas(d.LogLines(), QStringLiteral("Winsock")));
        d.BitBtn1->click(); // closed, not OK: the fields are kept all the same
    });
    f.Window->Action(QStringLiteral("FTPAction"))->trigger();
    f.Restart();
    const TSettings &s = f.Window->Settings;
    EXPECT_EQ(s.FtpHost, u"ftp.quillmar.test");
    EXPECT_EQ(s.FtpUser, u"ann");
    EXPECT_EQ(s.FtpDir, u"/www/");
    EXPECT_EQ(s.FtpFile, u"index.html");
    EXPECT_EQ(s.FtpPort, u"2121");
    EXPECT_TRUE(s.FtpBinary);
    EXPECT_FALSE(s.FtpPassive);
    EXPECT_EQ(ReadBytes(f.SettingsPath).find("topsecret"), std::string::npos);
    EXPECT_EQ(f.Window->FtpDialog().HostNameEdit->text(), QStringLiteral("ftp.quillmar.test"));
}

TEST(FtpDialog, TheLogKeepsItsNewest200Lines)
{
    QPlainTextEdit memo;
    for (int i = 1; i <= 201; ++i)
        AddLogLine(memo, QString::number(i));
    EXPECT_EQ(memo.document()->blockCount(), 201);
    AddLogLine(memo, QStringLiteral("202"));
    const QStringList lines = memo.toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 152);
    EXPECT_EQ(lines.front(), QStringLiteral("51"));
    EXPECT_EQ(lines.back(), QStringLiteral("202"));
}

TEST(NewVersion, VersionTextsAreComparedAsNumbers)
{
    const struct {
        std::string Body;
        const char *Version;
        bool Newer;
    } cases[] = {
        {"1.17\r\n", "1.17", true}, {"1.16", "1.16", false}, {"1.15\n", "1.15", false}, {"2.00 beta", "2.00", true},
        {"v1.2", "1.2", false},     {"", "", false},         {"1.9", "1.9", false},     {"1.161", "1.16", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Body);
        const QString v = VersionFromBody(c.Body);
        EXPECT_EQ(v, QString::fromLatin1(c.Version));
        EXPECT_EQ(IsNewerVersion(v, QStringLiteral("1.16")), c.Newer);
    }
    EXPECT_TRUE(IsNewerVersion(QStringLiteral("1.100"), QStringLiteral("1.16")));
    EXPECT_EQ(DownloadLink(QStringLiteral("http://h/dl/"), QStringLiteral("1.17")),
              QStringLiteral("http://h/dl/Quillmar117.zip"));
}

TEST(NewVersion, TheCheckAsksTheConfiguredServer)
{
    // /ok/NAME answers 200 with file NAME, /err/NAME answers 500 with it.
    QTemporaryDir web;
    WriteBytes(web.filePath(QStringLiteral("server.py")),
               "import sys, os\n"
               "from http.server import BaseHTTPRequestHandler, HTTPServer\n"
               "class H(BaseHTTPRequestHandler):\n"
               "    def log_message(self, *a): pass\n"
               "    def do_GET(self):\n"
               "        kind, name = self.path.split('/')[1:3]\n"
               "        body = open(os.path.join(sys.argv[2], name), 'rb').read()\n"
               "        self.send_response(200 if kind == 'ok' else 500)\n"
               "        self.send_header('Content-Length', str(len(body)))\n"
               "        self.end_headers()\n"
               "        self.wfile.write(body)\n"
               "HTTPServer(('127.0.0.1', int(sys.argv[1])), H).serve_forever()\n");
    const int port = nettest::UnusedPort();
    nettest::ServerProcess server("/usr/bin/python3",
                                  {web.filePath(QStringLiteral("server.py")), QString::number(port), web.path()}, port);
    ASSERT_TRUE(server.Ready());
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    const struct {
        const char *Case;
        QString Path;
        std::string Body;
        std::vector<std::string> Prompts;
        QString Last;
    } cases[] = {
        {"newer",
         QStringLiteral("/ok/v.txt"),
         "1.17\r\n",
         {"There is a newer version, 1.17 available. Download now?"},
         QStringLiteral("The latest version available is 1.17")},
        {"equal", QStringLiteral("/ok/v.txt"), "1.16", {}, QStringLiteral("You have the latest version")},
        {"older", QStringLiteral("/ok/v.txt"), "1.15", {}, QStringLiteral("You have the latest version")},
        {"error page",
         QStringLiteral("/err/v.txt"),
         "2.00 server error",
         {},
         QStringLiteral("Failed to retrieve latest version number")},
        {"empty body", QStringLiteral("/ok/v.txt"), "", {}, QStringLiteral("Failed to retrieve latest version number")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Case);
        WriteBytes(web.filePath(QStringLiteral("v.txt")), c.Body);
        TWindowFixture f;
        TfrmQuillmarMain &w = *f.Window;
        w.Settings.VersionURL = W(base + c.Path);
        w.Settings.DownloadURL = W(base + QStringLiteral("/dl/"));
        QStringList opened;
        w.LaunchBrowser = [&](const QString &Browser, const QString &Target, QString &) {
            opened << Browser + QLatin1Char('|') + Target;
            return true;
        };
        f.Prompts->Answer(mrYes);
        TfrmNewVersion &d = w.NewVersionDialog();
        d.ButtonChkVersClick();
        const QStringList log = d.LogLines();
        EXPECT_EQ(f.PromptTexts(), c.Prompts) << log.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(log.contains(c.Last)) << log.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(log.front(), QStringLiteral("Connecting to ") + base + c.Path +
                                   QStringLiteral(" to detect latest version available"));
        if (c.Prompts.empty())
            EXPECT_TRUE(opened.isEmpty());
        else
            EXPECT_EQ(opened, QStringList{QStringLiteral("|") + base + QStringLiteral("/dl/Quillmar117.zip")});
        if (QString::fromLatin1(c.Case) == QLatin1String("error page")) {
            EXPECT_TRUE(log.contains(QStringLiteral("Failed : 500 Internal Server Error")));
        }
    }
}

TEST(NewVersion, AServerThatIsNotThereOrNeverDoneIsReported)
{
    // A server that sends its answer a byte at a time never lets the idle time-out end the
    // request: the check's own time limit (lowered here) does.
    const int keptLimit = WebFetchTimeLimitMs;
    TScopeGuard restore([keptLimit] { WebFetchTimeLimitMs = keptLimit; });
    WebFetchTimeLimitMs = 1500;
    nettest::TestPeer drip(nettest::DripHttpDocument);
    const struct {
        const char *Case;
        int Port;
        QString Failure; // the whole failure line, or only its start when empty
    } cases[] = {
        {"nobody listening", nettest::UnusedPort(), QString()},
        {"a byte at a time", drip.Port(), QStringLiteral("Failed : 404 Request timed out after 1500 ms")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Case);
        TWindowFixture f;
        f.Window->Settings.VersionURL = W(QStringLiteral("http://127.0.0.1:%1/version.txt").arg(c.Port));
        TfrmNewVersion &d = f.Window->NewVersionDialog();
        d.ButtonChkVersClick();
        const QStringList log = d.LogLines();
        ASSERT_EQ(log.size(), 3) << log.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(log[1].startsWith(QStringLiteral("Failed : ")));
        if (!c.Failure.isEmpty()) {
            EXPECT_EQ(log[1], c.Failure);
        }
        EXPECT_EQ(log[2], QStringLiteral("Failed to retrieve latest version number"));
        EXPECT_TRUE(f.PromptTexts().empty());
        EXPECT_TRUE(d.ButtonChkVers->isEnabled());
    }
}

TEST(WindowActions, TipOfTheDayGoesOnFromWhereItWasLeft)
{
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.TODIndex = 5;
    w.Settings.ShowTOD = true;
    int shown = 0;
    auto closeWithOk = [&shown] {
        WhenModal([&shown](QWidget &) {
            TTipOfTheDayForm *form = TTipOfTheDayDlg::ActiveForm();
            ASSERT_NE(form, nullptr);
            ++shown;
            form->OKBtn->click();
        });
    };
    closeWithOk();
    w.Action(QStringLiteral("ShowTipofDay1"))->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(w.Settings.TODIndex, 6);
    // The first idle moment shows it once, and only while it is wanted.
    closeWithOk();
    w.myIdle();
    w.myIdle();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(w.Settings.TODIndex, 7);
    f.Restart();
    EXPECT_EQ(f.Window->Settings.TODIndex, 7);
    f.Window->Settings.ShowTOD = false;
    f.Window->myIdle();
    EXPECT_EQ(shown, 2);
}

TEST(WindowActions, SelectedLinesAreCommentedAndUncommented)
{
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.OpenFile(W(f.Put(QStringLiteral("a.js"), "var a;\r\nvar b;\r\nvar c;\r\n")), false, false, WideString());
    TSyntaxEdit &e = *w.ActiveEditor();
    e.SetBlockBegin(TTextPoint{0, 0});
    e.SetBlockEnd(TTextPoint{3, 1});
    w.RefreshActionStates();
    ASSERT_TRUE(w.Action(QStringLiteral("CommentselectedLines1"))->isEnabled());
    w.Action(QStringLiteral("CommentselectedLines1"))->trigger();
    EXPECT_EQ(EditorLines(e), (std::vector<std::string>{"//var a;", "//var b;", "var c;"}));
    w.Action(QStringLiteral("Uncommentselectedlines1"))->trigger();
    EXPECT_EQ(EditorLines(e), (std::vector<std::string>{"var a;", "var b;", "var c;"}));
}

TEST(WindowActions, SortingTheTreeIsKeptWhenUnchecked)
{
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.NavTree->Items().Clear();
    for (const char16_t *t : {u"pear", u"apple", u"fig"})
        w.NavTree->Items().Add(nullptr, t);
    auto order = [&w] {
        std::vector<std::string> r;
        for (TTreeNTNode *n = w.NavTree->Items().GetFirstNode(); n; n = n->GetNextSibling())
            r.push_back(Narrow(n->GetText()));
        return r;
    };
    QAction *sorted = w.Action(QStringLiteral("Alphasort1"));
    sorted->trigger();
    EXPECT_TRUE(sorted->isChecked());
    EXPECT_EQ(order(), (std::vector<std::string>{"apple", "fig", "pear"}));
    w.NavTree->Items().Add(nullptr, u"banana");
    sorted->trigger();
    EXPECT_FALSE(sorted->isChecked());
    EXPECT_EQ(order(), (std::vector<std::string>{"apple", "fig", "pear", "banana"}));
}

TEST(AboutBox, ShowsBuildDateAndMemoryInKilobytes)
{
    const struct {
        uint64_t Bytes;
        const char *Text;
    } cases[] = {
        {0, " KB"},
        {1023, " KB"},
        {1024, "1 KB"},
        {999 * 1024, "999 KB"},
        {1000 * 1024, "1,000 KB"},
        {uint64_t(16) << 30, "16,777,216 KB"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KilobytesText(c.Bytes), QString::fromLatin1(c.Text)) << c.Bytes;
    EXPECT_EQ(BuildDateText(5, 3, 2026), QStringLiteral("5/3/2026"));
    EXPECT_EQ(BuildDateText(25, 12, 2026), QStringLiteral("25/12/2026"));

    TWindowFixture f;
    TfrmAbout &about = f.Window->AboutBox();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Quillmar V1.16"));
    about.FormActivate();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^[1-9][0-9]{0,2}(,[0-9]{3})* KB$")).match(about.PhysMem->text()).hasMatch())
        << about.PhysMem->text().toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[1-9][0-9]?/[1-9][0-9]?/20[0-9]{2}$"))
                    .match(about.BuildDate->text())
                    .hasMatch());
    QStringList opened;
    f.Window->LaunchBrowser = [&](const QString &, const QString &Target, QString &) {
        opened << Target;
        return true;
    };
    about.EmailLabelClick();
    EXPECT_EQ(opened, QStringList{QStringLiteral("mailto:support@quillmar.example")});
}

TEST(NewVersion, TheAddressIsAStoredSettingWrittenOnlyOnceChanged)
{
    TWindowFixture f;
    f.Restart();
    EXPECT_EQ(ReadBytes(f.SettingsPath).find("[Update]"), std::string::npos);
    f.Window->Settings.VersionURL = u"http://127.0.0.1:8/v.txt";
    f.Restart();
    EXPECT_EQ(f.Window->Settings.VersionURL, u"http://127.0.0.1:8/v.txt");
    EXPECT_EQ(f.Window->Settings.DownloadURL, u"http://www.quillmar.example/download/");
}

TEST(FtpDialog, AUserLoadsThroughTheMenuAndTheButtons)
{
    TFtpServer server;
    ASSERT_TRUE(server.Process->Ready());
    WriteBytes(server.Path(QStringLiteral("menu.html")), "<h1>remote</h1>\r\n");
    TWindowFixture f;
    f.Window->FileNewActionExecute();
    const int port = server.Port;
    WhenModal([port](QWidget &W) {
        auto &d = dynamic_cast<TfrmFTP &>(W);
        Aim(d, port, QStringLiteral("menu.html"));
        QTest::mouseClick(d.LoadButton, Qt::LeftButton);
        EXPECT_TRUE(d.LoadButton->isEnabled());
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    });
    f.Window->Action(QStringLiteral("FTPAction"))->trigger();
    EXPECT_EQ(EditorLines(*f.Window->ActiveEditor()), std::vector<std::string>{"<h1>remote</h1>"});
    EXPECT_EQ(f.Window->DisplayName(f.Window->ActiveIndex()), u"menu.html");
    EXPECT_EQ(f.Window->Settings.FtpFile, u"menu.html");
    EXPECT_EQ(f.Window->Settings.FtpPort, W(QString::number(port)));
}

TEST(FtpDialog, UnicodeTextArrivingInAsciiModeIsLoadedAgainInBinaryOnlyWhenTheUserAgrees)
{
    const struct {
        const char *Case;
        std::string Bytes;
        bool Utf16;
    } heads[] = {
        {"little-endian mark", std::string("\xFF\xFEh\0", 4), true},
        {"big-endian mark", std::string("\xFE\xFF\0h", 4), true},
        {"no mark", std::string("<\0p\0>\0h\0i\0<\0/\0p\0>\0", 18), true},
        // Line-break rewriting moves the zeros to the other half of each pair after a break.
        {"no mark, shifted by a line break", std::string("a\0\r\0\r\n\0b\0c\0d\0", 13), true},
        {"8-bit text", "<p>caf\xE9</p>\r\n", false},
        {"UTF-8 text", "<p>caf\xC3\xA9</p>", false},
        {"zeros in runs, not text", std::string("GIF89a\0\0\0\0\0\0\0\0\0\0", 16), false},
        {"too short to tell", std::string("a\0", 2), false},
    };
    for (const auto &h : heads)
        EXPECT_EQ(LooksLikeUtf16(h.Bytes.data(), h.Bytes.size()), h.Utf16) << h.Case;

    TFtpServer server;
    ASSERT_TRUE(server.Process->Ready());
    WriteBytes(server.Path(QStringLiteral("wide.htm")),
               std::string("\xFF\xFE", 2) + std::string("<\0p\0>\0\xE9\0\r\0\n\0<\0b\0>\0\r\0\n\0", 20));
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    const QString local = f.Put(QStringLiteral("mine.html"), "<p>mine</p>\r\n");
    w.OpenFile(W(local), false, false, WideString());
    TSyntaxEdit &e = *w.ActiveEditor();
    const auto before = EditorLines(e);
    TfrmFTP &d = w.FtpDialog();
    Aim(d, server.Port, QStringLiteral("wide.htm"));
    d.BinaryCheckBox->setChecked(false);
    const std::string question =
        "The remote file wide.htm is UTF-16 text, which ASCII mode garbles. Load it again in binary mode?";

    // Overwrite the tab: Yes; load again in binary: No. Nothing reaches the tab.
    f.Prompts->Answer(mrYes);
    f.Prompts->Answer(mrNo);
    d.LoadButtonClick();
    ASSERT_EQ(f.PromptTexts().size(), 2u);
    EXPECT_EQ(f.PromptTexts()[1], question);
    EXPECT_EQ(EditorLines(e), before);
    EXPECT_EQ(e.FileName(), W(local));
    EXPECT_TRUE(LogHas(d.LogLines(), QStringLiteral("Load cancelled, the editor tab is unchanged")));

    // Agreed: the exact bytes arrive and read as the UTF-16 text they are.
    f.Prompts->Clear();
    f.Prompts->Answer(mrYes);
    f.Prompts->Answer(mrYes);
    d.LoadButtonClick();
    EXPECT_EQ(f.PromptTexts().size(), 2u);
    EXPECT_EQ(EditorLines(e), (std::vector<std::string>{"<p>\xC3\xA9", "<b>"}));
    EXPECT_TRUE(e.Lines().SaveUnicode());
    EXPECT_EQ(Narrow(e.FileName()), "FTP quill@127.0.0.1/wide.htm");
    EXPECT_FALSE(d.BinaryCheckBox->isChecked()); // the user's choice stays as it was
}

TEST(NewVersion, CheckNowWaitsForTheRunningRequest)
{
    // A server that answers after a pause, so the user can click again meanwhile.
    nettest::TestPeer slow([](int Fd) {
        char buf[4096];
        (void)::recv(Fd, buf, sizeof buf, 0);
        ::usleep(700 * 1000);
        const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\n1.16";
        nettest::WriteAll(Fd, reply.data(), reply.size());
    });
    TWindowFixture f;
    f.Window->Settings.VersionURL = W(QStringLiteral("http://127.0.0.1:%1/version.txt").arg(slow.Port()));
    TfrmNewVersion &d = f.Window->NewVersionDialog();
    d.show();
    bool enabledMeanwhile = true;
    QTimer::singleShot(200, [&d, &enabledMeanwhile] {
        enabledMeanwhile = d.ButtonChkVers->isEnabled();
        QTest::mouseClick(d.ButtonChkVers, Qt::LeftButton);
    });
    QTest::mouseClick(d.ButtonChkVers, Qt::LeftButton);
    EXPECT_FALSE(enabledMeanwhile);
    EXPECT_TRUE(d.ButtonChkVers->isEnabled());
    const QStringList log = d.LogLines();
    EXPECT_EQ(log, (QStringList{QStringLiteral("Connecting to http://127.0.0.1:%1/version.txt to detect latest "
                                               "version available")
                                    .arg(slow.Port()),
                                QStringLiteral("Received 4 bytes"), QStringLiteral("The latest version available is 1.16"),
                                QStringLiteral("You have the latest version")}))
        << log.join(QLatin1Char('\n')).toStdString();
    d.hide();
}

TEST(NewVersion, WithoutInternetTheSiteIsNotAskedButALocalServerIs)
{
    TNetworkStateScope offline([] { return nettest::OfflineState(); }, nettest::FakeLookup);
    TWindowFixture f;
    TfrmNewVersion &d = f.Window->NewVersionDialog();
    f.Window->Settings.VersionURL = u"http://www.quillmar.example/version.txt";
    d.ButtonChkVersClick();
    ASSERT_EQ(f.Prompts->Asked().size(), 1u);
    EXPECT_EQ(f.PromptTexts()[0], "You are not currently connected to the internet, try again when connected.");
    EXPECT_EQ(f.Prompts->Asked()[0].Buttons, mbOK);
    EXPECT_TRUE(d.LogLines().join(QString()).isEmpty());

    // A server on this computer is asked all the same (nobody listens: the request fails).
    f.Prompts->Clear();
    f.Window->Settings.VersionURL = W(QStringLiteral("http://127.0.0.1:%1/version.txt").arg(nettest::UnusedPort()));
    d.ButtonChkVersClick();
    EXPECT_TRUE(f.Prompts->Asked().empty());
    EXPECT_TRUE(LogHas(d.LogLines(), QStringLiteral("Connecting to http://127.0.0.1:")));
}

// What a tab loaded over FTP shows is saved back as the server had it, byte for byte, when its
// text is unchanged: every line end of a file that mixes them, the byte-order mark, the encoding
// and a missing last line end. The user works the dialog with its buttons.
TEST(FtpDialog, AnUnchangedTabGoesBackByteForByte)
{
    const auto utf16le = [](const std::u16string &Text) {
        std::string b("\xFF\xFE", 2);
        for (char16_t c : Text)
            b += {char(c & 0xFF), char(c >> 8)};
        return b;
    };
    const auto utf16be = [](const std::u16string &Text) {
        std::string b("\xFE\xFF", 2);
        for (char16_t c : Text)
            b += {char(c >> 8), char(c & 0xFF)};
        return b;
    };
    // A page of 428 lines of 600 bytes ending in CR LF after a first line that ends in LF alone:
    // the writer, which writes the first kind of line end throughout, would return 428 bytes
    // fewer.
    std::string big = "<html>\n";
    for (int i = 0; i < 428; ++i)
        big += "<p>" + std::string(593, char('a' + i % 26)) + "</p>\r\n";
    const struct {
        const char *Name;
        std::string Bytes;
        bool Binary, Passive;
        std::vector<std::string> Shown;
    } cases[] = {
        {"mixed.html", "<p>a</p>\r\n<p>b</p>\n<p>c</p>\r<p>d</p>\r\n", true, true, {"<p>a</p>", "<p>b</p>", "<p>c</p>", "<p>d</p>"}},
        {"lf-first.html", big, true, false, {}},
        {"ansi.htm", "caf\xE9\n\xA9 2026\r\nend", true, true, {"caf\xC3\xA9", "\xC2\xA9 2026", "end"}},
        {"utf8.js", "var s = '\xE2\x82\xAC';\r\n\r// \xC3\xA9\n", true, false, {"var s = '\xE2\x82\xAC';", "", "// \xC3\xA9"}},
        {"utf8-mark.htm", "\xEF\xBB\xBF<b>\xC3\xA9</b>\r<i>x</i>\n", true, true, {"<b>\xC3\xA9</b>", "<i>x</i>"}},
        {"wide-le.htm", utf16le(u"<p>\u00e9</p>\r\n<p>\u2014</p>\n\r<b>"), true, true, {"<p>\xC3\xA9</p>", "<p>\xE2\x80\x94</p>", "", "<b>"}},
        {"wide-be.htm", utf16be(u"a\rb\r\nc\n"), true, false, {"a", "b", "c"}},
        {"empty.html", "", true, true, {}},
        // ASCII mode: the server sends its lines ending in CR LF and turns them back on the way in.
        {"ascii.txt", "one\ntwo\n", false, true, {"one", "two"}},
    };
    TFtpServer server;
    ASSERT_TRUE(server.Process->Ready());
    for (const auto &c : cases)
        WriteBytes(server.Path(QString::fromLatin1(c.Name)), c.Bytes);
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.FileNewActionExecute();
    const int port = server.Port;
    WhenModal([&](QWidget &Modal) {
        auto &d = dynamic_cast<TfrmFTP &>(Modal);
        for (const auto &c : cases) {
            SCOPED_TRACE(c.Name);
            const QString name = QString::fromLatin1(c.Name);
            w.FileNewActionExecute();
            Aim(d, port, name);
            d.BinaryCheckBox->setChecked(c.Binary);
            d.PassiveCheckBox->setChecked(c.Passive);
            QTest::mouseClick(d.LoadButton, Qt::LeftButton);
            TSyntaxEdit &e = *w.ActiveEditor();
            ASSERT_EQ(Narrow(e.FileName()), "FTP quill@127.0.0.1/" + std::string(c.Name))
                << d.LogLines().join(QLatin1Char('\n')).toStdString();
            if (!c.Shown.empty() || c.Bytes.empty()) {
                EXPECT_EQ(EditorLines(e), c.Shown);
            }
            // The server's copy is replaced by something else first, so that only a save that
            // sends the whole file brings the bytes back.
            WriteBytes(server.Path(name), "replaced");
            QTest::mouseClick(d.SaveButton, Qt::LeftButton);
            EXPECT_EQ(ReadBytes(server.Path(name)), c.Bytes) << d.LogLines().join(QLatin1Char('\n')).toStdString();
            EXPECT_FALSE(e.GetModified());
        }
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    });
    w.Action(QStringLiteral("FTPAction"))->trigger();
    EXPECT_TRUE(f.PromptTexts().empty());
}

// The bytes as loaded stand for the tab only while its text is what was loaded: typing that is
// undone sends them, an edit sends the text as the writer writes it, also when something else has
// cleared the modified flag, and after such a save the server's new bytes are the ones kept.
TEST(FtpDialog, AnEditedTabIsWrittenAndAnUndoneEditIsNot)
{
    const std::string mixed = "<p>a</p>\n<p>b</p>\r\n<p>c</p>\r";
    TFtpServer server;
    ASSERT_TRUE(server.Process->Ready());
    WriteBytes(server.Path(QStringLiteral("m.html")), mixed);
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.FileNewActionExecute();
    TfrmFTP &d = w.FtpDialog();
    Aim(d, server.Port, QStringLiteral("m.html"));
    d.BinaryCheckBox->setChecked(true);
    d.LoadButtonClick();
    TSyntaxEdit &e = *w.ActiveEditor();
    ASSERT_EQ(EditorLines(e), (std::vector<std::string>{"<p>a</p>", "<p>b</p>", "<p>c</p>"}));
    const auto saved = [&] {
        WriteBytes(server.Path(QStringLiteral("m.html")), "replaced");
        d.SaveButtonClick();
        return ReadBytes(server.Path(QStringLiteral("m.html")));
    };

    // Typed at the caret, then undone with the keys: the text is the loaded one again.
    e.setFocus();
    e.SetCaretXY(TTextPoint{0, 0});
    QTest::keyClicks(&e, QStringLiteral("Z"));
    ASSERT_EQ(EditorLines(e)[0], "Z<p>a</p>");
    QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(EditorLines(e)[0], "<p>a</p>");
    EXPECT_EQ(saved(), mixed);

    // An edit whose modified flag went (as a save elsewhere clears it) is still an edit.
    e.SetCaretXY(TTextPoint{0, 1});
    QTest::keyClicks(&e, QStringLiteral("Y"));
    e.SetModified(false);
    const std::string written = "<p>a</p>\nY<p>b</p>\n<p>c</p>\n";
    EXPECT_EQ(saved(), written);
    // The server now holds what was written; an unchanged save sends that again.
    EXPECT_EQ(saved(), written);
}

// A picture, an archive or a program is not loaded into a tab, as the folder view does not open
// one: the user is told so and neither the tab nor the server is touched.
TEST(FtpDialog, FilesThatAreNoTextAreRefusedBeforeAnythingIsFetched)
{
    TFtpServer server;
    ASSERT_TRUE(server.Process->Ready());
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    const QString local = f.Put(QStringLiteral("mine.html"), "<p>mine</p>\r\n");
    w.OpenFile(W(local), false, false, WideString());
    TSyntaxEdit &e = *w.ActiveEditor();
    const auto before = EditorLines(e);
    const struct {
        const char *Name;
        std::string Bytes;
        bool Refused;
    } cases[] = {
        {"photo.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), true},
        {"ARCHIVE.ZIP", std::string("PK\x03\x04\x14\0\0\0", 8), true},
        {"setup.exe", std::string("MZ\x90\0\x03\0\0\0", 8), true},
        {"page.html", "<p>remote</p>\r\n", false},
    };
    const int port = server.Port;
    WhenModal([&](QWidget &Modal) {
        auto &d = dynamic_cast<TfrmFTP &>(Modal);
        for (const auto &c : cases) {
            SCOPED_TRACE(c.Name);
            WriteBytes(server.Path(QString::fromLatin1(c.Name)), c.Bytes);
            f.Prompts->Clear();
            f.Prompts->Answer(c.Refused ? mrOk : mrYes);
            Aim(d, port, QString::fromLatin1(c.Name));
            d.ClearButtonClick();
            QTest::mouseClick(d.LoadButton, Qt::LeftButton);
            const QString log = d.LogLines().join(QLatin1Char('\n'));
            if (c.Refused) {
                EXPECT_EQ(f.PromptTexts(), std::vector<std::string>{"Can only edit files that are plain text"});
                EXPECT_EQ(EditorLines(e), before);
                EXPECT_EQ(e.FileName(), W(local));
                EXPECT_FALSE(log.contains(QStringLiteral("Request"))) << log.toStdString();
                EXPECT_TRUE(log.contains(QStringLiteral("Load refused, the editor tab is unchanged")));
            } else {
                EXPECT_EQ(f.PromptTexts(),
                          std::vector<std::string>{"Do you want to overwrite the file mine.html with this remote file?"});
                EXPECT_EQ(EditorLines(e), std::vector<std::string>{"<p>remote</p>"}) << log.toStdString();
            }
        }
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    });
    w.Action(QStringLiteral("FTPAction"))->trigger();
}
