#pragma once

// The base of the thumbnail operations: it carries the document's GUID, by
// which a document's pending work is found and cancelled, and the request.
// Cancelling lets go of the view and removes the request's placeholder, so
// that a later request for the key starts again.

#include "Platform/Foundation/NSOperation.h"

#include <memory>
#include <string>

class PdfThumbRequest;
class UIImage;

class PdfThumbOperation : public NSOperation {
public:
    explicit PdfThumbOperation(std::string guid)
        : m_guid(std::move(guid))
    {
    }
    const std::string& guid() const { return m_guid; }
    // Kept for the worker's scheduling; this platform runs queue threads at one priority.
    double threadPriority() const { return m_threadPriority; }
    void setThreadPriority(double priority) { m_threadPriority = priority; }

protected:
    // Hands the image to the requesting view on the main queue, where it is
    // shown only if the view still wants this request's image.
    static void deliverImage(const std::shared_ptr<PdfThumbRequest>& request, const std::shared_ptr<UIImage>& image);
    // The view's operation is cleared, or becomes `next`, if it is still this
    // one; from any thread, the change itself made on the main thread.
    void clearViewOperation(const std::shared_ptr<PdfThumbRequest>& request);
    void handViewOperationTo(const std::shared_ptr<PdfThumbRequest>& request, const std::shared_ptr<NSOperation>& next);
    void cancelRequest(const std::shared_ptr<PdfThumbRequest>& request);

private:
    std::string m_guid;
    double m_threadPriority = 0.5;
};
