#pragma once

// The request body as the HTTP stream reads it: a file or a block of bytes,
// with every read counted towards bandwidth use and, while throttling is on,
// cut down to the current upload allowance.

#include "Platform/CFNetwork/CFHTTPReadStream.h"
#include "Platform/CFNetwork/NSStream.h"

#include <memory>
#include <string>

class HTTPRequest;

class HTTPInputStream : public CFHTTPBodySource {
public:
    static std::shared_ptr<HTTPInputStream> inputStreamWithFileAtPathRequest(
        const std::string& path, const std::shared_ptr<HTTPRequest>& request);
    static std::shared_ptr<HTTPInputStream> inputStreamWithDataRequest(
        std::shared_ptr<const Data> data, const std::shared_ptr<HTTPRequest>& request);

    void open() override { m_stream->open(); }
    long readMaxLength(uint8_t* buffer, size_t maxLength);
    void close() override { m_stream->close(); }
    NSStreamStatus streamStatus() const { return m_stream->streamStatus(); }
    const NSStreamError& streamError() const { return m_stream->streamError(); }
    void scheduleInRunLoopForMode(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode)
    {
        m_stream->scheduleInRunLoopForMode(loop, mode);
    }
    void removeFromRunLoopForMode(const std::shared_ptr<NSRunLoop>& loop, const NSRunLoopMode& mode)
    {
        m_stream->removeFromRunLoopForMode(loop, mode);
    }
    void setDelegate(std::weak_ptr<NSStreamDelegate> delegate) { m_stream->setDelegate(std::move(delegate)); }
    std::shared_ptr<NSStreamDelegate> delegate() const { return m_stream->delegate(); }
    // The wrapped stream's properties, NSStreamFileCurrentOffsetKey among them.
    Value propertyForKey(const std::string& key) const { return m_stream->propertyForKey(key); }
    bool setPropertyForKey(const Value& value, const std::string& key)
    {
        return m_stream->setPropertyForKey(value, key);
    }
    const std::shared_ptr<NSInputStream>& stream() const { return m_stream; }

private:
    // The HTTP stream reads the body through its source interface.
    long read(uint8_t* buffer, size_t maxLength) override { return readMaxLength(buffer, maxLength); }

    std::shared_ptr<NSInputStream> m_stream;
    std::weak_ptr<HTTPRequest> m_request;
};
