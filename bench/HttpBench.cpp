// The HTTP engine against the loopback server: a 256 MB download into a file,
// beside the command-line curl fetching the same body into a file in the same
// run; and 2,000 small JSON POSTs through a request queue three wide.

#include "HttpTestServer.h"
#include "RunLoopPump.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Network/HTTP/NetworkQueue.h"
#include "Platform/Foundation/Clock.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kDownloadBytes = 256u * 1024 * 1024;
constexpr int kPosts = 2000;

HttpTestServer& server()
{
    static HttpTestServer* s = [] {
        auto* s = new HttpTestServer;
        s->route("/big", [](auto&, auto& c) {
            static const std::string block(1024 * 1024, 'x');
            c.respondHead(200, { { "Content-Length", std::to_string(kDownloadBytes) },
                                 { "Content-Type", "application/octet-stream" } });
            for (size_t sent = 0; sent < kDownloadBytes; sent += block.size())
                if (!c.write(block))
                    return;
        });
        s->route("/message", [](const HttpTestRequest& req, auto& c) {
            c.respond(200, req.body, { { "Content-Type", "application/json; charset=utf-8" } });
        });
        return s;
    }();
    return *s;
}

std::string scratchFile(const char* name)
{
    return "/tmp/corvelle-bench-" + std::to_string(getpid()) + "-" + name;
}

uint64_t fileSize(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

double engineDownload(const std::string& destination)
{
    auto request = HTTPRequest::requestWithURL(*CFURL::URLWithString(server().url("/big")));
    request->downloadDestinationPath = destination;
    request->timeOutSeconds = 60;
    bool done = false;
    request->setCompletionBlock([&] { done = true; });
    request->setFailedBlock([&] { done = true; });
    double began = Clock::now();
    request->startAsynchronous();
    pumpMainRunLoopUntil([&] { return done; }, 300);
    double took = Clock::now() - began;
    return request->error() || fileSize(destination) != kDownloadBytes ? -1 : took;
}

double curlDownload(const std::string& destination)
{
    std::string command = "curl -s -o '" + destination + "' '" + server().url("/big") + "'";
    double began = Clock::now();
    int rc = std::system(command.c_str());
    double took = Clock::now() - began;
    return rc != 0 || fileSize(destination) != kDownloadBytes ? -1 : took;
}

void DownloadIntoFileBesideCurl(benchmark::State& state)
{
    std::string ours = scratchFile("engine"), theirs = scratchFile("curl");
    double engineSeconds = 0, curlSeconds = 0;
    for (auto _ : state) {
        double e = engineDownload(ours);
        double c = curlDownload(theirs);
        if (e < 0 || c < 0) {
            state.SkipWithError("a download failed");
            break;
        }
        engineSeconds += e;
        curlSeconds += c;
        state.SetIterationTime(e);
    }
    unlink(ours.c_str());
    unlink(theirs.c_str());
    double megabytes = static_cast<double>(kDownloadBytes) / (1024.0 * 1024.0) * static_cast<double>(state.iterations());
    if (engineSeconds > 0 && curlSeconds > 0) {
        state.counters["engine_MB_per_s"] = megabytes / engineSeconds;
        state.counters["curl_MB_per_s"] = megabytes / curlSeconds;
        state.counters["engine_to_curl"] = curlSeconds / engineSeconds;
    }
}

void SmallPostsThroughQueueOfThree(benchmark::State& state)
{
    std::string json = "{\"head\":{\"command\":\"1001\",\"session\":\"abc\"},\"body\":\"";
    json += std::string(2048 - json.size() - 2, 'j');
    json += "\"}";
    Data body(json.begin(), json.end());
    for (auto _ : state) {
        auto queue = NetworkQueue::queue();
        queue->setMaxConcurrentOperationCount(3);
        int finished = 0, failed = 0;
        bool queueDone = false;
        queue->requestDidFinishSelector = [&](auto&) { ++finished; };
        queue->requestDidFailSelector = [&](auto&) { ++failed; };
        queue->queueDidFinishSelector = [&](auto&) { queueDone = true; };
        double began = Clock::now();
        for (int i = 0; i < kPosts; ++i) {
            auto request = HTTPRequest::requestWithURL(*CFURL::URLWithString(server().url("/message")));
            request->appendPostData(body);
            request->addRequestHeader("Content-Type", "application/json");
            queue->addOperation(request);
        }
        queue->go();
        pumpMainRunLoopUntil([&] { return queueDone; }, 300);
        state.SetIterationTime(Clock::now() - began);
        if (failed || finished != kPosts) {
            state.SkipWithError("a request failed");
            break;
        }
    }
    state.counters["requests_per_s"] =
        benchmark::Counter(static_cast<double>(kPosts) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["us_per_request"] = benchmark::Counter(
        static_cast<double>(kPosts) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(DownloadIntoFileBesideCurl)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SmallPostsThroughQueueOfThree)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
