#include "Database/ClientFolder.h"

#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

#include <algorithm>

namespace {

bool isBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; });
}

bool isSafeComponent(std::string_view name)
{
    if (isBlank(name) || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace

bool ClientFolder::isValidClientID(std::string_view clientID)
{
    // The folder is named by the lower-cased id, so that form must pass too.
    return isSafeComponent(clientID) && isSafeComponent(NSString::lowercaseString(clientID));
}

std::optional<std::string> ClientFolder::pathForClientID(std::string_view clientID)
{
    if (!isValidClientID(clientID))
        return std::nullopt;
    const std::string documents = NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Documents");
    return NSString::stringByAppendingPathComponent(documents, NSString::lowercaseString(clientID));
}
