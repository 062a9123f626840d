#include "Classes/Library/PdfThumbQueue.h"

#include "Classes/Library/PdfThumbOperation.h"
#include "Platform/Foundation/NSOperationQueue.h"

PdfThumbQueue& PdfThumbQueue::sharedInstance()
{
    static PdfThumbQueue* queue = new PdfThumbQueue();
    return *queue;
}

PdfThumbQueue::PdfThumbQueue()
    : m_loadQueue(NSOperationQueue::make())
    , m_workQueue(NSOperationQueue::make())
{
    m_loadQueue->setName("PdfThumbLoadQueue");
    m_loadQueue->setMaxConcurrentOperationCount(1);
    m_workQueue->setName("PdfThumbWorkQueue");
    m_workQueue->setMaxConcurrentOperationCount(1);
}

void PdfThumbQueue::addLoadOperation(const std::shared_ptr<NSOperation>& operation)
{
    if (std::dynamic_pointer_cast<PdfThumbOperation>(operation))
        m_loadQueue->addOperation(operation);
}

void PdfThumbQueue::addWorkOperation(const std::shared_ptr<NSOperation>& operation)
{
    if (std::dynamic_pointer_cast<PdfThumbOperation>(operation))
        m_workQueue->addOperation(operation);
}

void PdfThumbQueue::cancelOperationsWithGUID(const std::string& guid)
{
    m_loadQueue->setSuspended(true);
    m_workQueue->setSuspended(true);
    for (const auto& queue : { m_loadQueue, m_workQueue })
        for (const auto& operation : queue->operations())
            if (auto thumb = std::dynamic_pointer_cast<PdfThumbOperation>(operation); thumb && thumb->guid() == guid)
                thumb->cancel();
    m_workQueue->setSuspended(false);
    m_loadQueue->setSuspended(false);
}

void PdfThumbQueue::cancelAllOperations()
{
    m_loadQueue->cancelAllOperations();
    m_workQueue->cancelAllOperations();
}
