// The event-driven socket on loopback: event sequences, property rules, name look-up and
// data integrity.
#include "NetTestSupport.h"
#include "net/WSocket.h"
#include "platform/Prompter.h"
#include <gtest/gtest.h>
#include <map>
#include <netdb.h>
#include <sys/socket.h>

using namespace nettest;

namespace {

// Records the events of a socket as short texts in order.
struct EventLog {
    std::vector<std::string> Lines;
    std::string Data;

    void Attach(TWSocket &S, bool ReadData = true)
    {
        S.OnChangeState = [this](TCustomWSocket *, TSocketState, TSocketState New) {
            Lines.push_back("state " + std::to_string(New));
        };
        S.OnSessionConnected = [this](TCustomWSocket *, uint16_t E) {
            Lines.push_back("connected " + std::to_string(E));
        };
        S.OnSessionClosed = [this](TCustomWSocket *, uint16_t E) { Lines.push_back("closed " + std::to_string(E)); };
        if (ReadData)
            S.OnDataAvailable = [this](TCustomWSocket *Sock, uint16_t) {
                char Buf[8192];
                const int N = Sock->Receive(Buf, sizeof Buf);
                if (N > 0)
                    Data.append(Buf, static_cast<size_t>(N));
            };
    }
    bool Has(const std::string &Line) const { return std::find(Lines.begin(), Lines.end(), Line) != Lines.end(); }
};

std::string JoinedLines(const std::vector<std::string> &V)
{
    std::string S;
    for (const auto &L : V)
        S += L + "; ";
    return S;
}

void ConnectTo(TWSocket &S, int Port)
{
    S.SetAddr("127.0.0.1");
    S.SetPort(std::to_string(Port));
    S.Connect();
}

} // namespace

TEST(WSockBuf, WritePeekRemoveKeepInvariants)
{
    TBuffer B(4);
    EXPECT_EQ(B.Write("abcdef", 6), 4);
    EXPECT_EQ(B.Write("x", 1), 0);
    int32_t Len;
    const uint8_t *P = B.Peek(Len);
    ASSERT_EQ(Len, 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(P), 4), "abcd");
    EXPECT_EQ(B.Remove(3), 3);
    B.SetBlockSize(8); // the unread byte survives
    P = B.Peek(Len);
    ASSERT_EQ(Len, 1);
    EXPECT_EQ(*P, 'd');
    EXPECT_EQ(B.Remove(10), 1);
    EXPECT_EQ(B.Peek(Len), nullptr);
    EXPECT_EQ(B.WrittenBytes(), 0); // an emptied block starts over
    TBuffer D(0);
    EXPECT_EQ(D.BlockSize(), 1514);
}

TEST(WSocket, ConnectRefusedReportsConnectedWithErrorThenClosed)
{
    TWSocket S;
    EventLog Log;
    Log.Attach(S);
    ConnectTo(S, UnusedPort());
    ASSERT_TRUE(WaitFor([&] { return S.State() == wsClosed && Log.Has("closed 0"); }));
    EXPECT_EQ(JoinedLines(Log.Lines), "state 1; state 3; state 4; connected 10061; state 7; closed 0; ");
    // The address and port must be given again after a close.
    try {
        S.Connect();
        ADD_FAILURE();
    } catch (const ESocketException &E) {
        EXPECT_EQ(E.Message(), "Connect: No Port Specified");
    }
}

TEST(WSocket, PeerCloseAndResetEndTheSession)
{
    const struct {
        bool Reset;
        const char *Closed;
    } Cases[] = {{false, "closed 0"}, {true, "closed 10054"}};
    for (const auto &C : Cases) {
        std::atomic<bool> Go{false};
        TestPeer Peer([&](int Fd) {
            WriteAll(Fd, "hello", 5);
            while (!Go)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (C.Reset) {
                linger L{1, 0};
                setsockopt(Fd, SOL_SOCKET, SO_LINGER, &L, sizeof L);
            }
        });
        TWSocket S;
        EventLog Log;
        Log.Attach(S);
        ConnectTo(S, Peer.Port());
        ASSERT_TRUE(WaitFor([&] { return Log.Data == "hello"; }));
        Go = true;
        ASSERT_TRUE(WaitFor([&] { return S.State() == wsClosed; })) << JoinedLines(Log.Lines);
        EXPECT_EQ(JoinedLines(Log.Lines),
                  std::string("state 1; state 3; state 4; connected 0; ") + C.Closed + "; state 7; ");
    }
}

TEST(WSocket, ListenAcceptDupAndExchange)
{
    TWSocket Server, Client, Served;
    Server.SetAddr("127.0.0.1");
    Server.SetPort("0");
    std::vector<std::string> ServerEvents;
    Server.OnSessionAvailable = [&](TCustomWSocket *Sender, uint16_t E) {
        ServerEvents.push_back("available " + std::to_string(E));
        Served.Dup(Sender->Accept());
    };
    Server.Listen();
    ASSERT_EQ(Server.State(), wsListening);
    const AnsiString Port = Server.BoundPort();
    ASSERT_NE(Port, "0");
    ASSERT_NE(Port, "error");

    std::string ServedData, ClientData;
    Served.OnDataAvailable = [&](TCustomWSocket *S, uint16_t) {
        const AnsiString T = S->ReceiveText();
        ServedData += T;
        S->SendText("echo:" + T);
    };
    Client.OnDataAvailable = [&](TCustomWSocket *S, uint16_t) { ClientData += S->ReceiveText(); };
    bool Connected = false;
    Client.OnSessionConnected = [&](TCustomWSocket *S, uint16_t E) {
        Connected = E == 0;
        S->SendText("ping");
    };
    ConnectTo(Client, std::stoi(Port));
    ASSERT_TRUE(WaitFor([&] { return ClientData == "echo:ping"; }));
    EXPECT_TRUE(Connected);
    EXPECT_EQ(ServerEvents, std::vector<std::string>{"available 0"});
    EXPECT_EQ(Served.State(), wsConnected);
    EXPECT_EQ(Served.PeerAddr(), "127.0.0.1");
    EXPECT_EQ(Client.PeerPort(), Port);

    // The served side ends the session: the client sees a clean close.
    bool ClientClosed = false;
    Client.OnSessionClosed = [&](TCustomWSocket *, uint16_t E) { ClientClosed = E == 0; };
    Served.SetLingerOnOff(wsLingerOff);
    Served.Close();
    ASSERT_TRUE(WaitFor([&] { return ClientClosed; }));
    EXPECT_EQ(Client.State(), wsClosed);
    Server.Close();
    EXPECT_EQ(Server.State(), wsClosed);
}

TEST(WSocket, FourMegabytesBothWaysIntact)
{
    const std::string Payload = PatternBytes(4 << 20, 7);
    std::string PeerGot;
    std::atomic<bool> PeerDone{false};
    TestPeer Peer([&](int Fd) {
        // Sends its own 4 MB while reading the client's 4 MB, then ends the session.
        std::thread Writer([&] { WriteAll(Fd, Payload.data(), Payload.size()); });
        char Buf[65536];
        while (PeerGot.size() < Payload.size()) {
            const ssize_t N = ::recv(Fd, Buf, sizeof Buf, 0);
            if (N <= 0)
                break;
            PeerGot.append(Buf, static_cast<size_t>(N));
        }
        Writer.join();
        PeerDone = true;
    });
    TWSocket S;
    EventLog Log;
    Log.Attach(S);
    int SentEvents = 0;
    S.OnDataSent = [&](TCustomWSocket *, uint16_t) { ++SentEvents; };
    S.OnSessionConnected = [&](TCustomWSocket *Sock, uint16_t) {
        // Uneven pieces, so blocks are split and joined in every way.
        for (size_t Off = 0; Off < Payload.size();) {
            const size_t N = std::min<size_t>(Payload.size() - Off, 100000 + Off % 777);
            Sock->Send(Payload.data() + Off, static_cast<int>(N));
            Off += N;
        }
    };
    int32_t ReadAtClose = -1;
    S.OnSessionClosed = [&](TCustomWSocket *Sock, uint16_t E) {
        ReadAtClose = Sock->ReadCount();
        Log.Lines.push_back("closed " + std::to_string(E));
    };
    ConnectTo(S, Peer.Port());
    ASSERT_TRUE(WaitFor([&] { return Log.Data.size() >= Payload.size() && PeerDone; }, 60000));
    EXPECT_TRUE(Log.Data == Payload);
    EXPECT_TRUE(PeerGot == Payload);
    EXPECT_GE(SentEvents, 1);
    ASSERT_TRUE(WaitFor([&] { return S.State() == wsClosed; }));
    EXPECT_TRUE(Log.Has("closed 0"));
    EXPECT_EQ(ReadAtClose, static_cast<int32_t>(Payload.size()));
}

TEST(WSocket, PropertyRulesAndErrorsWithAndWithoutOnError)
{
    TestPeer Peer([](int Fd) { ReadAll(Fd); });
    TWSocket S;
    ConnectTo(S, Peer.Port());
    // The same value is accepted while open; a different one is refused.
    EXPECT_NO_THROW(S.SetPort(Peer.PortText()));
    try {
        S.SetPort("1");
        ADD_FAILURE();
    } catch (const ESocketException &E) {
        EXPECT_EQ(E.Message(), "Cannot change Port if not closed");
    }
    EXPECT_THROW(S.SetAddr("10.0.0.9"), ESocketException);
    EXPECT_THROW(S.SetSendFlags(5), ESocketException);
    S.Abort();
    EXPECT_EQ(S.State(), wsClosed);

    TWSocket T;
    int Errors = 0;
    T.OnError = [&](TCustomWSocket *) { ++Errors; };
    EXPECT_EQ(T.Send("x", 1), -1);
    EXPECT_EQ(T.LastError(), 10057);
    T.Connect(); // no port: reported through OnError, no exception
    EXPECT_EQ(Errors, 2);
    TWSocket U;
    EXPECT_THROW(U.Send("x", 1), ESocketException);
    EXPECT_EQ(U.PeerAddr(), "error");
    EXPECT_EQ(U.BoundPort(), "error");
}

TEST(WSocket, NameLookups)
{
    TWSocket S;
    std::vector<int> Done;
    S.OnDnsLookupDone = [&](TCustomWSocket *, uint16_t E) { Done.push_back(E); };

    // A dotted address completes inside the call.
    S.DnsLookup("10.0.0.1");
    ASSERT_EQ(Done, std::vector<int>{0});
    EXPECT_EQ(S.DnsResult(), "10.0.0.1");
    EXPECT_EQ(S.DnsResultList().Count(), 1);

    Done.clear();
    S.DnsLookup("localhost");
    EXPECT_TRUE(Done.empty());
    ASSERT_TRUE(WaitFor([&] { return !Done.empty(); }));
    EXPECT_EQ(Done, std::vector<int>{0});
    EXPECT_EQ(S.DnsResult(), "127.0.0.1");

    // Other names are answered by a name service this test plays; localhost still by the system.
    const std::map<AnsiString, THostAnswer> Answers = {
        {"no-such-host.invalid", {EAI_NONAME, 0, {}}},
        {"busy.example", {EAI_AGAIN, 0, {}}},
        {"broken.example", {EAI_FAIL, 0, {}}},
        {"v6only.example", {EAI_NODATA, 0, {}}},
        {"nothing.example", {0, 0, {}}},
        {"two.example", {0, 0, {htonl(0x0A000002), htonl(0x0A000003), htonl(0x0A000002)}}},
    };
    THostResolverScope Service([&Answers](const AnsiString &Name) {
        if (Name == "localhost")
            return SystemHostResolver(Name);
        const auto Found = Answers.find(Name);
        return Found != Answers.end() ? Found->second : THostAnswer{EAI_NONAME, 0, {}};
    });
    const struct {
        const char *Name;
        int Error;
        const char *Text;
        std::vector<AnsiString> Results;
    } Cases[] = {
        {"no-such-host.invalid", 11001, "Host not found", {}},
        {"busy.example", 11002, "Non-authoritative host not found", {}},
        {"broken.example", 11003, "Non-recoverable error", {}},
        {"v6only.example", 11004, "No Data", {}},
        // A name found with an answer of no address is known without data, as v6only.example.
        {"nothing.example", 11004, "No Data", {}},
        {" two.example ", 0, "No Error", {"10.0.0.2", "10.0.0.3"}},
    };
    for (const auto &C : Cases) {
        SCOPED_TRACE(C.Name);
        Done.clear();
        S.DnsLookup(C.Name);
        EXPECT_TRUE(Done.empty());
        ASSERT_TRUE(WaitFor([&] { return !Done.empty(); }));
        EXPECT_EQ(Done, std::vector<int>{C.Error});
        EXPECT_EQ(SocketErrorText(Done[0]), C.Text);
        std::vector<AnsiString> Results;
        for (int I = 0; I < S.DnsResultList().Count(); ++I)
            Results.push_back(S.DnsResultList()[I]);
        EXPECT_EQ(Results, C.Results);
        EXPECT_EQ(S.DnsResult(), C.Results.empty() ? AnsiString() : C.Results.front());
    }

    // A second look-up replaces the first without a done event for it.
    Done.clear();
    S.DnsLookup("no-such-host.invalid");
    S.DnsLookup("localhost");
    ASSERT_TRUE(WaitFor([&] { return !Done.empty(); }));
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(Done, std::vector<int>{0});

    // Cancelling reports 10004.
    Done.clear();
    S.DnsLookup("localhost");
    S.CancelLookup();
    EXPECT_EQ(Done, std::vector<int>{10004});
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(Done, std::vector<int>{10004});

    // A socket destroyed while its look-up runs gets no late event.
    {
        TWSocket Gone;
        Gone.OnDnsLookupDone = [&](TCustomWSocket *, uint16_t) { Done.push_back(-1); };
        Gone.DnsLookup("localhost");
    }
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(Done, std::vector<int>{10004});

    EXPECT_THROW(S.DnsLookup(""), ESocketException);
}

TEST(WSocket, BackgroundExceptionAbortsTheConnection)
{
    TestPeer Peer([](int Fd) {
        WriteAll(Fd, "x", 1);
        ReadAll(Fd);
    });
    TWSocket S;
    std::string Seen;
    S.OnDataAvailable = [](TCustomWSocket *, uint16_t) { throw Exception("handler failed"); };
    S.OnBgException = [&](TCustomWSocket *, const Exception &E, bool &CanClose) {
        Seen = E.Message();
        CanClose = true;
    };
    ConnectTo(S, Peer.Port());
    ASSERT_TRUE(WaitFor([&] { return S.State() == wsClosed; }));
    EXPECT_EQ(Seen, "handler failed");
}

TEST(WSocket, AFailingBackgroundExceptionHandlerIsShownAndTheConnectionStillCloses)
{
    TestPeer Peer([](int Fd) {
        WriteAll(Fd, "x", 1);
        ReadAll(Fd);
    });
    TScriptedPrompter Prompts;
    TPrompterScope Scope(Prompts);
    TWSocket S;
    S.OnDataAvailable = [](TCustomWSocket *, uint16_t) { throw Exception("handler failed"); };
    S.OnBgException = [&](TCustomWSocket *, const Exception &E, bool &) {
        throw Exception("Cannot log \"" + E.Message() + "\" to /var/log/j\xC3\xBCrgen.log");
    };
    ConnectTo(S, Peer.Port());
    ASSERT_TRUE(WaitFor([&] { return S.State() == wsClosed; }));
    ASSERT_EQ(Prompts.Asked().size(), 1u);
    EXPECT_EQ(Prompts.Asked()[0].Kind, TMsgDlgType::mtError);
    EXPECT_EQ(Prompts.Asked()[0].Text, u"Cannot log \"handler failed\" to /var/log/j\u00FCrgen.log");
}

TEST(WSocket, DatagramsPauseResumeAndReverseLookup)
{
    // A datagram "listener" is connected at once and reads with ReceiveFrom.
    TWSocket Server;
    Server.SetProto("udp");
    Server.SetAddr("127.0.0.1");
    Server.SetPort("0");
    std::string Got;
    sockaddr_in From{};
    Server.OnDataAvailable = [&](TCustomWSocket *S, uint16_t) {
        char Buf[2048];
        const int N = S->ReceiveFrom(Buf, sizeof Buf, From);
        if (N > 0)
            Got.append(Buf, static_cast<size_t>(N));
    };
    Server.Listen();
    ASSERT_EQ(Server.State(), wsConnected);

    TWSocket Client;
    Client.SetProto("udp");
    Client.SetAddr("127.0.0.1");
    Client.SetPort(Server.BoundPort());
    Client.Connect();
    ASSERT_EQ(Client.State(), wsConnected);
    EXPECT_EQ(Client.SendText("one"), 3);
    ASSERT_TRUE(WaitFor([&] { return Got == "one"; }));
    EXPECT_EQ(ntohs(From.sin_port), std::stoi(Client.BoundPort()));

    // While paused nothing is delivered; resuming delivers what waited.
    Server.Pause();
    Client.SendText("two");
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(Got, "one");
    Server.Resume();
    ASSERT_TRUE(WaitFor([&] { return Got == "onetwo"; }));

    std::vector<int> Done;
    Client.OnDnsLookupDone = [&](TCustomWSocket *, uint16_t E) { Done.push_back(E); };
    Client.ReverseDnsLookup("127.0.0.1");
    ASSERT_TRUE(WaitFor([&] { return !Done.empty(); }));
    EXPECT_EQ(Done[0], 0);
    EXPECT_EQ(Client.DnsResult(), "localhost");
}
