#include "Classes/Frame/StyledPageControl.h"

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITouch.h"

#include <algorithm>
#include <cmath>

StyledPageControl::StyledPageControl(CGRect frame)
    : UIControl(frame)
{
    setBackgroundColor(UIColor::clearColor());
}

void StyledPageControl::setNumberOfPages(int pages)
{
    pages = std::max(0, pages);
    if (pages == m_numberOfPages)
        return;
    m_numberOfPages = pages;
    setNeedsDisplay();
}

void StyledPageControl::setCurrentPageSendEventCanDefer(int page, bool sendEvent, bool canDefer)
{
    if (page < 0 || page >= m_numberOfPages)
        return;
    m_currentPage = page;
    if (!(defersCurrentPageDisplay && canDefer)) {
        m_displayedPage = page;
        setNeedsDisplay();
    }
    if (sendEvent)
        sendActionsForControlEvents(UIControlEventValueChanged);
}

void StyledPageControl::updateCurrentPageDisplay()
{
    m_displayedPage = m_currentPage;
    setNeedsDisplay();
}

void StyledPageControl::updatePageNumberForScrollView(const UIScrollView& scrollView)
{
    const CGFloat width = scrollView.frame().size.width;
    if (width > 0)
        setCurrentPage(static_cast<int>(std::floor(scrollView.contentOffset().x / width)));
}

void StyledPageControl::setIndicatorDiameter(float diameter)
{
    if (diameter == m_indicatorDiameter)
        return;
    m_indicatorDiameter = diameter;
    updateMeasuredIndicatorSizes();
    setNeedsDisplay();
}

void StyledPageControl::setIndicatorMargin(float margin)
{
    if (margin == m_indicatorMargin)
        return;
    m_indicatorMargin = margin;
    setNeedsDisplay();
}

void StyledPageControl::setPageIndicatorImage(std::shared_ptr<UIImage> image)
{
    if (image == m_pageIndicatorImage)
        return;
    m_pageIndicatorImage = std::move(image);
    updateMeasuredIndicatorSizes();
    setNeedsDisplay();
}

void StyledPageControl::setCurrentPageIndicatorImage(std::shared_ptr<UIImage> image)
{
    if (image == m_currentPageIndicatorImage)
        return;
    m_currentPageIndicatorImage = std::move(image);
    updateMeasuredIndicatorSizes();
    setNeedsDisplay();
}

void StyledPageControl::setImageForPage(std::shared_ptr<UIImage> image, int page)
{
    if (page < 0 || page >= m_numberOfPages)
        return;
    if (image)
        m_pageImages[page] = std::move(image);
    else
        m_pageImages.erase(page);
}

void StyledPageControl::setCurrentImageForPage(std::shared_ptr<UIImage> image, int page)
{
    if (page < 0 || page >= m_numberOfPages)
        return;
    if (image)
        m_currentPageImages[page] = std::move(image);
    else
        m_currentPageImages.erase(page);
}

std::shared_ptr<UIImage> StyledPageControl::imageForPage(int page) const
{
    auto it = m_pageImages.find(page);
    return page < 0 || page >= m_numberOfPages || it == m_pageImages.end() ? nullptr : it->second;
}

std::shared_ptr<UIImage> StyledPageControl::currentImageForPage(int page) const
{
    auto it = m_currentPageImages.find(page);
    return page < 0 || page >= m_numberOfPages || it == m_currentPageImages.end() ? nullptr : it->second;
}

void StyledPageControl::updateMeasuredIndicatorSizes()
{
    m_measuredIndicatorWidth = m_indicatorDiameter;
    m_measuredIndicatorHeight = m_indicatorDiameter;
    // The current-page image, when there is one, decides over the other.
    for (const auto* image : { &m_pageIndicatorImage, &m_currentPageIndicatorImage }) {
        if (*image) {
            CGSize size = (*image)->size();
            m_measuredIndicatorWidth = std::max<float>(m_indicatorDiameter, static_cast<float>(size.width));
            m_measuredIndicatorHeight = std::max<float>(m_indicatorDiameter, static_cast<float>(size.height));
        }
    }
}

CGSize StyledPageControl::sizeForNumberOfPages(int pages) const
{
    const CGFloat width = pages * m_measuredIndicatorWidth + (pages > 1 ? (pages - 1) * m_indicatorMargin : 0);
    return CGSizeMake(width, m_measuredIndicatorHeight);
}

CGRect StyledPageControl::rectForPageIndicator(int page) const
{
    if (page < 0 || page >= m_numberOfPages)
        return CGRectZero;
    const CGFloat x = leftOffset() + sizeForNumberOfPages(page + 1).width - m_measuredIndicatorWidth;
    return CGRectMake(x, 0, m_measuredIndicatorWidth, m_measuredIndicatorWidth);
}

void StyledPageControl::sizeToFit()
{
    CGSize size = sizeForNumberOfPages(m_numberOfPages);
    size.height = std::max<CGFloat>(size.height, 36);
    CGRect f = frame();
    setFrame(CGRectMake(f.origin.x, f.origin.y, size.width, size.height));
}

void StyledPageControl::setFrame(CGRect frame)
{
    UIControl::setFrame(frame);
    setNeedsDisplay();
}

CGFloat StyledPageControl::leftOffset() const
{
    CGRect b = bounds();
    CGSize s = sizeForNumberOfPages(m_numberOfPages);
    if (alignment == Right)
        return CGRectGetMaxX(b) - s.width - 10;
    if (alignment == Center)
        return CGRectGetMidX(b) - s.width / 2;
    return 0;
}

CGFloat StyledPageControl::topOffset() const
{
    CGRect b = bounds();
    if (verticalAlignment == Bottom)
        return CGRectGetMaxY(b) - sizeForNumberOfPages(m_numberOfPages).height;
    if (verticalAlignment == Middle)
        return CGRectGetMidY(b) - m_measuredIndicatorHeight / 2;
    return 0;
}

void StyledPageControl::drawRect(CGRect)
{
    if ((m_numberOfPages <= 1 && hidesForSinglePage) || m_numberOfPages == 0)
        return;
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return;
    CGFloat x = leftOffset();
    const CGFloat y = topOffset();
    for (int i = 0; i < m_numberOfPages; ++i) {
        std::shared_ptr<UIColor> colour;
        std::shared_ptr<UIImage> image;
        if (i == m_displayedPage) {
            colour = currentPageIndicatorTintColor ? currentPageIndicatorTintColor : UIColor::whiteColor();
            image = currentImageForPage(i);
            if (!image)
                image = m_currentPageIndicatorImage;
        } else {
            colour = pageIndicatorTintColor ? pageIndicatorTintColor : UIColor::colorWithWhiteAlpha(1, 0.3f);
            image = imageForPage(i);
            if (!image)
                image = m_pageIndicatorImage;
        }
        colour->setFill();
        colour->setStroke();
        if (image)
            image->drawAtPoint(CGPointMake(x, y));
        else
            CGContextFillEllipseInRect(context, CGRectMake(x, y, m_measuredIndicatorWidth, m_measuredIndicatorHeight));
        x += m_measuredIndicatorWidth + m_indicatorMargin;
    }
}

void StyledPageControl::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIControl::touchesEndedWithEvent(touches, event);
    if (touches.empty())
        return;
    const CGFloat x = touches.front()->locationInView(this).x;
    const CGFloat middle = leftOffset() + sizeForNumberOfPages(m_numberOfPages).width / 2;
    setCurrentPageSendEventCanDefer(x < middle ? m_currentPage - 1 : m_currentPage + 1, true, true);
}
