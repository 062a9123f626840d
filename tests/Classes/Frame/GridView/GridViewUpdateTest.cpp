#include "GridViewFixture.h"

#include "Classes/Frame/GridViewAnimatorItem.h"
#include "Classes/Frame/GridViewUpdateInfo.h"
#include "Platform/UIKit/UIImageView.h"

namespace {

class EndLog : public GridViewDelegate {
public:
    void gridViewDidEndUpdateAnimation(GridView&) override { ++ended; }
    int ended = 0;
};

class GridViewUpdateTest : public GridViewTest {
protected:
    void SetUp() override
    {
        GridViewTest::SetUp();
        makeGrid(CGRectMake(0, 0, 1024, 638), 3);
        ends = std::make_shared<EndLog>();
        grid->setDelegate(ends);
    }
    size_t pictures() const
    {
        size_t n = 0;
        for (auto& view : grid->subviews())
            n += std::dynamic_pointer_cast<UIImageView>(view) != nullptr;
        return n;
    }
    CGFloat slotX(NSUInteger item) const { return grid->gridData()->cellRectAtIndex(item).origin.x; }
    std::shared_ptr<EndLog> ends;
};

TEST(GridViewUpdateInfo, MapsOldIndicesToNewOnesAndBack)
{
    auto grid = std::make_shared<GridView>(CGRectMake(0, 0, 1024, 638));
    auto data = GridViewData::initWithGridView(grid.get());
    data->setNumberOfItems(5);
    using Map = std::vector<NSUInteger>;
    const NSUInteger none = NSNotFound;
    struct Case {
        const char* name;
        std::function<void(GridViewUpdateInfo&)> changes;
        Map oldToNew, newToOld;
    } cases[] = {
        { "insert at 1",
            [](auto& u) {
                u.updateItemsAtIndicesUpdateActionWithAnimation(
                    NSIndexSet::indexSetWithIndex(1), GridViewUpdateActionInsert, GridViewItemAnimationFade);
            },
            { 0, 2, 3, 4, 5 }, { 0, none, 1, 2, 3, 4 } },
        { "delete 1",
            [](auto& u) {
                u.updateItemsAtIndicesUpdateActionWithAnimation(
                    NSIndexSet::indexSetWithIndex(1), GridViewUpdateActionDelete, GridViewItemAnimationFade);
            },
            { 0, none, 1, 2, 3 }, { 0, 2, 3, 4 } },
        { "delete 0 and 3",
            [](auto& u) {
                NSIndexSet s = NSIndexSet::indexSetWithIndex(0);
                s.addIndex(3);
                u.updateItemsAtIndicesUpdateActionWithAnimation(
                    s, GridViewUpdateActionDelete, GridViewItemAnimationFade);
            },
            { none, 0, 1, none, 2 }, { 1, 2, 4 } },
        { "insert at 1 and 3",
            [](auto& u) {
                NSIndexSet s = NSIndexSet::indexSetWithIndex(1);
                s.addIndex(3);
                u.updateItemsAtIndicesUpdateActionWithAnimation(
                    s, GridViewUpdateActionInsert, GridViewItemAnimationFade);
            },
            { 0, 2, 4, 5, 6 }, { 0, none, 1, none, 2, 3, 4 } },
        { "move 1 to 3", [](auto& u) { u.moveItemAtIndexToIndexWithAnimation(1, 3, GridViewItemAnimationFade); },
            { 0, 3, 1, 2, 4 }, { 0, 2, 3, 1, 4 } },
        { "move 3 to 0", [](auto& u) { u.moveItemAtIndexToIndexWithAnimation(3, 0, GridViewItemAnimationFade); },
            { 1, 2, 3, 0, 4 }, { 3, 0, 1, 2, 4 } },
    };
    for (auto& c : cases) {
        GridViewUpdateInfo info(data, grid.get());
        c.changes(info);
        info.cleanupUpdateItems();
        EXPECT_EQ(info.oldToNewIndexMap(), c.oldToNew) << c.name;
        EXPECT_EQ(info.newToOldIndexMap(), c.newToOld) << c.name;
        EXPECT_EQ(info.newGridViewData()->numberOfItems(), c.newToOld.size()) << c.name;
    }
}

TEST_F(GridViewUpdateTest, AnInsertionMovesTheLaterCellsAndFadesTheNewOneIn)
{
    auto second = grid->cellForItemAtIndex(1), third = grid->cellForItemAtIndex(2);
    source->count = 4;
    grid->insertItemsAtIndicesWithAnimation(NSIndexSet::indexSetWithIndex(1), GridViewItemAnimationFade);
    EXPECT_TRUE(grid->isAnimatingUpdates());
    ASSERT_EQ(UIView::runningAnimations().size(), 1u);
    EXPECT_EQ(UIView::runningAnimations().front().duration, 0.3);
    // The views take their end state at once: the old cells sit in slots 2 and 3.
    EXPECT_EQ(second->displayIndex(), 2u);
    EXPECT_EQ(third->displayIndex(), 3u);
    EXPECT_EQ(second->frame().origin.x, slotX(2) + 2);
    EXPECT_EQ(third->frame().origin.x, slotX(3) + 2);
    driver->advance(0.29);
    EXPECT_EQ(ends->ended, 0);
    driver->advance(0.01);
    EXPECT_EQ(ends->ended, 1);
    EXPECT_FALSE(grid->isAnimatingUpdates());
    EXPECT_EQ(shownItems(), (std::vector<NSUInteger> { 0, 1, 2, 3 }));
    EXPECT_EQ(text(1), "1");
    EXPECT_EQ(grid->cellForItemAtIndex(1)->alpha(), 1.0f);
    EXPECT_EQ(grid->cellForItemAtIndex(2), second);
    EXPECT_EQ(grid->numberOfItems(), 4u);
}

TEST_F(GridViewUpdateTest, WithoutAnimationTheInsertedCellIsShownAtOnce)
{
    source->count = 4;
    grid->insertItemsAtIndicesWithAnimation(NSIndexSet::indexSetWithIndex(3), GridViewItemAnimationNone);
    auto cell = grid->animatingCells().back()->animatingView();
    EXPECT_EQ(cell->alpha(), 1.0f);
    EXPECT_EQ(cell->superview(), grid);
    EXPECT_EQ(cell->frame().origin.x, slotX(3) + 2);
    driver->advance(0.3);
    EXPECT_EQ(text(3), "3");
}

TEST_F(GridViewUpdateTest, DeletingTheSelectedItemLeavesNoSelectionAndItsPictureGoes)
{
    grid->selectItemAtIndexAnimatedScrollPosition(1, false, GridViewScrollPositionNone);
    source->count = 2;
    grid->deleteItemsAtIndicesWithAnimation(NSIndexSet::indexSetWithIndex(1), GridViewItemAnimationLeft);
    EXPECT_EQ(grid->indexOfSelectedItem(), NSNotFound);
    EXPECT_EQ(pictures(), 1u);  // the deleted cell's picture slides out
    driver->advance(0.3);
    EXPECT_EQ(pictures(), 0u);
    EXPECT_EQ(shownItems(), (std::vector<NSUInteger> { 0, 1 }));
    EXPECT_EQ(text(1), "2");  // the tile that was third now shows the second item's number it was given
}

TEST_F(GridViewUpdateTest, AMovedSelectionFollowsItsItem)
{
    grid->selectItemAtIndexAnimatedScrollPosition(0, false, GridViewScrollPositionNone);
    auto first = grid->cellForItemAtIndex(0);
    grid->moveItemAtIndexToIndexWithAnimation(0, 2, GridViewItemAnimationFade);
    EXPECT_EQ(grid->indexOfSelectedItem(), 2u);
    driver->advance(0.3);
    EXPECT_EQ(grid->cellForItemAtIndex(2), first);
    EXPECT_TRUE(first->isSelected());
    EXPECT_EQ(first->frame().origin.x, slotX(2) + 2);
}

TEST_F(GridViewUpdateTest, AReloadKeepsTheCountAndCrossFadesItsCells)
{
    auto old = grid->cellForItemAtIndex(1);
    grid->beginUpdates();
    grid->reloadItemsAtIndicesWithAnimation(NSIndexSet::indexSetWithIndex(1), GridViewItemAnimationFade);
    grid->reloadData();  // inside a batch: nothing
    EXPECT_EQ(grid->cellForItemAtIndex(1), old);
    grid->endUpdates();
    EXPECT_EQ(pictures(), 1u);
    EXPECT_EQ(old->superview(), nullptr);
    driver->advance(0.3);
    EXPECT_EQ(pictures(), 0u);
    EXPECT_EQ(grid->numberOfItems(), 3u);
    EXPECT_NE(grid->cellForItemAtIndex(1), old);
    EXPECT_EQ(grid->cellForItemAtIndex(1)->alpha(), 1.0f);
    EXPECT_EQ(shownItems(), (std::vector<NSUInteger> { 0, 1, 2 }));
}

TEST_F(GridViewUpdateTest, ABatchThatDoesNotMatchTheDataSourceReloadsTheGrid)
{
    source->count = 7;  // the grid is told of one insertion only
    grid->insertItemsAtIndicesWithAnimation(NSIndexSet::indexSetWithIndex(0), GridViewItemAnimationFade);
    EXPECT_EQ(logLines.back(),
        "Invalid number of items in GridView: Started with 3, added 1, deleted 0. Expected 4 items after "
        "changes, but got 7");
    EXPECT_FALSE(grid->isAnimatingUpdates());
    driver->settle();
    EXPECT_EQ(grid->numberOfItems(), 7u);
    EXPECT_EQ(shownItems(), (std::vector<NSUInteger> { 0, 1, 2, 3, 4, 5, 6 }));
    // The grid goes on taking batches.
    source->count = 6;
    grid->deleteItemsAtIndicesWithAnimation(NSIndexSet::indexSetWithIndex(6), GridViewItemAnimationFade);
    driver->advance(0.3);
    EXPECT_EQ(grid->numberOfItems(), 6u);
}

TEST_F(GridViewUpdateTest, AnUnmatchedEndLeavesLaterChangesInBatchesOfTheirOwn)
{
    grid->endUpdates();
    grid->beginUpdates();  // back to 0: opens no batch
    source->count = 4;
    grid->insertItemsAtIndicesWithAnimation(NSIndexSet::indexSetWithIndex(3), GridViewItemAnimationFade);
    EXPECT_TRUE(grid->isAnimatingUpdates());
    driver->advance(0.3);
    EXPECT_EQ(grid->numberOfItems(), 4u);
    EXPECT_EQ(ends->ended, 1);
}

TEST_F(GridViewUpdateTest, ChangesOutOfViewOnlyMoveTheSlots)
{
    source->count = 100;
    grid->reloadData();
    driver->settle();
    auto before = shownItems();
    int asked = source->asked;
    source->count = 101;
    grid->insertItemsAtIndicesWithAnimation(NSIndexSet::indexSetWithIndex(90), GridViewItemAnimationFade);
    EXPECT_EQ(source->asked, asked);  // no cell asked for the new item
    driver->advance(0.3);
    EXPECT_EQ(shownItems(), before);
    EXPECT_EQ(grid->numberOfItems(), 101u);
    EXPECT_EQ(grid->contentSize().height, 21 * 212);
}

}  // namespace
