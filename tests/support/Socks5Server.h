#pragma once

// A SOCKS5 proxy on loopback for tests: it takes the CONNECT command only,
// to an IPv4 address or a name ("localhost" and dotted addresses are all it
// resolves), and relays bytes both ways until either side closes. With a
// user name and password set it asks for them and refuses others; it can be
// told to refuse every connection with a given answer code.

#include "LoopbackListener.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class Socks5Server {
public:
    Socks5Server(std::string user = {}, std::string password = {});
    ~Socks5Server();
    Socks5Server(const Socks5Server&) = delete;
    Socks5Server& operator=(const Socks5Server&) = delete;

    int port() const { return m_listener.port(); }
    // Answers every CONNECT with this code instead of connecting (0 connects).
    void refuseWith(int code) { m_refusal = code; }
    // "host:port" of each CONNECT, as the client named it, in order.
    std::vector<std::string> targets() const;
    // The methods each greeting offered, as bytes.
    std::vector<std::string> greetings() const;
    int connectionCount() const { return m_listener.connectionCount(); }
    void stop() { m_listener.stop(); }

private:
    void serve(int fd);

    std::string m_user, m_password;
    std::atomic<int> m_refusal { 0 };
    mutable std::mutex m_lock;
    std::vector<std::string> m_targets;
    std::vector<std::string> m_greetings;
    // Last: its threads use everything above.
    LoopbackListener m_listener;
};
