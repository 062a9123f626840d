#include "Platform/Foundation/PerformRequests.h"

#include "Platform/Foundation/NSTimer.h"

#include <memory>

namespace {

struct Request {
    const void* owner;
    std::string name;
    Value argument;
    std::weak_ptr<NSTimer> timer;
};

// Set once this thread's list is gone: an owner destroyed later in the
// thread's or the process's exit (a singleton) may still cancel its requests.
thread_local bool t_requestsGone = false;

// The requests waiting on this thread's loop.
struct Requests : std::vector<Request> {
    ~Requests() { t_requestsGone = true; }
};
thread_local Requests t_requests;

void prune()
{
    if (t_requestsGone)
        return;
    std::erase_if(t_requests, [](auto& r) {
        auto timer = r.timer.lock();
        return !timer || !timer->isValid();
    });
}

template <typename Match> void cancelMatching(Match match)
{
    if (t_requestsGone)
        return;
    std::vector<std::shared_ptr<NSTimer>> cancelled;
    std::erase_if(t_requests, [&](auto& r) {
        if (!match(r))
            return false;
        if (auto timer = r.timer.lock())
            cancelled.push_back(timer);
        return true;
    });
    // Invalidated after the list is settled: releasing a call may run
    // destructors that cancel further requests.
    for (auto& timer : cancelled)
        timer->invalidate();
}

}  // namespace

namespace PerformRequests {

void performAfterDelay(const void* owner, std::string name, std::function<void()> call, double delay, Value argument,
    std::vector<NSRunLoopMode> modes)
{
    if (!call || t_requestsGone)
        return;
    prune();
    auto timer = NSTimer::timerWithTimeInterval(delay, false, [call = std::move(call)](NSTimer&) { call(); });
    t_requests.push_back({ owner, std::move(name), std::move(argument), timer });
    auto loop = NSRunLoop::currentRunLoop();
    for (auto& mode : modes)
        loop->addTimer(timer, mode);
}

void cancelPreviousPerformRequests(const void* owner)
{
    cancelMatching([&](const Request& r) { return r.owner == owner; });
}

void cancelPreviousPerformRequests(const void* owner, const std::string& name, const Value& argument)
{
    cancelMatching([&](const Request& r) { return r.owner == owner && r.name == name && r.argument == argument; });
}

}  // namespace PerformRequests
