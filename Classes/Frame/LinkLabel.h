#pragma once

// An underlined label that reports taps: the forgotten-password link of the
// sign-in form and the company's web address on the home screen.

#include "Platform/UIKit/UILabel.h"

#include <memory>

class LinkLabel;

class LinkLabelDelegate {
public:
    virtual ~LinkLabelDelegate() = default;
    virtual void linkLabelToucheTouchesWtihTag(LinkLabel& label, long tag) = 0;
};

class LinkLabel : public UILabel {
public:
    explicit LinkLabel(CGRect frame);

    std::shared_ptr<LinkLabelDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<LinkLabelDelegate> delegate) { m_delegate = std::move(delegate); }

    void drawRect(CGRect rect) override;
    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override { }

private:
    void finishTouch();

    std::weak_ptr<LinkLabelDelegate> m_delegate;
};
