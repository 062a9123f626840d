#include "NetworkManagerMock.h"
#include "RunLoopPump.h"
#include "Network/HTTP/Reachability.h"
#include "Platform/SystemConfiguration/SCNetworkReachability.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdlib>
#include <fstream>
#include <sstream>

TEST(SCNetworkReachability, LoopbackFromTheRoutesAndInjectedChangesReachTheCallback)
{
    EXPECT_FALSE(SCNetworkReachability::createWithName(""));
    auto loopback = SCNetworkReachability::createWithAddress(htonl(INADDR_LOOPBACK));
    ASSERT_TRUE(loopback);
    uint32_t flags = 0;
    ASSERT_TRUE(loopback->getFlags(flags));
    EXPECT_TRUE(flags & kSCNetworkReachabilityFlagsReachable);
    EXPECT_TRUE(flags & kSCNetworkReachabilityFlagsIsDirect);
    EXPECT_FALSE(flags & kSCNetworkReachabilityFlagsIsWWAN);  // this machine is never across mobile data

    std::vector<uint32_t> heard;
    loopback->setCallback([&](SCNetworkReachability&, uint32_t f) { heard.push_back(f); });
    ASSERT_TRUE(loopback->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode));
    SCNetworkReachability::setInjectedFlags(0);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !heard.empty(); }, 3));
    EXPECT_EQ(heard.back(), 0u);
    SCNetworkReachability::setInjectedFlags(kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return heard.size() == 2; }, 3));
    EXPECT_EQ(heard.back(), kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN);
    loopback->unscheduleFromRunLoop();
    SCNetworkReachability::setInjectedFlags(std::nullopt);
}

// An address is reached through the route that covers it, with or without a
// way out; only an active default route reaches everything.
TEST(SCNetworkReachability, RouteTableReachesAddressesItCovers)
{
    const std::string header = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    // 192.168.1.0/24 on the shop's network, no default route.
    const std::string lanOnly = header + "eth0\t0001A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
    const std::string withDefault = lanOnly + "eth0\t00000000\t0101A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
    const std::string downDefault = header + "eth0\t00000000\t0101A8C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n";
    auto address = [](const char* text) {
        in_addr a {};
        inet_pton(AF_INET, text, &a);
        return std::optional<uint32_t>(ntohl(a.s_addr));
    };
    struct Case {
        const std::string& table;
        std::optional<uint32_t> address;
        bool reached;
    };
    const Case cases[] = {
        { lanOnly, address("192.168.1.20"), true },
        { lanOnly, address("192.168.2.20"), false },
        { lanOnly, std::nullopt, false },  // no way out
        { withDefault, address("203.0.113.5"), true },
        { withDefault, std::nullopt, true },
        { downDefault, std::nullopt, false },
        { header + "garbage line\n", address("192.168.1.20"), false },
    };
    for (const auto& c : cases) {
        std::istringstream table(c.table);
        EXPECT_EQ(SCNetworkReachability::routeTableReaches(table, c.address), c.reached)
            << c.table << (c.address ? *c.address : 0u);
    }
}

namespace {

// An address away from this machine that its routes reach (host order):
// anywhere with a way out, else one on a network a route covers.
std::optional<uint32_t> reachableRemoteAddress()
{
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);
    std::optional<uint32_t> covered;
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refCount, use, metric, mask;
        if (!(fields >> iface >> destination >> gateway >> flags >> refCount >> use >> metric >> mask) || iface == "lo")
            continue;
        uint32_t network = static_cast<uint32_t>(std::stoul(destination, nullptr, 16));
        if (!(std::stoul(flags, nullptr, 16) & 1))
            continue;
        if (network == 0)
            return 0xCB007105;  // 203.0.113.5, a documentation address
        covered = ntohl(network) | 5;
    }
    return covered;
}

}  // namespace

// NetworkManager's metered state and connection type decide whether a server
// away from this machine is reached over mobile data; without NetworkManager
// nothing is.
TEST(SCNetworkReachability, MeteredOrModemConnectionsAreMobileData)
{
    auto address = reachableRemoteAddress();
    ASSERT_TRUE(address) << "this machine has no route to anywhere but itself";
    auto remote = SCNetworkReachability::createWithAddress(htonl(*address));
    auto loopback = SCNetworkReachability::createWithAddress(htonl(INADDR_LOOPBACK));
    auto flagsOf = [](const std::shared_ptr<SCNetworkReachability>& r) {
        uint32_t flags = 0;
        r->getFlags(flags);
        return flags;
    };
    {
        NetworkManagerMock networkManager;
        if (!networkManager.available()) {
            if (std::getenv("CI") && std::string(std::getenv("CI")) == "true")
                FAIL() << networkManager.missingReason();
            GTEST_SKIP() << networkManager.missingReason();
        }
        struct Case {
            unsigned metered;
            const char* type;
            bool mobile;
        };
        const Case cases[] = {
            { 1, "802-11-wireless", true },  // metered by the user's word
            { 3, "802-3-ethernet", true },  // metered by NetworkManager's guess
            { 0, "gsm", true },  // a modem, nothing said about cost
            { 0, "cdma", true },
            { 2, "gsm", false },  // a modem the user says costs nothing
            { 4, "802-11-wireless", false },
            { 0, "802-3-ethernet", false },
        };
        for (const auto& c : cases) {
            ASSERT_TRUE(networkManager.setConnection(c.metered, c.type));
            uint32_t flags = flagsOf(remote);
            EXPECT_TRUE(flags & kSCNetworkReachabilityFlagsReachable) << c.type;
            EXPECT_EQ((flags & kSCNetworkReachabilityFlagsIsWWAN) != 0, c.mobile) << c.metered << " " << c.type;
            EXPECT_FALSE(flagsOf(loopback) & kSCNetworkReachabilityFlagsIsWWAN);
        }

        // A watcher hears the change, and the application's reachability
        // reports mobile data.
        auto watched = Reachability::initWithReachabilityRef(remote);
        EXPECT_EQ(watched->currentReachabilityStatus(), ReachableViaWiFi);
        std::vector<uint32_t> heard;
        remote->setCallback([&](SCNetworkReachability&, uint32_t f) { heard.push_back(f); });
        ASSERT_TRUE(remote->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode));
        ASSERT_TRUE(networkManager.setConnection(1, "gsm"));
        EXPECT_TRUE(pumpMainRunLoopUntil([&] { return !heard.empty(); }, 4 * SCNetworkReachability::pollInterval));
        ASSERT_FALSE(heard.empty());
        EXPECT_TRUE(heard.back() & kSCNetworkReachabilityFlagsIsWWAN);
        EXPECT_EQ(watched->currentReachabilityStatus(), ReachableViaWWAN);
        remote->unscheduleFromRunLoop();
    }
    // NetworkManager gone: nothing says the link costs, so it is not mobile.
    EXPECT_FALSE(flagsOf(remote) & kSCNetworkReachabilityFlagsIsWWAN);
    EXPECT_TRUE(flagsOf(remote) & kSCNetworkReachabilityFlagsReachable);
}
