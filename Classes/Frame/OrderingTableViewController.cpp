#include "Classes/Frame/OrderingTableViewController.h"

#include "Classes/Frame/Language.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITableViewCell.h"

void OrderingTableViewController::markCell(UITableViewCell& cell, bool current)
{
    cell.setAccessoryType(current ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone);
    cell.textLabel()->setTextColor(current
            ? UIColor::colorWithRedGreenBlueAlpha(33 / 255.0f, 61 / 255.0f, 113 / 255.0f, 1)
            : UIColor::blackColor());
}

std::shared_ptr<UITableViewCell> OrderingTableViewController::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("OrderingTableViewCell");
    if (!cell)
        cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::string("OrderingTableViewCell"));
    cell->textLabel()->setFont(UIFont::boldSystemFontOfSize(15));
    const auto row = static_cast<size_t>(path.row());
    cell->textLabel()->setText(
        row < m_orderingsArray.size() ? Language::stringOrKey(m_orderingsArray[row]) : std::string());
    markCell(*cell, row == m_currentOrderingIndex);
    return cell;
}

void OrderingTableViewController::tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path)
{
    table.deselectRowAtIndexPathAnimated(path, false);
    if (path.row() < 0 || static_cast<size_t>(path.row()) >= m_orderingsArray.size()) {
        NSLog("Error: indexPath.row = %d, self.orderingsArray.count = %d", static_cast<int>(path.row()),
            static_cast<int>(m_orderingsArray.size()));
        return;
    }
    const auto row = static_cast<unsigned>(path.row());
    if (row == m_currentOrderingIndex)
        return;
    auto keep = protect<OrderingTableViewController>();
    if (auto chosen = table.cellForRowAtIndexPath(path))
        markCell(*chosen, true);
    if (auto previous = table.cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(m_currentOrderingIndex, 0)))
        markCell(*previous, false);
    m_currentOrderingIndex = row;
    if (auto d = delegate())
        d->orderingDidSelected(row);
}
