#include "LoopbackListener.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackListener::LoopbackListener(Handler handler)
    : m_handler(std::move(handler))
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0
        || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_listen, 128) != 0
        || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "cannot listen on the loopback: " << std::strerror(errno);
        return;
    }
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

LoopbackListener::~LoopbackListener()
{
    stop();
    if (m_listen >= 0)
        ::close(m_listen);
}

int LoopbackListener::connectionCount() const
{
    std::lock_guard lock(m_lock);
    return m_connections;
}

void LoopbackListener::stop()
{
    {
        std::lock_guard lock(m_lock);
        if (m_stopping)
            return;
        m_stopping = true;
        // Wakes the accept thread (accept fails on a shut listening socket) and
        // every connection thread blocked on its socket.
        if (m_listen >= 0)
            ::shutdown(m_listen, SHUT_RDWR);
        for (int fd : m_open)
            ::shutdown(fd, SHUT_RDWR);
    }
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    // The accept thread is gone, so the list no longer grows.
    std::map<int, std::thread> workers;
    {
        std::lock_guard lock(m_lock);
        workers.swap(m_workers);
        m_finished.clear();
    }
    for (auto& [connection, worker] : workers)
        worker.join();
}

void LoopbackListener::joinFinished()
{
    std::vector<std::thread> ending;
    {
        std::lock_guard lock(m_lock);
        for (int connection : m_finished) {
            auto it = m_workers.find(connection);
            if (it == m_workers.end())
                continue;
            ending.push_back(std::move(it->second));
            m_workers.erase(it);
        }
        m_finished.clear();
    }
    // Each has only its return left to make.
    for (auto& thread : ending)
        thread.join();
}

void LoopbackListener::acceptLoop()
{
    for (;;) {
        int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        const int error = errno;
        joinFinished();
        std::lock_guard lock(m_lock);
        if (m_stopping) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        if (fd < 0) {
            if (error == EINTR || error == ECONNABORTED)
                continue;
            ADD_FAILURE() << "the loopback listener cannot accept: " << std::strerror(error);
            return;
        }
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        int connection = ++m_connections;
        m_open.insert(fd);
        m_workers.emplace(connection, std::thread([this, fd, connection] { serve(fd, connection); }));
    }
}

void LoopbackListener::serve(int fd, int connection)
{
    m_handler(fd, connection);
    ::shutdown(fd, SHUT_WR);
    char sink[4096];
    while (::recv(fd, sink, sizeof sink, 0) > 0) { }
    // Closed under the lock: stop() must never shut down a number the system
    // has already handed to another socket.
    std::lock_guard lock(m_lock);
    m_open.erase(fd);
    ::close(fd);
    m_finished.push_back(connection);
}
