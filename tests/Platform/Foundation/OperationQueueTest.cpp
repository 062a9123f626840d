#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"

#include "Platform/Foundation/NSOperation.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "Platform/Foundation/NSThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

class OperationQueueTest : public ManualClockTest {
protected:
    std::mutex lock;
    std::vector<std::string> ran;

    std::shared_ptr<NSBlockOperation> recording(const std::string& name, long priority = NSOperationQueuePriorityNormal)
    {
        auto op = NSBlockOperation::blockOperationWithBlock([this, name] {
            std::lock_guard guard(lock);
            ran.push_back(name);
        });
        op->setQueuePriority(priority);
        return op;
    }
    std::vector<std::string> ranSoFar()
    {
        std::lock_guard guard(lock);
        return ran;
    }
};

// Blocks its worker until released, to hold a slot of the queue.
class Gate {
public:
    void open()
    {
        std::lock_guard guard(m_lock);
        m_open = true;
        m_condition.notify_all();
    }
    void pass()
    {
        std::unique_lock guard(m_lock);
        m_condition.wait_for(guard, std::chrono::seconds(5), [this] { return m_open; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_condition;
    bool m_open = false;
};

TEST_F(OperationQueueTest, MainQueueRunsOnTheMainThreadByPriorityThenArrival)
{
    auto queue = NSOperationQueue::mainQueue();
    bool onMain = true;
    struct Case {
        const char* name;
        long priority;
    };
    const Case cases[] = {
        { "image 1", NSOperationQueuePriorityVeryLow },
        { "normal 1", NSOperationQueuePriorityNormal },
        { "image 2", NSOperationQueuePriorityVeryLow },
        { "probe", 10 },
        { "high", NSOperationQueuePriorityHigh },
        { "normal 2", NSOperationQueuePriorityNormal },
    };
    for (auto& c : cases) {
        auto op = recording(c.name, c.priority);
        op->setCompletionBlock([&] { onMain = onMain && NSThread::isMainThread(); });
        queue->addOperation(op);
    }
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return queue->operationCount() == 0; }));
    EXPECT_EQ(ranSoFar(), (std::vector<std::string> { "probe", "high", "normal 1", "normal 2", "image 1", "image 2" }));
    EXPECT_TRUE(onMain);
}

TEST_F(OperationQueueTest, WidthLimitsHowManyRunAtOnce)
{
    for (long width : { 1L, 3L }) {
        SCOPED_TRACE(width);
        auto queue = NSOperationQueue::make();
        queue->setMaxConcurrentOperationCount(width);
        std::atomic<int> running = 0, widest = 0, finished = 0;
        for (int i = 0; i < 9; ++i) {
            queue->addOperationWithBlock([&] {
                int now = ++running;
                int seen = widest.load();
                while (now > seen && !widest.compare_exchange_weak(seen, now)) { }
                NSThread::sleepForTimeInterval(0.001);
                --running;
                ++finished;
            });
        }
        queue->waitUntilAllOperationsAreFinished();
        EXPECT_EQ(finished.load(), 9);
        EXPECT_EQ(queue->operationCount(), 0u);
        EXPECT_LE(widest.load(), width);
        if (width == 1) {
            EXPECT_EQ(widest.load(), 1);
        }
    }
}

TEST_F(OperationQueueTest, CancelledBeforeStartNeverRunsButStillLeavesTheQueue)
{
    auto queue = NSOperationQueue::make();
    queue->setSuspended(true);
    auto kept = recording("kept");
    auto dropped = recording("dropped");
    bool droppedCompleted = false;
    dropped->setCompletionBlock([&] { droppedCompleted = true; });
    queue->addOperation(kept);
    queue->addOperation(dropped);
    dropped->cancel();
    EXPECT_EQ(queue->operationCount(), 2u);
    queue->setSuspended(false);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ranSoFar(), (std::vector<std::string> { "kept" }));
    EXPECT_TRUE(dropped->isFinished());
    EXPECT_TRUE(droppedCompleted);
}

TEST_F(OperationQueueTest, CancelAllStopsWaitingOperationsButNotTheRunningOne)
{
    auto queue = NSOperationQueue::make();
    queue->setMaxConcurrentOperationCount(1);
    Gate gate;
    std::atomic<bool> started = false;
    queue->addOperationWithBlock([&] {
        started = true;
        gate.pass();
        std::lock_guard guard(lock);
        ran.push_back("running");
    });
    queue->addOperation(recording("waiting 1"));
    queue->addOperation(recording("waiting 2"));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return started.load(); }));
    queue->cancelAllOperations();
    gate.open();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ranSoFar(), (std::vector<std::string> { "running" }));
}

// One finished by other means while it waits leaves the queue at once, and
// the order of those left (and of those added after) holds.
TEST_F(OperationQueueTest, WaitingOperationFinishedElsewhereLeavesTheQueue)
{
    auto queue = NSOperationQueue::make();
    queue->setMaxConcurrentOperationCount(1);
    queue->setSuspended(true);
    auto byHand = recording("by hand", NSOperationQueuePriorityHigh);
    queue->addOperation(recording("first"));
    queue->addOperation(byHand);
    queue->addOperation(recording("last"));
    byHand->start();
    EXPECT_EQ(queue->operationCount(), 2u);
    queue->addOperation(recording("high", NSOperationQueuePriorityHigh));
    queue->addOperation(recording("low", NSOperationQueuePriorityLow));
    queue->setSuspended(false);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ranSoFar(), (std::vector<std::string> { "by hand", "high", "first", "last", "low" }));
}

TEST_F(OperationQueueTest, DependenciesHoldAnOperationUntilTheyFinish)
{
    auto main = NSOperationQueue::mainQueue();
    auto worker = NSOperationQueue::make();
    auto first = recording("first");
    auto second = recording("second", NSOperationQueuePriorityVeryHigh);
    auto third = recording("third", NSOperationQueuePriorityVeryHigh);
    second->addDependency(first);
    third->addDependency(second);
    EXPECT_FALSE(second->isReady());
    // Across queues: the dependent waits on the main queue for work on a worker queue.
    worker->setSuspended(true);
    main->addOperation(third);
    worker->addOperation(second);
    worker->addOperation(first);
    drainMainRunLoop();
    EXPECT_TRUE(ranSoFar().empty());
    worker->setSuspended(false);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return main->operationCount() == 0 && worker->operationCount() == 0; }));
    EXPECT_EQ(ranSoFar(), (std::vector<std::string> { "first", "second", "third" }));
}

// Works like a network request: start hands the work to another thread and
// returns; the operation says when it has finished.
class HandedOffOperation : public NSOperation {
public:
    explicit HandedOffOperation(Gate& gate)
        : m_gate(gate)
    {
    }
    bool isConcurrent() const override { return true; }
    void start() override
    {
        if (isCancelled()) {
            setFinished(true);
            return;
        }
        setExecuting(true);
        std::thread([self = protect<HandedOffOperation>()] {
            self->m_gate.pass();
            self->setFinished(true);
        }).detach();
    }

private:
    Gate& m_gate;
};

TEST_F(OperationQueueTest, ConcurrentOperationHoldsItsSlotUntilItFinishes)
{
    auto queue = NSOperationQueue::make();
    queue->setMaxConcurrentOperationCount(1);
    Gate gate;
    auto handedOff = std::make_shared<HandedOffOperation>(gate);
    queue->addOperation(handedOff);
    queue->addOperation(recording("next"));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return handedOff->isExecuting(); }));
    NSThread::sleepForTimeInterval(0.002);
    EXPECT_TRUE(ranSoFar().empty());
    EXPECT_EQ(queue->operationCount(), 2u);
    gate.open();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(handedOff->isFinished());
    EXPECT_EQ(ranSoFar(), (std::vector<std::string> { "next" }));
}

TEST_F(OperationQueueTest, SuspendedQueueCollectsAndRunsOnResume)
{
    auto main = NSOperationQueue::mainQueue();
    main->setSuspended(true);
    main->addOperation(recording("held"));
    drainMainRunLoop();
    EXPECT_TRUE(ranSoFar().empty());
    EXPECT_EQ(main->operationCount(), 1u);
    main->setSuspended(false);
    drainMainRunLoop();
    EXPECT_EQ(ranSoFar(), (std::vector<std::string> { "held" }));
}

TEST_F(OperationQueueTest, QueueLetGoOfAtOnceStillRunsItsWork)
{
    std::weak_ptr<NSOperationQueue> running, suspended;
    {
        auto queue = NSOperationQueue::make();
        queue->setMaxConcurrentOperationCount(1);
        queue->addOperation(recording("one"));
        queue->addOperation(recording("two"));
        running = queue;
    }
    {
        // A suspended queue would never run its work: it goes with its last owner.
        auto queue = NSOperationQueue::make();
        queue->setSuspended(true);
        queue->addOperation(recording("never"));
        suspended = queue;
    }
    EXPECT_TRUE(suspended.expired());
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return ranSoFar().size() == 2 && running.expired(); }));
    EXPECT_EQ(ranSoFar(), (std::vector<std::string> { "one", "two" }));
}

TEST_F(OperationQueueTest, CompletionBlockRunsOnceAndIsReleased)
{
    auto queue = NSOperationQueue::make();
    auto op = recording("op");
    std::atomic<int> completions = 0;
    // The block holds the operation, as completion blocks often do.
    op->setCompletionBlock([&completions, op] { ++completions; });
    std::weak_ptr<NSOperation> weak = op;
    queue->addOperation(op);
    op->waitUntilFinished();
    queue->waitUntilAllOperationsAreFinished();
    op.reset();
    EXPECT_EQ(completions.load(), 1);
    // The worker that ran it lets go of it just after.
    EXPECT_TRUE(pumpMainRunLoopUntil([&] { return weak.expired(); }));
}

}  // namespace
