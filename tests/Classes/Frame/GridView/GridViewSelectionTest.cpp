#include "GridViewFixture.h"

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIGestureRecognizer.h"

namespace {

class SelectionLog : public GridViewDelegate {
public:
    std::optional<NSUInteger> gridViewWillSelectItemAtIndex(GridView&, NSUInteger index) override
    {
        calls.push_back("will " + std::to_string(index));
        return replacePlain;
    }
    std::optional<NSUInteger> gridViewWillSelectItemAtIndexNumFingersTouch(
        GridView&, NSUInteger index, NSUInteger fingers) override
    {
        calls.push_back("will " + std::to_string(index) + " fingers " + std::to_string(fingers));
        return replaceWithFingers;
    }
    void gridViewDidSelectItemAtIndex(GridView&, NSUInteger index) override
    {
        calls.push_back("did " + std::to_string(index));
    }
    void gridViewDidSelectItemAtIndexNumFingersTouch(GridView&, NSUInteger index, NSUInteger fingers) override
    {
        calls.push_back("did " + std::to_string(index) + " fingers " + std::to_string(fingers));
    }
    std::optional<NSUInteger> gridViewWillDeselectItemAtIndex(GridView&, NSUInteger index) override
    {
        calls.push_back("will deselect " + std::to_string(index));
        return std::nullopt;
    }
    void gridViewDidDeselectItemAtIndex(GridView&, NSUInteger index) override
    {
        calls.push_back("did deselect " + std::to_string(index));
    }
    std::optional<NSUInteger> replacePlain;
    std::optional<NSUInteger> replaceWithFingers;
    std::vector<std::string> calls;
};

class GridViewSelectionTest : public GridViewTest {
protected:
    void SetUp() override
    {
        GridViewTest::SetUp();
        makeGrid(CGRectMake(0, 0, 1024, 638), 30);
        log = std::make_shared<SelectionLog>();
        grid->setDelegate(log);
        NSNotificationCenter::defaultCenter().addObserver(
            this, GridViewSelectionDidChangeNotification, [this](const NSNotification& n) {
                if (n.sender == grid)
                    log->calls.push_back("notification");
            });
    }
    void TearDown() override
    {
        NSNotificationCenter::defaultCenter().removeObserver(this);
        GridViewTest::TearDown();
    }
    std::shared_ptr<SelectionLog> log;
};

TEST_F(GridViewSelectionTest, ATapSelectsAndASecondTapDeselects)
{
    driver->tapAt(pointOf(7));
    EXPECT_EQ(grid->indexOfSelectedItem(), 7u);
    EXPECT_TRUE(grid->cellForItemAtIndex(7)->isSelected());
    EXPECT_TRUE(grid->cellForItemAtIndex(7)->isHighlighted());
    EXPECT_EQ(log->calls,
        (std::vector<std::string> { "will 7", "will 7 fingers 1", "notification", "did 7", "did 7 fingers 1" }));
    log->calls.clear();
    driver->tapAt(pointOf(7));
    EXPECT_EQ(grid->indexOfSelectedItem(), NSNotFound);
    EXPECT_FALSE(grid->cellForItemAtIndex(7)->isSelected());
    EXPECT_FALSE(grid->cellForItemAtIndex(7)->isHighlighted());
    EXPECT_EQ(log->calls, (std::vector<std::string> { "will deselect 7", "did deselect 7", "notification" }));

    // Another item moves the selection: the old one is deselected first.
    driver->tapAt(pointOf(2));
    log->calls.clear();
    driver->tapAt(pointOf(3));
    EXPECT_EQ(log->calls,
        (std::vector<std::string> { "will deselect 2", "did deselect 2", "notification", "will 3", "will 3 fingers 1",
            "notification", "did 3", "did 3 fingers 1" }));
    EXPECT_FALSE(grid->cellForItemAtIndex(2)->isSelected());
}

TEST_F(GridViewSelectionTest, TheHighlightComesOnTheTurnAfterTouchDownAndGoesAtTheLift)
{
    window->handleTouch(1, UITouchPhaseBegan, pointOf(4));
    EXPECT_FALSE(grid->highlightedIndices().containsIndex(4));
    driver->settle();
    EXPECT_TRUE(grid->highlightedIndices().containsIndex(4));
    EXPECT_TRUE(grid->cellForItemAtIndex(4)->isHighlighted());
    window->handleTouch(1, UITouchPhaseEnded, pointOf(4));
    EXPECT_FALSE(grid->highlightedIndices().containsIndex(4));
    EXPECT_EQ(grid->indexOfSelectedItem(), NSNotFound);  // selected on the next turn
    driver->settle();
    EXPECT_EQ(grid->indexOfSelectedItem(), 4u);
}

TEST_F(GridViewSelectionTest, TheDelegateMayReplaceTheSelectedItem)
{
    log->replacePlain = 9;
    driver->tapAt(pointOf(1));
    EXPECT_EQ(grid->indexOfSelectedItem(), 9u);
    EXPECT_EQ(log->calls,
        (std::vector<std::string> { "will 1", "will 9 fingers 1", "notification", "did 9", "did 9 fingers 1" }));
    grid->deselectItemAtIndexAnimated(9, false);
    log->calls.clear();
    log->replacePlain = 9;
    log->replaceWithFingers = 12;
    driver->tapAt(pointOf(1));
    EXPECT_EQ(grid->indexOfSelectedItem(), 12u);
    EXPECT_TRUE(grid->cellForItemAtIndex(12)->isSelected());
    EXPECT_EQ(log->calls.back(), "did 12 fingers 1");
}

TEST_F(GridViewSelectionTest, SelectingInCodeSendsNothing)
{
    grid->selectItemAtIndexAnimatedScrollPosition(5, false, GridViewScrollPositionNone);
    EXPECT_EQ(grid->indexOfSelectedItem(), 5u);
    EXPECT_TRUE(grid->cellForItemAtIndex(5)->isSelected());
    grid->selectItemAtIndexAnimatedScrollPosition(5, false, GridViewScrollPositionNone);  // already: nothing
    grid->deselectItemAtIndexAnimated(5, false);
    EXPECT_EQ(grid->indexOfSelectedItem(), NSNotFound);
    EXPECT_FALSE(grid->cellForItemAtIndex(5)->isSelected());
    EXPECT_TRUE(log->calls.empty());

    // Selecting with a scroll position brings the item into view.
    grid->selectItemAtIndexAnimatedScrollPosition(29, false, GridViewScrollPositionTop);
    EXPECT_EQ(grid->contentOffset().y, 6 * 212 - 638);
    EXPECT_TRUE(grid->cellForItemAtIndex(29)->isSelected());
    EXPECT_TRUE(log->calls.empty());
}

TEST_F(GridViewSelectionTest, RequiresSelectionKeepsTheSelectedItemOnATap)
{
    grid->setRequiresSelection(true);
    driver->tapAt(pointOf(6));
    log->calls.clear();
    driver->tapAt(pointOf(6));
    EXPECT_EQ(grid->indexOfSelectedItem(), 6u);
    EXPECT_TRUE(grid->cellForItemAtIndex(6)->isSelected());
    EXPECT_TRUE(log->calls.empty());
}

TEST_F(GridViewSelectionTest, WithoutSelectionATapDoesNothingAndSelectingOnlyDeselects)
{
    grid->selectItemAtIndexAnimatedScrollPosition(3, false, GridViewScrollPositionNone);
    grid->setAllowsSelection(false);
    window->handleTouch(1, UITouchPhaseBegan, pointOf(8));
    driver->settle();
    EXPECT_EQ(grid->highlightedIndices().count(), 0u);
    window->handleTouch(1, UITouchPhaseEnded, pointOf(8));
    driver->settle();
    EXPECT_EQ(grid->indexOfSelectedItem(), 3u);
    grid->selectItemAtIndexAnimatedScrollPosition(8, false, GridViewScrollPositionNone);
    EXPECT_EQ(grid->indexOfSelectedItem(), NSNotFound);
    EXPECT_FALSE(grid->cellForItemAtIndex(3)->isSelected());
    EXPECT_FALSE(grid->cellForItemAtIndex(8)->isSelected());
    EXPECT_TRUE(log->calls.empty());
}

TEST_F(GridViewSelectionTest, TouchesThatAreNotATapOnAnItemDoNotSelect)
{
    // A button inside a tile handles its own tap.
    auto cell = std::static_pointer_cast<NumberCell>(grid->cellForItemAtIndex(2));
    auto button = std::make_shared<UIButton>(CGRectMake(20, 100, 80, 40));
    int pressed = 0;
    button->addTarget(UIControlEventTouchUpInside, [&pressed](UIControl&, UIEvent*) { ++pressed; });
    cell->contentView()->addSubview(button);
    driver->tap(button);
    EXPECT_EQ(pressed, 1);

    // A finger that moves a little before lifting.
    CGPoint p = pointOf(7);
    window->handleTouch(1, UITouchPhaseBegan, p);
    driver->settle();
    window->handleTouch(1, UITouchPhaseMoved, CGPointMake(p.x + 3, p.y + 3));
    EXPECT_EQ(grid->highlightedIndices().count(), 0u);
    window->handleTouch(1, UITouchPhaseEnded, CGPointMake(p.x + 3, p.y + 3));
    driver->settle();

    // A touch that lands while another finger drags the grid.
    window->handleTouch(1, UITouchPhaseBegan, pointOf(12));
    window->handleTouch(1, UITouchPhaseMoved, CGPointMake(pointOf(12).x, pointOf(12).y - 60));
    ASSERT_TRUE(grid->isDragging());
    window->handleTouch(2, UITouchPhaseBegan, pointOf(1));
    driver->settle();
    window->handleTouch(2, UITouchPhaseEnded, pointOf(1));
    driver->settle();
    window->handleTouch(1, UITouchPhaseEnded, CGPointMake(pointOf(12).x, pointOf(12).y - 60));
    driver->advance(1);

    // A tap beside the tiles, in no slot's cell.
    driver->tapAt(CGPointMake(1020, 100));
    EXPECT_EQ(grid->indexOfSelectedItem(), NSNotFound);
    EXPECT_TRUE(log->calls.empty());
}

TEST_F(GridViewSelectionTest, AMoveThatBelongsToAGestureKeepsTheTap)
{
    auto press = std::make_shared<UILongPressGestureRecognizer>();
    press->minimumPressDuration = 5;
    press->setCancelsTouchesInView(false);
    grid->cellForItemAtIndex(7)->addGestureRecognizer(press);
    CGPoint p = pointOf(7);
    window->handleTouch(1, UITouchPhaseBegan, p);
    driver->settle();
    window->handleTouch(1, UITouchPhaseMoved, CGPointMake(p.x + 2, p.y));
    EXPECT_TRUE(grid->highlightedIndices().containsIndex(7));
    window->handleTouch(1, UITouchPhaseEnded, CGPointMake(p.x + 2, p.y));
    driver->settle();
    EXPECT_EQ(grid->indexOfSelectedItem(), 7u);
}

TEST_F(GridViewSelectionTest, HighlightingInCodeSparesTheSelectedItem)
{
    grid->selectItemAtIndexAnimatedScrollPosition(1, false, GridViewScrollPositionNone);
    grid->highlightItemAtIndexAnimatedScrollPosition(1, false, GridViewScrollPositionNone);
    grid->highlightItemAtIndexAnimatedScrollPosition(2, false, GridViewScrollPositionNone);
    EXPECT_TRUE(grid->cellForItemAtIndex(2)->isHighlighted());
    grid->unhighlightItemAtIndexAnimated(1, false);
    grid->unhighlightItemAtIndexAnimated(2, false);
    EXPECT_TRUE(grid->cellForItemAtIndex(1)->isHighlighted());
    EXPECT_FALSE(grid->cellForItemAtIndex(2)->isHighlighted());
    grid->highlightItemAtIndexAnimatedScrollPosition(25, false, GridViewScrollPositionBottom);
    EXPECT_EQ(grid->contentOffset().y, 6 * 212 - 638);
    grid->highlightItemAtIndexAnimatedScrollPosition(NSNotFound, false, GridViewScrollPositionNone);
    EXPECT_EQ(grid->highlightedIndices().count(), 0u);
    EXPECT_FALSE(grid->cellForItemAtIndex(25)->isHighlighted());
}

}  // namespace
