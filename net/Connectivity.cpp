#include "net/Connectivity.h"

#include "net/HttpUrl.h"

#include <QHostInfo>
#include <QNetworkInterface>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

// Route flags of the kernel: the route is up; the route rejects (an "unreachable" entry).
constexpr unsigned long kRouteUp = 0x0001;
constexpr unsigned long kRouteReject = 0x0200;

std::string FileText(const char *Path)
{
    std::ifstream in(Path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool AllZero(const std::string &Hex)
{
    return !Hex.empty() && Hex.find_first_not_of('0') == std::string::npos;
}

bool UsableFlags(const std::string &Hex)
{
    unsigned long flags = 0;
    try {
        flags = std::stoul(Hex, nullptr, 16);
    } catch (...) {
        return false;
    }
    return (flags & kRouteUp) && !(flags & kRouteReject);
}

void AddOnce(std::vector<QString> &Names, const std::string &Name)
{
    const QString n = QString::fromStdString(Name);
    if (std::find(Names.begin(), Names.end(), n) == Names.end())
        Names.push_back(n);
}

TNetworkState SystemState()
{
    const std::vector<QString> routed =
        DefaultRouteInterfaces(FileText("/proc/net/route"), FileText("/proc/net/ipv6_route"));
    TNetworkState state;
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        TNetInterfaceState s;
        s.Name = i.name();
        const auto flags = i.flags();
        s.Up = (flags & QNetworkInterface::IsUp) && (flags & QNetworkInterface::IsRunning);
        s.Loopback = flags & QNetworkInterface::IsLoopBack;
        s.DefaultRoute = std::find(routed.begin(), routed.end(), s.Name) != routed.end();
        for (const QNetworkAddressEntry &e : i.addressEntries())
            s.Subnets.push_back(TNetSubnet{e.ip(), e.prefixLength()});
        state.push_back(std::move(s));
    }
    return state;
}

QList<QHostAddress> SystemLookup(const QString &Name)
{
    return QHostInfo::fromName(Name).addresses();
}

std::function<TNetworkState()> &StateSource()
{
    static std::function<TNetworkState()> source = SystemState;
    return source;
}

THostLookup &LookupSource()
{
    static THostLookup source = SystemLookup;
    return source;
}

} // namespace

std::vector<QString> DefaultRouteInterfaces(const std::string &Ipv4Routes, const std::string &Ipv6Routes)
{
    std::vector<QString> names;
    {
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; the first line names them.
        std::istringstream in(Ipv4Routes);
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::istringstream f(line);
            std::string iface, dest, gateway, flags, refs, use, metric, mask;
            if (f >> iface >> dest >> gateway >> flags >> refs >> use >> metric >> mask && AllZero(dest) &&
                AllZero(mask) && UsableFlags(flags))
                AddOnce(names, iface);
        }
    }
    {
        // Destination, its prefix length, source, its prefix length, next hop, metric, reference
        // count, use, flags, interface; no heading line.
        std::istringstream in(Ipv6Routes);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream f(line);
            std::string dest, plen, src, splen, hop, metric, refs, use, flags, iface;
            if (f >> dest >> plen >> src >> splen >> hop >> metric >> refs >> use >> flags >> iface && AllZero(dest) &&
                AllZero(plen) && UsableFlags(flags))
                AddOnce(names, iface);
        }
    }
    return names;
}

bool InternetConnected(const TNetworkState &State)
{
    return std::any_of(State.begin(), State.end(),
                       [](const TNetInterfaceState &I) { return I.Up && !I.Loopback && I.DefaultRoute; });
}

bool HostIsLocal(const TNetworkState &State, const QHostAddress &Address)
{
    if (Address.isNull())
        return false;
    if (Address.isLoopback())
        return true;
    for (const TNetInterfaceState &i : State) {
        if (!i.Up)
            continue;
        for (const TNetSubnet &s : i.Subnets)
            if (Address.isInSubnet(s.Address, s.PrefixLength))
                return true;
    }
    return false;
}

bool HostReachable(const TNetworkState &State, const QString &Host, const THostLookup &Lookup)
{
    QString host = Host.trimmed();
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (host.isEmpty())
        return InternetConnected(State);
    const QHostAddress literal(host);
    if (!literal.isNull())
        return HostIsLocal(State, literal) || InternetConnected(State);
    if (InternetConnected(State))
        return true;
    if (!Lookup)
        return false;
    const QList<QHostAddress> addresses = Lookup(host);
    return std::any_of(addresses.begin(), addresses.end(),
                       [&State](const QHostAddress &A) { return HostIsLocal(State, A); });
}

QString UrlHost(const std::string &URL)
{
    AnsiString proto, user, password, host, port, path;
    SplitUrl(URL, proto, user, password, host, port, path);
    return QString::fromStdString(host);
}

bool InternetConnectedState(const QString &Host)
{
    return HostReachable(StateSource()(), Host, LookupSource());
}

TNetworkStateScope::TNetworkStateScope(std::function<TNetworkState()> State, THostLookup Lookup)
    : FOldState(std::move(StateSource())), FOldLookup(std::move(LookupSource()))
{
    StateSource() = std::move(State);
    LookupSource() = Lookup ? std::move(Lookup) : THostLookup(SystemLookup);
}

TNetworkStateScope::~TNetworkStateScope()
{
    StateSource() = std::move(FOldState);
    LookupSource() = std::move(FOldLookup);
}
