#include "Network/Protocol/ServerInfo.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSString.h"

std::string ServerInfo::imageUrlStr() const
{
    std::string url = imageIP;
    if (imageHttpPort > 0 && imageHttpPort != 80)
        url += stringWithFormat(":%d", imageHttpPort);
    if (!NSString::stringByTrimmingCharactersInSet(imageWebsiteServer, CharacterSet::whitespace).empty())
        url += stringWithFormat("/%@", imageWebsiteServer);
    return url;
}
