#pragma once

// The four-row form for the address of a customer typed into an order:
// street, city, state and zip code. The editor fills it from the order and
// reads the four fields back when its pop-over closes.

#include "Platform/UIKit/UITableViewController.h"

#include <optional>
#include <string>

class AddressTableViewController : public UITableViewController {
public:
    AddressTableViewController() = default;
    AddressTableViewController(std::string street, std::string city, std::string state, std::string zipCode);

    void viewDidLoad() override;

    // The text of a row's field; nothing while that row is not on screen.
    std::optional<std::string> getStreetAddress() { return fieldText(0); }
    std::optional<std::string> getCity() { return fieldText(1); }
    std::optional<std::string> getState() { return fieldText(2); }
    std::optional<std::string> getZipCode() { return fieldText(3); }

    long tableViewNumberOfRowsInSection(UITableView&, long) override { return 4; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& table, const NSIndexPath& path) override;
    std::optional<NSIndexPath> tableViewWillSelectRowAtIndexPath(UITableView&, const NSIndexPath&) override
    {
        return std::nullopt;
    }

    static constexpr long kLabelTag = 1;
    static constexpr long kFieldTag = 2;

private:
    std::optional<std::string> fieldText(long row);

    std::string m_values[4];
};
