#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_fields_customer_attribute_Entity {
    int field_id = 0;
    std::optional<std::string> field_name;
    std::optional<std::string> description;
    std::optional<std::string> data_type;
    std::optional<std::string> selection_list;
    int display = 0;
    int published = 0;
};

template <> struct RecordColumns::Table<corvelle_fields_customer_attribute_Entity> {
    static constexpr std::string_view name = "corvelle_fields_customer_attribute";
    static constexpr auto columns = std::make_tuple(
        RecordColumns::column("field_id", "attributeFieldsId", &corvelle_fields_customer_attribute_Entity::field_id),
        RecordColumns::column("field_name", "attributeName", &corvelle_fields_customer_attribute_Entity::field_name),
        RecordColumns::column("description", "description", &corvelle_fields_customer_attribute_Entity::description),
        RecordColumns::column("data_type", "data_type", &corvelle_fields_customer_attribute_Entity::data_type),
        RecordColumns::column(
            "selection_list", "selection_list", &corvelle_fields_customer_attribute_Entity::selection_list),
        RecordColumns::column("display", "display", &corvelle_fields_customer_attribute_Entity::display),
        RecordColumns::column("published", "published", &corvelle_fields_customer_attribute_Entity::published));
};
