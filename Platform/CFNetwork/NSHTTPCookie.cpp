#include "Platform/CFNetwork/NSHTTPCookie.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSString.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool domainMatches(const std::string& cookieDomain, const std::string& host)
{
    std::string h = NSString::lowercaseASCII(host);
    if (cookieDomain.starts_with('.')) {
        std::string bare = cookieDomain.substr(1);
        return h == bare || (h.size() > cookieDomain.size() && h.ends_with(cookieDomain));
    }
    return h == cookieDomain;
}

bool pathMatches(const std::string& cookiePath, const std::string& requestPath)
{
    std::string path = requestPath.empty() ? "/" : requestPath;
    if (path == cookiePath)
        return true;
    if (!path.starts_with(cookiePath))
        return false;
    return cookiePath.ends_with('/') || path[cookiePath.size()] == '/';
}

std::string defaultPath(const CFURL& url)
{
    const std::string& path = url.path();
    if (path.empty() || path.front() != '/')
        return "/";
    size_t slash = path.rfind('/');
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

int monthIndex(std::string_view name)
{
    static const char* months[]
        = { "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec" };
    std::string l = NSString::lowercaseASCII(name.substr(0, 3));
    for (int i = 0; i < 12; ++i)
        if (l == months[i])
            return i;
    return -1;
}

// Splits a joined Set-Cookie value at commas that begin a new cookie, that is
// commas followed by a name=value pair before any ";".
std::vector<std::string_view> splitJoinedCookies(std::string_view text)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != ',')
            continue;
        std::string_view after = text.substr(i + 1);
        size_t stop = after.find_first_of(";,");
        std::string_view segment = after.substr(0, stop);
        size_t eq = segment.find('=');
        if (eq == std::string_view::npos || trim(segment.substr(0, eq)).empty())
            continue;
        if (trim(segment.substr(0, eq)).find(' ') != std::string_view::npos)
            continue;
        parts.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

}  // namespace

std::optional<double> NSHTTPCookie::parseHTTPDate(std::string_view text)
{
    // Tokenise on blanks, commas, dashes and colons, then pick out the parts
    // by their look, which covers the three date forms HTTP allows.
    std::vector<std::string> tokens;
    std::string current;
    for (char c : text) {
        if (c == ' ' || c == ',' || c == '-' || c == ':' || c == '\t') {
            if (!current.empty())
                tokens.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        tokens.push_back(current);
    int day = -1, month = -1, year = -1, hour = -1, minute = -1, second = -1;
    std::vector<int> numbers;
    bool monthFirst = false;
    for (const auto& t : tokens) {
        if (std::all_of(t.begin(), t.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
            numbers.push_back(std::stoi(t.substr(0, 9)));
            continue;
        }
        if (month < 0) {
            int m = monthIndex(t);
            if (m >= 0 && t.size() >= 3) {
                month = m;
                monthFirst = numbers.empty();
                continue;
            }
        }
    }
    // Numbers in order: day, year, h, m, s (RFC 1123 and 850) or day, h, m, s, year (asctime).
    if (numbers.size() != 5 || month < 0)
        return std::nullopt;
    day = numbers[0];
    if (!monthFirst) {
        year = numbers[1];
        hour = numbers[2];
        minute = numbers[3];
        second = numbers[4];
    } else {
        hour = numbers[1];
        minute = numbers[2];
        second = numbers[3];
        year = numbers[4];
    }
    if (year < 70)
        year += 2000;
    else if (year < 100)
        year += 1900;
    if (day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<double>(timegm(&tm));
}

std::optional<NSHTTPCookie> NSHTTPCookie::parseSetCookie(std::string_view text, const CFURL& url)
{
    if (url.host().empty())
        return std::nullopt;
    size_t semi = text.find(';');
    std::string_view pair = text.substr(0, semi);
    size_t eq = pair.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    NSHTTPCookie cookie;
    cookie.name = std::string(trim(pair.substr(0, eq)));
    cookie.value = std::string(trim(pair.substr(eq + 1)));
    if (cookie.name.empty())
        return std::nullopt;
    cookie.domain = NSString::lowercaseASCII(url.host());
    cookie.path = defaultPath(url);
    std::optional<double> maxAge;
    std::string_view attributes = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
    while (!attributes.empty()) {
        size_t next = attributes.find(';');
        std::string_view attribute = trim(attributes.substr(0, next));
        attributes = next == std::string_view::npos ? std::string_view() : attributes.substr(next + 1);
        size_t e = attribute.find('=');
        std::string key = NSString::lowercaseASCII(trim(attribute.substr(0, e)));
        std::string_view value = e == std::string_view::npos ? std::string_view() : trim(attribute.substr(e + 1));
        if (key == "domain" && !value.empty()) {
            std::string domain = NSString::lowercaseASCII(value);
            if (!domain.starts_with('.'))
                domain = "." + domain;
            // A server may only set cookies for its own domain.
            if (!domainMatches(domain, url.host()))
                return std::nullopt;
            cookie.domain = domain;
        } else if (key == "path" && value.starts_with('/')) {
            cookie.path = std::string(value);
        } else if (key == "expires") {
            if (!maxAge)
                cookie.expiresDate = parseHTTPDate(value);
        } else if (key == "max-age") {
            char* end = nullptr;
            std::string v(value);
            double seconds = std::strtod(v.c_str(), &end);
            if (end && end != v.c_str()) {
                maxAge = seconds;
                cookie.expiresDate = Clock::wallNow().secondsSince1970 + seconds;
            }
        } else if (key == "secure") {
            cookie.isSecure = true;
        } else if (key == "httponly") {
            cookie.isHTTPOnly = true;
        }
    }
    return cookie;
}

std::vector<NSHTTPCookie> NSHTTPCookie::cookiesWithResponseHeaderFieldsForURL(
    const HTTPHeaderFields& headers, const CFURL& url)
{
    std::vector<NSHTTPCookie> cookies;
    for (const auto& [name, value] : headers) {
        if (!NSString::equalsIgnoringASCIICase(name, "Set-Cookie"))
            continue;
        for (auto part : splitJoinedCookies(value))
            if (auto cookie = parseSetCookie(part, url))
                cookies.push_back(*cookie);
    }
    return cookies;
}

NSHTTPCookieStorage& NSHTTPCookieStorage::sharedHTTPCookieStorage()
{
    static NSHTTPCookieStorage storage;
    return storage;
}

void NSHTTPCookieStorage::dropExpiredLocked() const
{
    double now = Clock::wallNow().secondsSince1970;
    std::erase_if(m_cookies, [&](const NSHTTPCookie& c) { return c.expiresDate && *c.expiresDate <= now; });
}

std::vector<NSHTTPCookie> NSHTTPCookieStorage::cookies() const
{
    std::lock_guard lock(m_mutex);
    dropExpiredLocked();
    return m_cookies;
}

std::vector<NSHTTPCookie> NSHTTPCookieStorage::cookiesForURL(const CFURL& url) const
{
    std::lock_guard lock(m_mutex);
    dropExpiredLocked();
    std::vector<NSHTTPCookie> matches;
    for (const auto& cookie : m_cookies) {
        if (!domainMatches(cookie.domain, url.host()) || !pathMatches(cookie.path, url.decodedPath()))
            continue;
        if (cookie.isSecure && url.scheme() != "https")
            continue;
        matches.push_back(cookie);
    }
    std::stable_sort(matches.begin(), matches.end(),
        [](const NSHTTPCookie& a, const NSHTTPCookie& b) { return a.path.size() > b.path.size(); });
    return matches;
}

void NSHTTPCookieStorage::setCookie(const NSHTTPCookie& cookie)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_cookies, [&](const NSHTTPCookie& c) { return c.sameIdentity(cookie); });
    if (cookie.expiresDate && *cookie.expiresDate <= Clock::wallNow().secondsSince1970)
        return;  // an expiry in the past deletes the cookie
    m_cookies.push_back(cookie);
}

void NSHTTPCookieStorage::setCookiesForURL(const std::vector<NSHTTPCookie>& cookies, const CFURL&)
{
    for (const auto& cookie : cookies)
        setCookie(cookie);
}

void NSHTTPCookieStorage::deleteCookie(const NSHTTPCookie& cookie)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_cookies, [&](const NSHTTPCookie& c) { return c.sameIdentity(cookie); });
}

void NSHTTPCookieStorage::removeAllCookies()
{
    std::lock_guard lock(m_mutex);
    m_cookies.clear();
}
