#include "Platform/UIKit/UITableViewController.h"

std::shared_ptr<UITableView> UITableViewController::tableView()
{
    if (!m_table)
        view();
    return m_table;
}

void UITableViewController::setTableView(std::shared_ptr<UITableView> table)
{
    m_table = table;
    setView(table);
}

void UITableViewController::loadView()
{
    auto table = std::make_shared<UITableView>(UIScreen::mainScreen().applicationFrame(), m_style);
    table->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    auto self = protect<UITableViewController>();
    table->setDataSource(std::static_pointer_cast<UITableViewDataSource>(self));
    table->setDelegate(std::static_pointer_cast<UITableViewDelegate>(self));
    setTableView(table);
}

void UITableViewController::viewWillAppear(bool animated)
{
    auto table = tableView();
    if (!table)
        return;
    if (!m_loadedOnce) {
        m_loadedOnce = true;
        table->reloadData();
    } else if (m_clearsSelection) {
        for (auto& p : table->indexPathsForSelectedRows())
            table->deselectRowAtIndexPathAnimated(p, animated);
    }
}
