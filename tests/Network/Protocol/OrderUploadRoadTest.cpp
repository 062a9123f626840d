// Quote orders travelling to and from the fake company server through the
// real store, front door, transport and engine: the upload after an offline
// sign-in, an upload whose answer is lost, and order history meeting orders
// the device has not yet sent.

#include "SessionRoad.h"

#include "Classes/Frame/QuoteOrderStore.h"
#include "Classes/Frame/QuoteOrderStoreDelegate.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Platform/Foundation/Clock.h"
#include "support/ClockFixture.h"

namespace {

class UploadRecorder : public QuoteOrderStoreDelegate {
public:
    void finishedUploadQuoteOrdersMessage(
        const std::optional<std::string>& status, const std::optional<std::string>&) override
    {
        uploads.push_back(status.value_or("<none>"));
    }
    void finishedSyncHistoryQuoteOrdersMessage(
        const std::optional<std::string>& status, const std::optional<std::string>&) override
    {
        histories.push_back(status.value_or("<none>"));
    }
    void popSelfView() override { }
    void updateCustomerIdNewId(int, int) override { }
    std::vector<std::string> uploads;
    std::vector<std::string> histories;
};

class OrderUploadRoad : public SessionRoad {
protected:
    void SetUp() override
    {
        SessionRoad::SetUp();
        ASSERT_TRUE(signIn());
        store = QuoteOrderStore::sharedQuoteOrderStore();
        store->setDelegate(recorder);
    }

    void TearDown() override
    {
        store.reset();
        QuoteOrderStore::freeInstance();
        SessionRoad::TearDown();
    }

    // An order made on the device, not yet sent, with one line.
    int storedOrder(const std::string& number, const std::string& customer)
    {
        auto order = std::make_shared<QuoteOrderEntity>();
        order->number = number;
        order->customerName = customer;
        auto line = std::make_shared<QuoteOrderItemEntity>();
        line->price = 10;
        line->finalPrice = 8;
        line->quantity = 2;
        order->items = { line };
        return DataAccessManager::sharedDataModel()->saveQuoteOrder(order);
    }

    std::string row(const std::string& number)
    {
        return SQLDatabase::sharedDataBase()
            ->stringForQuery("select order_id || ':' || customer_name || ':' || uploaded from corvelle_quote_order "
                             "where order_number = ?",
                number)
            .value_or("<none>");
    }

    int lines(int orderId)
    {
        return SQLDatabase::sharedDataBase()->intForQuery(
            "select count(*) from corvelle_quote_order_item where order_id = ?", orderId);
    }

    bool waitForUploads(size_t count)
    {
        return pumpMainRunLoopUntil([&] { return recorder->uploads.size() >= count; }, 60);
    }

    std::shared_ptr<QuoteOrderStore> store;
    std::shared_ptr<UploadRecorder> recorder = std::make_shared<UploadRecorder>();
};

// After an offline sign-in the store signs in again before it uploads; the
// upload and every later command carry the session that sign-in got, and a
// blank client id in its reply leaves the one typed at sign-in.
TEST_F(OrderUploadRoad, TheReSignInBeforeAnUploadKeepsItsSessionAndTheTypedClient)
{
    ScopedManualClock clock;
    auto session = LoginMode::sharedInstance();
    const int first = storedOrder("sales1_1", "Ann");
    const int second = storedOrder("sales1_2", "Bob");

    struct Case {
        const char* name;
        bool blankClientInReply;
        int order;
        const char* number;
        const char* customer;
        int vendor;
    };
    for (const Case c : { Case { "a reply with a blank client id", true, first, "sales1_1", "Ann", 9 },
             Case { "the server's own reply", false, second, "sales1_2", "Bob", 7 } }) {
        SCOPED_TRACE(c.name);
        std::string expectedSession;
        if (c.blankClientInReply) {
            Value content = server.content(FakeCompanyServer::kLogin);
            content.set("sessionId", Value("S-reply"));
            Value vendor = content["vendor"];
            vendor.set("clientId", Value(""));
            vendor.set("vendor_id", Value("9"));
            content.set("vendor", vendor);
            server.setRequireSession(false);
            server.setRawReply(FakeCompanyServer::kLogin, FakeCompanyServer::replyText(content, "200"));
            expectedSession = "S-reply";
        } else {
            server.setRawReply(FakeCompanyServer::kLogin, std::nullopt);
            server.setRequireSession(true);
        }
        server.clearReceived();
        session->setLoginType(LoginMode::kLoginTypeOffline);
        session->setSessionId(std::string("stale"));
        const size_t told = recorder->uploads.size();
        store->startUploadQuoteOrder(c.order);
        ASSERT_TRUE(waitForUploads(told + 1));
        if (expectedSession.empty())
            expectedSession = server.lastSessionId();

        EXPECT_EQ(recorder->uploads.back(), "200");
        EXPECT_EQ(commands(), (std::vector<std::string> { "login", "upload" }));
        auto uploads = server.receivedFor(FakeCompanyServer::kUpload);
        ASSERT_EQ(uploads.size(), 1u);
        EXPECT_EQ(uploads[0].sessionId, expectedSession);
        EXPECT_EQ(session->sessionId(), expectedSession);
        EXPECT_EQ(session->vendorId(), c.vendor);
        EXPECT_EQ(session->clientID(), std::optional<std::string>("ACME"));
        EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeOnline);
        ASSERT_EQ(server.takenOrders().count(c.number), 1u);
        EXPECT_EQ(row(c.number), std::to_string(server.takenOrders().at(c.number)) + ":" + c.customer + ":1");
    }

    // The session stays good for what follows: the next upload goes at once.
    const int third = storedOrder("sales1_3", "Cy");
    server.clearReceived();
    store->startUploadQuoteOrder(third);
    ASSERT_TRUE(waitForUploads(3));
    EXPECT_EQ(recorder->uploads.back(), "200");
    EXPECT_EQ(commands(), std::vector<std::string> { "upload" });
}

// An upload whose answer is lost reaches the server once from the engine and
// once more from the transport's resend, never more; the server keeps one
// order per number and answers a repeat with the id it gave first, so the
// order ends up sent, with that id, whichever attempt is answered.
TEST_F(OrderUploadRoad, AnUploadWhoseAnswerIsLostIsTakenOnceAndEndsUpSent)
{
    ScopedManualClock clock;
    const int id = storedOrder("sales1_1", "Ann");
    server.clearReceived();

    // Every answer lost: two arrivals for one tap, the order stays unsent.
    server.setFault(FakeCompanyServer::kUpload, FakeCompanyServer::Fault::Drop);
    store->startUploadQuoteOrder(id);
    ASSERT_TRUE(waitForUploads(1));
    EXPECT_EQ(recorder->uploads, std::vector<std::string> { "999" });
    EXPECT_EQ(server.receivedFor(FakeCompanyServer::kUpload).size(), 2u);
    ASSERT_EQ(server.takenOrders().size(), 1u);
    const int serverId = server.takenOrders().at("sales1_1");
    EXPECT_EQ(row("sales1_1"), std::to_string(id) + ":Ann:0");

    // The next tap sends it again and the server's answer names the first id.
    server.setFault(FakeCompanyServer::kUpload, FakeCompanyServer::Fault::None);
    store->startUploadQuoteOrder(id);
    ASSERT_TRUE(waitForUploads(2));
    EXPECT_EQ(recorder->uploads.back(), "200");
    EXPECT_EQ(server.receivedFor(FakeCompanyServer::kUpload).size(), 3u);
    EXPECT_EQ(server.takenOrders().size(), 1u);
    EXPECT_EQ(row("sales1_1"), std::to_string(serverId) + ":Ann:1");
    EXPECT_EQ(lines(serverId), 1);

    // One answer lost: the transport's resend, three seconds on, is answered.
    const int other = storedOrder("sales1_2", "Bob");
    server.clearReceived();
    server.setFaultFor(FakeCompanyServer::kUpload, FakeCompanyServer::Fault::Drop, 1);
    const double start = Clock::now();
    store->startUploadQuoteOrder(other);
    ASSERT_TRUE(waitForUploads(3));
    EXPECT_EQ(recorder->uploads.back(), "200");
    EXPECT_GE(Clock::now() - start, 3.0) << "the resend is the transport's, not the engine's";
    EXPECT_EQ(server.receivedFor(FakeCompanyServer::kUpload).size(), 2u);
    EXPECT_EQ(server.takenOrders().size(), 2u);
    EXPECT_EQ(row("sales1_2"), std::to_string(server.takenOrders().at("sales1_2")) + ":Bob:1");
}

// History stores the server's orders but never replaces an order the device
// has not sent, whether the server's copy names its number or its id, and
// takes no order (or line) with an id that is not a server id.
TEST_F(OrderUploadRoad, HistoryLeavesOrdersNotYetSentAsTheyAre)
{
    ScopedManualClock clock;
    const int unsent = storedOrder("sales1_1", "Ann");
    ASSERT_LT(unsent, 0);
    auto order = [](int id, const char* number, const char* customer) {
        return Value::dictionary({ { "order_id", Value(id) }, { "order_number", Value(number) },
            { "customer_name", Value(customer) }, { "cdate", Value("01/02/2026 10:00:00") } });
    };
    auto line = [](int orderId) {
        return Value::dictionary({ { "order_id", Value(orderId) }, { "product_quantity", Value(5) } });
    };
    server.setContent(FakeCompanyServer::kOrderHistory,
        Value::dictionary(
            { { "orders",
                  Value::array({ order(9001, "sales1_1", "Server copy"), order(unsent, "sales1_x", "Local id"),
                      order(0, "sales1_y", "Zero id"), order(9002, "sales1_9", "Server order") }) },
                { "items", Value::array({ line(9001), line(unsent), line(0), line(9002) }) } }));
    store->getLastTenOrderHistory();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !recorder->histories.empty(); }, 30));
    EXPECT_EQ(recorder->histories, std::vector<std::string> { "200" });

    EXPECT_EQ(row("sales1_1"), std::to_string(unsent) + ":Ann:0");
    EXPECT_EQ(lines(unsent), 1);
    EXPECT_EQ(row("sales1_x"), "<none>");
    EXPECT_EQ(row("sales1_y"), "<none>");
    EXPECT_EQ(lines(9001), 0);
    EXPECT_EQ(lines(0), 0);
    EXPECT_EQ(row("sales1_9"), "9002:Server order:1");
    EXPECT_EQ(lines(9002), 1);

    // Once sent, the order is the server's and history may refresh it.
    store->startUploadQuoteOrder(unsent);
    ASSERT_TRUE(waitForUploads(1));
    const int serverId = server.takenOrders().at("sales1_1");
    server.setContent(FakeCompanyServer::kOrderHistory,
        Value::dictionary({ { "orders", Value::array({ order(serverId, "sales1_1", "Server copy") }) },
            { "items", Value::array({ line(serverId) }) } }));
    store->getLastTenOrderHistory();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return recorder->histories.size() == 2; }, 30));
    EXPECT_EQ(row("sales1_1"), std::to_string(serverId) + ":Server copy:1");
    EXPECT_EQ(lines(serverId), 1);
}

}  // namespace
