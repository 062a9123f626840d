// Scrolling cost of a table and of a grid-like scroll view: each iteration
// moves through 1,000 offsets spread over the whole content and lays out the
// visible cells at each. The figure that matters is the time per offset,
// which must not grow with the number of rows or tiles. The table's floor,
// in the same run, is the index-path work alone: the rows in view found from
// the row height, made into index paths and checked against the last ones.

#include "ScrollBench.h"

#include "Platform/Foundation/NSIndexPath.h"
#include "Platform/UIKit/UITableView.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

using ScrollBench::scrollThrough;

class Rows : public UITableViewDataSource {
public:
    explicit Rows(long n)
        : count(n)
    {
    }
    long count;
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return count; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView& t, const NSIndexPath& p) override
    {
        auto cell = t.dequeueReusableCellWithIdentifier("Cell");
        if (!cell)
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, "Cell");
        cell->textLabel()->setText("Row");
        cell->detailTextLabel()->setText("Detail");
        return cell;
    }
};

// Rows of differing heights, so that rows are found through the running sums.
class VariableRows : public UITableViewDelegate {
public:
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath& p) override
    {
        return 40 + static_cast<CGFloat>(p.row() % 5) * 10;
    }
};

constexpr CGFloat kTableHeight = 700;

void scrollTable(benchmark::State& state, bool variableHeights, bool jump = false)
{
    long n = state.range(0);
    auto rows = std::make_shared<Rows>(n);
    auto heights = std::make_shared<VariableRows>();
    auto table = std::make_shared<UITableView>(CGRectMake(0, 0, 1024, kTableHeight));
    table->setDataSource(rows);
    if (variableHeights)
        table->setDelegate(heights);
    table->reloadData();
    table->visibleCells();
    CGFloat span = table->contentSize().height - kTableHeight;
    scrollThrough(state, span, jump, [&](CGFloat y) {
        table->setContentOffset(CGPointMake(0, y));
        benchmark::DoNotOptimize(table->visibleCells().size());
    });
}

// The floor beside BM_TableScroll and BM_TableJump: no views, only the
// index paths of the rows in view at each offset (rows of the table's
// default 44 points) and the lookup of the last offset's paths among them.
void indexPathFloor(benchmark::State& state, bool jump)
{
    const long n = state.range(0);
    const CGFloat rowHeight = 44;
    const CGFloat span = rowHeight * static_cast<CGFloat>(n) - kTableHeight;
    std::vector<NSIndexPath> shown, wanted;
    scrollThrough(state, span, jump, [&](CGFloat y) {
        long first = std::max(0L, static_cast<long>(y / rowHeight));
        long last = std::min(n - 1, static_cast<long>((y + kTableHeight) / rowHeight));
        wanted.clear();
        for (long row = first; row <= last; ++row)
            wanted.push_back(NSIndexPath::indexPathForRowInSection(row, 0));
        long kept = 0;
        for (const NSIndexPath& path : shown)
            kept += std::binary_search(wanted.begin(), wanted.end(), path) ? 1 : 0;
        benchmark::DoNotOptimize(kept);
        shown.swap(wanted);
    });
}

void BM_TableScroll(benchmark::State& state) { scrollTable(state, false); }
BENCHMARK(BM_TableScroll)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_TableScrollFloor(benchmark::State& state) { indexPathFloor(state, false); }
BENCHMARK(BM_TableScrollFloor)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_TableScrollVariableHeights(benchmark::State& state) { scrollTable(state, true); }
BENCHMARK(BM_TableScrollVariableHeights)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_TableJump(benchmark::State& state) { scrollTable(state, false, true); }
BENCHMARK(BM_TableJump)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_TableJumpFloor(benchmark::State& state) { indexPathFloor(state, true); }
BENCHMARK(BM_TableJumpFloor)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_TableLoad(benchmark::State& state)
{
    auto rows = std::make_shared<Rows>(state.range(0));
    auto table = std::make_shared<UITableView>(CGRectMake(0, 0, 1024, 700));
    table->setDataSource(rows);
    for (auto _ : state) {
        table->reloadData();
        benchmark::DoNotOptimize(table->visibleCells().size());
    }
}
BENCHMARK(BM_TableLoad)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A bare grid of tiles in rows of four, as the catalogue's grid lays them
// out: smooth offsets and jumps, as for the table.
void scrollGrid(benchmark::State& state, bool jump)
{
    auto grid = std::make_shared<ScrollBench::PooledTiles<4>>(
        CGRectMake(0, 0, 774, 638), state.range(0), CGSizeMake(193, 212));
    grid->scroll(state, jump);
}

void BM_GridScroll(benchmark::State& state) { scrollGrid(state, false); }
BENCHMARK(BM_GridScroll)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_GridJump(benchmark::State& state) { scrollGrid(state, true); }
BENCHMARK(BM_GridJump)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
