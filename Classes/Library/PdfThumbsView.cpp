#include "Classes/Library/PdfThumbsView.h"

#include "Classes/Library/PdfThumbView.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/UIKit/UIColor.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

constexpr CGPoint kImpossibleOffset { FLT_MIN, FLT_MIN };

}  // namespace

PdfThumbsView::PdfThumbsView(CGRect frame)
    : UIScrollView(frame)
    , m_lastContentOffset(kImpossibleOffset)
{
    setScrollsToTop(false);
    setAutoresizesSubviews(false);
    setDelaysContentTouches(false);
    setAlwaysBounceVertical(true);
    setContentMode(UIViewContentModeRedraw);
    setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    setBackgroundColor(UIColor::clearColor());
}

std::shared_ptr<PdfThumbsView> PdfThumbsView::initWithFrame(CGRect frame)
{
    auto view = std::make_shared<PdfThumbsView>(frame);
    view->setDelegate(std::static_pointer_cast<UIScrollViewDelegate>(view));
    std::weak_ptr<PdfThumbsView> weak = view;
    auto tap = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto self = weak.lock())
            self->handleTapGesture(r);
    });
    tap->setDelegate(std::static_pointer_cast<UIGestureRecognizerDelegate>(view));
    view->addGestureRecognizer(tap);
    auto press = std::make_shared<UILongPressGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto self = weak.lock())
            self->handlePressGesture(r);
    });
    press->minimumPressDuration = 0.8;
    press->setDelegate(std::static_pointer_cast<UIGestureRecognizerDelegate>(view));
    view->addGestureRecognizer(press);
    return view;
}

void PdfThumbsView::setThumbSize(CGSize size)
{
    if (m_thumbSize.width == 0 && m_thumbSize.height == 0 && (size.width != 0 || size.height != 0))
        m_thumbSize = size;
}

void PdfThumbsView::updateContentSize(size_t count)
{
    m_canUpdate = false;
    if (count == 0) {
        setContentSize(CGSizeZero);
    } else {
        CGFloat w = bounds().size.width;
        m_thumbsX = std::max(1L, static_cast<long>(w / m_thumbSize.width));
        m_thumbsY = static_cast<long>(count) / m_thumbsX + (static_cast<long>(count) % m_thumbsX ? 1 : 0);
        CGFloat gridWidth = m_thumbSize.width * static_cast<CGFloat>(m_thumbsX);
        m_thumbX = w > gridWidth ? static_cast<long>((w - gridWidth) / 2) : 0;
        setContentSize(CGSizeMake(std::max(gridWidth, w), m_thumbSize.height * static_cast<CGFloat>(m_thumbsY)));
    }
    m_canUpdate = true;
}

CGRect PdfThumbsView::thumbCellFrameForIndex(long index) const
{
    long row = index / m_thumbsX, column = index % m_thumbsX;
    return CGRectMake(std::floor(static_cast<CGFloat>(m_thumbX) + m_thumbSize.width * static_cast<CGFloat>(column)),
        std::floor(static_cast<CGFloat>(row) * m_thumbSize.height), m_thumbSize.width, m_thumbSize.height);
}

std::vector<long> PdfThumbsView::visibleIndexSetForContentOffset() const
{
    std::vector<long> indexes;
    if (m_thumbCount == 0 || m_thumbsX == 0)
        return indexes;
    CGFloat y = contentOffset().y, h = bounds().size.height;
    long first = m_thumbsX * static_cast<long>(std::floor(y / m_thumbSize.height));
    long last = m_thumbsX * (static_cast<long>(std::floor((y + h - 1) / m_thumbSize.height)) + 1) - 1;
    last = std::min(last, static_cast<long>(m_thumbCount) - 1);
    for (long i = std::max(0L, first); i <= last; ++i)
        indexes.push_back(i);
    return indexes;
}

std::shared_ptr<PdfThumbView> PdfThumbsView::dequeueThumbCellWithFrame(CGRect frame)
{
    std::shared_ptr<PdfThumbView> cell;
    if (!m_thumbCellsQueue.empty()) {
        cell = m_thumbCellsQueue.front();
        m_thumbCellsQueue.erase(m_thumbCellsQueue.begin());
        cell->setFrame(frame);
    } else if (auto delegate = m_delegate.lock()) {
        cell = delegate->thumbsViewThumbCellWithFrame(*this, frame);
        cell->setTag(kIdleTag);
        cell->setHidden(true);
        insertSubviewAtIndex(cell, 0);
    }
    if (cell)
        m_thumbCellsVisible.push_back(cell);
    return cell;
}

void PdfThumbsView::requeueThumbCell(const std::shared_ptr<PdfThumbView>& cell)
{
    auto keep = cell;
    m_thumbCellsVisible.erase(
        std::remove(m_thumbCellsVisible.begin(), m_thumbCellsVisible.end(), cell), m_thumbCellsVisible.end());
    m_thumbCellsQueue.push_back(keep);
    keep->setTag(kIdleTag);
    keep->setHidden(true);
    keep->reuse();
}

void PdfThumbsView::requeueAllThumbCells()
{
    auto visible = m_thumbCellsVisible;
    for (const auto& cell : visible)
        requeueThumbCell(cell);
}

void PdfThumbsView::fillCell(long index)
{
    auto cell = dequeueThumbCellWithFrame(thumbCellFrameForIndex(index));
    if (!cell)
        return;
    if (auto delegate = m_delegate.lock())
        delegate->thumbsViewUpdateThumbCellForIndex(*this, *cell, index);
    cell->setTag(index);
    cell->setHidden(false);
}

void PdfThumbsView::scrollViewDidScroll(UIScrollView&)
{
    if (!m_canUpdate || m_thumbCount == 0)
        return;
    CGPoint offset = contentOffset();
    if (offset.x == m_lastContentOffset.x && offset.y == m_lastContentOffset.y)
        return;
    m_lastContentOffset = offset;
    std::vector<long> kept;
    auto visible = m_thumbCellsVisible;
    for (const auto& cell : visible) {
        if (CGRectIntersectsRect(cell->frame(), bounds()))
            kept.push_back(cell->tag());
        else
            requeueThumbCell(cell);
    }
    for (long index : visibleIndexSetForContentOffset())
        if (std::find(kept.begin(), kept.end(), index) == kept.end())
            fillCell(index);
}

void PdfThumbsView::layoutSubviews()
{
    UIScrollView::layoutSubviews();
    CGSize size = bounds().size;
    if (m_lastViewSize.width == 0 && m_lastViewSize.height == 0) {
        m_lastViewSize = size;
        return;
    }
    if (size.width == m_lastViewSize.width && size.height == m_lastViewSize.height)
        return;
    m_lastViewSize = size;
    if (m_thumbSize.width == 0 || m_thumbSize.height == 0)
        return;
    updateContentSize(m_thumbCount);
    auto wanted = visibleIndexSetForContentOffset();
    auto visible = m_thumbCellsVisible;
    for (const auto& cell : visible) {
        auto found = std::find(wanted.begin(), wanted.end(), cell->tag());
        if (found != wanted.end()) {
            cell->setFrame(thumbCellFrameForIndex(cell->tag()));
            wanted.erase(found);
        } else {
            requeueThumbCell(cell);
        }
    }
    for (long index : wanted)
        fillCell(index);
}

void PdfThumbsView::checkPreconditions() const
{
    if (!m_delegate.lock())
        NSException::raiseFormat(NSInternalInconsistencyException, "Assertion failure in %s: %s",
            "Classes/Library/PdfThumbsView", "delegate != nil");
    if (m_thumbSize.width == 0 && m_thumbSize.height == 0)
        NSException::raiseFormat(NSInternalInconsistencyException, "Assertion failure in %s: %s",
            "Classes/Library/PdfThumbsView", "CGSizeEqualToSize(_thumbSize, CGSizeZero) == false");
}

void PdfThumbsView::reloadAt(CGFloat y)
{
    y -= contentInset().top;
    CGPoint target = CGPointMake(0, y);
    CGPoint current = contentOffset();
    if (target.x != current.x || target.y != current.y)
        setContentOffset(target);
    else
        scrollViewDidScroll(*this);
    flashScrollIndicators();
}

void PdfThumbsView::reloadThumbsCenterOnIndex(long index)
{
    checkPreconditions();
    setContentOffset(contentOffset());
    m_lastContentOffset = kImpossibleOffset;
    requeueAllThumbCells();
    m_thumbCount = 0;
    size_t count = m_delegate.lock()->numberOfThumbsInThumbsView(*this);
    updateContentSize(count);
    m_thumbCount = count;
    CGFloat y = 0;
    if (count > 0) {
        index = std::clamp(index, 0L, static_cast<long>(count) - 1);
        long row = index / m_thumbsX;
        long halfHeight = static_cast<long>(bounds().size.height) / 2;
        y = std::floor(m_thumbSize.height / 2 + std::floor(static_cast<CGFloat>(row) * m_thumbSize.height)
            - static_cast<CGFloat>(halfHeight));
        CGFloat maximum = std::floor(contentSize().height - std::floor(bounds().size.height)) - 1;
        y = std::clamp(y, 0.0f, std::max(0.0f, maximum));
    }
    reloadAt(y);
}

void PdfThumbsView::reloadThumbsContentOffset(CGPoint offset)
{
    checkPreconditions();
    setContentOffset(contentOffset());
    m_lastContentOffset = kImpossibleOffset;
    requeueAllThumbCells();
    m_thumbCount = 0;
    size_t count = m_delegate.lock()->numberOfThumbsInThumbsView(*this);
    updateContentSize(count);
    m_thumbCount = count;
    CGFloat maximum = std::floor(contentSize().height - std::floor(bounds().size.height)) - 1;
    CGFloat y = std::clamp(offset.y, 0.0f, std::max(0.0f, maximum));
    reloadAt(count ? y : 0);
}

CGPoint PdfThumbsView::insetContentOffset() const
{
    CGPoint offset = contentOffset();
    offset.y += contentInset().top;
    return offset;
}

void PdfThumbsView::refreshThumbWithIndex(long index)
{
    auto delegate = m_delegate.lock();
    for (const auto& cell : m_thumbCellsVisible)
        if (cell->tag() == index && delegate)
            delegate->thumbsViewRefreshThumbCellForIndex(*this, *cell, index);
}

void PdfThumbsView::refreshVisibleThumbs()
{
    auto delegate = m_delegate.lock();
    for (const auto& cell : m_thumbCellsVisible)
        if (delegate)
            delegate->thumbsViewRefreshThumbCellForIndex(*this, *cell, cell->tag());
}

std::shared_ptr<PdfThumbView> PdfThumbsView::thumbCellContainingPoint(CGPoint point) const
{
    for (const auto& cell : m_thumbCellsVisible)
        if (CGRectContainsPoint(cell->frame(), point))
            return cell;
    return nullptr;
}

void PdfThumbsView::handleTapGesture(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateRecognized)
        return;
    auto cell = thumbCellContainingPoint(recognizer.locationInView(this));
    auto keep = sharedView();
    if (auto delegate = m_delegate.lock(); cell && delegate)
        delegate->thumbsViewDidSelectThumbWithIndex(*this, cell->tag());
}

void PdfThumbsView::handlePressGesture(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateBegan)
        return;
    auto cell = thumbCellContainingPoint(recognizer.locationInView(this));
    if (auto delegate = m_delegate.lock(); cell && delegate)
        delegate->thumbsViewDidPressThumbWithIndex(*this, cell->tag());
}

void PdfThumbsView::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIScrollView::touchesBeganWithEvent(touches, event);
    if (m_touchedCell) {
        m_touchedCell->showTouched(false);
        m_touchedCell.reset();
    }
    if (touches.size() == 1) {
        m_touchedCell = thumbCellContainingPoint(touches.front()->locationInView(this));
        if (m_touchedCell)
            m_touchedCell->showTouched(true);
    }
}

void PdfThumbsView::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIScrollView::touchesEndedWithEvent(touches, event);
    if (m_touchedCell) {
        m_touchedCell->showTouched(false);
        m_touchedCell.reset();
    }
}

void PdfThumbsView::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIScrollView::touchesCancelledWithEvent(touches, event);
    if (m_touchedCell) {
        m_touchedCell->showTouched(false);
        m_touchedCell.reset();
    }
}
