#pragma once

// One attribute: its name, the chosen or stored value and the choices
// offered. Products, order lines and (as customer_attribute_cell_Entity)
// customers use it.

#include <optional>
#include <string>

struct product_attribute_cell_Entity {
    int field_id = 0;
    std::optional<std::string> fieldName;
    std::optional<std::string> attributeValue;
    std::optional<std::string> attributeList;
};

// The records that once shared this header; its includers still expect them.
#include "Database/customer_attribute_cell_Entity.h"
