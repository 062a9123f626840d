#pragma once

// Controls track a touch from its touch-down to its lift and send their
// target-actions per event: touch-down, drag inside and outside, touch-up
// inside (lifted within the bounds grown by the platform's 70-point slop) or
// outside, cancel, value changed, and the editing events of text fields. A
// disabled control keeps the touch to itself and sends nothing.

#include "Platform/UIKit/UIView.h"

#include <functional>

enum UIControlEvents : unsigned {
    UIControlEventTouchDown = 1 << 0,
    UIControlEventTouchDownRepeat = 1 << 1,
    UIControlEventTouchDragInside = 1 << 2,
    UIControlEventTouchDragOutside = 1 << 3,
    UIControlEventTouchDragEnter = 1 << 4,
    UIControlEventTouchDragExit = 1 << 5,
    UIControlEventTouchUpInside = 1 << 6,
    UIControlEventTouchUpOutside = 1 << 7,
    UIControlEventTouchCancel = 1 << 8,
    UIControlEventValueChanged = 1 << 12,
    UIControlEventEditingDidBegin = 1 << 16,
    UIControlEventEditingChanged = 1 << 17,
    UIControlEventEditingDidEnd = 1 << 18,
    UIControlEventEditingDidEndOnExit = 1 << 19,
    UIControlEventAllTouchEvents = 0x00000FFF,
    UIControlEventAllEvents = 0xFFFFFFFF,
};

enum UIControlState : unsigned {
    UIControlStateNormal = 0,
    UIControlStateHighlighted = 1 << 0,
    UIControlStateDisabled = 1 << 1,
    UIControlStateSelected = 1 << 2,
};

enum UIControlContentHorizontalAlignment {
    UIControlContentHorizontalAlignmentCenter,
    UIControlContentHorizontalAlignmentLeft,
    UIControlContentHorizontalAlignmentRight,
    UIControlContentHorizontalAlignmentFill,
};

enum UIControlContentVerticalAlignment {
    UIControlContentVerticalAlignmentCenter,
    UIControlContentVerticalAlignmentTop,
    UIControlContentVerticalAlignmentBottom,
    UIControlContentVerticalAlignmentFill,
};

class UIControl : public UIView {
public:
    using Action = std::function<void(UIControl&, UIEvent*)>;
    static constexpr CGFloat kTouchSlop = 70;

    using UIView::UIView;

    // Registers `action` for the events of `events`; answers a token for removal.
    int addTarget(unsigned events, Action action);
    void removeTarget(int token);
    void removeAllTargets() { m_targets.clear(); }
    void sendActionsForControlEvents(unsigned events, UIEvent* event = nullptr);
    // The events some action is registered for.
    unsigned allControlEvents() const;

    bool isEnabled() const { return m_enabled; }
    virtual void setEnabled(bool enabled);
    bool isSelected() const { return m_selected; }
    virtual void setSelected(bool selected);
    bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted);
    bool isTracking() const { return m_tracking; }
    bool isTouchInside() const { return m_touchInside; }
    unsigned state() const;

    UIControlContentHorizontalAlignment contentHorizontalAlignment() const { return m_hAlign; }
    void setContentHorizontalAlignment(UIControlContentHorizontalAlignment a)
    {
        m_hAlign = a;
        setNeedsDisplay();
    }
    UIControlContentVerticalAlignment contentVerticalAlignment() const { return m_vAlign; }
    void setContentVerticalAlignment(UIControlContentVerticalAlignment a)
    {
        m_vAlign = a;
        setNeedsDisplay();
    }

    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event) override;

protected:
    // Hooks for subclasses that act on a finished tap (a switch flips, a segment is chosen).
    virtual void didTapAt(CGPoint point, UIEvent* event) { }
    bool isInsideWithSlop(CGPoint p) const;

private:
    struct Target {
        int token;
        unsigned events;
        Action action;
    };
    std::vector<Target> m_targets;
    int m_nextToken = 1;
    bool m_enabled = true;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_tracking = false;
    bool m_touchInside = false;
    UIControlContentHorizontalAlignment m_hAlign = UIControlContentHorizontalAlignmentCenter;
    UIControlContentVerticalAlignment m_vAlign = UIControlContentVerticalAlignmentCenter;
};
