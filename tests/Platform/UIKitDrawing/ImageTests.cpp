#include "DrawingFixtures.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

const CGPixel red { 255, 0, 0, 255 }, green { 0, 255, 0, 255 }, blue { 0, 0, 255, 255 };

// An image painted column by column (and, for the caps tests, row by row)
// from a small table of colours, at scale 1.
std::shared_ptr<UIImage> paint(size_t w, size_t h, CGPixel (*colour)(size_t x, size_t y), bool opaque = false)
{
    UIGraphicsBeginImageContextWithOptions({ CGFloat(w), CGFloat(h) }, opaque, 1);
    auto c = UIGraphicsGetCurrentContext();
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            CGPixel p = colour(x, y);
            CGContextSetRGBFillColor(c, p.red / 255.f, p.green / 255.f, p.blue / 255.f, p.alpha / 255.f);
            CGContextFillRect(c, CGRectMake(CGFloat(x), CGFloat(y), 1, 1));
        }
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

std::shared_ptr<UIImage> drawn(CGSize size, const std::shared_ptr<UIImage>& image)
{
    UIGraphicsBeginImageContextWithOptions(size, false, 1);
    CGContextSetInterpolationQuality(UIGraphicsGetCurrentContext(), kCGInterpolationNone);
    image->drawInRect(CGRectMake(0, 0, size.width, size.height));
    auto out = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return out;
}

CGPixel at(const std::shared_ptr<UIImage>& image, size_t x, size_t y) { return image->CGImage()->pixelAt(x, y); }

}

TEST(ImageContext, ScaleSizeAndOrigin)
{
    UIGraphicsBeginImageContextWithOptions({ 10, 5 }, true, 2);
    UIColor::whiteColor()->setFill();
    UIRectFill(CGRectMake(0, 0, 5, 5));  // top-left origin, y downward
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), CGSizeMake(10, 5));
    EXPECT_EQ(image->scale(), 2);
    EXPECT_EQ(image->CGImage()->width(), 20u);
    EXPECT_FALSE(image->CGImage()->hasAlpha());
    EXPECT_EQ(at(image, 0, 0), (CGPixel { 255, 255, 255, 255 }));
    EXPECT_EQ(at(image, 19, 9), (CGPixel { 0, 0, 0, 255 }));  // opaque contexts start black

    // No area, no context and no image; the end still balances.
    UIGraphicsBeginImageContext({ 0, 10 });
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
    UIGraphicsEndImageContext();

    // Scale 0 means the screen's.
    UIGraphicsSetScreenScale(2);
    UIGraphicsBeginImageContextWithOptions({ 3, 3 }, false, 0);
    EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext()->CGImage()->width(), 6u);
    UIGraphicsEndImageContext();
    UIGraphicsSetScreenScale(1);
}

TEST(UIImageDrawing, ScaledToFillAndCropped)
{
    auto quarters = paint(2, 2, [](size_t x, size_t y) { return x == 0 ? (y == 0 ? red : green) : blue; });
    auto big = drawn({ 8, 4 }, quarters);
    EXPECT_EQ(at(big, 0, 0), red);
    EXPECT_EQ(at(big, 3, 1), red);
    EXPECT_EQ(at(big, 3, 2), green);
    EXPECT_EQ(at(big, 4, 0), blue);
    EXPECT_EQ(at(big, 7, 3), blue);

    auto cropped = UIImage::imageWithCGImage(CGImageCreateWithImageInRect(big->CGImage(), CGRectMake(2, 2, 4, 2)));
    ASSERT_TRUE(cropped);
    EXPECT_EQ(cropped->size(), CGSizeMake(4, 2));
    EXPECT_EQ(at(cropped, 0, 0), green);
    EXPECT_EQ(at(cropped, 3, 1), blue);
    // Partly outside keeps the inside part; wholly outside gives nothing.
    EXPECT_EQ(CGImageCreateWithImageInRect(big->CGImage(), CGRectMake(6, 0, 10, 10))->width(), 2u);
    EXPECT_EQ(CGImageCreateWithImageInRect(big->CGImage(), CGRectMake(20, 0, 10, 10)), nullptr);
}

// An image view drawn again (scaled, or off whole pixels) shows what drawing
// its image there shows, however the view moved or changed since.
TEST(UIImageDrawing, ImageViewsDrawnAgainShowTheirImageWhereverItLies)
{
    auto quarters = paint(2, 2, [](size_t x, size_t y) { return x == 0 ? (y == 0 ? red : green) : blue; });
    auto greens = paint(3, 2, [](size_t, size_t) { return green; });
    auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 40, 40));
    auto view = std::make_shared<UIImageView>(CGRectMake(0, 0, 10, 10));
    view->setImage(quarters);
    parent->addSubview(view);
    struct Step {
        CGRect frame;
        std::shared_ptr<UIImage> image;
    } steps[] = {
        { CGRectMake(3.5f, 2.25f, 10, 10), quarters },
        { CGRectMake(3.5f, 2.25f, 10, 10), quarters },
        { CGRectMake(3.75f, 2.25f, 10, 10), quarters },
        { CGRectMake(3.75f, 2.25f, 17, 9), quarters },
        { CGRectMake(4, 4, 2, 2), quarters },
        { CGRectMake(3.75f, 2.25f, 17, 9), greens },
    };
    for (const auto& step : steps) {
        view->setFrame(step.frame);
        view->setImage(step.image);
        auto shown = UIViewRenderToImage(*parent);
        UIGraphicsBeginImageContextWithOptions(CGSizeMake(40, 40), false, 1);
        step.image->drawInRect(step.frame);
        auto expected = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        ASSERT_TRUE(shown && expected);
        int worst = 0;
        for (size_t y = 0; y < 40; ++y)
            for (size_t x = 0; x < 40; ++x) {
                CGPixel a = at(shown, x, y), b = at(expected, x, y);
                worst = std::max({ worst, std::abs(a.red - b.red), std::abs(a.green - b.green),
                    std::abs(a.blue - b.blue), std::abs(a.alpha - b.alpha) });
            }
        EXPECT_LE(worst, 2) << step.frame.origin.x << " " << step.frame.size.width;
    }
}

int worstDifference(const std::shared_ptr<UIImage>& a, const std::shared_ptr<UIImage>& b, size_t w, size_t h)
{
    int worst = 0;
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            CGPixel p = at(a, x, y), q = at(b, x, y);
            worst = std::max({ worst, std::abs(p.red - q.red), std::abs(p.green - q.green), std::abs(p.blue - q.blue),
                std::abs(p.alpha - q.alpha) });
        }
    return worst;
}

// Pictures clear in their middle (frames, shadows around a card) are laid
// down around that middle only: over a background, what shows is still what
// drawing the image there shows, whatever the shape of the clear part; and a
// context that copies rather than lays over still gets the clear middle.
TEST(UIImageDrawing, ImageViewsClearInTheMiddleShowTheWholeImage)
{
    struct Case {
        const char* name;
        CGPixel (*colour)(size_t x, size_t y);
    } cases[] = {
        { "uneven frame", [](size_t x, size_t y) { return x < 3 || x >= 39 || y < 2 || y >= 28 ? red : CGPixel {}; } },
        { "thick frame",
            [](size_t x, size_t y) { return x < 12 || x >= 28 || y < 10 || y >= 22 ? green : CGPixel {}; } },
        { "open at the right", [](size_t x, size_t) { return x < 3 ? blue : CGPixel {}; } },
        { "translucent frame",
            [](size_t x, size_t y) {
                return x < 2 || x >= 38 || y < 5 || y >= 30 ? CGPixel { 0, 0, 255, 128 } : CGPixel {};
            } },
        { "all clear", [](size_t, size_t) { return CGPixel {}; } },
        { "opaque", [](size_t x, size_t) { return x % 2 ? red : green; } },
    };
    const CGRect frame = CGRectMake(3.5f, 2.25f, 40, 32);
    for (const auto& c : cases) {
        auto image = paint(40, 32, c.colour);
        auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 50, 40));
        parent->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(1, 1, 0, 1));
        auto view = std::make_shared<UIImageView>(frame);
        view->setImage(image);
        parent->addSubview(view);
        UIGraphicsBeginImageContextWithOptions(CGSizeMake(50, 40), false, 1);
        CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), 1, 1, 0, 1);
        CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 50, 40));
        image->drawInRect(frame);
        auto expected = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        for (int round = 0; round < 2; ++round) {
            auto shown = UIViewRenderToImage(*parent);
            ASSERT_TRUE(shown && expected);
            EXPECT_LE(worstDifference(shown, expected, 50, 40), 2) << c.name << " round " << round;
        }

        // Copied rather than laid over, the picture's clear middle clears what was beneath.
        auto copiedOverYellow = [&](const std::function<void()>& draw) {
            UIGraphicsBeginImageContextWithOptions(CGSizeMake(50, 40), false, 1);
            auto context = UIGraphicsGetCurrentContext();
            CGContextSetRGBFillColor(context, 1, 1, 0, 1);
            CGContextFillRect(context, CGRectMake(0, 0, 50, 40));
            CGContextSetBlendMode(context, kCGBlendModeCopy);
            draw();
            auto copied = UIGraphicsGetImageFromCurrentImageContext();
            UIGraphicsEndImageContext();
            return copied;
        };
        auto viaView = copiedOverYellow([&] {
            CGContextTranslateCTM(UIGraphicsGetCurrentContext(), frame.origin.x, frame.origin.y);
            view->drawRect(view->bounds());
        });
        auto direct = copiedOverYellow([&] { image->drawInRect(frame); });
        ASSERT_TRUE(viaView && direct);
        CGPixel a = at(viaView, 23, 18), b = at(direct, 23, 18);
        EXPECT_LE(std::max({ std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue),
                      std::abs(a.alpha - b.alpha) }),
            2)
            << c.name;
    }
}

TEST(UIImageDrawing, CapsKeepCornersAndStretchOrTileTheMiddle)
{
    // 5 x 5: red corners (2 x 2), green edges, one blue pixel in the middle.
    auto nine = paint(5, 5, [](size_t x, size_t y) {
        bool edgeX = x != 2, edgeY = y != 2;
        return edgeX && edgeY ? red : (edgeX || edgeY ? green : blue);
    });
    auto stretched = drawn({ 20, 12 }, nine->stretchableImageWithLeftCapWidthTopCapHeight(2, 2));
    EXPECT_EQ(nine->stretchableImageWithLeftCapWidthTopCapHeight(2, 2)->capInsets(), UIEdgeInsetsMake(2, 2, 2, 2));
    struct Probe {
        size_t x, y;
        CGPixel expected;
    };
    const Probe probes[] = { { 0, 0, red }, { 1, 1, red }, { 19, 11, red }, { 18, 0, red }, { 2, 0, green },
        { 17, 1, green }, { 0, 2, green }, { 2, 2, blue }, { 10, 6, blue }, { 17, 9, blue }, { 10, 10, green } };
    for (auto& p : probes)
        EXPECT_EQ(at(stretched, p.x, p.y), p.expected) << p.x << "," << p.y;

    // 4 x 1: red | blue green | red, caps of 1: the middle pair repeats.
    auto strip = paint(4, 1, [](size_t x, size_t) { return x == 0 || x == 3 ? red : (x == 1 ? blue : green); });
    auto tiled = drawn({ 10, 1 }, strip->resizableImageWithCapInsets(UIEdgeInsetsMake(0, 1, 0, 1)));
    const CGPixel expected[10] = { red, blue, green, blue, green, blue, green, blue, green, red };
    for (size_t x = 0; x < 10; ++x)
        EXPECT_EQ(at(tiled, x, 0), expected[x]) << x;
}

TEST(UIImageCoding, RoundTripsAndFailures)
{
    auto image = paint(3, 2, [](size_t x, size_t y) {
        return x == 0 ? red : (x == 1 ? CGPixel { 0, 0, 255, 128 } : CGPixel { 10, 20, 30, 255 });
    });
    auto png = UIImagePNGRepresentation(image);
    ASSERT_TRUE(png);
    auto back = UIImage::imageWithData(*png);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), CGSizeMake(3, 2));
    EXPECT_EQ(at(back, 0, 1), red);
    EXPECT_EQ(at(back, 2, 0), (CGPixel { 10, 20, 30, 255 }));
    EXPECT_NEAR(at(back, 1, 0).alpha, 128, 1);
    EXPECT_NEAR(at(back, 1, 0).blue, 255, 2);

    // The signature's road: JPEG at 0.5, Base64, and back.
    auto photo = paint(
        16, 16, [](size_t x, size_t y) { return x < 8 ? red : blue; }, true);
    auto jpeg = UIImageJPEGRepresentation(photo, 0.5f);
    ASSERT_TRUE(jpeg);
    EXPECT_LT(jpeg->size(), UIImageJPEGRepresentation(photo, 1.0f)->size());
    auto decoded = Hashing::base64Decode(Hashing::base64Encode(*jpeg));
    ASSERT_TRUE(decoded);
    auto signature = UIImage::imageWithData(*decoded);
    ASSERT_TRUE(signature);
    EXPECT_EQ(signature->size(), CGSizeMake(16, 16));
    EXPECT_GT(at(signature, 2, 2).red, 200);
    EXPECT_GT(at(signature, 13, 13).blue, 200);

    Data truncated(png->begin(), png->begin() + long(png->size() / 2));
    Data jpegHead(jpeg->begin(), jpeg->begin() + 20);
    for (const Data& bad :
        { Data {}, Data { 'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e' }, truncated, jpegHead })
        EXPECT_EQ(UIImage::imageWithData(bad), nullptr);
    EXPECT_FALSE(UIImagePNGRepresentation(nullptr));
}

TEST(UIImageFiles, NamedImagesFollowTheScreenScale)
{
    ScratchFolder bundle;
    auto one = paint(2, 2, [](size_t, size_t) { return red; });
    auto two = paint(4, 4, [](size_t, size_t) { return blue; });
    writeFile(bundle.file("btn.png"), *UIImagePNGRepresentation(one));
    writeFile(bundle.file("btn@2x.png"), *UIImagePNGRepresentation(two));
    writeFile(bundle.file("only@2x.png"), *UIImagePNGRepresentation(two));
    writeFile(bundle.file("broken.png"), Data { 1, 2, 3 });
    AppEnvironment::setBundleDirectory(bundle.path());

    auto plain = UIImage::imageNamed("btn.png");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->scale(), 1);
    EXPECT_EQ(UIImage::imageNamed("btn.png"), plain);  // named images are kept
    EXPECT_EQ(at(UIImage::imageNamed("btn"), 0, 0), red);
    EXPECT_EQ(UIImage::imageNamed("only.png"), nullptr);
    EXPECT_EQ(UIImage::imageNamed("broken.png"), nullptr);
    EXPECT_EQ(UIImage::imageNamed("../btn.png"), nullptr);

    UIGraphicsSetScreenScale(2);
    auto retina = UIImage::imageNamed("btn.png");
    UIGraphicsSetScreenScale(1);
    ASSERT_TRUE(retina);
    EXPECT_EQ(retina->scale(), 2);
    EXPECT_EQ(retina->size(), CGSizeMake(2, 2));
    EXPECT_EQ(at(retina, 0, 0), blue);

    auto fromFile = UIImage::imageWithContentsOfFile(bundle.file("only@2x.png"));
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->scale(), 2);
    EXPECT_EQ(UIImage::imageWithContentsOfFile(bundle.file("missing.png")), nullptr);
    // A folder, as an empty image name joined to a folder path gives, is no image either.
    EXPECT_EQ(UIImage::imageWithContentsOfFile(bundle.path()), nullptr);
}
