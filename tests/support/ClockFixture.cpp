#include "ClockFixture.h"

#include <mutex>

namespace {

std::mutex g_lock;
std::shared_ptr<ManualClock> g_installed;

std::shared_ptr<ManualClock> install(double wallStart)
{
    auto clock = ManualClock::install(wallStart);
    std::lock_guard guard(g_lock);
    g_installed = clock;
    return clock;
}

void uninstall()
{
    {
        std::lock_guard guard(g_lock);
        g_installed.reset();
    }
    Clock::setSource(nullptr);
}

}  // namespace

std::shared_ptr<ManualClock> installedManualClock()
{
    std::lock_guard guard(g_lock);
    return g_installed;
}

void ManualClockTest::SetUp()
{
    clock = install(1'800'000'000.0);
}

void ManualClockTest::TearDown()
{
    uninstall();
    clock.reset();
}

ScopedManualClock::ScopedManualClock(double wallStart) : m_clock(install(wallStart)) {}

ScopedManualClock::~ScopedManualClock()
{
    uninstall();
}
