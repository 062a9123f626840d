#include "Network/HTTP/HTTPInputStream.h"

#include "Network/HTTP/HTTPRequest.h"

#include <mutex>

namespace {
std::mutex& readLock()
{
    static std::mutex lock;
    return lock;
}
}  // namespace

std::shared_ptr<HTTPInputStream> HTTPInputStream::inputStreamWithFileAtPathRequest(
    const std::string& path, const std::shared_ptr<HTTPRequest>& request)
{
    auto s = std::make_shared<HTTPInputStream>();
    s->m_stream = NSInputStream::inputStreamWithFileAtPath(path);
    s->m_request = request;
    return s;
}

std::shared_ptr<HTTPInputStream> HTTPInputStream::inputStreamWithDataRequest(
    std::shared_ptr<const Data> data, const std::shared_ptr<HTTPRequest>& request)
{
    auto s = std::make_shared<HTTPInputStream>();
    s->m_stream = NSInputStream::inputStreamWithSharedData(std::move(data));
    s->m_request = request;
    return s;
}

long HTTPInputStream::readMaxLength(uint8_t* buffer, size_t maxLength)
{
    size_t length = maxLength;
    {
        std::lock_guard lock(readLock());
        if (HTTPRequest::isBandwidthThrottled()) {
            unsigned long allowance = HTTPRequest::maxUploadReadLength();
            if (auto request = m_request.lock())
                request->performThrottling();
            length = allowance == 0 ? 1 : std::min<size_t>(maxLength, allowance);
        }
    }
    long n = m_stream->read(buffer, length);
    if (n > 0)
        HTTPRequest::incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(n));
    return n;
}
