#include "Classes/Frame/ImageLoadQueueManager.h"

#include "Classes/Frame/ImageLoadOperation.h"
#include "Platform/Foundation/NSOperationQueue.h"

#include <mutex>

ImageLoadQueueManager::ImageLoadQueueManager()
    : m_queue(NSOperationQueue::mainQueue())
{
}

namespace {

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<ImageLoadQueueManager>& slot()
{
    static std::shared_ptr<ImageLoadQueueManager> instance;
    return instance;
}

}  // namespace

std::shared_ptr<ImageLoadQueueManager> ImageLoadQueueManager::sharedInstance()
{
    std::lock_guard guard(classLock());
    if (!slot())
        slot() = std::shared_ptr<ImageLoadQueueManager>(new ImageLoadQueueManager());
    return slot();
}

void ImageLoadQueueManager::resetSharedInstance()
{
    std::shared_ptr<ImageLoadQueueManager> ending;
    {
        std::lock_guard guard(classLock());
        ending = std::move(slot());
        slot().reset();
    }
    if (ending && ending->m_queue)
        ending->m_queue->cancelAllOperations();
}

void ImageLoadQueueManager::loadImageWithOperationUnique(
    const std::shared_ptr<ImageLoadOperation>& operation, bool unique)
{
    if (!m_queue || !operation)
        return;
    if (unique)
        m_queue->cancelAllOperations();
    m_queue->addOperation(operation);
}
