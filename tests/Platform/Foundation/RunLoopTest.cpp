#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class RunLoopTest : public ManualClockTest { };

struct Pipe {
    int fds[2] = { -1, -1 };
    Pipe() { EXPECT_EQ(::pipe(fds), 0); }
    ~Pipe()
    {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    int readEnd() const { return fds[0]; }
    int writeEnd() const { return fds[1]; }
};

TEST_F(RunLoopTest, BlocksPostedFromManyThreadsKeepEachPostersOrder)
{
    constexpr int kThreads = 8;
    constexpr int kPosts = 200;
    std::vector<std::vector<int>> seen(kThreads);
    bool onMain = true;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i) {
                NSRunLoop::mainRunLoop()->performBlock([&, t, i] {
                    onMain = onMain && NSThread::isMainThread();
                    seen[static_cast<size_t>(t)].push_back(i);
                });
            }
        });
    }
    for (auto& p : posters)
        p.join();
    size_t total = 0;
    ASSERT_TRUE(pumpMainRunLoopUntil([&] {
        total = 0;
        for (auto& s : seen)
            total += s.size();
        return total == kThreads * kPosts;
    }));
    EXPECT_TRUE(onMain);
    for (auto& s : seen) {
        for (int i = 0; i < kPosts; ++i)
            ASSERT_EQ(s[static_cast<size_t>(i)], i);
    }
}

TEST_F(RunLoopTest, PipeSourceReportsReadableAndStopsAfterInvalidate)
{
    Pipe pipe;
    std::string received;
    int calls = 0;
    auto loop = NSRunLoop::mainRunLoop();
    auto source = loop->addFileDescriptor(pipe.readEnd(), RunLoopFileReadable, [&](int fd, unsigned events) {
        ++calls;
        EXPECT_TRUE(events & RunLoopFileReadable);
        char buffer[64];
        auto n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            received.append(buffer, size_t(n));
    });

    std::thread writer([&] { ASSERT_EQ(::write(pipe.writeEnd(), "ping", 4), 4); });
    writer.join();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return received == "ping"; }));

    source->invalidate();
    int callsBefore = calls;
    ASSERT_EQ(::write(pipe.writeEnd(), "more", 4), 4);
    drainMainRunLoop();
    EXPECT_EQ(calls, callsBefore);
}

TEST_F(RunLoopTest, WritableSourceFollowsItsEvents)
{
    Pipe pipe;
    int writable = 0;
    auto loop = NSRunLoop::mainRunLoop();
    auto source = loop->addFileDescriptor(pipe.writeEnd(), RunLoopFileWritable,
        [&](int, unsigned events) { writable += (events & RunLoopFileWritable) ? 1 : 0; });
    EXPECT_TRUE(loop->runOnce(NSDefaultRunLoopMode));
    EXPECT_EQ(writable, 1);
    source->setEvents(0);
    EXPECT_FALSE(loop->runOnce(NSDefaultRunLoopMode));
    EXPECT_EQ(writable, 1);
    loop->removeSource(source);
}

TEST_F(RunLoopTest, SourcesAndBlocksRunOnlyInTheirModes)
{
    struct Case {
        NSRunLoopMode registered;
        NSRunLoopMode running;
        bool runs;
    };
    const Case cases[] = {
        { NSDefaultRunLoopMode, NSDefaultRunLoopMode, true },
        { NSDefaultRunLoopMode, UITrackingRunLoopMode, false },
        { UITrackingRunLoopMode, NSDefaultRunLoopMode, false },
        { NSRunLoopCommonModes, NSDefaultRunLoopMode, true },
        { NSRunLoopCommonModes, UITrackingRunLoopMode, true },
        { NSRunLoopCommonModes, "HTTPRequestRunLoopMode", false },
        { "HTTPRequestRunLoopMode", "HTTPRequestRunLoopMode", true },
        { "HTTPRequestRunLoopMode", NSDefaultRunLoopMode, false },
    };
    auto loop = NSRunLoop::mainRunLoop();
    for (auto& c : cases) {
        SCOPED_TRACE(c.registered + " in " + c.running);
        bool ran = false;
        loop->performBlock([&] { ran = true; }, { c.registered });
        loop->runOnce(c.running);
        EXPECT_EQ(ran, c.runs);
        // The block still waits for its own mode.
        loop->runOnce(c.registered == NSRunLoopCommonModes ? NSDefaultRunLoopMode : c.registered);
        EXPECT_TRUE(ran);
    }
}

TEST_F(RunLoopTest, NestedRunDoesNotLetLaterBlocksOvertakeEarlierOnes)
{
    auto loop = NSRunLoop::mainRunLoop();
    std::vector<std::string> order;
    loop->performBlock([&] {
        order.push_back("a");
        loop->performBlock([&] { order.push_back("c"); });
        // A nested run (a modal wait) while "b" is still waiting behind us.
        loop->runOnce(NSDefaultRunLoopMode);
    });
    loop->performBlock([&] { order.push_back("b"); });
    drainMainRunLoop();
    EXPECT_EQ(order, (std::vector<std::string> { "a", "b", "c" }));
}

TEST_F(RunLoopTest, ThreadLoopWithoutInputsReturnsAndAKeptLoopRunsUntilStopped)
{
    std::atomic<bool> emptyReturned = false;
    std::atomic<bool> signalled = false;
    std::atomic<bool> finished = false;
    std::shared_ptr<NSRunLoop> threadLoop;
    RunLoopSourceRef custom;
    std::mutex lock;
    auto thread = NSThread::detachNewThread([&] {
        auto loop = NSRunLoop::currentRunLoop();
        // Nothing to wait for: returns at once instead of sleeping forever.
        emptyReturned = !loop->runMode(NSDefaultRunLoopMode, NSRunLoopDistantFuture);
        {
            std::lock_guard guard(lock);
            custom = loop->addSource([&] { signalled = true; });
            threadLoop = loop;
        }
        loop->run();
        {
            std::lock_guard guard(lock);
            custom->invalidate();
            custom.reset();
        }
        finished = true;
    });
    auto loopReady = [&] {
        std::lock_guard guard(lock);
        return threadLoop != nullptr;
    };
    ASSERT_TRUE(pumpMainRunLoopUntil(loopReady));
    EXPECT_TRUE(emptyReturned);
    {
        std::lock_guard guard(lock);
        custom->signal();
    }
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return signalled.load(); }));
    threadLoop->stop();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return finished.load(); }));
}

}  // namespace
