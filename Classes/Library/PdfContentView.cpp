#include "Classes/Library/PdfContentView.h"

#include "Classes/Library/PdfContentPage.h"
#include "Classes/Library/PdfContentThumb.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"

#include <algorithm>

PdfContentView::PdfContentView(CGRect frame)
    : UIScrollView(frame)
{
    setScrollsToTop(false);
    setDelaysContentTouches(false);
    setShowsVerticalScrollIndicator(false);
    setShowsHorizontalScrollIndicator(false);
    setContentMode(UIViewContentModeRedraw);
    setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    setBackgroundColor(UIColor::clearColor());
    setUserInteractionEnabled(true);
    setAutoresizesSubviews(false);
    setBouncesZoom(true);
}

std::shared_ptr<PdfContentView> PdfContentView::initWithFrameFileURLPagePassword(
    CGRect frame, const std::string& fileURL, long page, const std::optional<std::string>& password)
{
    auto view = std::make_shared<PdfContentView>(frame);
    view->setDelegate(std::static_pointer_cast<UIScrollViewDelegate>(view));
    view->m_theContentView = PdfContentPage::initWithURLPagePassword(fileURL, page, password);
    if (auto& pageView = view->m_theContentView) {
        auto container = std::make_shared<UIView>(pageView->bounds());
        container->setAutoresizesSubviews(false);
        container->setUserInteractionEnabled(false);
        container->setContentMode(UIViewContentModeRedraw);
        container->setAutoresizingMask(UIViewAutoresizingNone);
        container->setBackgroundColor(UIColor::whiteColor());
        view->setContentSize(pageView->bounds().size);
        view->setContentOffset(CGPointMake(-4, -4));
        view->setContentInset(UIEdgeInsetsMake(4, 4, 4, 4));
        view->m_theThumbView = std::make_shared<PdfContentThumb>(pageView->bounds());
        container->addSubview(view->m_theThumbView);
        container->addSubview(pageView);
        view->m_theContainerView = container;
        view->m_cardShadow = std::make_shared<UIImageView>(container->frame());
        view->m_cardShadow->setUserInteractionEnabled(false);
        view->addSubview(view->m_cardShadow);
        view->addSubview(container);
        view->updateMinimumMaximumZoom();
        view->setZoomScale(view->minimumZoomScale());
        view->updateCardShadow();
    }
    view->setTag(page);
    return view;
}

void PdfContentView::updateMinimumMaximumZoom()
{
    if (!m_theContentView)
        return;
    CGRect target = CGRectInset(bounds(), 4, 4);
    CGSize page = m_theContentView->bounds().size;
    CGFloat scale = std::min(target.size.width / page.width, target.size.height / page.height);
    setMinimumZoomScale(scale);
    setMaximumZoomScale(scale * 3);
    m_zoomAmount = (maximumZoomScale() - minimumZoomScale()) / 3;
}

void PdfContentView::setFrame(CGRect frame)
{
    UIScrollView::setFrame(frame);
    if (!m_theContentView)
        return;
    CGFloat oldMinimum = minimumZoomScale();
    updateMinimumMaximumZoom();
    if (zoomScale() == oldMinimum || zoomScale() < minimumZoomScale())
        setZoomScale(minimumZoomScale());
    else if (zoomScale() > maximumZoomScale())
        setZoomScale(maximumZoomScale());
}

void PdfContentView::layoutSubviews()
{
    UIScrollView::layoutSubviews();
    if (!m_theContainerView)
        return;
    CGSize b = bounds().size;
    CGRect f = m_theContainerView->frame();
    f.origin.x = b.width > f.size.width ? (b.width - f.size.width) / 2 + contentOffset().x : 0;
    f.origin.y = b.height > f.size.height ? (b.height - f.size.height) / 2 + contentOffset().y : 0;
    m_theContainerView->setFrame(f);
    updateCardShadow();
}

// The card's blurred shadow is drawn once for each size the card takes, into
// a picture lying behind the card: blurring it again on every drawing of the
// page cost many times the page itself.
void PdfContentView::updateCardShadow()
{
    if (!m_cardShadow || !m_theContainerView)
        return;
    CGRect card = m_theContainerView->frame();
    m_cardShadow->setFrame(CGRectInset(card, -kCardShadowMargin, -kCardShadowMargin));
    if (m_cardShadowSize && m_cardShadowSize->width == card.size.width && m_cardShadowSize->height == card.size.height)
        return;
    m_cardShadowSize = card.size;
    CGSize size = CGSizeMake(card.size.width + 2 * kCardShadowMargin, card.size.height + 2 * kCardShadowMargin);
    UIGraphicsBeginImageContextWithOptions(size, false, 0);
    if (auto context = UIGraphicsGetCurrentContext()) {
        CGRect inside = CGRectMake(kCardShadowMargin, kCardShadowMargin, card.size.width, card.size.height);
        CGContextSetShadowWithColor(context, CGSizeMake(0, 0), kCardShadowRadius, CGColorCreateGenericRGB(0, 0, 0, 1));
        CGContextSetFillColorWithColor(context, UIColor::whiteColor()->CGColor());
        CGContextFillRect(context, inside);
        // The card covers the middle: left clear, it costs next to nothing to lay down.
        CGContextClearRect(context, CGRectInset(inside, 1, 1));
        m_cardShadow->setImage(UIGraphicsGetImageFromCurrentImageContext());
    }
    UIGraphicsEndImageContext();
}

void PdfContentView::showPageThumbPagePasswordGuid(
    const std::string& fileURL, long page, const std::optional<std::string>& password, const std::string& guid)
{
    if (!m_theThumbView)
        return;
    CGFloat side = UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad ? 240 : 144;
    auto request = PdfThumbRequest::newForViewFileURLPasswordGuidPageSize(
        m_theThumbView, fileURL, password, guid, page, CGSizeMake(side, side));
    auto entry = PdfThumbCache::sharedInstance().thumbRequestPriority(request, true);
    if (auto image = std::get_if<std::shared_ptr<UIImage>>(&entry))
        m_theThumbView->showImage(*image);
}

PdfLinkTarget PdfContentView::processSingleTap(const UIGestureRecognizer& recognizer)
{
    return m_theContentView ? m_theContentView->processSingleTap(recognizer) : PdfLinkTarget {};
}

void PdfContentView::zoomIncrement()
{
    if (zoomScale() < maximumZoomScale())
        setZoomScaleAnimated(std::min(zoomScale() + m_zoomAmount, maximumZoomScale()), true);
}

void PdfContentView::zoomDecrement()
{
    if (zoomScale() > minimumZoomScale())
        setZoomScaleAnimated(std::max(zoomScale() - m_zoomAmount, minimumZoomScale()), true);
}

void PdfContentView::loopZoom()
{
    if (zoomScale() + 0.000001f < maximumZoomScale())
        zoomIncrement();
    else
        setZoomScaleAnimated(minimumZoomScale(), true);
}

void PdfContentView::zoomReset()
{
    if (zoomScale() > minimumZoomScale())
        setZoomScale(minimumZoomScale());
}

void PdfContentView::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIScrollView::touchesBeganWithEvent(touches, event);
    if (auto message = m_message.lock())
        message->contentViewTouchesBegan(*this, touches);
}
