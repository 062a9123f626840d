#include "Platform/Foundation/NSLog.h"

#include "Platform/Foundation/Clock.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex& logMutex()
{
    static std::mutex m;
    return m;
}

std::shared_ptr<std::function<void(const std::string&)>>& captureSlot()
{
    static std::shared_ptr<std::function<void(const std::string&)>> slot;
    return slot;
}

std::string stamp()
{
    double now = Clock::wallNow().secondsSince1970;
    double whole = std::floor(now);
    time_t seconds = static_cast<time_t>(whole);
    int millis = static_cast<int>((now - whole) * 1000);
    struct tm local { };
    localtime_r(&seconds, &local);
    char buffer[64];
    size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(buffer + n, sizeof buffer - n, ".%03d", millis);
    return buffer;
}

}  // namespace

void NSLogSetCapture(std::function<void(const std::string&)> capture)
{
    std::lock_guard lock(logMutex());
    captureSlot() = capture ? std::make_shared<std::function<void(const std::string&)>>(std::move(capture)) : nullptr;
}

void NSLogMessage(const std::string& message)
{
    std::shared_ptr<std::function<void(const std::string&)>> capture;
    {
        std::lock_guard lock(logMutex());
        capture = captureSlot();
    }
    // Called outside the lock so that a capture may itself log.
    if (capture) {
        (*capture)(message);
        return;
    }
    std::string line
        = stamp() + " " + program_invocation_short_name + "[" + std::to_string(getpid()) + "] " + message + "\n";
    std::lock_guard lock(logMutex());
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
