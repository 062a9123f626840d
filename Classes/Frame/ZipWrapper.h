#pragma once

// Zip archives over minizip: reading (the skin archive, the demo data) and
// writing. An archive opened for reading is unpacked into a folder entry by
// entry; an entry that cannot be read whole, or whose name would land outside
// the destination, stops the unpacking with NO and leaves no partial file of
// it behind, so that the caller can remove what was made and try again later.

#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>

class ZipWrapperDelegate {
public:
    virtual ~ZipWrapperDelegate() = default;
    // Optional members: each is asked only when its implements... says so.
    virtual bool implementsErrorMessage() const { return false; }
    virtual void ErrorMessage(const std::string& message) {}
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

    // The entry name as a relative path inside the destination: "\" read as
    // "/", "." dropped, ".." resolved; nothing when it is absolute or leaves
    // the destination.
    static std::optional<std::string> safeRelativePath(const std::string& entryName);

private:
    void reportError(const std::string& message);

    void* m_zipFile = nullptr;
    void* m_unzFile = nullptr;
    std::optional<std::string> m_password;
};
