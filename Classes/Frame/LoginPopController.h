#pragma once

// The small pop-up with one button that leads back to the sign-in screen:
// the main tab bar shows it from a long press on the logo; the home screen
// shows its help form (the button disabled, telling how to get back) once
// after a demo sign-in.

#include "Classes/Frame/BaseViewController.h"

class UIButton;

class LoginPopControllerDelegate {
public:
    virtual ~LoginPopControllerDelegate() = default;
    virtual void goBackLoginView() = 0;
};

class LoginPopController : public BaseViewController {
public:
    std::shared_ptr<LoginPopControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<LoginPopControllerDelegate> delegate) { m_delegate = std::move(delegate); }
    bool isForHelp() const { return m_isForHelp; }
    void setForHelp(bool forHelp) { m_isForHelp = forHelp; }
    std::shared_ptr<UIButton> gobackButton() const { return m_gobackButton; }

    void viewDidLoad() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override;
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

private:
    void goBackLoginView();

    std::shared_ptr<UIButton> m_gobackButton;
    std::weak_ptr<LoginPopControllerDelegate> m_delegate;
    bool m_isForHelp = false;
};
