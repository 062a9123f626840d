#pragma once

// The two serial queues of thumbnail work: one reads thumbnail files, the
// other renders pages, so that at most one read and one render run at once.

#include <memory>
#include <string>

class NSOperation;
class NSOperationQueue;

class PdfThumbQueue {
public:
    static PdfThumbQueue& sharedInstance();

    // Each takes only thumbnail operations and ignores anything else.
    void addLoadOperation(const std::shared_ptr<NSOperation>& operation);
    void addWorkOperation(const std::shared_ptr<NSOperation>& operation);
    void cancelOperationsWithGUID(const std::string& guid);
    void cancelAllOperations();

    const std::shared_ptr<NSOperationQueue>& loadQueue() const { return m_loadQueue; }
    const std::shared_ptr<NSOperationQueue>& workQueue() const { return m_workQueue; }

private:
    PdfThumbQueue();
    std::shared_ptr<NSOperationQueue> m_loadQueue;
    std::shared_ptr<NSOperationQueue> m_workQueue;
};
