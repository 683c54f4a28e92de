// Fetching a 64 MB body from a local Python http.server with the HTTP client, side by side with
// curl fetching the same file from the same server in the same run.
#include "bench/BenchSupport.h"
#include "bench/NetBenchSupport.h"
#include "net/HttpProt.h"
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>

using nettest::TNullStream;

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
    const int Port = nettest::UnusedPort();
    nettest::ServerProcess Server(
        QStringLiteral("/usr/bin/python3"),
        QStringList{"-m", "http.server", "--bind", "127.0.0.1", "--directory", Dir.path(), QString::number(Port)},
        Port);
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
    std::printf("HTTP GET 64 MB (%lld bytes): client %.1f ms, curl %.1f ms, ratio %.2f\n", static_cast<long long>(Got),
                Ours * 1000, Curl * 1000, Ours / Curl);
    return 0;
}
