#include "CatalogFixture.h"

#include "Classes/Catalog/DetailCell.h"
#include "Classes/Frame/BadgeButton.h"
#include "Classes/Frame/ImageLoadOperation.h"
#include "Database/corvelle_product_price_Entity.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIViewController.h"

namespace {

class RecordingScreen : public UIViewController, public DetailCellDelegate {
public:
    void didSelectedImage(const std::shared_ptr<DetailCell>& cell) override
    {
        events.push_back("open " + std::to_string(cell->productId()));
    }
    void addToOrder(const std::shared_ptr<DetailCell>& cell) override
    {
        events.push_back("add " + std::to_string(cell->productId()));
    }
    std::vector<std::string> events;
};

std::shared_ptr<corvelle_product_price_Entity> price(double list, std::optional<double> discount)
{
    auto p = std::make_shared<corvelle_product_price_Entity>();
    p->price = list;
    p->currency = "USD";
    p->discount_price = discount.value_or(0);
    p->discount_flag = discount.has_value();
    return p;
}

bool struckThrough(const UILabel& label) { return !label.subviews().empty(); }

}  // namespace

class DetailCellTest : public CatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        screen = std::make_shared<RecordingScreen>();
        showRoot(screen);
        cell = DetailCell::initWithFrameReuseIdentifier(CGRectMake(0, 0, 200, 212), "cv_catalog_cell");
        cell->setDetailDelegate(screen);
        screen->view()->addSubview(cell);
    }

    std::shared_ptr<RecordingScreen> screen;
    std::shared_ptr<DetailCell> cell;
};

TEST_F(DetailCellTest, PriceAndDiscountLayout)
{
    struct Case {
        const char* name;
        std::shared_ptr<corvelle_product_price_Entity> price;
        bool discountShown;
        bool secondLine;
    } const cases[] = {
        { "no discount", price(12, std::nullopt), false, false },
        { "short discount", price(12, 9), true, false },
        { "long prices", price(1234567.89, 1034567.25), true, true },
        { "no price row", nullptr, false, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cell->setPriceEntity(c.price);
        const auto& label = cell->discountpriceLabel();
        EXPECT_EQ(struckThrough(*cell->priceContentLabel()), c.discountShown);
        if (!c.discountShown) {
            EXPECT_EQ(label->frame(), CGRectZero);
        } else if (c.secondLine) {
            EXPECT_EQ(label->frame(), CGRectMake(10, 190, 120, 20));
        } else {
            EXPECT_EQ(label->frame().origin.y, 175);
            EXPECT_GT(label->frame().origin.x, 20);
            EXPECT_LT(label->frame().origin.x, 130);
            EXPECT_EQ(label->text(), c.price->strDiscountPrice());
        }
    }
    cell->setPriceEntity(nullptr);
    EXPECT_EQ(cell->priceContentLabel()->text(), "");  // no price row, no price shown
    cell->setPriceEntity(price(12, 9));
    cell->setDiscountprice(std::string("   "));
    EXPECT_EQ(cell->discountpriceLabel()->frame(), CGRectZero);
    EXPECT_FALSE(struckThrough(*cell->priceContentLabel()));
}

TEST_F(DetailCellTest, TapsGoToTheDelegateAndTheBadgeShowsPieces)
{
    cell->setProductId(5);
    driver->tap(cell->bgImageView());
    driver->tap(cell->addOrderBtn());
    EXPECT_EQ(screen->events, (std::vector<std::string> { "open 5", "add 5" }));
    cell->setBadgeValueAnimated(std::string("3"), false);
    EXPECT_FALSE(cell->addOrderBtn()->badgeView()->isHidden());
    cell->setBadgeValueAnimated(std::nullopt, false);
    EXPECT_TRUE(cell->addOrderBtn()->badgeView()->isHidden());
    EXPECT_TRUE(cell->smallCloseBtn()->isHidden());
    EXPECT_EQ(cell->smallCloseBtn()->frame(), CGRectMake(150, 0, 50, 50));
}

TEST_F(DetailCellTest, ReloadingThePriceReadsTheDatabase)
{
    addProduct(5, "Lamp");
    addPrice(5, 40, "USD", 30.0);
    cell->setProductId(5);
    cell->setPriceEntity(price(12, std::nullopt));
    cell->reloadCellProdectPrice();
    EXPECT_EQ(cell->priceContentLabel()->text(), data->getPriceEntityByProductId(5)->strPrice());
    EXPECT_TRUE(struckThrough(*cell->priceContentLabel()));
}

TEST_F(DetailCellTest, ANewerImageLoadCancelsTheOneStillWaiting)
{
    cell->setImagename(std::string("a.png"));
    cell->loadImageAsyncWihtAnimation(false);
    EXPECT_EQ(cell->productImageView()->alpha(), 0);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return cell->imageLoadOperation() != nullptr; }));
    auto first = cell->imageLoadOperation();
    cell->setImagename(std::string("b.png"));
    cell->loadImageAsyncWihtAnimation(false);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return cell->imageLoadOperation() != first; }));
    EXPECT_TRUE(first->isCancelled() || first->isFinished());
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return cell->productImageView()->alpha() == 1; }));
}

// The picture is read off the main thread holding no reference to the cell: a
// cell let go meanwhile goes at once, here on the main thread, and the
// picture's answer finds nobody.
TEST_F(DetailCellTest, ACellLetGoWhileItsPictureIsReadGoesAtOnce)
{
    auto spare = DetailCell::initWithFrameReuseIdentifier(CGRectMake(0, 0, 200, 212), "cv_catalog_cell");
    spare->setImagename(std::string("a.png"));
    spare->loadImageAsyncWihtAnimation(false);
    std::weak_ptr<DetailCell> watch = spare;
    spare.reset();
    EXPECT_TRUE(watch.expired());
}
