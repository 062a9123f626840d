#pragma once

// The sign-in form on the welcome screen: user id, password and client id
// (the user id and client id fields complete from the saved sign-ins), the
// box that makes the sign-in a shortcut, the forgotten-password link, the
// sign-in button, and the strip of saved shortcuts with its page control.
// It checks what was typed and hands every sign-in to its delegate; it owns
// its fields and the strip.

#include "Classes/Login/AutoInputTextField.h"
#include "Classes/Frame/LinkLabel.h"
#include "Classes/Login/LoginItemList.h"
#include "Database/LoginInfo.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UIView.h"

#include <memory>
#include <string>
#include <vector>

class StyledPageControl;
class UIButton;
class CALayer;

class LoginDelegate {
public:
    virtual ~LoginDelegate() = default;
    virtual void loginIsFromInputIsAutoLogin(const std::shared_ptr<LoginInfo>& info, bool fromInput, bool autoLogin)
        = 0;
    virtual void login(const std::string& demoClientId) = 0;
    virtual void openURLInWebView(const std::string& url) = 0;
};

class LoginCheckBox : public UIView,
                      public UITextFieldDelegate,
                      public UIGestureRecognizerDelegate,
                      public UIAlertViewDelegate,
                      public UIScrollViewDelegate,
                      public LinkLabelDelegate,
                      public LoginItemListDelegate {
public:
    static constexpr long kForgotPasswordTag = 1001;
    static constexpr long kReplaceShortcutAlertTag = 1002;

    explicit LoginCheckBox(CGRect frame);
    static std::shared_ptr<LoginCheckBox> make(CGRect frame);

    std::shared_ptr<LoginDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<LoginDelegate> d) { m_delegate = std::move(d); }

    std::shared_ptr<AutoInputTextField> userNameInputText() const { return m_userNameInputText; }
    std::shared_ptr<UITextField> passWordInputText() const { return m_passWordInputText; }
    std::shared_ptr<AutoInputTextField> clientIDInputText() const { return m_clientIDInputText; }
    std::shared_ptr<UIButton> loginBut() const { return m_loginBut; }
    std::shared_ptr<UIButton> btnAutologin() const { return m_btnAutologin; }
    std::shared_ptr<LinkLabel> forgotPasswordLink() const { return m_forgotPasswordLink; }
    std::shared_ptr<LoginItemList> loginItemList() const { return m_loginItemList; }
    std::shared_ptr<StyledPageControl> pageControl() const { return m_pageControl; }
    const std::vector<std::string>& loginData() const { return m_loginData; }
    std::shared_ptr<UIView> glowingUser() const { return m_glowingUser; }

    // Every shortcut tile loses its selected look.
    void changeButState();
    void updateLanguage();
    void loginFromOther();

    static std::shared_ptr<CALayer> glowingLayerWithFrame(CGRect frame);
    static void fadeIn(const std::shared_ptr<UIView>& view);
    static void fadeOut(const std::shared_ptr<UIView>& view);

    // Fields.
    bool textFieldShouldBeginEditing(UITextField& field) override;
    void textFieldDidBeginEditing(UITextField& field) override;
    void textFieldDidEndEditing(UITextField& field) override;
    bool textFieldShouldChangeCharactersInRangeReplacementString(
        UITextField& field, NSRange range, const std::string& replacement) override;
    bool textFieldShouldClear(UITextField& field) override;
    bool textFieldShouldReturn(UITextField& field) override;
    // Taps on the form.
    bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer& recognizer, UITouch& touch) override;
    // The replace-shortcut question.
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;
    // The strip's paging.
    void scrollViewDidScroll(UIScrollView& scrollView) override;
    void scrollViewDidEndDecelerating(UIScrollView& scrollView) override;
    void linkLabelToucheTouchesWtihTag(LinkLabel& label, long tag) override;
    void loginItemClick(const std::shared_ptr<LoginItem>& item) override;
    void loginItemDelete(const std::shared_ptr<LoginItem>& item) override;

private:
    void build();
    void addDefaultInfo();
    void sizePageControl();
    void setAutoLogin();
    bool isExistCheck() const;
    void autoLoadCompanyId();
    void dissAppearTableView();
    void backGroundClick(UIGestureRecognizer& recognizer);
    void acceptCompletion(AutoInputTextField& field);
    void hideCompletion(UITextField& field);
    std::shared_ptr<UIView> glowFor(const UITextField& field) const;
    AutoInputTextField* completingField(UITextField& field) const;
    std::shared_ptr<AutoInputTextField> makeField(CGRect frame, UIReturnKeyType returnKey);

    std::weak_ptr<LoginDelegate> m_delegate;
    std::shared_ptr<LinkLabel> m_forgotPasswordLink;
    std::shared_ptr<UIButton> m_loginBut;
    std::shared_ptr<UIButton> m_btnAutologin;
    std::shared_ptr<AutoInputTextField> m_userNameInputText;
    std::shared_ptr<AutoInputTextField> m_clientIDInputText;
    std::shared_ptr<UITextField> m_passWordInputText;
    std::shared_ptr<LoginItemList> m_loginItemList;
    std::shared_ptr<StyledPageControl> m_pageControl;
    std::weak_ptr<UITextField> m_activeField;
    std::weak_ptr<UITextField> m_shouldActiveField;
    std::vector<std::string> m_loginData;
    bool m_pageControlUsed = false;
    std::shared_ptr<UIView> m_glowingUser;
    std::shared_ptr<UIView> m_glowingPassword;
    std::shared_ptr<UIView> m_glowingClient;
    std::shared_ptr<UIAlertView> m_alert;
};
