#include "Platform/UIKit/UIPortraitWindowModel.h"

#include "Platform/UIKit/UIWindow.h"

namespace UIPortraitWindowModel {

CGAffineTransform orientationTransform(UIInterfaceOrientation) { return CGAffineTransformIdentity; }

CGRect frameAtFraction(const UIWindow& window, CGSize size, CGFloat fraction)
{
    CGRect bounds = window.bounds();
    return CGRectMake(bounds.origin.x + (bounds.size.width - size.width) / 2,
        bounds.origin.y + fraction * bounds.size.height - size.height / 2, size.width, size.height);
}

}  // namespace UIPortraitWindowModel
