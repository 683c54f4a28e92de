#pragma once
// Whether a host can be reached from this computer. The loopback range and the hosts of the
// computer's own networks always can; any other host needs an internet connection, which here
// means a network interface other than loopback that is up and carries a default route. There
// is nothing to dial on this system, so the answer is all the program can act on.
#include <QHostAddress>
#include <QList>
#include <QString>

#include <functional>
#include <string>
#include <vector>

struct TNetSubnet {
    QHostAddress Address;
    int PrefixLength = 0;
};

struct TNetInterfaceState {
    QString Name;
    bool Up = false;
    bool Loopback = false;
    bool DefaultRoute = false;
    std::vector<TNetSubnet> Subnets;
};

using TNetworkState = std::vector<TNetInterfaceState>;
using THostLookup = std::function<QList<QHostAddress>(const QString &Name)>;

// The interfaces as the system reports them, each marked when the kernel's route tables give
// it a default route.
TNetworkState CurrentNetworkState();
// Names of the interfaces that carry a usable default route, read from the texts of the
// kernel's IPv4 and IPv6 route tables (/proc/net/route, /proc/net/ipv6_route).
std::vector<QString> DefaultRouteInterfaces(const std::string &Ipv4Routes, const std::string &Ipv6Routes);

// A non-loopback interface is up and has a default route.
bool InternetConnected(const TNetworkState &State);
// Address is in the loopback range or inside a subnet of an up interface.
bool HostIsLocal(const TNetworkState &State, const QHostAddress &Address);
// Host (a name, a literal address, an IPv6 literal in brackets; empty for the internet at
// large) can be reached. A name is looked up only when the computer is not connected, since only
// then can the answer change.
bool HostReachable(const TNetworkState &State, const QString &Host, const THostLookup &Lookup);

// The host part of a URL, as the HTTP client would connect to it.
QString UrlHost(const std::string &URL);

// The one connection question of the program (include fetches, FTP, the newer-version check),
// about the current state of this computer.
bool InternetConnectedState(const QString &Host = QString());

// For tests: replaces where the state and the name lookups come from while the scope lives.
class TNetworkStateScope {
public:
    TNetworkStateScope(std::function<TNetworkState()> State, THostLookup Lookup = nullptr);
    ~TNetworkStateScope();
    TNetworkStateScope(const TNetworkStateScope &) = delete;
    TNetworkStateScope &operator=(const TNetworkStateScope &) = delete;

private:
    std::function<TNetworkState()> FOldState;
    THostLookup FOldLookup;
};
