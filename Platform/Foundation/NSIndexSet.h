#pragma once

// A set of indices kept as sorted, disjoint runs; the platform's mutable and
// immutable index sets in one value type.

#include "Platform/Foundation/NSRange.h"

#include <functional>
#include <vector>

class NSIndexSet {
public:
    NSIndexSet() = default;
    static NSIndexSet indexSetWithIndex(NSUInteger index);
    static NSIndexSet indexSetWithIndexesInRange(NSRange range);

    NSUInteger count() const;
    NSUInteger firstIndex() const;  // NSNotFound when empty
    NSUInteger lastIndex() const;  // NSNotFound when empty
    bool containsIndex(NSUInteger index) const;
    bool containsIndexes(const NSIndexSet& other) const;
    NSUInteger countOfIndexesInRange(NSRange range) const;
    // The nearest member on that side, or NSNotFound.
    NSUInteger indexGreaterThanIndex(NSUInteger index) const;
    NSUInteger indexGreaterThanOrEqualToIndex(NSUInteger index) const;
    NSUInteger indexLessThanIndex(NSUInteger index) const;
    NSUInteger indexLessThanOrEqualToIndex(NSUInteger index) const;

    void addIndex(NSUInteger index) { addIndexesInRange({ index, 1 }); }
    void addIndexesInRange(NSRange range);
    void addIndexes(const NSIndexSet& other);
    void removeIndex(NSUInteger index) { removeIndexesInRange({ index, 1 }); }
    void removeIndexesInRange(NSRange range);
    void removeIndexes(const NSIndexSet& other);
    void removeAllIndexes() { m_runs.clear(); }

    // Moves every index from `start` upward by `delta`. A negative shift first
    // drops the indices it would cover, those in [start + delta, start): a shift
    // by -1 drops the index just below the start. Indices that would fall below
    // 0 or reach NSNotFound leave the set.
    void shiftIndexesStartingAtIndexBy(NSUInteger start, NSInteger delta);

    std::vector<NSUInteger> allIndexes() const;
    // Ascending; the block may set its flag to stop early.
    void enumerateIndexesUsingBlock(const std::function<void(NSUInteger index, bool& stop)>& block) const;
    const std::vector<NSRange>& ranges() const { return m_runs; }

    bool operator==(const NSIndexSet& other) const = default;

private:
    std::vector<NSRange> m_runs;  // sorted, disjoint and never touching
};
