#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIMainThread.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "Platform/UIKit/UIWindow.h"

#include <algorithm>
#include <cmath>

namespace {

struct AnimationState {
    UIViewAnimationRecord record;
    std::function<void(bool)> completion;
    std::function<void(const std::string&, void*)> willStart;
    std::function<void(const std::string&, bool, void*)> didStop;
    std::weak_ptr<void> delegate;
    bool hasDelegate = false;
    void* context = nullptr;
    // The views and the properties of them this animation changes.
    struct Change {
        std::weak_ptr<UIView> view;
        unsigned property;
    };
    std::vector<Change> views;
    std::shared_ptr<NSTimer> timer;
    bool done = false;
};

std::vector<std::shared_ptr<AnimationState>> s_building;
std::vector<std::shared_ptr<AnimationState>> s_running;
bool s_animationsEnabled = true;
bool s_layoutPassScheduled = false;

void finishAnimation(const std::shared_ptr<AnimationState>& a, bool finished)
{
    if (a->done)
        return;
    a->done = true;
    if (a->timer)
        a->timer->invalidate();
    s_running.erase(std::remove(s_running.begin(), s_running.end(), a), s_running.end());
    bool delegateAlive = !a->hasDelegate || !a->delegate.expired();
    if (a->didStop && delegateAlive)
        a->didStop(a->record.name, finished, a->context);
    if (a->completion)
        a->completion(finished);
}

void commitAnimation(std::shared_ptr<AnimationState> a)
{
    a->record.startTime = Clock::now();
    bool forever = a->record.repeatCount == HUGE_VALF_REPEAT || std::isinf(a->record.repeatCount)
        || (a->record.options & UIViewAnimationOptionRepeat);
    double pass = a->record.duration * (a->record.autoreverses ? 2 : 1);
    double total = a->record.delay + pass * std::max(1.0f, a->record.repeatCount);
    if (!s_animationsEnabled) {
        total = 0;
        forever = false;
    }
    // Taking over a property another animation is changing ends that one, unfinished.
    auto running = s_running;
    for (auto& other : running) {
        bool overlaps = std::any_of(other->views.begin(), other->views.end(), [&](const AnimationState::Change& c) {
            auto view = c.view.lock();
            return view && std::any_of(a->views.begin(), a->views.end(), [&](const AnimationState::Change& mine) {
                return mine.view.lock() == view && (mine.property & c.property);
            });
        });
        if (overlaps)
            finishAnimation(other, false);
    }
    s_running.push_back(a);
    bool delegateAlive = !a->hasDelegate || !a->delegate.expired();
    if (a->willStart && delegateAlive)
        a->willStart(a->record.name, a->context);
    if (forever)
        return;
    std::weak_ptr<AnimationState> weak = a;
    a->timer = NSTimer::timerWithTimeInterval(std::max(0.0, total), false, [weak](NSTimer&) {
        if (auto s = weak.lock())
            finishAnimation(s, true);
    });
    NSRunLoop::currentRunLoop()->addTimer(a->timer, NSRunLoopCommonModes);
}

AnimationState* building() { return s_building.empty() ? nullptr : s_building.back().get(); }

UIViewAnimationCurve curveOfOptions(unsigned options)
{
    return static_cast<UIViewAnimationCurve>((options >> 16) & 0xF);
}

void scheduleLayoutPass()
{
    if (s_layoutPassScheduled)
        return;
    s_layoutPassScheduled = true;
    NSRunLoop::mainRunLoop()->performBlock([] {
        s_layoutPassScheduled = false;
        for (auto& w : UIWindow::allWindows())
            w->layoutIfNeeded();
    });
}

}  // namespace

UIView::UIView(CGRect frame)
    : UIView(frame, CALayer::layer())
{
}

UIView::UIView(CGRect frame, std::shared_ptr<CALayer> layer)
    : m_layer(layer ? std::move(layer) : CALayer::layer())
{
    m_layer->setFrame(frame);
    m_layer->setBounds(CGRectMake(0, 0, frame.size.width, frame.size.height));
    m_layer->setRemoveAllAnimationsObserver([this] { endAnimationsOnThisView(); });
    // Rendering the view's layer draws the view with its subviews.
    m_layer->setViewRenderer([this](const CGContextRef& context) { UIViewRenderTree(*this, context); });
}

UIView::~UIView()
{
    m_layer->setRemoveAllAnimationsObserver(nullptr);
    m_layer->setViewRenderer(nullptr);
    for (auto& sub : m_subviews)
        sub->m_superview = nullptr;
}

std::shared_ptr<UIView> UIView::superview() const
{
    return m_superview ? std::static_pointer_cast<UIView>(m_superview->weak_from_this().lock()) : nullptr;
}

CGRect UIView::frame() const { return m_layer->frame(); }

void UIView::setFrame(CGRect frame)
{
    CGSize old = m_layer->bounds().size;
    m_layer->setFrame(frame);
    noteAnimatedChange(AnimatedPosition | AnimatedBounds);
    if (!(m_layer->bounds().size == old)) {
        resizeSubviewsWithOldSize(old);
        setNeedsLayout();
    }
}

CGRect UIView::bounds() const { return m_layer->bounds(); }

void UIView::setBounds(CGRect bounds)
{
    CGSize old = m_layer->bounds().size;
    m_layer->setBounds(bounds);
    noteAnimatedChange(AnimatedBounds);
    if (!(bounds.size == old)) {
        resizeSubviewsWithOldSize(old);
        setNeedsLayout();
    }
}

CGPoint UIView::center() const { return m_layer->position(); }

void UIView::setCenter(CGPoint center)
{
    m_layer->setPosition(center);
    noteAnimatedChange(AnimatedPosition);
}

CGAffineTransform UIView::transform() const { return m_layer->affineTransform(); }

void UIView::setTransform(CGAffineTransform transform)
{
    m_layer->setAffineTransform(transform);
    noteAnimatedChange(AnimatedTransform);
}

void UIView::setAlpha(CGFloat alpha)
{
    m_layer->setOpacity(alpha);
    noteAnimatedChange(AnimatedAlpha);
}

void UIView::setHidden(bool hidden)
{
    if (hidden && !m_layer->isHidden()) {
        auto first = UIResponder::currentFirstResponder();
        if (auto v = std::dynamic_pointer_cast<UIView>(first); v && v->isDescendantOfView(this))
            v->resignFirstResponder();
    }
    m_layer->setHidden(hidden);
}

void UIView::setBackgroundColor(std::shared_ptr<UIColor> color)
{
    m_backgroundColor = std::move(color);
    noteAnimatedChange(AnimatedBackgroundColor);
    setNeedsDisplay();
}

std::shared_ptr<UIView> UIView::viewWithTag(long tag)
{
    if (m_tag == tag)
        return sharedView();
    for (auto& sub : m_subviews)
        if (auto found = sub->viewWithTag(tag))
            return found;
    return nullptr;
}

std::shared_ptr<UIWindow> UIView::window() const
{
    const UIView* v = this;
    while (auto s = v->superview()) {
        if (auto w = std::dynamic_pointer_cast<UIWindow>(s))
            return w;
        v = s.get();
    }
    return nullptr;
}

bool UIView::isSubview(const UIView* v) const { return indexOfSubview(v) >= 0; }

long UIView::indexOfSubview(const UIView* v) const
{
    for (size_t i = 0; i < m_subviews.size(); ++i)
        if (m_subviews[i].get() == v)
            return static_cast<long>(i);
    return -1;
}

void UIView::notifyWindowChange(UIWindow* oldWindow, UIWindow* newWindow, bool before)
{
    if (oldWindow == newWindow)
        return;
    if (before)
        willMoveToWindow(newWindow);
    else
        didMoveToWindow();
    auto subs = m_subviews;
    for (auto& sub : subs)
        sub->notifyWindowChange(oldWindow, newWindow, before);
}

void UIView::insertSubviewAtIndex(const std::shared_ptr<UIView>& view, long index)
{
    UIKIT_CHECK_MAIN_THREAD();
    if (!view || view.get() == this || isDescendantOfView(view.get()))
        return;
    auto keep = view;
    auto oldSuper = keep->superview();
    if (oldSuper.get() == this) {
        long at = indexOfSubview(keep.get());
        m_subviews.erase(m_subviews.begin() + at);
        index = std::clamp(index, 0L, static_cast<long>(m_subviews.size()));
        m_subviews.insert(m_subviews.begin() + index, keep);
        CALayer::noteDisplayChanged();
        return;
    }
    auto oldWindow = keep->window();
    auto newWindow = window();
    // A view may be built from its constructor, before anything owns it: only a window needs itself here.
    if (auto* w = dynamic_cast<UIWindow*>(this))
        newWindow = w->protect<UIWindow>();
    keep->willMoveToSuperview(this);
    keep->notifyWindowChange(oldWindow.get(), newWindow.get(), true);
    if (oldSuper) {
        oldSuper->willRemoveSubview(keep.get());
        auto& list = oldSuper->m_subviews;
        list.erase(list.begin() + oldSuper->indexOfSubview(keep.get()));
    }
    index = std::clamp(index, 0L, static_cast<long>(m_subviews.size()));
    m_subviews.insert(m_subviews.begin() + index, keep);
    keep->m_superview = this;
    keep->didMoveToSuperview();
    keep->notifyWindowChange(oldWindow.get(), newWindow.get(), false);
    didAddSubview(keep.get());
    keep->setNeedsLayout();
    // The receiver is laid out again on the next pass, unless this is its own layout adding the view.
    if (!m_inLayout)
        setNeedsLayout();
}

void UIView::addSubview(const std::shared_ptr<UIView>& view)
{
    if (view && view->superview().get() == this) {
        bringSubviewToFront(view);
        return;
    }
    insertSubviewAtIndex(view, static_cast<long>(m_subviews.size()));
}

void UIView::insertSubviewAboveSubview(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling)
{
    long at = sibling ? indexOfSubview(sibling.get()) : -1;
    if (at < 0) {
        addSubview(view);
        return;
    }
    if (view && view->superview().get() == this && indexOfSubview(view.get()) < at)
        --at;
    insertSubviewAtIndex(view, at + 1);
}

void UIView::insertSubviewBelowSubview(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling)
{
    long at = sibling ? indexOfSubview(sibling.get()) : -1;
    if (at < 0) {
        addSubview(view);
        return;
    }
    if (view && view->superview().get() == this && indexOfSubview(view.get()) < at)
        --at;
    insertSubviewAtIndex(view, at);
}

void UIView::bringSubviewToFront(const std::shared_ptr<UIView>& view)
{
    long at = view ? indexOfSubview(view.get()) : -1;
    if (at < 0)
        return;
    auto keep = m_subviews[static_cast<size_t>(at)];
    m_subviews.erase(m_subviews.begin() + at);
    m_subviews.push_back(keep);
    CALayer::noteDisplayChanged();
}

void UIView::sendSubviewToBack(const std::shared_ptr<UIView>& view)
{
    long at = view ? indexOfSubview(view.get()) : -1;
    if (at < 0)
        return;
    auto keep = m_subviews[static_cast<size_t>(at)];
    m_subviews.erase(m_subviews.begin() + at);
    m_subviews.insert(m_subviews.begin(), keep);
    CALayer::noteDisplayChanged();
}

void UIView::exchangeSubviewAtIndexWithSubviewAtIndex(long a, long b)
{
    long n = static_cast<long>(m_subviews.size());
    if (a < 0 || b < 0 || a >= n || b >= n)
        return;
    std::swap(m_subviews[static_cast<size_t>(a)], m_subviews[static_cast<size_t>(b)]);
    CALayer::noteDisplayChanged();
}

void UIView::removeFromSuperview()
{
    auto super = superview();
    if (!super)
        return;
    auto keep = sharedView();
    auto oldWindow = window();
    if (auto first = std::dynamic_pointer_cast<UIView>(UIResponder::currentFirstResponder());
        first && first->isDescendantOfView(this))
        first->resignFirstResponder();
    willMoveToSuperview(nullptr);
    notifyWindowChange(oldWindow.get(), nullptr, true);
    super->willRemoveSubview(this);
    auto& list = super->m_subviews;
    long at = super->indexOfSubview(this);
    if (at >= 0)
        list.erase(list.begin() + at);
    m_superview = nullptr;
    CALayer::noteDisplayChanged();
    didMoveToSuperview();
    notifyWindowChange(oldWindow.get(), nullptr, false);
}

bool UIView::isDescendantOfView(const UIView* view) const
{
    if (!view)
        return false;
    for (const UIView* v = this; v;) {
        if (v == view)
            return true;
        v = v->m_superview;
    }
    return false;
}

void UIView::setNeedsLayout()
{
    m_needsLayout = true;
    CALayer::noteDisplayChanged();
    scheduleLayoutPass();
}

void UIView::layoutIfNeeded()
{
    auto keep = sharedView();
    if (m_needsLayout) {
        m_needsLayout = false;
        m_inLayout = true;
        layoutSubviews();
        m_inLayout = false;
    }
    auto subs = m_subviews;
    for (auto& sub : subs)
        sub->layoutIfNeeded();
}

void UIView::sizeToFit()
{
    CGSize size = sizeThatFits(bounds().size);
    CGRect f = frame();
    f.size = size;
    setFrame(f);
}

void UIView::setNeedsDisplay() { m_layer->setNeedsDisplay(); }

void UIView::resizeSubviewsWithOldSize(CGSize oldSize)
{
    if (!m_autoresizesSubviews)
        return;
    CGSize newSize = bounds().size;
    CGFloat dw = newSize.width - oldSize.width;
    CGFloat dh = newSize.height - oldSize.height;
    if (dw == 0 && dh == 0)
        return;
    // Each axis shares its change among its flexible parts in proportion to their sizes.
    auto share = [](CGFloat delta, bool flexA, CGFloat a, bool flexB, CGFloat b, bool flexC, CGFloat c, CGFloat& outA,
                     CGFloat& outB) {
        outA = outB = 0;
        int count = flexA + flexB + flexC;
        if (count == 0 || delta == 0)
            return;
        CGFloat sum = (flexA ? a : 0) + (flexB ? b : 0) + (flexC ? c : 0);
        if (sum > 0) {
            outA = flexA ? delta * a / sum : 0;
            outB = flexB ? delta * b / sum : 0;
        } else {
            outA = flexA ? delta / count : 0;
            outB = flexB ? delta / count : 0;
        }
    };
    auto subs = m_subviews;
    for (auto& sub : subs) {
        unsigned m = sub->autoresizingMask();
        if (m == UIViewAutoresizingNone)
            continue;
        CGRect f = sub->frame();
        CGFloat left = f.origin.x, width = f.size.width, right = oldSize.width - CGRectGetMaxX(f);
        CGFloat top = f.origin.y, height = f.size.height, bottom = oldSize.height - CGRectGetMaxY(f);
        CGFloat dLeft, dWidth, dTop, dHeight;
        share(dw, m & UIViewAutoresizingFlexibleLeftMargin, left, m & UIViewAutoresizingFlexibleWidth, width,
            m & UIViewAutoresizingFlexibleRightMargin, right, dLeft, dWidth);
        share(dh, m & UIViewAutoresizingFlexibleTopMargin, top, m & UIViewAutoresizingFlexibleHeight, height,
            m & UIViewAutoresizingFlexibleBottomMargin, bottom, dTop, dHeight);
        sub->setFrame(CGRectMake(left + dLeft, top + dTop, width + dWidth, height + dHeight));
    }
}

std::shared_ptr<UIView> UIView::hitTestWithEvent(CGPoint point, UIEvent* event)
{
    if (isHidden() || !m_userInteractionEnabled || alpha() < 0.01f)
        return nullptr;
    // A view being animated takes no touches unless its animation allows them.
    if (!s_running.empty() && isInAnimationWithoutInteraction())
        return nullptr;
    if (!pointInsideWithEvent(point, event))
        return nullptr;
    auto subs = m_subviews;
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
        CGPoint p = (*it)->convertPointFromView(point, this);
        if (auto hit = (*it)->hitTestWithEvent(p, event))
            return hit;
    }
    return sharedView();
}

bool UIView::pointInsideWithEvent(CGPoint point, UIEvent*) { return CGRectContainsPoint(bounds(), point); }

namespace {

CGPoint toSuperview(const UIView& v, CGPoint p)
{
    CGRect b = v.bounds();
    CGPoint anchor = v.layer()->anchorPoint();
    CGPoint q { p.x - b.origin.x - b.size.width * anchor.x, p.y - b.origin.y - b.size.height * anchor.y };
    CGAffineTransform t = v.transform();
    if (!CGAffineTransformIsIdentity(t))
        q = CGPointApplyAffineTransform(q, t);
    CGPoint c = v.center();
    return { c.x + q.x, c.y + q.y };
}

CGPoint fromSuperview(const UIView& v, CGPoint p)
{
    CGPoint c = v.center();
    CGPoint q { p.x - c.x, p.y - c.y };
    CGAffineTransform t = v.transform();
    if (!CGAffineTransformIsIdentity(t))
        q = CGPointApplyAffineTransform(q, CGAffineTransformInvert(t));
    CGRect b = v.bounds();
    CGPoint anchor = v.layer()->anchorPoint();
    return { q.x + b.origin.x + b.size.width * anchor.x, q.y + b.origin.y + b.size.height * anchor.y };
}

// The chain from `v` up to its root, `v` first. A window is the root of its
// tree: its own coordinates are the screen's.
std::vector<const UIView*> chainToRoot(const UIView* v)
{
    std::vector<const UIView*> chain;
    while (v) {
        chain.push_back(v);
        if (dynamic_cast<const UIWindow*>(v))
            break;
        auto s = v->superview();
        v = s.get();
    }
    return chain;
}

CGPoint toRoot(const UIView* v, CGPoint p)
{
    auto chain = chainToRoot(v);
    for (const UIView* c : chain) {
        if (dynamic_cast<const UIWindow*>(c))
            break;
        if (!c->superview())
            break;
        p = toSuperview(*c, p);
    }
    return p;
}

CGPoint fromRoot(const UIView* v, CGPoint p)
{
    auto chain = chainToRoot(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const UIView* c = *it;
        if (dynamic_cast<const UIWindow*>(c) || !c->superview())
            continue;
        p = fromSuperview(*c, p);
    }
    return p;
}

}  // namespace

CGPoint UIView::convertPointToView(CGPoint point, const UIView* view) const
{
    if (view == this)
        return point;
    if (view && view->superview().get() == this)
        return fromSuperview(*view, point);
    if (view && superview().get() == view)
        return toSuperview(*this, point);
    CGPoint root = toRoot(this, point);
    return view ? fromRoot(view, root) : root;
}

CGPoint UIView::convertPointFromView(CGPoint point, const UIView* view) const
{
    if (view == this)
        return point;
    if (view && view == superview().get())
        return fromSuperview(*this, point);
    if (view && view->superview().get() == this)
        return toSuperview(*view, point);
    CGPoint root = view ? toRoot(view, point) : point;
    return fromRoot(this, root);
}

CGRect UIView::convertRectToView(CGRect rect, const UIView* view) const
{
    CGPoint a = convertPointToView(rect.origin, view);
    CGPoint b = convertPointToView({ CGRectGetMaxX(rect), CGRectGetMaxY(rect) }, view);
    CGPoint c = convertPointToView({ CGRectGetMaxX(rect), rect.origin.y }, view);
    CGPoint d = convertPointToView({ rect.origin.x, CGRectGetMaxY(rect) }, view);
    CGFloat x0 = std::min({ a.x, b.x, c.x, d.x }), x1 = std::max({ a.x, b.x, c.x, d.x });
    CGFloat y0 = std::min({ a.y, b.y, c.y, d.y }), y1 = std::max({ a.y, b.y, c.y, d.y });
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

CGRect UIView::convertRectFromView(CGRect rect, const UIView* view) const
{
    CGPoint a = convertPointFromView(rect.origin, view);
    CGPoint b = convertPointFromView({ CGRectGetMaxX(rect), CGRectGetMaxY(rect) }, view);
    CGPoint c = convertPointFromView({ CGRectGetMaxX(rect), rect.origin.y }, view);
    CGPoint d = convertPointFromView({ rect.origin.x, CGRectGetMaxY(rect) }, view);
    CGFloat x0 = std::min({ a.x, b.x, c.x, d.x }), x1 = std::max({ a.x, b.x, c.x, d.x });
    CGFloat y0 = std::min({ a.y, b.y, c.y, d.y }), y1 = std::max({ a.y, b.y, c.y, d.y });
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

void UIView::addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    if (!recognizer)
        return;
    if (auto old = recognizer->view(); old && old.get() != this)
        old->removeGestureRecognizer(recognizer);
    if (std::find(m_recognizers.begin(), m_recognizers.end(), recognizer) == m_recognizers.end())
        m_recognizers.push_back(recognizer);
    recognizer->setViewInternal(sharedView());
}

void UIView::removeGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    auto it = std::find(m_recognizers.begin(), m_recognizers.end(), recognizer);
    if (it == m_recognizers.end())
        return;
    m_recognizers.erase(it);
    recognizer->setViewInternal(nullptr);
}

bool UIView::endEditing(bool force)
{
    auto first = UIResponder::currentFirstResponder();
    auto v = std::dynamic_pointer_cast<UIView>(first);
    if (!v || !v->isDescendantOfView(this))
        return true;
    if (v->resignFirstResponder())
        return true;
    if (!force)
        return false;
    // Forced: drop the status even when the responder refuses.
    return v->UIResponder::resignFirstResponder();
}

std::shared_ptr<UIResponder> UIView::nextResponder() const
{
    if (auto c = m_viewController.lock())
        return c;
    return superview();
}

void UIView::noteAnimatedChange(unsigned properties)
{
    if (auto* a = building())
        a->views.push_back({ std::static_pointer_cast<UIView>(weak_from_this().lock()), properties });
}

bool UIView::isInAnimationWithoutInteraction() const
{
    for (auto& a : s_running) {
        if (a->done || (a->record.options & UIViewAnimationOptionAllowUserInteraction))
            continue;
        for (auto& change : a->views)
            if (change.view.lock().get() == this)
                return true;
    }
    return false;
}

void UIView::endAnimationsOnThisView()
{
    auto running = s_running;
    for (auto& a : running) {
        bool mine = std::any_of(
            a->views.begin(), a->views.end(), [this](auto& change) { return change.view.lock().get() == this; });
        if (mine)
            finishAnimation(a, false);
    }
}

void UIView::animateWithDuration(
    double duration, std::function<void()> animations, std::function<void(bool)> completion)
{
    animateWithDurationDelayOptionsAnimationsCompletion(duration, 0, 0, std::move(animations), std::move(completion));
}

void UIView::animateWithDurationDelayOptionsAnimationsCompletion(double duration, double delay, unsigned options,
    std::function<void()> animations, std::function<void(bool)> completion)
{
    auto a = std::make_shared<AnimationState>();
    a->record.duration = duration;
    a->record.delay = delay;
    a->record.options = options;
    a->record.curve = curveOfOptions(options);
    a->record.autoreverses = options & UIViewAnimationOptionAutoreverse;
    a->record.beginsFromCurrentState = options & UIViewAnimationOptionBeginFromCurrentState;
    a->completion = std::move(completion);
    s_building.push_back(a);
    if (animations)
        animations();
    s_building.pop_back();
    commitAnimation(a);
}

void UIView::transitionWithViewDurationOptionsAnimationsCompletion(const std::shared_ptr<UIView>& view, double duration,
    unsigned options, std::function<void()> animations, std::function<void(bool)> completion)
{
    animateWithDurationDelayOptionsAnimationsCompletion(
        duration, 0, options,
        [&] {
            if (view)
                view->noteAnimatedChange(AnimatedContents);
            if (animations)
                animations();
        },
        std::move(completion));
}

void UIView::beginAnimationsContext(const std::string& animationID, void* context)
{
    auto a = std::make_shared<AnimationState>();
    a->record.name = animationID;
    a->context = context;
    s_building.push_back(a);
}

void UIView::commitAnimations()
{
    if (s_building.empty())
        return;
    auto a = s_building.back();
    s_building.pop_back();
    commitAnimation(a);
}

void UIView::setAnimationDuration(double duration)
{
    if (auto* a = building())
        a->record.duration = duration;
}

void UIView::setAnimationDelay(double delay)
{
    if (auto* a = building())
        a->record.delay = delay;
}

void UIView::setAnimationCurve(UIViewAnimationCurve curve)
{
    if (auto* a = building())
        a->record.curve = curve;
}

void UIView::setAnimationRepeatCount(float count)
{
    if (auto* a = building())
        a->record.repeatCount = count;
}

void UIView::setAnimationRepeatAutoreverses(bool autoreverses)
{
    if (auto* a = building())
        a->record.autoreverses = autoreverses;
}

void UIView::setAnimationBeginsFromCurrentState(bool fromCurrent)
{
    if (auto* a = building())
        a->record.beginsFromCurrentState = fromCurrent;
}

void UIView::setAnimationDelegate(std::weak_ptr<void> delegate)
{
    if (auto* a = building()) {
        a->delegate = std::move(delegate);
        a->hasDelegate = true;
    }
}

void UIView::setAnimationWillStartSelector(std::function<void(const std::string&, void*)> selector)
{
    if (auto* a = building())
        a->willStart = std::move(selector);
}

void UIView::setAnimationDidStopSelector(std::function<void(const std::string&, bool, void*)> selector)
{
    if (auto* a = building())
        a->didStop = std::move(selector);
}

void UIView::setAnimationsEnabled(bool enabled) { s_animationsEnabled = enabled; }

bool UIView::areAnimationsEnabled() { return s_animationsEnabled; }

void UIView::performWithoutAnimation(const std::function<void()>& actions)
{
    bool was = s_animationsEnabled;
    s_animationsEnabled = false;
    if (actions)
        actions();
    s_animationsEnabled = was;
}

std::vector<UIViewAnimationRecord> UIView::runningAnimations()
{
    std::vector<UIViewAnimationRecord> out;
    for (auto& a : s_running)
        out.push_back(a->record);
    return out;
}
