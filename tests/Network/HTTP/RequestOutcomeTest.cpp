#include "HttpTestServer.h"
#include "RunLoopPump.h"
#include "TemporaryHome.h"
#include "Network/HTTP/FormDataRequest.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSString.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

// What a request ends with when the network misbehaves: which kinds are
// retried and how, what a time-out leaves behind, and which error says what.

namespace {

struct Outcome {
    std::shared_ptr<HTTPRequest> request;
    std::vector<std::string> endings;  // "finished" or "failed", as reported
    int starts = 0;  // "started" as reported
};

Outcome run(std::shared_ptr<HTTPRequest> request, std::function<void(HTTPRequest&)> whileRunning = {})
{
    auto endings = std::make_shared<std::vector<std::string>>();
    auto starts = std::make_shared<int>(0);
    request->setStartedBlock([starts] { ++*starts; });
    request->setCompletionBlock([endings] { endings->push_back("finished"); });
    request->setFailedBlock([endings] { endings->push_back("failed"); });
    request->startAsynchronous();
    if (whileRunning)
        whileRunning(*request);
    EXPECT_TRUE(pumpMainRunLoopUntil([endings] { return !endings->empty(); }, 20));
    return { request, *endings, *starts };
}

std::shared_ptr<HTTPRequest> get(const std::string& url)
{
    return HTTPRequest::requestWithURL(*CFURL::URLWithString(url));
}

std::string bodyOf(const HTTPRequest& r)
{
    auto d = r.responseData();
    return d ? std::string(d->begin(), d->end()) : "";
}

long errorCode(const HTTPRequest& r) { return r.error() ? r.error()->code : 0; }

std::string readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

bool exists(const std::string& path) { return NSFileManager::defaultManager().fileExistsAtPath(path); }

std::string temporaryFile(const TemporaryHome& home, const std::string& name) { return home.scratch() + "/" + name; }

std::string lettersOfSize(size_t size)
{
    std::string s(size, ' ');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>('a' + i % 26);
    return s;
}

// A port nobody listens on: bound, never listening, closed again.
int refusingPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

}  // namespace

// A connection dropped half-way is tried once more for every kind of request
// without a body: a file download ends with the file exactly once, resumed
// from its bytes on disk when resuming is allowed. A request whose body went
// out is not sent again (the server may have acted on it): it fails.
TEST(RequestRetries, EveryKindIsRetriedOnceAfterADroppedConnection)
{
    TemporaryHome home;
    const std::string file = lettersOfSize(1000);
    const std::string packed = HttpTestServer::gzip(file);
    std::atomic<int> calls { 0 };
    HttpTestServer server;
    auto dropThenAnswer = [&](const HttpTestRequest& req, HttpTestConnection& c) {
        if (++calls % 2 == 1) {
            bool gzip = req.path == "/dropgz";
            c.respondHead(200, { { "Content-Length", "1000" }, { "Content-Encoding", gzip ? "gzip" : "identity" } });
            c.write(gzip ? packed.substr(0, packed.size() / 2) : file.substr(0, 400));
            c.close();
            return;
        }
        if (req.path == "/dropgz") {
            c.respond(200, packed, { { "Content-Encoding", "gzip" } });
            return;
        }
        std::string range = req.header("Range");
        if (range == "bytes=400-")
            c.respond(206, file.substr(400), { { "Content-Range", "bytes 400-999/1000" } });
        else if (req.method == "POST" || req.method == "PUT")
            c.respond(200, req.method + ":" + req.header("Content-Length") + ":" + req.body);
        else
            c.respond(200, file);
    };
    server.route("/drop", dropThenAnswer);
    server.route("/dropgz", dropThenAnswer);

    struct Case {
        const char* name;
        std::function<std::shared_ptr<HTTPRequest>()> make;
        std::string body;  // in memory, or in the destination file
        std::string range;  // asked by the retry
        bool resent = true;
    };
    const std::string destination = temporaryFile(home, "dest"), partial = temporaryFile(home, "partial");
    const Case cases[] = {
        { "GET in memory", [&] { return get(server.url("/drop")); }, file, "" },
        { "POST of a form",
            [&] {
                auto r = FormDataRequest::requestWithURL(*CFURL::URLWithString(server.url("/drop")));
                r->addPostValueForKey("v", "k");
                return std::static_pointer_cast<HTTPRequest>(r);
            },
            "", "", false },
        { "PUT of raw data",
            [&] {
                auto r = get(server.url("/drop"));
                r->setRequestMethod("PUT");
                r->appendPostData(Data { 'r', 'a', 'w' });
                return r;
            },
            "", "", false },
        { "file download",
            [&] {
                auto r = get(server.url("/drop"));
                r->downloadDestinationPath = destination;
                return r;
            },
            file, "" },
        { "resumable file download",
            [&] {
                auto r = get(server.url("/drop"));
                r->downloadDestinationPath = destination;
                r->temporaryFileDownloadPath = partial;
                r->allowResumeForFileDownloads = true;
                return r;
            },
            file, "bytes=400-" },
        { "file download inflated on the fly",
            [&] {
                auto r = get(server.url("/dropgz"));
                r->downloadDestinationPath = destination;
                r->shouldWaitToInflateCompressedResponses = false;
                return r;
            },
            file, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        calls = 0;
        size_t before = server.requests().size();
        auto outcome = run(c.make());
        auto& r = *outcome.request;
        if (!c.resent) {
            EXPECT_EQ(errorCode(r), HTTPConnectionFailureErrorType);
            EXPECT_EQ(r.retryCount(), 0);
            EXPECT_EQ(server.requests().size(), before + 1);
            EXPECT_EQ(outcome.endings, std::vector<std::string> { "failed" });
            continue;
        }
        EXPECT_EQ(errorCode(r), 0);
        EXPECT_EQ(r.retryCount(), 1);
        EXPECT_EQ(server.requests().size(), before + 2);
        EXPECT_EQ(server.requests().back().header("Range"), c.range);
        EXPECT_TRUE((r.downloadDestinationPath ? readFile(destination) : bodyOf(r)) == c.body);
        EXPECT_EQ(outcome.endings, std::vector<std::string> { "finished" });
        EXPECT_EQ(outcome.starts, 1);
        unlink(destination.c_str());
        unlink(partial.c_str());
    }
}

// A time-out is retried as a new attempt: a download's retry answered whole
// gives the file once, a resumable one continues from its bytes on disk, and
// with no retries left the request fails as a time-out, leaving no
// destination and, when resumable, the bytes it had (otherwise none). However
// many attempts it takes, the request reports its start once.
TEST(RequestTimeOut, RetriesStartAfreshAndTheLastFailureKeepsOnlyWhatResumes)
{
    TemporaryHome home;
    const std::string file = lettersOfSize(1000);
    std::atomic<int> calls { 0 };
    HttpTestServer server;
    server.route("/stall", [&](const HttpTestRequest& req, auto& c) {
        if (++calls == 1) {
            c.respondHead(200, { { "Content-Length", "1000" } });
            c.write(file.substr(0, 400));
            c.pause(10);
        } else if (req.header("Range") == "bytes=400-") {
            c.respond(206, file.substr(400), { { "Content-Range", "bytes 400-999/1000" } });
        } else {
            c.respond(200, file);
        }
    });
    server.route("/post", [&](const HttpTestRequest& req, auto& c) { c.pause(10); });

    struct Case {
        const char* name;
        bool resumable;
        int retries;
        std::string range;
    };
    const Case cases[] = {
        { "plain download retried", false, 1, "" },
        { "resumable download retried", true, 1, "bytes=400-" },
        { "resumable download out of retries", true, 0, "" },
        { "plain download out of retries", false, 0, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        calls = 0;
        std::string destination = temporaryFile(home, "dest"), partial = temporaryFile(home, "partial");
        size_t before = server.requests().size();
        auto r = get(server.url("/stall"));
        r->timeOutSeconds = 0.3;
        r->numberOfTimesToRetryOnTimeout = c.retries;
        r->downloadDestinationPath = destination;
        r->temporaryFileDownloadPath = partial;
        r->allowResumeForFileDownloads = c.resumable;
        auto outcome = run(r);
        EXPECT_EQ(server.requests().size(), before + 1 + static_cast<size_t>(c.retries));
        EXPECT_EQ(server.requests().back().header("Range"), c.range);
        EXPECT_EQ(outcome.starts, 1);
        if (c.retries) {
            EXPECT_EQ(outcome.endings, std::vector<std::string> { "finished" });
            EXPECT_TRUE(readFile(destination) == file);
        } else {
            EXPECT_EQ(outcome.endings, std::vector<std::string> { "failed" });
            EXPECT_EQ(errorCode(*r), HTTPRequestTimedOutErrorType);
            EXPECT_EQ(r->error()->localizedDescription, "The request timed out");
            EXPECT_FALSE(exists(destination));
            if (c.resumable)
                EXPECT_TRUE(readFile(partial) == file.substr(0, 400));
            else
                EXPECT_FALSE(exists(partial));
        }
        unlink(destination.c_str());
        unlink(partial.c_str());
    }

    // A body that went out is sent again whole by each retry.
    auto post = get(server.url("/post"));
    post->appendPostData(Data { 'o', 'n', 'c', 'e' });
    post->timeOutSeconds = 0.3;
    post->numberOfTimesToRetryOnTimeout = 2;
    EXPECT_EQ(run(post).starts, 1);
    EXPECT_EQ(errorCode(*post), HTTPRequestTimedOutErrorType);
    EXPECT_EQ(post->retryCount(), 2);
    auto posts = server.requestsFor("/post");
    ASSERT_EQ(posts.size(), 3u);
    for (const auto& sent : posts)
        EXPECT_EQ(sent.body, "once");
}

// Each way of failing has its own code and text.
TEST(RequestErrors, EachFailureHasItsOwnCode)
{
    HttpTestServer server;
    server.route("/silent", [](auto&, auto& c) { c.pause(10); });
    server.route("/loop", [](auto&, auto& c) { c.respond(302, "", { { "Location", "/loop" } }); });
    struct Case {
        const char* name;
        std::string url;
        long code;
        const char* text;
        std::function<void(HTTPRequest&)> whileRunning = {};
        // Long for the cancelled case, so that a slow machine cannot time it out first.
        double timeOut = 0.3;
    };
    const Case cases[] = {
        { "refused connection", "http://127.0.0.1:" + std::to_string(refusingPort()) + "/x",
            HTTPConnectionFailureErrorType, "A connection failure occurred" },
        { "silent server", server.url("/silent"), HTTPRequestTimedOutErrorType, "The request timed out" },
        { "cancelled", server.url("/silent"), HTTPRequestCancelledErrorType, "The request was cancelled",
            [&](HTTPRequest& r) {
                ASSERT_TRUE(server.waitForRequests(server.requests().size() + 1, 5));
                r.cancel();
            },
            30 },
        { "endless redirects", server.url("/loop"), HTTPTooMuchRedirectionErrorType,
            "The request failed because it redirected too many times" },
        { "an address without a host", "mailto:sales@example.com", HTTPUnableToCreateRequestErrorType,
            "Unable to create request (bad url?)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = get(c.url);
        r->timeOutSeconds = c.timeOut;
        auto outcome = run(r, c.whileRunning);
        EXPECT_EQ(errorCode(*r), c.code);
        ASSERT_TRUE(r->error());
        EXPECT_EQ(r->error()->localizedDescription, c.text);
        EXPECT_EQ(outcome.endings, std::vector<std::string> { "failed" });
    }
}

// A partial answer is taken as part of the file only when the request asked
// for a range; otherwise the partial file on disk is left out of it.
TEST(RequestResume, PartialContentCountsOnlyWhenARangeWasAsked)
{
    TemporaryHome home;
    const std::string file = lettersOfSize(1000);
    HttpTestServer server;
    server.route("/part", [&](const HttpTestRequest& req, auto& c) {
        c.respond(206, file.substr(400), { { "Content-Range", "bytes 400-999/1000" } });
    });
    for (bool allowResume : { true, false }) {
        SCOPED_TRACE(allowResume);
        std::string destination = temporaryFile(home, "dest"), partial = temporaryFile(home, "partial");
        std::ofstream(partial, std::ios::binary) << file.substr(0, 400);
        auto r = get(server.url("/part"));
        r->downloadDestinationPath = destination;
        r->temporaryFileDownloadPath = partial;
        r->allowResumeForFileDownloads = allowResume;
        run(r);
        EXPECT_EQ(server.requests().back().header("Range"), allowResume ? "bytes=400-" : "");
        EXPECT_TRUE(readFile(destination) == (allowResume ? file : file.substr(400)));
        unlink(destination.c_str());
        unlink(partial.c_str());
    }
}

// Only gzip (by any name containing it, in any case) is inflated; every other coding is
// handed over as it came, in memory and to a file.
TEST(RequestEncodings, OnlyGzipIsInflated)
{
    TemporaryHome home;
    const std::string text = "a body in plain words";
    HttpTestServer server;
    std::string coding;
    server.route("/coded", [&](auto&, auto& c) {
        bool gzip = NSString::lowercaseASCII(coding).find("gzip") != std::string::npos;
        c.respond(200, gzip ? HttpTestServer::gzip(text) : text, { { "Content-Encoding", coding } });
    });
    struct Case {
        const char* coding;
        bool inflated;
    };
    const Case cases[] = { { "gzip", true }, { "x-gzip", true }, { "GZIP", true }, { "X-Gzip", true },
        { "identity", false }, { "deflate", false }, { "br", false } };
    for (const auto& c : cases) {
        for (bool toFile : { false, true }) {
            SCOPED_TRACE(std::string(c.coding) + (toFile ? " to a file" : " in memory"));
            coding = c.coding;
            std::string destination = temporaryFile(home, "coded");
            auto r = get(server.url("/coded"));
            if (toFile)
                r->downloadDestinationPath = destination;
            run(r);
            EXPECT_EQ(errorCode(*r), 0);
            EXPECT_EQ(r->isResponseCompressed(), c.inflated);
            EXPECT_EQ(toFile ? readFile(destination) : bodyOf(*r), text);
            unlink(destination.c_str());
        }
    }
}

// A request waiting on its delegate to confirm a redirect has not answered
// yet: cancelled then, it fails and its operation ends.
TEST(RequestCancel, AWaitingRedirectFailsOnceWhenCancelled)
{
    class Confirmer : public HTTPRequestDelegate {
    public:
        bool respondsToSelector(HTTPSelector selector) const override
        {
            return selector == HTTPSelector::requestWillRedirectToURL;
        }
        void requestWillRedirectToURL(const std::shared_ptr<HTTPRequest>&, const CFURL& url) override
        {
            asked.push_back(url.absoluteString());
        }
        std::vector<std::string> asked;
    };
    HttpTestServer server;
    server.route("/moved", [](auto&, auto& c) { c.respond(302, "", { { "Location", "/there" } }); });
    server.route("/there", [](auto&, auto& c) { c.respond(200, "here"); });
    auto confirmer = std::make_shared<Confirmer>();
    auto r = get(server.url("/moved"));
    r->setDelegate(confirmer);
    auto outcome = run(r, [&](HTTPRequest& request) {
        ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !confirmer->asked.empty(); }, 10));
        request.cancel();
    });
    EXPECT_EQ(outcome.endings, std::vector<std::string> { "failed" });
    EXPECT_EQ(errorCode(*r), HTTPRequestCancelledErrorType);
    EXPECT_TRUE(pumpMainRunLoopUntil([&] { return r->isFinished(); }, 10));
    EXPECT_TRUE(server.requestsFor("/there").empty());
}
