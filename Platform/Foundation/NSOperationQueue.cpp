#include "Platform/Foundation/NSOperationQueue.h"

#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"

#include <algorithm>
#include <chrono>
#include <limits>

struct NSOperationQueue::Entry {
    std::shared_ptr<NSOperation> operation;
    unsigned long arrival = 0;
    long priority = 0;
    bool started = false;
};

NSOperationQueue::NSOperationQueue(bool isMain)
    : m_isMain(isMain)
    // The main queue is serial unless told otherwise.
    , m_maxConcurrent(isMain ? 1 : NSOperationQueueDefaultMaxConcurrentOperationCount)
{
}

NSOperationQueue::~NSOperationQueue()
{
    for (auto& entry : m_entries)
        entry.operation->removeObserver(this);
}

std::shared_ptr<NSOperationQueue> NSOperationQueue::make()
{
    return std::shared_ptr<NSOperationQueue>(new NSOperationQueue(false));
}

std::shared_ptr<NSOperationQueue> NSOperationQueue::mainQueue()
{
    // Never destroyed: operations may finish while the process exits.
    static auto* queue = new std::shared_ptr<NSOperationQueue>(new NSOperationQueue(true));
    return *queue;
}

std::shared_ptr<NSOperationQueue> NSOperationQueue::updateKeepAliveLocked()
{
    bool wanted = !m_suspended && !m_entries.empty();
    if (wanted && !m_keepAlive)
        m_keepAlive = shared_from_this();
    if (!wanted && m_keepAlive)
        return std::move(m_keepAlive);
    return nullptr;
}

void NSOperationQueue::addOperation(const std::shared_ptr<NSOperation>& operation)
{
    if (!operation || operation->isFinished())
        return;
    // The queue listens before the operation can be started: a worker that
    // finishes another operation may start this one at once, and its finish
    // must not go unheard (the queue would count it as running for ever).
    std::weak_ptr<NSOperationQueue> weakQueue = weak_from_this();
    std::weak_ptr<NSOperation> weakOperation = operation;
    operation->addObserver(this, [weakQueue, weakOperation] {
        auto queue = weakQueue.lock();
        auto op = weakOperation.lock();
        if (queue && op)
            queue->operationChanged(op);
    });
    {
        std::lock_guard guard(m_lock);
        // Already held: the observer just added shares the key of the one it has.
        if (m_index.contains(operation.get()))
            return;
        Entry entry;
        entry.operation = operation;
        entry.arrival = ++m_arrivals;
        entry.priority = operation->queuePriority();
        auto it = m_entries.insert(m_entries.end(), std::move(entry));
        m_index.emplace(operation.get(), it);
        m_waiting.emplace(-it->priority, it->arrival);
        m_waitingByArrival.emplace(it->arrival, it);
        updateKeepAliveLocked();
    }
    schedule();
}

void NSOperationQueue::addOperationWithBlock(std::function<void()> block)
{
    addOperation(NSBlockOperation::blockOperationWithBlock(std::move(block)));
}

void NSOperationQueue::setSuspended(bool suspended)
{
    std::shared_ptr<NSOperationQueue> released;
    {
        std::lock_guard guard(m_lock);
        m_suspended = suspended;
        released = updateKeepAliveLocked();
    }
    if (!suspended)
        schedule();
}

bool NSOperationQueue::isSuspended() const
{
    std::lock_guard guard(m_lock);
    return m_suspended;
}

void NSOperationQueue::cancelAllOperations()
{
    for (auto& operation : operations())
        operation->cancel();
}

long NSOperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard guard(m_lock);
    return m_maxConcurrent;
}

void NSOperationQueue::setMaxConcurrentOperationCount(long count)
{
    {
        std::lock_guard guard(m_lock);
        m_maxConcurrent = count < 0 ? NSOperationQueueDefaultMaxConcurrentOperationCount : count;
    }
    schedule();
}

std::vector<std::shared_ptr<NSOperation>> NSOperationQueue::operations() const
{
    std::lock_guard guard(m_lock);
    std::vector<std::shared_ptr<NSOperation>> result;
    for (auto& entry : m_entries)
        result.push_back(entry.operation);
    return result;
}

size_t NSOperationQueue::operationCount() const
{
    std::lock_guard guard(m_lock);
    return m_entries.size();
}

std::string NSOperationQueue::name() const
{
    std::lock_guard guard(m_lock);
    return m_name;
}

void NSOperationQueue::setName(std::string name)
{
    std::lock_guard guard(m_lock);
    m_name = std::move(name);
}

void NSOperationQueue::operationChanged(const std::shared_ptr<NSOperation>& operation)
{
    if (operation->isFinished())
        retire(operation);
    schedule();
}

void NSOperationQueue::retire(const std::shared_ptr<NSOperation>& operation)
{
    // Keeps the queue alive to the end of this call even when it lets go of itself.
    auto self = shared_from_this();
    std::shared_ptr<NSOperationQueue> released;
    {
        std::lock_guard guard(m_lock);
        auto found = m_index.find(operation.get());
        if (found == m_index.end())
            return;
        auto it = found->second;
        if (it->started) {
            --m_running;
        } else {
            m_waiting.erase({ -it->priority, it->arrival });
            m_waitingByArrival.erase(it->arrival);
        }
        m_index.erase(found);
        m_entries.erase(it);
        if (m_entries.empty())
            m_emptyCondition.notify_all();
        released = updateKeepAliveLocked();
    }
    operation->removeObserver(this);
}

namespace {

// The queues that are starting operations on this thread: a start that makes
// room again (an operation that finishes at once, a long queue cancelled)
// leaves the next one to the loop in schedule() instead of starting it one
// level deeper.
thread_local std::vector<const NSOperationQueue*> t_startingQueues;

}  // namespace

std::shared_ptr<NSOperation> NSOperationQueue::takeConcurrentToStartLocked()
{
    if (m_isMain || m_suspended || (m_maxConcurrent >= 0 && m_running + m_pendingStarters >= m_maxConcurrent))
        return nullptr;
    for (auto key = m_waiting.begin(); key != m_waiting.end(); ++key) {
        auto entry = m_waitingByArrival.at(key->second);
        if (!entry->operation->isReady())
            continue;
        // The best ready one is started here only when it merely hands its
        // work elsewhere; anything else goes to a worker as before.
        if (!entry->operation->isConcurrent())
            return nullptr;
        entry->started = true;
        ++m_running;
        auto operation = entry->operation;
        m_waitingByArrival.erase(key->second);
        m_waiting.erase(key);
        return operation;
    }
    return nullptr;
}

void NSOperationQueue::schedule()
{
    // A concurrent operation's start only hands its work elsewhere: it is
    // called on the thread that made room for it, which saves a worker's
    // wake-up and its hand-off for every operation.
    if (!m_isMain) {
        // Called again from inside one of those starts: the loop below looks
        // again once that start returns.
        if (std::find(t_startingQueues.begin(), t_startingQueues.end(), this) != t_startingQueues.end())
            return;
        struct Starting {
            std::shared_ptr<NSOperationQueue> queue;
            ~Starting()
            {
                if (queue)
                    std::erase(t_startingQueues, queue.get());
            }
        } starting;
        for (;;) {
            std::shared_ptr<NSOperation> operation;
            {
                std::lock_guard guard(m_lock);
                operation = takeConcurrentToStartLocked();
            }
            if (!operation)
                break;
            if (!starting.queue) {
                starting.queue = shared_from_this();
                t_startingQueues.push_back(this);
            }
            operation->start();
        }
    }
    long starters = 0;
    {
        std::lock_guard guard(m_lock);
        if (m_suspended)
            return;
        long room = m_maxConcurrent >= 0 ? m_maxConcurrent - m_running - m_pendingStarters
                                         : std::numeric_limits<long>::max();
        if (room <= 0)
            return;
        // Enough ready operations for the starters already on their way and
        // for the room left; no need to look further.
        long wanted = m_pendingStarters + std::min(room, long(m_waiting.size()));
        long ready = 0;
        for (auto& key : m_waiting) {
            if (ready >= wanted)
                break;
            if (m_waitingByArrival.at(key.second)->operation->isReady())
                ++ready;
        }
        starters = std::min(room, ready - m_pendingStarters);
        if (starters <= 0)
            return;
        m_pendingStarters += starters;
    }
    auto self = shared_from_this();
    for (long i = 0; i < starters; ++i) {
        if (m_isMain)
            NSRunLoop::mainRunLoop()->performBlock([self] { self->startNext(); });
        else
            dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [self] { self->startNext(); });
    }
}

void NSOperationQueue::startNext()
{
    std::shared_ptr<NSOperation> operation;
    {
        std::lock_guard guard(m_lock);
        --m_pendingStarters;
        if (m_suspended || (m_maxConcurrent >= 0 && m_running >= m_maxConcurrent))
            return;
        // The first ready one in (priority, arrival) order.
        for (auto key = m_waiting.begin(); key != m_waiting.end(); ++key) {
            auto entry = m_waitingByArrival.at(key->second);
            if (!entry->operation->isReady())
                continue;
            entry->started = true;
            ++m_running;
            operation = entry->operation;
            m_waitingByArrival.erase(key->second);
            m_waiting.erase(key);
            break;
        }
        if (!operation)
            return;
    }
    operation->start();
    // A plain operation has finished by now and has been retired; a concurrent
    // one is counted until it says it finished. Either way look for more work.
    schedule();
}

void NSOperationQueue::waitUntilAllOperationsAreFinished()
{
    if (NSThread::isMainThread()) {
        // Main-queue work, and work that hands results to the main thread, needs the loop.
        auto loop = NSRunLoop::mainRunLoop();
        while (operationCount() > 0) {
            if (!loop->runOnce(NSDefaultRunLoopMode)) {
                std::unique_lock lock(m_lock);
                m_emptyCondition.wait_for(lock, std::chrono::milliseconds(1), [this] { return m_entries.empty(); });
            }
        }
        return;
    }
    NSThread::IdleScope idle;
    std::unique_lock lock(m_lock);
    m_emptyCondition.wait(lock, [this] { return m_entries.empty(); });
}
