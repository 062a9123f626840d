#include "Platform/Foundation/NSFileManager.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fail(std::string* error, const std::string& what, const std::string& path, int code)
{
    if (error)
        *error = what + " " + path + ": " + std::strerror(code);
    return false;
}

bool failWith(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

struct FileDescriptor {
    int fd = -1;
    explicit FileDescriptor(int f)
        : fd(f)
    {
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release()
    {
        int f = fd;
        fd = -1;
        return f;
    }
};

std::string parentOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string lastComponent(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    auto slash = p.find_last_of('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

// A name beside `path` that nobody else uses: hidden, with the process id and
// a counter, so that concurrent writers never share one.
std::string temporarySibling(const std::string& path)
{
    static std::atomic<uint64_t> counter { 0 };
    std::string base = lastComponent(path);
    return parentOf(path) + "/." + base + ".partial-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

timespec timespecOf(Date date)
{
    double whole = std::floor(date.secondsSince1970);
    timespec ts {};
    ts.tv_sec = static_cast<time_t>(whole);
    ts.tv_nsec = static_cast<long>(std::lround((date.secondsSince1970 - whole) * 1e9));
    if (ts.tv_nsec >= 1'000'000'000) {
        ts.tv_sec += 1;
        ts.tv_nsec -= 1'000'000'000;
    }
    return ts;
}

Date dateOf(const timespec& ts)
{
    return Date { static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9 };
}

void removeTree(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

bool writeAll(int fd, const uint8_t* bytes, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool copyFileContents(
    const std::string& source, const std::string& destination, const struct stat& st, std::string* error)
{
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0)
        return fail(error, "Cannot read", source, errno);
    FileDescriptor out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
    if (out.fd < 0)
        return fail(error, "Cannot create", destination, errno);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[1 << 16]);
    for (;;) {
        ssize_t n = ::read(in.fd, buffer.get(), 1 << 16);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(error, "Cannot read", source, errno);
        }
        if (n == 0)
            break;
        if (!writeAll(out.fd, buffer.get(), static_cast<size_t>(n)))
            return fail(error, "Cannot write", destination, errno);
    }
    timespec times[2] = { st.st_atim, st.st_mtim };
    ::futimens(out.fd, times);
    if (::close(out.release()) != 0)
        return fail(error, "Cannot write", destination, errno);
    return true;
}

bool copyTree(const std::string& source, const std::string& destination, std::string* error)
{
    struct stat st { };
    if (::lstat(source.c_str(), &st) != 0)
        return fail(error, "Cannot copy", source, errno);
    if (S_ISLNK(st.st_mode)) {
        std::error_code ec;
        auto target = std::filesystem::read_symlink(source, ec);
        if (ec)
            return fail(error, "Cannot read link", source, ec.value());
        if (::symlink(target.c_str(), destination.c_str()) != 0)
            return fail(error, "Cannot create", destination, errno);
        return true;
    }
    if (S_ISREG(st.st_mode))
        return copyFileContents(source, destination, st, error);
    if (!S_ISDIR(st.st_mode))
        return failWith(error, "Cannot copy " + source + ": not a file, link or folder");

    if (::mkdir(destination.c_str(), 0700) != 0)
        return fail(error, "Cannot create", destination, errno);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(source.c_str()), ::closedir);
    if (!dir)
        return fail(error, "Cannot list", source, errno);
    while (dirent* entry = ::readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (!copyTree(source + "/" + name, destination + "/" + name, error))
            return false;
    }
    ::chmod(destination.c_str(), st.st_mode & 07777);
    timespec times[2] = { st.st_atim, st.st_mtim };
    ::utimensat(AT_FDCWD, destination.c_str(), times, 0);
    return true;
}

bool exists(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0;
}

// Whether `path` would lie in the folder `folder` (or be it), once both are
// resolved; a copy there would copy itself without end.
bool isInside(const std::string& path, const std::string& folder)
{
    std::error_code ec;
    auto resolvedFolder = std::filesystem::weakly_canonical(folder, ec);
    if (ec)
        return false;
    auto resolvedPath = std::filesystem::weakly_canonical(path, ec);
    if (ec)
        return false;
    auto [folderEnd, pathAt]
        = std::mismatch(resolvedFolder.begin(), resolvedFolder.end(), resolvedPath.begin(), resolvedPath.end());
    return folderEnd == resolvedFolder.end();
}

// Puts `from` at `to` unless something is already there, in one step where the
// file system allows it.
int renameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // No support for the flag here: check first, then rename.
    if (exists(to))
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

NSFileManager& NSFileManager::defaultManager()
{
    static NSFileManager manager;
    return manager;
}

bool NSFileManager::fileExistsAtPath(const std::string& path) const
{
    struct stat st { };
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool NSFileManager::fileExistsAtPathIsDirectory(const std::string& path, bool* isDirectory) const
{
    struct stat st { };
    bool found = !path.empty() && ::stat(path.c_str(), &st) == 0;
    if (isDirectory)
        *isDirectory = found && S_ISDIR(st.st_mode);
    return found;
}

bool NSFileManager::createDirectoryAtPathWithIntermediateDirectories(
    const std::string& path, bool intermediates, std::string* error) const
{
    if (path.empty())
        return failWith(error, "Cannot create a folder without a path");
    if (!intermediates) {
        if (::mkdir(path.c_str(), 0755) != 0)
            return fail(error, "Cannot create", path, errno);
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    bool isDirectory = false;
    if (fileExistsAtPathIsDirectory(path, &isDirectory) && isDirectory)
        return true;
    return fail(error, "Cannot create", path, ec ? ec.value() : EEXIST);
}

bool NSFileManager::copyItemAtPathToPath(
    const std::string& source, const std::string& destination, std::string* error) const
{
    if (source.empty() || destination.empty())
        return failWith(error, "Cannot copy without both paths");
    if (!exists(source))
        return fail(error, "Cannot copy", source, ENOENT);
    if (exists(destination))
        return fail(error, "Cannot copy to", destination, EEXIST);
    if (isInside(destination, source))
        return failWith(error, "Cannot copy " + source + " into itself (" + destination + ")");
    std::string partial = temporarySibling(destination);
    if (!copyTree(source, partial, error)) {
        removeTree(partial);
        return false;
    }
    if (int code = renameNoReplace(partial, destination)) {
        removeTree(partial);
        return fail(error, "Cannot copy to", destination, code);
    }
    return true;
}

bool NSFileManager::moveItemAtPathToPath(
    const std::string& source, const std::string& destination, std::string* error) const
{
    if (source.empty() || destination.empty())
        return failWith(error, "Cannot move without both paths");
    // The rename itself says when the source is missing: a look first would
    // cost every move a lookup.
    int code = renameNoReplace(source, destination);
    if (code == 0)
        return true;
    if (code == ENOENT && !exists(source))
        return fail(error, "Cannot move", source, ENOENT);
    if (code != EXDEV)
        return fail(error, "Cannot move " + source + " to", destination, code);
    if (!copyItemAtPathToPath(source, destination, error))
        return false;
    return removeItemAtPath(source, error);
}

bool NSFileManager::replaceItemAtPathWithItemAtPath(
    const std::string& destination, const std::string& source, std::string* error) const
{
    if (source.empty() || destination.empty())
        return failWith(error, "Cannot replace without both paths");
    if (::rename(source.c_str(), destination.c_str()) == 0)
        return true;
    int code = errno;
    if (code == ENOENT && !exists(source))
        return fail(error, "Cannot replace with", source, ENOENT);
    if (code != EXDEV)
        return fail(error, "Cannot replace", destination, code);
    // Another file system: the copy is made beside the destination and put
    // over it in one step, so a reader never sees half of it.
    std::string partial = temporarySibling(destination);
    if (!copyTree(source, partial, error)) {
        removeTree(partial);
        return false;
    }
    if (::rename(partial.c_str(), destination.c_str()) != 0) {
        code = errno;
        removeTree(partial);
        return fail(error, "Cannot replace", destination, code);
    }
    return removeItemAtPath(source, error);
}

bool NSFileManager::removeItemAtPath(const std::string& path, std::string* error) const
{
    if (path.empty() || !exists(path))
        return fail(error, "Cannot remove", path, ENOENT);
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    if (ec)
        return fail(error, "Cannot remove", path, ec.value());
    return true;
}

std::optional<std::vector<std::string>> NSFileManager::contentsOfDirectoryAtPath(
    const std::string& path, std::string* error) const
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(path.empty() ? nullptr : ::opendir(path.c_str()), ::closedir);
    if (!dir) {
        fail(error, "Cannot list", path, path.empty() ? ENOENT : errno);
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<NSFileAttributes> NSFileManager::attributesOfItemAtPath(const std::string& path, std::string* error) const
{
    struct stat st { };
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
        fail(error, "Cannot read the attributes of", path, path.empty() ? ENOENT : errno);
        return std::nullopt;
    }
    NSFileAttributes attributes;
    if (S_ISREG(st.st_mode))
        attributes.fileType = NSFileAttributes::Type::Regular;
    else if (S_ISDIR(st.st_mode))
        attributes.fileType = NSFileAttributes::Type::Directory;
    else if (S_ISLNK(st.st_mode))
        attributes.fileType = NSFileAttributes::Type::SymbolicLink;
    else
        attributes.fileType = NSFileAttributes::Type::Other;
    attributes.fileSize = static_cast<uint64_t>(st.st_size);
    attributes.fileModificationDate = dateOf(st.st_mtim);
    return attributes;
}

bool NSFileManager::setModificationDateOfItemAtPath(const std::string& path, Date date, std::string* error) const
{
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = timespecOf(date);
    if (path.empty() || ::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        return fail(error, "Cannot set the modification date of", path, path.empty() ? ENOENT : errno);
    return true;
}

std::optional<uint64_t> NSFileManager::fileSizeAtPath(const std::string& path) const
{
    struct stat st { };
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

std::optional<Data> NSFileManager::contentsAtPath(const std::string& path, std::string* error) const
{
    FileDescriptor in(path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) {
        fail(error, "Cannot read", path, path.empty() ? ENOENT : errno);
        return std::nullopt;
    }
    Data data;
    struct stat st { };
    if (::fstat(in.fd, &st) == 0 && st.st_size > 0)
        data.reserve(static_cast<size_t>(st.st_size));
    uint8_t buffer[1 << 15];
    for (;;) {
        ssize_t n = ::read(in.fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(error, "Cannot read", path, errno);
            return std::nullopt;
        }
        if (n == 0)
            break;
        data.insert(data.end(), buffer, buffer + n);
    }
    return data;
}

bool NSFileManager::createFileAtPathContents(const std::string& path, const Data& contents, std::string* error) const
{
    return createFileAtPathContentsPermissions(path, contents, 0666, error);
}

bool NSFileManager::createFileAtPathContentsPermissions(
    const std::string& path, const Data& contents, unsigned permissions, std::string* error) const
{
    if (path.empty())
        return failWith(error, "Cannot write a file without a path");
    std::string partial = temporarySibling(path);
    FileDescriptor out(
        ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(permissions)));
    if (out.fd < 0)
        return fail(error, "Cannot write", path, errno);
    bool written = writeAll(out.fd, contents.data(), contents.size());
    int code = errno;
    if (::close(out.release()) != 0 && written) {
        written = false;
        code = errno;
    }
    if (!written) {
        ::unlink(partial.c_str());
        return fail(error, "Cannot write", path, code);
    }
    if (::rename(partial.c_str(), path.c_str()) != 0) {
        code = errno;
        ::unlink(partial.c_str());
        return fail(error, "Cannot write", path, code);
    }
    return true;
}
