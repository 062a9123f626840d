#include "Classes/Library/PdfThumbFetch.h"

#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbQueue.h"
#include "Classes/Library/PdfThumbRender.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Platform/ImageIO/CGImageSource.h"
#include "Platform/UIKit/UIImage.h"

PdfThumbFetch::PdfThumbFetch(std::shared_ptr<PdfThumbRequest> request)
    : PdfThumbOperation(request->guid())
    , m_request(std::move(request))
{
}

std::string PdfThumbFetch::thumbFileURL() const
{
    return PdfThumbCache::thumbCachePathForGUID(m_request->guid()) + "/" + m_request->thumbName() + ".png";
}

void PdfThumbFetch::main()
{
    auto source = CGImageSourceCreateWithURL(thumbFileURL());
    if (!source) {
        auto render = std::make_shared<PdfThumbRender>(m_request);
        render->setQueuePriority(queuePriority());
        render->setThreadPriority(threadPriority() - 0.1);
        if (isCancelled()) {
            clearViewOperation(m_request);
            return;
        }
        handViewOperationTo(m_request, render);
        PdfThumbQueue::sharedInstance().addWorkOperation(render);
        return;
    }
    auto decoded = CGImageSourceCreateImageAtIndex(source, 0);
    if (!decoded) {
        clearViewOperation(m_request);
        return;
    }
    // The source decodes the whole file into memory pixels, so the image is
    // ready to draw as it comes; no second decoding pass is needed here.
    auto image = UIImage::imageWithCGImageScaleOrientation(decoded, m_request->scale(), UIImageOrientationUp);
    PdfThumbCache::sharedInstance().setObjectForKey(image, m_request->cacheKey());
    if (!isCancelled())
        deliverImage(m_request, image);
    clearViewOperation(m_request);
}

void PdfThumbFetch::cancel()
{
    NSOperation::cancel();
    cancelRequest(m_request);
}
