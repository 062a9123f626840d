#include "Classes/Catalog/SlideShowController.h"

#include "Classes/Catalog/ProductDetailImageController.h"
#include "Classes/Frame/PublicFunction.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImageView.h"

#include <random>

namespace {

uint32_t random32()
{
    static std::mt19937 engine { std::random_device {}() };
    return static_cast<uint32_t>(engine());
}

}  // namespace

SlideShowController::SlideShowController()
{
    if (fullScreen())
        setWantsFullScreenLayout(true);
}

bool SlideShowController::fullScreen() const { return PublicFunction::getDeviceVersion() >= 5; }

void SlideShowController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    view()->setBackgroundColor(UIColor::whiteColor());
    m_imageView
        = std::make_shared<UIImageView>(fullScreen() ? CGRectMake(0, 0, 1024, 768) : CGRectMake(0, 0, 1024, 748));
    view()->addSubview(m_imageView);
    if (fullScreen())
        UIApplication::sharedApplication()->setStatusBarHidden(true);
}

void SlideShowController::viewWillDisappear(bool animated)
{
    UIViewController::viewWillDisappear(animated);
    if (fullScreen())
        UIApplication::sharedApplication()->setStatusBarHidden(false);
}

void SlideShowController::slideFirstShowImage(const std::shared_ptr<UIImage>& image)
{
    auto shown = m_imageView;
    PublicFunction::ImageViewFitImgImg(shown, image);
    shown->setTransform(CGAffineTransformMakeScale(1.1f, 1.1f));
    UIView::animateWithDuration(
        6.0, 2.0, UIViewAnimationOptionAllowUserInteraction,
        [shown] { shown->setTransform(CGAffineTransformIdentity); }, nullptr);
}

CGRect SlideShowController::getRandomInitialFrame() const
{
    CGRect frame = m_imageView->frame();
    const CGFloat dx[] = { 0, 51, -51 };
    const CGFloat dy[] = { 0, 38, -38 };
    frame.origin.x += dx[random32() % 3];
    frame.origin.y += dy[random32() % 3];
    return frame;
}

void SlideShowController::slideShowImage(const std::shared_ptr<UIImage>& image)
{
    auto incoming = std::make_shared<UIImageView>(getRandomInitialFrame());
    incoming->setAlpha(0);
    incoming->setTransform(CGAffineTransformMakeScale(1.1f, 1.1f));
    view()->addSubview(incoming);
    PublicFunction::ImageViewFitImgImg(incoming, image);
    auto outgoing = m_imageView;
    const CGRect rest = outgoing->frame();
    auto weak = weakSelf<SlideShowController>();
    UIView::animateWithDuration(
        2.0, 0, UIViewAnimationOptionAllowUserInteraction,
        [incoming, outgoing] {
            incoming->setAlpha(1);
            outgoing->setAlpha(0);
        },
        [weak, incoming, outgoing, rest](bool) {
            UIView::animateWithDuration(
                6.0, 0, UIViewAnimationOptionAllowUserInteraction,
                [incoming, rest] {
                    incoming->setTransform(CGAffineTransformIdentity);
                    incoming->setFrame(rest);
                },
                [weak, incoming, outgoing](bool) {
                    outgoing->setImage(nullptr);
                    outgoing->removeFromSuperview();
                    if (auto self = weak.lock())
                        self->m_imageView = incoming;
                });
        });
}

void SlideShowController::touchesBeganWithEvent(const UITouchSet&, UIEvent*)
{
    auto keep = protect<SlideShowController>();
    if (auto viewer = detailImageController())
        viewer->endSlideShow();
    dismissModalViewControllerAnimated(true);
}
