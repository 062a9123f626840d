#pragma once

// The catalogue tab: the top bar (title, menu, back, search, sort, compare
// and favourites) and two navigation stacks laid straight on the tab bar
// controller's view while the tab is selected: the master pane (categories
// and tags) and the detail stack, whose root is the product grid and on which
// product detail is pushed. It slides the pane in and out, searches, forwards
// the sort, opens the compare and favourites screens, and opens product
// detail for the lists other screens post ("setCatalogLayOut").
//
// In split mode (left panel "normal") the grid narrows beside the pane to
// four columns; otherwise the pane lies over a five-column grid.

#include "Classes/Catalog/DetailViewDelegate.h"
#include "Classes/Catalog/ProductCompareDelegate.h"
#include "Classes/Catalog/ProductFavoriteDelegate.h"
#include "Classes/Catalog/UISearchControllerDelegate.h"
#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/OrderingControllerDelegate.h"
#include "Classes/Frame/PopControllerDelegate.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UISearchBar.h"

#include <memory>

class DetailViewController;
class MasterViewController;
class OrderingController;
class UIButton;
class UIImageView;
class UILabel;
class UINavigationController;

class CatalogViewController : public BaseViewController,
                              public CatalogViewDelegate,
                              public DetailViewDelegate,
                              public OrderingControllerDelegate,
                              public UISearchBarDelegate,
                              public UIPopoverControllerDelegate,
                              public PopControllerDelegate,
                              public ProductCompareDelegate,
                              public ProductFavoriteDelegate,
                              public UISearchControllerDelegate {
public:
    static constexpr long kMasterViewTag = 6001;
    static constexpr long kDetailViewTag = 6002;
    static constexpr CGFloat kMasterWidth = 244;
    static constexpr CGFloat kGridRowHeight = 212;

    ~CatalogViewController() override;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    void addCatologView() override;
    void removeCalogView() override;
    void productCellClicked() override;
    void setMasterViewHiddedBeginPoint(bool hide, CGPoint beginPoint) override;
    void orderingDidSelectedSelectedIndex(OrderingController& controller, unsigned selectedIndex) override;
    void searchBarTextDidChange(UISearchBar& bar, const std::string& searchText) override;
    void searchBarSearchButtonClicked(UISearchBar& bar) override;
    void popoverControllerDidDismissPopover(UIPopoverController&) override { }
    void dismissPopController(bool animated) override;
    void changeAddCompareButtonState() override;
    void changeAddFavoriteButtonState() override;

    void ControlMasterClicked();
    void backButtonClicked();
    void setCatalogLayOut(const Value& object);
    void detailOnClickTagListener(const std::string& tagName);
    void didselectSearchResultIndex(const std::shared_ptr<corvelle_product_Entity>& product, long index) override;
    void btnCompareClicked();
    void btnFavoritesClicked();
    void hiddenMasterViewWithDetailViewChanging();
    void showMasterViewWithDetailViewChanging();

    bool isMasterViewHiddened() const { return m_flagOfMasterViewHidden; }
    const std::shared_ptr<UIButton>& btnMenu() const { return m_btnMenu; }
    const std::shared_ptr<UIButton>& btnBack() const { return m_btnBack; }
    const std::shared_ptr<UIButton>& btnCompare() const { return m_btnCompare; }
    const std::shared_ptr<UIButton>& btnFavorites() const { return m_btnFavorites; }
    const std::shared_ptr<UISearchBar>& searchBar() const { return m_searchBar; }
    const std::shared_ptr<UILabel>& lblTitle() const { return m_lblTitle; }
    const std::shared_ptr<UIImageView>& catalogNavBgImageView() const { return m_catalogNavBgImageView; }
    const std::shared_ptr<UINavigationController>& masterController() const { return m_masterController; }
    const std::shared_ptr<UINavigationController>& detailController() const { return m_detailController; }
    const std::shared_ptr<MasterViewController>& master() const { return m_master; }
    const std::shared_ptr<DetailViewController>& grid() const { return m_grid; }
    const std::shared_ptr<UIPopoverController>& serchController() const { return m_serchController; }
    const EntityList<corvelle_product_Entity>& searchProductArray() const { return m_searchProductArray; }
    const std::shared_ptr<OrderingController>& orderingController() const { return m_orderingController; }

private:
    std::shared_ptr<UITabBarControllerExt> tabs() const;
    void layOutGridLevel();
    void leaveProductLevel();
    void runSearch(const std::string& text);
    void setGridFrame(CGRect frame);
    void pushDetail(const std::shared_ptr<UIViewController>& screen);

    std::shared_ptr<UIButton> m_btnMenu;
    std::shared_ptr<UIButton> m_btnBack;
    std::shared_ptr<UIButton> m_btnCompare;
    std::shared_ptr<UIButton> m_btnFavorites;
    std::shared_ptr<UISearchBar> m_searchBar;
    std::shared_ptr<UILabel> m_lblTitle;
    std::shared_ptr<UIImageView> m_catalogNavBgImageView;
    std::shared_ptr<UINavigationController> m_masterController;
    std::shared_ptr<UINavigationController> m_detailController;
    std::shared_ptr<MasterViewController> m_master;
    std::shared_ptr<DetailViewController> m_grid;
    std::shared_ptr<UIPopoverController> m_serchController;
    std::shared_ptr<OrderingController> m_orderingController;
    EntityList<corvelle_product_Entity> m_searchProductArray;
    bool m_flagOfMasterViewHidden = false;
};
