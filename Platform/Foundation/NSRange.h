#pragma once

// The platform's integer types, ranges and the "no index" marker. NSNotFound
// is the largest signed 32-bit value, as on the 32-bit platform the system's
// grid arithmetic was written for.

#include <algorithm>
#include <cstddef>
#include <vector>

using NSInteger = long;
using NSUInteger = unsigned long;

inline constexpr NSUInteger NSNotFound = 2147483647;

struct NSRange {
    NSUInteger location = 0;
    NSUInteger length = 0;
    bool operator==(const NSRange&) const = default;
};

inline constexpr NSRange NSMakeRange(NSUInteger location, NSUInteger length) { return { location, length }; }
inline constexpr NSUInteger NSMaxRange(NSRange range) { return range.location + range.length; }
inline constexpr bool NSLocationInRange(NSUInteger location, NSRange range)
{
    return location >= range.location && location - range.location < range.length;
}

enum NSComparisonResult : long {
    NSOrderedAscending = -1,
    NSOrderedSame = 0,
    NSOrderedDescending = 1,
};

// Sorts by a comparator that answers NSComparisonResult, keeping the order of
// items it calls the same. A merge sort never reads outside the array even
// when the comparator is not consistent (one that calls a blank name equal to
// everything), where an unstable sort may.
template <typename T, typename Comparator> void sortUsingComparator(std::vector<T>& items, Comparator comparator)
{
    std::stable_sort(
        items.begin(), items.end(), [&](const T& a, const T& b) { return comparator(a, b) == NSOrderedAscending; });
}

template <typename T, typename Comparator>
std::vector<T> sortedArrayUsingComparator(std::vector<T> items, Comparator comparator)
{
    sortUsingComparator(items, comparator);
    return items;
}
