#pragma once

#include "Database/customer_attribute_cell_Entity.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// One section of the grouped customer list.
struct corvelle_customer_group_Entity {
    std::string groupName;
    std::vector<std::shared_ptr<customer_attribute_cell_Entity>> customerAttributes;
    int indexId = 0;
    bool isDefault = false;
    int addSection = -1;

    // Appends a cell named by the key holding the value ("" for an absent value).
    void addAttributeVaueForKey(const std::optional<std::string>& value, const std::optional<std::string>& key);
};
