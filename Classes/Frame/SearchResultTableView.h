#pragma once

// The list of matches that drops down under a search field while the
// salesperson types: customers by name (sorted by name), or contacts by
// contact name (in the order found). Choosing a row hands the record to the
// owner, which closes the popover; the list neither closes nor clears itself.
// The owner sets the kind (byContact) before the rows.

#include "Classes/Frame/SearchResultTableDelegate.h"
#include "Platform/UIKit/UITableViewController.h"

#include <memory>
#include <variant>
#include <vector>

class ContactMode;
class PersonInfo;

class SearchResultTableView : public UITableViewController {
public:
    using Row = std::variant<std::shared_ptr<PersonInfo>, std::shared_ptr<ContactMode>>;

    explicit SearchResultTableView(UITableViewStyle style = UITableViewStylePlain)
        : UITableViewController(style)
    {
    }

    void viewDidLoad() override;

    const std::vector<Row>& arrResult() const { return m_arrResult; }
    void setArrResult(std::vector<Row> rows);
    bool byContact() const { return m_byContact; }
    void setByContact(bool byContact) { m_byContact = byContact; }
    std::shared_ptr<SearchResultTableDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<SearchResultTableDelegate> d) { m_delegate = std::move(d); }

    // Names in plain character order, case-sensitive. A blank name (none, or
    // only spaces and tabs) sorts after every named record, so the order is
    // a strict weak one and the sort keeps equal names as they came.
    static bool nameOrder(const PersonInfo& a, const PersonInfo& b);

    long numberOfSectionsInTableView(UITableView&) override { return 1; }
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return static_cast<long>(m_arrResult.size()); }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& table, const NSIndexPath& path) override;
    void tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path) override;

    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

private:
    std::vector<Row> m_arrResult;
    bool m_byContact = false;
    std::weak_ptr<SearchResultTableDelegate> m_delegate;
};
