#pragma once

// The page overview's grid: a vertically scrolling view that holds cells only
// for the thumbnails that intersect it and recycles them as it scrolls. Cells
// are made by the delegate only when no idle one is left and are kept for the
// grid's life. A visible cell's tag is its index; an idle cell's is the
// smallest long. A tap selects the cell under it; a long press reports it.

#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIScrollView.h"

#include <climits>
#include <memory>
#include <vector>

class PdfThumbView;
class PdfThumbsView;

class PdfThumbsViewDelegate {
public:
    virtual ~PdfThumbsViewDelegate() = default;
    virtual size_t numberOfThumbsInThumbsView(PdfThumbsView& thumbsView) = 0;
    virtual std::shared_ptr<PdfThumbView> thumbsViewThumbCellWithFrame(PdfThumbsView& thumbsView, CGRect frame) = 0;
    virtual void thumbsViewUpdateThumbCellForIndex(PdfThumbsView& thumbsView, PdfThumbView& cell, long index) = 0;
    virtual void thumbsViewDidSelectThumbWithIndex(PdfThumbsView& thumbsView, long index) = 0;
    // Optional: answer false when not implemented.
    virtual bool thumbsViewRefreshThumbCellForIndex(PdfThumbsView&, PdfThumbView&, long) { return false; }
    virtual bool thumbsViewDidPressThumbWithIndex(PdfThumbsView&, long) { return false; }
};

class PdfThumbsView : public UIScrollView, public UIScrollViewDelegate, public UIGestureRecognizerDelegate {
public:
    static constexpr long kIdleTag = LONG_MIN;

    static std::shared_ptr<PdfThumbsView> initWithFrame(CGRect frame);
    explicit PdfThumbsView(CGRect frame);

    void setThumbsDelegate(std::weak_ptr<PdfThumbsViewDelegate> delegate) { m_delegate = std::move(delegate); }
    void setThumbSize(CGSize size);
    void reloadThumbsCenterOnIndex(long index);
    void reloadThumbsContentOffset(CGPoint offset);
    void refreshThumbWithIndex(long index);
    void refreshVisibleThumbs();
    CGPoint insetContentOffset() const;

    void layoutSubviews() override;
    void scrollViewDidScroll(UIScrollView&) override;
    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event) override;

    long columns() const { return m_thumbsX; }
    long thumbX() const { return m_thumbX; }
    const std::vector<std::shared_ptr<PdfThumbView>>& visibleCells() const { return m_thumbCellsVisible; }
    size_t idleCellCount() const { return m_thumbCellsQueue.size(); }
    CGRect thumbCellFrameForIndex(long index) const;

private:
    void updateContentSize(size_t count);
    std::vector<long> visibleIndexSetForContentOffset() const;
    std::shared_ptr<PdfThumbView> thumbCellContainingPoint(CGPoint point) const;
    std::shared_ptr<PdfThumbView> dequeueThumbCellWithFrame(CGRect frame);
    void requeueThumbCell(const std::shared_ptr<PdfThumbView>& cell);
    void requeueAllThumbCells();
    void fillCell(long index);
    void reloadAt(CGFloat y);
    void handleTapGesture(UIGestureRecognizer& recognizer);
    void handlePressGesture(UIGestureRecognizer& recognizer);
    void checkPreconditions() const;

    CGPoint m_lastContentOffset;
    std::shared_ptr<PdfThumbView> m_touchedCell;
    std::vector<std::shared_ptr<PdfThumbView>> m_thumbCellsQueue;
    std::vector<std::shared_ptr<PdfThumbView>> m_thumbCellsVisible;
    long m_thumbsX = 0;
    long m_thumbsY = 0;
    long m_thumbX = 0;
    CGSize m_thumbSize {};
    CGSize m_lastViewSize {};
    size_t m_thumbCount = 0;
    bool m_canUpdate = true;
    std::weak_ptr<PdfThumbsViewDelegate> m_delegate;
};
