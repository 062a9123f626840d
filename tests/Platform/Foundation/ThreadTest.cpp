#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"

#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/NSLock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

class ThreadTest : public ManualClockTest { };

TEST_F(ThreadTest, MainThreadIsTheInitialThreadWhoeverAsksFirst)
{
    EXPECT_TRUE(NSThread::isMainThread());
    EXPECT_EQ(NSThread::currentThread(), NSThread::mainThread());
    EXPECT_EQ(NSRunLoop::currentRunLoop(), NSRunLoop::mainRunLoop());
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->isMainRunLoop());

    std::atomic<bool> done = false;
    bool workerIsMain = true, workerLoopIsMain = true, sameThreadObject = false;
    NSThread::detachNewThread([&] {
        workerIsMain = NSThread::isMainThread();
        workerLoopIsMain = NSRunLoop::currentRunLoop()->isMainRunLoop();
        sameThreadObject = NSThread::currentThread() == NSThread::currentThread();
        done = true;
    });
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return done.load(); }));
    EXPECT_FALSE(workerIsMain);
    EXPECT_FALSE(workerLoopIsMain);
    EXPECT_TRUE(sameThreadObject);
}

TEST_F(ThreadTest, PerformOnMainWaitsOnlyWhereItMust)
{
    struct Case {
        const char* name;
        bool fromWorker;
        bool wait;
        bool ranBeforeReturn;
    };
    const Case cases[] = {
        // Already on the main thread and waiting: a direct call.
        { "main, wait", false, true, true },
        { "main, no wait", false, false, false },
        { "worker, wait", true, true, true },
        { "worker, no wait", true, false, false },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> ran = false, returned = false, ranBeforeReturn = false;
        bool ranOnMain = false;
        auto call = [&] {
            NSThread::performOnMainThread(
                [&] {
                    ranOnMain = NSThread::isMainThread();
                    ran = true;
                },
                c.wait);
            ranBeforeReturn = ran.load();
            returned = true;
        };
        std::thread worker;
        if (c.fromWorker)
            worker = std::thread(call);
        else
            call();
        ASSERT_TRUE(pumpMainRunLoopUntil([&] { return ran && returned; }));
        if (worker.joinable())
            worker.join();
        EXPECT_TRUE(ranOnMain);
        if (c.ranBeforeReturn) {
            EXPECT_TRUE(ranBeforeReturn);
        }
        if (!c.fromWorker && !c.wait) {
            EXPECT_FALSE(ranBeforeReturn);
        }
    }
}

TEST_F(ThreadTest, WorkPerformedOnALongLivedThreadRunsThereInOrder)
{
    // The shape of a network thread: a loop kept alive by an empty source.
    std::atomic<bool> quit = false;
    auto network = NSThread::detachNewThread([&] {
        auto loop = NSRunLoop::currentRunLoop();
        auto keepAlive = loop->addSource(nullptr);
        while (!quit)
            loop->runMode(NSDefaultRunLoopMode, NSRunLoopDistantFuture);
        keepAlive->invalidate();
    });
    std::mutex lock;
    std::vector<int> order;
    bool allOnNetwork = true;
    for (int i = 0; i < 50; ++i) {
        network->performBlock(
            [&, i] {
                std::lock_guard guard(lock);
                allOnNetwork = allOnNetwork && NSThread::currentThread() == network;
                order.push_back(i);
            },
            false);
    }
    // Waiting: returns after the call ran, behind those posted earlier.
    size_t seen = 0;
    network->performBlock(
        [&] {
            std::lock_guard guard(lock);
            seen = order.size();
        },
        true);
    EXPECT_EQ(seen, 50u);
    {
        std::lock_guard guard(lock);
        EXPECT_TRUE(allOnNetwork);
        EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    }
    quit = true;
    network->runLoop()->stop();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return network->isFinished(); }));
}

struct SingletonA { };
struct SingletonB { };

TEST(LockTest, ClassLocksAreRecursiveAndOnePerClass)
{
    EXPECT_EQ(&classLock<SingletonA>(), &classLock<SingletonA>());
    EXPECT_NE(&classLock<SingletonA>(), &classLock<SingletonB>());
    std::lock_guard outer(classLock<SingletonA>());
    std::lock_guard inner(classLock<SingletonA>());

    NSRecursiveLock recursive;
    recursive.lock();
    EXPECT_TRUE(recursive.tryLock());
    recursive.unlock();
    recursive.unlock();

    NSLock plain;
    std::lock_guard held(plain);
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = plain.tryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
}

}  // namespace
