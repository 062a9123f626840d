#pragma once

// A key window of the screen's size on the manual clock, driven by the UI
// driver, with a grid view and a data source of numbered tiles, as the
// catalogue's product grid sets one up.

#include "support/ClockFixture.h"
#include "support/RunLoopPump.h"
#include "support/UIDriver.h"

#include "Classes/Frame/GridView.h"
#include "Classes/Frame/GridViewCell.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UILabel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A tile with its number in a label, made as the product tiles are: wider than
// the slot, so the grid centres and clips it.
class NumberCell : public GridViewCell {
public:
    explicit NumberCell(CGRect frame, const std::string& identifier = "cell")
        : GridViewCell(frame, identifier)
    {
        label = std::make_shared<UILabel>(CGRectMake(10, 10, frame.size.width - 20, 30));
        label->setBackgroundColor(UIColor::whiteColor());
        label->setOpaque(true);
        contentView()->addSubview(label);
    }
    std::shared_ptr<UILabel> label;
};

class NumberSource : public GridViewDataSource {
public:
    explicit NumberSource(NSUInteger n, CGSize size = CGSizeMake(193, 212))
        : count(n)
        , slot(size)
    {
    }

    NSUInteger numberOfItemsInGridView(GridView&) override { return count; }
    std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& grid, NSUInteger index) override
    {
        ++asked;
        if (index >= cellsUpTo)
            return nullptr;
        auto cell = std::static_pointer_cast<NumberCell>(grid.dequeueReusableCellWithIdentifier("cell"));
        if (!cell) {
            cell = std::make_shared<NumberCell>(CGRectMake(0, 0, 200, 212));
            ++made;
        }
        cell->setSelectionStyle(selectionStyle);
        cell->label->setText(std::to_string(index));
        return cell;
    }
    std::optional<CGSize> portraitGridCellSizeForGridView(GridView&) override { return slot; }

    NSUInteger count;
    CGSize slot;
    unsigned selectionStyle = GridViewCellSelectionStyleGlow;
    NSUInteger cellsUpTo = NSNotFound;  // items from here on get no cell
    int asked = 0;
    int made = 0;
};

class GridViewTest : public ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window->makeKeyAndVisible();
        driver = std::make_unique<UIDriver>(window);
        NSLogSetCapture([this](const std::string& line) { logLines.push_back(line); });
    }
    void TearDown() override
    {
        drainMainRunLoop();
        NSLogSetCapture(nullptr);
        grid.reset();
        driver.reset();
        window.reset();
        UIApplication::resetSharedApplication();
        ManualClockTest::TearDown();
    }

    // A grid in the window at `frame` over `items` numbered tiles, loaded and laid out.
    std::shared_ptr<GridView> makeGrid(CGRect frame, NSUInteger items, CGSize slot = CGSizeMake(193, 212))
    {
        source = std::make_shared<NumberSource>(items, slot);
        grid = std::make_shared<GridView>(frame);
        grid->setDataSource(source);
        window->addSubview(grid);
        grid->reloadData();
        driver->settle();
        return grid;
    }

    // The items the visible cells show, in list order.
    std::vector<NSUInteger> shownItems() const
    {
        std::vector<NSUInteger> out;
        for (auto& cell : grid->visibleCells())
            out.push_back(cell->displayIndex());
        return out;
    }

    std::string text(NSUInteger item) const
    {
        auto cell = std::dynamic_pointer_cast<NumberCell>(grid->cellForItemAtIndex(item));
        return cell ? cell->label->text() : "(none)";
    }

    // The window point at the centre of an item's slot.
    CGPoint pointOf(NSUInteger item) const
    {
        CGRect slot = grid->gridData()->cellRectAtIndex(item);
        return grid->convertPointToView(CGPointMake(CGRectGetMidX(slot), CGRectGetMidY(slot)), nullptr);
    }

    std::shared_ptr<UIWindow> window;
    std::unique_ptr<UIDriver> driver;
    std::vector<std::string> logLines;
    std::shared_ptr<NumberSource> source;
    std::shared_ptr<GridView> grid;
};
