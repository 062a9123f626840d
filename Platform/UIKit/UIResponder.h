#pragma once

// The responder chain: a view hands what it does not handle to its view
// controller (when it is one's root view) or else to its superview; a
// controller to its view's superview; the window to the application. The
// first responder is the one object keys are typed into; there is one per
// process, as there is one window.

#include "Platform/Foundation/SharedSelf.h"

#include <memory>
#include <string>
#include <vector>

class UITouch;
class UIEvent;

using UITouchSet = std::vector<std::shared_ptr<UITouch>>;

class UIResponder : public SharedSelf<UIResponder> {
public:
    virtual ~UIResponder() = default;

    virtual std::shared_ptr<UIResponder> nextResponder() const { return nullptr; }

    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool canResignFirstResponder() const { return true; }
    // Asks the current first responder to resign first; answers whether this
    // object is the first responder afterwards.
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    bool isFirstResponder() const;
    static std::shared_ptr<UIResponder> currentFirstResponder();
    // While a responder takes over from another, the one taking over (else null):
    // the one resigning can tell a hand-over from the end of typing.
    static std::shared_ptr<UIResponder> incomingFirstResponder();

    // Touches not handled here go up the chain.
    virtual void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event);
    virtual void touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event);
    virtual void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event);
    virtual void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event);

    // Text input, for responders that take keys (text fields and views).
    virtual bool acceptsTextInput() const { return false; }
    virtual void insertText(const std::string& text) { }
    virtual void deleteBackward() { }

protected:
    // Told when this object gained or lost first-responder status.
    virtual void didBecomeFirstResponder() { }
    virtual void didResignFirstResponder() { }
};
