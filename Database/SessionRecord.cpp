#include "Database/SessionRecord.h"

#include <mutex>
#include <utility>

namespace CurrentSession {

namespace {

    std::mutex& sourceLock()
    {
        static std::mutex lock;
        return lock;
    }

    std::function<SessionRecord()>& installed()
    {
        static std::function<SessionRecord()> source;
        return source;
    }

}  // namespace

void setSource(std::function<SessionRecord()> source)
{
    std::lock_guard<std::mutex> guard(sourceLock());
    installed() = std::move(source);
}

SessionRecord record()
{
    std::function<SessionRecord()> source;
    {
        std::lock_guard<std::mutex> guard(sourceLock());
        source = installed();
    }
    return source ? source() : SessionRecord();
}

}  // namespace CurrentSession
