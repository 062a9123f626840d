#include "Platform/CoreGraphics/CGGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

const CGRect CGRectNull
    = { { std::numeric_limits<CGFloat>::infinity(), std::numeric_limits<CGFloat>::infinity() }, { 0, 0 } };

bool CGRectIsNull(CGRect r) { return std::isinf(r.origin.x) || std::isinf(r.origin.y); }

bool CGRectIsEmpty(CGRect r) { return CGRectIsNull(r) || r.size.width == 0 || r.size.height == 0; }

CGRect CGRectStandardize(CGRect r)
{
    if (CGRectIsNull(r))
        return r;
    if (r.size.width < 0) {
        r.origin.x += r.size.width;
        r.size.width = -r.size.width;
    }
    if (r.size.height < 0) {
        r.origin.y += r.size.height;
        r.size.height = -r.size.height;
    }
    return r;
}

CGFloat CGRectGetMinX(CGRect r)
{
    r = CGRectStandardize(r);
    return r.origin.x;
}
CGFloat CGRectGetMidX(CGRect r)
{
    r = CGRectStandardize(r);
    return r.origin.x + r.size.width / 2;
}
CGFloat CGRectGetMaxX(CGRect r)
{
    r = CGRectStandardize(r);
    return r.origin.x + r.size.width;
}
CGFloat CGRectGetMinY(CGRect r)
{
    r = CGRectStandardize(r);
    return r.origin.y;
}
CGFloat CGRectGetMidY(CGRect r)
{
    r = CGRectStandardize(r);
    return r.origin.y + r.size.height / 2;
}
CGFloat CGRectGetMaxY(CGRect r)
{
    r = CGRectStandardize(r);
    return r.origin.y + r.size.height;
}
CGFloat CGRectGetWidth(CGRect r) { return std::fabs(r.size.width); }
CGFloat CGRectGetHeight(CGRect r) { return std::fabs(r.size.height); }

CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy)
{
    if (CGRectIsNull(r))
        return r;
    r = CGRectStandardize(r);
    r.origin.x += dx;
    r.origin.y += dy;
    r.size.width -= 2 * dx;
    r.size.height -= 2 * dy;
    if (r.size.width < 0 || r.size.height < 0)
        return CGRectNull;
    return r;
}

CGRect CGRectOffset(CGRect r, CGFloat dx, CGFloat dy)
{
    if (CGRectIsNull(r))
        return r;
    r = CGRectStandardize(r);
    r.origin.x += dx;
    r.origin.y += dy;
    return r;
}

CGRect CGRectIntegral(CGRect r)
{
    if (CGRectIsNull(r))
        return r;
    r = CGRectStandardize(r);
    CGFloat x0 = std::floor(r.origin.x), y0 = std::floor(r.origin.y);
    CGFloat x1 = std::ceil(r.origin.x + r.size.width), y1 = std::ceil(r.origin.y + r.size.height);
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

CGRect CGRectIntersection(CGRect a, CGRect b)
{
    if (CGRectIsNull(a) || CGRectIsNull(b))
        return CGRectNull;
    a = CGRectStandardize(a);
    b = CGRectStandardize(b);
    CGFloat x0 = std::max(a.origin.x, b.origin.x);
    CGFloat y0 = std::max(a.origin.y, b.origin.y);
    CGFloat x1 = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width);
    CGFloat y1 = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height);
    if (x1 < x0 || y1 < y0)
        return CGRectNull;
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

CGRect CGRectUnion(CGRect a, CGRect b)
{
    if (CGRectIsNull(a))
        return CGRectStandardize(b);
    if (CGRectIsNull(b))
        return CGRectStandardize(a);
    a = CGRectStandardize(a);
    b = CGRectStandardize(b);
    CGFloat x0 = std::min(a.origin.x, b.origin.x);
    CGFloat y0 = std::min(a.origin.y, b.origin.y);
    CGFloat x1 = std::max(a.origin.x + a.size.width, b.origin.x + b.size.width);
    CGFloat y1 = std::max(a.origin.y + a.size.height, b.origin.y + b.size.height);
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

bool CGRectIntersectsRect(CGRect a, CGRect b)
{
    CGRect i = CGRectIntersection(a, b);
    return !CGRectIsNull(i) && i.size.width > 0 && i.size.height > 0;
}

bool CGRectContainsPoint(CGRect r, CGPoint p)
{
    if (CGRectIsNull(r))
        return false;
    r = CGRectStandardize(r);
    return p.x >= r.origin.x && p.x < r.origin.x + r.size.width && p.y >= r.origin.y
        && p.y < r.origin.y + r.size.height;
}

bool CGRectContainsRect(CGRect outer, CGRect inner)
{
    if (CGRectIsNull(outer) || CGRectIsNull(inner))
        return false;
    return CGRectEqualToRect(CGRectUnion(outer, inner), CGRectStandardize(outer));
}

bool CGRectEqualToRect(CGRect a, CGRect b)
{
    if (CGRectIsNull(a) || CGRectIsNull(b))
        return CGRectIsNull(a) && CGRectIsNull(b);
    return CGRectStandardize(a) == CGRectStandardize(b);
}
