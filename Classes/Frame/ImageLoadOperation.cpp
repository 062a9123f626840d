#include "Classes/Frame/ImageLoadOperation.h"

#include "Classes/Frame/PublicFunction.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/UIKit/UIImageView.h"

ImageLoadOperation::ImageLoadOperation(
    std::shared_ptr<UIImage> image, std::shared_ptr<UIImageView> targetImageView, bool animation)
    : m_image(std::move(image))
    , m_targetImageView(std::move(targetImageView))
    , m_loadWithAnimation(animation)
{
    setQueuePriority(NSOperationQueuePriorityVeryLow);
}

void ImageLoadOperation::main()
{
    auto view = m_targetImageView;
    if (!view || !view->superview())
        return;
    PublicFunction::ImageViewFitImgImg(view, m_image);
    if (m_loadWithAnimation)
        UIView::animateWithDurationDelayOptionsAnimationsCompletion(
            kFadeDuration, 0, 0, [view] { view->setAlpha(1.0); }, nullptr);
    else
        view->setAlpha(1.0);
    NSThread::sleepForTimeInterval(0.00001);
}
