#pragma once

// A loopback server that answers each request with a script of raw steps:
// bytes as they stand, bytes repeated without end, a pause, a hold until the
// test ends, a close. It makes the wire faults a well-formed server cannot
// (bad heads, floods, endless answers, bytes after the body) and it keeps
// connections open between requests unless a script closes them, so tests can
// count how many connections a run of requests used.

#include "LoopbackListener.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct ScriptStep {
    enum class Kind { Send, SendForever, Pause, Hold, Close };
    Kind kind = Kind::Send;
    std::string bytes;
    double seconds = 0;

    static ScriptStep send(std::string bytes) { return { Kind::Send, std::move(bytes), 0 }; }
    // Writes the bytes again and again until the client goes or the test ends.
    static ScriptStep sendForever(std::string bytes) { return { Kind::SendForever, std::move(bytes), 0 }; }
    static ScriptStep pause(double seconds) { return { Kind::Pause, {}, seconds }; }
    // Keeps the connection open and silent until the test ends.
    static ScriptStep hold() { return { Kind::Hold, {}, 0 }; }
    static ScriptStep close() { return { Kind::Close, {}, 0 }; }
};
using Script = std::vector<ScriptStep>;

struct ScriptedRequest {
    std::string head;  // request line and headers
    std::string body;
    int connection = 0;  // which accepted connection (from 1) carried it
    std::string header(std::string_view name) const;
    std::string requestLine() const { return head.substr(0, head.find("\r\n")); }
};

class ScriptedHttpServer {
public:
    // `answer` gives the script for each request; it runs on a server thread.
    using Answer = std::function<Script(const ScriptedRequest&)>;
    explicit ScriptedHttpServer(Answer answer);
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    std::string url(std::string_view path = "/") const;
    int port() const { return m_listener.port(); }
    int connectionCount() const { return m_listener.connectionCount(); }
    std::vector<ScriptedRequest> requests() const;
    void stop();

    // A whole answer with a Content-Length, kept alive unless `close`.
    static std::string response(
        int status, std::string_view body, std::string_view extraHeaders = "", bool close = false);

private:
    void serve(int fd, int connection);
    bool run(int fd, const Script& script);

    Answer m_answer;
    std::atomic<bool> m_stopping { false };
    mutable std::mutex m_lock;
    std::condition_variable m_stopped;
    std::vector<ScriptedRequest> m_requests;
    // Last: its threads use everything above.
    LoopbackListener m_listener;
};
