#pragma once

#include "Database/RecordColumns.h"

struct corvelle_product_category_xref_Entity {
    int category_id = 0;
    int product_id = 0;
};

template <> struct RecordColumns::Table<corvelle_product_category_xref_Entity> {
    static constexpr std::string_view name = "corvelle_product_category_xref";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("category_id", "", &corvelle_product_category_xref_Entity::category_id),
            RecordColumns::column("product_id", "", &corvelle_product_category_xref_Entity::product_id));
};
