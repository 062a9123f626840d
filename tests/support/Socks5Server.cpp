#include "Socks5Server.h"

#include "SocketRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool readExactly(int fd, void* buffer, size_t length)
{
    auto* bytes = static_cast<char*>(buffer);
    while (length) {
        ssize_t n = ::recv(fd, bytes, length, 0);
        if (n <= 0)
            return false;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

void answer(int fd, uint8_t code)
{
    const uint8_t reply[10] = { 5, code, 0, 1, 127, 0, 0, 1, 0, 0 };
    sendAll(fd, reply, sizeof reply);
}

}  // namespace

Socks5Server::Socks5Server(std::string user, std::string password)
    : m_user(std::move(user))
    , m_password(std::move(password))
    , m_listener([this](int fd, int) { serve(fd); })
{
}

Socks5Server::~Socks5Server() { m_listener.stop(); }

std::vector<std::string> Socks5Server::targets() const
{
    std::lock_guard lock(m_lock);
    return m_targets;
}

std::vector<std::string> Socks5Server::greetings() const
{
    std::lock_guard lock(m_lock);
    return m_greetings;
}

void Socks5Server::serve(int fd)
{
    uint8_t head[2];
    if (!readExactly(fd, head, 2) || head[0] != 5)
        return;
    std::string methods(head[1], '\0');
    if (!readExactly(fd, methods.data(), methods.size()))
        return;
    {
        std::lock_guard lock(m_lock);
        m_greetings.push_back(methods);
    }
    const uint8_t wanted = m_user.empty() ? 0 : 2;
    if (methods.find(static_cast<char>(wanted)) == std::string::npos) {
        const uint8_t none[2] = { 5, 0xff };
        sendAll(fd, none, 2);
        return;
    }
    const uint8_t chosen[2] = { 5, wanted };
    sendAll(fd, chosen, 2);
    if (wanted == 2) {
        uint8_t version, length;
        std::string user, password;
        if (!readExactly(fd, &version, 1) || !readExactly(fd, &length, 1))
            return;
        user.resize(length);
        if (!readExactly(fd, user.data(), length) || !readExactly(fd, &length, 1))
            return;
        password.resize(length);
        if (!readExactly(fd, password.data(), length))
            return;
        const bool good = version == 1 && user == m_user && password == m_password;
        const uint8_t status[2] = { 1, static_cast<uint8_t>(good ? 0 : 1) };
        sendAll(fd, status, 2);
        if (!good)
            return;
    }
    uint8_t request[4];
    if (!readExactly(fd, request, 4) || request[0] != 5)
        return;
    std::string host;
    if (request[3] == 1) {
        in_addr address;
        if (!readExactly(fd, &address, 4))
            return;
        char text[INET_ADDRSTRLEN];
        host = inet_ntop(AF_INET, &address, text, sizeof text);
    } else if (request[3] == 3) {
        uint8_t length;
        if (!readExactly(fd, &length, 1))
            return;
        host.resize(length);
        if (!readExactly(fd, host.data(), length))
            return;
    } else {
        answer(fd, 8);
        return;
    }
    uint8_t portBytes[2];
    if (!readExactly(fd, portBytes, 2))
        return;
    int port = portBytes[0] << 8 | portBytes[1];
    {
        std::lock_guard lock(m_lock);
        m_targets.push_back(host + ":" + std::to_string(port));
    }
    if (request[1] != 1) {
        answer(fd, 7);
        return;
    }
    if (m_refusal) {
        answer(fd, static_cast<uint8_t>(m_refusal.load()));
        return;
    }
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (host == "localhost")
        host = "127.0.0.1";
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        answer(fd, 4);
        return;
    }
    int upstream = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        answer(fd, 5);
        ::close(upstream);
        return;
    }
    int one = 1;
    ::setsockopt(upstream, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    answer(fd, 0);
    relayBytes(plainRelayClient(fd), upstream);
    ::close(upstream);
}
