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
// Session stores, saved credentials and cookies

std::vector<HTTPSessionCredentialsRef> HTTPRequest::sessionCredentialsStore()
{
    std::lock_guard lock(classState().sessionCredentialLock);
    return classState().sessionCredentials;
}

std::vector<HTTPSessionCredentialsRef> HTTPRequest::sessionProxyCredentialsStore()
{
    std::lock_guard lock(classState().sessionCredentialLock);
    return classState().sessionProxyCredentials;
}

void HTTPRequest::storeAuthenticationCredentialsInSessionStore(HTTPSessionCredentialsRef entry)
{
    std::lock_guard lock(classState().sessionCredentialLock);
    removeAuthenticationCredentialsFromSessionStore(entry->credentials);
    classState().sessionCredentials.push_back(std::move(entry));
}

void HTTPRequest::storeProxyAuthenticationCredentialsInSessionStore(HTTPSessionCredentialsRef entry)
{
    std::lock_guard lock(classState().sessionCredentialLock);
    removeProxyAuthenticationCredentialsFromSessionStore(entry->credentials);
    classState().sessionProxyCredentials.push_back(std::move(entry));
}

void HTTPRequest::removeAuthenticationCredentialsFromSessionStore(const HTTPCredentialsRef& credentials)
{
    std::lock_guard lock(classState().sessionCredentialLock);
    auto& store = classState().sessionCredentials;
    auto it = std::find_if(store.begin(), store.end(), [&](auto& e) { return e->credentials == credentials; });
    if (it != store.end())
        store.erase(it);
}

void HTTPRequest::removeProxyAuthenticationCredentialsFromSessionStore(const HTTPCredentialsRef& credentials)
{
    std::lock_guard lock(classState().sessionCredentialLock);
    auto& store = classState().sessionProxyCredentials;
    auto it = std::find_if(store.begin(), store.end(), [&](auto& e) { return e->credentials == credentials; });
    if (it != store.end())
        store.erase(it);
}

HTTPSessionCredentialsRef HTTPRequest::findSessionAuthenticationCredentials()
{
    std::lock_guard lock(classState().sessionCredentialLock);
    HTTPSessionCredentialsRef close;
    for (auto& entry : classState().sessionCredentials) {
        if (!entry->url)
            continue;
        bool exact = *entry->url == m_url;
        if (!exact) {
            if (close)
                continue;
            const CFURL& u = *entry->url;
            if (u.host() != m_url.host() || u.port() != m_url.port() || u.scheme() != m_url.scheme())
                continue;
        }
        if (authenticationRealm && entry->authenticationRealm && *authenticationRealm != *entry->authenticationRealm)
            continue;
        if (!username.empty() && !password.empty()
            && (entry->credentials->username != username || entry->credentials->password != password))
            continue;
        if (exact)
            return entry;
        close = entry;
    }
    return close;
}

HTTPSessionCredentialsRef HTTPRequest::findSessionProxyAuthenticationCredentials()
{
    std::lock_guard lock(classState().sessionCredentialLock);
    for (auto& entry : classState().sessionProxyCredentials)
        if (entry->host == proxyHost && entry->port == proxyPort)
            return entry;
    return nullptr;
}

void HTTPRequest::clearSession()
{
    {
        std::lock_guard lock(classState().sessionCredentialLock);
        classState().sessionCredentials.clear();
    }
    setSessionCookies({});
    if (auto cache = defaultCache())
        cache->clearCachedResponsesForStoragePolicy(0);
}

std::vector<NSHTTPCookie> HTTPRequest::sessionCookies()
{
    std::lock_guard lock(classState().sessionCookieLock);
    if (!classState().sessionCookies)
        classState().sessionCookies.emplace();
    return *classState().sessionCookies;
}

void HTTPRequest::setSessionCookies(std::vector<NSHTTPCookie> cookies)
{
    std::lock_guard lock(classState().sessionCookieLock);
    if (classState().sessionCookies)
        for (auto& cookie : *classState().sessionCookies)
            NSHTTPCookieStorage::sharedHTTPCookieStorage().deleteCookie(cookie);
    classState().sessionCookies = std::move(cookies);
}

void HTTPRequest::addSessionCookie(const NSHTTPCookie& cookie)
{
    std::lock_guard lock(classState().sessionCookieLock);
    auto& list = classState().sessionCookies;
    if (!list)
        list.emplace();
    auto it = std::find_if(list->begin(), list->end(), [&](auto& c) { return c.sameIdentity(cookie); });
    if (it != list->end())
        list->erase(it);
    list->push_back(cookie);
}

void HTTPRequest::saveCredentialsForHostPortProtocolRealm(const HTTPCredentials& credentials, const std::string& host,
    int port, const std::string& protocol, const std::optional<std::string>& realm)
{
    NSURLCredentialStorage::sharedCredentialStorage().setDefaultCredential(
        { credentials.username, credentials.password }, { host, port, protocol, realm.value_or(""), false });
}

std::optional<HTTPCredentials> HTTPRequest::savedCredentialsForHostPortProtocolRealm(
    const std::string& host, int port, const std::string& protocol, const std::optional<std::string>& realm)
{
    auto found = NSURLCredentialStorage::sharedCredentialStorage().defaultCredential(
        { host, port, protocol, realm.value_or(""), false });
    if (!found)
        return std::nullopt;
    return HTTPCredentials { found->user, found->password, std::nullopt };
}

void HTTPRequest::removeCredentialsForHostPortProtocolRealm(
    const std::string& host, int port, const std::string& protocol, const std::optional<std::string>& realm)
{
    NSURLCredentialStorage::sharedCredentialStorage().removeDefaultCredential(
        { host, port, protocol, realm.value_or(""), false });
}

void HTTPRequest::saveCredentialsForProxyPortRealm(
    const HTTPCredentials& credentials, const std::string& host, int port, const std::optional<std::string>& realm)
{
    NSURLCredentialStorage::sharedCredentialStorage().setDefaultCredential(
        { credentials.username, credentials.password }, { host, port, "http", realm.value_or(""), true });
}

std::optional<HTTPCredentials> HTTPRequest::savedCredentialsForProxyPortProtocolRealm(
    const std::string& host, int port, const std::string&, const std::optional<std::string>& realm)
{
    auto found = NSURLCredentialStorage::sharedCredentialStorage().defaultCredential(
        { host, port, "http", realm.value_or(""), true });
    if (!found)
        return std::nullopt;
    return HTTPCredentials { found->user, found->password, std::nullopt };
}

void HTTPRequest::removeCredentialsForProxyPortRealm(
    const std::string& host, int port, const std::optional<std::string>& realm)
{
    NSURLCredentialStorage::sharedCredentialStorage().removeDefaultCredential(
        { host, port, "http", realm.value_or(""), true });
}
