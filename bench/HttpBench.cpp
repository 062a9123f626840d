// The HTTP engine beside its floors, in interleaved rounds of the same run
// (each round takes the contenders in turn, starting with another one each
// time, so that none always runs in the wake of the same other):
// - a 256 MB download into a fresh file, beside a plain loop that reads the
//   socket and writes the file (the floor) and beside libcurl reading with
//   the engine's buffer size; and the same download over TLS beside libcurl
//   over TLS, from the same loopback server;
// - 2,000 small JSON POSTs, beside libcurl on the same keep-alive server, at
//   equal concurrency (1 and 3 requests in flight for both), counted as CPU
//   time of this process per request: the engine's as the application sends
//   them (a connection each) against libcurl with a connection each, and
//   both on kept connections, over plain HTTP and over TLS.
// The servers run in a child process on processors of their own, so this
// process's CPU time is the client's alone. Each benchmark reports the
// minimum and the median of its rounds, the ratios, and the machine's load
// (one-minute average) before and after its rounds.

#include "HttpTestServer.h"
#include "RunLoopPump.h"
#include "ScriptedHttpServer.h"
#include "TlsTestServer.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Network/HTTP/NetworkQueue.h"
#include "Platform/CFNetwork/CFTLSSession.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSRunLoop.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
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

// The engine reads a large body this much at a time; libcurl is given the same.
constexpr long kReadBufferBytes = 256 * 1024;
constexpr int kInFlight[] = { 1, 3 };

struct Servers {
    int downloadPort = 0;  // one request per connection
    int postPort = 0;  // keeps connections open
    int tlsDownloadPort = 0;  // TLS fronts for the two
    int tlsPostPort = 0;
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
        if (!CPU_ISSET(static_cast<size_t>(cpu), &allowed))
            continue;
        if ((seen++ >= half) == upper)
            CPU_SET(static_cast<size_t>(cpu), &mine);
    }
    sched_setaffinity(0, sizeof mine, &mine);
}

// Starts the servers in a child that lives until this process ends. Called
// before the engine's network thread starts, which then shares the client's
// processors.
const Servers& servers()
{
    static Servers ports = [] {
        // Made before the servers' process parts from this one, so that both
        // hold the same authority.
        const auto& certificates = TestCertificates::shared();
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
                c.respondHead(200,
                    { { "Content-Length", std::to_string(kDownloadBytes) },
                        { "Content-Type", "application/octet-stream" } });
                for (size_t sent = 0; sent < kDownloadBytes; sent += block.size())
                    if (!c.write(block))
                        return;
            });
            ScriptedHttpServer posts([](const ScriptedRequest& r) {
                return Script { ScriptStep::send(
                    ScriptedHttpServer::response(200, r.body, "Content-Type: application/json; charset=utf-8\r\n")) };
            });
            TlsTestServer tlsDownload(download.port());
            TlsTestServer tlsPosts(posts.port());
            Servers mine { download.port(), posts.port(), tlsDownload.port(), tlsPosts.port() };
            if (write(report[1], &mine, sizeof mine) != sizeof mine)
                _exit(1);
            char byte;
            while (read(lifeline[0], &byte, 1) > 0) { }
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
        CFTLSSession::setTrustedRootsFile(certificates.authorityFile());
        return theirs;
    }();
    return ports;
}

std::string url(int port, const char* path, bool tls = false)
{
    return std::string(tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port) + path;
}

// The one-minute load average: the machine is shared, and every figure
// comes with it.
double loadAverage()
{
    double load[1] = { -1 };
    getloadavg(load, 1);
    return load[0];
}

std::string scratchFile(const char* name) { return "/tmp/corvelle-bench-" + std::to_string(getpid()) + "-" + name; }

uint64_t fileSize(const std::string& path)
{
    struct stat info { };
    return stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds
        = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
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
    RunLoopSourceRef keepAlive
        = NSRunLoop::mainRunLoop()->addSource({}, { NSDefaultRunLoopMode, UITrackingRunLoopMode });
    ~MainLoopAsInTheApp() { NSRunLoop::mainRunLoop()->removeSource(keepAlive); }
};

// Each timing is seconds, negative when the download went wrong.
double engineDownload(const std::string& destination, bool tls)
{
    unlink(destination.c_str());
    const int port = tls ? servers().tlsDownloadPort : servers().downloadPort;
    auto request = HTTPRequest::requestWithURL(*CFURL::URLWithString(url(port, "/big", tls)));
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

double curlDownload(const std::string& destination, bool tls)
{
    unlink(destination.c_str());
    FILE* file = fopen(destination.c_str(), "wb");
    CURL* curl = curl_easy_init();
    std::string address = url(tls ? servers().tlsDownloadPort : servers().downloadPort, "/big", tls);
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReadBufferBytes);
    if (tls)
        curl_easy_setopt(curl, CURLOPT_CAINFO, TestCertificates::shared().authorityFile().c_str());
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

// Rounds of the contenders taken in turn, the first one moving on each
// round; each contender's times in seconds. False when one failed.
bool interleaved(
    int rounds, const std::vector<std::function<double()>>& contenders, std::vector<std::vector<double>>& times)
{
    times.assign(contenders.size(), {});
    for (int round = 0; round < rounds; ++round) {
        for (size_t step = 0; step < contenders.size(); ++step) {
            const size_t which = (static_cast<size_t>(round) + step) % contenders.size();
            const double took = contenders[which]();
            if (took < 0)
                return false;
            times[which].push_back(took);
        }
    }
    return true;
}

void reportLoad(benchmark::State& state, double before)
{
    state.counters["load_before"] = before;
    state.counters["load_after"] = loadAverage();
}

void DownloadBesideCurlAndPlainLoop(benchmark::State& state)
{
    servers();
    const std::string file = scratchFile("download");
    std::vector<std::vector<double>> times;
    MainLoopAsInTheApp mainLoop;
    const double load = loadAverage();
    for (auto _ : state) {
        // What runs just before a download changes its time by several per cent.
        if (!interleaved(kDownloadRounds,
                { [&] { return engineDownload(file, false); }, [&] { return plainDownload(file); },
                    [&] { return curlDownload(file, false); } },
                times)) {
            state.SkipWithError("a download failed");
            unlink(file.c_str());
            return;
        }
        state.SetIterationTime(median(times[0]));
    }
    unlink(file.c_str());
    const auto& engine = times[0];
    const auto& plain = times[1];
    const auto& curl = times[2];
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
    state.counters["engine_to_plain_min"] = minimum(plain) / minimum(engine);
    state.counters["engine_to_curl_median"] = median(curl) / median(engine);
    state.counters["engine_to_curl_min"] = minimum(curl) / minimum(engine);
    reportLoad(state, load);
}

void TlsDownloadBesideCurl(benchmark::State& state)
{
    servers();
    const std::string file = scratchFile("tls-download");
    std::vector<std::vector<double>> times;
    MainLoopAsInTheApp mainLoop;
    const double load = loadAverage();
    for (auto _ : state) {
        if (!interleaved(kDownloadRounds,
                { [&] { return engineDownload(file, true); }, [&] { return curlDownload(file, true); } }, times)) {
            state.SkipWithError("a download failed");
            unlink(file.c_str());
            return;
        }
        state.SetIterationTime(median(times[0]));
    }
    unlink(file.c_str());
    const auto& engine = times[0];
    const auto& curl = times[1];
    const double megabytes = static_cast<double>(kDownloadBytes) / (1024.0 * 1024.0);
    state.counters["engine_min_ms"] = minimum(engine) * 1e3;
    state.counters["engine_median_ms"] = median(engine) * 1e3;
    state.counters["curl_min_ms"] = minimum(curl) * 1e3;
    state.counters["curl_median_ms"] = median(curl) * 1e3;
    state.counters["engine_MB_per_s"] = megabytes / median(engine);
    state.counters["curl_MB_per_s"] = megabytes / median(curl);
    // Above 1: the engine is the faster.
    state.counters["engine_to_curl_median"] = median(curl) / median(engine);
    state.counters["engine_to_curl_min"] = minimum(curl) / minimum(engine);
    reportLoad(state, load);
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
EngineCost enginePosts(const Data& body, bool persistent, int inFlight, bool tls)
{
    auto queue = NetworkQueue::queue();
    queue->setMaxConcurrentOperationCount(inFlight);
    int finished = 0, failed = 0;
    bool queueDone = false;
    queue->requestDidFinishSelector = [&](auto&) { ++finished; };
    queue->requestDidFailSelector = [&](auto&) { ++failed; };
    queue->queueDidFinishSelector = [&](auto&) { queueDone = true; };
    const std::string address = url(tls ? servers().tlsPostPort : servers().postPort, "/message", tls);
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

// libcurl with `inFlight` requests at a time on one multi handle (its
// connections shared and kept between requests); with `fresh`, a connection
// for every request, closed after it, as the engine must for a POST.
double curlPosts(const std::string& body, bool fresh, int inFlight, bool tls)
{
    struct Slot {
        CURL* easy = nullptr;
        std::string answer;
    };
    const std::string address = url(tls ? servers().tlsPostPort : servers().postPort, "/message", tls);
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
    CURLM* multi = curl_multi_init();
    std::vector<Slot> slots(static_cast<size_t>(inFlight));
    for (auto& slot : slots) {
        slot.easy = curl_easy_init();
        curl_easy_setopt(slot.easy, CURLOPT_URL, address.c_str());
        curl_easy_setopt(slot.easy, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(slot.easy, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(slot.easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
        curl_easy_setopt(slot.easy, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(slot.easy, CURLOPT_WRITEDATA, &slot.answer);
        curl_easy_setopt(slot.easy, CURLOPT_PRIVATE, &slot);
        if (tls)
            curl_easy_setopt(slot.easy, CURLOPT_CAINFO, TestCertificates::shared().authorityFile().c_str());
        if (fresh) {
            curl_easy_setopt(slot.easy, CURLOPT_FRESH_CONNECT, 1L);
            curl_easy_setopt(slot.easy, CURLOPT_FORBID_REUSE, 1L);
        }
    }
    int started = 0, done = 0;
    bool ok = true;
    auto start = [&](Slot& slot) {
        slot.answer.clear();
        curl_multi_add_handle(multi, slot.easy);
        ++started;
    };
    double began = cpuSeconds();
    for (auto& slot : slots)
        if (started < kPosts)
            start(slot);
    while (ok && done < kPosts) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            ok = false;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            Slot* slot = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &slot);
            ok = ok && message->data.result == CURLE_OK && slot->answer.size() == body.size();
            curl_multi_remove_handle(multi, message->easy_handle);
            ++done;
            if (started < kPosts)
                start(*slot);
        }
        if (ok && done < kPosts)
            curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    double took = cpuSeconds() - began;
    for (auto& slot : slots) {
        curl_multi_remove_handle(multi, slot.easy);
        curl_easy_cleanup(slot.easy);
    }
    curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
    return ok ? took / kPosts : -1;
}

// CPU per request of the engine and of libcurl at the benchmark's number of
// requests in flight (its argument), over plain HTTP or TLS.
void postsBesideCurl(benchmark::State& state, bool tls)
{
    servers();
    const int inFlight = static_cast<int>(state.range(0));
    const std::string json = postBody();
    const Data body(json.begin(), json.end());
    MainLoopAsInTheApp mainLoop;
    const double load = loadAverage();
    // The engine's network thread alone, beside its whole CPU.
    std::vector<double> engineNetwork, keptNetwork;
    auto engine = [&](bool persistent, std::vector<double>& network) {
        EngineCost cost = enginePosts(body, persistent, inFlight, tls);
        if (cost.total >= 0)
            network.push_back(cost.total - cost.mainThread);
        return cost.total;
    };
    std::vector<std::function<double()>> contenders {
        [&] { return engine(true, keptNetwork); },
        [&] { return curlPosts(json, false, inFlight, tls); },
        [&] { return engine(false, engineNetwork); },
        [&] { return curlPosts(json, true, inFlight, tls); },
    };
    std::vector<std::vector<double>> times;
    for (auto _ : state) {
        if (!interleaved(kRounds, contenders, times)) {
            state.SkipWithError("a request failed");
            return;
        }
        state.SetIterationTime(median(times[0]) * kPosts);
    }
    const auto& kept = times[0];
    const auto& curl = times[1];
    const auto& fresh = times[2];
    const auto& curlFresh = times[3];
    state.counters["in_flight"] = inFlight;
    state.counters["engine_kept_cpu_us_min"] = minimum(kept) * 1e6;
    state.counters["engine_kept_cpu_us_median"] = median(kept) * 1e6;
    state.counters["curl_kept_cpu_us_min"] = minimum(curl) * 1e6;
    state.counters["curl_kept_cpu_us_median"] = median(curl) * 1e6;
    state.counters["engine_fresh_cpu_us_min"] = minimum(fresh) * 1e6;
    state.counters["engine_fresh_cpu_us_median"] = median(fresh) * 1e6;
    state.counters["curl_fresh_cpu_us_min"] = minimum(curlFresh) * 1e6;
    state.counters["curl_fresh_cpu_us_median"] = median(curlFresh) * 1e6;
    // CPU per request relative to libcurl's at the same concurrency (1 is the
    // same; below is cheaper): both on kept connections, and both with a
    // connection per request.
    state.counters["kept_to_curl_kept_cpu_median"] = median(kept) / median(curl);
    state.counters["kept_to_curl_kept_cpu_min"] = minimum(kept) / minimum(curl);
    state.counters["fresh_to_curl_fresh_cpu_median"] = median(fresh) / median(curlFresh);
    state.counters["fresh_to_curl_fresh_cpu_min"] = minimum(fresh) / minimum(curlFresh);
    // libcurl does its work on the calling thread; the engine hands each
    // request's callbacks to the main thread. Its network thread alone:
    state.counters["engine_kept_network_thread_cpu_us_median"] = median(keptNetwork) * 1e6;
    state.counters["engine_fresh_network_thread_cpu_us_median"] = median(engineNetwork) * 1e6;
    reportLoad(state, load);
}

void SmallPostsBesideCurl(benchmark::State& state) { postsBesideCurl(state, false); }

void SmallTlsPostsBesideCurl(benchmark::State& state) { postsBesideCurl(state, true); }

}  // namespace

BENCHMARK(DownloadBesideCurlAndPlainLoop)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(TlsDownloadBesideCurl)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SmallPostsBesideCurl)
    ->Arg(kInFlight[0])
    ->Arg(kInFlight[1])
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SmallTlsPostsBesideCurl)
    ->Arg(kInFlight[0])
    ->Arg(kInFlight[1])
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
