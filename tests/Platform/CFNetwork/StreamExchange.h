#pragma once

// One exchange through a real HTTP stream on the test's run loop, for the
// plain and the TLS stream tests alike: the stream is made from the
// conditions, scheduled, opened and pumped until it ends or fails, with every
// event and every body byte kept.

#include "Platform/CFNetwork/CFHTTPReadStream.h"
#include "Platform/Foundation/Clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Exchange {
    std::shared_ptr<CFHTTPReadStream> stream;
    std::string body;
    std::vector<unsigned> events;
    bool done = false;
    bool failed = false;
};

// A request body given out at most `piece` bytes a read, so short reads of
// the source are exercised too.
class StringBody : public CFHTTPBodySource {
public:
    explicit StringBody(std::string data, size_t piece = SIZE_MAX)
        : m_data(std::move(data))
        , m_piece(piece)
    {
    }
    void open() override { }
    long read(uint8_t* buffer, size_t maxLength) override
    {
        size_t n = std::min({ maxLength, m_data.size() - m_offset, m_piece });
        std::memcpy(buffer, m_data.data() + m_offset, n);
        m_offset += n;
        return static_cast<long>(n);
    }
    void close() override { }

private:
    std::string m_data;
    size_t m_piece;
    size_t m_offset = 0;
};

[[maybe_unused]] bool pumpUntil(const std::function<bool()>& condition, double seconds = 10)
{
    auto loop = NSRunLoop::currentRunLoop();
    double limit = Clock::now() + seconds;
    while (!condition()) {
        if (Clock::now() > limit)
            return false;
        loop->runMode(NSDefaultRunLoopMode, Clock::now() + 0.05);
    }
    return true;
}

struct Conditions {
    std::string method = "GET";
    std::vector<std::pair<std::string, std::string>> headers;
    std::shared_ptr<CFHTTPBodySource> body;
    CFStreamSSLSettings ssl;
    std::string proxyHost;
    int proxyPort = 0;
    bool persistent = false;
    std::shared_ptr<CFHTTPReadStream> previous;  // a finished stream whose connection may be reused
    size_t readSize = 4096;  // small reads leave decoded bytes behind between events
};

[[maybe_unused]] std::shared_ptr<Exchange> runExchange(const std::string& url, const Conditions& setup = {})
{
    auto exchange = std::make_shared<Exchange>();
    auto message = CFHTTPMessage::createRequest(setup.method, *CFURL::URLWithString(url));
    for (const auto& [name, value] : setup.headers)
        message->setHeaderFieldValue(name, value);
    exchange->stream = setup.body ? CFHTTPReadStream::createForStreamedHTTPRequest(message, setup.body)
                                  : CFHTTPReadStream::createForHTTPRequest(message);
    exchange->stream->setSSLSettings(setup.ssl);
    if (setup.proxyPort)
        exchange->stream->setHTTPProxy(setup.proxyHost, setup.proxyPort);
    exchange->stream->setAttemptPersistentConnection(setup.persistent);
    if (setup.previous)
        exchange->stream->reuseConnectionOf(*setup.previous);
    Exchange* e = exchange.get();
    const size_t readSize = setup.readSize;
    exchange->stream->setClient(26, [e, readSize](CFHTTPReadStream& stream, CFStreamEventType event) {
        e->events.push_back(event);
        if (event == kCFStreamEventHasBytesAvailable) {
            std::vector<uint8_t> buffer(readSize);
            long n = stream.read(buffer.data(), buffer.size());
            if (n > 0)
                e->body.append(reinterpret_cast<char*>(buffer.data()), static_cast<size_t>(n));
        } else {
            e->failed = event == kCFStreamEventErrorOccurred;
            e->done = true;
        }
    });
    exchange->stream->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    EXPECT_TRUE(exchange->stream->open());
    EXPECT_TRUE(pumpUntil([e] { return e->done; })) << url;
    return exchange;
}

}  // namespace
