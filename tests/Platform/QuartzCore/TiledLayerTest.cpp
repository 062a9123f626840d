#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/QuartzCore/CATiledLayer.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <cstdlib>

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
        { 4, 3, 1, 1 },
        { 4, 3, 0.5f, 1 },
        { 4, 3, 1.5f, 2 },
        { 4, 3, 3, 4 },
        { 4, 3, 20, 8 },
        { 4, 1, 1, 1 },
        { 4, 1, 0.3f, 0.5f },
        { 4, 1, 0.1f, 0.25f },
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
    EXPECT_EQ(
        layer->tilesForRect(CGRectMake(600, 100, 10, 10), 1), std::vector<CGRect> { CGRectMake(512, 0, 488, 512) });
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

// Whether a tile shows whole (drawn straight into the picture) or only in
// part (drawn into the layer's memory, then laid down), the picture is the
// same at any offset and any zoom up to the level's, and every tile is drawn
// off the main thread.
TEST(TiledLayerTest, TilesShowingWholeOrInPartGiveTheSamePicture)
{
    auto layer = CATiledLayer::layer();
    layer->setBounds(CGRectMake(0, 0, 200, 200));
    layer->tileSize = CGSizeMake(256, 256);
    auto painter = std::make_shared<TilePainter>();
    layer->setDelegate(painter);
    auto picture = [&](CGSize size, CGFloat offset, CGFloat zoom) {
        UIGraphicsBeginImageContextWithOptions(size, true, 1);
        auto c = UIGraphicsGetCurrentContext();
        CGContextTranslateCTM(c, offset, offset);
        CGContextScaleCTM(c, zoom, zoom);
        layer->renderInContext(c);
        auto made = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        return made;
    };
    for (CGFloat offset : { 0.0f, 0.25f, 3.5f })
        for (CGFloat zoom : { 1.0f, 0.75f }) {
            auto whole = picture(CGSizeMake(220, 220), offset, zoom);
            auto part = picture(CGSizeMake(120, 120), offset, zoom);
            ASSERT_TRUE(whole && part);
            int worst = 0;
            for (size_t y = 0; y < 120; ++y)
                for (size_t x = 0; x < 120; ++x) {
                    CGPixel a = whole->CGImage()->pixelAt(x, y), b = part->CGImage()->pixelAt(x, y);
                    worst = std::max(
                        { worst, std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue) });
                }
            // Edges partly covered may round a little differently; a tile
            // misplaced by a pixel would differ by far more.
            EXPECT_LE(worst, 16) << offset << " " << zoom;
            // The blue square's inside, wherever the zoom puts it.
            auto inside = static_cast<size_t>(offset + 110 * zoom);
            EXPECT_EQ(part->CGImage()->pixelAt(inside, inside), (CGPixel { 0, 0, 255, 255 })) << offset << " " << zoom;
        }
    for (auto thread : painter->threads)
        EXPECT_NE(thread, std::this_thread::get_id());
}

// The memory a layer keeps for its tiles starts clear for every tile: what an
// earlier drawing left never shows through a later one.
TEST(TiledLayerTest, EveryTileStartsClear)
{
    struct PaintsOnce : CALayerDelegate {
        bool painted = false;
        void drawLayerInContext(CALayer&, const CGContextRef& c) override
        {
            if (std::exchange(painted, true))
                return;
            CGContextSetRGBFillColor(c, 1, 0, 0, 1);
            CGContextFillRect(c, CGContextGetClipBoundingBox(c));
        }
    };
    auto layer = CATiledLayer::layer();
    layer->setBounds(CGRectMake(0, 0, 200, 200));
    layer->tileSize = CGSizeMake(256, 256);
    auto painter = std::make_shared<PaintsOnce>();
    layer->setDelegate(painter);
    auto picture = [&] {
        UIGraphicsBeginImageContextWithOptions(CGSizeMake(100, 100), false, 1);
        layer->renderInContext(UIGraphicsGetCurrentContext());
        auto made = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        return made;
    };
    auto first = picture(), second = picture();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->CGImage()->pixelAt(50, 50), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(second->CGImage()->pixelAt(50, 50), (CGPixel {}));
}

// What lies wholly beneath a view drawing opaque tiles (an earlier sibling,
// or its superview's own background) is not drawn; beneath a view that can
// let it show, it is.
TEST(TiledLayerTest, OpaqueTilesHideOnlyWhatLiesWhollyBeneathThem)
{
    struct Beneath : UIView {
        using UIView::UIView;
        int draws = 0;
        void drawRect(CGRect) override
        {
            ++draws;
            CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), 0, 1, 0, 1);
            CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 50, 50));
        }
    };
    const CGPixel red { 255, 0, 0, 255 }, green { 0, 255, 0, 255 }, yellow { 255, 255, 0, 255 };
    struct Case {
        const char* what;
        bool opaque, delegate, hidden;
        CGFloat alpha;
        CGRect frame;
        bool drawn;
        CGPixel seen, corner;
    } cases[] = {
        { "covering", true, true, false, 1, CGRectMake(0, 0, 80, 80), false, red, yellow },
        { "covering all", true, true, false, 1, CGRectMake(0, 0, 100, 100), false, red, red },
        { "translucent", true, true, false, 0.5f, CGRectMake(0, 0, 100, 100), true, {}, {} },
        { "not opaque", false, true, false, 1, CGRectMake(0, 0, 80, 80), true, red, yellow },
        { "nothing to draw", true, false, false, 1, CGRectMake(0, 0, 100, 100), true, green, yellow },
        { "hidden", true, true, true, 1, CGRectMake(0, 0, 100, 100), true, green, yellow },
        { "partly over", true, true, false, 1, CGRectMake(20, 20, 80, 80), true, green, red },
    };
    auto painter = std::make_shared<TilePainter>();
    for (const auto& c : cases) {
        auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
        parent->layer()->setBackgroundColor(CGColorCreateGenericRGB(1, 1, 0, 1));
        auto beneath = std::make_shared<Beneath>(CGRectMake(10, 10, 50, 50));
        auto layer = CATiledLayer::layer();
        layer->setOpaque(c.opaque);
        if (c.delegate)
            layer->setDelegate(painter);
        auto above = std::make_shared<UIView>(c.frame, layer);
        above->setHidden(c.hidden);
        above->setAlpha(c.alpha);
        parent->addSubview(beneath);
        parent->addSubview(above);
        auto image = UIViewRenderToImage(*parent);
        ASSERT_TRUE(image) << c.what;
        EXPECT_EQ(beneath->draws, c.drawn ? 1 : 0) << c.what;
        CGPixel seen = image->CGImage()->pixelAt(15, 15), corner = image->CGImage()->pixelAt(90, 90);
        if (c.alpha < 1) {
            // Half red over green, and over yellow, within rounding.
            EXPECT_TRUE(seen.red > 100 && seen.green > 100 && seen.blue == 0) << c.what;
            EXPECT_TRUE(corner.red == 255 && corner.green > 100 && corner.blue == 0) << c.what;
        } else {
            EXPECT_EQ(seen, c.seen) << c.what;
            EXPECT_EQ(corner, c.corner) << c.what;
        }
    }
}

// Callers on several threads each get their own tiles drawn, off their own
// threads; a tile that draws another tiled layer gets that layer's tiles at
// once rather than waiting on itself.
TEST(TiledLayerTest, TilesDrawForCallersOnSeveralThreadsAndWithinATile)
{
    struct Colour : CALayerDelegate {
        CGFloat red, blue;
        Colour(CGFloat r, CGFloat b)
            : red(r)
            , blue(b)
        {
        }
        void drawLayerInContext(CALayer&, const CGContextRef& c) override
        {
            CGContextSetRGBFillColor(c, red, 0, blue, 1);
            CGContextFillRect(c, CGContextGetClipBoundingBox(c));
        }
    };
    struct Nesting : CALayerDelegate {
        std::shared_ptr<CATiledLayer> inner = CATiledLayer::layer();
        std::thread::id outerThread;
        CGPixel innerPixel;
        void drawLayerInContext(CALayer&, const CGContextRef&) override
        {
            outerThread = std::this_thread::get_id();
            auto colour = std::make_shared<Colour>(0, 1);
            inner->setBounds(CGRectMake(0, 0, 20, 20));
            inner->setDelegate(colour);
            auto picture = rendered(*inner, CGSizeMake(20, 20));
            innerPixel = picture ? picture->CGImage()->pixelAt(5, 5) : CGPixel {};
        }
    };
    auto nesting = std::make_shared<Nesting>();
    auto outer = CATiledLayer::layer();
    outer->setBounds(CGRectMake(0, 0, 40, 40));
    outer->setDelegate(nesting);
    ASSERT_TRUE(rendered(*outer, CGSizeMake(40, 40)));
    EXPECT_NE(nesting->outerThread, std::this_thread::get_id());
    EXPECT_EQ(nesting->innerPixel, (CGPixel { 0, 0, 255, 255 }));

    auto callerDraws = [](CGFloat red, CGFloat blue, CGPixel& seen, int& wrong) {
        auto colour = std::make_shared<Colour>(red, blue);
        auto layer = CATiledLayer::layer();
        layer->setBounds(CGRectMake(0, 0, 64, 64));
        layer->setDelegate(colour);
        for (int i = 0; i < 50; ++i) {
            auto picture = rendered(*layer, CGSizeMake(64, 64));
            CGPixel pixel = picture ? picture->CGImage()->pixelAt(32, 32) : CGPixel {};
            if (i == 0)
                seen = pixel;
            else if (pixel != seen)
                ++wrong;
        }
    };
    CGPixel redSeen {}, blueSeen {};
    int redWrong = 0, blueWrong = 0;
    std::thread first([&] { callerDraws(1, 0, redSeen, redWrong); });
    std::thread second([&] { callerDraws(0, 1, blueSeen, blueWrong); });
    first.join();
    second.join();
    EXPECT_EQ(redSeen, (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(blueSeen, (CGPixel { 0, 0, 255, 255 }));
    EXPECT_EQ(redWrong, 0);
    EXPECT_EQ(blueWrong, 0);
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
