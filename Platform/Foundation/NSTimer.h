#pragma once

// Timers fire from the run loops they are scheduled on, in the modes they were
// added for. Fire dates are Clock::now() seconds. A repeating timer's next fire
// date is its previous one plus the interval, moved past "now" when the loop
// fell behind (missed fires are not made up); a repeating timer of interval 0
// therefore fires once on every turn of its loop.

#include "Platform/Foundation/NSRunLoop.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class NSTimer : public std::enable_shared_from_this<NSTimer> {
public:
    // The callback gets the timer, so that it may invalidate it. It captures
    // what it acts on; capture weak references where the target may go first.
    using Callback = std::function<void(NSTimer&)>;

    // A timer not yet scheduled: add it with NSRunLoop::addTimer.
    static std::shared_ptr<NSTimer> timerWithTimeInterval(double interval, bool repeats, Callback callback);
    // A timer scheduled on the current thread's run loop in the default mode.
    static std::shared_ptr<NSTimer> scheduledTimerWithTimeInterval(double interval, bool repeats, Callback callback);

    // Stops the timer for good; its loops drop it. Any thread.
    void invalidate();
    bool isValid() const { return m_valid.load(); }

    // Runs the callback now without changing the schedule; a one-shot timer is
    // invalidated by it, as when it fires on time.
    void fire();

    double timeInterval() const { return m_interval; }
    bool repeats() const { return m_repeats; }
    double fireDate() const;
    void setFireDate(double date);

private:
    // Only this class can make one, so that timers are made by the functions
    // above (the constructor is public for make_shared).
    struct Key {
        explicit Key() = default;
    };

public:
    NSTimer(Key, double interval, bool repeats, Callback callback);

private:
    friend class NSRunLoop;

    // Called by the loop when due; updates the next fire date.
    void fireFromLoop();

    double m_interval;
    bool m_repeats;
    Callback m_callback;
    std::atomic<bool> m_valid { true };
    // Guards the callback.
    mutable std::mutex m_lock;
    // Read by its loop on every turn; set from any thread.
    std::atomic<double> m_fireDate;
    // Guards against firing twice on one turn when scheduled in several modes.
    unsigned long m_firedOnTurn = 0;
};
