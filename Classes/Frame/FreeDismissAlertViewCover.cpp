#include "Classes/Frame/FreeDismissAlertViewCover.h"

#include "Platform/UIKit/UIAlertView.h"

bool FreeDismissAlertViewCover::pointInsideWithEvent(CGPoint point, UIEvent*)
{
    auto alert = delegate();
    if (!alert)
        return true;
    // The alert's frame is in the superview the cover shares with it.
    CGRect frame = alert->frame();
    CGPoint inSuperview = CGPointMake(point.x + this->frame().origin.x, point.y + this->frame().origin.y);
    return !CGRectContainsPoint(frame, inSuperview);
}

void FreeDismissAlertViewCover::touchesBeganWithEvent(const UITouchSet&, UIEvent*)
{
    auto keep = protect<FreeDismissAlertViewCover>();
    auto alert = delegate();
    removeFromSuperview();
    if (alert)
        alert->dismissWithClickedButtonIndexAnimated(0, true);
}
