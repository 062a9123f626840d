#include "Classes/Frame/GridView.h"

#include "Classes/Frame/GridViewAnimatorItem.h"
#include "Classes/Frame/GridViewCell.h"
#include "Classes/Frame/GridViewUpdateInfo.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UIGestureRecognizer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr CGFloat kBackgroundExtension = 500;
constexpr double kUpdateAnimationDuration = 0.3;
const char* const kDeferredTouchesBegan = "_gridViewDeferredTouchesBegan:";
const char* const kUserSelectItem = "_userSelectItemAtIndex:";

}  // namespace

GridView::GridView(CGRect frame)
    : UIScrollView(frame)
{
    m_gridData = GridViewData::initWithGridView(this);
    m_gridData->setDesiredCellSize(CGSizeMake(96, 128));
    setClipsToBounds(true);
    m_separatorColor = UIColor::colorWithWhiteAlpha(0.85f, 1.0f);
    setCanCancelContentTouches(true);
    m_numColumns = m_gridData->numberOfItemsPerRow();
}

GridView::~GridView() { PerformRequests::cancelPreviousPerformRequests(this); }

std::shared_ptr<GridViewDelegate> GridView::delegate() const
{
    return std::dynamic_pointer_cast<GridViewDelegate>(UIScrollView::delegate());
}

void GridView::setDelegate(std::weak_ptr<GridViewDelegate> delegate)
{
    UIScrollView::setDelegate(std::weak_ptr<UIScrollViewDelegate>(delegate.lock()));
}

NSUInteger GridView::numberOfColumns()
{
    if (m_numColumns == 0)
        m_numColumns = 1;
    return m_numColumns;
}

NSUInteger GridView::numberOfRows() { return numberOfItems() / numberOfColumns(); }

void GridView::setResizesCellWidthToFit(bool on)
{
    if (on == m_resizesCellWidths)
        return;
    m_resizesCellWidths = on;
    setNeedsLayout();
}

void GridView::setUsesPagedHorizontalScrolling(bool on)
{
    if (on == m_usesPagedHorizontalScrolling)
        return;
    m_usesPagedHorizontalScrolling = on;
    setNeedsLayout();
}

void GridView::setSeparatorStyle(unsigned style)
{
    if (style == m_separatorStyle)
        return;
    m_separatorStyle = style;
    for (auto& cell : m_visibleCells)
        cell->setSeparatorStyle(style);
    setNeedsLayout();
}

void GridView::setSeparatorColor(std::shared_ptr<UIColor> color)
{
    if (color == m_separatorColor)
        return;
    m_separatorColor = std::move(color);
    for (auto& cell : m_visibleCells)
        cell->setSeparatorColor(m_separatorColor);
}

void GridView::setGridHeaderView(std::shared_ptr<UIView> view)
{
    if (view == m_headerView)
        return;
    if (m_headerView)
        m_headerView->removeFromSuperview();
    m_headerView = std::move(view);
    if (m_headerView)
        addSubview(m_headerView);
    m_gridData->setTopPadding(m_headerView ? m_headerView->frame().size.height : 0);
    setNeedsLayout();
}

void GridView::setGridFooterView(std::shared_ptr<UIView> view)
{
    if (view == m_footerView)
        return;
    if (m_footerView)
        m_footerView->removeFromSuperview();
    m_footerView = std::move(view);
    if (m_footerView)
        addSubview(m_footerView);
    m_gridData->setBottomPadding(m_footerView ? m_footerView->frame().size.height : 0);
    setNeedsLayout();
}

void GridView::setBackgroundView(std::shared_ptr<UIView> view)
{
    if (view == m_backgroundView)
        return;
    if (m_backgroundView)
        m_backgroundView->removeFromSuperview();
    m_backgroundView = std::move(view);
    if (!m_backgroundView)
        return;
    m_backgroundView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    CGRect b = bounds();
    CGFloat up = m_backgroundViewExtendsUp ? kBackgroundExtension : 0;
    CGFloat down = m_backgroundViewExtendsDown ? kBackgroundExtension : 0;
    m_backgroundView->setFrame(CGRectMake(0, -up, b.size.width, b.size.height + up + down));
    insertSubviewAtIndex(m_backgroundView, 0);
}

void GridView::insertCellView(const std::shared_ptr<UIView>& view)
{
    if (m_backgroundView && m_backgroundView->superview().get() == this)
        insertSubviewAboveSubview(view, m_backgroundView);
    else
        insertSubviewAtIndex(view, 0);
}

void GridView::setEditingAnimated(bool editing, bool animated)
{
    m_editing = editing;
    for (auto& cell : m_visibleCells)
        cell->setEditingAnimated(editing, animated);
}

// Reuse

std::shared_ptr<GridViewCell> GridView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto it = m_reusableGridCells.find(identifier);
    if (it == m_reusableGridCells.end() || it->second.empty())
        return nullptr;
    auto cell = it->second.back();
    cell->prepareForReuse();
    it->second.pop_back();
    return cell;
}

void GridView::enqueueReusableCells(const std::vector<std::shared_ptr<GridViewCell>>& cells)
{
    for (auto& cell : cells) {
        auto it = m_reusableGridCells.find(cell->reuseIdentifier());
        if (it == m_reusableGridCells.end()) {
            it = m_reusableGridCells.emplace(cell->reuseIdentifier(), std::vector<std::shared_ptr<GridViewCell>>())
                     .first;
            it->second.reserve(32);
        }
        if (std::find(it->second.begin(), it->second.end(), cell) != it->second.end()) {
            NSLog("Warning: tried to add duplicate gridview cell");
            continue;
        }
        it->second.push_back(cell);
    }
}

size_t GridView::numberOfReusableCells() const
{
    size_t n = 0;
    for (auto& [identifier, cells] : m_reusableGridCells)
        n += cells.size();
    return n;
}

// Finding cells

std::shared_ptr<GridViewCell> GridView::visibleCellAtListPositionForItemIndex(NSUInteger index) const
{
    NSUInteger position = visibleCellListIndexForItemIndex(index);
    return position < m_visibleCells.size() ? m_visibleCells[position] : nullptr;
}

std::shared_ptr<GridViewCell> GridView::cellForItemAtIndex(NSUInteger index) const
{
    if (index == NSNotFound)
        return nullptr;
    // The list holds the visible items in order; when a data source gave no
    // cell for some item, later positions move up, so the cell is checked.
    auto cell = visibleCellAtListPositionForItemIndex(index);
    if (cell && cell->displayIndex() == index)
        return cell;
    for (auto& c : m_visibleCells)
        if (c->displayIndex() == index)
            return c;
    return nullptr;
}

NSUInteger GridView::indexForCell(const std::shared_ptr<GridViewCell>& cell) const
{
    auto it = std::find(m_visibleCells.begin(), m_visibleCells.end(), cell);
    return it == m_visibleCells.end() ? NSNotFound : cell->displayIndex();
}

CGRect GridView::rectForItemAtIndex(NSUInteger index) const
{
    if (auto cell = cellForItemAtIndex(index))
        return cell->frame();
    CGRect slot = m_gridData->cellRectAtIndex(index);
    // A zero-size rectangle at the slot's centre.
    return fixCellFrameForGridRect(CGRectZero, slot);
}

// Loading

void GridView::reloadData()
{
    if (m_reloadingSuspendedCount > 0)
        return;
    auto keep = sharedGrid();
    auto source = dataSource();
    if (source) {
        if (auto size = source->portraitGridCellSizeForGridView(*this)) {
            m_gridData->setDesiredCellSize(*size);
            m_numColumns = m_gridData->numberOfItemsPerRow();
        }
    }
    m_gridData->setNumberOfItems(source ? source->numberOfItemsInGridView(*this) : 0);
    setContentSize(m_gridData->sizeForEntireGrid());

    NSUInteger count = m_gridData->numberOfItems();
    if (count - m_visibleIndices.length < m_visibleIndices.location)
        m_visibleIndices.location = count - m_visibleIndices.length;
    m_visibleIndices.length = 0;

    for (auto& cell : m_visibleCells)
        cell->removeFromSuperview();
    enqueueReusableCells(m_visibleCells);
    m_visibleCells.clear();

    setNeedsLayout();
    m_allCellsNeedLayout = true;
}

void GridView::viewDidRotate()
{
    if (m_reloadingSuspendedCount <= 0)
        return;
    if (--m_reloadingSuspendedCount == 0)
        updateVisibleGridCellsNow();
}

// Geometry

void GridView::setContentSize(CGSize size)
{
    CGRect b = bounds();
    CGFloat h = size.height;
    if (m_contentSizeFillsBounds && h < b.size.height)
        h = b.size.height;
    if (m_footerView) {
        CGRect status = UIApplication::sharedApplication()->statusBarFrame();
        CGFloat extra = std::min(status.size.width, status.size.height) - 20;
        CGFloat footer = m_footerView->frame().size.height;
        CGFloat minimum = extra + b.size.height + footer;
        if (h < footer + minimum)
            h = minimum;
    }
    h = std::max(h, frame().size.height);
    CGFloat oldWidth = contentSize().width;
    UIScrollView::setContentSize(CGSizeMake(size.width, h));
    // The slots are fitted to the view's own bounds; the content may be
    // wider than they are (a slot in the right inset).
    if (size.width != oldWidth)
        m_gridData->gridViewDidChangeBoundsSize(b.size);
    b = bounds();
    if (h < CGRectGetMaxY(b)) {
        CGFloat y = std::max<CGFloat>(0, b.origin.y - (CGRectGetMaxY(b) - h));
        UIScrollView::setContentOffset(CGPointMake(b.origin.x, y));
    }
}

void GridView::setFrame(CGRect frame)
{
    CGRect old = bounds();
    UIScrollView::setFrame(frame);
    if (!m_gridData)
        return;
    CGRect now = bounds();
    if (now.size.width != old.size.width)
        handleGridViewBoundsChangedToNewBounds(old, now);
}

void GridView::setBounds(CGRect newBounds)
{
    CGRect old = bounds();
    UIScrollView::setBounds(newBounds);
    if (!m_gridData)
        return;
    CGRect now = bounds();
    if (now.size.width != old.size.width || now.size.height != old.size.height)
        handleGridViewBoundsChangedToNewBounds(old, now);
}

void GridView::handleGridViewBoundsChangedToNewBounds(CGRect oldBounds, CGRect newBounds)
{
    auto keep = sharedGrid();
    CGSize oldSize = m_gridData->sizeForEntireGrid();
    bool wasAtBottom = oldSize.height != 0 && CGRectGetMaxY(oldBounds) == oldSize.height;
    m_gridData->gridViewDidChangeBoundsSize(newBounds.size);
    m_numColumns = m_gridData->numberOfItemsPerRow();
    CGSize newSize = m_gridData->sizeForEntireGrid();
    updateContentRectWithOldMaxLocationGridSize(
        CGPointMake(CGRectGetMaxX(oldBounds), CGRectGetMaxY(oldBounds)), newSize);
    if (wasAtBottom && !(oldBounds.origin == CGPointZero) && newSize.height > oldSize.height) {
        CGRect b = bounds();
        if (CGRectGetMaxY(b) < newSize.height)
            UIScrollView::setContentOffset(CGPointMake(b.origin.x, b.origin.y + newSize.height - oldSize.height));
    }
    updateVisibleGridCellsNow();
    m_allCellsNeedLayout = true;
}

void GridView::updateContentRectWithOldMaxLocationGridSize(CGPoint oldMaxLocation, CGSize gridSize)
{
    if (contentSize() == gridSize)
        return;
    setContentSize(gridSize);
    CGPoint o = contentOffset();
    CGSize b = bounds().size, content = contentSize();
    if (gridSize.height < b.height + o.y) {
        o.y = std::max<CGFloat>(0, content.height - b.height);
    } else if (!(o == CGPointZero) && m_gridData->pointIsInLastRow(oldMaxLocation)) {
        if (m_gridData->layoutDirection() == GridViewLayoutDirectionHorizontal)
            o.x = std::max<CGFloat>(0, content.width - b.width);
        else
            o.y = std::max<CGFloat>(0, content.height - b.height);
    }
    UIScrollView::setContentOffset(o);
}

void GridView::updateGridViewBoundsForNewGridData(const std::shared_ptr<GridViewData>& data)
{
    CGRect b = bounds();
    updateContentRectWithOldMaxLocationGridSize(
        CGPointMake(CGRectGetMaxX(b), CGRectGetMaxY(b)), data->sizeForEntireGrid());
}

void GridView::setContentOffsetAnimated(CGPoint offset, bool animated)
{
    UIScrollView::setContentOffsetAnimated(offset, animated);
    if (!animated)
        updateVisibleGridCellsNow();
}

void GridView::scrollToItemAtIndexAtScrollPositionAnimated(
    NSUInteger index, GridViewScrollPosition position, bool animated)
{
    CGRect slot = m_gridData->cellRectAtIndex(index);
    CGRect target = bounds();
    switch (position) {
    case GridViewScrollPositionTop:
        target.origin.y = slot.origin.y;
        break;
    case GridViewScrollPositionMiddle:
        target.origin.y
            = std::max<CGFloat>(0, slot.origin.y - std::ceil((target.size.height - slot.size.height) * 0.5f));
        break;
    case GridViewScrollPositionBottom:
        target.origin.y = std::max<CGFloat>(0, std::floor(slot.origin.y - (target.size.height - slot.size.height)));
        break;
    default:
        target = slot;
        break;
    }
    scrollRectToVisibleAnimated(target, animated);
    if (!animated)
        updateVisibleGridCellsNow();
}

// Layout

void GridView::layoutSubviews()
{
    auto keep = sharedGrid();
    UIScrollView::layoutSubviews();
    if (m_reloadingSuspendedCount == 0 && !CGRectIsEmpty(gridViewVisibleBounds()))
        updateVisibleGridCellsNow();
    if (m_allCellsNeedLayout) {
        m_allCellsNeedLayout = false;
        if (m_visibleIndices.length != 0)
            layoutAllCells();
    }

    CGRect b = bounds();
    CGFloat top = m_gridData->topPadding(), bottom = m_gridData->bottomPadding();
    if (m_backgroundView) {
        CGFloat slotHeight = m_gridData->actualCellSize().height;
        CGFloat minimum = contentSize().height - (top + bottom);
        NSUInteger items = m_gridData->numberOfItems(), perRow = m_gridData->numberOfItemsPerRow();
        CGFloat height = items != 0 && perRow != 0 ? slotHeight * static_cast<CGFloat>(items / perRow + 1) : slotHeight;
        // A slot of no height would never reach the minimum.
        while (slotHeight > 0 && height < minimum)
            height += slotHeight;
        m_backgroundView->setFrame(
            CGRectMake(0, m_backgroundViewExtendsUp ? top - kBackgroundExtension : top, b.size.width, height));
    }
    if (m_headerView)
        m_headerView->setFrame(CGRectMake(0, 0, b.size.width, m_headerView->frame().size.height));
    if (m_footerView) {
        CGFloat h = m_footerView->frame().size.height;
        m_footerView->setFrame(CGRectMake(0, contentSize().height - h, b.size.width, h));
        bringSubviewToFront(m_footerView);
    }
}

void GridView::updateVisibleGridCellsNow()
{
    if (m_reloadingSuspendedCount > 0)
        return;
    auto keep = sharedGrid();
    ++m_reloadingSuspendedCount;
    bool animationsWere = UIView::areAnimationsEnabled();
    UIView::setAnimationsEnabled(false);

    NSIndexSet newIndices = m_gridData->indicesOfCellsInRect(gridViewVisibleBounds());
    NSIndexSet current = NSIndexSet::indexSetWithIndexesInRange(m_visibleIndices);
    if (newIndices.count() == m_visibleCells.size() && newIndices.containsIndexes(current)) {
        UIView::setAnimationsEnabled(animationsWere);
        --m_reloadingSuspendedCount;
        return;
    }

    NSIndexSet removed, added;
    if (current.count() != 0) {
        removed = aq_indexesOutsideIndexSet(current, newIndices);
        added = aq_indexesOutsideIndexSet(newIndices, current);
    } else {
        removed = current;
        added = newIndices;
    }

    auto isAnimatorView = [this](const std::shared_ptr<GridViewCell>& cell) {
        return std::any_of(m_animatingCells.begin(), m_animatingCells.end(),
            [&cell](auto& item) { return item->animatingView() == cell; });
    };

    if (removed.count() != 0) {
        std::vector<std::shared_ptr<GridViewCell>> keepCells, reuse;
        keepCells.reserve(m_visibleCells.size());
        for (auto& cell : m_visibleCells) {
            if (!removed.containsIndex(cell->displayIndex())) {
                keepCells.push_back(cell);
                continue;
            }
            if (isAnimatorView(cell))
                continue;
            cell->removeFromSuperview();
            reuse.push_back(cell);
        }
        m_visibleCells = std::move(keepCells);
        enqueueReusableCells(reuse);
    }

    NSIndexSet animatedAdded = added;
    animatedAdded.removeIndexes(aq_indexesOutsideIndexSet(added, m_animatingIndices));
    if (animatedAdded.count() != 0) {
        for (auto& item : m_animatingCells) {
            if (item->index() == NSNotFound || !newIndices.containsIndex(item->index()))
                continue;
            if (auto cell = std::dynamic_pointer_cast<GridViewCell>(item->animatingView())) {
                if (std::find(m_visibleCells.begin(), m_visibleCells.end(), cell) == m_visibleCells.end())
                    doAddVisibleCell(cell);
            } else if (auto made = createPreparedCellForIndex(item->index())) {
                doAddVisibleCell(made);
                made->setHiddenForAnimation(true);
            }
        }
        added.removeIndexes(animatedAdded);
    }

    added.enumerateIndexesUsingBlock([this](NSUInteger i, bool&) {
        if (auto cell = createPreparedCellForIndex(i)) {
            doAddVisibleCell(cell);
            delegateWillDisplayCellAtIndex(cell, i);
        }
    });

    if (m_visibleCells.size() > newIndices.count()) {
        NSIndexSet seen;
        std::vector<std::shared_ptr<GridViewCell>> kept;
        for (auto& cell : m_visibleCells) {
            NSUInteger i = cell->displayIndex();
            bool animated = std::any_of(
                m_animatingCells.begin(), m_animatingCells.end(), [i](auto& item) { return item->index() == i; });
            if (!newIndices.containsIndex(i) && !animated) {
                NSLog("Cell for index %lu is still in visible list, removing...", i);
                cell->removeFromSuperview();
                continue;
            }
            if (seen.containsIndex(i)) {
                NSLog("Multiple cells with index %lu found-- removing duplicate...", i);
                cell->removeFromSuperview();
                continue;
            }
            seen.addIndex(i);
            kept.push_back(cell);
        }
        m_visibleCells = std::move(kept);
    }
    if (m_visibleCells.size() < newIndices.count()) {
        NSLog("Visible cell list is missing some items!");
        NSIndexSet shown;
        for (auto& cell : m_visibleCells)
            shown.addIndex(cell->displayIndex());
        NSIndexSet missing = aq_indexesOutsideIndexSet(newIndices, shown);
        NSLog("Got %lu missing indices", missing.count());
        missing.enumerateIndexesUsingBlock([this](NSUInteger i, bool&) {
            if (auto cell = createPreparedCellForIndex(i)) {
                doAddVisibleCell(cell);
                delegateWillDisplayCellAtIndex(cell, i);
            }
        });
    }

    m_visibleIndices = NSMakeRange(newIndices.count() ? newIndices.firstIndex() : 0, newIndices.count());
    layoutAllCells();

    UIView::setAnimationsEnabled(animationsWere);
    --m_reloadingSuspendedCount;
}

std::shared_ptr<GridViewCell> GridView::createPreparedCellForIndex(NSUInteger index)
{
    return createPreparedCellForIndexUsingGridData(index, m_gridData);
}

std::shared_ptr<GridViewCell> GridView::createPreparedCellForIndexUsingGridData(
    NSUInteger index, const std::shared_ptr<GridViewData>& data)
{
    auto source = dataSource();
    if (!source)
        return nullptr;
    UIView::setAnimationsEnabled(false);
    auto cell = source->gridViewCellForItemAtIndex(*this, index);
    if (cell) {
        cell->setSeparatorStyle(m_separatorStyle);
        cell->setEditing(m_editing);
        cell->setDisplayIndex(index);
        cell->setFrame(fixCellFrameForGridRect(cell->frame(), data->cellRectAtIndex(index)));
        insertCellView(cell);
    }
    UIView::setAnimationsEnabled(true);
    return cell;
}

void GridView::doAddVisibleCell(const std::shared_ptr<GridViewCell>& cell)
{
    m_visibleCells.push_back(cell);
    if (!cell->superview()) {
        NSLog("Visible cell not in gridview - adding");
        insertCellView(cell);
    }
}

void GridView::delegateWillDisplayCellAtIndex(const std::shared_ptr<GridViewCell>& cell, NSUInteger index)
{
    if (cell->separatorStyle() == GridViewCellSeparatorStyleSingleLine) {
        NSUInteger columns = numberOfColumns();
        bool lastColumn = index % columns == columns - 1;
        cell->setSeparatorEdge(lastColumn ? GridViewCellSeparatorEdgeBottom
                                          : GridViewCellSeparatorEdgeBottom | GridViewCellSeparatorEdgeRight);
    }
    if (auto d = delegate())
        d->gridViewWillDisplayCellForItemAtIndex(*this, *cell, index);
}

void GridView::sortVisibleCellList()
{
    std::stable_sort(m_visibleCells.begin(), m_visibleCells.end(),
        [](auto& a, auto& b) { return a->displayIndex() < b->displayIndex(); });
}

void GridView::layoutAllCells()
{
    sortVisibleCellList();
    layoutCellsInVisibleCellRange(NSMakeRange(0, m_visibleIndices.length));
}

void GridView::layoutCellsInVisibleCellRange(NSRange range)
{
    NSUInteger end = std::min<NSUInteger>(NSMaxRange(range), m_visibleCells.size());
    for (NSUInteger p = range.location; p < end; ++p) {
        auto cell = m_visibleCells[p];
        NSUInteger i = cell->displayIndex();
        if (m_animatingIndices.containsIndex(i))
            continue;
        cell->setFrame(fixCellFrameForGridRect(cell->frame(), m_gridData->cellRectAtIndex(i)));
        cell->setSelectedAnimated(i == m_selectedIndex, false);
    }
}

CGRect GridView::fixCellFrameForGridRect(CGRect cellFrame, CGRect gridRect) const
{
    CGRect f = cellFrame;
    if (m_resizesCellWidths) {
        f = gridRect;
    } else {
        f.size.width = std::min(f.size.width, gridRect.size.width);
        f.size.height = std::min(f.size.height, gridRect.size.height);
        f.origin.x = gridRect.origin.x + std::floor((gridRect.size.width - f.size.width) * 0.5f);
        f.origin.y = gridRect.origin.y + std::floor((gridRect.size.height - f.size.height) * 0.5f);
    }
    if (auto d = delegate())
        if (auto adjusted = d->gridViewAdjustCellFrameWithinGridCellFrame(const_cast<GridView&>(*this), f, gridRect))
            f = *adjusted;
    return f;
}

void GridView::setAnimatingCells(std::vector<std::shared_ptr<GridViewAnimatorItem>> items)
{
    m_animatingCells = std::move(items);
    m_animatingIndices.removeAllIndexes();
    for (auto& item : m_animatingCells)
        if (item->index() != NSNotFound)
            m_animatingIndices.addIndex(item->index());
}

void GridView::insertVisibleCellAtIndex(const std::shared_ptr<GridViewCell>& cell, NSUInteger position)
{
    if (position < m_visibleCells.size())
        m_visibleCells.insert(m_visibleCells.begin() + static_cast<long>(position), cell);
}

void GridView::deleteVisibleCellAtIndexAppendingNewCell(NSUInteger position, const std::shared_ptr<GridViewCell>& cell)
{
    if (position >= m_visibleCells.size())
        return;
    m_visibleCells.erase(m_visibleCells.begin() + static_cast<long>(position));
    if (cell)
        doAddVisibleCell(cell);
}

void GridView::ensureCellInVisibleList(const std::shared_ptr<GridViewCell>& cell)
{
    if (std::find(m_visibleCells.begin(), m_visibleCells.end(), cell) == m_visibleCells.end())
        m_visibleCells.push_back(cell);
    std::stable_sort(m_visibleCells.begin(), m_visibleCells.end(),
        [](auto& a, auto& b) { return a->compareOriginAgainstCell(*b) < 0; });
}

// Selection and highlight

void GridView::highlightItemAtIndexAnimatedScrollPosition(
    NSUInteger index, bool animated, GridViewScrollPosition position)
{
    if (index != NSNotFound && m_highlightedIndices.containsIndex(index)) {
        if (position != GridViewScrollPositionNone)
            scrollToItemAtIndexAtScrollPositionAnimated(index, position, animated);
        return;
    }
    if (index == NSNotFound) {
        for (NSUInteger i : m_highlightedIndices.allIndexes())
            if (auto cell = cellForItemAtIndex(i))
                cell->setHighlightedAnimated(false, animated);
        m_highlightedIndices.removeAllIndexes();
        return;
    }
    if (auto cell = cellForItemAtIndex(index))
        cell->setHighlightedAnimated(true, animated);
    m_highlightedIndices.addIndex(index);
    if (position != GridViewScrollPositionNone)
        scrollToItemAtIndexAtScrollPositionAnimated(index, position, animated);
}

void GridView::unhighlightItemAtIndexAnimated(NSUInteger index, bool animated)
{
    if (index == NSNotFound || !m_highlightedIndices.containsIndex(index))
        return;
    m_highlightedIndices.removeIndex(index);
    if (index == m_selectedIndex)
        return;
    if (auto cell = cellForItemAtIndex(index))
        cell->setHighlightedAnimated(false, animated);
}

void GridView::selectItemAtIndexAnimatedScrollPosition(NSUInteger index, bool animated, GridViewScrollPosition position)
{
    selectItemAtIndex(index, animated, position, false, 1);
}

void GridView::deselectItemAtIndexAnimated(NSUInteger index, bool animated)
{
    deselectItemAtIndex(index, animated, false);
}

void GridView::selectItemAtIndex(
    NSUInteger index, bool animated, GridViewScrollPosition position, bool notify, NSUInteger fingers)
{
    if (index == m_selectedIndex)
        return;
    auto keep = sharedGrid();
    if (m_selectedIndex != NSNotFound)
        deselectItemAtIndex(m_selectedIndex, animated, notify);
    if (!m_allowsSelection)
        return;
    auto d = notify ? delegate() : nullptr;
    if (d) {
        if (auto replaced = d->gridViewWillSelectItemAtIndex(*this, index))
            index = *replaced;
        if (auto replaced = d->gridViewWillSelectItemAtIndexNumFingersTouch(*this, index, fingers))
            index = *replaced;
    }
    m_selectedIndex = index;
    if (auto cell = cellForItemAtIndex(index))
        cell->setSelectedAnimated(true, animated);
    if (position != GridViewScrollPositionNone)
        scrollToItemAtIndexAtScrollPositionAnimated(index, position, animated);
    if (notify) {
        NSNotificationCenter::defaultCenter().postNotificationName(
            GridViewSelectionDidChangeNotification, Value(), Value(), keep);
        if (d) {
            d->gridViewDidSelectItemAtIndex(*this, index);
            d->gridViewDidSelectItemAtIndexNumFingersTouch(*this, index, fingers);
        }
    }
    m_highlightedIndices.removeIndex(index);
}

void GridView::deselectItemAtIndex(NSUInteger index, bool animated, bool notify)
{
    if (index != m_selectedIndex || index == NSNotFound)
        return;
    auto keep = sharedGrid();
    auto d = notify ? delegate() : nullptr;
    if (d)
        d->gridViewWillDeselectItemAtIndex(*this, index);
    m_selectedIndex = NSNotFound;
    if (auto cell = cellForItemAtIndex(index))
        cell->setSelectedAnimated(false, animated);
    if (notify) {
        if (d)
            d->gridViewDidDeselectItemAtIndex(*this, index);
        NSNotificationCenter::defaultCenter().postNotificationName(
            GridViewSelectionDidChangeNotification, Value(), Value(), keep);
    }
}

// Touches

bool GridView::itemMaySelectThroughView(const std::shared_ptr<UIView>& view) const
{
    if (!view || dynamic_cast<UIControl*>(view.get()))
        return false;
    if (dynamic_cast<GridViewCell*>(view.get()))
        return true;
    auto super = view->superview();
    return super && dynamic_cast<GridViewCell*>(super.get());
}

void GridView::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    auto keep = sharedGrid();
    m_ignoreTouchSelect = isDragging();
    if (!touches.empty() && m_pendingSelectionIndex == NSNotFound) {
        CGPoint p = touches.front()->locationInView(this);
        auto hit = UIView::hitTestWithEvent(p, event);
        m_touchedContentView = hit;
        if (hit.get() != this)
            highlightItemAtIndexAnimatedScrollPosition(NSNotFound, false, GridViewScrollPositionNone);
        if (itemMaySelectThroughView(hit)) {
            NSUInteger index = indexForItemAtPoint(p);
            if (index != NSNotFound && m_allowsSelection) {
                m_pendingSelectionIndex = index;
                std::weak_ptr<GridView> weak = keep;
                PerformRequests::performAfterDelay(
                    this, kDeferredTouchesBegan,
                    [weak, index] {
                        if (auto self = weak.lock())
                            self->gridViewDeferredTouchesBegan(index);
                    },
                    0);
            }
        }
    }
    UIScrollView::touchesBeganWithEvent(touches, event);
}

void GridView::gridViewDeferredTouchesBegan(NSUInteger index)
{
    if (isDragging() || m_ignoreTouchSelect)
        return;
    highlightItemAtIndexAnimatedScrollPosition(index, false, GridViewScrollPositionNone);
}

bool GridView::gestureRecognizerHandlesTouches(const UITouchSet& touches) const
{
    if (touches.empty())
        return false;
    const auto& touch = touches.front();
    CGPoint location = touch->locationInView(this);
    auto pinch = pinchGestureRecognizer();
    for (auto& weak : touch->gestureRecognizers()) {
        auto recognizer = weak.lock();
        // The scroll view's own zoom recogniser sees every touch; it is not a gesture of the items.
        if (!recognizer || recognizer == pinch)
            continue;
        auto state = recognizer->state();
        if (state != UIGestureRecognizerStatePossible && state != UIGestureRecognizerStateBegan
            && state != UIGestureRecognizerStateChanged)
            continue;
        if (recognizer->numberOfTouches() != touches.size())
            continue;
        for (unsigned long k = 0; k < recognizer->numberOfTouches(); ++k)
            if (recognizer->locationOfTouchInView(k, this) == location)
                return true;
    }
    return false;
}

void GridView::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    auto keep = sharedGrid();
    if (!m_ignoreTouchSelect && !gestureRecognizerHandlesTouches(touches)) {
        highlightItemAtIndexAnimatedScrollPosition(NSNotFound, false, GridViewScrollPositionNone);
        m_ignoreTouchSelect = true;
        m_touchedContentView.reset();
    }
    UIScrollView::touchesMovedWithEvent(touches, event);
}

void GridView::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    auto keep = sharedGrid();
    PerformRequests::cancelPreviousPerformRequests(this, kDeferredTouchesBegan);
    auto touched = m_touchedContentView.lock();
    m_touchedContentView.reset();
    UIScrollView::touchesEndedWithEvent(touches, event);
    if (auto again = m_touchedContentView.lock())
        touched = again;
    if (touched && !touched->superview())
        touched = nullptr;

    if (!isDragging() && !touches.empty()) {
        CGPoint p = touches.front()->locationInView(this);
        if (!touched || itemMaySelectThroughView(touched)) {
            NSUInteger index = indexForItemAtPoint(p);
            if (index != NSNotFound && index == m_pendingSelectionIndex && m_allowsSelection && !m_ignoreTouchSelect) {
                UserSelectItemIndexParams params { index, event ? event->allTouches().size() : touches.size() };
                std::weak_ptr<GridView> weak = keep;
                PerformRequests::performAfterDelay(
                    this, kUserSelectItem,
                    [weak, params] {
                        if (auto self = weak.lock())
                            self->userSelectItemAtIndex(params);
                    },
                    0);
            }
        }
    }
    if (m_pendingSelectionIndex != NSNotFound)
        unhighlightItemAtIndexAnimated(m_pendingSelectionIndex, false);
    m_pendingSelectionIndex = NSNotFound;
}

void GridView::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event)
{
    auto keep = sharedGrid();
    m_pendingSelectionIndex = NSNotFound;
    highlightItemAtIndexAnimatedScrollPosition(NSNotFound, false, GridViewScrollPositionNone);
    m_touchedContentView.reset();
    UIScrollView::touchesCancelledWithEvent(touches, event);
}

void GridView::userSelectItemAtIndex(UserSelectItemIndexParams params)
{
    auto keep = sharedGrid();
    unhighlightItemAtIndexAnimated(params.indexNum, false);
    auto cell = cellForItemAtIndex(params.indexNum);
    bool selected = cell ? cell->isSelected() : params.indexNum == m_selectedIndex;
    if (selected && !m_requiresSelection)
        deselectItemAtIndex(params.indexNum, false, true);
    else
        selectItemAtIndex(params.indexNum, false, GridViewScrollPositionNone, true, params.numFingers);
    m_pendingSelectionIndex = NSNotFound;
}

// Update batches

void GridView::setupUpdateAnimations()
{
    ++m_reloadingSuspendedCount;
    m_updateInfoStack.push_back(std::make_shared<GridViewUpdateInfo>(m_gridData, this));
}

void GridView::beginUpdates()
{
    if (++m_updateCount == 1)
        setupUpdateAnimations();
}

void GridView::endUpdates()
{
    if (--m_updateCount == 0)
        endUpdateAnimations();
}

template <typename Record> void GridView::recordUpdate(Record&& record)
{
    auto keep = sharedGrid();
    bool ownBatch = m_animationCount >= static_cast<long>(m_updateInfoStack.size());
    if (ownBatch)
        setupUpdateAnimations();
    record(*m_updateInfoStack.back());
    if (ownBatch)
        endUpdateAnimations();
}

void GridView::insertItemsAtIndicesWithAnimation(const NSIndexSet& indices, GridViewItemAnimation animation)
{
    recordUpdate([&](GridViewUpdateInfo& info) {
        info.updateItemsAtIndicesUpdateActionWithAnimation(indices, GridViewUpdateActionInsert, animation);
    });
}

void GridView::deleteItemsAtIndicesWithAnimation(const NSIndexSet& indices, GridViewItemAnimation animation)
{
    recordUpdate([&](GridViewUpdateInfo& info) {
        info.updateItemsAtIndicesUpdateActionWithAnimation(indices, GridViewUpdateActionDelete, animation);
    });
}

void GridView::reloadItemsAtIndicesWithAnimation(const NSIndexSet& indices, GridViewItemAnimation animation)
{
    recordUpdate([&](GridViewUpdateInfo& info) {
        info.updateItemsAtIndicesUpdateActionWithAnimation(indices, GridViewUpdateActionReload, animation);
    });
}

void GridView::moveItemAtIndexToIndexWithAnimation(
    NSUInteger index, NSUInteger newIndex, GridViewItemAnimation animation)
{
    recordUpdate(
        [&](GridViewUpdateInfo& info) { info.moveItemAtIndexToIndexWithAnimation(index, newIndex, animation); });
}

void GridView::endUpdateAnimations()
{
    if (m_updateInfoStack.empty())
        return;
    auto keep = sharedGrid();
    auto batch = m_updateInfoStack.back();
    auto leave = [this, &batch] {
        m_updateInfoStack.erase(
            std::remove(m_updateInfoStack.begin(), m_updateInfoStack.end(), batch), m_updateInfoStack.end());
    };
    if (batch->numberOfUpdates() == 0) {
        leave();
        --m_reloadingSuspendedCount;
        return;
    }
    auto source = dataSource();
    NSUInteger expected = batch->numberOfItemsAfterUpdates();
    NSUInteger actual = source ? source->numberOfItemsInGridView(*this) : 0;
    if (expected != actual) {
        leave();
        --m_reloadingSuspendedCount;
        // The changes do not describe the data any more: show the data as it is.
        NSLog("Invalid number of items in GridView: Started with %u, added %u, deleted %u. Expected %u items after "
              "changes, but got %u",
            m_gridData->numberOfItems(), batch->numberOfInsertItems(), batch->numberOfDeleteItems(), expected, actual);
        reloadData();
        return;
    }
    batch->cleanupUpdateItems();
    ++m_animationCount;
    std::weak_ptr<GridView> weak = keep;
    UIView::animateWithDuration(
        kUpdateAnimationDuration, 0, 0,
        [this, batch] {
            setAnimatingCells(batch->animateCellUpdatesUsingVisibleContentRect(gridViewVisibleBounds()));
            m_gridData = batch->newGridViewData();
            if (m_selectedIndex != NSNotFound)
                m_selectedIndex = batch->newIndexForOldIndex(m_selectedIndex);
            --m_reloadingSuspendedCount;
        },
        [weak, batch](bool) {
            auto self = weak.lock();
            if (!self)
                return;
            self->fixCellsFromAnimation();
            auto& stack = self->m_updateInfoStack;
            stack.erase(std::remove(stack.begin(), stack.end(), batch), stack.end());
            --self->m_animationCount;
            if (auto d = self->delegate())
                d->gridViewDidEndUpdateAnimation(*self);
        });
}

void GridView::fixCellsFromAnimation()
{
    for (auto& cell : m_visibleCells) {
        if (!cell->hiddenForAnimation())
            continue;
        cell->setHiddenForAnimation(false);
        delegateWillDisplayCellAtIndex(cell, cell->displayIndex());
        cell->setHidden(false);
    }
    CGRect b = bounds();
    NSIndexSet shown = m_gridData->indicesOfCellsInRect(b);
    // Pictures of leaving cells and cells moved out of view go in both cases.
    std::vector<std::shared_ptr<GridViewCell>> staying;
    for (auto& item : m_animatingCells) {
        auto cell = std::dynamic_pointer_cast<GridViewCell>(item->animatingView());
        if (cell && shown.count() != 0 && isRectVisible(m_gridData->cellRectForPoint(cell->center())))
            staying.push_back(cell);
        else
            item->animatingView()->removeFromSuperview();
    }
    setAnimatingCells({});
    if (shown.count() != 0) {
        m_visibleIndices = NSMakeRange(shown.firstIndex(), shown.count());
        std::stable_sort(
            staying.begin(), staying.end(), [](auto& a, auto& c) { return a->compareOriginAgainstCell(*c) < 0; });
        for (auto& cell : m_visibleCells)
            if (std::find(staying.begin(), staying.end(), cell) == staying.end())
                cell->removeFromSuperview();
        m_visibleCells = staying;
        auto subviews = this->subviews();
        for (auto& view : subviews) {
            auto cell = std::dynamic_pointer_cast<GridViewCell>(view);
            if (cell && std::find(m_visibleCells.begin(), m_visibleCells.end(), cell) == m_visibleCells.end())
                cell->removeFromSuperview();
        }
    } else {
        m_visibleIndices = NSMakeRange(0, 0);
        for (auto& cell : m_visibleCells)
            cell->removeFromSuperview();
        enqueueReusableCells(m_visibleCells);
        m_visibleCells.clear();
    }
    updateContentRectWithOldMaxLocationGridSize(
        CGPointMake(CGRectGetMaxX(b), CGRectGetMaxY(b)), m_gridData->sizeForEntireGrid());
    setNeedsLayout();
}
