#include "Network/HTTP/Reachability.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"

#include <arpa/inet.h>

namespace {
const std::string localWiFiKey = "LocalWiFiConnection";
}

std::shared_ptr<Reachability> Reachability::initWithReachabilityRef(std::shared_ptr<SCNetworkReachability> ref)
{
    if (!ref)
        return nullptr;
    auto r = std::make_shared<Reachability>();
    r->m_reachabilityRef = std::move(ref);
    return r;
}

std::shared_ptr<Reachability> Reachability::reachabilityWithHostName(const std::string& hostName)
{
    auto r = initWithReachabilityRef(SCNetworkReachability::createWithName(hostName));
    if (r)
        r->m_key = hostName;
    return r;
}

std::shared_ptr<Reachability> Reachability::reachabilityWithAddress(uint32_t address)
{
    auto r = initWithReachabilityRef(SCNetworkReachability::createWithAddress(address));
    if (r)
        r->m_key = makeAddressKey(address);
    return r;
}

std::shared_ptr<Reachability> Reachability::reachabilityForInternetConnection()
{
    auto r = reachabilityWithAddress(0);
    if (r)
        r->m_key = "InternetConnection";
    return r;
}

std::shared_ptr<Reachability> Reachability::reachabilityForLocalWiFi()
{
    auto r = reachabilityWithAddress(htonl(0xA9FE0000));
    if (r) {
        r->m_key = localWiFiKey;
        r->m_isLocalWiFi = true;
    }
    return r;
}

std::string Reachability::makeAddressKey(uint32_t address)
{
    auto* octets = reinterpret_cast<const uint8_t*>(&address);
    return stringWithFormat("%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
}

Reachability::~Reachability()
{
    if (m_reachabilityRef)
        m_reachabilityRef->unscheduleFromRunLoop();
}

bool Reachability::startNotifier()
{
    std::weak_ptr<Reachability> weak = weak_from_this();
    if (!m_reachabilityRef->setCallback([weak](SCNetworkReachability&, uint32_t) {
            if (auto self = weak.lock())
                NSNotificationCenter::defaultCenter().postNotificationName(
                    kReachabilityChangedNotification, {}, {}, self);
        }))
        return false;
    return m_reachabilityRef->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
}

void Reachability::stopNotifier()
{
    if (m_reachabilityRef)
        m_reachabilityRef->unscheduleFromRunLoop();
}

NetworkStatus Reachability::networkStatusForFlags(uint32_t flags) const
{
    if (!(flags & kSCNetworkReachabilityFlagsReachable))
        return NotReachable;
    if (m_isLocalWiFi)
        return (flags & kSCNetworkReachabilityFlagsIsDirect) ? ReachableViaWiFi : NotReachable;
    if (flags & kSCNetworkReachabilityFlagsIsWWAN)
        return ReachableViaWWAN;
    uint32_t rest = flags
        & ~(kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsDirect
            | kSCNetworkReachabilityFlagsIsLocalAddress);
    if (rest == (kSCNetworkReachabilityFlagsTransientConnection | kSCNetworkReachabilityFlagsConnectionRequired))
        return NotReachable;
    if (rest & kSCNetworkReachabilityFlagsTransientConnection)
        return ReachableViaWiFi;
    if (rest == 0)
        return ReachableViaWiFi;
    return (rest & kSCNetworkReachabilityFlagsConnectionRequired) ? ReachableViaWiFi : NotReachable;
}

NetworkStatus Reachability::currentReachabilityStatus() const
{
    uint32_t flags = 0;
    if (!m_reachabilityRef || !m_reachabilityRef->getFlags(flags))
        return NotReachable;
    return networkStatusForFlags(flags);
}

uint32_t Reachability::reachabilityFlags() const
{
    uint32_t flags = 0;
    if (!m_reachabilityRef || !m_reachabilityRef->getFlags(flags))
        return 0;
    return flags;
}

bool Reachability::isConnectionRequired() const
{
    return reachabilityFlags() & kSCNetworkReachabilityFlagsConnectionRequired;
}

bool Reachability::isConnectionOnDemand() const
{
    uint32_t f = reachabilityFlags();
    return (f & kSCNetworkReachabilityFlagsConnectionRequired)
        && (f & (kSCNetworkReachabilityFlagsConnectionOnTraffic | kSCNetworkReachabilityFlagsConnectionOnDemand));
}

bool Reachability::isInterventionRequired() const
{
    uint32_t f = reachabilityFlags();
    return (f & kSCNetworkReachabilityFlagsConnectionRequired) && (f & kSCNetworkReachabilityFlagsInterventionRequired);
}
