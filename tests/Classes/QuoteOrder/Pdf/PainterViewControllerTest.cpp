#include "Classes/QuoteOrder/PainterViewController.h"

#include "Classes/Frame/Language.h"

#include "ScreenTest.h"

#include "Platform/UIKit/UIImage.h"

namespace {

bool inked(const std::shared_ptr<UIImage>& image, size_t x, size_t y)
{
    auto p = image->CGImage()->pixelAt(x, y);
    return p.alpha > 200 && p.red < 60 && p.green < 60 && p.blue < 60;
}

// The signature screen presented over a plain screen, with a block recording what Done hands back.
class PainterViewControllerTest : public ScreenTest {
protected:
    void present()
    {
        presenter = std::make_shared<UIViewController>();
        showRoot(presenter);
        painter = std::make_shared<PainterViewController>();
        painter->block = [this](const std::shared_ptr<UIImage>& image) {
            ++calls;
            kept = image;
        };
        presenter->presentViewControllerAnimatedCompletion(painter, true, nullptr);
        driver->advance(1);
    }

    // A point of the drawing surface in the window.
    CGPoint onSurface(CGFloat x, CGFloat y) const
    {
        return painter->painterView->convertPointToView(CGPointMake(x, y), static_cast<const UIView*>(nullptr));
    }

    std::shared_ptr<UIViewController> presenter;
    std::shared_ptr<PainterViewController> painter;
    std::shared_ptr<UIImage> kept;
    int calls = 0;
};

TEST_F(PainterViewControllerTest, BarShowsItsTextsAndTheScreenTurnsOnlyToLandscape)
{
    present();
    EXPECT_EQ(painter->naviBar->topItem()->title(), text("ADDSIGNATURE"));
    EXPECT_EQ(painter->btnCancel->title, text("CANCEL"));
    EXPECT_EQ(painter->btnDone->title, text("DONE"));
    EXPECT_TRUE(painter->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft));
    EXPECT_FALSE(painter->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortrait));
}

TEST_F(PainterViewControllerTest, DoneKeepsOnlyTheSigningAreaOfTheDrawing)
{
    present();
    const CGRect area = painter->canvasView->frame();
    // One stroke inside the signing area, one beside it.
    driver->dragFrom(
        onSurface(area.origin.x + 100, area.origin.y + 200), onSurface(area.origin.x + 500, area.origin.y + 200));
    driver->dragFrom(onSurface(30, 100), onSurface(30, 600));
    auto drawing = painter->painterView->image();
    ASSERT_TRUE(drawing);
    EXPECT_TRUE(inked(drawing, 30, 300));
    driver->renderToPNG(UIDriver::snapshotPath("PainterViewController.png"));

    ASSERT_TRUE(driver->tapBarButton(text("DONE")));
    driver->advance(1);
    EXPECT_FALSE(presenter->presentedViewController());
    ASSERT_EQ(calls, 1);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->size().width, area.size.width);
    EXPECT_EQ(kept->size().height, area.size.height);
    EXPECT_TRUE(inked(kept, 300, 200));
    EXPECT_FALSE(inked(kept, 300, 100));
    // Nothing of the stroke beside the area is left at the area's left edge.
    for (size_t y = 0; y < static_cast<size_t>(area.size.height); y += 10)
        EXPECT_FALSE(inked(kept, 0, y)) << y;
}

TEST_F(PainterViewControllerTest, TouchWithoutMovingLeavesADotOfTheLineWidth)
{
    present();
    driver->tapAt(onSurface(400, 300));
    auto drawing = painter->painterView->image();
    ASSERT_TRUE(drawing);
    EXPECT_TRUE(inked(drawing, 400, 300));
    EXPECT_TRUE(inked(drawing, 403, 300));
    EXPECT_TRUE(inked(drawing, 400, 303));
    EXPECT_FALSE(inked(drawing, 407, 300));
    EXPECT_FALSE(inked(drawing, 400, 307));
    EXPECT_FALSE(inked(drawing, 404, 304));
}

TEST_F(PainterViewControllerTest, DoneWithNothingDrawnHandsBackNilAndCancelNothing)
{
    present();
    ASSERT_TRUE(driver->tapBarButton(text("DONE")));
    driver->advance(1);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(kept);

    painter = std::make_shared<PainterViewController>();
    int cancelled = 0;
    painter->block = [&](const std::shared_ptr<UIImage>&) { ++cancelled; };
    presenter->presentViewControllerAnimatedCompletion(painter, true, nullptr);
    driver->advance(1);
    driver->dragFrom(onSurface(300, 250), onSurface(600, 300));
    ASSERT_TRUE(driver->tapBarButton(text("CANCEL")));
    driver->advance(1);
    EXPECT_FALSE(presenter->presentedViewController());
    EXPECT_EQ(cancelled, 0);
}

}  // namespace
