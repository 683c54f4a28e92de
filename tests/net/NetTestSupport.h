#pragma once
// Helpers of the network tests: a small threaded TCP peer on 127.0.0.1 that plays a scripted
// role, a free-port finder, and an event-loop wait with a time limit.
#include "net/WSocket.h"
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace nettest {

// 127.0.0.1:Port as a socket address (port 0: any free one).
inline sockaddr_in LoopbackAddress(int Port = 0)
{
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_port = htons(static_cast<uint16_t>(Port));
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return A;
}

// Runs the event loop until Done() holds or Ms passed; true when Done() held.
inline bool WaitFor(const std::function<bool()> &Done, int Ms = 10000)
{
    return WSocketWaitUntil(Done, Ms) == 0;
}

// Blocking helpers for the peer side.
inline bool WriteAll(int Fd, const void *Data, size_t Len)
{
    const auto *P = static_cast<const char *>(Data);
    while (Len > 0) {
        const ssize_t N = ::send(Fd, P, Len, MSG_NOSIGNAL);
        if (N <= 0)
            return false;
        P += N;
        Len -= static_cast<size_t>(N);
    }
    return true;
}

inline std::string ReadAll(int Fd)
{
    std::string Out;
    char Buf[65536];
    for (;;) {
        const ssize_t N = ::recv(Fd, Buf, sizeof Buf, 0);
        if (N <= 0)
            return Out;
        Out.append(Buf, static_cast<size_t>(N));
    }
}

// A listening socket on 127.0.0.1 with a free port; each accepted connection runs Role on a
// thread of its own (the descriptor is closed after Role returns unless Role closed it and
// returned true).
class TestPeer {
public:
    using Role = std::function<void(int Fd)>;

    explicit TestPeer(Role R) : FRole(std::move(R))
    {
        FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int One = 1;
        setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &One, sizeof One);
        sockaddr_in A = LoopbackAddress();
        bind(FListen, reinterpret_cast<sockaddr *>(&A), sizeof A);
        socklen_t Len = sizeof A;
        getsockname(FListen, reinterpret_cast<sockaddr *>(&A), &Len);
        FPort = ntohs(A.sin_port);
        ::listen(FListen, 16);
        FThread = std::thread([this]() {
            for (;;) {
                const int Fd = ::accept(FListen, nullptr, nullptr);
                if (Fd < 0 || FStop)
                    return;
                ++FAccepted;
                FWorkers.emplace_back([this, Fd]() {
                    FRole(Fd);
                    ::close(Fd);
                });
            }
        });
    }
    ~TestPeer()
    {
        FStop = true;
        ::shutdown(FListen, SHUT_RDWR);
        ::close(FListen);
        FThread.join();
        for (std::thread &T : FWorkers)
            T.join();
    }
    TestPeer(const TestPeer &) = delete;
    TestPeer &operator=(const TestPeer &) = delete;

    int Port() const { return FPort; }
    std::string PortText() const { return std::to_string(FPort); }
    int Accepted() const { return FAccepted; }

private:
    Role FRole;
    int FListen = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::atomic<int> FAccepted{0};
    std::thread FThread;
    std::vector<std::thread> FWorkers;
};

// A port nothing listens on, for a server this test starts next. It is taken below the kernel's
// range of ephemeral ports, so that no outgoing connection of any process (ctest runs many at
// once) is given it before the server binds it, and each process starts its walk at a place of
// its own, so that two processes do not pick the same one.
inline int UnusedPort()
{
    constexpr int First = 20000, Count = 12000;
    static int Next = int((unsigned(::getpid()) * 97u) % unsigned(Count));
    for (int Tries = 0; Tries < Count; ++Tries) {
        const int Port = First + Next;
        Next = (Next + 1) % Count;
        const int Fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in A = LoopbackAddress(Port);
        const bool Free = ::bind(Fd, reinterpret_cast<sockaddr *>(&A), sizeof A) == 0;
        ::close(Fd);
        if (Free)
            return Port;
    }
    return 0;
}

// Reads a request up to the blank line that ends its header.
inline std::string ReadRequestHead(int Fd)
{
    std::string Request;
    char C;
    while (Request.find("\r\n\r\n") == std::string::npos && ::recv(Fd, &C, 1, 0) == 1)
        Request += C;
    return Request;
}

// The server's side of one HTTP connection that never ends on its own: the request is read, a
// document of 1000 bytes announced, and one byte of it sent every 100 ms, so that no idle
// time-out of the client ever ends the request. It stops when the client has gone (or after a
// minute).
inline void DripHttpDocument(int Fd)
{
    ReadRequestHead(Fd);
    const std::string Head = "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n";
    if (!WriteAll(Fd, Head.data(), Head.size()))
        return;
    for (int I = 0; I < 600; ++I) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!WriteAll(Fd, "x", 1))
            return;
    }
}

// Bytes with a pattern that shows shifted, lost or repeated blocks.
inline std::string PatternBytes(size_t Size, uint32_t Seed = 1)
{
    std::string S(Size, '\0');
    uint32_t X = Seed;
    for (size_t I = 0; I < Size; ++I) {
        X = X * 1664525u + 1013904223u;
        S[I] = static_cast<char>(X >> 24);
    }
    return S;
}

} // namespace nettest

#include <poll.h>

namespace nettest {

// Copies bytes both ways between two connected descriptors until either side ends.
inline void Relay(int A, int B)
{
    pollfd P[2] = {{A, POLLIN, 0}, {B, POLLIN, 0}};
    char Buf[65536];
    for (;;) {
        if (::poll(P, 2, 10000) <= 0)
            return;
        for (int I = 0; I < 2; ++I) {
            if (P[I].revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t N = ::recv(P[I].fd, Buf, sizeof Buf, 0);
                if (N <= 0 || !WriteAll(P[1 - I].fd, Buf, static_cast<size_t>(N)))
                    return;
            }
        }
    }
}

// Connects to 127.0.0.1:Port; -1 on failure.
inline int ConnectLoopback(int Port)
{
    const int Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in A = LoopbackAddress(Port);
    if (::connect(Fd, reinterpret_cast<sockaddr *>(&A), sizeof A) != 0) {
        ::close(Fd);
        return -1;
    }
    return Fd;
}

// Reads exactly N bytes (false at the end of the stream).
inline bool ReadExact(int Fd, void *Buf, size_t N)
{
    auto *P = static_cast<char *>(Buf);
    while (N > 0) {
        const ssize_t Got = ::recv(Fd, P, N, 0);
        if (Got <= 0)
            return false;
        P += Got;
        N -= static_cast<size_t>(Got);
    }
    return true;
}

} // namespace nettest
