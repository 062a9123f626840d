#include "HttpTestServer.h"
#include "StreamExchange.h"
#include "Platform/CFNetwork/CFHTTPReadStream.h"
#include "Platform/CFNetwork/NSHTTPCookie.h"
#include "Platform/Foundation/Clock.h"

#include <gtest/gtest.h>

#include <optional>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <set>

namespace {

std::shared_ptr<Exchange> run(const std::string& method, const std::string& url)
{
    Conditions setup;
    setup.method = method;
    setup.readSize = 5;
    return runExchange(url, setup);
}

}  // namespace

TEST(CFURL, TheSchemeATextStartsWith)
{
    struct Case {
        const char* text;
        std::optional<std::string> scheme;
    };
    const Case cases[] = {
        { "http://acme.example/a", "http" },
        { "HTTPS://Acme.example", "https" },
        { "mailto:sales@acme.example", "mailto" },
        { "svn+ssh://host/repo", "svn+ssh" },
        { "C:\\Users\\ann\\brochure.pdf", "c" },
        { "www.acme.example", std::nullopt },
        { "acme.example/http://x", std::nullopt },
        { "", std::nullopt },
        { ":x", std::nullopt },
        { "1http://x", std::nullopt },
        { "web site:80", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFURL::schemeOf(c.text), c.scheme) << c.text;
}

TEST(CFURL, PartsAndResolution)
{
    auto url = CFURL::URLWithString("HTTP://user:pw@Example.com:8080/a/b/c.PDF?x=1#f");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme(), "http");
    EXPECT_EQ(url->host(), "Example.com");
    EXPECT_EQ(url->port(), 8080);
    EXPECT_EQ(url->user(), "user");
    EXPECT_EQ(url->password(), "pw");
    EXPECT_EQ(url->pathExtension(), "PDF");
    EXPECT_EQ(url->requestTarget(), "/a/b/c.PDF?x=1");
    EXPECT_FALSE(CFURL::URLWithString("no scheme here"));
    EXPECT_FALSE(CFURL::URLWithString("/relative/path"));
    EXPECT_FALSE(CFURL::URLWithString("http://host:99999/"));

    struct Case {
        const char* relative;
        const char* expected;
    };
    const Case cases[] = {
        { "/x/y", "http://h/x/y" },
        { "d", "http://h/a/b/d" },
        { "../d?q", "http://h/a/d?q" },
        { "./", "http://h/a/b/" },
        { "//other:81/p", "http://other:81/p" },
        { "https://s/t", "https://s/t" },
    };
    auto base = *CFURL::URLWithString("http://h/a/b/c");
    for (const auto& c : cases)
        EXPECT_EQ(CFURL::URLWithStringRelativeToURL(c.relative, base)->absoluteString(), c.expected) << c.relative;
}

TEST(CFHTTPMessage, ParsesHeadInPiecesAndKeepsNames)
{
    const std::string head = "HTTP/1.1 200 OK\r\ncontent-length: 5\r\nSet-Cookie: a=1\r\nSet-Cookie: b=2\r\n"
                             "X-Folded: one\r\n two\r\n\r\nhello";
    // A byte at a time, in pieces that split the terminator, and all at once.
    for (size_t piece : { size_t(1), size_t(7), head.size() }) {
        auto message = CFHTTPMessage::createEmptyResponse();
        size_t used = 0;
        for (size_t i = 0; i < head.size() && !message->isHeaderComplete(); i += piece)
            used += static_cast<size_t>(
                message->appendBytes(reinterpret_cast<const uint8_t*>(&head[i]), std::min(piece, head.size() - i)));
        ASSERT_TRUE(message->isHeaderComplete()) << piece;
        EXPECT_EQ(head.substr(used), "hello") << piece;
        EXPECT_EQ(message->responseStatusCode(), 200);
        EXPECT_EQ(message->responseStatusLine(), "HTTP/1.1 200 OK");
        EXPECT_EQ(message->headerFieldValue("Content-Length"), "5");
        EXPECT_EQ(message->allHeaderFields().entries()[0].first, "content-length");
        EXPECT_EQ(message->headerFieldValue("set-cookie"), "a=1, b=2");
        EXPECT_EQ(message->headerFieldValue("X-Folded"), "one two");
    }

    auto bad = CFHTTPMessage::createEmptyResponse();
    std::string junk = "GARBAGE\r\n\r\n";
    EXPECT_EQ(bad->appendBytes(reinterpret_cast<const uint8_t*>(junk.data()), junk.size()), -1);

    // The head limit holds for a whole head in one piece, its end included.
    for (size_t size : { size_t(256 * 1024), size_t(256 * 1024 + 1) }) {
        std::string big = "HTTP/1.1 200 OK\r\nX: ";
        big += std::string(size - big.size() - 4, 'x') + "\r\n\r\nbody";
        auto message = CFHTTPMessage::createEmptyResponse();
        long used = message->appendBytes(reinterpret_cast<const uint8_t*>(big.data()), big.size());
        EXPECT_EQ(used, size == 256 * 1024 ? long(size) : -1) << size;
    }
}

TEST(CFHTTPMessage, RequestHeadRefusesInjectedLines)
{
    auto message = CFHTTPMessage::createRequest("POST", *CFURL::URLWithString("http://h:81/p?q"));
    message->setHeaderFieldValue("X-Name", "a\r\nEvil: 1");
    std::string head = message->serializedRequestHead(false);
    EXPECT_EQ(head, "POST /p?q HTTP/1.1\r\nHost: h:81\r\nX-Name: aEvil: 1\r\n\r\n");
    EXPECT_TRUE(message->serializedRequestHead(true).starts_with("POST http://h:81/p?q HTTP/1.1\r\n"));
}

TEST(HTTPChunkedDecoder, DecodesWholeAndByteByByte)
{
    const std::string body = "4;ext=1\r\nWiki\r\n5\r\npedia\r\nE\r\n in\r\n\r\nchunks.\r\n0\r\nTrailer: x\r\n\r\nREST";
    for (size_t step : { body.size(), size_t(1), size_t(3) }) {
        HTTPChunkedDecoder decoder;
        std::vector<uint8_t> out;
        size_t offset = 0;
        HTTPChunkedDecoder::Status status = HTTPChunkedDecoder::Status::NeedMore;
        while (offset < body.size() && status == HTTPChunkedDecoder::Status::NeedMore) {
            size_t used = 0;
            size_t n = std::min(step, body.size() - offset);
            status = decoder.decode(reinterpret_cast<const uint8_t*>(body.data() + offset), n, out, used);
            offset += used;
        }
        EXPECT_EQ(status, HTTPChunkedDecoder::Status::Done);
        EXPECT_EQ(std::string(out.begin(), out.end()), "Wikipedia in\r\n\r\nchunks.");
        EXPECT_EQ(body.substr(offset), "REST");
    }
    HTTPChunkedDecoder decoder;
    std::vector<uint8_t> out;
    size_t used = 0;
    std::string bad = "zz\r\n";
    EXPECT_EQ(decoder.decode(reinterpret_cast<const uint8_t*>(bad.data()), bad.size(), out, used),
        HTTPChunkedDecoder::Status::Error);
}

TEST(NSHTTPCookie, ParsesJoinedFieldsAndMatchesURLs)
{
    ManualClock::install(1'600'000'000.0);
    auto url = *CFURL::URLWithString("http://www.example.com/shop/cart");
    HTTPHeaderFields headers;
    headers.append("Set-Cookie", "a=1; Path=/; Expires=Wed, 09 Jun 2021 10:18:14 GMT");
    headers.append("Set-Cookie", "b=2; Domain=example.com; Max-Age=60");
    headers.append("Set-Cookie", "c=3; Domain=evil.com");
    headers.append("Set-Cookie", "d=4");
    auto cookies = NSHTTPCookie::cookiesWithResponseHeaderFieldsForURL(headers, url);
    ASSERT_EQ(cookies.size(), 3u);
    EXPECT_EQ(cookies[0].name, "a");
    EXPECT_EQ(cookies[0].expiresDate, 1623233894.0);
    EXPECT_EQ(cookies[1].domain, ".example.com");
    EXPECT_EQ(cookies[1].expiresDate, 1'600'000'060.0);
    EXPECT_EQ(cookies[2].path, "/shop");

    auto& store = NSHTTPCookieStorage::sharedHTTPCookieStorage();
    store.removeAllCookies();
    store.setCookiesForURL(cookies, url);
    auto names = [&](const char* u) {
        std::string s;
        for (auto& c : store.cookiesForURL(*CFURL::URLWithString(u)))
            s += c.name;
        return s;
    };
    EXPECT_EQ(names("http://www.example.com/shop/x"), "bda");  // longer paths first
    EXPECT_EQ(names("http://api.example.com/shop"), "b");
    EXPECT_EQ(names("http://www.example.com/shopping"), "a");
    ManualClock::install(1'600'000'100.0);
    EXPECT_EQ(names("http://api.example.com/shop"), "");
    store.removeAllCookies();
    Clock::setSource(nullptr);

    const std::pair<const char*, double> dates[] = {
        { "Sun, 06 Nov 1994 08:49:37 GMT", 784111777 },
        { "Sunday, 06-Nov-94 08:49:37 GMT", 784111777 },
        { "Sun Nov  6 08:49:37 1994", 784111777 },
    };
    for (auto& [text, expected] : dates)
        EXPECT_EQ(NSHTTPCookie::parseHTTPDate(text), expected) << text;
    EXPECT_FALSE(NSHTTPCookie::parseHTTPDate("yesterday"));
}

// A domain matches its own host and hosts under it at a dot, never a host
// that merely ends in the same letters.
TEST(NSHTTPCookie, DomainsMatchOnlyAtADotBoundary)
{
    auto setBy = [](const char* url, const char* field) {
        HTTPHeaderFields headers;
        headers.append("Set-Cookie", field);
        return NSHTTPCookie::cookiesWithResponseHeaderFieldsForURL(headers, *CFURL::URLWithString(url)).size();
    };
    struct SetCase {
        const char* url;
        const char* field;
        size_t kept;
    };
    const SetCase sets[] = {
        { "http://shop.example.com/", "a=1; Domain=example.com", 1 },
        { "http://shop.example.com/", "a=1; Domain=.shop.example.com", 1 },
        { "http://shop.example.com/", "a=1; Domain=ample.com", 0 },
        { "http://shop.example.com/", "a=1; Domain=p.example.com", 0 },
        { "http://badexample.com/", "a=1; Domain=example.com", 0 },
    };
    for (const auto& c : sets)
        EXPECT_EQ(setBy(c.url, c.field), c.kept) << c.url << " " << c.field;

    auto& store = NSHTTPCookieStorage::sharedHTTPCookieStorage();
    store.removeAllCookies();
    HTTPHeaderFields headers;
    headers.append("Set-Cookie", "wide=1; Domain=example.com");
    headers.append("Set-Cookie", "host=2");
    auto origin = *CFURL::URLWithString("http://example.com/");
    store.setCookiesForURL(NSHTTPCookie::cookiesWithResponseHeaderFieldsForURL(headers, origin), origin);
    struct SendCase {
        const char* url;
        std::set<std::string> names;
    };
    const SendCase sends[] = {
        { "http://example.com/", { "host", "wide" } },
        { "http://www.example.com/", { "wide" } },
        { "http://notexample.com/", {} },
        { "http://example.com.evil.org/", {} },
        { "http://wwwexample.com/", {} },
    };
    for (const auto& c : sends) {
        std::set<std::string> names;
        for (auto& cookie : store.cookiesForURL(*CFURL::URLWithString(c.url)))
            names.insert(cookie.name);
        EXPECT_EQ(names, c.names) << c.url;
    }
    store.removeAllCookies();
}

TEST(CFHTTPReadStream, ReadsFixedAndChunkedBodiesWithoutDecodingOrRedirecting)
{
    HttpTestServer server;
    server.route("/fixed", [](auto&, auto& c) { c.respond(200, "hello fixed body"); });
    server.route("/chunked", [](auto&, auto& c) { c.respondChunked(200, { "abc", "defghijklmnop", "q" }); });
    server.route("/gzip", [](auto&, auto& c) {
        c.respond(200, HttpTestServer::gzip("zipped"), { { "Content-Encoding", "gzip" } });
    });
    server.route("/moved", [](auto&, auto& c) { c.respond(302, "see", { { "Location", "/fixed" } }); });
    server.route("/close", [](auto&, auto& c) {
        c.respondHead(200, {});
        c.write("until the end");
    });

    struct Case {
        const char* path;
        std::string body;
        int status;
    };
    const Case cases[] = {
        { "/fixed", "hello fixed body", 200 },
        { "/chunked", "abcdefghijklmnopq", 200 },
        { "/gzip", HttpTestServer::gzip("zipped"), 200 },
        { "/moved", "see", 302 },
        { "/close", "until the end", 200 },
        { "/missing", "Not Found", 404 },
    };
    for (const auto& c : cases) {
        auto e = run("GET", server.url(c.path));
        EXPECT_EQ(e->body, c.body) << c.path;
        EXPECT_EQ(e->events.back(), kCFStreamEventEndEncountered) << c.path;
        ASSERT_TRUE(e->stream->responseHeader()) << c.path;
        EXPECT_EQ(e->stream->responseHeader()->responseStatusCode(), c.status) << c.path;
    }
    EXPECT_EQ(server.requestsFor("/fixed").size(), 1u);  // the 302 was not followed
}

TEST(CFHTTPReadStream, StreamsBodyAndCountsBytesWritten)
{
    HttpTestServer server;
    server.route("/echo", [](const HttpTestRequest& r, auto& c) { c.respond(200, r.body); });
    std::string payload(100000, 'x');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>('a' + i % 26);
    auto message = CFHTTPMessage::createRequest("POST", *CFURL::URLWithString(server.url("/echo")));
    message->setHeaderFieldValue("Content-Length", std::to_string(payload.size()));
    auto e = std::make_shared<Exchange>();
    auto* ep = e.get();
    e->stream = CFHTTPReadStream::createForStreamedHTTPRequest(message, std::make_shared<StringBody>(payload, 7));
    e->stream->setClient(26, [ep](CFHTTPReadStream& s, CFStreamEventType event) {
        if (event == kCFStreamEventHasBytesAvailable) {
            uint8_t buffer[65536];
            long n = s.read(buffer, sizeof buffer);
            if (n > 0)
                ep->body.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
        } else {
            ep->done = true;
            ep->events.push_back(event);
        }
    });
    e->stream->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    e->stream->open();
    ASSERT_TRUE(pumpUntil([ep] { return ep->done; }));
    EXPECT_EQ(e->events.back(), kCFStreamEventEndEncountered);
    EXPECT_EQ(e->body, payload);
    EXPECT_EQ(e->stream->requestBytesWrittenCount(), payload.size());
}

TEST(CFHTTPReadStream, ReportsFailuresByMeaning)
{
    HttpTestServer server;
    server.route("/drop", [](auto&, auto& c) {
        c.respondHead(200, { { "Content-Length", "1000" } });
        c.write("only part");
        c.close();
    });
    server.route("/badchunk", [](auto&, auto& c) {
        c.respondHead(200, { { "Transfer-Encoding", "chunked" } });
        c.write("zz\r\n");
    });
    int closedPort;
    {
        HttpTestServer gone;
        closedPort = gone.port();
    }
    struct Case {
        std::string url;
        CFStreamErrorMeaning meaning;
    };
    const Case cases[] = {
        { server.url("/drop"), CFStreamErrorMeaning::ConnectionLost },
        { server.url("/badchunk"), CFStreamErrorMeaning::BadResponse },
        { "http://127.0.0.1:" + std::to_string(closedPort) + "/", CFStreamErrorMeaning::ConnectionRefused },
        { "https://127.0.0.1:" + std::to_string(closedPort) + "/", CFStreamErrorMeaning::ConnectionRefused },
        { "http://no-such-host.invalid/", CFStreamErrorMeaning::HostNotFound },
    };
    for (const auto& c : cases) {
        auto e = run("GET", c.url);
        EXPECT_EQ(e->events.back(), kCFStreamEventErrorOccurred) << c.url;
        EXPECT_EQ(e->stream->error().meaning, c.meaning) << c.url << " " << e->stream->error().description;
    }
}

TEST(CFHTTPReadStream, UnscheduledStreamStaysQuietUntilScheduledAgain)
{
    // The answer waits until the stream is off its loop, then is wholly sent
    // (on the loopback, sent bytes already wait at the client) before the loop runs.
    std::atomic<bool> release { false }, answered { false };
    HttpTestServer server;  // after the flags: its thread reads them until it stops
    server.route("/x", [&](auto&, auto& c) {
        while (!release && c.pause(0.001)) { }
        c.respond(200, "payload");
        answered = true;
    });
    auto message = CFHTTPMessage::createRequest("GET", *CFURL::URLWithString(server.url("/x")));
    auto stream = CFHTTPReadStream::createForHTTPRequest(message);
    int events = 0;
    bool ended = false;
    stream->setClient(26, [&](CFHTTPReadStream& s, CFStreamEventType event) {
        ++events;
        uint8_t b[64];
        if (event == kCFStreamEventHasBytesAvailable)
            s.read(b, sizeof b);
        ended = event == kCFStreamEventEndEncountered;
    });
    stream->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    stream->open();
    ASSERT_TRUE(pumpUntil([&] { return server.requests().size() == 1; }));
    stream->unscheduleFromRunLoop();
    int before = events;
    release = true;
    ASSERT_TRUE(pumpUntil([&] { return answered.load(); }));
    auto loop = NSRunLoop::currentRunLoop();
    for (int turn = 0; turn < 1000 && loop->runOnce(NSDefaultRunLoopMode); ++turn) { }
    EXPECT_EQ(events, before);
    stream->scheduleWithRunLoop(NSRunLoop::currentRunLoop(), NSDefaultRunLoopMode);
    EXPECT_TRUE(pumpUntil([&] { return ended; }));
}
