#pragma once

// A path of indices; tables use two (section, row), some grids one. Paths of
// up to four indices live in the path itself, so that making, copying and
// comparing the index paths of a scrolling table never touches the heap.

#include "Platform/Foundation/NSRange.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <vector>

class NSIndexPath {
public:
    NSIndexPath() = default;
    NSIndexPath(std::initializer_list<NSUInteger> indexes);

    static NSIndexPath indexPathForRowInSection(NSInteger row, NSInteger section)
    {
        NSIndexPath path;
        path.m_inline[0] = static_cast<NSUInteger>(section);
        path.m_inline[1] = static_cast<NSUInteger>(row);
        path.m_length = 2;
        return path;
    }
    static NSIndexPath indexPathWithIndex(NSUInteger index) { return NSIndexPath { index }; }

    NSUInteger length() const { return m_length; }
    // NSNotFound past the end of the path.
    NSUInteger indexAtPosition(NSUInteger position) const
    {
        return position < m_length ? data()[position] : NSNotFound;
    }
    NSInteger section() const { return static_cast<NSInteger>(indexAtPosition(0)); }
    NSInteger row() const { return static_cast<NSInteger>(indexAtPosition(1)); }
    NSIndexPath indexPathByAddingIndex(NSUInteger index) const;

    // Position by position; a path that is a prefix of another sorts first.
    NSComparisonResult compare(const NSIndexPath& other) const;
    bool operator==(const NSIndexPath& other) const { return compare(other) == NSOrderedSame; }
    bool operator<(const NSIndexPath& other) const { return compare(other) == NSOrderedAscending; }

    std::span<const NSUInteger> indexes() const { return { data(), m_length }; }

private:
    static constexpr size_t kInline = 4;
    const NSUInteger* data() const { return m_length <= kInline ? m_inline.data() : m_long.data(); }

    std::array<NSUInteger, kInline> m_inline {};
    std::vector<NSUInteger> m_long;  // the whole path, when longer than kInline
    size_t m_length = 0;
};

template <> struct std::hash<NSIndexPath> {
    size_t operator()(const NSIndexPath& path) const noexcept
    {
        size_t h = path.length();
        for (NSUInteger i : path.indexes())
            h = h * 1000003u ^ std::hash<NSUInteger>()(i);
        return h;
    }
};
