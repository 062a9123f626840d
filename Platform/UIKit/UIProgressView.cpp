#include "Platform/UIKit/UIProgressView.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

#include <algorithm>
#include <cmath>

UIProgressView::UIProgressView(UIProgressViewStyle style)
    : UIView(CGRectMake(0, 0, 150, heightForStyle(style)))
    , m_style(style)
{
}

CGFloat UIProgressView::heightForStyle(UIProgressViewStyle style) { return style == UIProgressViewStyleBar ? 11 : 9; }

void UIProgressView::setFrame(CGRect frame)
{
    frame.size.height = heightForStyle(m_style);
    UIView::setFrame(frame);
}

void UIProgressView::setProgressAnimated(float p, bool)
{
    // Out-of-range and not-a-number values stay within the bar.
    m_progress = std::isnan(p) ? 0 : std::clamp(p, 0.0f, 1.0f);
    setNeedsDisplay();
}

void UIProgressView::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGRect b = bounds();
    (trackTintColor ? trackTintColor : UIColor::colorWithWhiteAlpha(0.85f, 1))->setFill();
    CGContextFillRect(c, b);
    (progressTintColor ? progressTintColor : UIColor::colorWithRedGreenBlueAlpha(0.2f, 0.45f, 0.9f, 1))->setFill();
    CGContextFillRect(c, CGRectMake(b.origin.x, b.origin.y, b.size.width * m_progress, b.size.height));
}
