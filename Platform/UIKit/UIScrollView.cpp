#include "Platform/UIKit/UIScrollView.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIGestureRecognizer.h"

#include <algorithm>
#include <cmath>

UIScrollView::UIScrollView(CGRect frame)
    : UIView(frame)
{
    setClipsToBounds(true);
}

UIScrollView::~UIScrollView()
{
    if (m_timer)
        m_timer->invalidate();
    setTracking(false);
}

void UIScrollView::setTracking(bool on)
{
    // The main loop runs in the tracking mode while the finger is down.
    if (on == m_tracking)
        return;
    m_tracking = on;
    if (on)
        UIApplication::beginEventTracking();
    else
        UIApplication::endEventTracking();
}

void UIScrollView::didMoveToWindow()
{
    if (!m_pinch && window()) {
        auto weak = weakSelf<UIScrollView>();
        m_pinch = std::make_shared<UIPinchGestureRecognizer>([weak](UIGestureRecognizer&) {
            if (auto self = weak.lock())
                self->handlePinch();
        });
        addGestureRecognizer(m_pinch);
    }
}

void UIScrollView::setContentSize(CGSize size) { m_contentSize = size; }

void UIScrollView::tellDidScroll()
{
    if (auto d = delegate())
        d->scrollViewDidScroll(*this);
}

void UIScrollView::setContentOffset(CGPoint offset)
{
    CGRect b = bounds();
    if (b.origin == offset)
        return;
    b.origin = offset;
    UIView::setBounds(b);
    setNeedsLayout();
    tellDidScroll();
}

void UIScrollView::setContentOffsetAnimated(CGPoint offset, bool animated)
{
    bool moved = !(offset == contentOffset());
    setContentOffset(offset);
    if (!animated || !moved)
        return;
    if (m_timer)
        m_timer->invalidate();
    auto weak = weakSelf<UIScrollView>();
    m_timer = NSTimer::timerWithTimeInterval(kScrollAnimationDuration, false, [weak](NSTimer&) {
        if (auto self = weak.lock())
            if (auto d = self->delegate())
                d->scrollViewDidEndScrollingAnimation(*self);
    });
    NSRunLoop::currentRunLoop()->addTimer(m_timer, NSRunLoopCommonModes);
}

void UIScrollView::setContentInset(UIEdgeInsets inset)
{
    // The offset stays where it is (and no scroll is reported): a drag being
    // released comes to rest inside the new inset instead.
    m_contentInset = inset;
}

CGPoint UIScrollView::minimumContentOffset() const { return { -m_contentInset.left, -m_contentInset.top }; }

CGPoint UIScrollView::maximumContentOffset() const
{
    CGPoint min = minimumContentOffset();
    CGSize b = bounds().size;
    return { std::max(min.x, m_contentSize.width + m_contentInset.right - b.width),
        std::max(min.y, m_contentSize.height + m_contentInset.bottom - b.height) };
}

CGPoint UIScrollView::clampOffset(CGPoint o) const
{
    CGPoint min = minimumContentOffset(), max = maximumContentOffset();
    return { std::clamp(o.x, min.x, max.x), std::clamp(o.y, min.y, max.y) };
}

void UIScrollView::scrollRectToVisibleAnimated(CGRect rect, bool animated)
{
    CGRect b = bounds();
    CGPoint o = b.origin;
    if (CGRectGetMaxX(rect) > CGRectGetMaxX(b))
        o.x = CGRectGetMaxX(rect) - b.size.width;
    if (rect.origin.x < o.x)
        o.x = rect.origin.x;
    if (CGRectGetMaxY(rect) > CGRectGetMaxY(b))
        o.y = CGRectGetMaxY(rect) - b.size.height;
    if (rect.origin.y < o.y)
        o.y = rect.origin.y;
    setContentOffsetAnimated(clampOffset(o), animated);
}

void UIScrollView::scrollToTop()
{
    if (!m_scrollsToTop)
        return;
    auto d = delegate();
    if (d && !d->scrollViewShouldScrollToTop(*this))
        return;
    setContentOffsetAnimated({ contentOffset().x, minimumContentOffset().y }, true);
    if (d)
        d->scrollViewDidScrollToTop(*this);
}

bool UIScrollView::canBeginDragWithTranslation(CGPoint t) const
{
    if (!m_scrollEnabled || m_zooming)
        return false;
    CGSize b = bounds().size;
    bool canH = m_contentSize.width + m_contentInset.left + m_contentInset.right > b.width || m_alwaysBounceHorizontal;
    bool canV = m_contentSize.height + m_contentInset.top + m_contentInset.bottom > b.height || m_alwaysBounceVertical;
    const CGFloat threshold = 10;
    return (canH && std::fabs(t.x) > threshold) || (canV && std::fabs(t.y) > threshold);
}

void UIScrollView::beginDragAt(CGPoint windowPoint)
{
    auto keep = shared_from_this();
    if (m_timer)
        m_timer->invalidate();
    m_decelerating = false;
    m_dragging = true;
    setTracking(true);
    m_dragStartPoint = windowPoint;
    m_dragStartOffset = contentOffset();
    m_lastPoint = windowPoint;
    m_lastTime = Clock::now();
    m_velocity = {};
    if (auto d = delegate())
        d->scrollViewWillBeginDragging(*this);
}

void UIScrollView::dragTo(CGPoint windowPoint)
{
    if (!m_dragging)
        return;
    auto keep = shared_from_this();
    CGSize b = bounds().size;
    bool canH = m_contentSize.width + m_contentInset.left + m_contentInset.right > b.width || m_alwaysBounceHorizontal;
    bool canV = m_contentSize.height + m_contentInset.top + m_contentInset.bottom > b.height || m_alwaysBounceVertical;
    CGPoint o = m_dragStartOffset;
    if (canH)
        o.x -= windowPoint.x - m_dragStartPoint.x;
    if (canV)
        o.y -= windowPoint.y - m_dragStartPoint.y;
    CGPoint min = minimumContentOffset(), max = maximumContentOffset();
    auto band = [this](CGFloat v, CGFloat lo, CGFloat hi) {
        if (v < lo)
            return m_bounces ? lo - (lo - v) / 2 : lo;
        if (v > hi)
            return m_bounces ? hi + (v - hi) / 2 : hi;
        return v;
    };
    o.x = band(o.x, min.x, max.x);
    o.y = band(o.y, min.y, max.y);
    double now = Clock::now();
    double dtMs = (now - m_lastTime) * 1000;
    if (dtMs > 0)
        m_velocity = { static_cast<CGFloat>(-(windowPoint.x - m_lastPoint.x) / dtMs),
            static_cast<CGFloat>(-(windowPoint.y - m_lastPoint.y) / dtMs) };
    m_lastPoint = windowPoint;
    m_lastTime = now;
    setContentOffset(o);
}

void UIScrollView::endDragAt(CGPoint windowPoint)
{
    if (!m_dragging)
        return;
    auto keep = shared_from_this();
    setTracking(false);
    CGPoint o = contentOffset();
    CGPoint target;
    CGPoint projected = o;
    if (m_pagingEnabled) {
        CGSize page = bounds().size;
        auto snap = [](CGFloat offset, CGFloat start, CGFloat pageSize, CGFloat velocity) -> CGFloat {
            if (pageSize <= 0)
                return offset;
            CGFloat startPage = std::round(start / pageSize);
            CGFloat p;
            if (velocity > 0.3f)
                p = startPage + 1;
            else if (velocity < -0.3f)
                p = startPage - 1;
            else
                p = std::round(offset / pageSize);
            return p * pageSize;
        };
        projected = { snap(o.x, m_dragStartOffset.x, page.width, m_velocity.x),
            snap(o.y, m_dragStartOffset.y, page.height, m_velocity.y) };
        target = clampOffset(projected);
    } else {
        CGFloat k = m_decelerationRate / (1 - m_decelerationRate);
        projected = { o.x + m_velocity.x * k, o.y + m_velocity.y * k };
        target = clampOffset(projected);
    }
    CGPoint proposed = target;
    if (auto d = delegate())
        d->scrollViewWillEndDraggingWithVelocityTargetContentOffset(*this, m_velocity, &target);
    bool decelerate = !(target == o);
    m_dragging = false;
    if (auto d = delegate())
        d->scrollViewDidEndDraggingWillDecelerate(*this, decelerate);
    // The resting point is settled only now, so that an inset set by the
    // delegate on release (a pull-to-refresh header) is where it comes to rest.
    // A target the delegate chose is kept, within the bounds as they are now.
    target = target == proposed ? clampOffset(projected) : clampOffset(target);
    if (!decelerate) {
        setContentOffset(target);
        return;
    }
    m_decelerating = true;
    if (auto d = delegate())
        d->scrollViewWillBeginDecelerating(*this);
    setContentOffset(target);
    if (m_timer)
        m_timer->invalidate();
    auto weak = weakSelf<UIScrollView>();
    m_timer = NSTimer::timerWithTimeInterval(kDecelerationDuration, false, [weak](NSTimer&) {
        if (auto self = weak.lock())
            self->finishDeceleration();
    });
    NSRunLoop::currentRunLoop()->addTimer(m_timer, NSRunLoopCommonModes);
}

void UIScrollView::finishDeceleration()
{
    if (!m_decelerating)
        return;
    m_decelerating = false;
    if (auto d = delegate())
        d->scrollViewDidEndDecelerating(*this);
}

void UIScrollView::applyZoom(CGFloat scale, CGPoint anchorInContent, bool keepAnchor)
{
    auto d = delegate();
    auto view = d ? d->viewForZoomingInScrollView(*this) : nullptr;
    if (!view)
        return;
    CGFloat old = m_zoomScale;
    m_zoomScale = scale;
    view->setTransform(CGAffineTransformMakeScale(scale, scale));
    CGRect f = view->frame();
    view->setFrame(CGRectMake(0, 0, f.size.width, f.size.height));
    setContentSize(view->frame().size);
    if (keepAnchor && old > 0) {
        // The content point under the anchor stays where it is on screen.
        CGPoint o = contentOffset();
        CGFloat ratio = scale / old;
        CGPoint newAnchor { anchorInContent.x * ratio, anchorInContent.y * ratio };
        o.x += newAnchor.x - anchorInContent.x;
        o.y += newAnchor.y - anchorInContent.y;
        setContentOffset(clampOffset(o));
    }
    d->scrollViewDidZoom(*this);
}

void UIScrollView::setZoomScaleAnimated(CGFloat scale, bool animated)
{
    scale = std::clamp(scale, m_minZoom, std::max(m_minZoom, m_maxZoom));
    CGRect b = bounds();
    applyZoom(scale, { CGRectGetMidX(b), CGRectGetMidY(b) }, true);
}

void UIScrollView::zoomToRectAnimated(CGRect rect, bool animated)
{
    CGSize b = bounds().size;
    if (rect.size.width <= 0 || rect.size.height <= 0)
        return;
    CGFloat scale = std::min(b.width / rect.size.width, b.height / rect.size.height);
    scale = std::clamp(scale, m_minZoom, std::max(m_minZoom, m_maxZoom));
    applyZoom(scale, {}, false);
    setContentOffsetAnimated(clampOffset({ rect.origin.x * scale, rect.origin.y * scale }), animated);
    if (auto d = delegate()) {
        auto view = d->viewForZoomingInScrollView(*this);
        d->scrollViewDidEndZoomingWithViewAtScale(*this, view.get(), m_zoomScale);
    }
}

void UIScrollView::handlePinch()
{
    auto d = delegate();
    auto view = d ? d->viewForZoomingInScrollView(*this) : nullptr;
    if (!m_pinch || !view || m_maxZoom <= m_minZoom)
        return;
    auto state = m_pinch->state();
    CGPoint anchor = m_pinch->locationInView(this);
    if (state == UIGestureRecognizerStateBegan) {
        m_zooming = true;
        m_pinchStartScale = m_zoomScale;
        d->scrollViewWillBeginZoomingWithView(*this, view.get());
    }
    if (state == UIGestureRecognizerStateBegan || state == UIGestureRecognizerStateChanged) {
        CGFloat lo = m_bouncesZoom ? m_minZoom * 0.5f : m_minZoom;
        CGFloat hi = m_bouncesZoom ? m_maxZoom * 1.5f : m_maxZoom;
        applyZoom(std::clamp(m_pinchStartScale * m_pinch->scale(), lo, hi), anchor, true);
    } else if (state == UIGestureRecognizerStateEnded || state == UIGestureRecognizerStateCancelled) {
        m_zooming = false;
        applyZoom(std::clamp(m_zoomScale, m_minZoom, m_maxZoom), anchor, true);
        d->scrollViewDidEndZoomingWithViewAtScale(*this, view.get(), m_zoomScale);
    }
}
