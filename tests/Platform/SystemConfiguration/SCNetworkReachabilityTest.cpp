#include "RunLoopPump.h"
#include "Platform/SystemConfiguration/SCNetworkReachability.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

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
