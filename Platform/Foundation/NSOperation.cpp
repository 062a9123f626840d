#include "Platform/Foundation/NSOperation.h"

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"

#include <algorithm>
#include <chrono>

// Passes a dependency's changes on to the operation that waits for it.
class NSOperation::DependentObserver final : public Observer {
public:
    explicit DependentObserver(std::weak_ptr<NSOperation> dependent)
        : m_dependent(std::move(dependent))
    {
    }
    void operationDidChange() override
    {
        if (auto dependent = m_dependent.lock())
            dependent->stateDidChange();
    }

private:
    std::weak_ptr<NSOperation> m_dependent;
};

void NSOperation::start()
{
    if (isFinished() || isExecuting())
        return;
    if (isCancelled()) {
        setFinished(true);
        return;
    }
    setExecuting(true);
    main();
    {
        std::lock_guard guard(m_lock);
        m_executing = false;
    }
    setFinished(true);
}

void NSOperation::cancel()
{
    {
        std::lock_guard guard(m_lock);
        if (m_cancelled || m_finished)
            return;
        m_cancelled = true;
    }
    stateDidChange();
}

bool NSOperation::isReady() const
{
    // Through the virtual call: a subclass may keep its own cancelled state.
    if (isCancelled())
        return true;
    std::vector<std::shared_ptr<NSOperation>> dependencies;
    {
        std::lock_guard guard(m_lock);
        if (m_dependencies.empty())
            return true;
        dependencies = m_dependencies;
    }
    return std::all_of(dependencies.begin(), dependencies.end(), [](auto& d) { return d->isFinished(); });
}

bool NSOperation::isExecuting() const
{
    std::lock_guard guard(m_lock);
    return m_executing;
}

bool NSOperation::isFinished() const
{
    std::lock_guard guard(m_lock);
    return m_finished;
}

bool NSOperation::isCancelled() const
{
    std::lock_guard guard(m_lock);
    return m_cancelled;
}

void NSOperation::setExecuting(bool executing)
{
    {
        std::lock_guard guard(m_lock);
        if (m_executing == executing)
            return;
        m_executing = executing;
    }
    stateDidChange();
}

void NSOperation::setFinished(bool finished)
{
    {
        std::lock_guard guard(m_lock);
        if (m_finished == finished)
            return;
        m_finished = finished;
        if (finished)
            m_executing = false;
    }
    stateDidChange();
}

void NSOperation::addDependency(const std::shared_ptr<NSOperation>& operation)
{
    if (!operation || operation.get() == this)
        return;
    {
        std::lock_guard guard(m_lock);
        if (std::find(m_dependencies.begin(), m_dependencies.end(), operation) != m_dependencies.end())
            return;
        m_dependencies.push_back(operation);
    }
    operation->addObserver(this, std::make_shared<DependentObserver>(weak_from_this()));
    stateDidChange();
}

void NSOperation::removeDependency(const std::shared_ptr<NSOperation>& operation)
{
    if (!operation)
        return;
    {
        std::lock_guard guard(m_lock);
        auto it = std::find(m_dependencies.begin(), m_dependencies.end(), operation);
        if (it == m_dependencies.end())
            return;
        m_dependencies.erase(it);
    }
    operation->removeObserver(this);
    stateDidChange();
}

std::vector<std::shared_ptr<NSOperation>> NSOperation::dependencies() const
{
    std::lock_guard guard(m_lock);
    return m_dependencies;
}

long NSOperation::queuePriority() const
{
    std::lock_guard guard(m_lock);
    return m_priority;
}

void NSOperation::setQueuePriority(long priority)
{
    std::lock_guard guard(m_lock);
    m_priority = priority;
}

std::function<void()> NSOperation::completionBlock() const
{
    std::lock_guard guard(m_lock);
    return m_completionBlock;
}

void NSOperation::setCompletionBlock(std::function<void()> block)
{
    std::lock_guard guard(m_lock);
    m_completionBlock = std::move(block);
}

bool NSOperation::addObserver(const void* key, std::shared_ptr<Observer> observer)
{
    std::lock_guard guard(m_lock);
    for (auto& o : m_observers) {
        if (o.first == key)
            return false;
    }
    m_observers.emplace_back(key, std::move(observer));
    return true;
}

void NSOperation::removeObserver(const void* key)
{
    // Released after the lock: the observer may hold the last reference to
    // this operation.
    std::shared_ptr<Observer> removed;
    std::lock_guard guard(m_lock);
    for (auto it = m_observers.begin(); it != m_observers.end(); ++it) {
        if (it->first == key) {
            removed = std::move(it->second);
            m_observers.erase(it);
            break;
        }
    }
}

void NSOperation::stateDidChange()
{
    auto self = weak_from_this().lock();
    bool finished = isFinished();
    std::function<void()> completion;
    // Observers are called outside the lock, as they may add or remove
    // observers. There is mostly one (the queue): it needs no list of its own.
    std::shared_ptr<Observer> first;
    std::vector<std::shared_ptr<Observer>> more;
    auto takeObservers = [&] {
        for (auto& o : m_observers) {
            if (!first)
                first = o.second;
            else
                more.push_back(o.second);
        }
    };
    auto announceFinish = [&] {
        m_finishAnnounced = true;
        m_finishedCondition.notify_all();
    };
    {
        std::lock_guard guard(m_lock);
        if (finished && !m_completionDone) {
            m_completionDone = true;
            // Released after its one run, so that a block holding the
            // operation does not keep it alive.
            completion.swap(m_completionBlock);
            if (!completion)
                announceFinish();
        }
        // Without a completion block to run first, one look at the lock does.
        if (!completion)
            takeObservers();
    }
    // The completion block runs before the queue hears of the finish, so that
    // waiting for the queue to empty also waits for completion blocks.
    if (completion) {
        completion();
        completion = nullptr;
        std::lock_guard guard(m_lock);
        announceFinish();
        takeObservers();
    }
    if (first)
        first->operationDidChange();
    for (auto& o : more)
        o->operationDidChange();
}

void NSOperation::waitUntilFinished()
{
    if (NSThread::isMainThread()) {
        // Work that finishes this operation may need the main loop.
        auto loop = NSRunLoop::mainRunLoop();
        auto announced = [this] {
            std::lock_guard guard(m_lock);
            return m_finishAnnounced;
        };
        while (!announced()) {
            if (!loop->runOnce(NSDefaultRunLoopMode)) {
                std::unique_lock lock(m_lock);
                m_finishedCondition.wait_for(lock, std::chrono::milliseconds(1), [this] { return m_finishAnnounced; });
            }
        }
        return;
    }
    NSThread::IdleScope idle;
    std::unique_lock lock(m_lock);
    m_finishedCondition.wait(lock, [this] { return m_finishAnnounced; });
}

std::shared_ptr<NSBlockOperation> NSBlockOperation::blockOperationWithBlock(std::function<void()> block)
{
    auto operation = std::make_shared<NSBlockOperation>();
    operation->m_block = std::move(block);
    return operation;
}

void NSBlockOperation::main()
{
    if (m_block)
        m_block();
}
