#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <gtest/gtest.h>

namespace {

// A white 100 x 100 view holding a 40 x 40 view at (30, 30) whose layer casts
// a hard black shadow, rendered as a person would see it.
struct ShadowCase {
    const char* name;
    std::shared_ptr<UIColor> background;
    CGSize offset;
    bool shadowPath;
    bool masksToBounds;
    // (x, y) -> whether the pixel is shadow black (else it is what lies above the shadow)
    std::vector<std::tuple<size_t, size_t, bool>> dark;
};

std::shared_ptr<UIImage> render(const ShadowCase& c)
{
    auto root = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
    root->setBackgroundColor(UIColor::whiteColor());
    auto card = std::make_shared<UIView>(CGRectMake(30, 30, 40, 40));
    card->setBackgroundColor(c.background);
    auto layer = card->layer();
    layer->setShadowOffset(c.offset);
    layer->setShadowRadius(0);
    layer->setShadowOpacity(1);
    if (c.shadowPath)
        layer->setShadowPathRect(card->bounds());
    card->setClipsToBounds(c.masksToBounds);
    root->addSubview(card);
    return UIViewRenderToImage(*root);
}

}  // namespace

TEST(LayerShadow, FallsWhereTheLayerSpaceSaysAndStopsAtItsBounds)
{
    const ShadowCase cases[] = {
        // A positive height falls below the layer, a negative one above.
        { "below", UIColor::redColor(), CGSizeMake(0, 10), false, false, { { 50, 75, true }, { 50, 25, false } } },
        { "above", UIColor::redColor(), CGSizeMake(0, -10), false, false, { { 50, 25, true }, { 50, 75, false } } },
        { "right", UIColor::redColor(), CGSizeMake(10, 0), false, false, { { 75, 50, true }, { 25, 50, false } } },
        // A clear layer casts the shadow of its path, seen through the layer too.
        { "clear with path", UIColor::clearColor(), CGSizeMake(0, 5), true, false,
            { { 50, 50, true }, { 50, 73, true }, { 50, 27, false }, { 50, 80, false } } },
        { "no colour with path", nullptr, CGSizeMake(5, 0), true, false, { { 73, 50, true }, { 27, 50, false } } },
        // Without a path a clear layer has nothing to cast.
        { "clear without path", UIColor::clearColor(), CGSizeMake(0, 5), false, false,
            { { 50, 50, false }, { 50, 73, false } } },
        // Masking to bounds clips the layer's own shadow.
        { "masked", UIColor::redColor(), CGSizeMake(0, 10), false, true, { { 50, 75, false }, { 50, 25, false } } },
        { "masked clear with path", UIColor::clearColor(), CGSizeMake(0, 5), true, true,
            { { 50, 50, true }, { 50, 68, true }, { 50, 73, false } } },
    };
    const CGPixel black { 0, 0, 0, 255 };
    for (const ShadowCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto image = render(c);
        ASSERT_TRUE(image);
        for (auto [x, y, dark] : c.dark) {
            CGPixel p = image->CGImage()->pixelAt(x, y);
            if (dark)
                EXPECT_EQ(p, black) << x << "," << y;
            else
                EXPECT_NE(p, black) << x << "," << y;
        }
    }
}
