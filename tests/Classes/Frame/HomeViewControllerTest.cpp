#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/HomeViewController.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Database/ConfigManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "support/ScreenTest.h"
#include "support/TestDesktop.h"

#include <gtest/gtest.h>

namespace {

// The home screen as a signed-in person sees it: inside the main tab bar,
// which the application delegate shows after sign-in.
class HomeScreenTest : public ScreenTest {
protected:
    void signIn(int loginType, bool needUpdate = false, bool mobile = false)
    {
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("acme"));
        session->setAcountID(std::string("ann"));
        session->setLoginType(loginType);
        session->setNeedUpdate(needUpdate);
        session->setIsNotWifi(mobile);
        session->setCompanyLink(std::string("www.acme-sales.example"));
        ConfigManager::sharedInstance()->setModelDescArray(
            std::vector<std::string> { "1", "1", "1", "0", "1", "1", "1" });
        app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        UIApplication::sharedApplication()->launch();
        // Launch resets nothing of the session; the welcome screen hands over.
        app->showMainController();
        appDriver = std::make_unique<UIDriver>(app->window());
        appDriver->settle();
        appDriver->advance(0.5);
    }
    void TearDown() override
    {
        appDriver.reset();
        if (app)
            app->window()->setRootViewController(nullptr);
        app.reset();
        ScreenTest::TearDown();
    }
    std::shared_ptr<HomeViewController> home() const
    {
        return std::dynamic_pointer_cast<HomeViewController>(app->tabBarController()->viewControllers().at(0));
    }
    std::optional<std::string> syncBadge() const
    {
        auto item = app->tabBarController()->syncBtn();
        if (item->badgeView()->isHidden())
            return std::nullopt;
        return item->badgeLabel()->text();
    }

    std::shared_ptr<CorvelleAppDelegate> app;
    std::unique_ptr<UIDriver> appDriver;
};

TEST_F(HomeScreenTest, CompanyLinkOpensWithHttpOnlyWhenItHasNoScheme)
{
    ScopedTestApplication browser;
    ASSERT_TRUE(browser.installed()) << browser.error();
    signIn(LoginMode::kLoginTypeOnline);
    auto link = home()->linklblWebsite();
    ASSERT_TRUE(link);
    EXPECT_FALSE(link->isHidden());
    EXPECT_EQ(link->text(), "www.acme-sales.example");

    struct Case {
        const char* link;
        const char* opened;
    };
    const Case cases[] = {
        { "www.acme-sales.example", "http://www.acme-sales.example" },
        { "HTTP://Acme.example/Shop", "HTTP://Acme.example/Shop" },
        { "https://secure.acme.example", "https://secure.acme.example" },
        { "acme.example/http://x", "http://acme.example/http://x" },
    };
    std::vector<std::string> opened;
    for (const auto& c : cases) {
        home()->loadWebsiteAddress(std::string(c.link));
        appDriver->tap(link);
        ASSERT_FALSE(UIApplication::sharedApplication()->openedURLs().empty());
        EXPECT_EQ(UIApplication::sharedApplication()->openedURLs().back(), c.opened);
        // The desktop's browser gets the very address.
        opened.push_back(c.opened);
        EXPECT_EQ(browser.waitForArguments(opened.size()), opened);
    }

    // An empty link hides the label; a later one shows it again.
    home()->loadWebsiteAddress(std::string());
    EXPECT_TRUE(link->isHidden());
    home()->loadWebsiteAddress(std::nullopt);
    EXPECT_TRUE(link->isHidden());
    home()->loadWebsiteAddress(std::string("acme.example"));
    EXPECT_FALSE(link->isHidden());
}

TEST_F(HomeScreenTest, UpdateOfferOnMobileNetworkDeclinedLeavesTheBadge)
{
    signIn(LoginMode::kLoginTypeOnline, true, true);
    EXPECT_TRUE(SyncModel::sharedInstance()->needUpdate());
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->message(), text("HAVEUPDATE"));
    ASSERT_TRUE(appDriver->tapAlertButton(text("UPDATE_YES")));
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->message(), text("WIFIALERT"));
    ASSERT_TRUE(appDriver->tapAlertButton(text("CANCEL")));
    EXPECT_TRUE(SyncModel::sharedInstance()->showUpdate());
    EXPECT_EQ(syncBadge(), text("UPDATE"));
    EXPECT_EQ(app->tabBarController()->selectedIndex(), 0);

    // The badge follows the language.
    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    appDriver->settle();
    EXPECT_EQ(syncBadge(), text("UPDATE"));
}

TEST_F(HomeScreenTest, UpdateOfferAcceptedOpensTheSynchronisationTab)
{
    signIn(LoginMode::kLoginTypeOnline, true, false);
    ASSERT_TRUE(appDriver->tapAlertButton(text("UPDATE_YES")));
    appDriver->advance(0.2);
    EXPECT_EQ(app->tabBarController()->selectedIndex(), UITabBarControllerExt::TabSync);
    EXPECT_FALSE(SyncModel::sharedInstance()->showUpdate());
}

TEST_F(HomeScreenTest, OfflineSignInNeverOffersTheUpdate)
{
    signIn(LoginMode::kLoginTypeOffline, true);
    EXPECT_FALSE(appDriver->visibleAlert());
    EXPECT_FALSE(home()->helpPopController());
}

TEST_F(HomeScreenTest, DemoSignInShowsTheLogoutHintOncePerDeviceAndNoUpdateOffer)
{
    signIn(LoginMode::kLoginTypeDemo, true);
    EXPECT_FALSE(appDriver->visibleAlert());
    auto pop = home()->helpPopController();
    ASSERT_TRUE(pop);
    EXPECT_TRUE(pop->isPopoverVisible());
    EXPECT_EQ(pop->popoverContentSize(), CGSizeMake(300, 40));
    EXPECT_TRUE(NSUserDefaults::standardUserDefaults()->boolForKey("HasShownHelpLogout"));
    pop->dismissPopoverAnimated(false);

    // Appearing again shows nothing more.
    app->tabBarController()->selectTab(UITabBarControllerExt::TabCustomer);
    app->tabBarController()->selectTab(UITabBarControllerExt::TabHome);
    appDriver->advance(0.5);
    EXPECT_FALSE(home()->helpPopController()->isPopoverVisible());
}

}  // namespace
