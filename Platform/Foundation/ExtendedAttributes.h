#pragma once

// Extended attributes of files and folders, and the "excluded from backup"
// resource value of a file URL, which is kept the same way.
//
// Names are stored in the file system's user namespace: the name "a.b" is the
// attribute "user.a.b". A file system that refuses user attributes answers
// with a failure and says so in the message.

#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>

// The resource key of a file URL that keeps the item out of device backups.
inline constexpr const char* NSURLIsExcludedFromBackupKey = "NSURLIsExcludedFromBackupKey";

namespace ExtendedAttributes {

bool setAttribute(const std::string& path, const std::string& name, const Data& value, std::string* error = nullptr);
// nullopt when the item has no such attribute or cannot be read.
std::optional<Data> attribute(const std::string& path, const std::string& name, std::string* error = nullptr);
bool removeAttribute(const std::string& path, const std::string& name, std::string* error = nullptr);

// The URL resource value: YES stores the one byte 1 under
// NSURLIsExcludedFromBackupKey, NO removes it.
bool setExcludedFromBackup(const std::string& path, bool excluded, std::string* error = nullptr);
bool isExcludedFromBackup(const std::string& path);

}  // namespace ExtendedAttributes
