#include "Platform/CoreGraphics/CGPath.h"

#include <algorithm>

namespace {

CGPoint apply(const CGAffineTransform* m, CGFloat x, CGFloat y)
{
    return m ? CGPointApplyAffineTransform({ x, y }, *m) : CGPoint { x, y };
}

// Four cubic arcs; the usual constant for a quarter circle.
constexpr CGFloat kappa = 0.5522847498f;

}

CGMutablePathRef CGPathCreateMutable() { return std::make_shared<CGPath>(); }

CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform)
{
    auto path = CGPathCreateMutable();
    CGPathAddRect(path, transform, rect);
    return path;
}

void CGPathMoveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y)
{
    if (!path)
        return;
    CGPoint p = apply(m, x, y);
    path->elements.push_back({ CGPathElement::Type::MoveToPoint, { p } });
    path->currentPoint = p;
}

void CGPathAddLineToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y)
{
    if (!path)
        return;
    CGPoint p = apply(m, x, y);
    path->elements.push_back({ CGPathElement::Type::AddLineToPoint, { p } });
    path->currentPoint = p;
}

void CGPathAddCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat cp1x, CGFloat cp1y,
    CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y)
{
    if (!path)
        return;
    CGPoint p = apply(m, x, y);
    path->elements.push_back(
        { CGPathElement::Type::AddCurveToPoint, { apply(m, cp1x, cp1y), apply(m, cp2x, cp2y), p } });
    path->currentPoint = p;
}

void CGPathAddRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect r)
{
    r = CGRectStandardize(r);
    CGFloat x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
    CGPathMoveToPoint(path, m, x0, y0);
    CGPathAddLineToPoint(path, m, x1, y0);
    CGPathAddLineToPoint(path, m, x1, y1);
    CGPathAddLineToPoint(path, m, x0, y1);
    CGPathCloseSubpath(path);
}

void CGPathAddEllipseInRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect r)
{
    r = CGRectStandardize(r);
    CGFloat rx = r.size.width / 2, ry = r.size.height / 2;
    CGFloat cx = r.origin.x + rx, cy = r.origin.y + ry;
    CGFloat ox = rx * kappa, oy = ry * kappa;
    CGPathMoveToPoint(path, m, cx + rx, cy);
    CGPathAddCurveToPoint(path, m, cx + rx, cy + oy, cx + ox, cy + ry, cx, cy + ry);
    CGPathAddCurveToPoint(path, m, cx - ox, cy + ry, cx - rx, cy + oy, cx - rx, cy);
    CGPathAddCurveToPoint(path, m, cx - rx, cy - oy, cx - ox, cy - ry, cx, cy - ry);
    CGPathAddCurveToPoint(path, m, cx + ox, cy - ry, cx + rx, cy - oy, cx + rx, cy);
    CGPathCloseSubpath(path);
}

void CGPathCloseSubpath(const CGMutablePathRef& path)
{
    if (!path)
        return;
    path->elements.push_back({ CGPathElement::Type::CloseSubpath, {} });
}

bool CGPathIsEmpty(const CGPathRef& path) { return !path || path->elements.empty(); }

CGRect CGPathGetBoundingBox(const CGPathRef& path)
{
    if (CGPathIsEmpty(path))
        return CGRectNull;
    bool any = false;
    CGFloat x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (auto& e : path->elements) {
        int n = e.type == CGPathElement::Type::AddCurveToPoint ? 3
            : e.type == CGPathElement::Type::CloseSubpath      ? 0
                                                               : 1;
        for (int i = 0; i < n; ++i) {
            CGPoint p = e.points[i];
            if (!any) {
                x0 = x1 = p.x;
                y0 = y1 = p.y;
                any = true;
            }
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
    }
    return any ? CGRectMake(x0, y0, x1 - x0, y1 - y0) : CGRectNull;
}
