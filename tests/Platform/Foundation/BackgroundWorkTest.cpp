#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"

#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/NSThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Holds a worker until the test lets it go.
class Gate {
public:
    void open()
    {
        std::lock_guard guard(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    void wait()
    {
        std::unique_lock guard(m_lock);
        m_changed.wait(guard, [this] { return m_open; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
};

struct Shown {
    int item;
};

class BackgroundWorkTest : public ManualClockTest {
protected:
    // Every answer sent back through `queue` before now has reached the main
    // thread (or been dropped there) once this returns: the queue is serial
    // and the main queue runs in posting order.
    void flush(const dispatch_queue_t& queue)
    {
        auto probe = std::make_shared<int>(0);
        bool back = false;
        BackgroundWork::run(
            probe, [] {}, [](const int&) { return true; }, [&back](const std::shared_ptr<int>&) { back = true; },
            queue);
        ASSERT_TRUE(pumpMainRunLoopUntil([&] { return back; }));
    }
};

TEST_F(BackgroundWorkTest, TheAnswerReachesTheMainThreadOnlyWhileTheTargetShowsItsItem)
{
    struct Case {
        const char* name;
        bool targetGoes;
        bool itemChanges;
        bool delivered;
    };
    const Case cases[] = {
        { "the target still shows the item", false, false, true },
        { "the target went before the answer", true, false, false },
        { "the target shows another item now", false, true, false },
    };
    auto queue = dispatch_queue_create("corvelle.test.background", DISPATCH_QUEUE_SERIAL);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto target = std::make_shared<Shown>(Shown { 7 });
        std::weak_ptr<Shown> watch = target;
        Gate gate;
        std::atomic<bool> workedOnMain { true };
        bool replied = false;
        bool repliedOnMain = false;
        int answer = 0;
        BackgroundWork::run(
            target,
            [&gate, &workedOnMain, item = target->item] {
                workedOnMain = NSThread::isMainThread();
                gate.wait();
                return item * 6;
            },
            [item = target->item](const Shown& shown) { return shown.item == item; },
            [&](const std::shared_ptr<Shown>&, int result) {
                replied = true;
                repliedOnMain = NSThread::isMainThread();
                answer = result;
            },
            queue);
        if (c.targetGoes) {
            target.reset();
            // The worker, still busy, holds no reference to the target.
            EXPECT_TRUE(watch.expired());
        }
        if (c.itemChanges)
            target->item = 8;
        gate.open();
        flush(queue);
        EXPECT_FALSE(workedOnMain.load());
        EXPECT_EQ(replied, c.delivered);
        if (c.delivered) {
            EXPECT_TRUE(repliedOnMain);
            EXPECT_EQ(answer, 42);
        }
    }
}

TEST_F(BackgroundWorkTest, WorkWithoutAResultIsAnsweredToo)
{
    auto target = std::make_shared<Shown>(Shown { 1 });
    std::atomic<bool> worked { false };
    bool replied = false;
    BackgroundWork::run(
        target, [&worked] { worked = true; }, [](const Shown&) { return true; },
        [&](const std::shared_ptr<Shown>& shown) { replied = shown->item == 1 && NSThread::isMainThread(); });
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return replied; }));
    EXPECT_TRUE(worked.load());
}

TEST_F(BackgroundWorkTest, CancellingATaskWaitsForTheStepUnderWayAndStartsNoOther)
{
    Gate gate;
    std::atomic<bool> firstStepStarted { false };
    std::atomic<int> steps { 0 };
    auto task = BackgroundTask::start([&](const BackgroundTask& self) {
        for (int i = 0; i < 100 && !self.isCancelled(); ++i) {
            if (i == 0) {
                firstStepStarted = true;
                gate.wait();
            }
            ++steps;
        }
    });
    while (!firstStepStarted.load())
        std::this_thread::yield();
    EXPECT_FALSE(task->isDone());
    // Opens the gate only once the cancel has been asked for, so the step
    // under way is still running while the main thread waits.
    std::thread opener([&] {
        while (!task->isCancelled())
            std::this_thread::yield();
        gate.open();
    });
    task->cancelAndWait();
    EXPECT_TRUE(task->isDone());
    EXPECT_EQ(steps.load(), 1);
    opener.join();
}

TEST_F(BackgroundWorkTest, ATaskCancelledBeforeItStartsNeverRuns)
{
    auto queue = dispatch_queue_create("corvelle.test.task", DISPATCH_QUEUE_SERIAL);
    Gate gate;
    dispatch_async(queue, [&gate] { gate.wait(); });
    std::atomic<bool> ran { false };
    auto task = BackgroundTask::start([&ran](const BackgroundTask&) { ran = true; }, queue);
    EXPECT_FALSE(task->isDone());
    // Returns at once: the task has not started and now never will.
    task->cancelAndWait();
    EXPECT_TRUE(task->isDone());
    gate.open();
    dispatch_sync(queue, [] {});
    EXPECT_FALSE(ran.load());
    EXPECT_TRUE(task->isDone());
}

#ifndef NDEBUG
using BackgroundWorkDeathTest = BackgroundWorkTest;

TEST_F(BackgroundWorkDeathTest, HandingWorkOffFromAWorkerStops)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            std::thread([] {
                auto target = std::make_shared<Shown>(Shown { 1 });
                BackgroundWork::run(
                    target, [] {}, [](const Shown&) { return true; }, [](const std::shared_ptr<Shown>&) {});
            }).join();
        },
        "off the main thread");
}
#endif

}  // namespace
