#include "Platform/UIKit/UIPageControl.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

#include <algorithm>

namespace {
constexpr CGFloat kDot = 7;
constexpr CGFloat kSpacing = 16;
}

void UIPageControl::setNumberOfPages(long n)
{
    m_pages = std::max(0L, n);
    m_current = std::clamp(m_current, 0L, std::max(0L, m_pages - 1));
    setNeedsDisplay();
}

void UIPageControl::setCurrentPage(long page)
{
    m_current = std::clamp(page, 0L, std::max(0L, m_pages - 1));
    setNeedsDisplay();
}

void UIPageControl::didTapAt(CGPoint point, UIEvent* event)
{
    CGRect b = bounds();
    CGFloat width = kSpacing * static_cast<CGFloat>(m_pages);
    CGFloat dotX = CGRectGetMidX(b) - width / 2 + kSpacing * (static_cast<CGFloat>(m_current) + 0.5f);
    long next = point.x > dotX ? m_current + 1 : m_current - 1;
    if (next < 0 || next >= m_pages)
        return;
    m_current = next;
    setNeedsDisplay();
    sendActionsForControlEvents(UIControlEventValueChanged, event);
}

void UIPageControl::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c || m_pages == 0 || (m_hidesForSinglePage && m_pages == 1))
        return;
    CGRect b = bounds();
    CGFloat x = CGRectGetMidX(b) - kSpacing * static_cast<CGFloat>(m_pages) / 2;
    for (long i = 0; i < m_pages; ++i) {
        auto color = i == m_current
            ? (currentPageIndicatorTintColor ? currentPageIndicatorTintColor : UIColor::whiteColor())
            : (pageIndicatorTintColor ? pageIndicatorTintColor : UIColor::colorWithWhiteAlpha(1, 0.3f));
        color->setFill();
        CGContextFillEllipseInRect(c,
            CGRectMake(x + kSpacing * static_cast<CGFloat>(i) + (kSpacing - kDot) / 2, CGRectGetMidY(b) - kDot / 2,
                kDot, kDot));
    }
}
