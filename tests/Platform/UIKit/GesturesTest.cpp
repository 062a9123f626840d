#include "WindowFixture.h"

#include "Platform/UIKit/UIGestureRecognizer.h"

#include <gtest/gtest.h>

namespace {

using States = std::vector<UIGestureRecognizerState>;

// A view that logs the touches it is given.
class TouchLog : public UIView {
public:
    using UIView::UIView;
    std::vector<std::string> calls;
    void touchesBeganWithEvent(const UITouchSet& t, UIEvent*) override
    {
        calls.push_back("began " + std::to_string(t.front()->tapCount()));
    }
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesEndedWithEvent(const UITouchSet&, UIEvent*) override { calls.push_back("ended"); }
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override { calls.push_back("cancelled"); }
};

class GesturesTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        area = std::make_shared<TouchLog>(CGRectMake(100, 100, 600, 400));
        window->addSubview(area);
    }
    // A recogniser on the area that logs its states as its action sees them.
    template <class Recognizer> std::shared_ptr<Recognizer> attach(States& states)
    {
        auto r = std::make_shared<Recognizer>([&states](UIGestureRecognizer& g) { states.push_back(g.state()); });
        area->addGestureRecognizer(r);
        return r;
    }
    std::shared_ptr<TouchLog> area;
};

TEST_F(GesturesTest, LongPressBeginsAfterItsMinimumDurationOnly)
{
    States states;
    auto press = attach<UILongPressGestureRecognizer>(states);
    press->minimumPressDuration = 0.7;
    struct Case {
        double seconds;
        States expected;
    } cases[] = {
        { 0.5, {} },
        { 1.0, { UIGestureRecognizerStateBegan, UIGestureRecognizerStateEnded } },
    };
    for (auto& c : cases) {
        states.clear();
        driver->longPressAt(CGPointMake(300, 300), c.seconds);
        EXPECT_EQ(states, c.expected) << c.seconds;
    }
    // Moving too far before the time is up is no long press.
    states.clear();
    window->handleTouch(1, UITouchPhaseBegan, CGPointMake(300, 300));
    driver->advance(0.3);
    window->handleTouch(1, UITouchPhaseMoved, CGPointMake(360, 300));
    driver->advance(1);
    window->handleTouch(1, UITouchPhaseEnded, CGPointMake(360, 300));
    driver->settle();
    EXPECT_TRUE(states.empty());
}

TEST_F(GesturesTest, PanReportsTranslationLocationAndVelocity)
{
    States states;
    auto pan = attach<UIPanGestureRecognizer>(states);
    pan->maximumNumberOfTouches = 1;
    CGPoint lastTranslation {}, lastLocation {}, velocity {};
    pan->addTarget([&](UIGestureRecognizer& g) {
        auto& p = static_cast<UIPanGestureRecognizer&>(g);
        lastTranslation = p.translationInView(area.get());
        lastLocation = p.locationInView(area);
        if (g.state() == UIGestureRecognizerStateChanged)
            velocity = p.velocityInView(area.get());
    });
    driver->dragFrom(CGPointMake(200, 200), CGPointMake(400, 260), 10, 0.5);
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(states.front(), UIGestureRecognizerStateBegan);
    EXPECT_EQ(states[1], UIGestureRecognizerStateChanged);
    EXPECT_EQ(states.back(), UIGestureRecognizerStateEnded);
    EXPECT_EQ(lastTranslation, CGPointMake(200, 60));
    EXPECT_EQ(lastLocation, CGPointMake(300, 160));
    EXPECT_NEAR(velocity.x, 400, 1);
    EXPECT_NEAR(velocity.y, 120, 1);
    // A drag shorter than the hysteresis never begins.
    states.clear();
    driver->dragFrom(CGPointMake(200, 200), CGPointMake(205, 203), 3, 0.1);
    EXPECT_TRUE(states.empty());
}

TEST_F(GesturesTest, PinchScalesWithTheSpreadOfTwoFingers)
{
    States states;
    auto pinch = attach<UIPinchGestureRecognizer>(states);
    CGFloat scale = 0;
    pinch->addTarget([&](UIGestureRecognizer& g) { scale = static_cast<UIPinchGestureRecognizer&>(g).scale(); });
    driver->pinchAt(CGPointMake(400, 300), 50, 150);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front(), UIGestureRecognizerStateBegan);
    EXPECT_EQ(states.back(), UIGestureRecognizerStateEnded);
    EXPECT_NEAR(scale, 3.0, 0.01);
}

TEST_F(GesturesTest, SwipesAreQuickAndAlongTheirDirection)
{
    States right, left;
    auto toRight = attach<UISwipeGestureRecognizer>(right);
    auto toLeft = attach<UISwipeGestureRecognizer>(left);
    toLeft->direction = UISwipeGestureRecognizerDirectionLeft;
    struct Case {
        CGPoint to;
        double seconds;
        size_t rights, lefts;
    } cases[] = {
        { CGPointMake(500, 310), 0.2, 1, 0 }, { CGPointMake(100, 290), 0.2, 0, 1 },
        { CGPointMake(500, 300), 2.0, 0, 0 },  // too slow
        { CGPointMake(330, 500), 0.2, 0, 0 },  // mostly downward
    };
    for (auto& c : cases) {
        right.clear();
        left.clear();
        driver->dragFrom(CGPointMake(300, 300), c.to, 5, c.seconds);
        EXPECT_EQ(right.size(), c.rights) << c.to.x << "," << c.to.y;
        EXPECT_EQ(left.size(), c.lefts) << c.to.x << "," << c.to.y;
    }
    // A removed recogniser is gone for good.
    area->removeGestureRecognizer(toRight);
    right.clear();
    driver->dragFrom(CGPointMake(300, 300), CGPointMake(500, 300), 5, 0.2);
    EXPECT_TRUE(right.empty());
}

struct Refuse : UIGestureRecognizerDelegate {
    bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer&, UITouch&) override { return false; }
};

TEST_F(GesturesTest, TapsCountFingersAskTheDelegateAndCancelTheViewsTouches)
{
    States states;
    auto tap = attach<UITapGestureRecognizer>(states);
    tap->numberOfTouchesRequired = 2;
    driver->tapAt(CGPointMake(300, 300));
    EXPECT_TRUE(states.empty());
    window->handleTouch(1, UITouchPhaseBegan, CGPointMake(300, 300));
    window->handleTouch(2, UITouchPhaseBegan, CGPointMake(340, 300));
    window->handleTouch(1, UITouchPhaseEnded, CGPointMake(300, 300));
    window->handleTouch(2, UITouchPhaseEnded, CGPointMake(340, 300));
    driver->settle();
    EXPECT_EQ(states, States { UIGestureRecognizerStateEnded });
    EXPECT_EQ(tap->numberOfTouches(), 0u);

    // A recognised tap takes the touch from the view; unless told not to, and not when the delegate refuses it.
    struct Case {
        bool cancels;
        bool refuse;
        size_t recognised;
        std::vector<std::string> viewCalls;
    } cases[] = {
        { true, false, 1, { "began 1", "cancelled" } },
        { false, false, 1, { "began 1", "ended" } },
        { true, true, 0, { "began 1", "ended" } },
    };
    auto refuse = std::make_shared<Refuse>();
    for (auto& c : cases) {
        tap->numberOfTouchesRequired = 1;
        tap->setCancelsTouchesInView(c.cancels);
        tap->setDelegate(c.refuse ? std::weak_ptr<UIGestureRecognizerDelegate>(refuse)
                                  : std::weak_ptr<UIGestureRecognizerDelegate>());
        states.clear();
        area->calls.clear();
        driver->tapAt(CGPointMake(300, 300));
        driver->advance(1);
        EXPECT_EQ(states.size(), c.recognised);
        EXPECT_EQ(area->calls, c.viewCalls);
    }
    // The second tap of a quick pair is counted as such by the touch.
    area->removeGestureRecognizer(tap);
    area->calls.clear();
    driver->doubleTapAt(CGPointMake(300, 300));
    EXPECT_EQ(area->calls, (std::vector<std::string> { "began 1", "ended", "began 2", "ended" }));
}

}  // namespace
