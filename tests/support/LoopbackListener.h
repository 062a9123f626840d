#pragma once

// The accept loop under the raw test servers: a listening socket on 127.0.0.1
// (a free port) and a thread that accepts connections and serves each with the
// handler on a thread of its own. When the handler returns, the connection's
// sending side is shut and what the client still sends is read and dropped
// until it closes, so the client can read everything written before the socket
// goes.
//
// A connection's thread is joined soon after its connection closes (when the
// next one is accepted), so a long run of connections holds only the threads
// of those still open. stop() (or the destructor) refuses new connections,
// shuts down every open one so that blocked reads and writes return, and joins
// the accept thread and every connection thread before it returns: nothing
// the listener started outlives it.

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

class LoopbackListener {
public:
    // Runs on the connection's own thread; `connection` counts accepted
    // connections from 1.
    using Handler = std::function<void(int fd, int connection)>;

    explicit LoopbackListener(Handler handler);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return m_port; }
    int connectionCount() const;
    void stop();

private:
    void acceptLoop();
    void serve(int fd, int connection);
    void joinFinished();

    Handler m_handler;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_acceptThread;
    mutable std::mutex m_lock;
    bool m_stopping = false;  // under m_lock, so no connection is taken on after stop looked
    int m_connections = 0;
    std::set<int> m_open;
    std::map<int, std::thread> m_workers;  // by connection
    std::vector<int> m_finished;  // connections whose thread is ending
};
