#include "RunLoopPump.h"
#include "Platform/SystemConfiguration/SCNetworkReachability.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
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
    EXPECT_FALSE(flags & kSCNetworkReachabilityFlagsIsWWAN);  // Linux cannot tell mobile data apart

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
    struct Case { const std::string& table; std::optional<uint32_t> address; bool reached; };
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
