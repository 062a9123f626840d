#include "Classes/Frame/GridViewUpdateInfo.h"

#include "Classes/Frame/GridView.h"
#include "Classes/Frame/GridViewAnimatorItem.h"
#include "Classes/Frame/GridViewCell.h"
#include "Classes/Frame/GridViewData.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"

#include <algorithm>
#include <map>

NSIndexSet aq_indexesOutsideIndexSet(const NSIndexSet& set, const NSIndexSet& other)
{
    NSIndexSet out = set;
    out.removeIndexes(other);
    return out;
}

bool aq_isSetContiguous(const NSIndexSet& set)
{
    if (set.count() == 0)
        return false;
    return set.lastIndex() - set.firstIndex() + 1 == set.count();
}

namespace {

// The offset a slide animation starts from (or ends at, for a leaving view).
CGPoint slideOffset(GridViewItemAnimation animation, CGSize size)
{
    switch (animation) {
    case GridViewItemAnimationRight:
        return { size.width, 0 };
    case GridViewItemAnimationLeft:
        return { -size.width, 0 };
    case GridViewItemAnimationTop:
        return { 0, -size.height };
    case GridViewItemAnimationBottom:
        return { 0, size.height };
    default:
        return { 0, 0 };
    }
}

bool slides(GridViewItemAnimation animation)
{
    return animation >= GridViewItemAnimationRight && animation <= GridViewItemAnimationBottom;
}

void sortDescending(GridViewUpdateInfo::UpdateItems& items)
{
    std::stable_sort(
        items.begin(), items.end(), [](const auto& a, const auto& b) { return a->inverseCompare(*b) < 0; });
}

GridViewUpdateInfo::UpdateItems ascending(GridViewUpdateInfo::UpdateItems items)
{
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
    return items;
}

}  // namespace

GridViewUpdateInfo::GridViewUpdateInfo(const std::shared_ptr<GridViewData>& oldGridData, GridView* gridView)
    : m_gridView(gridView)
    , m_oldGridData(oldGridData->copy())
    , m_newGridData(oldGridData->copy())
{
}

GridViewUpdateInfo::UpdateItems* GridViewUpdateInfo::updateItemArrayForAction(long action)
{
    switch (action) {
    case GridViewUpdateActionInsert:
        return &m_insertItems;
    case GridViewUpdateActionDelete:
        return &m_deleteItems;
    case GridViewUpdateActionMove:
        return &m_moveItems;
    case GridViewUpdateActionReload:
        return &m_reloadItems;
    default:
        return nullptr;
    }
}

void GridViewUpdateInfo::updateItemsAtIndicesUpdateActionWithAnimation(
    const NSIndexSet& indices, long action, GridViewItemAnimation animation)
{
    auto* list = updateItemArrayForAction(action);
    if (!list)
        return;
    indices.enumerateIndexesUsingBlock([&](NSUInteger index, bool&) {
        list->push_back(
            std::make_shared<GridViewUpdateItem>(index, static_cast<GridViewUpdateAction>(action), animation));
    });
}

void GridViewUpdateInfo::moveItemAtIndexToIndexWithAnimation(
    NSUInteger index, NSUInteger newIndex, GridViewItemAnimation animation)
{
    auto item = std::make_shared<GridViewUpdateItem>(index, GridViewUpdateActionMove, animation);
    item->setNewIndex(newIndex);
    m_moveItems.push_back(item);
}

NSUInteger GridViewUpdateInfo::numberOfUpdates() const
{
    return m_insertItems.size() + m_deleteItems.size() + m_moveItems.size() + m_reloadItems.size();
}

NSUInteger GridViewUpdateInfo::numberOfItemsAfterUpdates() const
{
    return m_newGridData->numberOfItems() + m_insertItems.size() - m_deleteItems.size();
}

void GridViewUpdateInfo::cleanupUpdateItems()
{
    sortDescending(m_insertItems);
    sortDescending(m_deleteItems);
    sortDescending(m_moveItems);
    sortDescending(m_reloadItems);
    m_insertedIndices.removeAllIndexes();
    m_deletedIndices.removeAllIndexes();
    m_oldMovedIndices.removeAllIndexes();
    m_newMovedIndices.removeAllIndexes();
    m_reloadedIndices.removeAllIndexes();

    for (auto& item : m_deleteItems)
        m_deletedIndices.addIndex(item->index());
    for (auto& item : m_moveItems) {
        m_oldMovedIndices.addIndex(item->index());
        m_newMovedIndices.addIndex(item->newIndex());
    }
    auto deletedBelow
        = [this](NSUInteger index) { return m_deletedIndices.countOfIndexesInRange(NSMakeRange(0, index)); };
    for (auto& item : m_insertItems) {
        m_insertedIndices.addIndex(item->index());
        if (NSUInteger n = deletedBelow(item->index()))
            item->setOffset(-static_cast<NSInteger>(n));
    }
    for (auto& item : m_reloadItems) {
        m_reloadedIndices.addIndex(item->index());
        if (NSUInteger n = deletedBelow(item->index()))
            item->setOffset(-static_cast<NSInteger>(n));
    }
    for (auto& item : m_reloadItems) {
        NSUInteger n = m_insertedIndices.countOfIndexesInRange(NSMakeRange(0, item->index()));
        if (n == 0)
            break;
        item->setOffset(item->offset() + static_cast<NSInteger>(n));
        m_reloadedIndices.addIndex(item->index());
    }
    updateNewGridDataAndCreateMappingTables();
}

void GridViewUpdateInfo::updateNewGridDataAndCreateMappingTables()
{
    NSUInteger oldCount = m_oldGridData->numberOfItems();
    NSUInteger newCount = oldCount + m_insertItems.size() - m_deleteItems.size();
    m_newGridData->setNumberOfItems(newCount);

    NSIndexSet oldSet = NSIndexSet::indexSetWithIndexesInRange(NSMakeRange(0, oldCount));
    NSIndexSet newSet = NSIndexSet::indexSetWithIndexesInRange(NSMakeRange(0, newCount));
    for (auto& item : ascending(m_insertItems)) {
        oldSet.shiftIndexesStartingAtIndexBy(item->originalIndex(), 1);
        newSet.shiftIndexesStartingAtIndexBy(item->originalIndex(), -1);
    }
    for (auto& item : ascending(m_deleteItems))
        newSet.shiftIndexesStartingAtIndexBy(item->originalIndex(), 1);

    // Each table is walked with a cursor over the other side's shifted set.
    auto build = [](NSUInteger count, const NSIndexSet& holds, const NSIndexSet& cursorSet) {
        std::vector<NSUInteger> map(count, NSNotFound);
        NSUInteger cursor = cursorSet.firstIndex();
        for (NSUInteger i = 0; i < count && cursor != NSNotFound; ++i) {
            if (!holds.containsIndex(i))
                continue;
            map[i] = cursor;
            cursor = cursorSet.indexGreaterThanIndex(cursor);
        }
        return map;
    };
    m_oldToNewIndexMap = oldCount > 0 ? build(oldCount, newSet, oldSet) : std::vector<NSUInteger>();
    m_newToOldIndexMap = newCount > 0 ? build(newCount, oldSet, newSet) : std::vector<NSUInteger>();

    auto& o2n = m_oldToNewIndexMap;
    auto& n2o = m_newToOldIndexMap;
    for (auto& item : m_moveItems) {
        NSUInteger from = item->index(), to = item->newIndex();
        if (from >= o2n.size() || to >= n2o.size())
            continue;
        if (m_moveItems.size() == 1) {
            // The items between the two places close the gap the moved one
            // leaves and open the one it takes.
            if (from < to) {
                for (NSUInteger i = from + 1; i <= to && i < o2n.size() && o2n[i] != NSNotFound; ++i)
                    o2n[i] -= 1;
                for (NSUInteger j = from; j < to && n2o[j] != NSNotFound; ++j)
                    n2o[j] += 1;
            } else if (to < from) {
                for (NSUInteger i = from; i-- > to && o2n[i] != NSNotFound;)
                    o2n[i] += 1;
                for (NSUInteger j = from; j > to && j < n2o.size() && n2o[j] != NSNotFound; --j)
                    n2o[j] -= 1;
            }
        }
        o2n[from] = to;
        n2o[to] = from;
    }
}

NSUInteger GridViewUpdateInfo::newIndexForOldIndex(NSUInteger oldIndex) const
{
    if (m_oldToNewIndexMap.empty())
        return oldIndex;
    return oldIndex < m_oldToNewIndexMap.size() ? m_oldToNewIndexMap[oldIndex] : NSNotFound;
}

NSUInteger GridViewUpdateInfo::oldIndexForNewIndex(NSUInteger newIndex) const
{
    return newIndex < m_newToOldIndexMap.size() ? m_newToOldIndexMap[newIndex] : NSNotFound;
}

std::shared_ptr<UIImageView> GridViewUpdateInfo::_imageViewForView(UIView& view)
{
    CGSize size = view.bounds().size;
    UIGraphicsBeginImageContextWithOptions(size, false, UIGraphicsGetScreenScale());
    std::shared_ptr<UIImage> image;
    if (auto context = UIGraphicsGetCurrentContext()) {
        view.layer()->renderInContext(context);
        image = UIGraphicsGetImageFromCurrentImageContext();
    }
    UIGraphicsEndImageContext();
    auto imageView = std::make_shared<UIImageView>(CGRectMake(0, 0, size.width, size.height));
    imageView->setImage(image);
    return imageView;
}

std::shared_ptr<UIView> GridViewUpdateInfo::animateDeletionForCellWithAnimation(
    const std::shared_ptr<UIView>& cell, GridViewItemAnimation animation)
{
    if (animation == GridViewItemAnimationNone) {
        cell->removeFromSuperview();
        return nullptr;
    }
    std::shared_ptr<UIView> snapshot;
    UIView::performWithoutAnimation([&] {
        snapshot = _imageViewForView(*cell);
        snapshot->setFrame(cell->frame());
        m_gridView->insertCellView(snapshot);
        cell->removeFromSuperview();
    });
    snapshot->setAlpha(0);
    if (slides(animation)) {
        CGPoint by = slideOffset(animation, cell->frame().size), c = snapshot->center();
        snapshot->setCenter(CGPointMake(c.x + by.x, c.y + by.y));
    }
    return snapshot;
}

void GridViewUpdateInfo::animateInsertionForCellWithAnimation(
    const std::shared_ptr<GridViewCell>& cell, GridViewItemAnimation animation)
{
    UIView::performWithoutAnimation([&] {
        if (cell->superview().get() != m_gridView)
            m_gridView->insertCellView(cell);
    });
    if (animation == GridViewItemAnimationNone)
        return;
    CGPoint endCenter = cell->center();
    CGPoint by = slides(animation) ? slideOffset(animation, cell->frame().size) : CGPointZero;
    UIView::performWithoutAnimation([&] {
        cell->setAlpha(0);
        cell->setCenter(CGPointMake(endCenter.x + by.x, endCenter.y + by.y));
    });
    cell->setAlpha(1.0f);
    cell->setCenter(endCenter);
}

std::shared_ptr<UIView> GridViewUpdateInfo::animateReloadForCellOriginalCellWithAnimation(
    const std::shared_ptr<GridViewCell>& cell, const std::shared_ptr<UIView>& original, GridViewItemAnimation animation)
{
    if (animation == GridViewItemAnimationNone) {
        if (original)
            original->removeFromSuperview();
        return nullptr;
    }
    if (!original)
        return nullptr;
    std::shared_ptr<UIView> snapshot;
    CGRect frame = original->frame();
    CGPoint by = slideOffset(animation, frame.size);
    UIView::performWithoutAnimation([&] {
        snapshot = _imageViewForView(*original);
        snapshot->setFrame(frame);
        m_gridView->insertCellView(snapshot);
        original->removeFromSuperview();
        cell->setAlpha(0);
        cell->setFrame(CGRectOffset(frame, by.x, by.y));
    });
    snapshot->setAlpha(0);
    snapshot->setFrame(CGRectOffset(frame, -by.x, -by.y));
    cell->setAlpha(1.0f);
    cell->setFrame(frame);
    return snapshot;
}

GridViewUpdateInfo::AnimatorItems GridViewUpdateInfo::animateCellUpdatesUsingVisibleContentRect(CGRect rect)
{
    GridView& grid = *m_gridView;
    CGSize whole = m_newGridData->sizeForEntireGrid();
    NSIndexSet oldVisible = m_oldGridData->indicesOfCellsInRect(rect);

    // When the content shrinks below the visible rectangle, the rectangle
    // moves up (or left) with it, and grows to keep the old items in view.
    if (m_newGridData->layoutDirection() == GridViewLayoutDirectionVertical) {
        CGFloat excess = CGRectGetMaxY(rect) - whole.height;
        if (excess > 0) {
            grid.setContentSize(CGSizeMake(rect.size.width, whole.height));
            rect.origin.y = std::max<CGFloat>(0, rect.origin.y - excess);
            rect.size.height += excess;
        } else {
            grid.updateGridViewBoundsForNewGridData(m_newGridData);
        }
    } else {
        CGFloat excess = CGRectGetMaxX(rect) - whole.width;
        if (excess > 0) {
            grid.setContentSize(CGSizeMake(whole.width, rect.size.height));
            rect.origin.x = std::max<CGFloat>(0, rect.origin.x - excess);
            rect.size.width += excess;
        } else {
            grid.updateGridViewBoundsForNewGridData(m_newGridData);
        }
    }
    NSIndexSet newVisible = m_newGridData->indicesOfCellsInRect(rect);

    AnimatorItems working = grid.animatingCells();
    std::map<NSUInteger, std::shared_ptr<GridViewAnimatorItem>> lookup;
    for (auto& item : working)
        if (std::dynamic_pointer_cast<GridViewCell>(item->animatingView()))
            lookup[item->index()] = item;
    auto lookedUp = [&lookup](NSUInteger index) -> std::shared_ptr<GridViewAnimatorItem> {
        auto it = lookup.find(index);
        return it == lookup.end() ? nullptr : it->second;
    };
    auto viewFor = [&](NSUInteger oldIndex) -> std::shared_ptr<UIView> {
        if (auto item = lookedUp(oldIndex))
            return item->animatingView();
        return grid.visibleCellAtListPositionForItemIndex(oldIndex);
    };

    NSIndexSet oldIndices = oldVisible;
    newVisible.enumerateIndexesUsingBlock([&](NSUInteger i, bool&) {
        NSUInteger o = oldIndexForNewIndex(i);
        if (o != NSNotFound)
            oldIndices.addIndex(o);
    });

    // Cells that stay move from their old slots to their new ones.
    oldIndices.enumerateIndexesUsingBlock([&](NSUInteger o, bool&) {
        NSUInteger n = newIndexForOldIndex(o);
        if (n == NSNotFound)
            return;
        auto view = viewFor(o);
        if (auto cell = std::dynamic_pointer_cast<GridViewCell>(view)) {
            cell->setDisplayIndex(n);
        } else if (!view) {
            auto made = grid.createPreparedCellForIndex(n);
            if (!made)
                return;
            UIView::performWithoutAnimation([&] {
                made->setFrame(grid.fixCellFrameForGridRect(made->frame(), m_oldGridData->cellRectAtIndex(o)));
            });
            view = made;
        }
        if (auto item = lookedUp(o))
            item->setIndex(n);
        else
            working.push_back(GridViewAnimatorItem::itemWithViewIndex(view, n));
        view->setFrame(grid.fixCellFrameForGridRect(view->frame(), m_newGridData->cellRectAtIndex(n)));
        if (auto cell = std::dynamic_pointer_cast<GridViewCell>(view))
            grid.delegateWillDisplayCellAtIndex(cell, n);
    });

    for (auto& item : m_deleteItems) {
        NSUInteger o = item->originalIndex();
        if (!oldVisible.containsIndex(o))
            continue;
        auto found = lookedUp(o);
        auto view = found ? found->animatingView() : grid.visibleCellAtListPositionForItemIndex(o);
        if (!view)
            continue;
        auto snapshot = animateDeletionForCellWithAnimation(view, item->animation());
        if (!snapshot)
            continue;
        if (found) {
            found->setAnimatingView(snapshot);
            found->setIndex(NSNotFound);
            lookup.erase(o);
        } else {
            working.push_back(GridViewAnimatorItem::itemWithViewIndex(snapshot, NSNotFound));
        }
    }

    for (auto& item : m_insertItems) {
        NSUInteger i = item->index();
        if (!newVisible.containsIndex(i))
            continue;
        auto cell = grid.createPreparedCellForIndexUsingGridData(i, m_newGridData);
        if (!cell)
            continue;
        animateInsertionForCellWithAnimation(cell, item->animation());
        grid.delegateWillDisplayCellAtIndex(cell, i);
        working.push_back(GridViewAnimatorItem::itemWithViewIndex(cell, i));
    }

    for (auto& item : m_reloadItems) {
        NSUInteger i = item->index(), o = item->originalIndex();
        if (!newVisible.containsIndex(i))
            continue;
        auto found = lookedUp(o);
        auto original = found ? found->animatingView() : grid.visibleCellAtListPositionForItemIndex(o);
        auto cell = grid.createPreparedCellForIndex(i);
        if (!cell)
            continue;
        grid.delegateWillDisplayCellAtIndex(cell, i);
        // The picture of the old cell is kept with the animation so that it
        // leaves the grid when the animation ends.
        if (auto snapshot = animateReloadForCellOriginalCellWithAnimation(cell, original, item->animation()))
            working.push_back(GridViewAnimatorItem::itemWithViewIndex(snapshot, NSNotFound));
        if (found) {
            found->setAnimatingView(cell);
            found->setIndex(o);
            continue;
        }
        auto same = std::find_if(working.begin(), working.end(), [i](auto& w) { return w->index() == i; });
        if (same != working.end())
            (*same)->setAnimatingView(cell);
        else
            working.push_back(GridViewAnimatorItem::itemWithViewIndex(cell, i));
    }
    return working;
}
