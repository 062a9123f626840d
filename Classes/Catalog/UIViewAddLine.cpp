#include "Classes/Catalog/UIViewAddLine.h"

#include "Platform/UIKit/UIColor.h"

void addBottomLineWithWidthColor(UIView& view, CGFloat width, const std::shared_ptr<UIColor>& color)
{
    CGRect frame = view.frame();
    frame.size.height += width;
    view.setFrame(frame);
    const CGRect bounds = view.bounds();
    auto line = std::make_shared<UIView>(CGRectMake(0, bounds.size.height - width, bounds.size.width, width));
    line->setBackgroundColor(color);
    line->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleTopMargin);
    view.addSubview(line);
}

std::shared_ptr<UIView> addVerticalLineWithWidthColorAtX(
    UIView& view, CGFloat width, const std::shared_ptr<UIColor>& color, CGFloat x)
{
    auto line = std::make_shared<UIView>(CGRectMake(x, 0, width, view.bounds().size.height));
    line->setBackgroundColor(color);
    line->setAutoresizingMask(UIViewAutoresizingFlexibleHeight | UIViewAutoresizingFlexibleRightMargin);
    view.addSubview(line);
    return line;
}
