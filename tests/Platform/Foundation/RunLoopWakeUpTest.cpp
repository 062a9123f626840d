#include "support/ClockFixture.h"

#include "Platform/Foundation/NSRunLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

// A loop is woken only for what it cannot see by itself. These tests run a
// loop on a thread of its own under the manual clock, so that it waits with no
// time-out at all: work it is not woken for is never done. Each loop also
// watches a pipe through which the test rescues it, so that a lost wake-up
// fails the test instead of hanging it.

namespace {

class RunLoopWakeUpTest : public ManualClockTest { };

class LoopThread {
public:
    // Runs `body` on a new thread once its loop watches the rescue pipe; the
    // body runs the loop itself.
    explicit LoopThread(std::function<void(NSRunLoop&)> body)
    {
        EXPECT_EQ(::pipe(m_rescue), 0);
        m_thread = std::thread([this, body = std::move(body)] {
            auto loop = NSRunLoop::currentRunLoop();
            auto rescue = loop->addFileDescriptor(m_rescue[0], RunLoopFileReadable, [this](int fd, unsigned) {
                char byte;
                [[maybe_unused]] auto n = ::read(fd, &byte, 1);
                m_rescued = true;
            });
            {
                std::lock_guard guard(m_lock);
                m_loop = loop;
            }
            m_changed.notify_all();
            body(*loop);
            loop->removeSource(rescue);
            std::lock_guard guard(m_lock);
            m_done = true;
            m_changed.notify_all();
        });
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_loop != nullptr; });
    }

    ~LoopThread()
    {
        m_thread.join();
        ::close(m_rescue[0]);
        ::close(m_rescue[1]);
    }

    std::shared_ptr<NSRunLoop> loop()
    {
        std::lock_guard guard(m_lock);
        return m_loop;
    }

    // Waits up to `seconds` of real time for the body to return; when it did
    // not, wakes the loop through the pipe (and keeps doing so until it returns).
    bool finishes(double seconds)
    {
        std::unique_lock lock(m_lock);
        if (m_changed.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return m_done; }))
            return true;
        while (!m_done) {
            [[maybe_unused]] auto n = ::write(m_rescue[1], "x", 1);
            m_changed.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_done; });
        }
        return false;
    }

    bool rescued() const { return m_rescued.load(); }

private:
    int m_rescue[2] = { -1, -1 };
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::shared_ptr<NSRunLoop> m_loop;
    bool m_done = false;
    std::atomic<bool> m_rescued = false;
    std::thread m_thread;
};

TEST_F(RunLoopWakeUpTest, PostsFromOtherThreadsAlwaysWakeTheLoop)
{
    constexpr int kPosters = 4;
    constexpr int kPosts = 3000;
    std::atomic<int> ran = 0;
    std::atomic<bool> finish = false;
    LoopThread worker([&](NSRunLoop& loop) {
        while (!finish.load())
            loop.runMode(NSDefaultRunLoopMode, NSRunLoopDistantFuture);
    });
    auto loop = worker.loop();
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p) {
        posters.emplace_back([&, p] {
            for (int i = 0; i < kPosts; ++i) {
                loop->performBlock([&] {
                    if (++ran == kPosters * kPosts)
                        finish = true;
                });
                // Some posts land while the loop sleeps, some while it drains.
                if ((i + p) % 64 == 0)
                    std::this_thread::yield();
            }
        });
    }
    for (auto& poster : posters)
        poster.join();
    EXPECT_TRUE(worker.finishes(20));
    EXPECT_FALSE(worker.rescued());
    EXPECT_EQ(ran.load(), kPosters * kPosts);
}

// Work the loop's own turn posts or signals needs no wake-up, but must still
// be done before the loop waits again, whatever part of the turn it came from.
TEST_F(RunLoopWakeUpTest, WorkFromTheLoopsOwnTurnIsDoneBeforeItWaits)
{
    enum class From { PostedBlock, SignalledSource, ReadableDescriptor };
    const struct {
        From from;
        const char* name;
    } cases[] = {
        { From::PostedBlock, "posted block" },
        { From::SignalledSource, "signalled source" },
        { From::ReadableDescriptor, "readable descriptor" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> done;
        LoopThread worker([&](NSRunLoop& loop) {
            auto later = loop.addSource([&] { done.push_back("signalled"); });
            auto again = [&] {
                loop.performBlock([&] { done.push_back("posted"); });
                later->signal();
            };
            auto trigger = loop.addSource(again);
            int pipe[2] = { -1, -1 };
            EXPECT_EQ(::pipe(pipe), 0);
            RunLoopSourceRef readable;
            switch (c.from) {
            case From::PostedBlock:
                loop.performBlock(again);
                break;
            case From::SignalledSource:
                trigger->signal();
                break;
            case From::ReadableDescriptor:
                readable = loop.addFileDescriptor(pipe[0], RunLoopFileReadable, [&](int fd, unsigned) {
                    char byte;
                    [[maybe_unused]] auto n = ::read(fd, &byte, 1);
                    again();
                });
                EXPECT_EQ(::write(pipe[1], "x", 1), 1);
                break;
            }
            // The first run handles the trigger; the loop is then quiet until
            // the work it gave itself is done.
            while (done.size() < 2)
                loop.runMode(NSDefaultRunLoopMode, NSRunLoopDistantFuture);
            loop.removeSource(readable);
            loop.removeSource(trigger);
            loop.removeSource(later);
            ::close(pipe[0]);
            ::close(pipe[1]);
        });
        EXPECT_TRUE(worker.finishes(10));
        EXPECT_FALSE(worker.rescued());
        // Which comes first depends on the part of the turn they came from.
        std::sort(done.begin(), done.end());
        EXPECT_EQ(done, (std::vector<std::string> { "posted", "signalled" }));
    }
}

// An observer hears every turn of its modes before the sources, and hears
// "before waiting" only from a turn that is about to wait. What it leaves for
// its own loop then raises no wake-up, yet is done before the loop sleeps.
TEST_F(RunLoopWakeUpTest, ObserversHearEachTurnAndTheirWorkIsDoneBeforeWaiting)
{
    std::vector<std::string> heard;
    LoopThread worker([&](NSRunLoop& loop) {
        int posted = 0;
        bool finish = false;
        auto observer = loop.addObserver(RunLoopBeforeSources | RunLoopBeforeWaiting, [&](RunLoopActivity activity) {
            heard.push_back(activity == RunLoopBeforeSources ? "turn" : "wait");
            if (activity == RunLoopBeforeWaiting && posted < 2) {
                int mine = ++posted;
                loop.performBlock([&, mine] {
                    heard.push_back("block");
                    finish = mine == 2;
                });
            }
        });
        auto otherMode = loop.addObserver(RunLoopBeforeSources | RunLoopBeforeWaiting,
            [&](RunLoopActivity) { heard.push_back("other mode"); }, { UITrackingRunLoopMode });
        auto gone = loop.addObserver(RunLoopBeforeSources, [&](RunLoopActivity) { heard.push_back("invalidated"); });
        gone->invalidate();
        while (!finish)
            loop.runMode(NSDefaultRunLoopMode, NSRunLoopDistantFuture);
        observer->invalidate();
        otherMode->invalidate();
    });
    EXPECT_TRUE(worker.finishes(10));
    EXPECT_FALSE(worker.rescued());
    // A turn that ran a block goes round again without waiting.
    EXPECT_EQ(heard, (std::vector<std::string> { "turn", "wait", "block", "turn", "turn", "wait", "block", "turn" }));
}

}  // namespace
