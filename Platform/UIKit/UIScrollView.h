#pragma once

// A scroll view shows a window of its content: the content offset is its
// bounds origin. Drags come from the window, which hands a touch over to the
// nearest scroll view that can move in the touch's direction once it has
// moved far enough; the content's own touch is then cancelled. While dragging
// the offset follows the finger (past the ends by half the distance when the
// view bounces); on release the delegate may rewrite the target offset, and
// when the target differs from where the finger left it the view decelerates:
// the offset goes to the target at once and the end of deceleration is
// reported after `kDecelerationDuration` on the clock. The resting point is
// fixed after the delegate heard the drag end, within the content inset as
// it is then; setting the inset itself never moves the offset.

#include "Platform/UIKit/UIGeometry.h"
#include "Platform/UIKit/UIView.h"

class UIScrollView;
class UIPinchGestureRecognizer;
class NSTimer;

class UIScrollViewDelegate {
public:
    virtual ~UIScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(UIScrollView&) { }
    virtual void scrollViewWillBeginDragging(UIScrollView&) { }
    // Velocity in points per millisecond; the target may be changed.
    virtual void scrollViewWillEndDraggingWithVelocityTargetContentOffset(
        UIScrollView&, CGPoint velocity, CGPoint* targetContentOffset)
    {
    }
    virtual void scrollViewDidEndDraggingWillDecelerate(UIScrollView&, bool decelerate) { }
    virtual void scrollViewWillBeginDecelerating(UIScrollView&) { }
    virtual void scrollViewDidEndDecelerating(UIScrollView&) { }
    virtual void scrollViewDidEndScrollingAnimation(UIScrollView&) { }
    virtual std::shared_ptr<UIView> viewForZoomingInScrollView(UIScrollView&) { return nullptr; }
    virtual void scrollViewWillBeginZoomingWithView(UIScrollView&, UIView*) { }
    virtual void scrollViewDidZoom(UIScrollView&) { }
    virtual void scrollViewDidEndZoomingWithViewAtScale(UIScrollView&, UIView*, CGFloat scale) { }
    virtual bool scrollViewShouldScrollToTop(UIScrollView&) { return true; }
    virtual void scrollViewDidScrollToTop(UIScrollView&) { }
};

class UIScrollView : public UIView {
public:
    static constexpr double kDecelerationDuration = 0.5;
    static constexpr double kScrollAnimationDuration = 0.3;
    static constexpr CGFloat kDecelerationRate = 0.998f;

    explicit UIScrollView(CGRect frame = CGRectZero);
    ~UIScrollView() override;

    CGSize contentSize() const { return m_contentSize; }
    virtual void setContentSize(CGSize size);
    CGPoint contentOffset() const { return bounds().origin; }
    virtual void setContentOffset(CGPoint offset);
    void setContentOffsetAnimated(CGPoint offset, bool animated);
    UIEdgeInsets contentInset() const { return m_contentInset; }
    void setContentInset(UIEdgeInsets inset);
    UIEdgeInsets scrollIndicatorInsets() const { return m_indicatorInsets; }
    void setScrollIndicatorInsets(UIEdgeInsets inset) { m_indicatorInsets = inset; }

    std::shared_ptr<UIScrollViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIScrollViewDelegate> d) { m_delegate = std::move(d); }

    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool on) { m_scrollEnabled = on; }
    bool isPagingEnabled() const { return m_pagingEnabled; }
    void setPagingEnabled(bool on) { m_pagingEnabled = on; }
    bool bounces() const { return m_bounces; }
    void setBounces(bool on) { m_bounces = on; }
    bool alwaysBounceVertical() const { return m_alwaysBounceVertical; }
    void setAlwaysBounceVertical(bool on) { m_alwaysBounceVertical = on; }
    bool alwaysBounceHorizontal() const { return m_alwaysBounceHorizontal; }
    void setAlwaysBounceHorizontal(bool on) { m_alwaysBounceHorizontal = on; }
    bool showsHorizontalScrollIndicator() const { return m_showsH; }
    void setShowsHorizontalScrollIndicator(bool on) { m_showsH = on; }
    bool showsVerticalScrollIndicator() const { return m_showsV; }
    void setShowsVerticalScrollIndicator(bool on) { m_showsV = on; }
    bool scrollsToTop() const { return m_scrollsToTop; }
    void setScrollsToTop(bool on) { m_scrollsToTop = on; }
    bool canCancelContentTouches() const { return m_canCancelContentTouches; }
    void setCanCancelContentTouches(bool on) { m_canCancelContentTouches = on; }
    bool delaysContentTouches() const { return m_delaysContentTouches; }
    void setDelaysContentTouches(bool on) { m_delaysContentTouches = on; }
    bool isDirectionalLockEnabled() const { return m_directionalLock; }
    void setDirectionalLockEnabled(bool on) { m_directionalLock = on; }
    CGFloat decelerationRate() const { return m_decelerationRate; }
    void setDecelerationRate(CGFloat r) { m_decelerationRate = r; }
    // Indicators are drawn only while scrolling on a device; a flash is counted.
    void flashScrollIndicators() { ++m_indicatorFlashes; }
    int indicatorFlashCount() const { return m_indicatorFlashes; }

    bool isDragging() const { return m_dragging; }
    bool isTracking() const { return m_tracking; }
    bool isDecelerating() const { return m_decelerating; }
    bool isZooming() const { return m_zooming; }

    // Scrolls the least distance that brings `rect` (content coordinates) into view.
    void scrollRectToVisibleAnimated(CGRect rect, bool animated);
    // Scrolls to the top when the delegate allows, as a tap on the status bar does.
    void scrollToTop();

    CGFloat minimumZoomScale() const { return m_minZoom; }
    void setMinimumZoomScale(CGFloat s) { m_minZoom = s; }
    CGFloat maximumZoomScale() const { return m_maxZoom; }
    void setMaximumZoomScale(CGFloat s) { m_maxZoom = s; }
    CGFloat zoomScale() const { return m_zoomScale; }
    void setZoomScale(CGFloat scale) { setZoomScaleAnimated(scale, false); }
    void setZoomScaleAnimated(CGFloat scale, bool animated);
    void zoomToRectAnimated(CGRect rect, bool animated);
    bool bouncesZoom() const { return m_bouncesZoom; }
    void setBouncesZoom(bool on) { m_bouncesZoom = on; }
    std::shared_ptr<UIPinchGestureRecognizer> pinchGestureRecognizer() const { return m_pinch; }

    // The offsets the content can rest at.
    CGPoint minimumContentOffset() const;
    CGPoint maximumContentOffset() const;

    // Dragging, driven by the window.
    bool canBeginDragWithTranslation(CGPoint translation) const;
    void beginDragAt(CGPoint windowPoint);
    void dragTo(CGPoint windowPoint);
    void endDragAt(CGPoint windowPoint);

    void didMoveToWindow() override;

protected:
    void tellDidScroll();

private:
    CGPoint clampOffset(CGPoint o) const;
    void finishDeceleration();
    void handlePinch();
    void applyZoom(CGFloat scale, CGPoint anchorInContent, bool keepAnchor);

    CGSize m_contentSize {};
    UIEdgeInsets m_contentInset {};
    UIEdgeInsets m_indicatorInsets {};
    std::weak_ptr<UIScrollViewDelegate> m_delegate;
    bool m_scrollEnabled = true;
    bool m_pagingEnabled = false;
    bool m_bounces = true;
    bool m_alwaysBounceVertical = false;
    bool m_alwaysBounceHorizontal = false;
    bool m_showsH = true;
    bool m_showsV = true;
    bool m_scrollsToTop = true;
    bool m_canCancelContentTouches = true;
    bool m_delaysContentTouches = true;
    bool m_directionalLock = false;
    bool m_bouncesZoom = true;
    CGFloat m_decelerationRate = kDecelerationRate;
    int m_indicatorFlashes = 0;

    void setTracking(bool on);

    bool m_dragging = false;
    bool m_tracking = false;
    bool m_decelerating = false;
    bool m_zooming = false;
    CGPoint m_dragStartPoint {};
    CGPoint m_dragStartOffset {};
    CGPoint m_lastPoint {};
    double m_lastTime = 0;
    CGPoint m_velocity {};  // points per millisecond, in offset terms
    std::shared_ptr<NSTimer> m_timer;

    CGFloat m_minZoom = 1;
    CGFloat m_maxZoom = 1;
    CGFloat m_zoomScale = 1;
    CGFloat m_pinchStartScale = 1;
    std::shared_ptr<UIPinchGestureRecognizer> m_pinch;
};
