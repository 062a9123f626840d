#include "GridViewFixture.h"

#include "Classes/Frame/GridViewController.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"

namespace {

class GridViewCellTest : public GridViewTest {
protected:
    std::shared_ptr<NumberCell> makeCell(unsigned style)
    {
        auto cell = std::make_shared<NumberCell>(CGRectMake(0, 0, 193, 212));
        cell->setSelectionStyle(style);
        window->addSubview(cell);
        return cell;
    }
};

TEST_F(GridViewCellTest, AHighlightImageShowsBehindTransparentContentAndGoesBackExactly)
{
    struct Case {
        unsigned style;
        const char* image;
    } cases[] = {
        { GridViewCellSelectionStyleBlue, "GridSelection.png" },
        { GridViewCellSelectionStyleGray, "GridSelectionGray.png" },
        { GridViewCellSelectionStyleBlueGray, "GridSelectionGrayBlue.png" },
        { GridViewCellSelectionStyleGreen, "GridSelectionGreen.png" },
        { GridViewCellSelectionStyleRed, "GridSelectionRed.png" },
    };
    for (auto& c : cases) {
        auto cell = makeCell(c.style);
        cell->setHighlighted(true);
        auto image = std::dynamic_pointer_cast<UIImageView>(cell->selectedBackgroundView());
        ASSERT_TRUE(image) << c.image;
        ASSERT_TRUE(image->image()) << c.image;
        auto expected = UIImage::imageNamed(c.image);
        EXPECT_EQ(image->image()->size(), expected->size());
        EXPECT_EQ(image->superview(), cell);
        EXPECT_EQ(image->frame(), cell->bounds());
        EXPECT_FALSE(cell->contentView()->isOpaque());
        EXPECT_TRUE(cell->contentView()->backgroundColor()->isEqual(UIColor::clearColor()));
        EXPECT_TRUE(cell->label->isHighlighted());
        cell->setHighlighted(false);
        EXPECT_FALSE(cell->isHighlighted());
        EXPECT_EQ(image->superview(), nullptr);
        EXPECT_TRUE(cell->contentView()->isOpaque());
        EXPECT_TRUE(cell->contentView()->backgroundColor()->isEqual(UIColor::whiteColor()));
        EXPECT_TRUE(cell->label->isOpaque());
        EXPECT_FALSE(cell->label->isHighlighted());
        cell->removeFromSuperview();
    }
}

TEST_F(GridViewCellTest, AnOpaqueViewInsideAControlGetsItsColourBack)
{
    auto cell = makeCell(GridViewCellSelectionStyleGray);
    auto button = std::make_shared<UIButton>(CGRectMake(10, 60, 100, 40));
    auto badge = std::make_shared<UIView>(CGRectMake(2, 2, 20, 20));
    badge->setBackgroundColor(UIColor::redColor());
    badge->setOpaque(true);
    button->addSubview(badge);
    cell->contentView()->addSubview(button);
    cell->setHighlighted(true);
    EXPECT_FALSE(badge->isOpaque());
    EXPECT_TRUE(button->isHighlighted());
    cell->setHighlighted(false);
    EXPECT_TRUE(badge->isOpaque());
    EXPECT_TRUE(badge->backgroundColor()->isEqual(UIColor::redColor()));
    EXPECT_FALSE(button->isHighlighted());
}

TEST_F(GridViewCellTest, AnimatedHighlightsSwitchTheLookAfterATenthOfASecond)
{
    auto cell = makeCell(GridViewCellSelectionStyleGray);
    cell->setHighlightedAnimated(true, true);
    EXPECT_TRUE(cell->isAnimatingSelection());
    EXPECT_FALSE(cell->isHighlighted());
    EXPECT_FALSE(cell->label->isHighlighted());
    driver->advance(0.05);
    cell->setHighlightedAnimated(false, true);  // within the first change's tenth: only this one counts
    driver->advance(0.1);
    EXPECT_FALSE(cell->label->isHighlighted());
    driver->advance(0.2);
    EXPECT_FALSE(cell->isAnimatingSelection());
    EXPECT_FALSE(cell->isHighlighted());
    EXPECT_EQ(cell->selectedBackgroundView()->superview(), nullptr);

    cell->setSelectedAnimated(true, true);
    driver->advance(0.1);
    EXPECT_TRUE(cell->label->isHighlighted());
    driver->advance(0.1);
    EXPECT_TRUE(cell->isHighlighted());
    cell->setSelectedAnimated(false, true);  // deselecting takes the highlight away too
    driver->advance(0.2);
    EXPECT_FALSE(cell->isHighlighted());
    EXPECT_FALSE(cell->label->isHighlighted());
}

TEST_F(GridViewCellTest, TheGlowIsAShadowRoundTheContentView)
{
    auto cell = makeCell(GridViewCellSelectionStyleGlow);
    auto layer = cell->glowSelectionLayer();
    cell->setHighlighted(true);
    EXPECT_EQ(layer->shadowOpacity(), 1.0f);
    EXPECT_EQ(layer->shadowRadius(), 12);
    EXPECT_EQ(layer->shadowOffset(), CGSizeZero);
    EXPECT_EQ(layer->shadowPathRect(), layer->bounds());
    cell->setSelectionGlowColor(UIColor::blueColor());
    cell->setHighlighted(false);
    EXPECT_EQ(layer->shadowOpacity(), 0.0f);
    EXPECT_TRUE(UIColor::colorWithCGColor(layer->shadowColor())->isEqual(UIColor::blueColor()));

    // Without a content view there is nothing to glow; style 0 only keeps the flag.
    auto bare = std::make_shared<GridViewCell>(CGRectMake(0, 0, 100, 100), "bare");
    bare->setHighlighted(true);
    EXPECT_EQ(bare->glowSelectionLayer(), nullptr);
    EXPECT_TRUE(bare->isHighlighted());
    auto plain = makeCell(GridViewCellSelectionStyleNone);
    plain->setSelected(true);
    EXPECT_TRUE(plain->isHighlighted());
    EXPECT_EQ(plain->selectedBackgroundView(), nullptr);
    EXPECT_EQ(plain->glowSelectionLayer()->shadowOpacity(), 0.0f);
}

TEST_F(GridViewCellTest, AnOwnSelectedBackgroundReplacesTheImageUntilItIsCleared)
{
    auto cell = makeCell(GridViewCellSelectionStyleGreen);
    auto own = std::make_shared<UIView>(CGRectZero);
    cell->setSelectedBackgroundView(own);
    cell->setHighlighted(true);
    EXPECT_EQ(own->superview(), cell);
    cell->setHighlighted(false);
    cell->setSelectedBackgroundView(nullptr);
    cell->setHighlighted(true);
    EXPECT_TRUE(std::dynamic_pointer_cast<UIImageView>(cell->selectedBackgroundView()));

    auto nib = std::make_shared<GridViewCell>(CGRectMake(0, 0, 10, 10), "nib");
    nib->setSelectionGlowShadowRadius(0);
    nib->awakeFromNib();
    EXPECT_EQ(nib->selectionGlowShadowRadius(), 0);
    EXPECT_EQ(nib->selectionStyle(), unsigned(GridViewCellSelectionStyleGlow));
}

TEST_F(GridViewCellTest, GridsOfFourAndFiveColumnsForAPersonToLookAt)
{
    struct Case {
        CGRect frame;
        const char* file;
    } cases[] = {
        { CGRectMake(250, 0, 774, 638), "GridView-4-columns.png" },
        { CGRectMake(0, 0, 1024, 638), "GridView-5-columns.png" },
    };
    for (auto& c : cases) {
        makeGrid(c.frame, 40);
        source->selectionStyle = GridViewCellSelectionStyleGray;
        grid->setSeparatorStyle(GridViewCellSeparatorStyleSingleLine);
        grid->reloadData();
        driver->settle();
        grid->selectItemAtIndexAnimatedScrollPosition(6, false, GridViewScrollPositionNone);
        for (auto& cell : grid->visibleCells())
            std::static_pointer_cast<NumberCell>(cell)->label->setText("Item " + std::to_string(cell->displayIndex()));
        EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath(c.file)));
        grid->removeFromSuperview();
    }
}

class TwoItems : public GridViewController {
public:
    NSUInteger numberOfItemsInGridView(GridView&) override { return 2; }
    std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& grid, NSUInteger) override
    {
        auto cell = grid.dequeueReusableCellWithIdentifier("two");
        return cell ? cell : std::make_shared<GridViewCell>(CGRectMake(0, 0, 90, 120), "two");
    }
};

TEST_F(GridViewCellTest, TheControllerOwnsOneGridAndServesIt)
{
    auto controller = std::make_shared<TwoItems>();
    auto served = controller->gridView();
    ASSERT_TRUE(served);
    EXPECT_EQ(served->dataSource(), controller);
    EXPECT_EQ(served->delegate(), controller);
    EXPECT_EQ(served->numberOfItems(), 2u);
    EXPECT_EQ(served->autoresizingMask(), unsigned(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight));

    served->setFrame(CGRectMake(0, 0, 400, 300));
    served->selectItemAtIndexAnimatedScrollPosition(1, false, GridViewScrollPositionNone);
    controller->viewWillAppear(false);
    EXPECT_EQ(served->indexOfSelectedItem(), 1u);
    controller->setClearsSelectionOnViewWillAppear(true);
    controller->viewWillAppear(false);
    EXPECT_EQ(served->indexOfSelectedItem(), NSNotFound);
    EXPECT_TRUE(controller->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortrait));

    try {
        controller->setGridView(std::make_shared<UILabel>(CGRectZero));
        FAIL() << "a label is not a served view";
    } catch (const NSException& e) {
        EXPECT_EQ(e.name(), NSInvalidArgumentException);
        EXPECT_EQ(e.reason(), "-setGridView: called with non-GridView argument 'UILabel'");
    }
    EXPECT_EQ(controller->gridView(), served);
}

}  // namespace
