#include "Classes/Library/GradientToolbarShadow.h"

#include "Classes/Library/GradientFill.h"
#include "Platform/UIKit/UIColor.h"

GradientToolbarShadow::GradientToolbarShadow(CGRect frame)
    : UIView(frame)
{
    setAutoresizesSubviews(false);
    setUserInteractionEnabled(false);
    setContentMode(UIViewContentModeRedraw);
    setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    setBackgroundColor(UIColor::clearColor());
}

void GradientToolbarShadow::drawRect(CGRect)
{
    GradientFillBounds(bounds(), { 0.24f, 0.24f, 0.24f, 1 }, { 0.24f, 0.24f, 0.24f, 0 });
}
