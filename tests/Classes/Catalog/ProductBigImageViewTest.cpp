#include "support/ScreenTest.h"

#include "Classes/Catalog/ProductBigImageView.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIViewController.h"

#include <gtest/gtest.h>

namespace {

class Pager : public UIViewController, public ProductBigImageScroller {
public:
    void toggleChromeDisplay() override { ++toggles; }
    int toggles = 0;
};

std::shared_ptr<UIImage> imageOfSize(CGFloat w, CGFloat h)
{
    UIGraphicsBeginImageContext(CGSizeMake(w, h));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

}  // namespace

class ProductBigImageViewTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        pager = std::make_shared<Pager>();
        showRoot(pager);
        page = ProductBigImageView::initWithFrame(CGRectMake(0, 0, 1024, 768));
        page->setScroller(pager);
        pager->view()->addSubview(page);
    }

    std::shared_ptr<Pager> pager;
    std::shared_ptr<ProductBigImageView> page;
};

TEST_F(ProductBigImageViewTest, ZoomRectanglesStayOnTheImage)
{
    struct Case {
        CGSize image;
        CGPoint tap;
        CGRect expected;
    } const cases[] = {
        // 2000 x 1000 shows as 1024 x 512, from y 128 to 640.
        { { 2000, 1000 }, { 900, 600 }, { { 644, 256 }, { 512, 384 } } },
        { { 2000, 1000 }, { 500, 100 }, { { 244, 128 }, { 512, 384 } } },
        // Smaller than the page both ways: natural size, the rectangle centred.
        { { 300, 200 }, { 10, 10 }, { { 256, 192 }, { 512, 384 } } },
        // Tall: 384 x 768; centred across, on the touch down the page.
        { { 1000, 2000 }, { 100, 700 }, { { 256, 508 }, { 512, 384 } } },
    };
    for (const auto& c : cases) {
        page->setImage(imageOfSize(c.image.width, c.image.height));
        EXPECT_EQ(page->zoomRectForScaleWithCenter(2, c.tap), c.expected);
    }
}

TEST_F(ProductBigImageViewTest, SetImageCentresSmallImagesAndFitsLargeOnes)
{
    page->setImage(imageOfSize(300, 200));
    EXPECT_EQ(page->imageView()->contentMode(), UIViewContentModeCenter);
    page->setImage(imageOfSize(2000, 200));
    EXPECT_EQ(page->imageView()->contentMode(), UIViewContentModeScaleAspectFit);
    page->setImage(nullptr);
    EXPECT_EQ(page->imageView()->contentMode(), UIViewContentModeCenter);
}

TEST_F(ProductBigImageViewTest, SingleTapTogglesLaterAndDoubleTapZoomsInstead)
{
    page->setImage(imageOfSize(2000, 1000));
    driver->tapAt(CGPointMake(500, 400));
    EXPECT_EQ(pager->toggles, 0);
    driver->advance(0.6);
    EXPECT_EQ(pager->toggles, 1);

    driver->doubleTapAt(CGPointMake(900, 600));
    driver->advance(1.0);
    EXPECT_EQ(pager->toggles, 1);
    EXPECT_TRUE(page->isZoomed());
    EXPECT_EQ(page->zoomScale(), 2);

    page->turnOffZoom();
    driver->advance(1.0);
    EXPECT_FALSE(page->isZoomed());
}
