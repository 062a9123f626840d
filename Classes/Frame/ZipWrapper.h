#pragma once

// Zip archives over minizip: reading (the skin archive, the demo data) and
// writing. An archive opened for reading is unpacked into a folder entry by
// entry; an entry that cannot be read whole, whose name would land outside the
// destination or outside the allowed folders, or that would pass the caps
// stops the unpacking with NO and leaves no partial file of it behind, so that
// the caller can remove what was made and try again later.

#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ZipWrapperDelegate {
public:
    virtual ~ZipWrapperDelegate() = default;
    // Optional members: each is asked only when its implements... says so.
    virtual bool implementsErrorMessage() const { return false; }
    virtual void ErrorMessage(const std::string& message) { }
    virtual bool implementsOverWriteOperation() const { return false; }
    // YES lets an existing file be replaced when unpacking without overwrite.
    virtual bool OverWriteOperation(const std::string& path) { return true; }
};

class ZipWrapper {
public:
    ZipWrapper();
    ~ZipWrapper();
    ZipWrapper(const ZipWrapper&) = delete;
    ZipWrapper& operator=(const ZipWrapper&) = delete;

    std::weak_ptr<ZipWrapperDelegate> delegate;

    // What one unpacking may write at most. An archive is small on the wire
    // but may expand a thousandfold; past a cap the unpacking stops with NO.
    struct Limits {
        uint64_t entries = 2000;
        uint64_t entryBytes = 16u << 20;
        uint64_t totalBytes = 64u << 20;
    };
    Limits limits;
    // When set, every entry's normalised path must lie inside one of these
    // top folders of the destination; any other entry refuses the archive.
    std::vector<std::string> allowedFolders;

    // Reading.
    bool UnzipOpenFile(const std::string& path);
    bool UnzipOpenFilePassword(const std::string& path, const std::string& password);
    bool UnzipFileToOverWrite(const std::string& folder, bool overwrite);
    bool UnzipCloseFile();

    // Writing.
    bool CreateZipFile2(const std::string& path);
    bool CreateZipFile2Password(const std::string& path, const std::string& password);
    bool addFileToZipNewname(const std::string& file, const std::string& newname);
    bool CloseZipFile2();

    // 1 January 1980 (local time), the earliest date a zip entry can carry.
    static Date Date1980();

private:
    void reportError(const std::string& message);
    bool isAllowed(const std::string& relative) const;

    void* m_zipFile = nullptr;
    void* m_unzFile = nullptr;
    std::optional<std::string> m_password;
};
