#pragma once

// One entry of the engine's connection pool: a connection to a host, scheme
// and port. While a request uses it, `request` names that request; between
// requests it waits, open, until `expires`, and the next request to the same
// place takes it over. Guarded by the engine's connection pool lock.

#include "Platform/CFNetwork/CFHTTPReadStream.h"

#include <memory>
#include <optional>
#include <string>

struct HTTPConnectionRecord {
    long id = 0;
    std::string host;
    int port = 0;
    std::string scheme;
    std::optional<unsigned long> request;  // the request using the connection now
    std::optional<double> expires;  // seconds since 1970; none counts as expired
    std::shared_ptr<CFHTTPReadStream> stream;  // the last stream on it, which holds the open socket

    bool matches(const std::string& otherHost, const std::string& otherScheme, int otherPort) const
    {
        return host == otherHost && scheme == otherScheme && port == otherPort;
    }
};
