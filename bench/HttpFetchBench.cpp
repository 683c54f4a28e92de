// Fetching a 64 MB body over loopback with the HTTP client and with libcurl's easy interface in
// the same process, in interleaved pairs, from a server that sends with sendfile.
#include "bench/NetBenchSupport.h"
#include "net/HttpProt.h"

using namespace nettest;

int main(int argc, char **argv)
{
    QCoreApplication App(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const size_t Size = 64u << 20;
    TSendfileServer Server("http", Size);
    if (!Server.Server->Ready()) {
        std::printf("HTTP GET 64 MB: the sendfile server did not start\n");
        return 1;
    }
    const std::string Url = "http://127.0.0.1:" + std::to_string(Server.Port) + "/big.bin";
    int64_t Ours = 0, Theirs = 0;
    const int Pairs = 21;
    const TPairedRatio R = PairedRuns(
        [&] {
            THttpCli Cli;
            TNullStream Sink;
            Cli.URL = Url;
            Cli.ReceiveStream = &Sink;
            Cli.Get();
            Ours = Sink.FSize;
        },
        [&] { Theirs = CurlFetch(Url); }, Pairs);
    PrintPairedRatio("HTTP GET 64 MB", R, Pairs);
    curl_global_cleanup();
    if (Ours != static_cast<int64_t>(Size) || Theirs != static_cast<int64_t>(Size)) {
        std::printf("  wrong sizes: ours %lld, libcurl %lld\n", static_cast<long long>(Ours),
                    static_cast<long long>(Theirs));
        return 1;
    }
    return 0;
}
