#include "Classes/Frame/GridViewData.h"

#include "Classes/Frame/GridView.h"

#include <algorithm>
#include <cmath>

namespace {

// A non-negative float truncated to an unsigned integer; a negative one gives 0.
NSUInteger toUnsigned(CGFloat v)
{
    if (!(v > 0))
        return 0;
    if (v >= static_cast<CGFloat>(NSNotFound))
        return NSNotFound;
    return static_cast<NSUInteger>(v);
}

}  // namespace

GridViewData::GridViewData(GridView* gridView)
    : m_gridView(gridView)
{
    if (gridView)
        m_boundsSize = gridView->bounds().size;
}

std::shared_ptr<GridViewData> GridViewData::copy() const
{
    auto c = std::make_shared<GridViewData>(m_gridView);
    c->m_desiredCellSize = m_desiredCellSize;
    c->m_actualCellSize = m_actualCellSize;
    c->m_layoutDirection = m_layoutDirection;
    c->m_topPadding = m_topPadding;
    c->m_bottomPadding = m_bottomPadding;
    c->m_leftPadding = m_leftPadding;
    c->m_rightPadding = m_rightPadding;
    c->m_numberOfItems = m_numberOfItems;
    c->m_reorderedIndex = m_reorderedIndex;
    return c;
}

void GridViewData::fixDesiredCellSizeForWidth(CGFloat width)
{
    CGFloat usable = std::max<CGFloat>(0, std::floor(width - m_leftPadding - m_rightPadding));
    CGFloat desiredWidth = std::floor(m_desiredCellSize.width);
    // When not even one desired width fits, the one column takes what there is.
    CGFloat columns = desiredWidth > 0 ? std::floor(usable / desiredWidth) : 1;
    if (columns < 1)
        columns = 1;
    m_actualCellSize.width = std::floor(usable / columns);
    m_actualCellSize.height = m_desiredCellSize.height;
}

void GridViewData::gridViewDidChangeBoundsSize(CGSize size)
{
    m_boundsSize = size;
    if (m_layoutDirection == GridViewLayoutDirectionVertical)
        fixDesiredCellSizeForWidth(size.width);
}

void GridViewData::setDesiredCellSize(CGSize size)
{
    m_desiredCellSize = size;
    if (m_layoutDirection == GridViewLayoutDirectionHorizontal)
        m_actualCellSize = size;
    else
        fixDesiredCellSizeForWidth(m_boundsSize.width);
}

void GridViewData::setLayoutDirection(GridViewLayoutDirection direction)
{
    if (direction == GridViewLayoutDirectionHorizontal)
        m_actualCellSize = m_desiredCellSize;
    else
        fixDesiredCellSizeForWidth(m_boundsSize.width);
    m_layoutDirection = direction;
}

NSUInteger GridViewData::numberOfItemsPerRow() const
{
    if (m_layoutDirection == GridViewLayoutDirectionVertical) {
        if (!(m_actualCellSize.width > 0))
            return 0;
        return toUnsigned(std::floor(m_boundsSize.width / m_actualCellSize.width));
    }
    NSUInteger rows
        = m_actualCellSize.height > 0 ? toUnsigned(std::floor(m_boundsSize.height / m_actualCellSize.height)) : 1;
    rows = std::max<NSUInteger>(rows, 1);
    return (m_numberOfItems + rows - 1) / rows;
}

CGRect GridViewData::cellRectAtIndex(NSUInteger index) const
{
    NSUInteger perRow = numberOfItemsPerRow();
    if (perRow == 0)
        return CGRectZero;
    NSUInteger column = index % perRow, row = index / perRow;
    return CGRectMake(static_cast<CGFloat>(column) * m_actualCellSize.width + m_leftPadding,
        static_cast<CGFloat>(row) * m_actualCellSize.height + m_topPadding, m_actualCellSize.width,
        m_actualCellSize.height);
}

CGFloat GridViewData::gridBoundsHeight() const
{
    return m_gridView ? m_gridView->bounds().size.height : m_boundsSize.height;
}

CGSize GridViewData::sizeForEntireGrid() const
{
    NSUInteger perRow = numberOfItemsPerRow();
    if (perRow == 0)
        return CGSizeZero;
    NSUInteger rows = (m_numberOfItems + perRow - 1) / perRow;
    CGFloat height = std::ceil(static_cast<CGFloat>(rows) * m_actualCellSize.height) + m_topPadding + m_bottomPadding;
    height = std::max(height, gridBoundsHeight());
    CGFloat width = std::ceil(m_actualCellSize.width * static_cast<CGFloat>(perRow)) + m_leftPadding + m_rightPadding;
    return CGSizeMake(width, height);
}

CGRect GridViewData::rectForEntireGrid() const
{
    CGSize size = sizeForEntireGrid();
    return CGRectMake(m_leftPadding, m_topPadding, size.width, size.height);
}

NSUInteger GridViewData::itemIndexForPoint(CGPoint point) const
{
    NSUInteger x = toUnsigned(std::floor(point.x - m_leftPadding));
    NSUInteger y = toUnsigned(std::floor(point.y - m_topPadding));
    NSUInteger slotWidth = toUnsigned(m_actualCellSize.width);
    NSUInteger slotHeight = toUnsigned(m_actualCellSize.height);
    // Slots without a whole point of size name no item.
    if (slotWidth == 0 || slotHeight == 0)
        return NSNotFound;
    NSUInteger column = x / slotWidth, row = y / slotHeight;
    NSUInteger index = row * numberOfItemsPerRow() + column;
    return index >= m_numberOfItems ? NSNotFound : index;
}

CGRect GridViewData::cellRectForPoint(CGPoint point) const { return cellRectAtIndex(itemIndexForPoint(point)); }

bool GridViewData::pointIsInLastRow(CGPoint point) const
{
    CGRect whole = rectForEntireGrid();
    if (m_layoutDirection == GridViewLayoutDirectionVertical)
        return point.y >= whole.size.height - m_actualCellSize.height;
    return point.x >= whole.size.width - m_actualCellSize.width;
}

NSIndexSet GridViewData::indicesOfCellsInRect(CGRect rect) const
{
    NSIndexSet result;
    NSUInteger perRow = numberOfItemsPerRow();
    CGFloat w = m_actualCellSize.width, h = m_actualCellSize.height;
    if (perRow == 0 || m_numberOfItems == 0 || !(w > 0) || !(h > 0) || CGRectIsEmpty(rect))
        return result;
    rect = CGRectStandardize(rect);
    NSUInteger rows = (m_numberOfItems + perRow - 1) / perRow;
    // Candidate rows and columns by division, one either side for rounding;
    // each candidate is then tested exactly against the rectangle.
    auto span = [](CGFloat from, CGFloat to, CGFloat origin, CGFloat size, NSUInteger count, NSUInteger& first,
                    NSUInteger& last) {
        CGFloat a = std::floor((from - origin) / size) - 1, b = std::floor((to - origin) / size) + 1;
        if (b < 0 || a >= static_cast<CGFloat>(count))
            return false;
        first = a < 0 ? 0 : static_cast<NSUInteger>(a);
        last = std::min(count - 1, static_cast<NSUInteger>(b));
        return true;
    };
    NSUInteger r0, r1, c0, c1;
    if (!span(CGRectGetMinY(rect), CGRectGetMaxY(rect), m_topPadding, h, rows, r0, r1)
        || !span(CGRectGetMinX(rect), CGRectGetMaxX(rect), m_leftPadding, w, perRow, c0, c1))
        return result;
    for (NSUInteger row = r0; row <= r1; ++row) {
        NSUInteger runStart = NSNotFound, runLength = 0;
        for (NSUInteger column = c0; column <= c1; ++column) {
            NSUInteger i = row * perRow + column;
            if (i >= m_numberOfItems)
                break;
            if (!CGRectIntersectsRect(cellRectAtIndex(i), rect))
                continue;
            if (runStart == NSNotFound)
                runStart = i;
            ++runLength;
        }
        if (runLength)
            result.addIndexesInRange(NSMakeRange(runStart, runLength));
    }
    return result;
}
