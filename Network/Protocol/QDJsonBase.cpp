#include "Network/Protocol/QDJsonBase.h"

void QDJsonBase::addErrorWithCodeDescription(long code, std::string description)
{
    QDJsonError error;
    error.domain = QDJsonErrorDomain;
    error.code = code;
    error.localizedDescription = std::move(description);
    if (!m_errorTrace.empty())
        error.underlyingError = std::make_shared<const QDJsonError>(m_errorTrace.back());
    m_errorTrace.push_back(std::move(error));
}
