#pragma once

// A few customer rows written straight into the open client database, the way
// the synchronisation leaves them: attribute fields, customers with their
// attribute values, addresses and contacts.

#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace CustomerSeed {

inline std::shared_ptr<SQLDatabase> db()
{
    DataAccessManager::sharedDataModel();
    return SQLDatabase::sharedDataBase();
}

// The usual fields of a client: ids 1 to 7.
inline void standardFields()
{
    const char* names[] = { "Phone", "Bank Account", "Active", "Address", "City", "State/Province/Region", "Zip Code" };
    int id = 1;
    for (const char* name : names) {
        ASSERT_TRUE(db()->executeUpdate(
            "INSERT INTO corvelle_fields_customer_attribute(field_id,field_name,display,published) VALUES(?,?,1,1)",
            id++, std::string(name)));
    }
}

inline void field(int id, const std::string& name)
{
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_fields_customer_attribute(field_id,field_name,display,published) VALUES(?,?,1,1)", id,
        name));
}

inline void customer(int id, const std::string& name, bool hidden = false)
{
    ASSERT_TRUE(db()->executeUpdate("INSERT INTO "
                                    "corvelle_customer(customer_id,customer_info_id,customer_name,customer_publish,"
                                    "customer_ordering,discount,hidden) "
                                    "VALUES(?,'',?,1,0,0,?)",
        id, name, hidden ? 1 : 0));
}

inline void attribute(int attributeId, int customerId, int fieldId, const std::string& value)
{
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_customer_attribute(attribute_id,customer_id,attribute_fields_id,attribute_value) "
        "VALUES(?,?,?,?)",
        attributeId, customerId, fieldId, value));
}

inline void address(int id, int customerId, const std::string& street, const std::string& city,
    const std::string& state, const std::string& zip, bool isDefault = false)
{
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_customer_address(id,customer_id,address,city,state,zip_code,isDefault) "
        "VALUES(?,?,?,?,?,?,?)",
        id, customerId, street, city, state, zip, isDefault ? 1 : 0));
}

inline void contact(int id, int customerId, const std::string& first, const std::string& last,
    const std::string& email = "", bool isDefault = false)
{
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_customer_contact(contact_id,customer_id,first_name,last_name,email,isDefault) "
        "VALUES(?,?,?,?,?,?)",
        id, customerId, first, last, email, isDefault ? 1 : 0));
}

inline int count(const std::string& sql) { return db()->intForQuery(sql); }

}  // namespace CustomerSeed
