#include "Classes/Library/PdfThumbOperation.h"

#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Classes/Library/PdfThumbView.h"
#include "Platform/Foundation/BackgroundWork.h"

void PdfThumbOperation::deliverImage(
    const std::shared_ptr<PdfThumbRequest>& request, const std::shared_ptr<UIImage>& image)
{
    const size_t tag = request->targetTag();
    BackgroundWork::replyOnMain(
        std::weak_ptr<PdfThumbView>(request->thumbView()),
        [tag](const PdfThumbView& view) { return view.targetTag() == tag; },
        [image](const std::shared_ptr<PdfThumbView>& view) { view->showImage(image); });
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
