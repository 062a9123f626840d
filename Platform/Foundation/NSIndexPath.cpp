#include "Platform/Foundation/NSIndexPath.h"

#include <algorithm>

NSIndexPath::NSIndexPath(std::initializer_list<NSUInteger> indexes)
    : m_length(indexes.size())
{
    if (m_length <= kInline)
        std::copy(indexes.begin(), indexes.end(), m_inline.begin());
    else
        m_long.assign(indexes.begin(), indexes.end());
}

NSIndexPath NSIndexPath::indexPathByAddingIndex(NSUInteger index) const
{
    NSIndexPath path;
    auto own = indexes();
    path.m_length = m_length + 1;
    if (path.m_length <= kInline) {
        std::copy(own.begin(), own.end(), path.m_inline.begin());
        path.m_inline[m_length] = index;
    } else {
        path.m_long.assign(own.begin(), own.end());
        path.m_long.push_back(index);
    }
    return path;
}

NSComparisonResult NSIndexPath::compare(const NSIndexPath& other) const
{
    const NSUInteger* a = data();
    const NSUInteger* b = other.data();
    size_t n = std::min(m_length, other.m_length);
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? NSOrderedAscending : NSOrderedDescending;
    }
    if (m_length == other.m_length)
        return NSOrderedSame;
    return m_length < other.m_length ? NSOrderedAscending : NSOrderedDescending;
}
