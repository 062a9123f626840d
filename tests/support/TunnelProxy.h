#pragma once

// An HTTP proxy on loopback that only opens tunnels: it reads a CONNECT
// request, connects to the named host and port, answers 200 and then relays
// bytes both ways until either side closes. With `requiredAuthorization` set
// (a whole "Proxy-Authorization" value) a request without it gets a 407
// answer with a Basic challenge and the connection closes.

#include "LoopbackListener.h"

#include <mutex>
#include <string>
#include <vector>

class TunnelProxy {
public:
    explicit TunnelProxy(std::string requiredAuthorization = {});
    ~TunnelProxy();
    TunnelProxy(const TunnelProxy&) = delete;
    TunnelProxy& operator=(const TunnelProxy&) = delete;

    int port() const { return m_listener.port(); }
    // Each request head the proxy received, in order.
    std::vector<std::string> heads() const;
    void stop() { m_listener.stop(); }

private:
    void serve(int fd);

    std::string m_requiredAuthorization;
    mutable std::mutex m_lock;
    std::vector<std::string> m_heads;
    // Last: its threads use everything above.
    LoopbackListener m_listener;
};
