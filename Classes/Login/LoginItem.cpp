#include "Classes/Login/LoginItem.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Platform/Foundation/Format.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"

LoginItem::LoginItem(CGRect frame)
    : UIButton(frame)
{
}

std::shared_ptr<LoginItem> LoginItem::make(CGRect frame)
{
    auto item = std::make_shared<LoginItem>(frame);
    item->build();
    return item;
}

void LoginItem::build()
{
    setBackgroundColor(UIColor::clearColor());
    setBackgroundImageForState(SkinManager::skinFromImageName("logobtn.png"), UIControlStateNormal);
    setBackgroundImageForState(SkinManager::skinFromImageName("logobtn-on.png"), UIControlStateSelected);
    setBackgroundImageForState(SkinManager::skinFromImageName("logobtn-on.png"), UIControlStateHighlighted);
    setContentMode(UIViewContentModeScaleAspectFit);

    m_lblCompany = std::make_shared<UILabel>(CGRectMake(70, 15, 150, 30));
    m_lblCompany->setTextAlignment(UITextAlignmentCenter);
    m_lblCompany->setFont(UIFont::boldSystemFontOfSize(20));
    m_lblCompany->setAdjustsFontSizeToFitWidth(true);
    m_lblCompany->setMinimumFontSize(15);
    m_lblCompany->setTextColor(UIColor::colorWithRedGreenBlueAlpha(46 / 255.0, 109 / 255.0, 173 / 255.0, 1));
    m_lblCompany->setBackgroundColor(UIColor::clearColor());
    m_lblCompany->setLineBreakMode(UILineBreakModeTailTruncation);
    m_lblCompany->setHidden(true);
    addSubview(m_lblCompany);

    m_btnDelete = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnDelete->setFrame(CGRectMake(210, -10, 30, 30));
    m_btnDelete->setImageForState(SkinManager::skinFromImageName("file-del.png"), UIControlStateNormal);
    m_btnDelete->setHidden(true);
    auto weak = weakSelf<LoginItem>();
    m_btnDelete->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->fileDelteBtnClicked();
    });
    addSubview(m_btnDelete);
}

void LoginItem::setClientId(const std::string& v)
{
    m_clientId = v;
    if (!m_isDemo)
        m_lblCompany->setText(v);
}

void LoginItem::setIsDemo(bool demo)
{
    m_isDemo = demo;
    if (demo) {
        m_lblCompany->setText("Demo");
        m_lblCompany->setFrame(CGRectMake(110, 15, 90, 30));
    }
}

void LoginItem::setHasNoLogo(bool none)
{
    if (none == m_hasNoLogo)
        return;
    m_hasNoLogo = none;
    m_lblCompany->setHidden(!none);
}

void LoginItem::setShaking(bool shaking)
{
    m_shaking = shaking;
    m_btnDelete->setHidden(!shaking);
    PublicFunction::setViewShakingShaking(protect<UIView>(), shaking);
}

void LoginItem::fileDelteBtnClicked()
{
    std::string title;
    std::string message;
    if (m_isDemo) {
        title = stringWithFormat(text("DELETESHORTCUT"), std::string("Demo"));
        message = text("DELETEDEMOSHORTCUT");
    } else {
        title = stringWithFormat(text("DELETESHORTCUT"), m_clientId);
        message = stringWithFormat(text("DELETENORMALSHORTCUT"), m_clientId);
    }
    m_alert = std::make_shared<UIAlertView>(
        title, message, weakSelf<LoginItem>(), text("CANCEL"), std::vector<std::string> { text("DELETE") });
    m_alert->show();
}

void LoginItem::alertViewClickedButtonAtIndex(UIAlertView&, long buttonIndex)
{
    auto self = protect<LoginItem>();
    if (buttonIndex == 1) {
        if (auto d = m_delegate.lock())
            d->btnDeleteClick(self);
    }
}
