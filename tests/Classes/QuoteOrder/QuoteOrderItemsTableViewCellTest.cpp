#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/RKTextField.h"
#include "Classes/QuoteOrder/QuoteOrderItemsTableViewCell.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UILabel.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

class RecordingEditor : public QuoteOrderItemDelegate {
public:
    void tapImage(long tag) override { events.push_back("tap " + std::to_string(tag)); }
    void QuoteOrderItemCellBeginEdit(const std::shared_ptr<QuoteOrderItemsTableViewCell>&) override
    {
        events.push_back("begin");
    }
    void QuoteOrderItemCellChanged(const std::shared_ptr<QuoteOrderItemsTableViewCell>& cell) override
    {
        events.push_back("changed");
        quantitiesTold.push_back(cell->quoteOrderItem()->quantity);
    }
    std::vector<std::string> events;
    std::vector<int> quantitiesTold;
};

class QuoteOrderItemsTableViewCellTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        host = std::make_shared<UIViewController>();
        showRoot(host);
        editor = std::make_shared<RecordingEditor>();
    }

    // A line of 3 at `price` list, `finalPrice` charged, in US dollars.
    static std::shared_ptr<QuoteOrderItemEntity> line(double price, double finalPrice, int quantity = 3)
    {
        auto item = std::make_shared<QuoteOrderItemEntity>();
        item->product = std::make_shared<corvelle_product_Entity>();
        item->product->product_id = 7;
        item->product->product_name = "Brass lamp";
        item->sku = "LMP-7";
        item->attributes = "colour:brass";
        item->currency = "USD";
        item->price = price;
        item->finalPrice = finalPrice;
        item->quantity = quantity;
        return item;
    }

    // Sets the cell up as the editor does, on screen.
    std::shared_ptr<QuoteOrderItemsTableViewCell> show(
        std::shared_ptr<QuoteOrderItemEntity> item, bool readOnly = false, bool couldModifyPrice = true)
    {
        auto cell = QuoteOrderItemsTableViewCell::make();
        cell->setFrame(CGRectMake(0, 100, 1024, 100));
        cell->setDelegate(editor);
        cell->setTag(6502);
        const bool nullPrice = item->price < 0;
        cell->setQuoteOrderItem(std::move(item));
        cell->setReadOnly(readOnly);
        cell->setCouldModifyPrice(couldModifyPrice);
        cell->setIsNullPrice(nullPrice);
        cell->fitDiscountPrice();
        host->view()->addSubview(cell);
        driver->settle();
        return cell;
    }

    // Taps the field, replaces its text as the salesperson would, and presses return.
    void enter(const std::shared_ptr<RKTextField>& field, const std::string& text)
    {
        driver->tap(field);
        ASSERT_TRUE(field->isFirstResponder());
        for (size_t i = field->text().size(); i > 0; --i)
            driver->pressBackspace();
        driver->typeText(text);
        driver->pressReturn();
        driver->advance(0.5);
    }

    void dismissAlert()
    {
        ASSERT_TRUE(driver->tapAlertButton("OK"));
        driver->advance(0.5);
    }

    std::shared_ptr<UIViewController> host;
    std::shared_ptr<RecordingEditor> editor;
};

TEST_F(QuoteOrderItemsTableViewCellTest, FillsFromTheLine)
{
    auto cell = show(line(1234.5, 1049.33, 1234));
    EXPECT_EQ(cell->nameLabel()->text(), "Brass lamp");
    EXPECT_EQ(cell->skuLabel()->text(), "LMP-7");
    EXPECT_EQ(cell->priceLabel()->text(), "$1,234.50");
    EXPECT_EQ(cell->lblDiscountCurrency()->text(), "$");
    EXPECT_EQ(cell->txtDiscountPrice()->text(), "1,049.33");
    EXPECT_EQ(cell->quantityTextField()->text(), "1,234");
    EXPECT_EQ(cell->subTotalLabel()->text(), "$1,294,873.22");
    EXPECT_EQ(cell->txtDiscountRat()->text(), "85.00");

    // The price field is fitted against the subtotal with the currency sign just before it.
    const CGRect price = cell->txtDiscountPrice()->frame();
    EXPECT_DOUBLE_EQ(price.origin.x + price.size.width, 900 - 10);
    EXPECT_DOUBLE_EQ(cell->lblDiscountCurrency()->frame().origin.x + 10, price.origin.x);

    driver->tap(cell->imageImageView());
    EXPECT_EQ(editor->events, std::vector<std::string> { "tap 6502" });
}

// Every case edits one field of a fresh line and checks the fields and the line after the edit.
TEST_F(QuoteOrderItemsTableViewCellTest, PricingRules)
{
    enum Field { Quantity, Rate, Price };
    struct Case {
        const char* name;
        double listPrice;
        Field field;
        const char* typed;
        const char* rateShown;
        const char* priceShown;
        const char* quantityShown;
        double discontRat;
        double finalPrice;
        int quantity;
    };
    const Case cases[] = {
        { "rate 85", 1234.5, Rate, "85", "85.00", "1049.33", "3", 85, 1049.33, 3 },
        { "rate above 100", 1234.5, Rate, "150", "100.00", "1234.50", "3", 100, 1234.5, 3 },
        { "rate with two decimals", 200, Rate, "12.50", "12.50", "25.00", "3", 12.5, 25, 3 },
        { "price above list", 1234.5, Price, "2000", "100.00", "1,234.50", "3", 100, 1234.5, 3 },
        { "price 0", 200, Price, "0", "100.00", "0.00", "3", 100, 0, 3 },
        { "list price 0", 0, Price, "5", "100.00", "0.00", "3", 100, 0, 3 },
        { "rate rounded to whole", 200, Price, "99.99", "50.00", "99.99", "3", 50, 99.99, 3 },
        { "quantity grouped", 200, Quantity, "1234", "100.00", "200.00", "1,234", 100, 200, 1234 },
        { "quantity 0", 200, Quantity, "0", "100.00", "200.00", "0", 100, 200, 0 },
        { "quantity above a million", 200, Quantity, "1000001", "100.00", "200.00", "1,000,001", 100, 200, 1000001 },
        { "quantity past the int range", 200, Quantity, "99999999999", "100.00", "200.00", "2,147,483,647", 100, 200,
            INT_MAX },
        { "quantity with decimals", 200, Quantity, "12.50", "100.00", "200.00", "12", 100, 200, 12 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto item = line(c.listPrice, c.listPrice);
        auto cell = show(item);
        editor->events.clear();
        const auto field = c.field == Quantity ? cell->quantityTextField()
            : c.field == Rate                  ? cell->txtDiscountRat()
                                               : cell->txtDiscountPrice();
        enter(field, c.typed);
        EXPECT_FALSE(driver->visibleAlert());
        EXPECT_EQ(cell->txtDiscountRat()->text(), c.rateShown);
        EXPECT_EQ(cell->txtDiscountPrice()->text(), c.priceShown);
        EXPECT_EQ(cell->quantityTextField()->text(), c.quantityShown);
        EXPECT_DOUBLE_EQ(item->storedDiscontRat(), c.discontRat);
        EXPECT_DOUBLE_EQ(item->finalPrice, c.finalPrice);
        EXPECT_EQ(item->quantity, c.quantity);
        EXPECT_EQ(cell->subTotalLabel()->text(), "$" + PublicFunction::doubleFormate(c.finalPrice * c.quantity));
        EXPECT_EQ(editor->events, (std::vector<std::string> { "begin", "changed" }));
        cell->removeFromSuperview();
    }
}

TEST_F(QuoteOrderItemsTableViewCellTest, TextThatFailsTheCheckLeavesTheLineAsItWas)
{
    auto item = line(200, 170, 1234);
    auto cell = show(item);
    struct Case {
        std::shared_ptr<RKTextField> field;
        const char* typed;
    };
    const Case cases[] = {
        { cell->quantityTextField(), "" },
        { cell->quantityTextField(), "abc" },
        { cell->quantityTextField(), "-3" },
        { cell->quantityTextField(), "12.5" },
        { cell->quantityTextField(), "1,000" },
        { cell->txtDiscountRat(), "12.5" },
        { cell->txtDiscountPrice(), "-1" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string before = c.field->text();
        editor->events.clear();
        enter(c.field, c.typed);
        auto alert = driver->visibleAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->tag(), RKTextField::kAlertTag);
        EXPECT_EQ(c.field->text(), before) << "the old text comes back with its grouping";
        EXPECT_EQ(item->quantity, 1234);
        EXPECT_DOUBLE_EQ(item->finalPrice, 170);
        EXPECT_EQ(editor->events, (std::vector<std::string> { "begin", "changed" }))
            << "the editor is told all the same";
        dismissAlert();
    }
    // Editing starts from the number without grouping.
    driver->tap(cell->quantityTextField());
    EXPECT_EQ(cell->quantityTextField()->text(), "1234");
    EXPECT_EQ(cell->editingFieldOldValue(), "1,234");
}

TEST_F(QuoteOrderItemsTableViewCellTest, ALineWithoutAPriceStoresNothingButItsQuantity)
{
    auto item = line(-1, 12);
    auto cell = show(item);
    for (const auto& shown :
        { cell->priceLabel()->text(), cell->txtDiscountRat()->text(), cell->txtDiscountPrice()->text() })
        EXPECT_EQ(shown, "-");
    EXPECT_EQ(cell->percentLabel()->text(), "");
    EXPECT_EQ(cell->lblDiscountCurrency()->text(), "");
    EXPECT_FALSE(cell->txtDiscountRat()->isEnabled());
    EXPECT_FALSE(cell->txtDiscountPrice()->isEnabled());

    enter(cell->quantityTextField(), "5");
    EXPECT_EQ(item->quantity, 5);
    EXPECT_DOUBLE_EQ(item->storedDiscontRat(), 0);
    EXPECT_DOUBLE_EQ(item->finalPrice, 0);
    EXPECT_DOUBLE_EQ(item->subtotal(), 0);
}

TEST_F(QuoteOrderItemsTableViewCellTest, FieldStatesFollowReadOnlyAndPriceEditing)
{
    struct Case {
        bool readOnly;
        bool couldModifyPrice;
        bool quantityEditable;
        bool priceEditable;
    };
    for (const Case c :
        { Case { true, true, false, false }, Case { false, true, true, true }, Case { false, false, true, false } }) {
        SCOPED_TRACE(testing::Message() << "readOnly " << c.readOnly << " couldModifyPrice " << c.couldModifyPrice);
        auto cell = show(line(1234567.89, 1234567.89), c.readOnly, c.couldModifyPrice);
        const auto check = [](const std::shared_ptr<RKTextField>& field, bool editable, CGFloat x, CGFloat width) {
            EXPECT_EQ(field->isEnabled(), editable);
            EXPECT_EQ(field->borderStyle(), editable ? UITextBorderStyleRoundedRect : UITextBorderStyleNone);
            if (width > 0)
                EXPECT_EQ(field->frame(), CGRectMake(x, editable ? 38 : 40, width, 30));
            else
                EXPECT_DOUBLE_EQ(field->frame().origin.y, editable ? 38 : 40);
        };
        check(cell->quantityTextField(), c.quantityEditable, 480, 60);
        check(cell->txtDiscountRat(), c.priceEditable, 667, 68);
        check(cell->txtDiscountPrice(), c.priceEditable, 0, 0);
        // A wide price is fitted to at most 100 points of text.
        EXPECT_LE(cell->txtDiscountPrice()->frame().size.width, c.priceEditable ? 115 : 100);
        cell->removeFromSuperview();
    }
}

}  // namespace
