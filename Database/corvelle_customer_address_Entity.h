#pragma once

#include <optional>
#include <string>

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
