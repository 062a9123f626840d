#include "Classes/Catalog/CatalogPopController.h"

#include "Platform/UIKit/UITableViewCell.h"

void CatalogPopController::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    tableView()->setDelegate(weakSelf<CatalogPopController>());
    tableView()->setDataSource(weakSelf<CatalogPopController>());
}

void CatalogPopController::setCatalogList(std::vector<std::string> list)
{
    m_catalogList = std::move(list);
    if (isViewLoaded())
        tableView()->reloadData();
}

std::shared_ptr<UITableViewCell> CatalogPopController::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath&)
{
    auto cell = table.dequeueReusableCellWithIdentifier("CatalogPopCell");
    if (!cell)
        cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::string("CatalogPopCell"));
    return cell;
}

void CatalogPopController::tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath& path)
{
    if (auto d = delegate())
        d->selectIndex(path.row());
}
