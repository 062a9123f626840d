#pragma once

// What the parts of HTTPRequest share and nobody else sees: the class-level
// state and a few helpers.
//
// Lock order: a request's cancelledLock is taken before any class-level lock
// (connectionPoolLock, progressReportLock, throttleLock, sessionCookieLock,
// sessionCredentialLock, authPromptLock, classLock); class-level locks are
// never held while taking a request's cancelledLock. One request never takes
// another's cancelledLock while holding its own, except that a synchronous
// request waits for its proxy script request (request, then script); an
// asynchronous script request reports to its request on a later turn of the
// network thread, after its own lock is released.

#include "Network/HTTP/HTTPRequest.h"
#include "Network/HTTP/Reachability.h"

#include <functional>
#include <string>
#include <string_view>

struct HTTPRequest::ClassState {
    std::recursive_mutex connectionPoolLock;
    std::recursive_mutex progressReportLock;
    std::mutex throttleLock;
    std::recursive_mutex sessionCookieLock;
    std::recursive_mutex sessionCredentialLock;
    std::recursive_mutex authPromptLock;
    std::mutex classLock;

    std::vector<std::shared_ptr<HTTPConnectionRecord>> connectionPool;
    unsigned long nextConnectionId = 0;
    unsigned long nextRequestId = 0;
    long runningRequestCount = 0;
    bool shouldUpdateNetworkActivityIndicator = true;
    bool networkActivityIndicatorVisible = false;
    // The indicator's one pending "off" timer, and when the last transfer ended.
    bool indicatorTimerPending = false;
    double lastTransferEndTime = 0;

    std::vector<HTTPSessionCredentialsRef> sessionCredentials;
    std::vector<HTTPSessionCredentialsRef> sessionProxyCredentials;
    std::optional<std::vector<NSHTTPCookie>> sessionCookies;

    // Throttling, under throttleLock.
    unsigned long maxBandwidthPerSecond = 0;
    unsigned long bandwidthUsedInLastSecond = 0;
    std::optional<double> bandwidthMeasurementDate;
    std::vector<unsigned long> bandwidthSamples;
    unsigned long averageBandwidthUsedPerSecond = 0;
    std::optional<double> throttleWakeUpTime;
    bool shouldThrottleBandwidthForWWANOnly = false;
    bool isBandwidthThrottledForWWAN = false;
    // Whether the bytes per second are held to a maximum now; under throttleLock.
    bool throttlingApplies() const
    {
        return isBandwidthThrottledForWWAN || (!shouldThrottleBandwidthForWWANOnly && maxBandwidthPerSecond > 0);
    }
    std::shared_ptr<Reachability> internetReachability;
    bool observingReachability = false;

    double defaultTimeOutSeconds = 10.0;
    bool userAgentBuilt = false;
    std::optional<std::string> defaultUserAgent;
    std::shared_ptr<HTTPCacheDelegate> defaultCache;
    std::shared_ptr<NSThread> networkThread;
    std::shared_ptr<NSOperationQueue> sharedQueue;
};

namespace HTTPRequestDetail {

// The five errors made once and shared (codes 2, 3, 4, 5 and 9).
HTTPErrorRef sharedError(long code);
std::string trimmed(std::string_view s);
// A new path in the temporary folder.
std::string temporaryPath();
HTTPErrorRef fileSystemError(const std::string& text);
// "Content-Length" read as C reads a number with its prefix (0x hexadecimal, 0 octal).
uint64_t parseCPrefixedUnsigned(const std::string& text);
// Runs the block now on the main thread, or posts it there without waiting.
void onMainThread(std::function<void()> block);
// Posts the block to the main thread without waiting, even from the main
// thread. The network thread's posts of one turn of its loop travel together
// and run in the order they were made.
void postToMainThread(std::function<void()> block);

}  // namespace HTTPRequestDetail
