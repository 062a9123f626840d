#include "Platform/Foundation/NSError.h"

#include "Platform/Foundation/Format.h"

NSError::NSError(std::string domain, long code, Value userInfo, std::shared_ptr<const NSError> underlyingError)
    : m_domain(std::move(domain))
    , m_code(code)
    , m_userInfo(userInfo.isDictionary() ? std::move(userInfo) : Value::dictionary())
    , m_underlyingError(std::move(underlyingError))
{
}

std::string NSError::localizedDescription() const
{
    if (const Value* text = m_userInfo.find(NSLocalizedDescriptionKey); text && text->isString())
        return text->stringValue();
    return stringWithFormat("The operation couldn\u2019t be completed. (%@ error %ld.)", m_domain, m_code);
}

std::optional<std::string> NSError::localizedFailureReason() const
{
    if (const Value* text = m_userInfo.find(NSLocalizedFailureReasonErrorKey); text && text->isString())
        return text->stringValue();
    return std::nullopt;
}

std::string NSError::description() const
{
    Value info = m_userInfo;
    if (m_underlyingError)
        info.set(NSUnderlyingErrorKey, m_underlyingError->description());
    return stringWithFormat(
        "Error Domain=%@ Code=%ld \"%@\" UserInfo=%@", m_domain, m_code, localizedDescription(), info);
}
