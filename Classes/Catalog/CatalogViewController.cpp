#include "Classes/Catalog/CatalogViewController.h"

#include "Classes/Catalog/CatalogLayOut.h"
#include "Classes/Catalog/CatalogText.h"
#include "Classes/Catalog/DetailViewController.h"
#include "Classes/Catalog/MasterViewController.h"
#include "Classes/Catalog/ProductCompareController.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/OrderingController.h"
#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Catalog/ProductFavoriteController.h"
#include "Classes/Catalog/ProductSearchListController.h"
#include "Classes/Frame/PopBaseController.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UIToast.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"

namespace {

constexpr CGRect kTitleShown { { 524, 7 }, { 220, 30 } };
constexpr CGRect kTitleHidden { { 282, 7 }, { 460, 30 } };
constexpr CGRect kTitleProductLevel { { 112, 7 }, { 800, 30 } };
constexpr CGRect kMenuShown { { 260, 5 }, { 34, 34 } };
constexpr CGRect kMenuHidden { { 15, 5 }, { 34, 34 } };
constexpr CGRect kSearchShown { { 300, 3 }, { 220, 34 } };
constexpr CGRect kSearchHidden { { 55, 3 }, { 220, 34 } };

CGFloat titleWidth(const UILabel& label, CGFloat limit)
{
    return sizeWithFontConstrainedToSize(label.text(), label.font(), CGSizeMake(limit, 30)).width;
}

void post(const std::string& name, Value object = {})
{
    NSNotificationCenter::defaultCenter().postNotificationName(name, std::move(object));
}

}  // namespace

CatalogViewController::~CatalogViewController() { NSNotificationCenter::defaultCenter().removeObserver(this); }

std::shared_ptr<UITabBarControllerExt> CatalogViewController::tabs() const
{
    if (auto mine = std::dynamic_pointer_cast<UITabBarControllerExt>(tabBarController()))
        return mine;
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    return app ? app->tabBarController() : nullptr;
}

void CatalogViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<CatalogViewController>();
    auto on = [weak](void (CatalogViewController::*action)()) {
        return [weak, action](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                ((*self).*action)();
        };
    };

    m_catalogNavBgImageView = std::make_shared<UIImageView>(CGRectMake(244, 0, 1024, 44));
    m_catalogNavBgImageView->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));

    m_lblTitle = std::make_shared<UILabel>(kTitleShown);
    m_lblTitle->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_lblTitle->setTextColor(UIColor::whiteColor());
    m_lblTitle->setBackgroundColor(UIColor::clearColor());
    m_lblTitle->setTextAlignment(UITextAlignmentCenter);
    m_lblTitle->setAdjustsFontSizeToFitWidth(true);
    m_lblTitle->setMinimumFontSize(15);
    m_lblTitle->setText(text("CATALOG_"));

    m_btnCompare = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnCompare->setFrame(CGRectMake(931, 5, 34, 34));
    m_btnCompare->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("btn-compare.png")), UIControlStateNormal);
    m_btnCompare->addTarget(UIControlEventTouchUpInside, on(&CatalogViewController::btnCompareClicked));

    m_btnFavorites = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnFavorites->setFrame(CGRectMake(975, 5, 34, 34));
    m_btnFavorites->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("btn-fav.png")), UIControlStateNormal);
    m_btnFavorites->addTarget(UIControlEventTouchUpInside, on(&CatalogViewController::btnFavoritesClicked));

    m_btnMenu = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnMenu->setFrame(kMenuShown);
    m_btnMenu->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("icon-menu.png")), UIControlStateNormal);
    m_btnMenu->addTarget(UIControlEventTouchUpInside, on(&CatalogViewController::ControlMasterClicked));

    m_btnBack = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnBack->setFrame(CGRectMake(8, 5, 60, 34));
    PublicFunction::initializeToBackButtonHeight34(m_btnBack);
    m_btnBack->setTitleForState(text("BACK"), UIControlStateNormal);
    m_btnBack->addTarget(UIControlEventTouchUpInside, on(&CatalogViewController::backButtonClicked));
    m_btnBack->setHidden(true);

    m_searchBar = std::make_shared<UISearchBar>(kSearchShown);
    m_searchBar->setPlaceholder(text("CATALOGSEARCHHOLD"));
    m_searchBar->setBackgroundColor(UIColor::clearColor());
    m_searchBar->setBackgroundImage(UIImage::imageNamed("bg_searchbar"));
    m_searchBar->setDelegate(std::static_pointer_cast<UISearchBarDelegate>(weak.lock()));

    for (const auto& v : std::initializer_list<std::shared_ptr<UIView>> {
             m_catalogNavBgImageView, m_lblTitle, m_btnCompare, m_btnFavorites, m_btnMenu, m_btnBack, m_searchBar })
        view()->addSubview(v);

    m_orderingController = OrderingController::initWithOrderButtonFrameOrderingsNamesDelegateInView(
        CGRectMake(806, 5, 110, 34), { "BYNAME", "BYSKU", "BYPRICE" },
        std::static_pointer_cast<OrderingControllerDelegate>(weak.lock()), view());
    auto sort = m_orderingController->orderingButton();
    sort->setImageForState(UIImage::imageNamed("icon_sort_arrow.png"), UIControlStateNormal);
    sort->imageEdgeInsets = UIEdgeInsetsMake(0, 75, 0, 0);
    sort->titleEdgeInsets = UIEdgeInsetsMake(0, 0, 0, 30);
    view()->addSubview(sort);

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
    layOutGridLevel();
    addCatologView();
}

void CatalogViewController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    m_flagOfMasterViewHidden = false;
    if (auto bar = tabs())
        bar->setCatalogDelegate(std::static_pointer_cast<CatalogViewDelegate>(protect<CatalogViewController>()));
    m_searchProductArray.clear();
    m_grid = std::make_shared<DetailViewController>();
    m_master = std::make_shared<MasterViewController>();
    auto weak = weakSelf<CatalogViewController>();
    m_grid->setDetailViewDelegate(std::static_pointer_cast<DetailViewDelegate>(weak.lock()));
    m_grid->setBtnBack(m_btnBack);
    m_grid->setLblTitle(m_lblTitle);
    m_grid->setSearchBar(m_searchBar);
    m_master->setLblTitle(m_lblTitle);
    m_masterController = UINavigationController::withRootViewController(m_master);
    m_masterController->setNavigationBarHidden(true);
    m_detailController = UINavigationController::withRootViewController(m_grid);
    m_detailController->setNavigationBarHidden(true);

    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, CatalogLayOut::kNotificationName, [weak](const NSNotification& n) {
        if (auto self = weak.lock())
            self->setCatalogLayOut(n.object);
    });
    center.addObserver(this, "AppearOrHiddenMasterView", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->ControlMasterClicked();
    });
    center.addObserver(this, "detailOnClickTagListener", [weak](const NSNotification& n) {
        if (auto self = weak.lock())
            self->detailOnClickTagListener(n.object.stringValue());
    });
    center.addObserver(this, "btnBackClick", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->backButtonClicked();
    });
}

void CatalogViewController::layOutGridLevel()
{
    const bool hidden = m_flagOfMasterViewHidden;
    m_masterController->view()->setFrame(CGRectMake(hidden ? -kMasterWidth : 0, 20, kMasterWidth, 768));
    m_catalogNavBgImageView->setFrame(CGRectMake(hidden ? 0 : kMasterWidth, 0, 1024, 44));
    m_lblTitle->setFrame(hidden ? kTitleHidden : kTitleShown);
    m_btnMenu->setFrame(hidden ? kMenuHidden : kMenuShown);
    m_btnMenu->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string(hidden ? "icon-menu-split.png" : "icon-menu.png")),
        UIControlStateNormal);
    m_searchBar->setFrame(hidden ? kSearchHidden : kSearchShown);
    setGridFrame(
        hidden || !DetailViewController::isSplitMode() ? CGRectMake(0, 0, 1024, 638) : CGRectMake(250, 0, 774, 638));
}

void CatalogViewController::setGridFrame(CGRect frame)
{
    if (m_grid && m_grid->isViewLoaded())
        m_grid->productShowView()->setFrame(frame);
}

void CatalogViewController::addCatologView()
{
    auto bar = tabs();
    if (!bar || bar->selectedIndex() != UITabBarControllerExt::TabCatalog)
        return;
    // The tab bar may ask before the screen has been shown once; the panes are made with the view.
    view();
    if (!m_masterController)
        return;
    removeCalogView();
    auto masterView = m_masterController->view();
    auto detailView = m_detailController->view();
    masterView->setTag(kMasterViewTag);
    detailView->setTag(kDetailViewTag);
    if (m_detailController->viewControllers().size() > 1) {
        masterView->setFrame(CGRectMake(-kMasterWidth, 20, kMasterWidth, 768));
        m_catalogNavBgImageView->setFrame(CGRectMake(0, 0, 1024, 44));
        m_lblTitle->setFrame(kTitleProductLevel);
        m_btnMenu->setHidden(true);
        m_btnBack->setHidden(false);
        m_orderingController->orderingButton()->setHidden(true);
        m_searchBar->setHidden(true);
    } else {
        // A synchronisation since the last visit may have changed the
        // left-panel setting: the grid stands beside the pane or under it by
        // the setting in force now.
        setGridFrame(
            m_flagOfMasterViewHidden ? CGRectMake(0, 0, 1024, 638) : DetailViewController::gridFrameForLeftPanel());
    }
    detailView->setFrame(CGRectMake(0, 64, 1024, 638));
    bar->view()->addSubview(detailView);
    bar->view()->addSubview(masterView);
}

void CatalogViewController::removeCalogView()
{
    auto bar = tabs();
    if (!bar)
        return;
    for (long tag : { kMasterViewTag, kDetailViewTag })
        if (auto pane = bar->view()->viewWithTag(tag))
            pane->removeFromSuperview();
}

void CatalogViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    if (m_detailController->viewControllers().size() == 1)
        if (auto bar = tabs())
            bar->itemsMove(m_flagOfMasterViewHidden);
    m_masterController->viewWillAppear(animated);
    m_detailController->viewWillAppear(animated);
}

// The two panes lie on the tab bar's view rather than in this screen's, so no
// container tells them when the tab comes and goes: they hear it from here,
// every appearance paired with its disappearance so that the next visit is
// told again (the pane reloads after a synchronisation on it).
void CatalogViewController::viewDidAppear(bool animated)
{
    BaseViewController::viewDidAppear(animated);
    m_masterController->viewDidAppear(animated);
    m_detailController->viewDidAppear(animated);
}

void CatalogViewController::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    m_masterController->viewWillDisappear(animated);
    m_detailController->viewWillDisappear(animated);
}

void CatalogViewController::viewDidDisappear(bool animated)
{
    BaseViewController::viewDidDisappear(animated);
    m_masterController->viewDidDisappear(animated);
    m_detailController->viewDidDisappear(animated);
}

void CatalogViewController::setMasterViewHiddedBeginPoint(bool hide, CGPoint beginPoint)
{
    if (hide == m_flagOfMasterViewHidden || m_detailController->viewControllers().front() != m_grid)
        return;
    auto grid = m_grid->productShowView();
    const NSUInteger index = grid->indexForItemAtPoint(beginPoint);
    const long oldRow = static_cast<long>(index) / (hide ? 4 : 5);
    const CGFloat keptOffset = grid->contentOffset().y;

    const CGFloat w = titleWidth(*m_lblTitle, hide ? 220 : 460);
    CGRect title = m_lblTitle->frame();
    title.origin.x = hide ? 250 + (774 - w) / 2 : (1024 - w) / 2;
    m_lblTitle->setFrame(title);
    m_lblTitle->setTextAlignment(UITextAlignmentLeft);

    auto weak = weakSelf<CatalogViewController>();
    auto masterView = m_masterController->view();
    UIView::animateWithDuration(
        0.3, 0, 0,
        [weak, hide, masterView] {
            auto self = weak.lock();
            if (!self)
                return;
            const CGRect m = masterView->frame();
            masterView->setCenter(CGPointMake(hide ? -m.size.width / 2 : m.size.width / 2, m.size.height / 2 + 20));
            CGRect bg = self->m_catalogNavBgImageView->frame();
            bg.origin.x += hide ? -m.size.width : m.size.width;
            self->m_catalogNavBgImageView->setFrame(bg);
            self->m_btnMenu->setFrame(hide ? kMenuHidden : kMenuShown);
            self->m_btnMenu->setBackgroundImageForState(
                SkinManager::skinFromImageName(std::string(hide ? "icon-menu-split.png" : "icon-menu.png")),
                UIControlStateNormal);
            self->m_searchBar->setFrame(hide ? kSearchHidden : kSearchShown);
            const CGFloat w2 = titleWidth(*self->m_lblTitle, hide ? 460 : 220);
            CGRect t = self->m_lblTitle->frame();
            t.origin.x = hide ? (1024 - w2) / 2 : 250 + (774 - w2) / 2;
            t.size.width = hide ? 460 : 220;
            self->m_lblTitle->setFrame(t);
            self->setGridFrame(hide || !DetailViewController::isSplitMode() ? CGRectMake(0, 0, 1024, 638)
                                                                            : CGRectMake(250, 0, 774, 638));
            if (auto bar = self->tabs())
                bar->itemsMove(hide);
        },
        [weak, hide, beginPoint, index, oldRow, keptOffset](bool) {
            auto self = weak.lock();
            if (!self)
                return;
            self->m_lblTitle->setFrame(hide ? kTitleHidden : CGRectMake(527, 7, 220, 30));
            self->m_lblTitle->setTextAlignment(UITextAlignmentCenter);
            if (beginPoint.x == 0 && beginPoint.y == 0)
                return;
            const long newRow = static_cast<long>(index) / (hide ? 5 : 4);
            CGFloat y = keptOffset - static_cast<CGFloat>(oldRow - newRow) * kGridRowHeight;
            if (y > 0) {
                auto shown = self->m_grid->productShowView();
                y = std::min(y, shown->contentSize().height - shown->bounds().size.height);
                shown->setContentOffsetAnimated(CGPointMake(shown->contentOffset().x, y), false);
            }
        });
    post("switchProductStyle");
    m_flagOfMasterViewHidden = hide;
}

void CatalogViewController::ControlMasterClicked()
{
    setMasterViewHiddedBeginPoint(!m_flagOfMasterViewHidden, CGPointZero);
}

void CatalogViewController::hiddenMasterViewWithDetailViewChanging()
{
    auto masterView = m_masterController->view();
    const CGRect m = masterView->frame();
    masterView->setCenter(CGPointMake(-m.size.width / 2, m.size.height / 2 + 20));
    CGRect bg = m_catalogNavBgImageView->frame();
    bg.origin.x = 0;
    m_catalogNavBgImageView->setFrame(bg);
    m_btnMenu->setFrame(kMenuHidden);
    m_btnMenu->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("icon-menu-split.png")), UIControlStateNormal);
    m_searchBar->setFrame(kSearchHidden);
    m_lblTitle->setFrame(kTitleHidden);
    setGridFrame(CGRectMake(0, 0, 1024, 638));
    if (auto bar = tabs())
        bar->itemsMove(true);
}

void CatalogViewController::showMasterViewWithDetailViewChanging()
{
    auto masterView = m_masterController->view();
    const CGRect m = masterView->frame();
    masterView->setCenter(CGPointMake(m.size.width / 2, m.size.height / 2 + 20));
    CGRect bg = m_catalogNavBgImageView->frame();
    bg.origin.x = m.size.width;
    m_catalogNavBgImageView->setFrame(bg);
    m_btnMenu->setFrame(kMenuShown);
    m_btnMenu->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("icon-menu.png")), UIControlStateNormal);
    m_searchBar->setFrame(kSearchShown);
    m_lblTitle->setFrame(kTitleShown);
    if (m_detailController->viewControllers().front() == m_grid) {
        setGridFrame(DetailViewController::isSplitMode() ? CGRectMake(250, 0, 774, 638) : CGRectMake(0, 0, 1024, 638));
        m_grid->view()->setNeedsLayout();
    }
    if (auto bar = tabs())
        bar->itemsMove(false);
}

void CatalogViewController::productCellClicked()
{
    if (!m_flagOfMasterViewHidden) {
        UIView::beginAnimations("move");
        UIView::setAnimationCurve(UIViewAnimationCurveEaseOut);
        UIView::setAnimationDuration(0.3);
        hiddenMasterViewWithDetailViewChanging();
        UIView::commitAnimations();
    }
    m_lblTitle->setFrame(kTitleProductLevel);
    m_btnMenu->setHidden(true);
    m_btnBack->setHidden(false);
    m_orderingController->orderingButton()->setHidden(true);
    m_searchBar->setHidden(true);
}

void CatalogViewController::pushDetail(const std::shared_ptr<UIViewController>& screen)
{
    m_detailController->pushViewControllerAnimated(screen, true);
}

void CatalogViewController::setCatalogLayOut(const Value& object)
{
    const auto request = CatalogLayOut::read(object);
    if (!request)
        return;
    productCellClicked();
    const auto& product = request->products[static_cast<size_t>(request->index)];
    if (!m_flagOfMasterViewHidden)
        post("switchProductStyle");
    m_searchBar->setHidden(true);
    m_lblTitle->setText(product->product_name.value_or(std::string()));
    pushDetail(CatalogLayOut::productDetail(request->products, request->index, m_lblTitle));
}

void CatalogViewController::didselectSearchResultIndex(
    const std::shared_ptr<corvelle_product_Entity>& product, long index)
{
    m_searchBar->resignFirstResponder();
    if (m_serchController && m_serchController->isPopoverVisible())
        m_serchController->dismissPopoverAnimated(true);
    if (!product || index < 0 || static_cast<size_t>(index) >= m_searchProductArray.size())
        return;
    hiddenMasterViewWithDetailViewChanging();
    post("switchProductStyle");
    m_btnMenu->setHidden(true);
    m_btnBack->setHidden(false);
    m_orderingController->orderingButton()->setHidden(true);
    m_searchBar->setHidden(true);
    m_lblTitle->setFrame(kTitleProductLevel);
    m_lblTitle->setText(product->product_name.value_or(std::string()));
    pushDetail(CatalogLayOut::productDetail(m_searchProductArray, index, m_lblTitle));
}

void CatalogViewController::leaveProductLevel()
{
    m_btnBack->setHidden(true);
    m_btnMenu->setHidden(false);
    m_searchBar->setHidden(false);
    auto sort = m_orderingController->orderingButton();
    sort->setHidden(false);
    sort->setAlpha(0);
    UIView::animateWithDuration(0.3, [sort] { sort->setAlpha(1); });
    m_detailController->popToRootViewControllerAnimated(true);
}

void CatalogViewController::backButtonClicked()
{
    leaveProductLevel();
    UIView::beginAnimations("move");
    UIView::setAnimationCurve(UIViewAnimationCurveEaseOut);
    UIView::setAnimationDuration(0.3);
    if (m_flagOfMasterViewHidden)
        hiddenMasterViewWithDetailViewChanging();
    else
        showMasterViewWithDetailViewChanging();
    UIView::commitAnimations();
    post("switchProductStyle");
}

void CatalogViewController::detailOnClickTagListener(const std::string& tagName)
{
    leaveProductLevel();
    m_lblTitle->setText(tagName);
    UIView::beginAnimations("move");
    UIView::setAnimationCurve(UIViewAnimationCurveEaseOut);
    UIView::setAnimationDuration(0.3);
    if (m_flagOfMasterViewHidden)
        hiddenMasterViewWithDetailViewChanging();
    else
        showMasterViewWithDetailViewChanging();
    UIView::commitAnimations();
    post("didSelectToFromNotification", Value(tagName));
}

void CatalogViewController::searchBarTextDidChange(UISearchBar&, const std::string& searchText)
{
    runSearch(searchText);
}

void CatalogViewController::searchBarSearchButtonClicked(UISearchBar& bar) { runSearch(bar.text()); }

void CatalogViewController::runSearch(const std::string& typed)
{
    if (m_serchController)
        m_serchController->dismissPopoverAnimated(false);
    const CGRect anchor = m_flagOfMasterViewHidden ? CGRectMake(185, 25, 10, 10) : CGRectMake(420, 25, 10, 10);
    auto list = std::make_shared<ProductSearchListController>();
    list->setDelegate(std::static_pointer_cast<UISearchControllerDelegate>(protect<CatalogViewController>()));
    m_serchController = std::make_shared<UIPopoverController>(list);
    m_serchController->setDelegate(
        std::static_pointer_cast<UIPopoverControllerDelegate>(protect<CatalogViewController>()));
    m_serchController->setPopoverContentSize(CGSizeMake(320, 480));
    m_searchProductArray.clear();
    m_searchProductArray = DataAccessManager::sharedDataModel()->getProductsBySearchString(CatalogText::trimmed(typed));
    list->setSearchProductArray(m_searchProductArray);
    if (!m_searchProductArray.empty())
        m_serchController->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
            anchor, view(), UIPopoverArrowDirectionAny, true);
}

void CatalogViewController::orderingDidSelectedSelectedIndex(OrderingController&, unsigned selectedIndex)
{
    post("SORT_PRODUCT", Value::integer(selectedIndex));
}

void CatalogViewController::btnCompareClicked()
{
    auto compares = DataAccessManager::sharedDataModel()->getCompares();
    if (compares.empty()) {
        std::make_shared<UIToast>()->show(text("HAVENOTCREATECOMPARISONS"));
        return;
    }
    auto screen = std::make_shared<ProductCompareController>();
    screen->setCompareProductsArray(std::move(compares));
    auto self = protect<CatalogViewController>();
    screen->setDelegate(std::static_pointer_cast<PopControllerDelegate>(self));
    screen->setCompareDelegate(std::static_pointer_cast<ProductCompareDelegate>(self));
    presentModalViewControllerAnimated(screen, true);
}

void CatalogViewController::btnFavoritesClicked()
{
    auto favorites = DataAccessManager::sharedDataModel()->getFavorites();
    if (favorites.empty()) {
        std::make_shared<UIToast>()->show(text("HAVENOTCREATEFAVORITES"));
        return;
    }
    auto screen = std::make_shared<ProductFavoriteController>();
    screen->setFavArray(std::move(favorites));
    auto self = protect<CatalogViewController>();
    screen->setDelegate(std::static_pointer_cast<PopControllerDelegate>(self));
    screen->setFavDelegate(std::static_pointer_cast<ProductFavoriteDelegate>(self));
    presentModalViewControllerAnimated(screen, true);
}

void CatalogViewController::dismissPopController(bool animated) { dismissModalViewControllerAnimated(animated); }

void CatalogViewController::changeAddCompareButtonState()
{
    for (const auto& screen : m_detailController->viewControllers()) {
        if (auto detail = std::dynamic_pointer_cast<ProductDetailController>(screen); detail && detail->compareBtn())
            detail->compareBtn()->setSelected(false);
    }
}

void CatalogViewController::changeAddFavoriteButtonState()
{
    for (const auto& screen : m_detailController->viewControllers()) {
        if (auto detail = std::dynamic_pointer_cast<ProductDetailController>(screen); detail && detail->favBtn())
            detail->favBtn()->setSelected(false);
    }
}

void CatalogViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!isViewLoaded())
        return;
    m_orderingController->updateLanguage();
    m_searchBar->setPlaceholder(text("CATALOGSEARCHHOLD"));
    m_lblTitle->setText(text("CATALOG_"));
    m_btnBack->setTitleForState(text("BACK"), UIControlStateNormal);
}
