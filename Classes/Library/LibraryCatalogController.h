#pragma once

// The left-hand panel of the sales library: the library categories of one
// level of the tree, each with the number of files under it (its own and its
// descendants'), an "ALL" row on top and, at the top level, an
// "UNCATEGORIZED" row. A category with sub-categories slides over to its
// children; the back button slides back. The panel reports its selection with
// "display_catalog", and the grid of the tab shown answers with
// "reloadlibrarycatalog", handing over the files it shows so that the counts
// are taken over exactly those.

#include "Classes/Frame/BaseViewController.h"
#include "Database/corvelle_library_files_Entity.h"
#include "Platform/UIKit/UITableView.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class LibraryDetailController;
struct NSNotification;
class UIButton;
class UIImageView;
class UILabel;

class LibraryCatalogController : public BaseViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    using CategoryRef = std::shared_ptr<corvelle_library_category_Entity>;
    struct RowCount {
        int count = 0;
        bool child = false;
    };

    LibraryCatalogController();
    ~LibraryCatalogController() override;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewWillAppear(bool animated) override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    void viewDidUnload() override;
    void hightVersionViewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

    long tableViewNumberOfRowsInSection(UITableView& tableView, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& tableView, const NSIndexPath& path) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&) override { return 60; }
    void tableViewDidSelectRowAtIndexPath(UITableView& tableView, const NSIndexPath& path) override;

    void addUncategorized();
    void countData();
    void updateParentCount(const CategoryRef& category);
    void reloadTableView();
    void removeSelectFlag();
    void selectTopCell(const std::shared_ptr<UITableView>& tableView);
    void backToParentCategory();
    int getFileNumberUnderCategory(int categoryId);
    void reloadlibrarycatalog(const NSNotification& notification);
    void deselectlibrarycatalog();

    long clickIndex() const { return m_clickIndex; }
    long m_selectRow() const { return m_selectRowValue; }
    int tabIndex() const { return m_tabIndex; }
    unsigned cid() const { return m_cid; }
    const std::vector<CategoryRef>& cataArr() const { return m_cataArr; }
    const std::vector<RowCount>& childCountArray() const { return m_childCountArray; }
    const std::vector<CategoryRef>& allCatagoryArray() const { return m_allCatagoryArray; }
    const std::shared_ptr<UITableView>& catatable() const { return m_catatable; }
    const std::shared_ptr<UILabel>& catatitlelb() const { return m_catatitlelb; }
    const std::shared_ptr<UIButton>& btnBack() const { return m_btnBack; }

private:
    void postDisplayCatalog();
    std::vector<CategoryRef> subCategories(int parent) const;
    CategoryRef categoryById(int id) const;
    void slideCells(CGFloat to, double duration, unsigned curve, std::function<void()> done);
    void setTitleAndBack(const std::string& title, bool back);
    void listTopLevel();

    std::vector<CategoryRef> m_cataArr;
    std::vector<std::shared_ptr<corvelle_library_files_Entity>> m_libFilesArray;
    unsigned m_cid = 0;
    std::optional<std::string> m_cname;
    long m_clickIndex = -1;
    long m_selectRowValue = 0;
    int m_tabIndex = 0;
    std::vector<CategoryRef> m_allCatagoryArray;
    std::vector<RowCount> m_childCountArray;
    bool m_showStatus = false;
    std::shared_ptr<UITableView> m_catatable;
    std::shared_ptr<UIImageView> m_tableimgbg, m_shadowImageView, m_catatitlebg;
    std::shared_ptr<UILabel> m_catatitlelb;
    std::shared_ptr<UIButton> m_btnBack;
    // The panel's own uncategorized entry, told apart from real categories by identity.
    CategoryRef m_uncategorized;
};
