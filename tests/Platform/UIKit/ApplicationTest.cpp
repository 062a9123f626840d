#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"
#include "support/TestDesktop.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIWindow.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <thread>

namespace {

using Log = std::vector<std::string>;

class LoggingDelegate : public UIApplicationDelegate {
public:
    explicit LoggingDelegate(std::shared_ptr<Log> log)
        : m_log(std::move(log))
    {
    }
    bool applicationDidFinishLaunchingWithOptions(UIApplication&, const Value&) override
    {
        m_log->push_back("delegate launched");
        if (onLaunch)
            onLaunch();
        return true;
    }
    void applicationWillResignActive(UIApplication&) override { m_log->push_back("delegate resign"); }
    void applicationDidEnterBackground(UIApplication&) override { m_log->push_back("delegate background"); }
    void applicationWillEnterForeground(UIApplication&) override { m_log->push_back("delegate foreground"); }
    void applicationDidBecomeActive(UIApplication&) override { m_log->push_back("delegate active"); }
    void applicationWillTerminate(UIApplication&) override { m_log->push_back("delegate terminate"); }
    std::function<void()> onLaunch;

private:
    std::shared_ptr<Log> m_log;
};

class ApplicationTest : public ManualClockTest {
protected:
    void TearDown() override
    {
        NSNotificationCenter::defaultCenter().removeObserver(this);
        drainMainRunLoop();
        UIApplication::resetSharedApplication();
        ManualClockTest::TearDown();
    }
    // Logs the application's notifications by their short names.
    void observe(const std::shared_ptr<Log>& log)
    {
        for (auto& name : { UIApplicationDidFinishLaunchingNotification, UIApplicationWillResignActiveNotification,
                 UIApplicationDidEnterBackgroundNotification, UIApplicationWillEnterForegroundNotification,
                 UIApplicationDidBecomeActiveNotification, UIApplicationWillTerminateNotification })
            NSNotificationCenter::defaultCenter().addObserver(this, name,
                [log](const NSNotification& n) { log->push_back(n.name.substr(std::string("UIApplication").size())); });
    }
};

TEST_F(ApplicationTest, LifeCycleReachesTheDelegateThenTheObserversInPlatformOrder)
{
    auto log = std::make_shared<Log>();
    auto app = UIApplication::sharedApplication();
    app->setDelegate(std::make_shared<LoggingDelegate>(log));
    observe(log);
    struct Step {
        std::function<void()> act;
        Log expected;
        UIApplicationState state;
    } steps[] = {
        { [&] { app->launch(); },
            { "delegate launched", "DidFinishLaunchingNotification", "delegate active", "DidBecomeActiveNotification" },
            UIApplicationStateActive },
        { [&] { app->enterBackground(); },
            { "delegate resign", "WillResignActiveNotification", "delegate background",
                "DidEnterBackgroundNotification" },
            UIApplicationStateBackground },
        // Already in the background: nothing more is said.
        { [&] { app->enterBackground(); }, {}, UIApplicationStateBackground },
        { [&] { app->enterForeground(); },
            { "delegate foreground", "WillEnterForegroundNotification", "delegate active",
                "DidBecomeActiveNotification" },
            UIApplicationStateActive },
        { [&] { app->terminate(); }, { "delegate terminate", "WillTerminateNotification" }, UIApplicationStateActive },
        { [&] { app->terminate(); }, {}, UIApplicationStateActive },
    };
    for (auto& step : steps) {
        log->clear();
        step.act();
        EXPECT_EQ(*log, step.expected);
        EXPECT_EQ(app->applicationState(), step.state);
    }
    EXPECT_TRUE(app->hasTerminated());
}

TEST_F(ApplicationTest, ScreenDeviceAndStatusBarFacts)
{
    auto app = UIApplication::sharedApplication();
    EXPECT_EQ(UIScreen::mainScreen().bounds(), CGRectMake(0, 0, 1024, 768));
    EXPECT_EQ(UIScreen::mainScreen().scale(), 1);
    EXPECT_EQ(app->statusBarFrame(), CGRectMake(0, 0, 1024, 20));
    EXPECT_EQ(UIScreen::mainScreen().applicationFrame(), CGRectMake(0, 20, 1024, 748));
    app->setStatusBarHidden(true);
    EXPECT_EQ(UIScreen::mainScreen().applicationFrame(), CGRectMake(0, 0, 1024, 768));
    EXPECT_TRUE(app->statusBarOrientation() == UIInterfaceOrientationLandscapeLeft
        || app->statusBarOrientation() == UIInterfaceOrientationLandscapeRight);
    EXPECT_GE(UIDeviceSystemVersionValue(), 5.0f);
    EXPECT_EQ(UIDevice::currentDevice().userInterfaceIdiom(), UIUserInterfaceIdiomPad);
}

// Web and mail links go to the desktop's handler for their scheme, as one
// argument each, escapes and all; other schemes never leave the application.
TEST_F(ApplicationTest, WebAndMailLinksReachTheDesktopsHandler)
{
    TemporaryHome home;
    auto app = UIApplication::sharedApplication();
    struct Case {
        std::string url;
        bool opens;
    } cases[] = {
        { "http://example.com/a", true },
        { "HTTPS://example.com/b?q=1&r=two words", true },
        { "mailto://support@corvelle.test?subject=bug%20report&body=Thanks%20to%20your%20help!<br>", true },
        { "ftp://example.com/c", false },
        { "file:///etc/passwd", false },
        { "javascript:alert(1)", false },
        { "http", false },
    };
    {
        // No handler on the desktop: nothing opens, and nothing says it did.
        ASSERT_EQ(TestDesktop::prepare(), "");
        EXPECT_FALSE(app->canOpenURL(cases[0].url));
        EXPECT_FALSE(app->openURL(cases[0].url));
        EXPECT_TRUE(app->openedURLs().empty());
    }
    ScopedTestApplication handler;
    ASSERT_TRUE(handler.installed()) << handler.error();
    std::vector<std::string> lines;
    NSLogSetCapture([&lines](const std::string& line) { lines.push_back(line); });
    std::vector<std::string> opened;
    for (auto& c : cases) {
        EXPECT_EQ(app->canOpenURL(c.url), c.opens) << c.url;
        EXPECT_EQ(app->openURL(c.url), c.opens) << c.url;
        if (c.opens) {
            opened.push_back(c.url);
            // One launch at a time, so the arguments arrive in order.
            EXPECT_EQ(handler.waitForArguments(opened.size()), opened);
        }
    }
    NSLogSetCapture(nullptr);
    EXPECT_EQ(app->openedURLs(), opened);
    EXPECT_EQ(lines.size(), std::size(cases));
}

// Without a display the application runs headless: the main loop waits for
// work while idle and returns once the application terminates.
TEST_F(ApplicationTest, MainRunsHeadlessUntilTheApplicationTerminates)
{
    std::optional<std::string> display;
    if (const char* d = std::getenv("DISPLAY"))
        display = d;
    unsetenv("DISPLAY");
    auto log = std::make_shared<Log>();
    auto delegate = std::make_shared<LoggingDelegate>(log);
    std::shared_ptr<UIWindow> window;
    std::thread other;
    delegate->onLaunch = [&] {
        window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window->makeKeyAndVisible();
        // Another thread ends the application a little later, so the loop has to wait for it.
        other = std::thread([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            NSRunLoop::mainRunLoop()->performBlock([] { UIApplication::sharedApplication()->terminate(); });
        });
    };
    int status = UIApplicationMain(0, nullptr, delegate);
    other.join();
    if (display)
        setenv("DISPLAY", display->c_str(), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(*log, (Log { "delegate launched", "delegate active", "delegate terminate" }));
    EXPECT_TRUE(UIApplication::sharedApplication()->hasTerminated());
}

}  // namespace
