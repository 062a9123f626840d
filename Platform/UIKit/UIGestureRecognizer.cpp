#include "Platform/UIKit/UIGestureRecognizer.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIView.h"

#include <algorithm>
#include <cmath>

namespace {

CGFloat distance(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

CGPoint centroid(const std::vector<std::shared_ptr<UITouch>>& touches)
{
    CGPoint c {};
    if (touches.empty())
        return c;
    for (auto& t : touches) {
        c.x += t->windowLocation().x;
        c.y += t->windowLocation().y;
    }
    c.x /= touches.size();
    c.y /= touches.size();
    return c;
}

CGPoint windowToView(CGPoint p, const UIView* view) { return view ? view->convertPointFromView(p, nullptr) : p; }

}  // namespace

UIGestureRecognizer::UIGestureRecognizer(Action action)
{
    if (action)
        m_actions.push_back(std::move(action));
}

UIGestureRecognizer::~UIGestureRecognizer()
{
    if (m_timer)
        m_timer->invalidate();
}

void UIGestureRecognizer::addTarget(Action action)
{
    if (action)
        m_actions.push_back(std::move(action));
}

void UIGestureRecognizer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled && (m_state == UIGestureRecognizerStateBegan || m_state == UIGestureRecognizerStateChanged))
        setState(UIGestureRecognizerStateCancelled);
    if (!enabled)
        reset();
}

void UIGestureRecognizer::requireGestureRecognizerToFail(const std::shared_ptr<UIGestureRecognizer>& other)
{
    if (!other || other.get() == this)
        return;
    m_required.push_back(other);
    other->m_dependents.push_back(weak_from_this());
}

bool UIGestureRecognizer::waitingForRequiredFailure() const
{
    for (auto& w : m_required)
        if (auto r = w.lock())
            if (r->isTracking() && r->state() == UIGestureRecognizerStatePossible)
                return true;
    return false;
}

void UIGestureRecognizer::setState(UIGestureRecognizerState state)
{
    auto self = shared_from_this();
    if (m_state == UIGestureRecognizerStatePossible
        && (state == UIGestureRecognizerStateBegan || state == UIGestureRecognizerStateEnded)) {
        if (auto d = m_delegate.lock(); d && !d->gestureRecognizerShouldBegin(*this))
            state = UIGestureRecognizerStateFailed;
        for (auto& w : m_required)
            if (auto r = w.lock(); r && r->isTracking()
                && (r->state() == UIGestureRecognizerStateBegan || r->state() == UIGestureRecognizerStateEnded
                    || r->state() == UIGestureRecognizerStateChanged))
                state = UIGestureRecognizerStateFailed;
    }
    m_state = state;
    if (state == UIGestureRecognizerStateBegan || state == UIGestureRecognizerStateChanged
        || state == UIGestureRecognizerStateEnded || state == UIGestureRecognizerStateCancelled) {
        auto actions = m_actions;
        for (auto& a : actions)
            a(*this);
    }
    auto dependents = m_dependents;
    for (auto& w : dependents)
        if (auto d = w.lock())
            d->requiredRecognizerChanged();
}

void UIGestureRecognizer::startTimer(double seconds, std::function<void()> fire)
{
    stopTimer();
    std::weak_ptr<UIGestureRecognizer> weak = weak_from_this();
    m_timer = NSTimer::timerWithTimeInterval(seconds, false, [weak, fire = std::move(fire)](NSTimer&) {
        if (auto self = weak.lock())
            fire();
    });
    NSRunLoop::currentRunLoop()->addTimer(m_timer, NSRunLoopCommonModes);
}

void UIGestureRecognizer::stopTimer()
{
    if (m_timer) {
        m_timer->invalidate();
        m_timer.reset();
    }
}

void UIGestureRecognizer::rememberTouches(const UITouchSet& touches)
{
    m_tracking = true;
    for (auto& t : touches)
        if (std::find(m_touches.begin(), m_touches.end(), t) == m_touches.end())
            m_touches.push_back(t);
    m_lastCentroid = centroid(m_touches);
}

void UIGestureRecognizer::forgetTouches(const UITouchSet& touches)
{
    m_lastCentroid = centroid(m_touches);
    for (auto& t : touches)
        m_touches.erase(std::remove(m_touches.begin(), m_touches.end(), t), m_touches.end());
}

CGPoint UIGestureRecognizer::locationInView(const UIView* view) const
{
    CGPoint c = m_touches.empty() ? m_lastCentroid : centroid(m_touches);
    return windowToView(c, view);
}

CGPoint UIGestureRecognizer::locationOfTouchInView(unsigned long index, const UIView* view) const
{
    if (index >= m_touches.size())
        return CGPointZero;
    return windowToView(m_touches[index]->windowLocation(), view);
}

void UIGestureRecognizer::touchesBeganWithEvent(const UITouchSet& touches, UIEvent*) { rememberTouches(touches); }

void UIGestureRecognizer::touchesMovedWithEvent(const UITouchSet&, UIEvent*) { m_lastCentroid = centroid(m_touches); }

void UIGestureRecognizer::touchesEndedWithEvent(const UITouchSet& touches, UIEvent*) { forgetTouches(touches); }

void UIGestureRecognizer::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent*)
{
    forgetTouches(touches);
    if (m_state == UIGestureRecognizerStateBegan || m_state == UIGestureRecognizerStateChanged)
        setState(UIGestureRecognizerStateCancelled);
    else if (m_state == UIGestureRecognizerStatePossible)
        setState(UIGestureRecognizerStateFailed);
}

void UIGestureRecognizer::reset()
{
    stopTimer();
    m_touches.clear();
    m_tracking = false;
    m_state = UIGestureRecognizerStatePossible;
}

// Tap: every touch lifts near where it went down; the taps follow each other
// within the tap interval; the required number of fingers was down at once.

void UITapGestureRecognizer::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (state() != UIGestureRecognizerStatePossible || m_pending)
        return;
    stopTimer();
    if (m_touches.empty())
        m_start = centroid(touches);
    UIGestureRecognizer::touchesBeganWithEvent(touches, event);
    m_maxTouches = std::max<unsigned long>(m_maxTouches, m_touches.size());
    if (m_touches.size() > numberOfTouchesRequired)
        setState(UIGestureRecognizerStateFailed);
}

void UITapGestureRecognizer::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesMovedWithEvent(touches, event);
    if (state() == UIGestureRecognizerStatePossible && !m_pending && distance(centroid(m_touches), m_start) > 10)
        setState(UIGestureRecognizerStateFailed);
}

void UITapGestureRecognizer::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesEndedWithEvent(touches, event);
    if (state() != UIGestureRecognizerStatePossible || m_pending || !m_touches.empty())
        return;
    if (m_maxTouches != numberOfTouchesRequired) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    m_maxTouches = 0;
    ++m_taps;
    if (m_taps >= numberOfTapsRequired) {
        if (waitingForRequiredFailure()) {
            m_pending = true;
            return;
        }
        setState(UIGestureRecognizerStateEnded);
        return;
    }
    startTimer(kTapInterval, [this] {
        if (state() == UIGestureRecognizerStatePossible && !m_pending) {
            setState(UIGestureRecognizerStateFailed);
            reset();
        }
    });
}

void UITapGestureRecognizer::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesCancelledWithEvent(touches, event);
}

void UITapGestureRecognizer::requiredRecognizerChanged()
{
    if (!m_pending || waitingForRequiredFailure())
        return;
    m_pending = false;
    auto self = shared_from_this();
    setState(UIGestureRecognizerStateEnded);
    reset();
}

void UITapGestureRecognizer::reset()
{
    UIGestureRecognizer::reset();
    m_taps = 0;
    m_maxTouches = 0;
    m_pending = false;
}

// Long press: the fingers stay down, within the allowable movement, for the
// minimum duration; it then reports moves as changes until they lift.

void UILongPressGestureRecognizer::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesBeganWithEvent(touches, event);
    if (state() != UIGestureRecognizerStatePossible)
        return;
    m_start = centroid(m_touches);
    if (m_touches.size() > numberOfTouchesRequired) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    if (m_touches.size() == numberOfTouchesRequired)
        startTimer(minimumPressDuration, [this] {
            if (state() == UIGestureRecognizerStatePossible && m_touches.size() == numberOfTouchesRequired)
                setState(UIGestureRecognizerStateBegan);
        });
}

void UILongPressGestureRecognizer::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesMovedWithEvent(touches, event);
    if (state() == UIGestureRecognizerStatePossible) {
        if (distance(centroid(m_touches), m_start) > allowableMovement) {
            stopTimer();
            setState(UIGestureRecognizerStateFailed);
        }
    } else if (state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged) {
        setState(UIGestureRecognizerStateChanged);
    }
}

void UILongPressGestureRecognizer::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesEndedWithEvent(touches, event);
    if (state() == UIGestureRecognizerStatePossible) {
        stopTimer();
        setState(UIGestureRecognizerStateFailed);
    } else if (m_touches.empty()
        && (state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged)) {
        setState(UIGestureRecognizerStateEnded);
    }
}

void UILongPressGestureRecognizer::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event)
{
    stopTimer();
    UIGestureRecognizer::touchesCancelledWithEvent(touches, event);
}

// Pan.

CGPoint UIPanGestureRecognizer::translationInView(const UIView* view) const
{
    CGPoint now = m_touches.empty() ? m_lastCentroid : centroid(m_touches);
    CGPoint a = windowToView(m_start, view);
    CGPoint b = windowToView(now, view);
    return { b.x - a.x + m_translationBase.x, b.y - a.y + m_translationBase.y };
}

void UIPanGestureRecognizer::setTranslationInView(CGPoint translation, const UIView*)
{
    m_start = m_touches.empty() ? m_lastCentroid : centroid(m_touches);
    m_translationBase = translation;
}

CGPoint UIPanGestureRecognizer::velocityInView(const UIView*) const { return m_velocity; }

void UIPanGestureRecognizer::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesBeganWithEvent(touches, event);
    if (state() == UIGestureRecognizerStatePossible) {
        m_start = centroid(m_touches);
        m_previous = m_start;
        m_previousTime = Clock::now();
        if (m_touches.size() > maximumNumberOfTouches)
            setState(UIGestureRecognizerStateFailed);
    }
}

void UIPanGestureRecognizer::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesMovedWithEvent(touches, event);
    CGPoint now = centroid(m_touches);
    double t = Clock::now();
    double dt = t - m_previousTime;
    if (dt > 0)
        m_velocity
            = { static_cast<CGFloat>((now.x - m_previous.x) / dt), static_cast<CGFloat>((now.y - m_previous.y) / dt) };
    m_previous = now;
    m_previousTime = t;
    if (state() == UIGestureRecognizerStatePossible) {
        if (m_touches.size() >= minimumNumberOfTouches && m_touches.size() <= maximumNumberOfTouches
            && distance(now, m_start) > kHysteresis)
            setState(UIGestureRecognizerStateBegan);
    } else if (state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged) {
        setState(UIGestureRecognizerStateChanged);
    }
}

void UIPanGestureRecognizer::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesEndedWithEvent(touches, event);
    if (!m_touches.empty())
        return;
    if (state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged)
        setState(UIGestureRecognizerStateEnded);
    else if (state() == UIGestureRecognizerStatePossible)
        setState(UIGestureRecognizerStateFailed);
}

void UIPanGestureRecognizer::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesCancelledWithEvent(touches, event);
}

void UIPanGestureRecognizer::reset()
{
    UIGestureRecognizer::reset();
    m_translationBase = {};
    m_velocity = {};
}

// Pinch: two fingers; the scale is their spread over the spread at the start.

CGFloat UIPinchGestureRecognizer::spread() const
{
    if (m_touches.size() < 2)
        return 0;
    return distance(m_touches[0]->windowLocation(), m_touches[1]->windowLocation());
}

void UIPinchGestureRecognizer::setScale(CGFloat s)
{
    m_scaleBase = s;
    m_startSpread = spread();
    m_scale = s;
}

void UIPinchGestureRecognizer::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesBeganWithEvent(touches, event);
    if (m_touches.size() == 2 && state() == UIGestureRecognizerStatePossible) {
        m_startSpread = spread();
        m_lastTime = Clock::now();
    }
}

void UIPinchGestureRecognizer::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesMovedWithEvent(touches, event);
    if (m_touches.size() < 2 || m_startSpread <= 0)
        return;
    CGFloat newScale = m_scaleBase * spread() / m_startSpread;
    double t = Clock::now();
    if (t > m_lastTime)
        m_velocity = static_cast<CGFloat>((newScale - m_scale) / (t - m_lastTime));
    m_lastTime = t;
    m_scale = newScale;
    if (state() == UIGestureRecognizerStatePossible) {
        if (std::fabs(m_scale - 1) > 0.05f)
            setState(UIGestureRecognizerStateBegan);
    } else if (state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged) {
        setState(UIGestureRecognizerStateChanged);
    }
}

void UIPinchGestureRecognizer::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesEndedWithEvent(touches, event);
    if (state() == UIGestureRecognizerStateBegan || state() == UIGestureRecognizerStateChanged)
        setState(UIGestureRecognizerStateEnded);
    else if (m_touches.empty() && state() == UIGestureRecognizerStatePossible)
        setState(UIGestureRecognizerStateFailed);
}

void UIPinchGestureRecognizer::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesCancelledWithEvent(touches, event);
}

void UIPinchGestureRecognizer::reset()
{
    UIGestureRecognizer::reset();
    m_scale = 1;
    m_scaleBase = 1;
    m_velocity = 0;
    m_startSpread = 0;
}

// Swipe.

void UISwipeGestureRecognizer::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesBeganWithEvent(touches, event);
    m_start = centroid(m_touches);
    m_startTime = Clock::now();
    if (m_touches.size() > numberOfTouchesRequired)
        setState(UIGestureRecognizerStateFailed);
}

void UISwipeGestureRecognizer::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesMovedWithEvent(touches, event);
    if (state() != UIGestureRecognizerStatePossible || m_touches.size() != numberOfTouchesRequired)
        return;
    if (Clock::now() - m_startTime > kMaximumDuration) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    CGPoint now = centroid(m_touches);
    CGFloat dx = now.x - m_start.x, dy = now.y - m_start.y;
    bool hit = false;
    if ((direction & UISwipeGestureRecognizerDirectionRight) && dx >= kMinimumDistance && std::fabs(dy) < dx / 2)
        hit = true;
    if ((direction & UISwipeGestureRecognizerDirectionLeft) && -dx >= kMinimumDistance && std::fabs(dy) < -dx / 2)
        hit = true;
    if ((direction & UISwipeGestureRecognizerDirectionDown) && dy >= kMinimumDistance && std::fabs(dx) < dy / 2)
        hit = true;
    if ((direction & UISwipeGestureRecognizerDirectionUp) && -dy >= kMinimumDistance && std::fabs(dx) < -dy / 2)
        hit = true;
    if (hit)
        setState(UIGestureRecognizerStateEnded);
}

void UISwipeGestureRecognizer::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesEndedWithEvent(touches, event);
    if (state() == UIGestureRecognizerStatePossible && m_touches.empty())
        setState(UIGestureRecognizerStateFailed);
}

void UISwipeGestureRecognizer::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIGestureRecognizer::touchesCancelledWithEvent(touches, event);
}
