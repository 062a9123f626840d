#include "Platform/SystemConfiguration/SCNetworkReachability.h"

#include "Platform/Foundation/NSTimer.h"

#include <arpa/inet.h>
#include <charconv>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace {

std::mutex registryLock;
std::optional<uint32_t> injected;
std::vector<std::weak_ptr<SCNetworkReachability>> scheduled;

bool hasDefaultRoute()
{
    std::ifstream routes("/proc/net/route");
    if (SCNetworkReachability::routeTableReaches(routes, std::nullopt))
        return true;
    std::ifstream routes6("/proc/net/ipv6_route");
    std::string line;
    while (std::getline(routes6, line))
        if (line.starts_with("00000000000000000000000000000000 00") && line.find(" lo") == std::string::npos)
            return true;
    return false;
}

bool routeCovers(uint32_t ip)
{
    std::ifstream routes("/proc/net/route");
    return SCNetworkReachability::routeTableReaches(routes, ip);
}

uint32_t systemFlags(const std::optional<std::string>& host, const std::optional<uint32_t>& address)
{
    uint32_t ip = 0;
    bool haveIp = false;
    if (address) {
        ip = ntohl(*address);
        haveIp = true;
    } else if (host) {
        in_addr a {};
        if (*host == "localhost" || inet_pton(AF_INET, host->c_str(), &a) == 1) {
            ip = *host == "localhost" ? 0x7f000001 : ntohl(a.s_addr);
            haveIp = true;
        }
    }
    if (haveIp && (ip >> 24) == 127)
        return kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsLocalAddress
            | kSCNetworkReachabilityFlagsIsDirect;
    bool linkLocal = haveIp && (ip >> 16) == 0xA9FE;
    // A server named by its address on a network without a way out (a shop's
    // own network) is still reached through the route that covers it.
    if (!hasDefaultRoute() && !(haveIp && ip != 0 && routeCovers(ip)))
        return 0;
    uint32_t flags = kSCNetworkReachabilityFlagsReachable;
    if (linkLocal)
        flags |= kSCNetworkReachabilityFlagsIsDirect;
    return flags;
}

}  // namespace

bool SCNetworkReachability::routeTableReaches(std::istream& table, std::optional<uint32_t> address)
{
    constexpr unsigned routeUp = 0x1;
    std::string line;
    std::getline(table, line);  // the column names
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refCount, use, metric, mask;
        if (!(fields >> iface >> destination >> gateway >> flags >> refCount >> use >> metric >> mask))
            continue;
        // Addresses and masks are printed as the bytes of network order read
        // as one native number, so they compare with an address in network order.
        uint32_t routeDestination = 0, routeMask = 0, routeFlags = 0;
        auto hex = [](const std::string& text, uint32_t& into) {
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), into, 16);
            return error == std::errc() && end == text.data() + text.size();
        };
        if (!hex(destination, routeDestination) || !hex(mask, routeMask) || !hex(flags, routeFlags))
            continue;
        if (!(routeFlags & routeUp))
            continue;
        if (!address) {
            if (routeDestination == 0 && routeMask == 0)
                return true;
        } else if ((htonl(*address) & routeMask) == routeDestination) {
            return true;
        }
    }
    return false;
}

std::shared_ptr<SCNetworkReachability> SCNetworkReachability::createWithName(const std::string& host)
{
    if (host.empty())
        return nullptr;
    std::shared_ptr<SCNetworkReachability> r(new SCNetworkReachability());
    r->m_host = host;
    return r;
}

std::shared_ptr<SCNetworkReachability> SCNetworkReachability::createWithAddress(uint32_t address)
{
    std::shared_ptr<SCNetworkReachability> r(new SCNetworkReachability());
    r->m_address = address;
    return r;
}

SCNetworkReachability::~SCNetworkReachability()
{
    if (m_timer)
        m_timer->invalidate();
}

bool SCNetworkReachability::getFlags(uint32_t& flags) const
{
    {
        std::lock_guard lock(registryLock);
        if (injected) {
            flags = *injected;
            return true;
        }
    }
    flags = systemFlags(m_host, m_address);
    return true;
}

bool SCNetworkReachability::setCallback(Callback callback)
{
    m_callback = std::move(callback);
    return true;
}

bool SCNetworkReachability::scheduleWithRunLoop(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode)
{
    if (!loop || m_timer)
        return false;
    m_loop = loop;
    getFlags(m_lastFlags);
    m_haveLast = true;
    std::weak_ptr<SCNetworkReachability> weak = weak_from_this();
    m_timer = NSTimer::timerWithTimeInterval(pollInterval, true, [weak](NSTimer&) {
        if (auto self = weak.lock())
            self->check();
    });
    loop->addTimer(m_timer, mode);
    std::lock_guard lock(registryLock);
    std::erase_if(scheduled, [](auto& w) { return w.expired(); });
    scheduled.push_back(weak);
    return true;
}

bool SCNetworkReachability::unscheduleFromRunLoop()
{
    if (!m_timer)
        return false;
    m_timer->invalidate();
    m_timer = nullptr;
    std::lock_guard lock(registryLock);
    std::erase_if(scheduled, [this](auto& w) { return w.expired() || w.lock().get() == this; });
    return true;
}

void SCNetworkReachability::check()
{
    uint32_t flags = 0;
    getFlags(flags);
    if (m_haveLast && flags == m_lastFlags)
        return;
    m_lastFlags = flags;
    m_haveLast = true;
    auto keep = shared_from_this();
    if (m_callback)
        m_callback(*this, flags);
}

void SCNetworkReachability::setInjectedFlags(std::optional<uint32_t> flags)
{
    std::vector<std::shared_ptr<SCNetworkReachability>> targets;
    {
        std::lock_guard lock(registryLock);
        injected = flags;
        for (auto& w : scheduled)
            if (auto r = w.lock())
                targets.push_back(r);
    }
    // Each watcher looks again on its own run loop's thread.
    for (auto& r : targets) {
        if (auto loop = r->m_loop.lock()) {
            std::weak_ptr<SCNetworkReachability> weak = r;
            loop->performBlock([weak] {
                if (auto self = weak.lock())
                    self->check();
            });
        }
    }
}
