#include "Classes/Frame/AboutViewController.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "support/TestWelcomeScreen.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SettingsViewController.h"
#include "Classes/Frame/SwitchTableViewCell.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Frame/WebViewController.h"
#include "Database/ConfigManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/ServerInfo.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIWebView.h"
#include "support/HttpTestServer.h"
#include "support/ScreenTest.h"
#include "support/ServerSettings.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

namespace {

class SettingsScreenTest : public ScreenTest {
protected:
    void openSettings(bool customersShown = true, int userAccess = 0)
    {
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("Acme"));
        session->setAcountID(std::string("ann"));
        session->setCompanyName(std::string("Acme Sales"));
        session->setLoginType(LoginMode::kLoginTypeOnline);
        session->setUserAccess(userAccess);
        ConfigManager::sharedInstance()->setModelDescArray(
            std::vector<std::string> { "1", "1", customersShown ? "1" : "0", "0", "1", "1", "1" });
        app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        UIApplication::sharedApplication()->launch();
        app->showMainController();
        appDriver = std::make_unique<UIDriver>(app->window());
        appDriver->settle();
        appDriver->tap(app->tabBarController()->settingsBtn());
        appDriver->advance(0.5);
        sheet = std::dynamic_pointer_cast<UINavigationController>(app->tabBarController()->presentedViewController());
        ASSERT_TRUE(sheet);
        settings = std::dynamic_pointer_cast<SettingsViewController>(sheet->topViewController());
        ASSERT_TRUE(settings);
    }
    void TearDown() override
    {
        appDriver.reset();
        settings.reset();
        sheet.reset();
        if (app)
            app->window()->setRootViewController(nullptr);
        app.reset();
        ScreenTest::TearDown();
    }
    std::vector<std::string> rowTitles(long section)
    {
        std::vector<std::string> titles;
        auto table = top()->tableView();
        for (long row = 0; row < table->numberOfRowsInSection(section); ++row)
            titles.push_back(
                table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, section))->textLabel()->text());
        return titles;
    }
    std::shared_ptr<SettingsViewController> top() const
    {
        return std::dynamic_pointer_cast<SettingsViewController>(sheet->topViewController());
    }

    std::shared_ptr<CorvelleAppDelegate> app;
    std::unique_ptr<UIDriver> appDriver;
    std::shared_ptr<UINavigationController> sheet;
    std::shared_ptr<SettingsViewController> settings;
};

TEST_F(SettingsScreenTest, MainPageRowsBySection)
{
    openSettings();
    auto table = settings->tableView();
    EXPECT_EQ(table->numberOfSections(), 4);
    EXPECT_EQ(rowTitles(0), (std::vector<std::string> { text("ACCOUNTMANAGEMENT") }));
    EXPECT_EQ(rowTitles(1), (std::vector<std::string> { text("SHOWALLCUSTOMER"), text("FULLSYNC") }));
    EXPECT_EQ(
        rowTitles(2), (std::vector<std::string> { text("SWITCHLANGUAGES"), text("CHECKVERSION"), text("ABOUT") }));
    EXPECT_EQ(rowTitles(3), (std::vector<std::string> { text("LOGOUTSETTINGS") }));
    auto version = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(1, 2));
    EXPECT_EQ(version->detailTextLabel()->text(), app->currentVersion());
    auto language = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 2));
    EXPECT_EQ(language->detailTextLabel()->text(), "English");
    auto logout = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 3));
    EXPECT_EQ(logout->reuseIdentifier(), "LogoutCell");
    EXPECT_EQ(logout->textLabel()->textAlignment(), UITextAlignmentCenter);
    EXPECT_EQ(settings->title(), text("SETTINGSTITLE"));
    EXPECT_TRUE(appDriver->renderToPNG(UIDriver::snapshotPath("settings_en.png")));

    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    appDriver->settle();
    EXPECT_EQ(rowTitles(1), (std::vector<std::string> { text("SHOWALLCUSTOMER"), text("FULLSYNC") }));
    EXPECT_EQ(
        table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 2))->detailTextLabel()->text(), "中文");
    EXPECT_TRUE(appDriver->renderToPNG(UIDriver::snapshotPath("settings_cn.png")));
}

TEST_F(SettingsScreenTest, WithoutTheCustomersTabOnlyFullSyncIsInSectionOne)
{
    openSettings(false);
    EXPECT_EQ(rowTitles(1), (std::vector<std::string> { text("FULLSYNC") }));
}

TEST_F(SettingsScreenTest, ShowAllCustomersSwitchStoresAndTells)
{
    openSettings();
    int told = 0;
    NSNotificationCenter::defaultCenter().addObserver(
        this, "SETTINGS_SWITCH_CHANGE_NOTIFATION", [&told](const NSNotification&) { ++told; });
    auto cell = std::dynamic_pointer_cast<SwitchTableViewCell>(
        settings->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 1)));
    ASSERT_TRUE(cell);
    auto toggle = cell->switchShowAll();
    EXPECT_TRUE(toggle->isOn());
    appDriver->tap(toggle);
    EXPECT_FALSE(toggle->isOn());
    EXPECT_FALSE(ConfigManager::sharedInstance()->isShowAllCustomer());
    EXPECT_EQ(told, 1);
    NSNotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(SettingsScreenTest, LanguagePageChecksTheCurrentOneAndSwitches)
{
    openSettings();
    ASSERT_TRUE(appDriver->tapRow(text("SWITCHLANGUAGES")));
    appDriver->advance(0.5);
    auto page = top();
    ASSERT_NE(page, settings);
    EXPECT_EQ(page->settingPage, SettingsViewController::PageLanguage);
    EXPECT_EQ(page->title(), text("SWITCHLANGUAGES"));
    EXPECT_EQ(rowTitles(0), (std::vector<std::string> { "English", "中文" }));
    auto english = page->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0));
    EXPECT_EQ(english->accessoryType(), UITableViewCellAccessoryCheckmark);
    ASSERT_TRUE(appDriver->tapRow("中文"));
    appDriver->settle();
    EXPECT_EQ(LanguageManager::sharedInstance()->currentLanguage(), 2);
    EXPECT_EQ(page->title(), text("SWITCHLANGUAGES"));
    auto chinese = page->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(1, 0));
    EXPECT_EQ(chinese->accessoryType(), UITableViewCellAccessoryCheckmark);
}

TEST_F(SettingsScreenTest, AccountPageOpensTheSiteByAccessLevel)
{
    openSettings();
    ASSERT_TRUE(appDriver->tapRow(text("ACCOUNTMANAGEMENT")));
    appDriver->advance(0.5);
    EXPECT_EQ(rowTitles(0), (std::vector<std::string> { text("COMPANYNAME"), text("USERNAME"), text("OPENCMS") }));
    auto company = top()->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0));
    EXPECT_EQ(company->detailTextLabel()->text(), "Acme Sales");

    struct Case {
        int access;
        bool alert;
    };
    for (const auto& c : { Case { 0, false }, Case { 4, false }, Case { 1, true }, Case { 7, true } }) {
        SCOPED_TRACE(c.access);
        LoginMode::sharedInstance()->setUserAccess(c.access);
        ASSERT_TRUE(appDriver->tapRow(text("OPENCMS")));
        appDriver->settle();
        if (c.alert) {
            ASSERT_TRUE(appDriver->visibleAlert());
            EXPECT_EQ(appDriver->visibleAlert()->title(), text("NOCMSACCESS"));
            // Its "OPENCMS" button still opens the site.
            ASSERT_TRUE(appDriver->tapAlertButton(text("OPENCMS")));
        }
        appDriver->advance(0.5);
        auto web = std::dynamic_pointer_cast<WebViewController>(sheet->presentedViewController());
        ASSERT_TRUE(web);
        EXPECT_EQ(web->url(),
            "http://" + PublicFunction::GetServer()->imageUrlStr()
                + "/administrator/index.php?option=com_login&username=ann&client_id=Acme&lang=en-GB");
        ASSERT_TRUE(appDriver->tapButton(text("CLOSE")));
        appDriver->advance(0.5);
        EXPECT_FALSE(sheet->presentedViewController());
    }
}

TEST_F(SettingsScreenTest, TheSitePageLoadsFromTheImageServer)
{
    REQUIRE_WEB_ENGINE_DISPLAY();
    HttpTestServer server;
    server.route("/administrator/index.php", [](const HttpTestRequest&, HttpTestConnection& c) {
        c.respond(200, R"(<body style="margin:0;background:#f0c000">Site</body>)", { { "Content-Type", "text/html" } });
    });
    openSettings();
    // The image server, set after the start of the application, which sets its own.
    pointImageSettingsAt(server.port(), "");
    ASSERT_TRUE(appDriver->tapRow(text("ACCOUNTMANAGEMENT")));
    appDriver->advance(0.5);
    ASSERT_TRUE(appDriver->tapRow(text("OPENCMS")));
    appDriver->advance(0.5);
    auto page = std::dynamic_pointer_cast<WebViewController>(sheet->presentedViewController());
    ASSERT_TRUE(page);
    auto web = page->contentWebView();
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !web->isLoading() && web->webPagePictureIsCurrent(); }, 90))
        << web->currentURL().value_or("no address");
    auto requests = server.requestsFor("/administrator/index.php");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/administrator/index.php?option=com_login&username=ann&client_id=Acme&lang=en-GB");
    auto picture = web->webPagePicture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixelAt(600, 400), (CGPixel { 0xf0, 0xc0, 0x00, 0xff }));
}

TEST_F(SettingsScreenTest, FullSyncOnMobileNetworkCancelledStartsNothing)
{
    openSettings();
    LoginMode::sharedInstance()->setIsNotWifi(true);
    ASSERT_TRUE(appDriver->tapRow(text("FULLSYNC")));
    ASSERT_TRUE(appDriver->tapAlertButton(text("UPDATE")));
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->message(), text("WIFIALERT"));
    ASSERT_TRUE(appDriver->tapAlertButton(text("CANCEL")));
    appDriver->advance(0.5);
    EXPECT_FALSE(SyncModel::sharedInstance()->isSyncAllData());
    EXPECT_TRUE(app->tabBarController()->presentedViewController());
    EXPECT_EQ(app->tabBarController()->selectedIndex(), 0);
}

TEST_F(SettingsScreenTest, FullSyncClosesTheSheetAndOpensTheSynchronisationTab)
{
    openSettings();
    ASSERT_TRUE(appDriver->tapRow(text("FULLSYNC")));
    ASSERT_TRUE(appDriver->tapAlertButton(text("UPDATE")));
    appDriver->advance(0.5);
    EXPECT_TRUE(SyncModel::sharedInstance()->isSyncAllData());
    // The synchronisation tab takes the request and starts the run.
    EXPECT_FALSE(SyncModel::sharedInstance()->needUpdate());
    EXPECT_FALSE(app->tabBarController()->presentedViewController());
    EXPECT_EQ(app->tabBarController()->selectedIndex(), UITabBarControllerExt::TabSync);
}

TEST_F(SettingsScreenTest, LogoutAfterConfirmingShowsTheWelcomeScreen)
{
    openSettings();
    ASSERT_TRUE(appDriver->tapRow(text("LOGOUTSETTINGS")));
    ASSERT_TRUE(appDriver->tapAlertButton(text("CANCEL")));
    EXPECT_TRUE(app->tabBarController()->presentedViewController());
    ASSERT_TRUE(appDriver->tapRow(text("LOGOUTSETTINGS")));
    ASSERT_TRUE(appDriver->tapAlertButton(text("SURE")));
    appDriver->advance(0.5);
    EXPECT_NE(std::dynamic_pointer_cast<TestWelcomeScreen>(app->window()->rootViewController()), nullptr);
    EXPECT_FALSE(LoginMode::sharedInstance()->clientID());
}

TEST_F(SettingsScreenTest, AboutPageShowsNameVersionAndCompanyCentredInTheSheet)
{
    openSettings();
    ASSERT_TRUE(appDriver->tapRow(text("ABOUT")));
    appDriver->advance(0.5);
    auto about = std::dynamic_pointer_cast<AboutViewController>(sheet->topViewController());
    ASSERT_TRUE(about);
    const CGFloat w = sheet->view()->frame().size.width;
    EXPECT_EQ(about->viewWidth, w);
    EXPECT_EQ(about->versionLabel()->text(), app->currentVersion());
    EXPECT_EQ(about->versionLabel()->frame(), CGRectMake((w - 110) / 2 + 60, 280, 50, 30));
    EXPECT_EQ(about->nameLabel()->text(), "Corvelle");
    EXPECT_TRUE(appDriver->findLabel(text("COMPANYRIGHTS")));
    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    appDriver->settle();
    EXPECT_TRUE(appDriver->findLabel(text("COMPANYRIGHTS")));
    EXPECT_EQ(about->title(), text("ABOUT"));
    ASSERT_TRUE(appDriver->tapBarButton(text("DONE")));
    appDriver->advance(0.5);
    EXPECT_FALSE(app->tabBarController()->presentedViewController());
    EXPECT_FALSE(app->tabBarController()->settingsBtn()->isSelected());
}

}  // namespace
