#pragma once

// One HTTP exchange, run as an operation on the engine's single network
// thread: method, URL, headers and an optional body (in memory or in a file),
// with redirects, cookies, gzip, authentication, downloads to a file with
// resume, time-outs and progress. Every callback reaches the delegate, the
// blocks and the queue on the main thread.
//
// Threads: `start` (called by an operation queue) only hands `main` to the
// network thread. Everything else of a running request happens there, under
// the request's `cancelledLock`; callers set the configuration before the
// request starts and read the response once it has reported.

#include "Network/HTTP/HTTPConnectionRecord.h"
#include "Network/HTTP/HTTPError.h"
#include "Network/HTTP/HTTPRequestDelegate.h"
#include "Platform/CFNetwork/CFHTTPAuthentication.h"
#include "Platform/CFNetwork/CFHTTPReadStream.h"
#include "Platform/CFNetwork/NSHTTPCookie.h"
#include "Platform/CFNetwork/NSStream.h"
#include "Platform/Foundation/NSOperation.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/Foundation/TextEncoding.h"
#include "Platform/Foundation/Value.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class HTTPDataDecompressor;
class HTTPInputStream;

inline const NSRunLoopMode HTTPRequestRunLoopMode = "HTTPRequestRunLoopMode";

enum HTTPAuthenticationState {
    HTTPNoAuthenticationNeededYet = 0,
    HTTPHTTPAuthenticationNeeded = 1,
    HTTPProxyAuthenticationNeeded = 2
};

// Credentials of an authentication exchange.
struct HTTPCredentials {
    std::string username;
    std::string password;
    std::optional<std::string> accountDomain;
    bool operator==(const HTTPCredentials&) const = default;
};
using HTTPCredentialsRef = std::shared_ptr<const HTTPCredentials>;

// A remembered credential (session store entry).
struct HTTPSessionCredentials {
    std::shared_ptr<CFHTTPAuthentication> authentication;
    HTTPCredentialsRef credentials;
    std::optional<CFURL> url;  // server entries
    std::string host;  // proxy entries
    int port = 0;
    std::string authenticationScheme;
    std::optional<std::string> authenticationRealm;
};
using HTTPSessionCredentialsRef = std::shared_ptr<const HTTPSessionCredentials>;

class HTTPRequest : public NSOperation {
public:
    using BasicBlock = std::function<void()>;
    using HeadersBlock = std::function<void(const HTTPHeaderFields&)>;
    using SizeBlock = std::function<void(long long size)>;
    using ProgressBlock = std::function<void(unsigned long long size, unsigned long long total)>;
    using DataBlock = std::function<void(const Data&)>;

    static std::shared_ptr<HTTPRequest> requestWithURL(const CFURL& url);
    explicit HTTPRequest(const CFURL& url);
    ~HTTPRequest() override;

    // Operation protocol.
    void start() override;
    void main() override;
    void cancel() override;
    bool isConcurrent() const override { return true; }
    bool isExecuting() const override { return m_inProgress.load(); }
    bool isFinished() const override { return m_finished.load(); }
    bool isCancelled() const override;

    void startAsynchronous();
    void startSynchronous();
    void clearDelegatesAndCancel();

    // Locked accessors.
    CFURL url() const;
    void setURL(const CFURL& url);
    std::string requestMethod() const;
    void setRequestMethod(const std::string& method);
    std::shared_ptr<HTTPRequestDelegate> delegate() const;
    void setDelegate(const std::shared_ptr<HTTPRequestDelegate>& delegate);
    std::shared_ptr<HTTPRequestQueueReceiver> queue() const;
    void setQueue(const std::shared_ptr<HTTPRequestQueueReceiver>& queue);
    std::shared_ptr<HTTPProgressDelegate> uploadProgressDelegate() const;
    void setUploadProgressDelegate(const std::shared_ptr<HTTPProgressDelegate>& delegate);
    std::shared_ptr<HTTPProgressDelegate> downloadProgressDelegate() const;
    void setDownloadProgressDelegate(const std::shared_ptr<HTTPProgressDelegate>& delegate);

    // Headers and body.
    void addRequestHeader(const std::string& name, const std::string& value);
    const HTTPHeaderFields& requestHeaders() const { return m_requestHeaders; }
    void setRequestHeaders(HTTPHeaderFields headers) { m_requestHeaders = std::move(headers); }
    void appendPostData(const Data& data);
    void appendPostDataFromFile(const std::string& path);
    void setPostBody(std::shared_ptr<Data> body) { m_postBody = std::move(body); }
    std::shared_ptr<Data> postBody() const { return m_postBody; }
    virtual void buildPostBody();
    void buildRequestHeaders();
    void applyCookieHeader();
    void updatePartialDownloadSize();

    // Response.
    HTTPErrorRef error() const;
    int responseStatusCode() const { return m_responseStatusCode.load(); }
    std::string responseStatusMessage() const;
    HTTPHeaderFields responseHeaders() const;
    std::vector<NSHTTPCookie> responseCookies() const;
    uint32_t responseEncoding() const { return m_responseEncoding; }
    std::optional<Data> responseData() const;
    // The body as responseData() gives it, moved out of the request, which
    // keeps none of it: a finished request's reader that needs the bytes
    // only once need not hold a table reply twice.
    std::optional<Data> takeResponseData();
    std::optional<std::string> responseString() const;
    bool isResponseCompressed() const;
    const std::shared_ptr<Data>& rawResponseData() const { return m_rawResponseData; }
    bool complete() const { return m_complete.load(); }
    bool didUseCachedResponse() const { return m_didUseCachedResponse; }
    std::optional<CFURL> originalURL() const;
    int redirectCount() const { return m_redirectCount; }
    int retryCount() const { return m_retryCount; }
    uint64_t contentLength() const { return m_contentLength.load(); }
    uint64_t partialDownloadSize() const { return m_partialDownloadSize.load(); }
    uint64_t totalBytesRead() const { return m_totalBytesRead.load(); }
    uint64_t totalBytesSent() const { return m_totalBytesSent.load(); }
    uint64_t postLength() const { return m_postLength.load(); }
    int authenticationNeeded() const { return m_authenticationNeeded.load(); }
    HTTPCredentialsRef requestCredentials() const { return m_requestCredentials; }
    std::optional<long> connectionID() const;
    // A resumed download whose partial file already held the whole body (the
    // server answered 416 naming that size): the file was completed as it was.
    bool partialDownloadWasComplete() const { return m_partialDownloadWasComplete.load(); }

    // Blocks.
    void setStartedBlock(BasicBlock block);
    void setHeadersReceivedBlock(HeadersBlock block);
    void setCompletionBlock(BasicBlock block);
    void setFailedBlock(BasicBlock block);
    void setBytesReceivedBlock(ProgressBlock block);
    void setBytesSentBlock(ProgressBlock block);
    void setDownloadSizeIncrementedBlock(SizeBlock block);
    void setUploadSizeIncrementedBlock(SizeBlock block);
    void setDataReceivedBlock(DataBlock block);
    void setAuthenticationNeededBlock(BasicBlock block);
    void setProxyAuthenticationNeededBlock(BasicBlock block);
    void setRequestRedirectedBlock(BasicBlock block);

    // Authentication answers from a delegate or the dialog.
    void retryUsingSuppliedCredentials();
    void cancelAuthentication();
    // A delegate asked to confirm a redirect answers with this.
    void redirectToURL(const CFURL& url);

    // The copy takes over the configuration, not the response (a new request).
    virtual std::shared_ptr<HTTPRequest> copy() const;
    std::shared_ptr<HTTPRequest> HEADRequest();

    // Class-level services.
    static std::shared_ptr<NSOperationQueue> sharedQueue();
    static std::shared_ptr<NSThread> threadForRequest(HTTPRequest* request);
    static double defaultTimeOutSeconds();
    static void setDefaultTimeOutSeconds(double seconds);
    static std::optional<std::string> defaultUserAgentString();
    static void setDefaultUserAgentString(std::optional<std::string> agent);
    static bool isNetworkInUse();
    static void setShouldUpdateNetworkActivityIndicator(bool update);
    static bool isNetworkActivityIndicatorVisible();
    static void expirePersistentConnections();
    static bool removeFileAtPathError(const std::string& path, HTTPErrorRef* error);
    static std::shared_ptr<HTTPCacheDelegate> defaultCache();
    static void setDefaultCache(std::shared_ptr<HTTPCacheDelegate> cache);
    static bool isMultitaskingSupported() { return false; }

    // Utilities.
    static std::optional<std::string> mimeTypeForFileAtPath(const std::string& path);
    static std::string base64forData(const Data& data);
    static void parseMimeTypeAndResponseEncodingFromContentType(
        std::string* mimeType, uint32_t* encoding, const std::optional<std::string>& contentType);
    static std::optional<double> expiryDateForRequestMaxAge(HTTPRequest& request, double maxAge);
    static std::optional<double> dateFromRFC1123String(const std::string& text);

    // Session credentials and cookies.
    static std::vector<HTTPSessionCredentialsRef> sessionCredentialsStore();
    static std::vector<HTTPSessionCredentialsRef> sessionProxyCredentialsStore();
    static void storeAuthenticationCredentialsInSessionStore(HTTPSessionCredentialsRef entry);
    static void storeProxyAuthenticationCredentialsInSessionStore(HTTPSessionCredentialsRef entry);
    static void removeAuthenticationCredentialsFromSessionStore(const HTTPCredentialsRef& credentials);
    static void removeProxyAuthenticationCredentialsFromSessionStore(const HTTPCredentialsRef& credentials);
    HTTPSessionCredentialsRef findSessionAuthenticationCredentials();
    HTTPSessionCredentialsRef findSessionProxyAuthenticationCredentials();
    static void clearSession();
    static std::vector<NSHTTPCookie> sessionCookies();
    static void setSessionCookies(std::vector<NSHTTPCookie> cookies);
    static void addSessionCookie(const NSHTTPCookie& cookie);
    static void saveCredentialsForHostPortProtocolRealm(const HTTPCredentials& credentials, const std::string& host,
        int port, const std::string& protocol, const std::optional<std::string>& realm);
    static std::optional<HTTPCredentials> savedCredentialsForHostPortProtocolRealm(
        const std::string& host, int port, const std::string& protocol, const std::optional<std::string>& realm);
    static void removeCredentialsForHostPortProtocolRealm(
        const std::string& host, int port, const std::string& protocol, const std::optional<std::string>& realm);
    static void saveCredentialsForProxyPortRealm(
        const HTTPCredentials& credentials, const std::string& host, int port, const std::optional<std::string>& realm);
    static std::optional<HTTPCredentials> savedCredentialsForProxyPortProtocolRealm(
        const std::string& host, int port, const std::string& protocol, const std::optional<std::string>& realm);
    static void removeCredentialsForProxyPortRealm(
        const std::string& host, int port, const std::optional<std::string>& realm);

    // Bandwidth throttling.
    static void setMaxBandwidthPerSecond(unsigned long bytes);
    static unsigned long maxBandwidthPerSecond();
    static bool isBandwidthThrottled();
    static void incrementBandwidthUsedInLastSecond(unsigned long bytes);
    static unsigned long averageBandwidthUsedPerSecond();
    static void measureBandwidthUsage();
    static unsigned long maxUploadReadLength();
    static void setShouldThrottleBandwidthForWWAN(bool throttle);
    static void throttleBandwidthForWWANUsingLimit(unsigned long limit);
    static bool isNetworkReachableViaWWAN();
    static void reachabilityChanged();
    void performThrottling();

    struct ClassState;  // the class-level state shared by all requests

    // Configuration (set before the request starts).
    std::string username, password, domain;
    std::string proxyUsername, proxyPassword, proxyDomain;
    std::optional<std::string> userAgentString;
    std::optional<std::string> downloadDestinationPath;
    std::optional<std::string> temporaryFileDownloadPath;
    std::optional<std::string> temporaryUncompressedDataDownloadPath;
    std::vector<NSHTTPCookie> requestCookies;
    bool useCookiePersistence = true;
    bool useKeychainPersistence = false;
    bool useSessionPersistence = true;
    bool allowCompressedResponse = true;
    bool shouldCompressRequestBody = false;
    bool shouldStreamPostDataFromDisk = false;
    std::optional<std::string> postBodyFilePath;
    std::optional<std::string> compressedPostBodyFilePath;
    bool didCreateTemporaryPostDataFile = false;
    bool shouldPresentAuthenticationDialog = false;
    bool shouldPresentProxyAuthenticationDialog = true;
    bool shouldPresentCredentialsBeforeChallenge = true;
    std::string authenticationScheme, proxyAuthenticationScheme;
    std::optional<std::string> authenticationRealm, proxyAuthenticationRealm;
    std::atomic<double> timeOutSeconds;
    bool shouldResetUploadProgress = true;
    bool shouldResetDownloadProgress = true;
    std::atomic<bool> showAccurateProgress { true };
    uint32_t defaultResponseEncoding = NSISOLatin1StringEncoding;
    bool allowResumeForFileDownloads = false;
    Value userInfo;
    int tag = 0;
    bool useHTTPVersionOne = false;
    bool shouldRedirect = true;
    bool validatesSecureCertificate = true;
    // Presented to an https server that asks for one, with the further
    // certificates (DER) after it.
    std::shared_ptr<const SecIdentity> clientCertificateIdentity;
    void setClientCertificateIdentity(std::shared_ptr<const SecIdentity> identity)
    {
        clientCertificateIdentity = std::move(identity);
    }
    std::vector<Data> clientCertificates;
    std::string proxyHost;
    int proxyPort = 0;
    std::string proxyType;
    std::optional<CFURL> PACurl;
    int numberOfTimesToRetryOnTimeout = 0;
    bool shouldAttemptPersistentConnection = true;
    double persistentConnectionTimeoutSeconds = 60.0;
    bool shouldUseRFC2616RedirectBehaviour = false;
    NSRunLoopMode runLoopMode = NSDefaultRunLoopMode;
    std::shared_ptr<HTTPCacheDelegate> downloadCache;
    int cachePolicy = 0;
    int cacheStoragePolicy = 0;
    double secondsToCache = 0;
    bool shouldContinueWhenAppEntersBackground = false;
    bool shouldWaitToInflateCompressedResponses = true;
    // The most bytes a response may take in memory, and the most any
    // compressed response may inflate to; past it the request fails with the
    // "too large" error (code 12). A body written to a file as received is not
    // held to it.
    unsigned long long maximumDecodedResponseSize = 256ULL * 1024 * 1024;
    bool isPACFileRequest = false;
    HTTPSelector didStartSelector = HTTPSelector::requestStarted;
    HTTPSelector didReceiveResponseHeadersSelector = HTTPSelector::requestDidReceiveResponseHeaders;
    HTTPSelector willRedirectSelector = HTTPSelector::requestWillRedirectToURL;
    HTTPSelector didFinishSelector = HTTPSelector::requestFinished;
    HTTPSelector didFailSelector = HTTPSelector::requestFailed;
    HTTPSelector didReceiveDataSelector = HTTPSelector::requestDidReceiveData;
    std::weak_ptr<HTTPRequest> mainRequest;  // for a HEAD size probe: the request it measures

    // The lock guarding a running request; callers may take it to read
    // several fields at once.
    std::recursive_mutex& cancelledLock() const { return m_cancelledLock; }
    bool isSynchronous() const { return m_isSynchronous; }
    bool haveBuiltPostBody() const { return m_haveBuiltPostBody; }
    void setHaveBuiltPostBody(bool built) { m_haveBuiltPostBody = built; }
    bool shouldResetProgressFlagsFor(bool upload) const;

protected:
    void setupPostBody();
    void failWithError(HTTPErrorRef error);
    void copyConfigurationInto(HTTPRequest& copy) const;

    std::atomic<bool> m_haveBuiltPostBody { false };

private:
    friend class HTTPInputStream;
    friend class HTTPDownloadCache;
    friend class NetworkQueue;
    static ClassState& classState();
    bool isHEADProbe() const { return !mainRequest.expired(); }

    // Execution.
    void startRequest();
    void scheduleReadStream();
    void unscheduleReadStream();
    void destroyReadStream();
    static constexpr double indicatorDelay = 0.5;
    static void armActivityIndicatorTimer(double delay);
    void setStatusTimer(std::shared_ptr<NSTimer> timer);
    void updateStatus();
    void checkRequestStatus();
    bool shouldTimeOut();
    void refreshRangeForRetry();
    void cancelOnRequestThread();
    void cancelLoad();
    void markAsFinished();
    bool configureProxies();
    void finishedDownloadingPACFile();
    void runPACScript(const std::optional<std::string>& script);
    void useDataFromCache();

    // Response.
    void handleNetworkEvent(CFStreamEventType type);
    void readResponseHeaders();
    bool willRedirect();
    void parseStringEncodingFromHeaders();
    void handleBytesAvailable();
    void handleStreamComplete();
    void handleStreamError();
    bool retryUsingNewConnection();
    bool willAskDelegateToConfirmRedirect();
    void performRedirect();
    void requestStarted();
    void requestReceivedResponseHeaders(const HTTPHeaderFields& headers);
    void requestRedirected();
    void requestWillRedirectToURL(const CFURL& url);
    void requestFinished();
    void reportFinished();
    void reportFailure();
    void passOnReceivedData(const Data& data);
    // Hands a piece of the body (and what it inflated to, when inflated as it
    // comes) to the delegate, the download file or the kept body; false when
    // that failed the request.
    bool takeReceivedBytes(const uint8_t* bytes, size_t length, const Data* inflated);
    void discardFailedDownload();
    // Closes and lets go of the download file and its inflated twin, where open.
    void closeDownloadFileStreams();
    bool removeTemporaryDownloadFile();
    bool removeTemporaryUncompressedDownloadFile();
    bool removeTemporaryUploadFile();
    bool removeTemporaryCompressedUploadFile();
    bool writeToDownloadFile(const uint8_t* bytes, size_t length, const Data* inflated);
    bool appendToDownloadFile(const uint8_t* bytes, size_t length, const Data* inflated);
    // What a resumed download does with this response's body.
    enum class ResumeDisposition { NotResumed, Append, StartAfresh, AlreadyComplete, Restart };
    ResumeDisposition resumeDisposition() const;
    bool restartWithoutRange();
    void dropCredentialsForNewOrigin(const CFURL& target);

    // Progress.
    void updateProgressIndicators();
    void updateDownloadProgress();
    void updateUploadProgress();
    void incrementDownloadSizeBy(long long amount);
    void incrementUploadSizeBy(long long amount);
    void removeUploadProgressSoFar();
    void setProgressOf(bool upload, unsigned long long progress, unsigned long long total);
    void deliverToProgressReceivers(bool upload, HTTPSelector selector, long long amount);
    void performBlockOnMainThread(std::function<void()> block);

    // Authentication.
    void applyAuthorizationHeader();
    void addBasicAuthenticationHeaderWithUsernameAndPassword(const std::string& user, const std::string& pass);
    void attemptToApplyCredentialsAndResume();
    void attemptToApplyProxyCredentialsAndResume();
    struct ChallengeSide;
    ChallengeSide challengeSide(bool proxy);
    void resumeWithChallengeCredentials(ChallengeSide side);
    HTTPCredentialsRef findCredentials();
    HTTPCredentialsRef findProxyCredentials();
    bool applyCredentials(const HTTPCredentialsRef& credentials);
    bool applyProxyCredentials(const HTTPCredentialsRef& credentials);
    bool willAskDelegateForCredentials();
    bool willAskDelegateForProxyCredentials();
    bool showAuthenticationDialog();
    bool showProxyAuthenticationDialog();
    void failAuthentication();

    mutable std::recursive_mutex m_cancelledLock;
    CFURL m_url;
    std::optional<CFURL> m_originalURL;
    std::optional<CFURL> m_redirectURL;
    std::string m_requestMethod = "GET";
    std::weak_ptr<HTTPRequestDelegate> m_delegate;
    std::shared_ptr<HTTPRequestQueueReceiver> m_queue;
    std::weak_ptr<HTTPProgressDelegate> m_uploadProgressDelegate;
    std::weak_ptr<HTTPProgressDelegate> m_downloadProgressDelegate;

    HTTPHeaderFields m_requestHeaders;
    bool m_haveBuiltRequestHeaders = false;
    std::shared_ptr<Data> m_postBody;
    std::shared_ptr<Data> m_compressedPostBody;
    std::shared_ptr<NSOutputStream> m_postBodyWriteStream;
    std::shared_ptr<HTTPInputStream> m_postBodyReadStream;

    std::shared_ptr<CFHTTPMessage> m_request;
    std::shared_ptr<CFHTTPReadStream> m_readStream;
    std::shared_ptr<NSRunLoop> m_streamRunLoop;
    bool m_readStreamIsScheduled = false;
    std::shared_ptr<NSTimer> m_statusTimer;
    std::shared_ptr<HTTPRequest> m_PACFileRequest;

    mutable std::mutex m_responseLock;  // response fields read from other threads
    HTTPErrorRef m_error;
    HTTPHeaderFields m_responseHeaders;
    bool m_haveResponseHeaders = false;
    std::string m_responseStatusMessage;
    std::vector<NSHTTPCookie> m_responseCookies;
    std::atomic<int> m_responseStatusCode { 0 };
    uint32_t m_responseEncoding = NSISOLatin1StringEncoding;
    std::shared_ptr<Data> m_rawResponseData;
    Data m_inflatedPiece;  // what the last slice of a body inflated as it came turned into
    std::shared_ptr<Data> m_inflatedResponseData;  // a gzip body kept in memory, inflated once it ended
    std::shared_ptr<NSOutputStream> m_fileDownloadOutputStream;
    std::shared_ptr<NSOutputStream> m_inflatedFileDownloadOutputStream;
    std::unique_ptr<HTTPDataDecompressor> m_dataDecompressor;

    std::atomic<uint64_t> m_contentLength { 0 };
    std::atomic<uint64_t> m_partialDownloadSize { 0 };
    std::atomic<uint64_t> m_postLength { 0 };
    std::atomic<uint64_t> m_totalBytesRead { 0 };
    std::atomic<uint64_t> m_totalBytesSent { 0 };
    uint64_t m_lastBytesRead = 0;
    uint64_t m_lastBytesSent = 0;
    uint64_t m_uploadBufferSize = 0;
    bool m_updatedProgress = false;

    std::atomic<bool> m_complete { false };
    std::atomic<bool> m_finished { false };
    std::atomic<bool> m_cancelled { false };
    std::atomic<bool> m_inProgress { false };
    bool m_isSynchronous = false;
    bool m_downloadComplete = false;
    bool m_needsRedirect = false;
    int m_redirectCount = 0;
    int m_retryCount = 0;
    bool m_willRetryRequest = false;
    bool m_reportedStart = false;
    bool m_didUseCachedResponse = false;
    bool m_resumeRestarted = false;
    std::atomic<bool> m_partialDownloadWasComplete { false };
    bool m_connectionCanBeReused = false;
    std::shared_ptr<HTTPConnectionRecord> m_connectionInfo;
    std::optional<unsigned long> m_requestID;
    std::optional<double> m_lastActivityTime;

    // Authentication state.
    std::atomic<int> m_authenticationNeeded { 0 };
    std::shared_ptr<CFHTTPAuthentication> m_requestAuthentication;
    std::shared_ptr<CFHTTPAuthentication> m_proxyAuthentication;
    HTTPCredentialsRef m_requestCredentials;
    HTTPCredentialsRef m_proxyCredentials;
    int m_authenticationRetryCount = 0;
    int m_proxyAuthenticationRetryCount = 0;

    // Blocks.
    BasicBlock m_startedBlock, m_completionBlock, m_failureBlock, m_authenticationNeededBlock,
        m_proxyAuthenticationNeededBlock, m_requestRedirectedBlock;
    HeadersBlock m_headersReceivedBlock;
    ProgressBlock m_bytesReceivedBlock, m_bytesSentBlock;
    SizeBlock m_downloadSizeIncrementedBlock, m_uploadSizeIncrementedBlock;
    DataBlock m_dataReceivedBlock;
    void releaseBlocksOnMainThread();
};
