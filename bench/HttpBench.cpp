// The HTTP engine beside its floors, in rounds of the same run:
// - a 256 MB download into a fresh file, taking turns with a plain loop that
//   reads the socket and writes the file (the floor), and beside libcurl in
//   this process;
// - 2,000 small JSON POSTs, beside libcurl on the same keep-alive server,
//   counted as CPU time of this process per request; the engine's as the
//   application sends them (a connection each) and on kept connections,
//   libcurl's on its kept connection and with a connection per request. The
//   engine's network thread is also reported apart from its main thread.
// The servers run in a child process on processors of their own, so this
// process's CPU time is the client's alone. Each benchmark reports the
// minimum and the median of its rounds and the ratios to the floors.

#include "HttpTestServer.h"
#include "RunLoopPump.h"
#include "ScriptedHttpServer.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Network/HTTP/NetworkQueue.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSRunLoop.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kDownloadBytes = 256u * 1024 * 1024;
constexpr int kPosts = 2000;
constexpr int kRounds = 8;
// Downloads are short and swing with the machine's other work: more rounds
// for their median.
constexpr int kDownloadRounds = 10;

struct Servers {
    int downloadPort = 0;  // one request per connection
    int postPort = 0;      // keeps connections open
};

// Keeps the calling thread, and the threads it starts, to one half of the
// processors this process may use: the upper half for the servers, the lower
// for the client. A real server runs on another machine; on one machine a
// client that now and then shares a processor with its server skips the
// cross-processor wake-ups that it pays otherwise, and its CPU per request
// then swings with where the scheduler happens to put the two.
void keepToHalfOfTheProcessors(bool upper)
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) < 2)
        return;
    const int half = CPU_COUNT(&allowed) / 2;
    cpu_set_t mine;
    CPU_ZERO(&mine);
    for (int cpu = 0, seen = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed))
            continue;
        if ((seen++ >= half) == upper)
            CPU_SET(cpu, &mine);
    }
    sched_setaffinity(0, sizeof mine, &mine);
}

// Starts the servers in a child that lives until this process ends. Called
// before the engine's network thread starts, which then shares the client's
// processors.
const Servers& servers()
{
    static Servers ports = [] {
        int report[2], lifeline[2];
        if (pipe(report) != 0 || pipe(lifeline) != 0)
            std::abort();
        pid_t child = fork();
        if (child == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            keepToHalfOfTheProcessors(true);
            close(report[0]);
            close(lifeline[1]);
            HttpTestServer download;
            download.route("/big", [](auto&, auto& c) {
                static const std::string block(1024 * 1024, 'x');
                c.respondHead(200, { { "Content-Length", std::to_string(kDownloadBytes) },
                                     { "Content-Type", "application/octet-stream" } });
                for (size_t sent = 0; sent < kDownloadBytes; sent += block.size())
                    if (!c.write(block))
                        return;
            });
            ScriptedHttpServer posts([](const ScriptedRequest& r) {
                return Script { ScriptStep::send(ScriptedHttpServer::response(
                    200, r.body, "Content-Type: application/json; charset=utf-8\r\n")) };
            });
            Servers mine { download.port(), posts.port() };
            if (write(report[1], &mine, sizeof mine) != sizeof mine)
                _exit(1);
            char byte;
            while (read(lifeline[0], &byte, 1) > 0) {
            }
            _exit(0);
        }
        keepToHalfOfTheProcessors(false);
        close(report[1]);
        close(lifeline[0]);  // the write end stays open until this process ends
        Servers theirs;
        if (read(report[0], &theirs, sizeof theirs) != sizeof theirs)
            std::abort();
        close(report[0]);
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return theirs;
    }();
    return ports;
}

std::string url(int port, const char* path)
{
    return "http://127.0.0.1:" + std::to_string(port) + path;
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

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds of the calling thread.
double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double minimum(std::vector<double> v) { return *std::min_element(v.begin(), v.end()); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The main loop waits as the application's does: on its inputs, woken by
// what the network thread hands it, rather than the test pump's short sleeps.
struct MainLoopAsInTheApp {
    RunLoopSourceRef keepAlive = NSRunLoop::mainRunLoop()->addSource(
        {}, { NSDefaultRunLoopMode, UITrackingRunLoopMode });
    ~MainLoopAsInTheApp() { NSRunLoop::mainRunLoop()->removeSource(keepAlive); }
};

// Each timing is seconds, negative when the download went wrong.
double engineDownload(const std::string& destination)
{
    unlink(destination.c_str());
    auto request = HTTPRequest::requestWithURL(*CFURL::URLWithString(url(servers().downloadPort, "/big")));
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

size_t writeToFile(char* bytes, size_t size, size_t count, void* file)
{
    return fwrite(bytes, size, count, static_cast<FILE*>(file));
}

double curlDownload(const std::string& destination)
{
    unlink(destination.c_str());
    FILE* file = fopen(destination.c_str(), "wb");
    CURL* curl = curl_easy_init();
    std::string address = url(servers().downloadPort, "/big");
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
    double began = Clock::now();
    CURLcode rc = curl_easy_perform(curl);
    fclose(file);
    double took = Clock::now() - began;
    curl_easy_cleanup(curl);
    return rc != CURLE_OK || fileSize(destination) != kDownloadBytes ? -1 : took;
}

// The floor: one request written by hand, the socket read into one buffer and
// every byte after the head written to the file.
double plainDownload(const std::string& destination)
{
    unlink(destination.c_str());
    double began = Clock::now();
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(servers().downloadPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    const char request[] = "GET /big HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    if (send(fd, request, sizeof request - 1, 0) != static_cast<ssize_t>(sizeof request - 1)) {
        close(fd);
        return -1;
    }
    int out = open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    auto buffer = std::make_unique_for_overwrite<char[]>(256 * 1024);
    std::string head;
    bool inBody = false;
    ssize_t n;
    while ((n = recv(fd, buffer.get(), 256 * 1024, 0)) > 0) {
        const char* bytes = buffer.get();
        size_t length = static_cast<size_t>(n);
        if (!inBody) {
            head.append(bytes, length);
            size_t end = head.find("\r\n\r\n");
            if (end == std::string::npos)
                continue;
            inBody = true;
            if (write(out, head.data() + end + 4, head.size() - end - 4) < 0)
                break;
            continue;
        }
        if (write(out, bytes, length) != n)
            break;
    }
    close(out);
    close(fd);
    double took = Clock::now() - began;
    return fileSize(destination) != kDownloadBytes ? -1 : took;
}

void DownloadBesideCurlAndPlainLoop(benchmark::State& state)
{
    servers();
    const std::string file = scratchFile("download");
    std::vector<double> engine, curl, plain;
    MainLoopAsInTheApp mainLoop;
    auto failed = [&] {
        state.SkipWithError("a download failed");
        unlink(file.c_str());
    };
    for (auto _ : state) {
        // What runs just before a download changes its time by several per
        // cent: the engine and the floor take turns going first, in pairs of
        // their own, and libcurl's rounds come after them.
        for (int round = 0; round < kDownloadRounds; ++round) {
            double e, p;
            if (round % 2) {
                p = plainDownload(file);
                e = engineDownload(file);
            } else {
                e = engineDownload(file);
                p = plainDownload(file);
            }
            if (e < 0 || p < 0)
                return failed();
            engine.push_back(e);
            plain.push_back(p);
        }
        for (int round = 0; round < kDownloadRounds; ++round) {
            double c = curlDownload(file);
            if (c < 0)
                return failed();
            curl.push_back(c);
        }
        state.SetIterationTime(median(engine));
    }
    unlink(file.c_str());
    const double megabytes = static_cast<double>(kDownloadBytes) / (1024.0 * 1024.0);
    state.counters["engine_min_ms"] = minimum(engine) * 1e3;
    state.counters["engine_median_ms"] = median(engine) * 1e3;
    state.counters["curl_min_ms"] = minimum(curl) * 1e3;
    state.counters["curl_median_ms"] = median(curl) * 1e3;
    state.counters["plain_min_ms"] = minimum(plain) * 1e3;
    state.counters["plain_median_ms"] = median(plain) * 1e3;
    state.counters["engine_MB_per_s"] = megabytes / median(engine);
    // Speed relative to the floor and to libcurl (1 is as fast; above is faster).
    state.counters["engine_to_plain_median"] = median(plain) / median(engine);
    state.counters["engine_to_curl_median"] = median(curl) / median(engine);
    state.counters["engine_to_plain_min"] = minimum(plain) / minimum(engine);
}

std::string postBody()
{
    std::string json = "{\"head\":{\"command\":\"1001\",\"session\":\"abc\"},\"body\":\"";
    json += std::string(2048 - json.size() - 2, 'j');
    json += "\"}";
    return json;
}

struct EngineCost {
    double total = -1;  // CPU seconds of this process per request; negative when one failed
    double mainThread = 0;  // of which the main thread's: the requests' making and their callbacks
};

// A POST opens its own connection unless asked to keep one.
EngineCost enginePosts(const Data& body, bool persistent)
{
    auto queue = NetworkQueue::queue();
    queue->setMaxConcurrentOperationCount(3);
    int finished = 0, failed = 0;
    bool queueDone = false;
    queue->requestDidFinishSelector = [&](auto&) { ++finished; };
    queue->requestDidFailSelector = [&](auto&) { ++failed; };
    queue->queueDidFinishSelector = [&](auto&) { queueDone = true; };
    const std::string address = url(servers().postPort, "/message");
    double began = cpuSeconds(), mainBegan = threadCpuSeconds();
    for (int i = 0; i < kPosts; ++i) {
        auto request = HTTPRequest::requestWithURL(*CFURL::URLWithString(address));
        request->appendPostData(body);
        request->addRequestHeader("Content-Type", "application/json");
        // A body turns connection reuse off when the method is set; asked for
        // after that, the request keeps its connection.
        request->setRequestMethod("POST");
        request->shouldAttemptPersistentConnection = persistent;
        queue->addOperation(request);
    }
    queue->go();
    pumpMainRunLoopUntil([&] { return queueDone; }, 300);
    double took = cpuSeconds() - began, mainTook = threadCpuSeconds() - mainBegan;
    if (failed || finished != kPosts)
        return {};
    return { took / kPosts, mainTook / kPosts };
}

size_t collect(char* bytes, size_t size, size_t count, void* into)
{
    static_cast<std::string*>(into)->append(bytes, size * count);
    return size * count;
}

// With `fresh`, libcurl opens a connection for every request and closes it
// after, as the engine must for a POST.
double curlPosts(const std::string& body, bool fresh)
{
    CURL* curl = curl_easy_init();
    std::string address = url(servers().postPort, "/message"), answer;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    if (fresh) {
        curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    }
    bool ok = true;
    double began = cpuSeconds();
    for (int i = 0; i < kPosts && ok; ++i) {
        answer.clear();
        ok = curl_easy_perform(curl) == CURLE_OK && answer.size() == body.size();
    }
    double took = cpuSeconds() - began;
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return ok ? took / kPosts : -1;
}

void SmallPostsBesideCurl(benchmark::State& state)
{
    servers();
    const std::string json = postBody();
    const Data body(json.begin(), json.end());
    std::vector<double> engine, kept, curl, curlFresh;
    // The engine's CPU apart from its main thread's: the network thread's work.
    std::vector<double> engineNetwork, keptNetwork;
    MainLoopAsInTheApp mainLoop;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            // Each round starts with another of the four, so that none always
            // runs in the wake of the same other.
            EngineCost e, k;
            double c = -1, f = -1;
            for (int step = 0; step < 4; ++step) {
                switch ((round + step) % 4) {
                case 0: e = enginePosts(body, false); break;
                case 1: k = enginePosts(body, true); break;
                case 2: c = curlPosts(json, false); break;
                default: f = curlPosts(json, true); break;
                }
            }
            if (e.total < 0 || k.total < 0 || c < 0 || f < 0) {
                state.SkipWithError("a request failed");
                return;
            }
            engine.push_back(e.total);
            engineNetwork.push_back(e.total - e.mainThread);
            kept.push_back(k.total);
            keptNetwork.push_back(k.total - k.mainThread);
            curl.push_back(c);
            curlFresh.push_back(f);
        }
        state.SetIterationTime(median(engine) * kPosts);
    }
    state.counters["engine_cpu_us_min"] = minimum(engine) * 1e6;
    state.counters["engine_cpu_us_median"] = median(engine) * 1e6;
    state.counters["engine_kept_alive_cpu_us_min"] = minimum(kept) * 1e6;
    state.counters["engine_kept_alive_cpu_us_median"] = median(kept) * 1e6;
    state.counters["curl_cpu_us_min"] = minimum(curl) * 1e6;
    state.counters["curl_cpu_us_median"] = median(curl) * 1e6;
    state.counters["curl_fresh_cpu_us_min"] = minimum(curlFresh) * 1e6;
    state.counters["curl_fresh_cpu_us_median"] = median(curlFresh) * 1e6;
    // CPU per request relative to libcurl's (1 is the same; below is cheaper):
    // the engine's own connection per POST against libcurl's kept one, against
    // libcurl with a connection per request too, and the engine on a kept
    // connection against libcurl's kept one.
    state.counters["engine_to_curl_cpu_median"] = median(engine) / median(curl);
    state.counters["engine_to_curl_cpu_min"] = minimum(engine) / minimum(curl);
    state.counters["engine_to_curl_fresh_cpu_median"] = median(engine) / median(curlFresh);
    state.counters["engine_to_curl_fresh_cpu_min"] = minimum(engine) / minimum(curlFresh);
    state.counters["kept_alive_to_curl_cpu_median"] = median(kept) / median(curl);
    state.counters["kept_alive_to_curl_cpu_min"] = minimum(kept) / minimum(curl);
    // libcurl does its work on the calling thread; the engine hands each
    // request's callbacks to the main thread. Its network thread alone:
    state.counters["engine_network_thread_cpu_us_median"] = median(engineNetwork) * 1e6;
    state.counters["engine_kept_alive_network_thread_cpu_us_median"] = median(keptNetwork) * 1e6;
    state.counters["engine_network_thread_to_curl_fresh_cpu_median"] = median(engineNetwork) / median(curlFresh);
    state.counters["kept_alive_network_thread_to_curl_cpu_median"] = median(keptNetwork) / median(curl);
}

}  // namespace

BENCHMARK(DownloadBesideCurlAndPlainLoop)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SmallPostsBesideCurl)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
