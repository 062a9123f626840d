#pragma once

// The welcome screen: the window's root before sign-in and again after each
// log-out. It shows the skin's welcome picture with the sign-in form over it,
// unpacks the built-in demo data on the first start after an installation or
// upgrade, hands every sign-in to the session and, when the session reports
// success, has the application show the main screen. It listens to the
// keyboard (the form moves up out of its way) and is the session's delegate
// while it is on view.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/PopControllerDelegate.h"
#include "Classes/Login/LoginCheckBox.h"
#include "Network/Protocol/LoginMode.h"

#include <memory>
#include <string>

class UIImageView;

class WeclomeViewController : public BaseViewController,
                              public LoginDelegate,
                              public LoginModelDelegate,
                              public PopControllerDelegate {
public:
    static constexpr double kDemoWaitTimeout = 10;
    static constexpr double kLoginWaitTimeout = 300;

    ~WeclomeViewController() override;

    std::shared_ptr<UIImageView> homeBg() const { return m_homeBg; }
    std::shared_ptr<LoginCheckBox> loginCheckBox() const { return m_loginCheckBox; }
    // The last alert the screen showed (a refused sign-in), if any.
    std::shared_ptr<UIAlertView> alert() const { return m_alert; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override;
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

    // From the form.
    void loginIsFromInputIsAutoLogin(const std::shared_ptr<LoginInfo>& info, bool fromInput, bool autoLogin) override;
    void login(const std::string& demoClientId) override;
    void openURLInWebView(const std::string& url) override;
    // From the session.
    bool implementsLoginSuccess() const override { return true; }
    void loginSuccess() override;
    bool implementsLoginErroWithMessage() const override { return true; }
    void loginErroWithMessage(const std::string& message) override;
    bool implementsChangeLoginButState() const override { return true; }
    void changeLoginButState() override;
    // From the web page it presents.
    void dismissPopController(bool animated) override;

private:
    void synFinish();
    void initializeDemoFinish();
    void moveBackground(CGFloat y);
    void showAlertViewWithMessage(const std::string& title, const std::string& message);

    std::shared_ptr<UIImageView> m_homeBg;
    std::shared_ptr<LoginCheckBox> m_loginCheckBox;
    std::shared_ptr<UIAlertView> m_alert;
};
