#pragma once

// Host name lookups for the HTTP streams. A name is looked up once on a
// short-lived thread and the answer kept for a short time, so a burst of
// requests to one host costs one lookup; streams that ask while a lookup is
// under way wait for that same lookup. Numeric hosts and "localhost" need no
// lookup at all. Failures are not kept: the next request asks again.

#include "Platform/Foundation/NSRunLoop.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class CFHostResolver {
public:
    // One lookup of a host and port, shared by the streams waiting for it.
    struct Lookup {
        std::mutex lock;
        bool done = false;
        std::vector<uint8_t> address;  // a sockaddr of the first address found
        int error = 0;  // an EAI_* code when the lookup failed
        std::vector<RunLoopSourceRef> waiters;
        double finishedAt = 0;

        // Signals `wake` when done (at once when it already is).
        void notify(const RunLoopSourceRef& wake);
        void stopNotifying(const RunLoopSourceRef& wake);
    };

    // The address of a numeric host (or "localhost"), with no lookup.
    static std::optional<std::vector<uint8_t>> numericAddress(const std::string& host, int port);
    // A finished lookup from the cache, or one under way (started when needed).
    static std::shared_ptr<Lookup> lookup(const std::string& host, int port);
    // How long a found address is used before the name is looked up again.
    static constexpr double cacheSeconds = 30.0;
    // Forgets every kept answer.
    static void flush();
};
