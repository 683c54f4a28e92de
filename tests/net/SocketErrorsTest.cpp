// Error texts, errno mapping, the dotted-address test and the synchronous resolvers.
#include "net/SocketErrors.h"
#include <arpa/inet.h>
#include <cerrno>
#include <gtest/gtest.h>
#include <map>
#include <netdb.h>

TEST(SocketErrors, TextsOfKnownAndUnknownNumbers)
{
    const struct {
        int Error;
        const char *Text;
    } Cases[] = {
        {0, "No Error"},
        {10035, "Operation would block"},
        {10054, "Connection reset by peer"},
        {10057, "Socket is not connected"},
        {10061, "Connection refused"},
        {11001, "Host not found"},
        {11004, "No Data"},
        {12345, "Not a WinSock error"},
        {10000, "Not a WinSock error"},
        {-1, "Not a WinSock error"},
    };
    for (const auto &C : Cases)
        EXPECT_EQ(SocketErrorText(C.Error), C.Text) << C.Error;
}

TEST(SocketErrors, ErrnoValuesMapOntoSocketNumbers)
{
    const struct {
        int Errno;
        int Error;
    } Cases[] = {
        {ECONNREFUSED, 10061}, {ECONNRESET, 10054}, {EPIPE, 10054},      {EAGAIN, 10035},
        {EINPROGRESS, 10036},  {ENOTCONN, 10057},   {EADDRINUSE, 10048}, {ETIMEDOUT, 10060},
        {EHOSTUNREACH, 10065}, {EBADF, 10009},      {ENOTSOCK, 10038},   {EINTR, 10004},
    };
    for (const auto &C : Cases)
        EXPECT_EQ(SocketErrorFromErrno(C.Errno), C.Error) << C.Errno;
}

TEST(SocketErrors, ResolverResultsMapOntoSocketNumbers)
{
    const struct {
        int GaiError;
        int Errno;
        int Error;
    } Cases[] = {
        {0, 0, 0},
        {EAI_NONAME, 0, 11001},
        {EAI_AGAIN, 0, 11002},
        {EAI_FAIL, 0, 11003},
        // Known names without an IPv4 address.
        {EAI_NODATA, 0, 11004},
        {EAI_ADDRFAMILY, 0, 11004},
        {EAI_SERVICE, 0, 11004},
        {EAI_BADFLAGS, 0, 10022},
        {EAI_FAMILY, 0, 10047},
        {EAI_SOCKTYPE, 0, 10044},
        {EAI_MEMORY, 0, 10055},
        {EAI_OVERFLOW, 0, 10014},
        {EAI_INTR, 0, 10004},
        {EAI_SYSTEM, EMFILE, 10024},
        {EAI_SYSTEM, ECONNREFUSED, 10061},
        {-12345, 0, 11003},
    };
    for (const auto &C : Cases) {
        SCOPED_TRACE(gai_strerror(C.GaiError));
        EXPECT_EQ(SocketErrorFromResolver(C.GaiError, C.Errno), C.Error);
        EXPECT_NE(SocketErrorText(C.Error), "Not a WinSock error");
    }
}

TEST(SocketErrors, DottedAddressRecognition)
{
    const struct {
        const char *Text;
        bool Dotted;
    } Cases[] = {
        {"10.0.0.1", true},
        {"  127.0.0.1  ", true},
        {"255.255.255.255", true},
        {"0.0.0.0", true},
        {"300.1.1.1", false},
        {"1.2.3.256", false},
        {"1.2.3", false},
        {"1.2.3.4.5", false},
        {".1.2.3", false},
        {"1..2.3", false},
        {"1.2.3.", false},
        {"1.2.3.4x", false},
        {"1.2.3.4 x", false},
        {"host.example", false},
        {"", false},
        {"    ", false},
        // A long run of digits is refused, never wrapped round into a small number.
        {"1.2.3.99999999999999999999999999", false},
        {"4294967297.1.1.1", false},
    };
    for (const auto &C : Cases)
        EXPECT_EQ(IsDottedAddress(C.Text), C.Dotted) << '"' << C.Text << '"';
}

TEST(SocketErrors, ResolvePortNumbersNamesAndRefusals)
{
    EXPECT_EQ(WSocketResolvePort("80abc", "tcp"), 80);
    EXPECT_EQ(WSocketResolvePort("  8080", "tcp"), 8080);
    EXPECT_EQ(WSocketResolvePort("ftp", "tcp"), 21);
    EXPECT_EQ(WSocketResolvePort(" http ", "tcp"), 80);
    const struct {
        const char *Port;
        const char *Proto;
        const char *Message;
    } Refused[] = {
        {"", "tcp", "WSocketResolvePort: Invalid Port."},
        {"12345678901234567890123456789012", "tcp", "WSocketResolvePort: Invalid Port."},
        {"80", "", "WSocketResolvePort: Invalid Proto."},
        {"70000", "tcp", "WSocketResolvePort: Invalid Port."},
        {"no-such-service", "tcp", "WSocketResolvePort: Cannot convert port 'no-such-service', Error #11004"},
    };
    for (const auto &C : Refused) {
        try {
            WSocketResolvePort(C.Port, C.Proto);
            ADD_FAILURE() << C.Port;
        } catch (const ESocketException &E) {
            EXPECT_EQ(E.Message(), C.Message);
        }
    }
}

TEST(SocketErrors, ResolveProtoAndHost)
{
    EXPECT_EQ(WSocketResolveProto("tcp"), 6);
    EXPECT_EQ(WSocketResolveProto("udp"), 17);
    EXPECT_EQ(WSocketResolveProto("17"), 17);
    EXPECT_THROW(WSocketResolveProto(""), ESocketException);

    // Real look-ups only of what needs no name server.
    EXPECT_EQ(WSocketResolveHost("127.0.0.1"), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(WSocketResolveHost("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(WSocketAddrText(WSocketResolveHost("localhost")), "127.0.0.1");
    try {
        WSocketResolveHost("::1");
        ADD_FAILURE();
    } catch (const ESocketException &E) {
        EXPECT_EQ(E.Message(), "WSocketResolveHost: Cannot convert host address '::1', Error #11004");
    }

    // Every other answer comes from a name service this test plays.
    const std::map<AnsiString, THostAnswer> Answers = {
        {"no-such-host.invalid", {EAI_NONAME, 0, {}}},
        {"300.1.1.1", {EAI_NONAME, 0, {}}},
        {"busy.example", {EAI_AGAIN, 0, {}}},
        {"broken.example", {EAI_FAIL, 0, {}}},
        {"v6only.example", {EAI_NODATA, 0, {}}},
        {"nothing.example", {0, 0, {}}},
        {"two.example", {0, 0, {htonl(0x0A000002), htonl(0x0A000002), htonl(0x0A000003)}}},
    };
    std::vector<AnsiString> Asked;
    THostResolverScope Service([&](const AnsiString &Name) {
        Asked.push_back(Name);
        const auto Found = Answers.find(Name);
        return Found != Answers.end() ? Found->second : THostAnswer{EAI_NONAME, 0, {}};
    });
    EXPECT_EQ(WSocketAddrText(WSocketResolveHost(" two.example ")), "10.0.0.2");
    EXPECT_EQ(WSocketResolveHost("10.1.2.3"), htonl(0x0A010203)); // dotted: no name service asked
    EXPECT_EQ(Asked, std::vector<AnsiString>{"two.example"});
    const struct {
        std::string Host;
        std::string Message;
        int LastError;
    } Refused[] = {
        {"", "WSocketResolveHost: '' Invalid Hostname.", 0},
        {std::string(257, 'a'), "WSocketResolveHost: '" + std::string(257, 'a') + "' Invalid Hostname.", 0},
        // Not dotted (300 is too large), so the name service is asked and knows no such host.
        {"300.1.1.1", "WSocketResolveHost: Cannot convert host address '300.1.1.1', Error #11001", 11001},
        {"no-such-host.invalid", "WSocketResolveHost: Cannot convert host address 'no-such-host.invalid', Error #11001",
         11001},
        {"busy.example", "WSocketResolveHost: Cannot convert host address 'busy.example', Error #11002", 11002},
        {"broken.example", "WSocketResolveHost: Cannot convert host address 'broken.example', Error #11003", 11003},
        {"v6only.example", "WSocketResolveHost: Cannot convert host address 'v6only.example', Error #11004", 11004},
        // An answer without any address names a host known without data, as EAI_NODATA does.
        {"nothing.example", "WSocketResolveHost: Cannot convert host address 'nothing.example', Error #11004", 11004},
    };
    for (const auto &C : Refused) {
        WSocketSetLastError(0);
        try {
            WSocketResolveHost(C.Host);
            ADD_FAILURE() << C.Host;
        } catch (const ESocketException &E) {
            EXPECT_EQ(E.Message(), C.Message);
            EXPECT_EQ(WSocketLastError(), C.LastError) << C.Host;
        }
    }
}
