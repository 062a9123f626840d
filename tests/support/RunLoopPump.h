#pragma once

// Driving the main run loop from a test (on the main thread).
//
// With a manual clock, pumping first runs every turn that has work without
// moving time; when the loop is idle and the condition still does not hold, it
// advances the clock to the next timer of the mode (never past the time-out),
// so timers and delayed work fire in order and deterministically. With the
// system clock it runs the loop in short waits until the time-out. Either way
// it gives up after a bounded number of turns.
//
// Asked for the default mode, they run the mode the interface runs the main
// loop in: the tracking mode while a scroll view is being dragged.

#include "Platform/Foundation/NSRunLoop.h"

#include <functional>

// Runs the main run loop in `mode` until `condition` holds; false when it did
// not within `timeoutSeconds` of clock time (or the turn bound).
bool pumpMainRunLoopUntil(const std::function<bool()>& condition, double timeoutSeconds = 5,
    const NSRunLoopMode& mode = NSDefaultRunLoopMode);

// Runs every turn of the main run loop that has work now, without moving time.
void drainMainRunLoop(const NSRunLoopMode& mode = NSDefaultRunLoopMode);

// Advances the manual clock by `seconds` and runs everything that is due,
// firing timers in order at their own times on the way (a timer that schedules
// another within the span sees it fire too). Needs the manual clock of
// ManualClockTest or ScopedManualClock (ClockFixture.h); without it the test fails.
void advanceClock(double seconds, const NSRunLoopMode& mode = NSDefaultRunLoopMode);
