#pragma once

// A row of the customer table. Rows made on the device carry negative ids;
// pid holds the local id that the server's id replaces after upload (pID in
// the attribute, address and contact records).

#include "Database/RecordColumns.h"

#include "Database/product_attribute_cell_Entity.h"

#include <optional>
#include <string>

struct corvelle_customer_Entity {
    int pid = 0;
    int customer_id = 0;
    std::optional<std::string> customer_info_id;
    std::optional<std::string> customer_name;
    int customer_publish = 0;
    int customer_ordering = 0;
    double discount = 0;
    int hidden = 0;
};

// The hidden mark is the device's own, set by a statement of its own; the
// save leaves it to the table's default.
template <> struct RecordColumns::Table<corvelle_customer_Entity> {
    static constexpr std::string_view name = "corvelle_customer";
    static constexpr auto columns = std::make_tuple(
        RecordColumns::column("customer_id", "customerId", &corvelle_customer_Entity::customer_id),
        RecordColumns::column("customer_info_id", "customerInfoId", &corvelle_customer_Entity::customer_info_id),
        RecordColumns::column("customer_name", "customerName", &corvelle_customer_Entity::customer_name),
        RecordColumns::column("customer_publish", "customerPublish", &corvelle_customer_Entity::customer_publish),
        RecordColumns::column("customer_ordering", "customerOrdering", &corvelle_customer_Entity::customer_ordering),
        RecordColumns::column(
            "discount", "customerDiscount", &corvelle_customer_Entity::discount, RecordColumns::SinglePrecision),
        RecordColumns::column("hidden", "", &corvelle_customer_Entity::hidden, RecordColumns::NotSaved));
};

// The records that once shared this header; its includers still expect them.
#include "Database/corvelle_customer_attribute_Entity.h"
#include "Database/corvelle_fields_customer_attribute_Entity.h"
#include "Database/corvelle_customer_contact_entity.h"
#include "Database/corvelle_customer_address_Entity.h"
#include "Database/corvelle_customer_group_Entity.h"
