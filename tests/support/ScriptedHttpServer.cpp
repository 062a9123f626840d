#include "ScriptedHttpServer.h"

#include <chrono>
#include <strings.h>
#include <sys/socket.h>

std::string ScriptedRequest::header(std::string_view name) const
{
    size_t pos = head.find("\r\n");
    while (pos != std::string::npos && pos + 2 < head.size()) {
        size_t start = pos + 2;
        size_t end = head.find("\r\n", start);
        std::string line = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t colon = line.find(':');
        if (colon == name.size() && strncasecmp(line.c_str(), std::string(name).c_str(), colon) == 0) {
            size_t v = colon + 1;
            while (v < line.size() && line[v] == ' ')
                ++v;
            return line.substr(v);
        }
        pos = end;
    }
    return "";
}

ScriptedHttpServer::ScriptedHttpServer(Answer answer)
    : m_answer(std::move(answer))
    , m_listener([this](int fd, int connection) { serve(fd, connection); })
{
}

ScriptedHttpServer::~ScriptedHttpServer() { stop(); }

std::string ScriptedHttpServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(port()) + std::string(path);
}

std::vector<ScriptedRequest> ScriptedHttpServer::requests() const
{
    std::lock_guard lock(m_lock);
    return m_requests;
}

std::string ScriptedHttpServer::response(int status, std::string_view body, std::string_view extraHeaders, bool close)
{
    std::string r
        = "HTTP/1.1 " + std::to_string(status) + " Status\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    r += extraHeaders;
    if (close)
        r += "Connection: close\r\n";
    r += "\r\n";
    r += body;
    return r;
}

void ScriptedHttpServer::stop()
{
    {
        // Set under the lock, so a pause or hold cannot miss the wake-up.
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_stopped.notify_all();
    m_listener.stop();
}

void ScriptedHttpServer::serve(int fd, int connection)
{
    std::string buffer;
    char chunk[65536];
    auto readMore = [&] {
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<size_t>(n));
        return true;
    };
    bool open = true;
    while (open && !m_stopping) {
        size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos)
            if (!readMore()) {
                open = false;
                break;
            }
        if (!open)
            break;
        ScriptedRequest request;
        request.head = buffer.substr(0, headEnd);
        request.connection = connection;
        buffer.erase(0, headEnd + 4);
        std::string length = request.header("Content-Length");
        size_t wanted = length.empty() ? 0 : std::stoull(length);
        while (buffer.size() < wanted && readMore()) { }
        request.body = buffer.substr(0, wanted);
        buffer.erase(0, std::min(wanted, buffer.size()));
        {
            std::lock_guard lock(m_lock);
            m_requests.push_back(request);
        }
        open = run(fd, m_answer(request));
    }
}

bool ScriptedHttpServer::run(int fd, const Script& script)
{
    auto sendAll = [&](std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    };
    for (const auto& step : script) {
        switch (step.kind) {
        case ScriptStep::Kind::Send:
            if (!sendAll(step.bytes))
                return false;
            break;
        case ScriptStep::Kind::SendForever:
            while (!m_stopping && sendAll(step.bytes)) { }
            return false;
        case ScriptStep::Kind::Pause:
        case ScriptStep::Kind::Hold: {
            std::unique_lock lock(m_lock);
            if (step.kind == ScriptStep::Kind::Hold)
                m_stopped.wait(lock, [this] { return m_stopping.load(); });
            else
                m_stopped.wait_for(
                    lock, std::chrono::duration<double>(step.seconds), [this] { return m_stopping.load(); });
            if (m_stopping)
                return false;
            break;
        }
        case ScriptStep::Kind::Close:
            return false;
        }
    }
    return true;
}
