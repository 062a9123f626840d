#pragma once

#include <optional>
#include <string>

struct corvelle_customer_attribute_Entity {
    int pID = 0;
    int attribute_id = 0;
    int customer_id = 0;
    int attribute_fields_id = 0;
    std::optional<std::string> attribute_value;
};
