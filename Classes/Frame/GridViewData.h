#pragma once

// The layout arithmetic of one grid view: slot size, items per row, the slot
// of an item, the item at a point and the items in a rectangle. A grid keeps
// one; an update batch keeps an old and a new copy, so that cells can start in
// their old slots and move to their new ones within one animation.
//
// Rows fill left to right and top to bottom in both directions; the
// direction only decides which side is fixed (the width when vertical).

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSIndexSet.h"

#include <memory>

class GridView;

enum GridViewLayoutDirection : long {
    GridViewLayoutDirectionVertical = 0,
    GridViewLayoutDirectionHorizontal = 1,
};

class GridViewData {
public:
    // Takes the grid view's current bounds size. The grid view owns its layout
    // data (and the copies its update batches hold), so the back-link never
    // outlives it; it may be null for a layout computed on its own.
    explicit GridViewData(GridView* gridView);
    static std::shared_ptr<GridViewData> initWithGridView(GridView* gridView)
    {
        return std::make_shared<GridViewData>(gridView);
    }

    // A new layout for the same grid view with this one's sizes, paddings,
    // direction and counts (the bounds size is the grid view's current one).
    std::shared_ptr<GridViewData> copy() const;
    std::shared_ptr<GridViewData> mutableCopy() const { return copy(); }

    GridView* gridView() const { return m_gridView; }
    void setGridView(GridView* gridView) { m_gridView = gridView; }

    CGSize boundsSize() const { return m_boundsSize; }
    void gridViewDidChangeBoundsSize(CGSize size);

    GridViewLayoutDirection layoutDirection() const { return m_layoutDirection; }
    void setLayoutDirection(GridViewLayoutDirection direction);

    CGSize desiredCellSize() const { return m_desiredCellSize; }
    void setDesiredCellSize(CGSize size);
    CGSize actualCellSize() const { return m_actualCellSize; }
    void setActualCellSize(CGSize size) { m_actualCellSize = size; }
    CGSize cellSize() const { return m_actualCellSize; }
    // Fits the slot width to `width` less the side paddings: as many whole
    // desired widths as fit (at least one), sharing the width between them.
    void fixDesiredCellSizeForWidth(CGFloat width);

    CGFloat topPadding() const { return m_topPadding; }
    void setTopPadding(CGFloat p) { m_topPadding = p; }
    CGFloat bottomPadding() const { return m_bottomPadding; }
    void setBottomPadding(CGFloat p) { m_bottomPadding = p; }
    CGFloat leftPadding() const { return m_leftPadding; }
    void setLeftPadding(CGFloat p) { m_leftPadding = p; }
    CGFloat rightPadding() const { return m_rightPadding; }
    void setRightPadding(CGFloat p) { m_rightPadding = p; }

    NSUInteger numberOfItems() const { return m_numberOfItems; }
    void setNumberOfItems(NSUInteger n) { m_numberOfItems = n; }
    NSUInteger reorderedIndex() const { return m_reorderedIndex; }
    void setReorderedIndex(NSUInteger i) { m_reorderedIndex = i; }

    // Vertical: how many slots fit the whole bounds width, paddings included
    // (so with side paddings there may be a slot more than the fitted
    // columns, lying in the right padding). Horizontal: the items over the
    // rows that fit the height. 0 when no slot has a width.
    NSUInteger numberOfItemsPerRow() const;
    CGRect cellRectAtIndex(NSUInteger index) const;
    CGSize sizeForEntireGrid() const;
    CGRect rectForEntireGrid() const;
    // A point right of a row's last slot goes on counting columns, and so
    // names an item of a later row. NSNotFound past the last item.
    NSUInteger itemIndexForPoint(CGPoint point) const;
    CGRect cellRectForPoint(CGPoint point) const;
    bool pointIsInLastRow(CGPoint point) const;
    // The items whose slots meet `rect`. Only the rows and columns the
    // rectangle spans are looked at, so the cost follows the visible items,
    // not the item count.
    NSIndexSet indicesOfCellsInRect(CGRect rect) const;

private:
    CGFloat gridBoundsHeight() const;

    GridView* m_gridView = nullptr;
    CGSize m_boundsSize {};
    GridViewLayoutDirection m_layoutDirection = GridViewLayoutDirectionVertical;
    CGSize m_desiredCellSize {};
    CGSize m_actualCellSize {};
    CGFloat m_topPadding = 0;
    CGFloat m_bottomPadding = 0;
    CGFloat m_leftPadding = 0;
    CGFloat m_rightPadding = 0;
    NSUInteger m_numberOfItems = 0;
    NSUInteger m_reorderedIndex = 0;
};
