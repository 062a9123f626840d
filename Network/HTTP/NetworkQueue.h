#pragma once

// An operation queue of HTTP requests. It starts suspended (requests are
// collected and run after `go`), passes each request's life-cycle events to
// its delegate through callbacks the owner chooses, sums the progress of all
// its requests for two progress receivers and counts the requests not yet
// ended. Callbacks arrive on the main thread.

#include "Network/HTTP/HTTPRequest.h"
#include "Platform/Foundation/NSOperationQueue.h"

#include <atomic>
#include <functional>

class NetworkQueue : public NSOperationQueue, public HTTPRequestQueueReceiver {
public:
    using RequestSelector = std::function<void(const std::shared_ptr<HTTPRequest>&)>;
    using HeadersSelector = std::function<void(const std::shared_ptr<HTTPRequest>&, const HTTPHeaderFields&)>;
    using RedirectSelector = std::function<void(const std::shared_ptr<HTTPRequest>&, const CFURL&)>;
    using QueueSelector = std::function<void(const std::shared_ptr<NetworkQueue>&)>;

    static std::shared_ptr<NetworkQueue> queue();
    ~NetworkQueue() override;

    void go() { setSuspended(false); }
    void reset();
    void addOperation(const std::shared_ptr<NSOperation>& operation) override;
    void addHEADOperation(const std::shared_ptr<NSOperation>& operation);
    void cancelAllOperations() override;
    // Requests the owner will add later, counted from now on in `requestsCount`
    // and in the progress total: a queue fed a few at a time then reports the
    // progress of the whole set, and does not look finished between feeds.
    void expectRequests(int count);
    // One expected request that will not be added after all.
    void forgoExpectedRequest();
    std::shared_ptr<NetworkQueue> copy() const;

    std::shared_ptr<HTTPRequestDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<HTTPRequestDelegate>& delegate) { m_delegate = delegate; }
    void setUploadProgressDelegate(const std::shared_ptr<HTTPProgressDelegate>& delegate);
    void setDownloadProgressDelegate(const std::shared_ptr<HTTPProgressDelegate>& delegate);
    std::shared_ptr<HTTPProgressDelegate> uploadProgressDelegate() const { return m_uploadProgressDelegate.lock(); }
    std::shared_ptr<HTTPProgressDelegate> downloadProgressDelegate() const { return m_downloadProgressDelegate.lock(); }

    RequestSelector requestDidStartSelector;
    HeadersSelector requestDidReceiveResponseHeadersSelector;
    RedirectSelector requestWillRedirectSelector;
    RequestSelector requestDidFinishSelector;
    RequestSelector requestDidFailSelector;
    QueueSelector queueDidFinishSelector;
    std::atomic<bool> shouldCancelAllRequestsOnFailure { false };
    std::atomic<bool> showAccurateProgress { false };
    Value userInfo;

    int requestsCount() const { return m_requestsCount.load(); }
    uint64_t bytesUploadedSoFar() const { return m_bytesUploadedSoFar.load(); }
    uint64_t totalBytesToUpload() const { return m_totalBytesToUpload.load(); }
    uint64_t bytesDownloadedSoFar() const { return m_bytesDownloadedSoFar.load(); }
    uint64_t totalBytesToDownload() const { return m_totalBytesToDownload.load(); }

    // What requests send to their queue (main thread).
    bool respondsToSelector(HTTPSelector selector) const override;
    bool respondsToProgressSelector(HTTPSelector selector) const override;
    void requestStarted(const std::shared_ptr<HTTPRequest>& request) override;
    void requestDidReceiveResponseHeaders(
        const std::shared_ptr<HTTPRequest>& request, const HTTPHeaderFields& headers) override;
    void requestWillRedirectToURL(const std::shared_ptr<HTTPRequest>& request, const CFURL& url) override;
    void requestFinished(const std::shared_ptr<HTTPRequest>& request) override;
    void requestFailed(const std::shared_ptr<HTTPRequest>& request) override;
    void requestDidReceiveBytes(const std::shared_ptr<HTTPRequest>& request, long long amount) override;
    void requestDidSendBytes(const std::shared_ptr<HTTPRequest>& request, long long amount) override;
    void requestIncrementDownloadSizeBy(const std::shared_ptr<HTTPRequest>& request, long long amount) override;
    void requestIncrementUploadSizeBy(const std::shared_ptr<HTTPRequest>& request, long long amount) override;
    void authenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request) override;
    void proxyAuthenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request) override;

protected:
    NetworkQueue();

private:
    // Takes one expected request's place; false when none is expected.
    bool takeExpected();
    void resetProgressDelegate(const std::weak_ptr<HTTPProgressDelegate>& delegate);
    void tellProgress(const std::weak_ptr<HTTPProgressDelegate>& delegate, uint64_t progress, uint64_t total);

    std::weak_ptr<HTTPRequestDelegate> m_delegate;
    std::weak_ptr<HTTPProgressDelegate> m_uploadProgressDelegate;
    std::weak_ptr<HTTPProgressDelegate> m_downloadProgressDelegate;
    std::atomic<int> m_requestsCount { 0 };
    std::atomic<int> m_expected { 0 };
    std::atomic<uint64_t> m_bytesUploadedSoFar { 0 };
    std::atomic<uint64_t> m_totalBytesToUpload { 0 };
    std::atomic<uint64_t> m_bytesDownloadedSoFar { 0 };
    std::atomic<uint64_t> m_totalBytesToDownload { 0 };
};
