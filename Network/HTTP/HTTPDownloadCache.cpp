#include "Network/HTTP/HTTPDownloadCache.h"

#include "Network/HTTP/HTTPRequest.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/PropertyList.h"

#include <algorithm>
#include <cctype>

namespace {

const std::string sessionFolder = "SessionStore";
const std::string permanentFolder = "PermanentStore";
const std::string expiresKey = "X-HTTPRequest-Expires";
const std::string statusKey = "X-HTTPRequest-Response-Status-Code";

std::string joined(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The stored headers as they are on disk: the response's fields as texts plus
// the expiry and status as numbers.
Value readHeadersFile(const std::string& path) { return PropertyList::dictionaryWithContentsOfFile(path); }

}  // namespace

HTTPDownloadCache::HTTPDownloadCache() = default;

std::shared_ptr<HTTPDownloadCache> HTTPDownloadCache::sharedCache()
{
    static std::mutex lock;
    static std::shared_ptr<HTTPDownloadCache> shared;
    std::lock_guard guard(lock);
    if (!shared) {
        shared = std::make_shared<HTTPDownloadCache>();
        auto caches = NSSearchPathForDirectoriesInDomains(NSCachesDirectory, NSUserDomainMask, true);
        if (!caches.empty())
            shared->setStoragePath(joined(caches.front(), "HTTPRequestCache"));
    }
    return shared;
}

bool HTTPDownloadCache::makeFolder(const std::string& path) const
{
    auto& files = NSFileManager::defaultManager();
    bool isFolder = false;
    if (files.fileExistsAtPathIsDirectory(path, &isFolder)) {
        if (isFolder)
            return true;
        NSLog("FileExistsAtCachePath: Cannot create a directory for the cache at '%@', because a file already exists",
            path);
        return false;
    }
    if (!files.createDirectoryAtPathWithIntermediateDirectories(path, false)) {
        NSLog("FailedToCreateCacheDirectory: Failed to create a directory for the cache at '%@'", path);
        return false;
    }
    return true;
}

bool HTTPDownloadCache::setStoragePath(const std::string& path)
{
    std::lock_guard lock(m_accessLock);
    bool ok = clearCachedResponses(HTTPCacheForSessionDurationCacheStoragePolicy);
    m_storagePath = path;
    for (const auto& folder : { path, joined(path, sessionFolder), joined(path, permanentFolder) })
        if (!makeFolder(folder))
            return false;
    return clearCachedResponses(HTTPCacheForSessionDurationCacheStoragePolicy) && ok;
}

std::optional<std::string> HTTPDownloadCache::storagePath() const
{
    std::lock_guard lock(m_accessLock);
    return m_storagePath;
}

int HTTPDownloadCache::defaultCachePolicy() const
{
    std::lock_guard lock(m_accessLock);
    return m_defaultCachePolicy;
}

void HTTPDownloadCache::setDefaultCachePolicy(int policy)
{
    std::lock_guard lock(m_accessLock);
    m_defaultCachePolicy = policy == HTTPUseDefaultCachePolicy ? HTTPAskServerIfModifiedWhenStaleCachePolicy : policy;
}

const std::vector<std::string>& HTTPDownloadCache::fileExtensionsToHandleAsHTML()
{
    static const std::vector<std::string> extensions { "asp", "aspx", "jsp", "php", "rb", "py", "pl", "cgi" };
    return extensions;
}

std::optional<std::string> HTTPDownloadCache::keyForURL(const CFURL& url)
{
    std::string text = url.absoluteString();
    if (text.empty())
        return std::nullopt;
    if (text.back() == '/')
        text.pop_back();
    return Hashing::md5HexUpper(text);
}

std::optional<std::string> HTTPDownloadCache::headersFileName(const CFURL& url)
{
    auto key = keyForURL(url);
    return key ? std::optional(*key + ".cachedheaders") : std::nullopt;
}

std::optional<std::string> HTTPDownloadCache::dataFileName(const CFURL& url)
{
    auto key = keyForURL(url);
    if (!key)
        return std::nullopt;
    std::string extension = url.pathExtension();
    const auto& html = fileExtensionsToHandleAsHTML();
    if (extension.empty() || std::find(html.begin(), html.end(), NSString::lowercaseASCII(extension)) != html.end())
        extension = "html";
    return *key + "." + extension;
}

std::optional<std::string> HTTPDownloadCache::folderForStoragePolicy(int storagePolicy) const
{
    std::lock_guard lock(m_accessLock);
    if (!m_storagePath)
        return std::nullopt;
    return joined(*m_storagePath,
        storagePolicy == HTTPCacheForSessionDurationCacheStoragePolicy ? sessionFolder : permanentFolder);
}

std::optional<std::string> HTTPDownloadCache::pathToFile(const std::string& fileName) const
{
    std::lock_guard lock(m_accessLock);
    if (!m_storagePath)
        return std::nullopt;
    auto& files = NSFileManager::defaultManager();
    for (const auto& folder : { sessionFolder, permanentFolder }) {
        std::string path = joined(joined(*m_storagePath, folder), fileName);
        if (files.fileExistsAtPath(path))
            return path;
    }
    return std::nullopt;
}

std::optional<std::string> HTTPDownloadCache::pathToCachedResponseHeadersForURL(const CFURL& url)
{
    auto name = headersFileName(url);
    return name ? pathToFile(*name) : std::nullopt;
}

std::optional<std::string> HTTPDownloadCache::pathToCachedResponseDataForURL(const CFURL& url)
{
    auto name = dataFileName(url);
    return name ? pathToFile(*name) : std::nullopt;
}

std::optional<std::string> HTTPDownloadCache::pathToStoreCachedResponseHeadersForRequest(HTTPRequest& request)
{
    auto folder = folderForStoragePolicy(request.cacheStoragePolicy);
    auto name = headersFileName(request.url());
    return folder && name ? std::optional(joined(*folder, *name)) : std::nullopt;
}

std::optional<std::string> HTTPDownloadCache::pathToStoreCachedResponseDataForRequest(HTTPRequest& request)
{
    auto folder = folderForStoragePolicy(request.cacheStoragePolicy);
    auto name = dataFileName(request.url());
    return folder && name ? std::optional(joined(*folder, *name)) : std::nullopt;
}

std::optional<HTTPHeaderFields> HTTPDownloadCache::cachedResponseHeadersForURL(const CFURL& url)
{
    auto path = pathToCachedResponseHeadersForURL(url);
    if (!path)
        return std::nullopt;
    Value stored = readHeadersFile(*path);
    if (!stored.isDictionary())
        return std::nullopt;
    // Numbers (expiry, status) are handed on as their text, like every field.
    HTTPHeaderFields fields;
    for (const auto& [name, value] : stored.dictionaryValue())
        fields.set(name, value.stringValue());
    return fields;
}

std::optional<Data> HTTPDownloadCache::cachedResponseDataForURL(const CFURL& url)
{
    auto path = pathToCachedResponseDataForURL(url);
    if (!path)
        return std::nullopt;
    return NSFileManager::defaultManager().contentsAtPath(*path);
}

std::optional<double> HTTPDownloadCache::expiryDateForRequestMaxAge(HTTPRequest& request, double maxAge)
{
    return HTTPRequest::expiryDateForRequestMaxAge(request, maxAge);
}

void HTTPDownloadCache::updateExpiryForRequestMaxAge(HTTPRequest& request, double maxAge)
{
    std::optional<std::string> path;
    {
        std::lock_guard lock(m_accessLock);
        path = pathToCachedResponseHeadersForURL(request.url());
    }
    if (!path)
        return;
    Value stored = readHeadersFile(*path);
    if (!stored.isDictionary())
        return;
    if (auto expires = expiryDateForRequestMaxAge(request, maxAge)) {
        stored.set(expiresKey, Value(*expires));
        PropertyList::writeToFile(stored, *path);
    }
}

bool HTTPDownloadCache::serverAllowsResponseCachingForRequest(HTTPRequest& request)
{
    auto headers = request.responseHeaders();
    std::string control = NSString::lowercaseASCII(headers.value("Cache-Control").value_or(""));
    std::string pragma = NSString::lowercaseASCII(headers.value("Pragma").value_or(""));
    return control != "no-cache" && control != "no-store" && pragma != "no-cache";
}

void HTTPDownloadCache::storeResponseForRequestMaxAge(HTTPRequest& request, double maxAge)
{
    std::lock_guard lock(m_accessLock);
    int status = request.responseStatusCode();
    bool haveHeaders = false;
    {
        std::lock_guard response(request.m_responseLock);
        haveHeaders = request.m_haveResponseHeaders;
    }
    if (request.error() || !haveHeaders || (request.cachePolicy & HTTPDoNotWriteToCacheCachePolicy)
        || (status != 200 && status != 301 && status != 302 && status != 303 && status != 307))
        return;
    if (shouldRespectCacheControlHeaders && !serverAllowsResponseCachingForRequest(request))
        return;
    auto headersPath = pathToStoreCachedResponseHeadersForRequest(request);
    auto dataPath = pathToStoreCachedResponseDataForRequest(request);
    if (!headersPath || !dataPath)
        return;

    HTTPHeaderFields fields = request.responseHeaders();
    if (request.isResponseCompressed())
        fields.remove("Content-Encoding");  // the stored body is the decoded one
    Value headers = fields.toDictionary();
    if (auto expires = expiryDateForRequestMaxAge(request, maxAge))
        headers.set(expiresKey, Value(*expires));
    headers.set(statusKey, Value(status == 304 ? 200 : status));
    PropertyList::writeToFile(headers, *headersPath);

    auto& files = NSFileManager::defaultManager();
    if (auto body = request.responseData()) {
        files.createFileAtPathContents(*dataPath, *body);
    } else if (request.downloadDestinationPath && *request.downloadDestinationPath != *dataPath) {
        if (files.fileExistsAtPath(*dataPath))
            files.removeItemAtPath(*dataPath);
        files.copyItemAtPathToPath(*request.downloadDestinationPath, *dataPath);
    }
}

bool HTTPDownloadCache::canUseCachedDataForRequest(HTTPRequest& request)
{
    int policy = request.cachePolicy;
    if (policy & HTTPDoNotReadFromCacheCachePolicy)
        return false;
    if (policy & HTTPDontLoadCachePolicy)
        return true;
    CFURL url = request.url();
    if (!pathToCachedResponseHeadersForURL(url) || !pathToCachedResponseDataForURL(url))
        return false;
    if ((policy & HTTPOnlyLoadIfNotCachedCachePolicy)
        || (request.complete() && (policy & HTTPFallbackToCacheIfLoadFailsCachePolicy)))
        return true;
    bool haveHeaders = false;
    {
        std::lock_guard response(request.m_responseLock);
        haveHeaders = request.m_haveResponseHeaders;
    }
    if ((policy & HTTPAskServerIfModifiedWhenStaleCachePolicy)
        || ((policy & HTTPAskServerIfModifiedCachePolicy) && haveHeaders))
        return isCachedDataCurrentForRequest(request);
    return false;
}

bool HTTPDownloadCache::isCachedDataCurrentForRequest(HTTPRequest& request)
{
    std::lock_guard lock(m_accessLock);
    if (!m_storagePath)
        return false;
    CFURL url = request.url();
    auto headersPath = pathToCachedResponseHeadersForURL(url);
    if (!headersPath || !pathToCachedResponseDataForURL(url))
        return false;
    Value stored = readHeadersFile(*headersPath);
    if (!stored.isDictionary())
        return false;
    if (request.responseStatusCode() == 304)
        return true;
    bool haveHeaders = false;
    {
        std::lock_guard response(request.m_responseLock);
        haveHeaders = request.m_haveResponseHeaders;
    }
    if (haveHeaders && request.complete()) {
        auto headers = request.responseHeaders();
        auto storedFields = HTTPHeaderFields::fromDictionary(stored);
        for (const char* name : { "Etag", "Last-Modified" }) {
            auto mine = headers.value(name);
            auto theirs = storedFields.value(name);
            if (!mine || !theirs || *mine != *theirs)
                return false;
        }
    }
    if (shouldRespectCacheControlHeaders) {
        const Value& expires = stored[expiresKey];
        return expires.isNumber() && expires.doubleValue() >= Clock::wallNow().secondsSince1970;
    }
    return true;
}

void HTTPDownloadCache::removeCachedDataForURL(const CFURL& url)
{
    std::lock_guard lock(m_accessLock);
    if (!m_storagePath)
        return;
    auto& files = NSFileManager::defaultManager();
    if (auto path = pathToCachedResponseHeadersForURL(url))
        files.removeItemAtPath(*path);
    if (auto path = pathToCachedResponseDataForURL(url))
        files.removeItemAtPath(*path);
}

void HTTPDownloadCache::removeCachedDataForRequest(HTTPRequest& request) { removeCachedDataForURL(request.url()); }

void HTTPDownloadCache::clearCachedResponsesForStoragePolicy(int storagePolicy) { clearCachedResponses(storagePolicy); }

bool HTTPDownloadCache::clearCachedResponses(int storagePolicy)
{
    std::lock_guard lock(m_accessLock);
    auto folder = folderForStoragePolicy(storagePolicy);
    if (!folder)
        return true;
    auto& files = NSFileManager::defaultManager();
    bool isFolder = false;
    if (!files.fileExistsAtPathIsDirectory(*folder, &isFolder) || !isFolder)
        return true;
    auto entries = files.contentsOfDirectoryAtPath(*folder);
    if (!entries) {
        NSLog("FailedToTraverseCacheDirectory: Listing cache directory failed at path '%@'", *folder);
        return false;
    }
    for (const auto& entry : *entries) {
        if (!files.removeItemAtPath(joined(*folder, entry))) {
            NSLog("FailedToRemoveCacheFile: Failed to remove cached data at path '%@'", *folder);
            return false;
        }
    }
    return true;
}
