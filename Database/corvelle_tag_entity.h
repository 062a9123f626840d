#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>
#include <vector>

struct corvelle_tag_entity {
    int tag_id = 0;
    std::optional<std::string> tag_name;
    // The ids of the products carrying the tag.
    std::vector<int> products;
};

template <> struct RecordColumns::Table<corvelle_tag_entity> {
    static constexpr std::string_view name = "corvelle_product_tag";
    static constexpr auto columns = std::make_tuple(RecordColumns::column("tag_id", "id", &corvelle_tag_entity::tag_id),
        RecordColumns::column("tag_name", "tagName", &corvelle_tag_entity::tag_name));
};
