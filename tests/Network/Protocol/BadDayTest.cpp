// The sign-in, every step of a synchronisation and both uploads, each against
// a company server that misbehaves in each way a network or a server can: it
// holds the request and never answers, closes the connection before
// answering, answers HTTP 500, answers "200" with a body that is not JSON or
// JSON of the wrong shape, or announces a body longer than it sends. The
// device holds work the server has not taken yet (a quote order and a
// customer made on the device). Whatever the fault, that work is still there
// and still unsent, nothing is marked done that was not, the salesperson is
// told of a failure, and the run ends within the time-outs of its requests.
// Time-outs pass on the manual clock, never in real time.

#include "SessionRoad.h"

#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Classes/Frame/QuoteOrderStoreDelegate.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Network/Protocol/MsgRequest.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/ClockFixture.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

namespace {

enum class Step {
    SignIn,
    Configuration,
    ProductTables,
    LibraryTables,
    ProductPicture,
    LibraryCover,
    CustomerTables,
    FinishProduct,
    FinishFile,
    FinishCustomer,
    OrderUpload,
    CustomerUpload,
};

enum class Fault { Stall, Drop, ServerError, NotJson, WrongShape, CutBody };

struct StepInfo {
    Step step;
    const char* name;
    // The server's key for the command, or the file's name for a download.
    const char* command;
    bool file;
    // What a file step leaves in the client folder when it succeeds.
    const char* localFile;
};

const StepInfo kSteps[] = {
    { Step::SignIn, "SignIn", FakeCompanyServer::kLogin, false, nullptr },
    { Step::Configuration, "Configuration", FakeCompanyServer::kConfig, false, nullptr },
    { Step::ProductTables, "ProductTables", FakeCompanyServer::kSyncProduct, false, nullptr },
    { Step::LibraryTables, "LibraryTables", FakeCompanyServer::kSyncFile, false, nullptr },
    { Step::ProductPicture, "ProductPicture", "chair.png", true, "acme/ProductImages/chair.png" },
    { Step::LibraryCover, "LibraryCover", "catalogue.png", true, "acme/LibraryImages/catalogue.png" },
    { Step::CustomerTables, "CustomerTables", FakeCompanyServer::kSyncCustomer, false, nullptr },
    { Step::FinishProduct, "FinishProduct", "syncDataFinished:product", false, nullptr },
    { Step::FinishFile, "FinishFile", "syncDataFinished:file", false, nullptr },
    { Step::FinishCustomer, "FinishCustomer", "syncDataFinished:customer", false, nullptr },
    { Step::OrderUpload, "OrderUpload", FakeCompanyServer::kUpload, false, nullptr },
    { Step::CustomerUpload, "CustomerUpload", FakeCompanyServer::kUpload, false, nullptr },
};

const char* faultName(Fault fault)
{
    switch (fault) {
    case Fault::Stall:
        return "Stall";
    case Fault::Drop:
        return "Drop";
    case Fault::ServerError:
        return "ServerError";
    case Fault::NotJson:
        return "NotJson";
    case Fault::WrongShape:
        return "WrongShape";
    case Fault::CutBody:
        return "CutBody";
    }
    return "";
}

struct BadDayCase {
    StepInfo step;
    Fault fault;
};

void PrintTo(const BadDayCase& c, std::ostream* out) { *out << c.step.name << " " << faultName(c.fault); }

std::vector<BadDayCase> allCases()
{
    std::vector<BadDayCase> cases;
    for (const auto& step : kSteps) {
        for (Fault fault :
            { Fault::Stall, Fault::Drop, Fault::ServerError, Fault::NotJson, Fault::WrongShape, Fault::CutBody }) {
            // A picture is bytes without a shape: any body answered "200" in full is the picture.
            if (step.file && (fault == Fault::NotJson || fault == Fault::WrongShape))
                continue;
            cases.push_back({ step, fault });
        }
    }
    return cases;
}

// A "200" whose content is not what the command's reply carries; a finish
// report's content is never read, so its reply loses the results list instead.
std::string wrongShape(Step step)
{
    switch (step) {
    case Step::ProductTables:
    case Step::LibraryTables:
        return FakeCompanyServer::replyText(Value::dictionary(), "200");
    case Step::CustomerTables:
        return FakeCompanyServer::replyText(Value(3), "200");
    case Step::FinishProduct:
    case Step::FinishFile:
    case Step::FinishCustomer:
        return R"({"content":"","results":{"status":"200","message":"Success"}})";
    default:
        return FakeCompanyServer::replyText(Value(""), "200");
    }
}

// The bytes the fixture's server holds for a picture step.
std::string pictureBytes(const StepInfo& step) { return step.step == Step::ProductPicture ? "full image" : "cover"; }

std::string stringDefault(const std::string& key)
{
    return NSUserDefaults::standardUserDefaults()->stringForKey(key).value_or("");
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class UploadRecorder : public QuoteOrderStoreDelegate {
public:
    void finishedUploadQuoteOrdersMessage(
        const std::optional<std::string>& status, const std::optional<std::string>&) override
    {
        uploads.push_back(status.value_or("<none>"));
    }
    void finishedSyncHistoryQuoteOrdersMessage(
        const std::optional<std::string>&, const std::optional<std::string>&) override
    {
    }
    void popSelfView() override { }
    void updateCustomerIdNewId(int, int) override { }
    std::vector<std::string> uploads;
};

class BadDay : public SessionRoad, public ::testing::WithParamInterface<BadDayCase> {
protected:
    void SetUp() override
    {
        SessionRoad::SetUp();
        ASSERT_TRUE(signIn());
        // The work only this device holds.
        auto order = std::make_shared<QuoteOrderEntity>();
        order->number = "sales1_1";
        order->customerName = "Ann";
        auto line = std::make_shared<QuoteOrderItemEntity>();
        line->price = 10;
        line->finalPrice = 8;
        line->quantity = 2;
        order->items = { line };
        m_orderId = DataAccessManager::sharedDataModel()->saveQuoteOrder(order);
        ASSERT_LT(m_orderId, 0);
        m_customerId = CustomerDataModel::sharedInstance()->saveCustomerWithNameStreetCityStateZipCode(
            std::string("Dana"), std::string("2 Side St"), std::string("Bergen"), std::string(""), std::string("5005"));
        ASSERT_LT(m_customerId, 0);
        m_orderRow = unsentOrder();
        m_customerRows = deviceCustomer();
        ASSERT_EQ(m_orderRow, std::to_string(m_orderId) + ":Ann:0:1");
        ASSERT_EQ(m_customerRows.rfind("1:", 0), 0u) << m_customerRows;
        ASSERT_NE(m_customerRows, "1:0");
        m_customerObserver = std::make_shared<int>(0);
        NSNotificationCenter::defaultCenter().addObserver(m_customerObserver.get(), "UPLOADCUSTOMERRESPOND",
            [this](const NSNotification& n) { customerUploads.push_back(!n.object.isNull() && n.object.boolValue()); });
    }

    void TearDown() override
    {
        NSNotificationCenter::defaultCenter().removeObserver(m_customerObserver.get());
        QuoteOrderStore::freeInstance();
        SessionRoad::TearDown();
    }

    // The seeded order as "id:customer:uploaded:lines", read from the file
    // itself: a failed sign-in may have let the session's connection go.
    std::string unsentOrder() const
    {
        return query("select o.order_id || ':' || o.customer_name || ':' || o.uploaded || ':' || "
                     "(select count(*) from corvelle_quote_order_item i where i.order_id = o.order_id) "
                     "from corvelle_quote_order o where o.order_number = 'sales1_1'");
    }

    // The device's customer as "rows:attribute rows", under its own (negative) id.
    std::string deviceCustomer() const
    {
        const std::string id = std::to_string(m_customerId);
        return query("select (select count(*) from corvelle_customer where customer_id = " + id
            + ") || ':' || "
              "(select count(*) from corvelle_customer_attribute where customer_id = "
            + id + ")");
    }

    std::string query(const std::string& sql) const
    {
        auto db = std::make_shared<SQLDatabase>(documents("acme/corvelle_lite.sqlite"));
        if (!db->open())
            return "<no database>";
        auto answer = db->stringForQuery(sql).value_or("<none>");
        db->close();
        return answer;
    }

    // Requests the transport has out or queued.
    static int requestsOut()
    {
        auto transport = HttpNetworkCtrl::sharedInstance();
        return transport->messageQueue().requestsCount() + transport->downloadQueue().requestsCount()
            + transport->currentDownloadQueue().requestsCount();
    }

    // Lets the engine's thread handle what became due on the clock: a block
    // runs before the timers of its turn, so the second one runs after them.
    static void letTheEngineCatchUp()
    {
        auto thread = HTTPRequest::threadForRequest(nullptr);
        for (int i = 0; i < 2; ++i)
            thread->performBlock([] {}, true);
    }

    // Runs the main loop until `ended`. The clock moves past the engine's
    // time-outs only while every request the client has out is one the
    // server holds, and otherwise only to the client's own next timer once
    // no answer has come for a while, so time-outs pass as they would on a
    // device and never while an answer is on its way. False when `ended` does
    // not hold within `clockLimit` seconds of clock time, or a minute of real time.
    bool runUntil(const std::function<bool()>& ended, double clockLimit)
    {
        const double start = Clock::now();
        const auto realLimit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        // The engine lets a request's connection go the moment it gives up on
        // it, before the server can see the hang-up: a request the engine no
        // longer runs must not count as held in between.
        auto allHeld = [&] {
            const int out = requestsOut();
            return out > 0 && out <= server.heldRequests() && HTTPRequest::isNetworkInUse();
        };
        while (!ended()) {
            if (Clock::now() - start > clockLimit || std::chrono::steady_clock::now() > realLimit)
                return false;
            drainMainRunLoop();
            if (ended())
                break;
            if (allHeld()) {
                advanceClock(kClockStep);
                letTheEngineCatchUp();
                continue;
            }
            // Answers on their way arrive in real time.
            if (pumpMainRunLoopUntil([&] { return ended() || allHeld(); }, 0.05) || requestsOut() > 0)
                continue;
            double next = 0;
            if (NSRunLoop::mainRunLoop()->nextTimerDate(NSDefaultRunLoopMode, next))
                advanceClock(std::max(next - Clock::now(), 0.0));
        }
        elapsed = Clock::now() - start;
        return true;
    }

    void applyFault()
    {
        const auto& c = GetParam();
        const std::string command = c.step.command;
        if (c.step.file) {
            switch (c.fault) {
            case Fault::Stall:
                server.setFileFault(command, FakeCompanyServer::Fault::Stall, 600);
                break;
            case Fault::Drop:
                server.setFileFault(command, FakeCompanyServer::Fault::Drop);
                break;
            case Fault::ServerError:
                server.setFileFault(command, FakeCompanyServer::Fault::HttpError);
                break;
            case Fault::CutBody:
                server.setFileFault(command, FakeCompanyServer::Fault::CutBody);
                break;
            default:
                break;
            }
            return;
        }
        switch (c.fault) {
        case Fault::Stall:
            server.setFault(command, FakeCompanyServer::Fault::Stall, 600);
            break;
        case Fault::Drop:
            server.setFault(command, FakeCompanyServer::Fault::Drop);
            break;
        case Fault::ServerError:
            server.setFault(command, FakeCompanyServer::Fault::HttpError);
            break;
        case Fault::NotJson:
            server.setFault(command, FakeCompanyServer::Fault::NotJson);
            break;
        case Fault::WrongShape:
            server.setRawReply(command, wrongShape(c.step.step));
            break;
        case Fault::CutBody:
            server.setFault(command, FakeCompanyServer::Fault::CutBody);
            break;
        }
    }

    void clearFault()
    {
        const auto& c = GetParam();
        if (c.step.file) {
            server.setFileFault(c.step.command, FakeCompanyServer::Fault::None);
        } else {
            server.setFault(c.step.command, FakeCompanyServer::Fault::None);
            server.setRawReply(c.step.command, std::nullopt);
        }
    }

    // The longest a step may take on the clock: two tries of its request
    // (a message is sent once more 3 s after a failure, a picture once more
    // by the synchronisation), each up to its time-out; the engine looks at
    // its requests on a timer, so each try may end up to two of the clock's
    // steps late; and a little for the delays between steps.
    double limitFor(const StepInfo& step) const
    {
        auto url = *CFURL::URLWithString("http://127.0.0.1/");
        const double timeOut = step.file ? DownloadRequest::initWithURL(url)->timeOutSeconds.load()
                                         : MsgRequest::initWithURL(url)->timeOutSeconds.load();
        return 2 * (timeOut + 2 * kClockStep) + 3.0 + kSlack;
    }

    bool runSignIn()
    {
        freeSession();
        loginDelegate->events.clear();
        auto session = LoginMode::sharedInstance();
        session->setDelegate(loginDelegate);
        auto info = std::make_shared<LoginInfo>();
        info->accountId = "sales1";
        info->passWord = "secret";
        info->clientId = "ACME";
        info->deviceId = "DEV-1";
        session->loginIsFromInputIsAutoLogin(info, true, true);
        return runUntil(
            [&] {
                return std::any_of(loginDelegate->events.begin(), loginDelegate->events.end(),
                           [](const std::string& e) { return e == "success" || e.rfind("error:", 0) == 0; })
                    && requestsOut() == 0;
            },
            limitFor(GetParam().step));
    }

    bool runSync()
    {
        auto sync = SyncModel::sharedInstance();
        sync->setDelegate(syncDelegate);
        syncDelegate->events.clear();
        sync->startSync();
        bool ended = runUntil(
            [&] {
                return syncDelegate->has("finished")
                    || std::any_of(syncDelegate->events.begin(), syncDelegate->events.end(),
                        [](const std::string& e) { return e.rfind("break:", 0) == 0; });
            },
            limitFor(GetParam().step));
        sync->resetDownloadProgress();
        return ended;
    }

    static constexpr double kClockStep = 1.0;
    static constexpr double kSlack = 3.0;
    // Installed before the fixture signs in.
    ScopedManualClock m_clock;
    int m_orderId = 0;
    int m_customerId = 0;
    std::string m_orderRow;
    std::string m_customerRows;
    std::shared_ptr<int> m_customerObserver;
    std::vector<bool> customerUploads;
    double elapsed = 0;
};

TEST_P(BadDay, NothingIsLostNorMarkedDoneAndTheRunEndsInTime)
{
    const auto& c = GetParam();
    applyFault();

    switch (c.step.step) {
    case Step::SignIn:
    case Step::Configuration: {
        ASSERT_TRUE(runSignIn()) << "the sign-in did not end within " << limitFor(c.step) << " s";
        auto session = LoginMode::sharedInstance();
        const auto& events = loginDelegate->events;
        auto told = std::find_if(
            events.begin(), events.end(), [](const std::string& e) { return e.rfind("error:", 0) == 0; });
        EXPECT_NE(told, events.end()) << "no failure was told";
        if (c.step.step == Step::SignIn) {
            // The server's sign-in was not had: at most the device's own, offline.
            EXPECT_NE(session->loginType(), LoginMode::kLoginTypeOnline);
            EXPECT_FALSE(session->sessionId() && !session->sessionId()->empty()) << *session->sessionId();
            if (std::find(events.begin(), events.end(), "success") != events.end()) {
                EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeOffline);
            }
        } else {
            EXPECT_EQ(std::find(events.begin(), events.end(), "success"), events.end());
        }
        break;
    }
    case Step::OrderUpload: {
        auto store = QuoteOrderStore::sharedQuoteOrderStore();
        auto recorder = std::make_shared<UploadRecorder>();
        store->setDelegate(recorder);
        store->startUploadQuoteOrder(m_orderId);
        ASSERT_TRUE(runUntil([&] { return !recorder->uploads.empty() && requestsOut() == 0; }, limitFor(c.step)))
            << "the upload did not end within " << limitFor(c.step) << " s";
        EXPECT_EQ(recorder->uploads, std::vector<std::string> { recorder->uploads.front() });
        EXPECT_NE(recorder->uploads.front(), "200");
        break;
    }
    case Step::CustomerUpload: {
        CustomerDataModel::sharedInstance()->submitCustomer(m_customerId);
        ASSERT_TRUE(runUntil([&] { return !customerUploads.empty() && requestsOut() == 0; }, limitFor(c.step)))
            << "the upload did not end within " << limitFor(c.step) << " s";
        EXPECT_EQ(customerUploads, std::vector<bool> { false });
        break;
    }
    default: {
        ASSERT_TRUE(runSync()) << "the synchronisation did not end within " << limitFor(c.step) << " s";
        if (c.step.file) {
            // A picture that does not come is logged and left for the next
            // run, which looks for every missing picture again; what came of
            // it must not stand in the client folder.
            // A cut picture may be finished by the retry, which asks for the
            // rest; whatever stands there must be the server's whole file.
            EXPECT_EQ(syncDelegate->events.back(), "finished");
            if (exists(c.step.localFile)) {
                EXPECT_EQ(readFile(documents(c.step.localFile)), pictureBytes(c.step));
            }
        } else {
            ASSERT_FALSE(syncDelegate->events.empty());
            EXPECT_EQ(syncDelegate->events.back().rfind("break:", 0), 0u) << syncDelegate->events.back();
            EXPECT_FALSE(syncDelegate->has("finished"));
            EXPECT_EQ(stringDefault("ACME-lastsync"), "");
            EXPECT_EQ(stringDefault("ACME-CustomerSynced"), "");
            if (c.step.step != Step::FinishCustomer) {
                EXPECT_EQ(stringDefault("ACME-FileSynced"), "");
            }
            if (c.step.step == Step::ProductTables) {
                EXPECT_EQ(stringDefault("ACME-ProductSynced"), "");
            }
        }
        break;
    }
    }
    EXPECT_LE(elapsed, limitFor(c.step));
    // The device's own work is there as it was, and still unsent.
    EXPECT_EQ(unsentOrder(), m_orderRow);
    EXPECT_EQ(deviceCustomer(), m_customerRows);

    // Once the server behaves, the same road goes through: nothing was left
    // half-done in the way of it.
    clearFault();
    if (c.step.file) {
        ASSERT_TRUE(runSync());
        EXPECT_EQ(syncDelegate->events.back(), "finished");
        EXPECT_EQ(readFile(documents(c.step.localFile)), pictureBytes(c.step));
    } else if (c.step.step != Step::SignIn && c.step.step != Step::Configuration && c.step.step != Step::OrderUpload
        && c.step.step != Step::CustomerUpload) {
        ASSERT_TRUE(runSync());
        EXPECT_EQ(syncDelegate->events.back(), "finished");
        EXPECT_EQ(stringDefault("ACME-CustomerSynced"), "synced");
        EXPECT_FALSE(stringDefault("ACME-lastsync").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(EveryStepEveryFault, BadDay, ::testing::ValuesIn(allCases()),
    [](const ::testing::TestParamInfo<BadDayCase>& param) {
        return std::string(param.param.step.name) + "_" + faultName(param.param.fault);
    });

}  // namespace
