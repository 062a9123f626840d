#include "Platform/UIKit/UIResponder.h"

namespace {
std::weak_ptr<UIResponder> s_firstResponder;
std::weak_ptr<UIResponder> s_incoming;
}

bool UIResponder::becomeFirstResponder()
{
    if (isFirstResponder())
        return true;
    if (!canBecomeFirstResponder())
        return false;
    auto current = s_firstResponder.lock();
    if (current) {
        s_incoming = weak_from_this();
        bool resigned = current->resignFirstResponder();
        s_incoming.reset();
        if (!resigned)
            return false;
    }
    s_firstResponder = weak_from_this();
    didBecomeFirstResponder();
    return true;
}

bool UIResponder::resignFirstResponder()
{
    if (!isFirstResponder())
        return true;
    if (!canResignFirstResponder())
        return false;
    s_firstResponder.reset();
    didResignFirstResponder();
    return true;
}

bool UIResponder::isFirstResponder() const
{
    auto current = s_firstResponder.lock();
    return current && current.get() == this;
}

std::shared_ptr<UIResponder> UIResponder::incomingFirstResponder() { return s_incoming.lock(); }

std::shared_ptr<UIResponder> UIResponder::currentFirstResponder() { return s_firstResponder.lock(); }

void UIResponder::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (auto next = nextResponder())
        next->touchesBeganWithEvent(touches, event);
}

void UIResponder::touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (auto next = nextResponder())
        next->touchesMovedWithEvent(touches, event);
}

void UIResponder::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (auto next = nextResponder())
        next->touchesEndedWithEvent(touches, event);
}

void UIResponder::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (auto next = nextResponder())
        next->touchesCancelledWithEvent(touches, event);
}
