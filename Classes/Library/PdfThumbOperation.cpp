#include "Classes/Library/PdfThumbOperation.h"

#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Classes/Library/PdfThumbView.h"
#include "Platform/Foundation/Dispatch.h"

void PdfThumbOperation::deliverImage(
    const std::shared_ptr<PdfThumbRequest>& request, const std::shared_ptr<UIImage>& image)
{
    auto view = request->thumbView();
    if (!view)
        return;
    size_t tag = request->targetTag();
    dispatch_async(dispatch_get_main_queue(), [view, tag, image] {
        if (view->targetTag() == tag)
            view->showImage(image);
    });
}

void PdfThumbOperation::clearViewOperation(const std::shared_ptr<PdfThumbRequest>& request)
{
    if (auto view = request->thumbView())
        view->setOperation(nullptr);
}

void PdfThumbOperation::cancelRequest(const std::shared_ptr<PdfThumbRequest>& request)
{
    clearViewOperation(request);
    request->setThumbView(nullptr);
    PdfThumbCache::sharedInstance().removeNullForKey(request->cacheKey());
}
