// Scrolling cost of a table and of a grid-like scroll view: each iteration
// moves through 1,000 offsets spread over the whole content and lays out the
// visible cells at each. The figure that matters is the time per offset,
// which must not grow with the number of rows or tiles. The table's floor,
// in the same run, is the index-path work alone: the rows in view found from
// the row height, made into index paths and checked against the last ones.

#include "Platform/Foundation/NSIndexPath.h"
#include "Platform/UIKit/UITableView.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

class Rows : public UITableViewDataSource {
public:
    explicit Rows(long n) : count(n) {}
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
constexpr int kOffsets = 1000;

// Offsets spread evenly over the content: with few rows neighbouring
// offsets share most cells, with many every offset shows new ones. Jumps
// make every offset show new rows whatever the size, for a like-for-like figure.
CGFloat offsetAt(int i, CGFloat span, bool jump)
{
    return jump ? std::fmod(static_cast<CGFloat>(i) * 7919.0f * 44, span) : span * static_cast<CGFloat>(i) / kOffsets;
}

void countPerOffset(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * kOffsets);
    state.counters["ns_per_offset"] = benchmark::Counter(static_cast<double>(state.iterations() * kOffsets),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

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
    for (auto _ : state) {
        for (int i = 0; i < kOffsets; ++i) {
            table->setContentOffset(CGPointMake(0, offsetAt(i, span, jump)));
            benchmark::DoNotOptimize(table->visibleCells().size());
        }
    }
    countPerOffset(state);
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
    for (auto _ : state) {
        for (int i = 0; i < kOffsets; ++i) {
            CGFloat y = offsetAt(i, span, jump);
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
        }
    }
    countPerOffset(state);
}

void BM_TableScroll(benchmark::State& state)
{
    scrollTable(state, false);
}
BENCHMARK(BM_TableScroll)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_TableScrollFloor(benchmark::State& state)
{
    indexPathFloor(state, false);
}
BENCHMARK(BM_TableScrollFloor)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_TableScrollVariableHeights(benchmark::State& state)
{
    scrollTable(state, true);
}
BENCHMARK(BM_TableScrollVariableHeights)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_TableJump(benchmark::State& state)
{
    scrollTable(state, false, true);
}
BENCHMARK(BM_TableJump)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_TableJumpFloor(benchmark::State& state)
{
    indexPathFloor(state, true);
}
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

// A grid of tiles in rows of four that keeps views only for the tiles in
// view, taking them from and returning them to a pool, as the catalogue's
// grid does.
class TileGrid : public UIScrollView {
public:
    static constexpr CGFloat kTileWidth = 193;
    static constexpr CGFloat kTileHeight = 212;
    static constexpr long kColumns = 4;

    TileGrid(CGRect frame, long tiles)
        : UIScrollView(frame)
        , m_tiles(tiles)
    {
        long rowsOfTiles = (tiles + kColumns - 1) / kColumns;
        setContentSize(CGSizeMake(frame.size.width, kTileHeight * static_cast<CGFloat>(rowsOfTiles)));
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
            tile->setTag(3000 + i);
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

// As for the table: spread offsets for smooth scrolling, jumps for a figure
// where every offset shows new tiles whatever the grid's size.
void scrollGrid(benchmark::State& state, bool jump)
{
    auto grid = std::make_shared<TileGrid>(CGRectMake(0, 0, 774, 638), state.range(0));
    CGFloat span = std::max<CGFloat>(0, grid->contentSize().height - 638);
    for (auto _ : state) {
        for (int i = 0; i < kOffsets; ++i) {
            grid->setContentOffset(CGPointMake(0, offsetAt(i, span, jump)));
            grid->layoutIfNeeded();
            benchmark::DoNotOptimize(grid->shown());
        }
    }
    countPerOffset(state);
}

void BM_GridScroll(benchmark::State& state)
{
    scrollGrid(state, false);
}
BENCHMARK(BM_GridScroll)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_GridJump(benchmark::State& state)
{
    scrollGrid(state, true);
}
BENCHMARK(BM_GridJump)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
