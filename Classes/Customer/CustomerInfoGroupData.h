#pragma once

// The groups the customer card shows: the company groups (base information,
// primary address, alternate addresses) and the contact groups, each a list of
// labelled rows. A row whose label is the text of a language key remembers
// that key, so that saving tells "Phone" typed by the card from an attribute
// field that merely reads the same.

#include "Database/PersonInfo.h"
#include "Database/corvelle_customer_Entity.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using CustomerGroup = std::shared_ptr<corvelle_customer_group_Entity>;

class CustomerInfoGroupData {
public:
    std::vector<CustomerGroup> customerCompanyData;
    std::vector<CustomerGroup> customerContactData;

    // Builds the groups of a customer (empty for nothing).
    void updateCustomerInfoData(const std::shared_ptr<PersonInfo>& person);
    // Rows of a table section in edit mode: 0 for the header-only sections.
    long numberOfRowsInSection(long section) const;
    // The "ACTIVE" row of the base information reads "YES" or "NO".
    void switchActivi(bool on);
    // The first contact group is the primary contact, and the default when none is.
    void setFirstContactToPromary();
    void removeAllObjects();

    // New groups added in the card, with their rows and empty values.
    CustomerGroup addAddressGroup();
    CustomerGroup addContactGroup();

    // The language key a row's label was taken from; nothing for an attribute field's own name.
    std::optional<std::string> labelKeyOf(const customer_attribute_cell_Entity& row) const;
    // The value of the group's row labelled with the text of `key`.
    std::optional<std::string> valueForKey(const corvelle_customer_group_Entity& group, const std::string& key) const;

private:
    void addRow(corvelle_customer_group_Entity& group, const std::optional<std::string>& value, const std::string& key);
    void addContactRows(corvelle_customer_group_Entity& group, const corvelle_customer_contact_entity* contact);
    void addAddressRows(corvelle_customer_group_Entity& group, const corvelle_customer_address_Entity* address);

    std::map<const customer_attribute_cell_Entity*, std::string> m_labelKeys;
};
