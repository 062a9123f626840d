#include "HttpTestServer.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <zlib.h>

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string trim(std::string s)
{
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    return s.substr(i);
}

}  // namespace

std::string HttpTestRequest::header(std::string_view name) const
{
    for (const auto& [k, v] : headers)
        if (sameName(k, name))
            return v;
    return "";
}

bool HttpTestRequest::hasHeader(std::string_view name) const
{
    for (const auto& [k, v] : headers)
        if (sameName(k, name))
            return true;
    return false;
}

bool HttpTestConnection::isStopping() const { return m_server->m_stopping.load(); }

bool HttpTestConnection::write(std::string_view bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        if (m_fd < 0 || isStopping())
            return false;
        ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool HttpTestConnection::pause(double seconds)
{
    std::unique_lock lock(m_server->m_lock);
    m_server->m_changed.wait_for(
        lock, std::chrono::duration<double>(seconds), [this] { return m_server->m_stopping.load(); });
    return !m_server->m_stopping.load();
}

void HttpTestConnection::close()
{
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_RDWR);
}

void HttpTestConnection::respondHead(int status, const HttpHeaderList& headers)
{
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + HttpTestServer::reasonPhrase(status) + "\r\n";
    bool hasConnection = false;
    for (const auto& [k, v] : headers) {
        head += k + ": " + v + "\r\n";
        hasConnection = hasConnection || sameName(k, "Connection");
    }
    if (!hasConnection)
        head += "Connection: close\r\n";
    head += "\r\n";
    write(head);
}

void HttpTestConnection::respond(int status, std::string_view body, const HttpHeaderList& headers)
{
    HttpHeaderList all = headers;
    bool framed = false;
    for (const auto& [k, v] : headers)
        framed = framed || sameName(k, "Content-Length") || sameName(k, "Transfer-Encoding");
    if (!framed)
        all.emplace_back("Content-Length", std::to_string(body.size()));
    respondHead(status, all);
    write(body);
}

void HttpTestConnection::respondChunked(
    int status, const std::vector<std::string>& chunks, const HttpHeaderList& headers)
{
    HttpHeaderList all = headers;
    all.emplace_back("Transfer-Encoding", "chunked");
    respondHead(status, all);
    for (const auto& chunk : chunks) {
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
        if (!write(size) || !write(chunk) || !write("\r\n"))
            return;
    }
    write("0\r\n\r\n");
}

HttpTestServer::HttpTestServer()
    : m_listener([this](int fd, int) { serve(fd); })
{
}

HttpTestServer::~HttpTestServer() { stop(); }

std::string HttpTestServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(port()) + std::string(path);
}

void HttpTestServer::route(std::string path, HttpTestHandler handler)
{
    std::lock_guard lock(m_lock);
    m_routes[std::move(path)] = std::move(handler);
}

void HttpTestServer::stop()
{
    {
        // Set under the lock, so a pause cannot miss the wake-up.
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_listener.stop();
}

std::vector<HttpTestRequest> HttpTestServer::requests() const
{
    std::lock_guard lock(m_lock);
    return m_requests;
}

std::vector<HttpTestRequest> HttpTestServer::requestsFor(std::string_view path) const
{
    std::vector<HttpTestRequest> found;
    for (auto& r : requests())
        if (r.path == path)
            found.push_back(r);
    return found;
}

bool HttpTestServer::waitForRequests(size_t count, double seconds)
{
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return m_requests.size() >= count; });
}

void HttpTestServer::serve(int fd)
{
    std::string buffer;
    char chunk[65536];
    auto readMore = [&]() -> bool {
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<size_t>(n));
        return true;
    };
    HttpTestRequest request;
    bool ok = true;
    size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos)
        if (!(ok = readMore()))
            break;
    if (ok) {
        std::string head = buffer.substr(0, headEnd);
        buffer.erase(0, headEnd + 4);
        size_t lineEnd = head.find("\r\n");
        std::string line = head.substr(0, lineEnd);
        size_t s1 = line.find(' '), s2 = line.rfind(' ');
        request.method = line.substr(0, s1);
        request.target = line.substr(s1 + 1, s2 - s1 - 1);
        request.version = line.substr(s2 + 1);
        // A proxy request names the whole URL: keep its path for routing.
        std::string target = request.target;
        if (target.starts_with("http://")) {
            size_t slash = target.find('/', 7);
            target = slash == std::string::npos ? "/" : target.substr(slash);
        }
        request.path = target.substr(0, target.find('?'));
        size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
        while (pos < head.size()) {
            size_t next = head.find("\r\n", pos);
            std::string h = head.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
            pos = next == std::string::npos ? head.size() : next + 2;
            size_t colon = h.find(':');
            if (colon != std::string::npos)
                request.headers.emplace_back(trim(h.substr(0, colon)), trim(h.substr(colon + 1)));
        }
        std::string length = request.header("Content-Length");
        if (!length.empty()) {
            size_t wanted = std::stoull(length);
            while (buffer.size() < wanted && readMore()) { }
            request.body = buffer.substr(0, wanted);
        }
        HttpTestHandler handler;
        {
            std::lock_guard lock(m_lock);
            m_requests.push_back(request);
            auto it = m_routes.find(request.path);
            if (it != m_routes.end())
                handler = it->second;
        }
        m_changed.notify_all();
        HttpTestConnection connection;
        connection.m_fd = fd;
        connection.m_server = this;
        if (handler)
            handler(request, connection);
        else
            connection.respond(404, "Not Found");
    }
}

std::string HttpTestServer::reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 407:
        return "Proxy Authentication Required";
    case 416:
        return "Range Not Satisfiable";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

std::string HttpTestServer::gzip(std::string_view data)
{
    z_stream z {};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}
