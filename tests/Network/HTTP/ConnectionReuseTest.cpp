#include "ClockFixture.h"
#include "RunLoopPump.h"
#include "ScriptedHttpServer.h"
#include "Network/HTTP/FormDataRequest.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Platform/CFNetwork/CFHostResolver.h"
#include "Platform/Foundation/NSThread.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Starts the request; the flag is set when it has finished or failed.
std::shared_ptr<bool> startWatched(const std::shared_ptr<HTTPRequest>& request)
{
    auto ended = std::make_shared<bool>(false);
    request->setCompletionBlock([ended] { *ended = true; });
    request->setFailedBlock([ended] { *ended = true; });
    request->startAsynchronous();
    return ended;
}

std::shared_ptr<HTTPRequest> runRequest(std::shared_ptr<HTTPRequest> request)
{
    auto ended = startWatched(request);
    EXPECT_TRUE(pumpMainRunLoopUntil([ended] { return *ended; }, 20));
    return request;
}

std::shared_ptr<HTTPRequest> get(const ScriptedHttpServer& server, const std::string& path)
{
    return HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url(path)));
}

std::string bodyOf(const HTTPRequest& r)
{
    auto d = r.responseData();
    return d ? std::string(d->begin(), d->end()) : "";
}

// Drains the main loop until `condition` holds, in real time and without
// moving a manual clock.
bool waitWithoutMovingTime(const std::function<bool()>& condition, double seconds = 10)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        drainMainRunLoop();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

TEST(ConnectionReuse, KeptAliveAnswersShareOneConnectionUnlessTheServerSaysOtherwise)
{
    struct Case {
        const char* name;
        std::string answer;
        int connections;  // for three requests in a row
    };
    const Case cases[] = {
        { "HTTP/1.1 without headers", ScriptedHttpServer::response(200, "ok"), 1 },
        { "a time-out without max", ScriptedHttpServer::response(200, "ok", "Keep-Alive: timeout=30\r\n"), 1 },
        { "a max above five", ScriptedHttpServer::response(200, "ok", "Keep-Alive: timeout=30, max=100\r\n"), 1 },
        { "a max of five", ScriptedHttpServer::response(200, "ok", "Keep-Alive: timeout=30, max=5\r\n"), 3 },
        { "Connection: close", ScriptedHttpServer::response(200, "ok", "", true), 3 },
        { "HTTP/1.0 without keep-alive", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", 3 },
        { "HTTP/1.0 with keep-alive", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\nConnection: keep-alive\r\n\r\nok", 1 },
        { "a chunked body", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", 1 },
        { "bytes after the body", ScriptedHttpServer::response(200, "ok") + "\r\n", 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Each answer differs, so that one exchange's bytes showing up in the
        // next on a kept connection would be seen.
        std::atomic<int> answered { 0 };
        ScriptedHttpServer server([&](const ScriptedRequest&) {
            std::string answer = c.answer;
            answer.replace(answer.rfind("ok"), 2, "k" + std::to_string(answered++));
            return Script { ScriptStep::send(answer) };
        });
        std::optional<long> firstId;
        for (int i = 0; i < 3; ++i) {
            auto request = runRequest(get(server, "/same"));
            EXPECT_FALSE(request->error());
            EXPECT_EQ(bodyOf(*request), "k" + std::to_string(i));
            if (i == 0) {
                firstId = request->connectionID();
            } else if (c.connections == 1) {
                EXPECT_EQ(request->connectionID(), firstId);
            }
        }
        EXPECT_EQ(server.connectionCount(), c.connections);
        EXPECT_EQ(server.requests().size(), 3u);
    }
}

TEST(ConnectionReuse, ExpiredClosedAndBodyCarryingRequestsUseNewConnections)
{
    ScriptedHttpServer server([](const ScriptedRequest& r) {
        return Script { ScriptStep::send(ScriptedHttpServer::response(200, r.body.empty() ? "ok" : r.body)) };
    });
    // Kept for no time: the next request finds it expired.
    for (int i = 0; i < 2; ++i) {
        auto request = get(server, "/expired");
        request->persistentConnectionTimeoutSeconds = 0;
        runRequest(request);
    }
    EXPECT_EQ(server.connectionCount(), 2);

    // A POST never reuses a connection.
    for (int i = 0; i < 2; ++i) {
        auto post = FormDataRequest::requestWithURL(*CFURL::URLWithString(server.url("/post")));
        post->addPostValueForKey("v", "k");
        EXPECT_EQ(bodyOf(*runRequest(post)), "k=v");
    }
    EXPECT_EQ(server.connectionCount(), 4);

    // The server closes a connection it kept: the next request opens another
    // and still gets its answer.
    ScriptedHttpServer closing([](const ScriptedRequest&) {
        return Script { ScriptStep::send(ScriptedHttpServer::response(200, "ok")), ScriptStep::close() };
    });
    auto first = runRequest(get(closing, "/a"));
    ASSERT_TRUE(waitWithoutMovingTime([&] { return closing.requests().size() == 1; }));
    auto second = runRequest(get(closing, "/b"));
    EXPECT_EQ(bodyOf(*second), "ok");
    EXPECT_FALSE(second->error());
    EXPECT_EQ(closing.connectionCount(), 2);
}

TEST(ConnectionReuse, RequestsRunningTogetherNeverShareAConnection)
{
    std::atomic<int> inFlight { 0 }, overlaps { 0 };
    std::mutex lock;
    std::map<int, int> busy;  // connection -> requests on it now
    ScriptedHttpServer server([&](const ScriptedRequest& r) {
        {
            std::lock_guard guard(lock);
            if (++busy[r.connection] > 1)
                ++overlaps;
        }
        ++inFlight;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        {
            std::lock_guard guard(lock);
            --busy[r.connection];
        }
        return Script { ScriptStep::send(ScriptedHttpServer::response(200, "ok")) };
    });
    std::vector<std::shared_ptr<HTTPRequest>> requests;
    auto finished = std::make_shared<int>(0);
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 4; ++i) {
            auto r = get(server, "/together");
            r->setCompletionBlock([finished] { ++*finished; });
            r->setFailedBlock([finished] { ++*finished; });
            requests.push_back(r);
            r->startAsynchronous();
        }
    }
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return *finished == 12; }, 20));
    for (auto& r : requests)
        EXPECT_EQ(bodyOf(*r), "ok");
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_LE(server.connectionCount(), 4);  // the shared queue runs four at a time
    EXPECT_EQ(inFlight.load(), 12);
}

// A silent server fails a message whose body went out in one write just
// after the time-out, not after one and a half times it.
TEST(RequestTimeOut, BodySentWholeWaitsOnlyTheTimeOut)
{
    ScriptedHttpServer server([](const ScriptedRequest&) { return Script { ScriptStep::hold() }; });
    ScopedManualClock clock;
    auto post = FormDataRequest::requestWithURL(*CFURL::URLWithString(server.url("/silent")));
    post->addPostValueForKey("value", "key");
    post->timeOutSeconds = 10;
    auto ended = std::make_shared<bool>(false);
    post->setFailedBlock([ended] { *ended = true; });
    post->startAsynchronous();
    ASSERT_TRUE(waitWithoutMovingTime([&] { return server.requests().size() == 1; }));
    // Let the status timer see the body go out.
    for (int i = 0; i < 4; ++i) {
        advanceClock(0.25);
        ASSERT_TRUE(waitWithoutMovingTime([&] { return post->totalBytesSent() == post->postLength(); }, 2) || i < 3);
    }
    ASSERT_EQ(post->totalBytesSent(), post->postLength());
    // The last activity was the first tick that saw the body out, a quarter
    // second in: at 9.5 s it is 9.25 s ago, within the time-out.
    advanceClock(8.5);
    EXPECT_FALSE(*ended);
    for (int i = 0; i < 6 && !*ended; ++i) {
        advanceClock(0.25);
        waitWithoutMovingTime([&] { return *ended; }, 1);
    }
    ASSERT_TRUE(*ended);
    ASSERT_TRUE(post->error());
    EXPECT_EQ(post->error()->code, HTTPRequestTimedOutErrorType);
    EXPECT_EQ(post->error()->localizedDescription, "The request timed out");
}

TEST(HostLookup, OneLookupServesAHostForAShortTime)
{
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    ScopedManualClock clock;
    CFHostResolver::flush();
    auto first = CFHostResolver::lookup(name, 80);
    auto again = CFHostResolver::lookup(name, 80);
    EXPECT_EQ(first, again);  // under way or done, the same lookup
    ASSERT_TRUE(waitWithoutMovingTime([&] {
        std::lock_guard guard(first->lock);
        return first->done;
    }));
    {
        std::lock_guard guard(first->lock);
        if (first->error)
            GTEST_SKIP() << "this machine cannot look up its own name";
    }
    clock->advance(CFHostResolver::cacheSeconds - 1);
    EXPECT_EQ(CFHostResolver::lookup(name, 80), first);
    clock->advance(2);
    EXPECT_NE(CFHostResolver::lookup(name, 80), first);
    EXPECT_TRUE(CFHostResolver::numericAddress("127.0.0.1", 80));
    EXPECT_TRUE(CFHostResolver::numericAddress("[::1]", 80));
    EXPECT_FALSE(CFHostResolver::numericAddress("example.invalid", 80));
}

// Throttling paused the streams until a wake-up time; once it is turned off,
// a request that starts before that time goes out at once instead of waiting
// for a status check to notice.
TEST(Throttling, ARequestStartedAfterThrottlingEndsIsNotHeldBack)
{
    ScriptedHttpServer server([](const ScriptedRequest& r) {
        bool big = r.requestLine().find(" /big ") != std::string::npos;
        return Script { ScriptStep::send(ScriptedHttpServer::response(200, big ? std::string(5000, 'b') : "ok")) };
    });
    // Bandwidth is counted per one-second period across all requests, and a
    // manual clock starts at the same time in every test: each run of this one
    // starts well after any period or pause an earlier run left.
    static int runs = 0;
    ScopedManualClock clock;
    clock->advance(1000.0 * ++runs);
    struct Unthrottle {
        ~Unthrottle() { HTTPRequest::setMaxBandwidthPerSecond(0); }
    } unthrottle;
    HTTPRequest::setMaxBandwidthPerSecond(1000);
    auto big = get(server, "/big");
    auto bigEnded = startWatched(big);
    // The period's allowance runs out while the clock stands still: its
    // stream is paused until a moment that lies ahead.
    ASSERT_TRUE(waitWithoutMovingTime([&] { return big->totalBytesRead() > 1000; }));
    EXPECT_FALSE(*bigEnded);

    HTTPRequest::setMaxBandwidthPerSecond(0);
    auto small = get(server, "/small");
    auto smallEnded = startWatched(small);
    ASSERT_TRUE(waitWithoutMovingTime([&] { return *smallEnded; }));
    EXPECT_EQ(bodyOf(*small), "ok");

    // The paused one goes on at its next status check.
    for (int i = 0; i < 8 && !*bigEnded; ++i) {
        advanceClock(0.25);
        waitWithoutMovingTime([&] { return *bigEnded; }, 1);
    }
    ASSERT_TRUE(*bigEnded);
    EXPECT_EQ(bodyOf(*big).size(), 5000u);
}

// A request's reports wait on the network thread until it has nothing else to
// do, so that one wake-up of the main thread carries many. A network thread
// that never runs out of work still sends them on within moments.
TEST(MainThreadReports, ReachTheMainThreadWhileTheNetworkThreadStaysBusy)
{
    ScriptedHttpServer server(
        [](const ScriptedRequest&) { return Script { ScriptStep::send(ScriptedHttpServer::response(200, "ok")) }; });
    // Keeps the network thread turning, a millisecond of work a turn, until told to stop.
    struct Busy {
        std::shared_ptr<NSThread> thread = HTTPRequest::threadForRequest(nullptr);
        std::atomic<bool> stop = false;
        std::atomic<int> turns = 0;
        static void spin(const std::shared_ptr<Busy>& self)
        {
            auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
            while (std::chrono::steady_clock::now() < until) { }
            ++self->turns;
            if (!self->stop)
                self->thread->performBlock([self] { spin(self); }, false);
        }
    };
    auto busy = std::make_shared<Busy>();
    busy->thread->performBlock([busy] { Busy::spin(busy); }, false);
    struct Stop {
        std::shared_ptr<Busy> busy;
        ~Stop() { busy->stop = true; }
    } stop { busy };
    ASSERT_TRUE(waitWithoutMovingTime([&] { return busy->turns > 0; }));

    auto request = runRequest(get(server, "/ok"));
    EXPECT_EQ(bodyOf(*request), "ok");
}

namespace {

// The kernel's count of connection attempts a full listening queue turned away.
long listenOverflows()
{
    std::ifstream netstat("/proc/net/netstat");
    std::string names, values;
    while (std::getline(netstat, names) && std::getline(netstat, values)) {
        if (names.rfind("TcpExt:", 0) != 0)
            continue;
        std::istringstream n(names), v(values);
        std::string name, value;
        while (n >> name && v >> value) {
            if (name == "ListenOverflows")
                return std::stol(value);
        }
    }
    return -1;
}

}  // namespace

// The head is written as soon as connect returns, which on this machine has
// mostly made the connection. A connection still under way takes it once made.
TEST(ConnectionSetup, TheHeadWaitsForAConnectionStillUnderWay)
{
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    // A queue of one, kept full: the request's opening goes unanswered (and is
    // sent again a second later) until there is room.
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    long overflowsBefore = listenOverflows();

    auto request = HTTPRequest::requestWithURL(
        *CFURL::URLWithString("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/late"));
    auto ended = startWatched(request);
    // Once turned away (a kernel that queues it anyway makes the connection at
    // once, which must work too), the queue makes room and the server answers.
    waitWithoutMovingTime([&] { return listenOverflows() > overflowsBefore; }, 3);
    std::string asked;
    std::thread server([&] {
        ::close(::accept(listener, nullptr, nullptr));
        int connection = ::accept(listener, nullptr, nullptr);
        char buffer[4096];
        ssize_t n;
        while (asked.find("\r\n\r\n") == std::string::npos && (n = ::recv(connection, buffer, sizeof buffer, 0)) > 0)
            asked.append(buffer, static_cast<size_t>(n));
        const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\nlate";
        [[maybe_unused]] auto sent = ::send(connection, answer.data(), answer.size(), MSG_NOSIGNAL);
        ::close(connection);
    });
    EXPECT_TRUE(pumpMainRunLoopUntil([ended] { return *ended; }, 20));
    server.join();
    ::close(filler);
    ::close(listener);
    EXPECT_FALSE(request->error());
    EXPECT_EQ(bodyOf(*request), "late");
    EXPECT_EQ(asked.rfind("GET /late HTTP/1.1\r\n", 0), 0u) << asked;
}
