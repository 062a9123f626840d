// Sign-in against a company server that asks for more than it should or
// answers less than it should: a full resynchronisation must not cost the
// work not yet sent, a "200" without a session signs nobody in, a missing
// module list ends the sign-in whatever the skin does, a password the server
// refused stops opening the account offline, and the session id stays out of
// the log.

#include "SessionRoad.h"

#include "Classes/Customer/CustomerDataModel.h"
#include "Database/DataAccessManager.h"
#include "Database/QuoteOrderEntity.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/ClockFixture.h"
#include "support/ServerSettings.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string stringDefault(const std::string& key)
{
    return NSUserDefaults::standardUserDefaults()->stringForKey(key).value_or("");
}

// An order of two lines, as the editor stores it: not uploaded unless said.
std::shared_ptr<QuoteOrderEntity> storeOrder(int customerId, bool uploaded, int serverId = 0)
{
    auto order = std::make_shared<QuoteOrderEntity>();
    order->serial = serverId;
    order->customerId = customerId;
    order->customerName = std::string("Buyer");
    order->uploaded = uploaded;
    for (const char* sku : { "CH-1", "TB-2" }) {
        auto item = std::make_shared<QuoteOrderItemEntity>();
        item->sku = std::string(sku);
        item->name = std::string(sku);
        item->quantity = 3;
        item->price = 10;
        item->finalPrice = 9;
        order->items.push_back(item);
    }
    EXPECT_NE(DataAccessManager::sharedDataModel()->saveQuoteOrder(order), 0);
    return order;
}

class SignInIntegrity : public SessionRoad {
protected:
    void SetUp() override
    {
        SessionRoad::SetUp();
        language["SYNCALLKEPTLOCALDATA"] = "Unsent work kept";
        language["LOGINSUCCESSANDBOUND"] = "Bound";
        language["SYNUSERCONFIG"] = "Configuration";
        loginContent = server.content(FakeCompanyServer::kLogin);
        configContent = server.content(FakeCompanyServer::kConfig);
    }
    // The next sign-in's reply asks for everything to be fetched again.
    void askForFullResync()
    {
        Value login = loginContent;
        login.set("syncAll", Value("1"));
        server.setContent(FakeCompanyServer::kLogin, login);
    }
    // Stops or starts the server; a new start takes a new port, which the server settings follow.
    void serverUp(bool up)
    {
        if (!up) {
            server.stop();
            return;
        }
        ASSERT_TRUE(server.start());
        pointSettingsAtServer(server);
    }
    // Forgets the client on this device.
    void forgetClient()
    {
        freeSession();
        NSFileManager::defaultManager().removeItemAtPath(documents("acme"));
        auto defaults = NSUserDefaults::standardUserDefaults();
        defaults->removeObjectForKey(LoginMode::kLoginInfoArray);
        for (const char* suffix :
            { "FileSynced", "ProductSynced", "CustomerSynced", "IconSynced", "App_version", "lastsync" })
            defaults->removeObjectForKey(std::string("ACME-") + suffix);
    }
    std::string keptText() { return "error:" + language["SYNCALLKEPTLOCALDATA"]; }

    Value loginContent;
    Value configContent;
};

TEST_F(SignInIntegrity, AFullResyncKeepsTheOrdersAndCustomersNotSentYet)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(synchronise());
    auto data = DataAccessManager::sharedDataModel();
    ASSERT_EQ(data->getAllCustomers(true).size(), 1u);
    const int serverCustomer = data->getAllCustomers(true).begin()->first;
    const int localCustomer
        = CustomerDataModel::sharedInstance()->saveCustomerWithNameStreetCityStateZipCode(std::string("Made Here Ltd"),
            std::string("1 Quay"), std::string("Harbour"), std::string("CA"), std::string("90001"));
    ASSERT_LT(localCustomer, 0);
    const size_t localDetails = data->getCustomerAttributes(localCustomer).size();
    ASSERT_GT(localDetails, 0u);
    auto unsent = storeOrder(localCustomer, false);
    auto unsentForServerCustomer = storeOrder(serverCustomer, false);
    storeOrder(serverCustomer, true, 500);
    ASSERT_EQ(data->fetchQuoteOrdersCondition(0, std::nullopt).size(), 3u);

    freeSession();
    askForFullResync();
    loginDelegate->events.clear();
    ASSERT_TRUE(signIn());
    EXPECT_FALSE(loginDelegate->has(keptText()));

    // Everything the server holds is gone, to be fetched again...
    data = DataAccessManager::sharedDataModel();
    EXPECT_TRUE(data->getAllProducts().empty());
    EXPECT_FALSE(exists("acme/ProductImages/chair.png"));
    EXPECT_EQ(stringDefault("ACME-CustomerSynced"), "");
    EXPECT_EQ(stringDefault("ACME-ProductSynced"), "");
    EXPECT_TRUE(data->fetchQuoteOrdersCondition(1, std::nullopt).empty());
    // ...but the work done here is all there, lines and details included.
    auto orders = data->fetchQuoteOrdersCondition(2, std::nullopt);
    ASSERT_EQ(orders.size(), 2u);
    for (const auto& kept : { unsent, unsentForServerCustomer }) {
        auto it = std::find_if(orders.begin(), orders.end(), [&](const auto& o) { return o->serial == kept->serial; });
        ASSERT_NE(it, orders.end()) << kept->serial;
        EXPECT_EQ((*it)->number, kept->number);
        EXPECT_EQ((*it)->customerId, kept->customerId);
        auto lines = data->fetchQuoteOrderItemsWithQuoteOrder(kept->serial);
        ASSERT_TRUE(lines);
        EXPECT_EQ(lines->size(), 2u);
    }
    auto customers = data->getAllCustomers(true);
    ASSERT_EQ(customers.size(), 1u);
    EXPECT_EQ(customers.begin()->first, localCustomer);
    // The saved sign-in is made again, and the session goes on as usual.
    auto saved = NSUserDefaults::standardUserDefaults()->arrayForKey(LoginMode::kLoginInfoArray);
    ASSERT_EQ(saved.count(), 1u);
    EXPECT_EQ(saved[size_t(0)][LoginMode::kInputClientID].stringValue(), "ACME");
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeOnline);

    // The next run fetches the company's data whole, beside the kept work.
    server.clearReceived();
    ASSERT_TRUE(synchronise());
    data = DataAccessManager::sharedDataModel();
    EXPECT_EQ(data->getAllProducts().size(), 2u);
    EXPECT_EQ(data->getAllCustomers(true).size(), 2u);
    EXPECT_EQ(data->getCustomerAttributes(localCustomer).size(), localDetails);
    EXPECT_EQ(data->fetchQuoteOrdersCondition(2, std::nullopt).size(), 2u);
}

// What a full resync leaves of the old client folder: everything goes when
// nothing unsent is in it; a database that cannot be read, which may hold
// unsent work, is kept as it is and the person is told.
TEST_F(SignInIntegrity, AFullResyncRemovesTheFolderOnlyWhenNothingUnsentCanBeInIt)
{
    struct Case {
        const char* name;
        bool damage;
        bool folderKept;
    };
    const Case cases[] = {
        { "nothing unsent", false, false },
        { "unreadable database", true, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedManualClock clock;
        forgetClient();
        server.setContent(FakeCompanyServer::kLogin, loginContent);
        ASSERT_TRUE(signIn());
        ASSERT_TRUE(synchronise());
        freeSession();
        const std::string database = documents("acme/corvelle_lite.sqlite");
        if (c.damage) {
            std::ofstream(database, std::ios::binary | std::ios::trunc)
                << "not a database, but maybe the only copy of a day's orders";
        }
        const std::string before = fileBytes(database);

        askForFullResync();
        loginDelegate->events.clear();
        signIn();
        EXPECT_EQ(loginDelegate->has(keptText()), c.folderKept);
        EXPECT_EQ(exists("acme/ProductImages/chair.png"), c.folderKept);
        EXPECT_EQ(stringDefault("ACME-ProductSynced") == "synced", c.folderKept);
        if (c.folderKept) {
            EXPECT_EQ(fileBytes(database), before);
        }
    }
}

// A "200" that is not an object holding a session id signs nobody in: it is
// answered as a reply of the wrong shape, and asks for nothing, not even a
// full resync.
TEST_F(SignInIntegrity, ASuccessWithoutASessionIsAProtocolError)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(synchronise());
    const Value good = server.content(FakeCompanyServer::kLogin);
    auto withSession = [&](std::optional<Value> sessionId) {
        Value content = good;
        content.set("syncAll", Value("1"));
        content.remove("sessionId");
        if (sessionId)
            content.set("sessionId", *sessionId);
        return content;
    };
    struct Case {
        const char* name;
        Value content;
    };
    const Case cases[] = {
        { "no content", Value("") },
        { "an array", Value(ValueArray { Value("S1") }) },
        { "no session id", withSession(std::nullopt) },
        { "a blank session id", withSession(Value("  ")) },
        { "a session id of the wrong kind", withSession(Value(ValueArray {})) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        freeSession();
        server.setRawReply(FakeCompanyServer::kLogin, FakeCompanyServer::replyText(c.content, "200"));
        server.clearReceived();
        loginDelegate->events.clear();
        EXPECT_FALSE(signIn());
        EXPECT_EQ(loginDelegate->events, (std::vector<std::string> { "button", "error:No status" }));
        auto session = LoginMode::sharedInstance();
        EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeNone);
        EXPECT_FALSE(session->sessionId());
        EXPECT_EQ(commands(), std::vector<std::string> { "login" });
        // The resync it asked for was not taken.
        EXPECT_TRUE(exists("acme/ProductImages/chair.png"));
        EXPECT_EQ(stringDefault("ACME-ProductSynced"), "synced");
    }
}

// Without a module list the sign-in ends the same way whether the skin is
// there already or its download fails; it never waits for the wait box's time-out.
TEST_F(SignInIntegrity, AMissingModuleListEndsTheSignInWhateverTheSkinDoes)
{
    struct Case {
        const char* name;
        bool skinThere;
    };
    const Case cases[] = { { "skin present", true }, { "skin download fails", false } };
    std::vector<std::vector<std::string>> outcomes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedManualClock clock;
        forgetClient();
        server.setContent(FakeCompanyServer::kConfig, configContent);
        server.setFileStatus("SkinImages.zip", std::nullopt);
        if (c.skinThere) {
            // The skin of an earlier sign-in of this version.
            NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(
                documents("acme/SkinImages"), true);
            NSUserDefaults::standardUserDefaults()->setObjectForKey(Value("2.1"), "ACME-App_version");
        } else {
            server.setFileStatus("SkinImages.zip", 404);
        }
        Value config = configContent;
        config.remove("configuration");
        server.setContent(FakeCompanyServer::kConfig, config);
        server.clearReceived();
        loginDelegate->events.clear();
        waitBox.clear();
        EXPECT_TRUE(signIn());
        const auto sent = commands();
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "file:SkinImages.zip") > 0, !c.skinThere);
        ASSERT_FALSE(waitBox.empty());
        EXPECT_EQ(waitBox.back(), "end");
        outcomes.push_back(loginDelegate->events);
    }
    EXPECT_EQ(outcomes.front(), (std::vector<std::string> { "error:No configuration", "success" }));
    EXPECT_EQ(outcomes.back(), outcomes.front());
}

// A password the server refused no longer opens the account offline; a typing
// slip it refused leaves the stored password alone, and the next password the
// server takes opens it offline again.
TEST_F(SignInIntegrity, APasswordTheServerRefusedNoLongerSignsInOffline)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn("secret"));
    auto offline = [&](const std::string& password) {
        freeSession();
        serverUp(false);
        loginDelegate->events.clear();
        const bool in = signIn(password);
        serverUp(true);
        return in;
    };
    auto online = [&](const std::string& password) {
        freeSession();
        loginDelegate->events.clear();
        return signIn(password);
    };

    // A slip: the server refuses it, the stored password still works offline.
    EXPECT_FALSE(online("secrte"));
    EXPECT_EQ(loginDelegate->events, (std::vector<std::string> { "button", "error:Refused" }));
    EXPECT_TRUE(offline("secret"));

    // The password is changed on the server: the old one is refused there...
    server.setAccount("ACME", "sales1", { "changed" });
    EXPECT_FALSE(online("secret"));
    EXPECT_EQ(loginDelegate->events, (std::vector<std::string> { "button", "error:Refused" }));
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeNone);
    // ...and on the device.
    EXPECT_FALSE(offline("secret"));
    EXPECT_EQ(loginDelegate->events.back(), "error:Wrong password");

    EXPECT_TRUE(online("changed"));
    EXPECT_TRUE(offline("changed"));
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeOffline);
}

TEST_F(SignInIntegrity, TheSessionIdNeverReachesTheLog)
{
    ScopedManualClock clock;
    std::vector<std::string> lines;
    NSLogSetCapture([&](const std::string& line) { lines.push_back(line); });
    const bool signedIn = signIn();
    const bool synchronised = synchronise();
    NSLogSetCapture(nullptr);
    ASSERT_TRUE(signedIn);
    ASSERT_TRUE(synchronised);
    const std::string session = server.lastSessionId();
    ASSERT_FALSE(session.empty());
    ASSERT_EQ(LoginMode::sharedInstance()->sessionId(), session);
    size_t masked = 0;
    for (const auto& line : lines) {
        EXPECT_EQ(line.find(session), std::string::npos) << line.substr(0, 300);
        if (line.find(";******?") != std::string::npos)
            ++masked;
    }
    // The session commands' addresses are logged, with the id masked.
    EXPECT_GT(masked, 0u);
}

}  // namespace
