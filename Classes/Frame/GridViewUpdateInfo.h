#pragma once

// One update batch of a grid view: the changes recorded between
// `beginUpdates` and `endUpdates`, the old and the new layout, and the two
// tables that map old item indices to new ones and back (plain arrays, one
// entry per item, NSNotFound for an item that has no counterpart). The
// animation step moves the cells on screen from their old slots to their
// new ones and brings inserted, deleted and reloaded cells in and out.

#include "Classes/Frame/GridViewUpdateItem.h"
#include "Platform/Foundation/NSIndexSet.h"

#include <memory>
#include <vector>

class GridView;
class GridViewAnimatorItem;
class GridViewCell;
class GridViewData;
class UIImageView;
class UIView;

// The indices of `set` that are not in `other`.
NSIndexSet aq_indexesOutsideIndexSet(const NSIndexSet& set, const NSIndexSet& other);
// Whether the set holds every index from its first to its last.
bool aq_isSetContiguous(const NSIndexSet& set);

class GridViewUpdateInfo {
public:
    using UpdateItems = std::vector<std::shared_ptr<GridViewUpdateItem>>;
    using AnimatorItems = std::vector<std::shared_ptr<GridViewAnimatorItem>>;

    // The grid view owns its batches, so the back-link never outlives it.
    GridViewUpdateInfo(const std::shared_ptr<GridViewData>& oldGridData, GridView* gridView);

    void updateItemsAtIndicesUpdateActionWithAnimation(
        const NSIndexSet& indices, long action, GridViewItemAnimation animation);
    void moveItemAtIndexToIndexWithAnimation(NSUInteger index, NSUInteger newIndex, GridViewItemAnimation animation);
    UpdateItems* updateItemArrayForAction(long action);

    NSUInteger numberOfUpdates() const;
    NSUInteger numberOfItemsAfterUpdates() const;
    NSUInteger numberOfInsertItems() const { return m_insertItems.size(); }
    NSUInteger numberOfDeleteItems() const { return m_deleteItems.size(); }
    UpdateItems sortedInsertItems() const { return m_insertItems; }
    UpdateItems sortedDeleteItems() const { return m_deleteItems; }
    UpdateItems sortedMoveItems() const { return m_moveItems; }
    UpdateItems sortedReloadItems() const { return m_reloadItems; }

    void cleanupUpdateItems();
    void updateNewGridDataAndCreateMappingTables();
    NSUInteger newIndexForOldIndex(NSUInteger oldIndex) const;
    NSUInteger oldIndexForNewIndex(NSUInteger newIndex) const;
    const std::vector<NSUInteger>& oldToNewIndexMap() const { return m_oldToNewIndexMap; }
    const std::vector<NSUInteger>& newToOldIndexMap() const { return m_newToOldIndexMap; }
    const NSIndexSet& insertedIndices() const { return m_insertedIndices; }
    const NSIndexSet& deletedIndices() const { return m_deletedIndices; }
    const NSIndexSet& reloadedIndices() const { return m_reloadedIndices; }
    std::shared_ptr<GridViewData> newGridViewData() const { return m_newGridData; }
    std::shared_ptr<GridViewData> oldGridViewData() const { return m_oldGridData; }

    // Runs inside the batch's view animation: what it sets on views animates.
    AnimatorItems animateCellUpdatesUsingVisibleContentRect(CGRect visibleRect);
    // A picture standing in for the deleted cell (null for no animation).
    std::shared_ptr<UIView> animateDeletionForCellWithAnimation(
        const std::shared_ptr<UIView>& cell, GridViewItemAnimation animation);
    void animateInsertionForCellWithAnimation(
        const std::shared_ptr<GridViewCell>& cell, GridViewItemAnimation animation);
    // The picture of the old view that fades out (null for no animation).
    std::shared_ptr<UIView> animateReloadForCellOriginalCellWithAnimation(const std::shared_ptr<GridViewCell>& cell,
        const std::shared_ptr<UIView>& original, GridViewItemAnimation animation);
    static std::shared_ptr<UIImageView> _imageViewForView(UIView& view);

private:
    GridView* m_gridView;
    UpdateItems m_insertItems;
    UpdateItems m_deleteItems;
    UpdateItems m_moveItems;
    UpdateItems m_reloadItems;
    NSIndexSet m_insertedIndices;
    NSIndexSet m_deletedIndices;
    NSIndexSet m_oldMovedIndices;
    NSIndexSet m_newMovedIndices;
    NSIndexSet m_reloadedIndices;
    std::shared_ptr<GridViewData> m_oldGridData;
    std::shared_ptr<GridViewData> m_newGridData;
    std::vector<NSUInteger> m_oldToNewIndexMap;
    std::vector<NSUInteger> m_newToOldIndexMap;
};
