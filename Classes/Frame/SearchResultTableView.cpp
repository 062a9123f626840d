#include "Classes/Frame/SearchResultTableView.h"

#include "Database/ContactMode.h"
#include "Database/PersonInfo.h"
#include "Platform/Foundation/Format.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITableViewCell.h"

#include <algorithm>

namespace {

bool isBlank(const std::optional<std::string>& name)
{
    return !name || name->find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

void SearchResultTableView::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    tableView()->setDelegate(weakSelf<SearchResultTableView>());
    tableView()->setDataSource(weakSelf<SearchResultTableView>());
}

bool SearchResultTableView::nameOrder(const PersonInfo& a, const PersonInfo& b)
{
    const bool blankA = isBlank(a.name), blankB = isBlank(b.name);
    if (blankA || blankB)
        return !blankA && blankB;
    return *a.name < *b.name;
}

void SearchResultTableView::setArrResult(std::vector<Row> rows)
{
    m_arrResult.clear();
    if (!m_byContact) {
        // A row of the other kind (or none) has no name: it goes with the blanks.
        auto person = [](const Row& r) -> const PersonInfo* {
            auto p = std::get_if<std::shared_ptr<PersonInfo>>(&r);
            return p && *p ? p->get() : nullptr;
        };
        std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
            static const PersonInfo blank;
            const PersonInfo* pa = person(a);
            const PersonInfo* pb = person(b);
            return nameOrder(pa ? *pa : blank, pb ? *pb : blank);
        });
    }
    m_arrResult = std::move(rows);
    if (isViewLoaded())
        tableView()->reloadData();
}

std::shared_ptr<UITableViewCell> SearchResultTableView::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("Cell");
    if (!cell)
        cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::string("Cell"));
    cell->textLabel()->setTextColor(UIColor::blackColor());
    std::string text;
    const Row& row = m_arrResult.at(static_cast<size_t>(path.row()));
    if (auto contact = std::get_if<std::shared_ptr<ContactMode>>(&row); contact && *contact)
        text = stringWithFormat("%@  %@", (*contact)->lastName, (*contact)->fristName);
    else if (auto customer = std::get_if<std::shared_ptr<PersonInfo>>(&row); customer && *customer)
        text = (*customer)->name.value_or("");
    cell->textLabel()->setText(text);
    return cell;
}

void SearchResultTableView::tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath& path)
{
    if (path.row() < 0 || static_cast<size_t>(path.row()) >= m_arrResult.size())
        return;
    auto d = delegate();
    if (!d)
        return;
    const Row row = m_arrResult[static_cast<size_t>(path.row())];
    if (m_byContact) {
        if (auto contact = std::get_if<std::shared_ptr<ContactMode>>(&row))
            d->didSelectCellByConatct(*contact);
    } else if (auto customer = std::get_if<std::shared_ptr<PersonInfo>>(&row)) {
        d->didSelectCell(*customer);
    }
}
