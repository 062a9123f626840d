#include "Platform/Foundation/NSOperation.h"
#include "Platform/Foundation/NSOperationQueue.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

namespace {

// A concurrent operation whose work is already over by the time start
// returns, as for a request that fails before it can be handed on.
class DoneInStart : public NSOperation {
public:
    DoneInStart(int number, std::mutex& lock, std::vector<int>& started)
        : m_number(number)
        , m_lock(lock)
        , m_started(started)
    {
    }
    bool isConcurrent() const override { return true; }
    void start() override
    {
        {
            std::lock_guard guard(m_lock);
            m_started.push_back(m_number);
        }
        setExecuting(true);
        setFinished(true);
    }

private:
    int m_number;
    std::mutex& m_lock;
    std::vector<int>& m_started;
};

// Every finish makes room for the next start: a long queue of them must run
// through in order of priority and arrival without each start nesting inside
// the one before (which would run out of stack).
TEST(ConcurrentOperationStartTest, OperationsThatFinishInStartRunInOrderWithoutNesting)
{
    constexpr int kOperations = 20000;
    std::mutex lock;
    std::vector<int> started;
    auto queue = NSOperationQueue::make();
    queue->setMaxConcurrentOperationCount(1);
    queue->setSuspended(true);
    std::vector<int> expectedHigh, expectedNormal;
    for (int i = 0; i < kOperations; ++i) {
        auto op = std::make_shared<DoneInStart>(i, lock, started);
        bool high = i % 3 == 0;
        op->setQueuePriority(high ? NSOperationQueuePriorityHigh : NSOperationQueuePriorityNormal);
        (high ? expectedHigh : expectedNormal).push_back(i);
        queue->addOperation(op);
    }
    queue->setSuspended(false);
    queue->waitUntilAllOperationsAreFinished();
    std::vector<int> expected = expectedHigh;
    expected.insert(expected.end(), expectedNormal.begin(), expectedNormal.end());
    std::lock_guard guard(lock);
    EXPECT_EQ(started, expected);
}

}  // namespace
