#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_product_related_Entity {
    int product_id = 0;
    std::optional<std::string> related_product_sku;
};

template <> struct RecordColumns::Table<corvelle_product_related_Entity> {
    static constexpr std::string_view name = "corvelle_product_related";
    static constexpr auto columns = std::make_tuple(
        RecordColumns::column("product_id", "productID", &corvelle_product_related_Entity::product_id),
        RecordColumns::column(
            "related_product_sku", "relatedSKUList", &corvelle_product_related_Entity::related_product_sku));
};
