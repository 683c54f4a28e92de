// The FTP client against pyftpdlib and vsftpd on loopback (active and passive, 0 bytes to
// 16 MB), and against small fake servers that fail in the ways real ones do.
#include "NetTestSupport.h"
#include "ServerProcess.h"
#include "net/FtpCli.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace nettest;

namespace {

std::string ReadFile(const std::string &Path)
{
    std::ifstream In(Path, std::ios::binary);
    std::ostringstream S;
    S << In.rdbuf();
    return S.str();
}

void WriteFile(const std::string &Path, const std::string &Data)
{
    std::ofstream(Path, std::ios::binary) << Data;
}

struct FtpServers {
    QTemporaryDir PyDir, VsDir;
    std::unique_ptr<ServerProcess> Py, Vs;
    std::vector<std::pair<std::string, std::string>> Files;

    FtpServers()
    {
        const size_t Sizes[] = {0, 1, 1000, 100000, 16u << 20};
        const std::string VsRoot = VsDir.path().toStdString() + "/root";
        QDir().mkpath(QString::fromStdString(VsRoot + "/up"));
        QDir().mkpath(VsDir.path() + "/empty");
        QFile::setPermissions(QString::fromStdString(VsRoot + "/up"), QFileDevice::Permissions(0x7777));
        QFile::setPermissions(QString::fromStdString(VsRoot), QFileDevice::Permissions(0x7755));
        QFile::setPermissions(VsDir.path(), QFileDevice::Permissions(0x7755));
        for (size_t Size : Sizes) {
            const std::string Name = "f" + std::to_string(Size) + ".bin";
            const std::string Body = PatternBytes(Size, static_cast<uint32_t>(Size + 11));
            WriteFile(PyDir.path().toStdString() + "/" + Name, Body);
            WriteFile(VsRoot + "/" + Name, Body);
            Files.emplace_back(Name, Body);
        }
        const int PyPort = UnusedPort();
        Py = std::make_unique<ServerProcess>("/usr/bin/python3",
                                             QStringList{"-m", "pyftpdlib", "-i", "127.0.0.1", "-p",
                                                         QString::number(PyPort), "-d", PyDir.path(), "-u", "quill",
                                                         "-P", "secret", "-w"},
                                             PyPort);
        const int VsPort = UnusedPort();
        const std::string Conf = VsDir.path().toStdString() + "/vsftpd.conf";
        std::ofstream(Conf) << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << VsPort
                            << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\n"
                               "anon_upload_enable=YES\nanon_other_write_enable=YES\nanon_world_readable_only=NO\n"
                               "anon_umask=022\nno_anon_password=YES\nanon_root="
                            << VsRoot << "\nsecure_chroot_dir=" << VsDir.path().toStdString()
                            << "/empty\nconnect_from_port_20=NO\npasv_enable=YES\nport_enable=YES\n"
                               "seccomp_sandbox=NO\nxferlog_enable=NO\ndelay_failed_login=0\n"
                            // Without root, vsftpd runs as the user who starts it.
                            << (::geteuid() != 0 ? "run_as_launching_user=YES\n" : "");
        Vs = std::make_unique<ServerProcess>("/usr/sbin/vsftpd", QStringList{QString::fromStdString(Conf)}, VsPort);
    }
};

// One configured client with its log and done count.
struct Client {
    TFtpClient Cli;
    std::vector<std::string> Log;
    int Done = 0;

    Client(int Port, const char *User, const char *Password)
    {
        Cli.HostName = "127.0.0.1";
        Cli.Port = std::to_string(Port);
        Cli.UserName = User;
        Cli.PassWord = Password;
        Cli.OnDisplay = [this](TCustomFtpCli *, const AnsiString &Msg) { Log.push_back(Msg); };
        Cli.OnRequestDone = [this](TCustomFtpCli *, TFtpRequest, uint16_t) { ++Done; };
    }
    bool Logged(const std::string &Prefix) const
    {
        for (const std::string &L : Log)
            if (L.rfind(Prefix, 0) == 0)
                return true;
        return false;
    }
    std::string Joined() const
    {
        std::string S;
        for (const std::string &L : Log)
            S += L + "\n";
        return S;
    }
    // Lets a late second done event show itself.
    void Settle()
    {
        WaitFor([] { return false; }, 30);
    }
};

void SetPassive(TFtpClient &Cli, bool Passive)
{
    // Passive mode is switched on through the connection type and stays on after it.
    if (Passive) {
        Cli.SetConnectionType(ftpProxy);
        Cli.SetConnectionType(ftpDirect);
    }
}

} // namespace

class FtpClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Servers = new FtpServers; }
    static void TearDownTestSuite()
    {
        delete Servers;
        Servers = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(Servers->Py->Ready());
        ASSERT_TRUE(Servers->Vs->Ready());
    }
    static FtpServers *Servers;
};
FtpServers *FtpClientTest::Servers = nullptr;

TEST_F(FtpClientTest, RetrAndStorByteIdenticalActiveAndPassive)
{
    struct Server {
        const char *Name;
        int Port;
        const char *User, *Password;
        std::string UploadDir, UploadPath;
    } ServersUsed[] = {
        {"pyftpdlib", Servers->Py->Port(), "quill", "secret", "", Servers->PyDir.path().toStdString()},
        // A folder named from the login folder: vsftpd shuts an anonymous user into anon_root only
        // when it runs as root; otherwise it starts there and "/" is the machine's root.
        {"vsftpd", Servers->Vs->Port(), "anonymous", "", "up", Servers->VsDir.path().toStdString() + "/root/up"},
    };
    QTemporaryDir Local;
    for (const Server &S : ServersUsed) {
        for (bool Passive : {false, true}) {
            for (const auto &[Name, Body] : Servers->Files) {
                SCOPED_TRACE(std::string(S.Name) + (Passive ? " passive " : " active ") + Name);
                Client C(S.Port, S.User, S.Password);
                SetPassive(C.Cli, Passive);
                ASSERT_EQ(C.Cli.Passive(), Passive);
                const std::string Target = Local.path().toStdString() + "/" + Name;
                C.Cli.HostFileName = Name;
                C.Cli.SetLocalFileName(Target);
                EXPECT_TRUE(C.Cli.Receive()) << C.Joined();
                EXPECT_TRUE(ReadFile(Target) == Body);
                EXPECT_EQ(C.Cli.StatusCode(), 226);
                EXPECT_EQ(C.Cli.LastResponse().substr(0, 3), "226");

                // Back up again under another name, from a stream.
                TMemoryStream Up;
                Up.Write(Body.data(), static_cast<int64_t>(Body.size()));
                Up.SetPosition(0);
                C.Cli.HostDirName = S.UploadDir;
                C.Cli.HostFileName = "up-" + std::string(Passive ? "p-" : "a-") + Name;
                C.Cli.SetLocalStream(&Up);
                EXPECT_TRUE(C.Cli.Transmit()) << C.Joined();
                EXPECT_TRUE(ReadFile(S.UploadPath + "/" + C.Cli.HostFileName) == Body);
                C.Settle();
                EXPECT_EQ(C.Done, 2);
                if (!Passive) {
                    EXPECT_TRUE(C.Logged("> PORT 127,0,0,1,")) << C.Joined();
                } else {
                    EXPECT_TRUE(C.Logged("> PASV")) << C.Joined();
                }
            }
        }
    }
}

TEST_F(FtpClientTest, LoginListingAndRefusals)
{
    {
        Client C(Servers->Py->Port(), "quill", "wrong");
        TMemoryStream Sink;
        C.Cli.HostFileName = "f1.bin";
        C.Cli.SetLocalStream(&Sink);
        EXPECT_FALSE(C.Cli.Receive());
        EXPECT_EQ(C.Cli.StatusCode(), 530);
        EXPECT_EQ(C.Cli.ErrorMessage().substr(0, 3), "530");
        C.Settle();
        EXPECT_EQ(C.Done, 1);
        // The log shows the command but never the password.
        EXPECT_TRUE(C.Logged("> PASS ********"));
        EXPECT_EQ(C.Joined().find("wrong"), std::string::npos);
    }
    {
        Client C(Servers->Vs->Port(), "nobodyhere", "x");
        TMemoryStream Sink;
        C.Cli.HostFileName = "f1.bin";
        C.Cli.SetLocalStream(&Sink);
        EXPECT_FALSE(C.Cli.Receive());
        EXPECT_EQ(C.Cli.StatusCode(), 530);
    }
    {
        // A missing file: the server's code, and no local file is left claiming success.
        Client C(Servers->Py->Port(), "quill", "secret");
        TMemoryStream Sink;
        C.Cli.HostFileName = "no-such-file.bin";
        C.Cli.SetLocalStream(&Sink);
        EXPECT_FALSE(C.Cli.Receive());
        EXPECT_EQ(C.Cli.StatusCode(), 550);
        EXPECT_EQ(C.Cli.ErrorMessage().substr(0, 3), "550");
        C.Settle();
        EXPECT_EQ(C.Done, 1);
    }
    {
        // A listing arrives through the display-file event.
        Client C(Servers->Vs->Port(), "anonymous", "");
        std::vector<std::string> Lines;
        C.Cli.DisplayFileFlag = true;
        C.Cli.OnDisplayFile = [&](TCustomFtpCli *, const AnsiString &L) { Lines.push_back(L); };
        C.Cli.ListDirectory();
        ASSERT_TRUE(WaitFor([&] { return C.Done > 0; }));
        EXPECT_EQ(C.Cli.StatusCode(), 226);
        std::string All;
        for (const auto &L : Lines)
            All += L + "\n";
        EXPECT_NE(All.find("f16777216.bin"), std::string::npos) << All;
        EXPECT_NE(All.find("up"), std::string::npos);
        // vsftpd answers USER with 230 here: no PASS is sent.
        EXPECT_FALSE(C.Logged("> PASS"));
    }
}

TEST_F(FtpClientTest, LocalRefusalsAndAborts)
{
    {
        Client C(Servers->Py->Port(), "quill", "secret");
        TMemoryStream Up;
        C.Cli.SetLocalStream(&Up);
        C.Cli.HostFileName = "never.bin";
        C.Cli.OnReadyToTransmit = [](TCustomFtpCli *, bool &Cancel) { Cancel = true; };
        EXPECT_FALSE(C.Cli.Transmit());
        EXPECT_EQ(C.Cli.StatusCode(), 426);
        EXPECT_EQ(C.Cli.ErrorMessage(), "426 Transmit cancelled by application");
        EXPECT_FALSE(QFile::exists(Servers->PyDir.path() + "/never.bin"));
    }
    {
        // A progress abort in the middle of a download is a failure, not a short success.
        Client C(Servers->Py->Port(), "quill", "secret");
        TMemoryStream Sink;
        C.Cli.SetLocalStream(&Sink);
        C.Cli.HostFileName = "f16777216.bin";
        C.Cli.OnProgress = [](TCustomFtpCli *, int64_t Count, bool &Abort) { Abort = Count > 100000; };
        EXPECT_FALSE(C.Cli.Receive());
        EXPECT_EQ(C.Cli.StatusCode(), 550);
        C.Settle();
        EXPECT_EQ(C.Done, 1);
    }
    {
        // A local file that cannot be written.
        Client C(Servers->Py->Port(), "quill", "secret");
        C.Cli.HostFileName = "f1.bin";
        C.Cli.SetLocalFileName("/nonexistent-folder/x.bin");
        EXPECT_FALSE(C.Cli.Receive());
        EXPECT_EQ(C.Cli.StatusCode(), 550);
    }
    {
        // A request while one runs is refused at once.
        Client C(Servers->Py->Port(), "quill", "secret");
        TMemoryStream Sink;
        C.Cli.SetLocalStream(&Sink);
        C.Cli.HostFileName = "f1.bin";
        C.Cli.ReceiveFile();
        EXPECT_FALSE(C.Cli.Receive());
        EXPECT_THROW(C.Cli.ReceiveFile(), FtpException);
        EXPECT_TRUE(WaitFor([&] { return C.Done == 1; }));
        EXPECT_EQ(Sink.GetSize(), 1);
    }
}

namespace {

std::string ReadLine(int Fd)
{
    std::string Line;
    char C;
    while (::recv(Fd, &C, 1, 0) == 1) {
        if (C == '\n')
            break;
        if (C != '\r')
            Line += C;
    }
    return Line;
}

void Say(int Fd, const std::string &Line)
{
    const std::string L = Line + "\r\n";
    WriteAll(Fd, L.data(), L.size());
}

// Plays a login and a passive RETR; Transfer runs with the data connection (closed after it
// returns) and may end the session itself.
void FakeRetr(int Fd, const std::function<void(int Ctrl, int Data)> &Transfer)
{
    Say(Fd, "220-Welcome");
    Say(Fd, "220 ready");
    for (;;) {
        const std::string Cmd = ReadLine(Fd);
        if (Cmd.empty())
            return;
        if (Cmd.rfind("USER", 0) == 0)
            Say(Fd, "331 password please");
        else if (Cmd.rfind("PASS", 0) == 0)
            Say(Fd, "230 in");
        else if (Cmd.rfind("TYPE", 0) == 0)
            Say(Fd, "200 type set");
        else if (Cmd == "PASV") {
            const int L = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in A{};
            A.sin_family = AF_INET;
            A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ::bind(L, reinterpret_cast<sockaddr *>(&A), sizeof A);
            socklen_t Len = sizeof A;
            getsockname(L, reinterpret_cast<sockaddr *>(&A), &Len);
            ::listen(L, 1);
            const int P = ntohs(A.sin_port);
            Say(Fd,
                "227 Entering Passive Mode (127,0,0,1," + std::to_string(P >> 8) + "," + std::to_string(P & 255) + ")");
            const std::string Retr = ReadLine(Fd);
            const int D = ::accept(L, nullptr, nullptr);
            ::close(L);
            Transfer(Fd, D);
            ::close(D);
            return;
        } else if (Cmd == "QUIT") {
            Say(Fd, "221 bye");
            return;
        } else
            Say(Fd, "502 no");
    }
}

} // namespace

TEST(FtpFakeServers, FailuresEndWithTheRightCodeAndOneDoneEvent)
{
    const std::string Half(50000, 'h');
    const struct {
        const char *Name;
        TestPeer::Role Role;
        int Timeout;
        int Status;
        const char *Error;
        const char *Shown = nullptr; // a line the log must hold
    } Cases[] = {
        {"no banner", [](int Fd) { ReadAll(Fd); }, 1, 426, "426 Timeout"},
        {"banner refused", [](int Fd) { Say(Fd, "421 Too many users"); }, 5, 421, "421 Too many users"},
        {"control closed mid-transfer",
         [&](int Fd) {
             FakeRetr(Fd, [&](int Ctrl, int Data) {
                 Say(Ctrl, "150 here it comes");
                 WriteAll(Data, Half.data(), Half.size());
                 ::shutdown(Ctrl, SHUT_RDWR);
             });
         },
         5, 500, "500 Control connection closed."},
        {"transfer aborted by the server",
         [&](int Fd) {
             FakeRetr(Fd, [&](int Ctrl, int Data) {
                 Say(Ctrl, "150 here it comes");
                 WriteAll(Data, Half.data(), Half.size());
                 ::shutdown(Data, SHUT_RDWR);
                 Say(Ctrl, "426 Connection closed; transfer aborted.");
                 ReadLine(Ctrl);
             });
         },
         5, 426, "426 Connection closed; transfer aborted.", "! RETR/LIST/NLST Failed"},
        {"silent after the data",
         [&](int Fd) {
             FakeRetr(Fd, [&](int Ctrl, int Data) {
                 Say(Ctrl, "150 here it comes");
                 WriteAll(Data, Half.data(), Half.size());
                 ::shutdown(Data, SHUT_RDWR);
                 ReadAll(Ctrl);
             });
         },
         1, 426, "426 Timeout"},
        {"overlong reply line",
         [](int Fd) {
             Say(Fd, "220 " + std::string(5000, 'x'));
             ReadAll(Fd);
         },
         5, 500, "500 Reply line too long"},
    };
    for (const auto &C : Cases) {
        SCOPED_TRACE(C.Name);
        TestPeer Peer(C.Role);
        Client Cl(Peer.Port(), "user", "pw");
        Cl.Cli.Timeout = C.Timeout;
        SetPassive(Cl.Cli, true);
        TMemoryStream Sink;
        Cl.Cli.SetLocalStream(&Sink);
        Cl.Cli.HostFileName = "file.bin";
        EXPECT_FALSE(Cl.Cli.Receive()) << Cl.Joined();
        EXPECT_EQ(Cl.Cli.StatusCode(), C.Status) << Cl.Joined();
        EXPECT_EQ(Cl.Cli.ErrorMessage(), C.Error);
        if (C.Shown) {
            EXPECT_TRUE(Cl.Logged(C.Shown)) << Cl.Joined();
        }
        Cl.Settle();
        EXPECT_LE(Cl.Done, 1);
        EXPECT_EQ(Cl.Cli.State(), ftpReady);
        Cl.Cli.Abort();
    }
}

TEST(FtpFakeServers, PassiveReplyAndMultiLineReplies)
{
    const std::string Body = PatternBytes(70000, 5);
    TestPeer Peer([&](int Fd) {
        FakeRetr(Fd, [&](int Ctrl, int Data) {
            Say(Ctrl, "125 Data connection already open");
            WriteAll(Data, Body.data(), Body.size());
            ::shutdown(Data, SHUT_RDWR);
            Say(Ctrl, "226-Transfer complete");
            Say(Ctrl, "226 done");
            const std::string Quit = ReadLine(Ctrl);
            Say(Ctrl, "221 bye");
        });
    });
    Client C(Peer.Port(), "user", "pw");
    SetPassive(C.Cli, true);
    TMemoryStream Sink;
    C.Cli.SetLocalStream(&Sink);
    C.Cli.HostFileName = "file.bin";
    EXPECT_TRUE(C.Cli.Receive()) << C.Joined();
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(Sink.Memory()), static_cast<size_t>(Sink.GetSize())), Body);
    EXPECT_EQ(C.Cli.LastResponse(), "226 done");
    EXPECT_TRUE(C.Logged("< 220-Welcome"));
    EXPECT_TRUE(C.Logged("< 226-Transfer complete"));
}

TEST_F(FtpClientTest, FileAndDirectoryCommands)
{
    Client C(Servers->Py->Port(), "quill", "secret");
    TFtpClient &F = C.Cli;
    auto Run = [&](const std::function<void()> &Op) { return F.RunAndWait(Op); };

    // Single steps inside a session: this server tells sizes in binary mode only.
    F.HostFileName = "f100000.bin";
    EXPECT_TRUE(F.Open());
    EXPECT_TRUE(Run([&] { F.SendTypeBinary(); }));
    EXPECT_TRUE(Run([&] { F.SendSize(); })) << C.Joined();
    EXPECT_EQ(F.SizeResult(), 100000);
    EXPECT_TRUE(Run([&] { F.SendPwd(); }));
    EXPECT_EQ(F.DirResult(), "/");
    EXPECT_TRUE(F.Quit());
    EXPECT_FALSE(F.Connected());

    F.HostFileName = "new \"dir\"";
    EXPECT_TRUE(Run([&] { F.MakeDirectory(); }));
    EXPECT_EQ(F.DirResult(), "/new \"dir\"");
    EXPECT_TRUE(QDir(Servers->PyDir.path() + "/new \"dir\"").exists());
    EXPECT_TRUE(Run([&] { F.RemoveDirectory(); }));
    EXPECT_FALSE(QDir(Servers->PyDir.path() + "/new \"dir\"").exists());

    WriteFile(Servers->PyDir.path().toStdString() + "/old.txt", "x");
    F.HostFileName = "old.txt";
    F.SetLocalFileName("renamed.txt"); // the new name, for RNTO
    EXPECT_TRUE(Run([&] { F.RenameFile(); })) << C.Joined();
    EXPECT_TRUE(QFile::exists(Servers->PyDir.path() + "/renamed.txt"));
    F.HostFileName = "renamed.txt";
    EXPECT_TRUE(Run([&] { F.DeleteFile(); }));
    EXPECT_FALSE(QFile::exists(Servers->PyDir.path() + "/renamed.txt"));

    EXPECT_TRUE(Run([&] { F.QuerySystem(); }));
    EXPECT_EQ(F.LastResponse().substr(0, 3), "215");

    // A refused CWD ends the request at once with its code; no QUIT is sent.
    C.Log.clear();
    F.HostDirName = "no-such-dir";
    F.HostFileName = "f1.bin";
    TMemoryStream Sink;
    F.SetLocalStream(&Sink);
    EXPECT_FALSE(F.Receive());
    EXPECT_EQ(F.StatusCode(), 550);
    EXPECT_FALSE(C.Logged("> QUIT"));
    EXPECT_TRUE(F.Connected());
    F.HostDirName.clear();
    EXPECT_THROW(F.SendCwd(), FtpException);
    F.Abort();
    EXPECT_FALSE(F.Connected());
}

TEST_F(FtpClientTest, ThroughSocks5BothConnections)
{
    const int Port = UnusedPort();
    ServerProcess Socks("microsocks", {"-i", "127.0.0.1", "-p", QString::number(Port), "-u", "quill", "-P", "pw"},
                        Port);
    ASSERT_TRUE(Socks.Ready());
    Client C(Servers->Py->Port(), "quill", "secret");
    C.Cli.SetConnectionType(ftpSocks5);
    C.Cli.SocksServer = "127.0.0.1";
    C.Cli.SocksPort = std::to_string(Port);
    C.Cli.SocksUserCode = "quill";
    C.Cli.SocksPassword = "pw";
    TMemoryStream Sink;
    C.Cli.SetLocalStream(&Sink);
    C.Cli.HostFileName = "f100000.bin";
    EXPECT_TRUE(C.Cli.Passive());
    // Twice: each connection gets the SOCKS settings again.
    for (int Round = 0; Round < 2; ++Round) {
        Sink.Clear();
        EXPECT_TRUE(C.Cli.Receive()) << C.Joined();
        EXPECT_TRUE(std::string(reinterpret_cast<const char *>(Sink.Memory()), static_cast<size_t>(Sink.GetSize())) ==
                    Servers->Files[3].second);
    }
}

TEST(FtpFakeServers, ThroughAnFtpProxyTheUserNamesTheHost)
{
    std::string UserLine;
    TestPeer Proxy([&](int Fd) {
        Say(Fd, "220 proxy ready");
        UserLine = ReadLine(Fd);
        Say(Fd, "230 logged in to the server");
        ReadAll(Fd);
    });
    Client C(0, "someone", "pw");
    C.Cli.HostName = "ftp.example";
    C.Cli.Port = "2121";
    C.Cli.SetConnectionType(ftpProxy);
    C.Cli.ProxyServer = "127.0.0.1";
    C.Cli.ProxyPort = Proxy.PortText();
    EXPECT_TRUE(C.Cli.Open()) << C.Joined();
    EXPECT_EQ(UserLine, "USER someone@ftp.example:2121");
    EXPECT_FALSE(C.Logged("> PASS")); // 230 to USER: no password is sent
    EXPECT_TRUE(C.Cli.Passive());
    try {
        C.Cli.SetConnectionType(ftpDirect);
        ADD_FAILURE();
    } catch (const FtpException &E) {
        EXPECT_EQ(E.Message(), "FTP component connected");
    }
    C.Cli.Abort();
}

TEST_F(FtpClientTest, ResumeAndAppend)
{
    QTemporaryDir Local;
    const auto &[Name, Body] = Servers->Files[3]; // 100000 bytes
    const std::string Target = Local.path().toStdString() + "/part.bin";
    WriteFile(Target, Body.substr(0, 30000));
    Client C(Servers->Py->Port(), "quill", "secret");
    C.Cli.HostFileName = Name;
    C.Cli.SetLocalFileName(Target);
    C.Cli.SetShareMode(ftpShareDenyNone);
    // The offset comes from the local file's size.
    EXPECT_TRUE(C.Cli.RunAndWait([&] { C.Cli.ResumeReceiveFile(); })) << C.Joined();
    EXPECT_TRUE(C.Logged("> REST 30000"));
    EXPECT_TRUE(ReadFile(Target) == Body);
    EXPECT_EQ(C.Cli.ByteCount(), 70000);

    TMemoryStream More;
    More.Write("tail", 4);
    More.SetPosition(0);
    WriteFile(Servers->PyDir.path().toStdString() + "/log.txt", "head-");
    C.Cli.HostFileName = "log.txt";
    C.Cli.SetLocalStream(&More);
    EXPECT_TRUE(C.Cli.RunAndWait([&] { C.Cli.AppendToFile(); })) << C.Joined();
    EXPECT_EQ(ReadFile(Servers->PyDir.path().toStdString() + "/log.txt"), "head-tail");
}

TEST(FtpFakeServers, SlowButSteadyDownloadOutlastsTheTimeout)
{
    // Six blocks 300 ms apart take longer than the 1 s time-out, which counts from the last block.
    TestPeer Peer([](int Fd) {
        FakeRetr(Fd, [](int Ctrl, int Data) {
            Say(Ctrl, "150 slowly");
            for (int I = 0; I < 6; ++I) {
                WriteAll(Data, "block", 5);
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            }
            ::shutdown(Data, SHUT_RDWR);
            Say(Ctrl, "226 done");
            ReadLine(Ctrl);
            Say(Ctrl, "221 bye");
        });
    });
    Client C(Peer.Port(), "user", "pw");
    C.Cli.Timeout = 1;
    SetPassive(C.Cli, true);
    TMemoryStream Sink;
    C.Cli.SetLocalStream(&Sink);
    C.Cli.HostFileName = "slow.bin";
    EXPECT_TRUE(C.Cli.Receive()) << C.Joined();
    EXPECT_EQ(Sink.GetSize(), 30);
}

// Control lines that are no reply: a reply line begins with a code of 100 to 599. Anything else
// outside a multi-line reply ends the command and the session as a protocol error; a text line
// inside a multi-line reply is only shown.
TEST(FtpCraftedServer, ReplyLinesWithoutAValidCodeAreProtocolErrors)
{
    const int Port = UnusedPort();
    ServerProcess Server("/usr/bin/python3",
                         {QUILLMAR_SOURCE_DIR "/tests/net/CraftedFtpServer.py", QString::number(Port)}, Port);
    ASSERT_TRUE(Server.Ready());
    const struct {
        const char *User;
        const char *Error; // "" for a login that succeeds
    } Cases[] = {
        {"zero", "500 Protocol error, not a reply line: 0 type"},
        {"bigcode", "500 Protocol error, not a reply line: 2300 ok"},
        {"six", "500 Protocol error, not a reply line: 600 nope"},
        {"text", "500 Protocol error, not a reply line: hello there"},
        {"multi", ""},
    };
    for (const auto &C : Cases) {
        SCOPED_TRACE(C.User);
        Client Cl(Port, C.User, "pw");
        Cl.Cli.Timeout = 5;
        EXPECT_EQ(Cl.Cli.Open(), !*C.Error) << Cl.Joined();
        EXPECT_EQ(Cl.Cli.ErrorMessage(), C.Error) << Cl.Joined();
        EXPECT_EQ(Cl.Cli.StatusCode(), *C.Error ? 500 : 230);
        EXPECT_EQ(Cl.Cli.Connected(), !*C.Error);
        Cl.Settle();
        EXPECT_EQ(Cl.Done, 1);
        Cl.Cli.Abort();
    }
}

TEST(FtpCraftedServer, QuitAfterTheServerClosedEndsAtOnce)
{
    const int Port = UnusedPort();
    ServerProcess Server("/usr/bin/python3",
                         {QUILLMAR_SOURCE_DIR "/tests/net/CraftedFtpServer.py", QString::number(Port)}, Port);
    ASSERT_TRUE(Server.Ready());
    Client Cl(Port, "closer", "pw");
    Cl.Cli.Timeout = 5;
    ASSERT_TRUE(Cl.Cli.Open()) << Cl.Joined();
    ASSERT_TRUE(WaitFor([&] { return !Cl.Cli.Connected(); }));
    // A QUIT that waited for a reply would end with "426 Timeout" after the whole time-out.
    EXPECT_TRUE(Cl.Cli.Quit()) << Cl.Joined();
    EXPECT_EQ(Cl.Cli.ErrorMessage(), "");
    EXPECT_TRUE(Cl.Logged("! Control connection already closed"));
    Cl.Settle();
    EXPECT_EQ(Cl.Done, 2);
}
