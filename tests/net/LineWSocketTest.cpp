// Line mode: lines split across reads, partial reads, editing, the line limit, a last line
// without a line end, and the synchronous wait.
#include "NetTestSupport.h"
#include "net/WSocket.h"
#include <QTimer>
#include <gtest/gtest.h>

using namespace nettest;

namespace {

// A peer that writes the given pieces with a pause between them, then closes (after Hold ms).
TestPeer::Role Pieces(std::vector<std::string> Parts, int Hold = 0)
{
    return [Parts = std::move(Parts), Hold](int Fd) {
        for (const std::string &P : Parts) {
            WriteAll(Fd, P.data(), P.size());
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(Hold));
    };
}

struct LineClient {
    TWSocket S;
    std::vector<std::string> Lines;
    bool Closed = false;
    int ReadStep = 0; // read each line in pieces of this size (0: whole)

    explicit LineClient(int Port)
    {
        S.SetLineMode(true);
        S.OnDataAvailable = [this](TCustomWSocket *Sock, uint16_t) {
            std::string Line;
            if (ReadStep > 0) {
                char Buf[64];
                while (Sock->RcvdCount() > 0) {
                    const int N = Sock->Receive(Buf, std::min<int>(ReadStep, Sock->RcvdCount()));
                    Line.append(Buf, static_cast<size_t>(N));
                }
            } else {
                Line = Sock->ReceiveText();
            }
            Lines.push_back(Line);
        };
        S.OnSessionClosed = [this](TCustomWSocket *, uint16_t) { Closed = true; };
        S.SetAddr("127.0.0.1");
        S.SetPort(std::to_string(Port));
    }
};

} // namespace

TEST(LineWSocket, LinesSplitAcrossReadsAndALastLineWithoutEnd)
{
    const struct {
        std::vector<std::string> Parts;
        int ReadStep;
        std::vector<std::string> Lines;
    } Cases[] = {
        {{"abc\r", "\ndef\r\n"}, 0, {"abc\r\n", "def\r\n"}},
        {{"one\r\ntwo\r\nthr", "ee\r\n"}, 0, {"one\r\n", "two\r\n", "three\r\n"}},
        {{"longer line here\r\nnext\r\n"}, 3, {"longer line here\r\n", "next\r\n"}},
        {{"a\r\n", "xyz"}, 0, {"a\r\n", "xyz"}},
    };
    for (const auto &C : Cases) {
        TestPeer Peer(Pieces(C.Parts));
        LineClient Client(Peer.Port());
        Client.ReadStep = C.ReadStep;
        Client.S.Connect();
        ASSERT_TRUE(WaitFor([&] { return Client.Closed; }));
        EXPECT_EQ(Client.Lines, C.Lines);
    }
}

TEST(LineWSocket, LineEditRemovesBackspacedCharacters)
{
    TestPeer Peer(Pieces({"ab\bc\r\n", "x\ty\r\n"}));
    LineClient Client(Peer.Port());
    Client.S.LineEdit = true;
    Client.S.Connect();
    ASSERT_TRUE(WaitFor([&] { return Client.Closed; }));
    EXPECT_EQ(Client.Lines, (std::vector<std::string>{"ac\r\n", "x       y\r\n"}));
}

TEST(LineWSocket, LineEchoSendsTheBytesBack)
{
    std::string Echoed;
    TestPeer Peer([&](int Fd) {
        WriteAll(Fd, "hi\r\n", 4);
        char Buf[16];
        while (Echoed.size() < 4) {
            const ssize_t N = ::recv(Fd, Buf, sizeof Buf, 0);
            if (N <= 0)
                break;
            Echoed.append(Buf, static_cast<size_t>(N));
        }
    });
    LineClient Client(Peer.Port());
    Client.S.LineEcho = true;
    Client.S.Connect();
    ASSERT_TRUE(WaitFor([&] { return Client.Closed; }));
    EXPECT_EQ(Client.Lines, std::vector<std::string>{"hi\r\n"});
    EXPECT_EQ(Echoed, "hi\r\n");
}

TEST(LineWSocket, LineLimitDiscardsTheOverlongLine)
{
    TestPeer Peer(Pieces({std::string(40, 'z'), "tail\r\n"}));
    LineClient Client(Peer.Port());
    Client.S.LineLimit = 16;
    std::vector<int> Exceeded;
    Client.S.OnLineLimitExceeded = [&](TCustomWSocket *, int Count, bool &ClearData) {
        Exceeded.push_back(Count);
        EXPECT_TRUE(ClearData);
    };
    Client.S.Connect();
    ASSERT_TRUE(WaitFor([&] { return Client.Closed; }));
    EXPECT_EQ(Exceeded, std::vector<int>{40});
    EXPECT_EQ(Client.Lines, std::vector<std::string>{"tail\r\n"});
}

TEST(LineWSocket, SwitchingLineModeOffServesTheRestAsPlainData)
{
    TestPeer Peer(Pieces({"head\r\nbody bytes\r\nmore"}, 100));
    TWSocket S;
    S.SetLineMode(true);
    std::string Head, Body;
    bool Closed = false;
    S.OnDataAvailable = [&](TCustomWSocket *Sock, uint16_t) {
        if (Head.empty()) {
            Head = Sock->ReceiveText();
            static_cast<TWSocket *>(Sock)->SetLineMode(false);
            return;
        }
        Body += Sock->ReceiveText();
    };
    S.OnSessionClosed = [&](TCustomWSocket *, uint16_t) { Closed = true; };
    S.SetAddr("127.0.0.1");
    S.SetPort(Peer.PortText());
    S.Connect();
    ASSERT_TRUE(WaitFor([&] { return Closed; }));
    EXPECT_EQ(Head, "head\r\n");
    EXPECT_EQ(Body, "body bytes\r\nmore");
}

TEST(SyncWSocket, WaitEndsWhenDoneOrAtTheTimeLimit)
{
    TWSocket S;
    int Done = 0;
    QTimer::singleShot(20, [&] { Done = 1; });
    EXPECT_EQ(S.WaitForDone(Done), 0);
    S.WaitTime = 50;
    EXPECT_EQ(S.RunAndWait(nullptr, Done), WSocketWaitTimeout);
    EXPECT_EQ(S.RunAndWait([&] { Done = 1; }, Done), 0);
}
