#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/Foundation/PerformRequests.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

class TimerTest : public ManualClockTest { };

TEST_F(TimerTest, FiresOnTheClockAsScheduled)
{
    struct Case {
        const char* name;
        double interval;
        bool repeats;
        std::vector<double> steps;  // successive advanceClock spans
        std::vector<int> firedAfter;  // fires counted after each span
    };
    const Case cases[] = {
        { "one-shot not early", 0.1, false, { 0.099, 0.002, 1.0 }, { 0, 1, 1 } },
        { "one-shot of zero fires on the next turn", 0, false, { 0, 0 }, { 1, 1 } },
        { "repeating every quarter second", 0.25, true, { 1.0, 0.1, 0.15 }, { 4, 4, 5 } },
        { "repeating 8.5 s", 8.5, true, { 8.4, 0.1, 17.0 }, { 0, 1, 3 } },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        int fired = 0;
        auto timer = NSTimer::scheduledTimerWithTimeInterval(c.interval, c.repeats, [&](NSTimer&) { ++fired; });
        for (size_t i = 0; i < c.steps.size(); ++i) {
            advanceClock(c.steps[i]);
            EXPECT_EQ(fired, c.firedAfter[i]) << "after step " << i;
        }
        EXPECT_EQ(timer->isValid(), c.repeats);
        timer->invalidate();
    }
}

TEST_F(TimerTest, RepeatingTimerThatFellBehindFiresOnceAndKeepsItsSchedule)
{
    int fired = 0;
    auto timer = NSTimer::scheduledTimerWithTimeInterval(0.25, true, [&](NSTimer&) { ++fired; });
    double start = Clock::now();
    // The clock jumps a whole second while the loop is not running.
    clock->advance(1.0);
    drainMainRunLoop();
    EXPECT_EQ(fired, 1);
    EXPECT_DOUBLE_EQ(timer->fireDate(), start + 1.25);
    timer->invalidate();
}

TEST_F(TimerTest, RepeatingTimerOfIntervalZeroFiresOncePerTurn)
{
    int fired = 0;
    auto timer = NSTimer::scheduledTimerWithTimeInterval(0, true, [&](NSTimer&) { ++fired; });
    auto loop = NSRunLoop::mainRunLoop();
    for (int turn = 1; turn <= 5; ++turn) {
        EXPECT_TRUE(loop->runOnce(NSDefaultRunLoopMode));
        EXPECT_EQ(fired, turn);
    }
    timer->invalidate();
    EXPECT_FALSE(loop->runOnce(NSDefaultRunLoopMode));
}

TEST_F(TimerTest, ModeDecidesWhetherADueTimerFires)
{
    struct Case {
        NSRunLoopMode added;
        NSRunLoopMode running;
        bool fires;
    };
    const Case cases[] = {
        { NSDefaultRunLoopMode, NSDefaultRunLoopMode, true },
        // A default-mode timer waits while the loop tracks a drag.
        { NSDefaultRunLoopMode, UITrackingRunLoopMode, false },
        { NSRunLoopCommonModes, UITrackingRunLoopMode, true },
        { UITrackingRunLoopMode, NSDefaultRunLoopMode, false },
        { "HTTPRequestRunLoopMode", "HTTPRequestRunLoopMode", true },
    };
    auto loop = NSRunLoop::mainRunLoop();
    for (auto& c : cases) {
        SCOPED_TRACE(c.added + " in " + c.running);
        int fired = 0;
        auto timer = NSTimer::timerWithTimeInterval(0.1, false, [&](NSTimer&) { ++fired; });
        loop->addTimer(timer, c.added);
        advanceClock(0.2, c.running);
        EXPECT_EQ(fired, c.fires ? 1 : 0);
        // A timer that waited fires as soon as its mode runs again.
        advanceClock(0, c.added == NSRunLoopCommonModes ? NSDefaultRunLoopMode : c.added);
        EXPECT_EQ(fired, 1);
    }
}

TEST_F(TimerTest, InvalidatedTimersNeverFire)
{
    int fired = 0;
    auto before = NSTimer::scheduledTimerWithTimeInterval(0.1, false, [&](NSTimer&) { ++fired; });
    before->invalidate();
    auto selfStopping = NSTimer::scheduledTimerWithTimeInterval(0.1, true, [&](NSTimer& t) {
        ++fired;
        t.invalidate();
    });
    // The newer of two quick highlight changes replaces the pending one.
    auto replaced = NSTimer::scheduledTimerWithTimeInterval(0.1, false, [&](NSTimer&) { fired += 100; });
    replaced->invalidate();
    advanceClock(1.0);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(selfStopping->isValid());
}

TEST_F(TimerTest, TimerCallbackMayReleaseWhatOwnsTheTimer)
{
    struct Owner {
        std::shared_ptr<NSTimer> timer;
        int fired = 0;
    };
    auto owner = std::make_shared<Owner>();
    std::weak_ptr<Owner> weak = owner;
    owner->timer = NSTimer::scheduledTimerWithTimeInterval(0.1, true, [owner](NSTimer& t) {
        ++owner->fired;
        t.invalidate();
    });
    owner.reset();
    ASSERT_FALSE(weak.expired());
    advanceClock(0.1);
    // Invalidating dropped the callback, and with it the only reference.
    EXPECT_TRUE(weak.expired());
}

TEST_F(TimerTest, ClockAdvanceWakesALoopSleepingOnAnotherThread)
{
    std::atomic<int> fired = 0;
    std::atomic<bool> scheduled = false;
    auto thread = NSThread::detachNewThread([&] {
        auto timer = NSTimer::scheduledTimerWithTimeInterval(60, false, [&](NSTimer&) { ++fired; });
        scheduled = true;
        NSRunLoop::currentRunLoop()->runMode(NSDefaultRunLoopMode, NSRunLoopDistantFuture);
    });
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return scheduled.load(); }));
    clock->advance(59);
    EXPECT_EQ(fired, 0);
    clock->advance(1);
    EXPECT_TRUE(pumpMainRunLoopUntil([&] { return fired.load() == 1 && thread->isFinished(); }));
}

TEST(TimerSystemClockTest, FiresByRealTimeWhenTheLoopSleeps)
{
    Clock::setSource(nullptr);
    double firedAt = 0;
    double start = Clock::now();
    auto timer = NSTimer::scheduledTimerWithTimeInterval(0.003, false, [&](NSTimer&) { firedAt = Clock::now(); });
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, start + 1.0));
    EXPECT_GE(firedAt - start, 0.003);
}

class PerformRequestsTest : public ManualClockTest {
protected:
    void TearDown() override
    {
        PerformRequests::cancelPreviousPerformRequests(this);
        ManualClockTest::TearDown();
    }
    std::vector<std::string> calls;
    void perform(const std::string& name, double delay, const Value& argument = Value(), std::string label = {})
    {
        if (label.empty())
            label = name;
        PerformRequests::performAfterDelay(
            this, name, [this, label] { calls.push_back(label); }, delay, argument);
    }
};

TEST_F(PerformRequestsTest, DelayedCallsRunInOrderOfTheirTimes)
{
    perform("one second", 1.0);
    perform("half", 0.5);
    perform("now", 0);
    perform("tenth", 0.1);
    advanceClock(0);
    EXPECT_EQ(calls, (std::vector<std::string> { "now" }));
    advanceClock(0.5);
    EXPECT_EQ(calls, (std::vector<std::string> { "now", "tenth", "half" }));
    advanceClock(0.5);
    EXPECT_EQ(calls, (std::vector<std::string> { "now", "tenth", "half", "one second" }));
}

TEST_F(PerformRequestsTest, CancellingMatchesOwnerNameAndArgument)
{
    static int b = 0;
    struct Case {
        const char* name;
        void (*cancel)(PerformRequestsTest*);
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "by owner", [](PerformRequestsTest* t) { PerformRequests::cancelPreviousPerformRequests(t); }, {} },
        // Without an argument only the calls made without one go.
        { "by name", [](PerformRequestsTest* t) { PerformRequests::cancelPreviousPerformRequests(t, "refresh"); },
            { "refresh a", "refresh b", "other" } },
        // The argument matches by equality: an equal value made anew cancels.
        { "by name and argument",
            [](PerformRequestsTest* t) {
                PerformRequests::cancelPreviousPerformRequests(t, "refresh", Value(std::string("page ") + "a"));
            },
            { "refresh", "refresh b", "other" } },
        { "by name and an equal number",
            [](PerformRequestsTest* t) { PerformRequests::cancelPreviousPerformRequests(t, "refresh", Value(2.0)); },
            { "refresh", "refresh a", "other" } },
        { "another owner", [](PerformRequestsTest*) { PerformRequests::cancelPreviousPerformRequests(&b); },
            { "refresh", "refresh a", "refresh b", "other" } },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        calls.clear();
        perform("refresh", 0.3);
        perform("refresh", 0.3, Value("page a"), "refresh a");
        perform("refresh", 0.3, Value(2), "refresh b");
        perform("other", 0.3);
        c.cancel(this);
        advanceClock(1);
        EXPECT_EQ(calls, c.expected);
    }
}

TEST_F(PerformRequestsTest, ABlockForTheMainThreadGoesBeforeADelayedCallDueInTheSameTurn)
{
    // A perform after 0 and a block for the main queue, queued in one turn.
    perform("after 0", 0);
    dispatch_async(dispatch_get_main_queue(), [this] { calls.push_back("main queue"); });
    // A delayed call falling due as a block arrives for the main thread.
    perform("later", 0.5);
    NSRunLoop::mainRunLoop()->runOnce(NSDefaultRunLoopMode);
    clock->advance(0.5);
    NSThread::performOnMainThread([this] { calls.push_back("main thread"); }, false);
    NSRunLoop::mainRunLoop()->runOnce(NSDefaultRunLoopMode);
    EXPECT_EQ(calls, (std::vector<std::string> { "main queue", "after 0", "main thread", "later" }));
}

TEST_F(PerformRequestsTest, DelayedCallWaitsWhileTheLoopIsTracking)
{
    perform("focus", 0.3);
    advanceClock(1.0, UITrackingRunLoopMode);
    EXPECT_TRUE(calls.empty());
    advanceClock(0);
    EXPECT_EQ(calls, (std::vector<std::string> { "focus" }));
}

TEST_F(PerformRequestsTest, ACallMayCancelTheOthersOfItsOwner)
{
    PerformRequests::performAfterDelay(
        this, "first",
        [this] {
            calls.push_back("first");
            PerformRequests::cancelPreviousPerformRequests(this);
        },
        0.1);
    perform("second", 0.1);
    advanceClock(0.1);
    EXPECT_EQ(calls, (std::vector<std::string> { "first" }));
}

}  // namespace
