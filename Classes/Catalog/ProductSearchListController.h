#pragma once

// The product search list the catalogue shows under its search bar while
// the user types: one row per found product (thumbnail, name, price, SKU),
// or a single "no result" row. A chosen product goes to the delegate, which
// opens its detail. A new list is made for each change of the search text.

#include "Classes/Catalog/UISearchControllerDelegate.h"
#include "Platform/UIKit/UITableViewController.h"

#include <memory>
#include <vector>

class ProductSearchListController : public UITableViewController {
public:
    static constexpr CGFloat kRowHeight = 82;

    ProductSearchListController() = default;

    void viewDidLoad() override;

    const std::vector<std::shared_ptr<corvelle_product_Entity>>& searchProductArray() const
    {
        return m_searchProductArray;
    }
    void setSearchProductArray(std::vector<std::shared_ptr<corvelle_product_Entity>> products)
    {
        m_searchProductArray = std::move(products);
    }
    std::shared_ptr<UISearchControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UISearchControllerDelegate> d) { m_delegate = std::move(d); }
    bool bViewHasLoad() const { return m_bViewHasLoad; }

    long tableViewNumberOfRowsInSection(UITableView&, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& table, const NSIndexPath& path) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&) override
    {
        return kRowHeight;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path) override;

private:
    std::vector<std::shared_ptr<corvelle_product_Entity>> m_searchProductArray;
    std::weak_ptr<UISearchControllerDelegate> m_delegate;
    bool m_bViewHasLoad = false;
};
