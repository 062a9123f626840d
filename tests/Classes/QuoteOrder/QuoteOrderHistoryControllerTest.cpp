#include "QuoteOrderFixture.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/QuoteOrder/HistoryEditPopController.h"
#include "Classes/QuoteOrder/LoadMoreTableFooterView.h"
#include "Classes/QuoteOrder/QuoteOrderHistoryController.h"
#include "Classes/QuoteOrder/QuoteOrderHistoryTableView.h"
#include "Classes/QuoteOrder/QuoteOrderHistoryTableViewCell.h"
#include "Classes/QuoteOrder/QuoteOrderViewController.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UISearchBar.h"
#include "Platform/UIKit/UISegmentedControl.h"

namespace {

// The orders tab on a navigation stack, over a few stored orders.
class QuoteOrderHistoryControllerTest : public QuoteOrderStoreTest {
protected:
    void SetUp() override
    {
        QuoteOrderStoreTest::SetUp();
        LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOnline);
    }

    // A stored order of `customer` with `lines` lines of product 7; numbers count seconds.
    std::shared_ptr<QuoteOrderEntity> stored(const std::string& customer, int lines = 1, bool uploaded = false)
    {
        clock->advance(1);
        auto order = std::make_shared<QuoteOrderEntity>();
        order->customerName = customer;
        order->currency = std::string("CNY");
        order->discountRat = 100;
        order->mdate = std::string("12/31/2013 23:05:00");
        for (int i = 0; i < lines; ++i) {
            auto item = std::make_shared<QuoteOrderItemEntity>();
            item->product = product(7, 1);
            item->sku = std::string("SKU-7");
            item->quantity = 1;
            item->price = 10;
            item->finalPrice = 8;
            item->currency = std::string("CNY");
            order->items.push_back(item);
        }
        order->uploaded = uploaded;
        EXPECT_NE(data->saveQuoteOrder(order), 0);
        return order;
    }

    void show()
    {
        screen = std::make_shared<QuoteOrderHistoryController>();
        navigation = UINavigationController::withRootViewController(screen);
        showRoot(navigation);
        driver->advance(1);
    }

    std::shared_ptr<QuoteOrderHistoryTableViewCell> row(long r)
    {
        return std::dynamic_pointer_cast<QuoteOrderHistoryTableViewCell>(
            screen->tableOrders()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(r, 0)));
    }

    std::vector<std::string> customers() const
    {
        std::vector<std::string> names;
        for (const auto& order : screen->selectOrders())
            names.push_back(order->customerName.value_or(""));
        return names;
    }

    void search(const std::string& typed)
    {
        driver->tap(screen->searchBar()->searchField());
        driver->typeText(typed);
        driver->advance(1);
    }

    std::shared_ptr<QuoteOrderViewController> editorOnTop() const
    {
        return std::dynamic_pointer_cast<QuoteOrderViewController>(navigation->topViewController());
    }

    std::shared_ptr<QuoteOrderHistoryController> screen;
    std::shared_ptr<UINavigationController> navigation;
};

TEST_F(QuoteOrderHistoryControllerTest, RowsShowTheOrdersAndTheirSubmitButtons)
{
    auto empty = stored("Nolines Ltd", 0);
    auto uploaded = stored("Sent Ltd", 1, true);
    auto blank = stored("  ", 2);
    auto signedOrder = stored("Signed Ltd", 1);
    signedOrder->signature = std::string("c2lnbmVk");
    ASSERT_NE(data->saveQuoteOrder(signedOrder), 0);
    store->isCustomerOnShow = true;
    show();
    ASSERT_EQ(screen->selectOrders().size(), 4u);
    EXPECT_EQ(customers(), (std::vector<std::string> { "Signed Ltd", "  ", "Sent Ltd", "Nolines Ltd" }))
        << "newest first";

    auto first = row(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->tag(), 4500);
    EXPECT_EQ(first->oderNumber(), signedOrder->number.value_or(""));
    EXPECT_EQ(first->strOrderTime(), "23:05 12/31/13");
    EXPECT_EQ(first->strPrice(), "¥8.00");
    EXPECT_TRUE(first->isSigned());
    EXPECT_FALSE(first->signedBadge()->isHidden());
    EXPECT_TRUE(first->btnSubmit()->isEnabled());

    EXPECT_FALSE(row(1)->btnSubmit()->isEnabled()) << "a blank customer cannot be submitted";
    EXPECT_TRUE(row(2)->btnSubmit()->isHidden()) << "an uploaded order has no submit button";
    EXPECT_FALSE(row(3)->btnSubmit()->isEnabled()) << "an order without lines cannot be submitted";
    EXPECT_EQ(row(3)->strPrice(), "0.00") << "without lines, no currency sign";
    EXPECT_FALSE(screen->btnSubmitAll()->isHidden());

    // With the customer module hidden a blank customer is no obstacle.
    store->isCustomerOnShow = false;
    screen->refresh();
    EXPECT_TRUE(row(1)->btnSubmit()->isEnabled());

    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    screen->refresh();
    EXPECT_EQ(row(0)->strOrderTime(), "23:05 13/12/31");
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("QuoteOrderHistoryController-zh.png")));
}

TEST_F(QuoteOrderHistoryControllerTest, SegmentsAndSearchNarrowTheList)
{
    stored("ABC Trading");
    auto sent = stored("Other", 1, true);
    stored("Third");
    show();
    EXPECT_EQ(customers().size(), 3u);
    EXPECT_TRUE(screen->tableOrders()->loadMoreEnable());

    struct Case {
        long segment;
        size_t shown;
        bool loadMore;
    };
    for (const Case c : { Case { 1, 1, true }, Case { 2, 2, false }, Case { 0, 3, true } }) {
        SCOPED_TRACE(c.segment);
        screen->segment()->setSelectedSegmentIndex(c.segment);
        screen->segment()->sendActionsForControlEvents(UIControlEventValueChanged);
        EXPECT_EQ(screen->selectOrders().size(), c.shown);
        EXPECT_EQ(screen->tableOrders()->loadMoreEnable(), c.loadMore);
    }

    // "ab" finds the customer ABC and the order whose number holds it.
    sent->number = std::string("xab-1");
    ASSERT_NE(data->saveQuoteOrder(sent), 0);
    search("ab");
    EXPECT_EQ(customers(), (std::vector<std::string> { "Other", "ABC Trading" }));
    driver->pressBackspace();
    driver->pressBackspace();
    search("   ");
    EXPECT_EQ(customers().size(), 3u) << "blanks filter nothing";
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("QuoteOrderHistoryController-en.png")));
}

TEST_F(QuoteOrderHistoryControllerTest, OrdersOpenInTheEditorByTheirState)
{
    auto open = stored("Open Ltd");
    auto sent = stored("Sent Ltd", 1, true);
    show();
    ASSERT_TRUE(driver->tapRow(screen->tableOrders(), 0));
    driver->advance(1);
    auto editor = editorOnTop();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->state(), QuoteOrderViewController::StateUploaded);
    EXPECT_EQ(editor->quoteOrder()->number, sent->number);
    navigation->popViewControllerAnimated(false);
    driver->advance(1);

    ASSERT_TRUE(driver->tapRow(screen->tableOrders(), 1));
    driver->advance(1);
    editor = editorOnTop();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->state(), QuoteOrderViewController::StateStored);
    EXPECT_FALSE(editor->quoteOrder()->isInEdit);
    navigation->popViewControllerAnimated(false);
    driver->advance(1);

    ASSERT_TRUE(driver->tapButton(text("NEWORDER")));
    driver->advance(1);
    editor = editorOnTop();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->state(), QuoteOrderViewController::StateNew);
    EXPECT_FALSE(store->addQuoteOrder);
}

TEST_F(QuoteOrderHistoryControllerTest, APendingOrderFromTheCatalogueOpensWhenTheTabShows)
{
    store->addToOrder(product(7, 3));
    ASSERT_TRUE(store->addQuoteOrder);
    show();
    auto editor = editorOnTop();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->state(), QuoteOrderViewController::StateNew);
    EXPECT_TRUE(editor->isOrderChanged());
    EXPECT_EQ(editor->quoteOrder()->items.size(), 1u);
    EXPECT_FALSE(store->addQuoteOrder);
}

TEST_F(QuoteOrderHistoryControllerTest, SubmittingARowUploadsThatOrderAndRefreshes)
{
    stored("Ann");
    auto bob = stored("Bob");
    show();
    frontDoor->replyTo(
        518, FakeFrontDoor::envelope("200", R"({"orders": [{"id": ")" + *bob->number + R"(", "generateId": 700}]})"));
    ASSERT_EQ(row(0)->btnSubmit()->tag(), 4500);
    driver->tap(row(0)->btnSubmit());
    driver->advance(1);
    auto sent = frontDoor->messagesFor(518);
    ASSERT_EQ(sent.size(), 1u);
    const std::string syncData = sent[0].parameters.find("syncData")->stringValue();
    EXPECT_NE(syncData.find(*bob->number), std::string::npos);
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), text("SUCCESSFULLYSUBMIT"));
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->advance(1);
    EXPECT_TRUE(row(0)->btnSubmit()->isHidden()) << "the list shows the order as sent";

    // A failure whose message is the re-login text offers to sign in again.
    frontDoor->replyTo(518, FakeFrontDoor::envelope("101"));
    ASSERT_TRUE(driver->tapButton(text("SUBMITALL")));
    driver->advance(1);
    alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    if (alert->message() == text("101")) {
        EXPECT_EQ(alert->tag(), QuoteOrderHistoryController::kReloginAlertTag);
        EXPECT_EQ(alert->buttonTitleAtIndex(1), text("LOGOUTSETTINGS"));
    }
}

TEST_F(QuoteOrderHistoryControllerTest, CopyAndDeleteFromThePopUpActOnTheOrderItWasOpenedFor)
{
    auto ann = stored("Ann");
    auto bob = stored("Bob");
    show();
    driver->longPress(row(1), 1.0);
    driver->advance(1);
    ASSERT_TRUE(screen->editPopover());
    EXPECT_TRUE(screen->editPopover()->isPopoverVisible());
    EXPECT_EQ(screen->editPopover()->popoverArrowDirection(), UIPopoverArrowDirectionUp)
        << "a row near the top gets the pop-up below it";
    EXPECT_EQ(screen->selectedRow(), 1);
    EXPECT_FALSE(row(1)->tintView()->isHidden());

    // A newer order arrives while the pop-up is open: Ann's row moves down.
    stored("Carl");
    screen->refresh();
    clock->advance(1);
    ASSERT_TRUE(driver->tapButton(text("COPY")));
    driver->advance(1);
    EXPECT_EQ(customers(), (std::vector<std::string> { "Ann", "Carl", "Bob", "Ann" }))
        << "Ann's order is the one copied";
    EXPECT_TRUE(screen->tableOrders()->visibleCells().size() >= 4u);
    for (long r = 0; r < 4; ++r)
        EXPECT_TRUE(row(r)->tintView()->isHidden());

    // Delete: Bob's row is held; the list moves before the answer; Bob's order goes.
    driver->longPress(row(2), 1.0);
    driver->advance(1);
    ASSERT_TRUE(driver->tapButton(text("DELETE")));
    driver->advance(1);
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->tag(), 4502);
    stored("Dora");
    screen->refresh();
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->advance(1);
    EXPECT_EQ(customers(), (std::vector<std::string> { "Dora", "Ann", "Carl", "Ann" }));
    EXPECT_EQ(count("select count(*) from corvelle_quote_order where order_id = " + std::to_string(bob->serial)), 0);
}

// A copy the database refuses is said, and leaves no order behind; once the
// database takes orders again the same copy is stored.
TEST_F(QuoteOrderHistoryControllerTest, ACopyThatCannotBeStoredSaysFailed)
{
    stored("Ann");
    show();
    ASSERT_TRUE(db->executeUpdate("create temp trigger refuse_copy before insert on corvelle_quote_order_item "
                                  "begin select raise(abort, 'refused'); end"));
    driver->longPress(row(0), 1.0);
    driver->advance(1);
    ASSERT_TRUE(driver->tapButton(text("COPY")));
    driver->advance(1);
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), text("FAILED"));
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    EXPECT_EQ(customers(), (std::vector<std::string> { "Ann" }));
    EXPECT_EQ(count("select count(*) from corvelle_quote_order"), 1);

    ASSERT_TRUE(db->executeUpdate("drop trigger refuse_copy"));
    driver->longPress(row(0), 1.0);
    driver->advance(1);
    ASSERT_TRUE(driver->tapButton(text("COPY")));
    driver->advance(1);
    EXPECT_FALSE(driver->visibleAlert());
    EXPECT_EQ(customers(), (std::vector<std::string> { "Ann", "Ann" }));
}

TEST_F(QuoteOrderHistoryControllerTest, CancellingADeleteKeepsTheOrderAndClearsTheHighlight)
{
    stored("Ann");
    show();
    driver->longPress(row(0), 1.0);
    driver->advance(1);
    ASSERT_TRUE(driver->tapButton(text("DELETE")));
    driver->advance(1);
    ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
    driver->advance(1);
    EXPECT_EQ(screen->selectOrders().size(), 1u);
    EXPECT_TRUE(row(0)->tintView()->isHidden());
    EXPECT_FALSE(screen->tableOrders()->cellIsSelected);
}

TEST_F(QuoteOrderHistoryControllerTest, PullingUpFetchesOlderOrdersUntilTheServerHasNoMore)
{
    stored("Ann", 1, true);
    show();
    frontDoor->replyTo(265, FakeFrontDoor::envelope("200", R"({"orders": []})"));
    auto table = screen->tableOrders();
    const CGPoint start = driver->centerOf(table);
    driver->dragFrom(start, CGPointMake(start.x, start.y - 400), 20, 0.5);
    EXPECT_TRUE(table->pullTableIsLoadingMore());
    EXPECT_TRUE(frontDoor->messagesFor(265).empty()) << "the fetch waits a second";
    driver->advance(1.5);
    EXPECT_EQ(frontDoor->messagesFor(265).size(), 1u);
    driver->advance(1);
    EXPECT_FALSE(table->pullTableIsLoadingMore());
    EXPECT_EQ(screen->selectOrders().size(), 1u);
}

}  // namespace
