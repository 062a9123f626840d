#include "Classes/Frame/ImageLoadQueueManager.h"

#include "Classes/Frame/ImageLoadOperation.h"
#include "Platform/Foundation/NSOperationQueue.h"

#include <mutex>

ImageLoadQueueManager::ImageLoadQueueManager()
    : m_queue(NSOperationQueue::mainQueue())
{
}

std::shared_ptr<ImageLoadQueueManager> ImageLoadQueueManager::sharedInstance()
{
    static std::mutex classLock;
    static std::shared_ptr<ImageLoadQueueManager> instance;
    std::lock_guard guard(classLock);
    if (!instance)
        instance = std::shared_ptr<ImageLoadQueueManager>(new ImageLoadQueueManager());
    return instance;
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
