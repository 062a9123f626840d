#include "HttpTestServer.h"
#include "RunLoopPump.h"
#include "ScriptedHttpServer.h"
#include "TemporaryHome.h"
#include "Network/HTTP/HTTPDataCompressor.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Platform/CFNetwork/CFHTTPAuthentication.h"
#include "Platform/CFNetwork/CFHTTPMessage.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSFileManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

namespace {

struct Outcome {
    std::shared_ptr<HTTPRequest> request;
    bool ended = false;
};

// Runs a request to its report on the main loop (bounded), the real path.
Outcome run(std::shared_ptr<HTTPRequest> request, double bound = 20)
{
    auto ended = std::make_shared<bool>(false);
    request->setCompletionBlock([ended] { *ended = true; });
    request->setFailedBlock([ended] { *ended = true; });
    request->startAsynchronous();
    pumpMainRunLoopUntil([ended] { return *ended; }, bound);
    return { request, *ended };
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

std::string head(const std::string& status, const std::string& headers = "")
{
    return "HTTP/1.1 " + status + "\r\n" + headers + "\r\n";
}

std::string chunk(const std::string& bytes)
{
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", bytes.size());
    return size + bytes + "\r\n";
}

std::string manyHeaders(size_t count)
{
    std::string h;
    for (size_t i = 0; i < count; ++i)
        h += "X" + std::to_string(i) + ": v\r\n";
    return h;
}

std::string readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string temporaryFile(const TemporaryHome& home, const std::string& name) { return home.scratch() + "/" + name; }

}  // namespace

// Every hostile answer ends the request with a clear error or the right
// data: no hang, no unbounded memory.
TEST(HostileServer, EveryAnswerEndsWithAClearErrorOrTheRightData)
{
    const std::string big(4 * 1024 * 1024, 'z');
    const std::string bomb = HttpTestServer::gzip(big);
    const std::string packed = HttpTestServer::gzip("hello gzip");
    struct Case {
        const char* name;
        Script script;
        long error;  // 0: success
        std::string body;  // expected on success
        std::function<void(HTTPRequest&)> setup = {};
    };
    const Case cases[] = {
        { "garbage status line", { ScriptStep::send("HELLO THERE\r\n\r\n") }, HTTPConnectionFailureErrorType, "" },
        { "head that never ends", { ScriptStep::send("HTTP/1.1 200 OK\r\n"), ScriptStep::sendForever("X-A: b\r\n") },
            HTTPConnectionFailureErrorType, "" },
        { "head past the limit with its end in the same write",
            { ScriptStep::send(
                head("200 OK", "X-Big: " + std::string(300 * 1024, 'a') + "\r\nContent-Length: 2\r\n") + "ok") },
            HTTPConnectionFailureErrorType, "" },
        { "twenty thousand header fields",
            { ScriptStep::send(head("200 OK", manyHeaders(20000) + "Content-Length: 2\r\n") + "ok") }, 0, "ok" },
        { "endless interim answers", { ScriptStep::sendForever("HTTP/1.1 100 Continue\r\n\r\n") },
            HTTPConnectionFailureErrorType, "" },
        { "extra bytes after the body",
            { ScriptStep::send(head("200 OK", "Content-Length: 5\r\n") + "hello\r\n"), ScriptStep::hold() }, 0,
            "hello" },
        { "extra bytes after the body in a later write",
            { ScriptStep::send(head("200 OK", "Content-Length: 5\r\n") + "hel"), ScriptStep::pause(0.05),
                ScriptStep::send("lo\r\n\r\n"), ScriptStep::hold() },
            0, "hello" },
        { "bad chunk size", { ScriptStep::send(head("200 OK", "Transfer-Encoding: chunked\r\n") + "zz\r\nab\r\n") },
            HTTPConnectionFailureErrorType, "" },
        { "chunks and a trailer",
            { ScriptStep::send(
                head("200 OK", "Transfer-Encoding: chunked\r\n") + chunk("ab") + chunk("cd") + "0\r\nX-T: 1\r\n\r\n") },
            0, "abcd" },
        { "endless trailer line",
            { ScriptStep::send(head("200 OK", "Transfer-Encoding: chunked\r\n") + chunk("ab") + "0\r\n"),
                ScriptStep::sendForever(std::string(4096, 'T')) },
            HTTPConnectionFailureErrorType, "" },
        { "gzip bomb",
            { ScriptStep::send(
                head("200 OK", "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(bomb.size()) + "\r\n")
                + bomb) },
            HTTPResponseTooLargeErrorType, "", [](HTTPRequest& r) { r.maximumDecodedResponseSize = 1024 * 1024; } },
        { "gzip bomb inflated on the fly",
            { ScriptStep::send(
                head("200 OK", "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(bomb.size()) + "\r\n")
                + bomb) },
            HTTPResponseTooLargeErrorType, "",
            [](HTTPRequest& r) {
                r.maximumDecodedResponseSize = 1024 * 1024;
                r.shouldWaitToInflateCompressedResponses = false;
            } },
        { "body without length that never ends",
            { ScriptStep::send(head("200 OK", "Connection: close\r\n")),
                ScriptStep::sendForever(std::string(65536, 'e')) },
            HTTPResponseTooLargeErrorType, "", [](HTTPRequest& r) { r.maximumDecodedResponseSize = 1024 * 1024; } },
        { "gzip cut short kept in memory",
            { ScriptStep::send(
                head(
                    "200 OK", "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(packed.size() - 6) + "\r\n")
                + packed.substr(0, packed.size() - 6)) },
            HTTPCompressionError, "" },
        { "two gzip members",
            { ScriptStep::send(
                head(
                    "200 OK", "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(2 * packed.size()) + "\r\n")
                + packed + packed) },
            0, "hello gziphello gzip" },
        { "deflate is passed on as it came",
            { ScriptStep::send(head("200 OK", "Content-Encoding: deflate\r\nContent-Length: 3\r\n") + "x\x9c\x03") }, 0,
            "x\x9c\x03" },
        { "challenge that starts with =",
            { ScriptStep::send(head("401 Unauthorized", "WWW-Authenticate: =x\r\nContent-Length: 0\r\n")) },
            HTTPInternalErrorWhileApplyingCredentialsType, "" },
        { "proxy challenge from a server that is no proxy",
            { ScriptStep::send(head("407 Proxy Authentication Required",
                                   "Proxy-Authenticate: Basic realm=\"p\"\r\nContent-Length: 4\r\n")
                + "deny") },
            0, "deny" },
        { "silent server", { ScriptStep::hold() }, HTTPRequestTimedOutErrorType, "",
            [](HTTPRequest& r) { r.timeOutSeconds = 0.3; } },
        { "slow head that stops half-way", { ScriptStep::send("HTTP/1.1 200 OK\r\nContent-"), ScriptStep::hold() },
            HTTPRequestTimedOutErrorType, "", [](HTTPRequest& r) { r.timeOutSeconds = 0.3; } },
        { "closed after the head", { ScriptStep::send(head("200 OK", "Content-Length: 10\r\n")), ScriptStep::close() },
            HTTPConnectionFailureErrorType, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server([&](const ScriptedRequest&) { return c.script; });
        auto request = get(server.url("/case"));
        if (c.setup)
            c.setup(*request);
        auto outcome = run(request);
        ASSERT_TRUE(outcome.ended);
        EXPECT_EQ(errorCode(*request), c.error);
        if (!c.error) {
            EXPECT_EQ(bodyOf(*request), c.body);
        }
    }
}

// Limits hold exactly at their value and fail one past it.
TEST(HostileServer, LimitsHoldAtTheirValueAndFailOnePast)
{
    // The head: 256 KB with its blank line.
    auto headOfSize = [](size_t total) {
        std::string start = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-Pad: ";
        return start + std::string(total - start.size() - 4, 'p') + "\r\n\r\n";
    };
    // Interim answers: eight before the real one.
    auto interims = [](int count) {
        std::string s;
        for (int i = 0; i < count; ++i)
            s += "HTTP/1.1 100 Continue\r\n\r\n";
        return s;
    };
    const std::string text(10000, 'd');
    const std::string packed = HttpTestServer::gzip(text);
    struct Case {
        const char* name;
        std::string answer;
        long error;
        unsigned long long limit = 256ULL * 1024 * 1024;
    };
    const Case cases[] = {
        { "head at the limit", headOfSize(256 * 1024) + "ok", 0 },
        { "head one past", headOfSize(256 * 1024 + 1) + "ok", HTTPConnectionFailureErrorType },
        { "eight interim answers", interims(8) + ScriptedHttpServer::response(200, "ok"), 0 },
        { "nine interim answers", interims(9) + ScriptedHttpServer::response(200, "ok"),
            HTTPConnectionFailureErrorType },
        { "body at the limit", ScriptedHttpServer::response(200, text), 0, text.size() },
        { "body one past", ScriptedHttpServer::response(200, text), HTTPResponseTooLargeErrorType, text.size() - 1 },
        { "inflated body at the limit", ScriptedHttpServer::response(200, packed, "Content-Encoding: gzip\r\n"), 0,
            text.size() },
        { "inflated body one past", ScriptedHttpServer::response(200, packed, "Content-Encoding: gzip\r\n"),
            HTTPResponseTooLargeErrorType, text.size() - 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server([&](const ScriptedRequest&) { return Script { ScriptStep::send(c.answer) }; });
        auto request = get(server.url("/limit"));
        request->maximumDecodedResponseSize = c.limit;
        ASSERT_TRUE(run(request).ended);
        EXPECT_EQ(errorCode(*request), c.error);
    }

    // Redirects: five are followed (six requests), the sixth fails without
    // a seventh request.
    for (int hops : { 5, 6 }) {
        SCOPED_TRACE(hops);
        ScriptedHttpServer server([&](const ScriptedRequest& r) {
            std::string line = r.requestLine();
            int n = std::atoi(line.c_str() + line.find("/r") + 2);
            if (n < hops)
                return Script { ScriptStep::send(
                    ScriptedHttpServer::response(302, "", "Location: /r" + std::to_string(n + 1) + "\r\n")) };
            return Script { ScriptStep::send(ScriptedHttpServer::response(200, "arrived")) };
        });
        auto request = get(server.url("/r0"));
        ASSERT_TRUE(run(request).ended);
        EXPECT_EQ(server.requests().size(), 6u);
        EXPECT_EQ(request->redirectCount(), hops);
        if (hops == 5) {
            EXPECT_EQ(bodyOf(*request), "arrived");
        } else {
            EXPECT_EQ(errorCode(*request), HTTPTooMuchRedirectionErrorType);
        }
    }
}

TEST(HostileServer, ChallengeParsingAlwaysMovesForward)
{
    using Parsed = std::vector<std::pair<std::string, std::map<std::string, std::string>>>;
    struct Case {
        const char* text;
        Parsed expected;
    };
    const Case cases[] = {
        { "=x", {} },
        { "==, =", {} },
        { "Basic realm=\"a\", =x", { { "basic", { { "realm", "a" } } } } },
        { "Digest nonce=\"n\", qop=auth, Basic",
            { { "digest", { { "nonce", "n" }, { "qop", "auth" } } }, { "basic", {} } } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFHTTPAuthentication::parseChallenges(c.text), c.expected) << c.text;
}

// A 407 from a configured proxy asks for proxy credentials; a challenge that
// cannot be answered fails clearly.
TEST(HostileServer, ProxyChallengeWithNothingUsableFailsClearly)
{
    ScriptedHttpServer proxy([](const ScriptedRequest&) {
        return Script { ScriptStep::send(
            head("407 Proxy Authentication Required", "Proxy-Authenticate: =x\r\nContent-Length: 0\r\n")) };
    });
    auto request = get("http://corvelle.invalid/via");
    request->proxyHost = "127.0.0.1";
    request->proxyPort = proxy.port();
    ASSERT_TRUE(run(request).ended);
    ASSERT_TRUE(request->error());
    EXPECT_EQ(request->error()->code, HTTPInternalErrorWhileApplyingCredentialsType);
    EXPECT_EQ(request->error()->localizedDescription, "Failed to get authentication object from response headers");
}

// Credentials go only to the server they were given for.
TEST(HostileServer, CredentialsDoNotFollowARedirectToAnotherServer)
{
    HTTPRequest::clearSession();
    HttpTestServer other;
    other.route(
        "/landing", [](const HttpTestRequest& r, auto& c) { c.respond(200, "auth=" + r.header("Authorization")); });
    HttpTestServer home;
    home.route("/same", [](const HttpTestRequest& r, auto& c) { c.respond(200, "auth=" + r.header("Authorization")); });
    for (int status : { 302, 307 }) {
        home.route("/away", [&, status](auto&, auto& c) {
            c.respond(status, "", { { "Location", other.url("/landing") } });
        });
        home.route("/stay", [&, status](auto&, auto& c) { c.respond(status, "", { { "Location", "/same" } }); });
        struct Case {
            const char* path;
            bool keeps;
        };
        for (const Case& k : { Case { "/away", false }, Case { "/stay", true } }) {
            SCOPED_TRACE(std::to_string(status) + k.path);
            HTTPRequest::clearSession();
            auto request = get(home.url(k.path));
            request->username = "alice";
            request->password = "secret";
            request->authenticationScheme = kCFHTTPAuthenticationSchemeBasic;
            request->useSessionPersistence = false;
            ASSERT_TRUE(run(request).ended);
            std::string expected
                = k.keeps ? "auth=Basic " + Hashing::base64Encode(std::string("alice:secret")) : "auth=";
            EXPECT_EQ(bodyOf(*request), expected);
        }
    }
}

// A resumed download appends only to a 206 that starts at the partial size.
TEST(HostileServer, ResumeAppendsOnlyWhereThePartialFileEnds)
{
    TemporaryHome home;
    const std::string file = [] {
        std::string f(5000, ' ');
        for (size_t i = 0; i < f.size(); ++i)
            f[i] = static_cast<char>('a' + i % 26);
        return f;
    }();
    struct Case {
        const char* name;
        size_t partial;
        std::function<std::string(const std::string& range)> answer;  // for a request with this Range ("" for none)
        size_t requests;
        bool completeAsItWas;
    };
    auto whole = [&](const std::string&) { return ScriptedHttpServer::response(200, file); };
    const Case cases[] = {
        { "206 from the partial size", 500,
            [&](const std::string& range) {
                return range.empty()
                    ? whole(range)
                    : ScriptedHttpServer::response(206, file.substr(500), "Content-Range: bytes 500-4999/5000\r\n");
            },
            1, false },
        { "206 from elsewhere", 500,
            [&](const std::string& range) {
                return range.empty()
                    ? whole(range)
                    : ScriptedHttpServer::response(206, file.substr(100), "Content-Range: bytes 100-4999/5000\r\n");
            },
            2, false },
        { "206 from the partial size that stops short of the end", 500,
            [&](const std::string& range) {
                return range.empty()
                    ? whole(range)
                    : ScriptedHttpServer::response(206, file.substr(500, 500), "Content-Range: bytes 500-999/5000\r\n");
            },
            2, false },
        { "206 of the whole file", 500,
            [&](const std::string& range) {
                return range.empty() ? whole(range)
                                     : ScriptedHttpServer::response(206, file, "Content-Range: bytes 0-4999/5000\r\n");
            },
            1, false },
        { "200 with a stray Content-Range", 500,
            [&](const std::string&) {
                return ScriptedHttpServer::response(200, file, "Content-Range: bytes 500-4999/5000\r\n");
            },
            1, false },
        { "416 naming the partial size", 5000,
            [&](const std::string& range) {
                return range.empty()
                    ? whole(range)
                    : ScriptedHttpServer::response(416, "<html>range</html>", "Content-Range: bytes */5000\r\n");
            },
            1, true },
        { "416 naming another size", 700,
            [&](const std::string& range) {
                return range.empty()
                    ? whole(range)
                    : ScriptedHttpServer::response(416, "<html>range</html>", "Content-Range: bytes */5000\r\n");
            },
            2, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttpServer server(
            [&](const ScriptedRequest& r) { return Script { ScriptStep::send(c.answer(r.header("Range"))) }; });
        std::string temp = temporaryFile(home, "partial"), destination = temporaryFile(home, "whole");
        std::ofstream(temp, std::ios::binary) << file.substr(0, c.partial);
        auto request = get(server.url("/file"));
        request->downloadDestinationPath = destination;
        request->temporaryFileDownloadPath = temp;
        request->allowResumeForFileDownloads = true;
        ASSERT_TRUE(run(request).ended);
        EXPECT_FALSE(request->error());
        EXPECT_TRUE(readFile(destination) == file);
        EXPECT_EQ(server.requests().size(), c.requests);
        EXPECT_EQ(server.requests().front().header("Range"), "bytes=" + std::to_string(c.partial) + "-");
        if (c.requests > 1) {
            EXPECT_EQ(server.requests().back().header("Range"), "");
        }
        EXPECT_EQ(request->partialDownloadWasComplete(), c.completeAsItWas);
        unlink(temp.c_str());
        unlink(destination.c_str());
    }
}

// A connection that drops after the request went out is tried again only when
// no body was sent: a body the server read may already have been acted on.
TEST(HostileServer, ADroppedConnectionResendsOnlyRequestsWithoutABody)
{
    struct Case {
        const char* name;
        bool withBody;
        Script firstAnswer;
        size_t requests;
        bool succeeds;
    };
    const Case cases[] = {
        { "body read whole, then closed", true, { ScriptStep::close() }, 1, false },
        { "body read whole, answer cut short", true,
            { ScriptStep::send(head("200 OK", "Content-Length: 100\r\n") + "partial"), ScriptStep::close() }, 1,
            false },
        { "no body, closed", false, { ScriptStep::close() }, 2, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> seen { 0 };
        ScriptedHttpServer server([&](const ScriptedRequest&) {
            return ++seen == 1 ? c.firstAnswer
                               : Script { ScriptStep::send(ScriptedHttpServer::response(200, "taken")) };
        });
        auto request = get(server.url("/order"));
        if (c.withBody) {
            request->setRequestMethod("POST");
            const std::string order = R"({"order_number":"sales01_1"})";
            request->appendPostData(Data(order.begin(), order.end()));
        }
        auto outcome = run(request);
        ASSERT_TRUE(outcome.ended);
        ASSERT_EQ(server.requests().size(), c.requests);
        if (c.withBody) {
            EXPECT_EQ(server.requests().front().body, R"({"order_number":"sales01_1"})");
        }
        if (c.succeeds) {
            EXPECT_FALSE(request->error());
            EXPECT_EQ(bodyOf(*request), "taken");
        } else {
            EXPECT_EQ(errorCode(*request), HTTPConnectionFailureErrorType);
        }
    }
}

// A server that keeps answering with a part that does not continue the file
// fails the download rather than have the partial file pass for the whole one.
TEST(HostileServer, AResumeAnsweredWithTheWrongPartTwiceFailsAndDeliversNothing)
{
    TemporaryHome home;
    const std::string file(5000, 'f');
    std::atomic<int> wholeAnswers { 0 };
    ScriptedHttpServer server([&](const ScriptedRequest& r) {
        if (!r.header("Range").empty())
            return Script { ScriptStep::send(
                ScriptedHttpServer::response(206, file.substr(1000), "Content-Range: bytes 1000-4999/5000\r\n")) };
        // The fresh start is cut after 300 bytes; the engine resumes it from there.
        if (++wholeAnswers == 1)
            return Script { ScriptStep::send(head("200 OK", "Content-Length: 5000\r\n") + file.substr(0, 300)),
                ScriptStep::close() };
        return Script { ScriptStep::send(ScriptedHttpServer::response(200, file)) };
    });
    std::string temp = temporaryFile(home, "partial"), destination = temporaryFile(home, "whole");
    std::ofstream(temp, std::ios::binary) << file.substr(0, 500);
    auto request = get(server.url("/file"));
    request->downloadDestinationPath = destination;
    request->temporaryFileDownloadPath = temp;
    request->allowResumeForFileDownloads = true;
    ASSERT_TRUE(run(request).ended);
    ASSERT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.requests()[0].header("Range"), "bytes=500-");
    EXPECT_EQ(server.requests()[1].header("Range"), "");
    EXPECT_EQ(server.requests()[2].header("Range"), "bytes=300-");
    EXPECT_EQ(errorCode(*request), HTTPConnectionFailureErrorType);
    EXPECT_FALSE(NSFileManager::defaultManager().fileExistsAtPath(destination));
}

namespace {

// The resident memory the process has ever held, in bytes.
long peakResidentBytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

// Current resident memory, in bytes.
long residentBytes()
{
    std::ifstream status("/proc/self/statm");
    long pages = 0, resident = 0;
    status >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// A gzip body of `size` zero bytes, made a piece at a time.
std::string gzipOfZeros(size_t size)
{
    z_stream z {};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> zeros(1024 * 1024, 0);
    std::string out;
    std::vector<uint8_t> buffer(256 * 1024);
    for (size_t left = size;;) {
        size_t piece = std::min(left, zeros.size());
        left -= piece;
        z.next_in = zeros.data();
        z.avail_in = static_cast<uInt>(piece);
        int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int status;
        do {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            status = deflate(&z, flush);
            out.append(reinterpret_cast<char*>(buffer.data()), buffer.size() - z.avail_out);
        } while (z.avail_out == 0);
        if (left == 0 && status == Z_STREAM_END)
            break;
    }
    deflateEnd(&z);
    return out;
}

}  // namespace

// A small body that inflates to a gibibyte fails at the decoded-size limit
// having held not much more than the limit, whether it is inflated once it
// has all come or as it arrives: each in a process of its own, so that no
// earlier test's peak hides this one's.
TEST(HostileServerDeathTest, ReplyBombPeaksNearTheDecodedLimit)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the thread checker's shadow memory grows with every byte touched: no figure to judge";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* name;
        bool inflateOnceEnded;
    };
    const Case cases[] = { { "inflated once ended", true }, { "inflated as it arrives", false } };
    for (const auto& c : cases) {
        EXPECT_EXIT(
            {
                const std::string bomb = gzipOfZeros(1024UL * 1024 * 1024);
                ScriptedHttpServer server([&](const ScriptedRequest&) {
                    return Script { ScriptStep::send(
                        head("200 OK",
                            "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(bomb.size()) + "\r\n")
                        + bomb) };
                });
                auto request = get(server.url("/bomb"));
                request->shouldWaitToInflateCompressedResponses = c.inflateOnceEnded;
                const long limit = static_cast<long>(request->maximumDecodedResponseSize);
                const long before = std::max(residentBytes(), peakResidentBytes());
                run(request, 120);
                const long grown = peakResidentBytes() - before;
                std::fprintf(stderr, "%s: bomb of %zu bytes: error %ld, peak grew by %ld MB for a limit of %ld MB\n",
                    c.name, bomb.size(), errorCode(*request), grown >> 20, limit >> 20);
                std::exit(errorCode(*request) == HTTPResponseTooLargeErrorType && grown < limit + limit / 4 ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "peak grew by")
            << c.name;
    }
}
