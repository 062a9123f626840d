#pragma once

// A top-to-bottom fill between two colours over a view's bounds: the bars'
// gradient layers, drawn in their views' drawing.

#include "Platform/CoreGraphics/CGGradient.h"
#include "Platform/UIKit/UIGraphics.h"

inline void GradientFillBounds(CGRect bounds, const CGFloat (&top)[4], const CGFloat (&bottom)[4])
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return;
    const CGFloat components[8] = { top[0], top[1], top[2], top[3], bottom[0], bottom[1], bottom[2], bottom[3] };
    auto gradient = CGGradientCreateWithColorComponents(CGColorSpaceCreateDeviceRGB(), components, nullptr, 2);
    CGContextSaveGState(context);
    CGContextClipToRect(context, bounds);
    CGContextDrawLinearGradient(
        context, gradient, CGPointMake(0, CGRectGetMinY(bounds)), CGPointMake(0, CGRectGetMaxY(bounds)), 0);
    CGContextRestoreGState(context);
}
