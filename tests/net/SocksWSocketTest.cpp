// SOCKS negotiation against fake servers: every refusal reaches the user as a SOCKS error, a
// failed connect and a close with its number; level settings; over-long names are refused.
#include "NetTestSupport.h"
#include "net/WSocket.h"
#include <gtest/gtest.h>

using namespace nettest;

namespace {

struct Outcome {
    std::vector<std::string> Events;
    bool Closed = false;
};

Outcome Negotiate(int ServerPort, const char *Level, const std::string &Addr, bool Auth)
{
    Outcome O;
    TWSocket S;
    S.OnSocksError = [&](TCustomWSocket *, int E, const AnsiString &Msg) {
        O.Events.push_back("socks " + std::to_string(E) + " " + Msg);
    };
    S.OnSessionConnected = [&](TCustomWSocket *, uint16_t E) { O.Events.push_back("connected " + std::to_string(E)); };
    S.OnSessionClosed = [&](TCustomWSocket *, uint16_t E) {
        O.Events.push_back("closed " + std::to_string(E));
        O.Closed = true;
    };
    S.SetSocksServer("127.0.0.1");
    S.SetSocksPort(std::to_string(ServerPort));
    S.SetSocksLevel(Level);
    S.SocksUsercode = "user";
    S.SocksPassword = "pw";
    S.SocksAuthentication = Auth ? socksAuthenticateUsercode : socksNoAuthentication;
    S.SetAddr(Addr);
    S.SetPort("80");
    S.Connect();
    WaitFor([&] { return O.Closed; }, 5000);
    return O;
}

std::string Joined(const std::vector<std::string> &V)
{
    std::string S;
    for (const auto &L : V)
        S += L + "; ";
    return S;
}

} // namespace

TEST(SocksWSocket, RefusalsReachTheUserThreeTimes)
{
    const struct {
        const char *Name;
        const char *Level;
        bool Auth;
        std::vector<std::string> Replies; // one answer after each message the client sends
        const char *Events;
    } Cases[] = {
        {"level 4 rejected",
         "4",
         false,
         {std::string("\x00\x5b\0\0\0\0\0\0", 8)},
         "socks 20016 request rejected or failed; connected 20016; closed 20016; "},
        {"level 4 refused",
         "4",
         false,
         {std::string("\x00\x5c\0\0\0\0\0\0", 8)},
         "socks 20008 connection refused; connected 20008; closed 20008; "},
        {"level 4 unknown code",
         "4",
         false,
         {std::string("\x00\x63\0\0\0\0\0\0", 8)},
         "socks 20012 unassigned error #99; connected 20012; closed 20012; "},
        {"level 4 wrong version",
         "4",
         false,
         {std::string("\x04\x5a\0\0\0\0\0\0", 8)},
         "socks 20002 socks version error; connected 20002; closed 20002; "},
        {"level 5 wrong version",
         "5",
         false,
         {std::string("\x04\x00", 2)},
         "socks 20002 socks version error; connected 20002; closed 20002; "},
        {"level 5 method refused",
         "5",
         false,
         {std::string("\x05\xff", 2)},
         "socks 20003 authentification method not acceptable; connected 20003; closed 20003; "},
        {"level 5 host unreachable",
         "5",
         false,
         {std::string("\x05\x00", 2), std::string("\x05\x04\x00\x01", 4)},
         "socks 20007 host unreachable; connected 20007; closed 20007; "},
        {"level 5 code 9",
         "5",
         false,
         {std::string("\x05\x00", 2), std::string("\x05\x09\x00\x01", 4)},
         "socks 20012 unassigned error #9; connected 20012; closed 20012; "},
        {"level 5 address type 4",
         "5",
         false,
         {std::string("\x05\x00", 2), std::string("\x05\x00\x00\x04\0\0", 6)},
         "socks 20011 address type not supported; connected 20011; closed 20011; "},
        {"level 5 authentication failed",
         "5",
         true,
         {std::string("\x05\x02", 2), std::string("\x01\x01", 2)},
         "socks 20015 socks authentication failed; connected 20015; closed 20015; "},
    };
    for (const auto &C : Cases) {
        SCOPED_TRACE(C.Name);
        TestPeer Server([&](int Fd) {
            char Buf[512];
            for (const std::string &Reply : C.Replies) {
                if (::recv(Fd, Buf, sizeof Buf, 0) <= 0)
                    return;
                WriteAll(Fd, Reply.data(), Reply.size());
            }
            ReadAll(Fd);
        });
        const Outcome O = Negotiate(Server.Port(), C.Level, "10.1.2.3", C.Auth);
        EXPECT_EQ(Joined(O.Events), C.Events);
    }
}

TEST(SocksWSocket, LevelSettingAndOverlongNames)
{
    TWSocket S;
    S.SetSocksLevel("4a");
    EXPECT_EQ(S.SocksLevel(), "4A");
    try {
        S.SetSocksLevel("6");
        ADD_FAILURE();
    } catch (const ESocketException &E) {
        EXPECT_EQ(E.Message(), "Invalid socks level. Must be 4, 4A or 5.");
    }
    S.SetSocksServer("127.0.0.1");
    EXPECT_THROW(S.Listen(), ESocketException);

    // A name that no request can carry is refused before anything is sent for it.
    std::atomic<int> Requests{0};
    TestPeer Server([&](int Fd) {
        char Buf[1024];
        if (::recv(Fd, Buf, 3, 0) == 3) {
            WriteAll(Fd, "\x05\x00", 2);
            if (::recv(Fd, Buf, sizeof Buf, 0) > 0)
                ++Requests;
        }
        ReadAll(Fd);
    });
    const Outcome O = Negotiate(Server.Port(), "5", std::string(300, 'n'), false);
    EXPECT_EQ(Joined(O.Events), "socks 20014 socks request too long; connected 20014; closed 20014; ");
    EXPECT_EQ(Requests, 0);
}
