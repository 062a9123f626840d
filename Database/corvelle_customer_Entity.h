#pragma once

// A row of the customer table. Rows made on the device carry negative ids;
// pid holds the local id that the server's id replaces after upload (pID in
// the attribute, address and contact records).

#include "Database/product_attribute_cell_Entity.h"

#include <optional>
#include <string>

struct corvelle_customer_Entity {
    int pid = 0;
    int customer_id = 0;
    std::optional<std::string> customer_info_id;
    std::optional<std::string> customer_name;
    int customer_publish = 0;
    int customer_ordering = 0;
    double discount = 0;
    int hidden = 0;
};

// The records that once shared this header; its includers still expect them.
#include "Database/corvelle_customer_attribute_Entity.h"
#include "Database/corvelle_fields_customer_attribute_Entity.h"
#include "Database/corvelle_customer_contact_entity.h"
#include "Database/corvelle_customer_address_Entity.h"
#include "Database/corvelle_customer_group_Entity.h"
