#pragma once
// Socket error numbers and their texts, and the synchronous resolvers for hosts, ports and
// protocols. Error numbers keep the sockets library's numbering (10004..11004), which the
// components report in their events; POSIX errno values and resolver failures are mapped
// onto it.
#include "platform/Exception.h"
#include <cstdint>

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
// getaddrinfo/getnameinfo result -> socket error number.
int SocketErrorFromResolver(int GaiError, int Errno);

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
