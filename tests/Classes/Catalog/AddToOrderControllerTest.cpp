#include "CatalogFixture.h"

#include "Classes/Frame/Language.h"
#include "Platform/UIKit/UIImageView.h"
#include "Classes/Catalog/AddToOrderController.h"
#include "Classes/Catalog/ProductAttributeView.h"
#include "Classes/Frame/IconButton.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UITextField.h"

namespace {

class RecordingOpener : public AddToOrderControllerDelegate {
public:
    void addProductToOrderWithProductCellIndex(
        const std::shared_ptr<corvelle_product_Entity>& product, unsigned cellIndex) override
    {
        added.push_back({ product->count, product->attributes.value_or("<none>"), cellIndex });
    }
    struct Add {
        int count;
        std::string attributes;
        unsigned cellIndex;
        bool operator==(const Add&) const = default;
    };
    std::vector<Add> added;
};

}  // namespace

class AddToOrderControllerTest : public CatalogTest {
protected:
    void open(int productId)
    {
        pop = std::make_shared<AddToOrderController>();
        opener = std::make_shared<RecordingOpener>();
        pop->setDelegate(opener);
        pop->setProduct_Entity(product(productId));
        pop->setCellIndex(7);
        showRoot(pop);
    }

    void enterCount(const std::string& typed)
    {
        pop->countTextField()->setText("");
        driver->tap(pop->countTextField());
        driver->typeText(typed);
    }

    std::string alertMessage()
    {
        auto alert = driver->visibleAlert();
        return alert ? alert->message() : std::string("<no alert>");
    }

    std::shared_ptr<AddToOrderController> pop;
    std::shared_ptr<RecordingOpener> opener;
};

TEST_F(AddToOrderControllerTest, QuantityRules)
{
    addProduct(1, "Lamp");
    struct Case {
        std::string typed;
        std::optional<int> added;
        std::string alertKey;  // "" for the validator's own reason
        std::string fieldAfter;
    };
    const Case cases[] = {
        { "0", std::nullopt, "PLEASEINPUTAPOSITIVENUMBER", "0" },
        { "", std::nullopt, "PLEASEINPUTAPOSITIVENUMBER", "" },
        { "abc", std::nullopt, "PLEASEINPUTAPOSITIVENUMBER", "abc" },
        { "3.5", std::nullopt, "", "3.5" },
        { "3.50", 3, "-", "3.50" },
        { "1000000", 1000000, "-", "1000000" },
        { "1000001", std::nullopt, "ORDEROVERMAX", "1000000" },
        // The reading saturates instead of wrapping, so a huge entry meets the cap.
        { "99999999999", std::nullopt, "ORDEROVERMAX", "1000000" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        open(1);
        enterCount(c.typed);
        driver->tap(pop->addToOrderBtn());
        EXPECT_EQ(pop->countTextField()->text(), c.fieldAfter);
        if (c.added) {
            EXPECT_FALSE(driver->visibleAlert());
            ASSERT_EQ(opener->added.size(), 1u);
            EXPECT_EQ(opener->added[0], (RecordingOpener::Add { *c.added, "", 7 }));
        } else {
            EXPECT_TRUE(opener->added.empty());
            if (c.alertKey.empty())
                EXPECT_NE(alertMessage(), "<no alert>");
            else
                EXPECT_EQ(alertMessage(), text(c.alertKey));
            driver->tapAlertButton(text("OK"));
        }
    }
}

TEST_F(AddToOrderControllerTest, MinusStopsAtOneAndPlusHasNoCeiling)
{
    addProduct(1, "Lamp");
    open(1);
    driver->tap(pop->deleteBtn());
    EXPECT_EQ(pop->countTextField()->text(), "1");
    enterCount("1000000");
    driver->tap(pop->addBtn());
    EXPECT_EQ(pop->countTextField()->text(), "1000001");
    driver->tap(pop->addToOrderBtn());
    EXPECT_EQ(alertMessage(), text("ORDEROVERMAX"));
    EXPECT_EQ(pop->countTextField()->text(), "1000000");
}

TEST_F(AddToOrderControllerTest, EveryOfferedAttributeNeedsAValueBeforeTheAdd)
{
    addProduct(1, "Shirt");
    addAttribute(1, 1, "Colour", "Red,Blue");
    addAttribute(1, 2, "Size", "L");
    addAttribute(1, 3, "Fit", std::nullopt);  // offers nothing to pick, so it cannot block the add
    open(1);
    driver->tap(pop->addToOrderBtn());
    EXPECT_TRUE(opener->added.empty());
    EXPECT_TRUE(toastShowing(text("CHOOSEATTRIBUTE")));
    ASSERT_TRUE(pop->lastFlashBox());
    EXPECT_EQ(pop->lastFlashBox()->frame(), CGRectMake(10, 10, 180, 80));
    EXPECT_EQ(pop->lastFlashBox()->animationKeys().size(), 3u);

    auto picker = pop->attributeView();
    driver->tap(picker->viewWithTag(ProductAttributeView::kButtonTagBase));
    ASSERT_TRUE(picker->showList());
    driver->advance(0.5);
    ASSERT_TRUE(driver->tapRow(picker->attributeListView(), 1));
    EXPECT_FALSE(picker->showList());
    driver->tap(pop->addToOrderBtn());
    ASSERT_EQ(opener->added.size(), 1u);
    EXPECT_EQ(opener->added[0], (RecordingOpener::Add { 1, "Colour:Blue,Size:L", 7 }));
    // The pop-up stays open: a second press adds again.
    driver->tap(pop->addToOrderBtn());
    EXPECT_EQ(opener->added.size(), 2u);
}

TEST_F(AddToOrderControllerTest, PreparingAttributesForTheRules)
{
    addProduct(1, "Plain");
    addProduct(2, "Single values");
    addAttribute(2, 1, "Colour", "Red");
    addAttribute(2, 2, "Size", "  ");
    addAttribute(2, 3, "Fit", "Slim");
    addProduct(3, "Trailing comma");
    addAttribute(3, 1, "Colour", "Red,");
    struct Case {
        int productId;
        bool needsChoice;
        std::string attributes;
    } const cases[] = {
        { 1, false, "" },
        { 2, false, "Colour:Red,Fit:Slim" },
        { 3, true, "<none>" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.productId);
        auto p = product(c.productId);
        EXPECT_EQ(AddToOrderController::prepareAttributes(*p), c.needsChoice);
        EXPECT_EQ(p->count, 1);
        EXPECT_EQ(p->attributes.value_or("<none>"), c.attributes);
    }
}
