// Loopback throughput of the event-driven socket against nc moving the same bytes to and from
// the same peer in the same run: 4 MB and 64 MB, sending and receiving.
#include "bench/BenchSupport.h"
#include "net/WSocket.h"
#include <QCoreApplication>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// One connection at a time: either swallows everything (sink) or sends Size bytes and closes.
class Peer {
public:
    Peer(bool Sink, size_t Size) : FSink(Sink), FSize(Size)
    {
        FListen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in A{};
        A.sin_family = AF_INET;
        A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FListen, reinterpret_cast<sockaddr *>(&A), sizeof A);
        socklen_t Len = sizeof A;
        getsockname(FListen, reinterpret_cast<sockaddr *>(&A), &Len);
        FPort = ntohs(A.sin_port);
        ::listen(FListen, 4);
        FThread = std::thread([this] { Run(); });
    }
    ~Peer()
    {
        FStop = true;
        ::shutdown(FListen, SHUT_RDWR);
        ::close(FListen);
        FThread.join();
    }
    int Port() const { return FPort; }
    size_t LastCount() const { return FCount; }

private:
    void Run()
    {
        std::string Buf(1 << 16, 'x');
        for (;;) {
            const int Fd = ::accept(FListen, nullptr, nullptr);
            if (Fd < 0 || FStop)
                return;
            size_t Count = 0;
            if (FSink) {
                for (ssize_t N; (N = ::recv(Fd, Buf.data(), Buf.size(), 0)) > 0;)
                    Count += static_cast<size_t>(N);
            } else {
                while (Count < FSize) {
                    const ssize_t N = ::send(Fd, Buf.data(), std::min(Buf.size(), FSize - Count), MSG_NOSIGNAL);
                    if (N <= 0)
                        break;
                    Count += static_cast<size_t>(N);
                }
            }
            FCount = Count;
            ::close(Fd);
        }
    }
    bool FSink;
    size_t FSize;
    int FListen = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::atomic<size_t> FCount{0};
    std::thread FThread;
};

void SendWithSocket(int Port, size_t Size)
{
    TWSocket S;
    const std::string Block(1 << 20, 'y');
    size_t Sent = 0;
    bool Closed = false;
    auto Next = [&](TCustomWSocket *Sock) {
        if (Sent >= Size) {
            Sock->Close();
            return;
        }
        const size_t N = std::min(Block.size(), Size - Sent);
        Sent += N;
        Sock->Send(Block.data(), static_cast<int>(N));
    };
    S.OnSessionConnected = [&](TCustomWSocket *Sock, uint16_t) { Next(Sock); };
    S.OnDataSent = [&](TCustomWSocket *Sock, uint16_t) {
        if (Sock->State() == wsConnected)
            Next(Sock);
    };
    S.OnSessionClosed = [&](TCustomWSocket *, uint16_t) { Closed = true; };
    S.SetLingerOnOff(wsLingerOff);
    S.SetAddr("127.0.0.1");
    S.SetPort(std::to_string(Port));
    S.Connect();
    WSocketWaitUntil([&] { return Closed; }, 120000);
}

size_t ReceiveWithSocket(int Port)
{
    TWSocket S;
    size_t Got = 0;
    bool Closed = false;
    static char Buf[1 << 16];
    S.OnDataAvailable = [&](TCustomWSocket *Sock, uint16_t) {
        const int N = Sock->Receive(Buf, sizeof Buf);
        if (N > 0)
            Got += static_cast<size_t>(N);
    };
    S.OnSessionClosed = [&](TCustomWSocket *, uint16_t) { Closed = true; };
    S.SetAddr("127.0.0.1");
    S.SetPort(std::to_string(Port));
    S.Connect();
    WSocketWaitUntil([&] { return Closed; }, 120000);
    return Got;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication App(argc, argv);
    const std::string File = "/tmp/quillmar-socket-bench.bin";
    std::printf("%-28s %10s %10s %8s\n", "loopback transfer", "socket ms", "nc ms", "ratio");
    for (size_t Mb : {4, 64}) {
        const size_t Size = Mb << 20;
        {
            FILE *F = std::fopen(File.c_str(), "wb");
            const std::string Block(1 << 20, 'y');
            for (size_t I = 0; I < Mb; ++I)
                std::fwrite(Block.data(), 1, Block.size(), F);
            std::fclose(F);
        }
        Peer Sink(true, 0);
        const double Ours = bench::BestSeconds([&] { SendWithSocket(Sink.Port(), Size); });
        const std::string NcSend = "nc -N 127.0.0.1 " + std::to_string(Sink.Port()) + " < " + File;
        const double Nc = bench::BestSeconds([&] {
            if (std::system(NcSend.c_str()) != 0)
                std::fprintf(stderr, "nc failed\n");
        });
        std::printf("send %3zu MB (%zu bytes)%*s %10.1f %10.1f %8.2f\n", Mb, Sink.LastCount(), 1, "", Ours * 1000,
                    Nc * 1000, Ours / Nc);

        Peer Source(false, Size);
        size_t Got = 0;
        const double OursRecv = bench::BestSeconds([&] { Got = ReceiveWithSocket(Source.Port()); });
        const std::string NcRecv = "nc -d 127.0.0.1 " + std::to_string(Source.Port()) + " > /dev/null";
        const double NcR = bench::BestSeconds([&] {
            if (std::system(NcRecv.c_str()) != 0)
                std::fprintf(stderr, "nc failed\n");
        });
        std::printf("receive %3zu MB (%zu bytes) %10.1f %10.1f %8.2f\n", Mb, Got, OursRecv * 1000, NcR * 1000,
                    OursRecv / NcR);
    }
    std::remove(File.c_str());
    return 0;
}
