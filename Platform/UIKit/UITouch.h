#pragma once

// A finger on the screen from its touch-down to its lift, and the event that
// carries the touches of one moment. Locations are kept in window coordinates
// and converted on request.

#include "Platform/QuartzCore/CAGeometry.h"
#include "Platform/UIKit/UIResponder.h"

#include <memory>
#include <vector>

class UIView;
class UIWindow;
class UIGestureRecognizer;

enum UITouchPhase {
    UITouchPhaseBegan,
    UITouchPhaseMoved,
    UITouchPhaseStationary,
    UITouchPhaseEnded,
    UITouchPhaseCancelled,
};

class UITouch {
public:
    UITouchPhase phase() const { return m_phase; }
    unsigned long tapCount() const { return m_tapCount; }
    double timestamp() const { return m_timestamp; }
    std::shared_ptr<UIView> view() const { return m_view.lock(); }
    std::shared_ptr<UIWindow> window() const { return m_window.lock(); }
    // The location in `view`'s coordinates; in the window's when `view` is null.
    CGPoint locationInView(const UIView* view) const;
    CGPoint previousLocationInView(const UIView* view) const;
    CGPoint locationInView(const std::shared_ptr<UIView>& view) const { return locationInView(view.get()); }
    CGPoint previousLocationInView(const std::shared_ptr<UIView>& view) const
    {
        return previousLocationInView(view.get());
    }
    const std::vector<std::weak_ptr<UIGestureRecognizer>>& gestureRecognizers() const { return m_recognizers; }

    // Used by the window that delivers the touch.
    void setPhase(UITouchPhase p) { m_phase = p; }
    void setTapCount(unsigned long n) { m_tapCount = n; }
    void setTimestamp(double t) { m_timestamp = t; }
    void setView(const std::shared_ptr<UIView>& v) { m_view = v; }
    void setWindow(const std::shared_ptr<UIWindow>& w) { m_window = w; }
    void moveTo(CGPoint windowPoint)
    {
        m_previous = m_location;
        m_location = windowPoint;
    }
    CGPoint windowLocation() const { return m_location; }
    std::vector<std::weak_ptr<UIGestureRecognizer>>& mutableRecognizers() { return m_recognizers; }

private:
    UITouchPhase m_phase = UITouchPhaseBegan;
    unsigned long m_tapCount = 1;
    double m_timestamp = 0;
    std::weak_ptr<UIView> m_view;
    std::weak_ptr<UIWindow> m_window;
    CGPoint m_location {};
    CGPoint m_previous {};
    std::vector<std::weak_ptr<UIGestureRecognizer>> m_recognizers;
};

class UIEvent {
public:
    const UITouchSet& allTouches() const { return m_touches; }
    UITouchSet touchesForView(const UIView* view) const;
    double timestamp() const { return m_timestamp; }

    void setTouches(UITouchSet touches) { m_touches = std::move(touches); }
    void setTimestamp(double t) { m_timestamp = t; }

private:
    UITouchSet m_touches;
    double m_timestamp = 0;
};
