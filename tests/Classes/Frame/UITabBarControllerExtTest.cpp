#include "App/Composition.h"
#include "Classes/Frame/AboutViewController.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/HomeViewController.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Customer/CustomerViewController.h"
#include "support/TestWelcomeScreen.h"
#include "Classes/Frame/SettingsViewController.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Database/ConfigEntity.h"
#include "Database/ConfigManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "support/ScreenTest.h"

#include <cmath>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

class MainTabBarTest : public ScreenTest {
protected:
    // Signs in as the welcome screen leaves things, then shows the main screen.
    void showMain(std::vector<std::string> switches = { "1", "1", "1", "0", "1", "1", "1" })
    {
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("acme"));
        session->setAcountID(std::string("ann"));
        session->setLoginType(LoginMode::kLoginTypeOnline);
        ConfigManager::sharedInstance()->setModelDescArray(std::move(switches));
        app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        UIApplication::sharedApplication()->launch();
        app->showMainController();
        appDriver = std::make_unique<UIDriver>(app->window());
        appDriver->settle();
        appDriver->advance(0.5);
        bar = app->tabBarController();
    }
    void TearDown() override
    {
        appDriver.reset();
        bar.reset();
        if (app)
            app->window()->setRootViewController(nullptr);
        app.reset();
        ScreenTest::TearDown();
    }
    std::vector<CGFloat> shownButtonXs() const
    {
        std::vector<CGFloat> xs;
        for (const auto& item : bar->itmeButtonArray())
            if (!item->isHidden())
                xs.push_back(item->frame().origin.x);
        return xs;
    }
    static std::optional<std::string> badgeOf(const std::shared_ptr<TabBarItemButton>& item)
    {
        if (item->badgeView()->isHidden())
            return std::nullopt;
        return item->badgeLabel()->text();
    }
    void tapItem(long tag) { appDriver->tap(bar->itmeButtonArray().at(static_cast<size_t>(tag))); }

    std::shared_ptr<CorvelleAppDelegate> app;
    std::unique_ptr<UIDriver> appDriver;
    std::shared_ptr<UITabBarControllerExt> bar;
};

namespace {

    // The contrast of two colours as screen readability is judged (1 to 21).
    double contrast(double r1, double g1, double b1, double r2, double g2, double b2)
    {
        auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
        auto luminance = [&](double r, double g, double b) {
            return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b);
        };
        double a = luminance(r1, g1, b1), b = luminance(r2, g2, b2);
        return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
    }

}  // namespace

// Every caption, chosen or not, reads clearly against the bar drawn behind it.
TEST_F(MainTabBarTest, ABarIsNotMadeWithATabLeftEmpty)
{
    // Put back for the tests after this one however this one ends.
    struct Restore {
        ~Restore() { Composition::installScreens(); }
    } restore;
    const std::vector<std::pair<const char*, UITabBarControllerExt::TabScreenFactory>> cases = {
        { "no factory", nullptr },
        { "the sync tab left empty",
            [](long tab) -> std::shared_ptr<UIViewController> {
                return tab == UITabBarControllerExt::TabSync ? nullptr : std::make_shared<UIViewController>();
            } },
    };
    for (const auto& [name, factory] : cases) {
        SCOPED_TRACE(name);
        UITabBarControllerExt::setTabScreenFactory(factory);
        EXPECT_THROW(UITabBarControllerExt::create(), NSException);
    }
}

TEST_F(MainTabBarTest, CaptionsReadAgainstTheBar)
{
    showMain();
    tapItem(2);
    appDriver->settle();
    auto picture = UIViewRenderToImage(*app->window());
    ASSERT_TRUE(picture);
    size_t checked = 0;
    for (const auto& item : bar->itmeButtonArray()) {
        if (item->isHidden())
            continue;
        auto caption = item->titleLabel();
        SCOPED_TRACE(caption->text());
        // The bar's own pixel beside the caption's text, inside the caption's frame.
        const CGRect frame = caption->convertRectToView(caption->bounds(), nullptr);
        const CGPixel behind = picture->CGImage()->pixelAt(size_t(frame.origin.x + 2), size_t(CGRectGetMidY(frame)));
        CGFloat r = 0, g = 0, b = 0, a = 0;
        ASSERT_TRUE(caption->textColor()->getRedGreenBlueAlpha(&r, &g, &b, &a));
        EXPECT_GE(contrast(r, g, b, behind.red / 255.0, behind.green / 255.0, behind.blue / 255.0), 3.0)
            << "caption " << r * 255 << "," << g * 255 << "," << b * 255 << " on " << int(behind.red) << ","
            << int(behind.green) << "," << int(behind.blue);
        ++checked;
    }
    EXPECT_GT(checked, 1u);
}

TEST_F(MainTabBarTest, ButtonsArePlacedFromTheModuleConfiguration)
{
    showMain({ "1", "1", "0", "0", "1", "1", "1" });
    ASSERT_EQ(bar->itmeButtonArray().size(), 8u);
    EXPECT_TRUE(bar->customerBtn()->isHidden());
    EXPECT_TRUE(bar->inventoryBtn()->isHidden());
    // Home is selected at first display, which spreads the buttons out.
    EXPECT_EQ(shownButtonXs(), (std::vector<CGFloat> { 320, 420, 520, 620, 720, 820 }));
    EXPECT_EQ(bar->btnLogo()->frame(), CGRectMake(15, 705, 225, 51));
    // Laid out by the configuration again, they close up without gaps.
    bar->loadByConfig();
    EXPECT_EQ(shownButtonXs(), (std::vector<CGFloat> { 320, 410, 500, 590, 680, 770 }));
    for (const auto& item : bar->itmeButtonArray())
        if (!item->isHidden()) {
            EXPECT_EQ(item->frame().origin.y, 8);
            EXPECT_EQ(item->frame().size, CGSizeMake(64, 50));
        }
    EXPECT_EQ(bar->backgroundImage()->frame(), CGRectMake(0, 702, 1024, 66));
    EXPECT_TRUE(bar->tabBar()->isHidden());
    // Home is shown, selected, and fills the screen.
    EXPECT_EQ(bar->selectedIndex(), 0);
    EXPECT_TRUE(bar->homeBtn()->isSelected());
    EXPECT_NE(std::dynamic_pointer_cast<HomeViewController>(bar->selectedViewController()), nullptr);
    EXPECT_EQ(bar->selectedViewController()->view()->frame(), CGRectMake(0, 0, 1024, 768));
    EXPECT_EQ(bar->view()->convertRectToView(bar->view()->bounds(), nullptr), CGRectMake(0, 0, 1024, 768));
}

TEST_F(MainTabBarTest, TheServersConfigurationRowDecidesTheButtons)
{
    // The row as synchronisation stores it in the client's database.
    LoginMode::sharedInstance()->setClientID(std::string("acme"));
    auto row = std::make_shared<ConfigEntity>();
    row->configType = "configuration";
    row->desc = "1,0,1,0,1,0,1";
    ASSERT_TRUE(ConfigManager::sharedInstance()->syncConfigData(EntityList<ConfigEntity> { row }));
    app = std::make_shared<CorvelleAppDelegate>();
    UIApplication::sharedApplication()->setDelegate(app);
    UIApplication::sharedApplication()->launch();
    app->showMainController();
    appDriver = std::make_unique<UIDriver>(app->window());
    appDriver->settle();
    bar = app->tabBarController();
    bar->loadByConfig();
    std::vector<long> shown;
    for (const auto& item : bar->itmeButtonArray())
        if (!item->isHidden())
            shown.push_back(item->tag());
    EXPECT_EQ(shown, (std::vector<long> { 0, 2, 4, 6, 7 }));
    EXPECT_EQ(shownButtonXs(), (std::vector<CGFloat> { 320, 410, 500, 590, 680 }));
}

TEST_F(MainTabBarTest, WithoutAConfigurationOnlySettingsShows)
{
    LoginMode::sharedInstance()->setClientID(std::string("acme"));
    app = std::make_shared<CorvelleAppDelegate>();
    UIApplication::sharedApplication()->setDelegate(app);
    UIApplication::sharedApplication()->launch();
    app->showMainController();
    appDriver = std::make_unique<UIDriver>(app->window());
    appDriver->settle();
    bar = app->tabBarController();
    EXPECT_EQ(shownButtonXs(), (std::vector<CGFloat> { 320 }));
    EXPECT_FALSE(bar->settingsBtn()->isHidden());
}

TEST_F(MainTabBarTest, TappingTabsSwitchesScreensAndLayouts)
{
    showMain();
    tapItem(UITabBarControllerExt::TabCustomer);
    EXPECT_EQ(bar->selectedIndex(), 2);
    EXPECT_TRUE(bar->customerBtn()->isSelected());
    EXPECT_FALSE(bar->homeBtn()->isSelected());
    auto navigation = std::dynamic_pointer_cast<UINavigationController>(bar->selectedViewController());
    ASSERT_TRUE(navigation);
    ASSERT_TRUE(std::dynamic_pointer_cast<CustomerViewController>(navigation->topViewController()));
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    EXPECT_EQ(bar->iPerSelectTab(), 0);
    EXPECT_EQ(bar->iCurSelectTab(), 2);

    // A panel beside the buttons narrows them; the library tab leaves them so.
    bar->itemsMove(false);
    EXPECT_EQ(shownButtonXs().front(), 490);
    EXPECT_EQ(bar->btnLogo()->frame(), CGRectMake(265, 705, 225, 51));
    tapItem(UITabBarControllerExt::TabSalesLibrary);
    EXPECT_EQ(shownButtonXs().front(), 490);
    EXPECT_EQ(bar->homeBtn()->frame().size.width, 68);
    tapItem(UITabBarControllerExt::TabSync);
    EXPECT_EQ(shownButtonXs(), (std::vector<CGFloat> { 320, 420, 520, 620, 720, 820, 920 }));
    EXPECT_EQ(bar->btnLogo()->frame(), CGRectMake(15, 705, 225, 51));
    auto sync = std::dynamic_pointer_cast<UINavigationController>(bar->selectedViewController());
    ASSERT_TRUE(sync);
    EXPECT_TRUE(sync->isNavigationBarHidden());

    bar->returnPerselectTab();
    EXPECT_EQ(bar->selectedIndex(), UITabBarControllerExt::TabSalesLibrary);
}

TEST_F(MainTabBarTest, BadgesCountOrdersAndShowTextsElsewhere)
{
    showMain();
    struct Case {
        std::optional<std::string> value;
        long tag;
        std::optional<std::string> shown;
    };
    const Case cases[] = {
        { std::string("3"), 5, std::string("3") },
        { std::string("0"), 5, std::nullopt },
        { std::string("1000"), 5, std::string("999+") },
        { std::nullopt, 5, std::nullopt },
        { std::string("0"), 6, std::string("0") },
        { std::string("UPDATE"), 6, std::string("UPDATE") },
        { std::nullopt, 6, std::nullopt },
    };
    for (const auto& c : cases) {
        bar->setBadgeValueTabBarItemTagAnimated(c.value, c.tag, false);
        EXPECT_EQ(badgeOf(bar->itmeButtonArray()[static_cast<size_t>(c.tag)]), c.shown) << c.value.value_or("nil");
    }
    bar->setBadgeValueTabBarItemTagAnimated(std::string("4"), 42, false);
}

TEST_F(MainTabBarTest, LanguageSwitchRetitlesTabsAndEveryRegisteredScreenAtOnce)
{
    showMain();
    EXPECT_EQ(bar->homeBtn()->title(), text("HOME"));
    tapItem(UITabBarControllerExt::TabSettings);
    appDriver->advance(0.5);
    auto sheet = std::dynamic_pointer_cast<UINavigationController>(bar->presentedViewController());
    ASSERT_TRUE(sheet);
    auto settings = std::dynamic_pointer_cast<SettingsViewController>(sheet->topViewController());
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->title(), text("SETTINGSTITLE"));

    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    appDriver->settle();
    EXPECT_EQ(bar->homeBtn()->title(), text("HOME"));
    EXPECT_EQ(bar->syncBtn()->title(), text("SYNC"));
    EXPECT_EQ(settings->title(), text("SETTINGSTITLE"));
    EXPECT_NE(text("HOME"), "Home");
    // The settings rows are built again with the Chinese texts.
    EXPECT_TRUE(appDriver->findLabel(text("FULLSYNC")));
}

TEST_F(MainTabBarTest, SettingsButtonOpensTheSheetAndDoneClosesIt)
{
    showMain();
    tapItem(UITabBarControllerExt::TabSettings);
    appDriver->advance(0.5);
    EXPECT_TRUE(bar->settingsBtn()->isSelected());
    auto sheet = bar->presentedViewController();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->modalPresentationStyle(), UIModalPresentationFormSheet);
    EXPECT_EQ(bar->selectedIndex(), 0);
    ASSERT_TRUE(appDriver->tapBarButton(text("DONE")));
    appDriver->advance(0.5);
    EXPECT_FALSE(bar->presentedViewController());
    EXPECT_FALSE(bar->settingsBtn()->isSelected());
}

// Every module on: eight buttons. The wide layout would put the settings
// button at x 1020 and the narrow one at 1036, past the screen's edge; the
// row closes up instead, in order, and the settings button still opens.
TEST_F(MainTabBarTest, WithEveryModuleOnTheSettingsButtonStaysOnTheBar)
{
    showMain({ "1", "1", "1", "1", "1", "1", "1" });
    auto fitsInOrder = [&](CGFloat start, CGFloat width) {
        std::vector<CGFloat> xs = shownButtonXs();
        ASSERT_EQ(xs.size(), 8u);
        EXPECT_EQ(xs.front(), start);
        for (size_t i = 1; i < xs.size(); ++i)
            EXPECT_GT(xs[i], xs[i - 1]);
        EXPECT_LE(bar->settingsBtn()->frame().origin.x + width, 1024);
        EXPECT_EQ(bar->settingsBtn()->frame().size.width, width);
    };
    fitsInOrder(320, 64);
    bar->itemsMove(false);
    fitsInOrder(490, 68);
    bar->itemsMove(true);
    // The configured layout fits as the table gives it.
    bar->loadByConfig();
    EXPECT_EQ(bar->settingsBtn()->frame().origin.x, 950);
    bar->itemsMove(true);
    tapItem(UITabBarControllerExt::TabSettings);
    appDriver->advance(0.5);
    EXPECT_TRUE(bar->settingsBtn()->isSelected());
    EXPECT_TRUE(bar->presentedViewController());
}

TEST_F(MainTabBarTest, LongPressOnTheLogoOffersTheWayBackToSignIn)
{
    showMain();
    appDriver->longPress(bar->btnLogo(), 1.0);
    auto pop = bar->logoutPopController();
    ASSERT_TRUE(pop);
    EXPECT_TRUE(pop->isPopoverVisible());
    EXPECT_EQ(pop->popoverContentSize(), CGSizeMake(300, 40));
    const auto shown = pop;
    // The press ending does not show it again.
    EXPECT_EQ(bar->logoutPopController(), shown);

    ASSERT_TRUE(appDriver->tapButton(text("GOBACKTOLOGIN")));
    appDriver->settle();
    EXPECT_FALSE(pop->isPopoverVisible());
    EXPECT_NE(std::dynamic_pointer_cast<TestWelcomeScreen>(app->window()->rootViewController()), nullptr);
    EXPECT_FALSE(LoginMode::sharedInstance()->clientID());
}

TEST_F(MainTabBarTest, SyncIconBlinksUntilStopped)
{
    showMain();
    bar->startSyncIconAnimation();
    appDriver->advance(0.75);
    EXPECT_EQ(bar->syncBtn()->iconImageView()->alpha(), 0);
    EXPECT_EQ(bar->syncBtn()->animatedImageView()->alpha(), 1);
    bar->stopSyncIconAnimation();
    EXPECT_EQ(bar->syncBtn()->iconImageView()->alpha(), 1);
    EXPECT_EQ(bar->syncBtn()->animatedImageView()->alpha(), 0);
}

TEST_F(MainTabBarTest, PicturesOfTheHomeScreenInEachLanguage)
{
    showMain();
    for (int language : { 1, 2 }) {
        LanguageManager::sharedInstance()->setCurrentLanguage(language);
        appDriver->settle();
        const std::string path = UIDriver::snapshotPath(language == 1 ? "home_en.png" : "home_cn.png");
        EXPECT_TRUE(appDriver->renderToPNG(path)) << path;
    }
}

}  // namespace
