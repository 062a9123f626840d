#include "Platform/Foundation/NSIndexPath.h"
#include "Platform/Foundation/NSIndexSet.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>

using Indexes = std::vector<NSUInteger>;

namespace {

NSIndexSet setOf(const Indexes& indexes)
{
    NSIndexSet set;
    for (NSUInteger i : indexes)
        set.addIndex(i);
    return set;
}

}  // namespace

TEST(NSIndexSet, AddRemoveAndQueries)
{
    NSIndexSet set = setOf({ 5, 1, 2, 3, 9 });
    EXPECT_EQ((Indexes { 1, 2, 3, 5, 9 }), set.allIndexes());
    EXPECT_EQ(3u, set.ranges().size());  // 1-3, 5, 9 kept as runs
    EXPECT_EQ(5u, set.count());
    EXPECT_EQ(1u, set.firstIndex());
    EXPECT_EQ(9u, set.lastIndex());
    EXPECT_TRUE(set.containsIndex(3));
    EXPECT_FALSE(set.containsIndex(4));
    EXPECT_EQ(2u, set.countOfIndexesInRange(NSMakeRange(3, 3)));
    EXPECT_EQ(5u, set.indexGreaterThanIndex(3));
    EXPECT_EQ(NSNotFound, set.indexGreaterThanIndex(9));
    EXPECT_EQ(3u, set.indexLessThanIndex(5));
    EXPECT_EQ(NSNotFound, set.indexLessThanIndex(1));
    EXPECT_EQ(5u, set.indexGreaterThanOrEqualToIndex(4));
    EXPECT_EQ(3u, set.indexLessThanOrEqualToIndex(4));

    set.addIndex(4);
    EXPECT_EQ(2u, set.ranges().size());  // touching runs merge
    set.removeIndexesInRange(NSMakeRange(2, 2));
    EXPECT_EQ((Indexes { 1, 4, 5, 9 }), set.allIndexes());
    set.removeIndex(100);
    EXPECT_EQ(4u, set.count());

    // Difference, as the grid's refresh takes the old visible cells outside the new ones.
    NSIndexSet visible = NSIndexSet::indexSetWithIndexesInRange(NSMakeRange(0, 6));
    NSIndexSet outside = visible;
    outside.removeIndexes(NSIndexSet::indexSetWithIndexesInRange(NSMakeRange(2, 6)));
    EXPECT_EQ((Indexes { 0, 1 }), outside.allIndexes());
    EXPECT_TRUE(visible.containsIndexes(outside));
    EXPECT_FALSE(outside.containsIndexes(visible));

    NSIndexSet empty;
    EXPECT_EQ(NSNotFound, empty.firstIndex());
    EXPECT_EQ(NSNotFound, empty.lastIndex());
    EXPECT_EQ(0u, empty.count());

    Indexes seen;
    set.enumerateIndexesUsingBlock([&](NSUInteger i, bool& stop) {
        seen.push_back(i);
        stop = i == 4;
    });
    EXPECT_EQ((Indexes { 1, 4 }), seen);
}

TEST(NSIndexSet, ShiftFromAStartBySignedAmount)
{
    struct Case {
        Indexes before;
        NSUInteger start;
        NSInteger delta;
        Indexes after;
    };
    const Case cases[] = {
        { { 0, 1, 2 }, 1, 1, { 0, 2, 3 } },
        { { 0, 1, 2, 3 }, 1, -1, { 0, 1, 2 } },  // drops 0, the index just below the start
        { { 0, 1, 2, 3 }, 2, -1, { 0, 1, 2 } },  // drops 1
        { { 0, 2, 3 }, 2, -1, { 0, 1, 2 } },  // nothing just below: no loss
        { { 0, 1, 5, 6 }, 4, -2, { 0, 1, 3, 4 } },
        { { 1, 2, 3, 7 }, 3, -2, { 1, 5 } },  // 1 and 2 are covered by the shift
        { { 1, 2, 3 }, 0, -1, { 0, 1, 2 } },
        { { 2, 5 }, 2, -3, { 2 } },  // 2 would fall below 0 and leaves
        { { 0, 1, 2 }, 5, 3, { 0, 1, 2 } },
        { { 3, 4 }, 0, 2, { 5, 6 } },
        { { 1, 2 }, 1, 0, { 1, 2 } },
        { { NSNotFound - 2, NSNotFound - 1 }, 0, 1, { NSNotFound - 1 } },
    };
    for (const auto& c : cases) {
        NSIndexSet set = setOf(c.before);
        set.shiftIndexesStartingAtIndexBy(c.start, c.delta);
        EXPECT_EQ(c.after, set.allIndexes()) << "start " << c.start << " delta " << c.delta;
    }
}

TEST(NSIndexSet, GridMappingTablesFromShifts)
{
    // Three items, an insert at 1: old indices 0..2 shift up from 1, new indices
    // 0..3 shift down from 1; walking both gives old-to-new 0->0, 1->2, 2->3.
    NSIndexSet a = NSIndexSet::indexSetWithIndexesInRange(NSMakeRange(0, 3));
    NSIndexSet c = NSIndexSet::indexSetWithIndexesInRange(NSMakeRange(0, 4));
    a.shiftIndexesStartingAtIndexBy(1, 1);
    c.shiftIndexesStartingAtIndexBy(1, -1);
    Indexes oldToNew(3, NSNotFound);
    NSUInteger cursor = a.firstIndex();
    for (NSUInteger i = 0; i < 3 && cursor != NSNotFound; ++i) {
        if (c.containsIndex(i)) {
            oldToNew[i] = cursor;
            cursor = a.indexGreaterThanIndex(cursor);
        }
    }
    EXPECT_EQ((Indexes { 0, 2, 3 }), oldToNew);
}

TEST(NSIndexPath, SectionsRowsAndOrder)
{
    auto path = NSIndexPath::indexPathForRowInSection(4, 2);
    EXPECT_EQ(2, path.section());
    EXPECT_EQ(4, path.row());
    EXPECT_EQ(2u, path.length());
    EXPECT_EQ(NSNotFound, path.indexAtPosition(2));
    auto one = NSIndexPath::indexPathWithIndex(7);
    EXPECT_EQ(1u, one.length());
    EXPECT_EQ(7, one.section());
    EXPECT_EQ((NSIndexPath { 7, 1 }), one.indexPathByAddingIndex(1));

    struct Case {
        NSIndexPath a;
        NSIndexPath b;
        NSComparisonResult result;
    };
    const Case cases[] = {
        { { 0, 5 }, { 1, 0 }, NSOrderedAscending },
        { { 1, 2 }, { 1, 2 }, NSOrderedSame },
        { { 1, 3 }, { 1, 2 }, NSOrderedDescending },
        { { 1 }, { 1, 0 }, NSOrderedAscending },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, c.a.compare(c.b));
    std::unordered_set<NSIndexPath> seen { { 0, 1 }, { 1, 0 }, { 0, 1 } };
    EXPECT_EQ(2u, seen.size());
}

TEST(Sorting, StableAndSafeWithInconsistentComparators)
{
    struct Item {
        std::string name;
        int order;
    };
    // Blank names compare equal to everything, which is not a consistent order.
    auto byName = [](const Item& a, const Item& b) {
        if (a.name.empty() || b.name.empty())
            return NSOrderedSame;
        return a.name < b.name ? NSOrderedAscending : a.name > b.name ? NSOrderedDescending : NSOrderedSame;
    };
    std::vector<Item> items;
    for (int i = 0; i < 200; ++i)
        items.push_back({ i % 7 == 0 ? "" : std::string(1, static_cast<char>('a' + (i * 13) % 26)), i });
    sortUsingComparator(items, byName);
    EXPECT_EQ(200u, items.size());

    std::vector<Item> prices = { { "x", 1 }, { "y", 0 }, { "x", 2 }, { "z", 0 }, { "x", 3 } };
    auto sorted = sortedArrayUsingComparator(prices, byName);
    std::string names;
    for (const auto& item : sorted)
        names += item.name + std::to_string(item.order);
    EXPECT_EQ("x1x2x3y0z0", names);
}
