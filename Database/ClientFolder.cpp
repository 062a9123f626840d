#include "Database/ClientFolder.h"

#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

bool ClientFolder::isValidClientID(std::string_view clientID)
{
    // The folder is named by the lower-cased id, so that form must pass too.
    return NSPathIsSafeComponent(clientID) && NSPathIsSafeComponent(NSString::lowercaseString(clientID));
}

std::optional<std::string> ClientFolder::pathForClientID(std::string_view clientID)
{
    if (!isValidClientID(clientID))
        return std::nullopt;
    const std::string documents = NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Documents");
    return NSString::stringByAppendingPathComponent(documents, NSString::lowercaseString(clientID));
}
