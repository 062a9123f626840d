#pragma once

#include "Database/RecordColumns.h"

#include <optional>
#include <string>

struct corvelle_library_category_Entity {
    // Column id.
    int categoryID = 0;
    std::optional<std::string> name;
    int ordering = 0;
    int published = 0;
    int parent_id = 0;
    // Filled by the library's category screen.
    int count = 0;
    int childCount = 0;
    bool hasChild = false;
};

template <> struct RecordColumns::Table<corvelle_library_category_Entity> {
    static constexpr std::string_view name = "corvelle_library_category";
    static constexpr auto columns
        = std::make_tuple(RecordColumns::column("id", "cateID", &corvelle_library_category_Entity::categoryID),
            RecordColumns::column("name", "cateName", &corvelle_library_category_Entity::name),
            RecordColumns::column("ordering", "cateOrdering", &corvelle_library_category_Entity::ordering),
            RecordColumns::column("published", "catePublished", &corvelle_library_category_Entity::published),
            RecordColumns::column("parent_id", "parentId", &corvelle_library_category_Entity::parent_id));
};
