#include "Classes/Frame/GridViewData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

GridViewData layout(CGFloat width, CGFloat height, CGFloat inset, CGSize desired, NSUInteger items)
{
    GridViewData data(nullptr);
    data.setLeftPadding(inset);
    data.setRightPadding(inset);
    data.gridViewDidChangeBoundsSize(CGSizeMake(width, height));
    data.setDesiredCellSize(desired);
    data.setNumberOfItems(items);
    return data;
}

TEST(GridViewData, SlotsAreFittedToTheWidthAndItemsPerRowCountTheInsets)
{
    struct Case {
        CGFloat width, inset, desiredWidth;
        CGFloat slotWidth;
        NSUInteger perRow;
    } cases[] = {
        { 1024, 0, 193, 204, 5 },  // the catalogue at full width
        { 774, 0, 193, 193, 4 },  // the catalogue beside its category list
        { 1024, 15, 193, 198, 5 },  // related documents
        { 1024, 100, 96, 103, 9 },  // 8 columns fit, but 9 slots per row: the ninth lies in the inset
        { 150, 0, 193, 150, 1 },  // not one desired width fits: one column of what there is
        { 20, 15, 193, 0, 0 },  // no room at all: no slot, no row
        { 1024, 0, 0, 1024, 1 },  // no desired width: one column
    };
    for (auto& c : cases) {
        auto data = layout(c.width, 638, c.inset, CGSizeMake(c.desiredWidth, 212), 100);
        EXPECT_EQ(data.actualCellSize().width, c.slotWidth) << c.width << " / " << c.desiredWidth;
        EXPECT_EQ(data.actualCellSize().height, 212);
        EXPECT_EQ(data.numberOfItemsPerRow(), c.perRow) << c.width << " / " << c.desiredWidth;
    }
    auto empty = layout(20, 638, 15, CGSizeMake(193, 212), 100);
    EXPECT_EQ(empty.cellRectAtIndex(3), CGRectZero);
    EXPECT_EQ(empty.sizeForEntireGrid(), CGSizeZero);
    EXPECT_EQ(empty.itemIndexForPoint(CGPointMake(5, 5)), NSNotFound);
    EXPECT_EQ(empty.indicesOfCellsInRect(CGRectMake(0, 0, 20, 638)).count(), 0u);
}

TEST(GridViewData, APointRightOfARowNamesTheFirstItemOfTheNextRow)
{
    auto data = layout(1024, 600, 15, CGSizeMake(193, 212), 12);
    struct Case {
        CGPoint point;
        NSUInteger item;
    } cases[] = {
        { { 10, 5 }, 0 },  // left of the first slot counts as column 0
        { { 220, 5 }, 1 },
        { { 1010, 5 }, 5 },  // right of the fifth slot (which ends at 1005): column 5 is the next row's first
        { { 220, 300 }, 6 },
        { { 220, 500 }, 11 },
        { { 420, 500 }, NSNotFound },  // past the last item
        { { -50, -50 }, 0 },
    };
    for (auto& c : cases)
        EXPECT_EQ(data.itemIndexForPoint(c.point), c.item) << c.point.x << "," << c.point.y;
    EXPECT_EQ(data.cellRectAtIndex(6), CGRectMake(15 + 198, 212, 198, 212));
    EXPECT_EQ(data.sizeForEntireGrid(), CGSizeMake(990 + 30, 3 * 212));
    EXPECT_TRUE(data.pointIsInLastRow(CGPointMake(0, 424)));
    EXPECT_FALSE(data.pointIsInLastRow(CGPointMake(0, 423)));
}

TEST(GridViewData, HorizontalRowsFillTheHeightAndTakeTheDesiredSize)
{
    auto data = layout(1024, 638, 0, CGSizeMake(193, 212), 10);
    data.setLayoutDirection(GridViewLayoutDirectionHorizontal);
    EXPECT_EQ(data.actualCellSize(), CGSizeMake(193, 212));
    EXPECT_EQ(data.numberOfItemsPerRow(), 4u);  // 3 rows fit 638 points: 10 items in rows of 4
    EXPECT_EQ(data.cellRectAtIndex(5), CGRectMake(193, 212, 193, 212));
    auto copy = data.copy();
    EXPECT_EQ(copy->layoutDirection(), GridViewLayoutDirectionHorizontal);
    EXPECT_EQ(copy->numberOfItems(), 10u);
    EXPECT_EQ(copy->actualCellSize(), data.actualCellSize());
}

// The items in a rectangle are found by division rather than by walking the
// rows above it; they must be exactly those a walk over every slot finds.
TEST(GridViewData, ItemsInARectangleAreTheSlotsThatMeetIt)
{
    std::mt19937 random(7);
    auto uniform = [&random](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    for (int round = 0; round < 300; ++round) {
        NSUInteger items = random() % 200;
        auto data = layout(uniform(100, 1100), uniform(100, 800), std::floor(uniform(0, 40)),
            CGSizeMake(std::floor(uniform(40, 250)), std::floor(uniform(40, 250))), items);
        if (round % 3 == 0)
            data.setTopPadding(std::floor(uniform(0, 60)));
        if (round % 5 == 0)
            data.setLayoutDirection(GridViewLayoutDirectionHorizontal);
        CGRect rect = CGRectMake(uniform(-100, 1200), uniform(-100, 6000), uniform(0, 1100), uniform(0, 900));
        NSIndexSet expected;
        for (NSUInteger i = 0; i < items; ++i)
            if (CGRectIntersectsRect(data.cellRectAtIndex(i), rect))
                expected.addIndex(i);
        EXPECT_EQ(data.indicesOfCellsInRect(rect), expected) << "round " << round;
    }
}

}  // namespace
