#pragma once

// The queue on which image hand-overs run: the main thread's operation queue,
// one operation at a time, by priority and then arrival. It is shared with
// other screens' operations. `unique` cancels everything still waiting on the
// queue first (other users' operations included), so only the newest runs.

#include <memory>

class ImageLoadOperation;
class NSOperationQueue;

class ImageLoadQueueManager {
public:
    static std::shared_ptr<ImageLoadQueueManager> sharedInstance();
    // Cancels what waits on the shared instance's queue and drops the instance;
    // the next sharedInstance starts afresh on the main queue.
    static void resetSharedInstance();

    void loadImageWithOperationUnique(const std::shared_ptr<ImageLoadOperation>& operation, bool unique);

    const std::shared_ptr<NSOperationQueue>& queue() const { return m_queue; }
    void setQueue(std::shared_ptr<NSOperationQueue> queue) { m_queue = std::move(queue); }

private:
    ImageLoadQueueManager();
    std::shared_ptr<NSOperationQueue> m_queue;
};
