#pragma once

// The protocols through which a request talks to the outside. Every member is
// optional: a receiver answers `respondsToSelector` for the ones it
// implements, and the request sends only those (or, for the queue, the ones
// its fixed names say).

#include <cstdint>
#include <memory>
#include <string>

#include "Platform/CFNetwork/CFHTTPMessage.h"

class HTTPRequest;

enum class HTTPSelector {
    None,
    requestStarted,
    requestDidReceiveResponseHeaders,
    requestWillRedirectToURL,
    requestFinished,
    requestFailed,
    requestRedirected,
    requestDidReceiveData,
    authenticationNeededForRequest,
    proxyAuthenticationNeededForRequest,
    // Progress receivers.
    setProgress,
    requestDidReceiveBytes,
    requestDidSendBytes,
    requestIncrementDownloadSizeBy,
    requestIncrementUploadSizeBy,
};

class HTTPRequestDelegate {
public:
    virtual ~HTTPRequestDelegate() = default;
    virtual bool respondsToSelector(HTTPSelector) const { return false; }

    virtual void requestStarted(const std::shared_ptr<HTTPRequest>&) { }
    virtual void requestDidReceiveResponseHeaders(const std::shared_ptr<HTTPRequest>&, const HTTPHeaderFields&) { }
    virtual void requestWillRedirectToURL(const std::shared_ptr<HTTPRequest>&, const CFURL&) { }
    virtual void requestFinished(const std::shared_ptr<HTTPRequest>&) { }
    virtual void requestFailed(const std::shared_ptr<HTTPRequest>&) { }
    virtual void requestRedirected(const std::shared_ptr<HTTPRequest>&) { }
    virtual void requestDidReceiveData(const std::shared_ptr<HTTPRequest>&, const Data&) { }
    virtual void authenticationNeededForRequest(const std::shared_ptr<HTTPRequest>&) { }
    virtual void proxyAuthenticationNeededForRequest(const std::shared_ptr<HTTPRequest>&) { }
};

class HTTPProgressDelegate {
public:
    virtual ~HTTPProgressDelegate() = default;
    virtual bool respondsToProgressSelector(HTTPSelector) const { return false; }

    virtual void setProgress(float) { }
    virtual void requestDidReceiveBytes(const std::shared_ptr<HTTPRequest>&, long long) { }
    virtual void requestDidSendBytes(const std::shared_ptr<HTTPRequest>&, long long) { }
    virtual void requestIncrementDownloadSizeBy(const std::shared_ptr<HTTPRequest>&, long long) { }
    virtual void requestIncrementUploadSizeBy(const std::shared_ptr<HTTPRequest>&, long long) { }
};

// What a request's queue is: it hears every callback under the fixed names.
class HTTPRequestQueueReceiver : public HTTPRequestDelegate, public HTTPProgressDelegate { };

// The response cache's protocol (the download cache implements it).
class HTTPCacheDelegate {
public:
    virtual ~HTTPCacheDelegate() = default;
    virtual int defaultCachePolicy() const = 0;
    virtual std::optional<double> expiryDateForRequestMaxAge(HTTPRequest& request, double maxAge) = 0;
    virtual void updateExpiryForRequestMaxAge(HTTPRequest& request, double maxAge) = 0;
    virtual bool canUseCachedDataForRequest(HTTPRequest& request) = 0;
    virtual void removeCachedDataForRequest(HTTPRequest& request) = 0;
    virtual bool isCachedDataCurrentForRequest(HTTPRequest& request) = 0;
    virtual void storeResponseForRequestMaxAge(HTTPRequest& request, double maxAge) = 0;
    virtual void removeCachedDataForURL(const CFURL& url) = 0;
    virtual std::optional<HTTPHeaderFields> cachedResponseHeadersForURL(const CFURL& url) = 0;
    virtual std::optional<Data> cachedResponseDataForURL(const CFURL& url) = 0;
    virtual std::optional<std::string> pathToCachedResponseDataForURL(const CFURL& url) = 0;
    virtual std::optional<std::string> pathToCachedResponseHeadersForURL(const CFURL& url) = 0;
    virtual std::optional<std::string> pathToStoreCachedResponseHeadersForRequest(HTTPRequest& request) = 0;
    virtual std::optional<std::string> pathToStoreCachedResponseDataForRequest(HTTPRequest& request) = 0;
    virtual void clearCachedResponsesForStoragePolicy(int storagePolicy) = 0;
};
