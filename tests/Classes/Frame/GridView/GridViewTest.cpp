#include "GridViewFixture.h"

#include "Classes/Frame/GridViewData.h"

#include <cmath>
#include <set>

namespace {

TEST_F(GridViewTest, CatalogueGeometriesLayOutFourAndFiveColumns)
{
    struct Case {
        CGRect frame;
        NSUInteger columns;
        CGFloat slotWidth;
    } cases[] = {
        { CGRectMake(250, 0, 774, 638), 4, 193 },  // beside the category list
        { CGRectMake(0, 0, 1024, 638), 5, 204 },  // full width
    };
    for (auto& c : cases) {
        makeGrid(c.frame, 30);
        EXPECT_EQ(grid->numberOfColumns(), c.columns);
        EXPECT_EQ(grid->gridCellSize(), CGSizeMake(c.slotWidth, 212));
        EXPECT_EQ(grid->contentSize().height, 212 * ((30 + c.columns - 1) / c.columns));
        // Four rows meet 638 points (the fourth by 2): only their items have cells.
        std::vector<NSUInteger> expected;
        for (NSUInteger i = 0; i < 4 * c.columns; ++i)
            expected.push_back(i);
        EXPECT_EQ(shownItems(), expected);
        // Tiles 200 wide are narrowed to the slot and centred in it.
        auto cell = grid->cellForItemAtIndex(c.columns + 1);
        CGFloat width = std::min<CGFloat>(200, c.slotWidth);
        EXPECT_EQ(cell->frame(), CGRectMake(c.slotWidth + std::floor((c.slotWidth - width) / 2), 212, width, 212));
        EXPECT_EQ(text(c.columns + 1), std::to_string(c.columns + 1));
        EXPECT_EQ(grid->cellForItemAtIndex(4 * c.columns), nullptr);
        grid->removeFromSuperview();
    }
}

TEST_F(GridViewTest, ScrollingReusesTheCellsThatLeaveTheScreen)
{
    makeGrid(CGRectMake(0, 0, 1024, 638), 1000);
    int madeAtStart = source->made;
    EXPECT_EQ(madeAtStart, 20);
    for (int step = 0; step < 40; ++step)
        driver->dragFrom(CGPointMake(500, 600), CGPointMake(500, 150), 10, 0.3);
    driver->advance(1);
    EXPECT_GT(grid->contentOffset().y, 212 * 40);
    // Every visible item has its own cell, showing its own number, in its slot.
    std::set<GridViewCell*> distinct;
    for (auto& cell : grid->visibleCells()) {
        distinct.insert(cell.get());
        EXPECT_EQ(cell->frame().origin.y, 212 * static_cast<CGFloat>(cell->displayIndex() / 5));
        EXPECT_EQ(std::static_pointer_cast<NumberCell>(cell)->label->text(), std::to_string(cell->displayIndex()));
        EXPECT_EQ(cell->superview(), grid);
    }
    EXPECT_EQ(distinct.size(), grid->visibleCells().size());
    NSIndexSet expected = grid->gridData()->indicesOfCellsInRect(grid->bounds());
    EXPECT_EQ(grid->visibleCellIndices(), expected);
    // A few rows' worth of cells in all: those on screen and a small pool.
    EXPECT_LE(source->made, 25);
    EXPECT_LE(grid->visibleCells().size() + grid->numberOfReusableCells(), static_cast<size_t>(source->made));
}

TEST_F(GridViewTest, AnEmptyGridFillsItsBoundsWithAWholeNumberOfSlotsOfBackground)
{
    auto background = std::make_shared<UIView>(CGRectZero);
    source = std::make_shared<NumberSource>(0);
    grid = std::make_shared<GridView>(CGRectMake(0, 0, 1024, 638));
    grid->setBackgroundView(background);
    grid->setDataSource(source);
    window->addSubview(grid);
    grid->reloadData();
    driver->settle();
    EXPECT_TRUE(grid->visibleCells().empty());
    EXPECT_GE(grid->contentSize().height, 638);
    CGRect frame = background->frame();
    EXPECT_EQ(std::fmod(frame.size.height, 212.0f), 0);
    EXPECT_GE(frame.size.height, grid->contentSize().height);
    EXPECT_EQ(grid->subviews().front(), background);
}

TEST_F(GridViewTest, AGridWithSideInsetsPlacesTheExtraSlotInTheInsetAfterEveryLoad)
{
    source = std::make_shared<NumberSource>(30, CGSizeMake(96, 128));
    grid = std::make_shared<GridView>(CGRectMake(0, 0, 1024, 638));
    grid->setLeftContentInset(100);
    grid->setRightContentInset(100);
    grid->setDataSource(source);
    window->addSubview(grid);
    for (int load = 0; load < 2; ++load) {
        grid->reloadData();
        driver->settle();
        EXPECT_EQ(grid->gridCellSize().width, 103);
        EXPECT_EQ(grid->numberOfColumns(), 9u);
        EXPECT_EQ(grid->rectForItemAtIndex(9).origin, CGPointMake(100, 128)) << "load " << load;
    }
}

TEST_F(GridViewTest, ScrollingToAnItemPlacesItsRowAtTheAskedPosition)
{
    makeGrid(CGRectMake(0, 0, 1024, 638), 200);  // 40 rows of 212
    struct Case {
        GridViewScrollPosition position;
        NSUInteger item;
        CGFloat offset;
    } cases[] = {
        { GridViewScrollPositionTop, 50, 2120 }, { GridViewScrollPositionMiddle, 50, 2120 - 213 },
        { GridViewScrollPositionBottom, 50, 2120 - 426 }, { GridViewScrollPositionNone, 0, 0 },  // just into view
        { GridViewScrollPositionNone, 199, 8480 - 638 },
        { GridViewScrollPositionTop, 199, 8480 - 638 },  // no further than the end
    };
    for (auto& c : cases) {
        grid->scrollToItemAtIndexAtScrollPositionAnimated(c.item, c.position, false);
        EXPECT_EQ(grid->contentOffset().y, c.offset) << c.position << " " << c.item;
        // The cells are there at once, without waiting for a layout pass.
        ASSERT_NE(grid->cellForItemAtIndex(c.item), nullptr);
        EXPECT_EQ(text(c.item), std::to_string(c.item));
    }
}

TEST_F(GridViewTest, ABoundsChangeRelaysTheSlotsAndKeepsTheBottomInView)
{
    makeGrid(CGRectMake(250, 0, 774, 638), 100);  // 4 columns: 25 rows
    grid->scrollToItemAtIndexAtScrollPositionAnimated(99, GridViewScrollPositionBottom, false);
    EXPECT_EQ(grid->contentOffset().y, 25 * 212 - 638);
    grid->setFrame(CGRectMake(0, 0, 1024, 638));  // 5 columns: 20 rows
    driver->settle();
    EXPECT_EQ(grid->numberOfColumns(), 5u);
    EXPECT_EQ(grid->contentSize().height, 20 * 212);
    EXPECT_EQ(grid->contentOffset().y, 20 * 212 - 638);
    // A cell keeps the narrower width it had and is centred in the wider slot.
    EXPECT_EQ(grid->cellForItemAtIndex(99)->frame(), CGRectMake(4 * 204 + 5, 19 * 212, 193, 212));
    EXPECT_EQ(text(99), "99");
    grid->setFrame(CGRectMake(250, 0, 774, 638));
    driver->settle();
    EXPECT_EQ(grid->numberOfColumns(), 4u);
    EXPECT_EQ(grid->contentOffset().y, 25 * 212 - 638);
    EXPECT_EQ(grid->cellForItemAtIndex(99)->frame().origin, CGPointMake(3 * 193, 24 * 212));
}

TEST_F(GridViewTest, ADataSourceThatGivesFewerCellsShowsWhatItHas)
{
    source = std::make_shared<NumberSource>(12);
    source->cellsUpTo = 7;
    grid = std::make_shared<GridView>(CGRectMake(0, 0, 1024, 638));
    grid->setDataSource(source);
    window->addSubview(grid);
    grid->reloadData();
    driver->settle();
    EXPECT_EQ(grid->visibleCells().size(), 7u);
    for (NSUInteger i = 0; i < 7; ++i)
        EXPECT_EQ(text(i), std::to_string(i));
    EXPECT_EQ(grid->cellForItemAtIndex(8), nullptr);
    // A tap on the empty slot of a missing cell selects nothing; a tap on a tile does.
    driver->tapAt(pointOf(8));
    EXPECT_EQ(grid->indexOfSelectedItem(), NSNotFound);
    driver->tapAt(pointOf(6));
    EXPECT_EQ(grid->indexOfSelectedItem(), 6u);
}

TEST_F(GridViewTest, SeparatorLinesFollowTheColumnAndColourRules)
{
    source = std::make_shared<NumberSource>(40, CGSizeMake(204, 212));
    grid = std::make_shared<GridView>(CGRectMake(0, 0, 1024, 300));
    grid->setDataSource(source);
    grid->setSeparatorStyle(GridViewCellSeparatorStyleSingleLine);
    window->addSubview(grid);
    grid->reloadData();
    driver->settle();
    auto last = grid->cellForItemAtIndex(4), other = grid->cellForItemAtIndex(3);
    EXPECT_EQ(last->separatorEdge(), unsigned(GridViewCellSeparatorEdgeBottom));
    EXPECT_EQ(other->separatorEdge(), unsigned(GridViewCellSeparatorEdgeBottom | GridViewCellSeparatorEdgeRight));
    EXPECT_TRUE(last->bottomSeparatorView() && !last->rightSeparatorView());
    EXPECT_TRUE(other->bottomSeparatorView() && other->rightSeparatorView());
    EXPECT_EQ(last->contentView()->frame(), CGRectMake(0, 0, 200, 211));
    EXPECT_EQ(other->contentView()->frame(), CGRectMake(0, 0, 199, 211));
    EXPECT_TRUE(other->rightSeparatorView()->backgroundColor()->isEqual(DefaultGridCellSeparatorColor()));

    // The grid's colour reaches the cells on screen, not the ones made later.
    grid->setSeparatorColor(UIColor::redColor());
    EXPECT_TRUE(other->rightSeparatorView()->backgroundColor()->isEqual(UIColor::redColor()));
    grid->setFrame(CGRectMake(0, 0, 1024, 638));  // two more rows of new cells
    driver->settle();
    EXPECT_EQ(source->made, 20);
    EXPECT_EQ(grid->cellForItemAtIndex(17)->separatorColor(), nullptr);
    EXPECT_TRUE(grid->cellForItemAtIndex(3)->separatorColor()->isEqual(UIColor::redColor()));

    // Leaving the single-line style keeps the lines already made.
    other->setSeparatorStyle(GridViewCellSeparatorStyleNone);
    other->layoutIfNeeded();
    EXPECT_EQ(other->rightSeparatorView()->superview(), other);
}

}  // namespace
