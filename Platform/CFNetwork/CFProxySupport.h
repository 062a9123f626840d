#pragma once

// Proxy settings and proxy auto-configuration. The system settings come from
// the environment ("http_proxy", "no_proxy" and their upper-case forms) unless
// a test or the application sets them. Scripts run in a small JavaScript
// engine with the standard helper functions (isPlainHostName, dnsDomainIs,
// localHostOrDomainIs, isResolvable, isInNet, dnsResolve, myIpAddress,
// dnsDomainLevels, shExpMatch); the date and time helpers are not offered, so
// a script that calls them fails and the request goes direct. Each script runs
// in a short-lived child process so that one that never ends can be stopped.

#include "Platform/CFNetwork/CFURL.h"

#include <optional>
#include <string>
#include <vector>

inline const std::string kCFProxyTypeNone = "kCFProxyTypeNone";
inline const std::string kCFProxyTypeHTTP = "kCFProxyTypeHTTP";
inline const std::string kCFProxyTypeHTTPS = "kCFProxyTypeHTTPS";
inline const std::string kCFProxyTypeSOCKS = "kCFProxyTypeSOCKS";
inline const std::string kCFProxyTypeAutoConfigurationURL = "kCFProxyTypeAutoConfigurationURL";

struct CFProxy {
    std::string type = kCFProxyTypeNone;
    std::string host;
    int port = 0;
    std::optional<CFURL> autoConfigurationURL;
};

struct CFProxySettings {
    std::optional<std::string> httpProxyHost;
    int httpProxyPort = 0;
    std::optional<CFURL> autoConfigurationURL;
    std::vector<std::string> exceptions;  // host suffixes that go direct
    bool unavailable = false;  // the settings could not be read
};

CFProxySettings CFNetworkCopySystemProxySettings();
// Replaces what the system settings answer (tests, or an application setting); nothing restores the environment.
void CFNetworkSetSystemProxySettingsOverride(std::optional<CFProxySettings> settings);
// The proxies to try for `url`, in order; nothing when no answer can be given.
std::optional<std::vector<CFProxy>> CFNetworkCopyProxiesForURL(const CFURL& url, const CFProxySettings& settings);
// Runs a proxy auto-configuration script for `url`; nothing when it fails or
// has not answered within `timeoutSeconds` (a script that never ends is stopped).
std::optional<std::vector<CFProxy>> CFNetworkCopyProxiesForAutoConfigurationScript(
    const std::string& script, const CFURL& url, double timeoutSeconds = 5);
// Parses a script's answer ("PROXY host:port; DIRECT").
std::vector<CFProxy> CFProxiesFromAutoConfigurationResult(const std::string& result);
