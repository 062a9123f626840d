#pragma once

// The server settings: the message server and the image (file) server, each
// as a host, a port and a path. PublicFunction::GetServer fills the one
// process-wide record from the user defaults.

#include <string>

class ServerInfo {
public:
    std::string strIP;
    int httpPort = 0;
    std::string websiteServer;
    std::string imageIP;
    int imageHttpPort = 0;
    std::string imageWebsiteServer;

    // The image host, then ":<port>" when the port is above 0 and not 80, then
    // "/<path>" when the path is not blank.
    std::string imageUrlStr() const;
};
