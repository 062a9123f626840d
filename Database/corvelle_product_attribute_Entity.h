#pragma once

#include <optional>
#include <string>

// Note the crossed columns: attribute_value is stored in the column
// selection_list, default_value in the column attribute_value.
struct corvelle_product_attribute_Entity {
    int attribute_id = 0;
    int product_id = 0;
    int attribute_fields_id = 0;
    std::optional<std::string> attribute_value;
    std::optional<std::string> default_value;
};
