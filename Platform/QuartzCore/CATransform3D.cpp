#include "Platform/QuartzCore/CATransform3D.h"

#include <cmath>

bool CATransform3DIsIdentity(const CATransform3D& t) { return t == CATransform3DIdentity; }

CATransform3D CATransform3DConcat(const CATransform3D& a, const CATransform3D& b)
{
    const CGFloat* x = &a.m11;
    const CGFloat* y = &b.m11;
    CATransform3D r;
    CGFloat* o = &r.m11;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            CGFloat s = 0;
            for (int k = 0; k < 4; ++k)
                s += x[i * 4 + k] * y[k * 4 + j];
            o[i * 4 + j] = s;
        }
    return r;
}

CATransform3D CATransform3DMakeTranslation(CGFloat tx, CGFloat ty, CGFloat tz)
{
    CATransform3D t;
    t.m41 = tx;
    t.m42 = ty;
    t.m43 = tz;
    return t;
}

CATransform3D CATransform3DMakeScale(CGFloat sx, CGFloat sy, CGFloat sz)
{
    CATransform3D t;
    t.m11 = sx;
    t.m22 = sy;
    t.m33 = sz;
    return t;
}

CATransform3D CATransform3DMakeRotation(CGFloat angle, CGFloat x, CGFloat y, CGFloat z)
{
    CGFloat len = std::sqrt(x * x + y * y + z * z);
    if (len == 0)
        return CATransform3DIdentity;
    x /= len;
    y /= len;
    z /= len;
    CGFloat c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    CATransform3D r;
    r.m11 = t * x * x + c;
    r.m12 = t * x * y + s * z;
    r.m13 = t * x * z - s * y;
    r.m21 = t * x * y - s * z;
    r.m22 = t * y * y + c;
    r.m23 = t * y * z + s * x;
    r.m31 = t * x * z + s * y;
    r.m32 = t * y * z - s * x;
    r.m33 = t * z * z + c;
    return r;
}

CATransform3D CATransform3DRotate(const CATransform3D& t, CGFloat angle, CGFloat x, CGFloat y, CGFloat z)
{
    return CATransform3DConcat(CATransform3DMakeRotation(angle, x, y, z), t);
}

CATransform3D CATransform3DScale(const CATransform3D& t, CGFloat sx, CGFloat sy, CGFloat sz)
{
    return CATransform3DConcat(CATransform3DMakeScale(sx, sy, sz), t);
}

CATransform3D CATransform3DTranslate(const CATransform3D& t, CGFloat tx, CGFloat ty, CGFloat tz)
{
    return CATransform3DConcat(CATransform3DMakeTranslation(tx, ty, tz), t);
}

CATransform3D CATransform3DMakeAffineTransform(const CGAffineTransform& a)
{
    CATransform3D t;
    t.m11 = a.a;
    t.m12 = a.b;
    t.m21 = a.c;
    t.m22 = a.d;
    t.m41 = a.tx;
    t.m42 = a.ty;
    return t;
}

CGAffineTransform CATransform3DGetAffineTransform(const CATransform3D& t)
{
    return CGAffineTransformMake(t.m11, t.m12, t.m21, t.m22, t.m41, t.m42);
}
