#pragma once

// The server settings: the message server and the image (file) server, each
// as a host, a port and a path. ServerSettings::GetServer fills the one
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
    // "http" or "https" for each server. A company that serves over TLS
    // writes its host setting as "https://host"; a bare host is plain HTTP.
    std::string messageScheme = "http";
    std::string imageScheme = "http";

    // Moves an "http://" or "https://" before either host (in any case) into
    // that server's scheme, leaving the hosts bare. Hosts without one are
    // plain HTTP.
    void takeSchemes();

    // Points both servers at one named "[http://|https://]host[:port]" (a
    // host in brackets for an IPv6 address): its scheme, host and, when
    // given, port; without a port both take the message server's. A name
    // with no host, a
    // path, spaces or a port that is not a number from 1 to 65535 changes
    // nothing and answers false.
    bool takeServerName(const std::string& name);
    // The message server as requests name it: "<scheme>://<host>:<port>".
    std::string messageAddress() const;
    // The message server's host as the settings keep it: with "https://"
    // before it when it speaks TLS.
    std::string messageHostSetting() const;

    // The image host, then ":<port>" when the port is above 0 and not the
    // scheme's own (80, or 443 over https), then "/<path>" when the path is
    // not blank.
    std::string imageUrlStr() const;
    // The image server's address with its scheme: "<scheme>://" + imageUrlStr().
    std::string imageBaseURL() const;
};
