#include "Platform/Foundation/NSPathUtilities.h"

#include "Platform/Foundation/AppEnvironment.h"

std::string NSHomeDirectory()
{
    return AppEnvironment::homeDirectory();
}

std::string NSTemporaryDirectory()
{
    return AppEnvironment::homeDirectory() + "/tmp/";
}

std::vector<std::string> NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory, unsigned domainMask,
                                                             bool expandTilde)
{
    if (!(domainMask & NSUserDomainMask))
        return {};
    const char* folder = nullptr;
    switch (directory) {
    case NSLibraryDirectory:
        folder = "/Library";
        break;
    case NSDocumentDirectory:
        folder = "/Documents";
        break;
    case NSCachesDirectory:
        folder = "/Library/Caches";
        break;
    case NSApplicationSupportDirectory:
        folder = "/Library/Application Support";
        break;
    }
    if (!folder)
        return {};
    std::string home = expandTilde ? AppEnvironment::homeDirectory() : std::string("~");
    return { home + folder };
}
