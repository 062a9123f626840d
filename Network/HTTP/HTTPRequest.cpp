#include "Network/HTTP/HTTPRequest.h"

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
    std::shared_ptr<Reachability> internetReachability;
    bool observingReachability = false;

    double defaultTimeOutSeconds = 10.0;
    bool userAgentBuilt = false;
    std::optional<std::string> defaultUserAgent;
    std::shared_ptr<HTTPCacheDelegate> defaultCache;
    std::shared_ptr<NSThread> networkThread;
    std::shared_ptr<NSOperationQueue> sharedQueue;
};

HTTPRequest::ClassState& HTTPRequest::classState()
{
    static auto* state = new ClassState;  // lives for the process, like the network thread
    return *state;
}

namespace {

HTTPErrorRef sharedError(long code)
{
    static const HTTPErrorRef timedOut = HTTPError::make(HTTPRequestTimedOutErrorType, "The request timed out");
    static const HTTPErrorRef authentication = HTTPError::make(HTTPAuthenticationErrorType, "Authentication needed");
    static const HTTPErrorRef cancelled = HTTPError::make(HTTPRequestCancelledErrorType, "The request was cancelled");
    static const HTTPErrorRef badURL = HTTPError::make(HTTPUnableToCreateRequestErrorType,
                                                       "Unable to create request (bad url?)");
    static const HTTPErrorRef redirects = HTTPError::make(HTTPTooMuchRedirectionErrorType,
                                                          "The request failed because it redirected too many times");
    switch (code) {
    case HTTPRequestTimedOutErrorType: return timedOut;
    case HTTPAuthenticationErrorType: return authentication;
    case HTTPRequestCancelledErrorType: return cancelled;
    case HTTPUnableToCreateRequestErrorType: return badURL;
    default: return redirects;
    }
}

std::string trimmed(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return std::string(s);
}

std::string temporaryPath()
{
    std::string dir = NSTemporaryDirectory();
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir + Hashing::uuidString();
}

HTTPErrorRef fileSystemError(const std::string& text)
{
    return HTTPError::other("NSCocoaErrorDomain", 0, text);
}

// "Content-Length" read as C reads a number with its prefix (0x hexadecimal, 0 octal).
uint64_t parseCPrefixedUnsigned(const std::string& text)
{
    return std::strtoull(text.c_str(), nullptr, 0);
}

void onMainThread(std::function<void()> block)
{
    if (NSThread::isMainThread())
        block();
    else
        NSThread::performOnMainThread(std::move(block), false);
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and class-level values

std::shared_ptr<HTTPRequest> HTTPRequest::requestWithURL(const CFURL& url)
{
    return std::make_shared<HTTPRequest>(url);
}

HTTPRequest::HTTPRequest(const CFURL& url) : m_url(url)
{
    timeOutSeconds = defaultTimeOutSeconds();
    downloadCache = defaultCache();
}

HTTPRequest::~HTTPRequest()
{
    if (m_statusTimer)
        m_statusTimer->invalidate();
    if (m_readStream)
        m_readStream->close();
    if (m_postBodyReadStream)
        m_postBodyReadStream->close();
    // A request that goes away unfinished leaves no temporary files behind,
    // unless they are kept for a resume.
    if (temporaryUncompressedDataDownloadPath)
        NSFileManager::defaultManager().removeItemAtPath(*temporaryUncompressedDataDownloadPath);
    if (temporaryFileDownloadPath && !allowResumeForFileDownloads && !m_complete)
        NSFileManager::defaultManager().removeItemAtPath(*temporaryFileDownloadPath);
    if (didCreateTemporaryPostDataFile) {
        if (postBodyFilePath)
            NSFileManager::defaultManager().removeItemAtPath(*postBodyFilePath);
        if (compressedPostBodyFilePath)
            NSFileManager::defaultManager().removeItemAtPath(*compressedPostBodyFilePath);
    }
    releaseBlocksOnMainThread();
}

void HTTPRequest::releaseBlocksOnMainThread()
{
    auto blocks = std::make_shared<std::vector<std::function<void()>>>();
    auto move = [&](auto& block) {
        if (block) {
            auto held = std::make_shared<std::decay_t<decltype(block)>>(std::move(block));
            blocks->push_back([held] {});
            block = nullptr;
        }
    };
    move(m_completionBlock);
    move(m_failureBlock);
    move(m_startedBlock);
    move(m_headersReceivedBlock);
    move(m_bytesReceivedBlock);
    move(m_bytesSentBlock);
    move(m_downloadSizeIncrementedBlock);
    move(m_uploadSizeIncrementedBlock);
    move(m_dataReceivedBlock);
    move(m_proxyAuthenticationNeededBlock);
    move(m_authenticationNeededBlock);
    move(m_requestRedirectedBlock);
    if (blocks->empty())
        return;
    // Blocks may hold screens and other main-thread objects: drop them there.
    onMainThread([blocks] { blocks->clear(); });
}

double HTTPRequest::defaultTimeOutSeconds()
{
    std::lock_guard lock(classState().classLock);
    return classState().defaultTimeOutSeconds;
}

void HTTPRequest::setDefaultTimeOutSeconds(double seconds)
{
    std::lock_guard lock(classState().classLock);
    classState().defaultTimeOutSeconds = seconds;
}

std::optional<std::string> HTTPRequest::defaultUserAgentString()
{
    auto& s = classState();
    std::lock_guard lock(s.classLock);
    if (!s.userAgentBuilt) {
        s.userAgentBuilt = true;
        auto bundle = NSBundle::mainBundle();
        auto info = [&](const char* key) -> std::string {
            return bundle ? bundle->objectForInfoDictionaryKey(key).stringValue() : std::string();
        };
        std::string appName = info("CFBundleDisplayName");
        if (appName.empty())
            appName = info("CFBundleName");
        if (!appName.empty()) {
            std::string shortVersion = info("CFBundleShortVersionString");
            std::string build = info("CFBundleVersion");
            std::string version = !shortVersion.empty() && !build.empty() && shortVersion != build
                ? stringWithFormat("%@ rv:%@", shortVersion, build)
                : (shortVersion.empty() ? build : shortVersion);
            utsname system {};
            uname(&system);
            const char* locale = std::getenv("LANG");
            std::string localeId = locale && *locale ? std::string(locale).substr(0, std::string(locale).find('.'))
                                                     : "en_US";
            s.defaultUserAgent = stringWithFormat("%@ %@ (%@; %@ %@; %@)", appName, version, system.machine,
                                                  system.sysname, system.release, localeId);
        }
    }
    return s.defaultUserAgent;
}

void HTTPRequest::setDefaultUserAgentString(std::optional<std::string> agent)
{
    auto& s = classState();
    std::lock_guard lock(s.classLock);
    s.userAgentBuilt = true;
    s.defaultUserAgent = std::move(agent);
}

std::shared_ptr<HTTPCacheDelegate> HTTPRequest::defaultCache()
{
    std::lock_guard lock(classState().classLock);
    return classState().defaultCache;
}

void HTTPRequest::setDefaultCache(std::shared_ptr<HTTPCacheDelegate> cache)
{
    std::lock_guard lock(classState().classLock);
    classState().defaultCache = std::move(cache);
}

std::shared_ptr<NSOperationQueue> HTTPRequest::sharedQueue()
{
    auto& s = classState();
    std::lock_guard lock(s.classLock);
    if (!s.sharedQueue) {
        s.sharedQueue = NSOperationQueue::make();
        s.sharedQueue->setMaxConcurrentOperationCount(4);
    }
    return s.sharedQueue;
}

std::shared_ptr<NSThread> HTTPRequest::threadForRequest(HTTPRequest*)
{
    auto& s = classState();
    std::lock_guard lock(s.classLock);
    if (!s.networkThread) {
        s.networkThread = NSThread::make([] {
            auto loop = NSRunLoop::currentRunLoop();
            // An empty source keeps the loop from returning for lack of work.
            auto keepAlive = loop->addSource({}, { NSDefaultRunLoopMode });
            for (;;)
                loop->runMode(NSDefaultRunLoopMode, NSRunLoopDistantFuture);
        });
        s.networkThread->setName("HTTPRequest network thread");
        s.networkThread->start();
    }
    return s.networkThread;
}

// ---------------------------------------------------------------------------
// Locked accessors

CFURL HTTPRequest::url() const
{
    std::lock_guard lock(m_cancelledLock);
    return m_url;
}

void HTTPRequest::setURL(const CFURL& url)
{
    std::lock_guard lock(m_cancelledLock);
    if (url == m_url)
        return;
    m_url = url;
    m_requestAuthentication = nullptr;
    m_proxyAuthentication = nullptr;
    m_request = nullptr;
    m_redirectURL.reset();
}

std::string HTTPRequest::requestMethod() const
{
    std::lock_guard lock(m_cancelledLock);
    return m_requestMethod;
}

void HTTPRequest::setRequestMethod(const std::string& method)
{
    std::lock_guard lock(m_cancelledLock);
    if (method == m_requestMethod)
        return;
    m_requestMethod = method;
    if (method == "POST" || method == "PUT" || (m_postBody && !m_postBody->empty()) || postBodyFilePath)
        shouldAttemptPersistentConnection = false;
}

std::shared_ptr<HTTPRequestDelegate> HTTPRequest::delegate() const
{
    std::lock_guard lock(m_cancelledLock);
    return m_delegate.lock();
}

void HTTPRequest::setDelegate(const std::shared_ptr<HTTPRequestDelegate>& delegate)
{
    std::lock_guard lock(m_cancelledLock);
    m_delegate = delegate;
}

std::shared_ptr<HTTPRequestQueueReceiver> HTTPRequest::queue() const
{
    std::lock_guard lock(m_cancelledLock);
    return m_queue;
}

void HTTPRequest::setQueue(const std::shared_ptr<HTTPRequestQueueReceiver>& queue)
{
    std::lock_guard lock(m_cancelledLock);
    m_queue = queue;
}

std::shared_ptr<HTTPProgressDelegate> HTTPRequest::uploadProgressDelegate() const
{
    std::lock_guard lock(m_cancelledLock);
    return m_uploadProgressDelegate.lock();
}

void HTTPRequest::setUploadProgressDelegate(const std::shared_ptr<HTTPProgressDelegate>& delegate)
{
    std::lock_guard lock(m_cancelledLock);
    m_uploadProgressDelegate = delegate;
}

std::shared_ptr<HTTPProgressDelegate> HTTPRequest::downloadProgressDelegate() const
{
    std::lock_guard lock(m_cancelledLock);
    return m_downloadProgressDelegate.lock();
}

void HTTPRequest::setDownloadProgressDelegate(const std::shared_ptr<HTTPProgressDelegate>& delegate)
{
    std::lock_guard lock(m_cancelledLock);
    m_downloadProgressDelegate = delegate;
}

bool HTTPRequest::isCancelled() const
{
    // Read without cancelledLock: the operation queue asks while holding its own lock, and a
    // request tells its queue of state changes while holding cancelledLock, so taking it here
    // would deadlock a queue that cancels its requests.
    return m_cancelled.load();
}

void HTTPRequest::addRequestHeader(const std::string& name, const std::string& value)
{
    m_requestHeaders.set(name, value);
}

HTTPErrorRef HTTPRequest::error() const
{
    std::lock_guard lock(m_responseLock);
    return m_error;
}

std::string HTTPRequest::responseStatusMessage() const
{
    std::lock_guard lock(m_responseLock);
    return m_responseStatusMessage;
}

HTTPHeaderFields HTTPRequest::responseHeaders() const
{
    std::lock_guard lock(m_responseLock);
    return m_responseHeaders;
}

std::vector<NSHTTPCookie> HTTPRequest::responseCookies() const
{
    std::lock_guard lock(m_responseLock);
    return m_responseCookies;
}

std::optional<CFURL> HTTPRequest::originalURL() const
{
    std::lock_guard lock(m_cancelledLock);
    return m_originalURL;
}

std::optional<long> HTTPRequest::connectionID() const
{
    std::lock_guard lock(classState().connectionPoolLock);
    if (!m_connectionInfo)
        return std::nullopt;
    return m_connectionInfo->id;
}

#define HTTP_BLOCK_SETTER(Setter, Field, Type) \
    void HTTPRequest::Setter(Type block) { std::lock_guard lock(m_cancelledLock); Field = std::move(block); }
HTTP_BLOCK_SETTER(setStartedBlock, m_startedBlock, BasicBlock)
HTTP_BLOCK_SETTER(setHeadersReceivedBlock, m_headersReceivedBlock, HeadersBlock)
HTTP_BLOCK_SETTER(setCompletionBlock, m_completionBlock, BasicBlock)
HTTP_BLOCK_SETTER(setFailedBlock, m_failureBlock, BasicBlock)
HTTP_BLOCK_SETTER(setBytesReceivedBlock, m_bytesReceivedBlock, ProgressBlock)
HTTP_BLOCK_SETTER(setBytesSentBlock, m_bytesSentBlock, ProgressBlock)
HTTP_BLOCK_SETTER(setDownloadSizeIncrementedBlock, m_downloadSizeIncrementedBlock, SizeBlock)
HTTP_BLOCK_SETTER(setUploadSizeIncrementedBlock, m_uploadSizeIncrementedBlock, SizeBlock)
HTTP_BLOCK_SETTER(setDataReceivedBlock, m_dataReceivedBlock, DataBlock)
HTTP_BLOCK_SETTER(setAuthenticationNeededBlock, m_authenticationNeededBlock, BasicBlock)
HTTP_BLOCK_SETTER(setProxyAuthenticationNeededBlock, m_proxyAuthenticationNeededBlock, BasicBlock)
HTTP_BLOCK_SETTER(setRequestRedirectedBlock, m_requestRedirectedBlock, BasicBlock)
#undef HTTP_BLOCK_SETTER

// ---------------------------------------------------------------------------
// Starting, building and running

void HTTPRequest::startAsynchronous()
{
    sharedQueue()->addOperation(self());
}

void HTTPRequest::start()
{
    m_inProgress = true;
    stateDidChange();
    auto me = self();
    threadForRequest(this)->performBlock([me] { me->main(); }, false);
}

void HTTPRequest::startSynchronous()
{
    m_isSynchronous = true;
    runLoopMode = HTTPRequestRunLoopMode;
    m_inProgress = true;
    if (!isCancelled() && !m_complete) {
        main();
        auto loop = NSRunLoop::currentRunLoop();
        while (!m_complete)
            loop->runMode(runLoopMode, NSRunLoopDistantFuture);
    }
    m_inProgress = false;
}

void HTTPRequest::main()
{
    std::unique_lock lock(m_cancelledLock);
    if (m_error) {
        m_complete = true;
        lock.unlock();
        markAsFinished();
        return;
    }
    m_complete = false;
    m_didUseCachedResponse = false;
    if (m_url.host().empty() && m_url.scheme() != "file") {
        failWithError(sharedError(HTTPUnableToCreateRequestErrorType));
        return;
    }
    if (!isHEADProbe())
        buildPostBody();
    if (m_error)
        return;
    if (m_requestMethod != "GET")
        downloadCache = nullptr;
    m_request = CFHTTPMessage::createRequest(m_requestMethod, m_url,
                                             useHTTPVersionOne ? kCFHTTPVersion1_0 : kCFHTTPVersion1_1);
    if (!m_request) {
        failWithError(sharedError(HTTPUnableToCreateRequestErrorType));
        return;
    }
    if (auto main = mainRequest.lock())
        main->buildRequestHeaders();
    buildRequestHeaders();
    if (m_error)
        return;
    if (downloadCache) {
        if (cachePolicy == 0)
            cachePolicy = downloadCache->defaultCachePolicy();
        if (downloadCache->canUseCachedDataForRequest(*this)) {
            useDataFromCache();
            return;
        }
        if (cachePolicy & (4 | 8)) {
            if (auto stored = downloadCache->cachedResponseHeadersForURL(m_url)) {
                if (auto etag = stored->value("Etag"))
                    m_requestHeaders.set("If-None-Match", *etag);
                if (auto modified = stored->value("Last-Modified"))
                    m_requestHeaders.set("If-Modified-Since", *modified);
            }
        }
    }
    applyAuthorizationHeader();
    for (const auto& [name, value] : m_requestHeaders)
        m_request->setHeaderFieldValue(name, value);
    if (configureProxies())
        startRequest();
}

void HTTPRequest::buildPostBody()
{
    if (m_haveBuiltPostBody)
        return;
    uint64_t length = 0;
    if (postBodyFilePath) {
        if (m_postBodyWriteStream) {
            m_postBodyWriteStream->close();
            m_postBodyWriteStream = nullptr;
        }
        std::string path = *postBodyFilePath;
        if (shouldCompressRequestBody) {
            if (!compressedPostBodyFilePath) {
                compressedPostBodyFilePath = temporaryPath();
                HTTPErrorRef error;
                if (!HTTPDataCompressor::compressDataFromFileToFileError(*postBodyFilePath,
                                                                         *compressedPostBodyFilePath, &error)) {
                    failWithError(error);
                    return;
                }
            }
            path = *compressedPostBodyFilePath;
        }
        auto size = NSFileManager::defaultManager().fileSizeAtPath(path);
        if (!size) {
            failWithError(HTTPError::make(HTTPFileManagementError,
                                          stringWithFormat("Failed to get attributes for file at path '%@'", path),
                                          fileSystemError("No such file")));
            return;
        }
        length = *size;
    } else if (m_postBody) {
        if (shouldCompressRequestBody) {
            HTTPErrorRef error;
            auto compressed = HTTPDataCompressor::compressDataError(*m_postBody, &error);
            if (error) {
                failWithError(error);
                return;
            }
            m_compressedPostBody = compressed ? std::make_shared<Data>(std::move(*compressed)) : nullptr;
            length = m_compressedPostBody ? m_compressedPostBody->size() : 0;
        } else {
            length = m_postBody->size();
        }
    }
    m_postLength = length;
    if (length > 0) {
        if (m_requestMethod == "GET" || m_requestMethod == "DELETE" || m_requestMethod == "HEAD")
            setRequestMethod("POST");
        addRequestHeader("Content-Length", stringWithFormat("%llu", static_cast<unsigned long long>(length)));
    } else if (m_requestMethod == "POST" || m_requestMethod == "PUT") {
        // Servers refuse a body-carrying method whose length they cannot tell.
        addRequestHeader("Content-Length", "0");
    }
    m_haveBuiltPostBody = true;
}

void HTTPRequest::setupPostBody()
{
    if (shouldStreamPostDataFromDisk) {
        if (!postBodyFilePath) {
            postBodyFilePath = temporaryPath();
            didCreateTemporaryPostDataFile = true;
        }
        if (!m_postBodyWriteStream) {
            m_postBodyWriteStream = NSOutputStream::outputStreamToFileAtPath(*postBodyFilePath, false);
            m_postBodyWriteStream->open();
        }
    } else if (!m_postBody) {
        m_postBody = std::make_shared<Data>();
    }
}

void HTTPRequest::appendPostData(const Data& data)
{
    setupPostBody();
    if (data.empty())
        return;
    if (shouldStreamPostDataFromDisk)
        m_postBodyWriteStream->write(data.data(), data.size());
    else
        m_postBody->insert(m_postBody->end(), data.begin(), data.end());
}

void HTTPRequest::appendPostDataFromFile(const std::string& path)
{
    setupPostBody();
    auto input = NSInputStream::inputStreamWithFileAtPath(path);
    input->open();
    Data buffer(262144);
    for (;;) {
        long n = input->read(buffer.data(), buffer.size());
        if (n <= 0)
            break;
        if (shouldStreamPostDataFromDisk)
            m_postBodyWriteStream->write(buffer.data(), static_cast<size_t>(n));
        else
            m_postBody->insert(m_postBody->end(), buffer.begin(), buffer.begin() + n);
    }
    input->close();
}

void HTTPRequest::buildRequestHeaders()
{
    if (m_haveBuiltRequestHeaders)
        return;
    m_haveBuiltRequestHeaders = true;
    if (auto main = mainRequest.lock()) {
        for (const auto& [name, value] : main->m_requestHeaders)
            m_requestHeaders.set(name, value);
        return;
    }
    applyCookieHeader();
    if (!m_requestHeaders.contains("User-Agent")) {
        if (userAgentString)
            addRequestHeader("User-Agent", *userAgentString);
        else if (auto agent = defaultUserAgentString())
            addRequestHeader("User-Agent", *agent);
    }
    if (allowCompressedResponse)
        addRequestHeader("Accept-Encoding", "gzip");
    if (shouldCompressRequestBody)
        addRequestHeader("Content-Encoding", "gzip");
    updatePartialDownloadSize();
    if (m_partialDownloadSize > 0)
        addRequestHeader("Range", stringWithFormat("bytes=%llu-", static_cast<unsigned long long>(m_partialDownloadSize)));
}

void HTTPRequest::applyCookieHeader()
{
    if (useCookiePersistence) {
        for (auto& cookie : NSHTTPCookieStorage::sharedHTTPCookieStorage().cookiesForURL(m_url))
            requestCookies.push_back(cookie);
    }
    auto main = mainRequest.lock();
    const auto& cookies = main ? main->requestCookies : requestCookies;
    if (cookies.empty())
        return;
    std::string header;
    for (const auto& cookie : cookies) {
        if (header.empty())
            header = stringWithFormat("%@=%@", cookie.name, cookie.value);
        else
            header = stringWithFormat("%@; %@=%@", header, cookie.name, cookie.value);
    }
    addRequestHeader("Cookie", header);
}

void HTTPRequest::updatePartialDownloadSize()
{
    if (!allowResumeForFileDownloads || !downloadDestinationPath || !temporaryFileDownloadPath)
        return;
    auto& files = NSFileManager::defaultManager();
    if (!files.fileExistsAtPath(*temporaryFileDownloadPath))
        return;
    auto size = files.fileSizeAtPath(*temporaryFileDownloadPath);
    if (!size) {
        failWithError(HTTPError::make(HTTPFileManagementError,
                                      stringWithFormat("Failed to get attributes for file at path '%@'",
                                                       *temporaryFileDownloadPath),
                                      fileSystemError("Unreadable file")));
        return;
    }
    m_partialDownloadSize = *size;
}

void HTTPRequest::startRequest()
{
    if (isCancelled())
        return;
    requestStarted();
    m_downloadComplete = false;
    m_complete = false;
    m_totalBytesRead = 0;
    m_lastBytesRead = 0;
    if (m_redirectCount == 0)
        m_originalURL = m_url;
    if (m_lastBytesSent > 0)
        removeUploadProgressSoFar();
    m_lastBytesSent = 0;
    m_contentLength = 0;
    {
        std::lock_guard lock(m_responseLock);
        m_responseHeaders.clear();
        m_haveResponseHeaders = false;
    }
    if (!downloadDestinationPath)
        m_rawResponseData = std::make_shared<Data>();
    m_inflatedResponseData = nullptr;
    m_readStreamIsScheduled = false;
    m_connectionCanBeReused = false;  // this attempt's answer decides

    if (postBodyFilePath && shouldStreamPostDataFromDisk
        && NSFileManager::defaultManager().fileExistsAtPath(*postBodyFilePath)) {
        std::string path = compressedPostBodyFilePath
                && NSFileManager::defaultManager().fileExistsAtPath(*compressedPostBodyFilePath)
            ? *compressedPostBodyFilePath
            : *postBodyFilePath;
        m_postBodyReadStream = HTTPInputStream::inputStreamWithFileAtPathRequest(path, self());
    } else if (m_postBody && !m_postBody->empty()) {
        auto body = shouldCompressRequestBody && m_compressedPostBody ? m_compressedPostBody : m_postBody;
        m_postBodyReadStream = HTTPInputStream::inputStreamWithDataRequest(body, self());
    } else {
        m_postBodyReadStream = nullptr;
    }
    auto previous = m_readStream;
    m_readStream = m_postBodyReadStream
        ? CFHTTPReadStream::createForStreamedHTTPRequest(m_request, m_postBodyReadStream)
        : CFHTTPReadStream::createForHTTPRequest(m_request);
    if (!m_readStream) {
        failWithError(HTTPError::make(HTTPInternalErrorWhileBuildingRequestType, "Unable to create read stream"));
        return;
    }
    // TLS settings (certificate validation, client identity) have nowhere to go:
    // the stream refuses https URLs with its own error.
    if (!proxyHost.empty() && proxyPort) {
        if (proxyType.empty())
            proxyType = kCFProxyTypeHTTP;
        if (proxyType == kCFProxyTypeSOCKS)
            m_readStream->setSOCKSProxy(proxyHost, proxyPort);
        else
            m_readStream->setHTTPProxy(proxyHost, proxyPort);
    }

    expirePersistentConnections();
    std::shared_ptr<CFHTTPReadStream> oldStream, previousStream;
    {
        auto& s = classState();
        std::lock_guard pool(s.connectionPoolLock);
        if (m_url.host().empty() || m_url.scheme().empty()) {
            m_connectionInfo = nullptr;
            shouldAttemptPersistentConnection = false;
        }
        if (shouldAttemptPersistentConnection) {
            int port = m_url.port().value_or(0);
            double now = Clock::wallNow().secondsSince1970;
            if (m_connectionInfo) {
                auto& info = *m_connectionInfo;
                if (!info.matches(m_url.host(), m_url.scheme(), port)) {
                    m_connectionInfo = nullptr;
                } else if (info.expires && *info.expires < now) {
                    std::erase(s.connectionPool, m_connectionInfo);
                    m_connectionInfo = nullptr;
                } else if (info.request && info.request != m_requestID) {
                    m_connectionInfo = nullptr;
                }
            }
            if (!m_connectionInfo) {
                for (auto& record : s.connectionPool)
                    if (!record->request && record->matches(m_url.host(), m_url.scheme(), port))
                        m_connectionInfo = record;
            }
            if (m_connectionInfo && m_connectionInfo->stream && m_connectionInfo->stream != m_readStream)
                oldStream = m_connectionInfo->stream;
            if (!m_connectionInfo) {
                m_connectionInfo = std::make_shared<HTTPConnectionRecord>();
                m_connectionInfo->id = static_cast<long>(++s.nextConnectionId);
                m_connectionInfo->host = m_url.host();
                m_connectionInfo->port = port;
                m_connectionInfo->scheme = m_url.scheme();
                s.connectionPool.push_back(m_connectionInfo);
            }
            if (!m_requestID)
                m_requestID = ++s.nextRequestId;
            m_connectionInfo->request = *m_requestID;
            m_connectionInfo->stream = m_readStream;
            m_readStream->setAttemptPersistentConnection(true);
            m_readStream->setStreamID(m_connectionInfo->id);
            if (oldStream)
                m_readStream->reuseConnectionOf(*oldStream);
        }
        if (previous && previous != m_readStream && previous != oldStream)
            previousStream = previous;
    }
    bool throttledNow = false;
    {
        auto& s = classState();
        std::lock_guard throttle(s.throttleLock);
        throttledNow = s.throttleWakeUpTime && *s.throttleWakeUpTime > Clock::wallNow().secondsSince1970;
    }
    if (!m_readStreamIsScheduled && !throttledNow)
        scheduleReadStream();
    std::weak_ptr<HTTPRequest> weak = self();
    m_readStream->setClient(kCFStreamEventHasBytesAvailable | kCFStreamEventErrorOccurred
                                | kCFStreamEventEndEncountered,
                            [weak](CFHTTPReadStream&, CFStreamEventType type) {
                                if (auto me = weak.lock())
                                    me->handleNetworkEvent(type);
                            });
    bool opened = m_readStream->open();
    if (oldStream)
        oldStream->close();
    if (previousStream)
        previousStream->close();
    if (!opened) {
        m_connectionCanBeReused = false;
        destroyReadStream();
        failWithError(HTTPError::make(HTTPInternalErrorWhileBuildingRequestType, "Unable to start HTTP connection"));
        return;
    }
    if (!isHEADProbe()) {
        if (shouldResetUploadProgress) {
            incrementUploadSizeBy(showAccurateProgress ? static_cast<long long>(m_postLength.load()) : 1);
            setProgressOf(true, 0, 1);
        }
        if (shouldResetDownloadProgress && m_partialDownloadSize == 0)
            setProgressOf(false, 0, 1);
    }
    m_lastActivityTime = Clock::now();
    auto timer = NSTimer::timerWithTimeInterval(0.25, true, [weak](NSTimer&) {
        if (auto me = weak.lock())
            me->updateStatus();
    });
    setStatusTimer(timer);
    NSRunLoop::currentRunLoop()->addTimer(timer, runLoopMode);
}

void HTTPRequest::expirePersistentConnections()
{
    auto& s = classState();
    std::vector<std::shared_ptr<CFHTTPReadStream>> expired;
    {
        std::lock_guard pool(s.connectionPoolLock);
        double now = Clock::wallNow().secondsSince1970;
        std::erase_if(s.connectionPool, [&](const std::shared_ptr<HTTPConnectionRecord>& record) {
            if (record->request || (record->expires && *record->expires > now))
                return false;
            if (record->stream)
                expired.push_back(std::move(record->stream));
            return true;
        });
    }
    for (auto& stream : expired)
        stream->close();
}

void HTTPRequest::scheduleReadStream()
{
    if (!m_readStream || m_readStreamIsScheduled)
        return;
    {
        auto& s = classState();
        std::lock_guard pool(s.connectionPoolLock);
        s.runningRequestCount++;
        if (s.shouldUpdateNetworkActivityIndicator)
            s.networkActivityIndicatorVisible = true;
    }
    m_lastActivityTime = Clock::now();
    m_streamRunLoop = NSRunLoop::currentRunLoop();
    m_readStream->scheduleWithRunLoop(m_streamRunLoop, runLoopMode);
    m_readStreamIsScheduled = true;
}

void HTTPRequest::unscheduleReadStream()
{
    if (!m_readStream || !m_readStreamIsScheduled)
        return;
    {
        auto& s = classState();
        std::lock_guard pool(s.connectionPoolLock);
        s.runningRequestCount--;
        if (s.shouldUpdateNetworkActivityIndicator && s.runningRequestCount == 0) {
            // The indicator goes off half a second after the last transfer,
            // unless another one starts meanwhile.
            onMainThread([] {
                auto timer = NSTimer::timerWithTimeInterval(0.5, false, [](NSTimer&) {
                    auto& st = classState();
                    std::lock_guard again(st.connectionPoolLock);
                    if (st.runningRequestCount == 0)
                        st.networkActivityIndicatorVisible = false;
                });
                NSRunLoop::currentRunLoop()->addTimer(timer, NSRunLoopCommonModes);
            });
        }
    }
    m_readStream->unscheduleFromRunLoop();
    m_readStreamIsScheduled = false;
}

void HTTPRequest::destroyReadStream()
{
    if (!m_readStream)
        return;
    unscheduleReadStream();
    if (!m_connectionCanBeReused)
        m_readStream->close();
    m_readStream->setClient(0, nullptr);
    m_readStream = nullptr;
}

bool HTTPRequest::isNetworkInUse()
{
    std::lock_guard pool(classState().connectionPoolLock);
    return classState().runningRequestCount > 0;
}

void HTTPRequest::setShouldUpdateNetworkActivityIndicator(bool update)
{
    std::lock_guard pool(classState().connectionPoolLock);
    classState().shouldUpdateNetworkActivityIndicator = update;
}

bool HTTPRequest::isNetworkActivityIndicatorVisible()
{
    std::lock_guard pool(classState().connectionPoolLock);
    return classState().networkActivityIndicatorVisible;
}

void HTTPRequest::setStatusTimer(std::shared_ptr<NSTimer> timer)
{
    auto keep = self();
    if (m_statusTimer && m_statusTimer != timer)
        m_statusTimer->invalidate();
    m_statusTimer = std::move(timer);
}

void HTTPRequest::updateStatus()
{
    auto keep = self();
    checkRequestStatus();
    if (!m_inProgress)
        setStatusTimer(nullptr);
}

void HTTPRequest::checkRequestStatus()
{
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled || m_complete)
        return;
    performThrottling();
    if (shouldTimeOut()) {
        if (m_retryCount < numberOfTimesToRetryOnTimeout) {
            refreshRangeForRetry();
            m_retryCount++;
            unscheduleReadStream();
            lock.unlock();
            startRequest();
            return;
        }
        failWithError(sharedError(HTTPRequestTimedOutErrorType));
        cancelLoad();
        m_complete = true;
        return;
    }
    if (m_readStream) {
        if (m_postLength > 0) {
            m_lastBytesSent = m_totalBytesSent;
            m_totalBytesSent = m_readStream->requestBytesWrittenCount();
            if (m_totalBytesSent > m_lastBytesSent) {
                m_lastActivityTime = Clock::now();
                incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(m_totalBytesSent - m_lastBytesSent));
            }
        }
        updateProgressIndicators();
    }
}

void HTTPRequest::refreshRangeForRetry()
{
    updatePartialDownloadSize();
    if (m_partialDownloadSize == 0)
        return;
    // The header list is what decides, when the answer comes, whether the
    // file is appended to; the message is what is sent. Both must name the
    // bytes already on disk, or a retry would write them twice.
    std::string range = stringWithFormat("bytes=%llu-", static_cast<unsigned long long>(m_partialDownloadSize));
    m_requestHeaders.set("Range", range);
    if (m_request)
        m_request->setHeaderFieldValue("Range", range);
}

bool HTTPRequest::shouldTimeOut()
{
    if (!m_readStream || !m_readStreamIsScheduled || !m_lastActivityTime || timeOutSeconds <= 0)
        return false;
    double idle = Clock::now() - *m_lastActivityTime;
    if (idle <= timeOutSeconds)
        return false;
    if (m_postLength == 0 || (m_uploadBufferSize > 0 && m_totalBytesSent > m_uploadBufferSize))
        return true;
    // A body that went out whole in its first write left nothing waiting.
    if (m_totalBytesSent >= m_postLength)
        return true;
    return idle > 1.5 * timeOutSeconds;
}

void HTTPRequest::cancel()
{
    auto me = self();
    threadForRequest(this)->performBlock([me] { me->cancelOnRequestThread(); }, false);
}

void HTTPRequest::cancelOnRequestThread()
{
    std::unique_lock lock(m_cancelledLock);
    if (m_cancelled || m_complete)
        return;
    auto keep = self();
    failWithError(sharedError(HTTPRequestCancelledErrorType));
    m_complete = true;
    cancelLoad();
    m_cancelled = true;
    stateDidChange();
}

void HTTPRequest::clearDelegatesAndCancel()
{
    {
        std::lock_guard lock(m_cancelledLock);
        m_delegate.reset();
        m_queue = nullptr;
        m_uploadProgressDelegate.reset();
        m_downloadProgressDelegate.reset();
        releaseBlocksOnMainThread();
    }
    cancel();
}

void HTTPRequest::cancelLoad()
{
    destroyReadStream();
    if (m_postBodyReadStream) {
        m_postBodyReadStream->close();
        m_postBodyReadStream = nullptr;
    }
    if (!downloadDestinationPath) {
        if (!m_complete)
            m_rawResponseData = nullptr;
    } else {
        if (m_fileDownloadOutputStream) {
            m_fileDownloadOutputStream->close();
            m_fileDownloadOutputStream = nullptr;
        }
        if (m_inflatedFileDownloadOutputStream) {
            m_inflatedFileDownloadOutputStream->close();
            m_inflatedFileDownloadOutputStream = nullptr;
        }
        if (!m_complete && !allowResumeForFileDownloads)
            removeTemporaryDownloadFile();
        removeTemporaryUncompressedDownloadFile();
    }
    if (!m_authenticationNeeded && !m_willRetryRequest && didCreateTemporaryPostDataFile) {
        removeTemporaryUploadFile();
        removeTemporaryCompressedUploadFile();
        didCreateTemporaryPostDataFile = false;
    }
}

void HTTPRequest::markAsFinished()
{
    auto keep = self();
    m_request = nullptr;
    m_requestAuthentication = nullptr;
    m_proxyAuthentication = nullptr;
    m_inProgress = false;
    m_finished = true;
    setStatusTimer(nullptr);
    stateDidChange();
}

std::shared_ptr<HTTPRequest> HTTPRequest::HEADRequest()
{
    auto head = std::make_shared<HTTPRequest>(m_url);
    head->setRequestMethod("HEAD");
    head->mainRequest = self();
    head->m_requestHeaders = m_requestHeaders;
    head->requestCookies = requestCookies;
    head->useCookiePersistence = useCookiePersistence;
    head->useKeychainPersistence = useKeychainPersistence;
    head->useSessionPersistence = useSessionPersistence;
    head->allowCompressedResponse = allowCompressedResponse;
    head->username = username;
    head->password = password;
    head->domain = domain;
    head->proxyUsername = proxyUsername;
    head->proxyPassword = proxyPassword;
    head->proxyDomain = proxyDomain;
    head->proxyHost = proxyHost;
    head->proxyPort = proxyPort;
    head->proxyType = proxyType;
    head->shouldPresentAuthenticationDialog = shouldPresentAuthenticationDialog;
    head->shouldPresentProxyAuthenticationDialog = shouldPresentProxyAuthenticationDialog;
    head->timeOutSeconds = timeOutSeconds.load();
    head->useHTTPVersionOne = useHTTPVersionOne;
    head->validatesSecureCertificate = validatesSecureCertificate;
    head->clientCertificates = clientCertificates;
    head->PACurl = PACurl;
    head->shouldPresentCredentialsBeforeChallenge = shouldPresentCredentialsBeforeChallenge;
    head->numberOfTimesToRetryOnTimeout = numberOfTimesToRetryOnTimeout;
    head->shouldUseRFC2616RedirectBehaviour = shouldUseRFC2616RedirectBehaviour;
    head->shouldAttemptPersistentConnection = shouldAttemptPersistentConnection;
    head->persistentConnectionTimeoutSeconds = persistentConnectionTimeoutSeconds;
    return head;
}

// ---------------------------------------------------------------------------
// Response handling

void HTTPRequest::handleNetworkEvent(CFStreamEventType type)
{
    std::unique_lock lock(m_cancelledLock);
    if (m_complete || m_cancelled)
        return;
    auto keep = self();
    if (type == kCFStreamEventEndEncountered)
        handleStreamComplete();
    else if (type == kCFStreamEventErrorOccurred)
        handleStreamError();
    else if (type == kCFStreamEventHasBytesAvailable)
        handleBytesAvailable();
    performThrottling();
    lock.unlock();
    if (m_downloadComplete && m_needsRedirect) {
        if (!willAskDelegateToConfirmRedirect())
            performRedirect();
    } else if (m_downloadComplete && m_authenticationNeeded) {
        attemptToApplyCredentialsAndResume();
    }
}

void HTTPRequest::readResponseHeaders()
{
    m_authenticationNeeded = 0;
    auto message = m_readStream ? m_readStream->responseHeader() : nullptr;
    if (!message)
        return;
    {
        std::lock_guard lock(m_responseLock);
        m_responseHeaders = message->allHeaderFields();
        m_haveResponseHeaders = true;
        m_responseStatusMessage = message->responseStatusLine();
    }
    m_responseStatusCode = message->responseStatusCode();
    if (downloadCache && downloadCache->canUseCachedDataForRequest(*this)) {
        downloadCache->updateExpiryForRequestMaxAge(*this, secondsToCache);
        useDataFromCache();
        return;
    }
    int status = m_responseStatusCode;
    if (status == 401)
        m_authenticationNeeded = HTTPHTTPAuthenticationNeeded;
    else if (status == 407 && !proxyHost.empty())
        m_authenticationNeeded = HTTPProxyAuthenticationNeeded;  // only a proxy we were told to use may ask
    if (!m_authenticationNeeded && !m_requestAuthentication && authenticationScheme == kCFHTTPAuthenticationSchemeBasic
        && !username.empty() && !password.empty() && useSessionPersistence) {
        auto entry = std::make_shared<HTTPSessionCredentials>();
        entry->credentials = std::make_shared<HTTPCredentials>(HTTPCredentials { username, password, std::nullopt });
        entry->url = m_url;
        entry->authenticationScheme = kCFHTTPAuthenticationSchemeBasic;
        storeAuthenticationCredentialsInSessionStore(entry);
    }
    parseStringEncodingFromHeaders();
    auto cookies = NSHTTPCookie::cookiesWithResponseHeaderFieldsForURL(m_responseHeaders, m_url);
    {
        std::lock_guard lock(m_responseLock);
        m_responseCookies = cookies;
    }
    if (useCookiePersistence) {
        NSHTTPCookieStorage::sharedHTTPCookieStorage().setCookiesForURL(cookies, m_url);
        for (auto& cookie : cookies)
            addSessionCookie(cookie);
    }
    if (!willRedirect()) {
        auto main = mainRequest.lock();
        HTTPRequest& target = main ? *main : *this;
        auto lengthText = m_responseHeaders.value("Content-Length");
        if (lengthText) {
            uint64_t length = parseCPrefixedUnsigned(*lengthText);
            // The flags read are the reader's own: a queue clears its main request's download reset
            // when it adds the size probe, so the probe is the one left to book the size; reading the
            // main request's flags here would book it nowhere and let its bytes overrun the total.
            if (main && main->allowCompressedResponse && length == 20 && showAccurateProgress
                && shouldResetDownloadProgress) {
                main->showAccurateProgress = false;
                main->incrementDownloadSizeBy(1);
            } else {
                target.m_contentLength = length;
                if (showAccurateProgress && shouldResetDownloadProgress)
                    target.incrementDownloadSizeBy(static_cast<long long>(length + target.m_partialDownloadSize));
            }
        } else if (showAccurateProgress && shouldResetDownloadProgress) {
            target.showAccurateProgress = false;
            target.incrementDownloadSizeBy(1);
        }
    }
    if (shouldAttemptPersistentConnection) {
        std::string connection = NSString::lowercaseASCII(m_responseHeaders.value("Connection").value_or(""));
        if ((message->version() != kCFHTTPVersion1_0 || connection == "keep-alive") && connection != "close") {
            if (auto keepAlive = m_responseHeaders.value("Keep-Alive")) {
                // Either figure may be missing: a timeout alone still allows reuse.
                std::optional<int> timeout, max;
                size_t t = keepAlive->find("timeout=");
                if (t != std::string::npos)
                    timeout = std::atoi(keepAlive->c_str() + t + 8);
                size_t m = keepAlive->find("max=", t == std::string::npos ? 0 : t);
                if (m != std::string::npos)
                    max = std::atoi(keepAlive->c_str() + m + 4);
                if (!max || *max > 5) {
                    m_connectionCanBeReused = true;
                    if (timeout)
                        persistentConnectionTimeoutSeconds = *timeout;
                }
            } else {
                m_connectionCanBeReused = true;
            }
        }
    }
    requestReceivedResponseHeaders(m_responseHeaders);
}

bool HTTPRequest::willRedirect()
{
    int status = m_responseStatusCode;
    auto location = m_responseHeaders.value("Location");
    if (!shouldRedirect || !location || (status != 301 && status != 302 && status != 303 && status != 307))
        return false;
    auto target = CFURL::URLWithStringRelativeToURL(*location, m_url);
    if (!target)
        return false;  // a Location that names no URL is not followed
    requestRedirected();
    if (status == 307 || (shouldUseRFC2616RedirectBehaviour && status != 303)) {
        m_haveBuiltRequestHeaders = false;  // cookies of this response go on to the new place
        m_requestHeaders.remove("Cookie");
        applyCookieHeader();
        m_haveBuiltRequestHeaders = true;
    } else {
        m_requestMethod = "GET";
        m_postBody = nullptr;
        m_compressedPostBody = nullptr;
        postBodyFilePath.reset();
        m_postLength = 0;
        m_haveBuiltPostBody = false;
        HTTPHeaderFields kept;
        if (auto agent = m_requestHeaders.value("User-Agent"))
            kept.set("User-Agent", *agent);
        if (auto accept = m_requestHeaders.value("Accept"))
            kept.set("Accept", *accept);
        m_requestHeaders = kept;
        m_haveBuiltRequestHeaders = false;
    }
    m_redirectURL = target;
    m_needsRedirect = true;
    requestCookies.clear();
    return true;
}

void HTTPRequest::parseStringEncodingFromHeaders()
{
    uint32_t encoding = defaultResponseEncoding;
    std::string mime;
    parseMimeTypeAndResponseEncodingFromContentType(&mime, &encoding, m_responseHeaders.value("Content-Type"));
    m_responseEncoding = encoding;
}

bool HTTPRequest::isResponseCompressed() const
{
    auto encoding = responseHeaders().value("Content-Encoding");
    return encoding && encoding->find("gzip") != std::string::npos;
}

void HTTPRequest::handleBytesAvailable()
{
    if (!m_haveResponseHeaders)
        readResponseHeaders();
    if (m_complete || !m_readStream || !m_readStream->hasBytesAvailable())
        return;
    uint64_t length = m_contentLength;
    size_t bufferSize = length <= 65536 ? 16384 : length <= 262144 ? 65536 : 262144;
    if (isBandwidthThrottled()) {
        auto& s = classState();
        std::lock_guard throttle(s.throttleLock);
        if (s.maxBandwidthPerSecond > 0) {
            long long allowance = static_cast<long long>(s.maxBandwidthPerSecond)
                - static_cast<long long>(s.bandwidthUsedInLastSecond);
            if (allowance < 0)
                bufferSize = 1;
            else
                bufferSize = std::min<size_t>(bufferSize, static_cast<size_t>(allowance / 4));
            if (bufferSize < 1)
                bufferSize = 1;
        }
    }
    thread_local Data buffer;
    buffer.resize(bufferSize);
    long count = m_readStream->read(buffer.data(), bufferSize);
    if (count < 0) {
        handleStreamError();
        return;
    }
    if (count == 0)
        return;
    const bool compressed = isResponseCompressed();
    std::optional<Data> inflated;
    if (compressed && !shouldWaitToInflateCompressedResponses) {
        if (!m_dataDecompressor) {
            m_dataDecompressor = HTTPDataDecompressor::decompressor();
            m_dataDecompressor->setOutputLimit(maximumDecodedResponseSize);
        }
        HTTPErrorRef error;
        inflated = m_dataDecompressor->uncompressBytesLengthError(buffer.data(), static_cast<size_t>(count), &error);
        if (error) {
            failWithError(error);
            return;
        }
        if (!inflated)
            inflated = Data {};
    }
    m_totalBytesRead += static_cast<uint64_t>(count);
    m_lastActivityTime = Clock::now();
    incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(count));
    if (m_needsRedirect && shouldRedirect && allowResumeForFileDownloads)
        return;  // the body of a redirect answer is not the download
    auto del = m_delegate.lock();
    bool delegateTakesData = del && del->respondsToSelector(didReceiveDataSelector);
    if (m_dataReceivedBlock || delegateTakesData) {
        Data chunk = inflated ? *inflated : Data(buffer.begin(), buffer.begin() + count);
        passOnReceivedData(chunk);
    }
    if (downloadDestinationPath) {
        writeToDownloadFile(buffer.data(), static_cast<size_t>(count), inflated ? &*inflated : nullptr);
    } else if (m_rawResponseData) {
        size_t adding = inflated ? inflated->size() : static_cast<size_t>(count);
        if (m_rawResponseData->size() + adding > maximumDecodedResponseSize) {
            failWithError(HTTPResponseTooLargeError(maximumDecodedResponseSize));
            return;
        }
        if (m_rawResponseData->empty() && m_contentLength > 0 && !inflated)
            m_rawResponseData->reserve(static_cast<size_t>(std::min<uint64_t>(m_contentLength, maximumDecodedResponseSize)));
        if (inflated)
            m_rawResponseData->insert(m_rawResponseData->end(), inflated->begin(), inflated->end());
        else
            m_rawResponseData->insert(m_rawResponseData->end(), buffer.begin(), buffer.begin() + count);
    }
}

bool HTTPRequest::writeToDownloadFile(const uint8_t* bytes, size_t length, const Data* inflated)
{
    auto lengthHeader = m_responseHeaders.value("Content-Length");
    double announced = lengthHeader ? std::strtod(lengthHeader->c_str(), nullptr) : 0.0;
    if (announced < 1024.0 && m_responseStatusCode == 404)
        return true;  // a short error page is not the file
    auto disposition = resumeDisposition();
    if (disposition == ResumeDisposition::AlreadyComplete || disposition == ResumeDisposition::Restart)
        return true;  // an answer about the range, not the file's bytes
    if (!m_fileDownloadOutputStream) {
        bool append = false;
        if (!temporaryFileDownloadPath) {
            temporaryFileDownloadPath = temporaryPath();
        } else if (disposition == ResumeDisposition::Append) {
            append = true;
        } else if (disposition == ResumeDisposition::StartAfresh) {
            incrementDownloadSizeBy(-static_cast<long long>(m_partialDownloadSize.load()));
            m_partialDownloadSize = 0;
        }
        m_fileDownloadOutputStream = NSOutputStream::outputStreamToFileAtPath(*temporaryFileDownloadPath, append);
        m_fileDownloadOutputStream->open();
        if (inflated) {
            if (!temporaryUncompressedDataDownloadPath)
                temporaryUncompressedDataDownloadPath = temporaryPath();
            m_inflatedFileDownloadOutputStream =
                NSOutputStream::outputStreamToFileAtPath(*temporaryUncompressedDataDownloadPath, append);
            m_inflatedFileDownloadOutputStream->open();
        }
    }
    bool ok = m_fileDownloadOutputStream->write(bytes, length) >= 0;
    if (inflated && m_inflatedFileDownloadOutputStream && !inflated->empty())
        ok = m_inflatedFileDownloadOutputStream->write(inflated->data(), inflated->size()) >= 0 && ok;
    if (!ok) {
        // A disk that refuses the bytes must not end in a "finished" download
        // with a short file.
        auto e = m_fileDownloadOutputStream->streamError();
        failWithError(HTTPError::make(HTTPFileManagementError,
                                      stringWithFormat("Failed to write to file at path '%@'",
                                                       *temporaryFileDownloadPath),
                                      HTTPError::other("NSPOSIXErrorDomain", e.code, e.description)));
        cancelLoad();
    }
    return ok;
}

namespace {

// "bytes 500-4999/5000" gives 500 as first byte; "bytes */5000" gives 5000 as
// the whole size.
std::optional<uint64_t> contentRangeNumber(const std::string& text, bool wholeSize)
{
    std::string_view v = text;
    while (!v.empty() && v.front() == ' ')
        v.remove_prefix(1);
    if (!v.starts_with("bytes"))
        return std::nullopt;
    v.remove_prefix(5);
    while (!v.empty() && v.front() == ' ')
        v.remove_prefix(1);
    if (wholeSize) {
        if (!v.starts_with("*/"))
            return std::nullopt;
        v.remove_prefix(2);
    }
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end == v.data())
        return std::nullopt;
    return n;
}

}  // namespace

HTTPRequest::ResumeDisposition HTTPRequest::resumeDisposition() const
{
    uint64_t partial = m_partialDownloadSize;
    if (!allowResumeForFileDownloads || !temporaryFileDownloadPath || partial == 0
        || !m_requestHeaders.contains("Range"))
        return ResumeDisposition::NotResumed;
    auto range = m_responseHeaders.value("Content-Range");
    int status = m_responseStatusCode;
    if (status == 206) {
        auto first = range ? contentRangeNumber(*range, false) : std::nullopt;
        if (first == partial)
            return ResumeDisposition::Append;
        // Another range of the file: only one from the first byte is the file.
        return first == 0u ? ResumeDisposition::StartAfresh : ResumeDisposition::Restart;
    }
    if (status == 416) {
        auto whole = range ? contentRangeNumber(*range, true) : std::nullopt;
        return whole == partial ? ResumeDisposition::AlreadyComplete : ResumeDisposition::Restart;
    }
    return ResumeDisposition::StartAfresh;  // the whole body, whatever stray range it names
}

// A partial file the server cannot continue is dropped and the whole body
// asked for again, once.
bool HTTPRequest::restartWithoutRange()
{
    if (m_resumeRestarted || resumeDisposition() != ResumeDisposition::Restart)
        return false;
    m_resumeRestarted = true;
    setStatusTimer(nullptr);
    m_willRetryRequest = true;
    cancelLoad();
    m_willRetryRequest = false;
    removeTemporaryDownloadFile();
    incrementDownloadSizeBy(-static_cast<long long>(m_partialDownloadSize.load()));
    m_partialDownloadSize = 0;
    m_requestHeaders.remove("Range");
    if (m_request)
        m_request->setHeaderFieldValue("Range", std::nullopt);
    startRequest();
    return true;
}

void HTTPRequest::handleStreamComplete()
{
    if (!m_haveResponseHeaders)
        readResponseHeaders();
    if (restartWithoutRange())
        return;
    if (resumeDisposition() == ResumeDisposition::AlreadyComplete)
        m_partialDownloadWasComplete = true;
    setStatusTimer(nullptr);
    m_downloadComplete = true;
    HTTPErrorRef fileError;
    {
        std::lock_guard progress(classState().progressReportLock);
        m_lastBytesSent = m_totalBytesSent;
        if (m_readStream)
            m_totalBytesSent = m_readStream->requestBytesWrittenCount();
        m_complete = true;
        if (m_contentLength == 0)
            m_contentLength = m_totalBytesRead.load();
        updateProgressIndicators();
        if (m_postBodyReadStream) {
            m_postBodyReadStream->close();
            m_postBodyReadStream = nullptr;
        }
        if (m_dataDecompressor && !m_dataDecompressor->reachedEnd() && m_totalBytesRead > 0 && !m_needsRedirect
            && !m_authenticationNeeded)
            fileError = HTTPDataDecompressor::inflateErrorWithCode(-5);  // the compressed body was cut short
        m_dataDecompressor = nullptr;
        if (didCreateTemporaryPostDataFile && !m_authenticationNeeded) {
            removeTemporaryUploadFile();
            removeTemporaryCompressedUploadFile();
        }
        if (temporaryFileDownloadPath) {
            if (m_fileDownloadOutputStream) {
                m_fileDownloadOutputStream->close();
                m_fileDownloadOutputStream = nullptr;
            }
            if (m_inflatedFileDownloadOutputStream) {
                m_inflatedFileDownloadOutputStream->close();
                m_inflatedFileDownloadOutputStream = nullptr;
            }
            if (m_authenticationNeeded) {
                // A challenge answer's body is not the download: keep what a
                // resume has and drop the rest.
            } else if (!(shouldRedirect && m_needsRedirect && allowResumeForFileDownloads)) {
                auto& files = NSFileManager::defaultManager();
                if (isResponseCompressed()) {
                    if (shouldWaitToInflateCompressedResponses) {
                        HTTPDataDecompressor::uncompressDataFromFileToFileError(
                            *temporaryFileDownloadPath, *downloadDestinationPath, &fileError,
                            maximumDecodedResponseSize);
                    } else if (temporaryUncompressedDataDownloadPath) {
                        removeFileAtPathError(*downloadDestinationPath, nullptr);
                        std::string moveError;
                        if (!files.moveItemAtPathToPath(*temporaryUncompressedDataDownloadPath,
                                                        *downloadDestinationPath, &moveError))
                            fileError = HTTPError::make(HTTPFileManagementError,
                                                        stringWithFormat("Failed to move file from '%@' to '%@'",
                                                                         *temporaryUncompressedDataDownloadPath,
                                                                         *downloadDestinationPath),
                                                        fileSystemError(moveError));
                        temporaryUncompressedDataDownloadPath.reset();
                    }
                    removeTemporaryDownloadFile();
                } else {
                    if (removeFileAtPathError(*downloadDestinationPath, &fileError)) {
                        std::string moveError;
                        if (!files.moveItemAtPathToPath(*temporaryFileDownloadPath, *downloadDestinationPath,
                                                        &moveError))
                            fileError = HTTPError::make(HTTPFileManagementError,
                                                        stringWithFormat("Failed to move file from '%@' to '%@'",
                                                                         *temporaryFileDownloadPath,
                                                                         *downloadDestinationPath),
                                                        fileSystemError(moveError));
                    }
                    temporaryFileDownloadPath.reset();
                }
            }
        } else if (downloadDestinationPath && !m_authenticationNeeded && !m_needsRedirect
                   && !(m_responseStatusCode == 404 && m_totalBytesRead < 1024)) {
            // An empty body still leaves an (empty) file at the destination.
            removeFileAtPathError(*downloadDestinationPath, &fileError);
            if (!fileError)
                NSFileManager::defaultManager().createFileAtPathContents(*downloadDestinationPath, Data {});
        }
        if (!downloadDestinationPath && m_rawResponseData && !m_needsRedirect && !m_authenticationNeeded
            && shouldWaitToInflateCompressedResponses && isResponseCompressed() && !m_rawResponseData->empty()) {
            // Inflated once here, so that a body cut short or too large fails
            // the request instead of finishing with no data.
            auto inflated = HTTPDataDecompressor::uncompressDataError(*m_rawResponseData, &fileError,
                                                                      maximumDecodedResponseSize);
            if (inflated)
                m_inflatedResponseData = std::make_shared<Data>(std::move(*inflated));
        }
        if (downloadCache && !m_didUseCachedResponse && !m_needsRedirect && !m_authenticationNeeded && !fileError)
            downloadCache->storeResponseForRequestMaxAge(*this, secondsToCache);
    }
    {
        auto& s = classState();
        std::lock_guard pool(s.connectionPoolLock);
        if (!m_connectionCanBeReused)
            unscheduleReadStream();
        if (m_connectionInfo) {
            m_connectionInfo->request.reset();
            m_connectionInfo->expires = Clock::wallNow().secondsSince1970 + persistentConnectionTimeoutSeconds;
        }
    }
    if (!m_authenticationNeeded)
        destroyReadStream();
    if (!m_needsRedirect && !m_authenticationNeeded && !m_didUseCachedResponse) {
        if (fileError)
            failWithError(fileError);
        else
            requestFinished();
        markAsFinished();
    }
}

void HTTPRequest::handleStreamError()
{
    CFStreamError streamError = m_readStream ? m_readStream->error() : CFStreamError {};
    if (m_error) {
        cancelLoad();
        return;
    }
    auto meaning = streamError.meaning;
    if (meaning == CFStreamErrorMeaning::NotConnected || meaning == CFStreamErrorMeaning::BrokenPipe
        || meaning == CFStreamErrorMeaning::ConnectionLost) {
        if (retryUsingNewConnection())
            return;
    }
    cancelLoad();
    auto underlying = HTTPError::other(streamError.domain == CFStreamErrorDomain::POSIX ? "NSPOSIXErrorDomain"
                                                                                      : "kCFErrorDomainCFNetwork",
                                       streamError.code, streamError.description);
    std::string text = "A connection failure occurred";
    if (streamError.domain == CFStreamErrorDomain::SSL && streamError.code >= -9818 && streamError.code <= -9800)
        text = stringWithFormat("%@: SSL problem (Possible causes may include a bad/expired/self-signed certificate, "
                                "clock set to wrong date)", text);
    failWithError(HTTPError::make(HTTPConnectionFailureErrorType, text, underlying));
    checkRequestStatus();
}

bool HTTPRequest::retryUsingNewConnection()
{
    if (m_retryCount != 0)
        return false;
    m_willRetryRequest = true;
    cancelLoad();
    m_willRetryRequest = false;
    {
        auto& s = classState();
        std::lock_guard pool(s.connectionPoolLock);
        if (m_connectionInfo) {
            m_connectionInfo->request.reset();
            m_connectionInfo->stream = nullptr;
            std::erase(s.connectionPool, m_connectionInfo);
            m_connectionInfo = nullptr;
        }
    }
    m_retryCount++;
    refreshRangeForRetry();
    startRequest();
    return true;
}

bool HTTPRequest::willAskDelegateToConfirmRedirect()
{
    std::unique_lock lock(m_cancelledLock);
    auto del = m_delegate.lock();
    bool delegateAnswers = del && del->respondsToSelector(willRedirectSelector);
    bool queueAnswers = !delegateAnswers && m_queue && m_queue->respondsToSelector(HTTPSelector::requestWillRedirectToURL);
    if (!delegateAnswers && !queueAnswers)
        return false;
    CFURL target = *m_redirectURL;
    m_redirectURL.reset();
    requestWillRedirectToURL(target);
    return true;
}

void HTTPRequest::redirectToURL(const CFURL& url)
{
    {
        std::lock_guard lock(m_cancelledLock);
        m_redirectURL = url;
    }
    auto me = self();
    threadForRequest(this)->performBlock([me] { me->performRedirect(); }, false);
}

void HTTPRequest::dropCredentialsForNewOrigin(const CFURL& target)
{
    auto origin = [](const CFURL& u) {
        return NSString::lowercaseASCII(u.scheme()) + "://" + NSString::lowercaseASCII(u.host()) + ":"
            + std::to_string(u.effectivePort());
    };
    if (origin(target) == origin(m_url))
        return;
    // Credentials meant for one server are not handed to another: a redirect
    // elsewhere goes without them (a challenge there asks afresh).
    m_requestHeaders.remove("Authorization");
    username.clear();
    password.clear();
    domain.clear();
    authenticationScheme.clear();
    authenticationRealm.reset();
    m_requestCredentials = nullptr;
    m_requestAuthentication = nullptr;
}

void HTTPRequest::performRedirect()
{
    if (!m_redirectURL)
        return;
    dropCredentialsForNewOrigin(*m_redirectURL);
    setURL(*m_redirectURL);
    m_complete = true;
    m_needsRedirect = false;
    m_redirectCount++;
    if (m_redirectCount < 6) {
        main();
    } else {
        failWithError(sharedError(HTTPTooMuchRedirectionErrorType));
        m_complete = true;
    }
}

void HTTPRequest::failWithError(HTTPErrorRef theError)
{
    m_complete = true;
    if (theError && theError->code != HTTPAuthenticationErrorType && theError->code != HTTPTooMuchRedirectionErrorType) {
        {
            std::lock_guard pool(classState().connectionPoolLock);
            if (m_connectionInfo) {
                m_connectionInfo->request.reset();
                m_connectionInfo->stream = nullptr;
                std::erase(classState().connectionPool, m_connectionInfo);
            }
        }
        destroyReadStream();
    }
    if (m_connectionCanBeReused && m_connectionInfo) {
        std::lock_guard pool(classState().connectionPoolLock);
        m_connectionInfo->expires = Clock::wallNow().secondsSince1970 + persistentConnectionTimeoutSeconds;
    }
    if (m_cancelled || error())
        return;
    if (downloadCache && (cachePolicy & 64) && !m_didUseCachedResponse
        && downloadCache->canUseCachedDataForRequest(*this)) {
        useDataFromCache();
        return;
    }
    {
        std::lock_guard lock(m_responseLock);
        m_error = theError;
    }
    auto main = mainRequest.lock();
    if (main) {
        std::lock_guard lock(main->m_responseLock);
        main->m_error = theError;
    }
    auto reporter = main ? main : self();
    if (isPACFileRequest)
        reporter->reportFailure();
    else
        onMainThread([reporter] { reporter->reportFailure(); });
    if (m_inProgress)
        markAsFinished();
}

void HTTPRequest::requestStarted()
{
    if (error() || isHEADProbe())
        return;
    auto me = self();
    onMainThread([me] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(me->didStartSelector))
            del->requestStarted(me);
        if (me->m_startedBlock)
            me->m_startedBlock();
        if (auto q = me->queue(); q && q->respondsToSelector(HTTPSelector::requestStarted))
            q->requestStarted(me);
    });
}

void HTTPRequest::requestReceivedResponseHeaders(const HTTPHeaderFields& headers)
{
    if (error() || isHEADProbe())
        return;
    auto me = self();
    onMainThread([me, headers] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(me->didReceiveResponseHeadersSelector))
            del->requestDidReceiveResponseHeaders(me, headers);
        if (me->m_headersReceivedBlock)
            me->m_headersReceivedBlock(headers);
        if (auto q = me->queue(); q && q->respondsToSelector(HTTPSelector::requestDidReceiveResponseHeaders))
            q->requestDidReceiveResponseHeaders(me, headers);
    });
}

void HTTPRequest::requestRedirected()
{
    if (error() || isHEADProbe())
        return;
    auto me = self();
    onMainThread([me] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(HTTPSelector::requestRedirected))
            del->requestRedirected(me);
        if (me->m_requestRedirectedBlock)
            me->m_requestRedirectedBlock();
    });
}

void HTTPRequest::requestWillRedirectToURL(const CFURL& target)
{
    if (error() || isHEADProbe())
        return;
    auto me = self();
    onMainThread([me, target] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(me->willRedirectSelector))
            del->requestWillRedirectToURL(me, target);
        if (auto q = me->queue(); q && q->respondsToSelector(HTTPSelector::requestWillRedirectToURL))
            q->requestWillRedirectToURL(me, target);
    });
}

void HTTPRequest::passOnReceivedData(const Data& data)
{
    auto me = self();
    onMainThread([me, data] {
        auto del = me->delegate();
        if (del && del->respondsToSelector(me->didReceiveDataSelector))
            del->requestDidReceiveData(me, data);
        if (me->m_dataReceivedBlock)
            me->m_dataReceivedBlock(data);
    });
}

void HTTPRequest::requestFinished()
{
    if (error() || isHEADProbe())
        return;
    if (isPACFileRequest) {
        reportFinished();
        return;
    }
    auto me = self();
    onMainThread([me] { me->reportFinished(); });
}

void HTTPRequest::reportFinished()
{
    auto me = self();
    auto del = delegate();
    if (del && del->respondsToSelector(didFinishSelector)) {
        if (didFinishSelector == HTTPSelector::requestFailed)
            del->requestFailed(me);
        else
            del->requestFinished(me);
    }
    if (m_completionBlock)
        m_completionBlock();
    if (auto q = queue(); q && q->respondsToSelector(HTTPSelector::requestFinished))
        q->requestFinished(me);
}

void HTTPRequest::reportFailure()
{
    auto me = self();
    auto del = delegate();
    if (del && del->respondsToSelector(didFailSelector)) {
        if (didFailSelector == HTTPSelector::requestFinished)
            del->requestFinished(me);
        else
            del->requestFailed(me);
    }
    if (m_failureBlock)
        m_failureBlock();
    if (auto q = queue(); q && q->respondsToSelector(HTTPSelector::requestFailed))
        q->requestFailed(me);
}

std::optional<Data> HTTPRequest::responseData() const
{
    if (!m_rawResponseData)
        return std::nullopt;
    if (isResponseCompressed() && shouldWaitToInflateCompressedResponses) {
        if (m_inflatedResponseData)
            return *m_inflatedResponseData;
        return HTTPDataDecompressor::uncompressDataError(*m_rawResponseData, nullptr, maximumDecodedResponseSize);
    }
    return *m_rawResponseData;
}

std::optional<std::string> HTTPRequest::responseString() const
{
    auto data = responseData();
    if (!data)
        return std::nullopt;
    std::string bytes(data->begin(), data->end());
    // Bytes that are not valid in the announced encoding give no text rather
    // than a damaged one.
    return TextEncoding::decode(bytes, m_responseEncoding);
}

bool HTTPRequest::removeFileAtPathError(const std::string& path, HTTPErrorRef* error)
{
    auto& files = NSFileManager::defaultManager();
    if (!files.fileExistsAtPath(path))
        return true;
    std::string reason;
    if (files.removeItemAtPath(path, &reason))
        return true;
    if (error)
        *error = HTTPError::make(HTTPFileManagementError,
                                 stringWithFormat("Failed to delete file at path '%@'", path), fileSystemError(reason));
    return false;
}

#define HTTP_REMOVE_TEMPORARY(Name, Path)            \
    bool HTTPRequest::Name()                         \
    {                                                \
        if (!Path)                                   \
            return true;                             \
        HTTPErrorRef e;                              \
        bool ok = removeFileAtPathError(*Path, &e);  \
        if (!ok)                                     \
            failWithError(e);                        \
        Path.reset();                                \
        return ok;                                   \
    }
HTTP_REMOVE_TEMPORARY(removeTemporaryDownloadFile, temporaryFileDownloadPath)
HTTP_REMOVE_TEMPORARY(removeTemporaryUncompressedDownloadFile, temporaryUncompressedDataDownloadPath)
HTTP_REMOVE_TEMPORARY(removeTemporaryUploadFile, postBodyFilePath)
HTTP_REMOVE_TEMPORARY(removeTemporaryCompressedUploadFile, compressedPostBodyFilePath)
#undef HTTP_REMOVE_TEMPORARY

void HTTPRequest::useDataFromCache()
{
    // A revalidation answer (304) still has its connection open: the stored
    // response replaces it, so the transfer ends here.
    if (m_readStream)
        destroyReadStream();
    auto main = mainRequest.lock();
    HTTPRequest& target = main ? *main : *this;
    auto headers = downloadCache->cachedResponseHeadersForURL(m_url);
    auto dataPath = downloadCache->pathToCachedResponseDataForURL(m_url);
    if (headers && dataPath) {
        m_responseStatusCode = static_cast<int>(std::atol(headers->value("X-HTTPRequest-Response-Status-Code")
                                                              .value_or("0").c_str()));
        m_didUseCachedResponse = true;
        {
            std::lock_guard lock(target.m_responseLock);
            target.m_responseHeaders = *headers;
            target.m_haveResponseHeaders = true;
        }
        if (target.downloadDestinationPath) {
            // The caller looks for the file where it asked for it; pointing
            // the path at the cache's copy would leave the destination empty
            // and let a later cache clear take the file away.
            auto& files = NSFileManager::defaultManager();
            if (*target.downloadDestinationPath != *dataPath) {
                removeFileAtPathError(*target.downloadDestinationPath, nullptr);
                std::string copyError;
                if (!files.copyItemAtPathToPath(*dataPath, *target.downloadDestinationPath, &copyError)) {
                    failWithError(HTTPError::make(HTTPFileManagementError,
                                                  stringWithFormat("Failed to copy file from '%@' to '%@'", *dataPath,
                                                                   *target.downloadDestinationPath),
                                                  fileSystemError(copyError)));
                    return;
                }
            }
        } else if (auto data = downloadCache->cachedResponseDataForURL(m_url))
            target.m_rawResponseData = std::make_shared<Data>(std::move(*data));
        target.m_contentLength = std::strtoull(headers->value("Content-Length").value_or("0").c_str(), nullptr, 10);
        target.m_totalBytesRead = m_contentLength.load();
        target.parseStringEncodingFromHeaders();
        std::lock_guard lock(target.m_responseLock);
        target.m_responseCookies = NSHTTPCookie::cookiesWithResponseHeaderFieldsForURL(*headers, m_url);
    }
    if (headers && dataPath && willRedirect()) {
        if (!willAskDelegateToConfirmRedirect())
            performRedirect();
        return;
    }
    target.m_complete = true;
    target.m_downloadComplete = true;
    if (target.m_redirectCount == 0)
        target.m_originalURL = target.m_url;
    target.updateProgressIndicators();
    target.requestFinished();
    target.markAsFinished();
    if (main)
        markAsFinished();
}

// ---------------------------------------------------------------------------
// Progress

void HTTPRequest::updateProgressIndicators()
{
    if (isHEADProbe())
        return;
    if (showAccurateProgress || (m_complete && !m_updatedProgress)) {
        updateUploadProgress();
        updateDownloadProgress();
    }
}

void HTTPRequest::updateDownloadProgress()
{
    if (!m_haveResponseHeaders || m_needsRedirect)
        return;
    if (m_contentLength == 0 && !m_complete)
        return;
    uint64_t soFar = m_totalBytesRead + m_partialDownloadSize;
    long long amount = 1;
    if (showAccurateProgress && m_contentLength > 0) {
        amount = static_cast<long long>(soFar) - static_cast<long long>(m_lastBytesRead);
    } else {
        m_updatedProgress = true;
    }
    if (amount == 0)
        return;
    deliverToProgressReceivers(false, HTTPSelector::requestDidReceiveBytes, amount);
    unsigned long long total = m_contentLength + m_partialDownloadSize;
    setProgressOf(false, soFar, total);
    if (m_bytesReceivedBlock) {
        auto me = self();
        performBlockOnMainThread([me, amount, total] {
            if (me->m_bytesReceivedBlock)
                me->m_bytesReceivedBlock(static_cast<unsigned long long>(amount), total);
        });
    }
    m_lastBytesRead = soFar;
}

void HTTPRequest::updateUploadProgress()
{
    if (m_cancelled || m_totalBytesSent == 0)
        return;
    if (m_uploadBufferSize == 0 && m_totalBytesSent != m_postLength) {
        m_uploadBufferSize = m_totalBytesSent;
        incrementUploadSizeBy(-static_cast<long long>(m_uploadBufferSize));
    }
    long long amount = 0;
    if (showAccurateProgress) {
        if (m_totalBytesSent == m_postLength || m_lastBytesSent > 0)
            amount = static_cast<long long>(m_totalBytesSent) - static_cast<long long>(m_lastBytesSent);
    } else {
        amount = 1;
        m_updatedProgress = true;
    }
    if (amount == 0)
        return;
    deliverToProgressReceivers(true, HTTPSelector::requestDidSendBytes, amount);
    setProgressOf(true, m_totalBytesSent - m_uploadBufferSize, m_postLength - m_uploadBufferSize);
    if (m_bytesSentBlock) {
        auto me = self();
        unsigned long long total = m_postLength;
        performBlockOnMainThread([me, amount, total] {
            if (me->m_bytesSentBlock)
                me->m_bytesSentBlock(static_cast<unsigned long long>(amount), total);
        });
    }
}

void HTTPRequest::incrementDownloadSizeBy(long long amount)
{
    deliverToProgressReceivers(false, HTTPSelector::requestIncrementDownloadSizeBy, amount);
    if (m_downloadSizeIncrementedBlock) {
        auto me = self();
        performBlockOnMainThread([me, amount] {
            if (me->m_downloadSizeIncrementedBlock)
                me->m_downloadSizeIncrementedBlock(amount);
        });
    }
}

void HTTPRequest::incrementUploadSizeBy(long long amount)
{
    deliverToProgressReceivers(true, HTTPSelector::requestIncrementUploadSizeBy, amount);
    if (m_uploadSizeIncrementedBlock) {
        auto me = self();
        performBlockOnMainThread([me, amount] {
            if (me->m_uploadSizeIncrementedBlock)
                me->m_uploadSizeIncrementedBlock(amount);
        });
    }
}

void HTTPRequest::removeUploadProgressSoFar()
{
    long long amount = -static_cast<long long>(m_totalBytesSent.load());
    deliverToProgressReceivers(true, HTTPSelector::requestDidSendBytes, amount);
    setProgressOf(true, 0, m_postLength);
    if (m_bytesSentBlock) {
        auto me = self();
        unsigned long long total = m_postLength;
        performBlockOnMainThread([me, amount, total] {
            if (me->m_bytesSentBlock)
                me->m_bytesSentBlock(static_cast<unsigned long long>(amount), total);
        });
    }
}

// The queue first, then the progress delegate; both are read again on the
// main thread, so a receiver cleared meanwhile gets nothing.
void HTTPRequest::deliverToProgressReceivers(bool upload, HTTPSelector selector, long long amount)
{
    std::weak_ptr<HTTPRequest> weak = self();
    performBlockOnMainThread([weak, upload, selector, amount] {
        auto me = weak.lock();
        if (!me)
            return;
        auto call = [&](HTTPProgressDelegate* receiver) {
            if (!receiver || !receiver->respondsToProgressSelector(selector))
                return;
            switch (selector) {
            case HTTPSelector::requestDidReceiveBytes: receiver->requestDidReceiveBytes(me, amount); break;
            case HTTPSelector::requestDidSendBytes: receiver->requestDidSendBytes(me, amount); break;
            case HTTPSelector::requestIncrementDownloadSizeBy: receiver->requestIncrementDownloadSizeBy(me, amount); break;
            case HTTPSelector::requestIncrementUploadSizeBy: receiver->requestIncrementUploadSizeBy(me, amount); break;
            default: break;
            }
        };
        auto q = me->queue();
        call(q.get());
        auto receiver = upload ? me->uploadProgressDelegate() : me->downloadProgressDelegate();
        call(receiver.get());
    });
}

void HTTPRequest::setProgressOf(bool upload, unsigned long long progress, unsigned long long total)
{
    // A total of 0 has no meaningful ratio: the bar shows nothing done.
    float value = total == 0 ? 0.0f : static_cast<float>(static_cast<double>(progress) / static_cast<double>(total));
    std::weak_ptr<HTTPRequest> weak = self();
    performBlockOnMainThread([weak, upload, value] {
        auto me = weak.lock();
        if (!me)
            return;
        auto receiver = upload ? me->uploadProgressDelegate() : me->downloadProgressDelegate();
        if (receiver && receiver->respondsToProgressSelector(HTTPSelector::setProgress)) {
            std::lock_guard lock(classState().progressReportLock);
            receiver->setProgress(value);
        }
    });
}

void HTTPRequest::performBlockOnMainThread(std::function<void()> block)
{
    onMainThread(std::move(block));
}

// ---------------------------------------------------------------------------
// Authentication

void HTTPRequest::applyAuthorizationHeader()
{
    if (!shouldPresentCredentialsBeforeChallenge)
        return;
    if (!m_requestHeaders.contains("Authorization")) {
        if (!username.empty() && !password.empty() && authenticationScheme == kCFHTTPAuthenticationSchemeBasic) {
            addBasicAuthenticationHeaderWithUsernameAndPassword(username, password);
        } else if (useSessionPersistence) {
            if (auto entry = findSessionAuthenticationCredentials()) {
                if (entry->authentication) {
                    if (entry->authentication->applyCredentials(*m_request, entry->credentials->username,
                                                                entry->credentials->password))
                        authenticationScheme = entry->authenticationScheme;
                    else
                        removeAuthenticationCredentialsFromSessionStore(entry->credentials);
                } else {
                    addBasicAuthenticationHeaderWithUsernameAndPassword(entry->credentials->username,
                                                                        entry->credentials->password);
                }
            }
        }
    }
    if (useSessionPersistence) {
        if (auto entry = findSessionProxyAuthenticationCredentials()) {
            if (!entry->authentication
                || !entry->authentication->applyCredentials(*m_request, entry->credentials->username,
                                                            entry->credentials->password))
                removeProxyAuthenticationCredentialsFromSessionStore(entry->credentials);
        }
    }
}

void HTTPRequest::addBasicAuthenticationHeaderWithUsernameAndPassword(const std::string& user,
                                                                      const std::string& pass)
{
    std::string pair = stringWithFormat("%@:%@", user, pass);
    addRequestHeader("Authorization", stringWithFormat("Basic %@", base64forData(Data(pair.begin(), pair.end()))));
    authenticationScheme = kCFHTTPAuthenticationSchemeBasic;
}

HTTPCredentialsRef HTTPRequest::findCredentials()
{
    std::optional<std::pair<std::string, std::string>> found;
    if (m_url.user() && m_url.password())
        found = std::make_pair(*m_url.user(), *m_url.password());
    if (!found) {
        if (auto main = mainRequest.lock(); main && !main->username.empty() && !main->password.empty())
            found = std::make_pair(main->username, main->password);
    }
    if (!found && !username.empty() && !password.empty())
        found = std::make_pair(username, password);
    if (!found && useKeychainPersistence) {
        if (auto saved = savedCredentialsForHostPortProtocolRealm(m_url.host(), m_url.port().value_or(0),
                                                                  m_url.scheme(), authenticationRealm))
            found = std::make_pair(saved->username, saved->password);
    }
    if (!found)
        return nullptr;
    auto credentials = std::make_shared<HTTPCredentials>();
    credentials->username = found->first;
    credentials->password = found->second;
    if (m_requestAuthentication && m_requestAuthentication->requiresAccountDomain()) {
        std::string accountDomain = domain;
        if (accountDomain.empty()) {
            size_t slash = credentials->username.find('\\');
            if (slash != std::string::npos && credentials->username.find('\\', slash + 1) == std::string::npos) {
                accountDomain = credentials->username.substr(0, slash);
                credentials->username = credentials->username.substr(slash + 1);
            }
        }
        credentials->accountDomain = accountDomain;
    }
    return credentials;
}

HTTPCredentialsRef HTTPRequest::findProxyCredentials()
{
    std::optional<std::pair<std::string, std::string>> found;
    if (auto main = mainRequest.lock(); main && !main->proxyUsername.empty() && !main->proxyPassword.empty())
        found = std::make_pair(main->proxyUsername, main->proxyPassword);
    if (!found && !proxyUsername.empty() && !proxyPassword.empty())
        found = std::make_pair(proxyUsername, proxyPassword);
    if (!found && proxyAuthenticationScheme == kCFHTTPAuthenticationSchemeNTLM && !username.empty()
        && !password.empty())
        found = std::make_pair(username, password);
    if (!found) {
        if (auto saved = savedCredentialsForProxyPortProtocolRealm(proxyHost, proxyPort, m_url.scheme(),
                                                                   proxyAuthenticationRealm))
            found = std::make_pair(saved->username, saved->password);
    }
    if (!found)
        return nullptr;
    return std::make_shared<HTTPCredentials>(HTTPCredentials { found->first, found->second, std::nullopt });
}

bool HTTPRequest::applyCredentials(const HTTPCredentialsRef& credentials)
{
    m_authenticationRetryCount++;
    if (!credentials || !m_requestAuthentication || !m_request)
        return false;
    if (!m_requestAuthentication->applyCredentials(*m_request, credentials->username, credentials->password)) {
        removeAuthenticationCredentialsFromSessionStore(credentials);
        return false;
    }
    if (useKeychainPersistence)
        saveCredentialsForHostPortProtocolRealm(*credentials, m_url.host(), m_url.port().value_or(0), m_url.scheme(),
                                                authenticationRealm);
    if (useSessionPersistence) {
        auto entry = std::make_shared<HTTPSessionCredentials>();
        entry->authentication = m_requestAuthentication;
        entry->credentials = credentials;
        entry->url = m_url;
        entry->authenticationScheme = authenticationScheme;
        entry->authenticationRealm = authenticationRealm;
        storeAuthenticationCredentialsInSessionStore(entry);
    }
    m_requestCredentials = credentials;
    return true;
}

bool HTTPRequest::applyProxyCredentials(const HTTPCredentialsRef& credentials)
{
    m_proxyAuthenticationRetryCount++;
    if (!credentials || !m_proxyAuthentication || !m_request)
        return false;
    if (!m_proxyAuthentication->applyCredentials(*m_request, credentials->username, credentials->password)) {
        removeProxyAuthenticationCredentialsFromSessionStore(credentials);
        return false;
    }
    if (useKeychainPersistence)
        saveCredentialsForProxyPortRealm(*credentials, proxyHost, proxyPort, proxyAuthenticationRealm);
    if (useSessionPersistence) {
        auto entry = std::make_shared<HTTPSessionCredentials>();
        entry->authentication = m_proxyAuthentication;
        entry->credentials = credentials;
        entry->host = proxyHost;
        entry->port = proxyPort;
        entry->authenticationScheme = proxyAuthenticationScheme;
        storeProxyAuthenticationCredentialsInSessionStore(entry);
    }
    m_proxyCredentials = credentials;
    return true;
}

bool HTTPRequest::willAskDelegateForCredentials()
{
    if (m_isSynchronous)
        return false;
    std::shared_ptr<HTTPRequestDelegate> receiver = delegate();
    if (!receiver)
        receiver = queue();
    bool answers = receiver && receiver->respondsToSelector(HTTPSelector::authenticationNeededForRequest);
    if (!answers && !m_authenticationNeededBlock)
        return false;
    auto me = self();
    NSThread::performOnMainThread([me, receiver, answers] {
        if (answers)
            receiver->authenticationNeededForRequest(me);
        else if (me->m_authenticationNeededBlock)
            me->m_authenticationNeededBlock();
    }, false);
    return true;
}

bool HTTPRequest::willAskDelegateForProxyCredentials()
{
    if (m_isSynchronous)
        return false;
    std::shared_ptr<HTTPRequestDelegate> receiver = delegate();
    if (!receiver)
        receiver = queue();
    bool answers = receiver && receiver->respondsToSelector(HTTPSelector::proxyAuthenticationNeededForRequest);
    if (!answers && !m_proxyAuthenticationNeededBlock)
        return false;
    auto me = self();
    NSThread::performOnMainThread([me, receiver, answers] {
        if (answers)
            receiver->proxyAuthenticationNeededForRequest(me);
        else if (me->m_proxyAuthenticationNeededBlock)
            me->m_proxyAuthenticationNeededBlock();
    }, false);
    return true;
}

void HTTPRequest::retryUsingSuppliedCredentials()
{
    auto me = self();
    threadForRequest(this)->performBlock([me] {
        if (me->m_request)
            me->attemptToApplyCredentialsAndResume();
        else
            me->main();
    }, false);
}

void HTTPRequest::cancelAuthentication()
{
    auto me = self();
    threadForRequest(this)->performBlock([me] { me->failAuthentication(); }, false);
}

void HTTPRequest::failAuthentication()
{
    std::lock_guard lock(m_cancelledLock);
    failWithError(sharedError(HTTPAuthenticationErrorType));
}

void HTTPRequest::attemptToApplyCredentialsAndResume()
{
    if (error() || isCancelled())
        return;
    if (m_authenticationNeeded == HTTPProxyAuthenticationNeeded) {
        attemptToApplyProxyCredentialsAndResume();
        return;
    }
    auto response = m_readStream ? m_readStream->responseHeader() : nullptr;
    if (!m_requestAuthentication) {
        if (response)
            m_requestAuthentication = CFHTTPAuthentication::createFromResponse(*response);
        if (!m_requestAuthentication) {
            cancelLoad();
            failWithError(HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType,
                                          "Failed to get authentication object from response headers"));
            return;
        }
        authenticationScheme = m_requestAuthentication->method();
    } else if (response) {
        m_requestAuthentication->updateFromResponse(*response);
    }
    authenticationRealm.reset();
    if (!m_requestAuthentication->requiresAccountDomain())
        authenticationRealm = m_requestAuthentication->realm();
    long reason = 0;
    if (!m_requestAuthentication->isValid(&reason)) {
        m_requestAuthentication = nullptr;
        if (reason == kCFStreamErrorHTTPAuthenticationBadUserName || reason == kCFStreamErrorHTTPAuthenticationBadPassword) {
            std::unique_lock prompt(classState().authPromptLock);
            if (m_requestCredentials) {
                removeAuthenticationCredentialsFromSessionStore(m_requestCredentials);
                m_requestCredentials = nullptr;
            }
            if (error() || isCancelled())
                return;
            if (useSessionPersistence) {
                if (auto entry = findSessionAuthenticationCredentials()) {
                    if (response)
                        m_requestAuthentication = CFHTTPAuthentication::createFromResponse(*response);
                    if (applyCredentials(entry->credentials)) {
                        prompt.unlock();
                        cancelLoad();
                        startRequest();
                        return;
                    }
                }
            }
            m_lastActivityTime.reset();
            if (response && !m_requestAuthentication)
                m_requestAuthentication = CFHTTPAuthentication::createFromResponse(*response);
            if (willAskDelegateForCredentials() || showAuthenticationDialog()) {
                cancelLoad();
                return;
            }
            prompt.unlock();
            cancelLoad();
            failWithError(sharedError(HTTPAuthenticationErrorType));
            return;
        }
        cancelLoad();
        failWithError(sharedError(HTTPAuthenticationErrorType));
        return;
    }
    cancelLoad();
    if (m_requestCredentials) {
        if (!applyCredentials(m_requestCredentials)) {
            failWithError(HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType,
                                          "Failed to apply credentials to request"));
            return;
        }
        startRequest();
        return;
    }
    if (!m_requestAuthentication->requiresUserNameAndPassword())
        return;
    std::unique_lock prompt(classState().authPromptLock);
    if (error() || isCancelled())
        return;
    if (useSessionPersistence) {
        if (auto entry = findSessionAuthenticationCredentials(); entry && applyCredentials(entry->credentials)) {
            prompt.unlock();
            startRequest();
            return;
        }
    }
    auto credentials = findCredentials();
    if (!credentials) {
        if (willAskDelegateForCredentials() || showAuthenticationDialog())
            return;
        prompt.unlock();
        failWithError(sharedError(HTTPAuthenticationErrorType));
        return;
    }
    bool applied = applyCredentials(credentials);
    prompt.unlock();
    if (applied)
        startRequest();
    else
        failWithError(HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType,
                                      "Failed to apply credentials to request"));
}

void HTTPRequest::attemptToApplyProxyCredentialsAndResume()
{
    if (error() || isCancelled())
        return;
    auto response = m_readStream ? m_readStream->responseHeader() : nullptr;
    if (!m_proxyAuthentication) {
        if (response)
            m_proxyAuthentication = CFHTTPAuthentication::createFromResponse(*response);
        if (!m_proxyAuthentication) {
            cancelLoad();
            failWithError(HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType,
                                          "Failed to get authentication object from response headers"));
            return;
        }
        proxyAuthenticationScheme = m_proxyAuthentication->method();
    } else if (response) {
        m_proxyAuthentication->updateFromResponse(*response);
    }
    proxyAuthenticationRealm = m_proxyAuthentication->realm();
    long reason = 0;
    if (!m_proxyAuthentication->isValid(&reason)) {
        m_proxyAuthentication = nullptr;
        std::unique_lock prompt(classState().authPromptLock);
        if (m_proxyCredentials) {
            removeProxyAuthenticationCredentialsFromSessionStore(m_proxyCredentials);
            m_proxyCredentials = nullptr;
        }
        if (response)
            m_proxyAuthentication = CFHTTPAuthentication::createFromResponse(*response);
        m_lastActivityTime.reset();
        if (willAskDelegateForProxyCredentials() || showProxyAuthenticationDialog()) {
            cancelLoad();
            return;
        }
        prompt.unlock();
        cancelLoad();
        failWithError(sharedError(HTTPAuthenticationErrorType));
        return;
    }
    cancelLoad();
    if (m_proxyCredentials) {
        if (!applyProxyCredentials(m_proxyCredentials)) {
            failWithError(HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType,
                                          "Failed to apply proxy credentials to request"));
            return;
        }
        startRequest();
        return;
    }
    std::unique_lock prompt(classState().authPromptLock);
    if (useSessionPersistence) {
        if (auto entry = findSessionProxyAuthenticationCredentials(); entry && applyProxyCredentials(entry->credentials)) {
            prompt.unlock();
            startRequest();
            return;
        }
    }
    auto credentials = findProxyCredentials();
    if (!credentials) {
        if (willAskDelegateForProxyCredentials() || showProxyAuthenticationDialog())
            return;
        prompt.unlock();
        failWithError(sharedError(HTTPAuthenticationErrorType));
        return;
    }
    bool applied = applyProxyCredentials(credentials);
    prompt.unlock();
    if (applied)
        startRequest();
    else
        failWithError(HTTPError::make(HTTPInternalErrorWhileApplyingCredentialsType,
                                      "Failed to apply proxy credentials to request"));
}

bool HTTPRequest::showAuthenticationDialog()
{
    if (m_isSynchronous || !shouldPresentAuthenticationDialog)
        return false;
    auto me = self();
    onMainThread([me] { HTTPAuthenticationDialog::presentAuthenticationDialogForRequest(me); });
    return true;
}

bool HTTPRequest::showProxyAuthenticationDialog()
{
    if (m_isSynchronous || !shouldPresentProxyAuthenticationDialog)
        return false;
    auto me = self();
    onMainThread([me] { HTTPAuthenticationDialog::presentAuthenticationDialogForRequest(me); });
    return true;
}

// ---------------------------------------------------------------------------
// Utilities

std::optional<std::string> HTTPRequest::mimeTypeForFileAtPath(const std::string& path)
{
    bool isDirectory = false;
    if (!NSFileManager::defaultManager().fileExistsAtPathIsDirectory(path, &isDirectory))
        return std::nullopt;
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos || (slash != std::string::npos && dot < slash)
        ? std::string() : path.substr(dot + 1);
    if (auto type = MIMETypes::preferredMIMETypeForExtension(extension))
        return type;
    return std::string("application/octet-stream");
}

std::string HTTPRequest::base64forData(const Data& data)
{
    return Hashing::base64Encode(data);
}

void HTTPRequest::parseMimeTypeAndResponseEncodingFromContentType(std::string* mimeType, uint32_t* encoding,
                                                                  const std::optional<std::string>& contentType)
{
    if (!contentType)
        return;
    const std::string& text = *contentType;
    size_t semi = text.find(';');
    if (semi != std::string::npos && semi > 0) {
        if (mimeType)
            *mimeType = trimmed(text.substr(0, semi));
        size_t charset = text.find("charset=", semi);
        if (charset != std::string::npos && charset + 8 < text.size()) {
            size_t start = charset + 8;
            size_t end = text.find(';', start);
            std::string name = NSString::lowercaseASCII(trimmed(text.substr(start, end == std::string::npos ? std::string::npos
                                                                                         : end - start)));
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = name.substr(1, name.size() - 2);
            if (auto known = TextEncoding::encodingForIANACharsetName(name); known && encoding)
                *encoding = *known;
        }
    } else if (mimeType) {
        *mimeType = trimmed(text);
    }
}

std::optional<double> HTTPRequest::expiryDateForRequestMaxAge(HTTPRequest& request, double maxAge)
{
    auto headers = request.responseHeaders();
    if (maxAge == 0) {
        if (auto control = headers.value("Cache-Control")) {
            std::string l = NSString::lowercaseASCII(*control);
            size_t at = l.find("max-age");
            if (at != std::string::npos) {
                size_t eq = l.find('=', at);
                if (eq != std::string::npos)
                    maxAge = std::strtod(l.c_str() + eq + 1, nullptr);
                // "inf" or "nan" would give a date the cache can never compare sensibly.
                if (!std::isfinite(maxAge))
                    maxAge = 0;
            }
        }
    }
    if (maxAge != 0)
        return Clock::wallNow().secondsSince1970 + maxAge;
    if (auto expires = headers.value("Expires"))
        return dateFromRFC1123String(*expires);
    return std::nullopt;
}

std::optional<double> HTTPRequest::dateFromRFC1123String(const std::string& text)
{
    // The HTTP form ("Sun, 06 Nov 1994 08:49:37 GMT") is what servers send in
    // "Expires"; reading it (rather than a pattern it never matches) gives
    // responses their real expiry.
    return NSHTTPCookie::parseHTTPDate(text);
}

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
                                                          int port, const std::string& protocol,
                                                          const std::optional<std::string>& realm)
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

void HTTPRequest::removeCredentialsForHostPortProtocolRealm(const std::string& host, int port,
                                                            const std::string& protocol,
                                                            const std::optional<std::string>& realm)
{
    NSURLCredentialStorage::sharedCredentialStorage().removeDefaultCredential(
        { host, port, protocol, realm.value_or(""), false });
}

void HTTPRequest::saveCredentialsForProxyPortRealm(const HTTPCredentials& credentials, const std::string& host,
                                                   int port, const std::optional<std::string>& realm)
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

void HTTPRequest::removeCredentialsForProxyPortRealm(const std::string& host, int port,
                                                     const std::optional<std::string>& realm)
{
    NSURLCredentialStorage::sharedCredentialStorage().removeDefaultCredential(
        { host, port, "http", realm.value_or(""), true });
}

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
    return s.isBandwidthThrottledForWWAN || (!s.shouldThrottleBandwidthForWWANOnly && s.maxBandwidthPerSecond > 0);
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
    double now = Clock::wallNow().secondsSince1970;
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
    double now = Clock::wallNow().secondsSince1970;
    if (!s.bandwidthMeasurementDate || *s.bandwidthMeasurementDate < now)
        recordBandwidthUsage(s);
    bool throttled = s.isBandwidthThrottledForWWAN || (s.maxBandwidthPerSecond > 0 && !s.shouldThrottleBandwidthForWWANOnly);
    if (throttled && s.bandwidthUsedInLastSecond > s.maxBandwidthPerSecond && s.maxBandwidthPerSecond > 0) {
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
            ? 0 : s.maxBandwidthPerSecond - s.bandwidthUsedInLastSecond;
    double now = Clock::wallNow().secondsSince1970;
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
        if (*wake > Clock::wallNow().secondsSince1970) {
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
        NSNotificationCenter::defaultCenter().addObserver(&s, kReachabilityChangedNotification,
                                                          [](const NSNotification&) { reachabilityChanged(); });
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

// ---------------------------------------------------------------------------
// Proxies

bool HTTPRequest::configureProxies()
{
    if (isPACFileRequest || !proxyHost.empty() || proxyPort)
        return true;
    if (!PACurl) {
        auto proxies = CFNetworkCopyProxiesForURL(m_url, CFNetworkCopySystemProxySettings());
        if (!proxies) {
            m_readStream = nullptr;
            failWithError(HTTPError::make(HTTPInternalErrorWhileBuildingRequestType,
                                          "Unable to obtain information on proxy servers needed for request"));
            return false;
        }
        if (proxies->empty())
            return true;
        const auto& first = proxies->front();
        if (first.type == kCFProxyTypeAutoConfigurationURL && first.autoConfigurationURL) {
            PACurl = first.autoConfigurationURL;
        } else {
            if (first.type != kCFProxyTypeNone) {
                proxyHost = first.host;
                proxyPort = first.port;
                proxyType = first.type;
            }
            return true;
        }
    }
    // A local script is read at once (a file does not keep the thread
    // waiting). A remote one is fetched by its own request: a synchronous
    // request waits for it, any other carries on when it has arrived.
    if (PACurl->isFileURL()) {
        if (auto data = NSFileManager::defaultManager().contentsAtPath(PACurl->decodedPath())) {
            std::string bytes(data->begin(), data->end());
            auto text = TextEncoding::decode(bytes, NSUTF8StringEncoding);
            if (!text)
                text = TextEncoding::decode(bytes, NSISOLatin1StringEncoding);
            runPACScript(text);
        }
        return true;
    }
    std::string scheme = NSString::lowercaseASCII(PACurl->scheme());
    if (scheme != "http" && scheme != "https")
        return true;
    auto fetch = std::make_shared<HTTPRequest>(*PACurl);
    fetch->isPACFileRequest = true;
    fetch->timeOutSeconds = timeOutSeconds.load();
    if (m_isSynchronous) {
        fetch->startSynchronous();
        if (!fetch->error())
            runPACScript(fetch->responseString());
        return true;
    }
    m_PACFileRequest = fetch;
    fetch->setQueuePriority(NSOperationQueuePriorityHigh);
    std::weak_ptr<HTTPRequest> weak = self();
    // The script request reports while holding its own lock; this request's
    // lock is taken only after that one is released, on a later turn.
    auto finished = [weak] {
        threadForRequest(nullptr)->performBlock([weak] {
            if (auto me = weak.lock())
                me->finishedDownloadingPACFile();
        }, false);
    };
    fetch->setCompletionBlock(finished);
    fetch->setFailedBlock(finished);
    {
        // The script request needs a place of its own while this one holds one.
        std::lock_guard pool(classState().connectionPoolLock);
        auto queue = sharedQueue();
        queue->setMaxConcurrentOperationCount(queue->maxConcurrentOperationCount() + 1);
    }
    fetch->startAsynchronous();
    return false;
}

void HTTPRequest::finishedDownloadingPACFile()
{
    {
        std::lock_guard pool(classState().connectionPoolLock);
        auto queue = sharedQueue();
        queue->setMaxConcurrentOperationCount(queue->maxConcurrentOperationCount() - 1);
    }
    std::unique_lock lock(m_cancelledLock);
    auto fetch = std::move(m_PACFileRequest);
    m_PACFileRequest = nullptr;
    if (!fetch || m_cancelled || m_complete)
        return;
    if (!fetch->error())
        runPACScript(fetch->responseString());
    startRequest();
}

void HTTPRequest::runPACScript(const std::optional<std::string>& script)
{
    if (!script || script->empty())
        return;
    auto proxies = CFNetworkCopyProxiesForAutoConfigurationScript(*script, m_url, timeOutSeconds.load());
    if (proxies && !proxies->empty() && proxies->front().type != kCFProxyTypeNone) {
        proxyHost = proxies->front().host;
        proxyPort = proxies->front().port;
        proxyType = proxies->front().type;
    }
}

// ---------------------------------------------------------------------------
// Copying

void HTTPRequest::copyConfigurationInto(HTTPRequest& c) const
{
    c.m_delegate = m_delegate;
    c.m_requestMethod = m_requestMethod;
    c.m_postBody = m_postBody;
    c.shouldStreamPostDataFromDisk = shouldStreamPostDataFromDisk;
    c.postBodyFilePath = postBodyFilePath;
    c.m_requestHeaders = m_requestHeaders;
    c.requestCookies = requestCookies;
    c.useCookiePersistence = useCookiePersistence;
    c.useKeychainPersistence = useKeychainPersistence;
    c.useSessionPersistence = useSessionPersistence;
    c.allowCompressedResponse = allowCompressedResponse;
    c.downloadDestinationPath = downloadDestinationPath;
    c.temporaryFileDownloadPath = temporaryFileDownloadPath;
    c.username = username;
    c.password = password;
    c.domain = domain;
    c.proxyUsername = proxyUsername;
    c.proxyPassword = proxyPassword;
    c.proxyDomain = proxyDomain;
    c.proxyHost = proxyHost;
    c.proxyPort = proxyPort;
    c.proxyType = proxyType;
    c.m_uploadProgressDelegate = m_uploadProgressDelegate;
    c.m_downloadProgressDelegate = m_downloadProgressDelegate;
    c.shouldPresentAuthenticationDialog = shouldPresentAuthenticationDialog;
    c.shouldPresentProxyAuthenticationDialog = shouldPresentProxyAuthenticationDialog;
    c.m_postLength = m_postLength.load();
    c.m_haveBuiltPostBody = m_haveBuiltPostBody.load();
    c.didStartSelector = didStartSelector;
    c.didFinishSelector = didFinishSelector;
    c.didFailSelector = didFailSelector;
    c.timeOutSeconds = timeOutSeconds.load();
    c.shouldResetDownloadProgress = shouldResetDownloadProgress;
    c.shouldResetUploadProgress = shouldResetUploadProgress;
    c.showAccurateProgress = showAccurateProgress.load();
    c.defaultResponseEncoding = defaultResponseEncoding;
    c.allowResumeForFileDownloads = allowResumeForFileDownloads;
    c.userInfo = userInfo;
    c.tag = tag;
    c.useHTTPVersionOne = useHTTPVersionOne;
    c.shouldRedirect = shouldRedirect;
    c.validatesSecureCertificate = validatesSecureCertificate;
    c.clientCertificates = clientCertificates;
    c.PACurl = PACurl;
    c.shouldPresentCredentialsBeforeChallenge = shouldPresentCredentialsBeforeChallenge;
    c.numberOfTimesToRetryOnTimeout = numberOfTimesToRetryOnTimeout;
    c.shouldUseRFC2616RedirectBehaviour = shouldUseRFC2616RedirectBehaviour;
    c.shouldAttemptPersistentConnection = shouldAttemptPersistentConnection;
    c.persistentConnectionTimeoutSeconds = persistentConnectionTimeoutSeconds;
    c.authenticationScheme = authenticationScheme;
}

std::shared_ptr<HTTPRequest> HTTPRequest::copy() const
{
    auto c = std::make_shared<HTTPRequest>(url());
    std::lock_guard lock(m_cancelledLock);
    copyConfigurationInto(*c);
    return c;
}
