#pragma once
// Network states for tests of the connection question: a computer with loopback and one local
// network, with or without a default route, and a name lookup that knows a few local names.
#include "net/Connectivity.h"

namespace nettest {

inline TNetworkState LocalNetworkState(bool DefaultRoute)
{
    TNetInterfaceState lo;
    lo.Name = QStringLiteral("lo");
    lo.Up = lo.Loopback = true;
    lo.Subnets = {{QHostAddress(QStringLiteral("127.0.0.1")), 8}, {QHostAddress(QStringLiteral("::1")), 128}};
    TNetInterfaceState eth;
    eth.Name = QStringLiteral("eth0");
    eth.Up = true;
    eth.DefaultRoute = DefaultRoute;
    eth.Subnets = {{QHostAddress(QStringLiteral("192.0.2.2")), 24}, {QHostAddress(QStringLiteral("fd00::2")), 64}};
    return {lo, eth};
}

// Loopback and a local network (192.0.2.0/24, fd00::/64) without a way out.
inline TNetworkState OfflineState()
{
    return LocalNetworkState(false);
}

// "localhost" and "nas.lan" (on the local network) are known; every other name is not.
inline QList<QHostAddress> FakeLookup(const QString &Name)
{
    if (Name == QLatin1String("localhost"))
        return {QHostAddress(QStringLiteral("::1")), QHostAddress(QStringLiteral("127.0.0.1"))};
    if (Name == QLatin1String("nas.lan"))
        return {QHostAddress(QStringLiteral("192.0.2.9"))};
    return {};
}

} // namespace nettest
