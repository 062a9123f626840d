#include "Platform/CFNetwork/CFHostResolver.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSString.h"

#include <arpa/inet.h>
#include <map>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace {

struct Cache {
    std::mutex lock;
    std::map<std::string, std::shared_ptr<CFHostResolver::Lookup>> lookups;
};

Cache& cache()
{
    static auto* c = new Cache;  // lookup threads may outlive static destruction
    return *c;
}

}  // namespace

void CFHostResolver::Lookup::notify(const RunLoopSourceRef& wake)
{
    std::lock_guard guard(lock);
    if (done) {
        if (wake)
            wake->signal();
        return;
    }
    if (wake)
        waiters.push_back(wake);
}

void CFHostResolver::Lookup::stopNotifying(const RunLoopSourceRef& wake)
{
    std::lock_guard guard(lock);
    std::erase(waiters, wake);
}

std::optional<std::vector<uint8_t>> CFHostResolver::numericAddress(const std::string& host, int port)
{
    std::string h = host;
    if (h.size() > 2 && h.front() == '[' && h.back() == ']')
        h = h.substr(1, h.size() - 2);
    if (NSString::equalsIgnoringASCIICase(h, "localhost"))
        h = "127.0.0.1";
    sockaddr_in v4 {};
    if (inet_pton(AF_INET, h.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<uint16_t>(port));
        auto* p = reinterpret_cast<uint8_t*>(&v4);
        return std::vector<uint8_t>(p, p + sizeof v4);
    }
    sockaddr_in6 v6 {};
    if (inet_pton(AF_INET6, h.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<uint16_t>(port));
        auto* p = reinterpret_cast<uint8_t*>(&v6);
        return std::vector<uint8_t>(p, p + sizeof v6);
    }
    return std::nullopt;
}

std::shared_ptr<CFHostResolver::Lookup> CFHostResolver::lookup(const std::string& host, int port)
{
    std::string key = NSString::lowercaseASCII(host) + ":" + std::to_string(port);
    auto& c = cache();
    std::shared_ptr<Lookup> entry;
    {
        std::lock_guard guard(c.lock);
        auto it = c.lookups.find(key);
        if (it != c.lookups.end()) {
            std::lock_guard entryGuard(it->second->lock);
            bool fresh
                = !it->second->done || (it->second->error == 0 && Clock::now() - it->second->finishedAt < cacheSeconds);
            if (fresh)
                return it->second;
        }
        entry = std::make_shared<Lookup>();
        c.lookups[key] = entry;
    }
    std::thread([entry, host, port] {
        addrinfo hints {};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* result = nullptr;
        int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &result);
        std::vector<RunLoopSourceRef> waiters;
        {
            std::lock_guard guard(entry->lock);
            if (rc == 0 && result) {
                auto* p = reinterpret_cast<uint8_t*>(result->ai_addr);
                entry->address.assign(p, p + result->ai_addrlen);
            } else {
                entry->error = rc == 0 ? EAI_NONAME : rc;
            }
            entry->finishedAt = Clock::now();
            entry->done = true;
            waiters.swap(entry->waiters);
        }
        if (result)
            freeaddrinfo(result);
        for (auto& wake : waiters)
            wake->signal();
    }).detach();
    return entry;
}

void CFHostResolver::flush()
{
    auto& c = cache();
    std::lock_guard guard(c.lock);
    c.lookups.clear();
}
