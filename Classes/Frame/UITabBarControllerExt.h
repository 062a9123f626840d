#pragma once

// The main screen of a signed-in salesperson: a tab controller whose platform
// bar is hidden and replaced by a skinned bar 66 points high along the bottom,
// holding the company logo and eight item buttons (seven tabs and the
// settings button). The module configuration decides which buttons show.
// A long press on the logo offers the way back to sign-in.

#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/SettingsViewController.h"
#include "Classes/Frame/LoginPopController.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UITabBarController.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TabBarItemButton;
class UIButton;
class UIGestureRecognizer;
class UIImageView;

class CatalogViewDelegate {
public:
    virtual ~CatalogViewDelegate() = default;
    virtual void addCatologView() = 0;
    virtual void removeCalogView() = 0;
};

class LibraryViewDelegate {
public:
    virtual ~LibraryViewDelegate() = default;
    virtual void addLibraryView() = 0;
    virtual void removeLibraryView() = 0;
};

// A tab's screen that shows or hides parts by the module configuration; the
// tab bar asks it again on every appearance.
class LoadByConfigScreen {
public:
    virtual ~LoadByConfigScreen() = default;
    virtual void loadByConfig() = 0;
};

class UITabBarControllerExt : public UITabBarController,
                              public LanguageManagerDelegate,
                              public SettingsViewControllerDelegate,
                              public LoginPopControllerDelegate,
                              public UIPopoverControllerDelegate {
public:
    // Tab indexes, equal to the tags of their buttons; the settings button is 7.
    enum Tab {
        TabHome = 0,
        TabCatalog,
        TabCustomer,
        TabInventory,
        TabSalesLibrary,
        TabQuoteOrder,
        TabSync,
        TabSettings
    };
    static constexpr int kItemCount = 8;

    // The screen of a tab from TabCatalog to TabSync; the screens live above
    // the frame, so the application must install this before the first tab
    // bar is made (making one without it, or with a tab it leaves empty,
    // raises NSInternalInconsistencyException).
    using TabScreenFactory = std::function<std::shared_ptr<UIViewController>(long tab)>;
    static void setTabScreenFactory(TabScreenFactory factory);

    // Builds the seven tabs and hides the platform bar (make it with this).
    static std::shared_ptr<UITabBarControllerExt> create();
    UITabBarControllerExt() = default;
    ~UITabBarControllerExt() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

    void selectTab(long index);
    void returnPerselectTab();
    void loadByConfig();
    void setBackgroundView();
    void itemsMove(bool wide);
    void setBadgeValueTabBarItemTagAnimated(const std::optional<std::string>& value, long tag, bool animated);
    void startSyncIconAnimation();
    void stopSyncIconAnimation();
    void deselectButton() override;
    void goBackLoginView() override;
    void notifiChangelanguage() override;

    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override;
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }
    bool shouldAutorotate() const override { return true; }

    // The item buttons in tab order; a button's place equals its tag.
    const std::vector<std::shared_ptr<TabBarItemButton>>& itmeButtonArray() const { return m_itmeButtonArray; }
    std::shared_ptr<TabBarItemButton> homeBtn() const { return button(TabHome); }
    std::shared_ptr<TabBarItemButton> catalogBtn() const { return button(TabCatalog); }
    std::shared_ptr<TabBarItemButton> customerBtn() const { return button(TabCustomer); }
    std::shared_ptr<TabBarItemButton> inventoryBtn() const { return button(TabInventory); }
    std::shared_ptr<TabBarItemButton> salesLibraryBtn() const { return button(TabSalesLibrary); }
    std::shared_ptr<TabBarItemButton> quoteOrderBtn() const { return button(TabQuoteOrder); }
    std::shared_ptr<TabBarItemButton> syncBtn() const { return button(TabSync); }
    std::shared_ptr<TabBarItemButton> settingsBtn() const { return button(TabSettings); }
    std::shared_ptr<UIImageView> backgroundImage() const { return m_backgroundImage; }
    void setBackgroundImage(std::shared_ptr<UIImageView> view) { m_backgroundImage = std::move(view); }
    std::shared_ptr<UIButton> btnLogo() const { return m_btnLogo; }
    std::shared_ptr<UIPopoverController> logoutPopController() const { return m_logoutPopController; }

    std::shared_ptr<CatalogViewDelegate> catalogDelegate() const { return m_catalogDelegate.lock(); }
    void setCatalogDelegate(std::weak_ptr<CatalogViewDelegate> d) { m_catalogDelegate = std::move(d); }
    std::shared_ptr<LibraryViewDelegate> libraryDelegate() const { return m_libraryDelegate.lock(); }
    void setLibraryDelegate(std::weak_ptr<LibraryViewDelegate> d) { m_libraryDelegate = std::move(d); }

    long iCurSelectTab() const { return m_iCurSelectTab; }
    long iPerSelectTab() const { return m_iPerSelectTab; }
    bool bViewHasLoad() const { return m_bViewHasLoad; }

    // The title key of a tab and its button images (normal, selected).
    static const char* titleKeyForTab(long index);

private:
    static TabScreenFactory& tabScreenFactory();
    std::shared_ptr<TabBarItemButton> button(long index) const;
    void addViewControllers();
    void hideTabBar();
    void addCustomElements();
    std::shared_ptr<UIImage> barImage() const;
    void placeShownButtons(CGFloat x0, CGFloat step, CGFloat width);
    void buttonClicked(long tag);
    void settingsBtnClicked();
    void logoOnLongClickListener(UIGestureRecognizer& recognizer);

    std::vector<std::shared_ptr<TabBarItemButton>> m_itmeButtonArray;
    std::shared_ptr<UIImageView> m_backgroundImage;
    std::shared_ptr<UIButton> m_btnLogo;
    std::shared_ptr<UIPopoverController> m_logoutPopController;
    std::weak_ptr<CatalogViewDelegate> m_catalogDelegate;
    std::weak_ptr<LibraryViewDelegate> m_libraryDelegate;
    long m_iCurSelectTab = 0;
    long m_iPerSelectTab = 0;
    bool m_bViewHasLoad = false;
};
