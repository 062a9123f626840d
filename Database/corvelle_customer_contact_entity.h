#pragma once

#include <optional>
#include <string>

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
