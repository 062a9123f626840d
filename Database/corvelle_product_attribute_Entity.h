#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

// Note the crossed columns: attribute_value is stored in the column
// selection_list, default_value in the column attribute_value.
struct corvelle_product_attribute_Entity {
    int attribute_id = 0;
    int product_id = 0;
    int attribute_fields_id = 0;
    std::optional<std::string> attribute_value;
    std::optional<std::string> default_value;
};

// The product id comes from the enclosing product.
template <> struct RecordColumns::Table<corvelle_product_attribute_Entity> {
    static constexpr std::string_view name = "corvelle_product_attribute";
    static constexpr auto columns = std::make_tuple(
        RecordColumns::column("attribute_id", "attributeId", &corvelle_product_attribute_Entity::attribute_id),
        RecordColumns::column("product_id", "", &corvelle_product_attribute_Entity::product_id),
        RecordColumns::column(
            "attribute_fields_id", "attributeFieldsId", &corvelle_product_attribute_Entity::attribute_fields_id),
        RecordColumns::column("attribute_value", "defaultValue", &corvelle_product_attribute_Entity::default_value),
        RecordColumns::column("selection_list", "attributeValue", &corvelle_product_attribute_Entity::attribute_value));
};
