#include "Platform/Foundation/Clock.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>

namespace {

double systemMonotonic()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double systemWall()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

class SystemClock final : public Clock::Source {
public:
    double monotonic() override { return systemMonotonic(); }
    double wall() override { return systemWall(); }
};

struct ClockState {
    std::mutex lock;
    std::shared_ptr<Clock::Source> source = std::make_shared<SystemClock>();
    bool manual = false;
    std::map<int, Clock::AdvanceObserver> observers;
    int nextToken = 1;
};

// Never destroyed: background threads may read the clock while the process exits.
ClockState& state()
{
    static auto* s = new ClockState;
    return *s;
}

// Set while the system clock is the source: the clock is read on every turn
// of every loop, from several threads, and then needs neither the lock nor a
// count on a shared source. Trivially destroyed, so readable at exit too.
std::atomic<bool> g_systemSource { true };
std::atomic<bool> g_manual { false };

std::shared_ptr<Clock::Source> currentSource()
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    return s.source;
}

std::mutex& manualLock()
{
    static auto* m = new std::mutex;
    return *m;
}

}  // namespace

namespace Clock {

double now()
{
    if (g_systemSource.load(std::memory_order_acquire))
        return systemMonotonic();
    return currentSource()->monotonic();
}

Date wallNow()
{
    if (g_systemSource.load(std::memory_order_acquire))
        return Date { systemWall() };
    return Date { currentSource()->wall() };
}

bool isManual() { return g_manual.load(std::memory_order_acquire); }

std::shared_ptr<ManualClock> manualClock()
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    return s.manual ? std::static_pointer_cast<ManualClock>(s.source) : nullptr;
}

void setSource(std::shared_ptr<Source> source)
{
    {
        auto& s = state();
        std::lock_guard guard(s.lock);
        s.manual = source != nullptr && std::dynamic_pointer_cast<ManualClock>(source) != nullptr;
        bool system = source == nullptr;
        s.source = source ? std::move(source) : std::make_shared<SystemClock>();
        g_manual.store(s.manual, std::memory_order_release);
        g_systemSource.store(system, std::memory_order_release);
    }
    notifyAdvanced();
}

int addAdvanceObserver(AdvanceObserver observer)
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    int token = s.nextToken++;
    s.observers.emplace(token, std::move(observer));
    return token;
}

void removeAdvanceObserver(int token)
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    s.observers.erase(token);
}

void notifyAdvanced()
{
    std::vector<AdvanceObserver> observers;
    {
        auto& s = state();
        std::lock_guard guard(s.lock);
        for (auto& [token, o] : s.observers)
            observers.push_back(o);
    }
    for (auto& o : observers)
        o();
}

}  // namespace Clock

ManualClock::ManualClock(double wallStart)
    : m_wall(wallStart)
{
}

double ManualClock::monotonic()
{
    std::lock_guard guard(manualLock());
    return m_monotonic;
}

double ManualClock::wall()
{
    std::lock_guard guard(manualLock());
    return m_wall;
}

void ManualClock::advance(double seconds)
{
    {
        std::lock_guard guard(manualLock());
        if (seconds > 0) {
            m_monotonic += seconds;
            m_wall += seconds;
        }
    }
    Clock::notifyAdvanced();
}

void ManualClock::setWall(double secondsSince1970)
{
    std::lock_guard guard(manualLock());
    m_wall = secondsSince1970;
}

std::shared_ptr<ManualClock> ManualClock::install(double wallStart)
{
    auto clock = std::make_shared<ManualClock>(wallStart);
    Clock::setSource(clock);
    return clock;
}
