#pragma once

// The byte relay under the test proxies and the TLS front: bytes go both ways
// between a client and the connection opened for it until the far side
// closes. When the client stops sending first, the far side is told so (its
// socket's sending half is shut) and what it still answers is passed back.

#include <cstddef>
#include <functional>

// Writes all of `bytes`; false when the peer has gone.
bool sendAll(int fd, const void* bytes, size_t length);

// The client's side of a relay: a plain socket, or a session over one that
// reads and writes through its own layer.
struct RelayClient {
    int fd = -1;
    // Bytes read into `buffer`; 0 or less once the client is done.
    std::function<long(char* buffer, size_t length)> read;
    std::function<bool(const char* bytes, size_t length)> write;
    // Whether bytes already taken off the socket wait to be read (the socket
    // then shows nothing to poll).
    std::function<bool()> holdsBytes;
};

RelayClient plainRelayClient(int fd);

// Returns when `upstream` closes or either side fails; closes neither.
void relayBytes(const RelayClient& client, int upstream);
