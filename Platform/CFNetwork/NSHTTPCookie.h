#pragma once

// Cookies and the shared cookie store. A cookie is known by its domain, path
// and name; setting one with the same three replaces it. Cookies without an
// expiry live for the session (the store's life); a cookie whose expiry has
// passed is removed when it is set. Set-Cookie fields joined into one header
// value (", ") are split again at commas that start a new name=value pair, so
// the comma inside an Expires date does not break a cookie.

#include "Platform/CFNetwork/CFHTTPMessage.h"
#include "Platform/CFNetwork/CFURL.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct NSHTTPCookie {
    std::string name;
    std::string value;
    std::string domain;  // leading "." for a domain cookie, else the host
    std::string path = "/";
    std::optional<double> expiresDate;  // seconds since 1970; none = session cookie
    bool isSecure = false;
    bool isHTTPOnly = false;

    bool isSessionOnly() const { return !expiresDate; }
    bool sameIdentity(const NSHTTPCookie& other) const
    {
        return domain == other.domain && path == other.path && name == other.name;
    }
    bool operator==(const NSHTTPCookie&) const = default;

    // The cookies of a response's Set-Cookie fields, for the URL that answered.
    static std::vector<NSHTTPCookie> cookiesWithResponseHeaderFieldsForURL(
        const HTTPHeaderFields& headers, const CFURL& url);
    // Parses one Set-Cookie value; nothing when it is not a valid cookie for the URL.
    static std::optional<NSHTTPCookie> parseSetCookie(std::string_view text, const CFURL& url);
    // An HTTP date ("Wed, 09 Jun 2021 10:18:14 GMT" and its two older forms).
    static std::optional<double> parseHTTPDate(std::string_view text);
};

class NSHTTPCookieStorage {
public:
    static NSHTTPCookieStorage& sharedHTTPCookieStorage();

    std::vector<NSHTTPCookie> cookies() const;
    // Cookies to send to the URL, most specific path first.
    std::vector<NSHTTPCookie> cookiesForURL(const CFURL& url) const;
    void setCookie(const NSHTTPCookie& cookie);
    void setCookiesForURL(const std::vector<NSHTTPCookie>& cookies, const CFURL& url);
    void deleteCookie(const NSHTTPCookie& cookie);
    void removeAllCookies();

private:
    mutable std::mutex m_mutex;
    mutable std::vector<NSHTTPCookie> m_cookies;  // expired ones are dropped on reads
    void dropExpiredLocked() const;
};
