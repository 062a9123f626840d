#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"

#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CATransaction.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

struct StopLog : CAAnimationDelegate {
    std::vector<std::string> calls;
    void animationDidStart(CAAnimation&) override { calls.push_back("start"); }
    void animationDidStop(CAAnimation&, bool finished) override { calls.push_back(finished ? "finished" : "stopped"); }
};

class LayerTest : public ManualClockTest {
protected:
    void TearDown() override
    {
        drainMainRunLoop();
        ManualClockTest::TearDown();
    }
};

TEST_F(LayerTest, ActiveDurationCountsPassesReversalsAndRepeats)
{
    struct Case {
        double duration;
        bool autoreverses;
        float repeatCount;
        double active;
    } cases[] = {
        { 0.5, false, 0, 0.5 },
        { 0, false, 0, 0.25 },  // no duration means a quarter second
        { 0.1, true, 0, 0.2 },
        { 0.2, true, 3, 1.2 },
        { 0.1, true, HUGE_VALF_REPEAT, INFINITY },
    };
    for (auto& c : cases) {
        CABasicAnimation a;
        a.duration = c.duration;
        a.autoreverses = c.autoreverses;
        a.repeatCount = c.repeatCount;
        EXPECT_DOUBLE_EQ(a.activeDuration(), c.active) << c.duration << " " << c.repeatCount;
    }
}

TEST_F(LayerTest, AnimationsEndOnTheClockAndTellTheirDelegateOnce)
{
    auto layer = CALayer::layer();
    // A bounce: three positions at key times, reversing, starting a little later.
    auto bounce = CAKeyframeAnimation::animationWithKeyPath("position.y");
    bounce->values = { CAAnimationValue(100.0), CAAnimationValue(80.0), CAAnimationValue(100.0) };
    bounce->keyTimes = { 0, 0.7, 1.0 };
    bounce->duration = 0.3;
    bounce->autoreverses = true;
    bounce->beginTime = CACurrentMediaTime() + 0.5;
    bounce->removedOnCompletion = false;
    auto log = std::make_shared<StopLog>();
    bounce->delegate = log;
    layer->addAnimation(bounce, "bounce");
    auto kept = std::dynamic_pointer_cast<CAKeyframeAnimation>(layer->animationForKey("bounce"));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->keyTimes, (std::vector<double> { 0, 0.7, 1.0 }));
    // It starts at its begin time, not when added.
    advanceClock(0.4);
    EXPECT_TRUE(log->calls.empty());
    advanceClock(0.6);
    EXPECT_EQ(log->calls, (std::vector<std::string> { "start" }));
    advanceClock(0.2);
    EXPECT_EQ(log->calls, (std::vector<std::string> { "start", "finished" }));
    // Not removed on completion: it stays until taken off, which says nothing more.
    EXPECT_EQ(layer->animationKeys(), std::vector<std::string> { "bounce" });
    layer->removeAllAnimations();
    EXPECT_EQ(log->calls.size(), 2u);

    // One that repeats forever ends only when removed, unfinished; a new one under its key replaces it.
    auto wiggle = CABasicAnimation::animationWithKeyPath("transform");
    wiggle->repeatCount = HUGE_VALF_REPEAT;
    auto wiggleLog = std::make_shared<StopLog>();
    wiggle->delegate = wiggleLog;
    layer->addAnimation(wiggle, "wiggle");
    advanceClock(100);
    layer->addAnimation(CABasicAnimation::animationWithKeyPath("transform"), "wiggle");
    EXPECT_EQ(wiggleLog->calls, (std::vector<std::string> { "start", "stopped" }));
    EXPECT_EQ(layer->animationKeys(), std::vector<std::string> { "wiggle" });

    // Taken off before its begin time it never started, and did not finish.
    auto fade = CABasicAnimation::animationWithKeyPath("opacity");
    fade->beginTime = CACurrentMediaTime() + 1;
    auto fadeLog = std::make_shared<StopLog>();
    fade->delegate = fadeLog;
    layer->addAnimation(fade, "fade");
    advanceClock(0.5);
    layer->removeAnimationForKey("fade");
    advanceClock(2);
    EXPECT_EQ(fadeLog->calls, std::vector<std::string> { "stopped" });
}

TEST_F(LayerTest, ATransactionsCompletionWaitsForTheAnimationsAddedInIt)
{
    auto layer = CALayer::layer();
    std::vector<std::string> done;
    CATransaction::begin();
    CATransaction::setCompletionBlock([&] { done.push_back("outer"); });
    CATransaction::begin();
    CATransaction::setCompletionBlock([&] { done.push_back("inner"); });
    auto fade = CABasicAnimation::animationWithKeyPath("opacity");
    fade->duration = 0.5;
    layer->addAnimation(fade, "fade");
    CATransaction::commit();
    auto spin = CABasicAnimation::animationWithKeyPath("transform");
    spin->duration = 1.0;
    layer->addAnimation(spin, "spin");
    CATransaction::commit();
    drainMainRunLoop();
    EXPECT_TRUE(done.empty());
    advanceClock(0.5);
    EXPECT_EQ(done, (std::vector<std::string> { "inner" }));
    advanceClock(0.25);
    EXPECT_EQ(done.size(), 1u) << "the outer one waits for the spin too";
    // An animation removed early counts as ended.
    layer->removeAnimationForKey("spin");
    drainMainRunLoop();
    EXPECT_EQ(done, (std::vector<std::string> { "inner", "outer" }));
}

TEST_F(LayerTest, TransactionsNestTheirSettingsAndCompleteAfterTheOutermostCommit)
{
    std::vector<std::string> done;
    CATransaction::begin();
    CATransaction::setDisableActions(true);
    CATransaction::setAnimationDuration(0.18);
    CATransaction::setCompletionBlock([&] { done.push_back("outer"); });
    CATransaction::begin();
    EXPECT_FALSE(CATransaction::disableActions());
    CATransaction::setCompletionBlock([&] { done.push_back("inner"); });
    CATransaction::commit();
    EXPECT_TRUE(CATransaction::disableActions());
    EXPECT_DOUBLE_EQ(CATransaction::animationDuration(), 0.18);
    CATransaction::commit();
    EXPECT_TRUE(done.empty());
    drainMainRunLoop();
    EXPECT_EQ(done, (std::vector<std::string> { "inner", "outer" }));
    // A commit with nothing begun does nothing.
    CATransaction::commit();
    drainMainRunLoop();
    EXPECT_EQ(done.size(), 2u);

    // Settings outside any transaction last until the loop turns, then the implicit one completes.
    CATransaction::setDisableActions(true);
    CATransaction::setCompletionBlock([&] { done.push_back("implicit"); });
    CATransaction::commit();
    EXPECT_TRUE(CATransaction::disableActions());
    drainMainRunLoop();
    EXPECT_FALSE(CATransaction::disableActions());
    EXPECT_EQ(done.back(), "implicit");
    drainMainRunLoop();
}

}  // namespace
