// libFuzzer target for the HTTP and FTP clients fed by a server: the first byte of the input
// chooses the client (even: HTTP, odd: FTP), the rest is what a server on loopback sends it - the
// HTTP response after the request, or the FTP control stream from the banner on - in pieces whose
// sizes the second byte chooses. Each run is bounded by the clients' own limits.
#include "net/FtpCli.h"
#include "net/HttpProt.h"
#include "tests/net/NetTestSupport.h"
#include <QCoreApplication>
#include <algorithm>

using namespace nettest;

namespace {

void SendInPieces(int Fd, const std::string &Bytes, size_t Piece)
{
    for (size_t I = 0; I < Bytes.size(); I += Piece)
        if (!WriteAll(Fd, Bytes.data() + I, std::min(Piece, Bytes.size() - I)))
            return;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    static int Argc = 1;
    static char Arg0[] = "fuzz_net_server";
    static char *Argv[] = {Arg0, nullptr};
    static QCoreApplication App(Argc, Argv);
    if (Size < 2)
        return 0;
    const bool Ftp = Data[0] & 1;
    const size_t Piece = 1 + Data[1] * 37u;
    const std::string Bytes(reinterpret_cast<const char *>(Data) + 2, Size - 2);

    TestPeer Server([&](int Fd) {
        if (!Ftp)
            ReadRequestHead(Fd); // the request first
        SendInPieces(Fd, Bytes, Piece);
        ::shutdown(Fd, SHUT_WR);
        ReadAll(Fd);
    });
    if (!Ftp) {
        THttpCli Cli;
        TMemoryStream Body;
        Cli.URL = "http://127.0.0.1:" + Server.PortText() + "/doc.htm";
        Cli.ReceiveStream = &Body;
        Cli.TimeoutMs = 2000;
        Cli.TotalTimeoutMs = 5000;
        Cli.MaxDocumentBytes = 1 << 20;
        Cli.MaxRelocations = 2;
        Cli.GetASync();
        WSocketWaitUntil([&] { return Cli.State() == hcsReady; }, 10000);
        Cli.Abort();
    } else {
        TFtpClient Cli;
        Cli.HostName = "127.0.0.1";
        Cli.Port = Server.PortText();
        Cli.UserName = "user";
        Cli.PassWord = "pw";
        Cli.HostDirName = "/dir";
        Cli.Timeout = 3;
        Cli.Open();
        Cli.Quit();
        Cli.Abort();
    }
    return 0;
}
