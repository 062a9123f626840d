#pragma once

// Points, sizes and rectangles in 32-bit floats: the screens compute their
// layouts in single precision and the results must match to the last bit.

#include <cstdint>

using CGFloat = float;

struct CGPoint {
    CGFloat x = 0;
    CGFloat y = 0;
    bool operator==(const CGPoint&) const = default;
};

struct CGSize {
    CGFloat width = 0;
    CGFloat height = 0;
    bool operator==(const CGSize&) const = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
    bool operator==(const CGRect&) const = default;
};

inline constexpr CGPoint CGPointMake(CGFloat x, CGFloat y) { return { x, y }; }
inline constexpr CGSize CGSizeMake(CGFloat w, CGFloat h) { return { w, h }; }
inline constexpr CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return { { x, y }, { w, h } }; }

inline constexpr CGPoint CGPointZero {};
inline constexpr CGSize CGSizeZero {};
inline constexpr CGRect CGRectZero {};
// The "no rectangle" answer of an intersection that is empty.
extern const CGRect CGRectNull;

bool CGRectIsNull(CGRect r);
// True for a null rectangle or one with a zero width or height.
bool CGRectIsEmpty(CGRect r);
CGRect CGRectStandardize(CGRect r);

CGFloat CGRectGetMinX(CGRect r);
CGFloat CGRectGetMidX(CGRect r);
CGFloat CGRectGetMaxX(CGRect r);
CGFloat CGRectGetMinY(CGRect r);
CGFloat CGRectGetMidY(CGRect r);
CGFloat CGRectGetMaxY(CGRect r);
CGFloat CGRectGetWidth(CGRect r);
CGFloat CGRectGetHeight(CGRect r);

CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy);
CGRect CGRectOffset(CGRect r, CGFloat dx, CGFloat dy);
CGRect CGRectIntegral(CGRect r);
CGRect CGRectIntersection(CGRect a, CGRect b);
CGRect CGRectUnion(CGRect a, CGRect b);
bool CGRectIntersectsRect(CGRect a, CGRect b);
bool CGRectContainsPoint(CGRect r, CGPoint p);
bool CGRectContainsRect(CGRect outer, CGRect inner);

inline bool CGPointEqualToPoint(CGPoint a, CGPoint b) { return a == b; }
inline bool CGSizeEqualToSize(CGSize a, CGSize b) { return a == b; }
bool CGRectEqualToRect(CGRect a, CGRect b);
