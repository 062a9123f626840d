#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_category_Entity {
    int category_id = 0;
    std::optional<std::string> category_name;
    std::optional<std::string> category_code;
    std::optional<std::string> category_type;
    int category_publish = 0;
    int category_ordering = 0;
    int category_parent_id = 0;
    // Filled by the category tree screen for display.
    int category_numberOfProducts = 0;
};

template <> struct RecordColumns::Table<corvelle_category_Entity> {
    static constexpr std::string_view name = "corvelle_category";
    static constexpr auto columns = std::make_tuple(
        RecordColumns::column("category_id", "categoryID", &corvelle_category_Entity::category_id),
        RecordColumns::column("category_name", "categoryName", &corvelle_category_Entity::category_name),
        RecordColumns::column("category_code", "categoryCode", &corvelle_category_Entity::category_code),
        RecordColumns::column("category_type", "categoryType", &corvelle_category_Entity::category_type),
        RecordColumns::column("category_publish", "categoryPublish", &corvelle_category_Entity::category_publish),
        RecordColumns::column("category_ordering", "categoryOrdering", &corvelle_category_Entity::category_ordering),
        RecordColumns::column("category_parent_id", "categoryParentID", &corvelle_category_Entity::category_parent_id));
};
