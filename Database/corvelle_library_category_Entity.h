#pragma once

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
