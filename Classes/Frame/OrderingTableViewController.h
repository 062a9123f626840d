#pragma once

// The list of orderings inside the ordering menu's popover: one row per
// language key, the current one ticked in blue.

#include "Classes/Frame/OrderingTableViewControllerDelegate.h"
#include "Platform/UIKit/UITableViewController.h"

#include <memory>
#include <string>
#include <vector>

class OrderingTableViewController : public UITableViewController {
public:
    explicit OrderingTableViewController(UITableViewStyle style = UITableViewStylePlain)
        : UITableViewController(style)
    {
    }

    const std::vector<std::string>& orderingsArray() const { return m_orderingsArray; }
    void setOrderingsArray(std::vector<std::string> keys) { m_orderingsArray = std::move(keys); }
    unsigned currentOrderingIndex() const { return m_currentOrderingIndex; }
    void setCurrentOrderingIndex(unsigned index) { m_currentOrderingIndex = index; }
    std::shared_ptr<OrderingTableViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<OrderingTableViewControllerDelegate> d) { m_delegate = std::move(d); }

    long tableViewNumberOfRowsInSection(UITableView&, long) override
    {
        return static_cast<long>(m_orderingsArray.size());
    }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& table, const NSIndexPath& path) override;
    void tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path) override;

private:
    static void markCell(UITableViewCell& cell, bool current);

    std::vector<std::string> m_orderingsArray;
    unsigned m_currentOrderingIndex = 0;
    std::weak_ptr<OrderingTableViewControllerDelegate> m_delegate;
};
