#include "Platform/UIKit/UIColor.h"

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/UIKit/UIGraphics.h"

std::shared_ptr<UIColor> UIColor::colorWithRedGreenBlueAlpha(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return std::make_shared<UIColor>(*CGColorCreateGenericRGB(red, green, blue, alpha));
}

std::shared_ptr<UIColor> UIColor::colorWithWhiteAlpha(CGFloat white, CGFloat alpha)
{
    return colorWithRedGreenBlueAlpha(white, white, white, alpha);
}

std::shared_ptr<UIColor> UIColor::colorWithCGColor(const CGColorRef& color)
{
    return color ? std::make_shared<UIColor>(*color) : nullptr;
}

std::shared_ptr<UIColor> UIColor::blackColor() { return colorWithWhiteAlpha(0, 1); }
std::shared_ptr<UIColor> UIColor::darkGrayColor() { return colorWithWhiteAlpha(CGFloat(1.0 / 3.0), 1); }
std::shared_ptr<UIColor> UIColor::lightGrayColor() { return colorWithWhiteAlpha(CGFloat(2.0 / 3.0), 1); }
std::shared_ptr<UIColor> UIColor::whiteColor() { return colorWithWhiteAlpha(1, 1); }
std::shared_ptr<UIColor> UIColor::grayColor() { return colorWithWhiteAlpha(0.5f, 1); }
std::shared_ptr<UIColor> UIColor::redColor() { return colorWithRedGreenBlueAlpha(1, 0, 0, 1); }
std::shared_ptr<UIColor> UIColor::greenColor() { return colorWithRedGreenBlueAlpha(0, 1, 0, 1); }
std::shared_ptr<UIColor> UIColor::blueColor() { return colorWithRedGreenBlueAlpha(0, 0, 1, 1); }
std::shared_ptr<UIColor> UIColor::cyanColor() { return colorWithRedGreenBlueAlpha(0, 1, 1, 1); }
std::shared_ptr<UIColor> UIColor::yellowColor() { return colorWithRedGreenBlueAlpha(1, 1, 0, 1); }
std::shared_ptr<UIColor> UIColor::magentaColor() { return colorWithRedGreenBlueAlpha(1, 0, 1, 1); }
std::shared_ptr<UIColor> UIColor::orangeColor() { return colorWithRedGreenBlueAlpha(1, 0.5f, 0, 1); }
std::shared_ptr<UIColor> UIColor::purpleColor() { return colorWithRedGreenBlueAlpha(0.5f, 0, 0.5f, 1); }
std::shared_ptr<UIColor> UIColor::brownColor() { return colorWithRedGreenBlueAlpha(0.6f, 0.4f, 0.2f, 1); }
std::shared_ptr<UIColor> UIColor::clearColor() { return colorWithWhiteAlpha(0, 0); }
std::shared_ptr<UIColor> UIColor::scrollViewTexturedBackgroundColor() { return colorWithWhiteAlpha(0.44f, 1); }
std::shared_ptr<UIColor> UIColor::groupTableViewBackgroundColor()
{
    return colorWithRedGreenBlueAlpha(0.847f, 0.863f, 0.89f, 1);
}

std::shared_ptr<UIColor> UIColor::colorWithAlphaComponent(CGFloat alpha) const
{
    return colorWithRedGreenBlueAlpha(m_color.red, m_color.green, m_color.blue, alpha);
}

CGColorRef UIColor::CGColor() const { return std::make_shared<const ::CGColor>(m_color); }

bool UIColor::getRedGreenBlueAlpha(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const
{
    if (red)
        *red = m_color.red;
    if (green)
        *green = m_color.green;
    if (blue)
        *blue = m_color.blue;
    if (alpha)
        *alpha = m_color.alpha;
    return true;
}

bool UIColor::isEqual(const std::shared_ptr<UIColor>& other) const { return other && other->m_color == m_color; }

void UIColor::set() const
{
    setFill();
    setStroke();
}

void UIColor::setFill() const { CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), CGColor()); }
void UIColor::setStroke() const { CGContextSetStrokeColorWithColor(UIGraphicsGetCurrentContext(), CGColor()); }
