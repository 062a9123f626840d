#include "QuoteOrderFixture.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UILabel.h"

namespace {

TEST_F(QuoteOrderStoreTest, LinesMergeByProductAndAttributesAndABlankLineTakesAnyAttributes)
{
    store->addToOrder(product(7, 2, "  "));
    store->addToOrder(product(7, 3, "Size:L"));
    ASSERT_EQ(store->getCurrentQuoteOrderItemsCount(), 1u);
    EXPECT_EQ(quantities(), (std::vector<int> { 5 }));
    EXPECT_EQ(store->curQuoteOrder->items[0]->attributes, "  ") << "the blank line keeps its own attributes";

    store->removeCurrentQuoteOrder();
    store->addToOrder(product(7, 1, "Size:L"));
    store->addToOrder(product(7, 2, "Size:M"));
    store->addToOrder(product(7, 4, "Size:L"));
    store->addToOrder(product(8, 1));
    EXPECT_EQ(quantities(), (std::vector<int> { 5, 2, 1 }));

    auto asked = product(7, 0);
    asked->itemNumberInOrder = 99;
    store->getItemNumberInOrder(*asked);
    EXPECT_EQ(asked->itemNumberInOrder, 7u);
    auto absent = product(42, 0);
    absent->itemNumberInOrder = 3;
    store->getItemNumberInOrder(*absent);
    EXPECT_EQ(absent->itemNumberInOrder, 0u);
}

TEST_F(QuoteOrderStoreTest, ANewLineIsPricedFromThePriceRowAndEveryAddDropsTheOrderDiscount)
{
    store->addToOrder(product(7, 3, "Size:L"));
    auto order = store->curQuoteOrder;
    auto line = order->items.at(0);
    EXPECT_EQ(line->price, 10);
    EXPECT_EQ(line->finalPrice, 8) << "the discount price applies while its dates hold";
    EXPECT_EQ(line->subtotal(), 24);
    EXPECT_EQ(line->currency, "CNY");
    EXPECT_EQ(order->currency, "CNY");
    EXPECT_EQ(line->sku, "SKU-7");
    EXPECT_EQ(line->name, "Product 7");
    EXPECT_EQ(line->attributes, "Size:L");
    ASSERT_TRUE(line->cdate);
    EXPECT_EQ(line->cdate, line->mdate);
    EXPECT_EQ(line->orderID, 0) << "an order never stored has no id to give";

    order->setDiscount(10);
    order->discountRat = 50;
    store->addToOrder(product(7, 1, "Size:L"));
    EXPECT_DOUBLE_EQ(order->discountRat, 100);
    EXPECT_DOUBLE_EQ(order->discount(), order->total());

    // An expired discount gives the list price; a product without a price row
    // is free and leaves the order without a currency.
    store->addToOrder(product(8, 2));
    EXPECT_EQ(order->items.at(1)->finalPrice, 20);
    store->addToOrder(product(9, 1));
    EXPECT_EQ(order->items.at(2)->price, 0);
    EXPECT_FALSE(order->items.at(2)->currency);
    EXPECT_FALSE(order->currency);
}

TEST_F(QuoteOrderStoreTest, CurrencyCheckComparesEveryLineWithTheProductsPrice)
{
    EXPECT_FALSE(store->diffItemCYExist(*product(8, 1))) << "no current order";
    store->curQuoteOrder = store->createNewQuoteOrder();
    EXPECT_FALSE(store->diffItemCYExist(*product(8, 1))) << "no lines";
    store->addToOrder(product(7, 1));
    EXPECT_TRUE(store->diffItemCYExist(*product(8, 1)));
    EXPECT_FALSE(store->diffItemCYExist(*product(7, 1)));
    store->curQuoteOrder->items[0]->currency.reset();
    EXPECT_TRUE(store->diffItemCYExist(*product(7, 1))) << "a line without a currency differs";
}

TEST_F(QuoteOrderStoreTest, TheFirstAddClosesTheShownOrderBeforeMakingTheNewOne)
{
    auto delegate = std::make_shared<RecordingDelegate>();
    store->setDelegate(delegate);
    store->addToOrder(product(7, 1));
    EXPECT_EQ(delegate->pops, 1);
    EXPECT_FALSE(delegate->hadCurrentOrderAtPop);
    EXPECT_EQ(store->curQuoteOrder, store->addQuoteOrder) << "the new order is in the slot and current";
    EXPECT_TRUE(store->curQuoteOrder->isInEdit);
    store->addToOrder(product(8, 1));
    EXPECT_EQ(delegate->pops, 1);

    EXPECT_EQ(store->createNewQuoteOrder(), store->createNewQuoteOrder());
    // Dropping the order while it is in the slot empties the slot and closes nothing.
    store->removeCurrentQuoteOrder();
    EXPECT_FALSE(store->curQuoteOrder);
    EXPECT_FALSE(store->addQuoteOrder);
    EXPECT_EQ(delegate->pops, 1);
    // An order an editor took (the slot is empty) closes that editor.
    store->curQuoteOrder = std::make_shared<QuoteOrderEntity>();
    store->removeCurrentQuoteOrder();
    EXPECT_EQ(delegate->pops, 2);
    EXPECT_EQ(store->getCurrentQuoteOrderItemsCount(), 0u);
}

TEST_F(QuoteOrderStoreTest, SavingStoresTheOrderAndANewLineOfAStoredOrderGetsAnIdOfItsOwn)
{
    store->addToOrder(product(7, 1));
    store->addToOrder(product(8, 2));
    auto first = store->curQuoteOrder;
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    EXPECT_FALSE(store->curQuoteOrder);
    EXPECT_FALSE(store->addQuoteOrder);
    EXPECT_EQ(first->items.size(), 2u) << "an editor still showing the order keeps its lines";
    store->addToOrder(product(8, 1));
    ASSERT_TRUE(store->saveCurrentQuoteOrder());

    // The first order is edited again and given a line.
    store->curQuoteOrder = first;
    store->addToOrder(product(9, 5));
    EXPECT_EQ(first->items.back()->orderID, first->serial);
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    EXPECT_EQ(count("select count(*) from corvelle_quote_order"), 2);
    EXPECT_EQ(
        count("select count(*) from corvelle_quote_order_item where order_id = " + std::to_string(first->serial)), 3);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order_item"), 4) << "no other order lost a line";
    EXPECT_EQ(count("select count(distinct order_item_id) from corvelle_quote_order_item"), 4);
}

TEST_F(QuoteOrderStoreTest, AFailedSaveStoresNothingAndKeepsTheOrderCurrent)
{
    store->addToOrder(product(7, 1));
    store->addToOrder(product(8, 2));
    auto order = store->curQuoteOrder;
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    const int serial = order->serial;

    // The database refuses a line after the order row and the old lines changed.
    ASSERT_TRUE(db->executeUpdate(
        "create trigger refuse before insert on corvelle_quote_order_item when new.product_quantity = 13 "
        "begin select raise(abort, 'refused'); end"));
    store->curQuoteOrder = order;
    order->items[0]->quantity = 4;
    store->addToOrder(product(9, 13));
    const int newLineSerial = order->items.back()->serial;
    EXPECT_FALSE(store->saveCurrentQuoteOrder());
    EXPECT_EQ(store->curQuoteOrder, order);
    EXPECT_EQ(order->items.size(), 3u);
    EXPECT_EQ(order->serial, serial);
    EXPECT_EQ(order->items.back()->serial, newLineSerial);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order_item"), 2) << "the stored lines survive";
    EXPECT_EQ(count("select min(product_quantity) from corvelle_quote_order_item"), 1)
        << "and keep their stored quantities";

    // A new order that cannot be stored leaves no order row and no id behind.
    store->removeCurrentQuoteOrder();
    store->addToOrder(product(7, 13));
    auto fresh = store->curQuoteOrder;
    EXPECT_FALSE(store->saveCurrentQuoteOrder());
    EXPECT_EQ(fresh->serial, 0);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order"), 1);
    EXPECT_EQ(store->curQuoteOrder, fresh);

    // Nothing was left half done: once the database takes lines again, the same order stores.
    ASSERT_TRUE(db->executeUpdate("drop trigger refuse"));
    EXPECT_TRUE(store->saveCurrentQuoteOrder());
    EXPECT_EQ(count("select count(*) from corvelle_quote_order"), 2);
}

TEST_F(QuoteOrderStoreTest, ACustomersServerIdReachesStoredAndOpenOrdersAndTheScreen)
{
    auto stored = std::make_shared<QuoteOrderEntity>();
    stored->customerId = -3;
    ASSERT_NE(data->saveQuoteOrder(stored), 0);
    auto delegate = std::make_shared<RecordingDelegate>();
    store->setDelegate(delegate);
    store->addToOrder(product(7, 1));
    store->curQuoteOrder->customerId = -3;

    auto accepted = std::make_shared<corvelle_customer_Entity>();
    accepted->pid = -3;
    accepted->customer_id = 120;
    auto other = std::make_shared<corvelle_customer_Entity>();
    other->pid = -4;
    other->customer_id = 121;
    store->updateOrderTable({ accepted, other });

    EXPECT_EQ(store->curQuoteOrder->customerId, 120);
    EXPECT_EQ(store->addQuoteOrder->customerId, 120);
    EXPECT_EQ(count("select customer_id from corvelle_quote_order"), 120);
    EXPECT_EQ(delegate->customerIds, (std::vector<std::pair<int, int>> { { -3, 120 }, { -4, 121 } }));
}

TEST_F(QuoteOrderStoreTest, CopyingStoresANewOrderWithTheSameLines)
{
    store->addToOrder(product(7, 2));
    store->addToOrder(product(8, 1));
    auto order = store->curQuoteOrder;
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    ASSERT_TRUE(store->copyQuoteOrderEntity(order));
    auto orders = store->fetchQuoteOrdersCondition(0, std::nullopt);
    ASSERT_EQ(orders.size(), 2u);
    EXPECT_NE(orders[0]->serial, orders[1]->serial);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order_item"), 4);
    EXPECT_TRUE(store->removeQuoteOrder(order->serial));
    EXPECT_EQ(store->fetchQuoteOrdersCondition(0, std::nullopt).size(), 1u);
    EXPECT_FALSE(store->copyQuoteOrderEntity(nullptr));
}

TEST_F(QuoteOrderStoreTest, ANewLineSetsTheOrderTabsBadgeAndAMergeLeavesIt)
{
    auto app = std::make_shared<CorvelleAppDelegate>();
    UIApplication::sharedApplication()->setDelegate(app);
    UIApplication::sharedApplication()->launch();
    app->showMainController();
    auto badge = [&] { return app->tabBarController()->quoteOrderBtn()->badgeLabel()->text(); };
    store->addToOrder(product(7, 1));
    EXPECT_EQ(badge(), "1");
    store->addToOrder(product(8, 1));
    app->tabBarController()->setBadgeValueTabBarItemTagAnimated(
        std::string("9"), UITabBarControllerExt::TabQuoteOrder, false);
    store->addToOrder(product(8, 1));
    EXPECT_EQ(badge(), "9");
    store->addToOrder(product(9, 1));
    EXPECT_EQ(badge(), "3");
    app->window()->setRootViewController(nullptr);
}

TEST_F(QuoteOrderStoreTest, LogoutDropsTheStore)
{
    store->addToOrder(product(7, 1));
    QuoteOrderStore::freeInstance();
    auto next = QuoteOrderStore::sharedQuoteOrderStore();
    EXPECT_NE(next, store);
    EXPECT_FALSE(next->curQuoteOrder);
}

}  // namespace

namespace {

// Without an order there is nothing to save, which the screens do not call a
// failure; a refused order is a failure.
TEST_F(QuoteOrderStoreTest, NothingToSaveIsToldFromAFailedSave)
{
    ASSERT_FALSE(store->curQuoteOrder);
    EXPECT_TRUE(store->saveCurrentQuoteOrder().nothingToSave());
    EXPECT_TRUE(store->copyQuoteOrderEntity(nullptr).nothingToSave());

    store->addToOrder(product(7, 2));
    auto order = store->curQuoteOrder;
    ASSERT_TRUE(db->executeUpdate("create temp trigger refuse before insert on corvelle_quote_order "
                                  "begin select raise(abort, 'refused'); end"));
    EXPECT_TRUE(store->saveCurrentQuoteOrder().failed());
    EXPECT_TRUE(store->copyQuoteOrderEntity(order).failed());
    EXPECT_EQ(store->curQuoteOrder, order);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order"), 0);

    ASSERT_TRUE(db->executeUpdate("drop trigger refuse"));
    EXPECT_EQ(store->saveCurrentQuoteOrder().kind(), SaveResult::Kind::Saved);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order"), 1);
}

}  // namespace
