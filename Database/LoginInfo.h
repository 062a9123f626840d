#pragma once

// One account as the session and the sign-in screen pass it around, and as
// the stored sign-ins keep it for offline use.

#include <optional>
#include <string>

struct LoginInfo {
    std::optional<std::string> accountId;
    std::optional<std::string> deviceId;
    std::optional<std::string> passWord;
    std::optional<std::string> clientId;
    std::optional<std::string> sessionId;
    std::optional<std::string> email;
    std::optional<std::string> companyName;
    std::optional<std::string> companyLink;
    int userAccess = 0;
};
