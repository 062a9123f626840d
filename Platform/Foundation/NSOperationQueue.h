#pragma once

// Operation queues. A queue starts its ready operations in order of queue
// priority, then of arrival, while fewer than its maximum are running and it
// is not suspended. The main queue starts them on the main run loop (in the
// common modes), so they run on the main thread; any other queue starts each
// on a worker thread of the global dispatch pool, except a concurrent
// operation, whose start only hands its work elsewhere: that one is started
// on the thread that added it or made room for it. A concurrent operation is
// counted as running until it says it finished.
//
// An operation's queue priority is read when it is added.
//
// A queue that is not suspended keeps itself alive while it holds operations,
// so that a caller may make a queue, add work and let go of it at once.
//
// An operation leaves the queue when it finishes. One that is cancelled while
// waiting is still started (its start sees the cancel and finishes without
// running), as soon as the queue has room, whatever its dependencies.
//
// addOperation, setSuspended and cancelAllOperations are virtual so that a
// specialised queue can add its own bookkeeping around them.

#include "Platform/Foundation/NSOperation.h"
#include "Platform/Foundation/SharedSelf.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class NSOperationQueue : public SharedSelf<NSOperationQueue> {
public:
    // No fixed width: as many as are ready.
    static constexpr long NSOperationQueueDefaultMaxConcurrentOperationCount = -1;

    static std::shared_ptr<NSOperationQueue> make();
    static std::shared_ptr<NSOperationQueue> mainQueue();
    virtual ~NSOperationQueue();
    NSOperationQueue(const NSOperationQueue&) = delete;
    NSOperationQueue& operator=(const NSOperationQueue&) = delete;

    virtual void addOperation(const std::shared_ptr<NSOperation>& operation);
    void addOperationWithBlock(std::function<void()> block);

    virtual void setSuspended(bool suspended);
    bool isSuspended() const;

    virtual void cancelAllOperations();

    long maxConcurrentOperationCount() const;
    void setMaxConcurrentOperationCount(long count);

    // Operations added and not yet finished, in arrival order.
    std::vector<std::shared_ptr<NSOperation>> operations() const;
    size_t operationCount() const;

    std::string name() const;
    void setName(std::string name);

    // Blocks until the queue holds no operations. On the main thread the main
    // run loop is run meanwhile, so that main-queue work can proceed.
    void waitUntilAllOperationsAreFinished();

    bool isMainQueue() const { return m_isMain; }

protected:
    // Subclasses are made through make-style functions of their own (shared).
    explicit NSOperationQueue(bool isMain = false);

private:
    struct Entry;
    struct Level;
    // Retires `finished` when it is held, starts here the concurrent
    // operations that can start, and hands the rest to starters.
    void schedule(Entry* finished = nullptr);
    void operationChanged(Entry& entry);
    void startNext();
    // The first ready operation in order of (priority, arrival), if any.
    Entry* firstReadyLocked() const;
    void leaveWaitingLocked(Entry& entry);
    void markStartedLocked(Entry& entry);
    void retireLocked(Entry& entry);
    // Takes or drops the queue's reference to itself; what it drops is handed
    // back to be released by the caller, after its own work on the queue.
    std::shared_ptr<NSOperationQueue> updateKeepAliveLocked();

    const bool m_isMain;
    mutable std::mutex m_lock;
    std::condition_variable m_emptyCondition;
    // Every operation held, in arrival order, and those not yet started by
    // priority (highest first), each level in arrival order. The entries are
    // linked through themselves and owned by their operations' observer
    // lists, so that holding an operation costs one allocation.
    Entry* m_first = nullptr;
    Entry* m_last = nullptr;
    size_t m_count = 0;
    std::vector<Level> m_levels;
    long m_waiting = 0;
    long m_running = 0;
    long m_maxConcurrent = NSOperationQueueDefaultMaxConcurrentOperationCount;
    bool m_suspended = false;
    // Starters handed to the main loop or the workers and not yet run; each
    // picks the best ready operation when it runs, so that priorities count
    // at start time rather than at scheduling time.
    long m_pendingStarters = 0;
    std::shared_ptr<NSOperationQueue> m_keepAlive;
    std::string m_name;
};
