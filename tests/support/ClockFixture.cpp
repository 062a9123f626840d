#include "ClockFixture.h"

#include <mutex>

namespace {

std::shared_ptr<ManualClock> install(double wallStart) { return ManualClock::install(wallStart); }

void uninstall() { Clock::setSource(nullptr); }

}  // namespace

// Any manual clock counts, however it was installed.
std::shared_ptr<ManualClock> installedManualClock() { return Clock::manualClock(); }

void ManualClockTest::SetUp() { clock = install(1'800'000'000.0); }

void ManualClockTest::TearDown()
{
    uninstall();
    clock.reset();
}

ScopedManualClock::ScopedManualClock(double wallStart)
    : m_clock(install(wallStart))
{
}

ScopedManualClock::~ScopedManualClock() { uninstall(); }
