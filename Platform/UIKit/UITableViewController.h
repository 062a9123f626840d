#pragma once

// A controller whose view is a table, and which is that table's data source
// and delegate unless told otherwise. Each time it is about to appear it
// loads the table's data the first time, and afterwards clears the
// selection when asked to.

#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIViewController.h"

class UITableViewController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    explicit UITableViewController(UITableViewStyle style = UITableViewStylePlain)
        : m_style(style)
    {
    }

    std::shared_ptr<UITableView> tableView();
    void setTableView(std::shared_ptr<UITableView> table);
    bool clearsSelectionOnViewWillAppear() const { return m_clearsSelection; }
    void setClearsSelectionOnViewWillAppear(bool on) { m_clearsSelection = on; }

    void loadView() override;
    void viewWillAppear(bool animated) override;

    long tableViewNumberOfRowsInSection(UITableView&, long) override { return 0; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath&) override
    {
        return nullptr;
    }

private:
    UITableViewStyle m_style;
    std::shared_ptr<UITableView> m_table;
    bool m_clearsSelection = true;
    bool m_loadedOnce = false;
};
