#pragma once

// The inventory tab: every published product in a five-column table (SKU,
// image, name, short description, stock), rows alternately white and light
// grey, under a header strip of column titles. Tapping a product's image
// opens its detail on the tab's own navigation stack, without previous and
// next. The products are read again each time the screen is about to show, so
// stock and texts are current. Thumbnails load off the main thread; one that
// arrives after its row was reused for another product is dropped.

#include "Classes/Catalog/MultiColumnTableCellInfo.h"
#include "Classes/Catalog/MultiColumnTableViewDataSource.h"
#include "Classes/Catalog/ProductDetailDelegate.h"
#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/PopControllerDelegate.h"
#include "Classes/Frame/UITabBarControllerExt.h"

#include <memory>
#include <string>
#include <vector>

class MultiColumnTableView;
class UIButton;
class UIImageView;
class UILabel;
struct corvelle_product_Entity;

class InventoryViewController : public BaseViewController,
                                public MultiColumnTableViewDataSource,
                                public LoadByConfigScreen,
                                public PopControllerDelegate,
                                public ProductDetailDelegate {
public:
    InventoryViewController();
    ~InventoryViewController() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    void loadByConfig() override { }
    void dismissPopController(bool animated) override;
    void saveOrderItemIndex(const std::shared_ptr<corvelle_product_Entity>&, int) override { }
    void back() override { }

    // The table's data source.
    long numberOfSectionsInTableView(MultiColumnTableView&) override { return 1; }
    bool implementsNumberOfSections() const override { return true; }
    long tableViewNumberOfRowsInSection(MultiColumnTableView&, long section) override;
    long numberOfColumnsInTableView(MultiColumnTableView&) override { return m_numberOfColumns; }
    bool implementsWidthForColumn() const override { return true; }
    CGFloat tableViewWidthForColumn(MultiColumnTableView&, long column) override;
    bool implementsHeightForCell() const override { return true; }
    CGFloat tableViewHeightForCellAtIndexPathColumn(MultiColumnTableView&, const NSIndexPath&, long) override
    {
        return kRowHeight;
    }
    bool implementsHeightForTopHeaderCell() const override { return true; }
    CGFloat heightForHeaderCellOfTableView(MultiColumnTableView&) override { return 0; }
    bool implementsWidthForHeaderCell() const override { return true; }
    CGFloat widthForHeaderCellOfTableView(MultiColumnTableView&) override { return 0; }
    std::shared_ptr<UIView> topleftHeaderCellOfTableView(MultiColumnTableView&) override;
    std::shared_ptr<UIView> tableViewHeaderCellForColumn(MultiColumnTableView& table, long column) override;
    std::shared_ptr<UIView> tableViewCellForIndexPathColumn(
        MultiColumnTableView& table, const NSIndexPath& path, long column) override;
    void tableViewSetContentForCellIndexPathColumn(MultiColumnTableView& table, const std::shared_ptr<UIView>& cell,
        const NSIndexPath& path, long column) override;
    bool implementsSetRowBackgroundColor() const override { return true; }
    std::shared_ptr<UIColor> backgroundColorAtIndexPath(MultiColumnTableView&, const NSIndexPath& path) override;

    const std::shared_ptr<MultiColumnTableView>& tblView() const { return m_tblView; }
    const std::vector<std::shared_ptr<corvelle_product_Entity>>& multiColumnTableData() const
    {
        return m_multiColumnTableData;
    }
    const std::vector<std::shared_ptr<UILabel>>& labelArray() const { return m_labelArray; }
    const std::shared_ptr<UILabel>& titleLabel() const { return m_title; }
    const std::shared_ptr<UIButton>& compareBtn() const { return m_compareBtn; }
    const std::shared_ptr<UIButton>& favoriteBtn() const { return m_favoriteBtn; }

    static constexpr CGFloat kRowHeight = 120;

private:
    void loadData();
    void loadMultiColumnTableHeaderInfo();
    void loadMultiColumnTableHeaderTitles();
    void loadMultiColumnTableRegularCellInfos();
    void loadMultiColumnTableData();
    void loadNavigationView();
    void loadTableHeaderView();
    void loadTableView();
    std::shared_ptr<UIView> headerCellColumn(MultiColumnTableView& table, long column);
    std::shared_ptr<UIView> contentCellIndexPathColumn(
        MultiColumnTableView& table, const NSIndexPath& path, long column);
    std::shared_ptr<UIView> multiColumnTableCellCellInfo(
        MultiColumnTableView& table, const MultiColumnTableCellInfo& info);
    void tapImage(const std::shared_ptr<UIButton>& button);
    void skuTap(const std::shared_ptr<UIButton>&) { }
    void backTapped();
    void btnCompareClicked();
    void btnFavoriteClicked();
    void loadImageForButton(const std::shared_ptr<UIButton>& button, long row, const std::optional<std::string>& path);

    std::vector<std::shared_ptr<MultiColumnTableCellInfo>> m_multiColumnTableHeaderInfos;
    std::vector<std::string> m_multiColumnTableHeaderTitles;
    std::vector<std::shared_ptr<MultiColumnTableCellInfo>> m_multiColumnTableRegularCellInfos;
    std::vector<std::shared_ptr<corvelle_product_Entity>> m_multiColumnTableData;
    int m_numberOfColumns = 5;
    CGFloat m_lastViewVerticalPosition = 0;
    std::shared_ptr<UIImageView> m_navigationView;
    std::shared_ptr<UILabel> m_title;
    std::shared_ptr<UIButton> m_compareBtn;
    std::shared_ptr<UIButton> m_favoriteBtn;
    std::shared_ptr<UIView> m_tableHeaderView;
    std::shared_ptr<MultiColumnTableView> m_tblView;
    std::vector<std::shared_ptr<UILabel>> m_labelArray;
};
