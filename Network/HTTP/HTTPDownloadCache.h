#pragma once

// Responses kept on disk by URL: a property list of headers and a file of body
// bytes per URL, in a session folder (emptied with the session) or a permanent
// one. Requests with a cache ask it before going to the network, add
// conditional headers from it, fall back to it on failure and store good
// answers in it. Every folder and file operation of one cache runs under its
// recursive `accessLock`, so the network thread and other callers can share it.
//
// Cache policy bits (a request's `cachePolicy`, 0 meaning the cache's default):
// 1 never read, 2 never write, 4 use while current, 8 always revalidate,
// 16 use whenever stored, 32 never go to the network, 64 fall back on failure.

#include "Network/HTTP/HTTPRequestDelegate.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

enum HTTPCachePolicy : int {
    HTTPUseDefaultCachePolicy = 0,
    HTTPDoNotReadFromCacheCachePolicy = 1,
    HTTPDoNotWriteToCacheCachePolicy = 2,
    HTTPAskServerIfModifiedWhenStaleCachePolicy = 4,
    HTTPAskServerIfModifiedCachePolicy = 8,
    HTTPOnlyLoadIfNotCachedCachePolicy = 16,
    HTTPDontLoadCachePolicy = 32,
    HTTPFallbackToCacheIfLoadFailsCachePolicy = 64,
};

enum HTTPCacheStoragePolicy : int {
    HTTPCacheForSessionDurationCacheStoragePolicy = 0,
    HTTPCachePermanentlyCacheStoragePolicy = 1,
};

class HTTPDownloadCache : public HTTPCacheDelegate {
public:
    HTTPDownloadCache();

    // The process's cache, in the caches folder; not the requests' default by itself.
    static std::shared_ptr<HTTPDownloadCache> sharedCache();

    // Makes the folders and empties the session folders of the old and the new
    // path; false (with the reason logged) when a folder cannot be made.
    bool setStoragePath(const std::string& path);
    std::optional<std::string> storagePath() const;

    int defaultCachePolicy() const override;
    void setDefaultCachePolicy(int policy);
    std::recursive_mutex& accessLock() const { return m_accessLock; }
    std::atomic<bool> shouldRespectCacheControlHeaders { true };

    std::optional<double> expiryDateForRequestMaxAge(HTTPRequest& request, double maxAge) override;
    void updateExpiryForRequestMaxAge(HTTPRequest& request, double maxAge) override;
    bool canUseCachedDataForRequest(HTTPRequest& request) override;
    void removeCachedDataForRequest(HTTPRequest& request) override;
    bool isCachedDataCurrentForRequest(HTTPRequest& request) override;
    void storeResponseForRequestMaxAge(HTTPRequest& request, double maxAge) override;
    void removeCachedDataForURL(const CFURL& url) override;
    std::optional<HTTPHeaderFields> cachedResponseHeadersForURL(const CFURL& url) override;
    std::optional<Data> cachedResponseDataForURL(const CFURL& url) override;
    std::optional<std::string> pathToCachedResponseDataForURL(const CFURL& url) override;
    std::optional<std::string> pathToCachedResponseHeadersForURL(const CFURL& url) override;
    std::optional<std::string> pathToStoreCachedResponseHeadersForRequest(HTTPRequest& request) override;
    std::optional<std::string> pathToStoreCachedResponseDataForRequest(HTTPRequest& request) override;
    // False when the folder could not be listed or an entry not removed.
    void clearCachedResponsesForStoragePolicy(int storagePolicy) override;
    bool clearCachedResponses(int storagePolicy);

    std::optional<std::string> pathToFile(const std::string& fileName) const;

    static bool serverAllowsResponseCachingForRequest(HTTPRequest& request);
    static std::optional<std::string> keyForURL(const CFURL& url);
    static const std::vector<std::string>& fileExtensionsToHandleAsHTML();

private:
    static std::optional<std::string> headersFileName(const CFURL& url);
    static std::optional<std::string> dataFileName(const CFURL& url);
    std::optional<std::string> folderForStoragePolicy(int storagePolicy) const;
    bool makeFolder(const std::string& path) const;

    mutable std::recursive_mutex m_accessLock;
    std::optional<std::string> m_storagePath;
    int m_defaultCachePolicy = HTTPAskServerIfModifiedWhenStaleCachePolicy;
};
