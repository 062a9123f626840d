#include "WindowFixture.h"

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UITableViewController.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Sections of rows, optional per-row heights, and a log of what the table asked and told.
class Rows : public UITableViewDataSource, public UITableViewDelegate {
public:
    std::vector<long> counts { 10 };
    std::function<std::optional<CGFloat>(const NSIndexPath&)> height;
    std::optional<CGFloat> headerHeight;
    bool commits = false;
    std::optional<std::string> deleteTitle;
    bool refuseSelection = false;
    bool headerTitles = false;
    std::vector<std::string> calls;
    int cellsMade = 0;

    long numberOfSectionsInTableView(UITableView&) override { return static_cast<long>(counts.size()); }
    long tableViewNumberOfRowsInSection(UITableView&, long s) override { return counts[static_cast<size_t>(s)]; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView& t, const NSIndexPath& p) override
    {
        auto cell = t.dequeueReusableCellWithIdentifier("Cell");
        if (!cell) {
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, "Cell");
            ++cellsMade;
        }
        cell->textLabel()->setText(std::to_string(p.section()) + "." + std::to_string(p.row()));
        return cell;
    }
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath& p) override
    {
        return height ? height(p) : std::nullopt;
    }
    std::optional<CGFloat> tableViewHeightForHeaderInSection(UITableView&, long) override { return headerHeight; }
    std::optional<std::string> tableViewTitleForHeaderInSection(UITableView&, long s) override
    {
        return headerTitles ? std::optional<std::string>("Section " + std::to_string(s)) : std::nullopt;
    }
    bool implementsCommitEditingStyle() const override { return commits; }
    void tableViewCommitEditingStyleForRowAtIndexPath(
        UITableView& t, UITableViewCellEditingStyle, const NSIndexPath& p) override
    {
        calls.push_back("commit " + text(p));
        --counts[static_cast<size_t>(p.section())];
        t.deleteRowsAtIndexPathsWithRowAnimation({ p }, UITableViewRowAnimationFade);
    }
    std::optional<NSIndexPath> tableViewWillSelectRowAtIndexPath(UITableView&, const NSIndexPath& p) override
    {
        calls.push_back("willSelect " + text(p));
        if (refuseSelection)
            return std::nullopt;
        return p;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath& p) override
    {
        calls.push_back("didSelect " + text(p));
    }
    void tableViewDidDeselectRowAtIndexPath(UITableView&, const NSIndexPath& p) override
    {
        calls.push_back("didDeselect " + text(p));
    }
    std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
        UITableView&, const NSIndexPath&) override
    {
        return deleteTitle;
    }
    void tableViewWillBeginEditingRowAtIndexPath(UITableView&, const NSIndexPath& p) override
    {
        calls.push_back("willBeginEditing " + text(p));
    }
    void tableViewDidEndEditingRowAtIndexPath(UITableView&, const NSIndexPath& p) override
    {
        calls.push_back("didEndEditing " + text(p));
    }

    static std::string text(const NSIndexPath& p)
    {
        return std::to_string(p.section()) + "." + std::to_string(p.row());
    }
};

NSIndexPath row(long r, long s = 0) { return NSIndexPath::indexPathForRowInSection(r, s); }

class TableViewTest : public WindowTest {
protected:
    std::shared_ptr<UITableView> makeTable(CGRect frame = CGRectMake(0, 0, 400, 440))
    {
        table = std::make_shared<UITableView>(frame);
        table->setDataSource(rows);
        table->setDelegate(rows);
        window->addSubview(table);
        table->reloadData();
        table->layoutIfNeeded();
        return table;
    }
    std::vector<std::string> visibleTexts()
    {
        std::vector<std::string> out;
        for (auto& p : table->indexPathsForVisibleRows())
            out.push_back(Rows::text(p));
        return out;
    }
    CGPoint windowPointOfRow(const NSIndexPath& p, CGFloat x = 100)
    {
        CGRect r = table->rectForRowAtIndexPath(p);
        return table->convertPointToView(CGPointMake(x, CGRectGetMidY(r)), nullptr);
    }
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::shared_ptr<UITableView> table;
};

TEST_F(TableViewTest, GeometryFollowsHeadersAndHeights)
{
    rows->counts = { 3, 0, 2 };
    rows->headerHeight = 30;
    rows->height
        = [](const NSIndexPath& p) -> std::optional<CGFloat> { return p.section() == 2 ? 50 + 10 * p.row() : 40; };
    makeTable();
    auto header = std::make_shared<UIView>(CGRectMake(0, 0, 10, 100));
    table->setTableHeaderView(header);

    struct Case {
        NSIndexPath path;
        CGRect rect;
    } cases[] = {
        { row(0), CGRectMake(0, 130, 400, 40) },
        { row(2), CGRectMake(0, 210, 400, 40) },
        { row(0, 2), CGRectMake(0, 310, 400, 50) },
        { row(1, 2), CGRectMake(0, 360, 400, 60) },
        { row(3), CGRectZero },
        { row(0, 5), CGRectZero },
    };
    for (auto& k : cases)
        EXPECT_EQ(table->rectForRowAtIndexPath(k.path), k.rect) << Rows::text(k.path);
    EXPECT_EQ(table->rectForHeaderInSection(1), CGRectMake(0, 250, 400, 30));
    EXPECT_EQ(table->contentSize().height, 420);

    struct Hit {
        CGFloat y;
        std::optional<NSIndexPath> path;
    } hits[] = { { 50, std::nullopt }, { 131, row(0) }, { 249.5f, row(2) }, { 265, std::nullopt },
        { 359.9f, row(0, 2) }, { 419, row(1, 2) }, { 420, std::nullopt } };
    for (auto& h : hits)
        EXPECT_EQ(table->indexPathForRowAtPoint(CGPointMake(5, h.y)), h.path) << h.y;
}

TEST_F(TableViewTest, VisibleCellsFollowTheOffsetAndAreReused)
{
    rows->counts = { 1000 };
    makeTable();
    EXPECT_EQ(table->indexPathsForVisibleRows().size(), 10u);
    auto firstCell = table->cellForRowAtIndexPath(row(0));
    ASSERT_NE(firstCell, nullptr);
    auto marker = std::make_shared<UIView>(CGRectMake(0, 0, 5, 5));
    firstCell->contentView()->addSubview(marker);

    table->setContentOffset(CGPointMake(0, 44 * 500 + 22));
    auto texts = visibleTexts();
    ASSERT_EQ(texts.size(), 11u);
    EXPECT_EQ(texts.front(), "0.500");
    EXPECT_EQ(texts.back(), "0.510");
    EXPECT_EQ(table->cellForRowAtIndexPath(row(0)), nullptr);
    // Only enough cells for one screen were made; the one that left came back with what a screen added to it.
    EXPECT_LE(rows->cellsMade, 12);
    EXPECT_EQ(marker->superview()->superview(), firstCell);
    EXPECT_NE(firstCell->superview(), nullptr);
    EXPECT_EQ(table->cellForRowAtIndexPath(row(505))->textLabel()->text(), "0.505");
}

TEST_F(TableViewTest, ScrollingKeepsTheCellsOfRowsThatStayAndShowsExactlyTheRowsInView)
{
    // Three sections, every third row of the middle one of no height.
    rows->counts = { 5, 30, 5 };
    rows->headerHeight = 30;
    rows->height
        = [](const NSIndexPath& p) -> std::optional<CGFloat> { return p.section() == 1 && p.row() % 3 == 1 ? 0 : 44; };
    makeTable();
    std::map<std::string, UITableViewCell*> before;
    // Down in small steps, a jump back, then down again.
    std::vector<CGFloat> offsets { 0, 100, 230, 400, 410, 700, 20, 500 };
    for (CGFloat y : offsets) {
        table->setContentOffset(CGPointMake(0, y));
        auto paths = table->indexPathsForVisibleRows();
        EXPECT_EQ(paths, table->indexPathsForRowsInRect(table->bounds())) << y;
        std::map<std::string, UITableViewCell*> now;
        for (auto& p : paths) {
            auto cell = table->cellForRowAtIndexPath(p);
            ASSERT_NE(cell, nullptr) << Rows::text(p);
            EXPECT_EQ(cell->frame(), table->rectForRowAtIndexPath(p)) << Rows::text(p);
            EXPECT_EQ(table->indexPathForCell(*cell), p);
            now[Rows::text(p)] = cell.get();
            if (auto kept = before.find(Rows::text(p)); kept != before.end()) {
                EXPECT_EQ(kept->second, cell.get()) << "row " << Rows::text(p) << " at " << y;
            }
        }
        // No cell of a row that left stays in the table.
        long cellsInTable = 0;
        for (auto& v : table->subviews())
            cellsInTable += std::dynamic_pointer_cast<UITableViewCell>(v) ? 1 : 0;
        EXPECT_EQ(cellsInTable, static_cast<long>(paths.size())) << y;
        before = std::move(now);
    }
    EXPECT_LE(rows->cellsMade, 14);
}

TEST_F(TableViewTest, ScrollingToARowClampsToTheContent)
{
    rows->counts = { 100 };
    makeTable();
    struct Case {
        long row;
        UITableViewScrollPosition position;
        CGFloat start;
        CGFloat offset;
    } cases[] = {
        { 50, UITableViewScrollPositionTop, 0, 2200 },
        { 50, UITableViewScrollPositionMiddle, 0, 2200 + 22 - 220 },
        { 50, UITableViewScrollPositionBottom, 0, 2244 - 440 },
        { 50, UITableViewScrollPositionNone, 0, 2244 - 440 },
        { 50, UITableViewScrollPositionNone, 3000, 2200 },
        { 5, UITableViewScrollPositionNone, 100, 100 },
        { 99, UITableViewScrollPositionTop, 0, 4400 - 440 },
        { 0, UITableViewScrollPositionBottom, 500, 0 },
    };
    for (auto& k : cases) {
        table->setContentOffset(CGPointMake(0, k.start));
        table->scrollToRowAtIndexPathAtScrollPositionAnimated(row(k.row), k.position, false);
        EXPECT_EQ(table->contentOffset().y, k.offset) << k.row << " " << k.position << " " << k.start;
    }
}

// A plain table's header stays pinned at the top while its rows scroll under
// it: a row brought into view from below stands just under the header, whole.
TEST_F(TableViewTest, ScrollingARowToTheTopLeavesItBelowThePinnedHeader)
{
    rows->counts = { 20, 20 };
    rows->headerHeight = 50;
    rows->headerTitles = true;
    rows->height = [](const NSIndexPath&) -> std::optional<CGFloat> { return 60; };
    makeTable();
    struct Case {
        NSIndexPath path;
        UITableViewScrollPosition position;
        CGFloat start;
    } cases[] = {
        { row(0), UITableViewScrollPositionTop, 500 },
        { row(4, 1), UITableViewScrollPositionTop, 0 },
        { row(4, 1), UITableViewScrollPositionNone, 2000 },
    };
    for (auto& k : cases) {
        SCOPED_TRACE(Rows::text(k.path));
        table->setContentOffset(CGPointMake(0, k.start));
        table->scrollToRowAtIndexPathAtScrollPositionAnimated(k.path, k.position, false);
        table->layoutIfNeeded();
        CGRect r = table->rectForRowAtIndexPath(k.path);
        EXPECT_EQ(r.origin.y - table->contentOffset().y, 50);
        // What is on screen: the pinned header ends where the row begins.
        auto header = table->headerViewForSection(k.path.section());
        ASSERT_TRUE(header);
        EXPECT_EQ(CGRectGetMaxY(header->convertRectToView(header->bounds(), table.get())), r.origin.y);
    }
}

TEST_F(TableViewTest, TapsSelectThroughTheDelegateAndCodeDoesNot)
{
    makeTable();
    table->selectRowAtIndexPathAnimatedScrollPosition(row(1), false, UITableViewScrollPositionNone);
    EXPECT_TRUE(rows->calls.empty());
    EXPECT_TRUE(table->cellForRowAtIndexPath(row(1))->isSelected());

    driver->tapAt(windowPointOfRow(row(3)));
    EXPECT_EQ(rows->calls, (std::vector<std::string> { "willSelect 0.3", "didDeselect 0.1", "didSelect 0.3" }));
    EXPECT_EQ(table->indexPathForSelectedRow(), row(3));
    EXPECT_FALSE(table->cellForRowAtIndexPath(row(1))->isSelected());
    EXPECT_TRUE(table->cellForRowAtIndexPath(row(3))->isSelected());

    rows->calls.clear();
    rows->refuseSelection = true;
    driver->tapAt(windowPointOfRow(row(4)));
    EXPECT_EQ(rows->calls, (std::vector<std::string> { "willSelect 0.4" }));
    EXPECT_EQ(table->indexPathForSelectedRow(), row(3));

    table->deselectRowAtIndexPathAnimated(row(3), true);
    EXPECT_FALSE(table->indexPathForSelectedRow());
    table->selectRowAtIndexPathAnimatedScrollPosition(row(2), false, UITableViewScrollPositionNone);
    table->reloadData();
    EXPECT_FALSE(table->indexPathForSelectedRow());
}

TEST_F(TableViewTest, InsertingAndDeletingKeepsOtherRowsCellsAndSelection)
{
    rows->counts = { 6 };
    makeTable();
    auto cell4 = table->cellForRowAtIndexPath(row(4));
    table->selectRowAtIndexPathAnimatedScrollPosition(row(4), false, UITableViewScrollPositionNone);

    table->beginUpdates();
    rows->counts = { 6 };
    table->deleteRowsAtIndexPathsWithRowAnimation({ row(0), row(2) }, UITableViewRowAnimationFade);
    table->insertRowsAtIndexPathsWithRowAnimation({ row(0), row(5) }, UITableViewRowAnimationFade);
    table->endUpdates();
    // Old row 4 lost two rows above it and gained one: it is row 3 now.
    EXPECT_EQ(table->indexPathForSelectedRow(), row(3));
    EXPECT_EQ(table->cellForRowAtIndexPath(row(3)), cell4);
    EXPECT_EQ(table->cellForRowAtIndexPath(row(5))->textLabel()->text(), "0.5");

    // A change the data source's counts do not match is logged and the table reloads instead.
    table->insertRowsAtIndexPathsWithRowAnimation({ row(0) }, UITableViewRowAnimationTop);
    EXPECT_FALSE(table->indexPathForSelectedRow());
    EXPECT_EQ(table->numberOfRowsInSection(0), 6);
    ASSERT_FALSE(logLines.empty());
    EXPECT_NE(logLines.back().find("Invalid table update"), std::string::npos);
}

TEST_F(TableViewTest, SwipeShowsTheDeleteButtonAndItsTapCommits)
{
    rows->counts = { 5 };
    rows->commits = true;
    rows->deleteTitle = "DELETE";
    makeTable();
    CGPoint p = windowPointOfRow(row(2), 300);
    driver->dragFrom(p, CGPointMake(p.x - 120, p.y), 6);
    ASSERT_EQ(table->rowShowingDeleteConfirmation(), row(2));
    auto button = table->cellForRowAtIndexPath(row(2))->deleteConfirmationButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->currentTitle(), "DELETE");

    // A tap elsewhere only takes the button away.
    driver->tapAt(windowPointOfRow(row(0)));
    EXPECT_EQ(rows->calls, (std::vector<std::string> { "willBeginEditing 0.2", "didEndEditing 0.2" }));
    EXPECT_FALSE(table->rowShowingDeleteConfirmation());

    rows->calls.clear();
    driver->dragFrom(p, CGPointMake(p.x - 120, p.y), 6);
    driver->tap(table->cellForRowAtIndexPath(row(2))->deleteConfirmationButton());
    EXPECT_EQ(rows->calls, (std::vector<std::string> { "willBeginEditing 0.2", "commit 0.2", "didEndEditing 0.2" }));
    EXPECT_EQ(table->numberOfRowsInSection(0), 4);
    // The row below moved up with its cell, not asked for again.
    EXPECT_EQ(table->cellForRowAtIndexPath(row(2))->textLabel()->text(), "0.3");
    EXPECT_FALSE(table->cellForRowAtIndexPath(row(2))->showingDeleteConfirmation());

    // Without a commit, a swipe does nothing.
    rows->commits = false;
    rows->calls.clear();
    driver->dragFrom(p, CGPointMake(p.x - 120, p.y), 6);
    EXPECT_FALSE(table->rowShowingDeleteConfirmation());
    EXPECT_TRUE(rows->calls.empty());
}

TEST_F(TableViewTest, CellStylesPlaceLabelsAndAccessories)
{
    auto plain = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, "A");
    EXPECT_EQ(plain->detailTextLabel(), nullptr);
    auto value1 = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, "B");
    value1->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    value1->setFrame(CGRectMake(0, 0, 400, 44));
    EXPECT_EQ(value1->contentView()->frame().size.width, 400 - UITableViewCell::kAccessoryWidth - 20);
    EXPECT_EQ(value1->detailTextLabel()->textAlignment(), UITextAlignmentRight);
    EXPECT_GT(value1->detailTextLabel()->frame().origin.x, value1->textLabel()->frame().origin.x);

    auto selected = std::make_shared<UIView>();
    value1->setSelectedBackgroundView(selected);
    value1->setSelected(true);
    EXPECT_EQ(selected->superview(), value1);
    EXPECT_TRUE(value1->textLabel()->isHighlighted());
    value1->setSelectionStyle(UITableViewCellSelectionStyleNone);
    EXPECT_EQ(selected->superview(), nullptr);
}

class ListController : public UITableViewController {
public:
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return 3; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath&) override
    {
        return std::make_shared<UITableViewCell>();
    }
};

TEST_F(TableViewTest, ControllerFeedsItsOwnTableAndClearsSelectionOnReturn)
{
    auto controller = std::make_shared<ListController>();
    window->setRootViewController(controller);
    auto t = controller->tableView();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->numberOfRowsInSection(0), 3);
    t->selectRowAtIndexPathAnimatedScrollPosition(row(1), false, UITableViewScrollPositionNone);
    controller->beginAppearanceTransition(false, false);
    controller->endAppearanceTransition();
    controller->beginAppearanceTransition(true, false);
    controller->endAppearanceTransition();
    EXPECT_FALSE(t->indexPathForSelectedRow());
}

}  // namespace
