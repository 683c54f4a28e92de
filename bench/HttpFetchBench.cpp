// Fetching a 64 MB body from a local Python http.server with the HTTP client, side by side with
// curl fetching the same file from the same server in the same run.
#include "bench/BenchSupport.h"
#include "net/HttpProt.h"
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int FreePort()
{
    const int Fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(Fd, reinterpret_cast<sockaddr *>(&A), sizeof A);
    socklen_t Len = sizeof A;
    getsockname(Fd, reinterpret_cast<sockaddr *>(&A), &Len);
    ::close(Fd);
    return ntohs(A.sin_port);
}

bool Accepts(int Port)
{
    const int Fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_port = htons(static_cast<uint16_t>(Port));
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool Ok = ::connect(Fd, reinterpret_cast<sockaddr *>(&A), sizeof A) == 0;
    ::close(Fd);
    return Ok;
}

// Counts the body without keeping it, as curl -o /dev/null does.
class TNullStream : public TStream {
public:
    int64_t Read(void *, int64_t) override { return 0; }
    int64_t Write(const void *, int64_t Count) override
    {
        FSize += Count;
        return Count;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return FSize; }
    int64_t FSize = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication App(argc, argv);
    QTemporaryDir Dir;
    const size_t Size = 64u << 20;
    {
        std::ofstream Out(Dir.path().toStdString() + "/big.bin", std::ios::binary);
        const std::string Block(1 << 20, 'h');
        for (size_t I = 0; I < Size; I += Block.size())
            Out << Block;
    }
    const int Port = FreePort();
    QProcess Server;
    Server.setStandardErrorFile(QProcess::nullDevice());
    Server.start("/usr/bin/python3", {"-m", "http.server", "--bind", "127.0.0.1", "--directory", Dir.path(),
                                      QString::number(Port)});
    for (int I = 0; I < 500 && !Accepts(Port); ++I)
        ::usleep(20000);
    const std::string Url = "http://127.0.0.1:" + std::to_string(Port) + "/big.bin";

    int64_t Got = 0;
    const double Ours = bench::BestSeconds([&] {
        THttpCli Cli;
        TNullStream Sink;
        Cli.URL = Url;
        Cli.ReceiveStream = &Sink;
        Cli.Get();
        Got = Sink.FSize;
    });
    const double Curl = bench::BestSeconds([&] { bench::RunProgram({"curl", "-s", "-o", "/dev/null", Url}); });
    std::printf("HTTP GET 64 MB (%lld bytes): client %.1f ms, curl %.1f ms, ratio %.2f\n",
                static_cast<long long>(Got), Ours * 1000, Curl * 1000, Ours / Curl);
    Server.terminate();
    Server.waitForFinished(3000);
    return 0;
}
