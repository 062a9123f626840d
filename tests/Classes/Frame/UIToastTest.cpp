#include "Classes/Frame/UIToast.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIFont.h"
#include "support/ScreenTest.h"

namespace {

class UIToastTest : public ScreenTest {
protected:
    std::weak_ptr<UIToast> showToast(const std::optional<std::string>& text, int gravity, int length)
    {
        auto toast = std::make_shared<UIToast>();
        toast->showGravityLength(text, gravity, length);
        return toast;  // the caller lets go at once; the window keeps it
    }
    // The toast's frame without its running scale.
    static CGRect restingFrame(const UIToast& toast)
    {
        CGPoint c = toast.center();
        CGRect b = toast.bounds();
        return CGRectMake(c.x - b.size.width / 2, c.y - b.size.height / 2, b.size.width, b.size.height);
    }
};

TEST_F(UIToastTest, SizedByItsTextAndPlacedUprightCentredAtItsGravity)
{
    const std::string text = "Added to the quote order";
    CGSize measured = sizeWithFontConstrainedToSizeLineBreakMode(
        text, UIFont::fontWithNameSize("Arial", 18), CGSizeMake(260, 300), UILineBreakModeWordWrap);
    struct Case {
        int gravity;
        CGFloat middle;
    };
    for (const Case& c : { Case { 0, 192 }, Case { 1, 384 }, Case { 2, 576 } }) {
        auto toast = showToast(text, c.gravity, 0).lock();
        ASSERT_NE(toast, nullptr);
        CGRect f = restingFrame(*toast);
        EXPECT_FLOAT_EQ(f.size.width, measured.width + 30);
        EXPECT_FLOAT_EQ(f.size.height, measured.height + 20);
        EXPECT_FLOAT_EQ(CGRectGetMidX(f), 512) << c.gravity;
        EXPECT_FLOAT_EQ(CGRectGetMidY(f), c.middle) << c.gravity;
        // Upright: only scaled, never turned.
        EXPECT_EQ(toast->transform().b, 0);
        EXPECT_EQ(toast->transform().c, 0);
        driver->advance(5);
    }
    auto empty = showToast(std::nullopt, 2, 0).lock();
    EXPECT_EQ(restingFrame(*empty).size, CGSizeMake(30, 20));
}

TEST_F(UIToastTest, HoldsShortOrLongThenRemovesItself)
{
    struct Case {
        int length;
        double total;
    };
    for (const Case& c : { Case { 0, 0.2 + 0.1 + 0.5 + 1.0 }, Case { 1, 0.2 + 0.1 + 3.0 + 1.0 } }) {
        auto toast = showToast("Saved", 1, c.length);
        driver->advance(c.total - 0.05);
        ASSERT_FALSE(toast.expired()) << c.length;
        EXPECT_EQ(toast.lock()->superview(), window);
        // Just past the end (the steps' times add up in floating point).
        driver->advance(0.06);
        EXPECT_TRUE(toast.expired()) << c.length;
    }
}

TEST_F(UIToastTest, PictureOfAToast)
{
    showToast("Product added to the quote order", 2, 1);
    driver->advance(0.3);
    driver->renderToPNG(UIDriver::snapshotPath("UIToast.png"));
}

}  // namespace
