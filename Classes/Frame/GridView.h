#pragma once

// The scrolling grid of the catalogue's product grid, a product's related
// documents and the sales library's file grid: a flat list of items in rows
// of equal slots, laid out by its `GridViewData`.
//
// Only the items whose slots meet the visible rectangle have cells. Each
// layout pass (the scroll view lays out whenever its offset moves) refreshes
// that set: cells whose items left go to reuse sets keyed by identifier, and
// the data source is asked for cells of the items that came in, which it
// takes from `dequeueReusableCellWithIdentifier`. So a grid of any length
// holds the cells of one screen and a small pool.
//
// Touches become highlight and selection: touch-down marks the item pending
// and highlights it on the next turn of the run loop; a move that no gesture
// recogniser owns cancels both; the lift selects on the next turn. Selections
// are reported to the delegate and by "GridViewSelectionDidChangeNotification".
//
// Items can be inserted, deleted, moved and reloaded in batches
// (`beginUpdates` ... `endUpdates`); a batch maps old indices to new ones and
// animates the cells to their new slots in 0.3 seconds (GridViewUpdateInfo).

#include "Classes/Frame/GridViewData.h"
#include "Platform/Foundation/NSIndexSet.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIScrollView.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GridView;
class GridViewCell;
class GridViewUpdateInfo;
class GridViewAnimatorItem;
class UIColor;
class UIGestureRecognizer;

inline constexpr const char* GridViewSelectionDidChangeNotification = "GridViewSelectionDidChangeNotification";

enum GridViewScrollPosition : long {
    GridViewScrollPositionNone = 0,
    GridViewScrollPositionTop = 1,
    GridViewScrollPositionMiddle = 2,
    GridViewScrollPositionBottom = 3,
};

enum GridViewItemAnimation : long {
    GridViewItemAnimationFade = 0,
    GridViewItemAnimationRight = 1,
    GridViewItemAnimationLeft = 2,
    GridViewItemAnimationTop = 3,
    GridViewItemAnimationBottom = 4,
    GridViewItemAnimationNone = 5,
    GridViewItemAnimationMiddle = 6,
};

class GridViewDataSource {
public:
    virtual ~GridViewDataSource() = default;
    virtual NSUInteger numberOfItemsInGridView(GridView& gridView) = 0;
    // A cell from `dequeueReusableCellWithIdentifier`, or a new one when that gives none.
    virtual std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& gridView, NSUInteger index) = 0;
    // The desired slot size, taken at every reload; nullopt when the data source has none.
    virtual std::optional<CGSize> portraitGridCellSizeForGridView(GridView& gridView) { return std::nullopt; }
};

// Every operation is optional; the ones whose answer matters say "none" by default.
class GridViewDelegate : public UIScrollViewDelegate {
public:
    virtual void gridViewWillDisplayCellForItemAtIndex(GridView&, GridViewCell&, NSUInteger index) { }
    // The index to select in place of `index`.
    virtual std::optional<NSUInteger> gridViewWillSelectItemAtIndex(GridView&, NSUInteger index)
    {
        return std::nullopt;
    }
    virtual std::optional<NSUInteger> gridViewWillSelectItemAtIndexNumFingersTouch(
        GridView&, NSUInteger index, NSUInteger fingers)
    {
        return std::nullopt;
    }
    virtual std::optional<NSUInteger> gridViewWillDeselectItemAtIndex(GridView&, NSUInteger index)
    {
        return std::nullopt;
    }
    virtual void gridViewDidSelectItemAtIndex(GridView&, NSUInteger index) { }
    virtual void gridViewDidSelectItemAtIndexNumFingersTouch(GridView&, NSUInteger index, NSUInteger fingers) { }
    virtual void gridViewDidDeselectItemAtIndex(GridView&, NSUInteger index) { }
    virtual void gridViewDidEndUpdateAnimation(GridView&) { }
    virtual void gridViewGestureRecognizerActivatedForItemAtIndex(GridView&, UIGestureRecognizer&, NSUInteger) { }
    // The final frame of a cell, given the frame computed for it and its slot.
    virtual std::optional<CGRect> gridViewAdjustCellFrameWithinGridCellFrame(
        GridView&, CGRect cellFrame, CGRect gridCellFrame)
    {
        return std::nullopt;
    }
    virtual void gridViewCommitEditingStyleForRowAtIndex(GridView&, long editingStyle, NSUInteger index) { }
};

// The tapped item and the number of fingers of the tap, handed from the lift
// to the deferred selection.
struct UserSelectItemIndexParams {
    NSUInteger indexNum = NSNotFound;
    NSUInteger numFingers = 1;
};

class GridView : public UIScrollView {
public:
    explicit GridView(CGRect frame = CGRectZero);
    ~GridView() override;

    std::shared_ptr<GridView> sharedGrid() { return protect<GridView>(); }

    std::shared_ptr<GridViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<GridViewDataSource> dataSource) { m_dataSource = std::move(dataSource); }
    // The scroll view's delegate when it is a grid view delegate.
    std::shared_ptr<GridViewDelegate> delegate() const;
    void setDelegate(std::weak_ptr<GridViewDelegate> delegate);

    void reloadData();

    GridViewLayoutDirection layoutDirection() const { return m_gridData->layoutDirection(); }
    void setLayoutDirection(GridViewLayoutDirection direction) { m_gridData->setLayoutDirection(direction); }
    NSUInteger numberOfItems() const { return m_gridData->numberOfItems(); }
    NSUInteger numberOfColumns();
    NSUInteger numberOfRows();
    CGSize gridCellSize() const { return m_gridData->actualCellSize(); }

    bool allowsSelection() const { return m_allowsSelection; }
    void setAllowsSelection(bool on) { m_allowsSelection = on; }
    bool requiresSelection() const { return m_requiresSelection; }
    void setRequiresSelection(bool on) { m_requiresSelection = on; }
    bool backgroundViewExtendsUp() const { return m_backgroundViewExtendsUp; }
    void setBackgroundViewExtendsUp(bool on) { m_backgroundViewExtendsUp = on; }
    bool backgroundViewExtendsDown() const { return m_backgroundViewExtendsDown; }
    void setBackgroundViewExtendsDown(bool on) { m_backgroundViewExtendsDown = on; }
    bool contentSizeGrowsToFillBounds() const { return m_contentSizeFillsBounds; }
    void setContentSizeGrowsToFillBounds(bool on) { m_contentSizeFillsBounds = on; }
    bool resizesCellWidthToFit() const { return m_resizesCellWidths; }
    void setResizesCellWidthToFit(bool on);
    bool usesPagedHorizontalScrolling() const { return m_usesPagedHorizontalScrolling; }
    void setUsesPagedHorizontalScrolling(bool on);
    bool clipsContentWidthToBounds() const { return layoutDirection() == GridViewLayoutDirectionVertical; }
    void setClipsContentWidthToBounds(bool on)
    {
        setLayoutDirection(on ? GridViewLayoutDirectionVertical : GridViewLayoutDirectionHorizontal);
    }

    unsigned separatorStyle() const { return m_separatorStyle; }
    void setSeparatorStyle(unsigned style);
    std::shared_ptr<UIColor> separatorColor() const { return m_separatorColor; }
    void setSeparatorColor(std::shared_ptr<UIColor> color);

    CGFloat leftContentInset() const { return m_gridData->leftPadding(); }
    void setLeftContentInset(CGFloat inset) { m_gridData->setLeftPadding(inset); }
    CGFloat rightContentInset() const { return m_gridData->rightPadding(); }
    void setRightContentInset(CGFloat inset) { m_gridData->setRightPadding(inset); }

    std::shared_ptr<UIView> gridHeaderView() const { return m_headerView; }
    void setGridHeaderView(std::shared_ptr<UIView> view);
    std::shared_ptr<UIView> gridFooterView() const { return m_footerView; }
    void setGridFooterView(std::shared_ptr<UIView> view);
    std::shared_ptr<UIView> backgroundView() const { return m_backgroundView; }
    void setBackgroundView(std::shared_ptr<UIView> view);

    bool isEditing() const { return m_editing; }
    void setEditing(bool editing) { setEditingAnimated(editing, false); }
    void setEditingAnimated(bool editing, bool animated);

    std::shared_ptr<GridViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
    void enqueueReusableCells(const std::vector<std::shared_ptr<GridViewCell>>& cells);
    // The cells waiting for reuse, over all identifiers.
    size_t numberOfReusableCells() const;

    std::shared_ptr<GridViewCell> cellForItemAtIndex(NSUInteger index) const;
    NSUInteger indexForItemAtPoint(CGPoint point) const { return m_gridData->itemIndexForPoint(point); }
    std::shared_ptr<GridViewCell> cellForItemAtPoint(CGPoint point) const
    {
        return cellForItemAtIndex(indexForItemAtPoint(point));
    }
    NSUInteger indexForCell(const std::shared_ptr<GridViewCell>& cell) const;
    CGRect rectForItemAtIndex(NSUInteger index) const;
    std::vector<std::shared_ptr<GridViewCell>> visibleCells() const { return m_visibleCells; }
    NSIndexSet visibleCellIndices() const { return NSIndexSet::indexSetWithIndexesInRange(m_visibleIndices); }

    void scrollToItemAtIndexAtScrollPositionAnimated(NSUInteger index, GridViewScrollPosition position, bool animated);
    bool isRectVisible(CGRect rect) const { return CGRectIntersectsRect(rect, bounds()); }
    // The scroll view's, refreshing the visible cells at once when not animated.
    void setContentOffsetAnimated(CGPoint offset, bool animated);

    NSUInteger indexOfSelectedItem() const { return m_selectedIndex; }
    void selectItemAtIndexAnimatedScrollPosition(NSUInteger index, bool animated, GridViewScrollPosition position);
    void deselectItemAtIndexAnimated(NSUInteger index, bool animated);
    void highlightItemAtIndexAnimatedScrollPosition(NSUInteger index, bool animated, GridViewScrollPosition position);
    void unhighlightItemAtIndexAnimated(NSUInteger index, bool animated);
    const NSIndexSet& highlightedIndices() const { return m_highlightedIndices; }

    void beginUpdates();
    void endUpdates();
    void insertItemsAtIndicesWithAnimation(const NSIndexSet& indices, GridViewItemAnimation animation);
    void deleteItemsAtIndicesWithAnimation(const NSIndexSet& indices, GridViewItemAnimation animation);
    void reloadItemsAtIndicesWithAnimation(const NSIndexSet& indices, GridViewItemAnimation animation);
    void moveItemAtIndexToIndexWithAnimation(NSUInteger index, NSUInteger newIndex, GridViewItemAnimation animation);
    bool isAnimatingUpdates() const { return m_animationCount > 0; }

    void viewWillRotateToInterfaceOrientation(UIInterfaceOrientation) { }
    void viewDidRotate();

    // UIView and UIScrollView.
    void layoutSubviews() override;
    void setFrame(CGRect frame) override;
    void setBounds(CGRect bounds) override;
    void setContentSize(CGSize size) override;
    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event) override;

    // What the update batches use.
    const std::shared_ptr<GridViewData>& gridData() const { return m_gridData; }
    void updateVisibleGridCellsNow();
    void layoutAllCells();
    std::shared_ptr<GridViewCell> createPreparedCellForIndex(NSUInteger index);
    std::shared_ptr<GridViewCell> createPreparedCellForIndexUsingGridData(
        NSUInteger index, const std::shared_ptr<GridViewData>& data);
    void doAddVisibleCell(const std::shared_ptr<GridViewCell>& cell);
    void delegateWillDisplayCellAtIndex(const std::shared_ptr<GridViewCell>& cell, NSUInteger index);
    CGRect fixCellFrameForGridRect(CGRect cellFrame, CGRect gridRect) const;
    CGRect gridViewVisibleBounds() const
    {
        return CGRectMake(contentOffset().x, contentOffset().y, bounds().size.width, bounds().size.height);
    }
    void updateContentRectWithOldMaxLocationGridSize(CGPoint oldMaxLocation, CGSize gridSize);
    void updateGridViewBoundsForNewGridData(const std::shared_ptr<GridViewData>& data);
    // The visible list's position for an item, by the visible range (NSNotFound-sized when before it).
    NSUInteger visibleCellListIndexForItemIndex(NSUInteger index) const { return index - m_visibleIndices.location; }
    // The visible cell at the list position of an item, as the list stands.
    std::shared_ptr<GridViewCell> visibleCellAtListPositionForItemIndex(NSUInteger index) const;
    void sortVisibleCellList();
    const std::vector<std::shared_ptr<GridViewAnimatorItem>>& animatingCells() const { return m_animatingCells; }
    void setAnimatingCells(std::vector<std::shared_ptr<GridViewAnimatorItem>> items);
    const NSIndexSet& animatingIndices() const { return m_animatingIndices; }
    void setAnimatingIndices(const NSIndexSet& indices) { m_animatingIndices = indices; }
    void insertVisibleCellAtIndex(const std::shared_ptr<GridViewCell>& cell, NSUInteger position);
    void deleteVisibleCellAtIndexAppendingNewCell(NSUInteger position, const std::shared_ptr<GridViewCell>& cell);
    void ensureCellInVisibleList(const std::shared_ptr<GridViewCell>& cell);
    // Puts a cell, or a picture standing in for one, just above the background view.
    void insertCellView(const std::shared_ptr<UIView>& view);

private:
    void handleGridViewBoundsChangedToNewBounds(CGRect oldBounds, CGRect newBounds);
    void layoutCellsInVisibleCellRange(NSRange range);
    void selectItemAtIndex(
        NSUInteger index, bool animated, GridViewScrollPosition position, bool notify, NSUInteger fingers);
    void deselectItemAtIndex(NSUInteger index, bool animated, bool notify);
    void gridViewDeferredTouchesBegan(NSUInteger index);
    void userSelectItemAtIndex(UserSelectItemIndexParams params);
    bool itemMaySelectThroughView(const std::shared_ptr<UIView>& view) const;
    bool gestureRecognizerHandlesTouches(const UITouchSet& touches) const;
    void setupUpdateAnimations();
    void endUpdateAnimations();
    void fixCellsFromAnimation();
    // Records one change in the open batch, or in a batch of its own.
    template <typename Record> void recordUpdate(Record&& record);

    std::weak_ptr<GridViewDataSource> m_dataSource;
    std::shared_ptr<GridViewData> m_gridData;
    std::vector<std::shared_ptr<GridViewUpdateInfo>> m_updateInfoStack;
    long m_animationCount = 0;
    NSRange m_visibleIndices {};
    std::vector<std::shared_ptr<GridViewCell>> m_visibleCells;
    std::map<std::string, std::vector<std::shared_ptr<GridViewCell>>> m_reusableGridCells;
    std::vector<std::shared_ptr<GridViewAnimatorItem>> m_animatingCells;
    NSIndexSet m_animatingIndices;
    NSIndexSet m_highlightedIndices;
    std::weak_ptr<UIView> m_touchedContentView;
    std::shared_ptr<UIView> m_backgroundView;
    std::shared_ptr<UIColor> m_separatorColor;
    std::shared_ptr<UIView> m_headerView;
    std::shared_ptr<UIView> m_footerView;
    long m_reloadingSuspendedCount = 0;
    long m_updateCount = 0;
    NSUInteger m_selectedIndex = NSNotFound;
    NSUInteger m_pendingSelectionIndex = NSNotFound;

    bool m_resizesCellWidths = false;
    NSUInteger m_numColumns = 0;
    unsigned m_separatorStyle = 1;
    bool m_allowsSelection = true;
    bool m_backgroundViewExtendsUp = false;
    bool m_backgroundViewExtendsDown = false;
    bool m_usesPagedHorizontalScrolling = false;
    bool m_ignoreTouchSelect = false;
    bool m_allCellsNeedLayout = false;
    bool m_requiresSelection = false;
    bool m_contentSizeFillsBounds = true;
    bool m_editing = false;
};
