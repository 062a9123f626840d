#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"
#include "support/UIDriver.h"

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/QuartzCore/CATiledLayer.h"
#include "Platform/UIKit/MailMessage.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITabBarController.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

class InterfaceTest : public ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window->makeKeyAndVisible();
    }
    void TearDown() override
    {
        drainMainRunLoop();
        window.reset();
        UIApplication::resetSharedApplication();
        ManualClockTest::TearDown();
    }
    std::shared_ptr<UIWindow> window;
};

TEST_F(InterfaceTest, ViewTreeOrderTagsAndAutoresizing)
{
    auto root = std::make_shared<UIView>(CGRectMake(0, 0, 200, 100));
    auto a = std::make_shared<UIView>(CGRectMake(10, 10, 20, 20));
    auto b = std::make_shared<UIView>(CGRectMake(0, 0, 5, 5));
    auto c = std::make_shared<UIView>(CGRectMake(0, 0, 5, 5));
    b->setTag(7);
    root->addSubview(a);
    root->addSubview(b);
    root->insertSubviewBelowSubview(c, a);
    ASSERT_EQ(root->subviews().size(), 3u);
    EXPECT_EQ(root->subviews()[0], c);
    root->bringSubviewToFront(c);
    EXPECT_EQ(root->subviews().back(), c);
    EXPECT_EQ(root->viewWithTag(7), b);
    EXPECT_EQ(root->viewWithTag(99), nullptr);

    struct Case {
        unsigned mask;
        CGRect expected;
    } cases[] = {
        { UIViewAutoresizingNone, CGRectMake(10, 10, 20, 20) },
        { UIViewAutoresizingFlexibleWidth, CGRectMake(10, 10, 120, 20) },
        { UIViewAutoresizingFlexibleLeftMargin, CGRectMake(110, 10, 20, 20) },
        { UIViewAutoresizingFlexibleHeight | UIViewAutoresizingFlexibleTopMargin, CGRectMake(10, 20, 20, 40) },
    };
    for (auto& k : cases) {
        auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 200, 100));
        auto child = std::make_shared<UIView>(CGRectMake(10, 10, 20, 20));
        child->setAutoresizingMask(k.mask);
        parent->addSubview(child);
        parent->setFrame(CGRectMake(0, 0, 300, 130));
        EXPECT_EQ(child->frame(), k.expected) << k.mask;
    }
}

TEST_F(InterfaceTest, HitTestingAndConversionFollowTransformsAndFlags)
{
    auto outer = std::make_shared<UIView>(CGRectMake(100, 100, 200, 200));
    auto inner = std::make_shared<UIView>(CGRectMake(50, 50, 20, 20));
    window->addSubview(outer);
    outer->addSubview(inner);
    EXPECT_EQ(inner->convertPointToView(CGPointMake(0, 0), nullptr), CGPointMake(150, 150));
    EXPECT_EQ(window->hitTestWithEvent(CGPointMake(155, 155), nullptr), inner);
    inner->setHidden(true);
    EXPECT_EQ(window->hitTestWithEvent(CGPointMake(155, 155), nullptr), outer);
    inner->setHidden(false);
    inner->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTestWithEvent(CGPointMake(155, 155), nullptr), outer);
    // Scaled about its centre: the frame grows, points map back through the transform.
    outer->setTransform(CGAffineTransformMakeScale(2, 2));
    EXPECT_EQ(outer->frame(), CGRectMake(0, 0, 400, 400));
    EXPECT_EQ(outer->convertPointFromView(CGPointMake(200, 200), nullptr), CGPointMake(100, 100));
}

TEST_F(InterfaceTest, AnimationsApplyAtOnceAndCompleteOnTheClock)
{
    auto v = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
    std::vector<bool> finished;
    UIView::animateWithDurationDelayOptionsAnimationsCompletion(
        0.3, 0.2, UIViewAnimationOptionCurveEaseIn, [&] { v->setAlpha(0); }, [&](bool f) { finished.push_back(f); });
    EXPECT_EQ(v->alpha(), 0);
    ASSERT_EQ(UIView::runningAnimations().size(), 1u);
    EXPECT_EQ(UIView::runningAnimations()[0].curve, UIViewAnimationCurveEaseIn);
    advanceClock(0.4);
    EXPECT_TRUE(finished.empty());
    advanceClock(0.11);
    EXPECT_EQ(finished, std::vector<bool> { true });

    // Forever-repeating: ends only when the view's animations are removed, unfinished.
    std::string stopped;
    bool stopFinished = true;
    UIView::beginAnimations("wiggle");
    UIView::setAnimationRepeatCount(HUGE_VALF_REPEAT);
    UIView::setAnimationDidStopSelector([&](const std::string& id, bool f, void*) {
        stopped = id;
        stopFinished = f;
    });
    v->setTransform(CGAffineTransformMakeRotation(0.03f));
    UIView::commitAnimations();
    advanceClock(10);
    EXPECT_TRUE(stopped.empty());
    v->layer()->removeAllAnimations();
    EXPECT_EQ(stopped, "wiggle");
    EXPECT_FALSE(stopFinished);
}

TEST_F(InterfaceTest, AddingASubviewLaysOutTheReceiverOnTheNextPass)
{
    struct Counting : UIView {
        using UIView::UIView;
        int layouts = 0;
        void layoutSubviews() override
        {
            ++layouts;
            // Its own layout adding a view does not ask for another pass.
            if (subviews().empty())
                addSubview(std::make_shared<UIView>(CGRectMake(0, 0, 5, 5)));
        }
    };
    auto box = std::make_shared<Counting>(CGRectMake(0, 0, 100, 100));
    window->addSubview(box);
    drainMainRunLoop();
    int before = box->layouts;
    drainMainRunLoop();
    EXPECT_EQ(box->layouts, before) << "settled";
    box->addSubview(std::make_shared<UIView>(CGRectMake(10, 10, 10, 10)));
    EXPECT_TRUE(box->needsLayout());
    drainMainRunLoop();
    EXPECT_EQ(box->layouts, before + 1);
}

TEST_F(InterfaceTest, AnAnimationTakingOverAPropertyEndsTheFirstUnfinished)
{
    // The image viewer: a zoom-out is interrupted by a new zoom of the same view.
    auto v = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
    std::vector<std::string> ends;
    auto log = [&ends](std::string name) {
        return [&ends, name](bool f) { ends.push_back(name + (f ? " finished" : " cut")); };
    };
    UIView::animateWithDuration(
        1.0, [&] { v->setTransform(CGAffineTransformMakeScale(2, 2)); }, log("zoom"));
    UIView::animateWithDuration(
        1.0, [&] { v->setAlpha(0.5f); }, log("fade"));
    advanceClock(0.3);
    EXPECT_TRUE(ends.empty());
    UIView::animateWithDuration(
        1.0, [&] { v->setTransform(CGAffineTransformIdentity); }, log("back"));
    EXPECT_EQ(ends, (std::vector<std::string> { "zoom cut" })) << "ended at the takeover; the fade goes on";
    advanceClock(1.0);
    EXPECT_EQ(ends, (std::vector<std::string> { "zoom cut", "fade finished", "back finished" }));

    // A frame takes over a centre (both move the view); another view's centre does not.
    auto other = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
    ends.clear();
    UIView::animateWithDuration(
        1.0, [&] { v->setCenter(CGPointMake(50, 50)); }, log("move"));
    UIView::animateWithDuration(
        1.0, [&] { other->setCenter(CGPointMake(50, 50)); }, log("other"));
    UIView::animateWithDuration(
        1.0, [&] { v->setFrame(CGRectMake(0, 0, 20, 20)); }, log("frame"));
    EXPECT_EQ(ends, (std::vector<std::string> { "move cut" }));
    advanceClock(1.0);
}

TEST_F(InterfaceTest, AnimatedViewsTakeNoTouchesUnlessTheAnimationAllowsThem)
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(CGRectMake(100, 100, 100, 40));
    window->addSubview(button);
    int taps = 0;
    button->addTarget(UIControlEventTouchUpInside, [&](UIControl&, UIEvent*) { ++taps; });
    UIDriver driver(window);
    struct Case {
        unsigned options;
        int tapsDuring;
    } cases[] = {
        { 0, 0 },
        { UIViewAnimationOptionAllowUserInteraction, 1 },
    };
    for (const auto& c : cases) {
        taps = 0;
        UIView::animateWithDuration(
            1.0, 0, c.options, [&] { button->setAlpha(0.9f); }, nullptr);
        driver.tap(button);
        EXPECT_EQ(taps, c.tapsDuring) << c.options;
        driver.advance(1.0);
        driver.tap(button);
        EXPECT_EQ(taps, c.tapsDuring + 1) << "after the animation " << c.options;
    }
}

TEST_F(InterfaceTest, LayerAnimationsAreKeptUntilTheirTimeIsOver)
{
    auto layer = CALayer::layer();
    auto fade = CABasicAnimation::animationWithKeyPath("opacity");
    fade->duration = 0.5;
    fade->beginTime = CACurrentMediaTime() + 1;
    layer->addAnimation(fade, "fade");
    auto wiggle = CABasicAnimation::animationWithKeyPath("transform");
    wiggle->repeatCount = HUGE_VALF_REPEAT;
    wiggle->autoreverses = true;
    layer->addAnimation(wiggle, "wiggle");
    EXPECT_EQ(layer->animationKeys(), (std::vector<std::string> { "fade", "wiggle" }));
    advanceClock(1.6);
    EXPECT_EQ(layer->animationKeys(), std::vector<std::string> { "wiggle" });
    layer->removeAnimationForKey("wiggle");
    EXPECT_TRUE(layer->animationKeys().empty());
}

TEST_F(InterfaceTest, AnimationsSwitchedOffCompleteOnTheNextTurn)
{
    auto v = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
    std::vector<bool> finished;
    UIView::setAnimationsEnabled(false);
    UIView::animateWithDuration(
        2.0, [&] { v->setCenter(CGPointMake(100, 100)); }, [&](bool f) { finished.push_back(f); });
    UIView::setAnimationsEnabled(true);
    EXPECT_EQ(v->center(), CGPointMake(100, 100));
    EXPECT_TRUE(finished.empty());
    drainMainRunLoop();
    EXPECT_EQ(finished.size(), 1u);
    bool ran = false;
    UIView::performWithoutAnimation([&] { ran = !UIView::areAnimationsEnabled(); });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(UIView::areAnimationsEnabled());
}

TEST_F(InterfaceTest, LabelsShrinkToFitNoSmallerThanTheirMinimum)
{
    struct Case {
        std::string text;
        CGFloat minimum;
        CGFloat expected;
    } cases[] = {
        { "12.00", 10, 20 },  // fits: unchanged
        { "1,234,567.00 USD", 10, 0 },  // shrinks, somewhere above the minimum
        { "1,234,567,890,123,456,789.00 USD", 10, 10 },  // stops at the minimum
    };
    for (auto& c : cases) {
        UILabel label(CGRectMake(0, 0, 120, 30));
        label.setFont(UIFont::systemFontOfSize(20));
        label.setAdjustsFontSizeToFitWidth(true);
        label.setMinimumFontSize(c.minimum);
        label.setText(c.text);
        CGFloat size = label.fontForDrawing()->pointSize();
        if (c.expected > 0)
            EXPECT_EQ(size, c.expected) << c.text;
        else
            EXPECT_TRUE(size > c.minimum && size < 20) << c.text << " " << size;
        EXPECT_EQ(label.font()->pointSize(), 20) << c.text;
    }
}

struct LifeLog : UIViewController {
    std::vector<std::string>* log;
    std::string name;
    LifeLog(std::vector<std::string>* l, std::string n)
        : log(l)
        , name(std::move(n))
    {
    }
    void viewDidLoad() override { log->push_back(name + " load"); }
    void viewWillAppear(bool) override { log->push_back(name + " will appear"); }
    void viewDidAppear(bool) override { log->push_back(name + " did appear"); }
    void viewWillDisappear(bool) override { log->push_back(name + " will disappear"); }
    void viewDidDisappear(bool) override { log->push_back(name + " did disappear"); }
    void viewDidUnload() override { log->push_back(name + " unload"); }
};

TEST_F(InterfaceTest, NavigationRunsTheLifeCycleInPlatformOrder)
{
    std::vector<std::string> log;
    auto a = std::make_shared<LifeLog>(&log, "a");
    auto b = std::make_shared<LifeLog>(&log, "b");
    auto nav = UINavigationController::withRootViewController(a);
    window->setRootViewController(nav);
    EXPECT_EQ(log, (std::vector<std::string> { "a load", "a will appear", "a did appear" }));
    log.clear();
    nav->pushViewControllerAnimated(b, true);
    EXPECT_EQ(log, (std::vector<std::string> { "b load", "a will disappear", "b will appear" }));
    advanceClock(UIViewController::kTransitionDuration);
    EXPECT_EQ(log.back(), "b did appear");
    EXPECT_EQ(b->navigationController(), nav);
    EXPECT_EQ(b->view()->frame().origin.y, UINavigationBar::kHeight);
    log.clear();
    EXPECT_EQ(nav->popToRootViewControllerAnimated(false).size(), 1u);
    EXPECT_EQ(
        log, (std::vector<std::string> { "b will disappear", "a will appear", "b did disappear", "a did appear" }));
    // A memory warning unloads only views out of the window.
    log.clear();
    b->didReceiveMemoryWarning();
    a->didReceiveMemoryWarning();
    EXPECT_EQ(log, std::vector<std::string> { "b unload" });
    EXPECT_TRUE(a->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationLandscapeLeft));
    EXPECT_FALSE(a->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortrait));
    EXPECT_EQ(a->supportedInterfaceOrientations(), 24u);
}

TEST_F(InterfaceTest, ANavigationStackHeldByAScreenHearsItsAppearanceAndPassesItToItsTop)
{
    // The catalogue's layout: a screen holding a master and a detail stack
    // side by side, telling both when it appears and disappears.
    std::vector<std::string> log;
    struct Holder : UIViewController {
        std::shared_ptr<UINavigationController> master, detail;
        void viewDidLoad() override
        {
            view()->addSubview(master->view());
            view()->addSubview(detail->view());
        }
        void viewWillAppear(bool animated) override
        {
            master->viewWillAppear(animated);
            detail->viewWillAppear(animated);
        }
        void viewDidAppear(bool animated) override
        {
            master->viewDidAppear(animated);
            detail->viewDidAppear(animated);
        }
        void viewWillDisappear(bool animated) override
        {
            master->viewWillDisappear(animated);
            detail->viewWillDisappear(animated);
        }
        void viewDidDisappear(bool animated) override
        {
            master->viewDidDisappear(animated);
            detail->viewDidDisappear(animated);
        }
    };
    auto holder = std::make_shared<Holder>();
    holder->master = UINavigationController::withRootViewController(std::make_shared<LifeLog>(&log, "list"));
    holder->detail = UINavigationController::withRootViewController(std::make_shared<LifeLog>(&log, "page"));
    window->setRootViewController(holder);
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "list load", "page load", "list will appear", "page will appear", "list did appear", "page did appear" }));

    // The stack is taken as shown: a later push runs the whole life cycle.
    log.clear();
    holder->detail->pushViewControllerAnimated(std::make_shared<LifeLog>(&log, "item"), false);
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "item load", "page will disappear", "item will appear", "page did disappear", "item did appear" }));

    // Told twice (by the holder and again by a window) it passes each call on once.
    log.clear();
    holder->detail->beginAppearanceTransition(true, false);
    holder->detail->viewDidAppear(false);
    EXPECT_TRUE(log.empty());

    log.clear();
    window->setRootViewController(std::make_shared<UIViewController>());
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "list will disappear", "item will disappear", "list did disappear", "item did disappear" }));

    // A later visit is told again, as every one after it.
    for (int visit = 0; visit < 2; ++visit) {
        log.clear();
        window->setRootViewController(holder);
        EXPECT_EQ(log,
            (std::vector<std::string> {
                "list will appear", "item will appear", "list did appear", "item did appear" }));
        log.clear();
        window->setRootViewController(std::make_shared<UIViewController>());
        EXPECT_EQ(log,
            (std::vector<std::string> {
                "list will disappear", "item will disappear", "list did disappear", "item did disappear" }));
    }
}

TEST_F(InterfaceTest, AFullScreenPresentationFromInsideContainersIsMadeByTheTabBarController)
{
    std::vector<std::string> log;
    struct LoggedTabs : UITabBarController {
        std::vector<std::string>* log = nullptr;
        void viewWillAppear(bool a) override
        {
            log->push_back("tabs will appear");
            UITabBarController::viewWillAppear(a);
        }
        void viewDidAppear(bool a) override
        {
            log->push_back("tabs did appear");
            UITabBarController::viewDidAppear(a);
        }
        void viewWillDisappear(bool a) override
        {
            log->push_back("tabs will disappear");
            UITabBarController::viewWillDisappear(a);
        }
        void viewDidDisappear(bool a) override
        {
            log->push_back("tabs did disappear");
            UITabBarController::viewDidDisappear(a);
        }
    };
    auto tabs = std::make_shared<LoggedTabs>();
    tabs->log = &log;
    auto screen = std::make_shared<LifeLog>(&log, "screen");
    auto nav = UINavigationController::withRootViewController(screen);
    tabs->setViewControllers({ nav });
    window->setRootViewController(tabs);
    auto modal = std::make_shared<LifeLog>(&log, "modal");
    log.clear();

    screen->presentViewControllerAnimatedCompletion(modal, false, nullptr);
    EXPECT_EQ(log,
        (std::vector<std::string> { "modal load", "tabs will disappear", "screen will disappear", "modal will appear",
            "modal did appear", "tabs did disappear", "screen did disappear" }));
    EXPECT_EQ(modal->presentingViewController(), tabs);
    EXPECT_EQ(screen->presentedViewController(), modal);
    EXPECT_EQ(tabs->presentedViewController(), modal);

    log.clear();
    screen->dismissModalViewControllerAnimated(false);
    EXPECT_EQ(log,
        (std::vector<std::string> { "modal will disappear", "tabs will appear", "screen will appear",
            "modal did disappear", "tabs did appear", "screen did appear" }));
    EXPECT_EQ(tabs->presentedViewController(), nullptr);
}

TEST_F(InterfaceTest, TabsLoadTheNewScreenBeforeTheSwitchAndKeepItAboveTheBar)
{
    std::vector<std::string> log;
    auto a = std::make_shared<LifeLog>(&log, "a");
    auto b = std::make_shared<LifeLog>(&log, "b");
    auto tabs = std::make_shared<UITabBarController>();
    tabs->setViewControllers({ a, b });
    window->setRootViewController(tabs);
    EXPECT_EQ(tabs->view()->frame(), CGRectMake(0, 20, 1024, 748));
    EXPECT_EQ(a->view()->frame(), CGRectMake(0, 0, 1024, 748 - UITabBar::kHeight));
    log.clear();
    tabs->setSelectedIndex(1);
    EXPECT_EQ(log,
        (std::vector<std::string> {
            "b load", "a will disappear", "b will appear", "a did disappear", "b did appear" }));
    log.clear();
    tabs->setSelectedIndex(0);
    EXPECT_EQ(
        log, (std::vector<std::string> { "b will disappear", "a will appear", "b did disappear", "a did appear" }));

    // Screens hide the bar by moving it below the screen: the tab's view then reaches down to it.
    struct Case {
        std::function<void(UITabBar&)> hide;
        CGRect content;
    } cases[] = {
        { [](UITabBar& bar) { bar.setFrame(CGRectMake(0, 768, 1024, 0)); }, CGRectMake(0, 0, 1024, 768) },
        { [](UITabBar& bar) { bar.setHidden(true); }, CGRectMake(0, 0, 1024, 748) },
    };
    for (auto& c : cases) {
        auto other = std::make_shared<UITabBarController>();
        auto screen = std::make_shared<UIViewController>();
        other->setViewControllers({ std::make_shared<UIViewController>(), screen });
        window->setRootViewController(other);
        c.hide(*other->tabBar());
        other->setSelectedIndex(1);
        EXPECT_EQ(screen->view()->frame(), c.content);
    }
}

TEST_F(InterfaceTest, FormSheetPresentsCentredAndCompletesAfterDismissal)
{
    std::vector<std::string> log;
    auto root = std::make_shared<LifeLog>(&log, "root");
    window->setRootViewController(root);
    auto sheet = std::make_shared<LifeLog>(&log, "sheet");
    sheet->setModalPresentationStyle(UIModalPresentationFormSheet);
    bool presented = false, dismissed = false;
    log.clear();
    root->presentViewControllerAnimatedCompletion(sheet, true, [&] { presented = true; });
    EXPECT_FALSE(presented);
    advanceClock(UIViewController::kTransitionDuration);
    EXPECT_TRUE(presented);
    // The presenter stays on screen under a sheet.
    EXPECT_EQ(log, (std::vector<std::string> { "sheet load", "sheet will appear", "sheet did appear" }));
    EXPECT_EQ(sheet->view()->superview()->frame(), CGRectMake(242, 74, 540, 620));
    EXPECT_EQ(root->presentedViewController(), sheet);
    sheet->dismissViewControllerAnimatedCompletion(true, [&] { dismissed = true; });
    EXPECT_EQ(root->presentedViewController(), nullptr);
    advanceClock(UIViewController::kTransitionDuration);
    EXPECT_TRUE(dismissed);
    EXPECT_EQ(log.back(), "sheet did disappear");
}

struct AlertLog : UIAlertViewDelegate {
    std::vector<std::string> calls;
    void alertViewClickedButtonAtIndex(UIAlertView&, long i) override
    {
        calls.push_back("clicked " + std::to_string(i));
    }
    void willPresentAlertView(UIAlertView&) override { calls.push_back("will present"); }
    void didPresentAlertView(UIAlertView&) override { calls.push_back("did present"); }
    void alertViewWillDismissWithButtonIndex(UIAlertView&, long i) override
    {
        calls.push_back("will dismiss " + std::to_string(i));
    }
    void alertViewDidDismissWithButtonIndex(UIAlertView&, long i) override
    {
        calls.push_back("did dismiss " + std::to_string(i));
    }
};

TEST_F(InterfaceTest, AlertKeepsAUsersClickApartFromADismissalByCode)
{
    auto log = std::make_shared<AlertLog>();
    auto alert
        = std::make_shared<UIAlertView>("Title", "Message", log, "Cancel", std::vector<std::string> { "OK", "Later" });
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->firstOtherButtonIndex(), 1);
    alert->show();
    UIDriver driver(window);
    driver.advance(UIAlertView::kTransitionDuration);
    ASSERT_TRUE(driver.tapAlertButton("Later"));
    driver.advance(UIAlertView::kTransitionDuration);
    EXPECT_EQ(log->calls,
        (std::vector<std::string> { "will present", "did present", "clicked 2", "will dismiss 2", "did dismiss 2" }));
    EXPECT_EQ(driver.visibleAlert(), nullptr);

    log->calls.clear();
    auto second = std::make_shared<UIAlertView>("", "Note", log, "OK");
    second->show();
    // The message is the alert's second label.
    auto label = std::dynamic_pointer_cast<UILabel>(second->subviews()[1]);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), "Note");
    second->dismissWithClickedButtonIndexAnimated(0, false);
    EXPECT_EQ(log->calls, (std::vector<std::string> { "will present", "will dismiss 0", "did dismiss 0" }));
}

TEST_F(InterfaceTest, AlertDimsTheScreenBehindItAndHoldsItsTouches)
{
    window->setBackgroundColor(UIColor::whiteColor());
    int ups = 0;
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(CGRectMake(20, 20, 100, 40));
    button->addTarget(UIControlEventTouchUpInside, [&](UIControl&, UIEvent*) { ++ups; });
    window->addSubview(button);
    auto corner = [&] {
        auto picture = UIViewRenderToImage(*window);
        return picture ? picture->CGImage()->pixelAt(50, 700).red : 0;
    };
    EXPECT_EQ(corner(), 255);

    auto alert = std::make_shared<UIAlertView>("Title", "Message", std::weak_ptr<UIAlertViewDelegate> {}, "OK");
    alert->show();
    UIDriver driver(window);
    driver.advance(UIAlertView::kTransitionDuration);
    EXPECT_LT(corner(), 200);
    driver.tap(button);
    EXPECT_EQ(ups, 0);

    ASSERT_TRUE(driver.tapAlertButton("OK"));
    driver.advance(UIAlertView::kTransitionDuration);
    EXPECT_EQ(corner(), 255);
    driver.tap(button);
    EXPECT_EQ(ups, 1);
}

TEST_F(InterfaceTest, AViewsLayerRendersTheViewAndATiledViewDrawsItsTiles)
{
    // A view whose layer is tiled: its delegate paints each tile it is asked for.
    struct Painter : CALayerDelegate {
        std::vector<CGRect> tiles;
        void drawLayerInContext(CALayer&, const CGContextRef& c) override
        {
            tiles.push_back(CGContextGetClipBoundingBox(c));
            CGContextSetRGBFillColor(c, 0, 0, 1, 1);
            CGContextFillRect(c, CGContextGetClipBoundingBox(c));
        }
    };
    auto tiled = CATiledLayer::layer();
    tiled->tileSize = CGSizeMake(256, 256);
    auto page = std::make_shared<UIView>(CGRectMake(0, 0, 2000, 2000), tiled);
    auto painter = std::make_shared<Painter>();
    tiled->setDelegate(painter);
    auto holder = std::make_shared<UIView>(CGRectMake(0, 0, 300, 200));
    holder->setClipsToBounds(true);
    holder->addSubview(page);
    auto picture = UIViewRenderToImage(*holder);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(painter->tiles, (std::vector<CGRect> { CGRectMake(0, 0, 256, 256), CGRectMake(256, 0, 256, 256) }));
    EXPECT_EQ(picture->CGImage()->pixelAt(280, 150), (CGPixel { 0, 0, 255, 255 }));

    // Rendering a view's layer draws the view with its subviews.
    auto box = std::make_shared<UIView>(CGRectMake(0, 0, 20, 20));
    box->setBackgroundColor(UIColor::whiteColor());
    auto mark = std::make_shared<UIView>(CGRectMake(10, 10, 10, 10));
    mark->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(1, 0, 0, 1));
    box->addSubview(mark);
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(20, 20), true, 1);
    box->layer()->renderInContext(UIGraphicsGetCurrentContext());
    auto shot = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->CGImage()->pixelAt(15, 15), (CGPixel { 255, 0, 0, 255 }));
    EXPECT_EQ(shot->CGImage()->pixelAt(5, 5), (CGPixel { 255, 255, 255, 255 }));
}

TEST_F(InterfaceTest, TapsDoubleTapsAndButtonsThroughTheWindow)
{
    auto view = std::make_shared<UIView>(CGRectMake(0, 0, 300, 300));
    window->addSubview(view);
    int singles = 0, doubles = 0, ups = 0;
    auto single = std::make_shared<UITapGestureRecognizer>([&](UIGestureRecognizer&) { ++singles; });
    auto twice = std::make_shared<UITapGestureRecognizer>([&](UIGestureRecognizer&) { ++doubles; });
    twice->numberOfTapsRequired = 2;
    single->requireGestureRecognizerToFail(twice);
    view->addGestureRecognizer(single);
    view->addGestureRecognizer(twice);
    UIDriver driver(window);
    driver.doubleTapAt(CGPointMake(50, 50));
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(singles, 0);
    driver.tapAt(CGPointMake(50, 50));
    driver.advance(0.5);
    EXPECT_EQ(singles, 1);

    auto button = UIButton::buttonWithType(UIButtonTypeRoundedRect);
    button->setFrame(CGRectMake(400, 400, 100, 40));
    button->addTarget(UIControlEventTouchUpInside, [&](UIControl&, UIEvent*) { ++ups; });
    window->addSubview(button);
    driver.tap(button);
    button->setEnabled(false);
    driver.tap(button);
    EXPECT_EQ(ups, 1);
}

struct ScrollLog : UIScrollViewDelegate {
    std::vector<std::string> calls;
    bool sawDragging = false;
    void scrollViewWillBeginDragging(UIScrollView&) override { calls.push_back("begin"); }
    void scrollViewDidScroll(UIScrollView& s) override { sawDragging |= s.isDragging(); }
    void scrollViewWillEndDraggingWithVelocityTargetContentOffset(UIScrollView&, CGPoint, CGPoint* target) override
    {
        calls.push_back("will end");
        target->y = 100;
    }
    void scrollViewDidEndDraggingWillDecelerate(UIScrollView&, bool d) override
    {
        calls.push_back(d ? "end decelerate" : "end");
    }
    void scrollViewDidEndDecelerating(UIScrollView&) override { calls.push_back("stopped"); }
};

TEST_F(InterfaceTest, DraggingAScrollViewCancelsTheContentTouchAndHonoursTheTarget)
{
    auto scroll = std::make_shared<UIScrollView>(CGRectMake(0, 0, 400, 400));
    scroll->setContentSize(CGSizeMake(400, 2000));
    auto log = std::make_shared<ScrollLog>();
    scroll->setDelegate(log);
    auto button = std::make_shared<UIButton>(CGRectMake(0, 0, 400, 400));
    int cancels = 0;
    button->addTarget(UIControlEventTouchCancel, [&](UIControl&, UIEvent*) { ++cancels; });
    scroll->addSubview(button);
    window->addSubview(scroll);
    UIDriver driver(window);
    driver.dragFrom(CGPointMake(200, 300), CGPointMake(200, 100));
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(log->sawDragging);
    EXPECT_EQ(scroll->contentOffset().y, 100);
    driver.advance(UIScrollView::kDecelerationDuration);
    EXPECT_EQ(log->calls, (std::vector<std::string> { "begin", "will end", "end decelerate", "stopped" }));
    // Past the top it bounces by half the distance while dragging.
    driver.dragFrom(CGPointMake(200, 100), CGPointMake(200, 300), 4, 0.2);
    EXPECT_FALSE(scroll->isDragging());
}

TEST(MailMessageTest, MessagesAreRfc5322WithAttachmentsAndNoHeaderInjection)
{
    MailMessage m;
    m.toRecipients = { "buyer@harbour.test" };
    m.bccRecipients = { "archive@corvelle.test" };
    m.subject = "[Order]\r\nBcc: victim@example.com";
    m.body = "See attached.";
    m.attachments.push_back({ Data { '%', 'P', 'D', 'F' }, "application/pdf", "Order.pdf" });
    std::string s = m.render("sales01@corvelle.test");
    EXPECT_EQ(s.find("From: sales01@corvelle.test\r\n"), 0u);
    EXPECT_NE(s.find("To: buyer@harbour.test\r\n"), std::string::npos);
    EXPECT_NE(s.find("Subject: [Order]  Bcc: victim@example.com\r\n"), std::string::npos);
    // Neither the caller's subject nor the blind copies become a header line.
    EXPECT_EQ(s.find("\r\nBcc:"), std::string::npos);
    EXPECT_EQ(s.find("archive@corvelle.test"), std::string::npos);
    EXPECT_NE(s.find("Content-Type: application/pdf; name=\"Order.pdf\""), std::string::npos);
    EXPECT_NE(s.find("JVBERg=="), std::string::npos);
    EXPECT_NE(s.find("@corvelle.test>\r\n"), std::string::npos);
}

// Callers name an attachment's type loosely; the message carries the MIME
// type of the file, and a name nobody knows goes as plain bytes.
TEST(MailMessageTest, LooseAttachmentTypesBecomeTheFilesMimeType)
{
    struct Case {
        std::string given, fileName, sent;
    };
    const Case cases[] = {
        { "pdf", "Order.pdf", "application/pdf" },
        { "ppt", "Price list.xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet" },
        { "ppt", "Deck.ppt", "application/vnd.ms-powerpoint" },
        { "application/pdf", "Brochure.pdf", "application/pdf" },
        { "ppt", "notes.unknownext", "application/octet-stream" },
    };
    for (const auto& c : cases) {
        MailMessage m;
        m.attachments.push_back({ Data { 1, 2, 3 }, c.given, c.fileName });
        std::string s = m.render("sales01@corvelle.test");
        EXPECT_NE(s.find("Content-Type: " + c.sent + "; name="), std::string::npos) << c.fileName;
    }
}

}  // namespace
