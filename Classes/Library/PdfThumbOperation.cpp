#include "Classes/Library/PdfThumbOperation.h"

#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Classes/Library/PdfThumbView.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/NSThread.h"

namespace {

// A view's operation is changed on the main thread only, and only while the
// view still works for `from` (a view reused since has another). A worker
// never takes hold of the view: holding it, the worker could turn out to be
// its last owner and destroy it off the main thread.
template <typename Next>
void changeViewOperation(const std::shared_ptr<PdfThumbRequest>& request, std::weak_ptr<NSOperation> from, Next next)
{
    auto worksFor = [from = std::move(from)](const PdfThumbView& view) {
        auto current = view.operation();
        return current && current == from.lock();
    };
    auto change = [next = std::move(next)](const std::shared_ptr<PdfThumbView>& view) { view->setOperation(next()); };
    if (NSThread::isMainThread()) {
        if (auto view = request->thumbView(); view && worksFor(*view))
            change(view);
        return;
    }
    BackgroundWork::replyOnMain(request->weakThumbView(), std::move(worksFor), std::move(change));
}

}  // namespace

void PdfThumbOperation::deliverImage(
    const std::shared_ptr<PdfThumbRequest>& request, const std::shared_ptr<UIImage>& image)
{
    const size_t tag = request->targetTag();
    BackgroundWork::replyOnMain(
        request->weakThumbView(), [tag](const PdfThumbView& view) { return view.targetTag() == tag; },
        [image](const std::shared_ptr<PdfThumbView>& view) { view->showImage(image); });
}

void PdfThumbOperation::clearViewOperation(const std::shared_ptr<PdfThumbRequest>& request)
{
    changeViewOperation(request, weak_from_this(), [] { return std::shared_ptr<NSOperation>(); });
}

void PdfThumbOperation::handViewOperationTo(
    const std::shared_ptr<PdfThumbRequest>& request, const std::shared_ptr<NSOperation>& next)
{
    // A next operation cancelled before the view gets it has nothing left to cancel.
    changeViewOperation(
        request, weak_from_this(), [next] { return next->isCancelled() ? std::shared_ptr<NSOperation>() : next; });
}

void PdfThumbOperation::cancelRequest(const std::shared_ptr<PdfThumbRequest>& request)
{
    clearViewOperation(request);
    request->setThumbView(nullptr);
    PdfThumbCache::sharedInstance().removeNullForKey(request->cacheKey());
}
