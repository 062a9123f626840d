#pragma once

// Colour gradients for layer backgrounds and highlights.

#include "Platform/CoreGraphics/CGContext.h"

#include <vector>

struct CGGradient {
    std::vector<CGColor> colors;
    std::vector<CGFloat> locations;
};
using CGGradientRef = std::shared_ptr<const CGGradient>;

inline constexpr uint32_t kCGGradientDrawsBeforeStartLocation = 1;
inline constexpr uint32_t kCGGradientDrawsAfterEndLocation = 2;

// components holds count RGBA quadruples; locations may be null for evenly
// spread stops. Null when count is zero.
CGGradientRef CGGradientCreateWithColorComponents(
    const CGColorSpaceRef& space, const CGFloat* components, const CGFloat* locations, size_t count);
// Fills the clip with the gradient.
void CGContextDrawLinearGradient(
    const CGContextRef& c, const CGGradientRef& gradient, CGPoint start, CGPoint end, uint32_t options);
void CGContextDrawRadialGradient(const CGContextRef& c, const CGGradientRef& gradient, CGPoint startCenter,
    CGFloat startRadius, CGPoint endCenter, CGFloat endRadius, uint32_t options);
