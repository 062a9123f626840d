#include "Classes/Frame/ImageLoadOperation.h"
#include "Classes/Frame/ImageLoadQueueManager.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "support/ScreenTest.h"

namespace {

std::shared_ptr<UIImage> solidImage(CGSize size)
{
    UIGraphicsBeginImageContext(size);
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

class ImageLoadQueueManagerTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        screen = std::make_shared<UIViewController>();
        showRoot(screen);
    }
    std::shared_ptr<UIImageView> cellImage()
    {
        auto view = std::make_shared<UIImageView>(CGRectMake(0, 0, 160, 110));
        screen->view()->addSubview(view);
        return view;
    }
    void hand(const std::shared_ptr<UIImageView>& view, std::shared_ptr<UIImage> image, bool fade, bool unique = false)
    {
        if (fade)
            view->setAlpha(0);
        ImageLoadQueueManager::sharedInstance()->loadImageWithOperationUnique(
            std::make_shared<ImageLoadOperation>(std::move(image), view, fade), unique);
    }
    std::shared_ptr<UIViewController> screen;
};

TEST_F(ImageLoadQueueManagerTest, ImageArrivesOnTheMainQueueAtOnceOrFadingIn)
{
    auto plain = cellImage(), faded = cellImage();
    auto image = solidImage(CGSizeMake(40, 30));
    hand(plain, image, false);
    hand(faded, image, true);
    EXPECT_EQ(plain->image(), nullptr);
    driver->settle();
    EXPECT_EQ(plain->image(), image);
    EXPECT_EQ(plain->alpha(), 1);
    EXPECT_EQ(faded->image(), image);
    // The fade applies its end state at once and finishes on the clock.
    EXPECT_EQ(faded->alpha(), 1);
    EXPECT_EQ(plain->contentMode(), UIViewContentModeCenter);
}

TEST_F(ImageLoadQueueManagerTest, AViewThatLeftTheScreenIsLeftAlone)
{
    auto view = cellImage();
    hand(view, solidImage(CGSizeMake(40, 30)), true);
    view->removeFromSuperview();
    driver->settle();
    EXPECT_EQ(view->image(), nullptr);
    EXPECT_EQ(view->alpha(), 0);
}

TEST_F(ImageLoadQueueManagerTest, UniqueCancelsWhatWaitsAndAReusedCellShowsItsLatestImage)
{
    auto cell = cellImage(), other = cellImage();
    auto old = solidImage(CGSizeMake(10, 10)), latest = solidImage(CGSizeMake(20, 20));
    hand(other, old, false);
    // The cell was reused: its earlier hand-over is cancelled, the latest one queued.
    auto first = std::make_shared<ImageLoadOperation>(old, cell, false);
    ImageLoadQueueManager::sharedInstance()->loadImageWithOperationUnique(first, false);
    first->cancel();
    hand(cell, latest, false, true);
    driver->settle();
    EXPECT_EQ(cell->image(), latest);
    EXPECT_EQ(other->image(), nullptr);
}

}  // namespace
