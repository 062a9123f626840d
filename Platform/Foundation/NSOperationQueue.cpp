#include "Platform/Foundation/NSOperationQueue.h"

#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"

#include <algorithm>
#include <chrono>
#include <limits>

// An operation held by a queue. It is also the queue's observer on the
// operation, so that a change finds its entry without a look-up. The links
// and flags are guarded by the queue's lock.
struct NSOperationQueue::Entry final : NSOperation::Observer {
    Entry(std::weak_ptr<NSOperationQueue> owner, std::shared_ptr<NSOperation> operationHeld, long queuePriority)
        : queue(std::move(owner))
        , operation(std::move(operationHeld))
        , priority(queuePriority)
    {
    }
    void operationDidChange() override
    {
        if (auto q = queue.lock())
            q->operationChanged(*this);
    }

    const std::weak_ptr<NSOperationQueue> queue;
    const std::shared_ptr<NSOperation> operation;
    const long priority;
    Entry* previous = nullptr;
    Entry* next = nullptr;
    Entry* previousWaiting = nullptr;
    Entry* nextWaiting = nullptr;
    bool held = false;
    bool started = false;
};

struct NSOperationQueue::Level {
    long priority;
    Entry* first;
    Entry* last;
};

NSOperationQueue::NSOperationQueue(bool isMain)
    : m_isMain(isMain)
    // The main queue is serial unless told otherwise.
    , m_maxConcurrent(isMain ? 1 : NSOperationQueueDefaultMaxConcurrentOperationCount)
{
}

NSOperationQueue::~NSOperationQueue()
{
    for (Entry* entry = m_first; entry;) {
        Entry* next = entry->next;
        // Removing the observer may release the entry, and with it the
        // operation: both are kept until the entry is no longer needed.
        auto operation = entry->operation;
        operation->removeObserver(this);
        entry = next;
    }
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
    bool wanted = !m_suspended && m_count > 0;
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
    auto entry = std::make_shared<Entry>(weak_from_this(), operation, operation->queuePriority());
    Entry& added = *entry;
    // The queue listens before the operation can be started: a worker that
    // finishes another operation may start this one at once, and its finish
    // must not go unheard (the queue would count it as running for ever).
    // An operation already held keeps the entry it has.
    if (!operation->addObserver(this, std::move(entry)))
        return;
    {
        std::lock_guard guard(m_lock);
        added.held = true;
        added.previous = m_last;
        (m_last ? m_last->next : m_first) = &added;
        m_last = &added;
        ++m_count;
        auto level
            = std::find_if(m_levels.begin(), m_levels.end(), [&](auto& l) { return l.priority <= added.priority; });
        if (level == m_levels.end() || level->priority != added.priority)
            level = m_levels.insert(level, Level { added.priority, nullptr, nullptr });
        added.previousWaiting = level->last;
        (level->last ? level->last->nextWaiting : level->first) = &added;
        level->last = &added;
        ++m_waiting;
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
    result.reserve(m_count);
    for (Entry* entry = m_first; entry; entry = entry->next)
        result.push_back(entry->operation);
    return result;
}

size_t NSOperationQueue::operationCount() const
{
    std::lock_guard guard(m_lock);
    return m_count;
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

void NSOperationQueue::operationChanged(Entry& entry)
{
    // Asked outside the queue's lock, as a subclass may take its own to answer.
    schedule(entry.operation->isFinished() ? &entry : nullptr);
}

NSOperationQueue::Entry* NSOperationQueue::firstReadyLocked() const
{
    for (auto& level : m_levels) {
        for (Entry* entry = level.first; entry; entry = entry->nextWaiting) {
            if (entry->operation->isReady())
                return entry;
        }
    }
    return nullptr;
}

void NSOperationQueue::leaveWaitingLocked(Entry& entry)
{
    auto level = std::find_if(m_levels.begin(), m_levels.end(), [&](auto& l) { return l.priority == entry.priority; });
    (entry.previousWaiting ? entry.previousWaiting->nextWaiting : level->first) = entry.nextWaiting;
    (entry.nextWaiting ? entry.nextWaiting->previousWaiting : level->last) = entry.previousWaiting;
    entry.previousWaiting = entry.nextWaiting = nullptr;
    // An empty level goes, so that the levels are only the priorities waiting.
    if (!level->first)
        m_levels.erase(level);
    --m_waiting;
}

void NSOperationQueue::markStartedLocked(Entry& entry)
{
    leaveWaitingLocked(entry);
    entry.started = true;
    ++m_running;
}

void NSOperationQueue::retireLocked(Entry& entry)
{
    if (entry.started)
        --m_running;
    else
        leaveWaitingLocked(entry);
    (entry.previous ? entry.previous->next : m_first) = entry.next;
    (entry.next ? entry.next->previous : m_last) = entry.previous;
    entry.previous = entry.next = nullptr;
    entry.held = false;
    --m_count;
    if (m_count == 0)
        m_emptyCondition.notify_all();
    // The entry lives on while it is being told of this change; the
    // operation's lock is taken under the queue's, as isReady does.
    entry.operation->removeObserver(this);
}

namespace {

// The queues that are starting operations on this thread, innermost first: a
// start that makes room again (an operation that finishes at once, a long
// queue cancelled) leaves the next one to the loop in schedule() instead of
// starting it one level deeper.
struct StartingScope {
    const NSOperationQueue* queue = nullptr;
    StartingScope* outer = nullptr;
};
thread_local StartingScope* t_starting = nullptr;

bool isStartingOnThisThread(const NSOperationQueue* queue)
{
    for (auto* scope = t_starting; scope; scope = scope->outer) {
        if (scope->queue == queue)
            return true;
    }
    return false;
}

}  // namespace

void NSOperationQueue::schedule(Entry* finished)
{
    // Called again from inside a start made below: the loop there looks
    // again once that start returns.
    bool startingHere = !m_isMain && isStartingOnThisThread(this);
    if (!finished && startingHere)
        return;
    // Released after the lock, in this order.
    std::shared_ptr<NSOperationQueue> released;
    std::shared_ptr<NSOperationQueue> self;
    struct Starting : StartingScope {
        bool entered = false;
        ~Starting()
        {
            if (entered)
                t_starting = outer;
        }
    } starting;
    std::unique_lock lock(m_lock);
    if (finished && finished->held) {
        retireLocked(*finished);
        released = updateKeepAliveLocked();
    }
    if (startingHere || m_suspended)
        return;
    auto room = [this] {
        return m_maxConcurrent >= 0 ? m_maxConcurrent - m_running - m_pendingStarters
                                    : std::numeric_limits<long>::max();
    };
    // A concurrent operation's start only hands its work elsewhere: it is
    // called on the thread that made room for it, which saves a worker's
    // wake-up and its hand-off for every operation. The best ready one is
    // started here only when it is concurrent; anything else goes to a
    // starter as before.
    while (!m_isMain && !m_suspended && room() > 0) {
        Entry* entry = firstReadyLocked();
        if (!entry || !entry->operation->isConcurrent())
            break;
        markStartedLocked(*entry);
        auto operation = entry->operation;
        if (!starting.entered) {
            self = shared_from_this();
            starting.queue = this;
            starting.outer = t_starting;
            starting.entered = true;
            t_starting = &starting;
        }
        lock.unlock();
        operation->start();
        operation = nullptr;
        lock.lock();
    }
    if (m_suspended)
        return;
    long space = room();
    if (space <= 0)
        return;
    // Enough ready operations for the starters already on their way and for
    // the room left; no need to look further.
    long wanted = m_pendingStarters + std::min(space, m_waiting);
    long ready = 0;
    for (auto& level : m_levels) {
        for (Entry* entry = level.first; entry && ready < wanted; entry = entry->nextWaiting) {
            if (entry->operation->isReady())
                ++ready;
        }
    }
    long starters = std::min(space, ready - m_pendingStarters);
    if (starters <= 0)
        return;
    m_pendingStarters += starters;
    lock.unlock();
    if (!self)
        self = shared_from_this();
    for (long i = 0; i < starters; ++i) {
        if (m_isMain)
            NSRunLoop::mainRunLoop()->performBlock([self] { self->startNext(); });
        else
            dispatch_async(
                dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [self] { self->startNext(); });
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
        Entry* entry = firstReadyLocked();
        if (!entry)
            return;
        markStartedLocked(*entry);
        operation = entry->operation;
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
                m_emptyCondition.wait_for(lock, std::chrono::milliseconds(1), [this] { return m_count == 0; });
            }
        }
        return;
    }
    NSThread::IdleScope idle;
    std::unique_lock lock(m_lock);
    m_emptyCondition.wait(lock, [this] { return m_count == 0; });
}
