#include "Classes/Frame/ZipWrapper.h"

#include "Platform/Foundation/NSDateTimeZone.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

unzFile asUnz(void* p) { return static_cast<unzFile>(p); }
zipFile asZip(void* p) { return static_cast<zipFile>(p); }

Date localDate(int year, int month, int day, int hour, int minute, int second)
{
    const int64_t local = CivilTime::daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    const long offset = NSTimeZone::localTimeZone()->secondsFromGMTForLocalTime(local);
    return Date { static_cast<double>(local - offset) };
}

struct FileCloser {
    void operator()(FILE* f) const
    {
        if (f)
            std::fclose(f);
    }
};

}  // namespace

ZipWrapper::ZipWrapper() = default;

ZipWrapper::~ZipWrapper()
{
    CloseZipFile2();
    UnzipCloseFile();
}

Date ZipWrapper::Date1980() { return localDate(1980, 1, 1, 0, 0, 0); }

void ZipWrapper::reportError(const std::string& message)
{
    NSLog("%@", message);
    if (auto d = delegate.lock(); d && d->implementsErrorMessage())
        d->ErrorMessage(message);
}

bool ZipWrapper::isAllowed(const std::string& relative) const
{
    if (allowedFolders.empty())
        return true;
    for (const auto& folder : allowedFolders) {
        if (relative.size() > folder.size() && relative.compare(0, folder.size(), folder) == 0
            && relative[folder.size()] == '/')
            return true;
    }
    return false;
}

bool ZipWrapper::UnzipOpenFile(const std::string& path)
{
    UnzipCloseFile();
    m_unzFile = unzOpen64(path.c_str());
    if (!m_unzFile)
        return false;
    unz_global_info64 info {};
    if (unzGetGlobalInfo64(asUnz(m_unzFile), &info) == UNZ_OK)
        NSLog("%d entries in the zip file", static_cast<int>(info.number_entry));
    return true;
}

bool ZipWrapper::UnzipOpenFilePassword(const std::string& path, const std::string& password)
{
    if (!UnzipOpenFile(path))
        return false;
    m_password = password;
    return true;
}

bool ZipWrapper::UnzipFileToOverWrite(const std::string& folder, bool overwrite)
{
    if (!m_unzFile)
        return false;
    auto& files = NSFileManager::defaultManager();
    // The count the archive declares is refused before anything is written.
    unz_global_info64 global {};
    if (unzGetGlobalInfo64(asUnz(m_unzFile), &global) == UNZ_OK && global.number_entry > limits.entries) {
        reportError(stringWithFormat(
            "Refused zip file of %d entries", static_cast<int>(std::min<uint64_t>(global.number_entry, INT32_MAX))));
        return false;
    }
    uint64_t entries = 0;
    uint64_t total = 0;
    int status = unzGoToFirstFile(asUnz(m_unzFile));
    if (status != UNZ_OK)
        reportError("Failed");
    while (status == UNZ_OK) {
        if (++entries > limits.entries) {
            reportError("Refused zip file: too many entries");
            return false;
        }
        const int opened = m_password ? unzOpenCurrentFilePassword(asUnz(m_unzFile), m_password->c_str())
                                      : unzOpenCurrentFile(asUnz(m_unzFile));
        if (opened != UNZ_OK) {
            reportError("Error occurs");
            return false;
        }
        unz_file_info64 info {};
        char rawName[1024] = {};
        if (unzGetCurrentFileInfo64(asUnz(m_unzFile), &info, rawName, sizeof rawName - 1, nullptr, 0, nullptr, 0)
            != UNZ_OK) {
            reportError("Error occurs while getting file info");
            unzCloseCurrentFile(asUnz(m_unzFile));
            return false;
        }
        // A name that fills the buffer was cut short and names another file.
        const std::string entryName(rawName, ::strnlen(rawName, sizeof rawName));
        const bool isFolder = !entryName.empty() && (entryName.back() == '/' || entryName.back() == '\\');
        auto relative = NSPathSafeRelativePath(entryName);
        if (info.size_filename >= sizeof rawName - 1) {
            reportError(stringWithFormat("Refused zip entry with an overlong name: %@", entryName));
            unzCloseCurrentFile(asUnz(m_unzFile));
            return false;
        }
        if (!relative || !isAllowed(isFolder ? *relative + "/" : *relative)) {
            reportError(stringWithFormat("Refused zip entry outside the destination: %@", entryName));
            unzCloseCurrentFile(asUnz(m_unzFile));
            return false;
        }
        if (!isFolder
            && (info.uncompressed_size > limits.entryBytes || info.uncompressed_size > limits.totalBytes - total)) {
            reportError(stringWithFormat("Refused zip entry %@: larger than an archive may unpack", entryName));
            unzCloseCurrentFile(asUnz(m_unzFile));
            return false;
        }
        const std::string target = NSString::stringByAppendingPathComponent(folder, *relative);
        const std::string targetFolder = isFolder ? target : NSString::stringByDeletingLastPathComponent(target);
        files.createDirectoryAtPathWithIntermediateDirectories(targetFolder, true);

        bool write = overwrite || isFolder || !files.fileExistsAtPath(target);
        if (!write) {
            auto d = delegate.lock();
            write = !(d && d->implementsOverWriteOperation()) || d->OverWriteOperation(target);
        }
        if (write && !isFolder) {
            std::unique_ptr<FILE, FileCloser> out(std::fopen(target.c_str(), "wb"));
            bool failed = !out;
            if (failed)
                reportError(stringWithFormat("Failed to create the file %@", target));
            uint64_t written = 0;
            char buffer[4096];
            while (!failed) {
                const int read = unzReadCurrentFile(asUnz(m_unzFile), buffer, sizeof buffer);
                if (read < 0) {
                    reportError("Failed to reading zip file");
                    failed = true;
                } else if (read == 0) {
                    break;
                } else if ((written += static_cast<uint64_t>(read)) > limits.entryBytes
                    || written > limits.totalBytes - total) {
                    // The declared size can lie; what is read is what counts.
                    reportError(stringWithFormat("Refused zip entry %@: larger than an archive may unpack", entryName));
                    failed = true;
                } else if (std::fwrite(buffer, 1, static_cast<size_t>(read), out.get()) != static_cast<size_t>(read)) {
                    reportError(stringWithFormat("Failed to write the file %@", target));
                    failed = true;
                }
            }
            if (out && std::fclose(out.release()) != 0)
                failed = true;
            // The check of the whole entry's CRC comes with closing it.
            if (!failed && unzCloseCurrentFile(asUnz(m_unzFile)) != UNZ_OK) {
                reportError(stringWithFormat("Failed to reading zip file: %@ is damaged", entryName));
                failed = true;
            }
            if (failed) {
                unzCloseCurrentFile(asUnz(m_unzFile));
                files.removeItemAtPath(target);
                return false;
            }
            total += written;
            const auto& d = info.tmu_date;
            const Date date
                = localDate(static_cast<int>(d.tm_year), static_cast<int>(d.tm_mon) + 1, static_cast<int>(d.tm_mday),
                    static_cast<int>(d.tm_hour), static_cast<int>(d.tm_min), static_cast<int>(d.tm_sec));
            if (!files.setModificationDateOfItemAtPath(target, date))
                NSLog("Failed to set attributes");
        } else {
            unzCloseCurrentFile(asUnz(m_unzFile));
        }
        status = unzGoToNextFile(asUnz(m_unzFile));
    }
    return status == UNZ_END_OF_LIST_OF_FILE || status == UNZ_OK;
}

bool ZipWrapper::UnzipCloseFile()
{
    m_password.reset();
    if (!m_unzFile)
        return true;
    const bool ok = unzClose(asUnz(m_unzFile)) == UNZ_OK;
    m_unzFile = nullptr;
    return ok;
}

bool ZipWrapper::CreateZipFile2(const std::string& path)
{
    CloseZipFile2();
    m_zipFile = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    return m_zipFile != nullptr;
}

bool ZipWrapper::CreateZipFile2Password(const std::string& path, const std::string& password)
{
    if (!CreateZipFile2(path))
        return false;
    m_password = password;
    return true;
}

bool ZipWrapper::addFileToZipNewname(const std::string& file, const std::string& newname)
{
    if (!m_zipFile)
        return false;
    auto& files = NSFileManager::defaultManager();
    zip_fileinfo info {};
    if (auto attributes = files.attributesOfItemAtPath(file)) {
        const auto seconds = static_cast<std::time_t>(attributes->fileModificationDate.secondsSince1970);
        std::tm local {};
        localtime_r(&seconds, &local);
        info.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
        info.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
        info.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
        info.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
        info.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
        info.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
    }
    auto contents = files.contentsAtPath(file);
    if (!contents)
        return false;
    uLong crc = 0;
    if (m_password)
        crc = crc32(0L, reinterpret_cast<const Bytef*>(contents->data()), static_cast<uInt>(contents->size()));
    int ret = zipOpenNewFileInZip3_64(asZip(m_zipFile), newname.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
        Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, 15, 8, Z_DEFAULT_STRATEGY, m_password ? m_password->c_str() : nullptr,
        crc, contents->size() >= 0xffffffffu);
    if (ret != ZIP_OK)
        return false;
    ret = zipWriteInFileInZip(asZip(m_zipFile), contents->data(), static_cast<unsigned>(contents->size()));
    const int closed = zipCloseFileInZip(asZip(m_zipFile));
    return ret == ZIP_OK && closed == ZIP_OK;
}

bool ZipWrapper::CloseZipFile2()
{
    if (!m_zipFile)
        return false;
    m_password.reset();
    const bool ok = zipClose(asZip(m_zipFile), nullptr) == ZIP_OK;
    m_zipFile = nullptr;
    return ok;
}
