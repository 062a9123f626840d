#pragma once

// One tile of the saved sign-in strip under the sign-in form: a built-in demo
// client or a saved sign-in marked as a shortcut. A tap signs in; while the
// strip is in its edit mode the tile shakes and shows a delete badge, whose
// tap asks before the tile goes.

#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"

#include <memory>
#include <string>

class LoginItem;
class UILabel;

class LoginItemDelegate {
public:
    virtual ~LoginItemDelegate() = default;
    virtual void btnDeleteClick(const std::shared_ptr<LoginItem>& item) = 0;
};

class LoginItem : public UIButton, public UIAlertViewDelegate {
public:
    explicit LoginItem(CGRect frame = CGRectZero);
    static std::shared_ptr<LoginItem> make(CGRect frame = CGRectZero);

    const std::string& accountId() const { return m_accountId; }
    void setAccountId(const std::string& v) { m_accountId = v; }
    const std::string& passWord() const { return m_passWord; }
    void setPassWord(const std::string& v) { m_passWord = v; }
    const std::string& clientId() const { return m_clientId; }
    void setClientId(const std::string& v);
    bool isDemo() const { return m_isDemo; }
    void setIsDemo(bool demo);
    bool shaking() const { return m_shaking; }
    void setShaking(bool shaking);
    bool hasNoLogo() const { return m_hasNoLogo; }
    void setHasNoLogo(bool none);
    std::shared_ptr<UIButton> btnDelete() const { return m_btnDelete; }
    std::shared_ptr<UILabel> lblCompany() const { return m_lblCompany; }

    std::shared_ptr<LoginItemDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<LoginItemDelegate> d) { m_delegate = std::move(d); }

    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

private:
    void build();
    void fileDelteBtnClicked();

    std::shared_ptr<UILabel> m_lblCompany;
    std::shared_ptr<UIButton> m_btnDelete;
    std::string m_accountId;
    std::string m_passWord;
    std::string m_clientId;
    bool m_isDemo = false;
    bool m_shaking = false;
    bool m_hasNoLogo = false;
    std::shared_ptr<UIAlertView> m_alert;
    std::weak_ptr<LoginItemDelegate> m_delegate;
};
