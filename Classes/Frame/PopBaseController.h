#pragma once

// The base of the full-width pop-up screens a main screen presents modally:
// a 44-point title bar across the top with a centred title (subclasses write
// it into lblTittle) and a Close button that asks the delegate to dismiss the
// pop-up. Landscape only.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/PopControllerDelegate.h"

#include <memory>

class UIButton;
class UIImageView;
class UILabel;
class UIView;

class PopBaseController : public BaseViewController {
public:
    PopBaseController();
    ~PopBaseController() override;

    void viewDidLoad() override;
    void didReceiveMemoryWarning() override;
    void viewDidUnload() override { BaseViewController::viewDidUnload(); }
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override;
    unsigned supportedInterfaceOrientations() const override;

    // Asks the delegate to dismiss the pop-up, animated.
    void close();
    // Sets Close's caption to the current language; only called directly.
    virtual void updateLanguage();
    using BaseViewController::updateLanguage;

    std::shared_ptr<PopControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<PopControllerDelegate>& delegate) { m_delegate = delegate; }
    const std::shared_ptr<UIView>& titlebar() const { return m_titlebar; }
    void setTitlebar(std::shared_ptr<UIView> bar) { m_titlebar = std::move(bar); }
    const std::shared_ptr<UIButton>& btnClose() const { return m_btnClose; }
    void setBtnClose(std::shared_ptr<UIButton> button) { m_btnClose = std::move(button); }

protected:
    // The title label; null after a memory warning until the view is built again.
    std::shared_ptr<UILabel> lblTittle;

private:
    std::weak_ptr<PopControllerDelegate> m_delegate;
    std::shared_ptr<UIView> m_titlebar;
    std::shared_ptr<UIButton> m_btnClose;
};
