#pragma once

// A clear cover over the window that takes the touches around an alert, so
// that a touch outside the alert dismisses it; touches on the alert pass
// through to its buttons.

#include "Platform/UIKit/UIView.h"

#include <memory>

class UIAlertView;

class FreeDismissAlertViewCover : public UIView {
public:
    using UIView::UIView;

    std::shared_ptr<UIAlertView> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIAlertView> alert) { m_delegate = std::move(alert); }

    bool pointInsideWithEvent(CGPoint point, UIEvent* event) override;
    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesEndedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override { }

private:
    std::weak_ptr<UIAlertView> m_delegate;
};
