#pragma once

// The paged strip of sign-in shortcuts under the sign-in form: the two
// built-in demo clients while their switches in the user defaults are on, and
// every saved sign-in marked as a shortcut. Up to four tiles a page. A long
// press starts the edit mode (tiles shake and show a delete badge); deleting a
// saved sign-in's tile keeps the sign-in itself (the form's completion still
// uses it) and only drops its shortcut mark. It watches the user defaults for
// the demo switches, and the application's background and foreground notes to
// pause the shaking.

#include "Classes/Login/LoginItem.h"
#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/UIScrollView.h"

#include <memory>
#include <vector>

class LoginItemListDelegate {
public:
    virtual ~LoginItemListDelegate() = default;
    virtual void loginItemClick(const std::shared_ptr<LoginItem>& item) = 0;
    virtual void loginItemDelete(const std::shared_ptr<LoginItem>& item) = 0;
};

class LoginItemList : public UIScrollView, public LoginItemDelegate {
public:
    static constexpr int kItemsPerPage = 4;
    static constexpr CGFloat kItemWidth = 231;
    static constexpr CGFloat kItemHeight = 60;
    static constexpr const char* kFirstDemoSwitch = "D_OKRA_SHORTCUT";
    static constexpr const char* kSecondDemoSwitch = "VELLORAN_SHORTCUT";

    explicit LoginItemList(CGRect frame);
    static std::shared_ptr<LoginItemList> make(CGRect frame);
    ~LoginItemList() override;

    // The saved sign-in list; rebuilds the tiles.
    void setLoginArry(const Value& list);
    int page() const;
    void stopSharking();
    void resetItemStatus();
    void layoutItems();
    void reConstructAttributes();

    const std::vector<std::shared_ptr<LoginItem>>& itemList() const { return m_itemList; }
    bool isShaking() const { return m_isShaking; }

    std::shared_ptr<LoginItemListDelegate> itemListDelegate() const { return m_itemListDelegate.lock(); }
    void setItemListDelegate(std::weak_ptr<LoginItemListDelegate> d) { m_itemListDelegate = std::move(d); }

    void btnDeleteClick(const std::shared_ptr<LoginItem>& item) override;

private:
    void observe();
    void loginItemClick(const std::shared_ptr<LoginItem>& item);
    void addDeleteItemBtn();
    void defaultsDidChanged();
    void setTilesShaking(bool shaking);
    std::shared_ptr<LoginItem> makeItem();

    std::vector<std::shared_ptr<LoginItem>> m_itemList;
    Value m_loginArry;
    bool m_showFirstDemo = false;
    bool m_showSecondDemo = false;
    bool m_isShaking = false;
    std::weak_ptr<LoginItemListDelegate> m_itemListDelegate;
};
