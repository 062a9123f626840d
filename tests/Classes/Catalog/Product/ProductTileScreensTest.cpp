// The favourites and related-products screens as a person uses them: the
// tile grids and their geometry, edit mode with delete and remove-all,
// adding from a tile (at once, or through the picker), the currency question,
// and a tapped tile handing the catalogue a list of published products with
// the index of the tapped one in it.

#include "ProductFixture.h"

#include "Classes/Catalog/AddToOrderController.h"
#include "Classes/Catalog/CatalogLayOut.h"
#include "Classes/Catalog/DetailCell.h"
#include "Classes/Catalog/ProductAttributeView.h"
#include "Classes/Catalog/ProductFavoriteController.h"
#include "Classes/Catalog/RelatedProductViewcontroller.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/BadgeButton.h"
#include "Classes/Frame/Language.h"
#include "Database/QuoteOrderEntity.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIScrollView.h"

using namespace ProductSeed;

namespace {

class Opener : public UIViewController, public PopControllerDelegate, public ProductFavoriteDelegate {
public:
    void dismissPopController(bool animated) override
    {
        ++dismissals;
        dismissModalViewControllerAnimated(animated);
    }
    void changeAddFavoriteButtonState() override { ++favouriteChanges; }
    int dismissals = 0;
    int favouriteChanges = 0;
};

class ProductTileScreensTest : public ProductFixture {
protected:
    void SetUp() override
    {
        ProductFixture::SetUp();
        NSNotificationCenter::defaultCenter().addObserver(
            this, CatalogLayOut::kNotificationName, [this](const NSNotification& n) {
                const auto& parts = n.object.arrayValue();
                std::vector<long> ids;
                for (const auto& id : parts[1].arrayValue())
                    ids.push_back(id.integerValue());
                posted.emplace_back(parts[0].integerValue(), ids);
            });
        showRoot(opener);
    }
    void TearDown() override
    {
        NSNotificationCenter::defaultCenter().removeObserver(this);
        ProductFixture::TearDown();
    }

    void products(int n)
    {
        for (int id = 1; id <= n; ++id) {
            product(id, "S" + std::to_string(id), "P" + std::to_string(id), 1);
            price(id, 10, "CNY");
        }
    }

    void favourite(int id)
    {
        ASSERT_TRUE(DataAccessManager::sharedDataModel()->saveToDatabaseFavoriteSkuName(
            id, "S" + std::to_string(id), "P" + std::to_string(id)));
    }

    std::shared_ptr<ProductFavoriteController> showFavourites()
    {
        favourites = std::make_shared<ProductFavoriteController>();
        favourites->setFavArray(DataAccessManager::sharedDataModel()->getFavorites());
        favourites->setDelegate(opener);
        favourites->setFavDelegate(opener);
        opener->presentModalViewControllerAnimated(favourites, false);
        driver->settle();
        return favourites;
    }

    std::shared_ptr<RelatedProductViewcontroller> showRelated(std::vector<int> ids)
    {
        related = std::make_shared<RelatedProductViewcontroller>();
        std::vector<std::shared_ptr<corvelle_product_Entity>> list;
        for (int id : ids)
            list.push_back(DataAccessManager::sharedDataModel()->getProductByProductId(id));
        related->setRelatedArray(list);
        related->setDelegate(opener);
        opener->presentModalViewControllerAnimated(related, false);
        driver->settle();
        return related;
    }

    static std::optional<std::string> badge(const std::shared_ptr<DetailCell>& tile)
    {
        const auto& button = tile->addOrderBtn();
        if (!button->badgeView() || button->badgeView()->isHidden())
            return std::nullopt;
        return button->badgeLabel()->text();
    }

    std::shared_ptr<Opener> opener = std::make_shared<Opener>();
    std::shared_ptr<ProductFavoriteController> favourites;
    std::shared_ptr<RelatedProductViewcontroller> related;
    std::vector<std::pair<long, std::vector<long>>> posted;
};

TEST_F(ProductTileScreensTest, FavouriteTilesFillRowsOfFive)
{
    products(15);
    struct Case {
        int count;
        CGFloat contentHeight;
    };
    for (const Case& c : { Case { 5, 713 }, Case { 6, 713 }, Case { 15, 860 } }) {
        DataAccessManager::sharedDataModel()->deleteAllFavorites();
        for (int id = 1; id <= c.count; ++id)
            favourite(id);
        showFavourites();
        EXPECT_EQ(favourites->favoriteScrollView()->contentSize().height, c.contentHeight) << c.count;
        auto sixth = favourites->tileWithTag(ProductFavoriteController::kTileTagBase + 5);
        EXPECT_EQ(sixth != nullptr, c.count > 5);
        auto second = favourites->tileWithTag(ProductFavoriteController::kTileTagBase + 1);
        ASSERT_TRUE(second);
        EXPECT_FLOAT_EQ(second->frame().origin.x, 5 + 1009.0f / 5);
        EXPECT_TRUE(
            favourites->tileWithTag(ProductFavoriteController::kTileTagBase + 4)->devideImageView()->isHidden());
        EXPECT_TRUE(second->smallCloseBtn()->isHidden());
        opener->dismissModalViewControllerAnimated(false);
        driver->settle();
    }
}

TEST_F(ProductTileScreensTest, EditModeDeletesOneFavouriteOrAllOfThem)
{
    products(3);
    for (int id = 1; id <= 3; ++id)
        favourite(id);
    showFavourites();
    ASSERT_TRUE(driver->tapButton(text("EDIT")));
    EXPECT_TRUE(favourites->inEdit());
    EXPECT_TRUE(favourites->btnEdit()->isHidden());
    EXPECT_FALSE(favourites->removeAllBtn()->isHidden());
    auto first = favourites->tileWithTag(ProductFavoriteController::kTileTagBase);
    EXPECT_FALSE(first->smallCloseBtn()->isHidden());
    EXPECT_FALSE(first->addOrderBtn()->isEnabled());
    EXPECT_TRUE(first->productImageView()->layer()->animationForKey("wiggle"));

    // Going to the background stops the wobble; coming back starts it again.
    NSNotificationCenter::defaultCenter().postNotificationName("AppWillEnterBackgound");
    EXPECT_TRUE(first->smallCloseBtn()->isHidden());
    NSNotificationCenter::defaultCenter().postNotificationName("AppWillEnterForegroud");
    EXPECT_FALSE(first->smallCloseBtn()->isHidden());

    driver->tap(favourites->tileWithTag(ProductFavoriteController::kTileTagBase + 1)->smallCloseBtn());
    EXPECT_FALSE(DataAccessManager::sharedDataModel()->getFavoriteByFavoriteId(2));
    ASSERT_EQ(favourites->favArray().size(), 2u);
    EXPECT_EQ(favourites->favArray()[1]->product_id, 3);
    EXPECT_TRUE(favourites->inEdit());
    EXPECT_EQ(opener->favouriteChanges, 1);

    ASSERT_TRUE(driver->tapButton(text("REMOVEALL")));
    EXPECT_TRUE(DataAccessManager::sharedDataModel()->getFavorites().empty());
    EXPECT_EQ(opener->favouriteChanges, 2);
    EXPECT_EQ(opener->dismissals, 1);
}

TEST_F(ProductTileScreensTest, ATappedFavouriteHandsOnOnlyPublishedProductsWithTheRightIndex)
{
    products(3);
    for (int id = 1; id <= 3; ++id)
        favourite(id);
    ASSERT_TRUE(db()->executeUpdate("UPDATE corvelle_product SET product_publish = 0 WHERE product_id = 2"));
    showFavourites();
    ASSERT_EQ(favourites->favArray().size(), 3u);

    // The unpublished one opens nothing and adds nothing.
    auto gone = favourites->tileWithTag(ProductFavoriteController::kTileTagBase + 1);
    driver->tap(gone->addOrderBtn());
    EXPECT_FALSE(QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder);
    driver->tap(gone->productImageView());
    EXPECT_TRUE(posted.empty());
    EXPECT_EQ(opener->dismissals, 0);

    driver->tap(favourites->tileWithTag(ProductFavoriteController::kTileTagBase + 2)->productImageView());
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].first, 1);
    EXPECT_EQ(posted[0].second, (std::vector<long> { 1, 3 }));
    EXPECT_EQ(opener->dismissals, 1);
    auto request = CatalogLayOut::read(CatalogLayOut::object(posted[0].first,
        { DataAccessManager::sharedDataModel()->getProductByProductId(1),
            DataAccessManager::sharedDataModel()->getProductByProductId(3) }));
    ASSERT_TRUE(request);
    EXPECT_EQ(request->products[static_cast<size_t>(request->index)]->product_id, 3);
}

TEST_F(ProductTileScreensTest, AddingFromATileTakesSingleAttributesOrOpensThePicker)
{
    products(2);
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_fields_product_attribute(field_id,field_name,selection_list,display,published) "
        "VALUES(1,'Color','Red',1,1),(2,'Size','L',1,1),(3,'Wood','Oak,Ash',1,1)"));
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_product_attribute(attribute_id,product_id,attribute_fields_id,selection_list) "
        "VALUES(1,1,1,'Red'),(2,1,2,'L'),(3,2,3,'Oak,Ash')"));
    favourite(1);
    favourite(2);
    showFavourites();
    auto first = favourites->tileWithTag(ProductFavoriteController::kTileTagBase);
    driver->tap(first->addOrderBtn());
    auto order = QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder;
    ASSERT_TRUE(order);
    ASSERT_EQ(order->items.size(), 1u);
    EXPECT_EQ(order->items[0]->attributes, std::optional<std::string>("Color:Red,Size:L"));
    EXPECT_EQ(badge(first), std::optional<std::string>("1"));
    driver->tap(first->addOrderBtn());
    EXPECT_EQ(badge(first), std::optional<std::string>("2"));

    driver->tap(favourites->tileWithTag(ProductFavoriteController::kTileTagBase + 1)->addOrderBtn());
    ASSERT_TRUE(favourites->addToOrderPopController());
    EXPECT_TRUE(favourites->addToOrderPopController()->isPopoverVisible());
    EXPECT_EQ(order->items.size(), 1u);
}

TEST_F(ProductTileScreensTest, AnotherCurrencyIsAskedAboutAndDontSaveStartsANewOrder)
{
    products(2);
    ASSERT_TRUE(db()->executeUpdate("UPDATE corvelle_product_price SET currency = 'USD' WHERE product_id = 2"));
    favourite(1);
    favourite(2);
    showFavourites();
    driver->tap(favourites->tileWithTag(ProductFavoriteController::kTileTagBase)->addOrderBtn());
    driver->tap(favourites->tileWithTag(ProductFavoriteController::kTileTagBase + 1)->addOrderBtn());
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), text("NOTTHESAMEMONEYCY"));
    ASSERT_TRUE(driver->tapAlertButton(text("DONTSAVE")));
    auto order = QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder;
    ASSERT_TRUE(order);
    ASSERT_EQ(order->items.size(), 1u);
    EXPECT_EQ(order->items[0]->currency, std::optional<std::string>("USD"));
    EXPECT_EQ(badge(favourites->tileWithTag(ProductFavoriteController::kTileTagBase)), std::nullopt);
    EXPECT_EQ(
        badge(favourites->tileWithTag(ProductFavoriteController::kTileTagBase + 1)), std::optional<std::string>("1"));
}

TEST_F(ProductTileScreensTest, AValueChosenInThePickerIsCountedOnItsOwnTile)
{
    products(3);
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_fields_product_attribute(field_id,field_name,selection_list,display,published) "
        "VALUES(1,'Wood','Oak,Ash',1,1)"));
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_product_attribute(attribute_id,product_id,attribute_fields_id,selection_list) "
        "VALUES(1,2,1,'Oak,Ash')"));
    showRelated({ 1, 2, 3 });
    auto tile = related->tileWithTag(RelatedProductViewcontroller::kTileTagBase + 1);
    driver->tap(tile->addOrderBtn());
    auto popover = related->addToOrderPopController();
    ASSERT_TRUE(popover && popover->isPopoverVisible());
    auto picker = std::dynamic_pointer_cast<AddToOrderController>(popover->contentViewController());
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->cellIndex(), 3501u);
    driver->tap(picker->attributeView()->viewWithTag(ProductAttributeView::kButtonTagBase));
    driver->advance(0.5);
    ASSERT_TRUE(driver->tapRow(picker->attributeView()->attributeListView(), 1));
    driver->tap(picker->addToOrderBtn());
    auto order = QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder;
    ASSERT_TRUE(order);
    ASSERT_EQ(order->items.size(), 1u);
    EXPECT_EQ(order->items[0]->attributes, std::optional<std::string>("Wood:Ash"));
    EXPECT_EQ(badge(tile), std::optional<std::string>("1"));
    EXPECT_EQ(badge(related->tileWithTag(RelatedProductViewcontroller::kTileTagBase)), std::nullopt);
    // The pop-up stays for another add of the same choice.
    driver->tap(picker->addToOrderBtn());
    EXPECT_EQ(badge(tile), std::optional<std::string>("2"));
}

TEST_F(ProductTileScreensTest, RelatedTilesCountTheOrderAndOpenTheTappedProduct)
{
    products(10);
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    auto seven = DataAccessManager::sharedDataModel()->getProductByProductId(7);
    seven->count = 3;
    ASSERT_TRUE(store->addToOrder(seven));
    showRelated({ 3, 7, 1, 2, 4, 5, 6, 8, 9, 10 });
    EXPECT_EQ(related->relatedScrollView()->contentSize().height, 713);
    auto second = related->tileWithTag(RelatedProductViewcontroller::kTileTagBase + 1);
    ASSERT_TRUE(second);
    EXPECT_FLOAT_EQ(second->frame().origin.x, 10 + 196);
    EXPECT_EQ(badge(second), std::optional<std::string>("3"));
    driver->tap(second->addOrderBtn());
    EXPECT_EQ(badge(second), std::optional<std::string>("4"));

    driver->tap(related->tileWithTag(RelatedProductViewcontroller::kTileTagBase + 2)->productImageView());
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].first, 2);
    EXPECT_EQ(posted[0].second, (std::vector<long> { 3, 7, 1, 2, 4, 5, 6, 8, 9, 10 }));
    EXPECT_EQ(opener->dismissals, 1);
}

}  // namespace
