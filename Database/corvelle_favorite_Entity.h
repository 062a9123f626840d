#pragma once

#include "Database/corvelle_product_Entity.h"

// A favourites row; only product_id, product_sku and product_name are filled.
struct corvelle_favorite_Entity : corvelle_product_Entity { };

// A second favourite of the same product is refused, not replaced.
template <> struct RecordColumns::Table<corvelle_favorite_Entity> {
    static constexpr std::string_view name = "corvelle_favorite";
    static constexpr bool refusesDuplicates = true;
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("product_id", "", &corvelle_favorite_Entity::product_id),
            RecordColumns::column("product_sku", "", &corvelle_favorite_Entity::product_sku),
            RecordColumns::column("product_name", "", &corvelle_favorite_Entity::product_name));
};
