#pragma once

// The product grid, root of the catalogue's detail stack: the products of
// the category or tag the master pane chose, as tiles sorted by name, SKU or
// price. A tile opens product detail on the same stack or adds the product to
// the current quote order; its badge shows the pieces already in the order. A
// horizontal pan slides the master pane. Driven by the catalogue's
// notifications ("displayFourColumn", "refushRightData", "SORT_PRODUCT" ...).
//
// A category's products are collected once each (a product filed under two
// categories shows once) and the walk remembers the categories it visited,
// so a cycle of parent links cannot run away. Sorts are stable.

#include "Classes/Catalog/DetailCell.h"
#include "Classes/Catalog/DetailCellDelegate.h"
#include "Classes/Catalog/DetailViewDelegate.h"
#include "Classes/Catalog/TileAddToOrder.h"
#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/GridView.h"
#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"
#include "Database/corvelle_product_price_Entity.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <unordered_map>

class UIButton;
class UILabel;
class UIPopoverController;
class UISearchBar;
class UIPanGestureRecognizer;

class DetailViewController : public BaseViewController,
                             public GridViewDataSource,
                             public GridViewDelegate,
                             public DetailCellDelegate,
                             public TileAddToOrder::Screen {
public:
    static constexpr long kTileTagBase = 2000;
    static constexpr CGFloat kRowHeight = 212;

    static std::string getCurrentTitle();
    // The grid's frame for the configured left panel: beside the pane ("normal") or full width.
    static CGRect gridFrameForLeftPanel();
    static bool isSplitMode();

    ~DetailViewController() override;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    std::shared_ptr<DetailViewDelegate> detailViewDelegate() const { return m_detailViewDelegate.lock(); }
    void setDetailViewDelegate(std::weak_ptr<DetailViewDelegate> d) { m_detailViewDelegate = std::move(d); }
    void setBtnBack(std::shared_ptr<UIButton> b) { m_btnBack = std::move(b); }
    void setLblTitle(std::shared_ptr<UILabel> l) { m_lblTitle = std::move(l); }
    void setSearchBar(std::shared_ptr<UISearchBar> s) { m_searchBar = std::move(s); }

    const std::shared_ptr<GridView>& productShowView() const { return m_productShowView; }
    const EntityList<corvelle_product_Entity>& productArray() const { return m_productArray; }
    const std::string& tagTitle() const { return m_tagTitle; }
    int sortType() const { return m_sortType; }
    std::shared_ptr<UIPopoverController> addToOrderPopController() const
    {
        return m_orderPath ? m_orderPath->addToOrderPopController() : nullptr;
    }

    void getImgShowData(int categoryId);
    void refushRightData(const Value& object);
    void switchProductStyle();
    void sortproduct(int type);
    void getAllproductsEntity(int categoryId);
    void sorteProductArryBy(int type);
    void sorteProductArry();
    void showAllImageCell();
    void refreshItemNumberBadges();
    void panMove(UIPanGestureRecognizer& pan);

    NSUInteger numberOfItemsInGridView(GridView&) override;
    std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView&, NSUInteger index) override;
    std::optional<CGSize> portraitGridCellSizeForGridView(GridView&) override { return CGSizeMake(193, kRowHeight); }
    void didSelectedImage(const std::shared_ptr<DetailCell>& cell) override;
    void addToOrder(const std::shared_ptr<DetailCell>& cell) override;

private:
    void collect(int categoryId, std::set<int>& visited, std::unordered_set<int>& listed);
    void popToGrid();
    std::shared_ptr<DetailCell> tileAt(long index) const;
    std::shared_ptr<corvelle_product_Entity> orderProductAt(long index) const override;
    std::shared_ptr<UIView> orderTileAt(long index) const override { return tileAt(index); }
    // The tiles lie in the grid, which sits right of the pane when it shows.
    CGFloat orderAnchorShift(const UIView&) const override
    {
        return m_productShowView ? m_productShowView->frame().origin.x : 0;
    }
    void recountOrderBadges() override;

    std::weak_ptr<DetailViewDelegate> m_detailViewDelegate;
    std::shared_ptr<GridView> m_productShowView;
    EntityList<corvelle_product_Entity> m_productArray;
    std::unordered_map<int, std::shared_ptr<corvelle_product_price_Entity>> m_priceDic;
    std::string m_tagTitle;
    std::shared_ptr<UIButton> m_btnBack;
    std::shared_ptr<UILabel> m_lblTitle;
    std::shared_ptr<UISearchBar> m_searchBar;
    std::shared_ptr<TileAddToOrder> m_orderPath;
    int m_sortType = 0;
    float m_panDistance = 0;
    bool m_isTagsALL = false;
};
