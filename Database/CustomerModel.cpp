#include "Database/CustomerModel.h"

#include "Database/ModelSupport.h"

using namespace ModelSupport;

namespace {

constexpr const char* kAddressTable = "create table if not exists corvelle_customer_address(id INTEGER PRIMARY KEY "
                                      "AUTOINCREMENT NOT NULL,customer_id INTEGER NOT NULL,"
                                      "address VARCHAR(64),city VARCHAR(64),state VARCHAR(64),zip_code "
                                      "VARCHAR(64),isDefault INTEGER NOT NULL  DEFAULT 0)";
constexpr const char* kContactTable
    = "create table if not exists corvelle_customer_contact(contact_id INTEGER PRIMARY KEY AUTOINCREMENT NOT "
      "NULL,customer_id INTEGER NOT NULL,"
      "first_name VARCHAR(64),last_name VARCHAR(64),job_title VARCHAR(64),work_phone VARCHAR(64),mobile_phone "
      "VARCHAR(64),"
      "email VARCHAR(64),im VARCHAR(64),note VARCHAR(64),isDefault INTEGER NOT NULL  DEFAULT 0)";

std::shared_ptr<corvelle_customer_Entity> readCustomer(SQLResultSet& rs)
{
    auto c = std::make_shared<corvelle_customer_Entity>();
    RecordColumns::readRow(rs, *c);
    return c;
}

int smallestNegative(const char* sql, const char* column)
{
    auto db = SQLDatabase::sharedDataBase();
    auto rs = db ? db->executeQuery(sql) : nullptr;
    int value = 0;
    if (rs) {
        while (rs->next())
            value = rs->intForColumn(column);
    }
    return value;
}

}  // namespace

bool CustomerModel::updateVersion()
{
    BaseDataModel::updateVersion();
    const bool address = createCustomerAddressTable();
    const bool customer = alterCustomerTable();
    const bool contact = createCustomerConatctTable();
    return address && customer && contact;
}

bool CustomerModel::createCustomerAddressTable()
{
    auto db = database();
    return db && db->goodConnection() && db->executeUpdate(kAddressTable);
}

bool CustomerModel::alterCustomerTable()
{
    auto db = database();
    return db && db->goodConnection()
        && db->executeUpdate("ALTER TABLE corvelle_customer ADD hidden INTEGER  DEFAULT 0");
}

bool CustomerModel::createCustomerConatctTable()
{
    auto db = database();
    return db && db->goodConnection() && db->executeUpdate(kContactTable);
}

std::map<int, CustomerDictionary> CustomerModel::getAllCustomers(bool includeHidden)
{
    std::map<int, CustomerDictionary> customers;
    auto db = database();
    if (!db)
        return customers;
    std::string sql
        = "select  t1.customer_id,t1.customer_info_id,t1.customer_name,t1.customer_publish,t1.customer_ordering "
          ",t1.discount ,t1.hidden,t5.attribute_value,"
          "t5.field_name from corvelle_customer t1 left join (select  t2.customer_id "
          ",t2.attribute_value,t3.field_id,t3.field_name from "
          "corvelle_customer_attribute t2, corvelle_fields_customer_attribute t3,corvelle_customer t4 where "
          "t2.attribute_fields_id = t3.field_id and "
          "t3.published = 1 and t3.display = 1 and t2.customer_id = t4.customer_id and t4.customer_publish = 1) t5 on "
          "t1.customer_id = t5.customer_id "
          "where t1.customer_publish=1 ";
    if (!includeHidden)
        sql += "and t1.hidden != 1 ";
    sql += "order by t1.customer_ordering,t1.customer_id,t5.field_id ;";
    auto rs = db->executeQuery(sql);
    if (!rs)
        return customers;
    std::vector<int> order;
    std::optional<int> current;
    while (rs->next()) {
        const int id = rs->intForColumn("customer_id");
        if (current != id) {
            current = id;
            CustomerDictionary entry;
            entry.customer_info_id = rs->stringForColumn("customer_info_id");
            entry.customer_name = rs->stringForColumn("customer_name").value_or(std::string());
            entry.customer_publish = rs->intForColumn("customer_publish");
            entry.customer_ordering = rs->intForColumn("customer_ordering");
            entry.hidden = rs->boolForColumn("hidden");
            entry.discount = static_cast<float>(rs->doubleForColumn("discount"));
            customers[id] = std::move(entry);
            order.push_back(id);
        }
        auto cell = std::make_shared<customer_attribute_cell_Entity>();
        cell->fieldName = rs->stringForColumn("field_name").value_or(std::string());
        cell->attributeValue = rs->stringForColumn("attribute_value").value_or(std::string());
        customers[id].attribute.push_back(std::move(cell));
    }
    // Addresses and contacts are read once the list's own statement is done.
    for (int id : order) {
        customers[id].address = getCustomerAddress(id);
        customers[id].contact = getCustomerContact(id);
    }
    return customers;
}

EntityList<customer_attribute_cell_Entity> CustomerModel::getAllAttributes()
{
    EntityList<customer_attribute_cell_Entity> cells;
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_fields_customer_attribute where published=1 ") : nullptr;
    if (!rs)
        return cells;
    while (rs->next()) {
        auto cell = std::make_shared<customer_attribute_cell_Entity>();
        cell->fieldName = rs->stringForColumn("field_name").value_or(std::string());
        cell->field_id = rs->intForColumn("field_id");
        cells.push_back(std::move(cell));
    }
    return cells;
}

EntityList<corvelle_customer_attribute_Entity> CustomerModel::getCustomerAttributes(int customerId)
{
    auto db = database();
    return RecordColumns::readRows<corvelle_customer_attribute_Entity>(db
            ? db->executeQuery("select * from corvelle_customer_attribute where  customer_id = ?", customerId)
            : nullptr);
}

EntityList<corvelle_customer_address_Entity> CustomerModel::getCustomerAddress(int customerId)
{
    auto db = database();
    if (!db)
        return {};
    auto rs = customerId >= 0
        ? db->executeQuery("select id, customer_id , address,city, state , zip_code ,isDefault from "
                           "corvelle_customer_address where  customer_id = ?",
            customerId)
        : db->executeQuery("select id, customer_id , address,city, state , zip_code ,isDefault from "
                           "corvelle_customer_address where  customer_id = ? order by id DESC",
            customerId);
    return RecordColumns::readRows<corvelle_customer_address_Entity>(rs);
}

EntityList<corvelle_customer_contact_entity> CustomerModel::getCustomerContact(int customerId)
{
    auto db = database();
    if (!db)
        return {};
    auto rs = customerId >= 0
        ? db->executeQuery(
            "select * from corvelle_customer_contact where  customer_id = ? order by contact_id ", customerId)
        : db->executeQuery(
            "select * from corvelle_customer_contact where  customer_id = ? order by contact_id DESC", customerId);
    return RecordColumns::readRows<corvelle_customer_contact_entity>(rs);
}

std::shared_ptr<corvelle_customer_Entity> CustomerModel::getCustomerByCustomerName(
    const std::optional<std::string>& name)
{
    auto db = database();
    auto rs = db
        ? db->executeQuery("select * from corvelle_customer where customer_publish = 1 and customer_name = ?", name)
        : nullptr;
    std::shared_ptr<corvelle_customer_Entity> customer;
    if (rs) {
        while (rs->next())
            customer = readCustomer(*rs);
    }
    return customer;
}

std::shared_ptr<corvelle_customer_Entity> CustomerModel::getCustomerByCustomerId(int customerId)
{
    auto db = database();
    auto rs = db ? db->executeQuery("select * from corvelle_customer where  customer_id = ?", customerId) : nullptr;
    auto customer = std::make_shared<corvelle_customer_Entity>();
    if (rs) {
        while (rs->next())
            customer = readCustomer(*rs);
    }
    return customer;
}

bool CustomerModel::isInUnsubmitOrder(int customerId)
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    auto rs = db->executeQuery("select count(*) as count from corvelle_quote_order WHERE customer_id = ? ", customerId);
    int count = 0;
    if (rs) {
        while (rs->next())
            count = rs->intForColumn("count");
    }
    return count > 0;
}

int CustomerModel::getLastLocalCustomerId()
{
    // Every customer counts, published or not: a new local id must not meet
    // an unpublished customer's.
    return smallestNegative(
        "select min(customer_id) as customer_id from corvelle_customer where customer_id < 0", "customer_id");
}

int CustomerModel::getLastLocalCustomerAttributesId()
{
    return smallestNegative(
        "select min(attribute_id) as attribute_id from corvelle_customer_attribute where attribute_id < 0",
        "attribute_id");
}

int CustomerModel::getLastLocalCustomerAddressId()
{
    return smallestNegative("select min([id]) as id from corvelle_customer_address where id < 0 ", "id");
}

int CustomerModel::getLastLocalCustomerContactsId()
{
    return smallestNegative(
        "select min(contact_id) as contact_id from corvelle_customer_contact where contact_id < 0", "contact_id");
}

bool CustomerModel::saveToDatabaseCustomer(const OptionalEntityList<corvelle_customer_Entity>& customers)
{
    return saveInTransaction(customers, [](SQLDatabase& db, const corvelle_customer_Entity& c) {
        return RecordColumns::saveRow(db, c)
            && db.executeUpdate("DELETE FROM corvelle_customer_attribute WHERE customer_id = ?;", c.customer_id)
            && db.executeUpdate("DELETE FROM corvelle_customer_address WHERE customer_id = ?;", c.customer_id)
            && db.executeUpdate("DELETE FROM corvelle_customer_contact WHERE customer_id = ?;", c.customer_id);
    });
}

bool CustomerModel::saveToDatabaseCustomerAttribute(
    const OptionalEntityList<corvelle_customer_attribute_Entity>& attributes)
{
    return saveInTransaction(attributes,
        [](SQLDatabase& db, const corvelle_customer_attribute_Entity& a) { return RecordColumns::saveRow(db, a); });
}

bool CustomerModel::saveToDatabaseCustomerAddress(const OptionalEntityList<corvelle_customer_address_Entity>& addresses)
{
    if (!addresses || addresses->empty())
        return false;
    return saveInTransaction(addresses,
        [](SQLDatabase& db, const corvelle_customer_address_Entity& a) { return RecordColumns::saveRow(db, a); });
}

bool CustomerModel::saveToDatabaseCustomerContact(const OptionalEntityList<corvelle_customer_contact_entity>& contacts)
{
    return saveInTransaction(contacts,
        [](SQLDatabase& db, const corvelle_customer_contact_entity& c) { return RecordColumns::saveRow(db, c); });
}

bool CustomerModel::saveToDatabaseFieldsCustomerAttribute(
    const OptionalEntityList<corvelle_fields_customer_attribute_Entity>& fields)
{
    if (!fields || fields->empty())
        return false;
    auto db = database();
    if (!db)
        return false;
    // The old fields go inside the same batch, so a failed save keeps them.
    return db->inBatch([&](SQLDatabase& connection) {
        if (!connection.executeUpdate("DELETE FROM corvelle_fields_customer_attribute;"))
            return false;
        for (const auto& f : *fields) {
            if (f && !RecordColumns::saveRow(connection, *f))
                return false;
        }
        return true;
    });
}

bool CustomerModel::deleteCustomerTableWithID(int customerId)
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    // A customer goes with all its rows or not at all.
    return db->inBatch([customerId](SQLDatabase& connection) {
        return connection.executeUpdate("DELETE FROM corvelle_customer WHERE customer_id = ?", customerId)
            && connection.executeUpdate("DELETE FROM corvelle_customer_address WHERE customer_id = ?", customerId)
            && connection.executeUpdate("DELETE FROM corvelle_customer_attribute WHERE customer_id = ?", customerId)
            && connection.executeUpdate("DELETE FROM corvelle_customer_contact WHERE customer_id = ?", customerId);
    });
}

bool CustomerModel::updateCustomerTableHiddenWithCustomerIdWithHidden(int customerId, int hidden)
{
    auto db = database();
    return db && db->goodConnection()
        && db->executeUpdate("UPDATE corvelle_customer SET hidden = ? WHERE customer_id = ?", hidden, customerId);
}

bool CustomerModel::updateAddressToDefaultIndexId(int customerId, int addressId)
{
    auto db = database();
    if (!db)
        return false;
    bool ok
        = db->executeUpdate("update corvelle_customer_address set isDefault = 0 where  customer_id = ?", customerId);
    if (addressId != 0)
        ok = db->executeUpdate("update corvelle_customer_address set isDefault = 1 where  customer_id = ? and id = ?",
                 customerId, addressId)
            && ok;
    return ok;
}

bool CustomerModel::updateContactToDefaultContact(int customerId, int contactId)
{
    auto db = database();
    if (!db)
        return false;
    bool ok
        = db->executeUpdate("update corvelle_customer_contact set isDefault = 0 where  customer_id = ?", customerId);
    if (contactId != 0)
        ok = db->executeUpdate(
                 "update corvelle_customer_contact set isDefault = 1 where  customer_id = ? and contact_id = ?",
                 customerId, contactId)
            && ok;
    return ok;
}

bool CustomerModel::updateCustomerTable(const OptionalEntityList<corvelle_customer_Entity>& customers)
{
    auto db = database();
    if (!db)
        return false;
    return db->inBatch([&](SQLDatabase& connection) {
        for (const auto& c : customers.value_or(EntityList<corvelle_customer_Entity> {})) {
            if (c
                && !connection.executeUpdate(
                    "UPDATE corvelle_customer SET customer_id = ? WHERE customer_id = ?", c->customer_id, c->pid))
                return false;
        }
        return true;
    });
}

bool CustomerModel::updateCustomerAddressTable(const OptionalEntityList<corvelle_customer_address_Entity>& addresses)
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    return db->inBatch([&](SQLDatabase& connection) {
        for (const auto& a : addresses.value_or(EntityList<corvelle_customer_address_Entity> {})) {
            if (a
                && !connection.executeUpdate(
                    "UPDATE corvelle_customer_address SET id = ? ,customer_id = ? WHERE id = ?", a->indexId,
                    a->customerId, a->pID))
                return false;
        }
        return true;
    });
}

bool CustomerModel::updateCustomerAttributeTable(
    const OptionalEntityList<corvelle_customer_attribute_Entity>& attributes)
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    return db->inBatch([&](SQLDatabase& connection) {
        for (const auto& a : attributes.value_or(EntityList<corvelle_customer_attribute_Entity> {})) {
            if (a
                && !connection.executeUpdate(
                    "UPDATE corvelle_customer_attribute SET attribute_id = ? ,customer_id = ? WHERE attribute_id = ?",
                    a->attribute_id, a->customer_id, a->pID))
                return false;
        }
        return true;
    });
}

bool CustomerModel::updateContactIdAfterUpload(const OptionalEntityList<corvelle_customer_contact_entity>& contacts)
{
    return saveInTransaction(contacts, [](SQLDatabase& db, const corvelle_customer_contact_entity& c) {
        return db.executeUpdate(
            "UPDATE corvelle_customer_contact SET contact_id = ? ,customer_id = ? WHERE contact_id = ?", c.contactID,
            c.customerID, c.pID);
    });
}

namespace {

// Copies of `rows` whose ids (read and written by `id`) are places below `lastLocal`.
template <typename T, typename Id> EntityList<T> placedBelow(const EntityList<T>& rows, int lastLocal, Id id)
{
    EntityList<T> placed;
    for (const auto& row : rows) {
        if (!row)
            continue;
        auto copy = std::make_shared<T>(*row);
        id(*copy) += lastLocal;
        placed.push_back(std::move(copy));
    }
    return placed;
}

}  // namespace

SaveResult CustomerModel::saveLocalCustomer(const LocalCustomerRecords& records)
{
    if (!records.customer)
        return SaveResult::Kind::NothingToSave;
    auto db = database();
    if (!db)
        return SaveResult::Kind::Failed;
    const int customerId = records.customer->customer_id;
    const bool stored = db->inBatch([&](SQLDatabase&) {
        // Also clears the rows the id held before.
        if (!saveToDatabaseCustomer(EntityList<corvelle_customer_Entity> { records.customer }))
            return false;
        if (!records.addresses.empty()
            && !saveToDatabaseCustomerAddress(placedBelow(records.addresses, getLastLocalCustomerAddressId(),
                [](corvelle_customer_address_Entity& a) -> int& { return a.indexId; })))
            return false;
        if (!records.attributes.empty()
            && !saveToDatabaseCustomerAttribute(placedBelow(records.attributes, getLastLocalCustomerAttributesId(),
                [](corvelle_customer_attribute_Entity& a) -> int& { return a.attribute_id; })))
            return false;
        if (!records.contacts.empty()
            && !saveToDatabaseCustomerContact(placedBelow(records.contacts, getLastLocalCustomerContactsId(),
                [](corvelle_customer_contact_entity& c) -> int& { return c.contactID; })))
            return false;
        return !records.hidden || updateCustomerTableHiddenWithCustomerIdWithHidden(customerId, 1);
    });
    return SaveResult::of(stored);
}

SaveResult CustomerModel::saveSyncedCustomerTables(
    const SyncedCustomerTables& tables, SyncedCustomerTables::Table* failed)
{
    using Table = SyncedCustomerTables::Table;
    auto has = [](const auto& list) { return list && !list->empty(); };
    if (!has(tables.customers) && !has(tables.attributes) && !has(tables.attributeFields) && !has(tables.addresses)
        && !has(tables.contacts))
        return SaveResult::Kind::NothingToSave;
    auto db = database();
    if (!db)
        return SaveResult::Kind::Failed;
    Table failing = Table::Customers;
    const bool stored = db->inBatch([&](SQLDatabase&) {
        auto step = [&](Table table, bool rows, auto save) {
            failing = table;
            return !rows || save();
        };
        return step(Table::Customers, has(tables.customers), [&] { return saveToDatabaseCustomer(tables.customers); })
            && step(Table::Attributes, has(tables.attributes),
                [&] { return saveToDatabaseCustomerAttribute(tables.attributes); })
            && step(Table::AttributeFields, has(tables.attributeFields),
                [&] { return saveToDatabaseFieldsCustomerAttribute(tables.attributeFields); })
            && step(Table::Addresses, has(tables.addresses),
                [&] { return saveToDatabaseCustomerAddress(tables.addresses); })
            && step(
                Table::Contacts, has(tables.contacts), [&] { return saveToDatabaseCustomerContact(tables.contacts); });
    });
    if (!stored && failed)
        *failed = failing;
    return SaveResult::of(stored);
}

SaveResult CustomerModel::renumberUploadedCustomers(const OptionalEntityList<corvelle_customer_Entity>& customers,
    const OptionalEntityList<corvelle_customer_address_Entity>& addresses,
    const OptionalEntityList<corvelle_customer_attribute_Entity>& attributes,
    const OptionalEntityList<corvelle_customer_contact_entity>& contacts)
{
    auto has = [](const auto& list) { return list && !list->empty(); };
    if (!has(customers) && !has(addresses) && !has(attributes) && !has(contacts))
        return SaveResult::Kind::NothingToSave;
    auto db = database();
    if (!db)
        return SaveResult::Kind::Failed;
    return SaveResult::of(db->inBatch([&](SQLDatabase&) {
        return updateCustomerTable(customers) && updateCustomerAddressTable(addresses)
            && updateCustomerAttributeTable(attributes) && updateContactIdAfterUpload(contacts);
    }));
}
