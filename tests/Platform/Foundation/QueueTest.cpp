#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/NSThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class DispatchTest : public ManualClockTest { };

TEST_F(DispatchTest, MainQueueRunsOnTheMainThreadInPostingOrder)
{
    std::vector<int> order;
    bool onMain = true;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            dispatch_async(dispatch_get_main_queue(), [&, i] {
                onMain = onMain && NSThread::isMainThread();
                order.push_back(i);
            });
        }
    });
    worker.join();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return order.size() == 100; }));
    EXPECT_TRUE(onMain);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST_F(DispatchTest, SerialQueueRunsOneBlockAtATimeInOrder)
{
    auto queue = dispatch_queue_create("corvelle.test.serial", DISPATCH_QUEUE_SERIAL);
    std::atomic<int> running = 0;
    std::atomic<int> widest = 0;
    std::vector<int> order;  // touched only by the queue's blocks
    for (int i = 0; i < 200; ++i) {
        dispatch_async(queue, [&, i] {
            int now = ++running;
            widest = std::max(widest.load(), now);
            order.push_back(i);
            --running;
        });
    }
    // dispatch_sync waits behind everything queued before it.
    size_t seen = 0;
    dispatch_sync(queue, [&] { seen = order.size(); });
    EXPECT_EQ(seen, 200u);
    EXPECT_EQ(widest.load(), 1);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST_F(DispatchTest, SyncOntoTheQueueAlreadyRunningRunsInsteadOfDeadlocking)
{
    auto serial = dispatch_queue_create("corvelle.test.reentrant");
    std::vector<std::string> steps;
    dispatch_sync(serial, [&] {
        steps.push_back("outer");
        dispatch_sync(serial, [&] { steps.push_back("inner"); });
    });
    dispatch_sync(dispatch_get_main_queue(), [&] { steps.push_back("main from main"); });
    EXPECT_EQ(steps, (std::vector<std::string> { "outer", "inner", "main from main" }));
}

TEST_F(DispatchTest, SyncToMainFromAWorkerWaitsForTheMainLoop)
{
    std::atomic<bool> returned = false;
    bool ranOnMain = false;
    std::thread worker([&] {
        dispatch_sync(dispatch_get_main_queue(), [&] { ranOnMain = NSThread::isMainThread(); });
        returned = true;
    });
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST_F(DispatchTest, GlobalQueueRunsBlocksAtTheSameTime)
{
    // Each block waits for all the others: only concurrent blocks can finish.
    constexpr int kBlocks = 6;
    std::mutex lock;
    std::condition_variable allThere;
    int arrived = 0;
    std::atomic<int> done = 0;
    auto global = dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0);
    for (int i = 0; i < kBlocks; ++i) {
        dispatch_async(global, [&] {
            std::unique_lock guard(lock);
            ++arrived;
            allThere.notify_all();
            allThere.wait_for(guard, std::chrono::seconds(5), [&] { return arrived == kBlocks; });
            ++done;
        });
    }
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return done.load() == kBlocks; }));
    std::lock_guard guard(lock);
    EXPECT_EQ(arrived, kBlocks);
}

TEST_F(DispatchTest, AfterWaitsForTheClock)
{
    struct Case {
        const char* name;
        dispatch_queue_t queue;
    };
    const Case cases[] = {
        { "main", dispatch_get_main_queue() },
        { "global", dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0) },
        { "serial", dispatch_queue_create("corvelle.test.after") },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> fired = 0;
        dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 2 * NSEC_PER_SEC), c.queue, [&] { ++fired; });
        advanceClock(1.9);
        // Give a worker the chance to run it early, were it wrong.
        NSThread::sleepForTimeInterval(0.002);
        drainMainRunLoop();
        EXPECT_EQ(fired.load(), 0);
        advanceClock(0.1);
        EXPECT_TRUE(pumpMainRunLoopUntil([&] { return fired.load() == 1; }));
    }
}

TEST_F(DispatchTest, TimeCountsFromNowOrFromAGivenTime)
{
    double now = Clock::now();
    EXPECT_DOUBLE_EQ(dispatch_time(DISPATCH_TIME_NOW, NSEC_PER_SEC / 2), now + 0.5);
    EXPECT_DOUBLE_EQ(dispatch_time(now + 1, 250 * NSEC_PER_MSEC), now + 1.25);
    EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER, 1), DISPATCH_TIME_FOREVER);
}

}  // namespace
