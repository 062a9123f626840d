#include "Network/Protocol/ServerInfo.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSString.h"

namespace {

// The scheme a host setting starts with, taken off the host; "http" for none.
std::string takeScheme(std::string& host)
{
    for (const char* scheme : { "https", "http" }) {
        const std::string lead = std::string(scheme) + "://";
        if (host.size() >= lead.size() && NSString::lowercaseString(host.substr(0, lead.size())) == lead) {
            host.erase(0, lead.size());
            return scheme;
        }
    }
    return "http";
}

}  // namespace

bool ServerInfo::takeServerName(const std::string& name)
{
    std::string rest = name;
    const std::string scheme = takeScheme(rest);
    std::string host = rest;
    std::string port;
    // An IPv6 address keeps its colons inside brackets.
    const size_t hostEnd = rest.rfind(']');
    const size_t colon = rest.find(':', hostEnd == std::string::npos ? 0 : hostEnd);
    if (colon != std::string::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (port.empty())
            return false;
    }
    if (host.empty() || host == "[]" || host.find_first_of("/?#@ \t\r\n") != std::string::npos)
        return false;
    if ((host.front() == '[') != (host.back() == ']') || (hostEnd != std::string::npos && host.front() != '['))
        return false;
    long number = 0;
    if (!port.empty()) {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
            return false;
        number = NSString::integerValue(port);
        if (number < 1 || number > 65535)
            return false;
    }
    messageScheme = imageScheme = scheme;
    strIP = imageIP = host;
    // One server serves both: without a port the files come from the
    // message server's.
    if (number > 0)
        httpPort = static_cast<int>(number);
    imageHttpPort = httpPort;
    return true;
}

std::string ServerInfo::messageAddress() const
{
    return stringWithFormat("%@://%@:%d", messageScheme, strIP, httpPort);
}

std::string ServerInfo::messageHostSetting() const { return messageScheme == "https" ? "https://" + strIP : strIP; }

void ServerInfo::takeSchemes()
{
    messageScheme = takeScheme(strIP);
    imageScheme = takeScheme(imageIP);
}

std::string ServerInfo::imageUrlStr() const
{
    std::string url = imageIP;
    // The scheme's own port is left out; an https server on port 80 keeps it,
    // or the address would reach port 443 instead.
    const int ownPort = imageScheme == "https" ? 443 : 80;
    if (imageHttpPort > 0 && imageHttpPort != ownPort)
        url += stringWithFormat(":%d", imageHttpPort);
    if (!NSString::stringByTrimmingCharactersInSet(imageWebsiteServer, CharacterSet::whitespace).empty())
        url += stringWithFormat("/%@", imageWebsiteServer);
    return url;
}

std::string ServerInfo::imageBaseURL() const { return imageScheme + "://" + imageUrlStr(); }
