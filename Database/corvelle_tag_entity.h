#pragma once

#include <optional>
#include <string>
#include <vector>

struct corvelle_tag_entity {
    int tag_id = 0;
    std::optional<std::string> tag_name;
    // The ids of the products carrying the tag.
    std::vector<int> products;
};
