#pragma once

#include "Database/BaseDataModel.h"
#include "Database/corvelle_customer_address_Entity.h"
#include "Database/corvelle_customer_contact_entity.h"
#include "Database/customer_attribute_cell_Entity.h"

#include <optional>
#include <string>

// One customer of the customer list, under the keys the list's dictionary uses.
struct CustomerDictionary {
    std::optional<std::string> customer_info_id;
    std::string customer_name;
    int customer_publish = 0;
    int customer_ordering = 0;
    bool hidden = false;
    float discount = 0;
    EntityList<customer_attribute_cell_Entity> attribute;
    EntityList<corvelle_customer_address_Entity> address;
    EntityList<corvelle_customer_contact_entity> contact;
};
