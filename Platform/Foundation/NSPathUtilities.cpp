#include "Platform/Foundation/NSPathUtilities.h"

#include "Platform/Foundation/AppEnvironment.h"

#include <algorithm>

std::string NSHomeDirectory() { return AppEnvironment::homeDirectory(); }

std::string NSTemporaryDirectory() { return AppEnvironment::homeDirectory() + "/tmp/"; }

std::vector<std::string> NSSearchPathForDirectoriesInDomains(
    NSSearchPathDirectory directory, unsigned domainMask, bool expandTilde)
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

bool NSPathIsSafeComponent(std::string_view name)
{
    // A blank name would make a folder no one can tell from a typing slip.
    const bool blank = std::all_of(name.begin(), name.end(),
        [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; });
    if (blank || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::optional<std::string> NSPathSafeRelativePath(std::string_view path)
{
    std::string name(path);
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.empty() || name.front() == '/')
        return std::nullopt;
    std::string out;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string_view part = std::string_view(name).substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        // ".." is refused rather than resolved: a name that climbs is never one a
        // well-meaning writer made, and resolving it hides where it meant to go.
        if (!NSPathIsSafeComponent(part))
            return std::nullopt;
        if (!out.empty())
            out += '/';
        out += part;
    }
    // A drive letter makes the name absolute on the systems that wrote it; it is
    // looked for after "./" parts are dropped, so that none can hide it.
    if (out.empty() || (out.size() >= 2 && out[1] == ':'))
        return std::nullopt;
    return out;
}

std::optional<std::string> NSPathUnderRoot(const std::string& root, std::string_view relative)
{
    auto safe = NSPathSafeRelativePath(relative);
    if (!safe)
        return std::nullopt;
    if (root.empty() || root.back() == '/')
        return root + *safe;
    return root + "/" + *safe;
}
