#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/CoreGraphics/CGGradient.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A bitmap whose user space has y downward, as an image context gives it.
CGContextRef flippedContext(size_t w, size_t h)
{
    auto c = CGBitmapContextCreate(nullptr, w, h, 8, 0, CGColorSpaceCreateDeviceRGB(),
        kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    CGContextTranslateCTM(c, 0, CGFloat(h));
    CGContextScaleCTM(c, 1, -1);
    return c;
}

CGPixel pixel(const CGContextRef& c, size_t x, size_t y) { return CGBitmapContextCreateImage(c)->pixelAt(x, y); }

const CGPixel black { 0, 0, 0, 255 };
const CGPixel clear { 0, 0, 0, 0 };

}

TEST(CGGeometry, RectArithmeticInSinglePrecision)
{
    CGRect a = CGRectMake(0, 0, 10, 10), b = CGRectMake(5, 5, 10, 10);
    EXPECT_EQ(CGRectIntersection(a, b), CGRectMake(5, 5, 5, 5));
    EXPECT_TRUE(CGRectIsNull(CGRectIntersection(a, CGRectMake(20, 20, 1, 1))));
    EXPECT_FALSE(CGRectIntersectsRect(a, CGRectMake(10, 0, 5, 5)));  // touching edges only
    EXPECT_EQ(CGRectUnion(a, b), CGRectMake(0, 0, 15, 15));
    EXPECT_EQ(CGRectInset(a, 2, 3), CGRectMake(2, 3, 6, 4));
    EXPECT_TRUE(CGRectIsNull(CGRectInset(a, 6, 0)));
    EXPECT_TRUE(CGRectContainsPoint(a, { 0, 0 }));
    EXPECT_FALSE(CGRectContainsPoint(a, { 10, 5 }));
    EXPECT_TRUE(CGRectContainsPoint(CGRectMake(10, 10, -5, -5), { 6, 6 }));  // standardised
    EXPECT_TRUE(CGRectIsEmpty(CGRectMake(3, 3, 0, 9)));
    EXPECT_EQ(CGRectIntegral(CGRectMake(0.5f, 1.2f, 2.0f, 2.0f)), CGRectMake(0, 1, 3, 3));
    EXPECT_EQ(CGRectGetMaxX(CGRectMake(1, 0, 602.6666f, 1)), 1 + 602.6666f);
}

TEST(CGGeometry, TransformsComposeInTheirOrder)
{
    auto t = CGAffineTransformTranslate(CGAffineTransformMakeScale(2, 3), 1, 1);  // translate, then scale
    EXPECT_EQ(CGPointApplyAffineTransform({ 0, 0 }, t), (CGPoint { 2, 3 }));
    auto r = CGAffineTransformMakeRotation(float(M_PI / 2));
    CGPoint p = CGPointApplyAffineTransform({ 1, 0 }, r);
    EXPECT_NEAR(p.x, 0, 1e-6);
    EXPECT_NEAR(p.y, 1, 1e-6);
    auto inv = CGAffineTransformInvert(t);
    CGPoint back = CGPointApplyAffineTransform(CGPointApplyAffineTransform({ 5, 7 }, t), inv);
    EXPECT_NEAR(back.x, 5, 1e-5);
    EXPECT_NEAR(back.y, 7, 1e-5);
    EXPECT_NEAR(CGRectApplyAffineTransform(CGRectMake(0, 0, 2, 1), r).size.width, 1, 1e-6);
}

TEST(CGBitmapContext, PixelLayoutsHoldTheRightBytes)
{
    struct Case {
        uint32_t info;
        uint8_t expected[4];
    };
    // Half-transparent red, premultiplied where alpha is kept.
    const Case cases[] = {
        { kCGImageAlphaPremultipliedLast, { 128, 0, 0, 128 } },
        { kCGImageAlphaPremultipliedFirst, { 128, 128, 0, 0 } },
        { kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little, { 0, 0, 128, 128 } },
        { kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Little, { 128, 0, 0, 128 } },
    };
    for (auto& c : cases) {
        uint8_t pixel[4] = { 0, 0, 0, 0 };
        auto ctx = CGBitmapContextCreate(pixel, 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), c.info);
        ASSERT_TRUE(ctx) << c.info;
        CGContextSetRGBFillColor(ctx, 1, 0, 0, 0.5);
        CGContextFillRect(ctx, CGRectMake(0, 0, 1, 1));
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(pixel[i], c.expected[i], 1) << "info " << c.info << " byte " << i;
    }
}

TEST(CGBitmapContext, OpaqueLittleEndianThumbnailFormat)
{
    std::vector<uint8_t> mem(16 * 3, 0);
    auto ctx = CGBitmapContextCreate(mem.data(), 4, 3, 8, 16, CGColorSpaceCreateDeviceRGB(),
        kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little);
    ASSERT_TRUE(ctx);
    CGContextSetRGBFillColor(ctx, 1, 1, 1, 1);
    CGContextFillRect(ctx, CGRectMake(0, 0, 4, 3));
    CGContextSetRGBFillColor(ctx, 0, 0, 1, 1);
    // Device space has its origin at the bottom left: this is the bottom row.
    CGContextFillRect(ctx, CGRectMake(0, 0, 4, 1));
    EXPECT_EQ(mem[0], 255);  // top row stays white (B)
    EXPECT_EQ(mem[2 * 16 + 0], 255);  // bottom row: blue byte first
    EXPECT_EQ(mem[2 * 16 + 2], 0);  // red byte
    auto image = CGBitmapContextCreateImage(ctx);
    EXPECT_FALSE(image->hasAlpha());
    EXPECT_EQ(image->pixelAt(0, 2), (CGPixel { 0, 0, 255, 255 }));
}

TEST(CGBitmapContext, RejectsLayoutsItCannotDraw)
{
    auto rgb = CGColorSpaceCreateDeviceRGB();
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 0, 10, 8, 0, rgb, kCGImageAlphaPremultipliedLast));
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 10, 10, 16, 0, rgb, kCGImageAlphaPremultipliedLast));
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 10, 10, 8, 12, rgb, kCGImageAlphaPremultipliedLast));
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 10, 10, 8, 0, rgb, kCGImageAlphaNone));
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 100000, 100000, 8, 0, rgb, kCGImageAlphaPremultipliedLast));
}

TEST(CGContext, ZeroLengthRoundCappedSegmentLeavesADot)
{
    auto c = flippedContext(30, 30);
    CGContextSetLineCap(c, kCGLineCapRound);
    CGContextSetLineWidth(c, 10);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, 15, 15);
    CGContextAddLineToPoint(c, 15, 15);
    CGContextStrokePath(c);
    EXPECT_EQ(pixel(c, 15, 15), black);
    EXPECT_EQ(pixel(c, 18, 15), black);  // inside the radius of 5
    EXPECT_EQ(pixel(c, 15, 12), black);
    EXPECT_EQ(pixel(c, 21, 15), clear);  // outside it
    EXPECT_EQ(pixel(c, 15, 9), clear);
    // A butt-capped one leaves nothing.
    auto d = flippedContext(30, 30);
    CGContextSetLineWidth(d, 10);
    CGContextMoveToPoint(d, 15, 15);
    CGContextAddLineToPoint(d, 15, 15);
    CGContextStrokePath(d);
    EXPECT_EQ(pixel(d, 15, 15), clear);
}

TEST(CGContext, AntialiasingOffGivesHardEdges)
{
    for (bool aa : { true, false }) {
        auto c = flippedContext(20, 20);
        CGContextSetShouldAntialias(c, aa);
        CGContextSetRGBStrokeColor(c, 0, 0, 0, 1);
        CGContextSetLineWidth(c, 1);
        CGContextMoveToPoint(c, 0, 10);  // on a pixel boundary: spreads over two rows when smoothed
        CGContextAddLineToPoint(c, 20, 10);
        CGContextStrokePath(c);
        auto img = CGBitmapContextCreateImage(c);
        bool partial = false;
        for (size_t y = 0; y < 20; ++y)
            partial |= img->pixelAt(5, y).alpha != 0 && img->pixelAt(5, y).alpha != 255;
        EXPECT_EQ(partial, aa);
    }
}

TEST(CGContext, ClipAndStateRestore)
{
    auto c = flippedContext(10, 10);
    CGContextSaveGState(c);
    CGContextClipToRect(c, CGRectMake(0, 0, 5, 10));
    EXPECT_EQ(CGContextGetClipBoundingBox(c), CGRectMake(0, 0, 5, 10));
    CGContextSetRGBFillColor(c, 1, 0, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 10, 10));
    CGContextRestoreGState(c);
    EXPECT_EQ(pixel(c, 2, 2), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(pixel(c, 7, 2), clear);
    // Restored: full clip again, and the fill colour is black once more.
    CGContextFillRect(c, CGRectMake(5, 0, 5, 10));
    EXPECT_EQ(pixel(c, 7, 2), black);
    // A restore without a save changes nothing.
    CGContextRestoreGState(c);
    CGContextFillRect(c, CGRectMake(0, 0, 1, 1));
    EXPECT_EQ(pixel(c, 0, 0), black);
}

TEST(CGContext, EllipseFillAndTransforms)
{
    auto c = flippedContext(20, 20);
    CGContextTranslateCTM(c, 10, 10);
    CGContextFillEllipseInRect(c, CGRectMake(-5, -5, 10, 10));
    EXPECT_EQ(pixel(c, 10, 10), black);
    EXPECT_EQ(pixel(c, 10, 6), black);
    EXPECT_EQ(pixel(c, 5, 5), clear);  // the corner of the box is outside the circle
    EXPECT_EQ(CGContextGetCTM(c).tx, 10);
}

TEST(CGContext, DrawImageScalesToFillUpright)
{
    // A 1 x 2 image: red on top, blue below.
    auto src = flippedContext(1, 2);
    CGContextSetRGBFillColor(src, 1, 0, 0, 1);
    CGContextFillRect(src, CGRectMake(0, 0, 1, 1));
    CGContextSetRGBFillColor(src, 0, 0, 1, 1);
    CGContextFillRect(src, CGRectMake(0, 1, 1, 1));
    auto image = CGBitmapContextCreateImage(src);
    EXPECT_EQ(image->pixelAt(0, 0), (CGPixel { 255, 0, 0, 255 }));

    // Drawn into an unflipped (y upward) context the image stands upright.
    auto c = CGBitmapContextCreate(nullptr, 8, 8, 8, 0, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaPremultipliedLast);
    CGContextSetInterpolationQuality(c, kCGInterpolationNone);
    CGContextDrawImage(c, CGRectMake(0, 0, 8, 8), image);
    auto out = CGBitmapContextCreateImage(c);
    EXPECT_EQ(out->pixelAt(3, 0), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(out->pixelAt(3, 3), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(out->pixelAt(3, 4), (CGPixel { 0, 0, 255, 255 }));
    EXPECT_EQ(out->pixelAt(7, 7), (CGPixel { 0, 0, 255, 255 }));

    // A 1 x 1 image stretched into a thin bar stays solid to its edges.
    auto dot = CGImageCreateWithImageInRect(image, CGRectMake(0, 0, 1, 1));
    auto bar = flippedContext(20, 5);
    CGContextDrawImage(bar, CGRectMake(0, 1, 20, 2), dot);
    EXPECT_EQ(pixel(bar, 0, 1), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(pixel(bar, 19, 2), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(pixel(bar, 10, 0), clear);
    EXPECT_EQ(pixel(bar, 10, 3), clear);
}

TEST(CGContext, GradientAndShadow)
{
    auto c = flippedContext(10, 2);
    const CGFloat comps[] = { 1, 0, 0, 1, 0, 0, 1, 1 };
    auto g = CGGradientCreateWithColorComponents(CGColorSpaceCreateDeviceRGB(), comps, nullptr, 2);
    CGContextDrawLinearGradient(c, g, { 0, 0 }, { 10, 0 }, 0);
    EXPECT_GT(pixel(c, 0, 0).red, 200);
    EXPECT_GT(pixel(c, 9, 0).blue, 200);

    auto s = flippedContext(20, 20);
    CGContextSetShadowWithColor(s, CGSizeMake(5, -5), 0, CGColorCreateGenericRGB(0, 1, 0, 1));
    CGContextFillRect(s, CGRectMake(0, 0, 10, 10));
    EXPECT_EQ(pixel(s, 5, 5), black);  // the shape over its shadow
    EXPECT_EQ(pixel(s, 12, 12), (CGPixel { 0, 255, 0, 255 }));  // the shadow, moved right and (here) down
    EXPECT_EQ(pixel(s, 17, 17), clear);
}

// A bitmap laid down from its own memory shows what it holds at that moment,
// the same as its snapshot would.
TEST(CGContext, DrawBitmapShowsItsPixelsAsTheyAre)
{
    auto src = flippedContext(2, 2);
    CGContextSetRGBFillColor(src, 1, 0, 0, 1);
    CGContextFillRect(src, CGRectMake(0, 0, 2, 1));
    // Upright in a y-upward context, as an image is drawn.
    auto c = CGBitmapContextCreate(nullptr, 4, 4, 8, 0, CGColorSpaceCreateDeviceRGB(),
        kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    CGContextSetInterpolationQuality(c, kCGInterpolationNone);
    CGContextDrawBitmap(c, CGRectMake(0, 0, 4, 4), src);
    EXPECT_EQ(pixel(c, 1, 1), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(pixel(c, 1, 3), clear);
    CGContextSetRGBFillColor(src, 0, 0, 1, 1);
    CGContextFillRect(src, CGRectMake(0, 1, 2, 1));
    CGContextDrawBitmap(c, CGRectMake(0, 0, 4, 4), src);
    EXPECT_EQ(pixel(c, 1, 3), (CGPixel { 0, 0, 255, 255 }));
    CGContextDrawBitmap(c, CGRectMake(0, 0, 4, 4), c);  // onto itself: nothing
    CGContextDrawBitmap(c, CGRectMake(0, 0, 4, 4), nullptr);
    EXPECT_EQ(pixel(c, 1, 1), (CGPixel { 255, 0, 0, 255 }));
}

// The finished picture keeps its pixels: drawing into its context afterwards
// changes nothing in it and asks for no more images.
TEST(CGBitmapContext, FinishedPictureKeepsItsPixels)
{
    for (uint32_t info :
        { kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little, kCGImageAlphaPremultipliedLast }) {
        auto c = CGBitmapContextCreate(nullptr, 4, 4, 8, 0, CGColorSpaceCreateDeviceRGB(), info);
        CGContextSetRGBFillColor(c, 0, 1, 0, 1);
        CGContextFillRect(c, CGRectMake(0, 0, 4, 4));
        auto image = CGBitmapContextFinishIntoImage(c);
        ASSERT_TRUE(image) << info;
        EXPECT_EQ(image->pixelAt(2, 2), (CGPixel { 0, 255, 0, 255 })) << info;
        CGContextSetRGBFillColor(c, 1, 0, 0, 1);
        CGContextFillRect(c, CGRectMake(0, 0, 4, 4));
        EXPECT_EQ(image->pixelAt(2, 2), (CGPixel { 0, 255, 0, 255 })) << info;
        EXPECT_FALSE(CGBitmapContextCreateImage(c)) << info;
        EXPECT_FALSE(CGBitmapContextFinishIntoImage(c)) << info;
    }
}
