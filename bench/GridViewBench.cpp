// Scrolling cost of the grid view over grids of 1,000, 20,000 and 100,000
// items: each iteration moves through 1,000 offsets, spread evenly (smooth:
// neighbouring offsets share most cells) or jumping (every offset shows new
// rows), and lays out the cells in view. Beside it, as a floor, a bare tile
// grid that only places pooled views for the rows in view. The figures that
// matter are the time per offset and the cells alive, which must not grow
// with the item count; a full reload is timed as well.

#include "ScrollBench.h"

#include "Classes/Frame/GridView.h"
#include "Classes/Frame/GridViewCell.h"
#include "Platform/UIKit/UIScrollView.h"

#include <benchmark/benchmark.h>

namespace {

constexpr CGFloat kWidth = 1024, kHeight = 638;

class Tiles : public GridViewDataSource {
public:
    explicit Tiles(NSUInteger n)
        : count(n)
    {
    }
    NSUInteger numberOfItemsInGridView(GridView&) override { return count; }
    std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& grid, NSUInteger index) override
    {
        auto cell = grid.dequeueReusableCellWithIdentifier("tile");
        if (!cell) {
            cell = std::make_shared<GridViewCell>(CGRectMake(0, 0, 200, 212), "tile");
            cell->contentView();
            ++made;
        }
        cell->setTag(2000 + static_cast<long>(index));
        return cell;
    }
    std::optional<CGSize> portraitGridCellSizeForGridView(GridView&) override { return CGSizeMake(193, 212); }
    NSUInteger count;
    long made = 0;
};

void scrollGridView(benchmark::State& state, bool jump)
{
    auto tiles = std::make_shared<Tiles>(static_cast<NSUInteger>(state.range(0)));
    auto grid = std::make_shared<GridView>(CGRectMake(0, 0, kWidth, kHeight));
    grid->setDataSource(tiles);
    grid->reloadData();
    grid->layoutIfNeeded();
    CGFloat span = std::max<CGFloat>(0, grid->contentSize().height - kHeight);
    ScrollBench::scrollThrough(state, span, jump, [&](CGFloat y) {
        grid->setContentOffset(CGPointMake(0, y));
        grid->layoutIfNeeded();
        benchmark::DoNotOptimize(grid->visibleCells().size());
    });
    state.counters["cells_made"] = static_cast<double>(tiles->made);
    state.counters["cells_alive"] = static_cast<double>(grid->visibleCells().size() + grid->numberOfReusableCells());
}

void BM_GridViewScroll(benchmark::State& state) { scrollGridView(state, false); }
BENCHMARK(BM_GridViewScroll)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_GridViewJump(benchmark::State& state) { scrollGridView(state, true); }
BENCHMARK(BM_GridViewJump)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_GridViewReload(benchmark::State& state)
{
    auto tiles = std::make_shared<Tiles>(static_cast<NSUInteger>(state.range(0)));
    auto grid = std::make_shared<GridView>(CGRectMake(0, 0, kWidth, kHeight));
    grid->setDataSource(tiles);
    grid->setContentOffset(CGPointMake(0, 212 * 50));
    for (auto _ : state) {
        grid->reloadData();
        grid->layoutIfNeeded();
        benchmark::DoNotOptimize(grid->visibleCells().size());
    }
    state.counters["cells_alive"] = static_cast<double>(grid->visibleCells().size() + grid->numberOfReusableCells());
}
BENCHMARK(BM_GridViewReload)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The floor: pooled views placed for the rows in view, nothing else.
void scrollFloor(benchmark::State& state, bool jump)
{
    auto grid = std::make_shared<ScrollBench::PooledTiles<5>>(
        CGRectMake(0, 0, kWidth, kHeight), state.range(0), CGSizeMake(204, 212));
    grid->scroll(state, jump);
}

void BM_FloorScroll(benchmark::State& state) { scrollFloor(state, false); }
BENCHMARK(BM_FloorScroll)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FloorJump(benchmark::State& state) { scrollFloor(state, true); }
BENCHMARK(BM_FloorJump)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
