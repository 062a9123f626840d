// The whole road from the welcome screen over the real engine and the
// loopback to the fake company server: the application starts on the welcome
// screen, a person types the account and taps the sign-in button, the main
// screen comes, the synchronisation tab's button fetches the company's data,
// and after a log-out the new welcome screen offers the saved shortcut.

#include "LoginScreenFixture.h"

#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/QuoteOrder/QuoteOrderThumbnailCache.h"
#include "Classes/Sync/SyncViewController.h"
#include "Database/DataAccessManager.h"
#include "Network/HTTP/Reachability.h"
#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UINavigationController.h"
#include "support/FakeCompanyServer.h"
#include "support/RequestsDrain.h"
#include "support/ServerSettings.h"
#include "support/TestWelcomeScreen.h"

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

class WelcomeRoadTest : public LoginScreenFixture {
protected:
    void SetUp() override
    {
        LoginScreenFixture::SetUp();
        // Messages go over the real engine to the server on the loopback.
        frontDoor.reset();
        server.setAccount("ACME", "sales1", { "secret" });
        server.addFile("ACME", "", "SkinImages.zip", fileBytes(CORVELLE_SKIN_ARCHIVE));
        server.addFile("ACME", "product", "chair.png", "full image");
        server.addFile("ACME", "product", "chair_t.png", "thumb image");
        server.addFile("ACME", "icon", "logo.png", "icon");
        server.addFile("ACME", "library/cover_image", "catalogue.png", "cover");
        ASSERT_TRUE(server.start());
        auto defaults = NSUserDefaults::standardUserDefaults();
        // The same version as the bundle's: the launch keeps these server settings.
        defaults->setObjectForKey(
            NSBundle::mainBundle()->objectForInfoDictionaryKey("CFBundleShortVersionString"), "App_version");
        pointSettingsAtServer(server);
        demoSwitches(true, true);
        HttpNetworkCtrl::sharedInstance()->shouldReportChunk = [] { return false; };

        CorvelleAppDelegate::setWelcomeScreenFactory([] { return std::make_shared<WeclomeViewController>(); });
        app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        UIApplication::sharedApplication()->launch();
        // Whether the test machine reaches the public internet is no part of
        // this road: a lost-network note would cancel the downloads under way.
        if (auto probe = app->hostReach())
            probe->stopNotifier();
        appDriver = std::make_unique<UIDriver>(app->window());
        appDriver->settle();
    }

    void TearDown() override
    {
        cancelAllRequestsAndDrainTransport();
        installTestWelcomeScreen();
        appDriver.reset();
        if (app)
            app->window()->setRootViewController(nullptr);
        app.reset();
        server.stop();
        LoginScreenFixture::TearDown();
    }

    std::shared_ptr<WeclomeViewController> welcome() const
    {
        return std::dynamic_pointer_cast<WeclomeViewController>(app->window()->rootViewController());
    }

    FakeCompanyServer server;
    std::shared_ptr<CorvelleAppDelegate> app;
    std::unique_ptr<UIDriver> appDriver;
};

TEST_F(WelcomeRoadTest, SignInFromTheFormThenSynchroniseThenTheShortcutAfterLogOut)
{
    auto first = welcome();
    ASSERT_TRUE(first);
    auto form = first->loginCheckBox();
    EXPECT_EQ(form->loginItemList()->itemList().size(), 2u);

    appDriver->tap(form->userNameInputText());
    appDriver->advance(0.35);
    appDriver->typeText("sales1\n");
    appDriver->typeText("secret\n");
    appDriver->typeText("ACME");
    // The form has moved up with the keyboard; a moving view takes no taps.
    appDriver->advance(0.35);
    appDriver->tap(form->btnAutologin());
    ASSERT_TRUE(appDriver->tapButton(text("LOGINBUT")));
    const bool shown = pumpMainRunLoopUntil([&] { return app->tabBarController() && !welcome(); }, 30);
    if (!shown) {
        for (const auto& r : server.received())
            ADD_FAILURE() << "got " << r.command;
        if (auto a = appDriver->visibleAlert())
            ADD_FAILURE() << "alert " << a->title() << " / " << a->message();
        ADD_FAILURE() << "type " << LoginMode::sharedInstance()->loginType() << " user '"
                      << form->userNameInputText()->text() << "' pw '" << form->passWordInputText()->text()
                      << "' client '" << form->clientIDInputText()->text() << "'";
    }
    ASSERT_TRUE(shown);

    auto session = LoginMode::sharedInstance();
    EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeOnline);
    EXPECT_EQ(session->acountID(), std::optional<std::string>("sales1"));
    EXPECT_EQ(MessageBox::sharedInstance()->waitMsgBoxtag(), 0);
    const ValueArray saved = savedSignIns();
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved[0]["Input_ClientID"].stringValue(), "ACME");
    EXPECT_EQ(saved[0]["INPUT_USESHORTCUT"].stringValue(), "YES");

    // The synchronisation tab, its button, and the run over the loopback.
    app->tabBarController()->selectTab(UITabBarControllerExt::TabSync);
    appDriver->settle();
    auto navigation = std::dynamic_pointer_cast<UINavigationController>(
        app->tabBarController()->viewControllers().at(UITabBarControllerExt::TabSync));
    ASSERT_TRUE(navigation);
    auto sync = std::dynamic_pointer_cast<SyncViewController>(navigation->topViewController());
    ASSERT_TRUE(sync);
    ASSERT_TRUE(appDriver->tapButton(text("GETUPDATES")));
    const bool ended = pumpMainRunLoopUntil([&] { return sync->resourceUpdateView()->btnsync()->isEnabled(); }, 60);
    if (!ended) {
        for (size_t i = logLines.size() > 60 ? logLines.size() - 60 : 0; i < logLines.size(); ++i)
            ADD_FAILURE() << logLines[i].substr(0, 300);
    }
    ASSERT_TRUE(ended);
    auto panel = sync->resourceUpdateView();
    EXPECT_EQ(panel->syncInfoProduc()->lbprogressTxt(), text("COMPLETED"));
    EXPECT_EQ(panel->syncInfoCustomer()->lbprogressTxt(), text("COMPLETED"));
    EXPECT_NE(panel->syncInfoProduc()->dateText(), text("NORECORD"));
    EXPECT_EQ(DataAccessManager::sharedDataModel()->getAllProducts().size(), 2u);
    EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(home->documents() + "/acme/ProductImages/chair.png"));
    EXPECT_TRUE(appDriver->renderToPNG(UIDriver::snapshotPath("SyncScreenAfterARun.png")));

    // Log-out: a new welcome screen, whose strip now holds the saved shortcut.
    app->showLoginPage();
    appDriver->settle();
    auto again = welcome();
    ASSERT_TRUE(again);
    ASSERT_NE(again, first);
    const auto& tiles = again->loginCheckBox()->loginItemList()->itemList();
    ASSERT_EQ(tiles.size(), 3u);
    EXPECT_EQ(tiles[2]->clientId(), "ACME");
    EXPECT_EQ(tiles[2]->accountId(), "sales1");
    EXPECT_EQ(again->loginCheckBox()->userNameInputText()->text(), "sales1");
}

}  // namespace

namespace {

// With the server gone, the stored account signs in offline; a wrong password
// is refused on the device.
TEST_F(WelcomeRoadTest, WithTheServerDownTheStoredAccountSignsInOffline)
{
    auto form = welcome()->loginCheckBox();
    appDriver->tap(form->userNameInputText());
    appDriver->advance(0.35);
    appDriver->typeText("sales1\n");
    appDriver->typeText("secret\n");
    appDriver->typeText("ACME\n");
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return app->tabBarController() && !welcome(); }, 30));
    app->showLoginPage();
    appDriver->settle();
    server.stop();

    auto signInWithPassword = [&](const std::string& password) {
        auto current = welcome();
        EXPECT_TRUE(current);
        if (!current)
            return std::shared_ptr<UIAlertView>();
        auto fields = current->loginCheckBox();
        // The form comes back with the last account and client filled in.
        EXPECT_EQ(fields->userNameInputText()->text(), "sales1");
        EXPECT_EQ(fields->clientIDInputText()->text(), "ACME");
        appDriver->tap(fields->passWordInputText());
        appDriver->advance(0.35);
        appDriver->typeText(password);
        EXPECT_TRUE(appDriver->tapButton(text("LOGINBUT")));
        std::shared_ptr<UIAlertView> shown;
        EXPECT_TRUE(pumpMainRunLoopUntil(
            [&] {
                auto alert = appDriver->visibleAlert();
                if (alert && alert->title() == text("NOTIFICATION"))
                    shown = alert;
                return shown != nullptr;
            },
            30));
        return shown;
    };

    auto refused = signInWithPassword("wrong");
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->message(), text("USINGOFFLINE"));
    EXPECT_TRUE(welcome());
    EXPECT_NE(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeOffline);
    ASSERT_TRUE(appDriver->tapAlertButton(text("OK")));

    // A new welcome screen, as after a log-out, for the second try.
    app->showLoginPage();
    appDriver->settle();
    auto offline = signInWithPassword("secret");
    ASSERT_TRUE(offline);
    EXPECT_EQ(offline->message(), text("USINGOFFLINE"));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !welcome(); }, 10));
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeOffline);
    EXPECT_EQ(MessageBox::sharedInstance()->waitMsgBoxtag(), 0);
}

}  // namespace

namespace {

// Two clients on one device, one after the other: what the first one's
// session left in memory (its customers, its order thumbnails) is gone when
// the second signs in.
TEST_F(WelcomeRoadTest, AfterALogOutTheNextClientSeesNothingOfThePreviousOne)
{
    server.setAccount("BETA", "sales2", { "other" });
    server.addFile("BETA", "", "SkinImages.zip", fileBytes(CORVELLE_SKIN_ARCHIVE));
    auto signInAs = [&](const std::string& user, const std::string& password, const std::string& client) {
        auto fields = welcome()->loginCheckBox();
        const std::shared_ptr<UITextField> all[]
            = { fields->userNameInputText(), fields->passWordInputText(), fields->clientIDInputText() };
        for (const auto& field : all) {
            appDriver->tap(field);
            appDriver->advance(0.35);
            for (size_t n = field->text().size(); n > 0; --n)
                appDriver->pressBackspace();
        }
        appDriver->tap(fields->userNameInputText());
        appDriver->advance(0.35);
        appDriver->typeText(user + "\n");
        appDriver->typeText(password + "\n");
        appDriver->typeText(client + "\n");
        return pumpMainRunLoopUntil([&] { return app->tabBarController() && !welcome(); }, 30);
    };

    ASSERT_TRUE(signInAs("sales1", "secret", "ACME"));
    auto customers = CustomerDataModel::sharedInstance();
    const int acmeCustomer = customers->saveCustomerWithNameStreetCityStateZipCode(std::string("Quayside Traders"),
        std::string("1 Quay"), std::string("Harbour"), std::string("CA"), std::string("90001"));
    ASSERT_LT(acmeCustomer, 0);
    ASSERT_FALSE(customers->customerSearch(std::string("Quayside")).empty());
    const std::string acmeThumbnail = QuoteOrderThumbnailCache::sharedInstance().imagePathForProduct(1);
    ASSERT_NE(acmeThumbnail.find("/acme/"), std::string::npos);
    customers.reset();

    app->showLoginPage();
    appDriver->settle();
    ASSERT_TRUE(welcome());
    ASSERT_TRUE(signInAs("sales2", "other", "BETA"));
    EXPECT_EQ(LoginMode::sharedInstance()->clientID(), std::optional<std::string>("BETA"));
    auto seen = CustomerDataModel::sharedInstance();
    EXPECT_EQ(seen->customerInfoDic().count(acmeCustomer), 0u);
    EXPECT_TRUE(seen->customerSearch(std::string("Quayside")).empty());
    EXPECT_TRUE(seen->allSearchPersonList().empty());
    const std::string betaThumbnail = QuoteOrderThumbnailCache::sharedInstance().imagePathForProduct(1);
    EXPECT_NE(betaThumbnail.find("/beta/"), std::string::npos) << betaThumbnail;
}

}  // namespace
