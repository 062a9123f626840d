#pragma once

// Customers with their attributes, addresses and contacts, and the customer
// attribute fields. Rows made on the device carry negative ids until the
// server's ids replace them.

#include "Database/BaseDataModel.h"
#include "Database/CustomerDictionary.h"
#include "Database/SaveResult.h"
#include "Database/corvelle_customer_Entity.h"

#include <map>
#include <optional>
#include <string>

// A customer made or edited on the device with the rows stored under its id.
// The rows' own ids are places among their table's next local ids (-1 the
// first, -2 the one below it, ...): the save turns them into ids once the
// customer's old rows are gone, so an edit numbers its rows as a first save does.
struct LocalCustomerRecords {
    std::shared_ptr<corvelle_customer_Entity> customer;
    EntityList<corvelle_customer_address_Entity> addresses;
    EntityList<corvelle_customer_attribute_Entity> attributes;
    EntityList<corvelle_customer_contact_entity> contacts;
    // The customer row carries no hidden mark and its save clears it; an edit keeps it.
    bool hidden = false;
};

// One synchronisation's customer tables, stored in this order.
struct SyncedCustomerTables {
    enum class Table { Customers, Attributes, AttributeFields, Addresses, Contacts };
    OptionalEntityList<corvelle_customer_Entity> customers;
    OptionalEntityList<corvelle_customer_attribute_Entity> attributes;
    OptionalEntityList<corvelle_fields_customer_attribute_Entity> attributeFields;
    OptionalEntityList<corvelle_customer_address_Entity> addresses;
    OptionalEntityList<corvelle_customer_contact_entity> contacts;
};

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

    // The customer in place of whatever its id held, with its rows, in one
    // batch: a failure anywhere leaves the tables as they were.
    SaveResult saveLocalCustomer(const LocalCustomerRecords& records);
    // The server's customer tables in one batch, each skipped when it has no
    // rows: a customer is never left with its rows cleared and others not
    // stored. On failure `failed` names the table that failed.
    SaveResult saveSyncedCustomerTables(
        const SyncedCustomerTables& tables, SyncedCustomerTables::Table* failed = nullptr);

    [[nodiscard]] bool saveToDatabaseCustomer(const OptionalEntityList<corvelle_customer_Entity>& customers);
    [[nodiscard]] bool saveToDatabaseCustomerAttribute(
        const OptionalEntityList<corvelle_customer_attribute_Entity>& attributes);
    [[nodiscard]] bool saveToDatabaseCustomerAddress(
        const OptionalEntityList<corvelle_customer_address_Entity>& addresses);
    [[nodiscard]] bool saveToDatabaseCustomerContact(
        const OptionalEntityList<corvelle_customer_contact_entity>& contacts);
    // Replaces all fields, inside one transaction.
    [[nodiscard]] bool saveToDatabaseFieldsCustomerAttribute(
        const OptionalEntityList<corvelle_fields_customer_attribute_Entity>& fields);
    bool deleteCustomerTableWithID(int customerId);
    bool updateCustomerTableHiddenWithCustomerIdWithHidden(int customerId, int hidden);
    bool updateAddressToDefaultIndexId(int customerId, int addressId);
    bool updateContactToDefaultContact(int customerId, int contactId);

    // The four renumberings below in one batch: a customer never reaches its
    // server id while some of its rows keep pointing at the local one.
    SaveResult renumberUploadedCustomers(const OptionalEntityList<corvelle_customer_Entity>& customers,
        const OptionalEntityList<corvelle_customer_address_Entity>& addresses,
        const OptionalEntityList<corvelle_customer_attribute_Entity>& attributes,
        const OptionalEntityList<corvelle_customer_contact_entity>& contacts);
    // Renumbering after an upload: local ids (pid / pID) become the server's.
    [[nodiscard]] bool updateCustomerTable(const OptionalEntityList<corvelle_customer_Entity>& customers);
    [[nodiscard]] bool updateCustomerAddressTable(
        const OptionalEntityList<corvelle_customer_address_Entity>& addresses);
    [[nodiscard]] bool updateCustomerAttributeTable(
        const OptionalEntityList<corvelle_customer_attribute_Entity>& attributes);
    [[nodiscard]] bool updateContactIdAfterUpload(const OptionalEntityList<corvelle_customer_contact_entity>& contacts);
};
