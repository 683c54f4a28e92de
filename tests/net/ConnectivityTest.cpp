// The connection question: which hosts count as reachable on a computer with or without a way
// out, and which interfaces the kernel's route tables give a default route.
#include "net/Connectivity.h"
#include "tests/net/NetworkStateSupport.h"

#include <gtest/gtest.h>

TEST(Connectivity, OwnNetworksAreAlwaysReachableTheRestOnlyWithADefaultRoute)
{
    const TNetworkState offline = nettest::OfflineState();
    const TNetworkState online = nettest::LocalNetworkState(true);
    TNetworkState down = online; // the local network's interface has gone down
    down[1].Up = false;
    TNetworkState loopbackRoute = offline; // a default route on loopback is no way out
    loopbackRoute[0].DefaultRoute = true;
    const struct {
        const char *Host;
        bool Offline, Online, Down;
    } cases[] = {
        {"127.0.0.1", true, true, true},
        {"127.45.6.7", true, true, true},
        {"::1", true, true, true},
        {"[::1]", true, true, true},
        {"localhost", true, true, true},
        {"192.0.2.77", true, true, false},
        {"fd00::99", true, true, false},
        {"nas.lan", true, true, false},
        {"192.0.3.1", false, true, false},
        {"198.51.100.7", false, true, false},
        {"www.quillmar.example", false, true, false},
        {"", false, true, false}, // the internet at large
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Host);
        const QString host = QString::fromLatin1(c.Host);
        EXPECT_EQ(HostReachable(offline, host, nettest::FakeLookup), c.Offline);
        EXPECT_EQ(HostReachable(online, host, nettest::FakeLookup), c.Online);
        EXPECT_EQ(HostReachable(down, host, nettest::FakeLookup), c.Down);
        EXPECT_EQ(HostReachable(loopbackRoute, host, nettest::FakeLookup), c.Offline);
    }
    // Names are looked up only when the answer depends on it.
    int lookups = 0;
    const THostLookup counting = [&lookups](const QString &Name) {
        ++lookups;
        return nettest::FakeLookup(Name);
    };
    EXPECT_TRUE(HostReachable(online, QStringLiteral("www.quillmar.example"), counting));
    EXPECT_TRUE(HostReachable(offline, QStringLiteral("10.0.0.1"), counting) == false);
    EXPECT_EQ(lookups, 0);
    EXPECT_EQ(UrlHost("http://127.0.0.1:8080/lib.js"), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(UrlHost("http://user:pw@www.quillmar.example/v.txt"), QStringLiteral("www.quillmar.example"));
}

TEST(Connectivity, DefaultRoutesAreReadFromTheKernelsTables)
{
    const std::string v4 =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
        "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "wlan0\t000A000A\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\n";
    const std::string v6 =
        "fd000000000000000000000000000000 40 00000000000000000000000000000000 00 "
        "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth1\n"
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     tun0\n"
        // The kernel's own "unreachable" default on loopback rejects: no way out.
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
    EXPECT_EQ(DefaultRouteInterfaces(v4, v6), (std::vector<QString>{QStringLiteral("eth0"), QStringLiteral("tun0")}));
    EXPECT_TRUE(DefaultRouteInterfaces("", "").empty());
    EXPECT_TRUE(DefaultRouteInterfaces("Iface\n\ngarbage line\n", "short line\n").empty());
}
