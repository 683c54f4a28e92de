// The HTTP client against real servers on loopback: Python's http.server for files, a small
// server of our own for redirects, status codes, authorisation and header echo, tinyproxy with
// authorisation, and SOCKS 4/4A (dante) and SOCKS 5 (microsocks) servers.
#include "NetTestSupport.h"
#include "ServerProcess.h"
#include "net/HttpProt.h"
#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <netdb.h>

using namespace nettest;

namespace {

const QString kPython = "/usr/bin/python3";

struct HttpServers {
    QTemporaryDir Dir;
    std::unique_ptr<ServerProcess> Files;
    std::unique_ptr<ServerProcess> Own;
    std::vector<std::pair<std::string, std::string>> Bodies; // file name, content

    HttpServers()
    {
        const size_t Sizes[] = {0, 1, 1000, 100000, 16u << 20};
        for (size_t Size : Sizes) {
            const std::string Name = "f" + std::to_string(Size) + ".bin";
            const std::string Body = PatternBytes(Size, static_cast<uint32_t>(Size + 3));
            std::ofstream(Dir.path().toStdString() + "/" + Name, std::ios::binary) << Body;
            Bodies.emplace_back(Name, Body);
        }
        std::ofstream(Dir.path().toStdString() + "/index.htm") << "<p>index</p>";
        const int FilesPort = UnusedPort();
        Files = std::make_unique<ServerProcess>(kPython,
                                                QStringList{"-m", "http.server", "--bind", "127.0.0.1", "--directory",
                                                            Dir.path(), QString::number(FilesPort)},
                                                FilesPort);
        const int OwnPort = UnusedPort();
        Own = std::make_unique<ServerProcess>(
            kPython,
            QStringList{QUILLMAR_SOURCE_DIR "/tests/net/HttpTestServer.py", QString::number(OwnPort), Dir.path()},
            OwnPort);
    }
    std::string FilesUrl(const std::string &Path) const
    {
        return "http://127.0.0.1:" + std::to_string(Files->Port()) + Path;
    }
    std::string OwnUrl(const std::string &Path) const
    {
        return "http://127.0.0.1:" + std::to_string(Own->Port()) + Path;
    }
};

// What one GET produced.
struct Fetch {
    std::string Body;
    int Status = 0;
    std::string Reason;
    std::string Error; // message of EHttpException, empty when none
    int ErrorCode = 0;
    int Done = 0;
    std::string DocumentName;
};

Fetch Get(THttpCli &Cli, const std::string &Url)
{
    Fetch F;
    TMemoryStream Stream;
    Cli.URL = Url;
    Cli.ReceiveStream = &Stream;
    Cli.OnRequestDone = [&F](THttpCli *, THttpRequest, uint16_t) { ++F.Done; };
    try {
        Cli.Get();
    } catch (const EHttpException &E) {
        F.Error = E.Message();
        F.ErrorCode = E.ErrorCode;
    }
    // The done event is posted: let it arrive (and show that no second one follows).
    WaitFor([&] { return F.Done > 0; }, 5000);
    WaitFor([] { return false; }, 20);
    Cli.ReceiveStream = nullptr;
    Cli.OnRequestDone = nullptr;
    F.Body.assign(reinterpret_cast<const char *>(Stream.Memory()), static_cast<size_t>(Stream.GetSize()));
    F.Status = Cli.StatusCode();
    F.Reason = Cli.ReasonText();
    F.DocumentName = Cli.DocumentName();
    return F;
}

} // namespace

class HttpCliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Servers = new HttpServers; }
    static void TearDownTestSuite()
    {
        delete Servers;
        Servers = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(Servers->Files->Ready());
        ASSERT_TRUE(Servers->Own->Ready());
    }
    static HttpServers *Servers;
};
HttpServers *HttpCliTest::Servers = nullptr;

TEST_F(HttpCliTest, FilesArriveByteIdentical)
{
    THttpCli Cli;
    for (const auto &[Name, Body] : Servers->Bodies) {
        const Fetch F = Get(Cli, Servers->FilesUrl("/" + Name));
        SCOPED_TRACE(Name);
        EXPECT_EQ(F.Error, "");
        EXPECT_EQ(F.Status, 200);
        EXPECT_EQ(F.Done, 1);
        EXPECT_EQ(F.Body.size(), Body.size());
        EXPECT_TRUE(F.Body == Body);
        EXPECT_EQ(F.DocumentName, Name);
        EXPECT_EQ(Cli.State(), hcsReady);
        EXPECT_EQ(Cli.ContentLength(), static_cast<int>(Body.size()));
    }
    // The same files sent in chunks (as some servers answer even a 1.0 request) arrive unframed.
    for (const auto &[Name, Body] : Servers->Bodies) {
        const Fetch F = Get(Cli, Servers->OwnUrl("/chunked/" + Name));
        EXPECT_EQ(F.Error, "") << Name;
        EXPECT_EQ(F.Body.size(), Body.size()) << Name;
        EXPECT_TRUE(F.Body == Body) << Name;
        EXPECT_EQ(F.Done, 1);
    }
    EXPECT_EQ(Get(Cli, Servers->OwnUrl("/badchunk")).Error, "HTTP chunk size invalid");
    // A body written in many small pieces arrives whole.
    const Fetch P = Get(Cli, Servers->OwnUrl("/pieces"));
    std::string Want;
    for (int I = 0; I < 20; ++I)
        Want += "piece " + std::string(I < 10 ? "0" : "") + std::to_string(I) + ";";
    EXPECT_EQ(P.Body, Want);
    // The folder itself: document.htm.
    EXPECT_EQ(Get(Cli, Servers->FilesUrl("/")).DocumentName, "document.htm");
}

TEST_F(HttpCliTest, RelocationsAreFollowedAndBounded)
{
    THttpCli Cli;
    int Changes = 0;
    Cli.OnLocationChange = [&](THttpCli *) { ++Changes; };
    Fetch F = Get(Cli, Servers->OwnUrl("/redirect/3"));
    EXPECT_EQ(F.Body, "arrived");
    EXPECT_EQ(Changes, 3);
    EXPECT_EQ(Cli.Location(), Servers->OwnUrl("/redirect/0"));
    EXPECT_EQ(F.Done, 1);

    F = Get(Cli, Servers->OwnUrl("/loop"));
    EXPECT_EQ(F.Error, "Too many relocations");
    EXPECT_EQ(F.ErrorCode, 404);
    EXPECT_EQ(F.Done, 1);

    const struct {
        const char *Path;
        const char *FirstLine;
    } Followed[] = {
        {"/abs", "GET /echo HTTP/1.0"},
        {"/HTTPabs", "GET /echo HTTP/1.0"},
        {"/rel/dir/page.htm", "GET /rel/dir/target.htm HTTP/1.0"},
    };
    for (const auto &C : Followed) {
        F = Get(Cli, Servers->OwnUrl(C.Path));
        EXPECT_EQ(F.Error, "") << C.Path;
        EXPECT_EQ(F.Body.substr(0, F.Body.find('\n')), C.FirstLine) << C.Path;
    }

    // https is not spoken: the request ends with an error status.
    F = Get(Cli, Servers->OwnUrl("/https"));
    EXPECT_GE(F.Status, 400);
    EXPECT_NE(F.Error.find("https://"), std::string::npos) << F.Error;
    F = Get(Cli, "https://127.0.0.1:1/x");
    EXPECT_GE(F.Status, 400);
    EXPECT_EQ(F.Error, "Protocol not supported: https");
    EXPECT_EQ(F.Done, 1);
}

TEST_F(HttpCliTest, StatusCodesAndAuthorisation)
{
    THttpCli Cli;
    const struct {
        const char *Path;
        int Status;
        const char *Error;
    } Cases[] = {
        {"/status/200", 200, ""},
        {"/status/404", 404, "Not Found"},
        {"/status/500", 500, "Internal Server Error"},
        {"/auth", 401, "Unauthorized"},
    };
    for (const auto &C : Cases) {
        const Fetch F = Get(Cli, Servers->OwnUrl(C.Path));
        EXPECT_EQ(F.Status, C.Status) << C.Path;
        EXPECT_EQ(F.Error, C.Error) << C.Path;
        if (*C.Error) {
            EXPECT_EQ(F.ErrorCode, C.Status);
        }
    }
    EXPECT_EQ(Cli.AuthenticateHeaders().Count(), 1);
    EXPECT_EQ(Cli.AuthenticateHeaders()[0], "Basic realm=\"test\"");
    Cli.Username = "user";
    Cli.Password = "pa:ss";
    EXPECT_EQ(Get(Cli, Servers->OwnUrl("/auth")).Body, "authorised");

    // HEAD: the header only.
    TMemoryStream Body;
    Cli.ReceiveStream = &Body;
    Cli.URL = Servers->FilesUrl("/f1000.bin");
    Cli.Head();
    EXPECT_EQ(Cli.StatusCode(), 200);
    EXPECT_EQ(Cli.ContentLength(), 1000);
    EXPECT_EQ(Body.GetSize(), 0);
    Cli.ReceiveStream = nullptr;
}

TEST_F(HttpCliTest, RequestHeaderAndResponseFields)
{
    THttpCli Cli;
    Cli.Username = "u";
    Cli.Cookie = "k=v";
    Cli.NoCache = true;
    Cli.Reference = "http://ref/";
    Cli.ContentRangeBegin = "10";
    setenv("TZ", "CET-1", 1);
    tzset();
    Cli.ModifiedSince = EncodeDateTime(2020, 1, 1, 0, 30, 0);
    const Fetch F = Get(Cli, Servers->OwnUrl("/echo?x=1"));
    unsetenv("TZ");
    tzset();
    for (const char *Line :
         {"GET /echo?x=1 HTTP/1.0\n", "\nHost: 127.0.0.1\n", "\nUser-Agent: Mozilla/3.0 (compatible)\n",
          "\nPragma: no-cache\n", "\nReferer: http://ref/\n", "\nCookie: k=v\n", "\nRange: bytes=10-\n",
          "\nAuthorization: Basic dTo=\n", "\nIf-Modified-Since: Tue, 31 Dec 2019 23:30:00 GMT\n"})
        EXPECT_NE(F.Body.find(Line), std::string::npos) << Line << F.Body;
    EXPECT_TRUE(Cli.ContentRangeBegin.empty()); // sent once
    EXPECT_EQ(F.DocumentName, "echo");

    bool Accepted = false;
    Cli.OnCookie = [&](THttpCli *, const AnsiString &Data, bool &) { Accepted = Data == "a=1"; };
    Get(Cli, Servers->OwnUrl("/cookie"));
    EXPECT_TRUE(Accepted);
    EXPECT_EQ(Cli.ContentRangeBegin, "100");
    EXPECT_EQ(Cli.ContentRangeEnd, "199");
    EXPECT_EQ(Cli.AcceptRanges(), "bytes");

    const Fetch Exe = Get(Cli, Servers->OwnUrl("/cgi/run.exe"));
    EXPECT_EQ(Exe.DocumentName, "run.htm");
    EXPECT_EQ(Cli.ContentType(), "text/html");
}

TEST_F(HttpCliTest, PostSendsFromTheStreamPositionAndBecomesGetOnRelocation)
{
    THttpCli Cli;
    TMemoryStream Body;
    Body.Write("skip-the-body", 13);
    Body.SetPosition(5);
    TMemoryStream Answer;
    Cli.SendStream = &Body;
    Cli.ReceiveStream = &Answer;
    Cli.URL = Servers->OwnUrl("/echo");
    Cli.Post();
    const std::string Text(reinterpret_cast<const char *>(Answer.Memory()), static_cast<size_t>(Answer.GetSize()));
    EXPECT_NE(Text.find("POST /echo HTTP/1.0\n"), std::string::npos);
    EXPECT_NE(Text.find("\nContent-Length: 8\n"), std::string::npos) << Text;
    EXPECT_NE(Text.find("BODY:the-body"), std::string::npos) << Text;
    EXPECT_EQ(Cli.SentBytes(), 8);

    Body.SetPosition(0);
    Answer.Clear();
    Cli.URL = Servers->OwnUrl("/post-redirect");
    Cli.Post();
    EXPECT_EQ(Cli.RequestKind(), hrqGet);
    const std::string After(reinterpret_cast<const char *>(Answer.Memory()), static_cast<size_t>(Answer.GetSize()));
    EXPECT_EQ(After.substr(0, After.find('\n')), "GET /echo HTTP/1.0");

    Cli.SendStream = nullptr;
    try {
        Cli.Post();
        ADD_FAILURE();
    } catch (const EHttpException &E) {
        EXPECT_EQ(E.Message(), "HTTP component has nothing to post");
        EXPECT_EQ(E.ErrorCode, 2);
    }
}

TEST_F(HttpCliTest, OddResponsesAndFailuresEndTheRequest)
{
    THttpCli Cli;
    int DocBegins = 0;
    Cli.OnDocBegin = [&](THttpCli *) { ++DocBegins; };
    Fetch F = Get(Cli, Servers->OwnUrl("/empty"));
    EXPECT_EQ(F.Error, "");
    EXPECT_EQ(F.Status, 200);
    EXPECT_EQ(DocBegins, 0);
    EXPECT_EQ(Cli.CtrlSocket().State(), wsClosed);

    F = Get(Cli, Servers->OwnUrl("/noheader"));
    EXPECT_EQ(Cli.ContentType(), "text/html");
    EXPECT_EQ(F.Body, "<HTML><body>\r\nno header here\r\n</body></html>\r\n");

    F = Get(Cli, Servers->OwnUrl("/longheader"));
    EXPECT_EQ(F.Error, "HTTP line too long");
    F = Get(Cli, Servers->OwnUrl("/badstatus"));
    EXPECT_EQ(F.ErrorCode, 404);
    F = Get(Cli, Servers->OwnUrl("/nothing"));
    EXPECT_EQ(F.Error, "Connection closed without response");

    F = Get(Cli, "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/");
    EXPECT_EQ(F.Error, "Connection refused (Error #10061)");
    EXPECT_EQ(F.Done, 1);
    {
        THostResolverScope NoSuchHost([](const AnsiString &) { return THostAnswer{EAI_NONAME, 0, {}}; });
        F = Get(Cli, "http://no-such-host.invalid/x");
    }
    EXPECT_EQ(F.Error, "can't resolve hostname to IP address");
    EXPECT_EQ(F.ErrorCode, 404);
    EXPECT_EQ(Cli.RequestError(), 11001);
    F = Get(Cli, "http://127.0.0.1:99999999/");
    EXPECT_EQ(F.ErrorCode, 404);
    EXPECT_NE(F.Error.find("Invalid Port"), std::string::npos) << F.Error;

    // A server that accepts and never answers: the idle time-out ends the request.
    TestPeer Silent([](int Fd) { ReadAll(Fd); });
    Cli.TimeoutMs = 300;
    F = Get(Cli, "http://127.0.0.1:" + Silent.PortText() + "/");
    EXPECT_EQ(F.Error, "Connection timed out (Error #10060)");
    EXPECT_EQ(F.Done, 1);
    EXPECT_EQ(Cli.State(), hcsReady);

    // One request at a time.
    Cli.URL = "http://127.0.0.1:" + Silent.PortText() + "/";
    Cli.GetASync();
    try {
        Cli.GetASync();
        ADD_FAILURE();
    } catch (const EHttpException &E) {
        EXPECT_EQ(E.ErrorCode, 1);
        EXPECT_EQ(E.Message(), "HTTP component is busy");
    }
    Cli.Abort();
    EXPECT_TRUE(WaitFor([&] { return Cli.State() == hcsReady; }));
    EXPECT_EQ(Cli.ReasonText(), "Request aborted");
}

// Misbehaving servers: a response cut short, not HTTP at all, longer than announced, or without
// end. Each ends the request as a failure whose reason says what happened, and what the client
// keeps stays within its limits.
TEST_F(HttpCliTest, MisbehavingServersEndAsFailuresWithinBounds)
{
    const int64_t MB = 1 << 20;
    const struct {
        const char *Path;
        const char *Error; // "" for a success
        const char *Body; // expected whole body, or nullptr when it is not checked
        int64_t MaxDocumentBytes = 0;
        int TotalTimeoutMs = 300000;
    } Cases[] = {
        {"/crafted/short0", "Connection closed after 0 of 1024 bytes", ""},
        {"/crafted/short39", "Connection closed after 39 of 1024 bytes", nullptr},
        {"/crafted/short419", "Connection closed after 419 of 1024 bytes", nullptr},
        {"/crafted/chunkcut", "Connection closed after 12 bytes, before the last chunk", "012345678901"},
        {"/crafted/chunknolast", "Connection closed after 10 bytes, before the last chunk", "0123456789"},
        {"/crafted/headercut", "Connection closed before the end of the header", ""},
        {"/crafted/garbage", "Not an HTTP response", ""},
        {"/crafted/binary", "Not an HTTP response", ""},
        {"/reset", "Connection reset by peer (Error #10054)", nullptr},
        // More than announced: the announced length, without waiting for the server to close.
        {"/crafted/long", "", "0123456789"},
        {"/crafted/manylines", "HTTP header longer than 1000 lines", ""},
        {"/crafted/biglines", "HTTP header longer than 262144 bytes", ""},
        {"/crafted/short419", "Document larger than 100 bytes", "", 100},
        {"/crafted/hugechunk", "Document larger than 1048576 bytes", nullptr, MB},
        {"/crafted/endless", "Document larger than 1048576 bytes", nullptr, MB},
        {"/crafted/trickle", "Request timed out after 1500 ms", nullptr, 0, 1500},
        {"/crafted/trickle", "Request timed out after 1 s", nullptr, 0, 1000},
    };
    for (const auto &C : Cases) {
        SCOPED_TRACE(C.Path);
        THttpCli Cli;
        Cli.TimeoutMs = 1000; // the trickle restarts it with every byte; the others never need it
        Cli.MaxDocumentBytes = C.MaxDocumentBytes;
        Cli.TotalTimeoutMs = C.TotalTimeoutMs;
        const Fetch F = Get(Cli, Servers->OwnUrl(C.Path));
        EXPECT_EQ(F.Error, C.Error);
        EXPECT_EQ(F.Done, 1);
        EXPECT_EQ(Cli.State(), hcsReady);
        if (*C.Error) {
            EXPECT_EQ(F.ErrorCode, 404);
            EXPECT_NE(Cli.RequestError(), 0);
        }
        if (C.Body) {
            EXPECT_EQ(F.Body, C.Body);
        }
        EXPECT_LE(Cli.ResponseHeader().Count(), Cli.MaxHeaderLines);
        if (C.MaxDocumentBytes > 0) {
            EXPECT_LE(static_cast<int64_t>(F.Body.size()), C.MaxDocumentBytes);
        }
        if (C.TotalTimeoutMs < 300000) {
            // Bytes kept coming: the request ended by its total time, long before the body's end.
            EXPECT_GT(Cli.ReceivedBytes(), 0);
            EXPECT_LT(Cli.ReceivedBytes(), 100);
        }
    }
}

TEST_F(HttpCliTest, SocketErrorsReachOnSocketError)
{
    THttpCli Cli;
    std::vector<std::string> Seen; // the reason as it stands when the event fires
    Cli.OnSocketError = [&](THttpCli *Sender) { Seen.push_back(Sender->ReasonText()); };
    Fetch F = Get(Cli, Servers->FilesUrl("/f1000.bin"));
    EXPECT_EQ(F.Error, "");
    EXPECT_TRUE(Seen.empty());
    F = Get(Cli, "http://127.0.0.1:99999999/");
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0], F.Error);
    EXPECT_NE(F.Error.find("Invalid Port"), std::string::npos) << F.Error;
    EXPECT_EQ(F.Done, 1);
}

TEST_F(HttpCliTest, ThroughTinyproxyWithAuthorisation)
{
    QTemporaryDir Dir;
    const int Port = UnusedPort();
    const std::string Conf = Dir.path().toStdString() + "/tinyproxy.conf";
    std::ofstream(Conf) << "Port " << Port << "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\n"
                        << "BasicAuth quill secret\nMaxClients 10\nLogLevel Critical\n";
    ServerProcess Proxy("tinyproxy", {"-d", "-c", QString::fromStdString(Conf)}, Port);
    ASSERT_TRUE(Proxy.Ready());
    THttpCli Cli;
    Cli.Proxy = "127.0.0.1";
    Cli.ProxyPort = std::to_string(Port);
    Fetch F = Get(Cli, Servers->FilesUrl("/f100000.bin"));
    EXPECT_EQ(F.Status, 407);
    Cli.ProxyUsername = "quill";
    Cli.ProxyPassword = "secret";
    for (int Round = 0; Round < 2; ++Round) {
        F = Get(Cli, Servers->FilesUrl("/f100000.bin"));
        EXPECT_EQ(F.Error, "");
        EXPECT_TRUE(F.Body == Servers->Bodies[3].second);
        EXPECT_EQ(F.DocumentName, "f100000.bin");
    }
}

TEST_F(HttpCliTest, ThroughSocksServers)
{
    QTemporaryDir Dir;
    const int DantePort = UnusedPort();
    const std::string Conf = Dir.path().toStdString() + "/sockd.conf";
    std::ofstream(Conf) << "logoutput: /dev/null\ninternal: 127.0.0.1 port = " << DantePort
                        << "\nexternal: 127.0.0.1\nclientmethod: none\nsocksmethod: none\n"
                        << "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                        << "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n";
    ServerProcess Dante("/usr/sbin/danted", {"-f", QString::fromStdString(Conf), "-N", "1"}, DantePort);
    const int PlainPort = UnusedPort();
    ServerProcess Plain("microsocks", {"-i", "127.0.0.1", "-p", QString::number(PlainPort)}, PlainPort);
    const int AuthPort = UnusedPort();
    ServerProcess Auth("microsocks",
                       {"-i", "127.0.0.1", "-p", QString::number(AuthPort), "-u", "quill", "-P", "secret"}, AuthPort);
    // Dante speaks no level 4A: a small relay of the test's own stands in for it.
    std::string Seen4A;
    TestPeer Socks4A([&](int Fd) {
        unsigned char Head[8];
        if (!ReadExact(Fd, Head, 8) || Head[0] != 4 || Head[1] != 1 || Head[4] || Head[5] || Head[6] || !Head[7])
            return;
        std::string User, Host;
        for (char C; ReadExact(Fd, &C, 1) && C;)
            User += C;
        for (char C; ReadExact(Fd, &C, 1) && C;)
            Host += C;
        Seen4A = User + "@" + Host;
        const int Target = ConnectLoopback((Head[2] << 8) | Head[3]);
        const unsigned char Reply[8] = {0, static_cast<unsigned char>(Target >= 0 ? 90 : 91), 0, 0, 0, 0, 0, 0};
        WriteAll(Fd, Reply, 8);
        if (Target >= 0) {
            Relay(Fd, Target);
            ::close(Target);
        }
    });
    ASSERT_TRUE(Dante.Ready());
    ASSERT_TRUE(Plain.Ready());
    ASSERT_TRUE(Auth.Ready());

    const struct {
        const char *Name;
        int Port;
        const char *Level;
        const char *User, *Password;
        bool Authenticate;
        const char *Error;
    } Cases[] = {
        {"socks4", DantePort, "4", "", "", false, ""},
        {"socks4 with user code", DantePort, "4", "someone", "", false, ""},
        {"socks4a", Socks4A.Port(), "4A", "someone", "", false, ""},
        {"socks5", PlainPort, "5", "", "", false, ""},
        {"socks5 offering a user to a server without users", PlainPort, "5", "quill", "secret", true,
         "authentification method not acceptable (SOCKS error #20003)"},
        {"socks5 with user", AuthPort, "5", "quill", "secret", true, ""},
        {"socks5 wrong password", AuthPort, "5", "quill", "wrong", true,
         "socks authentication failed (SOCKS error #20015)"},
        {"socks5 no method", AuthPort, "5", "", "", false,
         "authentification method not acceptable (SOCKS error #20003)"},
    };
    for (const auto &C : Cases) {
        SCOPED_TRACE(C.Name);
        THttpCli Cli;
        Cli.SocksServer = "127.0.0.1";
        Cli.SocksPort = std::to_string(C.Port);
        Cli.SocksLevel = C.Level;
        Cli.SocksUsercode = C.User;
        Cli.SocksPassword = C.Password;
        Cli.SocksAuthentication = C.Authenticate ? socksAuthenticateUsercode : socksNoAuthentication;
        std::vector<TSocksAuthState> AuthStates;
        Cli.OnSocksAuthState = [&](THttpCli *, TSocksAuthState S) { AuthStates.push_back(S); };
        // Twice: the settings hold for every connection, not only the first.
        for (int Round = 0; Round < 2; ++Round) {
            const Fetch F = Get(Cli, Servers->FilesUrl("/f100000.bin"));
            EXPECT_EQ(F.Error, C.Error);
            if (!*C.Error) {
                EXPECT_TRUE(F.Body == Servers->Bodies[3].second);
            }
            EXPECT_EQ(F.Done, 1);
        }
        if (std::string(C.Name) == "socks4a") {
            EXPECT_EQ(Seen4A, "someone@127.0.0.1");
        }
        if (std::string(C.Name) == "socks5 with user") {
            EXPECT_EQ(AuthStates, (std::vector<TSocksAuthState>{sasStarted, sasSucceeded, sasStarted, sasSucceeded}));
        }
    }
}

TEST(HttpCliSocks, Level5ReplyWithNameFollowedAtOnceByData)
{
    // A level-5 server that needs no authentication although it was offered, and that sends its
    // reply (address type 3) and the first answer bytes in one piece.
    std::string Request;
    TestPeer Server([&](int Fd) {
        unsigned char Greeting[3];
        if (!ReadExact(Fd, Greeting, 3))
            return;
        WriteAll(Fd, "\x05\x00", 2);
        unsigned char Head[5];
        if (!ReadExact(Fd, Head, 5))
            return;
        std::string Name(Head[4], '\0');
        unsigned char Port[2];
        ReadExact(Fd, Name.data(), Name.size());
        ReadExact(Fd, Port, 2);
        Request = Name + ":" + std::to_string((Port[0] << 8) | Port[1]);
        std::string Reply("\x05\x00\x00\x03\x0dproxy.example\x04\x38", 20);
        Reply += "HTTP/1.0 200 OK\r\n\r\nhello";
        WriteAll(Fd, Reply.data(), Reply.size());
        char Buf[4096];
        ::recv(Fd, Buf, sizeof Buf, 0);
    });
    THttpCli Cli;
    Cli.SocksServer = "127.0.0.1";
    Cli.SocksPort = Server.PortText();
    Cli.SocksAuthentication = socksAuthenticateUsercode;
    Cli.SocksUsercode = "quill";
    Cli.SocksPassword = "pw";
    std::vector<TSocksAuthState> States;
    Cli.OnSocksAuthState = [&](THttpCli *, TSocksAuthState S) { States.push_back(S); };
    const Fetch F = Get(Cli, "http://web.example:8080/page");
    EXPECT_EQ(F.Error, "");
    EXPECT_EQ(F.Body, "hello");
    EXPECT_EQ(Request, "web.example:8080");
    EXPECT_EQ(States, std::vector<TSocksAuthState>{sasNotRequired});
}
