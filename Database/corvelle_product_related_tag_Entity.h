#pragma once

#include "Database/RecordColumns.h"

struct corvelle_product_related_tag_Entity {
    int product_id = 0;
    int tag_id = 0;
};

template <> struct RecordColumns::Table<corvelle_product_related_tag_Entity> {
    static constexpr std::string_view name = "corvelle_product_related_tag";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("tag_id", "tagId", &corvelle_product_related_tag_Entity::tag_id),
            RecordColumns::column("product_id", "productId", &corvelle_product_related_tag_Entity::product_id));
};
