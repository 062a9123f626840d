#include "Platform/Foundation/BackgroundWork.h"

dispatch_queue_t BackgroundWork::defaultQueue()
{
    return dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0);
}

std::shared_ptr<BackgroundTask> BackgroundTask::start(Work work, const dispatch_queue_t& queue)
{
    std::shared_ptr<BackgroundTask> task(new BackgroundTask(std::move(work)));
    dispatch_async(queue ? queue : BackgroundWork::defaultQueue(), [task] { task->runOnWorker(); });
    return task;
}

void BackgroundTask::runOnWorker()
{
    {
        std::lock_guard guard(m_lock);
        // Cancelled while it waited: the owner may already have gone.
        if (m_cancelled.load()) {
            m_state = State::Done;
            m_work = nullptr;
            m_changed.notify_all();
            return;
        }
        m_state = State::Running;
    }
    m_work(*this);
    std::lock_guard guard(m_lock);
    m_work = nullptr;
    m_state = State::Done;
    m_changed.notify_all();
}

bool BackgroundTask::isDone() const
{
    std::lock_guard guard(m_lock);
    return m_state == State::Done || (m_state == State::Waiting && m_cancelled.load());
}

void BackgroundTask::cancel()
{
    std::lock_guard guard(m_lock);
    m_cancelled = true;
}

void BackgroundTask::cancelAndWait()
{
    std::unique_lock guard(m_lock);
    m_cancelled = true;
    // Work still waiting will see the flag under this lock and never start; a
    // worker parked by the process's exit must not be waited for.
    m_changed.wait(guard, [this] { return m_state != State::Running; });
}
