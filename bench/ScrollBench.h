#pragma once

// What the scrolling benchmarks share: 1,000 offsets spread over the
// content, the loop that visits them, the time per offset, and a bare grid
// of pooled tiles that serves as a floor or a peer.
//
// Offsets come spread evenly (smooth: with little content neighbouring
// offsets share most rows) or as jumps (every offset shows new rows,
// whatever the size), so that per-offset figures compare like for like.

#include "Platform/UIKit/UIScrollView.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

// Internal to each benchmark program, as the classes it sets beside these
// are: run-time type checks of the view tree then cost the same for both.
namespace ScrollBench {
namespace {

    constexpr int kOffsets = 1000;

    inline CGFloat offsetAt(int i, CGFloat span, bool jump)
    {
        return jump ? std::fmod(static_cast<CGFloat>(i) * 7919.0f * 44, span)
                    : span * static_cast<CGFloat>(i) / kOffsets;
    }

    // Runs `showOffset(y)` for every offset of each iteration and reports the time per offset.
    template <typename ShowOffset>
    void scrollThrough(benchmark::State& state, CGFloat span, bool jump, ShowOffset&& showOffset)
    {
        for (auto _ : state) {
            for (int i = 0; i < kOffsets; ++i)
                showOffset(offsetAt(i, span, jump));
        }
        state.SetItemsProcessed(state.iterations() * kOffsets);
        state.counters["ns_per_offset"] = benchmark::Counter(static_cast<double>(state.iterations() * kOffsets),
            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }

    // A grid of tiles in rows that keeps views only for the tiles in view,
    // taking them from and returning them to a pool, as the catalogue's grid
    // does, with nothing else. The columns are fixed at compile time, as the
    // grids' own are, so that placing a tile costs no division.
    template <long Columns> class PooledTiles : public UIScrollView {
    public:
        PooledTiles(CGRect frame, long tiles, CGSize tileSize)
            : UIScrollView(frame)
            , m_tiles(tiles)
            , m_tileSize(tileSize)
        {
            long rowsOfTiles = (tiles + Columns - 1) / Columns;
            setContentSize(CGSizeMake(frame.size.width, tileSize.height * static_cast<CGFloat>(rowsOfTiles)));
        }

        void layoutSubviews() override
        {
            CGRect b = bounds();
            long first = std::max(0L, static_cast<long>(b.origin.y / m_tileSize.height)) * Columns;
            long last = std::min(m_tiles - 1,
                static_cast<long>((b.origin.y + b.size.height) / m_tileSize.height) * Columns + Columns - 1);
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
                tile->setFrame(CGRectMake(static_cast<CGFloat>(i % Columns) * m_tileSize.width,
                    static_cast<CGFloat>(i / Columns) * m_tileSize.height, m_tileSize.width, m_tileSize.height));
                addSubview(tile);
                m_shown[i] = tile;
            }
        }

        size_t shown() const { return m_shown.size(); }

        // Through the offsets, laying out at each.
        void scroll(benchmark::State& state, bool jump)
        {
            CGFloat span = std::max<CGFloat>(0, contentSize().height - bounds().size.height);
            scrollThrough(state, span, jump, [&](CGFloat y) {
                setContentOffset(CGPointMake(0, y));
                layoutIfNeeded();
                benchmark::DoNotOptimize(shown());
            });
        }

    private:
        long m_tiles;
        CGSize m_tileSize;
        std::map<long, std::shared_ptr<UIView>> m_shown;
        std::vector<std::shared_ptr<UIView>> m_pool;
    };

}  // namespace
}  // namespace ScrollBench
