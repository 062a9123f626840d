#include "Platform/Foundation/NSIndexPath.h"

#include <algorithm>

NSIndexPath NSIndexPath::indexPathByAddingIndex(NSUInteger index) const
{
    NSIndexPath path = *this;
    path.m_indexes.push_back(index);
    return path;
}

NSComparisonResult NSIndexPath::compare(const NSIndexPath& other) const
{
    size_t n = std::min(m_indexes.size(), other.m_indexes.size());
    for (size_t i = 0; i < n; ++i) {
        if (m_indexes[i] != other.m_indexes[i])
            return m_indexes[i] < other.m_indexes[i] ? NSOrderedAscending : NSOrderedDescending;
    }
    if (m_indexes.size() == other.m_indexes.size())
        return NSOrderedSame;
    return m_indexes.size() < other.m_indexes.size() ? NSOrderedAscending : NSOrderedDescending;
}
