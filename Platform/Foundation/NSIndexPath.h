#pragma once

// A path of indices; tables use two (section, row), some grids one.

#include "Platform/Foundation/NSRange.h"

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <vector>

class NSIndexPath {
public:
    NSIndexPath() = default;
    NSIndexPath(std::initializer_list<NSUInteger> indexes) : m_indexes(indexes) {}

    static NSIndexPath indexPathForRowInSection(NSInteger row, NSInteger section)
    {
        return NSIndexPath { static_cast<NSUInteger>(section), static_cast<NSUInteger>(row) };
    }
    static NSIndexPath indexPathWithIndex(NSUInteger index) { return NSIndexPath { index }; }

    NSUInteger length() const { return m_indexes.size(); }
    // NSNotFound past the end of the path.
    NSUInteger indexAtPosition(NSUInteger position) const { return position < m_indexes.size() ? m_indexes[position] : NSNotFound; }
    NSInteger section() const { return static_cast<NSInteger>(indexAtPosition(0)); }
    NSInteger row() const { return static_cast<NSInteger>(indexAtPosition(1)); }
    NSIndexPath indexPathByAddingIndex(NSUInteger index) const;

    // Position by position; a path that is a prefix of another sorts first.
    NSComparisonResult compare(const NSIndexPath& other) const;
    bool operator==(const NSIndexPath& other) const = default;
    bool operator<(const NSIndexPath& other) const { return compare(other) == NSOrderedAscending; }

    const std::vector<NSUInteger>& indexes() const { return m_indexes; }

private:
    std::vector<NSUInteger> m_indexes;
};

template<>
struct std::hash<NSIndexPath> {
    size_t operator()(const NSIndexPath& path) const noexcept
    {
        size_t h = path.length();
        for (NSUInteger i : path.indexes())
            h = h * 1000003u ^ std::hash<NSUInteger>()(i);
        return h;
    }
};
