#include "Platform/Foundation/ExtendedAttributes.h"

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>

namespace {

std::string userName(const std::string& name) { return "user." + name; }

bool fail(std::string* error, const std::string& what, const std::string& name, const std::string& path, int code)
{
    if (error) {
        if (code == ENOTSUP)
            *error = what + " " + name + " of " + path + ": the file system does not keep user attributes";
        else
            *error = what + " " + name + " of " + path + ": " + std::strerror(code);
    }
    return false;
}

}  // namespace

namespace ExtendedAttributes {

bool setAttribute(const std::string& path, const std::string& name, const Data& value, std::string* error)
{
    if (name.empty())
        return fail(error, "Cannot set attribute", "(no name)", path, EINVAL);
    if (::setxattr(path.c_str(), userName(name).c_str(), value.data(), value.size(), 0) != 0)
        return fail(error, "Cannot set attribute", name, path, errno);
    return true;
}

std::optional<Data> attribute(const std::string& path, const std::string& name, std::string* error)
{
    std::string attributeName = userName(name);
    // The size may change between the two calls; try again when it grew.
    for (int attempt = 0; attempt < 4; ++attempt) {
        ssize_t size = ::getxattr(path.c_str(), attributeName.c_str(), nullptr, 0);
        if (size < 0) {
            fail(error, "Cannot read attribute", name, path, errno);
            return std::nullopt;
        }
        Data value(static_cast<size_t>(size));
        ssize_t got = ::getxattr(path.c_str(), attributeName.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<size_t>(got));
            return value;
        }
        if (errno != ERANGE) {
            fail(error, "Cannot read attribute", name, path, errno);
            return std::nullopt;
        }
    }
    fail(error, "Cannot read attribute", name, path, ERANGE);
    return std::nullopt;
}

bool removeAttribute(const std::string& path, const std::string& name, std::string* error)
{
    if (::removexattr(path.c_str(), userName(name).c_str()) != 0)
        return fail(error, "Cannot remove attribute", name, path, errno);
    return true;
}

bool setExcludedFromBackup(const std::string& path, bool excluded, std::string* error)
{
    if (excluded)
        return setAttribute(path, NSURLIsExcludedFromBackupKey, Data { 1 }, error);
    if (::removexattr(path.c_str(), userName(NSURLIsExcludedFromBackupKey).c_str()) == 0 || errno == ENODATA)
        return true;  // not being marked is what was asked for
    return fail(error, "Cannot remove attribute", NSURLIsExcludedFromBackupKey, path, errno);
}

bool isExcludedFromBackup(const std::string& path)
{
    auto value = attribute(path, NSURLIsExcludedFromBackupKey);
    return value && value->size() == 1 && (*value)[0] == 1;
}

}  // namespace ExtendedAttributes
