#pragma once

// The records of the customer tables. Rows made on the device carry negative
// ids; pid / pID hold the local id that the server's id replaces after upload.

#include "Database/product_attribute_cell_Entity.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

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

struct corvelle_customer_attribute_Entity {
    int pID = 0;
    int attribute_id = 0;
    int customer_id = 0;
    int attribute_fields_id = 0;
    std::optional<std::string> attribute_value;
};

struct corvelle_fields_customer_attribute_Entity {
    int field_id = 0;
    std::optional<std::string> field_name;
    std::optional<std::string> description;
    std::optional<std::string> data_type;
    std::optional<std::string> selection_list;
    int display = 0;
    int published = 0;
};

struct corvelle_customer_contact_entity {
    int pID = 0;
    int customerID = 0;
    int contactID = 0;
    std::optional<std::string> first_name;
    std::optional<std::string> last_name;
    std::optional<std::string> job_title;
    std::optional<std::string> work_phone;
    std::optional<std::string> mobile_phone;
    std::optional<std::string> email;
    std::optional<std::string> im;
    std::optional<std::string> note;
    // Column isDefault: the customer's default contact.
    bool isDeful = false;
};

struct corvelle_customer_address_Entity {
    int pID = 0;
    // Column id.
    int indexId = 0;
    int customerId = 0;
    std::optional<std::string> customerAddress;
    std::optional<std::string> customerCity;
    std::optional<std::string> customerState;
    std::optional<std::string> customerZipCode;
    bool isDefault = false;
};

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
