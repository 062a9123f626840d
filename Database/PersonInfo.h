#pragma once

// The summary of one customer that the customer screens, the searches and the
// quote-order customer picker pass around. A copy shares the id, texts and the
// three lists with its original (the lists' elements are the cache's own
// records), while its flags are its own.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_customer_Entity.h"

#include <memory>
#include <optional>
#include <string>

class PersonInfo {
public:
    // Negative for a customer made on the device and not yet on the server;
    // nothing for a customer not stored yet.
    std::optional<int> pid;
    std::optional<std::string> name;
    std::optional<std::string> customer_info_id;
    std::shared_ptr<EntityList<customer_attribute_cell_Entity>> attribute;
    std::shared_ptr<EntityList<corvelle_customer_address_Entity>> address;
    std::shared_ptr<EntityList<corvelle_customer_contact_entity>> contact;
    double discount = 0;
    bool hidden = false;

    std::shared_ptr<PersonInfo> copy() const { return std::make_shared<PersonInfo>(*this); }
};
