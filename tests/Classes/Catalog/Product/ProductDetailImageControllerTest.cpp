// The full-screen image viewer opened from a product detail, and its slide
// show on the clock: paging with at most three pages holding pictures, the
// detail's own picture used for the page it showed, the chrome sliding off
// and back, the information overlay, the arrows through the detail's list,
// and the slide show advancing every 8.5 seconds, wrapping to the first
// product only when there is a list to wrap in.

#include "ProductFixture.h"

#include "Classes/Catalog/ProductBigImageView.h"
#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Catalog/ProductDetailImageController.h"
#include "Classes/Catalog/ProductInfoView.h"
#include "Classes/Catalog/SlideShowController.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIPageControl.h"

using namespace ProductSeed;

namespace {

class ProductDetailImageControllerTest : public ProductFixture {
protected:
    void SetUp() override
    {
        ProductFixture::SetUp();
        // Products 1 and 2 with three pictures each (widths tell them apart), product 3 with none.
        for (int p = 1; p <= 3; ++p) {
            product(p, "S" + std::to_string(p), "P" + std::to_string(p));
            price(p, 10 * p, "USD");
        }
        for (int p = 1; p <= 2; ++p) {
            for (int i = 0; i < 3; ++i) {
                const std::string name = std::to_string(p) + "-" + std::to_string(i);
                image(p * 10 + i, p, name + "-t.png", name + ".png", i == 0);
                imageFile(name + ".png", CGSizeMake(100 * p + 10 * i, 50), UIColor::blueColor());
                imageFile(name + "-t.png", CGSizeMake(10 * p + i, 5), UIColor::greenColor());
            }
        }
    }

    void openDetail(int productId, bool withList)
    {
        auto data = DataAccessManager::sharedDataModel();
        detail = std::make_shared<ProductDetailController>();
        detail->setProductEntity(data->getProductByProductId(productId));
        detail->setProductID(productId);
        if (withList) {
            ProductDetailController::ProductList list { data->getProductByProductId(1),
                data->getProductByProductId(2) };
            detail->setProductArray(list);
            detail->setTag(productId - 1);
            detail->setProductCount(2);
        } else {
            detail->setProductCount(1);
        }
        detail->setLblTitle(std::make_shared<UILabel>(CGRectMake(0, 0, 300, 30)));
        showRoot(UINavigationController::withRootViewController(detail));
    }

    void openViewer()
    {
        driver->tap(detail->productImageView());
        driver->advance(1);
        viewer = std::dynamic_pointer_cast<ProductDetailImageController>(detail->imageController());
        ASSERT_TRUE(viewer);
    }

    // The pages that hold a picture, and the width of each picture.
    std::vector<std::pair<int, CGFloat>> loadedPages()
    {
        std::vector<std::pair<int, CGFloat>> pages;
        const auto& slots = viewer->bigImageViews();
        for (size_t i = 0; i < slots.size(); ++i) {
            if (slots[i] && slots[i]->imageView()->image())
                pages.emplace_back(static_cast<int>(i), slots[i]->imageView()->image()->size().width);
        }
        return pages;
    }

    void waitForFullImages()
    {
        pumpMainRunLoopUntil([&] {
            for (auto [index, width] : loadedPages())
                if (static_cast<int>(width) % 10 != 0 || width < 100)
                    return false;
            return true;
        });
    }

    std::shared_ptr<ProductDetailController> detail;
    std::shared_ptr<ProductDetailImageController> viewer;
};

TEST_F(ProductDetailImageControllerTest, OpensOnTheShownPictureAndKeepsThreePagesLoaded)
{
    openDetail(1, true);
    openViewer();
    EXPECT_EQ(viewer->pageControl()->numberOfPages(), 3);
    EXPECT_EQ(viewer->currentIndex(), 0);
    waitForFullImages();
    EXPECT_EQ(loadedPages(), (std::vector<std::pair<int, CGFloat>> { { 0, 100 }, { 1, 110 } }));

    viewer->myScrollView()->setContentOffset(CGPointMake(2048, 0));
    driver->settle();
    EXPECT_EQ(viewer->currentIndex(), 2);
    EXPECT_EQ(viewer->pageControl()->currentPage(), 2);
    waitForFullImages();
    // Page 0 is two away and emptied.
    EXPECT_EQ(loadedPages(), (std::vector<std::pair<int, CGFloat>> { { 1, 110 }, { 2, 120 } }));
    driver->renderToPNG(UIDriver::snapshotPath("product-image-viewer.png"));
}

TEST_F(ProductDetailImageControllerTest, ATapSlidesTheChromeOffAndASecondBringsItBack)
{
    openDetail(1, true);
    openViewer();
    const CGRect bar = viewer->titlebar()->frame();
    driver->tap(viewer->bigImageViews()[0]);
    driver->advance(1);
    EXPECT_TRUE(viewer->isTitlebarHidden());
    EXPECT_EQ(viewer->titlebar()->frame().origin.y, -bar.origin.y - bar.size.height);
    EXPECT_EQ(viewer->btnProductInfo()->frame().origin.y, 1496 - 698);
    driver->tap(viewer->bigImageViews()[0]);
    driver->advance(1);
    EXPECT_FALSE(viewer->isTitlebarHidden());
    EXPECT_EQ(viewer->titlebar()->frame(), bar);
}

TEST_F(ProductDetailImageControllerTest, TheInformationOverlayOpensAndClosesWithItsButton)
{
    openDetail(1, true);
    openViewer();
    driver->tap(viewer->btnProductInfo());
    driver->advance(0.5);
    EXPECT_TRUE(viewer->btnProductInfo()->isSelected());
    auto info = viewer->productInfoView();
    EXPECT_EQ(info->productNameLabel()->text(), "P1");
    EXPECT_EQ(info->skuLabel()->text(), "S1");
    EXPECT_EQ(info->priceLabel()->text(), "$10.00");
    // No discount: the price stands alone at the right.
    EXPECT_EQ(info->priceLabel()->frame().origin.x + info->priceLabel()->frame().size.width, 1024 - 15);
    EXPECT_TRUE(info->priceLabel()->subviews().empty());
    driver->tap(viewer->btnProductInfo());
    driver->advance(0.5);
    EXPECT_FALSE(viewer->btnProductInfo()->isSelected());
    EXPECT_EQ(info->alpha(), 0);
}

TEST_F(ProductDetailImageControllerTest, TheArrowsStepThroughTheDetailsList)
{
    openDetail(1, true);
    openViewer();
    EXPECT_TRUE(viewer->btnLeft()->isHidden());
    ASSERT_FALSE(viewer->btnRight()->isHidden());
    driver->tap(viewer->btnRight());
    driver->advance(1);
    EXPECT_EQ(detail->productID(), 2);
    EXPECT_EQ(viewer->productTitle(), "P2  ( 2 / 2 )");
    waitForFullImages();
    EXPECT_EQ(loadedPages().front(), (std::pair<int, CGFloat> { 0, 200 }));
    EXPECT_TRUE(viewer->btnRight()->isHidden());
    EXPECT_FALSE(viewer->btnLeft()->isHidden());
}

TEST_F(ProductDetailImageControllerTest, TheSlideShowAdvancesOnTheClockAndWrapsOnlyWithAList)
{
    openDetail(2, true);
    openViewer();
    driver->tap(viewer->btnSlideShow());
    driver->advance(0.5);
    auto show = viewer->slideShowController();
    ASSERT_TRUE(show);
    EXPECT_TRUE(viewer->slideShow());
    for (int tick = 1; tick <= 2; ++tick) {
        driver->advance(8.5);
        EXPECT_EQ(viewer->currentIndex(), tick);
    }
    // Past the last picture of the last product: the first product follows.
    driver->advance(8.5);
    driver->advance(1);
    EXPECT_EQ(detail->productID(), 1);
    EXPECT_EQ(detail->tag(), 0);

    // A touch ends the show and closes its screen.
    driver->tapAt(CGPointMake(500, 400));
    driver->advance(1);
    EXPECT_FALSE(viewer->slideShow());
    EXPECT_FALSE(viewer->presentedViewController());
}

TEST_F(ProductDetailImageControllerTest, WithoutAListTheSlideShowStaysOnItsProduct)
{
    openDetail(2, false);
    openViewer();
    driver->tap(viewer->btnSlideShow());
    driver->advance(0.5);
    for (int tick = 0; tick < 4; ++tick)
        driver->advance(8.5);
    driver->advance(1);
    EXPECT_EQ(detail->productID(), 2);
    EXPECT_EQ(detail->productNameLabel()->text(), "P2");
}

TEST_F(ProductDetailImageControllerTest, EachSlideStartsAtOneOfNinePlaces)
{
    auto show = std::make_shared<SlideShowController>();
    showRoot(show);
    const CGRect rest = show->imageView()->frame();
    for (int i = 0; i < 40; ++i) {
        const CGRect start = show->getRandomInitialFrame();
        const CGFloat dx = start.origin.x - rest.origin.x;
        const CGFloat dy = start.origin.y - rest.origin.y;
        EXPECT_TRUE(dx == 0 || dx == 51 || dx == -51) << dx;
        EXPECT_TRUE(dy == 0 || dy == 38 || dy == -38) << dy;
        EXPECT_EQ(start.size, rest.size);
    }
}

TEST_F(ProductDetailImageControllerTest, AProductWithoutPicturesDoesNotOpenTheViewer)
{
    openDetail(3, false);
    driver->tap(detail->productImageView());
    driver->advance(1);
    EXPECT_FALSE(detail->imageController());
}

}  // namespace
