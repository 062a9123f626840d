#include "QuoteOrderFixture.h"

#include "Classes/Frame/PublicFunction.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "support/FakeFrontDoor.h"

namespace {

class QuoteOrderUploadTest : public QuoteOrderStoreTest {
protected:
    void SetUp() override
    {
        QuoteOrderStoreTest::SetUp();
        LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOnline);
        delegate = std::make_shared<RecordingDelegate>();
        store->setDelegate(delegate);
    }

    // A stored, unsubmitted order of a named customer with one line. Order
    // numbers count seconds, so each order is made a second after the last.
    std::shared_ptr<QuoteOrderEntity> storedOrder(const std::string& customer)
    {
        clock->advance(1);
        store->addToOrder(product(7, 1));
        auto order = store->curQuoteOrder;
        order->customerName = customer;
        EXPECT_TRUE(store->saveCurrentQuoteOrder());
        return order;
    }

    bool uploaded(const std::shared_ptr<QuoteOrderEntity>& order)
    {
        return count("select uploaded from corvelle_quote_order where order_number = '" + *order->number + "'") == 1;
    }

    static std::string syncData(const FakeFrontDoor::Message& message)
    {
        const Value* data = message.parameters.find("syncData");
        return data ? data->stringValue() : std::string();
    }

    std::shared_ptr<RecordingDelegate> delegate;
};

TEST_F(QuoteOrderUploadTest, AnAcceptedOrderIsMarkedAndTakesTheServersIdWhileBadEntriesAreSkipped)
{
    auto sent = storedOrder("Ann");
    auto other = storedOrder("Bob");
    frontDoor->replyTo(518, FakeFrontDoor::envelope("200", R"({"orders": [
        {"id": ")" + *sent->number + R"(", "generateId": 812},
        {"id": 7, "generateId": 813},
        {"id": ")" + *other->number + R"("},
        {"id": ")" + *other->number + R"(", "generateId": 0},
        {"id": ")" + *other->number + R"(", "generateId": "-3"},
        "stray"]})"));
    store->startUploadQuoteOrder(sent->serial);
    driver->settle();

    auto messages = frontDoor->messagesFor(518);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(syncData(messages[0]).find(*sent->number), std::string::npos);
    EXPECT_EQ(syncData(messages[0]).find(*other->number), std::string::npos) << "only the order submitted is sent";
    EXPECT_TRUE(uploaded(sent));
    EXPECT_FALSE(uploaded(other));
    EXPECT_EQ(count("select order_id from corvelle_quote_order where order_number = '" + *sent->number + "'"), 812);
    EXPECT_EQ(count("select order_id from corvelle_quote_order where order_number = '" + *other->number + "'"),
        other->serial);
    ASSERT_EQ(delegate->uploads.size(), 1u);
    EXPECT_EQ(delegate->uploads[0].first, "200");
    EXPECT_EQ(store->currentQuoteOrderId_, -1);
}

TEST_F(QuoteOrderUploadTest, OrdersMadeWithinOneSecondKeepNumbersOfTheirOwn)
{
    // Two orders and a copy of the first, all stored within one second.
    store->addToOrder(product(7, 1));
    auto first = store->curQuoteOrder;
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    store->addToOrder(product(7, 2));
    auto second = store->curQuoteOrder;
    ASSERT_TRUE(store->saveCurrentQuoteOrder());
    ASSERT_TRUE(store->copyQuoteOrderEntity(first));

    // Each takes the next free second, in the numbers' own format.
    const NSDateFormatter stamp("yyMMddHHmmss");
    const Date now = Clock::wallNow();
    EXPECT_EQ(*first->number, "sales01_" + stamp.stringFromDate(now));
    EXPECT_EQ(*second->number, "sales01_" + stamp.stringFromDate(Date { now.secondsSince1970 + 1 }));
    EXPECT_EQ(count("select count(*) from corvelle_quote_order where order_number = 'sales01_"
                  + stamp.stringFromDate(Date { now.secondsSince1970 + 2 }) + "'"),
        1);
    EXPECT_EQ(count("select count(distinct order_number) from corvelle_quote_order"), 3);

    // The server's id for the second order reaches the second order alone.
    frontDoor->replyTo(518,
        FakeFrontDoor::envelope("200", R"({"orders": [{"id": ")" + *second->number + R"(", "generateId": 812}]})"));
    store->startUploadQuoteOrder(0);
    driver->settle();
    EXPECT_EQ(count("select order_id from corvelle_quote_order where order_number = '" + *second->number + "'"), 812);
    EXPECT_EQ(count("select order_id from corvelle_quote_order where order_number = '" + *first->number + "'"),
        first->serial);
}

TEST_F(QuoteOrderUploadTest, EachReplyMarksOnlyTheOrdersItsOwnRequestCarried)
{
    auto early = storedOrder("Ann");
    store->startUploadQuoteOrder(0);  // every unsubmitted order: just "early"
    auto late = storedOrder("Bob");
    auto third = storedOrder("Cy");
    store->startUploadQuoteOrder(third->serial);
    driver->settle();
    auto tags = frontDoor->waiting();
    ASSERT_EQ(tags.size(), 2u);

    // The second request is answered first; it must not take the first's place.
    frontDoor->answer(tags[1], FakeFrontDoor::envelope("200", R"({"orders": []})"));
    driver->settle();
    EXPECT_TRUE(uploaded(third));
    EXPECT_FALSE(uploaded(early));
    EXPECT_FALSE(uploaded(late));
    EXPECT_NE(store->currentQuoteOrderId_, -1) << "an upload is still under way";

    frontDoor->answer(tags[0], FakeFrontDoor::envelope("200", R"({"orders": []})"));
    driver->settle();
    EXPECT_TRUE(uploaded(early));
    EXPECT_FALSE(uploaded(late)) << "saved after the request left";
    EXPECT_EQ(delegate->uploads.size(), 2u);
    EXPECT_EQ(store->currentQuoteOrderId_, -1);
}

TEST_F(QuoteOrderUploadTest, AFailedOrLostUploadChangesNothingAndIsReported)
{
    auto order = storedOrder("Ann");
    store->startUploadQuoteOrder(order->serial);
    driver->settle();
    ASSERT_EQ(frontDoor->waiting().size(), 1u);
    frontDoor->fail(frontDoor->waiting()[0]);
    driver->settle();
    EXPECT_FALSE(uploaded(order));
    ASSERT_EQ(delegate->uploads.size(), 1u);
    EXPECT_EQ(delegate->uploads[0].first, "999");
    EXPECT_EQ(count("select order_id from corvelle_quote_order"), order->serial);

    // Signed out: nothing is sent and nobody is told.
    LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeNone);
    store->startUploadQuoteOrder(order->serial);
    store->getLastTenOrderHistory();
    driver->settle();
    EXPECT_EQ(frontDoor->messages().size(), 1u);
    EXPECT_EQ(delegate->uploads.size(), 1u);
    EXPECT_TRUE(delegate->histories.empty());
}

TEST_F(QuoteOrderUploadTest, OfflineTheStoreSignsInAgainThenUploadsJustThatOrder)
{
    auto other = storedOrder("Ann");
    auto order = storedOrder("Bob");
    LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOffline);
    frontDoor->replyTo(
        258, FakeFrontDoor::envelope("200", R"({"sessionId": "S-NEW", "vendor": {"clientId": "Acme"}})"));
    frontDoor->replyTo(518, FakeFrontDoor::envelope("200", R"({"orders": []})"));
    store->startUploadQuoteOrder(order->serial);
    driver->settle();
    EXPECT_EQ(frontDoor->messagesFor(258).size(), 1u);
    ASSERT_EQ(frontDoor->messagesFor(518).size(), 1u);
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeOnline);
    EXPECT_TRUE(uploaded(order));
    EXPECT_FALSE(uploaded(other));
    EXPECT_EQ(delegate->uploads.size(), 1u);
}

TEST_F(QuoteOrderUploadTest, AFailedReSignInIsReportedAndDecidesTheSession)
{
    struct Case {
        const char* status;
        int loginType;
    };
    for (const Case c : { Case { "999", LoginMode::kLoginTypeOffline }, Case { "101", LoginMode::kLoginTypeNone } }) {
        SCOPED_TRACE(c.status);
        delegate->uploads.clear();
        delegate->histories.clear();
        LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOffline);
        frontDoor->replyTo(258, FakeFrontDoor::envelope(c.status));
        store->startUploadQuoteOrder(0);
        driver->settle();
        ASSERT_EQ(delegate->uploads.size(), 1u);
        EXPECT_EQ(delegate->uploads[0].first, c.status);
        EXPECT_EQ(LoginMode::sharedInstance()->loginType(), c.loginType);

        LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOffline);
        store->getLastTenOrderHistory();
        driver->settle();
        ASSERT_EQ(delegate->histories.size(), 1u);
        EXPECT_EQ(delegate->histories[0].first, c.status);
    }
    EXPECT_TRUE(frontDoor->messagesFor(518).empty());
    EXPECT_TRUE(frontDoor->messagesFor(265).empty());
}

// Submitted orders of the signed-in account, one a day back from a fixed date.
void seedHistory(DataAccessManager& data, int orders, int days)
{
    const double last = 1.8e9;
    for (int i = 0; i < orders; ++i) {
        auto order = std::make_shared<QuoteOrderEntity>();
        order->number = "sales01_h" + std::to_string(i);
        order->uploaded = true;
        const double at = orders == 1 ? last : last - 86400.0 * days * i / (orders - 1);
        order->cdate = NSDateFormatter("MM/dd/yyyy HH:mm:ss").stringFromDate(Date { at });
        order->mdate = order->cdate;
        ASSERT_NE(data.saveQuoteOrder(order), 0);
    }
}

TEST_F(QuoteOrderUploadTest, HistoryStopsOnlyWhenSixtyOrdersSpanMoreThanHalfAYear)
{
    struct Case {
        int orders;
        int days;
        bool fetches;
    };
    for (const Case c :
        { Case { 60, 181, false }, Case { 60, 179, true }, Case { 59, 365, true }, Case { 100, 30, true } }) {
        SCOPED_TRACE(std::to_string(c.orders) + " orders over " + std::to_string(c.days) + " days");
        ASSERT_TRUE(db->executeUpdate("delete from corvelle_quote_order"));
        delegate->histories.clear();
        const size_t before = frontDoor->messagesFor(265).size();
        seedHistory(*data, c.orders, c.days);
        store->getLastTenOrderHistory();
        driver->settle();
        EXPECT_EQ(frontDoor->messagesFor(265).size() - before, c.fetches ? 1u : 0u);
        if (!c.fetches) {
            ASSERT_EQ(delegate->histories.size(), 1u);
            EXPECT_EQ(
                delegate->histories[0], std::make_pair(std::optional<std::string>(), std::optional<std::string>()));
        } else {
            const Value sent = frontDoor->messagesFor(265).back().parameters;
            ASSERT_TRUE(sent.find("numberOfOrder"));
            EXPECT_EQ(sent.find("numberOfOrder")->stringValue(), "10");
        }
    }
}

TEST_F(QuoteOrderUploadTest, AnEmptyHistoryPageEndsTheHistoryAndTheFirstPageHasNoBaseTime)
{
    frontDoor->replyTo(265, FakeFrontDoor::envelope("200", R"({"orders": [], "items": []})"));
    store->getLastTenOrderHistory();
    driver->settle();
    ASSERT_EQ(frontDoor->messagesFor(265).size(), 1u);
    const Value* base = frontDoor->messagesFor(265)[0].parameters.find("baseTime");
    ASSERT_TRUE(base);
    EXPECT_EQ(base->stringValue(), "");
    ASSERT_EQ(delegate->histories.size(), 1u);
    EXPECT_EQ(delegate->histories[0].first, "200");
    EXPECT_EQ(delegate->histories[0].second, "reachEnd");
}

TEST_F(QuoteOrderUploadTest, AHistoryPageReplacesLocalCopiesAndIsReported)
{
    ASSERT_TRUE(data->saveQuoteOrder([] {
        auto stale = std::make_shared<QuoteOrderEntity>();
        stale->number = std::string("sales01_old");
        stale->customerName = std::string("Before");
        return stale;
    }()));
    // Taken by the server earlier, so history's copy is the newer one.
    data->setQuoteOrdersUploadedWithOrderNumber(std::string("sales01_old"));
    data->updateOrderIDWithOrderNumberNewOrderID(std::string("sales01_old"), 400);
    frontDoor->replyTo(265, FakeFrontDoor::envelope("200", R"({
        "orders": [{"order_id": 501, "order_number": "sales01_old", "customer_name": "After", "currency": "CNY"}],
        "items": [{"order_id": 501, "product_id": 7, "product_quantity": 2}]})"));
    store->getLastTenOrderHistory();
    driver->settle();
    EXPECT_EQ(count("select count(*) from corvelle_quote_order where order_number = 'sales01_old'"), 1);
    EXPECT_EQ(count("select order_id from corvelle_quote_order where customer_name = 'After'"), 501);
    EXPECT_EQ(count("select uploaded from corvelle_quote_order where order_id = 501"), 1);
    EXPECT_EQ(count("select count(*) from corvelle_quote_order_item where order_id = 501"), 1);
    ASSERT_EQ(delegate->histories.size(), 1u);
    EXPECT_EQ(delegate->histories[0].first, "200");
    EXPECT_NE(delegate->histories[0].second, "reachEnd");
}

TEST_F(QuoteOrderUploadTest, ALockedUserGoesToTheLockedUserLogoutAndTheScreenIsNotTold)
{
    std::vector<std::string> locked;
    auto& services = ProtocolServices::services();
    auto saved = services.logoutWithLockedUser;
    services.logoutWithLockedUser
        = [&](const std::string& status, const std::optional<std::string>&) { locked.push_back(status); };
    auto order = storedOrder("Ann");
    frontDoor->replyTo(518, FakeFrontDoor::envelope("207"));
    store->startUploadQuoteOrder(order->serial);
    driver->settle();
    services.logoutWithLockedUser = saved;
    EXPECT_EQ(locked, (std::vector<std::string> { "207" }));
    EXPECT_TRUE(delegate->uploads.empty());
    EXPECT_FALSE(uploaded(order));
}

}  // namespace
