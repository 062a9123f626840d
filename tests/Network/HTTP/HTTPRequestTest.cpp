#include "HttpTestServer.h"
#include "RunLoopPump.h"
#include "TemporaryHome.h"
#include "Network/HTTP/FormDataRequest.h"
#include "Network/HTTP/HTTPDataCompressor.h"
#include "Network/HTTP/NetworkQueue.h"
#include "Network/HTTP/Reachability.h"
#include "Platform/CFNetwork/CFProxySupport.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fstream>
#include <unistd.h>

namespace {

// Records what a request tells its delegate, in order.
class Recorder : public HTTPRequestDelegate, public HTTPProgressDelegate {
public:
    bool respondsToSelector(HTTPSelector s) const override
    {
        switch (s) {
        case HTTPSelector::requestStarted:
        case HTTPSelector::requestFinished:
        case HTTPSelector::requestFailed:
        case HTTPSelector::requestRedirected:
        case HTTPSelector::authenticationNeededForRequest:
            return true;
        case HTTPSelector::requestDidReceiveData:
            return takesData;
        default:
            return false;  // a redirect goes ahead without asking
        }
    }
    bool respondsToProgressSelector(HTTPSelector) const override { return true; }
    void requestStarted(const std::shared_ptr<HTTPRequest>&) override { events.push_back("started"); }
    void requestFinished(const std::shared_ptr<HTTPRequest>&) override
    {
        events.push_back("finished");
        done = true;
    }
    void requestFailed(const std::shared_ptr<HTTPRequest>&) override
    {
        events.push_back("failed");
        done = true;
    }
    void requestRedirected(const std::shared_ptr<HTTPRequest>&) override { events.push_back("redirected"); }
    void requestDidReceiveData(const std::shared_ptr<HTTPRequest>&, const Data& d) override { dataBytes += d.size(); }
    void authenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& r) override
    {
        events.push_back("auth");
        if (answer) {
            r->username = "alice";
            r->password = "secret";
            r->retryUsingSuppliedCredentials();
        } else {
            r->cancelAuthentication();
        }
    }
    void setProgress(float p) override { lastProgress = p; }
    void requestDidReceiveBytes(const std::shared_ptr<HTTPRequest>&, long long n) override { received += n; }

    bool takesData = false;
    bool answer = false;
    bool done = false;
    size_t dataBytes = 0;
    long long received = 0;
    float lastProgress = -1;
    std::vector<std::string> events;
};

std::string readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

struct Run {
    std::shared_ptr<HTTPRequest> request;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

Run start(std::shared_ptr<HTTPRequest> request, std::function<void(Recorder&)> setup = {})
{
    Run run { std::move(request) };
    if (setup)
        setup(*run.recorder);
    run.request->setDelegate(run.recorder);
    run.request->setDownloadProgressDelegate(run.recorder);
    run.request->startAsynchronous();
    auto* rec = run.recorder.get();
    EXPECT_TRUE(pumpMainRunLoopUntil([rec] { return rec->done; }, 20));
    return run;
}

std::string body(const HTTPRequest& r)
{
    auto d = r.responseData();
    return d ? std::string(d->begin(), d->end()) : "";
}

class HTTPRequestTest : public ::testing::Test {
protected:
    void SetUp() override { NSHTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies(); }
    std::string temporaryFile(const std::string& name) const { return home.scratch() + "/" + name; }

    TemporaryHome home;
    HttpTestServer server;
};

}  // namespace

TEST_F(HTTPRequestTest, NewRequestDefaults)
{
    auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString("http://h/x"));
    EXPECT_EQ(r->requestMethod(), "GET");
    EXPECT_EQ(r->timeOutSeconds, 10.0);
    EXPECT_TRUE(r->shouldAttemptPersistentConnection);
    EXPECT_EQ(r->defaultResponseEncoding, NSISOLatin1StringEncoding);
    r->setRequestMethod("POST");
    EXPECT_FALSE(r->shouldAttemptPersistentConnection);
}

TEST_F(HTTPRequestTest, GetsBodyAndReportsInOrder)
{
    server.route("/hello", [](const HttpTestRequest& req, auto& c) {
        c.respond(200, "hello world", { { "Content-Type", "text/plain; charset=utf-8" } });
    });
    auto run = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/hello"))),
        [](Recorder& r) { r.takesData = true; });
    EXPECT_EQ(run.recorder->events, (std::vector<std::string> { "started", "finished" }));
    EXPECT_EQ(body(*run.request), "hello world");
    EXPECT_EQ(run.request->responseEncoding(), NSUTF8StringEncoding);
    EXPECT_EQ(run.recorder->dataBytes, 11u);  // the delegate got the data and the buffer kept it
    EXPECT_EQ(run.recorder->received, 11);
    EXPECT_FLOAT_EQ(run.recorder->lastProgress, 1.0f);
    auto sent = server.requests().front();
    EXPECT_EQ(sent.header("Accept-Encoding"), "gzip");
    EXPECT_FALSE(sent.header("User-Agent").empty() && sent.hasHeader("User-Agent"));
}

TEST_F(HTTPRequestTest, PostsFormBodies)
{
    server.route("/form",
        [](const HttpTestRequest& req, auto& c) { c.respond(200, req.header("Content-Type") + "|" + req.body); });
    auto plain = FormDataRequest::requestWithURL(*CFURL::URLWithString(server.url("/form")));
    plain->addPostValueForKey("a b&c=d", "k1");
    plain->addPostValueForKey("x", "k2");
    plain->setPostValueForKey("y", "k2");
    auto run = start(plain);
    EXPECT_EQ(body(*run.request), "application/x-www-form-urlencoded; charset=utf-8|k1=a%20b%26c%3Dd&k2=y");

    // A POST without a body still tells its length, or servers refuse it.
    server.route("/length",
        [](const HttpTestRequest& req, auto& c) { c.respond(200, req.method + ":" + req.header("Content-Length")); });
    auto bare = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/length")));
    bare->setRequestMethod("POST");
    EXPECT_EQ(body(*start(bare).request), "POST:0");

    auto multi = FormDataRequest::requestWithURL(*CFURL::URLWithString(server.url("/form")));
    multi->addPostValueForKey("v", "name");
    multi->setDataForKey(Data { 'D', 'A', 'T', 'A' }, "data");
    auto run2 = start(multi);
    std::string text = body(*run2.request);
    size_t at = text.find("boundary=");
    ASSERT_NE(at, std::string::npos);
    std::string boundary = text.substr(at + 9, text.find('|') - at - 9);
    EXPECT_EQ(text.substr(text.find('|') + 1),
        "--" + boundary + "\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\nv\r\n--" + boundary
            + "\r\nContent-Disposition: form-data; name=\"data\"; filename=\"file\"\r\nContent-Type: "
              "application/octet-stream\r\n\r\nDATA\r\n--"
            + boundary + "--\r\n");
}

TEST_F(HTTPRequestTest, CopyRunsAgainWithTheSameBodyButNotTheBlocks)
{
    server.route(
        "/form", [](const HttpTestRequest& req, auto& c) { c.respond(200, req.header("X-Tag") + "|" + req.body); });
    auto original = FormDataRequest::requestWithURL(*CFURL::URLWithString(server.url("/form")));
    original->addPostValueForKey("v", "k");
    original->addRequestHeader("X-Tag", "seven");
    original->tag = 7;
    int completions = 0;
    original->setCompletionBlock([&] { ++completions; });
    auto first = start(original);
    ASSERT_EQ(body(*first.request), "seven|k=v");

    for (auto copy : { original->copy(), std::static_pointer_cast<HTTPRequest>(original)->HTTPRequest::copy() }) {
        EXPECT_EQ(copy->tag, 7);
        EXPECT_EQ(copy->requestMethod(), "POST");
        auto again = start(copy);
        EXPECT_EQ(body(*again.request), "seven|k=v");  // the built body is reused, not built twice
        EXPECT_EQ(again.recorder->events, (std::vector<std::string> { "started", "finished" }));
    }
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(server.requestsFor("/form").size(), 3u);
}

TEST_F(HTTPRequestTest, FollowsRedirectsAndStopsAfterFive)
{
    server.route("/post302", [](auto&, auto& c) { c.respond(302, "", { { "Location", "/echo" } }); });
    server.route("/post307", [](auto&, auto& c) { c.respond(307, "", { { "Location", "/echo" } }); });
    server.route("/echo", [](const HttpTestRequest& req, auto& c) { c.respond(200, req.method + ":" + req.body); });
    for (int i = 0; i < 7; ++i)
        server.route("/r" + std::to_string(i), [i](auto&, auto& c) {
            c.respond(301, "", { { "Location", "/r" + std::to_string(i + 1) } });
        });
    server.route("/r5", [](auto&, auto& c) { c.respond(200, "after five"); });

    struct Case {
        const char* path;
        std::string expected;
    };
    for (const Case& c : { Case { "/post302", "GET:" }, Case { "/post307", "POST:payload" } }) {
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url(c.path)));
        r->appendPostData(Data { 'p', 'a', 'y', 'l', 'o', 'a', 'd' });
        auto run = start(r);
        EXPECT_EQ(body(*run.request), c.expected) << c.path;
        EXPECT_EQ(run.recorder->events.front(), "started");
    }
    auto five = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/r0"))));
    EXPECT_EQ(body(*five.request), "after five");
    server.route("/r5", [](auto&, auto& c) { c.respond(301, "", { { "Location", "/r6" } }); });
    auto six = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/r0"))));
    ASSERT_TRUE(six.request->error());
    EXPECT_EQ(six.request->error()->code, HTTPTooMuchRedirectionErrorType);
    EXPECT_EQ(six.request->error()->localizedDescription, "The request failed because it redirected too many times");
}

TEST_F(HTTPRequestTest, TimesOutAfterRetriesAndCancelReportsCodeFour)
{
    server.route("/stall", [](auto&, auto& c) { c.pause(10); });
    auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/stall")));
    r->timeOutSeconds = 0.5;
    r->numberOfTimesToRetryOnTimeout = 2;
    auto run = start(r);
    ASSERT_TRUE(run.request->error());
    EXPECT_EQ(run.request->error()->code, HTTPRequestTimedOutErrorType);
    EXPECT_EQ(server.requestsFor("/stall").size(), 3u);

    auto c = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/stall")));
    auto rec = std::make_shared<Recorder>();
    c->setDelegate(rec);
    c->startAsynchronous();
    ASSERT_TRUE(server.waitForRequests(4, 5));
    c->cancel();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return rec->done; }, 5));
    EXPECT_EQ(c->error()->code, HTTPRequestCancelledErrorType);
    EXPECT_EQ(rec->events, (std::vector<std::string> { "started", "failed" }));
}

TEST_F(HTTPRequestTest, AFinishedBodyIsHandedOverWholeAndOnlyOnce)
{
    std::string text(100000, 'q');
    text += "end";
    server.route("/plain", [text](auto&, auto& c) { c.respond(200, text); });
    server.route("/gz", [text](auto&, auto& c) {
        c.respond(200, HttpTestServer::gzip(text), { { "Content-Encoding", "gzip" } });
    });
    struct Case {
        const char* path;
        bool inflateAtTheEnd;
    };
    for (const Case& c : { Case { "/plain", true }, Case { "/gz", true }, Case { "/gz", false } }) {
        SCOPED_TRACE(testing::Message() << c.path << (c.inflateAtTheEnd ? " inflated at the end" : " on the fly"));
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url(c.path)));
        r->shouldWaitToInflateCompressedResponses = c.inflateAtTheEnd;
        auto run = start(r);
        ASSERT_FALSE(run.request->error());
        auto taken = run.request->takeResponseData();
        ASSERT_TRUE(taken);
        EXPECT_TRUE(std::string(taken->begin(), taken->end()) == text);
        // The request keeps nothing of it.
        auto left = run.request->responseData();
        EXPECT_TRUE(!left || left->empty());
        auto again = run.request->takeResponseData();
        EXPECT_TRUE(!again || again->empty());
    }
}

TEST_F(HTTPRequestTest, InflatesGzipInMemoryAndFileToFile)
{
    std::string text(100000, 'z');
    // Handlers keep copies of what they send: their threads may still be
    // reading when the test's own variables go.
    server.route("/gz", [text](auto&, auto& c) {
        c.respond(200, HttpTestServer::gzip(text), { { "Content-Encoding", "gzip" } });
    });
    auto memory = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/gz"))));
    EXPECT_TRUE(body(*memory.request) == text);

    for (bool onTheFly : { false, true }) {
        std::string destination = temporaryFile(onTheFly ? "fly" : "wait");
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/gz")));
        r->downloadDestinationPath = destination;
        r->shouldWaitToInflateCompressedResponses = !onTheFly;
        auto run = start(r);
        EXPECT_FALSE(run.request->error());
        EXPECT_TRUE(readFile(destination) == text);
        unlink(destination.c_str());
    }

    // A compressed body cut short (the server closes early, no length given)
    // fails rather than passing for the whole, inflated on the fly or not.
    server.route("/gzcut", [text](auto&, auto& c) {
        std::string packed = HttpTestServer::gzip(text);
        c.respondHead(200, { { "Content-Encoding", "gzip" } });
        c.write(packed.substr(0, packed.size() / 2));
        c.close();
    });
    for (bool onTheFly : { false, true }) {
        std::string destination = temporaryFile("cut");
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/gzcut")));
        r->downloadDestinationPath = destination;
        r->shouldWaitToInflateCompressedResponses = !onTheFly;
        auto run = start(r);
        ASSERT_TRUE(run.request->error()) << onTheFly;
        EXPECT_EQ(run.request->error()->code, HTTPCompressionError);
        unlink(destination.c_str());
    }

    HTTPErrorRef error;
    EXPECT_FALSE(HTTPDataDecompressor::uncompressDataError(Data { 'n', 'o', 't', 'g', 'z' }, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription, "Decompression of data failed with code -3");
    EXPECT_FALSE(HTTPDataCompressor::compressDataError(Data {}, &error));
}

TEST_F(HTTPRequestTest, ResumesPartialDownloadAndRestartsWhenRangeIgnored)
{
    std::string file(5000, 'q');
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<char>('a' + i % 26);
    std::atomic<bool> honourRange { true };
    server.route("/file", [&honourRange, file](const HttpTestRequest& req, auto& c) {
        std::string range = req.header("Range");
        if (range.empty() || !honourRange) {
            c.respond(200, file);
            return;
        }
        size_t from = std::stoul(range.substr(6));
        if (from >= file.size()) {
            c.respond(416, "");
            return;
        }
        c.respond(206, file.substr(from), { { "Content-Range", "bytes " + std::to_string(from) + "-4999/5000" } });
    });
    for (bool honour : { true, false }) {
        honourRange = honour;
        std::string temp = temporaryFile("partial"), destination = temporaryFile("whole");
        std::ofstream(temp, std::ios::binary) << file.substr(0, 500);
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/file")));
        r->downloadDestinationPath = destination;
        r->temporaryFileDownloadPath = temp;
        r->allowResumeForFileDownloads = true;
        auto run = start(r);
        EXPECT_EQ(server.requests().back().header("Range"), "bytes=500-");
        EXPECT_TRUE(readFile(destination) == file) << honour;
        EXPECT_FALSE(NSFileManager::defaultManager().fileExistsAtPath(temp));
        unlink(destination.c_str());
    }
}

TEST_F(HTTPRequestTest, DroppedConnectionIsRetriedOnceThenFails)
{
    int calls = 0;
    server.route("/flaky", [&](auto&, auto& c) {
        if (++calls == 1) {
            c.respondHead(200, { { "Content-Length", "100" } });
            c.write("short");
            c.close();
            return;
        }
        c.respond(200, std::string(100, 'k'));
    });
    auto run = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/flaky"))));
    EXPECT_EQ(body(*run.request), std::string(100, 'k'));
    EXPECT_EQ(run.request->retryCount(), 1);

    server.route("/dead", [](auto&, auto& c) {
        c.respondHead(200, { { "Content-Length", "100" } });
        c.close();
    });
    auto dead = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/dead"))));
    ASSERT_TRUE(dead.request->error());
    EXPECT_EQ(dead.request->error()->code, HTTPConnectionFailureErrorType);
    EXPECT_EQ(server.requestsFor("/dead").size(), 2u);
}

TEST_F(HTTPRequestTest, CookiesSetByServerAreSentBack)
{
    server.route("/set", [](auto&, auto& c) {
        c.respond(200, "ok", { { "Set-Cookie", "session=abc; Path=/" }, { "Set-Cookie", "theme=dark; Path=/" } });
    });
    server.route("/get", [](const HttpTestRequest& req, auto& c) { c.respond(200, req.header("Cookie")); });
    auto set = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/set"))));
    EXPECT_EQ(set.request->responseCookies().size(), 2u);
    auto get = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/get"))));
    EXPECT_EQ(body(*get.request), "session=abc; theme=dark");
    HTTPRequest::clearSession();
    auto after = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/get"))));
    EXPECT_EQ(body(*after.request), "");
}

TEST_F(HTTPRequestTest, AnswersBasicAndDigestChallenges)
{
    HTTPRequest::clearSession();
    server.route("/basic", [](const HttpTestRequest& req, auto& c) {
        if (req.header("Authorization") == "Basic " + Hashing::base64Encode(std::string("alice:secret")))
            c.respond(200, "welcome");
        else
            c.respond(401, "no", { { "WWW-Authenticate", "Basic realm=\"corp\"" } });
    });
    server.route("/digest", [](const HttpTestRequest& req, auto& c) {
        std::string auth = req.header("Authorization");
        auto field = [&](const std::string& name) {
            size_t at = auth.find(name + "=\"");
            return at == std::string::npos
                ? ""
                : auth.substr(at + name.size() + 2, auth.find('"', at + name.size() + 2) - at - name.size() - 2);
        };
        auto plain = [&](const std::string& name) {
            size_t at = auth.find(name + "=");
            return at == std::string::npos
                ? ""
                : auth.substr(at + name.size() + 1, auth.find(',', at) - at - name.size() - 1);
        };
        std::string ha1 = Hashing::md5HexLower("alice:lab:secret");
        std::string ha2 = Hashing::md5HexLower(req.method + ":" + field("uri"));
        std::string expected
            = Hashing::md5HexLower(ha1 + ":n1:" + plain("nc") + ":" + field("cnonce") + ":auth:" + ha2);
        if (!auth.empty() && field("response") == expected)
            c.respond(200, "digest ok");
        else
            c.respond(401, "no", { { "WWW-Authenticate", "Digest realm=\"lab\", nonce=\"n1\", qop=\"auth\"" } });
    });

    struct Case {
        const char* path;
        bool answer;
        std::string body;
        long error;
    };
    const Case cases[] = {
        { "/basic", true, "welcome", 0 },
        { "/digest", true, "digest ok", 0 },
        { "/basic", false, "", HTTPAuthenticationErrorType },
    };
    for (const auto& c : cases) {
        HTTPRequest::clearSession();
        auto run = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url(c.path))),
            [&](Recorder& r) { r.answer = c.answer; });
        if (c.error) {
            ASSERT_TRUE(run.request->error()) << c.path;
            EXPECT_EQ(run.request->error()->code, c.error);
        } else {
            EXPECT_FALSE(run.request->error()) << c.path;
            EXPECT_EQ(body(*run.request), c.body);
        }
    }
    // Known credentials are sent before any challenge once the scheme is Basic.
    auto pre = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/basic")));
    pre->username = "alice";
    pre->password = "secret";
    pre->authenticationScheme = kCFHTTPAuthenticationSchemeBasic;
    size_t before = server.requestsFor("/basic").size();
    auto run = start(pre);
    EXPECT_EQ(body(*run.request), "welcome");
    EXPECT_EQ(server.requestsFor("/basic").size(), before + 1);
    // Without anyone to ask, a refused request fails with code 3.
    HTTPRequest::clearSession();
    auto lone = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/basic")));
    bool failed = false;
    lone->setFailedBlock([&] { failed = true; });
    lone->startAsynchronous();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return failed; }, 5));
    EXPECT_EQ(lone->error()->code, HTTPAuthenticationErrorType);
}

TEST_F(HTTPRequestTest, QueueRunsThreeAtATimeAndSumsProgress)
{
    std::atomic<int> running { 0 }, peak { 0 };
    server.route("/slow", [&](auto&, auto& c) {
        int now = ++running;
        int seen = peak.load();
        while (now > seen && !peak.compare_exchange_weak(seen, now)) { }
        c.pause(0.2);
        --running;
        c.respond(200, std::string(1000, 's'));
    });
    auto queue = NetworkQueue::queue();
    queue->setMaxConcurrentOperationCount(3);
    auto progress = std::make_shared<Recorder>();
    queue->setDownloadProgressDelegate(progress);
    int finished = 0, queueDone = 0;
    queue->requestDidFinishSelector = [&](auto&) { ++finished; };
    queue->queueDidFinishSelector = [&](auto&) { ++queueDone; };
    for (int i = 0; i < 7; ++i)
        queue->addOperation(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/slow"))));
    EXPECT_EQ(queue->requestsCount(), 7);
    // A new queue is suspended until go: it starts nothing, however long the test waits.
    ASSERT_TRUE(queue->isSuspended());
    drainMainRunLoop();
    for (const auto& operation : queue->operations())
        EXPECT_FALSE(operation->isExecuting());
    EXPECT_EQ(server.requests().size(), 0u);
    queue->go();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return queueDone == 1; }, 20));
    EXPECT_EQ(finished, 7);
    EXPECT_EQ(queue->requestsCount(), 0);
    EXPECT_EQ(peak.load(), 3);
    EXPECT_EQ(queue->totalBytesToDownload(), 7u);  // one unit each without accurate progress
    EXPECT_EQ(queue->bytesDownloadedSoFar(), 7u);
    EXPECT_FLOAT_EQ(progress->lastProgress, 1.0f);
}

TEST_F(HTTPRequestTest, ThrottlingHoldsTheRate)
{
    // The allowance is per one-second period and the first period may already
    // be under way, so only a body that needs a whole period beyond it shows
    // the limit: 100 KB at 40 KB/s cannot arrive within one second.
    server.route("/big", [](auto&, auto& c) { c.respond(200, std::string(100000, 'b')); });
    HTTPRequest::setMaxBandwidthPerSecond(40000);
    double began = Clock::now();
    auto run = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/big"))));
    double took = Clock::now() - began;
    HTTPRequest::setMaxBandwidthPerSecond(0);
    EXPECT_EQ(body(*run.request).size(), 100000u);
    EXPECT_GT(took, 1.0);
    EXPECT_LT(took, 6.0);
    EXPECT_LE(HTTPRequest::averageBandwidthUsedPerSecond(), 60000u);
}

TEST_F(HTTPRequestTest, ProxyScriptFromTheServerRoutesTheRequest)
{
    std::string script = "function FindProxyForURL(u, h) { return h == 'corvelle.invalid' ? 'PROXY 127.0.0.1:"
        + std::to_string(server.port()) + "' : 'DIRECT'; }";
    server.route("/proxy.pac", [script](auto&, auto& c) { c.respond(200, script); });
    server.route("/via", [](const HttpTestRequest& req, auto& c) { c.respond(200, req.target); });
    CFProxySettings settings;
    settings.autoConfigurationURL = CFURL::URLWithString(server.url("/proxy.pac"));
    CFNetworkSetSystemProxySettingsOverride(settings);
    long width = HTTPRequest::sharedQueue()->maxConcurrentOperationCount();
    auto run = start(HTTPRequest::requestWithURL(*CFURL::URLWithString("http://corvelle.invalid/via")));
    CFNetworkSetSystemProxySettingsOverride(std::nullopt);
    EXPECT_EQ(body(*run.request), "http://corvelle.invalid/via");
    EXPECT_EQ(server.requestsFor("/proxy.pac").size(), 1u);
    EXPECT_EQ(HTTPRequest::sharedQueue()->maxConcurrentOperationCount(), width);

    // A proxy named on the request wins over the settings.
    CFNetworkSetSystemProxySettingsOverride(settings);
    auto own = HTTPRequest::requestWithURL(*CFURL::URLWithString("http://corvelle.invalid/via"));
    own->proxyHost = "127.0.0.1";
    own->proxyPort = server.port();
    auto ownRun = start(own);
    CFNetworkSetSystemProxySettingsOverride(std::nullopt);
    EXPECT_EQ(body(*ownRun.request), "http://corvelle.invalid/via");
    EXPECT_EQ(server.requestsFor("/proxy.pac").size(), 1u);
}

TEST(Reachability, StatusFromFlagsAndChangeNotifications)
{
    auto host = Reachability::reachabilityWithHostName("example.com");
    struct Case {
        uint32_t flags;
        NetworkStatus status;
    };
    const Case cases[] = {
        { 0x2, ReachableViaWiFi },
        { 0x40002, ReachableViaWWAN },
        { 0x7, NotReachable },
        { 0x3, ReachableViaWiFi },
        { 0x6, ReachableViaWiFi },
        { 0xA, NotReachable },
        { 0x0, NotReachable },
        { 0x30002, ReachableViaWiFi },
    };
    for (const auto& c : cases)
        EXPECT_EQ(host->networkStatusForFlags(c.flags), c.status) << c.flags;
    auto wifi = Reachability::reachabilityForLocalWiFi();
    EXPECT_EQ(wifi->networkStatusForFlags(0x20002), ReachableViaWiFi);
    EXPECT_EQ(wifi->networkStatusForFlags(0x40002), NotReachable);
    EXPECT_EQ(Reachability::reachabilityWithAddress(htonl(0x0A000105))->key(), "10.0.1.5");
    EXPECT_TRUE(host->isEqual(*Reachability::reachabilityWithHostName("example.com")));

    int notices = 0;
    int owner = 0;
    NSNotificationCenter::defaultCenter().addObserver(
        &owner, kReachabilityChangedNotification, [&](const NSNotification&) { ++notices; });
    SCNetworkReachability::setInjectedFlags(0x2);
    ASSERT_TRUE(host->startNotifier());
    SCNetworkReachability::setInjectedFlags(0);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return notices == 1; }, 2));
    EXPECT_EQ(host->currentReachabilityStatus(), NotReachable);
    SCNetworkReachability::setInjectedFlags(0x40002);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return notices == 2; }, 2));
    EXPECT_EQ(host->currentReachabilityStatus(), ReachableViaWWAN);
    HTTPRequest::setShouldThrottleBandwidthForWWAN(true);
    EXPECT_TRUE(HTTPRequest::isBandwidthThrottled());
    SCNetworkReachability::setInjectedFlags(0x2);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !HTTPRequest::isBandwidthThrottled(); }, 2));
    HTTPRequest::setShouldThrottleBandwidthForWWAN(false);
    host->stopNotifier();
    NSNotificationCenter::defaultCenter().removeObserver(&owner);
    SCNetworkReachability::setInjectedFlags(std::nullopt);
}

TEST_F(HTTPRequestTest, UtilitiesForTypesBase64ContentTypesAndExpiry)
{
    std::string pdf = temporaryFile("leaflet.pdf"), odd = temporaryFile("notes.zzq");
    std::ofstream(pdf) << "%PDF";
    std::ofstream(odd) << "x";
    EXPECT_EQ(HTTPRequest::mimeTypeForFileAtPath(pdf), "application/pdf");
    EXPECT_EQ(HTTPRequest::mimeTypeForFileAtPath(odd), "application/octet-stream");
    EXPECT_EQ(HTTPRequest::mimeTypeForFileAtPath(temporaryFile("missing.pdf")), std::nullopt);
    unlink(pdf.c_str());
    unlink(odd.c_str());

    for (auto [in, out] : { std::pair { "abc", "YWJj" }, std::pair { "ab", "YWI=" }, std::pair { "", "" } }) {
        std::string s = in;
        EXPECT_EQ(HTTPRequest::base64forData(Data(s.begin(), s.end())), out);
    }

    struct TypeCase {
        std::optional<std::string> contentType;
        std::string mime;
        uint32_t encoding;
    };
    const uint32_t unchanged = 99;
    const TypeCase types[] = {
        { "text/html;charset=ISO-8859-1", "text/html", NSISOLatin1StringEncoding },
        { " text/html ; charset=utf-8", "text/html", NSUTF8StringEncoding },
        { "text/plain", "text/plain", unchanged },
        { "text/plain; charset=no-such-set", "text/plain", unchanged },
        { "text/plain; charset=", "text/plain", unchanged },
        { std::nullopt, "before", unchanged },
    };
    for (const auto& c : types) {
        std::string mime = "before";
        uint32_t encoding = unchanged;
        HTTPRequest::parseMimeTypeAndResponseEncodingFromContentType(&mime, &encoding, c.contentType);
        EXPECT_EQ(mime, c.mime) << c.contentType.value_or("(none)");
        EXPECT_EQ(encoding, c.encoding) << c.contentType.value_or("(none)");
    }

    // Expiry: the caller's age wins; a max-age of 0 falls back to "Expires" in the HTTP date form.
    server.route("/cached", [](const HttpTestRequest&, auto& c) {
        c.respond(
            200, "x", { { "Cache-Control", "public, MAX-AGE=0" }, { "Expires", "Sun, 06 Nov 1994 08:49:37 GMT" } });
    });
    server.route("/aged", [](const HttpTestRequest&, auto& c) {
        c.respond(200, "x", { { "Cache-Control", "max-age=90.5" } });
    });
    auto cached = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/cached")))).request;
    server.route("/endless", [](const HttpTestRequest&, auto& c) {
        c.respond(200, "x", { { "Cache-Control", "max-age=inf" } });
    });
    auto aged = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/aged")))).request;
    auto endless = start(HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url("/endless")))).request;
    EXPECT_EQ(HTTPRequest::expiryDateForRequestMaxAge(*endless, 0), std::nullopt);
    double now = Clock::wallNow().secondsSince1970;
    EXPECT_EQ(HTTPRequest::expiryDateForRequestMaxAge(*cached, 0), 784111777.0);
    EXPECT_NEAR(HTTPRequest::expiryDateForRequestMaxAge(*cached, 60).value_or(0), now + 60, 5);
    EXPECT_NEAR(HTTPRequest::expiryDateForRequestMaxAge(*aged, 0).value_or(0), now + 90.5, 5);
    EXPECT_EQ(HTTPRequest::dateFromRFC1123String("not a date"), std::nullopt);
}

TEST_F(HTTPRequestTest, QueueProbesSizesCancelsOnFailureResetsAndCopies)
{
    server.route("/sized", [](const HttpTestRequest&, auto& c) { c.respond(200, std::string(1000, 'z')); });
    auto url = [&](const char* path) { return *CFURL::URLWithString(server.url(path)); };

    // Accurate progress: a GET added while suspended gets a HEAD probe that runs first; one added
    // after go, and a POST, get none.
    auto queue = NetworkQueue::queue();
    queue->showAccurateProgress = true;
    auto progress = std::make_shared<Recorder>();
    queue->setDownloadProgressDelegate(progress);
    int queueDone = 0;
    queue->queueDidFinishSelector = [&](auto&) { ++queueDone; };
    queue->addOperation(HTTPRequest::requestWithURL(url("/sized")));
    auto post = HTTPRequest::requestWithURL(url("/sized"));
    post->setRequestMethod("POST");
    post->appendPostData(Data(10, 'p'));
    queue->addOperation(post);
    EXPECT_EQ(queue->operationCount(), 3u);  // the probe is not counted as a request
    EXPECT_EQ(queue->requestsCount(), 2);
    EXPECT_EQ(queue->totalBytesToUpload(), 10u);
    queue->go();
    queue->addOperation(HTTPRequest::requestWithURL(url("/sized")));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return queueDone == 1; }, 20));
    std::vector<std::string> methods;
    for (auto& r : server.requestsFor("/sized"))
        methods.push_back(r.method);
    std::sort(methods.begin(), methods.end());
    EXPECT_EQ(methods, (std::vector<std::string> { "GET", "GET", "HEAD", "POST" }));
    EXPECT_EQ(queue->totalBytesToDownload(), 3000u);  // the probed GET is booked once, by its probe
    EXPECT_EQ(queue->bytesDownloadedSoFar(), queue->totalBytesToDownload());
    EXPECT_FLOAT_EQ(progress->lastProgress, 1.0f);

    // One failure cancels the rest when asked to; every request still reports and is counted down.
    auto strict = NetworkQueue::queue();
    strict->setMaxConcurrentOperationCount(1);
    strict->shouldCancelAllRequestsOnFailure = true;
    std::vector<int> codes;
    int strictDone = 0;
    strict->requestDidFailSelector = [&](const std::shared_ptr<HTTPRequest>& r) { codes.push_back(r->error()->code); };
    strict->queueDidFinishSelector = [&](auto&) { ++strictDone; };
    strict->addOperation(HTTPRequest::requestWithURL(*CFURL::URLWithString("http://127.0.0.1:1/refused")));
    for (int i = 0; i < 2; ++i)
        strict->addOperation(HTTPRequest::requestWithURL(url("/sized")));
    strict->go();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return strictDone == 1; }, 20));
    EXPECT_EQ(codes,
        (std::vector<int> {
            HTTPConnectionFailureErrorType, HTTPRequestCancelledErrorType, HTTPRequestCancelledErrorType }));
    EXPECT_EQ(strict->totalBytesToDownload(), 0u);  // cancelling zeroed the counters
    EXPECT_EQ(strict->requestsCount(), 0);

    // A copy keeps selectors and settings but starts empty and suspended; reset suspends again.
    auto copy = strict->copy();
    EXPECT_TRUE(copy->isSuspended());
    EXPECT_EQ(copy->operationCount(), 0u);
    EXPECT_TRUE(copy->shouldCancelAllRequestsOnFailure);
    EXPECT_TRUE(static_cast<bool>(copy->requestDidFailSelector));
    queue->reset();
    EXPECT_TRUE(queue->isSuspended());
    EXPECT_FALSE(static_cast<bool>(queue->queueDidFinishSelector));
    EXPECT_TRUE(queue->showAccurateProgress);
}

TEST_F(HTTPRequestTest, SessionStoresMatchByIdentityUrlAndRealmAndClearingKeepsProxies)
{
    HTTPRequest::clearSession();
    auto creds = [](const char* user) {
        return std::make_shared<const HTTPCredentials>(HTTPCredentials { user, "pw", {} });
    };
    auto entry = [](HTTPCredentialsRef c, const char* url, std::optional<std::string> realm) {
        auto e = std::make_shared<HTTPSessionCredentials>();
        e->credentials = std::move(c);
        e->url = *CFURL::URLWithString(url);
        e->authenticationRealm = std::move(realm);
        return HTTPSessionCredentialsRef(e);
    };
    // The very same credentials replace their entry; equal but distinct ones do not.
    auto shared = creds("same");
    HTTPRequest::storeAuthenticationCredentialsInSessionStore(entry(shared, "http://h:8/a", std::nullopt));
    HTTPRequest::storeAuthenticationCredentialsInSessionStore(entry(shared, "http://h:8/a", std::nullopt));
    HTTPRequest::storeAuthenticationCredentialsInSessionStore(entry(creds("same"), "http://h:8/a", std::nullopt));
    EXPECT_EQ(HTTPRequest::sessionCredentialsStore().size(), 2u);

    HTTPRequest::clearSession();
    HTTPRequest::storeAuthenticationCredentialsInSessionStore(entry(creds("close"), "http://h:8/other", "corp"));
    HTTPRequest::storeAuthenticationCredentialsInSessionStore(entry(creds("exact"), "http://h:8/a", "corp"));
    struct Case {
        const char* url;
        std::optional<std::string> realm;
        std::string found;
    };
    const Case cases[] = {
        { "http://h:8/a", std::nullopt, "exact" },  // an exact URL later in the store wins
        { "http://h:8/b", std::nullopt, "close" },  // else the first entry for the same server
        { "http://h:8/b", "corp", "close" },
        { "http://h:8/b", "other", "" },  // realms differ on both sides
        { "http://h/b", std::nullopt, "" },  // the port does not agree
        { "http://g:8/b", std::nullopt, "" },
    };
    for (const auto& c : cases) {
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(c.url));
        r->authenticationRealm = c.realm;
        auto found = r->findSessionAuthenticationCredentials();
        EXPECT_EQ(found ? found->credentials->username : "", c.found) << c.url << " " << c.realm.value_or("-");
    }

    auto proxyEntry = std::make_shared<HTTPSessionCredentials>();
    proxyEntry->credentials = creds("proxy");
    proxyEntry->host = "proxy.local";
    proxyEntry->port = 3128;
    HTTPRequest::storeProxyAuthenticationCredentialsInSessionStore(proxyEntry);

    // A cookie of the same domain, path and name replaces the listed one at the end.
    NSHTTPCookie a, b;
    a.name = "a";
    b.name = "b";
    a.value = b.value = "1";
    a.domain = b.domain = "h";
    NSHTTPCookie a2 = a;
    a2.value = "2";
    NSHTTPCookieStorage::sharedHTTPCookieStorage().setCookie(a);
    for (auto& c : { a, b, a2 })
        HTTPRequest::addSessionCookie(c);
    auto listed = HTTPRequest::sessionCookies();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].name, "b");
    EXPECT_EQ(listed[1].value, "2");

    HTTPRequest::clearSession();
    EXPECT_TRUE(HTTPRequest::sessionCredentialsStore().empty());
    EXPECT_EQ(HTTPRequest::sessionProxyCredentialsStore().size(), 1u);
    EXPECT_TRUE(HTTPRequest::sessionCookies().empty());
    EXPECT_TRUE(NSHTTPCookieStorage::sharedHTTPCookieStorage().cookies().empty());
    HTTPRequest::removeProxyAuthenticationCredentialsFromSessionStore(proxyEntry->credentials);
    EXPECT_TRUE(HTTPRequest::sessionProxyCredentialsStore().empty());
}
