#pragma once

// Colours in device RGB with alpha, components from 0 to 1. A colour is a
// small value; CGColorRef is shared the way the platform shares its colour
// objects between layers and text attributes.

#include "Platform/CoreGraphics/CGGeometry.h"

#include <memory>

struct CGColor {
    CGFloat red = 0, green = 0, blue = 0, alpha = 1;
    bool operator==(const CGColor&) const = default;
};

using CGColorRef = std::shared_ptr<const CGColor>;

// The one colour space the system uses: device RGB.
struct CGColorSpace { };
using CGColorSpaceRef = std::shared_ptr<const CGColorSpace>;
CGColorSpaceRef CGColorSpaceCreateDeviceRGB();

CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
CGColorRef CGColorCreateGenericGray(CGFloat gray, CGFloat alpha);
CGFloat CGColorGetAlpha(const CGColorRef& color);
bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b);
