#pragma once

// A small dark panel of three share buttons (e-mail, print, open in another
// application) that tells its delegate which was tapped. No screen of the
// library opens it. The titles follow the language.

#include "Classes/Frame/BaseViewController.h"

#include <memory>

class UIButton;

// Each action is sent only to a delegate that answers it; the defaults do not.
class SharePopViewControllerDelegate {
public:
    virtual ~SharePopViewControllerDelegate() = default;
    virtual void emailAction() { }
    virtual void printAction() { }
    virtual void thirdAction() { }
};

class SharePopViewController : public BaseViewController {
public:
    std::shared_ptr<SharePopViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<SharePopViewControllerDelegate> d) { m_delegate = std::move(d); }

    void viewDidLoad() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    const std::shared_ptr<UIButton>& emailButton() const { return m_emailButton; }
    const std::shared_ptr<UIButton>& printButton() const { return m_printButton; }
    const std::shared_ptr<UIButton>& thirdButton() const { return m_thirdButton; }

private:
    std::shared_ptr<UIButton> makeButton(CGFloat y, void (SharePopViewControllerDelegate::*action)());

    std::shared_ptr<UIButton> m_emailButton;
    std::shared_ptr<UIButton> m_printButton;
    std::shared_ptr<UIButton> m_thirdButton;
    std::weak_ptr<SharePopViewControllerDelegate> m_delegate;
};
