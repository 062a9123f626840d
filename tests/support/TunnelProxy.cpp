#include "TunnelProxy.h"

#include "SocketRelay.h"

#include "Platform/CFNetwork/CFHostResolver.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string headerValue(const std::string& head, const std::string& name)
{
    size_t at = head.find("\r\n" + name + ": ");
    if (at == std::string::npos)
        return {};
    at += name.size() + 4;
    return head.substr(at, head.find("\r\n", at) - at);
}

}  // namespace

TunnelProxy::TunnelProxy(std::string requiredAuthorization)
    : m_requiredAuthorization(std::move(requiredAuthorization))
    , m_listener([this](int fd, int) { serve(fd); })
{
}

TunnelProxy::~TunnelProxy() { m_listener.stop(); }

std::vector<std::string> TunnelProxy::heads() const
{
    std::lock_guard lock(m_lock);
    return m_heads;
}

void TunnelProxy::serve(int fd)
{
    std::string head;
    char byte;
    // A byte at a time, so nothing after the head is taken from the tunnel.
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (::recv(fd, &byte, 1, 0) != 1)
            return;
        head += byte;
    }
    {
        std::lock_guard lock(m_lock);
        m_heads.push_back(head);
    }
    std::string line = head.substr(0, head.find("\r\n"));
    if (line.rfind("CONNECT ", 0) != 0) {
        std::string answer = "HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        sendAll(fd, answer.data(), answer.size());
        return;
    }
    if (!m_requiredAuthorization.empty() && headerValue(head, "Proxy-Authorization") != m_requiredAuthorization) {
        std::string body = "proxy credentials needed";
        std::string answer
            = "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"tunnel\"\r\n"
              "Content-Length: "
            + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        sendAll(fd, answer.data(), answer.size());
        return;
    }
    std::string target = line.substr(8, line.find(' ', 8) - 8);
    size_t colon = target.rfind(':');
    auto address = CFHostResolver::numericAddress(target.substr(0, colon), std::stoi(target.substr(colon + 1)));
    int upstream = address
        ? ::socket(reinterpret_cast<const sockaddr*>(address->data())->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0)
        : -1;
    if (upstream < 0
        || ::connect(
               upstream, reinterpret_cast<const sockaddr*>(address->data()), static_cast<socklen_t>(address->size()))
            != 0) {
        std::string answer = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        sendAll(fd, answer.data(), answer.size());
        if (upstream >= 0)
            ::close(upstream);
        return;
    }
    std::string answer = "HTTP/1.1 200 Connection established\r\n\r\n";
    sendAll(fd, answer.data(), answer.size());
    relayBytes(plainRelayClient(fd), upstream);
    ::close(upstream);
}
