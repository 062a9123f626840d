#pragma once

// Reachability of a host or an address from the machine's routes: a default
// route (or a route covering the address) means reachable, directly for
// loopback and link-local addresses. A reachable server away from this machine
// is reached over mobile data (the WWAN flag) when NetworkManager, asked on
// the system bus, says the main connection is metered or a mobile modem's;
// without NetworkManager nothing counts as mobile. Changes are noticed by a
// short poll on the run loop the object is scheduled on; a test can inject the
// flags, which reaches every scheduled object at once.

#include "Platform/Foundation/NSRunLoop.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

enum SCNetworkReachabilityFlags : uint32_t {
    kSCNetworkReachabilityFlagsTransientConnection = 1u << 0,
    kSCNetworkReachabilityFlagsReachable = 1u << 1,
    kSCNetworkReachabilityFlagsConnectionRequired = 1u << 2,
    kSCNetworkReachabilityFlagsConnectionOnTraffic = 1u << 3,
    kSCNetworkReachabilityFlagsInterventionRequired = 1u << 4,
    kSCNetworkReachabilityFlagsConnectionOnDemand = 1u << 5,
    kSCNetworkReachabilityFlagsIsLocalAddress = 1u << 16,
    kSCNetworkReachabilityFlagsIsDirect = 1u << 17,
    kSCNetworkReachabilityFlagsIsWWAN = 1u << 18,
};

class NSTimer;

class SCNetworkReachability : public std::enable_shared_from_this<SCNetworkReachability> {
public:
    using Callback = std::function<void(SCNetworkReachability&, uint32_t flags)>;

    // Nothing for an empty name.
    static std::shared_ptr<SCNetworkReachability> createWithName(const std::string& host);
    // An IPv4 address in network byte order.
    static std::shared_ptr<SCNetworkReachability> createWithAddress(uint32_t address);
    ~SCNetworkReachability();

    // False when the flags cannot be read.
    bool getFlags(uint32_t& flags) const;
    bool setCallback(Callback callback);
    bool scheduleWithRunLoop(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode);
    bool unscheduleFromRunLoop();

    // Tests: every object reads these flags instead of the system's (and
    // scheduled objects hear of the change); nothing returns to the system.
    static void setInjectedFlags(std::optional<uint32_t> flags);
    // Whether a route table in the form of /proc/net/route has an active route
    // to `address` (IPv4, host byte order), or a default route without one.
    static bool routeTableReaches(std::istream& table, std::optional<uint32_t> address);
    // Whether NetworkManager's answers for its main connection mean mobile
    // data: its metered state (NMMetered) and the connection's type.
    static bool isMobileConnection(uint32_t metered, const std::string& connectionType);
    // Seconds between looks at the routes while scheduled.
    static constexpr double pollInterval = 2.0;

private:
    SCNetworkReachability() = default;
    void check();

    std::optional<std::string> m_host;
    std::optional<uint32_t> m_address;
    Callback m_callback;
    std::shared_ptr<NSTimer> m_timer;
    std::weak_ptr<NSRunLoop> m_loop;
    uint32_t m_lastFlags = 0;
    bool m_haveLast = false;
};
