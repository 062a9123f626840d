#pragma once

// Installs a session, a small language table and the frame's helpers for one
// test, and puts the previous services back afterwards.

#include "Network/Protocol/ProtocolServices.h"

#include <map>
#include <string>

class ProtocolTestServices {
public:
    ProtocolTestServices();
    ~ProtocolTestServices();

    ProtocolServices::Session session;
    std::map<std::string, std::string> language { { "115", "No status" }, { "200", "Done" }, { "404", "Missing" },
        { "999", "Network error" }, { "DOWNLOADERROR", "Download failed" } };
    std::map<std::string, std::string> defaults;
    int currentLanguage = 1;
    std::string version = "2.1";
    std::vector<std::pair<std::string, std::optional<std::string>>> lockedUserCalls;

private:
    ProtocolServices::Services m_saved;
};
