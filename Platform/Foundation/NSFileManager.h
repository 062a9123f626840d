#pragma once

// Files and folders. Every operation answers its failure as a value (false,
// nullopt) and, when `error` is given, a message naming the path and the
// cause; nothing throws.
//
// Copies and moves never replace what exists at the destination. A copy is
// made beside the destination under a temporary name and put in place in one
// step, so a failed or interrupted copy never leaves a partial file where a
// reader would take it for a whole one.

#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct NSFileAttributes {
    enum class Type { Regular, Directory, SymbolicLink, Other };
    Type fileType = Type::Regular;
    uint64_t fileSize = 0;
    Date fileModificationDate;
};

class NSFileManager {
public:
    static NSFileManager& defaultManager();

    // Follows symbolic links, as the platform does.
    bool fileExistsAtPath(const std::string& path) const;
    bool fileExistsAtPathIsDirectory(const std::string& path, bool* isDirectory) const;

    // Succeeds when the folder already exists (with intermediates) and fails
    // when something else is there.
    bool createDirectoryAtPathWithIntermediateDirectories(
        const std::string& path, bool intermediates, std::string* error = nullptr) const;

    // Copies a file, a symbolic link or a whole folder; fails when the
    // destination exists. Modification dates and permissions are kept.
    bool copyItemAtPathToPath(
        const std::string& source, const std::string& destination, std::string* error = nullptr) const;

    // Renames, or copies and removes across file systems; fails when the
    // destination exists.
    bool moveItemAtPathToPath(
        const std::string& source, const std::string& destination, std::string* error = nullptr) const;

    // Puts the file (or link) at `source` at `destination` in one step,
    // replacing a file there: a reader finds the old file or the new one,
    // never neither. A folder in the way is not replaced; it fails.
    bool replaceItemAtPathWithItemAtPath(
        const std::string& destination, const std::string& source, std::string* error = nullptr) const;

    // Removes a file, a link (not its target) or a whole folder; fails when
    // nothing is there.
    bool removeItemAtPath(const std::string& path, std::string* error = nullptr) const;

    // Names of the entries of a folder (not "." or ".."), in byte order.
    std::optional<std::vector<std::string>> contentsOfDirectoryAtPath(
        const std::string& path, std::string* error = nullptr) const;

    // Attributes of the item itself (a link is not followed).
    std::optional<NSFileAttributes> attributesOfItemAtPath(const std::string& path, std::string* error = nullptr) const;
    bool setModificationDateOfItemAtPath(const std::string& path, Date date, std::string* error = nullptr) const;
    std::optional<uint64_t> fileSizeAtPath(const std::string& path) const;

    // Whole-file read; nullopt when the file cannot be read.
    std::optional<Data> contentsAtPath(const std::string& path, std::string* error = nullptr) const;
    // Writes the file atomically (a temporary file renamed over the path), so
    // readers see the old contents or the new, never a mix. There is no flush
    // to the disk (it would cost milliseconds a write), so a power cut may
    // lose the latest write.
    bool createFileAtPathContents(const std::string& path, const Data& contents, std::string* error = nullptr) const;
    // The same with the new file's permission bits (0600 for files that hold passwords).
    bool createFileAtPathContentsPermissions(
        const std::string& path, const Data& contents, unsigned permissions, std::string* error = nullptr) const;
};
