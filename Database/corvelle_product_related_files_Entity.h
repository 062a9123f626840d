#pragma once

#include <optional>
#include <string>

struct corvelle_product_related_files_Entity {
    int product_id = 0;
    std::optional<std::string> product_sku;
    int file_id = 0;
};
