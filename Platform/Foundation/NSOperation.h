#pragma once

// A unit of work for an operation queue.
//
// A plain operation overrides `main`; the queue calls `start`, which runs
// `main` unless the operation was cancelled and then marks it finished.
// An operation cancelled before it starts therefore never runs `main`.
//
// A concurrent operation overrides `start` (and answers isConcurrent true): it
// calls setExecuting(true), hands its work elsewhere and returns; the queue
// counts it as running until it calls setFinished(true). A subclass that keeps
// its own state and overrides isExecuting/isFinished calls stateDidChange()
// after changing it, so that its queue and dependents look again.
//
// When the operation finishes, its completion block runs once on the thread
// that finished it and is then released.

#include "Platform/Foundation/SharedSelf.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

enum NSOperationQueuePriority : long {
    NSOperationQueuePriorityVeryLow = -8,
    NSOperationQueuePriorityLow = -4,
    NSOperationQueuePriorityNormal = 0,
    NSOperationQueuePriorityHigh = 4,
    NSOperationQueuePriorityVeryHigh = 8,
};

class NSOperation : public SharedSelf<NSOperation> {
public:
    NSOperation() = default;
    virtual ~NSOperation() = default;
    NSOperation(const NSOperation&) = delete;
    NSOperation& operator=(const NSOperation&) = delete;

    virtual void start();
    virtual void main() { }
    virtual void cancel();

    virtual bool isConcurrent() const { return false; }
    // Ready when every dependency has finished, or when cancelled (so that a
    // queue can retire it).
    virtual bool isReady() const;
    virtual bool isExecuting() const;
    virtual bool isFinished() const;
    virtual bool isCancelled() const;

    void addDependency(const std::shared_ptr<NSOperation>& operation);
    void removeDependency(const std::shared_ptr<NSOperation>& operation);
    std::vector<std::shared_ptr<NSOperation>> dependencies() const;

    // Any value; higher runs first. The named priorities are above.
    long queuePriority() const;
    void setQueuePriority(long priority);

    std::function<void()> completionBlock() const;
    void setCompletionBlock(std::function<void()> block);

    // Blocks until finished. On the main thread, for an operation that needs
    // the main run loop, the loop is run meanwhile.
    void waitUntilFinished();

    // Called when the state seen by isReady/isExecuting/isFinished changed.
    void stateDidChange();

protected:
    void setExecuting(bool executing);
    void setFinished(bool finished);

private:
    friend class NSOperationQueue;
    // A queue or a dependent that wants to hear of state changes. It is held
    // shared, so that one being told keeps living if it is removed meanwhile.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void operationDidChange() = 0;
    };
    class DependentObserver;
    // One observer per key: false, and nothing added, when the key has one.
    bool addObserver(const void* key, std::shared_ptr<Observer> observer);
    void removeObserver(const void* key);

    mutable std::mutex m_lock;
    std::condition_variable m_finishedCondition;
    bool m_executing = false;
    bool m_finished = false;
    bool m_cancelled = false;
    bool m_completionDone = false;
    bool m_finishAnnounced = false;
    long m_priority = NSOperationQueuePriorityNormal;
    std::vector<std::shared_ptr<NSOperation>> m_dependencies;
    std::function<void()> m_completionBlock;
    std::vector<std::pair<const void*, std::shared_ptr<Observer>>> m_observers;
};

// An operation that runs a block.
class NSBlockOperation : public NSOperation {
public:
    static std::shared_ptr<NSBlockOperation> blockOperationWithBlock(std::function<void()> block);
    void main() override;

private:
    std::function<void()> m_block;
};
