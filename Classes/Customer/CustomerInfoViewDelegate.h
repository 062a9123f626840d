#pragma once

// What the customer card tells the customers tab.

#include "Classes/Customer/CustomerInfoGroupData.h"
#include "Database/PersonInfo.h"

#include <memory>

class UIResponder;

class CustomerInfoViewDelegate {
public:
    virtual ~CustomerInfoViewDelegate() = default;
    virtual void customerInfoViewCancel(const std::shared_ptr<UIResponder>& sender) { }
    // Stores the card's groups; false when they could not be stored (the card stays in edit mode).
    virtual bool customerInfoViewDoneWithData(
        const std::shared_ptr<UIResponder>& sender, const CustomerInfoGroupData& data)
    {
        return false;
    }
    virtual void customerInfoViewHiddenChange(bool hidden) { }
    virtual void submitCustomer(const std::shared_ptr<PersonInfo>& person) { }
    virtual void customerInfoViewChangePrimary() { }
};
