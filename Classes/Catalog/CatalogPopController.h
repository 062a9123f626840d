#pragma once

// The category pane's pop-up list: one empty row per entry, 82 points high.
// The pane keeps one ready in a popover but does not show it.

#include "Classes/Catalog/CatalogPopControllerDelegate.h"
#include "Platform/UIKit/UITableViewController.h"

#include <memory>
#include <string>
#include <vector>

class CatalogPopController : public UITableViewController {
public:
    static constexpr CGFloat kRowHeight = 82;

    CatalogPopController()
        : UITableViewController(UITableViewStylePlain)
    {
    }

    void viewDidLoad() override;

    const std::vector<std::string>& catalogList() const { return m_catalogList; }
    void setCatalogList(std::vector<std::string> list);
    std::shared_ptr<CatalogPopControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<CatalogPopControllerDelegate> d) { m_delegate = std::move(d); }

    long numberOfSectionsInTableView(UITableView&) override { return 1; }
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return static_cast<long>(m_catalogList.size()); }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& table, const NSIndexPath& path) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&) override
    {
        return kRowHeight;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path) override;

    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

private:
    std::vector<std::string> m_catalogList;
    std::weak_ptr<CatalogPopControllerDelegate> m_delegate;
};
