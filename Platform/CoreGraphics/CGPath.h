#pragma once

// A path kept as a list of elements, so the same path can be replayed into any
// context (shadow paths, text frames, clips).

#include "Platform/CoreGraphics/CGAffineTransform.h"

#include <memory>
#include <vector>

struct CGPathElement {
    enum class Type { MoveToPoint, AddLineToPoint, AddCurveToPoint, CloseSubpath };
    Type type;
    CGPoint points[3];
};

class CGPath {
public:
    std::vector<CGPathElement> elements;
    CGPoint currentPoint;
};

using CGPathRef = std::shared_ptr<const CGPath>;
using CGMutablePathRef = std::shared_ptr<CGPath>;

CGMutablePathRef CGPathCreateMutable();
CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform);
void CGPathMoveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y);
void CGPathAddLineToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y);
void CGPathAddCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat cp1x, CGFloat cp1y,
    CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y);
void CGPathAddRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect);
void CGPathAddEllipseInRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect);
void CGPathCloseSubpath(const CGMutablePathRef& path);
bool CGPathIsEmpty(const CGPathRef& path);
// The smallest rectangle holding every point of the path, control points included.
CGRect CGPathGetBoundingBox(const CGPathRef& path);
