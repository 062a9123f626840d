#include "LoopbackListener.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int connectTo(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool waitFor(const std::function<bool()>& condition)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

// Clients that keep their connections open and silent would keep a handler
// reading for ever: stop ends those reads, and returns only once every
// handler has returned. After it, the port takes no one.
TEST(LoopbackListener, StopEndsOpenConnectionsJoinsTheirThreadsAndRefusesMore)
{
    std::atomic<int> serving { 0 }, ended { 0 };
    LoopbackListener listener([&](int fd, int) {
        ++serving;
        char byte;
        while (::recv(fd, &byte, 1, 0) > 0) {
        }
        ++ended;
    });
    ASSERT_NE(listener.port(), 0);
    std::vector<int> clients;
    for (int i = 0; i < 3; ++i)
        clients.push_back(connectTo(listener.port()));
    for (int fd : clients)
        ASSERT_GE(fd, 0);
    ASSERT_TRUE(waitFor([&] { return serving == 3; }));
    EXPECT_EQ(ended, 0);

    listener.stop();
    EXPECT_EQ(ended, 3);
    EXPECT_EQ(listener.connectionCount(), 3);
    for (int fd : clients) {
        char byte;
        EXPECT_EQ(::recv(fd, &byte, 1, 0), 0);  // the server's side is closed
        ::close(fd);
    }
    int late = connectTo(listener.port());
    EXPECT_LT(late, 0);
    if (late >= 0)
        ::close(late);
    listener.stop();  // a second stop is harmless
}
