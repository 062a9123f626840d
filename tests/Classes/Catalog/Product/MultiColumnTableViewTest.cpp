// The multi-column table on a screen, driven by touches: its default
// geometry, lines that vanish at width 0, folding sections from the left
// column, the left column keeping pace with the body, and column dragging by
// a long press (including a press that begins right of every column).

#include "support/ScreenTest.h"

#include "Classes/Catalog/MultiColumnTableView.h"
#include "Classes/Catalog/MultiColumnTableViewBGScrollView.h"
#include "Classes/Catalog/MultiColumnTableViewCell.h"
#include "Classes/Catalog/MultiColumnTableViewContentBackgroundView.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UILabel.h"

#include <gtest/gtest.h>

namespace {

// Columns of text; rows per section; optional left column, section headers and column swapping.
class GridSource : public MultiColumnTableViewDataSource {
public:
    std::vector<long> rows { 4 };
    std::vector<std::string> columnNames { "A", "B", "C" };
    std::optional<CGFloat> width;
    bool leftColumn = false;
    bool swaps = false;
    bool nilReuseId = false;
    std::vector<std::pair<long, long>> swapped;

    std::shared_ptr<UIView> tableViewCellForIndexPathColumn(
        MultiColumnTableView& table, const NSIndexPath&, long column) override
    {
        return std::make_shared<UILabel>(CGRectMake(0, 0, table.widthForColumn(column), 20));
    }
    void tableViewSetContentForCellIndexPathColumn(
        MultiColumnTableView&, const std::shared_ptr<UIView>& cell, const NSIndexPath& path, long column) override
    {
        std::static_pointer_cast<UILabel>(cell)->setText(columnNames[static_cast<size_t>(column)]
            + std::to_string(path.section()) + "." + std::to_string(path.row()));
    }
    long tableViewNumberOfRowsInSection(MultiColumnTableView&, long section) override
    {
        return rows[static_cast<size_t>(section)];
    }
    long numberOfColumnsInTableView(MultiColumnTableView&) override { return static_cast<long>(columnNames.size()); }
    std::shared_ptr<UIView> tableViewHeaderCellForColumn(MultiColumnTableView& table, long column) override
    {
        auto label = std::make_shared<UILabel>(CGRectMake(0, 0, table.widthForColumn(column), 30));
        label->setText(columnNames[static_cast<size_t>(column)]);
        return label;
    }

    bool implementsWidthForColumn() const override { return width.has_value(); }
    CGFloat tableViewWidthForColumn(MultiColumnTableView&, long) override { return *width; }
    bool implementsReuseIdForIndexPath() const override { return nilReuseId; }
    std::optional<std::string> tableViewReuseIdForIndexPath(MultiColumnTableView&, const NSIndexPath&) override
    {
        return std::nullopt;
    }
    bool implementsNumberOfSections() const override { return true; }
    long numberOfSectionsInTableView(MultiColumnTableView&) override { return static_cast<long>(rows.size()); }

    bool implementsLeftHeaderCell() const override { return leftColumn; }
    std::shared_ptr<UIView> tableViewHeaderCellForIndexPath(MultiColumnTableView&, const NSIndexPath&) override
    {
        return std::make_shared<UILabel>(CGRectMake(0, 0, 100, 20));
    }
    void tableViewSetContentForHeaderCellAtIndexPath(
        MultiColumnTableView&, const std::shared_ptr<UIView>& cell, const NSIndexPath& path) override
    {
        std::static_pointer_cast<UILabel>(cell)->setText("row " + std::to_string(path.row()));
    }
    std::shared_ptr<UIView> tableViewSectionHeaderCellForSectionColumn(MultiColumnTableView&, long, long) override
    {
        return std::make_shared<UILabel>(CGRectMake(0, 0, 50, 20));
    }
    std::shared_ptr<UIView> tableViewHeaderCellInSectionHeaderForSection(MultiColumnTableView&, long) override
    {
        return std::make_shared<UILabel>(CGRectMake(0, 0, 100, 20));
    }
    void tableViewSetContentForHeaderCellInSectionHeaderAtSection(
        MultiColumnTableView&, const std::shared_ptr<UIView>& cell, long section) override
    {
        std::static_pointer_cast<UILabel>(cell)->setText("section " + std::to_string(section));
    }

    bool implementsSwapDataOfColumn() const override { return swaps; }
    void tableViewSwapDataOfColumnAndColumn(MultiColumnTableView&, long a, long b) override
    {
        swapped.emplace_back(a, b);
        std::swap(columnNames[static_cast<size_t>(a)], columnNames[static_cast<size_t>(b)]);
    }
};

class MultiColumnTableViewTest : public ScreenTest {
protected:
    // Shows a table of `frame` on an empty screen; `configure` sets its look before the data source.
    void show(CGRect frame, const std::function<void(MultiColumnTableView&)>& configure = nullptr)
    {
        auto screen = std::make_shared<UIViewController>();
        showRoot(screen);
        table = MultiColumnTableView::initWithFrame(frame);
        if (configure)
            configure(*table);
        table->setDataSource(source);
        screen->view()->addSubview(table);
        driver->settle();
        table->layoutIfNeeded();
        table->tblView()->layoutIfNeeded();
    }

    std::shared_ptr<MultiColumnTableViewCell> bodyCell(long row)
    {
        return std::dynamic_pointer_cast<MultiColumnTableViewCell>(
            table->tblView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, 0)));
    }

    // A press held for the long-press time, moved through `xs` (table coordinates) one step at a time, then lifted.
    void pressAndDrag(CGFloat y, std::vector<CGFloat> xs)
    {
        auto& w = driver->window();
        auto at = [&](CGFloat x) { return table->convertPointToView(CGPointMake(x, y), nullptr); };
        w.handleTouch(77, UITouchPhaseBegan, at(xs.front()));
        driver->advance(1.1);
        highlightedWhilePressed = table->highlightColumnLayer() != nullptr;
        if (highlightedWhilePressed)
            highlightFrameWhilePressed = table->highlightColumnLayer()->frame();
        for (size_t i = 1; i < xs.size(); ++i) {
            w.handleTouch(77, UITouchPhaseMoved, at(xs[i]));
            driver->advance(0.05);
        }
        w.handleTouch(77, UITouchPhaseEnded, at(xs.back()));
        driver->settle();
    }

    std::shared_ptr<GridSource> source = std::make_shared<GridSource>();
    std::shared_ptr<MultiColumnTableView> table;
    bool highlightedWhilePressed = false;
    CGRect highlightFrameWhilePressed {};
};

TEST_F(MultiColumnTableViewTest, DefaultsGiveWideColumnsThinGapsAndATallHeader)
{
    show(CGRectMake(0, 0, 1000, 600));
    EXPECT_FALSE(table->headerTblView());
    auto body = table->tblView();
    EXPECT_EQ(body->rectForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)).size.height, 32);
    EXPECT_EQ(body->rectForHeaderInSection(0).size.height, 301);
    // Three columns of 252 with gaps of 1.
    EXPECT_EQ(table->scrlView()->contentSize().width, 758);
    EXPECT_EQ(body->frame().size.width, 1000);
    auto cell = bodyCell(0);
    ASSERT_TRUE(cell);
    ASSERT_EQ(cell->columnCells().size(), 3u);
    EXPECT_EQ(cell->columnCells()[1]->frame().origin.x, 253);
    EXPECT_EQ(cell->columnCells()[2]->frame().origin.x, 506);
    EXPECT_EQ(std::static_pointer_cast<UILabel>(cell->columnCells()[2])->text(), "C0.0");
    // A line left of the first column and one after each column.
    ASSERT_EQ(table->scrlView()->lines().size(), 4u);
    EXPECT_EQ(table->scrlView()->lines()[1]->frame().origin.x, 252);
}

TEST_F(MultiColumnTableViewTest, WithLineWidthsZeroColumnsTouchAndRowsKeepTheirHeight)
{
    source->nilReuseId = true;  // nil answers count as the default identifier
    show(CGRectMake(0, 0, 1000, 600), [](MultiColumnTableView& t) {
        t.setNormalSeperatorLineWidth(0);
        t.setBoldSeperatorLineWidth(0);
    });
    auto cell = bodyCell(1);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->reuseIdentifier(), "MultiColumnCell");
    EXPECT_EQ(cell->columnCells()[1]->frame().origin.x, 252);
    EXPECT_EQ(table->tblView()->rectForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(1, 0)).size.height, 31);
    EXPECT_EQ(table->tblView()->rectForHeaderInSection(0).size.height, 298);
}

TEST_F(MultiColumnTableViewTest, HitTestCountsColumnWidthsWithoutTheGaps)
{
    source->width = 100;
    show(CGRectMake(0, 0, 1000, 600), [](MultiColumnTableView& t) { t.setNormalSeperatorLineWidth(10); });
    const std::pair<CGFloat, long> cases[]
        = { { 0, 0 }, { 95, 0 }, { 195, 1 }, { 205, 2 }, { 299, 2 }, { 300, -1 }, { 800, -1 } };
    for (auto [x, column] : cases)
        EXPECT_EQ(table->columnOfPointInTblView(x), column) << x;
}

TEST_F(MultiColumnTableViewTest, DraggingAColumnSwapsItAcrossEachColumnItEnters)
{
    source->width = 100;
    source->columnNames = { "A", "B", "C", "D" };
    source->swaps = true;
    show(CGRectMake(0, 0, 1000, 600), [](MultiColumnTableView& t) { t.setTopHeaderHeight(30); });
    pressAndDrag(60, { 50, 80, 150, 250, 350 });
    EXPECT_TRUE(highlightedWhilePressed);
    EXPECT_EQ(source->swapped, (std::vector<std::pair<long, long>> { { 0, 1 }, { 1, 2 }, { 2, 3 } }));
    EXPECT_EQ(source->columnNames, (std::vector<std::string> { "B", "C", "D", "A" }));
    EXPECT_FALSE(table->highlightColumnLayer());
    EXPECT_EQ(table->selectedColumn(), -1);
    EXPECT_EQ(std::static_pointer_cast<UILabel>(bodyCell(0)->columnCells()[3])->text(), "A0.0");

    // The highlight stands over the pressed column: past every column before
    // it (and the bold line at the left), as wide as the column.
    const auto columnRect = [&](long column) {
        const auto& view = bodyCell(0)->columnCells()[static_cast<size_t>(column)];
        return view->convertRectToView(view->bounds(), table.get());
    };
    for (long column : { 0L, 2L, 3L }) {
        SCOPED_TRACE(column);
        highlightedWhilePressed = false;
        pressAndDrag(60, { 100 * static_cast<CGFloat>(column) + 50 });
        ASSERT_TRUE(highlightedWhilePressed);
        EXPECT_EQ(highlightFrameWhilePressed.origin.x,
            table->boldSeperatorLineWidth() + columnRect(column).origin.x - columnRect(0).origin.x);
        EXPECT_EQ(highlightFrameWhilePressed.size.width, columnRect(column).size.width);
    }
}

TEST_F(MultiColumnTableViewTest, APressRightOfEveryColumnDragsNothing)
{
    source->width = 100;
    source->swaps = true;
    show(CGRectMake(0, 0, 1000, 600), [](MultiColumnTableView& t) { t.setTopHeaderHeight(30); });
    pressAndDrag(60, { 700, 500, 250, 50 });
    EXPECT_FALSE(highlightedWhilePressed);
    EXPECT_TRUE(source->swapped.empty());
    EXPECT_EQ(table->selectedColumn(), -1);
}

TEST_F(MultiColumnTableViewTest, ShortPressesAndSourcesThatCannotSwapNeverHighlight)
{
    source->width = 100;
    show(CGRectMake(0, 0, 1000, 600), [](MultiColumnTableView& t) { t.setTopHeaderHeight(30); });
    pressAndDrag(60, { 50, 150 });
    EXPECT_FALSE(highlightedWhilePressed);
    EXPECT_TRUE(source->swapped.empty());

    source->swaps = true;
    driver->longPressAt(table->convertPointToView(CGPointMake(50, 60), nullptr), 0.5);
    EXPECT_FALSE(table->highlightColumnLayer());
    EXPECT_TRUE(source->swapped.empty());
}

TEST_F(MultiColumnTableViewTest, FoldedSectionsOpenAndCloseFromTheLeftColumnOnly)
{
    source->rows = { 2, 3 };
    source->leftColumn = true;
    show(CGRectMake(0, 0, 1000, 600), [](MultiColumnTableView& t) {
        t.setSectionHeaderEnabled(true);
        t.setSectionFoldedByDefault(true);
        t.setTopHeaderHeight(30);
    });
    auto left = table->headerTblView();
    ASSERT_TRUE(left);
    EXPECT_EQ(left->frame().size.width, 111);
    EXPECT_EQ(table->scrlView()->frame().origin.x, 114);
    EXPECT_EQ(left->numberOfRowsInSection(0), 2);
    EXPECT_EQ(table->tblView()->numberOfRowsInSection(0), 2);

    // A tap on the section header row in the body does nothing.
    ASSERT_TRUE(driver->tapRow(table->tblView(), 1));
    EXPECT_EQ(table->tblView()->numberOfRowsInSection(0), 2);

    ASSERT_TRUE(driver->tapRow(left, 1));
    EXPECT_EQ(left->numberOfRowsInSection(0), 5);
    EXPECT_EQ(table->tblView()->numberOfRowsInSection(0), 5);
    left->layoutIfNeeded();
    auto opened = left->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(2, 0));
    ASSERT_TRUE(opened);
    EXPECT_EQ(std::static_pointer_cast<UILabel>(opened->contentView()->viewWithTag(-1))->text(), "row 0");
    table->tblView()->layoutIfNeeded();
    EXPECT_EQ(std::static_pointer_cast<UILabel>(bodyCell(4)->columnCells()[0])->text(), "A1.2");

    ASSERT_TRUE(driver->tapRow(left, 1));
    EXPECT_EQ(left->numberOfRowsInSection(0), 2);
    // Fold states survive a reload.
    table->reloadData();
    EXPECT_EQ(table->indexPathTable().size(), 2u);
}

TEST_F(MultiColumnTableViewTest, TheLeftColumnFollowsTheBodyUpAndDown)
{
    source->rows = { 60 };
    source->leftColumn = true;
    show(CGRectMake(0, 0, 1000, 400), [](MultiColumnTableView& t) { t.setTopHeaderHeight(30); });
    driver->dragFrom(table->convertPointToView(CGPointMake(500, 300), nullptr),
        table->convertPointToView(CGPointMake(500, 100), nullptr));
    const CGFloat y = table->tblView()->contentOffset().y;
    EXPECT_GT(y, 0);
    EXPECT_EQ(table->headerTblView()->contentOffset().y, y);
}

}  // namespace
