#pragma once

// The reply object every command's decoder makes: the common status part of the
// reply envelope plus where the reply came from. Command replies derive from it.

#include <optional>
#include <string>

class NetBaseRst {
public:
    virtual ~NetBaseRst() = default;

    int cmdCode = 0;  // command code of the request answered
    int requestCode = 0;  // the request tag
    // 0 when an HTTP exchange completed, else the transport's failure code.
    int httpRsp = 0;
    std::optional<std::string> detail;
    // Always the language text for the status, never the server's own message.
    std::optional<std::string> message;
    std::optional<std::string> status;
};
