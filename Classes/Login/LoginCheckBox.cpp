#include "Classes/Login/LoginCheckBox.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/StyledPageControl.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UITouch.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

bool isBlank(const std::string& s)
{
    return NSString::stringByTrimmingCharactersInSet(s, CharacterSet::whitespaceAndNewline).empty();
}

std::string stringOf(const Value& v) { return v.isString() ? v.stringValue() : std::string(); }

// The saved sign-in list (an array value, null when there is none).
Value savedSignIns() { return NSUserDefaults::standardUserDefaults()->arrayForKey(LoginMode::kLoginInfoArray); }

constexpr CGRect kUserFrame = { { 350, 270 }, { 328, 40 } };
constexpr CGRect kPasswordFrame = { { 350, 322 }, { 328, 40 } };
constexpr CGRect kClientFrame = { { 350, 374 }, { 328, 40 } };
constexpr CGRect kUserBackground = { { 340, 270 }, { 338, 39 } };
constexpr CGRect kPasswordBackground = { { 340, 322 }, { 338, 39 } };
constexpr CGRect kClientBackground = { { 340, 374 }, { 338, 39 } };

}  // namespace

LoginCheckBox::LoginCheckBox(CGRect frame)
    : UIView(frame)
{
}

std::shared_ptr<LoginCheckBox> LoginCheckBox::make(CGRect frame)
{
    auto form = std::make_shared<LoginCheckBox>(frame);
    form->build();
    return form;
}

std::shared_ptr<CALayer> LoginCheckBox::glowingLayerWithFrame(CGRect frame)
{
    auto layer = CALayer::layer();
    layer->setFrame(frame);
    layer->setBackgroundColor(UIColor::clearColor()->CGColor());
    layer->setShadowOffset(CGSizeMake(0, 2));
    layer->setShadowPathRect(CGRectMake(-2, 0, frame.size.width + 4, frame.size.height + 4));
    layer->setShadowColor(UIColor::colorWithRedGreenBlueAlpha(48 / 255.0, 121 / 255.0, 185 / 255.0, 1)->CGColor());
    layer->setShadowOpacity(0.8f);
    return layer;
}

void LoginCheckBox::fadeIn(const std::shared_ptr<UIView>& view)
{
    UIView::animateWithDuration(
        0.25, 0, 0, [view]() { view->setAlpha(1); }, nullptr);
}

void LoginCheckBox::fadeOut(const std::shared_ptr<UIView>& view)
{
    UIView::animateWithDuration(
        0.25, 0, 0, [view]() { view->setAlpha(0); }, nullptr);
}

std::shared_ptr<AutoInputTextField> LoginCheckBox::makeField(CGRect frame, UIReturnKeyType returnKey)
{
    auto field = std::make_shared<AutoInputTextField>(frame);
    field->returnKeyType = returnKey;
    field->setFont(UIFont::systemFontOfSize(18));
    field->setTextColor(UIColor::blackColor());
    field->setClearButtonMode(UITextFieldViewModeWhileEditing);
    field->setTextAlignment(UITextAlignmentLeft);
    field->setContentVerticalAlignment(UIControlContentVerticalAlignmentCenter);
    field->autocorrectionType = UITextAutocorrectionTypeNo;
    field->autocapitalizationType = UITextAutocapitalizationTypeNone;
    field->setDelegate(weakSelf<LoginCheckBox>());
    return field;
}

void LoginCheckBox::build()
{
    setBackgroundColor(UIColor::clearColor());
    auto weak = weakSelf<LoginCheckBox>();

    auto glow = [this](CGRect backgroundFrame) {
        auto view = std::make_shared<UIView>(bounds());
        view->setBackgroundColor(UIColor::clearColor());
        view->setUserInteractionEnabled(false);
        view->setAlpha(0);
        view->layer()->addSublayer(glowingLayerWithFrame(backgroundFrame));
        addSubview(view);
        return view;
    };
    m_glowingUser = glow(kUserBackground);
    m_glowingPassword = glow(kPasswordBackground);
    m_glowingClient = glow(kClientBackground);

    for (CGRect frame : { kUserBackground, kPasswordBackground, kClientBackground }) {
        auto background = std::make_shared<UIImageView>(frame);
        background->setImage(SkinManager::skinFromImageName("login_input.png"));
        addSubview(background);
    }

    m_userNameInputText = makeField(kUserFrame, UIReturnKeyNext);
    addSubview(m_userNameInputText);
    m_passWordInputText = makeField(kPasswordFrame, UIReturnKeyNext);
    m_passWordInputText->setSecureTextEntry(true);
    addSubview(m_passWordInputText);
    m_clientIDInputText = makeField(kClientFrame, UIReturnKeyDone);
    addSubview(m_clientIDInputText);

    m_btnAutologin = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnAutologin->setFrame(CGRectMake(340, 428, 180, 35));
    m_btnAutologin->setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
    m_btnAutologin->titleLabel()->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 16));
    m_btnAutologin->titleEdgeInsets = UIEdgeInsetsMake(0, -20, 0, 0);
    // The title starts at the left and the box stands 154 points in, at the
    // button's right end: moved further it would lie past its own frame, over
    // the forgotten-password link beside it.
    m_btnAutologin->setContentHorizontalAlignment(UIControlContentHorizontalAlignmentLeft);
    m_btnAutologin->imageEdgeInsets = UIEdgeInsetsMake(0, 154, 0, 0);
    m_btnAutologin->setImageForState(SkinManager::skinFromImageName("checkbox-off.png"), UIControlStateNormal);
    m_btnAutologin->setImageForState(SkinManager::skinFromImageName("checkbox-on.png"), UIControlStateSelected);
    m_btnAutologin->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->setAutoLogin();
    });
    addSubview(m_btnAutologin);

    m_forgotPasswordLink = std::make_shared<LinkLabel>(CGRectMake(525, 427, 150, 35));
    m_forgotPasswordLink->setTag(kForgotPasswordTag);
    m_forgotPasswordLink->setTextAlignment(UITextAlignmentRight);
    m_forgotPasswordLink->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 16));
    m_forgotPasswordLink->setTextColor(UIColor::whiteColor());
    m_forgotPasswordLink->setHighlightedTextColor(UIColor::blueColor());
    m_forgotPasswordLink->setDelegate(weak);
    addSubview(m_forgotPasswordLink);

    m_loginBut = UIButton::buttonWithType(UIButtonTypeCustom);
    m_loginBut->setFrame(CGRectMake(340, 475, 338, 36));
    m_loginBut->setBackgroundImageForState(SkinManager::skinFromImageName("btn-login.png"), UIControlStateNormal);
    m_loginBut->titleLabel()->setFont(UIFont::boldSystemFontOfSize(20));
    m_loginBut->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->loginFromOther();
    });
    addSubview(m_loginBut);

    m_loginItemList = LoginItemList::make(CGRectMake(0, 628, 1024, 80));
    m_loginItemList->setItemListDelegate(weak);
    m_loginItemList->setDelegate(weak);
    addSubview(m_loginItemList);

    m_pageControl = std::make_shared<StyledPageControl>();
    m_pageControl->hidesForSinglePage = true;
    m_pageControl->currentPageIndicatorTintColor
        = UIColor::colorWithRedGreenBlueAlpha(53 / 255.0, 107 / 255.0, 168 / 255.0, 1);
    m_pageControl->pageIndicatorTintColor = UIColor::lightGrayColor();
    addSubview(m_pageControl);

    updateLanguage();

    auto hide = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer&) {
        if (auto self = weak.lock())
            self->dissAppearTableView();
    });
    hide->setDelegate(weak);
    addGestureRecognizer(hide);
    auto background = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& g) {
        if (auto self = weak.lock())
            self->backGroundClick(g);
    });
    background->setDelegate(weak);
    addGestureRecognizer(background);

    addDefaultInfo();
}

void LoginCheckBox::updateLanguage()
{
    m_userNameInputText->setPlaceholder(text("USERNAMEINPUT"));
    m_passWordInputText->setPlaceholder(text("PASSWORDINPUT"));
    m_clientIDInputText->setPlaceholder(text("CLIENTIDINPUT"));
    m_btnAutologin->setTitleForState(text("CREATELOGINSHORTCUT"), UIControlStateNormal);
    m_forgotPasswordLink->setText(text("FORGOTPASSWORD"));
    m_loginBut->setTitleForState(text("LOGINBUT"), UIControlStateNormal);
}

void LoginCheckBox::addDefaultInfo()
{
    const Value list = savedSignIns();
    const ValueArray& saved = list.arrayValue();
    if (!saved.empty()) {
        const Value& first = saved[0];
        if (first[LoginMode::kInputUserID].isString())
            m_userNameInputText->setText(first[LoginMode::kInputUserID].stringValue());
        if (first[LoginMode::kInputClientID].isString())
            m_clientIDInputText->setText(first[LoginMode::kInputClientID].stringValue());
    }
    m_loginItemList->setLoginArry(Value(saved));
    m_pageControl->setNumberOfPages(m_loginItemList->page());
    m_pageControl->setCurrentPage(0);
    sizePageControl();
}

void LoginCheckBox::sizePageControl()
{
    const CGSize size = m_pageControl->sizeForNumberOfPages(m_pageControl->numberOfPages());
    m_pageControl->setFrame(CGRectMake((1024 - size.width) / 2, 720, size.width, size.height));
}

void LoginCheckBox::changeButState() { m_loginItemList->resetItemStatus(); }

void LoginCheckBox::loginFromOther()
{
    m_loginItemList->stopSharking();
    if (isBlank(m_userNameInputText->text()) || isBlank(m_passWordInputText->text())
        || isBlank(m_clientIDInputText->text())) {
        m_alert = std::make_shared<UIAlertView>(
            text("NOTIFICATION"), text("INPUTCANTNOTNULL"), std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
        m_alert->show();
        changeButState();
        return;
    }
    endEditing(true);
    auto info = std::make_shared<LoginInfo>();
    info->accountId = m_userNameInputText->text();
    info->passWord = m_passWordInputText->text();
    info->clientId = m_clientIDInputText->text();
    info->deviceId = PublicFunction::getSharedUDID();
    if (auto d = m_delegate.lock())
        d->loginIsFromInputIsAutoLogin(info, true, m_btnAutologin->isSelected());
}

void LoginCheckBox::loginItemClick(const std::shared_ptr<LoginItem>& item)
{
    auto d = m_delegate.lock();
    if (item->isDemo()) {
        if (d)
            d->login(item->clientId());
        return;
    }
    endEditing(true);
    auto info = std::make_shared<LoginInfo>();
    info->accountId = item->accountId();
    info->passWord = item->passWord();
    info->clientId = item->clientId();
    info->deviceId = PublicFunction::getSharedUDID();
    if (d)
        d->loginIsFromInputIsAutoLogin(info, true, m_btnAutologin->isSelected());
}

void LoginCheckBox::loginItemDelete(const std::shared_ptr<LoginItem>& item)
{
    if (m_userNameInputText->text() == item->accountId() && m_clientIDInputText->text() == item->clientId())
        m_btnAutologin->setSelected(false);
    m_pageControl->setNumberOfPages(m_loginItemList->page());
    sizePageControl();
}

void LoginCheckBox::setAutoLogin()
{
    m_loginItemList->stopSharking();
    m_btnAutologin->setSelected(!m_btnAutologin->isSelected());
    if (!m_btnAutologin->isSelected() || !isExistCheck())
        return;
    const std::string client = m_clientIDInputText->text();
    m_alert = std::make_shared<UIAlertView>(stringWithFormat(text("SHORTCUTEXISTS"), client),
        stringWithFormat(text("SHORTCUTREPLACEALERT"), client), weakSelf<LoginCheckBox>(), text("REPLACE"),
        std::vector<std::string> { text("CANCEL") });
    m_alert->setTag(kReplaceShortcutAlertTag);
    m_alert->show();
}

bool LoginCheckBox::isExistCheck() const
{
    const std::string user = m_userNameInputText->text();
    const std::string client = m_clientIDInputText->text();
    const Value saved = savedSignIns();
    for (const Value& entry : saved.arrayValue()) {
        if (!entry[LoginMode::kInputClientID].isString() || entry[LoginMode::kInputClientID].stringValue() != client)
            continue;
        if (NSString::lowercaseString(stringOf(entry[LoginMode::kInputUserID])) == NSString::lowercaseString(user))
            continue;
        if (stringOf(entry[LoginMode::kInputUseShortcut]) == "YES")
            return true;
    }
    return false;
}

void LoginCheckBox::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    if (alert.tag() == kReplaceShortcutAlertTag && buttonIndex == alert.firstOtherButtonIndex())
        m_btnAutologin->setSelected(false);
}

void LoginCheckBox::linkLabelToucheTouchesWtihTag(LinkLabel&, long tag)
{
    if (tag != kForgotPasswordTag)
        return;
    m_loginItemList->stopSharking();
    const std::string url = PublicFunction::forgetPassWordUrl();
    if (isBlank(url))
        return;
    if (auto d = m_delegate.lock())
        d->openURLInWebView(url);
}

// ---- Fields ----

AutoInputTextField* LoginCheckBox::completingField(UITextField& field) const
{
    if (&field == m_userNameInputText.get())
        return m_userNameInputText.get();
    if (&field == m_clientIDInputText.get())
        return m_clientIDInputText.get();
    return nullptr;
}

std::shared_ptr<UIView> LoginCheckBox::glowFor(const UITextField& field) const
{
    if (&field == m_userNameInputText.get())
        return m_glowingUser;
    if (&field == m_passWordInputText.get())
        return m_glowingPassword;
    return m_glowingClient;
}

void LoginCheckBox::hideCompletion(UITextField& field)
{
    if (auto* completing = completingField(field))
        completing->showAutoTextWithPointX(std::nullopt, 0);
}

void LoginCheckBox::acceptCompletion(AutoInputTextField& field)
{
    if (field.autoTextStr() && !field.autoTextStr()->empty())
        field.setText(field.text() + *field.autoTextStr());
    field.showAutoTextWithPointX(std::nullopt, 0);
}

bool LoginCheckBox::textFieldShouldBeginEditing(UITextField& field)
{
    m_shouldActiveField = field.protect<UITextField>();
    return true;
}

void LoginCheckBox::textFieldDidBeginEditing(UITextField& field)
{
    m_shouldActiveField.reset();
    m_activeField = field.protect<UITextField>();
    fadeIn(glowFor(field));
    m_loginItemList->stopSharking();
}

void LoginCheckBox::textFieldDidEndEditing(UITextField& field)
{
    fadeOut(glowFor(field));
    m_loginData.clear();
    if (auto* completing = completingField(field)) {
        // The keyboard went away (no other field takes over): the shown completion is taken.
        if (!m_shouldActiveField.lock())
            acceptCompletion(*completing);
        completing->showAutoTextWithPointX(std::nullopt, 0);
    }
    if (m_activeField.lock().get() == &field)
        m_activeField.reset();
}

bool LoginCheckBox::textFieldShouldClear(UITextField& field)
{
    if (completingField(field)) {
        m_loginData.clear();
        hideCompletion(field);
    }
    return true;
}

bool LoginCheckBox::textFieldShouldReturn(UITextField& field)
{
    auto self = protect<LoginCheckBox>();
    if (&field == m_userNameInputText.get()) {
        if (!m_shouldActiveField.lock())
            acceptCompletion(*m_userNameInputText);
        m_passWordInputText->becomeFirstResponder();
    } else if (&field == m_passWordInputText.get()) {
        m_clientIDInputText->becomeFirstResponder();
        autoLoadCompanyId();
    } else if (&field == m_clientIDInputText.get()) {
        loginFromOther();
    }
    return false;
}

void LoginCheckBox::autoLoadCompanyId()
{
    m_loginData.clear();
    const std::string user = m_userNameInputText->text();
    const std::string password = m_passWordInputText->text();
    const Value saved = savedSignIns();
    for (const Value& entry : saved.arrayValue()) {
        if (!entry[LoginMode::kInputUserID].isString() || entry[LoginMode::kInputUserID].stringValue() != user)
            continue;
        if (LoginMode::savedPassword(entry) != password)
            continue;
        const std::string client = stringOf(entry[LoginMode::kInputClientID]);
        if (std::find(m_loginData.begin(), m_loginData.end(), client) == m_loginData.end())
            m_loginData.push_back(client);
    }
    if (m_loginData.size() == 1)
        m_clientIDInputText->setText(m_loginData.front());
}

bool LoginCheckBox::textFieldShouldChangeCharactersInRangeReplacementString(
    UITextField& field, NSRange range, const std::string& replacement)
{
    AutoInputTextField* completing = completingField(field);
    if (!completing)
        return true;
    const std::string current = field.text();
    std::string prospective;
    if (range.length > 0)
        prospective
            = current.substr(0, NSString::byteRangeOfCharacterRange(current, NSMakeRange(range.location, 0)).location);
    else
        prospective = current + replacement;

    if (replacement.empty() && PublicFunction::getDeviceVersion() >= 6) {
        completing->showAutoTextWithPointX(std::nullopt, 0);
        m_loginData.clear();
        return true;
    }

    const bool isClient = completing == m_clientIDInputText.get();
    const char* key = isClient ? LoginMode::kInputClientID : LoginMode::kInputUserID;
    if (!prospective.empty()) {
        const std::string typed = isClient ? NSString::lowercaseString(prospective) : prospective;
        const Value saved = savedSignIns();
        for (const Value& entry : saved.arrayValue()) {
            if (!entry[key].isString())
                continue;
            const std::string value = entry[key].stringValue();
            const std::string compared = isClient ? NSString::lowercaseString(value) : value;
            auto at = std::find(m_loginData.begin(), m_loginData.end(), value);
            if (compared.size() > typed.size() && compared.compare(0, typed.size(), typed) == 0) {
                if (at == m_loginData.end())
                    m_loginData.push_back(value);
            } else if (at != m_loginData.end()) {
                m_loginData.erase(at);
            }
        }
    } else {
        m_loginData.clear();
    }

    if (!m_loginData.empty()) {
        const std::string& candidate = m_loginData.front();
        const NSRange typedBytes
            = NSString::byteRangeOfCharacterRange(candidate, NSMakeRange(0, NSString::length(prospective)));
        const CGFloat x = sizeWithFontConstrainedToSize(prospective, field.font(), CGSizeMake(FLT_MAX, 20)).width;
        completing->showAutoTextWithPointX(candidate.substr(std::min(candidate.size(), typedBytes.length)), x);
    } else {
        completing->showAutoTextWithPointX(std::string(), 0);
    }
    return true;
}

// ---- Taps on the form ----

bool LoginCheckBox::gestureRecognizerShouldReceiveTouch(UIGestureRecognizer&, UITouch& touch)
{
    auto view = touch.view();
    if (!view)
        return true;
    if (dynamic_cast<UIButton*>(view.get()) || dynamic_cast<UITextField*>(view.get())
        || dynamic_cast<UILabel*>(view.get()))
        return false;
    for (auto up = view->superview(); up; up = up->superview()) {
        if (dynamic_cast<UITableViewCell*>(up.get()))
            return false;
    }
    return true;
}

void LoginCheckBox::dissAppearTableView()
{
    auto active = m_activeField.lock();
    if (!active || active == m_passWordInputText || m_loginData.empty())
        return;
    hideCompletion(*active);
    active->setText(m_loginData.front());
}

void LoginCheckBox::backGroundClick(UIGestureRecognizer& recognizer)
{
    auto self = protect<LoginCheckBox>();
    endEditing(true);
    const CGPoint at = recognizer.locationInView(this);
    if (at.y < m_loginItemList->frame().origin.y - 40)
        m_loginItemList->stopSharking();
}

// ---- The strip's pages ----

void LoginCheckBox::scrollViewDidScroll(UIScrollView& scrollView)
{
    if (m_pageControlUsed)
        return;
    const CGFloat width = scrollView.frame().size.width;
    if (width <= 0)
        return;
    const int page = static_cast<int>(std::floor((scrollView.contentOffset().x - width / 2) / width)) + 1;
    m_pageControl->setCurrentPage(page);
}

void LoginCheckBox::scrollViewDidEndDecelerating(UIScrollView&) { m_pageControlUsed = false; }
