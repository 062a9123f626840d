#include "Platform/CFNetwork/MIMETypes.h"

#include "Platform/Foundation/NSString.h"

#include <cctype>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace {

const std::map<std::string, std::string>& systemTable()
{
    static std::map<std::string, std::string> table;
    static std::once_flag once;
    std::call_once(once, [] {
        std::ifstream file("/etc/mime.types");
        std::string line;
        while (std::getline(file, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            std::istringstream words(line);
            std::string type, extension;
            words >> type;
            while (words >> extension)
                table.emplace(extension, type);
        }
    });
    return table;
}

}  // namespace

std::optional<std::string> MIMETypes::preferredMIMETypeForExtension(const std::string& extension)
{
    static const std::map<std::string, std::string> known = {
        { "pdf", "application/pdf" },
        { "zip", "application/zip" },
        { "json", "application/json" },
        { "xml", "application/xml" },
        { "txt", "text/plain" },
        { "html", "text/html" },
        { "htm", "text/html" },
        { "css", "text/css" },
        { "js", "application/javascript" },
        { "png", "image/png" },
        { "jpg", "image/jpeg" },
        { "jpeg", "image/jpeg" },
        { "gif", "image/gif" },
        { "mp4", "video/mp4" },
        { "mov", "video/quicktime" },
        { "m4v", "video/x-m4v" },
        { "doc", "application/msword" },
        { "xls", "application/vnd.ms-excel" },
        { "ppt", "application/vnd.ms-powerpoint" },
        { "docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document" },
        { "xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet" },
        { "pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation" },
        { "key", "application/x-iwork-keynote-sffkey" },
        { "plist", "application/x-plist" },
        { "sqlite", "application/x-sqlite3" },
    };
    std::string l = NSString::lowercaseASCII(extension);
    if (l.empty())
        return std::nullopt;
    if (auto it = known.find(l); it != known.end())
        return it->second;
    if (auto it = systemTable().find(l); it != systemTable().end())
        return it->second;
    return std::nullopt;
}
