#include "Platform/CoreGraphics/CGColor.h"

#include <algorithm>

namespace {
CGFloat clamp01(CGFloat v) { return std::clamp(v, CGFloat(0), CGFloat(1)); }
}

CGColorSpaceRef CGColorSpaceCreateDeviceRGB()
{
    static const CGColorSpaceRef space = std::make_shared<const CGColorSpace>();
    return space;
}

CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return std::make_shared<const CGColor>(CGColor { clamp01(red), clamp01(green), clamp01(blue), clamp01(alpha) });
}

CGColorRef CGColorCreateGenericGray(CGFloat gray, CGFloat alpha)
{
    return CGColorCreateGenericRGB(gray, gray, gray, alpha);
}

CGFloat CGColorGetAlpha(const CGColorRef& color) { return color ? color->alpha : 0; }

bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b)
{
    if (!a || !b)
        return a == b;
    return *a == *b;
}
