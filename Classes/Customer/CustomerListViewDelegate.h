#pragma once

// What the customer list pane tells the customers tab. Every member has a
// default that does nothing, so a delegate answers only what it needs.

#include "Database/PersonInfo.h"

#include <memory>
#include <optional>
#include <string>

class UIResponder;

class CustomerListViewDelegate {
public:
    virtual ~CustomerListViewDelegate() = default;
    virtual void searchTextDidChange(const std::string& text) { }
    virtual void searchTextDidChangeByContact(const std::string& text) { }
    virtual void dismissPopoverController() { }
    virtual void changedCustomerFirstNameLastName(const std::shared_ptr<PersonInfo>& person,
        const std::optional<std::string>& fristName, const std::optional<std::string>& lastName)
    {
    }
    // The NEW button is ignored unless the delegate answers this one.
    virtual bool implementsAddNewCustomer() const { return false; }
    virtual void addNewCustomer(const std::shared_ptr<UIResponder>& sender) { }
    virtual void deleteLocalCustomer(int customerId) { }
};
