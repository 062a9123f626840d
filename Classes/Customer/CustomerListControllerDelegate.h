#pragma once

// What the grouped customer table tells the list pane.

#include "Database/PersonInfo.h"

#include <memory>
#include <optional>
#include <string>

class CustomerListControllerDelegate {
public:
    virtual ~CustomerListControllerDelegate() = default;
    // The user picked a customer; the names are those of the picked contact in
    // the contact grouping, nothing otherwise.
    virtual void changedCustomerFirstNameLastName(const std::shared_ptr<PersonInfo>& person,
        const std::optional<std::string>& fristName, const std::optional<std::string>& lastName)
        = 0;
    virtual void deleteLocalCustomer(int customerId) = 0;
    virtual void resignSearchBar() = 0;
};
