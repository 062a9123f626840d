#pragma once

#include <optional>
#include <string>

struct corvelle_compare_Entity {
    int _id = 0;
    int product_id = 0;
    std::optional<std::string> product_sku;
    std::optional<std::string> product_name;
};
