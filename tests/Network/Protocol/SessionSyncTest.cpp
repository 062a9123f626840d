#include "SessionRoad.h"

#include "Classes/Frame/SkinManager.h"
#include "Database/ConfigManager.h"
#include "Database/BaseDataModel.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/NetworkModel.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "support/ClockFixture.h"
#include "support/ServerSettings.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::string> tableCommands(const std::vector<std::string>& all)
{
    std::vector<std::string> out;
    for (const auto& c : all) {
        if (c.rfind("syncData", 0) == 0 || c.rfind("file:", 0) == 0)
            out.push_back(c);
    }
    return out;
}

std::string stringDefault(const std::string& key)
{
    return NSUserDefaults::standardUserDefaults()->stringForKey(key).value_or("");
}

int fileMode(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

}  // namespace

TEST_F(SessionRoad, OnlineSignInStoresTheAccountThenFetchesConfigurationAndSkin)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    EXPECT_EQ(commands(),
        (std::vector<std::string> {
            "login", "loadConfigurationData", "file:SkinImages.zip", "syncDataFinished:skin" }));
    auto session = LoginMode::sharedInstance();
    EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeOnline);
    EXPECT_EQ(session->sessionId(), server.lastSessionId());
    EXPECT_EQ(session->vendorId(), 7);
    EXPECT_EQ(skinUnpacked, 1);
    EXPECT_TRUE(exists("acme/SkinImages.zip"));
    EXPECT_TRUE(exists("acme/ProductImages"));
    EXPECT_TRUE(exists("acme/tempDownload"));
    EXPECT_EQ(stringDefault("ACME-App_version"), "2.1");
    EXPECT_TRUE(ConfigManager::sharedInstance()->isOnShow(1));

    // The sign-in is saved first in the list, as a shortcut; the files that hold passwords are the owner's alone.
    auto saved = NSUserDefaults::standardUserDefaults()->arrayForKey(LoginMode::kLoginInfoArray);
    ASSERT_EQ(saved.count(), 1u);
    EXPECT_EQ(saved[size_t(0)][LoginMode::kInputUserID].stringValue(), "sales1");
    EXPECT_EQ(saved[size_t(0)][LoginMode::kInputClientID].stringValue(), "ACME");
    EXPECT_EQ(saved[size_t(0)][LoginMode::kInputUseShortcut].stringValue(), "YES");
    EXPECT_EQ(fileMode(home.preferences()), 0700);
    EXPECT_EQ(fileMode(documents("acme")), 0700);
    EXPECT_EQ(fileMode(documents("acme/corvelle_lite.sqlite")), 0600);
    // The configuration is asked for 1.5 s after the reply, under the wait box.
    EXPECT_EQ(waitBox.front(), "begin");
}

TEST_F(SessionRoad, SecondSignInOfTheSameVersionSkipsTheSkinAndTheUpgrade)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    server.clearReceived();
    freeSession();
    ASSERT_TRUE(signIn());
    EXPECT_EQ(commands(), (std::vector<std::string> { "login", "loadConfigurationData" }));
}

TEST_F(SessionRoad, BlankIdsInTheReplyNeverReplaceTheTypedOnesNorRemoveAnythingButTheClientFolder)
{
    ScopedManualClock clock;
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(documents("other"), true);
    Value reply = server.content(FakeCompanyServer::kLogin);
    reply.set("syncAll", Value("1"));
    Value vendor = reply["vendor"];
    vendor.set("clientId", Value(""));
    vendor.set("account", Value(""));
    reply.set("vendor", vendor);
    reply.set("sessionId", Value("S-RAW"));
    server.setRawReply(FakeCompanyServer::kLogin, FakeCompanyServer::replyText(reply, "200"));
    ASSERT_TRUE(signIn());
    auto session = LoginMode::sharedInstance();
    EXPECT_EQ(session->clientID(), "ACME");
    EXPECT_EQ(session->acountID(), "sales1");
    EXPECT_TRUE(exists("other"));
    EXPECT_TRUE(exists("acme/corvelle_lite.sqlite"));
}

TEST_F(SessionRoad, NoClientFolderIsMadeOrRemovedForAnUnusableClientId)
{
    const std::vector<std::optional<std::string>> refused { std::nullopt, "", "  ", ".", "..", "a/b", "..\\x",
        std::string("a\0b", 3) };
    for (const auto& id : refused) {
        EXPECT_FALSE(LoginMode::isUsableClientId(id)) << id.value_or("(none)");
        EXPECT_FALSE(LoginMode::clientFolderFor(id));
    }
    EXPECT_TRUE(LoginMode::isUsableClientId("ACME"));
    auto session = LoginMode::sharedInstance();
    session->setClientID("..");
    session->setAcountID("sales1");
    session->removeBlockAccount();
    EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(home.documents()));
}

TEST_F(SessionRoad, OfflineSignInWhenTheServerIsDown)
{
    ScopedManualClock clock;
    // Without a client folder there is nothing to sign in to.
    server.stop();
    EXPECT_FALSE(signIn());
    EXPECT_TRUE(loginDelegate->has("error:First sign-in needs the network"));
    EXPECT_TRUE(loginDelegate->has("button"));
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeNone);

    // Once signed in online, the stored account lets the salesperson work offline...
    ASSERT_TRUE(server.start());
    pointSettingsAtServer(server);
    ASSERT_TRUE(signIn());
    freeSession();
    server.stop();
    loginDelegate->events.clear();
    ASSERT_TRUE(signIn());
    EXPECT_EQ(loginDelegate->events, (std::vector<std::string> { "button", "error:Working offline", "success" }));
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeOffline);

    // ...but not with another password.
    freeSession();
    loginDelegate->events.clear();
    EXPECT_FALSE(signIn("wrong"));
    EXPECT_EQ(loginDelegate->events.back(), "error:Wrong password");
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeNone);
}

TEST_F(SessionRoad, RefusedSignInTellsTheServersMessageAndLeavesTheSessionSignedOut)
{
    ScopedManualClock clock;
    server.setStatus(FakeCompanyServer::kLogin, "300");
    language["300"] = "Account unknown";
    EXPECT_FALSE(signIn());
    EXPECT_EQ(loginDelegate->events, (std::vector<std::string> { "button", "error:Account unknown" }));
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeNone);
    EXPECT_FALSE(LoginMode::sharedInstance()->delegate().lock());
}

TEST_F(SessionRoad, DemoSignInSendsNothing)
{
    auto session = LoginMode::sharedInstance();
    session->setDelegate(loginDelegate);
    session->loginWithDemo(LoginMode::kDemoClientFirst);
    EXPECT_EQ(loginDelegate->events, std::vector<std::string> { "success" });
    EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeDemo);
    EXPECT_EQ(session->clientID(), "dostrevik_");
    EXPECT_EQ(session->acountID(), "DEMO");
    drainMainRunLoop();
    EXPECT_TRUE(server.received().empty());
}

TEST_F(SessionRoad, FullThenIncrementalSynchronisation)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    server.clearReceived();
    ASSERT_TRUE(synchronise());

    auto first = commands();
    // The session's two commands go out with the product tables, in any order.
    EXPECT_GE(std::count(first.begin(), first.end(), "getuserinfo"), 1);
    EXPECT_GE(std::count(first.begin(), first.end(), "getRunTimeConfig"), 1);
    auto tables = tableCommands(first);
    // The product images come as one batch, in any order.
    ASSERT_GE(tables.size(), 3u);
    std::sort(tables.begin() + 2, tables.begin() + 4);
    EXPECT_EQ(tables,
        (std::vector<std::string> { "syncData:product", "syncData:file", "file:chair.png", "file:chair_t.png",
            "file:catalogue.png", "syncData:customer", "syncDataFinished:product", "syncDataFinished:file",
            "syncDataFinished:customer" }));
    for (const auto& r : server.received()) {
        if (r.command.rfind("syncData:", 0) == 0) {
            EXPECT_EQ(r.parameters["isFull"].stringValue(), "true") << r.command;
        }
    }
    EXPECT_EQ(syncDelegate->events, (std::vector<std::string> { "nothing:3", "customers", "finished" }));
    EXPECT_TRUE(exists("acme/ProductImages/chair.png"));
    EXPECT_TRUE(exists("acme/ProductImages/chair_t.png"));
    EXPECT_TRUE(exists("acme/LibraryImages/catalogue.png"));
    for (const char* suffix : { "ProductSynced", "FileSynced", "CustomerSynced" })
        EXPECT_EQ(stringDefault(std::string("ACME-") + suffix), "synced") << suffix;
    EXPECT_FALSE(stringDefault("ACME-lastsync").empty());
    auto data = DataAccessManager::sharedDataModel();
    EXPECT_EQ(data->getAllProducts().size(), 2u);
    EXPECT_EQ(data->getAllLibFiles().size(), 1u);
    EXPECT_EQ(data->getAllCustomers(true).size(), 1u);
    auto& flags = ConfigManager::sharedInstance()->flagDic();
    EXPECT_EQ(flags["Needreloadcatelog"], "YES");
    EXPECT_EQ(flags["Needreloadlibrary"], "YES");
    EXPECT_EQ(flags["Needreloadcustomer"], "YES");
    // The bars of the downloaded kinds reach the end.
    ASSERT_FALSE(syncDelegate->progress_.empty());
    EXPECT_FLOAT_EQ(syncDelegate->progress_.back().value, 1.0f);

    // Second run: changes only, and every image is already there. One new
    // library file comes with the changes.
    server.setContent(std::string(FakeCompanyServer::kSyncFile) + FakeCompanyServer::kChanges,
        Value::array({ Value::array({ Value::dictionary({ { "id", Value("6") }, { "title", Value("Price list") },
                           { "fileName", Value("prices.pdf") }, { "category", Value("1") }, { "type", Value("PDF") },
                           { "publish", Value("1") } }) }),
            Value::array(), Value::dictionary({ { "keyIDS", Value("") } }) }));
    server.clearReceived();
    ASSERT_TRUE(synchronise());
    EXPECT_EQ(tableCommands(commands()),
        (std::vector<std::string> { "syncData:product", "syncData:file", "syncData:customer",
            "syncDataFinished:product", "syncDataFinished:file", "syncDataFinished:customer" }));
    for (const auto& r : server.received()) {
        if (r.command.rfind("syncData:", 0) == 0) {
            EXPECT_EQ(r.parameters["isFull"].stringValue(), "false") << r.command;
        }
    }
    EXPECT_EQ(syncDelegate->events,
        (std::vector<std::string> { "nothing:1", "nothing:3", "nothing:4", "customers", "finished" }));
    // The file that arrived by the changes is marked new; the one already there is not.
    ASSERT_TRUE(data->getFilesByFileId(6));
    EXPECT_EQ(data->getFilesByFileId(6)->isNew, 1);
    EXPECT_EQ(data->getFilesByFileId(5)->isNew, 0);
}

TEST_F(SessionRoad, AChangedPictureIsFetchedAgainAndAPictureThatIsThereIsNot)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(synchronise());
    const auto readAll = [this](const std::string& relative) {
        std::ifstream in(documents(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string fetched = readAll("acme/ProductImages/chair.png");
    ASSERT_FALSE(fetched.empty());
    const auto write = [this](const std::string& relative, const std::string& bytes) {
        std::ofstream(documents(relative), std::ios::binary | std::ios::trunc) << bytes;
    };
    // The chair's picture record changes; the cover stays, and so does a stale
    // copy of it on the device, while a link that points at nothing stands
    // where a wanted picture should be.
    write("acme/ProductImages/chair.png", "OLD");
    write("acme/LibraryImages/catalogue.png", "KEPT");
    const std::string thumb = documents("acme/ProductImages/chair_t.png");
    ASSERT_TRUE(std::filesystem::remove(thumb));
    ASSERT_EQ(::symlink("nowhere.png", thumb.c_str()), 0);
    Value changes = server.content(FakeCompanyServer::kSyncProduct);
    server.setContent(std::string(FakeCompanyServer::kSyncProduct) + FakeCompanyServer::kChanges, changes);
    server.clearReceived();
    ASSERT_TRUE(synchronise());

    auto tables = tableCommands(commands());
    std::sort(tables.begin() + 2, tables.begin() + 4);
    EXPECT_EQ(tables,
        (std::vector<std::string> { "syncData:product", "syncData:file", "file:chair.png", "file:chair_t.png",
            "syncData:customer", "syncDataFinished:product", "syncDataFinished:file", "syncDataFinished:customer" }));
    EXPECT_EQ(readAll("acme/ProductImages/chair.png"), fetched);
    EXPECT_FALSE(std::filesystem::is_symlink(thumb));
    EXPECT_FALSE(readAll("acme/ProductImages/chair_t.png").empty());
    EXPECT_EQ(readAll("acme/LibraryImages/catalogue.png"), "KEPT");
}

TEST_F(SessionRoad, InterruptedSynchronisationKeepsWhatWasStoredAndRunsAgain)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    server.setFault(FakeCompanyServer::kSyncFile, FakeCompanyServer::Fault::NotJson);
    EXPECT_FALSE(synchronise());
    EXPECT_EQ(syncDelegate->events, std::vector<std::string> { "break:No status" });
    EXPECT_EQ(stringDefault("ACME-ProductSynced"), "synced");
    EXPECT_EQ(stringDefault("ACME-FileSynced"), "");
    EXPECT_EQ(DataAccessManager::sharedDataModel()->getAllProducts().size(), 2u);

    server.setFault(FakeCompanyServer::kSyncFile, FakeCompanyServer::Fault::None);
    server.clearReceived();
    ASSERT_TRUE(synchronise());
    EXPECT_EQ(stringDefault("ACME-FileSynced"), "synced");
    EXPECT_EQ(DataAccessManager::sharedDataModel()->getAllLibFiles().size(), 1u);
}

// A failed save must not mark its group synced: the next run asks for the
// whole table again, and marks it once every save went through.
TEST_F(SessionRoad, AFailedSaveLeavesItsGroupUnmarkedUntilARunSavesEverything)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    // The process's own connection, as the table models reach it.
    struct Connection : BaseDataModel {
        static std::shared_ptr<SQLDatabase> shared() { return database(); }
    };
    auto sabotage = [](const char* sql) {
        auto db = Connection::shared();
        ASSERT_TRUE(db);
        EXPECT_TRUE(db->executeUpdate(sql));
    };
    // The customer table refuses every row, as a full disk or a damaged table would.
    sabotage(
        "CREATE TRIGGER refuse_customer BEFORE INSERT ON corvelle_customer BEGIN SELECT RAISE(ABORT, 'refused'); END");
    ASSERT_TRUE(synchronise());
    EXPECT_TRUE(syncDelegate->has("finished"));
    EXPECT_EQ(stringDefault("ACME-ProductSynced"), "synced");
    EXPECT_EQ(stringDefault("ACME-FileSynced"), "synced");
    EXPECT_EQ(stringDefault("ACME-CustomerSynced"), "");
    EXPECT_TRUE(DataAccessManager::sharedDataModel()->getAllCustomers(true).empty());

    sabotage("DROP TRIGGER refuse_customer");
    server.clearReceived();
    ASSERT_TRUE(synchronise());
    for (const auto& r : server.received()) {
        if (r.command == FakeCompanyServer::kSyncCustomer) {
            EXPECT_EQ(r.parameters["isFull"].stringValue(), "true");
        } else if (r.command == FakeCompanyServer::kSyncProduct) {
            EXPECT_EQ(r.parameters["isFull"].stringValue(), "false");
        }
    }
    EXPECT_EQ(stringDefault("ACME-CustomerSynced"), "synced");
    EXPECT_EQ(DataAccessManager::sharedDataModel()->getAllCustomers(true).size(), 1u);
}

// A finish report the server did not take is no finished group: the run
// breaks with the reply's text, and neither that group nor any after it is
// marked synced, nor is the last synchronisation stamped.
TEST_F(SessionRoad, AFinishReportNotAnsweredWith200BreaksTheRunAndMarksNothing)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    auto defaults = NSUserDefaults::standardUserDefaults();
    const struct {
        const char* tableType;
        const char* status;
        const char* expectedBreak;
        const char* fileMark;  // what the file group's mark is after the run
    } cases[] = {
        { "product", "999", "break:Network error", "" },
        { "file", "402", "break:Refused", "" },
        { "customer", "115", "break:No status", "synced" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tableType);
        for (const char* key : { "ACME-FileSynced", "ACME-CustomerSynced", "ACME-lastsync" })
            defaults->removeObjectForKey(key);
        const std::string report = std::string(FakeCompanyServer::kSyncFinished) + ":" + c.tableType;
        server.setStatus(report, c.status);
        server.clearReceived();
        EXPECT_FALSE(synchronise());
        EXPECT_EQ(syncDelegate->events.back(), c.expectedBreak);
        EXPECT_FALSE(syncDelegate->has("finished"));
        EXPECT_EQ(stringDefault("ACME-FileSynced"), c.fileMark);
        EXPECT_EQ(stringDefault("ACME-CustomerSynced"), "");
        EXPECT_EQ(stringDefault("ACME-lastsync"), "");
        // The refused report is the last thing the run sent.
        auto sent = commands();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), std::string("syncDataFinished:") + c.tableType);
        server.setStatus(report, std::nullopt);
    }
    // Once the server takes the reports, the run finishes and marks them all.
    ASSERT_TRUE(synchronise());
    EXPECT_EQ(stringDefault("ACME-FileSynced"), "synced");
    EXPECT_EQ(stringDefault("ACME-CustomerSynced"), "synced");
    EXPECT_FALSE(stringDefault("ACME-lastsync").empty());
}

// A "200" whose content is not the tables' shape is a protocol error: the run
// breaks with the "115" text, the tables keep what they held (the tags, which
// a table reply replaces whole, above all) and the group is not marked.
TEST_F(SessionRoad, ATableReplyOfTheWrongShapeBreaksTheRunAndChangesNothing)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(synchronise());
    auto data = DataAccessManager::sharedDataModel();
    auto counts = [&] {
        return std::vector<size_t> { data->getAllProducts().size(), data->getAllProductTags().size(),
            data->getAllLibFiles().size(), data->getAllCustomers(true).size() };
    };
    const auto before = counts();
    ASSERT_EQ(before, (std::vector<size_t> { 2, 1, 1, 1 }));
    const Value emptyTable = Value::array();
    const struct {
        const char* what;
        const char* command;
        const char* mark;
        Value content;
    } cases[] = {
        { "products as an object", FakeCompanyServer::kSyncProduct, "ProductSynced", Value::dictionary() },
        { "products as a text", FakeCompanyServer::kSyncProduct, "ProductSynced", Value("") },
        { "products without tables", FakeCompanyServer::kSyncProduct, "ProductSynced", Value::array() },
        { "products without the tag tables", FakeCompanyServer::kSyncProduct, "ProductSynced",
            Value::array({ emptyTable, emptyTable, emptyTable, emptyTable }) },
        { "product tags as an object", FakeCompanyServer::kSyncProduct, "ProductSynced",
            Value::array({ emptyTable, emptyTable, emptyTable, emptyTable, Value::dictionary(), emptyTable }) },
        { "products null", FakeCompanyServer::kSyncProduct, "ProductSynced", Value() },
        { "library files as an object", FakeCompanyServer::kSyncFile, "FileSynced", Value::dictionary() },
        { "library categories missing", FakeCompanyServer::kSyncFile, "FileSynced", Value::array({ emptyTable }) },
        { "replaced files as a text", FakeCompanyServer::kSyncFile, "FileSynced",
            Value::array({ emptyTable, emptyTable, Value("5") }) },
        { "customers as a number", FakeCompanyServer::kSyncCustomer, "CustomerSynced", Value(3) },
        { "customer contacts missing", FakeCompanyServer::kSyncCustomer, "CustomerSynced",
            Value::array({ emptyTable, emptyTable, emptyTable }) },
    };
    auto defaults = NSUserDefaults::standardUserDefaults();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Value full = server.content(c.command);
        const Value changes = server.content(std::string(c.command) + FakeCompanyServer::kChanges);
        server.setContent(c.command, c.content);
        server.setContent(std::string(c.command) + FakeCompanyServer::kChanges, c.content);
        // Unmarked, the group asks for its whole tables; the wrong shape must not mark it.
        defaults->removeObjectForKey(std::string("ACME-") + c.mark);
        defaults->removeObjectForKey("ACME-lastsync");
        server.clearReceived();
        EXPECT_FALSE(synchronise());
        ASSERT_FALSE(syncDelegate->events.empty());
        EXPECT_EQ(syncDelegate->events.back(), "break:No status");
        EXPECT_FALSE(syncDelegate->has("finished"));
        EXPECT_EQ(counts(), before);
        EXPECT_EQ(stringDefault(std::string("ACME-") + c.mark), "");
        EXPECT_EQ(stringDefault("ACME-lastsync"), "");
        auto sent = tableCommands(commands());
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), c.command);
        server.setContent(c.command, full);
        server.setContent(std::string(c.command) + FakeCompanyServer::kChanges, changes);
    }
    ASSERT_TRUE(synchronise());
    EXPECT_EQ(counts(), before);
}

TEST_F(SessionRoad, WithNoModuleOnTheRunFinishesAtOnce)
{
    ScopedManualClock clock;
    Value config = server.content(FakeCompanyServer::kConfig);
    config.set("configuration",
        Value::dictionary({ { "home", "1" }, { "category", "0" }, { "customer", "0" }, { "inventory", "0" },
            { "library", "0" }, { "order", "0" }, { "sync", "1" } }));
    server.setContent(FakeCompanyServer::kConfig, config);
    ASSERT_TRUE(signIn());
    server.clearReceived();
    ASSERT_TRUE(synchronise());
    EXPECT_TRUE(tableCommands(commands()).empty());
    EXPECT_FALSE(stringDefault("ACME-lastsync").empty());
}

TEST_F(SessionRoad, ASignInDuringTheRunTakesTheNewSession)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    server.setRequireSession(true);
    LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOffline);
    LoginMode::sharedInstance()->setSessionId("stale");
    server.clearReceived();
    ASSERT_TRUE(synchronise());
    EXPECT_EQ(commands().front(), "login");
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeOnline);
    EXPECT_EQ(LoginMode::sharedInstance()->sessionId(), server.lastSessionId());
    for (const auto& r : server.receivedFor(FakeCompanyServer::kSyncProduct))
        EXPECT_EQ(r.sessionId, server.lastSessionId());
}

TEST_F(SessionRoad, ANetworkLossDuringTheRunBreaksIt)
{
    ScopedManualClock clock;
    ASSERT_TRUE(signIn());
    server.setFault(FakeCompanyServer::kSyncProduct, FakeCompanyServer::Fault::Stall, 30);
    auto sync = SyncModel::sharedInstance();
    sync->setDelegate(syncDelegate);
    sync->startSync();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !server.receivedFor(FakeCompanyServer::kUserInfo).empty(); }, 10));
    NSNotificationCenter::defaultCenter().postNotificationName("netUnconnect");
    EXPECT_EQ(syncDelegate->events, std::vector<std::string> { "break:Network lost" });
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeOffline);
}

TEST(SyncModelRemainingTime, FromElapsedTimeAndProgress)
{
    struct Case {
        double elapsed;
        float p1;
        size_t n1;
        float p3;
        size_t n3;
        int expected;
    };
    const Case cases[] = {
        { 0, 0.5f, 10, 0, 0, 0 },  // the first report has no elapsed time
        { 10, 0.05f, 10, 0, 0, 0 },  // less than one whole file done: no rate yet
        { 10, 0.5f, 10, 0, 0, 10 },  // half of ten files in 10 s: 10 s more
        { 10, 0.25f, 8, 0.5f, 4, 20 },  // 2 + 2 of 12 files in 10 s
    };
    for (const auto& c : cases)
        EXPECT_EQ(SyncModel::remainingSeconds(c.elapsed, c.p1, c.n1, c.p3, c.n3, 0, 0), c.expected)
            << c.elapsed << " " << c.p1;
}

TEST_F(SessionRoad, TheGeneratedSampleCompanySynchronisesWhole)
{
    ScopedManualClock clock;
    ASSERT_TRUE(server.loadCompany(CORVELLE_SAMPLE_COMPANY_DIR));
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(synchronise());
    auto data = DataAccessManager::sharedDataModel();
    EXPECT_EQ(data->getAllProducts().size(), 300u);
    EXPECT_EQ(data->getAllLibFiles().size(), 4u);
    EXPECT_EQ(data->getAllCustomers(true).size(), 24u);
    // Prices in two currencies, some of them discounted for a time.
    EXPECT_EQ(data->getpriceCurrencyByProductId(1), "USD");
    EXPECT_EQ(data->getpriceCurrencyByProductId(2), "CNY");
    auto offer = data->getPriceEntityByProductId(10);
    ASSERT_TRUE(offer);
    EXPECT_GT(offer->discount_price, 0);
    ASSERT_TRUE(offer->discount_start_date && offer->discount_end_date);
    EXPECT_LT(offer->discount_start_date->secondsSince1970, offer->discount_end_date->secondsSince1970);
    for (const char* file :
        { "acme/ProductImages/p00300.png", "acme/ProductImages/p00300_t.png", "acme/LibraryImages/cover4.png" })
        EXPECT_TRUE(exists(file)) << file;
    EXPECT_EQ(server.receivedFor("file").size(), 1u + 600u + 4u);
}

TEST_F(SessionRoad, DemoSignInOpensTheUnpackedDemoClient)
{
    auto skins = SkinManager::sharedInstance();
    ASSERT_TRUE(skins->initializeDemoZip());
    for (const char* client : { LoginMode::kDemoClientFirst, LoginMode::kDemoClientSecond }) {
        freeSession();
        auto session = LoginMode::sharedInstance();
        session->setDelegate(loginDelegate);
        session->loginWithDemo(client);
        EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeDemo);
        auto config = ConfigManager::sharedInstance();
        for (int tab : { 0, 1, 2, 3, 4, 5 })
            EXPECT_TRUE(config->isOnShow(tab)) << client << " tab " << tab;
        EXPECT_EQ(DataAccessManager::sharedDataModel()->getAllProducts().size(), 40u);
        EXPECT_TRUE(exists(std::string(client) + "/SkinImages/homelogo.png"));
        EXPECT_TRUE(exists(std::string(client) + "/Pdf/catalogue.pdf"));
    }
    EXPECT_TRUE(server.received().empty());
}

TEST(LoginModeVersionAlert, AutomaticChecksRespectAPostponementOfSevenDays)
{
    TemporaryHome home;
    ScopedManualClock clock;
    auto session = LoginMode::sharedInstance();
    auto defaults = NSUserDefaults::standardUserDefaults();
    const double day = 86400;
    struct Case {
        bool automatic;
        int kind;
        const char* key;
        double postponedDaysAgo;  // below 0: nothing stored
        bool expected;
        bool keyRemains;
    };
    const Case cases[] = {
        { false, 1, "UpdateVersionSign", 1, true, true },  // the user asked
        { true, 0, nullptr, -1, false, false },
        { true, 1, "UpdateVersionSign", -1, true, false },
        { true, 1, "UpdateVersionSign", 6, false, true },
        { true, 1, "UpdateVersionSign", 8, true, false },
        { true, 2, "UpdateVersionSuggest", 6, false, true },
        { true, 2, "UpdateVersionSuggest", 8, true, false },
        { true, 3, nullptr, -1, true, false },
    };
    for (const auto& c : cases) {
        defaults->removeObjectForKey("UpdateVersionSign");
        defaults->removeObjectForKey("UpdateVersionSuggest");
        if (c.key && c.postponedDaysAgo >= 0)
            defaults->setObjectForKey(Value(NSDate::dateWithTimeIntervalSinceNow(-c.postponedDaysAgo * day)), c.key);
        session->setCheckLocalVersion(c.automatic);
        EXPECT_EQ(session->isNeedCheckVersionAlert(c.kind), c.expected) << c.kind << " " << c.postponedDaysAgo;
        if (c.key) {
            EXPECT_EQ(!defaults->objectForKey(c.key).isNull(), c.keyRemains) << c.kind << " " << c.postponedDaysAgo;
        }
    }
    LoginMode::freeInstance();
}
