#include "Platform/Foundation/NSTimer.h"

#include "Platform/Foundation/Clock.h"

#include <cmath>

NSTimer::NSTimer(Key, double interval, bool repeats, Callback callback)
    : m_interval(interval < 0 ? 0 : interval)
    , m_repeats(repeats)
    , m_callback(std::move(callback))
    , m_fireDate(Clock::now() + m_interval)
{
}

std::shared_ptr<NSTimer> NSTimer::timerWithTimeInterval(double interval, bool repeats, Callback callback)
{
    return std::make_shared<NSTimer>(Key(), interval, repeats, std::move(callback));
}

std::shared_ptr<NSTimer> NSTimer::scheduledTimerWithTimeInterval(double interval, bool repeats, Callback callback)
{
    auto timer = timerWithTimeInterval(interval, repeats, std::move(callback));
    NSRunLoop::currentRunLoop()->addTimer(timer, NSDefaultRunLoopMode);
    return timer;
}

void NSTimer::invalidate()
{
    if (!m_valid.exchange(false))
        return;
    // Releases what the callback holds, as the platform releases a timer's
    // target; a callback in progress runs on from its own copy.
    Callback dropped;
    std::lock_guard guard(m_lock);
    dropped.swap(m_callback);
}

double NSTimer::fireDate() const { return m_fireDate.load(); }

void NSTimer::setFireDate(double date) { m_fireDate.store(date); }

void NSTimer::fire()
{
    if (!isValid())
        return;
    auto self = shared_from_this();
    Callback callback;
    {
        std::lock_guard guard(m_lock);
        callback = m_callback;
    }
    if (!m_repeats)
        invalidate();
    if (callback)
        callback(*this);
}

void NSTimer::fireFromLoop()
{
    if (!isValid())
        return;
    auto self = shared_from_this();
    Callback callback;
    {
        std::lock_guard guard(m_lock);
        callback = m_callback;
    }
    if (m_repeats) {
        double now = Clock::now();
        if (m_interval <= 0) {
            m_fireDate = now;
        } else {
            // The next date on the original schedule that is still ahead.
            double date = m_fireDate.load();
            double behind = now - date;
            double steps = behind >= 0 ? std::floor(behind / m_interval) + 1 : 1;
            m_fireDate = date + steps * m_interval;
        }
    }
    if (!m_repeats)
        invalidate();
    if (callback)
        callback(*this);
}
