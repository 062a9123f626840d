#include "LibraryScreen.h"

#include "Classes/Frame/BrowserTab.h"
#include "Classes/Frame/BrowserTabView.h"
#include "Classes/Frame/OrderingController.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIViewLayoutCheck.h"

#include <gtest/gtest.h>

using LibraryFrame = LibraryScreen;

TEST_F(LibraryFrame, TheLibraryTabLaysOnePairOfPanesAndOtherTabsTakeThemOff)
{
    showLibrary();
    auto barView = app->tabBarController()->view();
    auto count = [&](long tag) {
        long n = 0;
        for (const auto& v : barView->subviews())
            n += v->tag() == tag;
        return n;
    };
    EXPECT_EQ(count(SaleslibraryController::kMasterViewTag), 1);
    EXPECT_EQ(count(SaleslibraryController::kDetailViewTag), 1);
    app->tabBarController()->selectTab(UITabBarControllerExt::TabCustomer);
    appDriver->settle();
    EXPECT_EQ(count(SaleslibraryController::kMasterViewTag), 0);
    EXPECT_EQ(count(SaleslibraryController::kDetailViewTag), 0);
    app->tabBarController()->selectTab(UITabBarControllerExt::TabSalesLibrary);
    app->tabBarController()->selectTab(UITabBarControllerExt::TabSalesLibrary);
    appDriver->settle();
    EXPECT_EQ(count(SaleslibraryController::kMasterViewTag), 1);
    EXPECT_EQ(count(SaleslibraryController::kDetailViewTag), 1);
}

TEST_F(LibraryFrame, ThePanelSlidesOutAndInAndMovesTheControlsOfBothGrids)
{
    showLibrary();
    appDriver->tap(frame()->tabController()->tabsArray()[1]);
    appDriver->tap(frame()->tabController()->tabsArray()[0]);
    appDriver->tap(frame()->ControlMasterBtn());
    appDriver->advance(0.5);
    EXPECT_TRUE(frame()->isMasterViewHiddened());
    EXPECT_EQ(frame()->masterController()->view()->frame(), CGRectMake(-244, 0, 244, 768));
    EXPECT_EQ(frame()->ControlMasterBtn()->frame(), CGRectMake(15, 5, 34, 34));
    for (size_t tab : { 0u, 1u }) {
        SCOPED_TRACE(tab);
        EXPECT_EQ(grid(tab)->productShowView()->frame(), CGRectMake(0, 50, 1024, 588));
        EXPECT_EQ(grid(tab)->headView()->frame(), CGRectMake(0, 0, 1024, 50));
        EXPECT_EQ(grid(tab)->filterController()->orderingButton()->frame().origin.x, 615);
        EXPECT_EQ(grid(tab)->orderController()->orderingButton()->frame().origin.x, 790);
        EXPECT_EQ(grid(tab)->btnDownloadAll()->frame().origin.x, 970);
    }
    // Asking for the state it already has changes nothing.
    NSNotificationCenter::defaultCenter().postNotificationName("HideLibraryMasterView");
    appDriver->advance(0.5);
    EXPECT_TRUE(frame()->isMasterViewHiddened());

    // A swipe to the right of more than 100 points brings it back.
    appDriver->dragFrom(CGPointMake(400, 400), CGPointMake(700, 400), 10, 0.3);
    appDriver->advance(0.5);
    EXPECT_FALSE(frame()->isMasterViewHiddened());
    EXPECT_EQ(frame()->masterController()->view()->frame(), CGRectMake(0, 0, 244, 768));
    EXPECT_EQ(grid(1)->btnDownloadAll()->frame().origin.x, 726);
}

TEST_F(LibraryFrame, FiltersAndSortsComeFromTheHeadBarMenus)
{
    showLibrary();
    // A choice in a menu, as its list reports it.
    auto choose = [&](const std::shared_ptr<OrderingController>& menu, unsigned index) {
        appDriver->tap(menu->orderingButton());
        appDriver->advance(0.5);
        menu->orderingDidSelected(index);
        appDriver->advance(0.5);
    };
    choose(grid()->filterController(), 2);
    EXPECT_EQ(shownTitles(), std::vector<std::string> { "Catalogue" });
    EXPECT_EQ(countOnRow(text("ALL")), "(1)");
    choose(grid()->filterController(), 3);
    EXPECT_EQ(shownTitles(), (std::vector<std::string> { "Price list", "Loose notes" }));
    choose(grid()->filterController(), 0);
    choose(grid()->orderController(), 1);
    EXPECT_EQ(shownTitles(),
        (std::vector<std::string> { "Catalogue", "Loose notes", "Order form", "Price list", "Showroom tour" }));
}

namespace {

// The views under `view` whose drawing, where no ancestor clips it, reaches
// out of `limit` (a rectangle in the window).
void collectSpills(const UIView& view, CGRect clip, CGRect limit, std::vector<std::string>& spills)
{
    for (const auto& child : view.subviews()) {
        if (!child || child->isHidden() || child->alpha() <= 0.01)
            continue;
        const CGRect onScreen = CGRectIntersection(child->convertRectToView(child->bounds(), nullptr), clip);
        if (CGRectIsNull(onScreen) || CGRectIsEmpty(onScreen))
            continue;
        if (!CGRectContainsRect(CGRectInset(limit, -1, -1), onScreen))
            spills.push_back(child->window() ? UIViewPathForReport(*child, *child->window()) : "a view");
        collectSpills(*child, child->clipsToBounds() ? onScreen : clip, limit, spills);
    }
}

}  // namespace

TEST_F(LibraryFrame, TheGridPaneDrawsOnlyWithinItsFrame)
{
    showLibrary();
    struct Case {
        size_t tab;
        bool panelHidden;
    };
    for (const Case c : { Case { 0, false }, Case { 1, false }, Case { 1, true }, Case { 0, true } }) {
        SCOPED_TRACE(testing::Message() << "tab " << c.tab << (c.panelHidden ? ", panel hidden" : ", panel shown"));
        appDriver->tap(frame()->tabController()->tabsArray()[c.tab]);
        if (frame()->isMasterViewHiddened() != c.panelHidden)
            appDriver->tap(frame()->ControlMasterBtn());
        appDriver->advance(0.5);
        auto pane = app->tabBarController()->view()->viewWithTag(SaleslibraryController::kDetailViewTag);
        ASSERT_TRUE(pane);
        EXPECT_EQ(pane->frame(), CGRectMake(0, 64, 1024, 638));
        const CGRect paneOnScreen = pane->convertRectToView(pane->bounds(), nullptr);
        std::vector<std::string> spills;
        collectSpills(*pane, app->window()->bounds(), paneOnScreen, spills);
        EXPECT_EQ(spills, std::vector<std::string> {});
        // Nothing on the main screen, the tab bar least of all, lies out of sight under a later view.
        for (const auto& defect : UIViewFindLayoutDefects(*app->window()))
            EXPECT_EQ(UIViewLayoutDefectDescription(defect).find("hidden wholly"), std::string::npos)
                << UIViewLayoutDefectDescription(defect);
    }
}
