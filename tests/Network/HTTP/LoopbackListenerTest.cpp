#include "LoopbackListener.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <algorithm>
#include <chrono>
#include <dirent.h>
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
        while (::recv(fd, &byte, 1, 0) > 0) { }
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

namespace {

// Threads of this process, from the kernel's own list.
int threadCount()
{
    int count = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (dirent* entry = ::readdir(tasks))
            count += entry->d_name[0] != '.';
        ::closedir(tasks);
    }
    return count;
}

}  // namespace

// A long test run opens tens of thousands of connections to one listener: a
// connection's thread must end with it, or the process runs out of threads.
TEST(LoopbackListener, ThreadsOfClosedConnectionsAreJoinedAsConnectionsComeAndGo)
{
    LoopbackListener listener([](int fd, int) {
        char byte = 'x';
        ::send(fd, &byte, 1, MSG_NOSIGNAL);
    });
    ASSERT_NE(listener.port(), 0);
    const int before = threadCount();
    int most = before;
    constexpr int connections = 3000;
    for (int i = 0; i < connections; ++i) {
        int fd = connectTo(listener.port());
        ASSERT_GE(fd, 0) << "connection " << i;
        char byte = 0;
        ASSERT_EQ(::recv(fd, &byte, 1, 0), 1);
        // The server closes its side once its handler has returned.
        ASSERT_EQ(::recv(fd, &byte, 1, 0), 0);
        ::close(fd);
        most = std::max(most, threadCount());
    }
    EXPECT_EQ(listener.connectionCount(), connections);
    // The last connection's thread and a few still ending, and whatever
    // else the process starts meanwhile (the thread checker's own): nowhere
    // near one a connection.
    EXPECT_LE(most - before, 32);
    listener.stop();
    EXPECT_LE(threadCount(), before);
}
