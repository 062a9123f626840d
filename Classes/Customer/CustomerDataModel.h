#pragma once

// The customer cache: every customer with its attributes, read from the
// client's database. The synchronisation reloads it after the customer tables
// changed, so the customer screens show what was just stored.

#include "Database/CustomerModel.h"

#include <map>
#include <memory>

class CustomerDataModel {
public:
    static std::shared_ptr<CustomerDataModel> sharedInstance();
    static void freeInstance();

    // Reads all customers (hidden ones too) and the attribute fields again.
    void reloadCustomerData();

    const std::map<int, CustomerDictionary>& customers() const { return m_customers; }
    const EntityList<customer_attribute_cell_Entity>& attributes() const { return m_attributes; }

private:
    std::map<int, CustomerDictionary> m_customers;
    EntityList<customer_attribute_cell_Entity> m_attributes;
};
