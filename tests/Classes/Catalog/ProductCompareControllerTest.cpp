#include "CatalogFixture.h"

#include "Classes/Catalog/AddToOrderController.h"
#include "Classes/Catalog/CatalogLayOut.h"
#include "Classes/Catalog/CompareCell.h"
#include "Classes/Catalog/ProductCompareController.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/Language.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIScrollView.h"

namespace {

class Opener : public UIViewController, public PopControllerDelegate, public ProductCompareDelegate {
public:
    void dismissPopController(bool animated) override
    {
        ++closes;
        dismissModalViewControllerAnimated(animated);
    }
    void changeAddCompareButtonState() override { ++cleared; }
    int closes = 0;
    int cleared = 0;
};

}  // namespace

class ProductCompareControllerTest : public CatalogTest {
protected:
    void open()
    {
        opener = std::make_shared<Opener>();
        showRoot(opener);
        screen = std::make_shared<ProductCompareController>();
        screen->setCompareProductsArray(data->getCompares());
        screen->setDelegate(opener);
        screen->setCompareDelegate(opener);
        opener->presentModalViewControllerAnimated(screen, false);
        driver->settle();
    }

    void compare(int n)
    {
        for (int i = 1; i <= n; ++i) {
            addProduct(i, "Product " + std::to_string(i));
            addPrice(i, 10.0 * i, "USD");
            addCompare(i, "Product " + std::to_string(i));
        }
    }

    std::shared_ptr<Opener> opener;
    std::shared_ptr<ProductCompareController> screen;
};

TEST_F(ProductCompareControllerTest, ColumnsSideBySide)
{
    for (int n : { 1, 6 }) {
        SCOPED_TRACE(n);
        ScreenTest::TearDown();
        SetUp();
        compare(n);
        open();
        const auto columns = screen->columns();
        ASSERT_EQ(columns.size(), static_cast<size_t>(n));
        EXPECT_EQ(screen->compareScrollView()->contentSize().width, n == 1 ? 720 : 1080);
        EXPECT_EQ(columns.back()->frame(), CGRectMake(180.0 * (n - 1), 0, 180, 600));
        EXPECT_TRUE(columns.back()->devideImageView()->isHidden());
        EXPECT_EQ(columns.front()->productNameLabel()->text(), "Product 1");
        EXPECT_TRUE(columns.front()->smallCloseBtn()->isHidden());
    }
}

TEST_F(ProductCompareControllerTest, EditModeDeletesAndSurvivesRebuilding)
{
    compare(3);
    open();
    driver->tap(screen->btnEdit());
    EXPECT_TRUE(screen->inEdit());
    EXPECT_FALSE(screen->removeAllBtn()->isHidden());
    auto first = screen->columns().front();
    EXPECT_FALSE(first->addOrderBtn()->isEnabled());
    driver->tap(first->addOrderBtn());
    EXPECT_FALSE(screen->addToOrderPopController());
    EXPECT_EQ(piecesInOrder(1), 0u);
    // A tap on an image in edit mode opens nothing.
    driver->tap(first->productImageView());
    EXPECT_EQ(opener->closes, 0);

    driver->tap(first->smallCloseBtn());
    EXPECT_EQ(screen->columns().size(), 2u);
    EXPECT_EQ(data->getCompares().size(), 2u);
    EXPECT_EQ(opener->cleared, 1);
    EXPECT_FALSE(screen->columns().front()->smallCloseBtn()->isHidden());

    driver->tapAt(CGPointMake(100, 700));  // empty space leaves the edit mode
    EXPECT_FALSE(screen->inEdit());
    driver->longPress(screen->columns().front()->productImageView());
    EXPECT_TRUE(screen->inEdit());
}

TEST_F(ProductCompareControllerTest, RemoveAllTellsAndCloses)
{
    compare(2);
    open();
    driver->tap(screen->btnEdit());
    driver->tap(screen->removeAllBtn());
    EXPECT_TRUE(data->getCompares().empty());
    EXPECT_EQ(opener->cleared, 1);
    EXPECT_EQ(opener->closes, 1);
    EXPECT_TRUE(toastShowing(text("ALLCOMPARISONREMOVED")));
}

TEST_F(ProductCompareControllerTest, AProductNoLongerPublishedOffersNoAddAndIsLeftOutWhenOpening)
{
    compare(3);
    ASSERT_TRUE(db->executeUpdate("update corvelle_product set product_publish = 0 where product_id = 1"));
    open();
    const auto columns = screen->columns();
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_TRUE(columns[0]->addOrderBtn()->isHidden());
    EXPECT_EQ(columns[0]->productNameLabel()->text(), "Product 1");

    std::vector<Value> posted;
    NSNotificationCenter::defaultCenter().addObserver(
        this, "setCatalogLayOut", [&](const NSNotification& n) { posted.push_back(n.object); });
    driver->tap(columns[2]->productImageView());
    NSNotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(opener->closes, 1);
    ASSERT_EQ(posted.size(), 1u);
    const auto request = CatalogLayOut::read(posted[0]);
    ASSERT_TRUE(request);
    ASSERT_EQ(request->products.size(), 2u);
    ASSERT_GE(request->index, 0);
    ASSERT_LT(request->index, 2);
    EXPECT_EQ(request->products[static_cast<size_t>(request->index)]->product_id, 3);
}

TEST_F(ProductCompareControllerTest, AddingFromAColumnFollowsTheRules)
{
    compare(2);
    addAttribute(2, 1, "Colour", "Red,Blue");
    open();
    auto columns = screen->columns();
    driver->tap(columns[0]->addOrderBtn());
    EXPECT_EQ(piecesInOrder(1), 1u);
    EXPECT_FALSE(columns[0]->addOrderBtn()->badgeView()->isHidden());

    driver->tap(columns[1]->addOrderBtn());
    auto popover = screen->addToOrderPopController();
    ASSERT_TRUE(popover && popover->isPopoverVisible());
    auto picker = std::dynamic_pointer_cast<AddToOrderController>(popover->contentViewController());
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->cellIndex(), 4001u);
    EXPECT_EQ(piecesInOrder(2), 0u);
    // Blue chosen: the second column counts it.
    auto line = chooseAndAdd(*driver, *picker, 1);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->attributes, "Colour:Blue");
    EXPECT_EQ(piecesInOrder(2), 1u);
    EXPECT_FALSE(columns[1]->addOrderBtn()->badgeView()->isHidden());
    EXPECT_EQ(columns[1]->addOrderBtn()->badgeLabel()->text(), "1");
}

TEST_F(ProductCompareControllerTest, AnOrderInAnotherCurrencyIsSettledFirst)
{
    compare(1);
    addProduct(9, "Yuan product");
    addPrice(9, 5, "CNY");
    ASSERT_TRUE(QuoteOrderStore::sharedQuoteOrderStore()->addToOrder([&] {
        auto p = product(9);
        p->count = 2;
        return p;
    }()));
    open();
    auto column = screen->columns().front();
    driver->tap(column->addOrderBtn());
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), text("NOTTHESAMEMONEYCY"));
    EXPECT_EQ(piecesInOrder(1), 0u);
    ASSERT_TRUE(driver->tapAlertButton(text("DONTSAVE")));
    EXPECT_EQ(piecesInOrder(9), 0u);  // the old order went unsaved
    EXPECT_EQ(piecesInOrder(1), 1u);
}
