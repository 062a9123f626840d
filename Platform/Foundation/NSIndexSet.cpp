#include "Platform/Foundation/NSIndexSet.h"

#include <algorithm>

namespace {

// Indices stop below NSNotFound, so a run never ends past it.
NSRange clamp(NSRange range)
{
    if (range.location >= NSNotFound)
        return { range.location, 0 };
    NSUInteger room = NSNotFound - range.location;
    return { range.location, std::min(range.length, room) };
}

}  // namespace

NSIndexSet NSIndexSet::indexSetWithIndex(NSUInteger index)
{
    NSIndexSet set;
    set.addIndex(index);
    return set;
}

NSIndexSet NSIndexSet::indexSetWithIndexesInRange(NSRange range)
{
    NSIndexSet set;
    set.addIndexesInRange(range);
    return set;
}

NSUInteger NSIndexSet::count() const
{
    NSUInteger total = 0;
    for (const auto& run : m_runs)
        total += run.length;
    return total;
}

NSUInteger NSIndexSet::firstIndex() const { return m_runs.empty() ? NSNotFound : m_runs.front().location; }

NSUInteger NSIndexSet::lastIndex() const { return m_runs.empty() ? NSNotFound : NSMaxRange(m_runs.back()) - 1; }

bool NSIndexSet::containsIndex(NSUInteger index) const
{
    auto it = std::upper_bound(
        m_runs.begin(), m_runs.end(), index, [](NSUInteger i, const NSRange& r) { return i < r.location; });
    return it != m_runs.begin() && NSLocationInRange(index, *(it - 1));
}

bool NSIndexSet::containsIndexes(const NSIndexSet& other) const
{
    for (const auto& run : other.m_runs) {
        if (countOfIndexesInRange(run) != run.length)
            return false;
    }
    return true;
}

NSUInteger NSIndexSet::countOfIndexesInRange(NSRange range) const
{
    range = clamp(range);
    NSUInteger total = 0;
    for (const auto& run : m_runs) {
        NSUInteger lo = std::max(run.location, range.location);
        NSUInteger hi = std::min(NSMaxRange(run), NSMaxRange(range));
        if (hi > lo)
            total += hi - lo;
    }
    return total;
}

NSUInteger NSIndexSet::indexGreaterThanOrEqualToIndex(NSUInteger index) const
{
    for (const auto& run : m_runs) {
        if (NSMaxRange(run) > index)
            return std::max(run.location, index);
    }
    return NSNotFound;
}

NSUInteger NSIndexSet::indexGreaterThanIndex(NSUInteger index) const
{
    return index >= NSNotFound ? NSNotFound : indexGreaterThanOrEqualToIndex(index + 1);
}

NSUInteger NSIndexSet::indexLessThanOrEqualToIndex(NSUInteger index) const
{
    for (auto it = m_runs.rbegin(); it != m_runs.rend(); ++it) {
        if (it->location <= index)
            return std::min(NSMaxRange(*it) - 1, index);
    }
    return NSNotFound;
}

NSUInteger NSIndexSet::indexLessThanIndex(NSUInteger index) const
{
    return index == 0 ? NSNotFound : indexLessThanOrEqualToIndex(index - 1);
}

void NSIndexSet::addIndexesInRange(NSRange range)
{
    range = clamp(range);
    if (range.length == 0)
        return;
    NSUInteger lo = range.location;
    NSUInteger hi = NSMaxRange(range);
    std::vector<NSRange> runs;
    runs.reserve(m_runs.size() + 1);
    bool placed = false;
    for (const auto& run : m_runs) {
        if (NSMaxRange(run) < lo) {
            runs.push_back(run);
        } else if (run.location > hi) {
            if (!placed) {
                runs.push_back({ lo, hi - lo });
                placed = true;
            }
            runs.push_back(run);
        } else {
            // Overlapping or touching: merge into the new run.
            lo = std::min(lo, run.location);
            hi = std::max(hi, NSMaxRange(run));
        }
    }
    if (!placed)
        runs.push_back({ lo, hi - lo });
    m_runs = std::move(runs);
}

void NSIndexSet::addIndexes(const NSIndexSet& other)
{
    for (const auto& run : other.m_runs)
        addIndexesInRange(run);
}

void NSIndexSet::removeIndexesInRange(NSRange range)
{
    range = clamp(range);
    if (range.length == 0)
        return;
    NSUInteger lo = range.location;
    NSUInteger hi = NSMaxRange(range);
    std::vector<NSRange> runs;
    runs.reserve(m_runs.size() + 1);
    for (const auto& run : m_runs) {
        NSUInteger end = NSMaxRange(run);
        if (end <= lo || run.location >= hi) {
            runs.push_back(run);
            continue;
        }
        if (run.location < lo)
            runs.push_back({ run.location, lo - run.location });
        if (end > hi)
            runs.push_back({ hi, end - hi });
    }
    m_runs = std::move(runs);
}

void NSIndexSet::removeIndexes(const NSIndexSet& other)
{
    for (const auto& run : other.m_runs)
        removeIndexesInRange(run);
}

void NSIndexSet::shiftIndexesStartingAtIndexBy(NSUInteger start, NSInteger delta)
{
    if (delta == 0 || m_runs.empty())
        return;
    NSUInteger amount = delta < 0 ? static_cast<NSUInteger>(-(delta + 1)) + 1 : static_cast<NSUInteger>(delta);
    if (delta < 0) {
        NSUInteger from = amount > start ? 0 : start - amount;
        removeIndexesInRange({ from, start - from });
    }
    NSIndexSet moved;
    NSIndexSet kept;
    for (const auto& run : m_runs) {
        NSUInteger end = NSMaxRange(run);
        if (end <= start) {
            kept.m_runs.push_back(run);
            continue;
        }
        if (run.location < start)
            kept.m_runs.push_back({ run.location, start - run.location });
        NSRange tail = { std::max(run.location, start), end - std::max(run.location, start) };
        if (delta > 0) {
            if (tail.location < NSNotFound - amount)
                moved.addIndexesInRange({ tail.location + amount, tail.length });
        } else {
            NSUInteger lo = tail.location;
            NSUInteger hi = NSMaxRange(tail);
            if (hi > amount) {
                lo = std::max(lo, amount);
                moved.addIndexesInRange({ lo - amount, hi - lo });
            }
        }
    }
    kept.addIndexes(moved);
    m_runs = std::move(kept.m_runs);
}

std::vector<NSUInteger> NSIndexSet::allIndexes() const
{
    std::vector<NSUInteger> out;
    out.reserve(count());
    for (const auto& run : m_runs)
        for (NSUInteger i = run.location; i < NSMaxRange(run); ++i)
            out.push_back(i);
    return out;
}

void NSIndexSet::enumerateIndexesUsingBlock(const std::function<void(NSUInteger, bool&)>& block) const
{
    bool stop = false;
    for (const auto& run : m_runs) {
        for (NSUInteger i = run.location; i < NSMaxRange(run); ++i) {
            block(i, stop);
            if (stop)
                return;
        }
    }
}
