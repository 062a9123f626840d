#include "Classes/Frame/CorvelleAppDelegate.h"
#include "support/TestDesktop.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "support/TestWelcomeScreen.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Database/ConfigManager.h"
#include "Network/HTTP/Reachability.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/SystemConfiguration/SCNetworkReachability.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UINavigationController.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

class CorvelleAppDelegateTest : public ScreenTest {
protected:
    // Launches the application as the process entry does, and drives its window.
    std::shared_ptr<CorvelleAppDelegate> launch()
    {
        app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        UIApplication::sharedApplication()->launch();
        appDriver = std::make_unique<UIDriver>(app->window());
        appDriver->settle();
        return app;
    }
    void TearDown() override
    {
        SCNetworkReachability::setInjectedFlags(std::nullopt);
        appDriver.reset();
        if (app)
            app->window()->setRootViewController(nullptr);
        app.reset();
        ScreenTest::TearDown();
    }
    std::shared_ptr<NSUserDefaults> defaults() const { return NSUserDefaults::standardUserDefaults(); }
    std::string documents(const std::string& name = {}) const
    {
        return home->documents() + (name.empty() ? "" : "/" + name);
    }
    std::string bundleVersion() const
    {
        return NSBundle::mainBundle()->objectForInfoDictionaryKey("CFBundleShortVersionString").stringValue();
    }
    std::shared_ptr<UIAlertView> alert() const { return appDriver->visibleAlert(); }

    std::shared_ptr<CorvelleAppDelegate> app;
    std::unique_ptr<UIDriver> appDriver;
};

TEST_F(CorvelleAppDelegateTest, FirstLaunchWritesDefaultsMovesFoldersAndShowsTheWelcomeScreen)
{
    std::filesystem::create_directories(home->tmp() + "/AcMe/ProductImages");
    defaults()->setIntegerForKey(0, "Port");
    launch();

    EXPECT_EQ(defaults()->stringForKey("App_version"), bundleVersion());
    EXPECT_EQ(app->currentVersion(), bundleVersion());
    EXPECT_TRUE(defaults()->boolForKey("D_OKRA_SHORTCUT"));
    EXPECT_TRUE(defaults()->boolForKey("VELLORAN_SHORTCUT"));
    EXPECT_EQ(defaults()->integerForKey("Port"), 48080);
    EXPECT_EQ(defaults()->stringForKey("Path"), "CorvelleSaas");
    EXPECT_EQ(defaults()->integerForKey("ImagePort"), 480);
    EXPECT_EQ(defaults()->stringForKey("ImagePath"), "corvelle_saas");
    EXPECT_TRUE(defaults()->stringForKey("IP"));
    EXPECT_TRUE(std::filesystem::exists(documents("acme/ProductImages")));
    EXPECT_FALSE(std::filesystem::exists(home->tmp() + "/AcMe"));
    EXPECT_TRUE(SkinManager::sharedInstance()->needUpdateDemo());
    EXPECT_TRUE(app->window()->isKeyWindow());
    auto root = app->window()->rootViewController();
    ASSERT_TRUE(root);
    EXPECT_NE(std::dynamic_pointer_cast<TestWelcomeScreen>(root), nullptr);
    EXPECT_FALSE(app->tabBarController());
    // The front door's locked-user path and the version reach this delegate.
    EXPECT_EQ(ProtocolServices::currentVersion(), bundleVersion());
}

TEST_F(CorvelleAppDelegateTest, WithoutAWelcomeScreenLaunchingRaises)
{
    // Put back for the tests after this one however this one ends.
    struct Restore {
        ~Restore() { installTestWelcomeScreen(); }
    } restore;
    const std::vector<std::pair<const char*, CorvelleAppDelegate::WelcomeScreenFactory>> cases = {
        { "no factory", nullptr },
        { "a factory that gives nothing", [] { return std::shared_ptr<UIViewController>(); } },
    };
    for (const auto& [name, factory] : cases) {
        SCOPED_TRACE(name);
        CorvelleAppDelegate::setWelcomeScreenFactory(factory);
        app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        EXPECT_THROW(UIApplication::sharedApplication()->launch(), NSException);
        EXPECT_FALSE(app->window()->rootViewController());
    }
}

TEST_F(CorvelleAppDelegateTest, SecondLaunchOfTheSameVersionOnlyLowerCasesClientFolders)
{
    defaults()->setObjectForKey(Value(bundleVersion()), "App_version");
    defaults()->setBoolForKey(false, "D_OKRA_SHORTCUT");
    defaults()->setBoolForKey(false, "VELLORAN_SHORTCUT");
    defaults()->setObjectForKey(Value(std::string("elsewhere.example")), "IP");
    std::filesystem::create_directories(documents("BigCo/Pdf"));
    std::filesystem::create_directories(home->tmp() + "/Waiting");
    launch();

    EXPECT_TRUE(std::filesystem::exists(documents("bigco/Pdf")));
    EXPECT_FALSE(std::filesystem::exists(documents("BigCo")));
    EXPECT_TRUE(std::filesystem::exists(home->tmp() + "/Waiting"));
    EXPECT_FALSE(defaults()->boolForKey("D_OKRA_SHORTCUT"));
    EXPECT_EQ(defaults()->stringForKey("IP"), "elsewhere.example");
    EXPECT_FALSE(SkinManager::sharedInstance()->needUpdateDemo());
}

TEST_F(CorvelleAppDelegateTest, BlankStoredVersionCountsAsMissingAndOneShortcutSwitchesBothOn)
{
    defaults()->setObjectForKey(Value(std::string("   ")), "App_version");
    defaults()->setBoolForKey(false, "D_OKRA_SHORTCUT");
    defaults()->setObjectForKey(Value(std::string("elsewhere.example")), "IP");
    launch();
    EXPECT_EQ(defaults()->stringForKey("App_version"), bundleVersion());
    EXPECT_NE(defaults()->stringForKey("IP"), "elsewhere.example");
    EXPECT_TRUE(defaults()->boolForKey("D_OKRA_SHORTCUT"));
    EXPECT_TRUE(defaults()->boolForKey("VELLORAN_SHORTCUT"));
    EXPECT_TRUE(SkinManager::sharedInstance()->needUpdateDemo());
}

TEST_F(CorvelleAppDelegateTest, ReachabilityPostsConnectAndTellsTheSessionWhetherItIsMobile)
{
    launch();
    std::vector<std::string> posted;
    for (const char* name : { "netconnect", "netUnconnect" })
        NSNotificationCenter::defaultCenter().addObserver(
            this, name, [&posted](const NSNotification& n) { posted.push_back(n.name); });
    struct Case {
        uint32_t flags;
        const char* expected;
        bool notWifi;
    };
    const Case cases[] = {
        { kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsWWAN, "netconnect", true },
        { kSCNetworkReachabilityFlagsReachable, "netconnect", false },
        { 0, "netUnconnect", false },
    };
    for (const auto& c : cases) {
        posted.clear();
        SCNetworkReachability::setInjectedFlags(c.flags);
        appDriver->advance(1);
        ASSERT_FALSE(posted.empty()) << c.expected;
        EXPECT_EQ(posted.back(), c.expected);
        if (std::string(c.expected) == "netconnect") {
            EXPECT_EQ(LoginMode::sharedInstance()->isNotWifi(), c.notWifi);
        }
    }
    NSNotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(CorvelleAppDelegateTest, LockedUserReplyAlertsAndLogsOut)
{
    launch();
    auto session = LoginMode::sharedInstance();
    session->setClientID(std::string("acme"));
    session->setAcountID(std::string("ann"));
    session->setLoginType(LoginMode::kLoginTypeOnline);
    app->showMainController();
    appDriver->settle();
    ASSERT_TRUE(app->tabBarController());

    // Back in the foreground the session asks after the device; the server
    // answers that the user is locked.
    frontDoor->replyTo(0x106, FakeFrontDoor::envelope("207"));
    UIApplication::sharedApplication()->enterBackground();
    UIApplication::sharedApplication()->enterForeground();
    appDriver->settle();
    ASSERT_FALSE(frontDoor->messagesFor(0x106).empty());
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->tag(), CorvelleAppDelegate::kLockedUserAlertTag);
    EXPECT_EQ(alert()->title(), Language::stringWithName("NOTIFICATION").value_or(""));
    EXPECT_EQ(app->deviceStatus(), "207");

    ASSERT_TRUE(appDriver->tapAlertButton(Language::stringWithName("OK").value_or("OK")));
    appDriver->settle();
    EXPECT_FALSE(LoginMode::sharedInstance()->clientID());
    EXPECT_NE(std::dynamic_pointer_cast<TestWelcomeScreen>(app->window()->rootViewController()), nullptr);
}

TEST_F(CorvelleAppDelegateTest, AStatus114ReplyReachesTheDelegateAndIsOnlyStored)
{
    launch();
    LoginMode::sharedInstance()->setClientID(std::string("acme"));
    frontDoor->replyTo(0x106, FakeFrontDoor::envelope("114"));
    NetworkModel::sharedInstance()->sendRequest(std::make_shared<RequestCheckDeviceStatus>());
    appDriver->settle();
    EXPECT_EQ(app->deviceStatus(), "114");
    EXPECT_FALSE(alert());
    // A locked status without a message is stored and shows nothing either.
    app->logoutWithLockedUserMessage("207", std::nullopt);
    EXPECT_EQ(app->deviceStatus(), "207");
    EXPECT_FALSE(alert());
}

TEST_F(CorvelleAppDelegateTest, LockedUserAlertActsOnTheStatusItWasShownFor)
{
    std::filesystem::create_directories(documents("acme"));
    std::filesystem::create_directories(documents("other"));
    launch();
    ValueArray saved { Value(ValueDictionary { { "Input_ClientID", Value(std::string("Acme")) } }),
        Value(ValueDictionary { { "Input_ClientID", Value(std::string("Other")) } }) };
    defaults()->setObjectForKey(Value(saved), "Login_Info_Array");

    app->logoutWithLockedUserMessage("207", std::string("Your account is locked"));
    ASSERT_TRUE(alert());
    // A "114" arrives while the alert is up: the alert still answers "207".
    app->logoutWithLockedUserMessage("114", std::string("later"));
    EXPECT_EQ(app->deviceStatus(), "114");
    ASSERT_TRUE(appDriver->tapAlertButton(Language::stringWithName("OK").value_or("OK")));
    appDriver->settle();
    EXPECT_TRUE(std::filesystem::exists(documents("acme")));
    EXPECT_TRUE(std::filesystem::exists(documents("other")));
    EXPECT_FALSE(defaults()->objectForKey("Login_Info_Array").isNull());
}

TEST_F(CorvelleAppDelegateTest, AnsweringForStatus114RemovesOnlyFoldersNamedBySafeClientIds)
{
    launch();
    for (const char* folder : { "acme", "keep" })
        std::filesystem::create_directories(documents(folder));
    std::ofstream(home->path() + "/precious.txt") << "mine";
    ValueArray saved;
    for (const char* id : { "ACME", "", " ", ".", "..", "../precious.txt", "a/b" })
        saved.push_back(Value(ValueDictionary { { "Input_ClientID", Value(std::string(id)) } }));
    saved.push_back(Value(ValueDictionary {}));
    defaults()->setObjectForKey(Value(saved), "Login_Info_Array");

    app->lockedUserAlertAnswered("114");
    EXPECT_FALSE(std::filesystem::exists(documents("acme")));
    EXPECT_TRUE(std::filesystem::exists(documents("keep")));
    EXPECT_TRUE(std::filesystem::exists(home->documents()));
    EXPECT_TRUE(std::filesystem::exists(home->path() + "/precious.txt"));
    EXPECT_TRUE(defaults()->objectForKey("Login_Info_Array").isNull());
}

TEST_F(CorvelleAppDelegateTest, VersionReplyOffersTheUpdateAndRemembersLater)
{
    ScopedTestApplication browser;
    ASSERT_TRUE(browser.installed()) << browser.error();
    std::vector<std::string> handedOver;
    launch();
    auto session = LoginMode::sharedInstance();
    session->setCheckLocalVersion(false);
    auto reply = std::make_shared<CheckAppVersionRst>();
    reply->status = "200";
    reply->appVersion = "2.0";
    reply->appUrl = "http://example.com/app";
    reply->msgEnglish = "New things";
    reply->msgChinese = "New things";

    struct Case {
        int updateType;
        long tag;
        long buttons;
    };
    for (const auto& c : { Case { 1, 8001, 2 }, Case { 2, 8002, 2 }, Case { 3, 8003, 1 } }) {
        reply->updateType = c.updateType;
        app->CheckAppVersionReturn(*reply);
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->tag(), c.tag);
        EXPECT_EQ(alert()->numberOfButtons(), c.buttons);
        EXPECT_EQ(alert()->title(), Language::stringWithName("NEWVERSIONFOUND").value_or("") + " 2.0");
        // The last button opens the address.
        const size_t opened = UIApplication::sharedApplication()->openedURLs().size();
        ASSERT_TRUE(appDriver->tapAlertButton(alert()->buttonTitleAtIndex(c.buttons - 1)));
        appDriver->settle();
        ASSERT_EQ(UIApplication::sharedApplication()->openedURLs().size(), opened + 1);
        EXPECT_EQ(UIApplication::sharedApplication()->openedURLs().back(), "http://example.com/app");
        handedOver.push_back("http://example.com/app");
        EXPECT_EQ(browser.waitForArguments(handedOver.size()), handedOver);
    }

    reply->updateType = 2;
    app->CheckAppVersionReturn(*reply);
    ASSERT_TRUE(appDriver->tapAlertButton(Language::stringWithName("LATER").value_or("LATER")));
    appDriver->settle();
    EXPECT_FALSE(defaults()->objectForKey("UpdateVersionSuggest").isNull());
    EXPECT_TRUE(defaults()->objectForKey("UpdateVersionSign").isNull());
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), Language::stringWithName("CANCELUPDATEMSG").value_or(""));
    appDriver->tapAlertButton(alert()->buttonTitleAtIndex(0));

    // A blank address opens nothing.
    reply->appUrl = "  ";
    reply->updateType = 3;
    app->CheckAppVersionReturn(*reply);
    const size_t opened = UIApplication::sharedApplication()->openedURLs().size();
    ASSERT_TRUE(appDriver->tapAlertButton(alert()->buttonTitleAtIndex(0)));
    EXPECT_EQ(UIApplication::sharedApplication()->openedURLs().size(), opened);
}

TEST_F(CorvelleAppDelegateTest, UserStartedCheckSaysWhenThereIsNothingNew)
{
    launch();
    LoginMode::sharedInstance()->setCheckLocalVersion(false);
    CheckAppVersionRst reply;
    reply.status = "200";
    reply.updateType = 0;
    app->CheckAppVersionReturn(reply);
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), Language::stringWithName("LATESTVERSIONMSG").value_or(""));
    appDriver->tapAlertButton(alert()->buttonTitleAtIndex(0));

    reply.status = "999";
    reply.message = "Server busy";
    app->CheckAppVersionReturn(reply);
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), "Server busy");
    appDriver->tapAlertButton(alert()->buttonTitleAtIndex(0));

    // An automatic check with nothing new says nothing.
    LoginMode::sharedInstance()->setCheckLocalVersion(true);
    reply.status = "200";
    app->CheckAppVersionReturn(reply);
    EXPECT_FALSE(alert());
}

TEST_F(CorvelleAppDelegateTest, UncaughtExceptionOpensAMailReport)
{
    ScopedTestApplication mailer;
    ASSERT_TRUE(mailer.installed()) << mailer.error();
    launch();
    NSException exception("NSRangeException", "index 5 beyond bounds");
    exception.setCallStackSymbols({ "frame one", "frame two" });
    CorvelleAppDelegate::uncaughtExceptionHandler(exception);
    ASSERT_FALSE(UIApplication::sharedApplication()->openedURLs().empty());
    const std::string link = UIApplication::sharedApplication()->openedURLs().back();
    EXPECT_EQ(link.rfind("mailto://", 0), 0u);
    EXPECT_NE(link.find("NSRangeException"), std::string::npos);
    EXPECT_NE(link.find("frame%20one%3Cbr%3Eframe%20two"), std::string::npos);
    // The desktop's mail program gets the report's link as it stands.
    EXPECT_EQ(mailer.waitForArguments(1), (std::vector<std::string> { link }));
    EXPECT_TRUE(
        logged("the name is NSRangeException,the reason is index 5 beyond bounds,the arr is frame one<br>frame two"));
}

TEST_F(CorvelleAppDelegateTest, BackgroundAndForegroundArePosted)
{
    launch();
    std::vector<std::string> posted;
    for (const char* name : { "AppWillEnterBackgound", "AppWillEnterForegroud" })
        NSNotificationCenter::defaultCenter().addObserver(
            this, name, [&posted](const NSNotification& n) { posted.push_back(n.name); });
    UIApplication::sharedApplication()->enterBackground();
    UIApplication::sharedApplication()->enterForeground();
    EXPECT_EQ(posted, (std::vector<std::string> { "AppWillEnterBackgound", "AppWillEnterForegroud" }));
    NSNotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(CorvelleAppDelegateTest, MainScreenReplacesTheWelcomeScreenOnceAndLogoutBringsItBack)
{
    launch();
    LoginMode::sharedInstance()->setClientID(std::string("acme"));
    app->showMainController();
    auto bar = app->tabBarController();
    ASSERT_TRUE(bar);
    auto root = std::dynamic_pointer_cast<UINavigationController>(app->window()->rootViewController());
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->isNavigationBarHidden());
    EXPECT_EQ(root->topViewController(), bar);
    app->showMainController();
    EXPECT_EQ(app->tabBarController(), bar);
    EXPECT_EQ(app->window()->rootViewController(), root);

    LanguageManager::sharedInstance()->registerLanugageNotification(bar);
    app->showLoginPage();
    EXPECT_NE(std::dynamic_pointer_cast<TestWelcomeScreen>(app->window()->rootViewController()), nullptr);
    EXPECT_FALSE(LoginMode::sharedInstance()->clientID());
    EXPECT_EQ(LanguageManager::sharedInstance()->listenerCount(), 0u);
    // The tab bar property is left as it was.
    EXPECT_EQ(app->tabBarController(), bar);
}

TEST_F(CorvelleAppDelegateTest, NewConfigurationPutsTheLibraryBackToOneColumn)
{
    launch();
    app->setIsFileDisPlayTwoColumn(true);
    ConfigManager::freeInstance();
    ConfigManager::sharedInstance();
    EXPECT_FALSE(app->isFileDisPlayTwoColumn());
}

}  // namespace
