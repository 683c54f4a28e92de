#include "net/SocketErrors.h"
#include "platform/SysUtils.h"
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <utility>

namespace {

thread_local int LastSocketError = 0;

struct ErrorText {
    int Error;
    const char *Text;
};

constexpr ErrorText kErrorTexts[] = {
    {0, "No Error"},
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Protocol not available"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Address not available"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Network dropped connection on reset"},
    {10053, "Connection aborted"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references: can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10066, "Directory not empty"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disc quota exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Network sub-system is unusable"},
    {10092, "WinSock DLL cannot support this application"},
    {10093, "WinSock not initialized"},
    {11001, "Host not found"},
    {11002, "Non-authoritative host not found"},
    {11003, "Non-recoverable error"},
    {11004, "No Data"},
};

struct ErrnoMap {
    int Errno;
    int Error;
};

constexpr ErrnoMap kErrnoMap[] = {
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EPERM, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    {EAGAIN, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    // A send on a connection the peer has dropped: reported as the reset it is.
    {EPIPE, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
    {EUSERS, 10068},
    {EDQUOT, 10069},
    {ESTALE, 10070},
    {EREMOTE, 10071},
};

AnsiString Trimmed(const AnsiString &S)
{
    return Trim(S);
}

bool StartsWithDigit(const AnsiString &S)
{
    return !S.empty() && S[0] >= '0' && S[0] <= '9';
}

} // namespace

AnsiString SocketErrorText(int Error)
{
    for (const ErrorText &E : kErrorTexts)
        if (E.Error == Error)
            return E.Text;
    return "Not a WinSock error";
}

int SocketErrorFromErrno(int Errno)
{
    if (Errno == EWOULDBLOCK)
        return WSAEWOULDBLOCK;
    for (const ErrnoMap &M : kErrnoMap)
        if (M.Errno == Errno)
            return M.Error;
    return WSAEINVAL;
}

int SocketErrorFromResolver(int GaiError, int Errno)
{
    switch (GaiError) {
    case 0: return 0;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_FAIL: return WSANO_RECOVERY;
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
    case EAI_SERVICE:
        // The name is known but has no IPv4 address (only IPv6 ones, or none at all). A host look-up
        // names no service; an unknown service is 11004 as in WSocketResolvePort.
        return WSANO_DATA;
    case EAI_BADFLAGS: return WSAEINVAL;
    case EAI_FAMILY: return 10047;
    case EAI_SOCKTYPE: return 10044;
    case EAI_MEMORY: return 10055;
    case EAI_OVERFLOW: return WSAEFAULT;
#ifdef EAI_INTR
    case EAI_INTR: return WSAEINTR;
#endif
    case EAI_SYSTEM: return SocketErrorFromErrno(Errno);
    // Anything else (a code of a newer C library) cannot be mended by asking again.
    default: return WSANO_RECOVERY;
    }
}

namespace {

std::mutex ResolverMutex;

THostResolver &ResolverInUse()
{
    static THostResolver resolver = SystemHostResolver;
    return resolver;
}

} // namespace

THostAnswer SystemHostResolver(const AnsiString &Name)
{
    addrinfo Hints{};
    Hints.ai_family = AF_INET;
    Hints.ai_socktype = SOCK_STREAM;
    addrinfo *List = nullptr;
    THostAnswer Answer;
    Answer.GaiError = getaddrinfo(Name.c_str(), nullptr, &Hints, &List);
    Answer.Errno = errno;
    if (Answer.GaiError != 0)
        return Answer;
    for (const addrinfo *A = List; A; A = A->ai_next)
        Answer.Addresses.push_back(reinterpret_cast<const sockaddr_in *>(A->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(List);
    return Answer;
}

THostResolver CurrentHostResolver()
{
    std::lock_guard<std::mutex> Lock(ResolverMutex);
    return ResolverInUse();
}

int WSocketLookupHost(const THostResolver &Resolver, const AnsiString &Name, std::vector<uint32_t> &Addresses)
{
    Addresses.clear();
    const THostAnswer Answer = Resolver(Name);
    if (Answer.GaiError != 0)
        return SocketErrorFromResolver(Answer.GaiError, Answer.Errno);
    for (uint32_t A : Answer.Addresses)
        if (std::find(Addresses.begin(), Addresses.end(), A) == Addresses.end())
            Addresses.push_back(A);
    // The name was found, but its answer holds no address: known without data, as EAI_NODATA.
    return Addresses.empty() ? WSANO_DATA : 0;
}

THostResolverScope::THostResolverScope(THostResolver Resolver)
{
    std::lock_guard<std::mutex> Lock(ResolverMutex);
    FOld = std::exchange(ResolverInUse(), std::move(Resolver));
}

THostResolverScope::~THostResolverScope()
{
    std::lock_guard<std::mutex> Lock(ResolverMutex);
    ResolverInUse() = std::move(FOld);
}

int WSocketLastError()
{
    return LastSocketError;
}
void WSocketSetLastError(int Error)
{
    LastSocketError = Error;
}

bool IsDottedAddress(const AnsiString &S)
{
    size_t I = 0;
    const size_t N = S.size();
    while (I < N && S[I] == ' ')
        ++I;
    if (I >= N || S[I] == '.')
        return false;
    int Dots = 0;
    int Number = 0;
    bool Digit = false;
    for (; I < N; ++I) {
        const char C = S[I];
        if (C == '.') {
            if (!Digit || ++Dots > 3)
                return false;
            Number = 0;
            Digit = false;
        } else if (C >= '0' && C <= '9') {
            // The number is checked at every digit, so a long run of digits can never overflow.
            Number = Number * 10 + (C - '0');
            if (Number > 255)
                return false;
            Digit = true;
        } else {
            break;
        }
    }
    for (; I < N; ++I)
        if (S[I] != ' ')
            return false;
    return Dots == 3 && Digit;
}

AnsiString WSocketAddrText(uint32_t NetAddr)
{
    char Buf[INET_ADDRSTRLEN] = {};
    in_addr A{};
    A.s_addr = NetAddr;
    inet_ntop(AF_INET, &A, Buf, sizeof Buf);
    return Buf;
}

uint32_t WSocketInetAddr(const AnsiString &S)
{
    if (!IsDottedAddress(S))
        return INADDR_NONE;
    uint32_t Parts[4] = {};
    int Index = 0;
    for (char C : Trimmed(S)) {
        if (C == '.')
            ++Index;
        else
            Parts[Index] = Parts[Index] * 10 + static_cast<uint32_t>(C - '0');
    }
    return htonl((Parts[0] << 24) | (Parts[1] << 16) | (Parts[2] << 8) | Parts[3]);
}

uint32_t WSocketResolveHost(const AnsiString &Host)
{
    if (Host.empty() || Host.size() > 256)
        throw ESocketException("WSocketResolveHost: '" + Host + "' Invalid Hostname.");
    const AnsiString Name = Trimmed(Host);
    if (IsDottedAddress(Name)) {
        const uint32_t Addr = WSocketInetAddr(Name);
        if (Addr == INADDR_NONE && Name != "255.255.255.255")
            throw ESocketException("WSocketResolveHost: '" + Host + "' Invalid IP address.");
        return Addr;
    }
    std::vector<uint32_t> Addresses;
    const int Error = WSocketLookupHost(CurrentHostResolver(), Name, Addresses);
    if (Error != 0) {
        WSocketSetLastError(Error);
        throw ESocketException("WSocketResolveHost: Cannot convert host address '" + Host + "', Error #" +
                               IntToStr(Error));
    }
    return Addresses.front();
}

uint16_t WSocketResolvePort(const AnsiString &Port, const AnsiString &Proto)
{
    if (Port.empty() || Port.size() >= 32)
        throw ESocketException("WSocketResolvePort: Invalid Port.");
    if (Proto.empty() || Proto.size() >= 32)
        throw ESocketException("WSocketResolvePort: Invalid Proto.");
    size_t I = 0;
    while (I < Port.size() && Port[I] == ' ')
        ++I;
    if (I < Port.size() && Port[I] >= '0' && Port[I] <= '9') {
        uint32_t Value = 0;
        for (; I < Port.size() && Port[I] >= '0' && Port[I] <= '9'; ++I) {
            Value = Value * 10 + static_cast<uint32_t>(Port[I] - '0');
            if (Value > 0xFFFF)
                throw ESocketException("WSocketResolvePort: Invalid Port.");
        }
        return static_cast<uint16_t>(Value);
    }
    const AnsiString Name = Trimmed(Port);
    const AnsiString ProtoName = Trimmed(Proto);
    servent Entry{};
    servent *Found = nullptr;
    char Buf[1024];
    if (getservbyname_r(Name.c_str(), ProtoName.c_str(), &Entry, Buf, sizeof Buf, &Found) != 0 || !Found) {
        WSocketSetLastError(WSANO_DATA);
        throw ESocketException("WSocketResolvePort: Cannot convert port '" + Port + "', Error #" +
                               IntToStr(WSANO_DATA));
    }
    return ntohs(static_cast<uint16_t>(Found->s_port));
}

int WSocketResolveProto(const AnsiString &Proto)
{
    if (Proto.empty() || Proto.size() >= 32)
        throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    const AnsiString Name = Trimmed(Proto);
    if (StartsWithDigit(Name)) {
        int Value = 0;
        for (size_t I = 0; I < Name.size() && Name[I] >= '0' && Name[I] <= '9'; ++I) {
            Value = Value * 10 + (Name[I] - '0');
            if (Value > 0xFFFF)
                break;
        }
        return Value;
    }
    protoent Entry{};
    protoent *Found = nullptr;
    char Buf[1024];
    if (getprotobyname_r(Name.c_str(), &Entry, Buf, sizeof Buf, &Found) != 0 || !Found) {
        // Systems without a protocols database still know the two protocols the program uses.
        if (SameText(Name, "tcp"))
            return IPPROTO_TCP;
        if (SameText(Name, "udp"))
            return IPPROTO_UDP;
        WSocketSetLastError(WSANO_DATA);
        throw ESocketException("WSocketResolveProto: Cannot convert protocol '" + Proto + "', Error #" +
                               IntToStr(WSANO_DATA));
    }
    return Found->p_proto;
}
