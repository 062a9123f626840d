#include "HttpTestServer.h"
#include "TemporaryHome.h"
#include "Network/HTTP/HTTPInputStream.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Platform/CFNetwork/StreamExchange.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string payload()
{
    std::string bytes(150000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

struct BodyKind {
    const char* name;
    std::function<std::shared_ptr<HTTPInputStream>(const std::shared_ptr<HTTPRequest>&)> make;
};

class EventRecorder : public NSStreamDelegate {
public:
    void streamHandleEvent(NSStream& stream, NSStreamEvent event) override
    {
        streams.push_back(&stream);
        events.push_back(event);
    }
    std::vector<NSStream*> streams;
    std::vector<NSStreamEvent> events;
};

class UploadBodyStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.route("/upload", [](const HttpTestRequest&, HttpTestConnection& c) { c.respond(200, "stored"); });
        filePath = home.scratch() + "/body";
        std::ofstream(filePath, std::ios::binary) << bytes;
        request = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/upload")));
    }

    std::vector<BodyKind> kinds() const
    {
        return {
            { "file",
                [this](const auto& r) { return HTTPInputStream::inputStreamWithFileAtPathRequest(filePath, r); } },
            { "bytes",
                [this](const auto& r) {
                    return HTTPInputStream::inputStreamWithDataRequest(
                        std::make_shared<const Data>(bytes.begin(), bytes.end()), r);
                } },
        };
    }

    TemporaryHome home;
    HttpTestServer server;
    const std::string bytes = payload();
    std::string filePath;
    std::shared_ptr<HTTPRequest> request;
};

}  // namespace

TEST_F(UploadBodyStreamTest, AnUploadSendsTheBodyFromTheOffsetSetOnItsStream)
{
    const long long start = 40000;
    for (const auto& kind : kinds()) {
        SCOPED_TRACE(kind.name);
        auto body = kind.make(request);
        body->open();
        ASSERT_TRUE(body->setPropertyForKey(Value::integer(start), NSStreamFileCurrentOffsetKey));
        EXPECT_EQ(body->propertyForKey(NSStreamFileCurrentOffsetKey).longLongValue(), start);
        EXPECT_EQ(body->stream()->propertyForKey(NSStreamFileCurrentOffsetKey).longLongValue(), start);

        Conditions post;
        post.method = "POST";
        post.headers = { { "Content-Length", std::to_string(bytes.size() - start) } };
        post.body = body;
        const size_t before = server.requests().size();
        auto exchange = runExchange(server.url("/upload"), post);
        ASSERT_FALSE(exchange->failed);
        EXPECT_EQ(exchange->body, "stored");
        ASSERT_EQ(server.requests().size(), before + 1);
        const auto received = server.requests().back().body;
        EXPECT_EQ(received.size(), bytes.size() - start);
        EXPECT_TRUE(received == bytes.substr(start)) << "the body did not start at the offset";
        // Every byte was read: the offset stands at the end of the body.
        EXPECT_EQ(
            body->propertyForKey(NSStreamFileCurrentOffsetKey).longLongValue(), static_cast<long long>(bytes.size()));
    }
}

TEST_F(UploadBodyStreamTest, TheWrappedStreamRefusesAnOffsetPastTheBody)
{
    for (const auto& kind : kinds()) {
        SCOPED_TRACE(kind.name);
        auto body = kind.make(request);
        body->open();
        EXPECT_FALSE(body->setPropertyForKey(
            Value::integer(static_cast<long long>(bytes.size()) + 1), NSStreamFileCurrentOffsetKey));
        EXPECT_FALSE(body->setPropertyForKey(Value::integer(1), "NoSuchKey"));
        EXPECT_EQ(body->propertyForKey(NSStreamFileCurrentOffsetKey).longLongValue(), 0);
    }
}

TEST_F(UploadBodyStreamTest, TheDelegateIsTheWrappedStreamsAndHearsItsEvents)
{
    for (const auto& kind : kinds()) {
        SCOPED_TRACE(kind.name);
        auto body = kind.make(request);
        auto recorder = std::make_shared<EventRecorder>();
        body->setDelegate(recorder);
        EXPECT_EQ(body->delegate(), recorder);
        EXPECT_EQ(body->stream()->delegate(), recorder);

        body->scheduleInRunLoopForMode(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
        body->open();
        ASSERT_TRUE(pumpUntil([&] { return !recorder->events.empty(); }));
        EXPECT_EQ(recorder->events.front(), NSStreamEventHasBytesAvailable);
        EXPECT_EQ(recorder->streams.front(), body->stream().get());

        // Moved to its end and read there, the stream tells the delegate it ended.
        ASSERT_TRUE(body->setPropertyForKey(
            Value::integer(static_cast<long long>(bytes.size())), NSStreamFileCurrentOffsetKey));
        uint8_t byte = 0;
        EXPECT_EQ(body->readMaxLength(&byte, 1), 0);
        ASSERT_TRUE(pumpUntil([&] { return recorder->events.back() == NSStreamEventEndEncountered; }));
        body->removeFromRunLoopForMode(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
        body->setDelegate({});
        EXPECT_EQ(body->delegate(), nullptr);
        body->close();
    }
}
