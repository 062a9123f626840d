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
#include <chrono>
#include <cmath>
#include <cstring>
#include <sys/utsname.h>
#include <utility>

HTTPRequest::ClassState& HTTPRequest::classState()
{
    static auto* state = new ClassState;  // lives for the process, like the network thread
    return *state;
}

namespace HTTPRequestDetail {

HTTPErrorRef sharedError(long code)
{
    static const HTTPErrorRef timedOut = HTTPError::make(HTTPRequestTimedOutErrorType, "The request timed out");
    static const HTTPErrorRef authentication = HTTPError::make(HTTPAuthenticationErrorType, "Authentication needed");
    static const HTTPErrorRef cancelled = HTTPError::make(HTTPRequestCancelledErrorType, "The request was cancelled");
    static const HTTPErrorRef badURL
        = HTTPError::make(HTTPUnableToCreateRequestErrorType, "Unable to create request (bad url?)");
    static const HTTPErrorRef redirects
        = HTTPError::make(HTTPTooMuchRedirectionErrorType, "The request failed because it redirected too many times");
    switch (code) {
    case HTTPRequestTimedOutErrorType:
        return timedOut;
    case HTTPAuthenticationErrorType:
        return authentication;
    case HTTPRequestCancelledErrorType:
        return cancelled;
    case HTTPUnableToCreateRequestErrorType:
        return badURL;
    default:
        return redirects;
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

HTTPErrorRef fileSystemError(const std::string& text) { return HTTPError::other("NSCocoaErrorDomain", 0, text); }

uint64_t parseCPrefixedUnsigned(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 0); }

namespace {

    // Set on the engine's network thread only.
    thread_local bool t_isNetworkThread = false;
    thread_local std::vector<std::function<void()>> t_mainThreadOutbox;
    // When the oldest report in the outbox was made.
    thread_local std::chrono::steady_clock::time_point t_mainThreadOutboxSince;
    // The longest a report waits while the network thread stays busy: long
    // downloads keep it turning without a pause, and their progress must still
    // reach the screen.
    constexpr std::chrono::microseconds kMainThreadOutboxHold { 2000 };

    void sendMainThreadOutbox()
    {
        NSThread::performOnMainThread(
            [batch = std::exchange(t_mainThreadOutbox, {})] {
                for (auto& block : batch)
                    block();
            },
            false);
    }

    // The outbox goes to the main thread when the network thread is about to
    // wait, or on a busy turn once its oldest report has waited long enough:
    // under load every main-thread wake-up then carries the reports of many
    // turns and requests, while a lone request's reports go as soon as the
    // network thread has nothing else to do.
    void sendMainThreadOutboxIfDue(RunLoopActivity activity)
    {
        if (t_mainThreadOutbox.empty())
            return;
        if (activity == RunLoopBeforeWaiting
            || std::chrono::steady_clock::now() - t_mainThreadOutboxSince >= kMainThreadOutboxHold)
            sendMainThreadOutbox();
    }

}  // namespace

void postToMainThread(std::function<void()> block)
{
    if (!t_isNetworkThread) {
        NSThread::performOnMainThread(std::move(block), false);
        return;
    }
    t_mainThreadOutbox.push_back(std::move(block));
    if (t_mainThreadOutbox.size() == 1)
        t_mainThreadOutboxSince = std::chrono::steady_clock::now();
}

void onMainThread(std::function<void()> block)
{
    if (NSThread::isMainThread())
        block();
    else
        postToMainThread(std::move(block));
}

}  // namespace HTTPRequestDetail

using namespace HTTPRequestDetail;

// ---------------------------------------------------------------------------
// Construction and class-level values

std::shared_ptr<HTTPRequest> HTTPRequest::requestWithURL(const CFURL& url)
{
    return std::make_shared<HTTPRequest>(url);
}

HTTPRequest::HTTPRequest(const CFURL& url)
    : m_url(url)
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
    // Made only when there is a block to hand over: most requests have none.
    std::shared_ptr<std::vector<std::function<void()>>> blocks;
    auto move = [&](auto& block) {
        if (block) {
            if (!blocks)
                blocks = std::make_shared<std::vector<std::function<void()>>>();
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
    if (!blocks)
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
            std::string localeId
                = locale && *locale ? std::string(locale).substr(0, std::string(locale).find('.')) : "en_US";
            s.defaultUserAgent = stringWithFormat(
                "%@ %@ (%@; %@ %@; %@)", appName, version, system.machine, system.sysname, system.release, localeId);
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
            auto outbox = loop->addObserver(
                RunLoopBeforeSources | RunLoopBeforeWaiting, sendMainThreadOutboxIfDue, { NSRunLoopCommonModes });
            t_isNetworkThread = true;
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

#define HTTP_BLOCK_SETTER(Setter, Field, Type)                                                                         \
    void HTTPRequest::Setter(Type block)                                                                               \
    {                                                                                                                  \
        std::lock_guard lock(m_cancelledLock);                                                                         \
        Field = std::move(block);                                                                                      \
    }
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

void HTTPRequest::startAsynchronous() { sharedQueue()->addOperation(protect<HTTPRequest>()); }

void HTTPRequest::start()
{
    m_inProgress = true;
    stateDidChange();
    auto me = protect<HTTPRequest>();
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
    m_request = CFHTTPMessage::createRequest(
        m_requestMethod, m_url, useHTTPVersionOne ? kCFHTTPVersion1_0 : kCFHTTPVersion1_1);
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
                if (!HTTPDataCompressor::compressDataFromFileToFileError(
                        *postBodyFilePath, *compressedPostBodyFilePath, &error)) {
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
        addRequestHeader("Content-Length", std::to_string(length));
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
        addRequestHeader(
            "Range", stringWithFormat("bytes=%llu-", static_cast<unsigned long long>(m_partialDownloadSize)));
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
            stringWithFormat("Failed to get attributes for file at path '%@'", *temporaryFileDownloadPath),
            fileSystemError("Unreadable file")));
        return;
    }
    m_partialDownloadSize = *size;
}

void HTTPRequest::startRequest()
{
    if (isCancelled())
        return;
    // Retries, redirects and resumed attempts are the same request to its
    // delegate, blocks and queue: they hear of its start once.
    if (!m_reportedStart) {
        m_reportedStart = true;
        requestStarted();
    }
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
    m_dataDecompressor = nullptr;  // each attempt's body is a stream of its own
    m_readStreamIsScheduled = false;
    m_connectionCanBeReused = false;  // this attempt's answer decides

    if (postBodyFilePath && shouldStreamPostDataFromDisk
        && NSFileManager::defaultManager().fileExistsAtPath(*postBodyFilePath)) {
        std::string path = compressedPostBodyFilePath
                && NSFileManager::defaultManager().fileExistsAtPath(*compressedPostBodyFilePath)
            ? *compressedPostBodyFilePath
            : *postBodyFilePath;
        m_postBodyReadStream = HTTPInputStream::inputStreamWithFileAtPathRequest(path, protect<HTTPRequest>());
    } else if (m_postBody && !m_postBody->empty()) {
        auto body = shouldCompressRequestBody && m_compressedPostBody ? m_compressedPostBody : m_postBody;
        m_postBodyReadStream = HTTPInputStream::inputStreamWithDataRequest(body, protect<HTTPRequest>());
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
    if (NSString::lowercaseASCII(m_url.scheme()) == "https") {
        CFStreamSSLSettings ssl;
        if (!validatesSecureCertificate) {
            ssl.validatesCertificateChain = false;
            ssl.allowsExpiredCertificates = true;
            ssl.allowsAnyRoot = true;
            ssl.checksPeerName = false;
        }
        // An identity replaces the settings above: the server is checked
        // again whenever the request presents who it is.
        if (clientCertificateIdentity) {
            ssl = CFStreamSSLSettings {};
            ssl.identity = clientCertificateIdentity;
            ssl.certificates = clientCertificates;
        }
        m_readStream->setSSLSettings(std::move(ssl));
    }
    if (!proxyHost.empty() && proxyPort) {
        if (proxyType.empty())
            proxyType = kCFProxyTypeHTTP;
        if (proxyType == kCFProxyTypeSOCKS)
            m_readStream->setSOCKSProxy(proxyHost, proxyPort, proxyUsername, proxyPassword);
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
        // A pause left from before throttling was turned off holds nothing
        // back: the status checks would attach the stream at once anyway.
        throttledNow = s.throttlingApplies() && s.throttleWakeUpTime && *s.throttleWakeUpTime > Clock::now();
    }
    if (!m_readStreamIsScheduled && !throttledNow)
        scheduleReadStream();
    auto weak = weakSelf<HTTPRequest>();
    m_readStream->setClient(
        kCFStreamEventHasBytesAvailable | kCFStreamEventErrorOccurred | kCFStreamEventEndEncountered,
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
            // unless another one starts meanwhile. One timer at a time serves
            // every transfer that ends: a busy queue would otherwise leave the
            // main loop a timer per request to look through.
            s.lastTransferEndTime = Clock::now();
            if (!s.indicatorTimerPending) {
                s.indicatorTimerPending = true;
                onMainThread([] { armActivityIndicatorTimer(indicatorDelay); });
            }
        }
    }
    m_readStream->unscheduleFromRunLoop();
    m_readStreamIsScheduled = false;
}

void HTTPRequest::armActivityIndicatorTimer(double delay)
{
    auto timer = NSTimer::timerWithTimeInterval(delay, false, [](NSTimer&) {
        auto& s = classState();
        std::unique_lock pool(s.connectionPoolLock);
        if (s.runningRequestCount != 0) {
            // A transfer runs: the one that ends last arms the timer again.
            s.indicatorTimerPending = false;
            return;
        }
        double idle = Clock::now() - s.lastTransferEndTime;
        if (idle < indicatorDelay) {
            pool.unlock();
            armActivityIndicatorTimer(indicatorDelay - idle);
            return;
        }
        s.indicatorTimerPending = false;
        s.networkActivityIndicatorVisible = false;
    });
    NSRunLoop::currentRunLoop()->addTimer(timer, NSRunLoopCommonModes);
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
    auto keep = protect<HTTPRequest>();
    if (m_statusTimer && m_statusTimer != timer)
        m_statusTimer->invalidate();
    m_statusTimer = std::move(timer);
}

void HTTPRequest::updateStatus()
{
    auto keep = protect<HTTPRequest>();
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
            // The stalled attempt's connection and download file go first:
            // bytes of the new answer written after the old ones would give
            // a wrong file.
            m_willRetryRequest = true;
            cancelLoad();
            m_willRetryRequest = false;
            refreshRangeForRetry();
            m_retryCount++;
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
    auto me = protect<HTTPRequest>();
    threadForRequest(this)->performBlock([me] { me->cancelOnRequestThread(); }, false);
}

void HTTPRequest::cancelOnRequestThread()
{
    std::unique_lock lock(m_cancelledLock);
    // A transfer that ended but waits on its delegate (to confirm a redirect,
    // or for credentials) has not answered yet: cancelled, it fails, or its
    // requester would wait for ever. One that has reported, or is failing,
    // is left alone.
    if (m_cancelled || (m_complete && (m_finished || error())))
        return;
    auto keep = protect<HTTPRequest>();
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
        closeDownloadFileStreams();
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
    auto keep = protect<HTTPRequest>();
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
    head->mainRequest = weakSelf<HTTPRequest>();
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
    head->clientCertificateIdentity = clientCertificateIdentity;
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
// Utilities

std::optional<std::string> HTTPRequest::mimeTypeForFileAtPath(const std::string& path)
{
    bool isDirectory = false;
    if (!NSFileManager::defaultManager().fileExistsAtPathIsDirectory(path, &isDirectory))
        return std::nullopt;
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos || (slash != std::string::npos && dot < slash)
        ? std::string()
        : path.substr(dot + 1);
    if (auto type = MIMETypes::preferredMIMETypeForExtension(extension))
        return type;
    return std::string("application/octet-stream");
}

std::string HTTPRequest::base64forData(const Data& data) { return Hashing::base64Encode(data); }

void HTTPRequest::parseMimeTypeAndResponseEncodingFromContentType(
    std::string* mimeType, uint32_t* encoding, const std::optional<std::string>& contentType)
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
            std::string name = NSString::lowercaseASCII(
                trimmed(text.substr(start, end == std::string::npos ? std::string::npos : end - start)));
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
    c.clientCertificateIdentity = clientCertificateIdentity;
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
