// Scrolling cost of the grid view over grids of 1,000, 20,000 and 100,000
// items: each iteration moves through 1,000 offsets, spread evenly (smooth:
// neighbouring offsets share most cells) or jumping (every offset shows new
// rows), and lays out the cells in view. Beside it, as a floor, a bare tile
// grid that only places pooled views for the rows in view. The figures that
// matter are the time per offset and the cells alive, which must not grow
// with the item count; a full reload is timed as well.

#include "Classes/Frame/GridView.h"
#include "Classes/Frame/GridViewCell.h"
#include "Platform/UIKit/UIScrollView.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>

namespace {

constexpr CGFloat kWidth = 1024, kHeight = 638;
constexpr int kOffsets = 1000;

class Tiles : public GridViewDataSource {
public:
    explicit Tiles(NSUInteger n) : count(n) {}
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

CGFloat offsetAt(int i, CGFloat span, bool jump)
{
    return jump ? std::fmod(static_cast<CGFloat>(i) * 7919.0f * 44, span) : span * static_cast<CGFloat>(i) / kOffsets;
}

void reportPerOffset(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * kOffsets);
    state.counters["ns_per_offset"] = benchmark::Counter(static_cast<double>(state.iterations() * kOffsets),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void scrollGridView(benchmark::State& state, bool jump)
{
    auto tiles = std::make_shared<Tiles>(static_cast<NSUInteger>(state.range(0)));
    auto grid = std::make_shared<GridView>(CGRectMake(0, 0, kWidth, kHeight));
    grid->setDataSource(tiles);
    grid->reloadData();
    grid->layoutIfNeeded();
    CGFloat span = std::max<CGFloat>(0, grid->contentSize().height - kHeight);
    for (auto _ : state) {
        for (int i = 0; i < kOffsets; ++i) {
            grid->setContentOffset(CGPointMake(0, offsetAt(i, span, jump)));
            grid->layoutIfNeeded();
            benchmark::DoNotOptimize(grid->visibleCells().size());
        }
    }
    reportPerOffset(state);
    state.counters["cells_made"] = static_cast<double>(tiles->made);
    state.counters["cells_alive"] = static_cast<double>(grid->visibleCells().size() + grid->numberOfReusableCells());
}

void BM_GridViewScroll(benchmark::State& state)
{
    scrollGridView(state, false);
}
BENCHMARK(BM_GridViewScroll)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_GridViewJump(benchmark::State& state)
{
    scrollGridView(state, true);
}
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
class BareTiles : public UIScrollView {
public:
    static constexpr CGFloat kTileWidth = 204, kTileHeight = 212;
    static constexpr long kColumns = 5;
    BareTiles(CGRect frame, long tiles)
        : UIScrollView(frame)
        , m_tiles(tiles)
    {
        setContentSize(CGSizeMake(frame.size.width, kTileHeight * static_cast<CGFloat>((tiles + kColumns - 1) / kColumns)));
    }
    void layoutSubviews() override
    {
        CGRect b = bounds();
        long first = std::max(0L, static_cast<long>(b.origin.y / kTileHeight)) * kColumns;
        long last = std::min(m_tiles - 1, static_cast<long>((b.origin.y + b.size.height) / kTileHeight) * kColumns + kColumns - 1);
        for (auto it = m_shown.begin(); it != m_shown.end();) {
            if (it->first < first || it->first > last) {
                it->second->removeFromSuperview();
                m_pool.push_back(it->second);
                it = m_shown.erase(it);
            } else {
                ++it;
            }
        }
        for (long i = first; i <= last; ++i) {
            if (m_shown.count(i))
                continue;
            std::shared_ptr<UIView> tile;
            if (!m_pool.empty()) {
                tile = m_pool.back();
                m_pool.pop_back();
            } else {
                tile = std::make_shared<UIView>(CGRectZero);
            }
            tile->setFrame(CGRectMake(static_cast<CGFloat>(i % kColumns) * kTileWidth,
                                      static_cast<CGFloat>(i / kColumns) * kTileHeight, kTileWidth, kTileHeight));
            addSubview(tile);
            m_shown[i] = tile;
        }
    }
    size_t shown() const { return m_shown.size(); }

private:
    long m_tiles;
    std::map<long, std::shared_ptr<UIView>> m_shown;
    std::vector<std::shared_ptr<UIView>> m_pool;
};

void scrollFloor(benchmark::State& state, bool jump)
{
    auto grid = std::make_shared<BareTiles>(CGRectMake(0, 0, kWidth, kHeight), state.range(0));
    CGFloat span = std::max<CGFloat>(0, grid->contentSize().height - kHeight);
    for (auto _ : state) {
        for (int i = 0; i < kOffsets; ++i) {
            grid->setContentOffset(CGPointMake(0, offsetAt(i, span, jump)));
            grid->layoutIfNeeded();
            benchmark::DoNotOptimize(grid->shown());
        }
    }
    reportPerOffset(state);
}

void BM_FloorScroll(benchmark::State& state)
{
    scrollFloor(state, false);
}
BENCHMARK(BM_FloorScroll)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FloorJump(benchmark::State& state)
{
    scrollFloor(state, true);
}
BENCHMARK(BM_FloorJump)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
