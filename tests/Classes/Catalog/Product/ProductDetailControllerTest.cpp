// The product detail driven as a person would: the price with its
// strike-through, the image strip and its snapping, the description headings,
// the tag bar, previous and next through a list, compare and favourite
// toggles, and the order corner (quantity rules, the missing-attribute box,
// the currency question, editing an order's line). Pictures of the screen are
// left for a person to look at.

#include "ProductFixture.h"

#include "Classes/Catalog/AttributedStringView.h"
#include "Classes/Catalog/InventoryViewController.h"
#include "Classes/Catalog/MultiColumnTableView.h"
#include "Classes/Catalog/MultiColumnTableViewCell.h"
#include "Classes/Catalog/MultiColumnTableViewContentBackgroundView.h"
#include "Classes/Catalog/ProductAttributeView.h"
#include "Classes/Catalog/ProductDescView.h"
#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/UIToast.h"
#include "Platform/UIKit/UITextView.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/NSAttributedString.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UINavigationController.h"

using namespace ProductSeed;

namespace {

class RecordingDetailDelegate : public ProductDetailDelegate {
public:
    void saveOrderItemIndex(const std::shared_ptr<corvelle_product_Entity>& product, int index) override
    {
        saved.emplace_back(product->count, index);
        attributes = product->attributes;
    }
    void back() override { ++backs; }
    std::vector<std::pair<int, int>> saved;
    std::optional<std::string> attributes;
    int backs = 0;
};

class ProductDetailControllerTest : public ProductFixture {
protected:
    void SetUp() override
    {
        ProductFixture::SetUp();
        product(1, "CH-01", "Oak chair", 12, "Solid oak.", "Hand finished in our own workshop.");
        product(2, "DK-02", "Pine desk", 3);
        product(3, "LM-03", "Brass lamp", 7);
        price(1, 1234.5, "CNY", 999, true);
        price(2, 20, "USD");
    }

    std::shared_ptr<ProductDetailController> open(
        int productId, std::optional<std::vector<int>> list = std::nullopt, int index = 0)
    {
        auto data = DataAccessManager::sharedDataModel();
        detail = std::make_shared<ProductDetailController>();
        auto entity = data->getProductByProductId(productId);
        detail->setProductEntity(entity);
        detail->setProductID(productId);
        if (list) {
            ProductDetailController::ProductList products;
            for (int id : *list)
                products.push_back(data->getProductByProductId(id));
            detail->setProductArray(products);
            detail->setTag(index);
            detail->setProductCount(static_cast<int>(products.size()));
        } else {
            detail->setProductCount(1);
        }
        detail->setLblTitle(title);
        if (pendingTag)
            detail->setCurrentTag(pendingTag);
        navigation = UINavigationController::withRootViewController(std::make_shared<UIViewController>());
        showRoot(navigation);
        navigation->pushViewControllerAnimated(detail, false);
        driver->settle();
        return detail;
    }

    void typeQuantity(const std::string& value)
    {
        detail->countTextField()->setText("");
        driver->tap(detail->countTextField());
        driver->typeText(value);
        detail->countTextField()->resignFirstResponder();
        // The screen slides back down from above the keyboard and takes touches again after.
        driver->advance(0.3);
    }

    std::string alertMessage()
    {
        auto alert = driver->visibleAlert();
        return alert ? alert->message() : "<no alert>";
    }

    std::shared_ptr<QuoteOrderStore> store() { return QuoteOrderStore::sharedQuoteOrderStore(); }

    // Whether a toast on the window shows `text`.
    bool toastShows(const std::string& text) const
    {
        for (const auto& sub : window->subviews()) {
            auto toast = std::dynamic_pointer_cast<UIToast>(sub);
            auto view = toast ? std::dynamic_pointer_cast<UITextView>(toast->animationView()) : nullptr;
            if (view && view->text() == text)
                return true;
        }
        return false;
    }

    // What the add button's badge shows, if anything.
    std::optional<std::string> badge() const
    {
        const auto& button = detail->addToOrderBtn();
        if (!button->badgeView() || button->badgeView()->isHidden())
            return std::nullopt;
        return button->badgeLabel()->text();
    }

    std::shared_ptr<UILabel> title = std::make_shared<UILabel>(CGRectMake(0, 0, 400, 30));
    std::optional<std::string> pendingTag;
    std::shared_ptr<ProductDetailController> detail;
    std::shared_ptr<UINavigationController> navigation;
};

TEST_F(ProductDetailControllerTest, ShowsNameSkuAndAStruckThroughPriceBesideTheDiscount)
{
    open(1);
    EXPECT_EQ(detail->productNameLabel()->text(), "Oak chair");
    EXPECT_EQ(detail->skuLabel()->text(), "CH-01");
    EXPECT_EQ(detail->priceLabel()->text(), "¥1,234.50");
    EXPECT_EQ(detail->discountprice()->text(), "¥999.00");
    EXPECT_FALSE(detail->priceLabel()->subviews().empty());  // the strike-through line
    EXPECT_GT(detail->discountprice()->frame().origin.x, detail->priceLabel()->frame().origin.x + 20);
    EXPECT_TRUE(driver->findLabel(text("NAME") + ":"));
    // A single product: no arrows.
    EXPECT_TRUE(detail->tapToLeftProduct()->isHidden());
    EXPECT_TRUE(detail->tapToRightProduct()->isHidden());
    driver->renderToPNG(UIDriver::snapshotPath("product-detail.png"));
}

TEST_F(ProductDetailControllerTest, PricesWithoutDiscountOrWithoutPriceAndBlankSkus)
{
    product(4, "  ", "No price", 1);
    price(4, -1, "USD");
    open(2);
    EXPECT_EQ(detail->priceLabel()->text(), "$20.00");
    EXPECT_TRUE(detail->priceLabel()->subviews().empty());
    EXPECT_EQ(detail->discountprice()->frame().size.width, 0);

    open(4);
    EXPECT_TRUE(detail->priceLabel()->isHidden());
    EXPECT_TRUE(detail->priceTittle()->isHidden());
    EXPECT_TRUE(detail->skuTittle()->isHidden());
}

TEST_F(ProductDetailControllerTest, DescriptionHeadingsAndTheNoDescriptionView)
{
    open(1);
    driver->renderToPNG(UIDriver::snapshotPath("product-detail-description.png"));
    auto box = detail->descriptionView();
    auto shown = std::dynamic_pointer_cast<AttributedStringView>(box->contentView());
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->attributedString()->string(),
        text("DESCRIPTION") + ":\nSolid oak.\n\n" + text("DETAILS") + ":\nHand finished in our own workshop.");
    EXPECT_TRUE(shown->attributedString()->attributesAtIndex(0).font->italic);
    EXPECT_EQ(shown->attributedString()->attributesAtIndex(text("DESCRIPTION").size() + 3).font->size, 14);

    open(2);
    driver->renderToPNG(UIDriver::snapshotPath("product-detail-no-description.png"));
    EXPECT_FALSE(std::dynamic_pointer_cast<AttributedStringView>(detail->descriptionView()->contentView()));
    ASSERT_TRUE(detail->descriptionView()->contentView());
    EXPECT_EQ(
        detail->descriptionView()->contentView()->frame(), CGRectInset(detail->descriptionView()->bounds(), 2, 2));
    EXPECT_FALSE(detail->descriptionView()->isScrollEnabled());
}

TEST_F(ProductDetailControllerTest, OnlyALongDescriptionStartsWithALineBreak)
{
    ProductDescView box(CGRectMake(0, 0, 352, 137));
    box.setLongDesc(std::string("B"));
    EXPECT_EQ(box.getAttributedDesc()->string(), "\n" + text("DETAILS") + ":\nB");
}

TEST_F(ProductDetailControllerTest, TheImageStripSnapsToCellBoundsAndSwapsTheMainImage)
{
    for (int i = 0; i < 6; ++i) {
        image(10 + i, 1, "t" + std::to_string(i) + ".png", "f" + std::to_string(i) + ".png", i == 0);
        imageFile("f" + std::to_string(i) + ".png", CGSizeMake(40 + 10 * i, 30), UIColor::blueColor());
        imageFile("t" + std::to_string(i) + ".png", CGSizeMake(20, 20), UIColor::greenColor());
    }
    open(1);
    auto strip = detail->manyImagesView();
    ASSERT_FALSE(strip->isHidden());
    EXPECT_EQ(strip->contentSize().width, 6 * 128 - 8);
    ASSERT_EQ(detail->productImageView()->image()->size(), CGSizeMake(40, 30));

    struct Case {
        CGFloat proposed, rest;
    };
    for (auto c : { Case { 100, 128 }, Case { 60, 0 }, Case { -20, 0 }, Case { 200, 256 }, Case { 140, 128 } }) {
        CGPoint target = CGPointMake(c.proposed, 0);
        detail->scrollViewWillEndDraggingWithVelocityTargetContentOffset(*strip, CGPointZero, &target);
        EXPECT_EQ(target.x, c.rest) << c.proposed;
    }

    auto third = std::static_pointer_cast<ProductDetailManyImageCell>(strip->viewWithTag(102));
    ASSERT_TRUE(third);
    driver->tap(third);
    EXPECT_EQ(detail->imgIndex(), 2);
    EXPECT_TRUE(third->isFocus());
    EXPECT_FALSE(std::static_pointer_cast<ProductDetailManyImageCell>(strip->viewWithTag(100))->isFocus());
    EXPECT_EQ(detail->productImageView()->image()->size(), CGSizeMake(60, 30));
}

TEST_F(ProductDetailControllerTest, OneImageHidesTheStripAndNoImageShowsTheDefault)
{
    image(10, 1, "t.png", "f.png", true);
    imageFile("f.png", CGSizeMake(40, 30), UIColor::blueColor());
    open(1);
    EXPECT_TRUE(detail->manyImagesView()->isHidden());
    open(2);
    EXPECT_TRUE(detail->manyImagesView()->isHidden());
    ASSERT_TRUE(detail->productImageView()->image());
    EXPECT_EQ(detail->productImageView()->image()->size(), CGSizeMake(120, 150));
}

TEST_F(ProductDetailControllerTest, TheTagBarPutsTheCatalogueTagFirstAndPostsATappedTag)
{
    ASSERT_TRUE(db()->executeUpdate("INSERT INTO corvelle_product_tag(tag_id,tag_name) VALUES(1,'A'),(2,'B'),(3,'X')"));
    ASSERT_TRUE(db()->executeUpdate("INSERT INTO corvelle_product_related_tag(product_id,tag_id) VALUES(1,1),(1,2)"));
    std::vector<std::string> posted;
    NSNotificationCenter::defaultCenter().addObserver(
        this, "detailOnClickTagListener", [&](const NSNotification& n) { posted.push_back(n.object.stringValue()); });
    pendingTag = "X";
    open(1);
    ASSERT_TRUE(detail->dataArray());
    EXPECT_EQ(*detail->dataArray(), (std::vector<std::string> { "X", "A", "B" }));
    std::vector<std::string> titles;
    for (const auto& sub : detail->tagsChooseView()->subviews()) {
        if (auto button = std::dynamic_pointer_cast<UIButton>(sub))
            titles.push_back(button->currentTitle() + (button->isSelected() ? "*" : ""));
    }
    EXPECT_EQ(titles, (std::vector<std::string> { "X*", "A", "B" }));

    ASSERT_TRUE(driver->tapButton("B"));
    EXPECT_EQ(posted, (std::vector<std::string> { "B" }));
    EXPECT_EQ(detail->currentIndex(), 2);
    ASSERT_TRUE(driver->tapButton("B"));
    EXPECT_EQ(posted.size(), 1u);
    NSNotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(ProductDetailControllerTest, ArrowsStepThroughTheListAndBounceAtItsEnds)
{
    open(2, std::vector<int> { 1, 2, 3 }, 1);
    EXPECT_FALSE(detail->tapToLeftProduct()->isHidden());
    driver->tap(detail->tapToRightProduct());
    EXPECT_EQ(detail->tag(), 2);
    EXPECT_EQ(detail->productNameLabel()->text(), "Brass lamp");
    EXPECT_TRUE(detail->tapToRightProduct()->isHidden());
    driver->advance(0.5);
    EXPECT_EQ(title->text(), "Brass lamp  ( 3 / 3 )");

    driver->tap(detail->tapToLeftProduct());
    driver->tap(detail->tapToLeftProduct());
    EXPECT_EQ(detail->tag(), 0);
    EXPECT_EQ(detail->productID(), 1);
    EXPECT_TRUE(detail->tapToLeftProduct()->isHidden());
    // A right swipe at the first product bounces.
    driver->dragFrom(CGPointMake(300, 300), CGPointMake(700, 310), 4, 0.1);
    EXPECT_EQ(detail->tag(), 0);
    EXPECT_TRUE(detail->view()->layer()->animationForKey("BouceToRight"));
}

TEST_F(ProductDetailControllerTest, CompareAndFavouriteToggleWithTheirToasts)
{
    open(1);
    driver->tap(detail->compareBtn());
    EXPECT_TRUE(detail->compareBtn()->isSelected());
    EXPECT_TRUE(DataAccessManager::sharedDataModel()->getCompareByCompareId(1));
    driver->tap(detail->compareBtn());
    EXPECT_FALSE(detail->compareBtn()->isSelected());
    EXPECT_FALSE(DataAccessManager::sharedDataModel()->getCompareByCompareId(1));

    driver->tap(detail->favBtn());
    EXPECT_TRUE(detail->favBtn()->isSelected());
    driver->advance(0.3);
    EXPECT_TRUE(toastShows(text("PRODUCTADDEDTOFAVSUCCESS")));
    open(1);
    EXPECT_TRUE(detail->favBtn()->isSelected());
}

TEST_F(ProductDetailControllerTest, QuantityRulesDecideWhatReachesTheOrder)
{
    open(1);
    struct Case {
        std::string typed;
        std::string alert;  // empty: added
        int inOrder;
        std::string fieldAfter;
    };
    const Case cases[] = {
        { "0", text("PLEASEINPUTAPOSITIVENUMBER"), 0, "0" },
        { "", text("PLEASEINPUTAPOSITIVENUMBER"), 0, "" },
        { "abc", text("PLEASEINPUTAPOSITIVENUMBER"), 0, "abc" },
        { "-3", text("PLEASEINPUTAPOSITIVENUMBER"), 0, "-3" },
        { "1000001", text("ORDEROVERMAX"), 0, "1000000" },
        { "12.50", "", 12, "12.50" },
        { "1000000", "", 1000012, "1000000" },
    };
    for (const auto& c : cases) {
        typeQuantity(c.typed);
        driver->tap(detail->addToOrderBtn());
        if (c.alert.empty()) {
            EXPECT_FALSE(driver->visibleAlert()) << c.typed;
        } else {
            EXPECT_EQ(alertMessage(), c.alert) << c.typed;
            driver->tapAlertButton(text("OK"));
        }
        EXPECT_EQ(detail->countTextField()->text(), c.fieldAfter) << c.typed;
        auto probe = DataAccessManager::sharedDataModel()->getProductByProductId(1);
        store()->getItemNumberInOrder(*probe);
        EXPECT_EQ(probe->itemNumberInOrder, static_cast<unsigned>(c.inOrder)) << c.typed;
    }
    EXPECT_EQ(badge(), std::optional<std::string>("1000012"));
}

TEST_F(ProductDetailControllerTest, MinusStopsAtOneAndPlusHasNoBound)
{
    open(1);
    ASSERT_TRUE(detail->deleteBtn());
    driver->tap(detail->deleteBtn());
    EXPECT_EQ(detail->countTextField()->text(), "1");
    typeQuantity("1000000");
    driver->tap(detail->addBtn());
    EXPECT_EQ(detail->countTextField()->text(), "1000001");
    driver->tap(detail->deleteBtn());
    driver->tap(detail->deleteBtn());
    EXPECT_EQ(detail->countTextField()->text(), "999999");
}

TEST_F(ProductDetailControllerTest, TheBadgeCountsWhatTheOrderHoldsAndGrowsWithEachAdd)
{
    open(1);
    typeQuantity("3");
    driver->tap(detail->addToOrderBtn());
    typeQuantity("2");
    driver->tap(detail->addToOrderBtn());
    EXPECT_EQ(badge(), std::optional<std::string>("5"));
    open(1);
    EXPECT_EQ(badge(), std::optional<std::string>("5"));
    open(2);
    EXPECT_FALSE(badge());
}

TEST_F(ProductDetailControllerTest, AnotherCurrencyAsksAndEitherAnswerAddsTheProduct)
{
    open(1);
    driver->tap(detail->addToOrderBtn());
    ASSERT_TRUE(store()->curQuoteOrder);
    const auto firstOrder = store()->curQuoteOrder;

    open(2);  // USD against an order in CNY
    driver->tap(detail->addToOrderBtn());
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->tag(), ProductDetailController::kCurrencyAlertTag);
    EXPECT_EQ(alert->message(), text("NOTTHESAMEMONEYCY"));
    ASSERT_TRUE(driver->tapAlertButton(text("SAVE")));
    ASSERT_TRUE(store()->curQuoteOrder);
    EXPECT_NE(store()->curQuoteOrder, firstOrder);
    ASSERT_EQ(store()->curQuoteOrder->items.size(), 1u);
    EXPECT_EQ(store()->curQuoteOrder->items[0]->currency, std::optional<std::string>("USD"));
    EXPECT_EQ(db()->intForQuery("select count(*) from corvelle_quote_order"), 1);

    open(1);  // back to CNY: throw the USD order away
    driver->tap(detail->addToOrderBtn());
    ASSERT_TRUE(driver->tapAlertButton(text("DONTSAVE")));
    ASSERT_EQ(store()->curQuoteOrder->items.size(), 1u);
    EXPECT_EQ(store()->curQuoteOrder->items[0]->currency, std::optional<std::string>("CNY"));
    EXPECT_EQ(db()->intForQuery("select count(*) from corvelle_quote_order"), 1);
}

TEST_F(ProductDetailControllerTest, AMissingAttributeIsBoxedAndNothingIsAdded)
{
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_fields_product_attribute(field_id,field_name,selection_list,display,published) "
        "VALUES(1,'Colour','Red,Blue',1,1),(2,'Size','S,M',1,1),(3,'Wood','Oak,Ash',1,1),(4,'Finish','Oil,Wax',1,1)"));
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_product_attribute(attribute_id,product_id,attribute_fields_id,selection_list) "
        "VALUES(1,1,1,'Red,Blue'),(2,1,2,'S,M'),(3,1,3,'Oak,Ash'),(4,1,4,'Oil,Wax')"));
    open(1);
    ASSERT_EQ(detail->attributeView()->attributeAry().size(), 4u);
    struct Case {
        std::vector<std::string> chosen;  // field:value pairs given before the add
        CGPoint box;
    };
    const Case cases[] = { { {}, CGPointMake(605, 397) }, { { "Colour:Red" }, CGPointMake(803, 397) },
        { { "Colour:Red", "Size:M" }, CGPointMake(605, 475) },
        { { "Colour:Red", "Size:M", "Wood:Oak" }, CGPointMake(803, 475) } };
    for (const auto& c : cases) {
        EntityList<product_attribute_cell_Entity> values;
        for (const auto& pair : c.chosen) {
            auto cell = std::make_shared<product_attribute_cell_Entity>();
            cell->fieldName = pair.substr(0, pair.find(':'));
            cell->attributeValue = pair.substr(pair.find(':') + 1);
            values.push_back(cell);
        }
        detail->attributeView()->setAttributeValues(values);
        driver->tap(detail->addToOrderBtn());
        driver->advance(0.3);
        ASSERT_TRUE(detail->attributeHighlightLayer());
        EXPECT_EQ(detail->attributeHighlightLayer()->frame().origin, c.box);
        EXPECT_EQ(detail->attributeHighlightLayer()->frame().size, CGSizeMake(180, 80));
        EXPECT_TRUE(toastShows(text("CHOOSEATTRIBUTE")));
        EXPECT_FALSE(store()->curQuoteOrder && store()->curQuoteOrder->hasItems());
        driver->advance(3);
    }
}

TEST_F(ProductDetailControllerTest, EditModeHandsTheLineBackAndRefusesBadQuantities)
{
    auto editor = std::make_shared<RecordingDetailDelegate>();
    open(2);
    detail->setDelegate(editor);
    detail->setIsInEdit(true);
    detail->setItemIndex(4);
    EXPECT_EQ(detail->addToOrderBtn()->iconType(), 2);

    for (const char* bad : { "-3", "abc", "0" }) {
        typeQuantity(bad);
        driver->tap(detail->addToOrderBtn());
        EXPECT_EQ(alertMessage(), text("PLEASEINPUTAPOSITIVENUMBER")) << bad;
        driver->tapAlertButton(text("OK"));
    }
    typeQuantity("1000001");
    driver->tap(detail->addToOrderBtn());
    EXPECT_EQ(alertMessage(), text("ORDEROVERMAX"));
    driver->tapAlertButton(text("OK"));
    EXPECT_TRUE(editor->saved.empty());

    typeQuantity("7");
    driver->tap(detail->addToOrderBtn());
    EXPECT_EQ(editor->saved, (std::vector<std::pair<int, int>> { { 7, 4 } }));
    EXPECT_EQ(editor->backs, 1);
    // Nothing went into the current order.
    EXPECT_FALSE(store()->curQuoteOrder && store()->curQuoteOrder->hasItems());
}

TEST_F(ProductDetailControllerTest, TheInventoryOpensOneProductWithoutArrowsAndComesBack)
{
    auto inventory = std::make_shared<InventoryViewController>();
    navigation = UINavigationController::withRootViewController(inventory);
    showRoot(navigation);
    auto body = inventory->tblView()->tblView();
    body->layoutIfNeeded();
    auto cell = std::dynamic_pointer_cast<MultiColumnTableViewCell>(
        body->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(1, 0)));
    ASSERT_TRUE(cell);
    driver->tap(cell->columnCells()[1]->subviews().front());
    driver->advance(1);
    auto shown = std::dynamic_pointer_cast<ProductDetailController>(navigation->topViewController());
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->productID(), 2);
    EXPECT_TRUE(shown->tapToLeftProduct()->isHidden());
    EXPECT_TRUE(shown->tapToRightProduct()->isHidden());
    const auto& attached = shown->view()->gestureRecognizers();
    for (const auto& swipe : shown->swipeGestureRecognizers())
        EXPECT_EQ(std::find(attached.begin(), attached.end(), swipe), attached.end());
    EXPECT_FALSE(navigation->isNavigationBarHidden());

    // It adds to the order like the catalogue does.
    driver->tap(shown->addToOrderBtn());
    ASSERT_TRUE(store()->curQuoteOrder);
    EXPECT_EQ(store()->curQuoteOrder->items.size(), 1u);

    ASSERT_TRUE(driver->tapBarButton(text("BACK")));
    driver->advance(1);
    EXPECT_EQ(navigation->topViewController(), inventory);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
}

}  // namespace
