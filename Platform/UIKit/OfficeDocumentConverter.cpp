#include "Platform/UIKit/OfficeDocumentConverter.h"

#include "Platform/CoreGraphics/CGPDFDocument.h"
#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSPathUtilities.h"

#include <csignal>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

// Shared by the main thread, which may cancel, and the conversion thread.
struct OfficeDocumentConverter::Conversion::State {
    std::mutex lock;
    bool cancelled = false;
    pid_t child = -1;  // the suite's process group while it runs and is not yet reaped
};

namespace {

using ConversionState = OfficeDocumentConverter::Conversion::State;

struct Outcome {
    std::optional<std::string> pdf;
    std::string error;
};

std::string lowercase(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The cache entries of one file share the prefix; the rest names its state.
std::string cachePrefix(const std::string& path) { return Hashing::md5HexLower(path) + "-"; }

std::optional<std::string> cacheName(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    long long modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return cachePrefix(path) + std::to_string(st.st_size) + "-" + std::to_string(modified) + ".pdf";
}

std::string cacheFolder()
{
    return NSSearchPathForDirectoriesInDomains(NSCachesDirectory, NSUserDomainMask, true).front() + "/OfficePreviews";
}

bool readablePDF(const std::string& path)
{
    auto document = CGPDFDocumentCreateWithURL(path);
    return document && CGPDFDocumentGetNumberOfPages(document) > 0;
}

// A file URL for the suite's profile option: every byte but the unreserved ones escaped.
std::string fileURL(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (char ch : path) {
        auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

// The suite says why it failed on a line starting "Error"; else the last thing it said.
std::string suiteComplaint(const std::string& logPath)
{
    std::ifstream log(logPath);
    std::string line, last, error;
    while (std::getline(log, line)) {
        if (line.empty())
            continue;
        last = line;
        if (line.rfind("Error", 0) == 0)
            error = line;
    }
    return error.empty() ? last : error;
}

void removeOlderEntries(const std::string& folder, const std::string& prefix, const std::string& keep)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name != keep && name.rfind(prefix, 0) == 0)
            fs::remove(it->path(), ec);
    }
}

Outcome runConversion(
    const std::string& path, const std::string& folder, const std::string& scratch, ConversionState& state)
{
    auto name = cacheName(path);
    if (!name)
        return { std::nullopt, "The document was not found." };
    std::string cached = folder + "/" + *name;
    // Converted while this request waited its turn.
    if (readablePDF(cached))
        return { cached, {} };

    std::error_code ec;
    std::string work = scratch + "/office-convert-" + Hashing::uuidString();
    fs::create_directories(work + "/out", ec);
    if (ec)
        return { std::nullopt, "The document could not be prepared for showing: " + ec.message() + "." };
    struct Cleanup {
        std::string folder;
        ~Cleanup()
        {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } cleanup { work };

    std::string logPath = work + "/log";
    std::vector<std::string> args = {
        "soffice",
        "--headless",
        "--invisible",
        "--nologo",
        "--norestore",
        "--nolockcheck",
        "--nodefault",
        "-env:UserInstallation=" + fileURL(scratch + "/office-profile"),
        "--convert-to",
        "pdf",
        "--outdir",
        work + "/out",
        path,
    };
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that a conversion that overruns is stopped with every process it started.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = -1;
    int spawned = -1;
    bool cancelled;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        cancelled = state.cancelled;
        if (!cancelled)
            spawned = posix_spawnp(&child, "soffice", &actions, &attributes, argv.data(), environ);
        if (spawned == 0)
            state.child = child;
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (cancelled)
        return { std::nullopt, "The conversion was cancelled." };
    if (spawned != 0)
        return { std::nullopt,
            spawned == ENOENT ? std::string("The office suite that shows this document is not installed.")
                              : "The office suite could not be started: " + std::string(strerror(spawned)) + "." };

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(OfficeDocumentConverter::kTimeoutSeconds);
    int status = 0;
    for (;;) {
        {
            // Reaped under the lock, so that a cancel never signals a process id used again.
            std::lock_guard<std::mutex> hold(state.lock);
            pid_t done = waitpid(child, &status, WNOHANG);
            if (done == child || (done < 0 && errno != EINTR)) {
                state.child = -1;
                if (done != child)
                    return { std::nullopt, "The office suite was lost while converting the document." };
                if (state.cancelled)
                    return { std::nullopt, "The conversion was cancelled." };
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(-child, SIGKILL);
                waitpid(child, &status, 0);
                state.child = -1;
                return { std::nullopt, "The document took too long to convert for showing." };
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    // The suite names its output after the document, and may end well even when it wrote nothing.
    std::string output = work + "/out/" + fs::path(path).stem().string() + ".pdf";
    if (!readablePDF(output)) {
        std::string said = suiteComplaint(logPath);
        return { std::nullopt,
            "The document could not be converted for showing; it may be damaged or not of its kind"
                + (said.empty() ? std::string(".") : " (" + said + ").") };
    }
    fs::create_directories(folder, ec);
    std::string partial = cached + ".part";
    fs::rename(output, partial, ec);
    if (ec) {
        ec.clear();
        fs::copy_file(output, partial, fs::copy_options::overwrite_existing, ec);
    }
    if (!ec)
        fs::rename(partial, cached, ec);
    if (ec)
        return { std::nullopt, "The converted document could not be kept: " + ec.message() + "." };
    removeOlderEntries(folder, cachePrefix(path), *name);
    return { cached, {} };
}

dispatch_queue_t conversionQueue()
{
    // One at a time: the suite's profile folder takes one process.
    static dispatch_queue_t queue = dispatch_queue_create("corvelle.office-conversion", DISPATCH_QUEUE_SERIAL);
    return queue;
}

}  // namespace

bool OfficeDocumentConverter::convertsExtension(const std::string& extension)
{
    static const char* const kinds[] = { "ppt", "pptx", "xls", "xlsx", "doc", "docx" };
    std::string lower = lowercase(extension);
    for (const char* kind : kinds)
        if (lower == kind)
            return true;
    return false;
}

std::optional<std::string> OfficeDocumentConverter::cachedPDFPath(const std::string& path)
{
    auto name = cacheName(path);
    if (!name)
        return std::nullopt;
    std::string cached = cacheFolder() + "/" + *name;
    if (::access(cached.c_str(), R_OK) != 0)
        return std::nullopt;
    return cached;
}

void OfficeDocumentConverter::Conversion::cancel()
{
    std::lock_guard<std::mutex> hold(m_state->lock);
    m_state->cancelled = true;
    if (m_state->child > 0)
        kill(-m_state->child, SIGKILL);
}

bool OfficeDocumentConverter::Conversion::isCancelled() const
{
    std::lock_guard<std::mutex> hold(m_state->lock);
    return m_state->cancelled;
}

std::shared_ptr<OfficeDocumentConverter::Conversion> OfficeDocumentConverter::convert(
    const std::string& path, Completion completion)
{
    auto conversion = std::make_shared<Conversion>();
    conversion->m_state = std::make_shared<Conversion::State>();
    // The folders are read here, on the main thread, where the home is set.
    std::string folder = cacheFolder();
    std::string scratch = NSTemporaryDirectory();
    while (scratch.size() > 1 && scratch.back() == '/')
        scratch.pop_back();
    auto state = conversion->m_state;
    dispatch_async(conversionQueue(), [path, folder, scratch, state, completion = std::move(completion)]() mutable {
        auto outcome = runConversion(path, folder, scratch, *state);
        dispatch_async(
            dispatch_get_main_queue(), [outcome = std::move(outcome), state, completion = std::move(completion)] {
                bool cancelled;
                {
                    std::lock_guard<std::mutex> hold(state->lock);
                    cancelled = state->cancelled;
                }
                if (!cancelled)
                    completion(outcome.pdf, outcome.error);
            });
    });
    return conversion;
}
