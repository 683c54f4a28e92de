#pragma once
// Socket error numbers and their texts, and the synchronous resolvers for hosts, ports and
// protocols. Error numbers keep the sockets library's numbering (10004..11004), which the
// components report in their events; POSIX errno values and resolver failures are mapped
// onto it.
#include "platform/Exception.h"
#include <cstdint>
#include <functional>
#include <vector>

QUILLMAR_EXCEPTION(ESocketException, Exception);

// Error numbers used by name in the socket layer.
enum : int {
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAEADDRINUSE = 10048,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSANOTINITIALISED = 10093,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
};

// The English text of a socket error number; "Not a WinSock error" for any other number.
AnsiString SocketErrorText(int Error);

// errno value -> socket error number (unknown values become WSAEINVAL's neighbour 10022 only
// when nothing closer exists).
int SocketErrorFromErrno(int Errno);
// getaddrinfo/getnameinfo result -> socket error number, read as the host look-up of the sockets
// library reports it: no such name 11001, try again 11002, a failure that will not pass 11003, a
// name known without an IPv4 address 11004; bad arguments, memory and EAI_SYSTEM (through Errno) go
// to the matching 100xx numbers.
int SocketErrorFromResolver(int GaiError, int Errno);

// What the resolver answered for a host name: getaddrinfo's result code (0 or an EAI_ value), errno
// when that is EAI_SYSTEM, and the IPv4 addresses found (network order).
struct THostAnswer {
    int GaiError = 0;
    int Errno = 0;
    std::vector<uint32_t> Addresses;
};
using THostResolver = std::function<THostAnswer(const AnsiString &Name)>;

// Asks the system (getaddrinfo, IPv4 stream addresses) for Name.
THostAnswer SystemHostResolver(const AnsiString &Name);
// The resolver host names are looked up with: the system's, unless a THostResolverScope replaced it.
THostResolver CurrentHostResolver();
// Name's addresses through Resolver, each once, in the resolver's order. Returns 0, or the socket
// error number of the failed look-up (an answer without any address is 11004, as EAI_NODATA).
int WSocketLookupHost(const THostResolver &Resolver, const AnsiString &Name, std::vector<uint32_t> &Addresses);

// For tests: host names are looked up by Resolver while the scope lives, so a test decides what
// the name service answers without depending on one.
class THostResolverScope {
public:
    explicit THostResolverScope(THostResolver Resolver);
    ~THostResolverScope();
    THostResolverScope(const THostResolverScope &) = delete;
    THostResolverScope &operator=(const THostResolverScope &) = delete;

private:
    THostResolver FOld;
};

// Four decimal numbers of at most 255 joined by three dots, blanks allowed around.
bool IsDottedAddress(const AnsiString &S);

// Network-order IPv4 address of a host name or dotted address (throws ESocketException).
uint32_t WSocketResolveHost(const AnsiString &Host);
// Host-order port of a number or service name for the given protocol (throws ESocketException).
uint16_t WSocketResolvePort(const AnsiString &Port, const AnsiString &Proto);
// Protocol number of a number or protocol name (throws ESocketException).
int WSocketResolveProto(const AnsiString &Proto);

// Dotted text of a network-order IPv4 address.
AnsiString WSocketAddrText(uint32_t NetAddr);
// Network-order address of dotted text; 0xFFFFFFFF (INADDR_NONE) when it does not convert.
uint32_t WSocketInetAddr(const AnsiString &S);

// The last socket error of the calling thread (set by the socket layer after every failed
// call, as the sockets library keeps it).
int WSocketLastError();
void WSocketSetLastError(int Error);
