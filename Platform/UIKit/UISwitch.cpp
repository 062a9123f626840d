#include "Platform/UIKit/UISwitch.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

UISwitch::UISwitch(CGRect frame)
    : UIControl(CGRectMake(frame.origin.x, frame.origin.y, kWidth, kHeight))
{
}

void UISwitch::setFrame(CGRect frame)
{
    // The switch keeps its own size, as on the platform.
    UIControl::setFrame(CGRectMake(frame.origin.x, frame.origin.y, kWidth, kHeight));
}

void UISwitch::setOnAnimated(bool on, bool)
{
    m_on = on;
    setNeedsDisplay();
}

void UISwitch::didTapAt(CGPoint, UIEvent* event)
{
    m_on = !m_on;
    setNeedsDisplay();
    sendActionsForControlEvents(UIControlEventValueChanged, event);
}

void UISwitch::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGRect b = bounds();
    (m_on ? (onTintColor ? onTintColor : UIColor::colorWithRedGreenBlueAlpha(0, 0.5f, 0.95f, 1))
          : UIColor::colorWithWhiteAlpha(0.93f, 1))
        ->setFill();
    CGContextFillRect(c, b);
    UIColor::colorWithWhiteAlpha(0.98f, 1)->setFill();
    CGFloat knob = b.size.height - 2;
    const CGRect knobRect = CGRectMake(m_on ? b.size.width - knob - 1 : 1, 1, knob, knob);
    CGContextFillEllipseInRect(c, knobRect);
    // Edges in a mid grey: an off switch is pale, and on the light panels
    // it stands on it would not be seen at all without them.
    CGContextSetGrayStrokeColor(c, 0.55f, 1);
    CGContextSetLineWidth(c, 1);
    CGContextStrokeRect(c, CGRectInset(b, 0.5f, 0.5f));
    CGContextStrokeEllipseInRect(c, CGRectInset(knobRect, 0.5f, 0.5f));
}
