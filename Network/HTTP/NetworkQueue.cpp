#include "Network/HTTP/NetworkQueue.h"

#include "Platform/Foundation/NSThread.h"

std::shared_ptr<NetworkQueue> NetworkQueue::queue() { return std::shared_ptr<NetworkQueue>(new NetworkQueue()); }

NetworkQueue::NetworkQueue()
    : NSOperationQueue(false)
{
    setMaxConcurrentOperationCount(4);
    NSOperationQueue::setSuspended(true);
}

NetworkQueue::~NetworkQueue() = default;

void NetworkQueue::reset()
{
    cancelAllOperations();
    m_delegate.reset();
    setDownloadProgressDelegate(nullptr);
    setUploadProgressDelegate(nullptr);
    requestDidStartSelector = nullptr;
    requestDidReceiveResponseHeadersSelector = nullptr;
    requestDidFailSelector = nullptr;
    requestDidFinishSelector = nullptr;
    queueDidFinishSelector = nullptr;
    setSuspended(true);
}

void NetworkQueue::cancelAllOperations()
{
    m_bytesUploadedSoFar = 0;
    m_totalBytesToUpload = 0;
    m_bytesDownloadedSoFar = 0;
    m_totalBytesToDownload = 0;
    m_requestsCount -= m_expected.exchange(0);
    NSOperationQueue::cancelAllOperations();
}

void NetworkQueue::expectRequests(int count)
{
    if (count <= 0)
        return;
    m_expected += count;
    m_requestsCount += count;
    if (!showAccurateProgress) {
        m_totalBytesToDownload += static_cast<uint64_t>(count);
        m_totalBytesToUpload += static_cast<uint64_t>(count);
    }
}

bool NetworkQueue::takeExpected()
{
    int expected = m_expected.load();
    while (expected > 0 && !m_expected.compare_exchange_weak(expected, expected - 1)) { }
    return expected > 0;
}

void NetworkQueue::forgoExpectedRequest()
{
    if (!takeExpected())
        return;
    m_requestsCount--;
    if (!showAccurateProgress) {
        m_totalBytesToDownload--;
        m_totalBytesToUpload--;
    }
}

void NetworkQueue::setUploadProgressDelegate(const std::shared_ptr<HTTPProgressDelegate>& delegate)
{
    m_uploadProgressDelegate = delegate;
    resetProgressDelegate(m_uploadProgressDelegate);
}

void NetworkQueue::setDownloadProgressDelegate(const std::shared_ptr<HTTPProgressDelegate>& delegate)
{
    m_downloadProgressDelegate = delegate;
    resetProgressDelegate(m_downloadProgressDelegate);
}

void NetworkQueue::resetProgressDelegate(const std::weak_ptr<HTTPProgressDelegate>& delegate)
{
    tellProgress(delegate, 0, 1);
}

void NetworkQueue::tellProgress(const std::weak_ptr<HTTPProgressDelegate>& delegate, uint64_t progress, uint64_t total)
{
    float value = total == 0 ? 0.0f : static_cast<float>(static_cast<double>(progress) / static_cast<double>(total));
    auto call = [delegate, value] {
        auto receiver = delegate.lock();
        if (receiver && receiver->respondsToProgressSelector(HTTPSelector::setProgress))
            receiver->setProgress(value);
    };
    if (NSThread::isMainThread())
        call();
    else
        NSThread::performOnMainThread(call, false);
}

void NetworkQueue::addOperation(const std::shared_ptr<NSOperation>& operation)
{
    auto request = std::dynamic_pointer_cast<HTTPRequest>(operation);
    if (!request)
        return;  // only requests belong here; anything else is refused, uncounted
    // An expected request was counted when it was announced.
    const bool announced = takeExpected();
    if (!announced)
        m_requestsCount++;
    if (showAccurateProgress) {
        request->buildPostBody();
        if (request->requestMethod() == "GET" && isSuspended()) {
            auto probe = request->HEADRequest();
            addHEADOperation(probe);
            request->addDependency(probe);
            if (request->shouldResetDownloadProgress) {
                resetProgressDelegate(m_downloadProgressDelegate);
                request->shouldResetDownloadProgress = false;
            }
        }
        request->buildPostBody();
        m_totalBytesToUpload += request->postLength();
    } else if (!announced) {
        m_totalBytesToDownload += 1;
        m_totalBytesToUpload += 1;
    }
    if (request->shouldResetUploadProgress) {
        resetProgressDelegate(m_uploadProgressDelegate);
        request->shouldResetUploadProgress = false;
    }
    request->showAccurateProgress = showAccurateProgress.load();
    request->setQueue(protect<NetworkQueue>());
    NSOperationQueue::addOperation(request);
}

void NetworkQueue::addHEADOperation(const std::shared_ptr<NSOperation>& operation)
{
    auto request = std::dynamic_pointer_cast<HTTPRequest>(operation);
    if (!request)
        return;
    request->setRequestMethod("HEAD");
    request->setQueuePriority(10);
    request->showAccurateProgress = true;
    request->setQueue(protect<NetworkQueue>());
    NSOperationQueue::addOperation(request);
}

std::shared_ptr<NetworkQueue> NetworkQueue::copy() const
{
    auto c = queue();
    c->m_delegate = m_delegate;
    c->requestDidStartSelector = requestDidStartSelector;
    c->requestDidReceiveResponseHeadersSelector = requestDidReceiveResponseHeadersSelector;
    c->requestWillRedirectSelector = requestWillRedirectSelector;
    c->requestDidFinishSelector = requestDidFinishSelector;
    c->requestDidFailSelector = requestDidFailSelector;
    c->queueDidFinishSelector = queueDidFinishSelector;
    c->m_uploadProgressDelegate = m_uploadProgressDelegate;
    c->m_downloadProgressDelegate = m_downloadProgressDelegate;
    c->shouldCancelAllRequestsOnFailure = shouldCancelAllRequestsOnFailure.load();
    c->showAccurateProgress = showAccurateProgress.load();
    c->userInfo = userInfo;
    return c;
}

bool NetworkQueue::respondsToSelector(HTTPSelector selector) const
{
    switch (selector) {
    case HTTPSelector::authenticationNeededForRequest:
    case HTTPSelector::proxyAuthenticationNeededForRequest: {
        auto d = delegate();
        return d && d->respondsToSelector(selector);
    }
    case HTTPSelector::requestWillRedirectToURL:
        return static_cast<bool>(requestWillRedirectSelector);
    default:
        return true;
    }
}

bool NetworkQueue::respondsToProgressSelector(HTTPSelector) const { return true; }

void NetworkQueue::requestStarted(const std::shared_ptr<HTTPRequest>& request)
{
    if (requestDidStartSelector)
        requestDidStartSelector(request);
}

void NetworkQueue::requestDidReceiveResponseHeaders(
    const std::shared_ptr<HTTPRequest>& request, const HTTPHeaderFields& headers)
{
    if (requestDidReceiveResponseHeadersSelector)
        requestDidReceiveResponseHeadersSelector(request, headers);
}

void NetworkQueue::requestWillRedirectToURL(const std::shared_ptr<HTTPRequest>& request, const CFURL& url)
{
    if (requestWillRedirectSelector)
        requestWillRedirectSelector(request, url);
}

void NetworkQueue::requestFinished(const std::shared_ptr<HTTPRequest>& request)
{
    auto keep = protect<NetworkQueue>();
    m_requestsCount--;
    if (requestDidFinishSelector)
        requestDidFinishSelector(request);
    if (m_requestsCount == 0 && queueDidFinishSelector)
        queueDidFinishSelector(keep);
}

void NetworkQueue::requestFailed(const std::shared_ptr<HTTPRequest>& request)
{
    auto keep = protect<NetworkQueue>();
    m_requestsCount--;
    if (requestDidFailSelector)
        requestDidFailSelector(request);
    if (m_requestsCount == 0 && queueDidFinishSelector)
        queueDidFinishSelector(keep);
    if (shouldCancelAllRequestsOnFailure && m_requestsCount > 0)
        cancelAllOperations();
}

void NetworkQueue::requestDidReceiveBytes(const std::shared_ptr<HTTPRequest>&, long long amount)
{
    m_bytesDownloadedSoFar += static_cast<uint64_t>(amount);
    if (!m_downloadProgressDelegate.expired())
        tellProgress(m_downloadProgressDelegate, m_bytesDownloadedSoFar, m_totalBytesToDownload);
}

void NetworkQueue::requestDidSendBytes(const std::shared_ptr<HTTPRequest>&, long long amount)
{
    m_bytesUploadedSoFar += static_cast<uint64_t>(amount);
    if (!m_uploadProgressDelegate.expired())
        tellProgress(m_uploadProgressDelegate, m_bytesUploadedSoFar, m_totalBytesToUpload);
}

void NetworkQueue::requestIncrementDownloadSizeBy(const std::shared_ptr<HTTPRequest>&, long long amount)
{
    m_totalBytesToDownload += static_cast<uint64_t>(amount);
}

void NetworkQueue::requestIncrementUploadSizeBy(const std::shared_ptr<HTTPRequest>&, long long amount)
{
    m_totalBytesToUpload += static_cast<uint64_t>(amount);
}

void NetworkQueue::authenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request)
{
    if (auto d = delegate(); d && d->respondsToSelector(HTTPSelector::authenticationNeededForRequest))
        d->authenticationNeededForRequest(request);
}

void NetworkQueue::proxyAuthenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request)
{
    if (auto d = delegate(); d && d->respondsToSelector(HTTPSelector::proxyAuthenticationNeededForRequest))
        d->proxyAuthenticationNeededForRequest(request);
}
