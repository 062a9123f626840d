#include "RunLoopPump.h"

#include "ClockFixture.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/UIKit/UIApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Enough for any test's work, small enough that a loop that never settles
// (a repeating timer of interval 0) fails the test instead of hanging it.
constexpr int kMaxTurns = 100000;
constexpr int kDrainTurns = 1000;

double realSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The default mode stands for the mode the interface runs the main loop in:
// the tracking mode while a scroll view is dragged, as on the device.
NSRunLoopMode runMode(const NSRunLoopMode& mode)
{
    return mode == NSDefaultRunLoopMode ? UIApplication::eventRunLoopMode() : mode;
}

}  // namespace

void drainMainRunLoop(const NSRunLoopMode& mode)
{
    auto loop = NSRunLoop::mainRunLoop();
    for (int i = 0; i < kDrainTurns && loop->runOnce(runMode(mode)); ++i) { }
}

bool pumpMainRunLoopUntil(const std::function<bool()>& condition, double timeoutSeconds, const NSRunLoopMode& mode)
{
    auto loop = NSRunLoop::mainRunLoop();
    auto manual = installedManualClock();
    double deadline = Clock::now() + timeoutSeconds;
    // Work from other threads arrives in real time, whatever the clock.
    double realDeadline = realSeconds() + timeoutSeconds;
    for (int turn = 0; turn < kMaxTurns; ++turn) {
        if (condition())
            return true;
        if (loop->runOnce(runMode(mode)))
            continue;
        double now = Clock::now();
        double next;
        if (manual && loop->nextTimerDate(runMode(mode), next) && next <= deadline) {
            manual->advance(next > now ? next - now : 0);
            continue;
        }
        if (!manual && now >= deadline)
            break;
        if (manual && realSeconds() >= realDeadline)
            break;
        // With nothing to wait on, the loop returns at once: wait for other threads instead.
        if (manual || !loop->runMode(runMode(mode), std::min(deadline, now + 0.01)))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

void advanceClock(double seconds, const NSRunLoopMode& mode)
{
    auto manual = installedManualClock();
    if (!manual) {
        ADD_FAILURE() << "advanceClock needs the manual clock of ManualClockTest or ScopedManualClock";
        return;
    }
    auto loop = NSRunLoop::mainRunLoop();
    double target = Clock::now() + seconds;
    drainMainRunLoop(mode);
    for (int step = 0; step < kMaxTurns; ++step) {
        double now = Clock::now();
        double next;
        // Step to each timer in turn, so that what a timer schedules within the
        // span fires at its own time too.
        if (!loop->nextTimerDate(runMode(mode), next) || next > target || next <= now)
            break;
        manual->advance(next - now);
        drainMainRunLoop(mode);
    }
    double now = Clock::now();
    if (target > now)
        manual->advance(target - now);
    drainMainRunLoop(mode);
}
