#pragma once

// A failure as a value: domain, code, description, an optional failure reason
// and the lower-level error that caused it. The engine's own failures are of
// the domain "HTTPRequestErrorDomain" with codes 1 to 12.

#include <memory>
#include <string>

inline const std::string HTTPRequestErrorDomain = "HTTPRequestErrorDomain";

enum HTTPErrorType {
    HTTPConnectionFailureErrorType = 1,
    HTTPRequestTimedOutErrorType = 2,
    HTTPAuthenticationErrorType = 3,
    HTTPRequestCancelledErrorType = 4,
    HTTPUnableToCreateRequestErrorType = 5,
    HTTPInternalErrorWhileBuildingRequestType = 6,
    HTTPInternalErrorWhileApplyingCredentialsType = 7,
    HTTPFileManagementError = 8,
    HTTPTooMuchRedirectionErrorType = 9,
    HTTPUnhandledExceptionError = 10,
    HTTPCompressionError = 11,
    HTTPResponseTooLargeErrorType = 12,
};

struct HTTPError {
    std::string domain = HTTPRequestErrorDomain;
    long code = 0;
    std::string localizedDescription;
    std::string failureReason;
    std::shared_ptr<const HTTPError> underlyingError;

    static std::shared_ptr<const HTTPError> make(
        long code, std::string description, std::shared_ptr<const HTTPError> underlying = nullptr)
    {
        auto e = std::make_shared<HTTPError>();
        e->code = code;
        e->localizedDescription = std::move(description);
        e->underlyingError = std::move(underlying);
        return e;
    }
    static std::shared_ptr<const HTTPError> other(std::string domain, long code, std::string description)
    {
        auto e = std::make_shared<HTTPError>();
        e->domain = std::move(domain);
        e->code = code;
        e->localizedDescription = std::move(description);
        return e;
    }
};

using HTTPErrorRef = std::shared_ptr<const HTTPError>;

// A response body (as received, or inflated) passed the request's limit.
inline HTTPErrorRef HTTPResponseTooLargeError(unsigned long long limit)
{
    return HTTPError::make(
        HTTPResponseTooLargeErrorType, "The response is larger than the limit of " + std::to_string(limit) + " bytes");
}
