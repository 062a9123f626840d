#pragma once

#include <optional>
#include <string>

struct corvelle_product_related_Entity {
    int product_id = 0;
    std::optional<std::string> related_product_sku;
};
