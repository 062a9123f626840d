#include "Classes/Frame/UITabBarControllerExt.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/HomeViewController.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Classes/Frame/LoginPopController.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UINavigationController.h"

namespace {

struct TabRow {
    const char* titleKey;
    const char* screen;  // the class that stands in this tab
    const char* normalImage;
    const char* selectedImage;
};

constexpr TabRow kTabs[UITabBarControllerExt::kItemCount] = {
    { "HOME", "HomeViewController", "btn-home.png", "btn-home-on.png" },
    { "CATALOG", "CatalogViewController", "btn-catalog.png", "btn-catalog-on.png" },
    { "CUSTOMER", "CustomerViewController", "btn-customer.png", "btn-customer-on.png" },
    { "INVENTORY", "InventoryViewController", "btn-inventory.png", "btn-inventory-on.png" },
    { "SALESLIBRARY", "SaleslibraryController", "btn-sales.png", "btn-sales-on.png" },
    { "ORDER", "QuoteOrderHistoryController", "btn-quote.png", "btn-quote-on.png" },
    { "SYNC", "SyncViewController", "btn-sync.png", "btn-sync-on.png" },
    { "SETTINGS", "SettingsViewController", "Icon_Settings_40x40.png", "Icon_Settings_On_40x40.png" },
};

constexpr CGFloat kBarTop = 702;
constexpr CGFloat kBarHeight = 66;

}  // namespace

UITabBarControllerExt::TabScreenFactory& UITabBarControllerExt::tabScreenFactory()
{
    static TabScreenFactory factory;
    return factory;
}

void UITabBarControllerExt::setTabScreenFactory(TabScreenFactory factory) { tabScreenFactory() = std::move(factory); }

std::shared_ptr<UITabBarControllerExt> UITabBarControllerExt::create()
{
    auto controller = std::make_shared<UITabBarControllerExt>();
    controller->addViewControllers();
    controller->hideTabBar();
    return controller;
}

UITabBarControllerExt::~UITabBarControllerExt()
{
    if (m_bViewHasLoad)
        LanguageManager::sharedInstance()->unRegisterLanugageNotification(this);
}

const char* UITabBarControllerExt::titleKeyForTab(long index)
{
    return index >= 0 && index < kItemCount ? kTabs[index].titleKey : "";
}

std::shared_ptr<TabBarItemButton> UITabBarControllerExt::button(long index) const
{
    if (index < 0 || index >= static_cast<long>(m_itmeButtonArray.size()))
        return nullptr;
    return m_itmeButtonArray[static_cast<size_t>(index)];
}

void UITabBarControllerExt::addViewControllers()
{
    std::vector<std::shared_ptr<UIViewController>> controllers;
    controllers.push_back(std::make_shared<HomeViewController>());
    for (long i = TabCatalog; i <= TabSync; ++i) {
        std::shared_ptr<UIViewController> screen = tabScreenFactory() ? tabScreenFactory()(i) : nullptr;
        if (!screen)
            NSException::raiseFormat(NSInternalInconsistencyException, "Assertion failure in %s: no screen for %s",
                "UITabBarControllerExt::addViewControllers", kTabs[i].screen);
        if (i == TabCatalog) {
            if (auto catalog = std::dynamic_pointer_cast<CatalogViewDelegate>(screen))
                setCatalogDelegate(catalog);
        }
        auto navigation = UINavigationController::withRootViewController(screen);
        if (i == TabCatalog || i == TabSync)
            navigation->setNavigationBarHidden(true);
        controllers.push_back(navigation);
    }
    setViewControllers(std::move(controllers));
}

void UITabBarControllerExt::hideTabBar()
{
    auto bar = tabBar();
    bar->setFrame(CGRectMake(0, 768, 1024, 0));
    bar->setHidden(true);
}

void UITabBarControllerExt::viewDidLoad()
{
    UITabBarController::viewDidLoad();
    if (m_bViewHasLoad)
        return;
    view()->setBackgroundColor(UIColor::whiteColor());
    LanguageManager::sharedInstance()->registerLanugageNotification(protect<UITabBarControllerExt>());
    m_itmeButtonArray.clear();
    addCustomElements();
    loadByConfig();
    selectTab(TabHome);
    m_bViewHasLoad = true;
}

std::shared_ptr<UIImage> UITabBarControllerExt::barImage() const
{
    if (auto name = DataAccessManager::sharedDataModel()->getFullImagePathByTitle(std::string("top bar"))) {
        const std::string path = NSString::stringByAppendingPathComponent(
            NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Documents/ConfigImages"), *name);
        if (auto image = UIImage::imageWithContentsOfFile(path))
            return image;
    }
    return SkinManager::skinFromImageName(std::string("btmbar-bg.png"));
}

void UITabBarControllerExt::addCustomElements()
{
    m_backgroundImage = std::make_shared<UIImageView>(CGRectMake(0, kBarTop, 1024, kBarHeight));
    m_backgroundImage->setUserInteractionEnabled(true);
    m_backgroundImage->setImage(barImage());
    view()->addSubview(m_backgroundImage);

    auto weak = weakSelf<UITabBarControllerExt>();
    m_btnLogo = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnLogo->setFrame(CGRectMake(15, 709, 222, 51));
    m_btnLogo->setBackgroundColor(UIColor::clearColor());
    m_btnLogo->setImageForState(SkinManager::skinFromImageName(std::string("homelogo.png")), UIControlStateNormal);
    m_btnLogo->setImageForState(
        SkinManager::skinFromImageName(std::string("homelogo_highlight.png")), UIControlStateHighlighted);
    auto longPress = std::make_shared<UILongPressGestureRecognizer>();
    longPress->addTarget([weak](UIGestureRecognizer& recognizer) {
        if (auto self = weak.lock())
            self->logoOnLongClickListener(recognizer);
    });
    m_btnLogo->addGestureRecognizer(longPress);
    view()->addSubview(m_btnLogo);

    for (long i = 0; i < kItemCount; ++i) {
        auto item = std::make_shared<TabBarItemButton>(CGRectMake(0, 8, 64, 50));
        item->setTitle(text(kTabs[i].titleKey));
        item->setTag(i);
        item->addTargetForControlEvents(UIControlEventTouchUpInside, [weak, i](UIControl&, UIEvent*) {
            auto self = weak.lock();
            if (!self)
                return;
            if (i == TabSettings)
                self->settingsBtnClicked();
            else
                self->buttonClicked(i);
        });
        m_backgroundImage->addSubview(item);
        m_itmeButtonArray.push_back(item);
    }
}

void UITabBarControllerExt::placeShownButtons(CGFloat x0, CGFloat step, CGFloat width)
{
    long shown = 0;
    for (const auto& item : m_itmeButtonArray)
        shown += item->isHidden() ? 0 : 1;
    // With every module on, the wide and narrow layouts run past the bar's
    // right edge and the settings button, always last, could not be reached:
    // such a row closes up just enough to end at the edge.
    const CGFloat barWidth = m_backgroundImage ? m_backgroundImage->bounds().size.width : 1024;
    if (shown > 1 && x0 + step * static_cast<CGFloat>(shown - 1) + width > barWidth)
        step = (barWidth - width - x0) / static_cast<CGFloat>(shown - 1);
    long n = 0;
    for (const auto& item : m_itmeButtonArray) {
        if (item->isHidden())
            continue;
        item->setFrame(CGRectMake(x0 + step * static_cast<CGFloat>(n), 8, width, 50));
        ++n;
    }
}

void UITabBarControllerExt::loadByConfig()
{
    auto config = ConfigManager::sharedInstance();
    for (size_t i = 0; i < m_itmeButtonArray.size(); ++i)
        m_itmeButtonArray[i]->setHidden(!config->isOnShow(static_cast<int>(i)));
    placeShownButtons(320, 90, 64);
    setBackgroundView();
}

void UITabBarControllerExt::setBackgroundView()
{
    if (m_backgroundImage)
        m_backgroundImage->setImage(barImage());
    for (size_t i = 0; i < m_itmeButtonArray.size(); ++i) {
        const auto& item = m_itmeButtonArray[i];
        if (item->isHidden())
            continue;
        item->setImgNormal(SkinManager::skinFromImageName(std::string(kTabs[i].normalImage)));
        item->setImgFocus(SkinManager::skinFromImageName(std::string(kTabs[i].selectedImage)));
    }
}

void UITabBarControllerExt::itemsMove(bool wide)
{
    if (wide) {
        placeShownButtons(320, 100, 64);
        if (m_btnLogo)
            m_btnLogo->setFrame(CGRectMake(15, 705, 225, 51));
    } else {
        placeShownButtons(490, 78, 68);
        if (m_btnLogo)
            m_btnLogo->setFrame(CGRectMake(265, 705, 225, 51));
    }
}

void UITabBarControllerExt::viewWillAppear(bool animated)
{
    UITabBarController::viewWillAppear(animated);
    const auto orientation = UIApplication::sharedApplication()->statusBarOrientation();
    if (orientation == UIInterfaceOrientationPortrait || orientation == UIInterfaceOrientationPortraitUpsideDown) {
        // Presenting any screen makes the platform turn the interface to one
        // this controller accepts.
        auto empty = std::make_shared<UIViewController>();
        presentModalViewControllerAnimated(empty, false);
        dismissModalViewControllerAnimated(false);
    }
}

void UITabBarControllerExt::viewDidAppear(bool animated)
{
    UITabBarController::viewDidAppear(animated);
    for (const auto& controller : viewControllers()) {
        auto screen = controller;
        if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(controller);
            navigation && !navigation->viewControllers().empty())
            screen = navigation->viewControllers().front();
        if (auto configurable = std::dynamic_pointer_cast<LoadByConfigScreen>(screen))
            configurable->loadByConfig();
    }
}

void UITabBarControllerExt::selectTab(long index)
{
    setSelectedIndex(index);
    auto catalog = m_catalogDelegate.lock();
    auto library = m_libraryDelegate.lock();
    if (index == TabCatalog) {
        if (library)
            library->removeLibraryView();
        if (catalog)
            catalog->addCatologView();
    } else {
        if (catalog)
            catalog->removeCalogView();
        if (index == TabSalesLibrary) {
            if (library)
                library->addLibraryView();
        } else {
            if (library)
                library->removeLibraryView();
            itemsMove(true);
        }
    }
    m_iPerSelectTab = m_iCurSelectTab;
    m_iCurSelectTab = index;
    for (size_t i = 0; i < m_itmeButtonArray.size(); ++i)
        m_itmeButtonArray[i]->setSelected(static_cast<long>(i) == index);
}

void UITabBarControllerExt::buttonClicked(long tag) { selectTab(tag); }

void UITabBarControllerExt::returnPerselectTab() { buttonClicked(m_iPerSelectTab); }

void UITabBarControllerExt::settingsBtnClicked()
{
    auto settings = std::make_shared<SettingsViewController>();
    settings->setDelegate(protect<UITabBarControllerExt>());
    auto navigation = UINavigationController::withRootViewController(settings);
    navigation->setModalPresentationStyle(UIModalPresentationFormSheet);
    presentViewControllerAnimatedCompletion(navigation, true, nullptr);
    if (auto item = settingsBtn())
        item->setSelected(true);
}

void UITabBarControllerExt::deselectButton()
{
    if (auto item = settingsBtn())
        item->setSelected(false);
}

void UITabBarControllerExt::setBadgeValueTabBarItemTagAnimated(
    const std::optional<std::string>& value, long tag, bool animated)
{
    std::shared_ptr<TabBarItemButton> item;
    for (const auto& candidate : m_itmeButtonArray) {
        if (candidate->tag() == tag) {
            item = candidate;
            break;
        }
    }
    if (!item)
        return;
    std::optional<std::string> shown = value;
    if (tag == TabQuoteOrder) {
        const long count = value ? NSString::integerValue(*value) : 0;
        if (count == 0)
            shown = std::nullopt;
        else if (count > 999)
            shown = std::string("999+");
    }
    item->setBadgeValueAnimated(shown, animated);
}

void UITabBarControllerExt::startSyncIconAnimation()
{
    if (auto item = syncBtn()) {
        item->stopBlinkIcon();
        item->startBlinkIcon();
    }
}

void UITabBarControllerExt::stopSyncIconAnimation()
{
    if (auto item = syncBtn())
        item->stopBlinkIcon();
}

void UITabBarControllerExt::logoOnLongClickListener(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateBegan)
        return;
    auto pop = std::make_shared<LoginPopController>();
    pop->setDelegate(protect<UITabBarControllerExt>());
    pop->view()->setBackgroundColor(UIColor::clearColor());
    m_logoutPopController = std::make_shared<UIPopoverController>(pop);
    m_logoutPopController->setDelegate(protect<UITabBarControllerExt>());
    m_logoutPopController->setPopoverContentSize(CGSizeMake(300, 40));
    m_logoutPopController->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        CGRectMake(m_btnLogo->frame().origin.x - 10, 705, 225, 51), view(), UIPopoverArrowDirectionAny, true);
}

void UITabBarControllerExt::goBackLoginView()
{
    if (m_logoutPopController)
        m_logoutPopController->dismissPopoverAnimated(false);
    if (auto app = CorvelleAppDelegate::sharedAppDelegate())
        app->showLoginPage();
}

void UITabBarControllerExt::notifiChangelanguage()
{
    for (size_t i = 0; i < m_itmeButtonArray.size(); ++i)
        m_itmeButtonArray[i]->setTitle(text(kTabs[i].titleKey));
}

bool UITabBarControllerExt::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o)
{
    return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
}
