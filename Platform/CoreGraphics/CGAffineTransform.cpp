#include "Platform/CoreGraphics/CGAffineTransform.h"

#include <algorithm>
#include <cmath>

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx, CGFloat ty)
{
    return { a, b, c, d, tx, ty };
}

CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty) { return { 1, 0, 0, 1, tx, ty }; }
CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy) { return { sx, 0, 0, sy, 0, 0 }; }

CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle)
{
    double s = std::sin(double(angle)), c = std::cos(double(angle));
    return { CGFloat(c), CGFloat(s), CGFloat(-s), CGFloat(c), 0, 0 };
}

CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2)
{
    return { t1.a * t2.a + t1.b * t2.c, t1.a * t2.b + t1.b * t2.d, t1.c * t2.a + t1.d * t2.c, t1.c * t2.b + t1.d * t2.d,
        t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty };
}

CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, CGFloat tx, CGFloat ty)
{
    return CGAffineTransformConcat(CGAffineTransformMakeTranslation(tx, ty), t);
}

CGAffineTransform CGAffineTransformScale(CGAffineTransform t, CGFloat sx, CGFloat sy)
{
    return CGAffineTransformConcat(CGAffineTransformMakeScale(sx, sy), t);
}

CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, CGFloat angle)
{
    return CGAffineTransformConcat(CGAffineTransformMakeRotation(angle), t);
}

CGAffineTransform CGAffineTransformInvert(CGAffineTransform t)
{
    double det = double(t.a) * t.d - double(t.b) * t.c;
    if (det == 0)
        return t;
    double a = t.d / det, b = -t.b / det, c = -t.c / det, d = t.a / det;
    double tx = -(t.tx * a + t.ty * c), ty = -(t.tx * b + t.ty * d);
    return { CGFloat(a), CGFloat(b), CGFloat(c), CGFloat(d), CGFloat(tx), CGFloat(ty) };
}

bool CGAffineTransformIsIdentity(CGAffineTransform t) { return t == CGAffineTransformIdentity; }

CGPoint CGPointApplyAffineTransform(CGPoint p, CGAffineTransform t)
{
    return { t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty };
}

CGSize CGSizeApplyAffineTransform(CGSize s, CGAffineTransform t)
{
    return { t.a * s.width + t.c * s.height, t.b * s.width + t.d * s.height };
}

CGRect CGRectApplyAffineTransform(CGRect r, CGAffineTransform t)
{
    if (CGRectIsNull(r))
        return r;
    r = CGRectStandardize(r);
    CGPoint p[4] = {
        CGPointApplyAffineTransform(r.origin, t),
        CGPointApplyAffineTransform({ r.origin.x + r.size.width, r.origin.y }, t),
        CGPointApplyAffineTransform({ r.origin.x, r.origin.y + r.size.height }, t),
        CGPointApplyAffineTransform({ r.origin.x + r.size.width, r.origin.y + r.size.height }, t),
    };
    CGFloat x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (auto& q : p) {
        x0 = std::min(x0, q.x);
        x1 = std::max(x1, q.x);
        y0 = std::min(y0, q.y);
        y1 = std::max(y1, q.y);
    }
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}
