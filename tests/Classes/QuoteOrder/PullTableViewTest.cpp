#include "Classes/QuoteOrder/LoadMoreTableFooterView.h"
#include "Classes/QuoteOrder/MessageInterceptor.h"
#include "Classes/QuoteOrder/PullRefreshTableHeaderView.h"
#include "Classes/QuoteOrder/PullTableView.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UIViewController.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The owner of the table: its rows, its delegate and its pull delegate.
class Owner : public UITableViewDataSource, public UITableViewDelegate, public PullTableViewDelegate {
public:
    long rows = 20;
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return rows; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath&) override
    {
        return std::make_shared<UITableViewCell>();
    }
    void tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath& path) override
    {
        selected.push_back(path.row());
    }
    void scrollViewDidScroll(UIScrollView&) override { ++scrolls; }
    void scrollViewDidEndDraggingWillDecelerate(UIScrollView& s, bool) override
    {
        releasedAt.push_back(LoadMoreTableFooterView::scrollViewOffsetFromBottom(s));
    }
    void pullTableViewDidTriggerRefresh(PullTableView&) override { ++refreshes; }
    void pullTableViewDidTriggerLoadMore(PullTableView&) override { ++loads; }

    std::vector<long> selected;
    std::vector<CGFloat> releasedAt;
    int scrolls = 0;
    int refreshes = 0;
    int loads = 0;
};

class PullTableViewTest : public ScreenTest {
protected:
    void show(long rows)
    {
        owner = std::make_shared<Owner>();
        owner->rows = rows;
        screen = std::make_shared<UIViewController>();
        table = PullTableView::create(CGRectMake(0, 152, 1024, 530));
        table->setRowHeight(50);
        table->setDataSource(owner);
        table->setDelegate(owner);
        table->setPullDelegate(owner);
        table->setRefreshEnable(false);
        screen->view()->addSubview(table);
        showRoot(screen);
        table->reloadData();
        driver->settle();
    }

    // Drags the end of the content up by `finger` points from where it rests.
    void pullUp(CGFloat finger)
    {
        const CGFloat end = std::max(CGFloat(0), table->contentSize().height - table->bounds().size.height);
        table->setContentOffset(CGPointMake(0, end));
        driver->drag(table, 0, -finger);
        driver->advance(1);
    }

    std::shared_ptr<Owner> owner;
    std::shared_ptr<UIViewController> screen;
    std::shared_ptr<PullTableView> table;
};

TEST_F(PullTableViewTest, ReleasingPastTheThresholdLoadsMoreOnceUntilTheOwnerEndsIt)
{
    show(20);
    auto footer = table->loadMoreView();
    EXPECT_EQ(footer->frame().origin.y, 1000) << "the footer sits right below the content";

    pullUp(200);
    ASSERT_EQ(owner->releasedAt.size(), 1u);
    EXPECT_GT(owner->releasedAt[0], -LoadMoreTableFooterView::kTriggerDistance);
    EXPECT_EQ(owner->loads, 0);
    EXPECT_EQ(footer->state(), LoadMoreTableFooterView::Normal);

    pullUp(320);
    ASSERT_EQ(owner->releasedAt.size(), 2u);
    EXPECT_LE(owner->releasedAt[1], -LoadMoreTableFooterView::kTriggerDistance);
    EXPECT_EQ(owner->loads, 1);
    EXPECT_TRUE(table->pullTableIsLoadingMore());
    EXPECT_EQ(footer->state(), LoadMoreTableFooterView::Loading);
    EXPECT_TRUE(footer->arrowImage()->isHidden());

    pullUp(320);
    EXPECT_EQ(owner->loads, 1) << "no second load while one is running";

    table->setPullTableIsLoadingMore(false);
    driver->advance(1);
    EXPECT_FALSE(table->pullTableIsLoadingMore());
    EXPECT_EQ(footer->state(), LoadMoreTableFooterView::Normal);
    EXPECT_EQ(table->contentInset().bottom, 0);
    pullUp(320);
    EXPECT_EQ(owner->loads, 2) << "once ended, a pull loads again";
    EXPECT_EQ(owner->refreshes, 0);
}

TEST_F(PullTableViewTest, WithLoadMoreOffTheFooterIsHiddenAndNeverMoves)
{
    show(20);
    table->setLoadMoreEnable(false);
    EXPECT_TRUE(table->loadMoreView()->isHidden());
    pullUp(320);
    EXPECT_EQ(owner->loads, 0);
    EXPECT_EQ(table->loadMoreView()->state(), LoadMoreTableFooterView::Normal);
    table->setLoadMoreEnable(true);
    EXPECT_FALSE(table->loadMoreView()->isHidden());
}

TEST_F(PullTableViewTest, AShortListKeepsTheFooterInViewWhileLoading)
{
    show(3);
    EXPECT_EQ(table->loadMoreView()->frame().origin.y, 530) << "right below the visible area";
    EXPECT_EQ(LoadMoreTableFooterView::visibleTableHeightDiffWithBoundsHeight(*table), 380);
    table->setPullTableIsLoadingMore(true);
    driver->advance(1);
    EXPECT_EQ(table->contentInset().bottom, 380 + LoadMoreTableFooterView::kLoadingHeight);
    table->setPullTableIsLoadingMore(true);
    EXPECT_EQ(owner->loads, 0) << "starting from the owner tells nobody";
    table->setPullTableIsLoadingMore(false);
    driver->advance(1);
    EXPECT_EQ(table->contentInset().bottom, 0);
}

TEST_F(PullTableViewTest, TheOwnersDelegateHearsEveryMessageThroughTheInterceptor)
{
    show(20);
    EXPECT_EQ(table->UITableView::delegate(), table->delegateInterceptor());
    driver->tap(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(2, 0)));
    EXPECT_EQ(owner->selected, std::vector<long> { 2 });
    pullUp(100);
    EXPECT_GT(owner->scrolls, 0);

    auto other = std::make_shared<Owner>();
    table->setDelegate(other);
    table->setContentOffset(CGPointMake(0, 0));
    driver->settle();
    EXPECT_EQ(table->UITableView::delegate(), table->delegateInterceptor()) << "only the receiver changes";
    auto row4 = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(4, 0));
    ASSERT_TRUE(row4);
    driver->tap(row4);
    EXPECT_EQ(other->selected, std::vector<long> { 4 });
    EXPECT_EQ(owner->selected.size(), 1u);
}

TEST_F(PullTableViewTest, PullingDownRefreshesWhenTheHeaderIsOn)
{
    show(20);
    table->setRefreshEnable(true);
    table->setContentOffset(CGPointMake(0, 0));
    driver->drag(table, 0, 320);
    driver->advance(1);
    EXPECT_EQ(owner->refreshes, 1);
    EXPECT_TRUE(table->pullTableIsRefreshing());
    EXPECT_EQ(table->refreshView()->state(), PullRefreshTableHeaderView::Loading);
    table->setPullTableIsRefreshing(false);
    driver->advance(1);
    EXPECT_EQ(table->refreshView()->state(), PullRefreshTableHeaderView::Normal);
    EXPECT_EQ(table->contentInset().top, 0);
}

}  // namespace
