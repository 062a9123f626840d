// Whatever bytes an archive holds, unpacking it writes only inside the
// allowed folder of its destination and never more than its caps, and a
// refused archive leaves no file it was writing.
#include "Classes/Frame/ZipWrapper.h"
#include "Platform/Foundation/NSLog.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const fs::path& scratch()
{
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "corvelle-zip-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        NSLogSetCapture([](const std::string&) {});
        return fs::path(pattern);
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fs::path archive = scratch() / "in.zip";
    const fs::path root = scratch() / "root";
    const fs::path destination = root / "dest";
    fs::remove_all(root);
    fs::create_directories(destination);
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ZipWrapper zip;
    zip.limits = { 16, 64 * 1024, 256 * 1024 };
    zip.allowedFolders = { "Allowed" };
    if (zip.UnzipOpenFile(archive.string())) {
        zip.UnzipFileToOverWrite(destination.string(), true);
        zip.UnzipCloseFile();
    }
    uintmax_t total = 0;
    size_t files = 0;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error); it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (it->path() == destination)
            continue;
        const fs::path relative = fs::relative(it->path(), destination);
        const std::string first = relative.begin() == relative.end() ? std::string() : relative.begin()->string();
        if (first != "Allowed") {
            std::fprintf(stderr, "written outside the allowed folder: %s\n", it->path().c_str());
            __builtin_trap();
        }
        if (it->is_symlink()) {
            std::fprintf(stderr, "a link was made: %s\n", it->path().c_str());
            __builtin_trap();
        }
        if (it->is_regular_file()) {
            const uintmax_t bytes = it->file_size();
            if (bytes > zip.limits.entryBytes) {
                std::fprintf(stderr, "an entry passed its cap: %s\n", it->path().c_str());
                __builtin_trap();
            }
            total += bytes;
            ++files;
        }
    }
    if (total > zip.limits.totalBytes || files > zip.limits.entries) {
        std::fprintf(stderr, "the archive passed its caps\n");
        __builtin_trap();
    }
    return 0;
}
