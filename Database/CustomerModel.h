#pragma once

// Customers with their attributes, addresses and contacts, and the customer
// attribute fields. Rows made on the device carry negative ids until the
// server's ids replace them.

#include "Database/BaseDataModel.h"
#include "Database/CustomerDictionary.h"
#include "Database/corvelle_customer_Entity.h"

#include <map>
#include <optional>
#include <string>

class CustomerModel : public BaseDataModel {
public:
    bool updateVersion() override;
    bool createCustomerAddressTable();
    bool alterCustomerTable();
    bool createCustomerConatctTable();

    // Published customers by id; with false, hidden ones are left out.
    std::map<int, CustomerDictionary> getAllCustomers(bool includeHidden);
    EntityList<customer_attribute_cell_Entity> getAllAttributes();
    EntityList<corvelle_customer_attribute_Entity> getCustomerAttributes(int customerId);
    EntityList<corvelle_customer_address_Entity> getCustomerAddress(int customerId);
    EntityList<corvelle_customer_contact_entity> getCustomerContact(int customerId);
    // The published customer with exactly that name, or nothing.
    std::shared_ptr<corvelle_customer_Entity> getCustomerByCustomerName(const std::optional<std::string>& name);
    // Always a record; empty when there is none.
    std::shared_ptr<corvelle_customer_Entity> getCustomerByCustomerId(int customerId);
    bool isInUnsubmitOrder(int customerId);

    // The smallest negative id of each table, 0 when there is none; the caller
    // subtracts 1 for the next local id.
    int getLastLocalCustomerId();
    int getLastLocalCustomerAttributesId();
    int getLastLocalCustomerAddressId();
    int getLastLocalCustomerContactsId();

    bool saveToDatabaseCustomer(const OptionalEntityList<corvelle_customer_Entity>& customers);
    bool saveToDatabaseCustomerAttribute(const OptionalEntityList<corvelle_customer_attribute_Entity>& attributes);
    bool saveToDatabaseCustomerAddress(const OptionalEntityList<corvelle_customer_address_Entity>& addresses);
    bool saveToDatabaseCustomerContact(const OptionalEntityList<corvelle_customer_contact_entity>& contacts);
    // Replaces all fields, inside one transaction.
    bool saveToDatabaseFieldsCustomerAttribute(
        const OptionalEntityList<corvelle_fields_customer_attribute_Entity>& fields);
    bool deleteCustomerTableWithID(int customerId);
    bool updateCustomerTableHiddenWithCustomerIdWithHidden(int customerId, int hidden);
    bool updateAddressToDefaultIndexId(int customerId, int addressId);
    bool updateContactToDefaultContact(int customerId, int contactId);

    // Renumbering after an upload: local ids (pid / pID) become the server's.
    bool updateCustomerTable(const OptionalEntityList<corvelle_customer_Entity>& customers);
    bool updateCustomerAddressTable(const OptionalEntityList<corvelle_customer_address_Entity>& addresses);
    bool updateCustomerAttributeTable(const OptionalEntityList<corvelle_customer_attribute_Entity>& attributes);
    bool updateContactIdAfterUpload(const OptionalEntityList<corvelle_customer_contact_entity>& contacts);
};
