#pragma once

// A test fixture that installs a manual clock for the test and puts the system
// clock back afterwards. Time moves only through advanceClock (RunLoopPump.h)
// or clock->advance.

#include "Platform/Foundation/Clock.h"

#include <gtest/gtest.h>

#include <memory>

class ManualClockTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::shared_ptr<ManualClock> clock;
};

// The manual clock installed by ManualClockTest or ScopedManualClock, or null
// when the system clock is the process clock. The pump helpers advance it.
std::shared_ptr<ManualClock> installedManualClock();

// The same as a scoped object, for tests that are not fixtures.
class ScopedManualClock {
public:
    explicit ScopedManualClock(double wallStart = 1'800'000'000.0);
    ~ScopedManualClock();
    ScopedManualClock(const ScopedManualClock&) = delete;
    ScopedManualClock& operator=(const ScopedManualClock&) = delete;

    ManualClock& operator*() { return *m_clock; }
    ManualClock* operator->() { return m_clock.get(); }

private:
    std::shared_ptr<ManualClock> m_clock;
};
