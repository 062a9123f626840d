#include "SocketRelay.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <vector>

bool sendAll(int fd, const void* bytes, size_t length)
{
    auto* next = static_cast<const char*>(bytes);
    while (length) {
        ssize_t n = ::send(fd, next, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        next += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

RelayClient plainRelayClient(int fd)
{
    RelayClient client;
    client.fd = fd;
    client.read = [fd](char* buffer, size_t length) { return static_cast<long>(::recv(fd, buffer, length, 0)); };
    client.write = [fd](const char* bytes, size_t length) { return sendAll(fd, bytes, length); };
    client.holdsBytes = [] { return false; };
    return client;
}

void relayBytes(const RelayClient& client, int upstream)
{
    std::vector<char> buffer(64 * 1024);
    bool clientOpen = true;
    for (;;) {
        bool clientReady = clientOpen && client.holdsBytes();
        if (!clientReady) {
            pollfd fds[2] = { { clientOpen ? client.fd : -1, POLLIN, 0 }, { upstream, POLLIN, 0 } };
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents) {
                ssize_t n = ::recv(upstream, buffer.data(), buffer.size(), 0);
                if (n <= 0 || !client.write(buffer.data(), static_cast<size_t>(n)))
                    return;  // the far side is done: the relay closes with it
            }
            clientReady = clientOpen && fds[0].revents;
        }
        if (!clientReady)
            continue;
        long n = client.read(buffer.data(), buffer.size());
        if (n <= 0) {
            clientOpen = false;
            ::shutdown(upstream, SHUT_WR);
        } else if (!sendAll(upstream, buffer.data(), static_cast<size_t>(n))) {
            return;
        }
    }
}
