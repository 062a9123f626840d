#include "Platform/UIKit/UIControl.h"

#include <algorithm>

int UIControl::addTarget(unsigned events, Action action)
{
    int token = m_nextToken++;
    m_targets.push_back({ token, events, std::move(action) });
    return token;
}

void UIControl::removeTarget(int token)
{
    m_targets.erase(std::remove_if(m_targets.begin(), m_targets.end(), [token](auto& t) { return t.token == token; }),
        m_targets.end());
}

unsigned UIControl::allControlEvents() const
{
    unsigned all = 0;
    for (auto& t : m_targets)
        all |= t.events;
    return all;
}

void UIControl::sendActionsForControlEvents(unsigned events, UIEvent* event)
{
    // An action may remove the control or its targets: keep both for the call.
    auto keep = shared_from_this();
    auto targets = m_targets;
    for (auto& t : targets)
        if ((t.events & events) && t.action)
            t.action(*this, event);
}

void UIControl::setEnabled(bool enabled)
{
    m_enabled = enabled;
    setNeedsDisplay();
}

void UIControl::setSelected(bool selected)
{
    m_selected = selected;
    setNeedsDisplay();
}

void UIControl::setHighlighted(bool highlighted)
{
    m_highlighted = highlighted;
    setNeedsDisplay();
}

unsigned UIControl::state() const
{
    unsigned s = UIControlStateNormal;
    if (m_highlighted)
        s |= UIControlStateHighlighted;
    if (!m_enabled)
        s |= UIControlStateDisabled;
    if (m_selected)
        s |= UIControlStateSelected;
    return s;
}

bool UIControl::isInsideWithSlop(CGPoint p) const
{
    return CGRectContainsPoint(CGRectInset(bounds(), -kTouchSlop, -kTouchSlop), p);
}

void UIControl::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (!m_enabled || touches.empty())
        return;
    auto keep = shared_from_this();
    m_tracking = true;
    m_touchInside = true;
    setHighlighted(true);
    unsigned events = UIControlEventTouchDown;
    if (touches.front()->tapCount() > 1)
        events |= UIControlEventTouchDownRepeat;
    sendActionsForControlEvents(events, event);
}

void UIControl::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (!m_enabled || !m_tracking || touches.empty())
        return;
    bool inside = isInsideWithSlop(touches.front()->locationInView(this));
    unsigned events = inside ? UIControlEventTouchDragInside : UIControlEventTouchDragOutside;
    if (inside != m_touchInside)
        events |= inside ? UIControlEventTouchDragEnter : UIControlEventTouchDragExit;
    m_touchInside = inside;
    setHighlighted(inside);
    sendActionsForControlEvents(events, event);
}

void UIControl::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (!m_enabled || !m_tracking || touches.empty())
        return;
    auto keep = shared_from_this();
    m_tracking = false;
    setHighlighted(false);
    CGPoint p = touches.front()->locationInView(this);
    bool inside = isInsideWithSlop(p);
    m_touchInside = inside;
    if (inside)
        didTapAt(p, event);
    sendActionsForControlEvents(inside ? UIControlEventTouchUpInside : UIControlEventTouchUpOutside, event);
}

void UIControl::touchesCancelledWithEvent(const UITouchSet&, UIEvent* event)
{
    if (!m_tracking)
        return;
    m_tracking = false;
    setHighlighted(false);
    sendActionsForControlEvents(UIControlEventTouchCancel, event);
}
