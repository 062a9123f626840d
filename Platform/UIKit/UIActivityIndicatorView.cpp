#include "Platform/UIKit/UIActivityIndicatorView.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

#include <cmath>

UIActivityIndicatorView::UIActivityIndicatorView(UIActivityIndicatorViewStyle style)
    : UIView(CGRectZero)
    , m_style(style)
{
    setActivityIndicatorViewStyle(style);
    setHidden(true);
    setUserInteractionEnabled(false);
}

void UIActivityIndicatorView::setActivityIndicatorViewStyle(UIActivityIndicatorViewStyle s)
{
    m_style = s;
    CGFloat size = s == UIActivityIndicatorViewStyleWhiteLarge ? 37 : 20;
    CGPoint c = center();
    setBounds(CGRectMake(0, 0, size, size));
    setCenter(c);
    setNeedsDisplay();
}

void UIActivityIndicatorView::startAnimating()
{
    m_animating = true;
    setHidden(false);
    setNeedsDisplay();
}

void UIActivityIndicatorView::stopAnimating()
{
    m_animating = false;
    if (m_hidesWhenStopped)
        setHidden(true);
}

void UIActivityIndicatorView::setHidesWhenStopped(bool on)
{
    m_hidesWhenStopped = on;
    setHidden(on && !m_animating);
}

void UIActivityIndicatorView::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGRect b = bounds();
    CGFloat r = b.size.width / 2;
    auto base = color                                 ? color
        : m_style == UIActivityIndicatorViewStyleGray ? UIColor::grayColor()
                                                      : UIColor::whiteColor();
    CGContextSetLineWidth(c, r / 5);
    for (int i = 0; i < 12; ++i) {
        double a = i * 3.14159265358979323846 / 6;
        base->colorWithAlphaComponent(0.25f + 0.75f * static_cast<CGFloat>(i) / 11)->setStroke();
        CGContextBeginPath(c);
        CGContextMoveToPoint(c, CGRectGetMidX(b) + static_cast<CGFloat>(std::cos(a)) * r * 0.45f,
            CGRectGetMidY(b) + static_cast<CGFloat>(std::sin(a)) * r * 0.45f);
        CGContextAddLineToPoint(c, CGRectGetMidX(b) + static_cast<CGFloat>(std::cos(a)) * r * 0.9f,
            CGRectGetMidY(b) + static_cast<CGFloat>(std::sin(a)) * r * 0.9f);
        CGContextStrokePath(c);
    }
}
