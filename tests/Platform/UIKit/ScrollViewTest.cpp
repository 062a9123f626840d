#include "WindowFixture.h"

#include "Platform/Foundation/NSTimer.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/UIScrollView.h"

#include <gtest/gtest.h>

namespace {

struct ZoomLog : UIScrollViewDelegate {
    std::shared_ptr<UIView> content;
    std::vector<std::string> calls;
    std::shared_ptr<UIView> viewForZoomingInScrollView(UIScrollView&) override { return content; }
    void scrollViewWillBeginZoomingWithView(UIScrollView&, UIView*) override { calls.push_back("begin"); }
    void scrollViewDidZoom(UIScrollView&) override
    {
        if (calls.empty() || calls.back() != "zoom")
            calls.push_back("zoom");
    }
    void scrollViewDidEndZoomingWithViewAtScale(UIScrollView&, UIView*, CGFloat scale) override
    {
        calls.push_back("end " + std::to_string(scale).substr(0, 3));
    }
};

class ScrollViewTest : public WindowTest {
protected:
    std::shared_ptr<UIScrollView> make(CGSize content)
    {
        auto s = std::make_shared<UIScrollView>(CGRectMake(100, 100, 500, 300));
        s->setContentSize(content);
        window->addSubview(s);
        return s;
    }
};

TEST_F(ScrollViewTest, PagingSettlesOnAWholePageBySpeedOrDistance)
{
    auto pages = make(CGSizeMake(2000, 300));
    pages->setPagingEnabled(true);
    struct Case {
        CGFloat dx;
        double seconds;
        CGFloat page;
    } cases[] = {
        { -150, 3.0, 0 },  // slow and short: back to where it was
        { -300, 3.0, 500 },  // slow but past half a page
        { -100, 0.05, 1000 },  // a quick flick turns one page
        { 120, 0.05, 500 },  // and back
    };
    for (auto& c : cases) {
        driver->dragFrom(CGPointMake(400, 250), CGPointMake(400 + c.dx, 250), 5, c.seconds);
        driver->advance(UIScrollView::kDecelerationDuration);
        EXPECT_EQ(pages->contentOffset(), CGPointMake(c.page, 0)) << c.dx << " in " << c.seconds;
        EXPECT_FALSE(pages->isDecelerating());
    }
}

TEST_F(ScrollViewTest, ScrollingARectIntoViewMovesOnlyAsFarAsNeededWithinTheInset)
{
    auto list = make(CGSizeMake(500, 3000));
    struct Case {
        CGRect rect;
        CGFloat offset;
    } cases[] = {
        { CGRectMake(0, 1000, 100, 100), 800 },  // below: its bottom at the bottom
        { CGRectMake(0, 900, 100, 100), 800 },  // already visible: no move
        { CGRectMake(0, 100, 100, 50), 100 },  // above: its top at the top
        { CGRectMake(0, 2990, 100, 100), 2700 },  // past the end: clamped
    };
    for (auto& c : cases) {
        list->scrollRectToVisibleAnimated(c.rect, false);
        EXPECT_EQ(list->contentOffset().y, c.offset);
    }
    list->setContentInset(UIEdgeInsetsMake(50, 0, 20, 0));
    EXPECT_EQ(list->minimumContentOffset(), CGPointMake(0, -50));
    EXPECT_EQ(list->maximumContentOffset(), CGPointMake(0, 2720));
    list->scrollRectToVisibleAnimated(CGRectMake(0, 0, 10, 10), false);
    EXPECT_EQ(list->contentOffset().y, 0);
}

TEST_F(ScrollViewTest, ZoomStaysWithinItsScalesByCodeAndByPinch)
{
    auto zoom = make(CGSizeMake(400, 400));
    auto log = std::make_shared<ZoomLog>();
    log->content = std::make_shared<UIView>(CGRectMake(0, 0, 400, 400));
    zoom->addSubview(log->content);
    zoom->setDelegate(log);
    zoom->setMinimumZoomScale(1);
    zoom->setMaximumZoomScale(2);
    struct Case {
        CGFloat asked, scale;
    } cases[] = { { 1.5f, 1.5f }, { 3, 2 }, { 0.5f, 1 } };
    for (auto& c : cases) {
        zoom->setZoomScale(c.asked);
        EXPECT_EQ(zoom->zoomScale(), c.scale);
        EXPECT_EQ(zoom->contentSize(), CGSizeMake(400 * c.scale, 400 * c.scale));
    }
    zoom->zoomToRectAnimated(CGRectMake(100, 100, 250, 150), false);
    EXPECT_EQ(zoom->zoomScale(), 2);
    EXPECT_EQ(zoom->contentOffset(), CGPointMake(200, 200));

    // Pinching past the maximum settles back on it when the fingers lift.
    zoom->setZoomScale(1);
    log->calls.clear();
    driver->pinchAt(driver->centerOf(zoom), 40, 200);
    EXPECT_EQ(zoom->zoomScale(), 2);
    EXPECT_EQ(log->calls, (std::vector<std::string> { "begin", "zoom", "end 2.0" }));
    EXPECT_FALSE(zoom->isZooming());
}

}  // namespace

TEST_F(ScrollViewTest, AnInsetLeavesTheOffsetAndAPulledListRestsInsideTheInsetSetOnRelease)
{
    // The pull-to-refresh list: pulled past its top and released, it opens a
    // 60-point header by setting the inset in did-end-dragging.
    struct Refreshing : UIScrollViewDelegate {
        std::vector<std::string> calls;
        void scrollViewDidScroll(UIScrollView& s) override
        {
            calls.push_back("scroll " + std::to_string(int(s.contentOffset().y)));
        }
        void scrollViewDidEndDraggingWillDecelerate(UIScrollView& s, bool decelerate) override
        {
            calls.push_back(decelerate ? "end dragging, decelerating" : "end dragging");
            if (s.contentOffset().y < -60)
                s.setContentInset(UIEdgeInsetsMake(60, 0, 0, 0));
        }
        void scrollViewDidEndDecelerating(UIScrollView& s) override
        {
            calls.push_back("rest " + std::to_string(int(s.contentOffset().y)));
        }
    };
    auto list = make(CGSizeMake(500, 3000));
    auto log = std::make_shared<Refreshing>();
    list->setDelegate(log);

    list->setContentOffset(CGPointMake(0, 100));
    log->calls.clear();
    list->setContentInset(UIEdgeInsetsMake(60, 0, 0, 0));
    EXPECT_EQ(list->contentOffset(), CGPointMake(0, 100)) << "an inset does not move the content";
    EXPECT_TRUE(log->calls.empty()) << "an inset change is no scroll";

    list->setContentInset(UIEdgeInsetsZero);
    list->setContentOffset(CGPointZero);
    // A slow pull of 200 points (banded to 100 past the top), released at rest.
    driver->dragFrom(CGPointMake(300, 150), CGPointMake(300, 350), 10, 2.0);
    EXPECT_EQ(list->contentOffset().y, -60);
    driver->advance(UIScrollView::kDecelerationDuration);
    EXPECT_EQ(list->contentOffset().y, -60) << "rests at the header while loading";
    ASSERT_GE(log->calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log->calls.end() - 3, log->calls.end()),
        (std::vector<std::string> { "end dragging, decelerating", "scroll -60", "rest -60" }));

    // Loaded: the header closes; without the delegate's inset the pull springs back to 0.
    list->setContentInset(UIEdgeInsetsZero);
    list->setContentOffset(CGPointZero);
    log->calls.clear();
    driver->dragFrom(CGPointMake(300, 150), CGPointMake(300, 250), 10, 2.0);
    driver->advance(UIScrollView::kDecelerationDuration);
    EXPECT_EQ(list->contentOffset().y, 0);
    EXPECT_EQ(log->calls.back(), "rest 0");
}

TEST_F(ScrollViewTest, DefaultModeTimersAndDelayedPerformsWaitWhileAScrollViewIsDragged)
{
    auto list = make(CGSizeMake(500, 3000));
    std::vector<std::string> fired;
    auto perform = NSTimer::scheduledTimerWithTimeInterval(0.1, false, [&](NSTimer&) { fired.push_back("timer"); });
    PerformRequests::performAfterDelay(
        this, "loadPage", [&] { fired.push_back("delayed"); }, 0.1);
    auto common = NSTimer::timerWithTimeInterval(0.1, false, [&](NSTimer&) { fired.push_back("common"); });
    NSRunLoop::mainRunLoop()->addTimer(common, NSRunLoopCommonModes);

    struct Watch : UIScrollViewDelegate {
        std::vector<std::string>* fired = nullptr;
        size_t seenWhileDragging = 0;
        void scrollViewDidScroll(UIScrollView& s) override
        {
            if (s.isTracking())
                seenWhileDragging = fired->size();
        }
    };
    auto watch = std::make_shared<Watch>();
    watch->fired = &fired;
    list->setDelegate(watch);
    // Half a second of dragging, with the clock moving through the timers' time.
    driver->dragFrom(CGPointMake(300, 350), CGPointMake(300, 150), 10, 0.5);
    EXPECT_EQ(watch->seenWhileDragging, 1u) << "only the common-modes timer fires during the drag";
    EXPECT_EQ(fired, (std::vector<std::string> { "common", "timer", "delayed" }));
    EXPECT_EQ(UIApplication::eventRunLoopMode(), NSDefaultRunLoopMode);
    perform->invalidate();
    common->invalidate();
    PerformRequests::cancelPreviousPerformRequests(this);
}
