#include "Network/HTTP/HTTPRequestClassState.h"

#include "Network/HTTP/HTTPAuthenticationDialog.h"
#include "Network/HTTP/HTTPDataCompressor.h"
#include "Network/HTTP/HTTPInputStream.h"
#include "Network/HTTP/Reachability.h"
#include "Platform/CFNetwork/CFProxySupport.h"
#include "Platform/CFNetwork/MIMETypes.h"
#include "Platform/CFNetwork/NSURLCredentialStorage.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <sys/utsname.h>

using namespace HTTPRequestDetail;

// ---------------------------------------------------------------------------
// Bandwidth throttling

namespace {
constexpr unsigned long mobileDataLimit = 14800;
}

void HTTPRequest::setMaxBandwidthPerSecond(unsigned long bytes)
{
    std::lock_guard lock(classState().throttleLock);
    classState().maxBandwidthPerSecond = bytes;
}

unsigned long HTTPRequest::maxBandwidthPerSecond()
{
    std::lock_guard lock(classState().throttleLock);
    return classState().maxBandwidthPerSecond;
}

bool HTTPRequest::isBandwidthThrottled()
{
    auto& s = classState();
    std::lock_guard lock(s.throttleLock);
    return s.throttlingApplies();
}

void HTTPRequest::incrementBandwidthUsedInLastSecond(unsigned long bytes)
{
    std::lock_guard lock(classState().throttleLock);
    classState().bandwidthUsedInLastSecond += bytes;
}

unsigned long HTTPRequest::averageBandwidthUsedPerSecond()
{
    std::lock_guard lock(classState().throttleLock);
    return classState().averageBandwidthUsedPerSecond;
}

static void recordBandwidthUsage(HTTPRequest::ClassState& s)
{
    double now = Clock::now();
    if (s.bandwidthUsedInLastSecond == 0) {
        s.bandwidthSamples.clear();
    } else {
        double interval = s.bandwidthMeasurementDate ? *s.bandwidthMeasurementDate - now : 0;
        while ((interval < 0 || s.bandwidthSamples.size() > 5) && !s.bandwidthSamples.empty()) {
            s.bandwidthSamples.erase(s.bandwidthSamples.begin());
            interval += 1;
        }
    }
    s.bandwidthSamples.push_back(s.bandwidthUsedInLastSecond);
    s.bandwidthMeasurementDate = now + 1;
    s.bandwidthUsedInLastSecond = 0;
    unsigned long long sum = 0;
    for (auto sample : s.bandwidthSamples)
        sum += sample;
    s.averageBandwidthUsedPerSecond = static_cast<unsigned long>(sum / s.bandwidthSamples.size());
}

void HTTPRequest::measureBandwidthUsage()
{
    auto& s = classState();
    std::lock_guard lock(s.throttleLock);
    // Periods run on the steady clock; one that ends more than a period ahead
    // was measured on another clock and starts afresh, or throttling would hold forever.
    double now = Clock::now();
    if (!s.bandwidthMeasurementDate || *s.bandwidthMeasurementDate < now || *s.bandwidthMeasurementDate > now + 1) {
        if (s.throttleWakeUpTime && *s.throttleWakeUpTime > now + 2)
            s.throttleWakeUpTime = now;
        recordBandwidthUsage(s);
    }
    if (s.throttlingApplies() && s.bandwidthUsedInLastSecond > s.maxBandwidthPerSecond && s.maxBandwidthPerSecond > 0) {
        double over = static_cast<double>(s.bandwidthUsedInLastSecond - s.maxBandwidthPerSecond)
            / static_cast<double>(s.maxBandwidthPerSecond);
        s.throttleWakeUpTime = *s.bandwidthMeasurementDate + over;
    }
}

unsigned long HTTPRequest::maxUploadReadLength()
{
    auto& s = classState();
    std::lock_guard lock(s.throttleLock);
    unsigned long allowance = s.maxBandwidthPerSecond / 4;
    if (s.maxBandwidthPerSecond > 0 && s.bandwidthUsedInLastSecond + allowance > s.maxBandwidthPerSecond)
        allowance = s.bandwidthUsedInLastSecond > s.maxBandwidthPerSecond
            ? 0
            : s.maxBandwidthPerSecond - s.bandwidthUsedInLastSecond;
    double now = Clock::now();
    if (allowance == 0 || !s.bandwidthMeasurementDate || *s.bandwidthMeasurementDate < now)
        s.throttleWakeUpTime = s.bandwidthMeasurementDate;
    return allowance;
}

void HTTPRequest::performThrottling()
{
    if (!m_readStream)
        return;
    measureBandwidthUsage();
    if (isBandwidthThrottled()) {
        std::optional<double> wake;
        {
            std::lock_guard lock(classState().throttleLock);
            wake = classState().throttleWakeUpTime;
        }
        if (!wake)
            return;
        if (*wake > Clock::now()) {
            if (m_readStreamIsScheduled)
                unscheduleReadStream();
        } else if (!m_readStreamIsScheduled) {
            scheduleReadStream();
        }
    } else if (!m_readStreamIsScheduled) {
        scheduleReadStream();
    }
}

void HTTPRequest::setShouldThrottleBandwidthForWWAN(bool throttle)
{
    if (throttle) {
        throttleBandwidthForWWANUsingLimit(mobileDataLimit);
        return;
    }
    auto& s = classState();
    NSNotificationCenter::defaultCenter().removeObserver(&s);
    std::lock_guard lock(s.throttleLock);
    s.observingReachability = false;
    s.internetReachability = nullptr;
    s.maxBandwidthPerSecond = 0;
    s.shouldThrottleBandwidthForWWANOnly = false;
    s.isBandwidthThrottledForWWAN = false;
}

void HTTPRequest::throttleBandwidthForWWANUsingLimit(unsigned long limit)
{
    auto& s = classState();
    bool subscribe = false;
    {
        std::lock_guard lock(s.throttleLock);
        s.shouldThrottleBandwidthForWWANOnly = true;
        s.maxBandwidthPerSecond = limit;
        subscribe = !s.observingReachability;
        s.observingReachability = true;
    }
    if (subscribe) {
        // The whole-internet watcher is kept, so its notifier lives as long as the limit does.
        auto watcher = Reachability::reachabilityForInternetConnection();
        if (watcher)
            watcher->startNotifier();
        {
            std::lock_guard lock(s.throttleLock);
            s.internetReachability = watcher;
        }
        NSNotificationCenter::defaultCenter().addObserver(
            &s, kReachabilityChangedNotification, [](const NSNotification&) { reachabilityChanged(); });
    }
    reachabilityChanged();
}

bool HTTPRequest::isNetworkReachableViaWWAN()
{
    auto probe = Reachability::reachabilityForInternetConnection();
    return probe && probe->currentReachabilityStatus() == ReachableViaWWAN;
}

void HTTPRequest::reachabilityChanged()
{
    bool wwan = isNetworkReachableViaWWAN();
    std::lock_guard lock(classState().throttleLock);
    classState().isBandwidthThrottledForWWAN = wwan;
}
