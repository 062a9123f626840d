// The synchronisation tab driven as a person would: the rows the client's
// modules call for, starting a run (asked first on the mobile network, never
// for the automatic start), the bars and texts of its progress and remaining
// time on the manual clock, the last date, and the alerts of an interrupted
// run, including the refused re-login that offers to sign in again.

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "support/TestWelcomeScreen.h"
#include "Classes/Sync/SyncViewController.h"
#include "Database/ConfigManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UIWindow.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

namespace {

constexpr int kLogin = 0x102;
constexpr int kSyncCustomer = 0x204;
constexpr int kSyncFinished = 0x205;

class SyncScreenTest : public ScreenTest {
protected:
    // Modules: catalogue, customers, library on or off.
    void signedIn(int loginType, bool catalogue = true, bool customers = true, bool library = true, bool mobile = false)
    {
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("ACME"));
        session->setAcountID(std::string("sales1"));
        session->setPassword(std::string("secret"));
        session->setLoginType(loginType);
        session->setIsNotWifi(mobile);
        auto on = [](bool b) { return std::string(b ? "1" : "0"); };
        ConfigManager::sharedInstance()->setModelDescArray(
            std::vector<std::string> { "1", on(catalogue), on(customers), "0", on(library), "1", "1" });
    }
    void show()
    {
        screen = std::make_shared<SyncViewController>();
        showRoot(screen);
    }
    std::shared_ptr<ResourceUpdateView> panel() const { return screen->resourceUpdateView(); }
    std::shared_ptr<UIButton> startButton() const { return panel()->btnsync(); }
    // The engine's report of a download step, as the transport gives it.
    static void progress(float value, int kind, int seconds)
    {
        SyncModel::sharedInstance()->progressRespondImageTypeRemainTime(value, kind, seconds);
    }
    // A run that only fetches customers, answered by the fake front door.
    void answerACustomerOnlyRun()
    {
        // An empty customer reply still carries its four tables.
        frontDoor->replyTo(kSyncCustomer, FakeFrontDoor::envelope("200", "[[],[],[],[]]"), 0.5);
        frontDoor->replyTo(kSyncFinished, FakeFrontDoor::envelope("200"), 0.5);
    }
    std::shared_ptr<CorvelleAppDelegate> installApp()
    {
        auto app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        return app;
    }

    std::shared_ptr<SyncViewController> screen;
};

TEST_F(SyncScreenTest, RowsFollowTheModulesOfTheClient)
{
    struct Case {
        bool catalogue, customers, library;
        bool productShown, materialsShown, customerShown;
        CGFloat materialsY, customerY;
    } cases[] = {
        { true, true, true, true, true, true, 135, 200 },
        { false, true, false, false, false, true, 70, 70 },
        { true, true, false, true, false, true, 135, 135 },
        { false, false, true, false, true, false, 70, 135 },
    };
    for (const auto& c : cases) {
        signedIn(LoginMode::kLoginTypeOnline, c.catalogue, c.customers, c.library);
        show();
        EXPECT_EQ(!panel()->syncInfoProduc()->isHidden(), c.productShown);
        EXPECT_EQ(!panel()->syncInfoIcon()->isHidden(), c.materialsShown);
        EXPECT_EQ(!panel()->syncInfoCustomer()->isHidden(), c.customerShown);
        EXPECT_EQ(panel()->syncInfoProduc()->frame().origin.y, 70);
        EXPECT_EQ(panel()->syncInfoIcon()->frame().origin.y, c.materialsY);
        EXPECT_EQ(panel()->syncInfoCustomer()->frame().origin.y, c.customerY);
    }
    EXPECT_EQ(screen->titleLabel()->text(), text("SYNC_"));
    EXPECT_EQ(panel()->title(), text("DATEUPDATES"));
    EXPECT_EQ(panel()->syncInfoProduc()->lbTittle()->text(), text("PRODUCT") + ":");
    EXPECT_TRUE(startButton()->isEnabled());
}

// A row's bar is the platform's thin bar whatever height the row asks for,
// so the three rows stand apart and the start button stays clear of the last.
TEST_F(SyncScreenTest, RowBarsAreThinAndClearOfTheStartButton)
{
    signedIn(LoginMode::kLoginTypeOnline);
    show();
    std::shared_ptr<SyncInfoItem> rows[]
        = { panel()->syncInfoProduc(), panel()->syncInfoIcon(), panel()->syncInfoCustomer() };
    for (const auto& row : rows) {
        std::shared_ptr<UIProgressView> bar;
        for (const auto& view : row->subviews())
            if (auto found = std::dynamic_pointer_cast<UIProgressView>(view))
                bar = found;
        ASSERT_TRUE(bar) << row->lbTittle()->text();
        const CGRect onScreen = bar->convertRectToView(bar->bounds(), panel());
        EXPECT_EQ(onScreen.size.width, 800);
        EXPECT_EQ(onScreen.size.height, 9) << row->lbTittle()->text();
        EXPECT_EQ(onScreen.origin.y, row->frame().origin.y + 30);
        EXPECT_LT(CGRectGetMaxY(onScreen), startButton()->frame().origin.y) << row->lbTittle()->text();
    }
}

TEST_F(SyncScreenTest, ProgressReportsBecomeBarsAndTexts)
{
    signedIn(LoginMode::kLoginTypeOnline);
    show();
    struct Case {
        float value;
        int kind;
        std::shared_ptr<SyncInfoItem> row;
        float bar;
        std::string text;
    } cases[] = {
        { 0.456f, SyncModel::kProductImages, panel()->syncInfoProduc(), 0.456f, "46 %" },
        { 1.0f, SyncModel::kProductImages, panel()->syncInfoProduc(), 1.0f, text("COMPLETED") },
        { 0.5f, SyncModel::kIcons, panel()->syncInfoIcon(), 0.1f, "10%" },
        { 1.0f, SyncModel::kIcons, panel()->syncInfoIcon(), 0.2f, "20%" },
        { 0.5f, SyncModel::kLibraryCovers, panel()->syncInfoIcon(), 0.6f, "60%" },
        { 1.0f, SyncModel::kLibraryCovers, panel()->syncInfoIcon(), 1.0f, text("COMPLETED") },
    };
    for (const auto& c : cases) {
        progress(c.value, c.kind, 30);
        EXPECT_NEAR(c.row->progress(), c.bar, 1e-6) << c.kind << " " << c.value;
        EXPECT_EQ(c.row->lbprogressTxt(), c.text) << c.kind << " " << c.value;
    }
    // A kind the screen does not show changes only the remaining time.
    progress(0.5f, 2, 61);
    EXPECT_NEAR(panel()->syncInfoProduc()->progress(), 1.0f, 1e-6);
    EXPECT_EQ(panel()->lblRemainTime()->text(), stringWithFormat(text("TIMEREMAININGXXMINUTES"), 2));
}

TEST_F(SyncScreenTest, RemainingTimeInWholeMinutesRoundedUp)
{
    signedIn(LoginMode::kLoginTypeOnline);
    show();
    struct Case {
        int seconds;
        std::string text;
    } cases[] = {
        { 0, text("TIMEREMAININGLESSAMINUTE") },
        { 60, text("TIMEREMAININGLESSAMINUTE") },
        { 61, stringWithFormat(text("TIMEREMAININGXXMINUTES"), 2) },
        { 600, stringWithFormat(text("TIMEREMAININGXXMINUTES"), 10) },
        // Beyond a thousand minutes the label keeps what it said.
        { 70000, stringWithFormat(text("TIMEREMAININGXXMINUTES"), 10) },
    };
    for (const auto& c : cases) {
        progress(0.1f, SyncModel::kProductImages, c.seconds);
        EXPECT_EQ(panel()->lblRemainTime()->text(), c.text) << c.seconds;
        EXPECT_TRUE(panel()->activityIndicator()->isAnimating());
    }
}

TEST_F(SyncScreenTest, ARunFromTheButtonShowsItsStepsAndEndsWithTheDate)
{
    signedIn(LoginMode::kLoginTypeOnline, false, true, false);
    answerACustomerOnlyRun();
    show();
    EXPECT_EQ(panel()->syncInfoCustomer()->dateText(), text("NORECORD"));
    ASSERT_TRUE(driver->tapButton(text("GETUPDATES")));

    EXPECT_FALSE(startButton()->isEnabled());
    EXPECT_FALSE(panel()->lblRemainTime()->isHidden());
    EXPECT_EQ(panel()->syncInfoProduc()->lbprogressTxt(), text("CHECKING"));
    EXPECT_EQ(panel()->syncInfoCustomer()->lbprogressTxt(), "0%");
    EXPECT_TRUE(SyncModel::sharedInstance()->isDownloading());
    // A second tap while the run goes does nothing.
    driver->tap(startButton());
    EXPECT_EQ(frontDoor->messagesFor(kSyncCustomer).size(), 1u);

    driver->advance(3.0);
    EXPECT_NEAR(panel()->syncInfoCustomer()->progress(), 1.0f, 1e-6);
    EXPECT_EQ(panel()->syncInfoCustomer()->lbprogressTxt(), text("COMPLETED"));
    EXPECT_TRUE(startButton()->isEnabled());
    EXPECT_TRUE(panel()->lblRemainTime()->isHidden());
    EXPECT_EQ(panel()->labelBgDownload()->alpha(), 0);
    EXPECT_FALSE(SyncModel::sharedInstance()->isDownloading());
    const auto stored = NSUserDefaults::standardUserDefaults()->stringForKey("ACME-lastsync");
    ASSERT_TRUE(stored);
    EXPECT_NE(panel()->syncInfoCustomer()->dateText(), text("NORECORD"));
    EXPECT_EQ(panel()->syncInfoCustomer()->dateText().size(), std::string("HH:mm MM/dd/yy").size());
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("SyncScreen.png")));
}

TEST_F(SyncScreenTest, TheLastDateFollowsTheLanguageAndSurvivesItsChange)
{
    signedIn(LoginMode::kLoginTypeOnline);
    NSUserDefaults::standardUserDefaults()->setObjectForKey(Value("14:05 03/04/26"), "ACME-lastsync");
    show();
    EXPECT_EQ(panel()->syncInfoProduc()->dateText(), "14:05 03/04/26");
    EXPECT_EQ(panel()->syncInfoCustomer()->dateText(), "14:05 03/04/26");

    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    driver->settle();
    EXPECT_EQ(panel()->syncInfoProduc()->lbTittle()->text(), text("PRODUCT") + ":");
    EXPECT_NE(panel()->syncInfoProduc()->dateText(), text("NORECORD"));
    show();
    EXPECT_EQ(panel()->syncInfoProduc()->dateText(), "14:05 26/03/04");
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("SyncScreen-zh.png")));
}

TEST_F(SyncScreenTest, OnTheMobileNetworkTheButtonAsksFirstButTheAutomaticStartDoesNot)
{
    signedIn(LoginMode::kLoginTypeOnline, false, true, false, true);
    show();
    ASSERT_TRUE(driver->tapButton(text("GETUPDATES")));
    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), text("WIFIALERT"));
    ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
    EXPECT_TRUE(frontDoor->messagesFor(kSyncCustomer).empty());
    EXPECT_TRUE(startButton()->isEnabled());

    ASSERT_TRUE(driver->tapButton(text("GETUPDATES")));
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    EXPECT_EQ(frontDoor->messagesFor(kSyncCustomer).size(), 1u);
    EXPECT_FALSE(startButton()->isEnabled());
}

TEST_F(SyncScreenTest, TheAutomaticStartRunsOnlyWhenAnUpdateIsDueAndNeverAsks)
{
    signedIn(LoginMode::kLoginTypeOnline, false, true, false, true);
    show();
    auto sync = SyncModel::sharedInstance();
    sync->startSyncData();
    EXPECT_TRUE(frontDoor->messagesFor(kSyncCustomer).empty());

    sync->setNeedUpdate(true);
    sync->setShowUpdate(true);
    sync->startSyncData();
    EXPECT_FALSE(driver->visibleAlert());
    EXPECT_EQ(frontDoor->messagesFor(kSyncCustomer).size(), 1u);
    EXPECT_FALSE(sync->needUpdate());
    EXPECT_FALSE(sync->showUpdate());
}

TEST_F(SyncScreenTest, ARefusedReLoginOffersToSignInAgain)
{
    auto app = installApp();
    signedIn(LoginMode::kLoginTypeOffline, false, true, false);
    frontDoor->replyTo(
        kLogin, R"({"content":"","results":[{"detail":"","message":"Wrong password","status":"206"}]})", 0.5);
    show();
    ASSERT_TRUE(driver->tapButton(text("GETUPDATES")));
    EXPECT_EQ(frontDoor->messagesFor(kLogin).size(), 1u);
    driver->advance(1.0);

    auto alert = driver->visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->tag(), SyncViewController::kSignInAgainAlertTag);
    EXPECT_EQ(alert->message(), text("206") + text("STAYOFFLINEORLOGIN"));
    EXPECT_EQ(alert->buttonTitleAtIndex(0), text("CANCEL"));
    EXPECT_EQ(alert->buttonTitleAtIndex(1), text("OK"));
    EXPECT_TRUE(startButton()->isEnabled());
    EXPECT_TRUE(frontDoor->messagesFor(kSyncCustomer).empty());
    // Cancel keeps the screen as it is.
    ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
    EXPECT_EQ(window->rootViewController(), screen);
    EXPECT_FALSE(app->window()->rootViewController());

    LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOffline);
    ASSERT_TRUE(driver->tapButton(text("GETUPDATES")));
    driver->advance(1.0);
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    // Signed out: the application shows its welcome screen again.
    EXPECT_TRUE(std::dynamic_pointer_cast<TestWelcomeScreen>(app->window()->rootViewController()));
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeNone);
    app->window()->setRootViewController(nullptr);
}

TEST_F(SyncScreenTest, InterruptionsTellTheEnginesMessage)
{
    auto app = installApp();
    signedIn(LoginMode::kLoginTypeOnline, false, true, false);
    show();
    // The reply's status picks the message; "101" (the session ended) offers the log-out.
    struct Case {
        std::string status;
        long tag;
        std::vector<std::string> buttons;
    } cases[] = {
        { "402", SyncViewController::kInterruptedAlertTag, { text("OK") } },
        { "101", SyncViewController::kSignInAgainAlertTag, { text("CANCEL"), text("LOGOUTSETTINGS") } },
    };
    for (const auto& c : cases) {
        frontDoor->replyTo(kSyncCustomer, FakeFrontDoor::envelope(c.status), 0.5);
        ASSERT_TRUE(driver->tapButton(text("GETUPDATES")));
        driver->advance(1.0);
        auto alert = driver->visibleAlert();
        ASSERT_TRUE(alert) << c.status;
        EXPECT_EQ(alert->tag(), c.tag);
        EXPECT_EQ(alert->message(), text(c.status));
        ASSERT_EQ(alert->numberOfButtons(), static_cast<long>(c.buttons.size()));
        for (size_t i = 0; i < c.buttons.size(); ++i)
            EXPECT_EQ(alert->buttonTitleAtIndex(static_cast<long>(i)), c.buttons[i]);
        // The progress stays where it stopped until the alert is answered.
        EXPECT_EQ(panel()->syncInfoProduc()->lbprogressTxt(), text("CHECKING"));
        EXPECT_TRUE(startButton()->isEnabled());
        ASSERT_TRUE(driver->tapAlertButton(c.buttons[0]));
    }
    // Only the plain interruption's OK put the bars back to 0 %; the last was cancelled.
    EXPECT_EQ(panel()->syncInfoProduc()->lbprogressTxt(), text("CHECKING"));
    EXPECT_EQ(window->rootViewController(), screen);
    app->window()->setRootViewController(nullptr);
}

}  // namespace
