#pragma once

// An alert: a title label, a message label (the alert's second label), the
// buttons (cancel first at index 0 when there is one, then the others in
// order), shown over a dimming view that keeps touches from what is behind.
// A user's tap on a button tells the delegate of the click, then of the
// dismissal; a dismissal by code tells only of the dismissal. The did-present
// and did-dismiss calls come after the transition on the clock.

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UILabel.h"

class UIAlertView;

class UIAlertViewDelegate {
public:
    virtual ~UIAlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(UIAlertView&, long buttonIndex) { }
    virtual void alertViewCancel(UIAlertView&) { }
    virtual void willPresentAlertView(UIAlertView&) { }
    virtual void didPresentAlertView(UIAlertView&) { }
    virtual void alertViewWillDismissWithButtonIndex(UIAlertView&, long buttonIndex) { }
    virtual void alertViewDidDismissWithButtonIndex(UIAlertView&, long buttonIndex) { }
};

class UIAlertView : public UIView {
public:
    static constexpr CGFloat kWidth = 284;
    static constexpr double kTransitionDuration = 0.2;

    UIAlertView(std::string title, std::string message, std::weak_ptr<UIAlertViewDelegate> delegate,
        std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles = {});

    const std::string& title() const { return m_title; }
    void setTitle(const std::string& t);
    const std::string& message() const { return m_message; }
    void setMessage(const std::string& m);
    std::shared_ptr<UIAlertViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIAlertViewDelegate> d) { m_delegate = std::move(d); }

    long addButtonWithTitle(const std::string& title);
    std::string buttonTitleAtIndex(long index) const;
    long numberOfButtons() const { return static_cast<long>(m_buttonTitles.size()); }
    long cancelButtonIndex() const { return m_cancelIndex; }
    void setCancelButtonIndex(long i) { m_cancelIndex = i; }
    long firstOtherButtonIndex() const;
    bool isVisible() const { return m_visible; }

    // Shows the alert in the key window.
    void show();
    // Dismisses by code: the delegate hears of the dismissal with this index, not of a click.
    void dismissWithClickedButtonIndexAnimated(long index, bool animated);
    // A user's tap on button `index`.
    void userClickedButtonAtIndex(long index);

    // The button views, by index.
    std::shared_ptr<UIButton> buttonAtIndex(long index) const;
    void layoutSubviews() override;

private:
    void rebuild();
    void finishDismiss(long index, bool animated);

    std::string m_title;
    std::string m_message;
    std::weak_ptr<UIAlertViewDelegate> m_delegate;
    std::vector<std::string> m_buttonTitles;
    long m_cancelIndex = -1;
    bool m_visible = false;
    std::shared_ptr<UILabel> m_titleLabel;
    std::shared_ptr<UILabel> m_messageLabel;
    std::vector<std::shared_ptr<UIButton>> m_buttons;
    std::shared_ptr<UIView> m_dimming;
};
