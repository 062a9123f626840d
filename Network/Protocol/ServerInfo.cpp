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
