#include "Classes/Login/LoginItemList.h"

#include "Classes/Frame/SkinManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIGestureRecognizer.h"

#include <algorithm>

namespace {

std::string stringOf(const Value& v) { return v.isString() ? v.stringValue() : std::string(); }

bool isBlank(const std::string& s)
{
    return NSString::stringByTrimmingCharactersInSet(s, CharacterSet::whitespaceAndNewline).empty();
}

}  // namespace

LoginItemList::LoginItemList(CGRect frame)
    : UIScrollView(frame)
{
}

std::shared_ptr<LoginItemList> LoginItemList::make(CGRect frame)
{
    auto list = std::make_shared<LoginItemList>(frame);
    list->observe();
    return list;
}

LoginItemList::~LoginItemList() { NSNotificationCenter::defaultCenter().removeObserver(this); }

void LoginItemList::observe()
{
    auto weak = weakSelf<LoginItemList>();
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, NSUserDefaultsDidChangeNotification, [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->defaultsDidChanged();
    });
    // The application stops and restarts the animations around the background.
    center.addObserver(this, "AppWillEnterBackgound", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->setTilesShaking(false);
    });
    center.addObserver(this, "AppWillEnterForegroud", [weak](const NSNotification&) {
        if (auto self = weak.lock(); self && self->m_isShaking)
            self->setTilesShaking(true);
    });
}

void LoginItemList::setLoginArry(const Value& list)
{
    m_loginArry = list;
    reConstructAttributes();
}

std::shared_ptr<LoginItem> LoginItemList::makeItem()
{
    auto item = LoginItem::make();
    auto weak = weakSelf<LoginItemList>();
    std::weak_ptr<LoginItem> weakItem = item;
    item->addTarget(UIControlEventTouchUpInside, [weak, weakItem](UIControl&, UIEvent*) {
        auto self = weak.lock();
        auto tile = weakItem.lock();
        if (self && tile)
            self->loginItemClick(tile);
    });
    return item;
}

void LoginItemList::reConstructAttributes()
{
    for (auto& item : m_itemList)
        item->removeFromSuperview();
    m_itemList.clear();

    auto defaults = NSUserDefaults::standardUserDefaults();
    m_showFirstDemo = defaults->boolForKey(kFirstDemoSwitch);
    m_showSecondDemo = defaults->boolForKey(kSecondDemoSwitch);

    if (m_showFirstDemo) {
        auto item = makeItem();
        item->setIsDemo(true);
        item->setClientId(LoginMode::kDemoClientFirst);
        auto image = SkinManager::skinFromImageName("icon_dostrevik.png");
        item->setImageForState(image, UIControlStateNormal);
        item->setImageForState(image, UIControlStateHighlighted);
        item->imageEdgeInsets = UIEdgeInsetsMake(10, 15, 10, 90);
        m_itemList.push_back(item);
    }
    if (m_showSecondDemo) {
        auto item = makeItem();
        item->setIsDemo(true);
        item->setClientId(LoginMode::kDemoClientSecond);
        auto image = SkinManager::skinFromImageName("icon_velloran.png");
        item->setImageForState(image, UIControlStateNormal);
        item->setImageForState(image, UIControlStateHighlighted);
        item->imageEdgeInsets = UIEdgeInsetsMake(0, 15, 0, 90);
        m_itemList.push_back(item);
    }
    for (const Value& entry : m_loginArry.arrayValue()) {
        const Value& shortcut = entry[LoginMode::kInputUseShortcut];
        if (!shortcut.isString() || isBlank(shortcut.stringValue()) || shortcut.stringValue() == "NO")
            continue;
        auto item = makeItem();
        item->setIsDemo(false);
        item->setAccountId(stringOf(entry[LoginMode::kInputUserID]));
        item->setPassWord(LoginMode::savedPassword(entry));
        item->setClientId(stringOf(entry[LoginMode::kInputClientID]));
        if (auto logo = SkinManager::getLogoWithClientId(item->clientId())) {
            item->setImageForState(logo, UIControlStateNormal);
            item->setImageForState(logo, UIControlStateHighlighted);
            item->imageEdgeInsets = UIEdgeInsetsMake(10, 10, 10, 10);
        } else {
            item->setHasNoLogo(true);
            auto image = SkinManager::skinFromImageName("icon-default_shortchut.png");
            item->setImageForState(image, UIControlStateNormal);
            item->setImageForState(image, UIControlStateHighlighted);
            item->imageEdgeInsets = UIEdgeInsetsMake(10, 10, 10, 160);
        }
        m_itemList.push_back(item);
    }
    for (auto& item : m_itemList) {
        if (item->isDemo())
            item->setHasNoLogo(true);
        addSubview(item);
    }
    layoutItems();
}

void LoginItemList::layoutItems()
{
    if (m_itemList.empty())
        return;
    const int n = std::min(static_cast<int>(m_itemList.size()), kItemsPerPage);
    const CGFloat gap = (1024 - kItemWidth * n) / (n + 3);
    auto weak = weakSelf<LoginItemList>();
    for (size_t e = 0; e < m_itemList.size(); ++e) {
        const auto& item = m_itemList[e];
        const int p = static_cast<int>(e) / n;
        const int j = static_cast<int>(e) % n;
        item->setFrame(CGRectMake(1024 * p + 2 * gap + j * (kItemWidth + gap), 10, kItemWidth, kItemHeight));
        item->setDelegate(std::static_pointer_cast<LoginItemDelegate>(weak.lock()));
        const auto recognisers = item->gestureRecognizers();
        for (const auto& recogniser : recognisers)
            item->removeGestureRecognizer(recogniser);
        auto press = std::make_shared<UILongPressGestureRecognizer>([weak](UIGestureRecognizer& g) {
            if (g.state() != UIGestureRecognizerStateBegan)
                return;
            if (auto self = weak.lock())
                self->addDeleteItemBtn();
        });
        item->addGestureRecognizer(press);
        item->setShaking(m_isShaking);
    }
    setContentSize(CGSizeMake(1024 * page(), frame().size.height));
    setPagingEnabled(true);
    setShowsHorizontalScrollIndicator(false);
}

int LoginItemList::page() const
{
    if (m_itemList.empty())
        return 1;
    const int n = std::min(static_cast<int>(m_itemList.size()), kItemsPerPage);
    return (static_cast<int>(m_itemList.size()) + n - 1) / n;
}

void LoginItemList::loginItemClick(const std::shared_ptr<LoginItem>& item)
{
    if (item->shaking())
        return;
    auto self = protect<LoginItemList>();
    if (auto d = m_itemListDelegate.lock())
        d->loginItemClick(item);
}

void LoginItemList::addDeleteItemBtn()
{
    m_isShaking = true;
    setTilesShaking(true);
}

void LoginItemList::stopSharking()
{
    m_isShaking = false;
    setTilesShaking(false);
}

void LoginItemList::setTilesShaking(bool shaking)
{
    for (auto& item : m_itemList)
        item->setShaking(shaking);
}

void LoginItemList::resetItemStatus()
{
    for (auto& item : m_itemList)
        item->setSelected(false);
}

void LoginItemList::btnDeleteClick(const std::shared_ptr<LoginItem>& item)
{
    auto self = protect<LoginItemList>();
    item->removeFromSuperview();
    m_itemList.erase(std::remove(m_itemList.begin(), m_itemList.end(), item), m_itemList.end());
    layoutItems();

    auto defaults = NSUserDefaults::standardUserDefaults();
    if (item->isDemo()) {
        // The flag goes first, so that the change note the store sends finds
        // nothing to rebuild.
        if (item->clientId() == LoginMode::kDemoClientFirst) {
            m_showFirstDemo = false;
            defaults->setBoolForKey(false, kFirstDemoSwitch);
        } else if (item->clientId() == LoginMode::kDemoClientSecond) {
            m_showSecondDemo = false;
            defaults->setBoolForKey(false, kSecondDemoSwitch);
        }
    } else {
        std::vector<Value> list = defaults->arrayForKey(LoginMode::kLoginInfoArray).arrayValue().items();
        auto found = std::find_if(list.begin(), list.end(), [&](const Value& entry) {
            return stringOf(entry[LoginMode::kInputClientID]) == item->clientId()
                && entry[LoginMode::kInputClientID].isString() && entry[LoginMode::kInputUserID].isString()
                && stringOf(entry[LoginMode::kInputUserID]) == item->accountId();
        });
        if (found != list.end()) {
            list.erase(found);
            list.push_back(Value::dictionary({ { LoginMode::kInputUserID, Value(item->accountId()) },
                { LoginMode::kInputPassWord,
                    Value(LoginMode::passwordToSave(item->clientId(), item->accountId(), item->passWord())) },
                { LoginMode::kInputClientID, Value(item->clientId()) },
                { LoginMode::kInputUseShortcut, Value("NO") } }));
            m_loginArry = Value(ValueArray(list));
            defaults->setObjectForKey(m_loginArry, LoginMode::kLoginInfoArray);
        }
    }
    defaults->synchronize();
    LoginMode::restrictToOwner(defaults->filePath());
    if (auto d = m_itemListDelegate.lock())
        d->loginItemDelete(item);
}

void LoginItemList::defaultsDidChanged()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    if (defaults->boolForKey(kFirstDemoSwitch) != m_showFirstDemo
        || defaults->boolForKey(kSecondDemoSwitch) != m_showSecondDemo)
        reConstructAttributes();
}
