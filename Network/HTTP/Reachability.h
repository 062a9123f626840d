#pragma once

// Whether a host or an address can be reached, and how: not at all, over
// mobile data or over Wi-Fi (or another network). Once its notifier runs it
// posts "NetworkReachabilityChangedNotification" (with itself as the sender)
// on the run loop of the thread that started it whenever the flags change.

#include "Platform/SystemConfiguration/SCNetworkReachability.h"

#include <memory>
#include <string>

enum NetworkStatus : long { NotReachable = 0, ReachableViaWWAN = 1, ReachableViaWiFi = 2 };

inline const std::string kReachabilityChangedNotification = "NetworkReachabilityChangedNotification";

class Reachability : public std::enable_shared_from_this<Reachability> {
public:
    static std::shared_ptr<Reachability> reachabilityWithHostName(const std::string& hostName);
    static std::shared_ptr<Reachability> reachabilityWithAddress(uint32_t address);
    static std::shared_ptr<Reachability> reachabilityForInternetConnection();
    static std::shared_ptr<Reachability> reachabilityForLocalWiFi();
    static std::string makeAddressKey(uint32_t address);
    static std::shared_ptr<Reachability> initWithReachabilityRef(std::shared_ptr<SCNetworkReachability> ref);
    ~Reachability();

    bool startNotifier();
    void stopNotifier();

    NetworkStatus currentReachabilityStatus() const;
    NetworkStatus networkStatusForFlags(uint32_t flags) const;
    bool isReachable() const { return currentReachabilityStatus() != NotReachable; }
    bool isReachableViaWWAN() const { return currentReachabilityStatus() == ReachableViaWWAN; }
    bool isReachableViaWiFi() const { return currentReachabilityStatus() == ReachableViaWiFi; }
    bool isConnectionRequired() const;
    bool connectionRequired() const { return isConnectionRequired(); }
    bool isConnectionOnDemand() const;
    bool isInterventionRequired() const;
    uint32_t reachabilityFlags() const;

    std::string key() const { return m_key; }
    void setKey(std::string key) { m_key = std::move(key); }
    bool isEqual(const Reachability& other) const { return m_key == other.m_key; }

private:
    std::shared_ptr<SCNetworkReachability> m_reachabilityRef;
    std::string m_key;
    bool m_isLocalWiFi = false;
};
