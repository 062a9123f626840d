#include "Platform/CFNetwork/CFProxySupport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <duktape.h>
#include <ifaddrs.h>
#include <mutex>
#include <netdb.h>
#include <sstream>
#include <string_view>

namespace {

std::mutex overrideLock;
std::optional<CFProxySettings> settingsOverride;

std::string env(const char* lowerName, const char* upperName)
{
    const char* v = std::getenv(lowerName);
    if (!v || !*v)
        v = std::getenv(upperName);
    return v ? v : "";
}

std::string resolve(const std::string& host)
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || !result)
        return "";
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr, text, sizeof text);
    freeaddrinfo(result);
    return text;
}

duk_ret_t nativeDnsResolve(duk_context* ctx)
{
    std::string address = resolve(duk_safe_to_string(ctx, 0));
    if (address.empty())
        duk_push_null(ctx);
    else
        duk_push_string(ctx, address.c_str());
    return 1;
}

duk_ret_t nativeMyIpAddress(duk_context* ctx)
{
    std::string found = "127.0.0.1";
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (auto* i = list; i; i = i->ifa_next) {
            if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET)
                continue;
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr, text, sizeof text);
            if (std::string(text) != "127.0.0.1") {
                found = text;
                break;
            }
        }
        freeifaddrs(list);
    }
    duk_push_string(ctx, found.c_str());
    return 1;
}

const char* helpers = R"JS(
function isPlainHostName(host) { return host.indexOf('.') < 0; }
function dnsDomainIs(host, domain) {
  return host.length >= domain.length && host.substring(host.length - domain.length) == domain;
}
function localHostOrDomainIs(host, hostdom) {
  return host == hostdom || hostdom.lastIndexOf(host + '.', 0) == 0;
}
function isResolvable(host) { return dnsResolve(host) != null; }
function dnsDomainLevels(host) { return host.split('.').length - 1; }
function convert_addr(ip) {
  var p = ip.split('.');
  return ((p[0] & 0xff) << 24) | ((p[1] & 0xff) << 16) | ((p[2] & 0xff) << 8) | (p[3] & 0xff);
}
function isInNet(host, pattern, mask) {
  var addr = /^\d+\.\d+\.\d+\.\d+$/.test(host) ? host : dnsResolve(host);
  if (addr == null) return false;
  var m = convert_addr(mask);
  return (convert_addr(addr) & m) == (convert_addr(pattern) & m);
}
function shExpMatch(str, shexp) {
  var re = shexp.replace(/\./g, '\\.').replace(/\*/g, '.*').replace(/\?/g, '.');
  return new RegExp('^' + re + '$').test(str);
}
)JS";

}  // namespace

CFProxySettings CFNetworkCopySystemProxySettings()
{
    {
        std::lock_guard lock(overrideLock);
        if (settingsOverride)
            return *settingsOverride;
    }
    CFProxySettings settings;
    std::string proxy = env("http_proxy", "HTTP_PROXY");
    if (!proxy.empty()) {
        if (proxy.find("://") == std::string::npos)
            proxy = "http://" + proxy;
        if (auto url = CFURL::URLWithString(proxy); url && !url->host().empty()) {
            settings.httpProxyHost = url->host();
            settings.httpProxyPort = url->port().value_or(80);
        }
    }
    // Read for every request: split by hand, without a stream to set up.
    std::string exceptions = env("no_proxy", "NO_PROXY");
    std::string_view rest = exceptions;
    while (!rest.empty()) {
        size_t comma = rest.find(',');
        std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view {} : rest.substr(comma + 1);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        if (!item.empty())
            settings.exceptions.emplace_back(item);
    }
    return settings;
}

void CFNetworkSetSystemProxySettingsOverride(std::optional<CFProxySettings> settings)
{
    std::lock_guard lock(overrideLock);
    settingsOverride = std::move(settings);
}

std::optional<std::vector<CFProxy>> CFNetworkCopyProxiesForURL(const CFURL& url, const CFProxySettings& settings)
{
    if (settings.unavailable)
        return std::nullopt;
    std::vector<CFProxy> proxies;
    if (settings.autoConfigurationURL) {
        CFProxy p;
        p.type = kCFProxyTypeAutoConfigurationURL;
        p.autoConfigurationURL = settings.autoConfigurationURL;
        proxies.push_back(p);
        return proxies;
    }
    if (!settings.httpProxyHost)
        return proxies;
    for (const auto& exception : settings.exceptions) {
        std::string suffix = exception.front() == '.' ? exception : "." + exception;
        if (exception == "*" || url.host() == exception
            || (url.host().size() > suffix.size() && url.host().ends_with(suffix)))
            return proxies;
    }
    CFProxy p;
    p.type = kCFProxyTypeHTTP;
    p.host = *settings.httpProxyHost;
    p.port = settings.httpProxyPort;
    proxies.push_back(p);
    return proxies;
}

std::vector<CFProxy> CFProxiesFromAutoConfigurationResult(const std::string& result)
{
    std::vector<CFProxy> proxies;
    std::stringstream entries(result);
    std::string entry;
    while (std::getline(entries, entry, ';')) {
        std::stringstream words(entry);
        std::string kind, target;
        words >> kind >> target;
        if (kind == "DIRECT") {
            proxies.push_back(CFProxy {});
            continue;
        }
        if (kind != "PROXY" && kind != "HTTP" && kind != "SOCKS" && kind != "SOCKS5")
            continue;
        size_t colon = target.rfind(':');
        CFProxy p;
        p.type = kind == "PROXY" || kind == "HTTP" ? kCFProxyTypeHTTP : kCFProxyTypeSOCKS;
        p.host = target.substr(0, colon);
        p.port = colon == std::string::npos ? (p.type == kCFProxyTypeHTTP ? 80 : 1080)
                                             : std::atoi(target.c_str() + colon + 1);
        if (!p.host.empty())
            proxies.push_back(p);
    }
    return proxies;
}

namespace {

// Evaluates the script in this process; the answer text, or nothing.
std::optional<std::string> evaluateScript(const std::string& script, const CFURL& url)
{
    duk_context* ctx = duk_create_heap_default();
    if (!ctx)
        return std::nullopt;
    duk_push_c_function(ctx, nativeDnsResolve, 1);
    duk_put_global_string(ctx, "dnsResolve");
    duk_push_c_function(ctx, nativeMyIpAddress, 0);
    duk_put_global_string(ctx, "myIpAddress");
    std::optional<std::string> answer;
    if (duk_peval_string(ctx, helpers) == 0) {
        duk_pop(ctx);
        if (duk_peval_lstring(ctx, script.data(), script.size()) == 0) {
            duk_pop(ctx);
            if (duk_get_global_string(ctx, "FindProxyForURL") && duk_is_function(ctx, -1)) {
                duk_push_string(ctx, url.absoluteString().c_str());
                duk_push_string(ctx, url.host().c_str());
                if (duk_pcall(ctx, 2) == DUK_EXEC_SUCCESS && duk_is_string(ctx, -1))
                    answer = std::string(duk_get_string(ctx, -1));
            }
            duk_pop(ctx);
        } else {
            duk_pop(ctx);
        }
    } else {
        duk_pop(ctx);
    }
    duk_destroy_heap(ctx);
    return answer;
}

double secondsNow()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

std::optional<std::vector<CFProxy>> CFNetworkCopyProxiesForAutoConfigurationScript(const std::string& script,
                                                                                  const CFURL& url,
                                                                                  double timeoutSeconds)
{
    // The script engine has no step limit, so a script that loops for ever
    // would hold the network thread for ever. It runs in a child process
    // instead, which is killed when the time is up; its answer comes back
    // through a pipe.
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0)
        return std::nullopt;
    pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        return std::nullopt;
    }
    if (child == 0) {
        close(channel[0]);
        auto answer = evaluateScript(script, url);
        int status = 1;
        if (answer) {
            std::string_view rest = *answer;
            status = 0;
            while (!rest.empty()) {
                ssize_t n = write(channel[1], rest.data(), rest.size());
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0) {
                    status = 1;
                    break;
                }
                rest.remove_prefix(static_cast<size_t>(n));
            }
        }
        _exit(status);
    }
    close(channel[1]);
    std::string result;
    bool complete = false;
    double deadline = secondsNow() + (timeoutSeconds > 0 ? timeoutSeconds : 5);
    for (;;) {
        double left = deadline - secondsNow();
        if (left <= 0)
            break;
        pollfd p { channel[0], POLLIN, 0 };
        int ready = poll(&p, 1, static_cast<int>(left * 1000) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[4096];
        ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            complete = n == 0;
            break;
        }
        result.append(buffer, static_cast<size_t>(n));
    }
    close(channel[0]);
    if (!complete)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return CFProxiesFromAutoConfigurationResult(result);
}
