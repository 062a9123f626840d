#pragma once

// The one source of time for the whole process. Run loops, timers, delayed
// performs, animations, time-outs and "now" all read it, so a test can swap in
// a manual clock and advance time instead of sleeping.

#include "Platform/Foundation/Value.h"

#include <functional>
#include <memory>

class ManualClock;

namespace Clock {

class Source {
public:
    virtual ~Source() = default;
    // Seconds on a steady scale (never goes back); the run loops' time base.
    virtual double monotonic() = 0;
    // Seconds since 1970 (UTC).
    virtual double wall() = 0;
};

double now();  // the monotonic seconds of the current source
Date wallNow();  // the current date
bool isManual();  // a manual clock is installed
std::shared_ptr<ManualClock> manualClock();  // the installed manual clock, if any

// Installs a source for the whole process; nullptr restores the system clock.
void setSource(std::shared_ptr<Source> source);

// Called (on the thread that moved the clock) whenever a manual clock moves,
// so that sleeping run loops can wake up and fire what became due.
using AdvanceObserver = std::function<void()>;
int addAdvanceObserver(AdvanceObserver observer);
void removeAdvanceObserver(int token);
void notifyAdvanced();

}  // namespace Clock

// A clock that moves only when told to. Installing it makes it the process clock.
class ManualClock : public Clock::Source, public std::enable_shared_from_this<ManualClock> {
public:
    explicit ManualClock(double wallStart = 1'800'000'000.0);
    double monotonic() override;
    double wall() override;
    void advance(double seconds);
    void setWall(double secondsSince1970);

    // Makes a new manual clock the process clock; Clock::setSource(nullptr)
    // puts the system clock back.
    static std::shared_ptr<ManualClock> install(double wallStart = 1'800'000'000.0);

private:
    double m_monotonic = 1000.0;
    double m_wall;
};
