#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_compare_Entity {
    int _id = 0;
    int product_id = 0;
    std::optional<std::string> product_sku;
    std::optional<std::string> product_name;
};

// A second comparison of the same product is refused, not replaced; `_id` is
// not stored.
template <> struct RecordColumns::Table<corvelle_compare_Entity> {
    static constexpr std::string_view name = "corvelle_compare";
    static constexpr bool refusesDuplicates = true;
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("product_id", "", &corvelle_compare_Entity::product_id),
            RecordColumns::column("product_sku", "", &corvelle_compare_Entity::product_sku),
            RecordColumns::column("product_name", "", &corvelle_compare_Entity::product_name));
};
