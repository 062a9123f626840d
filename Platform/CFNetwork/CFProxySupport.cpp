#include "Platform/CFNetwork/CFProxySupport.h"

#include "Platform/Foundation/Clock.h"

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

// The moment a script runs, broken down for its date and time helpers: in
// local time and in GMT, taken from the process clock before the script's
// process starts.
struct ScriptMoment {
    int year = 0, month = 0, day = 0, weekday = 0, second = 0;  // month 0-11, weekday 0 = Sunday, second of the day
};

ScriptMoment momentOf(double secondsSince1970, bool gmt)
{
    time_t t = static_cast<time_t>(secondsSince1970 < 0 ? secondsSince1970 - 1 : secondsSince1970);
    tm fields {};
    if (gmt)
        gmtime_r(&t, &fields);
    else
        localtime_r(&t, &fields);
    return { fields.tm_year + 1900, fields.tm_mon, fields.tm_mday, fields.tm_wday,
        fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec };
}

struct ScriptMoments {
    ScriptMoment local, gmt;
};

duk_ret_t nativeMoment(duk_context* ctx)
{
    bool gmt = duk_to_boolean(ctx, 0);
    duk_push_global_stash(ctx);
    duk_get_prop_string(ctx, -1, "moments");
    const auto* moments = static_cast<const ScriptMoments*>(duk_get_pointer(ctx, -1));
    duk_pop_2(ctx);
    const ScriptMoment& m = gmt ? moments->gmt : moments->local;
    duk_idx_t object = duk_push_object(ctx);
    duk_push_int(ctx, m.year);
    duk_put_prop_string(ctx, object, "year");
    duk_push_int(ctx, m.month);
    duk_put_prop_string(ctx, object, "month");
    duk_push_int(ctx, m.day);
    duk_put_prop_string(ctx, object, "day");
    duk_push_int(ctx, m.weekday);
    duk_put_prop_string(ctx, object, "weekday");
    duk_push_int(ctx, m.second);
    duk_put_prop_string(ctx, object, "second");
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
// The date and time helpers take an optional last argument "GMT"; without it
// they read local time. A range whose start lies after its end wraps round
// (FRI to MON, NOV to FEB, 22 to 6 o'clock). Arguments they cannot read make
// them answer false.
var __days = ['SUN', 'MON', 'TUE', 'WED', 'THU', 'FRI', 'SAT'];
var __months = ['JAN', 'FEB', 'MAR', 'APR', 'MAY', 'JUN', 'JUL', 'AUG', 'SEP', 'OCT', 'NOV', 'DEC'];
function __split(args) {
  var list = Array.prototype.slice.call(args);
  var gmt = list.length > 0 && list[list.length - 1] === 'GMT';
  if (gmt) list.pop();
  return { args: list, now: __moment(gmt) };
}
function __within(value, start, end) {
  return start <= end ? start <= value && value <= end : value >= start || value <= end;
}
function weekdayRange() {
  var c = __split(arguments), a = c.args;
  if (a.length < 1 || a.length > 2) return false;
  var first = __days.indexOf(String(a[0]).toUpperCase());
  var last = a.length == 2 ? __days.indexOf(String(a[1]).toUpperCase()) : first;
  if (first < 0 || last < 0) return false;
  return __within(c.now.weekday, first, last);
}
// Each value is a day of the month (1 to 31), a month name or a year (four
// digits); one value, or two halves of the same fields, both ends included.
function dateRange() {
  var c = __split(arguments), a = c.args;
  if (a.length < 1 || a.length > 6 || (a.length > 1 && a.length % 2)) return false;
  var fields = [];
  for (var i = 0; i < a.length; i++) {
    var month = typeof a[i] == 'string' ? __months.indexOf(a[i].toUpperCase()) : -1;
    if (month >= 0) { fields.push(['month', month]); continue; }
    var n = Number(a[i]);
    if (isNaN(n) || n != Math.floor(n) || n < 1) return false;
    fields.push(n > 31 ? ['year', n] : ['day', n]);
  }
  var half = a.length == 1 ? 1 : a.length / 2;
  var start = { }, end = { };
  for (var j = 0; j < half; j++) {
    var kind = fields[j][0];
    if (kind in start || fields[j + (a.length == 1 ? 0 : half)][0] != kind) return false;
    start[kind] = fields[j][1];
    end[kind] = fields[j + (a.length == 1 ? 0 : half)][1];
  }
  function key(point) {
    return ('year' in start ? point.year : 0) * 10000 + ('month' in start ? point.month : 0) * 100
      + ('day' in start ? point.day : 0);
  }
  var from = key(start), to = key(end), now = key(c.now);
  if ('year' in start && from > to) return false;
  return __within(now, from, to);
}
// Hours (the hour named, or from the first hour up to the second), hours and
// minutes, or hours, minutes and seconds; the start is included, the end not.
function timeRange() {
  var c = __split(arguments), a = c.args, start, end;
  for (var i = 0; i < a.length; i++) {
    a[i] = Number(a[i]);
    if (isNaN(a[i])) return false;
  }
  if (a.length == 1) { start = a[0] * 3600; end = start + 3600; }
  else if (a.length == 2) { start = a[0] * 3600; end = a[1] * 3600; }
  else if (a.length == 4) { start = a[0] * 3600 + a[1] * 60; end = a[2] * 3600 + a[3] * 60; }
  else if (a.length == 6) { start = a[0] * 3600 + a[1] * 60 + a[2]; end = a[3] * 3600 + a[4] * 60 + a[5]; }
  else return false;
  var t = c.now.second;
  return start <= end ? start <= t && t < end : t >= start || t < end;
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
std::optional<std::string> evaluateScript(const std::string& script, const CFURL& url, const ScriptMoments& moments)
{
    duk_context* ctx = duk_create_heap_default();
    if (!ctx)
        return std::nullopt;
    duk_push_global_stash(ctx);
    duk_push_pointer(ctx, const_cast<ScriptMoments*>(&moments));
    duk_put_prop_string(ctx, -2, "moments");
    duk_pop(ctx);
    duk_push_c_function(ctx, nativeMoment, 1);
    duk_put_global_string(ctx, "__moment");
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

std::optional<std::vector<CFProxy>> CFNetworkCopyProxiesForAutoConfigurationScript(
    const std::string& script, const CFURL& url, double timeoutSeconds)
{
    // The script engine has no step limit, so a script that loops for ever
    // would hold the network thread for ever. It runs in a child process
    // instead, which is killed when the time is up; its answer comes back
    // through a pipe.
    double wall = Clock::wallNow().secondsSince1970;
    const ScriptMoments moments { momentOf(wall, false), momentOf(wall, true) };
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
        auto answer = evaluateScript(script, url, moments);
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
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return CFProxiesFromAutoConfigurationResult(result);
}
