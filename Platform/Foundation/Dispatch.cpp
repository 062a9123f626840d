#include "Platform/Foundation/Dispatch.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSTimer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
public:
    enum class Kind { Main, Global, Serial, Concurrent };
    DispatchQueue(Kind queueKind, std::string queueLabel)
        : kind(queueKind)
        , label(std::move(queueLabel))
    {
    }

    void async(dispatch_block_t block);
    void sync(dispatch_block_t block);

    const Kind kind;
    const std::string label;

private:
    void drain();

    std::mutex m_lock;
    std::deque<dispatch_block_t> m_pending;
    bool m_draining = false;
};

namespace {

// The queue whose block the calling thread is running, if any.
thread_local const DispatchQueue* t_runningQueue = nullptr;

class RunningQueueScope {
public:
    explicit RunningQueueScope(const DispatchQueue* queue)
        : m_previous(t_runningQueue)
    {
        t_runningQueue = queue;
    }
    ~RunningQueueScope() { t_runningQueue = m_previous; }

private:
    const DispatchQueue* m_previous;
};

// Worker threads shared by every queue but the main one. A worker is added
// whenever a job arrives and no worker is idle, up to a generous ceiling, so a
// block that blocks (dispatch_sync, waiting for an operation) cannot starve
// the others.
class WorkerPool {
public:
    static WorkerPool& shared()
    {
        // Never destroyed: detached workers may still wait on it while the process exits.
        static auto* pool = [] {
            NSThread::installExitHook();
            return new WorkerPool;
        }();
        return *pool;
    }

    void submit(std::function<void()> job)
    {
        bool spawn = false;
        {
            std::lock_guard guard(m_lock);
            m_jobs.push_back(std::move(job));
            if (m_idle < m_jobs.size() && m_threads < kMaxThreads) {
                ++m_threads;
                spawn = true;
            }
        }
        if (spawn)
            std::thread([this] { work(); }).detach();
        else
            m_available.notify_one();
    }

private:
    static constexpr size_t kMaxThreads = 64;

    void work()
    {
        std::unique_lock lock(m_lock);
        for (;;) {
            ++m_idle;
            m_available.wait(lock, [this] { return !m_jobs.empty(); });
            --m_idle;
            auto job = std::move(m_jobs.front());
            m_jobs.pop_front();
            lock.unlock();
            {
                NSThread::BusyScope busy;
                job();
                job = nullptr;
            }
            lock.lock();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_available;
    std::deque<std::function<void()>> m_jobs;
    size_t m_idle = 0;
    size_t m_threads = 0;
};

// The thread whose run loop holds the timers of dispatch_after for queues
// other than the main one; its loop follows the process clock.
std::shared_ptr<NSRunLoop> afterRunLoop()
{
    static auto* loop = [] {
        std::mutex lock;
        std::condition_variable ready;
        std::shared_ptr<NSRunLoop> made;
        NSThread::detachNewThread([&] {
            auto current = NSRunLoop::currentRunLoop();
            // Keeps the loop from returning for lack of inputs.
            auto keepAlive = current->addSource(nullptr);
            {
                // Notified under the lock: the waiter's locals die as soon as it sees `made`.
                std::lock_guard guard(lock);
                made = current;
                ready.notify_one();
            }
            for (;;)
                current->runMode(NSDefaultRunLoopMode, NSRunLoopDistantFuture);
        });
        std::unique_lock wait(lock);
        ready.wait(wait, [&] { return made != nullptr; });
        return new std::shared_ptr<NSRunLoop>(made);
    }();
    return *loop;
}

void runOn(const DispatchQueue* queue, const dispatch_block_t& block)
{
    RunningQueueScope scope(queue);
    block();
}

}  // namespace

void DispatchQueue::async(dispatch_block_t block)
{
    switch (kind) {
    case Kind::Main:
        NSRunLoop::mainRunLoop()->performBlock(
            [self = shared_from_this(), block = std::move(block)] { runOn(self.get(), block); },
            { NSRunLoopCommonModes });
        return;
    case Kind::Global:
    case Kind::Concurrent:
        WorkerPool::shared().submit(
            [self = shared_from_this(), block = std::move(block)] { runOn(self.get(), block); });
        return;
    case Kind::Serial: {
        bool start = false;
        {
            std::lock_guard guard(m_lock);
            m_pending.push_back(std::move(block));
            if (!m_draining)
                start = m_draining = true;
        }
        if (start)
            WorkerPool::shared().submit([self = shared_from_this()] { self->drain(); });
        return;
    }
    }
}

void DispatchQueue::drain()
{
    RunningQueueScope scope(this);
    for (;;) {
        dispatch_block_t block;
        {
            std::lock_guard guard(m_lock);
            if (m_pending.empty()) {
                m_draining = false;
                return;
            }
            block = std::move(m_pending.front());
            m_pending.pop_front();
        }
        block();
    }
}

void DispatchQueue::sync(dispatch_block_t block)
{
    // Already on this queue: waiting for ourselves would never end.
    if (t_runningQueue == this || (kind == Kind::Main && NSThread::isMainThread())) {
        runOn(this, block);
        return;
    }
    switch (kind) {
    case Kind::Main:
        NSThread::performOnMainThread([&] { runOn(this, block); }, true);
        return;
    case Kind::Global:
    case Kind::Concurrent:
        runOn(this, block);
        return;
    case Kind::Serial: {
        std::mutex lock;
        std::condition_variable condition;
        bool done = false;
        async([&] {
            block();
            std::lock_guard guard(lock);
            done = true;
            condition.notify_all();
        });
        NSThread::IdleScope idle;
        std::unique_lock wait(lock);
        condition.wait(wait, [&] { return done; });
        return;
    }
    }
}

dispatch_queue_t dispatch_get_main_queue()
{
    static auto* queue = new dispatch_queue_t(std::make_shared<DispatchQueue>(DispatchQueue::Kind::Main, "main"));
    return *queue;
}

dispatch_queue_t dispatch_get_global_queue(long priority, unsigned long)
{
    // One queue per priority; they share the workers, so the priority only names them.
    static std::mutex lock;
    static auto* queues = new std::vector<std::pair<long, dispatch_queue_t>>;
    std::lock_guard guard(lock);
    for (auto& [p, q] : *queues) {
        if (p == priority)
            return q;
    }
    auto queue = std::make_shared<DispatchQueue>(DispatchQueue::Kind::Global, "global." + std::to_string(priority));
    queues->emplace_back(priority, queue);
    return queue;
}

dispatch_queue_t dispatch_queue_create(const char* label, DispatchQueueAttr attr)
{
    return std::make_shared<DispatchQueue>(
        attr == DISPATCH_QUEUE_SERIAL ? DispatchQueue::Kind::Serial : DispatchQueue::Kind::Concurrent,
        label ? label : "");
}

const char* dispatch_queue_get_label(const dispatch_queue_t& queue) { return queue ? queue->label.c_str() : ""; }

void dispatch_async(const dispatch_queue_t& queue, dispatch_block_t block)
{
    if (queue && block)
        queue->async(std::move(block));
}

void dispatch_sync(const dispatch_queue_t& queue, dispatch_block_t block)
{
    if (queue && block)
        queue->sync(std::move(block));
}

dispatch_time_t dispatch_time(dispatch_time_t when, int64_t deltaNanoseconds)
{
    if (when >= DISPATCH_TIME_FOREVER)
        return DISPATCH_TIME_FOREVER;
    double base = when == DISPATCH_TIME_NOW ? Clock::now() : when;
    return base + double(deltaNanoseconds) / double(NSEC_PER_SEC);
}

void dispatch_after(dispatch_time_t when, const dispatch_queue_t& queue, dispatch_block_t block)
{
    if (!queue || !block || when >= DISPATCH_TIME_FOREVER)
        return;
    if (when == DISPATCH_TIME_NOW)
        when = Clock::now();
    bool toMain = queue->kind == DispatchQueue::Kind::Main;
    auto loop = toMain ? NSRunLoop::mainRunLoop() : afterRunLoop();
    auto schedule = [loop, when, queue, block = std::move(block)]() mutable {
        auto timer = NSTimer::timerWithTimeInterval(
            0, false, [queue, block = std::move(block)](NSTimer&) { dispatch_async(queue, block); });
        timer->setFireDate(when);
        loop->addTimer(timer, NSRunLoopCommonModes);
    };
    // Timers are added on their loop's own thread.
    if (toMain && NSThread::isMainThread())
        schedule();
    else
        loop->performBlock(std::move(schedule));
}
