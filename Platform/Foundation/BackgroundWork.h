#pragma once

// Work handed from the main thread to a worker, and its answer handed back:
// the one way screens and models leave the main thread.
//
// What the work reads is taken on the main thread before it leaves and
// captured by value, so a worker never reads what the main thread may
// rewrite or free meanwhile (the session, the data layer, a view). The answer
// comes back on the main queue to a target held weakly, and is dropped when
// the target has gone or no longer shows the item the work was for (a cell
// reused for another row, a cache emptied since). Workers never hold the
// target, so no view or model is destroyed off the main thread.
//
// Work its owner must not outlive (files written for the signed-in client)
// runs as a BackgroundTask: the owner cancels it and waits at its end, and
// the work looks at isCancelled() between its steps.

#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/MainThreadCheck.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

namespace BackgroundWork {

// The pool work runs on when no queue is named.
dispatch_queue_t defaultQueue();

// From any thread: on the main thread, `reply(target)` (given the shared
// pointer) when `target` is still alive and `stillShows(*target)` holds there.
template <typename Target, typename StillShows, typename Reply>
void replyOnMain(std::weak_ptr<Target> target, StillShows stillShows, Reply reply)
{
    dispatch_async(dispatch_get_main_queue(),
        [target = std::move(target), stillShows = std::move(stillShows), reply = std::move(reply)]() mutable {
            auto strong = target.lock();
            if (strong && stillShows(std::as_const(*strong)))
                reply(strong);
        });
}

// On the main thread: runs `work()` on `queue` (the pool when null), then on
// the main thread `reply(target, result)` (`reply(target)` for work that
// returns nothing) when `target` is still alive and `stillShows(*target)`
// holds. `stillShows` and `reply` are only called on the main thread.
template <typename Target, typename Work, typename StillShows, typename Reply>
void run(const std::shared_ptr<Target>& target, Work work, StillShows stillShows, Reply reply,
    const dispatch_queue_t& queue = nullptr)
{
    FOUNDATION_CHECK_MAIN_THREAD();
    std::weak_ptr<Target> weak = target;
    dispatch_async(queue ? queue : defaultQueue(),
        [weak, work = std::move(work), stillShows = std::move(stillShows), reply = std::move(reply)]() mutable {
            if constexpr (std::is_void_v<std::invoke_result_t<Work&>>) {
                work();
                replyOnMain(weak, std::move(stillShows),
                    [reply = std::move(reply)](const std::shared_ptr<Target>& done) mutable { reply(done); });
            } else {
                replyOnMain(weak, std::move(stillShows),
                    [reply = std::move(reply), result = work()](
                        const std::shared_ptr<Target>& done) mutable { reply(done, std::move(result)); });
            }
        });
}

}  // namespace BackgroundWork

// Work with no answer that its owner waits for at its end.
class BackgroundTask {
public:
    using Work = std::function<void(const BackgroundTask&)>;

    // Starts `work` on `queue` (the pool when null); the work is handed its task.
    static std::shared_ptr<BackgroundTask> start(Work work, const dispatch_queue_t& queue = nullptr);

    bool isCancelled() const { return m_cancelled.load(); }
    // Whether the work has returned or, cancelled before it started, never will run.
    bool isDone() const;
    // Asks the work to stop at its next look; work not started yet never runs.
    void cancel();
    // Cancels, then waits until the work has returned (at once when it never started).
    void cancelAndWait();

private:
    enum class State { Waiting, Running, Done };
    explicit BackgroundTask(Work work)
        : m_work(std::move(work))
    {
    }
    void runOnWorker();

    Work m_work;
    std::atomic<bool> m_cancelled { false };
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    State m_state = State::Waiting;
};
