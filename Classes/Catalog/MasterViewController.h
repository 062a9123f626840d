#pragma once

// The catalogue's master pane, 244 points wide at the left of the tab: the
// category tree one level at a time with product counts, an ALL row and a row
// for products without a category, or the product tags, switched at its
// foot. Walking down and back up slides the rows; every choice is told to the
// product grid by notification ("displayFourColumn", "refushRightData").
//
// Counts and collections remember the categories they visited, so a cycle of
// parent links sent by the server ends the walk instead of the stack.

#include "Classes/Catalog/TagsLeftDelegate.h"
#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/SwitchButtonDelegate.h"
#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"
#include "Platform/UIKit/UITableView.h"

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class SwitchButton;
class UIButton;
class UIImageView;
class UILabel;
class UIPopoverController;

class MasterViewController : public BaseViewController,
                             public TagsLeftDelegate,
                             public UITableViewDataSource,
                             public UITableViewDelegate,
                             public SwitchButtonDelegate {
public:
    static constexpr CGFloat kRowHeight = 62;

    // 0 while the pane lists categories, 1 while it lists tags.
    static int getCurrentState();

    ~MasterViewController() override;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewWillAppear(bool animated) override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    void setLblTitle(std::shared_ptr<UILabel> label) { m_lblTitle = std::move(label); }
    const std::shared_ptr<UITableView>& myTable() const { return m_myTable; }
    const std::shared_ptr<UIButton>& btnback() const { return m_btnback; }
    const std::shared_ptr<UILabel>& lbcategory() const { return m_lbcategory; }
    const std::shared_ptr<SwitchButton>& btnCatalogSwitch() const { return m_btnCatalogSwitch; }
    const std::shared_ptr<UIView>& tagsLeftView() const { return m_TagsLeftView; }
    const std::shared_ptr<UIPopoverController>& catalogPop() const { return m_catalogPop; }
    const std::vector<std::string>& catalogPopData() const { return m_catalogPopData; }
    const EntityList<corvelle_category_Entity>& dataArray() const { return m_dataArray; }
    int cid() const { return m_cid; }
    int clickIndex() const { return m_clickIndex; }
    int selectRow() const { return m_selectRow; }
    unsigned getTotalNumberOfProductsUnderCategory() const { return m_totalProductsNumber; }

    void refreshData();
    void selectSwitchButtonIndex(SwitchButton& switchButton, int index) override;
    // The tag list's choice: the tag's product ids and its name.
    void didSelectDelegateWithTagName(const std::vector<int>& productIds, const std::string& tagName) override;
    void switchTagButton();
    void clickToAppearOrHiddenCategory();
    void btnbackClicked();
    void tagTableSelectRow(int row);
    void selectTopCell(UITableView& table);
    void calculateProductNumber();
    int getProductCountUnderCategory(int categoryId);
    void addUncategorized();
    void showAllCells() override;

    long tableViewNumberOfRowsInSection(UITableView&, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&) override
    {
        return kRowHeight;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath&) override;

private:
    // The published sub-categories of every category, in name order, read in
    // one query per count so that counting stays linear in the catalogue's size.
    using CategoryChildren = std::unordered_map<int, std::vector<int>>;
    static CategoryChildren readCategoryChildren();
    void getProductCountWithCount(int categoryId, std::set<int>& visited);
    void slideVisibleRows(CGFloat x);
    void setCellToHighLightRow(UITableView& table, int row);
    void showBackFor(int categoryId);

    std::shared_ptr<UITableView> m_myTable;
    std::shared_ptr<UIImageView> m_imgBackground;
    std::shared_ptr<UIImageView> m_titlebg;
    std::shared_ptr<UILabel> m_lbcategory;
    std::shared_ptr<UIButton> m_btnback;
    std::shared_ptr<UIImageView> m_shadowImageView;
    std::shared_ptr<SwitchButton> m_btnCatalogSwitch;
    std::shared_ptr<UIView> m_TagsLeftView;
    std::shared_ptr<UIPopoverController> m_catalogPop;
    std::vector<std::string> m_catalogPopData;
    std::shared_ptr<UILabel> m_lblTitle;
    EntityList<corvelle_category_Entity> m_dataArray;
    EntityList<corvelle_product_Entity> m_allProducts;
    std::string m_cname;
    int m_cid = 0;
    int m_clickIndex = 0;
    int m_selectRow = 0;
    int m_currentStte = 0;
    int m_number = 0;
    unsigned m_totalProductsNumber = 0;
    CategoryChildren m_children;
    bool m_tagChosen = false;
};
