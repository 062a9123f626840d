#include "Classes/Catalog/ProductBigImageView.h"

#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UITouch.h"

#include <cmath>

namespace {

const char* const kToggleRequest = "toggleChromeDisplay";

// One axis of the zoom rectangle: centred when the scaled image fits the
// page, else held on the image's near or far edge when the image leaves
// margins, else centred on the touch.
CGFloat zoomOrigin(CGFloat page, CGFloat shown, CGFloat scale, CGFloat centre)
{
    const CGFloat visible = page / scale;
    if (scale * shown <= page)
        return (page - visible) / 2;
    if (shown < page)
        return centre < page / 2 ? (page - shown) / 2 : (shown + page) / 2 - visible;
    return centre - visible / 2;
}

}  // namespace

std::shared_ptr<ProductBigImageView> ProductBigImageView::initWithFrame(CGRect frame)
{
    auto page = std::make_shared<ProductBigImageView>(frame);
    page->setDelegate(std::static_pointer_cast<UIScrollViewDelegate>(page));
    page->loadSubviewsWithFrame(frame);
    return page;
}

ProductBigImageView::ProductBigImageView(CGRect frame)
    : UIScrollView(frame)
{
    setMaximumZoomScale(2.0);
    setShowsHorizontalScrollIndicator(false);
    setShowsVerticalScrollIndicator(false);
    setBackgroundColor(UIColor::whiteColor());
}

ProductBigImageView::~ProductBigImageView() { PerformRequests::cancelPreviousPerformRequests(this); }

void ProductBigImageView::loadSubviewsWithFrame(CGRect frame)
{
    m_imageView = std::make_shared<UIImageView>(frame);
    m_imageView->setContentMode(UIViewContentModeScaleAspectFit);
    addSubview(m_imageView);
}

std::shared_ptr<UIView> ProductBigImageView::viewForZoomingInScrollView(UIScrollView&) { return m_imageView; }

void ProductBigImageView::layoutSubviews()
{
    UIScrollView::layoutSubviews();
    if (!isZoomed() && !CGRectEqualToRect(m_imageView->frame(), bounds()))
        m_imageView->setFrame(bounds());
}

void ProductBigImageView::setImage(const std::shared_ptr<UIImage>& image)
{
    m_imageView->setImage(image);
    const CGSize box = m_imageView->frame().size;
    const CGSize size = image ? image->size() : CGSizeZero;
    const bool smaller = size.width < box.width && size.height < box.height;
    m_imageView->setContentMode(smaller ? UIViewContentModeCenter : UIViewContentModeScaleAspectFit);
}

bool ProductBigImageView::isZoomed() const { return zoomScale() != minimumZoomScale(); }

CGRect ProductBigImageView::zoomRectForScaleWithCenter(CGFloat scale, CGPoint center) const
{
    const CGFloat W = frame().size.width;
    const CGFloat H = frame().size.height;
    const CGSize image = m_imageView->image() ? m_imageView->image()->size() : CGSizeZero;
    CGFloat dw = image.width;
    CGFloat dh = image.height;
    if (image.width > image.height && image.width > W) {
        dw = W;
        dh = std::floor(image.height * W / image.width);
    } else if (image.width < image.height && image.height > H) {
        dw = std::floor(image.width * H / image.height);
        dh = H;
    }
    return CGRectMake(zoomOrigin(W, dw, scale, center.x), zoomOrigin(H, dh, scale, center.y), W / scale, H / scale);
}

void ProductBigImageView::zoomToLocation(CGPoint point)
{
    if (isZoomed())
        zoomToRectAnimated(bounds(), true);
    else
        zoomToRectAnimated(zoomRectForScaleWithCenter(maximumZoomScale(), point), true);
}

void ProductBigImageView::turnOffZoom()
{
    if (isZoomed())
        zoomToLocation(CGPointZero);
}

void ProductBigImageView::toggleChromeDisplay()
{
    if (auto pager = scroller())
        pager->toggleChromeDisplay();
}

void ProductBigImageView::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIScrollView::touchesBeganWithEvent(touches, event);
    if (touches.empty())
        return;
    const auto& touch = touches.front();
    if (touch->view().get() != this || touch->tapCount() != 2)
        return;
    PerformRequests::cancelPreviousPerformRequests(this, kToggleRequest);
    zoomToLocation(touch->locationInView(this));
}

void ProductBigImageView::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIScrollView::touchesEndedWithEvent(touches, event);
    if (touches.empty())
        return;
    const auto& touch = touches.front();
    if (touch->view().get() != this || touch->tapCount() != 1)
        return;
    std::weak_ptr<ProductBigImageView> weak = weakSelf<ProductBigImageView>();
    PerformRequests::performAfterDelay(
        this, kToggleRequest,
        [weak] {
            if (auto self = weak.lock())
                self->toggleChromeDisplay();
        },
        kSingleTapDelay);
}
