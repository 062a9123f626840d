#include "ScriptedHttpServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

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

ScriptedHttpServer::ScriptedHttpServer(Answer answer) : m_answer(std::move(answer))
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listen, 128);
    socklen_t length = sizeof address;
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        m_wake[0] = m_wake[1] = -1;
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    stop();
}

std::string ScriptedHttpServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

std::vector<ScriptedRequest> ScriptedHttpServer::requests() const
{
    std::lock_guard lock(m_lock);
    return m_requests;
}

std::string ScriptedHttpServer::response(int status, std::string_view body, std::string_view extraHeaders, bool close)
{
    std::string r = "HTTP/1.1 " + std::to_string(status) + " Status\r\nContent-Length: " + std::to_string(body.size())
        + "\r\n";
    r += extraHeaders;
    if (close)
        r += "Connection: close\r\n";
    r += "\r\n";
    r += body;
    return r;
}

void ScriptedHttpServer::stop()
{
    if (m_stopping.exchange(true))
        return;
    if (m_wake[1] >= 0) {
        char c = 1;
        (void)!::write(m_wake[1], &c, 1);
    }
    {
        std::lock_guard lock(m_lock);
        for (int fd : m_openFds)
            ::shutdown(fd, SHUT_RDWR);
    }
    m_stopped.notify_all();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(m_lock);
        workers.swap(m_workers);
    }
    for (auto& t : workers)
        t.join();
    ::close(m_listen);
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
}

void ScriptedHttpServer::acceptLoop()
{
    for (;;) {
        pollfd fds[2] = { { m_listen, POLLIN, 0 }, { m_wake[0], POLLIN, 0 } };
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (m_stopping)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        int connection = ++m_connections;
        std::lock_guard lock(m_lock);
        m_openFds.push_back(fd);
        m_workers.emplace_back([this, fd, connection] { serve(fd, connection); });
    }
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
        while (buffer.size() < wanted && readMore()) {
        }
        request.body = buffer.substr(0, wanted);
        buffer.erase(0, std::min(wanted, buffer.size()));
        {
            std::lock_guard lock(m_lock);
            m_requests.push_back(request);
        }
        open = run(fd, m_answer(request));
    }
    ::shutdown(fd, SHUT_WR);
    while (::recv(fd, chunk, sizeof chunk, 0) > 0) {
    }
    std::lock_guard lock(m_lock);
    std::erase(m_openFds, fd);
    ::close(fd);
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
            while (!m_stopping && sendAll(step.bytes)) {
            }
            return false;
        case ScriptStep::Kind::Pause:
        case ScriptStep::Kind::Hold: {
            std::unique_lock lock(m_lock);
            if (step.kind == ScriptStep::Kind::Hold)
                m_stopped.wait(lock, [this] { return m_stopping.load(); });
            else
                m_stopped.wait_for(lock, std::chrono::duration<double>(step.seconds),
                                   [this] { return m_stopping.load(); });
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
