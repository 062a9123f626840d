#pragma once

// The platform's error object: a domain, a code and user information. The
// user information holds plain values under the platform's keys; an
// underlying error is kept beside it, since it is an error and not a value.

#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>

inline constexpr const char* NSLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr const char* NSLocalizedFailureReasonErrorKey = "NSLocalizedFailureReason";
inline constexpr const char* NSUnderlyingErrorKey = "NSUnderlyingError";
inline constexpr const char* NSCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr const char* NSPOSIXErrorDomain = "NSPOSIXErrorDomain";

class NSError {
public:
    NSError(std::string domain, long code, Value userInfo = Value::dictionary(),
        std::shared_ptr<const NSError> underlyingError = nullptr);

    static std::shared_ptr<NSError> errorWithDomainCodeUserInfo(std::string domain, long code,
        Value userInfo = Value::dictionary(), std::shared_ptr<const NSError> underlyingError = nullptr)
    {
        return std::make_shared<NSError>(std::move(domain), code, std::move(userInfo), std::move(underlyingError));
    }

    const std::string& domain() const { return m_domain; }
    long code() const { return m_code; }
    const Value& userInfo() const { return m_userInfo; }
    const std::shared_ptr<const NSError>& underlyingError() const { return m_underlyingError; }

    // The description given in the user information, else the platform's
    // generic sentence naming the domain and code.
    std::string localizedDescription() const;
    // The failure reason given in the user information, if any.
    std::optional<std::string> localizedFailureReason() const;
    // For log lines: "Error Domain=D Code=C "description" UserInfo={...}".
    std::string description() const;

private:
    std::string m_domain;
    long m_code;
    Value m_userInfo;
    std::shared_ptr<const NSError> m_underlyingError;
};
