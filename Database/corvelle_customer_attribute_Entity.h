#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_customer_attribute_Entity {
    int pID = 0;
    int attribute_id = 0;
    int customer_id = 0;
    int attribute_fields_id = 0;
    std::optional<std::string> attribute_value;
};

// The customer id comes from the enclosing customer.
template <> struct RecordColumns::Table<corvelle_customer_attribute_Entity> {
    static constexpr std::string_view name = "corvelle_customer_attribute";
    static constexpr auto columns = std::make_tuple(
        RecordColumns::column("attribute_id", "attributeId", &corvelle_customer_attribute_Entity::attribute_id),
        RecordColumns::column("customer_id", "", &corvelle_customer_attribute_Entity::customer_id),
        RecordColumns::column(
            "attribute_fields_id", "attributeFieldsId", &corvelle_customer_attribute_Entity::attribute_fields_id),
        RecordColumns::column(
            "attribute_value", "attributeValue", &corvelle_customer_attribute_Entity::attribute_value));
};
