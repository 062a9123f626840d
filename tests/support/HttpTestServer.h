#pragma once

// A loopback HTTP server that tests drive case by case. It binds 127.0.0.1 on
// a free port, serves one request per connection (then closes it) and hands
// each request to the handler registered for its path, which writes whatever
// bytes it likes: well-formed answers through the helpers, or a half-written
// body, a stall or a dropped connection to make faults. It stops with the test.

#include "LoopbackListener.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HttpTestRequest {
    std::string method;
    std::string target;  // as on the request line
    std::string path;  // target without the query
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // First header of that name (any case), or "".
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
};

using HttpHeaderList = std::vector<std::pair<std::string, std::string>>;

class HttpTestConnection {
public:
    // False once the client has gone or the server is stopping.
    bool write(std::string_view bytes);
    // Waits up to `seconds`, or less when the server stops; false when stopping.
    bool pause(double seconds);
    void close();
    bool isStopping() const;

    // A whole answer with "Content-Length" (unless the headers name a length
    // or a transfer coding) and "Connection: close".
    void respond(int status, std::string_view body, const HttpHeaderList& headers = {});
    void respondHead(int status, const HttpHeaderList& headers);
    // A chunked answer of the given pieces.
    void respondChunked(int status, const std::vector<std::string>& chunks, const HttpHeaderList& headers = {});

private:
    friend class HttpTestServer;
    int m_fd = -1;
    class HttpTestServer* m_server = nullptr;
};

using HttpTestHandler = std::function<void(const HttpTestRequest&, HttpTestConnection&)>;

class HttpTestServer {
public:
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int port() const { return m_listener.port(); }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string url(std::string_view path = "/") const;

    // Handlers by exact path; an unknown path answers 404.
    void route(std::string path, HttpTestHandler handler);
    void stop();

    // Every request received so far, in order.
    std::vector<HttpTestRequest> requests() const;
    std::vector<HttpTestRequest> requestsFor(std::string_view path) const;
    // Waits (real time, bounded) until `count` requests have arrived.
    bool waitForRequests(size_t count, double seconds);

    static std::string reasonPhrase(int status);
    static std::string gzip(std::string_view data);

private:
    friend class HttpTestConnection;
    void serve(int fd);

    std::atomic<bool> m_stopping { false };
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<std::string, HttpTestHandler> m_routes;
    std::vector<HttpTestRequest> m_requests;
    // Last: its threads use everything above.
    LoopbackListener m_listener;
};
