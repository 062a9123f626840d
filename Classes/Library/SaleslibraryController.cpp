#include "Classes/Library/SaleslibraryController.h"

#include "Classes/Frame/BrowserTab.h"
#include "Classes/Frame/BrowserTabView.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/OrderingController.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Library/LibraryCatalogController.h"
#include "Classes/Library/LibraryDetailController.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"

namespace {

constexpr CGFloat kPanelWidth = 244;

}  // namespace

SaleslibraryController::SaleslibraryController() = default;

SaleslibraryController::~SaleslibraryController() { NSNotificationCenter::defaultCenter().removeObserver(this); }

std::shared_ptr<UITabBarControllerExt> SaleslibraryController::tabBar() const
{
    if (auto own = std::dynamic_pointer_cast<UITabBarControllerExt>(tabBarController()))
        return own;
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    return app ? app->tabBarController() : nullptr;
}

void SaleslibraryController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto self = protect<SaleslibraryController>();
    std::weak_ptr<SaleslibraryController> weak = self;
    m_catalogNavBgImageView = std::make_shared<UIImageView>(CGRectZero);
    m_catalogNavBgImageView->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));
    view()->addSubview(m_catalogNavBgImageView);

    m_ControlMasterBtn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_ControlMasterBtn->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("icon-menu.png")), UIControlStateNormal);
    m_ControlMasterBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto s = weak.lock())
            s->ControlMasterClicked();
    });
    view()->addSubview(m_ControlMasterBtn);

    m_tabController = BrowserTabView::initWithTabTitlesAndDelegate(
        { text("MYLIBRARY"), text("MYCOLLECTION") }, std::static_pointer_cast<BrowserTabViewDelegate>(self));
    view()->addSubview(m_tabController);

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
    m_catalogNavBgImageView->setFrame(CGRectMake(m_isMasterViewHidden ? 0 : kPanelWidth, 0, 1024, 44));
    m_ControlMasterBtn->setFrame(m_isMasterViewHidden ? CGRectMake(15, 5, 34, 34) : CGRectMake(260, 5, 34, 34));
    addLibraryView();
}

void SaleslibraryController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    auto self = protect<SaleslibraryController>();
    if (auto bar = tabBar())
        bar->setLibraryDelegate(std::static_pointer_cast<LibraryViewDelegate>(self));
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(true);
    m_masterController = UINavigationController::withRootViewController(std::make_shared<LibraryCatalogController>());
    auto grid = std::make_shared<LibraryDetailController>();
    grid->setLibraryTab(0);
    grid->setMasterHide(isMasterViewHiddened());
    m_detailController = UINavigationController::withRootViewController(grid);
    m_detailViewsArray = { grid };
    m_masterController->setNavigationBarHidden(true);
    m_detailController->setNavigationBarHidden(true);
    m_isMasterViewHidden = false;
    std::weak_ptr<SaleslibraryController> weak = self;
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, "ShowLibraryMasterView", [weak](const NSNotification&) {
        if (auto s = weak.lock())
            s->ShowMasterView();
    });
    center.addObserver(this, "HideLibraryMasterView", [weak](const NSNotification&) {
        if (auto s = weak.lock())
            s->HideMasterView();
    });
}

void SaleslibraryController::addLibraryView()
{
    auto bar = tabBar();
    if (!bar || bar->selectedIndex() != UITabBarControllerExt::TabSalesLibrary || !m_masterController)
        return;
    removeLibraryView();
    auto master = m_masterController->view();
    auto detail = m_detailController->view();
    master->setTag(kMasterViewTag);
    detail->setTag(kDetailViewTag);
    master->setFrame(CGRectMake(m_isMasterViewHidden ? -kPanelWidth : 0, 0, kPanelWidth, 768));
    detail->setFrame(CGRectMake(0, 64, 1024, 638));
    bar->view()->addSubview(detail);
    bar->view()->addSubview(master);
    // The panes lie outside the tab bar's own children, so they are told of
    // their appearance here: the grid hears the downloads while it is shown.
    for (const auto& pane : { m_detailController, m_masterController }) {
        pane->beginAppearanceTransition(true, false);
        pane->endAppearanceTransition();
    }
}

void SaleslibraryController::removeLibraryView()
{
    auto bar = tabBar();
    if (!bar)
        return;
    bool removed = false;
    for (long tag : { kMasterViewTag, kDetailViewTag }) {
        while (auto pane = bar->view()->viewWithTag(tag)) {
            pane->removeFromSuperview();
            removed = true;
        }
    }
    if (!removed || !m_detailController)
        return;
    for (const auto& pane : { m_detailController, m_masterController }) {
        pane->beginAppearanceTransition(false, false);
        pane->endAppearanceTransition();
    }
}

void SaleslibraryController::ShowMasterView()
{
    if (m_isMasterViewHidden)
        showMasterViewWithDetailViewChanging();
}

void SaleslibraryController::HideMasterView()
{
    if (!m_isMasterViewHidden)
        hiddenMasterViewWithDetailViewChanging();
}

void SaleslibraryController::ControlMasterClicked()
{
    if (m_isMasterViewHidden)
        showMasterViewWithDetailViewChanging();
    else
        hiddenMasterViewWithDetailViewChanging();
}

void SaleslibraryController::layOutGrid(LibraryDetailController& grid, bool hidden)
{
    if (!grid.isViewLoaded() || !grid.productShowView())
        return;
    const CGFloat x = hidden ? 0 : kPanelWidth;
    const CGFloat width = hidden ? 1024 : 780;
    auto gridView = grid.productShowView();
    gridView->setLeftContentInset(hidden ? 25 : 20);
    gridView->setRightContentInset(hidden ? 25 : 20);
    gridView->setFrame(CGRectMake(x, 50, width, 588));
    grid.headView()->setFrame(CGRectMake(x, 0, width, 50));
    const CGFloat shift = hidden ? 244 : 0;
    grid.filterController()->orderingButton()->setFrame(CGRectMake(371 + shift, 8, 160, 34));
    grid.orderController()->orderingButton()->setFrame(CGRectMake(546 + shift, 8, 160, 34));
    grid.btnDownloadAll()->setFrame(CGRectMake(726 + shift, 8, 34, 34));
    gridView->setNeedsLayout();
    gridView->reloadData();
}

void SaleslibraryController::applyGeometry(bool hidden)
{
    m_ControlMasterBtn->setSelected(hidden);
    if (m_masterController && m_masterController->isViewLoaded())
        m_masterController->view()->setFrame(CGRectMake(hidden ? -kPanelWidth : 0, 0, kPanelWidth, 768));
    m_catalogNavBgImageView->setFrame(CGRectMake(hidden ? 0 : kPanelWidth, 0, 1024, 44));
    m_ControlMasterBtn->setFrame(hidden ? CGRectMake(15, 5, 34, 34) : CGRectMake(260, 5, 34, 34));
    m_ControlMasterBtn->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string(hidden ? "icon-menu-split.png" : "icon-menu.png")),
        UIControlStateNormal);
    for (const auto& grid : m_detailViewsArray)
        layOutGrid(*grid, hidden);
    if (auto bar = tabBar())
        bar->itemsMove(hidden);
}

void SaleslibraryController::hiddenMasterViewWithDetailViewChanging()
{
    if (m_isMasterViewHidden)
        return;
    auto self = protect<SaleslibraryController>();
    UIView::animateWithDuration(
        0.3, 0, UIViewAnimationOptionCurveEaseOut, [self] { self->applyGeometry(true); }, nullptr);
    m_isMasterViewHidden = true;
}

void SaleslibraryController::showMasterViewWithDetailViewChanging()
{
    if (!m_isMasterViewHidden)
        return;
    auto self = protect<SaleslibraryController>();
    UIView::animateWithDuration(
        0.3, 0, UIViewAnimationOptionCurveEaseOut, [self] { self->applyGeometry(false); }, nullptr);
    m_isMasterViewHidden = false;
}

void SaleslibraryController::BrowserTabViewDidSelecedAtIndex(BrowserTabView&, unsigned index)
{
    if (static_cast<int>(index) == m_tabIndex || !m_detailController)
        return;
    auto self = protect<SaleslibraryController>();
    if (index == 1) {
        if (m_detailViewsArray.size() < 2) {
            auto grid = std::make_shared<LibraryDetailController>();
            grid->setLibraryTab(1);
            grid->setMasterHide(isMasterViewHiddened());
            m_detailViewsArray.push_back(grid);
        }
        m_detailController->pushViewControllerAnimated(m_detailViewsArray[1], false);
    } else {
        m_detailController->popToRootViewControllerAnimated(false);
    }
    m_tabIndex = static_cast<int>(index);
}

void SaleslibraryController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    auto bar = tabBar();
    if (!bar)
        return;
    // The tab bar may load its tabs' views before it is the application's, so
    // the screen makes sure here that the bar knows it.
    if (!bar->libraryDelegate())
        bar->setLibraryDelegate(std::static_pointer_cast<LibraryViewDelegate>(protect<SaleslibraryController>()));
    bar->itemsMove(m_isMasterViewHidden);
}

void SaleslibraryController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!m_tabController)
        return;
    const auto& tabs = m_tabController->tabsArray();
    const char* keys[] = { "MYLIBRARY", "MYCOLLECTION" };
    for (size_t i = 0; i < tabs.size() && i < 2; ++i) {
        tabs[i]->textLabel()->setText(text(keys[i]));
        tabs[i]->layoutSubviews();
    }
}

void SaleslibraryController::hightVersionViewDidUnload()
{
    if (isViewLoaded() && view()->window())
        return;
    m_ControlMasterBtn.reset();
}

void SaleslibraryController::viewDidUnload()
{
    BaseViewController::viewDidUnload();
    m_ControlMasterBtn.reset();
}
