#include "Classes/Library/PdfTrackControl.h"

#include "Platform/UIKit/UIColor.h"

#include <algorithm>

PdfTrackControl::PdfTrackControl(CGRect frame)
    : UIControl(frame)
{
    setAutoresizesSubviews(false);
    setUserInteractionEnabled(true);
    setContentMode(UIViewContentModeRedraw);
    setAutoresizingMask(UIViewAutoresizingNone);
    setBackgroundColor(UIColor::clearColor());
}

CGFloat PdfTrackControl::limitValue(CGFloat value) const
{
    CGRect b = bounds();
    return std::min(std::max(value, b.origin.x), b.size.width - 1);
}

void PdfTrackControl::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (!touches.empty())
        m_value = limitValue((*touches.begin())->locationInView(this).x);
    UIControl::touchesBeganWithEvent(touches, event);
}

void PdfTrackControl::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (!touches.empty()) {
        CGPoint point = (*touches.begin())->locationInView(this);
        if (CGRectContainsPoint(bounds(), point)) {
            CGFloat x = limitValue(point.x);
            if (x != m_value) {
                m_value = x;
                sendActionsForControlEvents(UIControlEventValueChanged, event);
            }
        }
    }
    UIControl::touchesMovedWithEvent(touches, event);
}

void PdfTrackControl::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (!touches.empty())
        m_value = limitValue((*touches.begin())->locationInView(this).x);
    UIControl::touchesEndedWithEvent(touches, event);
}
