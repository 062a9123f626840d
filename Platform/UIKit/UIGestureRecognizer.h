#pragma once

// Gesture recognisers are fed the touches of their view (and of its
// subviews) by the window before the view sees them. A recogniser that
// recognises cancels the touches in its view (unless told not to) and makes
// the other recognisers of those touches fail, unless a delegate lets them
// run together. Recognisers that wait (the second tap of a double tap, a
// long press's minimum duration) wait on timers of the current run loop, so
// they move with the process clock.

#include "Platform/QuartzCore/CAGeometry.h"
#include "Platform/UIKit/UITouch.h"

#include <functional>
#include <memory>
#include <vector>

class UIView;
class UIGestureRecognizer;
class NSTimer;

enum UIGestureRecognizerState {
    UIGestureRecognizerStatePossible,
    UIGestureRecognizerStateBegan,
    UIGestureRecognizerStateChanged,
    UIGestureRecognizerStateEnded,
    UIGestureRecognizerStateCancelled,
    UIGestureRecognizerStateFailed,
    UIGestureRecognizerStateRecognized = UIGestureRecognizerStateEnded,
};

class UIGestureRecognizerDelegate {
public:
    virtual ~UIGestureRecognizerDelegate() = default;
    virtual bool gestureRecognizerShouldBegin(UIGestureRecognizer&) { return true; }
    virtual bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer&, UITouch&) { return true; }
    virtual bool gestureRecognizerShouldRecognizeSimultaneouslyWithGestureRecognizer(
        UIGestureRecognizer&, UIGestureRecognizer&)
    {
        return false;
    }
};

class UIGestureRecognizer : public std::enable_shared_from_this<UIGestureRecognizer> {
public:
    using Action = std::function<void(UIGestureRecognizer&)>;

    explicit UIGestureRecognizer(Action action = nullptr);
    virtual ~UIGestureRecognizer();

    void addTarget(Action action);
    void removeAllTargets() { m_actions.clear(); }

    UIGestureRecognizerState state() const { return m_state; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool cancelsTouchesInView() const { return m_cancelsTouchesInView; }
    void setCancelsTouchesInView(bool on) { m_cancelsTouchesInView = on; }
    bool delaysTouchesEnded() const { return m_delaysTouchesEnded; }
    void setDelaysTouchesEnded(bool on) { m_delaysTouchesEnded = on; }
    std::shared_ptr<UIView> view() const { return m_view.lock(); }
    std::shared_ptr<UIGestureRecognizerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIGestureRecognizerDelegate> d) { m_delegate = std::move(d); }

    // This recogniser recognises only once `other` has failed.
    void requireGestureRecognizerToFail(const std::shared_ptr<UIGestureRecognizer>& other);

    // The centroid of the current touches (the last ones after they lifted).
    virtual CGPoint locationInView(const UIView* view) const;
    CGPoint locationInView(const std::shared_ptr<UIView>& view) const { return locationInView(view.get()); }
    unsigned long numberOfTouches() const { return m_touches.size(); }
    CGPoint locationOfTouchInView(unsigned long index, const UIView* view) const;

    // Fed by the window.
    virtual void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event);
    virtual void touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event);
    virtual void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event);
    virtual void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event);
    // Back to Possible, forgetting the touches; called when a finished sequence is over.
    virtual void reset();
    // Whether it has seen touches since the last reset.
    bool isTracking() const { return m_tracking; }

    void setViewInternal(const std::shared_ptr<UIView>& view) { m_view = view; }

protected:
    // Moves to `state`, sending the actions for began, changed, ended and
    // cancelled. Moving out of Possible asks the delegate first.
    void setState(UIGestureRecognizerState state);
    // Whether a recogniser this one waits on has not failed yet.
    bool waitingForRequiredFailure() const;
    virtual void requiredRecognizerChanged() { }
    // A one-shot timer on the current run loop; replaces any earlier one.
    void startTimer(double seconds, std::function<void()> fire);
    void stopTimer();

    void rememberTouches(const UITouchSet& touches);
    void forgetTouches(const UITouchSet& touches);

    std::vector<std::shared_ptr<UITouch>> m_touches;
    CGPoint m_lastCentroid {};

private:
    std::vector<Action> m_actions;
    UIGestureRecognizerState m_state = UIGestureRecognizerStatePossible;
    bool m_enabled = true;
    bool m_cancelsTouchesInView = true;
    bool m_delaysTouchesEnded = true;
    bool m_tracking = false;
    std::weak_ptr<UIView> m_view;
    std::weak_ptr<UIGestureRecognizerDelegate> m_delegate;
    std::vector<std::weak_ptr<UIGestureRecognizer>> m_required;
    std::vector<std::weak_ptr<UIGestureRecognizer>> m_dependents;
    std::shared_ptr<NSTimer> m_timer;
};

class UITapGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    unsigned long numberOfTapsRequired = 1;
    unsigned long numberOfTouchesRequired = 1;
    // The longest wait for the next tap of a multiple tap.
    static constexpr double kTapInterval = 0.35;

    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesEndedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override;
    void reset() override;

protected:
    void requiredRecognizerChanged() override;

private:
    unsigned long m_taps = 0;
    unsigned long m_maxTouches = 0;
    CGPoint m_start {};
    bool m_pending = false;
};

class UILongPressGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    double minimumPressDuration = 0.5;
    unsigned long numberOfTouchesRequired = 1;
    CGFloat allowableMovement = 10;

    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesEndedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override;

private:
    CGPoint m_start {};
};

class UIPanGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    unsigned long minimumNumberOfTouches = 1;
    unsigned long maximumNumberOfTouches = ~0UL;
    // How far a finger must move before the pan begins.
    static constexpr CGFloat kHysteresis = 10;

    CGPoint translationInView(const UIView* view) const;
    void setTranslationInView(CGPoint translation, const UIView* view);
    // Points per second, from the last two moves.
    CGPoint velocityInView(const UIView* view) const;

    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesEndedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override;
    void reset() override;

private:
    CGPoint m_start {};  // window coordinates
    CGPoint m_translationBase {};
    CGPoint m_velocity {};
    CGPoint m_previous {};
    double m_previousTime = 0;
};

class UIPinchGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    CGFloat scale() const { return m_scale; }
    void setScale(CGFloat s);
    CGFloat velocity() const { return m_velocity; }

    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesEndedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override;
    void reset() override;

private:
    CGFloat spread() const;
    CGFloat m_startSpread = 0;
    CGFloat m_scale = 1;
    CGFloat m_scaleBase = 1;
    CGFloat m_velocity = 0;
    double m_lastTime = 0;
};

enum UISwipeGestureRecognizerDirection : unsigned {
    UISwipeGestureRecognizerDirectionRight = 1 << 0,
    UISwipeGestureRecognizerDirectionLeft = 1 << 1,
    UISwipeGestureRecognizerDirectionUp = 1 << 2,
    UISwipeGestureRecognizerDirectionDown = 1 << 3,
};

class UISwipeGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    unsigned direction = UISwipeGestureRecognizerDirectionRight;
    unsigned long numberOfTouchesRequired = 1;
    // A swipe covers this distance within the time limit, mostly along its direction.
    static constexpr CGFloat kMinimumDistance = 50;
    static constexpr double kMaximumDuration = 0.5;

    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesEndedWithEvent(const UITouchSet&, UIEvent*) override;
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override;

private:
    CGPoint m_start {};
    double m_startTime = 0;
};
