#include "QuoteOrderFixture.h"

#include "../Customer/CustomerSeed.h"
#include "Classes/Catalog/ProductAttributeView.h"
#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/RKTextField.h"
#include "Classes/Frame/SearchResultTableView.h"
#include "Classes/QuoteOrder/DiscountPopController.h"
#include "Classes/QuoteOrder/QuoteOrderItemsTableViewCell.h"
#include "Classes/QuoteOrder/QuoteOrderPDFViewController.h"
#include "Classes/QuoteOrder/QuoteOrderViewController.h"
#include "Database/ConfigEntity.h"
#include "Database/ConfigManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIKeyboard.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "support/RunLoopPump.h"

namespace {

// Product 10 sells at 50 CNY beside product 7 (10, now 8 CNY). One stored
// customer with a default address. Customers and price editing are switched on.
class QuoteOrderViewControllerTest : public QuoteOrderStoreTest {
protected:
    void SetUp() override
    {
        QuoteOrderStoreTest::SetUp();
        ASSERT_TRUE(db->executeUpdate("insert into corvelle_product_price (price_id, product_id, price, currency, "
                                      "discount_price, discount_start_date, "
                                      "discount_end_date) values (3, 10, 50.0, 'CNY', 0, 0, 0)"));
        CustomerSeed::standardFields();
        CustomerSeed::customer(1, "Harbour Lights Trading");
        CustomerSeed::address(1, 1, "12 Quay Street", "Portsmouth", "Hampshire", "PO1 3AB", true);
    }

    static void configure(bool modifyPrice)
    {
        auto modules = std::make_shared<ConfigEntity>();
        modules->configType = "configuration";
        modules->desc = "1,1,1,1,1,1,1";
        EntityList<ConfigEntity> rows { modules };
        if (modifyPrice) {
            auto price = std::make_shared<ConfigEntity>();
            price->configType = "modify_price";
            price->desc = "1";
            rows.push_back(price);
        }
        ASSERT_TRUE(ConfigManager::sharedInstance()->syncConfigData(rows));
    }

    // The order list's stand-in at the bottom of the stack, the editor pushed on it.
    void open(int state, std::shared_ptr<QuoteOrderEntity> order, bool changed = false)
    {
        configure(modifyPrice);
        list = std::make_shared<UIViewController>();
        navigation = UINavigationController::withRootViewController(list);
        showRoot(navigation);
        editor = std::make_shared<QuoteOrderViewController>();
        editor->setState(state);
        editor->setQuoteOrder(std::move(order));
        editor->setIsOrderChanged(changed);
        navigation->pushViewControllerAnimated(editor, false);
        driver->advance(1);
    }

    // A new order of 2 x product 7 (8 each) and 1 x product 10 (50), as the catalogue makes it.
    void openNewOrder()
    {
        store->addToOrder(product(7, 2));
        store->addToOrder(product(10, 1));
        auto order = store->createNewQuoteOrder();
        store->addQuoteOrder.reset();
        open(QuoteOrderViewController::StateNew, order, true);
    }

    std::shared_ptr<QuoteOrderItemsTableViewCell> cell(long row)
    {
        return std::dynamic_pointer_cast<QuoteOrderItemsTableViewCell>(
            editor->tableItems()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, 0)));
    }

    void enter(const std::shared_ptr<UITextField>& field, const std::string& typed)
    {
        driver->tap(field);
        ASSERT_TRUE(field->isFirstResponder());
        for (size_t i = field->text().size(); i > 0; --i)
            driver->pressBackspace();
        driver->typeText(typed);
        driver->pressReturn();
        driver->advance(1);
    }

    // A finger across the row's name, leftwards.
    void swipe(long row)
    {
        const CGPoint at = editor->tableItems()->convertPointToView(
            CGPointMake(250, 100 * row + 50), static_cast<const UIView*>(nullptr));
        driver->dragFrom(at, CGPointMake(at.x - 150, at.y));
        driver->advance(1);
    }

    // Types a customer's name and touches outside the list of matches, as a person does.
    void typeCustomer(const std::string& name)
    {
        enter(editor->txtCustomerName(), name);
        if (editor->popResult()->isPopoverVisible())
            driver->tapAt(CGPointMake(700, 20));
        driver->advance(1);
    }

    bool onScreen() const { return navigation->topViewController() == editor; }

    bool modifyPrice = true;
    std::shared_ptr<UIViewController> list;
    std::shared_ptr<UINavigationController> navigation;
    std::shared_ptr<QuoteOrderViewController> editor;
};

TEST_F(QuoteOrderViewControllerTest, ANewOrderShowsItsLinesAndTotalsAndIsAskedAboutOnLeaving)
{
    openNewOrder();
    EXPECT_EQ(editor->tableItems()->numberOfRowsInSection(0), 2);
    EXPECT_EQ(editor->lblOriginalTotalValue()->text(), "¥70.00") << "at list prices";
    EXPECT_EQ(editor->txtDiscountedTotal()->text(), "66.00");
    EXPECT_EQ(editor->lblCurrency()->text(), "¥");
    EXPECT_EQ(editor->tableItems()->frame(), CGRectMake(0, 190, 1024, 442));
    EXPECT_TRUE(editor->btnSave()->isEnabled());
    EXPECT_FALSE(editor->btnSubmit()->isEnabled()) << "a customer name is needed first";
    EXPECT_TRUE(editor->btnViewPdf()->isEnabled());
    EXPECT_FALSE(editor->newProductView()->isHidden());
    EXPECT_EQ(store->curQuoteOrder, editor->quoteOrder()) << "catalogue adds land in the order being edited";
    ASSERT_TRUE(cell(1));
    EXPECT_EQ(cell(1)->tag(), 6501);
    EXPECT_FALSE(cell(1)->readOnly());

    ASSERT_TRUE(driver->tapButton(text("ORDERLIST")));
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->tag(), QuoteOrderViewController::kLeaveAlertTag);
    EXPECT_EQ(alert->title(), text("ORDERCHANGED"));
    ASSERT_TRUE(driver->tapAlertButton(text("NOTSAVE")));
    driver->advance(1);
    EXPECT_FALSE(onScreen());
    EXPECT_FALSE(store->curQuoteOrder);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order"), 0) << "leaving without saving stores nothing";
}

TEST_F(QuoteOrderViewControllerTest, AStoredOrderIsReadOnlyUntilEditAndLeavesWithoutAQuestion)
{
    store->addToOrder(product(7, 2));
    auto order = store->curQuoteOrder;
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    order->isInEdit = false;
    open(QuoteOrderViewController::StateStored, order);
    EXPECT_EQ(editor->btnSave()->tag(), QuoteOrderViewController::kEditTag);
    EXPECT_EQ(editor->btnSave()->titleForState(UIControlStateNormal), text("EDIT"));
    EXPECT_TRUE(editor->btnSave()->isEnabled());
    EXPECT_FALSE(editor->txtCustomerName()->isEnabled());
    EXPECT_TRUE(editor->newProductView()->isHidden());
    ASSERT_TRUE(cell(0));
    EXPECT_TRUE(cell(0)->readOnly());

    ASSERT_TRUE(driver->tapButton(text("EDIT")));
    EXPECT_EQ(editor->btnSave()->tag(), QuoteOrderViewController::kSaveTag);
    EXPECT_TRUE(order->isInEdit);
    EXPECT_EQ(store->curQuoteOrder, order);
    EXPECT_FALSE(cell(0)->readOnly());
    EXPECT_TRUE(editor->txtCustomerName()->isEnabled());

    // Nothing changed: leaving asks nothing, and the store lets the order go.
    ASSERT_TRUE(driver->tapButton(text("ORDERLIST")));
    driver->advance(1);
    EXPECT_FALSE(driver->visibleAlert());
    EXPECT_FALSE(onScreen());
    EXPECT_FALSE(store->curQuoteOrder);
}

TEST_F(QuoteOrderViewControllerTest, EachValueStandsOnItsCaptionsLineInTheCaptionsSize)
{
    struct Case {
        const char* what;
        int state;
    };
    const Case cases[] = {
        { "a new order, its fields editable", QuoteOrderViewController::StateNew },
        { "a stored order, read only and without borders", QuoteOrderViewController::StateStored },
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        store->addToOrder(product(7, 2));
        auto order = store->createNewQuoteOrder();
        store->addQuoteOrder.reset();
        order->customerName = "HARBOUR";
        order->customerAddress = "88 QUAY";
        order->setCustomerNote("RUSH 42");
        if (k.state == QuoteOrderViewController::StateStored) {
            store->curQuoteOrder = order;
            ASSERT_TRUE(store->saveCurrentQuoteOrder());
            order->isInEdit = false;
        }
        open(k.state, order, k.state == QuoteOrderViewController::StateNew);
        ASSERT_EQ(editor->txtDiscountedTotal()->text(), "16.00");

        const std::pair<std::string, std::shared_ptr<UITextField>> rows[] = {
            { text("CUSTOMER") + ":", editor->txtCustomerName() },
            { text("NOTE") + ":", editor->txtNote() },
            { text("ADDRESS") + ":", editor->txtAddress() },
            { text("DISCOUNTEDTOTAL") + ":", editor->txtDiscountedTotal() },
        };
        for (const auto& [caption, field] : rows)
            EXPECT_EQ(driver->valueBesideCaption(caption, *field), "") << caption << " " << field->text();
        navigation.reset();
        editor.reset();
        store->curQuoteOrder.reset();
    }
}

TEST_F(QuoteOrderViewControllerTest, AnExactCustomerNameTakesTheCustomerAndItsAddress)
{
    openNewOrder();
    auto name = editor->txtCustomerName();
    driver->tap(name);
    EXPECT_TRUE(editor->popResult()->isPopoverVisible()) << "an empty name shows every customer";
    driver->typeText("Harbour");
    EXPECT_TRUE(editor->popResult()->isPopoverVisible());
    EXPECT_EQ(editor->tableResult()->arrResult().size(), 1u);
    EXPECT_EQ(editor->quoteOrder()->customerId, 0);
    EXPECT_EQ(editor->txtAddress()->text(), "");

    driver->typeText(" Lights Trading");
    EXPECT_EQ(editor->quoteOrder()->customerId, 1);
    EXPECT_EQ(editor->txtAddress()->text(), "12 Quay Street, Portsmouth, Hampshire, Zip Code PO1 3AB");
    EXPECT_TRUE(editor->btnSubmit()->isEnabled());

    driver->typeText("x");
    EXPECT_EQ(editor->txtAddress()->text(), "") << "one letter more is another customer";
    driver->pressReturn();
    EXPECT_EQ(editor->quoteOrder()->customerId, 0);
    EXPECT_EQ(editor->quoteOrder()->customerAddress, std::optional<std::string>(""));
}

TEST_F(QuoteOrderViewControllerTest, TheAddressIsComposedInTheInterfaceLanguage)
{
    openNewOrder();
    auto& order = *editor->quoteOrder();
    struct Case {
        long language;
        std::optional<std::string> street, city, state, zip;
        const char* expected;
    };
    const Case cases[] = {
        { 0, "12 Quay Street", "Portsmouth", "Hampshire", "PO1 3AB",
            "12 Quay Street, Portsmouth, Hampshire, Zip Code PO1 3AB" },
        { 0, " ", "Portsmouth", std::nullopt, "", "Portsmouth, " },
        { 2, "人民路 8 号", "杭州", "浙江", "310000", "浙江 杭州 人民路 8 号 邮编 310000" },
        { 2, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        LanguageManager::sharedInstance()->setCurrentLanguage(c.language);
        order.customerAddress = c.street;
        order.city = c.city;
        order.state = c.state;
        order.zip_code = c.zip;
        EXPECT_EQ(editor->getNewAddressValues(), c.expected);
    }
}

TEST_F(QuoteOrderViewControllerTest, ANewCustomersAddressIsTypedInThePopUpAndStoredOnSave)
{
    openNewOrder();
    typeCustomer("Quayside Stores");
    driver->tap(editor->txtAddress());
    ASSERT_TRUE(editor->popAddressEditor());
    EXPECT_TRUE(editor->popAddressEditor()->isPopoverVisible());
    EXPECT_EQ(editor->popAddressEditor()->popoverContentSize().width, 550);
    driver->typeText("3 Dock Road");
    editor->popAddressEditor()->userTouchedOutside();
    driver->advance(1);
    EXPECT_EQ(editor->quoteOrder()->customerAddress, std::optional<std::string>("3 Dock Road"));
    EXPECT_EQ(editor->txtAddress()->text(), "3 Dock Road, ");

    ASSERT_TRUE(driver->tapButton(text("SAVE")));
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->tag(), QuoteOrderViewController::kSaveFlow);
    EXPECT_EQ(alert->message(), text("SAVENEWCUSTOMER"));
    ASSERT_TRUE(driver->tapAlertButton(text("ADD")));
    driver->advance(1);
    EXPECT_LT(editor->quoteOrder()->customerId, 0) << "the customer is stored under a local id";
    EXPECT_EQ(ConfigManager::sharedInstance()->flagDic()["Needreloadcustomer"], "YES");
    EXPECT_EQ(editor->state(), QuoteOrderViewController::StateStored);
    EXPECT_EQ(editor->btnSave()->tag(), QuoteOrderViewController::kEditTag);
    EXPECT_FALSE(store->curQuoteOrder);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order_item"), 2);
    EXPECT_EQ(count("select customer_id from corvelle_quote_order"), editor->quoteOrder()->customerId);
}

TEST_F(QuoteOrderViewControllerTest, EachQuestionAboutANewCustomerStoresItOnlyWhenAnsweredAdd)
{
    const struct {
        const char* flow;
        long tag;
        const char* answer;
        int stored;
    } cases[] = {
        { "save", QuoteOrderViewController::kSaveFlow, "ADD", 1 },
        { "save", QuoteOrderViewController::kSaveFlow, "NOTADD", 0 },
        { "submit", QuoteOrderViewController::kSubmitFlow, "ADD", 1 },
        { "submit", QuoteOrderViewController::kSubmitFlow, "NOTADD", 0 },
        { "leave", QuoteOrderViewController::kSaveAndLeaveFlow, "ADD", 1 },
        { "leave", QuoteOrderViewController::kSaveAndLeaveFlow, "NOTADD", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.flow) + " " + c.answer);
        LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOnline);
        openNewOrder();
        typeCustomer("Quayside Stores");
        if (std::string(c.flow) == "save") {
            driver->tap(editor->btnSave());
        } else if (std::string(c.flow) == "submit") {
            driver->tap(editor->btnSubmit());
        } else {
            driver->tap(editor->btnOrderList());
            ASSERT_TRUE(driver->tapAlertButton(text("SAVE")));
        }
        auto alert = driver->visibleAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->tag(), c.tag);
        ASSERT_TRUE(driver->tapAlertButton(text(c.answer)));
        driver->advance(1);
        EXPECT_EQ(count("select count(*) from corvelle_customer where customer_name = 'Quayside Stores'"), c.stored);
        EXPECT_EQ(count("select count(*) from corvelle_quote_order where customer_name = 'Quayside Stores'"), 1)
            << "the order is stored either way";
        TearDown(), SetUp();
    }
}

TEST_F(QuoteOrderViewControllerTest, AQuantityOfZeroAsksToDeleteTheLine)
{
    openNewOrder();
    enter(cell(0)->quantityTextField(), "5");
    EXPECT_EQ(editor->quoteOrder()->items[0]->quantity, 5);
    EXPECT_EQ(editor->lblOriginalTotalValue()->text(), "¥100.00");

    enter(cell(0)->quantityTextField(), "0");
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->tag(), 6500);
    ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
    driver->advance(1);
    EXPECT_EQ(cell(0)->quantityTextField()->text(), "5") << "the old quantity comes back";
    EXPECT_EQ(editor->quoteOrder()->items[0]->quantity, 5);
    EXPECT_EQ(editor->tableItems()->frame(), CGRectMake(0, 190, 1024, 442));

    enter(cell(0)->quantityTextField(), "0");
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->advance(1);
    ASSERT_EQ(editor->quoteOrder()->items.size(), 1u);
    EXPECT_EQ(editor->lblOriginalTotalValue()->text(), "¥50.00");

    // The last line goes: nothing to total, show or submit.
    enter(cell(0)->quantityTextField(), "0");
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->advance(1);
    EXPECT_TRUE(editor->quoteOrder()->items.empty());
    EXPECT_EQ(editor->lblOriginalTotalValue()->text(), "");
    EXPECT_EQ(editor->txtDiscountedTotal()->text(), "");
    EXPECT_EQ(editor->lblCurrency()->text(), "");
    EXPECT_FALSE(editor->quoteOrder()->currency);
    EXPECT_FALSE(editor->btnViewPdf()->isEnabled());
    EXPECT_FALSE(editor->txtDiscountedTotal()->isEnabled());
    EXPECT_FALSE(editor->btnSubmit()->isEnabled());
}

TEST_F(QuoteOrderViewControllerTest, CancellingTheDeleteQuestionBringsBackTheOldQuantityWhateverItsLength)
{
    // Quantities of four digits and more are shown with grouping commas.
    const struct {
        const char* typed;
        int quantity;
        const char* shown;
    } cases[] = { { "12", 12, "12" }, { "1234", 1234, "1,234" }, { "250000", 250000, "250,000" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        openNewOrder();
        enter(cell(0)->quantityTextField(), c.typed);
        ASSERT_EQ(editor->quoteOrder()->items[0]->quantity, c.quantity);
        ASSERT_EQ(cell(0)->quantityTextField()->text(), c.shown);

        enter(cell(0)->quantityTextField(), "0");
        ASSERT_TRUE(driver->visibleAlert());
        ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
        driver->advance(1);
        EXPECT_FALSE(driver->visibleAlert()) << driver->visibleAlert()->message();
        EXPECT_EQ(cell(0)->quantityTextField()->text(), c.shown);
        EXPECT_EQ(editor->quoteOrder()->items[0]->quantity, c.quantity);
        EXPECT_EQ(cell(0)->quoteOrderItem()->quantity, c.quantity);
        // The original total counts list prices: 10 for the first line's product, 50 for the other.
        EXPECT_EQ(editor->lblOriginalTotalValue()->text(), "¥" + PublicFunction::doubleFormate(10.0 * c.quantity + 50));
        TearDown(), SetUp();
    }
}

TEST_F(QuoteOrderViewControllerTest, EditingAQuantityLiftsItsLineToTheTopOfAShorterTable)
{
    for (const char* colour : { "Red", "Green", "Blue", "Black", "White" })
        store->addToOrder(product(7, 1, std::string("Colour:") + colour));
    auto order = store->createNewQuoteOrder();
    store->addQuoteOrder.reset();
    open(QuoteOrderViewController::StateNew, order, true);
    ASSERT_EQ(editor->tableItems()->numberOfRowsInSection(0), 5);

    driver->tap(cell(2)->quantityTextField());
    driver->advance(1);
    ASSERT_TRUE(cell(2)->quantityTextField()->isFirstResponder());
    EXPECT_EQ(editor->tableItems()->frame(), CGRectMake(0, 190, 1024, 240));
    EXPECT_EQ(editor->tableItems()->contentOffset().y,
        editor->tableItems()->rectForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(2, 0)).origin.y);
    EXPECT_GT(editor->tableItems()->contentOffset().y, 0);
}

TEST_F(QuoteOrderViewControllerTest, TheOrderDiscountByRateAndByTotal)
{
    openNewOrder();
    auto& order = *editor->quoteOrder();
    const auto rate = [&](const std::string& typed) {
        driver->tap(editor->btnDiscount());
        driver->advance(1);
        ASSERT_TRUE(editor->popDiscountRat()->isPopoverVisible());
        enter(editor->discountController()->txtDiscountRat(), typed);
        EXPECT_FALSE(editor->popDiscountRat()->isPopoverVisible());
    };
    rate("120");
    EXPECT_DOUBLE_EQ(order.discountRat, 100) << "a rate above 100 counts as 100";
    EXPECT_EQ(editor->txtDiscountedTotal()->text(), "66.00");
    rate("50");
    EXPECT_EQ(editor->txtDiscountedTotal()->text(), "33.00");
    driver->tap(editor->btnDiscount());
    driver->advance(1);
    EXPECT_EQ(editor->discountController()->txtDiscountRat()->text(), "50.00");
    editor->popDiscountRat()->userTouchedOutside();
    driver->advance(1);

    // A typed total is not capped; the footer rises above the keyboard meanwhile.
    driver->tap(editor->txtDiscountedTotal());
    driver->advance(1);
    EXPECT_EQ(editor->footerBar()->frame(), CGRectMake(0, 346, 1024, 50));
    EXPECT_EQ(editor->txtDiscountedTotal()->text(), "33.00");
    for (int i = 0; i < 5; ++i)
        driver->pressBackspace();
    driver->typeText("99");
    driver->pressReturn();
    driver->advance(1);
    EXPECT_EQ(editor->footerBar()->frame(), CGRectMake(0, 632, 1024, 50));
    EXPECT_DOUBLE_EQ(order.discount(), 99);
    EXPECT_DOUBLE_EQ(order.discountRat, 150);
    EXPECT_EQ(editor->txtDiscountedTotal()->text(), "99.00");

    // Text that fails the check shows the order's discount again.
    enter(editor->txtDiscountedTotal(), "9.5");
    ASSERT_TRUE(driver->visibleAlert());
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->advance(1);
    EXPECT_EQ(editor->txtDiscountedTotal()->text(), "99.00");

    // Changing a line derives the discount from the rate again.
    enter(cell(1)->quantityTextField(), "2");
    EXPECT_DOUBLE_EQ(order.discount(), 116 * 1.5);
}

TEST_F(QuoteOrderViewControllerTest, WithoutPriceEditingTheDiscountCannotBeTyped)
{
    modifyPrice = false;
    openNewOrder();
    EXPECT_TRUE(editor->btnDiscount()->isHidden());
    EXPECT_FALSE(editor->txtDiscountedTotal()->isEnabled());
    EXPECT_FALSE(cell(0)->txtDiscountRat()->isEnabled());
    EXPECT_TRUE(cell(0)->quantityTextField()->isEnabled());
}

TEST_F(QuoteOrderViewControllerTest, ASignedStoredOrderCannotBeEditedNorItsLinesSwipedAway)
{
    store->addToOrder(product(7, 2));
    auto order = store->curQuoteOrder;
    order->signature = "c2lnbmVk";
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    order->isInEdit = false;
    open(QuoteOrderViewController::StateStored, order);
    EXPECT_FALSE(editor->signedView()->isHidden());
    EXPECT_EQ(editor->btnSave()->titleForState(UIControlStateNormal), text("EDIT"));
    EXPECT_FALSE(editor->btnSave()->isEnabled());
    swipe(0);
    EXPECT_FALSE(editor->tableItems()->rowShowingDeleteConfirmation());
}

TEST_F(QuoteOrderViewControllerTest, ASwipeDeleteIsConfirmedFirst)
{
    openNewOrder();
    swipe(0);
    ASSERT_TRUE(editor->tableItems()->rowShowingDeleteConfirmation());
    ASSERT_TRUE(driver->tapButton(text("DELETE")));
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->message(), text("DELETE_PRODUCT_FROM_ORDER"));
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->advance(1);
    EXPECT_EQ(editor->quoteOrder()->items.size(), 1u);
    EXPECT_EQ(editor->tableItems()->numberOfRowsInSection(0), 1);
}

TEST_F(QuoteOrderViewControllerTest, AFailedSaveKeepsTheStoredLinesAndTheScreen)
{
    store->addToOrder(product(7, 2));
    store->addToOrder(product(10, 1));
    auto order = store->curQuoteOrder;
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    order->isInEdit = false;
    open(QuoteOrderViewController::StateStored, order);
    ASSERT_TRUE(driver->tapButton(text("EDIT")));
    enter(cell(0)->quantityTextField(), "13");
    ASSERT_TRUE(db->executeUpdate(
        "create trigger refuse before insert on corvelle_quote_order_item when new.product_quantity = 13 "
        "begin select raise(abort, 'refused'); end"));
    ASSERT_TRUE(driver->tapButton(text("SAVE")));
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), text("FAILED"));
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->advance(1);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order_item"), 2) << "the stored lines are not lost";
    EXPECT_EQ(count("select product_quantity from corvelle_quote_order_item where product_id = 7"), 2);
    EXPECT_TRUE(onScreen());
    EXPECT_TRUE(order->isInEdit);
    EXPECT_EQ(editor->btnSave()->tag(), QuoteOrderViewController::kSaveTag);

    // Saving on leaving does not leave an order that could not be stored.
    ASSERT_TRUE(driver->tapButton(text("ORDERLIST")));
    ASSERT_TRUE(driver->tapAlertButton(text("SAVE")));
    driver->advance(1);
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->advance(1);
    EXPECT_TRUE(onScreen());
}

TEST_F(QuoteOrderViewControllerTest, SubmittingStoresTheNewOrderAndUploadsOnlyIt)
{
    LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOnline);
    store->addToOrder(product(7, 1));
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    clock->advance(2);  // order numbers count seconds
    openNewOrder();
    typeCustomer("Harbour Lights Trading");
    frontDoor->replyTo(518, [&](const FakeFrontDoor::Message&) {
        return FakeFrontDoor::envelope(
            "200", R"({"orders": [{"id": ")" + *editor->quoteOrder()->number + R"(", "generateId": 900}]})");
    });
    EXPECT_TRUE(editor->btnSubmit()->isEnabled());
    ASSERT_TRUE(driver->tapButton(text("SUBMIT")));
    driver->advance(1);
    auto sent = frontDoor->messagesFor(518);
    ASSERT_EQ(sent.size(), 1u);
    const std::string syncData = sent[0].parameters.find("syncData")->stringValue();
    EXPECT_NE(syncData.find(*editor->quoteOrder()->number), std::string::npos);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order"), 2);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order where uploaded = 1"), 1) << "only the order submitted";
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), text("SUCCESSFULLYSUBMIT"));
    EXPECT_TRUE(editor->btnSave()->isHidden());
    EXPECT_TRUE(editor->btnSubmit()->isHidden());
    EXPECT_TRUE(editor->quoteOrder()->uploaded);
}

TEST_F(QuoteOrderViewControllerTest, AFailedSubmissionShowsTheMessageAndEnablesTheControls)
{
    LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOnline);
    openNewOrder();
    typeCustomer("Harbour Lights Trading");
    frontDoor->replyTo(518, FakeFrontDoor::envelope("300"));
    ASSERT_TRUE(driver->tapButton(text("SUBMIT")));
    driver->advance(1);
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(count("select uploaded from corvelle_quote_order"), 0);
    EXPECT_TRUE(editor->btnSave()->isEnabled());
    EXPECT_FALSE(editor->btnSave()->isHidden());
}

TEST_F(QuoteOrderViewControllerTest, ViewInPdfShowsTheSameOrder)
{
    openNewOrder();
    ASSERT_TRUE(driver->tapButton(text("VIEWINPDF")));
    driver->advance(1);
    auto pdf = std::dynamic_pointer_cast<QuoteOrderPDFViewController>(navigation->topViewController());
    ASSERT_TRUE(pdf);
    EXPECT_EQ(pdf->order, editor->quoteOrder());
}

// A line's picture opens the product on its own: editable with the line's
// quantity while the order is edited, read-only otherwise; BACK comes back.
TEST_F(QuoteOrderViewControllerTest, ALinesPictureOpensItsProductInDetail)
{
    openNewOrder();
    ASSERT_TRUE(cell(0));
    driver->tap(cell(0)->imageImageView());
    driver->advance(1);
    auto detail = std::dynamic_pointer_cast<ProductDetailController>(navigation->topViewController());
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->productID(), 7);
    EXPECT_TRUE(detail->isInEdit());
    EXPECT_EQ(detail->itemIndex(), 0);
    EXPECT_EQ(detail->countTextField()->text(), "2");
    EXPECT_FALSE(detail->attributeView()->readOnly());
    EXPECT_TRUE(detail->tapToLeftProduct()->isHidden());
    EXPECT_TRUE(detail->tapToRightProduct()->isHidden());
    ASSERT_TRUE(driver->tapButton(text("BACK")));
    driver->advance(1);
    EXPECT_TRUE(onScreen());

    editor->quoteOrder()->isInEdit = false;
    driver->tap(cell(1)->imageImageView());
    driver->advance(1);
    detail = std::dynamic_pointer_cast<ProductDetailController>(navigation->topViewController());
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->productID(), 10);
    EXPECT_FALSE(detail->isInEdit());
    EXPECT_TRUE(detail->countTextField()->isHidden());
    EXPECT_TRUE(detail->addToOrderBtn()->isHidden());
    EXPECT_TRUE(detail->attributeView()->readOnly());
    editor->back();
    driver->advance(1);
    EXPECT_TRUE(onScreen());
}

TEST_F(QuoteOrderViewControllerTest, ANewOrderFromTheCatalogueOpensOverAStoredOne)
{
    store->addToOrder(product(7, 2));
    auto order = store->curQuoteOrder;
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    order->isInEdit = false;
    open(QuoteOrderViewController::StateStored, order);
    // The catalogue starts a new order while another screen covers the stored one.
    auto cover = std::make_shared<UIViewController>();
    navigation->pushViewControllerAnimated(cover, false);
    driver->advance(1);
    store->setDelegate(nullptr);
    store->addToOrder(product(10, 1));
    ASSERT_TRUE(store->addQuoteOrder);
    navigation->popViewControllerAnimated(false);
    driver->advance(1);
    auto second = std::dynamic_pointer_cast<QuoteOrderViewController>(navigation->topViewController());
    ASSERT_TRUE(second);
    EXPECT_NE(second, editor);
    EXPECT_EQ(second->state(), QuoteOrderViewController::StateNew);
    EXPECT_FALSE(store->addQuoteOrder);
    EXPECT_EQ(store->curQuoteOrder, second->quoteOrder());
}

// The Chinese keyboard's candidate bar makes it taller: the footer bar then
// sits higher. The platform says so by a second change of the keyboard's
// frame, while the input mode names the language.
TEST_F(QuoteOrderViewControllerTest, TheFooterBarFollowsTheKeyboardsLanguage)
{
    const CGFloat standard = UIKeyboard::kHeight;
    const CGFloat withCandidates = standard + 54;
    const auto keyboardChanges = [&](const char* language, CGFloat fromHeight, CGFloat toHeight) {
        UITextInputMode::currentInputMode().setPrimaryLanguage(language);
        Value info = Value::dictionary();
        info.set(UIKeyboardFrameBeginUserInfoKey,
            Value(NSStringFromCGRect(CGRectMake(0, 768 - fromHeight, 1024, fromHeight))));
        info.set(
            UIKeyboardFrameEndUserInfoKey, Value(NSStringFromCGRect(CGRectMake(0, 768 - toHeight, 1024, toHeight))));
        info.set(UIKeyboardAnimationDurationUserInfoKey, Value(UIKeyboard::kAnimationDuration));
        NSNotificationCenter::defaultCenter().postNotificationName(
            UIKeyboardWillChangeFrameNotification, Value(), info);
        NSNotificationCenter::defaultCenter().postNotificationName(UIKeyboardDidChangeFrameNotification, Value(), info);
        driver->advance(1);
    };
    const auto placed = [&](CGFloat barY, CGFloat tableHeight) {
        EXPECT_EQ(editor->footerBar()->frame(), CGRectMake(0, barY, 1024, 50));
        EXPECT_EQ(editor->tableItems()->frame(), CGRectMake(0, 190, 1024, tableHeight));
    };
    openNewOrder();

    // Editing begins on an English keyboard; the person switches to Chinese and back.
    driver->tap(editor->txtDiscountedTotal());
    driver->advance(1);
    placed(346, 199);
    keyboardChanges("zh-Hans", standard, withCandidates);
    placed(292, 145);
    EXPECT_EQ(editor->view()->subviews().back(), editor->footerBar()) << "the bar stays in front of the lines";
    keyboardChanges("en-US", withCandidates, standard);
    placed(346, 199);
    driver->pressReturn();
    driver->advance(1);
    placed(632, 442);

    // Editing begins on the Chinese keyboard: its second notice, with the
    // candidate bar, leaves the bar where the language put it.
    UITextInputMode::currentInputMode().setPrimaryLanguage("zh-Hans");
    driver->tap(editor->txtDiscountedTotal());
    driver->advance(1);
    placed(292, 145);
    keyboardChanges("zh-Hans", standard, withCandidates);
    placed(292, 145);
    driver->pressReturn();
    driver->advance(1);
    placed(632, 442);
    EXPECT_FALSE(UIKeyboard::isVisible());

    // Other fields leave the bar alone whatever the keyboard does.
    driver->tap(editor->txtNote());
    driver->advance(1);
    keyboardChanges("en-US", withCandidates, standard);
    placed(632, 442);
    driver->pressReturn();
    driver->advance(1);
}

TEST_F(QuoteOrderViewControllerTest, PicturesInBothLanguages)
{
    openNewOrder();
    typeCustomer("Harbour Lights Trading");
    // The line pictures are read in the background.
    EXPECT_TRUE(pumpMainRunLoopUntil([&] {
        return !cell(0)->imageImageView()->subviews().empty() && !cell(1)->imageImageView()->subviews().empty();
    }));
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("QuoteOrderViewController-en.png")));
    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    driver->advance(1);
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("QuoteOrderViewController-zh.png")));
}

}  // namespace

namespace {

// What product detail hands back for a line: the attributes and quantity chosen there.
TEST_F(QuoteOrderViewControllerTest, ALineChangedInProductDetailMergesIntoItsTwin)
{
    openNewOrder();
    auto& items = editor->quoteOrder()->items;
    ASSERT_EQ(items.size(), 2u);
    items[0]->attributes = std::string("colour:red");
    auto twin = std::make_shared<QuoteOrderItemEntity>(*items[0]);
    twin->product = product(7, 5);
    twin->attributes = std::string("colour:blue");
    twin->quantity = 5;
    items.push_back(twin);

    // Another colour of its own: the line takes it.
    auto chosen = product(7, 4, std::string("colour:green"));
    editor->saveOrderItemIndex(chosen, 0);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0]->attributes, std::optional<std::string>("colour:green"));
    EXPECT_EQ(items[0]->quantity, 4);
    EXPECT_EQ(items[0]->product->count, 4);
    EXPECT_TRUE(editor->isOrderChanged());

    // The colour of its twin: the two become one, their quantities added.
    chosen = product(7, 3, std::string("colour:blue"));
    editor->saveOrderItemIndex(chosen, 0);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1], twin);
    EXPECT_EQ(twin->quantity, 8);
    EXPECT_EQ(twin->product->count, 8);

    // An index outside the order changes nothing.
    editor->saveOrderItemIndex(chosen, 7);
    EXPECT_EQ(items.size(), 2u);
}

// Two stored orders of the same two products, as the order list reads them:
// their lines share each product's record. A change made in one order's
// editor, in product detail or by a line changed there, stays off the other.
TEST_F(QuoteOrderViewControllerTest, AChangeToOneListedOrdersLineStaysOffAnotherOrdersLines)
{
    ASSERT_TRUE(
        db->executeUpdate("insert into corvelle_product (product_id, product_sku, product_name, "
                          "product_publish) values (7, 'SKU-7', 'Product 7', 1), (10, 'SKU-10', 'Product 10', 1)"));
    for (const char* customer : { "Ann", "Bob" }) {
        auto stored = std::make_shared<QuoteOrderEntity>();
        stored->customerName = std::string(customer);
        stored->currency = std::string("CNY");
        for (int id : { 7, 10 }) {
            auto line = std::make_shared<QuoteOrderItemEntity>();
            line->product = product(id, 0);
            line->sku = "SKU-" + std::to_string(id);
            line->quantity = 2;
            line->price = line->finalPrice = 8;
            line->currency = std::string("CNY");
            stored->items.push_back(line);
        }
        ASSERT_NE(data->saveQuoteOrder(stored), 0);
    }
    auto listed = store->fetchQuoteOrdersCondition(0, std::nullopt);
    ASSERT_EQ(listed.size(), 2u);
    auto lineOf = [](const std::shared_ptr<QuoteOrderEntity>& order, int productId) -> size_t {
        for (size_t i = 0; i < order->items.size(); ++i)
            if (order->items[i]->product && order->items[i]->product->product_id == productId)
                return i;
        ADD_FAILURE() << "no line of product " << productId;
        return 0;
    };
    auto& edited = listed[0];
    const auto& other = listed[1];
    auto otherSeven = other->items.at(lineOf(other, 7))->product;
    auto otherTen = other->items.at(lineOf(other, 10))->product;
    ASSERT_EQ(edited->items.at(lineOf(edited, 7))->product, otherSeven) << "the list shares the record";
    ASSERT_EQ(edited->items.at(lineOf(edited, 10))->product, otherTen);

    edited->isInEdit = false;
    open(QuoteOrderViewController::StateStored, edited);
    // Orders are on show: product detail offers the quantity.
    store->loadByConfig();
    ASSERT_TRUE(driver->tapButton(text("EDIT")));
    // Product detail shows and changes the line's record.
    const size_t seven = lineOf(edited, 7);
    ASSERT_TRUE(cell(static_cast<long>(seven)));
    driver->tap(cell(static_cast<long>(seven))->imageImageView());
    driver->settle();
    auto detail = std::dynamic_pointer_cast<ProductDetailController>(navigation->topViewController());
    ASSERT_TRUE(detail);
    ASSERT_TRUE(detail->isInEdit());
    ASSERT_FALSE(detail->countTextField()->isHidden());
    ASSERT_FALSE(detail->addToOrderBtn()->isHidden());
    detail->countTextField()->setText("3");
    driver->tap(detail->addToOrderBtn());
    driver->advance(1);
    ASSERT_TRUE(onScreen());
    EXPECT_EQ(edited->items.at(lineOf(edited, 7))->quantity, 3);
    EXPECT_EQ(edited->items.at(lineOf(edited, 7))->product->count, 3);
    // A line changed in the editor itself.
    editor->saveOrderItemIndex(product(10, 4), static_cast<int>(lineOf(edited, 10)));
    EXPECT_EQ(edited->items.at(lineOf(edited, 10))->product->count, 4);

    for (const auto& record : { otherSeven, otherTen }) {
        SCOPED_TRACE(record->product_id);
        EXPECT_EQ(record->count, 0);
        EXPECT_EQ(record->itemNumberInOrder, 0u);
        EXPECT_EQ(record->attributes, std::optional<std::string>(""));
        EXPECT_EQ(other->items.at(lineOf(other, record->product_id))->product, record);
    }
    EXPECT_EQ(other->items.at(lineOf(other, 7))->quantity, 2);
}

}  // namespace
