#include "Platform/UIKit/UISlider.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

#include <algorithm>

namespace {
constexpr CGFloat kThumb = 23;
}

void UISlider::setValueAnimated(float v, bool)
{
    m_value = std::clamp(v, m_min, std::max(m_min, m_max));
    setNeedsDisplay();
}

void UISlider::setMinimumValue(float v)
{
    m_min = v;
    m_max = std::max(m_max, v);
    setValue(m_value);
}

void UISlider::setMaximumValue(float v)
{
    m_max = v;
    m_min = std::min(m_min, v);
    setValue(m_value);
}

float UISlider::valueAtPoint(CGPoint p) const
{
    CGRect b = bounds();
    CGFloat track = b.size.width - kThumb;
    if (track <= 0)
        return m_min;
    float f = std::clamp(static_cast<float>((p.x - b.origin.x - kThumb / 2) / track), 0.0f, 1.0f);
    return m_min + f * (m_max - m_min);
}

void UISlider::track(const UITouchSet& touches, UIEvent* event, bool lifted)
{
    if (touches.empty())
        return;
    float v = valueAtPoint(touches.front()->locationInView(this));
    if (v != m_value) {
        m_value = v;
        m_changed = true;
        setNeedsDisplay();
        if (m_continuous)
            sendActionsForControlEvents(UIControlEventValueChanged, event);
    }
    if (lifted && !m_continuous && m_changed)
        sendActionsForControlEvents(UIControlEventValueChanged, event);
}

void UISlider::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (!isEnabled())
        return;
    auto keep = shared_from_this();
    m_changed = false;
    UIControl::touchesBeganWithEvent(touches, event);
    track(touches, event, false);
}

void UISlider::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (!isEnabled() || !isTracking())
        return;
    auto keep = shared_from_this();
    UIControl::touchesMovedWithEvent(touches, event);
    track(touches, event, false);
}

void UISlider::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (!isEnabled() || !isTracking())
        return;
    auto keep = shared_from_this();
    track(touches, event, true);
    UIControl::touchesEndedWithEvent(touches, event);
}

void UISlider::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGRect b = bounds();
    float f = m_max > m_min ? (m_value - m_min) / (m_max - m_min) : 0;
    CGFloat x = b.origin.x + kThumb / 2 + f * (b.size.width - kThumb);
    CGFloat mid = CGRectGetMidY(b);
    UIColor::colorWithRedGreenBlueAlpha(0.2f, 0.45f, 0.9f, 1)->setFill();
    CGContextFillRect(c, CGRectMake(b.origin.x + kThumb / 2, mid - 2, x - b.origin.x - kThumb / 2, 4));
    UIColor::colorWithWhiteAlpha(0.75f, 1)->setFill();
    CGContextFillRect(c, CGRectMake(x, mid - 2, CGRectGetMaxX(b) - kThumb / 2 - x, 4));
    UIColor::whiteColor()->setFill();
    CGContextFillEllipseInRect(c, CGRectMake(x - kThumb / 2, mid - kThumb / 2, kThumb, kThumb));
    UIColor::colorWithWhiteAlpha(0.6f, 1)->setStroke();
    CGContextStrokeEllipseInRect(c, CGRectMake(x - kThumb / 2, mid - kThumb / 2, kThumb, kThumb));
}
