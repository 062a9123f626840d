#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/QuartzCore/CATiledLayer.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

// Fills each tile it is asked for red, with a blue square at (100, 100), and
// notes the tiles (clip boxes) and the threads.
struct TilePainter : CALayerDelegate {
    std::mutex lock;
    std::vector<CGRect> clips;
    std::vector<std::thread::id> threads;
    void drawLayerInContext(CALayer&, const CGContextRef& c) override
    {
        CGRect clip = CGContextGetClipBoundingBox(c);
        {
            std::lock_guard<std::mutex> hold(lock);
            clips.push_back(clip);
            threads.push_back(std::this_thread::get_id());
        }
        CGContextSetRGBFillColor(c, 1, 0, 0, 1);
        CGContextFillRect(c, clip);
        CGContextSetRGBFillColor(c, 0, 0, 1, 1);
        CGContextFillRect(c, CGRectMake(100, 100, 50, 50));
    }
};

// The layer rendered into a new opaque picture of `size`.
std::shared_ptr<UIImage> rendered(CALayer& layer, CGSize size)
{
    UIGraphicsBeginImageContextWithOptions(size, true, 1);
    layer.renderInContext(UIGraphicsGetCurrentContext());
    auto picture = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return picture;
}

TEST(TiledLayerTest, LevelsOfDetailPickTheSmallestSharpEnoughScale)
{
    struct Case {
        size_t levels, bias;
        CGFloat zoom, scale;
    } cases[] = {
        { 4, 3, 1, 1 },    { 4, 3, 0.5f, 1 }, { 4, 3, 1.5f, 2 }, { 4, 3, 3, 4 },
        { 4, 3, 20, 8 },   { 4, 1, 1, 1 },    { 4, 1, 0.3f, 0.5f }, { 4, 1, 0.1f, 0.25f },
        { 1, 0, 5, 1 },
    };
    auto layer = CATiledLayer::layer();
    for (auto& c : cases) {
        layer->levelsOfDetail = c.levels;
        layer->levelsOfDetailBias = c.bias;
        EXPECT_EQ(layer->levelScaleForZoom(c.zoom), c.scale) << c.levels << " " << c.bias << " " << c.zoom;
    }
}

TEST(TiledLayerTest, OnlyTheVisibleTilesAreDrawnOffTheMainThreadAndPlacedUpright)
{
    auto layer = CATiledLayer::layer();
    layer->setBounds(CGRectMake(0, 0, 1000, 600));
    layer->tileSize = CGSizeMake(512, 512);
    auto all = layer->tilesForRect(layer->bounds(), 1);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all.back(), CGRectMake(512, 512, 488, 88));
    EXPECT_EQ(layer->tilesForRect(CGRectMake(600, 100, 10, 10), 1), std::vector<CGRect> { CGRectMake(512, 0, 488, 512) });
    EXPECT_TRUE(layer->tilesForRect(CGRectMake(2000, 0, 10, 10), 1).empty());

    auto painter = std::make_shared<TilePainter>();
    layer->setDelegate(painter);
    // A 300 x 300 window on the layer: one tile shows.
    auto picture = rendered(*layer, CGSizeMake(300, 300));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(painter->clips, std::vector<CGRect> { CGRectMake(0, 0, 512, 512) });
    ASSERT_EQ(painter->threads.size(), 1u);
    EXPECT_NE(painter->threads.front(), std::this_thread::get_id());
    auto& pixels = *picture->CGImage();
    EXPECT_EQ(pixels.pixelAt(10, 10), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(pixels.pixelAt(120, 110), (CGPixel { 0, 0, 255, 255 }));
    EXPECT_EQ(pixels.pixelAt(120, 160), (CGPixel { 255, 0, 0, 255 }));
}

TEST(LayerRendering, LookSublayersAndUprightContentsByGravity)
{
    auto layer = CALayer::layer();
    layer->setBounds(CGRectMake(0, 0, 40, 40));
    layer->setBackgroundColor(CGColorCreateGenericRGB(0, 1, 0, 1));
    auto inner = CALayer::layer();
    inner->setFrame(CGRectMake(10, 0, 10, 10));
    inner->setBackgroundColor(CGColorCreateGenericRGB(1, 0, 0, 1));
    layer->addSublayer(inner);
    auto picture = rendered(*layer, CGSizeMake(40, 40));
    ASSERT_NE(picture, nullptr);
    auto& pixels = *picture->CGImage();
    EXPECT_EQ(pixels.pixelAt(15, 5), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(pixels.pixelAt(15, 30), (CGPixel { 0, 255, 0, 255 }));

    // Contents show upright: an image red above and blue below stays so.
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(20, 20), true, 1);
    CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), 1, 0, 0, 1);
    CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 20, 10));
    CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), 0, 0, 1, 1);
    CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 10, 20, 10));
    auto halves = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_NE(halves, nullptr);
    auto shown = CALayer::layer();
    shown->setBounds(CGRectMake(0, 0, 40, 40));
    shown->setContents(halves->CGImage());
    auto drawn = rendered(*shown, CGSizeMake(40, 40));
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->CGImage()->pixelAt(20, 5), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(drawn->CGImage()->pixelAt(20, 35), (CGPixel { 0, 0, 255, 255 }));

    // Fitted by aspect into a wide layer: centred, the sides left to the background.
    shown->setBounds(CGRectMake(0, 0, 40, 20));
    shown->setBackgroundColor(CGColorCreateGenericRGB(0, 1, 0, 1));
    shown->setContentsGravity(kCAGravityResizeAspect);
    auto fitted = rendered(*shown, CGSizeMake(40, 20));
    ASSERT_NE(fitted, nullptr);
    EXPECT_EQ(fitted->CGImage()->pixelAt(5, 5), (CGPixel { 0, 255, 0, 255 }));
    EXPECT_EQ(fitted->CGImage()->pixelAt(20, 3), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(fitted->CGImage()->pixelAt(20, 17), (CGPixel { 0, 0, 255, 255 }));
}

}  // namespace
